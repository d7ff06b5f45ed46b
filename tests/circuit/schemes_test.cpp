#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "circuit/schemes.h"
#include "params/errors.h"
#include "zone_fixture.h"

using namespace tps;
using tpstest::Zone;

namespace {

const TComplex kOpen{99999999, 0};

void AddTrainAt(AppState& st, int track, const std::string& km, const std::string& active = "1000",
                const std::string& reactive = "н/и") {
  st.Params.TrainKm.Set(km);
  st.Params.TrainActive.Set(active);
  st.Params.TrainReactive.Set(reactive);
  ASSERT_TRUE(AddTrain(st, track));
}

TComplex Z(const AppState& st, int b) { return st.Circuit.MatZ(b, b); }
TComplex E(const AppState& st, int b) { return st.Circuit.MatE(b, 1); }

}  // namespace

TEST(SchemeVariant, ControlsGiveTheVariantFirstCheckedBoxDecides) {
  SchemeControls c;
  EXPECT_EQ(DeriveSchemeVariant(c), 0);
  c.CurrentKind = 1;
  EXPECT_EQ(DeriveSchemeVariant(c), 2);
  c.Box1 = true;
  EXPECT_EQ(DeriveSchemeVariant(c), 1);
  c = {};
  c.Tab = 1;
  c.CurrentKind = 1;
  EXPECT_EQ(DeriveSchemeVariant(c), 3);
  c.Box2 = c.Box3 = true;
  EXPECT_EQ(DeriveSchemeVariant(c), 5);
  c.Box1 = true;
  EXPECT_EQ(DeriveSchemeVariant(c), 4);
  c = {};
  c.Tab = 1;
  c.CurrentKind = 2;
  c.Box3 = true;
  EXPECT_EQ(DeriveSchemeVariant(c), 12);
  c.Box2 = true;
  EXPECT_EQ(DeriveSchemeVariant(c), 9);
  for (int v = 1; v <= 12; ++v) EXPECT_EQ(DeriveSchemeVariant(SchemeControlsForVariant(v)), v) << v;
}

TEST(SchemeVariant, CodesAndCaption) {
  const int codes[13] = {0, 11, 12, 14, 16, 18, 19, 21, 22, 23, 24, 26, 29};
  for (int v = 0; v <= 12; ++v) EXPECT_EQ(SchemeCode(v), codes[v]);
  EXPECT_EQ(SchemeCode(13), 0);
  EXPECT_EQ(SchemeCode(128 + 3), 14);  // only the low 7 bits count
  Zone z(3);
  EXPECT_EQ(ShowSchemeCaption(z.S()), "М-120 + МФ-100 + Р65");
  z.S().Params.FeederType.Set("А-185");
  EXPECT_EQ(ShowSchemeCaption(z.S()), "М-120 + МФ-100 + А-185 + Р65");
  z.S().SchemeVariant = 0;
  EXPECT_EQ(ShowSchemeCaption(z.S()), "Схема не задана");
}

TEST(SchemeVariant, FieldsPerCode) {
  SchemeFields f11 = FieldsForCode(11);
  EXPECT_TRUE(f11.Length && f11.UaRe && f11.Active && f11.Km && f11.Speed);
  EXPECT_FALSE(f11.UbRe || f11.UaIm || f11.Reactive);
  EXPECT_TRUE(f11.AcMenu);
  SchemeFields f12 = FieldsForCode(12);
  EXPECT_TRUE(f12.UbRe);
  EXPECT_FALSE(f12.AcMenu);
  SchemeFields f18 = FieldsForCode(18);
  EXPECT_TRUE(f18.Psk && f18.Pps1 && f18.Pps2 && f18.ShowBox2 && !f18.ShowBox1);
  SchemeFields f19 = FieldsForCode(19);
  EXPECT_TRUE(f19.CheckBox3 && f19.Track2Trains && !f19.Track2TrainsEnabled);
  SchemeFields f21 = FieldsForCode(21);
  EXPECT_TRUE(f21.UaIm && f21.Reactive && !f21.UbRe && !f21.UbIm);
  SchemeFields f26 = FieldsForCode(26);
  ASSERT_NE(f26.PskDefault, nullptr);
  EXPECT_STREQ(f26.PskDefault, "25");
}

