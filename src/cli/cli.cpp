#include "cli/cli.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "cli/common.h"
#include "cli/interrupt.h"
#include "driver/seed.h"
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
    "examples:\n"
    "  tpscalc-cli --workdir study seed\n"
    "  tpscalc-cli --workdir study batch --scheme 3 --set ZoneLength=25\n"
    "  tpscalc-cli --workdir study run --mode schedule --schedule file00.gdp\n"
    "Every command answers in JSON (docs/cli-json.md); \"tpscalc-cli COMMAND --help\" tells more.\n"
    "exit codes:\n"
    "  0        the command finished\n"
    "  1        an error: a file operation, a missing or damaged file, a step with no\n"
    "           solution or a non-numeric one, a run stopped before its end\n"
    "  2        the command line or the input was refused: a misspelt command, option,\n"
    "           field or key (named with the nearest one), a value out of range, a\n"
    "           validation warning, a schedule that does not fit the scheme, zone or step\n"
    "  3        a run finished, but a pantograph potential fell to 0 or below\n"
    "  130, 143 stopped by SIGINT (Ctrl+C) or SIGTERM\n"
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

// The long names of a command's options, "--name".
void AddOptionNames(const CLI::App* c, std::vector<std::string>& names) {
  for (const CLI::Option* opt : c->get_options())
    for (const std::string& n : opt->get_lnames()) names.push_back("--" + n);
}

std::vector<std::string> CommandNames(const CLI::App* c) {
  std::vector<std::string> names;
  for (const CLI::App* sub : c->get_subcommands([](const CLI::App*) { return true; }))
    names.push_back(sub->get_name());
  return names;
}

// A command line refused: the word that is not the program's, with the
// nearest one it knows ("--shceme: did you mean --scheme?"); empty when every
// word is known and the refusal is of another kind.
std::string MisspeltWord(const CLI::App& app, const std::vector<std::string>& args) {
  const CLI::App* command = &app;
  std::vector<std::string> options;
  AddOptionNames(&app, options);
  bool valueNext = false;
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg.rfind("--", 0) == 0) {
      const std::string name = arg.substr(0, arg.find('='));
      if (std::find(options.begin(), options.end(), name) == options.end())
        return name + ": unknown option" + (command == &app ? "" : " of " + command->get_name()) +
               DidYouMean(name, options);
      // An option of a value takes the next word, unless given as --name=value.
      const CLI::Option* opt = command->get_option_no_throw(name);
      if (!opt) opt = app.get_option_no_throw(name);
      valueNext = opt && opt->get_type_size_max() > 0 && arg.find('=') == std::string::npos;
      continue;
    }
    if (valueNext || arg.rfind("-", 0) == 0) {
      valueNext = false;
      continue;
    }
    // A word that is no option's value: a command, while the command has commands.
    const std::vector<std::string> commands = CommandNames(command);
    if (commands.empty()) continue;
    const CLI::App* sub = nullptr;
    for (const CLI::App* c : command->get_subcommands([](const CLI::App*) { return true; }))
      if (c->get_name() == arg) sub = c;
    if (!sub)
      return arg + ": unknown command" + (command == &app ? "" : " of " + command->get_name()) +
             DidYouMean(arg, commands);
    command = sub;
    AddOptionNames(command, options);
  }
  return std::string();
}

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
    std::vector<std::string> written;
    SeedDefaultData(wd, &written);
    Json j;
    j["workdir"] = std::filesystem::absolute(wd.Root()).string();
    j["written"] = written;
    Print(out, j);
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
  host.startSeed = st.Rng.Seed();
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
  app.add_option("--workdir", o.workdir, "the working directory (default: $XDG_DATA_HOME/tpscalc, else ~/.local/share/tpscalc, "
                 "the window's own folder; created and seeded on first use)")
      ->type_name("DIR");
  app.add_flag("--no-wait", o.noWait,
               "exit 2 at once when another calculation writes into the working directory, instead of "
               "waiting for it");

  CLI::App* seed = app.add_subcommand("seed", "write the default data missing from the working directory");
  seed->footer("example:\n  tpscalc-cli --workdir study seed");
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
  RegisterDescribeCommands(r);
  RegisterCompareCommands(r);
  RegisterReportCommands(r);
  run->footer(
      "examples:\n"
      "  tpscalc-cli run --mode schedule --schedule file00.gdp\n"
      "  tpscalc-cli run --mode prob --scheme 3 --period '1 час' --flow freight=4 --seed 12\n"
      "  tpscalc-cli run --mode test --scheme 2 --train 1:0:1000:0:60\n"
      "  tpscalc-cli run --mode constructor --graph eq.grf --schedule two.gdp");
  run->add_option("--mode", r.mode, "the run mode: schedule, prob, test or constructor")
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
    if (e.get_exit_code() != 0) {
      if (const std::string word = MisspeltWord(app, args); !word.empty()) {
        err << "tpscalc-cli: " << word << "\nRun with --help for more information.\n";
        return 2;
      }
    }
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
