#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "charts/chart.h"
#include "driver/seed.h"
#include "driver/testrun.h"
#include "params/chartfile.h"
#include "params/defaults.h"
#include "params/errors.h"
#include "params/fileio.h"
#include "solver/report.h"
#include "traffic/schedule.h"
#include "zone_fixture.h"

using namespace tps;

namespace {

bool HasText(const ChartGeometry& g, const std::string& t) {
  return std::any_of(g.Texts.begin(), g.Texts.end(), [&](const ChartText& x) { return x.Text == t; });
}

std::vector<std::string> Names(const ChartGeometry& g) {
  std::vector<std::string> v;
  for (const ChartPolyline& s : g.Series) v.push_back(s.Name);
  return v;
}

TGDPEvent Event(uint16_t n, double km, uint8_t type, uint8_t kind) {
  TGDPEvent e;
  e.Number = n;
  e.ActiveCurrent = 1000;
  e.Position = km;
  e.Speed = 60;
  e.TypeCode = type;
  e.Kind = kind;
  return e;
}

// Four feeders over three minutes and a train, as a DC double-track run records them.
void FourFeeders(AppState& st) {
  st.SchemeVariant = 3;
  st.Chart.Reset();
  st.Chart.FeedKind = 4;
  st.Chart.Times = {0, 1, 2};
  st.Chart.Series[0] = {400, 300, 120};
  st.Chart.Series[1] = {-120, 10, 20};
  st.Chart.Series[2] = {50, 60, 70};
  st.Chart.Series[3] = {0, 5, 10};
  st.Chart.TrainSeries.push_back({1, {0, 1, 2}, {3100, 2900.5, 2600}, {0, 0, 0}, 3});
}

// The records of an RFC 4180 text (CR LF between records, quoted fields with
// doubled quotes), as a spreadsheet reads them.
std::vector<std::vector<std::string>> ReadRfc4180(const std::string& text) {
  std::vector<std::vector<std::string>> records(1);
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      records.back().push_back(field);
      field.clear();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      records.back().push_back(field);
      field.clear();
      records.emplace_back();
      ++i;
    } else {
      field += c;
    }
  }
  if (!field.empty() || !records.back().empty()) records.back().push_back(field);
  if (records.back().empty()) records.pop_back();
  return records;
}

}  // namespace

// The chart CSV opens right in a spreadsheet: UTF-8 with a byte-order mark,
// records ended by CR LF, every heading quoted with its unit, as many headings
// as cells in every row (the heading "t, мин" once split into two columns and
// put every series under the wrong name), values to three decimals.
TEST(Charts, CsvOpensRight) {
  tpstest::Zone z(3);
  AppState& st = *z.st;
  FourFeeders(st);
  st.Chart.TrainSeries[0].Values[1] = 2900.4999999999995;
  st.Chart.TrainSeries.push_back({2, {1, 2}, {49.9980000000001, -0.0001}, {0, 0}, 2});
  for (int kind : {3, 5}) {
    WriteChartCsv(st.Work, "v.csv", BuildChart(st, kind, {}));
    const std::string text = tpstest::ReadString(z.dir.Path() / "v.csv");
    ASSERT_EQ(text.substr(0, 3), "\xEF\xBB\xBF") << kind;
    const auto records = ReadRfc4180(text.substr(3));
    ASSERT_EQ(records.size(), 4u) << kind;
    for (const auto& r : records) EXPECT_EQ(r.size(), records[0].size()) << kind;
    EXPECT_EQ(records[0][0], "t, мин");
    if (kind == 3) {
      EXPECT_EQ(records[0], (std::vector<std::string>{"t, мин", "Поезд 1, В", "Поезд 2, В"}));
      EXPECT_EQ(records[2], (std::vector<std::string>{"1", "2900.5", "49.998"}));
      EXPECT_EQ(records[3], (std::vector<std::string>{"2", "2600", "0"}));
    } else {
      EXPECT_EQ(records[0][4], "Ф4, А");
    }
  }
}

