#include "platform/registry_file.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ascii.h"

namespace platform {

namespace {

constexpr char kVersion5Header[] = "Windows Registry Editor Version 5.00";
constexpr char kVersion4Header[] = "REGEDIT4";
constexpr char kLocalMachine[] = "HKEY_LOCAL_MACHINE";

// The registry types whose data RegQueryValueExA converts from UTF-16.
constexpr uint32_t kTypeText = 1;
constexpr uint32_t kTypeExpandText = 2;
constexpr uint32_t kTypeMultiText = 7;
constexpr uint32_t kTypeBinary = 3;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
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

// Key paths and values are records laid one after another in blocks of 1 MiB that never move,
// each named by a 32-bit offset: a std::string or a map node per value would cost several times
// a short value line, and growing never copies. Blocks begin on a 64 KiB slot, and the table of
// slots turns an offset into an address. A record over a slot gets a block of its own, so that
// the unused end of a block is under a slot; such a block takes less than twice its size in
// offsets.
class Arena {
 public:
  // `size` bytes (more than none) at `*at`, named by the offset returned.
  uint32_t Allocate(size_t size, char** at) {
    if (size > kSlot) {
      const uint32_t offset = NewBlock(size);
      *at = blocks_.back().get();
      return offset;
    }
    if (size > end_ - free_) {
      free_ = NewBlock(kBlock);
      end_ = free_ + kBlock;
    }
    const uint32_t offset = static_cast<uint32_t>(free_);
    *at = slots_[offset >> kSlotBits] + (offset & (kSlot - 1));
    free_ += size;
    return offset;
  }

  const char* At(uint32_t offset) const { return slots_[offset >> kSlotBits] + (offset & (kSlot - 1)); }

 private:
  static constexpr unsigned kSlotBits = 16;
  static constexpr size_t kSlot = size_t{1} << kSlotBits;
  static constexpr size_t kBlock = 16 * kSlot;

  uint32_t NewBlock(size_t size) {
    const size_t offset = slots_.size() << kSlotBits;
    blocks_.emplace_back(new char[size]);
    for (size_t slot = 0; slot < size; slot += kSlot) slots_.push_back(blocks_.back().get() + slot);
    return static_cast<uint32_t>(offset);
  }

  std::vector<std::unique_ptr<char[]>> blocks_;
  std::vector<char*> slots_;  // the address of each slot's first byte
  size_t free_ = 0;           // the offset of the current block's unused end
  size_t end_ = 0;            // the offset just past the current block
};

// Offsets stay under 2^32 while the text does not pass this: its records take at most 1.5 times
// its size (a 4-byte line "@=-" and its line end makes a 6-byte record), their offsets less than
// twice that.
constexpr size_t kLargestText = size_t{1} << 30;

// Lengths in records as 7 bits a byte, low bits first, a set high bit for more to come: most are
// one byte.
size_t VarintSize(size_t value) {
  size_t size = 1;
  for (; value >= 0x80; value >>= 7) ++size;
  return size;
}

char* PutVarint(size_t value, char* out) {
  for (; value >= 0x80; value >>= 7) *out++ = static_cast<char>(value | 0x80);
  *out++ = static_cast<char>(value);
  return out;
}

const char* GetVarint(const char* in, size_t* value) {
  *value = 0;
  for (unsigned shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(*in++);
    *value |= static_cast<size_t>(byte & 0x7F) << shift;
    if (byte < 0x80) return in;
  }
}

constexpr uint32_t kNoRecord = UINT32_MAX;

// A value record: [the key's previous record, 4 bytes][name length][data length + 1, or 0 for a
// deletion][name in upper case][data]. A key's values are the chain from its newest record: the
// newest record with a name decides, so that a value set again or deleted needs no search when
// the file is read.
struct ValueRecord {
  uint32_t previous;
  std::string_view name;
  bool deleted;
  std::string_view data;
};

ValueRecord ReadValue(const Arena& arena, uint32_t offset) {
  const char* in = arena.At(offset);
  ValueRecord record;
  memcpy(&record.previous, in, sizeof record.previous);
  size_t nameLength;
  size_t dataField;
  in = GetVarint(GetVarint(in + sizeof record.previous, &nameLength), &dataField);
  record.name = std::string_view(in, nameLength);
  record.deleted = dataField == 0;
  record.data = std::string_view(in + nameLength, record.deleted ? 0 : dataField - 1);
  return record;
}

// A key record: [path length][path in upper case].
std::string_view ReadPath(const Arena& arena, uint32_t offset) {
  size_t length;
  const char* in = GetVarint(arena.At(offset), &length);
  return std::string_view(in, length);
}

// Orders key records by their paths, and compares them with paths, so that a look-up needs no
// record.
struct PathOrder {
  using is_transparent = void;
  bool operator()(uint32_t a, uint32_t b) const { return ReadPath(*arena, a) < ReadPath(*arena, b); }
  bool operator()(uint32_t a, std::string_view b) const { return ReadPath(*arena, a) < b; }
  bool operator()(std::string_view a, uint32_t b) const { return a < ReadPath(*arena, b); }
  const Arena* arena;
};

// Key records with the newest value record of each. The node is what a key costs besides its
// path: 40 bytes, where the shortest key line takes 23.
using Keys = std::map<uint32_t, uint32_t, PathOrder>;

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

// A quoted text as it stands between its quotes, escapes and all, and its length without them.
struct Quoted {
  std::string_view raw;
  size_t length = 0;
};

// The characters of a quoted text without its escapes, from `out` on; names go in upper case.
char* Unescape(std::string_view raw, bool upper, char* out) {
  for (size_t i = 0; i < raw.size(); ++i) {
    char c = raw[i];
    if (c == '\\') c = raw[++i];
    if (upper) c = ascii::Upper(c);
    *out++ = c;
  }
  return out;
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
    std::string subKey = separator == std::string_view::npos ? std::string() : ascii::UpperCopy(path.substr(separator + 1));
    while (!subKey.empty() && subKey.back() == '\\') subKey.pop_back();

    if (deletion) {
      if (subKey.empty()) return Fail("the key line would delete HKEY_LOCAL_MACHINE itself");
      DeleteTree(subKey);
      // The parent stays, as in the registry (the other ancestors exist through it).
      const size_t parent = subKey.rfind('\\');
      if (parent != std::string::npos) OpenKey(std::string_view(subKey).substr(0, parent));
      section_ = Section::kIgnored;  // values after a deletion belong to no key
      return true;
    }
    current_ = OpenKey(subKey);
    section_ = Section::kKey;
    return true;
  }

