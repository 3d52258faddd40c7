#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>

#include "purge/folder_purge.h"
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
  EXPECT_EQ(test.system.deleteCalls, 0);
}

}  // namespace
