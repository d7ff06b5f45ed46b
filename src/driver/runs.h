// The schedule-driven run ("Старт иммитации" in the schedule mode) and the
// schedule panel of the main window: the list of "gdp\*.gdp", the details of
// a schedule, its deletion. Every message goes through the host; every
// outcome is returned, so a window handler and a headless command call the
// same operations.
#pragma once

#include <string>
#include <vector>

#include "driver/testrun.h"
#include "params/state.h"
#include "traffic/schedule.h"

namespace tps {

// "Старт иммитации" in the schedule modes with the schedule `file` of the list
// ("" is "file00.gdp"): the schedule checks and the input checks, a fresh
// run (report emptied, totals reset), the schedule's events and steps until
// its last time point or its final event, one more build and solution of the
// zone as left, "Graph\dp.gmt", "Имитация окончена". The totals stay for
// "Смотреть результаты"; the trains leave the zone and the clock goes back
// to 0. A Pause pressed during the run is cleared at its end: a schedule run
// always runs to its end and the next Start begins afresh.
// A Start while a schedule run is under way is refused without a message.
// Refused: a check refused (its message shown). Failed: the file could not
// be read or a step could not be solved (an error shown), nothing of the run
// is a result and no loss file is written.
RunOutcome StartScheduleRun(AppState& st, const std::string& file);
// A train of the schedule on a track the scheme `variant` does not feed:
// an even (track 2) number on a single-track scheme (1, 2, 7, 8), or with the
// track-2 feeders switched off (6, 12). Its message naming the train, its
// time point and its track; empty when every train has a fed track.
std::string TrainWithoutTrack(const TGDPClass& g, int variant);
// Why the schedule mode does not take the variant at all, empty when it does:
// with "Откл Ф2 и Ф4" (schemes 6 and 12) a schedule's track-2 trains would
// stand on a track without power.
std::string ScheduleModeRefusal(int variant);
// One step of a schedule run: the schedule's events of the step, then the
// step's circuit, its solution and the advance of the trains by the head's
// step. A final event sets st.StopRequested and skips the rest. False when
// the step's circuit could not be built (the message has been shown).
bool ScheduleStep(AppState& st, TGDPClass& gdp);
// A schedule run stands paused, waiting for Start.
bool ScheduleRunPaused(const AppState& st);

// What the schedule panel shows of a schedule: the zone length after
// "Длина зоны -", the scheme after "Схема", the step after "Шаг -", the
// duration after "Время:" (00:00:00 for a schedule without time points,
// empty when the stored step is not a number).
struct ScheduleInfo {
  std::string LengthText, SchemeName, StepText, DurationText;
};
ScheduleInfo ShowScheduleInfo(const AppState& st, const std::string& file);

// A click on a schedule of the list: its details, and the labels of the
// panel coloured by the silent schedule check (CheckScheduleMatch).
ScheduleInfo SelectScheduleFile(AppState& st, const std::string& file);

// "Расчет по ГДП" and "Режим ГДП": the schedule mode; the first schedule of the
// list is selected and shown (Selected stays empty when there is none).
struct SchedulePanelView {
  std::vector<std::string> Files;
  std::string Selected;
  ScheduleInfo Info;
};
SchedulePanelView EnterScheduleMode(AppState& st);

// "Удалить ГДП": the default schedule is kept ("Нельзя удалить этот файл");
// any other is deleted once the user has answered OK to the question naming
// it. Returns true when the file was deleted.
bool DeleteScheduleFile(AppState& st, const std::string& file);

// The schedule files "gdp\*.gdp" by name; none when there is no "gdp".
std::vector<std::string> ListScheduleFiles(const AppState& st);

// The grid of the window of probabilistic train parameters (st.Prob.Grid)
// from "data\prelvoz.dmt"; the input checks of every run outside the test
// mode read it.
void LoadProbTrainParams(AppState& st);
// The zone at rest after a run, finished or not: no trains left on it, the
// counter and the clock at 0, no pause pending, the controls back.
void RestAfterRun(AppState& st);

}  // namespace tps
