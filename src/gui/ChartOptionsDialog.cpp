#include "gui/ChartOptionsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quantorial {

ChartOptionsDialog::ChartOptionsDialog(QWidget* parent, ChartOptionsState& state) : QDialog(parent), state_(state) {
  setObjectName("frmChartOptions");
  setWindowTitle("Other Chart Options");
  auto* form = new QFormLayout;
  auto* graphs = new QGroupBox("Show Graphs", this);
  auto* graphsLayout = new QVBoxLayout(graphs);
  for (const ChartOption& o : ChartOptionTable()) {
    const QString value = QString::fromStdString(state.Get(o.key));
    QWidget* w = nullptr;
    switch (o.kind) {
      case ChartOptionKind::Text: {
        auto* e = new QLineEdit(value, this);
        form->addRow(o.caption, e);
        w = e;
        break;
      }
      case ChartOptionKind::Combo: {
        auto* c = new QComboBox(this);
        c->setEditable(true);
        for (const auto& item : ChartOptionItems(o.control)) c->addItem(QString::fromStdString(item));
        c->setCurrentText(value);
        form->addRow(o.caption, c);
        w = c;
        break;
      }
      case ChartOptionKind::Check: {
        auto* c = new QCheckBox(o.caption, this);
        c->setChecked(value.trimmed() == "1");
        if (QString(o.key).endsWith("Graph") || QString(o.key) == "AllGraphs") {
          graphsLayout->addWidget(c);
        } else {
          form->addRow(QString(), c);
        }
        w = c;
        break;
      }
    }
    w->setObjectName(o.control);
    controls_.insert(o.key, w);
  }
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("OKButton");
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("CancelButton");
  auto* defaults = new QPushButton("Use Default Settings", this);
  defaults->setObjectName("cmdDefaults");
  connect(ok, &QPushButton::clicked, this, [this] {
    Store();
    state_.OKButton_Click();
    accept();
  });
  connect(defaults, &QPushButton::clicked, this, [this] {
    state_.cmdDefaults_Click();
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, [this] {
    state_.CancelButton_Click();
    reject();
  });
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(defaults);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  top->addLayout(form, 1);
  top->addWidget(graphs);
  layout->addLayout(top);
  layout->addLayout(buttons);
}

void ChartOptionsDialog::Store() {
  for (auto it = controls_.cbegin(); it != controls_.cend(); ++it) {
    QString value;
    if (auto* e = qobject_cast<QLineEdit*>(it.value())) value = e->text();
    if (auto* c = qobject_cast<QComboBox*>(it.value())) value = c->currentText();
    if (auto* c = qobject_cast<QCheckBox*>(it.value())) value = c->isChecked() ? "1" : "0";
    state_.Set(it.key().toStdString(), value.toStdString());
  }
}

}  // namespace quantorial
