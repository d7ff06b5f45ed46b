#include "cli/common.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "circuit/schemes.h"
#include "cli/interrupt.h"
#include "params/defaults.h"
#include "params/catalogue.h"
#include "params/errors.h"
#include "params/lifecycle.h"
#include "params/userdir.h"
#include "params/persist.h"
#include "solver/norms.h"
#include "solver/report.h"
#include "solver/solve.h"
#include "solver/steprows.h"
#include "cli/report_file.h"
#include "traffic/schedule.h"
#include "validation/physical.h"
#include "validation/schedule_checks.h"

#ifndef TPS_VERSION
#define TPS_VERSION "0"
#endif

namespace tps::cli {

void CliHost::ProcessEvents() {
  RecordingHost::ProcessEvents();
  if (Interrupted() && state) {
    state->PauseRequested = true;
    state->StopRequested = true;
  }
  if (progress && state) {
    err_ << "\rstep " << state->StepCount << "  time " << FormatRunTime(state->ModelTime) << "  trains "
         << state->Trains.TrainCount1() + state->Trains.TrainCount2() << "   " << std::flush;
    shown_ = true;
  }
}

void CliHost::EndProgress() {
  if (shown_) err_ << "\n";
  shown_ = false;
}

bool HasOption(const Options& o, const std::string& name) {
  for (const auto& x : o.options)
    if (x == name) return true;
  return false;
}

namespace {

// The edit distance with adjacent transpositions, ASCII letters compared
// without case (a name of the command line is Latin).
size_t EditDistance(const std::string& a, const std::string& b) {
  auto low = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  const size_t n = a.size(), m = b.size();
  std::vector<std::vector<size_t>> d(n + 1, std::vector<size_t>(m + 1));
  for (size_t i = 0; i <= n; ++i) d[i][0] = i;
  for (size_t k = 0; k <= m; ++k) d[0][k] = k;
  for (size_t i = 1; i <= n; ++i)
    for (size_t k = 1; k <= m; ++k) {
      const size_t cost = low(a[i - 1]) == low(b[k - 1]) ? 0 : 1;
      d[i][k] = std::min({d[i - 1][k] + 1, d[i][k - 1] + 1, d[i - 1][k - 1] + cost});
      if (i > 1 && k > 1 && low(a[i - 1]) == low(b[k - 2]) && low(a[i - 2]) == low(b[k - 1]))
        d[i][k] = std::min(d[i][k], d[i - 2][k - 2] + 1);
    }
  return d[n][m];
}

}  // namespace

std::vector<std::string> Nearest(const std::string& word, const std::vector<std::string>& known, size_t most) {
  // Near: within a third of the word's letters, at least 2 (a swap, a slip).
  const size_t limit = std::max<size_t>(2, word.size() / 3);
  std::vector<std::pair<size_t, std::string>> scored;
  for (const std::string& k : known) {
    const size_t d = EditDistance(word, k);
    // A name that begins with the word is near too ("--sched" for "--schedule").
    const bool prefix = word.size() >= 3 && k.size() > word.size() && EditDistance(word, k.substr(0, word.size())) == 0;
    if (d <= limit || prefix) scored.emplace_back(prefix ? std::min<size_t>(d, 1) : d, k);
  }
  std::stable_sort(scored.begin(), scored.end(),
                   [](const auto& x, const auto& y) { return x.first < y.first; });
  std::vector<std::string> names;
  for (size_t i = 0; i < scored.size() && names.size() < most; ++i) names.push_back(scored[i].second);
  return names;
}

std::string DidYouMean(const std::string& word, const std::vector<std::string>& known) {
  const std::vector<std::string> near = Nearest(word, known);
  return near.empty() ? std::string() : "; did you mean " + near.front() + "?";
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

namespace {

// A field of the block that takes any text (a number field refuses one).
bool IsTextField(const std::string& field) {
  TParamBlock probe;
  try {
    return SetParamField(probe, field, "x");
  } catch (const ConvertError&) {
    return false;
  }
}

}  // namespace

namespace {

// The conductor of a type field that the traction-network window chooses
// from the catalogue, with its resistance and radius.
bool CatalogueKindOf(const std::string& field, ConductorKind& kind) {
  static const std::pair<const char*, ConductorKind> kTypes[] = {{"ContactWireType", ConductorKind::ContactWire},
                                                                  {"MessengerType", ConductorKind::Messenger},
                                                                  {"FeederType", ConductorKind::Feeder},
                                                                  {"RailType", ConductorKind::Rail}};
  for (const auto& [name, k] : kTypes)
    if (field == name) {
      kind = k;
      return true;
    }
  return false;
}

// The resistance field that goes with a type field: set too, it wins.
std::string ResistanceFieldOf(const std::string& typeField) {
  return typeField.substr(0, typeField.size() - 4) + "R";
}

// A type chosen by name as the window chooses it from its list: the
// resistance and the radius come from the catalogue of the scheme's current
// kind. An unknown name is refused with the names the catalogue has.
void ChooseTypeByName(AppState& st, const std::string& field, ConductorKind kind, const std::string& name) {
  const ConductorTables& c = st.Catalogue;
  const std::vector<TConductorEntry>& table = kind == ConductorKind::ContactWire ? c.ContactWireTable
                                              : kind == ConductorKind::Messenger ? c.MessengerTable
                                              : kind == ConductorKind::Feeder    ? c.FeederTable
                                                                                 : c.RailTable;
  std::vector<std::string> names;
  for (size_t i = 0; i < table.size(); ++i) {
    const std::string entry = table[i].Name.Get();
    names.push_back(entry);
    if (entry != name && CutChars(entry, 11) != name) continue;
    const auto* host = dynamic_cast<const RecordingHost*>(st.Host);
    const size_t shown = host ? host->messages.size() : 0;
    if (ChooseConductor(st, kind, static_cast<int>(i)).empty()) {
      std::string why = "the catalogue's entry is refused";
      if (host && host->messages.size() > shown) why = host->messages.back().text;
      throw UsageError("--set " + field + "=" + name + ": " + why);
    }
    return;
  }
  std::string list;
  for (const std::string& n : names) list += (list.empty() ? "" : ", ") + n;
  throw UsageError("--set " + field + "=" + name + ": no such type in the catalogue (the types: " + list + ")");
}

}  // namespace

// Params as the windows would hold them for scheme V: the defaults file,
// then the scheme's saved state, then the --set fields. A conductor type
// named by --set takes its resistance and radius from the catalogue, as the
// window's choice does, unless its resistance is set as well.
void Prepare(AppState& st, int scheme, const Options& o) {
  st.Scheme = SchemeControlsForVariant(scheme);
  UpdateSchemeVariant(st);
  LoadState(st, SchemeCode(scheme));
  st.SchemeVariant = static_cast<uint8_t>(scheme);
  std::vector<std::pair<std::string, std::string>> sets;
  for (const auto& s : o.sets) {
    size_t p = s.find('=');
    if (p == std::string::npos) throw UsageError("--set expects FIELD=TEXT: " + s);
    sets.emplace_back(s.substr(0, p), s.substr(p + 1));
  }
  bool catalogueRead = false;
  for (const auto& [field, text] : sets) {
    ConductorKind kind;
    if (!CatalogueKindOf(field, kind)) continue;
    if (!catalogueRead) LoadConductorTables(st, SchemeCode(scheme));
    catalogueRead = true;
    ChooseTypeByName(st, field, kind, text);
  }
  for (const auto& [field, text] : sets) {
    ConductorKind kind;
    if (CatalogueKindOf(field, kind)) continue;
    try {
      if (!SetParamField(st.Params, field, text)) {
        std::string near;
        for (const std::string& n : Nearest(field, ParamFieldNames(), 3)) near += (near.empty() ? "" : ", ") + n;
        throw UsageError("--set: unknown field " + field +
                         (near.empty() ? "" : "; the nearest fields: " + near) +
                         " (tpscalc-cli fields lists them all)");
      }
    } catch (const ConvertError& e) {
      throw UsageError("--set " + field + ": " + e.what());
    }
    // The ranges a saved state is held to: a value no window would take is
    // refused here, naming the field, rather than by the step that reads it.
    if (const std::string fault = StoredFieldFault(st.Params, field); !fault.empty())
      throw UsageError("--set " + field + "=" + text + ": " + fault);
    // A text field keeps a few characters of the code page: a longer text
    // would be cut to another value without a word.
    std::string kept;
    if (IsTextField(field) && GetParamField(st.Params, field, kept) && kept != text)
      throw UsageError("--set " + field + ": '" + text + "' does not fit the field, which would keep '" +
                       kept + "'");
  }
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

Json NumberOrNull(const std::string& text) {
  double v = 0;
  if (!TryStrToFloat(text, v) || !std::isfinite(v)) return Json();
  return v;
}

Json Inputs(const AppState& st, const CliHost& host, const Options& o, bool random,
            const std::string& schedule) {
  Json in;
  in["program_version"] = TPS_VERSION;
  in["scheme"] = st.SchemeVariant;
  in["scheme_name"] = VariantName(st.SchemeVariant);
  if (random) in["seed"] = host.startSeed;
  if (!schedule.empty()) in["schedule"] = schedule;
  // Against the state a freshly seeded working directory holds for the scheme.
  const TParamBlock shipped = DefaultState(SchemeCode(st.SchemeVariant));
  Json set = Json::object();
  for (const std::string& field : ParamFieldNames()) {
    std::string now, was;
    if (field == "ResultsPending") continue;
    if (GetParamField(st.Params, field, now) && GetParamField(shipped, field, was) && now != was)
      set[field] = now;
  }
  in["set"] = std::move(set);
  in["options"] = o.options;
  return in;
}

bool DrawsRandom(const AppState& st, const Options& o) {
  (void)o;
  return st.RunMode == ModeProb || st.Voltages.RandU || st.Voltages.RandD;
}

// A refusal: the JSON with its messages on stdout, the messages on stderr.
int Refused(Json& j, const RecordingHost& h, std::ostream& out, std::ostream& err) {
  j["messages"] = Messages(h);
  Print(out, j);
  for (const auto& m : h.messages) err << m.text << "\n";
  return 2;
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
    case RunOutcome::Stopped:
      return "stopped";
    case RunOutcome::Paused:
      return "paused";
  }
  return "failed";
}

// The scheme with the box "Откл Ф2 и Ф4" checked where the scheme has it (the
// double-track two-sided schemes only).
int WithF2F4(int scheme, const Options& o) {
  if (!HasOption(o, "f2f4-off")) return scheme;
  if (scheme == 3 || scheme == 6 || scheme == 10 || scheme == 12) return scheme <= 6 ? 6 : 12;
  throw UsageError("--option f2f4-off has no effect on scheme " + std::to_string(scheme) + " (" +
                   VariantName(scheme) +
                   "): only the double-track schemes fed from both ends (3 and 10) have the box "
                   "\"Откл Ф2 и Ф4\"");
}

// The run options shared by the batch and the schedule run.
void ApplyRunOptions(AppState& st, const Options& o) {
  st.Options.FastCalc = !HasOption(o, "detailed");
  st.VaryTrainCurrents = HasOption(o, "vary-currents");
  st.Options.BuildCharts = !HasOption(o, "no-charts");
}

// The answer of a run: the totals ("Смотреть результаты", appended to
// "Final.txt") only after a finished run. Exit 0 finished, 2 refused or only
// recommended, 1 failed.
int ReportRun(AppState& st, CliHost& host, RunOutcome outcome, double modelTime, double elapsed, Json& j,
              std::ostream& out, std::ostream& err) {
  if (Interrupted()) {
    // Stopped within a step: the files it wrote are whole, but it is no result.
    j["outcome"] = "interrupted";
    j["signal"] = InterruptName();
    j["messages"] = Messages(host);
    Print(out, j);
    err << "tpscalc-cli: расчёт прерван (" << InterruptName() << ")\n";
    return InterruptExitCode();
  }
  j["outcome"] = OutcomeName(outcome);
  if (outcome == RunOutcome::Refused || outcome == RunOutcome::Recommended) return Refused(j, host, out, err);
  if (outcome == RunOutcome::Failed || outcome == RunOutcome::Stopped) {
    j["messages"] = Messages(host);
    Print(out, j);
    for (const auto& m : host.messages)
      if (m.kind == MsgKind::Error) err << m.text << "\n";
    return 1;
  }
  // A pantograph potential that fell to 0 or below describes no real state
  // of the line: the numbers and the warning stay, the run is not called
  // finished and the command exits 3.
  const bool impossible = st.PantographCollapseWarned;
  if (impossible) j["outcome"] = "finished_impossible";
  int steps = st.LossSeries.LastIndex + 1;
  double energyLoss = st.EnergyLoss, lossPercent = st.LossPercent;
  double supplied0 = st.EnergySupplied[0], supplied1 = st.EnergySupplied[1];
  TComplex minV = st.MinVoltage, maxV = st.MaxVoltage;
  int minStep = st.MinVoltageStep, maxStep = st.MaxVoltageStep;
  double meanV = st.MeanVoltage;
  double useful = 0;
  const bool haveUseful = MeanUsefulVoltage(st, useful);
  const bool computed = st.FullSteps > 0;
  const NormCompliance norms = NormsOf(st);
  WriteTotals(st);
  j["steps_solved"] = steps;
  j["model_time_min"] = modelTime;
  j["energy_loss_wh"] = energyLoss;
  if (computed) {
    j["loss_percent"] = lossPercent;
    j["energy_supplied_wh"] = supplied0;
    j["energy_supplied_varh"] = supplied1;
    j["min_voltage_v"] = CAbs(minV);
    j["min_voltage_step"] = minStep;
    j["max_voltage_v"] = CAbs(maxV);
    j["max_voltage_step"] = maxStep;
    j["mean_voltage_v"] = meanV;
    j["mean_useful_voltage_v"] = haveUseful ? Json(useful) : Json();
  } else {
    // Every step was solved by the light solution (--option no-charts): the
    // run computed the loss energy only.
    j["not_computed"] = Json::array({"loss_percent", "energy_supplied_wh", "energy_supplied_varh",
                                     "min_voltage_v", "min_voltage_step", "max_voltage_v", "max_voltage_step",
                                     "mean_voltage_v", "mean_useful_voltage_v"});
  }
  // The pantograph voltages against the norms, where the run solved the
  // potentials of its steps.
  if (norms.StepsChecked > 0)
    j["norms"] = NormsJson(norms);
  else
    j["not_computed"].push_back("norms");
  j["elapsed_s"] = elapsed;
  // The rows of every step, once the run has finished.
  if (!host.stepsFile.empty() && st.StepRows) {
    SaveExport(host.stepsFile, st.StepRows->Text());
    j["steps_file"] = host.stepsFile;
    j["steps_recorded"] = st.StepRows->Steps();
  }
  j["messages"] = Messages(host);
  SaveLastResult(st, j, "run");
  Print(out, j);
  for (const auto& m : host.messages)
    if (m.kind != MsgKind::Information) err << m.text << "\n";
  return impossible ? 3 : 0;
}

double SecondsSince(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

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
    m["zone_length_km"] = {{"schedule", s.Header.ZoneLength.Get()}, {"run", st.Params.ZoneLength.Get()}};
    err << "длина зоны: в ГДП '" << s.Header.ZoneLength.Get() << "', для расчёта '"
        << st.Params.ZoneLength.Get() << "'\n";
  }
  if (l.Step == kLabelRed) {
    m["step_min"] = {{"schedule", s.Header.StepMinutes.Get()}, {"run", st.Params.StepMinutes.Get()}};
    err << "шаг: в ГДП '" << s.Header.StepMinutes.Get() << "', для расчёта '" << st.Params.StepMinutes.Get()
        << "'\n";
  }
  j["mismatch"] = std::move(m);
  return err.str();
}

int ReportScheduleRun(AppState& st, CliHost& host, const TGDPClass& g, Json& j, std::ostream& out,
                      std::ostream& err, const std::function<RunOutcome()>& run) {
  host.state = &st;
  host.progress = ::isatty(2) != 0;
  const auto t0 = std::chrono::steady_clock::now();
  const RunOutcome outcome = RunAsCommand(host, run);
  host.EndProgress();
  const double elapsed = SecondsSince(t0);
  j["scheme"] = st.SchemeVariant;
  j["code"] = SchemeCode(st.SchemeVariant);
  const std::string mismatch = outcome == RunOutcome::Refused ? ReportMismatch(st, g, j) : "";
  const int code = ReportRun(st, host, outcome, st.RunEndTime, elapsed, j, out, err);
  err << mismatch;
  return code;
}

int SchemeOfSchedule(const Options& o, const TGDPClass& g, const std::string& file) {
  if (o.scheme != 0) return o.scheme;
  if (g.Schedule.Variant < 1 || g.Schedule.Variant > 12)
    throw UsageError("the schedule " + file + " names no scheme (variant " +
                     std::to_string(g.Schedule.Variant) + "): give --scheme");
  return g.Schedule.Variant;
}

std::vector<std::string> SplitColons(const std::string& t) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t p = t.find(':', start);
    parts.push_back(t.substr(start, p == std::string::npos ? std::string::npos : p - start));
    if (p == std::string::npos) return parts;
    start = p + 1;
  }
}

