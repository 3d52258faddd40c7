#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "purge/folder_purge.h"
#include "tests/test_support.h"

namespace {

using testing_support::AlwaysOld;
using testing_support::CapturedOutput;
using testing_support::DaysAgo;
using testing_support::FailingSystem;
using testing_support::FakeEntry;
using testing_support::FakePath;
using testing_support::FakeSystem;
using testing_support::Lines;

class PurgeFolderTest : public testing::Test {
 protected:
  void SetUp() override { fake_.AddFolder(Folder()); }
  void Message(const std::string& name, int ageDays, const std::string& content = "From: a@b\n\nbody\n") {
    fake_.folders[Folder()].push_back(FakeEntry{name, platform::kAttributeArchive, DaysAgo(ageDays), content, true});
  }
  std::string Folder() const { return FakePath("/store/Inbox"); }
  std::vector<std::string> Purge(int32_t days) {
    CapturedOutput output;
    test_.options.days = days;
    PurgeFolder(Folder().c_str(), test_.run());
    return Lines(output.Take());
  }
  bool Exists(const std::string& name) const { return fake_.Holds(Folder(), name); }
  uint64_t DeleteCalls() const {
    return system_.calls[static_cast<int>(FailingSystem::Call::kDelete)] +
           system_.calls[static_cast<int>(FailingSystem::Call::kDeleteOpen)];
  }
  std::string DeletedLine(const std::string& name, int y, int m, int d) const {
    return name + " in " + Folder() + " is " + std::to_string(y) + "(y), " + std::to_string(m) + "(m), " +
           std::to_string(d) + "(d) old";
  }
  std::string CountLine(int count) const { return "-->" + std::to_string(count) + "\t Messages in\t" + Folder(); }

