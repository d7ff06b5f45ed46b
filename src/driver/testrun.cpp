#include "driver/testrun.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>
#include <stdexcept>

#include "circuit/schemes.h"
#include "params/conv.h"
#include "params/errors.h"
#include "params/persist.h"
#include "solver/report.h"
#include "solver/solve.h"
#include "validation/checks.h"
#include "validation/physical.h"

namespace tps {

static std::string TwoDigits(long long v) {
  std::string s = std::to_string(v);
  if (s.size() > 2) s.resize(2);
  if (s.size() < 2) s.insert(0, "0");
  return s;
}

std::string FormatRunTime(double minutes) {
  long long s = static_cast<long long>(Trunc(60 * minutes));
  long long days = 0, hours = 0, mins = 0;
  // Whole days, hours and minutes taken off at once: the same split as
  // subtracting them one by one, without a loop as long as the time.
  if (s > 0) {
    days = s / 86400;
    s %= 86400;
    hours = s / 3600;
    s %= 3600;
    mins = s / 60;
    s %= 60;
  }
  return TwoDigits(days) + ":" + TwoDigits(hours) + ":" + TwoDigits(mins) + ":" + TwoDigits(s);
}

// Moves the records of one track, with the closing-up rule.
static void MoveTrack(AppState& st, std::vector<elvoz>& track, double step, double dir) {
  for (size_t i = 0; i < track.size(); ++i) {
    elvoz& t = track[i];
    t.Km = RoundTo(t.Km + dir * step * t.Speed / 60, 4);
    // Trains that entered before the option was switched on keep their current.
    if (st.VaryTrainCurrents && t.Profile.PointCount > 0) t.Current = ProfileCurrentAt(t.Profile, t.Km);
    if (track.size() > 1 && i > 0) {
      const elvoz& p = track[i - 1];
      // A train that has closed up to within 3 km of the one ahead slows to its speed.
      if (std::fabs(t.Km - p.Km) <= 3 && p.Speed < t.Speed && p.Speed != 0) t.Speed = p.Speed;
    }
  }
}

void AdvanceTrains(AppState& st, double stepMinutes) {
  double L = StrToFloat(st.Params.ZoneLength.Get());
  MoveTrack(st, st.Trains.Trains1, stepMinutes, +1);
  std::vector<int> gone;
  for (const auto& t : st.Trains.Trains1)
    if (t.Km > L) gone.push_back(t.Number);
  for (int n : gone) RemoveTrain(st, n);
  int v = st.SchemeVariant;
  if (!IsSingleTrackVariant(v) && v != 6 && v != 12) {
    MoveTrack(st, st.Trains.Trains2, stepMinutes, -1);
    gone.clear();
    for (const auto& t : st.Trains.Trains2)
      if (t.Km < 0) gone.push_back(t.Number);
    for (int n : gone) RemoveTrain(st, n);
  }
  if (st.ShowPictures) {
    st.Notify(Changed::Trains);
    st.Notify(Changed::Picture);
  }
  st.LossSeries.StepEnded = TimeOfDayNow();
}

// One step of the batch loops; `hundredths` advances the clock by the step
// rounded to 0.01 minute instead of 0.001.
static void RunOneStepRounded(AppState& st, bool hundredths) {
  st.Pump();
  if (BuildStepCircuit(st)) SolveStep(st);
  double step = StrToFloat(st.Params.StepMinutes.Get());
  AdvanceTrains(st, step);
  double inc = hundredths ? Round(step * 100) / 100 : Round(step * 1000) / 1000;
  st.ModelTime = SnapTenth(inc + st.ModelTime);
  st.Notify(Changed::Clock);
}

void RunOneStep(AppState& st) { RunOneStepRounded(st, false); }

bool AddTrainButton(AppState& st, int track) {
  ApplyFormRules(st.Params);
  if (CheckMainInput(st) != 0) return false;
  st.Controls.ZoneLengthEnabled = false;
  bool added = AddTrain(st, track);
  // Every number of the track is taken: the train is not added, and the
  // user is told why instead of the press doing nothing.
  if (!added)
    st.Message(MsgKind::Warning, "Поезд не добавлен: на пути " + std::to_string(track) + " уже " +
                                     std::to_string(kSlotsPerTrack) +
                                     " поездов, больше на одном пути не бывает");
  st.Notify(Changed::Controls);
  st.Notify(Changed::Trains);
  st.Notify(Changed::Picture);
  return added;
}

void PauseButton(AppState& st) {
  // A schedule run may stand between trains and still be paused.
  if (st.Trains.Empty() && st.RunMode != ModeProb && !st.ScheduleRunning) return;
  st.PauseRequested = true;
  st.Notify(Changed::Controls);
}

// The closing part of every batch: the state after the last move is built
// and solved once more, the loss file written, the controls released.
static void FinishBatch(AppState& st) {
  if (BuildStepCircuit(st)) SolveStep(st);
  st.LossSeries.LastIndex = static_cast<int32_t>(st.StepCount) - 1;
  WriteLossFile(st);
  st.Controls.ResultsVisible = true;
  st.Controls.ZoneLengthEnabled = true;
  st.StepCount = 0;
  st.Controls.RunActive = false;
  st.Notify(Changed::Controls);
  st.Notify(Changed::Clock);
}

// A batch stopped part way: its trains leave the zone, the controls come
// back, and nothing of it is offered as a result; the loss file of the run
// before stays.
static void StopBatch(AppState& st) {
  st.Chart = ChartData();
  st.Params.ResultsPending = 0;
  st.Controls.ResultsVisible = false;
  RemoveAllTrains(st);
  st.Controls.ZoneLengthEnabled = true;
  st.StepCount = 0;
  st.Controls.RunActive = false;
  st.Notify(Changed::Trains);
  st.Notify(Changed::Controls);
  st.Notify(Changed::Clock);
}

// A run that stopped on a step with no solution: the controls come back, the
// run is over, and nothing of it is offered as a result.
static void AbandonFailedRun(AppState& st, const std::string& text) {
  // Its chart data is no result either: the chart buttons go dark.
  st.Chart = ChartData();
  st.Controls.RunActive = false;
  st.Controls.ZoneLengthEnabled = true;
  st.Controls.ResultsVisible = false;
  st.Params.ResultsPending = 0;
  st.StepCount = 0;
  st.Notify(Changed::Controls);
  st.Message(MsgKind::Error, text);
}

namespace {

// Positions are kept to 0.0001 km: a train that moves less in one step never
// gets anywhere, and a run waiting for it to leave would never end.
constexpr double kLeastMoveKm = 0.0001;

// km a train moves in one step.
double MovePerStep(double speed, double step) {
  return speed * step / 60;
}

bool MovesEnough(double speed, double step) {
  // A hair of tolerance for the rounding of speed x step / 60 itself.
  return MovePerStep(speed, step) >= kLeastMoveKm * (1 - 1e-9);
}

// A run that went on for more steps than its trains can need.
struct RunBoundError : std::runtime_error {
  explicit RunBoundError(const std::string& msg) : std::runtime_error(msg) {}
};

// The message of a failure that ends a batch with nothing of it a result: a
// singular system, a value that is not a finite number, a batch beyond its
// bound, or a file of the step (the head files of the matrices) that could
// not be read. None for any other exception, which goes on up.
std::optional<std::string> BatchFailure(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const SingularError& e) {
    return e.what();
  } catch (const NonFiniteError& e) {
    return e.what();
  } catch (const RunBoundError& e) {
    return e.what();
  } catch (const IoError& e) {
    return e.what();
  } catch (...) {
    return std::nullopt;
  }
}

// Counts the steps of one batch against the most it may take.
class StepBudget {
 public:
  explicit StepBudget(double steps) : left_(steps) {}
  void Take() {
    if (left_ < 1)
      throw RunBoundError("Пакетный пуск остановлен: поезда не покинули зону за " + FloatToStr(used_) +
                          " шагов");
    left_ -= 1;
    used_ += 1;
  }

