#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>

#include "tests/test_support.h"

namespace testing_support {

void LayNonFiles(const std::filesystem::path& folder, const std::filesystem::path& target, std::chrono::seconds age) {
  std::filesystem::create_symlink(target, folder / "linked.MAI");
  std::filesystem::create_symlink(target.parent_path() / "nothing.MAI", folder / "dangling.MAI");
  std::filesystem::create_symlink("/dev/null", folder / "null.MAI");
  ASSERT_EQ(mkfifo((folder / "fifo.MAI").c_str(), 0600), 0);
  timespec times[2] = {{time(nullptr) - static_cast<time_t>(age.count()), 0}, {}};
  times[1] = times[0];
  for (const char* name : {"linked.MAI", "dangling.MAI", "null.MAI", "fifo.MAI"}) {
    EXPECT_EQ(utimensat(AT_FDCWD, (folder / name).c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << name;
  }
}

}  // namespace testing_support
