// A chart's geometry as SVG text, written by the engine itself: the report
// embeds the charts of a run in its HTML without any drawing library, and
// the command line writes SVG where it is built without Qt.
#pragma once

#include <string>

#include "charts/chart.h"

namespace tps {

// The text escaped for XML (&, <, >, ").
std::string XmlEscape(const std::string& text);
// An <svg> element of the chart's size: white ground, lines, norm lines,
// series and texts in that order, as the painter paints them.
std::string ChartSvgText(const ChartGeometry& g);

}  // namespace tps
