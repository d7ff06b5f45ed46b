// The step solution's matrix core against the literal one, bit for bit,
// on the circuits the scheme builders make for all twelve feeding schemes
// with many trains on the zone.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "circuit/schemes.h"
#include "params/conv.h"
#include "reference_solver.h"
#include "solver/solve.h"
#include "zone_fixture.h"

using namespace tps;
using tpstest::Zone;

namespace {

std::string Mismatch(const CMat& a, const CMat& b, int rows) {
  if (a.Rows() != b.Rows() || a.Cols() != b.Cols()) return "shape differs";
  for (int i = 1; i <= rows; ++i)
    if (std::memcmp(&a(i, 1), &b(i, 1), sizeof(TComplex)) != 0) return "row " + std::to_string(i);
  return "";
}

// A zone of the variant with `perTrack` trains on each track it carries,
// spread along it with currents that differ from train to train.
void LoadZone(AppState& st, int variant, int perTrack, double zoneKm) {
  const bool dc = IsDcVariant(variant);
  const int tracks = IsSingleTrackVariant(variant) ? 1 : 2;
  for (int track = 1; track <= tracks; ++track)
    for (int k = 0; k < perTrack; ++k) {
      double km = zoneKm * (k + (track == 1 ? 0.31 : 0.67)) / perTrack;
      st.Params.TrainKm.Set(FloatToStr(RoundTo(km, 3)));
      st.Params.TrainActive.Set(FloatToStr((dc ? 800 : 200) + 11 * k + 5 * track));
      st.Params.TrainReactive.Set(dc ? kNotGiven : FloatToStr(-80 - 4 * k));
      ASSERT_TRUE(AddTrain(st, track));
    }
}

void ExpectSameStep(StepCircuit& built, const std::string& what) {
  const int n = built.NodeCount, m = built.BranchCount;
  for (bool potentials : {true, false}) {
    StepCircuit fastIn = reference::CopyCircuit(built), refIn = reference::CopyCircuit(built);
    StepResult fast = SolveCircuit(fastIn, potentials);
    StepResult ref = reference::SolveCircuit(refIn, potentials);
    EXPECT_EQ(fastIn.LoopCount, m - n);
    EXPECT_EQ(Mismatch(fast.I, ref.I, m), "") << what << ": currents";
    EXPECT_EQ(Mismatch(fast.S, ref.S, 1), "") << what << ": loss";
    if (potentials) EXPECT_EQ(Mismatch(fast.Phi, ref.Phi, n), "") << what << ": potentials";
    else EXPECT_TRUE(fast.Phi.Empty()) << what;
    // The step's matrices are released by the solution.
    EXPECT_TRUE(fastIn.MatM.Empty() && fastIn.MatN.Empty() && fastIn.MatZ.Empty() && fastIn.MatE.Empty() &&
                fastIn.MatJ.Empty())
        << what;
  }
}

}  // namespace

class FastStepAllSchemes : public ::testing::TestWithParam<int> {};

TEST_P(FastStepAllSchemes, ManyTrainsGiveTheSameBitsAsTheLiteralSolution) {
  const int variant = GetParam();
  Zone z(variant, "30");
  z.S().Params.PskKm.Set("15");
  z.S().Params.Pps1Km.Set("7.5");
  z.S().Params.Pps2Km.Set("22.5");
  LoadZone(z.S(), variant, 18, 30);
  ASSERT_TRUE(BuildStepCircuit(z.S()));
  ExpectSameStep(z.S().Circuit, "variant " + std::to_string(variant));
}

TEST_P(FastStepAllSchemes, EmptyZoneGivesTheSameBits) {
  const int variant = GetParam();
  Zone z(variant, "20");
  ASSERT_TRUE(BuildStepCircuit(z.S()));
  ExpectSameStep(z.S().Circuit, "empty variant " + std::to_string(variant));
}

INSTANTIATE_TEST_SUITE_P(Variants, FastStepAllSchemes, ::testing::Range(1, 13));

TEST(FastStep, TrainsMovingThroughTheZoneStepByStep) {
  // One zone stepped along: every step's circuit has the trains elsewhere.
  Zone z(10, "24");
  LoadZone(z.S(), 10, 6, 24);
  for (int step = 0; step < 6; ++step) {
    ASSERT_TRUE(BuildStepCircuit(z.S()));
    ExpectSameStep(z.S().Circuit, "step " + std::to_string(step));
    for (elvoz& t : z.S().Trains.Trains1) t.Km = t.Km + 0.9 < 24 ? t.Km + 0.9 : t.Km + 0.9 - 24;
    for (elvoz& t : z.S().Trains.Trains2) t.Km = t.Km - 0.7 > 0 ? t.Km - 0.7 : t.Km - 0.7 + 24;
  }
}
