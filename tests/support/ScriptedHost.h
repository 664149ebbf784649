#pragma once
// A Host for tests: records every call in order and answers from queues. An empty queue
// answers as a person who cancels would (no file, no text) and message boxes with their
// first button.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "charts/TrendChart.h"
#include "frontend/Host.h"
#include "workspace/LabelledMatrix.h"

namespace quantorial::testing {

struct HostCall {
  std::string kind;                     // "HoldOn", "Preview", "PreviewText", "MsgBox", "InputBox", "Open", "Save", ...
  std::string text;                     // status text, prompt, caption of a preview, path
  std::string title;                    // message box / dialog title; caption of PreviewText
  int number = 0;                       // grid index or message box style
  LabelledMatrix matrix;                // what Preview showed
  std::string offered = std::string();  // the answer an input box offered
};

class ScriptedHost : public Host {
 public:
  std::vector<HostCall> calls;
  std::deque<int> msgBoxAnswers;
  std::deque<std::optional<std::string>> inputAnswers;
  std::deque<std::optional<std::string>> fileAnswers;
  std::vector<FileDialogRequest> fileRequests;
  std::string clipboard;
  // What the person does in the forecast dialog, and whether it is closed with OK.
  std::function<void(ForecastOptions&)> forecastScript;
  bool forecastOk = true;
  // What the person does in the chart options dialog.
  std::function<void(ChartOptionsState&)> chartOptionsScript;
  // The charts shown, and whether each was copied to the clipboard.
  std::vector<ChartDescription> charts;
  std::vector<bool> chartsCopied;

  // The calls of one kind, in order.
  std::vector<HostCall> CallsOf(const std::string& kind) const;
  // The texts of the message boxes shown, in order.
  std::vector<std::string> Messages() const;
  // The previews shown, in order, as "grid:caption".
  std::vector<std::string> PreviewCaptions() const;

  // The progress reports (done, total), in order, and the report at which Cancel is pressed
  // (0: never).
  std::vector<std::pair<long long, long long>> progress;
  long long cancelAt = 0;
  bool Progress(const std::string&, long long done, long long total) override {
    progress.emplace_back(done, total);
    return cancelAt == 0 || done < cancelAt || done >= total;
  }

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
  std::string ClipboardText() override { return clipboard; }
  // The window services asked for ("Editor", "EditorClosed", "Exit", ...), in order.
  std::vector<std::string> services;
  void WindowService(const std::string& service) override { services.push_back(service); }
  bool OpenWithDesktop(const std::string& path) override;
  bool desktopOpens = true;  // whether the desktop has a program for the files it is given
};

}  // namespace quantorial::testing
