#include "matrix/MatrixFunctions.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "matrix/DenseKernels.h"
#include "workspace/Random.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

// ---- continue-on-error statements ----

// target(i, j) = value of source cell; skipped when either cell does not exist.
void CopyCell(LabelledMatrix& target, int ti, int tj, const LabelledMatrix& source, int si, int sj) {
  if (!target.InRange(ti, tj)) return;
  if (auto from = source.At(si, sj)) target.Put(ti, tj, std::move(*from));
}

// m(i, j) = m(i, j) * x.
void ScaleCell(LabelledMatrix& m, int i, int j, double x) {
  const auto c = m.At(i, j);
  if (!c) return;
  const auto v = ArithmeticValue(*c);
  if (!v) return;
  if (const auto r = Finite(*v * x)) m.PutDouble(i, j, *r);
}

// m(i, j) = m(i, j) / x.
void DivideCell(LabelledMatrix& m, int i, int j, double x) {
  const auto c = m.At(i, j);
  if (!c || x == 0.0) return;
  const auto v = ArithmeticValue(*c);
  if (!v) return;
  if (const auto r = Finite(*v / x)) m.PutDouble(i, j, *r);
}

// m(r, j) = m(r, j) + m(k, j) * f   (or minus, with subtract).
void AddScaledRowCell(LabelledMatrix& m, int r, int k, int j, double f, bool subtract) {
  const auto target = m.At(r, j);
  const auto pivotRow = m.At(k, j);
  if (!target || !pivotRow) return;
  const auto a = ArithmeticValue(*target);
  const auto b = ArithmeticValue(*pivotRow);
  if (!a || !b) return;
  const auto product = Finite(*b * f);
  if (!product) return;
  if (const auto r2 = Finite(subtract ? *a - *product : *a + *product)) m.PutDouble(r, j, *r2);
}

// m(i, j) = the cell rounded to single precision.
void RoundCellToSingle(LabelledMatrix& m, int i, int j) {
  const auto c = m.At(i, j);
  if (!c) return;
  const auto v = ArithmeticValue(*c);
  if (!v) return;
  if (const auto s = ToSingle(*v)) m.Put(i, j, *s);
}

std::optional<double> CellValueAt(const LabelledMatrix& m, int i, int j) {
  const auto c = m.At(i, j);
  if (!c) return std::nullopt;
  return ArithmeticValue(*c);
}

LabelledMatrix AddOrSubtract(const LabelledMatrix& A, const LabelledMatrix& B, int base, bool subtract,
                             bool& incompatible) {
  incompatible = false;
  if (!A.IsAssigned() || !B.IsAssigned()) return LabelledMatrix();
  const int ra = A.UpperRow(), ca = A.UpperCol(), rb = B.UpperRow(), cb = B.UpperCol();
  if (!subtract && (ra == 0 || rb == 0)) return LabelledMatrix();
  if (ra != rb || ca != cb) {
    incompatible = true;
    return LabelledMatrix();
  }
  LabelledMatrix S = A;
  for (int i = base; i <= ra; ++i) {
    for (int j = base; j <= ca; ++j) {
      const auto a = A.At(i, j);
      const auto b = B.At(i, j);
      if (!a || !b) continue;
      AssignResult(S, i, j, subtract ? CellSubtract(*a, *b) : CellAdd(*a, *b));
    }
  }
  return S;
}

// Copies the block base..n by base..n of A into a dense row-major array of doubles when
// every cell exists and takes part in arithmetic as a number. Otherwise false.
bool DenseBlock(const LabelledMatrix& A, int rowFirst, int rowLast, int colFirst, int colLast,
                std::vector<double>& out) {
  if (rowLast < rowFirst || colLast < colFirst) return false;
  if (!A.InRange(rowFirst, colFirst) || !A.InRange(rowLast, colLast)) return false;
  const std::size_t cols = static_cast<std::size_t>(colLast - colFirst + 1);
  out.assign(static_cast<std::size_t>(rowLast - rowFirst + 1) * cols, 0.0);
  for (int i = rowFirst; i <= rowLast; ++i) {
    double* row = out.data() + static_cast<std::size_t>(i - rowFirst) * cols;
    for (int j = colFirst; j <= colLast; ++j) {
      if (A.GetDouble(i, j, row[j - colFirst])) continue;  // the usual cell, read as it is stored
      const auto v = ArithmeticValue(A.Value(i, j));
      if (!v) return false;
      row[j - colFirst] = *v;
    }
  }
  return true;
}

