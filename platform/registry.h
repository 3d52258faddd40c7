#pragma once

#include <cstdint>

namespace platform {

/// How one read of a registry value ended.
enum class RegistryRead {
  /// The value's bytes are in the caller's buffer and their count in `size`.
  kRead,
  /// The key does not exist.
  kNoKey,
  /// The key has no value of that name.
  kNoValue,
  /// The value holds more bytes than the buffer takes; `size` holds how many, the buffer
  /// holds nothing usable.
  kTooLarge,
  /// The key or the value exists but could not be read: access was refused, or an I/O error.
  kFailed,
};

/// The registry value types, numbered as the system numbers them.
constexpr uint32_t kRegistryText = 1;        ///< REG_SZ
constexpr uint32_t kRegistryExpandText = 2;  ///< REG_EXPAND_SZ
constexpr uint32_t kRegistryBinary = 3;      ///< REG_BINARY
constexpr uint32_t kRegistryNumber = 4;      ///< REG_DWORD
constexpr uint32_t kRegistryMultiText = 7;   ///< REG_MULTI_SZ

/// How opening a key ended.
enum class KeyProbe {
  kExists,
  /// The key does not exist.
  kNoKey,
  /// The key may exist but could not be opened: access was refused, or a registry error.
  kFailed,
};

}  // namespace platform
