#include "systems/Estimation.h"

#include <gsl/gsl_cdf.h>

#include <Eigen/Dense>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>
#include <set>

#include "systems/EstimationDetail.h"

namespace quantorial {

using namespace estimation_detail;

namespace estimation_detail {

// The column of term `t` over the sample rows.
VectorXd TermColumn(const Prepared& p, const LinearTerm& t) {
  VectorXd v(p.rows);
  if (IsConst(t)) {
    v.setOnes();
    return v;
  }
  const std::vector<double>& column = p.data.columns[p.data.Find(t.name)];
  for (int i = 0; i < p.rows; ++i) v(i) = column[p.firstRow + i - t.lag];
  return v;
}

}  // namespace estimation_detail

namespace {

std::string Line(int line) { return line > 0 ? "line " + std::to_string(line) + ": " : ""; }

bool Contains(const std::vector<std::string>& list, const std::string& name) {
  return std::find(list.begin(), list.end(), name) != list.end();
}

void AddUnique(std::vector<LinearTerm>& list, const LinearTerm& t) {
  for (const LinearTerm& other : list) {
    if (SameTerm(other, t) || (IsConst(other) && IsConst(t))) return;
  }
  LinearTerm copy = t;
  copy.coef = 1;
  if (IsConst(copy)) copy.name = "const";
  list.push_back(copy);
}

// Checks that every name of `terms` is in the data, naming the statement's line.
bool CheckNames(const DataTable& data, const std::vector<LinearTerm>& terms, int line, std::string& error) {
  for (const LinearTerm& t : terms) {
    if (!IsConst(t) && data.Find(t.name) < 0) {
      error = Line(line) + "the data has no series " + t.name;
      return false;
    }
  }
  return true;
}

bool Prepare(const SystemSpec& spec, const DataTable& input, const EstimationRequest& request, Prepared& p,
             std::string& error) {
  p.data = input;
  if (p.data.years.empty()) {
    error = "the data has no rows";
    return false;
  }
  // Derived series, each checked for its names first so that the message names its line. A
  // series may not take the name of a column of the data: the data's values would be lost.
  for (std::size_t i = 0; i < spec.series.size(); ++i) {
    if (input.Find(spec.series[i].name) >= 0) {
      error = Line(spec.seriesLines.size() > i ? spec.seriesLines[i] : 0) + "series " + spec.series[i].name +
              " would replace the data's column " + spec.series[i].name + "; give the derived series another name";
      return false;
    }
    std::string message;
    if (!AddDerivedSeries(p.data, {spec.series[i]}, message)) {
      error = Line(spec.seriesLines.size() > i ? spec.seriesLines[i] : 0) + message;
      return false;
    }
  }
  // The left-hand sides of identities the data lacks, computed from their right-hand sides
  // (in as many passes as it takes when one uses another).
  std::vector<bool> done(spec.identities.size(), false);
  for (std::size_t i = 0; i < spec.identities.size(); ++i) done[i] = p.data.Find(spec.identities[i].dependent) >= 0;
  for (bool progress = true; progress;) {
    progress = false;
    for (std::size_t i = 0; i < spec.identities.size(); ++i) {
      if (done[i]) continue;
      const IdentityStatement& id = spec.identities[i];
      bool ready = true;
      for (const LinearTerm& t : id.terms) ready = ready && (IsConst(t) || p.data.Find(t.name) >= 0);
      if (!ready) continue;
      std::string message;
      if (!AddDerivedSeries(p.data, {{id.dependent, id.expression}}, message)) {
        error = Line(id.line) + message;
        return false;
      }
      done[i] = true;
      progress = true;
    }
  }
  for (std::size_t i = 0; i < spec.identities.size(); ++i) {
    if (!CheckNames(p.data, spec.identities[i].terms, spec.identities[i].line, error)) return false;
  }
  for (const EquationStatement& eq : spec.equations) {
    if (!CheckNames(p.data, {{eq.dependent, 0, 1}}, eq.line, error)) return false;
    if (!CheckNames(p.data, eq.regressors, eq.line, error)) return false;
  }

  // Endogenous variables: as listed, or every left-hand side.
  if (!spec.endogenous.empty()) {
    p.endogenous = spec.endogenous;
    for (const std::string& name : p.endogenous) {
      if (p.data.Find(name) < 0) {
        error = Line(spec.endogLine) + "the data has no series " + name;
        return false;
      }
    }
  } else {
    for (const EquationStatement& eq : spec.equations) {
      if (!Contains(p.endogenous, eq.dependent)) p.endogenous.push_back(eq.dependent);
    }
    for (const IdentityStatement& id : spec.identities) {
      if (!Contains(p.endogenous, id.dependent)) p.endogenous.push_back(id.dependent);
    }
  }
  for (const EquationStatement& eq : spec.equations) {
    if (!Contains(p.endogenous, eq.dependent)) {
      error = Line(eq.line) + "the dependent variable " + eq.dependent + " is not listed as endogenous";
      return false;
    }
  }
  for (const IdentityStatement& id : spec.identities) {
    if (!Contains(p.endogenous, id.dependent)) {
      error = Line(id.line) + "the identity for " + id.dependent + " explains a variable that is not listed as " +
              "endogenous (endog" + (spec.endogLine > 0 ? " on line " + std::to_string(spec.endogLine) : "") +
              "): list " + id.dependent + " there, or make it a series";
      return false;
    }
  }

  // Predetermined variables: const, current exogenous in order of appearance, then lags.
  std::vector<LinearTerm> current, lagged;
  bool hasConst = false;
  auto note = [&](const LinearTerm& t) {
    if (IsConst(t)) {
      hasConst = true;
    } else if (t.lag > 0) {
      AddUnique(lagged, t);
    } else if (!Contains(p.endogenous, t.name)) {
      AddUnique(current, t);
    }
  };
  for (const EquationStatement& eq : spec.equations) {
    for (const LinearTerm& t : eq.regressors) note(t);
  }
  for (const IdentityStatement& id : spec.identities) {
    for (const LinearTerm& t : id.terms) note(t);
  }
  if (hasConst) p.predetermined.push_back({"const", 0, 1});
  for (const LinearTerm& t : current) p.predetermined.push_back(t);
  for (const LinearTerm& t : lagged) p.predetermined.push_back(t);

  if (spec.instrLine != 0) {
    if (!CheckNames(p.data, spec.instruments, spec.instrLine, error)) return false;
    for (const LinearTerm& t : spec.instruments) {
      if (t.lag == 0 && !IsConst(t) && Contains(p.endogenous, t.name)) {
        error = Line(spec.instrLine) + "the endogenous variable " + t.name + " cannot be an instrument";
        return false;
      }
      AddUnique(p.instruments, t);
    }
  } else {
    p.instruments = p.predetermined;
  }

  // The sample: the request's, the file's, or every row the lags allow.
  int maxLag = 0;
  auto lagOf = [&](const std::vector<LinearTerm>& terms) {
    for (const LinearTerm& t : terms) maxLag = std::max(maxLag, t.lag);
  };
  for (const EquationStatement& eq : spec.equations) lagOf(eq.regressors);
  for (const IdentityStatement& id : spec.identities) lagOf(id.terms);
  lagOf(p.instruments);
  const auto& years = p.data.years;
  std::pair<int, int> sample;
  if (request.sample) {
    sample = *request.sample;
  } else if (spec.sample) {
    sample = *spec.sample;
  } else {
    sample = {kSampleFromStart, kSampleToEnd};
  }
  if (sample.first == kSampleFromStart) {
    if (maxLag >= static_cast<int>(years.size())) {
      error = "the lags reach back " + std::to_string(maxLag) + " years but the data has only " +
              std::to_string(years.size()) + " rows";
      return false;
    }
    sample.first = years[maxLag];
  }
  if (sample.second == kSampleToEnd) sample.second = years.back();
  if (sample.first > sample.second) {
    error = "the sample's first year " + std::to_string(sample.first) + " is after its last " +
            std::to_string(sample.second);
    return false;
  }
  if (sample.first < years.front() || sample.second > years.back()) {
    error = "the sample " + std::to_string(sample.first) + "-" + std::to_string(sample.second) +
            " is outside the data's years " + std::to_string(years.front()) + "-" + std::to_string(years.back());
    return false;
  }
  p.firstRow = sample.first - years.front();
  p.rows = sample.second - sample.first + 1;

  auto checkLags = [&](const std::vector<LinearTerm>& terms, int line) {
    for (const LinearTerm& t : terms) {
      if (p.firstRow - t.lag < 0) {
        error = Line(line) + "the lag " + LaggedName(t.name, t.lag) + " needs the year " +
                std::to_string(sample.first - t.lag) + ", before the data's first year " +
                std::to_string(years.front());
        return false;
      }
    }
    return true;
  };
  for (const EquationStatement& eq : spec.equations) {
    if (!checkLags(eq.regressors, eq.line)) return false;
  }
  for (const IdentityStatement& id : spec.identities) {
    if (!checkLags(id.terms, id.line)) return false;
  }
  if (!checkLags(p.instruments, spec.instrLine)) return false;

  // Values that are not numbers in the sample (a derived series whose lags reach before the data).
  auto checkValues = [&](const std::vector<LinearTerm>& terms, int line) {
    for (const LinearTerm& t : terms) {
      if (IsConst(t)) continue;
      const std::vector<double>& column = p.data.columns[p.data.Find(t.name)];
      for (int i = 0; i < p.rows; ++i) {
        if (!std::isfinite(column[p.firstRow + i - t.lag])) {
          const std::string cell = p.data.DescribeMissing(p.data.Find(t.name), p.firstRow + i - t.lag);
          error = Line(line) + LaggedName(t.name, t.lag) + " has no value in " + std::to_string(sample.first + i) +
                  (cell.empty() ? std::string() : ": " + cell);
          return false;
        }
      }
    }
    return true;
  };

  for (const EquationStatement& eq : spec.equations) {
    std::vector<LinearTerm> all = eq.regressors;
    all.push_back({eq.dependent, 0, 1});
    if (!checkValues(all, eq.line)) return false;
    const int k = static_cast<int>(eq.regressors.size());
    if (p.rows <= k) {
      error = Line(eq.line) + "the equation for " + eq.dependent + " has " + std::to_string(k) +
              " regressors but the sample " + std::to_string(sample.first) + "-" + std::to_string(sample.second) +
              " has only " + std::to_string(p.rows) + " rows";
      return false;
    }
    MatrixXd X(p.rows, k);
    for (int j = 0; j < k; ++j) X.col(j) = TermColumn(p, eq.regressors[j]);
    p.X.push_back(X);
    p.y.push_back(TermColumn(p, {eq.dependent, 0, 1}));
    p.regressors.push_back(eq.regressors);
  }
  if (!checkValues(p.instruments, spec.instrLine)) return false;
  for (const IdentityStatement& id : spec.identities) {
    std::vector<LinearTerm> all = id.terms;
    all.push_back({id.dependent, 0, 1});
    if (!checkValues(all, id.line)) return false;
  }
  p.Z.resize(p.rows, static_cast<int>(p.instruments.size()));
  for (std::size_t j = 0; j < p.instruments.size(); ++j) p.Z.col(j) = TermColumn(p, p.instruments[j]);
  return true;
}

// Least squares of y on A by column-pivoting QR: the coefficients and (A'A)^-1. False when
// A's columns are collinear.
bool LeastSquares(const MatrixXd& A, const VectorXd& y, VectorXd& b, MatrixXd& inverse) {
  const Eigen::ColPivHouseholderQR<MatrixXd> qr(A);
  const int k = static_cast<int>(A.cols());
  if (qr.rank() < k) return false;
  b = qr.solve(y);
  const MatrixXd R = qr.matrixR().topLeftCorner(k, k).triangularView<Eigen::Upper>();
  const MatrixXd Rinv = R.triangularView<Eigen::Upper>().solve(MatrixXd::Identity(k, k));
  const MatrixXd inner = Rinv * Rinv.transpose();
  inverse = qr.colsPermutation() * inner * qr.colsPermutation().transpose();
  return true;
}

// The orthonormal basis of the instruments' column space (for projections onto it).
struct Projector {
  MatrixXd Q;
  MatrixXd Project(const MatrixXd& A) const { return Q * (Q.transpose() * A); }
};

bool MakeProjector(const MatrixXd& Z, Projector& projector) {
  const Eigen::ColPivHouseholderQR<MatrixXd> qr(Z);
  if (qr.rank() < Z.cols()) return false;
  projector.Q = qr.householderQ() * MatrixXd::Identity(Z.rows(), Z.cols());
  return true;
}

double SumOfSquares(const VectorXd& v) { return v.squaredNorm(); }

// Fills the per-equation statistics from the coefficients and their covariance.
void Describe(EquationEstimate& out, const VectorXd& y, const MatrixXd& X, const VectorXd& b, const MatrixXd& cov,
              bool systemMethod) {
  const int T = static_cast<int>(y.size());
  const int k = static_cast<int>(b.size());
  const VectorXd e = y - X * b;
  out.coefficients.assign(b.data(), b.data() + k);
  out.ssr = SumOfSquares(e);
  const double mean = y.mean();
  const double sst = (y.array() - mean).square().sum();
  out.r_squared = sst > 0 ? 1 - out.ssr / sst : std::nan("");
  out.sigma = std::sqrt(out.ssr / (T - k));
  double num = 0;
  for (int t = 1; t < T; ++t) num += (e(t) - e(t - 1)) * (e(t) - e(t - 1));
  out.durbin_watson = out.ssr > 0 ? num / out.ssr : std::nan("");
  out.std_errors.clear();
  out.t_values.clear();
  out.p_values.clear();
  for (int j = 0; j < k; ++j) {
    const double se = cov(j, j) >= 0 ? std::sqrt(cov(j, j)) : std::nan("");
    const double t = b(j) / se;
    out.std_errors.push_back(se);
    out.t_values.push_back(t);
    double p = std::nan("");
    if (std::isfinite(t)) {
      p = systemMethod ? 2 * gsl_cdf_ugaussian_Q(std::fabs(t)) : 2 * gsl_cdf_tdist_Q(std::fabs(t), T - k);
    }
    out.p_values.push_back(p);
  }
}

MatrixXd ResidualCovariance(const std::vector<VectorXd>& residuals) {
  const int n = static_cast<int>(residuals.size());
  const int T = n > 0 ? static_cast<int>(residuals[0].size()) : 0;
  MatrixXd E(T, n);
  for (int i = 0; i < n; ++i) E.col(i) = residuals[i];
  return E.transpose() * E / static_cast<double>(T);
}

std::vector<std::vector<double>> ToRows(const MatrixXd& m) {
  std::vector<std::vector<double>> rows(m.rows(), std::vector<double>(m.cols()));
  for (int i = 0; i < m.rows(); ++i) {
    for (int j = 0; j < m.cols(); ++j) rows[i][j] = m(i, j);
  }
  return rows;
}

// Generalised least squares over the stacked equations with the covariance `sigma`:
// instruments-projected regressors for 3SLS, the regressors themselves for SUR. Returns the
// coefficients and their covariance.
bool SystemGls(const Prepared& p, const std::vector<MatrixXd>& W, const MatrixXd& sigma, std::vector<VectorXd>& b,
               MatrixXd& cov) {
  const int n = static_cast<int>(p.X.size());
  Eigen::LDLT<MatrixXd> sigmaLdlt(sigma);
  if (sigmaLdlt.info() != Eigen::Success || !sigmaLdlt.isPositive()) return false;
  const Eigen::FullPivLU<MatrixXd> sigmaLu(sigma);
  if (!sigmaLu.isInvertible()) return false;
  const MatrixXd sInv = sigmaLu.inverse();
  std::vector<int> offset(n + 1, 0);
  for (int i = 0; i < n; ++i) offset[i + 1] = offset[i] + static_cast<int>(p.X[i].cols());
  const int K = offset[n];
  MatrixXd M = MatrixXd::Zero(K, K);
  VectorXd r = VectorXd::Zero(K);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      M.block(offset[i], offset[j], p.X[i].cols(), p.X[j].cols()) = sInv(i, j) * (W[i].transpose() * W[j]);
      r.segment(offset[i], p.X[i].cols()) += sInv(i, j) * (W[i].transpose() * p.y[j]);
    }
  }
  const Eigen::LDLT<MatrixXd> ldlt(M);
  if (ldlt.info() != Eigen::Success || !ldlt.isPositive()) return false;
  const VectorXd all = ldlt.solve(r);
  cov = ldlt.solve(MatrixXd::Identity(K, K));
  b.clear();
  for (int i = 0; i < n; ++i) b.push_back(all.segment(offset[i], p.X[i].cols()));
  return true;
}

