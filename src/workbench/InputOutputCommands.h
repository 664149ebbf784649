#pragma once
// The "Input-Output" menu: its items by control name and caption, and the chart of the
// linkages it draws (a description: the chart window draws it).

#include <span>
#include <string>
#include <vector>

#include "charts/TrendChart.h"
#include "inputoutput/IoAnalysis.h"
#include "inputoutput/IoTable.h"

namespace quantorial {

enum class IoMenuItem { AnalyseBMat, AnalyseFlows, Households, Demand, Supply, LinkageChart, Plan, Ras };

struct IoMenuEntry {
  IoMenuItem item;
  const char* name;     // the control name, such as "mnuIoBMat"
  const char* caption;  // the menu text
};

// The items in menu order.
std::span<const IoMenuEntry> InputOutputMenuEntries();

// The bar chart of the backward and forward linkages, one pair of bars per sector (of a larger
// table, of the kLinkageChartSectors sectors whose linkages add up most); a key sector's label
// ends in " *".
inline constexpr std::size_t kLinkageChartSectors = 60;
ChartDescription LinkageChart(const IoTable& t, const IoAnalysis& a);

// What the menu works on between its commands: the table last analysed, how it was read,
// the vectors given for it and the analysis.
struct InputOutputSession {
  LabelledMatrix source;  // the table as loaded
  std::string sourceName;
  IoReadOptions read;
  IoTable table;
  std::vector<double> demand, supply;
  IoAnalysis analysis;
  bool ready = false;
};

}  // namespace quantorial
