#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "params/conv.h"
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
  std::string cmd = "cd '" + t.Path().string() + "' && XDG_DATA_HOME='" + t.Path().string() + "/data' '" +
                    TPS_CLI_PATH + "' " + args + " >'" +
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
  EXPECT_TRUE(Has(r.out, "\"potential_v\":[2737.5")) << r.out;
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
  for (const char* h : {"Jhead.txt", "Ehead.txt", "Mhead.txt", "Nhead.txt", "Zhead.txt", "Zvhead.txt"})
    EXPECT_TRUE(fs::exists(t.Path() / "Temp" / h)) << h;
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

// The saved state of every scheme is a zone and trains a real line of that
// scheme carries: its default batch keeps every pantograph above the second
// voltage norm, 2400 V on direct current and 19000 V on alternating current.
TEST(CliBatch, EveryVariantRunsFromTheDefaultStatesAboveTheSecondNorm) {
  tpstest::TempDir t;
  for (int v = 1; v <= 12; ++v) {
    SCOPED_TRACE(v);
    Result r = RunCli(t.Path(), "batch --scheme " + std::to_string(v) + " --seed 1");
    ASSERT_EQ(r.code, 0) << r.err << r.out;
    const nlohmann::json j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j.at("outcome"), "finished");
    EXPECT_TRUE(Has(r.out, "Пакетный пуск завершен")) << r.out;
    EXPECT_GT(j.at("steps_solved").get<int>(), 20);
    const double lowest = j.at("min_voltage_v").get<double>();
    EXPECT_GT(lowest, v <= 6 ? 2400.0 : 19000.0);
    EXPECT_LT(lowest, v <= 6 ? 3300.0 : 27500.0);  // the trains do draw current
    EXPECT_LT(j.at("loss_percent").get<double>(), 12.0);
    std::string report = tpstest::ReadString(t.Work().Resolve("Final.txt"));
    EXPECT_TRUE(Has(report, "\xC8\xD2\xCE\xC3\xCE")) << v;  // ИТОГО in the code page
  }
}

// A zone the scheme's substation cannot feed: the run goes to its end but is
// not called finished.
TEST(CliBatch, AConsoleAskedTooMuchFinishesImpossible) {
  tpstest::TempDir t;
  Result r = RunCli(t.Path(), "batch --scheme 1 --set ZoneLength=30 --set TrainActive=2500");
  EXPECT_EQ(r.code, 3) << r.err;
  EXPECT_TRUE(Has(r.out, "\"outcome\":\"finished_impossible\"")) << r.out;
  EXPECT_TRUE(Has(r.out, "Пакетный пуск завершен")) << r.out;
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
      {"--set TrainSpeed=0", 2, "refused", "Скорость не может быть '0'!"},
      {"--set ZoneLength=0.0001", 2, "recommended", "Используйте рекомендованое значение скорости"},
      // (without the reinforcing feeder of the saved state)
      {"--set ContactWireR=0 --set MessengerR=1 --set RailR=0 --set FeederType=Отсутствует --set FeederR=0", 1,
       "failed",
       "Система уравнений схемы вырождена: расчёт шага невозможен"},
      // A catenary of no resistance at all gives no impedance: refused before the run.
      {"--set ContactWireR=0 --set MessengerR=0 --set RailR=0 --set FeederType=Отсутствует --set FeederR=0", 2,
       "refused",
       "хотя бы одно должно быть больше 0"},
  };
  for (const Case& c : cases) {
    Result r = RunCli(t.Path(), std::string("batch --scheme 2 ") + c.args);
    EXPECT_EQ(r.code, c.code) << c.args;
    EXPECT_TRUE(Has(r.out, std::string("\"outcome\":\"") + c.outcome + "\"")) << r.out;
    EXPECT_TRUE(Has(r.out, c.message)) << r.out;
    EXPECT_TRUE(Has(r.err, c.message)) << r.err;
    EXPECT_FALSE(Has(r.out, "\"min_voltage_v\"")) << r.out;
    EXPECT_FALSE(Has(r.out, "\"energy_loss_wh\"")) << r.out;
  }
  // A field out of the range any window takes is refused by --set itself.
  Result step = RunCli(t.Path(), "batch --scheme 2 --set StepMinutes=0.05");
  EXPECT_EQ(step.code, 2);
  EXPECT_TRUE(Has(step.err, "--set StepMinutes=0.05: Значение шага: '0.05' - не лежит между 0.06 и 2")) << step.err;
  EXPECT_TRUE(step.out.empty()) << step.out;
  // Trains asked for more than the zone can carry: the run goes to its end,
  // warned once, its numbers kept, but it is not called finished: exit 3.
  Result w = RunCli(t.Path(), "batch --scheme 1 --set ZoneLength=200 --set TrainActive=1500");
  EXPECT_EQ(w.code, 3) << w.err;
  EXPECT_TRUE(Has(w.out, "\"outcome\":\"finished_impossible\"")) << w.out;
  EXPECT_TRUE(Has(w.out, "\"energy_loss_wh\"")) << w.out;
  size_t first = w.out.find("упало до 0 или ниже");
  ASSERT_NE(first, std::string::npos) << w.out;
  EXPECT_EQ(w.out.find("упало до 0 или ниже", first + 1), std::string::npos);
}

