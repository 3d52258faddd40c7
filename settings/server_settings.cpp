#include "settings/server_settings.h"
#include "settings/registry_read.h"
#include "support/text.h"

namespace {

// A number keeps what was read, even 0; only a failed read takes the fallback.
void ReadNumber(platform::System& system, const char* key, const char* valueName, uint32_t* field, uint32_t fallback) {
  if (!RegReadDword(system, key, valueName, field)) *field = fallback;
}

template <size_t N>
bool ReadText(platform::System& system, const char* key, const char* valueName, char (&field)[N]) {
  return RegReadString(system, key, valueName, field, static_cast<int32_t>(N));
}

// A directory that falls back on a folder of Data Directory; a fallback that does not fit its
// field leaves the field empty.
template <size_t N>
void ReadDirectory(platform::System& system, const char* key, const char* valueName, char (&field)[N],
                   const char* fallbackFormat, const ServerSettings& settings) {
  if (!ReadText(system, key, valueName, field)) FormatPath(field, N, fallbackFormat, settings.dataDirectory);
}

struct W3cSwitch {
  const char* valueName;
  uint32_t ServerSettings::*field;
};

// The W3C log's field switches, in the order they are read.
constexpr W3cSwitch kW3cSwitches[] = {
    {"account", &ServerSettings::w3cAccount},
    {"agent", &ServerSettings::w3cAgent},
    {"c-ip", &ServerSettings::w3cClientIp},
    {"cs-bytes", &ServerSettings::w3cClientBytes},
    {"cs-method", &ServerSettings::w3cMethod},
    {"cs-uri-query", &ServerSettings::w3cUriQuery},
    {"cs-uri-stem", &ServerSettings::w3cUriStem},
    {"date", &ServerSettings::w3cDate},
    {"sc-bytes", &ServerSettings::w3cServerBytes},
    {"s-computername", &ServerSettings::w3cComputerName},
    {"s-ip", &ServerSettings::w3cServerIp},
    {"s-port", &ServerSettings::w3cServerPort},
    {"time", &ServerSettings::w3cTime},
    {"time-taken", &ServerSettings::w3cTimeTaken},
};

}  // namespace

void LoadSettings(platform::System& system, ServerSettings& s) {
  // The order is the order of the registry reads; Data Directory comes before the fields that
  // fall back on it. A fallback that does not fit its field leaves the field empty.
  ReadText(system, kServerKey, "Configuration Directory", s.configurationDirectory);
  GetApplicationDirectory(system, s.providerDirectory, sizeof s.providerDirectory);
  GetProfessionalVersion(system, s.professionalVersion, sizeof s.professionalVersion);
  GetEnterpriseVersion(system, s.enterpriseVersion, sizeof s.enterpriseVersion);
  GetServerVersion(system, s.version, sizeof s.version);
  ReadText(system, kConnectorsKey, "Connector Root Directory", s.connectorRootDirectory);
  // Read a second time; this read decides what the field holds.
  ReadText(system, kServerKey, "Configuration Directory", s.configurationDirectory);
  const TextValue dataDirectory =
      RegReadText(system, kServerKey, "Data Directory", s.dataDirectory, sizeof s.dataDirectory);
  // Mail Root falls back on Data Directory only when it is not set: one that is set but cannot be
  // read, or a fallback built from a Data Directory that cannot be read, would purge another
  // store in its place.
  s.mailRootUnreadable = false;
  switch (RegReadText(system, kServerKey, "Mail Root", s.mailRoot, sizeof s.mailRoot)) {
    case TextValue::kRead:
      break;
    case TextValue::kAbsent:
      if (dataDirectory == TextValue::kUnreadable || dataDirectory == TextValue::kTooLong) {
        s.mailRootUnreadable = true;
      } else {
        FormatPath(s.mailRoot, sizeof s.mailRoot, "%s\\POSTOFFICES", s.dataDirectory);
      }
      break;
    case TextValue::kTooLong:
    case TextValue::kUnreadable:
      s.mailRootUnreadable = true;
      break;
  }
  ReadDirectory(system, kAdministrationKey, "Activity Log Directory", s.activityLogDirectory, "%s\\Logging\\RADMS", s);
  // Only the last component is created; whether it worked does not matter to the run.
  if (s.activityLogDirectory[0] != '\0') system.CreateDirectoryAt(s.activityLogDirectory);
  ReadDirectory(system, kAdministrationKey, "Debug Log File Directory", s.debugLogFileDirectory, "%s\\Logging\\RADMS",
                s);
  ReadNumber(system, kAdministrationKey, "Debug Logging Level", &s.debugLoggingLevel, 3);
  ReadNumber(system, kRemoteAdminKey, "Max Request Size", &s.maxRequestSize, 5242880);
  ReadDirectory(system, kAdministrationKey, "W3C Logging Directory", s.w3cLoggingDirectory, "%s\\Logging\\RADMS", s);
  if (!ReadText(system, kRemoteAdminKey, "Inbound Server Bindings", s.inboundServerBindings)) {
    BoundedCopy(s.inboundServerBindings, sizeof s.inboundServerBindings, "(All)");
  }
  ReadNumber(system, kRemoteAdminKey, "Listen Port", &s.listenPort, 8081);
  ReadNumber(system, kAdministrationKey, "Performance Logging Enabled", &s.performanceLoggingEnabled, 0);
  for (const W3cSwitch& w3c : kW3cSwitches) ReadNumber(system, kW3cLoggingKey, w3c.valueName, &(s.*w3c.field), 1);
  s.badMailDirectoryRead =
      RegReadAnyText(system, kServerKey, "Bad Mail Directory", s.badMailDirectory, sizeof s.badMailDirectory);
  ReadText(system, kServerKey, "Quarantine Directory", s.quarantineDirectory);
  ReadNumber(system, kRemoteAdminKey, "Authorization Mode", &s.authorizationMode, 1);
  ReadNumber(system, kAdministrationKey, "IPv6 Status", &s.ipv6Status, 0);
  ReadNumber(system, kServerKey, "Prevent Message Duplicates", &s.preventMessageDuplicates, 0);
}

uint32_t GetPurgeWait(platform::System& system) {
  uint32_t value = 0;
  return RegReadDword(system, kAdministrationKey, "Purge Wait", &value) ? value : 1000u;
}
