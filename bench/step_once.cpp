// Solves one benchmark scenario's step with the sparse step core a number of
// times, for profiling under callgrind (no timing, no literal solution):
//   tps_step_once LETTER [REPEATS] [kernels]
// With "kernels" the step goes through the engine's SolveCircuit (the dense
// MatInverse and MatMul) instead of the sparse step core.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "reference_solver.h"
#include "scenarios.h"
#include "solver/solve.h"
#include "solver/stepcore.h"

using namespace tps;
using namespace tps::bench;

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const int repeats = argc > 2 ? std::atoi(argv[2]) : 1;
  const bool kernels = argc > 3 && std::strcmp(argv[3], "kernels") == 0;
  auto solve = [kernels](StepCircuit& c) { return kernels ? SolveCircuit(c, true) : SolveStepCore(c, true); };
  for (const Scenario& sc : Scenarios()) {
    if (sc.Letter != argv[1][0]) continue;
    ZoneState z(sc.Variant, sc.ZoneKm);
    z.AddTrains(sc.Trains1, sc.Trains2);
    double sum = 0;
    if (sc.Steps == 1) {
      z.Build();
      const StepCircuit built = reference::CopyCircuit(z.S().Circuit);
      std::printf("n %d m %d\n", built.NodeCount, built.BranchCount);
      for (int r = 0; r < repeats; ++r) {
        StepCircuit c = reference::CopyCircuit(built);
        ForgetTreeInverse();  // a cold step, as the benchmark times it
        sum += solve(c).S(1, 1).Re;
      }
    } else {
      for (int s = 0; s < sc.Steps; ++s) {
        z.Build();
        sum += solve(z.S().Circuit).S(1, 1).Re;
        z.Advance();
      }
    }
    std::printf("%c %.6f\n", sc.Letter, sum);
    return 0;
  }
  return 2;
}
