// The test-mode driver: one time step, the train advance, the batch launch,
// the model clock.
#pragma once

#include <string>

#include "params/state.h"

namespace tps {

// x, or x rounded to 0.1 when within 1e-5 of it on the tenfold scale.
double SnapTenth(double x);
// DD:HH:MM:SS of a model time in minutes.
std::string FormatRunTime(double minutes);

// Moves every train by the step, closes up, retires trains that left.
void AdvanceTrains(AppState& st, double stepMinutes);
// Pump, build, solve, advance, clock.
void RunOneStep(AppState& st);
// "Пуск пакета". Returns false when the input was refused by the validation
// (its warning has been shown) and nothing ran.
bool BatchLaunch(AppState& st);
// "Добавить поезд >" (track 1) and "< Добавить поезд" (track 2): validation,
// then AddTrain and the lists. Returns true when a train was added.
bool AddTrainButton(AppState& st, int track);
// "Пауза".
void PauseButton(AppState& st);

}  // namespace tps
