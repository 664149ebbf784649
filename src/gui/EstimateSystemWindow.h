#pragma once
// "Estimate System" (frmEstimate): the window over the workbench's system estimation. The
// system text is edited here and sent to the workbench (through the command table, as one
// script line) before each command that uses it; every button, the method and the sample go
// through the command table as script lines do; the report shows read-only.

#include <QWidget>

#include "workbench/CommandTable.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;

namespace quantorial {

class Workbench;

class EstimateSystemWindow : public QWidget {
 public:
  EstimateSystemWindow(Workbench& bench, QWidget* parent);
  // Shows the workbench's state: the system text, the method, the sample and the report.
  void Refresh();
  // The workbench closed the estimation: the window goes without acting on it.
  void Detach() { detached_ = true; }
  // Whether one of the window's commands is running: the boxes and file dialogs it asks for
  // open over this window.
  bool Acting() const { return acting_; }

 protected:
  void closeEvent(class QCloseEvent* event) override;

 private:
  // Carries out a control's action, then shows the state it left here and in the main window.
  void Act(const Action& a);
  void ActOnBench(const Action& a);
  // The first size and place: within the screen, title bar and all.
  void FitOnScreen();
  // Room kept for the window manager's title bar and frame, which Qt cannot know before the
  // window is shown.
  static constexpr int kTitleAllowance = 32;
  static constexpr int kFrameAllowance = 8;

  Workbench& bench_;
  QPlainTextEdit* system_ = nullptr;
  QComboBox* method_ = nullptr;
  QLineEdit* sample_ = nullptr;
  QPlainTextEdit* report_ = nullptr;
  bool detached_ = false;
  bool acting_ = false;
};

}  // namespace quantorial
