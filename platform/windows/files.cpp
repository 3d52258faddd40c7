// Files, folder searches and file times on Windows.
#include <windows.h>

#include <cstring>

#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/windows/answers.h"

// The system's own status of the calling thread's last failed call (ntdll).
extern "C" NTSYSAPI LONG NTAPI RtlGetLastNtStatus();

namespace platform {

const char kPathSeparator = '\\';

// The full folder path with its trailing separator, for the search that lists the folder and the
// calls that act on its entries, and how long the calls on its entries waited for held files.
class FolderAccess {
 public:
  static void SetPrefix(Folder& folder, const wchar_t* prefix, uint32_t length) {
    folder.prefix_ = prefix;
    folder.prefixLength_ = length;
  }
  static uint32_t& Waited(const Folder& folder) { return folder.waited_; }

  // The full path of `entry` of `folder` by its real name: false when there is no folder, the
  // name does not convert or the path does not fit.
  static bool EntryPath(const Folder& folder, const DirEntry& entry, WidePath& path);
};

namespace {

using fault::Fails;
using fault::Point;

// A file another program holds without sharing it for deletion is tried again after each of
// these waits (half a second in all), as long as the waits of its folder stay within a second:
// past that each held file of the folder gets one try, so that a folder a backup holds, whole or
// in part, never stalls the run.
constexpr DWORD kLockedRetryWaits[] = {100, 150, 250};
constexpr uint32_t kFolderWaitLimit = 1000;

// Whether the last call on a file failed because the file is gone or being deleted.
bool LastCallFoundItGone() { return GoneOrBeingDeleted(GetLastError(), static_cast<uint32_t>(RtlGetLastNtStatus())); }

bool HeldByAnotherProgram(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION; }

// Makes `attempt` (true when it succeeded, the last error set when not), and again after each
// wait while another program holds the file and the folder's waits stay within their limit. The
// last error stays that of the last attempt.
template <typename Attempt>
bool AttemptWhileHeld(const Folder& folder, Attempt attempt) {
  uint32_t& waited = FolderAccess::Waited(folder);
  bool done = attempt();
  for (DWORD wait : kLockedRetryWaits) {
    if (done || !HeldByAnotherProgram(GetLastError()) || waited + wait > kFolderWaitLimit) break;
    Sleep(wait);
    waited += wait;
    done = attempt();
  }
  return done;
}

// Appends `text` of `length` units to `path` at `*used`; false when it does not fit.
bool Append(WidePath& path, size_t* used, const wchar_t* text, size_t length) {
  if (*used + length >= kWidePathSize) return false;
  memcpy(path + *used, text, length * sizeof(wchar_t));
  *used += length;
  path[*used] = L'\0';
  return true;
}

}  // namespace

// The plain form reads a name such as LPT9.MAI as a device, drops trailing dots and spaces and
// folds "..", and stops at MAX_PATH.
bool JoinPath(WidePath& path, const wchar_t* prefix, size_t prefixLength, const wchar_t* name, size_t nameLength) {
  size_t used = 0;
  path[0] = L'\0';
  const bool literal = wcsncmp(prefix, L"\\\\?\\", 4) == 0 || wcsncmp(prefix, L"\\\\.\\", 4) == 0;
  if (!literal) {
    if (wcsncmp(prefix, L"\\\\", 2) == 0) {
      if (!Append(path, &used, L"\\\\?\\UNC\\", 8)) return false;
      prefix += 2;
      prefixLength -= 2;
    } else if (!Append(path, &used, L"\\\\?\\", 4)) {
      return false;
    }
  }
  return Append(path, &used, prefix, prefixLength) && Append(path, &used, name, nameLength);
}

bool GoneOrBeingDeleted(uint32_t error, uint32_t ntStatus) {
  constexpr uint32_t kStatusDeletePending = 0xC0000056;
  if (error == ERROR_FILE_NOT_FOUND) return true;
  return error == ERROR_ACCESS_DENIED && ntStatus == kStatusDeletePending;
}

namespace {

// `text` from the code page into `wide`, every byte exactly: false when it holds a sequence
// the code page does not define.
bool FromCodePage(const char* text, wchar_t* wide, int size) {
  return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, wide, size) > 0;
}

// The real name of `wide` in the code page for printing and the checks of the core; true in
// `*substituted` when a character the code page lacks became '?'. Never best-fit mapping: that
// turns a fullwidth reverse solidus into a separator and a fullwidth letter into a plain one,
// another name.
bool ToCodePage(const wchar_t* wide, UINT codePage, char* text, int size, bool* substituted) {
  BOOL usedDefault = FALSE;
  bool unpaired = false;
  int length;
  if (codePage == CP_UTF8) {
    // UTF-8 takes no flags and reports no default character; only an unpaired surrogate has no
    // exact form.
    for (const wchar_t* c = wide; *c != L'\0'; ++c) {
      const bool high = *c >= 0xD800 && *c <= 0xDBFF;
      const bool low = *c >= 0xDC00 && *c <= 0xDFFF;
      if (high && c[1] >= 0xDC00 && c[1] <= 0xDFFF) {
        ++c;
      } else if (high || low) {
        unpaired = true;
      }
    }
    length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, size, nullptr, nullptr);
  } else {
    length = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide, -1, text, size, nullptr, &usedDefault);
  }
  // A '?' of the real name makes every '?' printed count as real, so that the core refuses it.
  *substituted = (usedDefault || unpaired) && wcschr(wide, L'?') == nullptr;
  return length > 0;
}

