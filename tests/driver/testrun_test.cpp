#include <gtest/gtest.h>

#include "circuit/schemes.h"
#include "driver/testrun.h"
#include "solver/report.h"
#include "zone_fixture.h"

using namespace tps;
using tpstest::Zone;

namespace {

int Count(const RecordingHost& h, const std::string& text) {
  int n = 0;
  for (const auto& m : h.messages) n += m.text == text;
  return n;
}

}  // namespace

TEST(ModelClock, SnapTenthAndRunTimeText) {
  EXPECT_EQ(SnapTenth(0.30000000000000004), 0.3);
  EXPECT_EQ(SnapTenth(0.123), 0.123);
  double t = 0;
  for (int i = 0; i < 10; ++i) t = SnapTenth(Round(0.1 * 1000) / 1000 + t);
  EXPECT_EQ(t, 1.0);
  EXPECT_EQ(FormatRunTime(t), "00:00:01:00");
  EXPECT_EQ(FormatRunTime(0), "00:00:00:00");
  EXPECT_EQ(FormatRunTime(90.5), "00:01:30:30");
  EXPECT_EQ(FormatRunTime(61.5), "00:01:01:30");
  EXPECT_EQ(FormatRunTime(1440 * 2 + 61), "02:01:01:00");
  // More than 99 days keeps the first two digits.
  EXPECT_EQ(FormatRunTime(1440.0 * 123), "12:00:00:00");
}

TEST(AdvanceTrains, MovesRetiresAndClosesUp) {
  Zone z(3);
  AppState& st = z.S();
  st.Params.TrainKm.Set("2");
  st.Params.TrainSpeed.Set("30");
  ASSERT_TRUE(AddTrain(st, 1));
  st.Params.TrainKm.Set("0");
  st.Params.TrainSpeed.Set("60");
  ASSERT_TRUE(AddTrain(st, 1));
  st.Params.TrainKm.Set("20");
  ASSERT_TRUE(AddTrain(st, 2));
  AdvanceTrains(st, 1);
  ASSERT_EQ(st.Trains.TrainCount1(), 2u);
  EXPECT_DOUBLE_EQ(st.Trains.Trains1[0].Km, 2.5);
  EXPECT_DOUBLE_EQ(st.Trains.Trains1[1].Km, 1);
  // Within 3 km of the slower train ahead: the rear one slows to its speed.
  EXPECT_EQ(st.Trains.Trains1[1].Speed, 30);
  EXPECT_DOUBLE_EQ(st.Trains.Trains2[0].Km, 19);
  for (int i = 0; i < 19; ++i) AdvanceTrains(st, 1);
  EXPECT_EQ(st.Trains.TrainCount2(), 1u);  // at km 0, not yet below it
  AdvanceTrains(st, 1);
  EXPECT_EQ(st.Trains.TrainCount2(), 0u);
}

TEST(AdvanceTrains, SingleTrackAndF2F4OffLeaveTrack2Alone) {
  for (int v : {2, 6}) {
    Zone z(v);
    z.S().Params.TrainKm.Set("10");
    ASSERT_TRUE(AddTrain(z.S(), 2));
    AdvanceTrains(z.S(), 1);
    EXPECT_EQ(z.S().Trains.Trains2[0].Km, 10) << v;
  }
}

TEST(AdvanceTrains, KmRoundedToFourDecimals) {
  Zone z(2);
  z.S().Params.TrainSpeed.Set("7");
  ASSERT_TRUE(AddTrain(z.S(), 1));
  AdvanceTrains(z.S(), 0.1);  // 7 * 0.1 / 60 = 0.011666...
  EXPECT_EQ(z.S().Trains.Trains1[0].Km, 0.0117);
}

