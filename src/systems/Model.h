#pragma once
// An estimated simultaneous-equation model and its MODEL.json form.
//
// Names of regressors and predetermined variables are written as in the system file:
// "const" for the constant, "P" for a current value, "P(-1)" for a lag. `exogenous` lists
// every predetermined variable of the system in the column order of the structural
// B-matrix: "const" (when the system has a constant), the current exogenous variables in
// order of first appearance, then the lagged names.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "systems/SystemFile.h"

namespace quantorial {

struct EquationEstimate {
  std::string dependent;
  std::vector<std::string> regressors;
  std::vector<double> coefficients;
  std::vector<double> std_errors;
  std::vector<double> t_values;
  std::vector<double> p_values;
  double r_squared = 0;
  double sigma = 0;  // the standard error of the regression
  double durbin_watson = 0;
  double ssr = 0;  // the sum of squared residuals
  // For 2SLS and LIML: the first-stage F of each endogenous regressor (the excluded
  // instruments' joint significance in its regression on all instruments).
  std::vector<std::pair<std::string, double>> first_stage_f;
  std::optional<double> liml_kappa;  // LIML's k
};

struct IdentityEstimate {
  std::string dependent;
  std::vector<std::pair<std::string, double>> terms;  // (name as written, coefficient)
};

struct Model {
  std::string method;  // "ols", "2sls", "3sls", "sur", "liml", "fiml"
  int sample_first = 0;
  int sample_last = 0;
  int observations = 0;
  std::vector<std::string> endogenous;
  std::vector<std::string> exogenous;
  std::vector<EquationEstimate> equations;
  std::vector<IdentityEstimate> identities;
  std::vector<SeriesDefinition> series;
  std::vector<std::vector<double>> residual_covariance;  // stochastic equations, divided by T
  std::optional<double> log_likelihood;
  std::vector<std::string> instruments;  // as used by 2SLS, 3SLS and LIML; empty otherwise
  // How the estimates were reached: the methods in closed form converge at once (0
  // iterations, no gradient); FIML records its iterations and the final gradient's largest
  // element in units of the 3SLS standard errors, and where its standard errors come from
  // ("hessian" or "3sls"; empty for the other methods).
  bool converged = true;
  int iterations = 0;
  std::optional<double> gradient_norm;
  std::string standard_errors;
};

// The MODEL.json text (pretty-printed, two spaces).
std::string ModelToJson(const Model& model);

// Reads MODEL.json text. False with a message naming the key on a bad shape; never throws.
bool ModelFromJson(const std::string& text, Model& model, std::string& error);

// One equation or identity as the structural form places it: its left-hand side and the
// current variables of its right-hand side.
struct StatementVariables {
  std::string dependent;
  std::vector<std::string> current;
};

// The row of Γ each statement takes (in the order given). The structural form Γy = Bx needs
// as many equations and identities as endogenous variables, not one equation per variable:
// a statement takes its left-hand side's row, and a second one for the same variable (supply
// and demand both normalised on the quantity) takes a row no statement has, preferably that
// of an endogenous variable on its right-hand side. Whether Γ is then regular is for the
// solver to say. False with a message when a left-hand side is not endogenous or the counts
// differ.
bool AssignEquationRows(const std::vector<std::string>& endogenous, const std::vector<StatementVariables>& statements,
                        std::vector<std::size_t>& rows, std::string& error);

// Splits "P(-1)" into ("P", 1), "P" into ("P", 0), "\"a b\"(-2)" into ("a b", 2).
std::pair<std::string, int> SplitLaggedName(const std::string& written);

}  // namespace quantorial
