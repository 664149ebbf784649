// The data files panel: the primary, secondary and extended data files, their dialogs,
// the last files brought back, and "Clear Task".
#include <cmath>
#include <filesystem>

#include "export/Export.h"
#include "matrix/MatrixFunctions.h"
#include "workbench/Workbench.h"
#include "workspace/SlotTable.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

// "1~LAST~A+0.1, B-5%": the aspiration box's example for the data, one year ending at their
// last year, with their first two variables; empty when the data have no whole last year.
std::string AspirationExample(const LabelledMatrix& data) {
  if (data.UpperRow() < 1 || data.UpperCol() < 1) return {};
  const auto last = ArithmeticValue(data.Get(data.UpperRow(), 0));
  const std::string first = TrimBlanks(CellText(data.Get(0, 1)));
  if (!last || *last != std::floor(*last) || first.empty()) return {};
  std::string text = "1~" + ShortestText(*last) + "~" + first + "+0.1";
  const std::string second = data.UpperCol() >= 2 ? TrimBlanks(CellText(data.Get(0, 2))) : std::string();
  if (!second.empty()) text += ", " + second + "-5%";
  return text;
}

std::size_t FileNameStart(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? 0 : slash + 1;
}

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
  for (std::size_t pos = s.find(from); pos != std::string::npos; pos = s.find(from, pos + to.size())) {
    s.replace(pos, from.size(), to);
  }
  return s;
}

}  // namespace

std::string PairedBMatPath(const std::string& primaryPath) {
  // The B table a normal-variable regression of the file writes.
  return RegressionPath(primaryPath, BTag(RegMethod::Normal));
}

std::string AMatPathOf(const std::string& bmatPath) {
  const std::size_t name = FileNameStart(bmatPath);
  const std::string file = bmatPath.substr(name);
  // Only a B-matrix named so has an A-matrix companion: a file whose name holds no "BMAT"
  // is not its own A-matrix.
  if (file.find("BMAT") == std::string::npos) return std::string();
  return bmatPath.substr(0, name) + ReplaceAll(file, "BMAT", "AMAT");
}

void Workbench::Form_Load() {
  const std::string trend = settings_ ? settings_->GetDbSetting(kDataFilesSection, "LastTrendFile", "") : "";
  const std::string test = settings_ ? settings_->GetDbSetting(kDataFilesSection, "LastTestFile", "") : "";
  // A remembered file that is gone since keeps its name in the box and loads nothing,
  // quietly: the start did not ask for it.
  startingUp_ = true;
  SetTxtData(0, trend);
  SetTxtData(1, test);
  startingUp_ = false;
}

void Workbench::SetTxtData(int index, const std::string& text) {
  if (index < 0 || index > 2 || form.txtData[static_cast<std::size_t>(index)] == text) return;
  form.txtData[static_cast<std::size_t>(index)] = text;
  txtData_Change(index);
}

void Workbench::txtData_Change(int index) {
  if (index < 0 || index > 2) return;
  const std::string path = form.txtData[static_cast<std::size_t>(index)];
  if (TrimBlanks(path).empty()) return;
  if (!FileExists(path)) {
    if (startingUp_) return;
    static const char* const kWhich[3] = {"primary", "secondary", "extended"};
    Fail("The " + std::string(kWhich[index]) + " data file \"" + path +
         "\" does not exist: check the path, or choose the file with its Select button. Nothing was loaded.");
    return;
  }
  switch (index) {
    case 0:
      LoadPrimary(path);
      break;
    case 1:
      LoadSecondary(path);
      break;
    default:
      LoadExtended(path);
      break;
  }
}

void Workbench::RememberLastFile(const char* key, const std::string& path, bool loaded) {
  // Only a file that loaded comes back at the next start, and never a temporary preview
  // workbook (deleted by the next preview) that the desktop handed to this program.
  if (loaded && !IsTemporaryWorkbook(path)) SaveSetting(kDataFilesSection, key, path);
}

