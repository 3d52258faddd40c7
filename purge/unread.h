#pragma once

#include "platform/files.h"

/// 1 when the header block of the message file at `messagePath` (the lines before the first
/// empty one) holds a line beginning "X-Read: 1", ignoring case; 0 otherwise, also when the
/// file cannot be opened, is not a regular file, or a read fails. Never reads past the header
/// block's end.
int IsMessageRead(const char* messagePath);

/// As IsMessageRead(messagePath), for the entry `fileName` of the folder being searched.
int IsMessageRead(const platform::Folder& folder, const char* fileName);
