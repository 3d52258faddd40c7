#pragma once

#include <cstdint>

#include "app/run_options.h"

enum class CommandLineChoice {
  kUsage,    ///< print the usage text and wait for a key
  kRun,      ///< `options` is filled; do a run
  kRefused,  ///< an argument does not fit; a line says which, and nothing else runs
};

/// Decides between usage and run and, for a run, fills `options` from the arguments
/// (`argc` counts the program name). A refusal prints its line to standard output.
CommandLineChoice ParseCommandLine(int argc, const char* const* argv, RunOptions* options);

/// The runtime's atoi inside the signed 32-bit range; beyond it, clamped to the range.
int32_t ParseDays(const char* text);

/// Prints the 22-line usage text.
void PrintUsage();
