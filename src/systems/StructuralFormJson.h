#pragma once
// The estimated model of a MODEL.json file as a structural form, the data it computes for
// itself (derived series, the identities' left-hand sides a data file lacks), and the
// multipliers and accuracy statistics as JSON text.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "systems/Model.h"
#include "systems/Simulation.h"
#include "systems/StructuralForm.h"
#include "systems/SystemFile.h"

namespace quantorial {

struct DerivedSeries {
  std::string name;
  std::string expression;  // a linear expression of names, lags NAME(-k), numbers and `year`
};

struct IdentityDefinition {
  std::string dependent;
  std::vector<std::pair<std::string, double>> terms;  // a name (lagged or not) and its coefficient
};

struct ModelDescription {
  StructuralForm form;
  std::vector<SeriesDefinition> series;
  std::vector<IdentityDefinition> identities;
};

struct ModelDescriptionOutcome {
  std::optional<ModelDescription> model;
  std::string error;  // names the file and what is wrong
};

// The largest model file read, and the most equations a model may have.
inline constexpr std::size_t kMaxModelFileBytes = 64u << 20;
inline constexpr std::size_t kMaxModelEquations = kMaxStructuralEquations;

// The structural form of an estimated model: the equations' coefficients on their
// regressors ("const" the constant, "NAME(-k)" a lag) and the identities' terms.
ModelDescriptionOutcome StructuralFormFromModel(const Model& model, const std::string& fileName);
// The same from a MODEL.json text.
ModelDescriptionOutcome StructuralFormFromModelJson(std::string_view text, const std::string& fileName);

// Adds the derived series and the identities' left-hand sides that the table lacks (in the
// order of the model; a value that cannot be computed is left missing). An empty text when
// done, otherwise why an expression cannot be read.
std::string CompleteSeriesTable(const ModelDescription& model, SeriesTable& table);

// {"endogenous", "exogenous", "lagged", "impact", "lag", "variables", "interim", "cumulative",
// "total", "eigenvalues", "spectral_radius", "stable"}: impact by column of B ("exogenous"),
// the multipliers over time by exogenous variable ("variables").
std::string MultipliersJson(const StructuralForm& form, const ReducedForm& rf);
// {"C": {"ME", "RMSE", "MAE", "MPE", "MAPE", "U1", "U2", "UM", "UR", "UD"}, ..}; a statistic that
// is undefined is null.
std::string AccuracyJson(const SimulationResult& result);

}  // namespace quantorial
