#pragma once

#include <cstdint>

/// The parsed command line: filled once by the run sequence before any phase, then handed down
/// and only read.
struct RunOptions {
  int32_t days = 0;
  int32_t cleanPostmaster = 0;
  int32_t cleanInbox = 0;
  int32_t cleanBadMail = 0;
  int32_t cleanDeleted = 0;
  int32_t cleanSent = 0;
  int32_t cleanJunk = 0;
  int32_t reportOnly = 0;
  /// PREVIEW: the run does and says all it would, as if every deletion succeeded, but deletes
  /// nothing and asks for no rescan. Never with `reportOnly`.
  int32_t preview = 0;
  int32_t retainUnread = 0;
  char switchText[1024] = {};
  char target[1024] = {};

  /// True when a switch chose a folder of the postoffice phase: the postmaster inbox or a
  /// mailbox folder (Bad Mail is the other phase's).
  bool CleansAnyPostofficeFolder() const {
    return cleanPostmaster || cleanInbox || cleanDeleted || cleanSent || cleanJunk;
  }
};
