#include "driver/runs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "driver/seed.h"
#include "driver/testrun.h"
#include "params/conv.h"
#include "params/defaults.h"
#include "params/errors.h"
#include "params/lifecycle.h"
#include "params/persist.h"
#include "solver/report.h"
#include "traffic/schedule.h"
#include "validation/schedule_checks.h"
#include "zone_fixture.h"

using namespace tps;
using tpstest::Zone;

namespace {

TGDPEvent Appear(uint16_t number, double km, double speed, double active = 1000) {
  TGDPEvent e;
  e.Number = number;
  e.Kind = ekAppear;
  e.ActiveCurrent = active;
  e.Position = km;
  e.Speed = speed;
  return e;
}

TGDPEvent Event(uint16_t number, uint8_t kind, double speed = 0) {
  TGDPEvent e;
  e.Number = number;
  e.Kind = kind;
  e.ActiveCurrent = 900;
  e.Speed = speed;
  return e;
}

// A DC double-track zone in the schedule mode with the probabilistic
// parameters shipped with the program.
struct ScheduleZone : Zone {
  explicit ScheduleZone(int variant = 3) : Zone(variant) {
    S().RunMode = ModeSchedule;
    WriteProbTrainRecord(S(), DefaultProbTrainRecord());
    LoadProbTrainParams(S());
  }
  TGDPClass Fresh() {
    TGDPClass g;
    g.Init(S());
    return g;
  }
  void Save(const TGDPClass& g, const std::string& name) { g.SaveToFile(S().Work, SchedulePath(name)); }
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& m : host.messages) t.push_back(m.text);
    return t;
  }
  bool LossFile() const { return S().Work.Exists("Graph\\dp.gmt"); }
  const AppState& S() const { return *st; }
  AppState& S() { return *st; }
};

}  // namespace

TEST(ScheduleRun, RunsToTheLastTimePointThenSolvesTheZoneOnceMore) {
  for (bool charts : {true, false}) {
    ScheduleZone z;
    AppState& st = z.S();
    st.Options.BuildCharts = charts;
    TGDPClass g = z.Fresh();
    g.AddEvent(0, Appear(1, 0, 60));
    g.AddEvent(2, Appear(2, 20, 60));
    g.AddFinalizationPoint(5);
    z.Save(g, "five.gdp");
    ASSERT_EQ(StartScheduleRun(st, "five.gdp"), RunOutcome::Finished);
    EXPECT_EQ(z.Texts(), (std::vector<std::string>{"Имитация окончена"}));
    // Five steps of the schedule and the zone once more: the last time point is never executed.
    EXPECT_EQ(st.LossSeries.LastIndex, 5);
    EXPECT_EQ(ReadLossFile(st).LastIndex, 5);
    EXPECT_EQ(st.StepCount, 0u);
    EXPECT_EQ(st.ModelTime, 0);
    EXPECT_TRUE(st.Trains.Empty());
    EXPECT_FALSE(st.Controls.RunActive);
    EXPECT_TRUE(st.Controls.ResultsVisible);
    EXPECT_EQ(st.Params.ResultsPending, 1);
    EXPECT_GT(st.EnergyLoss, 0);
  }
}

TEST(ScheduleRun, FinalEventEndsTheRunAtItsStep) {
  ScheduleZone z;
  AppState& st = z.S();
  TGDPClass g = z.Fresh();
  g.AddEvent(0, Appear(1, 0, 60));
  g.AddEvent(3, Event(0, ekFinal));
  g.AddEvent(3, Appear(3, 0, 60));
  g.AddFinalizationPoint(10);
  z.Save(g, "final.gdp");
  ASSERT_EQ(StartScheduleRun(st, "final.gdp"), RunOutcome::Finished);
  // Steps 1..3, the fourth stops on the final event, then the zone once more.
  EXPECT_EQ(st.LossSeries.LastIndex, 3);
}

