#pragma once
// Conversions between the plain matrices of the structural-form headers and Eigen's, for
// the sources of this folder only (Eigen is private to the library).

#include <Eigen/Dense>

#include "systems/StructuralForm.h"

namespace quantorial::detail {

inline Eigen::MatrixXd ToEigen(const DenseRows& rows, std::size_t cols) {
  Eigen::MatrixXd m = Eigen::MatrixXd::Zero(static_cast<Eigen::Index>(rows.size()), static_cast<Eigen::Index>(cols));
  for (std::size_t i = 0; i < rows.size(); ++i)
    for (std::size_t j = 0; j < cols && j < rows[i].size(); ++j)
      m(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(j)) = rows[i][j];
  return m;
}

inline DenseRows FromEigen(const Eigen::MatrixXd& m) {
  DenseRows rows(static_cast<std::size_t>(m.rows()), std::vector<double>(static_cast<std::size_t>(m.cols())));
  for (Eigen::Index i = 0; i < m.rows(); ++i)
    for (Eigen::Index j = 0; j < m.cols(); ++j)
      rows[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = m(i, j);
  return rows;
}

// The names of a list joined as "A, B and C".
inline std::string JoinNames(const std::vector<std::string>& names) {
  std::string s;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) s += (i + 1 == names.size()) ? " and " : ", ";
    s += names[i];
  }
  return s;
}

}  // namespace quantorial::detail
