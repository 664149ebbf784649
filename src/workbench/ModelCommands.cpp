// The model: the stages, Run ALL Stages and what they tell, Split Table and the
// quadrants, the option controls that re-run stages, and the forecast dialog.
#include <cmath>
#include <filesystem>

#include "export/Export.h"
#include "matrix/MatrixFunctions.h"
#include "workbench/Workbench.h"
#include "workspace/SlotTable.h"
#include "workspace/ValueRules.h"

namespace quantorial {

void Workbench::cmdTrend_Click() {
  int shift = 1;
  if (shift_) {
    shift = *shift_;
  } else if (settings_) {
    shift = WholeNumberRounded(settings_->GetDbSetting(kProgramSection, "ShiftPrediction", "1")).value_or(1);
  }
  host_.HoldOn("Generating Chart Data.");
  const ComputedStage trend = CalculateTrend(ws, shift, form.chkReuse == 1);
  ShowIncompatibleSums(trend.incompatibleSums, ws.mCalculated);
  ShowPreviews(trend.previews);
  int remembered = 0;
  if (ws.bStageRerun) remembered = std::max(form.cboPlotIndex, 0);
  form.cboPlot = SeriesList(ws.mCalculated);
  form.cboPlotIndex = form.cboPlot.empty() ? -1 : std::min(remembered, static_cast<int>(form.cboPlot.size()) - 1);
  host_.HoldOn("");
  for (const char* c : {"cmdChart", "txtScale", "cmdViewMatrix", "cmdViewGrid", "cboArrays"}) form.Enable(c, true);
  forecast_.reset();  // the next forecast reads the new calculated period
  FlushChainNotices();
  cmdChart_Click();
  ws.bStageRerun = false;
}

bool Workbench::ShowForecastDialog() {
  // The dialog stays loaded between forecasts (until the trend analysis unloads it).
  if (!forecast_) {
    forecast_ = std::make_unique<ForecastOptions>(*this);
    forecast_->Form_Load();
  }
  forecast_->closed = ForecastOptions::Closed::Open;
  return host_.ShowForecastOptions(*forecast_);
}

void Workbench::cmdForecast_Click() {
  // Cancel (or closing the dialog) forecasts nothing and changes nothing.
  if (!ShowForecastDialog()) {
    Cancelled();
    return;
  }
  const ForecastPeriod period{forecast_->txtToYr, forecast_->txtFromYear, forecast_->txtToYear};
  if (!ws.mCalcBase.IsFilled()) {
    Fail(
        "There are no calculated series to forecast from: run \"&Trend Analysis\" (or \"&Run ALL Stages\") "
        "first. Nothing was forecast.");
    return;
  }
  const OverflowWatch overflows;
  host_.HoldOn("Generating Chart Data.");
  // The forecast is computed all the same: the years between are left out of it.
  if (ForecastLeavesAGap(period)) Warn("Broken time series...");
  ForecastResult forecast = CalculateForecast(ws, period, Watch());
  ShowIncompatibleSums(forecast.incompatibleSums, ws.mForecast);
  if (!forecast.done) {
    host_.HoldOn("");
    if (!forecast.failure.empty()) Fail(forecast.failure, vbExclamation);
    return;
  }
  ShowPreviews(forecast.previews);
  host_.HoldOn("");
  StageNotices notices = std::move(forecast.notices);
  if (overflows.Count() > 0) notices.push_back(OverflowNotice(overflows.Count()));
  if (const std::string years = YearLabelsNotice(ws.mObserved, "\"&Forecast\""); !years.empty())
    notices.push_back(years);
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

void Workbench::Warn(const StageNotices& notices) {
  if (notices.empty()) return;
  outcome_.Warn(notices);
  std::string text = "The results were computed, but please note:";
  for (const std::string& n : notices) text += "\n\n" + n;
  MsgBoxEx(host_, text, vbExclamation);
}

void Workbench::Warn(const std::string& message, const std::optional<std::string>& title) {
  outcome_.Warn({message});
  MsgBoxEx(host_, message, vbExclamation, title);
}

void Workbench::Note(const std::string& message, const std::optional<std::string>& title) {
  MsgBoxEx(host_, message, vbInformation, title);
}

void Workbench::Fail(const std::string& message, int buttons, const std::optional<std::string>& title) {
  outcome_.Fail(message);
  MsgBoxEx(host_, message, (buttons & ~kMsgBoxIconMask) | vbCritical, title);
}

void Workbench::FailInChain(const std::string& message) {
  if (chainNotices_) {
    if (chainFailure_.empty()) chainFailure_ = message;
  } else {
    Fail(message);
  }
}

void Workbench::ShowIncompatibleSums(int count, const LabelledMatrix& result) {
  if (count <= 0) return;
  bool anyNumber = false;
  for (int i = 1; i <= result.UpperRow() && !anyNumber; ++i) {
    for (int j = 1; j <= result.UpperCol() && !anyNumber; ++j) anyNumber = IsNumber(result.Value(i, j));
  }
  ShowIncompatibleSums(count, anyNumber);
}

void Workbench::ShowIncompatibleSums(int count, bool anyResult) {
  if (count <= 0) return;
  // Years left empty in a result that has others are a warning; no result at all, a failure.
  if (anyResult) {
    Warn(kNotCompatiblePrompt, std::string(kNotCompatibleTitle));
  } else {
    Fail(kNotCompatiblePrompt, vbOKOnly, std::string(kNotCompatibleTitle));
  }
}

StageWatch Workbench::Watch() {
  StageWatch watch;
  watch.status = [this](const std::string& text) { host_.HoldOn(text); };
  watch.preview = [this](const LabelledMatrix& m, int grid, const std::string& caption) {
    host_.Preview(m, grid, caption);
  };
  return watch;
}

void Workbench::ShowPreviews(const std::vector<GridPreview>& previews) {
  for (const GridPreview& p : previews) host_.Preview(p.matrix, p.grid, p.caption);
}

bool Workbench::SplitModelAsking(StageNotices* notices, bool sectors) {
  if (!ws.bStageRerun) {
    // The plan's sectors are the table's columns (the rows below them are its primary
    // inputs); the model's endogenous variables are the B-matrix's rows.
    const auto answer =
        host_.InputBox("Enter number of Endogenous Variables:", "", sectors ? form.txtCols : form.txtRows);
    if (!answer) {  // cancelled: nothing changes
      Cancelled();
      return false;
    }
    ws.nEndoVars = LeadingWholeNumber(*answer);
    if (ws.nEndoVars < 1) {
      FailInChain("\"" + *answer +
                  "\" is not a number of endogenous variables: answer with a whole number from 1 on (the "
                  "B-matrix has " +
                  std::to_string(ws.mBMat.UpperRow()) + " rows). Nothing was computed.");
    } else if (sectors && ws.nEndoVars > ws.mBMat.UpperCol()) {
      FailInChain(std::to_string(ws.nEndoVars) + " sectors are more than the table's " +
                  std::to_string(ws.mBMat.UpperCol()) +
                  " columns: the sectors are the table's columns, and the rows below them its primary inputs. "
                  "Nothing was planned.");
      ws.nEndoVars = 0;
    }
  }
  if (ws.nEndoVars < 1) return false;
  form.txtRows = std::to_string(ws.nEndoVars);
  SplitOptions options;
  options.endogenous = ws.nEndoVars;
  options.columns = LeadingWholeNumber(form.txtCols);
  options.policyDummy = form.chkDummy == 1;
  // A re-run keeps the selection of impact variables; a new split starts with none.
  if (ws.bStageRerun) options.selected = form.lstImpVarsSelected;
  std::vector<std::string> exogenous;
  host_.HoldOn("Building Endogenous and Exogenous Matrices.");
  StageResult split = SplitModel(ws, options, &exogenous);
  if (!ws.bStageRerun) {
    form.lstImpVars = std::move(exogenous);
    form.lstImpVarsSelected.assign(form.lstImpVars.size(), false);
  }
  ShowPreviews(split.previews);
  host_.HoldOn("");
  form.Enable("cmdInvert", true);
  form.Enable("chkDummy", true);
  if (notices) notices->insert(notices->end(), split.notices.begin(), split.notices.end());
  return true;
}

void Workbench::cmdEXV_Click() {
  StageNotices notices;
  SplitModelAsking(&notices);
  Notify(notices);
}

void Workbench::cmdInvert_Click() {
  host_.HoldOn("Inverting Endogenous Matrix.");
  const StageResult inverted = InvertEndo(ws);
  ShowPreviews(inverted.previews);
  host_.HoldOn("");
  for (const char* c : {"cmdMultiply", "cmdDynamicExo", "cmdDynamicEndo"}) form.Enable(c, true);
  if (!inverted.failure.empty()) FailInChain(inverted.failure);
  Notify(inverted.notices);
}

void Workbench::cmdMultiply_Click() {
  host_.HoldOn("Building Impact Multipliers.");
  ShowPreviews(MultiplyImpact(ws).previews);
  host_.HoldOn("");
  for (const char* c : {"cmdTrend", "cmdForecast", "cmdReciprocal"}) form.Enable(c, true);
}

void Workbench::cmdReciprocal_Click() {
  host_.HoldOn("Calculating the Reciprocal of a Matrix.");
  ShowPreviews(ReciprocalOfImpact(ws).previews);
  host_.HoldOn("");
}

void Workbench::FlushChainNotices() {
  if (!chainNotices_) return;
  StageNotices notices = std::move(*chainNotices_);
  chainNotices_->clear();
  if (chainOverflows_ && chainOverflows_->Count() > 0) notices.push_back(OverflowNotice(chainOverflows_->Count()));
  chainNotices_ = nullptr;
  chainOverflows_ = nullptr;
  host_.HoldOn("");
  std::string failure = std::move(chainFailure_);
  chainFailure_.clear();
  Conclude(failure, notices);
}

void Workbench::Conclude(const std::string& failure, const StageNotices& notices) {
  if (failure.empty()) return Warn(notices);
  // One box: the failure, then what else was doubtful.
  std::string text = failure;
  for (const std::string& n : notices) text += "\n\n" + n;
  outcome_.Warn(notices);
  Fail(text);
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
  if (SplitModelAsking(&notices)) {
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

void Workbench::cmdSplitTable_Click() {
  ws.bTableSplit = true;
  form.Enable("cmdDynamicX", true);
  const LabelledMatrix& b = ws.mBMat;
  const int r2 = b.UpperRow() / 2, c2 = b.UpperCol() / 2;
  LabelledMatrix* quadrants[4] = {&ws.mBMatQ1, &ws.mBMatQ2, &ws.mBMatQ3, &ws.mBMatQ4};
  for (int q = 0; q < 4; ++q) {
    LabelledMatrix& Q = *quadrants[q];
    Q = LabelledMatrix::Dimension(std::max(r2, 0), std::max(c2, 0));
    const int rowOffset = q >= 2 ? r2 : 0, colOffset = q % 2 == 1 ? c2 : 0;
    for (int i = 1; i <= r2; ++i) {
      if (const auto c = b.At(rowOffset + i, 0)) Q.Set(i, 0, *c);
    }
    for (int j = 1; j <= c2; ++j) {
      if (const auto c = b.At(0, colOffset + j)) Q.Set(0, j, *c);
    }
    for (int i = 1; i <= r2; ++i) {
      for (int j = 1; j <= c2; ++j) {
        if (const auto c = b.At(rowOffset + i, colOffset + j)) Q.Set(i, j, *c);
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
  form.txtRows = std::to_string(ws.mBMat.UpperRow());
  form.txtCols = std::to_string(ws.mBMat.UpperCol());
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
  txtToYr = CellText(calc.Get(calc.UpperRow(), 0));
}

void ForecastOptions::SetTxtData(const std::string& path) {
  if (txtData == path) return;
  txtData = path;
  txtData_Change();
}

void ForecastOptions::txtData_Change() {
  if (TrimBlanks(txtData).empty() || !FileExists(txtData)) return;
  CalculatedPeriod();
  Workspace& ws = bench_.ws;
  ws.mForecastExo = bench_.ExcelArrayLoad(txtData);
  bench_.RememberLastFile("LastForecastFile", txtData, ws.mForecastExo.IsFilled());
  ws.bForecastDataLoaded = true;
  txtFromYear = CellText(ws.mForecastExo.Get(1, 0));
  txtToYear = CellText(ws.mForecastExo.Get(ws.mForecastExo.UpperRow(), 0));
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

}  // namespace quantorial
