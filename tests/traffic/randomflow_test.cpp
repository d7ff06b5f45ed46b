#include "traffic/randomflow.h"

#include <gtest/gtest.h>

#include "driver/seed.h"
#include "params/defaults.h"
#include "params/persist.h"
#include "zone_fixture.h"

using namespace tps;
using tpstest::Zone;

namespace {

// A DC double-track zone of 20 km in the probabilistic mode whose flow file
// holds the counts given, period "1 час" and J chosen for the slots wanted.
struct FlowZone : Zone {
  FlowZone(std::array<uint16_t, 4> counts, int interval) : Zone(3) {
    TProbTrainRecord r = DefaultProbTrainRecord();
    for (int k = 0; k < 4; ++k) r.Entry[k].Count = counts[k];
    WriteProbTrainRecord(S(), r);
    S().RunMode = ModeProb;
    S().Prob.MinInterval = std::to_string(interval);
    UpdateNmax(S());
  }
  // The slots of the period drawn without solving a step: the slot falls in
  // each step of J minutes; the trains stand still.
  std::vector<EnteredTrain> DrawPeriod(bool twoWay) {
    AppState& st = S();
    PrepareRandomFlow(st, twoWay);
    std::vector<EnteredTrain> all;
    const double j = StrToFloat(st.Prob.MinInterval);
    while (PeriodMinutes(st.Prob.Period) > st.ModelTime) {
      for (const EnteredTrain& e : RandomFlowEnter(st, twoWay, j)) all.push_back(e);
      AdvanceFlowClock(st, j);
    }
    return all;
  }
};

}  // namespace

TEST(RandomFlow, PeriodIntervalFilterAndNmax) {
  EXPECT_EQ(PeriodMinutes("1 час"), 60u);
  EXPECT_EQ(PeriodMinutes("24 часа"), 1440u);
  EXPECT_EQ(PeriodMinutes("3 месяца"), 129600u);
  EXPECT_EQ(PeriodMinutes("1 год"), 525600u);
  EXPECT_EQ(PeriodMinutes("1 день"), 0u);
  EXPECT_EQ(PeriodMinutes(""), 0u);

  Zone z(3);
  AppState& st = z.S();
  st.Prob.MinInterval = "8";
  FilterMinInterval(st);
  EXPECT_EQ(st.Flow.NmaxText, "7");
  EXPECT_EQ(st.Flow.SlotsLeft1, 7u);
  st.Prob.MinInterval = "75";
  FilterMinInterval(st);
  EXPECT_EQ(st.Prob.MinInterval, "60");
  EXPECT_EQ(st.Flow.NmaxText, "1");
  st.Prob.MinInterval = "0";
  FilterMinInterval(st);
  EXPECT_EQ(st.Prob.MinInterval, "");
  EXPECT_EQ(st.Flow.NmaxText, "н/и");
  st.Prob.MinInterval = "1а2б3";
  FilterMinInterval(st);
  EXPECT_EQ(st.Prob.MinInterval, "12");
}

TEST(RandomFlow, ThreeFreightTrainsOverTenSlots) {
  for (int seed = 1; seed <= 20; ++seed) {
    FlowZone z({3, 0, 0, 0}, 6);  // 60 / 6 = 10 slots
    z.S().Rng.SetSeed(static_cast<uint32_t>(seed));
    ASSERT_EQ(z.S().Flow.SlotsLeft1, 10u);
    const std::vector<EnteredTrain> trains = z.DrawPeriod(false);
    ASSERT_EQ(trains.size(), 3u);
    for (size_t i = 0; i < trains.size(); ++i) {
      EXPECT_EQ(trains[i].Track, 1);
      EXPECT_EQ(trains[i].Number, static_cast<int>(2 * i + 1));
      EXPECT_EQ(trains[i].Record.TypeCode, ttFreight);
      EXPECT_EQ(trains[i].Record.Position, 0);
      // Freight: 900..1000 A active, no reactive, 60..80 km/h.
      EXPECT_GE(trains[i].Record.ActiveCurrent, 900);
      EXPECT_LE(trains[i].Record.ActiveCurrent, 1000);
      EXPECT_GE(trains[i].Record.Speed, 60);
      EXPECT_LE(trains[i].Record.Speed, 80);
    }
    EXPECT_FALSE(TrainsRemaining(z.S(), false));
  }
}

