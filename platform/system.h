#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/library.h"
#include "platform/pause.h"

namespace platform {

/// The calls a run makes to the system, handed down from the run sequence as one object: the
/// folder search and the deletion of an entry, the provider libraries, the clock and the pause
/// between postoffices. HostSystem makes them; a test can put its own in its place.
class System {
 public:
  virtual ~System() = default;
  /// As platform::SearchFolder.
  virtual SearchOutcome SearchFolder(const char* pattern, EntryVisitor& visitor) = 0;
  /// As platform::DeleteEntry.
  virtual bool DeleteEntry(const Folder& folder, const DirEntry& entry) = 0;
  /// As platform::LoadLibraryAt.
  virtual LibraryHandle LoadLibraryAt(const char* path) = 0;
  /// As platform::FindSymbol.
  virtual void* FindSymbol(LibraryHandle library, const char* name) = 0;
  /// As platform::FreeLibraryHandle.
  virtual void FreeLibraryHandle(LibraryHandle library) = 0;
  /// As platform::CurrentFileTime.
  virtual uint64_t CurrentFileTime() = 0;
  /// As platform::CreatePauseEvent.
  virtual PauseEvent CreatePauseEvent() = 0;
  /// As platform::ClosePauseEvent.
  virtual void ClosePauseEvent(PauseEvent event) = 0;
  /// As platform::WaitPumpingMessages.
  virtual bool WaitPumpingMessages(PauseEvent event, uint32_t milliseconds) = 0;
};

/// The system the tool runs on: each call is the platform function of the same name.
class HostSystem : public System {
 public:
  SearchOutcome SearchFolder(const char* pattern, EntryVisitor& visitor) override {
    return platform::SearchFolder(pattern, visitor);
  }
  bool DeleteEntry(const Folder& folder, const DirEntry& entry) override {
    return platform::DeleteEntry(folder, entry);
  }
  LibraryHandle LoadLibraryAt(const char* path) override { return platform::LoadLibraryAt(path); }
  void* FindSymbol(LibraryHandle library, const char* name) override { return platform::FindSymbol(library, name); }
  void FreeLibraryHandle(LibraryHandle library) override { platform::FreeLibraryHandle(library); }
  uint64_t CurrentFileTime() override { return platform::CurrentFileTime(); }
  PauseEvent CreatePauseEvent() override { return platform::CreatePauseEvent(); }
  void ClosePauseEvent(PauseEvent event) override { platform::ClosePauseEvent(event); }
  bool WaitPumpingMessages(PauseEvent event, uint32_t milliseconds) override {
    return platform::WaitPumpingMessages(event, milliseconds);
  }
};

}  // namespace platform
