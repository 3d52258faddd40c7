// Every platform call of four representative runs failed in turn, in this process, on a store put
// back between runs. A run then deletes nothing the run without the fault keeps; it ends with
// status 0 only with that run's output (bar the line of a provider library it does not need) and
// files, and with status 1 only with a line that run does not print saying what failed (unless
// the output failed), or, when the run's event could not be written, with that run's status and
// output and a line after it saying so; nothing goes to standard error; every kind of call of the
// build is failed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
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

const char* const kFailureStarts[] = {
    "Unable to ",      "Skipped ",       "Not enough memory",      "The registry file ",
    "The server key ", "The Mail Root ", "The Bad Mail Directory "};

// The tool's system, but natively the run's event goes nowhere: the sweep's hundreds of runs
// would fill the machine's journal. Under Wine the event's calls are made, as they have fault
// points (Wine writes their trace only on a debug channel).
class SweepSystem final : public platform::HostSystem {
 public:
  bool WriteRunEvent(platform::RunEvent event, const char* const* texts, size_t count, char* problem,
                     size_t problemSize) override {
    return !IsWindowsBuild() || HostSystem::WriteRunEvent(event, texts, count, problem, problemSize);
  }
};

struct Pass {
  int status;
  std::vector<std::string> lines;
  std::set<std::string> files;
};

class SweptStore {
 public:
  // Two postoffices, one with a folder whose listing takes two reads natively, bad mail, read and
  // unread messages, old and new; natively links, a FIFO and a device among alice's messages.
  SweptStore() {
    const fs::path main = dir_ / "POSTOFFICES" / "Main" / "MAILROOT";
    const fs::path inbox = main / "alice" / "Inbox";
    const fs::path bulk = dir_ / "POSTOFFICES" / "Bulk" / "MAILROOT" / "m" / "Inbox";
    Message(inbox / "old-read.MAI", 40, true);
    Message(inbox / "old-unread.MAI", 40, false);
    Message(inbox / "new.MAI", 5, true);
    Message(main / "Postmaster" / "Inbox" / "pm.MAI", 50, true);
    Message(bulk / "bulk.MAI", 45, true);
    Message(dir_ / "BADMAIL" / "bad.MAI", 90, false);
    Message(dir_ / "BADMAIL" / "Messages" / "older.MAI", 400, false);
    WriteFile(main.parent_path() / "DESCRIPTION.TXT", "Main Office\r\n");
    if (!IsWindowsBuild()) {
      // Natively a listing is read 32 KiB at a time.
      for (int i = 0; i < 130; ++i) WriteFile(bulk / (std::to_string(i) + std::string(240, 'x')), "");
      Message(dir_ / "outside" / "target.MAI", 40, true);
      LayNonFiles(inbox, dir_ / "outside" / "target.MAI", Days(40));
    }
    fs::create_directories(dir_ / "logs");  // no run creates anything, whatever it fails
    std::string application = QNPURGE_APPLICATION_DIRECTORY;
    if (IsWindowsBuild()) {
      std::replace(application.begin(), application.end(), '/', '\\');
      application = "Z:" + application;  // the Linux root under Wine
    }
    registry_.SetText(kTestServerKey, "Mail Root", (dir_ / "POSTOFFICES").string());
    registry_.SetText(kTestServerKey, "Application Directory", application);
    registry_.SetText(kTestServerKey, "Bad Mail Directory", (dir_ / "BADMAIL").string());
    registry_.SetText(kTestServerKey, "Data Directory", dir_.str());
    registry_.SetNumber(kTestAdministrationKey, "Purge Wait", 0);
    registry_.SetText(kTestAdministrationKey, "Activity Log Directory", (dir_ / "logs").string());
    files_ = Files();
    for (const std::string& name : files_) {
      fs::create_directories((pristine_ / name).parent_path());
      fs::create_hard_link(dir_ / name, pristine_ / name);
    }
  }

  // One pass of the tool failing call `failAt` (0: none), starting as a process of its own would:
  // what an earlier pass left behind (the parsed registry file, a failed write, the append-mode
  // flag) is forgotten. Then the store is put back.
  Pass Run(std::vector<const char*> argv, uint64_t failAt) {
    platform::ForgetOutputFailure();
    SweepSystem system;
    RunOutcome outcome;
    CapturedOutput output;
    fault::Arm(failAt);
    RunQnpurge(static_cast<int>(argv.size()), argv.data(), system, outcome);
    fault::Disarm();
    Pass pass{outcome.ExitStatus(), Lines(output.Take()), Files()};
    for (const std::string& name : files_) {
      std::error_code absent;
      if (!fs::exists(fs::symlink_status(dir_ / name, absent))) fs::create_hard_link(pristine_ / name, dir_ / name);
    }
    return pass;
  }

