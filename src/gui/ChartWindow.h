#pragma once
// frmChart, "Chart Preview": the chart of the selected series, drawn again at every
// "&Plot/Chart Variables". A click on a series picks its colour, a click on the title its
// font and colour; "Save Picture..." writes PNG, SVG or PDF.

#include <QWidget>
#include <memory>

#include "charts/TrendChart.h"

class QChart;
class QChartView;

namespace quantorial {

class ChartWindow : public QWidget {
  Q_OBJECT
 public:
  explicit ChartWindow(QWidget* owner);
  // Rebuilds the chart with the standard formatting and shows the window.
  void ShowChart(const ChartDescription& chart, bool copyToClipboard);
  QChart* Chart() const;
  const ChartDescription& Description() const { return description_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void SavePicture();
  QChartView* view_;
  ChartDescription description_;
};

}  // namespace quantorial
