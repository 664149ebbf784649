#pragma once
// The workbench behind the main window: the workspace, the window's state and the
// command handlers, named after the controls they belong to. The desktop window calls
// these handlers and mirrors `form`; quantorial-cli and the tests call them directly.

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>

#include "charts/TrendChart.h"
#include "frontend/Host.h"
#include "frontend/MainForm.h"
#include "io/DataFile.h"
#include "io/SettingsStore.h"
#include "model/Stages.h"
#include "model/Trend.h"
#include "planning/LpOutcome.h"
#include "regression/Regression.h"
#include "workbench/ChartOptionsForm.h"
#include "workbench/InputOutputCommands.h"
#include "workbench/MatrixCommands.h"
#include "workbench/Outcome.h"
#include "workbench/RegressionTexts.h"
#include "workbench/SystemEstimation.h"
#include "workbench/WorksheetEditor.h"
#include "workspace/ValueRules.h"
#include "workspace/Workspace.h"

namespace quantorial {

// Texts the loader writes.
inline constexpr const char* kLoadingStatus = "Loading Worksheet.";
inline constexpr const char* kPairedBMatSuffix = "_NOR_BMAT.CSV";

class Workbench;
class SessionRecorder;

// frmForecast, "Forecast Options": the calculated period, the forecast period and the
// forecast data file. It stays loaded between forecasts until the trend analysis runs.
class ForecastOptions {
 public:
  explicit ForecastOptions(Workbench& bench) : bench_(bench) {}
  std::string txtFromYr = "2001";    // first year of the calculated series
  std::string txtToYr = "2013";      // last year of the calculated series
  std::string txtFromYear = "2001";  // first forecast year
  std::string txtToYear = "2013";    // last forecast year
  std::string txtData;               // the forecast data file

  // The dialog's load: the last forecast file and the calculated period.
  void Form_Load();
  // Sets the file box; a changed text loads the file.
  void SetTxtData(const std::string& path);
  void txtData_Change();
  // "Select Forecast Data File".
  void cmdSelectFile_Click();
  // OK and Cancel close the dialog; only OK lets the forecast run.
  void OKButton_Click() { closed = Closed::OK; }
  void CancelButton_Click() { closed = Closed::Cancel; }
  enum class Closed { Open, OK, Cancel };
  Closed closed = Closed::Open;  // how it was closed last

 private:
  void CalculatedPeriod();
  // Before a forecast file is chosen: the forecast years start as the year after the
  // primary data's last (the boxes' own 2001-2013 fit no data).
  void ForecastYearsFromData();
  Workbench& bench_;
};

class Workbench {
 public:
  // `settings` may be null: nothing is then read or remembered. `dataFolder` is where
  // the file dialogs open.
  Workbench(Host& host, const SettingsStore* settings, std::string dataFolder);

  Workspace ws;
  MainForm form;
  // Writes every action that passes through the command table while it is set.
  SessionRecorder* recorder = nullptr;

  // Main window load: the last primary and secondary files come back.
  void Form_Load();

  // Sets the text of txtData(index); a text that differs from the current one runs the
  // change handler, as typing into the box would.
  void SetTxtData(int index, const std::string& text);
  // The loader: reads the file named by txtData(index) into its slot.
  void txtData_Change(int index);
  // The file dialog of a data file; a chosen file is loaded even when its name is the one
  // already in the box (the person asked for it again, perhaps after editing it).
  void cmdSelectFile_Click(int index, const std::string& title = kSelectDataFileTitle);
  // Returns the window to its state before any data was loaded.
  void cmdClear_Click();

  // "Select Matrix" gains the focus: the list is rebuilt from the filled slots and its
  // text kept.
  void cboArrays_GotFocus();
  // "&Grid Preview": the slot named by the list text goes to grid 3 when it differs from
  // the one shown last, to grid 2 when it is shown again.
  void cmdViewGrid_Click();
  // ">.00" (index 0) adds a decimal, "<.00" (index 1) takes one away, within 1..16.
  void cmdDecimals_Click(int index);
  // "&Excel Preview": the selected slot in a temporary workbook, opened by the desktop.
  void cmdViewMatrix_Click();
  // "Save as &Data File...": the selected slot as a Stata (.dta) or gretl (.gdt) data file
  // chosen in a save dialog (a slot of two matrices gives a second file, its name ending
  // in 2).
  void cmdSaveDataFile_Click();
  // Enter on a grid: its cells (as CopyGrid reads them) in a temporary workbook.
  void grdShow_KeyPress(int grid, const LabelledMatrix& cells);
  // A double click clears a grid.
  void grdShow_DblClick(int grid) { host_.ClearGrid(grid); }
  // The background label shows or hides the policy switch and the dynamic panel.
  void lblBack_Click();
  // "Close Dynamic Menu".
  void Command1_Click() { form.picMoreVisible = false; }
  // A mouse press on the columns box toggles the dynamic panel.
  void txtCols_MouseDown() { form.picMoreVisible = !form.picMoreVisible; }