bool AllFinite(const std::vector<double>& v) {
  for (double x : v) {
    if (!std::isfinite(x)) return false;
  }
  return true;
}

// The result matrix of both inversions: (0..R, 0..C) with A's labels for indices 0..n
// and identity values in base..n by base..n.
LabelledMatrix InverseFrame(const LabelledMatrix& A, int base, const Cell& one, const Cell& zero) {
  const int n = A.UpperRow();
  LabelledMatrix V = LabelledMatrix::Dimension(0, A.UpperRow(), 0, A.UpperCol());
  for (int i = 0; i <= n; ++i) {
    CopyCell(V, i, 0, A, i, 0);
    CopyCell(V, 0, i, A, 0, i);
  }
  for (int i = base; i <= n; ++i) {
    for (int j = base; j <= n; ++j) V.Set(i, j, i == j ? one : zero);
  }
  return V;
}

// Writes a dense base..n block back into V as doubles.
void StoreBlock(LabelledMatrix& V, int base, int n, const std::vector<double>& v) {
  const std::size_t m = static_cast<std::size_t>(n - base + 1);
  for (int i = base; i <= n; ++i) {
    const double* row = v.data() + static_cast<std::size_t>(i - base) * m;
    for (int j = base; j <= n; ++j) V.PutDouble(i, j, row[j - base]);
  }
}

// The fast paths of the two inversions over a block of numbers. False when they cannot
// give the same result as the cell-by-cell path (a zero pivot or one within the
// tolerance, an overflow): the caller then runs that path, which writes the marker.
bool InverseFast(const LabelledMatrix& A, int base, dense::Elimination elimination, LabelledMatrix& V) {
  const int n = A.UpperRow();
  if (base < 0 || base > n || A.UpperCol() < n) return false;
  std::vector<double> w;
  if (!DenseBlock(A, base, n, base, n, w)) return false;
  const std::size_t m = static_cast<std::size_t>(n - base + 1);
  if (!dense::Invert(w, m, elimination)) return false;
  V = elimination == dense::Elimination::kGaussJordan
          ? InverseFrame(A, base, Cell(std::int16_t{1}), Cell(std::int16_t{0}))
          : InverseFrame(A, base, Cell(1.0f), Cell(0.0f));
  StoreBlock(V, base, n, w);
  return true;
}

// The fast path of MatrixMultiply over blocks of numbers whose labels exist.
bool MultiplyFast(const LabelledMatrix& A, const LabelledMatrix& B, int base, LabelledMatrix& P) {
  if (base < 0 || base > 1) return false;
  if (A.Lower(1) != 0 || A.Lower(2) != 0 || B.Lower(1) != 0 || B.Lower(2) != 0) return false;
  const int ra = A.UpperRow(), cb = B.UpperCol();
  const int kFirst = 1, kLast = std::min(A.UpperCol(), B.UpperRow());
  if (kLast < kFirst || ra < 1 || cb < 1) return false;
  // With base 0, row 0 and column 0 are overwritten by the labels, so only data cells
  // are computed.
  std::vector<double> a, b;
  if (!DenseBlock(A, 1, ra, kFirst, kLast, a) || !DenseBlock(B, kFirst, kLast, 1, cb, b)) return false;
  const std::size_t rows = static_cast<std::size_t>(ra), inner = static_cast<std::size_t>(kLast - kFirst + 1),
                    cols = static_cast<std::size_t>(cb);
  std::vector<double> p(rows * cols, 0.0);
  // Every cell sums its terms in increasing k, as the cell-by-cell loop does.
  dense::Multiply(a.data(), b.data(), p.data(), rows, inner, cols);
  if (!AllFinite(p)) return false;
  P = LabelledMatrix::Dimension(0, ra, 0, cb);
  if (!P.IsAssigned()) return false;
  for (int i = 1; i <= ra; ++i) {
    const double* row = p.data() + static_cast<std::size_t>(i - 1) * cols;
    for (int j = 1; j <= cb; ++j) P.PutDouble(i, j, row[j - 1]);
  }
  if (base == 0) {
    for (int i = 0; i <= ra; ++i) P.Put(i, 0, A.Value(i, 0));
    for (int j = 1; j <= cb; ++j) P.Put(0, j, B.Value(0, j));
  }
  return true;
}

}  // namespace

