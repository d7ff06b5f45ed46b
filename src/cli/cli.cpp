#include "cli/cli.h"

#include <unistd.h>
#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <system_error>

#include "circuit/schemes.h"
#include "driver/runs.h"
#include "driver/testrun.h"
#include "params/defaults.h"
#include "params/errors.h"
#include "params/lifecycle.h"
#include "params/persist.h"
#include "solver/report.h"
#include "solver/solve.h"
#include "traffic/schedule.h"
#include "validation/checks.h"
#include "validation/schedule_checks.h"

#ifndef TPS_VERSION
#define TPS_VERSION "0"
#endif

namespace tps::cli {

namespace {

// Keys in the order they are written.
using Json = nlohmann::ordered_json;

const char* kFooter =
    "exit codes: 0 the command finished; 2 the command line or the input was refused\n"
    "(the batch: a validation warning, a zero speed, or only a speed recommended;\n"
    "a schedule run: a schedule that does not fit the scheme, zone or step;\n"
    "schedule make: a wrong line of the text);\n"
    "1 an error (a file operation, a missing or damaged schedule file, a step with\n"
    "no solution or a non-numeric one).";

// The command line or its input refused: exit code 2, the message on stderr.
struct UsageError : std::runtime_error {
  explicit UsageError(const std::string& m) : std::runtime_error(m) {}
};

// Keeps every message; shows batch progress on a terminal.
class CliHost : public RecordingHost {
 public:
  explicit CliHost(std::ostream& err) : err_(err) {}
  const AppState* state = nullptr;
  bool progress = false;
  // The model clock as the run last showed it (a schedule run sets it back
  // to 0 when it ends).
  double shownModelTime = 0;
  void ProcessEvents() override {
    RecordingHost::ProcessEvents();
    if (state) shownModelTime = state->ModelTime;
    if (progress && state) {
      err_ << "\rstep " << state->StepCount << "  time " << FormatRunTime(state->ModelTime) << "  trains "
           << state->Trains.TrainCount1() + state->Trains.TrainCount2() << "   " << std::flush;
      shown_ = true;
    }
  }
  void EndProgress() {
    if (shown_) err_ << "\n";
    shown_ = false;
  }

