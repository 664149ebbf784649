// Planning: the dynamic multipliers with their panel, and the aspiration analysis.
#include "planning/Aspiration.h"
#include "planning/Dynamic.h"
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

}  // namespace quantorial
