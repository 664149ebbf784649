// Any text as MODEL.json: the reader must give a model whose lists agree in length, or a
// message, never throw; a model it reads must write and read back to the same model, and
// must give a structural form of consistent shape (or a message naming the file), whose
// reduced form, for a small model, is computed or refused with a message.

#include <cmath>
#include <cstdint>
#include <string>

#include "systems/Model.h"
#include "systems/StructuralFormJson.h"

namespace {

// Equal, with NaN equal to NaN (a missing number is written as null and read as NaN).
bool Same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }
bool Same(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (!Same(a[k], b[k])) return false;
  }
  return true;
}

bool SameModel(const quantorial::Model& a, const quantorial::Model& b) {
  if (a.method != b.method || a.sample_first != b.sample_first || a.sample_last != b.sample_last ||
      a.observations != b.observations || a.endogenous != b.endogenous || a.exogenous != b.exogenous ||
      a.instruments != b.instruments || a.equations.size() != b.equations.size() ||
      a.identities.size() != b.identities.size() || a.series.size() != b.series.size() ||
      a.residual_covariance.size() != b.residual_covariance.size() ||
      a.log_likelihood.has_value() != b.log_likelihood.has_value() || a.converged != b.converged ||
      a.iterations != b.iterations || a.gradient_norm.has_value() != b.gradient_norm.has_value() ||
      a.standard_errors != b.standard_errors) {
    return false;
  }
  if (a.gradient_norm && !Same(*a.gradient_norm, *b.gradient_norm)) return false;
  if (a.log_likelihood && !Same(*a.log_likelihood, *b.log_likelihood)) return false;
  for (std::size_t k = 0; k < a.equations.size(); ++k) {
    const auto &x = a.equations[k], &y = b.equations[k];
    if (x.dependent != y.dependent || x.regressors != y.regressors || !Same(x.coefficients, y.coefficients) ||
        !Same(x.std_errors, y.std_errors) || !Same(x.t_values, y.t_values) || !Same(x.p_values, y.p_values) ||
        !Same(x.r_squared, y.r_squared) || !Same(x.sigma, y.sigma) || !Same(x.durbin_watson, y.durbin_watson)) {
      return false;
    }
  }
  for (std::size_t k = 0; k < a.identities.size(); ++k) {
    const auto &x = a.identities[k], &y = b.identities[k];
    if (x.dependent != y.dependent || x.terms.size() != y.terms.size()) return false;
    for (std::size_t t = 0; t < x.terms.size(); ++t) {
      if (x.terms[t].first != y.terms[t].first || !Same(x.terms[t].second, y.terms[t].second)) return false;
    }
  }
  for (std::size_t k = 0; k < a.series.size(); ++k) {
    if (a.series[k].name != b.series[k].name || a.series[k].expression != b.series[k].expression) return false;
  }
  for (std::size_t k = 0; k < a.residual_covariance.size(); ++k) {
    if (!Same(a.residual_covariance[k], b.residual_covariance[k])) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  quantorial::Model model;
  std::string error;
  if (!quantorial::ModelFromJson(text, model, error)) {
    if (error.empty() || !model.equations.empty() || !model.endogenous.empty()) __builtin_trap();
    return 0;
  }
  if (!error.empty()) __builtin_trap();
  for (const auto& eq : model.equations) {
    const std::size_t k = eq.regressors.size();
    if (eq.coefficients.size() != k) __builtin_trap();
    for (const auto* list : {&eq.std_errors, &eq.t_values, &eq.p_values}) {
      if (!list->empty() && list->size() != k) __builtin_trap();
    }
  }
  if (!model.residual_covariance.empty()) {
    if (model.residual_covariance.size() != model.equations.size()) __builtin_trap();
    for (const auto& row : model.residual_covariance) {
      if (row.size() != model.equations.size()) __builtin_trap();
    }
  }

  quantorial::Model back;
  if (!quantorial::ModelFromJson(quantorial::ModelToJson(model), back, error)) __builtin_trap();
  if (!SameModel(model, back)) __builtin_trap();

  const auto described = quantorial::StructuralFormFromModel(model, "MODEL.json");
  if (!described.model) {
    if (described.error.rfind("MODEL.json: ", 0) != 0) __builtin_trap();
    return 0;
  }
  const auto& form = described.model->form;
  if (!form.CheckShape().empty()) __builtin_trap();
  if (form.endogenous.size() <= 40 && form.exogenous.size() + form.lagged.size() <= 80) {
    const auto reduced = quantorial::ComputeReducedForm(form, 3);
    if (!reduced.result && reduced.error.empty()) __builtin_trap();
  }
  return 0;
}
