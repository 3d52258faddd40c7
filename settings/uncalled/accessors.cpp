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

enum Setting {
  kW3CLoggingRolloverFrequency,
  kMaximumRecvThreads,
  kCommandTimeout,
  kDebugEnabled,
  kCredentialCacheTimeOut,
  kActivityLogEnabled,
  kW3CLoggingEnabled,
  kListenPortEnabled,
  kAlternatePortEnabled,
  kAlternatePort,
  kMailboxCleanEnabled,
  kRemoteAdminEnabled,
  kMailboxCleanPurgePollInterval,
  kQuotaManagementEnabled,
  kQuotaManagementRunOnServiceStart,
  kQuotaPollInterval,
  kGreylistCleanEnabled,
  kGreylistCleanRunOnServiceStart,
  kGreylistCleanPurgePollInterval,
  kReportEnabled,
  kLogPurgeEnabled,
  kReportJunkEnabled,
  kReportJunkPollInterval,
  kReportRunOnServiceStart,
  kLogPurgeRunOnServiceStart,
  kLogPurgeInterval,
  kMigrationEnabled,
  kMigrationPollInterval,
  kSettingCount,
};
static_assert(sizeof kAccessors / sizeof kAccessors[0] == kSettingCount, "one setting per accessor");

// One row per accessor, in the order of Setting.
constexpr NumberSetting kSettings[kSettingCount] = {
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

// The value read, times the row's multiplier in unsigned 32-bit arithmetic (it wraps at
// 2^32), or the row's default unchanged.
uint32_t Read(Setting setting) {
  const NumberSetting& row = kSettings[setting];
  // No run reads these: they read the registry of the machine, not a run's.
  platform::HostSystem system;
  uint32_t value = 0;
  if (!RegReadDword(system, row.key, row.valueName, &value)) return row.fallback;
  return value * row.multiplier;
}

}  // namespace

const NumberSetting& AccessorSetting(size_t index) { return kSettings[index]; }

uint32_t GetW3CLoggingRolloverFrequency() { return Read(kW3CLoggingRolloverFrequency); }
uint32_t GetMaximumRecvThreads() { return Read(kMaximumRecvThreads); }
uint32_t GetCommandTimeout() { return Read(kCommandTimeout); }
uint32_t GetDebugEnabled() { return Read(kDebugEnabled); }
uint32_t GetCredentialCacheTimeOut() { return Read(kCredentialCacheTimeOut); }
uint32_t GetActivityLogEnabled() { return Read(kActivityLogEnabled); }
uint32_t GetW3CLoggingEnabled() { return Read(kW3CLoggingEnabled); }
uint32_t GetListenPortEnabled() { return Read(kListenPortEnabled); }
uint32_t GetAlternatePortEnabled() { return Read(kAlternatePortEnabled); }
uint32_t GetAlternatePort() { return Read(kAlternatePort); }
uint32_t GetMailboxCleanEnabled() { return Read(kMailboxCleanEnabled); }
uint32_t GetRemoteAdminEnabled() { return Read(kRemoteAdminEnabled); }
uint32_t GetMailboxCleanPurgePollInterval() { return Read(kMailboxCleanPurgePollInterval); }
uint32_t GetQuotaManagementEnabled() { return Read(kQuotaManagementEnabled); }
uint32_t GetQuotaManagementRunOnServiceStart() { return Read(kQuotaManagementRunOnServiceStart); }
uint32_t GetQuotaPollInterval() { return Read(kQuotaPollInterval); }
uint32_t GetGreylistCleanEnabled() { return Read(kGreylistCleanEnabled); }
uint32_t GetGreylistCleanRunOnServiceStart() { return Read(kGreylistCleanRunOnServiceStart); }
uint32_t GetGreylistCleanPurgePollInterval() { return Read(kGreylistCleanPurgePollInterval); }
uint32_t GetReportEnabled() { return Read(kReportEnabled); }
uint32_t GetLogPurgeEnabled() { return Read(kLogPurgeEnabled); }
uint32_t GetReportJunkEnabled() { return Read(kReportJunkEnabled); }
uint32_t GetReportJunkPollInterval() { return Read(kReportJunkPollInterval); }
uint32_t GetReportRunOnServiceStart() { return Read(kReportRunOnServiceStart); }
uint32_t GetLogPurgeRunOnServiceStart() { return Read(kLogPurgeRunOnServiceStart); }
uint32_t GetLogPurgeInterval() { return Read(kLogPurgeInterval); }
uint32_t GetMigrationEnabled() { return Read(kMigrationEnabled); }
uint32_t GetMigrationPollInterval() { return Read(kMigrationPollInterval); }
