#include "providers/providers.h"

#include <initializer_list>

#include "platform/files.h"
#include "platform/output.h"
#include "providers/provider_api.h"
#include "settings/registry_read.h"
#include "support/text.h"

namespace {

// Loads one library from `directory`. A relative directory (what a missing Application
// Directory gives: "64") is never handed to the loader: the library search would then find a
// file planted in the current directory.
platform::LibraryHandle LoadFrom(platform::System& system, const char* directory, const char* fileName) {
  char path[1024];
  if (!platform::IsAbsolutePath(directory)) return nullptr;
  if (FormatPath(path, sizeof path, "%s\\%s", directory, fileName) < 0) return nullptr;
  return system.LoadLibraryAt(path);
}

// Loads one provider from the provider directory of the settings; reports one that fails.
platform::LibraryHandle LoadProvider(platform::System& system, const ServerSettings& settings, const char* fileName,
                                     const char* failureLine) {
  platform::LibraryHandle library = LoadFrom(system, settings.providerDirectory, fileName);
  if (library == nullptr) platform::Print("%s", failureLine);
  return library;
}

}  // namespace

bool LoadStoreProvider(platform::System& system, const ServerSettings& settings, ProviderSet& providers) {
  providers.store = LoadProvider(system, settings, "QNAISP.DLL", "Unable to Load Store Provider\n");
  return providers.store != nullptr;
}

bool LoadAuthenticationProvider(platform::System& system, const ServerSettings& settings, ProviderSet& providers) {
  providers.authentication = LoadProvider(system, settings, "QNAIAU.DLL", "Unable to Load Authentication Provider\n");
  return providers.authentication != nullptr;
}

void LoadPostofficeConfigProvider(platform::System& system, const char* directory, ProviderSet& providers) {
  if (providers.postofficeConfig != nullptr) return;
  providers.postofficeConfig = LoadFrom(system, directory, "QNAIPO.DLL");
  if (providers.postofficeConfig == nullptr) platform::Print("Unable to Load Postoffice Configuration Provider\n");
}

void LoadPostofficeSettings(platform::System& system, const char* directory, ProviderSet& providers,
                            ServerSettings& settings) {
  LoadPostofficeConfigProvider(system, directory, providers);
  uint32_t allow = 0;
  if (!RegReadDword(system, kSfConnectorKey, "Allow Custom Postoffice Paths", &allow)) allow = 0;
  settings.allowCustomPostofficePaths = allow;
}

void FreeProviders(platform::System& system, ProviderSet& providers) {
  // Cleared as they go, so that nothing can call through a library that is no longer loaded.
  for (platform::LibraryHandle* handle : {&providers.store, &providers.authentication, &providers.postofficeConfig}) {
    if (*handle != nullptr) system.FreeLibraryHandle(*handle);
    *handle = nullptr;
  }
}

void* ResolveEntryPoint(platform::System& system, platform::LibraryHandle library, const char* name,
                        const char* providerTitle, const char* what, RunOutcome& outcome) {
  if (library == nullptr) {
    outcome.Fail("Skipped %s: the %s is not loaded\n", what, providerTitle);
    return nullptr;
  }
  void* entry = system.FindSymbol(library, name);
  if (entry == nullptr) outcome.Fail("Skipped %s: the %s has no entry point %s\n", what, providerTitle, name);
  return entry;
}

void RequestRescan(platform::System& system, const ProviderSet& providers, const char* folderPath, RescanRequest rescan,
                   RunOutcome& outcome) {
  char what[2200];
  BoundedFormat(what, sizeof what, "the rescan of %s", folderPath);
  auto scanFolders = reinterpret_cast<ScanFoldersCall>(
      ResolveEntryPoint(system, providers.store, "ScanFolders", "Store Provider", what, outcome));
  if (scanFolders == nullptr || rescan == RescanRequest::kCheckOnly) return;
  struct Rescan {
    ScanFoldersCall scanFolders;
    const char* folderPath;
  } request{scanFolders, folderPath};
  system.CallInComApartment(
      [](void* context) {
        const auto* rescan = static_cast<const Rescan*>(context);
        rescan->scanFolders(rescan->folderPath, 0, 0);
      },
      &request);
}
