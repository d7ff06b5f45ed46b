// The statistical analysis: the probabilistic run repeated n times, each
// realization with a new random train flow from the one generator, and one
// line of totals per realization in "Statistic.txt".
#pragma once

#include <string>
#include <vector>

#include "tasks/study.h"

namespace tps {

inline constexpr const char* kStatisticFile = "Statistic.txt";
inline constexpr const char* kStatisticHeader =
    "N Re(W),Вт Im(W),вар dW,Вт dW,% I^2f1dt,A^2*h I^2f2dt,A^2*h I^2f3dt,A^2*h I^2f4dt,A^2*h";

// The trains of one realization drawn as its run draws them, without
// building or solving a step: the flow prepared, then slot by slot the
// entries, the advance of the trains and the clock, until the period has
// passed, no train is left to enter and (with "Ждать ухода поездов") the zone
// is empty; then the flow released as at the end of the run. The generator
// is left as the next realization finds it. False when the run itself would
// not start or would not end.
bool DrawRealization(AppState& st);

// 0 for a series of at most two values; otherwise the trapezoids
// dt * (v[i]^2 + v[i+1]^2) / 2 summed over the series.
double SquareIntegral(const std::vector<double>& v, double dt);

// The totals of one realization.
struct Realization {
  double Supplied[2] = {0, 0};  // active Wh, reactive varh
  double Loss = 0, LossPercent = 0;
  double FeederI2[4] = {0, 0, 0, 0};  // A^2*h of the feeders Ф1..Ф4
};

struct StatisticsResult {
  // Finished (also after a stop), Refused (a check refused or too many
  // trains for the period: the file holds its header only), Failed.
  RunOutcome Outcome = RunOutcome::Finished;
  std::vector<Realization> Done;
  bool Stopped = false;
  // A realization under way when "Стоп" came was dropped: its totals would
  // cover only part of the period.
  bool CutShort = false;
};

// "Статистический анализ" in the probabilistic mode with `runsText`
// realizations ("Количество просчётов"): the header, then a line per
// realization as it is done. The realizations draw their trains in turn from
// the one generator; the trains of each are drawn first (they do not depend
// on the electrical solution) and the realizations are then solved side by
// side, each with exactly the trains and numbers of one run after another. A
// realization cut short by a stop is not written.
StatisticsResult RunStatistics(AppState& st, const std::string& runsText, StudyControl& ctl);

}  // namespace tps
