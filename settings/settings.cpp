#include "settings/registry.h"
#include "settings/server_settings.h"

ServerSettings serverSettings;

int LoadSettings() {
  GetApplicationDirectory(serverSettings.providerDirectory, sizeof serverSettings.providerDirectory);
  return 1;
}
