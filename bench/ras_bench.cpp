// Speed of RAS balancing on random priors with 5 % of their cells filled (and every diagonal
// cell), n x n: margins met (those of the prior with every cell scaled by a random factor),
// margins refused because a row asks more than its columns hold, and margins refused because
// a row takes all of a column's target, which leaves the column's other cells at 0 (RAS
// would only creep towards that); and the first refusal again with one negative cell elsewhere
// (GRAS, whose sweeps give up when the gap stops shrinking). The goal is each case within 10 s
// at 2,000 x 2,000.
// Run: build/bench/ras_bench [--benchmark_filter=...]

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "inputoutput/Ras.h"

namespace {

using namespace quantorial;

enum class Margins { Met, RowAsksTooMuch, RowTakesAColumn, GrasRowAsksTooMuch };

struct Problem {
  std::vector<std::vector<double>> prior;
  std::vector<double> u, v;
};

Problem MakeProblem(std::size_t n, Margins kind) {
  std::mt19937_64 gen(20261211);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  Problem p;
  p.prior.assign(n, std::vector<double>(n, 0.0));
  p.u.assign(n, 0.0);
  p.v.assign(n, 0.0);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j)
      if (i == j || unit(gen) < 0.05) p.prior[i][j] = 1.0 + 99.0 * unit(gen);
  if (kind == Margins::RowTakesAColumn) {
    // Row 0's only cell is in column 0.
    for (std::size_t j = 1; j < n; ++j) p.prior[0][j] = 0.0;
  }
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j) {
      const double z = p.prior[i][j] * (0.5 + unit(gen));
      p.u[i] += z;
      p.v[j] += z;
    }
  if (kind == Margins::RowAsksTooMuch || kind == Margins::GrasRowAsksTooMuch) {
    // Row 0 keeps two cells and asks more than their columns' targets; the rest give way.
    for (std::size_t j = 2; j < n; ++j) p.prior[0][j] = 0.0;
    const double extra = p.v[0] + p.v[1] + 1.0 - p.u[0];
    p.u[0] += extra;
    p.u[1] -= extra;
  }
  if (kind == Margins::RowTakesAColumn) {
    // ... and its target is all of column 0's.
    const double shift = p.v[0] - p.u[0];
    p.u[0] += shift;
    p.u[1] -= shift;
  }
  // A negative cell away from the row and its columns makes it GRAS, which the transport
  // check does not judge: the sweeps must give up by themselves.
  if (kind == Margins::GrasRowAsksTooMuch) p.prior[n - 1][n - 2] = -1.0;
  return p;
}

void Balance(benchmark::State& state, Margins kind) {
  const Problem p = MakeProblem(static_cast<std::size_t>(state.range(0)), kind);
  int sweeps = 0;
  std::string error;
  for (auto _ : state) {
    const RasResult r = BalanceRas(p.prior, p.u, p.v, {});
    sweeps = r.sweeps;
    error = r.error;
    benchmark::DoNotOptimize(r.matrix.data());
  }
  if (error.empty() != (kind == Margins::Met)) state.SkipWithError("the margins were not judged as built");
  if (error.empty()) state.counters["sweeps"] = sweeps;
  state.SetLabel(error.substr(0, 60));
}

}  // namespace

BENCHMARK_CAPTURE(Balance, met, Margins::Met)->Arg(400)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Balance, row_asks_too_much, Margins::RowAsksTooMuch)
    ->Arg(400)
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Balance, row_takes_a_column, Margins::RowTakesAColumn)
    ->Arg(400)
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(Balance, gras_row_asks_too_much, Margins::GrasRowAsksTooMuch)
    ->Arg(400)
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