TEST(DcSchemes, SingleTrackCountsSourcesAndFeeders) {
  for (int v : {1, 2}) {
    Zone z(v);
    AddTrainAt(z.S(), 1, "5");
    ASSERT_TRUE(BuildStepCircuit(z.S()));
    const StepCircuit& c = z.S().Circuit;
    EXPECT_EQ(c.NodeCount, 3);
    EXPECT_EQ(c.BranchCount, 4);
    EXPECT_EQ(c.LoopCount, 1);
    EXPECT_EQ(c.FeederBranch1, 1);
    EXPECT_EQ(c.FeederBranch2, 4);
    EXPECT_EQ(Z(z.S(), 1), (TComplex{0, 0}));
    EXPECT_EQ(Z(z.S(), 4), v == 1 ? kOpen : (TComplex{0, 0}));
    EXPECT_DOUBLE_EQ(Z(z.S(), 2).Re, 0.15 * 5);
    EXPECT_DOUBLE_EQ(Z(z.S(), 3).Re, 0.15 * 15);
    EXPECT_EQ(E(z.S(), 1), (TComplex{3300, 0}));
    EXPECT_EQ(E(z.S(), 4), (TComplex{-3300, 0}));
    EXPECT_EQ(c.NodeTrain[1], 1);  // the train stands at node 2 (km 5)
    EXPECT_EQ(c.MatJ(2, 1), (TComplex{1000, 0}));
  }
}

TEST(DcSchemes, TwoSidedWithoutTrainsOpensSourceB) {
  Zone z(2);
  ASSERT_TRUE(BuildStepCircuit(z.S()));
  EXPECT_EQ(Z(z.S(), z.S().Circuit.FeederBranch2), kOpen);
}

TEST(DcSchemes, EquivalentResistanceWithAndWithoutFeeder) {
  Zone z(3);
  EXPECT_DOUBLE_EQ(DcEquivalentPerKm(z.S().Params).Re, 0.05 + 0.2 * 0.2 / 0.4);
  z.S().Params.FeederType.Set("А-185");
  z.S().Params.FeederR = 0.16;
  double rk = 0.2, rn = 0.2, ru = 0.16;
  EXPECT_DOUBLE_EQ(DcEquivalentPerKm(z.S().Params).Re, 0.05 + rk * rn * ru / (rk * rn + rn * ru + rk * ru));
  EXPECT_EQ(DcEquivalentPerKm(z.S().Params).Im, 0);
}

TEST(DcSchemes, DoubleTrackFeedersAndTwinTracks) {
  Zone z(3);
  AddTrainAt(z.S(), 1, "5");
  ASSERT_TRUE(BuildStepCircuit(z.S()));
  const StepCircuit& c = z.S().Circuit;
  // Track 1: 3 inner nodes; track 2 without trains: 2.
  EXPECT_EQ(c.NodeCount, 5);
  EXPECT_EQ(c.BranchCount, 7);
  EXPECT_EQ(c.FeederBranch1, 1);
  EXPECT_EQ(c.FeederBranch2, 4);
  EXPECT_EQ(c.FeederBranch3, 6);
  EXPECT_EQ(c.FeederBranch4, 7);
  EXPECT_EQ(Z(z.S(), 6), (TComplex{0, 0}));  // track 1 has a train
  EXPECT_EQ(Z(z.S(), 7), kOpen);             // track 2 has none
  EXPECT_EQ(Z(z.S(), 4), (TComplex{0, 0}));
}

TEST(DcSchemes, FeedersF2F4OffOpenTrack2WithoutEmf) {
  Zone z(6);
  AddTrainAt(z.S(), 1, "5");
  ASSERT_TRUE(BuildStepCircuit(z.S()));
  const StepCircuit& c = z.S().Circuit;
  EXPECT_EQ(Z(z.S(), c.FeederBranch2), kOpen);
  EXPECT_EQ(Z(z.S(), c.FeederBranch4), kOpen);
  EXPECT_EQ(E(z.S(), c.FeederBranch2), (TComplex{0, 0}));
  EXPECT_EQ(E(z.S(), c.FeederBranch4), (TComplex{0, 0}));
  EXPECT_EQ(E(z.S(), c.FeederBranch1), (TComplex{3300, 0}));
}

TEST(DcSchemes, NodalAndParallelPostsAndSources) {
  {
    Zone z(4);
    ASSERT_TRUE(BuildStepCircuit(z.S()));
    const StepCircuit& c = z.S().Circuit;
    // No train: all four sources open; the post cuts both tracks at km 10.
    for (int b : {c.FeederBranch1, c.FeederBranch2, c.FeederBranch3, c.FeederBranch4})
      EXPECT_EQ(Z(z.S(), b), kOpen);
    EXPECT_EQ(c.NodeCount, 6);
    EXPECT_EQ(c.BranchCount, 9);
    EXPECT_EQ(c.LoopCount, 3);
    EXPECT_EQ(Z(z.S(), 9), (TComplex{0, 0}));  // the post connection
    EXPECT_DOUBLE_EQ(c.NodeKm[1], 10);
  }
  {
    Zone z(5);
    AddTrainAt(z.S(), 2, "12");
    ASSERT_TRUE(BuildStepCircuit(z.S()));
    const StepCircuit& c = z.S().Circuit;
    for (int b : {c.FeederBranch1, c.FeederBranch2, c.FeederBranch3, c.FeederBranch4})
      EXPECT_EQ(Z(z.S(), b), (TComplex{0, 0}));
    // Posts at 5, 10, 15 on both tracks, the train at 12 on track 2.
    EXPECT_EQ(c.NodeCount, 5 + 6);
    EXPECT_EQ(c.BranchCount, 6 + 7 + 3);
    EXPECT_EQ(c.LoopCount, 5);
  }
}

