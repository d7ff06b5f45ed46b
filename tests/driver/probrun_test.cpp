#include "driver/probrun.h"

#include <gtest/gtest.h>

#include <map>

#include "driver/runs.h"
#include "params/defaults.h"
#include "params/persist.h"
#include "solver/report.h"
#include "traffic/randomflow.h"
#include "traffic/schedule.h"
#include "zone_fixture.h"

using namespace tps;
using tpstest::Zone;

namespace {

// Presses "Пауза" at the given pump of the window's events.
struct PausingHost : RecordingHost {
  AppState* st = nullptr;
  int pauseAt = -1;
  void ProcessEvents() override {
    if (++pumps == pauseAt) PauseButton(*st);
  }
};

// A DC double-track zone of 20 km, step 1 minute, with the flow counts given.
struct ProbZone : Zone {
  PausingHost pausing;
  explicit ProbZone(std::array<uint16_t, 4> counts = {3, 1, 1, 1}, uint32_t seed = 4242) : Zone(3) {
    AppState& s = S();
    pausing.st = &s;
    s.Host = &pausing;
    s.Rng.SetSeed(seed);
    TProbTrainRecord r = DefaultProbTrainRecord();
    for (int k = 0; k < 4; ++k) r.Entry[k].Count = counts[k];
    WriteProbTrainRecord(s, r);
    LoadProbTrainParams(s);
    EnterProbMode(s);
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& m : pausing.messages) t.push_back(m.text);
    return t;
  }
  // The report with its totals and the loss file, as the run left them.
  std::pair<std::string, std::string> Files() {
    WriteTotals(S());
    return {tpstest::ReadString(dir.Path() / "Final.txt"),
            tpstest::ReadString(dir.Path() / "Graph" / "dp.gmt")};
  }
};

void PlaceTrains(AppState& st) {
  st.Params.TrainSpeed.Set("60");
  st.Params.TrainKm.Set("0");
  ASSERT_TRUE(AddTrainButton(st, 1));
  st.Params.TrainKm.Set("20");
  st.Params.TrainSpeed.Set("40");
  ASSERT_TRUE(AddTrainButton(st, 2));
}

}  // namespace

TEST(ProbRun, RunsThePeriodThenWaitsForTheZoneToEmpty) {
  ProbZone z;
  AppState& st = z.S();
  ASSERT_EQ(StartRun(st), RunOutcome::Finished);
  EXPECT_EQ(z.Texts(), (std::vector<std::string>{"Имитация окончена"}));
  const int32_t steps = st.LossSeries.LastIndex + 1;
  EXPECT_GE(steps, 60);
  EXPECT_EQ(st.StepCount, 0u);
  EXPECT_EQ(st.ModelTime, 0);
  EXPECT_TRUE(st.Trains.Empty());
  EXPECT_FALSE(st.Flow.Prepared1);
  EXPECT_EQ(st.Flow.SlotsLeft1, 7u);  // back to Nmax
  EXPECT_TRUE(st.Work.Exists("Graph\\dp.gmt"));

  ProbZone w;
  w.S().Prob.WaitTrains = true;
  ASSERT_EQ(StartRun(w.S()), RunOutcome::Finished);
  // Waiting: the last train entered at the latest in minute 56 needs 20 km at <= 140 km/h.
  EXPECT_GT(w.S().LossSeries.LastIndex + 1, steps);
  // The run leaves the zone empty: its last step carried no train.
  EXPECT_TRUE(w.S().Flow.Record.back().Kind == ekPassed);
}

TEST(ProbRun, PauseAndResumeGiveTheSameTotals) {
  for (uint8_t mode : {ModeTest, ModeProb}) {
    ProbZone whole, paused;
    for (ProbZone* z : {&whole, &paused}) {
      if (mode == ModeTest) {
        EnterTestMode(z->S());
        PlaceTrains(z->S());
      }
    }
    ASSERT_EQ(StartRun(whole.S()), RunOutcome::Finished);
    paused.pausing.pauseAt = paused.pausing.pumps + 12;
    ASSERT_EQ(StartRun(paused.S()), RunOutcome::Paused);
    EXPECT_NE(paused.S().StepCount, 0u);
    EXPECT_FALSE(paused.S().Trains.Empty());
    EXPECT_FALSE(paused.S().Controls.RunActive);
    ASSERT_EQ(StartRun(paused.S()), RunOutcome::Finished);
    EXPECT_EQ(paused.S().EnergyLoss, whole.S().EnergyLoss);
    EXPECT_EQ(paused.S().LossSeries.LastIndex, whole.S().LossSeries.LastIndex);
    EXPECT_EQ(paused.Files(), whole.Files());
  }
}

