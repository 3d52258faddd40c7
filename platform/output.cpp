#include "platform/output.h"

#include <cstdarg>
#include <cstdio>

#include "platform/fault.h"

namespace platform {

namespace {
bool failed = false;
}

void Print(const char* format, ...) {
  if (fault::Fails(fault::Point::kWriteOutput)) {
    failed = true;
    return;
  }
  va_list args;
  va_start(args, format);
  if (vprintf(format, args) < 0) failed = true;
  va_end(args);
}

void FlushOutput() {
  if (fault::Fails(fault::Point::kWriteOutput) || fflush(stdout) != 0 || ferror(stdout)) failed = true;
}

bool OutputFailed() { return failed; }

}  // namespace platform
