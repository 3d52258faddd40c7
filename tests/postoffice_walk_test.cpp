#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "purge/postoffice_walk.h"
#include "settings/server_settings.h"
#include "tests/test_support.h"

namespace {

TEST(IsUsableStoreName, RefusesNamesThatWouldLeaveTheFolderOrNameNothing) {
  for (const char* name : {"", ".", "..", "a\\b", "a/b", "C:", "x:y", "/", "\\"}) {
    EXPECT_FALSE(IsUsableStoreName(name)) << name;
  }
  for (const char* name : {"Main", "john.smith", "...", ".hidden", "a b", "Junk E-mail"}) {
    EXPECT_TRUE(IsUsableStoreName(name)) << name;
  }
}

TEST(SplitTarget, SplitsAtTheFirstSlashAndNeverLeavesAWiderFilter) {
  char filter[128];
  char mailbox[64];
  ASSERT_TRUE(SplitTarget("P/A/B", filter, sizeof filter, mailbox, sizeof mailbox));
  EXPECT_EQ(std::string(filter) + "|" + mailbox, "P|A/B");
  ASSERT_TRUE(SplitTarget("/M", filter, sizeof filter, mailbox, sizeof mailbox));
  EXPECT_EQ(std::string(filter) + "|" + mailbox, "|M");
  // A part too long for its field gives no request at all, not an emptied filter that would match
  // every postoffice.
  for (const std::string& target : {std::string(128, 'P'), "P/" + std::string(64, 'm')}) {
    EXPECT_FALSE(SplitTarget(target.c_str(), filter, sizeof filter, mailbox, sizeof mailbox));
  }
}

TEST(PurgePostoffices, AnEmptyMailRootSkipsThePhaseInsteadOfSearchingTheDriveRoot) {
  testing_support::TestRun test;
  const ServerSettings settings;  // Mail Root empty
  ProviderSet none;
  LibraryPostofficeSource source(none, test.outcome);
  testing_support::CapturedOutput output;
  PurgePostoffices(30, settings, source, test.run());
  EXPECT_EQ(testing_support::Lines(output.Take()),
            (std::vector<std::string>{"Purging Mailbox Messages older than 30 days", "Postoffice Root=",
                                      "Skipped the postoffice phase: Mail Root is not set"}));
  EXPECT_TRUE(test.outcome.WorkWasSkipped());
}

}  // namespace