// `path` from the code page made full in `full`: its length in units, 0 when it does not convert
// or fit.
DWORD FullPathOf(const char* path, WidePath& full) {
  WidePath given;
  if (!FromCodePage(path, given, kWidePathSize)) return 0;
  const DWORD length = GetFullPathNameW(given, kWidePathSize, full, nullptr);
  return length < kWidePathSize ? length : 0;
}

}  // namespace

bool FolderAccess::EntryPath(const Folder& folder, const DirEntry& entry, WidePath& path) {
  if (folder.prefix_ == nullptr) return false;
  const wchar_t* name = static_cast<const wchar_t*>(entry.systemName);
  wchar_t converted[MAX_PATH];
  if (name == nullptr) {
    // An entry no listing gave: its name in the code page.
    if (!FromCodePage(entry.name, converted, MAX_PATH)) return false;
    name = converted;
  }
  return JoinPath(path, folder.prefix_, folder.prefixLength_, name, wcslen(name));
}

SearchOutcome HostSystem::SearchFolder(const char* pattern, EntryVisitor& visitor) {
  // The pattern is converted once per folder and made full: the "\\?\" form that a long path
  // needs takes no relative path, no '/' and no "..".
  WidePath full;
  WidePath searchPath;
  if (FullPathOf(pattern, full) == 0) return SearchOutcome::kFailed;
  // Entries are named relative to the folder: the full pattern up to its last separator.
  const wchar_t* lastSeparator = wcsrchr(full, L'\\');
  if (lastSeparator == nullptr) return SearchOutcome::kFailed;
  const size_t prefixLength = static_cast<size_t>(lastSeparator + 1 - full);
  if (!JoinPath(searchPath, full, prefixLength, lastSeparator + 1, wcslen(lastSeparator + 1))) {
    return SearchOutcome::kFailed;
  }

  WIN32_FIND_DATAW data;
  // The basic information level skips the short 8.3 names nobody reads, and large fetches take
  // the entries in fewer trips to the file system. Systems older than Windows 7 refuse both
  // with ERROR_INVALID_PARAMETER: the plain search then does the same work.
  HANDLE search =
      FindFirstFileExW(searchPath, FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER) {
    search = FindFirstFileW(searchPath, &data);
  }
  if (search == INVALID_HANDLE_VALUE) {
    // No match and a missing folder are nothing to purge; access denied, a device error or a
    // file where the folder should be is a folder the run could not do.
    const DWORD error = GetLastError();
    const bool nothing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_NO_MORE_FILES;
    return nothing ? SearchOutcome::kNotStarted : SearchOutcome::kFailed;
  }
  Folder folder;
  FolderAccess::SetPrefix(folder, full, static_cast<uint32_t>(prefixLength));
  const UINT codePage = GetACP();
  // A name of up to 259 UTF-16 units takes at most three bytes each in any code page.
  char name[3 * MAX_PATH + 1];
  bool unconverted = false;
  DWORD error = ERROR_NO_MORE_FILES;
  for (;;) {
    bool substituted = false;
    if (ToCodePage(data.cFileName, codePage, name, sizeof name, &substituted)) {
      const uint64_t created =
          (static_cast<uint64_t>(data.ftCreationTime.dwHighDateTime) << 32) | data.ftCreationTime.dwLowDateTime;
      const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
      visitor.Visit(folder, DirEntry{name, data.dwFileAttributes, created, size, substituted, data.cFileName});
    } else {
      unconverted = true;  // never seen: the folder is not finished
    }
    if (Fails(Point::kReadFolder)) {
      error = ERROR_NETNAME_DELETED;
      break;
    }
    if (!FindNextFileW(search, &data)) {
      error = GetLastError();
      break;
    }
  }
  FindClose(search);
  // Only "no more files" ends a listing: any other error leaves entries unseen.
  return error == ERROR_NO_MORE_FILES && !unconverted ? SearchOutcome::kCompleted : SearchOutcome::kUnfinished;
}

