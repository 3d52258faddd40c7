// The run's one event: its kind and texts for each way a pass ends, none after the usage text,
// and a write that fails said last without changing the exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/run.h"
#include "app/run_event.h"
#include "platform/output.h"
#include "support/replace.h"
#include "tests/test_support.h"

namespace {

using namespace testing_support;
using platform::RunEvent;
using Texts = std::vector<std::string>;

struct Pass {
  int status;
  Texts lines;
  std::vector<Texts> events;  // each event's kind, then its texts
  Texts freed;                // the provider libraries released, in order
};

// A pass over a store whose bad mail holds one old message, failing the first call of `failing`.
Pass RunTool(std::vector<const char*> argv, FailingSystem::Call failing = FailingSystem::Call::kCount) {
  platform::ForgetOutputFailure();
  FakeSystem fake;
  fake.SetStore(FakePath("/store"));
  fake.AddMessage(FakePath("/store/BADMAIL"), "bad.MAI", 40);
  FailingSystem system(fake);
  system.FailAt(failing == FailingSystem::Call::kCount ? 0 : 1, failing);
  RunOutcome outcome;
  CapturedOutput output;
  RunQnpurge(static_cast<int>(argv.size()), argv.data(), system, outcome);
  return {outcome.ExitStatus(), Lines(output.Take()), fake.events, fake.freed};
}

TEST(RunEvent, EachPassButTheUsageTextEndsWithOneEventOfItsKind) {
  EXPECT_TRUE(RunTool({"qnpurge", "/?"}).events.empty());

  const Pass tooFew = RunTool({"qnpurge", "ALL", "30"});
  EXPECT_EQ(tooFew.events, (std::vector<Texts>{{"refused", "qnpurge ALL 30", tooFew.lines.back()}}));
  const Pass refused = RunTool({"qnpurge", "ALL", "3O", "INBOX+Deleted Items"});
  EXPECT_EQ(refused.events, (std::vector<Texts>{{"refused", "qnpurge ALL 3O \"INBOX+Deleted Items\"",
                                                 "The DAYS argument \"3O\" is not a number. Nothing was done."}}));

  // The providers are released store first.
  const Pass done = RunTool({"qnpurge", "ALL", "30", "BADMAIL"});
  ASSERT_EQ(done.status, 0);
  EXPECT_EQ(done.events, (std::vector<Texts>{{"done", "qnpurge ALL 30 BADMAIL", done.lines.back()}}));
  EXPECT_EQ(done.lines.back().rfind("Purged 1 messages (", 0), 0u);
  EXPECT_EQ(done.freed, (Texts{"QNAISP.DLL", "QNAIAU.DLL", "QNAIPO.DLL"}));

  const Pass failed = RunTool({"qnpurge", "ALL", "30", "BADMAIL"}, FailingSystem::Call::kDelete);
  ASSERT_EQ(failed.status, 1);
  EXPECT_EQ(failed.events, (std::vector<Texts>{{"failed", "qnpurge ALL 30 BADMAIL",
                                                "Unable to delete bad.MAI in " + FakePath("/store/BADMAIL"),
                                                "Purged 0 messages (0 bytes) from 0 folders."}}));

  // The event not written: said after everything else, and the status stays the run's.
  const Pass unsaid = RunTool({"qnpurge", "ALL", "30", "BADMAIL"}, FailingSystem::Call::kEvent);
  EXPECT_EQ(unsaid.status, 0);
  EXPECT_EQ(unsaid.lines.back().rfind("Unable to write the run's event", 0), 0u);
  EXPECT_EQ(unsaid.lines[unsaid.lines.size() - 2], done.lines.back());
}

TEST(RunEvent, TextsAreBoundedAndSayWhatTheyLeftOut) {
  RunOutcome outcome;
  RunOutcome full;
  {
    CapturedOutput output;
    for (int i = 1; i <= 25; ++i) outcome.Fail("Unable to delete m%d.MAI in /store\n", i);
    full.Fail("%s\n", std::string(RunOutcome::kKeptTextSize, 'y').c_str());
    full.Fail("Unable to search /store\n");
  }
  const std::string longArgument(5000, 'x');
  const char* argv[] = {"qnpurge", "ALL\n", "", longArgument.c_str(), "UNREAD"};
  FakeSystem system;
  WriteRunEvent(system, RunEvent::kFailed, 5, argv, outcome, "");
  ASSERT_EQ(system.events.size(), 1u);
  const Texts texts(system.events[0].begin() + 1, system.events[0].end());
  EXPECT_EQ(texts[0], "qnpurge ALL? \"\" ... (5008 more characters)");
  const std::vector<std::string> lines = Lines(texts[1] + "\n");
  ASSERT_EQ(lines.size(), 21u);
  EXPECT_EQ(lines[19], "Unable to delete m20.MAI in /store");
  EXPECT_EQ(lines[20], "and 5 more");
  EXPECT_EQ(texts[2], "");

  // A line that does not fit whole is counted, and so is every one after it.
  EXPECT_STREQ(full.KeptLines(), "");
  EXPECT_EQ(full.LinesLeftOut(), 2u);
}

}  // namespace
