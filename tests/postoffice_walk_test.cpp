#include <gtest/gtest.h>

#include "purge/postoffice_walk.h"

namespace {

TEST(IsUsableStoreName, RefusesNamesThatWouldLeaveTheFolderOrNameNothing) {
  for (const char* name : {"", ".", "..", "a\\b", "a/b", "C:", "x:y", "/", "\\"}) {
    EXPECT_FALSE(IsUsableStoreName(name)) << name;
  }
  for (const char* name : {"Main", "john.smith", "...", ".hidden", "a b", "Junk E-mail"}) {
    EXPECT_TRUE(IsUsableStoreName(name)) << name;
  }
}

}  // namespace
