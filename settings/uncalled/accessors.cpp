#include "settings/uncalled/accessors.h"

#include "settings/registry_read.h"

namespace {

constexpr char kMailboxCleanKey[] = "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton\\Agents\\Mailbox Clean";
constexpr char kQuotaManagementKey[] = "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton\\Agents\\Quota Management";
constexpr char kGreylistCleanKey[] = "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton\\Agents\\Greylist Clean";
constexpr char kReportKey[] = "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton\\Agents\\Report";
constexpr char kLogPurgeKey[] = "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton\\Agents\\Log Purge";
// No blank: a key of its own beside the Log Purge key.
constexpr char kLogPurgeIntervalKey[] = "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton\\Agents\\LogPurge";
constexpr char kMigrationKey[] = "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton\\Agents\\Migration";

// One row per accessor, in the order of kAccessors.
constexpr NumberSetting kSettings[] = {
    {kAdministrationKey, "W3C Logging Rollover Frequency", 0, 1},
    {kAdministrationKey, "Maximum Recv Threads", 20, 1},
    {kAdministrationKey, "Command Timeout", 200000, 1000},  // seconds, returned in milliseconds
    {kAdministrationKey, "Debug Enabled", 2, 1},
    {kAdministrationKey, "Credential Cache TimeOut", 1800, 1},
    {kAdministrationKey, "Activity Log Enabled", 2, 1},
    {kAdministrationKey, "W3C Logging Enabled", 2, 1},
    {kAdministrationKey, "Listen Port Enabled", 1, 1},
    {kAdministrationKey, "Alternate Port Enabled", 0, 1},
    {kAdministrationKey, "Alternate Port", 994, 1},
    {kMailboxCleanKey, "Enabled", 1, 1},
    {kRemoteAdminKey, "Enabled", 1, 1},
    {kMailboxCleanKey, "Purge Poll Interval", 604800, 1},
    {kQuotaManagementKey, "Enabled", 1, 1},
    {kQuotaManagementKey, "Run on service start", 0, 1},
    {kMailboxCleanKey, "Quota Poll Interval", 86400, 1},
    {kGreylistCleanKey, "Enabled", 1, 1},
    {kGreylistCleanKey, "Run on service start", 0, 1},
    {kGreylistCleanKey, "Purge Poll Interval", 86400, 1},
    {kReportKey, "Enabled", 0, 1},
    {kLogPurgeKey, "Enabled", 0, 1},
    {kReportKey, "Junk Enabled", 0, 1},
    {kReportKey, "Junk Poll Interval", 86400, 1},
    {kReportKey, "Run on service start", 0, 1},
    {kLogPurgeKey, "Run on service start", 0, 1},
    {kLogPurgeIntervalKey, "Log Purge Interval", 86400, 1},
    {kMigrationKey, "Enabled", 0, 1},
    {kMigrationKey, "Migration Poll Interval", 60000, 1},
};
static_assert(sizeof kSettings / sizeof kSettings[0] == sizeof kAccessors / sizeof kAccessors[0], "one row each");

uint32_t Read(uint32_t (*accessor)()) {
  // No run reads these: they read the registry of the machine, not a run's.
  platform::HostSystem system;
  return ReadAccessorSetting(system, accessor);
}

}  // namespace

const NumberSetting& AccessorSetting(size_t index) { return kSettings[index]; }

// The value read, times the row's multiplier in unsigned 32-bit arithmetic (it wraps at
// 2^32), or the row's default unchanged.
uint32_t ReadAccessorSetting(platform::System& system, uint32_t (*accessor)()) {
  size_t index = 0;
  while (kAccessors[index] != accessor) ++index;
  const NumberSetting& row = kSettings[index];
  uint32_t value = 0;
  if (!RegReadDword(system, row.key, row.valueName, &value)) return row.fallback;
  return value * row.multiplier;
}

uint32_t GetW3CLoggingRolloverFrequency() { return Read(GetW3CLoggingRolloverFrequency); }
uint32_t GetMaximumRecvThreads() { return Read(GetMaximumRecvThreads); }
uint32_t GetCommandTimeout() { return Read(GetCommandTimeout); }
uint32_t GetDebugEnabled() { return Read(GetDebugEnabled); }
uint32_t GetCredentialCacheTimeOut() { return Read(GetCredentialCacheTimeOut); }
uint32_t GetActivityLogEnabled() { return Read(GetActivityLogEnabled); }
uint32_t GetW3CLoggingEnabled() { return Read(GetW3CLoggingEnabled); }
uint32_t GetListenPortEnabled() { return Read(GetListenPortEnabled); }
uint32_t GetAlternatePortEnabled() { return Read(GetAlternatePortEnabled); }
uint32_t GetAlternatePort() { return Read(GetAlternatePort); }
uint32_t GetMailboxCleanEnabled() { return Read(GetMailboxCleanEnabled); }
uint32_t GetRemoteAdminEnabled() { return Read(GetRemoteAdminEnabled); }
uint32_t GetMailboxCleanPurgePollInterval() { return Read(GetMailboxCleanPurgePollInterval); }
uint32_t GetQuotaManagementEnabled() { return Read(GetQuotaManagementEnabled); }
uint32_t GetQuotaManagementRunOnServiceStart() { return Read(GetQuotaManagementRunOnServiceStart); }
uint32_t GetQuotaPollInterval() { return Read(GetQuotaPollInterval); }
uint32_t GetGreylistCleanEnabled() { return Read(GetGreylistCleanEnabled); }
uint32_t GetGreylistCleanRunOnServiceStart() { return Read(GetGreylistCleanRunOnServiceStart); }
uint32_t GetGreylistCleanPurgePollInterval() { return Read(GetGreylistCleanPurgePollInterval); }
uint32_t GetReportEnabled() { return Read(GetReportEnabled); }
uint32_t GetLogPurgeEnabled() { return Read(GetLogPurgeEnabled); }
uint32_t GetReportJunkEnabled() { return Read(GetReportJunkEnabled); }
uint32_t GetReportJunkPollInterval() { return Read(GetReportJunkPollInterval); }
uint32_t GetReportRunOnServiceStart() { return Read(GetReportRunOnServiceStart); }
uint32_t GetLogPurgeRunOnServiceStart() { return Read(GetLogPurgeRunOnServiceStart); }
uint32_t GetLogPurgeInterval() { return Read(GetLogPurgeInterval); }
uint32_t GetMigrationEnabled() { return Read(GetMigrationEnabled); }
uint32_t GetMigrationPollInterval() { return Read(GetMigrationPollInterval); }
