#include "gui/ChartRenderer.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QFileInfo>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <iterator>

#include "charts/TrendChart.h"

namespace quantorial {

namespace {

QFont Arial(int points, bool bold) {
  QFont f("Arial");
  f.setStyleHint(QFont::SansSerif);
  f.setPointSize(points);
  f.setBold(bold);
  return f;
}

}  // namespace

QColor SeriesColor(int i) {
  // Distinct on screen and in print: blue, red, green, orange, purple, then teal, brown,
  // magenta, grey and olive, so that a model of ten variables (Klein's has seven) draws
  // every one in a colour of its own.
  static const QColor colors[] = {QColor(0x1F, 0x4E, 0x9A), QColor(0xC0, 0x39, 0x2B), QColor(0x2E, 0x8B, 0x3C),
                                  QColor(0xE0, 0x8A, 0x00), QColor(0x7B, 0x3F, 0xA0), QColor(0x00, 0x8B, 0x8B),
                                  QColor(0x8B, 0x5A, 0x2B), QColor(0xD0, 0x3C, 0x9B), QColor(0x60, 0x60, 0x60),
                                  QColor(0x80, 0x80, 0x00)};
  constexpr int kColours = static_cast<int>(std::size(colors));
  return colors[((i % kColours) + kColours) % kColours];
}

QChart* BuildQChart(const ChartDescription& d) {
  auto* chart = new QChart;
  chart->setTitle(QString::fromStdString(d.title));
  chart->setTitleFont(Arial(11, true));
  chart->setTitleBrush(Qt::black);
  chart->setBackgroundBrush(QColor(220, 220, 220));
  chart->setPlotAreaBackgroundBrush(QColor(255, 255, 255));
  chart->setPlotAreaBackgroundVisible(true);
  chart->legend()->setVisible(d.showLegend);
  chart->legend()->setAlignment(Qt::AlignBottom);
  chart->legend()->setFont(Arial(8, false));
  chart->legend()->setLabelColor(Qt::black);

  if (d.bars) {
    // One group of bars per row, labelled below; a missing value is a bar of 0.
    auto* bars = new QBarSeries;
    double lo = 0.0, hi = 0.0;
    for (std::size_t i = 0; i < d.series.size(); ++i) {
      auto* set = new QBarSet(QString::fromStdString(d.series[i].label));
      set->setColor(SeriesColor(static_cast<int>(i)));
      for (const auto& v : d.series[i].values) {
        set->append(v.value_or(0.0));
        lo = std::min(lo, v.value_or(0.0));
        hi = std::max(hi, v.value_or(0.0));
      }
      bars->append(set);
    }
    chart->addSeries(bars);
    auto* x = new QBarCategoryAxis;
    for (const auto& label : d.rowLabels) x->append(QString::fromStdString(label));
    x->setTitleText(QString::fromStdString(d.xTitle));
    x->setTitleFont(Arial(10, true));
    x->setLabelsFont(Arial(8, true));
    auto* y = new QValueAxis;
    y->setTitleText(QString::fromStdString(d.yTitle));
    y->setTitleFont(Arial(10, true));
    y->setLabelsFont(Arial(8, true));
    y->setRange(lo, hi > lo ? hi * 1.05 : lo + 1.0);
    y->applyNiceNumbers();
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    bars->attachAxis(x);
    bars->attachAxis(y);
    return chart;
  }

  const int rows = static_cast<int>(d.rowLabels.size());
  auto* x = new QCategoryAxis;
  x->setTitleText(QString::fromStdString(d.xTitle));
  x->setTitleFont(Arial(10, true));
  x->setLabelsFont(Arial(8, true));
  x->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  // With markers the axis reaches half a marker beyond the first and the last year, so
  // that the plot area does not cut their markers in two.
  const double reach =
      d.showMarkers ? std::max(0.25, d.markerSize * 96.0 / 72.0 * std::max(rows - 1, 1) / 1000.0) : 0.0;
  x->setRange(-reach, std::max(rows - 1, 1) + reach);
  // About a dozen year labels, so that they never overlap.
  const int step = std::max(1, (rows + 11) / 12);
  for (int r = 0; r < rows; r += step) {
    QString label = QString::fromStdString(d.rowLabels[static_cast<std::size_t>(r)]);
    while (x->categoriesLabels().contains(label)) label += ' ';
    x->append(label, r);
  }
  auto* y = new QValueAxis;
  y->setTitleText(QString::fromStdString(d.yTitle));
  y->setTitleFont(Arial(10, true));
  y->setLabelsFont(Arial(8, true));
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);

