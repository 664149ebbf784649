#pragma once
// The matrix function library: the arithmetic core that every model step, the matrix
// operations menu and the regression engine are built from. Free functions without
// state on LabelledMatrix values; each returns a new matrix and leaves its operands
// alone, except PasteRows and PutRow, which write into an argument.
//
// `base` is the first index processed in both dimensions: 1 works on the data only and
// carries the labels over; 0 lets row 0 and column 0 take part (a text label fails each
// arithmetic step and stays as it is, a numeric label counts like data).
//
// Every cell statement runs in continue-on-error mode: a statement that cannot be carried
// out (a text that is not a number, an index outside a matrix, an overflow, a division
// by zero) is skipped, its target keeps what it held, and the loop goes on.

#include <optional>
#include <string>

#include "workspace/Cell.h"
#include "workspace/LabelledMatrix.h"

namespace quantorial {

// The texts the two inversions write into cell (base, base) when they meet a pivot they
// cannot divide by.
inline constexpr const char* kSingularMarker = "Warning: Singular Matrix";
inline constexpr const char* kSingularPivotMarker = "SINGULAR MATRIX FOR K = ";
inline constexpr const char* kNotCompatiblePrompt = "Matrices are not compatible!";
inline constexpr const char* kNotCompatibleTitle = "Error with Matrices";

// A + B cell by cell. Unassigned operands, or a row bound of 0 in either, give an
// unassigned result; different shapes give one too and set `incompatible`, for the caller to
// say "Matrices are not compatible!".
LabelledMatrix MatrixAdd(const LabelledMatrix& A, const LabelledMatrix& B, int base, bool& incompatible);
// A - B cell by cell; as MatrixAdd, but matrices without data rows are accepted.
LabelledMatrix MatrixSubtract(const LabelledMatrix& A, const LabelledMatrix& B, int base, bool& incompatible);
// The product, shape (0..R_A, 0..C_B). With base 0 the result carries A's row labels and
// B's column labels. The sum for a data cell runs over the data indices k = 1 ..
// min(C_A, R_B): labels are never multiplied into data. Cells that are not numbers are
// read with NumOrZero (empty and texts reading as 0 count 0, other texts fail the term).
LabelledMatrix MatrixMultiply(const LabelledMatrix& A, const LabelledMatrix& B, int base);
// A * x; with offDiagonalOnly the cells (i, i) keep A's values.
LabelledMatrix ScalarMultiply(const LabelledMatrix& A, double x, bool offDiagonalOnly, int base);
// The whole matrix transposed, labels included; dims other than 2 give a copy.
LabelledMatrix MatrixTranspose(const LabelledMatrix& A, int dims = 2);
// Gauss-Jordan inverse without row interchanges. A zero pivot writes kSingularMarker into
// (base, base) and the elimination goes on with the next column.
LabelledMatrix MatrixInverse(const LabelledMatrix& A, int base);
// Elimination with a tolerance of 1e-8, single-precision pivots, multipliers and
// pivot-row rounding, no row interchanges. A pivot of magnitude 1e-8 or less writes
// kSingularPivotMarker followed by k into (base, base) and returns at once.
LabelledMatrix MatrixInversePivot(const LabelledMatrix& A, int base);
// numerator / a(i, j) for every non-zero cell; zeros, empties and texts stay.
LabelledMatrix MatrixReciprocal(const LabelledMatrix& A, double numerator, int base);
// A new identity with both dimensions base..n (integer 1 and 0). With base 1 it has no
// label row or column.
LabelledMatrix IdentityMatrix(int n, int base);
// A copy of A, labels kept, with the data cells set to integer identity values.
LabelledMatrix IdentityLike(const LabelledMatrix& A, int base);
// A copy of A with the cells (i, i) set to value.
LabelledMatrix SetMatrixDiagonal(const LabelledMatrix& A, double value, int base);
// A copy of A in a matrix of (0..R+addRows, 0..C+addCols). A fill other than empty or
// zero fills every new row with a copy of a data row 2..R-1 drawn at random.
LabelledMatrix ResizeMatrix(const LabelledMatrix& A, int addRows, int addCols, int base, const Cell& fill);
// Rows firstRow..firstRow+rowSpan (from base) and columns firstCol..C-dropCols of A,
// with their labels.
LabelledMatrix SubMatrix(const LabelledMatrix& A, int firstRow, int rowSpan, int firstCol, int dropCols, int base);
// Columns firstCol..firstCol+colSpan (from base) of A with the row labels.
LabelledMatrix SubMatrixColumns(const LabelledMatrix& A, int firstCol, int colSpan, int base);
// Writes A's rows base+1..R_A into T from row rowOffset on; returns T.
LabelledMatrix& PasteRows(const LabelledMatrix& A, LabelledMatrix& T, int rowOffset, int base);
// T's row 0 and row `row` receive B's rows 0 and 1.
void PutRow(LabelledMatrix& T, const LabelledMatrix& B, int row);

// v itself, or integer 0 when v reads as 0 by the leading-number rule (empty included).
Cell NumOrZero(const Cell& v);

namespace detail {
// The plain cell-by-cell forms of the operations that also have a fast path over blocks
// of numbers; the public functions give the same bits. For tests and benchmarks.
LabelledMatrix MatrixMultiplyCellwise(const LabelledMatrix& A, const LabelledMatrix& B, int base);
LabelledMatrix MatrixInverseCellwise(const LabelledMatrix& A, int base);
LabelledMatrix MatrixInversePivotCellwise(const LabelledMatrix& A, int base);
}  // namespace detail

}  // namespace quantorial
