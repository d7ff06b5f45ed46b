// The worker pool of the studies: every batch ends with its outcome whatever
// the number of jobs and however its runs end, the runs kept are a prefix in
// order, the files in place are those of the last run kept, no scratch
// folder is left, and the run states alive do not grow with the runs.
#include "tasks/study.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "params/fileio.h"
#include "zone_fixture.h"

using namespace tps;
using tpstest::ReadString;
using tpstest::Zone;

namespace {

StudyRun Kept(double value) {
  StudyRun r;
  r.Outcome = RunOutcome::Finished;
  r.Complete = true;
  r.Loss = value;
  return r;
}

StudyRun Refused() {
  StudyRun r;
  r.Outcome = RunOutcome::Refused;
  return r;
}

// Runs that pump a few steps, as a run does, and give their number.
std::vector<Study::Job> Counting(size_t n) {
  std::vector<Study::Job> jobs;
  for (size_t k = 0; k < n; ++k)
    jobs.push_back([k](AppState& s) {
      for (int step = 0; step < 3; ++step) s.Pump();
      return Kept(static_cast<double>(k));
    });
  return jobs;
}

bool ScratchLeft(const Zone& z) {
  return std::filesystem::exists(z.dir.Path() / "Temp");
}

}  // namespace

// A batch whose first run is refused at once, beside runs that take longer,
// ends refused; a batch with more jobs than runs keeps every run in order.
// Both for every number of jobs from 1 to 64.
TEST(StudyPool, EveryBatchEndsOnEveryNumberOfJobs) {
  for (unsigned jobs = 1; jobs <= 64; ++jobs) {
    Zone z(3);
    StudyControl ctl;
    ctl.Jobs = jobs;
    Study refused(z.S(), ctl);
    std::vector<Study::Job> js = Counting(jobs + 3);
    js[0] = [](AppState&) { return Refused(); };
    EXPECT_TRUE(refused.RunJobs(js).empty()) << jobs;
    EXPECT_EQ(refused.Trouble(), RunOutcome::Refused) << jobs;
    EXPECT_TRUE(refused.Ended());

    Study few(z.S(), ctl);
    const std::vector<StudyRun> kept = few.RunJobs(Counting(3));
    ASSERT_EQ(kept.size(), 3u) << jobs;
    for (size_t k = 0; k < 3; ++k) EXPECT_EQ(kept[k].Loss, double(k));
    EXPECT_FALSE(few.Ended());
    EXPECT_FALSE(ScratchLeft(z)) << jobs;
  }
}

// A stop asked for during run 5 ends it at its next step: the runs kept are
// those before it, in order, and one after another no run starts after it.
TEST(StudyPool, AStopInTheMiddleKeepsThePrefix) {
  for (unsigned jobs : {1u, 4u}) {
    Zone z(3);
    StudyControl ctl;
    ctl.Jobs = jobs;
    std::atomic<int> afterStop{0};
    std::vector<Study::Job> js;
    for (size_t k = 0; k < 20; ++k)
      js.push_back([k, &ctl, &afterStop](AppState& s) {
        if (ctl.Stop.load()) ++afterStop;
        if (k == 5) {
          ctl.Stop = true;
          s.Pump();  // the run's next step
        }
        return Kept(static_cast<double>(k));
      });
    Study study(z.S(), ctl);
    const std::vector<StudyRun> kept = study.RunJobs(js);
    EXPECT_TRUE(study.Ended());
    EXPECT_EQ(study.Trouble(), RunOutcome::Finished);
    ASSERT_LE(kept.size(), 5u);
    if (jobs == 1) {
      EXPECT_EQ(kept.size(), 5u);
    }
    for (size_t k = 0; k < kept.size(); ++k) EXPECT_EQ(kept[k].Loss, double(k));
    if (jobs == 1) {
      EXPECT_EQ(afterStop.load(), 0);
    }
    EXPECT_FALSE(ScratchLeft(z));
  }
}

// Each run writes its own loss file; run 3 writes one too and is then refused,
// or fails with an exception of its own. The file in place is that of run 2,
// the last run kept, never that of the run cut short; no scratch is left.
TEST(StudyPool, TheFilesInPlaceAreThoseOfTheLastRunKept) {
  for (bool throws : {false, true})
    for (unsigned jobs : {1u, 3u}) {
      Zone z(3);
      WriteText(z.S().Work, "Graph\\dp.gmt", "before");
      StudyControl ctl;
      ctl.Jobs = jobs;
      std::vector<Study::Job> js;
      for (size_t k = 0; k < 4; ++k)
        js.push_back([k, throws](AppState& s) {
          WriteText(s.Work, "Graph\\dp.gmt", "run " + std::to_string(k));
          if (k < 3) return Kept(double(k));
          if (throws) throw std::runtime_error("a run that broke");
          return Refused();
        });
      Study study(z.S(), ctl);
      EXPECT_EQ(study.RunJobs(js).size(), 3u);
      EXPECT_EQ(study.Trouble(), throws ? RunOutcome::Failed : RunOutcome::Refused);
      study.Finish();
      EXPECT_EQ(ReadString(z.dir.Path() / "Graph" / "dp.gmt"), "run 2") << jobs;
      EXPECT_FALSE(ScratchLeft(z));
      if (throws) {
        ASSERT_FALSE(z.host.messages.empty());
        EXPECT_EQ(z.host.messages.back().text, "a run that broke");
      }
    }
}

// The run states alive at once depend on the jobs, not on the runs of the
// batch: ten runs and two hundred leave the same peak.
TEST(StudyPool, RunStatesDoNotGrowWithTheRuns) {
  size_t peak[2] = {0, 0};
  const size_t sizes[2] = {10, 200};
  for (int i = 0; i < 2; ++i) {
    Zone z(3);
    StudyControl ctl;
    ctl.Jobs = 2;
    Study study(z.S(), ctl);
    ASSERT_EQ(study.RunJobs(Counting(sizes[i])).size(), sizes[i]);
    peak[i] = study.PeakRunStates();
  }
  // Two runs under way and the last run kept.
  EXPECT_LE(peak[0], 3u);
  EXPECT_LE(peak[1], 3u);
  EXPECT_GE(peak[1], 1u);
}
