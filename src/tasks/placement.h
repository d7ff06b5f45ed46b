// The placement tasks of the posts: the sweep of the sectioning post (ПСК)
// over a range of kilometres, and the coordinate descent over the places of
// the sectioning post and the two parallel-connection posts (ППС1, ППС2).
// Each place is a complete schedule run; the runs of one sweep are made on
// every core (tasks/study.h) and give the same lines as one after another.
#pragma once

#include <string>
#include <vector>

#include "tasks/study.h"
#include "validation/checks.h"

namespace tps {

inline constexpr const char* kPskTaskFile = "Export\\TaskPSK.txt";
inline constexpr const char* kPskPpsTaskFile = "Export\\TaskPSK&PPS.txt";

// What a sweep or a search gave.
struct PskSweepResult {
  // Finished (also after a stop), Refused (a check refused, its message
  // shown), Failed (a run failed: nothing of the study is a result).
  RunOutcome Outcome = RunOutcome::Finished;
  std::vector<double> Positions, Losses;  // km, Wh: the runs made, in order
  bool HasBest = false;                   // no best when no run was made
  size_t Best = 0;
  bool Stopped = false;
};

// The sweep of the sectioning post on the schedule `file` of the list: the
// schedule and task checks, then one complete run per place From, From +
// Step, ... up to To, "Export\TaskPSK.txt" (one line per place: km and loss),
// and the post put at the place of the smallest loss (the first of equal
// minima). After a stop the places already run are kept and the post stays
// at the last of them.
PskSweepResult SweepPsk(AppState& st, const std::string& file, const TaskInput& in, StudyControl& ctl);

// One run of the search: the three post places in force and its loss.
struct PostRun {
  double Pps1 = 0, Psk = 0, Pps2 = 0, Loss = 0;
};
struct PostSearchResult {
  RunOutcome Outcome = RunOutcome::Finished;
  std::vector<PostRun> Runs;
  bool HasBest = false;
  size_t Best = 0;
  bool Stopped = false;
};

// The search of the sectioning and parallel-connection posts: ПСК swept with
// ППС1 and ППС2 fixed, then ППС1 left of the best ПСК, then ППС2 right of it,
// each post moved to the place of the best run so far, until a pass leaves
// the sectioning post where it was. Every run is a line of
// "Export\TaskPSK&PPS.txt" (ППС1, ПСК, ППС2, loss).
PostSearchResult SearchPskPps(AppState& st, const std::string& file, const TaskInput& in, StudyControl& ctl);

}  // namespace tps
