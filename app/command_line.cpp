#include "app/command_line.h"

#include <cstdio>
#include <cstring>

#include "platform/ascii.h"
#include "platform/output.h"
#include "support/text.h"

namespace {

// Longest target and mailbox part that the postoffice and mailbox records can hold: the whole
// target goes back into the 128-byte postoffice name field before every next call, and the
// mailbox part into the 64-byte mailbox field.
constexpr size_t kMaxTarget = 127;
constexpr size_t kMaxMailboxPart = 63;

bool Refuse(const char* what, size_t length, size_t limit) {
  platform::Print("The %s argument is %u characters long; at most %u are accepted. Nothing was done.\n", what,
         static_cast<unsigned>(length), static_cast<unsigned>(limit));
  return false;
}

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Copies the target into the run options, refusing one that names nothing or does not fit.
bool TakeTarget(const char* target, RunOptions* options) {
  const char* slash = strchr(target, '/');
  // Empty, or "/": an empty postoffice filter and no mailbox would widen to every mailbox of every
  // postoffice.
  if (target[0] == '\0' || (slash == target && slash[1] == '\0')) {
    platform::Print("The target argument names no postoffice and no mailbox. Nothing was done.\n");
    return false;
  }
  const size_t targetLength = strlen(target);
  if (targetLength > kMaxTarget || BoundedCopy(options->target, sizeof options->target, target) == nullptr) {
    return Refuse("target", targetLength, kMaxTarget);
  }
  if (slash != nullptr && strlen(slash + 1) > kMaxMailboxPart) {
    return Refuse("mailbox part of the target", strlen(slash + 1), kMaxMailboxPart);
  }
  return true;
}

// DAYS must be a number: text with no digit would read as 0 and make every message old.
bool TakeDays(const char* text, RunOptions* options) {
  const char* c = text;
  while (IsBlank(*c)) ++c;
  if (*c == '+' || *c == '-') ++c;
  if (*c < '0' || *c > '9') {
    platform::Print("The DAYS argument \"%s\" is not a number. Nothing was done.\n", text);
    return false;
  }
  options->days = ParseDays(text);
  return true;
}

bool TakeSwitches(const char* switches, RunOptions* options) {
  if (BoundedCopy(options->switchText, sizeof options->switchText, switches) == nullptr) {
    return Refuse("switches", strlen(switches), sizeof options->switchText - 1);
  }
  return true;
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

CommandLineChoice ParseCommandLine(int argc, const char* const* argv, RunOptions* options) {
  if (argc <= 3) return CommandLineChoice::kUsage;
  if (ascii::EqualNoCase(argv[1], "/?") || ascii::EqualNoCase(argv[1], "?")) return CommandLineChoice::kUsage;
  if (!TakeTarget(argv[1], options) || !TakeDays(argv[2], options) || !TakeSwitches(argv[3], options)) {
    return CommandLineChoice::kRefused;
  }

  // The switch text is never split on '+': a keyword anywhere in it counts, also inside a
  // longer word.
  const char* switches = options->switchText;
  options->cleanPostmaster = FindNoCase(switches, "POSTMASTER") != nullptr;
  options->cleanInbox = FindNoCase(switches, "INBOX") != nullptr;
  options->cleanBadMail = FindNoCase(switches, "BADMAIL") != nullptr;
  options->cleanDeleted = FindNoCase(switches, "DELETED") != nullptr;
  options->cleanSent = FindNoCase(switches, "SENT") != nullptr;
  options->cleanJunk = FindNoCase(switches, "JUNK") != nullptr;
  options->reportOnly = FindNoCase(switches, "REPORT") != nullptr;
  options->retainUnread = argc >= 5;

  if (options->reportOnly) {
    // Report mode forces four of the six folder switches; Sent Items and Junk E-mail keep theirs.
    options->cleanPostmaster = 1;
    options->cleanInbox = 1;
    options->cleanBadMail = 1;
    options->cleanDeleted = 1;
  }
  return CommandLineChoice::kRun;
}

void PrintUsage() {
  platform::Print("******************************************************************\n");
  platform::Print("*            Quillerton Message Store Purge Utility              *\n");
  platform::Print("*            Version 1.3                                         *\n");
  platform::Print("******************************************************************\n\n");
  platform::Print("This utility will purge all Postmaster, Badmail, Inbox or Deleted Items messages that exceed the specified age.\n\n");
  platform::Print("Syntax: QNPURGE {POSTOFFICE|POSTOFFICE/MAILBOX|ALL} {DAYS} {SWITCHES} [UNREAD]\n\n");
  platform::Print("Parameters:\n");
  platform::Print("POSTOFFICE|POSTOFFICE/MAILBOX|ALL = Apply to a single postoffice, to a single mailbox or to all post offices\n");
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
  platform::Print("Press any key to continue..\n");
}
