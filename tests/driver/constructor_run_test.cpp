// Schedule runs of a user scheme composed in the scheme constructor.
#include "driver/constructor_run.h"

#include <gtest/gtest.h>

#include "charts/chart.h"
#include "circuit/constructor.h"
#include "driver/runs.h"
#include "params/defaults.h"
#include "params/persist.h"
#include "solver/report.h"
#include "traffic/schedule.h"
#include "validation/schedule_checks.h"
#include "zone_fixture.h"

namespace tps {
namespace {

TGDPEvent Appear(uint16_t number, double km, double speed, double active) {
  TGDPEvent e;
  e.Number = number;
  e.Kind = ekAppear;
  e.ActiveCurrent = active;
  e.Position = km;
  e.Speed = speed;
  return e;
}

// A DC single-track zone fed from both ends (scheme 2) with a schedule of
// three trains, the last leaving the zone before the schedule ends.
struct UserZone : tpstest::Zone {
  explicit UserZone(uint8_t mode) : Zone(2) {
    S().RunMode = mode;
    // Conductors whose equivalent (0.0625 + 0.125 x 0.125 / 0.25 = 0.125
    // Ohm/km) the number text of the chain holds exactly.
    S().Params.ContactWireR = 0.125;
    S().Params.MessengerR = 0.125;
    S().Params.RailR = 0.0625;
    WriteProbTrainRecord(S(), DefaultProbTrainRecord());
    LoadProbTrainParams(S());
    TGDPClass g;
    g.Init(S());
    g.AddEvent(0, Appear(1, 0, 60, 1000));
    g.AddEvent(3, Appear(3, 2.5, 80, 1500));
    g.AddEvent(7, Appear(5, 11, 40, 700));
    g.AddFinalizationPoint(40);
    g.SaveToFile(S().Work, SchedulePath("three.gdp"));
  }
  // One chain equivalent to the track of scheme 2, fed from both substations.
  void EquivalentTrack() {
    ChainInput in;
    in.R = FloatToStr(DcEquivalentPerKm(S().Params).Re);
    EXPECT_EQ(in.R, "0.125");
    ASSERT_TRUE(AddChain(S(), in));
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& m : host.messages) t.push_back(m.text);
    return t;
  }
};

TEST(ConstructorRun, EquivalentChainGivesTheLossOfTheFixedSchemeEveryStep) {
  UserZone fixed(ModeSchedule);
  ASSERT_EQ(StartScheduleRun(fixed.S(), "three.gdp"), RunOutcome::Finished);
  const std::vector<double> expected = fixed.S().LossSeries.Losses;

  UserZone user(ModeConstructor);
  AppState& st = user.S();
  ASSERT_TRUE(OpenConstructor(st, "three.gdp"));
  ChooseCurrentKind(st, false, false);
  user.EquivalentTrack();
  while (WizardNext(st) != 6) {
  }
  Constructor(st).Charts[0] = "NIL1 н";
  Constructor(st).Charts[1] = "NIL1 к";
  ASSERT_EQ(StartConstructorRun(st, "three.gdp"), RunOutcome::Finished);
  EXPECT_EQ(user.Texts(), std::vector<std::string>{"Имитация окончена"});
  ASSERT_EQ(st.LossSeries.Losses.size(), expected.size());
  for (size_t k = 0; k < expected.size(); ++k)
    EXPECT_EQ(st.LossSeries.Losses[k], expected[k]) << "step " << k + 1;
  EXPECT_EQ(st.LossSeries.LastIndex, 40);
  EXPECT_EQ(ReadLossFile(st).LastIndex, 40);
  EXPECT_GT(st.EnergyLoss, 0);
  // The feeders of both chosen sources, one value per step.
  EXPECT_EQ(st.Chart.FeedKind, 2);
  EXPECT_EQ(st.Chart.Series[0].size(), st.Chart.Times.size());
  EXPECT_EQ(st.Chart.Series[1].size(), st.Chart.Times.size());
  EXPECT_EQ(st.Chart.SeriesCount(), 3);
  EXPECT_FALSE(Constructor(st).Kept);  // released with the run
}

// Each chosen feeder is charted under its own name, whatever choices stand
// before it ("н/и" first left the chart empty; a third choice was drawn as
// the empty series 2 under "Ф3").
TEST(ConstructorRun, ChosenFeedersAreChartedUnderTheirNames) {
  struct Case {
    std::vector<std::string> choices, names;
  };
  for (const Case& c : {Case{{"н/и", "NIL1 к"}, {"NIL1 к"}},
                        Case{{"NIL1 н", "н/и", "NIL1 к"}, {"NIL1 н", "NIL1 к"}}}) {
    UserZone user(ModeConstructor);
    AppState& st = user.S();
    ASSERT_TRUE(OpenConstructor(st, "three.gdp"));
    ChooseCurrentKind(st, false, false);
    user.EquivalentTrack();
    while (WizardNext(st) != 6) {
    }
    for (size_t k = 0; k < c.choices.size(); ++k) Constructor(st).Charts[k] = c.choices[k];
    ASSERT_EQ(StartConstructorRun(st, "three.gdp"), RunOutcome::Finished);
    ASSERT_TRUE(ChartAvailable(st.Chart, 5));
    const ChartGeometry g = BuildChart(st, 5, {});
    std::vector<std::string> names;
    for (const ChartPolyline& p : g.Series) {
      names.push_back(p.Name);
      EXPECT_EQ(p.Values.size(), st.Chart.Times.size()) << p.Name;
    }
    EXPECT_EQ(names, c.names);
  }
}

TEST(ConstructorRun, RailReturnPotentialsAreCharted) {
  UserZone user(ModeConstructor);
  AppState& st = user.S();
  ChooseCurrentKind(st, false, false);
  ChainInput wire;
  wire.Kind = "КП";
  wire.R = "0.1";
  ASSERT_TRUE(AddChain(st, wire));
  ChainInput rail;
  rail.Kind = "РЛ";
  rail.R = "0.02";
  rail.Passive = true;
  ASSERT_TRUE(AddChain(st, rail));
  ASSERT_EQ(StartConstructorRun(st, "three.gdp"), RunOutcome::Finished);
  ASSERT_EQ(st.Chart.RailSeries.size(), 3u);
  for (size_t k = 0; k < 3; ++k) {
    const TChartSeries& pantograph = st.Chart.TrainSeries[k];
    const TChartSeries& rails = st.Chart.RailSeries[k];
    EXPECT_EQ(rails.Number, pantograph.Number);
    ASSERT_EQ(rails.Count, pantograph.Count);
    // The train draws its current from the wire and returns it through the
    // rails: the rails stand above the ground, the wire below substation voltage.
    // (At km 0 the rails are grounded at the substation.)
    double lifted = 0;
    for (int i = 0; i < rails.Count; ++i) {
      EXPECT_GE(rails.Values[i], 0);
      EXPECT_LE(pantograph.Values[i], 3300);
      lifted += rails.Values[i];
    }
    EXPECT_GT(lifted, 0);
  }
}

TEST(ConstructorRun, WrongChartChoiceGoesBackToTheConnectionRows) {
  UserZone user(ModeConstructor);
  AppState& st = user.S();
  ChooseCurrentKind(st, false, false);
  user.EquivalentTrack();
  Constructor(st).Charts[2] = "KP7 н";
  EXPECT_EQ(StartConstructorRun(st, "three.gdp"), RunOutcome::Refused);
  EXPECT_EQ(user.Texts().front(), "Задайте правильные типы Цирклов для графиков");
  EXPECT_EQ(Constructor(st).WizardStep, 4);
  // A graph made for another zone length is refused.
  Constructor(st).Charts[2] = kNotGiven;
  st.Params.ZoneLength.Set("25");
  EXPECT_EQ(StartConstructorRun(st, "three.gdp"), RunOutcome::Refused);
  EXPECT_EQ(user.Texts().back(), "Этот Граф создан для длины 20 км, а длина зоны 25 км");
  EXPECT_FALSE(st.Work.Exists("Graph\\dp.gmt"));
}

// Damages a head file after the step's matrices are written, before the
// solution reads them (the constructor lets the window work in between).
struct DamagingHost : RecordingHost {
  AppState* st = nullptr;
  int pumpsBeforeDamage = 5;
  void ProcessEvents() override {
    RecordingHost::ProcessEvents();
    if (st && --pumpsBeforeDamage <= 0) WriteText(st->Work, "temp\\Jhead.txt", "7: 2 1000 0 a");
  }
};

TEST(ConstructorRun, DamagedHeadFileStopsTheRunWithItsMessage) {
  UserZone user(ModeConstructor);
  AppState& st = user.S();
  DamagingHost host;
  host.st = &st;
  st.Host = &host;
  st.Options.WriteMatrices = true;
  ChooseCurrentKind(st, false, false);
  user.EquivalentTrack();
  EXPECT_EQ(StartConstructorRun(st, "three.gdp"), RunOutcome::Failed);
  ASSERT_FALSE(host.messages.empty());
  EXPECT_EQ(host.messages.back().text, "Ошибка в файле Jhead.txt");
  EXPECT_EQ(host.messages.back().kind, MsgKind::Error);
  // Nothing of the run is a result.
  EXPECT_FALSE(st.Work.Exists("Graph\\dp.gmt"));
  EXPECT_FALSE(st.Controls.ResultsVisible);
  EXPECT_EQ(st.StepCount, 0u);
  EXPECT_TRUE(st.Trains.Empty());
}

}  // namespace
}  // namespace tps