 private:
  static void Message(const fs::path& path, int days, bool read) {
    fs::create_directories(path.parent_path());
    WriteFile(path, std::string("From: sender@example.com\r\n") + (read ? "X-Read: 1\r\n" : "") + "\r\nBody.\r\n");
    AgeFile(path, Days(days));
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

// The per-file lines of a folder ("NAME in FOLDER is 0(y), 1(m), 10(d) old") come in the
// directory's order: each run of them is sorted.
std::vector<std::string> Normalized(std::vector<std::string> lines) {
  const auto isPerFile = [](const std::string& line) {
    return line.size() > 7 && line.compare(line.size() - 7, 7, "(d) old") == 0;
  };
  for (auto block = lines.begin(); block != lines.end();) {
    const auto end = std::find_if_not(block, lines.end(), isPerFile);
    std::sort(block, end);
    block = end == lines.end() ? end : end + 1;
  }
  return lines;
}

std::string Text(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

testing::AssertionResult Holds(const Pass& expected, Pass got, fault::Point failed) {
  if (failed == fault::Point::kCount) return testing::AssertionFailure() << "no call failed";
  if (!std::includes(got.files.begin(), got.files.end(), expected.files.begin(), expected.files.end())) {
    return testing::AssertionFailure() << "deleted a file the run without the fault keeps";
  }
  if (failed == fault::Point::kEventSource || failed == fault::Point::kReportEvent) {
    const bool said = !got.lines.empty() && got.lines.back().rfind("Unable to write the run's event", 0) == 0;
    if (said) got.lines.pop_back();
    if (said && got.status == expected.status && got.files == expected.files &&
        Normalized(got.lines) == Normalized(expected.lines)) {
      return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "an event not written changed the run, or was not said last";
  }
  if (got.status == 0) {
    const auto unneeded = [](const std::string& line) { return line.rfind("Unable to Load ", 0) == 0; };
    got.lines.erase(std::remove_if(got.lines.begin(), got.lines.end(), unneeded), got.lines.end());
    if (got.files == expected.files && Normalized(got.lines) == Normalized(expected.lines)) {
      return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "status 0, other lines or files";
  }
  const bool said = std::any_of(got.lines.begin(), got.lines.end(), [&](const std::string& line) {
    const bool failure = std::any_of(std::begin(kFailureStarts), std::end(kFailureStarts),
                                     [&](const char* start) { return line.rfind(start, 0) == 0; });
    return failure && std::count(expected.lines.begin(), expected.lines.end(), line) == 0;
  });
  if (got.status == 1 && (said || failed == fault::Point::kWriteOutput)) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "status " << got.status << " without a line saying what failed";
}

TEST(FaultSweep, EveryFailedCallIsSaidAndDeletesNothingThatIsKept) {
  // A purge of every postoffice and of bad mail; UNREAD in one mailbox; REPORT; and a preview that
  // visits the Postmaster's Inbox twice.
  const std::vector<const char*> runs[] = {{"qnpurge", "ALL", "30", "POSTMASTER+INBOX+DELETED+BADMAIL"},
                                           {"qnpurge", "Main/alice", "30", "INBOX+DELETED", "UNREAD"},
                                           {"qnpurge", "ALL", "30", "REPORT"},
                                           {"qnpurge", "Main", "30", "PREVIEW+POSTMASTER+INBOX", "UNREAD"}};
  constexpr int kKinds = static_cast<int>(fault::Point::kCount);
  int failedCalls[kKinds][2] = {};  // by kind and status
  SweptStore store;
  CapturedOutput errors(stderr);
  for (const std::vector<const char*>& run : runs) {
    const Pass expected = store.Run(run, 0);
    ASSERT_EQ(expected.status, 0) << Text(expected.lines);
    uint64_t calls = 0;
    for (int kind = 0; kind < kKinds; ++kind) calls += fault::Calls(static_cast<fault::Point>(kind));
    for (uint64_t failAt = 1; failAt <= calls; ++failAt) {
      const Pass got = store.Run(run, failAt);
      const fault::Point failed = fault::Failed();
      ASSERT_TRUE(Holds(expected, got, failed)) << run[1] << " " << run[3] << ", call " << failAt << " ("
                                                << fault::Name(failed) << "): status " << got.status << "\n"
                                                << Text(got.lines);
      ++failedCalls[static_cast<int>(failed)][got.status];
    }
  }
  EXPECT_EQ(errors.Take(), "");
  printf("Calls failed, by kind (status 0 / status 1):\n");
  for (int kind = 0; kind < kKinds; ++kind) {
    const auto point = static_cast<fault::Point>(kind);
    if (fault::MadeIn(point) != fault::Builds::kBoth && fault::MadeIn(point) != fault::kThisBuild) continue;
    const int* byStatus = failedCalls[kind];
    printf("  %-16s %4d  (%d / %d)\n", fault::Name(point), byStatus[0] + byStatus[1], byStatus[0], byStatus[1]);
    EXPECT_GT(byStatus[0] + byStatus[1], 0) << fault::Name(point) << ": a kind of call no run fails";
  }
}

}  // namespace
