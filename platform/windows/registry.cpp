// The registry on Windows: the machine's own, read only.
#include <windows.h>

#include "platform/registry.h"

namespace platform {

RegistryRead QueryRegistryValue(const char* subKey, const char* valueName, void* buffer, uint32_t* size) {
  HKEY key;
  // KEY_QUERY_VALUE alone: the 32-bit view is reached through the path, never a view flag.
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return RegistryRead::kNoKey;
  }
  DWORD bytes = *size;
  const LONG status = RegQueryValueExA(key, valueName, nullptr, nullptr, static_cast<BYTE*>(buffer), &bytes);
  RegCloseKey(key);
  *size = bytes;
  if (status == ERROR_SUCCESS) return RegistryRead::kRead;
  if (status == ERROR_MORE_DATA) return RegistryRead::kTooLarge;
  return RegistryRead::kNoValue;
}

bool RegistryIsReadable(char*, size_t) { return true; }

void ForgetRegistryFile() {}

}  // namespace platform
