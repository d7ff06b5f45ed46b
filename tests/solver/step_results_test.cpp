// The step's results against hand calculations on the default DC zone: the
// energy taken by the zone, the lowest pantograph voltage with Ф2 and Ф4
// off, a solution that is not a number, and a zone asked for more than it
// can carry.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "circuit/schemes.h"
#include "params/errors.h"
#include "solver/report.h"
#include "solver/solve.h"
#include "zone_fixture.h"

using namespace tps;
using tpstest::Zone;

namespace {

// The conductors a new user starts with on DC: МФ-100 0.179, М-120 0.158,
// Р65 0.0155 Ohm/km, no reinforcing feeder; a 20 km zone.
constexpr double kL = 20;
constexpr double kR = 0.0155 + 0.179 * 0.158 / (0.179 + 0.158);  // 0.09942 Ohm/km

void DefaultDcZone(AppState& st, const char* ua, const char* ub) {
  TParamBlock& p = st.Params;
  p.ContactWireR = 0.179;
  p.MessengerR = 0.158;
  p.RailR = 0.0155;
  p.FeederType.Set(kNoFeeder);
  p.ZoneLength.Set("20");
  p.UaRe.Set(ua);
  p.UbRe.Set(ub);
}

void AddTrainAt(AppState& st, int track, const std::string& km, const std::string& active) {
  st.Params.TrainKm.Set(km);
  st.Params.TrainActive.Set(active);
  ASSERT_TRUE(AddTrain(st, track));
}

void Step(AppState& st) {
  ASSERT_TRUE(BuildStepCircuit(st));
  SolveStep(st);
}

// Current delivered by substation A to a load I at x km of a two-sided line.
double FromA(double ua, double ub, double i, double x) {
  return ((ua - ub) + i * kR * (kL - x)) / (kR * kL);
}

}  // namespace

// The supplied power of a step is what the two substations deliver, the
// power the trains take plus the loss, with each source at its own bus.
TEST(StepResults, SuppliedEnergyIsThePowerTheZoneTakes) {
  {
    // Double track, one train of 1000 A on track 2 at km 10, Ua 3300, Ub 3000:
    // track 1 has no train, its source B is open and its far end sits at Ua.
    Zone z(3);
    DefaultDcZone(z.S(), "3300", "3000");
    AddTrainAt(z.S(), 2, "10", "1000");
    ResetRunStart(z.S());
    Step(z.S());
    EXPECT_EQ(z.S().EnergySupplied[0], 0);  // the first step of a run adds nothing
    Step(z.S());
    double ia = FromA(3300, 3000, 1000, 10);  // 650.87 A
    double p = 3300 * ia + 3000 * (1000 - ia);
    EXPECT_NEAR(p, 3.195e6, 1e3);  // 3.300 MW when B was counted at Ua
    EXPECT_NEAR(z.S().CurP * 60, p, 1e-3);
    EXPECT_NEAR(z.S().EnergySupplied[0], p / 60 / 2, 1e-6);
    // The same power as the train's plus the loss.
    double ut = 3300 - ia * kR * 10;
    EXPECT_NEAR(z.S().CurP * 60, ut * 1000 + z.S().StepLoss, 1e-3);
  }
  {
    // Single track fed from both ends, Ua 3400, Ub 3200, 100 A at km 2:
    // the equalising current flows into substation B, which takes power.
    Zone z(2);
    DefaultDcZone(z.S(), "3400", "3200");
    AddTrainAt(z.S(), 1, "2", "100");
    ResetRunStart(z.S());
    Step(z.S());
    Step(z.S());
    double ia = FromA(3400, 3200, 100, 2);  // 190.58 A; B takes 90.58 A
    double p = 3400 * ia + 3200 * (100 - ia);
    EXPECT_NEAR(p, 358.1e3, 100);  // 937.8 kW counted as |P_A| + |P_B|
    EXPECT_NEAR(z.S().CurP * 60, p, 1e-3);
    double ut = 3400 - ia * kR * 2;
    EXPECT_NEAR(z.S().CurP * 60, ut * 100 + z.S().StepLoss, 1e-3);
    EXPECT_NEAR(z.S().LossPercent, z.S().EnergyLoss * 100 / z.S().EnergySupplied[0], 1e-9);
    EXPECT_GT(z.S().LossPercent, 2 * 21905.7 / 937.8e3 * 100);
  }
}

