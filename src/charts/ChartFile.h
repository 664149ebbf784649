#pragma once
// A chart description written whole to a file and read back: how the command line hands a
// chart to the picture program (quantorial-chart), which alone loads the drawing libraries.

#include <string>

#include "charts/TrendChart.h"

namespace quantorial {

// Every field of the description, as JSON.
std::string ChartFileText(const ChartDescription& chart);
// The description read back; false with a reason for a text that is not one. Sizes are
// bounded (the text is read whole by the caller, at most kMaxChartFileBytes).
bool ReadChartFileText(const std::string& text, ChartDescription& chart, std::string& error);

inline constexpr std::size_t kMaxChartFileBytes = 256u << 20;

}  // namespace quantorial
