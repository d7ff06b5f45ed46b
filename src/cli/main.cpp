// tpscalc-cli: the headless runner of the engine, for scripting, batch
// studies and tests.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return tps::cli::Run(args, std::cout, std::cerr);
}
