// The comparison of the feeding schemes on the same traffic: one schedule,
// or the same realizations of the random train flow, run on every scheme
// that fits the zone (its current kind, its tracks and the schedule), each
// scheme's supplied energy, loss and norm compliance side by side, and the
// schemes ranked: the lowest loss among those that keep every train above
// the second norm. The runs are made on every core (tasks/study.h) with the
// results of one run after another.
#pragma once

#include <string>
#include <vector>

#include "solver/norms.h"
#include "tasks/study.h"
#include "traffic/schedule.h"
#include "validation/checks.h"

namespace tps {

struct CompareInput {
  // A schedule of the list ("gdp"); empty: realizations of the random flow.
  std::string Schedule;
  // Realizations of the random flow (without a schedule), at least 1.
  size_t Runs = 0;
  // The schemes to compare; empty: every scheme that fits.
  std::vector<int> Schemes;
  // The posts of the nodal and parallel schemes placed first by their
  // search (a schedule only), over Bounds.
  bool BestPosts = false;
  TaskInput Bounds;
};

// What one run of one scheme gave.
struct SchemeRunFigures {
  double SuppliedWh = 0, SuppliedVarh = 0, LossWh = 0, LossPercent = 0;
  NormCompliance Norms;
};

// The mean, the standard deviation and the 95 % confidence interval of the
// mean of a figure over the realizations (Student's t; for one realization
// the deviation is 0 and the interval the value itself).
struct FigureSummary {
  double Mean = 0, Sd = 0, Low = 0, High = 0;
};
FigureSummary Summarize(const std::vector<double>& values);

struct SchemeComparison {
  int Variant = 0;
  std::string Name;
  // The posts in force (km texts), empty where the scheme has none.
  std::string PskKm, Pps1Km, Pps2Km;
  std::vector<SchemeRunFigures> Runs;  // one per realization (one for a schedule)
  bool KeepsNorm2 = false;  // every train of every run at or above the second norm
  size_t RunsBelowNorm2 = 0;
  int Rank = 0;             // 1 the best; 0 out of the ranking
  std::string Reason;       // why it ranks as it does, or why it falls out

  // The figure of every run, in run order.
  std::vector<double> Figure(double (*of)(const SchemeRunFigures&)) const;
  double MeanLoss() const;
};

// A scheme listed that does not fit, and why.
struct UnfitScheme {
  int Variant = 0;
  std::string Reason;
};

struct CompareResult {
  // Finished (also after a stop: the schemes complete so far), Refused (no
  // scheme fits, or a check refused), Failed (a run failed).
  RunOutcome Outcome = RunOutcome::Finished;
  bool Stopped = false;
  std::vector<SchemeComparison> Schemes;
  std::vector<UnfitScheme> Unfit;
  int Best = 0;  // 0: no scheme keeps every train above the second norm
  std::string BestReason;
};

// Why scheme v cannot run the traffic of `st`'s zone (its current kind, its
// tracks, "Откл Ф2 и Ф4", a train of the schedule on a track the scheme
// lacks); empty when it fits. `schedule` may be null (random flows).
std::string WhyUnfit(const AppState& st, int v, const TGDPClass* schedule);

// The comparison on `st` (its zone, conductors and voltages; the scheme it
// holds decides the current kind and the tracks). Messages go to st's host.
CompareResult CompareSchemes(AppState& st, const CompareInput& in, StudyControl& ctl);

}  // namespace tps
