#pragma once

#include <cstdint>
#include <string>

#include "platform/system.h"

/// The append-mode flag as its owner keeps it between replacements: -1 until it is read.
struct BufferAppendMode {
  int32_t value = -1;
};

/// The append-mode flag, read through `system` into `mode` at the first call from
/// `UseBufferAppendMode` of the server key (opened directly, with no path rewrite): the stored
/// value, or 1 when the key or the value cannot be read. A stored value with all 32 bits set
/// equals the "not read yet" mark -1, so the registry is then read again on every call. Append
/// mode is on exactly when this returns 1.
int32_t GetBufferAppendMode(platform::System& system, BufferAppendMode& mode);

/// Where the search goes on after a replacement in place.
enum class Rescan {
  kNo,   ///< after the inserted replacement
  kYes,  ///< at the start of the inserted replacement, which can match again
};

/// How the needle is compared with the text.
enum class LetterCase {
  kIgnore,  ///< with FindNoCase: only a to z fold
  kMatch,   ///< byte for byte
};

/// Replaces occurrences of `needle` in `text` by `replacement`, exactly as written, from left
/// to right, and returns how many were replaced. `countLimit` above 0 stops after that many. An
/// empty needle matches nothing. In-place mode (GetBufferAppendMode(system, mode) other than 1) changes
/// `text` at each match and goes on as `rescan` says; append mode builds the result from the
/// text as it was, whatever `rescan` says. With Rescan::kNo both modes give the same result, and the
/// flag is not read. A caller that rescans with a replacement that contains the needle must give a count limit.
int32_t ReplaceInString(platform::System& system, BufferAppendMode& mode, std::string& text, const char* needle,
                        const char* replacement, int32_t countLimit, Rescan rescan, LetterCase letterCase);
