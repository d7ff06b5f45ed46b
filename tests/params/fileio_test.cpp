#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>

#include "params/conv.h"
#include "params/errors.h"
#include "params/fileio.h"
#include "test_support.h"

using namespace tps;
namespace fs = std::filesystem;

namespace {

// The message of the IoError an operation raises, or "" when it raises none.
template <class F>
std::string IoMessage(F&& f) {
  try {
    f();
  } catch (const IoError& e) {
    return e.what();
  }
  return "";
}

std::set<std::string> Entries(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

}  // namespace

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

TEST(FileFailures, SavesLeaveNoTemporaryFileAndKeepTheOldOne) {
  tpstest::TempDir t;
  WorkDir wd = t.Work();
  WriteFileBytesAtomic(wd, "DATA\\KP.dmt", Bytes{9, 9});
  EXPECT_EQ(ReadFileBytes(wd, "DATA\\KP.dmt"), (Bytes{9, 9}));
  // A full disk in the middle of the write: the old file stays whole and no
  // temporary file is left beside it.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 10;
  setrlimit(RLIMIT_FSIZE, &small);
  std::string msg = IoMessage([&] { WriteFileBytesAtomic(wd, "DATA\\KP.dmt", Bytes(100, 1)); });
  std::string textMsg = IoMessage([&] { WriteTextLines(wd, "DATA\\KP.dmt", {std::string(100, 'x')}); });
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(msg, "Ошибка записи файла: DATA\\KP.dmt");
  EXPECT_EQ(textMsg, "Ошибка записи файла: DATA\\KP.dmt");
  EXPECT_EQ(ReadFileBytes(wd, "DATA\\KP.dmt"), (Bytes{9, 9}));
  EXPECT_EQ(Entries(t.Path() / "DATA"), std::set<std::string>{"KP.dmt"});
  // A folder in place of the file: refused, nothing left behind.
  fs::create_directories(t.Path() / "Graph" / "dp.gmt");
  EXPECT_EQ(IoMessage([&] { WriteFileBytesAtomic(wd, "Graph\\dp.gmt", Bytes{1}); }),
            "Вместо файла папка: Graph\\dp.gmt");
  EXPECT_EQ(Entries(t.Path() / "Graph"), std::set<std::string>{"dp.gmt"});
  // Another run's temporary file under the old fixed name does not stop a save.
  fs::remove(t.Path() / "Graph" / "dp.gmt");
  fs::create_directories(t.Path() / "Graph" / "dp.gmt.tmp");
  WriteFileBytesAtomic(wd, "Graph\\dp.gmt", Bytes{4, 5});
  EXPECT_EQ(ReadFileBytes(wd, "Graph\\dp.gmt"), (Bytes{4, 5}));
  EXPECT_EQ(Entries(t.Path() / "Graph"), (std::set<std::string>{"dp.gmt", "dp.gmt.tmp"}));
}

TEST(Confinement, NothingOutsideTheWorkingDirectoryIsReadOrWritten) {
  tpstest::TempDir t, outside;
  const fs::path o = outside.Path();
  for (const char* v : {"v1", "v2", "v3", "v4", "v5"}) tpstest::WriteBytes(o / v, {'k', 'e', 'e', 'p'});
  fs::create_symlink(o / "v1", t.Path() / "final.txt");
  fs::create_symlink(o / "v2", t.Path() / "voltage.txt");
  fs::create_directories(t.Path() / "Temp");
  fs::create_symlink(o / "v3", t.Path() / "Temp" / "matrM.txt");
  fs::create_directories(t.Path() / "Graph");
  fs::create_symlink(o / "v4", t.Path() / "Graph" / "dp.gmt.tmp");
  fs::create_symlink(o / "absent.bin", t.Path() / "Graph" / "dp.gmt");  // leads nowhere yet
  fs::create_directory_symlink(o, t.Path() / "Export");
  fs::create_directories(t.Path() / "DATA");
  fs::create_symlink("../../" + o.filename().string() + "/v5", t.Path() / "DATA" / "KP.dmt");
  WorkDir wd = t.Work();

  EXPECT_EQ(IoMessage([&] { TruncateFile(wd, "final.txt"); }),
            "Путь ведёт за пределы рабочей папки: final.txt");
  EXPECT_NE(IoMessage([&] { AppendText(wd, "Final.txt", "x\r\n"); }), "");
  EXPECT_NE(IoMessage([&] { WriteTextLines(wd, "voltage.txt", {"x"}); }), "");
  EXPECT_NE(IoMessage([&] { WriteTextLines(wd, "Temp\\matrM.txt", {"x"}); }), "");
  EXPECT_EQ(IoMessage([&] { WriteFileBytesAtomic(wd, "Graph\\dp.gmt", Bytes{1}); }),
            "Путь ведёт за пределы рабочей папки: Graph\\dp.gmt");
  EXPECT_EQ(IoMessage([&] { WriteText(wd, "Export\\TaskPSK.txt", "x"); }),
            "Путь ведёт за пределы рабочей папки: Export\\TaskPSK.txt");
  EXPECT_NE(IoMessage([&] { WriteFileBytes(wd, "DATA\\KP.dmt", Bytes{1}); }), "");
  const std::string up = "..\\" + o.filename().string() + "\\v5";
  EXPECT_EQ(IoMessage([&] { WriteText(wd, up, "x"); }), "Путь ведёт за пределы рабочей папки: " + up);
  EXPECT_NE(IoMessage([&] { DeleteFile(wd, "final.txt"); }), "");
  // Reads too.
  EXPECT_NE(IoMessage([&] { ReadFileBytes(wd, "final.txt"); }), "");
  EXPECT_NE(IoMessage([&] { ReadTextLines(wd, "Export\\v2"); }), "");
  EXPECT_NE(IoMessage([&] { ReadFileBytes(wd, "DATA\\kp.dmt"); }), "");
  EXPECT_NE(IoMessage([&] { ReadFileBytes(wd, up); }), "");
  // Counted as present, so that no "write it when missing" goes there.
  EXPECT_TRUE(wd.Exists("voltage.txt"));
  EXPECT_TRUE(wd.Exists("Graph\\dp.gmt"));

  EXPECT_EQ(Entries(o), (std::set<std::string>{"v1", "v2", "v3", "v4", "v5"}));
  for (const char* v : {"v1", "v2", "v3", "v4", "v5"}) EXPECT_EQ(tpstest::ReadString(o / v), "keep") << v;

  // A link that stays inside is followed, and stays a link.
  fs::create_directories(t.Path() / "SAVES");
  fs::create_symlink("SAVES/real.smt", t.Path() / "inside.smt");
  WriteFileBytes(wd, "inside.smt", Bytes{1, 2});
  AppendText(wd, "Inside.smt", "3");
  EXPECT_EQ(tpstest::ReadString(t.Path() / "SAVES" / "real.smt"),
            "\x01\x02"
            "3");
  EXPECT_TRUE(fs::is_symlink(t.Path() / "inside.smt"));
  EXPECT_EQ(ReadFileBytes(wd, "INSIDE.SMT"), (Bytes{1, 2, '3'}));
  EXPECT_EQ(ReadFileBytes(wd, "SAVES\\..\\inside.smt"), (Bytes{1, 2, '3'}));
}

TEST(SpecialFiles, AreRefusedWithoutWaiting) {
  tpstest::TempDir t;
  WorkDir wd = t.Work();
  fs::create_directories(t.Path() / "SAVES" / "state_11.smt");
  ASSERT_EQ(mkfifo((t.Path() / "SAVES" / "state_12.smt").c_str(), 0644), 0);
  ASSERT_EQ(mkfifo((t.Path() / "Final.txt").c_str(), 0644), 0);
  EXPECT_EQ(IoMessage([&] { ReadFileBytes(wd, "SAVES\\state_11.smt"); }),
            "Вместо файла папка: SAVES\\state_11.smt");
  EXPECT_EQ(IoMessage([&] { ReadFileBytes(wd, "SAVES\\state_12.smt"); }),
            "Вместо файла канал (FIFO): SAVES\\state_12.smt");
  EXPECT_EQ(IoMessage([&] { ReadTextLines(wd, "final.txt"); }), "Вместо файла канал (FIFO): final.txt");
  EXPECT_EQ(IoMessage([&] { AppendTextLines(wd, "final.txt", {"x"}); }),
            "Вместо файла канал (FIFO): final.txt");
  EXPECT_EQ(IoMessage([&] { TruncateFile(wd, "final.txt"); }), "Вместо файла канал (FIFO): final.txt");
  EXPECT_EQ(IoMessage([&] { DeleteFile(wd, "SAVES\\state_11.smt"); }),
            "Вместо файла папка: SAVES\\state_11.smt");
  EXPECT_TRUE(fs::is_directory(t.Path() / "SAVES" / "state_11.smt"));
  // A device node, where the system lets us make one.
  if (mknod((t.Path() / "voltage.txt").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
    EXPECT_EQ(IoMessage([&] { ReadTextLines(wd, "voltage.txt"); }), "Вместо файла устройство: voltage.txt");
    EXPECT_EQ(IoMessage([&] { AppendText(wd, "voltage.txt", "x"); }), "Вместо файла устройство: voltage.txt");
  }
}

TEST(FileFailures, MessagesSayWhatHappened) {
  tpstest::TempDir t;
  WorkDir wd = t.Work();
  EXPECT_EQ(IoMessage([&] { ReadFileBytes(wd, "DATA\\missing.dmt"); }), "Файл не найден: DATA\\missing.dmt");
  // A file in place of a folder on the way.
  tpstest::WriteBytes(t.Path() / "Graph", {1});
  EXPECT_EQ(IoMessage([&] { WriteFileBytesAtomic(wd, "Graph\\dp.gmt", Bytes{1}); }),
            "Вместо папки файл: Graph");
  // A file we may not read, and a read-only file, which stays as it is; the
  // superuser may do anything, so the check runs as an ordinary user.
  tpstest::WriteBytes(t.Path() / "global.dmt", Bytes(216, 0));
  fs::permissions(t.Path() / "global.dmt", fs::perms::none);
  tpstest::WriteBytes(t.Path() / "state.smt", Bytes(400, 0));
  fs::permissions(t.Path() / "state.smt", fs::perms::owner_read | fs::perms::others_read);
  fs::permissions(t.Path(), fs::perms::all);  // the folder would let a new file take its place
  const bool superuser = geteuid() == 0;
  if (!superuser || seteuid(65534) == 0) {
    std::string readMsg = IoMessage([&] { ReadFileBytes(wd, "global.dmt"); });
    std::string writeMsg = IoMessage([&] { WriteFileBytesAtomic(wd, "state.smt", Bytes{1}); });
    if (superuser) {
      ASSERT_EQ(seteuid(0), 0);
    }
    EXPECT_EQ(readMsg, "Нет доступа к файлу: global.dmt");
    EXPECT_EQ(writeMsg, "Нет доступа к файлу: state.smt");
    EXPECT_EQ(tpstest::ReadBytes(t.Path() / "state.smt"), Bytes(400, 0));
  }
  fs::permissions(t.Path() / "state.smt", fs::perms::owner_write, fs::perm_options::add);
  // A file far larger than any input the program keeps is refused before it
  // is read: generally, and with the limit a loader gives.
  {
    std::ofstream(t.Path() / "Final.txt").put('x');
    fs::resize_file(t.Path() / "Final.txt", kMaxReadBytes + 1);
    EXPECT_EQ(IoMessage([&] { ReadTextLines(wd, "final.txt"); }),
              "Файл слишком велик (больше 256 МБ): final.txt");
    tpstest::WriteBytes(t.Path() / "state.smt", Bytes(401, 0));
    EXPECT_EQ(IoMessage([&] { ReadFileBytes(wd, "state.smt", 400); }),
              "Файл слишком велик (больше 400 байт): state.smt");
    EXPECT_EQ(ReadFileBytes(wd, "state.smt", 401).size(), 401u);
  }
  // A token that is not a number is echoed cut to a readable length.
  auto convertMessage = [](auto&& f) -> std::string {
    try {
      f();
    } catch (const ConvertError& e) {
      return e.what();
    }
    return "";
  };
  EXPECT_EQ(convertMessage([] { StrToFloat(std::string(1 << 20, '7') + "x"); }),
            "'" + std::string(40, '7') + "…' - неверное вещественное число");
  EXPECT_EQ(convertMessage([] { StrToInt("Ж" + std::string(50, 'z')); }),
            "'Ж" + std::string(39, 'z') + "…' - неверное целое число");
  EXPECT_EQ(convertMessage([] { StrToFloat("1,5"); }), "'1,5' - неверное вещественное число");
}

// Files that belong together become visible together: when one of the set
// cannot be written, none replaces its old file and nothing is left behind.
TEST(FileSets, AFailedSetReplacesNothing) {
  tpstest::TempDir t;
  const tps::WorkDir wd = t.Work();
  tps::WriteFileSet(wd, {{"Graph\\dp.gmt", {1}}, {"Graph\\charts.cdt", {2}}});
  EXPECT_EQ(tpstest::ReadBytes(wd.Resolve("Graph\\dp.gmt")), (std::vector<uint8_t>{1}));
  std::filesystem::create_directories(t.Path() / "Graph" / "blocked");
  EXPECT_THROW(tps::WriteFileSet(wd, {{"Graph\\dp.gmt", {3}}, {"Graph\\blocked", {4}}}), tps::IoError);
  EXPECT_EQ(tpstest::ReadBytes(wd.Resolve("Graph\\dp.gmt")), (std::vector<uint8_t>{1}));
  for (const auto& e : std::filesystem::directory_iterator(t.Path() / "Graph"))
    EXPECT_NE(e.path().extension(), ".tmp") << e.path();
}

// One holder of a working directory at a time, in one process as in two.
TEST(WorkDirLocks, OneHolderAtATime) {
  tpstest::TempDir t;
  tps::WorkDirLock a, b;
  ASSERT_TRUE(a.TryAcquire(t.Work()));
  EXPECT_FALSE(b.TryAcquire(t.Work()));
  int waits = 0;
  EXPECT_FALSE(b.Acquire(t.Work(), [&] { return ++waits < 3; }));
  EXPECT_EQ(waits, 3);
  a.Release();
  EXPECT_TRUE(b.Acquire(t.Work(), [] { return false; }));
  EXPECT_TRUE(b.Held());
}
