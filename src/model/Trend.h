#pragma once
// The trend analysis and the forecast: the calculated series of the endogenous variables
// over the observed years, y^(t) = y(t-1) + B1 x(t) + B2 x(t-1), and their extension over
// the years of a forecast data file.

#include <functional>
#include <string>
#include <vector>

#include "model/Stages.h"
#include "workspace/Workspace.h"

namespace quantorial {

// The list of the calculated series, as the series box shows it: "1=GDP", "2=INV", ... for
// the columns of `calculated`, those `include` refuses left out.
std::vector<std::string> SeriesList(const LabelledMatrix& calculated,
                                    const std::function<bool(const Cell&)>& include = nullptr);

// "&Trend Analysis" with the prediction shift s (the setting "ShiftPrediction"): the
// calculated series mCalculated (and mCalcLevels of a split table) over the observed years;
// with `reuseCalculated` each year from the year before's calculated value.
ComputedStage CalculateTrend(Workspace& ws, int shift, bool reuseCalculated);

// The forecast period and data of the "Forecast Options" dialog.
struct ForecastPeriod {
  std::string lastCalculatedYear;  // txtToYr
  std::string firstForecastYear;   // txtFromYear
  std::string lastForecastYear;    // txtToYear
};

// A notice when the forecast file's columns 1, 2, ... are not the exogenous variables of
// `modelExo`'s columns, named and ordered alike (a trailing "(t)" aside).
void CheckForecastColumns(const LabelledMatrix& modelExo, const LabelledMatrix& fx, StageNotices& notices);

// True when the forecast starts more than a year after the last calculated year.
bool ForecastLeavesAGap(const ForecastPeriod& period);

// The forecast's outcome: done (mForecast holds the extended series), or not, with the
// reason in `failure` when there is one to tell (no calculated series has none). The
// notices name what the forecast data leave to chance.
struct ForecastResult : ComputedStage {
  bool done = false;
  std::string failure;
};

// "&Forecast" after its dialog: extends the calculated series over the forecast years. A long
// forecast tells `watch` how far it has come, and shows each year's solution while quick.
ForecastResult CalculateForecast(Workspace& ws, const ForecastPeriod& period, const StageWatch& watch = {});

}  // namespace quantorial
