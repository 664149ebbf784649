#include "workbench/ChartOptionsForm.h"

#include <array>

namespace quantorial {

namespace {

using K = ChartOptionKind;

const std::array<ChartOption, 16> kOptions = {{
    {"txtChartTitle", "Chart Title", K::Text, "ChartTitle"},
    {"chkShowVariables", "Show Variables in Title", K::Check, "ShowVariablesInTitle"},
    {"chkDontCopyChart", "Do Not Copy Chart to Clipboard", K::Check, "DontCopyChart"},
    {"chkMarkers", "Show Markers in Series", K::Check, "ShowMarkers"},
    {"cboMarkerSize", "Marker Size", K::Combo, "MarkerSize"},
    {"cboSkipSeries", "Skip Series (from left)", K::Combo, "SkipSeries"},
    {"cboDropSeries", "Drop Series (from right)", K::Combo, "DropSeries"},
    {"cboCharts", "Graphs", K::Combo, "Charts"},
    {"cboShiftActual", "Shift Actual Graph", K::Combo, "ShiftActual"},
    {"cboShiftPrediction", "Shift Prediction Graph", K::Combo, "ShiftPrediction"},
    {"chkAllGraphs", "ALL Graphs", K::Check, "AllGraphs"},
    {"chkActualGraph", "Actual Graph", K::Check, "ActualGraph"},
    {"chkChangeGraph", "Change Graph", K::Check, "ChangeGraph"},
    {"chkAnnualGraph", "Annual Graph", K::Check, "AnnualGraph"},
    {"chkForecastGraph", "Forecast Graph", K::Check, "ForecastGraph"},
    {"chkPredictedGraph", "Predicted Graph", K::Check, "PredictedGraph"},
}};

}  // namespace

std::span<const ChartOption> ChartOptionTable() { return kOptions; }

std::string ChartOptionHelp(const char* control) {
  const std::string c = control;
  if (c == "cboShiftPrediction") {
    return "Periods the calculated series is moved back. The trend analysis computes year t from the "
           "year before; with the default 1 the value calculated for year t sits in the row labelled t - 1, "
           "beside the actual value it predicts from, and a forecast continues from there. 0 puts it in the "
           "row of year t itself.";
  }
  if (c == "cboShiftActual") return "Periods the actual series is moved in the chart (0: each value in its own year).";
  return {};
}

std::vector<std::string> ChartOptionItems(const char* control) {
  std::vector<std::string> items;
  const std::string c = control;
  if (c == "cboSkipSeries" || c == "cboDropSeries" || c == "cboMarkerSize") {
    for (int i = c == "cboMarkerSize" ? 6 : 0; i <= 16; ++i) items.push_back(std::to_string(i));
    for (int i : {18, 24, 36, 72}) items.push_back(std::to_string(i));
  } else if (c == "cboShiftActual" || c == "cboShiftPrediction") {
    items = {"1", "0", "-1"};
  } else if (c == "cboCharts") {
    items = {"0 - ALL", "1 - Change", "2 - Annual", "3 - Forecast"};
  }
  return items;
}

ChartOptionsState::ChartOptionsState(SettingReader read, SettingWriter write) : write_(std::move(write)) {
  for (const auto& s : ChartSettingTable()) values_.emplace_back(s.key, read(s.key, s.value));
}

std::string ChartOptionsState::Get(const std::string& key) const {
  for (const auto& [k, v] : values_) {
    if (k == key) return v;
  }
  return std::string();
}

void ChartOptionsState::Set(const std::string& key, const std::string& value) {
  for (auto& [k, v] : values_) {
    if (k == key) v = value;
  }
}

void ChartOptionsState::OKButton_Click() {
  closed = closedByOk = true;
  for (const auto& [k, v] : values_) write_(k, v);
}

void ChartOptionsState::cmdDefaults_Click() {
  closed = closedByDefaults = true;
  for (const auto& s : ChartSettingTable()) write_(s.key, s.value);
}

}  // namespace quantorial
