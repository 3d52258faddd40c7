#include "purge/message_store.h"

platform::SearchOutcome SystemMessageStore::Search(const char* pattern, platform::EntryVisitor& visitor) {
  return system_.SearchFolder(pattern, visitor);
}

ReadState SystemMessageStore::ReadHeader(const platform::Folder& folder, const platform::DirEntry& entry) {
  return IsMessageRead(folder, entry);
}

UnreadPurge SystemMessageStore::DeleteIfRead(const platform::Folder& folder, const platform::DirEntry& entry) {
  return PurgeIfRead(folder, entry);
}

bool SystemMessageStore::Delete(const platform::Folder& folder, const platform::DirEntry& entry) {
  return system_.DeleteEntry(folder, entry);
}

void SystemMessageStore::RequestRescan(const char* folderPath, RescanRequest rescan) {
  ::RequestRescan(system_, providers_, folderPath, rescan, outcome_);
}
