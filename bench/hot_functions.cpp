// Micro-benchmarks of what the purge does per file: the case-insensitive search, the unread
// test on header blocks of typical and pathological shape, and the age computation; and of the
// POSIX registry file's parse, read once per run.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "platform/registry_file.h"
#include "platform/system.h"
#include "purge/age.h"
#include "purge/unread.h"
#include "support/text.h"

namespace {

void BM_FindNoCaseSwitches(benchmark::State& state) {
  static const char* const kKeywords[] = {"POSTMASTER", "INBOX", "DELETED", "SENT", "JUNK", "BADMAIL", "REPORT"};
  const std::string switches = "Inbox+Deleted+Sent+Junk+BadMail";
  for (auto _ : state) {
    for (const char* keyword : kKeywords) benchmark::DoNotOptimize(FindNoCase(switches.c_str(), keyword));
  }
}
BENCHMARK(BM_FindNoCaseSwitches);

// The worst case of the plain search: every position matches all but the last needle byte.
void BM_FindNoCaseNearMisses(benchmark::State& state) {
  const std::string haystack(static_cast<size_t>(state.range(0)), 'a');
  const std::string needle = std::string(15, 'A') + "B";
  for (auto _ : state) benchmark::DoNotOptimize(FindNoCase(haystack.c_str(), needle.c_str()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_FindNoCaseNearMisses)->Arg(1023)->Arg(1 << 16);

// A header block of about `size` bytes in CR LF lines, the marker (when wanted) near its end,
// then a body.
std::string TypicalMessage(size_t size, bool read) {
  std::string header = "Return-Path: <sender@example.org>\r\n";
  while (header.size() < size - 400) {
    header +=
        "Received: from mx.example.net (mx.example.net [192.0.2.1]) by mail.example.com;\r\n"
        "\tTue, 14 Nov 2023 22:13:57 +0000\r\n";
  }
  header +=
      "From: \"Sender\" <sender@example.org>\r\nTo: someone@example.com\r\nSubject: the quarterly report\r\n"
      "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=\"us-ascii\"\r\n";
  header += read ? "X-Read: 1\r\n" : "X-Read: 0\r\n";
  header += "X-Mailer: Example Mail Client 4.2\r\n\r\n";
  return header + std::string(20000, 'b');
}

// A message file alone in a folder of its own.
class MessageFile {
 public:
  explicit MessageFile(const std::string& content) {
    char folder[] = "/tmp/qnpurge-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) std::abort();
    folder_ = folder;
    const std::string path = folder_ + "/m.MAI";
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size())) std::abort();
    close(fd);
  }
  ~MessageFile() {
    unlink((folder_ + "/m.MAI").c_str());
    rmdir(folder_.c_str());
  }
  std::string pattern() const { return folder_ + "/*.MAI"; }

 private:
  std::string folder_;
};

// Times IsMessageRead the way the purge reaches a message: through the folder its search has
// open, with the entry as the listing gives it.
class TimedRead final : public platform::EntryVisitor {
 public:
  TimedRead(benchmark::State& state, ReadState expected) : state_(state), expected_(expected) {}
  void Visit(const platform::Folder& folder, const platform::DirEntry& entry) override {
    if (IsMessageRead(host_, folder, entry) != expected_) {
      state_.SkipWithError("unexpected answer");
      return;
    }
    for (auto _ : state_) benchmark::DoNotOptimize(IsMessageRead(host_, folder, entry));
  }

