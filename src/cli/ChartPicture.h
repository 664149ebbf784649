#pragma once
// Chart output of quantorial-cli: the chart as JSON, and as a PNG or SVG picture drawn by
// the same renderer as the chart window (offscreen, when there is no display).

#include <string>

#include "charts/TrendChart.h"

namespace quantorial {

// {"title", "xTitle", "yTitle", "series": [{"label", "points": [[row label, value or null]]}]}
std::string ChartJson(const ChartDescription& chart);

// True when this build can draw pictures.
bool CanDrawChartPictures();
// Draws the chart into a .png or .svg file. False with a reason.
bool DrawChartPicture(const ChartDescription& chart, const std::string& path, std::string& error);

}  // namespace quantorial
