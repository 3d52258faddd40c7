// Files, folder searches and file times on Linux: the search reads each entry's times with statx,
// which only Linux has (glibc 2.28 or later).
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/ascii.h"
#include "platform/civil_date.h"
#include "platform/clock.h"
#include "platform/files.h"

namespace platform {

const char kPathSeparator = '/';

// The open folder's descriptor, for the search that opens it and the calls that act on its
// entries.
class FolderAccess {
 public:
  static int Descriptor(const Folder& folder) { return folder.descriptor_; }
  static void SetDescriptor(Folder& folder, int descriptor) { folder.descriptor_ = descriptor; }
};

namespace {

// Seconds between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochDifference = 11644473600;

// Seconds and nanoseconds since 1970 as a file time. Saturates instead of wrapping: a time too
// far ahead for 64 bits of ticks becomes the largest file time, which is in the future and so
// never old; a time before 1601 becomes 1601.
uint64_t ToFileTime(int64_t seconds, uint32_t nanoseconds) {
  constexpr uint64_t kTicksPerSecond = 10000000;
  constexpr uint64_t kMaxSeconds = (UINT64_MAX - kTicksPerSecond) / kTicksPerSecond;
  if (seconds < -kEpochDifference) return 0;
  // Unsigned from here: seconds + kEpochDifference cannot overflow a uint64_t.
  const uint64_t since1601 = static_cast<uint64_t>(seconds) + static_cast<uint64_t>(kEpochDifference);
  if (since1601 > kMaxSeconds) return UINT64_MAX;
  return since1601 * kTicksPerSecond + (nanoseconds % 1000000000u) / 100;
}

// Non-blocking, so that a FIFO put in a message's place cannot stall the run; a regular file
// reads the same either way.
constexpr int kReadFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

}  // namespace

SearchOutcome SearchFolder(const char* pattern, EntryVisitor& visitor) {
  const char* lastSeparator = strrchr(pattern, '/');
  if (lastSeparator == nullptr || lastSeparator[1] != '*') return SearchOutcome::kNotStarted;
  const std::string_view suffix(lastSeparator + 2);

  // The folder is the pattern up to its last separator; "/" alone stays the root.
  char path[4096];
  const size_t pathLength = lastSeparator == pattern ? 1 : static_cast<size_t>(lastSeparator - pattern);
  if (pathLength >= sizeof path) return SearchOutcome::kNotStarted;
  memcpy(path, pattern, pathLength);
  path[pathLength] = '\0';

  DIR* dir = opendir(path);
  // A missing folder is nothing to purge; anything else (access denied, an I/O error, a file
  // where the folder should be) is a folder the run could not do.
  if (dir == nullptr) return errno == ENOENT ? SearchOutcome::kNotStarted : SearchOutcome::kFailed;
  const int descriptor = dirfd(dir);
  Folder folder;
  FolderAccess::SetDescriptor(folder, descriptor);

  bool started = false;
  while (const dirent* entry = readdir(dir)) {
    const std::string_view name(entry->d_name);
    if (!ascii::EndsWithNoCase(name, suffix)) continue;

    // One statx relative to the open folder, never following a link: the link itself is the
    // entry, as DeleteEntry removes the link and not its target.
    struct statx info;
    if (statx(descriptor, entry->d_name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
              STATX_TYPE | STATX_MODE | STATX_MTIME | STATX_BTIME, &info) != 0) {
      continue;  // gone since readdir returned it
    }
    uint32_t attributes;
    if (S_ISDIR(info.stx_mode)) {
      attributes = kAttributeDirectory;
    } else if (S_ISREG(info.stx_mode) || S_ISLNK(info.stx_mode)) {
      attributes = kAttributeNormal;
    } else {
      // A FIFO, socket or device named *.MAI is no message: opening one to read its header
      // could block the run.
      continue;
    }
    if (name[0] == '.') attributes |= kAttributeHidden;

    uint64_t created = ToFileTime(info.stx_mtime.tv_sec, info.stx_mtime.tv_nsec);
    if (info.stx_mask & STATX_BTIME) {
      const uint64_t born = ToFileTime(info.stx_btime.tv_sec, info.stx_btime.tv_nsec);
      if (born < created) created = born;
    }

    started = true;
    visitor.Visit(folder, DirEntry{entry->d_name, attributes, created});
  }
  closedir(dir);
  return started ? SearchOutcome::kCompleted : SearchOutcome::kNotStarted;
}

bool DeleteEntry(const Folder& folder, const char* name) {
  const int descriptor = FolderAccess::Descriptor(folder);
  return descriptor >= 0 && (unlinkat(descriptor, name, 0) == 0 || errno == ENOENT);
}

namespace {

// The current folder, through which a path is opened like an entry.
const Folder& CurrentFolder() {
  struct Current {
    Current() { FolderAccess::SetDescriptor(folder, AT_FDCWD); }
    Folder folder;
  };
  static const Current current;
  return current.folder;
}

}  // namespace

bool LineFile::Open(const char* path) { return Open(CurrentFolder(), path); }

bool LineFile::Open(const Folder& folder, const char* name) {
  Close();
  const int descriptor = FolderAccess::Descriptor(folder);
  if (descriptor == -1) return false;
  const int fd = openat(descriptor, name, kReadFlags);
  if (fd < 0) return false;
  // What was opened, not what the name looked like when the folder was listed: a link to a
  // device such as /dev/zero would feed the header scan for ever.
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return false;
  }
  handle_ = fd;
  atEnd_ = failed_ = false;
  start_ = end_ = 0;
  return true;
}

bool LineFile::ReadLine(char* line, int size) {
  if (handle_ < 0 || size <= 0) return false;
  size_t length = 0;
  while (length + 1 < static_cast<size_t>(size)) {
    if (start_ == end_) {
      if (atEnd_ || failed_) break;
      ssize_t got;
      do {
        got = read(static_cast<int>(handle_), buffer_, sizeof buffer_);
      } while (got < 0 && errno == EINTR);
      if (got < 0) {
        failed_ = true;
        break;
      }
      if (got == 0) {
        atEnd_ = true;
        break;
      }
      start_ = 0;
      end_ = static_cast<uint32_t>(got);
    }
    size_t take = std::min<size_t>(end_ - start_, static_cast<size_t>(size) - 1 - length);
    const void* lineFeed = memchr(buffer_ + start_, '\n', take);
    if (lineFeed != nullptr) take = static_cast<size_t>(static_cast<const char*>(lineFeed) - (buffer_ + start_)) + 1;
    memcpy(line + length, buffer_ + start_, take);
    length += take;
    start_ += static_cast<uint32_t>(take);
    if (lineFeed != nullptr) break;
  }
  line[length] = '\0';
  // As fgets: a read error gives nothing, whatever was read before it.
  return !failed_ && length > 0;
}

bool LineFile::AtEnd() const { return atEnd_; }

bool LineFile::Failed() const { return failed_; }

void LineFile::Close() {
  if (handle_ >= 0) close(static_cast<int>(handle_));
  handle_ = -1;
}

bool CreateDirectoryAt(const char* path) { return mkdir(path, 0777) == 0; }

bool IsAbsolutePath(const char* path) { return path[0] == '/'; }

uint64_t CurrentFileTime() {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return ToFileTime(now.tv_sec, static_cast<uint32_t>(now.tv_nsec));
}

bool FileTimeToDate(uint64_t fileTime, CalendarDate* date) { return CivilDateFromFileTime(fileTime, date); }

}  // namespace platform
