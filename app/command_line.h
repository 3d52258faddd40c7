#pragma once

#include <cstdint>

#include "purge/run_options.h"
#include "support/outcome.h"

enum class CommandLineChoice {
  kUsage,    ///< print the usage text and wait for a key
  kTooFew,   ///< one or two arguments: print the usage text, then PrintTooFewArguments; no wait
  kRun,      ///< `options` is filled; do a run
  kRefused,  ///< an argument does not fit; a line says which, and nothing else runs
};

/// Decides between usage and run and, for a run, fills `options` from the arguments
/// (`argc` counts the program name). Usage: no argument, or "/?" or "?" first; too few: one or
/// two arguments otherwise. Refused, with one line through outcome.Fail: more than four
/// arguments, or a fourth that holds a switch keyword anywhere (a lost '+'); a target that
/// names nothing ("" or "/") or is too long for its record fields; a DAYS that is not a whole
/// number, or is negative; switches too long for their buffer, with a piece between the '+' that names no
/// switch or a word (a run of letters, digits and '-') that holds no keyword and is not
/// "Items", "E-mail" or "Mail", or that turn on no folder. A refusal where the switches turn up
/// in the fourth or fifth argument instead of the third (a name split at a space) is followed by
/// a line that says to quote such a name.
CommandLineChoice ParseCommandLine(int argc, const char* const* argv, RunOptions* options, RunOutcome& outcome);

/// The runtime's atoi inside the signed 32-bit range; beyond it, clamped to the range. Text
/// without a number gives 0 (the command line refuses such a DAYS before it gets here).
int32_t ParseDays(const char* text);

/// Prints the 22-line usage text; without its last line, the key prompt, when nobody is asked
/// to press a key.
void PrintUsage(bool waitsForKey);

/// Says, through outcome.Fail, that one or two arguments are not a command.
void PrintTooFewArguments(RunOutcome& outcome);
