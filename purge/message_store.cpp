#include "purge/message_store.h"

platform::SearchOutcome SystemMessageStore::Search(const char* pattern, platform::EntryVisitor& visitor) {
  return system_.SearchFolder(pattern, visitor);
}

ReadState SystemMessageStore::ReadHeader(const platform::Folder& folder, const platform::DirEntry& entry) {
  return IsMessageRead(system_, folder, entry);
}

UnreadPurge SystemMessageStore::DeleteIfRead(const platform::Folder& folder, const platform::DirEntry& entry,
                                             const platform::AgeJudge& judge, platform::FileFacts* facts) {
  return PurgeIfRead(system_, folder, entry, judge, facts);
}

platform::DeleteOutcome SystemMessageStore::Delete(const platform::Folder& folder, const platform::DirEntry& entry,
                                                   const platform::AgeJudge& judge, platform::FileFacts* facts) {
  return system_.DeleteEntry(folder, entry, judge, facts);
}

void SystemMessageStore::RequestRescan(const char* folderPath, RescanRequest rescan) {
  ::RequestRescan(system_, providers_, folderPath, rescan, outcome_);
}
