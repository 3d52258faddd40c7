#pragma once

#include <cstddef>
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

/// Reads one value of `subKey` under HKEY_LOCAL_MACHINE as RegQueryValueExA does with no type
/// requested: data of any type, text as narrow characters with the terminating zero it was
/// stored with. `size` is the buffer's capacity in bytes on entry and the value's size on
/// return; `type`, unless null, receives the value's registry type (REG_SZ is 1, REG_DWORD 4).
/// The key is opened (KEY_QUERY_VALUE, no registry view flag) and closed again for this one
/// read. Never writes to the registry.
RegistryRead QueryRegistryValue(const char* subKey, const char* valueName, void* buffer, uint32_t* size,
                                uint32_t* type);

/// How opening a key ended.
enum class KeyProbe {
  kExists,
  /// The key does not exist.
  kNoKey,
  /// The key may exist but could not be opened: access was refused, or a registry error.
  kFailed,
};

/// Opens `subKey` under HKEY_LOCAL_MACHINE (KEY_QUERY_VALUE, no view flag) and closes it again,
/// to tell a key that is not there from one that cannot be read. POSIX: a key of the registry
/// file, which must be readable (RegistryIsReadable).
KeyProbe ProbeRegistryKey(const char* subKey);

/// True when the registry can be read. On Windows always. On POSIX the registry file is parsed
/// here once per process (or after ForgetRegistryFile): no file is an empty registry and
/// counts as readable; a file that exists but cannot be read or parsed is not, and `problem`
/// (of `problemSize` bytes) then receives one sentence naming the file and, where there is
/// one, the line. Reads from an unreadable registry file find nothing.
bool RegistryIsReadable(char* problem, size_t problemSize);

/// Forgets the parsed registry file, so that the next read parses it again; for tests that
/// write registry files. Nothing on Windows.
void ForgetRegistryFile();

}  // namespace platform
