#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/windows/answers.h"

namespace {

using platform::KeyProbe;
using platform::RegistryRead;

// A key refused to this account exists as far as the tool can tell: its settings must not take
// their fallbacks as if it were absent.
TEST(WindowsAnswers, OnlyAMissingKeyOrValueIsAbsent) {
  EXPECT_EQ(platform::KeyOpenOutcome(ERROR_SUCCESS), KeyProbe::kExists);
  EXPECT_EQ(platform::KeyOpenOutcome(ERROR_FILE_NOT_FOUND), KeyProbe::kNoKey);
  EXPECT_EQ(platform::KeyOpenOutcome(ERROR_ACCESS_DENIED), KeyProbe::kFailed);
  EXPECT_EQ(platform::KeyOpenOutcome(ERROR_BADKEY), KeyProbe::kFailed);
  EXPECT_EQ(platform::ValueQueryOutcome(ERROR_SUCCESS), RegistryRead::kRead);
  EXPECT_EQ(platform::ValueQueryOutcome(ERROR_FILE_NOT_FOUND), RegistryRead::kNoValue);
  EXPECT_EQ(platform::ValueQueryOutcome(ERROR_MORE_DATA), RegistryRead::kTooLarge);
  EXPECT_EQ(platform::ValueQueryOutcome(ERROR_ACCESS_DENIED), RegistryRead::kFailed);
}

// A file another run is deleting is gone; one refused for any other reason is a failure.
TEST(WindowsAnswers, AFilePendingDeletionIsGone) {
  constexpr uint32_t kDeletePending = 0xC0000056;
  constexpr uint32_t kAccessDenied = 0xC0000022;
  EXPECT_TRUE(platform::GoneOrBeingDeleted(ERROR_FILE_NOT_FOUND, 0));
  EXPECT_TRUE(platform::GoneOrBeingDeleted(ERROR_ACCESS_DENIED, kDeletePending));
  EXPECT_FALSE(platform::GoneOrBeingDeleted(ERROR_ACCESS_DENIED, kAccessDenied));
  EXPECT_FALSE(platform::GoneOrBeingDeleted(ERROR_PATH_NOT_FOUND, 0));
  EXPECT_FALSE(platform::GoneOrBeingDeleted(ERROR_SHARING_VIOLATION, kDeletePending));
}

std::wstring Join(const std::wstring& prefix, const std::wstring& name) {
  platform::WidePath path;
  if (!platform::JoinPath(path, prefix.c_str(), prefix.size(), name.c_str(), name.size())) return L"(no fit)";
  return path;
}

// Wine does not stop a plain path at MAX_PATH, so the joined path itself is what is checked.
TEST(WindowsAnswers, PathsAreJoinedInTheLiteralFormAtAnyLength) {
  const std::wstring deep = L"C:\\Store\\" + std::wstring(300, L'a') + L"\\";
  EXPECT_EQ(Join(deep, L"x.MAI"), L"\\\\?\\" + deep + L"x.MAI");
  EXPECT_EQ(Join(L"\\\\server\\share\\Inbox\\", L"x.MAI"), L"\\\\?\\UNC\\server\\share\\Inbox\\x.MAI");
  EXPECT_EQ(Join(L"\\\\?\\C:\\Inbox\\", L"x.MAI"), L"\\\\?\\C:\\Inbox\\x.MAI");
  EXPECT_EQ(Join(L"C:\\" + std::wstring(platform::kWidePathSize, L'a'), L"x.MAI"), L"(no fit)");
}

}  // namespace
