#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "purge/bad_mail.h"
#include "settings/server_settings.h"
#include "support/outcome.h"
#include "support/server_keys.h"
#include "support/text.h"
#include "tests/test_support.h"

namespace {

using testing_support::CapturedOutput;
using testing_support::FakePath;
using testing_support::Lines;

class BadMailTest : public testing::Test {
 protected:
  void SetUp() override { test_.fake.AddFolder(messagesFolder_); }

  void Message(const std::string& folder, const std::string& name, int ageDays) {
    test_.fake.AddMessage(folder, name, ageDays);
  }
  bool Exists(const std::string& folder, const std::string& name) const { return test_.fake.Holds(folder, name); }
  std::vector<std::string> Purge(int32_t days) {
    CapturedOutput output;
    test_.options.days = days;
    PurgeBadMail(settings_, test_.run());
    return Lines(output.Take());
  }

  testing_support::FakeRun test_;
  ServerSettings settings_;
  const std::string root_ = FakePath("/store");
  const std::string bad_ = FakePath("/store/BadMail");
  const std::string messagesFolder_ = FakePath("/store/BadMail/Messages");
};

TEST_F(BadMailTest, PurgesTheConfiguredFolderAndItsMessagesFolder) {
  test_.fake.SetText(kServerKey, "Bad Mail Directory", bad_);
  test_.fake.SetText(kServerKey, "Data Directory", root_);
  LoadSettings(test_.fake, settings_);
  Message(bad_, "old.MAI", 40);
  Message(bad_, "new.MAI", 3);
  Message(messagesFolder_, "older.mai", 400);
  Message(bad_, "note.txt", 400);

  EXPECT_EQ(Purge(30), (std::vector<std::string>{
                           "Cleaning Files files older than 30 days from BadMail directory",
                           "old.MAI in " + bad_ + " is 0(y), 1(m), 10(d) old",
                           "-->1\t Messages in\t" + bad_,
                           "older.mai in " + messagesFolder_ + " is 1(y), 1(m), 5(d) old",
                           "-->1\t Messages in\t" + messagesFolder_,
                       }));
  EXPECT_FALSE(Exists(bad_, "old.MAI"));
  EXPECT_FALSE(Exists(messagesFolder_, "older.mai"));
  EXPECT_TRUE(Exists(bad_, "new.MAI"));
  EXPECT_TRUE(Exists(bad_, "note.txt"));
  EXPECT_EQ(test_.fake.rescans, (std::vector<std::string>{bad_, messagesFolder_}));
  EXPECT_FALSE(test_.outcome.WorkWasSkipped());
}

// The Messages folder is purged when the folder itself held nothing old; a report lists both
// folders without the opening line and touches nothing.
TEST_F(BadMailTest, TheMessagesFolderIsPurgedAndReportedWhateverTheFolderHeld) {
  BoundedCopy(settings_.badMailDirectory, sizeof settings_.badMailDirectory, bad_.c_str());
  Message(bad_, "new.MAI", 3);
  Message(messagesFolder_, "old.MAI", 40);
  EXPECT_EQ(Purge(30), (std::vector<std::string>{
                           "Cleaning Files files older than 30 days from BadMail directory",
                           "-->0\t Messages in\t" + bad_,
                           "old.MAI in " + messagesFolder_ + " is 0(y), 1(m), 10(d) old",
                           "-->1\t Messages in\t" + messagesFolder_,
                       }));
  EXPECT_EQ(test_.fake.rescans, std::vector<std::string>{messagesFolder_});

  test_.options.reportOnly = 1;
  Message(bad_, "old.MAI", 40);
  Message(messagesFolder_, "older.MAI", 40);
  EXPECT_EQ(Purge(30), (std::vector<std::string>{
                           "\t\told.MAI in " + bad_ + " is 0(y), 1(m), 10(d) old",
                           "-->1\t Messages in\t" + bad_,
                           "\t\tolder.MAI in " + messagesFolder_ + " is 0(y), 1(m), 10(d) old",
                           "-->1\t Messages in\t" + messagesFolder_,
                       }));
  EXPECT_TRUE(Exists(bad_, "old.MAI"));
  EXPECT_TRUE(Exists(messagesFolder_, "older.MAI"));
  EXPECT_EQ(test_.fake.rescans.size(), 1u);
}

TEST_F(BadMailTest, AnEmptyBadMailDirectorySkipsThePhaseWithALine) {
  for (int report : {0, 1}) {
    test_.options.reportOnly = report;
    test_.outcome = RunOutcome();
    EXPECT_EQ(Purge(30), std::vector<std::string>{"Skipped the BadMail directory: Bad Mail Directory is not set"});
    EXPECT_TRUE(test_.outcome.WorkWasSkipped());
    EXPECT_TRUE(test_.fake.searches.empty());
  }
}

// A directory too long for the server's 256-byte field, or one that cannot be read, is not said
// to be unset.
TEST_F(BadMailTest, ABadMailDirectoryThatCannotBeUsedSaysWhy) {
  test_.fake.SetText(kServerKey, "Bad Mail Directory", bad_ + std::string(256, 'x'));
  test_.fake.SetText(kServerKey, "Data Directory", root_);
  LoadSettings(test_.fake, settings_);
  EXPECT_EQ(Purge(30), std::vector<std::string>{
                           "Skipped the BadMail directory: Bad Mail Directory is too long (at most 255 characters)"});
  EXPECT_TRUE(test_.outcome.WorkWasSkipped());
  settings_.badMailDirectoryRead = TextValue::kUnreadable;
  EXPECT_EQ(Purge(30), std::vector<std::string>{"Skipped the BadMail directory: Bad Mail Directory cannot be read"});
  EXPECT_TRUE(test_.fake.searches.empty());
}

}  // namespace
