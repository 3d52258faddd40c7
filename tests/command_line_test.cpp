#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "tests/test_support.h"

namespace {

struct Parsed {
  CommandLineChoice choice;
  RunOptions options;
};

Parsed Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "qnpurge");
  Parsed parsed{CommandLineChoice::kUsage, RunOptions()};
  parsed.choice = ParseCommandLine(static_cast<int>(args.size()), args.data(), &parsed.options);
  return parsed;
}

// cleanPostmaster, cleanInbox, cleanBadMail, cleanDeleted, cleanSent, cleanJunk, reportOnly
std::string Flags(const RunOptions& o) {
  std::string flags;
  for (int flag : {o.cleanPostmaster, o.cleanInbox, o.cleanBadMail, o.cleanDeleted, o.cleanSent, o.cleanJunk,
                   o.reportOnly}) {
    flags += flag ? '1' : '0';
  }
  return flags;
}

TEST(CommandLine, TooFewArgumentsOrAQuestionMarkAskForUsage) {
  EXPECT_EQ(Parse({}).choice, CommandLineChoice::kUsage);
  EXPECT_EQ(Parse({"ALL"}).choice, CommandLineChoice::kUsage);
  EXPECT_EQ(Parse({"ALL", "30"}).choice, CommandLineChoice::kUsage);
  EXPECT_EQ(Parse({"/?", "30", "INBOX"}).choice, CommandLineChoice::kUsage);
  EXPECT_EQ(Parse({"?", "30", "INBOX", "UNREAD"}).choice, CommandLineChoice::kUsage);
  EXPECT_EQ(Parse({"ALL", "30", "INBOX"}).choice, CommandLineChoice::kRun);
}

TEST(CommandLine, SwitchesAreFoundAnywhereIgnoringCase) {
  EXPECT_EQ(Flags(Parse({"ALL", "30", "inbox"}).options), "0100000");
  EXPECT_EQ(Flags(Parse({"ALL", "30", "INBOX+DELETED"}).options), "0101000");
  EXPECT_EQ(Flags(Parse({"ALL", "30", "INBOXDELETED"}).options), "0101000");
  EXPECT_EQ(Flags(Parse({"ALL", "30", "DELETED,INBOX"}).options), "0101000");
  EXPECT_EQ(Flags(Parse({"ALL", "30", "INBOXES+SENTINEL"}).options), "0100100");
  EXPECT_EQ(Flags(Parse({"ALL", "30", "BADMAIL"}).options), "0010000");
  EXPECT_EQ(Flags(Parse({"ALL", "30", "JUNK"}).options), "0000010");
}

TEST(CommandLine, ReportForcesFourFolderSwitchesButNotSentOrJunk) {
  EXPECT_EQ(Flags(Parse({"ALL", "30", "REPORT"}).options), "1111001");
  EXPECT_EQ(Flags(Parse({"ALL", "30", "REPORT+SENT+JUNK"}).options), "1111111");
}

TEST(CommandLine, AnyFourthArgumentRetainsUnreadMessages) {
  EXPECT_EQ(Parse({"ALL", "30", "INBOX"}).options.retainUnread, 0);
  EXPECT_EQ(Parse({"ALL", "30", "INBOX", "KEEP"}).options.retainUnread, 1);
  EXPECT_EQ(Parse({"ALL", "30", "INBOX", "UNREAD"}).options.retainUnread, 1);
}

TEST(CommandLine, TargetAndSwitchesAreCopiedUnchanged) {
  const Parsed parsed = Parse({"Main/john.smith", "30", "inbox+DELETED"});
  EXPECT_STREQ(parsed.options.target, "Main/john.smith");
  EXPECT_STREQ(parsed.options.switchText, "inbox+DELETED");
}

