#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/clock.h"
#include "platform/event_log.h"
#include "platform/files.h"
#include "platform/library.h"
#include "platform/registry.h"

namespace platform {

/// The calls a run makes to the system, handed down from the run sequence as one object: the
/// registry, the settings' folders, the folder search, the header read and the deletion of an entry, the activity-log
/// folder, the provider libraries and the COM apartment of a rescan request, the clock, the pause between postoffices,
/// the key press after the usage text and the run's event in the system's log. HostSystem makes them; a test can put
/// its own in its place. Standard output is not here: every layer prints through platform::Print, which notes a failed
/// write for the exit status.
class System {
 public:
  virtual ~System() = default;
  /// As HostSystem::QueryRegistryValue.
  virtual RegistryRead QueryRegistryValue(const char* subKey, const char* valueName, void* buffer, uint32_t* size,
                                          uint32_t* type) = 0;
  /// As HostSystem::RegistryIsReadable.
  virtual bool RegistryIsReadable(char* problem, size_t problemSize) = 0;
  /// As HostSystem::ProbeRegistryKey.
  virtual KeyProbe ProbeRegistryKey(const char* subKey) = 0;
  /// As HostSystem::CheckFolder.
  virtual FolderCheck CheckFolder(const char* path) = 0;
  /// As HostSystem::SearchFolder.
  virtual SearchOutcome SearchFolder(const char* pattern, EntryVisitor& visitor) = 0;
  /// As HostSystem::DeleteEntry.
  virtual DeleteOutcome DeleteEntry(const Folder& folder, const DirEntry& entry, const AgeJudge& judge,
                                    FileFacts* facts) = 0;
  /// As HostSystem::OpenMessage.
  virtual OpenOutcome OpenMessage(const Folder& folder, const DirEntry& entry, const AgeJudge* judge, FileFacts* facts,
                                  MessageHandle* handle) = 0;
  /// As HostSystem::ReadMessage.
  virtual int64_t ReadMessage(MessageHandle handle, char* buffer, uint32_t wanted) = 0;
  /// As HostSystem::DeleteOpenMessage.
  virtual DeleteOutcome DeleteOpenMessage(MessageHandle handle, const Folder& folder, const DirEntry& entry) = 0;
  /// As HostSystem::CloseMessage.
  virtual void CloseMessage(MessageHandle handle) = 0;
  /// As HostSystem::CreateDirectoryAt.
  virtual bool CreateDirectoryAt(const char* path) = 0;
  /// As HostSystem::LoadLibraryAt.
  virtual LibraryHandle LoadLibraryAt(const char* path) = 0;
  /// As HostSystem::FindSymbol.
  virtual void* FindSymbol(LibraryHandle library, const char* name) = 0;
  /// As HostSystem::FreeLibraryHandle.
  virtual void FreeLibraryHandle(LibraryHandle library) = 0;
  /// As HostSystem::CallInComApartment.
  virtual void CallInComApartment(void (*call)(void* context), void* context) = 0;
  /// As HostSystem::CurrentFileTime.
  virtual uint64_t CurrentFileTime() = 0;
  /// As HostSystem::Pause.
  virtual bool Pause(uint32_t milliseconds) = 0;
  /// As HostSystem::WaitForKeyPress.
  virtual void WaitForKeyPress() = 0;
  /// As HostSystem::WriteRunEvent.
  virtual bool WriteRunEvent(RunEvent event, const char* const* texts, size_t count, char* problem,
                             size_t problemSize) = 0;
};

/// The registry file a HostSystem has read and parsed (POSIX); nothing on Windows.
struct RegistryFileState;

/// The system the tool runs on. Each platform implements its calls in the file of their concern
/// (platform/posix, platform/windows). Not final: a test may override a call or two.
class HostSystem : public System {
 public:
  HostSystem();
  ~HostSystem() override;
  HostSystem(const HostSystem&) = delete;
  HostSystem& operator=(const HostSystem&) = delete;