// ---- small utilities ----

Cell NumOrZero(const Cell& v) {
  double x = 0.0;
  if (IsText(v)) {
    x = LeadingNumber(std::get<std::string>(v));
  } else if (IsNumber(v)) {
    x = NumberOf(v);
  }
  if (x == 0.0) return Cell(std::int16_t{0});
  return v;
}

// ---- the operations ----

LabelledMatrix MatrixAdd(const LabelledMatrix& A, const LabelledMatrix& B, int base, bool& incompatible) {
  return AddOrSubtract(A, B, base, false, incompatible);
}

LabelledMatrix MatrixSubtract(const LabelledMatrix& A, const LabelledMatrix& B, int base, bool& incompatible) {
  return AddOrSubtract(A, B, base, true, incompatible);
}

LabelledMatrix MatrixMultiply(const LabelledMatrix& A, const LabelledMatrix& B, int base) {
  if (!A.IsAssigned() || !B.IsAssigned()) return LabelledMatrix();
  LabelledMatrix P;
  if (MultiplyFast(A, B, base, P)) return P;
  return detail::MatrixMultiplyCellwise(A, B, base);
}

LabelledMatrix detail::MatrixMultiplyCellwise(const LabelledMatrix& A, const LabelledMatrix& B, int base) {
  if (!A.IsAssigned() || !B.IsAssigned()) return LabelledMatrix();
  const int ra = A.UpperRow(), ca = A.UpperCol(), cb = B.UpperCol();
  LabelledMatrix P = LabelledMatrix::Dimension(0, ra, 0, cb);
  auto copyLabels = [&] {
    for (int i = 0; i <= ra; ++i) CopyCell(P, i, 0, A, i, 0);
    for (int j = 1; j <= cb; ++j) CopyCell(P, 0, j, B, 0, j);
  };
  if (base == 0) copyLabels();
  // Label cells never enter a sum: k starts at the first data index.
  const int kFirst = std::max(base, 1);
  for (int i = base; i <= ra; ++i) {
    for (int j = base; j <= cb; ++j) {
      if (!P.Set(i, j, Cell(std::int16_t{0}))) continue;
      for (int k = kFirst; k <= ca; ++k) {
        const auto a = A.At(i, k);
        const auto b = B.At(k, j);
        if (!a || !b) continue;
        const auto product = CellMultiply(NumOrZero(*a), NumOrZero(*b));
        if (!product) continue;
        const auto sum = ArithmeticValue(NumOrZero(P.Value(i, j)));
        if (!sum) continue;
        AssignResult(P, i, j, Finite(*sum + *product));
      }
    }
  }
  if (base == 0) copyLabels();
  return P;
}

LabelledMatrix ScalarMultiply(const LabelledMatrix& A, double x, bool offDiagonalOnly, int base) {
  LabelledMatrix S = A;
  for (int i = base; i <= A.UpperRow(); ++i) {
    for (int j = base; j <= A.UpperCol(); ++j) {
      if (offDiagonalOnly && i == j) continue;
      ScaleCell(S, i, j, x);
    }
  }
  return S;
}

LabelledMatrix MatrixTranspose(const LabelledMatrix& A, int dims) {
  if (!A.IsAssigned()) return LabelledMatrix();
  if (dims != 2) return A;
  const int lo1 = A.Lower(1), hi1 = A.Upper(1), lo2 = A.Lower(2), hi2 = A.Upper(2);
  LabelledMatrix T = LabelledMatrix::Dimension(lo2, hi2, lo1, hi1);
  if (!T.IsAssigned()) return T;
  for (int i = lo1; i <= hi1; ++i) {
    for (int j = lo2; j <= hi2; ++j) T.Put(j, i, A.Value(i, j));
  }
  return T;
}

LabelledMatrix MatrixInverse(const LabelledMatrix& A, int base) {
  if (!A.IsAssigned()) return LabelledMatrix();
  LabelledMatrix V;
  if (InverseFast(A, base, dense::Elimination::kGaussJordan, V)) return V;
  return detail::MatrixInverseCellwise(A, base);
}

