#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "support/replace.h"
#include "support/server_keys.h"
#include "tests/fake_system.h"

namespace {

// The registry holds `stored` as UseBufferAppendMode of the server key (no value when empty); the
// system in front of it counts the reads.
testing_support::FakeSystem fake;
testing_support::FailingSystem host{fake};
void Store(const std::string& stored) {
  fake.registry[kServerKey].erase("UseBufferAppendMode");
  if (!stored.empty()) fake.registry[kServerKey]["UseBufferAppendMode"] = {platform::kRegistryNumber, stored};
  host.FailAt(0);
}
uint64_t Reads() { return host.calls[static_cast<int>(testing_support::FailingSystem::Call::kRegistryRead)]; }

std::string Number(uint32_t value) { return std::string(reinterpret_cast<const char*>(&value), sizeof value); }

// Chooses the mode through the registry, as the tool does.
class ReplaceInStringTest : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    Store(GetParam() ? "" : Number(0));
    ASSERT_EQ(GetBufferAppendMode(host, mode_) == 1, GetParam());
  }

  bool AppendMode() const { return GetParam(); }

  BufferAppendMode mode_;
};

// The text after the replacement, and the count of replacements.
using Outcome = std::pair<std::string, int32_t>;

// `rescan` and `caseSensitive` as 0 or 1, so that the table of cases stays short.
Outcome Replace(BufferAppendMode& mode, std::string text, const char* needle, const char* replacement,
                int32_t limit = 0, int rescan = 0, int caseSensitive = 0) {
  const int32_t count =
      ReplaceInString(host, mode, text, needle, replacement, limit, rescan ? Rescan::kYes : Rescan::kNo,
                      caseSensitive ? LetterCase::kMatch : LetterCase::kIgnore);
  return {text, count};
}

TEST_P(ReplaceInStringTest, TheCasesBothModesAgreeOn) {
  EXPECT_EQ(Replace(mode_, "no match here", "xyz", "Q"), (Outcome{"no match here", 0}));
  EXPECT_EQ(Replace(mode_, "no match here", "xyz", "Q", 0, 0, 1), (Outcome{"no match here", 0}));
  EXPECT_EQ(Replace(mode_, "a-a-a", "a", "b", 1), (Outcome{"b-a-a", 1}));
  EXPECT_EQ(Replace(mode_, "a-a-a", "a", "b", 2, 1), (Outcome{"b-b-a", 2}));
  EXPECT_EQ(Replace(mode_, "xABCyaBcz", "abc", "dEf"), (Outcome{"xdEfydEfz", 2}));
  EXPECT_EQ(Replace(mode_, "ABC abc", "abc", "_", 0, 0, 1), (Outcome{"ABC _", 1}));
  EXPECT_EQ(Replace(mode_, "aaaa", "aa", "b"), (Outcome{"bb", 2}));
  EXPECT_EQ(Replace(mode_, "aaa", "aa", "b"), (Outcome{"ba", 1}));
  EXPECT_EQ(Replace(mode_, "a", "a", "aa"), (Outcome{"aa", 1}));
  EXPECT_EQ(Replace(mode_, "aXa", "a", "aa", 0, 0, 1), (Outcome{"aaXaa", 2}));
  EXPECT_EQ(Replace(mode_, "abc", "abc", ""), (Outcome{"", 1}));
  EXPECT_EQ(Replace(mode_, "", "a", "b"), (Outcome{"", 0}));
  EXPECT_EQ(Replace(mode_, "text", "", "b"), (Outcome{"text", 0}));
  EXPECT_EQ(Replace(mode_, "text", "", "b", 0, 0, 1), (Outcome{"text", 0}));
  EXPECT_EQ(Replace(mode_, "\xE9t\xC9", "\xE9T\xE9", "x"), (Outcome{"\xE9t\xC9", 0}));  // only a to z fold
  EXPECT_EQ(Replace(mode_, "SOFTWARE\\QUILLERTON\\Quillerton", "Software\\Quillerton",
                    "Software\\Wow6432Node\\Quillerton", 1),
            (Outcome{"Software\\Wow6432Node\\Quillerton\\Quillerton", 1}));
}

TEST_P(ReplaceInStringTest, RescanSearchesTheInsertedTextOnlyInPlace) {
  const Outcome expected = AppendMode() ? Outcome{"ab", 1} : Outcome{"abbb", 3};
  EXPECT_EQ(Replace(mode_, "a", "a", "ab", 3, 1), expected);
  EXPECT_EQ(Replace(mode_, "a", "a", "ab", 3, 1, 1), expected);
  EXPECT_EQ(Replace(mode_, "xaaax", "aa", "a", 0, 1), AppendMode() ? (Outcome{"xaax", 1}) : (Outcome{"xax", 2}));
}

INSTANTIATE_TEST_SUITE_P(Modes, ReplaceInStringTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Append" : "InPlace"; });

// Each owner reads the flag once, unless all its bits are set, and only for a rescan; anything
// unreadable means append.
TEST(BufferAppendMode, TheOwnerReadsTheStoredValueOnce) {
  const auto fresh = [](const std::string& stored) {
    Store(stored);
    BufferAppendMode mode;
    return GetBufferAppendMode(host, mode);
  };
  EXPECT_EQ(fresh(""), 1);
  EXPECT_EQ(fresh(Number(0)), 0);
  EXPECT_EQ(fresh(Number(2)), 2);
  EXPECT_EQ(fresh(std::string("1", 2)), 49);  // a text "1"
  EXPECT_EQ(fresh("12345"), 1);               // too large

  BufferAppendMode mode;
  Store(Number(0));
  EXPECT_EQ(GetBufferAppendMode(host, mode), 0);
  Store(Number(1));
  EXPECT_EQ(GetBufferAppendMode(host, mode), 0);
  EXPECT_EQ(Reads(), 0u);

  BufferAppendMode untouched;
  Replace(untouched, "a-a", "a", "b");  // without a rescan the modes agree: nothing to read
  EXPECT_EQ(Reads(), 0u);

  BufferAppendMode unread;
  Store(Number(0xFFFFFFFF));
  EXPECT_EQ(GetBufferAppendMode(host, unread), -1);
  Store(Number(0));
  EXPECT_EQ(GetBufferAppendMode(host, unread), 0);
  Store(Number(1));
  EXPECT_EQ(GetBufferAppendMode(host, unread), 0);
}

}  // namespace
