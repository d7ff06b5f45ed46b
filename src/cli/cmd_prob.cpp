#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "circuit/schemes.h"
#include "cli/common.h"
#include "driver/probrun.h"
#include "driver/runs.h"
#include "params/conv.h"
#include "params/persist.h"
#include "traffic/randomflow.h"
#include "traffic/schedule.h"
#include "validation/schedule_checks.h"

namespace tps::cli {

namespace {

struct ProbOptions {
  std::string period = "1 час";
  std::string interval = "8";
  bool wait = false;
  std::vector<std::string> flows;
  bool saveFlow = false;
  std::string record;
  bool force = false;
  std::vector<std::string> trains;
  // The options of the probabilistic mode, to refuse them in the test mode.
  std::vector<CLI::Option*> probOnly;
};

int RequireScheme(const Options& o, const std::string& mode) {
  if (o.scheme == 0) throw UsageError("--mode " + mode + " takes --scheme V");
  return WithF2F4(o.scheme, o);
}

// The trains of --train TRACK:KM:ACTIVE[:REACTIVE[:SPEED]] placed as "Добавить поезд" places them.
bool PlaceTrains(AppState& st, CliHost& host, const std::vector<std::string>& trains) {
  for (const std::string& t : trains) {
    const std::vector<std::string> v = SplitColons(t);
    if (v.size() < 3 || v.size() > 5 || (v[0] != "1" && v[0] != "2"))
      throw UsageError("--train takes TRACK:KM:ACTIVE[:REACTIVE[:SPEED]] with TRACK 1 or 2: " + t);
    const int track = v[0] == "1" ? 1 : 2;
    if (track == 2 && !FieldsForCode(SchemeCode(st.SchemeVariant)).Track2TrainsEnabled)
      throw UsageError("--train " + t + ": scheme " + std::to_string(st.SchemeVariant) + " (" +
                       VariantName(st.SchemeVariant) + ") has no track 2 for trains");
    st.Params.TrainKm.Set(v[1]);
    st.Params.TrainActive.Set(v[2]);
    if (v.size() >= 4) st.Params.TrainReactive.Set(v[3]);
    if (v.size() == 5) st.Params.TrainSpeed.Set(v[4]);
    const size_t shown = host.messages.size();
    if (!AddTrainButton(st, track)) {
      if (host.messages.size() > shown) return false;
      throw UsageError("track " + std::to_string(track) + " is full");
    }
  }
  return true;
}

int Finish(AppState& st, CliHost& host, const Options& o, RunOutcome outcome, double elapsed, Json& j,
           std::ostream& out, std::ostream& err) {
  j["scheme"] = st.SchemeVariant;
  j["code"] = SchemeCode(st.SchemeVariant);
  if (!j.contains("inputs")) j["inputs"] = Inputs(st, host, o, DrawsRandom(st, o));
  return ReportRun(st, host, outcome, st.RunEndTime, elapsed, j, out, err);
}

// "Старт иммитации" in the test mode with the trains placed, then "Смотреть результаты".
int RunTest(AppState& st, CliHost& host, const Options& o, const ProbOptions& po, std::ostream& out,
            std::ostream& err) {
  for (const CLI::Option* opt : po.probOnly)
    if (opt->count() > 0) throw UsageError(opt->get_name() + " belongs to --mode prob");
  Prepare(st, RequireScheme(o, "test"), o);
  ApplyRunOptions(st, o);
  EnterTestMode(st);
  Json j;
  j["scheme"] = st.SchemeVariant;
  j["code"] = SchemeCode(st.SchemeVariant);
  j["inputs"] = Inputs(st, host, o, DrawsRandom(st, o));
  ApplyFormRules(st.Params);
  if (!PlaceTrains(st, host, po.trains)) return Finish(st, host, o, RunOutcome::Refused, 0, j, out, err);
  host.state = &st;
  host.progress = ::isatty(2) != 0;
  const auto t0 = std::chrono::steady_clock::now();
  const RunOutcome outcome = RunAsCommand(host, [&] { return StartRun(st); });
  host.EndProgress();
  return Finish(st, host, o, outcome, SecondsSince(t0), j, out, err);
}

// "Старт иммитации" in the probabilistic mode, the record of its trains, then
// "Смотреть результаты".
int RunProb(AppState& st, CliHost& host, const Options& o, const ProbOptions& po, std::ostream& out,
            std::ostream& err) {
  if (!po.trains.empty()) throw UsageError("--train belongs to --mode test");
  int32_t interval = 0;
  if (!TryStrToInt(po.interval, interval) || interval < 1 || interval > 60 ||
      po.interval.find_first_not_of("0123456789") != std::string::npos)
    throw UsageError("--interval takes whole minutes 1..60: " + po.interval);
  std::string record;
  if (!po.record.empty()) {
    record = ScheduleListName(st.Work, po.record);
    const std::string lower = LowerName(record);
    if (lower.size() < 5 || lower.compare(lower.size() - 4, 4, ".gdp") != 0)
      throw UsageError("--record: a schedule file is named *.gdp: " + po.record);
    if (lower == kDefaultScheduleFile)
      throw UsageError("--record: the default schedule " + SchedulePath(record) + " is never replaced");
    if (st.Work.Exists(SchedulePath(record)) && !po.force)
      throw UsageError("--record: " + SchedulePath(record) + " exists; add --force to replace it");
  }
  if (po.saveFlow && po.flows.empty()) throw UsageError("--save-flow stores the rows of --flow; none given");
  Prepare(st, RequireScheme(o, "prob"), o);
  ApplyRunOptions(st, o);
  Json j;
  st.RunMode = ModeProb;
  j["scheme"] = st.SchemeVariant;
  j["code"] = SchemeCode(st.SchemeVariant);
  j["inputs"] = Inputs(st, host, o, true);
  // The flow rows for this run; stored as "Сохранить" of the parameter form
  // stores them only with --save-flow.
  if (!po.flows.empty()) {
    LoadProbTrainParams(st);
    for (const std::string& f : po.flows) ApplyFlow(st, f);
    if (!(po.saveFlow ? SaveProbTrainParams(st) : GiveProbTrainParams(st)))
      return Finish(st, host, o, RunOutcome::Refused, 0, j, out, err);
  }
  LoadProbTrainParams(st);
  st.Prob.Period = po.period;
  st.Prob.MinInterval = po.interval;
  st.Prob.WaitTrains = po.wait;
  EnterProbMode(st);
  j["period"] = po.period;
  j["interval_min"] = interval;
  int32_t nmax = 0;
  j["nmax"] = TryStrToInt(st.Flow.NmaxText, nmax) ? Json(nmax) : Json();
  host.state = &st;
  host.progress = ::isatty(2) != 0;
  const auto t0 = std::chrono::steady_clock::now();
  RunOutcome outcome = RunAsCommand(host, [&] { return StartRun(st); });
  host.EndProgress();
  if (outcome == RunOutcome::Finished) {
    size_t entered = 0;
    for (const auto& r : st.Flow.Record) entered += r.Kind == ekAppear;
    j["trains_entered"] = entered;
    if (!record.empty()) {
      outcome = RunAsCommand(host, [&] {
        SaveProbSchedule(st, record);
        return RunOutcome::Finished;
      });
      j["record"] = SchedulePath(record);
    }
  }
  return Finish(st, host, o, outcome, SecondsSince(t0), j, out, err);
}

}  // namespace

void RegisterProbCommands(Registry& r) {
  ProbOptions& po = r.Keep<ProbOptions>();
  const Options& o = r.options;
  CLI::App* run = r.run;
  po.probOnly.push_back(run->add_option("--period", po.period, "prob: the calculation period (T)")
                            ->type_name("TEXT")
                            ->check(CLI::IsMember(PeriodTexts())));
  po.probOnly.push_back(
      run->add_option("--interval", po.interval, "prob: the minimum interval J, minutes (default 8)")
          ->type_name("J"));
  po.probOnly.push_back(run->add_flag(
      "--wait", po.wait, "prob: wait for the trains to leave the zone (\"Ждать ухода поездов\")"));
  po.probOnly.push_back(
      run->add_option("--flow", po.flows,
                      "prob: a row of the train flow for this run only; data\\prelvoz.dmt is not changed")
          ->type_name("TYPE=COUNT[:AMIN:AMAX:RMIN:RMAX:VMIN:VMAX]")
          ->allow_extra_args(false));
  po.probOnly.push_back(run->add_flag(
      "--save-flow", po.saveFlow,
      "prob: also store the --flow rows into data\\prelvoz.dmt before the run (\"Сохранить\"), even "
      "when the run is then refused"));
  po.probOnly.push_back(
      run->add_option("--record", po.record,
                      "prob: the run's trains as a schedule of the folder gdp (never file00.gdp; an "
                      "existing file only with --force); its replay (--mode schedule) gives the same "
                      "loss at every step of this run and solves one final step more")
          ->type_name("FILE.gdp"));
  po.probOnly.push_back(run->add_flag("--force", po.force, "prob: --record may replace an existing schedule"));
  run->add_option("--train", po.trains, "test: a train placed on the zone before the run")
      ->type_name("TRACK:KM:ACTIVE[:REACTIVE[:SPEED]]")
      ->allow_extra_args(false);
  r.AddRunMode("prob", [&o, &po](AppState& st, CliHost& host, std::ostream& out, std::ostream& err) {
    return RunProb(st, host, o, po, out, err);
  });
  r.AddRunMode("test", [&o, &po](AppState& st, CliHost& host, std::ostream& out, std::ostream& err) {
    return RunTest(st, host, o, po, out, err);
  });
}

}  // namespace tps::cli
