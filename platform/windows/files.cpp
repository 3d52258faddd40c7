// Files, folder searches and file times on Windows.
#include <windows.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "platform/clock.h"
#include "platform/files.h"

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

SearchOutcome SearchFolder(const char* pattern, EntryVisitor& visitor) {
  WIN32_FIND_DATAA data;
  // The basic information level skips the short 8.3 names nobody reads, and large fetches take
  // the entries in fewer trips to the file system. Systems older than Windows 7 refuse both
  // with ERROR_INVALID_PARAMETER: the plain search then does the same work.
  HANDLE search = FindFirstFileExA(pattern, FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER) {
    search = FindFirstFileA(pattern, &data);
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
  do {
    const uint64_t created =
        (static_cast<uint64_t>(data.ftCreationTime.dwHighDateTime) << 32) | data.ftCreationTime.dwLowDateTime;
    visitor.Visit(folder, DirEntry{data.cFileName, data.dwFileAttributes, created});
  } while (FindNextFileA(search, &data));
  FindClose(search);
  return SearchOutcome::kCompleted;
}

bool DeleteEntry(const Folder& folder, const char* name) {
  char path[2048 + MAX_PATH];
  if (!FolderAccess::EntryPath(folder, name, path)) return false;
  if (DeleteFileA(path)) return true;
  // Gone already: another run, or the server, removed it since the search listed it.
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool LineFile::Open(const char* path) {
  Close();
  FILE* stream = fopen(path, "rb");
  if (stream == nullptr) return false;
  // A name such as CON.MAI or NUL.MAI opens a device, not the file: only a regular file is read.
  struct _stat64 info;
  if (_fstat64(_fileno(stream), &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) {
    fclose(stream);
    return false;
  }
  handle_ = reinterpret_cast<intptr_t>(stream);
  return true;
}

bool LineFile::Open(const Folder& folder, const char* name) {
  Close();
  char path[2048 + MAX_PATH];
  return FolderAccess::EntryPath(folder, name, path) && Open(path);
}

bool LineFile::ReadLine(char* line, int size) {
  return handle_ != -1 && fgets(line, size, reinterpret_cast<FILE*>(handle_)) != nullptr;
}

bool LineFile::AtEnd() const { return handle_ == -1 || feof(reinterpret_cast<FILE*>(handle_)) != 0; }

bool LineFile::Failed() const { return handle_ != -1 && ferror(reinterpret_cast<FILE*>(handle_)) != 0; }

void LineFile::Close() {
  if (handle_ != -1) fclose(reinterpret_cast<FILE*>(handle_));
  handle_ = -1;
}

bool CreateDirectoryAt(const char* path) { return CreateDirectoryA(path, nullptr) != 0; }

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
