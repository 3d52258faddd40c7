// The line reading of a message file, the same on every platform: fgets on a stream opened "rb", up
// to the read limit.
#include <algorithm>
#include <cstring>

#include "platform/files.h"
#include "platform/system.h"

namespace platform {

OpenOutcome LineFile::Open(const Folder& folder, const DirEntry& entry) {
  return OpenWith(folder, entry, nullptr, nullptr);
}

OpenOutcome LineFile::OpenToDelete(const Folder& folder, const DirEntry& entry, const AgeJudge& judge,
                                   FileFacts* facts) {
  return OpenWith(folder, entry, &judge, facts);
}

OpenOutcome LineFile::OpenWith(const Folder& folder, const DirEntry& entry, const AgeJudge* judge, FileFacts* facts) {
  Close();
  MessageHandle handle;
  const OpenOutcome outcome = system_.OpenMessage(folder, entry, judge, facts, &handle);
  if (outcome == OpenOutcome::kOpened) Start(handle);
  return outcome;
}

DeleteOutcome LineFile::DeleteAndClose(const Folder& folder, const DirEntry& entry) {
  if (handle_.value == -1) return DeleteOutcome::kFailed;
  const MessageHandle handle = handle_;
  handle_ = MessageHandle{};
  return system_.DeleteOpenMessage(handle, folder, entry);
}

void LineFile::Close() {
  if (handle_.value == -1) return;
  system_.CloseMessage(handle_);
  handle_ = MessageHandle{};
}

bool LineFile::ReadLine(char* line, int size) {
  if (handle_.value == -1 || size <= 0) return false;
  size_t length = 0;
  while (length + 1 < static_cast<size_t>(size)) {
    if (start_ == end_ && (atEnd_ || failed_ || !Fill())) break;
    size_t take = std::min<size_t>(end_ - start_, static_cast<size_t>(size) - 1 - length);
    const void* lineFeed = memchr(buffer_ + start_, '\n', take);
    if (lineFeed != nullptr) take = static_cast<size_t>(static_cast<const char*>(lineFeed) - (buffer_ + start_)) + 1;
    memcpy(line + length, buffer_ + start_, take);
    length += take;
    start_ += static_cast<uint32_t>(take);
    if (lineFeed != nullptr) break;
  }
  line[length] = '\0';
  // As fgets: a read error gives nothing, whatever was read before it.
  return !failed_ && length > 0;
}

void LineFile::Start(MessageHandle handle) {
  handle_ = handle;
  atEnd_ = failed_ = false;
  consumed_ = start_ = end_ = 0;
}

bool LineFile::Fill() {
  const uint32_t wanted = std::min<uint32_t>(sizeof buffer_, limit_ - consumed_);
  if (wanted == 0) {
    atEnd_ = true;  // the limit: the rest of the file is never read
    return false;
  }
  const int64_t got = system_.ReadMessage(handle_, buffer_, wanted);
  if (got <= 0) {
    (got < 0 ? failed_ : atEnd_) = true;
    return false;
  }
  start_ = 0;
  end_ = static_cast<uint32_t>(got);
  consumed_ += end_;
  return true;
}

}  // namespace platform
