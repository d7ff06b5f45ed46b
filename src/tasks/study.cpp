#include "tasks/study.h"

#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "driver/runs.h"
#include "params/fileio.h"

namespace tps {

namespace {

// The program's folder of scratch files.
constexpr const char* kScratchDir = "Temp";

// The host of one run of a study: it keeps the run's messages and, at the
// once-per-step pump, counts the run's steps into the study's and turns the
// study's stop (or the end of the batch after a failed run) into the run's
// own stop.
class StudyHost : public RecordingHost {
 public:
  StudyHost(const std::atomic<bool>& stop, const std::atomic<bool>& abort, std::atomic<uint64_t>& steps)
      : stop_(stop), abort_(abort), steps_(steps) {}
  AppState* state = nullptr;
  bool stopped = false;
  uint64_t counted = 0;  // steps of the run under way counted so far
  void ProcessEvents() override {
    Count();
    if ((stop_.load() || abort_.load()) && state) {
      state->StopRequested = true;
      stopped = true;
    }
  }
  void Notify(Changed c) override {
    if (c == Changed::Clock) Count();
  }

 private:
  void Count() {
    if (state && state->StepCount > counted) {
      steps_ += state->StepCount - counted;
      counted = state->StepCount;
    }
  }
  const std::atomic<bool>& stop_;
  const std::atomic<bool>& abort_;
  std::atomic<uint64_t>& steps_;
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

struct Study::Worker {
  std::unique_ptr<AppState> State;
  std::unique_ptr<StudyHost> Host;
  std::string Folder;
  StudyRun Run;
  std::vector<RecordedMessage> Messages;
  bool Ran = false;
};

Study::Study(AppState& st, StudyControl& ctl) : main_(st), ctl_(ctl), work_(std::make_unique<AppState>(st)) {
  static const std::atomic<bool> never{false};
  auto host = std::make_unique<StudyHost>(ctl_.Stop, never, ctl_.Steps);
  host->state = work_.get();
  workHost_ = std::move(host);
  work_->Host = workHost_.get();
  // Every run builds its circuit afresh; no matrix is shared with the window.
  work_->Circuit = StepCircuit();
  tempExisted_ = main_.Work.Exists(kScratchDir);
}

Study::~Study() = default;

TParamBlock& Study::Params() {
  return work_->Params;
}

bool Study::Parallel() const {
  // With "Писать матрицы в файл?" every step writes the head files and reads
  // them back from the working directory: runs side by side would read one
  // another's, so they run one after another.
  return ctl_.Jobs > 1 && !DrawsFromGenerator(*work_) && !work_->Options.WriteMatrices;
}

StudyRun Study::RunOne(AppState& st, const Job& job) {
  StudyHost& host = static_cast<StudyHost&>(*st.Host);
  host.stopped = false;
  host.counted = 0;
  StudyRun r = job(st);
  ctl_.StepsOfRunsDone += host.counted;
  if (host.stopped) r.Complete = false;
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
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec) || it->is_symlink(ec)) continue;
    std::string rel;
    for (const fs::path& part : fs::relative(it->path(), root))
      rel += (rel.empty() ? "" : "\\") + part.string();
    WriteFileBytesAtomic(wd, rel, ReadFileBytes(wd, folder + "\\" + rel));
  }
}

void Study::RemoveFolder(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::remove_all(main_.Work.Resolve(folder), ec);
}

