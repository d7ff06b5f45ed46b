// The schedule-driven run of a user scheme (the constructor run mode): the
// template composed in the scheme constructor is solved once without trains,
// then copied every step with the trains of the schedule at their places.
#pragma once

#include <string>

#include "driver/testrun.h"
#include "params/state.h"

namespace tps {

// The start button of the constructor's final screen: the chart choices are
// checked ("Задайте правильные типы Цирклов для графиков": Refused, and the
// wizard goes back to step 4), the template is numbered and the schedule
// `file` of the list runs in the constructor mode as "Старт иммитации" runs
// it in the schedule mode.
RunOutcome StartConstructorRun(AppState& st, const std::string& file);

// At a fresh start of a constructor-mode run: the template alone built into
// matrices and solved, its solution kept for the steps without a train. The
// step counter is left as it was: the kept solution is no step of the run.
void PrepareConstructorRun(AppState& st);
// The end of the run: the kept solution and the step graph released.
void ReleaseConstructorRun(AppState& st);

}  // namespace tps