  double lo = INFINITY, hi = -INFINITY;
  for (std::size_t i = 0; i < d.series.size(); ++i) {
    const ChartSeries& s = d.series[i];
    // An empty cell breaks the line: each run of values is a segment of its own, and only
    // the first stands in the legend.
    QLineSeries* first = nullptr;
    QLineSeries* segment = nullptr;
    auto start = [&] {
      segment = new QLineSeries;
      segment->setName(QString::fromStdString(s.label));
      QPen pen(SeriesColor(static_cast<int>(i)));
      pen.setWidthF(s.dashed ? 2.0 : 2.5);
      if (s.dashed) pen.setStyle(Qt::DashLine);
      segment->setPen(pen);
      segment->setColor(SeriesColor(static_cast<int>(i)));
      if (d.showMarkers) {
        segment->setPointsVisible(true);
        // Marker Size is in points; Qt Charts draws a line series' points with the marker size
        // as their radius, so half the diameter in pixels is given.
        segment->setMarkerSize(std::max(1.0, d.markerSize * 96.0 / 72.0 / 2.0));
      }
      chart->addSeries(segment);
      segment->attachAxis(x);
      segment->attachAxis(y);
      if (!first) {
        first = segment;
      } else {
        for (QLegendMarker* m : chart->legend()->markers(segment)) m->setVisible(false);
      }
    };
    for (int r = 0; r < static_cast<int>(s.values.size()); ++r) {
      const auto& v = s.values[static_cast<std::size_t>(r)];
      if (!v) {
        segment = nullptr;
        continue;
      }
      if (!segment) start();
      segment->append(r, *v);
      lo = std::min(lo, *v);
      hi = std::max(hi, *v);
    }
    if (!first) start();  // a series without values still stands in the legend
  }
  if (lo <= hi) {
    const double pad = lo == hi ? std::max(1.0, std::fabs(lo) * 0.05) : (hi - lo) * 0.05;
    y->setRange(lo - pad, hi + pad);
    y->applyNiceNumbers();
  }
  return chart;
}

bool SaveChartPicture(const ChartDescription& d, const QString& path, int width, int height, QString& error) {
  QChartView view(BuildQChart(d));
  view.setRenderHint(QPainter::Antialiasing);
  view.resize(width, height);
  const QString ext = QFileInfo(path).suffix().toLower();
  // Written beside the target and renamed over it, so a failure leaves the old file.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    error = file.errorString();
    return false;
  }
  if (ext == "svg") {
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(QSize(width, height));
    svg.setViewBox(QRect(0, 0, width, height));
    svg.setTitle(QString::fromStdString(d.title));
    QPainter p(&svg);
    view.render(&p);
  } else if (ext == "pdf") {
    QPdfWriter pdf(&file);
    pdf.setPageSize(QPageSize(QSizeF(width * 0.75, height * 0.75), QPageSize::Point));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setTitle(QString::fromStdString(d.title));
    QPainter p(&pdf);
    view.render(&p);
  } else {
    if (!view.grab().save(&file, "PNG")) {
      error = "the picture could not be encoded";
      file.cancelWriting();
      return false;
    }
  }
  if (!file.commit()) {
    error = file.errorString();
    return false;
  }
  return true;
}

}  // namespace quantorial