TEST(BatchLaunch, TwoTrainsEveryTenMinutesOnASingleTrack) {
  Zone z(2);
  AppState& st = z.S();
  EXPECT_EQ(BatchLaunch(st), RunOutcome::Finished);
  // 10 steps before train 3 enters, 10 more, then 11 until train 3 has
  // passed km 20; one final solve of the empty zone.
  EXPECT_EQ(st.LossSeries.LastIndex, 31);
  EXPECT_EQ(st.ModelTime, 31);
  EXPECT_EQ(st.StepCount, 0u);
  EXPECT_TRUE(st.Trains.Empty());
  EXPECT_EQ(Count(z.host, "Пакетный пуск завершен"), 1);
  EXPECT_EQ(z.host.messages.size(), 1u);
  EXPECT_GE(z.host.pumps, 31);
  EXPECT_TRUE(st.Controls.ResultsVisible);
  EXPECT_TRUE(st.Controls.ZoneLengthEnabled);
  EXPECT_FALSE(st.Controls.RunActive);
  EXPECT_TRUE(st.Work.Exists("Graph\\dp.gmt"));
  EXPECT_GT(st.EnergyLoss, 0);
  EXPECT_LT(CAbs(st.MinVoltage), 3300);
}

TEST(BatchLaunch, RecommendsASpeedWhenTheIntervalIsLongerThanTheTravel) {
  Zone z(2, "10");
  AppState& st = z.S();
  st.Params.TrainSpeed.Set("30");
  st.Params.BatchInterval.Set("30");
  EXPECT_EQ(BatchLaunch(st), RunOutcome::Recommended);
  EXPECT_EQ(st.Params.TrainSpeed.Get(), "20");
  ASSERT_EQ(z.host.messages.size(), 1u);
  EXPECT_EQ(z.host.messages[0].text, "Используйте рекомендованое значение скорости или другой режим!");
  EXPECT_EQ(z.host.messages[0].kind, MsgKind::Information);
  EXPECT_TRUE(st.Trains.Empty());
  EXPECT_EQ(st.LossSeries.LastIndex, 0);  // the state was still solved once
}

TEST(BatchLaunch, ZeroSpeedIsRefusedWithAnError) {
  Zone z(3);
  z.S().Params.TrainSpeed.Set("0");
  EXPECT_EQ(BatchLaunch(z.S()), RunOutcome::Refused);
  ASSERT_EQ(z.host.messages.size(), 1u);
  EXPECT_EQ(z.host.messages[0].text, "Скорость не может быть '0'!");
  EXPECT_EQ(z.host.messages[0].kind, MsgKind::Error);
}

TEST(BatchLaunch, InvalidInputRunsNothing) {
  Zone z(2);
  z.S().Params.ZoneLength.Set("250");
  EXPECT_EQ(BatchLaunch(z.S()), RunOutcome::Refused);
  ASSERT_EQ(z.host.messages.size(), 1u);
  EXPECT_EQ(z.host.messages[0].text, "Значение длины зоны: '250' - не лежит между 0> и 200");
  EXPECT_FALSE(z.S().Work.Exists("Graph\\dp.gmt"));
}

TEST(BatchLaunch, TwinsOnDoubleTrackDc) {
  Zone z(3);
  AppState& st = z.S();
  st.Params.TrainKm.Set("2");
  st.Params.BatchTrains.Set("1");
  int maxTrack2 = 0;
  double firstTwinKm = -1;
  struct Watch : RecordingHost {
    AppState* s = nullptr;
    int* maxT2 = nullptr;
    double* twinKm = nullptr;
    void ProcessEvents() override {
      RecordingHost::ProcessEvents();
      int n = static_cast<int>(s->Trains.TrainCount2());
      if (n > *maxT2) *maxT2 = n;
      if (*twinKm < 0 && n > 0) *twinKm = s->Trains.Trains2[0].Km;
    }
  } watch;
  watch.s = &st;
  watch.maxT2 = &maxTrack2;
  watch.twinKm = &firstTwinKm;
  st.Host = &watch;
  EXPECT_EQ(BatchLaunch(st), RunOutcome::Finished);
  EXPECT_EQ(maxTrack2, 1);
  EXPECT_EQ(firstTwinKm, 18);  // the mirrored position, before its first move
  EXPECT_EQ(st.Params.TrainKm.Get(), "2");
  EXPECT_TRUE(st.Trains.Empty());
}

