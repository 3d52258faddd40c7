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

void SetValue(const std::string& key, const std::string& name, DWORD type, const BYTE* data, DWORD size) {
  HKEY handle;
  LONG status =
      RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr);
  ASSERT_EQ(status, ERROR_SUCCESS) << key;
  status = RegSetValueExA(handle, name.c_str(), 0, type, data, size);
  RegCloseKey(handle);
  ASSERT_EQ(status, ERROR_SUCCESS) << key << " " << name;
}

}  // namespace

RegistryFixture::RegistryFixture() : state_(nullptr) { ClearTestKeys(); }

RegistryFixture::~RegistryFixture() { ClearTestKeys(); }

void RegistryFixture::SetText(const std::string& key, const std::string& name, const std::string& text) {
  SetValue(key, name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size() + 1));
}

void RegistryFixture::SetNumber(const std::string& key, const std::string& name, uint32_t value) {
  const DWORD data = value;
  SetValue(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

void RegistryFixture::SetBytes(const std::string& key, const std::string& name, uint32_t type,
                               const std::string& bytes) {
  // RegSetValueExA adds the terminator to a text when the byte after the data is a zero; a byte
  // that is none keeps the data exactly as given.
  std::vector<BYTE> data(bytes.begin(), bytes.end());
  data.push_back('x');
  SetValue(key, name, type, data.data(), static_cast<DWORD>(bytes.size()));
}

void RegistryFixture::CreateKey(const std::string& key) {
  HKEY handle;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr),
            ERROR_SUCCESS)
      << key;
  RegCloseKey(handle);
}

void RegistryFixture::DeleteValue(const std::string& key, const std::string& name) {
  HKEY handle;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_SET_VALUE, &handle), ERROR_SUCCESS) << key;
  RegDeleteValueA(handle, name.c_str());
  RegCloseKey(handle);
}

}  // namespace testing_support
