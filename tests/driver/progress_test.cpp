#include "driver/progress.h"

#include <gtest/gtest.h>

#include "zone_fixture.h"

using namespace tps;

// A probabilistic run of "1 час" at 0.1 minute makes 600 steps at least; a
// run's part stays short of the whole while it goes on past its plan.
TEST(Progress, PlannedStepsAndTheirPart) {
  tpstest::Zone z(3);
  AppState& st = z.S();
  st.Prob.Period = "1 час";
  st.Params.StepMinutes.Set("0.1");
  EXPECT_EQ(PlannedProbSteps(st), 600u);
  st.Params.StepMinutes.Set("0.7");
  EXPECT_EQ(PlannedProbSteps(st), 86u);  // 60 / 0.7 = 85.7
  st.Params.StepMinutes.Set("0.001");
  EXPECT_EQ(PlannedProbSteps(st), 0u);  // a step that rounds to 0 runs no run
  st.Params.StepMinutes.Set("1");
  st.Prob.Period = "";
  EXPECT_EQ(PlannedProbSteps(st), 0u);

  EXPECT_DOUBLE_EQ(RunFraction(30, 120), 0.25);
  EXPECT_LT(RunFraction(130, 120), 1.0);
  EXPECT_EQ(RunFraction(5, 0), 0.0);
}

// A study of 4 realizations of 100 steps on 2 jobs: the steps of the runs
// under way move its part between the runs done, never past the next ones.
TEST(Progress, StudyMovesWithinItsRuns) {
  EXPECT_DOUBLE_EQ(StudyFraction(0, 4, 0, 100, 2), 0.0);
  EXPECT_DOUBLE_EQ(StudyFraction(0, 4, 50, 100, 2), 0.125);
  EXPECT_DOUBLE_EQ(StudyFraction(1, 4, 150, 100, 2), 0.625);
  EXPECT_LT(StudyFraction(1, 4, 900, 100, 2), 0.75);  // runs that go on past their plan
  EXPECT_DOUBLE_EQ(StudyFraction(4, 4, 0, 100, 2), 1.0);
  EXPECT_DOUBLE_EQ(StudyFraction(2, 4, 50, 0, 2), 0.5);  // no plan: the runs done alone
  EXPECT_EQ(PercentText(0.625, 3), "62.500 %");
  EXPECT_EQ(PercentText(0.999, 0), "99 %");
}

// A quarter done in 30 seconds leaves 90; nothing is told before a second
// has passed or while nothing moves.
TEST(Progress, ExpectedEnd) {
  EXPECT_DOUBLE_EQ(SecondsLeft(0.25, 0, 30), 90);
  EXPECT_DOUBLE_EQ(SecondsLeft(0.5, 0.25, 30), 60);  // the pace since a resumption
  EXPECT_LT(SecondsLeft(0.1, 0, 0.5), 0);
  EXPECT_LT(SecondsLeft(0.25, 0.25, 30), 0);
  EXPECT_EQ(ExpectedEndText(90, 14 * 3600 + 59 * 60 + 30), "осталось 00:01:30, окончание около 15:01:00");
  EXPECT_EQ(ExpectedEndText(600, 86000), "осталось 00:10:00, окончание около 00:03:20");
  EXPECT_EQ(ExpectedEndText(90000, 0), "осталось 1 сут 01:00:00");
  EXPECT_EQ(ExpectedEndText(-1, 0), "окончание оценивается");
  EXPECT_EQ(SpeedText(12.3456), "Скорость: 12.346 мс/с");
}
