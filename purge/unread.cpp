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

// Scans the header block of `file` once its open ended as `opened`; the file stays open.
ReadState Judge(platform::LineFile& file, platform::OpenOutcome opened) {
  switch (opened) {
    case platform::OpenOutcome::kOpened:
      return ReadMarkerIn(file);
    case platform::OpenOutcome::kGone:
      return ReadState::kGone;
    case platform::OpenOutcome::kLeft:
      return ReadState::kUnread;  // a device, a FIFO or a file no longer old is never read, and stays
    case platform::OpenOutcome::kFailed:
      break;
  }
  return ReadState::kFailed;
}

}  // namespace

ReadState IsMessageRead(platform::System& system, const platform::Folder& folder, const platform::DirEntry& entry) {
  platform::LineFile file(system, kHeaderScanLimit);
  return Judge(file, file.Open(folder, entry));
}

UnreadPurge UnreadPurgeOf(ReadState state) {
  switch (state) {
    case ReadState::kRead:
      return UnreadPurge::kDeleted;
    case ReadState::kUnread:
    case ReadState::kGone:  // another run deleted it: not this run's purge
      return UnreadPurge::kKept;
    case ReadState::kFailed:
      break;
  }
  return UnreadPurge::kUnreadable;
}

UnreadPurge PurgeIfRead(platform::System& system, const platform::Folder& folder, const platform::DirEntry& entry,
                        const platform::AgeJudge& judge, platform::FileFacts* facts) {
  platform::LineFile file(system, kHeaderScanLimit);
  const ReadState state = Judge(file, file.OpenToDelete(folder, entry, judge, facts));
  if (state != ReadState::kRead) return UnreadPurgeOf(state);
  switch (file.DeleteAndClose(folder, entry)) {
    case platform::DeleteOutcome::kDeleted:
      return UnreadPurge::kDeleted;
    case platform::DeleteOutcome::kGone:
    case platform::DeleteOutcome::kLeft:
      return UnreadPurge::kKept;
    case platform::DeleteOutcome::kFailed:
      break;
  }
  return UnreadPurge::kUndeletable;
}
