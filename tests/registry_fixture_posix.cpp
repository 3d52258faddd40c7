#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "platform/ascii.h"
#include "tests/registry_fixture.h"
#include "tests/test_support.h"

namespace testing_support {

// The registry as sections of value lines, written whole (UTF-8) after every change.
struct RegistryFixture::State {
  TempDir dir;
  std::string path = (dir / "registry.reg").string();
  std::string saved = getenv("QNPURGE_REGISTRY");  // the test main's empty registry
  std::map<std::string, std::map<std::string, std::string>> keys;

  void Set(const std::string& key, const std::string& name, const std::string& data) {
    std::string quoted = "\"";
    for (char c : name) quoted += (c == '\\' || c == '"') ? std::string("\\") + c : std::string(1, c);
    keys[key][ascii::UpperCopy(name)] = (name.empty() ? "@" : quoted + "\"") + "=" + data;
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
    for (const auto& written : keys) {
      text += "[HKEY_LOCAL_MACHINE\\" + written.first + "]\r\n";
      for (const auto& value : written.second) text += value.second + "\r\n";
    }
    WriteFile(path, text);
  }
};

RegistryFixture::RegistryFixture() : state_(new State) { setenv("QNPURGE_REGISTRY", state_->path.c_str(), 1); }

RegistryFixture::~RegistryFixture() {
  setenv("QNPURGE_REGISTRY", state_->saved.c_str(), 1);
  delete state_;
}

void RegistryFixture::SetText(const std::string& key, const std::string& name, const std::string& text) {
  SetBytes(key, name, platform::kRegistryText, text + '\0');
}

void RegistryFixture::SetNumber(const std::string& key, const std::string& name, uint32_t value) {
  char data[16];
  snprintf(data, sizeof data, "dword:%08x", value);
  state_->Set(key, name, data);
}

void RegistryFixture::SetBytes(const std::string& key, const std::string& name, uint32_t type,
                               const std::string& bytes) {
  // A text is stored as UTF-16 units: each ASCII character and a zero.
  const bool text =
      type == platform::kRegistryText || type == platform::kRegistryExpandText || type == platform::kRegistryMultiText;
  char data[16];
  snprintf(data, sizeof data, "hex(%x):", type);
  std::string list = data;
  for (char c : bytes) {
    snprintf(data, sizeof data, text ? "%02x,00," : "%02x,", static_cast<unsigned char>(c));
    list += data;
  }
  if (!bytes.empty()) list.pop_back();
  state_->Set(key, name, list);
}

}  // namespace testing_support
