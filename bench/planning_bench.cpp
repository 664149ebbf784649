// Speed of the planning solvers: "&Solve..." on a dense LP of n rows by n variables
// (maximise the sum of the variables subject to A x <= b with A > 0 and b > 0, so the
// optimum exists), from the table to the solution slot.
// Run: build/bench/planning_bench

#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "planning/LpSolve.h"
#include "workspace/ValueRules.h"

namespace {

using quantorial::LabelledMatrix;

LabelledMatrix DenseLpTable(int n) {
  std::mt19937_64 gen(500);
  std::uniform_real_distribution<double> u(0.1, 1.0);
  LabelledMatrix t = LabelledMatrix::Dimension(n, n + 2);
  for (int j = 1; j <= n; ++j) t.Set(0, j, "P" + std::to_string(j));
  t.Set(0, n + 1, std::string("Relation"));
  t.Set(0, n + 2, std::string("RHS"));
  for (int i = 1; i <= n; ++i) {
    t.Set(i, 0, "R" + std::to_string(i));
    for (int j = 1; j <= n; ++j) t.Set(i, j, u(gen));
    t.Set(i, n + 1, std::string("<"));
    t.Set(i, n + 2, 100.0 * u(gen));
  }
  return t;
}

void BM_SolveDenseLp(benchmark::State& state) {
  const LabelledMatrix t = DenseLpTable(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    const LabelledMatrix s = quantorial::SolveLp(t, false, true);
    if (quantorial::CellText(s.Get(1, 1)) != "optimal") state.SkipWithError("not solved to optimality");
    benchmark::DoNotOptimize(s);
  }
}

BENCHMARK(BM_SolveDenseLp)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
