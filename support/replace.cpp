#include "support/replace.h"

#include <cstring>

#include "support/server_keys.h"
#include "support/text.h"

int32_t GetBufferAppendMode(platform::System& system, BufferAppendMode& mode) {
  if (mode.value != BufferAppendMode().value) return mode.value;
  unsigned char bytes[4] = {};
  uint32_t size = sizeof bytes;
  if (system.QueryRegistryValue(kServerKey, "UseBufferAppendMode", bytes, &size, nullptr) !=
      platform::RegistryRead::kRead) {
    mode.value = 1;
    return mode.value;
  }
  const uint32_t value = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
  mode.value = static_cast<int32_t>(value);
  return mode.value;
}

int32_t ReplaceInString(platform::System& system, BufferAppendMode& mode, std::string& text, const char* needle,
                        const char* replacement, int32_t countLimit, Rescan rescan, LetterCase letterCase) {
  // Both modes give the same result without a rescan, so the flag is read only when it matters: a
  // run's registry-path rewrites then read nothing more than the value they rewrite the path of.
  const bool appendMode = rescan == Rescan::kYes && GetBufferAppendMode(system, mode) == 1;
  const int32_t needleLength = static_cast<int32_t>(strlen(needle));
  const int32_t replacementLength = static_cast<int32_t>(strlen(replacement));
  // An empty needle would match at every position, and in place without a limit forever.
  if (needleLength == 0) return 0;

  int32_t count = 0;
  int32_t position = 0;
  std::string work;
  for (;;) {
    const int32_t stretch = position;
    int32_t match = -1;
    if (letterCase == LetterCase::kMatch) {
      const size_t found = text.find(needle, static_cast<size_t>(position), static_cast<size_t>(needleLength));
      if (found != std::string::npos) match = static_cast<int32_t>(found);
    } else {
      const char* found =
          FindNoCase(text.c_str() + position, needle, static_cast<int32_t>(text.size()) - position, needleLength);
      if (found != nullptr) match = static_cast<int32_t>(found - text.c_str());
    }

    if (match < 0) {
      if (appendMode) work.append(text, static_cast<size_t>(stretch), std::string::npos);
      break;
    }
    ++count;
    if (appendMode) {
      work.append(text, static_cast<size_t>(stretch), static_cast<size_t>(match - stretch));
      work.append(replacement, static_cast<size_t>(replacementLength));
    } else {
      text.replace(static_cast<size_t>(match), static_cast<size_t>(needleLength), replacement,
                   static_cast<size_t>(replacementLength));
    }
    if (countLimit > 0 && count >= countLimit) {
      if (appendMode) {
        work.append(text, static_cast<size_t>(match) + static_cast<size_t>(needleLength), std::string::npos);
      }
      break;
    }
    if (appendMode) {
      position = match + needleLength;
    } else {
      position = rescan == Rescan::kYes ? match : match + replacementLength;
    }
  }
  if (appendMode && count > 0) text.swap(work);
  return count;
}
