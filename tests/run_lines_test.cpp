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

// A store with postoffices Branch (carol) and Main ("Main Office": alice, bob, Postmaster).
void LayStore(FakeSystem& fake) {
  fake.SetStore(FakePath("/s"));
  fake.SetText(kServerKey, "Data Directory", FakePath("/d"));
  fake.postoffices = {{"Branch", {"carol"}}, {"Main", {"alice", "bob", "Postmaster"}}};
  fake.descriptions["Main"] = "Main Office";
  fake.AddMessage(FakePath("/s/POSTOFFICES/Main/MAILROOT/alice/Inbox"), "old-read.MAI", 40);
  fake.AddMessage(FakePath("/s/POSTOFFICES/Main/MAILROOT/alice/Inbox"), "old-unread.MAI", 40, false);
  fake.AddMessage(FakePath("/s/POSTOFFICES/Main/MAILROOT/alice/Inbox"), "new.MAI", 5);
  fake.AddMessage(FakePath("/s/POSTOFFICES/Main/MAILROOT/alice/Deleted Items"), "d1.MAI", 100);
  fake.AddMessage(FakePath("/s/POSTOFFICES/Main/MAILROOT/Postmaster/Inbox"), "pm.MAI", 50);
  fake.AddMessage(FakePath("/s/POSTOFFICES/Branch/MAILROOT/carol/Inbox"), "b.mai", 400);
  fake.AddMessage(FakePath("/s/BADMAIL"), "bad.MAI", 90);
}

struct Case {
  std::vector<const char*> argv;
  std::function<void(FakeSystem&)> change;  // after LayStore
  uint64_t failedLoad;                      // the provider library load that fails, from 1; 0 for none
  Texts lines;                              // after the first empty line, then "status N"
  Texts rescans;
  Texts freed;
};

