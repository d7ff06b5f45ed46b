// A report to hand over: one self-contained HTML document (no network, no
// scripts, no files beside it) with the inputs of a run or a comparison, its
// totals, its norm compliance and its charts embedded as SVG. The document
// is plain data (tables of text and chart geometry); the HTML is written
// here, the PDF by the window's or the command line's Qt side.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "charts/chart.h"

namespace tps {

struct ReportTable {
  std::string Caption;
  std::vector<std::string> Head;
  std::vector<std::vector<std::string>> Rows;
};

struct ReportChart {
  std::string Caption;
  ChartGeometry Geometry;
};

struct ReportDocument {
  std::string Title;
  std::vector<std::string> Notes;  // lines under the title
  std::vector<ReportTable> Tables;
  std::vector<ReportChart> Charts;
};

// The HTML text (UTF-8). Each chart is its SVG inline, unless `image` is
// given: then it is <img src="image(k)"> (the PDF renders pictures).
std::string ReportHtml(const ReportDocument& d, const std::function<std::string(size_t)>& image = {});

// The charts of the last run that its chart data holds: the power loss, the
// pantograph voltages with the norm lines, the feeder currents; those the
// data cannot give are left out.
std::vector<ReportChart> RunReportCharts(AppState& st);

// The report of the last run as the window holds it: the scheme and the
// fields of the zone, the totals as "Смотреть результаты" shows them
// (`totals`, the lines of the report's last block), the norm compliance and
// the charts.
ReportDocument RunReportDocument(AppState& st, const std::vector<std::string>& totals,
                                 const std::string& programVersion);

}  // namespace tps
