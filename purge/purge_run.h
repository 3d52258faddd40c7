#pragma once

#include "platform/system.h"
#include "providers/providers.h"
#include "purge/run_ledger.h"
#include "purge/run_options.h"
#include "support/outcome.h"

/// What every purge of one run works with, handed down from the run sequence: the options, the
/// system it searches, reads, deletes, reads the clock and pauses through, the loaded providers
/// whose store provider is asked for rescans, the record of what it could not do, and the ledger
/// of what it purged.
struct PurgeRun {
  const RunOptions& options;
  platform::System& system;
  const ProviderSet& providers;
  RunOutcome& outcome;
  RunLedger& ledger;
};