TEST(ScheduleRun, DamagedFileIsRefusedBeforeAnythingOfTheRunChanges) {
  ScheduleZone z;
  AppState& st = z.S();
  TGDPClass g = z.Fresh();
  g.AddEvent(0, Appear(1, 0, 60));
  g.AddEvent(4, Appear(3, 0, 60));
  g.AddFinalizationPoint(8);
  Bytes good = g.ToBytes();
  WriteText(st.Work, "Final.txt", "previous run\r\n");
  st.EnergyLoss = 42;
  st.Params.ResultsPending = 1;
  ASSERT_TRUE(AddTrain(st, 1));  // a train listed before the run

  const Bytes shortFile(good.begin(), good.end() - 20);
  Bytes overCounted = good;
  const uint32_t huge = 1000000;
  std::memcpy(&overCounted[401], &huge, 4);
  for (const Bytes& bad : {shortFile, overCounted}) {
    z.host.messages.clear();
    tpstest::WriteBytes(st.Work.Resolve("gdp\\bad.gdp", true), bad);
    EXPECT_EQ(StartScheduleRun(st, "bad.gdp"), RunOutcome::Failed);
    ASSERT_EQ(z.host.messages.size(), 1u);
    EXPECT_EQ(z.host.messages[0].kind, MsgKind::Error);
    EXPECT_NE(z.host.messages[0].text.find("gdp\\bad.gdp"), std::string::npos) << z.host.messages[0].text;
    EXPECT_EQ(st.EnergyLoss, 42);
    EXPECT_EQ(st.Params.ResultsPending, 1);
    EXPECT_EQ(st.Trains.TrainCount1(), 1u);
    EXPECT_EQ(ReadText(st.Work, "Final.txt"), "previous run\r\n");
    EXPECT_FALSE(z.LossFile());
    EXPECT_FALSE(st.Controls.RunActive);
  }
  // A missing file, and a schedule for another zone length.
  z.host.messages.clear();
  EXPECT_EQ(StartScheduleRun(st, "none.gdp"), RunOutcome::Failed);
  z.Save(g, "ok.gdp");
  st.Params.ZoneLength.Set("20.0");
  z.host.messages.clear();
  EXPECT_EQ(StartScheduleRun(st, "ok.gdp"), RunOutcome::Refused);
  EXPECT_EQ(z.Texts(), (std::vector<std::string>{"Неправильный тип схемных параметров"}));
  EXPECT_EQ(st.EnergyLoss, 42);
}

TEST(ScheduleRun, EveryRunLoopHasABound) {
  // Variants 6 and 12 take any step in the other modes; the schedule mode
  // does not run them at all (their track-2 trains would stand unfed).
  for (const char* step : {"0", "1E-3"}) {
    ScheduleZone z(6);
    AppState& st = z.S();
    st.Params.StepMinutes.Set(step);
    TGDPClass g = z.Fresh();
    g.AddEvent(0, Appear(1, 0, 60));
    g.AddFinalizationPoint(5);
    z.Save(g, "zero.gdp");
    EXPECT_EQ(StartScheduleRun(st, "zero.gdp"), RunOutcome::Refused) << step;
    ASSERT_EQ(z.host.messages.size(), 1u);
    EXPECT_NE(z.host.messages[0].text.find("\"Откл Ф2 и Ф4\""), std::string::npos);
    EXPECT_EQ(st.StepCount, 0u);
  }
  // A stored time beyond the editor's year.
  ScheduleZone z;
  TGDPClass g = z.Fresh();
  g.AddFinalizationPoint(600000);
  z.Save(g, "long.gdp");
  EXPECT_EQ(StartScheduleRun(z.S(), "long.gdp"), RunOutcome::Refused);
  ASSERT_EQ(z.host.messages.size(), 1u);
  EXPECT_EQ(z.host.messages[0].text.rfind("ГДП длиннее года (416:16:00)", 0), 0u) << z.host.messages[0].text;
}

