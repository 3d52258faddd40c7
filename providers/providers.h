#pragma once

#include "platform/library.h"
#include "platform/system.h"
#include "settings/server_settings.h"
#include "support/outcome.h"

/// The three provider libraries, each null until loaded.
struct ProviderSet {
  platform::LibraryHandle store = nullptr;             ///< QNAISP.DLL
  platform::LibraryHandle authentication = nullptr;    ///< QNAIAU.DLL
  platform::LibraryHandle postofficeConfig = nullptr;  ///< QNAIPO.DLL
};

/// Loads QNAISP.DLL from the provider directory of `settings` into `providers`. True when loaded,
/// else false after the line "Unable to Load Store Provider".
bool LoadStoreProvider(platform::System& system, const ServerSettings& settings, ProviderSet& providers);

/// Loads QNAIAU.DLL the same way ("Unable to Load Authentication Provider").
bool LoadAuthenticationProvider(platform::System& system, const ServerSettings& settings, ProviderSet& providers);

/// Loads QNAIPO.DLL from `directory` (the provider directory as the run sequence read it afresh
/// from the registry), unless it is loaded already.
void LoadPostofficeConfigProvider(platform::System& system, const char* directory, ProviderSet& providers);

/// The postoffice configuration step: loads that provider from `directory`, then reads
/// `Allow Custom Postoffice Paths` into `settings`.
void LoadPostofficeSettings(platform::System& system, const char* directory, ProviderSet& providers,
                            ServerSettings& settings);

/// Releases the store, authentication and postoffice configuration providers, in that order,
/// each only when it was loaded, and clears their handles.
void FreeProviders(platform::System& system, ProviderSet& providers);

/// The providers of one run, released by FreeProviders when the owner goes, however the run
/// ends.
class LoadedProviders {
 public:
  explicit LoadedProviders(platform::System& system) : system_(system) {}
  LoadedProviders(const LoadedProviders&) = delete;
  LoadedProviders& operator=(const LoadedProviders&) = delete;
  ~LoadedProviders() { FreeProviders(system_, set); }

  ProviderSet set;

 private:
  platform::System& system_;
};

/// Whether a rescan request is sent, or only looked up (a preview).
enum class RescanRequest { kSend, kCheckOnly };

/// Asks the store provider to rescan `folderPath` (ScanFolders with 0, 0, inside the COM
/// apartment); with RescanRequest::kCheckOnly only looks the entry point up. When the provider is not
/// loaded or has no ScanFolders, a line says so and `outcome` notes the skipped work.
void RequestRescan(platform::System& system, const ProviderSet& providers, const char* folderPath, RescanRequest rescan,
                   RunOutcome& outcome);

/// The entry point `name` of `library`, or null after a line saying that `what` cannot be done,
/// noted in `outcome`. `providerTitle` names the provider in that line.
void* ResolveEntryPoint(platform::System& system, platform::LibraryHandle library, const char* name,
                        const char* providerTitle, const char* what, RunOutcome& outcome);
