#include <gtest/gtest.h>

#include <string>

#include "settings/uncalled/accessors.h"
#include "support/server_keys.h"
#include "tests/fake_system.h"

namespace {

const std::string kAgents = "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton\\Agents\\";
constexpr size_t kCount = sizeof kAccessors / sizeof kAccessors[0];

// Distinct numbers in every accessor's value: each returns its own, and 0 as 0; with none, its
// default. The Command Timeout is milliseconds and wraps; a number stored as text is its bytes.
TEST(Accessors, EachAccessorReadsItsOwnValueEvenZeroElseItsDefault) {
  testing_support::FakeSystem fake;
  const auto read = [&](size_t i) { return ReadAccessorSetting(fake, kAccessors[i]); };
  for (size_t i = 0; i < kCount; ++i) EXPECT_EQ(read(i), AccessorSetting(i).fallback) << i;
  for (size_t i = 0; i < kCount; ++i) fake.SetNumber(AccessorSetting(i).key, AccessorSetting(i).valueName, 100 + i);
  for (size_t i = 0; i < kCount; ++i) EXPECT_EQ(read(i), (100 + i) * AccessorSetting(i).multiplier) << i;
  for (size_t i = 0; i < kCount; ++i) fake.SetNumber(AccessorSetting(i).key, AccessorSetting(i).valueName, 0);
  for (size_t i = 0; i < kCount; ++i) EXPECT_EQ(read(i), 0u) << i;

  fake.SetNumber(kAdministrationKey, "Command Timeout", 4294968);  // times 1,000 is 2^32 + 704
  EXPECT_EQ(ReadAccessorSetting(fake, GetCommandTimeout), 704u);
  fake.SetText(kAdministrationKey, "Alternate Port", "1000");  // five bytes
  EXPECT_EQ(ReadAccessorSetting(fake, GetAlternatePort), 994u);
  fake.SetText(kAdministrationKey, "Alternate Port", "1");
  EXPECT_EQ(ReadAccessorSetting(fake, GetAlternatePort), 49u);

  // Log Purge and LogPurge are two keys; the quota poll interval lives under Mailbox Clean.
  fake.registry.clear();
  fake.SetNumber(kAgents + "Log Purge", "Log Purge Interval", 5);
  fake.SetNumber(kAgents + "LogPurge", "Enabled", 1);
  fake.SetNumber(kAgents + "LogPurge", "Run on service start", 1);
  fake.SetNumber(kAgents + "Quota Management", "Quota Poll Interval", 5);
  EXPECT_EQ(ReadAccessorSetting(fake, GetLogPurgeInterval), 86400u);
  EXPECT_EQ(ReadAccessorSetting(fake, GetLogPurgeEnabled), 0u);
  EXPECT_EQ(ReadAccessorSetting(fake, GetLogPurgeRunOnServiceStart), 0u);
  EXPECT_EQ(ReadAccessorSetting(fake, GetQuotaPollInterval), 86400u);
}

}  // namespace
