#include "workbench/CommandTable.h"

#include <algorithm>
#include <functional>
#include <map>
#include <new>
#include <stdexcept>
#include <tuple>

#include "matrix/MatrixFunctions.h"
#include "workbench/SessionRecorder.h"
#include "workbench/Workbench.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

using K = ControlKind;

struct Handler {
  ControlEntry entry;
  std::function<void(Workbench&)> click;
  std::function<void(Workbench&)> dblclick;
  std::function<void(Workbench&, const std::string&)> set;
  std::function<void(Workbench&, bool)> check;  // check boxes; option buttons are chosen with true
  // A list's or combo box's items, and the handler of a new selection (indices).
  std::function<std::vector<std::string>(Workbench&)> items;
  std::function<void(Workbench&, const std::vector<int>&)> select;
  bool multiSelect = false;
  // A grid's cell addressed by its indices in the name ("frmEdit.Fg2(3,2)"): its text set.
  std::function<void(Workbench&, int, int, const std::string&)> setCell;
};

std::string Indexed(const char* name, int i) { return std::string(name) + "(" + std::to_string(i) + ")"; }

// Two whole numbers "a,b" (a cell's row and column, or a key code and its shift state).
std::optional<std::pair<int, int>> CellAddress(std::string_view s) {
  const std::size_t comma = s.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  const auto a = WholeNumberRounded(s.substr(0, comma));
  const auto b = WholeNumberRounded(s.substr(comma + 1));
  if (!a || !b) return std::nullopt;
  return std::make_pair(*a, *b);
}

ForecastOptions* Forecast(Workbench& wb) { return wb.ForecastDialog(); }

