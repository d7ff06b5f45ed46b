#include "tasks/compare.h"

#include <gtest/gtest.h>

#include "charts/comparechart.h"
#include "charts/svg.h"
#include "driver/probrun.h"
#include "driver/runs.h"
#include "params/conv.h"
#include "params/defaults.h"
#include "params/persist.h"
#include "traffic/schedule.h"
#include "validation/schedule_checks.h"
#include "zone_fixture.h"

using namespace tps;
using tpstest::Zone;

namespace {

TGDPEvent Appear(uint16_t number, double km, double speed, double amps) {
  TGDPEvent e;
  e.Number = number;
  e.Kind = ekAppear;
  e.ActiveCurrent = amps;
  e.Position = km;
  e.Speed = speed;
  return e;
}

// A double-track DC zone of 20 km in the schedule mode with "cmp.gdp": a
// heavy train each way.
struct CompareZone : Zone {
  explicit CompareZone(int variant, double amps = 1500) : Zone(variant, "20") {
    S().RunMode = ModeSchedule;
    S().Options.BuildCharts = true;
    WriteProbTrainRecord(S(), DefaultProbTrainRecord());
    LoadProbTrainParams(S());
    TGDPClass g;
    g.Init(S());
    g.Schedule.Variant = 3;
    g.AddEvent(0, Appear(1, 0, 60, amps));
    g.AddEvent(2, Appear(2, 20, 80, amps));
    g.AddFinalizationPoint(24);
    g.SaveToFile(S().Work, SchedulePath("cmp.gdp"));
  }
};

void ExpectSameNorms(const NormCompliance& a, const NormCompliance& b) {
  EXPECT_EQ(a.StepsChecked, b.StepsChecked);
  EXPECT_EQ(a.VoltageMinutes, b.VoltageMinutes);
  EXPECT_EQ(a.Below1Minutes, b.Below1Minutes);
  EXPECT_EQ(a.Below2Minutes, b.Below2Minutes);
  EXPECT_EQ(a.Lowest.Voltage, b.Lowest.Voltage);
  EXPECT_EQ(a.Lowest.Train, b.Lowest.Train);
  ASSERT_EQ(a.Trains.size(), b.Trains.size());
  ASSERT_EQ(a.Feeders.size(), b.Feeders.size());
  for (size_t k = 0; k < a.Feeders.size(); ++k) {
    EXPECT_EQ(a.Feeders[k].Peak, b.Feeders[k].Peak);
    EXPECT_EQ(a.Feeders[k].SquareMinutes, b.Feeders[k].SquareMinutes);
  }
}

void ExpectSameResult(const CompareResult& a, const CompareResult& b) {
  ASSERT_EQ(a.Schemes.size(), b.Schemes.size());
  EXPECT_EQ(a.Best, b.Best);
  for (size_t s = 0; s < a.Schemes.size(); ++s) {
    ASSERT_EQ(a.Schemes[s].Runs.size(), b.Schemes[s].Runs.size());
    EXPECT_EQ(a.Schemes[s].Rank, b.Schemes[s].Rank);
    EXPECT_EQ(a.Schemes[s].Reason, b.Schemes[s].Reason);
    for (size_t r = 0; r < a.Schemes[s].Runs.size(); ++r) {
      const SchemeRunFigures &x = a.Schemes[s].Runs[r], &y = b.Schemes[s].Runs[r];
      EXPECT_EQ(x.LossWh, y.LossWh);
      EXPECT_EQ(x.SuppliedWh, y.SuppliedWh);
      ExpectSameNorms(x.Norms, y.Norms);
    }
  }
}

}  // namespace

