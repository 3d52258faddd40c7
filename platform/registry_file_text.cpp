#include "platform/registry_file_text.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ascii.h"

namespace platform::registry_file_detail {

namespace {

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

}  // namespace

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

bool Lines::Next(std::string_view* line) {
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

const char* ReadQuoted(std::string_view line, size_t* pos, Quoted* out) {
  size_t i = *pos + 1;
  size_t escapes = 0;
  for (;;) {
    if (i >= line.size()) return "a text has no closing quote";
    const char c = line[i];
    if (c == '"') break;
    if (c == '\\') {
      if (i + 1 >= line.size()) return "a text has no closing quote";
      const char escaped = line[i + 1];
      if (escaped != '\\' && escaped != '"') return "a text holds an escape other than \\\\ and \\\"";
      ++escapes;
      i += 2;
      continue;
    }
    ++i;
  }
  out->raw = line.substr(*pos + 1, i - *pos - 1);
  out->length = out->raw.size() - escapes;
  *pos = i + 1;
  return nullptr;
}

char* Unescape(std::string_view raw, bool upper, char* out) {
  for (size_t i = 0; i < raw.size(); ++i) {
    char c = raw[i];
    if (c == '\\') c = raw[++i];
    if (upper) c = ascii::Upper(c);
    *out++ = c;
  }
  return out;
}

}  // namespace platform::registry_file_detail
