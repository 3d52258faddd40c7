#pragma once

#include <cstdint>

namespace platform {

/// The separator of every path the tool builds: '\\' on Windows, '/' on POSIX.
extern const char kPathSeparator;

/// Attribute bits of a directory entry, as the Windows directory search reports them.
constexpr uint32_t kAttributeDirectory = 0x10;
constexpr uint32_t kAttributeArchive = 0x20;
constexpr uint32_t kAttributeNormal = 0x80;
/// A symbolic link (POSIX) or another reparse point (Windows): what it names may not be a file.
constexpr uint32_t kAttributeReparsePoint = 0x400;

/// One entry of a directory search. `name` and `systemName` are valid only during the visit.
struct DirEntry {
  /// The name to print and to check. On Windows the real (UTF-16) name in the code page, without
  /// best-fit mapping: a character the code page lacks becomes '?'.
  const char* name;
  uint32_t attributes;
  /// 100-nanosecond intervals since 1601-01-01 00:00 UTC.
  uint64_t creationTime;
  /// The size in bytes as the listing gave it (of a link itself, on POSIX).
  uint64_t size = 0;
  /// True when some '?' in `name` only stands for a character the code page lacks; the real
  /// name then holds no '?' of its own. False when `name` is the real name.
  bool nameSubstituted = false;
  /// The real name, as the calls that act on the entry use it: the UTF-16 name on Windows; null
  /// on POSIX, and for an entry no listing gave (the calls then take `name` in the code page).
  const void* systemName = nullptr;
};

/// The folder a search has open, handed to the visitor with each of its entries. An entry is
/// deleted or opened through it (DeleteEntry, LineFile::Open): on POSIX relative to the folder's
/// open descriptor, one path lookup fewer per file; on Windows by the entry's full path in the
/// literal "\\?\" form.
class Folder {
 public:
  /// No folder: nothing can be deleted or opened through it. For searches that list no real
  /// folder.
  Folder() = default;
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

 private:
  friend class FolderAccess;
  // Each build uses its own fields only; the attribute keeps clang quiet about the others.
  [[maybe_unused]] int descriptor_ = -1;              // POSIX: the open folder
  [[maybe_unused]] const wchar_t* prefix_ = nullptr;  // Windows: the full folder path with its trailing separator
  [[maybe_unused]] uint32_t prefixLength_ = 0;
  // Windows: milliseconds waited so far for files another program held
  [[maybe_unused]] mutable uint32_t waited_ = 0;
};

/// Receives the entries of a directory search, one call per entry.
class EntryVisitor {
 public:
  virtual void Visit(const Folder& folder, const DirEntry& entry) = 0;

 protected:
  ~EntryVisitor() = default;
};

enum class SearchOutcome {
  /// The search found nothing to visit: the folder is missing or holds no matching entry.
  kNotStarted,
  /// The folder may exist but could not be listed (access denied, an I/O error, not a folder),
  /// or the listing failed before any entry was visited.
  kFailed,
  /// At least one entry was visited, and the listing ran to its end.
  kCompleted,
  /// At least one entry was visited, but the listing failed part way, or an entry's type or
  /// times could not be read (for any reason but the entry being gone since it was listed).
  kUnfinished,
};

/// Asked by the deletion of a message, through the handle that deletes it, whether the file that
/// bears the name now is still old by the rule and the clock reading of its folder.
class AgeJudge {
 public:
  virtual bool IsOld(uint64_t creationTime) const = 0;

