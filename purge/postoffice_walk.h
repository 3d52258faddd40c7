#pragma once

#include <cstddef>
#include <cstdint>

#include "providers/postoffice_source.h"
#include "purge/purge_run.h"
#include "settings/server_settings.h"

/// What the postoffice phase asks the provider for: the postoffice request record (its name
/// field the postoffice filter, empty for ALL) and the mailbox the target names, if any.
struct PostofficeRequest {
  PostofficeRecord record{};
  char mailboxName[sizeof MailboxRecord::mailbox] = {};
};

/// The opening of the postoffice phase: its lines, then the checks that let it walk. A Mail Root
/// that is not set or cannot be read, a provider without the postoffice entry points, or a
/// target that does not fit the request skips the phase with a line noted in the run's outcome:
/// false. True with `request` ready for PurgePostoffices.
bool BeginPostoffices(const ServerSettings& settings, PostofficeSource& source, const PurgeRun& run,
                      PostofficeRequest& request);

/// The postoffice phase's walk, after BeginPostoffices: walks the postoffices that `source` yields
/// for `request`, under the `Mail Root` of `settings`, purging each postmaster inbox and the
/// chosen mailbox folders, and pausing `purgeWait` milliseconds after each postoffice. A target
/// that matches no postoffice or mailbox is said after it with a line noted in the run's outcome,
/// followed by a line naming the postoffices (at most 20) as a target names them. A named mailbox
/// is looked up even when no mailbox folder is chosen.
void PurgePostoffices(const ServerSettings& settings, PostofficeRequest& request, uint32_t purgeWait,
                      PostofficeSource& source, const PurgeRun& run);

/// Purges "<mailRootPath>\Postmaster\Inbox".
void PurgePostmasterInbox(const char* mailRootPath, const PurgeRun& run);

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
                            PostofficeSource& source, const PurgeRun& run);

/// Why a postoffice or mailbox name is no folder the run may purge, as the end of its line; null
/// for a name a folder path can be built from. Refused: an empty name, "." and "..", one holding
/// '\\', '/' or ':', and on every build one plain Win32 paths would read as another folder: one
/// ending in a dot or a space, a device name (CON, NUL, COM1.x and the like), or one holding a
/// character no Windows name holds.
const char* StoreNameProblem(const char* name);

/// Splits a target other than ALL into the postoffice name filter (the text before the first '/',
/// or all of it) and the mailbox name (everything after that '/', or empty). False, with
/// nothing usable in either buffer, when a part does not fit its buffer.
bool SplitTarget(const char* target, char* filter, size_t filterSize, char* mailbox, size_t mailboxSize);
