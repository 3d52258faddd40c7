#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/run.h"
#include "platform/output.h"
#include "support/server_keys.h"
#include "tests/test_support.h"

namespace {

using namespace testing_support;
using Texts = std::vector<std::string>;

struct Case {
  std::vector<const char*> argv;
  std::function<void(FakeSystem&)> change;
  uint64_t failedLoad;  // the provider library load that fails, from 1; 0 for none
  Texts lines;          // after the first empty line, then "status N"
  Texts freed;
};

// Whole runs with every line they write: a provider that does not load (the walk goes on without
// the rescans; only what was loaded is released, the store first), names the walk skips, and
// settings that name nothing usable.
TEST(RunLines, AWholeRunSaysEachStepAndEveryFailureInItsOwnLine) {
  const std::string inbox = FakePath("/s/POSTOFFICES/P/MAILROOT/m/Inbox");
  const std::string rewritten = "\" of postoffice P: Windows would read its folder name as another one";
  const std::string bad = FakePath("/s/BADMAIL");
  Texts noStore = {"Unable to Load Store Provider",
                   "Purging Mailbox Messages older than 30 days",
                   "Postoffice Root=" + FakePath("/s/POSTOFFICES"),
                   "Purging Postmaster mailbox for postoffice: P",
                   "[SF:P/m] -> Purging Inbox",
                   "old.MAI in " + inbox + " is 0(y), 1(m), 10(d) old",
                   "-->1\t Messages in\t" + inbox,
                   "Skipped the rescan of " + inbox + ": the Store Provider is not loaded",
                   "Purged 1 messages (46 bytes) from 1 folders.",
                   "status 1"};
  Texts noStorePreview = noStore;
  noStorePreview[8].replace(0, 6, "Would purge");
  const Texts all = {"QNAISP.DLL", "QNAIAU.DLL", "QNAIPO.DLL"};
  const Case cases[] = {
      {{"qnpurge", "P", "30", "INBOX"}, nullptr, 3, noStore, {"QNAIAU.DLL", "QNAIPO.DLL"}},
      {{"qnpurge", "P", "30", "PREVIEW+INBOX"}, nullptr, 3, noStorePreview, {"QNAIAU.DLL", "QNAIPO.DLL"}},
      {{"qnpurge", "ALL", "30", "BADMAIL"},
       nullptr,
       1,
       {"Unable to Load Authentication Provider", "Cleaning Files files older than 30 days from BadMail directory",
        "bad.MAI in " + bad + " is 0(y), 3(m), 1(d) old", "-->1\t Messages in\t" + bad,
        "Purged 1 messages (46 bytes) from 1 folders.", "status 0"},
       {"QNAISP.DLL", "QNAIPO.DLL"}},
      {{"qnpurge", "ALL", "30", "INBOX+POSTMASTER"},
       [](FakeSystem& fake) {
         fake.postoffices = {{"P", {"a:b", "m", "m.", "m..", "CON", "lpt1.x"}}, {"x:y", {"m"}}, {"...", {"m"}}};
         fake.descriptions["P"] = "Main Office";
       },
       0,
       {"Purging Mailbox Messages older than 30 days", "Postoffice Root=" + FakePath("/s/POSTOFFICES"),
        "Purging Postmaster mailbox for postoffice: Main Office",
        "Skipped mailbox \"a:b\" of postoffice P: the name cannot be part of a folder path",
        "[SF:P/m] -> Purging Inbox", "old.MAI in " + inbox + " is 0(y), 1(m), 10(d) old",
        "-->1\t Messages in\t" + inbox, "Skipped mailbox \"m." + rewritten, "Skipped mailbox \"m.." + rewritten,
        "Skipped mailbox \"CON" + rewritten, "Skipped mailbox \"lpt1.x" + rewritten,
        "Purging Postmaster mailbox for postoffice: x:y",
        "Skipped postoffice \"x:y\": the name cannot be part of a folder path",
        "Purging Postmaster mailbox for postoffice: ...",
        "Skipped postoffice \"...\": Windows would read its folder name as another one",
        "Purged 1 messages (46 bytes) from 1 folders.", "status 1"},
       all},
      {{"qnpurge", "ALL", "30", "INBOX+BADMAIL"},
       [&](FakeSystem& fake) {
         fake.SetText(kServerKey, "Mail Root", FakePath("/nowhere"));
         fake.SetText(kServerKey, "Bad Mail Directory", bad + platform::kPathSeparator + "bad.MAI");
       },
       0,
       {"Purging Mailbox Messages older than 30 days", "Postoffice Root=" + FakePath("/nowhere"),
        "The Mail Root " + FakePath("/nowhere") + " does not exist or is not a folder: no postoffice was purged.",
        "Cleaning Files files older than 30 days from BadMail directory",
        "The Bad Mail Directory " + FakePath("/s/BADMAIL/bad.MAI") +
            " does not exist or is not a folder: no bad mail was purged.",
        "Purged 0 messages (0 bytes) from 0 folders.", "status 1"},
       all},
      {{"qnpurge", "ALL", "30", "INBOX+BADMAIL"},
       [&](FakeSystem& fake) { fake.registry.erase(kServerKey); },
       0,
       {"The server key HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton does not exist: is the "
        "mail server installed on this machine? Nothing was done.",
        "status 1"},
       {}},
  };
  for (const Case& c : cases) {
    platform::ForgetOutputFailure();
    FakeSystem fake;
    fake.SetStore(FakePath("/s"));
    fake.SetText(kServerKey, "Data Directory", FakePath("/d"));
    fake.postoffices = {{"P", {"m"}}};
    fake.AddMessage(inbox, "old.MAI", 40);
    fake.AddMessage(bad, "bad.MAI", 90);
    if (c.change) c.change(fake);
    FailingSystem system(fake);
    system.FailAt(c.failedLoad, FailingSystem::Call::kLoadLibrary);
    RunOutcome outcome;
    CapturedOutput output;
    RunQnpurge(static_cast<int>(c.argv.size()), c.argv.data(), system, outcome);
    Texts lines = Lines(output.Take());
    const auto blank = std::find(lines.begin(), lines.end(), "");
    lines.erase(lines.begin(), blank == lines.end() ? blank : blank + 1);
    lines.push_back("status " + std::to_string(outcome.ExitStatus()));
    EXPECT_EQ(lines, c.lines) << c.argv[1] << " " << c.argv[3];
    EXPECT_EQ(fake.freed, c.freed) << c.argv[1] << " " << c.argv[3];
  }
}

}  // namespace
