#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "purge/purge_run.h"
#include "purge/unread.h"
#include "tests/fake_system.h"

namespace testing_support {

/// A fresh folder under the system temporary folder, removed with everything in it.
class TempDir {
 public:
  explicit TempDir(const std::filesystem::path& base = std::filesystem::temp_directory_path());
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  /// The folder path as the tool would build it (native separators).
  std::string str() const { return path_.string(); }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

/// Writes `content` to `path` as bytes.
void WriteFile(const std::filesystem::path& path, const std::string& content);

/// Standard output (or `stream`, standard error) captured while the object lives: its descriptor
/// is pointed at a file of the object's own, and back. Carriage returns of the Windows text mode
/// are removed.
class CapturedOutput {
 public:
  explicit CapturedOutput(FILE* stream = stdout);
  ~CapturedOutput();
  /// What was written since the capture began; the capture ends.
  std::string Take();
  CapturedOutput(const CapturedOutput&) = delete;
  CapturedOutput& operator=(const CapturedOutput&) = delete;

 private:
  TempDir dir_;
  FILE* stream_;
  int saved_ = -1;  // the descriptor the stream had before
};

/// Splits text into lines (without their line feeds).
std::vector<std::string> Lines(const std::string& text);

/// Calls every file old, as a folder judged with DAYS 0 would.
struct AlwaysOld final : platform::AgeJudge {
  bool IsOld(uint64_t) const override { return true; }
};

/// The records of one purge run on the real file system: options (older than 30 days), the host,
/// no providers, the outcome and the ledger.
struct TestRun {
  TestRun() { options.days = 30; }
  RunOptions options;
  platform::HostSystem system;
  ProviderSet providers;
  RunOutcome outcome;
  RunLedger ledger;
  PurgeRun run() { return PurgeRun{options, system, providers, outcome, ledger}; }
};

/// The records of one purge run over the fake: options (older than 30 days), the fake, the system
/// the run talks to (the fake behind a FailingSystem, to fail a call or count them), the store
/// provider loaded, the outcome and the ledger.
struct FakeRun {
  FakeRun() {
    options.days = 30;
    providers.store = fake.LoadLibraryAt("QNAISP.DLL");
  }
  RunOptions options;
  FakeSystem fake;
  FailingSystem system{fake};
  ProviderSet providers;
  RunOutcome outcome;
  RunLedger ledger;
  PurgeRun run() { return PurgeRun{options, system, providers, outcome, ledger}; }
};

/// IsMessageRead of the file `name` in `folder`, reached as the purge reaches it: through the
/// folder its search has open, with the attributes the listing gives, or those of a plain file
/// when `name` is not listed. `folder` must hold at least one entry.
ReadState ReadStateOf(const std::filesystem::path& folder, const std::string& name);

/// True when this build runs as the Windows executable.
bool IsWindowsBuild();

}  // namespace testing_support
