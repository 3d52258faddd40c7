#include "support/outcome.h"

#include <cstdarg>

#include "platform/output.h"

void RunOutcome::Fail(const char* format, ...) {
  va_list args;
  va_start(args, format);
  platform::PrintArguments(format, args);
  va_end(args);
  skipped_ = true;
}
