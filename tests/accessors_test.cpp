#include <gtest/gtest.h>

#include <string>

#include "settings/accessors.h"
#include "tests/registry_fixture.h"

namespace {

using testing_support::RegistryFixture;

const std::string kAdministration = "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton\\Services\\Administration";
const std::string kAgents = "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton\\Agents\\";

struct Accessor {
  const char* name;
  uint32_t (*get)();
  std::string key;
  const char* valueName;
  uint32_t fallback;
};

// Every accessor with where its value lives and its default.
const Accessor kAccessors[] = {
    {"GetW3CLoggingRolloverFrequency", GetW3CLoggingRolloverFrequency, kAdministration,
     "W3C Logging Rollover Frequency", 0},
    {"GetMaximumRecvThreads", GetMaximumRecvThreads, kAdministration, "Maximum Recv Threads", 20},
    {"GetCommandTimeout", GetCommandTimeout, kAdministration, "Command Timeout", 200000},
    {"GetDebugEnabled", GetDebugEnabled, kAdministration, "Debug Enabled", 2},
    {"GetCredentialCacheTimeOut", GetCredentialCacheTimeOut, kAdministration, "Credential Cache TimeOut", 1800},
    {"GetActivityLogEnabled", GetActivityLogEnabled, kAdministration, "Activity Log Enabled", 2},
    {"GetW3CLoggingEnabled", GetW3CLoggingEnabled, kAdministration, "W3C Logging Enabled", 2},
    {"GetListenPortEnabled", GetListenPortEnabled, kAdministration, "Listen Port Enabled", 1},
    {"GetAlternatePortEnabled", GetAlternatePortEnabled, kAdministration, "Alternate Port Enabled", 0},
    {"GetAlternatePort", GetAlternatePort, kAdministration, "Alternate Port", 994},
    {"GetMailboxCleanEnabled", GetMailboxCleanEnabled, kAgents + "Mailbox Clean", "Enabled", 1},
    {"GetRemoteAdminEnabled", GetRemoteAdminEnabled, kAgents + "Remote Admin", "Enabled", 1},
    {"GetMailboxCleanPurgePollInterval", GetMailboxCleanPurgePollInterval, kAgents + "Mailbox Clean",
     "Purge Poll Interval", 604800},
    {"GetQuotaManagementEnabled", GetQuotaManagementEnabled, kAgents + "Quota Management", "Enabled", 1},
    {"GetQuotaManagementRunOnServiceStart", GetQuotaManagementRunOnServiceStart, kAgents + "Quota Management",
     "Run on service start", 0},
    {"GetQuotaPollInterval", GetQuotaPollInterval, kAgents + "Mailbox Clean", "Quota Poll Interval", 86400},
    {"GetGreylistCleanEnabled", GetGreylistCleanEnabled, kAgents + "Greylist Clean", "Enabled", 1},
    {"GetGreylistCleanRunOnServiceStart", GetGreylistCleanRunOnServiceStart, kAgents + "Greylist Clean",
     "Run on service start", 0},
    {"GetGreylistCleanPurgePollInterval", GetGreylistCleanPurgePollInterval, kAgents + "Greylist Clean",
     "Purge Poll Interval", 86400},
    {"GetReportEnabled", GetReportEnabled, kAgents + "Report", "Enabled", 0},
    {"GetLogPurgeEnabled", GetLogPurgeEnabled, kAgents + "Log Purge", "Enabled", 0},
    {"GetReportJunkEnabled", GetReportJunkEnabled, kAgents + "Report", "Junk Enabled", 0},
    {"GetReportJunkPollInterval", GetReportJunkPollInterval, kAgents + "Report", "Junk Poll Interval", 86400},
    {"GetReportRunOnServiceStart", GetReportRunOnServiceStart, kAgents + "Report", "Run on service start", 0},
    {"GetLogPurgeRunOnServiceStart", GetLogPurgeRunOnServiceStart, kAgents + "Log Purge", "Run on service start", 0},
    {"GetLogPurgeInterval", GetLogPurgeInterval, kAgents + "LogPurge", "Log Purge Interval", 86400},
    {"GetMigrationEnabled", GetMigrationEnabled, kAgents + "Migration", "Enabled", 0},
    {"GetMigrationPollInterval", GetMigrationPollInterval, kAgents + "Migration", "Migration Poll Interval", 60000},
};

class AccessorsTest : public testing::Test {
 protected:
  RegistryFixture registry_;
};

TEST_F(AccessorsTest, WithNoKeysEveryAccessorReturnsItsDefault) {
  for (const Accessor& accessor : kAccessors) EXPECT_EQ(accessor.get(), accessor.fallback) << accessor.name;
}

TEST_F(AccessorsTest, EachAccessorReadsItsOwnValueEvenZero) {
  uint32_t stored = 100;
  for (const Accessor& accessor : kAccessors) registry_.SetNumber(accessor.key, accessor.valueName, stored++);
  stored = 100;
  for (const Accessor& accessor : kAccessors) {
    const uint32_t expected = accessor.get == GetCommandTimeout ? stored * 1000 : stored;
    EXPECT_EQ(accessor.get(), expected) << accessor.name;
    ++stored;
  }
  for (const Accessor& accessor : kAccessors) registry_.SetNumber(accessor.key, accessor.valueName, 0);
  for (const Accessor& accessor : kAccessors) EXPECT_EQ(accessor.get(), 0u) << accessor.name;
}

TEST_F(AccessorsTest, TheCommandTimeoutIsMillisecondsAndWraps) {
  registry_.SetNumber(kAdministration, "Command Timeout", 30);
  EXPECT_EQ(GetCommandTimeout(), 30000u);
  registry_.SetNumber(kAdministration, "Command Timeout", 4294968);  // times 1,000 is 2^32 + 704
  EXPECT_EQ(GetCommandTimeout(), 704u);
  registry_.SetNumber(kAdministration, "Command Timeout", 0xFFFFFFFF);
  EXPECT_EQ(GetCommandTimeout(), 0xFFFFFFFFu * 1000u);
}

TEST_F(AccessorsTest, LogPurgeAndLogPurgeAreTwoKeys) {
  registry_.SetNumber(kAgents + "Log Purge", "Log Purge Interval", 5);
  registry_.SetNumber(kAgents + "LogPurge", "Enabled", 1);
  registry_.SetNumber(kAgents + "LogPurge", "Run on service start", 1);
  EXPECT_EQ(GetLogPurgeInterval(), 86400u);
  EXPECT_EQ(GetLogPurgeEnabled(), 0u);
  EXPECT_EQ(GetLogPurgeRunOnServiceStart(), 0u);
}

TEST_F(AccessorsTest, TheQuotaPollIntervalLivesUnderMailboxClean) {
  registry_.SetNumber(kAgents + "Quota Management", "Quota Poll Interval", 5);
  EXPECT_EQ(GetQuotaPollInterval(), 86400u);
}

TEST_F(AccessorsTest, EachAgentHasItsOwnEnabledValue) {
  registry_.SetNumber(kAgents + "Mailbox Clean", "Enabled", 0);
  for (const Accessor& accessor : kAccessors) {
    const uint32_t expected = accessor.get == GetMailboxCleanEnabled ? 0 : accessor.fallback;
    EXPECT_EQ(accessor.get(), expected) << accessor.name;
  }
}

TEST_F(AccessorsTest, ANumberStoredAsTextIsItsBytes) {
  registry_.SetText(kAdministration, "Alternate Port", "1");
  EXPECT_EQ(GetAlternatePort(), 49u);
  registry_.SetText(kAdministration, "Alternate Port", "1000");  // five bytes
  EXPECT_EQ(GetAlternatePort(), 994u);
}

}  // namespace
