#include "driver/runs.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "circuit/schemes.h"
#include "driver/constructor_run.h"
#include "params/errors.h"
#include "params/persist.h"
#include "solver/report.h"
#include "solver/solve.h"
#include "traffic/randomflow.h"
#include "traffic/schedule.h"
#include "validation/checks.h"
#include "validation/schedule_checks.h"

namespace tps {

std::string TrainWithoutTrack(const TGDPClass& g, int variant) {
  if (FieldsForCode(SchemeCode(variant)).Track2TrainsEnabled) return std::string();
  for (const TEvents& tp : g.Schedule.Items)
    for (const TGDPEvent& ev : tp.Events) {
      if (ev.Kind != ekAppear || ev.Number % 2 != 0) continue;
      std::string scheme = "схемы " + std::to_string(variant) + " \"" + VariantName(variant) + "\"";
      return "ГДП: поезд №" + std::to_string(ev.Number) + " (точка времени " + std::to_string(tp.Time) +
             ") идёт по пути 2, а " +
             (IsSingleTrackVariant(variant) ? "у " + scheme + " пути 2 нет"
                                            : "путь 2 " + scheme + " отключён (\"Откл Ф2 и Ф4\")");
    }
  return std::string();
}

std::string ScheduleModeRefusal(int variant) {
  if (variant != 6 && variant != 12) return std::string();
  return "Расчёт по ГДП со схемой \"Откл Ф2 и Ф4\" (схема " + std::to_string(variant) +
         ") не ведётся: поезда пути 2 стояли бы на пути без питания";
}

bool ScheduleStep(AppState& st, TGDPClass& gdp) {
  if (!gdp.ApplyStepEvents(st)) return true;
  if (!BuildStepCircuit(st)) return false;
  SolveRunStep(st);
  AdvanceTrains(st, gdp.StepMinutes());
  return true;
}

// A schedule run stopped by "Пауза": the schedule with the events done so
// far, and its step.
struct PausedScheduleRun {
  TGDPClass Gdp;
  double Step = 0, Delta = 0;
  uint32_t Done = 0;  // the time steps made so far
};

namespace {

// The controls back after a run that did not start.
void GiveBackControls(AppState& st) {
  st.Controls.RunActive = false;
  st.Notify(Changed::Controls);
}

// The end of every schedule run, finished or not: the kept solution of a
// user circuit released, then the zone at rest.
void CloseRun(AppState& st) {
  st.PausedSchedule.reset();
  ReleaseConstructorRun(st);
  RestAfterRun(st);
}

// A run that stopped on an error: nothing of it is offered as a result.
void AbandonRun(AppState& st, const std::string& text) {
  st.Controls.ResultsVisible = false;
  // Its chart data is no result either: the chart buttons go dark.
  st.Chart = ChartData();
  st.Params.ResultsPending = 0;
  CloseRun(st);
  if (!text.empty() && st.Host) st.Host->ShowMessage(MsgKind::Error, text, MsgButtons::Ok);
}

// An error before the run started loses nothing: the trains and the totals of
// the previous run stay. An error during the run abandons it.
RunOutcome FailRun(AppState& st, bool started, const std::string& text) {
  if (started) {
    AbandonRun(st, text);
  } else {
    GiveBackControls(st);
    if (!text.empty() && st.Host) st.Host->ShowMessage(MsgKind::Error, text, MsgButtons::Ok);
  }
  return RunOutcome::Failed;
}

// One message for all the speed changes of the run that found no train.
std::string IgnoredSpeedChangesText(const std::vector<IgnoredSpeedChange>& list, double step) {
  std::string text = "Изменение скорости не выполнено, поезда нет на участке:";
  const size_t shown = std::min<size_t>(list.size(), 10);
  for (size_t i = 0; i < shown; ++i)
    text += (i ? ", №" : " №") + std::to_string(list[i].Number) + " (" +
            FormatScheduleTime(list[i].Time, step) + ")";
  if (list.size() > shown) text += " и ещё " + std::to_string(list.size() - shown);
  return text;
}

// The loop of the schedule: the events and the step of each time step until
// the schedule's last time point or its final event. A schedule ending at
// time point t runs t steps: the steps are counted as integers and the model
// clock follows from their count (a clock added up in floating point passes
// 0.1 x 3 only after a fourth step). Failed when a step's circuit could not
// be built (its message has been shown); Paused when "Пауза" of the schedule
// mode was pressed: the step under way is finished and the run waits with its
// trains, clock, count and totals until Start.
enum class LoopEnd { Ended, Paused, Failed };
LoopEnd RunSchedule(AppState& st, PausedScheduleRun& run) {
  st.StopRequested = false;
  const uint32_t steps = run.Gdp.LastTime();
  while (run.Done < steps && !st.StopRequested) {
    if (!ScheduleStep(st, run.Gdp)) return LoopEnd::Failed;
    if (st.StopRequested) break;
    ++run.Done;
    st.ModelTime = SnapTenth(run.Done * run.Delta);
    st.Notify(Changed::Clock);
    st.Pump();
    if (st.PauseRequested && !st.StopRequested && st.RunMode == ModeSchedule) return LoopEnd::Paused;
  }
  return LoopEnd::Ended;
}

}  // namespace

RunOutcome StartScheduleRun(AppState& st, const std::string& file) {
  if (st.RunMode != ModeSchedule && st.RunMode != ModeConstructor)
    throw ProgramError("Расчёт по ГДП начат не в режиме ГДП");
  // The window's events are processed every step: a Start pressed then (after
  // a Pause gave it back) must not begin a second run inside this one.
  if (st.ScheduleRunning) return RunOutcome::Refused;
  struct Running {
    bool& flag;
    explicit Running(bool& f) : flag(f) { flag = true; }
    ~Running() { flag = false; }
  } running(st.ScheduleRunning);
  st.PauseRequested = false;
  st.Controls.RunActive = true;
  st.Notify(Changed::Controls);
  ApplyFormRules(st.Params);
  // A paused run goes on with its own schedule; the zone's controls stayed
  // locked, so only the fields it reads every step are checked again.
  std::shared_ptr<PausedScheduleRun> run = st.PausedSchedule;
  bool started = run != nullptr;
  try {
    if (run) {
      if (CheckMainInput(st) != 0) {
        GiveBackControls(st);
        return RunOutcome::Refused;
      }
    } else {
      // With "Откл Ф2 и Ф4" the schedule's track-2 trains would stand on a
      // track without power: the schedule mode takes the scheme without it.
      const std::string refusal = ScheduleModeRefusal(st.SchemeVariant);
      if (st.RunMode == ModeSchedule && !refusal.empty()) {
        st.Message(MsgKind::Error, refusal);
        GiveBackControls(st);
        return RunOutcome::Refused;
      }
      if (CheckScheduleMatch(st, file, true) != 0 || CheckMainInput(st) != 0) {
        GiveBackControls(st);
        return RunOutcome::Refused;
      }
      // The whole file is read before anything of the run changes.
      run = std::make_shared<PausedScheduleRun>();
      TGDPClass& gdp = run->Gdp;
      gdp.Init(st);
      gdp.LoadFromFile(st.Work, SchedulePath(file));
      // A train on a track the scheme lacks would vanish from the run unseen.
      if (st.RunMode == ModeSchedule) {
        const std::string lost = TrainWithoutTrack(gdp, st.SchemeVariant);
        if (!lost.empty()) {
          st.Message(MsgKind::Error, lost);
          GiveBackControls(st);
          return RunOutcome::Refused;
        }
      }
      run->Step = gdp.StepMinutes();
      run->Delta = Round(run->Step * 100) / 100;
      if (!(run->Delta > 0) || !std::isfinite(run->Step)) {
        st.Message(MsgKind::Error, "Шаг ГДП " + gdp.Schedule.Header.StepMinutes.Get() +
                                       " мин слишком мал для расчёта: нужно не меньше 0.01 мин");
        GiveBackControls(st);
        return RunOutcome::Refused;
      }
      if (run->Step * gdp.LastTime() > kLongestScheduleMinutes) {
        st.Message(MsgKind::Error, "ГДП длиннее года (" + FormatScheduleTime(gdp.LastTime(), run->Step) +
                                       "): такой график не рассчитывается");
        GiveBackControls(st);
        return RunOutcome::Refused;
      }

      // A schedule run starts afresh unless it was paused.
      started = true;
      st.StepCount = 0;
      if (st.RunMode == ModeConstructor) PrepareConstructorRun(st);
      st.Chart.Reset();
      ResetRunStart(st);
      st.ModelTime = 0;
      // Its steps: one a time point, and the final solution.
      st.StepsPlanned = static_cast<uint64_t>(gdp.LastTime()) + 1;
      TLossSeries& ls = st.LossSeries;
      ls.Step = StrToFloat(st.Params.StepMinutes.Get());
      ls.MaxLoss = 0;
      ls.Losses.assign(1, 0.0);
      ls.StepIndex.assign(1, 0);
      st.Notify(Changed::Clock);
    }
    st.PausedSchedule.reset();
    TGDPClass& gdp = run->Gdp;
    const double step = run->Step;
    TLossSeries& ls = st.LossSeries;

    switch (RunSchedule(st, *run)) {
      case LoopEnd::Failed:
        AbandonRun(st, "");
        return RunOutcome::Failed;
      case LoopEnd::Paused:
        st.PausedSchedule = run;
        GiveBackControls(st);
        return RunOutcome::Paused;
      case LoopEnd::Ended:
        break;
    }
    // The zone as the schedule left it, once more.
    if (!BuildStepCircuit(st)) {
      AbandonRun(st, "");
      return RunOutcome::Failed;
    }
    SolveRunStep(st);

    st.RunEndTime = st.ModelTime;
    ls.LastIndex = static_cast<int32_t>(st.StepCount) - 1;
    WriteLossFile(st);
    if (!gdp.IgnoredSpeedChanges.empty())
      st.Message(MsgKind::Warning, IgnoredSpeedChangesText(gdp.IgnoredSpeedChanges, step));
    st.Message(MsgKind::Information, "Имитация окончена");
    st.Controls.ResultsVisible = true;
    CloseRun(st);
    return RunOutcome::Finished;
  } catch (const IoError& e) {
    return FailRun(st, started, e.what());
  } catch (const ConvertError& e) {
    return FailRun(st, started, e.what());
  } catch (const SingularError& e) {
    return FailRun(st, started, e.what());
  } catch (const NonFiniteError& e) {
    return FailRun(st, started, e.what());
  } catch (...) {
    FailRun(st, started, "");
    throw;
  }
}

bool ScheduleRunPaused(const AppState& st) {
  return st.PausedSchedule != nullptr;
}

ScheduleInfo ShowScheduleInfo(const AppState& st, const std::string& file) {
  TGDPClass gdp;
  gdp.LoadFromFile(st.Work, SchedulePath(file));
  const TGDP& g = gdp.Schedule;
  ScheduleInfo info;
  info.LengthText = g.Header.ZoneLength.Get();
  info.SchemeName = VariantName(g.Variant);
  info.StepText = g.Header.StepMinutes.Get();
  double step = 0;
  if (TryStrToFloat(info.StepText, step) && std::isfinite(step))
    info.DurationText = FormatScheduleTime(gdp.LastTime(), step);
  return info;
}

ScheduleInfo SelectScheduleFile(AppState& st, const std::string& file) {
  ScheduleInfo info = ShowScheduleInfo(st, file);
  CheckScheduleMatch(st, file, false);
  return info;
}

SchedulePanelView EnterScheduleMode(AppState& st) {
  st.RunMode = ModeSchedule;
  st.Notify(Changed::Controls);
  SchedulePanelView view;
  view.Files = ListScheduleFiles(st);
  if (!view.Files.empty()) {
    view.Selected = view.Files.front();
    view.Info = SelectScheduleFile(st, view.Selected);
  }
  return view;
}

bool DeleteScheduleFile(AppState& st, const std::string& file) {
  if (file.empty() || LowerName(file) == kDefaultScheduleFile) {
    st.Message(MsgKind::Information, "Нельзя удалить этот файл");
    return false;
  }
  // The path is checked before the question: a name that leads outside the
  // working directory is refused, not offered for deletion.
  const std::string path = SchedulePath(file);
  st.Work.Resolve(path);
  if (st.Host && !st.Host->ShowMessage(MsgKind::Warning, "Удалить ГДП \"" + file + "\" из папки gdp?",
                                       MsgButtons::OkCancel))
    return false;
  DeleteFile(st.Work, path);
  return true;
}

std::vector<std::string> ListScheduleFiles(const AppState& st) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code ec;
  const fs::path dir = st.Work.Resolve(kScheduleDir);
  if (!fs::is_directory(dir, ec)) return names;
  for (const fs::directory_entry& e : fs::directory_iterator(dir, ec)) {
    if (!e.is_regular_file(ec)) continue;
    std::string name = e.path().filename().string();
    std::string lower = LowerName(name);
    if (lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".gdp") == 0) names.push_back(name);
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return LowerName(a) < LowerName(b); });
  return names;
}

void RestAfterRun(AppState& st) {
  RemoveAllTrains(st);
  st.StepCount = 0;
  st.StepsPlanned = 0;
  st.ModelTime = 0;
  st.PauseRequested = false;
  st.Controls.RunActive = false;
  st.Controls.ZoneLengthEnabled = true;
  st.Notify(Changed::Trains);
  st.Notify(Changed::Picture);
  st.Notify(Changed::Controls);
  st.Notify(Changed::Clock);
}

void LoadProbTrainParams(AppState& st) {
  const TProbTrainRecord r = FlowRecordOf(st);
  for (int k = 0; k < 4; ++k) {
    const TProbTrainEntry& e = r.Entry[k];
    std::string(&row)[7] = st.Prob.Grid[k];
    row[0] = FloatToStr(e.ActiveMin);
    row[1] = FloatToStr(e.ActiveMax);
    row[2] = FloatToStr(e.ReactiveMin);
    row[3] = FloatToStr(e.ReactiveMax);
    row[4] = FloatToStr(e.SpeedMin);
    row[5] = FloatToStr(e.SpeedMax);
    row[6] = std::to_string(e.Count);
  }
  st.Notify(Changed::Fields);
}

}  // namespace tps
