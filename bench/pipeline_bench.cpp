// Speed of "&Run ALL Stages" on a model of 300 endogenous and 100 exogenous variables over
// 60 years: building I - B and C, inverting, the impact multipliers and the trend; and of a
// forecast over a very long period.
// Run: build/bench/pipeline_bench

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "BenchModel.h"
#include "QuietHost.h"
#include "workbench/Workbench.h"

namespace {

using namespace quantorial;

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
  if (!wb.ws.mCalculated.IsFilled() || wb.ws.mImpact.UpperCol() != k) state.SkipWithError("the run made no series");
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
  if (wb.ws.mForecast.UpperRow() != years + 20013 - 2004 + 1) state.SkipWithError("the forecast did not run to 20013");
  std::filesystem::remove(file);
}
BENCHMARK(BM_LongForecast)->Unit(benchmark::kMillisecond);

// The dynamic multipliers and the aspiration analysis on the model of BM_RunAllStages:
// 300 endogenous and 100 exogenous variables, 60 observed years, 40 extension (or forecast)
// years; aspiration over 20 years.
class PlanningHost : public QuietHost {
 public:
  using QuietHost::QuietHost;
  bool ShowForecastOptions(ForecastOptions&) override { return true; }
};

void SolvedModel(Workbench& wb) {
  RandomModel(wb, 300, 100, 60, 1960.0, 0.002, 1.0, 5);
  wb.ws.mObservedOrig = wb.ws.mObserved;
  wb.cmdRunAll_Click();
  wb.cmdReciprocal_Click();
}

// Times a command that extends the observed series, each time from the same series.
void RepeatOnObserved(benchmark::State& state, Workbench& wb, void (Workbench::*command)()) {
  const LabelledMatrix observed = wb.ws.mObserved;
  for (auto _ : state) {
    wb.ws.mObserved = observed;
    (wb.*command)();
  }
}

void BM_DynamicEndo(benchmark::State& state) {
  PlanningHost host("300");
  Workbench wb(host, nullptr, "");
  SolvedModel(wb);
  wb.form.txtExtd = "40";
  RepeatOnObserved(state, wb, &Workbench::cmdDynamicEndo_Click);
  if (wb.ws.mCalculated.UpperRow() != 100) state.SkipWithError("the extension did not run");
}
BENCHMARK(BM_DynamicEndo)->Unit(benchmark::kMillisecond);

void BM_DynamicExo(benchmark::State& state) {
  PlanningHost host("300");
  Workbench wb(host, nullptr, "");
  SolvedModel(wb);
  ForecastData(wb, 300, 100, 40);
  for (auto _ : state) wb.cmdDynamicExo_Click();
  if (wb.ws.mForecast.UpperRow() != 99) state.SkipWithError("the forecast did not run");
}
BENCHMARK(BM_DynamicExo)->Unit(benchmark::kMillisecond);

void BM_Aspiration(benchmark::State& state) {
  PlanningHost host("300");
  Workbench wb(host, nullptr, "");
  SolvedModel(wb);
  wb.form.txtAspire = "20~2000~Y1+1, Y2-5%, Y3=2";
  RepeatOnObserved(state, wb, &Workbench::cmdAspire_Click);
  if (wb.ws.mObserved.UpperRow() != 60) state.SkipWithError("the aspiration did not run");
}
BENCHMARK(BM_Aspiration)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