std::vector<Handler> BuildHandlers() {
  std::vector<Handler> t;
  auto button = [&](std::string name, std::function<void(Workbench&)> f, K kind = K::Button) {
    Handler h;
    h.entry = {std::move(name), kind};
    h.click = std::move(f);
    t.push_back(std::move(h));
  };
  auto menu = [&](std::string name, std::function<void(Workbench&)> f) {
    button(std::move(name), std::move(f), K::MenuItem);
  };
  auto text = [&](std::string name, std::function<void(Workbench&, const std::string&)> f, bool path = false,
                  bool onCommit = false) {
    Handler h;
    h.entry = {std::move(name), K::TextBox, path, onCommit};
    h.set = std::move(f);
    t.push_back(std::move(h));
  };
  auto checkBox = [&](std::string name, std::function<void(Workbench&, bool)> f) {
    Handler h;
    h.entry = {std::move(name), K::CheckBox};
    h.check = std::move(f);
    t.push_back(std::move(h));
  };
  auto option = [&](std::string name, std::function<void(Workbench&)> f) {
    Handler h;
    h.entry = {std::move(name), K::OptionButton};
    h.check = [f = std::move(f)](Workbench& wb, bool on) {
      if (on) f(wb);
    };
    t.push_back(std::move(h));
  };

  // ---- the main window: data files and the planning tools ----
  for (int i = 0; i < 3; ++i) {
    button(Indexed("cmdSelectFile", i), [i](Workbench& wb) { wb.cmdSelectFile_Click(i); });
    text(
        Indexed("txtData", i), [i](Workbench& wb, const std::string& s) { wb.SetTxtData(i, s); }, true, true);
  }
  text("txtRows", [](Workbench& wb, const std::string& s) { wb.form.txtRows = s; });
  text("txtCols", [](Workbench& wb, const std::string& s) { wb.form.txtCols = s; });
  button(
      "txtCols.MouseDown", [](Workbench& wb) { wb.txtCols_MouseDown(); }, K::Panel);
  button(
      "lblBack", [](Workbench& wb) { wb.lblBack_Click(); }, K::Label);
  button("cmdNormalVarReg", [](Workbench& wb) { wb.mnuNormal_Click(); });
  button("cmdKALDRON", [](Workbench& wb) { wb.cmdKALDRON_Click(); });
  button("cmdEdt", [](Workbench& wb) { wb.cmdEdt_Click(); });
  button("cmdQuit", [](Workbench& wb) { wb.Exit(); });
  button("cmdAspire", [](Workbench& wb) { wb.cmdAspire_Click(); });
  text("txtAspire", [](Workbench& wb, const std::string& s) { wb.form.txtAspire = s; });

  // ---- the model ----
  button("cmdEXV", [](Workbench& wb) { wb.cmdEXV_Click(); });
  button("cmdInvert", [](Workbench& wb) { wb.cmdInvert_Click(); });
  button("cmdMultiply", [](Workbench& wb) { wb.cmdMultiply_Click(); });
  button("cmdReciprocal", [](Workbench& wb) { wb.cmdReciprocal_Click(); });
  button("cmdTrend", [](Workbench& wb) { wb.cmdTrend_Click(); });
  button("cmdForecast", [](Workbench& wb) { wb.cmdForecast_Click(); });
  button("cmdChange", [](Workbench& wb) { wb.mnuLagChangeTrans_Click(); });
  button("cmdRunAll", [](Workbench& wb) { wb.cmdRunAll_Click(); });
  button("cmdSplitTable", [](Workbench& wb) { wb.cmdSplitTable_Click(); });
  button("cmdClear", [](Workbench& wb) { wb.cmdClear_Click(); });
  for (int q = 0; q < 4; ++q) button(Indexed("cmdQ", q), [q](Workbench& wb) { wb.cmdQ_Click(q); });
  // A double click on the command panel asks for the change symbol.
  Handler panel;
  panel.entry = {"Picture1", K::Panel};
  panel.dblclick = [](Workbench& wb) { wb.Picture1_DblClick(); };
  t.push_back(std::move(panel));

  // ---- the options of the linear model ----
  checkBox("chkDummy", [](Workbench& wb, bool on) {
    wb.form.chkDummy = on ? 1 : 0;
    wb.chkDummy_Click();
  });
  checkBox("chkReuse", [](Workbench& wb, bool on) {
    wb.form.chkReuse = on ? 1 : 0;
    wb.chkReuse_Click();
  });
  checkBox("chkAbs", [](Workbench& wb, bool on) {
    wb.form.chkAbs = on ? 1 : 0;
    wb.chkAbs_Click();
  });
  checkBox("chkOnePercent", [](Workbench& wb, bool on) { wb.form.chkOnePercent = on ? 1 : 0; });
  option("opt1Percent", [](Workbench& wb) { wb.form.useOnePercent = true; });
  option("opt5Percent", [](Workbench& wb) { wb.form.useOnePercent = false; });
  {
    Handler h;
    h.entry = {"lstImpVars", K::List};
    h.multiSelect = true;
    h.items = [](Workbench& wb) { return wb.form.lstImpVars; };
    h.select = [](Workbench& wb, const std::vector<int>& chosen) {
      auto& selected = wb.form.lstImpVarsSelected;
      selected.assign(wb.form.lstImpVars.size(), false);
      for (int i : chosen) selected[static_cast<std::size_t>(i)] = true;
      wb.lstImpVars_Click();
    };
    t.push_back(std::move(h));
  }
  checkBox("chkSave", [](Workbench& wb, bool on) { wb.form.chkSave = on ? 1 : 0; });
  checkBox("chkVV", [](Workbench& wb, bool on) { wb.form.chkVV = on ? 1 : 0; });
  checkBox("chkRHS", [](Workbench& wb, bool on) { wb.form.chkRHS = on ? 1 : 0; });

  // ---- viewing ----
  {
    Handler h;
    h.entry = {"cboArrays", K::ComboBox};
    // The list is made anew from the filled slots when it gains the focus.
    h.items = [](Workbench& wb) {
      wb.cboArrays_GotFocus();
      return wb.form.cboArrays;
    };
    h.select = [](Workbench& wb, const std::vector<int>& chosen) {
      wb.form.cboArraysText = chosen.empty() ? std::string() : wb.form.cboArrays[static_cast<std::size_t>(chosen[0])];
    };
    t.push_back(std::move(h));
  }
  button("cmdViewGrid", [](Workbench& wb) { wb.cmdViewGrid_Click(); });
  button("cmdViewMatrix", [](Workbench& wb) { wb.cmdViewMatrix_Click(); });
  button("cmdSaveDataFile", [](Workbench& wb) { wb.cmdSaveDataFile_Click(); });
  button("cmdDecimals(0)", [](Workbench& wb) { wb.cmdDecimals_Click(0); });
  button("cmdDecimals(1)", [](Workbench& wb) { wb.cmdDecimals_Click(1); });
  text("txtScale", [](Workbench& wb, const std::string& s) {
    wb.form.txtScale = s;
    wb.txtScale_Change();
  });
  {
    Handler h;
    h.entry = {"cboPlot", K::ComboBox};
    h.items = [](Workbench& wb) { return wb.form.cboPlot; };
    h.select = [](Workbench& wb, const std::vector<int>& chosen) {
      wb.form.cboPlotIndex = chosen.empty() ? -1 : chosen[0];
    };
    t.push_back(std::move(h));
  }
  button("cmdChart", [](Workbench& wb) { wb.cmdChart_Click(); });
  button("cmdChartTitle", [](Workbench& wb) { wb.cmdChartTitle_Click(); });
  // The grids: Enter writes a grid's cells to a workbook, a double click clears it.
  for (int g = 0; g < 6; ++g) {
    Handler h;
    h.entry = {Indexed("grdShow", g), K::Grid};
    h.click = [g](Workbench& wb) { wb.grdShow_KeyPress(g, wb.HostRef().CopyGrid(g)); };
    h.dblclick = [g](Workbench& wb) { wb.grdShow_DblClick(g); };
    t.push_back(std::move(h));
  }

  // ---- the dynamic panel ----
  for (int i = 0; i < 3; ++i) {
    option(Indexed("optDyn", i), [i](Workbench& wb) { wb.form.optDyn = i; });
  }
  text("txtDyn", [](Workbench& wb, const std::string& s) { wb.form.txtDyn = s; });
  {
    Handler h;
    h.entry = {"lstDyn", K::List};
    h.multiSelect = true;
    h.items = [](Workbench& wb) { return wb.form.lstDyn; };
    h.select = [](Workbench& wb, const std::vector<int>& chosen) {
      wb.form.lstDynSelected.assign(wb.form.lstDyn.size(), false);
      for (int i : chosen) wb.form.lstDynSelected[static_cast<std::size_t>(i)] = true;
      wb.lstDyn_Click();
    };
    t.push_back(std::move(h));
  }
  button("cmdDynamicX", [](Workbench& wb) { wb.cmdDynamicX_Click(); });
  button("cmdDynamicEndo", [](Workbench& wb) { wb.cmdDynamicEndo_Click(); });
  button("cmdDynamicExo", [](Workbench& wb) { wb.cmdDynamicExo_Click(); });
  button("cmdDynamicMenu", [](Workbench& wb) { wb.cmdDynamicMenu_Click(); });
  button(
      "picMore", [](Workbench& wb) { wb.cmdDynamicMenu_Click(); }, K::Panel);
  text("txtExtd", [](Workbench& wb, const std::string& s) { wb.form.txtExtd = s; });
  button("Command1", [](Workbench& wb) { wb.Command1_Click(); });

  // ---- the menus ----
  menu("mnuData1", [](Workbench& wb) { wb.cmdSelectFile_Click(0); });
  menu("mnuData2", [](Workbench& wb) { wb.cmdSelectFile_Click(1); });
  menu("mnuExit", [](Workbench& wb) { wb.Exit(); });
  menu("mnuLagChangeTrans", [](Workbench& wb) { wb.mnuLagChangeTrans_Click(); });
  menu("mnuLead", [](Workbench& wb) { wb.RunRegressionMenu(RegMethod::Lead); });
  menu("mnuLag", [](Workbench& wb) { wb.RunRegressionMenu(RegMethod::Lag); });
  menu("mnuY", [](Workbench& wb) { wb.RunRegressionMenu(RegMethod::Constant); });
  menu("mnuNormal", [](Workbench& wb) { wb.mnuNormal_Click(); });
  for (const auto& e : MatrixMenuEntries()) {
    const MatrixMenuItem item = e.item;
    menu(e.name, [item](Workbench& wb) { wb.RunMatrixMenu(item); });
  }
  for (const auto& e : InputOutputMenuEntries()) {
    const IoMenuItem item = e.item;
    menu(e.name, [item](Workbench& wb) { wb.RunInputOutputMenu(item); });
  }
  menu("mnuLindoModel", [](Workbench& wb) { wb.mnuLindoModel_Click(); });
  menu("mnuSolve", [](Workbench& wb) { wb.mnuSolve_Click(); });
  menu("mnuSaveModel", [](Workbench& wb) { wb.mnuSaveModel_Click(); });
  menu("mnuOpenModel", [](Workbench& wb) { wb.mnuOpenModel_Click(); });
  // The "Model" menu: the structural model's multipliers, simulations, scenario and targets.
  menu("mnuModelOpen", [](Workbench& wb) { wb.mnuModelOpen_Click(); });
  menu("mnuModelMultipliers", [](Workbench& wb) { wb.mnuModelMultipliers_Click(); });
  menu("mnuModelSimulate", [](Workbench& wb) { wb.mnuModelSimulate_Click(true); });
  menu("mnuModelSimulateStatic", [](Workbench& wb) { wb.mnuModelSimulate_Click(false); });
  menu("mnuModelScenario", [](Workbench& wb) { wb.mnuModelScenario_Click(); });
  menu("mnuModelTarget", [](Workbench& wb) { wb.mnuModelTarget_Click(); });
  menu("mnuModelChart", [](Workbench& wb) { wb.mnuModelChart_Click(); });
  menu("mnuEditor", [](Workbench& wb) { wb.cmdEdt_Click(); });
  menu("mnuCalc", [](Workbench& wb) { wb.HostRef().WindowService("Calculator"); });
  menu("mnuCalendar", [](Workbench&) {});
  menu("mnuHelpTopics", [](Workbench& wb) { wb.mnuHelpTopics_Click(); });
  menu("mnuTips", [](Workbench& wb) { wb.HostRef().WindowService("Tips"); });
  menu("mnuAbout", [](Workbench& wb) { wb.HostRef().WindowService("About"); });
  menu("mnuRecord", [](Workbench& wb) { wb.HostRef().WindowService("Record"); });
  t.back().entry.recorded = false;

  // ---- frmForecast, "Forecast Options" ----
  auto forecastText = [&](const char* name, std::string ForecastOptions::*field) {
    text(std::string("frmForecast.") + name,
         [field](Workbench& wb, const std::string& s) { Forecast(wb)->*field = s; });
  };
  forecastText("txtFromYr", &ForecastOptions::txtFromYr);
  forecastText("txtToYr", &ForecastOptions::txtToYr);
  forecastText("txtFromYear", &ForecastOptions::txtFromYear);
  forecastText("txtToYear", &ForecastOptions::txtToYear);
  text(
      "frmForecast.txtData(0)", [](Workbench& wb, const std::string& s) { Forecast(wb)->SetTxtData(s); }, true, true);
  button("frmForecast.cmdSelectFile", [](Workbench& wb) { Forecast(wb)->cmdSelectFile_Click(); });
  button("frmForecast.OKButton", [](Workbench& wb) { Forecast(wb)->OKButton_Click(); });
  button("frmForecast.CancelButton", [](Workbench& wb) { Forecast(wb)->CancelButton_Click(); });

  // ---- frmChartOptions, "Other Chart Options" ----
  for (const ChartOption& o : ChartOptionTable()) {
    const std::string name = std::string("frmChartOptions.") + o.control;
    const std::string key = o.key;
    if (o.kind == ChartOptionKind::Check) {
      checkBox(name, [key](Workbench& wb, bool on) { wb.ChartOptionsDialog()->Set(key, on ? "1" : "0"); });
    } else {
      text(name, [key](Workbench& wb, const std::string& s) { wb.ChartOptionsDialog()->Set(key, s); });
    }
  }
  button("frmChartOptions.OKButton", [](Workbench& wb) { wb.ChartOptionsDialog()->OKButton_Click(); });
  button("frmChartOptions.CancelButton", [](Workbench& wb) { wb.ChartOptionsDialog()->CancelButton_Click(); });
  button("frmChartOptions.cmdDefaults", [](Workbench& wb) { wb.ChartOptionsDialog()->cmdDefaults_Click(); });

  // ---- the windows that only show something: the about box, the tip of the day, the chart ----
  // Their controls act on the window itself, through the host. They are not recorded: a
  // session replayed elsewhere has no such windows open.
  for (const char* name :
       {"frmAbout.cmdClose", "frmAbout.cmdVersion", "frmTip.cmdNextTip", "frmTip.cmdOK", "frmChart.cmdSavePicture"}) {
    button(name, [name](Workbench& wb) { wb.HostRef().WindowControl(name, std::string()); });
    t.back().entry.recorded = false;
  }
  checkBox("frmTip.chkLoadTipsAtStartup",
           [](Workbench& wb, bool on) { wb.HostRef().WindowControl("frmTip.chkLoadTipsAtStartup", on ? "1" : "0"); });
  t.back().entry.recorded = false;

  // ---- frmEdit, "KRV Worksheet" ----
  auto editorMenu = [&](const char* name, void (WorksheetEditor::*f)()) {
    menu(std::string("frmEdit.") + name, [f](Workbench& wb) { (wb.Editor()->*f)(); });
  };
  auto editorMenuAsking = [&](const char* name, bool (WorksheetEditor::*f)()) {
    menu(std::string("frmEdit.") + name, [f](Workbench& wb) { (wb.Editor()->*f)(); });
  };
  editorMenu("mnuNew", &WorksheetEditor::mnuNew_Click);
  editorMenu("mnuOpen", &WorksheetEditor::mnuOpen_Click);
  editorMenuAsking("mnuSave", &WorksheetEditor::mnuSave_Click);
  editorMenuAsking("mnuSaveAs", &WorksheetEditor::mnuSaveAs_Click);
  editorMenu("mnuClose", &WorksheetEditor::mnuClose_Click);
  menu("frmEdit.mnuExit", [](Workbench& wb) { wb.UnloadEditor(); });
  editorMenu("mnuUndo", &WorksheetEditor::mnuUndo_Click);
  editorMenu("mnuRedo", &WorksheetEditor::mnuRedo_Click);
  editorMenu("mnuCut", &WorksheetEditor::mnuCut_Click);
  editorMenu("mnuCopy", &WorksheetEditor::mnuCopy_Click);
  editorMenu("mnuPaste", &WorksheetEditor::mnuPaste_Click);
  editorMenu("mnuDelete", &WorksheetEditor::mnuDelete_Click);
  editorMenu("mnuHelpTopics", &WorksheetEditor::mnuHelpTopics_Click);
  editorMenu("mnuAbout", &WorksheetEditor::mnuAbout_Click);
  {
    // The grid: "set" makes a cell current ("3,2"), "dblclick" starts editing it with its
    // text, and a cell named by its indices takes a text as if typed and committed.
    Handler h;
    h.entry = {"frmEdit.Fg2", K::Grid};
    h.set = [](Workbench& wb, const std::string& s) {
      if (const auto rc = CellAddress(s)) wb.Editor()->Fg2_RowColChange(rc->first, rc->second);
    };
    h.dblclick = [](Workbench& wb) { wb.Editor()->Fg2_DblClick(); };
    h.setCell = [](Workbench& wb, int row, int col, const std::string& s) { wb.Editor()->SetCellText(row, col, s); };
    t.push_back(std::move(h));
  }
  text("frmEdit.Fg2.Selection", [](Workbench& wb, const std::string& s) {
    const std::size_t colon = s.find(':');
    const auto from = CellAddress(s.substr(0, colon));
    const auto to = colon == std::string::npos ? from : CellAddress(s.substr(colon + 1));
    if (from && to) wb.Editor()->Fg2_SelChange(from->first, from->second, to->first, to->second);
  });
  t.back().entry.kind = K::Grid;
  text("frmEdit.Fg2.KeyPress", [](Workbench& wb, const std::string& s) { wb.Editor()->Fg2_KeyPressText(s); });
  t.back().entry.kind = K::Grid;
  text("frmEdit.Fg2.KeyDown", [](Workbench& wb, const std::string& s) {
    if (const auto k = CellAddress(s.find(',') == std::string::npos ? s + ",0" : s)) {
      wb.Editor()->Fg2_KeyDown(k->first, k->second);
    }
  });
  t.back().entry.kind = K::Grid;
  text("frmEdit.txtEdit", [](Workbench& wb, const std::string& s) { wb.Editor()->txtEdit_Change(s); });
  text("frmEdit.txtEdit.KeyDown", [](Workbench& wb, const std::string& s) {
    if (const auto k = CellAddress(s.find(',') == std::string::npos ? s + ",0" : s)) {
      wb.Editor()->txtEdit_KeyDown(k->first, k->second);
    }
  });

  // ---- frmEstimate, "Estimate System" ----
  menu("mnuEstimateSystem", [](Workbench& wb) { wb.mnuEstimateSystem_Click(); });
  // The system text travels on one line, its line breaks written "\n".
  text("frmEstimate.txtSystem",
       [](Workbench& wb, const std::string& s) { wb.EstimationWindow()->txtSystem = UnescapeLineBreaks(s); });
  {
    Handler h;
    h.entry = {"frmEstimate.cboMethod", K::ComboBox};
    h.items = [](Workbench&) { return SystemEstimationWindow::Methods(); };
    h.select = [](Workbench& wb, const std::vector<int>& chosen) {
      if (!chosen.empty()) wb.EstimationWindow()->cboMethodIndex = chosen[0];
    };
    t.push_back(std::move(h));
  }
  text("frmEstimate.txtSample", [](Workbench& wb, const std::string& s) { wb.EstimationWindow()->txtSample = s; });
  button("frmEstimate.cmdOpenSystem", [](Workbench& wb) { wb.EstimationWindow()->cmdOpenSystem_Click(); });
  button("frmEstimate.cmdSaveSystem", [](Workbench& wb) { wb.EstimationWindow()->cmdSaveSystem_Click(); });
  button("frmEstimate.cmdEstimate", [](Workbench& wb) { wb.EstimationWindow()->cmdEstimate_Click(); });
  button("frmEstimate.cmdSaveReport", [](Workbench& wb) { wb.EstimationWindow()->cmdSaveReport_Click(); });
  button("frmEstimate.cmdUseInWorkbench", [](Workbench& wb) { wb.EstimationWindow()->cmdUseInWorkbench_Click(); });
  button("frmEstimate.cmdClose", [](Workbench& wb) { wb.CloseEstimationWindow(); });
  return t;
}

