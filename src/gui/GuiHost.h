#pragma once
// The desktop Host: status texts go to the wait window, matrices and texts to the main
// window's grids, questions to real Qt dialogs. Tests derive from it and answer the
// dialogs themselves; nothing waits on a timer to click one.

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <QWidget>
#include <vector>

#include "frontend/Host.h"

class QFileDialog;

namespace quantorial {

class MainWindow;
class SessionRecorder;

class GuiHost : public Host {
 public:
  void Attach(MainWindow* window) { window_ = window; }

  void HoldOn(const std::string& text) override;
  // A progress window with a Cancel button over the main window; it appears only when the
  // computation lasts more than a moment.
  bool Progress(const std::string& text, long long done, long long total) override;
  void ShowWaitBox(const std::string& message, bool modal) override;
  void HideWaitBox(const std::string& message) override;
  void Preview(const LabelledMatrix& m, int grid, const std::string& caption) override;
  void ClearGrid(int grid) override;
  void PreviewText(const std::string& text, int grid, const std::string& caption) override;
  // Boxes and dialogs: the wait and notice windows, which stay on top of everything, step
  // aside while one is open (so it is not hidden under them) and come back after.
  int MsgBox(const std::string& prompt, int buttons, const std::string& title) final;
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText) final;
  std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) final;
  std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) final;
  bool ShowForecastOptions(ForecastOptions& dialog) final;
  void ShowChartOptions(ChartOptionsState& dialog) final;
  void ShowChart(const ChartDescription& chart, bool copyToClipboard) override;
  void SetClipboardText(const std::string& text) override;
  std::string ClipboardText() override;
  bool WindowOpen(const std::string& form) override;
  void WindowControl(const std::string& control, const std::string& value) override;
  bool OpenWithDesktop(const std::string& path) override;
  void WindowService(const std::string& service) override;
  LabelledMatrix CopyGrid(int grid) override;
  // The tip window, modal (at first activation and from "&Help Topics").
  virtual void ShowTipWindow();
  // Starts a program of the desktop with its arguments; false when it could not be started.
  virtual bool StartProgram(const QString& program, const QStringList& arguments = {});

 protected:
  // The window a box or dialog opens over: the worksheet editor while one of its commands
  // runs or when it is the active window, else the main window.
  QWidget* DialogParent() const;
  // The real Qt boxes and dialogs; tests answer these instead.
  virtual int AskMsgBox(const std::string& prompt, int buttons, const std::string& title);
  virtual std::optional<std::string> AskInput(const std::string& prompt, const std::string& title,
                                              const std::string& defaultText);
  virtual std::optional<std::string> AskOpenFile(const FileDialogRequest& request);
  // `filter` receives the filter left selected (from 0).
  virtual std::optional<std::string> AskSaveFile(const FileDialogRequest& request, int& filter);
  virtual bool AskForecastOptions(ForecastOptions& dialog);
  virtual void AskChartOptions(ChartOptionsState& dialog);

  // The desktop entry ("libreoffice-calc.desktop") the desktop opens files of that MIME type
  // with; empty when there is none or the desktop cannot say.
  virtual QString DefaultDesktopEntry(const QString& mimeType);
  // Hands the file to the desktop's opener; false when it refused.
  virtual bool OpenUrl(const QString& file);

  SessionRecorder* Recorder() const;
  MainWindow* window_ = nullptr;

 private:
  QPointer<QProgressDialog> progress_;
  QElapsedTimer progressShown_;  // since the progress window was last brought up to date
};

// While it lives, the wait and notice windows of `window` are hidden if they were shown;
// they are shown again when it ends.
class ModalScope {
 public:
  explicit ModalScope(MainWindow* window);
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;
  ~ModalScope();

 private:
  std::vector<QPointer<QWidget>> hidden_;
};

// Whether the desktop entry (a file name such as "quantorial.desktop" or a path) starts this
// program: its name is this program's, or its Exec line runs this program's executable.
bool IsOwnDesktopEntry(const QString& entry);

// "Text|*.a;*.b|Text|*.c" as a Qt file dialog filter.
QString QtFileFilter(const std::string& filter);
// Sizes a file dialog so that its columns (name, size, kind, date) show whole.
void FitFileDialog(QFileDialog& dialog);

}  // namespace quantorial
