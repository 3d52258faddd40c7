#pragma once

#include <cstdint>

/// The parsed command line: filled once by the run sequence before any phase, then handed down
/// and only read.
struct RunOptions {
  int32_t days = 0;
  bool cleanPostmaster = false;
  bool cleanInbox = false;
  bool cleanBadMail = false;
  bool cleanDeleted = false;
  bool cleanSent = false;
  bool cleanJunk = false;
  bool reportOnly = false;
  /// PREVIEW: the run does and says all it would, as if every deletion succeeded, but deletes
  /// nothing and asks for no rescan. Never with `reportOnly`.
  bool preview = false;
  bool retainUnread = false;
  char switchText[1024] = {};
  char target[1024] = {};

  /// True when a switch chose a folder of every mailbox: Inbox, Deleted Items, Sent Items or
  /// Junk E-mail.
  bool CleansAnyMailboxFolder() const { return cleanInbox || cleanDeleted || cleanSent || cleanJunk; }

  /// True when a switch chose a folder of the postoffice phase: the postmaster inbox or a
  /// mailbox folder (Bad Mail is the other phase's).
  bool CleansAnyPostofficeFolder() const { return cleanPostmaster || CleansAnyMailboxFolder(); }
};
