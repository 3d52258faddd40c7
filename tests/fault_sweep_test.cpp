// Every platform call of four representative runs failed in turn, in this process, on a store put
// back between runs. Whatever fails, a run deletes nothing that the run without the fault keeps;
// it ends with status 0 only with the output and the files of the run without the fault (a
// provider library the run does not need may fail to load with its line); with status 1 it says
// what failed in a line the run without the fault does not print, unless the output failed; and
// nothing goes to standard error. Every kind of call the build makes is failed in some run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "app/run.h"
#include "platform/fault.h"
#include "platform/output.h"
#include "platform/registry.h"
#include "support/replace.h"
#include "tests/registry_fixture.h"
#include "tests/test_support.h"

namespace {

namespace fault = platform::fault;
namespace fs = std::filesystem;
using namespace testing_support;

// A purge of every postoffice and of bad mail; UNREAD in one mailbox (natively with links, a FIFO
// and a device among its messages); REPORT; and a preview that visits the Postmaster's Inbox
// twice.
struct SweptRun {
  const char* name;
  std::vector<const char*> args;
};
const SweptRun kRuns[] = {
    {"delete", {"ALL", "30", "POSTMASTER+INBOX+DELETED+BADMAIL"}},
    {"unread", {"Main/alice", "30", "INBOX+DELETED", "UNREAD"}},
    {"report", {"ALL", "30", "REPORT"}},
    {"preview", {"Main", "30", "PREVIEW+POSTMASTER+INBOX", "UNREAD"}},
};

struct Pass {
  int status;
  std::vector<std::string> lines;
  std::set<std::string> files;
};

void WriteMessage(const fs::path& path, int days, bool read) {
  fs::create_directories(path.parent_path());
  WriteFile(path, std::string("From: sender@example.com\r\nSubject: test\r\n") + (read ? "X-Read: 1\r\n" : "") +
                      "\r\nBody of the message.\r\n");
  AgeFile(path, Days(days));
}

// The store, its registry and a copy of every file as hard links, to put back what a run deleted.
class SweptStore {
 public:
  SweptStore() {
    const fs::path mailRoot = dir_ / "POSTOFFICES";
    const fs::path main = mailRoot / "Main" / "MAILROOT";
    const fs::path inbox = main / "alice" / "Inbox";
    WriteMessage(inbox / "old-read.MAI", 40, true);
    WriteMessage(inbox / "old-unread.MAI", 40, false);
    WriteMessage(inbox / "new.MAI", 5, true);
    WriteMessage(main / "alice" / "Deleted Items" / "deleted.MAI", 100, true);
    WriteMessage(main / "Postmaster" / "Inbox" / "pm.MAI", 50, true);
    WriteFile(mailRoot / "Main" / "DESCRIPTION.TXT", "Main Office\r\n");
    const fs::path bulk = mailRoot / "Bulk" / "MAILROOT" / "m" / "Inbox";
    WriteMessage(bulk / "bulk0.MAI", 45, true);
    WriteMessage(bulk / "bulk1.MAI", 45, true);
    if (!IsWindowsBuild()) {
      // Natively a listing is read 32 KiB at a time: entries that are no messages make two reads.
      for (int i = 0; i < 130; ++i) WriteFile(bulk / (std::to_string(i) + std::string(240, 'x') + ".tmp"), "");
      WriteMessage(dir_ / "outside" / "target.MAI", 40, true);
      LayNonFiles(inbox, dir_ / "outside" / "target.MAI", Days(40));
    }
    WriteMessage(dir_ / "BADMAIL" / "bad.MAI", 90, false);
    WriteMessage(dir_ / "BADMAIL" / "new.MAI", 3, false);
    WriteMessage(dir_ / "BADMAIL" / "Messages" / "older.MAI", 400, false);
    fs::create_directories(dir_ / "logs");  // exists: no run creates anything, whatever it fails

    registry_.SetText(kTestServerKey, "Mail Root", mailRoot.string());
    registry_.SetText(kTestServerKey, "Application Directory", ApplicationDirectory());
    registry_.SetText(kTestServerKey, "Bad Mail Directory", (dir_ / "BADMAIL").string());
    registry_.SetText(kTestServerKey, "Data Directory", dir_.str());
    const std::string administration = std::string(kTestServerKey) + "\\Services\\Administration";
    registry_.SetNumber(administration, "Purge Wait", 0);
    registry_.SetText(administration, "Activity Log Directory", (dir_ / "logs").string());

    files_ = Files();
    for (const std::string& name : files_) {
      fs::create_directories((pristine_ / name).parent_path());
      fs::create_hard_link(dir_ / name, pristine_ / name);
    }
  }

  // One pass of the tool, failing call `failAt` (0: none), as a process of its own would make it:
  // what an earlier pass left in this one is forgotten first (the parsed registry file, a failed
  // write, the append-mode flag). Then the store is put back.
  Pass Run(const SweptRun& run, uint64_t failAt) {
    platform::ForgetRegistryFile();
    platform::ForgetOutputFailure();
    ResetBufferAppendMode();
    std::vector<const char*> argv = {"qnpurge"};
    argv.insert(argv.end(), run.args.begin(), run.args.end());
    RunOutcome outcome;
    CapturedOutput output;
    fault::Arm(failAt);
    RunQnpurge(static_cast<int>(argv.size()), argv.data(), outcome);
    fault::Disarm();
    Pass pass{outcome.ExitStatus(), Lines(output.Take()), Files()};
    for (const std::string& name : files_) {
      std::error_code absent;
      if (!fs::exists(fs::symlink_status(dir_ / name, absent))) fs::create_hard_link(pristine_ / name, dir_ / name);
    }
    return pass;
  }

