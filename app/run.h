#pragma once

/// The tool's entry: usage or one run. Returns the exit status: 0 for the usage text and for a
/// run that did all it was asked to, 1 when it refused its arguments or skipped work.
int RunQnpurge(int argc, const char* const* argv);