// A stop (a study's "Стоп") is seen at the step it was asked at: the
// realization ends there, cut short and no result, instead of running to
// the end of its period.
TEST(ProbRun, AStopEndsTheRunAtItsStep) {
  struct StoppingHost : RecordingHost {
    AppState* st = nullptr;
    void ProcessEvents() override {
      if (++pumps == 5) st->StopRequested = true;
    }
  } host;
  ProbZone z;
  AppState& st = z.S();
  st.Prob.Period = "24 часа";
  host.st = &st;
  st.Host = &host;
  st.StopRequested = true;  // left from an earlier study: a new run clears it
  EXPECT_EQ(StartRun(st), RunOutcome::Stopped);
  EXPECT_EQ(host.pumps, 5);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(st.StepCount, 0u);
  EXPECT_TRUE(st.Trains.Empty());
  EXPECT_FALSE(st.Flow.RecordComplete);
  EXPECT_FALSE(st.Controls.ResultsVisible);
  EXPECT_FALSE(st.Work.Exists("Graph\\dp.gmt"));
}

// The model clock of the end is that after the last step: 60 minutes of
// "1 час" at step 1, the run's own steps when it waits for the zone.
TEST(ProbRun, TheClockOfTheEndCountsTheLastStep) {
  ProbZone z;
  ASSERT_EQ(StartRun(z.S()), RunOutcome::Finished);
  EXPECT_EQ(z.S().RunEndTime, 60);
  ProbZone w;
  w.S().Prob.WaitTrains = true;
  ASSERT_EQ(StartRun(w.S()), RunOutcome::Finished);
  EXPECT_EQ(w.S().RunEndTime, w.S().LossSeries.LastIndex + 1);
}

TEST(ProbRun, TestModeRunsThePlacedTrainsUntilTheyLeave) {
  ProbZone z;
  AppState& st = z.S();
  EnterTestMode(st);
  PlaceTrains(st);
  ASSERT_EQ(StartRun(st), RunOutcome::Finished);
  // 20 km at 60 km/h and at 40 km/h: 30 steps until the slower one leaves,
  // then the empty zone once more.
  EXPECT_EQ(st.LossSeries.LastIndex, 30);
  EXPECT_TRUE(st.Trains.Empty());
  EXPECT_EQ(z.Texts(), (std::vector<std::string>{"Имитация окончена"}));
}

TEST(ProbRun, RefusalsLoseNothing) {
  {
    ProbZone z({8, 0, 0, 0});  // 8 trains, 7 slots
    ASSERT_EQ(StartRun(z.S()), RunOutcome::Refused);
    EXPECT_EQ(z.Texts(),
              (std::vector<std::string>{"Количество поездов больше возможного за выбранный период"}));
    EXPECT_FALSE(z.S().Flow.Prepared1);
  }
  {
    // "1 год" at J 8 holds 65700 slots: more than the 16-bit slot counters
    // count (they would hold 164). Refused before the report is touched.
    ProbZone z({100, 0, 0, 0});
    AppState& st = z.S();
    st.Prob.Period = "1 год";
    UpdateNmax(st);
    EXPECT_EQ(st.Flow.NmaxText, "65700");
    WriteFileBytes(st.Work, "Final.txt", Bytes{'o', 'l', 'd'});
    ASSERT_EQ(StartRun(st), RunOutcome::Refused);
    ASSERT_EQ(z.pausing.messages.size(), 1u);
    EXPECT_EQ(z.pausing.messages[0].kind, MsgKind::Warning);
    EXPECT_NE(z.pausing.messages[0].text.find("65700"), std::string::npos);
    EXPECT_EQ(tpstest::ReadString(z.dir.Path() / "Final.txt"), "old");
    ASSERT_EQ(StepRun(st), RunOutcome::Refused);
    st.Prob.MinInterval = "9";
    UpdateNmax(st);
    EXPECT_EQ(st.Flow.NmaxText, "58400");
    ASSERT_EQ(StepRun(st), RunOutcome::Finished);
  }
  {
    // Waiting for trains that move less than 0.0001 km a step would never end.
    ProbZone z({2, 0, 0, 0});
    z.S().Prob.WaitTrains = true;
    z.S().Prob.Grid[0][4] = "0.005";
    ASSERT_EQ(StartRun(z.S()), RunOutcome::Refused);
    ASSERT_EQ(z.pausing.messages.size(), 1u);
    EXPECT_NE(z.pausing.messages[0].text.find("не покинут зону"), std::string::npos);
  }
  {
    ProbZone z({0, 0, 0, 0});
    ASSERT_EQ(StepRun(z.S()), RunOutcome::Refused);
    EXPECT_EQ(z.Texts(), (std::vector<std::string>{"Поездов больше нет"}));
    EXPECT_EQ(z.S().StepCount, 0u);
  }
}

