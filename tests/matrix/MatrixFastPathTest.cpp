// The fast paths over blocks of numbers must give the same bits as the cell-by-cell
// statements they stand for, including where they hand over to them.

#include <gtest/gtest.h>

#include <random>

#include "MatrixBuilder.h"
#include "matrix/MatrixFunctions.h"

namespace quantorial {
namespace {

using testing::Dump;

enum class Labels { Names, Numbers, None };

LabelledMatrix RandomMatrix(std::mt19937_64& gen, int rows, int cols, Labels labels, bool diagonalBoost) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  LabelledMatrix m = LabelledMatrix::Dimension(rows, cols);
  for (int j = 1; j <= cols; ++j) {
    if (labels == Labels::Names) m.Set(0, j, "c" + std::to_string(j));
    if (labels == Labels::Numbers) m.Set(0, j, static_cast<double>(j) + 0.5);
  }
  for (int i = 1; i <= rows; ++i) {
    if (labels == Labels::Names) m.Set(i, 0, "r" + std::to_string(i));
    if (labels == Labels::Numbers) m.Set(i, 0, 1990.0 + i);
    for (int j = 1; j <= cols; ++j) m.Set(i, j, u(gen) + (diagonalBoost && i == j ? rows : 0.0));
  }
  return m;
}

TEST(FastPath, InversionsGiveTheCellwiseBits) {
  std::mt19937_64 gen(42);
  for (int n : {1, 2, 3, 5, 8, 13, 40, 70}) {  // 70 crosses the kernels' panels
    for (bool boost : {true, false}) {
      for (Labels labels : {Labels::Names, Labels::Numbers, Labels::None}) {
        const LabelledMatrix A = RandomMatrix(gen, n, n, labels, boost);
        for (int base : {0, 1}) {
          SCOPED_TRACE("n=" + std::to_string(n) + " base=" + std::to_string(base));
          EXPECT_EQ(Dump(MatrixInverse(A, base)), Dump(detail::MatrixInverseCellwise(A, base)));
          EXPECT_EQ(Dump(MatrixInversePivot(A, base)), Dump(detail::MatrixInversePivotCellwise(A, base)));
          EXPECT_EQ(MatrixInverse(A, base), detail::MatrixInverseCellwise(A, base));
          EXPECT_EQ(MatrixInversePivot(A, base), detail::MatrixInversePivotCellwise(A, base));
        }
      }
    }
  }
}

TEST(FastPath, InversionsOfSpecialBlocks) {
  using testing::Square;
  std::vector<LabelledMatrix> cases = {
      Square({{0, 1}, {1, 0}}),                     // singular: handed to the cell-by-cell path
      Square({{1e-9, 0}, {0, 1}}),                  // within the elimination tolerance
      Square({{1e-300, 1}, {1, 1e-300}}),           // overflows on the way
      Square({{2, 1e300}, {1e300, 3}}),             // overflows on the way
      Square({{1e39, 1}, {1, 2}}),                  // does not fit a single
      Square({{-2, 0, 0}, {0, -4, 0}, {0, 0, 8}}),  // negative pivots: signed zeros
      Square({{4, 1, 2}, {0, 0, 3}, {1, 2, 2}}),    // a zero pivot after the first step
  };
  // Texts that read as numbers and empty cells take part in the fast path too.
  LabelledMatrix t = Square({{4, 1, 0}, {1, 5, 1}, {0, 1, 6}});
  t.Set(1, 2, std::string(" 1 "));
  t.Set(1, 3, Cell());
  t.Set(2, 2, 5.0f);
  t.Set(3, 3, std::int16_t{6});
  cases.push_back(t);
  LabelledMatrix bad = t;
  bad.Set(2, 3, std::string("n/a"));  // not a number: only the cell-by-cell path can skip it
  cases.push_back(bad);
  LabelledMatrix wide = LabelledMatrix::Dimension(2, 4);  // more columns than rows
  wide.Set(1, 1, 2.0);
  wide.Set(2, 2, 4.0);
  wide.Set(1, 4, 9.0);
  cases.push_back(wide);
  cases.push_back(LabelledMatrix::Dimension(3, 2));  // fewer columns than rows
  cases.push_back(IdentityMatrix(3, 1));             // lower bounds 1
  for (std::size_t c = 0; c < cases.size(); ++c) {
    for (int base : {0, 1}) {
      SCOPED_TRACE("case " + std::to_string(c) + " base " + std::to_string(base));
      EXPECT_EQ(Dump(MatrixInverse(cases[c], base)), Dump(detail::MatrixInverseCellwise(cases[c], base)));
      EXPECT_EQ(Dump(MatrixInversePivot(cases[c], base)), Dump(detail::MatrixInversePivotCellwise(cases[c], base)));
      EXPECT_EQ(MatrixInverse(cases[c], base), detail::MatrixInverseCellwise(cases[c], base));
      EXPECT_EQ(MatrixInversePivot(cases[c], base), detail::MatrixInversePivotCellwise(cases[c], base));
    }
  }
}

TEST(FastPath, MultiplicationGivesTheCellwiseBits) {
  std::mt19937_64 gen(7);
  const int shapes[][3] = {{1, 1, 1}, {2, 3, 4}, {5, 5, 5}, {7, 3, 2}, {3, 6, 4}, {30, 20, 25}};
  for (const auto& s : shapes) {
    for (Labels labels : {Labels::Names, Labels::Numbers, Labels::None}) {
      const LabelledMatrix A = RandomMatrix(gen, s[0], s[1], labels, false);
      const LabelledMatrix B = RandomMatrix(gen, s[1], s[2], labels, false);
      const LabelledMatrix Bshort = RandomMatrix(gen, s[1] > 1 ? s[1] - 1 : 1, s[2], labels, false);
      for (int base : {0, 1}) {
        EXPECT_EQ(MatrixMultiply(A, B, base), detail::MatrixMultiplyCellwise(A, B, base));
        EXPECT_EQ(MatrixMultiply(A, Bshort, base), detail::MatrixMultiplyCellwise(A, Bshort, base));
        EXPECT_EQ(Dump(MatrixMultiply(A, B, base)), Dump(detail::MatrixMultiplyCellwise(A, B, base)));
      }
    }
  }
  // Overflowing terms, texts and a base-1 identity go through the cell-by-cell path.
  using testing::Square;
  const LabelledMatrix big = Square({{1e200, 1}, {1, 1e200}});
  LabelledMatrix text = Square({{1, 2}, {3, 4}});
  text.Set(1, 2, std::string("12abc"));
  for (const auto& [a, b] : std::vector<std::pair<LabelledMatrix, LabelledMatrix>>{
           {big, big}, {text, big}, {IdentityMatrix(2, 1), text}, {text, IdentityMatrix(2, 1)}}) {
    for (int base : {0, 1}) EXPECT_EQ(MatrixMultiply(a, b, base), detail::MatrixMultiplyCellwise(a, b, base));
  }
}

}  // namespace
}  // namespace quantorial