TEST(DcSchemes, ReactivePartForcedToZeroInTheRecords) {
  Zone z(3);
  AddTrainAt(z.S(), 1, "5");
  z.S().Trains.Trains1[0].Current.Im = -77;
  ASSERT_TRUE(BuildStepCircuit(z.S()));
  EXPECT_EQ(z.S().Trains.Trains1[0].Current.Im, 0);
  EXPECT_EQ(z.S().Circuit.MatJ(2, 1), (TComplex{1000, 0}));
}

TEST(AcSchemes, SingleTrackConsoleAndTwoSided) {
  for (int v : {7, 8}) {
    Zone z(v);
    AddTrainAt(z.S(), 1, "5", "250", "-100");
    ASSERT_TRUE(BuildStepCircuit(z.S()));
    const StepCircuit& c = z.S().Circuit;
    EXPECT_EQ(c.NodeCount, 3);
    EXPECT_EQ(Z(z.S(), 4), v == 7 ? kOpen : (TComplex{0, 0}));
    EXPECT_EQ(c.MatJ(2, 1), (TComplex{250, -100}));
    TComplex perKm = AcSingleTrackPerKm(z.S().Params).Self;
    EXPECT_GT(perKm.Re, 0);
    EXPECT_GT(perKm.Im, 0);  // inductive line
    EXPECT_NEAR(Z(z.S(), 2).Re, perKm.Re * 5, 1e-9);
    EXPECT_NEAR(Z(z.S(), 2).Im, perKm.Im * 5, 1e-9);
  }
}

TEST(AcSchemes, DoubleTrackMutualImpedanceOnEqualSegments) {
  Zone z(10);
  AddTrainAt(z.S(), 1, "5", "250", "-100");
  ASSERT_TRUE(BuildStepCircuit(z.S()));
  const StepCircuit& c = z.S().Circuit;
  // The train on track 1 at km 5 also cuts track 2 there.
  EXPECT_EQ(c.NodeCount, 6);
  EXPECT_EQ(c.BranchCount, 8);
  AcImpedances zz = AcDoubleTrackPerKm(z.S().Params);
  // Inner branches 1..3 of track 1 pair with 4..6 of track 2; segment 0-5 and 5-20.
  for (auto [b1, b2, len] : {std::tuple{2, 5, 5.0}, std::tuple{3, 6, 15.0}}) {
    TComplex m12 = c.MatZ(b1, b2), m21 = c.MatZ(b2, b1);
    EXPECT_EQ(m12, m21);
    EXPECT_NEAR(m12.Re, zz.Mutual.Re * len, 1e-9);
    EXPECT_NEAR(m12.Im, zz.Mutual.Im * len, 1e-9);
    EXPECT_NEAR(c.MatZ(b1, b1).Re, zz.Self.Re * len, 1e-9);
  }
  // Source branches are not coupled with line branches.
  EXPECT_EQ(c.MatZ(2, 4), (TComplex{0, 0}));
}

TEST(AcSchemes, DoubleConsoleOpensFarSourcesAndZeroesTrack2Reactive) {
  for (int v : {9, 11}) {
    Zone z(v);
    AddTrainAt(z.S(), 1, "5", "250", "-100");
    AddTrainAt(z.S(), 2, "15", "250", "-100");
    ASSERT_TRUE(BuildStepCircuit(z.S()));
    const StepCircuit& c = z.S().Circuit;
    EXPECT_EQ(z.S().Trains.Trains1[0].Current.Im, -100);
    EXPECT_EQ(z.S().Trains.Trains2[0].Current.Im, 0);
    if (v == 9) {
      EXPECT_EQ(Z(z.S(), c.FeederBranch3), (TComplex{999999999, 0}));
      EXPECT_EQ(Z(z.S(), c.FeederBranch4), (TComplex{999999999, 0}));
    } else {
      EXPECT_EQ(Z(z.S(), c.FeederBranch3), (TComplex{0, 0}));
      EXPECT_EQ(c.BranchCount - c.NodeCount, 3);  // two circles and the post
    }
    EXPECT_EQ(Z(z.S(), c.FeederBranch1), (TComplex{0, 0}));
  }
}

