#pragma once
// The plain-text report of an estimated system: per equation the coefficients, standard
// errors, t ratios, p values, R², the standard error of the regression and Durbin-Watson;
// for the system the identities, the residual covariance and the log-likelihood.

#include <string>
#include <vector>

#include "systems/Model.h"

namespace quantorial {

// The report of `model`; `notices` are listed at its end. A model that did not converge is
// said to be so on the first line, with `nonconvergence` (why) when given.
std::string EstimationReport(const Model& model, const std::vector<std::string>& notices = {},
                             const std::string& nonconvergence = {});

}  // namespace quantorial