TEST(ParseDays, ReadsLikeAtoiAndClampsBeyondThirtyTwoBits) {
  EXPECT_EQ(ParseDays("abc"), 0);
  EXPECT_EQ(ParseDays("45days"), 45);
  EXPECT_EQ(ParseDays("-5"), -5);
  EXPECT_EQ(ParseDays("  \t+7"), 7);
  EXPECT_EQ(ParseDays("+-7"), 0);
  EXPECT_EQ(ParseDays(""), 0);
  EXPECT_EQ(ParseDays("2147483647"), INT_MAX);
  EXPECT_EQ(ParseDays("-2147483648"), INT_MIN);
  EXPECT_EQ(ParseDays("2147483648"), INT_MAX);
  EXPECT_EQ(ParseDays("-2147483649"), INT_MIN);
  EXPECT_EQ(ParseDays("99999999999999999999999999"), INT_MAX);
  EXPECT_EQ(ParseDays("0000000000000000000000030"), 30);
}

TEST(CommandLine, DaysMustBeAWholeNumberAndTheTargetMustNameSomething) {
  testing_support::CapturedOutput output;
  for (const char* days : {"abc", "", " ", "+", "-", "+-7", "days45", "45days", "3O", "7.5", "0x10", "4 5"}) {
    EXPECT_EQ(Parse({"ALL", days, "INBOX"}).choice, CommandLineChoice::kRefused) << days;
  }
  for (const char* target : {"", "/"}) EXPECT_EQ(Parse({target, "30", "INBOX"}).choice, CommandLineChoice::kRefused);
  EXPECT_EQ(Parse({"ALL", " 45\t", "INBOX"}).options.days, 45);
  EXPECT_EQ(Parse({"ALL", " \t-5", "INBOX"}).options.days, -5);
  EXPECT_EQ(Parse({"ALL", "0", "INBOX"}).options.days, 0);
  EXPECT_EQ(Parse({"/M", "30", "INBOX"}).choice, CommandLineChoice::kRun);
  EXPECT_EQ(Parse({"P/", "30", "INBOX"}).choice, CommandLineChoice::kRun);
}

TEST(CommandLine, ArgumentsTooLongForTheirFieldsAreRefusedWithALine) {
  testing_support::CapturedOutput output;
  const std::string longTarget(128, 'P');
  EXPECT_EQ(Parse({longTarget.c_str(), "30", "INBOX"}).choice, CommandLineChoice::kRefused);
  const std::string longMailbox = "PO/" + std::string(64, 'm');
  EXPECT_EQ(Parse({longMailbox.c_str(), "30", "INBOX"}).choice, CommandLineChoice::kRefused);
  const std::string longSwitches(1024, 'X');
  EXPECT_EQ(Parse({"ALL", "30", longSwitches.c_str()}).choice, CommandLineChoice::kRefused);
  const std::string hugeTarget(1024, 'a');
  EXPECT_EQ(Parse({hugeTarget.c_str(), "30", "INBOX"}).choice, CommandLineChoice::kRefused);
  const auto lines = testing_support::Lines(output.Take());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "The target argument is 128 characters long; at most 127 are accepted. Nothing was done.");
  EXPECT_EQ(lines[1],
            "The mailbox part of the target argument is 64 characters long; at most 63 are accepted. Nothing was done.");
  EXPECT_EQ(lines[3], "The target argument is 1024 characters long; at most 127 are accepted. Nothing was done.");

  // The longest that fit are accepted.
  const std::string target127(127, 'P');
  EXPECT_EQ(Parse({target127.c_str(), "30", "INBOX"}).choice, CommandLineChoice::kRun);
  const std::string mailbox63 = "P/" + std::string(63, 'm');
  EXPECT_EQ(Parse({mailbox63.c_str(), "30", "INBOX"}).choice, CommandLineChoice::kRun);
  const std::string switches1023 = "INBOX" + std::string(1018, 'X');
  EXPECT_EQ(Parse({"ALL", "30", switches1023.c_str()}).choice, CommandLineChoice::kRun);
}

}  // namespace
