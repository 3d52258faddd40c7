#pragma once

#include <cstdarg>

// Standard output, the tool's only output: every line goes through Print, so that a write that
// fails is noticed wherever it happens, and the run's exit status can say so.
namespace platform {

/// Writes text formatted as printf does to standard output. A failed write is remembered, not
/// reported: the run goes on and OutputFailed tells at the end.
void Print(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// Print, for a caller that takes the arguments of its own format.
void PrintArguments(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

/// Hands what was printed to the system, so that it survives a run that is stopped; a failure is
/// remembered as with Print.
void FlushOutput();

/// True once a write or a flush of standard output has failed.
bool OutputFailed();

/// Forgets a failed write, the stream's error indicator included, so that the next pass of the
/// tool starts clean; for tests that run it more than once in one process.
void ForgetOutputFailure();

}  // namespace platform
