#include "tests/fake_system.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <gtest/gtest.h>

#include "platform/ascii.h"
#include "providers/provider_api.h"
#include "support/server_keys.h"

namespace testing_support {

namespace {

constexpr const char* kLibraryNames[] = {"QNAISP.DLL", "QNAIAU.DLL", "QNAIPO.DLL"};
char libraryTags[3];  // a loaded library's handle is the address of its tag
FakeSystem* current = nullptr;

std::string Field(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

void SetField(char* field, size_t size, const std::string& text) {
  memset(field, 0, size);
  memcpy(field, text.data(), std::min(text.size(), size - 1));
}

int32_t YieldPostoffice(PostofficeRecord* record) {
  if (current->nextPostoffice >= current->postofficeWalk.size()) return 0;
  const std::string& name = current->postofficeWalk[current->nextPostoffice++];
  const auto description = current->descriptions.find(name);
  SetField(record->name, sizeof record->name, name);
  SetField(record->description, sizeof record->description,
           description == current->descriptions.end() ? name : description->second);
  return 1;
}

int32_t PostofficeFindFirst(PostofficeRecord* record) {
  const std::string filter = Field(record->name, sizeof record->name);
  current->providerCalls.push_back("first " + filter);
  current->postofficeWalk.clear();
  current->nextPostoffice = 0;
  for (const auto& postoffice : current->postoffices) {
    if (filter.empty() || ascii::EqualNoCase(postoffice.first, filter))
      current->postofficeWalk.push_back(postoffice.first);
  }
  return YieldPostoffice(record);
}

int32_t PostofficeFindNext(PostofficeRecord* record) {
  current->providerCalls.push_back("next " + Field(record->name, sizeof record->name));
  return YieldPostoffice(record);
}

const std::vector<std::string>* MailboxesOf(const MailboxRecord* record) {
  const std::string postoffice = Field(record->postoffice, sizeof record->postoffice);
  for (const auto& entry : current->postoffices) {
    if (ascii::EqualNoCase(entry.first, postoffice)) return &entry.second;
  }
  return nullptr;
}

int32_t NextMailbox(MailboxRecord* record) {
  if (current->nextMailbox >= current->mailboxWalk.size()) return 0;
  SetField(record->mailbox, sizeof record->mailbox, current->mailboxWalk[current->nextMailbox++]);
  return 1;
}

int32_t MailboxFindFirst(MailboxRecord* record) {
  const std::vector<std::string>* mailboxes = MailboxesOf(record);
  current->mailboxWalk = mailboxes != nullptr ? *mailboxes : std::vector<std::string>{};
  current->nextMailbox = 0;
  current->providerCalls.push_back("mailboxes " + Field(record->postoffice, sizeof record->postoffice));
  return NextMailbox(record);
}

int32_t MailboxFindNext(MailboxRecord* record) {
  current->providerCalls.push_back("next mailbox");
  return NextMailbox(record);
}

int32_t MailboxGet(MailboxRecord* record) {
  const std::vector<std::string>* mailboxes = MailboxesOf(record);
  const std::string wanted = Field(record->mailbox, sizeof record->mailbox);
  current->providerCalls.push_back("get " + Field(record->postoffice, sizeof record->postoffice) + "/" + wanted);
  if (mailboxes == nullptr || wanted.empty()) return 0;
  for (const std::string& mailbox : *mailboxes) {
    if (!ascii::EqualNoCase(mailbox, wanted)) continue;
    SetField(record->mailbox, sizeof record->mailbox, mailbox);
    return 1;
  }
  return 0;
}

int32_t ScanFolders(const char* folderPath, int32_t, int32_t) {
  current->rescans.push_back(folderPath);
  return 0;
}

struct Export {
  int library;
  const char* name;
  void* address;
};

const Export kExports[] = {
    {0, "ScanFolders", reinterpret_cast<void*>(&ScanFolders)},
    {2, "PostofficeFindFirst", reinterpret_cast<void*>(&PostofficeFindFirst)},
    {2, "PostofficeFindNext", reinterpret_cast<void*>(&PostofficeFindNext)},
    {2, "MailboxFindFirst", reinterpret_cast<void*>(&MailboxFindFirst)},
    {2, "MailboxFindNext", reinterpret_cast<void*>(&MailboxFindNext)},
    {2, "MailboxGet", reinterpret_cast<void*>(&MailboxGet)},
};

// The text of a message: a header with the read marker when `read`, and a body.
std::string MessageText(bool read) {
  return std::string("From: sender@example.com\r\n") + (read ? "X-Read: 1\r\n" : "") + "\r\nBody.\r\n";
}

int LibraryIndex(platform::LibraryHandle library) {
  for (int i = 0; i < 3; ++i) {
    if (reinterpret_cast<char*>(library) == &libraryTags[i]) return i;
  }
  return -1;
}

}  // namespace

std::string FakePath(const std::string& slashPath) {
  if (platform::kPathSeparator == '/') return slashPath;
  std::string path = "C:" + slashPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

bool NoCaseLess::operator()(const std::string& a, const std::string& b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return ascii::Upper(x) < ascii::Upper(y); });
}

FakeSystem::FakeSystem() { current = this; }

FakeSystem::~FakeSystem() {
  if (current == this) current = nullptr;
}

void FakeSystem::AddFolder(const std::string& folder) {
  for (size_t end = folder.find(platform::kPathSeparator, 1); end != std::string::npos;
       end = folder.find(platform::kPathSeparator, end + 1)) {
    folders[folder.substr(0, end)];
  }
  folders[folder];
}

void FakeSystem::AddMessage(const std::string& folder, const std::string& name, int daysOld, bool read) {
  AddFolder(folder);
  folders[folder].push_back(FakeEntry{name, platform::kAttributeArchive, DaysAgo(daysOld), MessageText(read), true});
}

bool FakeSystem::Holds(const std::string& folder, const std::string& name) const {
  const auto found = folders.find(folder);
  if (found == folders.end()) return false;
  return std::any_of(found->second.begin(), found->second.end(),
                     [&](const FakeEntry& entry) { return entry.present && entry.name == name; });
}

std::vector<std::string> FakeSystem::Files() const {
  std::vector<std::string> files;
  for (const auto& folder : folders) {
    for (const FakeEntry& entry : folder.second) {
      if (entry.present) files.push_back(folder.first + platform::kPathSeparator + entry.name);
    }
  }
  return files;
}

int FakeSystem::OpenMessages() const {
  return static_cast<int>(
      std::count_if(open_.begin(), open_.end(), [](const Open& file) { return file.entry != nullptr; }));
}

void FakeSystem::SetText(const std::string& key, const std::string& name, const std::string& text) {
  registry[key][name] = FakeValue{platform::kRegistryText, text + '\0'};
}

void FakeSystem::SetNumber(const std::string& key, const std::string& name, uint32_t number) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((number >> (8 * i)) & 0xff);
  registry[key][name] = FakeValue{platform::kRegistryNumber, bytes};
}

