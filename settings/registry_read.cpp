#include "settings/registry_read.h"

#include <cstring>
#include <memory>
#include <string>

#include "support/replace.h"
#include "support/text.h"

namespace {

// The rewrite of a registry path to its 32-bit view form.
constexpr char kPathNeedle[] = "Software\\Quillerton";
constexpr char kPathReplacement[] = "Software\\Wow6432Node\\Quillerton";

// Reads a text as RegReadString does, and says why a read failed.
TextValue ReadText(platform::System& system, const char* subKey, const char* valueName, char* buffer, int32_t capacity,
                   SubKeyPath subKeyPath, uint32_t* type) {
  if (capacity <= 0) return TextValue::kUnreadable;
  std::string path(subKey != nullptr ? subKey : "");
  if (subKeyPath == SubKeyPath::kToWow6432Node) {
    // No rescan: the append-mode flag is not read.
    BufferAppendMode mode;
    ReplaceInString(system, mode, path, kPathNeedle, kPathReplacement, 1, Rescan::kNo, LetterCase::kIgnore);
  }

  // One byte more than the data accepted, to terminate a stored text that holds no zero.
  std::unique_ptr<char[]> working(new char[static_cast<size_t>(capacity) + 1]);
  uint32_t size = static_cast<uint32_t>(capacity);
  const platform::RegistryRead read = system.QueryRegistryValue(path.c_str(), valueName, working.get(), &size, type);
  if (read != platform::RegistryRead::kRead || size == 0) {
    buffer[0] = '\0';
    const bool absent = read == platform::RegistryRead::kNoKey || read == platform::RegistryRead::kNoValue ||
                        (read == platform::RegistryRead::kRead && size == 0);
    if (absent) return TextValue::kAbsent;
    return read == platform::RegistryRead::kTooLarge ? TextValue::kTooLong : TextValue::kUnreadable;
  }
  working[size] = '\0';
  // Data of exactly `capacity` bytes with no zero among them does not fit the buffer with its
  // terminator: a failed read, and BoundedCopy leaves the buffer empty.
  return BoundedCopy(buffer, static_cast<size_t>(capacity), working.get()) != nullptr ? TextValue::kRead
                                                                                      : TextValue::kTooLong;
}

}  // namespace

bool CheckRegistry(platform::System& system, RunOutcome& outcome) {
  char problem[4096];
  if (!system.RegistryIsReadable(problem, sizeof problem)) {
    outcome.Fail("%s Nothing was done.\n", problem);
    return false;
  }
  // Without the key every setting would take its fallback, and the run would purge a store that
  // is not there, or another one.
  switch (system.ProbeRegistryKey(kServerKey)) {
    case platform::KeyProbe::kExists:
      return true;
    case platform::KeyProbe::kNoKey:
      outcome.Fail(
          "The server key HKEY_LOCAL_MACHINE\\%s does not exist: is the mail server installed on this "
          "machine? Nothing was done.\n",
          kServerKey);
      return false;
    case platform::KeyProbe::kFailed:
      break;
  }
  outcome.Fail(
      "The server key HKEY_LOCAL_MACHINE\\%s cannot be opened (access denied or a registry error): is "
      "the mail server installed on this machine, and may this account read its settings? Nothing was "
      "done.\n",
      kServerKey);
  return false;
}

bool RegReadDword(platform::System& system, const char* subKey, const char* valueName, uint32_t* out) {
  if (subKey == nullptr || subKey[0] == '\0') return false;
  // Data of any type is taken; shorter data fills the low-order bytes and the rest stays 0.
  unsigned char bytes[4] = {};
  uint32_t size = sizeof bytes;
  if (system.QueryRegistryValue(subKey, valueName, bytes, &size, nullptr) != platform::RegistryRead::kRead)
    return false;
  *out = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
  return true;
}

bool RegReadString(platform::System& system, const char* subKey, const char* valueName, char* buffer, int32_t capacity,
                   SubKeyPath path) {
  return ReadText(system, subKey, valueName, buffer, capacity, path, nullptr) == TextValue::kRead;
}

TextValue RegReadText(platform::System& system, const char* subKey, const char* valueName, char* buffer,
                      int32_t capacity) {
  uint32_t type = platform::kRegistryText;
  const TextValue read = ReadText(system, subKey, valueName, buffer, capacity, SubKeyPath::kToWow6432Node, &type);
  if (read != TextValue::kRead) return read;
  if (type != platform::kRegistryText && type != platform::kRegistryExpandText) {
    buffer[0] = '\0';
    return TextValue::kUnreadable;
  }
  return buffer[0] == '\0' ? TextValue::kAbsent : TextValue::kRead;
}

TextValue RegReadAnyText(platform::System& system, const char* subKey, const char* valueName, char* buffer,
                         int32_t capacity) {
  const TextValue read = ReadText(system, subKey, valueName, buffer, capacity, SubKeyPath::kToWow6432Node, nullptr);
  return read == TextValue::kRead && buffer[0] == '\0' ? TextValue::kAbsent : read;
}

bool RegReadString(platform::System& system, const char* subKey, const char* valueName, char* buffer,
                   int32_t capacity) {
  return RegReadString(system, subKey, valueName, buffer, capacity, SubKeyPath::kToWow6432Node);
}

bool GetServerVersion(platform::System& system, char* buffer, int32_t capacity) {
  return RegReadString(system, kServerKey, "Version", buffer, capacity);
}

bool GetProfessionalVersion(platform::System& system, char* buffer, int32_t capacity) {
  return RegReadString(system, kServerKey, "Professional Version", buffer, capacity) && buffer[0] != '\0';
}

bool GetEnterpriseVersion(platform::System& system, char* buffer, int32_t capacity) {
  return RegReadString(system, kServerKey, "Enterprise Version", buffer, capacity) && buffer[0] != '\0';
}

bool GetApplicationDirectory(platform::System& system, char* buffer, int32_t capacity) {
  if (capacity <= 0) return false;
  bool read = RegReadString(system, kServerKey, "Application Directory", buffer, capacity);
  if (read && strlen(buffer) + 2 >= static_cast<size_t>(capacity)) {
    // Too long to take the suffix: a failed read, never a directory cut short.
    buffer[0] = '\0';
    read = false;
  }
  BoundedAppend(buffer, static_cast<size_t>(capacity), "64");
  return read;
}