// The first-stage F of each endogenous regressor: the excluded instruments' joint
// significance in its regression on all instruments.
std::vector<std::pair<std::string, double>> FirstStage(const Prepared& p, int eq, const Projector& full) {
  std::vector<std::pair<std::string, double>> result;
  const auto& regs = p.regressors[eq];
  std::vector<int> included;
  for (int j = 0; j < static_cast<int>(regs.size()); ++j) {
    for (const LinearTerm& z : p.instruments) {
      if (SameTerm(z, regs[j]) || (IsConst(z) && IsConst(regs[j]))) included.push_back(j);
    }
  }
  const int T = p.rows;
  const int L = static_cast<int>(p.instruments.size());
  const int q = L - static_cast<int>(included.size());
  if (q <= 0 || T <= L) return result;
  MatrixXd X1(T, static_cast<int>(included.size()));
  for (std::size_t j = 0; j < included.size(); ++j) X1.col(j) = p.X[eq].col(included[j]);
  Projector restricted;
  const bool haveX1 = X1.cols() > 0 && MakeProjector(X1, restricted);
  for (int j = 0; j < static_cast<int>(regs.size()); ++j) {
    if (std::find(included.begin(), included.end(), j) != included.end()) continue;
    const VectorXd x = p.X[eq].col(j);
    const double rssU = (x - full.Project(x)).squaredNorm();
    const double rssR = haveX1 ? (x - restricted.Project(x)).squaredNorm() : x.squaredNorm();
    const double F = ((rssR - rssU) / q) / (rssU / (T - L));
    result.emplace_back(LaggedName(regs[j].name, regs[j].lag), F);
  }
  return result;
}
}  // namespace

