// The input-output plan as the LP layer solves it: the relations an LP table takes, and every
// constraint's dual by its row, also where two rows share a label.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MatrixBuilder.h"
#include "inputoutput/IoAnalysis.h"
#include "inputoutput/IoPlan.h"
#include "inputoutput/IoTable.h"

namespace quantorial {
namespace {

using testing::M;
using testing::T;

// Three sectors and labour, technical coefficients given directly.
IoTable ThreeSectorTable() {
  const LabelledMatrix m = M({{T(""), T("S1"), T("S2"), T("S3")},
                              {T("S1"), 0.0, 0.2, 0.1},
                              {T("S2"), 0.1, 0.0, 0.2},
                              {T("S3"), 0.2, 0.1, 0.0},
                              {T("LABOUR"), 0.5, 0.4, 0.6}});
  IoReadResult r = ReadIoTable(m, {}, "table.csv");
  EXPECT_EQ(r.error, "");
  return r.table;
}

double Dual(const IoPlanResult& r, const std::string& key) {
  for (const auto& [k, v] : r.duals)
    if (k == key) return v;
  ADD_FAILURE() << "no dual for " << key;
  return 0.0;
}

TEST(IoPlanLp, EveryRelationAnLpTableTakes) {
  const IoTable t = ThreeSectorTable();
  const struct {
    const char* text;
    PlanRelation relation;
  } cases[] = {
      {">=", PlanRelation::AtLeast},    {"=>", PlanRelation::AtLeast}, {"\u2265", PlanRelation::AtLeast},
      {">", PlanRelation::AtLeast},     {"<=", PlanRelation::AtMost},  {"=<", PlanRelation::AtMost},
      {"\u2264", PlanRelation::AtMost}, {"<", PlanRelation::AtMost},   {"=", PlanRelation::Equal},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const LabelledMatrix plan = M({{T("label"), T("relation"), T("value")},
                                   {T("S1"), T(c.text), 100.0},
                                   {T("objective"), T("min"), T("LABOUR")}});
    const IoPlanRead read = ReadIoPlan(plan, t, "plan.csv");
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.spec.constraints.size(), 1u);
    EXPECT_EQ(read.spec.constraints[0].relation, c.relation);
  }
}

// Least labour with S2's final demand between 40 and 80: it sits at 40, so "S2 >= 40" binds
// with S2's labour multiplier as its dual and "S2 <= 80" does not (dual 0). Keyed by label,
// the two rows were one entry and one of them was lost.
TEST(IoPlanLp, DualsByRowNotByLabel) {
  const IoTable t = ThreeSectorTable();
  const LabelledMatrix plan = M({{T("label"), T("relation"), T("value")},
                                 {T("S1"), T("\u2265"), 100.0},
                                 {T("S2"), T("<="), 80.0},
                                 {T("S2"), T("=>"), 40.0},
                                 {T("S3"), T("="), 150.0},
                                 {T("objective"), T("min"), T("LABOUR")}});
  const IoPlanRead read = ReadIoPlan(plan, t, "plan.csv");
  ASSERT_EQ(read.error, "");
  const IoPlanResult r = SolveIoPlan(t, read.spec, {});
  ASSERT_EQ(r.status, "optimal") << r.message;
  EXPECT_NEAR(r.demand[1], 40.0, 1e-9);
  const IoAnalysis a = AnalyseIoTable(t, {});
  ASSERT_EQ(a.type1.size(), 1u);
  const std::vector<double>& labour = a.type1[0].second;
  ASSERT_EQ(r.duals.size(), 4u);
  EXPECT_NEAR(Dual(r, "S1 >= 100"), labour[0], 1e-9);
  EXPECT_NEAR(Dual(r, "S2 <= 80"), 0.0, 1e-12);
  EXPECT_NEAR(Dual(r, "S2 >= 40"), labour[1], 1e-9);
  EXPECT_NEAR(Dual(r, "S3 = 150"), labour[2], 1e-9);
  EXPECT_EQ(r.binding, (std::vector<std::string>{"S1 >= 100", "S2 >= 40", "S3 = 150"}));

  // The same row written twice is told apart by its row in the plan.
  const LabelledMatrix twice = M({{T("label"), T("relation"), T("value")},
                                  {T("S2"), T("<="), 80.0},
                                  {T("S2"), T("<="), 80.0},
                                  {T("objective"), T("min"), T("LABOUR")}});
  const IoPlanRead again = ReadIoPlan(twice, t, "plan.csv");
  ASSERT_EQ(again.error, "");
  const IoPlanResult r2 = SolveIoPlan(t, again.spec, {});
  ASSERT_EQ(r2.status, "optimal") << r2.message;
  ASSERT_EQ(r2.duals.size(), 2u);
  EXPECT_EQ(r2.duals[0].first, "S2 <= 80 (row 2)");
  EXPECT_EQ(r2.duals[1].first, "S2 <= 80 (row 3)");
}

}  // namespace
}  // namespace quantorial
