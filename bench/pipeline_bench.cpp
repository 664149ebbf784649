// Speed of "&Run ALL Stages" on a model of 300 endogenous and 100 exogenous variables over
// 60 years: building I - B and C, inverting, the impact multipliers and the trend.
// Run: build/bench/pipeline_bench

#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "QuietHost.h"
#include "workbench/Workbench.h"

namespace {

using namespace quantorial;

void BM_RunAllStages(benchmark::State& state) {
  const int n = 300, k = 100, years = 60;
  std::mt19937_64 gen(5);
  std::uniform_real_distribution<double> small(-0.002, 0.002), coef(-1, 1), level(50, 150);
  QuietHost host("300");
  Workbench wb(host, nullptr, "");
  wb.SetShift(1);
  LabelledMatrix b = LabelledMatrix::Dimension(n, n + k);
  LabelledMatrix obs = LabelledMatrix::Dimension(years, n + k);
  obs.Set(0, 0, "Year");
  for (int j = 1; j <= n + k; ++j) {
    const std::string name = (j <= n ? "Y" : "X") + std::to_string(j);
    b.Set(0, j, name);
    obs.Set(0, j, name);
  }
  for (int i = 1; i <= n; ++i) {
    b.Set(i, 0, "Y" + std::to_string(i));
    for (int j = 1; j <= n + k; ++j) b.Set(i, j, i == j ? 0.0 : (j <= n ? small(gen) : coef(gen)));
  }
  for (int t = 1; t <= years; ++t) {
    obs.Set(t, 0, 1960.0 + t);
    for (int j = 1; j <= n + k; ++j) obs.Set(t, j, level(gen));
  }
  wb.ws.mObserved = obs;
  wb.ws.mBMat = b;
  wb.form.txtRows = std::to_string(n);
  wb.form.txtCols = std::to_string(n + k);
  for (auto _ : state) {
    wb.ws.bStageRerun = false;
    wb.cmdRunAll_Click();
    benchmark::DoNotOptimize(wb.ws.mCalculated);
  }
  if (!wb.ws.mCalculated.IsFilled() || wb.ws.mImpact.Cols() != k) state.SkipWithError("the run made no series");
}
BENCHMARK(BM_RunAllStages)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
