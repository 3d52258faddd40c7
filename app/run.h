#pragma once

/// The tool's entry: usage or one run. Returns the exit status: 0 for the usage text and for a
/// run that did all it was asked to, 1 when it refused its arguments or skipped work.
int RunQnpurge(int argc, const char* const* argv);

/// The process's entry: RunQnpurge, then the output flushed. A run that runs out of memory ends
/// with the line "Not enough memory to go on. The run stopped."; a run whose output could not be
/// written, or that ran out of memory, ends with exit status 1.
int QnpurgeMain(int argc, const char* const* argv);
