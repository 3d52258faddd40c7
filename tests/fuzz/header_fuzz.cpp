// libFuzzer target for the header scan over the real line reader. The input chooses how the
// message is handed over: its first byte holds flags (bit 0: the message starts so far into the
// file that only `visible` bytes of it lie under the scan's limit; bit 1: the read after the last
// byte fails), the next two bytes `visible`, the next four the sizes of the reads; the rest is
// the message. The answer must be what a plain reading of the lines gives: the marker at the
// start of a line before the first empty one, within the limit.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/ascii.h"
#include "platform/files.h"
#include "purge/unread.h"

namespace {

// The message file as the system below reads it.
struct Message {
  uint32_t padding = 0;  // filler lines before the message
  std::string_view bytes;
  uint8_t reads[4] = {};
  bool failAtEnd = false;
  uint64_t offset = 0;  // of the next read
  unsigned readCount = 0;
  bool deleted = false;  // by the judge-and-delete
};

Message message;

uint32_t ReadSize(uint8_t code) { return code & 0x80 ? (code & 0x7f) * 64u + 1 : (code & 0x7fu) + 1; }

ReadState Expected(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    if (text[pos] == '\r' || text[pos] == '\n') return ReadState::kUnread;
    if (text.size() - pos >= 9 && ascii::StartsWithNoCase(text.substr(pos, 9), "X-Read: 1")) return ReadState::kRead;
    const size_t lineFeed = text.find('\n', pos);
    if (lineFeed == std::string_view::npos) break;
    pos = lineFeed + 1;
  }
  return ReadState::kUnread;
}

// The system as the header scan reads through it: `message`, and its deletion recorded.
class MessageSystem final : public platform::HostSystem {
 public:
  platform::OpenOutcome OpenMessage(const platform::Folder&, const platform::DirEntry&, const platform::AgeJudge*,
                                    platform::FileFacts*, platform::MessageHandle* handle) override {
    *handle = platform::MessageHandle{0, true};
    return platform::OpenOutcome::kOpened;
  }

  int64_t ReadMessage(platform::MessageHandle, char* buffer, uint32_t wanted) override {
    Message& m = message;
    if (m.offset < m.padding) {
      // Filler lines that end right where the message starts; never an empty line.
      const uint32_t got = std::min<uint64_t>(wanted, m.padding - m.offset);
      memset(buffer, 'a', got);
      // Line feeds at the offsets that leave a multiple of 3,000 bytes before the message: lines
      // longer than one read piece, few enough to keep each run short.
      for (uint64_t at = m.offset + (m.padding - 1 - m.offset) % 3000; at < m.offset + got; at += 3000) {
        if (at != 0) buffer[at - m.offset] = '\n';
      }
      m.offset += got;
      return got;
    }
    const uint64_t at = m.offset - m.padding;
    if (at >= m.bytes.size()) return m.failAtEnd ? -1 : 0;
    const uint32_t got = std::min<uint64_t>({wanted, ReadSize(m.reads[m.readCount++ % 4]), m.bytes.size() - at});
    memcpy(buffer, m.bytes.data() + at, got);
    m.offset += got;
    return got;
  }

  platform::DeleteOutcome DeleteOpenMessage(platform::MessageHandle, const platform::Folder&,
                                            const platform::DirEntry&) override {
    message.deleted = true;
    return platform::DeleteOutcome::kDeleted;
  }

  void CloseMessage(platform::MessageHandle) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 7) return 0;
  message = Message();
  const bool padded = (data[0] & 1) != 0;
  message.failAtEnd = (data[0] & 2) != 0;
  const uint32_t visible = data[1] | data[2] << 8;
  memcpy(message.reads, data + 3, 4);
  message.bytes = std::string_view(reinterpret_cast<const char*>(data) + 7, size - 7);
  if (padded) message.padding = kHeaderScanLimit - visible;

  platform::Folder folder;
  const platform::DirEntry entry{"m.MAI", platform::kAttributeArchive, 0};
  MessageSystem system;
  const ReadState state = IsMessageRead(system, folder, entry);
  const std::string_view scanned = padded ? message.bytes.substr(0, visible) : message.bytes;
  const ReadState expected = Expected(scanned);
  // A failed read may come before the answer is known, never instead of a wrong one.
  if (state != expected && !(message.failAtEnd && state == ReadState::kFailed)) {
    fprintf(stderr, "header scan says %d, the lines say %d\n", static_cast<int>(state), static_cast<int>(expected));
    abort();
  }
  // UNREAD's judge-and-delete reads the same bytes and deletes exactly what the scan calls read.
  message.offset = 0;
  message.readCount = 0;
  struct : platform::AgeJudge {
    bool IsOld(uint64_t) const override { return true; }
  } old;
  platform::FileFacts facts;
  const UnreadPurge purge = PurgeIfRead(system, folder, entry, old, &facts);
  const bool consistent = state == ReadState::kFailed ? purge == UnreadPurge::kUnreadable
                                                      : (purge == UnreadPurge::kDeleted) == (state == ReadState::kRead);
  if (!consistent || message.deleted != (purge == UnreadPurge::kDeleted)) {
    fprintf(stderr, "judge-and-delete says %d, the scan said %d\n", static_cast<int>(purge), static_cast<int>(state));
    abort();
  }
  return 0;
}