const std::vector<Handler>& Handlers() {
  static const std::vector<Handler> handlers = BuildHandlers();
  return handlers;
}

const std::vector<ControlEntry>& Entries() {
  static const std::vector<ControlEntry> entries = [] {
    std::vector<ControlEntry> e;
    for (const auto& h : Handlers()) e.push_back(h.entry);
    return e;
  }();
  return entries;
}

const Handler* FindHandler(std::string_view name) {
  static const std::map<std::string, const Handler*, std::less<>> byName = [] {
    std::map<std::string, const Handler*, std::less<>> m;
    for (const auto& h : Handlers()) m[h.entry.name] = &h;
    return m;
  }();
  const auto it = byName.find(name);
  return it == byName.end() ? nullptr : it->second;
}

const char* Word(ActionKind k) {
  switch (k) {
    case ActionKind::Click:
      return "click";
    case ActionKind::DblClick:
      return "dblclick";
    case ActionKind::Set:
      return "set";
    case ActionKind::Check:
      return "check";
    case ActionKind::Choose:
      return "choose";
    case ActionKind::Select:
      return "select";
  }
  return "click";
}

// A grid cell named by its indices ("frmEdit.Fg2(3,2)", from 1): the grid's handler and the
// cell, or null.
std::pair<const Handler*, std::pair<int, int>> FindAddressedCell(std::string_view name) {
  const std::size_t open = name.find('(');
  if (name.size() < 2 || name.back() != ')' || open == std::string_view::npos) return {nullptr, {}};
  const Handler* grid = FindHandler(name.substr(0, open));
  const auto cell = CellAddress(name.substr(open + 1, name.size() - open - 2));
  if (!grid || !grid->setCell || !cell || cell->first < 1 || cell->second < 1) return {nullptr, {}};
  return {grid, *cell};
}

