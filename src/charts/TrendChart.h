#pragma once
// The description of a line chart (pure data, no drawing): titles, row labels and series
// with their values, built from the workspace as "&Plot/Chart Variables" does. The chart
// window and the batch tool draw it; the dynamic charts give their own series and titles
// to the same description.

#include <optional>
#include <string>
#include <vector>

#include "charts/ChartOptions.h"
#include "workspace/Workspace.h"

namespace quantorial {

struct ChartSeries {
  std::string label;
  std::vector<std::optional<double>> values;  // one per chart row; nothing for an empty cell
  bool dashed = false;                        // drawn dashed, so that a series it covers shows through (the forecast)
};

struct ChartDescription {
  std::string title;
  std::string xTitle = "Time";
  std::string yTitle;
  std::vector<std::string> rowLabels;  // the years, one per chart row
  std::vector<ChartSeries> series;
  bool showLegend = true;
  bool showMarkers = false;
  double markerSize = 9.6;  // points
  bool bars = false;        // a bar chart: one group of bars per row, one bar per series
};

// What the chart reads from the main window.
struct ChartInputs {
  std::string seriesText;  // the text of "Series Variables", such as "2=GDP"
  std::string scaleText;   // the scale exponent e of 10^e
  bool absolute = false;   // "ABS"
  std::vector<std::string> impactVariables;
  std::vector<bool> impactSelected;
  // The word in front of the calculated series' names; the dynamic charts write "Calculated ".
  std::string predictedWord = "Predicted ";
};

// The chart of the selected series: actual, predicted, the two level series of a split
// table and the forecast, by the settings' graph switches.
ChartDescription BuildTrendChart(const Workspace& ws, const ChartInputs& inputs, const ChartSettings& settings);

}  // namespace quantorial
