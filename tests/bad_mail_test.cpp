#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "purge/bad_mail.h"
#include "settings/server_settings.h"
#include "support/outcome.h"
#include "support/text.h"
#include "tests/registry_fixture.h"
#include "tests/test_support.h"

namespace {

testing_support::CurrentRegistrySystem host;

namespace fs = std::filesystem;
using testing_support::AgeFile;
using testing_support::CapturedOutput;
using testing_support::Days;
using testing_support::Lines;
using testing_support::TempDir;
using testing_support::WriteFile;

class BadMailTest : public testing::Test {
 protected:
  void SetUp() override { fs::create_directories(messages_); }

  void Message(const fs::path& path, int ageDays) {
    WriteFile(path, "From: a@b\n\nbody\n");
    AgeFile(path, Days(ageDays));
  }
  std::vector<std::string> Purge(int32_t days) {
    CapturedOutput output;
    test_.options.days = days;
    PurgeBadMail(settings_, test_.run());
    return Lines(output.Take());
  }

  testing_support::TestRun test_;
  ServerSettings settings_;
  TempDir root_;
  const fs::path badMail_ = root_ / "BadMail";
  const fs::path messages_ = badMail_ / "Messages";
  const std::string bad_ = badMail_.string();
  const std::string messagesFolder_ = messages_.string();
};

TEST_F(BadMailTest, PurgesTheConfiguredFolderAndItsMessagesFolder) {
  testing_support::RegistryFixture registry;
  registry.SetText(testing_support::kTestServerKey, "Bad Mail Directory", bad_);
  registry.SetText(testing_support::kTestServerKey, "Data Directory", root_.str());
  LoadSettings(host, settings_);
  Message(badMail_ / "old.MAI", 40);
  Message(badMail_ / "new.MAI", 3);
  Message(messages_ / "older.mai", 400);
  Message(badMail_ / "note.txt", 400);

  EXPECT_EQ(Purge(30), (std::vector<std::string>{
                           "Cleaning Files files older than 30 days from BadMail directory",
                           "old.MAI in " + bad_ + " is 0(y), 1(m), 10(d) old",
                           "-->1\t Messages in\t" + bad_,
                           "older.mai in " + messagesFolder_ + " is 1(y), 1(m), 5(d) old",
                           "-->1\t Messages in\t" + messagesFolder_,
                       }));
  EXPECT_FALSE(fs::exists(badMail_ / "old.MAI"));
  EXPECT_FALSE(fs::exists(messages_ / "older.mai"));
  EXPECT_TRUE(fs::exists(badMail_ / "new.MAI"));
  EXPECT_TRUE(fs::exists(badMail_ / "note.txt"));
  EXPECT_EQ(test_.system.rescans, (std::vector<std::string>{bad_, messagesFolder_}));
  EXPECT_FALSE(test_.outcome.WorkWasSkipped());
}

TEST_F(BadMailTest, ReportModeListsBothFoldersWithoutTheOpeningLine) {
  test_.options.reportOnly = 1;
  BoundedCopy(settings_.badMailDirectory, sizeof settings_.badMailDirectory, bad_.c_str());
  Message(badMail_ / "old.MAI", 40);
  Message(messages_ / "older.MAI", 40);
  EXPECT_EQ(Purge(30), (std::vector<std::string>{
                           "\t\told.MAI in " + bad_ + " is 0(y), 1(m), 10(d) old",
                           "-->1\t Messages in\t" + bad_,
                           "\t\tolder.MAI in " + messagesFolder_ + " is 0(y), 1(m), 10(d) old",
                           "-->1\t Messages in\t" + messagesFolder_,
                       }));
  EXPECT_TRUE(fs::exists(badMail_ / "old.MAI"));
  EXPECT_TRUE(fs::exists(messages_ / "older.MAI"));
  EXPECT_TRUE(test_.system.rescans.empty());
}

TEST_F(BadMailTest, TheMessagesFolderIsPurgedWhenTheFolderItselfHeldNothingOld) {
  BoundedCopy(settings_.badMailDirectory, sizeof settings_.badMailDirectory, bad_.c_str());
  Message(badMail_ / "new.MAI", 3);
  Message(messages_ / "old.MAI", 40);
  EXPECT_EQ(Purge(30), (std::vector<std::string>{
                           "Cleaning Files files older than 30 days from BadMail directory",
                           "-->0\t Messages in\t" + bad_,
                           "old.MAI in " + messagesFolder_ + " is 0(y), 1(m), 10(d) old",
                           "-->1\t Messages in\t" + messagesFolder_,
                       }));
  EXPECT_EQ(test_.system.rescans, std::vector<std::string>{messagesFolder_});
}

TEST_F(BadMailTest, AnEmptyBadMailDirectorySkipsThePhaseWithALine) {
  for (int report : {0, 1}) {
    test_.options.reportOnly = report;
    test_.outcome = RunOutcome();
    EXPECT_EQ(Purge(30), std::vector<std::string>{"Skipped the BadMail directory: Bad Mail Directory is not set"});
    EXPECT_TRUE(test_.outcome.WorkWasSkipped());
    EXPECT_TRUE(test_.system.patterns.empty());
  }
}

// A directory too long for the server's 256-byte field, or one that cannot be read, is not said
// to be unset.
TEST_F(BadMailTest, ABadMailDirectoryThatCannotBeUsedSaysWhy) {
  testing_support::RegistryFixture registry;
  registry.SetText(testing_support::kTestServerKey, "Bad Mail Directory", bad_ + std::string(256, 'x'));
  registry.SetText(testing_support::kTestServerKey, "Data Directory", root_.str());
  LoadSettings(host, settings_);
  EXPECT_EQ(Purge(30), std::vector<std::string>{
                           "Skipped the BadMail directory: Bad Mail Directory is too long (at most 255 characters)"});
  EXPECT_TRUE(test_.outcome.WorkWasSkipped());
  settings_.badMailDirectoryRead = TextValue::kUnreadable;
  EXPECT_EQ(Purge(30), std::vector<std::string>{"Skipped the BadMail directory: Bad Mail Directory cannot be read"});
  EXPECT_TRUE(test_.system.patterns.empty());
}

}  // namespace