 private:
  benchmark::State& state_;
  ReadState expected_;
  platform::HostSystem host_;
};

void RunIsMessageRead(benchmark::State& state, const std::string& content, int expected) {
  MessageFile file(content);
  TimedRead timed(state, expected ? ReadState::kRead : ReadState::kUnread);
  platform::HostSystem().SearchFolder(file.pattern().c_str(), timed);
}

void BM_IsMessageReadTypicalRead(benchmark::State& state) {
  RunIsMessageRead(state, TypicalMessage(static_cast<size_t>(state.range(0)), true), 1);
}
BENCHMARK(BM_IsMessageReadTypicalRead)->Arg(1024)->Arg(3072);

void BM_IsMessageReadTypicalUnread(benchmark::State& state) {
  RunIsMessageRead(state, TypicalMessage(static_cast<size_t>(state.range(0)), false), 0);
}
BENCHMARK(BM_IsMessageReadTypicalUnread)->Arg(1024)->Arg(3072);

// One header line of 256 KB and no line end: read to the end in 2,047-byte pieces.
void BM_IsMessageReadOneHugeLine(benchmark::State& state) { RunIsMessageRead(state, std::string(256 * 1024, 'h'), 0); }
BENCHMARK(BM_IsMessageReadOneHugeLine);

// 64 K header lines of one character each, no empty line: the most pieces per byte.
void BM_IsMessageReadManyTinyLines(benchmark::State& state) {
  std::string content;
  for (int i = 0; i < 65536; ++i) content += "h\n";
  RunIsMessageRead(state, content, 0);
}
BENCHMARK(BM_IsMessageReadManyTinyLines);

// CR-only line ends: to the reader the whole file is one line.
void BM_IsMessageReadCarriageReturnsOnly(benchmark::State& state) {
  std::string content;
  while (content.size() < 64 * 1024) content += "Received: from mx.example.net\r";
  content += "X-Read: 1\r\r";
  RunIsMessageRead(state, content, 0);
}
BENCHMARK(BM_IsMessageReadCarriageReturnsOnly);

// A message gone since its folder was listed.
void BM_IsMessageReadMissingFile(benchmark::State& state) {
  class Gone final : public platform::EntryVisitor {
   public:
    explicit Gone(benchmark::State& state) : state_(state) {}
    void Visit(const platform::Folder& folder, const platform::DirEntry&) override {
      const platform::DirEntry missing{"missing.MAI", platform::kAttributeNormal, 0};
      for (auto _ : state_) benchmark::DoNotOptimize(IsMessageRead(host_, folder, missing));
    }
    benchmark::State& state_;
    platform::HostSystem host_;
  };
  MessageFile file("X-Read: 1\r\n\r\n");
  Gone gone(state);
  platform::HostSystem().SearchFolder(file.pattern().c_str(), gone);
}
BENCHMARK(BM_IsMessageReadMissingFile);

void BM_ComputeAge(benchmark::State& state) {
  // Elapsed times from an hour to two years, in file-time units.
  constexpr uint64_t kNow = 134000000000000000ull;
  constexpr uint64_t kHour = 36000000000ull;
  std::vector<uint64_t> created;
  for (uint64_t hours = 1; hours < 2 * 366 * 24; hours += 7) created.push_back(kNow - hours * kHour);
  for (auto _ : state) {
    uint32_t old = 0;
    for (uint64_t time : created) {
      const std::optional<MessageAge> age = ComputeAge(kNow, time);
      old += age && IsOld(*age, 30);
    }
    benchmark::DoNotOptimize(old);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * created.size()));
}
BENCHMARK(BM_ComputeAge);

// 40,000 keys, then 40,000 deletions of a key their names all begin with: once quadratic (10 s
// and more); a whole run should take well under a second.
void BM_RegistryFileKeyDeletions(benchmark::State& state) {
  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
  for (int i = 1; i <= 40000; ++i) text += "[HKEY_LOCAL_MACHINE\\A" + std::to_string(i) + "]\r\n";
  for (int i = 0; i < 40000; ++i) text += "[-HKEY_LOCAL_MACHINE\\A]\r\n";
  for (auto _ : state) {
    platform::RegistryFile file;
    platform::RegistryFile::Problem problem;
    if (!file.Parse(text, &problem)) std::abort();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_RegistryFileKeyDeletions)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