bool ParseSampleRange(const std::string& text, std::pair<int, int>& sample) {
  // A whole year, every character used; an empty end is open.
  auto year = [](std::string t, int open, int& y) {
    const std::size_t first = t.find_first_not_of(" \t"), last = t.find_last_not_of(" \t");
    if (first == std::string::npos) {
      y = open;
      return true;
    }
    t = t.substr(first, last - first + 1);
    char extra = 0;
    return std::sscanf(t.c_str(), "%d%c", &y, &extra) == 1 && y != kSampleFromStart && y != kSampleToEnd;
  };
  const std::size_t colon = text.find(':');
  if (colon != std::string::npos) {
    if (!year(text.substr(0, colon), kSampleFromStart, sample.first) ||
        !year(text.substr(colon + 1), kSampleToEnd, sample.second)) {
      return false;
    }
    if (sample.first == kSampleFromStart && sample.second == kSampleToEnd) return false;
  } else {
    std::string t = text;
    for (char& c : t) {
      if (c == ',') c = ' ';
    }
    const std::size_t dash = t.find('-', t.find_first_not_of(" \t") + 1);
    if (dash != std::string::npos) t[dash] = ' ';
    char extra = 0;
    if (std::sscanf(t.c_str(), "%d %d %c", &sample.first, &sample.second, &extra) != 2) return false;
  }
  return sample.first <= sample.second;
}

