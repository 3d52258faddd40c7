#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/run.h"
#include "platform/output.h"
#include "providers/postoffice_source.h"
#include "purge/postoffice_walk.h"
#include "settings/server_settings.h"
#include "support/server_keys.h"
#include "tests/test_support.h"

namespace {

TEST(StoreNameProblem, RefusesNamesThatNameNothingOrAnotherFolder) {
  for (const char* name : {"", ".", "..", "a\\b", "a/b", "C:", "x:y", "/", "\\"}) {
    EXPECT_STREQ(StoreNameProblem(name), "the name cannot be part of a folder path") << name;
  }
  // What plain Win32 paths would read as another folder or a device, on every build.
  for (const char* name : {"...", "m.", "m..", "m ", "CON", "nul.txt", "Lpt9.x.y", "com0", "AUX .a", "CONIN$",
                           "COM\xB9", "lpt\xC2\xB3", "a<b", "a|b", "what?", "a\tb"}) {
    EXPECT_STREQ(StoreNameProblem(name), "Windows would read its folder name as another one") << name;
  }
  for (const char* name : {"Main", "john.smith", ".hidden", "a b", "Junk E-mail", "CONSOLE", "COM10", "LPT", "nul_"}) {
    EXPECT_EQ(StoreNameProblem(name), nullptr) << name;
  }
}

// The walk over the fake's postoffice configuration provider, reached as the run reaches it.
std::vector<std::string> Walk(testing_support::FakeRun& test, const ServerSettings& settings, const char* target) {
  snprintf(test.options.target, sizeof test.options.target, "%s", target);
  test.providers.postofficeConfig = test.fake.LoadLibraryAt("QNAIPO.DLL");
  if (settings.mailRoot[0] != '\0') test.fake.AddFolder(settings.mailRoot);
  LibraryPostofficeSource source(test.system, test.providers, test.outcome);
  testing_support::CapturedOutput output;
  PostofficeRequest request;
  if (BeginPostoffices(settings, source, test.run(), request)) {
    PurgePostoffices(settings, request, GetPurgeWait(test.system), source, test.run());
  }
  return testing_support::Lines(output.Take());
}

TEST(PurgePostoffices, AnEmptyMailRootSkipsThePhaseInsteadOfSearchingTheDriveRoot) {
  testing_support::FakeRun test;
  test.options.cleanInbox = 1;
  EXPECT_EQ(Walk(test, ServerSettings(), "ALL"),
            (std::vector<std::string>{"Purging Mailbox Messages older than 30 days",
                                      "Postoffice Root=", "Skipped the postoffice phase: Mail Root is not set"}));
  EXPECT_TRUE(test.outcome.WorkWasSkipped());
  EXPECT_TRUE(test.fake.providerCalls.empty());
}

// The target splits into a filter for the first call and a mailbox for each postoffice found; the
// whole target goes back for the next call; a name that matches nothing is said, with the names a
// target takes. With POSTMASTER alone a named mailbox is looked up all the same.
TEST(PurgePostoffices, TheTargetFiltersTheWalkAndATargetThatMatchesNothingIsSaid) {
  ServerSettings settings;
  snprintf(settings.mailRoot, sizeof settings.mailRoot, "%s", testing_support::FakePath("/store").c_str());
  std::vector<std::pair<std::string, std::vector<std::string>>> postoffices = {{"P", {"M"}}, {"Q", {"N"}}};
  const auto walk = [&](const std::string& target, bool postmasterOnly, testing_support::FakeRun& test) {
    (postmasterOnly ? test.options.cleanPostmaster : test.options.cleanInbox) = 1;
    test.fake.postoffices = postoffices;
    test.fake.SetNumber(kAdministrationKey, "Purge Wait", 0);
    return Walk(test, settings, target.c_str());
  };
  const std::vector<std::pair<std::string, bool>> targets = {
      {"P/M", false}, {"/M", false}, {"P/X", false}, {"X", false}, {"/nobody", true}, {"P/X", true}, {"/M", true}};
  for (const auto& [target, postmasterOnly] : targets) {
    testing_support::FakeRun test;
    const std::vector<std::string> lines = walk(target, postmasterOnly, test);
    const std::vector<std::string>& calls = test.fake.providerCalls;
    const bool matched = target == "P/M" || target == "/M";
    EXPECT_EQ(test.outcome.WorkWasSkipped(), !matched) << target;
    const std::vector<std::string> said = {"No postoffice or mailbox matched the target \"" + target + "\".",
                                           "Postoffices: P, Q"};
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()) == said, !matched) << target;
    if (postmasterOnly) {
      const std::string lookup = "get P/" + target.substr(target.find('/') + 1);
      EXPECT_EQ(std::count(calls.begin(), calls.end(), lookup), 1) << target;
      ASSERT_FALSE(test.fake.searches.empty());
      for (const std::string& pattern : test.fake.searches) EXPECT_NE(pattern.find("Postmaster"), std::string::npos);
    }
    // The names come from a walk of every postoffice, after the one the target asked for.
    EXPECT_TRUE(target != "X" || calls == (std::vector<std::string>{"first X", "first ", "next ", "next "}));
  }

  // Sent Items and Junk E-mail are a mailbox's folders as Inbox is.
  testing_support::FakeRun sentJunk;
  sentJunk.options.cleanSent = sentJunk.options.cleanJunk = 1;
  walk("P/M", false, sentJunk);
  ASSERT_EQ(sentJunk.fake.searches.size(), 3u);
  for (const char* folder : {"Sent Items", "Junk E-mail"}) {
    EXPECT_EQ(std::count_if(sentJunk.fake.searches.begin(), sentJunk.fake.searches.end(),
                            [&](const std::string& pattern) { return pattern.find(folder) != std::string::npos; }),
              1)
        << folder;
  }

  for (int i = 0; i < 21; ++i) postoffices.push_back({"R" + std::to_string(i), {"m"}});
  testing_support::FakeRun many;
  const std::string names = walk("Main Office", false, many).back();
  EXPECT_EQ(names.substr(0, 24), "Postoffices: P, Q, R0, R");
  EXPECT_EQ(names.substr(names.size() - 16), ", R17 and 3 more");
}

