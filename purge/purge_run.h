#pragma once

#include "platform/system.h"
#include "purge/message_store.h"
#include "purge/run_ledger.h"
#include "purge/run_options.h"
#include "support/outcome.h"

/// What every purge of one run works with, handed down from the run sequence: the options, the
/// system it reads the clock and pauses through, the store the purge searches, reads and deletes
/// through, the record of what it could not do, and the ledger of what it purged.
struct PurgeRun {
  const RunOptions& options;
  platform::System& system;
  MessageStore& store;
  RunOutcome& outcome;
  RunLedger& ledger;
};
