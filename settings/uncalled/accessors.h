#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/system.h"

// Numeric settings of the server's services and agents. Each accessor reads its value afresh
// through RegReadDword and returns it, even 0, or its default when the value cannot be read
// (key or value missing, or data longer than 4 bytes). Nothing is kept and nothing is written.

/// Values of the administration key. GetCommandTimeout returns the stored seconds times 1,000
/// in milliseconds (the product wraps at 2^32); its default, 200,000, is not multiplied.
uint32_t GetW3CLoggingRolloverFrequency();  ///< `W3C Logging Rollover Frequency`, default 0
uint32_t GetMaximumRecvThreads();           ///< `Maximum Recv Threads`, default 20
uint32_t GetCommandTimeout();               ///< `Command Timeout` times 1,000, default 200,000
uint32_t GetDebugEnabled();                 ///< `Debug Enabled`, default 2
uint32_t GetCredentialCacheTimeOut();       ///< `Credential Cache TimeOut`, default 1,800
uint32_t GetActivityLogEnabled();           ///< `Activity Log Enabled`, default 2
uint32_t GetW3CLoggingEnabled();            ///< `W3C Logging Enabled`, default 2
uint32_t GetListenPortEnabled();            ///< `Listen Port Enabled`, default 1
uint32_t GetAlternatePortEnabled();         ///< `Alternate Port Enabled`, default 0
uint32_t GetAlternatePort();                ///< `Alternate Port`, default 994

/// Values of the agent keys ("...\\Agents\\<agent>"). Log Purge and LogPurge are two keys.
uint32_t GetMailboxCleanEnabled();               ///< Mailbox Clean `Enabled`, default 1
uint32_t GetRemoteAdminEnabled();                ///< Remote Admin `Enabled`, default 1
uint32_t GetMailboxCleanPurgePollInterval();     ///< Mailbox Clean `Purge Poll Interval`, default 604,800
uint32_t GetQuotaManagementEnabled();            ///< Quota Management `Enabled`, default 1
uint32_t GetQuotaManagementRunOnServiceStart();  ///< Quota Management `Run on service start`, default 0
uint32_t GetQuotaPollInterval();                 ///< Mailbox Clean `Quota Poll Interval`, default 86,400
uint32_t GetGreylistCleanEnabled();              ///< Greylist Clean `Enabled`, default 1
uint32_t GetGreylistCleanRunOnServiceStart();    ///< Greylist Clean `Run on service start`, default 0
uint32_t GetGreylistCleanPurgePollInterval();    ///< Greylist Clean `Purge Poll Interval`, default 86,400
uint32_t GetReportEnabled();                     ///< Report `Enabled`, default 0
uint32_t GetLogPurgeEnabled();                   ///< Log Purge `Enabled`, default 0
uint32_t GetReportJunkEnabled();                 ///< Report `Junk Enabled`, default 0
uint32_t GetReportJunkPollInterval();            ///< Report `Junk Poll Interval`, default 86,400
uint32_t GetReportRunOnServiceStart();           ///< Report `Run on service start`, default 0
uint32_t GetLogPurgeRunOnServiceStart();         ///< Log Purge `Run on service start`, default 0
uint32_t GetLogPurgeInterval();                  ///< LogPurge `Log Purge Interval`, default 86,400
uint32_t GetMigrationEnabled();                  ///< Migration `Enabled`, default 0
uint32_t GetMigrationPollInterval();             ///< Migration `Migration Poll Interval`, default 60,000

/// Where an accessor's value lives: its key below HKEY_LOCAL_MACHINE, the value's name, the
/// default, and what the stored number is multiplied by.
struct NumberSetting {
  const char* key;
  const char* valueName;
  uint32_t fallback;
  uint32_t multiplier;
};

/// Every accessor above, in their order.
constexpr uint32_t (*const kAccessors[])() = {
    GetW3CLoggingRolloverFrequency,
    GetMaximumRecvThreads,
    GetCommandTimeout,
    GetDebugEnabled,
    GetCredentialCacheTimeOut,
    GetActivityLogEnabled,
    GetW3CLoggingEnabled,
    GetListenPortEnabled,
    GetAlternatePortEnabled,
    GetAlternatePort,
    GetMailboxCleanEnabled,
    GetRemoteAdminEnabled,
    GetMailboxCleanPurgePollInterval,
    GetQuotaManagementEnabled,
    GetQuotaManagementRunOnServiceStart,
    GetQuotaPollInterval,
    GetGreylistCleanEnabled,
    GetGreylistCleanRunOnServiceStart,
    GetGreylistCleanPurgePollInterval,
    GetReportEnabled,
    GetLogPurgeEnabled,
    GetReportJunkEnabled,
    GetReportJunkPollInterval,
    GetReportRunOnServiceStart,
    GetLogPurgeRunOnServiceStart,
    GetLogPurgeInterval,
    GetMigrationEnabled,
    GetMigrationPollInterval,
};

/// The setting that `kAccessors[index]` reads; `index` below the size of `kAccessors`.
const NumberSetting& AccessorSetting(size_t index);

/// What `accessor`, one of `kAccessors`, returns, read through `system` (the accessors read the
/// machine's own registry through a host of their own).
uint32_t ReadAccessorSetting(platform::System& system, uint32_t (*accessor)());
