#pragma once
// frmForecast, "Forecast Options": shows and edits the forecast dialog's state.

#include <QDialog>

class QLineEdit;

namespace quantorial {

class ForecastOptions;

class ForecastDialog : public QDialog {
  Q_OBJECT
 public:
  ForecastDialog(QWidget* parent, ForecastOptions& options);

 private:
  void Show();   // state -> fields
  void Store();  // fields -> state
  ForecastOptions& options_;
  QLineEdit* txtFromYr_;
  QLineEdit* txtToYr_;
  QLineEdit* txtFromYear_;
  QLineEdit* txtToYear_;
  QLineEdit* txtData_;
};

}  // namespace quantorial
