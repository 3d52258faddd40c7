#include "support/text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/ascii.h"
#include "platform/files.h"

namespace {

int FormatInto(char* destination, size_t size, const char* format, va_list args) {
  if (size == 0) return -1;
  const int written = vsnprintf(destination, size, format, args);
  if (written < 0 || static_cast<size_t>(written) >= size) {
    destination[0] = '\0';
    return -1;
  }
  return written;
}

}  // namespace

char* BoundedCopy(char* destination, size_t size, const char* source) {
  if (size == 0) return nullptr;
  const size_t length = strlen(source);
  if (length >= size) {
    destination[0] = '\0';
    return nullptr;
  }
  memcpy(destination, source, length + 1);
  return destination;
}

char* BoundedAppend(char* destination, size_t size, const char* source) {
  const size_t existing = strnlen(destination, size);
  const size_t length = strlen(source);
  if (existing >= size || length >= size - existing) return nullptr;
  memcpy(destination + existing, source, length + 1);
  return destination;
}

int BoundedFormat(char* destination, size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int written = FormatInto(destination, size, format, args);
  va_end(args);
  return written;
}

int FormatPath(char* destination, size_t size, const char* format, ...) {
  char pathFormat[256];
  if (BoundedCopy(pathFormat, sizeof pathFormat, format) == nullptr) {
    if (size > 0) destination[0] = '\0';
    return -1;
  }
  for (char* c = pathFormat; *c != '\0'; ++c) {
    if (*c == '\\') *c = platform::kPathSeparator;
  }
  va_list args;
  va_start(args, format);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  const int written = FormatInto(destination, size, pathFormat, args);
#pragma GCC diagnostic pop
  va_end(args);
  return written;
}

const char* FindNoCase(const char* haystack, const char* needle, int32_t haystackLength, int32_t needleLength) {
  if (haystack == nullptr || needle == nullptr) return nullptr;
  const size_t haystackSize = haystackLength == -1 ? strlen(haystack) : static_cast<size_t>(haystackLength);
  const size_t needleSize = needleLength == -1 ? strlen(needle) : static_cast<size_t>(needleLength);
  if (needleSize == 0 || needleSize > haystackSize) return nullptr;
  for (size_t start = 0; start + needleSize <= haystackSize; ++start) {
    if (ascii::StartsWithNoCase(std::string_view(haystack + start, needleSize), std::string_view(needle, needleSize))) {
      return haystack + start;
    }
  }
  return nullptr;
}
