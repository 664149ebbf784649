#include "inputoutput/IoAnalysis.h"

#include <cmath>

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

IoAnalysis AnalyseIoTable(const IoTable& t, const IoOptions& o) {
  IoAnalysis r;
  const int n = t.Sectors();
  const auto fail = [&r](std::string text) {
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
  auto solver = MakeLeontiefSolver(IdentityMinusA(t, false), kind, o.tolerance, error);
  if (!solver) return fail(error);
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
  if (!ghoshReady && !o.supply.empty()) {
    r.notices.push_back(totals.size() == n
                            ? "The supply-driven outputs need total outputs above 0; some outputs are 0 or below, so "
                              "they were not computed."
                            : "The supply-driven outputs need total outputs: give a flow table with its row of total "
                              "outputs, or a final demand. They were not computed.");
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

  if (o.multipliers) {
    const Eigen::VectorXd ones = Eigen::VectorXd::Ones(n);
    Eigen::VectorXd colSums, rowSums;
    if (!solve(ones, true, colSums) || !solve(ones, false, rowSums)) return fail(error);
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
    bool nonNegative = true;
    for (double v : t.a.value) nonNegative = nonNegative && v >= 0.0;
    const bool belowOne = (colSums.array() < 1.0 - 1e-9).any() || (rowSums.array() < 1.0 - 1e-9).any();
    const bool negativeInverse = formed && (inverse.array() < -1e-12).any();
    if ((nonNegative && belowOne) || negativeInverse) {
      r.notices.push_back(
          "The Leontief inverse has negative entries: the table is not productive (some sectors use up more than "
          "they make), so outputs for a demand above 0 can come out below 0.");
    }

    if (t.HouseholdsClosed()) {
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
  }
  r.solverUsed = solver->kind;
  return r;
}

}  // namespace quantorial
