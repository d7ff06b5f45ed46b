// tpscalc-cli in one working directory used by several processes, stopped by
// signals and killed: one writer at a time, nothing left behind, result files
// that are whole and belong together, and a report that only a run empties.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "params/chartfile.h"
#include "params/fileio.h"
#include "test_support.h"

namespace fs = std::filesystem;
using namespace tps;

extern char** environ;

namespace {

// tpscalc-cli started in the background on a working directory, its
// standard output and error into files beside it.
class Cli {
 public:
  Cli(const fs::path& work, const std::vector<std::string>& args, const std::string& tag = "")
      : out_(work.string() + tag + ".out"), err_(work.string() + tag + ".err") {
    std::vector<std::string> argv{TPS_CLI_PATH, "--workdir", work.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> p;
    for (std::string& a : argv) p.push_back(a.data());
    p.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_EQ(posix_spawn(&pid_, TPS_CLI_PATH, &fa, nullptr, p.data(), environ), 0);
    posix_spawn_file_actions_destroy(&fa);
  }
  ~Cli() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
    fs::remove(out_);
    fs::remove(err_);
  }
  pid_t Pid() const { return pid_; }
  bool Running() {
    int status = 0;
    if (pid_ <= 0 || ::waitpid(pid_, &status, WNOHANG) == 0) return pid_ > 0;
    Record(status);
    return false;
  }
  // The exit code, or 1000 + the signal that ended the process.
  int Wait() {
    if (pid_ > 0) {
      int status = 0;
      ::waitpid(pid_, &status, 0);
      Record(status);
    }
    return code_;
  }
  std::string Out() const { return tpstest::ReadString(out_); }
  std::string Err() const { return tpstest::ReadString(err_); }

 private:
  void Record(int status) {
    code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    pid_ = -1;
  }
  fs::path out_, err_;
  pid_t pid_ = -1;
  int code_ = -1;
};

int RunCli(const fs::path& work, const std::vector<std::string>& args, std::string* out = nullptr) {
  Cli c(work, args);
  const int code = c.Wait();
  if (out) *out = c.Out();
  return code;
}

bool Has(const std::string& s, const std::string& part) {
  return s.find(part) != std::string::npos;
}

// Waits up to 20 s for the condition.
template <class F>
bool Eventually(F f) {
  for (int i = 0; i < 2000; ++i) {
    if (f()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// Another process holds the working directory.
bool HeldElsewhere(const WorkDir& wd) {
  WorkDirLock probe;
  return !probe.TryAcquire(wd);
}

std::vector<std::string> StudyFolders(const fs::path& work) {
  std::vector<std::string> found;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(work / "Temp", ec))
    if (e.path().filename().string().rfind("study-", 0) == 0) found.push_back(e.path().filename().string());
  return found;
}

// Files named like the temporary files of a writer.
std::vector<std::string> TemporaryFiles(const fs::path& work) {
  std::vector<std::string> found;
  for (const auto& e : fs::recursive_directory_iterator(work))
    if (e.path().extension() == ".tmp") found.push_back(e.path().string());
  return found;
}

// A process id that no process has: one of a child that has ended.
pid_t GonePid() {
  const pid_t p = ::fork();
  if (p == 0) ::_exit(0);
  int status = 0;
  ::waitpid(p, &status, 0);
  return p;
}

}  // namespace

// Only a command that starts a run empties "Final.txt": showing a schedule,
// drawing a chart, seeding, solving one step, a failing command and a
// refused run leave the last report as it was.
TEST(CliWorkDir, CommandsThatDoNotRunKeepTheReport) {
  tpstest::TempDir t;
  ASSERT_EQ(RunCli(t.Path(), {"batch", "--scheme", "2"}), 0);
  const fs::path report = t.Work().Resolve("Final.txt");
  const std::vector<uint8_t> last = tpstest::ReadBytes(report);
  ASSERT_GT(last.size(), 100u);
  const fs::path csv = t.Path().parent_path() / (t.Path().filename().string() + ".csv");
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"schedule", "show", "file00.gdp"},
                                             {"schedule", "show", "nonexist.gdp"},
                                             {"chart", "--kind", "1", "--csv", csv.string()},
                                             {"seed"},
                                             {"solve", "--scheme", "2", "--train", "1:5:1000"},
                                             {"run", "--mode", "schedule", "--schedule", "file00.gdp",
                                              "--set", "ZoneLength=21"}}) {
    RunCli(t.Path(), args);
    EXPECT_EQ(tpstest::ReadBytes(report), last) << args.front() << " " << args.back();
  }
  fs::remove(csv);
  ASSERT_EQ(RunCli(t.Path(), {"run", "--mode", "schedule", "--schedule", "file00.gdp"}), 0);
  EXPECT_NE(tpstest::ReadBytes(report), last);
}