TEST(ProbRun, StepByStepThenStartFinishesTheRun) {
  ProbZone z;
  AppState& st = z.S();
  for (int i = 0; i < 5; ++i) ASSERT_EQ(StepRun(st), RunOutcome::Finished);
  EXPECT_EQ(st.StepCount, 5u);
  EXPECT_EQ(st.ModelTime, 5);
  EXPECT_FALSE(st.Trains.Empty());  // the first slot falls in the first step
  ASSERT_EQ(StartRun(st), RunOutcome::Finished);
  EXPECT_GE(st.LossSeries.LastIndex + 1, 60);
  EXPECT_EQ(st.StepCount, 0u);
}

TEST(ProbRun, TrainsAreDrawnWithoutSolving) {
  // The solved run and a realization drawn with the flow and the train
  // advance alone bring the same trains at the same steps.
  ProbZone solved;
  ASSERT_EQ(StartRun(solved.S()), RunOutcome::Finished);
  std::vector<std::vector<double>> fromRun;
  for (const auto& r : solved.S().Flow.Record)
    if (r.Kind == ekAppear) fromRun.push_back({double(r.Time), double(r.Number), r.Active, r.Speed});

  ProbZone drawn;
  AppState& st = drawn.S();
  const bool twoWay = TwoWay(st);
  PrepareRandomFlow(st, twoWay);
  std::vector<std::vector<double>> fromDraws;
  for (uint32_t step = 0; PeriodMinutes(st.Prob.Period) > st.ModelTime || TrainsRemaining(st, twoWay);
       ++step) {
    for (const EnteredTrain& e : RandomFlowEnter(st, twoWay, 8))
      fromDraws.push_back({double(step), double(e.Number), e.Record.ActiveCurrent, e.Record.Speed});
    AdvanceTrains(st, 1);
    AdvanceFlowClock(st, 1);
  }
  EXPECT_EQ(st.Circuit.Built, false);
  EXPECT_EQ(fromDraws, fromRun);
  EXPECT_EQ(fromRun.size(), 12u);
}

