#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/system.h"
#include "purge/unread.h"
#include "tests/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::AlwaysOld;
using testing_support::TempDir;
using testing_support::WriteFile;

class CallbackVisitor final : public platform::EntryVisitor {
 public:
  explicit CallbackVisitor(std::function<void(const platform::Folder&, const platform::DirEntry&)> visit)
      : visit_(std::move(visit)) {}
  void Visit(const platform::Folder& folder, const platform::DirEntry& entry) override { visit_(folder, entry); }

 private:
  std::function<void(const platform::Folder&, const platform::DirEntry&)> visit_;
};

std::string Pattern(const fs::path& folder) { return folder.string() + platform::kPathSeparator + "*.MAI"; }

// Deleting and reading through the folder a search has open reach exactly that folder's entries,
// never those of a folder whose name merely begins the same way or of a subfolder.
TEST(SearchFolder, EntriesAreReachedThroughTheFolderBeingListed) {
  TempDir dir;
  const fs::path listed = dir / "Inbox";
  const fs::path sibling = dir / "Inbox2";
  fs::create_directories(listed / "sub");
  fs::create_directories(sibling);
  for (const fs::path& folder : {listed, sibling, listed / "sub"}) {
    WriteFile(folder / "a.MAI", "X-Read: 1\r\n\r\n");
    WriteFile(folder / "b.MAI", "X-Read: 0\r\n\r\n");
  }
  WriteFile(sibling / "c.MAI", "X-Read: 1\r\n\r\n");

  int visits = 0;
  platform::HostSystem host;
  CallbackVisitor visitor([&](const platform::Folder& folder, const platform::DirEntry& entry) {
    if (std::string(entry.name) != "a.MAI") return;
    ++visits;
    EXPECT_EQ(IsMessageRead(host, folder, entry), ReadState::kRead);
    // Only the sibling has one: to this folder it is gone.
    EXPECT_EQ(IsMessageRead(host, folder, {"c.MAI", platform::kAttributeNormal, 0}), ReadState::kGone);
    platform::FileFacts facts;
    EXPECT_EQ(host.DeleteEntry(folder, {"b.MAI", platform::kAttributeNormal, 0}, AlwaysOld(), &facts),
              platform::DeleteOutcome::kDeleted);
    // Gone already: another run removed it.
    EXPECT_EQ(host.DeleteEntry(folder, {"absent.MAI", platform::kAttributeNormal, 0}, AlwaysOld(), &facts),
              platform::DeleteOutcome::kGone);
  });
  EXPECT_EQ(host.SearchFolder(Pattern(listed).c_str(), visitor), platform::SearchOutcome::kCompleted);

  EXPECT_EQ(visits, 1);
  EXPECT_FALSE(fs::exists(listed / "b.MAI"));
  EXPECT_TRUE(fs::exists(listed / "a.MAI"));
  EXPECT_TRUE(fs::exists(sibling / "b.MAI"));
  EXPECT_TRUE(fs::exists(listed / "sub" / "b.MAI"));
  // No folder, no entry.
  platform::FileFacts facts;
  EXPECT_EQ(host.DeleteEntry(platform::Folder(), {"a.MAI", platform::kAttributeNormal, 0}, AlwaysOld(), &facts),
            platform::DeleteOutcome::kFailed);
  EXPECT_TRUE(fs::exists(listed / "a.MAI"));
}

TEST(SearchFolder, AMissingFolderIsNothingToDoButAFileInItsPlaceCannotBeSearched) {
  TempDir dir;
  CallbackVisitor visitor([](const platform::Folder&, const platform::DirEntry&) {});
  platform::HostSystem host;
  EXPECT_EQ(host.SearchFolder(Pattern(dir / "missing").c_str(), visitor), platform::SearchOutcome::kNotStarted);
  EXPECT_EQ(host.SearchFolder(Pattern(dir.path()).c_str(), visitor), platform::SearchOutcome::kNotStarted);
  WriteFile(dir / "Inbox", "not a folder");
  EXPECT_EQ(host.SearchFolder(Pattern(dir / "Inbox").c_str(), visitor), platform::SearchOutcome::kFailed);
}

// The host's pause lasts at least as long as asked (a lower bound: the machine may be loaded).
TEST(Pause, LastsAtLeastTheTimeAsked) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(platform::HostSystem().Pause(300));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
}

}  // namespace
