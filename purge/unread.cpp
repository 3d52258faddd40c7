#include "purge/unread.h"

#include <cstring>
#include <string_view>

#include "platform/ascii.h"

namespace {

// Scans the header block of an open message file for the read marker.
ReadState ReadMarkerIn(platform::LineFile& file) {
  // Lines are read in pieces of at most 2,047 characters. Only a piece that starts a line can
  // be the marker or the empty line: the rest of a longer line is the sender's text.
  char line[2048];
  ReadState result = ReadState::kUnread;
  bool atLineStart = true;
  while (!file.AtEnd()) {
    // The last byte is overwritten by the terminating zero only when the piece fills the buffer,
    // which tells a full piece from a shorter one even when the line holds zero bytes.
    line[sizeof line - 1] = 'x';
    if (!file.ReadLine(line, sizeof line)) {
      // At the end (or the limit) this leaves the loop through AtEnd; a read error must end the
      // scan too, or the loop would never end.
      if (file.Failed()) {
        result = ReadState::kFailed;
        break;
      }
      continue;
    }
    const bool startsLine = atLineStart;
    atLineStart = line[sizeof line - 1] != '\0' || line[sizeof line - 2] == '\n';
    if (!startsLine) continue;
    if (line[0] == '\r' || line[0] == '\n') break;  // the empty line ends the header block
    // Nine characters exactly; what follows the digit is not looked at. The marker holds no CR
    // or LF, so the line end need not be cut off first: the outcome is the same.
    if (ascii::StartsWithNoCase(std::string_view(line, strnlen(line, 9)), "X-Read: 1")) {
      result = ReadState::kRead;
      break;
    }
  }
  return result;
}

// Opens `file` on the entry and scans its header block; the file stays open when it was read.
ReadState Judge(platform::LineFile& file, const platform::Folder& folder, const platform::DirEntry& entry) {
  switch (file.Open(folder, entry)) {
    case platform::OpenOutcome::kOpened:
      return ReadMarkerIn(file);
    case platform::OpenOutcome::kGone:
      return ReadState::kGone;
    case platform::OpenOutcome::kNotAFile:
      return ReadState::kUnread;  // a device or a FIFO is never read, and never a read message
    case platform::OpenOutcome::kFailed:
      break;
  }
  return ReadState::kFailed;
}

}  // namespace

ReadState IsMessageRead(const platform::Folder& folder, const platform::DirEntry& entry) {
  platform::LineFile file(kHeaderScanLimit);
  return Judge(file, folder, entry);
}

UnreadPurge UnreadPurgeOf(ReadState state) {
  switch (state) {
    case ReadState::kRead:
    case ReadState::kGone:  // another run deleted it: it is gone, as asked
      return UnreadPurge::kDeleted;
    case ReadState::kUnread:
      return UnreadPurge::kKept;
    case ReadState::kFailed:
      break;
  }
  return UnreadPurge::kUnreadable;
}

UnreadPurge PurgeIfRead(const platform::Folder& folder, const platform::DirEntry& entry) {
  platform::LineFile file(kHeaderScanLimit);
  const ReadState state = Judge(file, folder, entry);
  if (state == ReadState::kRead && !file.DeleteAndClose(folder, entry)) return UnreadPurge::kUndeletable;
  return UnreadPurgeOf(state);
}
