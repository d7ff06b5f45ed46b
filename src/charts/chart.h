// The time charts of a run as plain geometry: the image size, the axes with
// their ticks, labels and grid lines, the norm lines and the series as
// polylines with their colours and pen widths. Six kinds:
//   0 the train paths of a schedule (km over time),
//   1 the power loss of every step ("Graph\dp.gmt"),
//   2 the train paths and the loss together,
//   3 the pantograph voltage of every train,
//   4 the rail potentials,
//   5 the feeder currents.
// The window and the command line paint the same geometry; the engine draws
// nothing itself. Coordinates are pixels of an image 500 high: the plot
// starts 50 from the left and the top, the time axis lies at y = 450.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "params/state.h"

namespace tps {

class TGDPClass;

// A chart that cannot be drawn from the data at hand (no series, a zone or
// step that is not a positive number, an image too wide to allocate).
struct ChartError : std::runtime_error {
  explicit ChartError(const std::string& m) : std::runtime_error(m) {}
};

inline constexpr int kChartKinds = 6;
inline constexpr int kChartHeight = 500;
inline constexpr int kChartTop = 50;
inline constexpr int kChartAxisY = 450;
// The widest chart image drawn: beyond it the image would not fit in memory
// as one picture.
inline constexpr int kChartMaxWidth = 65536;

// The pantograph voltage norms ("Нормы напряжений"), V: minimum, maximum and
// the lowest admissible minimum, for direct and alternating current.
struct VoltageNorms {
  double Minimum, Maximum, MinimumStar;
};
inline constexpr VoltageNorms kNormsDc{2700, 4000, 2400};
inline constexpr VoltageNorms kNormsAc{21000, 30000, 19000};

// Legend colours of the four feeder boxes "Фидер1", "Фидер2", "фидер3", "Фидер4",
// the colours of their lines: red, dark gold, blue and green, each dark
// enough to read on white.
inline constexpr uint32_t kFeederBoxColours[4] = {0x2340EF, 0x0B86B8, 0xEF4023, 0x2E8B2E};

// The colours of the train (and rail) lines, one per line in turn: hues that
// tell the lines apart and read on white (a contrast of at least 3 : 1), none
// of them the red or amber of the norm lines.
inline constexpr uint32_t kSeriesPalette[10] = {0xB4771F, 0x2CA02C, 0xBD6794, 0x4B568C, 0x8515C7,
                                                0x8F8017, 0x595959, 0x802A1B, 0x238E6B, 0x82004B};
// The contrast of a colour against white (1 : 1 to 21 : 1, as the
// accessibility guidelines reckon it).
double ContrastOnWhite(uint32_t colour);

// Value-axis labels stand at least this many pixels apart (the chart's
// labels are a little under 12 pixels high).
inline constexpr double kChartLabelSpacing = 13;
// The name of the time axis: its labels read days:hours:minutes.
inline constexpr const char* kTimeAxisName = "t, ДД:ЧЧ:ММ";

enum class TextAlign : uint8_t {
  Below,   // centred, its top 10 pixels below the point
  Above,   // centred, its bottom 10 pixels above the point
  LeftOf,  // right-aligned 10 pixels left of the point, centred vertically
  RightOf  // left-aligned 10 pixels right of the point, centred vertically
};

// Pinned lines and texts belong to the value axes: a window that scrolls a
// wide chart keeps them in view over the band left of the plot.
struct ChartLine {
  double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  uint32_t Colour = 0;  // Windows colour value 0x00BBGGRR
  int Width = 1;
  bool Pinned = false;
};

struct ChartText {
  double X = 0, Y = 0;
  std::string Text;
  TextAlign Align = TextAlign::Below;
  uint32_t Colour = 0;
  bool Pinned = false;
};

// One series: its pixels and, for the CSV, its data in model minutes and in
// the unit of the value axis.
struct ChartPolyline {
  std::string Name;
  // The unit of its values ("км", "кВт", "В", "А"), for the CSV heading.
  std::string Unit;
  uint32_t Colour = 0;
  int Width = 1;
  std::vector<double> Xs, Ys;
  std::vector<double> Minutes, Values;
};

struct ChartGeometry {
  int Kind = 0;
  int Width = 0;
  int Height = kChartHeight;
  std::string ValueUnit;  // the value axis name of the series ("dP, кВт", "U, В", ...)
  // Axes, ticks and grid lines, then the norm lines, then the series, then the texts.
  std::vector<ChartLine> Lines;
  std::vector<ChartLine> Norms;
  std::vector<ChartPolyline> Series;
  std::vector<ChartText> Texts;
  // The value axis as computed: unit and top (W for the loss), the number of
  // divisions and the tick step; the end of the time axis (in minutes, or in
  // time steps for the charts that count steps).
  double Unit = 0, Top = 0, Bottom = 0, TickStep = 0;
  int Divisions = 0;
  double End = 0;
  // The width of the band left of the plot that holds the value axes.
  double PinnedWidth = 0;
};

// What a chart reads besides the state: the schedule (kinds 0 and 2) and the
// loss series of "Graph\dp.gmt" (kinds 1 and 2).
struct ChartSources {
  const TGDPClass* Schedule = nullptr;
  const TLossSeries* Loss = nullptr;
};

// Whether the opening button of a kind is enabled: kind 0 always; 1, 2 and 3
// when the chart data holds a train series; 4 when it holds a rail series; 5
// when it holds a train series and a feeding kind.
bool ChartAvailable(const ChartData& cd, int kind);

// The geometry of one chart. Kinds 3, 4 and 5 name every line at its end (the
// train number, the feeder) in the line's colour; kinds 3 and 4 take the
// colours of the palette in turn, the same at every opening. Every value axis
// reaches past the largest value to the next division, and its divisions are
// far enough apart for their labels. ChartError when the data cannot give a
// chart.
ChartGeometry BuildChart(AppState& st, int kind, const ChartSources& src);

// As the chart window opens a kind: the schedule `scheduleName` of the folder
// "gdp" ("file00.gdp" when empty) for kinds 0 and 2, "Graph\dp.gmt" for kinds
// 1 and 2, then the geometry. A missing or damaged file raises IoError, and so
// does a loss file that is not the one the chart data names.
ChartGeometry OpenChart(AppState& st, int kind, const std::string& scheduleName);

// The series of a chart as the records of an RFC 4180 table (UTF-8, one line
// a record): a column of model minutes, then one column per series; every
// heading quoted and naming its unit ("t, мин", "Поезд 1, В", "Ф1, А"), as
// many headings as cells in every row; the numbers with "." decimals rounded
// to the report's three decimals, an empty cell where a series has no point.
std::vector<std::string> ChartCsvLines(const ChartGeometry& g);
// Written through the file layer as `name` of `wd`: UTF-8 with a byte-order
// mark, so that a spreadsheet on a Russian desktop reads it as UTF-8, and
// every record ended by CR LF.
void WriteChartCsv(const WorkDir& wd, const std::string& name, const ChartGeometry& g);

}  // namespace tps
