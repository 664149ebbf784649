#include "workbench/Workbench.h"

#include <cmath>
#include <filesystem>

#include "export/Export.h"
#include "matrix/MatrixFunctions.h"
#include "workspace/SlotTable.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

std::string Trimmed(const std::string& s) {
  const std::size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return std::string();
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
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
  return bmatPath.substr(0, name) + ReplaceAll(bmatPath.substr(name), "BMAT", "AMAT");
}

Workbench::Workbench(Host& host, const SettingsStore* settings, std::string dataFolder)
    : host_(host), settings_(settings), dataFolder_(std::move(dataFolder)), files_(host, dataFolder_) {}

void Workbench::SaveSetting(const char* section, const char* key, const std::string& value) {
  // A setting that cannot be stored is not worth stopping the work for.
  if (settings_) settings_->SaveDbSetting(section, key, value);
}

void Workbench::Form_Load() {
  const std::string trend = settings_ ? settings_->GetDbSetting(kDataFilesSection, "LastTrendFile", "") : "";
  const std::string test = settings_ ? settings_->GetDbSetting(kDataFilesSection, "LastTestFile", "") : "";
  SetTxtData(0, trend);
  SetTxtData(1, test);
}

void Workbench::SetTxtData(int index, const std::string& text) {
  if (index < 0 || index > 2 || form.txtData[static_cast<std::size_t>(index)] == text) return;
  form.txtData[static_cast<std::size_t>(index)] = text;
  txtData_Change(index);
}

void Workbench::txtData_Change(int index) {
  if (index < 0 || index > 2) return;
  const std::string path = form.txtData[static_cast<std::size_t>(index)];
  if (Trimmed(path).empty() || !FileExists(path)) return;
  switch (index) {
    case 0: LoadPrimary(path); break;
    case 1: LoadSecondary(path); break;
    default: LoadExtended(path); break;
  }
}