 private:
  double left_;
  double used_ = 0;
};

// The trains already on the zone must be able to leave it: a train that moves
// less than 0.0001 km in a step, or stands on a track that does not move in
// this scheme, would hold the run for ever. Returns the message, or empty.
std::string StandingTrainFault(const AppState& st, double step) {
  const int v = st.SchemeVariant;
  const bool track2Moves = !IsSingleTrackVariant(v) && v != 6 && v != 12;
  for (int track = 1; track <= 2; ++track) {
    for (const elvoz& t : track == 1 ? st.Trains.Trains1 : st.Trains.Trains2) {
      const double speed = (track == 1 || track2Moves) ? t.Speed : 0;
      if (MovesEnough(speed, step)) continue;
      return "Поезд " + std::to_string(t.Number) + " не покинет зону: при шаге " + FloatToStr(step) +
             " мин со скоростью '" + FloatToStr(speed) + "' он проходит за шаг меньше " +
             FloatToStr(kLeastMoveKm) + " км!";
    }
  }
  return std::string();
}

}  // namespace

static RunOutcome RunBatchTrains(AppState& st, int code) {
  const TParamBlock& p = st.Params;
  bool single = code == 11 || code == 12 || code == 21 || code == 22;
  bool groupA = code == 14 || code == 19;
  bool doubleTrack = !single;
  if (p.TrainSpeed.Get() == "0") {
    st.Message(MsgKind::Error, "Скорость не может быть '0'!");
    return RunOutcome::Refused;
  }
  double L = StrToFloat(p.ZoneLength.Get());
  double km = StrToFloat(p.TrainKm.Get());
  double speed = StrToFloat(p.TrainSpeed.Get());
  double interval = StrToFloat(p.BatchInterval.Get());
  double step = StrToFloat(p.StepMinutes.Get());
  if (!MovesEnough(speed, step)) {
    st.Message(MsgKind::Error, "Скорость не может быть '" + p.TrainSpeed.Get() + "' при шаге " +
                               p.StepMinutes.Get() + " мин: за шаг поезд проходит меньше " +
                               FloatToStr(kLeastMoveKm) + " км!");
    return RunOutcome::Refused;
  }
  const std::string standing = StandingTrainFault(st, step);
  if (!standing.empty()) {
    st.Message(MsgKind::Error, standing);
    return RunOutcome::Refused;
  }
  double travel = (L - km) * 60 / speed;
  if (interval > travel) {
    st.Params.TrainSpeed.Set(FloatToStr(Trunc((L - km) * 60 / interval)));
    st.Notify(Changed::Fields);
    st.Message(MsgKind::Information, "Используйте рекомендованое значение скорости или другой режим!");
    return RunOutcome::Recommended;
  }
  int n = StrToInt(p.BatchTrains.Get());
  double wholeInterval = Trunc(interval);
  // The most steps the run can need: each batch train's interval, then the
  // zone (and a km to spare) at the slowest move of any train, twice over for
  // the rounding of every position to 0.0001 km. Closing up only ever takes
  // the speed of a train ahead, so no train moves slower than the slowest now.
  double slowest = MovePerStep(speed, step);
  for (const auto* track : {&st.Trains.Trains1, &st.Trains.Trains2})
    for (const elvoz& t : *track)
      if (MovesEnough(t.Speed, step)) slowest = std::min(slowest, MovePerStep(t.Speed, step));
  StepBudget budget(std::max(n, 0) * (std::ceil(wholeInterval / step) + 2) +
                    2 * std::ceil((std::fabs(L) + 1) / slowest) + 10);
  for (int k = 0; k < n; ++k) {
    AddTrainButton(st, 1);
    if (doubleTrack && code != 19 && code != 29) {
      std::string kmText = st.Params.TrainKm.Get();
      st.Params.TrainKm.Set(FloatToStr(L - StrToFloat(kmText)));
      st.Notify(Changed::Fields);
      AddTrainButton(st, 2);
      st.Params.TrainKm.Set(kmText);
      st.Notify(Changed::Fields);
    }
    double elapsed = step;
    while (wholeInterval >= elapsed && (single || !st.Trains.Empty())) {
      budget.Take();
      RunOneStep(st);
      // A stop ("Выход", or a signal to the command line) ends the batch
      // after the step under way.
      if (st.StopRequested) return RunOutcome::Stopped;
      elapsed = RoundTo(step + elapsed, 3);
    }
  }
  while (!st.Trains.Empty()) {
    budget.Take();
    RunOneStepRounded(st, groupA);
    if (st.StopRequested) return RunOutcome::Stopped;
  }
  st.Message(MsgKind::Information, "Пакетный пуск завершен");
  return RunOutcome::Finished;
}

