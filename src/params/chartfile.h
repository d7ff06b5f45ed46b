// The chart data of the last run kept beside "Graph\dp.gmt", so the charts of
// a finished run can be drawn by another process (the command line) as well.
// The chart data names the loss file written with it, so that a reader never
// draws the charts of one run beside the losses of another. The layout is
// described in docs/chart-data.md.
#pragma once

#include <cstdint>

#include "params/fileio.h"
#include "params/state.h"

namespace tps {

inline constexpr const char* kChartDataFile = "Graph\\charts.cdt";
inline constexpr const char* kLossFile = "Graph\\dp.gmt";

// What the file keeps: the chart data, the scheme variant of the run (direct
// or alternating current decides the norm lines) and, in Data.LossFile, the
// loss file it belongs to (unknown in a file of the first layout).
struct SavedChartData {
  ChartData Data;
  uint8_t Variant = 0;
};

LossFileId IdOfLossFile(const Bytes& lossFile);

Bytes ChartDataBytes(const ChartData& cd, uint8_t variant, LossFileId lossFile);
// A file that is short, too long, holds a count beyond its size or a value
// that is not a finite number, or a time outside the longest run, raises
// IoError; nothing is read past its end. A file of the first layout
// ("TPSCHRT1") is read with its loss file unknown.
SavedChartData ChartDataFromBytes(const Bytes& b);
// The chart data of the last run together with "Graph\dp.gmt": refused
// (IoError) when the chart data names another loss file, or is of the first
// layout, which names none.
SavedChartData ReadChartDataFile(const WorkDir& wd);
// The bytes of "Graph\dp.gmt" for the charts of the last run: refused when
// the chart data in hand (of a run of this process) names another loss file,
// or, with none in hand, when the chart data file beside it does.
void CheckLossFileBelongs(const WorkDir& wd, const ChartData& inHand, const Bytes& lossFile);

}  // namespace tps