// A schedule ending at time point t runs t steps and one final solution at
// every step of the list: the steps are counted, not the clock compared
// (0.1 x 3 > 0.3 in floating point ran a fourth step, and the train of the
// last time point entered). The clock of the end follows from the count.
TEST(ScheduleRun, AScheduleOfTTimePointsRunsTStepsAtEveryStep) {
  for (const char* step : {"0.1", "0.2", "0.4", "0.8", "0.9", "1.1", "1.3", "1.6", "1.8"}) {
    for (uint32_t last = 1; last <= 24; ++last) {
      ScheduleZone z;
      AppState& st = z.S();
      st.Params.StepMinutes.Set(step);
      TGDPClass g = z.Fresh();
      g.AddEvent(0, Appear(1, 0, 60));
      g.AddEvent(last, Appear(3, 0, 60));  // never enters: its time point is the last
      z.Save(g, "steps.gdp");
      ASSERT_EQ(StartScheduleRun(st, "steps.gdp"), RunOutcome::Finished) << step << " " << last;
      EXPECT_EQ(st.LossSeries.LastIndex, int32_t(last)) << step << " " << last;
      EXPECT_EQ(st.RunEndTime, SnapTenth(last * StrToFloat(step))) << step << " " << last;
      for (const TChartSeries& s : st.Chart.TrainSeries) EXPECT_NE(s.Number, 3) << step << " " << last;
    }
  }
}

// The schedule mode refuses what its run could not show: "Откл Ф2 и Ф4"
// (variants 6 and 12), and a track-2 (even) train on a single-track scheme,
// which would vanish from the run unseen; both before anything changes.
TEST(ScheduleRun, TrainsWithoutAFedTrackAreRefused) {
  {
    ScheduleZone z(12);
    TGDPClass g = z.Fresh();
    g.AddEvent(0, Appear(1, 0, 60));
    g.AddFinalizationPoint(3);
    z.Save(g, "off.gdp");
    EXPECT_EQ(StartScheduleRun(z.S(), "off.gdp"), RunOutcome::Refused);
    EXPECT_EQ(z.Texts(), (std::vector<std::string>{
                             "Расчёт по ГДП со схемой \"Откл Ф2 и Ф4\" (схема 12) не ведётся: поезда пути "
                             "2 стояли бы на пути без питания"}));
    EXPECT_FALSE(z.LossFile());
  }
  ScheduleZone z(2);
  TGDPClass g = z.Fresh();
  g.AddEvent(0, Appear(1, 0, 60));
  g.AddEvent(2, Appear(2, 20, 60));
  g.AddFinalizationPoint(5);
  z.Save(g, "two.gdp");
  EXPECT_EQ(StartScheduleRun(z.S(), "two.gdp"), RunOutcome::Refused);
  EXPECT_EQ(z.Texts(), (std::vector<std::string>{"ГДП: поезд №2 (точка времени 2) идёт по пути 2, а у схемы 2 "
                                                 "\"Пост.одн.двусторонняя\" пути 2 нет"}));
  EXPECT_FALSE(z.LossFile());
  EXPECT_FALSE(z.S().Controls.RunActive);
}

TEST(ScheduleRun, SpeedChangesOfAbsentTrainsAreReportedOnce) {
  ScheduleZone z;
  AppState& st = z.S();
  TGDPClass g = z.Fresh();
  g.AddEvent(0, Appear(1, 0, 60));
  g.AddEvent(1, Event(5, ekSpeedChange, 40));
  g.AddEvent(2, Event(8, ekSpeedChange, 40));
  g.AddEvent(2, Event(1, ekSpeedChange, 40));
  g.AddFinalizationPoint(4);
  z.Save(g, "absent.gdp");
  ASSERT_EQ(StartScheduleRun(st, "absent.gdp"), RunOutcome::Finished);
  EXPECT_EQ(z.Texts(),
            (std::vector<std::string>{
                "Изменение скорости не выполнено, поезда нет на участке: №5 (00:00:01), №8 (00:00:02)",
                "Имитация окончена"}));
  EXPECT_EQ(z.host.messages[0].kind, MsgKind::Warning);
}

