#include <gtest/gtest.h>

#include <filesystem>

#include "params/errors.h"
#include "params/fileio.h"
#include "test_support.h"

using namespace tps;
namespace fs = std::filesystem;

TEST(Resolver, MatchesExistingEntriesRegardlessOfCase) {
  tpstest::TempDir t;
  fs::create_directories(t.Path() / "data");
  tpstest::WriteBytes(t.Path() / "data" / "Prelvoz.DMT", {1, 2, 3});
  WorkDir wd = t.Work();
  EXPECT_EQ(wd.Resolve("DATA\\prelvoz.dmt"), t.Path() / "data" / "Prelvoz.DMT");
  EXPECT_TRUE(wd.Exists("Data\\PRELVOZ.dmt"));
  EXPECT_EQ(ReadFileBytes(wd, "DATA\\PRELVOZ.DMT"), (Bytes{1, 2, 3}));
}

TEST(Resolver, CreatesMissingEntriesWithTheGivenSpelling) {
  tpstest::TempDir t;
  WorkDir wd = t.Work();
  WriteFileBytes(wd, "SAVES\\state_21.smt", Bytes(400, 7));
  EXPECT_TRUE(fs::exists(t.Path() / "SAVES" / "state_21.smt"));
  // The same directory is found again under another spelling.
  WriteFileBytes(wd, "saves\\state_22.smt", Bytes(400, 8));
  EXPECT_TRUE(fs::exists(t.Path() / "SAVES" / "state_22.smt"));
  EXPECT_FALSE(fs::exists(t.Path() / "saves"));
  // "final.txt" and "Final.txt" are one file.
  WriteText(wd, "Final.txt", "a\r\n");
  AppendTextLines(wd, "final.txt", {"б"});
  EXPECT_EQ(tpstest::ReadString(t.Path() / "Final.txt"), "a\r\n\xE1\r\n");
  EXPECT_FALSE(fs::exists(t.Path() / "final.txt") && !fs::equivalent(t.Path() / "final.txt", t.Path() / "Final.txt"));
}

TEST(Resolver, NestedMixedCaseTree) {
  tpstest::TempDir t;
  fs::create_directories(t.Path() / "Export" / "Sub");
  WorkDir wd = t.Work();
  WriteTextLines(wd, "EXPORT\\sub\\TaskPSK.txt", {"x"});
  EXPECT_TRUE(fs::exists(t.Path() / "Export" / "Sub" / "TaskPSK.txt"));
}

TEST(TextFiles, CodePageAndCrLfAtTheBoundary) {
  tpstest::TempDir t;
  WorkDir wd = t.Work();
  WriteTextLines(wd, "voltage.txt", {"ИТОГО", "", "12.5"});
  EXPECT_EQ(tpstest::ReadString(t.Path() / "voltage.txt"), "\xC8\xD2\xCE\xC3\xCE\r\n\r\n12.5\r\n");
  auto lines = ReadTextLines(wd, "VOLTAGE.TXT");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "ИТОГО");
  EXPECT_EQ(lines[1], "");
}

TEST(FileFailures, RaiseTypedIoErrors) {
  tpstest::TempDir t;
  WorkDir wd = t.Work();
  EXPECT_THROW(ReadFileBytes(wd, "DATA\\missing.dmt"), IoError);
  EXPECT_THROW(ReadTextLines(wd, "nothing.txt"), IoError);
  Bytes b{1, 2, 3};
  ByteReader r(b, "short.bin");
  EXPECT_EQ(r.U16(), 0x0201);
  EXPECT_THROW(r.U16(), IoError);
  // A directory in the way of a file cannot be written.
  fs::create_directories(t.Path() / "Final.txt");
  EXPECT_THROW(WriteText(wd, "final.txt", "x"), IoError);
}

TEST(FileFailures, AtomicWriteKeepsTheOldFileOnFailure) {
  tpstest::TempDir t;
  WorkDir wd = t.Work();
  WriteFileBytesAtomic(wd, "DATA\\KP.dmt", Bytes{9, 9});
  EXPECT_EQ(ReadFileBytes(wd, "DATA\\KP.dmt"), (Bytes{9, 9}));
  fs::create_directories(t.Path() / "DATA" / "KP.dmt.tmp");
  EXPECT_THROW(WriteFileBytesAtomic(wd, "DATA\\KP.dmt", Bytes{1}), IoError);
  EXPECT_EQ(ReadFileBytes(wd, "DATA\\KP.dmt"), (Bytes{9, 9}));
}
