// Speed of "Create B-Matrix" (normal variables): every ordered pair of variables regressed,
// the t tests, and the report, A and B files written. Series share a trend so most pairs are
// significant and the files are as large as they get.
// Run: build/bench/regression_bench

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include "regression/Regression.h"

namespace {

using namespace quantorial;

LabelledMatrix TrendingSeries(int vars, int periods) {
  std::mt19937_64 gen(8);
  std::normal_distribution<double> noise(0.0, 1.0);
  std::uniform_real_distribution<double> slope(0.5, 2.0);
  LabelledMatrix d = LabelledMatrix::Dimension(periods, vars);
  d.Set(0, 0, "Year");
  for (int j = 1; j <= vars; ++j) d.Set(0, j, "V" + std::to_string(j));
  for (int t = 1; t <= periods; ++t) d.Set(t, 0, 1000.0 + t);
  for (int j = 1; j <= vars; ++j) {
    const double s = slope(gen);
    for (int t = 1; t <= periods; ++t) d.Set(t, j, 100.0 + s * t + 5.0 * noise(gen));
  }
  return d;
}

void BM_CreateBMatrixNormal(benchmark::State& state) {
  const int vars = static_cast<int>(state.range(0)), periods = static_cast<int>(state.range(1));
  const LabelledMatrix data = TrendingSeries(vars, periods);
  const auto dir = std::filesystem::temp_directory_path() / "quantorial_regression_bench";
  std::filesystem::create_directories(dir);
  const std::string naming = (dir / "series.csv").string();
  for (auto _ : state) {
    RegressionResult result;
    std::string error;
    if (!CreateBMatrix(data, naming, RegMethod::Normal, false, result, error)) {
      state.SkipWithError(error.c_str());
      break;
    }
    benchmark::DoNotOptimize(result.bMat);
  }
  state.counters["regressions"] = static_cast<double>(vars) * (vars - 1);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_CreateBMatrixNormal)->Args({50, 60})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateBMatrixNormal)->Args({200, 5000})->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