 private:
  std::ostream& err_;
  bool shown_ = false;
};

struct Options {
  std::string workdir;
  std::string mode, schedule, textFile, outFile;
  bool workdirGiven = false;
  int scheme = 0;
  std::vector<std::string> sets;
  std::vector<std::string> trains;
  std::vector<std::string> options;
  std::string randomVoltage, randomAngle;
  bool haveSeed = false;
  uint32_t seed = 0;
};

bool HasOption(const Options& o, const std::string& name) {
  for (const auto& x : o.options)
    if (x == name) return true;
  return false;
}

// A number of the command line, read as the program reads every number.
double NumberOf(const std::string& text, const std::string& what) {
  double v = 0;
  if (!TryStrToFloat(text, v) || !std::isfinite(v))
    throw UsageError(what + ": '" + text + "' is not a number");
  return v;
}

// MEAN:DEV of a random draw, each within its range.
std::pair<std::string, std::string> MeanAndDeviation(const std::string& s, const std::string& what,
                                                     double meanLo, double meanHi, double devHi) {
  size_t p = s.find(':');
  if (p == std::string::npos) throw UsageError(what + " expects MEAN:DEV: " + s);
  std::string mean = s.substr(0, p), dev = s.substr(p + 1);
  double m = NumberOf(mean, what + " MEAN"), d = NumberOf(dev, what + " DEV");
  if (m < meanLo || m > meanHi)
    throw UsageError(what + " MEAN " + mean + " is not between " + FloatToStr(meanLo) + " and " +
                     FloatToStr(meanHi));
  if (d < 0 || d > devHi)
    throw UsageError(what + " DEV " + dev + " is not between 0 and " + FloatToStr(devHi));
  return {mean, dev};
}

// A field of the block that takes any text (a number field refuses one).
bool IsTextField(const std::string& field) {
  TParamBlock probe;
  try {
    return SetParamField(probe, field, "x");
  } catch (const ConvertError&) {
    return false;
  }
}

// Params as the windows would hold them for scheme V: the defaults file,
// then the scheme's saved state, then the --set fields.
void Prepare(AppState& st, int scheme, const Options& o) {
  st.Scheme = SchemeControlsForVariant(scheme);
  UpdateSchemeVariant(st);
  LoadState(st, SchemeCode(scheme));
  for (const auto& s : o.sets) {
    size_t p = s.find('=');
    if (p == std::string::npos) throw UsageError("--set expects FIELD=TEXT: " + s);
    std::string field = s.substr(0, p), text = s.substr(p + 1);
    try {
      if (!SetParamField(st.Params, field, text)) throw UsageError("unknown field: " + field);
    } catch (const ConvertError& e) {
      throw UsageError("--set " + field + ": " + e.what());
    }
    // A text field keeps a few characters of the code page: a longer text
    // would be cut to another value without a word.
    std::string kept;
    if (IsTextField(field) && GetParamField(st.Params, field, kept) && kept != text)
      throw UsageError("--set " + field + ": '" + text + "' does not fit the field, which would keep '" +
                       kept + "'");
  }
  st.SchemeVariant = static_cast<uint8_t>(scheme);
  st.RunMode = ModeTest;
}

Json Messages(const RecordingHost& h) {
  Json a = Json::array();
  for (const auto& m : h.messages) a.push_back({{"kind", MsgKindName(m.kind)}, {"text", m.text}});
  return a;
}

void Print(std::ostream& out, const Json& j) {
  out << j.dump(-1, ' ', false, Json::error_handler_t::replace) << "\n";
}

Json Complex(TComplex z) {
  return Json::array({z.Re, z.Im});
}

// A refusal: the JSON with its messages on stdout, the messages on stderr.
int Refused(Json& j, const RecordingHost& h, std::ostream& out, std::ostream& err) {
  j["messages"] = Messages(h);
  Print(out, j);
  for (const auto& m : h.messages) err << m.text << "\n";
  return 2;
}

// One train TRACK:KM:ACTIVE[:REACTIVE] on a track the scheme has.
struct TrainArg {
  int track;
  std::string km, active, reactive;
  bool hasReactive;
};

TrainArg ParseTrain(const std::string& t, int scheme) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t p = t.find(':', start);
    parts.push_back(t.substr(start, p == std::string::npos ? std::string::npos : p - start));
    if (p == std::string::npos) break;
    start = p + 1;
  }
  if (parts.size() < 3 || parts.size() > 4 || (parts[0] != "1" && parts[0] != "2"))
    throw UsageError("--train takes TRACK:KM:ACTIVE[:REACTIVE] with TRACK 1 or 2: " + t);
  TrainArg a{parts[0] == "1" ? 1 : 2, parts[1], parts[2], parts.size() == 4 ? parts[3] : "",
             parts.size() == 4};
  // A single-track scheme has no track 2; with Ф2 and Ф4 off it is disconnected.
  if (a.track == 2 && !FieldsForCode(SchemeCode(scheme)).Track2TrainsEnabled)
    throw UsageError("--train " + t + ": scheme " + std::to_string(scheme) + " (" + VariantName(scheme) +
                     (IsSingleTrackVariant(scheme) ? ") has no track 2" : ") has track 2 disconnected"));
  return a;
}