bool ParseEstimationMethod(const std::string& word, EstimationMethod& method) {
  std::string w = word;
  for (char& c : w) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (w == "ols")
    method = EstimationMethod::kOls;
  else if (w == "tsls" || w == "2sls")
    method = EstimationMethod::kTsls;
  else if (w == "3sls")
    method = EstimationMethod::kThreeSls;
  else if (w == "sur")
    method = EstimationMethod::kSur;
  else if (w == "liml")
    method = EstimationMethod::kLiml;
  else if (w == "fiml")
    method = EstimationMethod::kFiml;
  else
    return false;
  return true;
}

std::string EstimationMethodName(EstimationMethod method) {
  switch (method) {
    case EstimationMethod::kOls:
      return "ols";
    case EstimationMethod::kTsls:
      return "2sls";
    case EstimationMethod::kThreeSls:
      return "3sls";
    case EstimationMethod::kSur:
      return "sur";
    case EstimationMethod::kLiml:
      return "liml";
    case EstimationMethod::kFiml:
      return "fiml";
  }
  return "ols";
}

bool ParseFimlStandardErrors(const std::string& word, FimlStandardErrors& kind) {
  std::string w = word;
  for (char& c : w) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (w == "hessian")
    kind = FimlStandardErrors::kHessian;
  else if (w == "3sls")
    kind = FimlStandardErrors::kThreeSls;
  else
    return false;
  return true;
}

