#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/registry.h"

// The Windows host's readings of the system's answers, and its path join: plain functions of
// codes and texts, so that a test reaches each answer without making the system give it.

namespace platform {

/// How opening a registry key ended, from the status RegOpenKeyExA returned: only "file not
/// found" is a key that is not there; access denied or any other error is a key that may exist
/// but could not be opened.
KeyProbe KeyOpenOutcome(int32_t status);

/// How reading a value of an open key ended, from the status RegQueryValueExA returned.
RegistryRead ValueQueryOutcome(int32_t status);

/// True when a call on a file failed with `error` (GetLastError) because the file is gone or is
/// being deleted by another process. A file pending deletion refuses to be opened or deleted
/// again with access denied, and only the system's own status of that call, `ntStatus`
/// (RtlGetLastNtStatus), tells it apart from a file that may not be touched. A missing path is
/// no such file: with exact names it only means the folder went away.
bool GoneOrBeingDeleted(uint32_t error, uint32_t ntStatus);

/// The longest full path the tool builds, in UTF-16 units: a folder path of 2,048 bytes made
/// full, the "\\?\UNC\" form and a name of up to 260 units.
constexpr size_t kWidePathSize = 4096 + 8 + 260;
using WidePath = wchar_t[kWidePathSize];

/// `prefix` (`prefixLength` units, a full folder path with its trailing separator) followed by
/// `name` into `path`, in the literal "\\?\" form at any length, a share ("\\server\...") in the
/// "\\?\UNC\" form; a prefix that is literal already ("\\?\", "\\.\") is taken as it is. False
/// when the path does not fit.
bool JoinPath(WidePath& path, const wchar_t* prefix, size_t prefixLength, const wchar_t* name, size_t nameLength);

}  // namespace platform
