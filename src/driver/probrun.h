// "Старт иммитации" and "Пошаговая иммитация" in the test and the
// probabilistic mode, with "Пауза" and the resumption of a paused run, the
// switching between these modes, and "Запись вероятностного ГДП". Every
// message goes through the host; every run returns its outcome, so a window
// handler, a headless command and a study call the same operations.
#pragma once

#include <string>

#include "driver/testrun.h"
#include "params/state.h"

namespace tps {

// The second track carries trains in the probabilistic flow: the tab
// "Двухпутный участок" is selected and "Откл Ф2 и Ф4" is not checked.
bool TwoWay(const AppState& st);

// "Тестовый" and "Вероятностный расчет": the run mode; the probabilistic mode
// recomputes Nmax.
void EnterTestMode(AppState& st);
void EnterProbMode(AppState& st);

// "Старт иммитации" in the test mode (the trains on the zone run until they
// have left it, then the empty zone is solved once more) and in the
// probabilistic mode (the random flow over the calculation period, and on
// until the zone is empty when "Ждать ухода поездов" is checked). A fresh
// run (StepCount = 0) empties "Final.txt" and resets the totals; a run that
// was paused continues where it stopped. At the end "Graph\dp.gmt" is
// written, "Имитация окончена" shown, the clock and the counter go back to 0.
// Paused: "Пауза" was pressed, the run keeps its trains, clock and totals.
// Refused: a check refused (its message shown), nothing of the previous run
// is lost. Failed: a step could not be built or solved, or a file could not
// be read; nothing of the run is a result.
RunOutcome StartRun(AppState& st);

// "Пошаговая иммитация": one step of the run (the first click starts it
// without emptying "Final.txt"); in the probabilistic mode a click after the
// period with nothing left to wait for finishes the run as StartRun does.
// Finished: a step was made (or the run was finished); Refused: a check
// refused, or nothing to run ("Поездов больше нет"); Failed as for StartRun.
RunOutcome StepRun(AppState& st);

// A run of the test or probabilistic mode that stands paused or between its
// steps (StepCount not 0).
bool RunUnderWay(const AppState& st);
// Another run mode chosen while a run is under way: the run cannot go on in
// another mode, so the user is asked ("Расчёт не окончен..." OK/Cancel); on
// OK the run is given up (its trains leave, clock and counter at 0, nothing
// of it is a result) and true is returned. True at once when no run is under
// way.
bool GiveUpRunUnderWay(AppState& st);

// "Запись вероятностного ГДП": the trains of the last finished probabilistic
// run as the schedule `file` of the list (a name in "gdp"): each train's
// appearance at the time point of the step it entered, with its current,
// place, speed and type, its "проехал участок" at the first time point after
// it left, and a finalization point at the number of steps solved, so that
// the schedule mode replays the same traffic. Returns false when there is no
// finished probabilistic run to record (a message says so), when the name is
// that of the default schedule "file00.gdp" ("Нельзя заменить этот файл"), or
// when the file exists and the user does not agree to replace it.
bool SaveProbSchedule(AppState& st, const std::string& file);

}  // namespace tps