  testing_support::FakeRun test_;
  RunOptions& runOptions = test_.options;
  FakeSystem& fake_ = test_.fake;
  FailingSystem& system_ = test_.system;
};

// Old messages go, each with its line, then the count; one rescan is asked for.
TEST_F(PurgeFolderTest, DeletesOldMessagesListsThemAndAsksForOneRescan) {
  Message("old.MAI", 40);
  Message("older.mai", 400);
  Message("new.MAI", 10);
  Message("note.txt", 400);
  const auto lines = Purge(30);

  ASSERT_EQ(lines.size(), 3u);
  const std::set<std::string> perFile(lines.begin(), lines.end() - 1);
  EXPECT_EQ(perFile, (std::set<std::string>{DeletedLine("old.MAI", 0, 1, 10), DeletedLine("older.mai", 1, 1, 5)}));
  EXPECT_EQ(lines.back(), CountLine(2));
  EXPECT_FALSE(Exists("old.MAI"));
  EXPECT_FALSE(Exists("older.mai"));
  EXPECT_TRUE(Exists("new.MAI"));
  EXPECT_TRUE(Exists("note.txt"));
  EXPECT_EQ(fake_.rescans, std::vector<std::string>{Folder()});
  // The search pattern takes one separator, whether the folder path ends in one or not.
  const std::string withSeparator = Folder() + platform::kPathSeparator;
  {
    CapturedOutput output;
    PurgeFolder(withSeparator.c_str(), test_.run());
  }
  EXPECT_EQ(fake_.searches, std::vector<std::string>(2, withSeparator + "*.MAI"));
}

TEST_F(PurgeFolderTest, ReportModeListsWithTwoTabsAndTouchesNothing) {
  runOptions.reportOnly = 1;
  runOptions.retainUnread = 1;  // the unread test does not run in report mode
  Message("old.MAI", 40);
  Message("new.MAI", 1);
  const auto lines = Purge(30);
  EXPECT_EQ(lines, (std::vector<std::string>{"\t\t" + DeletedLine("old.MAI", 0, 1, 10), CountLine(1)}));
  EXPECT_TRUE(Exists("old.MAI"));
  EXPECT_EQ(DeleteCalls(), 0);
  EXPECT_TRUE(fake_.rescans.empty());
}

TEST_F(PurgeFolderTest, RetainsUnreadMessagesButCountsThem) {
  runOptions.retainUnread = 1;
  Message("read.MAI", 40, "From: a\nX-Read: 1\n\nbody\n");
  Message("unread.MAI", 40, "From: a\nX-Read: 0\n\nbody\n");
  Message("marker-in-body.MAI", 40, "From: a\n\nX-Read: 1\n");
  const auto lines = Purge(30);
  EXPECT_EQ(lines, (std::vector<std::string>{DeletedLine("read.MAI", 0, 1, 10), CountLine(3)}));
  EXPECT_FALSE(Exists("read.MAI"));
  EXPECT_TRUE(Exists("unread.MAI"));
  EXPECT_TRUE(Exists("marker-in-body.MAI"));
  EXPECT_EQ(fake_.rescans.size(), 1u);
}

// A failed deletion is said in place of its age line and still counts in the folder's line, but
// the ledger adds only what was deleted, with the sizes the listing gave; a folder that listed
// nothing old is not counted.
TEST_F(PurgeFolderTest, AFailedDeletionIsReportedInPlaceOfItsAgeLineAndStillCounts) {
  Message("a.MAI", 40, std::string(10, 'a'));
  Message("b.MAI", 40, std::string(200, 'b'));
  Message("c.MAI", 40, std::string(3000, 'c'));
  Message("new.MAI", 1, std::string(5000, 'n'));
  system_.FailAt(2, FailingSystem::Call::kDelete);
  const auto lines = Purge(30);
  Purge(1000);
  EXPECT_EQ(test_.ledger.messages(), 2u);
  EXPECT_EQ(test_.ledger.bytes(), 3210u - (Exists("a.MAI") ? 10 : Exists("b.MAI") ? 200 : 3000));
  EXPECT_EQ(test_.ledger.folders(), 1u);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines.back(), CountLine(3));
  EXPECT_EQ(fake_.rescans.size(), 1u);
  EXPECT_TRUE(test_.outcome.WorkWasSkipped());
  int unableLines = 0;
  for (const char* name : {"a.MAI", "b.MAI", "c.MAI"}) {
    const bool stayed = Exists(name);
    const bool reported =
        std::count(lines.begin(), lines.end(), "Unable to delete " + std::string(name) + " in " + Folder());
    const bool listed = std::count(lines.begin(), lines.end(), DeletedLine(name, 0, 1, 10));
    EXPECT_EQ(stayed, reported) << name;
    EXPECT_NE(stayed, listed) << name;
    unableLines += reported;
  }
  EXPECT_EQ(unableLines, 1);
}

// The postmaster inbox comes twice in a run with INBOX: a preview's second visit shows what the
// real run's shows, the old unread message it kept included. Any other folder seen again is
// listed again, with a line that says so.
TEST_F(PurgeFolderTest, APreviewSeesAFolderAgainAsTheRunWouldFindIt) {
  runOptions.preview = 1;
  runOptions.retainUnread = 1;
  for (const char* name : {"read.MAI", "read2.MAI"}) Message(name, 40, "X-Read: 1\n\nbody\n");
  Message("unread.MAI", 40);
  Message("new.MAI", 1, "X-Read: 1\n\nbody\n");
  test_.ledger.ExpectSecondVisit(Folder().c_str());
  EXPECT_EQ(Purge(30).size(), 3u);
  EXPECT_EQ(Purge(30), std::vector<std::string>{CountLine(1)});
  EXPECT_EQ(DeleteCalls(), 0);

  const std::string other = FakePath("/store/other");
  fake_.AddMessage(other, "old.MAI", 40);
  for (int visit = 0; visit < 2; ++visit) {
    CapturedOutput output;
    PurgeFolder(other.c_str(), test_.run());
    EXPECT_EQ(Lines(output.Take()).front().rfind("Preview: " + other + " is listed again", 0) == 0, visit == 1);
  }
}

