// The text report "Final.txt": the per-step sections of a detailed step,
// "voltage.txt", the totals block, and the run-start reset.
#pragma once

#include <string>
#include <vector>

#include "params/state.h"

namespace tps {

// The label of a numbered row: five blanks, the index, blanks up to 14 characters.
std::string RowLabel(long long index);

void WriteCurrentsSection(AppState& st, const CMat& I);
// May replace Re(Phi(2)) in the no-train variant-2 case (the caller's later
// steps see the replaced value).
void WriteVoltagesSection(AppState& st, CMat& Phi);
void WriteLossPowerSection(AppState& st);
// What the "ИТОГО" block says of a figure the run did not compute (every
// step solved by the light solution, charts off).
inline constexpr const char* kNotComputed = "не рассчитано: расчёт без построения графиков";

// "Смотреть результаты": the "ИТОГО" block when ResultsPending, then the
// period resets. Returns the report's lines for the result window.
std::vector<std::string> WriteTotals(AppState& st);
// The lines of "Final.txt" (the result window's list).
std::vector<std::string> ReadReportLines(const AppState& st);
// Run start with StepCount = 0: the report emptied (unless keepReport) and
// the accumulators set to their initial values.
void ResetRunStart(AppState& st, bool keepReport = false);

// "Graph\dp.gmt", and beside it the chart data of the run ("Graph\charts.cdt")
// naming it (st.Chart.LossFile): the two are written beside their places and
// renamed into them together (WriteFileSet).
void WriteLossFile(AppState& st);
Bytes LossFileBytes(const TLossSeries& s);
// The loss series of "Graph\dp.gmt" as it stands (the chart window checks
// that it belongs to the chart data of the same run, OpenChart).
TLossSeries ReadLossFile(const AppState& st);
TLossSeries LossSeriesFromBytes(const Bytes& data);

}  // namespace tps
