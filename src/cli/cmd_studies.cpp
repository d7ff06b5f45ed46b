// The studies of many runs: the sweep of the sectioning post, the search of
// the places of the sectioning and parallel-connection posts, and the
// statistics over probabilistic realizations. Every study runs on --jobs
// cores and gives the same files as on one.
#include <unistd.h>

#include <iostream>
#include <string>

#include "cli/common.h"
#include "cli/interrupt.h"
#include "driver/probrun.h"
#include "driver/runs.h"
#include "params/conv.h"
#include "params/persist.h"
#include "tasks/placement.h"
#include "tasks/statistics.h"
#include "traffic/randomflow.h"
#include "traffic/schedule.h"
#include "validation/schedule_checks.h"

namespace tps::cli {

namespace {

struct StudyOptions {
  std::string schedule, from, to, step = "1";
  unsigned jobs = 0;
  // stats
  std::string runs, period = "1 час", interval = "8";
  bool wait = false;
  std::vector<std::string> flows;
  bool saveFlow = false;
};

// The scheme of the statistics without --scheme: DC, double track, fed from both ends.
constexpr int kDefaultStatsScheme = 3;

// Runs of a study as they are done, on stderr when it is a terminal.
void ShowProgress(StudyControl& ctl, std::ostream& err, bool& shown) {
  if (::isatty(2) == 0) return;
  ctl.Progress = [&err, &shown](size_t done, size_t total) {
    err << "\rrun " << done << " of " << total << "   " << std::flush;
    shown = true;
  };
}

// The schedule's own scheme unless another is asked for; the zone prepared
// as the window holds it in the schedule mode.
std::string PrepareStudy(AppState& st, const CliHost& host, const Options& o, const StudyOptions& so, Json& j, TGDPClass& g) {
  const std::string name = ScheduleListName(st.Work, so.schedule);
  j["schedule"] = SchedulePath(name);
  g.LoadFromFile(st.Work, SchedulePath(name));
  Prepare(st, WithF2F4(SchemeOfSchedule(o, g, so.schedule), o), o);
  st.RunMode = ModeSchedule;
  ApplyRunOptions(st, o);
  LoadProbTrainParams(st);
  j["scheme"] = st.SchemeVariant;
  j["inputs"] = Inputs(st, host, o, DrawsRandom(st, o), SchedulePath(name));
  return name;
}

TaskInput TaskBounds(const AppState& st, const StudyOptions& so) {
  TaskInput in;
  in.Left = so.from.empty() ? "1" : so.from;
  double zone = 0;
  in.Right = !so.to.empty()                                    ? so.to
             : TryStrToFloat(st.Params.ZoneLength.Get(), zone) ? FloatToStr(zone - 1)
                                                               : st.Params.ZoneLength.Get();
  in.Step = so.step;
  return in;
}

// A study stopped by SIGINT or SIGTERM: the runs finished before the stop
// are its answer.
bool AnswerInterrupted(CliHost& host, Json& j) {
  if (!Interrupted()) return false;
  j["outcome"] = "interrupted";
  j["signal"] = InterruptName();
  j["messages"] = Messages(host);
  return true;
}

// A refusal names the mismatch of the schedule; a failure lists its messages.
template <class Result>
int Answer(AppState& st, CliHost& host, const TGDPClass& g, const Result& r, Json& j, std::ostream& out,
           std::ostream& err) {
  if (AnswerInterrupted(host, j)) return -1;
  j["outcome"] = OutcomeName(r.Outcome);
  if (r.Outcome == RunOutcome::Refused) {
    const std::string mismatch = ReportMismatch(st, g, j);
    const int code = Refused(j, host, out, err);
    err << mismatch;
    return code;
  }
  j["messages"] = Messages(host);
  if (r.Outcome == RunOutcome::Failed) {
    Print(out, j);
    for (const auto& m : host.messages) err << m.text << "\n";
    return 1;
  }
  return -1;
}

int PskSweep(AppState& st, CliHost& host, const Options& o, const StudyOptions& so, std::ostream& out,
             std::ostream& err) {
  Json j;
  TGDPClass g;
  const std::string name = PrepareStudy(st, host, o, so, j, g);
  if (st.SchemeVariant != 4 && st.SchemeVariant != 11)
    throw UsageError("psk-sweep runs on the nodal schemes 4 and 11, not on scheme " +
                     std::to_string(st.SchemeVariant));
  StudyControl ctl;
  ctl.Jobs = so.jobs;
  bool shown = false;
  ShowProgress(ctl, err, shown);
  PskSweepResult r;
  StopOnInterrupt stopOnSignal(ctl.Stop);
  const RunOutcome ran = RunAsCommand(host, [&] {
    r = SweepPsk(st, name, TaskBounds(st, so), ctl);
    return r.Outcome;
  });
  if (shown) err << "\n";
  r.Outcome = ran;
  if (int code = Answer(st, host, g, r, j, out, err); code >= 0) return code;
  j["file"] = kPskTaskFile;
  j["positions_km"] = r.Positions;
  j["losses_wh"] = r.Losses;
  j["best_position_km"] = r.HasBest ? Json(r.Positions[r.Best]) : Json();
  j["best_loss_wh"] = r.HasBest ? Json(r.Losses[r.Best]) : Json();
  j["psk_km"] = NumberOrNull(st.Params.PskKm.Get());
  Print(out, j);
  return 0;
}

Json PostsJson(const PostRun& p) {
  return Json{{"pps1_km", p.Pps1}, {"psk_km", p.Psk}, {"pps2_km", p.Pps2}, {"loss_wh", p.Loss}};
}

int PpsSearch(AppState& st, CliHost& host, const Options& o, const StudyOptions& so, std::ostream& out,
              std::ostream& err) {
  Json j;
  TGDPClass g;
  const std::string name = PrepareStudy(st, host, o, so, j, g);
  if (st.SchemeVariant != 5)
    throw UsageError("pps-search runs on the parallel scheme 5, not on scheme " +
                     std::to_string(st.SchemeVariant));
  StudyControl ctl;
  ctl.Jobs = so.jobs;
  bool shown = false;
  ShowProgress(ctl, err, shown);
  PostSearchResult r;
  StopOnInterrupt stopOnSignal(ctl.Stop);
  const RunOutcome ran = RunAsCommand(host, [&] {
    r = SearchPskPps(st, name, TaskBounds(st, so), ctl);
    return r.Outcome;
  });
  if (shown) err << "\n";
  r.Outcome = ran;
  if (int code = Answer(st, host, g, r, j, out, err); code >= 0) return code;
  j["file"] = kPskPpsTaskFile;
  Json runs = Json::array();
  for (const PostRun& p : r.Runs) runs.push_back(PostsJson(p));
  j["runs"] = std::move(runs);
  j["best"] = r.HasBest ? PostsJson(r.Runs[r.Best]) : Json();
  Print(out, j);
  return 0;
}

// "Статистический анализ": the realizations into "Statistic.txt".
int Stats(AppState& st, CliHost& host, const Options& o, const StudyOptions& so, std::ostream& out,
          std::ostream& err) {
  int32_t interval = 0;
  if (!TryStrToInt(so.interval, interval) || interval < 1 || interval > 60 ||
      so.interval.find_first_not_of("0123456789") != std::string::npos)
    throw UsageError("--interval takes whole minutes 1..60: " + so.interval);
  Prepare(st, WithF2F4(o.scheme == 0 ? kDefaultStatsScheme : o.scheme, o), o);
  ApplyRunOptions(st, o);
  Json j;
  j["scheme"] = st.SchemeVariant;
  j["inputs"] = Inputs(st, host, o, true);
  LoadProbTrainParams(st);
  if (!so.flows.empty()) {
    for (const std::string& f : so.flows) ApplyFlow(st, f);
    if (!(so.saveFlow ? SaveProbTrainParams(st) : GiveProbTrainParams(st))) return Refused(j, host, out, err);
    LoadProbTrainParams(st);
  } else if (so.saveFlow) {
    throw UsageError("--save-flow stores the rows of --flow; none given");
  }
  st.Prob.Period = so.period;
  st.Prob.MinInterval = so.interval;
  st.Prob.WaitTrains = so.wait;
  EnterProbMode(st);
  StudyControl ctl;
  ctl.Jobs = so.jobs;
  bool shown = false;
  ShowProgress(ctl, err, shown);
  StatisticsResult r;
  StopOnInterrupt stopOnSignal(ctl.Stop);
  const RunOutcome ran = RunAsCommand(host, [&] {
    r = RunStatistics(st, so.runs, ctl);
    return r.Outcome;
  });
  if (shown) err << "\n";
  const bool interrupted = AnswerInterrupted(host, j);
  if (!interrupted) j["outcome"] = OutcomeName(ran);
  if (!interrupted && ran == RunOutcome::Refused) return Refused(j, host, out, err);
  j["messages"] = Messages(host);
  if (!interrupted && ran == RunOutcome::Failed) {
    Print(out, j);
    for (const auto& m : host.messages) err << m.text << "\n";
    return 1;
  }
  j["file"] = kStatisticFile;
  j["runs"] = r.Done.size();
  Json lines = Json::array();
  for (size_t k = 0; k < r.Done.size(); ++k) {
    const Realization& x = r.Done[k];
    lines.push_back({{"realization", k + 1},
                     {"energy_supplied_wh", x.Supplied[0]},
                     {"energy_supplied_varh", x.Supplied[1]},
                     {"energy_loss_wh", x.Loss},
                     {"loss_percent", x.LossPercent},
                     {"feeder1_i2_a2h", x.FeederI2[0]},
                     {"feeder2_i2_a2h", x.FeederI2[1]},
                     {"feeder3_i2_a2h", x.FeederI2[2]},
                     {"feeder4_i2_a2h", x.FeederI2[3]}});
  }
  j["realizations"] = std::move(lines);
  Print(out, j);
  return 0;
}

void AddStudyOptions(CLI::App* c, StudyOptions& so) {
  c->add_option("--schedule", so.schedule, "a schedule of the folder gdp, by name or path")
      ->type_name("FILE")
      ->required();
  c->add_option("--from", so.from, "the first place, km (default 1)")->type_name("A");
  c->add_option("--to", so.to, "the last place, km (default: the zone length less 1)")->type_name("B");
  c->add_option("--step", so.step, "the step of the places, km (default 1)")->type_name("H");
}

}  // namespace

void RegisterStudyCommands(Registry& r) {
  StudyOptions& so = r.Keep<StudyOptions>();
  so.jobs = DefaultJobs();
  const Options& o = r.options;
  CLI::App* sweep = r.app.add_subcommand(
      "psk-sweep", "the best place of the sectioning post over a schedule (Export\\TaskPSK.txt), print JSON");
  CLI::App* search = r.app.add_subcommand(
      "pps-search",
      "the best places of ПСК, ППС1 and ППС2 over a schedule (Export\\TaskPSK&PPS.txt), print JSON");
  for (CLI::App* c : {sweep, search}) {
    AddStudyOptions(c, so);
    r.AddSchemeOptions(c, false)->description("the feeding scheme (default: the schedule's own)");
    r.AddRunOptions(c);
    c->add_option("--jobs", so.jobs, "runs made side by side (default: the number of cores)")
        ->type_name("N")
        ->check(CLI::Range(1, 256));
  }
  CLI::App* stats = r.app.add_subcommand(
      "stats", "probabilistic realizations, one line of totals each (Statistic.txt), print JSON");
  stats->add_option("--runs", so.runs, "the number of realizations")->type_name("N")->required();
  stats->add_option("--period", so.period, "the calculation period (default \"1 час\")")
      ->type_name("TEXT")
      ->check(CLI::IsMember(PeriodTexts()));
  stats->add_option("--interval", so.interval, "the minimum interval J, minutes (default 8)")->type_name("J");
  stats->add_flag("--wait", so.wait, "wait for the trains to leave the zone");
  stats->add_option("--flow", so.flows,
                    "a row of the train flow for this analysis only; data\\prelvoz.dmt is not changed")
      ->type_name("TYPE=COUNT[:AMIN:AMAX:RMIN:RMAX:VMIN:VMAX]");
  stats->add_flag("--save-flow", so.saveFlow,
                  "also store the --flow rows into data\\prelvoz.dmt before the analysis (\"Сохранить\")");
  r.AddSchemeOptions(stats, false)->description("the feeding scheme (default 3)");
  r.AddRunOptions(stats);
  r.AddSeedOption(stats);
  stats->add_option("--jobs", so.jobs, "realizations solved side by side (default: the number of cores)")
      ->type_name("N")
      ->check(CLI::Range(1, 256));
  sweep->footer("example:\n  tpscalc-cli psk-sweep --schedule file00.gdp --scheme 4 --from 2 --to 18 --step 2");
  search->footer("example:\n  tpscalc-cli pps-search --schedule file00.gdp --scheme 5 --step 4");
  stats->footer("example:\n  tpscalc-cli stats --runs 20 --period '1 час' --scheme 3 --seed 1");
  r.AddCommand(stats, [&o, &so](AppState& st, CliHost& host, std::ostream& out, std::ostream& err) {
    return Stats(st, host, o, so, out, err);
  });
  r.AddCommand(sweep, [&o, &so](AppState& st, CliHost& host, std::ostream& out, std::ostream& err) {
    return PskSweep(st, host, o, so, out, err);
  });
  r.AddCommand(search, [&o, &so](AppState& st, CliHost& host, std::ostream& out, std::ostream& err) {
    return PpsSearch(st, host, o, so, out, err);
  });
}

}  // namespace tps::cli
