#pragma once
// The trend analysis and the forecast: the calculated series of the endogenous variables
// over the observed years, y^(t) = y(t-1) + B1 x(t) + B2 x(t-1), and their extension over
// the years of a forecast data file.

#include <functional>
#include <string>

#include "frontend/Host.h"
#include "frontend/MainForm.h"
#include "model/Stages.h"
#include "workspace/Workspace.h"

namespace quantorial {

// The series list (cboPlot) of the calculated series: "1=GDP", "2=INV", ... for the
// columns of `calculated`, those `include` refuses left out.
void FillSeriesList(MainForm& form, const LabelledMatrix& calculated,
                    const std::function<bool(const Cell&)>& include = nullptr);

// "&Trend Analysis" with the prediction shift s (the setting "ShiftPrediction").
void RunTrend(Workspace& ws, MainForm& form, Host& host, int shift);

// The forecast period and data of the "Forecast Options" dialog.
struct ForecastPeriod {
  std::string lastCalculatedYear;  // txtToYr
  std::string firstForecastYear;   // txtFromYear
  std::string lastForecastYear;    // txtToYear
};

// A notice when the forecast file's columns 1, 2, ... are not the exogenous variables of
// `modelExo`'s columns, named and ordered alike (a trailing "(t)" aside).
void CheckForecastColumns(const LabelledMatrix& modelExo, const LabelledMatrix& fx, StageNotices& notices);

// "&Forecast" after its dialog: extends the calculated series over the forecast years.
// False when there is no calculated series to extend (or the period is too long to
// hold). What the forecast data leave to chance goes to `notices`.
bool RunForecast(Workspace& ws, Host& host, const ForecastPeriod& period, StageNotices* notices = nullptr);

}  // namespace quantorial
