#include <gtest/gtest.h>

#include <cmath>

#include "circuit/schemes.h"
#include "solver/report.h"
#include "solver/solve.h"
#include "zone_fixture.h"

using namespace tps;
using tpstest::Zone;

namespace {

void AddTrainAt(AppState& st, int track, const std::string& km, const std::string& active,
                const std::string& reactive = "н/и") {
  st.Params.TrainKm.Set(km);
  st.Params.TrainActive.Set(active);
  st.Params.TrainReactive.Set(reactive);
  ASSERT_TRUE(AddTrain(st, track));
}

void Step(AppState& st) {
  ASSERT_TRUE(BuildStepCircuit(st));
  SolveStep(st);
}

// The potential of the node where train `number` stands.
TComplex TrainVoltage(const AppState& st, int number) {
  const StepCircuit& c = st.Circuit;
  for (size_t i = 0; i < c.NodeTrain.size(); ++i)
    if (c.NodeTrain[i] == number) return c.LastPotentials(static_cast<int>(i) + 1, 1);
  ADD_FAILURE() << "train " << number << " not found";
  return {};
}

}  // namespace

// E - I r x (L - x) / L at the pantograph; loss I^2 r x (L - x) / L.
TEST(SolveDc, TwoSidedSingleTrackMatchesTheHandCalculation) {
  for (double x : {0.0, 5.0, 10.0, 13.7, 20.0}) {
    Zone z(2);
    AddTrainAt(z.S(), 1, FloatToStr(x), "1000");
    Step(z.S());
    const double r = 0.15, L = 20, I = 1000, E = 3300;
    double req = r * x * (L - x) / L;
    TComplex u = TrainVoltage(z.S(), 1);
    EXPECT_NEAR(u.Re, E - I * req, 1e-6) << x;
    EXPECT_EQ(u.Im, 0);
    EXPECT_NEAR(z.S().StepLoss, I * I * req, 1e-4) << x;
  }
}

TEST(SolveDc, ConsoleFeedsFromSubstationAOnly) {
  Zone z(1);
  AddTrainAt(z.S(), 1, "8", "500");
  Step(z.S());
  const double r = 0.15, I = 500, E = 3300;
  EXPECT_NEAR(TrainVoltage(z.S(), 1).Re, E - I * r * 8, 1e-6);
  EXPECT_NEAR(z.S().StepLoss, I * I * r * 8, 1e-4);
  // All of the train current comes through feeder 1.
  EXPECT_NEAR(z.S().Circuit.LastCurrents(1, 1).Re, 500, 1e-6);
}

TEST(SolveDc, EqualEmfsWithoutLoadCarryNoCurrent) {
  for (int v : {2, 3, 8, 10}) {
    Zone z(v);
    Step(z.S());
    const StepCircuit& c = z.S().Circuit;
    double emf = IsDcVariant(v) ? 3300 : 27500;
    for (int b = 1; b <= c.BranchCount; ++b) EXPECT_EQ(c.LastCurrents(b, 1), (TComplex{0, 0})) << v;
    for (int i = 1; i <= c.NodeCount; ++i) {
      EXPECT_NEAR(c.LastPotentials(i, 1).Re, emf, 1e-6) << v;
      EXPECT_NEAR(c.LastPotentials(i, 1).Im, 0, 1e-6) << v;
    }
    EXPECT_EQ(z.S().StepLoss, 0);
  }
}

TEST(SolveDc, ParallelPostsShareTheLoadBetweenTracks) {
  Zone z(5);
  AddTrainAt(z.S(), 1, "12", "1000");
  Step(z.S());
  const StepCircuit& c = z.S().Circuit;
  // Every feeder carries part of the load; the four add up to the train current.
  double sum = 0;
  for (int b : {c.FeederBranch1, c.FeederBranch2}) sum += c.LastCurrents(b, 1).Re;
  for (int b : {c.FeederBranch3, c.FeederBranch4}) sum -= c.LastCurrents(b, 1).Re;
  EXPECT_NEAR(sum, 1000, 1e-6);
  EXPECT_GT(c.LastCurrents(c.FeederBranch2, 1).Re, 0);
}

