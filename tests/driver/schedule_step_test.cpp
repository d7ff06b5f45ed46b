// A step of a schedule run: the schedule's events of the step applied to
// the train set, then the step solved and the trains advanced.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/runs.h"
#include "params/conv.h"
#include "params/errors.h"
#include "traffic/schedule.h"
#include "zone_fixture.h"

using namespace tps;
using tpstest::Ev;
using tpstest::Zone;

// The time points of a step are reached through the index by time: those of
// a file stored out of order, or twice with one time, apply at their step in
// their stored order, as a walk over the whole schedule applies them.
TEST(ScheduleStep, TheIndexByTimeAppliesEachTimePointAtItsStep) {
  Zone z(3);
  AppState& st = z.S();
  st.RunMode = ModeSchedule;
  TGDPClass g;
  g.Init(st);
  g.Schedule.Items = {TEvents{4, 1, {Ev(5, ekAppear)}}, TEvents{1, 1, {Ev(1, ekAppear)}},
                      TEvents{1, 1, {Ev(3, ekAppear)}}, TEvents{2, 0, {}}};
  g.Schedule.Count = 4;
  std::vector<std::vector<int>> onZone;
  for (int step = 0; step < 6; ++step) {
    ASSERT_TRUE(ScheduleStep(st, g));
    std::vector<int> numbers;
    for (const elvoz& t : st.Trains.Trains1) numbers.push_back(t.Number);
    onZone.push_back(numbers);
  }
  EXPECT_EQ(onZone, (std::vector<std::vector<int>>{{}, {1, 3}, {1, 3}, {1, 3}, {1, 3, 5}, {1, 3, 5}}));
  // A time point added through the schedule's operations is found at once.
  g.AddEvent(6, Ev(7, ekAppear));
  ASSERT_TRUE(ScheduleStep(st, g));
  EXPECT_EQ(st.Trains.Trains1.back().Number, 7);
}

TEST(ScheduleStep, AppliesTheEventsOfItsStepThenSolvesAndAdvances) {
  Zone z(3);
  AppState& st = z.S();
  st.RunMode = ModeSchedule;
  TGDPClass g;
  g.Init(st);
  TGDPEvent e = Ev(4, ekAppear, 1700, 20, 90, ttPassenger);
  e.ReactiveCurrent = 55;  // no reactive current on direct current
  g.AddEvent(0, e);
  g.AddEvent(0, Ev(1, ekAppear, 2000, 6, 30));
  g.AddEvent(0, Ev(3, ekAppear, 1800, 0, 120, ttExpress));
  g.AddEvent(1, Ev(4, ekSpeedChange, 1600, 0, 60));
  g.AddEvent(1, Ev(9, ekSpeedChange, 1600, 0, 60));  // no such train: ignored
  g.AddEvent(2, Ev(5, ekAppear));
  g.AddEvent(2, Ev(0, ekFinal));
  g.AddEvent(2, Ev(7, ekAppear));  // after the final event: never applied

  ASSERT_TRUE(ScheduleStep(st, g));
  EXPECT_EQ(st.StepCount, 1u);
  ASSERT_EQ(st.Trains.TrainCount1(), 2u);
  ASSERT_EQ(st.Trains.TrainCount2(), 1u);
  const elvoz& t4 = st.Trains.Trains2[0];
  EXPECT_EQ(t4.Number, 4);
  EXPECT_EQ(t4.Kind, 2);
  EXPECT_EQ(t4.Current.Im, 0);
  EXPECT_DOUBLE_EQ(t4.Km, 18.5);  // moved by one step
  EXPECT_EQ(st.Params.TrainType.Get(), "Скоростной (S)");
  EXPECT_EQ(st.Params.TrainActive.Get(), "1800");
  EXPECT_EQ(st.Trains.Trains1[1].Speed, 120);  // 4.5 km behind the freight train

  ASSERT_TRUE(ScheduleStep(st, g));
  EXPECT_EQ(st.StepCount, 2u);
  EXPECT_EQ(st.Trains.Trains2[0].Current.Re, 1600);
  EXPECT_EQ(st.Trains.Trains2[0].Speed, 60);
  EXPECT_DOUBLE_EQ(st.Trains.Trains2[0].Km, 17.5);  // the position is not touched
  ASSERT_EQ(g.IgnoredSpeedChanges.size(), 1u);
  EXPECT_EQ(g.IgnoredSpeedChanges[0].Number, 9);
  EXPECT_EQ(g.IgnoredSpeedChanges[0].Time, 1u);
  // The express closes up to within 3 km of the slow freight train and takes its speed.
  EXPECT_DOUBLE_EQ(st.Trains.Trains1[0].Km, 7);
  EXPECT_DOUBLE_EQ(st.Trains.Trains1[1].Km, 4);
  EXPECT_EQ(st.Trains.Trains1[1].Speed, 30);

  // The final event: the train before it enters, the one after it does not,
  // and the step is neither solved nor advanced.
  const double km1 = st.Trains.Trains1[0].Km;
  ASSERT_TRUE(ScheduleStep(st, g));
  EXPECT_TRUE(st.StopRequested);
  EXPECT_EQ(st.StepCount, 2u);
  EXPECT_EQ(st.Trains.TrainCount1(), 3u);
  EXPECT_EQ(st.Trains.Trains1[2].Number, 5);
  EXPECT_EQ(st.Trains.Trains1[0].Km, km1);

  // An empty schedule only builds, solves and advances.
  TGDPClass none;
  none.Init(st);
  st.StopRequested = false;
  ASSERT_TRUE(ScheduleStep(st, none));
  EXPECT_EQ(st.StepCount, 3u);
  EXPECT_GT(st.Trains.Trains1[0].Km, km1);
}

// A train of a damaged file that appears outside the zone, or runs backward,
// ends the run with a message naming it, before its circuit is built.
TEST(ScheduleStep, TrainOutsideTheZoneOrRunningBackEndsTheRun) {
  Zone z(3);
  AppState& st = z.S();
  st.RunMode = ModeSchedule;
  st.Params.ZoneLength.Set("20");
  for (double km : {20.5, -0.02}) {
    TGDPClass g;
    g.Init(st);
    g.AddEvent(0, Ev(2, ekAppear, 1000, km));
    try {
      ScheduleStep(st, g);
      ADD_FAILURE() << km << " km was taken";
    } catch (const IoError& e) {
      EXPECT_NE(std::string(e.what()).find("ГДП: поезд №2 в точке времени 0 появляется на " + FloatToStr(km) +
                                           " км, вне зоны 0..20 км"),
                std::string::npos)
          << e.what();
    }
    EXPECT_EQ(st.StepCount, 0u);
  }
  // A negative speed would carry a train back out past its own substation.
  TGDPClass back;
  back.Init(st);
  back.AddEvent(0, Ev(1, ekAppear, 1000, 0.5, 60));
  back.AddEvent(1, Ev(1, ekSpeedChange, 1000, 0, -40));
  ASSERT_TRUE(ScheduleStep(st, back));
  EXPECT_THROW(ScheduleStep(st, back), IoError);
  EXPECT_EQ(st.Trains.Trains1[0].Speed, 60);
}