// "Пауза" stops a schedule run after the step under way; the trains, the
// clock and the totals wait, and Start continues the same schedule (whatever
// file is selected then) to the totals of a run made at one go. A Start
// while the run goes on is refused.
TEST(ScheduleRun, PauseWaitsAfterItsStepAndStartContinuesTheSameRun) {
  ScheduleZone whole;
  TGDPClass g = whole.Fresh();
  g.AddEvent(0, Appear(1, 0, 30));
  g.AddEvent(2, Appear(2, 20, 45));
  g.AddFinalizationPoint(9);
  whole.Save(g, "pause.gdp");
  ASSERT_EQ(StartScheduleRun(whole.S(), "pause.gdp"), RunOutcome::Finished);
  const std::vector<uint8_t> loss = tpstest::ReadBytes(whole.S().Work.Resolve("Graph\\dp.gmt"));

  ScheduleZone z;
  AppState& st = z.S();
  struct PausingHost : RecordingHost {
    AppState* st = nullptr;
    RunOutcome nested = RunOutcome::Finished;
    uint64_t planned = 0;
    void ProcessEvents() override {
      ++pumps;
      if (pumps == 1) nested = StartScheduleRun(*st, "pause.gdp");
      if (st->StepCount == 3) PauseButton(*st);
      planned = st->StepsPlanned;
    }
  } host;
  host.st = &st;
  st.Host = &host;
  z.Save(g, "pause.gdp");
  ASSERT_EQ(StartScheduleRun(st, "pause.gdp"), RunOutcome::Paused);
  EXPECT_EQ(host.nested, RunOutcome::Refused);
  EXPECT_EQ(host.planned, 10u);  // nine time points and the final solution
  EXPECT_TRUE(ScheduleRunPaused(st));
  EXPECT_EQ(st.StepCount, 3u);
  EXPECT_EQ(st.ModelTime, 3);
  EXPECT_FALSE(st.Trains.Empty());
  EXPECT_FALSE(st.Controls.RunActive);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_FALSE(z.LossFile());

  st.Host = &z.host;
  ASSERT_EQ(StartScheduleRun(st, "no-such.gdp"), RunOutcome::Finished);
  EXPECT_FALSE(ScheduleRunPaused(st));
  EXPECT_EQ(z.Texts(), (std::vector<std::string>{"Имитация окончена"}));
  EXPECT_EQ(st.EnergyLoss, whole.S().EnergyLoss);
  EXPECT_EQ(tpstest::ReadBytes(st.Work.Resolve("Graph\\dp.gmt")), loss);
  EXPECT_EQ(st.StepCount, 0u);
  EXPECT_EQ(st.StepsPlanned, 0u);
  EXPECT_TRUE(st.Trains.Empty());
  // The next Start runs the schedule again from its beginning.
  ASSERT_EQ(StartScheduleRun(st, "pause.gdp"), RunOutcome::Finished);
  EXPECT_EQ(ReadLossFile(st).LastIndex, 9);
}