 private:
  static std::string ApplicationDirectory() {
    std::string directory = QNPURGE_APPLICATION_DIRECTORY;
    if (!IsWindowsBuild()) return directory;
    std::replace(directory.begin(), directory.end(), '/', '\\');
    return "Z:" + directory;  // the Linux root under Wine
  }

  std::set<std::string> Files() const {
    std::set<std::string> files;
    for (const char* top : {"POSTOFFICES", "BADMAIL"}) {
      for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir_ / top)) {
        if (entry.symlink_status().type() == fs::file_type::directory) continue;
        files.insert(entry.path().lexically_relative(dir_.path()).generic_string());
      }
    }
    return files;
  }

  TempDir dir_;
  TempDir pristine_;
  RegistryFixture registry_;
  std::set<std::string> files_;
};

// The per-file lines of one folder come in the directory's own order: each run of them sorted.
std::vector<std::string> Normalized(std::vector<std::string> lines, bool dropUnneededLibraries) {
  static const std::regex perFile(R"(^(\t\t)?.+ in .+ is \d+\(y\), \d+\(m\), \d+\(d\) old$)");
  static const std::regex unneeded("^Unable to Load (Authentication|Store|Postoffice Configuration) Provider$");
  if (dropUnneededLibraries) {
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const std::string& line) { return std::regex_match(line, unneeded); }),
                lines.end());
  }
  for (auto block = lines.begin(); block != lines.end();) {
    const auto end =
        std::find_if_not(block, lines.end(), [](const std::string& line) { return std::regex_match(line, perFile); });
    std::sort(block, end);
    block = end == lines.end() ? end : end + 1;
  }
  return lines;
}

testing::AssertionResult Holds(const Pass& expected, const Pass& got, fault::Point failed) {
  if (got.status != 0 && got.status != 1) return testing::AssertionFailure() << "an odd status";
  if (!std::includes(got.files.begin(), got.files.end(), expected.files.begin(), expected.files.end())) {
    return testing::AssertionFailure() << "deleted a file the run without the fault keeps";
  }
  if (got.status == 0) {
    if (got.files != expected.files) return testing::AssertionFailure() << "status 0, other files left";
    if (Normalized(got.lines, true) != Normalized(expected.lines, false)) {
      return testing::AssertionFailure() << "status 0, other lines";
    }
  } else if (failed != fault::Point::kWriteOutput) {
    static const std::regex failure("^(Unable to |Skipped |Not enough memory|The registry file ).*");
    const bool said = std::any_of(got.lines.begin(), got.lines.end(), [&](const std::string& line) {
      return std::regex_match(line, failure) &&
             std::find(expected.lines.begin(), expected.lines.end(), line) == expected.lines.end();
    });
    if (!said) return testing::AssertionFailure() << "status 1 without a line saying what failed";
  }
  return testing::AssertionSuccess();
}

TEST(FaultSweep, EveryFailedCallIsSaidAndDeletesNothingThatIsKept) {
  SweptStore store;
  std::map<fault::Point, int> outcomes[2];  // calls failed by kind, for status 0 and status 1
  CapturedOutput errors(stderr);
  for (const SweptRun& run : kRuns) {
    const Pass expected = store.Run(run, 0);
    std::string output;
    for (const std::string& line : expected.lines) output += line + "\n";
    ASSERT_EQ(expected.status, 0) << output;
    uint64_t calls = 0;
    for (int kind = 0; kind < static_cast<int>(fault::Point::kCount); ++kind) {
      calls += fault::Calls(static_cast<fault::Point>(kind));
    }
    for (uint64_t failAt = 1; failAt <= calls; ++failAt) {
      const Pass got = store.Run(run, failAt);
      const fault::Point failed = fault::Failed();
      std::string where = std::string(run.name) + " run, call " + std::to_string(failAt) + " (" + fault::Name(failed) +
                          "): status " + std::to_string(got.status) + "\n";
      for (const std::string& line : got.lines) where += line + "\n";
      ASSERT_TRUE(failed != fault::Point::kCount) << where;
      ASSERT_TRUE(Holds(expected, got, failed)) << where;
      ++outcomes[got.status][failed];
    }
  }
  EXPECT_EQ(errors.Take(), "");

  printf("Calls failed, by kind (status 0 / status 1):\n");
  std::string unreached;
  for (int kind = 0; kind < static_cast<int>(fault::Point::kCount); ++kind) {
    const auto point = static_cast<fault::Point>(kind);
    if (fault::MadeIn(point) != fault::Builds::kBoth && fault::MadeIn(point) != fault::kThisBuild) continue;
    const int zero = outcomes[0][point];
    const int one = outcomes[1][point];
    printf("  %-16s %4d  (%d / %d)\n", fault::Name(point), zero + one, zero, one);
    if (zero + one == 0) unreached += std::string(" ") + fault::Name(point);
  }
  EXPECT_EQ(unreached, "") << "kinds of call no run fails";
}

}  // namespace
