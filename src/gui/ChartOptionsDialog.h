#pragma once
// frmChartOptions, "Other Chart Options": the sixteen chart settings.

#include <QDialog>
#include <QMap>

#include "charts/ChartOptions.h"

namespace quantorial {

class ChartOptionsDialog : public QDialog {
  Q_OBJECT
 public:
  ChartOptionsDialog(QWidget* parent, ChartOptionsState& state);

 private:
  void Store();  // controls -> state
  ChartOptionsState& state_;
  QMap<QString, QWidget*> controls_;  // by setting key
};

}  // namespace quantorial
