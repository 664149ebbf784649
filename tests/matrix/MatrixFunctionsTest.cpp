#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "MatrixBuilder.h"
#include "matrix/MatrixFunctions.h"
#include "workspace/Random.h"
#include "workspace/ValueRules.h"

namespace quantorial {
namespace {

using testing::Dump;
using testing::E;
using testing::M;
using testing::Square;
using testing::T;

double D(const LabelledMatrix& m, int i, int j) { return std::get<double>(m.Value(i, j)); }

// The sum or difference, and whether the shapes disagreed.
struct Combined {
  LabelledMatrix matrix;
  bool incompatible = false;
};
Combined Add(const LabelledMatrix& A, const LabelledMatrix& B, int base = 1) {
  Combined r;
  r.matrix = MatrixAdd(A, B, base, r.incompatible);
  return r;
}
Combined Subtract(const LabelledMatrix& A, const LabelledMatrix& B) {
  Combined r;
  r.matrix = MatrixSubtract(A, B, 1, r.incompatible);
  return r;
}

TEST(MatrixAdd, AddsDataAndKeepsLabels) {
  const auto A = M({{E, T("a"), T("b")}, {T("x"), 1.0, 2.0}, {T("y"), 3.0, 4.0}});
  const auto B = M({{E, T("c"), T("d")}, {T("z"), 10.0, 20.0}, {T("w"), 30.0, 40.0}});
  EXPECT_EQ(Dump(Add(A, B).matrix), ",\"a\",\"b\"\n\"x\",11,22\n\"y\",33,44\n");
  EXPECT_EQ(Dump(Subtract(A, B).matrix), ",\"a\",\"b\"\n\"x\",-9,-18\n\"y\",-27,-36\n");
  EXPECT_FALSE(Add(A, B).incompatible);
}

TEST(MatrixAdd, IncompatibleShapesAreFlaggedAndGiveEmpty) {
  for (bool subtract : {false, true}) {
    const auto A = LabelledMatrix::Dimension(3, 4), B = LabelledMatrix::Dimension(4, 3);
    const Combined r = subtract ? Subtract(A, B) : Add(A, B);
    EXPECT_FALSE(r.matrix.IsAssigned());
    EXPECT_TRUE(r.incompatible);
  }
}

TEST(MatrixAdd, ZeroRowBoundsAndEmptyOperands) {
  const auto A = LabelledMatrix::Dimension(0, 2), B = LabelledMatrix::Dimension(0, 2);
  // Empty operands give nothing, without calling the shapes incompatible.
  for (const Combined& r : {Add(A, B), Add(LabelledMatrix(), B), Subtract(A, LabelledMatrix())}) {
    EXPECT_FALSE(r.matrix.IsAssigned());
    EXPECT_FALSE(r.incompatible);
  }
  // Subtraction accepts matrices without data rows when the shapes agree.
  EXPECT_TRUE(Subtract(A, B).matrix.IsAssigned());
}

TEST(MatrixAdd, TextCellsTakePartOnlyWhenTheyReadAsNumbers) {
  const auto A = M({{E, T("a"), T("b"), T("c")}, {T("x"), T("12"), T("12abc"), E}});
  const auto B = M({{E, T("a"), T("b"), T("c")}, {T("x"), 1.0, 1.0, 5.0}});
  // "12" + 1 = 13; "12abc" + 1 fails and keeps A's cell; empty counts as 0.
  EXPECT_EQ(Dump(Add(A, B).matrix), ",\"a\",\"b\",\"c\"\n\"x\",13,\"12abc\",5\n");
  // With base 0 the labels take part: text labels fail and stay, the empty corners add
  // up to 0.
  EXPECT_EQ(Dump(Add(A, B, 0).matrix), "0,\"a\",\"b\",\"c\"\n\"x\",13,\"12abc\",5\n");
}

TEST(MatrixMultiply, BaseZeroCarriesNameLabelsAndGivesTheDataOfBaseOne) {
  const auto A = M({{T("corner"), T("k1"), T("k2")}, {T("r1"), 1.0, 2.0}, {T("r2"), 3.0, 4.0}, {T("r3"), 5.0, 6.0}});
  const auto B = M({{T("B"), T("c1")}, {T("k1"), 7.0}, {T("k2"), 8.0}});
  const auto p0 = MatrixMultiply(A, B, 0);
  const auto p1 = MatrixMultiply(A, B, 1);
  EXPECT_EQ(Dump(p0), "\"corner\",\"c1\"\n\"r1\",23\n\"r2\",53\n\"r3\",83\n");
  EXPECT_EQ(Dump(p1), ",\n,23\n,53\n,83\n");
  EXPECT_EQ(p0.UpperRow(), 3);
  EXPECT_EQ(p0.UpperCol(), 1);
}

TEST(MatrixMultiply, NumericLabelsAreNotMultipliedIntoTheData) {
  // Years as row labels and index numbers as column labels: the data cells are still
  // the product over the data indices alone.
  const auto A = M({{E, 1.0, 2.0}, {1990.0, 1.0, 0.0}, {1991.0, 0.0, 1.0}});
  const auto B = M({{E, 1.0, 2.0}, {1.0, 2.0, 3.0}, {2.0, 4.0, 5.0}});
  EXPECT_EQ(Dump(MatrixMultiply(A, B, 0)), ",1,2\n1990,2,3\n1991,4,5\n");
}

TEST(MatrixMultiply, CellsAreReadWithNumOrZero) {
  // "12" takes part as 12, "12abc" fails its term, empty and "abc" count as 0.
  const auto A = M({{E, T("a"), T("b"), T("c"), T("d")}, {T("x"), T("12"), T("12abc"), E, T("abc")}});
  const auto B = M({{E, T("y")}, {T("a"), 2.0}, {T("b"), 100.0}, {T("c"), 5.0}, {T("d"), 7.0}});
  EXPECT_EQ(Dump(MatrixMultiply(A, B, 0)), ",\"y\"\n\"x\",24\n");
}

TEST(MatrixMultiply, SizesAreNotCheckedAndEmptyOperandsGiveEmpty) {
  // A has three data columns, B two data rows: the sum runs to min(C_A, R_B).
  const auto A = Square({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
  const auto B = M({{E, T("c")}, {T("v1"), 1.0}, {T("v2"), 1.0}});
  EXPECT_EQ(Dump(MatrixMultiply(A, B, 0)), ",\"c\"\n\"v1\",3\n\"v2\",9\n\"v3\",15\n");
  EXPECT_FALSE(MatrixMultiply(LabelledMatrix(), B, 0).IsAssigned());
  EXPECT_FALSE(MatrixMultiply(A, LabelledMatrix(), 1).IsAssigned());
  // No term at all: the cells hold the integer 0 they started with.
  const auto noTerms = MatrixMultiply(LabelledMatrix::Dimension(1, 0), LabelledMatrix::Dimension(1, 1), 1);
  EXPECT_EQ(noTerms.Value(1, 1), Cell(std::int16_t{0}));
}

TEST(ScalarMultiply, AllCellsOrOffDiagonalOnly) {
  const auto I3 = IdentityLike(Square({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}), 1);
  const auto plain = ScalarMultiply(I3, 5, false, 1);
  const auto special = ScalarMultiply(I3, 5, true, 1);
  EXPECT_EQ(Dump(plain), ",\"v1\",\"v2\",\"v3\"\n\"v1\",5,0,0\n\"v2\",0,5,0\n\"v3\",0,0,5\n");
  EXPECT_EQ(Dump(special), Dump(I3));  // off-diagonal zeros stay zero, the diagonal is not touched
  EXPECT_EQ(special.Value(2, 2), Cell(std::int16_t{1}));
  const auto A = Square({{1, 2}, {3, 4}});
  EXPECT_EQ(Dump(ScalarMultiply(A, -2, true, 1)), ",\"v1\",\"v2\"\n\"v1\",1,-4\n\"v2\",-6,4\n");
}

TEST(MatrixTranspose, WholeMatrixWithLabels) {
  LabelledMatrix A = LabelledMatrix::Dimension(3, 5);
  for (int j = 1; j <= 5; ++j) A.Set(0, j, "c" + std::to_string(j));
  for (int i = 1; i <= 3; ++i) {
    A.Set(i, 0, "r" + std::to_string(i));
    for (int j = 1; j <= 5; ++j) A.Set(i, j, 10.0 * i + j);
  }
  const auto T5 = MatrixTranspose(A, 2);
  EXPECT_EQ(T5.Upper(1), 5);
  EXPECT_EQ(T5.Upper(2), 3);
  for (int j = 1; j <= 5; ++j) EXPECT_EQ(T5.Value(j, 0), Cell("c" + std::to_string(j)));
  EXPECT_EQ(T5.Value(0, 2), Cell(std::string("r2")));
  EXPECT_EQ(D(T5, 4, 3), 34.0);
  EXPECT_EQ(MatrixTranspose(T5, 2), A);
  EXPECT_EQ(MatrixTranspose(A, 1), A);
  EXPECT_FALSE(MatrixTranspose(LabelledMatrix(), 2).IsAssigned());
  const auto I = MatrixTranspose(IdentityMatrix(3, 1), 2);
  EXPECT_EQ(I.Lower(1), 1);
}

TEST(MatrixInverse, InvertsAndKeepsLabels) {
  const auto A = Square({{4, 7}, {2, 6}});
  for (const auto& V : {MatrixInverse(A, 1), MatrixInversePivot(A, 1)}) {
    EXPECT_EQ(V.Value(0, 1), Cell(std::string("v1")));
    EXPECT_EQ(V.Value(2, 0), Cell(std::string("v2")));
    EXPECT_NEAR(D(V, 1, 1), 0.6, 1e-7);
    EXPECT_NEAR(D(V, 1, 2), -0.7, 1e-7);
    EXPECT_NEAR(D(V, 2, 1), -0.2, 1e-7);
    EXPECT_NEAR(D(V, 2, 2), 0.4, 1e-7);
  }
}

TEST(MatrixInverse, SingularMarkers) {
  const auto A = Square({{0, 1}, {1, 0}});
  // Gauss-Jordan writes its warning and goes on with the next column (whose pivot is
  // zero too).
  const auto V = MatrixInverse(A, 1);
  EXPECT_EQ(V.Value(1, 1), Cell(std::string("Warning: Singular Matrix")));
  EXPECT_EQ(Dump(V), ",\"v1\",\"v2\"\n\"v1\",\"Warning: Singular Matrix\",0\n\"v2\",0,1\n");
  // A zero pivot in the first column only: the warning stays while the second column
  // is still eliminated around it.
  const auto W = MatrixInverse(Square({{0, 1}, {1, 1}}), 1);
  EXPECT_EQ(Dump(W), ",\"v1\",\"v2\"\n\"v1\",\"Warning: Singular Matrix\",-1\n\"v2\",0,1\n");
  // Elimination stops at once, the identity still in place.
  const auto P = MatrixInversePivot(A, 1);
  EXPECT_EQ(Dump(P), ",\"v1\",\"v2\"\n\"v1\",\"SINGULAR MATRIX FOR K = 1\",0\n\"v2\",0,1\n");
  EXPECT_EQ(P.Value(2, 2), Cell(1.0f));
}

TEST(MatrixInverse, ToleranceOfTheEliminationVersion) {
  const auto A = Square({{1e-9, 0}, {0, 1}});
  const auto P = MatrixInversePivot(A, 1);
  EXPECT_EQ(P.Value(1, 1), Cell(std::string("SINGULAR MATRIX FOR K = 1")));
  const auto V = MatrixInverse(A, 1);
  EXPECT_DOUBLE_EQ(D(V, 1, 1), 1e9);
  EXPECT_EQ(D(V, 2, 2), 1.0);
  // A later pivot stops the elimination at its own k; the marker names it.
  const auto Q = MatrixInversePivot(Square({{2, 0, 0}, {0, 3, 0}, {0, 0, 0}}), 1);
  EXPECT_EQ(Q.Value(1, 1), Cell(std::string("SINGULAR MATRIX FOR K = 3")));
}

// A pivot or a multiplier that a single cannot hold cannot be divided by or scaled with in
// the precision of the elimination: the marker names the step and nothing else changes.
TEST(MatrixInverse, EliminationStopsAtValuesBeyondSinglePrecision) {
  const struct {
    std::vector<std::vector<double>> a;
    const char* marker;
  } cases[] = {
      {{{1e200, 1e200}, {1e200, -1e200}}, "SINGULAR MATRIX FOR K = 1"},  // the pivot
      {{{1e308, 2}, {3, 4}}, "SINGULAR MATRIX FOR K = 1"},
      {{{1e39, 1}, {1, 1}}, "SINGULAR MATRIX FOR K = 1"},                       // just beyond the single range
      {{{1, 2}, {1e200, 4}}, "SINGULAR MATRIX FOR K = 1"},                      // a multiplier
      {{{1, 0, 0}, {0, 1e-30, 1}, {0, 1e10, 1}}, "SINGULAR MATRIX FOR K = 2"},  // tolerance at k = 2
  };
  for (const auto& c : cases) {
    const auto A = Square(c.a);
    for (const auto& P : {MatrixInversePivot(A, 1), detail::MatrixInversePivotCellwise(A, 1)}) {
      EXPECT_EQ(P.Value(1, 1), Cell(std::string(c.marker))) << Dump(A);
    }
  }
  // Within the single range the same matrix inverts.
  const auto P = MatrixInversePivot(Square({{1e30, 2}, {3, 4}}), 1);
  EXPECT_TRUE(IsNumber(P.Value(1, 1)));
}

// Statements that overflow keep their old values; the count says how many did.
TEST(Overflow, FailedStatementsAreCounted) {
  const auto big = M({{E, T("a")}, {T("x"), 1e308}});
  const auto tiny = M({{E, T("a")}, {T("x"), 1e-310}});
  const struct {
    const char* what;
    const LabelledMatrix& input;
    std::function<LabelledMatrix()> run;
    std::uint64_t overflows;
  } cases[] = {
      {"add", big, [&] { return Add(big, big).matrix; }, 1},
      {"scalar by an infinite multiplier", big, [&] { return ScalarMultiply(big, HUGE_VAL, false, 1); }, 1},
      {"scalar", big, [&] { return ScalarMultiply(big, 10.0, false, 1); }, 1},
      {"reciprocal of a tiny number", tiny, [&] { return MatrixReciprocal(tiny, 1.0, 1); }, 1},
      {"a sum that fits", big,
       [&] {
         return Add(big, M({{E, T("a")}, {T("x"), -1.0}})).matrix;
       },
       0},
  };
  for (const auto& c : cases) {
    const OverflowWatch watch;
    const LabelledMatrix r = c.run();
    EXPECT_EQ(watch.Count(), c.overflows) << c.what;
    if (c.overflows) {
      EXPECT_EQ(r.Value(1, 1), c.input.Value(1, 1)) << c.what;  // the old value stays
    }
  }
  EXPECT_EQ(OverflowNotice(0), "");
  EXPECT_EQ(OverflowNotice(1), "1 statement overflowed (a result beyond the range of numbers) and kept its old value.");
  EXPECT_EQ(OverflowNotice(3),
            "3 statements overflowed (a result beyond the range of numbers) and kept their old values.");
}

TEST(MatrixInverse, EliminationAgreesToAboutSevenDigits) {
  const auto A = Square({{1, -0.2, -0.8, 0.05}, {-0.15, 1, 0, 0.3}, {-0.4, -0.4, 1, 0.1}, {0.7, 0.2, 0.3, 2}});
  const auto V = MatrixInverse(A, 1), P = MatrixInversePivot(A, 1);
  bool differs = false;
  for (int i = 1; i <= 4; ++i) {
    for (int j = 1; j <= 4; ++j) {
      const double v = D(V, i, j), p = D(P, i, j);
      EXPECT_NEAR(p, v, 1e-6 * std::max(1.0, std::fabs(v))) << i << "," << j;
      differs |= (p != v);
    }
  }
  EXPECT_TRUE(differs);  // the single-precision steps show in the last digits
  // V really is the inverse: A * V = I to double accuracy.
  const auto I = MatrixMultiply(A, V, 0);
  for (int i = 1; i <= 4; ++i) {
    for (int j = 1; j <= 4; ++j) EXPECT_NEAR(D(I, i, j), i == j ? 1.0 : 0.0, 1e-14);
  }
}

TEST(MatrixInverse, EliminationRoundsPivotRowsAndMultipliersToSingle) {
  // Both steps worked by hand: the pivots and multipliers are rounded to single, the
  // arithmetic itself is double.
  const auto A = Square({{3, 1}, {1, 3}});
  const auto P = MatrixInversePivot(A, 1);
  const double w12 = static_cast<double>(1.0f) / static_cast<double>(3.0f);  // row 1 after division
  const double v11 = static_cast<double>(1.0f) / static_cast<double>(3.0f);
  const double f = static_cast<double>(static_cast<float>(1.0));  // W(2,1)
  const double w22 = 3.0 - w12 * f, v21 = 0.0 - v11 * f, v22 = 1.0;
  // k = 2 is the last step: no rounding of its row, pivot p = single(w22).
  const double p = static_cast<double>(static_cast<float>(w22));
  const double v21n = v21 / p, v22n = v22 / p;
  const double f2 = static_cast<double>(static_cast<float>(w12));
  EXPECT_EQ(D(P, 2, 1), v21n);
  EXPECT_EQ(D(P, 2, 2), v22n);
  EXPECT_EQ(D(P, 1, 1), v11 - v21n * f2);
  EXPECT_EQ(D(P, 1, 2), 0.0 - v22n * f2);
}

TEST(MatrixReciprocal, ZerosStayAndLabelsFollowBase) {
  const auto A = M({{T("corner"), T("a"), 2.0}, {4.0, 4.0, 0.0}, {T("y"), E, T("x")}});
  EXPECT_EQ(Dump(MatrixReciprocal(A, 1.0, 1)), "\"corner\",\"a\",2\n4,0.25,0\n\"y\",,\"x\"\n");
  // Base 0: text labels stay, numeric labels are replaced by their reciprocal.
  EXPECT_EQ(Dump(MatrixReciprocal(A, 1.0, 0)), "\"corner\",\"a\",0.5\n0.25,0.25,0\n\"y\",,\"x\"\n");
}

TEST(IdentityMatrix, BaseOneHasNoLabels) {
  const auto I1 = IdentityMatrix(3, 1);
  EXPECT_EQ(I1.Lower(1), 1);
  EXPECT_EQ(I1.Lower(2), 1);
  EXPECT_EQ(Dump(I1), "1,0,0\n0,1,0\n0,0,1\n");
  EXPECT_EQ(I1.Value(2, 2), Cell(std::int16_t{1}));
  const auto I0 = IdentityMatrix(2, 0);
  EXPECT_EQ(Dump(I0), "1,0,0\n0,1,0\n0,0,1\n");
  EXPECT_EQ(I0.Lower(1), 0);
  EXPECT_FALSE(IdentityMatrix(0, 1).IsAssigned());
}

TEST(IdentityLikeAndDiagonal, KeepLabels) {
  const auto A = M({{E, T("a"), T("b"), T("c")}, {T("x"), 5.0, 6.0, 7.0}, {T("y"), 8.0, 9.0, 10.0}});
  EXPECT_EQ(Dump(IdentityLike(A, 1)), ",\"a\",\"b\",\"c\"\n\"x\",1,0,0\n\"y\",0,1,0\n");
  EXPECT_EQ(Dump(SetMatrixDiagonal(A, 0.0, 1)), ",\"a\",\"b\",\"c\"\n\"x\",0,6,7\n\"y\",8,0,10\n");
}

TEST(ResizeMatrix, GrowsShrinksAndFillsFromRandomRows) {
  const auto A =
      M({{E, T("a"), T("b")}, {T("r1"), 1.0, 2.0}, {T("r2"), 3.0, 4.0}, {T("r3"), 5.0, 6.0}, {T("r4"), 7.0, 8.0}});
  const auto grown = ResizeMatrix(A, 2, 1, 0, Cell(std::int16_t{0}));
  EXPECT_EQ(Dump(grown), ",\"a\",\"b\",\n\"r1\",1,2,\n\"r2\",3,4,\n\"r3\",5,6,\n\"r4\",7,8,\n,,,\n,,,\n");
  EXPECT_EQ(Dump(ResizeMatrix(A, -2, -1, 0, Cell())), ",\"a\"\n\"r1\",1\n\"r2\",3\n");
  // Base 1 leaves the labels out of the copy.
  EXPECT_EQ(Dump(ResizeMatrix(A, -3, 0, 1, Cell())), ",,\n,1,2\n");

  // With a fill every new row is a copy of one of the rows 2..R-1 (here 2 or 3).
  Randomize(7);
  const auto filled = ResizeMatrix(A, 40, 0, 0, Cell(1.0));
  bool saw2 = false, saw3 = false;
  for (int i = 5; i <= 44; ++i) {
    const Cell& label = filled.Value(i, 0);
    ASSERT_TRUE(label == Cell(std::string("r2")) || label == Cell(std::string("r3"))) << i;
    saw2 |= label == Cell(std::string("r2"));
    saw3 |= label == Cell(std::string("r3"));
    EXPECT_EQ(filled.Value(i, 1), A.Value(label == Cell(std::string("r2")) ? 2 : 3, 1));
  }
  EXPECT_TRUE(saw2 && saw3);
  // The same seed gives the same rows.
  Randomize(7);
  EXPECT_EQ(ResizeMatrix(A, 40, 0, 0, Cell(1.0)), filled);
  EXPECT_FALSE(ResizeMatrix(A, -6, 0, 0, Cell()).IsAssigned());
}

TEST(SubMatrix, RowsAndColumnsWithLabels) {
  LabelledMatrix A = LabelledMatrix::Dimension(4, 5);
  A.Set(0, 0, "Year");
  for (int j = 1; j <= 5; ++j) A.Set(0, j, "v" + std::to_string(j));
  for (int i = 1; i <= 4; ++i) {
    A.Set(i, 0, 1990.0 + i);
    for (int j = 1; j <= 5; ++j) A.Set(i, j, 10.0 * i + j);
  }
  // Row 2 alone, columns 3..5 (firstCol 3, no columns dropped), base 0.
  EXPECT_EQ(Dump(SubMatrix(A, 2, 0, 3, 0, 0)), "\"Year\",\"v3\",\"v4\",\"v5\"\n1992,23,24,25\n");
  // Rows 1..2, columns 2..4 (one column dropped at the end).
  EXPECT_EQ(Dump(SubMatrix(A, 1, 1, 2, 1, 0)), "\"Year\",\"v2\",\"v3\",\"v4\"\n1991,12,13,14\n1992,22,23,24\n");
  // Columns 2..3 with the row labels.
  EXPECT_EQ(Dump(SubMatrixColumns(A, 2, 1, 0)),
            "\"Year\",\"v2\",\"v3\"\n1991,12,13\n1992,22,23\n1993,32,33\n1994,42,43\n");
  EXPECT_FALSE(SubMatrix(LabelledMatrix(), 1, 1, 1, 0, 0).IsAssigned());
}

TEST(PasteRowsAndPutRow, WriteIntoTheTarget) {
  const auto A = M({{E, T("a"), T("b")}, {T("r1"), 1.0, 2.0}, {T("r2"), 3.0, 4.0}});
  LabelledMatrix T3 = LabelledMatrix::Dimension(4, 2);
  PasteRows(A, T3, 2, 0);  // A's rows 1..2 go to rows 2..3
  EXPECT_EQ(Dump(T3), ",,\n,,\n\"r1\",1,2\n\"r2\",3,4\n,,\n");
  PasteRows(A, T3, 4, 0);  // row 5 does not exist: that row is skipped
  EXPECT_EQ(Dump(T3), ",,\n,,\n\"r1\",1,2\n\"r2\",3,4\n\"r1\",1,2\n");

  LabelledMatrix U = LabelledMatrix::Dimension(3, 2);
  PutRow(U, A, 2);
  EXPECT_EQ(Dump(U), ",\"a\",\"b\"\n,,\n\"r1\",1,2\n,,\n");
  LabelledMatrix V = LabelledMatrix::Dimension(0, 2);
  PutRow(V, A, 1);  // a target without data rows is left alone
  EXPECT_EQ(Dump(V), ",,\n");
}

TEST(LargeMatrices, BoundsBeyondSixteenBits) {
  const int n = 40000;
  LabelledMatrix A = LabelledMatrix::Dimension(n, 1);
  for (int i = 1; i <= n; ++i) A.Set(i, 1, static_cast<double>(i));
  const auto T = MatrixTranspose(A, 2);
  EXPECT_EQ(T.Upper(2), n);
  EXPECT_EQ(D(T, 1, n), n);
  const auto S = Add(A, A).matrix;
  EXPECT_EQ(D(S, n, 1), 2.0 * n);
  const auto P = MatrixMultiply(T, A, 1);  // 1 x 40000 by 40000 x 1
  EXPECT_EQ(D(P, 1, 1), static_cast<double>(n) * (n + 1) * (2.0 * n + 1) / 6.0);
  LabelledMatrix U = LabelledMatrix::Dimension(n, 1);
  PutRow(U, MatrixTranspose(T, 2), n);
  EXPECT_EQ(D(U, n, 1), 1.0);
}

TEST(NumOrZero, ZeroValuesBecomeIntegerZero) {
  struct Case {
    Cell in;
    Cell out;
  } cases[] = {
      {T("12abc"), T("12abc")},   {T("abc"), Cell(std::int16_t{0})}, {T("12"), T("12")},
      {E, Cell(std::int16_t{0})}, {T(""), Cell(std::int16_t{0})},    {Cell(0.0), Cell(std::int16_t{0})},
      {Cell(2.5), Cell(2.5)},     {Cell(0.5f), Cell(0.5f)},          {T("0.0x"), Cell(std::int16_t{0})},
      {T(" -3"), T(" -3")},
  };
  for (const auto& c : cases) EXPECT_EQ(NumOrZero(c.in), c.out) << CellText(c.in);
}

}  // namespace
}  // namespace quantorial
