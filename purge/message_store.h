#pragma once

#include "platform/files.h"
#include "platform/system.h"
#include "providers/providers.h"
#include "purge/unread.h"
#include "support/outcome.h"

/// The message store as the purge touches it: the folder search, the header read and the
/// deletion of one message, and the rescan request to the store provider. The system store does
/// the real thing; tests put a recording or failing store in its place.
class MessageStore {
 public:
  virtual ~MessageStore() = default;
  /// As platform::SearchFolder.
  virtual platform::SearchOutcome Search(const char* pattern, platform::EntryVisitor& visitor) = 0;
  /// As IsMessageRead, for the entry `entry` of the folder being searched.
  virtual ReadState ReadHeader(const platform::Folder& folder, const platform::DirEntry& entry) = 0;
  /// As PurgeIfRead: judges the entry `entry` and deletes it through the same open when it is
  /// read.
  virtual UnreadPurge DeleteIfRead(const platform::Folder& folder, const platform::DirEntry& entry,
                                   const platform::AgeJudge& judge, platform::FileFacts* facts) = 0;
  /// As platform::DeleteEntry: deletes the message file `entry` of the folder being searched.
  virtual platform::DeleteOutcome Delete(const platform::Folder& folder, const platform::DirEntry& entry,
                                         const platform::AgeJudge& judge, platform::FileFacts* facts) = 0;
  /// Asks the store provider to rescan one folder after its old messages were purged; with
  /// RescanRequest::kCheckOnly (a preview) only says, as a request would, that it cannot be asked.
  virtual void RequestRescan(const char* folderPath, RescanRequest rescan) = 0;
};

/// The files of `system`, and the store provider of `providers`: a rescan it cannot request is
/// said with a line and noted in `outcome`.
class SystemMessageStore final : public MessageStore {
 public:
  SystemMessageStore(platform::System& system, const ProviderSet& providers, RunOutcome& outcome)
      : system_(system), providers_(providers), outcome_(outcome) {}
  platform::SearchOutcome Search(const char* pattern, platform::EntryVisitor& visitor) override;
  ReadState ReadHeader(const platform::Folder& folder, const platform::DirEntry& entry) override;
  UnreadPurge DeleteIfRead(const platform::Folder& folder, const platform::DirEntry& entry,
                           const platform::AgeJudge& judge, platform::FileFacts* facts) override;
  platform::DeleteOutcome Delete(const platform::Folder& folder, const platform::DirEntry& entry,
                                 const platform::AgeJudge& judge, platform::FileFacts* facts) override;
  void RequestRescan(const char* folderPath, RescanRequest rescan) override;

 private:
  platform::System& system_;
  const ProviderSet& providers_;
  RunOutcome& outcome_;
};
