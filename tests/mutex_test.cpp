#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "platform/mutex.h"
#include "support/uncalled/file_mutex.h"
#include "support/uncalled/mutex_holder.h"
#include "tests/test_support.h"

namespace {

TEST(Mutex, TwoUnnamedMutexesHoldDistinctHandles) {
  Mutex first("first", nullptr);
  Mutex second("second", nullptr);
  ASSERT_NE(first.handle, nullptr);
  ASSERT_NE(second.handle, nullptr);
  EXPECT_NE(first.handle, second.handle);
}

TEST(FileMutexRegistry, ExistsEmptyWithItsGuardBeforeMain) {
  EXPECT_TRUE(FileManagement::fileMutexes.empty());
  EXPECT_NE(FileManagement::fileMutexesMutex.handle, nullptr);
}

TEST(Mutex, ANamedMutexIsOpenedWhereOneExists) {
  const std::string name = "qnpurge-test-" + std::to_string(std::random_device()());
  EXPECT_EQ(platform::OpenKernelMutex(name.c_str()), nullptr);
  {
    Mutex created("created", name.c_str());
    ASSERT_NE(created.handle, nullptr);
    platform::KernelMutexHandle opened = platform::OpenKernelMutex(name.c_str());
    EXPECT_NE(opened, nullptr);
    EXPECT_NE(opened, created.handle);
    platform::CloseKernelMutex(opened);

    Mutex second("second", name.c_str());
    EXPECT_NE(second.handle, nullptr);
    EXPECT_NE(second.handle, created.handle);
  }
  if (testing_support::IsWindowsBuild()) {
    // The destructors closed the last handles, and with them the named object.
    EXPECT_EQ(platform::OpenKernelMutex(name.c_str()), nullptr);
  } else {
    // A POSIX named semaphore stays until it is unlinked; on Linux it is a file here.
    std::error_code ignored;
    std::filesystem::remove("/dev/shm/sem." + name, ignored);
  }
}

}  // namespace
