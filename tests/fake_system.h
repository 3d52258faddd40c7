#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/system.h"

namespace testing_support {

/// A path of the fake's store as the run builds it: `/a/b` natively, `C:\a\b` on Windows.
std::string FakePath(const std::string& slashPath);

/// The fake's clock: 2026-12-08 00:00 UTC as a file time, and `days` before it.
constexpr uint64_t kFakeNow = 134411616000000000ULL;
constexpr uint64_t DaysAgo(int days) { return kFakeNow - static_cast<uint64_t>(days) * 864000000000ULL; }

/// One directory entry of the fake's store.
struct FakeEntry {
  std::string name;
  uint32_t attributes = platform::kAttributeArchive;
  uint64_t creationTime = kFakeNow;
  std::string bytes;  ///< the message; its size is the entry's
  bool present = true;
  bool nameSubstituted = false;  ///< a '?' of `name` stands for a character the code page lacks
};

/// One registry value: its type and bytes as stored (text with its terminating zero).
struct FakeValue {
  uint32_t type;
  std::string bytes;
};

/// Compares registry key paths as the registry does, ignoring ASCII case.
struct NoCaseLess {
  bool operator()(const std::string& a, const std::string& b) const;
};

/// A machine held in memory: folders of entries with their bytes, a registry, the three provider
/// libraries (the postoffice configuration provider serves `postoffices`), a clock the test sets,
/// and records of what a run asked of it. Its entry points reach the fake constructed last.
class FakeSystem : public platform::System {
 public:
  FakeSystem();
  ~FakeSystem() override;
  FakeSystem(const FakeSystem&) = delete;
  FakeSystem& operator=(const FakeSystem&) = delete;

  /// Puts a message `daysOld` days old in `folder` (a FakePath), making the folder and those above.
  void AddMessage(const std::string& folder, const std::string& name, int daysOld, bool read = true);
  /// Makes `folder` and every folder above it.
  void AddFolder(const std::string& folder);
  /// True while `folder` holds the entry `name`.
  bool Holds(const std::string& folder, const std::string& name) const;
  /// Every entry of the store as "folder<separator>name".
  std::vector<std::string> Files() const;

  /// The messages open now.
  int OpenMessages() const;

  void SetText(const std::string& key, const std::string& name, const std::string& text);
  void SetNumber(const std::string& key, const std::string& name, uint32_t number);
  /// The settings of a store at `root` (a FakePath): Mail Root, Application Directory, Purge Wait
  /// 0 and the Bad Mail Directory beneath it.
  void SetStore(const std::string& root);

  /// The postoffices and their mailboxes, in the order the provider gives them.
  std::vector<std::pair<std::string, std::vector<std::string>>> postoffices;
  std::map<std::string, std::string> descriptions;  ///< a postoffice's text, else its name
  std::map<std::string, std::map<std::string, FakeValue, NoCaseLess>, NoCaseLess> registry;
  std::map<std::string, std::vector<FakeEntry>> folders;
  uint64_t now = kFakeNow;

  std::vector<std::string> searches;  ///< the patterns as the run gave them
  std::vector<std::string> deleted;   ///< "folder<separator>name"
  std::vector<std::string> rescans;   ///< the folder paths ScanFolders was asked for
  std::vector<std::string> freed;     ///< library file names, in the order released
  /// The provider calls with their requests: "first NAME" and "next NAME" (the name field),
  /// "mailboxes POSTOFFICE", "next mailbox", "get POSTOFFICE/MAILBOX".
  std::vector<std::string> providerCalls;
  std::vector<uint32_t> pauses;
  bool pausesFail = false;
  std::vector<std::vector<std::string>> events;  ///< each event's type ("done", "failed", "refused"), then its texts
  /// Gone, as by another run, when the run first opens or deletes it.
  std::string vanishing;

