#include "purge/message_store.h"

platform::SearchOutcome SystemMessageStore::Search(const char* pattern, platform::EntryVisitor& visitor) {
  return platform::SearchFolder(pattern, visitor);
}

ReadState SystemMessageStore::ReadHeader(const platform::Folder& folder, const platform::DirEntry& entry) {
  return IsMessageRead(folder, entry);
}

bool SystemMessageStore::Delete(const platform::Folder& folder, const char* name) {
  return platform::DeleteEntry(folder, name);
}

void SystemMessageStore::RequestRescan(const char* folderPath) { ::RequestRescan(providers_, folderPath, outcome_); }
