#pragma once

#include <cstddef>
#include <cstdint>

#include "providers/postoffice_source.h"
#include "purge/purge_run.h"
#include "settings/server_settings.h"

/// The postoffice phase: walks the postoffices that `source` yields for the target of the run's
/// options, under the `Mail Root` of `settings`, purging each postmaster inbox and the chosen
/// mailbox folders, and pausing `Purge Wait` milliseconds after each postoffice. A Mail Root that
/// is not set or cannot be read skips the phase, and a target that matches no postoffice or
/// mailbox is said after it, each with a line noted in the run's outcome; the latter is followed
/// by a line naming the postoffices (at most 20) as a target names them. A named mailbox is
/// looked up even when no mailbox folder is chosen. Returns 1.
int PurgePostoffices(int32_t days, const ServerSettings& settings, PostofficeSource& source, const PurgeRun& run);

/// Purges "<mailRootPath>\Postmaster\Inbox". Returns 1.
int PurgePostmasterInbox(const char* mailRootPath, int32_t days, const PurgeRun& run);

/// Whether PurgeMailboxes found the mailbox the target names.
enum class NamedMailbox {
  kFound,     ///< found, or none is named: every mailbox was walked
  kNotFound,  ///< the provider has no such mailbox in this postoffice
  kNotAsked,  ///< the provider could not be asked (a line says why)
};

/// Walks the mailboxes of one postoffice, or gets the one named `mailboxName` when that is not
/// empty, and purges their chosen folders: Deleted Items, Sent Items, Junk E-mail, Inbox (none
/// when no mailbox folder is chosen: the lookup alone).
NamedMailbox PurgeMailboxes(const char* mailRootPath, const char* postofficeName, const char* mailboxName,
                            int32_t days, PostofficeSource& source, const PurgeRun& run);

/// `Purge Wait` of the administration key, read at the first call of the process and kept;
/// 1000 when it cannot be read.
uint32_t GetPurgeWait();

/// True for a name a folder path can be built from: not empty, not "." or "..", and without
/// '\\', '/' or ':'.
bool IsUsableStoreName(const char* name);

/// Splits a target other than ALL into the postoffice name filter (the text before the first '/',
/// or all of it) and the mailbox name (everything after that '/', or empty). False, with
/// nothing usable in either buffer, when a part does not fit its buffer.
bool SplitTarget(const char* target, char* filter, size_t filterSize, char* mailbox, size_t mailboxSize);