// What each form of target asks of the provider: an empty mailbox part walks every mailbox, an
// empty postoffice part gets the mailbox in every postoffice, further slashes belong to the
// mailbox, "ALL" in any case walks everything with an empty filter for every call, "ALL" followed
// by more is a name, and a part too long for its field asks nothing.
TEST(PurgePostoffices, EachFormOfTargetAsksTheProviderForWhatItNames) {
  ServerSettings settings;
  snprintf(settings.mailRoot, sizeof settings.mailRoot, "%s", testing_support::FakePath("/store").c_str());
  const std::pair<std::string, std::vector<std::string>> targets[] = {
      {"P/M", {"first P", "get P/M", "next P/M"}},
      {"ALL",
       {"first ", "mailboxes P", "next mailbox", "next mailbox", "next ", "mailboxes Q", "next mailbox", "next "}},
      {"aLl",
       {"first ", "mailboxes P", "next mailbox", "next mailbox", "next ", "mailboxes Q", "next mailbox", "next "}},
      {"P/", {"first P", "mailboxes P", "next mailbox", "next mailbox", "next P/"}},
      {"/M", {"first ", "get P/M", "next /M", "get Q/M", "next /M"}},
      {"P/A/B", {"first P", "get P/A/B", "next P/A/B", "first ", "next ", "next "}},
      {"ALL/X", {"first ALL", "first ", "next ", "next "}},
      {std::string(128, 'P'), {}},
      {"P/" + std::string(64, 'm'), {}}};
  for (const auto& [target, calls] : targets) {
    testing_support::FakeRun test;
    test.options.cleanInbox = 1;
    test.fake.postoffices = {{"P", {"M", "A"}}, {"Q", {"M"}}};
    test.fake.SetNumber(kAdministrationKey, "Purge Wait", 0);
    Walk(test, settings, target.c_str());
    EXPECT_EQ(test.fake.providerCalls, calls) << target;
    EXPECT_TRUE(target != "P/M" || test.fake.searches.size() == 1u);  // the one mailbox's Inbox
  }
}

// Purge Wait (1000 ms when unset) after every postoffice, the last one too; a pause that fails
// is said once.
TEST(PurgePostoffices, PausesPurgeWaitAfterEveryPostoffice) {
  ServerSettings settings;
  snprintf(settings.mailRoot, sizeof settings.mailRoot, "%s", testing_support::FakePath("/store").c_str());
  for (const auto& [waitSet, wait, pauses] : std::vector<std::tuple<bool, uint32_t, bool>>{
           {false, 0, true}, {true, 400, true}, {true, 0, true}, {true, 400, false}}) {
    testing_support::FakeRun test;
    test.options.cleanInbox = 1;
    test.fake.postoffices = {{"P1", {"m"}}, {"P2", {"m"}}, {"P3", {"m"}}};
    if (waitSet) test.fake.SetNumber(kAdministrationKey, "Purge Wait", wait);
    test.fake.pausesFail = !pauses;
    const std::vector<std::string> lines = Walk(test, settings, "ALL");
    const uint32_t expected = waitSet ? wait : 1000;
    EXPECT_EQ(test.fake.pauses, std::vector<uint32_t>(3, expected)) << wait;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Unable to pause between postoffices"), pauses ? 0 : 1);
    EXPECT_EQ(test.outcome.WorkWasSkipped(), !pauses);
  }
}

