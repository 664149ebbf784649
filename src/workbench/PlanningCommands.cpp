// Planning: the dynamic multipliers with their panel, and the aspiration analysis.
#include "matrix/MatrixFunctions.h"
#include "planning/Aspiration.h"
#include "planning/Dynamic.h"
#include "model/Stages.h"
#include "planning/Kaldron.h"
#include "workbench/Workbench.h"

namespace quantorial {

void Workbench::cmdDynamicEndo_Click() {
  RunDynamicEndo(ws, form, host_);
  // The chart as the chart command draws it, the calculated series so named, without the
  // chart command's closing previews.
  DrawTrendChart("Calculated ", false);
}

void Workbench::cmdDynamicExo_Click() {
  // Without forecast data the forecast dialog asks for them first.
  if (!ws.mForecastExo.IsFilled()) {
    if (!forecast_) {
      forecast_ = std::make_unique<ForecastOptions>(*this);
      forecast_->Form_Load();
    }
    forecast_->closed = ForecastOptions::Closed::Open;
    host_.ShowForecastOptions(*forecast_);
  }
  RunDynamicExo(ws, form, host_);
  cmdChart_Click();
}

void Workbench::cmdDynamicX_Click() {
  ChartDescription chart = RunDynamic(ws, form, host_, sDynSelection_);
  const ChartSettings settings = ReadChartSettings();
  chart.showMarkers = settings.showMarkers;
  chart.markerSize = settings.markerSize;
  host_.ShowChart(chart, !settings.dontCopyChart);
}

void Workbench::lstDyn_Click() { quantorial::lstDyn_Click(form, sDynSelection_); }

void Workbench::cmdAspire_Click() { quantorial::cmdAspire_Click(ws, form, host_); }

void Workbench::cmdKALDRON_Click() {
  // The first run asks for the extended data file (the targets); a B-matrix not yet split
  // into its endogenous block is split first.
  if (!ws.mRhsIO.IsFilled()) cmdSelectFile_Click(2);
  // (The split's notices about the model's exogenous data do not concern the plan.)
  if (form.txtRows == form.txtCols) quantorial::cmdEXV_Click(ws, form, host_);
  const int n = ws.mEndo.Rows();
  const std::vector<std::string> own = OwnSectorInputs(ws.mBMat, n);
  if (!own.empty()) {
    std::string names;
    for (std::size_t i = 0; i < own.size() && i < 8; ++i) names += (i ? ", " : "") + own[i];
    if (own.size() > 8) names += " and " + std::to_string(own.size() - 8) + " more";
    MsgBoxEx(host_,
             "The B-matrix has own-sector inputs (a diagonal other than 0 or 1) for " + names +
                 ". The plan takes I - A with 1 on the diagonal, so these take no part: to get the Leontief "
                 "solution, fold them into their rows first (divide row k and its target by 1 - a_kk).",
             vbInformation);
  }
  RunKaldron(ws, form, host_);
}

}  // namespace quantorial
