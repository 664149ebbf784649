#include "gui/ForecastDialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/CommandWiring.h"
#include "workbench/Workbench.h"

namespace quantorial {

ForecastDialog::ForecastDialog(QWidget* parent, Workbench& bench, ForecastOptions& options)
    : QDialog(parent), bench_(bench), options_(options) {
  setObjectName("frmForecast");
  setWindowTitle("Forecast Options");
  auto edit = [this](const char* name) {
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    return e;
  };
  txtFromYr_ = edit("txtFromYr");
  txtToYr_ = edit("txtToYr");
  txtFromYear_ = edit("txtFromYear");
  txtToYear_ = edit("txtToYear");
  txtData_ = edit("txtData(0)");
  txtData_->setMinimumWidth(320);
  txtFromYr_->setReadOnly(true);
  txtToYr_->setReadOnly(true);

  auto* period = new QGroupBox("Period", this);
  auto* pl = new QGridLayout(period);
  pl->addWidget(new QLabel("Plot Data"), 0, 0);
  pl->addWidget(txtFromYr_, 0, 1);
  pl->addWidget(new QLabel("to"), 0, 2);
  pl->addWidget(txtToYr_, 0, 3);
  pl->addWidget(new QLabel("Forecast"), 1, 0);
  pl->addWidget(txtFromYear_, 1, 1);
  pl->addWidget(new QLabel("to"), 1, 2);
  pl->addWidget(txtToYear_, 1, 3);

  auto* data = new QGroupBox("Data", this);
  auto* dl = new QHBoxLayout(data);
  auto* select = new QPushButton("Select Forecast Data File", this);
  select->setObjectName("cmdSelectFile");
  dl->addWidget(select);
  dl->addWidget(txtData_, 1);

  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("OKButton");
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("CancelButton");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(period);
  layout->addWidget(data);
  layout->addLayout(buttons);

  // Every control goes through the command table, as "answer frmForecast ..." lines do.
  // OK and Cancel close the dialog; OK keeps the years and lets the forecast run, Cancel
  // (like the window's close button) forecasts nothing.
  WireThroughTable(
      this, "frmForecast.", [this](const QString& name) { return findChild<QObject*>(name); },
      [this](const Action& a) { Act(a); });
  Show();
}

void ForecastDialog::Act(const Action& a) {
  std::string error;
  if (!Perform(bench_, a, error)) QApplication::beep();
  if (options_.closed == ForecastOptions::Closed::OK) {
    accept();
  } else if (options_.closed == ForecastOptions::Closed::Cancel) {
    reject();
  } else {
    Show();
  }
}

void ForecastDialog::Show() {
  // A box whose text is already the state's keeps its cursor.
  const auto show = [](QLineEdit* e, const std::string& text) {
    const QString t = QString::fromStdString(text);
    if (e->text() != t) e->setText(t);
  };
  show(txtFromYr_, options_.txtFromYr);
  show(txtToYr_, options_.txtToYr);
  show(txtFromYear_, options_.txtFromYear);
  show(txtToYear_, options_.txtToYear);
  show(txtData_, options_.txtData);
}

}  // namespace quantorial
