#include "gui/ChartOptionsDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/CommandWiring.h"

namespace quantorial {

ChartOptionsDialog::ChartOptionsDialog(QWidget* parent, Workbench& bench, ChartOptionsState& state)
    : QDialog(parent), bench_(bench), state_(state) {
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
    if (const std::string help = ChartOptionHelp(o.control); !help.empty()) {
      w->setToolTip(QString::fromStdString(help));
      w->setWhatsThis(QString::fromStdString(help));
    }
  }
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("OKButton");
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("CancelButton");
  auto* defaults = new QPushButton("Use Default Settings", this);
  defaults->setObjectName("cmdDefaults");
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
  // Every control goes through the command table, as "answer frmChartOptions ..." lines
  // do: a change sets the dialog's state, and every button closes it.
  WireThroughTable(
      this, "frmChartOptions.", [this](const QString& name) { return findChild<QObject*>(name); },
      [this](const Action& a) {
        std::string error;
        if (!Perform(bench_, a, error)) QApplication::beep();
        if (state_.closed) done(state_.closedByOk || state_.closedByDefaults ? Accepted : Rejected);
      });
}

}  // namespace quantorial