// The window a form's control belongs to must be open.
bool FormOpen(Workbench& wb, std::string_view name, std::string& error) {
  if (name.rfind("frmForecast.", 0) == 0 && !wb.ForecastDialog()) {
    error = "\"Forecast Options\" (frmForecast) is not open";
    return false;
  }
  for (const char* form : {"frmAbout", "frmTip", "frmChart"}) {
    if (name.rfind(std::string(form) + ".", 0) == 0 && !wb.HostRef().WindowOpen(form)) {
      error = std::string(form) + " is not open";
      return false;
    }
  }
  if (name.rfind("frmEdit.", 0) == 0 && !wb.Editor()) {
    error = "\"KRV Worksheet\" (frmEdit) is not open";
    return false;
  }
  if (name.rfind("frmEstimate.", 0) == 0 && !wb.EstimationWindow()) {
    error = "\"Estimate System\" (frmEstimate) is not open";
    return false;
  }
  if (name.rfind("frmChartOptions.", 0) == 0 && !wb.ChartOptionsDialog()) {
    error = "\"Other Chart Options\" (frmChartOptions) is not open";
    return false;
  }
  return true;
}

// The indices of the items named in a selection; false with the reason for one that is
// not in the list.
bool ItemIndices(const std::vector<std::string>& items, const std::vector<std::string>& wanted, std::vector<int>& out,
                 std::string& error) {
  out.clear();
  for (const std::string& w : wanted) {
    int index = -1;
    if (w.size() > 1 && w[0] == '#') {
      const auto n = WholeNumberRounded(w.substr(1));
      if (n && *n >= 0 && *n < static_cast<int>(items.size())) index = *n;
    } else {
      const auto it = std::find(items.begin(), items.end(), w);
      if (it != items.end()) index = static_cast<int>(it - items.begin());
    }
    if (index < 0) {
      error = "the list has no item \"" + w + "\"";
      if (!items.empty()) {
        error += "; its items are:";
        for (const auto& i : items) error += " \"" + i + "\"";
      }
      return false;
    }
    out.push_back(index);
  }
  return true;
}

}  // namespace

