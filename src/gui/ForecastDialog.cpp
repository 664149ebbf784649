#include "gui/ForecastDialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "workbench/Workbench.h"

namespace quantorial {

ForecastDialog::ForecastDialog(QWidget* parent, ForecastOptions& options) : QDialog(parent), options_(options) {
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

  connect(select, &QPushButton::clicked, this, [this] {
    Store();
    options_.cmdSelectFile_Click();
    Show();
  });
  connect(txtData_, &QLineEdit::editingFinished, this, [this] {
    Store();
    options_.SetTxtData(txtData_->text().toStdString());
    Show();
  });
  // Both buttons close the dialog; OK keeps the years and lets the forecast run, Cancel
  // (like the window's close button) forecasts nothing.
  connect(ok, &QPushButton::clicked, this, [this] {
    Store();
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
  Show();
}

void ForecastDialog::Show() {
  txtFromYr_->setText(QString::fromStdString(options_.txtFromYr));
  txtToYr_->setText(QString::fromStdString(options_.txtToYr));
  txtFromYear_->setText(QString::fromStdString(options_.txtFromYear));
  txtToYear_->setText(QString::fromStdString(options_.txtToYear));
  txtData_->setText(QString::fromStdString(options_.txtData));
}

void ForecastDialog::Store() {
  options_.txtFromYear = txtFromYear_->text().toStdString();
  options_.txtToYear = txtToYear_->text().toStdString();
}

}  // namespace quantorial
