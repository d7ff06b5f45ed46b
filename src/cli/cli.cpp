#include "cli/cli.h"

#include <filesystem>

#ifndef TPS_VERSION
#define TPS_VERSION "0"
#endif

namespace tps::cli {

static const char* kUsage =
    "usage: tpscalc-cli [--workdir DIR] COMMAND [OPTIONS]\n"
    "       tpscalc-cli --version | --help\n";

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << kUsage;
    return 2;
  }
  if (args[0] == "--version") {
    out << "tpscalc-cli " << TPS_VERSION << "\n";
    return 0;
  }
  if (args[0] == "--help") {
    out << kUsage;
    return 0;
  }
  err << "unknown command: " << args[0] << "\n" << kUsage;
  return 2;
}

}  // namespace tps::cli
