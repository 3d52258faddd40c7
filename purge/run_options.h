#pragma once

#include <cstdint>

/// The parsed command line: filled once before any phase, then only read (except
/// `mailboxName`, which the postoffice walk writes when it parses the target).
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
  char mailboxName[1024] = {};
};

/// The process-wide run options: the command line fills them, the phases read them.
extern RunOptions runOptions;
