// "chart": one time chart of the last run in the working directory, drawn
// without a display: the train paths of a schedule and the loss from the
// files of the run, the voltages, rail potentials and feeder currents from
// the chart data the run left beside "Graph\dp.gmt".

#include <string>

#include "charts/chart.h"
#include "cli/common.h"
#include "params/chartfile.h"

#ifdef TPS_CHART_PAINT
#include <QGuiApplication>

#include "chartpaint/ChartPainter.h"
#endif

namespace tps::cli {

namespace {

struct ChartOptionsCli {
  int kind = 0;
  std::string schedule, png, svg, csv;
  std::vector<int> hidden;  // feeder boxes unchecked
};

int DrawChart(AppState& st, CliHost& host, const ChartOptionsCli& co, std::ostream& out, std::ostream& err) {
  const std::string name = co.schedule.empty() ? std::string() : ScheduleListName(st.Work, co.schedule);
  if (co.kind >= 3) {
    SavedChartData saved = ReadChartDataFile(st.Work);
    st.Chart = std::move(saved.Data);
    st.SchemeVariant = saved.Variant;
    if (!ChartAvailable(st.Chart, co.kind)) {
      const char* what = co.kind == 4
                             ? "the last run recorded no rail potentials (constructor mode only)"
                             : "the last run recorded no chart data (a run with charts switched off?)";
      throw UsageError(std::string("chart --kind ") + std::to_string(co.kind) + ": " + what);
    }
  }
  if (!co.hidden.empty()) st.ChartOpts.All = false;
  for (int box : co.hidden) st.ChartOpts.Feeders[box - 1] = false;
  ChartGeometry g;
  try {
    g = OpenChart(st, co.kind, name);
  } catch (const ChartError& e) {
    throw UsageError(e.what());
  }
#ifdef TPS_CHART_PAINT
  auto gui = paint::OffscreenGui();
  if (!co.png.empty()) paint::SaveBytes(co.png, paint::ChartPng(g));
  if (!co.svg.empty()) paint::SaveBytes(co.svg, paint::ChartSvg(g));
  if (!co.csv.empty()) paint::SaveCsv(co.csv, g);
#else
  if (!co.png.empty() || !co.svg.empty())
    throw UsageError("this tpscalc-cli was built without Qt: only --csv");
  if (!co.csv.empty()) {
    const std::filesystem::path abs = std::filesystem::absolute(co.csv);
    WriteChartCsv(WorkDir(abs.parent_path()), abs.filename().string(), g);
  }
#endif
  Json j;
  j["chart_kind"] = co.kind;
  j["width_px"] = g.Width;
  j["height_px"] = g.Height;
  Json series = Json::array();
  for (const ChartPolyline& s : g.Series) series.push_back(s.Name);
  j["series"] = std::move(series);
  j["messages"] = Messages(host);
  Print(out, j);
  (void)err;
  return 0;
}

}  // namespace

void RegisterChartCommands(Registry& r) {
  auto& co = r.Keep<ChartOptionsCli>();
  CLI::App* c = r.app.add_subcommand(
      "chart", "draw a time chart of the last run (PNG, SVG) or save its series (CSV), without a display");
  c->add_option(
       "--kind", co.kind,
       "0 schedule paths, 1 loss, 2 paths and loss, 3 train voltages, 4 rail potentials, 5 feeder currents")
      ->required()
      ->check(CLI::Range(0, 5));
  c->add_option("--schedule", co.schedule, "kinds 0 and 2: a schedule of the folder gdp (default file00.gdp)")
      ->type_name("FILE");
  c->add_option("--png", co.png, "the chart as PNG (an export: any path)")->type_name("FILE");
  c->add_option("--svg", co.svg, "the chart as SVG (an export: any path)")->type_name("FILE");
  c->add_option("--csv", co.csv, "the series as CSV: model minutes and one column a series (an export: any path)")
      ->type_name("FILE");
  c->footer(
      "--png, --svg and --csv are exports, as from the window's save dialog: they are written wherever\n"
      "you name them, inside the working directory or not. The program's own files (\"Graph\\dp.gmt\",\n"
      "\"Graph\\charts.cdt\", the schedules) are only read here, and only inside the working directory.\n"
      "example (after a run):\n  tpscalc-cli chart --kind 1 --png loss.png --csv loss.csv");
  c->add_option("--hide-feeder", co.hidden, "kind 5: leave out a feeder as its unchecked box does (1..4)")
      ->check(CLI::Range(1, 4))
      ->type_name("N");
  // Taken as before, for scripts that give it: the colours no longer depend on it.
  r.AddSeedOption(c);
  // It reads the files of the last run; its exports go where the user names them.
  r.AddCommand(
      c,
      [&co](AppState& st, CliHost& host, std::ostream& out, std::ostream& err) {
        return DrawChart(st, host, co, out, err);
      },
      Access::Reads);
}

}  // namespace tps::cli
