#include "inputoutput/IoAnalysis.h"

#include <Eigen/Eigenvalues>
#include <algorithm>
#include <cmath>
#include <optional>
#include <sstream>

#include "inputoutput/LeontiefSolver.h"

namespace quantorial {
namespace {

std::vector<double> ToStd(const Eigen::VectorXd& v) { return std::vector<double>(v.data(), v.data() + v.size()); }
Eigen::VectorXd ToEigen(const std::vector<double>& v) {
  return Eigen::Map<const Eigen::VectorXd>(v.data(), static_cast<Eigen::Index>(v.size()));
}
std::vector<std::vector<double>> Rows(const Eigen::MatrixXd& m) {
  std::vector<std::vector<double>> rows(static_cast<std::size_t>(m.rows()));
  for (Eigen::Index i = 0; i < m.rows(); ++i) rows[static_cast<std::size_t>(i)] = ToStd(m.row(i).transpose());
  return rows;
}

}  // namespace

const char* IoSolverName(IoSolver s) {
  switch (s) {
    case IoSolver::Automatic:
      return "automatic";
    case IoSolver::Dense:
      return "dense LU";
    case IoSolver::Iterative:
      return "BiCGSTAB";
    case IoSolver::SparseLu:
      return "UMFPACK sparse LU";
    case IoSolver::Neumann:
      return "power series";
  }
  return "";
}

std::vector<std::vector<double>> DenseCoefficients(const IoTable& t) {
  const bool closed = t.HouseholdsClosed();
  Eigen::MatrixXd m = -Eigen::MatrixXd(IdentityMinusA(t, closed));
  m.diagonal().array() += 1.0;
  return Rows(m);
}

namespace {

std::string Short(double v) {
  std::ostringstream s;
  s.precision(2);
  s << v;
  return s.str();
}

// The negative cells of A, "row "B", column "A" (-0.05)", at most `most` of them.
std::vector<std::string> NegativeCells(const IoTable& t, std::size_t most, std::size_t& count) {
  std::vector<std::string> cells;
  count = 0;
  for (int j = 0; j < t.a.cols; ++j)
    for (long long k = t.a.start[static_cast<std::size_t>(j)]; k < t.a.start[static_cast<std::size_t>(j) + 1]; ++k) {
      const double v = t.a.value[static_cast<std::size_t>(k)];
      if (!(v < 0.0)) continue;
      if (++count > most) continue;
      std::ostringstream s;
      s.precision(6);
      s << "row \"" << t.sectors[static_cast<std::size_t>(t.a.row[static_cast<std::size_t>(k)])] << "\", column \""
        << t.sectors[static_cast<std::size_t>(j)] << "\" (" << v << ")";
      cells.push_back(s.str());
    }
  return cells;
}

// The spectral radius of A when A has negative cells, as far as "below 1" or "1 or more" goes:
// the largest column sum of |A| when that is below 1 (it bounds the radius); otherwise from the
// eigenvalues, for tables small enough to take them densely. Empty when neither tells.
constexpr int kSpectralRadiusLimit = 500;
std::optional<double> SpectralRadius(const IoTable& t) {
  double largest = 0.0;
  for (int j = 0; j < t.a.cols; ++j) {
    double sum = 0.0;
    for (long long k = t.a.start[static_cast<std::size_t>(j)]; k < t.a.start[static_cast<std::size_t>(j) + 1]; ++k)
      sum += std::abs(t.a.value[static_cast<std::size_t>(k)]);
    largest = std::max(largest, sum);
  }
  if (largest < 1.0) return largest;  // a bound, enough to tell "below 1"
  if (t.Sectors() > kSpectralRadiusLimit) return std::nullopt;
  Eigen::MatrixXd a = -Eigen::MatrixXd(IdentityMinusA(t, false));
  a.diagonal().array() += 1.0;
  const Eigen::EigenSolver<Eigen::MatrixXd> eigen(a, false);
  if (eigen.info() != Eigen::Success) return std::nullopt;
  return eigen.eigenvalues().cwiseAbs().maxCoeff();
}

std::string Joined(const std::vector<std::string>& items, std::size_t count) {
  std::string text;
  for (std::size_t k = 0; k < items.size(); ++k) text += (k == 0 ? "" : "; ") + items[k];
  if (count > items.size()) text += "; and " + std::to_string(count - items.size()) + " more";
  return text;
}

}  // namespace

IoAnalysis AnalyseIoTable(const IoTable& t, const IoOptions& o) {
  IoAnalysis r;
  const int n = t.Sectors();
  const auto fail = [](std::string text) {
    IoAnalysis failed;
    failed.error = std::move(text);
    return failed;
  };
  if (n < 1) return fail("The table has no sectors.");
  if (!o.demand.empty() && static_cast<int>(o.demand.size()) != n)
    return fail("The final demand has " + std::to_string(o.demand.size()) + " values for " + std::to_string(n) +
                " sectors.");
  if (!o.supply.empty() && static_cast<int>(o.supply.size()) != n)
    return fail("The primary inputs have " + std::to_string(o.supply.size()) + " values for " + std::to_string(n) +
                " sectors.");

  IoSolver kind = o.solver;
  if (kind == IoSolver::Automatic) kind = n <= o.denseLimit ? IoSolver::Dense : IoSolver::Iterative;
  std::string error;
  auto solver = MakeLeontiefSolver(IdentityMinusA(t, false), kind, o.tolerance, error, &r.reciprocalCondition);
  if (!solver) return fail(error);
  if (r.reciprocalCondition < kNearSingularRcond) {
    const double digits = std::floor(-std::log10(r.reciprocalCondition));
    r.notices.push_back("I - A is nearly singular (its condition number is about " +
                        Short(1.0 / r.reciprocalCondition) + "): the results may have lost about " +
                        std::to_string(static_cast<int>(digits)) + " of their 16 significant digits.");
  }
  const auto solve = [&](const Eigen::VectorXd& b, bool transpose, Eigen::VectorXd& x) {
    return solver->Solve(b, x, transpose, error);
  };

  // L itself, when small enough or asked for.
  Eigen::MatrixXd inverse;
  const bool formed = kind == IoSolver::Dense ? n <= o.denseLimit || o.formInverse : o.formInverse;
  if (formed && !solver->Inverse(inverse, error)) return fail(error);

  Eigen::VectorXd x;
  if (!o.demand.empty()) {
    if (!solve(ToEigen(o.demand), false, x)) return fail(error);
    r.outputs = ToStd(x);
  }

  // The outputs the Ghosh model rests on: the table's own, or those of the demand.
  Eigen::VectorXd totals;
  if (!t.totalOutput.empty()) {
    totals = ToEigen(t.totalOutput);
  } else if (!o.demand.empty()) {
    totals = x;
  }
  const bool ghoshReady = totals.size() == n && (totals.array() > 0.0).all();
  std::string ghoshNotice;  // told after whether the table is productive, which explains it
  if (!ghoshReady && totals.size() == n && (formed || !o.supply.empty())) {
    // Only the demand's outputs can be 0 or below (a flow table's totals are refused so).
    Eigen::Index worst = 0;
    totals.minCoeff(&worst);
    const bool both = formed && !o.supply.empty();
    const std::string what = both     ? "The Ghosh inverse and the supply-driven outputs need"
                             : formed ? "The Ghosh inverse needs"
                                      : "The supply-driven outputs need";
    ghoshNotice = what + " total outputs above 0, but the outputs for the final demand are not (sector \"" +
                  t.sectors[static_cast<std::size_t>(worst)] + "\": " + Short(totals(worst)) + "), so " +
                  (both || !formed ? "they were" : "it was") + " left out";
  } else if (!ghoshReady && !o.supply.empty()) {
    r.notices.push_back(
        "The supply-driven outputs need total outputs: give a flow table with its row of total outputs, or a final "
        "demand. They were not computed.");
  }
  if (formed) {
    r.leontief = Rows(inverse);
    if (ghoshReady) {
      // G = diag(x)^-1 L diag(x).
      const Eigen::MatrixXd g = totals.cwiseInverse().asDiagonal() * inverse * totals.asDiagonal();
      r.ghosh = Rows(g);
    }
  }
  if (!o.supply.empty() && ghoshReady) {
    // x'_j = x_j (L' (v / x))_j.
    Eigen::VectorXd y;
    if (!solve(ToEigen(o.supply).cwiseQuotient(totals), true, y)) return fail(error);
    r.supplyOutputs = ToStd(y.cwiseProduct(totals));
  }

  // Negative cells, and whether A is productive (its spectral radius below 1).
  std::size_t negatives = 0;
  const std::vector<std::string> negativeCells = NegativeCells(t, 5, negatives);
  bool colSumsBelowOne = false, rowSumsBelowOne = false;

  if (o.multipliers) {
    const Eigen::VectorXd ones = Eigen::VectorXd::Ones(n);
    Eigen::VectorXd colSums, rowSums;
    if (!solve(ones, true, colSums) || !solve(ones, false, rowSums)) return fail(error);
    colSumsBelowOne = (colSums.array() < 1.0 - 1e-9).any();
    rowSumsBelowOne = (rowSums.array() < 1.0 - 1e-9).any();
    r.outputMultipliers = ToStd(colSums);
    r.leontiefRowSums = ToStd(rowSums);
    for (std::size_t k = 0; k < t.primary.size(); ++k) {
      Eigen::VectorXd y;
      if (!solve(ToEigen(t.primaryRow[k]), true, y)) return fail(error);
      r.type1.emplace_back(t.primary[k], ToStd(y));
    }
    // Rasmussen: each sector's sum against the average over all sectors.
    const double total = colSums.sum();
    if (total != 0.0 && std::isfinite(total)) {
      r.backward = ToStd(colSums * (n / total));
      r.forward = ToStd(rowSums * (n / rowSums.sum()));
      for (int k = 0; k < n; ++k) {
        const auto u = static_cast<std::size_t>(k);
        if (r.backward[u] > 1.0 && r.forward[u] > 1.0) r.keySectors.push_back(t.sectors[u]);
      }
    }
  }

  // For A of no negative cells, I - A is an M-matrix exactly when A's spectral radius is below
  // 1, and then L >= I: every row and column sum of L is at least 1. With negative cells the
  // spectral radius is found (or bounded) itself.
  const bool negativeInverse = formed && (inverse.array() < -1e-12).any();
  const bool negativeOutputs = (x.size() == n && (x.array() < 0.0).any());
  if (negatives == 0) {
    if (colSumsBelowOne || rowSumsBelowOne || negativeInverse) {
      r.productive = false;
      r.notices.push_back(
          "The table is not productive: the spectral radius of A is 1 or more (some sectors use up more than they "
          "make), so the Leontief inverse has negative entries and outputs for a demand above 0 can come out below "
          "0.");
    }
  } else {
    const std::optional<double> radius = SpectralRadius(t);
    std::string text = "The table has " + std::to_string(negatives) +
                       (negatives == 1 ? " negative coefficient: " : " negative coefficients: ") +
                       Joined(negativeCells, negatives) + ".";
    if (radius && *radius >= 1.0) {
      r.productive = false;
      text += " The table is not productive: the spectral radius of A is " + Short(*radius) +
              ", 1 or more, so outputs for a demand above 0 can come out below 0.";
    } else {
      const std::string from = negatives == 1 ? "it" : "them";
      if (negativeInverse || negativeOutputs || colSumsBelowOne || rowSumsBelowOne)
        text += " The Leontief inverse has negative entries, which come from " + from +
                ", so outputs for a demand above 0 can come out below 0.";
      if (radius) {
        text += " The table is productive (the spectral radius of A is below 1).";
      } else {
        text +=
            " Whether the table is productive was not judged: with negative coefficients that takes the "
            "eigenvalues of A, which are not computed above " +
            std::to_string(kSpectralRadiusLimit) + " sectors.";
      }
    }
    r.notices.push_back(text);
  }

  if (!ghoshNotice.empty())
    r.notices.push_back(ghoshNotice + (r.productive ? "." : ", as the table is not productive."));

  if (o.multipliers && t.HouseholdsClosed()) {
    std::string closedError;
    auto closed = MakeLeontiefSolver(IdentityMinusA(t, true), kind, o.tolerance, closedError);
    if (!closed) {
      r.notices.push_back("With the households closed into the table, " + closedError +
                          " The type-II multipliers were not computed.");
    } else {
      for (std::size_t k = 0; k < t.primary.size(); ++k) {
        Eigen::VectorXd b(n + 1), y;
        b.head(n) = ToEigen(t.primaryRow[k]);
        b(n) = t.primaryHousehold[k];
        if (!closed->Solve(b, y, true, closedError)) return fail(closedError);
        r.type2.emplace_back(t.primary[k], ToStd(y.head(n)));
      }
    }
  }
  r.solverUsed = solver->kind;
  return r;
}

}  // namespace quantorial