int Solve(AppState& st, CliHost& host, const Options& o, std::ostream& out, std::ostream& err) {
  for (const auto& x : o.options)
    if (x != "write-matrices") throw UsageError("unknown --option for solve: " + x);
  std::vector<TrainArg> trains;
  for (const auto& t : o.trains) trains.push_back(ParseTrain(t, o.scheme));
  Prepare(st, o.scheme, o);
  st.Options.WriteMatrices = HasOption(o, "write-matrices");
  Json j;
  j["scheme"] = o.scheme;
  j["code"] = SchemeCode(o.scheme);
  // The fields are checked as the window checks them before a train is added.
  ApplyFormRules(st.Params);
  if (CheckMainInput(st) != 0) return Refused(j, host, out, err);
  for (const TrainArg& t : trains) {
    st.Params.TrainKm.Set(t.km);
    st.Params.TrainActive.Set(t.active);
    if (t.hasReactive) st.Params.TrainReactive.Set(t.reactive);
    if (!AddTrainButton(st, t.track)) {
      if (!host.messages.empty()) return Refused(j, host, out, err);
      throw UsageError("track " + std::to_string(t.track) + " is full");
    }
  }
  if (!BuildStepCircuit(st)) {
    j["messages"] = Messages(host);
    Print(out, j);
    return 1;
  }
  StepCircuit& c = st.Circuit;
  const int n = c.NodeCount, m = c.BranchCount;
  std::vector<int> nodeTrain = c.NodeTrain;
  std::vector<int> nodeCircle = c.NodeCircle, from = c.BranchFrom, to = c.BranchTo;
  std::vector<double> nodeKm = c.NodeKm;
  Json fb = Json::array({c.FeederBranch1, c.FeederBranch2, c.FeederBranch3, c.FeederBranch4});
  try {
    SolveStep(st);
  } catch (const SingularError& e) {
    host.ShowMessage(MsgKind::Error, e.what(), MsgButtons::Ok);
  } catch (const NonFiniteError& e) {
    host.ShowMessage(MsgKind::Error, e.what(), MsgButtons::Ok);
  }
  if (c.LastPotentials.Empty()) {
    // The step has no solution: its message, and no numbers.
    j["messages"] = Messages(host);
    Print(out, j);
    err << host.messages.back().text << "\n";
    return 1;
  }
  j["node_count"] = n;
  j["branch_count"] = m;
  j["loss_w"] = st.StepLoss;
  j["feeder_branches"] = fb;
  j["min_voltage"] = Complex(st.MinVoltage);
  Json nodes = Json::array();
  for (int i = 1; i <= n; ++i) {
    const size_t k = static_cast<size_t>(i - 1);
    nodes.push_back({{"number", i},
                     {"circle", nodeCircle[k]},
                     {"km", nodeKm[k]},
                     {"train", nodeTrain[k]},
                     {"potential", Complex(c.LastPotentials(i, 1))}});
  }
  j["nodes"] = std::move(nodes);
  Json branches = Json::array();
  for (int b = 1; b <= m; ++b) {
    const size_t k = static_cast<size_t>(b - 1);
    branches.push_back(
        {{"number", b}, {"from", from[k]}, {"to", to[k]}, {"current", Complex(c.LastCurrents(b, 1))}});
  }
  j["branches"] = std::move(branches);
  j["messages"] = Messages(host);
  Print(out, j);
  return 0;
}

const char* OutcomeName(RunOutcome r) {
  switch (r) {
    case RunOutcome::Finished:
      return "finished";
    case RunOutcome::Refused:
      return "refused";
    case RunOutcome::Recommended:
      return "recommended";
    case RunOutcome::Failed:
      return "failed";
  }
  return "failed";
}

// The scheme with the box "Откл Ф2 и Ф4" checked where the scheme has it (the
// double-track two-sided schemes only).
int WithF2F4(int scheme, const Options& o) {
  if (HasOption(o, "f2f4-off") && (scheme == 3 || scheme == 6 || scheme == 10 || scheme == 12))
    return scheme <= 6 ? 6 : 12;
  return scheme;
}

// The run options shared by the batch and the schedule run.
void ApplyRunOptions(AppState& st, const Options& o) {
  st.Options.FastCalc = !HasOption(o, "detailed");
  st.VaryTrainCurrents = HasOption(o, "vary-currents");
  st.Options.BuildCharts = !HasOption(o, "no-charts");
}

// Runs one run of the engine as a command: an error that ends it is shown
// like the window's error box, and the run is not a result.
template <class F>
RunOutcome RunAsCommand(CliHost& host, F&& run) {
  try {
    return run();
  } catch (const std::exception& e) {
    host.ShowMessage(MsgKind::Error, e.what(), MsgButtons::Ok);
    return RunOutcome::Failed;
  }
}

