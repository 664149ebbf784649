// Speed of the structural-model tools on a generated stable model of n equations (each
// endogenous variable depends on a few others, on its own lag and on a few of 40 exogenous
// variables): the multipliers to H = 20, the dynamic simulation over 60 years, and exact
// targeting of 20 targets with 20 instruments over 20 years.
// Run: build/bench/simulation_bench

#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "systems/Simulation.h"
#include "systems/StructuralForm.h"
#include "systems/Target.h"

namespace {

using namespace quantorial;

constexpr int kExogenous = 40;

StructuralForm GeneratedModel(int n) {
  std::mt19937_64 gen(26);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::uniform_int_distribution<int> pick(0, n - 1), pickX(0, kExogenous - 1);
  StructuralForm f;
  for (int i = 0; i < n; ++i) f.endogenous.push_back("y" + std::to_string(i));
  f.exogenous.push_back("const");
  for (int k = 0; k < kExogenous; ++k) f.exogenous.push_back("x" + std::to_string(k));
  for (int i = 0; i < n; ++i) f.lagged.push_back({"y" + std::to_string(i) + "(-1)", static_cast<std::size_t>(i), 1});
  f.gamma.assign(n, std::vector<double>(n, 0.0));
  f.lagCoefficients.assign(n, std::vector<double>(n, 0.0));
  f.exoCoefficients.assign(n, std::vector<double>(kExogenous + 1, 0.0));
  for (int i = 0; i < n; ++i) {
    f.gamma[i][i] = 1;
    for (int k = 0; k < 4; ++k) f.gamma[i][pick(gen)] -= 0.1 * u(gen);  // weak simultaneity
    f.gamma[i][i] = 1;
    f.lagCoefficients[i][i] = 0.5 + 0.2 * u(gen);
    f.exoCoefficients[i][0] = 10 * u(gen);
    // The first 20 exogenous variables each move their own endogenous variable, so that 20
    // targets on y0..y19 can be met with them.
    if (i < 20) f.exoCoefficients[i][i + 1] = 1 + 0.5 * u(gen);
    for (int k = 0; k < 3; ++k) f.exoCoefficients[i][pickX(gen) + 1] += u(gen);
  }
  return f;
}

SeriesTable GeneratedData(int n, int years) {
  std::mt19937_64 gen(27);
  std::uniform_real_distribution<double> u(0.0, 10.0);
  SeriesTable t;
  for (int y = 0; y <= years; ++y) t.years.push_back(1950 + y);
  for (int k = 0; k < kExogenous; ++k) t.names.push_back("x" + std::to_string(k));
  for (int i = 0; i < n; ++i) t.names.push_back("y" + std::to_string(i));
  for (std::size_t c = 0; c < t.names.size(); ++c) {
    t.columns.emplace_back();
    for (int y = 0; y <= years; ++y) t.columns.back().push_back(u(gen));
  }
  return t;
}

void BM_Multipliers(benchmark::State& state) {
  const StructuralForm f = GeneratedModel(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    auto out = ComputeReducedForm(f, 20);
    if (!out.result) state.SkipWithError(out.error.c_str());
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_Multipliers)->Arg(300)->Unit(benchmark::kMillisecond);

void BM_DynamicSimulation(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const StructuralForm f = GeneratedModel(n);
  const SeriesTable data = GeneratedData(n, 60);
  for (auto _ : state) {
    auto out = Simulate(f, data, {});
    if (!out.result || out.result->years.size() != 60) state.SkipWithError("the simulation failed");
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_DynamicSimulation)->Arg(300)->Unit(benchmark::kMillisecond);

void BM_Targets(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const StructuralForm f = GeneratedModel(n);
  const SeriesTable data = GeneratedData(n, 60);
  TargetSpec spec;
  for (int y = 0; y < 20; ++y) spec.years.push_back(1980 + y);
  for (int k = 0; k < 20; ++k) {
    spec.variables.push_back("y" + std::to_string(k));
    spec.instruments.push_back("x" + std::to_string(k));
  }
  for (int y = 0; y < 20; ++y) spec.values.emplace_back(20, 5.0 + 0.1 * y);
  for (auto _ : state) {
    auto out = SolveTargets(f, data, spec, "targets");
    if (!out.result || out.result->largestMiss > 1e-8) state.SkipWithError("the targets were not met");
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_Targets)->Arg(300)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
