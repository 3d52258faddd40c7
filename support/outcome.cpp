#include "support/outcome.h"

#include <cstdarg>
#include <cstdio>

#include "platform/output.h"

void RunOutcome::Fail(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list kept;
  va_copy(kept, args);
  platform::PrintArguments(format, args);
  va_end(args);
  Keep(format, kept);
  va_end(kept);
  skipped_ = true;
}

void RunOutcome::NoteUnprintedFailure(const char* line) {
  Keep("%s", line);
  skipped_ = true;
}

void RunOutcome::Keep(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Keep(format, args);
  va_end(args);
}

// A line that does not fit whole is counted with the rest, never kept in part; once one is
// counted, so is every later one, so that what is kept is the first lines said.
void RunOutcome::Keep(const char* format, va_list args) {
  if (kept_ < kKeptLines && leftOut_ == 0) {
    const int length = vsnprintf(lines_ + used_, sizeof lines_ - used_, format, args);
    if (length >= 0 && static_cast<size_t>(length) < sizeof lines_ - used_) {
      used_ += static_cast<size_t>(length);
      ++kept_;
      return;
    }
    lines_[used_] = '\0';
  }
  ++leftOut_;
}
