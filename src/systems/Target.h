#pragma once
// Exact targeting: the values of some exogenous variables (the instruments) that make the
// dynamic simulation hit given values of some endogenous variables (the targets), year by
// year in order, each year from the solution of the year before. As many instruments as
// targets: a linear solve; more instruments: the least-norm change from the data's values;
// fewer: the least-squares fit, with a notice.

#include <optional>
#include <string>
#include <vector>

#include "systems/Simulation.h"
#include "systems/StructuralForm.h"

namespace quantorial {

struct TargetSpec {
  std::vector<int> years;              // ascending
  std::vector<std::string> variables;  // the targeted endogenous variables
  DenseRows values;                    // values[year][variable]; NaN where a year has no target for it
  std::vector<std::string> instruments;
};

struct TargetResult {
  std::vector<int> years;       // the simulation years: the first target year to the last
  DenseRows instrumentValues;   // [year][instrument]
  SimulationResult simulation;  // the re-simulation with the instruments found
  double largestMiss = 0;       // the largest |simulated − target| / max(|target|, 1)
  std::vector<std::string> notices;
};

struct TargetOutcome {
  std::optional<TargetResult> result;
  std::string error;
};

// The targets file's name is used in messages. A target year outside the data and forecast,
// an instrument that is not an exogenous variable of the model, a target that is not an
// endogenous one, or instruments that cannot move the targets are refused naming them.
TargetOutcome SolveTargets(const StructuralForm& form, const SeriesTable& data, const TargetSpec& spec,
                           const std::string& targetsFile);

// A targets table (Year, then one column per targeted variable) as the targets to meet with
// the given instruments.
TargetSpec TargetSpecFromTable(const SeriesTable& table, const std::vector<std::string>& instruments);

}  // namespace quantorial
