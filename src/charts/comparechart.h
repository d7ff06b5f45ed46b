// The chart of a comparison of the feeding schemes as plain geometry: on
// the left the loss energy of every scheme (a bar, kW·h), on the right its
// lowest pantograph voltage (a bar, V) under the two norm lines; for random
// flows each bar the mean, with its 95 % interval as a whisker.
#pragma once

#include "charts/chart.h"
#include "tasks/compare.h"

namespace tps {

// One scheme's bars: the loss (kW·h) and the lowest voltage (V), each the
// mean with its 95 % interval when Interval is set.
struct CompareBar {
  int Variant = 0;
  FigureSummary LossKwh, LowestV;
  bool Interval = false;
};
// ChartError when there is no bar.
ChartGeometry BuildCompareChart(const std::vector<CompareBar>& bars, int best, const PantographNorms& norms);
// The bars of the schemes with runs.
std::vector<CompareBar> CompareBars(const CompareResult& r);
inline ChartGeometry BuildCompareChart(const CompareResult& r, const PantographNorms& norms) {
  return BuildCompareChart(CompareBars(r), r.Best, norms);
}

// The top of a value axis: the smallest 1, 2 or 5 times a power of ten at
// or above v (1 for a v of 0 or below).
double NiceTop(double v);

}  // namespace tps