// Every double-track DC scheme that fits the schedule, each figure that of
// the scheme's own run made alone, and one job or two giving the same.
TEST(CompareSchemes, EachSchemeAsItsOwnRunOnEveryCore) {
  CompareResult one, two;
  for (unsigned jobs : {1u, 2u}) {
    CompareZone z(3);
    StudyControl ctl;
    ctl.Jobs = jobs;
    CompareInput in;
    in.Schedule = "cmp.gdp";
    CompareResult r = CompareSchemes(z.S(), in, ctl);
    ASSERT_EQ(r.Outcome, RunOutcome::Finished);
    (jobs == 1 ? one : two) = r;
  }
  ASSERT_EQ(one.Schemes.size(), 3u);
  EXPECT_EQ(one.Schemes[0].Variant, 3);
  EXPECT_EQ(one.Schemes[1].Variant, 4);
  EXPECT_EQ(one.Schemes[2].Variant, 5);
  EXPECT_EQ(one.Schemes[2].Pps1Km, "5");
  ExpectSameResult(one, two);
  for (const SchemeComparison& c : one.Schemes) {
    CompareZone alone(c.Variant);
    ASSERT_EQ(StartScheduleRun(alone.S(), "cmp.gdp"), RunOutcome::Finished) << c.Variant;
    ASSERT_EQ(c.Runs.size(), 1u);
    EXPECT_EQ(c.Runs[0].LossWh, alone.S().EnergyLoss) << c.Variant;
    EXPECT_EQ(c.Runs[0].SuppliedWh, alone.S().EnergySupplied[0]) << c.Variant;
    EXPECT_EQ(c.Runs[0].LossPercent, alone.S().LossPercent) << c.Variant;
    ExpectSameNorms(c.Runs[0].Norms, NormsOf(alone.S()));
    EXPECT_GT(c.Runs[0].Norms.StepsChecked, 0u);
  }
  // The ranking: by loss among the schemes that keep every train at or above
  // 2400 V; the others say how far below they went.
  int ranked = 0;
  for (const SchemeComparison& c : one.Schemes) {
    if (c.KeepsNorm2) {
      ++ranked;
      EXPECT_GT(c.Rank, 0);
      if (c.Rank == 1) {
        EXPECT_EQ(one.Best, c.Variant);
        for (const SchemeComparison& d : one.Schemes)
          if (d.KeepsNorm2) EXPECT_LE(c.MeanLoss(), d.MeanLoss());
      }
    } else {
      EXPECT_EQ(c.Rank, 0);
      EXPECT_NE(c.Reason.find("напряжение ниже 2400 В"), std::string::npos) << c.Reason;
    }
  }
  EXPECT_EQ(one.Best != 0, ranked > 0);
}

// Trains too heavy for every scheme: none ranks, each says why.
TEST(CompareSchemes, NoSchemeKeepingTheNormHasNoBest) {
  CompareZone z(3, 4000);
  StudyControl ctl;
  CompareInput in;
  in.Schedule = "cmp.gdp";
  in.Schemes = {3, 4};
  const CompareResult r = CompareSchemes(z.S(), in, ctl);
  ASSERT_EQ(r.Outcome, RunOutcome::Finished);
  EXPECT_EQ(r.Best, 0);
  for (const SchemeComparison& c : r.Schemes) {
    EXPECT_FALSE(c.KeepsNorm2);
    EXPECT_EQ(c.Reason.rfind("напряжение ниже 2400 В: ", 0), 0u) << c.Reason;
  }
  EXPECT_EQ(r.BestReason, "ни одна схема не держит напряжение всех поездов не ниже второй нормы");
}

// Schemes of another current kind or track count, and "Откл Ф2 и Ф4", are
// named with their reason and not run; nothing left to run is a refusal.
TEST(CompareSchemes, UnfitSchemesAreNamedNotRun) {
  CompareZone z(3);
  StudyControl ctl;
  CompareInput in;
  in.Schedule = "cmp.gdp";
  in.Schemes = {1, 10, 6};
  const CompareResult r = CompareSchemes(z.S(), in, ctl);
  EXPECT_EQ(r.Outcome, RunOutcome::Refused);
  ASSERT_EQ(r.Unfit.size(), 3u);
  EXPECT_EQ(r.Unfit[0].Reason, "однопутная схема, участок двухпутный");
  EXPECT_EQ(r.Unfit[1].Reason, "схема переменного тока, участок постоянного");
  EXPECT_NE(r.Unfit[2].Reason.find("Откл Ф2 и Ф4"), std::string::npos);
  ASSERT_FALSE(z.host.messages.empty());
  EXPECT_EQ(z.host.messages.back().text.rfind("Нет схемы для сравнения", 0), 0u);
}

