// Speed of the input-output toolkit on random productive tables with 5 % of their cells
// filled: outputs for a final demand and the output multipliers (two solves with I - A, one
// with its transpose) by each solver; the dense LU and UMFPACK only up to sizes where their
// fill-in stays reasonable.
// Run: build/bench/inputoutput_bench [--benchmark_filter=...]

#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "inputoutput/IoAnalysis.h"

namespace {

using namespace quantorial;

IoTable RandomTable(int n, double density) {
  std::mt19937_64 gen(20261211);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  IoTable t;
  t.a.rows = t.a.cols = n;
  t.a.start.assign(1, 0);
  for (int j = 0; j < n; ++j) {
    t.sectors.push_back("S" + std::to_string(j + 1));
    const std::size_t first = t.a.value.size();
    double sum = 0.0;
    for (int i = 0; i < n; ++i)
      if (u(gen) < density) {
        t.a.row.push_back(i);
        t.a.value.push_back(u(gen));
        sum += t.a.value.back();
      }
    const double scale = sum > 0 ? (0.3 + 0.6 * u(gen)) / sum : 0.0;
    for (std::size_t k = first; k < t.a.value.size(); ++k) t.a.value[k] *= scale;
    t.a.start.push_back(static_cast<long long>(t.a.row.size()));
  }
  t.primary = {"Labour"};
  t.primaryRow.assign(1, std::vector<double>(static_cast<std::size_t>(n)));
  for (double& v : t.primaryRow[0]) v = u(gen);
  return t;
}

void OutputsAndMultipliers(benchmark::State& state, IoSolver solver) {
  const int n = static_cast<int>(state.range(0));
  const IoTable t = RandomTable(n, 0.05);
  IoOptions o;
  o.solver = solver;
  o.demand.assign(static_cast<std::size_t>(n), 100.0);
  o.denseLimit = 0;  // outputs and multipliers only, never L itself
  for (auto _ : state) {
    const IoAnalysis r = AnalyseIoTable(t, o);
    if (!r.error.empty()) state.SkipWithError(r.error.c_str());
    benchmark::DoNotOptimize(r.outputs.data());
  }
  state.counters["nonzeros"] = static_cast<double>(t.a.NonZeros());
}

}  // namespace

BENCHMARK_CAPTURE(OutputsAndMultipliers, iterative, IoSolver::Iterative)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(4000)
    ->Arg(9800)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OutputsAndMultipliers, power_series, IoSolver::Neumann)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(4000)
    ->Arg(9800)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OutputsAndMultipliers, umfpack, IoSolver::SparseLu)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(4000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OutputsAndMultipliers, dense_lu, IoSolver::Dense)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(4000)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