// The answer of a run: the totals ("Смотреть результаты", appended to
// "Final.txt") only after a finished run. Exit 0 finished, 2 refused or only
// recommended, 1 failed.
int ReportRun(AppState& st, CliHost& host, RunOutcome outcome, double modelTime, double elapsed, Json& j,
              std::ostream& out, std::ostream& err) {
  j["outcome"] = OutcomeName(outcome);
  if (outcome == RunOutcome::Refused || outcome == RunOutcome::Recommended) return Refused(j, host, out, err);
  if (outcome == RunOutcome::Failed) {
    j["messages"] = Messages(host);
    Print(out, j);
    for (const auto& m : host.messages)
      if (m.kind == MsgKind::Error) err << m.text << "\n";
    return 1;
  }
  int steps = st.LossSeries.LastIndex + 1;
  double energyLoss = st.EnergyLoss, lossPercent = st.LossPercent;
  double supplied0 = st.EnergySupplied[0], supplied1 = st.EnergySupplied[1];
  TComplex minV = st.MinVoltage, maxV = st.MaxVoltage;
  int minStep = st.MinVoltageStep, maxStep = st.MaxVoltageStep;
  double meanV = st.MeanVoltage;
  WriteTotals(st);
  j["steps_solved"] = steps;
  j["model_time_min"] = modelTime;
  j["energy_loss_wh"] = energyLoss;
  j["loss_percent"] = lossPercent;
  j["energy_supplied"] = Json::array({supplied0, supplied1});
  j["min_voltage"] = CAbs(minV);
  j["min_voltage_step"] = minStep;
  j["mean_voltage"] = meanV;
  j["max_voltage"] = CAbs(maxV);
  j["max_voltage_step"] = maxStep;
  j["elapsed_s"] = elapsed;
  j["messages"] = Messages(host);
  Print(out, j);
  for (const auto& m : host.messages)
    if (m.kind != MsgKind::Information) err << m.text << "\n";
  return 0;
}

