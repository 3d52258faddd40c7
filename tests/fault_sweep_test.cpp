// Every call of representative runs failed in turn, in this process. A run then deletes nothing
// the run without the fault keeps; it ends with status 0 only with that run's output (bar the line
// of a provider library it does not need) and files, and with status 1 only with a line that run
// does not print saying what failed (unless the output failed), or, when the run's event could not
// be written, with that run's status and output and a line after it saying so. The calls of the
// system are failed over the fake, every kind of them; the failures that only exist inside one
// host call (a listing that fails part way, a header read after the open, the registry file, the
// output, an allocation) are failed in the host itself, on a store on disk.
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
#include "support/server_keys.h"
#include "tests/fake_system.h"
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

  // One pass of the tool failing call `failAt` (0: none) of `only`, or of any kind, starting as a
  // process of its own would: what an earlier pass left behind (the parsed registry file, a failed write, the
  // append-mode flag) is forgotten. Then the store is put back.
  Pass Run(std::vector<const char*> argv, uint64_t failAt, fault::Point only = fault::Point::kCount) {
    platform::ForgetRegistryFile();
    platform::ForgetOutputFailure();
    ResetBufferAppendMode();
    SweepSystem system;
    RunOutcome outcome;
    CapturedOutput output;
    fault::Arm(failAt, only);
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

// What failed: which kind of call, as the two sweeps name them.
struct Failed {
  bool any;
  bool event;   // the run's event was not written
  bool output;  // standard output was not written
};

testing::AssertionResult Holds(const Pass& expected, Pass got, Failed failed) {
  if (!failed.any) return testing::AssertionFailure() << "no call failed";
  if (!std::includes(got.files.begin(), got.files.end(), expected.files.begin(), expected.files.end())) {
    return testing::AssertionFailure() << "deleted a file the run without the fault keeps";
  }
  if (failed.event) {
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
  if (got.status == 1 && (said || failed.output)) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "status " << got.status << " without a line saying what failed";
}

// The store of the sweep over the fake: two postoffices, bad mail, read and unread messages, old and
// new. Data Directory is a store of its own whose old messages must never go: a Mail Root read that
// failed and fell back on it would purge them.
void LaySweptStore(FakeSystem& system) {
  const std::string main = FakePath("/store/POSTOFFICES/Main/MAILROOT");
  const char separator = platform::kPathSeparator;
  system.SetStore(FakePath("/store"));
  system.SetText(kServerKey, "Data Directory", FakePath("/data"));
  system.SetText(kAdministrationKey, "Activity Log Directory", FakePath("/store/logs"));
  system.postoffices = {{"Main", {"alice", "Postmaster"}}, {"Bulk", {"m"}}};
  system.descriptions["Main"] = "Main Office";
  system.AddMessage(main + separator + "alice" + separator + "Inbox", "old-read.MAI", 40, true);
  system.AddMessage(main + separator + "alice" + separator + "Inbox", "old-unread.MAI", 40, false);
  system.AddMessage(main + separator + "alice" + separator + "Inbox", "new.MAI", 5, true);
  system.AddMessage(main + separator + "alice" + separator + "Deleted Items", "gone.MAI", 31, true);
  system.AddMessage(main + separator + "Postmaster" + separator + "Inbox", "pm.MAI", 50, true);
  system.AddMessage(FakePath("/store/POSTOFFICES/Bulk/MAILROOT/m/Inbox"), "bulk.MAI", 45, true);
  system.AddMessage(FakePath("/store/BADMAIL"), "bad.MAI", 90, false);
  system.AddMessage(FakePath("/store/BADMAIL/Messages"), "older.MAI", 400, false);
  for (const char* folder : {"/data/POSTOFFICES/Main/MAILROOT/Postmaster/Inbox",
                             "/data/POSTOFFICES/Main/MAILROOT/alice/Inbox", "/data/BADMAIL"}) {
    system.AddMessage(FakePath(folder), "never.MAI", 400, true);
  }
}

struct SweptRun {
  std::vector<const char*> argv;
  std::vector<std::string> deleted;  // what the run must delete without a fault, under /store
};

Pass RunOnFake(const SweptRun& run, FailingSystem::Call* failed, uint64_t failAt, uint64_t* calls) {
  platform::ForgetOutputFailure();
  ResetBufferAppendMode();  // read once per process
  FakeSystem fake;
  LaySweptStore(fake);
  FailingSystem system(fake);
  system.FailAt(failAt);
  RunOutcome outcome;
  CapturedOutput output;
  RunQnpurge(static_cast<int>(run.argv.size()), run.argv.data(), system, outcome);
  Pass pass{outcome.ExitStatus(), Lines(output.Take()), {}};
  const std::vector<std::string> files = fake.Files();
  pass.files.insert(files.begin(), files.end());
  EXPECT_EQ(fake.openMessages, 0) << "a message left open";
  *failed = system.failed;
  *calls = 0;
  for (const uint64_t count : system.calls) *calls += count;
  return pass;
}

TEST(FaultSweep, EveryFailedCallOfTheSystemIsSaidAndDeletesNothingThatIsKept) {
  // A purge of every postoffice and of bad mail; UNREAD in one mailbox; REPORT; and a preview that
  // visits the Postmaster's Inbox twice.
  const std::string store = FakePath("/store/");
  const SweptRun runs[] = {
      {{"qnpurge", "ALL", "30", "POSTMASTER+INBOX+DELETED+BADMAIL"},
       {"POSTOFFICES/Main/MAILROOT/alice/Deleted Items/gone.MAI", "POSTOFFICES/Main/MAILROOT/alice/Inbox/old-read.MAI",
        "POSTOFFICES/Main/MAILROOT/alice/Inbox/old-unread.MAI", "POSTOFFICES/Main/MAILROOT/Postmaster/Inbox/pm.MAI",
        "POSTOFFICES/Bulk/MAILROOT/m/Inbox/bulk.MAI", "BADMAIL/bad.MAI", "BADMAIL/Messages/older.MAI"}},
      {{"qnpurge", "Main/alice", "30", "INBOX+DELETED", "UNREAD"},
       {"POSTOFFICES/Main/MAILROOT/alice/Inbox/old-read.MAI",
        "POSTOFFICES/Main/MAILROOT/alice/Deleted Items/gone.MAI"}},
      {{"qnpurge", "ALL", "30", "REPORT"}, {}},
      {{"qnpurge", "Main", "30", "PREVIEW+POSTMASTER+INBOX", "UNREAD"}, {}}};
  constexpr int kKinds = static_cast<int>(FailingSystem::Call::kCount);
  int failedCalls[kKinds][2] = {};  // by kind and status
  CapturedOutput errors(stderr);
  for (const SweptRun& run : runs) {
    FailingSystem::Call failed;
    uint64_t calls = 0;
    const Pass expected = RunOnFake(run, &failed, 0, &calls);
    ASSERT_EQ(expected.status, 0) << Text(expected.lines);
    // The run without a fault is the run as it must be, not only as it is.
    FakeSystem pristine;
    LaySweptStore(pristine);
    std::set<std::string> kept;
    for (const std::string& file : pristine.Files()) kept.insert(file);
    for (std::string file : run.deleted) {
      std::replace(file.begin(), file.end(), '/', platform::kPathSeparator);
      kept.erase(store + file);
    }
    ASSERT_EQ(expected.files, kept) << run.argv[1] << " " << run.argv[3];
    for (uint64_t failAt = 1; failAt <= calls; ++failAt) {
      uint64_t ignored = 0;
      const Pass got = RunOnFake(run, &failed, failAt, &ignored);
      const Failed what{failed != FailingSystem::Call::kCount, failed == FailingSystem::Call::kEvent, false};
      ASSERT_TRUE(Holds(expected, got, what)) << run.argv[1] << " " << run.argv[3] << ", call " << failAt << " ("
                                              << FailingSystem::Name(failed) << "): status " << got.status << "\n"
                                              << Text(got.lines);
      ++failedCalls[static_cast<int>(failed)][got.status];
    }
  }
  EXPECT_EQ(errors.Take(), "");
  for (int kind = 0; kind < kKinds; ++kind) {
    const auto call = static_cast<FailingSystem::Call>(kind);
    if (call == FailingSystem::Call::kRegistryCheck && IsWindowsBuild()) continue;
    EXPECT_GT(failedCalls[kind][0] + failedCalls[kind][1], 0) << FailingSystem::Name(call) << ": a kind no run fails";
  }
}

// The kinds of host call whose failure the fake's decorator makes as the host would: the host's
// sweep fails every other kind of the build.
constexpr fault::Point kFailedOnTheFake[] = {
    fault::Point::kListFolder,      fault::Point::kOpenMessage, fault::Point::kDelete,      fault::Point::kRegistry,
    fault::Point::kOpenKey,         fault::Point::kCheckFolder, fault::Point::kLoadLibrary, fault::Point::kFindSymbol,
    fault::Point::kCreateDirectory, fault::Point::kPauseEvent,  fault::Point::kPause,       fault::Point::kClock,
    fault::Point::kComApartment,    fault::Point::kEventSource, fault::Point::kReportEvent};

bool FailedInTheHost(fault::Point kind) {
  return std::find(std::begin(kFailedOnTheFake), std::end(kFailedOnTheFake), kind) == std::end(kFailedOnTheFake) &&
         (fault::MadeIn(kind) == fault::Builds::kBoth || fault::MadeIn(kind) == fault::kThisBuild);
}

TEST(FaultSweep, FailuresInsideTheHostsCallsAreSaidAndDeleteNothingThatIsKept) {
  // A purge that deletes through the listing, and a preview that reads headers and keeps names.
  const std::vector<const char*> runs[] = {{"qnpurge", "ALL", "30", "POSTMASTER+INBOX+DELETED+BADMAIL"},
                                           {"qnpurge", "Main", "30", "PREVIEW+POSTMASTER+INBOX", "UNREAD"}};
  int failedCalls[static_cast<int>(fault::Point::kCount)] = {};
  SweptStore store;
  CapturedOutput errors(stderr);
  for (const std::vector<const char*>& run : runs) {
    const Pass expected = store.Run(run, 0);
    ASSERT_EQ(expected.status, 0) << Text(expected.lines);
    uint64_t calls[static_cast<int>(fault::Point::kCount)];
    for (int kind = 0; kind < static_cast<int>(fault::Point::kCount); ++kind) {
      calls[kind] = fault::Calls(static_cast<fault::Point>(kind));
    }
    for (int index = 0; index < static_cast<int>(fault::Point::kCount); ++index) {
      const auto kind = static_cast<fault::Point>(index);
      if (!FailedInTheHost(kind)) continue;
      for (uint64_t failAt = 1; failAt <= calls[index]; ++failAt) {
        const Pass got = store.Run(run, failAt, kind);
        const fault::Point failed = fault::Failed();
        const Failed what{failed != fault::Point::kCount, false, failed == fault::Point::kWriteOutput};
        ASSERT_TRUE(Holds(expected, got, what)) << run[1] << " " << run[3] << ", call " << failAt << " ("
                                                << fault::Name(failed) << "): status " << got.status << "\n"
                                                << Text(got.lines);
        ++failedCalls[static_cast<int>(failed)];
      }
    }
  }
  EXPECT_EQ(errors.Take(), "");
  for (int index = 0; index < static_cast<int>(fault::Point::kCount); ++index) {
    const auto kind = static_cast<fault::Point>(index);
    if (!FailedInTheHost(kind)) continue;
    EXPECT_GT(failedCalls[index], 0) << fault::Name(kind) << ": a kind of call no run fails";
  }
}

}  // namespace