  // The key held at `path`, held from now on if it was not.
  Keys::iterator OpenKey(std::string_view path) {
    const auto key = keys_->lower_bound(path);
    if (key != keys_->end() && ReadPath(*arena_, key->first) == path) return key;
    char* out;
    const uint32_t record = arena_->Allocate(VarintSize(path.size()) + path.size(), &out);
    memcpy(PutVarint(path.size(), out), path.data(), path.size());
    return keys_->emplace_hint(key, record, kNoRecord);
  }

  // The key and the keys below it, without a look at the keys that merely begin with the same
  // text ("A1" when deleting "A"): visiting those made thousands of deletions cost the square of
  // the key count. The keys below are exactly those from subKey + "\\" up to subKey + "]", as
  // ']' follows '\\' in ASCII.
  void DeleteTree(const std::string& subKey) {
    const auto key = keys_->find(std::string_view(subKey));
    if (key != keys_->end()) keys_->erase(key);
    const std::string below = subKey + '\\';
    const std::string past = subKey + ']';
    keys_->erase(keys_->lower_bound(std::string_view(below)), keys_->lower_bound(std::string_view(past)));
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
    } else if (ascii::StartsWithNoCase(line.substr(pos), "hex")) {
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
    const size_t dataLength = isText ? text.length + 1 : data.size();  // text with its terminating zero
    const size_t dataField = deletion ? 0 : dataLength + 1;
    char* out;
    const uint32_t record = arena_->Allocate(sizeof current_->second + VarintSize(name.length) +
                                                 VarintSize(dataField) + name.length + (deletion ? 0 : dataLength),
                                             &out);
    memcpy(out, &current_->second, sizeof current_->second);
    out = Unescape(name.raw, true, PutVarint(dataField, PutVarint(name.length, out + sizeof current_->second)));
    if (isText) {
      *Unescape(text.raw, false, out) = '\0';
    } else if (!data.empty()) {
      memcpy(out, data.data(), data.size());
    }
    current_->second = record;
    return true;
  }

  // A quoted text from the '"' at `*pos`; on return `*pos` is just after the closing quote.
  bool QuotedText(std::string_view line, size_t* pos, Quoted* out) {
    size_t i = *pos + 1;
    size_t escapes = 0;
    for (;;) {
      if (i >= line.size()) return Fail("a text has no closing quote");
      const char c = line[i];
      if (c == '"') break;
      if (c == '\\') {
        if (i + 1 >= line.size()) return Fail("a text has no closing quote");
        const char escaped = line[i + 1];
        if (escaped != '\\' && escaped != '"') return Fail("a text holds an escape other than \\\\ and \\\"");
        ++escapes;
        i += 2;
        continue;
      }
      ++i;
    }
    out->raw = line.substr(*pos + 1, i - *pos - 1);
    out->length = out->raw.size() - escapes;
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

void RegistryFile::Clear() { store_.reset(); }

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

RegistryFile::Lookup RegistryFile::Find(const char* subKey, const char* valueName, const std::string** data) const {
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
      return Lookup::kFound;
    }
    offset = record.previous;
  }
  return Lookup::kNoValue;
}

}  // namespace platform
