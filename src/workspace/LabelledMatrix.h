#pragma once
// LabelledMatrix: the one matrix representation of the workbench. A two-dimensional
// array of cells with a lower and an upper bound per dimension, or no array at all
// ("unassigned"). Row 0 holds the column labels and column 0 the row labels; data lie
// from index 1. Every access is checked: reading or writing outside the bounds is a
// recoverable failure (nothing, or false), never undefined behaviour.
//
// The cells are held compactly, 8 bytes each: a double as itself, and the other kinds
// (empty, 16-bit integer, single, text, and a double that is not a number) as a quiet
// NaN whose payload says which, with the texts kept aside. Reading a cell gives a Cell
// value; writing one goes through Set or Put. A table of numbers of 10,000 by 10,000
// thus takes 0.8 GB instead of 4 GB. A copy shares the cells with its original until
// either is written to (the workspace keeps several slots that start as copies of one
// another).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "workspace/Cell.h"
#include "workspace/CompactCells.h"

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
  int UpperRow() const { return Upper(1); }  // R, the upper row bound
  int UpperCol() const { return Upper(2); }  // C, the upper column bound

  bool InRange(int i, int j) const { return assigned_ && i >= lo1_ && i <= hi1_ && j >= lo2_ && j <= hi2_; }
  // The cell at (i, j), or nothing outside the bounds.
  const std::optional<Cell> At(int i, int j) const {
    if (!InRange(i, j)) return std::nullopt;
    return Value(i, j);
  }
  // Writes the cell; false (and nothing written) outside the bounds.
  bool Set(int i, int j, Cell value);
  // The cell at (i, j), or an empty cell outside the bounds (for readers that treat a
  // missing cell like a blank one, such as display).
  // (The values are const so that assigning to one, which would change nothing, does not compile.)
  const Cell Get(int i, int j) const { return InRange(i, j) ? Value(i, j) : Cell(); }

  // Unchecked access for loops that have already checked their bounds (the checking build
  // checks them all the same and stops at the first one outside).
  const Cell Value(int i, int j) const { return cells_->Get(CheckedOffset(i, j)); }
  void Put(int i, int j, Cell value) { Own().Set(CheckedOffset(i, j), std::move(value)); }
  // The double stored at (i, j) into `out`, when the cell holds a double (unchecked).
  bool GetDouble(int i, int j, double& out) const { return cells_->GetDouble(CheckedOffset(i, j), out); }
  // Writes a double (unchecked).
  void PutDouble(int i, int j, double v) { Own().SetDouble(CheckedOffset(i, j), v); }

  // A matrix of rows x cols (both dimensions based at 0) over cells already read in row
  // order; unassigned when their number does not match.
  static LabelledMatrix FromCells(int rows, int cols, CompactCells&& cells);

  friend bool operator==(const LabelledMatrix& a, const LabelledMatrix& b);

 private:
#ifdef QUANTORIAL_CHECKED_ACCESS
  std::size_t CheckedOffset(int i, int j) const {
    if (!InRange(i, j)) OutOfRange(i, j);
    return Offset(i, j);
  }
  [[noreturn]] void OutOfRange(int i, int j) const;
#else
  std::size_t CheckedOffset(int i, int j) const { return Offset(i, j); }
#endif
  std::size_t Offset(int i, int j) const {
    return static_cast<std::size_t>(i - lo1_) * static_cast<std::size_t>(hi2_ - lo2_ + 1) +
           static_cast<std::size_t>(j - lo2_);
  }
  // The cells to write to: shared ones are copied first.
  CompactCells& Own() {
    if (cells_.use_count() > 1) cells_ = std::make_shared<CompactCells>(*cells_);
    return *cells_;
  }

  bool assigned_ = false;
  int lo1_ = 0, hi1_ = -1, lo2_ = 0, hi2_ = -1;
  std::shared_ptr<CompactCells> cells_;  // null while unassigned
};

// A matrix of numbers (both dimensions based at 0) with `corner` at (0, 0) (left empty when
// it is empty), the row and column labels, and the values row by row; a value that is not
// finite, or missing from a short row, leaves its cell empty. Unassigned when it is too
// large to hold.
LabelledMatrix NumberMatrix(const std::vector<std::string>& rowLabels, const std::vector<std::string>& colLabels,
                            const std::vector<std::vector<double>>& rows, const std::string& corner);

}  // namespace quantorial
