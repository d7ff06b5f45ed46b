// A study: many complete runs of one zone, the schedule runs of the
// placement tasks with the posts moved, or the probabilistic realizations of
// the statistics. The runs of one batch are independent of each other, so
// they are made on every core, each on its own copy of the state with its own
// host; the results come back in the order a single run after another gives
// them, and so do the files the study leaves.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "driver/testrun.h"
#include "params/state.h"

namespace tps {

// What the window or the command line gives a study and hears from it.
struct StudyControl {
  // The stop button: every run under way ends at its next step, no new run
  // starts. Set from any thread.
  std::atomic<bool> Stop{false};
  // Runs made side by side; 1 is one run after another.
  unsigned Jobs = 1;
  // Runs done and runs of the batch; called on the thread that runs the study.
  std::function<void(size_t done, size_t total)> Progress;
  // "Визуализация": called with the state of the run under way at every one
  // of its steps, on the thread that makes the run (the window copies what
  // it draws). While it is set the study makes one run at a time.
  std::function<void(const AppState&)> Watch;
  // Steps solved by the study's runs so far, and by the runs already done:
  // their difference is the work of the runs under way. Read from any thread.
  std::atomic<uint64_t> Steps{0};
  std::atomic<uint64_t> StepsOfRunsDone{0};
};

// The number of cores, at least 1.
unsigned DefaultJobs();

// One schedule run of a study and what it gave.
struct StudyRun {
  RunOutcome Outcome = RunOutcome::Failed;
  double Loss = 0;             // EnergyLoss of the run, Wh
  bool Complete = false;       // ran to its end, not stopped
  std::vector<double> Values;  // what else the study takes of the run
};

// One schedule run for the current Params (the schedule `file` of the list):
// the schedule checks, a fresh run to the schedule's end or its final event,
// and its loss energy. A final event of the schedule ends this run only.
StudyRun ScheduleLossRun(AppState& st, const std::string& file);

class Study {
 public:
  // `st` is the window's state; the study works on a copy of it until Finish.
  Study(AppState& st, StudyControl& ctl);
  ~Study();
  Study(const Study&) = delete;
  Study& operator=(const Study&) = delete;

  // The runs are made side by side (more than one job, no run draws from
  // the generator while its steps are built, nothing watches the runs).
  bool Parallel() const;
  // The state the next run starts from.
  const AppState& State() const { return *work_; }
  // Progress is reported as base + runs done of total.
  void SetProgressSpan(size_t base, size_t total) {
    progressBase_ = base;
    progressTotal_ = total;
  }

  // Runs one batch of complete runs: job k is called on a copy of the state
  // as the runs before it left it and makes its run, writing its files into
  // a scratch folder of its own under "Temp". Returns the runs kept, in
  // order: every run up to the first that did not run to its end (a stop, a
  // refusal, a failure, an exception). The files and the state are then
  // those of the last run kept, as after that run made alone; no scratch
  // folder is left, whatever way the batch ends.
  //
  // Every worker is started before the batch is waited on, and the waiting
  // counts the workers that have ended, so a run that ends at once cannot
  // leave the batch waiting. A run's state is freed as soon as a later run
  // is kept, and no run starts as many runs as there are jobs ahead of the
  // first run not yet done: at most jobs + 1 run states are alive, whatever
  // the number of runs.
  using Job = std::function<StudyRun(AppState&)>;
  std::vector<StudyRun> RunJobs(const std::vector<Job>& jobs);

  // The parameter block the next runs start from; the posts set here are in
  // every run of the next batch.
  TParamBlock& Params();

  // Schedule runs of the schedule `file`: run k with setups[k] applied to
  // Params (RunJobs).
  using Setup = std::function<void(TParamBlock&)>;
  std::vector<StudyRun> RunBatch(const std::string& file, const std::vector<Setup>& setups);

  // A stop was asked for, or a run was refused or failed.
  bool Ended() const { return ended_; }
  // Refused or Failed when a run was; Finished otherwise (a stop included).
  RunOutcome Trouble() const { return trouble_; }
  // A run was cut short by the stop (its results dropped).
  bool CutShort() const { return cutShort_; }
  // The most run states that were alive at once in this study.
  size_t PeakRunStates() const { return peakStates_; }

  // Hands the study's state back to the window's state and shows the
  // messages of the runs (each once; "Имитация окончена" of every run is
  // not repeated).
  void Finish();

 private:
  struct Slot;
  struct Batch;
  StudyRun RunOne(AppState& st, const Job& job);
  void Collect(const std::vector<RecordedMessage>& messages);
  // The files of the last run kept put in place: the one spot where a run's
  // files become the study's.
  void AdoptFilesOf(const std::string& folder);
  void RemoveFolder(const std::string& folder);

  AppState& main_;
  size_t progressBase_ = 0, progressTotal_ = 0;
  StudyControl& ctl_;
  std::unique_ptr<AppState> work_;
  std::unique_ptr<RecordingHost> workHost_;
  bool ended_ = false;
  bool finished_ = false;
  bool tempExisted_ = false;
  RunOutcome trouble_ = RunOutcome::Finished;
  size_t runsMade_ = 0;
  size_t peakStates_ = 0;
  bool cutShort_ = false;
  std::vector<RecordedMessage> messages_;
};

}  // namespace tps
