#pragma once
// frmChartOptions, "Other Chart Options": its controls, their captions and list items, and
// the texts they hold while the dialog is open.

#include <span>
#include <string>
#include <utility>
#include <vector>

#include "charts/ChartOptions.h"

namespace quantorial {

enum class ChartOptionKind { Text, Check, Combo };

struct ChartOption {
  const char* control;  // control name of the dialog
  const char* caption;  // caption of a check box, label of the other controls
  ChartOptionKind kind;
  const char* key;  // the setting it edits
};

// The dialog's controls, one for each chart setting, in the settings' order.
std::span<const ChartOption> ChartOptionTable();
// The fixed items of a combo box of the dialog.
std::vector<std::string> ChartOptionItems(const char* control);
// What an option does, for its help in the dialog; empty for one whose caption says it.
std::string ChartOptionHelp(const char* control);

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