TEST(AcSchemes, Variant12OpensTrack2Sources) {
  Zone z(12);
  AddTrainAt(z.S(), 1, "5", "250", "-100");
  ASSERT_TRUE(BuildStepCircuit(z.S()));
  const StepCircuit& c = z.S().Circuit;
  EXPECT_EQ(Z(z.S(), c.FeederBranch2), kOpen);
  EXPECT_EQ(Z(z.S(), c.FeederBranch4), kOpen);
  EXPECT_EQ(E(z.S(), c.FeederBranch2), (TComplex{0, 0}));
  EXPECT_EQ(E(z.S(), c.FeederBranch3), (TComplex{-27500, 0}));
}

TEST(BuildStep, UnknownSchemeBuildsNothing) {
  Zone z(2);
  z.S().SchemeVariant = 0;
  EXPECT_FALSE(BuildStepCircuit(z.S()));
  ASSERT_EQ(z.host.messages.size(), 1u);
  EXPECT_EQ(z.host.messages[0].text, "Режим не задан");
  EXPECT_EQ(z.host.messages[0].kind, MsgKind::Error);
  EXPECT_EQ(z.host.messages[0].buttons, MsgButtons::Cancel);
}

TEST(BuildStep, PostTextThatIsNotANumberIsAConversionError) {
  Zone z(4);
  z.S().Params.PskKm.Set("н/и");
  EXPECT_THROW(BuildStepCircuit(z.S()), ConvertError);
}

TEST(RandomVoltages, DrawnOnlyWhenSwitchedOnAndRepeatable) {
  Zone a(10), b(10);
  RandomizeSourceVoltages(a.S());
  EXPECT_EQ(a.S().Params.UaRe.Get(), "27500");
  for (Zone* z : {&a, &b}) {
    z->S().Voltages.RandU = true;
    z->S().Voltages.RandD = true;
    z->S().Rng.SetSeed(77);
    RandomizeSourceVoltages(z->S());
  }
  EXPECT_EQ(a.S().Params.UaRe.Get(), b.S().Params.UaRe.Get());
  EXPECT_EQ(a.S().Params.UbIm.Get(), b.S().Params.UbIm.Get());
  double re = StrToFloat(a.S().Params.UaRe.Get()), im = StrToFloat(a.S().Params.UaIm.Get());
  double amp = std::sqrt(re * re + im * im);
  EXPECT_NEAR(amp, 25596.922, 6 * 454.363);
  EXPECT_NE(im, 0);
  EXPECT_LE(a.S().Params.UaRe.Get().size(), 11u);
  // Variant 1 draws substation A only.
  Zone c(1);
  c.S().Voltages.RandU = true;
  RandomizeSourceVoltages(c.S());
  EXPECT_NE(c.S().Params.UaRe.Get(), "3300");
  EXPECT_EQ(c.S().Params.UbRe.Get(), "3300");
}

TEST(BuildStep, ConductorDataThatGivesNoImpedanceStopsTheStep) {
  auto stops = [](Zone& z, const std::string& text) {
    try {
      BuildStepCircuit(z.S());
      ADD_FAILURE() << text;
    } catch (const NonFiniteError& e) {
      EXPECT_EQ(std::string(e.what()), text);
    }
  };
  const std::string head = "Сопротивление тяговой сети не может быть рассчитано. ";
  {
    Zone z(8);  // the square root of the earth conductivity
    z.S().Params.EarthConductivity = 0;
    stops(z, head + "Значение проводимости земли: '0' - должно быть больше 0");
    EXPECT_THROW(AcSingleTrackPerKm(z.S().Params), NonFiniteError);
  }
  {
    Zone z(10);  // the logarithm of the track spacing
    z.S().Params.TrackSpacing = 0;
    stops(z, head + "Значение расстояния между путями: '0' - должно быть больше 0");
    z.S().Params.TrackSpacing = 6.5;
    z.S().Params.MessengerRadius = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW(AcDoubleTrackPerKm(z.S().Params), NonFiniteError);
  }
  {
    Zone z(3);  // both catenary wires at 0 divide 0 by 0
    z.S().Params.ContactWireR = z.S().Params.MessengerR = 0;
    stops(z, head +
                 "Значения сопротивлений контактного провода и несущего троса: '0' и '0' - "
                 "хотя бы одно должно быть больше 0");
  }
  {
    Zone z(3);  // a DC reactive voltage no check reads
    z.S().Params.UaIm.Set("1e308");
    stops(z, "Значение напряжения ТП1(p): '1e308' - не лежит между -100000 и 100000");
  }
}