TEST_F(PurgeFolderTest, AMessageAnotherRunDeletedFirstIsNotThisRunsPurge) {
  for (int unread : {0, 1}) {
    fake_.vanishing = "b.MAI";
    runOptions.retainUnread = unread;
    Message("a.MAI", 40, "X-Read: 1\n\n");
    Message("b.MAI", 40, "X-Read: 1\n\n");
    EXPECT_EQ(Purge(30), (std::vector<std::string>{DeletedLine("a.MAI", 0, 1, 10), CountLine(2)}));
  }
  EXPECT_EQ(test_.ledger.messages(), 2u);
  EXPECT_EQ(test_.ledger.bytes(), 22u);
  EXPECT_FALSE(test_.outcome.WorkWasSkipped());
}

TEST(RunLedger, TheByteTotalStopsAtTheLargestNumber) {
  constexpr uint64_t kLargestFile = INT64_MAX;
  EXPECT_EQ(AddBytes(AddBytes(kLargestFile, kLargestFile), kLargestFile), UINT64_MAX);
  RunLedger ledger;
  ledger.BeginVisit("a");
  ledger.EndVisit(RunLedger::Visit::kFirst, 2, AddBytes(kLargestFile, kLargestFile));
  ledger.BeginVisit("b");
  ledger.EndVisit(RunLedger::Visit::kFirst, 1, kLargestFile);
  EXPECT_EQ(ledger.bytes(), UINT64_MAX);
}

// Past its bound a preview keeps no more names, and the folder's next visit says it cannot tell
// (and counts nothing again); folders are the same when the file system says so: Windows ignores
// the case of every letter, POSIX none.
TEST(RunLedger, KeepsABoundedNumberOfNamesAndKnowsAFolderAgainAsTheFileSystemDoes) {
  using Visit = RunLedger::Visit;
  const bool windows = testing_support::IsWindowsBuild();
  RunLedger ledger;
  ledger.ExpectSecondVisit("D:\\Store\\Postmaster\\Inbox");
  ASSERT_EQ(ledger.BeginVisit("D:\\Store\\Postmaster\\Inbox"), Visit::kFirstKeepingNames);
  for (size_t i = 0; i < RunLedger::kKeptNamesLimit; ++i) {
    const std::string name = std::to_string(i);
    ASSERT_TRUE(ledger.KeepName(platform::DirEntry{name.c_str(), 0, 0}));
  }
  EXPECT_FALSE(ledger.KeepName(platform::DirEntry{"one more.MAI", 0, 0}));
  ledger.EndVisit(Visit::kFirstKeepingNames, 2, 10);
  EXPECT_EQ(ledger.BeginVisit("D:\\STORE\\postmaster\\Inbox"), windows ? Visit::kAgainUnknown : Visit::kFirst);

  // "\xE4" and "\xC4" are a and A with a diaeresis in the Windows code page of the tests.
  ledger.BeginVisit("D:\\Store\\\xE4");
  ledger.EndVisit(Visit::kFirst, 1, 5);
  EXPECT_EQ(ledger.BeginVisit("D:\\Store\\\xC4"), windows ? Visit::kAgainUnknown : Visit::kFirst);
}

// DAYS decide what is old, thirty days for 30, a negative number nothing; ages are measured by the
// run's clock, read once per folder.
TEST_F(PurgeFolderTest, DaysDecideWhatIsOld) {
  Message("young.MAI", 29);
  fake_.folders[Folder()].back().creationTime -= 23 * 36000000000ULL;  // 29 days and 23 hours
  Message("old.MAI", 30);
  EXPECT_EQ(Purge(-5), std::vector<std::string>{CountLine(0)});
  EXPECT_TRUE(fake_.rescans.empty());
  EXPECT_EQ(Purge(30), (std::vector<std::string>{DeletedLine("old.MAI", 0, 0, 31), CountLine(1)}));
  EXPECT_TRUE(Exists("young.MAI"));
  EXPECT_EQ(Purge(31), std::vector<std::string>{CountLine(0)});
  fake_.now = DaysAgo(-100);  // 100 days on
  system_.FailAt(0);
  EXPECT_EQ(Purge(100).back(), CountLine(1));
  EXPECT_FALSE(Exists("young.MAI"));
  EXPECT_EQ(system_.calls[static_cast<int>(FailingSystem::Call::kClock)], 1u);
  Message("new.MAI", 0);
  fake_.folders[Folder()].back().creationTime = fake_.now;
  EXPECT_EQ(Purge(0).back(), CountLine(1));
}

