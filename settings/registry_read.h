#pragma once

#include <cstdint>

#include "platform/system.h"
#include "support/outcome.h"
#include "support/server_keys.h"

/// True when the registry can be read and holds the server key. Otherwise says so in one line
/// through outcome.Fail, naming the registry file (and the line at fault) or the server key in
/// full, and returns false: the run must then do nothing.
bool CheckRegistry(platform::System& system, RunOutcome& outcome);

/// Reads a 32-bit number (data of any type, at most 4 bytes, little-endian, zero-extended).
/// True on success; false otherwise, leaving `out` as it was. An empty sub-key opens nothing. Every read
/// is made under HKEY_LOCAL_MACHINE, through `system`, as are the reads below.
bool RegReadDword(platform::System& system, const char* subKey, const char* valueName, uint32_t* out);

/// What RegReadString does with the sub-key before it opens it.
enum class SubKeyPath {
  kToWow6432Node,  ///< the first "Software\\Quillerton", any letter case, becomes "Software\\Wow6432Node\\Quillerton"
  kAsGiven,
};

/// Reads a text (data of any type, at most `capacity` bytes with its terminating zero) into
/// `buffer`. True on success; false otherwise, with the buffer emptied (untouched when `capacity` is 0
/// or less). Stored bytes with no zero among them are terminated after the bytes read; when
/// they fill the whole capacity that does not fit, and the read fails. Data of no bytes at all
/// fails too. The sub-key is rewritten as `path` says; the form without it rewrites
/// (SubKeyPath::kToWow6432Node), and every caller of the tool uses that form.
bool RegReadString(platform::System& system, const char* subKey, const char* valueName, char* buffer, int32_t capacity,
                   SubKeyPath path);
bool RegReadString(platform::System& system, const char* subKey, const char* valueName, char* buffer, int32_t capacity);

/// What a read of a text value found.
enum class TextValue {
  kRead,        ///< a text that is not empty; the buffer holds it
  kAbsent,      ///< no key, no value, or an empty text: the value is not set
  kTooLong,     ///< it exists but does not fit the buffer with its terminating zero
  kUnreadable,  ///< it exists but cannot be read: refused, an I/O error, or not a text
};

/// RegReadString in its HKEY_LOCAL_MACHINE form, for a value whose fallback must only replace
/// a value that is not set: it tells an absent or empty value from one that exists but cannot
/// be read, which includes data of a type other than REG_SZ or REG_EXPAND_SZ. The buffer is
/// empty unless the result is kRead.
TextValue RegReadText(platform::System& system, const char* subKey, const char* valueName, char* buffer,
                      int32_t capacity);

/// RegReadString (data of any type, as the server reads it), saying how the read ended as
/// RegReadText does: an empty text is kAbsent. The buffer is empty unless the result is kRead.
TextValue RegReadAnyText(platform::System& system, const char* subKey, const char* valueName, char* buffer,
                         int32_t capacity);

/// Text values of the server key. The version readers return true only for a non-empty text
/// (GetServerVersion for any successful read); GetApplicationDirectory appends "64" whether or
/// not the read succeeded, and counts a directory too long to take it as a failed read.
bool GetServerVersion(platform::System& system, char* buffer, int32_t capacity);
bool GetProfessionalVersion(platform::System& system, char* buffer, int32_t capacity);
bool GetEnterpriseVersion(platform::System& system, char* buffer, int32_t capacity);
bool GetApplicationDirectory(platform::System& system, char* buffer, int32_t capacity);
