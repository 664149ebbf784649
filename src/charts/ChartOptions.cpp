#include "charts/ChartOptions.h"

#include <array>
#include <cmath>
#include <cstring>

#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

using K = ChartOptionKind;

const std::array<ChartOption, 16> kOptions = {{
    {"txtChartTitle", "Chart Title", K::Text, "ChartTitle", ""},
    {"chkShowVariables", "Show Variables in Title", K::Check, "ShowVariablesInTitle", "0"},
    {"chkDontCopyChart", "Do Not Copy Chart to Clipboard", K::Check, "DontCopyChart", "0"},
    {"chkMarkers", "Show Markers in Series", K::Check, "ShowMarkers", "0"},
    {"cboMarkerSize", "Marker Size", K::Combo, "MarkerSize", "9.6"},
    {"cboSkipSeries", "Skip Series (from left)", K::Combo, "SkipSeries", "0"},
    {"cboDropSeries", "Drop Series (from right)", K::Combo, "DropSeries", "0"},
    {"cboCharts", "Graphs", K::Combo, "Charts", "0 - ALL"},
    {"cboShiftActual", "Shift Actual Graph", K::Combo, "ShiftActual", "0"},
    {"cboShiftPrediction", "Shift Prediction Graph", K::Combo, "ShiftPrediction", "1"},
    {"chkAllGraphs", "ALL Graphs", K::Check, "AllGraphs", "1"},
    {"chkActualGraph", "Actual Graph", K::Check, "ActualGraph", "0"},
    {"chkChangeGraph", "Change Graph", K::Check, "ChangeGraph", "0"},
    {"chkAnnualGraph", "Annual Graph", K::Check, "AnnualGraph", "0"},
    {"chkForecastGraph", "Forecast Graph", K::Check, "ForecastGraph", "0"},
    {"chkPredictedGraph", "Predicted Graph", K::Check, "PredictedGraph", "0"},
}};

int WholeOf(const std::string& text) {
  const double v = LeadingNumber(text);
  return std::isfinite(v) && std::fabs(v) < 1e9 ? static_cast<int>(RoundHalfEven(v)) : 0;
}

}  // namespace

std::span<const ChartOption> ChartOptionTable() { return kOptions; }

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
  for (const auto& o : kOptions) values_.emplace_back(o.key, read(o.key, o.value));
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
  for (const auto& o : kOptions) write_(o.key, o.value);
}

ChartSettings ChartSettings::Read(const SettingReader& read) {
  auto get = [&](const char* key) {
    for (const auto& o : kOptions) {
      if (std::strcmp(o.key, key) == 0) return read(key, o.value);
    }
    return std::string();
  };
  ChartSettings s;
  s.skipSeries = WholeOf(get("SkipSeries"));
  s.dropSeries = WholeOf(get("DropSeries"));
  s.allGraphs = WholeOf(get("AllGraphs")) == 1;
  s.actualGraph = WholeOf(get("ActualGraph")) == 1;
  s.predictedGraph = WholeOf(get("PredictedGraph")) == 1;
  s.annualGraph = WholeOf(get("AnnualGraph")) == 1;
  s.forecastGraph = WholeOf(get("ForecastGraph")) == 1;
  s.chartTitle = get("ChartTitle");
  s.showVariablesInTitle = WholeOf(get("ShowVariablesInTitle")) == 1;
  s.showMarkers = WholeOf(get("ShowMarkers")) != 0;
  s.markerSize = LeadingNumber(get("MarkerSize"));
  s.dontCopyChart = WholeOf(get("DontCopyChart")) == 1;
  return s;
}

}  // namespace quantorial
