#pragma once

#include "platform/files.h"

/// The message store as the folder purge touches it: the directory search, the deletion of one
/// file, and the rescan request to the store provider. The system store does the real thing;
/// tests put a recording or failing store in its place.
class Store {
 public:
  virtual ~Store() = default;
  /// As platform::SearchFolder.
  virtual platform::SearchOutcome Search(const char* pattern, platform::EntryVisitor& visitor) = 0;
  /// Deletes the message file `name` of the folder being searched; true when it is gone (also
  /// when it was gone already).
  virtual bool Delete(const platform::Folder& folder, const char* name) = 0;
  /// Asks the store provider to rescan one folder after its old messages were purged.
  virtual void RequestRescan(const char* folderPath) = 0;
};

/// The real file system and the loaded store provider.
Store& SystemStore();
