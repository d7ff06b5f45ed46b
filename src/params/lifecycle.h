// Start-up and shutdown of the main state, shared by the window application
// and the command-line runner.
#pragma once

#include "params/state.h"

namespace tps {

// Creation of the main window's state, in order: empty "final.txt" (the
// window; a command of the command line keeps the last report, which only a
// run empties), no scheme, no chart data, pictures on, currents fixed, model
// time 0, the train set emptied, test mode, the random generator seeded from
// the clock (unless seeded already by the caller), "DATA\global.dmt" loaded
// (created when missing), no pause.
void StartUp(AppState& st, bool seedFromClock = true, bool emptyReport = true);
// Destruction of the main window: "final.txt" truncated and deleted.
void ShutDown(AppState& st);

}  // namespace tps
