// Files, folder searches and file times on Linux: the search reads each entry's times with statx,
// which only Linux has.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <string_view>

#include "platform/ascii.h"
#include "platform/civil_date.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/files.h"
#include "platform/system.h"

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

using fault::Fails;
using fault::Point;

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

// The entry's attributes and creation time from one statx relative to the open folder, never
// following a link: the link itself is the entry, as DeleteEntry removes the link and not its
// target. False with errno set when they cannot be read; `attributes` 0 for an entry that is
// neither a file, a link nor a folder.
bool ReadEntryInfo(int folder, const char* name, uint32_t* attributes, uint64_t* created, uint64_t* size) {
  if (Fails(Point::kEntryInfo)) {
    errno = EIO;
    return false;
  }
  struct statx info;
  constexpr unsigned kWanted = STATX_TYPE | STATX_MODE | STATX_MTIME | STATX_BTIME | STATX_SIZE;
  if (statx(folder, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kWanted, &info) != 0) {
    return false;
  }
  if (S_ISDIR(info.stx_mode)) {
    *attributes = kAttributeDirectory;
  } else if (S_ISREG(info.stx_mode)) {
    *attributes = kAttributeNormal;
  } else if (S_ISLNK(info.stx_mode)) {
    *attributes = kAttributeNormal | kAttributeReparsePoint;
  } else {
    // A FIFO, socket or device named *.MAI is no message: opening one to read its header
    // could block the run.
    *attributes = 0;
  }
  *size = info.stx_size;
  *created = ToFileTime(info.stx_mtime.tv_sec, info.stx_mtime.tv_nsec);
  if (info.stx_mask & STATX_BTIME) {
    const uint64_t born = ToFileTime(info.stx_btime.tv_sec, info.stx_btime.tv_nsec);
    if (born < *created) *created = born;
  }
  return true;
}

// The next part of a folder's listing into `buffer`: its size in bytes, 0 at the end, -1 with
// errno set on an error.
ssize_t ReadListing(int folder, char* buffer, size_t size) {
  if (Fails(Point::kReadFolder)) {
    errno = EIO;
    return -1;
  }
  ssize_t got;
  do {
    got = getdents64(folder, buffer, size);
  } while (got < 0 && errno == EINTR);
  return got;
}

}  // namespace

SearchOutcome HostSystem::SearchFolder(const char* pattern, EntryVisitor& visitor) {
  const char* lastSeparator = strrchr(pattern, '/');
  if (lastSeparator == nullptr || lastSeparator[1] != '*') return SearchOutcome::kNotStarted;
  const std::string_view suffix(lastSeparator + 2);

  // The folder is the pattern up to its last separator; "/" alone stays the root.
  char path[4096];
  const size_t pathLength = lastSeparator == pattern ? 1 : static_cast<size_t>(lastSeparator - pattern);
  if (pathLength >= sizeof path) return SearchOutcome::kNotStarted;
  memcpy(path, pattern, pathLength);
  path[pathLength] = '\0';

  const int descriptor = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // A missing folder is nothing to purge; anything else (access denied, an I/O error, a file
  // where the folder should be) is a folder the run could not do.
  if (descriptor < 0) return errno == ENOENT ? SearchOutcome::kNotStarted : SearchOutcome::kFailed;
  Folder folder;
  FolderAccess::SetDescriptor(folder, descriptor);

  // The listing is read in parts of the size the C runtime's readdir uses; getdents64 tells an
  // error from the end, where readdir returns no entry for both.
  alignas(dirent64) char listing[32768];
  bool visited = false;
  bool unfinished = false;
  for (;;) {
    const ssize_t got = ReadListing(descriptor, listing, sizeof listing);
    if (got <= 0) {
      if (got < 0) unfinished = true;
      break;
    }
    for (ssize_t offset = 0; offset < got;) {
      const auto* entry = reinterpret_cast<const dirent64*>(listing + offset);
      offset += entry->d_reclen;
      if (!ascii::EndsWithNoCase(entry->d_name, suffix)) continue;
      uint32_t attributes;
      uint64_t created;
      uint64_t size;
      if (!ReadEntryInfo(descriptor, entry->d_name, &attributes, &created, &size)) {
        // Gone since it was listed is no message; any other failure leaves the folder unfinished.
        if (errno != ENOENT) unfinished = true;
        continue;
      }
      if (attributes == 0) continue;
      visited = true;
      visitor.Visit(folder, DirEntry{entry->d_name, attributes, created, size});
    }
  }
  close(descriptor);
  if (!visited) return unfinished ? SearchOutcome::kFailed : SearchOutcome::kNotStarted;
  return unfinished ? SearchOutcome::kUnfinished : SearchOutcome::kCompleted;
}

namespace {

// The entry goes by name through the open folder, at one call: the listing judged it moments ago.
DeleteOutcome Unlink(const Folder& folder, const DirEntry& entry) {
  const int descriptor = FolderAccess::Descriptor(folder);
  if (descriptor < 0) return DeleteOutcome::kFailed;
  if (unlinkat(descriptor, entry.name, 0) == 0) return DeleteOutcome::kDeleted;
  return errno == ENOENT ? DeleteOutcome::kGone : DeleteOutcome::kFailed;
}

}  // namespace

