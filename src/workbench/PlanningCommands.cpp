// Planning: the dynamic multipliers with their panel, and the aspiration analysis.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>

#include "io/AtomicFile.h"
#include "io/DataFile.h"
#include "matrix/MatrixFunctions.h"
#include "model/Stages.h"
#include "model/Trend.h"
#include "planning/Aspiration.h"
#include "planning/Dynamic.h"
#include "planning/Kaldron.h"
#include "planning/LpModel.h"
#include "planning/LpSolve.h"
#include "workbench/Workbench.h"
#include "workspace/ValueRules.h"

namespace quantorial {

void Workbench::cmdDynamicEndo_Click() {
  StageNotices notices;
  if (const std::string years = YearLabelsNotice(ws.mObserved, "\"Dynamic Endo\""); !years.empty()) {
    notices.push_back(years);
  }
  ShowNotices(notices);
  const ComputedStage dynamic = DynamicEndo(ws, ExtensionYears(form.txtExtd), Watch());
  ShowIncompatibleSums(dynamic.incompatibleSums, ws.mCalculated);
  form.cboPlot = SeriesList(ws.mCalculated);
  form.cboPlotIndex = form.cboPlot.empty() ? -1 : 0;
  // The chart as the chart command draws it, the calculated series so named, without the
  // chart command's closing previews.
  DrawTrendChart("Calculated ", false);
}

void Workbench::cmdDynamicExo_Click() {
  // Without forecast data the forecast dialog asks for them first.
  if (!ws.mForecastExo.IsFilled()) ShowForecastDialog();
  // The forecast rows are read by column position, so columns in another order than the
  // model's exogenous variables would be simulated under the wrong names.
  StageNotices notices;
  if (ws.bForecastDataLoaded) CheckForecastColumns(ws.mExo, ws.mForecastExo, notices);
  if (const std::string years = YearLabelsNotice(ws.mObserved, "\"Dynamic Exo\""); !years.empty()) {
    notices.push_back(years);
  }
  ShowNotices(notices);
  const ComputedStage dynamic = DynamicExo(ws, LeadingWholeNumber(form.txtRows), Watch());
  ShowIncompatibleSums(dynamic.incompatibleSums, ws.mCalculated);
  if (form.cboPlot.empty()) {
    form.cboPlot = SeriesList(ws.mCalculated, [](const Cell& name) { return !NormalizeName(name).empty(); });
  }
  if (form.cboPlotIndex < 0 && !form.cboPlot.empty()) form.cboPlotIndex = 0;
  cmdChart_Click();
}

void Workbench::cmdDynamicX_Click() {
  DynamicResult dynamic = DynamicOfLevels(ws, ExtensionYears(form.txtExtd), form.txtDyn, Watch());
  if (!form.txtDyn.empty()) sDynSelection_ = form.txtDyn;
  bool anyPoint = false;
  for (const ChartSeries& s : dynamic.chart.series) {
    for (const auto& v : s.values) anyPoint = anyPoint || v.has_value();
  }
  ShowIncompatibleSums(dynamic.incompatibleSums, anyPoint);
  Conclude(dynamic.failure, dynamic.notices);  // before the chart, which then comes up over the window
  ChartDescription& chart = dynamic.chart;
  const ChartSettings settings = ReadChartSettings();
  chart.showMarkers = settings.showMarkers;
  chart.markerSize = settings.markerSize;
  host_.ShowChart(chart, !settings.dontCopyChart);
}

void Workbench::lstDyn_Click() { form.txtDyn = DynamicSelectionText(form.lstDyn, form.lstDynSelected, sDynSelection_); }

void Workbench::cmdAspire_Click() {
  const LabelledMatrix resultBefore = ws.mAspirationResult, observedBefore = ws.mObserved;
  const AspirationResult run =
      Aspire(ws, LeadingWholeNumber(form.txtRows), form.txtAspire, [this](long long done, long long total) {
        return host_.Progress("Aspiration: year " + std::to_string(done) + " of " + std::to_string(total), done, total);
      });
  host_.Progress(std::string(), 0, 0);  // the run is over, however it ended
  ShowPreviews(run.previews);
  switch (run.end) {
    case AspirationEnd::Done:  // its results are written; the message says what was left out
      if (!run.message.empty()) Warn(run.message);
      break;
    case AspirationEnd::Cancelled:
      Note(run.message);
      Cancelled();
      break;
    case AspirationEnd::NoYears:
      FailQuietly(
          "The aspiration text names no number of years (years~base year~targets, e.g. "
          "\"1~2006~GrthRt+0.1\"): nothing was computed.");
      break;
    case AspirationEnd::InvalidBaseYear:
    case AspirationEnd::Failed:
      Fail(run.message);
      break;
  }
  // The three tables leave their first column's header blank; on screen it says what the
  // column holds (the tables themselves stay as computed).
  const auto showLabelled = [this](const LabelledMatrix& m, int grid, const char* corner, const char* caption) {
    if (!m.IsFilled() || !IsEmpty(m.Get(0, 0))) return;
    LabelledMatrix shown = m;
    shown.Set(0, 0, std::string(corner));
    host_.Preview(shown, grid, caption);
  };
  const bool ran = !(ws.mAspirationResult == resultBefore) || !(ws.mObserved == observedBefore);
  if (ran && ws.mAspirationResult.IsFilled() && ws.mAspirationImpact.IsFilled()) {
    showLabelled(ws.mAspiration, 2, "Target Year", "Aspiration Matrix");
    showLabelled(ws.mAspirationResult, 3, "Exogenous", "Aspiration Matrix Result");
    showLabelled(ws.mAspirationImpact, 1, "Endogenous", "Aspiration Impact Matrix Result");
  }
}

void Workbench::cmdKALDRON_Click() {
  if (!ws.mBMat.IsFilled()) {
    Fail(
        "KALDRON plans on a B-matrix: load one first (Select Secondary Data File), the sectors' input "
        "coefficients with one row per primary input beneath them. Nothing was planned.",
        vbExclamation);
    return;
  }
  // The first run asks for the targets (the extended data file); without them there is
  // nothing to plan.
  if (!ws.mRhsIO.IsFilled()) {
    const long long failures = outcome_.FailuresTold();
    cmdSelectFile_Click(2, kKaldronTargetsTitle);
    if (!ws.mExtended.IsFilled()) {
      if (outcome_.FailuresTold() == failures) Cancelled();
      return;
    }
  }
  // The plan's I - A must be the loaded B-matrix's: one not yet split, or loaded or built
  // since the split, is split now (asking the number of sectors); a cancelled split then
  // plans nothing rather than plan on an earlier model. (The split's notices about the
  // model's exogenous data do not concern the plan.)
  const bool stale = !(ws.mSplitBMat == ws.mBMat);
  if (stale || form.txtRows == form.txtCols) {
    if (stale) ws.bStageRerun = false;
    // An answer refused leaves no number of sectors: nothing is planned then either.
    if (!SplitModelAsking(nullptr, true) && (stale || ws.nEndoVars < 1)) return;
  }
  StageNotices notices;
  const std::vector<std::string> own = OwnSectorInputs(ws.mBMat, ws.mEndo.UpperRow());
  if (!own.empty()) {
    notices.push_back("The B-matrix has own-sector inputs (a diagonal other than 0 or 1) for " + NameList(own) +
                      ". The plan takes I - A with 1 on the diagonal, so these take no part: to get the Leontief "
                      "solution, fold them into their rows first (divide row k and its target by 1 - a_kk).");
  }
  KaldronPlan plan = PlanKaldron(ws.mEndo, ws.mExtended, ws.mBMat);
  // The plan is computed all the same, on the rows the targets and the sectors share.
  if (plan.rhsRowsDiffer) Warn("RHS values not properly defined...");
  ws.mKaldronBMat = std::move(plan.kaldronBMat);
  ws.mRhsIO = std::move(plan.rhsIO);
  ws.mKaldronRhs = std::move(plan.kaldronRhs);
  ws.mKaldronAug = std::move(plan.aug);
  ws.mKaldronAugInverse = std::move(plan.augInverse);
  ws.mDevOutput = std::move(plan.devOutput);
  ws.mPrimaryInputs = std::move(plan.primaryInputs);
  ws.mPrimaryReq = std::move(plan.primaryReq);
  ShowPreviews(plan.previews);
  notices.insert(notices.end(), plan.notices.begin(), plan.notices.end());
  Conclude(plan.failure, notices);
}

void Workbench::mnuLindoModel_Click() {
  if (!LoadLpTable()) return;
  const LabelledMatrix& t = ws.mLindoBase;
  host_.HoldOn("Building Lindo Model");
  host_.Preview(t, 3, "Lindo Base Table");
  if (!LpTableReads(" No model was built.")) return;
  const std::string model = LindoModelText(t, form.chkVV == 1, form.chkRHS == 1, ws.nDecimals);
  if (form.chkSave == 0) {
    host_.SetClipboardText(model);
  } else {
    // A new file in the Data folder, never over an earlier model.
    std::error_code ec;
    std::filesystem::create_directories(dataFolder_, ec);
    std::string path;
    for (int draw = 0; draw < 999 && path.empty(); ++draw) {
      const std::string candidate = dataFolder_ + "/Lindo" + RandomDigits(3) + ".ltx";
      if (!FileExists(candidate)) path = candidate;
    }
    std::string error;
    if (path.empty()) {
      Fail("999 names drawn for the model file (Lindo and three digits) were all taken in " + dataFolder_ +
               "; the model was not written over an earlier one. Move earlier models away and build it again.",
           vbExclamation);
    } else if (!WriteFileAtomically(path, model + "\r\n", error)) {
      Fail("Cannot write \"" + path + "\": " + error, vbCritical);
    } else {
      host_.OpenWithDesktop(path);
    }
  }
  host_.PreviewText(model, 0, "Linear Programming Model");
  host_.HoldOn("");
}

bool Workbench::LpTableReads(const std::string& consequence) {
  const LpTableModel m = ReadLpTable(ws.mLindoBase, form.chkRHS == 1);
  const std::string error = LpTableProblem(ws.mLindoBase, m, form.chkVV == 1);
  if (error.empty()) return true;
  host_.HoldOn("");
  Fail(error + consequence, vbExclamation);
  return false;
}

bool Workbench::LoadLpTable() {
  const auto path = ChooseMatrixFile("Select the LP Table");
  if (!path) {
    Cancelled();
    return false;
  }
  const long long failures = outcome_.FailuresTold();
  ws.mLindoBase = LoadChosen(path);
  if (!ws.mLindoBase.IsFilled() || ws.mLindoBase.UpperCol() <= 0) {
    host_.HoldOn("");
    if (outcome_.FailuresTold() == failures) {
      Fail("\"" + *path +
           "\" holds no LP table: a table has the variables' names in its first row, one row per constraint "
           "and the objective's row. Nothing was done.");
    }
    return false;
  }
  form.chkRHS = TableHasConstraints(ws.mLindoBase) ? 1 : 0;
  return true;
}

// The table of the LP model: the one loaded last, or one chosen now as the build does.
bool Workbench::LpTable() { return (ws.mLindoBase.IsFilled() && ws.mLindoBase.UpperCol() > 0) || LoadLpTable(); }

LpSolveOptions Workbench::LpOptions() {
  const auto setting = [this](const char* key, double def, double most) {
    const std::string text = settings_ ? settings_->GetDbSetting(kProgramSection, key, "") : std::string();
    const auto v = ArithmeticValue(text);
    return v && std::isfinite(*v) && *v > 0 && *v <= most ? *v : def;
  };
  LpSolveOptions options;
  // The window fills the slot "28. LP Ranging": it asks for the ranges.
  options.ranging = true;
  // Defaults that give the window back within a minute, however large the model.
  options.timeLimitSeconds = setting("LpTimeLimit", 60.0, 1e6);
  options.iterationLimit = static_cast<long long>(setting("LpIterationLimit", 1e6, 1e12));
  // The wait window's bar runs with the time allowed; Cancel stops the solve.
  const auto start = std::chrono::steady_clock::now();
  const long long total = std::max(1LL, static_cast<long long>(options.timeLimitSeconds * 1000.0));
  options.progress = [this, start, total](const std::string& text, long long, long long) {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    return host_.Progress(text, std::min<long long>(ms, total - 1), total);
  };
  return options;
}

void Workbench::ShowLpOutcome(const LpOutcome& outcome, const std::string& modelName) {
  ws.mLpSolution = LpSolutionTable(outcome);
  ws.mLpRanging = LpRangingTable(outcome);
  host_.PreviewText(LpReportText(outcome, true, modelName), 0, "LP Report");
  if (ws.mLpRanging.IsFilled()) {
    host_.Preview(ws.mLpRanging, 2, "LP Ranging");
  } else {
    host_.ClearGrid(2);
  }
  host_.Preview(ws.mLpSolution, 1, "LP Solution");
  // One verdict for one status, however the model was reached.
  switch (outcome.status) {
    case LpStatus::Optimal:
    case LpStatus::IntegerOptimal:
      return;
    case LpStatus::Cancelled:
      return Cancelled();
    case LpStatus::Infeasible:
      return Fail("The linear programming model is infeasible: no values of the variables meet every constraint.",
                  vbExclamation);
    case LpStatus::Unbounded:
      return Fail("The linear programming model is unbounded: the objective grows without limit.", vbExclamation);
    case LpStatus::TimeLimit:
    case LpStatus::IterationLimit:
      return Fail(std::string("The solve stopped at its ") +
                      (outcome.status == LpStatus::TimeLimit ? "time" : "iteration") + " limit without an optimum" +
                      (outcome.objective ? " (the report shows the best whole-number solution found)." : "."),
                  vbExclamation);
    default:
      return Fail("The linear programming model was not solved: " + outcome.statusText + ".", vbExclamation);
  }
}

void Workbench::mnuSolve_Click() {
  if (!LpTable()) return;
  if (!LpTableReads(" Nothing was solved.")) {
    ws.mLpSolution.Erase();  // no earlier solution stands in for this table's
    ws.mLpRanging.Erase();
    return;
  }
  host_.HoldOn("Solving the Linear Programming Model");
  const LpOutcome outcome = SolveLpTable(ws.mLindoBase, form.chkVV == 1, form.chkRHS == 1, LpOptions());
  host_.Progress(std::string(), 0, 0);  // the solve is over, however it ended
  host_.HoldOn("");
  ShowLpOutcome(outcome, std::string());
}

void Workbench::mnuOpenModel_Click() {
  FileDialogRequest request;
  request.title = "Open a Linear Programming Model";
  request.filter = "LP and MPS models (*.lp;*.mps)|*.lp;*.mps|CPLEX LP (*.lp)|*.lp|MPS (*.mps)|*.mps";
  request.initialFolder = dataFolder_;
  const auto path = host_.ChooseOpenFile(request);
  if (!path) return Cancelled();
  if (!IsLpModelFileName(*path)) {
    Fail(
        "\"" + *path + "\" is not a model file: a model file ends in .lp (CPLEX LP) or .mps (MPS). Nothing was solved.",
        vbExclamation);
    return;
  }
  host_.HoldOn("Solving the Linear Programming Model");
  LpOutcome outcome;
  std::string error;
  const bool read = SolveLpModelFile(*path, LpOptions(), outcome, error);
  host_.Progress(std::string(), 0, 0);
  host_.HoldOn("");
  if (!read) {
    Fail(error + " Nothing was solved.", vbExclamation);
    return;
  }
  ShowLpOutcome(outcome, std::filesystem::path(*path).filename().string());
}

void Workbench::mnuSaveModel_Click() {
  if (!LpTable() || !LpTableReads(" The model was not saved.")) return;
  // Names the file form would write alike are refused before a file is asked for.
  std::string collision;
  LpFileNames(ws.mLindoBase, ReadLpTable(ws.mLindoBase, form.chkRHS == 1), form.chkVV == 1, collision);
  if (!collision.empty()) {
    Fail(collision + " The model was not saved.", vbExclamation);
    return;
  }
  FileDialogRequest request;
  request.title = "Save the Linear Programming Model";
  request.filter = "CPLEX LP (*.lp)|*.lp|Free MPS (*.mps)|*.mps";
  request.initialFolder = dataFolder_;
  request.defaultName = "model.lp";
  const auto path = host_.ChooseSaveFile(request);
  if (!path) return Cancelled();
  std::string error;
  if (!WriteLpModel(ws.mLindoBase, form.chkVV == 1, form.chkRHS == 1, *path, error)) {
    Fail("Cannot write \"" + *path + "\": " + error, vbCritical);
  }
}

}  // namespace quantorial