std::span<const ControlEntry> ControlTable() { return Entries(); }

const ControlEntry* FindControl(std::string_view name) {
  const Handler* h = FindHandler(name);
  if (!h) h = FindAddressedCell(name).first;
  return h ? &h->entry : nullptr;
}

std::string ActionLine(const Action& a) {
  std::string line = std::string(Word(a.kind)) + " " + a.control;
  switch (a.kind) {
    case ActionKind::Set:
      line += " " + a.text;
      break;
    case ActionKind::Check:
      line += " " + a.text;
      break;
    case ActionKind::Select:
      for (std::size_t i = 0; i < a.items.size(); ++i) line += (i == 0 ? " " : "|") + a.items[i];
      break;
    default:
      break;
  }
  return line;
}

std::optional<Action> ParseAction(std::string_view line, std::string& error) {
  const std::size_t blank = line.find(' ');
  const std::string word(line.substr(0, blank));
  const std::string_view rest = blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
  const std::size_t nameEnd = rest.find(' ');
  Action a;
  a.control = std::string(rest.substr(0, nameEnd));
  const std::string arg = nameEnd == std::string_view::npos ? std::string() : std::string(rest.substr(nameEnd + 1));
  if (a.control.empty()) {
    error = word.empty() ? "an empty action" : "\"" + word + "\" needs a control name";
    return std::nullopt;
  }
  if (word == "click" || word == "dblclick" || word == "choose") {
    a.kind = word == "click" ? ActionKind::Click : word == "dblclick" ? ActionKind::DblClick : ActionKind::Choose;
    if (!arg.empty()) {
      error = "\"" + word + "\" takes only a control name";
      return std::nullopt;
    }
  } else if (word == "set") {
    a.kind = ActionKind::Set;
    a.text = arg;
  } else if (word == "check") {
    a.kind = ActionKind::Check;
    if (arg != "0" && arg != "1") {
      error = "\"check\" takes 0 or 1";
      return std::nullopt;
    }
    a.text = arg;
  } else if (word == "select") {
    a.kind = ActionKind::Select;
    for (std::size_t start = 0; !arg.empty() && start <= arg.size();) {
      const std::size_t bar = std::min(arg.find('|', start), arg.size());
      a.items.push_back(arg.substr(start, bar - start));
      start = bar + 1;
    }
  } else {
    error = "\"" + word + "\" is not an action (set, check, choose, select, click, dblclick, answer, dump, chart)";
    return std::nullopt;
  }
  return a;
}

