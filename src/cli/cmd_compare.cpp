// "compare": the feeding schemes side by side on the same traffic (one
// schedule, or the same realizations of the random flow), ranked by their
// loss among those that keep every train above the second voltage norm; the
// table as JSON on stdout, and on request as CSV and as a chart (SVG, PNG).
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "charts/comparechart.h"
#include "charts/svg.h"
#include "cli/common.h"
#include "cli/interrupt.h"
#include "cli/report_file.h"
#include "driver/probrun.h"
#include "driver/runs.h"
#include "params/conv.h"
#include "params/csv.h"
#include "params/fileio.h"
#include "params/persist.h"
#include "tasks/compare.h"
#include "traffic/randomflow.h"
#include "traffic/schedule.h"
#include "validation/schedule_checks.h"

#ifdef TPS_CHART_PAINT
#include <QGuiApplication>

#include "chartpaint/ChartPainter.h"
#endif

namespace tps::cli {

namespace {

struct CompareOptions {
  std::string schedule, schemes;
  size_t runs = 0;
  std::string period = "1 час", interval = "8";
  bool wait = false;
  bool bestPosts = false;
  unsigned jobs = 0;
  std::string csv, svg, png;
};

std::vector<int> SchemeList(const std::string& text) {
  std::vector<int> list;
  if (text.empty()) return list;
  std::stringstream in(text);
  std::string part;
  while (std::getline(in, part, ',')) {
    int32_t v = 0;
    if (!TryStrToInt(part, v) || v < 1 || v > 12 || part.find_first_not_of("0123456789") != std::string::npos)
      throw UsageError("--schemes takes scheme numbers 1..12 separated by commas: " + text);
    list.push_back(v);
  }
  return list;
}

// The figures of one run, named as in a run's JSON.
using FigureOf = double (*)(const SchemeRunFigures&);
struct Figure {
  const char* Key;
  FigureOf Of;
};
const Figure kFigures[] = {
    {"energy_supplied_wh", [](const SchemeRunFigures& r) { return r.SuppliedWh; }},
    {"energy_supplied_varh", [](const SchemeRunFigures& r) { return r.SuppliedVarh; }},
    {"energy_loss_wh", [](const SchemeRunFigures& r) { return r.LossWh; }},
    {"loss_percent", [](const SchemeRunFigures& r) { return r.LossPercent; }},
    {"mean_useful_voltage_v", [](const SchemeRunFigures& r) { return r.Norms.MeanUsefulVoltage(); }},
    {"min_voltage_v", [](const SchemeRunFigures& r) { return r.Norms.Lowest.Voltage; }},
    {"below_norm1_share", [](const SchemeRunFigures& r) { return r.Norms.Below1Share(); }},
    {"below_norm2_share", [](const SchemeRunFigures& r) { return r.Norms.Below2Share(); }},
    {"peak_current_a", [](const SchemeRunFigures& r) { return r.Norms.PeakFeederCurrent(); }},
};

Json RowJson(const SchemeComparison& c, bool random) {
  Json row;
  row["scheme"] = c.Variant;
  row["scheme_name"] = c.Name;
  if (!c.PskKm.empty()) row["psk_km"] = NumberOf(c.PskKm, "ПСК");
  if (!c.Pps1Km.empty()) row["pps1_km"] = NumberOf(c.Pps1Km, "ППС1");
  if (!c.Pps2Km.empty()) row["pps2_km"] = NumberOf(c.Pps2Km, "ППС2");
  if (!random && c.Runs.size() == 1) {
    const SchemeRunFigures& r = c.Runs.front();
    row["energy_supplied_wh"] = r.SuppliedWh;
    row["energy_supplied_varh"] = r.SuppliedVarh;
    row["energy_loss_wh"] = r.LossWh;
    row["loss_percent"] = r.LossPercent;
    row["peak_current_a"] = r.Norms.PeakFeederCurrent();
    const Json norms = NormsJson(r.Norms);
    for (const auto& [key, value] : norms.items()) row[key] = value;
  } else {
    row["realizations_run"] = c.Runs.size();
    for (const Figure& f : kFigures) {
      const FigureSummary s = Summarize(c.Figure(f.Of));
      row[f.Key] = s.Mean;
      row[std::string(f.Key) + "_sd"] = s.Sd;
      row[std::string(f.Key) + "_ci95"] = Json::array({s.Low, s.High});
    }
    row["realizations_below_norm2"] = c.RunsBelowNorm2;
  }
  row["keeps_norm2"] = c.KeepsNorm2;
  row["rank"] = c.Rank > 0 ? Json(c.Rank) : Json(nullptr);
  row["reason"] = c.Reason;
  return row;
}

// The table as CSV: a row per scheme, the units in the header.
std::string CompareCsv(const CompareResult& r, bool random) {
  std::vector<std::string> head = {"Схема", "Название", "ПСК, км", "ППС1, км", "ППС2, км"};
  const char* names[] = {"Отпущено, Вт·ч",  "Отпущено реактивной, вар·ч", "Потери, Вт·ч",
                         "Потери, %",       "Среднее полезное напряжение, В", "Наименьшее напряжение, В",
                         "Доля ниже нормы 1", "Доля ниже нормы 2",         "Наибольший ток фидера, А"};
  for (const char* n : names) {
    head.push_back(n);
    if (random) {
      head.push_back(std::string(n) + " СКО");
      head.push_back(std::string(n) + " 95% от");
      head.push_back(std::string(n) + " 95% до");
    }
  }
  head.insert(head.end(), {"Место", "Причина"});
  std::string text = std::string(kUtf8Bom) + CsvRecord(head) + "\r\n";
  for (const SchemeComparison& c : r.Schemes) {
    std::vector<std::string> f = {std::to_string(c.Variant), c.Name, c.PskKm, c.Pps1Km, c.Pps2Km};
    for (const Figure& fig : kFigures) {
      const FigureSummary s = Summarize(c.Figure(fig.Of));
      f.push_back(CsvNumber(s.Mean));
      if (random) {
        f.push_back(CsvNumber(s.Sd));
        f.push_back(CsvNumber(s.Low));
        f.push_back(CsvNumber(s.High));
      }
    }
    f.push_back(c.Rank > 0 ? std::to_string(c.Rank) : "");
    f.push_back(c.Reason);
    text += CsvRecord(f) + "\r\n";
  }
  return text;
}

int Compare(AppState& st, CliHost& host, const Options& o, const CompareOptions& co, std::ostream& out,
            std::ostream& err) {
  const bool random = co.schedule.empty();
  if (random && co.runs == 0) throw UsageError("compare takes --schedule FILE or --runs N (random flows)");
  if (!random && co.runs != 0) throw UsageError("--runs compares random flows; it does not go with --schedule");
  if (random && co.bestPosts) throw UsageError("--best-posts places the posts over a schedule: give --schedule");
  Json j;
  CompareInput in;
  in.Schemes = SchemeList(co.schemes);
  in.BestPosts = co.bestPosts;
  TGDPClass g;
  if (!random) {
    in.Schedule = ScheduleListName(st.Work, co.schedule);
    g.LoadFromFile(st.Work, SchedulePath(in.Schedule));
    Prepare(st, SchemeOfSchedule(o, g, co.schedule), o);
    st.RunMode = ModeSchedule;
    double zone = 0;
    TryStrToFloat(st.Params.ZoneLength.Get(), zone);
    in.Bounds = TaskInput{"1", FloatToStr(zone - 1), "1"};
  } else {
    int32_t interval = 0;
    if (!TryStrToInt(co.interval, interval) || interval < 1 || interval > 60 ||
        co.interval.find_first_not_of("0123456789") != std::string::npos)
      throw UsageError("--interval takes whole minutes 1..60: " + co.interval);
    Prepare(st, o.scheme == 0 ? 3 : o.scheme, o);
    st.Prob.Period = co.period;
    st.Prob.MinInterval = co.interval;
    st.Prob.WaitTrains = co.wait;
    in.Runs = co.runs;
  }
  ApplyRunOptions(st, o);
  LoadProbTrainParams(st);
  if (random) EnterProbMode(st);
  // The zone's own scheme and fields, as every run echoes them; the traffic
  // beside them.
  j["inputs"] = Inputs(st, host, o, random, random ? std::string() : SchedulePath(in.Schedule));
  j["zone_km"] = NumberOf(st.Params.ZoneLength.Get(), "ZoneLength");
  if (random) {
    j["runs"] = co.runs;
    j["period"] = co.period;
  }

  StudyControl ctl;
  ctl.Jobs = co.jobs;
  bool shown = false;
  if (::isatty(2) != 0)
    ctl.Progress = [&err, &shown](size_t done, size_t total) {
      err << "\rrun " << done << " of " << total << "   " << std::flush;
      shown = true;
    };
  CompareResult r;
  const auto t0 = std::chrono::steady_clock::now();
  StopOnInterrupt stopOnSignal(ctl.Stop);
  const RunOutcome ran = RunAsCommand(host, [&] {
    r = CompareSchemes(st, in, ctl);
    return r.Outcome;
  });
  if (shown) err << "\n";
  if (Interrupted()) {
    j["outcome"] = "interrupted";
    j["signal"] = InterruptName();
    j["messages"] = Messages(host);
    Print(out, j);
    return 0;
  }
  j["outcome"] = OutcomeName(ran);
  if (ran == RunOutcome::Refused) {
    const int code = Refused(j, host, out, err);
    if (!random) err << ReportMismatch(st, g, j);
    return code;
  }
  if (ran != RunOutcome::Finished) {
    j["messages"] = Messages(host);
    Print(out, j);
    for (const auto& m : host.messages) err << m.text << "\n";
    return 1;
  }
  if (r.Stopped) j["outcome"] = "stopped";
  const PantographNorms norms = NormsOfRun(st);
  j["norm1_v"] = norms.Norm1;
  j["norm2_v"] = norms.Norm2;
  Json rows = Json::array();
  for (const SchemeComparison& c : r.Schemes) rows.push_back(RowJson(c, random));
  j["schemes"] = std::move(rows);
  Json unfit = Json::array();
  for (const UnfitScheme& u : r.Unfit) unfit.push_back({{"scheme", u.Variant}, {"reason", u.Reason}});
  j["unfit"] = std::move(unfit);
  j["best"] = r.Best > 0 ? Json(r.Best) : Json(nullptr);
  j["best_reason"] = r.BestReason;
  j["elapsed_s"] = SecondsSince(t0);
  j["messages"] = Messages(host);

  if (!co.csv.empty()) SaveExport(co.csv, CompareCsv(r, random));
  if (!co.svg.empty() || !co.png.empty()) {
    const ChartGeometry chart = BuildCompareChart(r, norms);
    if (!co.svg.empty()) SaveExport(co.svg, ChartSvgText(chart));
#ifdef TPS_CHART_PAINT
    if (!co.png.empty()) {
      auto gui = paint::OffscreenGui();
      paint::SaveBytes(co.png, paint::ChartPng(chart));
    }
#else
    if (!co.png.empty()) throw UsageError("--png needs the program built with Qt");
#endif
  }
  SaveLastResult(st, j, "compare");
  Print(out, j);
  return 0;
}

}  // namespace

void RegisterCompareCommands(Registry& r) {
  CompareOptions& co = r.Keep<CompareOptions>();
  co.jobs = DefaultJobs();
  const Options& o = r.options;
  CLI::App* c = r.app.add_subcommand(
      "compare", "the feeding schemes side by side on one schedule or on the same random flows, ranked, print JSON");
  c->add_option("--schedule", co.schedule, "a schedule of the folder gdp, by name or path")->type_name("FILE");
  c->add_option("--schemes", co.schemes, "the schemes to compare (default: every scheme that fits)")
      ->type_name("V,V,...");
  c->add_flag("--best-posts", co.bestPosts, "place ПСК (and ППС1, ППС2) first by their search over the schedule");
  c->add_option("--runs", co.runs, "realizations of the random flow, the same for every scheme")
      ->type_name("N")
      ->check(CLI::Range(1, 100000));
  c->add_option("--period", co.period, "the period of a realization (default \"1 час\")")
      ->type_name("TEXT")
      ->check(CLI::IsMember(PeriodTexts()));
  c->add_option("--interval", co.interval, "the minimum interval J, minutes (default 8)")->type_name("J");
  c->add_flag("--wait", co.wait, "wait for the trains to leave the zone");
  c->add_option("--jobs", co.jobs, "runs made side by side (default: the number of cores)")
      ->type_name("N")
      ->check(CLI::Range(1, 256));
  c->add_option("--csv", co.csv, "the table as CSV (an export: any path)")->type_name("FILE");
  c->add_option("--svg", co.svg, "the chart of losses and lowest voltages as SVG (an export)")->type_name("FILE");
  c->add_option("--png", co.png, "the same chart as PNG (an export)")->type_name("FILE");
  r.AddSchemeOptions(c, false)->description("the scheme of the zone (default: the schedule's own, or 3)");
  r.AddRunOptions(c);
  r.AddSeedOption(c);
  r.AddCommand(c, [&o, &co](AppState& st, CliHost& host, std::ostream& out, std::ostream& err) {
    return Compare(st, host, o, co, out, err);
  });
}

}  // namespace tps::cli
