#include "inputoutput/LeontiefSolver.h"

#include <umfpack.h>

#include <Eigen/IterativeLinearSolvers>
#include <algorithm>
#include <cmath>
#include <vector>

namespace quantorial {

const char* const kSingularMessage =
    "I - A is singular: the table has no Leontief inverse (some sectors' inputs use up all of their output, or "
    "sectors depend on one another exactly). Nothing was computed.";

// The solver was made only for a matrix the condition estimate accepted.
bool LeontiefSolver::Inverse(Eigen::MatrixXd& inverse, std::string&) {
  inverse = Eigen::PartialPivLU<Eigen::MatrixXd>(Eigen::MatrixXd(m_)).inverse();
  return true;
}

bool EstimateReciprocalCondition(LeontiefSolver& solver, const Eigen::SparseMatrix<double>& m, double& rcond,
                                 std::string& error) {
  const Eigen::Index n = m.cols();
  rcond = 0.0;
  double norm = 0.0;  // |M|_1, the largest column sum of magnitudes
  for (Eigen::Index j = 0; j < n; ++j) {
    double sum = 0.0;
    for (Eigen::SparseMatrix<double>::InnerIterator it(m, j); it; ++it) sum += std::abs(it.value());
    norm = std::max(norm, sum);
  }
  if (n == 0 || !(norm > 0.0) || !std::isfinite(norm)) return true;
  // Each solve either gives finite numbers or shows the matrix singular (rcond 0).
  Eigen::VectorXd y;
  const auto solve = [&](const Eigen::VectorXd& b, bool transpose, bool& finite) {
    if (!solver.Solve(b, y, transpose, error)) return false;
    finite = y.allFinite();
    return true;
  };
  const auto sign = [](const Eigen::VectorXd& v) {
    return Eigen::VectorXd(v.unaryExpr([](double e) { return e >= 0.0 ? 1.0 : -1.0; }));
  };
  bool finite = true;
  Eigen::VectorXd x = Eigen::VectorXd::Constant(n, 1.0 / static_cast<double>(n));
  if (!solve(x, false, finite)) return false;
  if (!finite) return true;
  double estimate = y.lpNorm<1>();
  Eigen::VectorXd xi = sign(y);
  if (!solve(xi, true, finite)) return false;
  if (!finite) return true;
  Eigen::VectorXd z = y;
  for (int k = 0; k < 5 && n > 1; ++k) {
    Eigen::Index j = 0;
    const double zmax = z.cwiseAbs().maxCoeff(&j);
    if (k > 0 && zmax <= z.dot(x)) break;  // no column promises a larger norm
    x = Eigen::VectorXd::Unit(n, j);
    if (!solve(x, false, finite)) return false;
    if (!finite) return true;
    const double next = y.lpNorm<1>();
    const Eigen::VectorXd nextSign = sign(y);
    if (next <= estimate || nextSign == xi) {
      estimate = std::max(estimate, next);
      break;
    }
    estimate = next;
    xi = nextSign;
    if (!solve(xi, true, finite)) return false;
    if (!finite) return true;
    z = y;
  }
  // Higham's safeguard: a vector of alternating signs catches what the iteration can miss.
  for (Eigen::Index i = 0; i < n; ++i)
    x(i) = (i % 2 == 0 ? 1.0 : -1.0) *
           (1.0 + static_cast<double>(i) / static_cast<double>(std::max<Eigen::Index>(1, n - 1)));
  if (!solve(x, false, finite)) return false;
  if (!finite) return true;
  estimate = std::max(estimate, 2.0 * y.lpNorm<1>() / (3.0 * static_cast<double>(n)));
  if (std::isfinite(estimate) && estimate > 0.0) rcond = 1.0 / (norm * estimate);
  return true;
}

namespace {

class DenseSolver : public LeontiefSolver {
 public:
  explicit DenseSolver(const Eigen::SparseMatrix<double>& m) : LeontiefSolver(m), lu_(Eigen::MatrixXd(m)) {
    kind = IoSolver::Dense;
  }
  bool Solve(const Eigen::VectorXd& b, Eigen::VectorXd& x, bool transpose, std::string&) override {
    x = transpose ? Eigen::VectorXd(lu_.transpose().solve(b)) : Eigen::VectorXd(lu_.solve(b));
    return true;
  }
  bool Inverse(Eigen::MatrixXd& inverse, std::string&) override {
    inverse = lu_.inverse();
    return true;
  }