// The default schedule of a fresh working directory runs on its own scheme
// (3, code 14) to its last time point, 120 one-minute steps, plus the final
// solution of the zone as the schedule left it.
TEST(CliSchedule, DefaultScheduleRunsToItsEnd) {
  tpstest::TempDir t;
  Result r = RunCli(t.Path(), "run --mode schedule --schedule file00.gdp");
  ASSERT_EQ(r.code, 0) << r.err;
  for (const char* part :
       {"\"schedule\":\"gdp\\\\file00.gdp\"", "\"scheme\":3,\"code\":14", "\"outcome\":\"finished\"",
        "\"steps_solved\":121", "\"model_time_min\":120.0", "Имитация окончена"})
    EXPECT_TRUE(Has(r.out, part)) << part << "\n" << r.out;
  EXPECT_GT(fs::file_size(t.Work().Resolve("Graph\\dp.gmt")), 0u);
  EXPECT_TRUE(Has(tpstest::ReadString(t.Work().Resolve("Final.txt")), "\xC8\xD2\xCE\xC3\xCE"));  // ИТОГО
  // "Откл Ф2 и Ф4" has no place in the schedule mode: its track-2 trains
  // would stand unfed (the run reported 3.77e15 W·h as finished).
  for (const char* scheme : {"6", "12"}) {
    Result off = RunCli(t.Path(), std::string("run --mode schedule --schedule file00.gdp --scheme ") + scheme);
    EXPECT_EQ(off.code, 2) << off.out;
    EXPECT_TRUE(Has(off.err, "\"Откл Ф2 и Ф4\"")) << off.err;
    EXPECT_FALSE(Has(off.out, "\"energy_loss_wh\"")) << off.out;
  }
  // A path to it inside the working directory, in any letter case, is the same schedule.
  Result p =
      RunCli(t.Path(), "run --mode schedule --schedule '" + (t.Path() / "GDP" / "file00.gdp").string() + "'");
  EXPECT_EQ(p.code, 0) << p.err;
  EXPECT_TRUE(Has(p.out, "\"steps_solved\":121")) << p.out;
}

