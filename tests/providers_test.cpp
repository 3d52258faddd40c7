#include <gtest/gtest.h>

#include <string>

#include "providers/providers.h"
#include "settings/server_settings.h"
#include "support/text.h"
#include "tests/test_support.h"

namespace {

TEST(Providers, ReleasedHandlesAreClearedSoNothingCallsThroughThem) {
  ServerSettings settings;
  ProviderSet providers;
  std::string directory = QNPURGE_PROVIDER_DIR;
  if (testing_support::IsWindowsBuild()) {
    // Wine shows the Linux root as drive Z:.
    for (char& c : directory) c = c == '/' ? '\\' : c;
    directory = "Z:" + directory;
  }
  BoundedCopy(settings.providerDirectory, sizeof settings.providerDirectory, directory.c_str());
  testing_support::CapturedOutput output;
  ASSERT_EQ(LoadStoreProvider(settings, providers), 1) << output.Take();
  FreeProviders(providers);
  EXPECT_EQ(providers.store, nullptr);
}

}  // namespace