namespace {

// Opens the entry of `folder` by its literal path with `access`, sharing it for reading, writing
// and deletion: the server may write the file, and another run may delete it meanwhile. A reparse point is the entry
// itself, never what it names. The file is judged through the handle: only a plain file that `judge` calls old (any
// plain file without one) stays open in `*opened`, with `facts` read through the handle. Each retry of a held file
// opens and judges it again: another file may bear the name by then.
OpenOutcome OpenJudged(const Folder& folder, const DirEntry& entry, DWORD access, const AgeJudge* judge,
                       FileFacts* facts, HANDLE* opened) {
  WidePath path;
  if (!FolderAccess::EntryPath(folder, entry, path)) return OpenOutcome::kFailed;
  HANDLE file = INVALID_HANDLE_VALUE;
  AttemptWhileHeld(folder, [&] {
    file = CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    return file != INVALID_HANDLE_VALUE;
  });
  if (file == INVALID_HANDLE_VALUE) {
    return LastCallFoundItGone() ? OpenOutcome::kGone : OpenOutcome::kFailed;
  }
  // Two small reads: the whole-file GetFileInformationByHandle also asks for the volume and the
  // file's name, and costs three times as much per delete under Wine.
  FILE_BASIC_INFO basic;
  FILE_STANDARD_INFO standard;
  if (Fails(Point::kEntryInfo) || !GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) ||
      !GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard)) {
    CloseHandle(file);
    SetLastError(ERROR_IO_DEVICE);
    return OpenOutcome::kFailed;
  }
  const uint64_t created = static_cast<uint64_t>(basic.CreationTime.QuadPart);
  constexpr DWORD kNoPlainFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
  if ((basic.FileAttributes & kNoPlainFile) != 0 || (judge != nullptr && !judge->IsOld(created))) {
    CloseHandle(file);
    return OpenOutcome::kLeft;
  }
  if (facts != nullptr) *facts = FileFacts{created, static_cast<uint64_t>(standard.EndOfFile.QuadPart)};
  *opened = file;
  return OpenOutcome::kOpened;
}

// Marks the open `file` for deletion: it goes when its last handle closes. A read-only file
// refuses it and stays.
DeleteOutcome MarkForDeletion(HANDLE file) {
  if (Fails(Point::kDisposition)) return DeleteOutcome::kFailed;
  FILE_DISPOSITION_INFO disposition{TRUE};
  if (SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition)) {
    return DeleteOutcome::kDeleted;
  }
  return LastCallFoundItGone() ? DeleteOutcome::kGone : DeleteOutcome::kFailed;
}

}  // namespace

DeleteOutcome HostSystem::DeleteEntry(const Folder& folder, const DirEntry& entry, const AgeJudge& judge,
                                      FileFacts* facts) {
  HANDLE file = INVALID_HANDLE_VALUE;
  switch (OpenJudged(folder, entry, DELETE | FILE_READ_ATTRIBUTES, &judge, facts, &file)) {
    case OpenOutcome::kOpened:
      break;
    case OpenOutcome::kGone:
      return DeleteOutcome::kGone;
    case OpenOutcome::kLeft:
      return DeleteOutcome::kLeft;
    case OpenOutcome::kFailed:
      return DeleteOutcome::kFailed;
  }
  const DeleteOutcome outcome = MarkForDeletion(file);
  CloseHandle(file);
  return outcome;
}

