#pragma once
// frmForecast, "Forecast Options": shows and edits the forecast dialog's state.

#include <QDialog>

class QLineEdit;

namespace quantorial {

struct Action;
class ForecastOptions;
class Workbench;

class ForecastDialog : public QDialog {
  Q_OBJECT
 public:
  ForecastDialog(QWidget* parent, Workbench& bench, ForecastOptions& options);

 private:
  void Act(const Action& a);  // performs it on the workbench, then shows the state or closes
  void Show();                // state -> fields
  Workbench& bench_;
  ForecastOptions& options_;
  QLineEdit* txtFromYr_;
  QLineEdit* txtToYr_;
  QLineEdit* txtFromYear_;
  QLineEdit* txtToYear_;
  QLineEdit* txtData_;
};

}  // namespace quantorial