TEST(ScheduleRun, DefaultScheduleRunsFromAFreshlySeededWorkingDirectory) {
  tpstest::TempDir dir;
  // The lowest speed each train of the zone had at a step's end, and where
  // each train stands at every time point.
  struct WatchingHost : RecordingHost {
    AppState* st = nullptr;
    std::map<int, double> lowest;
    std::map<uint32_t, std::map<int, double>> km;
    void ProcessEvents() override {
      ++pumps;
      for (const auto* track : {&st->Trains.Trains1, &st->Trains.Trains2})
        for (const elvoz& t : *track) {
          if (!lowest.count(t.Number) || t.Speed < lowest[t.Number]) lowest[t.Number] = t.Speed;
          km[st->StepCount][t.Number] = t.Km;
        }
    }
  } host;
  auto owned = std::make_unique<AppState>();
  AppState& st = *owned;
  st.Work = dir.Work();
  st.Host = &host;
  host.st = &st;
  SeedNewWorkDir(st.Work);
  StartUp(st, false);
  st.Scheme = SchemeControlsForVariant(3);
  UpdateSchemeVariant(st);
  ASSERT_TRUE(LoadState(st, 14));
  LoadProbTrainParams(st);

  SchedulePanelView view = EnterScheduleMode(st);
  EXPECT_EQ(st.RunMode, ModeSchedule);
  EXPECT_EQ(view.Files, (std::vector<std::string>{"file00.gdp"}));
  EXPECT_EQ(view.Selected, "file00.gdp");
  EXPECT_EQ(st.ScheduleLabelColours.Scheme, kLabelGreen);
  const ScheduleInfo& info = view.Info;
  EXPECT_EQ(info.LengthText, "20");
  EXPECT_EQ(info.SchemeName, "Пост.двухп.двусторонняя");
  EXPECT_EQ(info.StepText, "1");
  EXPECT_EQ(info.DurationText, "00:02:00");
  EXPECT_EQ(CheckScheduleMatch(st, "", false), 0);

  ASSERT_EQ(StartScheduleRun(st, ""), RunOutcome::Finished);
  EXPECT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages.back().text, "Имитация окончена");
  EXPECT_EQ(st.LossSeries.LastIndex, 120);
  EXPECT_GT(st.EnergyLoss, 0);
  // The express trains close up to the slow freight trains ahead of them.
  EXPECT_EQ(host.lowest[3], 50);
  EXPECT_EQ(host.lowest[6], 45);
  EXPECT_EQ(host.lowest[1], 50);
  EXPECT_EQ(host.lowest.size(), 21u);
  EXPECT_GT(CAbs(st.MinVoltage), 1000);
  EXPECT_LT(CAbs(st.MinVoltage), 3300);
  std::vector<std::string> totals = WriteTotals(st);
  EXPECT_FALSE(totals.empty());
  EXPECT_EQ(st.Params.ResultsPending, 0);

  // The schedule's places are where the run has its trains: a speed change
  // where the train stands, "проехал участок" at the time point after the
  // step it left in, at the zone's end, and "остался на зоне" where it stands
  // at the schedule's end. Every path that opens is closed once.
  TGDPClass g;
  g.LoadFromFile(st.Work, "gdp\\file00.gdp");
  std::map<int, int> open;
  int changes = 0, passed = 0, stayed = 0;
  for (const TEvents& p : g.Schedule.Items) {
    for (const TGDPEvent& e : p.Events) {
      SCOPED_TRACE(std::to_string(p.Time) + " №" + std::to_string(e.Number));
      const std::map<int, double>& now = host.km[p.Time];
      if (e.Kind == ekAppear) {
        EXPECT_EQ(open[e.Number]++, 0);
      }
      if (e.Kind == ekPassed || e.Kind == ekStayed) {
        EXPECT_EQ(open[e.Number]--, 1);
      }
      if (e.Kind == ekSpeedChange || e.Kind == ekStayed) {
        ASSERT_TRUE(now.count(e.Number));
        EXPECT_EQ(e.Position, now.at(e.Number));
        changes += e.Kind == ekSpeedChange;
        stayed += e.Kind == ekStayed;
      }
      if (e.Kind == ekStayed) {
        EXPECT_EQ(p.Time, g.LastTime());
      }
      if (e.Kind == ekPassed) {
        ++passed;
        EXPECT_TRUE(host.km[p.Time - 1].count(e.Number));
        EXPECT_FALSE(now.count(e.Number));
        EXPECT_EQ(e.Position, e.Number % 2 ? 20.0 : 0.0);
      }
    }
  }
  for (const auto& [number, n] : open) EXPECT_EQ(n, 0) << number;
  EXPECT_EQ(changes, 6);
  EXPECT_EQ(passed, 18);
  EXPECT_EQ(stayed, 3);

  // Those places and closing events only draw the paths: the schedule without
  // them (every speed change at km 0) gives the same losses, byte for byte.
  const Bytes losses = ReadFileBytes(st.Work, "Graph\\dp.gmt");
  for (TEvents& p : g.Schedule.Items) {
    std::vector<TGDPEvent> kept;
    for (TGDPEvent e : p.Events) {
      if (e.Kind == ekPassed || e.Kind == ekStayed) continue;
      if (e.Kind == ekSpeedChange) e.Position = 0;
      kept.push_back(e);
    }
    p.Events = kept;
    p.Count = static_cast<uint32_t>(kept.size());
  }
  std::erase_if(g.Schedule.Items, [&](const TEvents& p) { return p.Count == 0 && p.Time != 120; });
  g.Schedule.Count = static_cast<uint32_t>(g.Schedule.Items.size());
  g.SaveToFile(st.Work, "gdp\\bare.gdp");
  ASSERT_EQ(StartScheduleRun(st, "bare.gdp"), RunOutcome::Finished);
  EXPECT_EQ(ReadFileBytes(st.Work, "Graph\\dp.gmt"), losses);
}

