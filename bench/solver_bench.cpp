// The step solution timed three ways on the scenarios of the performance
// table: the literal element-by-element form, the production form, and a
// sparse complex LU solve of the same system. Before timing, every scenario
// is solved both ways and the results compared bit for bit.
//
//   tps_bench [benchmark options] [--table]
//
// With --table the progress goes to stderr and stdout receives the Markdown
// table of docs/performance.md.
#include <algorithm>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "reference_solver.h"
#include "scenarios.h"
#include "solver/solve.h"
#include "solver/stepcore.h"
#include "sparse_lu.h"

namespace {

using namespace tps;
using namespace tps::bench;

enum class Path { Literal, Production, SparseLu };
const char* PathName(Path p) {
  switch (p) {
    case Path::Literal:
      return "literal";
    case Path::Production:
      return "production";
    default:
      return "sparse_lu";
  }
}

// The engine's matrix core of a step on sparse rows.
StepResult ProductionSolve(StepCircuit& c) {
  return SolveStepCore(c, true);
}

// Solves the step in `c` (consumed) the chosen way; returns the loss so the
// work cannot be optimised away.
double Solve(Path p, StepCircuit& c) {
  switch (p) {
    case Path::Literal:
      return reference::SolveCircuit(c, true).S(1, 1).Re;
    case Path::Production:
      return ProductionSolve(c).S(1, 1).Re;
    default: {
      auto x = SparseLuCurrents(c);
      return x.empty() ? 0.0 : x[0].real();
    }
  }
}

std::unique_ptr<ZoneState> LoadedZone(const Scenario& sc) {
  auto z = std::make_unique<ZoneState>(sc.Variant, sc.ZoneKm);
  z->AddTrains(sc.Trains1, sc.Trains2);
  return z;
}

void RunScenario(benchmark::State& state, const Scenario& sc, Path path) {
  if (sc.Steps == 1) {
    auto z = LoadedZone(sc);
    z->Build();
    const StepCircuit built = reference::CopyCircuit(z->S().Circuit);
    for (auto _ : state) {
      state.PauseTiming();
      StepCircuit c = reference::CopyCircuit(built);
      // A cold step: nothing kept from the iteration before.
      ForgetTreeInverse();
      state.ResumeTiming();
      benchmark::DoNotOptimize(Solve(path, c));
    }
  } else {
    // A whole run: build, solve and move the trains, step after step.
    for (auto _ : state) {
      state.PauseTiming();
      auto z = LoadedZone(sc);
      ForgetTreeInverse();
      state.ResumeTiming();
      for (int s = 0; s < sc.Steps; ++s) {
        z->Build();
        benchmark::DoNotOptimize(Solve(path, z->S().Circuit));
        z->Advance();
      }
    }
  }
  state.counters["steps"] = sc.Steps;
}

double ProcessSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Processor seconds per step of `reps` solutions of the scenario the chosen
// way (the copies of a single step made before the clock starts).
double SecondsPerStep(const Scenario& sc, Path path, const StepCircuit* built, int reps) {
  if (sc.Steps == 1) {
    std::vector<StepCircuit> copies;
    for (int r = 0; r < reps; ++r) copies.push_back(reference::CopyCircuit(*built));
    double sum = 0;
    for (StepCircuit& c : copies) {
      ForgetTreeInverse();
      const double t0 = ProcessSeconds();
      benchmark::DoNotOptimize(Solve(path, c));
      sum += ProcessSeconds() - t0;
    }
    return sum / reps;
  }
  double sum = 0;
  for (int r = 0; r < reps; ++r) {
    auto z = LoadedZone(sc);
    ForgetTreeInverse();
    const double t0 = ProcessSeconds();
    for (int s = 0; s < sc.Steps; ++s) {
      z->Build();
      benchmark::DoNotOptimize(Solve(path, z->S().Circuit));
      z->Advance();
    }
    sum += ProcessSeconds() - t0;
  }
  return sum / (static_cast<double>(reps) * sc.Steps);
}

// The ratio of the production step to the sparse LU solve measured in pairs:
// each round times a batch of the one and then a batch of the other, so that
// both meet the same state of a shared machine; the median of the rounds.
double PairedRatio(const Scenario& sc) {
  std::unique_ptr<ZoneState> z;
  StepCircuit built;
  if (sc.Steps == 1) {
    z = LoadedZone(sc);
    z->Build();
    built = reference::CopyCircuit(z->S().Circuit);
  }
  // Batches of about 20 ms each.
  const double prod = SecondsPerStep(sc, Path::Production, &built, 1);
  const double lu = SecondsPerStep(sc, Path::SparseLu, &built, 1);
  auto reps = [&sc](double perStep) {
    return std::max(1, static_cast<int>(0.02 / std::max(perStep * sc.Steps, 1e-9)));
  };
  const int np = reps(prod), nl = reps(lu);
  std::vector<double> ratios;
  for (int round = 0; round < 21; ++round) {
    const double p = SecondsPerStep(sc, Path::Production, &built, np);
    const double l = SecondsPerStep(sc, Path::SparseLu, &built, nl);
    if (l > 0) ratios.push_back(p / l);
  }
  if (ratios.empty()) return 0;
  std::sort(ratios.begin(), ratios.end());
  return ratios[ratios.size() / 2];
}

bool SameBits(const CMat& a, const CMat& b, int rows) {
  if (a.Rows() != b.Rows() || a.Cols() != b.Cols()) return false;
  for (int i = 1; i <= rows; ++i)
    if (std::memcmp(&a(i, 1), &b(i, 1), sizeof(TComplex)) != 0) return false;
  return true;
}

// Every step of every scenario solved both ways must agree to the last bit.
bool ProveBitIdentity(std::ostream& log) {
  bool all = true;
  for (const Scenario& sc : Scenarios()) {
    auto z = LoadedZone(sc);
    int same = 0;
    for (int s = 0; s < sc.Steps; ++s) {
      z->Build();
      StepCircuit& built = z->S().Circuit;
      const int n = built.NodeCount, m = built.BranchCount;
      StepCircuit a = reference::CopyCircuit(built), b = reference::CopyCircuit(built);
      StepResult lit = reference::SolveCircuit(a, true);
      StepResult pro = ProductionSolve(b);
      if (SameBits(lit.I, pro.I, m) && SameBits(lit.Phi, pro.Phi, n) && SameBits(lit.S, pro.S, 1)) ++same;
      z->Advance();
    }
    log << "(" << sc.Letter << ") " << sc.Title << ": " << same << " of " << sc.Steps
        << " steps bit-identical\n";
    all = all && same == sc.Steps;
  }
  return all;
}

// Collects the per-iteration times while the console reporter shows progress.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  explicit TableReporter(bool plain) : ConsoleReporter(plain ? OO_Tabular : OO_ColorTabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration) continue;
      double steps = 1;
      auto it = r.counters.find("steps");
      if (it != r.counters.end()) steps = it->second.value;
      // Processor time: on a machine shared with other work the wall clock
      // also counts the time the benchmark waits for the processor.
      msPerStep_[r.run_name.function_name].push_back(r.GetAdjustedCPUTime() / steps);  // the unit is ms
    }
  }
  void PrintTable(std::ostream& out) const {
    out << "| scenario | literal ms/step | production ms/step | speed-up | sparse LU ms/step | production / "
           "sparse LU |\n";
    out << "|---|---|---|---|---|---|\n";
    for (const Scenario& sc : Scenarios()) {
      std::string key(1, sc.Letter);
      double lit = Get("literal/" + key), pro = Get("production/" + key), lu = Get("sparse_lu/" + key);
      char line[256];
      std::snprintf(line, sizeof line, "| %c | %.3f | %.3f | %.1f | %.3f | %.2f |\n", sc.Letter, lit, pro,
                    pro > 0 ? lit / pro : 0.0, lu, PairedRatio(sc));
      out << line;
    }
  }

 private:
  // The median of the repetitions: a burst of other work on the machine
  // lengthens one repetition, not the median.
  double Get(const std::string& name) const {
    auto it = msPerStep_.find(name);
    if (it == msPerStep_.end() || it->second.empty()) return 0.0;
    std::vector<double> t = it->second;
    std::sort(t.begin(), t.end());
    const size_t k = t.size() / 2;
    return t.size() % 2 ? t[k] : (t[k - 1] + t[k]) / 2;
  }
  std::map<std::string, std::vector<double>> msPerStep_;
};

void RegisterAll() {
  for (const Scenario& sc : Scenarios()) {
    for (Path p : {Path::Literal, Path::Production, Path::SparseLu}) {
      std::string name = std::string(PathName(p)) + "/" + sc.Letter;
      auto* b = benchmark::RegisterBenchmark(name.c_str(),
                                             [sc, p](benchmark::State& st) { RunScenario(st, sc, p); });
      b->Unit(benchmark::kMillisecond);
      // The literal step of the large zones takes seconds: one pass is enough.
      if (p == Path::Literal)
        b->Iterations(sc.Steps > 1 || sc.Trains1 >= 30 ? 1 : 5);
      else
        b->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(false);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  bool table = false;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--table") == 0)
      table = true;
    else
      args.push_back(argv[i]);
  }
  int n = static_cast<int>(args.size());
  benchmark::Initialize(&n, args.data());
  std::ostream& log = table ? std::cerr : std::cout;
  if (!ProveBitIdentity(log)) {
    std::cerr << "The production step differs from the literal one.\n";
    return 1;
  }
  RegisterAll();
  TableReporter reporter(table);
  if (table) reporter.SetOutputStream(&std::cerr);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  if (table) reporter.PrintTable(std::cout);
  benchmark::Shutdown();
  return 0;
}
