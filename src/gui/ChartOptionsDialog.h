#pragma once
// frmChartOptions, "Other Chart Options": the sixteen chart settings.

#include <QDialog>

#include "workbench/ChartOptionsForm.h"

namespace quantorial {

class Workbench;

class ChartOptionsDialog : public QDialog {
  Q_OBJECT
 public:
  ChartOptionsDialog(QWidget* parent, Workbench& bench, ChartOptionsState& state);

 private:
  Workbench& bench_;
  ChartOptionsState& state_;
};

}  // namespace quantorial
