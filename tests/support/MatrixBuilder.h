#pragma once
// Small helpers to write matrices in tests as rows of cells, and to read them back.

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

#include "workspace/DumpForm.h"
#include "workspace/LabelledMatrix.h"
#include "workspace/ValueRules.h"

namespace quantorial::testing {

// An empty cell, and a text cell, for writing rows of cells.
inline const Cell E;
inline Cell T(const char* s) { return Cell(std::string(s)); }

// A 0-based matrix from rows of cells; row 0 and column 0 are the labels.
inline LabelledMatrix M(std::initializer_list<std::initializer_list<Cell>> rows) {
  const int r = static_cast<int>(rows.size()) - 1;
  int c = -1;
  for (const auto& row : rows) c = std::max(c, static_cast<int>(row.size()) - 1);
  LabelledMatrix m = LabelledMatrix::Dimension(0, r, 0, c);
  int i = 0;
  for (const auto& row : rows) {
    int j = 0;
    for (const auto& cell : row) m.Set(i, j++, cell);
    ++i;
  }
  return m;
}

// A labelled square matrix with row and column labels "v1".."vn" and the given data.
inline LabelledMatrix Square(const std::vector<std::vector<double>>& data) {
  const int n = static_cast<int>(data.size());
  LabelledMatrix m = LabelledMatrix::Dimension(0, n, 0, n);
  for (int k = 1; k <= n; ++k) {
    m.Set(0, k, "v" + std::to_string(k));
    m.Set(k, 0, "v" + std::to_string(k));
  }
  int i = 1;
  for (const auto& row : data) {
    int j = 1;
    for (double v : row) m.Set(i, j++, v);
    ++i;
  }
  return m;
}
inline LabelledMatrix Square(std::initializer_list<std::initializer_list<double>> data) {
  std::vector<std::vector<double>> rows;
  for (const auto& row : data) rows.emplace_back(row);
  return Square(rows);
}

// The number in cell (i, j), or NaN where the cell holds none, so a comparison fails
// instead of the test crashing.
inline double V(const LabelledMatrix& m, int i, int j) {
  const auto v = ArithmeticValue(m.Get(i, j));
  return v ? *v : NAN;
}

inline std::string Dump(const LabelledMatrix& m) { return DumpText(m); }

}  // namespace quantorial::testing
