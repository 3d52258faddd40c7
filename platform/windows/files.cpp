// Files, folder searches and file times on Windows.
#include <windows.h>

#include <cstring>

#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/files.h"

// The system's own status of the calling thread's last failed call (ntdll).
extern "C" NTSYSAPI LONG NTAPI RtlGetLastNtStatus();

namespace platform {

const char kPathSeparator = '\\';

// The folder path with its trailing separator, for the search that lists the folder and the
// calls that act on its entries.
class FolderAccess {
 public:
  static void SetPrefix(Folder& folder, const char* prefix, uint32_t length) {
    folder.prefix_ = prefix;
    folder.prefixLength_ = length;
  }
  // The full path of the entry `name` in `path` (MAX_PATH more than the tool's paths): false
  // when there is no folder or it does not fit.
  static bool EntryPath(const Folder& folder, const char* name, char (&path)[2048 + MAX_PATH]) {
    const size_t nameLength = strlen(name);
    if (folder.prefix_ == nullptr || folder.prefixLength_ + nameLength >= sizeof path) return false;
    memcpy(path, folder.prefix_, folder.prefixLength_);
    memcpy(path + folder.prefixLength_, name, nameLength + 1);
    return true;
  }
};

namespace {

using fault::Fails;
using fault::Point;

constexpr LONG kStatusDeletePending = static_cast<LONG>(0xC0000056);

// True when the last call on a file failed with `error` because the file is gone, or is being
// deleted: a file pending deletion refuses to be opened or deleted again with access denied, and
// only the system's own status of that call tells it apart from a file that may not be touched.
bool GoneOrBeingDeleted(DWORD error) {
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
  return error == ERROR_ACCESS_DENIED && RtlGetLastNtStatus() == kStatusDeletePending;
}

}  // namespace

SearchOutcome SearchFolder(const char* pattern, EntryVisitor& visitor) {
  WIN32_FIND_DATAA data;
  HANDLE search = INVALID_HANDLE_VALUE;
  if (Fails(Point::kListFolder)) {
    SetLastError(ERROR_ACCESS_DENIED);
  } else {
    // The basic information level skips the short 8.3 names nobody reads, and large fetches take
    // the entries in fewer trips to the file system. Systems older than Windows 7 refuse both
    // with ERROR_INVALID_PARAMETER: the plain search then does the same work.
    search = FindFirstFileExA(pattern, FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                              FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER) {
      search = FindFirstFileA(pattern, &data);
    }
  }
  if (search == INVALID_HANDLE_VALUE) {
    // No match and a missing folder are nothing to purge; access denied, a device error or a
    // file where the folder should be is a folder the run could not do.
    const DWORD error = GetLastError();
    const bool nothing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_NO_MORE_FILES;
    return nothing ? SearchOutcome::kNotStarted : SearchOutcome::kFailed;
  }
  // Entries are named relative to the folder: the pattern up to its last separator.
  const char* lastSeparator = strrchr(pattern, '\\');
  Folder folder;
  if (lastSeparator != nullptr) {
    FolderAccess::SetPrefix(folder, pattern, static_cast<uint32_t>(lastSeparator + 1 - pattern));
  }
  DWORD error = ERROR_NO_MORE_FILES;
  for (;;) {
    const uint64_t created =
        (static_cast<uint64_t>(data.ftCreationTime.dwHighDateTime) << 32) | data.ftCreationTime.dwLowDateTime;
    const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    visitor.Visit(folder, DirEntry{data.cFileName, data.dwFileAttributes, created, size});
    if (Fails(Point::kReadFolder)) {
      error = ERROR_NETNAME_DELETED;
      break;
    }
    if (!FindNextFileA(search, &data)) {
      error = GetLastError();
      break;
    }
  }
  FindClose(search);
  // Only "no more files" ends a listing: any other error leaves entries unseen.
  return error == ERROR_NO_MORE_FILES ? SearchOutcome::kCompleted : SearchOutcome::kUnfinished;
}

bool DeleteEntry(const Folder& folder, const char* name) {
  char path[2048 + MAX_PATH];
  if (!FolderAccess::EntryPath(folder, name, path) || Fails(Point::kDelete)) return false;
  // Gone already, or another run is deleting it: either way it goes. A read-only file, or one
  // another program holds open without sharing it for deletion, stays.
  return DeleteFileA(path) || GoneOrBeingDeleted(GetLastError());
}

OpenOutcome LineFile::Open(const Folder& folder, const DirEntry& entry) {
  Close();
  char path[2048 + MAX_PATH];
  if (!FolderAccess::EntryPath(folder, entry.name, path) || Fails(Point::kOpenMessage)) return OpenOutcome::kFailed;
  // Shared for reading, writing and deletion: the server may write the file, and another run may
  // delete it while this one reads its header (the runtime's fopen would refuse it that).
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return GoneOrBeingDeleted(GetLastError()) ? OpenOutcome::kGone : OpenOutcome::kFailed;
  }
  // A name such as CON.MAI or NUL.MAI opens a device, not the file: only a file on disk is read.
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return OpenOutcome::kNotAFile;
  }
  Start(reinterpret_cast<intptr_t>(file));
  return OpenOutcome::kOpened;
}

int64_t LineFile::ReadSome(uint32_t wanted) {
  DWORD got = 0;
  if (Fails(Point::kReadMessage) || !ReadFile(reinterpret_cast<HANDLE>(handle_), buffer_, wanted, &got, nullptr)) {
    return -1;
  }
  return got;
}

void LineFile::Close() {
  if (handle_ == -1) return;
  // Nothing was written through the handle, and it is released even when CloseHandle reports an
  // error: a failed close, injected or real, changes nothing.
  static_cast<void>(Fails(Point::kCloseMessage));
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = -1;
}

bool CreateDirectoryAt(const char* path) {
  return !Fails(Point::kCreateDirectory) && CreateDirectoryA(path, nullptr) != 0;
}

bool IsAbsolutePath(const char* path) {
  const bool rooted = path[0] != '\0' && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
  const bool driveLetter = (path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z');
  if (driveLetter && rooted) return true;
  // A UNC path; "\\dir" without a drive would follow the current drive.
  return (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/');
}

uint64_t CurrentFileTime() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  FILETIME fileTime;
  SystemTimeToFileTime(&now, &fileTime);
  return (static_cast<uint64_t>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
}

bool FileTimeToDate(uint64_t fileTime, CalendarDate* date) {
  FILETIME in;
  in.dwLowDateTime = static_cast<DWORD>(fileTime);
  in.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
  SYSTEMTIME out;
  if (!FileTimeToSystemTime(&in, &out)) return false;
  date->year = out.wYear;
  date->month = out.wMonth;
  date->day = out.wDay;
  date->hour = out.wHour;
  date->minute = out.wMinute;
  date->second = out.wSecond;
  return true;
}

}  // namespace platform