TEST(BatchLaunch, NoTwinsWhenF2F4AreOff) {
  Zone z(6);
  z.S().Params.BatchTrains.Set("1");
  EXPECT_EQ(BatchLaunch(z.S()), RunOutcome::Finished);
  EXPECT_EQ(z.S().Trains.TrainSlots2[1], false);
  EXPECT_EQ(z.S().LossSeries.LastIndex, 21);
}

TEST(BatchLaunch, EveryVariantRunsToTheEnd) {
  for (int v = 1; v <= 12; ++v) {
    Zone z(v);
    z.S().Params.BatchTrains.Set("2");
    z.S().Params.PskKm.Set(v == 11 ? "10" : "10");
    EXPECT_EQ(BatchLaunch(z.S()), RunOutcome::Finished) << v;
    EXPECT_EQ(Count(z.host, "Пакетный пуск завершен"), 1) << v;
    EXPECT_TRUE(z.S().Trains.Empty()) << v;
    EXPECT_GT(z.S().EnergyLoss, 0) << v;
  }
}

TEST(BatchLaunch, DetailedRunWritesTheReportAndTheTotals) {
  Zone z(2);
  z.S().Options.FastCalc = false;
  z.S().Params.BatchTrains.Set("1");
  EXPECT_EQ(BatchLaunch(z.S()), RunOutcome::Finished);
  std::vector<std::string> lines = WriteTotals(z.S());
  int steps = 0, totals = 0;
  for (const auto& l : lines) {
    steps += l.find("                                   -") == 0;
    totals += l == "                   ИТОГО ";
  }
  EXPECT_EQ(steps, z.S().LossSeries.LastIndex + 1);
  EXPECT_EQ(totals, 1);
}

TEST(TrainButtons, ValidateBeforeAdding) {
  Zone z(2);
  z.S().Params.TrainKm.Set("25");
  EXPECT_FALSE(AddTrainButton(z.S(), 1));
  ASSERT_EQ(z.host.messages.size(), 1u);
  EXPECT_EQ(z.host.messages[0].text, "Значение места положения эл-воза: '25' - не лежит между 0 и 20");
  z.S().Params.TrainKm.Set("5");
  EXPECT_TRUE(AddTrainButton(z.S(), 1));
  EXPECT_FALSE(z.S().Controls.ZoneLengthEnabled);
  EXPECT_EQ(z.S().Trains.TrainCount1(), 1u);
}

TEST(PauseButton, OnlyWithTrainsInTheTestMode) {
  Zone z(2);
  PauseButton(z.S());
  EXPECT_FALSE(z.S().PauseRequested);
  ASSERT_TRUE(AddTrain(z.S(), 1));
  PauseButton(z.S());
  EXPECT_TRUE(z.S().PauseRequested);
}

