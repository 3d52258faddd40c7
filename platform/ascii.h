#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text comparisons that ignore case fold only the letters a to z, whatever the locale: what the
// runtime's functions do in the default "C" locale, and what the registry does with the names the
// tool asks for. Every layer uses these; none folds case on its own.
namespace ascii {

/// `c` with a to z in upper case; every other byte unchanged.
constexpr char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

/// `text` with a to z in upper case.
inline std::string UpperCopy(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = Upper(c);
  return upper;
}

/// True when `text` begins with `prefix`, ignoring the case of a to z.
constexpr bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (prefix.size() > text.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (Upper(text[i]) != Upper(prefix[i])) return false;
  }
  return true;
}

/// True when `a` and `b` are the same text, ignoring the case of a to z.
constexpr bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithNoCase(a, b);
}

/// True when `text` ends with `suffix`, ignoring the case of a to z.
constexpr bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return suffix.size() <= text.size() && StartsWithNoCase(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace ascii
