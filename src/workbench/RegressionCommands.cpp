// The regressions: the Analyze menu's methods, "Create B-Matrix" and the change
// transformation.
#include <chrono>
#include <cmath>
#include <filesystem>

#include "export/Export.h"
#include "matrix/MatrixFunctions.h"
#include "workbench/Workbench.h"
#include "workspace/SlotTable.h"
#include "workspace/ValueRules.h"

namespace quantorial {

std::string InvalidDataPrompt(bool loaded) {
  return std::string(kInvalidDataPrompt) + "\n\n" +
         (loaded ? "The primary data file holds no series to work on: it needs a row of names and at least one "
                   "row of values."
                 : "No data are loaded: load a primary data file first (\"Select Primary Data File\"), then try "
                   "again.");
}

bool Workbench::CreateBMatrixFromData(RegMethod method, bool fromObserved, RegressionResult& result) {
  LabelledMatrix data;
  std::string naming;
  if (!fromObserved && !TrimBlanks(form.txtData[0]).empty()) {
    naming = form.txtData[0];
    data = ExcelArrayLoad(naming);
  } else {
    data = ws.mObserved;
    naming = dataFolder_ + "/Matrix.arr";
    std::error_code ec;
    std::filesystem::create_directories(dataFolder_, ec);
  }
  RegressionFit fit;
  std::string error;
  if (!FitRegression(data, method, form.useOnePercent, fit, error)) {
    Fail(InvalidDataPrompt(data.IsAssigned()), vbCritical, std::string(kInvalidDataTitle));
    return false;
  }
  // A long run says how far it has come, and lets the window breathe.
  const auto started = std::chrono::steady_clock::now();
  auto shown = started;
  auto progress = [&](long long done, long long total) {
    const auto now = std::chrono::steady_clock::now();
    if (now - started > std::chrono::seconds(1) && now - shown > std::chrono::milliseconds(250)) {
      host_.HoldOn("Regression " + std::to_string(done) + " of " + std::to_string(total));
      shown = now;
    }
  };
  const bool written = WriteRegressionFiles(fit, naming, result, error, progress);
  if (std::chrono::steady_clock::now() - started > std::chrono::seconds(1)) host_.HoldOn("");
  if (!written) {
    Fail(error, vbCritical);
    return false;
  }
  ws.mAMat = result.aMat;
  if (!result.keptEarlier.empty()) {
    std::string kept = "The earlier regression tables were kept, not replaced:";
    for (const auto& [path, to] : result.keptEarlier) kept += "\n\"" + path + "\" is now \"" + to + "\"";
    Note(kept);
  }
  if (method == RegMethod::Constant) {
    // The A and B tables go on to workbooks of their own, one row per dependent variable.
    for (const std::string& table : {result.aPath, result.bPath}) {
      const LabelledMatrix back = ExcelArrayLoad(table);
      const std::size_t dot = table.find_last_of('.');
      if (!ExportArrayToExcel(MatrixTranspose(back, 2), table.substr(0, dot), 1, 1, "", "", 0, 0, error)) {
        Fail("Cannot write the workbook for \"" + table + "\": " + error, vbCritical);
      }
    }
  }
  return true;
}

void Workbench::RunRegressionMenu(RegMethod method) {
  RegressionResult result;
  if (!CreateBMatrixFromData(method, false, result)) return;
  const char* caption = method == RegMethod::Lead       ? "Lead BMAT Matrix"
                        : method == RegMethod::Lag      ? "Lag BMAT Matrix"
                        : method == RegMethod::Constant ? "Y-Variable BMAT Matrix"
                                                        : "Normal BMAT Matrix";
  host_.Preview(result.bMat, 3, caption);
}

std::string Workbench::SignificanceCaption() const { return form.useOnePercent ? " @ 1% Sig." : " @ 5% Sig."; }

void Workbench::TakeRegressionB(const RegressionResult& result) {
  SaveSetting(kDataFilesSection, "LastTestFile", result.bPath);
  SetTxtData(1, result.bPath);
  ws.mBMat = result.bMat;
  form.txtRows = std::to_string(ws.mBMat.UpperRow());
  form.txtCols = std::to_string(ws.mBMat.UpperCol());
  host_.Preview(ws.mBMat, 2, "Normal BMAT Matrix" + SignificanceCaption());
}

void Workbench::mnuNormal_Click() {
  RegressionResult result;
  if (!CreateBMatrixFromData(RegMethod::Normal, false, result)) return;
  TakeRegressionB(result);
  ws.mAMat = ExcelArrayLoad(AMatPathOf(result.bPath));
  host_.Preview(ws.mAMat, 3, "Normal AMAT Matrix" + SignificanceCaption());
  form.Enable("cmdEXV", true);
  form.Enable("cmdSplitTable", true);
}

void Workbench::mnuLagChangeTrans_Click() {
  const LabelledMatrix& obs = ws.mObserved;
  if (ws.mChangeData.IsAssigned() && ws.mChangeData.UpperRow() == obs.UpperRow() &&
      ws.mChangeData.UpperCol() == obs.UpperCol() && ws.mChangeData.UpperRow() > 1) {
    Fail("The trend / level data has already been converted to change.");
    return;
  }
  if (!obs.IsFilled() || obs.UpperCol() < 1) {
    Fail(InvalidDataPrompt(obs.IsAssigned()), vbCritical, std::string(kInvalidDataTitle));
    return;
  }
  host_.HoldOn("Transforming Level data...");
  form.Enable("cmdEXV", false);
  form.Enable("cmdSplitTable", false);
  ws.mLevelData = obs;
  const int R = obs.UpperRow(), C = obs.UpperCol();
  LabelledMatrix wide = ResizeMatrix(obs, 0, C, 0, Cell());
  for (int j = 1; j <= C; ++j) {
    for (int i = 0; i <= R; ++i) wide.Set(i, C + j, obs.Get(i, j));
    wide.Set(0, j, "CH" + CellText(obs.Get(0, j)));
    wide.Set(1, j, std::string());
    for (int t = 2; t <= R; ++t) {
      const auto change = CellSubtract(obs.Get(t, j), obs.Get(t - 1, j));
      if (change) {
        wide.Set(t, j, *change);
      } else {
        wide.Set(t, j, Cell());
      }
    }
  }
  ws.mObserved = wide;
  ws.mChangeData = wide;
  host_.Preview(ws.mObserved, 0, "Trend Matrix");
  form.lstDyn.clear();
  form.txtDyn.clear();
  for (int j = C + 1; j <= 2 * C; ++j) {
    const std::string name = CellText(wide.Get(0, j));
    form.lstDyn.push_back(name);
    form.txtDyn += name + ", ";
  }
  // The regression of the widened table, named after "Matrix.arr": steps 1 to 4 of the
  // normal-variable command.
  RegressionResult result;
  if (CreateBMatrixFromData(RegMethod::Normal, true, result)) TakeRegressionB(result);
  ws.bTableSplit = true;
  host_.HoldOn("");
  form.Enable("cmdEXV", true);
  form.Enable("cmdSplitTable", true);
}

}  // namespace quantorial
