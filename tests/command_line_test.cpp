#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
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
  RunOutcome outcome;
  parsed.choice = ParseCommandLine(static_cast<int>(args.size()), args.data(), &parsed.options, outcome);
  return parsed;
}

// cleanPostmaster, cleanInbox, cleanBadMail, cleanDeleted, cleanSent, cleanJunk, reportOnly
std::string Flags(const RunOptions& o) {
  std::string flags;
  for (int flag :
       {o.cleanPostmaster, o.cleanInbox, o.cleanBadMail, o.cleanDeleted, o.cleanSent, o.cleanJunk, o.reportOnly}) {
    flags += flag ? '1' : '0';
  }
  return flags;
}

TEST(CommandLine, NoArgumentOrAQuestionMarkAskForUsageAndOneOrTwoAreTooFew) {
  EXPECT_EQ(Parse({}).choice, CommandLineChoice::kUsage);
  EXPECT_EQ(Parse({"/?"}).choice, CommandLineChoice::kUsage);
  EXPECT_EQ(Parse({"/?", "30", "INBOX"}).choice, CommandLineChoice::kUsage);
  EXPECT_EQ(Parse({"?", "30", "INBOX", "UNREAD"}).choice, CommandLineChoice::kUsage);
  EXPECT_EQ(Parse({"ALL"}).choice, CommandLineChoice::kTooFew);
  EXPECT_EQ(Parse({"ALL", "30"}).choice, CommandLineChoice::kTooFew);
  EXPECT_EQ(Parse({"ALL", "30", "INBOX"}).choice, CommandLineChoice::kRun);
}

TEST(CommandLine, MistakesThatWouldRunAsSomethingElseAreRefusedWithOneLine) {
  const std::string target = "The target argument names no postoffice and no mailbox. Nothing was done.";
  const auto days = [](const std::string& text) {
    return "The DAYS argument \"" + text + "\" is not a number. Nothing was done.";
  };
  const auto word = [](const std::string& text, const std::string& what) {
    return "The SWITCHES argument \"" + text + "\" holds \"" + what + "\", which names no switch. Nothing was done.";
  };
  const auto lostPlus = [](const std::string& text) {
    return "The argument \"" + text + "\" is a switch; join switches with + (INBOX+DELETED). Nothing was done.";
  };
  const auto tooMany = [](const std::string& text) {
    return "Too many arguments: \"" + text +
           "\" follows the fourth argument; join switches with + (INBOX+DELETED), "
           "and UNREAD comes last. Nothing was done.";
  };
  const std::string quote = "\nA postoffice or mailbox name with spaces goes in double quotes: \"Main Office/alice\".";
  const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
      {{"", "30", "INBOX"}, target},
      {{"/", "30", "INBOX"}, target},
      {{"ALL", "abc", "INBOX"}, days("abc")},
      {{"ALL", "", "INBOX"}, days("")},
      {{"ALL", " -", "INBOX"}, days(" -")},
      {{"ALL", "3O", "INBOX"}, days("3O")},
      {{"ALL", "30days", "INBOX"}, days("30days")},
      {{"ALL", "0x10", "INBOX"}, days("0x10")},
      {{"ALL", " \t-30", "INBOX"},
       "The DAYS argument \" \t-30\" is negative: no message would be old enough. Nothing was done."},
      {{"ALL", "30", "INBXO"}, word("INBXO", "INBXO")},
      {{"ALL", "30", "Inbox+Delted Items"}, word("Inbox+Delted Items", "Delted")},
      {{"ALL", "30", "INBOX,PREVEIW"}, word("INBOX,PREVEIW", "PREVEIW")},
      {{"ALL", "30", "INBOX PREVEIW"}, word("INBOX PREVEIW", "PREVEIW")},
      {{"ALL", "30", "INBOX+Items"}, word("INBOX+Items", "Items")},
      {{"ALL", "30", "INBOX+,"}, word("INBOX+,", ",")},
      {{"ALL", "30", "PREVIEW"}, "The SWITCHES argument \"PREVIEW\" turns on no folder. Nothing was done."},
      {{"ALL", "30", "+"}, "The SWITCHES argument \"+\" turns on no folder. Nothing was done."},
      {{"ALL", "30", "INBOX", "deleted"}, lostPlus("deleted")},
      {{"ALL", "30", "INBOX", "+PREVIEW"}, lostPlus("+PREVIEW")},
      {{"ALL", "30", "INBOX", "+report"}, lostPlus("+report")},
      {{"ALL", "30", "INBOX", "PREVIEW "}, lostPlus("PREVIEW ")},
      {{"ALL", "30", "INBOX", "REPORT,"}, lostPlus("REPORT,")},
      {{"ALL", "30", "INBOX", "DELETED+SENT"}, lostPlus("DELETED+SENT")},
      {{"ALL", "30", "INBOX", "a\r\nDELETED\x1b"}, lostPlus("a??DELETED?")},  // one line, whatever it quotes
      {{"ALL", "30", "INBOX", "UNREAD", "DELETED"}, tooMany("DELETED")},
      // A name split at a space pushes the switches along: the refusal says to quote it.
      {{"Main", "Office", "30", "PREVIEW+INBOX"}, lostPlus("PREVIEW+INBOX") + quote},
      {{"Head", "office,", "London", "30", "PREVIEW+INBOX"}, tooMany("PREVIEW+INBOX") + quote},
      {{"Main", "Office/alice", "30", "INBOX", "UNREAD"}, tooMany("UNREAD") + quote},
  };
  std::string expected;
  testing_support::CapturedOutput output;
  for (const auto& [args, lines] : cases) {
    EXPECT_EQ(Parse(args).choice, CommandLineChoice::kRefused) << lines;
    expected += lines + "\n";
  }
  EXPECT_EQ(output.Take(), expected);
  // The server's own folder names keep working.
  for (const char* switches : {"INBOX+Deleted Items", "Sent Items", "Junk E-mail", "BadMail", "INBOX+PREVIEW"}) {
    EXPECT_EQ(Parse({"ALL", "30", switches}).choice, CommandLineChoice::kRun) << switches;
  }
}

