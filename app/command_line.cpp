#include "app/command_line.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "app/version.h"
#include "platform/ascii.h"
#include "platform/output.h"
#include "support/text.h"

namespace {

// Longest target and mailbox part that the postoffice and mailbox records can hold: the whole
// target goes back into the 128-byte postoffice name field before every next call, and the
// mailbox part into the 64-byte mailbox field.
constexpr size_t kMaxTarget = 127;
constexpr size_t kMaxMailboxPart = 63;

bool Refuse(const char* what, size_t length, size_t limit, RunOutcome& outcome) {
  outcome.Fail("The %s argument is %u characters long; at most %u are accepted. Nothing was done.\n", what,
               static_cast<unsigned>(length), static_cast<unsigned>(limit));
  return false;
}

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// An argument as a refusal line quotes it: a line feed or another control character (from a
// script's variable) would part the line or hide a part of it, so each shows as '?'.
std::string Shown(std::string_view text) {
  std::string shown(text);
  for (char& c : shown) {
    if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f) c = '?';
  }
  return shown;
}

// Copies the target into the run options, refusing one that names nothing or does not fit.
bool TakeTarget(const char* target, RunOptions* options, RunOutcome& outcome) {
  const char* slash = strchr(target, '/');
  // Empty, or "/": an empty postoffice filter and no mailbox would widen to every mailbox of every
  // postoffice.
  if (target[0] == '\0' || (slash == target && slash[1] == '\0')) {
    outcome.Fail("The target argument names no postoffice and no mailbox. Nothing was done.\n");
    return false;
  }
  const size_t targetLength = strlen(target);
  if (targetLength > kMaxTarget || BoundedCopy(options->target, sizeof options->target, target) == nullptr) {
    return Refuse("target", targetLength, kMaxTarget, outcome);
  }
  if (slash != nullptr && strlen(slash + 1) > kMaxMailboxPart) {
    return Refuse("mailbox part of the target", strlen(slash + 1), kMaxMailboxPart, outcome);
  }
  return true;
}

// DAYS is a whole number and nothing else: text with no digit would read as 0 and make every
// message old, and 3O (a letter O) or 30days would be read as 3 or 30 without a word.
bool TakeDays(const char* text, RunOptions* options, RunOutcome& outcome) {
  const char* c = text;
  while (IsBlank(*c)) ++c;
  const bool negative = *c == '-';
  if (*c == '+' || *c == '-') ++c;
  const char* digits = c;
  while (*c >= '0' && *c <= '9') ++c;
  const bool number = c > digits;
  while (IsBlank(*c)) ++c;
  if (!number || *c != '\0') {
    outcome.Fail("The DAYS argument \"%s\" is not a number. Nothing was done.\n", Shown(text).c_str());
    return false;
  }
  // No age is below a negative number of days, so nothing would ever be old: a scheduled purge
  // would do nothing, night after night, and report success.
  if (negative) {
    outcome.Fail("The DAYS argument \"%s\" is negative: no message would be old enough. Nothing was done.\n",
                 Shown(text).c_str());
    return false;
  }
  options->days = ParseDays(text);
  return true;
}

struct Switch {
  const char* keyword;
  bool RunOptions::*flag;
};

// The switch keywords, in the order the switch text is searched for them.
constexpr Switch kSwitches[] = {
    {"POSTMASTER", &RunOptions::cleanPostmaster},
    {"INBOX", &RunOptions::cleanInbox},
    {"BADMAIL", &RunOptions::cleanBadMail},
    {"DELETED", &RunOptions::cleanDeleted},
    {"SENT", &RunOptions::cleanSent},
    {"JUNK", &RunOptions::cleanJunk},
    {"REPORT", &RunOptions::reportOnly},
    {"PREVIEW", &RunOptions::preview},
};

bool NamesASwitch(std::string_view text) {
  for (const Switch& s : kSwitches) {
    if (FindNoCase(text.data(), s.keyword, static_cast<int32_t>(text.size())) != nullptr) return true;
  }
  return false;
}

bool IsBlankText(std::string_view text) {
  for (char c : text) {
    if (!IsBlank(c)) return false;
  }
  return true;
}