// Only files named .MAI are messages, whatever a search returns: a directory carrying more
// attributes than the directory bit, a longer extension matched through the short name, and names
// only POSIX allows, holding control characters that would forge lines of the log, or separators
// and wildcards that name another path. A '?' the code page put for another character is a name.
TEST_F(PurgeFolderTest, HiddenFilesFoldersAndLookalikesAreNeverMessages) {
  const std::vector<std::string> kept = {".hidden.MAI",
                                         "x.MAI",
                                         "y.MAI",
                                         "mail.MAIL",
                                         "forged\n-->9\t Messages in\tf.MAI",
                                         "bell\a.MAI",
                                         "delete\x7F.MAI",
                                         "x\\..\\bob\\v.MAI",
                                         "x/../v.MAI",
                                         "C:v.MAI",
                                         "*.MAI",
                                         "what?.MAI"};
  for (const std::string& name : kept) Message(name, 400);
  fake_.folders[Folder()][1].attributes = platform::kAttributeDirectory;
  fake_.folders[Folder()][2].attributes = platform::kAttributeDirectory | 1;  // read-only too
  Message("real.MAI", 400);
  Message("?.MAI", 400);
  fake_.folders[Folder()].back().nameSubstituted = true;
  const auto lines = Purge(0);  // everything is old
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end() - 1),
            (std::set<std::string>{DeletedLine("real.MAI", 1, 1, 5), DeletedLine("?.MAI", 1, 1, 5)}));
  EXPECT_EQ(lines.back(), CountLine(2));
  for (const std::string& name : kept) EXPECT_TRUE(Exists(name)) << name;
}

// A folder without messages or without existence is silent; one that cannot be searched is said
// and fails the run.
TEST_F(PurgeFolderTest, AFolderWithoutMessagesOrWithoutExistenceIsSilent) {
  Message("note.txt", 400);
  EXPECT_TRUE(Purge(30).empty());
  {
    CapturedOutput output;
    PurgeFolder(FakePath("/store/missing").c_str(), test_.run());
    EXPECT_EQ(output.Take(), "");
  }
  EXPECT_TRUE(fake_.rescans.empty());
  EXPECT_FALSE(test_.outcome.WorkWasSkipped());
  Message("old.MAI", 400);
  system_.FailAt(1, FailingSystem::Call::kSearch);
  EXPECT_EQ(Purge(30), std::vector<std::string>{"Unable to search " + Folder()});
  EXPECT_TRUE(fake_.deleted.empty());
  EXPECT_TRUE(test_.outcome.WorkWasSkipped());
}

TEST_F(PurgeFolderTest, PathsThatDoNotFitAreSkippedWithALineNeverCut) {
  const std::string longFolder = Folder() + platform::kPathSeparator + std::string(2100, 'f');
  CapturedOutput output;
  PurgeFolder(longFolder.c_str(), test_.run());
  EXPECT_EQ(output.Take(), "Skipped " + longFolder + ": the folder path is too long to search\n");
  EXPECT_TRUE(fake_.searches.empty());
  EXPECT_TRUE(test_.outcome.WorkWasSkipped());

  runOptions.retainUnread = 1;
  const std::string name(2047, 'n');
  CapturedOutput second;
  platform::FileFacts facts;
  EXPECT_FALSE(PurgeMessage(Folder().c_str(), {name.c_str(), platform::kAttributeNormal, 0}, platform::Folder(),
                            AlwaysOld(), test_.run(), &facts));
  EXPECT_EQ(second.Take(), "Skipped " + name + " in " + Folder() + ": the message path is too long\n");
  EXPECT_EQ(DeleteCalls(), 0);
}

}  // namespace
