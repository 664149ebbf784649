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

// A solver of `kind` (Automatic chooses by the size) for the matrix I - A; nothing, with the
// reason, when the matrix is singular.
std::unique_ptr<LeontiefSolver> MakeLeontiefSolver(const Eigen::SparseMatrix<double>& iMinusA, IoSolver kind,
                                                   double tolerance, std::string& error);

// I - A of the table (with households closed: of the closed table, one size larger).
Eigen::SparseMatrix<double> IdentityMinusA(const IoTable& t, bool closed);

}  // namespace quantorial
