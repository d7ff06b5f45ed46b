#include "tasks/placement.h"

#include <gtest/gtest.h>

#include "driver/runs.h"
#include "params/conv.h"
#include "params/defaults.h"
#include "params/persist.h"
#include "traffic/schedule.h"
#include "validation/schedule_checks.h"
#include "zone_fixture.h"

using namespace tps;
using tpstest::ReadBytes;
using tpstest::ReadString;
using tpstest::Zone;

namespace {

TGDPEvent Appear(uint16_t number, double km, double speed) {
  TGDPEvent e;
  e.Number = number;
  e.Kind = ekAppear;
  e.ActiveCurrent = 1000;
  e.Position = km;
  e.Speed = speed;
  return e;
}

// A zone in the schedule mode with a schedule "study.gdp" of its scheme: a
// train each way, and a final event before the last time point, so that the
// schedule's own end stops every run early.
struct StudyZone : Zone {
  explicit StudyZone(int variant, const std::string& km = "20", bool trains = true) : Zone(variant, km) {
    S().RunMode = ModeSchedule;
    S().Options.BuildCharts = true;
    WriteProbTrainRecord(S(), DefaultProbTrainRecord());
    LoadProbTrainParams(S());
    TGDPClass g;
    g.Init(S());
    if (trains) {
      g.AddEvent(0, Appear(1, 0, 60));
      g.AddEvent(1, Appear(2, StrToFloat(km), 80));
    }
    TGDPEvent fin;
    fin.Kind = ekFinal;
    g.AddEvent(6, fin);
    g.AddFinalizationPoint(9);
    g.SaveToFile(S().Work, SchedulePath("study.gdp"));
  }
  std::vector<uint8_t> File(const std::string& rel) const { return ReadBytes(dir.Path() / rel); }
};

std::string Lines(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\r\n";
  return s;
}

}  // namespace

