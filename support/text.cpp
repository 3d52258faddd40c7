#include "support/text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/files.h"

namespace {

// The default "C" locale folds exactly a to z; every other byte compares as itself.
inline unsigned char Fold(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c; }

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
  if (haystackLength == -1) {
    if (haystack == nullptr) return nullptr;
    haystackLength = static_cast<int32_t>(strlen(haystack));
  }
  if (needleLength == -1) {
    if (needle == nullptr) return nullptr;
    needleLength = static_cast<int32_t>(strlen(needle));
  }
  if (haystack == nullptr || needle == nullptr || needle[0] == '\0') return nullptr;

  const auto* start = reinterpret_cast<const unsigned char*>(haystack);
  const auto* pattern = reinterpret_cast<const unsigned char*>(needle);
  const uint32_t wanted = static_cast<uint32_t>(needleLength);
  for (uint32_t remaining = static_cast<uint32_t>(haystackLength); remaining >= wanted; --remaining, ++start) {
    // The comparison runs to the needle's own NUL; a haystack NUL never equals a needle byte,
    // so it also ends at the haystack's end.
    size_t i = 0;
    while (pattern[i] != '\0' && Fold(pattern[i]) == Fold(start[i])) ++i;
    if (pattern[i] == '\0') return reinterpret_cast<const char*>(start);
    if (remaining == 0) break;
  }
  return nullptr;
}

bool EndsWithNoCase(const char* text, const char* suffix) {
  const size_t textLength = strlen(text);
  const size_t suffixLength = strlen(suffix);
  if (suffixLength > textLength) return false;
  const char* tail = text + textLength - suffixLength;
  for (size_t i = 0; i < suffixLength; ++i) {
    if (Fold(static_cast<unsigned char>(tail[i])) != Fold(static_cast<unsigned char>(suffix[i]))) return false;
  }
  return true;
}

bool EqualsNoCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    if (Fold(static_cast<unsigned char>(*a)) != Fold(static_cast<unsigned char>(*b))) return false;
    if (*a == '\0') return true;
  }
}
