// The comparison of the schemes, the per-step rows and the report, as the
// command line gives them on the default data.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "params/conv.h"
#include "test_support.h"

namespace fs = std::filesystem;
using Json = nlohmann::json;

namespace {

struct Result {
  int code;
  std::string out, err;
};

Result RunCli(const fs::path& work, const std::string& args) {
  const fs::path out = work.parent_path() / (work.filename().string() + ".out");
  const fs::path err = work.parent_path() / (work.filename().string() + ".err");
  const std::string cmd = std::string("'") + TPS_CLI_PATH + "' --workdir '" + work.string() + "' " + args + " >'" +
                          out.string() + "' 2>'" + err.string() + "'";
  const int rc = std::system(cmd.c_str());
  Result r{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, tpstest::ReadString(out), tpstest::ReadString(err)};
  fs::remove(out);
  fs::remove(err);
  return r;
}

Json Parse(const Result& r) {
  EXPECT_EQ(r.code, 0) << r.err << r.out;
  return Json::parse(r.out);
}

}  // namespace

// "compare --schedule file00.gdp" ranks the double-track DC schemes; each
// figure is that of the scheme's own schedule run, and one job gives what
// every core gives.
TEST(CliCompare, DefaultScheduleEachFigureAsTheSchemesOwnRun) {
  tpstest::TempDir t;
  const Json all = Parse(RunCli(t.Path(), "compare --schedule file00.gdp --jobs 2"));
  const Json one = Parse(RunCli(t.Path(), "compare --schedule file00.gdp --jobs 1"));
  ASSERT_EQ(all["schemes"].size(), 3u);
  EXPECT_EQ(all["schemes"], one["schemes"]);
  EXPECT_EQ(all["best"], one["best"]);
  EXPECT_EQ(all["norm2_v"], 2400);
  int keepers = 0;
  for (const Json& row : all["schemes"]) {
    const int v = row["scheme"];
    const Json run = Parse(RunCli(t.Path(), "run --mode schedule --schedule file00.gdp --scheme " + std::to_string(v) +
                                                (v == 4 || v == 5 ? " --set PskKm=10" : "") +
                                                (v == 5 ? " --set Pps1Km=5 --set Pps2Km=15" : "")));
    EXPECT_EQ(row["energy_loss_wh"], run["energy_loss_wh"]) << v;
    EXPECT_EQ(row["loss_percent"], run["loss_percent"]) << v;
    EXPECT_EQ(row["energy_supplied_wh"], run["energy_supplied_wh"]) << v;
    for (const char* key : {"mean_useful_voltage_v", "min_voltage_v", "min_voltage_train", "below_norm1_share",
                            "below_norm2_share", "trains", "feeders"})
      EXPECT_EQ(row[key], run["norms"][key]) << v << " " << key;
    keepers += row["keeps_norm2"].get<bool>();
    if (row["rank"] == 1) EXPECT_EQ(all["best"], v);
  }
  EXPECT_GT(keepers, 0);
  // A scheme that does not fit the zone is named, not run.
  const Json listed = Parse(RunCli(t.Path(), "compare --schedule file00.gdp --schemes 3,10,6"));
  ASSERT_EQ(listed["schemes"].size(), 1u);
  ASSERT_EQ(listed["unfit"].size(), 2u);
  EXPECT_EQ(listed["unfit"][0]["scheme"], 10);
  EXPECT_EQ(RunCli(t.Path(), "compare --schedule file00.gdp --schemes 3,13").code, 2);
  EXPECT_EQ(RunCli(t.Path(), "compare --schedule file00.gdp --runs 2").code, 2);
  EXPECT_EQ(RunCli(t.Path(), "compare").code, 2);
}

// The table as CSV (a mark, a header with units, a row per scheme) and the
// chart as SVG; random flows give the mean, deviation and interval.
TEST(CliCompare, CsvChartAndRandomFlows) {
  tpstest::TempDir t;
  const fs::path csv = t.Path() / "cmp.csv", svg = t.Path() / "cmp.svg";
  Parse(RunCli(t.Path(), "compare --schedule file00.gdp --csv '" + csv.string() + "' --svg '" + svg.string() + "'"));
  const std::string table = tpstest::ReadString(csv);
  EXPECT_EQ(table.rfind("\xEF\xBB\xBF" "Схема,Название,\"ПСК, км\"", 0), 0u) << table;
  size_t lines = 0;
  for (size_t p = 0; (p = table.find("\r\n", p)) != std::string::npos; p += 2) ++lines;
  EXPECT_EQ(lines, 4u);
  EXPECT_NE(tpstest::ReadString(svg).find("Потери энергии, кВт·ч"), std::string::npos);
  const Json r = Parse(RunCli(t.Path(), "compare --runs 3 --seed 7 --schemes 3,4 --jobs 2"));
  const Json s = Parse(RunCli(t.Path(), "compare --runs 3 --seed 7 --schemes 3,4 --jobs 1"));
  ASSERT_EQ(r["schemes"].size(), 2u);
  EXPECT_EQ(r["schemes"], s["schemes"]);
  const Json& row = r["schemes"][0];
  EXPECT_EQ(row["realizations_run"], 3);
  const double mean = row["energy_loss_wh"], lo = row["energy_loss_wh_ci95"][0], hi = row["energy_loss_wh_ci95"][1];
  EXPECT_LE(lo, mean);
  EXPECT_GE(hi, mean);
  EXPECT_GT(row["energy_loss_wh_sd"].get<double>(), 0);
  EXPECT_EQ(r["inputs"]["seed"], 7);
}

