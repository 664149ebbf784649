#include "gui/EstimateSystemWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/CommandWiring.h"
#include "gui/MainWindow.h"
#include "workbench/Workbench.h"

namespace quantorial {

EstimateSystemWindow::EstimateSystemWindow(Workbench& bench, QWidget* parent)
    : QWidget(parent, Qt::Window), bench_(bench) {
  setObjectName("frmEstimate");
  setWindowTitle(kEstimateSystemTitle);
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);

  system_ = new QPlainTextEdit(this);
  system_->setObjectName("txtSystem");
  system_->setFont(fixed);
  system_->setLineWrapMode(QPlainTextEdit::NoWrap);
  report_ = new QPlainTextEdit(this);
  report_->setObjectName("txtReport");
  report_->setFont(fixed);
  report_->setReadOnly(true);
  report_->setLineWrapMode(QPlainTextEdit::NoWrap);

  method_ = new QComboBox(this);
  method_->setObjectName("cboMethod");
  for (const std::string& m : SystemEstimationWindow::Methods()) method_->addItem(QString::fromStdString(m));
  sample_ = new QLineEdit(this);
  sample_->setObjectName("txtSample");
  sample_->setPlaceholderText("as in the system, or FIRST:LAST");

  auto button = [this](const char* name, const char* caption) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(name);
    return b;
  };
  auto* systemButtons = new QHBoxLayout;
  systemButtons->addWidget(new QLabel("System:"));
  systemButtons->addStretch();
  systemButtons->addWidget(button("cmdOpenSystem", "&Open..."));
  systemButtons->addWidget(button("cmdSaveSystem", "&Save..."));

  // The labels carry the mnemonics of the fields beside them (Alt+M, Alt+A).
  auto labelFor = [this](const char* caption, QWidget* field) {
    auto* label = new QLabel(caption, this);
    label->setBuddy(field);
    return label;
  };
  auto* options = new QHBoxLayout;
  options->addWidget(labelFor("&Method:", method_));
  options->addWidget(method_);
  options->addSpacing(12);
  options->addWidget(labelFor("S&ample:", sample_));
  options->addWidget(sample_);
  options->addStretch();
  options->addWidget(button("cmdEstimate", "&Estimate"));

  auto* reportButtons = new QHBoxLayout;
  reportButtons->addWidget(new QLabel("Report:"));
  reportButtons->addStretch();
  reportButtons->addWidget(button("cmdSaveReport", "Save &Report..."));
  reportButtons->addWidget(button("cmdUseInWorkbench", "&Use in Workbench"));
  reportButtons->addWidget(button("cmdClose", "&Close"));

  auto* top = new QWidget(this);
  auto* topLayout = new QVBoxLayout(top);
  topLayout->setContentsMargins(0, 0, 0, 0);
  topLayout->addLayout(systemButtons);
  topLayout->addWidget(system_);
  topLayout->addLayout(options);
  auto* bottom = new QWidget(this);
  auto* bottomLayout = new QVBoxLayout(bottom);
  bottomLayout->setContentsMargins(0, 0, 0, 0);
  bottomLayout->addLayout(reportButtons);
  bottomLayout->addWidget(report_);
  auto* split = new QSplitter(Qt::Vertical, this);
  split->addWidget(top);
  split->addWidget(bottom);
  split->setStretchFactor(1, 2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(split);
  FitOnScreen();

  // Every control but the system text goes through the command table as it is; the text is
  // sent as one line before each command.
  WireThroughTable(
      this, "frmEstimate.",
      [this](const QString& name) -> QObject* { return name == "txtSystem" ? nullptr : findChild<QObject*>(name); },
      [this](const Action& a) { Act(a); });
  Refresh();
}

void EstimateSystemWindow::FitOnScreen() {
  // 860 x 720, smaller on a smaller screen, and placed so that the whole window, title bar
  // included, is on the screen: left to the desktop, a window as high as this one may open
  // with its lower edge below the screen.
  QSize size(860, 720);
  const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  if (!screen) {
    resize(size);
    return;
  }
  const QRect room = screen->availableGeometry();
  size = size.boundedTo(room.size() - QSize(2 * kFrameAllowance, kTitleAllowance + kFrameAllowance));
  resize(size);
  const int left = room.left() + std::max(0, (room.width() - size.width() - 2 * kFrameAllowance) / 2);
  const int top = room.top() + std::max(0, (room.height() - size.height() - kTitleAllowance - kFrameAllowance) / 2);
  move(left, top);
}

void EstimateSystemWindow::Act(const Action& a) {
  if (detached_) return;
  const bool outer = !acting_;
  acting_ = true;
  ActOnBench(a);
  if (outer) acting_ = false;
  // "Use in Workbench" loads files into the main window, and a command may enable or
  // disable its controls: it shows the workbench's state again.
  if (auto* main = qobject_cast<MainWindow*>(parentWidget())) main->Refresh();
}

void EstimateSystemWindow::ActOnBench(const Action& a) {
  std::string error;
  SystemEstimationWindow* state = bench_.EstimationWindow();
  if (state && a.kind == ActionKind::Click) {
    const std::string text = system_->toPlainText().toStdString();
    if (text != state->txtSystem) {
      Perform(bench_, {ActionKind::Set, "frmEstimate.txtSystem", EscapeLineBreaks(text), {}}, error);
    }
  }
  if (!Perform(bench_, a, error)) QApplication::beep();
  if (!detached_) Refresh();
}

void EstimateSystemWindow::Refresh() {
  const SystemEstimationWindow* state = bench_.EstimationWindow();
  if (!state) return;
  const QString text = QString::fromStdString(state->txtSystem);
  if (system_->toPlainText() != text) system_->setPlainText(text);
  {
    const QSignalBlocker block(method_);
    method_->setCurrentIndex(state->cboMethodIndex);
  }
  if (sample_->text().toStdString() != state->txtSample) sample_->setText(QString::fromStdString(state->txtSample));
  report_->setPlainText(QString::fromStdString(state->txtReport));
  const QString name = QString::fromStdString(state->systemPath);
  setWindowTitle(name.isEmpty() ? QString(kEstimateSystemTitle) : QString(kEstimateSystemTitle) + " - " + name);
}

void EstimateSystemWindow::closeEvent(QCloseEvent* event) {
  // The window's close button is "Close".
  if (!detached_ && bench_.EstimationWindow()) Act({ActionKind::Click, "frmEstimate.cmdClose", {}, {}});
  event->accept();
}

}  // namespace quantorial
