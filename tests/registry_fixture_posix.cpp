#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/ascii.h"
#include "tests/registry_fixture.h"
#include "tests/test_support.h"

namespace testing_support {

namespace {

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

// Comma-separated hex bytes, continued after 25 bytes as `reg export` does.
std::string HexList(const std::string& bytes) {
  std::string out;
  char byte[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) out += (i % 25 == 0) ? ",\\\r\n  " : ",";
    snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(bytes[i]));
    out += byte;
  }
  return out;
}

}  // namespace

// The registry as sections of value lines, written whole as `reg export` writes it (UTF-16LE
// with its byte-order mark) after every change.
struct RegistryFixture::State {
  TempDir dir;
  std::string path = (dir / "registry.reg").string();
  bool hadEnvironment = false;
  std::string savedEnvironment;
  std::vector<std::pair<std::string, std::map<std::string, std::string>>> keys;

  std::map<std::string, std::string>& Key(const std::string& key) {
    for (auto& entry : keys) {
      if (entry.first == key) return entry.second;
    }
    keys.emplace_back(key, std::map<std::string, std::string>());
    return keys.back().second;
  }

  void Write() {
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
    for (const auto& key : keys) {
      text += "[HKEY_LOCAL_MACHINE\\" + key.first + "]\r\n";
      for (const auto& value : key.second) text += value.second + "\r\n";
      text += "\r\n";
    }
    std::string bytes = "\xFF\xFE";
    for (char c : text) {
      EXPECT_GE(c, 0) << "the fixture writes ASCII only";
      bytes += c;
      bytes += '\0';
    }
    WriteFile(path, bytes);
  }

  void Set(const std::string& key, const std::string& name, const std::string& data) {
    Key(key)[ascii::UpperCopy(name)] = (name.empty() ? std::string("@") : Quoted(name)) + "=" + data;
    Write();
  }
};

RegistryFixture::RegistryFixture() : state_(new State) {
  const char* existing = getenv("QNPURGE_REGISTRY");
  state_->hadEnvironment = existing != nullptr;
  if (existing != nullptr) state_->savedEnvironment = existing;
  setenv("QNPURGE_REGISTRY", state_->path.c_str(), 1);
  state_->Write();
}

RegistryFixture::~RegistryFixture() {
  if (state_->hadEnvironment) {
    setenv("QNPURGE_REGISTRY", state_->savedEnvironment.c_str(), 1);
  } else {
    unsetenv("QNPURGE_REGISTRY");
  }
  delete state_;
}

void RegistryFixture::SetText(const std::string& key, const std::string& name, const std::string& text) {
  state_->Set(key, name, Quoted(text));
}

void RegistryFixture::SetNumber(const std::string& key, const std::string& name, uint32_t value) {
  char data[16];
  snprintf(data, sizeof data, "dword:%08x", value);
  state_->Set(key, name, data);
}

void RegistryFixture::SetBytes(const std::string& key, const std::string& name, uint32_t type,
                               const std::string& bytes) {
  std::string stored = bytes;
  using namespace platform;
  if (type == kRegistryText || type == kRegistryExpandText || type == kRegistryMultiText) {
    stored.clear();
    for (char c : bytes) {
      stored += c;
      stored += '\0';
    }
  }
  char prefix[16];
  if (type == kRegistryBinary) {
    snprintf(prefix, sizeof prefix, "hex:");
  } else {
    snprintf(prefix, sizeof prefix, "hex(%x):", type);
  }
  state_->Set(key, name, prefix + HexList(stored));
}

void RegistryFixture::CreateKey(const std::string& key) {
  state_->Key(key);
  state_->Write();
}

void RegistryFixture::DeleteValue(const std::string& key, const std::string& name) {
  state_->Key(key).erase(ascii::UpperCopy(name));
  state_->Write();
}

}  // namespace testing_support
