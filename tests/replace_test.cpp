#include <gtest/gtest.h>

#include <string>

#include "support/replace.h"
#include "tests/registry_fixture.h"

namespace {

platform::HostSystem host;

using testing_support::kTestServerKey;
using testing_support::RegistryFixture;

// Chooses the mode through the registry, as the tool does, and forgets the choice afterwards.
class ReplaceInStringTest : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (!GetParam()) registry_.SetNumber(kTestServerKey, "UseBufferAppendMode", 0);
    ResetBufferAppendMode();
    ASSERT_EQ(GetBufferAppendMode(host) == 1, GetParam());
  }
  void TearDown() override { ResetBufferAppendMode(); }

  bool AppendMode() const { return GetParam(); }

  RegistryFixture registry_;
};

struct Outcome {
  std::string text;
  int32_t count;
  bool operator==(const Outcome& other) const { return text == other.text && count == other.count; }
};

std::ostream& operator<<(std::ostream& out, const Outcome& outcome) {
  return out << '"' << outcome.text << "\" " << outcome.count;
}

// `rescan` and `caseSensitive` as 0 or 1, so that the table of cases stays short.
Outcome Replace(std::string text, const char* needle, const char* replacement, int32_t limit = 0, int rescan = 0,
                int caseSensitive = 0) {
  const int32_t count = ReplaceInString(host, text, needle, replacement, limit, rescan ? Rescan::kYes : Rescan::kNo,
                                        caseSensitive ? LetterCase::kMatch : LetterCase::kIgnore);
  return {text, count};
}

TEST_P(ReplaceInStringTest, TheCasesBothModesAgreeOn) {
  EXPECT_EQ(Replace("no match here", "xyz", "Q"), (Outcome{"no match here", 0}));
  EXPECT_EQ(Replace("no match here", "xyz", "Q", 0, 0, 1), (Outcome{"no match here", 0}));
  EXPECT_EQ(Replace("a-a-a", "a", "b", 1), (Outcome{"b-a-a", 1}));
  EXPECT_EQ(Replace("a-a-a", "a", "b", 2, 1), (Outcome{"b-b-a", 2}));
  EXPECT_EQ(Replace("xABCyaBcz", "abc", "dEf"), (Outcome{"xdEfydEfz", 2}));
  EXPECT_EQ(Replace("ABC abc", "abc", "_", 0, 0, 1), (Outcome{"ABC _", 1}));
  EXPECT_EQ(Replace("aaaa", "aa", "b"), (Outcome{"bb", 2}));
  EXPECT_EQ(Replace("aaa", "aa", "b"), (Outcome{"ba", 1}));
  EXPECT_EQ(Replace("a", "a", "aa"), (Outcome{"aa", 1}));
  EXPECT_EQ(Replace("aXa", "a", "aa", 0, 0, 1), (Outcome{"aaXaa", 2}));
  EXPECT_EQ(Replace("abc", "abc", ""), (Outcome{"", 1}));
  EXPECT_EQ(Replace("", "a", "b"), (Outcome{"", 0}));
  EXPECT_EQ(Replace("text", "", "b"), (Outcome{"text", 0}));
  EXPECT_EQ(Replace("text", "", "b", 0, 0, 1), (Outcome{"text", 0}));
  EXPECT_EQ(Replace("\xE9t\xC9", "\xE9T\xE9", "x"), (Outcome{"\xE9t\xC9", 0}));  // only a to z fold
  EXPECT_EQ(Replace("SOFTWARE\\QUILLERTON\\Quillerton", "Software\\Quillerton", "Software\\Wow6432Node\\Quillerton", 1),
            (Outcome{"Software\\Wow6432Node\\Quillerton\\Quillerton", 1}));
}

TEST_P(ReplaceInStringTest, RescanSearchesTheInsertedTextOnlyInPlace) {
  const Outcome expected = AppendMode() ? Outcome{"ab", 1} : Outcome{"abbb", 3};
  EXPECT_EQ(Replace("a", "a", "ab", 3, 1), expected);
  EXPECT_EQ(Replace("a", "a", "ab", 3, 1, 1), expected);
  EXPECT_EQ(Replace("xaaax", "aa", "a", 0, 1), AppendMode() ? (Outcome{"xaax", 1}) : (Outcome{"xax", 2}));
}

INSTANTIATE_TEST_SUITE_P(Modes, ReplaceInStringTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Append" : "InPlace"; });

class BufferAppendModeTest : public testing::Test {
 protected:
  void SetUp() override { ResetBufferAppendMode(); }
  void TearDown() override { ResetBufferAppendMode(); }
  RegistryFixture registry_;
};

TEST_F(BufferAppendModeTest, TheStoredValueChoosesAndAnythingUnreadableMeansAppend) {
  EXPECT_EQ(GetBufferAppendMode(host), 1);  // no server key

  registry_.CreateKey(kTestServerKey);
  ResetBufferAppendMode();
  EXPECT_EQ(GetBufferAppendMode(host), 1);  // no value

  registry_.SetNumber(kTestServerKey, "UseBufferAppendMode", 0);
  ResetBufferAppendMode();
  EXPECT_EQ(GetBufferAppendMode(host), 0);

  registry_.SetNumber(kTestServerKey, "UseBufferAppendMode", 2);
  ResetBufferAppendMode();
  EXPECT_EQ(GetBufferAppendMode(host), 2);

  registry_.SetText(kTestServerKey, "UseBufferAppendMode", "1");
  ResetBufferAppendMode();
  EXPECT_EQ(GetBufferAppendMode(host), 49);

  registry_.SetText(kTestServerKey, "UseBufferAppendMode", "12345");
  ResetBufferAppendMode();
  EXPECT_EQ(GetBufferAppendMode(host), 1);
}

TEST_F(BufferAppendModeTest, TheValueIsReadOncePerProcess) {
  registry_.SetNumber(kTestServerKey, "UseBufferAppendMode", 0);
  EXPECT_EQ(GetBufferAppendMode(host), 0);
  registry_.SetNumber(kTestServerKey, "UseBufferAppendMode", 1);
  EXPECT_EQ(GetBufferAppendMode(host), 0);
  registry_.DeleteValue(kTestServerKey, "UseBufferAppendMode");
  EXPECT_EQ(GetBufferAppendMode(host), 0);
}

TEST_F(BufferAppendModeTest, AllBitsSetLeavesTheFlagUnreadSoEveryCallReadsAgain) {
  registry_.SetNumber(kTestServerKey, "UseBufferAppendMode", 0xFFFFFFFF);
  EXPECT_EQ(GetBufferAppendMode(host), -1);
  registry_.SetNumber(kTestServerKey, "UseBufferAppendMode", 0);
  EXPECT_EQ(GetBufferAppendMode(host), 0);
  registry_.SetNumber(kTestServerKey, "UseBufferAppendMode", 1);
  EXPECT_EQ(GetBufferAppendMode(host), 0);
}

TEST_F(BufferAppendModeTest, TheServerKeyIsOpenedWithoutAPathRewrite) {
  registry_.SetNumber("SOFTWARE\\Quillerton\\Quillerton", "UseBufferAppendMode", 0);
  EXPECT_EQ(GetBufferAppendMode(host), 1);
}

}  // namespace
