#pragma once

/// Records that the run skipped work it was asked for (a line on standard output already says
/// what); the exit status is then 1.
void NoteSkippedWork();

/// True once any part of the run has skipped work it was asked for.
bool WorkWasSkipped();

/// Forgets earlier skips; for tests that run several phases in one process.
void ResetSkippedWork();
