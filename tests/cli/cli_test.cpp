#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "test_support.h"

namespace fs = std::filesystem;

namespace {

struct Result {
  int code;
  std::string out, err;
};

// Runs tpscalc-cli with the arguments in a working directory.
Result RunCli(const fs::path& work, const std::string& args) {
  fs::path out = work.parent_path() / (work.filename().string() + ".out");
  fs::path err = work.parent_path() / (work.filename().string() + ".err");
  std::string cmd = std::string("'") + TPS_CLI_PATH + "' --workdir '" + work.string() + "' " + args + " >'" +
                    out.string() + "' 2>'" + err.string() + "'";
  int rc = std::system(cmd.c_str());
  Result r{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, tpstest::ReadString(out), tpstest::ReadString(err)};
  fs::remove(out);
  fs::remove(err);
  return r;
}

// Runs tpscalc-cli with the arguments alone, from an empty directory of its own.
Result RunPlain(const std::string& args) {
  tpstest::TempDir t;
  fs::path out = t.Path() / "o", err = t.Path() / "e";
  std::string cmd = "cd '" + t.Path().string() + "' && '" + TPS_CLI_PATH + "' " + args + " >'" +
                    out.string() + "' 2>'" + err.string() + "'";
  int rc = std::system(cmd.c_str());
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, tpstest::ReadString(out), tpstest::ReadString(err)};
}

bool Has(const std::string& s, const std::string& part) {
  return s.find(part) != std::string::npos;
}

}  // namespace

TEST(CliUsage, VersionHelpAndUnknownCommands) {
  Result v = RunPlain("--version");
  EXPECT_EQ(v.code, 0);
  EXPECT_TRUE(Has(v.out, "tpscalc-cli"));
  Result h = RunPlain("--help");
  EXPECT_EQ(h.code, 0);
  EXPECT_TRUE(Has(h.out, "solve"));
  EXPECT_EQ(RunPlain("").code, 2);
  EXPECT_EQ(RunPlain("frobnicate").code, 2);
  tpstest::TempDir t;
  EXPECT_EQ(RunCli(t.Path(), "solve --scheme 2 --bogus").code, 2);
  EXPECT_EQ(RunCli(t.Path(), "solve --scheme 13").code, 2);
  EXPECT_EQ(RunCli(t.Path(), "solve").code, 2);
  EXPECT_EQ(RunCli(t.Path(), "batch --scheme 2 --option fast").code, 2);
  Result help = RunPlain("batch --help");
  EXPECT_EQ(help.code, 0);
  EXPECT_TRUE(Has(help.out, "--random-voltage")) << help.out;
}

// A working directory that is missing, empty or a file, and values that are
// not numbers, are refused with a message; "seed" creates its directory.
TEST(CliUsage, WorkDirAndNumbersAreRefusedWithTwo) {
  tpstest::TempDir t;
  Result missing = RunCli(t.Path() / "missing", "solve --scheme 2");
  EXPECT_EQ(missing.code, 2);
  EXPECT_TRUE(Has(missing.err, "Рабочая папка не найдена")) << missing.err;
  EXPECT_EQ(RunPlain("--workdir '' solve --scheme 2").code, 2);
  EXPECT_EQ(RunPlain("--workdir '' seed").code, 2);
  EXPECT_EQ(RunCli(t.Path() / "final.txt", "batch --scheme 2").code, 2);
  Result seeded = RunCli(t.Path() / "fresh", "seed");
  EXPECT_EQ(seeded.code, 0) << seeded.err;
  EXPECT_TRUE(fs::exists(t.Path() / "fresh" / "SAVES" / "state_12.smt"));
  for (const char* args :
       {"solve --scheme 2 --set ContactWireR=abc", "batch --scheme 2 --random-voltage abc:1",
        "batch --scheme 2 --random-voltage 1e308:1e308", "batch --scheme 10 --random-angle 0:1e308",
        "batch --scheme 2 --seed abc", "batch --scheme 2 --seed 4294967296",
        "solve --scheme 2 --set ZoneLength=20.0000000001"}) {
    Result r = RunCli(t.Path(), args);
    EXPECT_EQ(r.code, 2) << args;
    EXPECT_FALSE(r.err.empty()) << args;
    EXPECT_TRUE(r.out.empty()) << args;
  }
}

