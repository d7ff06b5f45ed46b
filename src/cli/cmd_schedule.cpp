#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>

#include "circuit/schemes.h"
#include "cli/common.h"
#include "driver/runs.h"
#include "params/conv.h"
#include "params/fileio.h"
#include "params/persist.h"
#include "traffic/schedule.h"
#include "validation/checks.h"
#include "validation/schedule_checks.h"

namespace tps::cli {

namespace {

struct ScheduleOptions {
  std::string schedule, textFile, outFile;
};

// "Старт иммитации" in the schedule mode, then "Смотреть результаты".
int RunSchedule(AppState& st, CliHost& host, const Options& o, const ScheduleOptions& so, std::ostream& out,
                std::ostream& err) {
  const std::string name = ScheduleListName(st.Work, so.schedule);
  Json j;
  j["schedule"] = SchedulePath(name);
  // The schedule's own scheme unless another is asked for.
  TGDPClass g;
  RunOutcome read = RunAsCommand(host, [&] {
    g.LoadFromFile(st.Work, SchedulePath(name));
    return RunOutcome::Finished;
  });
  if (read != RunOutcome::Finished) return ReportRun(st, host, read, 0, 0, j, out, err);
  Prepare(st, WithF2F4(SchemeOfSchedule(o, g, so.schedule), o), o);
  st.RunMode = ModeSchedule;
  ApplyRunOptions(st, o);
  j["inputs"] = Inputs(st, host, o, DrawsRandom(st, o), SchedulePath(name));
  return ReportScheduleRun(st, host, g, j, out, err, [&] {
    // The input checks outside the test mode read the train parameters too.
    LoadProbTrainParams(st);
    return StartScheduleRun(st, name);
  });
}

// "schedule show": the head as the schedule panel shows it, and every time
// point with its events as the editor lists and describes them.
int ShowSchedule(AppState& st, const ScheduleOptions& so, std::ostream& out) {
  const std::string path = ScheduleProgramPath(st.Work, so.schedule);
  TGDPClass g;
  g.LoadFromFile(st.Work, path);
  const TGDP& s = g.Schedule;
  double step = 0;
  const bool stepOk = TryStrToFloat(s.Header.StepMinutes.Get(), step) && std::isfinite(step);
  Json j;
  j["file"] = path;
  Json head = Json::object();
  for (const char* field : {"ZoneLength", "StepMinutes", "UaRe", "UaIm", "UbRe", "UbIm", "PskKm", "Pps1Km",
                            "Pps2Km", "ContactWireType", "MessengerType", "FeederType", "RailType"}) {
    std::string text;
    if (GetParamField(s.Header, field, text)) head[field] = text;
  }
  j["header"] = std::move(head);
  j["variant"] = s.Variant;
  j["scheme_name"] = VariantName(s.Variant);
  j["duration_min"] = stepOk ? Json(g.LastTime() * step) : Json();
  // The time points are written one by one as the last member, so a year of
  // them is never held as one document.
  std::string opening = j.dump(-1, ' ', false, Json::error_handler_t::replace);
  opening.pop_back();  // the closing brace
  out << opening << ",\"time_points\":[";
  for (size_t t = 0; t < s.Items.size(); ++t) {
    const int ti = static_cast<int>(t);
    const std::vector<std::string> listed = g.ListEvents(ti);
    Json events = Json::array();
    for (size_t e = 0; e < listed.size(); ++e)
      events.push_back({{"event", listed[e]}, {"details", g.DescribeEvent(ti, static_cast<int>(e))}});
    const uint32_t time = s.Items[t].Time;
    const Json point = {
        {"step", time}, {"time_min", stepOk ? Json(time * step) : Json()}, {"events", std::move(events)}};
    out << (t ? "," : "") << point.dump(-1, ' ', false, Json::error_handler_t::replace);
  }
  out << "]}\n";
  return 0;
}

// The line of the first byte that is not UTF-8, 0 when the text is UTF-8.
int FirstNonUtf8Line(const std::string& t) {
  const size_t bad = FirstInvalidUtf8(t);
  if (bad == std::string_view::npos) return 0;
  return 1 + static_cast<int>(std::count(t.begin(), t.begin() + static_cast<std::ptrdiff_t>(bad), '\n'));
}

// The variant of a schedule made without --scheme: that of the default
// schedule (DC double track fed from both ends).
constexpr int kDefaultScheduleVariant = 3;

// "schedule make": the text form into a schedule file, on the parameter block
// and the variant of the scheme asked for (as the editor stores the window's).
int MakeSchedule(AppState& st, const Options& o, const ScheduleOptions& so, std::ostream& out,
                 std::ostream& err) {
  namespace fs = std::filesystem;
  const std::string path = ScheduleProgramPath(st.Work, so.outFile);
  const std::string lower = LowerName(path);
  if (lower.size() < 5 || lower.compare(lower.size() - 4, 4, ".gdp") != 0)
    throw UsageError("--out: a schedule file is named *.gdp: " + so.outFile);
  // The user's text, wherever he keeps it, read through the file layer.
  const fs::path text = fs::absolute(fs::path(so.textFile));
  const Bytes bytes = ReadFileBytes(WorkDir(text.parent_path()), text.filename().string());
  std::string utf8(bytes.begin(), bytes.end());
  if (utf8.compare(0, 3, "\xEF\xBB\xBF") == 0) utf8.erase(0, 3);
  if (int bad = FirstNonUtf8Line(utf8)) {
    err << "tpscalc-cli: " << so.textFile << ": строка " << bad << " не в кодировке UTF-8\n";
    return 2;
  }
  Prepare(st, o.scheme == 0 ? kDefaultScheduleVariant : o.scheme, o);
  ApplyFormRules(st.Params);
  TGDPClass g;
  g.Init(st);
  std::string error;
  if (!ScheduleFromText(utf8, g, error)) {
    err << "tpscalc-cli: " << so.textFile << ": " << error << "\n";
    return 2;
  }
  // A run would refuse it: a train on a track the scheme does not feed.
  if (const std::string lost = TrainWithoutTrack(g, st.SchemeVariant); !lost.empty()) {
    err << "tpscalc-cli: " << so.textFile << ": " << lost << "\n";
    return 2;
  }
  g.SaveToFile(st.Work, path);
  size_t events = 0;
  for (const TEvents& tp : g.Schedule.Items) events += tp.Events.size();
  Json j;
  j["file"] = path;
  j["variant"] = g.Schedule.Variant;
  j["scheme_name"] = VariantName(g.Schedule.Variant);
  j["time_points"] = g.Schedule.Items.size();
  j["events"] = events;
  double step = 0;
  j["duration_min"] = TryStrToFloat(st.Params.StepMinutes.Get(), step) && std::isfinite(step)
                          ? Json(g.LastTime() * step)
                          : Json();
  Print(out, j);
  return 0;
}

}  // namespace

void RegisterScheduleCommands(Registry& r) {
  ScheduleOptions& so = r.Keep<ScheduleOptions>();
  const Options& o = r.options;
  r.run->add_option("--schedule", so.schedule, "a schedule of the folder gdp, by name or path")
      ->type_name("FILE");
  r.AddRunMode("schedule", [&o, &so](AppState& st, CliHost& host, std::ostream& out, std::ostream& err) {
    if (so.schedule.empty()) throw UsageError("--mode schedule takes --schedule FILE");
    return RunSchedule(st, host, o, so, out, err);
  });

  CLI::App* schedule = r.app.add_subcommand("schedule", "show or make a train schedule (gdp\\*.gdp)");
  schedule->require_subcommand(1);
  CLI::App* show =
      schedule->add_subcommand("show", "the head, time points and events of a schedule, as JSON");
  CLI::App* make = schedule->add_subcommand("make", "a schedule file from its text form (UTF-8)");
  r.AddSchemeOptions(make, false)->description("the scheme the schedule is made for (default: 3)");
  show->add_option("FILE", so.schedule,
                   "a schedule: a name in the folder gdp, or a path in the working directory")
      ->required();
  show->footer("example:\n  tpscalc-cli schedule show file00.gdp");
  make->footer(
      "example:\n  tpscalc-cli schedule make trains.csv --out mine.gdp --scheme 2\n"
      "  (one event a line: time;event;number;active;reactive;km;speed;type, as data/gdp/file00.csv)");
  make->add_option("TEXTFILE", so.textFile, "the text form, one event a line (UTF-8)")->required();
  make->add_option("--out", so.outFile,
                   "the schedule file: a name in the folder gdp, or a path in the working directory")
      ->type_name("FILE.gdp")
      ->required();
  r.AddCommand(
      show, [&so](AppState& st, CliHost&, std::ostream& out, std::ostream&) { return ShowSchedule(st, so, out); },
      Access::Reads);
  r.AddCommand(make, [&o, &so](AppState& st, CliHost&, std::ostream& out, std::ostream& err) {
    return MakeSchedule(st, o, so, out, err);
  });
}

}  // namespace tps::cli
