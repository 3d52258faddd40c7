#include "providers/providers.h"

#include <cstdio>
#include <initializer_list>

#include "platform/com.h"
#include "platform/files.h"
#include "platform/output.h"
#include "providers/provider_api.h"
#include "settings/registry.h"
#include "settings/server_settings.h"
#include "support/outcome.h"
#include "support/text.h"

ProviderSet providerSet;

namespace {

// Loads one library from `directory`. A relative directory (what a missing Application
// Directory gives: "64") is never handed to the loader: the library search would then find a
// file planted in the current directory.
platform::LibraryHandle LoadFrom(const char* directory, const char* fileName) {
  char path[1024];
  if (!platform::IsAbsolutePath(directory)) return nullptr;
  if (FormatPath(path, sizeof path, "%s\\%s", directory, fileName) < 0) return nullptr;
  return platform::LoadLibraryAt(path);
}

// Loads one provider from the provider directory of the settings; reports one that fails.
platform::LibraryHandle LoadProvider(const char* fileName, const char* failureLine) {
  platform::LibraryHandle library = LoadFrom(serverSettings.providerDirectory, fileName);
  if (library == nullptr) platform::Print("%s", failureLine);
  return library;
}

}  // namespace

int LoadStoreProvider() {
  providerSet.store = LoadProvider("QNAISP.DLL", "Unable to Load Store Provider\n");
  return providerSet.store != nullptr;
}

int LoadAuthenticationProvider() {
  providerSet.authentication = LoadProvider("QNAIAU.DLL", "Unable to Load Authentication Provider\n");
  return providerSet.authentication != nullptr;
}

int LoadPostofficeConfigProvider() {
  if (providerSet.postofficeConfig != nullptr) return 1;
  char directory[1024] = {};
  GetApplicationDirectory(directory, sizeof directory);
  providerSet.postofficeConfig = LoadFrom(directory, "QNAIPO.DLL");
  if (providerSet.postofficeConfig == nullptr) platform::Print("Unable to Load Postoffice Configuration Provider\n");
  return 1;
}

int LoadPostofficeSettings() {
  LoadPostofficeConfigProvider();
  uint32_t allow = 0;
  if (!RegReadDword(kSfConnectorKey, "Allow Custom Postoffice Paths", &allow)) allow = 0;
  serverSettings.allowCustomPostofficePaths = allow;
  return 1;
}

void FreeProviders() {
  // Cleared as they go, so that nothing can call through a library that is no longer loaded.
  for (platform::LibraryHandle* handle :
       {&providerSet.store, &providerSet.authentication, &providerSet.postofficeConfig}) {
    if (*handle != nullptr) platform::FreeLibraryHandle(*handle);
    *handle = nullptr;
  }
}

void* ResolveEntryPoint(platform::LibraryHandle library, const char* name, const char* providerTitle,
                        const char* what) {
  void* entry = nullptr;
  if (library == nullptr) {
    platform::Print("Skipped %s: the %s is not loaded\n", what, providerTitle);
  } else if ((entry = platform::FindSymbol(library, name)) == nullptr) {
    platform::Print("Skipped %s: the %s has no entry point %s\n", what, providerTitle, name);
  }
  if (entry == nullptr) NoteSkippedWork();
  return entry;
}

void RequestRescan(const char* folderPath) {
  char what[2200];
  BoundedFormat(what, sizeof what, "the rescan of %s", folderPath);
  auto scanFolders = reinterpret_cast<ScanFoldersCall>(
      ResolveEntryPoint(providerSet.store, "ScanFolders", "Store Provider", what));
  if (scanFolders == nullptr) return;
  platform::EnterComApartment();
  scanFolders(folderPath, 0, 0);
  platform::LeaveComApartment();
}
