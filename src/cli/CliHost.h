#pragma once
// The batch tool's Host: file choices and input-box answers come from the command line,
// in the order the command asks for them; message boxes go to standard error, each of
// their lines as a line; status texts go there too with --verbose. Whether a command failed
// is the workbench's outcome, not anything read from the boxes shown.

#include <deque>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "charts/TrendChart.h"
#include "frontend/Host.h"
#include "workbench/CommandTable.h"

namespace quantorial {

class CliHost : public Host {
 public:
  CliHost(std::ostream& err, bool verbose) : err_(err), verbose_(verbose) {}

  void QueueFile(std::string path) { files_.push_back(std::move(path)); }
  void QueueInput(std::string text) { inputs_.push_back(std::move(text)); }
  // The workbench whose dialogs this host shows: their queued actions are performed on it.
  void AttachWorkbench(Workbench* bench) { bench_ = bench; }
  // An action for a dialog the program opens ("frmForecast.txtData(0)", "frmForecast.OKButton"),
  // performed in order when it opens, as a person would fill it in; a dialog opened with
  // none queued for it is cancelled.
  void QueueDialogAction(Action a) { dialogActions_.push_back(std::move(a)); }
  // The last chart drawn, if any.
  const std::optional<ChartDescription>& LastChart() const { return lastChart_; }
  // From now on, message boxes with the information icon (such as "...see results
  // below.") are kept, not shown: the command shows them only when its result follows.
  void HoldInformation() { holdInformation_ = true; }
  // The kept messages, one line each, in order.
  const std::vector<std::string>& HeldInformation() const { return held_; }

  void HoldOn(const std::string& text) override;
  void ShowWaitBox(const std::string& message, bool modal) override;
  void HideWaitBox(const std::string& message) override;
  void Preview(const LabelledMatrix& m, int grid, const std::string& caption) override;
  void ClearGrid(int grid) override;
  void PreviewText(const std::string& text, int grid, const std::string& caption) override;
  int MsgBox(const std::string& prompt, int buttons, const std::string& title) override;
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText) override;
  std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override;
  std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override;
  bool ShowForecastOptions(ForecastOptions& dialog) override;
  void ShowChart(const ChartDescription& chart, bool copyToClipboard) override;
  void ShowChartOptions(ChartOptionsState& dialog) override;
  void SetClipboardText(const std::string& text) override;
  bool OpenWithDesktop(const std::string& path) override;

 private:
  std::ostream& err_;
  bool verbose_;
  bool holdInformation_ = false;
  std::vector<std::string> held_;
  std::deque<std::string> files_;
  std::deque<std::string> inputs_;
  std::optional<ChartDescription> lastChart_;
  Workbench* bench_ = nullptr;
  std::deque<Action> dialogActions_;
};

}  // namespace quantorial
