// The "Model" menu: multipliers over time, simulations, scenarios and exact targets on the
// structural model, with their results in the workspace's slots 29 to 36, the grids and
// the chart window.

#include <algorithm>
#include <cmath>
#include <sstream>

#include "matrix/MatrixFunctions.h"
#include "workbench/SimulationFiles.h"
#include "workbench/Workbench.h"

namespace quantorial {

namespace {

constexpr const char* kModelTitle = "Model";

std::vector<std::string> YearLabels(const std::vector<int>& years) {
  std::vector<std::string> labels;
  for (int y : years) labels.push_back(std::to_string(y));
  return labels;
}

LabelledMatrix PathMatrix(const std::vector<int>& years, const std::vector<std::string>& names,
                          const DenseRows& values) {
  // Years as numbers in the first column, as the data files have them.
  LabelledMatrix m = NumberMatrix(YearLabels(years), names, values, "Year");
  for (std::size_t i = 0; i < years.size(); ++i) m.Put(static_cast<int>(i) + 1, 0, static_cast<double>(years[i]));
  return m;
}

// The column of a labelled matrix by its label, by row label; nothing for a missing one.
std::optional<std::vector<std::optional<double>>> Column(const LabelledMatrix& m, const std::string& name,
                                                         const std::vector<std::string>& rows) {
  if (!m.IsFilled()) return std::nullopt;
  int col = -1;
  for (int j = 1; j <= m.UpperCol(); ++j)
    if (CellText(m.Get(0, j)) == name) col = j;
  if (col < 0) return std::nullopt;
  std::vector<std::optional<double>> values;
  for (const auto& r : rows) {
    std::optional<double> v;
    for (int i = 1; i <= m.UpperRow(); ++i)
      if (CellText(m.Get(i, 0)) == r) {
        double d;
        if (m.GetDouble(i, col, d)) v = d;
      }
    values.push_back(v);
  }
  return values;
}

}  // namespace

std::string ReportNumber(double v, int decimals) {
  if (!std::isfinite(v)) return "-";
  std::string text = FormatFixed(v, decimals);
  // A value that rounds to zero is written without a sign: "-0.000000" reads as a negative.
  if (text[0] == '-' && text.find_first_not_of("0.", 1) == std::string::npos) text.erase(0, 1);
  return text;
}

void Workbench::mnuModelOpen_Click() {
  FileDialogRequest request;
  request.title = "Open Estimated Model";
  request.filter = "Estimated Model (*.json)|*.json|All Files (*.*)|*.*";
  request.initialFolder = dataFolder_;
  request.extensions = {".json", ""};
  const auto path = host_.ChooseOpenFile(request);
  if (!path) return Cancelled();
  const auto loaded = LoadStructuralModel(*path, std::nullopt);
  if (!loaded.model) return Fail(loaded.error, vbExclamation, kModelTitle);
  structuralModelPath_ = *path;
  // Said in the text pane, which the menu's results use: the wait window is for work under way.
  host_.PreviewText(
      "Model: " + std::to_string(loaded.model->form.endogenous.size()) + " endogenous variables from " + *path + "\r\n",
      1, "Estimated Model");
}

namespace {

// The model the menu works on and its data; without them, why not (or nothing when a
// question was declined).
struct ModelInputs {
  ModelDescription model;
  SeriesTable data;
};

// The rows of a B-matrix whose names head its columns in the same order: its endogenous
// variables (0 when the first row's name is not the first column's).
int BMatrixEndogenousCount(const LabelledMatrix& bmat) {
  int n = 0;
  while (n < bmat.UpperRow() && n < bmat.UpperCol()) {
    const std::string row = TrimBlanks(CellText(bmat.Get(n + 1, 0)));
    if (row.empty() || row != TrimBlanks(CellText(bmat.Get(0, n + 1)))) break;
    ++n;
  }
  return n;
}

// The forecast file the forecast dialog loaded (empty when none or unknown).
std::string ForecastFileName(Workbench& bench) {
  ForecastOptions* dialog = bench.ForecastDialog();
  return dialog && bench.ws.mForecastExo.IsFilled() ? dialog->txtData : std::string();
}

struct ModelChoice {
  std::optional<ModelInputs> inputs;
  std::string error;  // empty with no inputs: a question was declined
};

ModelChoice CurrentModel(const Workspace& ws, const MainForm& form, Host& host, const std::string& modelPath) {
  ModelChoice out;
  std::optional<ModelDescription> model;
  if (!modelPath.empty()) {
    auto loaded = LoadStructuralModel(modelPath, std::nullopt);
    if (!loaded.model) {
      out.error = loaded.error;
      return out;
    }
    model = std::move(loaded.model);
  } else {
    if (!ws.mBMat.IsFilled()) {
      out.error =
          "There is no model: open an estimated model (Model > Open Estimated Model...) or load a B-matrix as the "
          "secondary data file.";
      return out;
    }
    // The B-matrix says its own number of endogenous variables: its first columns name its
    // rows in order. The number the pipeline last split by belongs to another model.
    int endo = BMatrixEndogenousCount(ws.mBMat);
    if (endo <= 0) {
      const auto answer = host.InputBox("Number of Endogenous Variables", kModelTitle,
                                        std::to_string(std::max(1, ws.mBMat.UpperRow())));
      if (!answer) return out;
      const auto n = WholeNumber(*answer);
      if (!n || *n < 1) {
        out.error = "\"" + *answer + "\" is not a number of endogenous variables.";
        return out;
      }
      endo = static_cast<int>(*n);
    }
    auto built = StructuralFormFromBMatrix(ws.mBMat, endo, form.txtData[1].empty() ? "B-matrix" : form.txtData[1]);
    if (!built.form) {
      out.error = built.error;
      return out;
    }
    model = ModelDescription{std::move(*built.form), {}, {}};
  }
  out.inputs = ModelInputs{std::move(*model), {}};
  return out;
}

// The data of the model: the primary data file, the forecast file's values added, what the
// model computes for itself completed. An error text, or empty when done. A forecast file
// that gives the model nothing (one chosen for another task or other data) does not stand
// in the way: its years are left out, and `notices` says so, naming the file.
std::string ModelData(ModelInputs& in, const Workspace& ws, const MainForm& form, const std::string& forecastName,
                      std::vector<std::string>& notices, std::optional<int>& lastYear) {
  if (!ws.mObserved.IsFilled()) return "No data are loaded: load the model's data as the primary data file.";
  auto table = SeriesTableFromMatrix(ws.mObserved, form.txtData[0].empty() ? "primary data" : form.txtData[0]);
  if (!table.table) return table.error + " Load the model's data as the primary data file.";
  in.data = std::move(*table.table);
  const int dataEnd = in.data.LastYear();
  if (ws.mForecastExo.IsFilled()) {
    const std::string name = forecastName.empty() ? std::string("the forecast data") : forecastName;
    auto forecast = SeriesTableFromMatrix(ws.mForecastExo, name);
    if (!forecast.table) {
      notices.push_back(forecast.error + " The simulation uses the primary data alone.");
    } else {
      // The years after the data that the forecast fills for every current exogenous
      // variable of the model.
      std::vector<std::string> needed;
      for (const auto& x : in.model.form.exogenous) {
        std::string base;
        int lag = 0;
        if (x != "const" && !SplitLagName(x, base, lag)) needed.push_back(x);
      }
      SeriesTable merged = MergeForecast(in.data, *forecast.table);
      int end = dataEnd;
      std::string lacking;
      while (end < merged.LastYear()) {
        for (const auto& x : needed)
          if (std::isnan(merged.Value(x, end + 1))) lacking = x;
        if (!lacking.empty()) break;
        ++end;
      }
      in.data = std::move(merged);
      if (end > dataEnd) {
        lastYear = end;
      } else if (forecast.table->LastYear() > dataEnd) {
        lastYear = dataEnd;
        notices.push_back(name + " gives no value of " + lacking + " in " + std::to_string(dataEnd + 1) +
                          ", which the model needs: it was chosen for other data, so the simulation ends with the "
                          "primary data in " +
                          std::to_string(dataEnd) + ".");
      }
    }
  }
  return CompleteSeriesTable(in.model, in.data);
}

}  // namespace

void Workbench::mnuModelMultipliers_Click() {
  auto choice = CurrentModel(ws, form, host_, structuralModelPath_);
  if (!choice.inputs) return choice.error.empty() ? Cancelled() : Fail(choice.error, vbExclamation, kModelTitle);
  auto in = &*choice.inputs;
  const auto answer = host_.InputBox("Horizon of the multipliers (years)", kModelTitle, "10");
  if (!answer) return Cancelled();
  const auto h = WholeNumber(*answer);
  if (!h || *h < 0 || *h > kMaxMultiplierHorizon) {
    return Fail("The horizon must be a whole number from 0 to " + std::to_string(kMaxMultiplierHorizon) + ".",
                vbExclamation, kModelTitle);
  }
  host_.HoldOn("Computing the multipliers");
  const auto out = ComputeReducedForm(in->model.form, static_cast<int>(*h));
  host_.HoldOn("");
  if (!out.result) {
    return Fail(out.error, vbExclamation, kModelTitle);
  }
  const auto& f = in->model.form;
  const auto& rf = *out.result;
  ws.mModelImpact = NumberMatrix(f.endogenous, f.exogenous, rf.impact, "Impact");
  std::vector<std::string> rows;
  DenseRows dynamic;
  for (std::size_t k = 0; k < rf.interim.size(); ++k)
    for (std::size_t i = 0; i < f.endogenous.size(); ++i) {
      rows.push_back(f.endogenous[i] + " (h=" + std::to_string(k) + ")");
      dynamic.push_back(rf.interim[k][i]);
    }
  ws.mModelDynamic = NumberMatrix(rows, rf.variables, dynamic, "Interim");
  ws.mModelTotal = rf.total ? NumberMatrix(f.endogenous, rf.variables, *rf.total, "Total") : LabelledMatrix();
  host_.Preview(ws.mModelImpact, 2, "Model Impact Multipliers");
  host_.Preview(ws.mModelDynamic, 3, "Model Interim Multipliers");
  std::ostringstream report;
  report << "The model is " << rf.stability << ".\r\n\r\nEigenvalues of the companion matrix (largest modulus first):";
  for (std::size_t k = 0; k < rf.eigenvalues.size() && k < 20; ++k)
    report << "\r\n  " << ReportNumber(rf.eigenvalues[k].real(), 6) << (rf.eigenvalues[k].imag() < 0 ? " - " : " + ")
           << ReportNumber(std::abs(rf.eigenvalues[k].imag()), 6) << "i   modulus "
           << ReportNumber(std::abs(rf.eigenvalues[k]), 6);
  host_.PreviewText(report.str(), 1, "Model Stability");

  // The chart: the interim multipliers of one exogenous variable on every endogenous
  // variable (through all its lags), the one the user names. Offered are the exogenous
  // variables in the model's order, the first of them by default: not the constant or a
  // series the model derives (such as Klein's time trend A = year - 1931), which no policy
  // moves.
  std::vector<std::size_t> offered;
  auto derived = [&](const std::string& name) {
    for (const auto& d : in->model.series)
      if (d.name == name) return true;
    return false;
  };
  for (std::size_t x = 0; x < rf.variables.size(); ++x) {
    if (rf.variables[x] != "const" && !derived(rf.variables[x])) {
      offered.push_back(x);
    }
  }
  if (offered.empty()) {
    for (std::size_t x = 0; x < rf.variables.size(); ++x)
      if (rf.variables[x] != "const") offered.push_back(x);
  }
  if (offered.empty()) return;
  std::string names;
  for (std::size_t x : offered) names += (names.empty() ? "" : ", ") + rf.variables[x];
  const auto chosen =
      host_.InputBox("Exogenous variable to chart (" + names + ")", kModelTitle, rf.variables[offered.front()]);
  if (!chosen) return;  // the multipliers are in their slots; only the chart is left out
  const auto named = std::find(rf.variables.begin(), rf.variables.end(), TrimBlanks(*chosen));
  if (named == rf.variables.end() || *named == "const") {
    return Fail(
        "\"" + TrimBlanks(*chosen) + "\" is not an exogenous variable of the model; chart one of " + names + ".",
        vbExclamation, kModelTitle);
  }
  const auto x = static_cast<std::size_t>(named - rf.variables.begin());
  ChartDescription chart;
  chart.title = "Interim multipliers of " + rf.variables[x];
  chart.xTitle = "Years after the change";
  for (std::size_t k = 0; k < rf.interim.size(); ++k) chart.rowLabels.push_back(std::to_string(k));
  for (std::size_t i = 0; i < f.endogenous.size() && i < 12; ++i) {
    ChartSeries s;
    s.label = f.endogenous[i];
    for (const auto& m : rf.interim) s.values.push_back(m[i][x]);
    chart.series.push_back(std::move(s));
  }
  host_.ShowChart(chart, !ReadChartSettings().dontCopyChart);
}

void Workbench::mnuModelSimulate_Click(bool dynamic) {
  auto choice = CurrentModel(ws, form, host_, structuralModelPath_);
  if (!choice.inputs) return choice.error.empty() ? Cancelled() : Fail(choice.error, vbExclamation, kModelTitle);
  auto in = &*choice.inputs;
  std::vector<std::string> notices;
  SimulationOptions options;
  if (std::string why = ModelData(*in, ws, form, ForecastFileName(*this), notices, options.to); !why.empty())
    return Fail(why, vbExclamation, kModelTitle);
  options.dynamic = dynamic;
  host_.HoldOn(dynamic ? "Dynamic simulation" : "Static simulation");
  const auto out = Simulate(in->model.form, in->data, options);
  host_.HoldOn("");
  if (!out.result) {
    return Fail(out.error, vbExclamation, kModelTitle);
  }
  const auto& r = *out.result;
  ws.mModelSimulation = PathMatrix(r.years, r.endogenous, r.values);
  DenseRows stats;
  for (const auto& s : r.accuracy) stats.push_back({s.me, s.rmse, s.mae, s.mpe, s.mape, s.u1, s.u2, s.um, s.ur, s.ud});
  ws.mModelAccuracy = NumberMatrix(r.endogenous, {"ME", "RMSE", "MAE", "MPE", "MAPE", "U1", "U2", "UM", "UR", "UD"},
                                   stats, "Statistic");
  ws.mModelScenario.Erase();
  ws.mModelScenarioDiff.Erase();
  host_.Preview(ws.mModelSimulation, 2, dynamic ? "Model Dynamic Simulation" : "Model Static Simulation");
  host_.Preview(ws.mModelAccuracy, 3, "Model Simulation Accuracy");
  notices.insert(notices.end(), r.notices.begin(), r.notices.end());
  ShowNotices(notices);  // before the chart, which then comes up over the window
  ChartModelVariable(r.endogenous.front());
}

void Workbench::mnuModelScenario_Click() {
  auto choice = CurrentModel(ws, form, host_, structuralModelPath_);
  if (!choice.inputs) return choice.error.empty() ? Cancelled() : Fail(choice.error, vbExclamation, kModelTitle);
  auto in = &*choice.inputs;
  std::vector<std::string> notices;
  SimulationOptions period;
  if (std::string why = ModelData(*in, ws, form, ForecastFileName(*this), notices, period.to); !why.empty())
    return Fail(why, vbExclamation, kModelTitle);
  FileDialogRequest request;
  request.title = "Select the Scenario File";
  request.filter = "Scenario (*.txt;*.scn)|*.txt;*.scn|All Files (*.*)|*.*";
  request.initialFolder = dataFolder_;
  request.extensions = {".txt", ""};
  const auto path = host_.ChooseOpenFile(request);
  if (!path) return Cancelled();
  const auto scenario = LoadScenario(*path);
  if (!scenario.scenario) {
    return Fail(scenario.error, vbExclamation, kModelTitle);
  }
  host_.HoldOn("Simulating the base and the scenario");
  const auto out = CompareScenario(in->model.form, in->data, *scenario.scenario, *path, period);
  host_.HoldOn("");
  if (!out.result) {
    return Fail(out.error, vbExclamation, kModelTitle);
  }
  const auto& c = *out.result;
  ws.mModelSimulation = PathMatrix(c.base.years, c.base.endogenous, c.base.values);
  ws.mModelScenario = PathMatrix(c.scenario.years, c.scenario.endogenous, c.scenario.values);
  ws.mModelScenarioDiff = PathMatrix(c.base.years, c.base.endogenous, c.difference);
  host_.Preview(ws.mModelScenario, 2, "Model Scenario");
  host_.Preview(ws.mModelScenarioDiff, 3, "Model Scenario less Base");
  for (const auto* run : {&c.base.notices, &c.scenario.notices}) {
    for (const std::string& n : *run) {
      if (std::find(notices.begin(), notices.end(), n) == notices.end()) notices.push_back(n);
    }
  }
  ShowNotices(notices);  // before the chart, which then comes up over the window
  ChartModelVariable(c.base.endogenous.front());
}

void Workbench::mnuModelTarget_Click() {
  auto choice = CurrentModel(ws, form, host_, structuralModelPath_);
  if (!choice.inputs) return choice.error.empty() ? Cancelled() : Fail(choice.error, vbExclamation, kModelTitle);
  auto in = &*choice.inputs;
  std::vector<std::string> notices;
  std::optional<int> lastYear;
  if (std::string why = ModelData(*in, ws, form, ForecastFileName(*this), notices, lastYear); !why.empty())
    return Fail(why, vbExclamation, kModelTitle);
  FileDialogRequest request;
  request.title = "Select the Targets File (Year, then one column per target)";
  request.filter = kDataFileFilter;
  request.initialFolder = dataFolder_;
  const auto path = host_.ChooseOpenFile(request);
  if (!path) return Cancelled();
  const auto answer = host_.InputBox("Instruments (exogenous variables, separated by commas)", kModelTitle, "");
  if (!answer) return Cancelled();
  std::vector<std::string> instruments;
  std::stringstream ss(*answer);
  for (std::string item; std::getline(ss, item, ',');)
    if (!TrimBlanks(item).empty()) instruments.push_back(TrimBlanks(item));
  if (instruments.empty()) {
    return Fail("No instruments were named.", vbExclamation, kModelTitle);
  }
  const auto targets = LoadSeriesTable(*path);
  if (!targets.table) {
    return Fail(targets.error, vbExclamation, kModelTitle);
  }
  host_.HoldOn("Solving for the targets");
  const auto out = SolveTargets(in->model.form, in->data, TargetSpecFromTable(*targets.table, instruments), *path);
  host_.HoldOn("");
  if (!out.result) {
    return Fail(out.error, vbExclamation, kModelTitle);
  }
  const auto& r = *out.result;
  std::vector<std::string> names = instruments;
  names.insert(names.end(), r.simulation.endogenous.begin(), r.simulation.endogenous.end());
  DenseRows rows;
  for (std::size_t k = 0; k < r.years.size(); ++k) {
    std::vector<double> row = r.instrumentValues[k];
    row.insert(row.end(), r.simulation.values[k].begin(), r.simulation.values[k].end());
    rows.push_back(std::move(row));
  }
  ws.mModelTargets = PathMatrix(r.years, names, rows);
  host_.Preview(ws.mModelTargets, 3, "Model Targets Solution");
  notices.insert(notices.end(), r.notices.begin(), r.notices.end());
  ShowNotices(notices);
}

void Workbench::mnuModelChart_Click() {
  if (!ws.mModelSimulation.IsFilled()) {
    return Fail("Simulate the model first (Model > Simulate).", vbExclamation, kModelTitle);
  }
  const auto answer = host_.InputBox("Variable to chart (" + SimulatedNames() + ")", kModelTitle,
                                     CellText(ws.mModelSimulation.Get(0, 1)));
  if (!answer) return Cancelled();
  ChartModelVariable(TrimBlanks(*answer));
}

std::string Workbench::SimulatedNames() const {
  std::string names;
  for (int j = 1; j <= ws.mModelSimulation.UpperCol(); ++j) {
    names += (j > 1 ? ", " : "") + CellText(ws.mModelSimulation.Get(0, j));
  }
  return names;
}

void Workbench::ChartModelVariable(const std::string& name) {
  std::vector<std::string> years;
  for (int i = 1; i <= ws.mModelSimulation.UpperRow(); ++i) years.push_back(CellText(ws.mModelSimulation.Get(i, 0)));
  const auto simulated = Column(ws.mModelSimulation, name, years);
  if (!simulated) {
    return Fail(name + " is not an endogenous variable of the simulation; chart one of " + SimulatedNames() + ".",
                vbExclamation, kModelTitle);
  }
  ChartDescription chart;
  chart.title = name + ": actual and simulated";
  chart.rowLabels = years;
  if (const auto actual = Column(ws.mObserved, name, years)) chart.series.push_back({"Actual " + name, *actual, false});
  chart.series.push_back({(ws.mModelScenario.IsFilled() ? "Base " : "Simulated ") + name, *simulated, true});
  if (const auto scenario = Column(ws.mModelScenario, name, years)) {
    chart.title = name + ": base and scenario";
    chart.series.push_back({"Scenario " + name, *scenario, false});
  }
  host_.ShowChart(chart, !ReadChartSettings().dontCopyChart);
}

}  // namespace quantorial