void FakeSystem::SetStore(const std::string& root) {
  SetText(kServerKey, "Mail Root", root + platform::kPathSeparator + "POSTOFFICES");
  SetText(kServerKey, "Bad Mail Directory", root + platform::kPathSeparator + "BADMAIL");
  SetText(kServerKey, "Application Directory", FakePath("/server"));
  SetNumber(kAdministrationKey, "Purge Wait", 0);
  AddFolder(root + platform::kPathSeparator + "POSTOFFICES");
}

platform::RegistryRead FakeSystem::QueryRegistryValue(const char* subKey, const char* valueName, void* buffer,
                                                      uint32_t* size, uint32_t* type) {
  const auto key = registry.find(subKey);
  if (key == registry.end()) return platform::RegistryRead::kNoKey;
  const auto value = key->second.find(valueName);
  if (value == key->second.end()) return platform::RegistryRead::kNoValue;
  const std::string& bytes = value->second.bytes;
  const bool fits = bytes.size() <= *size;
  *size = static_cast<uint32_t>(bytes.size());
  if (!fits) return platform::RegistryRead::kTooLarge;
  memcpy(buffer, bytes.data(), bytes.size());
  if (type != nullptr) *type = value->second.type;
  return platform::RegistryRead::kRead;
}

bool FakeSystem::RegistryIsReadable(char*, size_t) { return true; }

platform::KeyProbe FakeSystem::ProbeRegistryKey(const char* subKey) {
  return registry.count(subKey) != 0 ? platform::KeyProbe::kExists : platform::KeyProbe::kNoKey;
}