// 250 kW at most: unit 100, top 300 kW, 20 divisions of 15 kW; the time axis
// ends at the last plotted step, not at the unused final pair (0, 0).
TEST(Charts, LossScaleAndEnd) {
  tpstest::Zone z(3);
  TLossSeries ls;
  ls.Step = 1;
  ls.LastIndex = 12;
  ls.MaxLoss = 250000;
  for (int i = 0; i <= 13; ++i) {
    ls.Losses.push_back(i <= 12 ? 1000.0 * i : 0);
    ls.StepIndex.push_back(i <= 12 ? i : 0);
  }
  ChartSources src;
  src.Loss = &ls;
  ChartGeometry g = BuildChart(*z.st, 1, src);
  EXPECT_EQ(g.Unit, 100);
  EXPECT_EQ(g.Top, 300000);
  EXPECT_EQ(g.Divisions, 20);
  EXPECT_EQ(g.TickStep, 15000);
  EXPECT_TRUE(HasText(g, "15"));
  EXPECT_TRUE(HasText(g, "300"));
  EXPECT_EQ(g.End, 20);
  EXPECT_EQ(g.Width, 20 * 5 + 100);
  ASSERT_EQ(g.Series.size(), 1u);
  EXPECT_EQ(g.Series[0].Xs.size(), 13u);
  EXPECT_EQ(g.Series[0].Colour, 0xFF00FFu);
  EXPECT_DOUBLE_EQ(g.Series[0].Ys[12], 450 - 12000 * 400.0 / 300000);

  ls.Step = 0;
  EXPECT_THROW(BuildChart(*z.st, 1, src), ChartError);
}

// A schedule ending at time point 73 is drawn over 80 steps, 2 pixels a step.
TEST(Charts, SchedulePaths) {
  tpstest::Zone z(3);
  TGDPClass gdp;
  gdp.Init(*z.st);
  gdp.AddEvent(0, Event(1, 0, ttExpress, ekAppear));
  gdp.AddEvent(40, Event(1, 10, ttExpress, ekSpeedChange));
  gdp.AddEvent(73, Event(1, 20, ttExpress, ekPassed));
  gdp.AddEvent(50, Event(2, 20, ttFreight, ekAppear));
  ChartSources src;
  src.Schedule = &gdp;
  ChartGeometry g = BuildChart(*z.st, 0, src);
  EXPECT_EQ(g.End, 80);
  EXPECT_EQ(g.Width, 260);
  ASSERT_EQ(g.Series.size(), 2u);
  EXPECT_EQ(g.Series[0].Xs, (std::vector<double>{50, 130, 196}));
  EXPECT_EQ(g.Series[0].Ys, (std::vector<double>{450, 250, 50}));
  EXPECT_EQ(g.Series[0].Colour, 0x0000FFu);
  EXPECT_EQ(g.Series[1].Xs.size(), 1u);  // still open, a single point
  EXPECT_TRUE(HasText(g, "L, км"));
  EXPECT_TRUE(HasText(g, "00:01:00"));
  EXPECT_TRUE(HasText(g, kTimeAxisName));

  gdp.Schedule.Header.ZoneLength.Set("0");
  EXPECT_THROW(BuildChart(*z.st, 0, src), ChartError);
}

// The default schedule of a new working directory draws every train's path
// across the zone: from the substation it enters at to the other one, or, for
// the trains the schedule's end leaves on the zone, to where they stand.
TEST(Charts, DefaultScheduleDrawsMovingPaths) {
  tpstest::Zone z(3);
  SeedNewWorkDir(z.st->Work);
  const ChartGeometry g = OpenChart(*z.st, 0, "");
  ASSERT_EQ(g.Series.size(), 21u);
  int across = 0;
  for (const ChartPolyline& s : g.Series) {
    SCOPED_TRACE(s.Name);
    ASSERT_GE(s.Ys.size(), 2u);
    const double from = s.Ys.front(), to = s.Ys.back();
    EXPECT_TRUE(from == 450 || from == 50);  // km 0 or km 20
    EXPECT_GE(std::fabs(to - from), 100);    // at least 5 km of the zone
    EXPECT_GT(s.Xs.back(), s.Xs.front());
    across += std::fabs(to - from) == 400;
  }
  EXPECT_EQ(across, 18);
}

