#include "frontend/MainForm.h"

namespace quantorial {

MainForm::MainForm() {
  // The pipeline starts disabled: loading data enables its first stages.
  for (const char* c : {"cmdEXV", "cmdInvert", "cmdMultiply", "cmdReciprocal", "cmdTrend", "cmdForecast", "cmdChart",
                        "cmdRunAll", "cmdSplitTable", "cmdDynamicX", "cmdDynamicEndo", "cmdDynamicExo", "cmdQ(0)",
                        "cmdQ(1)", "cmdQ(2)", "cmdQ(3)", "chkDummy"}) {
    enabled[c] = false;
  }
}

int MainForm::SelectedImpVars() const {
  int n = 0;
  for (bool b : lstImpVarsSelected) n += b ? 1 : 0;
  return n;
}

bool MainForm::IsEnabled(const std::string& control) const {
  const auto it = enabled.find(control);
  return it == enabled.end() || it->second;
}

}  // namespace quantorial