// A file where a folder should be is answered as a missing folder is.
platform::FolderCheck FakeSystem::CheckFolder(const char* path) {
  return folders.count(path) != 0 ? platform::FolderCheck::kFolder : platform::FolderCheck::kMissing;
}

platform::SearchOutcome FakeSystem::SearchFolder(const char* pattern, platform::EntryVisitor& visitor) {
  searches.push_back(pattern);
  const std::string text = pattern;
  const size_t separator = text.rfind(platform::kPathSeparator);
  const std::string suffix = text.substr(separator + 2);  // past the separator and the '*'
  const auto found = folders.find(text.substr(0, separator));
  if (separator == std::string::npos || found == folders.end()) return platform::SearchOutcome::kNotStarted;
  searching_ = found->first;
  platform::Folder folder;
  bool visited = false;
  for (size_t i = 0; i < found->second.size(); ++i) {
    const FakeEntry& entry = found->second[i];
    // As a Windows search does, through the short name, a longer extension matches too (x.MAIL).
    const size_t dot = entry.name.rfind('.');
    if (!entry.present || dot == std::string::npos || !ascii::StartsWithNoCase(entry.name.substr(dot), suffix)) {
      continue;
    }
    visited = true;
    visitor.Visit(
        folder, {entry.name.c_str(), entry.attributes, entry.creationTime, entry.bytes.size(), entry.nameSubstituted});
  }
  searching_.clear();
  return visited ? platform::SearchOutcome::kCompleted : platform::SearchOutcome::kNotStarted;
}

FakeEntry* FakeSystem::Find(const char* name) {
  const auto found = folders.find(searching_);
  if (found == folders.end()) return nullptr;
  for (FakeEntry& entry : found->second) {
    if (!entry.present || entry.name != name) continue;
    if (entry.name != vanishing) return &entry;
    entry.present = false;
    vanishing.clear();
  }
  return nullptr;
}

platform::DeleteOutcome FakeSystem::Remove(FakeEntry* entry) {
  if (!entry->present) return platform::DeleteOutcome::kGone;
  entry->present = false;
  deleted.push_back(searching_ + platform::kPathSeparator + entry->name);
  return platform::DeleteOutcome::kDeleted;
}

platform::DeleteOutcome FakeSystem::DeleteEntry(const platform::Folder&, const platform::DirEntry& entry,
                                                const platform::AgeJudge& judge, platform::FileFacts* facts) {
  FakeEntry* file = Find(entry.name);
  if (file == nullptr) return platform::DeleteOutcome::kGone;
  if (!judge.IsOld(file->creationTime)) return platform::DeleteOutcome::kLeft;
  *facts = {file->creationTime, file->bytes.size()};
  return Remove(file);
}

platform::OpenOutcome FakeSystem::OpenMessage(const platform::Folder&, const platform::DirEntry& entry,
                                              const platform::AgeJudge* judge, platform::FileFacts* facts,
                                              platform::MessageHandle* handle) {
  FakeEntry* file = Find(entry.name);
  if (file == nullptr) return platform::OpenOutcome::kGone;
  if (judge != nullptr && !judge->IsOld(file->creationTime)) return platform::OpenOutcome::kLeft;
  if (facts != nullptr) *facts = {file->creationTime, file->bytes.size()};
  handle->value = static_cast<intptr_t>(open_.size());
  open_.push_back({file, 0});
  return platform::OpenOutcome::kOpened;
}

int64_t FakeSystem::ReadMessage(platform::MessageHandle handle, char* buffer, uint32_t wanted) {
  Open& file = open_.at(static_cast<size_t>(handle.value));
  const size_t count = std::min<size_t>(wanted, file.entry->bytes.size() - file.offset);
  memcpy(buffer, file.entry->bytes.data() + file.offset, count);
  file.offset += count;
  return static_cast<int64_t>(count);
}

platform::DeleteOutcome FakeSystem::DeleteOpenMessage(platform::MessageHandle handle, const platform::Folder&,
                                                      const platform::DirEntry&) {
  FakeEntry* file = open_.at(static_cast<size_t>(handle.value)).entry;
  CloseMessage(handle);
  return Remove(file);
}

