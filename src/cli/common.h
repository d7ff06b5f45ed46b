#pragma once

// What the commands of tpscalc-cli share: the JSON answer, the host that
// keeps the engine's messages, the options every command takes, the
// preparation of the parameter block and the report of a run.

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "arith/cmplx.h"
#include "driver/testrun.h"
#include "params/host.h"
#include "params/state.h"

namespace tps {
class TGDPClass;
struct NormCompliance;
}

namespace tps::cli {

// Keys in the order they are written.
using Json = nlohmann::ordered_json;

// The command line or its input refused: exit code 2, the message on stderr.
struct UsageError : std::runtime_error {
  explicit UsageError(const std::string& m) : std::runtime_error(m) {}
};

// Keeps every message; shows run progress on a terminal. At the once-per-step
// pump a SIGINT or SIGTERM caught becomes the run's stop: its pause (the test
// and probabilistic runs) and its stop (the schedule runs, the batch), as
// "Выход" of the window tells a run under way.
class CliHost : public RecordingHost {
 public:
  explicit CliHost(std::ostream& err) : err_(err) {}
  AppState* state = nullptr;
  bool progress = false;
  // The generator's seed when the command started: given by --seed, else
  // drawn from the clock. Given again as --seed it repeats a random run.
  uint32_t startSeed = 0;
  void ProcessEvents() override;
  void EndProgress();
  // Where the rows of every step go once the run has finished (--steps).
  std::string stepsFile;

 private:
  std::ostream& err_;
  bool shown_ = false;
};

// The options every command may take: the working directory, the scheme and
// the fields of the parameter block, the run options, the generator's seed.
struct Options {
  std::string workdir;
  bool workdirGiven = false;
  // --no-wait: refuse at once when another calculation holds the working directory.
  bool noWait = false;
  int scheme = 0;
  std::vector<std::string> sets;
  std::vector<std::string> options;
  bool haveSeed = false;
  uint32_t seed = 0;
  // --steps FILE.csv|FILE.jsonl: the results of every step of the run.
  std::string steps;
};

bool HasOption(const Options& o, const std::string& name);
// The names of `known` nearest to a misspelt `word` (letters swapped, missing,
// doubled or changed; case ignored), nearest first, at most `most` of them;
// none when nothing is near.
std::vector<std::string> Nearest(const std::string& word, const std::vector<std::string>& known,
                                 size_t most = 1);
// "; did you mean X?" for the nearest of `known`, "" when none is near.
std::string DidYouMean(const std::string& word, const std::vector<std::string>& known);
// A number of the command line, read as the program reads every number.
double NumberOf(const std::string& text, const std::string& what);
// MEAN:DEV of a random draw, each within its range.
std::pair<std::string, std::string> MeanAndDeviation(const std::string& s, const std::string& what,
                                                     double meanLo, double meanHi, double devHi);
// Params as the windows would hold them for scheme V: the defaults file,
// then the scheme's saved state, then the --set fields.
void Prepare(AppState& st, int scheme, const Options& o);

Json Messages(const RecordingHost& h);
void Print(std::ostream& out, const Json& j);
// A complex value of the JSON: [re, im].
Json Complex(TComplex z);
// A number of the block kept as text ("12,5", "н/и") as a JSON number, null
// when it is not one.
Json NumberOrNull(const std::string& text);
// What makes a run reproducible: the program's version, the scheme, the seed
// (random runs), the schedule (when one is run), the fields that differ from
// the scheme's shipped state and the run options.
Json Inputs(const AppState& st, const CliHost& host, const Options& o, bool random,
            const std::string& schedule = std::string());
// Whether a run of these options draws random numbers.
bool DrawsRandom(const AppState& st, const Options& o);
// A refusal: the JSON with its messages on stdout, the messages on stderr.
int Refused(Json& j, const RecordingHost& h, std::ostream& out, std::ostream& err);

const char* OutcomeName(RunOutcome r);
// The scheme with the box "Откл Ф2 и Ф4" checked where the scheme has it.
int WithF2F4(int scheme, const Options& o);
// The run options shared by every run: detailed, vary-currents, no-charts.
void ApplyRunOptions(AppState& st, const Options& o);

// Runs one run of the engine as a command: an error that ends it is shown
// like the window's error box, and the run is not a result.
template <class F>
RunOutcome RunAsCommand(CliHost& host, F&& run) {
  try {
    return run();
  } catch (const std::exception& e) {
    host.ShowMessage(MsgKind::Error, e.what(), MsgButtons::Ok);
    return RunOutcome::Failed;
  }
}

// The answer of a run: the totals ("Смотреть результаты", appended to
// "Final.txt") only after a finished run. Exit 0 finished, 3 finished with a
// pantograph potential of 0 or below ("finished_impossible": the totals are
// printed but describe no real state of the line), 2 refused or only
// recommended, 1 failed or stopped. A run stopped by SIGINT or SIGTERM is no
// result: its answer says "interrupted" and the command exits 128 + the signal.
int ReportRun(AppState& st, CliHost& host, RunOutcome outcome, double modelTime, double elapsed, Json& j,
              std::ostream& out, std::ostream& err);
// The norm compliance of a run (json_norms.cpp): the norms, the mean useful
// voltage, the shares below the norms, the lowest voltage and where, the
// trains and the feeders.
Json NormsJson(const NormCompliance& nc);
double SecondsSince(std::chrono::steady_clock::time_point t0);

// A schedule file of the command line as a program path of the working
// directory: a bare name is a schedule of its "gdp" folder; a path must lie
// inside the working directory.
std::string ScheduleProgramPath(const WorkDir& wd, const std::string& file);
// A run takes a schedule of the list, that is of the "gdp" folder: its name there.
std::string ScheduleListName(const WorkDir& wd, const std::string& file);
// What the schedule check found against the scheme, the zone and the step:
// into the JSON, and one line each for stderr.
std::string ReportMismatch(const AppState& st, const TGDPClass& g, Json& j);

// The scheme of a schedule run: --scheme, else the schedule's own.
int SchemeOfSchedule(const Options& o, const TGDPClass& g, const std::string& file);

// "a:b:c" into its parts.
std::vector<std::string> SplitColons(const std::string& t);
// --flow TYPE=COUNT[:AMIN:AMAX:RMIN:RMAX:VMIN:VMAX] into its row of the grid
// of the probabilistic train parameters (st.Prob.Grid).
void ApplyFlow(AppState& st, const std::string& flow);

// A run through the schedule g as a command: the run with its progress on a
// terminal, then its report; a refusal also names what of the schedule did
// not fit the scheme, the zone or the step.
int ReportScheduleRun(AppState& st, CliHost& host, const TGDPClass& g, Json& j, std::ostream& out,
                      std::ostream& err, const std::function<RunOutcome()>& run);

// The working directory: it must exist, except for "seed", which creates it.
WorkDir OpenWorkDir(const Options& o, bool create);

// ---------------------------------------------------------------- commands

// A command's work once the working directory is open and the state started.
using Handler = std::function<int(AppState& st, CliHost& host, std::ostream& out, std::ostream& err)>;

// A command that writes results or scratch files into the working directory
// holds it for itself (WorkDirLock); one that only reads takes no lock.
enum class Access { Reads, Writes };

// The commands and the modes of "run", as each file of commands adds its own.
class Registry {
 public:
  Registry(CLI::App& app, Options& o, CLI::App* run) : app(app), options(o), run(run) {}
  CLI::App& app;
  Options& options;
  // "run --mode MODE": each mode adds its options to this command.
  CLI::App* run;

