// The run's one event: its kind and texts for each way a pass ends, none after the usage text,
// and a write that fails said last without changing the exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/run.h"
#include "app/run_event.h"
#include "platform/output.h"
#include "tests/registry_fixture.h"
#include "tests/test_support.h"

namespace {

using namespace testing_support;
using platform::RunEvent;

struct Event {
  RunEvent kind;
  std::vector<std::string> texts;
};

// The host's calls, but the events are recorded instead of written, the key press is not waited
// for, and deletions can be made to fail.
class RecordingSystem final : public platform::HostSystem {
 public:
  bool WriteRunEvent(RunEvent kind, const char* const* texts, size_t count, char* problem,
                     size_t problemSize) override {
    events.push_back({kind, std::vector<std::string>(texts, texts + count)});
    if (eventFails) snprintf(problem, problemSize, "Unable to write the run's event (test).");
    return !eventFails;
  }
  platform::DeleteOutcome DeleteEntry(const platform::Folder& folder, const platform::DirEntry& entry,
                                      const platform::AgeJudge& judge, platform::FileFacts* facts) override {
    return deleteFails ? platform::DeleteOutcome::kFailed : HostSystem::DeleteEntry(folder, entry, judge, facts);
  }
  void WaitForKeyPress() override {}

  std::vector<Event> events;
  bool eventFails = false;
  bool deleteFails = false;
};

struct Pass {
  int status;
  std::vector<std::string> lines;
  std::vector<Event> events;
};

Pass RunTool(std::vector<const char*> argv, RecordingSystem&& system = {}) {
  platform::ForgetOutputFailure();
  RunOutcome outcome;
  CapturedOutput output;
  RunQnpurge(static_cast<int>(argv.size()), argv.data(), system, outcome);
  return {outcome.ExitStatus(), Lines(output.Take()), system.events};
}

TEST(RunEvent, EachPassButTheUsageTextEndsWithOneEventOfItsKind) {
  EXPECT_TRUE(RunTool({"qnpurge", "/?"}).events.empty());

  const Pass tooFew = RunTool({"qnpurge", "ALL", "30"});
  ASSERT_EQ(tooFew.events.size(), 1u);
  EXPECT_EQ(tooFew.events[0].kind, RunEvent::kRefused);
  EXPECT_EQ(tooFew.events[0].texts, (std::vector<std::string>{"qnpurge ALL 30", tooFew.lines.back()}));
  const Pass refused = RunTool({"qnpurge", "ALL", "3O", "INBOX+Deleted Items"});
  ASSERT_EQ(refused.events.size(), 1u);
  EXPECT_EQ(refused.events[0].kind, RunEvent::kRefused);
  EXPECT_EQ(refused.events[0].texts, (std::vector<std::string>{"qnpurge ALL 3O \"INBOX+Deleted Items\"",
                                                               "The DAYS argument \"3O\" is not a number. Nothing "
                                                               "was done."}));

  TempDir dir;
  RegistryFixture registry;
  std::string application = QNPURGE_APPLICATION_DIRECTORY;
  if (IsWindowsBuild()) {
    std::replace(application.begin(), application.end(), '/', '\\');
    application = "Z:" + application;
  }
  registry.SetText(kTestServerKey, "Application Directory", application);
  registry.SetText(kTestServerKey, "Bad Mail Directory", dir.str());
  registry.SetText(kTestServerKey, "Data Directory", dir.str());
  registry.SetText(kTestAdministrationKey, "Activity Log Directory", dir.str());
  const auto badMessage = [&] {
    WriteFile(dir / "bad.MAI", "From: a@example.com\r\n\r\nBody\r\n");
    AgeFile(dir / "bad.MAI", Days(40));
  };
  badMessage();
  const Pass done = RunTool({"qnpurge", "ALL", "30", "BADMAIL"});
  ASSERT_EQ(done.status, 0);
  ASSERT_EQ(done.events.size(), 1u);
  EXPECT_EQ(done.events[0].kind, RunEvent::kDone);
  EXPECT_EQ(done.events[0].texts, (std::vector<std::string>{"qnpurge ALL 30 BADMAIL", done.lines.back()}));
  EXPECT_EQ(done.lines.back().rfind("Purged 1 messages (", 0), 0u);

  badMessage();
  RecordingSystem failing;
  failing.deleteFails = true;
  const Pass failed = RunTool({"qnpurge", "ALL", "30", "BADMAIL"}, std::move(failing));
  ASSERT_EQ(failed.status, 1);
  ASSERT_EQ(failed.events.size(), 1u);
  EXPECT_EQ(failed.events[0].kind, RunEvent::kFailed);
  EXPECT_EQ(failed.events[0].texts,
            (std::vector<std::string>{"qnpurge ALL 30 BADMAIL", "Unable to delete bad.MAI in " + dir.str(),
                                      "Purged 0 messages (0 bytes) from 0 folders."}));

  // The event not written: said after everything else, and the status stays the run's.
  RecordingSystem unwritable;
  unwritable.eventFails = true;
  const Pass unsaid = RunTool({"qnpurge", "ALL", "30", "BADMAIL"}, std::move(unwritable));
  EXPECT_EQ(unsaid.status, 0);
  EXPECT_EQ(unsaid.lines.back(), "Unable to write the run's event (test).");
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
  RecordingSystem system;
  WriteRunEvent(system, RunEvent::kFailed, 5, argv, outcome, "");
  ASSERT_EQ(system.events.size(), 1u);
  const std::vector<std::string>& texts = system.events[0].texts;
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