DeleteOutcome HostSystem::DeleteEntry(const Folder& folder, const DirEntry& entry, const AgeJudge&, FileFacts* facts) {
  *facts = FileFacts{entry.creationTime, entry.size};
  return Unlink(folder, entry);
}

OpenOutcome HostSystem::OpenMessage(const Folder& folder, const DirEntry& entry, const AgeJudge*, FileFacts* facts,
                                    MessageHandle* handle) {
  if (facts != nullptr) *facts = FileFacts{entry.creationTime, entry.size};
  const int descriptor = FolderAccess::Descriptor(folder);
  if (descriptor < 0) return OpenOutcome::kFailed;

  // What the listing saw as a regular file is opened without following a link, and then needs
  // no second look: a link put in its place since fails the open (ELOOP), and is then checked
  // like any link. Anything endless swapped in otherwise is stopped by the read limit and by
  // the non-blocking read.
  int fd = -1;
  if (!(entry.attributes & kAttributeReparsePoint)) {
    fd = openat(descriptor, entry.name, kReadFlags | O_NOFOLLOW);
    if (fd < 0 && errno != ELOOP) return errno == ENOENT ? OpenOutcome::kGone : OpenOutcome::kFailed;
  }
  if (fd < 0) {
    // A link: what it names must be a regular file. A link to a device such as /dev/zero would
    // feed the header scan for ever, one to a FIFO or socket could block it.
    fd = openat(descriptor, entry.name, kReadFlags);
    struct stat info;
    if (fd < 0) {
      if (errno != ENOENT && errno != ENXIO && errno != ENODEV && errno != ELOOP) return OpenOutcome::kFailed;
      // No target: the link may still be there (dangling), or gone itself. One that cannot be
      // looked at is a header that could not be read, not a link known to name no file.
      if (Fails(Point::kEntryInfo)) return OpenOutcome::kFailed;
      if (fstatat(descriptor, entry.name, &info, AT_SYMLINK_NOFOLLOW) == 0) return OpenOutcome::kLeft;
      return errno == ENOENT ? OpenOutcome::kGone : OpenOutcome::kFailed;
    }
    const bool looked = !Fails(Point::kEntryInfo) && fstat(fd, &info) == 0;
    if (!looked || !S_ISREG(info.st_mode)) {
      close(fd);
      return looked ? OpenOutcome::kLeft : OpenOutcome::kFailed;
    }
  }
  *handle = MessageHandle{fd, false};
  return OpenOutcome::kOpened;
}

int64_t HostSystem::ReadMessage(MessageHandle handle, char* buffer, uint32_t wanted) {
  // The fault point fails as read does, and takes the same way out.
  ssize_t got;
  do {
    got = Fails(Point::kReadMessage) ? (errno = EIO, -1) : read(static_cast<int>(handle.value), buffer, wanted);
  } while (got < 0 && errno == EINTR);
  // A folder put in the file's place since it was listed reads as empty. Any other error,
  // EAGAIN included (a FIFO swapped in, with a writer that sends nothing), is a failed read.
  return got < 0 && errno == EISDIR ? 0 : got;
}

void HostSystem::CloseMessage(MessageHandle handle) {
  // Nothing was written through the descriptor, and close releases it even when it reports an
  // error: a failed close changes nothing, so it has no fault point.
  close(static_cast<int>(handle.value));
}

DeleteOutcome HostSystem::DeleteOpenMessage(MessageHandle handle, const Folder& folder, const DirEntry& entry) {
  // No call marks an open file for deletion here: the entry goes by name, as a delete alone.
  CloseMessage(handle);
  return Unlink(folder, entry);
}

bool HostSystem::CreateDirectoryAt(const char* path) { return mkdir(path, 0777) == 0; }

bool IsAbsolutePath(const char* path) { return path[0] == '/'; }

ExactName ExactNameOf(const DirEntry& entry) {
  return ExactName{entry.name, static_cast<uint32_t>(strlen(entry.name))};
}

uint32_t FolderIdentity(const char* path, char* key, uint32_t keySize) {
  const size_t length = strlen(path);
  if (length >= keySize) return 0;
  memcpy(key, path, length + 1);
  return static_cast<uint32_t>(length);
}

FolderCheck HostSystem::CheckFolder(const char* path) {
  struct stat info;
  if (stat(path, &info) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? FolderCheck::kMissing : FolderCheck::kFailed;
  }
  return S_ISDIR(info.st_mode) ? FolderCheck::kFolder : FolderCheck::kNotAFolder;
}

uint64_t HostSystem::CurrentFileTime() {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return ToFileTime(now.tv_sec, static_cast<uint32_t>(now.tv_nsec));
}

bool FileTimeToDate(uint64_t fileTime, CalendarDate* date) { return CivilDateFromFileTime(fileTime, date); }

}  // namespace platform
