#pragma once

#include <cstdint>

#include "platform/files.h"
#include "platform/system.h"

/// What the header block of a message file says.
enum class ReadState {
  kRead,    ///< its header block holds a line beginning "X-Read: 1", ignoring case
  kUnread,  ///< it does not, within the first kHeaderScanLimit bytes; or it is no regular file
  kGone,    ///< the file is gone since it was listed (another run or the server removed it)
  kFailed,  ///< it exists but could not be opened or read
};

/// The most of a message file the header scan reads: a header block that has not ended by then
/// holds no read marker.
constexpr uint32_t kHeaderScanLimit = 1024 * 1024;

/// Scans the header block (the lines before the first empty one) of the entry `entry` of the
/// folder being searched for the read marker through `system`, never past the header block's end.
ReadState IsMessageRead(platform::System& system, const platform::Folder& folder, const platform::DirEntry& entry);

/// What UNREAD did with one old message.
enum class UnreadPurge {
  kDeleted,      ///< its header said it is read, and this run deleted it
  kKept,         ///< it is unread, no regular file, no longer old, or gone already (another run's)
  kUnreadable,   ///< it exists but its header could not be opened or read: it stays
  kUndeletable,  ///< its header said it is read, but it could not be deleted: it stays
};

/// What UNREAD does with a message whose header reads `state`, once a deletion it asks for
/// succeeded.
UnreadPurge UnreadPurgeOf(ReadState state);

/// Scans the header block of the entry `entry` as IsMessageRead does and, when the message is
/// read, deletes it through the same open: the file deleted is the file judged, and on Windows
/// only while `judge` calls it old (LineFile::OpenToDelete). `facts` say what was deleted.
UnreadPurge PurgeIfRead(platform::System& system, const platform::Folder& folder, const platform::DirEntry& entry,
                        const platform::AgeJudge& judge, platform::FileFacts* facts);
