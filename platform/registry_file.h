#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

/// What a registry export leaves under HKEY_LOCAL_MACHINE when it is imported from top to
/// bottom. The format is the one `reg export` and regedit write: the header line
/// "Windows Registry Editor Version 5.00" or "REGEDIT4"; UTF-16LE text with its byte-order mark
/// or UTF-8/ANSI text without one; `[HKEY_LOCAL_MACHINE\...]` key lines (other roots are read
/// and ignored), `[-...]` deletions of a key with its sub-keys, value lines `"name"=` or `@=`
/// with `"text"` (escapes `\\` and `\"`), `dword:`, `hex:`, `hex(N):` (byte lists continued by
/// a trailing `\`) and `-` (deletion), blank lines and `;` comments. Portable C++, no system
/// calls; the POSIX registry reads through it. What it holds takes at most about twice the
/// text's size, and parsing takes time in proportion to that size.
class RegistryFile {
 public:
  RegistryFile();
  ~RegistryFile();
  RegistryFile(RegistryFile&&) noexcept;
  RegistryFile& operator=(RegistryFile&&) noexcept;

  /// Why a text is not a registry export.
  struct Problem {
    /// The line at fault, from 1; 0 when the text as a whole is at fault.
    unsigned line = 0;
    std::string reason;
  };

  enum class Lookup { kFound, kNoKey, kNoValue };

  /// Replaces what this holds by the keys and values of `bytes`, the file's whole content.
  /// False when `bytes` is not a registry export, or its text is over 1 GiB, with `problem`
  /// filled and nothing held.
  bool Parse(const std::string& bytes, Problem* problem);

  /// Finds a value of `subKey` (a path below HKEY_LOCAL_MACHINE, "" for the root itself);
  /// key paths and value names match without regard to ASCII case, "" names the default
  /// value. On kFound, `data` points at the bytes RegQueryValueExA would return: text as
  /// narrow (UTF-8) characters with its terminating zero, a dword as 4 little-endian bytes,
  /// hex data of the text types (1, 2 and 7) of a version 5 file converted from UTF-16, other
  /// hex data as written, and `type`, unless null, receives its registry type (1 for text, 4
  /// for a dword, N for hex(N), 3 for hex). The pointer is valid until the next Parse.
  /// Not for concurrent callers: the bytes are copied out on the first request for them.
  Lookup Find(const char* subKey, const char* valueName, const std::string** data, uint32_t* type) const;

 private:
  struct Store;

  /// The keys and values; none when empty.
  std::unique_ptr<Store> store_;
};

}  // namespace platform
