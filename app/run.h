#pragma once

#include "support/outcome.h"

/// The tool's one pass: the usage text, or a run for the arguments (`argc` counts the program
/// name), with its output flushed at the end. Whatever it refuses, skips or fails, and a run
/// that runs out of memory (which ends with the line "Not enough memory to go on. The run
/// stopped.") or whose output cannot be written, is noted in `outcome`.
void RunQnpurge(int argc, const char* const* argv, RunOutcome& outcome);