TEST(SchedulePanel, ListDetailsAndDeletion) {
  ScheduleZone z;
  AppState& st = z.S();
  EXPECT_TRUE(ListScheduleFiles(st).empty());  // no "gdp" yet
  EXPECT_TRUE(EnterScheduleMode(st).Selected.empty());
  TGDPClass g = z.Fresh();
  z.Save(g, "file00.gdp");
  z.Save(g, "Second.GDP");
  z.Save(g, "a.gdp");
  WriteText(st.Work, "gdp\\notes.txt", "x");
  EXPECT_EQ(ListScheduleFiles(st), (std::vector<std::string>{"a.gdp", "file00.gdp", "Second.GDP"}));
  // A schedule without time points lasts nothing.
  ScheduleInfo info = ShowScheduleInfo(st, "a.gdp");
  EXPECT_EQ(info.DurationText, "00:00:00");
  EXPECT_EQ(info.SchemeName, "Пост.двухп.двусторонняя");
  // A click on a schedule of another step colours the step label, silently.
  st.Params.StepMinutes.Set("0.5");
  EXPECT_EQ(SelectScheduleFile(st, "a.gdp").StepText, "1");
  EXPECT_EQ(st.ScheduleLabelColours.Step, kLabelRed);
  EXPECT_EQ(st.ScheduleLabelColours.ZoneLength, kLabelGreen);
  EXPECT_TRUE(z.host.messages.empty());

  EXPECT_FALSE(DeleteScheduleFile(st, "file00.gdp"));
  EXPECT_FALSE(DeleteScheduleFile(st, "FILE00.GDP"));
  EXPECT_EQ(z.Texts(), (std::vector<std::string>{"Нельзя удалить этот файл", "Нельзя удалить этот файл"}));
  EXPECT_EQ(z.host.messages[0].kind, MsgKind::Information);
  // Any other asks first, naming the file: Cancel keeps it, OK deletes it.
  z.host.messages.clear();
  z.host.answer = false;
  EXPECT_FALSE(DeleteScheduleFile(st, "Second.GDP"));
  EXPECT_EQ(z.Texts(), (std::vector<std::string>{"Удалить ГДП \"Second.GDP\" из папки gdp?"}));
  EXPECT_EQ(z.host.messages[0].buttons, MsgButtons::OkCancel);
  EXPECT_EQ(ListScheduleFiles(st).size(), 3u);
  z.host.answer = true;
  EXPECT_TRUE(DeleteScheduleFile(st, "second.gdp"));
  EXPECT_EQ(ListScheduleFiles(st), (std::vector<std::string>{"a.gdp", "file00.gdp"}));
  z.host.messages.clear();
  EXPECT_THROW(DeleteScheduleFile(st, "..\\DATA\\global.dmt"), IoError);
  EXPECT_TRUE(z.host.messages.empty());  // refused before any question
}