  /// Reads one value of `subKey` under HKEY_LOCAL_MACHINE as RegQueryValueExA does with no type
  /// requested: data of any type, text as narrow characters with the terminating zero it was
  /// stored with. `size` is the buffer's capacity in bytes on entry and the value's size on
  /// return; `type`, unless null, receives the value's registry type (REG_SZ is 1, REG_DWORD 4).
  /// The key is opened (KEY_QUERY_VALUE, no registry view flag) and closed again for this one
  /// read. Never writes to the registry.
  RegistryRead QueryRegistryValue(const char* subKey, const char* valueName, void* buffer, uint32_t* size,
                                  uint32_t* type) override;
  /// True when the registry can be read. On Windows always. On POSIX this object parses the
  /// registry file at its first registry call, once: no file is an empty registry and counts as
  /// readable; a file that exists but cannot be read or parsed is not, and `problem` (of
  /// `problemSize` bytes) then receives one sentence naming the file and, where there is one,
  /// the line. Reads from an unreadable registry file find nothing.
  bool RegistryIsReadable(char* problem, size_t problemSize) override;
  /// Opens `subKey` under HKEY_LOCAL_MACHINE (KEY_QUERY_VALUE, no view flag) and closes it again,
  /// to tell a key that is not there from one that cannot be read. POSIX: a key of the registry
  /// file, which must be readable (RegistryIsReadable).
  KeyProbe ProbeRegistryKey(const char* subKey) override;
  /// Looks at what `path` names, following links: one system call (stat, GetFileAttributesW on
  /// the full path, in the "\\?\" form past 260 characters).
  FolderCheck CheckFolder(const char* path) override;
  /// Lists the entries of one folder that match `pattern`, which is a folder path, the separator,
  /// '*' and a literal suffix ("D:\\Store\\Inbox\\*.MAI"). Windows converts the pattern from the
  /// code page once, makes it a full path and hands it to the directory search (which also
  /// matches short 8.3 names) in the literal "\\?\" form, at any length: from then on no part of
  /// the path is read as a device name or loses a trailing dot or space. POSIX lists the
  /// folder and keeps the names that end in the suffix, ignoring ASCII case, skipping entries that
  /// are neither files, symbolic links nor directories, and never follows a link. No recursion.
  /// One pass, no allocation per entry.
  SearchOutcome SearchFolder(const char* pattern, EntryVisitor& visitor) override;
  /// Deletes the entry `entry` of the folder being searched, by its real name (a symbolic link
  /// itself, never its target). POSIX removes the name through the open folder, and `facts` are
  /// the listing's. Windows opens the file once by its literal path for deletion, reads its
  /// attributes, creation time and size through that handle into `facts`, and marks that handle
  /// for deletion only when it is a plain file (no folder, reparse point or device) that `judge`
  /// calls old. A file another program holds is opened again after short waits, and judged
  /// again, while the folder's waits stay within a second; after that each gets one try.
  DeleteOutcome DeleteEntry(const Folder& folder, const DirEntry& entry, const AgeJudge& judge,
                            FileFacts* facts) override;
  /// Opens the entry `entry` of the folder being searched by its real name, without newline
  /// translation, into `handle`. A FIFO never blocks the open. On POSIX an entry the listing saw as
  /// a regular file is opened without following a link and read without a further look at its
  /// type; one it saw as a link is followed and checked. On Windows the file is opened by its
  /// literal path without following a reparse point, its attributes are read through the handle,
  /// and a file another program holds is tried again as DeleteEntry does.
  /// With a `judge` the file is opened to be deleted through DeleteOpenMessage once its header is
  /// read: Windows opens it for deletion too and judges it through that handle as DeleteEntry does
  /// (kLeft when it is no longer old), with `facts` read through it; an account that may read the
  /// file but not delete it still reads it, and the deletion then fails. POSIX gives the listing's
  /// facts.
  OpenOutcome OpenMessage(const Folder& folder, const DirEntry& entry, const AgeJudge* judge, FileFacts* facts,
                          MessageHandle* handle) override;
  /// Reads at most `wanted` bytes of the open message into `buffer`: how many, 0 at the end of the
  /// file, -1 on an error.
  int64_t ReadMessage(MessageHandle handle, char* buffer, uint32_t wanted) override;
  /// Deletes the message `handle` was opened from (`entry` of `folder`, with a judge), and closes
  /// it: Windows marks the open handle for deletion, so the file deleted is the file read; POSIX
  /// closes it and deletes the entry by name through the folder.
  DeleteOutcome DeleteOpenMessage(MessageHandle handle, const Folder& folder, const DirEntry& entry) override;
  /// Closes the message. A close that fails loses nothing: the file was only read.
  void CloseMessage(MessageHandle handle) override;
  /// Creates the last component of `path` as a directory. True when it was created.
  bool CreateDirectoryAt(const char* path) override;
  /// Loads the library at `path` (LoadLibraryA, or dlopen with RTLD_NOW | RTLD_LOCAL of a regular
  /// file only: dlopen would wait for ever on a FIFO). Null when it cannot be loaded.
  LibraryHandle LoadLibraryAt(const char* path) override;
  /// The address of the exported symbol `name`, or null when the library has none.
  void* FindSymbol(LibraryHandle library, const char* name) override;
  /// Releases a library that LoadLibraryAt returned. A release that fails changes nothing: the
  /// library stays loaded until the process ends, and nothing calls into it any more.
  void FreeLibraryHandle(LibraryHandle library) override;
  /// Makes `call(context)` with the calling thread joined to the multithreaded COM apartment, and
  /// leaves the apartment after it; on POSIX only makes the call. A thread that could not join
  /// (another apartment model, or a failure) still makes the call, and does not leave.
  void CallInComApartment(void (*call)(void* context), void* context) override;
  /// The current system time in UTC, as 100-nanosecond intervals since 1601-01-01 00:00 UTC; 0
  /// (never a time the clock shows) when it cannot be read.
  uint64_t CurrentFileTime() override;
  /// Pauses for `milliseconds` on an unnamed auto-reset event that nothing signals, dispatching
  /// the thread's window messages meanwhile (Windows), or sleeps as long on a monotonic clock
  /// (POSIX). True when it paused: the time ran out or the event was signalled. False when the
  /// event could not be created or the wait failed.
  bool Pause(uint32_t milliseconds) override;
  /// Waits for one key press without echo. On POSIX only when standard input is a terminal;
  /// otherwise returns at once. A key that cannot be read ends the wait at once, which changes
  /// nothing: the usage text is already out and the run ends as it would have.
  void WaitForKeyPress() override;
  /// Writes one event for a run to the system's log, its texts as they are (narrow text of the
  /// ANSI code page, lines parted by '\n', at most 30,000 bytes together). On Windows to the
  /// Application log under the source QNPURGE: RegisterEventSourceW, then ReportEventW with the
  /// texts as the insertion strings of the event's message (the source needs no registration for
  /// the event to be logged). On POSIX one syslog(3) message of the texts joined by line feeds,
  /// ident "qnpurge", facility LOG_USER, LOG_INFO for kDone and LOG_ERR otherwise. Writes nothing
  /// else anywhere, the registry included. False when the event could not be written, with a line
  /// saying so (and the system's error) in `problem`; syslog(3) cannot tell.
  bool WriteRunEvent(RunEvent event, const char* const* texts, size_t count, char* problem,
                     size_t problemSize) override;

 private:
  std::unique_ptr<RegistryFileState> registry_;
};

}  // namespace platform
