#include "gui/ChartWindow.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "gui/ChartRenderer.h"
#include "gui/CommandWiring.h"
#include "gui/GuiHost.h"

namespace quantorial {

ChartWindow::ChartWindow(QWidget* owner, ActFunction act) : QWidget(owner, Qt::Window) {
  setObjectName("frmChart");
  setWindowTitle("Chart Preview");
  view_ = new QChartView(this);
  view_->setObjectName("MSChart1");
  view_->setRenderHint(QPainter::Antialiasing);
  view_->viewport()->installEventFilter(this);
  auto* save = new QPushButton("Save &Picture...", this);
  save->setObjectName("cmdSavePicture");
  save->setToolTip("Save the chart as a PNG, SVG or PDF file");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(save);
  auto* layout = new QVBoxLayout(this);
  // 120 twips around the chart.
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addWidget(view_, 1);
  layout->addLayout(buttons);
  resize(900, 560);
  WireThroughTable(
      this, "frmChart.", [this](const QString& name) { return findChild<QObject*>(name); }, std::move(act));
}

void ChartWindow::Control(const std::string& control, const std::string&) {
  if (control == "cmdSavePicture") SavePicture();
}

QChart* ChartWindow::Chart() const { return view_->chart(); }

void ChartWindow::ShowChart(const ChartDescription& chart, bool copyToClipboard) {
  description_ = chart;
  QChart* old = view_->chart();
  QChart* fresh = BuildQChart(chart);
  view_->setChart(fresh);
  delete old;
  for (QAbstractSeries* s : fresh->series()) {
    if (auto* line = qobject_cast<QLineSeries*>(s)) {
      connect(line, &QLineSeries::clicked, this, [this, line] {
        const QColor c = QColorDialog::getColor(line->color(), this, "Series Colour");
        if (c.isValid()) SetSeriesColour(line->name(), c);
      });
    }
  }
  // The colours picked for series stay with them through the next drawings.
  for (auto it = colours_.cbegin(); it != colours_.cend(); ++it) SetSeriesColour(it.key(), it.value());
  if (!placed_ && placeFirst_) placeFirst_(this);
  placed_ = true;
  // A new chart is shown even when the window was minimized after the last one.
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  if (copyToClipboard) QGuiApplication::clipboard()->setPixmap(view_->grab());
}

void ChartWindow::SetSeriesColour(const QString& name, const QColor& colour) {
  colours_.insert(name, colour);
  // Every segment of the series takes the colour, line and points alike.
  for (QAbstractSeries* other : view_->chart()->series()) {
    if (auto* o = qobject_cast<QLineSeries*>(other); o && o->name() == name) {
      QPen pen = o->pen();
      pen.setColor(colour);
      o->setPen(pen);
      o->setColor(colour);
    }
  }
}

bool ChartWindow::eventFilter(QObject* watched, QEvent* e) {
  if (watched == view_->viewport() && e->type() == QEvent::MouseButtonPress && view_->chart()) {
    const auto* me = static_cast<QMouseEvent*>(e);
    const QRectF plot = view_->chart()->plotArea();
    // A click above the plot area and near the top edge is on the title.
    if (me->position().y() < std::min(plot.top(), 40.0)) {
      bool ok = false;
      const QFont font = QFontDialog::getFont(&ok, view_->chart()->titleFont(), this, "Title Font");
      if (!ok) return true;  // cancelled: the title stays as it is
      view_->chart()->setTitleFont(font);
      const QColor c = QColorDialog::getColor(view_->chart()->titleBrush().color(), this, "Title Colour");
      if (c.isValid()) view_->chart()->setTitleBrush(c);
      return true;
    }
  }
  return QWidget::eventFilter(watched, e);
}

void ChartWindow::SavePicture() {
  const QString start = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  QFileDialog dialog(this, "Save Chart Picture", start + "/chart.png",
                     "PNG picture (*.png);;SVG drawing (*.svg);;PDF document (*.pdf)");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  FitFileDialog(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString path = dialog.selectedFiles().constFirst();
  if (path.isEmpty()) return;
  QString error;
  if (!SaveChartPicture(description_, path, view_->width(), view_->height(), error)) {
    QMessageBox::critical(this, "Save Chart Picture", "Cannot save \"" + path + "\": " + error);
  }
}

}  // namespace quantorial