void FakeSystem::CloseMessage(platform::MessageHandle handle) {
  Open& file = open_.at(static_cast<size_t>(handle.value));
  if (file.entry == nullptr) ADD_FAILURE() << "a message closed twice";
  file.entry = nullptr;
}

bool FakeSystem::CreateDirectoryAt(const char* path) {
  const std::string text = path;
  const size_t separator = text.rfind(platform::kPathSeparator);
  if (folders.count(text) != 0 || separator == std::string::npos || folders.count(text.substr(0, separator)) == 0) {
    return false;
  }
  folders[text];
  return true;
}

platform::LibraryHandle FakeSystem::LoadLibraryAt(const char* path) {
  const char* name = strrchr(path, platform::kPathSeparator);
  name = name == nullptr ? path : name + 1;
  for (int i = 0; i < 3; ++i) {
    if (!ascii::EqualNoCase(name, kLibraryNames[i])) continue;
    return reinterpret_cast<platform::LibraryHandle>(&libraryTags[i]);
  }
  return nullptr;
}

void* FakeSystem::FindSymbol(platform::LibraryHandle library, const char* name) {
  const int index = LibraryIndex(library);
  for (const Export& entry : kExports) {
    if (entry.library == index && strcmp(entry.name, name) == 0) return entry.address;
  }
  return nullptr;
}

void FakeSystem::FreeLibraryHandle(platform::LibraryHandle library) {
  const int index = LibraryIndex(library);
  freed.push_back(index < 0 ? "?" : kLibraryNames[index]);
}

void FakeSystem::CallInComApartment(void (*call)(void* context), void* context) { call(context); }

bool FakeSystem::Pause(uint32_t milliseconds) {
  pauses.push_back(milliseconds);
  return !pausesFail;
}

bool FakeSystem::WriteRunEvent(platform::RunEvent event, const char* const* texts, size_t count, char*, size_t) {
  const char* type = event == platform::RunEvent::kDone     ? "done"
                     : event == platform::RunEvent::kFailed ? "failed"
                                                            : "refused";
  events.push_back({type});
  for (size_t i = 0; i < count; ++i) events.back().push_back(texts[i]);
  return true;
}

const char* FailingSystem::Name(Call call) {
  constexpr const char* kNames[] = {
      "registry-read", "registry-check", "probe-key",   "check-folder",  "search",       "delete",
      "open-message",  "read-message",   "delete-open", "create-folder", "load-library", "find-symbol",
      "com-apartment", "clock",          "pause",       "event",         "none"};
  return kNames[static_cast<int>(call)];
}

void FailingSystem::FailAt(uint64_t failAt, Call only) {
  failAt_ = failAt;
  only_ = only;
  counted_ = 0;
  failed = Call::kCount;
  std::fill(std::begin(calls), std::end(calls), 0);
}

bool FailingSystem::Fails(Call call) {
  ++calls[static_cast<int>(call)];
  if (only_ != Call::kCount && call != only_) return false;
  if (++counted_ != failAt_) return false;
  failed = call;
  return true;
}

bool FailingSystem::RegistryIsReadable(char* problem, size_t problemSize) {
  // Only a registry file can be unreadable: the Windows registry always is.
  if (platform::kPathSeparator == '/' && Fails(Call::kRegistryCheck)) {
    snprintf(problem, problemSize, "The registry file /etc/qnpurge/registry cannot be read: an I/O error.");
    return false;
  }
  return inner_.RegistryIsReadable(problem, problemSize);
}

platform::DeleteOutcome FailingSystem::DeleteOpenMessage(platform::MessageHandle handle, const platform::Folder& folder,
                                                         const platform::DirEntry& entry) {
  if (!Fails(Call::kDeleteOpen)) return inner_.DeleteOpenMessage(handle, folder, entry);
  inner_.CloseMessage(handle);  // a failed deletion closes the message too
  return platform::DeleteOutcome::kFailed;
}

bool FailingSystem::WriteRunEvent(platform::RunEvent event, const char* const* texts, size_t count, char* problem,
                                  size_t problemSize) {
  if (!Fails(Call::kEvent)) return inner_.WriteRunEvent(event, texts, count, problem, problemSize);
  snprintf(problem, problemSize, "Unable to write the run's event to the system's log: the log is full.");
  return false;
}

}  // namespace testing_support