// Whole runs on the fake, with the lines and calls of each. Folders go Deleted, Sent, Junk, Inbox;
// the Postmaster line comes with any folder switch, its Inbox only with POSTMASTER, which asks for
// no mailbox; REPORT lists that Inbox again as a mailbox's and counts it once, deleting nothing;
// missing providers are said in order and skip the walk; a Mail Root that cannot be read purges
// no other store.
TEST(WholeRun, WalksTheChosenFoldersAndSaysWhatItCannotDo) {
  const std::string main = testing_support::FakePath("/s/POSTOFFICES/Main/MAILROOT/");
  const auto run = [&](std::vector<const char*> argv, testing_support::FakeSystem& fake,
                       void (*change)(testing_support::FakeSystem&) = nullptr) {
    fake.SetStore(testing_support::FakePath("/s"));
    fake.postoffices = {{"Branch", {"carol"}}, {"Main", {"alice", "Postmaster"}}};
    fake.AddMessage(main + "Postmaster" + platform::kPathSeparator + "Inbox", "pm.MAI", 50);
    fake.AddMessage(testing_support::FakePath("/d/POSTOFFICES/Main/MAILROOT/Postmaster/Inbox"), "never.MAI", 50);
    fake.SetText(kServerKey, "Data Directory", testing_support::FakePath("/d"));
    if (change != nullptr) change(fake);
    platform::ForgetOutputFailure();
    RunOutcome outcome;
    testing_support::CapturedOutput output;
    RunQnpurge(static_cast<int>(argv.size()), argv.data(), fake, outcome);
    std::vector<std::string> lines = testing_support::Lines(output.Take());
    lines.push_back("status " + std::to_string(outcome.ExitStatus()));
    return lines;
  };
  const auto with = [](const std::vector<std::string>& lines, const char* start) {
    std::vector<std::string> found;
    for (const std::string& line : lines) {
      if (line.rfind(start, 0) == 0) found.push_back(line);
    }
    return found;
  };
  testing_support::FakeSystem folders;
  EXPECT_EQ(
      with(run({"qnpurge", "Branch", "30", "INBOX+JUNK+SENT+DELETED"}, folders), "["),
      (std::vector<std::string>{"[SF:Branch/carol] -> Purging Deleted Items", "[SF:Branch/carol] -> Purging Sent Items",
                                "[SF:Branch/carol] -> Purging Junk E-mail", "[SF:Branch/carol] -> Purging Inbox"}));
  testing_support::FakeSystem junk;
  const std::vector<std::string> junkLines = run({"qnpurge", "ALL", "30", "JUNK"}, junk);
  EXPECT_EQ(with(junkLines, "Purging Postmaster").size(), 2u);
  EXPECT_TRUE(with(junkLines, "pm.MAI").empty());
  testing_support::FakeSystem postmaster;
  EXPECT_EQ(with(run({"qnpurge", "ALL", "30", "POSTMASTER"}, postmaster), "pm.MAI").size(), 1u);
  EXPECT_EQ(postmaster.providerCalls, (std::vector<std::string>{"first ", "next ", "next "}));
  testing_support::FakeSystem report;
  const std::vector<std::string> reportLines = run({"qnpurge", "ALL", "30", "REPORT"}, report);
  EXPECT_EQ(with(reportLines, "\t\tpm.MAI").size(), 2u);
  EXPECT_EQ(with(reportLines, "Would purge 1 messages").size(), 1u);
  EXPECT_TRUE(report.deleted.empty());
  EXPECT_TRUE(report.rescans.empty());

  testing_support::FakeSystem none;
  const std::vector<std::string> noneLines = run({"qnpurge", "ALL", "30", "INBOX"}, none, [](auto& fake) {
    fake.registry[kServerKey].erase("Application Directory");
  });
  EXPECT_EQ(std::vector<std::string>(noneLines.begin() + 2, noneLines.end()),
            (std::vector<std::string>{
                "Unable to Load Authentication Provider", "Unable to Load Postoffice Configuration Provider",
                "Unable to Load Store Provider", "Purging Mailbox Messages older than 30 days",
                "Postoffice Root=" + testing_support::FakePath("/s/POSTOFFICES"),
                "Skipped the postoffice phase: the Postoffice Configuration Provider is not loaded",
                "Purged 0 messages (0 bytes) from 0 folders.", "status 1"}));
  testing_support::FakeSystem unreadable;
  const std::vector<std::string> unreadableLines = run({"qnpurge", "ALL", "30", "POSTMASTER"}, unreadable,
                                                       [](auto& fake) { fake.SetNumber(kServerKey, "Mail Root", 1); });
  EXPECT_EQ(with(unreadableLines, "Skipped the postoffice phase: Mail Root cannot be read").size(), 1u);
  EXPECT_TRUE(unreadable.deleted.empty());
  EXPECT_EQ(unreadableLines.back(), "status 1");
}

}  // namespace
