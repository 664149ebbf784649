#pragma once
// The files of the multipliers, simulations, scenarios and targets: a model (a MODEL.json
// of the system estimation or a workbench B-matrix), annual data tables and scenario files
// read into the structural-model module's types; the paths written as CSV text.

#include <optional>
#include <string>
#include <vector>

#include "systems/Scenario.h"
#include "systems/Simulation.h"
#include "systems/StructuralForm.h"
#include "systems/StructuralFormJson.h"
#include "systems/Target.h"

namespace quantorial {

struct LoadedModelOutcome {
  std::optional<ModelDescription> model;  // a B-matrix gives no series or identities to compute
  std::string error;
};

// A file whose name ends in .json is a model of the system estimation; any other is a
// B-matrix data file whose first `endogenousCount` rows and columns are the endogenous
// variables (then required).
LoadedModelOutcome LoadStructuralModel(const std::string& path, std::optional<int> endogenousCount);

// A data file (any form the workbench reads) as an annual table.
SeriesTableOutcome LoadSeriesTable(const std::string& path);

// A number of the model menu's reports with `decimals` decimals: "-" when it is not finite,
// and no sign when it rounds to zero (an eigenvalue of -1e-17 is 0.000000).
std::string ReportNumber(double v, int decimals);

// A scenario file.
ScenarioParseOutcome LoadScenario(const std::string& path);

// Year, then one column per name.
std::string PathCsv(const std::vector<int>& years, const std::vector<std::string>& names, const DenseRows& values);
// Year, the instruments' values, then every endogenous variable as re-simulated.
std::string TargetCsv(const TargetResult& result, const std::vector<std::string>& instruments);

}  // namespace quantorial
