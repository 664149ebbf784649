#pragma once
// The persistent chart settings ("Other Chart Options"): their keys, controls, captions,
// defaults and list items, and the values a drawing reads from them.

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace quantorial {

enum class ChartOptionKind { Text, Check, Combo };

struct ChartOption {
  const char* control;  // control name of the dialog
  const char* caption;  // caption of a check box, label of the other controls
  ChartOptionKind kind;
  const char* key;    // setting
  const char* value;  // default
};

// The sixteen settings in the order the dialog writes them.
std::span<const ChartOption> ChartOptionTable();
// The fixed items of a combo box of the dialog.
std::vector<std::string> ChartOptionItems(const char* control);

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

// frmChartOptions, "Other Chart Options": the texts of its controls, read from the settings
// when it loads and written only by OK or "Use Default Settings".
class ChartOptionsState {
 public:
  ChartOptionsState(SettingReader read, SettingWriter write);
  // The text of a control by its setting key (check boxes hold "0" or "1").
  std::string Get(const std::string& key) const;
  void Set(const std::string& key, const std::string& value);
  // OK: every setting from its control, in the order of the table.
  void OKButton_Click();
  // "Use Default Settings": every setting to its default.
  void cmdDefaults_Click();
  // Cancel: nothing is written.
  void CancelButton_Click() { closed = true; }
  // Every button closes the dialog; which one, for the session recorder.
  bool closed = false;
  bool closedByOk = false;
  bool closedByDefaults = false;

 private:
  SettingWriter write_;
  std::vector<std::pair<std::string, std::string>> values_;
};

}  // namespace quantorial