OpenOutcome HostSystem::OpenMessage(const Folder& folder, const DirEntry& entry, const AgeJudge* judge,
                                    FileFacts* facts, MessageHandle* handle) {
  HANDLE file = INVALID_HANDLE_VALUE;
  bool deletable = judge != nullptr;
  OpenOutcome outcome =
      OpenJudged(folder, entry, deletable ? GENERIC_READ | DELETE : GENERIC_READ, judge, facts, &file);
  if (deletable && outcome == OpenOutcome::kFailed && GetLastError() == ERROR_ACCESS_DENIED) {
    // An account that may read the message but not delete it: its header still says whether it
    // should go, and the deletion then fails instead of the read.
    outcome = OpenJudged(folder, entry, GENERIC_READ, judge, facts, &file);
    deletable = false;
  }
  if (outcome == OpenOutcome::kOpened) *handle = MessageHandle{reinterpret_cast<intptr_t>(file), deletable};
  return outcome;
}

void HostSystem::CloseMessage(MessageHandle handle) {
  // Nothing was written through the handle, and it is released even when CloseHandle reports an
  // error: a failed close changes nothing, so it has no fault point.
  CloseHandle(reinterpret_cast<HANDLE>(handle.value));
}

DeleteOutcome HostSystem::DeleteOpenMessage(MessageHandle handle, const Folder&, const DirEntry&) {
  // The handle that read the header deletes the file when it closes: a name swapped since the
  // read cannot redirect the deletion.
  const DeleteOutcome outcome =
      handle.deletable ? MarkForDeletion(reinterpret_cast<HANDLE>(handle.value)) : DeleteOutcome::kFailed;
  CloseMessage(handle);
  return outcome;
}

int64_t HostSystem::ReadMessage(MessageHandle handle, char* buffer, uint32_t wanted) {
  DWORD got = 0;
  if (Fails(Point::kReadMessage) || !ReadFile(reinterpret_cast<HANDLE>(handle.value), buffer, wanted, &got, nullptr)) {
    return -1;
  }
  return got;
}

bool HostSystem::CreateDirectoryAt(const char* path) { return CreateDirectoryA(path, nullptr) != 0; }

bool IsAbsolutePath(const char* path) {
  const bool rooted = path[0] != '\0' && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
  const bool driveLetter = (path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z');
  if (driveLetter && rooted) return true;
  // A UNC path; "\\dir" without a drive would follow the current drive.
  return (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/');
}

ExactName ExactNameOf(const DirEntry& entry) {
  if (entry.systemName == nullptr) return ExactName{entry.name, static_cast<uint32_t>(strlen(entry.name))};
  const auto* wide = static_cast<const wchar_t*>(entry.systemName);
  return ExactName{static_cast<const char*>(entry.systemName), static_cast<uint32_t>(wcslen(wide) * sizeof *wide)};
}

uint32_t FolderIdentity(const char* path, char* key, uint32_t keySize) {
  // NTFS matches names through its table of upper-case letters, which covers every script, not
  // the a to z of the C runtime: the invariant upper case is that table.
  WidePath wide;
  WidePath upper;
  const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, wide, kWidePathSize) - 1;
  const uint32_t bytes = static_cast<uint32_t>(length) * sizeof(wchar_t);
  if (length > 0 && bytes <= keySize &&
      LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide, length, upper, length, nullptr, nullptr, 0) ==
          length) {
    memcpy(key, upper, bytes);
    return bytes;
  }
  const size_t plain = strlen(path);
  if (plain >= keySize) return 0;
  memcpy(key, path, plain + 1);
  return static_cast<uint32_t>(plain);
}

FolderCheck HostSystem::CheckFolder(const char* path) {
  WidePath full;
  WidePath checked;
  const DWORD fullLength = FullPathOf(path, full);
  if (fullLength == 0 || !JoinPath(checked, full, fullLength, L"", 0)) return FolderCheck::kFailed;
  const DWORD attributes = GetFileAttributesW(checked);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    // A drive letter that is not mapped or a share that is gone: nothing is there.
    const DWORD error = GetLastError();
    const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                         error == ERROR_INVALID_DRIVE || error == ERROR_BAD_NETPATH || error == ERROR_BAD_NET_NAME;
    return missing ? FolderCheck::kMissing : FolderCheck::kFailed;
  }
  return attributes & FILE_ATTRIBUTE_DIRECTORY ? FolderCheck::kFolder : FolderCheck::kNotAFolder;
}

uint64_t HostSystem::CurrentFileTime() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  FILETIME fileTime;
  if (!SystemTimeToFileTime(&now, &fileTime)) return 0;
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