TEST(SolveAc, ReportedCurrentsAreConjugated) {
  Zone z(7);
  AddTrainAt(z.S(), 1, "6", "250", "-100");
  Step(z.S());
  TComplex i1 = z.S().Circuit.LastCurrents(1, 1);
  EXPECT_NEAR(i1.Re, 250, 1e-6);
  EXPECT_NEAR(i1.Im, 100, 1e-6);
  // Loss = |I|^2 Re(z) x for a console feed.
  TComplex perKm = AcSingleTrackPerKm(z.S().Params).Self;
  EXPECT_NEAR(z.S().StepLoss, (250.0 * 250 + 100 * 100) * perKm.Re * 6, 1e-3);
}

TEST(SolveAc, AllTwelveSchemesSolveWithTrainsOnBothTracks) {
  for (int v = 1; v <= 12; ++v) {
    Zone z(v);
    bool dc = IsDcVariant(v);
    AddTrainAt(z.S(), 1, "3", dc ? "1500" : "250", dc ? "н/и" : "-100");
    if (!IsSingleTrackVariant(v) && v != 6 && v != 12) AddTrainAt(z.S(), 2, "14", dc ? "1500" : "250", dc ? "н/и" : "-100");
    Step(z.S());
    double emf = dc ? 3300 : 27500;
    EXPECT_GT(z.S().StepLoss, 0) << v;
    EXPECT_LT(CAbs(z.S().MinVoltage), emf) << v;
    EXPECT_GT(CAbs(z.S().MinVoltage), 0.5 * emf) << v;
    EXPECT_EQ(z.S().StepCount, 1u);
    EXPECT_EQ(z.S().Params.ResultsPending, 1);
  }
}

TEST(SolveAccumulators, TwoEqualStepsIntegrateToOneMinuteOfLoss) {
  Zone z(2);
  AddTrainAt(z.S(), 1, "5", "1000");
  ResetRunStart(z.S());
  Step(z.S());
  double p = z.S().StepLoss;
  EXPECT_NEAR(z.S().EnergyLoss, p / 2 / 60, 1e-9);
  EXPECT_EQ(z.S().EnergySupplied[0], 0);  // the first step adds no supplied energy
  EXPECT_EQ(z.S().EnergySupplied[1], 0);
  Step(z.S());
  // The second step integrates the trapezoid (p + p) / 2 over one minute.
  EXPECT_NEAR(z.S().EnergyLoss - p / 2 / 60, p / 60, 1e-9);
  EXPECT_GT(z.S().EnergySupplied[0], 0);
  EXPECT_EQ(z.S().LossSeries.Losses.size(), 3u);
  EXPECT_EQ(z.S().LossSeries.Losses[1], p);
  EXPECT_EQ(z.S().LossSeries.StepIndex[1], 1);
  EXPECT_EQ(z.S().LossSeries.Losses[2], 0);
  EXPECT_EQ(z.S().LossSeries.MaxLoss, p);
  EXPECT_NEAR(z.S().LossPercent, z.S().EnergyLoss * 100 / z.S().EnergySupplied[0], 1e-12);
  // Supplied power of a two-sided single track: |Ub Re I(m)| + |Ua Re I(1)| per minute.
  // The first step leaves the power register at 0, so the second adds half a step.
  EXPECT_NEAR(z.S().EnergySupplied[0], 3300.0 * 1000 / 60 / 2, 1e-6);
}

// The energy taken from both substations of a double-track zone: the powers
// of bus A (feeders Ф1, Ф2) and bus B (Ф3, Ф4) add up to E times the train
// current, however the load divides between the substations.
TEST(SolveAccumulators, SuppliedEnergyOfADoubleTrackZoneCountsBothSubstations) {
  for (int v : {3, 4, 10}) {
    Zone z(v);
    bool dc = IsDcVariant(v);
    AddTrainAt(z.S(), 1, "5", dc ? "1000" : "250", dc ? "н/и" : "0");
    AddTrainAt(z.S(), 2, "13", dc ? "1000" : "250", dc ? "н/и" : "0");
    ResetRunStart(z.S());
    Step(z.S());
    Step(z.S());
    // Two trains; the first step leaves the power register at 0, so the
    // second adds half a minute of the full power.
    double e = dc ? 3300 : 27500, i = dc ? 1000 : 250;
    EXPECT_NEAR(z.S().EnergySupplied[0], e * 2 * i / 60 / 2, e * 2 * i / 60 * 1e-6) << v;
  }
}