// Letters, digits and '-' make up the words of a switch piece; any other byte of the ASCII
// range parts them.
bool IsWordByte(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u >= 0x80 || c == '-' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The first word of `piece` that holds no keyword and is no word of the server's own folder
// names (Deleted Items, Junk E-mail, BadMail): a misspelt PREVIEW beside INBOX would otherwise
// pass with the piece and purge for real. Empty when every word is one.
std::string_view WordNamingNoSwitch(std::string_view piece) {
  for (size_t start = 0; start < piece.size();) {
    if (!IsWordByte(piece[start])) {
      ++start;
      continue;
    }
    size_t end = start;
    while (end < piece.size() && IsWordByte(piece[end])) ++end;
    const std::string_view word = piece.substr(start, end - start);
    if (!NamesASwitch(word) && !ascii::EqualNoCase(word, "Items") && !ascii::EqualNoCase(word, "E-mail") &&
        !ascii::EqualNoCase(word, "Mail")) {
      return word;
    }
    start = end;
  }
  return {};
}

bool RefuseSwitchText(const char* switches, std::string_view what, RunOutcome& outcome) {
  outcome.Fail("The SWITCHES argument \"%s\" holds \"%s\", which names no switch. Nothing was done.\n",
               Shown(switches).c_str(), Shown(what).c_str());
  return false;
}

// Every piece between the '+' must name a switch, and every word of it must belong there: a
// misspelt one (INBXO) would otherwise be dropped without a word, and a run that cleans nothing
// would report success every night.
bool TakeSwitches(const char* switches, RunOptions* options, RunOutcome& outcome) {
  if (BoundedCopy(options->switchText, sizeof options->switchText, switches) == nullptr) {
    return Refuse("switches", strlen(switches), sizeof options->switchText - 1, outcome);
  }
  const std::string_view text(switches);
  for (size_t start = 0; start <= text.size();) {
    const size_t end = std::min(text.find('+', start), text.size());
    const std::string_view piece = text.substr(start, end - start);
    const std::string_view word = WordNamingNoSwitch(piece);
    if (!word.empty()) return RefuseSwitchText(switches, word, outcome);
    if (!IsBlankText(piece) && !NamesASwitch(piece)) return RefuseSwitchText(switches, piece, outcome);
    start = end + 1;
  }
  return true;
}

// A fourth argument holding a switch keyword, found as the switches are, lost its '+' (INBOX
// +PREVIEW, "PREVIEW ", DELETED+SENT): it would silently mean UNREAD instead, and purge.
bool TakeFourthArgument(int argc, const char* const* argv, RunOutcome& outcome) {
  if (argc > 5) {
    outcome.Fail(
        "Too many arguments: \"%s\" follows the fourth argument; join switches with + (INBOX+DELETED), and UNREAD "
        "comes last. Nothing was done.\n",
        Shown(argv[5]).c_str());
    return false;
  }
  if (argc == 5 && NamesASwitch(argv[4])) {
    outcome.Fail("The argument \"%s\" is a switch; join switches with + (INBOX+DELETED). Nothing was done.\n",
                 Shown(argv[4]).c_str());
    return false;
  }
  return true;
}

// Switches in the fourth or fifth argument but not in the third: a name with a space, not
// quoted, pushed them along ("Main Office 30 INBOX").
bool LooksLikeASplitName(int argc, const char* const* argv) {
  if (argc < 5 || NamesASwitch(argv[3])) return false;
  return NamesASwitch(argv[4]) || (argc > 5 && NamesASwitch(argv[5]));
}

}  // namespace

