#pragma once

#include "platform/system.h"
#include "support/outcome.h"

/// The tool's one pass, making its calls through `system`: the usage text, or a run for the
/// arguments (`argc` counts the program name), with its output flushed at the end. Whatever it
/// refuses, skips or fails, and a run that runs out of memory (which ends with the line "Not
/// enough memory to go on. The run stopped.") or whose output cannot be written, is noted in
/// `outcome`. Every pass but the usage text ends with the run's one event (WriteRunEvent):
/// kRefused for a refused command line (one or two arguments included), else kDone or kFailed
/// as the exit status is 0 or 1.
void RunQnpurge(int argc, const char* const* argv, platform::System& system, RunOutcome& outcome);
