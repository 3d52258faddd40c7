#pragma once

#include <cstdint>
#include <string>

#include "platform/system.h"

namespace testing_support {

/// The server key as the tests write it.
constexpr char kTestServerKey[] = "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton";

/// The registry of one test, written where the tool reads it: on Windows the registry (under
/// Wine, the prefix's), on POSIX a registry file that QNPURGE_REGISTRY names. It starts with
/// nothing under SOFTWARE\Quillerton and SOFTWARE\Wow6432Node\Quillerton, the only places the
/// tests write, and leaves nothing there when it goes. Key paths are below HKEY_LOCAL_MACHINE.
/// Only the tests write the registry; the tool's code never does.
class RegistryFixture {
 public:
  RegistryFixture();
  ~RegistryFixture();
  RegistryFixture(const RegistryFixture&) = delete;
  RegistryFixture& operator=(const RegistryFixture&) = delete;

  /// A text stored as the registry stores one: its characters and a terminating zero.
  void SetText(const std::string& key, const std::string& name, const std::string& text);
  /// A 32-bit number.
  void SetNumber(const std::string& key, const std::string& name, uint32_t value);
  /// `bytes` under `type`, exactly as given: for the text types no terminating zero is added
  /// (the ASCII characters are stored as the registry stores text, one UTF-16 unit each).
  void SetBytes(const std::string& key, const std::string& name, uint32_t type, const std::string& bytes);

 private:
  struct State;
  State* state_;
};

/// The host system, but each registry read is a new HostSystem's: it reads the registry as the
/// fixture last wrote it (natively the registry file is parsed again for every read).
class CurrentRegistrySystem : public platform::HostSystem {
 public:
  platform::RegistryRead QueryRegistryValue(const char* subKey, const char* valueName, void* buffer, uint32_t* size,
                                            uint32_t* type) override {
    return HostSystem().QueryRegistryValue(subKey, valueName, buffer, size, type);
  }
};

}  // namespace testing_support