// Whole runs with every line they write: the walk with its per-file lines and rescans, a provider
// that does not load (only the loaded are released, store first), names the walk skips, and
// settings that name nothing usable.
TEST(RunLines, AWholeRunSaysEachStepAndEveryFailureInItsOwnLine) {
  const std::string main = FakePath("/s/POSTOFFICES/Main/MAILROOT/");
  const std::string branch = FakePath("/s/POSTOFFICES/Branch/MAILROOT/");
  const std::string sep(1, platform::kPathSeparator);
  const std::string nowhere = FakePath("/nowhere");
  const std::string aFile = FakePath("/s/POSTOFFICES/Main/MAILROOT/alice/Inbox/new.MAI");
  const std::string inbox = branch + "carol" + sep + "Inbox";
  const std::string rewritten = "\" of postoffice P: Windows would read its folder name as another one";
  const Texts noStore = {"Unable to Load Store Provider",
                         "Purging Mailbox Messages older than 30 days",
                         "Postoffice Root=" + FakePath("/s/POSTOFFICES"),
                         "Purging Postmaster mailbox for postoffice: Branch",
                         "[SF:Branch/carol] -> Purging Inbox",
                         "b.mai in " + inbox + " is 1(y), 1(m), 5(d) old",
                         "-->1\t Messages in\t" + inbox,
                         "Skipped the rescan of " + inbox + ": the Store Provider is not loaded"};
  Texts noStoreRun = noStore, noStorePreview = noStore;
  noStoreRun.insert(noStoreRun.end(), {"Purged 1 messages (46 bytes) from 1 folders.", "status 1"});
  noStorePreview.insert(noStorePreview.end(), {"Would purge 1 messages (46 bytes) from 1 folders.", "status 1"});
  const Texts loadedAll = {"QNAISP.DLL", "QNAIAU.DLL", "QNAIPO.DLL"};
  const Case cases[] = {
      {{"qnpurge", "ALL", "30", "INBOX+DELETED", "UNREAD"},
       nullptr,
       0,
       {"Purging Mailbox Messages older than 30 days",
        "Postoffice Root=" + FakePath("/s/POSTOFFICES"),
        "Purging Postmaster mailbox for postoffice: Branch",
        "[SF:Branch/carol] -> Purging Deleted Items",
        "[SF:Branch/carol] -> Purging Inbox",
        "b.mai in " + branch + "carol" + sep + "Inbox is 1(y), 1(m), 5(d) old",
        "-->1\t Messages in\t" + branch + "carol" + sep + "Inbox",
        "Purging Postmaster mailbox for postoffice: Main Office",
        "[SF:Main/alice] -> Purging Deleted Items",
        "d1.MAI in " + main + "alice" + sep + "Deleted Items is 0(y), 3(m), 11(d) old",
        "-->1\t Messages in\t" + main + "alice" + sep + "Deleted Items",
        "[SF:Main/alice] -> Purging Inbox",
        "old-read.MAI in " + main + "alice" + sep + "Inbox is 0(y), 1(m), 10(d) old",
        "-->2\t Messages in\t" + main + "alice" + sep + "Inbox",
        "[SF:Main/bob] -> Purging Deleted Items",
        "[SF:Main/bob] -> Purging Inbox",
        "[SF:Main/Postmaster] -> Purging Deleted Items",
        "[SF:Main/Postmaster] -> Purging Inbox",
        "pm.MAI in " + main + "Postmaster" + sep + "Inbox is 0(y), 1(m), 20(d) old",
        "-->1\t Messages in\t" + main + "Postmaster" + sep + "Inbox",
        "Purged 4 messages (184 bytes) from 4 folders.",
        "status 0"},
       {branch + "carol" + sep + "Inbox", main + "alice" + sep + "Deleted Items", main + "alice" + sep + "Inbox",
        main + "Postmaster" + sep + "Inbox"},
       loadedAll},
      {{"qnpurge", "Branch", "30", "INBOX"}, nullptr, 3, noStoreRun, {}, {"QNAIAU.DLL", "QNAIPO.DLL"}},
      {{"qnpurge", "Branch", "30", "PREVIEW+INBOX"}, nullptr, 3, noStorePreview, {}, {"QNAIAU.DLL", "QNAIPO.DLL"}},
      {{"qnpurge", "ALL", "30", "BADMAIL"},
       nullptr,
       1,
       {"Unable to Load Authentication Provider", "Cleaning Files files older than 30 days from BadMail directory",
        "bad.MAI in " + FakePath("/s/BADMAIL") + " is 0(y), 3(m), 1(d) old",
        "-->1\t Messages in\t" + FakePath("/s/BADMAIL"), "Purged 1 messages (46 bytes) from 1 folders.", "status 0"},
       {FakePath("/s/BADMAIL")},
       {"QNAISP.DLL", "QNAIPO.DLL"}},
      {{"qnpurge", "ALL", "30", "INBOX+POSTMASTER"},
       [](FakeSystem& fake) {
         fake.postoffices = {{"P", {"a:b", "ok", "m.", "m..", "CON", "lpt1.x"}}, {"x:y", {"m"}}, {"...", {"m"}}};
       },
       0,
       {"Purging Mailbox Messages older than 30 days", "Postoffice Root=" + FakePath("/s/POSTOFFICES"),
        "Purging Postmaster mailbox for postoffice: P",
        "Skipped mailbox \"a:b\" of postoffice P: the name cannot be part of a folder path",
        "[SF:P/ok] -> Purging Inbox", "Skipped mailbox \"m." + rewritten, "Skipped mailbox \"m.." + rewritten,
        "Skipped mailbox \"CON" + rewritten, "Skipped mailbox \"lpt1.x" + rewritten,
        "Purging Postmaster mailbox for postoffice: x:y",
        "Skipped postoffice \"x:y\": the name cannot be part of a folder path",
        "Purging Postmaster mailbox for postoffice: ...",
        "Skipped postoffice \"...\": Windows would read its folder name as another one",
        "Purged 0 messages (0 bytes) from 0 folders.", "status 1"},
       {},
       loadedAll},
      {{"qnpurge", "ALL", "30", "INBOX+BADMAIL"},
       [&](FakeSystem& fake) {
         fake.SetText(kServerKey, "Mail Root", nowhere);
         fake.SetText(kServerKey, "Bad Mail Directory", aFile);
       },
       0,
       {"Purging Mailbox Messages older than 30 days", "Postoffice Root=" + nowhere,
        "The Mail Root " + nowhere + " does not exist or is not a folder: no postoffice was purged.",
        "Cleaning Files files older than 30 days from BadMail directory",
        "The Bad Mail Directory " + aFile + " does not exist or is not a folder: no bad mail was purged.",
        "Purged 0 messages (0 bytes) from 0 folders.", "status 1"},
       {},
       loadedAll},
      {{"qnpurge", "ALL", "30", "INBOX+BADMAIL"},
       [&](FakeSystem& fake) { fake.registry.erase(kServerKey); },
       0,
       {"The server key HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton does not exist: is the "
        "mail server installed on this machine? Nothing was done.",
        "status 1"},
       {},
       {}},
  };
  for (const Case& c : cases) {
    platform::ForgetOutputFailure();
    FakeSystem fake;
    LayStore(fake);
    if (c.change) c.change(fake);
    FailingSystem system(fake);
    system.FailAt(c.failedLoad, FailingSystem::Call::kLoadLibrary);
    RunOutcome outcome;
    CapturedOutput output;
    RunQnpurge(static_cast<int>(c.argv.size()), c.argv.data(), system, outcome);
    Texts lines = Lines(output.Take());
    lines.erase(lines.begin(), std::find(lines.begin(), lines.end(), "") + (lines.empty() ? 0 : 1));
    lines.push_back("status " + std::to_string(outcome.ExitStatus()));
    const std::string what = std::string(c.argv[1]) + " " + c.argv[3];
    EXPECT_EQ(lines, c.lines) << what;
    EXPECT_EQ(fake.rescans, c.rescans) << what;
    EXPECT_EQ(fake.freed, c.freed) << what;
  }
}

}  // namespace