void Workbench::LoadPrimary(const std::string& path) {
  host_.HoldOn(kLoadingStatus);
  ws.bStageRerun = false;  // new data: the next run asks for its model again
  ws.mRhsIO.Erase();
  ws.mObserved = ExcelArrayLoad(path);
  ws.mObservedOrig = ws.mObserved;
  RememberLastFile("LastTrendFile", path, ws.mObserved.IsFilled());
  if (ws.mObserved.IsFilled()) {
    ForgetModel(false);
    // The aspiration box's example follows the data, unless the user has written their own.
    const std::string example = AspirationExample(ws.mObserved);
    if (!example.empty() && (form.txtAspire == MainForm().txtAspire || form.txtAspire == aspireOffered_)) {
      form.txtAspire = aspireOffered_ = example;
    }
    // Whatever the grids showed was worked out from the last data: only the new table and
    // the files still loaded beside it stay on screen.
    for (int g = 1; g <= 5; ++g) host_.ClearGrid(g);
    host_.Preview(ws.mObserved, 0, "Trend Matrix");
    ShowLoadedInputs();
  } else {
    // Nothing was read: the grid must not go on showing the last table as if it were
    // these data, and what needs data waits for a file that loads.
    host_.ClearGrid(0);
    for (const char* c : {"cmdRunAll", "cmdTrend", "cmdChart", "cmdForecast"}) form.Enable(c, false);
  }
  host_.HoldOn("");
  const std::string paired = PairedBMatPath(path);
  if (FileExists(paired) && form.txtData[1] != paired) SetTxtData(1, paired);
}

void Workbench::ShowLoadedInputs() {
  if (!TrimBlanks(form.txtData[1]).empty() && ws.mBMat.IsFilled()) {
    host_.Preview(ws.mBMat, 2, "Normal BMAT Matrix");
    if (ws.mAMat.IsFilled()) host_.Preview(ws.mAMat, 3, "Normal AMAT Matrix");
  }
  if (!TrimBlanks(form.txtData[2]).empty() && ws.mExtended.IsFilled()) host_.Preview(ws.mExtended, 4, "Extended Data");
}

void Workbench::LoadSecondary(const std::string& path) {
  host_.HoldOn(kLoadingStatus);
  if (path.find(kPairedBMatSuffix) != std::string::npos) {
    // A B-matrix made by regression brings its primary file along; of several primary
    // files beside it the last in this order stays loaded.
    const std::string base = ReplaceAll(path, kPairedBMatSuffix, "");
    for (const char* ext : {".xls", ".xlsx", ".csv"}) {
      const std::string primary = base + ext;
      if (FileExists(primary) && form.txtData[0] != primary) SetTxtData(0, primary);
    }
  }
  host_.HoldOn("");
  ws.bStageRerun = false;
  ws.mBMat = ExcelArrayLoad(path);
  RememberLastFile("LastTestFile", path, ws.mBMat.IsFilled());
  ws.mAMat = LoadAMatCompanion(AMatPathOf(path));
  ws.bTableSplit = false;
  // A grid whose matrix did not load is cleared rather than left showing the last one.
  const bool loaded = ws.mBMat.IsFilled();
  if (loaded) {
    form.txtRows = std::to_string(ws.mBMat.Upper(1));
    form.txtCols = std::to_string(ws.mBMat.Upper(2));
    host_.Preview(ws.mBMat, 2, "Normal BMAT Matrix");
  } else {
    host_.ClearGrid(2);
    form.txtRows.clear();
    form.txtCols.clear();
  }
  if (ws.mAMat.IsFilled()) {
    host_.Preview(ws.mAMat, 3, "Normal AMAT Matrix");
  } else {
    host_.ClearGrid(3);
  }
  if (!loaded) {
    for (const char* c : {"cmdEXV", "cmdRunAll", "cmdSplitTable"}) form.Enable(c, false);
    return;
  }
  ForgetModel(true);
  form.Enable("cmdEXV", true);
  form.Enable("cmdRunAll", true);
  form.Enable("cmdSplitTable", true);
}

void Workbench::ForgetModel(bool newBMatrix) {
  form.lstImpVars.clear();
  form.lstImpVarsSelected.clear();
  form.cboPlot.clear();
  form.cboPlotIndex = -1;
  for (const char* c : {"cmdInvert", "cmdMultiply", "cmdTrend", "cmdChart", "cmdForecast", "cmdReciprocal",
                        "cmdDynamicEndo", "cmdDynamicExo"}) {
    form.Enable(c, false);
  }
  if (newBMatrix) {
    // The quadrants were of the last B-matrix: "Dynamic" waits for this one to be split.
    form.Enable("cmdDynamicX", false);
    for (LabelledMatrix* q : {&ws.mBMatQ1, &ws.mBMatQ2, &ws.mBMatQ3, &ws.mBMatQ4}) q->Erase();
  }
  ws.bForecastDone = false;
  // The stages' matrices, which the next stage would build on. What an analysis gave (the
  // aspiration's, the Model menu's, the plans') stays to be looked at and exported.
  for (LabelledMatrix* m : {&ws.mExoBMat, &ws.mEndo, &ws.mExo, &ws.mExoLag, &ws.mEndoInverse, &ws.mImpact,
                            &ws.mImpactLag, &ws.mCalculated, &ws.mCustomExo, &ws.mCustomExoLag, &ws.mTrendExo,
                            &ws.mReciprocal, &ws.mForecast, &ws.mCalcBase, &ws.mCalcLevels}) {
    m->Erase();
  }
}

