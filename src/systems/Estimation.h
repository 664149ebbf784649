#pragma once
// Estimation of a system of simultaneous equations by OLS, 2SLS, 3SLS, SUR, LIML or FIML.
//
// Conventions: the single-equation methods (OLS, 2SLS, LIML) give standard errors with the
// residual variance divided by T - k (k regressors in the equation) and p values from Student's
// t with T - k degrees of freedom. The system methods (3SLS, SUR, FIML) use the residual
// covariance divided by T, without a degrees-of-freedom correction, as the standard references
// do, and p values from the normal distribution. 3SLS takes its covariance from the 2SLS
// residuals, SUR from the OLS residuals; neither iterates. FIML maximises the concentrated
// full-information log-likelihood, -T M/2 (1 + log 2 pi) + T log|det Gamma| - T/2 log|Sigma|
// (Gamma over all equations and identities, Sigma over the M stochastic equations), by GSL's
// BFGS (vector_bfgs2) on the analytic gradient, starting from 3SLS with the parameters scaled
// by the 3SLS standard errors, then Newton steps on the Hessian (central differences of the
// gradient, each step scaled by the parameter's 3SLS standard error). FIML's standard errors
// come either from the inverse of that Hessian at the maximum (the default) or from the
// 3SLS-form covariance at the FIML estimates, [Σ_ij σ^ij X̂_i'X̂_j]⁻¹ with the current
// endogenous regressors replaced by their reduced-form values Π̂x (the form of the textbook
// tables). A FIML run that finds no maximum (the iteration limit, a singular residual
// covariance, a gradient that does not vanish, a Hessian that is not negative definite) is
// reported as not converged.

#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "systems/Model.h"
#include "systems/SystemFile.h"

namespace quantorial {

enum class EstimationMethod { kOls, kTsls, kThreeSls, kSur, kLiml, kFiml };

// "ols", "tsls" or "2sls", "3sls", "sur", "liml", "fiml" (any case). False for another word.
bool ParseEstimationMethod(const std::string& word, EstimationMethod& method);
// The method's name in MODEL.json: "ols", "2sls", "3sls", "sur", "liml", "fiml".
std::string EstimationMethodName(EstimationMethod method);
// The method's name in the report: "OLS", "2SLS", "3SLS", "SUR", "LIML", "FIML".
std::string EstimationMethodTitle(EstimationMethod method);

// Where FIML's standard errors come from.
enum class FimlStandardErrors { kHessian, kThreeSls };

// "hessian" or "3sls" (any case). False for another word.
bool ParseFimlStandardErrors(const std::string& word, FimlStandardErrors& kind);
std::string FimlStandardErrorsName(FimlStandardErrors kind);

// The ends of a sample left open: from the first year the lags allow, to the data's last.
inline constexpr int kSampleFromStart = std::numeric_limits<int>::min();
inline constexpr int kSampleToEnd = std::numeric_limits<int>::max();

// A sample's years: "1921:1941", "1921-1941", "1921,1941" or "1921 1941"; with the colon
// either end may be left out ("1935:" runs to the data's last year, ":1930" starts at the
// first year the lags allow), which gives kSampleFromStart or kSampleToEnd. False for any
// other text, or a first year after the last.
bool ParseSampleRange(const std::string& text, std::pair<int, int>& sample);

struct EstimationRequest {
  EstimationMethod method = EstimationMethod::kOls;
  std::optional<std::pair<int, int>> sample;  // overrides the system file's sample; either end may be open
  FimlStandardErrors fimlStandardErrors = FimlStandardErrors::kHessian;
};

// The most iterations FIML's quasi-Newton search takes.
inline constexpr int kMaxFimlIterations = 5000;
// FIML's maximum is taken when no element of the gradient, in units of the 3SLS standard
// errors, is this large.
inline constexpr double kFimlGradientTolerance = 1e-4;

struct EstimationOutcome {
  bool ok = false;
  Model model;
  std::string error;                 // when !ok: names the line and the name at fault
  std::vector<std::string> notices;  // things said about estimates that stand
  // False when FIML found no maximum: the estimates are not trustworthy, and `nonconvergence`
  // says why. The model (marked as not converged) is there to be shown or, when asked,
  // written.
  bool converged = true;
  std::string nonconvergence;
  DataTable data;  // the data with the derived series and identity left-hand sides
};

// Estimates the system on `data` (years in `data.years`).
EstimationOutcome EstimateSystem(const SystemSpec& spec, const DataTable& data, const EstimationRequest& request);

}  // namespace quantorial