// Unchecking "Все" and "фидер3" on a four-feeder scheme hides series 3 only.
TEST(Charts, FeederCurrentsAndOptions) {
  tpstest::Zone z(3);
  AppState& st = *z.st;
  FourFeeders(st);
  ChartGeometry all = BuildChart(st, 5, {});
  EXPECT_EQ(Names(all), (std::vector<std::string>{"Ф1", "Ф2", "Ф3", "Ф4"}));
  EXPECT_EQ(all.Bottom, -150);
  EXPECT_EQ(all.Top, 400);
  st.ChartOpts.All = false;
  st.ChartOpts.Feeders[2] = false;
  ChartGeometry some = BuildChart(st, 5, {});
  EXPECT_EQ(Names(some), (std::vector<std::string>{"Ф1", "Ф2", "Ф4"}));
  EXPECT_EQ(some.Series[1].Colour, kFeederBoxColours[1]);
  EXPECT_EQ(ChartCsvLines(some),
            (std::vector<std::string>{"\"t, мин\",\"Ф1, А\",\"Ф2, А\",\"Ф4, А\"", "0,400,-120,0", "1,300,10,5",
                                      "2,120,20,10"}));

  // A user circuit's chart data read from its file names no choices: the
  // series that hold the currents are charted, under their slots.
  ChartData user = st.Chart;
  user.FeedKind = 1;
  user.Series[0].clear();
  user.Series[2].clear();
  user.Series[3].clear();
  st.Chart = user;
  EXPECT_TRUE(ChartAvailable(st.Chart, 5));
  EXPECT_EQ(Names(BuildChart(st, 5, {})), (std::vector<std::string>{"Ф2"}));
  FourFeeders(st);

  // Currents that all lie above the first division still give a finite scale.
  st.Chart.Series[0] = {30, 30, 30};
  st.Chart.Series[1] = st.Chart.Series[2] = st.Chart.Series[3] = {30, 30, 30};
  ChartGeometry flat = BuildChart(st, 5, {});
  EXPECT_GT(flat.Top, flat.Bottom);
  for (double y : flat.Series[0].Ys) EXPECT_TRUE(std::isfinite(y));
}

// Train voltages: the same palette colours at each opening, one per train;
// norm lines of DC and AC; the rail potentials with their one norm.
TEST(Charts, VoltagesNormsAndColours) {
  tpstest::Zone z(3);
  AppState& st = *z.st;
  FourFeeders(st);
  st.Chart.TrainSeries.push_back({2, {0, 1}, {3300, 3200}, {0, 0}, 2});
  ChartGeometry a = BuildChart(st, 3, {});
  ChartGeometry b = BuildChart(st, 3, {});
  ASSERT_EQ(a.Series.size(), 2u);
  EXPECT_EQ(a.Series[0].Colour, b.Series[0].Colour);
  EXPECT_EQ(a.Series[1].Colour, b.Series[1].Colour);
  EXPECT_NE(a.Series[0].Colour, a.Series[1].Colour);
  EXPECT_EQ(a.Series[0].Width, 3);
  // The bus at 3300 V lies under the division of 3400 V, not above the plot.
  EXPECT_EQ(a.Top, 3400);
  ASSERT_EQ(a.Norms.size(), 2u);
  EXPECT_DOUBLE_EQ(a.Norms[0].Y1, 450 - 2700 * 400.0 / 3400);
  EXPECT_EQ(a.Norms[0].Colour, 0x3AC7FFu);
  EXPECT_DOUBLE_EQ(a.Norms[1].Y1, 450 - 2400 * 400.0 / 3400);
  EXPECT_EQ(a.Norms[1].Colour, 0x0000FFu);
  EXPECT_TRUE(HasText(a, "200"));
  EXPECT_TRUE(HasText(a, "3400"));

  st.SchemeVariant = 10;
  st.Chart.TrainSeries = {{1, {0, 7}, {27000, 20000}, {0, 0}, 2}};
  ChartGeometry ac = BuildChart(st, 3, {});
  EXPECT_DOUBLE_EQ(ac.Norms[0].Y1, 450 - 21000 * 400.0 / 27000);
  EXPECT_DOUBLE_EQ(ac.Norms[1].Y1, 450 - 19000 * 400.0 / 27000);
  EXPECT_TRUE(HasText(ac, "1500"));
  EXPECT_EQ(ac.End, 10);

  // Rail potentials: top (54 / 10 + 1) rounded times 10 = 60, AC norm 40 V.
  EXPECT_FALSE(ChartAvailable(st.Chart, 4));
  st.Chart.RailSeries = {{1, {0, 1}, {54, 20}, {0, 0}, 2}};
  EXPECT_TRUE(ChartAvailable(st.Chart, 4));
  ChartGeometry rail = BuildChart(st, 4, {});
  EXPECT_EQ(rail.Top, 60);
  ASSERT_EQ(rail.Norms.size(), 1u);
  EXPECT_EQ(rail.Norms[0].Colour, 0xFF0000u);
  EXPECT_DOUBLE_EQ(rail.Norms[0].Y1, 450 - 40 * 400.0 / 60);
  st.SchemeVariant = 3;
  EXPECT_EQ(BuildChart(st, 4, {}).Norms[0].Colour, 0x0000FFu);
}

