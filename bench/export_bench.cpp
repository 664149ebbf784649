// Speed of the workbook export: a 1000-row by 128-column matrix with a 50-line directive
// file. Run: build/bench/export_bench

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "export/Export.h"

namespace {

void BM_Export1000x128(benchmark::State& state) {
  using namespace quantorial;
  std::string folder = (std::filesystem::temp_directory_path() / "quantorial-export-XXXXXX").string();
  ::mkdtemp(folder.data());
  LabelledMatrix m = LabelledMatrix::Dimension(1000, 127);
  std::mt19937_64 gen(3);
  std::uniform_real_distribution<double> u(-1e4, 1e4);
  for (int j = 1; j <= 127; ++j) m.Set(0, j, "v" + std::to_string(j));
  for (int i = 1; i <= 1000; ++i) {
    m.Set(i, 0, 1000.0 + i);
    for (int j = 1; j <= 127; ++j) m.Set(i, j, u(gen));
  }
  const std::string directives = folder + "/format.txt";
  {
    std::ofstream f(directives);
    const char* lines[] = {
        "select B2:DX1001",          "nformat 2",           "select A1:DX1",   "bold 1",    "bgcolor 12632256",
        "align -4108,-4107,1,0,0,0", "border all,,,A1:DX1", "select A2:A1001", "tformat 1", "colwidth A:A,12"};
    for (int k = 0; k < 5; ++k) {
      for (const char* l : lines) f << l << '\n';
    }
  }
  int n = 0;
  for (auto _ : state) {
    std::string error;
    const std::string stem = folder + "/book" + std::to_string(n++);
    if (!ExportArrayToExcel(m, stem, 1, 1, "Data", directives, 0, 0, error)) state.SkipWithError(error.c_str());
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_Export1000x128)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
