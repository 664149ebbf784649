#pragma once
// The plain-text report of an estimated system: per equation the coefficients, standard
// errors, t ratios, p values, R², the standard error of the regression and Durbin-Watson;
// for the system the identities, the residual covariance and the log-likelihood.

#include <string>
#include <vector>

#include "systems/Model.h"

namespace quantorial {

// The report of `model`; `notices` (such as an optimiser stopping early) are listed at its end.
std::string EstimationReport(const Model& model, const std::vector<std::string>& notices = {});

}  // namespace quantorial
