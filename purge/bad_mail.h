#pragma once

#include "purge/purge_run.h"
#include "settings/server_settings.h"

/// The bad-mail phase: purges the `Bad Mail Directory` of `settings` and its Messages folder
/// through PurgeFolder, after the opening line (outside report mode). An empty Bad Mail Directory
/// skips the phase with a line saying why (not set, too long, unreadable), noted in the run's
/// outcome.
void PurgeBadMail(const ServerSettings& settings, const PurgeRun& run);