// --steps on a run: the rows read back give the run's loss energy again.
TEST(CliSteps, RowsOfEveryStepGiveTheLossAgain) {
  tpstest::TempDir t;
  const fs::path csv = t.Path() / "steps.csv";
  const Json run = Parse(RunCli(t.Path(), "run --mode schedule --schedule file00.gdp --steps '" + csv.string() + "'"));
  EXPECT_EQ(run["steps_recorded"], run["steps_solved"]);
  const std::string text = tpstest::ReadString(csv);
  ASSERT_EQ(text.rfind("\xEF\xBB\xBF\"Время, мин\",Шаг,Поезд", 0), 0u);
  double loss = 0, previous = 0;
  size_t start = text.find("\r\n") + 2;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    const std::string line = text.substr(start, end - start);
    const size_t c1 = line.find(','), c2 = line.find(',', c1 + 1);
    if (line.compare(c2 + 1, 1, ",") != 0) continue;  // a train's row
    const double p = tps::StrToFloat(line.substr(line.rfind(',') + 1));
    loss += (previous + p) / 2 / 60;  // the schedule's step is 1 minute
    previous = p;
  }
  EXPECT_NEAR(loss, run["energy_loss_wh"].get<double>(), 1e-9 * loss);
  const fs::path jsonl = t.Path() / "steps.jsonl";
  Parse(RunCli(t.Path(), "batch --scheme 3 --steps '" + jsonl.string() + "'"));
  EXPECT_EQ(tpstest::ReadString(jsonl).rfind("{\"step\":1,", 0), 0u);
  EXPECT_EQ(RunCli(t.Path(), "batch --scheme 3 --steps out.txt").code, 2);
  EXPECT_EQ(RunCli(t.Path(), "batch --scheme 3 --steps a.csv --option no-charts").code, 2);
}

// "report" after a run and after a comparison: one HTML file with the
// tables and the charts inside; the PDF where the program has Qt.
TEST(CliReport, AfterARunAndAfterAComparison) {
  tpstest::TempDir t;
  EXPECT_EQ(RunCli(t.Path(), "report --html '" + (t.Path() / "r.html").string() + "'").code, 2);
  Parse(RunCli(t.Path(), "run --mode schedule --schedule file00.gdp"));
  const fs::path html = t.Path() / "run.html", pdf = t.Path() / "run.pdf";
  const Json r = Parse(RunCli(t.Path(), "report --html '" + html.string() + "' --pdf '" + pdf.string() + "'"));
  EXPECT_EQ(r["kind"], "run");
  EXPECT_EQ(r["chart_count"], 3);
  const std::string page = tpstest::ReadString(html);
  for (const char* part : {"<!DOCTYPE html>", "<meta charset=\"utf-8\">", "Соответствие нормам", "Фидеры",
                           "Потери энергии, Вт·ч", "<svg xmlns=", "</html>"})
    EXPECT_NE(page.find(part), std::string::npos) << part;
  EXPECT_EQ(page.find("http://"), page.find("http://www.w3.org/2000/svg"));  // nothing fetched
  EXPECT_EQ(tpstest::ReadString(pdf).rfind("%PDF-", 0), 0u);
  Parse(RunCli(t.Path(), "compare --schedule file00.gdp"));
  const fs::path cmp = t.Path() / "cmp.html";
  const Json c = Parse(RunCli(t.Path(), "report --html '" + cmp.string() + "'"));
  EXPECT_EQ(c["kind"], "compare");
  const std::string table = tpstest::ReadString(cmp);
  for (const char* part : {"Сравнение схем электроснабжения", "Лучшая схема", "Пост.параллельная", "<svg xmlns="})
    EXPECT_NE(table.find(part), std::string::npos) << part;
}
