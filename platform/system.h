#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/clock.h"
#include "platform/com.h"
#include "platform/console.h"
#include "platform/event_log.h"
#include "platform/files.h"
#include "platform/library.h"
#include "platform/pause.h"
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
  /// As platform::QueryRegistryValue.
  virtual RegistryRead QueryRegistryValue(const char* subKey, const char* valueName, void* buffer, uint32_t* size,
                                          uint32_t* type) = 0;
  /// As platform::RegistryIsReadable.
  virtual bool RegistryIsReadable(char* problem, size_t problemSize) = 0;
  /// As platform::ProbeRegistryKey.
  virtual KeyProbe ProbeRegistryKey(const char* subKey) = 0;
  /// As platform::CheckFolder.
  virtual FolderCheck CheckFolder(const char* path) = 0;
  /// As platform::SearchFolder.
  virtual SearchOutcome SearchFolder(const char* pattern, EntryVisitor& visitor) = 0;
  /// As platform::DeleteEntry.
  virtual DeleteOutcome DeleteEntry(const Folder& folder, const DirEntry& entry, const AgeJudge& judge,
                                    FileFacts* facts) = 0;
  /// As platform::OpenMessage.
  virtual OpenOutcome OpenMessage(const Folder& folder, const DirEntry& entry, const AgeJudge* judge, FileFacts* facts,
                                  MessageHandle* handle) = 0;
  /// As platform::ReadMessage.
  virtual int64_t ReadMessage(MessageHandle handle, char* buffer, uint32_t wanted) = 0;
  /// As platform::DeleteOpenMessage.
  virtual DeleteOutcome DeleteOpenMessage(MessageHandle handle, const Folder& folder, const DirEntry& entry) = 0;
  /// As platform::CloseMessage.
  virtual void CloseMessage(MessageHandle handle) = 0;
  /// As platform::CreateDirectoryAt.
  virtual bool CreateDirectoryAt(const char* path) = 0;
  /// As platform::LoadLibraryAt.
  virtual LibraryHandle LoadLibraryAt(const char* path) = 0;
  /// As platform::FindSymbol.
  virtual void* FindSymbol(LibraryHandle library, const char* name) = 0;
  /// As platform::FreeLibraryHandle.
  virtual void FreeLibraryHandle(LibraryHandle library) = 0;
  /// As platform::CallInComApartment.
  virtual void CallInComApartment(void (*call)(void* context), void* context) = 0;
  /// As platform::CurrentFileTime.
  virtual uint64_t CurrentFileTime() = 0;
  /// As platform::Pause.
  virtual bool Pause(uint32_t milliseconds) = 0;
  /// As platform::WaitForKeyPress.
  virtual void WaitForKeyPress() = 0;
  /// As platform::WriteRunEvent.
  virtual bool WriteRunEvent(RunEvent event, const char* const* texts, size_t count, char* problem,
                             size_t problemSize) = 0;
};

/// The system the tool runs on: each call is the platform function of the same name.
class HostSystem : public System {
 public:
  RegistryRead QueryRegistryValue(const char* subKey, const char* valueName, void* buffer, uint32_t* size,
                                  uint32_t* type) override {
    return platform::QueryRegistryValue(subKey, valueName, buffer, size, type);
  }
  bool RegistryIsReadable(char* problem, size_t problemSize) override {
    return platform::RegistryIsReadable(problem, problemSize);
  }
  KeyProbe ProbeRegistryKey(const char* subKey) override { return platform::ProbeRegistryKey(subKey); }
  FolderCheck CheckFolder(const char* path) override { return platform::CheckFolder(path); }
  SearchOutcome SearchFolder(const char* pattern, EntryVisitor& visitor) override {
    return platform::SearchFolder(pattern, visitor);
  }
  DeleteOutcome DeleteEntry(const Folder& folder, const DirEntry& entry, const AgeJudge& judge,
                            FileFacts* facts) override {
    return platform::DeleteEntry(folder, entry, judge, facts);
  }
  OpenOutcome OpenMessage(const Folder& folder, const DirEntry& entry, const AgeJudge* judge, FileFacts* facts,
                          MessageHandle* handle) override {
    return platform::OpenMessage(folder, entry, judge, facts, handle);
  }
  int64_t ReadMessage(MessageHandle handle, char* buffer, uint32_t wanted) override {
    return platform::ReadMessage(handle, buffer, wanted);
  }
  DeleteOutcome DeleteOpenMessage(MessageHandle handle, const Folder& folder, const DirEntry& entry) override {
    return platform::DeleteOpenMessage(handle, folder, entry);
  }
  void CloseMessage(MessageHandle handle) override { platform::CloseMessage(handle); }
  bool CreateDirectoryAt(const char* path) override { return platform::CreateDirectoryAt(path); }
  LibraryHandle LoadLibraryAt(const char* path) override { return platform::LoadLibraryAt(path); }
  void* FindSymbol(LibraryHandle library, const char* name) override { return platform::FindSymbol(library, name); }
  void FreeLibraryHandle(LibraryHandle library) override { platform::FreeLibraryHandle(library); }
  void CallInComApartment(void (*call)(void* context), void* context) override {
    platform::CallInComApartment(call, context);
  }
  uint64_t CurrentFileTime() override { return platform::CurrentFileTime(); }
  bool Pause(uint32_t milliseconds) override { return platform::Pause(milliseconds); }
  void WaitForKeyPress() override { platform::WaitForKeyPress(); }
  bool WriteRunEvent(RunEvent event, const char* const* texts, size_t count, char* problem,
                     size_t problemSize) override {
    return platform::WriteRunEvent(event, texts, count, problem, problemSize);
  }
};

}  // namespace platform
