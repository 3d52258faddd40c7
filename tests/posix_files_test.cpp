#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>

#include "purge/folder_purge.h"
#include "purge/unread.h"
#include "tests/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::CapturedOutput;
using testing_support::TempDir;

void SetModificationTime(const fs::path& path, int64_t seconds) {
  const timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

// tmpfs keeps 64-bit times: far enough ahead, a time in ticks no longer fits 64 bits.
TEST(PosixFiles, TimesTooFarAheadForFileTimesAreInTheFutureNeverOld) {
  if (!fs::is_directory("/dev/shm")) GTEST_SKIP() << "no tmpfs at /dev/shm";
  TempDir dir("/dev/shm");
  // 1,844,674,407,371 seconds after 1601 is 448,384 ticks past 2^64: wrapped, it reads as 1601.
  const int64_t wraps = 1844674407371 - 11644473600;
  for (const char* name : {"wraps.MAI", "max.MAI"}) testing_support::WriteFile(dir / name, "X-Read: 1\n\n");
  SetModificationTime(dir / "wraps.MAI", wraps);
  SetModificationTime(dir / "max.MAI", INT64_MAX);
  testing_support::TestRun test;
  CapturedOutput output;
  PurgeFolder(dir.str().c_str(), test.run());
  EXPECT_EQ(output.Take(), "-->0\t Messages in\t" + dir.str() + "\n");
  EXPECT_TRUE(fs::exists(dir / "wraps.MAI") && fs::exists(dir / "max.MAI"));
}

// A link is judged by its own times, never by what it names: an old one goes, dangling or not,
// and a new one to an old message stays, with its target.
TEST(PosixFiles, TheListingNeverFollowsALink) {
  TempDir dir;
  const fs::path folder = dir / "Inbox";
  fs::create_directories(folder);
  fs::create_directories(dir / "outside");
  testing_support::WriteFile(dir / "outside" / "old.MAI", "X-Read: 1\n\n");
  const int64_t old = time(nullptr) - 400 * 86400;
  SetModificationTime(dir / "outside" / "old.MAI", old);
  fs::create_symlink(dir / "outside" / "old.MAI", folder / "new.MAI");
  fs::create_symlink(dir / "outside" / "missing.MAI", folder / "dangling.MAI");
  const timespec times[2] = {{old, 0}, {old, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (folder / "dangling.MAI").c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
  testing_support::TestRun test;
  CapturedOutput output;
  PurgeFolder(folder.c_str(), test.run());
  EXPECT_FALSE(fs::exists(fs::symlink_status(folder / "dangling.MAI"))) << output.Take();
  EXPECT_TRUE(fs::is_symlink(folder / "new.MAI"));
  EXPECT_TRUE(fs::exists(dir / "outside" / "old.MAI"));
}

// A read that fails is a failed read, never the end of the header: a FIFO named as a message
// whose writer sends nothing fails its non-blocking read.
TEST(PosixFiles, AReadErrorIsNoEndOfTheFile) {
  TempDir dir;
  testing_support::WriteFile(dir / "m.MAI", "X-Read: 1\n");
  const std::string fifo = (dir / "fifo.MAI").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int writer = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(writer, 0);
  EXPECT_EQ(testing_support::ReadStateOf(dir.path(), "fifo.MAI"), ReadState::kFailed);
  close(writer);
}

}  // namespace
