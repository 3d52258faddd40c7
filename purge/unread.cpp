#include "purge/unread.h"

#include <cstdio>
#include <cstring>

namespace {

int OpenMessage(FILE** stream, const char* path) {
  *stream = fopen(path, "rb");
  return 0;
}

bool StartsWithReadMarker(const char* line) {
  // Nine characters exactly: "X-Read: 1" with the letters in either case; what follows the
  // digit is not looked at.
  static const char kMarker[] = "X-Read: 1";
  for (int i = 0; i < 9; ++i) {
    char c = line[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    char m = kMarker[i];
    if (m >= 'a' && m <= 'z') m = static_cast<char>(m - 32);
    if (c != m) return false;
  }
  return true;
}

}  // namespace

int IsMessageRead(const char* messagePath) {
  FILE* stream = nullptr;
  OpenMessage(&stream, messagePath);
  if (stream == nullptr) return 0;

  // Lines are read 2,047 characters at a time; a longer line is tested in pieces, each as if it
  // were a line of its own.
  char line[4096];
  int result = 0;
  while (!feof(stream)) {
    if (fgets(line, 2048, stream) == nullptr) {
      // At the end this leaves the loop through feof; a read error must end the scan too, or
      // the loop would never end. No marker has been seen: the message counts as unread.
      if (ferror(stream)) break;
      continue;
    }
    if (line[0] == '\r' || line[0] == '\n') break;  // the empty line ends the header block
    if (char* end = strstr(line, "\r\n")) {
      *end = '\0';
    } else if (char* lf = strchr(line, '\n')) {
      *lf = '\0';
    }
    if (StartsWithReadMarker(line)) {
      result = 1;
      break;
    }
  }
  fclose(stream);
  return result;
}
