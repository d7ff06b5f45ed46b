#include "tasks/study.h"

#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>

#include "driver/runs.h"
#include "params/fileio.h"

namespace tps {

namespace {

// The program's folder of scratch files.
constexpr const char* kScratchDir = "Temp";

// The host of one run of a study: it keeps the run's messages and, at the
// once-per-step pump, counts the run's steps into the study's, turns the
// study's stop (or the end of the batch after a run that did not run to its
// end) into the run's own stop, and shows the run to the watcher of
// "Визуализация".
class StudyHost : public RecordingHost {
 public:
  StudyHost(StudyControl& ctl, const std::atomic<bool>& abort) : ctl_(ctl), abort_(abort) {}
  AppState* state = nullptr;
  bool stopped = false;
  uint64_t counted = 0;  // steps of the run under way counted so far
  void ProcessEvents() override {
    if (!state) return;
    Count();
    if (ctl_.Stop.load() || abort_.load()) {
      state->StopRequested = true;
      stopped = true;
    }
    if (ctl_.Watch) ctl_.Watch(*state);
  }
  void Notify(Changed c) override {
    if (c == Changed::Clock) Count();
  }

 private:
  void Count() {
    if (state && state->StepCount > counted) {
      ctl_.Steps += state->StepCount - counted;
      counted = state->StepCount;
    }
  }
  StudyControl& ctl_;
  const std::atomic<bool>& abort_;
};

// The scratch folder of one run made beside others, under "Temp".
std::string ScratchFolder() {
  static std::atomic<unsigned> counter{0};
  return std::string(kScratchDir) + "\\study-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

// A run draws the substation voltages from the one generator when "U" or "d"
// is on: its numbers then depend on the runs before it.
bool DrawsFromGenerator(const AppState& st) {
  return st.Voltages.RandU || st.Voltages.RandD;
}

// The state a run starts from: a copy of `from` without the series every run
// starts afresh (the chart data, the loss series, the record of the flow and
// the circuit of the last step), so that a year of them is not copied only to
// be thrown away. `from` is lent for the copy and given back whole.
std::unique_ptr<AppState> StartingCopy(AppState& from) {
  ChartData chart = std::move(from.Chart);
  TLossSeries losses = std::move(from.LossSeries);
  std::vector<RandomFlowState::RecordedEvent> record = std::move(from.Flow.Record);
  StepCircuit circuit = std::move(from.Circuit);
  from.Chart = ChartData();
  from.LossSeries = TLossSeries();
  from.Flow.Record.clear();
  from.Circuit = StepCircuit();
  auto copy = std::make_unique<AppState>(from);
  from.Chart = std::move(chart);
  from.LossSeries = std::move(losses);
  from.Flow.Record = std::move(record);
  from.Circuit = std::move(circuit);
  return copy;
}

}  // namespace

unsigned DefaultJobs() {
  const unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : n;
}

StudyRun ScheduleLossRun(AppState& st, const std::string& file) {
  StudyRun r;
  r.Outcome = StartScheduleRun(st, file);
  r.Complete = r.Outcome == RunOutcome::Finished;
  if (r.Complete) r.Loss = st.EnergyLoss;
  return r;
}

// One run of a batch: its state and host while they are needed, its scratch
// folder, and what it gave.
struct Study::Slot {
  std::unique_ptr<AppState> State;
  std::unique_ptr<StudyHost> Host;
  std::string Folder;
  StudyRun Run;
  std::vector<RecordedMessage> Messages;
  bool Ran = false;
};

Study::Study(AppState& st, StudyControl& ctl) : main_(st), ctl_(ctl), work_(std::make_unique<AppState>(st)) {
  static const std::atomic<bool> never{false};
  auto host = std::make_unique<StudyHost>(ctl_, never);
  host->state = work_.get();
  workHost_ = std::move(host);
  work_->Host = workHost_.get();
  // Every run builds its circuit afresh; no matrix is shared with the window.
  work_->Circuit = StepCircuit();
  // The runs side by side keep no per-step rows of the window's.
  work_->StepRows = nullptr;
  tempExisted_ = main_.Work.Exists(kScratchDir);
}

Study::~Study() = default;

TParamBlock& Study::Params() {
  return work_->Params;
}

bool Study::Parallel() const {
  // With "Писать матрицы в файл?" every step writes the head files and reads
  // them back from its own scratch folder, so such runs go side by side too.
  return ctl_.Jobs > 1 && !DrawsFromGenerator(*work_) && !ctl_.Watch;
}

StudyRun Study::RunOne(AppState& st, const Job& job) {
  StudyHost& host = static_cast<StudyHost&>(*st.Host);
  host.stopped = false;
  host.counted = 0;
  StudyRun r = job(st);
  ctl_.StepsOfRunsDone += host.counted;
  if (host.stopped) {
    // A run cut short by the stop is no result of the study.
    r.Complete = false;
    if (r.Outcome == RunOutcome::Finished) r.Outcome = RunOutcome::Stopped;
  }
  return r;
}

std::vector<StudyRun> Study::RunBatch(const std::string& file, const std::vector<Setup>& setups) {
  std::vector<Job> jobs;
  for (const Setup& setup : setups)
    jobs.push_back([&file, setup](AppState& st) {
      if (setup) setup(st.Params);
      return ScheduleLossRun(st, file);
    });
  return RunJobs(jobs);
}

void Study::Collect(const std::vector<RecordedMessage>& messages) {
  for (const RecordedMessage& m : messages) {
    if (m.kind == MsgKind::Information && m.text == "Имитация окончена") continue;
    bool seen = false;
    for (const RecordedMessage& k : messages_) seen = seen || (k.kind == m.kind && k.text == m.text);
    if (!seen) messages_.push_back(m);
  }
}

void Study::AdoptFilesOf(const std::string& folder) {
  namespace fs = std::filesystem;
  const WorkDir& wd = main_.Work;
  std::error_code ec;
  const fs::path root = wd.Resolve(folder);
  if (!fs::is_directory(root, ec)) return;
  std::vector<FileImage> files;
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec) || it->is_symlink(ec)) continue;
    std::string rel;
    for (const fs::path& part : fs::relative(it->path(), root))
      rel += (rel.empty() ? "" : "\\") + part.string();
    files.push_back({rel, ReadFileBytes(wd, folder + "\\" + rel)});
  }
  // The run's loss file, chart data and report become visible together.
  WriteFileSet(wd, files);
}

