#pragma once
// LabelledMatrix: the one matrix representation of the workbench. A two-dimensional
// array of cells with a lower and an upper bound per dimension, or no array at all
// ("unassigned"). Row 0 holds the column labels and column 0 the row labels; data lie
// from index 1. Every access is checked: reading or writing outside the bounds is a
// recoverable failure (a null pointer or false), never undefined behaviour.

#include <cstddef>
#include <vector>

#include "workspace/Cell.h"

namespace quantorial {

class LabelledMatrix {
 public:
  // An unassigned matrix.
  LabelledMatrix() = default;

  // A matrix with bounds lower1..upper1 by lower2..upper2, all cells empty. Bounds whose
  // upper is below its lower, or a size beyond what can be held, give an unassigned
  // matrix (the dimensioning fails).
  static LabelledMatrix Dimension(int lower1, int upper1, int lower2, int upper2);
  // Both dimensions based at 0.
  static LabelledMatrix Dimension(int upper1, int upper2) { return Dimension(0, upper1, 0, upper2); }

  bool IsAssigned() const { return assigned_; }
  // Filled: assigned with an upper row bound above 0 (a label row alone is not filled).
  bool IsFilled() const { return assigned_ && hi1_ > 0; }
  void Erase() { *this = LabelledMatrix(); }

  // Bounds of dimension 1 (rows) or 2 (columns). An unassigned matrix reports lower 0
  // and upper -1, so loops over it do nothing.
  int Lower(int dim) const { return !assigned_ ? 0 : (dim == 1 ? lo1_ : lo2_); }
  int Upper(int dim) const { return !assigned_ ? -1 : (dim == 1 ? hi1_ : hi2_); }
  int Rows() const { return Upper(1); }  // R, the upper row bound
  int Cols() const { return Upper(2); }  // C, the upper column bound

  bool InRange(int i, int j) const {
    return assigned_ && i >= lo1_ && i <= hi1_ && j >= lo2_ && j <= hi2_;
  }
  // The cell at (i, j), or null outside the bounds.
  const Cell* At(int i, int j) const { return InRange(i, j) ? &cells_[Offset(i, j)] : nullptr; }
  Cell* At(int i, int j) { return InRange(i, j) ? &cells_[Offset(i, j)] : nullptr; }
  // Writes the cell; false (and nothing written) outside the bounds.
  bool Set(int i, int j, Cell value);
  // The cell at (i, j), or an empty cell outside the bounds (for readers that treat a
  // missing cell like a blank one, such as display).
  const Cell& Get(int i, int j) const;

  // Unchecked access for loops that have already checked their bounds.
  const Cell& Ref(int i, int j) const { return cells_[Offset(i, j)]; }
  Cell& Ref(int i, int j) { return cells_[Offset(i, j)]; }

  friend bool operator==(const LabelledMatrix& a, const LabelledMatrix& b);

 private:
  std::size_t Offset(int i, int j) const {
    return static_cast<std::size_t>(i - lo1_) * static_cast<std::size_t>(hi2_ - lo2_ + 1) +
           static_cast<std::size_t>(j - lo2_);
  }

  bool assigned_ = false;
  int lo1_ = 0, hi1_ = -1, lo2_ = 0, hi2_ = -1;
  std::vector<Cell> cells_;
};

}  // namespace quantorial
