#include "cli/cli.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

#include "circuit/schemes.h"
#include "cli/json.h"
#include "driver/testrun.h"
#include "params/defaults.h"
#include "params/errors.h"
#include "params/lifecycle.h"
#include "params/persist.h"
#include "solver/report.h"
#include "solver/solve.h"
#include "validation/checks.h"

#ifndef TPS_VERSION
#define TPS_VERSION "0"
#endif

namespace tps::cli {

namespace {

const char* kUsage =
    "usage: tpscalc-cli [--workdir DIR] COMMAND [OPTIONS]\n"
    "       tpscalc-cli --version | --help\n"
    "\n"
    "commands:\n"
    "  seed                      write the default data missing from the working directory\n"
    "  solve --scheme V [--set FIELD=TEXT]... [--train TRACK:KM:ACTIVE[:REACTIVE]]...\n"
    "        [--option write-matrices]\n"
    "                            build and solve one step of scheme V (1..12), print JSON\n"
    "  batch --scheme V [--set FIELD=TEXT]... [--option NAME]...\n"
    "        [--random-voltage MEAN:DEV] [--random-angle MEAN:DEV] [--seed N]\n"
    "                            run the batch launch and the totals, print JSON;\n"
    "                            options: detailed, vary-currents, no-charts, f2f4-off\n"
    "\n"
    "exit codes: 0 success, 1 error, 2 usage or input refused\n";

struct UsageError : std::runtime_error {
  explicit UsageError(const std::string& m) : std::runtime_error(m) {}
};

// Keeps every message; shows batch progress on a terminal.
class CliHost : public RecordingHost {
 public:
  explicit CliHost(std::ostream& err) : err_(err) {}
  const AppState* state = nullptr;
  bool progress = false;
  void ProcessEvents() override {
    RecordingHost::ProcessEvents();
    if (progress && state) {
      err_ << "\rstep " << state->StepCount << "  time " << FormatRunTime(state->ModelTime)
           << "  trains " << state->Trains.TrainCount1() + state->Trains.TrainCount2() << "   "
           << std::flush;
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
  std::string command;
  int scheme = 0;
  std::vector<std::pair<std::string, std::string>> sets;
  std::vector<std::string> trains;
  std::vector<std::string> options;
  std::string randomVoltage, randomAngle;
  bool haveSeed = false;
  uint32_t seed = 0;
};

std::pair<std::string, std::string> SplitPair(const std::string& s, char sep, const std::string& what) {
  size_t p = s.find(sep);
  if (p == std::string::npos) throw UsageError(what + " expects A" + sep + "B: " + s);
  return {s.substr(0, p), s.substr(p + 1)};
}

Options Parse(const std::vector<std::string>& args) {
  Options o;
  size_t i = 0;
  auto value = [&](const std::string& name) -> std::string {
    if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
    return args[++i];
  };
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--workdir") o.workdir = value(a);
    else if (a == "--scheme") {
      int32_t v;
      if (!TryStrToInt(value(a), v) || v < 1 || v > 12) throw UsageError("--scheme takes 1..12");
      o.scheme = v;
    } else if (a == "--set") o.sets.push_back(SplitPair(value(a), '=', "--set"));
    else if (a == "--train") o.trains.push_back(value(a));
    else if (a == "--option") o.options.push_back(value(a));
    else if (a == "--random-voltage") o.randomVoltage = value(a);
    else if (a == "--random-angle") o.randomAngle = value(a);
    else if (a == "--seed") {
      std::string v = value(a);
      char* end = nullptr;
      unsigned long long s = std::strtoull(v.c_str(), &end, 10);
      if (v.empty() || *end || s > 0xFFFFFFFFull) throw UsageError("--seed takes an unsigned 32-bit number");
      o.haveSeed = true;
      o.seed = static_cast<uint32_t>(s);
    } else if (!a.empty() && a[0] == '-') throw UsageError("unknown option: " + a);
    else if (o.command.empty()) o.command = a;
    else throw UsageError("unexpected argument: " + a);
  }
  return o;
}

bool HasOption(const Options& o, const std::string& name) {
  for (const auto& x : o.options)
    if (x == name) return true;
  return false;
}

void CheckOptions(const Options& o, std::initializer_list<const char*> allowed) {
  for (const auto& x : o.options) {
    bool ok = false;
    for (const char* a : allowed) ok = ok || x == a;
    if (!ok) throw UsageError("unknown --option for " + o.command + ": " + x);
  }
}

// Params as the windows would hold them for scheme V: the defaults file,
// then the scheme's saved state, then the --set fields.
void Prepare(AppState& st, const Options& o) {
  if (o.scheme == 0) throw UsageError(o.command + " needs --scheme V");
  st.Scheme = SchemeControlsForVariant(o.scheme);
  UpdateSchemeVariant(st);
  LoadState(st, SchemeCode(o.scheme));
  for (const auto& [field, text] : o.sets)
    if (!SetParamField(st.Params, field, text)) throw UsageError("unknown field: " + field);
  st.SchemeVariant = static_cast<uint8_t>(o.scheme);
  st.RunMode = ModeTest;
}

void PutMessages(Json& j, const RecordingHost& h) {
  j.Key("messages").BeginArray();
  for (const auto& m : h.messages) {
    j.BeginObject();
    j.Key("kind").String(MsgKindName(m.kind));
    j.Key("text").String(m.text);
    j.EndObject();
  }
  j.EndArray();
}

// The first warning of a refused validation, for stderr.
int Refused(std::ostream& err, const RecordingHost& h, std::ostream& out, Json& j) {
  for (const auto& m : h.messages) err << m.text << "\n";
  out << j.Text() << "\n";
  return 2;
}

int Solve(AppState& st, CliHost& host, const Options& o, std::ostream& out, std::ostream& err) {
  CheckOptions(o, {"write-matrices"});
  Prepare(st, o);
  st.Options.WriteMatrices = HasOption(o, "write-matrices");
  Json j;
  j.BeginObject();
  j.Key("scheme").Int(o.scheme);
  j.Key("code").Int(SchemeCode(o.scheme));
  for (const auto& t : o.trains) {
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
    st.Params.TrainKm.Set(parts[1]);
    st.Params.TrainActive.Set(parts[2]);
    if (parts.size() == 4) st.Params.TrainReactive.Set(parts[3]);
    if (!AddTrainButton(st, parts[0] == "1" ? 1 : 2)) {
      if (!host.messages.empty()) {
        PutMessages(j, host);
        j.EndObject();
        return Refused(err, host, out, j);
      }
      throw UsageError("track " + parts[0] + " is full");
    }
  }
  if (!BuildStepCircuit(st)) {
    PutMessages(j, host);
    j.EndObject();
    out << j.Text() << "\n";
    return 1;
  }
  StepCircuit& c = st.Circuit;
  const int n = c.NodeCount, m = c.BranchCount;
  std::vector<int> nodeTrain = c.NodeTrain;
  std::vector<int> nodeCircle = c.NodeCircle, from = c.BranchFrom, to = c.BranchTo;
  std::vector<double> nodeKm = c.NodeKm;
  int fb[4] = {c.FeederBranch1, c.FeederBranch2, c.FeederBranch3, c.FeederBranch4};
  SolveStep(st);
  j.Key("node_count").Int(n);
  j.Key("branch_count").Int(m);
  j.Key("loss_w").Number(st.StepLoss);
  j.Key("feeder_branches").BeginArray();
  for (int k = 0; k < 4; ++k) j.Int(fb[k]);
  j.EndArray();
  j.Key("min_voltage").Complex(st.MinVoltage.Re, st.MinVoltage.Im);
  j.Key("nodes").BeginArray();
  for (int i = 1; i <= n; ++i) {
    TComplex p = c.LastPotentials(i, 1);
    j.BeginObject();
    j.Key("number").Int(i);
    j.Key("circle").Int(nodeCircle[static_cast<size_t>(i - 1)]);
    j.Key("km").Number(nodeKm[static_cast<size_t>(i - 1)]);
    j.Key("train").Int(nodeTrain[static_cast<size_t>(i - 1)]);
    j.Key("potential").Complex(p.Re, p.Im);
    j.EndObject();
  }
  j.EndArray();
  j.Key("branches").BeginArray();
  for (int b = 1; b <= m; ++b) {
    TComplex cur = c.LastCurrents(b, 1);
    j.BeginObject();
    j.Key("number").Int(b);
    j.Key("from").Int(from[static_cast<size_t>(b - 1)]);
    j.Key("to").Int(to[static_cast<size_t>(b - 1)]);
    j.Key("current").Complex(cur.Re, cur.Im);
    j.EndObject();
  }
  j.EndArray();
  PutMessages(j, host);
  j.EndObject();
  out << j.Text() << "\n";
  return 0;
}

int Batch(AppState& st, CliHost& host, const Options& o, std::ostream& out, std::ostream& err) {
  CheckOptions(o, {"detailed", "vary-currents", "no-charts", "f2f4-off"});
  if (HasOption(o, "f2f4-off") && (o.scheme == 3 || o.scheme == 6 || o.scheme == 10 || o.scheme == 12)) {
    // The box "Откл Ф2 и Ф4" exists on the double-track two-sided schemes only.
    Options o2 = o;
    o2.scheme = o.scheme <= 6 ? 6 : 12;
    Prepare(st, o2);
  } else {
    Prepare(st, o);
  }
  st.Options.FastCalc = !HasOption(o, "detailed");
  st.VaryTrainCurrents = HasOption(o, "vary-currents");
  st.Options.BuildCharts = !HasOption(o, "no-charts");
  if (!o.randomVoltage.empty()) {
    auto [m, d] = SplitPair(o.randomVoltage, ':', "--random-voltage");
    st.Voltages.RandU = true;
    st.Voltages.MeanU = m;
    st.Voltages.DevU = d;
  }
  if (!o.randomAngle.empty()) {
    auto [m, d] = SplitPair(o.randomAngle, ':', "--random-angle");
    st.Voltages.RandD = true;
    st.Voltages.MeanD = m;
    st.Voltages.DevD = d;
  }
  host.state = &st;
  host.progress = ::isatty(2) != 0;
  auto t0 = std::chrono::steady_clock::now();
  bool ran = BatchLaunch(st) != RunOutcome::Refused;
  host.EndProgress();
  double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  Json j;
  j.BeginObject();
  if (!ran) {
    PutMessages(j, host);
    j.EndObject();
    return Refused(err, host, out, j);
  }
  int steps = st.LossSeries.LastIndex + 1;
  double energyLoss = st.EnergyLoss, lossPercent = st.LossPercent;
  double supplied0 = st.EnergySupplied[0], supplied1 = st.EnergySupplied[1];
  TComplex minV = st.MinVoltage, maxV = st.MaxVoltage;
  int minStep = st.MinVoltageStep, maxStep = st.MaxVoltageStep;
  double meanV = st.MeanVoltage, modelTime = st.ModelTime;
  WriteTotals(st);
  j.Key("scheme").Int(st.SchemeVariant);
  j.Key("code").Int(SchemeCode(st.SchemeVariant));
  j.Key("steps_solved").Int(steps);
  j.Key("model_time_min").Number(modelTime);
  j.Key("energy_loss_wh").Number(energyLoss);
  j.Key("loss_percent").Number(lossPercent);
  j.Key("energy_supplied").Complex(supplied0, supplied1);
  j.Key("min_voltage").Number(CAbs(minV));
  j.Key("min_voltage_step").Int(minStep);
  j.Key("mean_voltage").Number(meanV);
  j.Key("max_voltage").Number(CAbs(maxV));
  j.Key("max_voltage_step").Int(maxStep);
  j.Key("elapsed_s").Number(elapsed);
  PutMessages(j, host);
  j.EndObject();
  out << j.Text() << "\n";
  for (const auto& m : host.messages)
    if (m.kind == MsgKind::Error) err << m.text << "\n";
  return 0;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << kUsage;
    return 2;
  }
  if (args.size() == 1 && args[0] == "--version") {
    out << "tpscalc-cli " << TPS_VERSION << "\n";
    return 0;
  }
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    out << kUsage;
    return 0;
  }
  Options o;
  try {
    o = Parse(args);
    if (o.command != "seed" && o.command != "solve" && o.command != "batch")
      throw UsageError(o.command.empty() ? "no command given" : "unknown command: " + o.command);
  } catch (const UsageError& e) {
    err << "tpscalc-cli: " << e.what() << "\n" << kUsage;
    return 2;
  }
  try {
    WorkDir wd = o.workdir.empty() ? WorkDir() : WorkDir(std::filesystem::path(o.workdir));
    if (!std::filesystem::is_directory(wd.Root()))
      throw IoError("Рабочая папка не найдена: " + wd.Root().string());
    if (o.command == "seed") {
      SeedDefaultData(wd);
      return 0;
    }
    SeedNewWorkDir(wd);
    CliHost host(err);
    AppState st;
    st.Work = wd;
    st.Host = &host;
    if (o.haveSeed) st.Rng.SetSeed(o.seed);
    StartUp(st, !o.haveSeed);
    int rc = o.command == "solve" ? Solve(st, host, o, out, err) : Batch(st, host, o, out, err);
    return rc;
  } catch (const UsageError& e) {
    err << "tpscalc-cli: " << e.what() << "\n" << kUsage;
    return 2;
  } catch (const std::exception& e) {
    err << "tpscalc-cli: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace tps::cli