double SecondsSince(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

int Batch(AppState& st, CliHost& host, const Options& o, std::ostream& out, std::ostream& err) {
  const int scheme = WithF2F4(o.scheme, o);
  std::pair<std::string, std::string> voltage, angle;
  // Substation voltages are within 50 kV, as the voltage fields are.
  if (!o.randomVoltage.empty())
    voltage = MeanAndDeviation(o.randomVoltage, "--random-voltage", 1, 50000, 50000);
  if (!o.randomAngle.empty()) angle = MeanAndDeviation(o.randomAngle, "--random-angle", -360, 360, 360);
  Prepare(st, scheme, o);
  ApplyRunOptions(st, o);
  if (!o.randomVoltage.empty()) {
    st.Voltages.RandU = true;
    st.Voltages.MeanU = voltage.first;
    st.Voltages.DevU = voltage.second;
  }
  if (!o.randomAngle.empty()) {
    st.Voltages.RandD = true;
    st.Voltages.MeanD = angle.first;
    st.Voltages.DevD = angle.second;
  }
  host.state = &st;
  host.progress = ::isatty(2) != 0;
  auto t0 = std::chrono::steady_clock::now();
  RunOutcome outcome = RunAsCommand(host, [&] { return BatchLaunch(st); });
  host.EndProgress();
  const double elapsed = SecondsSince(t0);
  Json j;
  j["scheme"] = st.SchemeVariant;
  j["code"] = SchemeCode(st.SchemeVariant);
  return ReportRun(st, host, outcome, st.ModelTime, elapsed, j, out, err);
}

// ---------------------------------------------------------------- schedules

// A schedule file of the command line as a program path of the working
// directory: a bare name is a schedule of its "gdp" folder; a path (from the
// current directory or absolute) must lie inside the working directory.
std::string ScheduleProgramPath(const WorkDir& wd, const std::string& file) {
  namespace fs = std::filesystem;
  if (file.empty() || file == "." || file == "..") throw UsageError("no schedule file named: '" + file + "'");
  if (file.find('/') == std::string::npos) {
    if (file.find('\\') != std::string::npos)
      throw UsageError("a schedule name holds no '\\'; give a path with '/': " + file);
    return SchedulePath(file);
  }
  std::error_code ec;
  const fs::path root = fs::weakly_canonical(fs::absolute(wd.Root(), ec), ec);
  const fs::path path = fs::weakly_canonical(fs::absolute(fs::path(file), ec), ec);
  const fs::path rel = path.lexically_relative(root);
  if (ec || rel.empty() || rel == "." || *rel.begin() == "..")
    throw UsageError("the schedule " + file + " lies outside the working directory " + root.string() +
                     "; the program reads only files of its working directory");
  std::string name;
  for (const fs::path& part : rel) name += (name.empty() ? "" : "\\") + part.string();
  return name;
}

// A run takes a schedule of the list, that is of the "gdp" folder: its name there.
std::string ScheduleListName(const WorkDir& wd, const std::string& file) {
  const std::string path = ScheduleProgramPath(wd, file);
  const size_t sep = path.find('\\');
  if (sep == std::string::npos || path.find('\\', sep + 1) != std::string::npos ||
      LowerName(path.substr(0, sep)) != kScheduleDir)
    throw UsageError("a schedule run takes a schedule of the folder \"gdp\" of the working directory, not " +
                     file);
  return path.substr(sep + 1);
}

// What the schedule check found against the scheme, the zone and the step,
// as the labels of the schedule panel show it in red: into the JSON, and one
// line each for stderr.
std::string ReportMismatch(const AppState& st, const TGDPClass& g, Json& j) {
  std::ostringstream err;
  const ScheduleLabels& l = st.ScheduleLabelColours;
  const TGDP& s = g.Schedule;
  Json m = Json::object();
  if (l.Scheme == kLabelRed) {
    m["scheme"] = {{"schedule", s.Variant}, {"run", st.SchemeVariant}};
    err << "схема: в ГДП " << int(s.Variant) << " \"" << VariantName(s.Variant) << "\", для расчёта "
        << int(st.SchemeVariant) << " \"" << VariantName(st.SchemeVariant) << "\"\n";
  }
  if (l.ZoneLength == kLabelRed) {
    m["zone_length"] = {{"schedule", s.Header.ZoneLength.Get()}, {"run", st.Params.ZoneLength.Get()}};
    err << "длина зоны: в ГДП '" << s.Header.ZoneLength.Get() << "', для расчёта '"
        << st.Params.ZoneLength.Get() << "'\n";
  }
  if (l.Step == kLabelRed) {
    m["step"] = {{"schedule", s.Header.StepMinutes.Get()}, {"run", st.Params.StepMinutes.Get()}};
    err << "шаг: в ГДП '" << s.Header.StepMinutes.Get() << "', для расчёта '" << st.Params.StepMinutes.Get()
        << "'\n";
  }
  j["mismatch"] = std::move(m);
  return err.str();
}

// "Старт иммитации" in the schedule mode, then "Смотреть результаты".
int RunSchedule(AppState& st, CliHost& host, const Options& o, std::ostream& out, std::ostream& err) {
  const std::string name = ScheduleListName(st.Work, o.schedule);
  Json j;
  j["schedule"] = SchedulePath(name);
  // The schedule's own scheme unless another is asked for.
  TGDPClass g;
  RunOutcome read = RunAsCommand(host, [&] {
    g.LoadFromFile(st.Work, SchedulePath(name));
    return RunOutcome::Finished;
  });
  if (read != RunOutcome::Finished) return ReportRun(st, host, read, 0, 0, j, out, err);
  int scheme = o.scheme;
  if (scheme == 0) {
    if (g.Schedule.Variant < 1 || g.Schedule.Variant > 12)
      throw UsageError("the schedule " + o.schedule + " names no scheme (variant " +
                       std::to_string(g.Schedule.Variant) + "): give --scheme");
    scheme = g.Schedule.Variant;
  }
  Prepare(st, WithF2F4(scheme, o), o);
  st.RunMode = ModeSchedule;
  ApplyRunOptions(st, o);
  host.state = &st;
  host.progress = ::isatty(2) != 0;
  auto t0 = std::chrono::steady_clock::now();
  RunOutcome outcome = RunAsCommand(host, [&] {
    // The input checks outside the test mode read the train parameters too.
    LoadProbTrainParams(st);
    return StartScheduleRun(st, name);
  });
  host.EndProgress();
  const double elapsed = SecondsSince(t0);
  j["scheme"] = st.SchemeVariant;
  j["code"] = SchemeCode(st.SchemeVariant);
  const std::string mismatch = outcome == RunOutcome::Refused ? ReportMismatch(st, g, j) : "";
  const int code = ReportRun(st, host, outcome, host.shownModelTime, elapsed, j, out, err);
  err << mismatch;
  return code;
}

// "schedule show": the head as the schedule panel shows it, and every time
// point with its events as the editor lists and describes them.
int ShowSchedule(AppState& st, const Options& o, std::ostream& out) {
  const std::string path = ScheduleProgramPath(st.Work, o.schedule);
  TGDPClass g;
  g.LoadFromFile(st.Work, path);
  const TGDP& s = g.Schedule;
  double step = 0;
  const bool stepOk = TryStrToFloat(s.Header.StepMinutes.Get(), step) && std::isfinite(step);
  auto at = [&](uint32_t time) { return stepOk ? FormatScheduleTime(time, step) : std::string(); };
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
  j["duration"] = at(g.LastTime());
  Json points = Json::array();
  for (size_t t = 0; t < s.Items.size(); ++t) {
    const int ti = static_cast<int>(t);
    const std::vector<std::string> listed = g.ListEvents(ti);
    Json events = Json::array();
    for (size_t e = 0; e < listed.size(); ++e)
      events.push_back({{"event", listed[e]}, {"details", g.DescribeEvent(ti, static_cast<int>(e))}});
    points.push_back({{"time", s.Items[t].Time}, {"at", at(s.Items[t].Time)}, {"events", std::move(events)}});
  }
  j["time_points"] = std::move(points);
  Print(out, j);
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
int MakeSchedule(AppState& st, const Options& o, std::ostream& out, std::ostream& err) {
  namespace fs = std::filesystem;
  const std::string path = ScheduleProgramPath(st.Work, o.outFile);
  const std::string lower = LowerName(path);
  if (lower.size() < 5 || lower.compare(lower.size() - 4, 4, ".gdp") != 0)
    throw UsageError("--out: a schedule file is named *.gdp: " + o.outFile);
  // The user's text, wherever he keeps it, read through the file layer.
  const fs::path text = fs::absolute(fs::path(o.textFile));
  const Bytes bytes = ReadFileBytes(WorkDir(text.parent_path()), text.filename().string());
  std::string utf8(bytes.begin(), bytes.end());
  if (utf8.compare(0, 3, "\xEF\xBB\xBF") == 0) utf8.erase(0, 3);
  if (int bad = FirstNonUtf8Line(utf8)) {
    err << "tpscalc-cli: " << o.textFile << ": строка " << bad << " не в кодировке UTF-8\n";
    return 2;
  }
  Prepare(st, o.scheme == 0 ? kDefaultScheduleVariant : o.scheme, o);
  ApplyFormRules(st.Params);
  TGDPClass g;
  g.Init(st);
  std::string error;
  if (!ScheduleFromText(utf8, g, error)) {
    err << "tpscalc-cli: " << o.textFile << ": " << error << "\n";
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
  j["duration"] = TryStrToFloat(st.Params.StepMinutes.Get(), step) && std::isfinite(step)
                      ? FormatScheduleTime(g.LastTime(), step)
                      : std::string();
  Print(out, j);
  return 0;
}

// The working directory: it must exist, except for "seed", which creates it
// as the window's first start does.
WorkDir OpenWorkDir(const Options& o, bool create) {
  if (!o.workdirGiven) return WorkDir();
  if (o.workdir.empty()) throw UsageError("--workdir is empty");
  std::filesystem::path root(o.workdir);
  std::error_code ec;
  bool exists = std::filesystem::exists(root, ec);
  if (exists && !std::filesystem::is_directory(root, ec))
    throw UsageError("Рабочая папка не является папкой: " + root.string());
  if (!exists) {
    if (!create) throw UsageError("Рабочая папка не найдена: " + root.string());
    std::filesystem::create_directories(root, ec);
    if (ec) throw IoError("Не удалось создать рабочую папку " + root.string() + ": " + ec.message());
  }
  return WorkDir(root);
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options o;
  CLI::App app{"The power supply of an electrified railway feeding zone, headless.", "tpscalc-cli"};
  app.set_version_flag("--version", std::string("tpscalc-cli ") + TPS_VERSION);
  app.require_subcommand(1);
  app.fallthrough();
  app.footer(kFooter);
  app.add_option("--workdir", o.workdir, "the working directory (default: the current one)")
      ->type_name("DIR");

  CLI::App* seed = app.add_subcommand("seed", "write the default data missing from the working directory");
  CLI::App* solve = app.add_subcommand("solve", "build and solve one step of scheme V, print JSON");
  CLI::App* batch = app.add_subcommand("batch", "run the batch launch and the totals, print JSON");
  CLI::App* run =
      app.add_subcommand("run", "run the zone in a mode (\"Старт иммитации\") and the totals, print JSON");
  CLI::App* schedule = app.add_subcommand("schedule", "show or make a train schedule (gdp\\*.gdp)");
  schedule->require_subcommand(1);
  CLI::App* show =
      schedule->add_subcommand("show", "the head, time points and events of a schedule, as JSON");
  CLI::App* make = schedule->add_subcommand("make", "a schedule file from its text form (UTF-8)");
  for (CLI::App* c : {solve, batch, run, make}) {
    CLI::Option* scheme =
        c->add_option("--scheme", o.scheme, "the feeding scheme")->type_name("V")->check(CLI::Range(1, 12));
    if (c == solve || c == batch) scheme->required();
    c->add_option("--set", o.sets, "a field of the parameter block")
        ->type_name("FIELD=TEXT")
        ->allow_extra_args(false);
  }
  run->get_option("--scheme")->description("the feeding scheme (default: the schedule's own)");
  make->get_option("--scheme")->description("the scheme the schedule is made for (default: 3)");
  run->add_option("--mode", o.mode, "the run mode")
      ->type_name("MODE")
      ->required()
      ->check(CLI::IsMember({"schedule"}));
  run->add_option("--schedule", o.schedule, "a schedule of the folder gdp, by name or path")
      ->type_name("FILE")
      ->required();
  show->add_option("FILE", o.schedule,
                   "a schedule: a name in the folder gdp, or a path in the working directory")
      ->required();
  make->add_option("TEXTFILE", o.textFile, "the text form, one event a line (UTF-8)")->required();
  make->add_option("--out", o.outFile,
                   "the schedule file: a name in the folder gdp, or a path in the working directory")
      ->type_name("FILE.gdp")
      ->required();
  solve->add_option("--train", o.trains, "a train on the zone")
      ->type_name("TRACK:KM:ACTIVE[:REACTIVE]")
      ->allow_extra_args(false);
  solve->add_option("--option", o.options, "write-matrices")
      ->type_name("NAME")
      ->allow_extra_args(false)
      ->check(CLI::IsMember({"write-matrices"}));
  for (CLI::App* c : {batch, run})
    c->add_option("--option", o.options, "detailed, vary-currents, no-charts, f2f4-off")
        ->type_name("NAME")
        ->allow_extra_args(false)
        ->check(CLI::IsMember({"detailed", "vary-currents", "no-charts", "f2f4-off"}));
  batch->add_option("--random-voltage", o.randomVoltage, "substation voltages drawn at random, V")
      ->type_name("MEAN:DEV");
  batch->add_option("--random-angle", o.randomAngle, "their angles drawn at random, degrees")
      ->type_name("MEAN:DEV");
  // A seed is decimal digits; one beyond 32 bits fails the conversion.
  CLI::Validator digits(
      [](std::string& text) {
        bool ok = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
        return ok ? std::string() : "takes an unsigned 32-bit number: " + text;
      },
      "");
  CLI::Option* seedOpt =
      batch->add_option("--seed", o.seed, "the random generator's seed")->type_name("N")->check(digits);
  app.failure_message([](const CLI::App*, const CLI::Error& e) {
    return "tpscalc-cli: " + std::string(e.what()) + "\nRun with --help for more information.\n";
  });

  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    return app.exit(e, out, err) == 0 ? 0 : 2;
  }
  o.workdirGiven = app.count("--workdir") > 0;
  o.haveSeed = seedOpt->count() > 0;

  try {
    if (seed->parsed()) {
      SeedDefaultData(OpenWorkDir(o, true));
      return 0;
    }
    WorkDir wd = OpenWorkDir(o, false);
    SeedNewWorkDir(wd);
    CliHost host(err);
    AppState st;
    st.Work = wd;
    st.Host = &host;
    if (o.haveSeed) st.Rng.SetSeed(o.seed);
    StartUp(st, !o.haveSeed);
    if (show->parsed()) return ShowSchedule(st, o, out);
    if (make->parsed()) return MakeSchedule(st, o, out, err);
    if (run->parsed()) return RunSchedule(st, host, o, out, err);
    return solve->parsed() ? Solve(st, host, o, out, err) : Batch(st, host, o, out, err);
  } catch (const UsageError& e) {
    err << "tpscalc-cli: " << e.what() << "\nRun with --help for more information.\n";
    return 2;
  } catch (const std::exception& e) {
    err << "tpscalc-cli: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace tps::cli
