#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "purge/postoffice_walk.h"
#include "settings/server_settings.h"
#include "tests/registry_fixture.h"
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

TEST(SplitTarget, SplitsAtTheFirstSlashAndNeverLeavesAWiderFilter) {
  char filter[128];
  char mailbox[64];
  ASSERT_TRUE(SplitTarget("P/A/B", filter, sizeof filter, mailbox, sizeof mailbox));
  EXPECT_EQ(std::string(filter) + "|" + mailbox, "P|A/B");
  ASSERT_TRUE(SplitTarget("/M", filter, sizeof filter, mailbox, sizeof mailbox));
  EXPECT_EQ(std::string(filter) + "|" + mailbox, "|M");
  // A part too long for its field gives no request at all, not an emptied filter that would match
  // every postoffice.
  for (const std::string& target : {std::string(128, 'P'), "P/" + std::string(64, 'm')}) {
    EXPECT_FALSE(SplitTarget(target.c_str(), filter, sizeof filter, mailbox, sizeof mailbox));
  }
}

TEST(PurgePostoffices, AnEmptyMailRootSkipsThePhaseInsteadOfSearchingTheDriveRoot) {
  testing_support::TestRun test;
  const ServerSettings settings;  // Mail Root empty
  ProviderSet none;
  LibraryPostofficeSource source(test.system, none, test.outcome);
  testing_support::CapturedOutput output;
  PostofficeRequest request;
  EXPECT_FALSE(BeginPostoffices(settings, source, test.run(), request));
  EXPECT_EQ(testing_support::Lines(output.Take()),
            (std::vector<std::string>{"Purging Mailbox Messages older than 30 days",
                                      "Postoffice Root=", "Skipped the postoffice phase: Mail Root is not set"}));
  EXPECT_TRUE(test.outcome.WorkWasSkipped());
}

// Postoffices and their mailboxes as a provider answers them, recording each call's request.
class FakePostofficeSource final : public PostofficeSource {
 public:
  bool Resolve(Entry, const char*) override { return true; }
  int32_t Call(Entry entry, PostofficeRecord* record) override {
    calls.push_back(std::string(entry == Entry::kPostofficeFindFirst ? "first " : "next ") + record->name);
    if (entry == Entry::kPostofficeFindFirst) next_ = 0;
    for (; next_ < postoffices.size(); ++next_) {
      if (std::string(record->name).empty() || record->name == postoffices[next_].first) {
        snprintf(record->name, sizeof record->name, "%s", postoffices[next_].first.c_str());
        snprintf(record->description, sizeof record->description, "%s", postoffices[next_].first.c_str());
        ++next_;
        return 1;
      }
    }
    return 0;
  }
  int32_t Call(Entry entry, MailboxRecord* record) override {
    calls.push_back("get " + std::string(record->postoffice) + "/" + record->mailbox);
    for (const auto& postoffice : postoffices) {
      if (entry == Entry::kMailboxGet && postoffice.first == record->postoffice &&
          postoffice.second == record->mailbox) {
        return 1;
      }
    }
    return 0;
  }

  std::vector<std::pair<std::string, std::string>> postoffices;  // postoffice, its one mailbox
  std::vector<std::string> calls;

 private:
  size_t next_ = 0;
};

