#include "purge/unread.h"

#include <cstring>

#include "platform/files.h"

namespace {

bool StartsWithReadMarker(const char* line) {
  // Nine characters exactly: "X-Read: 1" with the letters in either case; what follows the
  // digit is not looked at.
  static const char kMarker[] = "X-READ: 1";
  for (size_t i = 0; i < sizeof kMarker - 1; ++i) {
    char c = line[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (c != kMarker[i]) return false;
  }
  return true;
}

}  // namespace

int IsMessageRead(const char* messagePath) {
  platform::LineFile file;
  if (!file.Open(messagePath)) return 0;

  // Lines are read 2,047 characters at a time; a longer line is tested in pieces, each as if it
  // were a line of its own.
  char line[4096];
  int result = 0;
  while (!file.AtEnd()) {
    if (!file.ReadLine(line, 2048)) {
      // At the end this leaves the loop through AtEnd; a read error must end the scan too, or
      // the loop would never end. No marker has been seen: the message counts as unread.
      if (file.Failed()) break;
      continue;
    }
    if (line[0] == '\r' || line[0] == '\n') break;  // the empty line ends the header block
    if (char* end = strstr(line, "\r\n")) {
      *end = '\0';
    } else if (char* lineFeed = strchr(line, '\n')) {
      *lineFeed = '\0';
    }
    if (StartsWithReadMarker(line)) {
      result = 1;
      break;
    }
  }
  // Closed before the answer goes back, so that a deletion that follows finds it closed.
  file.Close();
  return result;
}