TEST(RandomFlow, SlotsAreEquallyLikely) {
  // Selection sampling: each of the 10 slots gets one of the 3 trains with
  // probability 0.3.
  std::array<int, 10> hits{};
  TRandom rng;
  rng.SetSeed(7);
  const int runs = 20000;
  for (int r = 0; r < runs; ++r) {
    uint32_t left = 3;
    for (uint32_t s = 10; s > 0; --s)
      if (SlotDraw(rng, s, left)) {
        ++hits[10 - s];
        --left;
      }
    ASSERT_EQ(left, 0u);
  }
  for (int h : hits) EXPECT_NEAR(h / double(runs), 0.3, 0.02);
  EXPECT_FALSE(SlotDraw(rng, 0, 5));
}

TEST(RandomFlow, CountsEqualToNmaxFillEverySlotAndZeroCountsNone) {
  FlowZone full({4, 3, 2, 1}, 6);
  const std::vector<EnteredTrain> trains = full.DrawPeriod(false);
  ASSERT_EQ(trains.size(), 10u);
  std::array<int, 4> byType{};
  for (const EnteredTrain& e : trains) ++byType[e.Record.TypeCode];
  EXPECT_EQ(byType[ttFreight], 4);
  EXPECT_EQ(byType[ttExpress], 3);
  EXPECT_EQ(byType[ttSuburban], 2);
  EXPECT_EQ(byType[ttPassenger], 1);

  FlowZone none({0, 0, 0, 0}, 6);
  PrepareRandomFlow(none.S(), true);
  EXPECT_FALSE(TrainsRemaining(none.S(), true));
  EXPECT_TRUE(none.DrawPeriod(true).empty());
  EXPECT_TRUE(none.S().Trains.Empty());
}

TEST(RandomFlow, TrackTwoEntersAtTheZoneLengthWithEvenNumbers) {
  FlowZone z({2, 0, 0, 0}, 20);  // 3 slots per track
  const std::vector<EnteredTrain> trains = z.DrawPeriod(true);
  ASSERT_EQ(trains.size(), 4u);
  std::vector<int> track1, track2;
  for (const EnteredTrain& e : trains) {
    (e.Track == 1 ? track1 : track2).push_back(e.Number);
    EXPECT_EQ(e.Record.Position, e.Track == 1 ? 0.0 : 20.0);
  }
  EXPECT_EQ(track1, (std::vector<int>{1, 3}));
  EXPECT_EQ(track2, (std::vector<int>{2, 4}));
  EXPECT_EQ(z.S().Trains.Trains2.front().Km, 20);
}

TEST(RandomFlow, FiftyTrainsATrackAtMost) {
  FlowZone z({60, 0, 0, 0}, 1);  // 60 slots, 60 trains, none leaves
  const std::vector<EnteredTrain> trains = z.DrawPeriod(false);
  ASSERT_EQ(trains.size(), 60u);
  EXPECT_EQ(z.S().Trains.TrainCount1(), 50u);
  for (size_t i = 50; i < 60; ++i) EXPECT_EQ(trains[i].Number, 0);
  // The counts went down for the trains that found no number too.
  EXPECT_FALSE(TrainsRemaining(z.S(), false));
}

TEST(RandomFlow, EqualBoundsGiveThatCurrent) {
  Zone z(9);
  TProbTrainRecord r = DefaultProbTrainRecord();
  for (TProbTrainEntry& e : r.Entry) e.Count = 0;
  r.Entry[0] = {300, -120, 300, -120, 70, 70, 1};
  WriteProbTrainRecord(z.S(), r);
  PrepareRandomFlow(z.S(), false);
  const TGDPEvent ev = GenerateTrain(z.S(), 1, z.S().Flow.FlowParams1);
  EXPECT_EQ(ev.ActiveCurrent, 300);
  EXPECT_EQ(ev.ReactiveCurrent, -120);
  EXPECT_EQ(ev.Speed, 70);
  EXPECT_EQ(z.S().Flow.FlowParams1[0].Count, 0);
}

// The flow of a new working directory: DC trains on a DC zone, the trains of
// 27.5 kV lines (a fraction of the amperes, with their lagging reactive
// current) on an AC zone.
TEST(RandomFlow, EachKindOfCurrentTakesItsOwnFlow) {
  for (int variant : {3, 10}) {
    SCOPED_TRACE(variant);
    Zone z(variant);
    SeedDefaultData(z.S().Work);
    PrepareRandomFlow(z.S(), true);
    const bool dc = variant == 3;
    for (const auto* rows : {z.S().Flow.FlowParams1, z.S().Flow.FlowParams2}) {
      const RandomFlowState::TypeRecord& freight = rows[0];
      EXPECT_EQ(freight.ActiveMin, dc ? 900 : 250);
      EXPECT_EQ(freight.ActiveMax, dc ? 1000 : 320);
      EXPECT_EQ(freight.ReactiveMin, dc ? 0 : -100);
      EXPECT_EQ(freight.Count, 2);
    }
  }
}
