#include "settings/registry.h"

#include <cstring>

// Registry access lands with the settings work; until then every read fails and takes its
// fallback.

int RegReadDword(RegistryRoot, const char*, const char*, uint32_t*) { return 0; }
int RegReadDword(const char*, const char*, uint32_t*) { return 0; }

int RegReadString(RegistryRoot, const char*, const char*, char* buffer, int32_t capacity, int) {
  if (capacity > 0) buffer[0] = '\0';
  return 0;
}
int RegReadString(const char* subKey, const char* valueName, char* buffer, int32_t capacity) {
  return RegReadString(RegistryRoot::kLocalMachine, subKey, valueName, buffer, capacity, 0);
}

int GetServerVersion(char* buffer, int32_t capacity) { return RegReadString(kServerKey, "Version", buffer, capacity); }
int GetProfessionalVersion(char* buffer, int32_t capacity) {
  return RegReadString(kServerKey, "Professional Version", buffer, capacity) && buffer[0] != '\0';
}
int GetEnterpriseVersion(char* buffer, int32_t capacity) {
  return RegReadString(kServerKey, "Enterprise Version", buffer, capacity) && buffer[0] != '\0';
}
int GetApplicationDirectory(char* buffer, int32_t capacity) {
  RegReadString(kServerKey, "Application Directory", buffer, capacity);
  if (strlen(buffer) + 2 < static_cast<size_t>(capacity)) strcat(buffer, "64");
  return 0;
}
