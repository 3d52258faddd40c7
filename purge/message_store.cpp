#include "purge/message_store.h"

platform::SearchOutcome SystemMessageStore::Search(const char* pattern, platform::EntryVisitor& visitor) {
  return platform::SearchFolder(pattern, visitor);
}

ReadState SystemMessageStore::ReadHeader(const platform::Folder& folder, const platform::DirEntry& entry) {
  return IsMessageRead(folder, entry);
}

UnreadPurge SystemMessageStore::DeleteIfRead(const platform::Folder& folder, const platform::DirEntry& entry) {
  return PurgeIfRead(folder, entry);
}

bool SystemMessageStore::Delete(const platform::Folder& folder, const platform::DirEntry& entry) {
  return platform::DeleteEntry(folder, entry);
}

void SystemMessageStore::RequestRescan(const char* folderPath) { ::RequestRescan(providers_, folderPath, outcome_); }
