#pragma once

#include "purge/purge_run.h"

/// Purges one folder: every message file (*.MAI) older than `days` is deleted through
/// PurgeMessage, or in report mode only listed; then one count line (flushed), and a rescan
/// request when old files were found outside report mode. A missing folder or one with no
/// message file is passed over silently; one that exists but cannot be searched, or whose
/// listing fails part way, gets the line "Unable to search FOLDER" (after the count line and the
/// rescan request for what was done), noted in the run's outcome.
void PurgeFolder(const char* folderPath, const PurgeRun& run);

/// Deletes the message `entry` of `folderPath`, which a search has open as `folder`, keeping it
/// when unread messages are retained and it carries no read marker, and (Windows) when `judge`
/// no longer calls the file that bears the name old. True when this run deleted it, with `facts`
/// what the deletion read of it. A file gone already (another run's deletion), kept or no longer
/// old is false without a line; a file that stays prints "Unable to delete NAME in FOLDER", and
/// one whose header cannot be read "Unable to read NAME in FOLDER", noted in the run's outcome.
/// In a preview nothing is deleted, and the answer is as if the deletion had succeeded.
bool PurgeMessage(const char* folderPath, const platform::DirEntry& entry, const platform::Folder& folder,
                  const platform::AgeJudge& judge, const PurgeRun& run, platform::FileFacts* facts);

/// True when `path`, the folder the setting `setting` names ("Mail Root"), is a folder. Otherwise
/// one line names the setting and the path and ends with `consequence` ("no postoffice was
/// purged"), noted in the run's outcome: a store that is not there is no store to purge.
bool SettingFolderIsThere(const char* setting, const char* path, const char* consequence, const PurgeRun& run);