LabelledMatrix detail::MatrixInverseCellwise(const LabelledMatrix& A, int base) {
  if (!A.IsAssigned()) return LabelledMatrix();
  const int n = A.UpperRow();
  LabelledMatrix V = InverseFrame(A, base, Cell(std::int16_t{1}), Cell(std::int16_t{0}));
  LabelledMatrix W = A;
  for (int k = base; k <= n; ++k) {
    // A pivot that is missing or not a number counts as zero: it cannot be divided by.
    const auto pivot = CellValueAt(W, k, k);
    const auto d = (pivot && *pivot != 0.0) ? Finite(1.0 / *pivot) : std::nullopt;
    if (!d) {
      V.Set(base, base, std::string(kSingularMarker));
      continue;
    }
    for (int j = base; j <= n; ++j) {
      ScaleCell(W, k, j, *d);
      ScaleCell(V, k, j, *d);
    }
    for (int r = base; r <= n; ++r) {
      if (r == k) continue;
      // A row whose multiplier cannot be read is left as it is.
      const auto wrk = CellValueAt(W, r, k);
      if (!wrk) continue;
      const double f = -*wrk;
      for (int j = base; j <= n; ++j) {
        AddScaledRowCell(W, r, k, j, f, false);
        AddScaledRowCell(V, r, k, j, f, false);
      }
    }
  }
  return V;
}

LabelledMatrix MatrixInversePivot(const LabelledMatrix& A, int base) {
  if (!A.IsAssigned()) return LabelledMatrix();
  LabelledMatrix V;
  if (InverseFast(A, base, dense::Elimination::kSinglePivot, V)) return V;
  return detail::MatrixInversePivotCellwise(A, base);
}

LabelledMatrix detail::MatrixInversePivotCellwise(const LabelledMatrix& A, int base) {
  if (!A.IsAssigned()) return LabelledMatrix();
  const int n = A.UpperRow();
  LabelledMatrix V = InverseFrame(A, base, Cell(1.0f), Cell(0.0f));
  LabelledMatrix W = A;
  for (int k = base; k <= n; ++k) {
    if (k < n) {
      for (int j = base; j <= n; ++j) {
        RoundCellToSingle(W, k, j);
        RoundCellToSingle(V, k, j);
      }
    }
    // A pivot that cannot be read, lies within the tolerance, or does not fit a single
    // (the precision the elimination divides in) cannot be divided by: the marker, and
    // the elimination stops. Going on without the division would return a wrong inverse.
    const auto pivot = CellValueAt(W, k, k);
    const auto p = pivot && std::fabs(*pivot) - 1e-8 > 0 ? ToSingle(*pivot) : std::nullopt;
    if (!p) {
      V.Set(base, base, std::string(kSingularPivotMarker) + std::to_string(k));
      return V;
    }
    for (int j = base; j <= n; ++j) {
      DivideCell(W, k, j, static_cast<double>(*p));
      DivideCell(V, k, j, static_cast<double>(*p));
    }
    for (int i = base; i <= n; ++i) {
      if (i == k) continue;
      // A row whose multiplier cannot be read is left as it is; one beyond single
      // precision stops the elimination as a pivot would.
      const auto wik = CellValueAt(W, i, k);
      if (!wik) continue;
      const auto f = ToSingle(*wik);
      if (!f) {
        V.Set(base, base, std::string(kSingularPivotMarker) + std::to_string(k));
        return V;
      }
      for (int j = base; j <= n; ++j) {
        AddScaledRowCell(W, i, k, j, static_cast<double>(*f), true);
        AddScaledRowCell(V, i, k, j, static_cast<double>(*f), true);
      }
    }
  }
  return V;
}

LabelledMatrix MatrixReciprocal(const LabelledMatrix& A, double numerator, int base) {
  LabelledMatrix S = A;
  for (int i = base; i <= A.UpperRow(); ++i) {
    for (int j = base; j <= A.UpperCol(); ++j) {
      const auto c = S.At(i, j);
      if (!c || IsEmpty(*c)) continue;
      const auto v = ArithmeticValue(*c);
      if (!v || *v == 0.0) continue;
      AssignResult(S, i, j, Finite(numerator / *v));
    }
  }
  return S;
}

LabelledMatrix IdentityMatrix(int n, int base) {
  LabelledMatrix I = LabelledMatrix::Dimension(base, n, base, n);
  for (int i = base; i <= n && I.IsAssigned(); ++i) {
    for (int j = base; j <= n; ++j) I.Put(i, j, std::int16_t(i == j ? 1 : 0));
  }
  return I;
}

