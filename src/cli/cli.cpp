#include "cli/cli.h"

#include "cli/common.h"
#include "params/defaults.h"
#include "params/lifecycle.h"

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
    "no solution or a non-numeric one).";

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

  CLI::App* seed = app.add_subcommand("seed", "write the default data missing from the working directory");
  CLI::App* run =
      app.add_subcommand("run", "run the zone in a mode (\"Старт иммитации\") and the totals, print JSON");
  Registry r(app, o, run);
  r.AddSchemeOptions(run, false)->description("the feeding scheme (default: the schedule's own)");
  r.AddRunOptions(run);
  r.AddSeedOption(run);
  RegisterSolveCommands(r);
  RegisterScheduleCommands(r);
  RegisterProbCommands(r);
  RegisterChartCommands(r);
  RegisterConstructCommands(r);
  RegisterStudyCommands(r);
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

  try {
    if (seed->parsed()) {
      SeedDefaultData(OpenWorkDir(o, true));
      return 0;
    }
    const Handler* handler = r.Parsed();
    if (!handler) throw UsageError("no command given");
    WorkDir wd = OpenWorkDir(o, false);
    SeedNewWorkDir(wd);
    CliHost host(err);
    AppState st;
    st.Work = wd;
    st.Host = &host;
    if (o.haveSeed) st.Rng.SetSeed(o.seed);
    StartUp(st, !o.haveSeed);
    return (*handler)(st, host, out, err);
  } catch (const UsageError& e) {
    err << "tpscalc-cli: " << e.what() << "\nRun with --help for more information.\n";
    return 2;
  } catch (const std::exception& e) {
    err << "tpscalc-cli: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace tps::cli
