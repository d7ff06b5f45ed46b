#include "driver/probrun.h"

#include "driver/runs.h"
#include "driver/progress.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "arith/errors.h"
#include "circuit/schemes.h"
#include "params/conv.h"
#include "params/errors.h"
#include "params/persist.h"
#include "solver/report.h"
#include "solver/solve.h"
#include "traffic/randomflow.h"
#include "traffic/schedule.h"
#include "validation/checks.h"
#include "validation/physical.h"
#include "validation/schedule_checks.h"

namespace tps {

namespace {

// Positions are kept to 0.0001 km: a train that moves less in a step never
// leaves the zone.
constexpr double kLeastMoveKm = 0.0001;

// A run that went on for more steps than its trains and its period can need.
struct RunBoundError : std::runtime_error {
  explicit RunBoundError(const std::string& m) : std::runtime_error(m) {}
};

double StepOf(const AppState& st) {
  return StrToFloat(st.Params.StepMinutes.Get());
}
double DeltaOf(double step) {
  return Round(step * 100) / 100;
}

bool Track2Moves(const AppState& st) {
  const int v = st.SchemeVariant;
  return !IsSingleTrackVariant(v) && v != 6 && v != 12;
}

// km per step of the slowest train that can still leave, at least the least move.
double SlowestMove(const AppState& st, double step, double slowest) {
  for (int track = 1; track <= 2; ++track)
    for (const elvoz& t : track == 1 ? st.Trains.Trains1 : st.Trains.Trains2)
      if (track == 1 || Track2Moves(st)) slowest = std::min(slowest, t.Speed * step / 60);
  return std::max(slowest, kLeastMoveKm);
}

// The steps a run may take from now: the period left, every slot left at its
// interval, then the zone crossed twice over at the slowest move.
double StepBudget(const AppState& st, double delta, double slowestMove) {
  double steps = 10 + 2 * std::ceil((std::fabs(StrToFloat(st.Params.ZoneLength.Get())) + 1) / slowestMove);
  if (st.RunMode == ModeProb) {
    const double period = PeriodMinutes(st.Prob.Period);
    double interval = 0;
    TryStrToFloat(st.Prob.MinInterval, interval);
    steps += std::ceil(std::max(0.0, period - st.ModelTime) / delta) + 2;
    const double slots = std::max(st.Flow.SlotsLeft1, st.Flow.SlotsLeft2);
    steps += slots * (std::ceil(std::max(interval, 0.0) / delta) + 2);
  }
  return steps;
}

// A train on the zone that cannot leave it: its message, or empty.
std::string StandingTrain(const AppState& st, double step) {
  for (int track = 1; track <= 2; ++track)
    for (const elvoz& t : track == 1 ? st.Trains.Trains1 : st.Trains.Trains2) {
      const double speed = (track == 1 || Track2Moves(st)) ? t.Speed : 0;
      if (speed * step / 60 >= kLeastMoveKm * (1 - 1e-9)) continue;
      return "Поезд " + std::to_string(t.Number) + " не покинет зону: при шаге " + FloatToStr(step) +
             " мин со скоростью '" + FloatToStr(speed) + "' он проходит за шаг меньше " +
             FloatToStr(kLeastMoveKm) + " км!";
    }
  return std::string();
}

// The slot counters of the flow are 16-bit: a period cut into more slots is
// refused before the run rather than counted modulo 65536.
bool SlotsFit(AppState& st) {
  const int64_t nmax = NmaxValue(st);
  if (nmax < 0) {
    st.Message(MsgKind::Error, "Не определено максимальное количество поездов");
    return false;
  }
  if (nmax > kMaxFlowSlots) {
    st.Message(MsgKind::Warning,
               "Расчётный период \"" + st.Prob.Period + "\" при интервале J = " + st.Prob.MinInterval +
                   " мин содержит " + std::to_string(nmax) + " интервалов, а допустимо не больше " +
                   std::to_string(kMaxFlowSlots) + ": увеличьте интервал или уменьшите период");
    return false;
  }
  return true;
}

// Waiting for the zone to empty, a type of train that moves less than the
// least move per step would hold the run for ever: its message, or empty.
std::string TooSlowFlow(AppState& st, double step) {
  if (!st.Prob.WaitTrains) return std::string();
  for (int k = 0; k < 4; ++k) {
    const std::string(&row)[7] = st.Prob.Grid[k];
    int32_t count = 0;
    double lo = 0, hi = 0;
    if (!TryStrToInt(row[6], count) || count <= 0 || !TryStrToFloat(row[4], lo) || !TryStrToFloat(row[5], hi))
      continue;
    const double slowest = std::min(lo, hi);
    if (slowest * step / 60 >= kLeastMoveKm * (1 - 1e-9)) continue;
    return std::string("Поезда типа \"") + kFlowRowNames[k] + "\" со скоростью '" + FloatToStr(slowest) +
           "' не покинут зону: при шаге " + FloatToStr(step) + " мин они проходят за шаг меньше " +
           FloatToStr(kLeastMoveKm) + " км!";
  }
  return std::string();
}

void GiveBackControls(AppState& st) {
  st.Controls.RunActive = false;
  st.Notify(Changed::Controls);
}

// The run's totals and series from the start.
void ResetTotals(AppState& st, bool keepReport) {
  st.Chart.Reset();
  ResetRunStart(st, keepReport);
  TLossSeries& ls = st.LossSeries;
  ls.Step = StepOf(st);
  ls.MaxLoss = 0;
  ls.Losses.assign(1, 0.0);
  ls.StepIndex.assign(1, 0);
}

// The end of a run, finished or abandoned: no trains, clock and counter at 0,
// the flow released, the numbers free, the controls back.
void CloseRun(AppState& st) {
  RemoveAllTrains(st);
  if (st.RunMode == ModeProb) ResetRandomFlow(st);
  std::fill(std::begin(st.Trains.TrainSlots1), std::end(st.Trains.TrainSlots1), false);
  std::fill(std::begin(st.Trains.TrainSlots2), std::end(st.Trains.TrainSlots2), false);
  RestAfterRun(st);
}

RunOutcome Abandon(AppState& st, const std::string& text) {
  st.Controls.ResultsVisible = false;
  st.Params.ResultsPending = 0;
  st.Flow.RecordComplete = false;
  CloseRun(st);
  if (!text.empty()) st.Message(MsgKind::Error, text);
  return RunOutcome::Failed;
}

// ------------------------------------------------ the record of the flow

void StartRecord(AppState& st) {
  RandomFlowState& f = st.Flow;
  f.Record.clear();
  f.RecordHeader = st.Params;
  f.RecordVariant = st.SchemeVariant;
  f.RecordEnd = 0;
  f.RecordComplete = false;
}

// The numbers of the trains on the zone.
std::vector<int> NumbersOnZone(const AppState& st) {
  std::vector<int> n;
  for (const elvoz& t : st.Trains.Trains1) n.push_back(t.Number);
  for (const elvoz& t : st.Trains.Trains2) n.push_back(t.Number);
  return n;
}

// One step of the probabilistic run: the trains of the random flow enter,
// then the step's circuit, its solution and the advance of the trains.
// Returns the trains that entered; false in `built` when the circuit could
// not be built.
std::vector<EnteredTrain> RandomFlowStep(AppState& st, bool twoWay, double stepMinutes, double minInterval,
                                         bool& built) {
  std::vector<EnteredTrain> entered = RandomFlowEnter(st, twoWay, minInterval);
  built = BuildStepCircuit(st);
  if (!built) return entered;
  SolveStep(st);
  AdvanceTrains(st, stepMinutes);
  return entered;
}

// One probabilistic step with its record: the trains that entered at the
// time point of the step (the step count before its solution), the trains
// that left at the time point after it. False when the step's circuit could
// not be built.
bool ProbStep(AppState& st, bool twoWay) {
  RandomFlowState& f = st.Flow;
  const uint32_t time = st.StepCount;
  // What each train was as it last stood on the zone.
  std::vector<elvoz> before;
  for (const auto* list : {&st.Trains.Trains1, &st.Trains.Trains2})
    for (const elvoz& t : *list) before.push_back(t);
  double minInterval = 0;
  TryStrToFloat(st.Prob.MinInterval, minInterval);
  bool built = true;
  const std::vector<EnteredTrain> entered = RandomFlowStep(st, twoWay, StepOf(st), minInterval, built);
  const bool dc = IsDcVariant(st.SchemeVariant);
  for (const EnteredTrain& e : entered) {
    if (e.Number == 0) continue;
    RandomFlowState::RecordedEvent r;
    r.Time = time;
    r.Number = static_cast<uint16_t>(e.Number);
    r.Kind = ekAppear;
    r.TypeCode = e.Record.TypeCode;
    r.Active = e.Record.ActiveCurrent;
    r.Reactive = e.Record.ReactiveCurrent;
    r.Position = e.Record.Position;
    r.Speed = e.Record.Speed;
    f.Record.push_back(r);
    // A train that entered and left within this one step.
    elvoz t;
    t.Number = static_cast<int16_t>(e.Number);
    t.Kind = e.Record.TypeCode;
    t.Current = {e.Record.ActiveCurrent, dc ? 0.0 : e.Record.ReactiveCurrent};
    t.Speed = e.Record.Speed;
    before.push_back(t);
  }
  if (!built) return false;
  const std::vector<int> after = NumbersOnZone(st);
  const double zone = StrToFloat(st.Params.ZoneLength.Get());
  for (const elvoz& t : before) {
    if (std::find(after.begin(), after.end(), t.Number) != after.end()) continue;
    RandomFlowState::RecordedEvent r;
    r.Time = st.StepCount;
    r.Number = static_cast<uint16_t>(t.Number);
    r.Kind = ekPassed;
    r.TypeCode = t.Kind;
    r.Active = t.Current.Re;
    r.Reactive = t.Current.Im;
    r.Position = t.Number % 2 != 0 ? zone : 0.0;
    r.Speed = t.Speed;
    f.Record.push_back(r);
  }
  return true;
}

// The end of a run that went to its end.
RunOutcome FinishRun(AppState& st) {
  st.RunEndTime = st.ModelTime;
  st.LossSeries.LastIndex = static_cast<int32_t>(st.StepCount) - 1;
  WriteLossFile(st);
  if (st.RunMode == ModeProb) {
    // The trains the period leaves on the zone close their paths where they
    // stand ("остался на зоне"); a replay stops before this last time point.
    for (const auto* list : {&st.Trains.Trains1, &st.Trains.Trains2}) {
      for (const elvoz& t : *list) {
        RandomFlowState::RecordedEvent r;
        r.Time = st.StepCount;
        r.Number = static_cast<uint16_t>(t.Number);
        r.Kind = ekStayed;
        r.TypeCode = t.Kind;
        r.Active = t.Current.Re;
        r.Reactive = t.Current.Im;
        r.Position = t.Km;
        r.Speed = t.Speed;
        st.Flow.Record.push_back(r);
      }
    }
    st.Flow.RecordEnd = st.StepCount;
    st.Flow.RecordComplete = true;
  }
  st.Message(MsgKind::Information, "Имитация окончена");
  st.Controls.ResultsVisible = true;
  CloseRun(st);
  return RunOutcome::Finished;
}

RunOutcome TestLoop(AppState& st) {
  const double step = StepOf(st), delta = DeltaOf(step);
  double budget = StepBudget(st, delta, SlowestMove(st, step, 1e300));
  while (!st.Trains.Empty()) {
    if (budget-- < 1)
      throw RunBoundError("Имитация остановлена: поезда не покинули зону за отведённое число шагов");
    if (!BuildStepCircuit(st)) return Abandon(st, "");
    SolveRunStep(st);
    AdvanceTrains(st, step);
    if (!st.Trains.Empty()) st.ModelTime = SnapTenth(st.ModelTime + delta);
    st.Notify(Changed::Clock);
    st.Pump();
    if (st.PauseRequested) return RunOutcome::Paused;
  }
  if (!BuildStepCircuit(st)) return Abandon(st, "");
  SolveRunStep(st);
  return FinishRun(st);
}

// The slowest speed the flow may still generate, as km per step.
double SlowestFlowMove(const AppState& st, double step) {
  double slowest = 1e300;
  for (const auto* types : {&st.Flow.FlowParams1, &st.Flow.FlowParams2})
    for (const RandomFlowState::TypeRecord& t : *types)
      if (t.Count > 0) slowest = std::min(slowest, std::min(t.SpeedMin, t.SpeedMax) * step / 60);
  return SlowestMove(st, step, slowest);
}

RunOutcome ProbLoop(AppState& st, bool twoWay) {
  const double step = StepOf(st), delta = DeltaOf(step);
  const double period = PeriodMinutes(st.Prob.Period);
  double budget = StepBudget(st, delta, SlowestFlowMove(st, step));
  while (period > st.ModelTime || TrainsRemaining(st, twoWay) || (st.Prob.WaitTrains && !st.Trains.Empty())) {
    st.Pump();
    if (st.PauseRequested) return RunOutcome::Paused;
    // A stop ends the run at this step; a realization cut short is no
    // result (its totals would cover only part of the period).
    if (st.StopRequested) {
      Abandon(st, "");
      return RunOutcome::Stopped;
    }
    if (budget-- < 1)
      throw RunBoundError("Имитация остановлена: поезда не покинули зону за отведённое число шагов");
    if (!ProbStep(st, twoWay)) return Abandon(st, "");
    AdvanceFlowClock(st, delta);
  }
  return FinishRun(st);
}

// The checks before a run starts or resumes; false when refused (message shown).
bool RunChecks(AppState& st, bool fresh) {
  if (st.RunMode == ModeTest ? CheckMainInput(st) != 0 : CheckTrainParameters(st) != 0) return false;
  if (CheckMainInput(st) != 0) return false;
  if (!fresh) return true;
  if (CheckCircuitData(st) != 0) return false;
  const double step = StepOf(st);
  if (!(DeltaOf(step) > 0)) {
    st.Message(MsgKind::Error, "Шаг " + st.Params.StepMinutes.Get() +
                                   " мин слишком мал для расчёта: нужно не меньше 0.01 мин");
    return false;
  }
  if (st.RunMode == ModeTest) {
    const std::string standing = StandingTrain(st, step);
    if (!standing.empty()) {
      st.Message(MsgKind::Error, standing);
      return false;
    }
  } else {
    UpdateNmax(st);
    if (!SlotsFit(st)) return false;
    const std::string slow = TooSlowFlow(st, step);
    if (!slow.empty()) {
      st.Message(MsgKind::Error, slow);
      return false;
    }
  }
  return true;
}

template <class F>
RunOutcome Guarded(AppState& st, F&& body) {
  try {
    return body();
  } catch (const IoError& e) {
    return Abandon(st, e.what());
  } catch (const ConvertError& e) {
    return Abandon(st, e.what());
  } catch (const SingularError& e) {
    return Abandon(st, e.what());
  } catch (const NonFiniteError& e) {
    return Abandon(st, e.what());
  } catch (const RunBoundError& e) {
    return Abandon(st, e.what());
  } catch (...) {
    Abandon(st, "");
    throw;
  }
}

void RequireRunMode(const AppState& st) {
  if (st.RunMode != ModeTest && st.RunMode != ModeProb)
    throw ProgramError("Тестовый или вероятностный запуск не в своём режиме");
}

}  // namespace

bool RunUnderWay(const AppState& st) {
  return (st.RunMode == ModeTest || st.RunMode == ModeProb) && st.StepCount != 0;
}

bool GiveUpRunUnderWay(AppState& st) {
  if (!RunUnderWay(st)) return true;
  if (st.Host && !st.Host->ShowMessage(MsgKind::Warning,
                                       "Расчёт не окончен. Прервать его? Его результаты не сохранятся",
                                       MsgButtons::OkCancel))
    return false;
  Abandon(st, "");
  return true;
}

bool TwoWay(const AppState& st) {
  return st.Scheme.Tab == 1 && !st.Scheme.Box3;
}

void EnterTestMode(AppState& st) {
  st.RunMode = ModeTest;
  st.Notify(Changed::Controls);
}

void EnterProbMode(AppState& st) {
  st.RunMode = ModeProb;
  UpdateNmax(st);
  st.Notify(Changed::Controls);
}

RunOutcome StartRun(AppState& st) {
  RequireRunMode(st);
  st.PauseRequested = false;
  st.StopRequested = false;
  st.Controls.RunActive = true;
  st.Notify(Changed::Controls);
  ApplyFormRules(st.Params);
  const bool fresh = st.StepCount == 0;
  try {
    if (!RunChecks(st, fresh)) {
      GiveBackControls(st);
      return RunOutcome::Refused;
    }
  } catch (const std::exception&) {
    GiveBackControls(st);
    throw;
  }
  const bool twoWay = TwoWay(st);
  if (fresh && st.RunMode == ModeProb) {
    // The flow file is read before anything of the previous run is reset.
    try {
      PrepareRandomFlow(st, twoWay);
    } catch (const IoError& e) {
      ResetRandomFlow(st);
      GiveBackControls(st);
      st.Message(MsgKind::Error, e.what());
      return RunOutcome::Failed;
    }
    if (TooManyTrains(st)) {
      st.Message(MsgKind::Warning, "Количество поездов больше возможного за выбранный период");
      ResetRandomFlow(st);
      GiveBackControls(st);
      return RunOutcome::Refused;
    }
  }
  const RunOutcome outcome = Guarded(st, [&] {
    if (fresh) {
      ResetTotals(st, false);
      st.ModelTime = 0;
      st.StepsPlanned = st.RunMode == ModeProb ? PlannedProbSteps(st) : 0;
      if (st.RunMode == ModeProb) StartRecord(st);
      st.Notify(Changed::Clock);
    }
    return st.RunMode == ModeTest ? TestLoop(st) : ProbLoop(st, twoWay);
  });
  // A paused run no longer runs: Start is offered again to continue it.
  if (outcome == RunOutcome::Paused) GiveBackControls(st);
  return outcome;
}

RunOutcome StepRun(AppState& st) {
  RequireRunMode(st);
  ApplyFormRules(st.Params);
  const bool fresh = st.StepCount == 0;
  if (CheckMainInput(st) != 0) return RunOutcome::Refused;
  if (fresh && !RunChecks(st, true)) return RunOutcome::Refused;
  const double step = StepOf(st), delta = DeltaOf(step);
  const bool twoWay = TwoWay(st);
  if (!fresh && st.RunMode == ModeProb) {
    const double period = PeriodMinutes(st.Prob.Period);
    if ((period <= st.ModelTime && !st.Prob.WaitTrains) ||
        (st.Trains.Empty() && !TrainsRemaining(st, twoWay)))
      return StartRun(st);
  }
  if (fresh && st.RunMode == ModeProb) {
    try {
      PrepareRandomFlow(st, twoWay);
    } catch (const IoError& e) {
      ResetRandomFlow(st);
      st.Message(MsgKind::Error, e.what());
      return RunOutcome::Failed;
    }
    if (TooManyTrains(st)) {
      st.Message(MsgKind::Information, "Количество поездов больше возможного за выбранный период");
      ResetRandomFlow(st);
      return RunOutcome::Refused;
    }
    if (st.Trains.Empty() && !TrainsRemaining(st, twoWay)) {
      st.Message(MsgKind::Information, "Поездов больше нет");
      ResetRandomFlow(st);
      st.Controls.ResultsVisible = true;
      st.Notify(Changed::Controls);
      return RunOutcome::Refused;
    }
  }
  return Guarded(st, [&] {
    if (fresh) {
      ResetTotals(st, true);
      if (st.RunMode == ModeProb) StartRecord(st);
    }
    if (st.RunMode == ModeTest) {
      if (!BuildStepCircuit(st)) return Abandon(st, "");
      SolveStep(st);
      AdvanceTrains(st, step);
      st.ModelTime = SnapTenth(st.ModelTime + delta);
    } else {
      if (!ProbStep(st, twoWay)) return Abandon(st, "");
      AdvanceFlowClock(st, delta);
    }
    st.Controls.ResultsVisible = true;
    st.Notify(Changed::Clock);
    st.Notify(Changed::Controls);
    return RunOutcome::Finished;
  });
}

bool SaveProbSchedule(AppState& st, const std::string& file) {
  const RandomFlowState& f = st.Flow;
  if (!f.RecordComplete) {
    st.Message(MsgKind::Information,
               "Нет законченного вероятностного расчёта: запишите ГДП после окончания имитации");
    return false;
  }
  // The default schedule is never replaced, another one only when the user agrees.
  if (file.empty() || LowerName(file) == kDefaultScheduleFile) {
    st.Message(MsgKind::Information, "Нельзя заменить этот файл");
    return false;
  }
  const std::string path = SchedulePath(file);
  if (st.Work.Exists(path) && st.Host &&
      !st.Host->ShowMessage(MsgKind::Warning, "Файл " + path + " уже существует. Заменить его?",
                            MsgButtons::OkCancel))
    return false;
  TGDPClass gdp;
  gdp.Schedule.Header = f.RecordHeader;
  gdp.Schedule.Variant = f.RecordVariant;
  for (const RandomFlowState::RecordedEvent& r : f.Record) {
    TGDPEvent ev;
    ev.Number = r.Number;
    ev.Kind = r.Kind;
    ev.TypeCode = r.TypeCode;
    ev.ActiveCurrent = r.Active;
    ev.ReactiveCurrent = r.Reactive;
    ev.Position = r.Position;
    ev.Speed = r.Speed;
    gdp.AddEvent(r.Time, ev);
  }
  gdp.AddFinalizationPoint(f.RecordEnd);
  gdp.SaveToFile(st.Work, path);
  return true;
}

}  // namespace tps