// A schedule that does not fit is refused with 2 and the values that differ;
// a missing or damaged file is an error of the run (1) naming the file; a
// file outside the working directory or outside "gdp" is refused (2). None
// of them reports totals.
TEST(CliSchedule, MismatchAndUnreadableSchedulesReportNoTotals) {
  tpstest::TempDir t;
  Result m = RunCli(t.Path(), "run --mode schedule --schedule file00.gdp --scheme 1 --set ZoneLength=20.0");
  EXPECT_EQ(m.code, 2);
  EXPECT_TRUE(Has(m.err, "Неправильный тип схемных параметров")) << m.err;
  EXPECT_TRUE(Has(m.err, "схема: в ГДП 3 \"Пост.двухп.двусторонняя\", для расчёта 1 \"Пост.одн.консоль\""))
      << m.err;
  EXPECT_TRUE(Has(m.err, "длина зоны: в ГДП '20', для расчёта '20.0'")) << m.err;
  EXPECT_FALSE(Has(m.err, "шаг:")) << m.err;
  EXPECT_TRUE(Has(m.out, "\"mismatch\":{\"scheme\":{\"schedule\":3,\"run\":1}")) << m.out;

  const std::vector<uint8_t> full = tpstest::ReadBytes(t.Work().Resolve("gdp\\file00.gdp"));
  tpstest::WriteBytes(t.Path() / "gdp" / "cut.gdp", std::vector<uint8_t>(full.begin(), full.end() - 20));
  for (const char* name : {"nosuch.gdp", "cut.gdp"}) {
    Result r = RunCli(t.Path(), std::string("run --mode schedule --schedule ") + name);
    EXPECT_EQ(r.code, 1) << name;
    EXPECT_TRUE(Has(r.err, name)) << r.err;
    EXPECT_TRUE(Has(r.out, "\"outcome\":\"failed\"")) << r.out;
    EXPECT_FALSE(Has(r.out, "\"energy_loss_wh\"")) << r.out;
  }
  tpstest::TempDir other;
  tpstest::WriteBytes(other.Path() / "file00.gdp", full);
  for (const fs::path& p : {other.Path() / "file00.gdp", t.Path() / "SAVES" / "state_14.smt"}) {
    Result r = RunCli(t.Path(), "run --mode schedule --schedule '" + p.string() + "'");
    EXPECT_EQ(r.code, 2) << p;
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
}

// The text form made into a schedule and shown again; the default schedule's
// own text gives the very file the program seeds. A wrong line writes nothing.
TEST(CliSchedule, MakeAndShowRoundTrip) {
  tpstest::TempDir t;
  const fs::path text = t.Path().parent_path() / (t.Path().filename().string() + ".txt");
  const std::string small =
      "# a short run\n0;появился на участке;1;1200;0;0;50;грузовой\n3;изменил "
      "скорость;1;1000;0;5;60;грузовой\n"
      "3;финализация\n10\n";
  tpstest::WriteBytes(text, std::vector<uint8_t>(small.begin(), small.end()));
  Result made = RunCli(t.Path(), "schedule make '" + text.string() + "' --out small.gdp --scheme 2");
  ASSERT_EQ(made.code, 0) << made.err;
  // 405 bytes of head, three time points of 8 bytes, three events of 48.
  EXPECT_EQ(fs::file_size(t.Path() / "gdp" / "small.gdp"), 405u + 3 * 8 + 3 * 48);
  Result shown = RunCli(t.Path(), "schedule show small.gdp");
  ASSERT_EQ(shown.code, 0) << shown.err;
  for (const char* part :
       {"\"ZoneLength\":\"20\",\"StepMinutes\":\"1\"",
        "\"variant\":2,\"scheme_name\":\"Пост.одн.двусторонняя\"", "\"duration_min\":10.0",
        "{\"step\":3,\"time_min\":3.0,\"events\":[{\"event\":\"Поезд №1 изменил "
        "скорость\",\"details\":[\"Поезд № "
        "1\",\"Тип: грузовой\",\"Tok [1000 0]\",\"Местоположение 5 км\",\"Скорость 60 км/ч\"]},"
        "{\"event\":\"финализация\",\"details\":[\"<без параметров>\"]}]}",
        "{\"step\":10,\"time_min\":10.0,\"events\":[]}"})
    EXPECT_TRUE(Has(shown.out, part)) << part << "\n" << shown.out;

  Result again = RunCli(
      t.Path(), std::string("schedule make '") + TPS_SOURCE_DIR + "/data/gdp/file00.csv' --out again.gdp");
  ASSERT_EQ(again.code, 0) << again.err;
  EXPECT_EQ(tpstest::ReadBytes(t.Path() / "gdp" / "again.gdp"),
            tpstest::ReadBytes(t.Path() / "gdp" / "file00.gdp"));

  // A track-2 train on a single-track scheme would vanish from every run.
  const std::string even = "0;появился на участке;1;1200;0;0;50;грузовой\n1;появился на участке;2;1200;0;20;50;"
                           "грузовой\n10\n";
  tpstest::WriteBytes(text, std::vector<uint8_t>(even.begin(), even.end()));
  Result track2 = RunCli(t.Path(), "schedule make '" + text.string() + "' --out even.gdp --scheme 2");
  EXPECT_EQ(track2.code, 2);
  EXPECT_TRUE(Has(track2.err, "поезд №2 (точка времени 1) идёт по пути 2")) << track2.err;
  EXPECT_FALSE(fs::exists(t.Path() / "gdp" / "even.gdp"));

  std::string bad =
      "0;появился на участке;1;1200;0;0;50;грузовой\n\n2;появился на участке;3;1200;0;0;50;тепловоз\n";
  tpstest::WriteBytes(text, std::vector<uint8_t>(bad.begin(), bad.end()));
  Result refused = RunCli(t.Path(), "schedule make '" + text.string() + "' --out bad.gdp");
  EXPECT_EQ(refused.code, 2);
  EXPECT_TRUE(Has(refused.err, "Строка 3: неизвестный тип поезда 'тепловоз'")) << refused.err;
  EXPECT_FALSE(fs::exists(t.Path() / "gdp" / "bad.gdp"));
  fs::remove(text);
}

// "chart" draws the last run without a display; a chart without data or with
// a damaged chart data file is refused, and nothing is written then.
TEST(CliChart, DrawsTheLastRunWithoutADisplay) {
  tpstest::TempDir t;
  ::unsetenv("DISPLAY");
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  ASSERT_EQ(RunCli(t.Path(), "seed").code, 0);
  EXPECT_EQ(RunCli(t.Path(), "chart --kind 1").code, 1);  // no run yet: no "Graph\dp.gmt"
  ASSERT_EQ(RunCli(t.Path(), "run --mode schedule --schedule file00.gdp").code, 0);
  const fs::path png = t.Path() / "v.png", csv = t.Path() / "v.csv";
  Result r =
      RunCli(t.Path(), "chart --kind 3 --seed 1 --png '" + png.string() + "' --csv '" + csv.string() + "'");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "\"width_px\":700"));
  EXPECT_EQ(tpstest::ReadString(png).substr(1, 3), "PNG");
  EXPECT_TRUE(Has(tpstest::ReadString(csv), "0,3300,"));
  EXPECT_EQ(RunCli(t.Path(), "chart --kind 0 --svg '" + (t.Path() / "s.svg").string() + "'").code, 0);
  Result rail = RunCli(t.Path(), "chart --kind 4 --png '" + (t.Path() / "r.png").string() + "'");
  EXPECT_EQ(rail.code, 2);
  EXPECT_TRUE(Has(rail.err, "rail"));
  EXPECT_FALSE(fs::exists(t.Path() / "r.png"));
  EXPECT_EQ(RunCli(t.Path(), "chart --kind 6").code, 2);
  Result nowhere = RunCli(t.Path(), "chart --kind 1 --png '" + (t.Path() / "no" / "v.png").string() + "'");
  EXPECT_EQ(nowhere.code, 1);
  EXPECT_TRUE(Has(nowhere.err, "Папка не найдена"));

  // Unchecked "Построение графиков": the light solution records no chart data.
  ASSERT_EQ(RunCli(t.Path(), "run --mode schedule --schedule file00.gdp --option no-charts").code, 0);
  EXPECT_EQ(RunCli(t.Path(), "chart --kind 3").code, 2);
  ASSERT_EQ(RunCli(t.Path(), "run --mode schedule --schedule file00.gdp").code, 0);

  const fs::path data = t.Path() / "Graph" / "charts.cdt";
  std::vector<uint8_t> b = tpstest::ReadBytes(data);
  b.pop_back();
  tpstest::WriteBytes(data, b);
  Result damaged = RunCli(t.Path(), "chart --kind 5");
  EXPECT_EQ(damaged.code, 1);
  EXPECT_TRUE(Has(damaged.err, "повреждён"));
}