// Random flows: realization r meets the same trains on every scheme, and
// the realizations on two jobs are those of one.
TEST(CompareSchemes, RandomFlowsTheSameTrainsForEverySchemeOnEveryCore) {
  CompareResult one, two;
  for (unsigned jobs : {1u, 2u}) {
    Zone z(3);
    z.S().Options.BuildCharts = true;
    WriteProbTrainRecord(z.S(), DefaultProbTrainRecord());
    LoadProbTrainParams(z.S());
    EnterProbMode(z.S());
    StudyControl ctl;
    ctl.Jobs = jobs;
    CompareInput in;
    in.Runs = 3;
    in.Schemes = {3, 4};
    CompareResult r = CompareSchemes(z.S(), in, ctl);
    ASSERT_EQ(r.Outcome, RunOutcome::Finished);
    (jobs == 1 ? one : two) = r;
  }
  ExpectSameResult(one, two);
  ASSERT_EQ(one.Schemes.size(), 2u);
  ASSERT_EQ(one.Schemes[0].Runs.size(), 3u);
  bool differ = false;
  for (size_t r = 0; r < 3; ++r) {
    const NormCompliance &a = one.Schemes[0].Runs[r].Norms, &b = one.Schemes[1].Runs[r].Norms;
    ASSERT_EQ(a.Trains.size(), b.Trains.size()) << r;
    for (size_t t = 0; t < a.Trains.size(); ++t) {
      EXPECT_EQ(a.Trains[t].Train, b.Trains[t].Train);
      EXPECT_EQ(a.Trains[t].MinutesDrawing, b.Trains[t].MinutesDrawing);
    }
    differ = differ || one.Schemes[0].Runs[r].LossWh != one.Schemes[0].Runs[0].LossWh;
  }
  EXPECT_TRUE(differ) << "the realizations are not one and the same";
}

TEST(CompareSchemes, SummaryOfRealizations) {
  const FigureSummary s = Summarize({1, 2, 3, 4});
  EXPECT_DOUBLE_EQ(s.Mean, 2.5);
  EXPECT_NEAR(s.Sd, 1.2909944487, 1e-9);
  EXPECT_NEAR(s.High - s.Mean, 3.182 * 1.2909944487 / 2, 1e-9);
  EXPECT_NEAR(s.Mean - s.Low, 3.182 * 1.2909944487 / 2, 1e-9);
  const FigureSummary one = Summarize({7});
  EXPECT_EQ(one.Sd, 0);
  EXPECT_EQ(one.Low, 7);
  EXPECT_EQ(one.High, 7);
  EXPECT_EQ(NiceTop(0), 1);
  EXPECT_EQ(NiceTop(3300), 5000);
  EXPECT_EQ(NiceTop(20), 20);
}

// The chart: a bar per scheme in each panel, both norm lines, valid SVG text.
TEST(CompareSchemes, ChartHasABarPerSchemeAndTheNormLines) {
  CompareZone z(3);
  StudyControl ctl;
  CompareInput in;
  in.Schedule = "cmp.gdp";
  const CompareResult r = CompareSchemes(z.S(), in, ctl);
  const ChartGeometry g = BuildCompareChart(r, kPantographNormsDc);
  ASSERT_EQ(g.Norms.size(), 2u);
  EXPECT_EQ(g.Norms[0].Y1, g.Norms[0].Y2);
  EXPECT_LT(g.Norms[0].Y1, g.Norms[1].Y1);  // 2700 V above 2400 V
  int labels = 0;
  for (const ChartText& t : g.Texts) labels += t.Text.rfind("Схема ", 0) == 0;
  EXPECT_EQ(labels, 6);
  const std::string svg = ChartSvgText(g);
  EXPECT_EQ(svg.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\"", 0), 0u);
  EXPECT_NE(svg.find("Наименьшее напряжение на токоприемнике, В"), std::string::npos);
  EXPECT_NE(svg.find("stroke=\"#FFC73A\""), std::string::npos);  // the first norm's amber
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
  EXPECT_THROW(BuildCompareChart(CompareResult{}, kPantographNormsDc), ChartError);
}
