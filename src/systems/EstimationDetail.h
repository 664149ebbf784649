#pragma once
// What the estimators share inside the systems library: the prepared data and matrices of
// every equation, and the concentrated likelihood of full-information maximum likelihood
// with its maximiser (FullInformation.cpp). Not part of the library's interface.

#include <Eigen/Dense>
#include <string>
#include <vector>

#include "systems/Estimation.h"

namespace quantorial::estimation_detail {

using Eigen::MatrixXd;
using Eigen::VectorXd;

inline constexpr double kLog2Pi = 1.8378770664093454836;

inline bool SameTerm(const LinearTerm& a, const LinearTerm& b) { return a.name == b.name && a.lag == b.lag; }

inline bool IsConst(const LinearTerm& t) { return t.name == "const" || t.name.empty(); }

// The data, the sample and the matrices of every equation, ready for any method.
struct Prepared {
  DataTable data;
  std::vector<std::string> endogenous;
  std::vector<LinearTerm> predetermined;  // const, current exogenous, lags: the B-matrix's columns
  std::vector<LinearTerm> instruments;
  int firstRow = 0;
  int rows = 0;
  std::vector<VectorXd> y;
  std::vector<MatrixXd> X;
  std::vector<std::vector<LinearTerm>> regressors;
  MatrixXd Z;
};

// The column of term `t` over the sample rows.
VectorXd TermColumn(const Prepared& p, const LinearTerm& t);

// The full-information log-likelihood of the system at the stacked coefficients theta.
class FullInformation {
 public:
  FullInformation(const Prepared& p, const SystemSpec& spec) : p_(p) {
    n_ = static_cast<int>(p.endogenous.size());
    const int m = static_cast<int>(p.X.size());
    for (int i = 0; i < m; ++i) {
      offset_.push_back(total_);
      total_ += static_cast<int>(p.X[i].cols());
    }
    base_ = MatrixXd::Zero(n_, n_);
    auto index = [&](const std::string& name) {
      return static_cast<int>(std::find(p.endogenous.begin(), p.endogenous.end(), name) - p.endogenous.begin());
    };
    for (int i = 0; i < m; ++i) {
      const int d = index(spec.equations[i].dependent);
      base_(i, d) += 1;
      for (int j = 0; j < static_cast<int>(p.regressors[i].size()); ++j) {
        const LinearTerm& t = p.regressors[i][j];
        if (t.lag == 0 && !IsConst(t) && index(t.name) < n_) links_.push_back({i, index(t.name), offset_[i] + j});
      }
    }
    for (std::size_t r = 0; r < spec.identities.size(); ++r) {
      const IdentityStatement& id = spec.identities[r];
      const int row = m + static_cast<int>(r);
      base_(row, index(id.dependent)) += 1;
      for (const LinearTerm& t : id.terms) {
        if (t.lag == 0 && !IsConst(t) && index(t.name) < n_) base_(row, index(t.name)) -= t.coef;
      }
    }
    // The coefficients of the predetermined variables (the B of Γy = Bx), for the reduced form.
    const auto predetermined = [&](const LinearTerm& t) {
      for (std::size_t k = 0; k < p.predetermined.size(); ++k) {
        const LinearTerm& x = p.predetermined[k];
        if ((IsConst(x) && IsConst(t)) || (!IsConst(x) && !IsConst(t) && SameTerm(x, t))) return static_cast<int>(k);
      }
      return -1;
    };
    const int P = static_cast<int>(p.predetermined.size());
    exoBase_ = MatrixXd::Zero(n_, P);
    xp_.resize(p.rows, P);
    for (int k = 0; k < P; ++k) xp_.col(k) = TermColumn(p, p.predetermined[static_cast<std::size_t>(k)]);
    for (int i = 0; i < m; ++i) {
      for (int j = 0; j < static_cast<int>(p.regressors[i].size()); ++j) {
        const int k = predetermined(p.regressors[i][j]);
        if (k >= 0) exoLinks_.push_back({i, k, offset_[i] + j});
      }
    }
    for (std::size_t r = 0; r < spec.identities.size(); ++r) {
      for (const LinearTerm& t : spec.identities[r].terms) {
        const int k = predetermined(t);
        if (k >= 0) exoBase_(m + static_cast<int>(r), k) += t.coef;
      }
    }
  }

  // The reduced-form values of the current endogenous variables over the sample, Ŷ = X B'Γ⁻ᵀ
  // (T × n), at the coefficients theta; false when Γ is singular there.
  bool ReducedFormValues(const VectorXd& theta, MatrixXd& fitted) const {
    MatrixXd gamma = base_;
    for (const Link& l : links_) gamma(l.row, l.column) -= theta(l.parameter);
    MatrixXd B = exoBase_;
    for (const Link& l : exoLinks_) B(l.row, l.column) += theta(l.parameter);
    const Eigen::FullPivLU<MatrixXd> lu(gamma);
    if (!lu.isInvertible()) return false;
    fitted = (lu.solve(B * xp_.transpose())).transpose();
    return true;
  }

