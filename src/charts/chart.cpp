#include "charts/chart.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "arith/cmplx.h"
#include "arith/errors.h"
#include "params/chartfile.h"
#include "params/conv.h"
#include "params/csv.h"
#include "params/fileio.h"
#include "solver/report.h"
#include "traffic/schedule.h"
#include "validation/schedule_checks.h"

namespace tps {

namespace {

constexpr double kLeft = 50;
constexpr double kPlotHeight = 400;  // from y = 50 to the time axis at y = 450
constexpr uint32_t kBlack = 0;
// Bounds of the axes: beyond them the ticks would merge into a black band
// and the drawing would take without end.
constexpr long long kMaxMinutes = 200000;
constexpr long long kMaxDivisions = 2000;

// A number the window draws must be a finite positive one; the text names it.
double Positive(double v, const char* what) {
  if (!std::isfinite(v) || v <= 0) throw ChartError(std::string("График не построен: ") + what);
  return v;
}

// Rounded up to the next multiple of 10 when it is not one already.
double CeilTen(double v) {
  return std::ceil(v / 10) * 10;
}

// The image as wide as the time axis needs, within what one picture can hold.
int ImageWidth(double w) {
  if (!(w >= 0 && w <= kChartMaxWidth))
    throw ChartError("График не построен: изображение шире " + std::to_string(kChartMaxWidth) +
                     " точек, слишком длинный расчёт для одного графика");
  return static_cast<int>(std::ceil(w));
}

std::string IntText(double v) {
  return FloatToStr(Round(v));
}

// The smallest division of the 1-2-5 series over `base` (base, 2 base, 5 base,
// 10 base, ...) whose labels stand far enough apart on an axis of `pixels`
// running from `from` to the value the division rounds `to` up to; `top`
// receives that value.
double Division(double base, double from, double to, double pixels, double& top) {
  static constexpr double kSteps[3] = {1, 2, 5};
  for (double decade = 1;; decade *= 10) {
    for (double m : kSteps) {
      const double step = base * m * decade;
      top = std::ceil(to / step - 1e-9) * step;
      if (!(top > from)) top = from + step;
      if (step * pixels / (top - from) >= kChartLabelSpacing || step > 1e12) return step;
    }
  }
}

struct Plot {
  ChartGeometry& g;
  double x0 = kLeft;  // the left edge of the plot
  double Right() const { return g.Width - kLeft; }

