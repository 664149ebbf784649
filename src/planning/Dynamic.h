#pragma once
// The dynamic multipliers: the solved model run forward year by year.
//   Dynamic Endo: y(t+1) = (-B with a zero diagonal)(I - B)^-1 y(t) + (I - B)^-1 y(t),
//                 extended E years past the observed ones on its own results.
//   Dynamic Exo:  y(t) = y(t-1) + (I - B)^-1 C (x(t) - x(t-1)), past the observed years on the
//                 forecast data.
//   Dynamic:      y(t) = (I + Z) y(t-1) - Z y(t-2), Z = (I - Q2)^-1, on the levels kept by the
//                 change transformation.
// Each shows its intermediate matrices and leaves its new trend in the workspace; the
// workbench draws the charts.

#include <string>
#include <vector>

#include "charts/TrendChart.h"
#include "model/Stages.h"
#include "workspace/Workspace.h"

namespace quantorial {

// A name as the dynamic commands compare it: the text form with every character below 32
// or equal to 255 made a blank, trimmed, upper-cased; empty for an empty cell.
std::string NormalizeName(const Cell& value);

// The number of extension years of txtExtd: its value rounded to a whole number, 0 for a
// text that is not a number or a negative one, at most kMaxExtensionYears.
inline constexpr int kMaxExtensionYears = 100000;
int ExtensionYears(const std::string& text);

// The text of txtDyn after a click on lstDyn: every selected item followed by ",~", or, with
// none selected, `last`, the last text "Dynamic" saw.
std::string DynamicSelectionText(const std::vector<std::string>& items, const std::vector<bool>& selected,
                                 const std::string& last);

// "Dynamic Endo" up to the chart, extended E years past the observed ones: grows mObserved
// by E rows and writes mCalculated and mCalcLevels.
ComputedStage DynamicEndo(Workspace& ws, int extensionYears, const StageWatch& watch = {});

// "Dynamic Exo" up to the chart (the forecast data are those loaded, if any), with the
// first `endogenous` columns of the data endogenous: mCalculated, mCalcBase, mForecast,
// bForecastDone.
ComputedStage DynamicExo(Workspace& ws, int endogenous, const StageWatch& watch = {});

// "Dynamic" up to the chart: the chart "DYNAMIC CHART" of the new trend's columns named in
// `selection` (the text of txtDyn), extended E years. The notices name a singular I - Q2
// and Q2 cells that are not numbers.
struct DynamicResult : ComputedStage {
  ChartDescription chart;
};
DynamicResult DynamicOfLevels(Workspace& ws, int extensionYears, const std::string& selection,
                              const StageWatch& watch = {});

}  // namespace quantorial
