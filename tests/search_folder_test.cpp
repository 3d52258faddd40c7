#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "platform/files.h"
#include "purge/unread.h"
#include "tests/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;
using testing_support::WriteFile;

class CallbackVisitor final : public platform::EntryVisitor {
 public:
  explicit CallbackVisitor(std::function<void(const platform::DirEntry&)> visit) : visit_(std::move(visit)) {}
  void Visit(const platform::DirEntry& entry) override { visit_(entry); }

 private:
  std::function<void(const platform::DirEntry&)> visit_;
};

std::string Native(const fs::path& path) { return path.string(); }

std::string Pattern(const fs::path& folder) { return Native(folder) + platform::kPathSeparator + "*.MAI"; }

// Deleting and reading while a folder is listed touch exactly the file the path names, whether it
// is an entry of the listed folder or lies in a folder whose name merely begins the same way.
TEST(SearchFolder, PathsUsedDuringTheVisitNameTheirOwnFiles) {
  TempDir dir;
  const fs::path listed = dir / "Inbox";
  const fs::path sibling = dir / "Inbox2";
  fs::create_directories(listed / "sub");
  fs::create_directories(sibling);
  for (const fs::path& folder : {listed, sibling, listed / "sub"}) {
    WriteFile(folder / "a.MAI", "X-Read: 1\r\n\r\n");
    WriteFile(folder / "b.MAI", "X-Read: 0\r\n\r\n");
  }

  int visits = 0;
  int readInListed = -1;
  CallbackVisitor visitor([&](const platform::DirEntry& entry) {
    if (std::string(entry.name) != "a.MAI") return;
    ++visits;
    const std::string separator(1, platform::kPathSeparator);
    readInListed = IsMessageRead((Native(listed) + separator + "a.MAI").c_str());
    EXPECT_EQ(IsMessageRead((Native(sibling) + separator + "b.MAI").c_str()), 0);
    EXPECT_TRUE(platform::DeleteFileAt((Native(sibling) + separator + "a.MAI").c_str()));
    EXPECT_TRUE(platform::DeleteFileAt((Native(listed / "sub") + separator + "a.MAI").c_str()));
    EXPECT_TRUE(platform::DeleteFileAt((Native(listed) + separator + "b.MAI").c_str()));
    // Gone already (another run removed it) counts as deleted.
    EXPECT_TRUE(platform::DeleteFileAt((Native(listed) + separator + "absent.MAI").c_str()));
  });
  EXPECT_EQ(platform::SearchFolder(Pattern(listed).c_str(), visitor), platform::SearchOutcome::kCompleted);

  EXPECT_EQ(visits, 1);
  EXPECT_EQ(readInListed, 1);
  EXPECT_TRUE(fs::exists(listed / "a.MAI"));
  EXPECT_FALSE(fs::exists(listed / "b.MAI"));
  EXPECT_FALSE(fs::exists(sibling / "a.MAI"));
  EXPECT_TRUE(fs::exists(sibling / "b.MAI"));
  EXPECT_FALSE(fs::exists(listed / "sub" / "a.MAI"));
  EXPECT_TRUE(fs::exists(listed / "sub" / "b.MAI"));

  // After the search the same calls still reach the file system by their full paths.
  EXPECT_EQ(IsMessageRead(Native(sibling / "b.MAI").c_str()), 0);
  EXPECT_TRUE(platform::DeleteFileAt(Native(listed / "a.MAI").c_str()));
  EXPECT_FALSE(fs::exists(listed / "a.MAI"));
}

}  // namespace

namespace {

TEST(SearchFolder, AMissingFolderIsNothingToDoButAFileInItsPlaceCannotBeSearched) {
  TempDir dir;
  CallbackVisitor visitor([](const platform::DirEntry&) {});
  EXPECT_EQ(platform::SearchFolder(Pattern(dir / "missing").c_str(), visitor), platform::SearchOutcome::kNotStarted);
  EXPECT_EQ(platform::SearchFolder(Pattern(dir.path()).c_str(), visitor), platform::SearchOutcome::kNotStarted);
  WriteFile(dir / "Inbox", "not a folder");
  EXPECT_EQ(platform::SearchFolder(Pattern(dir / "Inbox").c_str(), visitor), platform::SearchOutcome::kFailed);
}

}  // namespace
