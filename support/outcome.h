#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

/// What one run could not do. Every part of a run that refuses, skips or fails work it was asked
/// for prints a line saying what, and notes it here; the exit status is then 1. The first lines
/// that said so are kept for the run's event, in a buffer of fixed size.
class RunOutcome {
 public:
  /// The most failure lines kept; the rest are only counted.
  static constexpr uint32_t kKeptLines = 20;
  /// The size of the buffer that keeps them.
  static constexpr size_t kKeptTextSize = 16384;

  /// Prints the line `format` makes (as platform::Print), notes that work asked for was refused,
  /// skipped or failed, and keeps the line.
  void Fail(const char* format, ...) __attribute__((format(printf, 2, 3)));

  /// Notes a failure whose line could not be printed (standard output itself failed) and keeps
  /// `line` (ending in '\n') as if Fail had printed it.
  void NoteUnprintedFailure(const char* line);

  /// True once any work was refused, skipped or failed.
  bool WorkWasSkipped() const { return skipped_; }

  /// The process's exit status: 0 when the run did all it was asked to (or showed the usage
  /// text), 1 otherwise.
  int ExitStatus() const { return skipped_ ? 1 : 0; }

  /// The failure lines kept, each ending in '\n': the first ones said, at most kKeptLines, up to
  /// the first that does not fit the buffer whole.
  const char* KeptLines() const { return lines_; }

  /// How many failure lines were said and not kept.
  uint64_t LinesLeftOut() const { return leftOut_; }

 private:
  void Keep(const char* format, va_list args) __attribute__((format(printf, 2, 0)));
  void Keep(const char* format, ...) __attribute__((format(printf, 2, 3)));

  bool skipped_ = false;
  char lines_[kKeptTextSize] = {};
  size_t used_ = 0;
  uint32_t kept_ = 0;
  uint64_t leftOut_ = 0;
};
