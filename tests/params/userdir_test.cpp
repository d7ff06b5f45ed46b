#include "params/userdir.h"

#include <gtest/gtest.h>

using tps::UserWorkDir;

TEST(UserWorkDir, TheUsersDataFolderUnlessNoAbsolutePlaceIsGiven) {
  EXPECT_EQ(UserWorkDir("/home/u/data", "/home/u"), "/home/u/data/tpscalc");
  EXPECT_EQ(UserWorkDir(nullptr, "/home/u"), "/home/u/.local/share/tpscalc");
  EXPECT_EQ(UserWorkDir("", "/home/u"), "/home/u/.local/share/tpscalc");
  EXPECT_EQ(UserWorkDir("data", "/home/u"), "/home/u/.local/share/tpscalc");  // relative: ignored
  EXPECT_EQ(UserWorkDir(nullptr, nullptr), "");
  EXPECT_EQ(UserWorkDir("rel", "also/rel"), "");
}