LabelledMatrix IdentityLike(const LabelledMatrix& A, int base) {
  LabelledMatrix S = A;
  for (int i = base; i <= A.UpperRow(); ++i) {
    for (int j = base; j <= A.UpperCol(); ++j) S.Set(i, j, std::int16_t(i == j ? 1 : 0));
  }
  return S;
}

LabelledMatrix SetMatrixDiagonal(const LabelledMatrix& A, double value, int base) {
  LabelledMatrix S = A;
  for (int i = base; i <= std::min(A.UpperRow(), A.UpperCol()); ++i) S.Set(i, i, value);
  return S;
}

LabelledMatrix ResizeMatrix(const LabelledMatrix& A, int addRows, int addCols, int base, const Cell& fill) {
  const int R = A.UpperRow(), C = A.UpperCol();
  const long long rows = static_cast<long long>(R) + addRows, cols = static_cast<long long>(C) + addCols;
  if (!A.IsAssigned() || rows < 0 || cols < 0 || rows > 0x7fffffff || cols > 0x7fffffff) return LabelledMatrix();
  LabelledMatrix S = LabelledMatrix::Dimension(0, static_cast<int>(rows), 0, static_cast<int>(cols));
  if (!S.IsAssigned()) return S;
  for (int i = base; i <= std::min(R, static_cast<int>(rows)); ++i) {
    for (int j = base; j <= std::min(C, static_cast<int>(cols)); ++j) CopyCell(S, i, j, A, i, j);
  }
  // A fill that is empty or a zero value means "leave the new rows empty".
  bool doFill = !IsEmpty(fill);
  if (doFill) {
    const auto v = ArithmeticValue(fill);
    if (v && *v == 0.0) doFill = false;
  }
  if (doFill) {
    for (long long i = static_cast<long long>(R) + 1; i <= rows; ++i) {
      const double u = Rnd();
      const int s = static_cast<int>(std::floor(u * (R - 2) + 2));
      for (int j = base; j <= C; ++j) CopyCell(S, static_cast<int>(i), j, A, s, j);
    }
  }
  return S;
}

LabelledMatrix SubMatrix(const LabelledMatrix& A, int firstRow, int rowSpan, int firstCol, int dropCols, int base) {
  if (!A.IsAssigned()) return LabelledMatrix();
  const int C = A.UpperCol();
  LabelledMatrix X = LabelledMatrix::Dimension(0, rowSpan + 1, 0, C - firstCol + 1 - dropCols);
  if (!X.IsAssigned()) return X;
  CopyCell(X, base, base, A, base, base);
  for (int j = firstCol; j <= C - dropCols; ++j) CopyCell(X, 0, j - firstCol + 1, A, base, j);
  for (int i = base + firstRow; i <= base + firstRow + rowSpan; ++i) {
    CopyCell(X, i - firstRow + 1, base, A, i, base);
    for (int j = firstCol; j <= C - dropCols; ++j) CopyCell(X, i - firstRow + 1, j - firstCol + 1, A, i, j);
  }
  return X;
}

LabelledMatrix SubMatrixColumns(const LabelledMatrix& A, int firstCol, int colSpan, int base) {
  if (!A.IsAssigned()) return LabelledMatrix();
  const int R = A.UpperRow();
  LabelledMatrix Y = LabelledMatrix::Dimension(0, R, 0, colSpan + 1);
  if (!Y.IsAssigned()) return Y;
  for (int j = base; j <= R; ++j) CopyCell(Y, j, 0, A, j, base);
  for (int i = base + firstCol; i <= base + firstCol + colSpan; ++i) {
    for (int j = base; j <= R; ++j) CopyCell(Y, j, i - firstCol + 1, A, j, i);
  }
  return Y;
}

LabelledMatrix& PasteRows(const LabelledMatrix& A, LabelledMatrix& T, int rowOffset, int base) {
  for (int i = base + 1; i <= A.UpperRow(); ++i) {
    for (int j = base; j <= A.UpperCol(); ++j) CopyCell(T, i + rowOffset - 1, j, A, i, j);
  }
  return T;
}

void PutRow(LabelledMatrix& T, const LabelledMatrix& B, int row) {
  if (!T.IsAssigned() || !B.IsAssigned() || T.UpperRow() == 0 || B.UpperRow() == 0) return;
  for (int j = 0; j <= B.UpperCol(); ++j) {
    CopyCell(T, 0, j, B, 0, j);
    CopyCell(T, row, j, B, 1, j);
  }
}

}  // namespace quantorial