 private:
  Eigen::PartialPivLU<Eigen::MatrixXd> lu_;
};

// UMFPACK's LU decomposition of the sparse matrix; one decomposition solves both systems.
class UmfpackSolver : public LeontiefSolver {
 public:
  UmfpackSolver(const Eigen::SparseMatrix<double>& m, std::string& error) : LeontiefSolver(m) {
    kind = IoSolver::SparseLu;
    m_.makeCompressed();
    const auto n = static_cast<SuiteSparse_long>(m_.cols());
    ap_.assign(m_.outerIndexPtr(), m_.outerIndexPtr() + m_.cols() + 1);
    ai_.assign(m_.innerIndexPtr(), m_.innerIndexPtr() + m_.nonZeros());
    umfpack_dl_defaults(control_);
    void* symbolic = nullptr;
    SuiteSparse_long status =
        umfpack_dl_symbolic(n, n, ap_.data(), ai_.data(), m_.valuePtr(), &symbolic, control_, nullptr);
    if (status == UMFPACK_OK) {
      status = umfpack_dl_numeric(ap_.data(), ai_.data(), m_.valuePtr(), symbolic, &numeric_, control_, nullptr);
    }
    if (symbolic) umfpack_dl_free_symbolic(&symbolic);
    if (status == UMFPACK_WARNING_singular_matrix) {
      error = kSingularMessage;
    } else if (status != UMFPACK_OK) {
      error = status == UMFPACK_ERROR_out_of_memory
                  ? "The sparse LU decomposition of I - A ran out of memory. Nothing was computed."
                  : "The sparse LU decomposition of I - A failed (UMFPACK status " + std::to_string(status) +
                        "). Nothing was computed.";
    }
  }
  ~UmfpackSolver() override {
    if (numeric_) umfpack_dl_free_numeric(&numeric_);
  }
  bool Solve(const Eigen::VectorXd& b, Eigen::VectorXd& x, bool transpose, std::string& error) override {
    x.resize(b.size());
    const SuiteSparse_long status = umfpack_dl_solve(transpose ? UMFPACK_At : UMFPACK_A, ap_.data(), ai_.data(),
                                                     m_.valuePtr(), x.data(), b.data(), numeric_, control_, nullptr);
    if (status != UMFPACK_OK) {
      error = status == UMFPACK_WARNING_singular_matrix ? kSingularMessage : "The sparse solve with I - A failed.";
      return false;
    }
    return true;
  }

 private:
  std::vector<SuiteSparse_long> ap_, ai_;
  double control_[UMFPACK_CONTROL];
  void* numeric_ = nullptr;
};

// BiCGSTAB with a diagonal preconditioner, falling back to UMFPACK when it stalls.
class IterativeSolver : public LeontiefSolver {
 public:
  IterativeSolver(const Eigen::SparseMatrix<double>& m, double tolerance) : LeontiefSolver(m), tolerance_(tolerance) {
    kind = IoSolver::Iterative;
  }
  bool Solve(const Eigen::VectorXd& b, Eigen::VectorXd& x, bool transpose, std::string& error) override {
    if (!fallback_) {
      auto& solver = transpose ? transposed_ : plain_;
      if (!solver) {
        solver = std::make_unique<Method>();
        solver->setTolerance(tolerance_);
        solver->setMaxIterations(1000);
        if (transpose) {
          mt_ = m_.transpose();
          solver->compute(mt_);
        } else {
          solver->compute(m_);
        }
      }
      x = solver->solve(b);
      if (solver->info() == Eigen::Success && x.allFinite()) return true;
      fallback_ = std::make_unique<UmfpackSolver>(m_, error);
      kind = IoSolver::SparseLu;
      if (!error.empty()) return false;
    }
    return fallback_->Solve(b, x, transpose, error);
  }