// The mean useful voltage: the pantograph voltages of the trains drawing
// current, averaged over the train-minutes of the full steps; a train of 0 A
// and a step of the light solution add nothing.
TEST(SolveAccumulators, MeanUsefulVoltageOfTheTrainsDrawingCurrent) {
  Zone z(2);
  AddTrainAt(z.S(), 1, "5", "1000");
  AddTrainAt(z.S(), 1, "15", "0");
  ResetRunStart(z.S());
  double u = 0;
  EXPECT_FALSE(MeanUsefulVoltage(z.S(), u));
  Step(z.S());  // 3300 - 1000 * 0.15 * 5 * 15 / 20
  z.S().Trains.Trains1[0].Current = {500, 0};
  Step(z.S());  // 3300 - 500 * 0.5625
  ASSERT_TRUE(BuildStepCircuit(z.S()));
  SolveStepQuick(z.S());
  ASSERT_TRUE(MeanUsefulVoltage(z.S(), u));
  EXPECT_NEAR(u, (2737.5 + 3018.75) / 2, 1e-9);
  EXPECT_DOUBLE_EQ(z.S().UsefulTrainMinutes, 2);
  ResetRunStart(z.S());
  EXPECT_FALSE(MeanUsefulVoltage(z.S(), u));
}

TEST(SolveAccumulators, QuickSolveTouchesOnlyTheLoss) {
  Zone z(2);
  AddTrainAt(z.S(), 1, "5", "1000");
  ResetRunStart(z.S());
  ASSERT_TRUE(BuildStepCircuit(z.S()));
  SolveStepQuick(z.S());
  EXPECT_GT(z.S().StepLoss, 0);
  EXPECT_EQ(z.S().StepCount, 1u);
  EXPECT_EQ(z.S().MinVoltage, (TComplex{999999, 999999}));
  EXPECT_TRUE(z.S().Chart.LossKw.empty());
}

TEST(SolveAccumulators, MinimumOverTheFirstHalfWhenF2F4AreOff) {
  Zone z(6);
  AddTrainAt(z.S(), 1, "10", "1000");
  Step(z.S());
  // Track 2 is dead (no EMF, open sources): without the halving its zero
  // potentials would be the minimum.
  EXPECT_TRUE(z.S().Scheme.Box3);
  // 3300 - 1000 * 0.15 * 10 * 10 / 20 at the train in the middle of track 1.
  EXPECT_NEAR(CAbs(z.S().MinVoltage), 2550, 1e-6);
  EXPECT_EQ(z.S().MinVoltageStep, 1);
  z.S().Scheme.Box3 = false;
  Step(z.S());
  EXPECT_LT(CAbs(z.S().MinVoltage), 1);
  EXPECT_EQ(z.S().MinVoltageStep, 2);
}

TEST(SolveAccumulators, InducedVoltageOnTheDisconnectedTrackOfVariant12) {
  Zone z(12);
  AddTrainAt(z.S(), 1, "10", "250", "-100");
  Step(z.S());
  EXPECT_GT(CAbs(z.S().MaxVoltage), 0);
  EXPECT_EQ(z.S().MaxVoltageStep, 1);
  Zone y(10);
  AddTrainAt(y.S(), 1, "10", "250", "-100");
  Step(y.S());
  EXPECT_EQ(y.S().MaxVoltage, (TComplex{0, 0}));
}

TEST(ChartRecord, TrainAndFeederSeriesPerStep) {
  Zone z(3);
  z.S().Chart.Reset();
  AddTrainAt(z.S(), 1, "5", "1000");
  AddTrainAt(z.S(), 2, "15", "1000");
  Step(z.S());
  z.S().ModelTime = 1;
  Step(z.S());
  const ChartData& cd = z.S().Chart;
  EXPECT_EQ(cd.FeedKind, 4);
  ASSERT_EQ(cd.TrainSeries.size(), 2u);
  EXPECT_EQ(cd.TrainSeries[0].Number, 1);
  EXPECT_EQ(cd.TrainSeries[0].Count, 2);
  EXPECT_EQ(cd.TrainSeries[0].Times[1], 1);
  EXPECT_EQ(cd.Times.size(), 2u);
  for (int s = 0; s < 8; ++s) EXPECT_EQ(cd.Series[s].size(), 2u) << s;
  // Feeder 1 feeds the load: positive; Ф3 flows against its direction: the
  // negated sign makes it positive too.
  EXPECT_GT(cd.Series[0][0], 0);
  EXPECT_GT(cd.Series[2][0], 0);
  EXPECT_NEAR(cd.LossKw[0], z.S().StepLoss / 1000, 1e-12);
  EXPECT_EQ(z.S().LossFieldText, FloatToStr(RoundTo(z.S().StepLoss / 1000, 3)));
}