void Study::RemoveFolder(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::remove_all(main_.Work.Resolve(folder), ec);
}

// What the workers of one batch share, under its lock.
struct Study::Batch {
  std::mutex Lock;
  std::condition_variable Changed;
  size_t Next = 0;      // the next run to start
  size_t Frontier = 0;  // runs 0 .. Frontier - 1 are done and kept
  size_t Freed = 0;     // runs 0 .. Freed - 1 have given back their state
  size_t Done = 0;      // runs done, in any order
  size_t Exited = 0;    // workers that have ended
  size_t Live = 0;      // run states alive
  std::atomic<bool> Abort{false};
};

std::vector<StudyRun> Study::RunJobs(const std::vector<Job>& setups) {
  std::vector<StudyRun> kept;
  if (ended_ || setups.empty()) return kept;
  const size_t n = setups.size();
  const bool parallel = Parallel();
  const size_t threads = parallel ? std::min<size_t>(ctl_.Jobs, n) : 1;
  // No run starts this many runs or more ahead of the first one not done:
  // the runs of a study take about the same time, and every run done
  // beyond that first one keeps its state until it is reached.
  const size_t ahead = threads;
  const size_t total = progressTotal_ ? progressTotal_ : n;

  std::vector<Slot> slots(n);
  Batch b;
  // Side by side every run starts from the state before the batch: the first
  // run of the study finds the trains the window listed, as it would alone;
  // every later run starts on an empty zone, as after the run before it. One
  // after another each run starts from the state the run before it left.
  std::unique_ptr<AppState> first, later;
  if (parallel) {
    first = StartingCopy(*work_);
    later = std::make_unique<AppState>(*first);
    later->Trains = TTrainSet();
  }
  const bool firstOfStudy = runsMade_ == 0;

  // Whatever way the batch ends, every scratch folder goes.
  struct Sweep {
    Study& study;
    std::vector<Slot>& slots;
    ~Sweep() {
      for (Slot& s : slots)
        if (!s.Folder.empty()) study.RemoveFolder(s.Folder);
      if (!study.tempExisted_) {
        std::error_code ec;
        std::filesystem::remove(study.main_.Work.Resolve(kScratchDir), ec);  // only when empty
      }
    }
  } sweep{*this, slots};

  auto countState = [&](long change) {
    // Under the batch's lock.
    b.Live = static_cast<size_t>(static_cast<long>(b.Live) + change);
    peakStates_ = std::max(peakStates_, b.Live);
  };

  // One run after another the runs are made on this very thread, which
  // reports each as it is done.
  bool inlineRuns = false;
  auto work = [&] {
    for (;;) {
      size_t k = 0;
      {
        std::unique_lock<std::mutex> lock(b.Lock);
        b.Changed.wait(lock, [&] {
          return ctl_.Stop.load() || b.Abort.load() || b.Next >= n || b.Next < b.Frontier + ahead;
        });
        if (ctl_.Stop.load() || b.Abort.load() || b.Next >= n) break;
        k = b.Next++;
        countState(+1);
      }
      Slot& r = slots[k];
      try {
        if (parallel)
          r.State = std::make_unique<AppState>(k == 0 && firstOfStudy ? *first : *later);
        else
          r.State = StartingCopy(k == 0 ? *work_ : *slots[k - 1].State);
        r.Host = std::make_unique<StudyHost>(ctl_, b.Abort);
        r.Host->state = r.State.get();
        r.State->Host = r.Host.get();
        r.Folder = ScratchFolder();
        r.State->Work = main_.Work.WritingInto(r.Folder);
        r.Run = RunOne(*r.State, setups[k]);
      } catch (const std::exception& e) {
        // A failure the run did not catch itself: it ends the study.
        r.Run = StudyRun{};
        if (r.Host) r.Host->messages.push_back({MsgKind::Error, e.what(), MsgButtons::Ok});
      } catch (...) {
        r.Run = StudyRun{};
      }
      if (r.Host) r.Messages = std::move(r.Host->messages);
      if (r.State) r.State->Host = nullptr;
      // The states no later run needs, freed outside the lock.
      std::vector<std::unique_ptr<AppState>> spent;
      std::vector<std::unique_ptr<StudyHost>> spentHosts;
      std::vector<std::string> spentFolders;
      size_t doneNow = 0;
      {
        std::lock_guard<std::mutex> lock(b.Lock);
        r.Ran = true;
        if (!r.Run.Complete) b.Abort = true;
        ++b.Done;
        while (b.Frontier < n && slots[b.Frontier].Ran && slots[b.Frontier].Run.Complete) ++b.Frontier;
        // The last run kept so far stays: the study goes on from it.
        for (; b.Freed + 1 < b.Frontier; ++b.Freed) {
          Slot& s = slots[b.Freed];
          spent.push_back(std::move(s.State));
          spentHosts.push_back(std::move(s.Host));
          spentFolders.push_back(std::move(s.Folder));
          s.Folder.clear();
          countState(-1);
        }
        doneNow = b.Done;
        b.Changed.notify_all();
      }
      spent.clear();
      for (const std::string& f : spentFolders) RemoveFolder(f);
      if (inlineRuns && ctl_.Progress) ctl_.Progress(progressBase_ + doneNow, total);
    }
    std::lock_guard<std::mutex> lock(b.Lock);
    ++b.Exited;
    b.Changed.notify_all();
  };

  // The workers and their end: on every way out of this function the batch
  // is told to end and every worker is joined.
  std::vector<std::thread> pool;
  struct Join {
    Batch& b;
    std::vector<std::thread>& pool;
    ~Join() {
      {
        std::lock_guard<std::mutex> lock(b.Lock);
        if (b.Exited < pool.size()) b.Abort = true;
        b.Changed.notify_all();
      }
      for (std::thread& t : pool)
        if (t.joinable()) t.join();
    }
  } join{b, pool};

  if (threads > 1) {
    for (size_t t = 0; t < threads; ++t) {
      try {
        pool.emplace_back(work);
      } catch (const std::system_error&) {
        break;  // fewer workers than asked for: those started do the batch
      }
    }
  }
  if (pool.empty()) {
    inlineRuns = true;
    work();
  } else {
    // Every worker has been started: the count of those that have ended
    // cannot pass the count started, and the wait ends when they all have.
    const size_t started = pool.size();
    std::unique_lock<std::mutex> lock(b.Lock);
    size_t shown = 0;
    while (b.Exited < started) {
      b.Changed.wait(lock, [&] { return b.Done != shown || b.Exited == started; });
      if (b.Done != shown) {
        shown = b.Done;
        if (ctl_.Progress) {
          lock.unlock();
          ctl_.Progress(progressBase_ + shown, total);
          lock.lock();
        }
      }
    }
  }
  for (std::thread& t : pool) t.join();

  // The runs kept: every run up to the first one that did not run to its end.
  for (size_t k = 0; k < n; ++k) {
    if (slots[k].Ran) Collect(slots[k].Messages);
    if (!slots[k].Ran || !slots[k].Run.Complete) {
      ended_ = true;
      if (slots[k].Ran && slots[k].Run.Outcome == RunOutcome::Stopped) cutShort_ = true;
      if (slots[k].Ran && slots[k].Run.Outcome != RunOutcome::Finished &&
          slots[k].Run.Outcome != RunOutcome::Stopped)
        trouble_ = slots[k].Run.Outcome;
      break;
    }
    kept.push_back(slots[k].Run);
  }
  runsMade_ += kept.size();
  if (!kept.empty()) {
    // The study goes on from the last run kept, with its files in place.
    Slot& last = slots[kept.size() - 1];
    IHost* host = work_->Host;
    WorkDir wd = work_->Work;
    *work_ = std::move(*last.State);
    work_->Host = host;
    work_->Work = wd;
    AdoptFilesOf(last.Folder);
  }
  if (ctl_.Stop.load()) ended_ = true;
  return kept;
}

void Study::Finish() {
  if (finished_) return;
  finished_ = true;
  IHost* host = main_.Host;
  WorkDir wd = main_.Work;
  main_ = std::move(*work_);
  main_.Host = host;
  main_.Work = wd;
  main_.StopRequested = ctl_.Stop.load();
  for (Changed c : {Changed::Trains, Changed::Fields, Changed::Labels, Changed::Picture, Changed::Controls,
                    Changed::Clock})
    main_.Notify(c);
  for (const RecordedMessage& m : messages_)
    if (main_.Host) main_.Host->ShowMessage(m.kind, m.text, m.buttons);
}

}  // namespace tps
