#pragma once
// Dense kernels behind the matrix functions' fast paths: the two eliminations and the
// product over row-major arrays of doubles.
//
// The results are the bits of the plain loops they replace. Every element receives
// exactly the same floating-point operations, with the same operands, in the same order;
// only the order in which different elements are visited changes (column panels with
// delayed updates, groups of rows held in vector registers, rows split across threads).
// No fused multiply-add is used, so a*b+c is rounded twice as the plain loop rounds it.

#include <cstddef>
#include <vector>

namespace quantorial::dense {

enum class Elimination {
  // Gauss-Jordan without row exchange: the pivot row is multiplied by 1/pivot, and each
  // other row r gets row + pivotRow * (-w(r,k)).
  kGaussJordan,
  // The same with single-precision rounding of the pivot row (before the test against
  // 1e-8, except in the last step), division by the single-precision pivot, and
  // row - pivotRow * single(w(r,k)).
  kSinglePivot,
};

// How the work is cut. Zero picks a default; tests pass small panels to cross panel
// edges with small matrices and fixed thread counts to compare splits.
struct Blocking {
  std::size_t panel = 0;
  unsigned threads = 0;
};

// Inverts the m x m row-major block `a` in place: it then holds the inverse the plain loop
// gives. False where the plain loop would stop or produce a value that is not finite (a
// zero pivot or one within the tolerance, an overflow): the caller then runs the
// cell-by-cell statements, which know what to write in those cases; `a` is then undefined.
bool Invert(std::vector<double>& a, std::size_t m, Elimination elimination, Blocking blocking = {});

// The plain loop itself, over two arrays: v receives the inverse and w what the
// elimination leaves of it. For tests.
bool InvertUnblocked(std::vector<double>& w, std::vector<double>& v, std::size_t m, Elimination elimination);

// p = a * b for a (rows x inner) and b (inner x cols), row-major; every cell starts at
// 0.0 and adds a(i,k)*b(k,j) for k = 0 .. inner-1 in that order.
void Multiply(const double* a, const double* b, double* p, std::size_t rows, std::size_t inner, std::size_t cols,
              Blocking blocking = {});

// The number of threads the kernels use by default: the machine's cores.
unsigned DefaultThreads();

}  // namespace quantorial::dense