// --flow TYPE=COUNT[:AMIN:AMAX:RMIN:RMAX:VMIN:VMAX] into its row of the grid.
void ApplyFlow(AppState& st, const std::string& flow) {
  static const char* const kTypes[4] = {"freight", "express", "suburban", "passenger"};
  const size_t eq = flow.find('=');
  int row = -1;
  for (int k = 0; k < 4 && eq != std::string::npos; ++k)
    if (flow.compare(0, eq, kTypes[k]) == 0) row = k;
  const std::vector<std::string> v =
      eq == std::string::npos ? std::vector<std::string>() : SplitColons(flow.substr(eq + 1));
  if (row < 0 || (v.size() != 1 && v.size() != 7))
    throw UsageError(
        "--flow takes TYPE=COUNT[:AMIN:AMAX:RMIN:RMAX:VMIN:VMAX] with TYPE freight, express, "
        "suburban or passenger: " +
        flow);
  std::string(&cells)[7] = st.Prob.Grid[row];
  if (v.size() == 1) {
    cells[6] = v[0];
  } else {
    for (int c = 0; c < 6; ++c) cells[c] = v[static_cast<size_t>(c + 1)];
    cells[6] = v[0];
  }
}

// The working directory: it must exist, except for "seed", which creates it
// as the window's first start does. Without --workdir it is the window's own
// per-user folder ($XDG_DATA_HOME/tpscalc), created and seeded on first use,
// so that no command writes into whatever folder it was started from.
WorkDir OpenWorkDir(const Options& o, bool create) {
  std::filesystem::path root;
  if (o.workdirGiven) {
    if (o.workdir.empty()) throw UsageError("--workdir is empty");
    root = o.workdir;
  } else {
    root = UserWorkDir(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    if (root.empty())
      throw UsageError("no working directory: neither XDG_DATA_HOME nor HOME names one; give --workdir DIR");
    create = true;
  }
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

CLI::Option* Registry::AddSchemeOptions(CLI::App* c, bool required) {
  CLI::Option* scheme = c->add_option("--scheme", options.scheme, "the feeding scheme 1..12 (tpscalc-cli schemes)")
                            ->type_name("V")
                            ->check(CLI::Range(1, 12));
  if (required) scheme->required();
  c->add_option("--set", options.sets,
                "a field of the parameter block, over the scheme's saved state (tpscalc-cli fields lists "
                "them with units and ranges; a conductor type takes its resistance from the catalogue)")
      ->type_name("FIELD=TEXT")
      ->allow_extra_args(false);
  return scheme;
}

void Registry::AddRunOptions(CLI::App* c) {
  c->add_option("--option", options.options,
                "detailed: every step's currents, voltages and loss power into Final.txt (\"Быстрый расчет\" "
                "off); vary-currents: train currents follow their current profiles (CurData) along the "
                "track; no-charts: no chart data, the light solution of a step (the loss only); f2f4-off: "
                "feeders Ф2 and Ф4 off (\"Откл Ф2 и Ф4\", schemes 3 and 10 only). Repeat for several")
      ->type_name("NAME")
      ->allow_extra_args(false)
      ->check(CLI::IsMember({"detailed", "vary-currents", "no-charts", "f2f4-off"}));
}

void Registry::AddStepsOption(CLI::App* c) {
  c->add_option("--steps", options.steps,
                "the results of every step: a row per step and train, the feeder currents and the loss "
                "(FILE.csv or FILE.jsonl; an export: any path)")
      ->type_name("FILE")
      ->check(CLI::Validator(
          [](std::string& text) {
            StepRowsFormat f;
            return StepRowsFormatOf(text, f) ? std::string() : "names a .csv or .jsonl file: " + text;
          },
          ""));
}

void Registry::AddSeedOption(CLI::App* c) {
  // A seed is decimal digits; one beyond 32 bits fails the conversion.
  CLI::Validator digits(
      [](std::string& text) {
        bool ok = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
        return ok ? std::string() : "takes an unsigned 32-bit number: " + text;
      },
      "");
  seeds_.push_back(
      c->add_option("--seed", options.seed,
                    "the random generator's seed (default: the clock; the answer's inputs.seed given here "
                    "repeats a run)")
          ->type_name("N")
          ->check(digits));
}

bool Registry::SeedGiven() const {
  for (const CLI::Option* s : seeds_)
    if (s->count() > 0) return true;
  return false;
}

const Handler* Registry::Parsed() const {
  if (run && run->parsed()) {
    auto it = modes_.find(mode);
    return it == modes_.end() ? nullptr : &it->second;
  }
  for (const Command& c : commands_)
    if (c.app->parsed()) return &c.handler;
  return nullptr;
}

bool Registry::ParsedWrites() const {
  if (run && run->parsed()) return true;
  for (const Command& c : commands_)
    if (c.app->parsed()) return c.access == Access::Writes;
  return true;
}

}  // namespace tps::cli