  void Line(double x1, double y1, double x2, double y2, uint32_t colour = kBlack, int width = 1,
            bool pinned = false) {
    g.Lines.push_back({x1, y1, x2, y2, colour, width, pinned});
  }
  void Text(double x, double y, std::string text, TextAlign a, bool pinned = false) {
    g.Texts.push_back({x, y, std::move(text), a, kBlack, pinned});
  }
  // The time axis at level y: a tick, a grid line and the DD:HH:MM label
  // every `labelEvery` minutes, a tick of +-3 every 5 minutes, of +-2 every
  // minute when `minuteTicks`; its name under the labels at its right end.
  void TimeAxis(double y, double pxPerMinute, double endMinutes, int labelEvery, bool minuteTicks,
                int width = 1) {
    Line(x0, y, Right(), y, kBlack, width);
    Text(Right(), y + 14, kTimeAxisName, TextAlign::Below);
    // Checked as a real number before it becomes an integer: an end of 1e178
    // minutes has no integer.
    const double lastMinute = std::floor(endMinutes + 1e-9);
    if (!(lastMinute <= static_cast<double>(kMaxMinutes)))
      throw ChartError("График не построен: ось времени длиннее " + std::to_string(kMaxMinutes) + " минут");
    const long long last = lastMinute < 0 ? -1 : static_cast<long long>(lastMinute);
    for (long long m = 0; m <= last; ++m) {
      const double x = x0 + static_cast<double>(m) * pxPerMinute;
      if (m % labelEvery == 0) {
        Line(x, y - 5, x, y + 5);
        Line(x, kChartTop, x, kChartAxisY);
        Text(x, y, FormatScheduleTime(static_cast<uint32_t>(m), 1), TextAlign::Below);
      } else if (m % 5 == 0) {
        Line(x, y - 3, x, y + 3);
      } else if (minuteTicks) {
        Line(x, y - 2, x, y + 2);
      }
    }
  }
  // A value axis at x: its line, its name above it, and every `step` from
  // `from` to `to` a tick, a label and a grid line across the plot. The
  // line, the ticks, the labels and the name are pinned.
  void ValueAxis(double x, const std::string& name, double from, double to, double step, double perUnit,
                 double base, bool grid = true) {
    Line(x, kChartAxisY, x, kChartTop, kBlack, 1, true);
    Text(x, kChartTop, name, TextAlign::Above, true);
    const double divisions = std::floor((to - from) / step + 1e-9);
    if (!(divisions <= static_cast<double>(kMaxDivisions)))
      throw ChartError("График не построен: на оси \"" + name + "\" больше " + std::to_string(kMaxDivisions) +
                       " делений");
    const long long count = divisions < 0 ? -1 : static_cast<long long>(divisions);
    for (long long k = 0; k <= count; ++k) {
      const double v = from + static_cast<double>(k) * step;
      const double y = kChartAxisY - (v - base) * perUnit;
      Line(x - 5, y, x + 5, y, kBlack, 1, true);
      if (grid) Line(x0, y, Right(), y);
      Text(x, y, IntText(v), TextAlign::LeftOf, true);
    }
  }
  // Each line from `first` on named at its last point in its colour: the
  // names stay clear of each other (one moves a line down while it would
  // cover another) and on the image.
  void NameLineEnds(size_t first, const std::vector<std::string>& names) {
    constexpr double kNameHeight = 12, kNameWidth = 40;
    std::vector<std::pair<double, double>> placed;
    for (size_t k = first; k < g.Series.size() && k - first < names.size(); ++k) {
      const ChartPolyline& s = g.Series[k];
      if (s.Xs.empty() || s.Ys.empty()) continue;
      const double x = s.Xs.back() - 8;  // the name starts 2 pixels right of the end
      double y = std::clamp(s.Ys.back(), static_cast<double>(kChartTop), kChartHeight - kNameHeight);
      for (int guard = 0; guard < 40; ++guard) {
        bool clear = true;
        for (const auto& [px, py] : placed)
          clear = clear && (std::fabs(px - x) >= kNameWidth || std::fabs(py - y) >= kNameHeight);
        if (clear) break;
        y += kNameHeight;
        if (y > kChartHeight - kNameHeight) y = kChartTop;
      }
      placed.emplace_back(x, y);
      g.Texts.push_back({x, y, names[k - first], TextAlign::RightOf, s.Colour, false});
    }
  }
};

// ---------------------------------------------------------------- train paths

uint32_t TrainTypeColour(uint8_t type) {
  switch (type) {
    case ttExpress:
      return 0x0000FF;
    case ttPassenger:
      return 0xFF0000;
    case ttSuburban:
      return 0x008000;
    default:
      return kBlack;
  }
}

double ScheduleZone(const TGDPClass& g) {
  double zone = 0;
  if (!TryStrToFloat(g.Schedule.Header.ZoneLength.Get(), zone)) zone = 0;
  return Positive(zone, "длина зоны в ГДП не положительное число");
}

double ScheduleStep(const TGDPClass& g) {
  double step = 0;
  if (!TryStrToFloat(g.Schedule.Header.StepMinutes.Get(), step)) step = 0;
  return Positive(step, "шаг в ГДП не положительное число");
}

// The km axis of the zone at x and the train paths, a point (t, km) of time
// point t drawn at (x0 + t * pxPerStep, 450 - km * 400 / zone).
void TrainPaths(Plot& p, const TGDPClass& gdp, double axisX, double pxPerStep, double step, bool grid) {
  const double zone = ScheduleZone(gdp);
  const double perKm = kPlotHeight / zone;
  double d = zone <= 30 ? 1 : zone <= 150 ? 5 : 10;
  // A very long zone takes larger divisions, so that the labels stay apart.
  for (int k = 0; d * perKm < kChartLabelSpacing && k < 30; ++k) d *= (k % 3 == 1) ? 2.5 : 2;
  p.ValueAxis(axisX, "L, км", 0, zone, d, perKm, 0, grid);

  std::map<uint16_t, size_t> open;  // train number -> its series
  auto point = [&](ChartPolyline& s, uint32_t t, double km) {
    s.Xs.push_back(p.x0 + t * pxPerStep);
    s.Ys.push_back(kChartAxisY - km * perKm);
    s.Minutes.push_back(t * step);
    s.Values.push_back(km);
  };
  for (const TEvents& tp : gdp.Schedule.Items) {
    for (const TGDPEvent& e : tp.Events) {
      if (e.Kind == ekFinal) return;
      auto it = open.find(e.Number);
      if (e.Kind == ekAppear) {
        ChartPolyline s;
        s.Name = "Поезд " + std::to_string(e.Number);
        s.Unit = "км";
        s.Colour = TrainTypeColour(e.TypeCode);
        s.Width = 2;
        point(s, tp.Time, e.Position);
        open[e.Number] = p.g.Series.size();
        p.g.Series.push_back(std::move(s));
      } else if (it != open.end() && (e.Kind == ekSpeedChange || e.Kind == ekPassed || e.Kind == ekStayed)) {
        point(p.g.Series[it->second], tp.Time, e.Position);
        if (e.Kind != ekSpeedChange) open.erase(it);
      }
    }
  }
}

// ---------------------------------------------------------------- losses

// The loss axis: unit and top by the largest loss, the divisions and the tick step.
void LossScale(ChartGeometry& g, double maxLoss) {
  if (!std::isfinite(maxLoss) || maxLoss < 0)
    throw ChartError("График не построен: наибольшие потери в \"Graph\\dp.gmt\" не число");
  const double m = maxLoss;
  const double u = m <= 1e5   ? 10
                   : m <= 1e6 ? 100
                   : m <= 1e7 ? 1000
                   : m <= 1e8 ? 10000
                   : m <= 1e9 ? 100000
                              : 1000000;
  const double top = (Trunc(m / (1000 * u)) + 1) * 1000 * u;
  int div = 10;
  for (int i = 20; i >= 10; --i)
    if (std::fmod(top, 1000.0 * i) == 0) {
      div = i;
      break;
    }
  g.Unit = u;
  g.Top = top;
  g.Divisions = div;
  g.TickStep = Trunc(top / div);
}

// The value axis of the loss in kW and its polyline, pair i at step index
// StepIndex[i], i = 0 .. LastIndex.
void LossPlot(Plot& p, const TLossSeries& ls, double pxPerStep, double step, double axisX) {
  ChartGeometry& g = p.g;
  const double perW = kPlotHeight / g.Top;
  p.Line(axisX, kChartAxisY, axisX, kChartTop, kBlack, 1, true);
  p.Text(axisX, kChartTop, "dP, кВт", TextAlign::Above, true);
  for (int k = 0; k <= g.Divisions; ++k) {
    const double v = k * g.TickStep;
    const double y = kChartAxisY - v * perW;
    p.Line(axisX - 5, y, axisX + 5, y, kBlack, 1, true);
    p.Line(p.x0, y, p.Right(), y);
    p.Text(axisX, y, IntText(v / 1000), TextAlign::LeftOf, true);
  }
  ChartPolyline s;
  s.Name = "dP, кВт";
  s.Unit = "кВт";
  s.Colour = 0xFF00FF;
  s.Width = 3;
  const size_t n = std::min<size_t>(
      {static_cast<size_t>(std::max(0, ls.LastIndex)) + 1, ls.Losses.size(), ls.StepIndex.size()});
  for (size_t i = 0; i < n; ++i) {
    s.Xs.push_back(p.x0 + ls.StepIndex[i] * pxPerStep);
    s.Ys.push_back(kChartAxisY - ls.Losses[i] * perW);
    s.Minutes.push_back(ls.StepIndex[i] * step);
    s.Values.push_back(ls.Losses[i] / 1000);
  }
  g.Series.push_back(std::move(s));
}

// The step index of the last plotted pair; the pair after it is the unused
// final entry (0, 0), which would end the time axis at its start.
double LastStepIndex(const TLossSeries& ls) {
  const size_t n = std::min<size_t>(
      {static_cast<size_t>(std::max(0, ls.LastIndex)) + 1, ls.Losses.size(), ls.StepIndex.size()});
  int32_t last = 0;
  for (size_t i = 0; i < n; ++i) last = std::max(last, ls.StepIndex[i]);
  return last;
}

void CheckLoss(const TLossSeries& ls) {
  for (double v : ls.Losses)
    if (!std::isfinite(v)) throw ChartError("График не построен: потери в \"Graph\\dp.gmt\" не число");
}

ChartGeometry Losses(const TLossSeries& ls) {
  ChartGeometry g;
  g.Kind = 1;
  g.ValueUnit = "dP, кВт";
  const double step = Positive(ls.Step, "шаг в \"Graph\\dp.gmt\" не положительное число");
  CheckLoss(ls);
  LossScale(g, ls.MaxLoss);
  const double scale = step * 5;
  g.End = CeilTen(LastStepIndex(ls));
  g.Width = ImageWidth(g.End * scale + 100);
  g.PinnedWidth = kLeft + 6;
  Plot p{g};
  p.TimeAxis(kChartAxisY, 5, g.End * step, 10, true);
  LossPlot(p, ls, scale, step, kLeft);
  return g;
}

ChartGeometry SchedulePaths(const TGDPClass& gdp) {
  ChartGeometry g;
  g.Kind = 0;
  g.ValueUnit = "L, км";
  const double step = ScheduleStep(gdp);
  g.End = CeilTen(gdp.LastTime());
  g.Width = ImageWidth(g.End * 2 + 100);
  g.PinnedWidth = kLeft + 6;
  Plot p{g};
  p.TimeAxis(kChartAxisY, 2 / step, g.End * step, 60, false);
  TrainPaths(p, gdp, kLeft, 2, step, true);
  return g;
}

// The paths with the loss: the km axis stands 60 pixels left of the loss
// axis, so the plot begins 60 pixels further right to keep both on the image.
ChartGeometry PathsAndLosses(const TGDPClass& gdp, const TLossSeries& ls) {
  ChartGeometry g;
  g.Kind = 2;
  g.ValueUnit = "dP, кВт";
  const double step = ScheduleStep(gdp);
  CheckLoss(ls);
  LossScale(g, ls.MaxLoss);
  const double scale = step * 5;
  g.End = CeilTen(gdp.LastTime());
  g.Width = ImageWidth(g.End * scale + 100 + 60);
  g.PinnedWidth = kLeft + 60 + 6;
  Plot p{g, kLeft + 60};
  p.TimeAxis(kChartAxisY, 5, g.End * step, 10, true);
  LossPlot(p, ls, scale, step, p.x0);
  TrainPaths(p, gdp, p.x0 - 60, scale, step, false);
  return g;
}

// ---------------------------------------------------------------- series over minutes

// Train voltages (kind 3) or rail potentials (kind 4): one polyline a series
// in a colour of the palette, named at its end by its train.
ChartGeometry SeriesOverTime(AppState& st, int kind) {
  const bool trains = kind == 3;
  const std::vector<TChartSeries>& list = trains ? st.Chart.TrainSeries : st.Chart.RailSeries;
  ChartGeometry g;
  g.Kind = kind;
  g.ValueUnit = "U, В";
  double top = -HUGE_VAL, end = 0;
  bool any = false;
  for (const TChartSeries& s : list) {
    const size_t n = std::min(s.Times.size(), s.Values.size());
    for (size_t j = 0; j < n; ++j) {
      if (!std::isfinite(s.Values[j]) || !std::isfinite(s.Times[j]))
        throw ChartError("График не построен: в данных графика значение не число");
      top = std::max(top, s.Values[j]);
      any = true;
    }
    if (n > 0) end = std::max(end, s.Times[n - 1]);
  }
  if (!any)
    throw ChartError(trains ? "Нет данных для графика напряжений поездов"
                            : "Нет данных для графика потенциалов рельсов");
  const bool dc = IsDcVariant(st.SchemeVariant);
  Positive(top, trains ? "наибольшее напряжение поездов не больше 0" : "наибольший потенциал рельсов не больше 0");
  // The scale reaches the division above the largest value, so that a line
  // at the bus voltage stays inside the plot under a labelled division.
  double reach = 0;
  const double tick = Division(trains ? (dc ? 200 : 1500) : 10, 0, top, kPlotHeight, reach);
  g.Top = reach;
  g.TickStep = tick;
  g.End = CeilTen(end);
  g.Width = ImageWidth(g.End * 5 + 100);
  g.PinnedWidth = kLeft + 6;
  const double perV = kPlotHeight / g.Top;
  Plot p{g};
  p.TimeAxis(kChartAxisY, 5, g.End, 10, true);
  p.ValueAxis(kLeft, "U, В", 0, g.Top, tick, perV, 0);
  auto norm = [&](double v, uint32_t colour) {
    const double y = kChartAxisY - v * perV;
    g.Norms.push_back({kLeft, y, p.Right(), y, colour, 2, false});
  };
  if (trains) {
    const VoltageNorms& n = dc ? kNormsDc : kNormsAc;
    norm(n.Minimum, 0x3AC7FF);
    norm(n.MinimumStar, 0x0000FF);
  } else if (dc) {
    norm(60, 0x0000FF);
  } else {
    norm(40, 0xFF0000);
  }
  std::vector<std::string> names;
  size_t k = 0;
  for (const TChartSeries& s : list) {
    ChartPolyline pl;
    pl.Name = (trains ? "Поезд " : "Рельс ") + std::to_string(s.Number);
    pl.Unit = "В";
    pl.Width = 3;
    pl.Colour = kSeriesPalette[k++ % std::size(kSeriesPalette)];
    const size_t n = std::min(s.Times.size(), s.Values.size());
    for (size_t j = 0; j < n; ++j) {
      pl.Xs.push_back(kLeft + s.Times[j] * 5);
      pl.Ys.push_back(kChartAxisY - s.Values[j] * perV);
      pl.Minutes.push_back(s.Times[j]);
      pl.Values.push_back(s.Values[j]);
    }
    g.Series.push_back(std::move(pl));
    names.push_back("№" + std::to_string(s.Number));
  }
  p.NameLineEnds(0, names);
  return g;
}

// The feeder series of each feeding kind: series number, box, colour, name.
struct FeederSeries {
  int Series, Box;
  uint32_t Colour;
  std::string Name;
};
std::vector<FeederSeries> FeedersOf(int feedKind) {
  switch (feedKind) {
    case 1:
      return {{1, 0, 0x2340EF, "Ф1"}};
    case 2:
      return {{1, 0, 0x2340EF, "Ф1"}, {2, 2, 0xEF4023, "Ф3"}};
    case 3:
      return {{1, 0, 0x2340EF, "Ф1"}, {3, 2, 0x0B86B8, "Ф3"}};
    case 4:
      return {{1, 0, 0x2340EF, "Ф1"}, {2, 1, 0x0B86B8, "Ф2"}, {3, 2, 0xEF4023, "Ф3"}, {4, 3, 0x2E8B2E, "Ф4"}};
    default:
      return {};
  }
}

// The colours of the boxes "Фидер1" .. "Фидер4", which serve as the legend.
constexpr uint32_t kBoxColours[4] = {0x2340EF, 0x00D2FF, 0xEF4023, 0x49B749};

// The feeders charted: a user circuit keeps each chosen feeder in the series
// of its choice, whatever choices stand before it, and charts it under its
// own name; a fixed scheme charts the series of its feeding kind. Chart data
// read from its file names no choices: where the series of the feeding kind
// hold nothing, the series that hold the currents are charted.
std::vector<FeederSeries> ChartedFeeders(const ChartData& cd) {
  std::vector<FeederSeries> named;
  for (int k = 0; k < 4; ++k)
    if (!cd.FeederNames[k].empty()) named.push_back({k + 1, k, kBoxColours[k], cd.FeederNames[k]});
  if (!named.empty()) return named;
  auto filled = [&](int series) {
    const std::vector<double>& s = cd.Series[series - 1];
    return !s.empty() && s.size() == cd.Times.size();
  };
  std::vector<FeederSeries> fixed = FeedersOf(cd.FeedKind);
  bool fits = !fixed.empty();
  for (const FeederSeries& f : fixed) fits = fits && filled(f.Series);
  if (fits || cd.FeedKind == 0) return fixed;
  std::vector<FeederSeries> held;
  for (int k = 0; k < 4; ++k)
    if (filled(k + 1)) held.push_back({k + 1, k, kBoxColours[k], "Ф" + std::to_string(k + 1)});
  return held;
}

ChartGeometry FeederCurrents(AppState& st) {
  const ChartData& cd = st.Chart;
  const std::vector<FeederSeries> feeders = ChartedFeeders(cd);
  ChartGeometry g;
  g.Kind = 5;
  g.ValueUnit = "I, A";
  double hi = -HUGE_VAL, lo = HUGE_VAL;
  for (const FeederSeries& f : feeders) {
    const std::vector<double>& s = cd.Series[f.Series - 1];
    for (size_t j = 0; j < s.size() && j < cd.Times.size(); ++j) {
      if (!std::isfinite(s[j]) || !std::isfinite(cd.Times[j]))
        throw ChartError("График не построен: в данных графика значение не число");
      hi = std::max(hi, s[j]);
      lo = std::min(lo, s[j]);
    }
  }
  if (hi < lo) throw ChartError("Нет данных для графика токов фидеров");
  // The scale covers every current and the level 0 A of the time axis, from
  // the division below the least current to the division above the largest;
  // the division grows from 50 A until its labels stand apart.
  double bottom = 0, top = 0, step = 50;
  for (double decade = 1;; decade *= 10) {
    bool found = false;
    for (double m : {1.0, 2.0, 5.0}) {
      step = 50 * m * decade;
      bottom = std::min(0.0, std::floor(lo / step) * step);
      top = std::max(0.0, std::ceil(hi / step - 1e-9) * step);
      if (top <= bottom) top = bottom + step;
      if (step * kPlotHeight / (top - bottom) >= kChartLabelSpacing || step > 1e12) {
        found = true;
        break;
      }
    }
    if (found) break;
  }
  g.Bottom = bottom;
  g.Top = top;
  g.TickStep = step;
  g.End = CeilTen(cd.Times.back());
  g.Width = ImageWidth(g.End * 5 + 100);
  g.PinnedWidth = kLeft + 6;
  const double perA = kPlotHeight / (top - bottom);
  Plot p{g};
  const double zeroY = kChartAxisY - (0 - bottom) * perA;
  p.TimeAxis(zeroY, 5, g.End, 10, true, 2);
  p.ValueAxis(kLeft, "I, A", bottom, top, step, perA, bottom);
  std::vector<std::string> names;
  for (const FeederSeries& f : feeders) {
    if (!st.ChartOpts.All && !st.ChartOpts.Feeders[f.Box]) continue;
    const std::vector<double>& s = cd.Series[f.Series - 1];
    ChartPolyline pl;
    pl.Name = f.Name;
    pl.Unit = "А";
    pl.Colour = f.Colour;
    pl.Width = 3;
    for (size_t j = 0; j < s.size() && j < cd.Times.size(); ++j) {
      pl.Xs.push_back(kLeft + cd.Times[j] * 5);
      pl.Ys.push_back(kChartAxisY - (s[j] - bottom) * perA);
      pl.Minutes.push_back(cd.Times[j]);
      pl.Values.push_back(s[j]);
    }
    names.push_back(pl.Name);
    g.Series.push_back(std::move(pl));
  }
  p.NameLineEnds(0, names);
  return g;
}

}  // namespace

double ContrastOnWhite(uint32_t colour) {
  auto channel = [](uint32_t v) {
    const double c = static_cast<double>(v & 0xFF) / 255;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  const double l = 0.2126 * channel(colour) + 0.7152 * channel(colour >> 8) + 0.0722 * channel(colour >> 16);
  return 1.05 / (l + 0.05);
}

bool ChartAvailable(const ChartData& cd, int kind) {
  const bool trains = !cd.TrainSeries.empty();
  switch (kind) {
    case 0:
      return true;
    case 1:
    case 2:
    case 3:
      return trains;
    case 4:
      return !cd.RailSeries.empty();
    case 5:
      return trains && cd.FeedKind != 0 && !ChartedFeeders(cd).empty();
    default:
      return false;
  }
}

ChartGeometry BuildChart(AppState& st, int kind, const ChartSources& src) {
  switch (kind) {
    case 0:
      if (!src.Schedule) throw ProgramError("BuildChart: the schedule chart needs a schedule");
      return SchedulePaths(*src.Schedule);
    case 1:
      if (!src.Loss) throw ProgramError("BuildChart: the loss chart needs the loss series");
      return Losses(*src.Loss);
    case 2:
      if (!src.Schedule || !src.Loss)
        throw ProgramError("BuildChart: the chart needs a schedule and the loss series");
      return PathsAndLosses(*src.Schedule, *src.Loss);
    case 3:
    case 4:
      return SeriesOverTime(st, kind);
    case 5:
      if (st.Chart.Times.empty()) throw ChartError("Нет данных для графика токов фидеров");
      return FeederCurrents(st);
    default:
      throw ChartError("Нет графика вида " + std::to_string(kind) + " (виды 0..5)");
  }
}

ChartGeometry OpenChart(AppState& st, int kind, const std::string& scheduleName) {
  TGDPClass gdp;
  TLossSeries loss;
  ChartSources src;
  if (kind == 0 || kind == 2) {
    gdp.Init(st);
    gdp.LoadFromFile(st.Work, SchedulePath(scheduleName.empty() ? kDefaultScheduleFile : scheduleName));
    src.Schedule = &gdp;
  }
  if (kind == 1 || kind == 2) {
    // The losses of the run whose chart data is drawn, never of another.
    const Bytes bytes = ReadFileBytes(st.Work, kLossFile);
    CheckLossFileBelongs(st.Work, st.Chart, bytes);
    loss = LossSeriesFromBytes(bytes);
    src.Loss = &loss;
  }
  return BuildChart(st, kind, src);
}

namespace {

// A column heading with its unit: "Поезд 1, В"; a name that already ends
// with its unit ("dP, кВт") stays as it is.
std::string CsvHeading(const ChartPolyline& s) {
  const std::string tail = ", " + s.Unit;
  if (s.Unit.empty() || (s.Name.size() >= tail.size() &&
                         s.Name.compare(s.Name.size() - tail.size(), tail.size(), tail) == 0))
    return s.Name;
  return s.Name + tail;
}

// A number of the table, to the report's three decimals ("-0" written as "0").
std::string TableNumber(double v) {
  const double r = RoundTo(v, 3);
  return FloatToStr(r == 0 ? 0.0 : r);
}

}  // namespace

std::vector<std::string> ChartCsvLines(const ChartGeometry& g) {
  std::set<double> minutes;
  for (const ChartPolyline& s : g.Series) minutes.insert(s.Minutes.begin(), s.Minutes.end());
  std::vector<std::string> lines;
  std::string head = CsvQuoted("t, мин");
  for (const ChartPolyline& s : g.Series) head += "," + CsvQuoted(CsvHeading(s));
  lines.push_back(head);
  // A series keeps its last value of a minute (a path that turns at a time
  // point has two points there).
  std::vector<std::map<double, double>> byMinute(g.Series.size());
  for (size_t k = 0; k < g.Series.size(); ++k)
    for (size_t j = 0; j < g.Series[k].Minutes.size() && j < g.Series[k].Values.size(); ++j)
      byMinute[k][g.Series[k].Minutes[j]] = g.Series[k].Values[j];
  for (double m : minutes) {
    std::string line = TableNumber(m);
    for (const auto& values : byMinute) {
      line += ",";
      auto it = values.find(m);
      if (it != values.end()) line += TableNumber(it->second);
    }
    lines.push_back(line);
  }
  return lines;
}

void WriteChartCsv(const WorkDir& wd, const std::string& name, const ChartGeometry& g) {
  std::string text = "\xEF\xBB\xBF";
  for (const std::string& line : ChartCsvLines(g)) text += line + "\r\n";
  WriteFileBytes(wd, name, Bytes(text.begin(), text.end()));
}

}  // namespace tps
