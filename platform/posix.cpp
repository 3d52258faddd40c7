#include <dirent.h>
#include <errno.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <semaphore.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "platform/civil_date.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/library.h"
#include "platform/mutex.h"
#include "platform/pause.h"
#include "platform/registry.h"
#include "platform/registry_file.h"

namespace platform {

const char kPathSeparator = '/';

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

bool EndsWithNoCase(const char* name, size_t nameLength, const char* suffix, size_t suffixLength) {
  if (nameLength < suffixLength) return false;
  return strncasecmp(name + nameLength - suffixLength, suffix, suffixLength) == 0;
}

// The folder SearchFolder is listing, while it visits the entries. A path to one of them is
// resolved relative to the folder's open descriptor, as find -delete does: one path lookup
// fewer per file, and it names the folder that was listed.
struct SearchedFolder {
  const char* path;
  size_t length;
  int fd;
};
const SearchedFolder* searchedFolder = nullptr;

// The entry name when `path` is the searched folder, one separator and a name; null otherwise.
const char* EntryOfSearchedFolder(const char* path) {
  const SearchedFolder* folder = searchedFolder;
  if (folder == nullptr || strncmp(path, folder->path, folder->length) != 0 || path[folder->length] != '/') {
    return nullptr;
  }
  const char* name = path + folder->length + 1;
  return name[0] != '\0' && strchr(name, '/') == nullptr ? name : nullptr;
}

}  // namespace