 protected:
  ~AgeJudge() = default;
};

/// What the deletion of a message read of the file it deleted.
struct FileFacts {
  uint64_t creationTime = 0;
  uint64_t size = 0;
};

/// How the deletion of one message ended.
enum class DeleteOutcome {
  /// This call deleted it.
  kDeleted,
  /// It was gone already, or another process is deleting it: not this run's deletion.
  kGone,
  /// Windows: the file that bears the name now is no plain file, or no longer old: left alone.
  kLeft,
  /// It is still there and could not be deleted.
  kFailed,
};

/// How opening a message file for reading ended.
enum class OpenOutcome {
  kOpened,
  /// The entry is gone since it was listed (or is being deleted by another process).
  kGone,
  /// What the entry names is no regular file (a device, a FIFO, a folder, a dangling link), or,
  /// opened to be deleted, no longer old: it is never read, and stays.
  kLeft,
  /// It exists but cannot be opened (access denied, too many open files, an I/O error).
  kFailed,
};

/// A message file opened for its header read: a descriptor on POSIX, a file handle on Windows.
struct MessageHandle {
  intptr_t value = -1;     ///< -1: none
  bool deletable = false;  ///< Windows: opened for deletion too
};

class System;

/// A message file open for reading its lines as bytes, the way the C runtime's fopen "rb" and
/// fgets read them, up to a limit. The read buffer lives in the object, so reading allocates
/// nothing. Another process may delete the file while it is open (Windows shares it for
/// deletion).
class LineFile {
 public:
  /// A file of `system` of which at most `limit` bytes are read: past that it reads as ended.
  LineFile(System& system, uint32_t limit) : system_(system), limit_(limit) {}
  ~LineFile() { Close(); }
  LineFile(const LineFile&) = delete;
  LineFile& operator=(const LineFile&) = delete;

  /// Opens the entry `entry` of the folder being searched, as OpenMessage does without a judge.
  OpenOutcome Open(const Folder& folder, const DirEntry& entry);

  /// Opens the entry as OpenMessage does with `judge`, to delete it through DeleteAndClose.
  OpenOutcome OpenToDelete(const Folder& folder, const DirEntry& entry, const AgeJudge& judge, FileFacts* facts);

  /// Deletes the file this object opened with OpenToDelete, as DeleteOpenMessage does, and
  /// closes it. kFailed when nothing is open.
  DeleteOutcome DeleteAndClose(const Folder& folder, const DirEntry& entry);

  /// Reads the next line as fgets(line, size) does: at most size - 1 bytes, up to and including
  /// a line feed, then a terminating zero. False when nothing was read: at the end of the file,
  /// at the limit, or on a read error.
  bool ReadLine(char* line, int size);

  /// True once a read has met the end of the file or the limit.
  bool AtEnd() const { return atEnd_; }

  /// True once a read has failed.
  bool Failed() const { return failed_; }

  /// Closes the file; nothing when it is not open. A close that fails loses nothing: the file
  /// was only read.
  void Close();

 private:
  /// Opens the entry through OpenMessage with `judge` (none: only to read it).
  OpenOutcome OpenWith(const Folder& folder, const DirEntry& entry, const AgeJudge* judge, FileFacts* facts);

  /// Takes `handle` as the open file, read from its start.
  void Start(MessageHandle handle);

  /// Reads the next piece of the file into the buffer, at most up to the limit; false at the
  /// end or on an error (which sets `failed_`).
  bool Fill();

  System& system_;
  MessageHandle handle_;
  uint32_t limit_;
  uint32_t consumed_ = 0;  // bytes read from the file so far
  bool atEnd_ = false;
  bool failed_ = false;
  uint32_t start_ = 0;  // the unread bytes are buffer_[start_, end_)
  uint32_t end_ = 0;
  char buffer_[4096];
};

/// The real name of an entry as bytes, to tell two names apart as the system does.
struct ExactName {
  const char* bytes;
  uint32_t size;
};

/// The entry's real name as the calls that act on it use it: the UTF-16 units of `systemName` on
/// Windows; the bytes of `name` on POSIX, and for an entry no listing gave. Valid as the entry is.
ExactName ExactNameOf(const DirEntry& entry);

/// Writes into `key` (of `keySize` bytes) a key that is the same for two folder paths exactly
/// when the file system takes them for the same folder: on POSIX the path's bytes; on Windows
/// its UTF-16 units in upper case, as NTFS compares names (every letter, not only a to z). Returns
/// the key's size in bytes; a path that does not convert keys as its own bytes (then followed by
/// a zero), and 0 means it does not fit at all.
uint32_t FolderIdentity(const char* path, char* key, uint32_t keySize);

/// What a path of a setting names.
enum class FolderCheck {
  kFolder,
  /// Nothing is there: the path, or a folder on its way, does not exist (or is no folder).
  kMissing,
  /// Something other than a folder is there.
  kNotAFolder,
  /// It could not be looked up: access denied, a device that is not ready, an I/O error.
  kFailed,
};

/// True for a path that names its place without the current directory or the library search
/// path: "X:\\..." or "\\\\server\\..." on Windows, "/..." on POSIX.
bool IsAbsolutePath(const char* path);

}  // namespace platform