// Variant 6: track 2 is disconnected and keeps its two end nodes, track 1
// is cut by three trains; its far trains are the lowest.
TEST(StepResults, LowestVoltageOverTrack1WhenF2F4AreOff) {
  Zone z(6);
  DefaultDcZone(z.S(), "3300", "3300");
  for (const char* km : {"2", "4", "12"}) AddTrainAt(z.S(), 1, km, "1000");
  ResetRunStart(z.S());
  Step(z.S());
  // At km 12 each load x drops I r min(x, 12) (L - max(x, 12)) / L.
  double drop = 1000 * kR * (2 * 8 + 4 * 8 + 12 * 8) / kL;
  EXPECT_NEAR(CAbs(z.S().MinVoltage), 3300 - drop, 1e-6);  // 2584.155 V; 2663.694 V over n div 2 nodes
  EXPECT_NEAR(CAbs(z.S().MinVoltage), 2584.155, 1e-3);
  EXPECT_NEAR(z.S().MeanVoltage, (3300 + 3300 - drop) / 2, 1e-6);
}

// A solution holding a value that is not a finite number stops the run in
// every solve form, naming the step.
TEST(StepResults, NonFiniteSolutionStopsTheRun) {
  const char* expected = "Шаг 1: решение схемы содержит нечисловое значение, расчёт остановлен";
  for (int form = 0; form < 3; ++form) {
    Zone z(1);
    DefaultDcZone(z.S(), "3300", "н/и");
    AddTrainAt(z.S(), 1, "10", "1000");
    // A current beyond any double: the loss overflows.
    z.S().Trains.Trains1[0].Current = {std::numeric_limits<double>::max(), 0};
    ResetRunStart(z.S());
    ASSERT_TRUE(BuildStepCircuit(z.S()));
    try {
      if (form == 0)
        SolveStep(z.S());
      else if (form == 1)
        SolveStepQuick(z.S());
      else
        SolveAndKeep(z.S());
      ADD_FAILURE() << "no error in form " << form;
    } catch (const NonFiniteError& e) {
      EXPECT_STREQ(e.what(), expected);
    }
    EXPECT_EQ(z.S().EnergyLoss, 0) << form;
    EXPECT_EQ(z.S().MinVoltageStep, 0) << form;
  }
}

// A train asked for more current than the zone can carry: the numbers stay,
// one warning per run names the step and the train.
TEST(StepResults, PantographBelowZeroIsWarnedOncePerRun) {
  Zone z(1);
  DefaultDcZone(z.S(), "3300", "н/и");
  z.S().Params.ZoneLength.Set("200");
  AddTrainAt(z.S(), 1, "30", "1500");
  ResetRunStart(z.S());
  Step(z.S());
  // 3300 - 1500 * 0.09942 * 30 = -1174.028 V at the pantograph.
  EXPECT_NEAR(z.S().MinVoltage.Re, 3300 - 1500 * kR * 30, 1e-6);
  ASSERT_EQ(z.host.messages.size(), 1u);
  EXPECT_EQ(z.host.messages[0].kind, MsgKind::Warning);
  EXPECT_EQ(z.host.messages[0].text,
            "Шаг 1: напряжение на токоприемнике поезда 1 упало до 0 или ниже (-1174.028 В): участок не может "
            "питать такую нагрузку");
  Step(z.S());
  EXPECT_EQ(z.host.messages.size(), 1u);
  ResetRunStart(z.S());
  z.S().StepCount = 4;
  Step(z.S());
  ASSERT_EQ(z.host.messages.size(), 2u);
  EXPECT_EQ(z.host.messages[1].text.rfind("Шаг 5: напряжение на токоприемнике поезда 1", 0), 0u);
}
