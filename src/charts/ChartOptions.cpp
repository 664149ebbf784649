#include "charts/ChartOptions.h"

#include <array>
#include <cmath>
#include <cstring>

#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

const std::array<ChartSetting, 16> kSettings = {{
    {"ChartTitle", ""},
    {"ShowVariablesInTitle", "0"},
    {"DontCopyChart", "0"},
    {"ShowMarkers", "0"},
    {"MarkerSize", "9.6"},
    {"SkipSeries", "0"},
    {"DropSeries", "0"},
    {"Charts", "0 - ALL"},
    {"ShiftActual", "0"},
    {"ShiftPrediction", "1"},
    {"AllGraphs", "1"},
    {"ActualGraph", "0"},
    {"ChangeGraph", "0"},
    {"AnnualGraph", "0"},
    {"ForecastGraph", "0"},
    {"PredictedGraph", "0"},
}};

int WholeOf(const std::string& text) {
  const double v = LeadingNumber(text);
  return std::isfinite(v) && std::fabs(v) < 1e9 ? static_cast<int>(RoundHalfEven(v)) : 0;
}

}  // namespace

std::span<const ChartSetting> ChartSettingTable() { return kSettings; }

ChartSettings ChartSettings::Read(const SettingReader& read) {
  auto get = [&](const char* key) {
    for (const auto& o : kSettings) {
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
