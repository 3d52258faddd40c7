#include "platform/output.h"

#include <cstdarg>
#include <cstdio>

#include "platform/fault.h"

namespace platform {

namespace {
bool failed = false;
}

void Print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  PrintArguments(format, args);
  va_end(args);
}

void PrintArguments(const char* format, va_list args) {
  if (fault::Fails(fault::Point::kWriteOutput)) {
    failed = true;
    return;
  }
  if (vprintf(format, args) < 0) failed = true;
}

void FlushOutput() {
  if (fault::Fails(fault::Point::kWriteOutput) || fflush(stdout) != 0 || ferror(stdout)) failed = true;
}

bool OutputFailed() { return failed; }

void ForgetOutputFailure() {
  clearerr(stdout);
  failed = false;
}

}  // namespace platform