  platform::RegistryRead QueryRegistryValue(const char* subKey, const char* valueName, void* buffer, uint32_t* size,
                                            uint32_t* type) override;
  bool RegistryIsReadable(char* problem, size_t problemSize) override;
  platform::KeyProbe ProbeRegistryKey(const char* subKey) override;
  platform::FolderCheck CheckFolder(const char* path) override;
  platform::SearchOutcome SearchFolder(const char* pattern, platform::EntryVisitor& visitor) override;
  platform::DeleteOutcome DeleteEntry(const platform::Folder& folder, const platform::DirEntry& entry,
                                      const platform::AgeJudge& judge, platform::FileFacts* facts) override;
  platform::OpenOutcome OpenMessage(const platform::Folder& folder, const platform::DirEntry& entry,
                                    const platform::AgeJudge* judge, platform::FileFacts* facts,
                                    platform::MessageHandle* handle) override;
  int64_t ReadMessage(platform::MessageHandle handle, char* buffer, uint32_t wanted) override;
  platform::DeleteOutcome DeleteOpenMessage(platform::MessageHandle handle, const platform::Folder& folder,
                                            const platform::DirEntry& entry) override;
  void CloseMessage(platform::MessageHandle handle) override;
  bool CreateDirectoryAt(const char* path) override;
  platform::LibraryHandle LoadLibraryAt(const char* path) override;
  void* FindSymbol(platform::LibraryHandle library, const char* name) override;
  void FreeLibraryHandle(platform::LibraryHandle library) override;
  void CallInComApartment(void (*call)(void* context), void* context) override;
  uint64_t CurrentFileTime() override { return now; }
  bool Pause(uint32_t milliseconds) override;
  void WaitForKeyPress() override {}
  bool WriteRunEvent(platform::RunEvent event, const char* const* texts, size_t count, char* problem,
                     size_t problemSize) override;

  // The provider entry points' walk positions.
  std::vector<std::string> postofficeWalk;
  size_t nextPostoffice = 0;
  std::vector<std::string> mailboxWalk;
  size_t nextMailbox = 0;

 private:
  // The entry `name` of the folder being searched, when it is there.
  FakeEntry* Find(const char* name);
  platform::DeleteOutcome Remove(FakeEntry* entry);

  std::string searching_;  // the folder of the search under way
  struct Open {
    FakeEntry* entry;
    size_t offset;
  };
  std::vector<Open> open_;
};

/// A system that fails the Nth call made through it (of any kind, or of one), as the real call
/// fails, and otherwise hands each call to `inner`. Closing a message, releasing a library and
/// the key press never fail.
class FailingSystem final : public platform::System {
 public:
  enum class Call {
    kRegistryRead,   ///< kFailed: refused
    kRegistryCheck,  ///< the registry file cannot be read (POSIX only)
    kProbeKey,       ///< kFailed: refused
    kCheckFolder,    ///< kFailed: refused
    kSearch,         ///< kFailed: the folder cannot be opened
    kDelete,         ///< kFailed: denied
    kOpenMessage,    ///< kFailed: denied
    kReadMessage,    ///< -1: an I/O error
    kDeleteOpen,     ///< kFailed: denied, the message closed
    kCreateFolder,   ///< false
    kLoadLibrary,    ///< null: not found
    kFindSymbol,     ///< null: no such entry point
    kComApartment,   ///< the apartment not joined; the call is still made
    kClock,          ///< 0: the time cannot be read
    kPause,          ///< false: the wait failed
    kEvent,          ///< false: the log refused it
    kCount
  };
  static const char* Name(Call call);

  explicit FailingSystem(platform::System& inner) : inner_(inner) {}
  /// Fails the `failAt`-th call (from 1) of `only`, or of any kind; 0 fails none. Counts afresh.
  void FailAt(uint64_t failAt, Call only = Call::kCount);

  uint64_t calls[static_cast<int>(Call::kCount)] = {};
  Call failed = Call::kCount;  ///< the kind of the call that failed; kCount while none has