namespace {

// The value-axis labels of a chart from top to bottom (texts left of the axis).
std::vector<double> AxisLabelRows(const ChartGeometry& g) {
  std::vector<double> ys;
  for (const ChartText& t : g.Texts)
    if (t.Align == TextAlign::LeftOf) ys.push_back(t.Y);
  std::sort(ys.begin(), ys.end());
  return ys;
}

}  // namespace

// What an engineer reads off a chart: every line inside the plot and named
// at its end in its colour, colours that read on white, value labels apart,
// the time axis named by the form of its labels, the value axis pinned.
TEST(Charts, ChartsAnEngineerCanRead) {
  tpstest::Zone z(3);
  AppState& st = z.S();
  FourFeeders(st);
  // Twelve trains at up to 3300 V, more than the palette has colours.
  st.Chart.TrainSeries.clear();
  for (int16_t n = 1; n <= 12; ++n) st.Chart.TrainSeries.push_back({n, {0, 1, 2}, {3300, 2900, 2500.0 + n}, {}, 3});
  ChartGeometry v = BuildChart(st, 3, {});
  std::set<uint32_t> colours;
  for (size_t k = 0; k < v.Series.size(); ++k) {
    const ChartPolyline& s = v.Series[k];
    for (double y : s.Ys) EXPECT_GE(y, 50.0) << s.Name;  // nothing above the plot
    EXPECT_GE(ContrastOnWhite(s.Colour), 3.0) << s.Name;
    colours.insert(s.Colour);
    // The train's number at the line's end, in the line's colour.
    const std::string name = "№" + std::to_string(k + 1);
    const auto t = std::find_if(v.Texts.begin(), v.Texts.end(), [&](const ChartText& x) { return x.Text == name; });
    ASSERT_NE(t, v.Texts.end()) << name;
    EXPECT_EQ(t->Colour, s.Colour);
    EXPECT_GE(t->X, s.Xs.back() - 10);
  }
  EXPECT_EQ(colours.size(), std::size(kSeriesPalette));
  // The names of lines ending together stand apart.
  std::vector<double> ends;
  for (const ChartText& t : v.Texts)
    if (t.Text.rfind("№", 0) == 0) ends.push_back(t.Y);
  std::sort(ends.begin(), ends.end());
  for (size_t k = 1; k < ends.size(); ++k) EXPECT_GE(ends[k] - ends[k - 1], 12.0);
  EXPECT_TRUE(HasText(v, kTimeAxisName));
  EXPECT_FALSE(HasText(v, "t, мин"));

  // 2300 A on the feeders: divisions whose labels do not run into each other.
  st.Chart.Series[0] = {400, 2300, 1200};
  ChartGeometry f = BuildChart(st, 5, {});
  EXPECT_GE(f.Top, 2300);
  EXPECT_LE(f.Bottom, -120);
  const std::vector<double> rows = AxisLabelRows(f);
  ASSERT_GE(rows.size(), 5u);
  for (size_t k = 1; k < rows.size(); ++k) EXPECT_GE(rows[k] - rows[k - 1], kChartLabelSpacing) << k;
  for (uint32_t c : kFeederBoxColours) EXPECT_GE(ContrastOnWhite(c), 3.0);
  for (const ChartPolyline& s : f.Series) {
    EXPECT_GE(ContrastOnWhite(s.Colour), 3.0) << s.Name;
    EXPECT_TRUE(HasText(f, s.Name));
  }
  // Currents all above the first division still keep the level 0 A in the plot.
  for (auto& series : st.Chart.Series) series = {130, 140, 150};
  ChartGeometry up = BuildChart(st, 5, {});
  EXPECT_EQ(up.Bottom, 0);
  for (double y : up.Series[0].Ys) EXPECT_LE(y, 450.0);

  // A scrolled chart keeps its value axis: its line, ticks, labels and name
  // are pinned within the band left of the plot; nothing of the plot is.
  for (const ChartGeometry* g : {&v, &f}) {
    EXPECT_EQ(g->PinnedWidth, 56);
    size_t pinned = 0;
    for (const ChartText& t : g->Texts)
      if (t.Pinned) {
        ++pinned;
        EXPECT_LE(t.X, g->PinnedWidth);
      }
    EXPECT_GE(pinned, 5u);
    for (const ChartLine& l : g->Lines)
      if (l.Pinned) {
        EXPECT_LE(std::max(l.X1, l.X2), g->PinnedWidth);
      }
  }
}

