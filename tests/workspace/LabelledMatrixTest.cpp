#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "workspace/LabelledMatrix.h"

namespace quantorial {
namespace {

TEST(LabelledMatrix, UnassignedHasNoCells) {
  LabelledMatrix m;
  EXPECT_FALSE(m.IsAssigned());
  EXPECT_FALSE(m.IsFilled());
  EXPECT_EQ(m.Upper(1), -1);
  EXPECT_FALSE(m.At(0, 0).has_value());
  EXPECT_FALSE(m.Set(0, 0, 1.0));
  EXPECT_TRUE(IsEmpty(m.Get(0, 0)));
}

TEST(LabelledMatrix, BoundsAndOutOfRangeAccess) {
  LabelledMatrix m = LabelledMatrix::Dimension(2, 3);
  ASSERT_TRUE(m.IsAssigned());
  EXPECT_EQ(m.Lower(1), 0);
  EXPECT_EQ(m.Upper(1), 2);
  EXPECT_EQ(m.Upper(2), 3);
  EXPECT_TRUE(m.Set(2, 3, 5.0));
  EXPECT_EQ(std::get<double>(*m.At(2, 3)), 5.0);
  EXPECT_FALSE(m.Set(3, 0, 1.0));
  EXPECT_FALSE(m.Set(0, 4, 1.0));
  EXPECT_FALSE(m.Set(-1, 0, 1.0));
  EXPECT_FALSE(m.At(0, -1).has_value());
  EXPECT_TRUE(IsEmpty(m.Value(1, 1)));
}

TEST(LabelledMatrix, FilledMeansDataRows) {
  EXPECT_FALSE(LabelledMatrix::Dimension(0, 5).IsFilled());  // a label row only
  EXPECT_TRUE(LabelledMatrix::Dimension(1, 0).IsFilled());
}

TEST(LabelledMatrix, BaseOneIdentityBounds) {
  LabelledMatrix m = LabelledMatrix::Dimension(1, 3, 1, 3);
  EXPECT_EQ(m.Lower(1), 1);
  EXPECT_EQ(m.Lower(2), 1);
  EXPECT_FALSE(m.At(0, 0).has_value());
  EXPECT_TRUE(m.At(1, 1).has_value());
  EXPECT_TRUE(m.IsFilled());
}

TEST(LabelledMatrix, InvalidDimensionsGiveUnassigned) {
  EXPECT_FALSE(LabelledMatrix::Dimension(-1, 3).IsAssigned());
  EXPECT_FALSE(LabelledMatrix::Dimension(2, 1, 0, 0).IsAssigned());
  EXPECT_FALSE(LabelledMatrix::Dimension(0, 2000000000, 0, 2000000000).IsAssigned());
}

TEST(LabelledMatrix, EqualityComparesBoundsAndCells) {
  LabelledMatrix a = LabelledMatrix::Dimension(1, 1), b = LabelledMatrix::Dimension(1, 1);
  EXPECT_EQ(a, b);
  b.Set(1, 1, std::int16_t{1});
  EXPECT_NE(a, b);
  a.Set(1, 1, 1.0);  // same value, other kind
  EXPECT_NE(a, b);
  EXPECT_NE(LabelledMatrix::Dimension(1, 1), LabelledMatrix::Dimension(1, 1, 1, 1));
  EXPECT_EQ(LabelledMatrix(), LabelledMatrix());
}

// The cells are held in a word each: every kind and every value must come back as it was
// written, bit for bit, whatever the cell held before.
TEST(LabelledMatrix, EveryKindOfCellComesBackAsWritten) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<Cell> cells = {
      Cell(),
      Cell(0.0),
      Cell(-0.0),
      Cell(1.5),
      Cell(-1e308),
      Cell(4.9e-324),  // the smallest subnormal
      Cell(inf),
      Cell(-inf),
      Cell(std::int16_t{-32768}),
      Cell(std::int16_t{32767}),
      Cell(std::int16_t{0}),
      Cell(1.0f),
      Cell(-0.0f),
      Cell(std::numeric_limits<float>::denorm_min()),
      Cell(std::string()),
      Cell(std::string("text")),
      Cell(std::string(200, 'x')),
      Cell(std::string("embedded\0zero", 13)),
  };
  auto same = [](const Cell& a, const Cell& b) {
    if (a.index() != b.index()) return false;
    if (const double* x = std::get_if<double>(&a)) return std::memcmp(x, &std::get<double>(b), sizeof(double)) == 0;
    if (const float* x = std::get_if<float>(&a)) return std::memcmp(x, &std::get<float>(b), sizeof(float)) == 0;
    return a == b;
  };
  LabelledMatrix m = LabelledMatrix::Dimension(1, 1);
  // Each value written over each other one (a text over a text, a number over a text, ...).
  for (const Cell& before : cells) {
    for (const Cell& after : cells) {
      m.Set(1, 1, before);
      ASSERT_TRUE(same(m.Get(1, 1), before)) << KindName(before);
      m.Set(1, 1, after);
      ASSERT_TRUE(same(m.Get(1, 1), after)) << KindName(before) << " then " << KindName(after);
      const LabelledMatrix copy = m;
      ASSERT_TRUE(same(copy.Get(1, 1), after));
    }
  }
  // A double that is not a number stays one, with its sign.
  m.Set(0, 0, std::nan(""));
  m.Set(0, 1, -std::nan(""));
  EXPECT_TRUE(std::isnan(std::get<double>(m.Get(0, 0))));
  EXPECT_FALSE(std::signbit(std::get<double>(m.Get(0, 0))));
  EXPECT_TRUE(std::signbit(std::get<double>(m.Get(0, 1))));
  double d = 0;
  EXPECT_TRUE(m.GetDouble(0, 1, d));
  m.Set(1, 0, std::string("label"));
  EXPECT_FALSE(m.GetDouble(1, 0, d));
  m.PutDouble(1, 0, 2.5);  // a number over a text
  EXPECT_EQ(m.Get(1, 0), Cell(2.5));
}

TEST(LabelledMatrix, ACopyIsIndependentOnceEitherIsWritten) {
  LabelledMatrix a = LabelledMatrix::Dimension(1, 1);
  a.Set(1, 1, 1.0);
  a.Set(0, 1, std::string("name"));
  LabelledMatrix b = a;
  b.Set(1, 1, 2.0);
  b.PutDouble(0, 1, 3.0);
  EXPECT_EQ(a.Get(1, 1), Cell(1.0));
  EXPECT_EQ(a.Get(0, 1), Cell(std::string("name")));
  LabelledMatrix c = a;
  a.Put(1, 1, std::string("changed"));
  EXPECT_EQ(c.Get(1, 1), Cell(1.0));
  EXPECT_EQ(b.Get(1, 1), Cell(2.0));
  EXPECT_EQ(a.Get(1, 1), Cell(std::string("changed")));
}

TEST(LabelledMatrix, EqualityComparesCellsNotStorage) {
  LabelledMatrix a = LabelledMatrix::Dimension(1, 1), b = LabelledMatrix::Dimension(1, 1);
  // The same texts written in another order, with a text dropped on the way.
  a.Set(0, 0, std::string("x"));
  a.Set(0, 1, std::string("y"));
  b.Set(1, 1, std::string("gone"));
  b.Set(0, 1, std::string("y"));
  b.Set(0, 0, std::string("x"));
  b.Set(1, 1, Cell());
  EXPECT_EQ(a, b);
  a.Set(1, 0, 0.0);
  b.Set(1, 0, -0.0);
  EXPECT_EQ(a, b);  // as numbers, 0 and -0 are equal
  b.Set(1, 0, 0.0f);
  EXPECT_FALSE(a == b);  // a single is not a double
  b.Set(1, 0, 0.0);
  a.Set(1, 1, std::nan(""));
  b.Set(1, 1, std::nan(""));
  EXPECT_FALSE(a == b);  // not a number equals nothing
}

#ifdef QUANTORIAL_CHECKED_ACCESS
// The checking build stops at an unchecked access outside the bounds instead of reading the
// next row's cell (which the address checker cannot see: it lies inside the same array).
TEST(LabelledMatrixDeathTest, UncheckedAccessOutsideStopsTheCheckingBuild) {
  LabelledMatrix m = LabelledMatrix::Dimension(2, 2);
  EXPECT_DEATH((void)m.Value(1, 3), "outside 0..2 x 0..2");
  EXPECT_DEATH(m.PutDouble(3, 0, 1.0), "outside");
}
#endif

}  // namespace
}  // namespace quantorial
