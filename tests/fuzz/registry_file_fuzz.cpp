// libFuzzer target for the registry-file parser: any bytes, as a file named by
// QNPURGE_REGISTRY could hold them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/registry_file.h"

namespace {

// The keys and values the tool reads, and a few that exports hold.
constexpr const char* kKeys[] = {
    "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton",
    "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton\\Services\\Administration",
    "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton\\Agents\\Log Purge",
    "",
};
constexpr const char* kNames[] = {"Mail Root", "Bad Mail Directory", "UseBufferAppendMode", "Enabled", ""};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::RegistryFile file;
  platform::RegistryFile::Problem problem;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (!file.Parse(bytes, &problem)) {
    // Every refusal says why; the line it names lies within the text.
    if (problem.reason.empty() || problem.line > size + 1) abort();
    return 0;
  }
  for (const char* key : kKeys) {
    for (const char* name : kNames) {
      const std::string* value = nullptr;
      if (file.Find(key, name, &value, nullptr) == platform::RegistryFile::Lookup::kFound && value == nullptr) abort();
    }
  }
  return 0;
}