 private:
  using Method = Eigen::BiCGSTAB<Eigen::SparseMatrix<double>, Eigen::DiagonalPreconditioner<double>>;
  double tolerance_;
  Eigen::SparseMatrix<double> mt_;
  std::unique_ptr<Method> plain_, transposed_;
  std::unique_ptr<UmfpackSolver> fallback_;
};

// The power series x = b + A b + A^2 b + ..., which converges for a productive table.
class NeumannSolver : public LeontiefSolver {
 public:
  NeumannSolver(const Eigen::SparseMatrix<double>& m, double tolerance) : LeontiefSolver(m), tolerance_(tolerance) {
    kind = IoSolver::Neumann;
    a_ = -m_;
    a_.diagonal().array() += 1.0;
  }
  bool Solve(const Eigen::VectorXd& b, Eigen::VectorXd& x, bool transpose, std::string& error) override {
    if (transpose && at_.size() == 0) at_ = a_.transpose();
    const Eigen::SparseMatrix<double>& a = transpose ? at_ : a_;
    x = b;
    Eigen::VectorXd term = b;
    for (int k = 0; k < 100000; ++k) {
      term = a * term;
      x += term;
      if (term.norm() <= tolerance_ * x.norm()) return true;
      if (!term.allFinite()) break;
    }
    error = "The power series of A does not converge: the table is not productive.";
    return false;
  }

 private:
  double tolerance_;
  Eigen::SparseMatrix<double> a_, at_;
};

}  // namespace

std::unique_ptr<LeontiefSolver> MakeLeontiefSolver(const Eigen::SparseMatrix<double>& m, IoSolver kind,
                                                   double tolerance, std::string& error, double* rcond) {
  std::unique_ptr<LeontiefSolver> s;
  switch (kind) {
    case IoSolver::Automatic:
    case IoSolver::Dense:
      s = std::make_unique<DenseSolver>(m);
      break;
    case IoSolver::SparseLu:
      s = std::make_unique<UmfpackSolver>(m, error);
      break;
    case IoSolver::Iterative:
      s = std::make_unique<IterativeSolver>(m, tolerance);
      break;
    case IoSolver::Neumann:
      s = std::make_unique<NeumannSolver>(m, tolerance);
      break;
  }
  double estimate = 0.0;
  if (error.empty() && EstimateReciprocalCondition(*s, m, estimate, error) && !(estimate >= kSingularRcond))
    error = kSingularMessage;
  if (rcond) *rcond = estimate;
  if (!error.empty()) s.reset();
  return s;
}

Eigen::SparseMatrix<double> IdentityMinusA(const IoTable& t, bool closed) {
  const int n = t.Sectors();
  const int size = closed ? n + 1 : n;
  std::vector<Eigen::Triplet<double>> entries;
  entries.reserve(static_cast<std::size_t>(t.a.NonZeros() + size + (closed ? 2 * n : 0)));
  for (int j = 0; j < n; ++j)
    for (long long k = t.a.start[static_cast<std::size_t>(j)]; k < t.a.start[static_cast<std::size_t>(j) + 1]; ++k)
      entries.emplace_back(t.a.row[static_cast<std::size_t>(k)], j, -t.a.value[static_cast<std::size_t>(k)]);
  if (closed) {
    const auto& h = t.primaryRow[static_cast<std::size_t>(t.householdRow)];
    for (int k = 0; k < n; ++k) {
      const auto u = static_cast<std::size_t>(k);
      if (t.householdColumn[u] != 0.0) entries.emplace_back(k, n, -t.householdColumn[u]);
      if (h[u] != 0.0) entries.emplace_back(n, k, -h[u]);
    }
    if (t.householdOwn != 0.0) entries.emplace_back(n, n, -t.householdOwn);
  }
  for (int k = 0; k < size; ++k) entries.emplace_back(k, k, 1.0);
  Eigen::SparseMatrix<double> m(size, size);
  m.setFromTriplets(entries.begin(), entries.end());  // duplicates (the diagonal) are summed
  m.makeCompressed();
  return m;
}

}  // namespace quantorial
