#pragma once

#include <cstdint>

#include "purge/store.h"

/// The bad-mail phase: purges the Bad Mail Directory and its Messages folder through
/// PurgeFolder, after the opening line (outside report mode). An empty Bad Mail Directory skips
/// the phase with a line saying so and marks the run as having skipped work. Returns 1.
int PurgeBadMail(int32_t days, Store& store = SystemStore());
