#include <gtest/gtest.h>

#include "circuit/schemes.h"
#include "driver/testrun.h"
#include "params/state.h"
#include "solver/norms.h"
#include "solver/report.h"
#include "solver/solve.h"
#include "zone_fixture.h"

using namespace tps;
using tpstest::Zone;

namespace {

// One train of 1000 A running from km 0.5 at 1 km/min on the 10 km console
// (0.15 Ohm/km from substation A at 3300 V): at the step of minute k it
// stands at km 0.5 + k with U = 3300 - 150 (0.5 + k). It falls below 2700 V
// past km 4 (minute 3.5: the steps of minutes 4..9) and below 2400 V past
// km 6 (the steps of minutes 6..9); the lowest, 1875 V, at km 9.5, minute 9,
// step 10.
void RunOneTrain(AppState& st) {
  ResetRunAccumulators(st);
  st.Params.TrainKm.Set("0.5");
  ASSERT_TRUE(AddTrain(st, 1));
  for (int guard = 0; guard < 100 && !st.Trains.Empty(); ++guard) RunOneStep(st);
  ASSERT_TRUE(st.Trains.Empty());
}

}  // namespace

TEST(Norms, OneTrainCrossingTheNormsAtKnownMinutes) {
  Zone z(1, "10");
  RunOneTrain(z.S());
  const NormCompliance& nc = NormsOf(z.S());
  EXPECT_EQ(nc.Norms.Norm1, 2700);
  EXPECT_EQ(nc.Norms.Norm2, 2400);
  EXPECT_EQ(nc.StepsChecked, 10u);
  ASSERT_EQ(nc.Trains.size(), 1u);
  const TrainCompliance& t = nc.Trains[0];
  EXPECT_EQ(t.Train, 1);
  EXPECT_EQ(t.Track, 1);
  EXPECT_DOUBLE_EQ(t.MinutesDrawing, 10);
  EXPECT_DOUBLE_EQ(t.MinutesBelow1, 6);
  EXPECT_DOUBLE_EQ(t.MinutesBelow2, 4);
  ASSERT_TRUE(t.Lowest.Known);
  EXPECT_NEAR(t.Lowest.Voltage, 1875, 1e-6);
  EXPECT_EQ(t.Lowest.Step, 10u);
  EXPECT_DOUBLE_EQ(t.Lowest.TimeMin, 9);
  EXPECT_DOUBLE_EQ(t.Lowest.Km, 9.5);
  // The mean of 3300 - 150 x over x = 0.5 .. 9.5.
  EXPECT_NEAR(nc.MeanUsefulVoltage(), 2550, 1e-6);
  EXPECT_DOUBLE_EQ(nc.Below1Share(), 0.6);
  EXPECT_DOUBLE_EQ(nc.Below2Share(), 0.4);
  EXPECT_EQ(nc.Lowest.Train, 1);
  EXPECT_FALSE(nc.KeepsNorm2());
  // Substation A delivers the train's 1000 A at every step.
  ASSERT_EQ(nc.Feeders.size(), 1u);
  EXPECT_EQ(nc.Feeders[0].Name, "Ф1");
  EXPECT_NEAR(nc.Feeders[0].Peak, 1000, 1e-6);
  EXPECT_NEAR(nc.Feeders[0].Rms(), 1000, 1e-6);
}

// The random flow gives a number freed by a train that left to a later
// one: two trains, each with its own figures.
TEST(Norms, ANumberTakenAgainIsAnotherTrain) {
  Zone z(1, "10");
  AppState& st = z.S();
  ResetRunAccumulators(st);
  st.Params.TrainKm.Set("0.5");
  ASSERT_TRUE(AddTrain(st, 1));
  for (int guard = 0; guard < 100 && !st.Trains.Empty(); ++guard) RunOneStep(st);
  st.Params.TrainKm.Set("8.5");
  ASSERT_TRUE(AddTrain(st, 1));
  for (int guard = 0; guard < 100 && !st.Trains.Empty(); ++guard) RunOneStep(st);
  const NormCompliance& nc = NormsOf(st);
  ASSERT_EQ(nc.Trains.size(), 2u);
  EXPECT_EQ(nc.Trains[0].Train, 1);
  EXPECT_EQ(nc.Trains[1].Train, 1);
  EXPECT_DOUBLE_EQ(nc.Trains[0].MinutesDrawing, 10);
  EXPECT_DOUBLE_EQ(nc.Trains[1].MinutesDrawing, 2);  // km 8.5 and 9.5
  EXPECT_NEAR(nc.Trains[1].Lowest.Voltage, 1875, 1e-6);
  EXPECT_DOUBLE_EQ(nc.Trains[1].MinutesBelow2, 2);
}

