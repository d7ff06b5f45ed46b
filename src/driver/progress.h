// How far a long run or a study has come and when it is expected to end: the
// window shows these figures (a progress bar, the percentage, the speed, the
// expected end) and measures only the time that has passed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "params/state.h"

namespace tps {

// The steps a probabilistic run of the panel's period makes at least: the
// period over the step rounded to 0.01 minute (a run that waits for its
// trains to leave goes on past it); 0 when the period or the step is not a
// usable number.
uint64_t PlannedProbSteps(const AppState& st);

// A run's part done: steps done of the steps planned, kept short of the whole
// until the run ends; 0 when nothing is planned.
double RunFraction(uint64_t stepsDone, uint64_t stepsPlanned);

// A study's part done, of `runs` runs of about `stepsPerRun` steps: the runs
// done, and the steps the runs under way (at most `runsUnderWay` of them)
// have made, each counted at most as one run short of its end.
double StudyFraction(size_t runsDone, size_t runs, uint64_t stepsUnderWay, double stepsPerRun,
                     size_t runsUnderWay);

// The time left, from the pace since the part done was `startFraction`,
// `elapsedSeconds` ago; below 0 while it cannot be told yet (under a second
// of work, or no progress since).
double SecondsLeft(double fraction, double startFraction, double elapsedSeconds);

// "37 %" (decimals 0) or "37.125 %" (decimals 3).
std::string PercentText(double fraction, int decimals);
// "Скорость: 12.345 мс/с": model steps solved per second of work.
std::string SpeedText(double stepsPerSecond);
// "осталось 00:02:15, окончание около 14:32:05" from the seconds left and
// the time of day now (seconds since midnight); a day or more left:
// "осталось 1 сут 02:15:00"; nothing known yet: "окончание оценивается".
std::string ExpectedEndText(double secondsLeft, double nowSecondsOfDay);

}  // namespace tps
