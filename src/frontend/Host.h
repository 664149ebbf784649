#pragma once
// Host: the only way from the core to the person using it. The desktop window shows real
// dialogs (GuiHost), the batch tool answers from its command line (CliHost), and tests
// answer from a script (ScriptedHost). The core never shows, asks or waits by itself.

#include <optional>
#include <string>
#include <vector>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

class ForecastOptions;
class ChartOptionsState;
struct ChartDescription;

// The title a message box gets when its caller gives none.
inline constexpr const char* kApplicationTitle = "Quantorial";

// Message box buttons and icons; add one of each to form the style.
enum MsgBoxStyle : int {
  vbOKOnly = 0,
  vbOKCancel = 1,
  vbAbortRetryIgnore = 2,
  vbYesNoCancel = 3,
  vbYesNo = 4,
  vbRetryCancel = 5,
  vbCritical = 16,
  vbQuestion = 32,
  vbExclamation = 48,
  vbInformation = 64,
};
inline constexpr int kMsgBoxButtonsMask = 7;
inline constexpr int kMsgBoxIconMask = 112;

// The button a message box returns.
enum MsgBoxResult : int {
  vbOK = 1,
  vbCancel = 2,
  vbAbort = 3,
  vbRetry = 4,
  vbIgnore = 5,
  vbYes = 6,
  vbNo = 7,
};

// The first button of a message box's set: what a run without a person takes.
inline int FirstButtonOf(int buttons) {
  switch (buttons & kMsgBoxButtonsMask) {
    case vbAbortRetryIgnore:
      return vbAbort;
    case vbYesNoCancel:
    case vbYesNo:
      return vbYes;
    case vbRetryCancel:
      return vbRetry;
    default:
      return vbOK;
  }
}

// An open or save file dialog: title, filter in "Text|*.a;*.b|Text|*.c" form, the
// folder it starts in and, for saving, the suggested name and, per filter, the ending a
// chosen name without one is given (none where the list has no entry or an empty one).
struct FileDialogRequest {
  std::string title;
  std::string filter;
  std::string initialFolder;
  std::string defaultName;
  std::vector<std::string> extensions;

  // `path` with the ending of filter `filter` (from 0) when its file name has no ending.
  std::string WithExtension(const std::string& path, int filter) const {
    if (filter < 0 || static_cast<std::size_t>(filter) >= extensions.size()) return path;
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
    if (name >= path.size() || path.find('.', name) != std::string::npos) return path;
    return path + extensions[static_cast<std::size_t>(filter)];
  }
};

class Host {
 public:
  virtual ~Host() = default;

  // Shows a status text in the wait window; an empty text hides it.
  virtual void HoldOn(const std::string& text) = 0;
  // The small notice window of long exports; an empty message shows
  // "Processing Request...please wait!".
  virtual void ShowWaitBox(const std::string& message, bool modal) = 0;
  virtual void HideWaitBox(const std::string& message) = 0;
  // The progress of a long computation: `done` of `total` steps, with a text. A window shows
  // it with a Cancel button once the computation lasts, and hides it when `done` reaches
  // `total`. False when Cancel was pressed (the computation then stops). Without a window
  // nothing is shown and nothing cancels.
  virtual bool Progress(const std::string& /*text*/, long long /*done*/, long long /*total*/) { return true; }
  // Shows a matrix in grid 0..5 with a caption.
  virtual void Preview(const LabelledMatrix& m, int grid, const std::string& caption) = 0;
  // Clears the contents of grid 0..5.
  virtual void ClearGrid(int grid) = 0;
  // Shows a text over grid 0..5 with a caption.
  virtual void PreviewText(const std::string& text, int grid, const std::string& caption) = 0;
  // A modal message box; `buttons` combines a MsgBoxStyle button set and icon. Returns
  // the MsgBoxResult of the button pressed.
  virtual int MsgBox(const std::string& prompt, int buttons, const std::string& title) = 0;
  // An input box; nothing when cancelled.
  virtual std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                              const std::string& defaultText) = 0;
  // File choice; nothing when cancelled.
  virtual std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) = 0;
  // The modal "Forecast Options" dialog over its state; it returns when the dialog closes:
  // true when it was closed with OK, false with Cancel or the window's close button.
  virtual bool ShowForecastOptions(ForecastOptions& dialog) = 0;
  // Shows a chart in the chart window ("Chart Preview"); copies its picture to the
  // clipboard when asked.
  virtual void ShowChart(const ChartDescription& chart, bool copyToClipboard) = 0;
  // The modal "Other Chart Options" dialog over its state.
  virtual void ShowChartOptions(ChartOptionsState& dialog) = 0;
  virtual void SetClipboardText(const std::string& text) = 0;
  // The clipboard's text (what a paste takes); empty without one.
  virtual std::string ClipboardText() { return {}; }
  // Hands a file to the desktop to open with its default program; false when no program
  // is there to open it (the caller then says where the file is).
  virtual bool OpenWithDesktop(const std::string& path) = 0;
  // What only a window does: "Exit" (close the windows and end), "Calculator" (start the
  // desktop's calculator), "About" (the about box), "Tips" (the tip of the day). Without a
  // window there is nothing to do.
  virtual void WindowService(const std::string& /*service*/) {}
  // The windows that only show something — the about box "frmAbout", the tip of the day
  // "frmTip", the chart "frmChart" —: whether one is open, and one of its controls pressed
  // ("frmTip.cmdNextTip"; a check box with "0" or "1"). Without windows there are none.
  virtual bool WindowOpen(const std::string& /*form*/) { return false; }
  virtual void WindowControl(const std::string& /*control*/, const std::string& /*value*/) {}
  // The cells grid 0..5 shows, as CopyGrid reads them; unassigned without a window.
  virtual LabelledMatrix CopyGrid(int grid);
};

inline LabelledMatrix Host::CopyGrid(int) { return LabelledMatrix(); }

// A modal message box through the host: buttons default to OK only, the title to the
// application title. Returns the button pressed.
inline int MsgBoxEx(Host& host, const std::string& prompt, int buttons = vbOKOnly,
                    const std::optional<std::string>& title = std::nullopt) {
  return host.MsgBox(prompt, buttons, title ? *title : std::string(kApplicationTitle));
}

}  // namespace quantorial
