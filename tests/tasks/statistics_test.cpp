#include "tasks/statistics.h"

#include <gtest/gtest.h>

#include <array>

#include "driver/probrun.h"
#include "driver/runs.h"
#include "params/conv.h"
#include "params/defaults.h"
#include "params/persist.h"
#include "zone_fixture.h"

using namespace tps;
using tpstest::ReadString;
using tpstest::Zone;

namespace {

// A DC double-track zone of 20 km in the probabilistic mode with the flow counts given.
struct StatZone : Zone {
  explicit StatZone(std::array<uint16_t, 4> counts = {3, 1, 1, 1}) : Zone(3) {
    S().Rng.SetSeed(4242);
    TProbTrainRecord r = DefaultProbTrainRecord();
    for (int k = 0; k < 4; ++k) r.Entry[k].Count = counts[k];
    WriteProbTrainRecord(S(), r);
    LoadProbTrainParams(S());
    EnterProbMode(S());
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::string text = ReadString(dir.Path() / "Statistic.txt"), cur;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
        lines.push_back(cur);
        cur.clear();
        ++i;
      } else {
        cur += text[i];
      }
    }
    EXPECT_TRUE(cur.empty());
    return lines;
  }
};

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> f;
  size_t start = 0;
  for (size_t p; (p = line.find(' ', start)) != std::string::npos; start = p + 1)
    f.push_back(line.substr(start, p - start));
  f.push_back(line.substr(start));
  return f;
}

}  // namespace

// A realization with one solved step (or none) has 0 in its four integrals:
// a series of at most two values integrates to 0.
TEST(Statistics, SquareIntegralOfTheFeederSeries) {
  EXPECT_EQ(SquareIntegral({}, 1), 0);
  EXPECT_EQ(SquareIntegral({250}, 1), 0);
  EXPECT_EQ(SquareIntegral({3, 4}, 1), 0);
  EXPECT_EQ(SquareIntegral({1, 2, 3}, 0.5), 0.5 * (1 + 4) / 2 + 0.5 * (4 + 9) / 2);
}

// n = 1: the header in the code page and exactly one line numbered 1, the
// totals of that realization; the realization is the run "Старт иммитации"
// makes from the same generator state.
TEST(Statistics, OneRealizationIsTheProbabilisticRun) {
  StatZone alone;
  ASSERT_EQ(StartRun(alone.S()), RunOutcome::Finished);
  StatZone z;
  StudyControl ctl;
  const StatisticsResult r = RunStatistics(z.S(), "1", ctl);
  ASSERT_EQ(r.Outcome, RunOutcome::Finished);
  ASSERT_EQ(r.Done.size(), 1u);
  const std::string header = Utf8ToCp1251(kStatisticHeader);
  EXPECT_EQ(ReadString(z.dir.Path() / "Statistic.txt").compare(0, header.size() + 2, header + "\r\n"), 0);
  const std::vector<std::string> lines = z.Lines();
  ASSERT_EQ(lines.size(), 2u);
  const std::vector<std::string> f = Fields(lines[1]);
  ASSERT_EQ(f.size(), 9u);
  EXPECT_EQ(f[0], "1");
  EXPECT_EQ(f[1], FloatToStr(alone.S().EnergySupplied[0]));
  EXPECT_EQ(f[3], FloatToStr(alone.S().EnergyLoss));
  EXPECT_EQ(f[4], FloatToStr(alone.S().LossPercent));
  EXPECT_EQ(f[5], FloatToStr(SquareIntegral(alone.S().Chart.Series[0], 1.0 / 60)));
  EXPECT_NE(f[5], "0");
}

// The realizations drawn ahead and solved side by side give the file of one
// after another, byte for byte; a stop keeps the realizations done.
TEST(Statistics, SameOnEveryCoreAndAStopKeepsWhatWasDone) {
  std::string files[2][3];
  for (unsigned jobs : {1u, 2u}) {
    StatZone z;
    StudyControl ctl;
    ctl.Jobs = jobs;
    const StatisticsResult r = RunStatistics(z.S(), "12", ctl);
    ASSERT_EQ(r.Outcome, RunOutcome::Finished);
    EXPECT_EQ(r.Done.size(), 12u);
    // The steps of every realization are counted, once, into the study's.
    EXPECT_GE(ctl.Steps.load(), 12u * 60);
    EXPECT_EQ(ctl.Steps.load(), ctl.StepsOfRunsDone.load());
    files[jobs - 1][0] = ReadString(z.dir.Path() / "Statistic.txt");
    files[jobs - 1][1] = ReadString(z.dir.Path() / "Final.txt");
    files[jobs - 1][2] = ReadString(z.dir.Path() / "Graph/dp.gmt");
    EXPECT_EQ(z.S().Rng.Seed() == 4242, false);
  }
  for (int f = 0; f < 3; ++f) EXPECT_EQ(files[0][f], files[1][f]) << f;

  StatZone z;
  StudyControl ctl;
  ctl.Progress = [&](size_t done, size_t) {
    if (done == 2) ctl.Stop = true;
  };
  const StatisticsResult r = RunStatistics(z.S(), "5", ctl);
  EXPECT_TRUE(r.Stopped);
  EXPECT_EQ(z.Lines().size(), 3u);
}
