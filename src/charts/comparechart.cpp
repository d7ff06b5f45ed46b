#include "charts/comparechart.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "params/conv.h"

namespace tps {

namespace {

constexpr uint32_t kAxisColour = 0x000000;
constexpr uint32_t kGridColour = 0xD3D3D3;
constexpr uint32_t kNorm1Colour = 0x3AC7FF;  // the colours of the norm lines of the voltage charts
constexpr uint32_t kNorm2Colour = 0x0000FF;
constexpr int kDivisions = 5;
constexpr double kBar = 28;    // pixels of a bar
constexpr double kSlot = 72;   // pixels per scheme

// One panel: its left edge, its width, its value axis.
struct Panel {
  double X0 = 0, Width = 0, Top = 1;
  double Y(double v) const { return kChartAxisY - (kChartAxisY - kChartTop) * std::clamp(v / Top, 0.0, 1.05); }
};

void Axes(ChartGeometry& g, const Panel& p, const std::string& title, int decimals) {
  g.Lines.push_back({p.X0, kChartTop - 10, p.X0, kChartAxisY, kAxisColour, 1, false});
  g.Lines.push_back({p.X0, kChartAxisY, p.X0 + p.Width, kChartAxisY, kAxisColour, 1, false});
  for (int k = 1; k <= kDivisions; ++k) {
    const double v = p.Top * k / kDivisions, y = p.Y(v);
    g.Lines.push_back({p.X0 + 1, y, p.X0 + p.Width, y, kGridColour, 1, false});
    g.Lines.push_back({p.X0 - 4, y, p.X0, y, kAxisColour, 1, false});
    g.Texts.push_back({p.X0, y, FormatFixed(v, 0, decimals), TextAlign::LeftOf, kAxisColour, false});
  }
  g.Texts.push_back({p.X0 + p.Width / 2, kChartTop - 25, title, TextAlign::Above, kAxisColour, false});
}

// A bar from the axis up to v, drawn as one-pixel strokes so that its ends
// are where the value is.
void Bar(ChartGeometry& g, double x, double yTop, uint32_t colour) {
  for (double dx = -kBar / 2; dx <= kBar / 2; dx += 1)
    g.Lines.push_back({x + dx, yTop, x + dx, kChartAxisY - 1, colour, 1, false});
}

void Whisker(ChartGeometry& g, double x, double yLow, double yHigh) {
  g.Lines.push_back({x, yLow, x, yHigh, kAxisColour, 1, false});
  g.Lines.push_back({x - 6, yLow, x + 6, yLow, kAxisColour, 1, false});
  g.Lines.push_back({x - 6, yHigh, x + 6, yHigh, kAxisColour, 1, false});
}

}  // namespace

double NiceTop(double v) {
  if (!(v > 0) || !std::isfinite(v)) return 1;
  const double p = std::pow(10.0, std::floor(std::log10(v)));
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (m * p >= v * (1 - 1e-12)) return m * p;
  return 10 * p;
}

std::vector<CompareBar> CompareBars(const CompareResult& r) {
  std::vector<CompareBar> bars;
  for (const SchemeComparison& c : r.Schemes) {
    if (c.Runs.empty()) continue;
    CompareBar b;
    b.Variant = c.Variant;
    b.LossKwh = Summarize(c.Figure([](const SchemeRunFigures& x) { return x.LossWh / 1000; }));
    b.LowestV = Summarize(c.Figure([](const SchemeRunFigures& x) { return x.Norms.Lowest.Voltage; }));
    b.Interval = c.Runs.size() > 1;
    bars.push_back(b);
  }
  return bars;
}

ChartGeometry BuildCompareChart(const std::vector<CompareBar>& bars, int best, const PantographNorms& norms) {
  if (bars.empty()) throw ChartError("Сравнение не дало ни одной схемы с расчётом");
  ChartGeometry g;
  g.Kind = kChartKinds;  // beyond the time charts
  const double width = std::max(240.0, kSlot * static_cast<double>(bars.size()) + 40);
  Panel loss{80, width, 1}, volt{80 + width + 110, width, 1};
  g.Width = static_cast<int>(volt.X0 + volt.Width + 40);
  g.ValueUnit = "кВт·ч; В";
  double lossMax = 0, voltMax = norms.Norm1;
  for (const CompareBar& b : bars) {
    lossMax = std::max({lossMax, b.LossKwh.Mean, b.LossKwh.High});
    voltMax = std::max({voltMax, b.LowestV.Mean, b.LowestV.High});
  }
  loss.Top = NiceTop(lossMax * 1.1);
  volt.Top = NiceTop(voltMax * 1.1);
  Axes(g, loss, "Потери энергии, кВт·ч", loss.Top < 10 ? 2 : 0);
  Axes(g, volt, "Наименьшее напряжение на токоприемнике, В", 0);

  // The norm lines across the voltage panel, named at their right end.
  g.Norms.push_back({volt.X0, volt.Y(norms.Norm1), volt.X0 + volt.Width, volt.Y(norms.Norm1), kNorm1Colour, 2, false});
  g.Norms.push_back({volt.X0, volt.Y(norms.Norm2), volt.X0 + volt.Width, volt.Y(norms.Norm2), kNorm2Colour, 2, false});
  g.Texts.push_back({volt.X0 + volt.Width, volt.Y(norms.Norm1), FloatToStr(norms.Norm1), TextAlign::RightOf,
                     kNorm1Colour, false});
  g.Texts.push_back({volt.X0 + volt.Width, volt.Y(norms.Norm2), FloatToStr(norms.Norm2), TextAlign::RightOf,
                     kNorm2Colour, false});

  for (size_t k = 0; k < bars.size(); ++k) {
    const CompareBar& b = bars[k];
    const uint32_t colour = kSeriesPalette[k % 10];
    const double off = 20 + kSlot / 2 + kSlot * static_cast<double>(k);
    const std::string label = "Схема " + std::to_string(b.Variant) + (b.Variant == best ? " ★" : "");
    for (const auto& [panel, s, decimals] :
         {std::tuple{&loss, b.LossKwh, loss.Top < 10 ? 2 : 0}, std::tuple{&volt, b.LowestV, 0}}) {
      const double x = panel->X0 + off;
      Bar(g, x, panel->Y(s.Mean), colour);
      if (b.Interval) Whisker(g, x, panel->Y(s.Low), panel->Y(s.High));
      g.Texts.push_back({x, panel->Y(b.Interval ? s.High : s.Mean), FormatFixed(s.Mean, 0, decimals),
                         TextAlign::Above, kAxisColour, false});
      g.Texts.push_back({x, kChartAxisY, label, TextAlign::Below, colour, false});
    }
  }
  g.Top = volt.Top;
  g.Divisions = kDivisions;
  return g;
}

}  // namespace tps
