#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/run.h"
#include "support/file_mutex.h"
#include "support/outcome.h"
#include "tests/registry_fixture.h"
#include "tests/test_support.h"

namespace {

TEST(FileMutexRegistry, ExistsEmptyWithItsGuardBeforeTheRun) {
  EXPECT_TRUE(FileManagement::fileMutexes.empty());
  EXPECT_NE(FileManagement::fileMutexesMutex.handle, nullptr);
}

TEST(FileMutexRegistry, AWholeRunLeavesTheMapEmptyAndTheGuardAsItWas) {
  testing_support::TempDir data;
  testing_support::RegistryFixture registry;
  registry.SetText(testing_support::kTestServerKey, "Data Directory", data.str());
  const platform::KernelMutexHandle guard = FileManagement::fileMutexesMutex.handle;
  const std::string longTarget(200, 'P');
  const std::vector<std::vector<const char*>> runs = {
      {"qnpurge", "ALL", "30", "BADMAIL"},             // settings, providers and a phase
      {"qnpurge", longTarget.c_str(), "30", "INBOX"},  // refused
  };
  for (const auto& args : runs) {
    testing_support::CapturedOutput output;
    RunOutcome outcome;
    RunQnpurge(static_cast<int>(args.size()), args.data(), outcome);
    output.Take();
    EXPECT_TRUE(FileManagement::fileMutexes.empty()) << args[1];
    EXPECT_EQ(FileManagement::fileMutexesMutex.handle, guard) << args[1];
  }
}

}  // namespace