  // The model stages.
  void cmdEXV_Click();
  void cmdInvert_Click();
  void cmdMultiply_Click();
  void cmdReciprocal_Click();
  void cmdTrend_Click();
  void cmdForecast_Click();
  void cmdRunAll_Click();
  void cmdSplitTable_Click();
  void cmdQ_Click(int index);
  // The option controls re-run stages.
  void chkDummy_Click();
  void chkReuse_Click();
  void lstImpVars_Click();
  // "&Plot/Chart Variables": the chart of the selected series.
  void cmdChart_Click();
  // The dynamic multipliers and the aspiration analysis.
  void cmdDynamicEndo_Click();
  void cmdDynamicExo_Click();
  void cmdDynamicX_Click();
  // "Dynamic Menu" and a click on the panel's background show or hide the dynamic panel.
  void cmdDynamicMenu_Click() { form.picMoreVisible = !form.picMoreVisible; }
  // The dynamic panel's list: txtDyn from its selection.
  void lstDyn_Click();
  void cmdAspire_Click();
  // "KALDRON": the input-output plan.
  void cmdKALDRON_Click();
  // "Build &Linear Programming Model...": the LP model text of a table.
  void mnuLindoModel_Click();
  // "&Solve...": the LP model solved (GLPK) into the slot "27. LP Solution", its ranges into
  // "28. LP Ranging" and the report into the text pane.
  void mnuSolve_Click();
  // "Open &Model...": an LP or MPS model file solved as "&Solve..." solves a table.
  void mnuOpenModel_Click();
  // "Save Model &As...": the LP model in CPLEX LP or free MPS form.
  void mnuSaveModel_Click();
  // The "Model" menu on the structural model (an estimated model file opened with "Open
  // Estimated Model...", else the loaded B-matrix): multipliers over time, dynamic and static
  // simulation with accuracy statistics, a scenario against the base, exact targets, and the
  // chart of a variable's paths.
  void mnuModelOpen_Click();
  void mnuModelMultipliers_Click();
  void mnuModelSimulate_Click(bool dynamic);
  void mnuModelScenario_Click();
  void mnuModelTarget_Click();
  void mnuModelChart_Click();
  // "ABS" redraws the chart with absolute predicted values.
  void chkAbs_Click();
  // The scale box redraws the chart.
  void txtScale_Change();
  // "Chart Options".
  void cmdChartTitle_Click();
  // The chart settings as the next drawing reads them.
  ChartSettings ReadChartSettings() const;
  // Reads settings of the program's section (their defaults without a store).
  SettingReader ProgramSettingReader() const;
  // The data file dialog ("Select Data File"); the chosen path of an existing file.
  std::optional<std::string> ChooseDataFile(const std::string& title = kSelectDataFileTitle);
  // The prediction shift of the trend analysis: given here, it is used instead of the
  // setting "ShiftPrediction" (which defaults to 1).
  void SetShift(std::optional<int> shift) { shift_ = shift; }
  // A double click on the command panel asks for the change symbol of built labels.
  void Picture1_DblClick();

  // The regressions: "&Lead Transformation", "Lag &Transformation", "&Y-Variable on
  // Constant" (the B-matrix shown in grid 3).
  void RunRegressionMenu(RegMethod method);
  // "&Normal Variable" and "Create B-Matrix": the B table becomes the secondary data file.
  void mnuNormal_Click();
  // "&Lag Change Transformation" and "Create Change".
  void mnuLagChangeTrans_Click();

  // The "Input-Output" menu (InputOutputCommands.cpp): its results go to the slots 37 to 42.
  void RunInputOutputMenu(IoMenuItem item);

  // The matrix operations menu.
  void RunMatrixMenu(MatrixMenuItem item);

  // The data file dialog with that title ("Select Data File" when empty): the chosen path of
  // an existing file, or nothing.
  std::optional<std::string> ChooseMatrixFile(const std::string& title);
  // The first sheet's used range of a data file: unassigned when the path names no file, or
  // when the file cannot be read, which fails the command with a box naming the file.
  LabelledMatrix ExcelArrayLoad(const std::string& path);
  // The file dialog, then the chosen file loaded; unassigned when nothing was chosen.
  LabelledMatrix LoadMatrixFile(const std::string& title);

