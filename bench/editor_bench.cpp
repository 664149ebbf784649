// Speed of the worksheet editor on a 200-column by 2000-row workbook: opening it into the
// sheet, and saving the sheet as a workbook and as comma-separated text.
// Run: build/bench/editor_bench

#include <benchmark/benchmark.h>

#include "BenchFiles.h"
#include "QuietHost.h"
#include "workbench/WorksheetEditor.h"

namespace {

using quantorial::WorksheetEditor;

// Answers every file dialog with one path.
class FileHost : public quantorial::QuietHost {
 public:
  std::string path;
  std::optional<std::string> ChooseOpenFile(const quantorial::FileDialogRequest&) override { return path; }
  std::optional<std::string> ChooseSaveFile(const quantorial::FileDialogRequest&) override { return path; }
};

void BM_EditorOpenXlsx200x2000(benchmark::State& state) {
  FileHost host;
  host.path = quantorial::bench::Xlsx200x2000();
  WorksheetEditor editor(host, quantorial::bench::Folder());
  editor.Form_Load();
  for (auto _ : state) {
    editor.mnuOpen_Click();
    if (editor.GridRows() < 2001) state.SkipWithError("the workbook did not open");
  }
}

void Save(benchmark::State& state, const char* name) {
  FileHost host;
  host.path = quantorial::bench::Xlsx200x2000();
  WorksheetEditor editor(host, quantorial::bench::Folder());
  editor.Form_Load();
  editor.mnuOpen_Click();
  host.path = quantorial::bench::Folder() + "/" + name;
  for (auto _ : state) {
    if (!editor.mnuSaveAs_Click()) state.SkipWithError(editor.LastError().c_str());
  }
}

void BM_EditorSaveXlsx200x2000(benchmark::State& state) { Save(state, "saved.xlsx"); }
void BM_EditorSaveCsv200x2000(benchmark::State& state) { Save(state, "saved.csv"); }

BENCHMARK(BM_EditorOpenXlsx200x2000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EditorSaveXlsx200x2000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EditorSaveCsv200x2000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
