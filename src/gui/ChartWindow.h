#pragma once
// frmChart, "Chart Preview": the chart of the selected series, drawn again at every
// "&Plot/Chart Variables". A click on a series picks its colour, a click on the title its
// font and colour; "Save Picture..." writes PNG, SVG or PDF.

#include <QColor>
#include <QMap>
#include <QWidget>
#include <functional>
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
  // Gives a series (by its name) a colour of its own, kept for the next drawings.
  void SetSeriesColour(const QString& name, const QColor& colour);
  // Called once, before the window first shows, to put it in its place.
  void SetPlacer(std::function<void(QWidget*)> placer) { placeFirst_ = std::move(placer); }
  const ChartDescription& Description() const { return description_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void SavePicture();
  QChartView* view_;
  ChartDescription description_;
  QMap<QString, QColor> colours_;
  std::function<void(QWidget*)> placeFirst_;
  bool placed_ = false;
};

}  // namespace quantorial
