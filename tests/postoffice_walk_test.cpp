#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "purge/postoffice_walk.h"
#include "settings/server_settings.h"
#include "tests/registry_fixture.h"
#include "tests/test_support.h"

namespace {

TEST(IsUsableStoreName, RefusesNamesThatWouldLeaveTheFolderOrNameNothing) {
  for (const char* name : {"", ".", "..", "a\\b", "a/b", "C:", "x:y", "/", "\\"}) {
    EXPECT_FALSE(IsUsableStoreName(name)) << name;
  }
  for (const char* name : {"Main", "john.smith", "...", ".hidden", "a b", "Junk E-mail"}) {
    EXPECT_TRUE(IsUsableStoreName(name)) << name;
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
  LibraryPostofficeSource source(none, test.outcome);
  testing_support::CapturedOutput output;
  PurgePostoffices(30, settings, source, test.run());
  EXPECT_EQ(testing_support::Lines(output.Take()),
            (std::vector<std::string>{"Purging Mailbox Messages older than 30 days", "Postoffice Root=",
                                      "Skipped the postoffice phase: Mail Root is not set"}));
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
      if (entry == Entry::kMailboxGet && postoffice.first == record->postoffice && postoffice.second == record->mailbox) {
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
// whole target goes back for the next call; and a name that matches nothing is said.
TEST(PurgePostoffices, TheTargetFiltersTheWalkAndATargetThatMatchesNothingIsSaid) {
  testing_support::RegistryFixture registry;
  // Read once per process, at the first walk: no pause after the postoffices of any walk here.
  registry.SetNumber(testing_support::kTestServerKey + std::string("\\Services\\Administration"), "Purge Wait", 0);
  ServerSettings settings;
  snprintf(settings.mailRoot, sizeof settings.mailRoot, "root");
  FakePostofficeSource source;
  source.postoffices = {{"P", "M"}, {"Q", "N"}};
  for (const char* target : {"P/M", "/M", "P/X", "X"}) {
    testing_support::TestRun test;
    test.options.cleanInbox = 1;
    snprintf(test.options.target, sizeof test.options.target, "%s", target);
    source.calls.clear();
    testing_support::CapturedOutput output;
    PurgePostoffices(30, settings, source, test.run());
    const bool matched = target == std::string("P/M") || target == std::string("/M");
    EXPECT_EQ(test.outcome.WorkWasSkipped(), !matched) << target;
    const std::vector<std::string> lines = testing_support::Lines(output.Take());
    const std::vector<std::string> said = {
        "No postoffice or mailbox matched the target \"" + std::string(target) + "\".", "Postoffices: P, Q"};
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()) == said, !matched) << target;
  }
  // The names come from a walk of every postoffice, after the one the target asked for.
  EXPECT_EQ(source.calls, (std::vector<std::string>{"first X", "first ", "next ", "next "}));
  source.calls.clear();
  testing_support::TestRun test;
  test.options.cleanInbox = 1;
  snprintf(test.options.target, sizeof test.options.target, "P/M");
  testing_support::CapturedOutput output;
  PurgePostoffices(30, settings, source, test.run());
  EXPECT_EQ(source.calls, (std::vector<std::string>{"first P", "get P/M", "next P/M"}));
  EXPECT_EQ(test.store.patterns.size(), 1u);  // the one mailbox's Inbox
}

// With POSTMASTER alone a named mailbox is still looked up, though none of its folders is purged:
// a name that matches nothing is said, and every target postoffice's Postmaster Inbox is purged.
TEST(PurgePostoffices, AMailboxNamedWithPostmasterAloneIsLookedUpAndSaidWhenMissing) {
  testing_support::RegistryFixture registry;
  registry.SetNumber(testing_support::kTestServerKey + std::string("\\Services\\Administration"), "Purge Wait", 0);
  ServerSettings settings;
  snprintf(settings.mailRoot, sizeof settings.mailRoot, "root");
  FakePostofficeSource source;
  source.postoffices = {{"P", "M"}, {"Q", "N"}};
  for (const char* target : {"/nobody", "P/nobody", "/M"}) {
    testing_support::TestRun test;
    test.options.cleanPostmaster = 1;
    snprintf(test.options.target, sizeof test.options.target, "%s", target);
    source.calls.clear();
    testing_support::CapturedOutput output;
    PurgePostoffices(30, settings, source, test.run());
    const std::string text = output.Take();
    const bool matched = target == std::string("/M");
    EXPECT_EQ(test.outcome.WorkWasSkipped(), !matched) << target;
    EXPECT_EQ(text.find("No postoffice or mailbox matched the target \"" + std::string(target) + "\".\n") !=
                  std::string::npos,
              !matched)
        << text;
    EXPECT_EQ(test.store.patterns.size(), 1u) << target;  // the fake yields P alone for each
    for (const std::string& pattern : test.store.patterns) {
      EXPECT_NE(pattern.find("Postmaster"), std::string::npos) << pattern;
    }
    const std::string lookup = "get P/" + std::string(strchr(target, '/') + 1);
    EXPECT_NE(std::find(source.calls.begin(), source.calls.end(), lookup), source.calls.end()) << target;
  }
}

TEST(PurgePostoffices, TheUnmatchedTargetLineNamesAtMostTwentyPostoffices) {
  testing_support::RegistryFixture registry;
  registry.SetNumber(testing_support::kTestServerKey + std::string("\\Services\\Administration"), "Purge Wait", 0);
  ServerSettings settings;
  snprintf(settings.mailRoot, sizeof settings.mailRoot, "root");
  FakePostofficeSource source;
  std::string expected = "Postoffices: ";
  for (int i = 0; i < 23; ++i) {
    const std::string name = "P" + std::to_string(100 + i);
    source.postoffices.push_back({name, "m"});
    if (i < 20) expected += (i > 0 ? ", " : "") + name;
  }
  testing_support::TestRun test;
  test.options.cleanInbox = 1;
  snprintf(test.options.target, sizeof test.options.target, "Main Office");
  testing_support::CapturedOutput output;
  PurgePostoffices(30, settings, source, test.run());
  EXPECT_EQ(testing_support::Lines(output.Take()).back(), expected + " and 3 more");
}

}  // namespace
