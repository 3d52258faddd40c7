#include "purge/unread.h"

#include <cstring>

#include "platform/files.h"

namespace {

// The header block is read as lines of at most 2,047 bytes: a longer line is taken in pieces,
// each tested as if it were a line of its own, and a piece ends after its line feed.
constexpr size_t kPieceLength = 2047;
constexpr size_t kMarkerLength = 9;

bool StartsWithReadMarker(const char* bytes) {
  // Nine characters exactly: "X-Read: 1" with the letters in either case; what follows the
  // digit is not looked at.
  static const char kMarker[] = "X-READ: 1";
  for (size_t i = 0; i < kMarkerLength; ++i) {
    char c = bytes[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (c != kMarker[i]) return false;
  }
  return true;
}

// Scans the header block piece by piece through one stack buffer: no allocation, and only the
// bytes up to the marker or the empty line are read (in whole buffers).
int ScanHeaderBlock(platform::ReadableFile file) {
  char buffer[4096];
  size_t start = 0;  // the unread bytes are buffer[start, end)
  size_t end = 0;
  bool atEnd = false;
  for (;;) {
    // A piece begins at `start`: have its first nine bytes in view, or all that is left.
    if (end - start < kMarkerLength && !atEnd) {
      memmove(buffer, buffer + start, end - start);
      end -= start;
      start = 0;
      while (end < kMarkerLength && !atEnd) {
        const int32_t got = platform::ReadFileBytes(file, buffer + end, static_cast<uint32_t>(sizeof buffer - end));
        // A read error ends the scan before any marker was seen: the message counts as unread.
        if (got < 0) return 0;
        if (got == 0) atEnd = true;
        end += static_cast<size_t>(got);
      }
    }
    if (start == end) return 0;
    if (buffer[start] == '\r' || buffer[start] == '\n') return 0;  // the empty line ends the header block
    // Fewer than nine bytes left in the file can hold no marker; a line feed never matches one
    // of its characters, so looking across the piece's end changes nothing.
    if (end - start >= kMarkerLength && StartsWithReadMarker(buffer + start)) return 1;

    // On to the next piece: past the line feed, or after 2,047 bytes.
    size_t left = kPieceLength;
    for (;;) {
      const size_t span = left < end - start ? left : end - start;
      if (const void* lineFeed = memchr(buffer + start, '\n', span)) {
        start = static_cast<size_t>(static_cast<const char*>(lineFeed) - buffer) + 1;
        break;
      }
      start += span;
      left -= span;
      if (left == 0) break;
      if (atEnd) return 0;
      const int32_t got = platform::ReadFileBytes(file, buffer, sizeof buffer);
      if (got <= 0) return 0;
      start = 0;
      end = static_cast<size_t>(got);
    }
  }
}

}  // namespace

int IsMessageRead(const char* messagePath) {
  const platform::ReadableFile file = platform::OpenFileForReading(messagePath);
  if (file == platform::kNoFile) return 0;
  const int result = ScanHeaderBlock(file);
  // Closed before the answer goes back, so that a deletion that follows finds it closed.
  platform::CloseReadableFile(file);
  return result;
}
