#include "platform/registry_file.h"

#include <cstddef>
#include <string_view>
#include <utility>

namespace platform {

namespace {

using Values = std::map<std::string, std::string>;
using Keys = std::map<std::string, Values>;

constexpr char kVersion5Header[] = "Windows Registry Editor Version 5.00";
constexpr char kVersion4Header[] = "REGEDIT4";
constexpr char kLocalMachine[] = "HKEY_LOCAL_MACHINE";

// The registry types whose data RegQueryValueExA converts from UTF-16.
constexpr uint32_t kTypeText = 1;
constexpr uint32_t kTypeExpandText = 2;
constexpr uint32_t kTypeMultiText = 7;
constexpr uint32_t kTypeBinary = 3;

// Key paths and value names match without regard to ASCII case: the registry folds only a to z
// for the texts the tool asks for.
std::string Upper(std::string_view view) {
  std::string text(view);
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool StartsWithNoCase(std::string_view text, size_t pos, const char* prefix) {
  for (size_t i = 0; prefix[i] != '\0'; ++i) {
    if (pos + i >= text.size()) return false;
    char c = text[pos + i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    char p = prefix[i];
    if (p >= 'a' && p <= 'z') p = static_cast<char>(p - 'a' + 'A');
    if (c != p) return false;
  }
  return true;
}

void AppendUtf8(std::string* out, uint32_t code) {
  if (code < 0x80) {
    out->push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code >> 6)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (code >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (code >> 18)));
    out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

// Little-endian UTF-16 from `start` as narrow text, which here is UTF-8. As in the Windows
// conversion, a lone surrogate becomes '?' (its default character); an odd last byte is
// dropped, as the character count is the byte count halved.
std::string NarrowFromUtf16(const std::string& bytes, size_t start) {
  std::string out;
  const size_t units = start < bytes.size() ? (bytes.size() - start) / 2 : 0;
  auto unit = [&](size_t i) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[start + 2 * i])) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[start + 2 * i + 1])) << 8;
  };
  out.reserve(units);
  for (size_t i = 0; i < units; ++i) {
    const uint32_t code = unit(i);
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < units) {
      const uint32_t low = unit(i + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(&out, 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    if (code >= 0xD800 && code <= 0xDFFF) {
      out.push_back('?');
    } else {
      AppendUtf8(&out, code);
    }
  }
  return out;
}

// The file's text as narrow characters: UTF-16LE after its byte-order mark, converted into
// `decoded`, else the bytes themselves (after a UTF-8 byte-order mark, if there is one), not
// copied, as a file can be 64 MiB.
bool DecodeText(const std::string& bytes, std::string* decoded, std::string_view* text,
                RegistryFile::Problem* problem) {
  auto byte = [&](size_t i) { return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0x100u; };
  if (byte(0) == 0xFF && byte(1) == 0xFE) {
    if (bytes.size() % 2 != 0) {
      problem->reason = "the UTF-16 text ends in half a character";
      return false;
    }
    *decoded = NarrowFromUtf16(bytes, 2);
    *text = *decoded;
    return true;
  }
  if (byte(0) == 0xFE && byte(1) == 0xFF) {
    problem->reason = "the text is big-endian UTF-16, which a registry export never is";
    return false;
  }
  if (byte(0) != 0 && byte(0) < 0x100 && byte(1) == 0) {
    problem->reason = "the text looks like UTF-16 but has no byte-order mark";
    return false;
  }
  *text = bytes;
  if (byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) text->remove_prefix(3);
  return true;
}

// The text's lines one at a time, without their line ends and without blanks at either end.
// Lines are views into the text, read as the parser asks for them: a file of millions of empty
// lines costs nothing but its own bytes.
class Lines {
 public:
  explicit Lines(std::string_view text) : text_(text) {}

  // The next line into `line`; false after the last. Even an empty text has one line.
  bool Next(std::string_view* line) {
    if (start_ == std::string_view::npos) return false;
    size_t end = text_.find('\n', start_);
    const size_t next = end == std::string_view::npos ? end : end + 1;
    if (end == std::string_view::npos) end = text_.size();
    size_t first = start_;
    while (first < end && IsBlank(text_[first])) ++first;
    size_t stop = end;
    while (stop > first && IsBlank(text_[stop - 1])) --stop;
    *line = text_.substr(first, stop - first);
    start_ = next;
    ++number_;
    return true;
  }

  // The number of the line Next gave last, from 1.
  unsigned Number() const { return number_; }

 private:
  std::string_view text_;
  size_t start_ = 0;  // npos once the last line is given
  unsigned number_ = 0;
};

class Parser {
 public:
  Parser(std::string_view text, Keys* keys, RegistryFile::Problem* problem)
      : lines_(text), keys_(keys), problem_(problem) {}

  bool Run() {
    std::string_view line;
    lines_.Next(&line);
    if (line != kVersion5Header && line != kVersion4Header) {
      return Fail("the first line is not \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\"");
    }
    version5_ = line == kVersion5Header;
    while (lines_.Next(&line)) {
      if (line.empty() || line[0] == ';') continue;
      bool parsed;
      if (line[0] == '[') {
        parsed = KeyLine(line);
      } else if (line[0] == '"' || line[0] == '@') {
        parsed = ValueLine(line);
      } else {
        parsed = Fail("the line is neither a key, a value nor a comment");
      }
      if (!parsed) return false;
    }
    return true;
  }

 private:
  enum class Section { kNoneYet, kIgnored, kKey };

  bool Fail(const char* reason) { return FailAt(lines_.Number(), reason); }

  bool FailAt(unsigned line, const char* reason) {
    problem_->line = line;
    problem_->reason = reason;
    return false;
  }

  bool KeyLine(std::string_view line) {
    if (line.back() != ']') return Fail("the key line does not end in \"]\"");
    std::string_view path = line.substr(1, line.size() - 2);
    const bool deletion = !path.empty() && path[0] == '-';
    if (deletion) path.remove_prefix(1);
    const size_t separator = path.find('\\');
    const std::string root = Upper(path.substr(0, separator));
    if (root != kLocalMachine) {
      if (root.size() <= 5 || root.compare(0, 5, "HKEY_") != 0) {
        return Fail("the key path does not begin with a root key such as HKEY_LOCAL_MACHINE");
      }
      section_ = Section::kIgnored;  // another root: read, and of no concern here
      return true;
    }
    std::string subKey = separator == std::string_view::npos ? std::string() : Upper(path.substr(separator + 1));
    while (!subKey.empty() && subKey.back() == '\\') subKey.pop_back();

    if (deletion) {
      if (subKey.empty()) return Fail("the key line would delete HKEY_LOCAL_MACHINE itself");
      DeleteTree(subKey);
      // The parent stays, as in the registry (the other ancestors exist through it).
      const size_t parent = subKey.rfind('\\');
      if (parent != std::string::npos) keys_->emplace(subKey.substr(0, parent), Values());
      section_ = Section::kIgnored;  // values after a deletion belong to no key
      return true;
    }
    current_ = &(*keys_)[subKey];
    section_ = Section::kKey;
    return true;
  }

  // The key and the keys below it, without a look at the keys that merely begin with the same
  // text ("A1" when deleting "A"): visiting those made thousands of deletions cost the square of
  // the key count. The keys below are exactly those from subKey + "\\" up to subKey + "]", as
  // ']' follows '\\' in ASCII.
  void DeleteTree(const std::string& subKey) {
    keys_->erase(subKey);
    keys_->erase(keys_->lower_bound(subKey + '\\'), keys_->lower_bound(subKey + ']'));
  }

  bool ValueLine(std::string_view line) {
    if (section_ == Section::kNoneYet) return Fail("a value comes before the first key line");
    size_t pos = 0;
    std::string name;
    if (line[0] == '@') {
      pos = 1;
    } else if (!QuotedText(line, &pos, &name)) {
      return false;
    }
    SkipBlanks(line, &pos);
    if (pos >= line.size() || line[pos] != '=') return Fail("the value name is not followed by \"=\"");
    ++pos;
    SkipBlanks(line, &pos);

    std::string data;
    if (pos < line.size() && line[pos] == '"') {
      if (!QuotedText(line, &pos, &data)) return false;
      if (pos != line.size()) return Fail("something follows the text's closing quote");
      data.push_back('\0');
    } else if (line.compare(pos, std::string_view::npos, "-") == 0) {
      if (section_ == Section::kKey) current_->erase(Upper(name));
      return true;
    } else if (StartsWithNoCase(line, pos, "dword:")) {
      pos += 6;
      uint32_t value = 0;
      const size_t first = pos;
      for (; pos < line.size() && HexDigit(line[pos]) >= 0; ++pos) {
        value = value << 4 | static_cast<uint32_t>(HexDigit(line[pos]));
      }
      if (pos == first || pos - first > 8 || pos != line.size()) {
        return Fail("a dword value is not one to eight hex digits");
      }
      for (int i = 0; i < 4; ++i) data.push_back(static_cast<char>(value >> (8 * i)));
    } else if (StartsWithNoCase(line, pos, "hex")) {
      pos += 3;
      uint32_t type = kTypeBinary;
      if (pos < line.size() && line[pos] == '(') {
        const size_t first = ++pos;
        type = 0;
        for (; pos < line.size() && HexDigit(line[pos]) >= 0; ++pos) {
          type = type << 4 | static_cast<uint32_t>(HexDigit(line[pos]));
        }
        if (pos == first || pos - first > 8 || pos >= line.size() || line[pos] != ')') {
          return Fail("the type of hex(N) is not one to eight hex digits");
        }
        ++pos;
      }
      if (pos >= line.size() || line[pos] != ':') return Fail("hex data does not begin with \":\"");
      if (!HexBytes(line, pos + 1, &data)) return false;
      // A version 5 file holds the text types as the registry stores them, in UTF-16.
      if (version5_ && (type == kTypeText || type == kTypeExpandText || type == kTypeMultiText)) {
        data = NarrowFromUtf16(data, 0);
      }
    } else {
      return Fail("the value's data is not \"text\", dword:, hex: or hex(N):");
    }

    if (section_ != Section::kKey) return true;
    (*current_)[Upper(name)] = std::move(data);
    return true;
  }

  // A quoted text from the '"' at `*pos`; on return `*pos` is just after the closing quote.
  bool QuotedText(std::string_view line, size_t* pos, std::string* out) {
    size_t i = *pos + 1;
    for (;;) {
      if (i >= line.size()) return Fail("a text has no closing quote");
      const char c = line[i];
      if (c == '"') break;
      if (c == '\\') {
        if (i + 1 >= line.size()) return Fail("a text has no closing quote");
        const char escaped = line[i + 1];
        if (escaped != '\\' && escaped != '"') return Fail("a text holds an escape other than \\\\ and \\\"");
        out->push_back(escaped);
        i += 2;
        continue;
      }
      out->push_back(c);
      ++i;
    }
    *pos = i + 1;
    return true;
  }

  // Comma-separated two-digit hex bytes from `pos` of `line`, continued on the next line after a
  // trailing backslash; blank and comment lines between continued lines are passed over.
  bool HexBytes(std::string_view line, size_t pos, std::string* out) {
    SkipBlanks(line, &pos);
    if (pos == line.size()) return true;  // a value with no data bytes
    for (;;) {
      if (line[pos] == '\\' && pos + 1 == line.size()) {
        const unsigned continued = lines_.Number();
        do {
          if (!lines_.Next(&line)) return FailAt(continued, "hex data is continued past the end of the file");
        } while (line.empty() || line[0] == ';');
        pos = 0;
      }
      if (pos + 1 >= line.size() || HexDigit(line[pos]) < 0 || HexDigit(line[pos + 1]) < 0) {
        return Fail("hex data holds something other than two-digit hex bytes");
      }
      out->push_back(static_cast<char>(HexDigit(line[pos]) << 4 | HexDigit(line[pos + 1])));
      pos += 2;
      SkipBlanks(line, &pos);
      if (pos == line.size()) return true;
      if (line[pos] != ',') return Fail("hex bytes are not separated by commas");
      ++pos;
      SkipBlanks(line, &pos);
      if (pos == line.size()) return Fail("hex data ends in a comma");
    }
  }

  static void SkipBlanks(std::string_view line, size_t* pos) {
    while (*pos < line.size() && IsBlank(line[*pos])) ++*pos;
  }

  Lines lines_;
  Keys* keys_;
  RegistryFile::Problem* problem_;
  bool version5_ = false;
  Section section_ = Section::kNoneYet;
  Values* current_ = nullptr;
};

}  // namespace

bool RegistryFile::Parse(const std::string& bytes, Problem* problem) {
  keys_.clear();
  *problem = Problem();
  std::string decoded;
  std::string_view text;
  if (!DecodeText(bytes, &decoded, &text, problem)) return false;
  Keys keys;
  Parser parser(text, &keys, problem);
  if (!parser.Run()) return false;
  keys_ = std::move(keys);
  return true;
}

RegistryFile::Lookup RegistryFile::Find(const char* subKey, const char* valueName, const std::string** data) const {
  const std::string path = Upper(subKey != nullptr ? subKey : "");
  const auto key = keys_.find(path);
  if (key == keys_.end()) {
    // A key exists also through its sub-keys, and the root always exists.
    const std::string below = path + "\\";
    const auto descendant = keys_.lower_bound(below);
    const bool hasDescendant = descendant != keys_.end() && descendant->first.compare(0, below.size(), below) == 0;
    return path.empty() || hasDescendant ? Lookup::kNoValue : Lookup::kNoKey;
  }
  const auto value = key->second.find(Upper(valueName != nullptr ? valueName : ""));
  if (value == key->second.end()) return Lookup::kNoValue;
  *data = &value->second;
  return Lookup::kFound;
}

}  // namespace platform