TEST(ProbRun, RecordedRunReplaysAsASchedule) {
  ProbZone z;
  AppState& st = z.S();
  EXPECT_FALSE(SaveProbSchedule(st, "prob.gdp"));
  ASSERT_EQ(StartRun(st), RunOutcome::Finished);
  const std::vector<double> losses = st.LossSeries.Losses;
  const int32_t last = st.LossSeries.LastIndex;
  ASSERT_TRUE(SaveProbSchedule(st, "prob.gdp"));

  TGDPClass g;
  g.LoadFromFile(st.Work, "gdp\\prob.gdp");
  EXPECT_EQ(g.LastTime(), static_cast<uint32_t>(last + 1));
  EXPECT_EQ(g.Schedule.Variant, 3);
  EXPECT_EQ(g.Schedule.Items.front().Time, 0u);  // the first slot, in the first step
  EXPECT_EQ(g.Schedule.Items.front().Events.front().Kind, ekAppear);
  // Every path that opens is closed once: where the train left the zone, or,
  // for the trains the period left on the zone, where they stood at its end.
  std::map<int, int> open;
  int stayed = 0;
  for (const TEvents& p : g.Schedule.Items) {
    for (const TGDPEvent& e : p.Events) {
      if (e.Kind == ekAppear) {
        EXPECT_EQ(open[e.Number]++, 0) << e.Number;
      }
      if (e.Kind == ekPassed || e.Kind == ekStayed) {
        EXPECT_EQ(open[e.Number]--, 1) << e.Number;
      }
      if (e.Kind == ekStayed) {
        ++stayed;
        EXPECT_EQ(p.Time, g.LastTime());
        EXPECT_GT(e.Position, 0);
        EXPECT_LT(e.Position, 20);
        EXPECT_GT(e.Speed, 0);
      }
    }
  }
  for (const auto& [number, n] : open) EXPECT_EQ(n, 0) << number;
  EXPECT_GT(stayed, 0);  // the period of one hour ends with trains on the zone

  st.RunMode = ModeSchedule;
  ASSERT_EQ(StartScheduleRun(st, "prob.gdp"), RunOutcome::Finished);
  // The schedule's steps and the zone once more.
  EXPECT_EQ(st.LossSeries.LastIndex, last + 1);
  ASSERT_GE(st.LossSeries.Losses.size(), losses.size());
  for (size_t i = 0; i < static_cast<size_t>(last + 1); ++i)
    EXPECT_EQ(st.LossSeries.Losses[i], losses[i]) << "step " << i;
}

// "Запись вероятностного ГДП" never replaces the default schedule and asks
// before it replaces another file; a Cancel keeps the file as it was.
TEST(ProbRun, TheRecordReplacesNoScheduleUnasked) {
  ProbZone z;
  AppState& st = z.S();
  ASSERT_EQ(StartRun(st), RunOutcome::Finished);
  z.pausing.messages.clear();
  WriteText(st.Work, "gdp\\file00.gdp", "default");
  EXPECT_FALSE(SaveProbSchedule(st, "FILE00.gdp"));
  EXPECT_EQ(z.Texts(), (std::vector<std::string>{"Нельзя заменить этот файл"}));
  EXPECT_EQ(ReadText(st.Work, "gdp\\file00.gdp"), "default");

  WriteText(st.Work, "gdp\\mine.gdp", "mine");
  z.pausing.messages.clear();
  z.pausing.answer = false;
  EXPECT_FALSE(SaveProbSchedule(st, "mine.gdp"));
  ASSERT_EQ(z.pausing.messages.size(), 1u);
  EXPECT_EQ(z.pausing.messages[0].text, "Файл gdp\\mine.gdp уже существует. Заменить его?");
  EXPECT_EQ(z.pausing.messages[0].buttons, MsgButtons::OkCancel);
  EXPECT_EQ(ReadText(st.Work, "gdp\\mine.gdp"), "mine");
  z.pausing.answer = true;
  EXPECT_TRUE(SaveProbSchedule(st, "mine.gdp"));
  EXPECT_NE(ReadText(st.Work, "gdp\\mine.gdp"), "mine");
}

// Another mode chosen while a run is paused: the run is given up only when
// the user agrees, and then nothing of it remains.
TEST(ProbRun, APausedRunIsGivenUpOnlyWhenAgreed) {
  ProbZone z;
  AppState& st = z.S();
  z.pausing.pauseAt = z.pausing.pumps + 8;
  ASSERT_EQ(StartRun(st), RunOutcome::Paused);
  ASSERT_TRUE(RunUnderWay(st));
  z.pausing.answer = false;
  EXPECT_FALSE(GiveUpRunUnderWay(st));
  EXPECT_TRUE(RunUnderWay(st));
  z.pausing.answer = true;
  EXPECT_TRUE(GiveUpRunUnderWay(st));
  EXPECT_FALSE(RunUnderWay(st));
  EXPECT_TRUE(st.Trains.Empty());
  EXPECT_FALSE(st.Flow.RecordComplete);
  EXPECT_FALSE(st.Controls.ResultsVisible);
}
