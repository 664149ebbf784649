#pragma once
// frmChart, "Chart Preview": the chart of the selected series, drawn again at every
// "&Plot/Chart Variables". A click on a series picks its colour, a click on the title its
// font and colour; "Save Picture..." writes PNG, SVG or PDF.

#include <QWidget>
#include <memory>

#include "charts/TrendChart.h"
#include "gui/Windows.h"

class QChart;
class QChartView;

namespace quantorial {

class ChartWindow : public QWidget, public ControlledWindow {
  Q_OBJECT
 public:
  // "frmChart"; its controls are sent through `act`.
  ChartWindow(QWidget* owner, ActFunction act);
  void Control(const std::string& control, const std::string& value) override;
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
