// Speed of the matrix library on labelled matrices of doubles: multiplication and both
// inversions at 100x100 to 2000x2000, the dense kernels alone at 1000 to 4000 on one and
// on every core, and the cell-by-cell forms for comparison.
// Run: build/bench/matrix_bench   (one size: --benchmark_filter='DenseInverse/2000')

#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "matrix/DenseKernels.h"
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

// The kernels without the conversion from and to cells; args: size, threads (0: all).
void BM_DenseInverse(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  std::mt19937_64 gen(3);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<double> a(n * n);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) a[i * n + j] = u(gen) + (i == j ? static_cast<double>(n) : 0.0);
  }
  const quantorial::dense::Blocking blocking{0, static_cast<unsigned>(state.range(1))};
  for (auto _ : state) {
    std::vector<double> w = a;
    benchmark::DoNotOptimize(quantorial::dense::Invert(w, n, quantorial::dense::Elimination::kGaussJordan, blocking));
  }
  state.counters["threads"] = blocking.threads ? blocking.threads : quantorial::dense::DefaultThreads();
}

void BM_DenseMultiply(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  std::vector<double> a(n * n, 0.5), b(n * n, 0.25), p(n * n);
  const quantorial::dense::Blocking blocking{0, static_cast<unsigned>(state.range(1))};
  for (auto _ : state) quantorial::dense::Multiply(a.data(), b.data(), p.data(), n, n, n, blocking);
}

BENCHMARK(BM_MatrixMultiply)->Arg(100)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatrixInverse)->Arg(100)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatrixInversePivot)->Arg(100)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DenseInverse)
    ->ArgsProduct({{1000, 2000, 4000}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_DenseMultiply)->ArgsProduct({{1000, 2000}, {1, 0}})->Unit(benchmark::kMillisecond)->UseRealTime();
// The cell-by-cell forms take seconds at 500x500; 100x100 shows the ratio.
BENCHMARK(BM_MatrixMultiplyCellwise)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatrixInverseCellwise)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatrixInversePivotCellwise)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