TEST(BatchLaunch, SpeedsAtWhichNoTrainMovesAreRefusedBeforeTheRun) {
  for (const char* speed : {"0.0", "00", "0.0001", "1E-9", "-0.000001"}) {
    Zone z(3);
    z.S().Params.TrainSpeed.Set(speed);
    EXPECT_EQ(BatchLaunch(z.S()), RunOutcome::Refused) << speed;
    ASSERT_EQ(z.host.messages.size(), 1u) << speed;
    EXPECT_EQ(z.host.messages[0].text, std::string("Скорость не может быть '") + speed +
                                           "' при шаге 1 мин: за шаг поезд проходит меньше 0.0001 км!");
    EXPECT_EQ(z.host.messages[0].kind, MsgKind::Error);
    EXPECT_TRUE(z.S().Trains.Empty());
  }
  // 0.0001 km in a step is enough: the train leaves a zone of 0.001 km.
  Zone z(2, "0.001");
  z.S().Params.TrainSpeed.Set("0.006");
  z.S().Params.BatchTrains.Set("1");
  z.S().Params.BatchInterval.Set("5");
  EXPECT_EQ(BatchLaunch(z.S()), RunOutcome::Finished);
  EXPECT_EQ(z.S().LossSeries.LastIndex, 11);

  // A train standing on the zone would never let the run end.
  Zone s(2);
  s.S().Params.TrainSpeed.Set("0");
  ASSERT_TRUE(AddTrain(s.S(), 1));
  s.S().Params.TrainSpeed.Set("60");
  EXPECT_EQ(BatchLaunch(s.S()), RunOutcome::Refused);
  ASSERT_EQ(s.host.messages.size(), 1u);
  EXPECT_EQ(s.host.messages[0].text,
            "Поезд 1 не покинет зону: при шаге 1 мин со скоростью '0' он проходит за шаг меньше 0.0001 км!");
}

TEST(BatchLaunch, ARunThatCannotEndStopsAsAFailure) {
  Zone z(2);
  AppState& st = z.S();
  // Something stops every train on the zone once the run is under way.
  struct Stopper : RecordingHost {
    AppState* s = nullptr;
    void ProcessEvents() override {
      RecordingHost::ProcessEvents();
      if (s->StepCount > 3)
        for (elvoz& t : s->Trains.Trains1) t.Speed = 0;
    }
  } host;
  host.s = &st;
  st.Host = &host;
  EXPECT_EQ(BatchLaunch(st), RunOutcome::Failed);
  // 2 trains x (10 + 2) interval steps, twice the 21 km at 1 km a step, 10 to spare.
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Пакетный пуск остановлен: поезда не покинули зону за 76 шагов");
  EXPECT_EQ(host.messages[0].kind, MsgKind::Error);
  EXPECT_FALSE(st.Controls.ResultsVisible);
  EXPECT_FALSE(st.Controls.RunActive);
  EXPECT_EQ(st.StepCount, 0u);
}

TEST(BatchLaunch, ConductorDataWithoutAnImpedanceRefusesTheRun) {
  Zone z(8);
  z.S().Params.EarthConductivity = 0;
  EXPECT_EQ(BatchLaunch(z.S()), RunOutcome::Refused);
  ASSERT_EQ(z.host.messages.size(), 1u);
  EXPECT_EQ(z.host.messages[0].text,
            "Сопротивление тяговой сети не может быть рассчитано. Значение "
            "проводимости земли: '0' - должно быть больше 0");
  EXPECT_EQ(z.host.messages[0].kind, MsgKind::Warning);
  EXPECT_FALSE(z.S().Work.Exists("Graph\\dp.gmt"));
  // A reactive voltage of a DC scheme, which the input check does not read.
  Zone d(3);
  d.S().Params.UaIm.Set("1e308");
  EXPECT_EQ(BatchLaunch(d.S()), RunOutcome::Refused);
  ASSERT_EQ(d.host.messages.size(), 1u);
  EXPECT_EQ(d.host.messages[0].text, "Значение напряжения ТП1(p): '1e308' - не лежит между -100000 и 100000");
  // Met only inside the run (a step's data changed on the way), it fails the run.
  Zone f(8);
  struct Spoiler : RecordingHost {
    AppState* s = nullptr;
    void ProcessEvents() override {
      RecordingHost::ProcessEvents();
      if (s->StepCount > 2) s->Params.EarthConductivity = 0;
    }
  } host;
  host.s = &f.S();
  f.S().Host = &host;
  EXPECT_EQ(BatchLaunch(f.S()), RunOutcome::Failed);
  EXPECT_EQ(Count(host, "Пакетный пуск завершен"), 0);
  EXPECT_FALSE(f.S().Controls.ResultsVisible);
}
