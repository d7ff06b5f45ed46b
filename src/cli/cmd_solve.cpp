#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "arith/errors.h"
#include "circuit/schemes.h"
#include "cli/common.h"
#include "driver/testrun.h"
#include "params/errors.h"
#include "params/persist.h"
#include "solver/solve.h"
#include "validation/checks.h"

namespace tps::cli {

namespace {

struct SolveOptions {
  std::vector<std::string> trains;
};

struct BatchOptions {
  std::string randomVoltage, randomAngle;
};

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

int Solve(AppState& st, CliHost& host, const Options& o, const SolveOptions& so, std::ostream& out,
          std::ostream& err) {
  for (const auto& x : o.options)
    if (x != "write-matrices") throw UsageError("unknown --option for solve: " + x);
  std::vector<TrainArg> trains;
  for (const auto& t : so.trains) trains.push_back(ParseTrain(t, o.scheme));
  Prepare(st, o.scheme, o);
  st.Options.WriteMatrices = HasOption(o, "write-matrices");
  Json j;
  j["scheme"] = o.scheme;
  j["code"] = SchemeCode(o.scheme);
  j["inputs"] = Inputs(st, host, o, false);
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
  j["min_voltage_v"] = CAbs(st.MinVoltage);
  Json nodes = Json::array();
  for (int i = 1; i <= n; ++i) {
    const size_t k = static_cast<size_t>(i - 1);
    nodes.push_back({{"node", i},
                     {"circle", nodeCircle[k]},
                     {"position_km", nodeKm[k]},
                     {"train", nodeTrain[k]},
                     {"potential_v", Complex(c.LastPotentials(i, 1))}});
  }
  j["nodes"] = std::move(nodes);
  Json branches = Json::array();
  for (int b = 1; b <= m; ++b) {
    const size_t k = static_cast<size_t>(b - 1);
    branches.push_back(
        {{"branch", b}, {"from", from[k]}, {"to", to[k]}, {"current_a", Complex(c.LastCurrents(b, 1))}});
  }
  j["branches"] = std::move(branches);
  j["messages"] = Messages(host);
  Print(out, j);
  return 0;
}

int Batch(AppState& st, CliHost& host, const Options& o, const BatchOptions& bo, std::ostream& out,
          std::ostream& err) {
  const int scheme = WithF2F4(o.scheme, o);
  std::pair<std::string, std::string> voltage, angle;
  // Substation voltages are within 50 kV, as the voltage fields are.
  if (!bo.randomVoltage.empty())
    voltage = MeanAndDeviation(bo.randomVoltage, "--random-voltage", 1, 50000, 50000);
  if (!bo.randomAngle.empty()) angle = MeanAndDeviation(bo.randomAngle, "--random-angle", -360, 360, 360);
  Prepare(st, scheme, o);
  ApplyRunOptions(st, o);
  if (!bo.randomVoltage.empty()) {
    st.Voltages.RandU = true;
    st.Voltages.MeanU = voltage.first;
    st.Voltages.DevU = voltage.second;
  }
  if (!bo.randomAngle.empty()) {
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
  j["inputs"] = Inputs(st, host, o, DrawsRandom(st, o));
  return ReportRun(st, host, outcome, st.ModelTime, elapsed, j, out, err);
}

}  // namespace

void RegisterSolveCommands(Registry& r) {
  CLI::App* solve = r.app.add_subcommand("solve", "build and solve one step of scheme V, print JSON");
  CLI::App* batch = r.app.add_subcommand("batch", "run the batch launch and the totals, print JSON");
  r.AddSchemeOptions(solve, true);
  r.AddSchemeOptions(batch, true);
  solve->footer(
      "example:\n  tpscalc-cli solve --scheme 2 --train 1:5:1000 --set ZoneLength=20\n"
      "  (train 1 on track 1 at 5 km drawing 1000 A; on AC add the reactive current: 1:5:300:100)");
  batch->footer(
      "example:\n  tpscalc-cli batch --scheme 3 --set BatchTrains=4 --random-voltage 3300:100 --seed 7");
  SolveOptions& so = r.Keep<SolveOptions>();
  solve->add_option("--train", so.trains, "a train on the zone")
      ->type_name("TRACK:KM:ACTIVE[:REACTIVE]")
      ->allow_extra_args(false);
  solve->add_option("--option", r.options.options,
                    "write-matrices: also leave the head files of the matrices (temp\\Jhead.txt ...)")
      ->type_name("NAME")
      ->allow_extra_args(false)
      ->check(CLI::IsMember({"write-matrices"}));
  r.AddRunOptions(batch);
  BatchOptions& bo = r.Keep<BatchOptions>();
  batch->add_option("--random-voltage", bo.randomVoltage, "substation voltages drawn at random, V")
      ->type_name("MEAN:DEV");
  batch->add_option("--random-angle", bo.randomAngle, "their angles drawn at random, degrees")
      ->type_name("MEAN:DEV");
  r.AddSeedOption(batch);
  r.AddStepsOption(batch);
  const Options& o = r.options;
  r.AddCommand(solve, [&o, &so](AppState& st, CliHost& host, std::ostream& out, std::ostream& err) {
    return Solve(st, host, o, so, out, err);
  });
  r.AddCommand(batch, [&o, &bo](AppState& st, CliHost& host, std::ostream& out, std::ostream& err) {
    return Batch(st, host, o, bo, out, err);
  });
}

}  // namespace tps::cli
