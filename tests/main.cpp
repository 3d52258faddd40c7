#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/test_support.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Whatever the caller's environment says, the tests read a registry of their own: on the
  // machine of a mail server the default registry file would point them at the real store.
  testing_support::TempDir folder;
  const auto registry = folder / "registry.reg";
  testing_support::WriteFile(registry, "Windows Registry Editor Version 5.00\r\n");
  static std::string setting;
  setting = "QNPURGE_REGISTRY=" + registry.string();
  putenv(&setting[0]);
  return RUN_ALL_TESTS();
}
