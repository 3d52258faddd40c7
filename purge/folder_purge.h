#pragma once

#include <cstdint>

#include "purge/store.h"

/// Purges one folder: every message file (*.MAI) older than `days` is deleted through
/// DeleteMessage, or in report mode only listed; then one count line, and a rescan request
/// when old files were found outside report mode. A folder with no message file, or one that
/// cannot be searched, is passed over silently. Returns 1 on every path.
int PurgeFolder(const char* folderPath, int32_t days, Store& store = SystemStore());

/// Deletes the message `fileName` of `folderPath`, keeping it when unread messages are retained
/// and it carries no read marker. Non-zero when the file was deleted.
int DeleteMessage(const char* folderPath, const char* fileName, Store& store = SystemStore());