SearchOutcome SearchFolder(const char* pattern, EntryVisitor& visitor) {
  const char* lastSeparator = strrchr(pattern, '/');
  if (lastSeparator == nullptr || lastSeparator[1] != '*') return SearchOutcome::kNotStarted;
  const char* suffix = lastSeparator + 2;
  const size_t suffixLength = strlen(suffix);

  // The folder is the pattern up to its last separator; "/" alone stays the root.
  char folder[4096];
  const size_t folderLength = lastSeparator == pattern ? 1 : static_cast<size_t>(lastSeparator - pattern);
  if (folderLength >= sizeof folder) return SearchOutcome::kNotStarted;
  memcpy(folder, pattern, folderLength);
  folder[folderLength] = '\0';

  DIR* dir = opendir(folder);
  // A missing folder is nothing to purge; anything else (access denied, an I/O error, a file
  // where the folder should be) is a folder the run could not do.
  if (dir == nullptr) return errno == ENOENT ? SearchOutcome::kNotStarted : SearchOutcome::kFailed;
  const int dirFd = dirfd(dir);
  const SearchedFolder searched{folder, folderLength, dirFd};
  const SearchedFolder* const outer = searchedFolder;
  searchedFolder = &searched;

  bool started = false;
  while (const dirent* entry = readdir(dir)) {
    const size_t nameLength = strlen(entry->d_name);
    if (!EndsWithNoCase(entry->d_name, nameLength, suffix, suffixLength)) continue;

    // One statx relative to the open directory, never following a link: the link itself is
    // the entry, as DeleteFileAt removes the link and not its target.
    struct statx info;
    if (statx(dirFd, entry->d_name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
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
    if (entry->d_name[0] == '.') attributes |= kAttributeHidden;

    uint64_t created = ToFileTime(info.stx_mtime.tv_sec, info.stx_mtime.tv_nsec);
    if (info.stx_mask & STATX_BTIME) {
      const uint64_t born = ToFileTime(info.stx_btime.tv_sec, info.stx_btime.tv_nsec);
      if (born < created) created = born;
    }

    started = true;
    visitor.Visit(DirEntry{entry->d_name, attributes, created});
  }
  searchedFolder = outer;
  closedir(dir);
  return started ? SearchOutcome::kCompleted : SearchOutcome::kNotStarted;
}

bool DeleteFileAt(const char* path) {
  const char* name = EntryOfSearchedFolder(path);
  const int result = name != nullptr ? unlinkat(searchedFolder->fd, name, 0) : unlink(path);
  return result == 0 || errno == ENOENT;
}

bool LineFile::Open(const char* path) {
  Close();
  // Non-blocking, so that a FIFO put in a message's place cannot stall the run; a regular file
  // reads the same either way.
  constexpr int kFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  const char* name = EntryOfSearchedFolder(path);
  const int fd = name != nullptr ? openat(searchedFolder->fd, name, kFlags) : open(path, kFlags);
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

void WaitForKeyPress() {
  if (!isatty(STDIN_FILENO)) return;
  termios saved;
  if (tcgetattr(STDIN_FILENO, &saved) != 0) return;
  termios raw = saved;
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  tcsetattr(STDIN_FILENO, TCSANOW, &raw);
  char key;
  ssize_t ignored = read(STDIN_FILENO, &key, 1);
  (void)ignored;
  tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

LibraryHandle LoadLibraryAt(const char* path) {
  // dlopen opens whatever the name is and would wait for ever on a FIFO.
  struct stat info;
  if (stat(path, &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
  return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}

void* FindSymbol(LibraryHandle library, const char* name) { return dlsym(library, name); }

void FreeLibraryHandle(LibraryHandle library) { dlclose(library); }

void EnterComApartment() {}

void LeaveComApartment() {}

namespace {

// Far beyond any export of the server's keys; a bound, so that a device or a runaway file named
// as the registry cannot exhaust memory.
constexpr off_t kRegistryFileLimit = 64 * 1024 * 1024;

struct RegistryState {
  bool loaded = false;
  bool readable = true;
  std::string problem;
  RegistryFile file;
};

RegistryState registryState;

const char* RegistryFilePath() {
  const char* path = getenv("QNPURGE_REGISTRY");
  return path != nullptr && path[0] != '\0' ? path : "/etc/quillerton/registry.reg";
}

void Unreadable(const char* path, const char* reason) {
  registryState.readable = false;
  registryState.problem = std::string("The registry file ") + path + " cannot be read: " + reason + ".";
}

// Reads and parses the registry file. No file is an empty registry; anything else that goes
// wrong makes the registry unreadable, and it then holds nothing.
void LoadRegistryFile() {
  registryState = RegistryState();
  registryState.loaded = true;
  const char* path = RegistryFilePath();

  // Non-blocking, so that a FIFO named as the registry is refused instead of waited on.
  const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (errno != ENOENT && errno != ENOTDIR) Unreadable(path, strerror(errno));
    return;
  }
  struct stat info;
  std::string bytes;
  if (fstat(fd, &info) != 0) {
    Unreadable(path, strerror(errno));
  } else if (!S_ISREG(info.st_mode)) {
    Unreadable(path, "it is not a regular file");
  } else if (info.st_size > kRegistryFileLimit) {
    Unreadable(path, "it is larger than 64 MiB");
  } else {
    bytes.reserve(static_cast<size_t>(info.st_size));  // no doubling copies of a 64 MiB file
    char chunk[65536];
    for (;;) {
      const ssize_t got = read(fd, chunk, sizeof chunk);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) {
        Unreadable(path, strerror(errno));
        break;
      }
      if (got == 0) break;
      bytes.append(chunk, static_cast<size_t>(got));
      if (bytes.size() > static_cast<size_t>(kRegistryFileLimit)) {
        Unreadable(path, "it is larger than 64 MiB");
        break;
      }
    }
  }
  close(fd);
  if (!registryState.readable) return;

  RegistryFile::Problem problem;
  if (!registryState.file.Parse(bytes, &problem)) {
    registryState.readable = false;
    registryState.problem = std::string("The registry file ") + path + " cannot be used: ";
    if (problem.line > 0) registryState.problem += "line " + std::to_string(problem.line) + ": ";
    registryState.problem += problem.reason + ".";
  }
}

RegistryState& Registry() {
  if (!registryState.loaded) LoadRegistryFile();
  return registryState;
}

}  // namespace

RegistryRead QueryRegistryValue(const char* subKey, const char* valueName, void* buffer, uint32_t* size) {
  const std::string* data = nullptr;
  switch (Registry().file.Find(subKey, valueName, &data)) {
    case RegistryFile::Lookup::kNoKey:
      return RegistryRead::kNoKey;
    case RegistryFile::Lookup::kNoValue:
      return RegistryRead::kNoValue;
    case RegistryFile::Lookup::kFound:
      break;
  }
  const bool fits = data->size() <= *size;
  *size = static_cast<uint32_t>(data->size());
  if (!fits) return RegistryRead::kTooLarge;
  if (!data->empty()) memcpy(buffer, data->data(), data->size());
  return RegistryRead::kRead;
}

bool RegistryIsReadable(char* problem, size_t problemSize) {
  const RegistryState& state = Registry();
  if (state.readable) return true;
  if (problemSize > 0) snprintf(problem, problemSize, "%s", state.problem.c_str());
  return false;
}

void ForgetRegistryFile() { registryState = RegistryState(); }

PauseEvent CreatePauseEvent() {
  // Nothing waits on an object here: the event only has to be non-null.
  static char event;
  return &event;
}

void ClosePauseEvent(PauseEvent) {}

int WaitPumpingMessages(PauseEvent event, uint32_t milliseconds) {
  if (event == nullptr || milliseconds == 0) return 0;
  timespec until;
  clock_gettime(CLOCK_MONOTONIC, &until);
  until.tv_sec += milliseconds / 1000;
  until.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
  if (until.tv_nsec >= 1000000000L) {
    until.tv_sec += 1;
    until.tv_nsec -= 1000000000L;
  }
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
  }
  return 0;
}

namespace {

// A named kernel mutex is a POSIX named semaphore of count 1; an unnamed one is a mutex private to
// the process. Nothing acquires either: the handle only has to stand for one object.
struct KernelMutex {
  sem_t* named = nullptr;
  std::mutex local;
};

// The semaphore name for a kernel mutex name: a leading '/' and no other. False when the name
// cannot be one.
bool SemaphoreName(const char* name, char* out, size_t size) {
  if (strchr(name, '/') != nullptr) return false;
  const int length = snprintf(out, size, "/%s", name);
  return length > 0 && static_cast<size_t>(length) < size;
}

KernelMutexHandle HoldSemaphore(sem_t* semaphore) {
  if (semaphore == SEM_FAILED) return nullptr;
  KernelMutex* mutex = new (std::nothrow) KernelMutex;
  if (mutex == nullptr) {
    sem_close(semaphore);
    return nullptr;
  }
  mutex->named = semaphore;
  return mutex;
}

}  // namespace

KernelMutexHandle OpenKernelMutex(const char* name) {
  char semaphoreName[256];
  if (name == nullptr || !SemaphoreName(name, semaphoreName, sizeof semaphoreName)) return nullptr;
  return HoldSemaphore(sem_open(semaphoreName, 0));
}

KernelMutexHandle CreateKernelMutex(const char* name) {
  // An empty name makes an unnamed mutex, as on Windows.
  if (name == nullptr || name[0] == '\0') return new (std::nothrow) KernelMutex;
  char semaphoreName[256];
  if (!SemaphoreName(name, semaphoreName, sizeof semaphoreName)) return nullptr;
  return HoldSemaphore(sem_open(semaphoreName, O_CREAT, 0600, 1));
}

void CloseKernelMutex(KernelMutexHandle handle) {
  KernelMutex* mutex = static_cast<KernelMutex*>(handle);
  if (mutex == nullptr) return;
  if (mutex->named != nullptr) sem_close(mutex->named);
  delete mutex;
}

}  // namespace platform
