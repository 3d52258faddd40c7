// The line reading of a message file, the same on every platform: fgets on a stream opened "rb".
#include <algorithm>
#include <cstring>

#include "platform/files.h"

namespace platform {

bool LineFile::ReadLine(char* line, int size) {
  if (handle_ == -1 || size <= 0) return false;
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

}  // namespace platform
