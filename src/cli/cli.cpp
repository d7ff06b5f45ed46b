#include "cli/cli.h"

#include <chrono>
#include <thread>

#include "cli/common.h"
#include "cli/interrupt.h"
#include "params/defaults.h"
#include "params/fileio.h"
#include "params/lifecycle.h"
#include "solver/steprows.h"

#ifndef TPS_VERSION
#define TPS_VERSION "0"
#endif

namespace tps::cli {

namespace {

const char* kFooter =
    "exit codes: 0 the command finished; 2 the command line or the input was refused\n"
    "(the batch: a validation warning, a zero speed, or only a speed recommended;\n"
    "a schedule run: a schedule that does not fit the scheme, zone or step;\n"
    "schedule make: a wrong line of the text);\n"
    "1 an error (a file operation, a missing or damaged schedule file, a step with\n"
    "no solution or a non-numeric one).\n"
    "One calculation writes into a working directory at a time: a command that writes\n"
    "waits while another holds it (\"Рабочая папка занята другим расчётом…\"), or with\n"
    "--no-wait exits 2 at once; \"schedule show\" and \"chart\" only read and never wait.\n"
    "SIGINT (Ctrl+C) and SIGTERM stop a command within a step, as \"Стоп\" does: the runs\n"
    "finished so far are kept, the scratch files are removed, and it exits 130 or 143.\n"
    "The program's files are read and written only inside the working directory; the chart\n"
    "exports (chart --png, --svg, --csv) go wherever they are named, as from a save dialog.";

// The working directory held for this command: at once, or after the other
// calculation ends (a signal ends the wait). False when it is not held.
bool HoldWorkDir(WorkDirLock& lock, const WorkDir& wd, bool noWait, std::ostream& err) {
  if (lock.TryAcquire(wd)) return true;
  if (noWait) {
    err << "tpscalc-cli: " << kWorkDirBusyMessage << " (--no-wait: расчёт не начат)\n";
    return false;
  }
  err << "tpscalc-cli: " << kWorkDirBusyMessage << " Ждём её освобождения.\n" << std::flush;
  return lock.Acquire(wd, [] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return Interrupted() == 0;
  });
}

// Whatever ends a command, the scratch folders of its studies go with it.
struct OwnScratchRemoved {
  const WorkDir* wd = nullptr;
  ~OwnScratchRemoved() {
    if (wd) RemoveOwnScratch(*wd);
  }
};

}  // namespace

namespace {

// The command given, once the command line is read.
int RunCommand(const Options& o, const Registry& r, bool seeding, std::ostream& out, std::ostream& err) {
  const Handler* handler = seeding ? nullptr : r.Parsed();
  if (!seeding && !handler) throw UsageError("no command given");
  const WorkDir wd = OpenWorkDir(o, seeding);
  WorkDirLock lock;
  OwnScratchRemoved cleanup;
  if (seeding || r.ParsedWrites()) {
    if (!HoldWorkDir(lock, wd, o.noWait, err)) return 2;
    // What calculations killed before left behind goes first.
    RemoveStaleScratch(wd);
    cleanup.wd = &wd;
  }
  if (seeding) {
    SeedDefaultData(wd);
    return 0;
  }
  SeedNewWorkDir(wd);
  CliHost host(err);
  AppState st;
  st.Work = wd;
  st.Host = &host;
  host.state = &st;
  if (o.haveSeed) st.Rng.SetSeed(o.seed);
  // The report of the last run stays: only a command that starts a run
  // empties it, when the run starts.
  StartUp(st, !o.haveSeed, false);
  // --steps: every fully solved step of the run kept as rows, written when
  // the run has finished.
  std::unique_ptr<StepRowsRecorder> rows;
  if (!o.steps.empty()) {
    StepRowsFormat format = StepRowsFormat::Csv;
    StepRowsFormatOf(o.steps, format);
    rows = std::make_unique<StepRowsRecorder>(format);
    st.StepRows = rows.get();
    host.stepsFile = o.steps;
  }
  const int code = (*handler)(st, host, out, err);
  st.StepRows = nullptr;
  return code;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options o;
  CLI::App app{"The power supply of an electrified railway feeding zone, headless.", "tpscalc-cli"};
  app.set_version_flag("--version", std::string("tpscalc-cli ") + TPS_VERSION);
  app.require_subcommand(1);
  app.fallthrough();
  app.footer(kFooter);
  app.add_option("--workdir", o.workdir, "the working directory (default: the current one)")
      ->type_name("DIR");
  app.add_flag("--no-wait", o.noWait,
               "exit 2 at once when another calculation writes into the working directory, instead of "
               "waiting for it");

  CLI::App* seed = app.add_subcommand("seed", "write the default data missing from the working directory");
  CLI::App* run =
      app.add_subcommand("run", "run the zone in a mode (\"Старт иммитации\") and the totals, print JSON");
  Registry r(app, o, run);
  r.AddSchemeOptions(run, false)->description("the feeding scheme (default: the schedule's own)");
  r.AddRunOptions(run);
  r.AddSeedOption(run);
  r.AddStepsOption(run);
  RegisterSolveCommands(r);
  RegisterScheduleCommands(r);
  RegisterProbCommands(r);
  RegisterChartCommands(r);
  RegisterConstructCommands(r);
  RegisterStudyCommands(r);
  RegisterCompareCommands(r);
  RegisterReportCommands(r);
  run->add_option("--mode", r.mode, "the run mode")
      ->type_name("MODE")
      ->required()
      ->check(CLI::IsMember(r.ModeNames()));
  app.failure_message([](const CLI::App*, const CLI::Error& e) {
    return "tpscalc-cli: " + std::string(e.what()) + "\nRun with --help for more information.\n";
  });

  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    return app.exit(e, out, err) == 0 ? 0 : 2;
  }
  o.workdirGiven = app.count("--workdir") > 0;
  o.haveSeed = r.SeedGiven();
  if (!o.steps.empty() && HasOption(o, "no-charts")) {
    err << "tpscalc-cli: --steps needs the potentials of every step; it does not go with --option no-charts\n";
    return 2;
  }

  InstallInterruptHandlers();
  int code = 0;
  try {
    code = RunCommand(o, r, seed->parsed(), out, err);
  } catch (const UsageError& e) {
    err << "tpscalc-cli: " << e.what() << "\nRun with --help for more information.\n";
    code = 2;
  } catch (const std::exception& e) {
    err << "tpscalc-cli: " << e.what() << "\n";
    code = 1;
  }
  // Stopped by a signal: whatever the command managed, it ends as stopped.
  return Interrupted() ? InterruptExitCode() : code;
}

}  // namespace tps::cli