// The chart data file: the hand-checked bytes of a small record naming its
// loss file, every damaged copy refused with the file named, and a file of
// the first layout read with its loss file unknown.
TEST(Charts, ChartDataFile) {
  ChartData cd;
  cd.FeedKind = 2;
  cd.TrainSeries.push_back({-3, {0.5}, {3000}, {0}, 1});
  cd.Times = {0.5};
  cd.Series[0] = {-12.5};
  cd.LossKw = {250};
  const LossFileId loss{56, 0x0123456789abcdefull};
  const Bytes b = ChartDataBytes(cd, 2, loss);
  const auto golden = tpstest::DataPath("charts/small.cdt");
  if (tpstest::GoldenUpdate()) tpstest::WriteBytes(golden, b);
  EXPECT_EQ(b, tpstest::ReadBytes(golden));

  SavedChartData back = ChartDataFromBytes(b);
  EXPECT_EQ(back.Variant, 2);
  EXPECT_EQ(back.Data.FeedKind, 2);
  EXPECT_EQ(back.Data.LossFile, loss);
  ASSERT_EQ(back.Data.TrainSeries.size(), 1u);
  EXPECT_EQ(back.Data.TrainSeries[0].Number, -3);
  EXPECT_EQ(back.Data.TrainSeries[0].Values, std::vector<double>{3000});
  EXPECT_EQ(ChartDataBytes(back.Data, back.Variant, back.Data.LossFile), b);

  for (size_t n = 0; n < b.size(); ++n) {
    Bytes cut(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_THROW(ChartDataFromBytes(cut), IoError) << n;
  }
  Bytes longer = b;
  longer.push_back(0);
  EXPECT_THROW(ChartDataFromBytes(longer), IoError);
  Bytes huge = b;
  huge[26] = 0xFF;  // the train series count
  huge[29] = 0x7F;
  EXPECT_THROW(ChartDataFromBytes(huge), IoError);
  for (double t : {std::nan(""), -1.0, 1e178}) {
    Bytes bad = b;
    std::memcpy(bad.data() + 36, &t, 8);  // the first time of the train
    try {
      ChartDataFromBytes(bad);
      ADD_FAILURE() << t;
    } catch (const IoError& e) {
      EXPECT_NE(std::string(e.what()).find("Graph\\charts.cdt"), std::string::npos);
    }
  }
  // The first layout: no loss file named.
  Bytes first = b;
  first.erase(first.begin() + 8, first.begin() + 24);
  first[7] = '1';
  const SavedChartData old = ChartDataFromBytes(first);
  EXPECT_FALSE(old.Data.LossFile.Known());
  EXPECT_EQ(old.Data.TrainSeries[0].Values, std::vector<double>{3000});
}

// The loss file and the chart data of one run are a pair: a loss file of
// another run beside the chart data (a kill between two copies, two runs
// writing into one folder) is refused by every chart that reads them, in
// the window (the chart data in hand) and on the command line (the file).
TEST(Charts, AMismatchedLossFileAndChartDataAreRefused) {
  tpstest::Zone z(3);
  AppState& st = z.S();
  ASSERT_EQ(BatchLaunch(st), RunOutcome::Finished);
  const Bytes first = ReadFileBytes(st.Work, kLossFile);
  EXPECT_EQ(ReadChartDataFile(st.Work).Data.LossFile, IdOfLossFile(first));
  st.Params.BatchTrains.Set("1");
  ASSERT_EQ(BatchLaunch(st), RunOutcome::Finished);
  const Bytes second = ReadFileBytes(st.Work, kLossFile);
  ASSERT_NE(first, second);
  EXPECT_NO_THROW(OpenChart(st, 1, ""));

  WriteFileBytes(st.Work, kLossFile, first);  // the old loss file beside the new chart data
  EXPECT_THROW(OpenChart(st, 1, ""), IoError);
  EXPECT_THROW(OpenChart(st, 2, ""), IoError);
  try {
    ReadChartDataFile(st.Work);
    ADD_FAILURE();
  } catch (const IoError& e) {
    EXPECT_NE(std::string(e.what()).find("записаны разными расчётами"), std::string::npos) << e.what();
  }
  AppState fresh;  // another process: no chart data in hand
  fresh.Work = st.Work;
  EXPECT_THROW(OpenChart(fresh, 1, ""), IoError);

  // A chart data file of the first layout names no loss file: the losses
  // stand alone, the charts of the chart data are refused with the reason.
  Bytes old = ReadFileBytes(st.Work, kChartDataFile);
  old.erase(old.begin() + 8, old.begin() + 24);
  old[7] = '1';
  WriteFileBytes(st.Work, kChartDataFile, old);
  EXPECT_NO_THROW(OpenChart(fresh, 1, ""));
  try {
    ReadChartDataFile(st.Work);
    ADD_FAILURE();
  } catch (const IoError& e) {
    EXPECT_NE(std::string(e.what()).find("прежней версией"), std::string::npos) << e.what();
  }
}

// Values near 1e178 in the chart data in hand (the chart window's) refuse
// the chart with its message instead of turning the number of divisions or
// minutes into an integer beyond any integer.
TEST(Charts, HugeValuesRefuseTheChart) {
  AppState st;
  st.SchemeVariant = 3;
  st.Chart.Reset();
  st.Chart.FeedKind = 1;
  st.Chart.TrainSeries.push_back({1, {0, 1}, {3000, 1.7e178}, {0, 0}, 2});
  st.Chart.Times = {0, 1};
  st.Chart.Series[0] = {10, -2.3e178};
  EXPECT_THROW(BuildChart(st, 3, {}), ChartError);
  EXPECT_THROW(BuildChart(st, 5, {}), ChartError);
  st.Chart.TrainSeries[0] = {1, {0, 1e178}, {3000, 2900}, {0, 0}, 2};
  EXPECT_THROW(BuildChart(st, 3, {}), ChartError);
}

// Every run that writes the loss file writes the chart data beside it.
TEST(Charts, BatchRunLeavesItsChartData) {
  tpstest::Zone z(3);
  AppState& st = *z.st;
  ASSERT_EQ(BatchLaunch(st), RunOutcome::Finished);
  SavedChartData saved = ReadChartDataFile(st.Work);
  EXPECT_EQ(saved.Variant, 3);
  EXPECT_EQ(saved.Data.FeedKind, st.Chart.FeedKind);
  EXPECT_EQ(saved.Data.TrainSeries.size(), st.Chart.TrainSeries.size());
  EXPECT_EQ(saved.Data.Times, st.Chart.Times);
  EXPECT_FALSE(saved.Data.TrainSeries.empty());
  for (int kind = 1; kind <= 5; ++kind) EXPECT_EQ(ChartAvailable(saved.Data, kind), kind != 4) << kind;
  EXPECT_EQ(OpenChart(st, 1, "").Series[0].Xs.size(), static_cast<size_t>(st.LossSeries.LastIndex) + 1);
}

// A run that fails offers none of its charts: its data is not a result.
TEST(Charts, AFailedRunOffersNoCharts) {
  tpstest::Zone z(2);
  AppState& st = z.S();
  struct Stopper : RecordingHost {
    AppState* s = nullptr;
    void ProcessEvents() override {
      RecordingHost::ProcessEvents();
      if (s->StepCount > 3)
        for (elvoz& t : s->Trains.Trains1) t.Speed = 0;
    }
  } host;
  host.s = &st;
  st.Host = &host;
  ASSERT_EQ(BatchLaunch(st), RunOutcome::Failed);
  EXPECT_EQ(st.Chart.TrainSeries.size(), 0u);
  for (int kind = 1; kind <= 5; ++kind) EXPECT_FALSE(ChartAvailable(st.Chart, kind)) << kind;
  EXPECT_FALSE(st.Work.Exists(kChartDataFile));
}
