// tpscalc-cli: the headless runner of the engine, for scripting, batch
// studies and tests.
#include <iostream>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "cli/cli.h"

int main(int argc, char** argv) {
#if defined(__GLIBC__)
  // A year's series of a run are some 4 MB each: blocks of that size get
  // mappings of their own, so a study's freed runs go back to the system
  // instead of staying with the heap, and its peak follows the runs alive,
  // not the runs made (the heap's own threshold climbs to 32 MB).
  mallopt(M_MMAP_THRESHOLD, 4 << 20);
#endif
  std::vector<std::string> args(argv + 1, argv + argc);
  return tps::cli::Run(args, std::cout, std::cerr);
}
