#include "platform/registry_file.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/ascii.h"
#include "platform/registry.h"
#include "platform/registry_file_records.h"
#include "platform/registry_file_text.h"

namespace platform {

using namespace registry_file_detail;

namespace {

constexpr char kVersion5Header[] = "Windows Registry Editor Version 5.00";
constexpr char kVersion4Header[] = "REGEDIT4";
constexpr char kLocalMachine[] = "HKEY_LOCAL_MACHINE";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class Parser {
 public:
  Parser(std::string_view text, Arena* arena, Keys* keys, RegistryFile::Problem* problem)
      : lines_(text), arena_(arena), keys_(keys), problem_(problem) {}

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
    const std::string root = ascii::UpperCopy(path.substr(0, separator));
    if (root != kLocalMachine) {
      if (root.size() <= 5 || root.compare(0, 5, "HKEY_") != 0) {
        return Fail("the key path does not begin with a root key such as HKEY_LOCAL_MACHINE");
      }
      section_ = Section::kIgnored;  // another root: read, and of no concern here
      return true;
    }
    std::string subKey =
        separator == std::string_view::npos ? std::string() : ascii::UpperCopy(path.substr(separator + 1));
    while (!subKey.empty() && subKey.back() == '\\') subKey.pop_back();

    if (deletion) {
      if (subKey.empty()) return Fail("the key line would delete HKEY_LOCAL_MACHINE itself");
      DeleteTree(keys_, subKey);
      // The parent stays, as in the registry (the other ancestors exist through it).
      const size_t parent = subKey.rfind('\\');
      if (parent != std::string::npos) OpenKey(arena_, keys_, std::string_view(subKey).substr(0, parent));
      section_ = Section::kIgnored;  // values after a deletion belong to no key
      return true;
    }
    current_ = OpenKey(arena_, keys_, subKey);
    section_ = Section::kKey;
    return true;
  }

  bool ValueLine(std::string_view line) {
    if (section_ == Section::kNoneYet) return Fail("a value comes before the first key line");
    size_t pos = 0;
    Quoted name;
    if (line[0] == '@') {
      pos = 1;
    } else if (!QuotedText(line, &pos, &name)) {
      return false;
    }
    SkipBlanks(line, &pos);
    if (pos >= line.size() || line[pos] != '=') return Fail("the value name is not followed by \"=\"");
    ++pos;
    SkipBlanks(line, &pos);

    // Text is kept as it stands in the line until its record is written, so that a long one is
    // never copied twice.
    Quoted text;
    bool isText = false;
    bool deletion = false;
    uint32_t type = kRegistryText;
    std::string data;
    if (pos < line.size() && line[pos] == '"') {
      if (!QuotedText(line, &pos, &text)) return false;
      if (pos != line.size()) return Fail("something follows the text's closing quote");
      isText = true;
    } else if (line.compare(pos, std::string_view::npos, "-") == 0) {
      deletion = true;
    } else if (ascii::StartsWithNoCase(line.substr(pos), "dword:")) {
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
      type = kRegistryNumber;
    } else if (ascii::StartsWithNoCase(line.substr(pos), "hex")) {
      pos += 3;
      type = kRegistryBinary;
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
      if (version5_ && (type == kRegistryText || type == kRegistryExpandText || type == kRegistryMultiText)) {
        data = NarrowFromUtf16(data, 0);
      }
    } else {
      return Fail("the value's data is not \"text\", dword:, hex: or hex(N):");
    }

    if (section_ != Section::kKey) return true;
    const size_t dataLength = isText ? text.length + 1 : data.size();  // text with its terminating zero
    char* out = AddValue(arena_, &current_->second, name.length, deletion, type, dataLength);
    out = Unescape(name.raw, true, out);
    if (isText) {
      *Unescape(text.raw, false, out) = '\0';
    } else if (!data.empty()) {
      memcpy(out, data.data(), data.size());
    }
    return true;
  }

  bool QuotedText(std::string_view line, size_t* pos, Quoted* out) {
    if (const char* reason = ReadQuoted(line, pos, out)) return Fail(reason);
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
  Arena* arena_;
  Keys* keys_;
  RegistryFile::Problem* problem_;
  bool version5_ = false;
  Section section_ = Section::kNoneYet;
  Keys::iterator current_;  // the key of Section::kKey
};

}  // namespace

struct RegistryFile::Store {
  Store() = default;
  Store(const Store&) = delete;  // the keys' order points at the arena
  Store& operator=(const Store&) = delete;

  Arena arena;
  Keys keys{PathOrder{&arena}};
  // The values Find has handed out, by record: copied out once each, as the pointer has to stay
  // valid.
  std::map<uint32_t, std::string> found;
};

RegistryFile::RegistryFile() = default;
RegistryFile::~RegistryFile() = default;
RegistryFile::RegistryFile(RegistryFile&&) noexcept = default;
RegistryFile& RegistryFile::operator=(RegistryFile&&) noexcept = default;

bool RegistryFile::Parse(const std::string& bytes, Problem* problem) {
  store_.reset();
  *problem = Problem();
  std::string decoded;
  std::string_view text;
  if (!DecodeText(bytes, &decoded, &text, problem)) return false;
  if (text.size() > kLargestText) {
    problem->reason = "the text is larger than 1 GiB";
    return false;
  }
  auto store = std::make_unique<Store>();
  Parser parser(text, &store->arena, &store->keys, problem);
  if (!parser.Run()) return false;
  store_ = std::move(store);
  return true;
}

RegistryFile::Lookup RegistryFile::Find(const char* subKey, const char* valueName, const std::string** data,
                                        uint32_t* type) const {
  const std::string path = ascii::UpperCopy(subKey != nullptr ? subKey : "");
  // A key exists also through its sub-keys, and the root always exists.
  if (store_ == nullptr) return path.empty() ? Lookup::kNoValue : Lookup::kNoKey;
  const Keys& keys = store_->keys;
  const auto key = keys.find(std::string_view(path));
  if (key == keys.end()) {
    const std::string below = path + "\\";
    const auto descendant = keys.lower_bound(std::string_view(below));
    const bool hasDescendant =
        descendant != keys.end() && ReadPath(store_->arena, descendant->first).substr(0, below.size()) == below;
    return path.empty() || hasDescendant ? Lookup::kNoValue : Lookup::kNoKey;
  }
  const std::string name = ascii::UpperCopy(valueName != nullptr ? valueName : "");
  for (uint32_t offset = key->second; offset != kNoRecord;) {
    const ValueRecord record = ReadValue(store_->arena, offset);
    if (record.name == name) {
      if (record.deleted) return Lookup::kNoValue;
      *data = &store_->found.try_emplace(offset, record.data).first->second;
      if (type != nullptr) *type = record.type;
      return Lookup::kFound;
    }
    offset = record.previous;
  }
  return Lookup::kNoValue;
}

}  // namespace platform
