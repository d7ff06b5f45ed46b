// The test-mode driver: one time step, the train advance, the batch launch,
// the model clock.
#pragma once

#include <string>

#include "params/state.h"

namespace tps {

// DD:HH:MM:SS of a model time in minutes.
std::string FormatRunTime(double minutes);

// Moves every train by the step, closes up, retires trains that left.
void AdvanceTrains(AppState& st, double stepMinutes);
// Pump, build, solve, advance, clock.
void RunOneStep(AppState& st);
// How a run ended, for the command line's exit code and the tests.
enum class RunOutcome {
  Finished,     // the run went to its end; its totals are results
  Refused,      // the input was refused (a warning or error was shown), nothing ran
  Recommended,  // only a speed was recommended, no train ran
  Failed,       // the run stopped with an error; no totals are results
  Paused,       // "Пауза" stopped the run; it continues with the next Start
  Stopped,      // the stop was asked for (a study's "Стоп"); the run ended at its
                // step and nothing of it is a result
};
// "Пуск пакета". A stop asked for during it (StopRequested) ends it after
// the step under way, without a result.
RunOutcome BatchLaunch(AppState& st);
// "Добавить поезд >" (track 1) and "< Добавить поезд" (track 2): validation,
// then AddTrain and the lists. Returns true when a train was added.
bool AddTrainButton(AppState& st, int track);
// "Пауза": a run of the test, probabilistic or schedule mode stops after
// its step under way (nothing to stop in the test mode without trains).
void PauseButton(AppState& st);

}  // namespace tps