TEST(CliSolve, EveryVariantSolvesFromTheDefaultStates) {
  tpstest::TempDir t;
  for (int v = 1; v <= 12; ++v) {
    bool dc = v <= 6;
    std::string train = dc ? "1:5:1500" : "1:5:250:-100";
    Result r = RunCli(t.Path(), "solve --scheme " + std::to_string(v) + " --train " + train);
    EXPECT_EQ(r.code, 0) << v << r.err;
    EXPECT_TRUE(Has(r.out, "\"scheme\":" + std::to_string(v))) << r.out;
    EXPECT_TRUE(Has(r.out, "\"node_count\":")) << v;
    EXPECT_TRUE(Has(r.out, "\"train\":1")) << v;
    EXPECT_TRUE(Has(r.out, "\"messages\":[]")) << v;
  }
}

TEST(CliSolve, HandCalculatedDcTwoSidedStep) {
  tpstest::TempDir t;
  Result r =
      RunCli(t.Path(),
             "solve --scheme 2 --set ZoneLength=20 --set UaRe=3300 --set UbRe=3300 "
             "--set ContactWireR=0.2 --set MessengerR=0.2 --set RailR=0.05 --set FeederType=Отсутствует "
             "--train 1:5:1000");
  ASSERT_EQ(r.code, 0) << r.err;
  // 0.15 Ohm/km, 5 and 15 km: 0.5625 Ohm seen by the train.
  EXPECT_TRUE(Has(r.out, "\"loss_w\":562500")) << r.out;
  EXPECT_TRUE(Has(r.out, "\"potential\":[2737.5")) << r.out;
  EXPECT_TRUE(Has(r.out, "\"node_count\":3,\"branch_count\":4")) << r.out;
  EXPECT_TRUE(Has(r.out, "\"feeder_branches\":[1,4,0,0]")) << r.out;
}

TEST(CliSolve, RefusedInputExitsWithTwoAndTheMessage) {
  tpstest::TempDir t;
  Result r = RunCli(t.Path(), "solve --scheme 2 --set ZoneLength=250 --train 1:5:1000");
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(Has(r.err, "Значение длины зоны: '250' - не лежит между 0> и 200")) << r.err;
  EXPECT_EQ(RunCli(t.Path(), "solve --scheme 2 --set NoSuchField=1").code, 2);
}

// A train on a track the scheme does not have, or whose track 2 is
// disconnected, is refused instead of dropped or fed through an open source.
TEST(CliSolve, TrainOnAMissingTrackIsRefused) {
  tpstest::TempDir t;
  for (int v : {1, 2, 6, 7, 8, 12}) {
    Result r = RunCli(t.Path(), "solve --scheme " + std::to_string(v) + " --train 2:5:100");
    EXPECT_EQ(r.code, 2) << v;
    EXPECT_TRUE(Has(r.err, "track 2")) << v << r.err;
  }
  EXPECT_EQ(RunCli(t.Path(), "solve --scheme 3 --train 2:5:100").code, 0);
}

// A step without a solution is an error; a pantograph below zero is a warning.
TEST(CliSolve, StepWithoutSolutionFailsAndCollapseIsWarned) {
  tpstest::TempDir t;
  // No resistance anywhere: the two substations are shorted, the system singular.
  Result s = RunCli(t.Path(),
                    "solve --scheme 2 --set ContactWireR=0 --set MessengerR=1 --set RailR=0 --train 1:5:100");
  EXPECT_EQ(s.code, 1);
  EXPECT_TRUE(Has(s.err, "Система уравнений схемы вырождена")) << s.err;
  EXPECT_FALSE(Has(s.out, "\"nodes\"")) << s.out;
  Result w = RunCli(t.Path(), "solve --scheme 1 --set ZoneLength=200 --train 1:150:1500");
  EXPECT_EQ(w.code, 0) << w.err;
  EXPECT_TRUE(Has(w.out, "Шаг 1: напряжение на токоприемнике поезда 1 упало до 0 или ниже")) << w.out;
}

TEST(CliSolve, WriteMatricesLeavesTheListings) {
  tpstest::TempDir t;
  Result r = RunCli(t.Path(), "solve --scheme 3 --train 1:5:1000 --option write-matrices");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(fs::exists(t.Path() / "graff.txt"));
  for (const char* m : {"matrM.txt", "matrN.txt", "matrZ.txt", "matrE.txt", "matrJ.txt"})
    EXPECT_TRUE(fs::exists(t.Path() / "Temp" / m)) << m;
}