// Two processes writing and reading back the head files of the matrices in
// one folder at once: each gets its own step's answer, because the second
// waits for the first.
TEST(CliWorkDir, TwoSolvesSideBySideEachGiveTheirOwnAnswer) {
  tpstest::TempDir t;
  const std::vector<std::string> one{"solve", "--scheme", "3", "--option", "write-matrices",
                                     "--train",   "1:5:1000"};
  const std::vector<std::string> two{"solve",   "--scheme",  "3",        "--option", "write-matrices",
                                     "--train", "1:15:2500", "--train", "2:3:800"};
  std::string alone1, alone2;
  ASSERT_EQ(RunCli(t.Path(), one, &alone1), 0);
  ASSERT_EQ(RunCli(t.Path(), two, &alone2), 0);
  ASSERT_NE(alone1, alone2);
  for (int pair = 0; pair < 10; ++pair) {
    Cli a(t.Path(), one, "a"), b(t.Path(), two, "b");
    ASSERT_EQ(a.Wait(), 0) << a.Err();
    ASSERT_EQ(b.Wait(), 0) << b.Err();
    ASSERT_EQ(a.Out(), alone1) << "pair " << pair;
    ASSERT_EQ(b.Out(), alone2) << "pair " << pair;
  }
}

// A writer waits while another process holds the folder, or with --no-wait
// is refused at once; a reader never waits; the lock of a killed process is
// free at once.
TEST(CliWorkDir, ASecondWriterWaitsOrIsRefusedAndAKillFreesTheFolder) {
  tpstest::TempDir t;
  ASSERT_EQ(RunCli(t.Path(), {"seed"}), 0);
  {
    WorkDirLock held;
    ASSERT_TRUE(held.TryAcquire(t.Work()));
    Cli refused(t.Path(), {"--no-wait", "solve", "--scheme", "2", "--train", "1:5:1000"});
    EXPECT_EQ(refused.Wait(), 2);
    EXPECT_TRUE(Has(refused.Err(), "Рабочая папка занята другим расчётом…")) << refused.Err();
    EXPECT_TRUE(refused.Out().empty());
    EXPECT_EQ(RunCli(t.Path(), {"schedule", "show", "file00.gdp"}), 0);

    Cli waiting(t.Path(), {"solve", "--scheme", "2", "--train", "1:5:1000"});
    ASSERT_TRUE(Eventually([&] { return Has(waiting.Err(), "Рабочая папка занята другим расчётом…"); }));
    EXPECT_TRUE(waiting.Running());
    held.Release();
    EXPECT_EQ(waiting.Wait(), 0) << waiting.Err();
    EXPECT_TRUE(Has(waiting.Out(), "\"loss_w\":")) << waiting.Out();
  }
  Cli busy(t.Path(), {"run", "--mode", "prob", "--scheme", "3", "--period", "1 год", "--interval", "9"});
  ASSERT_TRUE(Eventually([&] { return HeldElsewhere(t.Work()); }));
  ::kill(busy.Pid(), SIGKILL);
  EXPECT_EQ(busy.Wait(), 1000 + SIGKILL);
  WorkDirLock after;
  EXPECT_TRUE(after.TryAcquire(t.Work()));
}

