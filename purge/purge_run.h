#pragma once

#include "purge/message_store.h"
#include "purge/run_options.h"
#include "support/outcome.h"

/// What every purge of one run works with, handed down from the run sequence: the options, the
/// store the purge searches, reads and deletes through, and the record of what it could not do.
struct PurgeRun {
  const RunOptions& options;
  MessageStore& store;
  RunOutcome& outcome;
};