// The target splits into a filter for the first call and a mailbox for each postoffice found; the
// whole target goes back for the next call; a name that matches nothing is said, with the names a
// target takes. With POSTMASTER alone a named mailbox is looked up all the same.
TEST(PurgePostoffices, TheTargetFiltersTheWalkAndATargetThatMatchesNothingIsSaid) {
  ServerSettings settings;
  const testing_support::TempDir root;
  snprintf(settings.mailRoot, sizeof settings.mailRoot, "%s", root.str().c_str());
  FakePostofficeSource source;
  source.postoffices = {{"P", "M"}, {"Q", "N"}};
  const auto walk = [&](const std::string& target, bool postmasterOnly, testing_support::TestRun& test) {
    (postmasterOnly ? test.options.cleanPostmaster : test.options.cleanInbox) = 1;
    snprintf(test.options.target, sizeof test.options.target, "%s", target.c_str());
    source.calls.clear();
    testing_support::CapturedOutput output;
    PostofficeRequest request;
    if (BeginPostoffices(settings, source, test.run(), request)) {
      PurgePostoffices(settings, request, 0, source, test.run());
    }
    return testing_support::Lines(output.Take());
  };
  const std::vector<std::pair<std::string, bool>> targets = {
      {"P/M", false}, {"/M", false}, {"P/X", false}, {"X", false}, {"/nobody", true}, {"P/X", true}, {"/M", true}};
  for (const auto& [target, postmasterOnly] : targets) {
    testing_support::TestRun test;
    const std::vector<std::string> lines = walk(target, postmasterOnly, test);
    const bool matched = target == "P/M" || target == "/M";
    EXPECT_EQ(test.outcome.WorkWasSkipped(), !matched) << target;
    const std::vector<std::string> said = {"No postoffice or mailbox matched the target \"" + target + "\".",
                                           "Postoffices: P, Q"};
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()) == said, !matched) << target;
    if (postmasterOnly) {
      const std::string lookup = "get P/" + target.substr(target.find('/') + 1);
      EXPECT_EQ(std::count(source.calls.begin(), source.calls.end(), lookup), 1) << target;
      ASSERT_EQ(test.system.patterns.size(), 1u);  // the fake yields P alone
      EXPECT_NE(test.system.patterns[0].find("Postmaster"), std::string::npos);
    }
    // The names come from a walk of every postoffice, after the one the target asked for.
    EXPECT_TRUE(target != "X" || source.calls == (std::vector<std::string>{"first X", "first ", "next ", "next "}));
  }
  testing_support::TestRun test;
  walk("P/M", false, test);
  EXPECT_EQ(source.calls, (std::vector<std::string>{"first P", "get P/M", "next P/M"}));
  EXPECT_EQ(test.system.patterns.size(), 1u);  // the one mailbox's Inbox

  // ALL in any case walks every postoffice: an empty filter for every call.
  for (const char* all : {"ALL", "aLl"}) {
    testing_support::TestRun every;
    walk(all, false, every);
    std::vector<std::string> walked;
    std::copy_if(source.calls.begin(), source.calls.end(), std::back_inserter(walked),
                 [](const std::string& call) { return call.rfind("get ", 0) != 0; });
    EXPECT_EQ(walked, (std::vector<std::string>{"first ", "next ", "next "})) << all;
  }
  // Sent Items and Junk E-mail are a mailbox's folders as Inbox is.
  testing_support::TestRun sentJunk;
  sentJunk.options.cleanSent = sentJunk.options.cleanJunk = 1;
  walk("P/M", false, sentJunk);
  ASSERT_EQ(sentJunk.system.patterns.size(), 3u);
  for (const char* folder : {"Sent Items", "Junk E-mail"}) {
    EXPECT_EQ(std::count_if(sentJunk.system.patterns.begin(), sentJunk.system.patterns.end(),
                            [&](const std::string& pattern) { return pattern.find(folder) != std::string::npos; }),
              1)
        << folder;
  }

  for (int i = 0; i < 21; ++i) source.postoffices.push_back({"R" + std::to_string(i), "m"});
  testing_support::TestRun many;
  const std::string names = walk("Main Office", false, many).back();
  EXPECT_EQ(names.substr(0, 24), "Postoffices: P, Q, R0, R");
  EXPECT_EQ(names.substr(names.size() - 16), ", R17 and 3 more");
}

// The host's pause lasts at least as long as asked (a lower bound: the machine may be loaded).
TEST(Pause, LastsAtLeastTheTimeAsked) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(platform::HostSystem().Pause(300));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
}

// Purge Wait as the registry answers it (absent when not `waitSet`); pauses recorded, not slept.
struct PausingSystem final : testing_support::RecordingSystem {
  platform::RegistryRead QueryRegistryValue(const char*, const char* valueName, void* buffer, uint32_t* size,
                                            uint32_t*) override {
    if (!waitSet || strcmp(valueName, "Purge Wait") != 0) return platform::RegistryRead::kNoValue;
    memcpy(buffer, &wait, sizeof wait);
    *size = sizeof wait;
    return platform::RegistryRead::kRead;
  }
  bool Pause(uint32_t milliseconds) override {
    pauses.push_back(milliseconds);
    return pausesWork;
  }
  bool waitSet = false;
  uint32_t wait = 0;
  bool pausesWork = true;
  std::vector<uint32_t> pauses;
};

// Purge Wait (1000 ms when unset) after every postoffice, the last one too; a pause that fails
// is said once.
TEST(PurgePostoffices, PausesPurgeWaitAfterEveryPostoffice) {
  ServerSettings settings;
  const testing_support::TempDir root;
  snprintf(settings.mailRoot, sizeof settings.mailRoot, "%s", root.str().c_str());
  FakePostofficeSource source;
  source.postoffices = {{"P1", "m"}, {"P2", "m"}, {"P3", "m"}};
  for (const auto& [waitSet, wait, pauses] : std::vector<std::tuple<bool, uint32_t, bool>>{
           {false, 0, true}, {true, 400, true}, {true, 0, true}, {true, 400, false}}) {
    testing_support::TestRun test;
    test.options.cleanInbox = 1;
    snprintf(test.options.target, sizeof test.options.target, "ALL");
    PausingSystem system;
    system.waitSet = waitSet;
    system.wait = wait;
    system.pausesWork = pauses;
    const PurgeRun run{test.options, system, system.providers, test.outcome, test.ledger};
    testing_support::CapturedOutput output;
    PostofficeRequest request;
    ASSERT_TRUE(BeginPostoffices(settings, source, run, request));
    PurgePostoffices(settings, request, GetPurgeWait(system), source, run);
    const std::vector<std::string> lines = testing_support::Lines(output.Take());
    const uint32_t expected = waitSet ? wait : 1000;
    EXPECT_EQ(system.pauses, std::vector<uint32_t>(3, expected)) << wait;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Unable to pause between postoffices"), pauses ? 0 : 1);
    EXPECT_EQ(test.outcome.WorkWasSkipped(), !pauses);
  }
}

}  // namespace
