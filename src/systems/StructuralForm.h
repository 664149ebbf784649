#pragma once
// The structural form of a linear simultaneous-equation model and its reduced form:
//
//   Γ y(t) = Σ_k A_k y(t−k) + B x(t)
//
// with y the endogenous variables (identities included as equations with exact
// coefficients), x the exogenous ones (the constant and lagged exogenous values count as
// exogenous columns) and the lagged endogenous values y(t−k) as columns of their own
// named like "P(-1)". The reduced form gives the impact multipliers Π2 = Γ⁻¹B, the lag
// matrix Γ⁻¹A, the interim multipliers over time through the companion form, their
// cumulative sums and, for a stable model, the total (long-run) multipliers.
//
// Plain matrices in, results and messages out: no files, no window.

#include <complex>
#include <optional>
#include <string>
#include <vector>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

// A dense matrix as rows of numbers (row-major; every row of the same length).
using DenseRows = std::vector<std::vector<double>>;

// A lagged endogenous column: its name as written ("P(-1)"), the endogenous variable it
// lags and by how many periods (1 or more).
struct LaggedEndogenous {
  std::string name;
  std::size_t variable = 0;
  int lag = 1;
};

struct StructuralForm {
  std::vector<std::string> endogenous;   // n names; the rows (equations) in this order
  std::vector<std::string> exogenous;    // m names: "const", plain names and lagged exogenous "T(-1)"
  std::vector<LaggedEndogenous> lagged;  // L lagged endogenous columns
  DenseRows gamma;                       // n × n: the coefficients of y(t) on the left
  DenseRows lagCoefficients;             // n × L: A, the coefficients of the lagged endogenous columns
  DenseRows exoCoefficients;             // n × m: B, the coefficients of the exogenous columns

  // The deepest lag of an endogenous variable (0 for a static model).
  int MaxLag() const;
  // The index of an endogenous or exogenous name, or -1.
  int EndogenousIndex(const std::string& name) const;
  int ExogenousIndex(const std::string& name) const;
  // An empty text when the blocks fit their names; otherwise what does not fit.
  std::string CheckShape() const;
};

// Splits "NAME(-k)" into NAME and k (k ≥ 1, up to 4 digits). False for any other form (a
// plain name). A lag deeper than kMaxModelLag is split all the same: the model refuses it.
bool SplitLagName(const std::string& text, std::string& base, int& lag);

// The multipliers over time are those of the exogenous variables, not of the B-matrix's
// columns: a variable x that enters as x and as x(-1), x(-2).. moves y(t+h) through every
// one of its columns (the column x(-k) carries x(t) into the year t+k). `variables` lists
// them: the plain exogenous columns in their order ("const" among them), then the variables
// that enter only lagged, in order of their first lag column.
struct ReducedForm {
  DenseRows impact;                               // Π2 = Γ⁻¹B: n × m, by column of B
  DenseRows lag;                                  // Γ⁻¹A: n × L
  std::vector<std::string> variables;             // v names: the columns of interim, cumulative, total
  std::vector<DenseRows> interim;                 // h = 0..H: the effect of x(t) on y(t+h), n × v each
  std::vector<DenseRows> cumulative;              // h = 0..H: the sums of interim 0..h
  std::optional<DenseRows> total;                 // the sum of every interim multiplier; none when unstable
  std::vector<std::complex<double>> eigenvalues;  // of the companion matrix, largest modulus first
  double spectralRadius = 0;
  bool stable = true;
  std::string stability;  // the verdict in words
};

struct ReducedFormOutcome {
  std::optional<ReducedForm> result;
  std::string error;  // why there is no result
};

// The reduced form and the multipliers for h = 0..horizon (horizon ≥ 0). A singular Γ is
// refused with a message naming the block and the equations that depend on each other.
ReducedFormOutcome ComputeReducedForm(const StructuralForm& form, int horizon);

// The most endogenous variables a model is built with (its Γ alone then takes 200 MB).
inline constexpr int kMaxStructuralEquations = 5000;

// The deepest lag of a variable a model may have (in periods), and the largest companion
// matrix (endogenous variables × their deepest lag) the multipliers are computed with.
inline constexpr int kMaxModelLag = 100;
inline constexpr int kMaxCompanionSize = 5000;

// The largest horizon the multipliers are computed to.
inline constexpr int kMaxMultiplierHorizon = 1000;

// The structural form of a workbench B-matrix: rows are the endogenous variables, the first
// `endogenousCount` columns their current values (y = B y + C x, so Γ = I − B), the other
// columns the exogenous variables, the constant and lagged columns named "X(-k)" (lagged
// endogenous when X is one of the endogenous variables, lagged exogenous otherwise). Rows
// past the first `endogenousCount` are ignored. The error names the cell at fault.
struct StructuralFormOutcome {
  std::optional<StructuralForm> form;
  std::string error;
};
StructuralFormOutcome StructuralFormFromBMatrix(const LabelledMatrix& bmat, int endogenousCount,
                                                const std::string& fileName);

}  // namespace quantorial
