#pragma once
// The solves with I - A behind the input-output toolkit (internal to the module: it speaks
// Eigen). One object serves both I - A and its transpose.

#include <Eigen/Dense>
#include <Eigen/Sparse>
#include <memory>
#include <string>

#include "inputoutput/IoAnalysis.h"

namespace quantorial {

class LeontiefSolver {
 public:
  virtual ~LeontiefSolver() = default;
  // Solves (I - A) x = b, or (I - A)' x = b with `transpose`. False, with the reason, when the
  // matrix is singular or the method does not reach the tolerance.
  virtual bool Solve(const Eigen::VectorXd& b, Eigen::VectorXd& x, bool transpose, std::string& error) = 0;
  // L = (I - A)^-1 formed densely.
  virtual bool Inverse(Eigen::MatrixXd& inverse, std::string& error);
  IoSolver kind = IoSolver::Dense;

 protected:
  explicit LeontiefSolver(const Eigen::SparseMatrix<double>& m) : m_(m) {}
  Eigen::SparseMatrix<double> m_;  // I - A
};

// How near to singular I - A may come. Every path (dense LU, UMFPACK, BiCGSTAB, the power
// series) is judged by the one estimate below against the same bounds, so the size of a
// table never decides whether it is solved: below kSingularRcond (a condition number above
// 1e14, fewer than two of a double's sixteen digits left) it is refused as singular; below
// kNearSingularRcond (above 1e8) the results carry a notice.
constexpr double kSingularRcond = 1e-14;
constexpr double kNearSingularRcond = 1e-8;

// The reciprocal condition number of I - A in the 1-norm, 1 / (|M|_1 |M^-1|_1), with
// |M^-1|_1 estimated from a few solves with M and M' (Hager's method as refined by Higham,
// the estimator LAPACK's xLACN2 uses). 0 when a solve gives numbers that are not finite
// (an exactly singular matrix). False, with the reason, when a solve itself fails.
bool EstimateReciprocalCondition(LeontiefSolver& solver, const Eigen::SparseMatrix<double>& m, double& rcond,
                                 std::string& error);

// A solver of `kind` (Automatic chooses by the size) for the matrix I - A; nothing, with the
// reason, when the matrix is singular by the estimate above (kSingularMessage on every path).
// `rcond` receives the estimate.
std::unique_ptr<LeontiefSolver> MakeLeontiefSolver(const Eigen::SparseMatrix<double>& iMinusA, IoSolver kind,
                                                   double tolerance, std::string& error, double* rcond = nullptr);

// I - A of the table (with households closed: of the closed table, one size larger).
Eigen::SparseMatrix<double> IdentityMinusA(const IoTable& t, bool closed);

}  // namespace quantorial
