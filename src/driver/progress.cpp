#include "driver/progress.h"

#include <algorithm>
#include <cmath>

#include "params/conv.h"
#include "traffic/randomflow.h"

namespace tps {

namespace {

// A part done short of the whole until the work has ended.
constexpr double kNearlyAll = 0.999;

std::string TwoDigits(long long v) {
  return (v < 10 ? "0" : "") + std::to_string(v);
}

std::string Clock(long long seconds) {
  return TwoDigits(seconds / 3600) + ":" + TwoDigits(seconds / 60 % 60) + ":" + TwoDigits(seconds % 60);
}

}  // namespace

uint64_t PlannedProbSteps(const AppState& st) {
  double step = 0;
  if (!TryStrToFloat(st.Params.StepMinutes.Get(), step) || !std::isfinite(step)) return 0;
  const double delta = Round(step * 100) / 100;
  if (!(delta > 0)) return 0;
  const double period = PeriodMinutes(st.Prob.Period);
  if (!(period > 0)) return 0;
  return static_cast<uint64_t>(std::ceil(period / delta - 1e-9));
}

double RunFraction(uint64_t stepsDone, uint64_t stepsPlanned) {
  if (stepsPlanned == 0) return 0;
  return std::min(kNearlyAll, static_cast<double>(stepsDone) / static_cast<double>(stepsPlanned));
}

double StudyFraction(size_t runsDone, size_t runs, uint64_t stepsUnderWay, double stepsPerRun,
                     size_t runsUnderWay) {
  if (runs == 0) return 0;
  const double done = static_cast<double>(std::min(runsDone, runs));
  double partial = 0;
  if (stepsPerRun > 0 && std::isfinite(stepsPerRun)) {
    const double under = static_cast<double>(std::min(runsUnderWay, runs - std::min(runsDone, runs)));
    partial = std::min(static_cast<double>(stepsUnderWay) / stepsPerRun, under * kNearlyAll);
  }
  return std::min(1.0, (done + partial) / static_cast<double>(runs));
}

double SecondsLeft(double fraction, double startFraction, double elapsedSeconds) {
  const double gained = fraction - startFraction;
  if (!(elapsedSeconds >= 1) || !(gained > 1e-6) || !std::isfinite(elapsedSeconds)) return -1;
  return std::max(0.0, elapsedSeconds * (1 - fraction) / gained);
}

std::string PercentText(double fraction, int decimals) {
  const double percent = std::clamp(fraction, 0.0, 1.0) * 100;
  if (decimals <= 0) return std::to_string(static_cast<int>(std::floor(percent))) + " %";
  return FormatFixed(RoundTo(percent, decimals), 1, decimals) + " %";
}

std::string SpeedText(double stepsPerSecond) {
  if (!std::isfinite(stepsPerSecond) || stepsPerSecond < 0) stepsPerSecond = 0;
  return "Скорость: " + FormatFixed(RoundTo(stepsPerSecond, 3), 1, 3) + " мс/с";
}

std::string ExpectedEndText(double secondsLeft, double nowSecondsOfDay) {
  if (!(secondsLeft >= 0) || !std::isfinite(secondsLeft)) return "окончание оценивается";
  const long long left = static_cast<long long>(std::ceil(secondsLeft));
  if (left >= 86400)
    return "осталось " + std::to_string(left / 86400) + " сут " + Clock(left % 86400);
  const long long end = (static_cast<long long>(std::floor(std::max(0.0, nowSecondsOfDay))) + left) % 86400;
  return "осталось " + Clock(left) + ", окончание около " + Clock(end);
}

}  // namespace tps
