// Speed and memory of loading data files: a 200-column by 2000-row xlsx of numbers and a
// 1,000,000-cell CSV. Besides the timings it prints, for each file, the peak memory of a
// process that only loads it, against the loaded matrix's own size.
// Run: build/bench/datafile_bench

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "io/DataFile.h"

namespace {

std::string Folder() {
  static const std::string dir = [] {
    std::string t = (std::filesystem::temp_directory_path() / "quantorial-bench-XXXXXX").string();
    return std::string(::mkdtemp(t.data()));
  }();
  return dir;
}

std::string XlsxFile() {
  static const std::string path = [] {
    const std::string p = Folder() + "/numbers.xlsx";
    lxw_workbook* wb = workbook_new(p.c_str());
    lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
    std::mt19937_64 gen(1);
    std::uniform_real_distribution<double> u(-1000, 1000);
    worksheet_write_string(ws, 0, 0, "Year", nullptr);
    for (int c = 1; c < 200; ++c) worksheet_write_string(ws, 0, static_cast<lxw_col_t>(c), ("v" + std::to_string(c)).c_str(), nullptr);
    for (int r = 1; r < 2000; ++r) {
      worksheet_write_number(ws, static_cast<lxw_row_t>(r), 0, 1900 + r, nullptr);
      for (int c = 1; c < 200; ++c) worksheet_write_number(ws, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c), u(gen), nullptr);
    }
    workbook_close(wb);
    return p;
  }();
  return path;
}

std::string CsvFile() {
  static const std::string path = [] {
    const std::string p = Folder() + "/numbers.csv";
    std::ofstream out(p);
    std::mt19937_64 gen(2);
    std::uniform_real_distribution<double> u(-1000, 1000);
    out << "Year";
    for (int c = 1; c < 1000; ++c) out << ",v" << c;
    out << '\n';
    char buf[32];
    for (int r = 1; r < 1000; ++r) {
      out << 1000 + r;
      for (int c = 1; c < 1000; ++c) {
        std::snprintf(buf, sizeof buf, ",%.6g", u(gen));
        out << buf;
      }
      out << '\n';
    }
    return p;
  }();
  return path;
}

void Load(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    auto r = quantorial::ReadDataFile(path);
    if (!r.error.empty()) state.SkipWithError(r.error.c_str());
    benchmark::DoNotOptimize(r);
  }
}

void BM_LoadXlsx200x2000(benchmark::State& state) { Load(state, XlsxFile()); }
void BM_LoadCsvMillionCells(benchmark::State& state) { Load(state, CsvFile()); }
BENCHMARK(BM_LoadXlsx200x2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadCsvMillionCells)->Unit(benchmark::kMillisecond);

std::size_t MatrixBytes(const quantorial::LabelledMatrix& m) {
  std::size_t bytes = 0;
  for (int i = m.Lower(1); i <= m.Upper(1); ++i) {
    for (int j = m.Lower(2); j <= m.Upper(2); ++j) {
      bytes += sizeof(quantorial::Cell);
      if (const auto* s = std::get_if<std::string>(&m.Ref(i, j)); s && s->capacity() > 15) bytes += s->capacity() + 1;
    }
  }
  return bytes;
}

// Loads a file in a child process and prints its peak memory beyond what it started with.
void ReportMemory(const std::string& name, const std::string& path) {
  int fds[2];
  if (::pipe(fds) != 0) return;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    rusage before {}, after {};
    ::getrusage(RUSAGE_SELF, &before);
    const auto r = quantorial::ReadDataFile(path);
    ::getrusage(RUSAGE_SELF, &after);
    const long long values[3] = {before.ru_maxrss, after.ru_maxrss, static_cast<long long>(MatrixBytes(r.matrix))};
    if (::write(fds[1], values, sizeof values) != sizeof values) _exit(1);
    _exit(0);
  }
  ::close(fds[1]);
  long long values[3] = {0, 0, 0};
  const bool ok = ::read(fds[0], values, sizeof values) == sizeof values;
  ::close(fds[0]);
  ::waitpid(pid, nullptr, 0);
  if (!ok) return;
  const double peakMiB = static_cast<double>(values[1] - values[0]) / 1024.0;
  const double matrixMiB = static_cast<double>(values[2]) / (1024.0 * 1024.0);
  std::printf("%-28s peak memory while loading %7.1f MiB, matrix %7.1f MiB, ratio %.2f\n", name.c_str(), peakMiB,
              matrixMiB, peakMiB / matrixMiB);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  // Make the files before measuring memory, so that the child processes only load.
  const std::string xlsx = XlsxFile(), csv = CsvFile();
  ReportMemory("xlsx 200 x 2000", xlsx);
  ReportMemory("csv 1000 x 1000", csv);
  benchmark::RunSpecifiedBenchmarks();
  std::filesystem::remove_all(Folder());
  return 0;
}
