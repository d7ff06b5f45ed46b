#include "tasks/statistics.h"

#include <algorithm>

#include "driver/probrun.h"
#include "params/conv.h"
#include "params/errors.h"
#include "params/fileio.h"
#include "traffic/randomflow.h"
#include "validation/checks.h"

namespace tps {

namespace {

// No more realizations than this in one analysis.
constexpr int32_t kMostRealizations = 100000;
// A realization drawn without its solution never takes more steps than this.
constexpr uint64_t kMostDrawSteps = 100000000;

double StepOf(const AppState& st) {
  double step = 0;
  return TryStrToFloat(st.Params.StepMinutes.Get(), step) ? step : 0;
}

void ReleaseRunSeries(AppState& s) {
  s.Chart = ChartData();
  s.LossSeries.Losses = {};
  s.LossSeries.StepIndex = {};
  s.Flow.Record = {};
  s.Flow.RecordComplete = false;
  s.Circuit = StepCircuit();
}

std::string Line(size_t number, const Realization& r) {
  std::string s = std::to_string(number);
  for (double v : {r.Supplied[0], r.Supplied[1], r.Loss, r.LossPercent, r.FeederI2[0], r.FeederI2[1],
                   r.FeederI2[2], r.FeederI2[3]})
    s += " " + FloatToStr(v);
  return s;
}

}  // namespace

bool DrawRealization(AppState& st) {
  const bool twoWay = TwoWay(st);
  try {
    PrepareRandomFlow(st, twoWay);
  } catch (const IoError&) {
    return false;
  }
  if (TooManyTrains(st)) return false;
  const double step = StepOf(st);
  const double delta = Round(step * 100) / 100;
  if (!(delta > 0)) return false;
  double minInterval = 0;
  TryStrToFloat(st.Prob.MinInterval, minInterval);
  const double period = PeriodMinutes(st.Prob.Period);
  st.ModelTime = 0;
  uint64_t left = kMostDrawSteps;
  while (period > st.ModelTime || TrainsRemaining(st, twoWay) || (st.Prob.WaitTrains && !st.Trains.Empty())) {
    if (left-- == 0) return false;
    RandomFlowEnter(st, twoWay, minInterval);
    AdvanceTrains(st, step);
    AdvanceFlowClock(st, delta);
  }
  RemoveAllTrains(st);
  ResetRandomFlow(st);
  std::fill(std::begin(st.Trains.TrainSlots1), std::end(st.Trains.TrainSlots1), false);
  std::fill(std::begin(st.Trains.TrainSlots2), std::end(st.Trains.TrainSlots2), false);
  st.StepCount = 0;
  st.ModelTime = 0;
  return true;
}

double SquareIntegral(const std::vector<double>& v, double dt) {
  if (v.size() <= 2) return 0;
  double sum = 0;
  for (size_t i = 0; i + 1 < v.size(); ++i) sum += dt * (v[i] * v[i] + v[i + 1] * v[i + 1]) / 2;
  return sum;
}

StatisticsResult RunStatistics(AppState& st, const std::string& runsText, StudyControl& ctl) {
  if (st.RunMode != ModeProb) throw ProgramError("Статистический анализ начат не в вероятностном режиме");
  StatisticsResult res;
  if (CheckInteger(st, runsText, "количества просчётов", 1, kMostRealizations, true, true) != 0) {
    res.Outcome = RunOutcome::Refused;
    return res;
  }
  const size_t n = static_cast<size_t>(StrToInt(runsText));
  WriteTextLines(st.Work, kStatisticFile, {kStatisticHeader});

  Study study(st, ctl);
  const bool parallel = study.Parallel();
  // The generator as each realization of the next batch finds it, drawn
  // ahead on a state of its own.
  AppState draw = study.State();
  draw.Host = nullptr;
  const size_t batch = std::max<size_t>(8, size_t(ctl.Jobs) * 4);
  for (size_t base = 0; base < n && !study.Ended(); base += batch) {
    const size_t m = std::min(batch, n - base);
    std::vector<uint32_t> seeds;
    if (parallel) {
      for (size_t i = 0; i <= m && !ctl.Stop.load(); ++i) {
        seeds.push_back(draw.Rng.Seed());
        if (i < m && !DrawRealization(draw)) break;
      }
    }
    std::vector<Study::Job> jobs;
    for (size_t i = 0; i < m; ++i)
      jobs.push_back([&seeds, parallel, i, n, number = base + i + 1](AppState& s) {
        if (parallel && i < seeds.size()) s.Rng.SetSeed(seeds[i]);
        StudyRun r;
        r.Outcome = StartRun(s);
        r.Complete = r.Outcome == RunOutcome::Finished;
        if (!r.Complete) return r;
        // Drawn ahead and drawn by the run itself: the same trains, or the
        // analysis stops rather than write another realization than the one
        // a run after another would give.
        if (parallel && (i + 1 >= seeds.size() || s.Rng.Seed() != seeds[i + 1])) {
          s.Message(MsgKind::Error, "Реализация " + std::to_string(number) +
                                        ": поезда разошлись с заранее разыгранными, анализ остановлен");
          r.Outcome = RunOutcome::Failed;
          r.Complete = false;
          return r;
        }
        const double dt = StepOf(s) / 60;
        r.Values = {s.EnergySupplied[0], s.EnergySupplied[1], s.EnergyLoss, s.LossPercent};
        for (int f = 0; f < 4; ++f) r.Values.push_back(SquareIntegral(s.Chart.Series[f], dt));
        // The series of a realization are released once its line is taken (a
        // year of them is some 75 MB); only the last realization's stay for
        // the charts of the window. Its files are written already.
        if (number != n) ReleaseRunSeries(s);
        return r;
      });
    study.SetProgressSpan(base, n);
    const std::vector<StudyRun> runs = study.RunJobs(jobs);
    std::vector<std::string> lines;
    for (const StudyRun& r : runs) {
      Realization x;
      x.Supplied[0] = r.Values[0];
      x.Supplied[1] = r.Values[1];
      x.Loss = r.Values[2];
      x.LossPercent = r.Values[3];
      for (int f = 0; f < 4; ++f) x.FeederI2[f] = r.Values[4 + f];
      res.Done.push_back(x);
      lines.push_back(Line(res.Done.size(), x));
    }
    if (!lines.empty()) AppendTextLines(st.Work, kStatisticFile, lines);
  }
  study.Finish();
  res.Outcome = study.Trouble();
  res.Stopped = res.Outcome == RunOutcome::Finished && res.Done.size() < n;
  res.CutShort = study.CutShort();
  return res;
}

}  // namespace tps