bool Perform(Workbench& wb, const Action& a, std::string& error) {
  const Handler* h = FindHandler(a.control);
  // A grid cell named by its indices: "frmEdit.Fg2(3,2)".
  std::pair<int, int> cell;
  bool addressed = false;
  if (!h) {
    std::tie(h, cell) = FindAddressedCell(a.control);
    addressed = h != nullptr;
  }
  if (!h) {
    error = "there is no control \"" + a.control + "\"";
    return false;
  }
  if (!FormOpen(wb, a.control, error)) return false;
  std::function<void()> run;
  // A cell named by its indices only takes a text.
  if (addressed && a.kind != ActionKind::Set) {
    error = std::string("\"") + Word(a.kind) + "\" does not apply to " + a.control + "; set its text";
    return false;
  }
  switch (a.kind) {
    case ActionKind::Click:
      if (h->click) run = [&] { h->click(wb); };
      break;
    case ActionKind::DblClick:
      if (h->dblclick) run = [&] { h->dblclick(wb); };
      break;
    case ActionKind::Set:
      if (addressed) {
        run = [&] { h->setCell(wb, cell.first, cell.second, a.text); };
      } else if (h->set) {
        run = [&] { h->set(wb, a.text); };
      }
      break;
    case ActionKind::Check:
      if (h->check && h->entry.kind == K::CheckBox) run = [&] { h->check(wb, a.text == "1"); };
      break;
    case ActionKind::Choose:
      if (h->check && h->entry.kind == K::OptionButton) run = [&] { h->check(wb, true); };
      break;
    case ActionKind::Select:
      if (h->select) {
        std::vector<int> chosen;
        if (!ItemIndices(h->items(wb), a.items, chosen, error)) return false;
        if (chosen.size() > 1 && !h->multiSelect) {
          error = a.control + " takes one item";
          return false;
        }
        run = [&wb, h, chosen] { h->select(wb, chosen); };
      }
      break;
  }
  if (!run) {
    error = std::string("\"") + Word(a.kind) + "\" does not apply to " + a.control;
    return false;
  }
  // A disabled control ignores a press in the window; from a script or a test that is
  // almost always a mistake, so it is refused with a reason.
  if (!wb.form.IsEnabled(a.control)) {
    error = a.control + " is disabled";
    return false;
  }
  // The action may start or stop the recording itself: only a recorder that saw it begin
  // sees it end.
  SessionRecorder* recorder = h->entry.recorded ? wb.recorder : nullptr;
  if (recorder) recorder->BeginAction(a, h->entry.path);
  const OutcomeLog::Scope outcome(wb.Outcomes());
  // What escapes a handler ends its command failed, told like any other failure; the
  // workspace keeps what the command had not yet replaced, and the session goes on.
  try {
    run();
  } catch (const std::bad_alloc&) {
    wb.Fail(a.control + " needs more memory than this machine can give it; the command stopped there.");
  } catch (const std::exception& e) {
    wb.Fail(a.control + " stopped on an internal error (" + std::string(e.what()) + ").");
  }
  if (recorder && wb.recorder == recorder) recorder->EndAction();
  return true;
}

}  // namespace quantorial