  void AddCommand(CLI::App* command, Handler h, Access access = Access::Writes) {
    commands_.push_back({command, std::move(h), access});
  }
  void AddRunMode(const std::string& name, Handler h) {
    modeNames_.push_back(name);
    modes_[name] = std::move(h);
  }
  // The command's own options, kept as long as the command line is.
  template <class T>
  T& Keep() {
    auto p = std::make_shared<T>();
    kept_.push_back(p);
    return *p;
  }

  // --scheme V (1..12) and --set FIELD=TEXT.
  CLI::Option* AddSchemeOptions(CLI::App* c, bool required);
  // --option NAME of a run: detailed, vary-currents, no-charts, f2f4-off.
  void AddRunOptions(CLI::App* c);
  // --seed N: the random generator's seed.
  void AddSeedOption(CLI::App* c);
  // --steps FILE: the results of every step, CSV or JSON lines.
  void AddStepsOption(CLI::App* c);

  const std::vector<std::string>& ModeNames() const { return modeNames_; }
  std::string mode;
  // After the parse: the seed given, and the handler of the command given.
  bool SeedGiven() const;
  const Handler* Parsed() const;
  // Whether the command given writes into the working directory.
  bool ParsedWrites() const;

 private:
  struct Command {
    CLI::App* app;
    Handler handler;
    Access access;
  };
  std::vector<Command> commands_;
  std::vector<std::string> modeNames_;
  std::map<std::string, Handler> modes_;
  std::vector<CLI::Option*> seeds_;
  std::vector<std::shared_ptr<void>> kept_;
};

// solve, batch
void RegisterSolveCommands(Registry& r);
// run --mode schedule, schedule show, schedule make
void RegisterScheduleCommands(Registry& r);
// run --mode prob, run --mode test
void RegisterProbCommands(Registry& r);
// chart
void RegisterChartCommands(Registry& r);
// construct, run --mode constructor
void RegisterConstructCommands(Registry& r);
// psk-sweep, pps-search, stats
void RegisterStudyCommands(Registry& r);
// fields, schemes
void RegisterDescribeCommands(Registry& r);
// compare
void RegisterCompareCommands(Registry& r);
// report
void RegisterReportCommands(Registry& r);

}  // namespace tps::cli
