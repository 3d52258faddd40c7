#include <gtest/gtest.h>

#include <string>

#include "settings/uncalled/accessors.h"
#include "tests/registry_fixture.h"

namespace {

using testing_support::kTestAdministrationKey;
using testing_support::RegistryFixture;

const std::string kAgents = "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton\\Agents\\";

class AccessorsTest : public testing::Test {
 protected:
  RegistryFixture registry_;
};

// Distinct numbers in every accessor's value: each returns its own, and 0 as 0; with none, its
// default.
TEST_F(AccessorsTest, EachAccessorReadsItsOwnValueEvenZeroElseItsDefault) {
  const size_t count = sizeof kAccessors / sizeof kAccessors[0];
  for (size_t i = 0; i < count; ++i) EXPECT_EQ(kAccessors[i](), AccessorSetting(i).fallback) << i;
  for (size_t i = 0; i < count; ++i) {
    registry_.SetNumber(AccessorSetting(i).key, AccessorSetting(i).valueName, static_cast<uint32_t>(100 + i));
  }
  for (size_t i = 0; i < count; ++i) {
    EXPECT_EQ(kAccessors[i](), (100 + i) * AccessorSetting(i).multiplier) << AccessorSetting(i).valueName;
  }
  for (size_t i = 0; i < count; ++i) registry_.SetNumber(AccessorSetting(i).key, AccessorSetting(i).valueName, 0);
  for (size_t i = 0; i < count; ++i) EXPECT_EQ(kAccessors[i](), 0u) << i;
}

TEST_F(AccessorsTest, TheCommandTimeoutIsMillisecondsAndWraps) {
  registry_.SetNumber(kTestAdministrationKey, "Command Timeout", 30);
  EXPECT_EQ(GetCommandTimeout(), 30000u);
  registry_.SetNumber(kTestAdministrationKey, "Command Timeout", 4294968);  // times 1,000 is 2^32 + 704
  EXPECT_EQ(GetCommandTimeout(), 704u);
  registry_.SetNumber(kTestAdministrationKey, "Command Timeout", 0xFFFFFFFF);
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

TEST_F(AccessorsTest, ANumberStoredAsTextIsItsBytes) {
  registry_.SetText(kTestAdministrationKey, "Alternate Port", "1");
  EXPECT_EQ(GetAlternatePort(), 49u);
  registry_.SetText(kTestAdministrationKey, "Alternate Port", "1000");  // five bytes
  EXPECT_EQ(GetAlternatePort(), 994u);
}

}  // namespace
