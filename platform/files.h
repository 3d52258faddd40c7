#pragma once

#include <cstdint>

namespace platform {

/// The separator of every path the tool builds: '\\' on Windows, '/' on POSIX.
extern const char kPathSeparator;

/// Attribute bits of a directory entry, as the Windows directory search reports them.
constexpr uint32_t kAttributeHidden = 0x02;
constexpr uint32_t kAttributeDirectory = 0x10;
constexpr uint32_t kAttributeArchive = 0x20;
constexpr uint32_t kAttributeNormal = 0x80;

/// One entry of a directory search. `name` is valid only during the visit.
struct DirEntry {
  const char* name;
  uint32_t attributes;
  /// 100-nanosecond intervals since 1601-01-01 00:00 UTC.
  uint64_t creationTime;
};

/// The folder a search has open, handed to the visitor with each of its entries. An entry is
/// deleted or opened through it (DeleteEntry, LineFile::Open): on POSIX relative to the folder's
/// open descriptor, one path lookup fewer per file; on Windows by the entry's full path.
class Folder {
 public:
  /// No folder: nothing can be deleted or opened through it. For searches that list no real
  /// folder.
  Folder() = default;
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

 private:
  friend class FolderAccess;
  int descriptor_ = -1;           // POSIX: the open folder
  const char* prefix_ = nullptr;  // Windows: the folder path with its trailing separator
  uint32_t prefixLength_ = 0;
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
  /// The folder may exist but could not be listed (access denied, an I/O error, not a folder).
  kFailed,
  /// At least one entry was visited; the search ran until it reported no further entry
  /// (an error part way ends it the same way).
  kCompleted,
};

/// Lists the entries of one folder that match `pattern`, which is a folder path, the separator,
/// '*' and a literal suffix ("D:\\Store\\Inbox\\*.MAI"). Windows hands the pattern to the
/// directory search as it stands (which also matches short 8.3 names); POSIX lists the folder and
/// keeps the names that end in the suffix, ignoring ASCII case, skipping entries that are
/// neither files, symbolic links nor directories. No recursion. One pass, no allocation per entry.
SearchOutcome SearchFolder(const char* pattern, EntryVisitor& visitor);

/// Deletes the entry `name` of the folder being searched (a symbolic link itself, never its
/// target). True when it is gone, also when it was gone already (another run removed it); false
/// when it is still there.
bool DeleteEntry(const Folder& folder, const char* name);

/// A file open for reading its lines as bytes, the way the C runtime's fopen "rb" and fgets
/// read them (Windows uses exactly those). On POSIX the read buffer lives in the object, so
/// reading allocates nothing.
class LineFile {
 public:
  LineFile() = default;
  ~LineFile() { Close(); }
  LineFile(const LineFile&) = delete;
  LineFile& operator=(const LineFile&) = delete;

  /// Opens `path` for reading, without newline translation. False when it cannot be opened
  /// (missing, locked, access denied) or what it names is not a regular file (a device, a FIFO,
  /// a folder, reached directly or through a link): such a thing is never read. A FIFO never
  /// blocks the open.
  bool Open(const char* path);

  /// As Open(path), for the entry `name` of the folder being searched.
  bool Open(const Folder& folder, const char* name);

  /// Reads the next line as fgets(line, size) does: at most size - 1 bytes, up to and including
  /// a line feed, then a terminating zero. False when nothing was read: at the end of the file
  /// or on a read error.
  bool ReadLine(char* line, int size);

  /// True once a read has met the end of the file.
  bool AtEnd() const;

  /// True once a read has failed.
  bool Failed() const;

  /// Closes the file; nothing when it is not open.
  void Close();

 private:
  intptr_t handle_ = -1;  // the runtime's stream on Windows, a descriptor on POSIX
  bool atEnd_ = false;
  bool failed_ = false;
  uint32_t start_ = 0;  // POSIX: the unread bytes are buffer_[start_, end_)
  uint32_t end_ = 0;
  char buffer_[4096];
};

/// True for a path that names its place without the current directory or the library search
/// path: "X:\\..." or "\\\\server\\..." on Windows, "/..." on POSIX.
bool IsAbsolutePath(const char* path);

/// Creates the last component of `path` as a directory. True when it was created.
bool CreateDirectoryAt(const char* path);

}  // namespace platform
