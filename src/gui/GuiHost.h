#pragma once
// The desktop Host: status texts go to the wait window, matrices and texts to the main
// window's grids, questions to real Qt dialogs. Tests derive from it and answer the
// dialogs themselves; nothing waits on a timer to click one.

#include <QString>

#include "workspace/Host.h"

namespace quantorial {

class MainWindow;

class GuiHost : public Host {
 public:
  void Attach(MainWindow* window) { window_ = window; }

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
  void OpenWithDesktop(const std::string& path) override;
  // The tip window, modal (at first activation and from "&Help Topics").
  virtual void ShowTipWindow();
  // Starts a program of the desktop; false when it could not be started.
  virtual bool StartProgram(const QString& program);

 protected:
  MainWindow* window_ = nullptr;
};

// "Text|*.a;*.b|Text|*.c" as a Qt file dialog filter.
QString QtFileFilter(const std::string& filter);

}  // namespace quantorial
