#include "app/command_line.h"

#include <cstdio>
#include <cstring>

#include "support/text.h"

namespace {

// Longest target and mailbox part that the postoffice and mailbox records can hold.
constexpr size_t kMaxTarget = 127;
constexpr size_t kMaxMailboxPart = 63;

bool Refuse(const char* what, size_t length, size_t limit) {
  printf("The %s argument is %u characters long; at most %u are accepted. Nothing was done.\n", what,
         static_cast<unsigned>(length), static_cast<unsigned>(limit));
  return false;
}

bool ArgumentsFit(const char* target, const char* switches) {
  const size_t targetLength = strlen(target);
  const size_t switchLength = strlen(switches);
  if (targetLength > sizeof(RunOptions::target) - 1) return Refuse("target", targetLength, sizeof(RunOptions::target) - 1);
  if (switchLength > sizeof(RunOptions::switchText) - 1)
    return Refuse("switches", switchLength, sizeof(RunOptions::switchText) - 1);
  if (EqualsNoCase(target, "ALL")) return true;
  // The whole target goes back into the 128-byte postoffice name field before every next call,
  // and the mailbox part into the 64-byte mailbox field.
  if (targetLength > kMaxTarget) return Refuse("target", targetLength, kMaxTarget);
  if (const char* slash = strchr(target, '/')) {
    const size_t mailboxLength = strlen(slash + 1);
    if (mailboxLength > kMaxMailboxPart) return Refuse("mailbox part of the target", mailboxLength, kMaxMailboxPart);
  }
  return true;
}

}  // namespace

int32_t ParseDays(const char* text) {
  const char* c = text;
  while (*c == ' ' || (*c >= '\t' && *c <= '\r')) ++c;
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
  if (EqualsNoCase(argv[1], "/?") || EqualsNoCase(argv[1], "?")) return CommandLineChoice::kUsage;
  if (!ArgumentsFit(argv[1], argv[3])) return CommandLineChoice::kRefused;

  BoundedCopy(options->target, sizeof options->target, argv[1]);
  options->days = ParseDays(argv[2]);
  BoundedCopy(options->switchText, sizeof options->switchText, argv[3]);

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
  printf("******************************************************************\n");
  printf("*            Quillerton Message Store Purge Utility              *\n");
  printf("*            Version 1.3                                         *\n");
  printf("******************************************************************\n\n");
  printf("This utility will purge all Postmaster, Badmail, Inbox or Deleted Items messages that exceed the specified age.\n\n");
  printf("Syntax: QNPURGE {POSTOFFICE|POSTOFFICE/MAILBOX|ALL} {DAYS} {SWITCHES} [UNREAD]\n\n");
  printf("Parameters:\n");
  printf("POSTOFFICE|POSTOFFICE/MAILBOX|ALL = Apply to a single postoffice, to a single mailbox or to all post offices\n");
  printf("DAYS = The minimum age of messages (in days)\n");
  printf("SWITCHES = See following section (switches are delimited by a plus)\n");
  printf("UNREAD = Do not purge unread messages\n\n");
  printf("Switches: (delimited by a plus character)\n");
  printf("POSTMASTER = Clean the Inbox of Postmaster Mailboxes\n");
  printf("INBOX = Clean the Inbox of all Mailboxes\n");
  printf("DELETED = Clean the Deleted Items Folder of all Mailboxes\n");
  printf("SENT = Clean the Sent Items Folder of all Mailboxes\n");
  printf("JUNK = Clean the Junk E-mail Folder of all Mailboxes\n");
  printf("BADMAIL = Clean the System BadMail Folder\n");
  printf("REPORT = Reports on matching deletions for all settings - does not delete messages\n\n");
  printf("Note: Multiple switches can be used if delimited with a + character.\n\n");
  printf("e.g.: QNPURGE MAINOFFICE 30 INBOX+DELETED+SENT UNREAD\n\n");
  printf("Press any key to continue..\n");
}