// Values no window takes are refused where they enter, naming what was
// wrong: a field of --set (once "'NaN' - неверное вещественное число" from the
// step, without the field; a rail of 1e10 Ohm/km once gave a loss of 1e12 %),
// and a schedule event of -1e15 A (once a finished run with a loss of
// 6.2e28 W*h).
TEST(CliInput, ValuesNoWindowTakesAreRefusedNamingThem) {
  tpstest::TempDir t;
  Result nan = RunCli(t.Path(), "batch --scheme 2 --set UaIm=NaN");
  EXPECT_EQ(nan.code, 2);
  EXPECT_TRUE(Has(nan.err, "--set UaIm=NaN: Значение напряжения ТП1(p): 'NaN' - введено неверно")) << nan.err;
  Result rail = RunCli(t.Path(), "batch --scheme 2 --set RailR=1e10");
  EXPECT_EQ(rail.code, 2);
  EXPECT_TRUE(Has(rail.err, "--set RailR=1e10: Значение сопротивления рельса: '10000000000' - не лежит между 0 и <20"))
      << rail.err;

  const fs::path gdp = t.Work().Resolve("gdp\\file00.gdp");
  std::vector<uint8_t> b = tpstest::ReadBytes(gdp);
  const double current = -1e15;
  std::memcpy(b.data() + 405 + 8 + 8, &current, 8);  // the first event's active current
  tpstest::WriteBytes(t.Path() / "gdp" / "bad.gdp", b);
  for (const char* args : {"run --mode schedule --schedule bad.gdp", "schedule show bad.gdp"}) {
    Result r = RunCli(t.Path(), args);
    EXPECT_EQ(r.code, 1) << args;
    EXPECT_TRUE(Has(r.err, "Файл gdp\\bad.gdp не загружен. Точка времени 0, событие 1 (поезд №1): значение "
                           "тока(а): '-1E15' - не лежит между -5000 и 5000"))
        << r.err;
    EXPECT_FALSE(Has(r.out, "energy_loss_wh")) << r.out;
  }
}