int32_t ParseDays(const char* text) {
  const char* c = text;
  while (IsBlank(*c)) ++c;
  bool negative = false;
  if (*c == '+' || *c == '-') negative = *c++ == '-';
  // Accumulate in 64 bits and stop once past the 32-bit range, so that any number of digits
  // clamps instead of overflowing.
  int64_t value = 0;
  for (; *c >= '0' && *c <= '9'; ++c) {
    value = value * 10 + (*c - '0');
    if (value > 2147483648LL) break;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

CommandLineChoice ParseCommandLine(int argc, const char* const* argv, RunOptions* options, RunOutcome& outcome) {
  if (argc <= 1) return CommandLineChoice::kUsage;
  if (ascii::EqualNoCase(argv[1], "/?") || ascii::EqualNoCase(argv[1], "?")) return CommandLineChoice::kUsage;
  if (argc <= 3) return CommandLineChoice::kTooFew;
  if (!TakeFourthArgument(argc, argv, outcome) || !TakeTarget(argv[1], options, outcome) ||
      !TakeDays(argv[2], options, outcome) || !TakeSwitches(argv[3], options, outcome)) {
    if (LooksLikeASplitName(argc, argv)) {
      platform::Print("A postoffice or mailbox name with spaces goes in double quotes: \"Main Office/alice\".\n");
    }
    return CommandLineChoice::kRefused;
  }

  // A keyword anywhere in the switch text counts, also inside a longer word (DELETED ITEMS).
  for (const Switch& s : kSwitches) options->*s.flag = FindNoCase(options->switchText, s.keyword) != nullptr;
  options->retainUnread = argc >= 5;

  if (options->reportOnly) {
    // Report mode forces four of the six folder switches; Sent Items and Junk E-mail keep theirs.
    options->cleanPostmaster = 1;
    options->cleanInbox = 1;
    options->cleanBadMail = 1;
    options->cleanDeleted = 1;
    options->preview = 0;  // a report deletes nothing already, and lists more
  }
  if (!options->CleansAnyPostofficeFolder() && !options->cleanBadMail) {
    outcome.Fail("The SWITCHES argument \"%s\" turns on no folder. Nothing was done.\n", Shown(argv[3]).c_str());
    return CommandLineChoice::kRefused;
  }
  return CommandLineChoice::kRun;
}

void PrintUsage(bool waitsForKey) {
  platform::Print("******************************************************************\n");
  platform::Print("*            Quillerton Message Store Purge Utility              *\n");
  platform::Print("*            Version %-44s*\n", kUsageVersion);
  platform::Print("******************************************************************\n\n");
  platform::Print(
      "This utility will purge all Postmaster, Badmail, Inbox or Deleted Items messages that exceed the specified "
      "age.\n\n");
  platform::Print("Syntax: QNPURGE {POSTOFFICE|POSTOFFICE/MAILBOX|ALL} {DAYS} {SWITCHES} [UNREAD]\n\n");
  platform::Print("Parameters:\n");
  platform::Print(
      "POSTOFFICE|POSTOFFICE/MAILBOX|ALL = Apply to a single postoffice, to a single mailbox or to all post offices\n");
  platform::Print("DAYS = The minimum age of messages (in days)\n");
  platform::Print("SWITCHES = See following section (switches are delimited by a plus)\n");
  platform::Print("UNREAD = Do not purge unread messages\n\n");
  platform::Print("Switches: (delimited by a plus character)\n");
  platform::Print("POSTMASTER = Clean the Inbox of Postmaster Mailboxes\n");
  platform::Print("INBOX = Clean the Inbox of all Mailboxes\n");
  platform::Print("DELETED = Clean the Deleted Items Folder of all Mailboxes\n");
  platform::Print("SENT = Clean the Sent Items Folder of all Mailboxes\n");
  platform::Print("JUNK = Clean the Junk E-mail Folder of all Mailboxes\n");
  platform::Print("BADMAIL = Clean the System BadMail Folder\n");
  platform::Print("REPORT = Reports on matching deletions for all settings - does not delete messages\n\n");
  platform::Print("Note: Multiple switches can be used if delimited with a + character.\n\n");
  platform::Print("e.g.: QNPURGE MAINOFFICE 30 INBOX+DELETED+SENT UNREAD\n\n");
  if (waitsForKey) platform::Print("Press any key to continue..\n");
}

void PrintTooFewArguments(RunOutcome& outcome) {
  outcome.Fail("Not enough arguments: TARGET, DAYS and SWITCHES are needed. Nothing was done.\n");
}
