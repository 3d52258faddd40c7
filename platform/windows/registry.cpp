// The registry on Windows: the machine's own, read only.
#include <windows.h>

#include "platform/system.h"
#include "platform/windows/answers.h"

namespace platform {

KeyProbe KeyOpenOutcome(int32_t status) {
  if (status == ERROR_SUCCESS) return KeyProbe::kExists;
  return status == ERROR_FILE_NOT_FOUND ? KeyProbe::kNoKey : KeyProbe::kFailed;
}

RegistryRead ValueQueryOutcome(int32_t status) {
  switch (status) {
    case ERROR_SUCCESS:
      return RegistryRead::kRead;
    case ERROR_MORE_DATA:
      return RegistryRead::kTooLarge;
    case ERROR_FILE_NOT_FOUND:
      return RegistryRead::kNoValue;
    default:
      return RegistryRead::kFailed;
  }
}

RegistryRead HostSystem::QueryRegistryValue(const char* subKey, const char* valueName, void* buffer, uint32_t* size,
                                            uint32_t* type) {
  HKEY key;
  // KEY_QUERY_VALUE alone: the 32-bit view is reached through the path, never a view flag.
  const LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_QUERY_VALUE, &key);
  if (opened != ERROR_SUCCESS) {
    return KeyOpenOutcome(opened) == KeyProbe::kNoKey ? RegistryRead::kNoKey : RegistryRead::kFailed;
  }
  DWORD bytes = *size;
  DWORD valueType = REG_NONE;
  const LONG status = RegQueryValueExA(key, valueName, nullptr, &valueType, static_cast<BYTE*>(buffer), &bytes);
  RegCloseKey(key);
  *size = bytes;
  if (type != nullptr) *type = valueType;
  return ValueQueryOutcome(status);
}

KeyProbe HostSystem::ProbeRegistryKey(const char* subKey) {
  HKEY key;
  const LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_QUERY_VALUE, &key);
  if (opened == ERROR_SUCCESS) RegCloseKey(key);
  return KeyOpenOutcome(opened);
}

bool HostSystem::RegistryIsReadable(char*, size_t) { return true; }

// Windows reads the registry itself at every call: nothing to keep.
struct RegistryFileState {};

HostSystem::HostSystem() = default;

HostSystem::~HostSystem() = default;

}  // namespace platform