  const std::string& DataFolder() const { return dataFolder_; }
  Host& HostRef() { return host_; }
  const SettingsStore* Settings() const { return settings_; }
  // The forecast dialog while it is loaded, else null.
  ForecastOptions* ForecastDialog() { return forecast_.get(); }
  // "Other Chart Options" while it is open, else null.
  ChartOptionsState* ChartOptionsDialog() { return chartOptions_; }

  // "KRV Editor" and "&KRV Worksheet Editor...": opens the worksheet editor (a new
  // worksheet the first time) and brings its window up.
  void cmdEdt_Click();
  // The worksheet editor while it is open, else null.
  WorksheetEditor* Editor() { return editor_.get(); }

  // The outcome of the last action carried out through the command table (or, for a handler
  // called directly, of everything since the last such action).
  const Outcome& LastOutcome() const { return outcome_.Current(); }
  OutcomeLog& Outcomes() { return outcome_; }
  // The only three ways a handler raises a box; the box's icon follows from the kind.
  // Fail tells a failure (an error icon, whatever icon `buttons` names; only its button set
  // is kept) and records it as the outcome.
  void Fail(const std::string& message, int buttons = vbOKOnly, const std::optional<std::string>& title = std::nullopt);
  // Warn tells, in one box with a warning icon, what was doubtful in the input of results
  // that were computed all the same, and records the outcome as warned.
  void Warn(const StageNotices& notices);
  // A failure the window passes over in silence, as the program always has (an aspiration
  // text without a number of years): the command line and the script player say it.
  void FailQuietly(const std::string& message) { outcome_.Fail(message, false); }
  // A single warning told in its own words (a fixed message of the program's).
  void Warn(const std::string& message, const std::optional<std::string>& title = std::nullopt);
  // Note tells something done (an information icon); the outcome does not change.
  void Note(const std::string& message, const std::optional<std::string>& title = std::nullopt);
  // Records that a question was declined and the command did nothing.
  void Cancelled() { outcome_.Cancel(); }
  // Unloads the editor: asks about unsaved changes first. True when it is closed (or was
  // not open); false when the person chose to keep it.
  bool UnloadEditor();
  // "&Exit" and "Quit": the editor is unloaded first (its question may keep both open),
  // then the windows close.
  void Exit();

  // Analyze > "Estimate System...": opens the estimation window (kept with its text while
  // the workbench lives) and brings it up.
  void mnuEstimateSystem_Click();
  // Help > Help Topics: the guide opened with the desktop's program for it, and where the
  // guide and the manual pages are. The guide is the first folders' guide.md found.
  void mnuHelpTopics_Click();
  void SetGuideFolders(std::vector<std::string> folders) { guideFolders_ = std::move(folders); }
  // The estimation window while it is open, else null; closing it keeps nothing.
  SystemEstimationWindow* EstimationWindow() { return estimation_.get(); }
  void CloseEstimationWindow();

  // Stores `path` as the last file under `key` when it loaded and is not a temporary preview.
  void RememberLastFile(const char* key, const std::string& path, bool loaded);

 private:
  void SaveSetting(const char* section, const char* key, const std::string& value);
  // The LP solve's limits from the settings (LpTimeLimit seconds, LpIterationLimit), with
  // progress and Cancel in the wait window.
  LpSolveOptions LpOptions();
  // The outcome into the LP Solution and LP Ranging slots, its report into the text pane.
  void ShowLpOutcome(const LpOutcome& outcome, const std::string& modelName);
  void LoadPrimary(const std::string& path);
  void LoadSecondary(const std::string& path);
  // New data or a new B-matrix: the model worked out from the last ones goes (its slots,
  // which Select Matrix would list, the impact variables, the series to chart), and the
  // buttons of the later stages wait for the model to be run again; a new B-matrix also
  // takes the split of the last one.
  void ForgetModel(bool newBMatrix);
  LabelledMatrix LoadAMatCompanion(const std::string& path);
  bool startingUp_ = false;  // the last files come back (Form_Load): one that is gone is quiet
  // Shows again the secondary and extended files still loaded, in their own grids.
  void ShowLoadedInputs();
  void LoadExtended(const std::string& path);
  // The chosen file loaded, or unassigned when none was chosen.
  LabelledMatrix LoadChosen(const std::optional<std::string>& path);
  // A matrix operation's result stored in mLindoBase and shown, and the command said done
  // (or not complete, when statements overflowed).
  // `source` names the file the result came from, for a failure's message.
  void FinishMatrixMenu(MatrixMenuItem item, LabelledMatrix result, const OverflowWatch& watch,
                        const std::string& source);
  bool MatrixFilesChosen(std::initializer_list<const std::optional<std::string>*> paths);

