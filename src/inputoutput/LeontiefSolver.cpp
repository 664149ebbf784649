#include "inputoutput/LeontiefSolver.h"

#include <umfpack.h>

#include <Eigen/IterativeLinearSolvers>
#include <cmath>
#include <vector>

namespace quantorial {

const char* const kSingularMessage =
    "I - A is singular: the table has no Leontief inverse (some sectors' inputs use up all of their output, or "
    "sectors depend on one another exactly). Nothing was computed.";

bool LeontiefSolver::Inverse(Eigen::MatrixXd& inverse, std::string& error) {
  const Eigen::MatrixXd dense(m_);
  Eigen::PartialPivLU<Eigen::MatrixXd> lu(dense);
  if (!(lu.rcond() > 1e-14)) {
    error = kSingularMessage;
    return false;
  }
  inverse = lu.inverse();
  return true;
}

namespace {

class DenseSolver : public LeontiefSolver {
 public:
  DenseSolver(const Eigen::SparseMatrix<double>& m, std::string& error) : LeontiefSolver(m), lu_(Eigen::MatrixXd(m)) {
    kind = IoSolver::Dense;
    if (!(lu_.rcond() > 1e-14)) error = kSingularMessage;
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
                                                   double tolerance, std::string& error) {
  std::unique_ptr<LeontiefSolver> s;
  switch (kind) {
    case IoSolver::Automatic:
    case IoSolver::Dense:
      s = std::make_unique<DenseSolver>(m, error);
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
