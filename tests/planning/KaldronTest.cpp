// The KALDRON plan as a function of its matrices, against a computation of its own.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MatrixBuilder.h"
#include "planning/Kaldron.h"

namespace quantorial {
namespace {

using testing::E;
using testing::M;
using testing::T;
using testing::V;

// The plan is a function of its matrices: no host, no window state. I - A of two sectors,
// targets of another length (said, and planned with the rows there are), one primary input.
TEST(KaldronPlan, AFunctionOfItsMatrices) {
  const LabelledMatrix endo = M({{E, T("S1"), T("S2")}, {T("S1"), 1.0, -0.25}, {T("S2"), -0.2, 1.0}});
  const LabelledMatrix bmat = M({{E, T("S1"), T("S2")}, {T("S1"), 0.0, 0.25}, {T("S2"), 0.2, 0.0}, {T("L"), 0.3, 0.4}});
  const LabelledMatrix targets = M({{T("Sector"), T("Type"), T("Target")}, {T("S1"), E, 600.0}, {T("S2"), E, 1500.0}});
  const KaldronPlan plan = PlanKaldron(endo, targets, bmat);
  EXPECT_FALSE(plan.rhsRowsDiffer);
  const double det = 1 - 0.25 * 0.2, x1 = (600 + 0.25 * 1500) / det, x2 = (1500 + 0.2 * 600) / det;
  EXPECT_NEAR(V(plan.devOutput, 1, 1), x1, 1e-9);
  EXPECT_NEAR(V(plan.primaryReq, 1, 1), 0.3 * x1 + 0.4 * x2, 1e-9);
  std::vector<std::string> shown;
  for (const GridPreview& p : plan.previews) shown.push_back(std::to_string(p.grid) + ":" + p.caption);
  EXPECT_EQ(shown.front(), "2:KALDRON iNVERSE Matrix");
  EXPECT_EQ(shown.back(), "1:Primary Requirement Matrix");
  EXPECT_TRUE(plan.notices.empty());
  const KaldronPlan shorter = PlanKaldron(endo, M({{T("Sector"), T("Type"), T("Target")}, {T("S1"), E, 600.0}}), bmat);
  EXPECT_TRUE(shorter.rhsRowsDiffer);
  EXPECT_TRUE(shorter.devOutput.IsFilled());
}

}  // namespace
}  // namespace quantorial