  Host& host_;
  const SettingsStore* settings_;
  std::string dataFolder_;
  std::vector<std::string> guideFolders_;
  std::string aspireOffered_;  // the aspiration example the last data put in the box
  // CreateBMatrix on the primary data file, or on mObserved named after "Matrix.arr";
  // false when it stopped.
  bool CreateBMatrixFromData(RegMethod method, bool fromObserved, RegressionResult& result);
  // An option control presses `button` (when it is enabled), itself disabled meanwhile.
  void PressWhileDisabled(const char* control, const char* button, void (Workbench::*press)());
  // A normal-variable B table becomes the secondary data file and the model's B-matrix.
  void TakeRegressionB(const RegressionResult& result);
  // " @ 1% Sig." or " @ 5% Sig.", after the chosen level.
  std::string SignificanceCaption() const;
  // Shows what the stages found wrong in their inputs, in one notice; inside a chain of
  // stages (Run ALL) they are gathered until the chain ends.
  // Opens a written workbook with the desktop's program, or says where it is.
  void OpenWritten(const std::string& path);
  void Notify(const StageNotices& notices);
  // "Matrices are not compatible!", once, when a stage met sums of matrices of other shapes.
  // `result` is what the stage computed: a failure when it holds no number at all.
  void ShowIncompatibleSums(int count, const LabelledMatrix& result);
  void ShowIncompatibleSums(int count, bool anyResult);
  // A stage's end: its failure, when it has one, in one box with its notices; else the
  // notices as a warning.
  void Conclude(const std::string& failure, const StageNotices& notices);
  // Status texts and intermediate matrices of a long computation, shown as they come.
  StageWatch Watch();
  // Shows a stage's matrices in their grids, in order.
  void ShowPreviews(const std::vector<GridPreview>& previews);
  // Splits the model, asking for the number of endogenous variables unless the stages re-run;
  // false when nothing was split (the question cancelled or not answered with a number from 1).
  // The split's notices go to `notices` when given.
  // `sectors`: the question is KALDRON's, whose answer is a number of sectors (offered: the
  // table's columns; more than those is refused).
  bool SplitModelAsking(StageNotices* notices, bool sectors = false);
  void ShowNotices(const StageNotices& notices) { Warn(notices); }
  // A failure met inside a chain of stages (Run ALL): told when the chain ends, with what the
  // chain noticed, or at once outside a chain.
  void FailInChain(const std::string& message);
  std::string chainFailure_;
  // Shows what a chain of stages gathered (and the statements that overflowed meanwhile),
  // and ends the gathering.
  void FlushChainNotices();
  StageNotices* chainNotices_ = nullptr;
  const OverflowWatch* chainOverflows_ = nullptr;
  // The trend chart of the selected series; `predictedWord` names the calculated series,
  // `closingPreviews` shows the sources in grids 0..2 afterwards.
  void DrawTrendChart(const std::string& predictedWord, bool closingPreviews);
  std::string sDynSelection_;  // the last txtDyn text "Dynamic" saw
  // The LP model's table: mLindoBase, or a table chosen now; false when none was chosen.
  bool LpTable();
  // A table chosen now as the LP model's (chkRHS set from it); false when none was chosen.
  bool LoadLpTable();
  // False, with a message naming the row and cell and `consequence`, when the LP table's
  // relations or right-hand sides do not read, or two variables have one name.
  bool LpTableReads(const std::string& consequence);
  // "Forecast Options" (loaded when it is not); true when OK closed it.
  bool ShowForecastDialog();
  int lastGridPreview_ = 0;
  std::string structuralModelPath_;  // the estimated model file the "Model" menu works on
  // The endogenous variable the "Model" menu's chart shows: its actual, simulated and
  // scenario paths.
  void ChartModelVariable(const std::string& name);
  // The simulated variables a chart may show, separated by commas.
  std::string SimulatedNames() const;
  std::optional<int> shift_;
  std::unique_ptr<ForecastOptions> forecast_;
  ChartOptionsState* chartOptions_ = nullptr;
  std::unique_ptr<WorksheetEditor> editor_;
  OutcomeLog outcome_;
  std::unique_ptr<SystemEstimationWindow> estimation_;
  // What "Estimate System" held when it was last closed, for its next opening.
  struct EstimationTexts {
    std::string txtSystem, systemPath;
    int cboMethodIndex = 2;
    std::string txtSample;
  };
  std::optional<EstimationTexts> estimationKept_;
  std::shared_ptr<InputOutputSession> io_;  // the table the "Input-Output" menu analysed last
};

// The B-matrix file that regression stores beside a primary data file: the primary
// file's path without its extension, followed by "_NOR_BMAT.CSV".
std::string PairedBMatPath(const std::string& primaryPath);
// The A-matrix companion of a B-matrix file: every "BMAT" in its file name becomes
// "AMAT".
std::string AMatPathOf(const std::string& bmatPath);

}  // namespace quantorial