std::vector<StudyRun> Study::RunJobs(const std::vector<Job>& setups) {
  std::vector<StudyRun> kept;
  if (ended_) return kept;
  const size_t n = setups.size();
  const unsigned jobs = Parallel() ? ctl_.Jobs : 1;
  const size_t total = progressTotal_ ? progressTotal_ : n;

  if (jobs == 1 || n <= 1) {
    // One run after another on the study's own state, files in place.
    StudyHost& host = static_cast<StudyHost&>(*workHost_);
    for (size_t k = 0; k < n; ++k) {
      if (ctl_.Stop.load()) {
        ended_ = true;
        break;
      }
      host.messages.clear();
      StudyRun r = RunOne(*work_, setups[k]);
      ++runsMade_;
      Collect(host.messages);
      if (ctl_.Progress) ctl_.Progress(progressBase_ + k + 1, total);
      if (!r.Complete) {
        ended_ = true;
        if (r.Outcome != RunOutcome::Finished) trouble_ = r.Outcome;
        break;
      }
      kept.push_back(r);
    }
    return kept;
  }

  // Side by side: run k on a copy of the study's state. The first run of the
  // study finds the trains the window listed, as it would alone; every later
  // run starts on an empty zone, as after the run before it.
  const AppState first = *work_;
  AppState later = *work_;
  later.Trains = TTrainSet();
  std::vector<Worker> w(n);
  std::atomic<size_t> next{0};
  std::atomic<bool> abort{false};
  std::mutex m;
  std::condition_variable cv;
  size_t done = 0, live = 0;

  auto work = [&] {
    for (;;) {
      if (ctl_.Stop.load() || abort.load()) break;
      const size_t k = next++;
      if (k >= n) break;
      Worker& r = w[k];
      r.State = std::make_unique<AppState>(k == 0 && runsMade_ == 0 ? first : later);
      r.Host = std::make_unique<StudyHost>(ctl_.Stop, abort, ctl_.Steps);
      r.Host->state = r.State.get();
      r.State->Host = r.Host.get();
      r.Folder = ScratchFolder();
      r.State->Work = main_.Work.WritingInto(r.Folder);
      try {
        r.Run = RunOne(*r.State, setups[k]);
      } catch (const std::exception& e) {
        // A failure the run did not catch itself: it ends the study.
        r.Run = StudyRun{};
        r.Host->messages.push_back({MsgKind::Error, e.what(), MsgButtons::Ok});
      }
      r.Messages = std::move(r.Host->messages);
      r.State->Host = nullptr;
      r.Ran = true;
      if (!r.Run.Complete) abort = true;
      std::lock_guard<std::mutex> lock(m);
      ++done;
      cv.notify_all();
    }
    std::lock_guard<std::mutex> lock(m);
    --live;
    cv.notify_all();
  };

  std::vector<std::thread> threads;
  live = std::min<size_t>(jobs, n);
  for (size_t t = 0; t < live; ++t) threads.emplace_back(work);
  {
    std::unique_lock<std::mutex> lock(m);
    size_t shown = 0;
    while (live > 0) {
      cv.wait(lock, [&] { return done != shown || live == 0; });
      if (done != shown) {
        shown = done;
        if (ctl_.Progress) {
          lock.unlock();
          ctl_.Progress(progressBase_ + shown, total);
          lock.lock();
        }
      }
    }
  }
  for (std::thread& t : threads) t.join();

  // The runs kept: every run up to the first one that did not run to its end.
  size_t last = n;
  for (size_t k = 0; k < n; ++k) {
    if (w[k].Ran) Collect(w[k].Messages);
    if (!w[k].Ran || !w[k].Run.Complete) {
      ended_ = true;
      if (w[k].Ran && w[k].Run.Outcome != RunOutcome::Finished) trouble_ = w[k].Run.Outcome;
      break;
    }
    kept.push_back(w[k].Run);
    last = k;
  }
  runsMade_ += kept.size();
  if (!kept.empty()) {
    // The study goes on from the last run kept, with its files in place.
    IHost* host = work_->Host;
    WorkDir wd = work_->Work;
    *work_ = std::move(*w[last].State);
    work_->Host = host;
    work_->Work = wd;
    AdoptFilesOf(w[last].Folder);
  }
  for (Worker& r : w)
    if (!r.Folder.empty()) RemoveFolder(r.Folder);
  if (!tempExisted_) {
    std::error_code ec;
    std::filesystem::remove(main_.Work.Resolve(kScratchDir), ec);  // only when empty
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
