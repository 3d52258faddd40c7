#pragma once

#include "platform/library.h"

/// The three provider libraries, each null until loaded.
struct ProviderSet {
  platform::LibraryHandle store = nullptr;           ///< QNAISP.DLL
  platform::LibraryHandle authentication = nullptr;  ///< QNAIAU.DLL
  platform::LibraryHandle postofficeConfig = nullptr;  ///< QNAIPO.DLL
};

/// The process-wide provider handles.
extern ProviderSet providerSet;

/// Loads QNAISP.DLL from the provider directory of the settings. 1 when loaded, else 0 after
/// the line "Unable to Load Store Provider".
int LoadStoreProvider();

/// Loads QNAIAU.DLL the same way ("Unable to Load Authentication Provider").
int LoadAuthenticationProvider();

/// Loads QNAIPO.DLL from the provider directory read afresh, once per process. Returns 1.
int LoadPostofficeConfigProvider();

/// The postoffice configuration step: loads that provider, then reads
/// `Allow Custom Postoffice Paths` into the settings. Returns 1.
int LoadPostofficeSettings();

/// Releases the store, authentication and postoffice configuration providers, in that order,
/// each only when it was loaded, and clears their handles.
void FreeProviders();

/// Asks the store provider to rescan `folderPath` (ScanFolders with 0, 0, inside the COM
/// apartment). When the provider is not loaded or has no ScanFolders, a line says so and the
/// run's exit status becomes 1.
void RequestRescan(const char* folderPath);

/// The entry point `name` of `library`, or null after a line saying that `what` cannot be done
/// (and the exit status becoming 1). `providerTitle` names the provider in that line.
void* ResolveEntryPoint(platform::LibraryHandle library, const char* name, const char* providerTitle,
                        const char* what);