TEST(CliBatch, SameSeedGivesIdenticalFiles) {
  tpstest::TempDir a, b;
  std::string args =
      "batch --scheme 10 --option detailed --random-voltage 27500:400 --random-angle 0:2 --seed 4242";
  Result ra = RunCli(a.Path(), args);
  Result rb = RunCli(b.Path(), args);
  ASSERT_EQ(ra.code, 0) << ra.err;
  ASSERT_EQ(rb.code, 0) << rb.err;
  EXPECT_TRUE(Has(ra.out, "\"steps_solved\":"));
  EXPECT_TRUE(Has(ra.out, "Пакетный пуск завершен"));
  fs::path fa = a.Work().Resolve("Final.txt"), fb = b.Work().Resolve("Final.txt");
  EXPECT_EQ(tpstest::ReadBytes(fa), tpstest::ReadBytes(fb));
  EXPECT_EQ(tpstest::ReadBytes(a.Work().Resolve("Graph\\dp.gmt")),
            tpstest::ReadBytes(b.Work().Resolve("Graph\\dp.gmt")));
  EXPECT_GT(fs::file_size(fa), 1000u);
}

TEST(CliBatch, EveryVariantRunsFromTheDefaultStates) {
  tpstest::TempDir t;
  for (int v = 1; v <= 12; ++v) {
    Result r = RunCli(t.Path(), "batch --scheme " + std::to_string(v) + " --seed 1");
    EXPECT_EQ(r.code, 0) << v << r.err;
    EXPECT_TRUE(Has(r.out, "Пакетный пуск завершен")) << v << r.out;
    std::string report = tpstest::ReadString(t.Work().Resolve("Final.txt"));
    EXPECT_TRUE(Has(report, "\xC8\xD2\xCE\xC3\xCE")) << v;  // ИТОГО in the code page
  }
}

// Exit 0 only after a finished run; a refused or only recommended batch
// exits with 2, a failed one with 1, and neither reports totals.
TEST(CliBatch, OutcomeDecidesTheExitCode) {
  tpstest::TempDir t;
  struct Case {
    const char* args;
    int code;
    const char* outcome;
    const char* message;
  } cases[] = {
      {"--set StepMinutes=0.05", 2, "refused", "Значение шага: '0.05' - не лежит между 0.06 и 2"},
      {"--set TrainSpeed=0", 2, "refused", "Скорость не может быть '0'!"},
      {"--set ZoneLength=0.0001", 2, "recommended", "Используйте рекомендованое значение скорости"},
      {"--set ContactWireR=0 --set MessengerR=1 --set RailR=0", 1, "failed",
       "Система уравнений схемы вырождена: расчёт шага невозможен"},
      // A catenary of no resistance at all gives no impedance: refused before the run.
      {"--set ContactWireR=0 --set MessengerR=0 --set RailR=0", 2, "refused",
       "хотя бы одно должно быть больше 0"},
  };
  for (const Case& c : cases) {
    Result r = RunCli(t.Path(), std::string("batch --scheme 2 ") + c.args);
    EXPECT_EQ(r.code, c.code) << c.args;
    EXPECT_TRUE(Has(r.out, std::string("\"outcome\":\"") + c.outcome + "\"")) << r.out;
    EXPECT_TRUE(Has(r.out, c.message)) << r.out;
    EXPECT_TRUE(Has(r.err, c.message)) << r.err;
    EXPECT_FALSE(Has(r.out, "\"min_voltage\"")) << r.out;
    EXPECT_FALSE(Has(r.out, "\"energy_loss_wh\"")) << r.out;
  }
  // Trains asked for more than the zone can carry: the run finishes, warned once.
  Result w = RunCli(t.Path(), "batch --scheme 1 --set ZoneLength=200 --set TrainActive=1500");
  EXPECT_EQ(w.code, 0) << w.err;
  EXPECT_TRUE(Has(w.out, "\"outcome\":\"finished\"")) << w.out;
  size_t first = w.out.find("упало до 0 или ниже");
  ASSERT_NE(first, std::string::npos) << w.out;
  EXPECT_EQ(w.out.find("упало до 0 или ниже", first + 1), std::string::npos);
}