// От 1, До 3, Шаг 1: three places, each the loss of a run made alone; the
// schedule's own final event ends only its run, and the post goes to the best
// place. One job and two give the same files byte for byte.
TEST(SweepPsk, ThreePlacesEachARunOfItsOwnSameOnEveryCore) {
  std::vector<double> alone;
  for (const char* km : {"1", "2", "3"}) {
    StudyZone z(4);
    z.S().Params.PskKm.Set(km);
    ASSERT_EQ(StartScheduleRun(z.S(), "study.gdp"), RunOutcome::Finished);
    alone.push_back(z.S().EnergyLoss);
  }
  ASSERT_FALSE(alone[0] == alone[1] && alone[1] == alone[2]);

  std::vector<uint8_t> files[2][3];
  for (unsigned jobs : {1u, 2u}) {
    StudyZone z(4);
    z.S().Options.FastCalc = false;  // every step into "Final.txt"
    StudyControl ctl;
    ctl.Jobs = jobs;
    const PskSweepResult r = SweepPsk(z.S(), "study.gdp", {"1", "3", "1"}, ctl);
    ASSERT_EQ(r.Outcome, RunOutcome::Finished);
    EXPECT_FALSE(r.Stopped);
    EXPECT_EQ(r.Positions, (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(r.Losses, alone);
    ASSERT_TRUE(r.HasBest);
    size_t best = 0;
    for (size_t k = 1; k < 3; ++k)
      if (alone[k] < alone[best]) best = k;
    EXPECT_EQ(r.Best, best);
    EXPECT_EQ(z.S().Params.PskKm.Get(), FloatToStr(r.Positions[best]));
    const std::vector<std::string> want = {"1 " + FloatToStr(alone[0]), "2 " + FloatToStr(alone[1]),
                                           "3 " + FloatToStr(alone[2])};
    const std::string text = Lines(want);
    EXPECT_EQ(z.File("Export/TaskPSK.txt"), std::vector<uint8_t>(text.begin(), text.end()));
    // No message of any run is repeated per place, no scratch is left.
    EXPECT_TRUE(z.host.messages.empty());
    EXPECT_FALSE(std::filesystem::exists(z.dir.Path() / "Temp"));
    // The state is that of the last place run: its totals and its files.
    EXPECT_EQ(z.S().EnergyLoss, alone[2]);
    int i = jobs - 1;
    files[i][0] = z.File("Export/TaskPSK.txt");
    files[i][1] = z.File("Final.txt");
    files[i][2] = z.File("Graph/dp.gmt");
  }
  EXPECT_GT(files[0][1].size(), 1000u);
  for (int f = 0; f < 3; ++f) EXPECT_EQ(files[0][f], files[1][f]) << f;
}

// With no train the loss is the same everywhere: the first place wins. A
// stop after the first run keeps that run, and the post stays where it ran.
TEST(SweepPsk, EqualMinimaChooseTheEarlierAndAStopKeepsWhatWasRun) {
  {
    StudyZone z(4, "20", false);
    StudyControl ctl;
    ctl.Jobs = 2;
    const PskSweepResult r = SweepPsk(z.S(), "study.gdp", {"2", "5", "1"}, ctl);
    ASSERT_EQ(r.Losses.size(), 4u);
    EXPECT_EQ(r.Losses[0], r.Losses[3]);
    EXPECT_EQ(r.Best, 0u);
    EXPECT_EQ(z.S().Params.PskKm.Get(), "2");
  }
  StudyZone z(4);
  StudyControl ctl;
  ctl.Jobs = 1;
  ctl.Progress = [&](size_t done, size_t) {
    if (done == 2) ctl.Stop = true;
  };
  const PskSweepResult r = SweepPsk(z.S(), "study.gdp", {"1", "10", "1"}, ctl);
  EXPECT_TRUE(r.Stopped);
  EXPECT_EQ(r.Positions, (std::vector<double>{1, 2}));
  EXPECT_EQ(z.S().Params.PskKm.Get(), "2");
  EXPECT_EQ(z.File("Export/TaskPSK.txt").size(),
            Lines({"1 " + FloatToStr(r.Losses[0]), "2 " + FloatToStr(r.Losses[1])}).size());
}

// A schedule of another scheme or a bound out of range: refused with its
// message, nothing run, the previous results file kept.
TEST(SweepPsk, RefusalsRunNothing) {
  StudyZone z(4);
  WriteText(z.S().Work, kPskTaskFile, "old\r\n");
  StudyControl ctl;
  EXPECT_EQ(SweepPsk(z.S(), "study.gdp", {"1", "25", "1"}, ctl).Outcome, RunOutcome::Refused);
  ASSERT_EQ(z.host.messages.size(), 1u);
  z.S().Params.ZoneLength.Set("30");
  EXPECT_EQ(SweepPsk(z.S(), "study.gdp", {"1", "3", "1"}, ctl).Outcome, RunOutcome::Refused);
  EXPECT_EQ(z.host.messages.back().text, "Неправильный тип схемных параметров");
  EXPECT_EQ(ReadString(z.dir.Path() / "Export/TaskPSK.txt"), "old\r\n");
}

// L = 10, h = 1: the first pass tries ПСК at 1 … 9 with ППС1 at 0.01 and
// ППС2 at 9.99; ППС1 stays left of the sectioning post, ППС2 starts one step
// right of it. One job and two write the same file.
TEST(SearchPskPps, CoordinateDescentSameOnEveryCore) {
  std::vector<uint8_t> files[2];
  for (unsigned jobs : {1u, 2u}) {
    StudyZone z(5, "10");
    StudyControl ctl;
    ctl.Jobs = jobs;
    const PostSearchResult r = SearchPskPps(z.S(), "study.gdp", {"1", "9", "1"}, ctl);
    ASSERT_EQ(r.Outcome, RunOutcome::Finished);
    ASSERT_GT(r.Runs.size(), 9u);
    for (size_t k = 0; k < 9; ++k) {
      EXPECT_EQ(r.Runs[k].Psk, k + 1.0);
      EXPECT_EQ(r.Runs[k].Pps1, 0.01);
      EXPECT_EQ(r.Runs[k].Pps2, 9.99);
    }
    // The ППС1 sweep: 2, 3, … below the sectioning post; then ППС2 from one step right of it.
    size_t k = 9;
    for (; k < r.Runs.size() && r.Runs[k].Pps2 == 9.99; ++k) {
      EXPECT_LT(r.Runs[k].Pps1, r.Runs[k].Psk);
      EXPECT_EQ(r.Runs[k].Pps1, k - 7.0);
    }
    if (k < r.Runs.size()) {
      EXPECT_EQ(r.Runs[k].Pps2, r.Runs[k].Psk + 1);
    }
    ASSERT_TRUE(r.HasBest);
    for (const PostRun& run : r.Runs) EXPECT_GE(run.Loss, r.Runs[r.Best].Loss);
    files[jobs - 1] = z.File("Export/TaskPSK&PPS.txt");
    EXPECT_FALSE(files[jobs - 1].empty());
  }
  EXPECT_EQ(files[0], files[1]);
}

// With "Писать матрицы в файл?" checked every step writes the head files and
// reads them back: runs side by side would read one another's, so the sweep
// runs one place after another and gives the losses of one job.
TEST(SweepPsk, HeadFilesKeepTheSweepToOneRunAtATime) {
  std::vector<double> losses[2];
  for (unsigned jobs : {1u, 2u}) {
    StudyZone z(4);
    z.S().Options.WriteMatrices = true;
    StudyControl ctl;
    ctl.Jobs = jobs;
    const PskSweepResult r = SweepPsk(z.S(), "study.gdp", {"1", "3", "1"}, ctl);
    ASSERT_EQ(r.Outcome, RunOutcome::Finished) << jobs;
    losses[jobs - 1] = r.Losses;
  }
  EXPECT_EQ(losses[0], losses[1]);
}
