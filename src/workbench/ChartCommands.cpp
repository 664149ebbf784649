// Charts: drawing the chart of the selected series, ABS, the scale box and the chart
// options dialog.
#include <cmath>
#include <filesystem>

#include "export/Export.h"
#include "matrix/MatrixFunctions.h"
#include "workbench/Workbench.h"
#include "workspace/SlotTable.h"
#include "workspace/ValueRules.h"

namespace quantorial {

SettingReader Workbench::ProgramSettingReader() const {
  return [this](const std::string& key, const std::string& def) {
    return settings_ ? settings_->GetDbSetting(kProgramSection, key, def) : def;
  };
}

ChartSettings Workbench::ReadChartSettings() const { return ChartSettings::Read(ProgramSettingReader()); }

void Workbench::cmdChart_Click() { DrawTrendChart("Predicted ", true); }

void Workbench::DrawTrendChart(const std::string& predictedWord, bool closingPreviews) {
  host_.HoldOn("Ploting Charts.");
  ChartInputs inputs;
  inputs.predictedWord = predictedWord;
  if (form.cboPlotIndex >= 0 && form.cboPlotIndex < static_cast<int>(form.cboPlot.size())) {
    inputs.seriesText = form.cboPlot[static_cast<std::size_t>(form.cboPlotIndex)];
  }
  inputs.scaleText = form.txtScale;
  inputs.absolute = form.chkAbs == 1;
  inputs.impactVariables = form.lstImpVars;
  inputs.impactSelected = form.lstImpVarsSelected;
  const ChartSettings settings = ReadChartSettings();
  const ChartDescription chart = BuildTrendChart(ws, inputs, settings);
  // "Do Not Copy Chart to Clipboard" is honoured: the person asked for it.
  host_.ShowChart(chart, !settings.dontCopyChart);
  host_.HoldOn("");
  if (!closingPreviews) return;
  host_.Preview(ws.mObserved, 0, "trend matrix");
  host_.Preview(ws.mCalculated, 1, "predicted matrix");
  host_.Preview(ws.mForecast, 2, "forecast matrix");
}

void Workbench::chkAbs_Click() { PressWhileDisabled("cboPlot", "cmdChart", &Workbench::cmdChart_Click); }

void Workbench::txtScale_Change() { PressWhileDisabled("cboPlot", "cmdChart", &Workbench::cmdChart_Click); }

void Workbench::cmdChartTitle_Click() {
  ChartOptionsState dialog(ProgramSettingReader(), [this](const std::string& key, const std::string& value) {
    SaveSetting(kProgramSection, key.c_str(), value);
  });
  chartOptions_ = &dialog;
  host_.ShowChartOptions(dialog);
  chartOptions_ = nullptr;
}

}  // namespace quantorial