  platform::RegistryRead QueryRegistryValue(const char* subKey, const char* valueName, void* buffer, uint32_t* size,
                                            uint32_t* type) override {
    if (Fails(Call::kRegistryRead)) return platform::RegistryRead::kFailed;
    return inner_.QueryRegistryValue(subKey, valueName, buffer, size, type);
  }
  bool RegistryIsReadable(char* problem, size_t problemSize) override;
  platform::KeyProbe ProbeRegistryKey(const char* subKey) override {
    return Fails(Call::kProbeKey) ? platform::KeyProbe::kFailed : inner_.ProbeRegistryKey(subKey);
  }
  platform::FolderCheck CheckFolder(const char* path) override {
    return Fails(Call::kCheckFolder) ? platform::FolderCheck::kFailed : inner_.CheckFolder(path);
  }
  platform::SearchOutcome SearchFolder(const char* pattern, platform::EntryVisitor& visitor) override {
    return Fails(Call::kSearch) ? platform::SearchOutcome::kFailed : inner_.SearchFolder(pattern, visitor);
  }
  platform::DeleteOutcome DeleteEntry(const platform::Folder& folder, const platform::DirEntry& entry,
                                      const platform::AgeJudge& judge, platform::FileFacts* facts) override {
    return Fails(Call::kDelete) ? platform::DeleteOutcome::kFailed : inner_.DeleteEntry(folder, entry, judge, facts);
  }
  platform::OpenOutcome OpenMessage(const platform::Folder& folder, const platform::DirEntry& entry,
                                    const platform::AgeJudge* judge, platform::FileFacts* facts,
                                    platform::MessageHandle* handle) override {
    if (Fails(Call::kOpenMessage)) return platform::OpenOutcome::kFailed;
    return inner_.OpenMessage(folder, entry, judge, facts, handle);
  }
  int64_t ReadMessage(platform::MessageHandle handle, char* buffer, uint32_t wanted) override {
    return Fails(Call::kReadMessage) ? -1 : inner_.ReadMessage(handle, buffer, wanted);
  }
  platform::DeleteOutcome DeleteOpenMessage(platform::MessageHandle handle, const platform::Folder& folder,
                                            const platform::DirEntry& entry) override;
  void CloseMessage(platform::MessageHandle handle) override { inner_.CloseMessage(handle); }
  bool CreateDirectoryAt(const char* path) override {
    return !Fails(Call::kCreateFolder) && inner_.CreateDirectoryAt(path);
  }
  platform::LibraryHandle LoadLibraryAt(const char* path) override {
    return Fails(Call::kLoadLibrary) ? nullptr : inner_.LoadLibraryAt(path);
  }
  void* FindSymbol(platform::LibraryHandle library, const char* name) override {
    return Fails(Call::kFindSymbol) ? nullptr : inner_.FindSymbol(library, name);
  }
  void FreeLibraryHandle(platform::LibraryHandle library) override { inner_.FreeLibraryHandle(library); }
  /// A thread that cannot join the apartment still makes the call.
  void CallInComApartment(void (*call)(void* context), void* context) override {
    if (Fails(Call::kComApartment)) return call(context);
    inner_.CallInComApartment(call, context);
  }
  uint64_t CurrentFileTime() override { return Fails(Call::kClock) ? 0 : inner_.CurrentFileTime(); }
  bool Pause(uint32_t milliseconds) override { return !Fails(Call::kPause) && inner_.Pause(milliseconds); }
  void WaitForKeyPress() override { inner_.WaitForKeyPress(); }
  bool WriteRunEvent(platform::RunEvent event, const char* const* texts, size_t count, char* problem,
                     size_t problemSize) override;

 private:
  // Counts one call of `call`; true when it is the one to fail.
  bool Fails(Call call);

  platform::System& inner_;
  uint64_t failAt_ = 0;
  Call only_ = Call::kCount;
  uint64_t counted_ = 0;
};

}  // namespace testing_support