// A run whose steps were all solved without the charts computed the loss
// energy only: its JSON leaves the other figures out (once the reset values
// 1414212.15 V, 0 V and 0 % were reported as results), and the report says
// they were not computed.
TEST(CliSchedule, NoChartsReportsOnlyWhatItComputed) {
  tpstest::TempDir t;
  Result r = RunCli(t.Path(), "run --mode schedule --schedule file00.gdp --option no-charts");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "\"energy_loss_wh\":")) << r.out;
  for (const char* absent : {"\"min_voltage\":", "\"mean_voltage\":", "\"loss_percent\":", "\"energy_supplied\":",
                             "\"max_voltage\":"})
    EXPECT_FALSE(Has(r.out, absent)) << absent;
  EXPECT_TRUE(Has(r.out, "\"not_computed\":[\"loss_percent\",\"energy_supplied_wh\",\"energy_supplied_varh\",\"min_voltage_v\"")) << r.out;
  const std::string report = tpstest::ReadString(t.Work().Resolve("Final.txt"));
  EXPECT_FALSE(Has(report, "1414212.148")) << report;
  EXPECT_TRUE(Has(report, tps::Utf8ToCp1251("не рассчитано: расчёт без построения графиков"))) << report;
  Result full = RunCli(t.Path(), "run --mode schedule --schedule file00.gdp");
  ASSERT_EQ(full.code, 0) << full.err;
  EXPECT_TRUE(Has(full.out, "\"min_voltage_v\":")) << full.out;
  EXPECT_FALSE(Has(full.out, "not_computed")) << full.out;
}

// A misspelt command, option or field is named with the nearest correct one;
// an option that would change nothing is refused rather than ignored.
TEST(CliUsage, MisspellingsAreNamedWithTheNearestWord) {
  tpstest::TempDir t;
  ASSERT_EQ(RunCli(t.Path(), "seed").code, 0);
  for (const auto& [args, says] : std::vector<std::pair<std::string, std::string>>{
           {"solve --shceme 2", "--shceme: unknown option of solve; did you mean --scheme?"},
           {"solv --scheme 2", "solv: unknown command; did you mean solve?"},
           {"schedule shwo file00.gdp", "shwo: unknown command of schedule; did you mean show?"},
           {"batch --scheme 2 --seet ZoneLength=20", "did you mean --set?"},
           {"--wrokdir x seed", "did you mean --workdir?"},
           {"solve --scheme 2 --set ContactWireTyp=x", "the nearest fields: ContactWireType"},
           {"solve --scheme 2 --set Zonelength=20", "the nearest fields: ZoneLength"},
           {"batch --scheme 2 --option f2f4-off", "--option f2f4-off has no effect on scheme 2"},
           {"solve --scheme 2 --set ContactWireType=XYZ", "no such type in the catalogue (the types: "}}) {
    const Result r = RunCli(t.Path(), args);
    EXPECT_EQ(r.code, 2) << args;
    EXPECT_TRUE(Has(r.err, says)) << args << ": " << r.err;
  }
  // f2f4-off where it acts: scheme 3 runs as 6.
  const Result off = RunCli(t.Path(), "batch --scheme 3 --option f2f4-off");
  EXPECT_EQ(off.code, 0) << off.err;
  EXPECT_TRUE(Has(off.out, "\"scheme\":6")) << off.out;
}

