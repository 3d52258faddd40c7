#pragma once

#include <cstdint>

#include "settings/registry_read.h"

/// The mail server's settings, filled once at the start of a run by LoadSettings (and its last
/// field by LoadPostofficeSettings), then handed down. Each field holds the registry value of the same name,
/// except `providerDirectory`, which holds `Application Directory` with "64" appended.
struct ServerSettings {
  char configurationDirectory[1024] = {};
  char providerDirectory[1024] = {};
  char professionalVersion[128] = {};
  char enterpriseVersion[128] = {};
  char version[128] = {};
  char connectorRootDirectory[512] = {};
  char dataDirectory[1024] = {};
  char mailRoot[1024] = {};
  char activityLogDirectory[512] = {};
  char debugLogFileDirectory[512] = {};
  uint32_t debugLoggingLevel = 0;
  uint32_t maxRequestSize = 0;
  char w3cLoggingDirectory[512] = {};
  char inboundServerBindings[2048] = {};
  uint32_t listenPort = 0;
  uint32_t performanceLoggingEnabled = 0;
  uint32_t w3cAccount = 0;
  uint32_t w3cAgent = 0;
  uint32_t w3cClientIp = 0;
  uint32_t w3cClientBytes = 0;
  uint32_t w3cMethod = 0;
  uint32_t w3cUriQuery = 0;
  uint32_t w3cUriStem = 0;
  uint32_t w3cDate = 0;
  uint32_t w3cServerBytes = 0;
  uint32_t w3cComputerName = 0;
  uint32_t w3cServerIp = 0;
  uint32_t w3cServerPort = 0;
  uint32_t w3cTime = 0;
  uint32_t w3cTimeTaken = 0;
  char badMailDirectory[256] = {};
  char quarantineDirectory[256] = {};
  uint32_t authorizationMode = 0;
  uint32_t ipv6Status = 0;
  uint32_t preventMessageDuplicates = 0;
  uint32_t allowCustomPostofficePaths = 0;
  /// Not a registry value: set when `Mail Root` exists but cannot be read, or its fallback would
  /// come from a `Data Directory` that cannot be read. `mailRoot` is then empty, and no store
  /// may be purged in its place.
  bool mailRootUnreadable = false;
  /// Not a registry value: how the read of `Bad Mail Directory` ended, so that one too long for
  /// its field or unreadable is not said to be unset. `badMailDirectory` is empty unless kRead.
  TextValue badMailDirectoryRead = TextValue::kAbsent;
};

/// Fills `settings` from the registry of `system` with its fallbacks, in the server's fixed order, and
/// creates the activity-log directory.
void LoadSettings(platform::System& system, ServerSettings& settings);

/// `Purge Wait` of the administration key, read afresh through `system`; 1000 when it cannot be read.
uint32_t GetPurgeWait(platform::System& system);
