#include "workspace/LabelledMatrix.h"

#include <gtest/gtest.h>

namespace quantorial {
namespace {

TEST(LabelledMatrix, UnassignedHasNoCells) {
  LabelledMatrix m;
  EXPECT_FALSE(m.IsAssigned());
  EXPECT_FALSE(m.IsFilled());
  EXPECT_EQ(m.Upper(1), -1);
  EXPECT_EQ(m.At(0, 0), nullptr);
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
  EXPECT_EQ(m.At(0, -1), nullptr);
  EXPECT_TRUE(IsEmpty(m.Ref(1, 1)));
}

TEST(LabelledMatrix, FilledMeansDataRows) {
  EXPECT_FALSE(LabelledMatrix::Dimension(0, 5).IsFilled());  // a label row only
  EXPECT_TRUE(LabelledMatrix::Dimension(1, 0).IsFilled());
}

TEST(LabelledMatrix, BaseOneIdentityBounds) {
  LabelledMatrix m = LabelledMatrix::Dimension(1, 3, 1, 3);
  EXPECT_EQ(m.Lower(1), 1);
  EXPECT_EQ(m.Lower(2), 1);
  EXPECT_EQ(m.At(0, 0), nullptr);
  EXPECT_NE(m.At(1, 1), nullptr);
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

}  // namespace
}  // namespace quantorial
