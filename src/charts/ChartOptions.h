#pragma once
// The persistent chart settings ("Other Chart Options"): their keys and defaults, and the
// values a drawing reads from them. The dialog that edits them is the workbench's.

#include <functional>
#include <span>
#include <string>

namespace quantorial {

struct ChartSetting {
  const char* key;    // setting
  const char* value;  // default
};

// The sixteen settings in the order the dialog writes them.
std::span<const ChartSetting> ChartSettingTable();

// Reads a setting with its default; writes one.
using SettingReader = std::function<std::string(const std::string& key, const std::string& defaultValue)>;
using SettingWriter = std::function<void(const std::string& key, const std::string& value)>;

// The settings a drawing reads.
struct ChartSettings {
  int skipSeries = 0;
  int dropSeries = 0;
  bool allGraphs = true;
  bool actualGraph = false;
  bool predictedGraph = false;
  bool annualGraph = false;
  bool forecastGraph = false;
  std::string chartTitle;
  bool showVariablesInTitle = false;
  bool showMarkers = false;
  double markerSize = 9.6;
  bool dontCopyChart = false;

  static ChartSettings Read(const SettingReader& read);
};

}  // namespace quantorial
