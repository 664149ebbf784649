// Speed and memory of loading data files: a 200-column by 2000-row xlsx of numbers and a
// 1,000,000-cell CSV; and of writing that CSV's matrix in dump form on one thread and on all. Besides the timings it
// prints, for each file, the peak memory of a process that only loads it, against the loaded matrix's own size. Run:
// build/bench/datafile_bench

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "BenchFiles.h"
#include "io/DataFile.h"
#include "workspace/DumpForm.h"

namespace {

std::string CsvFile() {
  static const std::string path = [] {
    const std::string p = quantorial::bench::Folder() + "/numbers.csv";
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

void BM_LoadXlsx200x2000(benchmark::State& state) { Load(state, quantorial::bench::Xlsx200x2000()); }
void BM_LoadCsvMillionCells(benchmark::State& state) { Load(state, CsvFile()); }
// A file of one's own, to compare with another program on the same bytes:
// QUANTORIAL_BENCH_CSV=/path/file.csv build/bench/datafile_bench --benchmark_filter=Given
void BM_LoadGivenFile(benchmark::State& state) {
  const char* path = std::getenv("QUANTORIAL_BENCH_CSV");
  if (!path) {
    state.SkipWithError("QUANTORIAL_BENCH_CSV is not set");
    return;
  }
  Load(state, path);
}
// The dump form of the million-cell matrix, given to a sink that only counts its bytes;
// the argument is the number of threads (0: one for each processor).
void BM_DumpMillionCells(benchmark::State& state) {
  const quantorial::LabelledMatrix m = quantorial::ReadDataFile(CsvFile()).matrix;
  std::size_t bytes = 0;
  for (auto _ : state) {
    quantorial::DumpPieces(m,
                           [&](std::string_view piece) {
                             bytes += piece.size();
                             return true;
                           },
                           {static_cast<unsigned>(state.range(0))});
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_DumpMillionCells)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadGivenFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadXlsx200x2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadCsvMillionCells)->Unit(benchmark::kMillisecond);

std::size_t MatrixBytes(const quantorial::LabelledMatrix& m) {
  std::size_t bytes = 0;
  for (int i = m.Lower(1); i <= m.Upper(1); ++i) {
    for (int j = m.Lower(2); j <= m.Upper(2); ++j) {
      // A word per cell; a text's string besides, with what it holds beyond its own bytes.
      bytes += sizeof(std::uint64_t);
      const quantorial::Cell c = m.Value(i, j);
      if (const auto* s = std::get_if<std::string>(&c))
        bytes += sizeof(std::string) + (s->size() > 15 ? s->size() + 1 : 0);
    }
  }
  return bytes;
}

// The peak resident memory of this process in KiB (VmHWM), or -1.
long long PeakKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atoll(line.c_str() + 6);
  }
  return -1;
}

// Loads a file in a child process and prints its peak memory beyond what it started with.
// The child gives back the memory the parent freed and resets its peak first: a forked
// process starts with its parent's.
void ReportMemory(const std::string& name, const std::string& path) {
  int fds[2];
  if (::pipe(fds) != 0) return;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    ::malloc_trim(0);  // what the parent freed would otherwise be reused without showing
    { std::ofstream("/proc/self/clear_refs") << "5"; }
    const long long before = PeakKiB();
    const auto r = quantorial::ReadDataFile(path);
    const long long after = PeakKiB();
    const long long cells = static_cast<long long>(r.matrix.UpperRow() + 1) * (r.matrix.UpperCol() + 1);
    const long long values[4] = {before, after, static_cast<long long>(MatrixBytes(r.matrix)), cells};
    if (::write(fds[1], values, sizeof values) != sizeof values) _exit(1);
    _exit(0);
  }
  ::close(fds[1]);
  long long values[4] = {0, 0, 0, 0};
  const bool ok = ::read(fds[0], values, sizeof values) == sizeof values;
  ::close(fds[0]);
  ::waitpid(pid, nullptr, 0);
  if (!ok || values[0] < 0) return;
  const double peakMiB = static_cast<double>(values[1] - values[0]) / 1024.0;
  const double matrixMiB = static_cast<double>(values[2]) / (1024.0 * 1024.0);
  std::printf("%-28s peak memory while loading %7.1f MiB (%.1f bytes a cell), matrix %7.1f MiB\n", name.c_str(),
              peakMiB, peakMiB * 1024.0 * 1024.0 / static_cast<double>(std::max(values[3], 1LL)), matrixMiB);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  // Make the files before measuring memory, so that the child processes only load.
  const std::string xlsx = quantorial::bench::Xlsx200x2000(), csv = CsvFile();
  ReportMemory("xlsx 200 x 2000", xlsx);
  ReportMemory("csv 1000 x 1000", csv);
  benchmark::RunSpecifiedBenchmarks();
  std::filesystem::remove_all(quantorial::bench::Folder());
  return 0;
}
