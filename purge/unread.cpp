#include "purge/unread.h"

#include <cstring>
#include <string_view>

#include "platform/ascii.h"

namespace {

// Scans the header block of an open message file for the read marker.
int ReadMarkerIn(platform::LineFile& file) {
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
    // Nine characters exactly; what follows the digit is not looked at. The marker holds no CR
    // or LF, so the line end need not be cut off first: the outcome is the same.
    if (ascii::StartsWithNoCase(std::string_view(line, strnlen(line, 9)), "X-Read: 1")) {
      result = 1;
      break;
    }
  }
  // Closed before the answer goes back, so that a deletion that follows finds it closed.
  file.Close();
  return result;
}

}  // namespace

int IsMessageRead(const char* messagePath) {
  platform::LineFile file;
  return file.Open(messagePath) ? ReadMarkerIn(file) : 0;
}

int IsMessageRead(const platform::Folder& folder, const char* fileName) {
  platform::LineFile file;
  return file.Open(folder, fileName) ? ReadMarkerIn(file) : 0;
}