std::string FimlStandardErrorsName(FimlStandardErrors kind) {
  return kind == FimlStandardErrors::kThreeSls ? "3sls" : "hessian";
}

std::string EstimationMethodTitle(EstimationMethod method) {
  std::string name = EstimationMethodName(method);
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

EstimationOutcome EstimateSystem(const SystemSpec& spec, const DataTable& data, const EstimationRequest& request) {
  EstimationOutcome out;
  Prepared p;
  if (!Prepare(spec, data, request, p, out.error)) return out;
  const int n = static_cast<int>(p.X.size());
  const int T = p.rows;
  const EstimationMethod method = request.method;
  // FIML is identified by the structure itself and uses instruments only for its 3SLS start:
  // when they are too few for that, it starts from SUR instead.
  bool usesInstruments = method == EstimationMethod::kTsls || method == EstimationMethod::kThreeSls ||
                         method == EstimationMethod::kLiml || method == EstimationMethod::kFiml;

  if (method == EstimationMethod::kFiml && p.endogenous.size() != spec.equations.size() + spec.identities.size()) {
    out.error = "FIML needs as many equations and identities (" +
                std::to_string(spec.equations.size() + spec.identities.size()) + ") as endogenous variables (" +
                std::to_string(p.endogenous.size()) + ")";
    return out;
  }

  Model& model = out.model;
  model.method = EstimationMethodName(method);
  model.sample_first = p.data.years[p.firstRow];
  model.sample_last = p.data.years[p.firstRow + T - 1];
  model.observations = T;
  model.endogenous = p.endogenous;
  for (const LinearTerm& t : p.predetermined) model.exogenous.push_back(LaggedName(t.name, t.lag));
  model.series = spec.series;
  for (const IdentityStatement& id : spec.identities) {
    IdentityEstimate ie;
    ie.dependent = id.dependent;
    for (const LinearTerm& t : id.terms)
      ie.terms.emplace_back(IsConst(t) ? "const" : LaggedName(t.name, t.lag), t.coef);
    model.identities.push_back(ie);
  }

  // Single-equation estimates: OLS for OLS and SUR, 2SLS for 2SLS, 3SLS and FIML.
  Projector projector;
  std::vector<MatrixXd> W(n);
  std::vector<VectorXd> b(n);
  std::vector<MatrixXd> cov(n);
  std::vector<VectorXd> residuals(n);
  const auto singleEquations = [&](bool instruments, std::string& error) {
    if (instruments) {
      if (T <= static_cast<int>(p.instruments.size())) {
        error = Line(spec.instrLine) + "the sample has " + std::to_string(T) + " rows but there are " +
                std::to_string(p.instruments.size()) + " instruments";
        return false;
      }
      if (!MakeProjector(p.Z, projector)) {
        error = Line(spec.instrLine) + "the instruments' moment matrix is singular: the instruments are collinear";
        return false;
      }
    }
    for (int i = 0; i < n; ++i) {
      const EquationStatement& eq = spec.equations[i];
      const int k = static_cast<int>(p.X[i].cols());
      MatrixXd inverse;
      VectorXd ignored;
      if (!LeastSquares(p.X[i], p.y[i], ignored, inverse)) {
        error = Line(eq.line) + "the moment matrix of the equation for " + eq.dependent +
                " is singular: its regressors are collinear";
        return false;
      }
      if (instruments) {
        if (static_cast<int>(p.instruments.size()) < k) {
          error = Line(eq.line) + "the equation for " + eq.dependent + " is not identified: " + std::to_string(k) +
                  " regressors but only " + std::to_string(p.instruments.size()) +
                  (p.instruments.size() == 1 ? " instrument" : " instruments");
          return false;
        }
        W[i] = projector.Project(p.X[i]);
      } else {
        W[i] = p.X[i];
      }
      if (!LeastSquares(W[i], p.y[i], b[i], inverse)) {
        error = Line(eq.line) + "the equation for " + eq.dependent +
                " is not identified: its regressors are collinear on the instruments";
        return false;
      }
      residuals[i] = p.y[i] - p.X[i] * b[i];
      cov[i] = inverse * (residuals[i].squaredNorm() / (T - k));
    }
    return true;
  };
  if (!singleEquations(usesInstruments, out.error)) {
    if (method != EstimationMethod::kFiml) return out;
    // A failure that is not the instruments' is the equations' own and stays a failure.
    std::string why;
    if (!singleEquations(false, why)) {
      out.error = why;
      return out;
    }
    out.notices.push_back("FIML starts from SUR estimates: the instruments do not allow 3SLS (" + out.error + ")");
    out.error.clear();
    usesInstruments = false;
  }
  if (usesInstruments) {
    for (const LinearTerm& t : p.instruments) model.instruments.push_back(LaggedName(t.name, t.lag));
  }

  if (method == EstimationMethod::kLiml) {
    for (int i = 0; i < n; ++i) {
      const EquationStatement& eq = spec.equations[i];
      const auto& regs = p.regressors[i];
      std::vector<int> included, endogenous;
      for (int j = 0; j < static_cast<int>(regs.size()); ++j) {
        bool isInstrument = false;
        for (const LinearTerm& z : p.instruments)
          isInstrument = isInstrument || SameTerm(z, regs[j]) || (IsConst(z) && IsConst(regs[j]));
        (isInstrument ? included : endogenous).push_back(j);
      }
      // κ is the smallest root of |W1 − κ W0| = 0 for Y = (y, the endogenous regressors): with
      // none, the ratio of y's residual sums of squares on the included and on all instruments.
      double kappa = 1;
      {
        MatrixXd Y(T, 1 + static_cast<int>(endogenous.size()));
        Y.col(0) = p.y[i];
        for (std::size_t j = 0; j < endogenous.size(); ++j) Y.col(1 + j) = p.X[i].col(endogenous[j]);
        const MatrixXd MzY = Y - projector.Project(Y);
        MatrixXd M1Y = Y;
        if (!included.empty()) {
          MatrixXd X1(T, static_cast<int>(included.size()));
          for (std::size_t j = 0; j < included.size(); ++j) X1.col(j) = p.X[i].col(included[j]);
          Projector p1;
          if (!MakeProjector(X1, p1)) {
            out.error = Line(eq.line) + "the moment matrix of the equation for " + eq.dependent +
                        " is singular: its regressors are collinear";
            return out;
          }
          M1Y = Y - p1.Project(Y);
        }
        const MatrixXd W0 = Y.transpose() * MzY;
        const MatrixXd W1 = Y.transpose() * M1Y;
        const Eigen::GeneralizedSelfAdjointEigenSolver<MatrixXd> solver(W1, W0);
        if (solver.info() != Eigen::Success) {
          out.error = Line(eq.line) + "the LIML eigenproblem of the equation for " + eq.dependent +
                      " has no solution: the residual moment matrix on the instruments is singular";
          return out;
        }
        kappa = solver.eigenvalues().minCoeff();
      }
      // The k-class estimator with k = kappa.
      const MatrixXd& X = p.X[i];
      const MatrixXd PX = projector.Project(X);
      const MatrixXd A = (1 - kappa) * (X.transpose() * X) + kappa * (PX.transpose() * X);
      const VectorXd c = (1 - kappa) * (X.transpose() * p.y[i]) + kappa * (PX.transpose() * p.y[i]);
      const Eigen::FullPivLU<MatrixXd> lu(A);
      if (!lu.isInvertible()) {
        out.error = Line(eq.line) + "the moment matrix of the equation for " + eq.dependent + " is singular";
        return out;
      }
      b[i] = lu.solve(c);
      residuals[i] = p.y[i] - X * b[i];
      cov[i] = lu.inverse() * (residuals[i].squaredNorm() / (T - static_cast<int>(X.cols())));
      EquationEstimate ee;
      ee.liml_kappa = kappa;
      model.equations.push_back(ee);
    }
  }

  if (method == EstimationMethod::kThreeSls || method == EstimationMethod::kSur || method == EstimationMethod::kFiml) {
    const MatrixXd sigma = ResidualCovariance(residuals);
    std::vector<VectorXd> bs;
    MatrixXd full;
    if (!SystemGls(p, W, sigma, bs, full)) {
      out.error = "the residual covariance of the first stage is singular: the equations' residuals are collinear";
      return out;
    }
    b = bs;
    int offset = 0;
    for (int i = 0; i < n; ++i) {
      const int k = static_cast<int>(p.X[i].cols());
      cov[i] = full.block(offset, offset, k, k);
      offset += k;
      residuals[i] = p.y[i] - p.X[i] * b[i];
    }
  }

  if (method == EstimationMethod::kFiml) {
    const FullInformation likelihood(p, spec);
    VectorXd theta(likelihood.Size());
    int offset = 0;
    for (int i = 0; i < n; ++i) {
      theta.segment(offset, b[i].size()) = b[i];
      offset += static_cast<int>(b[i].size());
    }
    if (!std::isfinite(likelihood.LogLikelihood(theta))) {
      out.error = std::string("FIML cannot start: the ") + (usesInstruments ? "3SLS" : "SUR") +
                  " estimates make the system singular";
      return out;
    }
    VectorXd scale(theta.size());
    offset = 0;
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < b[i].size(); ++j) {
        const double se = std::sqrt(cov[i](j, j));
        scale(offset + j) = std::isfinite(se) && se > 0 ? se : std::max(1e-3, std::fabs(b[i](j)));
      }
      offset += static_cast<int>(b[i].size());
    }
    int iterations = 0;
    MaximiseLikelihood(likelihood, scale, theta, iterations);
    PolishLikelihood(likelihood, scale, theta, 100);
    const double logLikelihood = likelihood.LogLikelihood(theta);
    // The maximum is taken when the gradient, in units of the 3SLS standard errors, is
    // small; the quasi-Newton method alone may stop short of it on a flat surface.
    const double slope = likelihood.Gradient(theta).cwiseProduct(scale).cwiseAbs().maxCoeff();
    model.iterations = iterations;
    if (std::isfinite(slope)) model.gradient_norm = slope;
    if (std::isfinite(logLikelihood)) model.log_likelihood = logLikelihood;
    model.standard_errors = FimlStandardErrorsName(request.fimlStandardErrors);
    std::string why;
    if (!std::isfinite(logLikelihood)) {
      why = "the residual covariance became singular, so the likelihood has no finite maximum";
    } else if (!(slope < kFimlGradientTolerance)) {
      char text[64];
      std::snprintf(text, sizeof text, "%.3g", slope);
      why = std::string("the gradient does not vanish: its largest element is ") + text +
            " in units of the 3SLS standard errors" +
            (iterations >= kMaxFimlIterations
                 ? " when the iteration limit (" + std::to_string(kMaxFimlIterations) + ") was reached"
                 : std::string()) +
            ", so the likelihood may have no finite maximum";
    }
    const MatrixXd H = LikelihoodHessian(likelihood, theta, scale);
    const Eigen::LDLT<MatrixXd> negative(-H);
    const bool maximum =
        negative.info() == Eigen::Success && negative.isPositive() && Eigen::FullPivLU<MatrixXd>(-H).isInvertible();
    if (why.empty() && !maximum) why = "the Hessian of the log-likelihood is not negative definite: no maximum";
    MatrixXd full = MatrixXd::Constant(theta.size(), theta.size(), std::nan(""));
    if (request.fimlStandardErrors == FimlStandardErrors::kHessian) {
      if (maximum) full = Eigen::FullPivLU<MatrixXd>(-H).inverse();
    } else {
      // The 3SLS form at the FIML estimates: each current endogenous regressor replaced by its
      // reduced-form values, weighted by the inverse of the FIML residual covariance.
      MatrixXd fitted;
      std::vector<MatrixXd> Xhat(n);
      std::vector<VectorXd> e(n);
      offset = 0;
      for (int i = 0; i < n; ++i) {
        e[i] = p.y[i] - p.X[i] * theta.segment(offset, p.X[i].cols());
        offset += static_cast<int>(p.X[i].cols());
      }
      if (likelihood.ReducedFormValues(theta, fitted)) {
        for (int i = 0; i < n; ++i) {
          Xhat[i] = p.X[i];
          for (int j = 0; j < static_cast<int>(p.regressors[i].size()); ++j) {
            const int k = likelihood.EndogenousColumn(p.regressors[i][j]);
            if (k >= 0) Xhat[i].col(j) = fitted.col(k);
          }
        }
        Prepared hat = p;
        hat.X = Xhat;
        for (int i = 0; i < n; ++i) hat.y[i] = VectorXd::Zero(T);
        std::vector<VectorXd> ignored;
        MatrixXd threeSls;
        if (SystemGls(hat, Xhat, ResidualCovariance(e), ignored, threeSls)) full = threeSls;
      }
    }
    if (!full.allFinite()) out.notices.push_back("FIML has no standard errors: their covariance matrix is singular");
    if (!why.empty()) {
      out.converged = false;
      out.nonconvergence = "FIML did not converge after " + std::to_string(iterations) + " iterations: " + why;
      model.converged = false;
    }
    offset = 0;
    for (int i = 0; i < n; ++i) {
      const int k = static_cast<int>(p.X[i].cols());
      b[i] = theta.segment(offset, k);
      cov[i] = full.block(offset, offset, k, k);
      offset += k;
      residuals[i] = p.y[i] - p.X[i] * b[i];
    }
  }

  const bool systemMethod =
      method == EstimationMethod::kThreeSls || method == EstimationMethod::kSur || method == EstimationMethod::kFiml;
  model.equations.resize(n);
  for (int i = 0; i < n; ++i) {
    EquationEstimate& ee = model.equations[i];
    ee.dependent = spec.equations[i].dependent;
    for (const LinearTerm& t : p.regressors[i])
      ee.regressors.push_back(IsConst(t) ? "const" : LaggedName(t.name, t.lag));
    Describe(ee, p.y[i], p.X[i], b[i], cov[i], systemMethod);
    if (method == EstimationMethod::kTsls || method == EstimationMethod::kLiml) {
      ee.first_stage_f = FirstStage(p, i, projector);
    }
  }
  model.residual_covariance = ToRows(ResidualCovariance(residuals));
  out.data = p.data;
  out.ok = true;
  return out;
}

}  // namespace quantorial