void Workbench::LoadExtended(const std::string& path) {
  host_.HoldOn(kLoadingStatus);
  ws.mExtended = ExcelArrayLoad(path);
  RememberLastFile("LastExtendedFile", path, ws.mExtended.IsFilled());
  host_.Preview(ws.mExtended, 4, "Extended Data");
  host_.HoldOn("");
}

std::optional<std::string> Workbench::ChooseDataFile(const std::string& title) {
  FileDialogRequest request;
  request.title = title;
  request.filter = kDataFileFilter;
  request.initialFolder = dataFolder_;
  auto path = host_.ChooseOpenFile(request);
  if (!path || !FileExists(*path)) return std::nullopt;
  return path;
}

void Workbench::cmdSelectFile_Click(int index, const std::string& title) {
  if (index < 0 || index > 2) return;
  const auto path = ChooseDataFile(title);
  if (!path) return;
  if (index == 0) cmdClear_Click();
  if (form.txtData[static_cast<std::size_t>(index)] == *path) {
    txtData_Change(index);
  } else {
    SetTxtData(index, *path);
  }
}

void Workbench::cmdClear_Click() {
  form.lstImpVars.clear();
  form.lstImpVarsSelected.clear();
  form.cboPlot.clear();
  form.cboPlotIndex = -1;
  for (const char* c : {"cmdRunAll", "cmdEXV", "cmdInvert", "cmdMultiply", "cmdTrend", "cmdChart", "cmdForecast"}) {
    form.Enable(c, false);
  }
  ws.bStageRerun = false;
  ws.bTableSplit = false;
  SetTxtData(0, "");
  SetTxtData(1, "");
  form.txtRows.clear();
  form.txtCols.clear();
  ws.mCalcBase.Erase();
  ws.mObservedOrig.Erase();
  ws.mForecast.Erase();
  ws.mCalculated.Erase();
  ws.mObserved.Erase();
  SaveSetting(kProgramSection, "ChartTitle", "");
  // Every grid goes blank, the results of the planning tools and the dynamic stages too.
  for (int g = 0; g <= 5; ++g) host_.ClearGrid(g);
}

void ForecastOptions::Form_Load() {
  const SettingsStore* store = bench_.Settings();
  ForecastYearsFromData();
  CalculatedPeriod();
  SetTxtData(store ? store->GetDbSetting(kDataFilesSection, "LastForecastFile", "") : "");
}

void ForecastOptions::ForecastYearsFromData() {
  const LabelledMatrix& data = bench_.ws.mObserved;
  if (!data.IsFilled() || data.UpperRow() < 1) return;
  const auto last = ArithmeticValue(data.Get(data.UpperRow(), 0));
  if (!last || *last != std::floor(*last) || std::abs(*last) > 1e6) return;
  txtFromYear = txtToYear = ShortestText(*last + 1);
}

// The A-matrix beside a B-matrix is optional: one that cannot be read leaves the B-matrix
// loaded, and the command is warned rather than failed.
LabelledMatrix Workbench::LoadAMatCompanion(const std::string& path) {
  if (path.empty() || !FileExists(path)) return LabelledMatrix();
  DataFileResult r = ReadDataFile(path);
  if (!r.error.empty()) {
    Warn(r.error + "\n\nThe A-matrix beside the B-matrix was left out; the B-matrix is loaded without it.");
    return LabelledMatrix();
  }
  return std::move(r.matrix);
}

// A file that is there but cannot be read is a failure of the command that loads it.
LabelledMatrix Workbench::ExcelArrayLoad(const std::string& path) {
  if (!FileExists(path)) return LabelledMatrix();
  DataFileResult r = ReadDataFile(path);
  if (!r.error.empty()) Fail(r.error, vbCritical + vbOKOnly);
  return std::move(r.matrix);
}

}  // namespace quantorial
