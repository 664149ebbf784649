// Speed of "&Run ALL Stages" on a model of 300 endogenous and 100 exogenous variables over
// 60 years: building I - B and C, inverting, the impact multipliers and the trend; and of a
// forecast over a very long period.
// Run: build/bench/pipeline_bench

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "QuietHost.h"
#include "workbench/Workbench.h"

namespace {

using namespace quantorial;

// A random model: n endogenous and k exogenous variables named Y1.. and X.., a B-matrix with
// small endogenous coefficients and exogenous ones within +-exoSpread, and `years` observed
// years from firstYear + 1 on.
void RandomModel(Workbench& wb, int n, int k, int years, double firstYear, double endoSpread, double exoSpread,
                 unsigned seed) {
  std::mt19937_64 gen(seed);
  std::uniform_real_distribution<double> small(-endoSpread, endoSpread), coef(-exoSpread, exoSpread), level(50, 150);
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
    obs.Set(t, 0, firstYear + t);
    for (int j = 1; j <= n + k; ++j) obs.Set(t, j, level(gen));
  }
  wb.ws.mObserved = obs;
  wb.ws.mBMat = b;
  wb.form.txtRows = std::to_string(n);
  wb.form.txtCols = std::to_string(n + k);
}

void BM_RunAllStages(benchmark::State& state) {
  const int n = 300, k = 100;
  QuietHost host("300");
  Workbench wb(host, nullptr, "");
  wb.SetShift(1);
  RandomModel(wb, n, k, 60, 1960.0, 0.002, 1.0, 5);
  for (auto _ : state) {
    wb.ws.bStageRerun = false;
    wb.cmdRunAll_Click();
    benchmark::DoNotOptimize(wb.ws.mCalculated);
  }
  if (!wb.ws.mCalculated.IsFilled() || wb.ws.mImpact.Cols() != k) state.SkipWithError("the run made no series");
}
BENCHMARK(BM_RunAllStages)->Unit(benchmark::kMillisecond);

// A forecast over 18,010 years (the typo 20013 for 2013) from a three-row forecast file, on
// a model of 10 endogenous and 5 exogenous variables: the matrix grows once, so the cost
// is linear in the years.
class LongForecastHost : public QuietHost {
 public:
  LongForecastHost(std::string file) : QuietHost("10"), file_(std::move(file)) {}
  bool ShowForecastOptions(ForecastOptions& d) override {
    d.SetTxtData(file_);
    d.txtToYear = "20013";
    return true;
  }

 private:
  std::string file_;
};

void BM_LongForecast(benchmark::State& state) {
  const int n = 10, k = 5, years = 30;
  const std::string file = (std::filesystem::temp_directory_path() / "quantorial_bench_forecast.csv").string();
  {
    std::ofstream out(file);
    out << "Year";
    for (int j = 1; j <= k; ++j) out << ",X" << n + j;
    out << "\n";
    for (int t = 2004; t <= 2006; ++t) {
      out << t;
      for (int j = 1; j <= k; ++j) out << "," << 100 + j + t % 7;
      out << "\n";
    }
  }
  LongForecastHost host(file);
  Workbench wb(host, nullptr, "");
  wb.SetShift(0);
  RandomModel(wb, n, k, years, 1973.0, 0.01, 0.01, 9);
  wb.cmdRunAll_Click();
  for (auto _ : state) {
    wb.cmdForecast_Click();
    benchmark::DoNotOptimize(wb.ws.mForecast);
  }
  if (wb.ws.mForecast.Rows() != years + 20013 - 2004 + 1) state.SkipWithError("the forecast did not run to 20013");
  std::filesystem::remove(file);
}
BENCHMARK(BM_LongForecast)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
