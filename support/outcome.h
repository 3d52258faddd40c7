#pragma once

/// What one run could not do. Every part of a run that refuses, skips or fails work it was asked
/// for prints a line saying what, and notes it here; the exit status is then 1.
class RunOutcome {
 public:
  /// Prints the line `format` makes (as platform::Print) and notes that work asked for was
  /// refused, skipped or failed.
  void Fail(const char* format, ...) __attribute__((format(printf, 2, 3)));

  /// Notes that work asked for was refused, skipped or failed, for a caller whose line was
  /// printed where the failure was found.
  void NoteSkippedWork() { skipped_ = true; }

  /// True once any work was refused, skipped or failed.
  bool WorkWasSkipped() const { return skipped_; }

  /// The process's exit status: 0 when the run did all it was asked to (or showed the usage
  /// text), 1 otherwise.
  int ExitStatus() const { return skipped_ ? 1 : 0; }

 private:
  bool skipped_ = false;
};
