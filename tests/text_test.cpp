#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "platform/ascii.h"
#include "platform/files.h"
#include "support/text.h"

namespace {

// The leftmost match, folding only ASCII letters; explicit lengths limit the start positions;
// empty or null needles and short haystacks find nothing.
TEST(FindNoCase, FindsTheLeftmostMatchIgnoringAsciiCase) {
  const char* text = "inbox+deleted";
  EXPECT_EQ(FindNoCase(text, "DELETED"), text + 6);
  const char* axbx = "aXbX";
  EXPECT_EQ(FindNoCase(axbx, "x"), axbx + 1);
  const char* inboxes = "INBOXES";
  EXPECT_EQ(FindNoCase(inboxes, "inbox"), inboxes);
  EXPECT_NE(FindNoCase("caf\xE9", "\xE9"), nullptr);
  EXPECT_EQ(FindNoCase("caf\xE9", "\xC9"), nullptr);
  EXPECT_EQ(FindNoCase("[", "{"), nullptr);  // 0x5B and 0x7B differ by 32 but are no letters
  EXPECT_EQ(FindNoCase("@", "`"), nullptr);

  const char* abc = "abcdef";
  EXPECT_EQ(FindNoCase(abc, "cd", 4, 2), abc + 2);
  EXPECT_EQ(FindNoCase(abc, "cd", 3, 2), nullptr);
  EXPECT_EQ(FindNoCase(abc, "ef", 6, 2), abc + 4);
  for (const auto& [haystack, needle] : {std::pair<const char*, const char*>{"abc", ""},
                                         {"", ""},
                                         {"", "a"},
                                         {"abc", "ABCD"},
                                         {nullptr, "a"},
                                         {"abc", nullptr}}) {
    EXPECT_EQ(FindNoCase(haystack, needle), nullptr) << (needle ? needle : "null");
  }
}

TEST(BoundedText, RefusesWhatDoesNotFitInsteadOfCutting) {
  char small[4];
  EXPECT_EQ(BoundedCopy(small, sizeof small, "abc"), small);
  EXPECT_STREQ(small, "abc");
  EXPECT_EQ(BoundedCopy(small, sizeof small, "abcd"), nullptr);
  EXPECT_STREQ(small, "");

  BoundedCopy(small, sizeof small, "ab");
  EXPECT_EQ(BoundedAppend(small, sizeof small, "cd"), nullptr);
  EXPECT_STREQ(small, "ab");
  EXPECT_EQ(BoundedAppend(small, sizeof small, "c"), small);
  EXPECT_STREQ(small, "abc");

  EXPECT_EQ(BoundedFormat(small, sizeof small, "%d", 123), 3);
  EXPECT_EQ(BoundedFormat(small, sizeof small, "%d", 1234), -1);
  EXPECT_STREQ(small, "");
  // FormatPath joins with the platform's separator.
  char path[64];
  ASSERT_EQ(FormatPath(path, sizeof path, "%s\\%s\\MAILROOT", "root", "PO"), 16);
  const char separator = platform::kPathSeparator;
  EXPECT_EQ(std::string(path), std::string("root") + separator + "PO" + separator + "MAILROOT");
  EXPECT_EQ(FormatPath(path, 8, "%s\\x", "1234567"), -1);
}

TEST(Ascii, ComparisonsFoldOnlyAToZAndCoverTheWholeText) {
  EXPECT_TRUE(ascii::EndsWithNoCase("a.mai", ".MAI"));
  EXPECT_TRUE(ascii::EndsWithNoCase(".MAI", ".MAI"));
  EXPECT_FALSE(ascii::EndsWithNoCase("a.MAIL", ".MAI"));
  EXPECT_FALSE(ascii::EndsWithNoCase("MAI", ".MAI"));
  EXPECT_TRUE(ascii::EqualNoCase("all", "ALL"));
  EXPECT_FALSE(ascii::EqualNoCase("AL", "ALL"));
  EXPECT_FALSE(ascii::EqualNoCase("\xE9", "\xC9"));
}

}  // namespace
