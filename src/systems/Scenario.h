#pragma once
// Scenario files: changes to exogenous paths and add-factors to equations, one a line:
//
//   # wages of the government sector half a billion higher from 1933
//   Wg 1933:1939 +0.5
//   G 1940 = 16.1
//   C 1935:1936 addfactor 1.0
//
// `VAR YEARS (+|-|*|=) VALUE` changes an exogenous variable (the sign may stand apart from
// the value or before it); `EQUATION YEARS addfactor VALUE` adds VALUE to the right-hand
// side of an endogenous variable's equation. YEARS is a year or FIRST:LAST. A name with
// blanks is written in double quotes.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "systems/Simulation.h"
#include "systems/StructuralForm.h"

namespace quantorial {

struct ScenarioChange {
  enum class Kind { Add, Subtract, Multiply, Set, AddFactor };
  Kind kind = Kind::Add;
  std::string name;
  int first = 0, last = 0;
  double value = 0;
  int line = 0;
};

struct Scenario {
  std::vector<ScenarioChange> changes;
};

// The limits a scenario file is read within.
inline constexpr std::size_t kMaxScenarioBytes = 16u << 20;
inline constexpr std::size_t kMaxScenarioChanges = 100000;
inline constexpr int kMaxScenarioSpan = 10000;

struct ScenarioParseOutcome {
  std::optional<Scenario> scenario;
  std::string error;  // names the file and the line
};
ScenarioParseOutcome ParseScenario(std::string_view text, const std::string& fileName);

// The scenario applied to the model's inputs: the changed table and the add-factors. A
// name that is not an exogenous variable of the model (or, for an add-factor, not an
// endogenous one), or a year outside the table, is refused naming the line.
struct ScenarioInputs {
  SeriesTable data;
  AddFactors addFactors;
};
struct ScenarioApplyOutcome {
  std::optional<ScenarioInputs> inputs;
  std::string error;
};
ScenarioApplyOutcome ApplyScenario(const StructuralForm& form, const SeriesTable& data, const Scenario& scenario,
                                   const std::string& fileName);

// Base and scenario paths and their difference (scenario − base), over the same years.
struct ScenarioComparison {
  SimulationResult base;
  SimulationResult scenario;
  DenseRows difference;  // [year][variable]
};
struct ScenarioOutcome {
  std::optional<ScenarioComparison> result;
  std::string error;
};
ScenarioOutcome CompareScenario(const StructuralForm& form, const SeriesTable& data, const Scenario& scenario,
                                const std::string& fileName, const SimulationOptions& options);

}  // namespace quantorial
