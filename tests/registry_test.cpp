#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "platform/registry.h"
#include "settings/registry_read.h"
#include "tests/registry_fixture.h"

namespace {

testing_support::CurrentRegistrySystem host;

using platform::kRegistryBinary;
using platform::kRegistryText;
using testing_support::kTestServerKey;
using testing_support::RegistryFixture;

constexpr char kServicesKey[] = "SOFTWARE\\Wow6432Node\\Quillerton\\Quillerton\\Services";
// The same path without the 32-bit view: only the tests write here.
constexpr char kServicesKey64[] = "SOFTWARE\\Quillerton\\Quillerton\\Services";

using Read = std::pair<int, std::string>;

class RegistryTest : public testing::Test {
 protected:
  // Reads through RegReadString into a buffer that starts full of '#', so that an emptied
  // buffer shows.
  // Gives the result and the text.
  Read ReadString(const char* key, const char* name, int32_t capacity, SubKeyPath path = SubKeyPath::kToWow6432Node) {
    std::string buffer(static_cast<size_t>(capacity) + 8, '#');
    const int result = RegReadString(host, key, name, &buffer[0], capacity, path);
    EXPECT_EQ(buffer.substr(static_cast<size_t>(capacity)), std::string(8, '#')) << "written past the capacity";
    return Read(result, buffer.c_str());
  }

