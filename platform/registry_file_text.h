#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/registry_file.h"

namespace platform::registry_file_detail {

/// The blanks trimmed from the ends of lines and passed over between the parts of a line: space,
/// tab, and the carriage return of a CRLF line end.
inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

/// Little-endian UTF-16 from `start` as narrow text, which here is UTF-8. As in the Windows
/// conversion, a lone surrogate becomes '?' (its default character); an odd last byte is
/// dropped, as the character count is the byte count halved.
std::string NarrowFromUtf16(const std::string& bytes, size_t start);

/// The file's text as narrow characters: UTF-16LE after its byte-order mark, converted into
/// `decoded`, else the bytes themselves (after a UTF-8 byte-order mark, if there is one), not
/// copied, as a file can be 64 MiB. `text` is valid while `bytes` and `decoded` are. False, with
/// `problem->reason` filled, for text in another encoding or cut short.
bool DecodeText(const std::string& bytes, std::string* decoded, std::string_view* text, RegistryFile::Problem* problem);

/// The text's lines one at a time, without their line ends and without blanks at either end.
/// Lines are views into the text, read as the parser asks for them: a file of millions of empty
/// lines costs nothing but its own bytes.
class Lines {
 public:
  explicit Lines(std::string_view text) : text_(text) {}

  /// The next line into `line`; false after the last. Even an empty text has one line.
  bool Next(std::string_view* line);

  /// The number of the line Next gave last, from 1.
  unsigned Number() const { return number_; }

 private:
  std::string_view text_;
  size_t start_ = 0;  // npos once the last line is given
  unsigned number_ = 0;
};

/// A quoted text as it stands between its quotes, escapes and all, and its length without them.
struct Quoted {
  std::string_view raw;
  size_t length = 0;
};

/// Reads the quoted text whose opening '"' is at `*pos` of `line` into `out`, and moves `*pos`
/// just past its closing quote; the escapes are \\ and \". Returns null; else why there is no
/// quoted text there, with nothing changed.
const char* ReadQuoted(std::string_view line, size_t* pos, Quoted* out);

/// The characters of a quoted text without its escapes (`Quoted::raw` of a text ReadQuoted
/// accepted), from `out` on, in upper case when `upper`; returns the end of what it wrote.
char* Unescape(std::string_view raw, bool upper, char* out);

}  // namespace platform::registry_file_detail