// Switches are found anywhere in their argument, ignoring case; REPORT turns on four folders but
// not Sent or Junk, and no preview survives it; any fourth argument retains unread messages.
TEST(CommandLine, SwitchesAreFoundAnywhereIgnoringCase) {
  const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
      {{"inbox"}, "0100000"},          {{"INBOX+DELETED"}, "0101000"},    {{"INBOXDELETED"}, "0101000"},
      {{"DELETED,INBOX"}, "0101000"},  {{"INBOXES+SENTINEL"}, "0100100"}, {{"BADMAIL"}, "0010000"},
      {{"JUNK"}, "0000010"},           {{"REPORT"}, "1111001"},           {{"REPORT+SENT+JUNK"}, "1111111"},
      {{"REPORT+PREVIEW"}, "1111001"}, {{"INBOX", "KEEP"}, "0100000u"},   {{"INBOX", "UNREAD"}, "0100000u"}};
  for (const auto& [switches, flags] : cases) {
    std::vector<const char*> args = {"Main/john.smith", "30"};
    args.insert(args.end(), switches.begin(), switches.end());
    const Parsed parsed = Parse(args);
    EXPECT_EQ(Flags(parsed.options) + (parsed.options.retainUnread ? "u" : ""), flags) << switches[0];
    EXPECT_FALSE(parsed.options.preview) << switches[0];
    EXPECT_STREQ(parsed.options.target, "Main/john.smith");
    EXPECT_STREQ(parsed.options.switchText, switches[0]);
  }
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
  for (const char* days :
       {"abc", "", " ", "+", "-", "+-7", "-5", "-0", "days45", "45days", "3O", "7.5", "0x10", "4 5"}) {
    EXPECT_EQ(Parse({"ALL", days, "INBOX"}).choice, CommandLineChoice::kRefused) << days;
  }
  EXPECT_EQ(Parse({"ALL", " 45\t", "INBOX"}).options.days, 45);
  EXPECT_EQ(Parse({"ALL", "0", "INBOX"}).options.days, 0);
  EXPECT_EQ(Parse({"/M", "30", "INBOX"}).choice, CommandLineChoice::kRun);
  EXPECT_EQ(Parse({"P/", "30", "INBOX"}).choice, CommandLineChoice::kRun);
}

// Arguments too long for their fields are refused with a line; the longest that fit are accepted.
TEST(CommandLine, ArgumentsTooLongForTheirFieldsAreRefusedWithALine) {
  const auto refusal = [](const std::string& what, size_t length, int most) {
    return "The " + what + " is " + std::to_string(length) + " characters long; at most " + std::to_string(most) +
           " are accepted. Nothing was done.\n";
  };
  const std::string target = "target argument";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{std::string(128, 'P'), "INBOX"}, refusal(target, 128, 127)},
      {{"PO/" + std::string(64, 'm'), "INBOX"}, refusal("mailbox part of the " + target, 64, 63)},
      {{std::string(1024, 'a'), "INBOX"}, refusal(target, 1024, 127)},
      {{"ALL", std::string(1024, 'X')}, refusal("switches argument", 1024, 1023)},
      {{std::string(127, 'P'), "INBOX"}, ""},
      {{"P/" + std::string(63, 'm'), "INBOX"}, ""},
      {{"ALL", "INBOX" + std::string(1018, 'X')}, ""}};
  for (const auto& [args, line] : cases) {
    testing_support::CapturedOutput output;
    const Parsed parsed = Parse({args[0].c_str(), "30", args[1].c_str()});
    EXPECT_EQ(parsed.choice, line.empty() ? CommandLineChoice::kRun : CommandLineChoice::kRefused) << line;
    EXPECT_EQ(output.Take(), line);
  }
}

}  // namespace