// A conductor type named by --set takes its resistance from the catalogue, as
// the window's choice does (it once changed nothing); a resistance set too wins.
TEST(CliUsage, AConductorTypeTakesItsResistanceFromTheCatalogue) {
  tpstest::TempDir t;
  ASSERT_EQ(RunCli(t.Path(), "seed").code, 0);
  auto lossOf = [&](const std::string& sets) {
    const Result r = RunCli(t.Path(), "solve --scheme 8 --train 1:10:300:100 " + sets);
    EXPECT_EQ(r.code, 0) << sets << r.err;
    const size_t at = r.out.find("\"loss_w\":");
    return r.out.substr(at, r.out.find(',', at) - at);
  };
  const std::string base = lossOf("");
  const std::string other = lossOf("--set ContactWireType=МФ-85");
  EXPECT_NE(other, base);
  const Result fields = RunCli(t.Path(), "fields --scheme 8 --set ContactWireType=МФ-85");
  ASSERT_EQ(fields.code, 0) << fields.err;
  EXPECT_TRUE(Has(fields.out, "{\"field\":\"ContactWireType\",\"unit\":\"\"")) << fields.out;
  EXPECT_TRUE(Has(fields.out, "\"value\":\"МФ-85\"")) << fields.out;
  // The resistance typed with the type is kept.
  const Result both = RunCli(t.Path(), "fields --scheme 8 --set ContactWireType=МФ-85 --set ContactWireR=0.5");
  EXPECT_TRUE(Has(both.out, "{\"field\":\"ContactWireR\",\"unit\":\"Ohm/km\"")) << both.out;
  EXPECT_TRUE(Has(both.out, "\"range\":\"0 <= x < 20\",\"value\":\"0.5\"")) << both.out;
}

// Without --workdir the command line works in the window's per-user folder,
// never in the folder it was started from.
TEST(CliUsage, TheDefaultWorkDirIsThePerUserFolder) {
  tpstest::TempDir t;
  const fs::path start = t.Path() / "start", data = t.Path() / "data";
  fs::create_directories(start);
  const std::string cmd = "cd '" + start.string() + "' && XDG_DATA_HOME='" + data.string() + "' '" + TPS_CLI_PATH +
                          "' solve --scheme 2 --train 1:5:1000 >'" + (t.Path() / "o").string() + "' 2>&1";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << tpstest::ReadString(t.Path() / "o");
  EXPECT_TRUE(Has(tpstest::ReadString(t.Path() / "o"), "\"loss_w\":"));
  EXPECT_TRUE(fs::is_empty(start));
  EXPECT_TRUE(fs::exists(data / "tpscalc" / "SAVES"));
  EXPECT_TRUE(Has(RunPlain("--help").out, "XDG_DATA_HOME")) << "--help names the default";
}

// "schemes" tells which schedules a scheme can run: the default schedule is
// made for the double-track DC zone and fits no single-track scheme.
TEST(CliUsage, SchemesNameTheirPostsAndTheSchedulesThatFit) {
  tpstest::TempDir t;
  const Result r = RunCli(t.Path(), "schemes");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "{\"scheme\":1,\"scheme_name\":\"Пост.одн.консоль\",\"code\":")) << r.out;
  EXPECT_TRUE(Has(r.out, "\"current\":\"dc\",\"tracks\":1,\"posts\":[],\"schedules\":[]}")) << r.out;
  EXPECT_TRUE(Has(r.out, "\"current\":\"dc\",\"tracks\":2,\"posts\":[],\"schedules\":[\"file00.gdp\"]}")) << r.out;
  EXPECT_TRUE(Has(r.out, "\"posts\":[\"ПСК\",\"ППС1\",\"ППС2\"]")) << r.out;
  const Result table = RunCli(t.Path(), "schemes --table");
  EXPECT_TRUE(Has(table.out, " 4  dc  2 track(s)  Пост.узловая; posts: ПСК; schedules: file00.gdp")) << table.out;
  // The default schedule is made for the 20 km DC zone: the AC zones of 50 km
  // do not take it, and the schemes with "Откл Ф2 и Ф4" run no schedule.
  EXPECT_TRUE(Has(table.out, "11  ac  2 track(s)  Перем.узловая; posts: ПСК; schedules: none")) << table.out;
  EXPECT_TRUE(Has(table.out, " 6  dc  2 track(s)  Пост.двухп.двусторонняя; schedules: none")) << table.out;
}
