// Every call a run makes to its system failed in turn, over the in-memory system, in this
// process. A run then deletes nothing the run without the fault keeps (and that run deletes what
// it must); it ends with status 0 only with that run's output (bar the line of a provider library
// it does not need) and files, and with status 1 only with a line that run does not print saying
// what failed, or, when the run's event could not be written, with that run's status and output
// and a line after it saying so; no message is left open, nothing goes to standard error, and
// every kind of call is failed. What fails only inside one host call is failed in the tool as a
// process (tests/e2e/fault_test.py).
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "app/run.h"
#include "platform/output.h"
#include "support/server_keys.h"
#include "tests/fake_system.h"
#include "tests/test_support.h"

namespace {

using namespace testing_support;

const char* const kFailureStarts[] = {
    "Unable to ",      "Skipped ",       "Not enough memory",      "The registry file ",
    "The server key ", "The Mail Root ", "The Bad Mail Directory "};

struct Pass {
  int status;
  std::vector<std::string> lines;
  std::set<std::string> files;
};

testing::AssertionResult Holds(const Pass& expected, Pass got, FailingSystem::Call failed) {
  if (failed == FailingSystem::Call::kCount) return testing::AssertionFailure() << "no call failed";
  if (!std::includes(got.files.begin(), got.files.end(), expected.files.begin(), expected.files.end())) {
    return testing::AssertionFailure() << "deleted a file the run without the fault keeps";
  }
  if (failed == FailingSystem::Call::kEvent) {
    const bool said = !got.lines.empty() && got.lines.back().rfind("Unable to write the run's event", 0) == 0;
    if (said) got.lines.pop_back();
    if (said && got.status == expected.status && got.files == expected.files && got.lines == expected.lines) {
      return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "an event not written changed the run, or was not said last";
  }
  if (got.status == 0) {
    const auto unneeded = [](const std::string& line) { return line.rfind("Unable to Load ", 0) == 0; };
    got.lines.erase(std::remove_if(got.lines.begin(), got.lines.end(), unneeded), got.lines.end());
    if (got.files == expected.files && got.lines == expected.lines) {
      return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "status 0, other lines or files";
  }
  const bool said = std::any_of(got.lines.begin(), got.lines.end(), [&](const std::string& line) {
    const bool failure = std::any_of(std::begin(kFailureStarts), std::end(kFailureStarts),
                                     [&](const char* start) { return line.rfind(start, 0) == 0; });
    return failure && std::count(expected.lines.begin(), expected.lines.end(), line) == 0;
  });
  if (got.status == 1 && said) return testing::AssertionSuccess();
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
  EXPECT_EQ(fake.OpenMessages(), 0) << "a message left open";
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
  int failedCalls[kKinds] = {};
  CapturedOutput errors(stderr);
  for (const SweptRun& run : runs) {
    FailingSystem::Call failed;
    uint64_t calls = 0;
    const Pass expected = RunOnFake(run, &failed, 0, &calls);
    ASSERT_EQ(expected.status, 0) << testing::PrintToString(expected.lines);
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
      ASSERT_TRUE(Holds(expected, got, failed)) << run.argv[1] << " " << run.argv[3] << ", call " << failAt << " ("
                                                << FailingSystem::Name(failed) << "): status " << got.status << "\n"
                                                << testing::PrintToString(got.lines);
      ++failedCalls[static_cast<int>(failed)];
    }
  }
  EXPECT_EQ(errors.Take(), "");
  for (int kind = 0; kind < kKinds; ++kind) {
    const auto call = static_cast<FailingSystem::Call>(kind);
    if (call == FailingSystem::Call::kRegistryCheck && IsWindowsBuild()) continue;
    EXPECT_GT(failedCalls[kind], 0) << FailingSystem::Name(call) << ": a kind no run fails";
  }
}

}  // namespace