  RegistryFixture registry_;
};

TEST_F(RegistryTest, NumbersAreTheStoredBytesOfAnyType) {
  registry_.SetNumber(kTestServerKey, "number", 0x12345678);
  registry_.SetText(kTestServerKey, "one", "1");
  registry_.SetText(kTestServerKey, "abc", "abc");
  registry_.SetText(kTestServerKey, "long", "12345");
  registry_.SetBytes(kTestServerKey, "two bytes", kRegistryBinary, "\x01\x02");
  registry_.SetBytes(kTestServerKey, "five bytes", kRegistryBinary, std::string("\x01\x02\x03\x04\x05"));
  registry_.SetBytes(kTestServerKey, "no bytes", kRegistryBinary, "");
  // The result and the value, which a read that fails leaves as it was.
  const auto read = [](const char* key, const char* name) {
    uint32_t value = 7;
    const int result = RegReadDword(host, key, name, &value);
    return std::make_pair(result, value);
  };
  EXPECT_EQ(read(kTestServerKey, "number"), std::make_pair(1, 0x12345678u));
  EXPECT_EQ(read(kTestServerKey, "one"), std::make_pair(1, 49u));  // '1' and its terminating zero
  EXPECT_EQ(read(kTestServerKey, "abc"), std::make_pair(1, 0x00636261u));
  EXPECT_EQ(read(kTestServerKey, "two bytes"), std::make_pair(1, 0x0201u));
  EXPECT_EQ(read(kTestServerKey, "no bytes"), std::make_pair(1, 0u));
  EXPECT_EQ(read(kTestServerKey, "long"), std::make_pair(0, 7u));  // six bytes do not fit four
  EXPECT_EQ(read(kTestServerKey, "five bytes"), std::make_pair(0, 7u));
  EXPECT_EQ(read(kTestServerKey, "missing"), std::make_pair(0, 7u));
  EXPECT_EQ(read("SOFTWARE\\Wow6432Node\\Quillerton\\Missing", "number"), std::make_pair(0, 7u));
  EXPECT_EQ(read("", "number"), std::make_pair(0, 7u));
  // Numbers are read from the path as given, never the 32-bit view.
  registry_.SetNumber(kServicesKey, "n", 1);
  registry_.SetNumber(kServicesKey64, "n", 2);
  EXPECT_EQ(read(kServicesKey64, "n"), std::make_pair(1, 2u));
}

// A text of capacity - 1 characters is read whole, one more fails; an empty text is read, no
// data bytes are not; stored bytes without a zero are terminated after the bytes read, and must
// leave room for it. A read that fails leaves the buffer empty.
TEST_F(RegistryTest, TextsAreReadWholeWithinTheCapacityOrNotAtAll) {
  registry_.SetText(kTestServerKey, "fits", std::string(1023, 'f'));
  registry_.SetText(kTestServerKey, "too long", std::string(1024, 'l'));
  registry_.SetText(kTestServerKey, "empty", "");
  registry_.SetBytes(kTestServerKey, "no bytes", kRegistryText, "");
  registry_.SetBytes(kTestServerKey, "abcd", kRegistryBinary, "abcd");
  registry_.SetBytes(kTestServerKey, "inner zero", kRegistryBinary, std::string("ab\0cd", 5));
  registry_.SetNumber(kTestServerKey, "number", 0x00434241);
  EXPECT_EQ(ReadString(kTestServerKey, "fits", 1024), Read(1, std::string(1023, 'f')));
  EXPECT_EQ(ReadString(kTestServerKey, "too long", 1024), Read(0, ""));
  EXPECT_EQ(ReadString(kTestServerKey, "empty", 16), Read(1, ""));
  EXPECT_EQ(ReadString(kTestServerKey, "no bytes", 16), Read(0, ""));
  EXPECT_EQ(ReadString(kTestServerKey, "missing", 16), Read(0, ""));
  EXPECT_EQ(ReadString("SOFTWARE\\Wow6432Node\\Quillerton\\Missing", "empty", 16), Read(0, ""));
  EXPECT_EQ(ReadString(kTestServerKey, "abcd", 8), Read(1, "abcd"));
  EXPECT_EQ(ReadString(kTestServerKey, "abcd", 5), Read(1, "abcd"));
  EXPECT_EQ(ReadString(kTestServerKey, "abcd", 4), Read(0, ""));  // no room for the terminator
  EXPECT_EQ(ReadString(kTestServerKey, "abcd", 3), Read(0, ""));
  EXPECT_EQ(ReadString(kTestServerKey, "inner zero", 8), Read(1, "ab"));
  EXPECT_EQ(ReadString(kTestServerKey, "number", 8), Read(1, "ABC"));
  char untouched[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(RegReadString(host, kTestServerKey, "empty", untouched, 0), 0);
  EXPECT_EQ(untouched[0], '#');
}

TEST_F(RegistryTest, TextPathsAreRewrittenToThe32BitViewInAnyLetterCase) {
  registry_.SetText(kServicesKey, "where", "32-bit view");
  registry_.SetText(kServicesKey64, "where", "64-bit view");
  for (const char* path : {"Software\\Quillerton\\Quillerton\\Services", "SOFTWARE\\QUILLERTON\\Quillerton\\Services",
                           "software\\quillerton\\Quillerton\\Services", kServicesKey}) {
    EXPECT_EQ(ReadString(path, "where", 64), Read(1, "32-bit view")) << path;
  }
  EXPECT_EQ(ReadString(kServicesKey64, "where", 64, SubKeyPath::kAsGiven), Read(1, "64-bit view"));
  EXPECT_EQ(ReadString(kServicesKey, "where", 64, SubKeyPath::kAsGiven), Read(1, "32-bit view"));
}

TEST_F(RegistryTest, VersionTextsAndTheEmptyText) {
  char buffer[128];
  EXPECT_EQ(GetServerVersion(host, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(GetProfessionalVersion(host, buffer, sizeof buffer), 0);
  EXPECT_EQ(GetEnterpriseVersion(host, buffer, sizeof buffer), 0);

  registry_.SetText(kTestServerKey, "Version", "");
  registry_.SetText(kTestServerKey, "Professional Version", "");
  registry_.SetText(kTestServerKey, "Enterprise Version", "12.5");
  strcpy(buffer, "stale");
  EXPECT_EQ(GetServerVersion(host, buffer, sizeof buffer), 1);
  EXPECT_STREQ(buffer, "");
  strcpy(buffer, "stale");
  EXPECT_EQ(GetProfessionalVersion(host, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(GetEnterpriseVersion(host, buffer, sizeof buffer), 1);
  EXPECT_STREQ(buffer, "12.5");
}

TEST_F(RegistryTest, TheApplicationDirectoryTakes64OrCountsAsFailed) {
  std::string text(20, '#');
  EXPECT_EQ(GetApplicationDirectory(host, &text[0], 16), 0);
  EXPECT_STREQ(text.c_str(), "64");

  registry_.SetText(kTestServerKey, "Application Directory", "D:\\Server\\Bin");
  EXPECT_EQ(GetApplicationDirectory(host, &text[0], 16), 1);
  EXPECT_STREQ(text.c_str(), "D:\\Server\\Bin64");

  // 13 characters take "64" within 16 bytes; 14 would need 17.
  registry_.SetText(kTestServerKey, "Application Directory", "D:\\Server\\Bin2");
  text.assign(20, '#');
  EXPECT_EQ(GetApplicationDirectory(host, &text[0], 16), 0);
  EXPECT_STREQ(text.c_str(), "64");
  EXPECT_EQ(text.substr(16), "####");

  registry_.SetText(kTestServerKey, "Application Directory", "");
  EXPECT_EQ(GetApplicationDirectory(host, &text[0], 16), 1);
  EXPECT_STREQ(text.c_str(), "64");
}

}  // namespace
