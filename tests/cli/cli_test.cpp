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
  std::string cmd = std::string("'") + TPS_CLI_PATH + "' --workdir '" + work.string() + "' " + args +
                    " >'" + out.string() + "' 2>'" + err.string() + "'";
  int rc = std::system(cmd.c_str());
  Result r{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, tpstest::ReadString(out), tpstest::ReadString(err)};
  fs::remove(out);
  fs::remove(err);
  return r;
}

Result RunPlain(const std::string& args) {
  tpstest::TempDir t;
  fs::path out = t.Path() / "o", err = t.Path() / "e";
  std::string cmd = std::string("'") + TPS_CLI_PATH + "' " + args + " >'" + out.string() + "' 2>'" + err.string() + "'";
  int rc = std::system(cmd.c_str());
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, tpstest::ReadString(out), tpstest::ReadString(err)};
}

bool Has(const std::string& s, const std::string& part) { return s.find(part) != std::string::npos; }

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
  EXPECT_EQ(RunCli(t.Path() / "missing", "solve --scheme 2").code, 1);
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
  Result r = RunCli(t.Path(),
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
  std::string args = "batch --scheme 10 --option detailed --random-voltage 27500:400 --random-angle 0:2 --seed 4242";
  Result ra = RunCli(a.Path(), args);
  Result rb = RunCli(b.Path(), args);
  ASSERT_EQ(ra.code, 0) << ra.err;
  ASSERT_EQ(rb.code, 0) << rb.err;
  EXPECT_TRUE(Has(ra.out, "\"steps_solved\":"));
  EXPECT_TRUE(Has(ra.out, "Пакетный пуск завершен"));
  fs::path fa = a.Work().Resolve("Final.txt"), fb = b.Work().Resolve("Final.txt");
  EXPECT_EQ(tpstest::ReadBytes(fa), tpstest::ReadBytes(fb));
  EXPECT_EQ(tpstest::ReadBytes(a.Work().Resolve("Graph\\dp.gmt")), tpstest::ReadBytes(b.Work().Resolve("Graph\\dp.gmt")));
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

TEST(CliBatch, RefusedBatchExitsWithTwo) {
  tpstest::TempDir t;
  Result r = RunCli(t.Path(), "batch --scheme 2 --set StepMinutes=0.05");
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(Has(r.err, "Значение шага: '0.05' - не лежит между 0.06 и 2")) << r.err;
}