void Workbench::LoadPrimary(const std::string& path) {
  host_.HoldOn(kLoadingStatus);
  ws.bStageRerun = false;  // new data: the next run asks for its model again
  SaveSetting(kDataFilesSection, "LastTrendFile", path);
  ws.mRhsIO.Erase();
  ws.mObserved = ExcelArrayLoad(path);
  ws.mObservedOrig = ws.mObserved;
  if (ws.mObserved.IsFilled()) {
    host_.Preview(ws.mObserved, 0, "Trend Matrix");
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
  SaveSetting(kDataFilesSection, "LastTestFile", path);
  ws.bStageRerun = false;
  ws.mBMat = ExcelArrayLoad(path);
  const std::string amat = AMatPathOf(path);
  ws.mAMat = FileExists(amat) ? ExcelArrayLoad(amat) : LabelledMatrix();
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
  form.Enable("cmdEXV", true);
  form.Enable("cmdRunAll", true);
  form.Enable("cmdSplitTable", true);
}

void Workbench::LoadExtended(const std::string& path) {
  host_.HoldOn(kLoadingStatus);
  SaveSetting(kDataFilesSection, "LastExtendedFile", path);
  ws.mExtended = ExcelArrayLoad(path);
  host_.Preview(ws.mExtended, 4, "Extended Data");
  host_.HoldOn("");
}

bool Workbench::CreateBMatrixFromData(RegMethod method, bool fromObserved, RegressionResult& result) {
  LabelledMatrix data;
  std::string naming;
  if (!fromObserved && !Trimmed(form.txtData[0]).empty()) {
    naming = form.txtData[0];
    data = ExcelArrayLoad(naming);
  } else {
    data = ws.mObserved;
    naming = dataFolder_ + "/Matrix.arr";
    std::error_code ec;
    std::filesystem::create_directories(dataFolder_, ec);
  }
  std::string error;
  if (!CreateBMatrix(data, naming, method, form.useOnePercent, host_, result, error)) {
    // The invalid-data message has been shown; a file that could not be written is told here.
    if (data.IsAssigned() && data.Rows() >= 1 && data.Cols() >= 1) MsgBoxEx(host_, error, vbCritical);
    return false;
  }
  ws.mAMat = result.aMat;
  if (method == RegMethod::Constant) {
    // The A and B tables go on to workbooks of their own, one row per dependent variable.
    for (const std::string& table : {result.aPath, result.bPath}) {
      const LabelledMatrix back = ExcelArrayLoad(table);
      const std::size_t dot = table.find_last_of('.');
      if (!ExportArrayToExcel(MatrixTranspose(back, 2), table.substr(0, dot), 1, 1, "", "", 0, 0, error)) {
        MsgBoxEx(host_, "Cannot write the workbook for \"" + table + "\": " + error, vbCritical);
      }
    }
  }
  return true;
}

void Workbench::RunRegressionMenu(RegMethod method) {
  RegressionResult result;
  if (!CreateBMatrixFromData(method, false, result)) return;
  const char* caption = method == RegMethod::Lead   ? "Lead BMAT Matrix"
                        : method == RegMethod::Lag  ? "Lag BMAT Matrix"
                        : method == RegMethod::Constant ? "Y-Variable BMAT Matrix"
                                                        : "Normal BMAT Matrix";
  host_.Preview(result.bMat, 3, caption);
}

std::string Workbench::SignificanceCaption() const { return form.useOnePercent ? " @ 1% Sig." : " @ 5% Sig."; }

void Workbench::TakeRegressionB(const RegressionResult& result) {
  SaveSetting(kDataFilesSection, "LastTestFile", result.bPath);
  SetTxtData(1, result.bPath);
  ws.mBMat = result.bMat;
  form.txtRows = std::to_string(ws.mBMat.Rows());
  form.txtCols = std::to_string(ws.mBMat.Cols());
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
  if (ws.mChangeData.IsAssigned() && ws.mChangeData.Rows() == obs.Rows() && ws.mChangeData.Cols() == obs.Cols() &&
      ws.mChangeData.Rows() > 1) {
    MsgBoxEx(host_, "The trend / level data has already been converted to change.");
    return;
  }
  if (!obs.IsFilled() || obs.Cols() < 1) {
    MsgBoxEx(host_, kInvalidDataPrompt, vbCritical, std::string(kInvalidDataTitle));
    return;
  }
  host_.HoldOn("Transforming Level data...");
  form.Enable("cmdEXV", false);
  form.Enable("cmdSplitTable", false);
  ws.mLevelData = obs;
  const int R = obs.Rows(), C = obs.Cols();
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

std::optional<std::string> Workbench::ChooseDataFile() {
  FileDialogRequest request;
  request.title = kSelectDataFileTitle;
  request.filter = kDataFileFilter;
  request.initialFolder = dataFolder_;
  auto path = host_.ChooseOpenFile(request);
  if (!path || !FileExists(*path)) return std::nullopt;
  return path;
}

void Workbench::cmdSelectFile_Click(int index) {
  if (index < 0 || index > 2) return;
  const auto path = ChooseDataFile();
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
  for (int g = 0; g <= 3; ++g) host_.ClearGrid(g);
}

void Workbench::cboArrays_GotFocus() {
  const std::string remembered = form.cboArraysText;
  form.cboArrays = SelectMatrixItems(ws);
  if (!remembered.empty()) form.cboArraysText = remembered;
}

void Workbench::cmdViewGrid_Click() {
  const double leading = LeadingNumber(form.cboArraysText);
  const int n = std::isfinite(leading) && leading >= 0 && leading < 1000 ? static_cast<int>(leading) : 0;
  const int target = n != lastGridPreview_ ? 3 : 2;
  lastGridPreview_ = n;
  const SlotInfo* slot = FindSlot(n);
  if (!slot) {
    host_.Preview(ws.mCalculated, target, "Calculated Real Time Series Data");
    return;
  }
  if (slot->matrix2) {
    host_.Preview(ws.*(slot->matrix), target - 2, slot->gridCaption);
    host_.Preview(ws.*(slot->matrix2), target, slot->gridCaption2);
    return;
  }
  host_.Preview(ws.*(slot->matrix), target, slot->gridCaption);
}

namespace {
const char* const kTempPrefix = "KRV-TMP-";
}  // namespace

void Workbench::OpenWritten(const std::string& path) {
  if (!host_.OpenWithDesktop(path)) {
    MsgBoxEx(host_, "No program on this desktop opens workbooks; the workbook was written to\n" + path,
             vbInformation);
  }
}

void Workbench::cmdViewMatrix_Click() {
  std::error_code ec;
  std::filesystem::create_directories(dataFolder_, ec);
  const std::string base = dataFolder_ + "/" + kTempPrefix;
  DeleteTemporaryWorkbooks(dataFolder_, kTempPrefix);
  const std::string name = base + TemporaryStamp();
  const double leading = LeadingNumber(form.cboArraysText);
  const int n = std::isfinite(leading) && leading >= 0 && leading < 1000 ? static_cast<int>(leading) : 0;
  const SlotInfo* slot = FindSlot(n);
  std::string error;
  auto write = [&](const LabelledMatrix& m, const std::string& stem, const std::string& sheet) {
    if (!ExportArrayToExcel(m, stem, 1, 1, sheet, "", 0, 0, error)) {
      MsgBoxEx(host_, "Cannot write the workbook \"" + stem + ".xlsx\": " + error, vbCritical);
      return false;
    }
    return m.IsAssigned();
  };
  if (!slot) {
    if (write(ws.mCalculated, name, "Forecast Data")) OpenWritten(name + ".xlsx");
    return;
  }
  if (slot->matrix2 && write(ws.*(slot->matrix2), name + "2", slot->sheetName2)) {
    OpenWritten(name + "2.xlsx");
  }
  if (write(ws.*(slot->matrix), name, slot->sheetName)) OpenWritten(name + ".xlsx");
}

void Workbench::grdShow_KeyPress(int grid, const LabelledMatrix& cells) {
  static const char* const kWords[6] = {"One", "Two", "Three", "Four", "Five", "Six"};
  if (grid < 0 || grid > 5) return;
  std::error_code ec;
  std::filesystem::create_directories(dataFolder_, ec);
  DeleteTemporaryWorkbooks(dataFolder_, kTempPrefix);
  const std::string name = dataFolder_ + "/" + kTempPrefix + TemporaryStamp();
  std::string error;
  if (!ExportArrayToExcel(cells, name, 1, 1, std::string("GridView") + kWords[grid], "", 0, 0, error)) {
    MsgBoxEx(host_, "Cannot write the workbook \"" + name + ".xlsx\": " + error, vbCritical);
    return;
  }
  if (cells.IsAssigned()) OpenWritten(name + ".xlsx");
}

void Workbench::cmdDecimals_Click(int index) {
  if (index == 0 && ws.nDecimals < kMaxDecimals) ++ws.nDecimals;
  if (index == 1 && ws.nDecimals >= kMinDecimals + 1) --ws.nDecimals;
}

void Workbench::Picture1_DblClick() {
  // Cancel gives the empty text, which removes the prefix.
  ws.sChangeSymbol = host_.InputBox("Enter Change Symbol(s)", "", ws.sChangeSymbol).value_or("");
}

void Workbench::lblBack_Click() {
  form.chkDummyVisible = !form.chkDummyVisible;
  form.picMoreVisible = !form.picMoreVisible;
}

void Workbench::cmdTrend_Click() {
  int shift = 1;
  if (shift_) {
    shift = *shift_;
  } else if (settings_) {
    shift = WholeNumberRounded(settings_->GetDbSetting(kProgramSection, "ShiftPrediction", "1")).value_or(1);
  }
  RunTrend(ws, form, host_, shift);
  forecast_.reset();  // the next forecast reads the new calculated period
  FlushChainNotices();
  cmdChart_Click();
  ws.bStageRerun = false;
}

void Workbench::cmdForecast_Click() {
  if (!forecast_) {
    forecast_ = std::make_unique<ForecastOptions>(*this);
    forecast_->Form_Load();
  }
  // Cancel (or closing the dialog) forecasts nothing and changes nothing.
  forecast_->closed = ForecastOptions::Closed::Open;
  if (!host_.ShowForecastOptions(*forecast_)) return;
  const ForecastPeriod period{forecast_->txtToYr, forecast_->txtFromYear, forecast_->txtToYear};
  StageNotices notices;
  const OverflowWatch overflows;
  if (!RunForecast(ws, host_, period, &notices)) return;
  if (overflows.Count() > 0) notices.push_back(OverflowNotice(overflows.Count()));
  ShowNotices(notices);  // before the chart, which then comes up over the window
  cmdChart_Click();
}

void Workbench::Notify(const StageNotices& notices) {
  if (chainNotices_) {
    chainNotices_->insert(chainNotices_->end(), notices.begin(), notices.end());
  } else {
    ShowNotices(notices);
  }
}

void Workbench::ShowNotices(const StageNotices& notices) {
  if (notices.empty()) return;
  std::string text = "The results were computed, but please note:";
  for (const std::string& n : notices) text += "\n\n" + n;
  MsgBoxEx(host_, text, vbInformation);
}

void Workbench::cmdEXV_Click() {
  StageNotices notices;
  quantorial::cmdEXV_Click(ws, form, host_, &notices);
  Notify(notices);
}

void Workbench::cmdInvert_Click() {
  StageNotices notices;
  quantorial::cmdInvert_Click(ws, form, host_, &notices);
  Notify(notices);
}

void Workbench::FlushChainNotices() {
  if (!chainNotices_) return;
  StageNotices notices = std::move(*chainNotices_);
  chainNotices_->clear();
  if (chainOverflows_ && chainOverflows_->Count() > 0) notices.push_back(OverflowNotice(chainOverflows_->Count()));
  chainNotices_ = nullptr;
  chainOverflows_ = nullptr;
  host_.HoldOn("");
  ShowNotices(notices);
}

void Workbench::cmdRunAll_Click() {
  form.Enable("cmdRunAll", false);
  host_.HoldOn("Running All Stages. This may take sometime...");
  // What the stages find wrong is told once, when the computing is over: just before the
  // chart is drawn, so that the chart comes up after (and over) the notice.
  StageNotices notices;
  const OverflowWatch overflows;
  chainNotices_ = &notices;
  chainOverflows_ = &overflows;
  // A cancelled number of endogenous variables stops the run: the later stages would
  // only work on the matrices of an earlier model.
  if (quantorial::cmdEXV_Click(ws, form, host_, &notices)) {
    cmdInvert_Click();
    cmdMultiply_Click();
    cmdTrend_Click();
  } else {
    chainOverflows_ = nullptr;  // nothing was computed
  }
  FlushChainNotices();
  form.Enable("cmdRunAll", true);
  host_.HoldOn("");
}

SettingReader Workbench::ProgramSettingReader() const {
  return [this](const std::string& key, const std::string& def) {
    return settings_ ? settings_->GetDbSetting(kProgramSection, key, def) : def;
  };
}

ChartSettings Workbench::ReadChartSettings() const { return ChartSettings::Read(ProgramSettingReader()); }

void Workbench::cmdChart_Click() {
  host_.HoldOn("Ploting Charts.");
  ChartInputs inputs;
  if (form.cboPlotIndex >= 0 && form.cboPlotIndex < static_cast<int>(form.cboPlot.size())) {
    inputs.seriesText = form.cboPlot[static_cast<std::size_t>(form.cboPlotIndex)];
  }
  inputs.scaleText = form.txtScale;
  inputs.absolute = form.chkAbs == 1;
  inputs.impactVariables = form.lstImpVars;
  inputs.impactSelected = form.lstImpVarsSelected;
  const ChartSettings settings = ReadChartSettings();
  const ChartDescription chart = BuildTrendChart(ws, inputs, settings);
  // "Do Not Copy Chart to Clipboard" is honoured: the person asked for it.
  host_.ShowChart(chart, !settings.dontCopyChart);
  host_.HoldOn("");
  host_.Preview(ws.mObserved, 0, "trend matrix");
  host_.Preview(ws.mCalculated, 1, "predicted matrix");
  host_.Preview(ws.mForecast, 2, "forecast matrix");
}

void Workbench::chkAbs_Click() {
  PressWhileDisabled("cboPlot", "cmdChart", &Workbench::cmdChart_Click);
}

void Workbench::txtScale_Change() {
  PressWhileDisabled("cboPlot", "cmdChart", &Workbench::cmdChart_Click);
}

void Workbench::cmdChartTitle_Click() {
  ChartOptionsState dialog(ProgramSettingReader(), [this](const std::string& key, const std::string& value) {
    SaveSetting(kProgramSection, key.c_str(), value);
  });
  chartOptions_ = &dialog;
  host_.ShowChartOptions(dialog);
  chartOptions_ = nullptr;
}

void Workbench::cmdSplitTable_Click() {
  ws.bTableSplit = true;
  form.Enable("cmdDynamicX", true);
  const LabelledMatrix& b = ws.mBMat;
  const int r2 = b.Rows() / 2, c2 = b.Cols() / 2;
  LabelledMatrix* quadrants[4] = {&ws.mBMatQ1, &ws.mBMatQ2, &ws.mBMatQ3, &ws.mBMatQ4};
  for (int q = 0; q < 4; ++q) {
    LabelledMatrix& Q = *quadrants[q];
    Q = LabelledMatrix::Dimension(std::max(r2, 0), std::max(c2, 0));
    const int rowOffset = q >= 2 ? r2 : 0, colOffset = q % 2 == 1 ? c2 : 0;
    for (int i = 1; i <= r2; ++i) {
      if (const Cell* c = b.At(rowOffset + i, 0)) Q.Set(i, 0, *c);
    }
    for (int j = 1; j <= c2; ++j) {
      if (const Cell* c = b.At(0, colOffset + j)) Q.Set(0, j, *c);
    }
    for (int i = 1; i <= r2; ++i) {
      for (int j = 1; j <= c2; ++j) {
        if (const Cell* c = b.At(rowOffset + i, colOffset + j)) Q.Set(i, j, *c);
      }
    }
  }
  form.Enable("cmdSplitTable", false);
  for (int q = 0; q < 4; ++q) form.Enable("cmdQ(" + std::to_string(q) + ")", true);
  cmdQ_Click(0);
}

void Workbench::cmdQ_Click(int index) {
  const LabelledMatrix* quadrants[4] = {&ws.mBMatQ1, &ws.mBMatQ2, &ws.mBMatQ3, &ws.mBMatQ4};
  if (index < 0 || index > 3) return;
  ws.mBMat = *quadrants[index];
  form.txtRows = std::to_string(ws.mBMat.Rows());
  form.txtCols = std::to_string(ws.mBMat.Cols());
  host_.Preview(ws.mBMat, 2, "Normal BMAT Matrix Q" + std::to_string(index + 1));
  form.Enable("cmdEXV", true);
}

// The option controls press the buttons of the stages they re-run; a disabled button does
// not respond to a press, so an option changed before the model exists only records itself.
// The control itself is disabled meanwhile so it cannot change again while the stages run.
// A re-run keeps the number of endogenous variables, the impact selection and the chosen
// series; the flag that says so lives only as long as the press, so a later run on other
// data asks again.
void Workbench::PressWhileDisabled(const char* control, const char* button, void (Workbench::*press)()) {
  form.Enable(control, false);
  if (form.IsEnabled(button)) {
    ws.bStageRerun = true;
    (this->*press)();
    ws.bStageRerun = false;
  }
  form.Enable(control, true);
}

void Workbench::chkDummy_Click() { PressWhileDisabled("chkDummy", "cmdRunAll", &Workbench::cmdRunAll_Click); }

void Workbench::chkReuse_Click() { PressWhileDisabled("chkReuse", "cmdTrend", &Workbench::cmdTrend_Click); }

void Workbench::lstImpVars_Click() {
  if (!form.IsEnabled("cmdRunAll")) return;
  ws.bStageRerun = true;
  cmdRunAll_Click();
  ws.bStageRerun = false;
}

void ForecastOptions::CalculatedPeriod() {
  const LabelledMatrix& calc = bench_.ws.mCalculated;
  if (!calc.IsAssigned()) return;
  txtFromYr = CellText(calc.Get(1, 0));
  txtToYr = CellText(calc.Get(calc.Rows(), 0));
}

void ForecastOptions::Form_Load() {
  const SettingsStore* store = bench_.Settings();
  CalculatedPeriod();
  SetTxtData(store ? store->GetDbSetting(kDataFilesSection, "LastForecastFile", "") : "");
}

void ForecastOptions::SetTxtData(const std::string& path) {
  if (txtData == path) return;
  txtData = path;
  txtData_Change();
}

void ForecastOptions::txtData_Change() {
  if (Trimmed(txtData).empty() || !FileExists(txtData)) return;
  if (const SettingsStore* store = bench_.Settings()) store->SaveDbSetting(kDataFilesSection, "LastForecastFile", txtData);
  CalculatedPeriod();
  Workspace& ws = bench_.ws;
  ws.mForecastExo = bench_.ExcelArrayLoad(txtData);
  ws.bForecastDataLoaded = true;
  txtFromYear = CellText(ws.mForecastExo.Get(1, 0));
  txtToYear = CellText(ws.mForecastExo.Get(ws.mForecastExo.Rows(), 0));
  bench_.HostRef().Preview(ws.mForecastExo, 4, "Forecast Matrix");
}

void ForecastOptions::cmdSelectFile_Click() {
  const auto path = bench_.ChooseDataFile();
  if (!path) return;
  if (txtData == *path) {
    txtData_Change();
  } else {
    SetTxtData(*path);
  }
}

std::optional<std::string> Workbench::ChooseMatrixFile(const std::string& title) {
  return files_.ChooseMatrixFile(title);
}

LabelledMatrix Workbench::ExcelArrayLoad(const std::string& path) { return files_.ExcelArrayLoad(path); }

}  // namespace quantorial
