#include "systems/StructuralForm.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "systems/StructuralFormDetail.h"
#include "workspace/ValueRules.h"

namespace quantorial {

using detail::FromEigen;
using detail::JoinNames;
using detail::ToEigen;

int StructuralForm::MaxLag() const {
  int p = 0;
  for (const auto& l : lagged) p = std::max(p, l.lag);
  return p;
}

int StructuralForm::EndogenousIndex(const std::string& name) const {
  const auto it = std::find(endogenous.begin(), endogenous.end(), name);
  return it == endogenous.end() ? -1 : static_cast<int>(it - endogenous.begin());
}

int StructuralForm::ExogenousIndex(const std::string& name) const {
  const auto it = std::find(exogenous.begin(), exogenous.end(), name);
  return it == exogenous.end() ? -1 : static_cast<int>(it - exogenous.begin());
}

namespace {

bool BlockFits(const DenseRows& block, std::size_t rows, std::size_t cols) {
  if (block.size() != rows) return false;
  for (const auto& r : block)
    if (r.size() != cols) return false;
  return true;
}

std::string Number(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  return buf;
}

}  // namespace

std::string StructuralForm::CheckShape() const {
  const std::size_t n = endogenous.size();
  if (n == 0) return "The model has no endogenous variables.";
  if (!BlockFits(gamma, n, n)) return "The block of the current endogenous variables is not square.";
  if (!BlockFits(lagCoefficients, n, lagged.size()))
    return "The block of the lagged endogenous variables does not match their names.";
  if (!BlockFits(exoCoefficients, n, exogenous.size()))
    return "The block of the exogenous variables does not match their names.";
  for (const auto& l : lagged) {
    if (l.variable >= n || l.lag < 1) return "The lagged column " + l.name + " names no endogenous variable.";
    if (l.lag > kMaxModelLag)
      return "The lagged column " + l.name + " reaches back " + std::to_string(l.lag) +
             " periods; a model's lags go to " + std::to_string(kMaxModelLag) + " at most.";
  }
  for (const auto& name : exogenous) {
    std::string base;
    int lag = 0;
    if (SplitLagName(name, base, lag) && lag > kMaxModelLag)
      return "The exogenous column " + name + " reaches back " + std::to_string(lag) +
             " periods; a model's lags go to " + std::to_string(kMaxModelLag) + " at most.";
  }
  for (const DenseRows* block : {&gamma, &lagCoefficients, &exoCoefficients})
    for (std::size_t i = 0; i < block->size(); ++i)
      for (double v : (*block)[i])
        if (!std::isfinite(v)) return "The equation of " + endogenous[i] + " has a coefficient that is not a number.";
  return {};
}

bool SplitLagName(const std::string& text, std::string& base, int& lag) {
  // NAME(-k): the last "(-" opens the lag, digits follow up to the closing parenthesis.
  if (text.size() < 5 || text.back() != ')') return false;
  const auto open = text.rfind("(-");
  if (open == std::string::npos || open == 0) return false;
  const std::string digits = text.substr(open + 2, text.size() - open - 3);
  if (digits.empty() || digits.size() > 4) return false;
  for (char c : digits)
    if (c < '0' || c > '9') return false;
  const int k = std::stoi(digits);
  if (k < 1) return false;
  base = text.substr(0, open);
  lag = k;
  return true;
}

ReducedFormOutcome ComputeReducedForm(const StructuralForm& form, int horizon) {
  ReducedFormOutcome out;
  if (std::string shape = form.CheckShape(); !shape.empty()) {
    out.error = shape;
    return out;
  }
  if (horizon < 0 || horizon > kMaxMultiplierHorizon) {
    out.error = "The horizon must be a whole number from 0 to " + std::to_string(kMaxMultiplierHorizon) + ".";
    return out;
  }
  const auto n = static_cast<Eigen::Index>(form.endogenous.size());
  const auto m = static_cast<Eigen::Index>(form.exogenous.size());
  const Eigen::MatrixXd gamma = ToEigen(form.gamma, form.endogenous.size());

  Eigen::FullPivLU<Eigen::MatrixXd> lu(gamma);
  if (!lu.isInvertible()) {
    // The left null vectors say which equations combine to nothing.
    const Eigen::MatrixXd kernel = Eigen::FullPivLU<Eigen::MatrixXd>(gamma.transpose()).kernel();
    std::vector<std::string> names;
    if (kernel.cols() > 0) {
      const Eigen::VectorXd v = kernel.col(0);
      const double top = v.cwiseAbs().maxCoeff();
      for (Eigen::Index i = 0; i < n; ++i)
        if (std::abs(v(i)) > 1e-8 * top) names.push_back(form.endogenous[static_cast<std::size_t>(i)]);
    }
    out.error = "The block Γ of the current endogenous variables is singular (rank " + std::to_string(lu.rank()) +
                " of " + std::to_string(n) + "): the equations of " + JoinNames(names) +
                " are linearly dependent, so the model has no reduced form.";
    return out;
  }

  ReducedForm rf;
  // A block without columns (a model without lags or exogenous variables) is not handed to
  // the solver: Eigen's triangular solve reads through the null data of an empty block.
  const auto solve = [&lu, n](const Eigen::MatrixXd& rhs) -> Eigen::MatrixXd {
    if (rhs.cols() == 0) return Eigen::MatrixXd(n, 0);
    return lu.solve(rhs);
  };
  const Eigen::MatrixXd impact = solve(ToEigen(form.exoCoefficients, form.exogenous.size()));
  const Eigen::MatrixXd lagM = solve(ToEigen(form.lagCoefficients, form.lagged.size()));
  rf.impact = FromEigen(impact);
  rf.lag = FromEigen(lagM);

  // The exogenous variables and, for each, its columns by lag: column x(-k) carries a
  // change of x(t) into the year t+k.
  struct VariableColumns {
    std::vector<std::pair<int, Eigen::Index>> byLag;  // (lag, column of B)
  };
  std::vector<VariableColumns> columns;
  const auto variableIndex = [&rf](const std::string& name) {
    const auto it = std::find(rf.variables.begin(), rf.variables.end(), name);
    return static_cast<std::size_t>(it - rf.variables.begin());
  };
  for (int pass = 0; pass < 2; ++pass)
    for (Eigen::Index j = 0; j < m; ++j) {
      const std::string& name = form.exogenous[static_cast<std::size_t>(j)];
      std::string base = name;
      int lag = 0;
      if (name == "const" || !SplitLagName(name, base, lag)) {
        base = name;
        lag = 0;
      }
      if ((pass == 0) != (lag == 0)) continue;  // plain columns first, then lags
      std::size_t v = variableIndex(base);
      if (v == rf.variables.size()) {
        rf.variables.push_back(base);
        columns.emplace_back();
      }
      columns[v].byLag.emplace_back(lag, j);
    }
  const auto v = static_cast<Eigen::Index>(rf.variables.size());

  const int p = form.MaxLag();
  if (static_cast<long long>(n) * p > kMaxCompanionSize) {
    out.error = "The companion matrix would have " + std::to_string(static_cast<long long>(n) * p) + " rows (" +
                std::to_string(n) + " endogenous variables × " + std::to_string(p) +
                " lags); the multipliers are computed up to " + std::to_string(kMaxCompanionSize) + ".";
    return out;
  }
  const Eigen::Index np = n * p;

  // The response of y(t+h) to a change of column j of B in the year t alone: R_0 = Π2, then
  // through the companion form. The multipliers of a variable sum the responses of its
  // columns, each shifted by its lag.
  std::vector<Eigen::MatrixXd> response;
  Eigen::MatrixXd companion;
  if (p > 0) {
    // The companion form: the state (y(t), y(t−1), .., y(t−p+1)) moves by F; its first block
    // row holds Π1_k = Γ⁻¹A_k, the blocks under it shift the state down.
    companion = Eigen::MatrixXd::Zero(np, np);
    for (std::size_t l = 0; l < form.lagged.size(); ++l) {
      const auto& lg = form.lagged[l];
      const Eigen::Index col = (lg.lag - 1) * n + static_cast<Eigen::Index>(lg.variable);
      companion.block(0, col, n, 1) += lagM.col(static_cast<Eigen::Index>(l));
    }
    if (p > 1) companion.block(n, 0, np - n, np - n) = Eigen::MatrixXd::Identity(np - n, np - n);
    Eigen::MatrixXd state = Eigen::MatrixXd::Zero(np, m);
    state.topRows(n) = impact;
    for (int h = 0; h <= horizon; ++h) {
      if (h > 0) state = companion * state;
      response.push_back(state.topRows(n));
    }
  } else {
    for (int h = 0; h <= horizon; ++h) response.push_back(h == 0 ? impact : Eigen::MatrixXd::Zero(n, m).eval());
  }
  Eigen::MatrixXd sum = Eigen::MatrixXd::Zero(n, v);
  for (int h = 0; h <= horizon; ++h) {
    Eigen::MatrixXd d = Eigen::MatrixXd::Zero(n, v);
    for (Eigen::Index k = 0; k < v; ++k)
      for (const auto& [lag, j] : columns[static_cast<std::size_t>(k)].byLag)
        if (lag <= h) d.col(k) += response[static_cast<std::size_t>(h - lag)].col(j);
    sum += d;
    rf.interim.push_back(FromEigen(d));
    rf.cumulative.push_back(FromEigen(sum));
  }
  // The long-run effect of a column is the same whatever its lag: the sum over the columns.
  const auto totalOf = [&](const Eigen::MatrixXd& byColumn) {
    Eigen::MatrixXd t = Eigen::MatrixXd::Zero(n, v);
    for (Eigen::Index k = 0; k < v; ++k)
      for (const auto& [lag, j] : columns[static_cast<std::size_t>(k)].byLag) t.col(k) += byColumn.col(j);
    return t;
  };

  if (p == 0) {
    rf.total = FromEigen(totalOf(impact));
    rf.spectralRadius = 0;
    rf.stable = true;
    rf.stability = "stable: the model has no lagged endogenous variables";
    out.result = std::move(rf);
    return out;
  }

  Eigen::EigenSolver<Eigen::MatrixXd> es(companion, false);
  if (es.info() != Eigen::Success) {
    out.error = "The eigenvalues of the companion matrix could not be computed.";
    return out;
  }
  const Eigen::VectorXcd ev = es.eigenvalues();
  for (Eigen::Index i = 0; i < ev.size(); ++i) rf.eigenvalues.push_back(ev(i));
  std::stable_sort(rf.eigenvalues.begin(), rf.eigenvalues.end(),
                   [](const std::complex<double>& a, const std::complex<double>& b) {
                     const double ma = std::abs(a), mb = std::abs(b);
                     if (std::abs(ma - mb) > 1e-12 * std::max(1.0, ma)) return ma > mb;
                     if (a.real() != b.real()) return a.real() > b.real();
                     return a.imag() > b.imag();
                   });
  rf.spectralRadius = rf.eigenvalues.empty() ? 0 : std::abs(rf.eigenvalues.front());
  rf.stable = rf.spectralRadius < 1 - 1e-10;
  if (rf.stable) {
    rf.stability =
        "stable: the largest eigenvalue modulus of the companion matrix is " + Number(rf.spectralRadius) + " (below 1)";
    Eigen::MatrixXd rhs = Eigen::MatrixXd::Zero(np, m);
    rhs.topRows(n) = impact;
    const Eigen::MatrixXd total =
        (Eigen::MatrixXd::Identity(np, np) - companion).fullPivLu().solve(rhs).topRows(n).eval();
    rf.total = FromEigen(totalOf(total));
  } else {
    rf.stability = "unstable: the largest eigenvalue modulus of the companion matrix is " + Number(rf.spectralRadius) +
                   " (1 or more), so the model has no total multipliers";
  }
  out.result = std::move(rf);
  return out;
}

StructuralFormOutcome StructuralFormFromBMatrix(const LabelledMatrix& bmat, int endogenousCount,
                                                const std::string& fileName) {
  StructuralFormOutcome out;
  const int rows = bmat.UpperRow(), cols = bmat.UpperCol();
  if (!bmat.IsFilled() || cols < 1) {
    out.error = fileName + ": the B-matrix holds no coefficients.";
    return out;
  }
  if (endogenousCount < 1 || endogenousCount > rows || endogenousCount > cols) {
    out.error = fileName + ": the number of endogenous variables must be from 1 to " +
                std::to_string(std::min(rows, cols)) + " (the B-matrix has " + std::to_string(rows) + " rows and " +
                std::to_string(cols) + " columns).";
    return out;
  }
  if (endogenousCount > kMaxStructuralEquations) {
    out.error = fileName + ": a model of more than " + std::to_string(kMaxStructuralEquations) +
                " endogenous variables is too large to solve here.";
    return out;
  }
  const int n = endogenousCount;
  StructuralForm f;
  for (int i = 1; i <= n; ++i) {
    const std::string rowName = TrimBlanks(CellText(bmat.Get(i, 0)));
    const std::string colName = TrimBlanks(CellText(bmat.Get(0, i)));
    if (rowName.empty()) {
      out.error = fileName + ": row " + std::to_string(i) + " has no variable name.";
      return out;
    }
    if (rowName != colName) {
      out.error = fileName + ": row " + std::to_string(i) + " is " + rowName + " but column " + std::to_string(i) +
                  " is " + (colName.empty() ? std::string("unnamed") : colName) +
                  "; the first columns must name the endogenous variables in the order of the rows.";
      return out;
    }
    if (f.EndogenousIndex(rowName) >= 0) {
      out.error = fileName + ": the endogenous variable " + rowName + " is named twice.";
      return out;
    }
    f.endogenous.push_back(rowName);
  }
  // The other columns: lagged endogenous or exogenous.
  std::vector<int> lagCols, exoCols;
  for (int j = n + 1; j <= cols; ++j) {
    const std::string name = TrimBlanks(CellText(bmat.Get(0, j)));
    if (name.empty()) {
      out.error = fileName + ": column " + std::to_string(j) + " has no variable name.";
      return out;
    }
    bool seen = f.ExogenousIndex(name) >= 0 || f.EndogenousIndex(name) >= 0;
    for (const auto& l : f.lagged) seen = seen || l.name == name;
    if (seen) {
      out.error = fileName + ": column " + std::to_string(j) + " names " + name + " a second time.";
      return out;
    }
    std::string base;
    int lag = 0;
    const bool lagName = SplitLagName(name, base, lag);
    if (lagName && lag > kMaxModelLag) {
      out.error = fileName + ": column " + std::to_string(j) + " is " + name + ", a lag of " + std::to_string(lag) +
                  " periods; a model's lags go to " + std::to_string(kMaxModelLag) + " at most.";
      return out;
    }
    if (lagName && f.EndogenousIndex(base) >= 0) {
      f.lagged.push_back({name, static_cast<std::size_t>(f.EndogenousIndex(base)), lag});
      lagCols.push_back(j);
    } else {
      f.exogenous.push_back(name);
      exoCols.push_back(j);
    }
  }
  auto value = [&](int i, int j, double& v) {
    const auto a = ArithmeticValue(bmat.Get(i, j));
    if (!a || !std::isfinite(*a)) {
      out.error = fileName + ": the cell of row " + f.endogenous[static_cast<std::size_t>(i - 1)] + ", column " +
                  CellText(bmat.Get(0, j)) + " is not a number (" + CellText(bmat.Get(i, j)) + ").";
      return false;
    }
    v = *a;
    return true;
  };
  f.gamma.assign(n, std::vector<double>(n, 0.0));
  f.lagCoefficients.assign(n, std::vector<double>(lagCols.size(), 0.0));
  f.exoCoefficients.assign(n, std::vector<double>(exoCols.size(), 0.0));
  for (int i = 1; i <= n; ++i) {
    const auto r = static_cast<std::size_t>(i - 1);
    for (int j = 1; j <= n; ++j) {
      double v = 0;
      if (!value(i, j, v)) return out;
      f.gamma[r][static_cast<std::size_t>(j - 1)] = (i == j ? 1.0 : 0.0) - v;
    }
    for (std::size_t k = 0; k < lagCols.size(); ++k)
      if (!value(i, lagCols[k], f.lagCoefficients[r][k])) return out;
    for (std::size_t k = 0; k < exoCols.size(); ++k)
      if (!value(i, exoCols[k], f.exoCoefficients[r][k])) return out;
  }
  out.form = std::move(f);
  return out;
}

}  // namespace quantorial
