#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "tests/registry_fixture.h"

namespace testing_support {

struct RegistryFixture::State {};

namespace {

void ClearTestKeys() {
  for (const char* tree : {"SOFTWARE\\Wow6432Node\\Quillerton", "SOFTWARE\\Quillerton"}) {
    const LONG status = RegDeleteTreeA(HKEY_LOCAL_MACHINE, tree);
    EXPECT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << tree << ": " << status;
  }
}

}  // namespace

RegistryFixture::RegistryFixture() : state_(nullptr) { ClearTestKeys(); }

RegistryFixture::~RegistryFixture() { ClearTestKeys(); }

void RegistryFixture::SetText(const std::string& key, const std::string& name, const std::string& text) {
  SetBytes(key, name, REG_SZ, text + '\0');
}

void RegistryFixture::SetNumber(const std::string& key, const std::string& name, uint32_t value) {
  SetBytes(key, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof value));
}

void RegistryFixture::SetBytes(const std::string& key, const std::string& name, uint32_t type,
                               const std::string& bytes) {
  // RegSetValueExA adds the terminator to a text when the byte after the data is a zero; a byte
  // that is none keeps the data exactly as given.
  std::vector<BYTE> data(bytes.begin(), bytes.end());
  data.push_back('x');
  HKEY handle;
  LONG status =
      RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr);
  ASSERT_EQ(status, ERROR_SUCCESS) << key;
  status = RegSetValueExA(handle, name.c_str(), 0, type, data.data(), static_cast<DWORD>(bytes.size()));
  RegCloseKey(handle);
  ASSERT_EQ(status, ERROR_SUCCESS) << key << " " << name;
}

}  // namespace testing_support