  // The endogenous variable of a current regressor, or -1 for a predetermined one.
  int EndogenousColumn(const LinearTerm& t) const {
    if (t.lag != 0 || IsConst(t)) return -1;
    const auto it = std::find(p_.endogenous.begin(), p_.endogenous.end(), t.name);
    return it == p_.endogenous.end() ? -1 : static_cast<int>(it - p_.endogenous.begin());
  }

  int Size() const { return total_; }

  // The log-likelihood, or -infinity where Gamma is singular or Sigma not positive definite.
  double LogLikelihood(const VectorXd& theta) const {
    const int m = static_cast<int>(p_.X.size());
    const int T = p_.rows;
    MatrixXd gamma = base_;
    for (const Link& l : links_) gamma(l.row, l.column) -= theta(l.parameter);
    const Eigen::PartialPivLU<MatrixXd> lu(gamma);
    const double logDetGamma = lu.matrixLU().diagonal().array().abs().log().sum();
    MatrixXd E(T, m);
    for (int i = 0; i < m; ++i) E.col(i) = p_.y[i] - p_.X[i] * theta.segment(offset_[i], p_.X[i].cols());
    const MatrixXd sigma = E.transpose() * E / static_cast<double>(T);
    const Eigen::LLT<MatrixXd> llt(sigma);
    if (llt.info() != Eigen::Success || !std::isfinite(logDetGamma)) return -std::numeric_limits<double>::infinity();
    const double logDetSigma = 2 * llt.matrixLLT().diagonal().array().log().sum();
    return -0.5 * T * m * (kLog2Pi + 1) + T * logDetGamma - 0.5 * T * logDetSigma;
  }

  // The gradient of the log-likelihood: for a coefficient of equation i on column x,
  // x'(E Sigma^-1) e_i from the residual term, and -T (Gamma^-1)(k, i) for one on the
  // endogenous variable k from the Jacobian term.
  VectorXd Gradient(const VectorXd& theta) const {
    const int m = static_cast<int>(p_.X.size());
    const int T = p_.rows;
    VectorXd g = VectorXd::Zero(total_);
    MatrixXd gamma = base_;
    for (const Link& l : links_) gamma(l.row, l.column) -= theta(l.parameter);
    MatrixXd E(T, m);
    for (int i = 0; i < m; ++i) E.col(i) = p_.y[i] - p_.X[i] * theta.segment(offset_[i], p_.X[i].cols());
    const MatrixXd sigma = E.transpose() * E / static_cast<double>(T);
    const Eigen::LLT<MatrixXd> llt(sigma);
    const Eigen::FullPivLU<MatrixXd> lu(gamma);
    if (llt.info() != Eigen::Success || !lu.isInvertible()) return g;
    const MatrixXd weighted = llt.solve(E.transpose()).transpose();  // E Sigma^-1
    for (int i = 0; i < m; ++i) g.segment(offset_[i], p_.X[i].cols()) = p_.X[i].transpose() * weighted.col(i);
    const MatrixXd inverse = lu.inverse();
    for (const Link& l : links_) g(l.parameter) -= T * inverse(l.column, l.row);
    return g;
  }

 private:
  struct Link {
    int row, column, parameter;
  };
  const Prepared& p_;
  int n_ = 0;
  int total_ = 0;
  std::vector<int> offset_;
  MatrixXd base_;
  std::vector<Link> links_;
  MatrixXd exoBase_;            // n × P: the identities' coefficients on the predetermined variables
  std::vector<Link> exoLinks_;  // the equations' coefficients on them (column: the predetermined variable)
  MatrixXd xp_;                 // T × P: the predetermined variables over the sample
};

// The likelihood maximised by BFGS from theta (updated in place) on the scaled parameters;
// false when the maximiser stopped without converging. `iterations` counts its steps.
bool MaximiseLikelihood(const FullInformation& model, const VectorXd& scale, VectorXd& theta, int& iterations);
// The Hessian of the concentrated log-likelihood at theta, by central differences with steps
// scaled as the maximiser scales its variables.
MatrixXd LikelihoodHessian(const FullInformation& model, const VectorXd& theta, const VectorXd& scale);
// Newton steps on the likelihood from theta (updated in place), at most `steps` of them.
void PolishLikelihood(const FullInformation& model, const VectorXd& scale, VectorXd& theta, int steps);

}  // namespace quantorial::estimation_detail
