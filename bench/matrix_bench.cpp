// Speed of the matrix library on labelled matrices of doubles: multiplication and both
// inversions at 100x100 and 500x500, and the cell-by-cell forms for comparison.
// Run: build/bench/matrix_bench

#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "matrix/MatrixFunctions.h"

namespace {

using quantorial::LabelledMatrix;

LabelledMatrix Labelled(int n, unsigned seed) {
  std::mt19937_64 gen(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  LabelledMatrix m = LabelledMatrix::Dimension(n, n);
  for (int k = 1; k <= n; ++k) {
    m.Set(0, k, "v" + std::to_string(k));
    m.Set(k, 0, "v" + std::to_string(k));
  }
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) m.Set(i, j, u(gen) + (i == j ? n : 0.0));
  }
  return m;
}

void BM_MatrixMultiply(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const LabelledMatrix A = Labelled(n, 1), B = Labelled(n, 2);
  for (auto _ : state) benchmark::DoNotOptimize(quantorial::MatrixMultiply(A, B, 0));
}

void BM_MatrixInverse(benchmark::State& state) {
  const LabelledMatrix A = Labelled(static_cast<int>(state.range(0)), 3);
  for (auto _ : state) benchmark::DoNotOptimize(quantorial::MatrixInverse(A, 1));
}

void BM_MatrixInversePivot(benchmark::State& state) {
  const LabelledMatrix A = Labelled(static_cast<int>(state.range(0)), 4);
  for (auto _ : state) benchmark::DoNotOptimize(quantorial::MatrixInversePivot(A, 1));
}

void BM_MatrixMultiplyCellwise(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const LabelledMatrix A = Labelled(n, 1), B = Labelled(n, 2);
  for (auto _ : state) benchmark::DoNotOptimize(quantorial::detail::MatrixMultiplyCellwise(A, B, 0));
}

void BM_MatrixInverseCellwise(benchmark::State& state) {
  const LabelledMatrix A = Labelled(static_cast<int>(state.range(0)), 3);
  for (auto _ : state) benchmark::DoNotOptimize(quantorial::detail::MatrixInverseCellwise(A, 1));
}

void BM_MatrixInversePivotCellwise(benchmark::State& state) {
  const LabelledMatrix A = Labelled(static_cast<int>(state.range(0)), 4);
  for (auto _ : state) benchmark::DoNotOptimize(quantorial::detail::MatrixInversePivotCellwise(A, 1));
}

BENCHMARK(BM_MatrixMultiply)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatrixInverse)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatrixInversePivot)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond);
// The cell-by-cell forms take seconds at 500x500; 100x100 shows the ratio.
BENCHMARK(BM_MatrixMultiplyCellwise)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatrixInverseCellwise)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatrixInversePivotCellwise)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
