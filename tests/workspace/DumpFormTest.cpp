#include <gtest/gtest.h>

#include "workspace/DumpForm.h"
#include "workspace/LabelledMatrix.h"

namespace quantorial {
namespace {

TEST(DumpForm, EveryKindOfCell) {
  LabelledMatrix m = LabelledMatrix::Dimension(1, 5);
  m.Set(0, 0, std::string("say \"hi\", twice"));
  m.Set(0, 1, 0.1);
  m.Set(0, 2, 1e-7);
  m.Set(0, 3, std::int16_t{-7});
  m.Set(0, 4, 0.1f);
  m.Set(1, 1, -0.0);
  m.Set(1, 2, 1e21);
  m.Set(1, 3, std::string(""));
  m.Set(1, 5, 1941.0);
  EXPECT_EQ(DumpText(m), "\"say \"\"hi\"\", twice\",0.1,1e-07,-7,0.10000000149011612,\n,-0,1e+21,\"\",,1941\n");
}

TEST(DumpForm, BoundsAndUnassigned) {
  EXPECT_EQ(DumpText(LabelledMatrix()), "");
  LabelledMatrix one = LabelledMatrix::Dimension(1, 2, 1, 2);
  one.Set(1, 1, 1.0);
  one.Set(2, 2, 1.0);
  EXPECT_EQ(DumpText(one), "1,\n,1\n");
  EXPECT_EQ(DumpText(LabelledMatrix::Dimension(0, 0)), "\n");
}

}  // namespace
}  // namespace quantorial