// SIGINT and SIGTERM stop a run and a study within a step: exit 130 and 143,
// no totals reported, no scratch left, and the loss file and chart data in
// place are whole and of one run.
TEST(CliWorkDir, SignalsStopRunsAndStudiesLeavingWholeFiles) {
  tpstest::TempDir t;
  ASSERT_EQ(RunCli(t.Path(), {"seed"}), 0);
  ASSERT_EQ(RunCli(t.Path(), {"run", "--mode", "prob", "--scheme", "4", "--period", "1 месяц", "--interval", "9",
                              "--record", "week.gdp"}),
            0);
  const Bytes before = ReadFileBytes(t.Work(), kLossFile);

  for (int sig : {SIGINT, SIGTERM}) {
    Cli run(t.Path(), {"run", "--mode", "prob", "--scheme", "3", "--period", "1 год", "--interval", "9"});
    ASSERT_TRUE(Eventually([&] { return HeldElsewhere(t.Work()); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ::kill(run.Pid(), sig);
    EXPECT_EQ(run.Wait(), 128 + sig) << run.Err();
    EXPECT_TRUE(Has(run.Out(), "\"outcome\":\"interrupted\"")) << run.Out();
    EXPECT_FALSE(Has(run.Out(), "energy_loss_wh")) << run.Out();
    // The stopped run is no result: the files of the run before stay.
    EXPECT_EQ(ReadFileBytes(t.Work(), kLossFile), before);
    EXPECT_NO_THROW(ReadChartDataFile(t.Work()));
  }

  Cli sweep(t.Path(), {"psk-sweep", "--schedule", "week.gdp", "--jobs", "2", "--to", "19"});
  ASSERT_TRUE(Eventually([&] { return !StudyFolders(t.Path()).empty(); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ::kill(sweep.Pid(), SIGINT);
  EXPECT_EQ(sweep.Wait(), 130) << sweep.Err();
  EXPECT_TRUE(Has(sweep.Out(), "\"outcome\":\"interrupted\"")) << sweep.Out();
  EXPECT_TRUE(StudyFolders(t.Path()).empty());
  EXPECT_TRUE(TemporaryFiles(t.Path()).empty());
  EXPECT_NO_THROW(ReadChartDataFile(t.Work()));
  EXPECT_TRUE(t.Work().Exists("Export\\TaskPSK.txt"));
}

// What a killed calculation left (its study folders and the temporary files
// of its writers) is removed by the next command that writes; what belongs
// to a process that still runs stays, and a command that only reads removes
// nothing.
TEST(CliWorkDir, StaleScratchIsRemovedAtStart) {
  tpstest::TempDir t;
  ASSERT_EQ(RunCli(t.Path(), {"seed"}), 0);
  const std::string gone = std::to_string(GonePid()), alive = std::to_string(::getpid());
  const std::vector<std::string> stale{"Temp\\study-" + gone + "-0\\Graph\\dp.gmt",
                                       "Graph\\dp.gmt." + gone + "-3.tmp", "Final.txt." + gone + "-0.tmp",
                                       "DATA\\global.dmt." + gone + "-12.tmp"};
  const std::vector<std::string> kept{"Temp\\study-" + alive + "-1\\Final.txt",
                                      "Graph\\charts.cdt." + alive + "-2.tmp", "notes.tmp", "DATA\\a.b-c.tmp"};
  for (const std::string& f : stale) WriteFileBytes(t.Work(), f, {1, 2, 3});
  for (const std::string& f : kept) WriteFileBytes(t.Work(), f, {1, 2, 3});

  ASSERT_EQ(RunCli(t.Path(), {"schedule", "show", "file00.gdp"}), 0);
  for (const std::string& f : stale) EXPECT_TRUE(t.Work().Exists(f)) << f;
  ASSERT_EQ(RunCli(t.Path(), {"solve", "--scheme", "2", "--train", "1:5:1000"}), 0);
  for (const std::string& f : stale) EXPECT_FALSE(t.Work().Exists(f)) << f;
  EXPECT_FALSE(t.Work().Exists("Temp\\study-" + gone + "-0"));
  for (const std::string& f : kept) EXPECT_TRUE(t.Work().Exists(f)) << f;
}
