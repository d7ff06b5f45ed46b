// The chart data of the last run kept beside "Graph\dp.gmt", so the charts of
// a finished run can be drawn by another process (the command line) as well.
// The layout is described in docs/chart-data.md.
#pragma once

#include <cstdint>

#include "params/fileio.h"
#include "params/state.h"

namespace tps {

inline constexpr const char* kChartDataFile = "Graph\\charts.cdt";

// What the file keeps: the chart data and the scheme variant of the run
// (direct or alternating current decides the norm lines).
struct SavedChartData {
  ChartData Data;
  uint8_t Variant = 0;
};

Bytes ChartDataBytes(const ChartData& cd, uint8_t variant);
// The chart data of the state, written through a temporary file.
void WriteChartDataFile(const AppState& st);
// A file that is short, too long, holds a count beyond its size or a value
// that is not a finite number raises IoError; nothing is read past its end.
SavedChartData ChartDataFromBytes(const Bytes& b);
SavedChartData ReadChartDataFile(const WorkDir& wd);

}  // namespace tps