// A train standing without current is no load: its voltage does not count.
TEST(Norms, TrainsWithoutCurrentAndANewRunStartAfresh) {
  Zone z(1, "10");
  AppState& st = z.S();
  st.Params.TrainActive.Set("0");
  st.Params.TrainKm.Set("9");
  ASSERT_TRUE(AddTrain(st, 1));
  ASSERT_TRUE(BuildStepCircuit(st));
  SolveStep(st);
  EXPECT_EQ(NormsOf(st).DrawingMinutes, 0);
  EXPECT_EQ(NormsOf(st).MeanUsefulVoltage(), 0);
  ASSERT_EQ(NormsOf(st).Trains.size(), 1u);
  EXPECT_FALSE(NormsOf(st).Trains[0].Lowest.Known);
  ResetRunAccumulators(st);
  EXPECT_EQ(NormsOf(st).StepsChecked, 0u);
  EXPECT_TRUE(NormsOf(st).Trains.empty());
}

// The light solution has no potentials: a step solved by it checks nothing.
TEST(Norms, LightSolutionChecksNothing) {
  Zone z(1, "10");
  AppState& st = z.S();
  ResetRunAccumulators(st);
  ASSERT_TRUE(AddTrain(st, 1));
  ASSERT_TRUE(BuildStepCircuit(st));
  SolveStepQuick(st);
  EXPECT_EQ(NormsOf(st).StepsChecked, 0u);
  EXPECT_EQ(NormComplianceLines(NormsOf(st)).size(), 1u);
}

// Two AC tracks fed from both ends: four feeders, the sum of what the
// substations deliver equals the trains' current when the buses are equal.
TEST(Norms, AcDoubleTrackNormsAndFourFeeders) {
  Zone z(10, "20");
  AppState& st = z.S();
  st.Params.TrainKm.Set("5");
  ASSERT_TRUE(AddTrain(st, 1));
  ASSERT_TRUE(AddTrain(st, 2));
  ASSERT_TRUE(BuildStepCircuit(st));
  SolveStep(st);
  const NormCompliance& nc = NormsOf(st);
  EXPECT_EQ(nc.Norms.Norm1, 21000);
  EXPECT_EQ(nc.Norms.Norm2, 19000);
  ASSERT_EQ(nc.Feeders.size(), 4u);
  EXPECT_EQ(nc.Feeders[3].Name, "Ф4");
  EXPECT_EQ(nc.Trains.size(), 2u);
  EXPECT_GT(nc.MeanUsefulVoltage(), 19000);
  EXPECT_LT(nc.MeanUsefulVoltage(), 27500);
}

TEST(Norms, TheBlockOfTheResultsNamesTheFigures) {
  Zone z(1, "10");
  RunOneTrain(z.S());
  const std::vector<std::string> lines = NormComplianceLines(NormsOf(z.S()));
  auto has = [&](const std::string& text) {
    for (const std::string& l : lines)
      if (l == text) return true;
    ADD_FAILURE() << "no line: " << text;
    return false;
  };
  has("Нормы: 2700 В (минимум на ТКПР), 2400 В (минимум на ТКПР*)");
  has("Среднее полезное напряжение: 2550.0 В");
  has("Ниже 2700 В: 60.00 % поездо-минут");
  has("Наименьшее напряжение: 1875.0 В, поезд 1, шаг 10, 9 мин, 9.5 км");
  has("Поезд 1 (путь 1): ниже 2700 В 6 мин, ниже 2400 В 4 мин, наименьшее 1875.0 В (9 мин, 9.5 км)");
  has("Фидер Ф1: наибольший ток 1000.0 А, действующий 1000.0 А");
  EXPECT_EQ(NormComplianceLines(NormCompliance{}).size(), 1u);
}