RunOutcome BatchLaunch(AppState& st) {
  ApplyFormRules(st.Params);
  if (CheckMainInput(st) != 0) return RunOutcome::Refused;
  // Conductor data that cannot give the line impedance, or a substation
  // voltage that would overflow the step, refuse the run before it starts.
  if (CheckCircuitData(st) != 0) return RunOutcome::Refused;
  st.Chart.Reset();
  st.Controls.RunActive = true;
  st.StopRequested = false;
  st.Notify(Changed::Controls);
  try {
    if (st.StepCount == 0) {
      ResetRunStart(st);
      TLossSeries& ls = st.LossSeries;
      ls.Step = StrToFloat(st.Params.StepMinutes.Get());
      ls.MaxLoss = 0;
      ls.Losses.resize(1);
      ls.StepIndex.resize(1);
      st.ModelTime = 0;
    }
    UpdateSchemeVariant(st);
    int code = SchemeCode(st.SchemeVariant);
    RunOutcome outcome = RunOutcome::Refused;
    switch (code) {
      case 11: case 12: case 21: case 22:
      case 14: case 19:
      case 16: case 18: case 23: case 24: case 26: case 29:
        outcome = RunBatchTrains(st, code);
        break;
      default:
        break;
    }
    if (outcome == RunOutcome::Stopped) {
      // Stopped part way: no result, and the zone at rest.
      StopBatch(st);
      return outcome;
    }
    FinishBatch(st);
    return outcome;
  } catch (...) {
    if (const std::optional<std::string> failure = BatchFailure(std::current_exception())) {
      AbandonFailedRun(st, *failure);
      return RunOutcome::Failed;
    }
    st.Controls.RunActive = false;
    st.Controls.ZoneLengthEnabled = true;
    st.StepCount = 0;
    st.Notify(Changed::Controls);
    throw;
  }
}

}  // namespace tps
