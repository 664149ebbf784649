// The LP model text byte for byte, a table solved, and the model files written from it read
// back by the solver library.

#include <glpk.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "MatrixBuilder.h"
#include "TempDir.h"
#include "planning/LpModel.h"
#include "planning/LpSolve.h"
#include "workspace/ValueRules.h"

namespace quantorial {
namespace {

using testing::E;
using testing::M;
using testing::T;
using testing::TempDir;
using testing::V;

TEST(LpModel, TextOfTheEdgeCases) {
  const struct {
    const char* what;
    LabelledMatrix table;
    bool useX;
    const char* text;
  } cases[] = {
      {"no constraint columns", M({{E, T("A"), T("B")}, {E, 1.0, 2.5}, {E, 0.0, -3.0}, {E, 0.0, 0.0}}), false,
       "Maximize A + B\r\n\r\nSubject to\r\nA + 2.5000B <= 0\r\n - 3.0000B <= 0\r\nA >= 0\r\nB >= 0\r\n"},
      {"an unnamed column, X-names", M({{E, T("A"), E, T("C")}, {E, -1.0, 5.0, 1.0}}), true,
       "Maximize X1 + X3\r\n\r\nSubject to\r\n - 1.0000X1 + X3 <= 0\r\nX1 >= 0\r\nX3 >= 0\r\n\r\n\r\n"
       "!List of Variables;\r\n!X1  =  A;\r\n!X3  =  C;\r\n"},
      {"relations and right-hand sides",
       M({{E, T("x"), T("y"), T("rel"), T("rhs")}, {E, 2.0, 1.0, T("<="), 10.0}, {E, 1.0, 3.0, T(">="), 6.5}}), false,
       "Maximize x + y\r\n\r\nSubject to\r\n2.0000x + y <= 10\r\nx + 3.0000y >= 6.5\r\nx >= 0\r\ny >= 0\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LindoModelText(c.table, c.useX, TableHasConstraints(c.table), 4), c.text) << c.what;
  }
  EXPECT_FALSE(TableHasConstraints(cases[0].table));
  EXPECT_TRUE(TableHasConstraints(cases[2].table));
  const std::string digits = RandomDigits(3);
  EXPECT_EQ(digits.size(), 3u);
  EXPECT_EQ(digits.find_first_not_of("0123456789"), std::string::npos);
}

TEST(LpSolve, OptimalInfeasibleAndUnbounded) {
  // max x + y s.t. x + 2y <= 4, 3x + y <= 6: the optimum is x = 1.6, y = 1.2, z = 2.8, both
  // rows binding with duals 0.4 and 0.2 (0.4 (1, 2) + 0.2 (3, 1) = (1, 1)).
  const auto textbook = M({{E, T("x"), T("y"), T("rel"), T("rhs")},
                           {T("labour"), 1.0, 2.0, T("<="), 4.0},
                           {T("machines"), 3.0, 1.0, T("<="), 6.0}});
  const LabelledMatrix s = SolveLp(textbook, false, true);
  EXPECT_EQ(CellText(s.Get(1, 1)), "optimal");
  EXPECT_NEAR(V(s, 2, 1), 2.8, 1e-12);
  EXPECT_EQ(CellText(s.Get(3, 0)), "x");
  EXPECT_NEAR(V(s, 3, 1), 1.6, 1e-12);
  EXPECT_NEAR(V(s, 4, 1), 1.2, 1e-12);
  EXPECT_EQ(CellText(s.Get(5, 0)), "labour");
  EXPECT_NEAR(V(s, 5, 1), 4.0, 1e-12);  // activity
  EXPECT_NEAR(V(s, 5, 2), 0.0, 1e-12);  // slack
  EXPECT_NEAR(V(s, 5, 3), 0.4, 1e-12);  // dual
  EXPECT_NEAR(V(s, 6, 3), 0.2, 1e-12);
  const struct {
    LabelledMatrix table;
    const char* status;
  } others[] = {
      {M({{E, T("x"), T("y"), T("rel"), T("rhs")}, {E, 1.0, 1.0, T("<="), 1.0}, {E, 1.0, 1.0, T(">="), 2.0}}),
       "infeasible"},
      {M({{E, T("x"), T("y"), T("rel"), T("rhs")}, {E, -1.0, 1.0, T("<="), 1.0}}), "unbounded"},
  };
  for (const auto& o : others) {
    const LabelledMatrix r = SolveLp(o.table, false, true);
    EXPECT_EQ(CellText(r.Get(1, 1)), o.status);
    EXPECT_TRUE(IsEmpty(r.Get(2, 1))) << "no objective value from a model without an optimum";
    EXPECT_TRUE(IsEmpty(r.Get(3, 1)));
  }
}

// Every way of writing a relation reads as the relation meant: this table with "≥"
// is infeasible (x + y >= 3 while x <= 1 and y <= 1), with "<" optimal at 2.
TEST(LpSolve, RelationsReadAsMeant) {
  const struct {
    const char* relation;
    const char* status;
  } cases[] = {{"\u2265", "infeasible"}, {">=", "infeasible"}, {"=>", "infeasible"}, {">", "infeasible"},
               {" = ", "infeasible"},    {"<", "optimal"},     {"=<", "optimal"},    {"\u2264", "optimal"}};
  for (const auto& c : cases) {
    const auto t = M({{E, T("x"), T("y"), T("rel"), T("rhs")},
                      {T("c1"), 1.0, 1.0, T(c.relation), 3.0},
                      {T("c2"), 1.0, 0.0, T("<="), 1.0},
                      {T("c3"), 0.0, 1.0, T("<="), 1.0}});
    ASSERT_TRUE(TableHasConstraints(t)) << c.relation;
    const LabelledMatrix s = SolveLp(t, false, true);
    EXPECT_EQ(CellText(s.Get(1, 1)), c.status) << c.relation;
  }
  // A row without a variable still decides feasibility: 0 >= 3 cannot hold.
  const auto empty = M({{E, T("x"), T("rel"), T("rhs")}, {T("a"), 1.0, T("<="), 1.0}, {T("b"), 0.0, T(">="), 3.0}});
  EXPECT_EQ(CellText(SolveLp(empty, false, true).Get(1, 1)), "infeasible");
  // No -0 among the printed values: a slack row's dual is 0.
  const auto slackRow = M({{E, T("x"), T("rel"), T("rhs")}, {T("a"), 1.0, T("<="), 1.0}, {T("b"), -1.0, T("<="), 5.0}});
  const LabelledMatrix s = SolveLp(slackRow, false, true);
  for (int i = 2; i <= s.UpperRow(); ++i) {
    for (int j = 1; j <= s.UpperCol(); ++j) {
      if (const auto v = ArithmeticValue(s.Get(i, j)); v && *v == 0.0) {
        EXPECT_FALSE(std::signbit(*v)) << i << "," << j;
      }
    }
  }
}

// A name ending .LP in any case is the LP form; any other the MPS form.
TEST(LpSolve, TheLpFormByItsEndingInAnyCase) {
  TempDir dir;
  const auto t = M({{E, T("x"), T("rel"), T("rhs")}, {T("a"), 1.0, T("<="), 1.0}});
  std::string error;
  for (const char* name : {"a.lp", "b.LP", "c.Lp"}) {
    ASSERT_TRUE(WriteLpModel(t, false, true, dir.File(name), error)) << error;
    EXPECT_NE(TempDir::Read(dir.File(name)).find("Maximize"), std::string::npos) << name;
  }
  ASSERT_TRUE(WriteLpModel(t, false, true, dir.File("d.mps"), error)) << error;
  EXPECT_NE(TempDir::Read(dir.File("d.mps")).find("ROWS"), std::string::npos);
}

// Names another solver would misread, and what the model file calls them.
TEST(LpSolve, FileNamesKeepToTheRulesOfTheForm) {
  const struct {
    const char* name;
    const char* written;
  } cases[] = {{"steel", "steel"},
               {"x.1_b", "x.1_b"},
               {"a b", "a_b"},
               {"\u00d6lsaat", "Olsaat"},
               {"Stra\u00dfe", "Stra_e"},
               {"2nd", "x_2nd"},
               {".a", "x_.a"},
               {"e1", "x_e1"},
               {"E2x", "x_E2x"},
               {"end", "x_end"},
               {"St", "x_St"},
               {"s.t.", "x_s.t."},
               {"a+b", "a_b"},
               {"", "x_"},
               {"tab\there", "tab_here"}};
  for (const auto& c : cases) EXPECT_EQ(LpFileName(c.name), c.written) << c.name;
  EXPECT_EQ(LpFileName(std::string(300, 'a')).size(), 255u);
}

// Row labels that are empty or would repeat another row's name in the file keep R and
// their row's number; the others are written in the file's rules.
TEST(LpSolve, RowNamesInTheFileAreTheTablesWhereTheyCanBe) {
  TempDir dir;
  const auto t = M({{E, T("x"), T("rel"), T("rhs")},
                    {T("Wood"), 1.0, T("<="), 4.0},
                    {T("Wood"), 2.0, T("<="), 6.0},
                    {E, 1.0, T("<="), 5.0},
                    {T("Lab our"), 3.0, T("<="), 9.0}});
  std::string error;
  const std::string path = dir.File("rows.lp");
  ASSERT_TRUE(WriteLpModel(t, false, true, path, error)) << error;
  glp_prob* lp = glp_create_prob();
  ASSERT_EQ(glp_read_lp(lp, nullptr, path.c_str()), 0) << TempDir::Read(path);
  ASSERT_EQ(glp_get_num_rows(lp), 4);
  const char* const want[] = {"Wood", "R2", "R3", "Lab_our"};
  for (int r = 1; r <= 4; ++r) EXPECT_STREQ(glp_get_row_name(lp, r), want[r - 1]) << r;
  glp_delete_prob(lp);
}

// A table whose names must change is written with the names changed, the changes listed as
// comments, and the file the solver library reads back gives the optimum of the table.
TEST(LpSolve, RenamedVariablesAreListedAndTheFileSolvesAlike) {
  TempDir dir;
  const auto t = M({{E, T("a b"), T("\u00d6l"), T("end"), T("rel"), T("rhs")},
                    {T("c1"), 1.0, 2.0, 1.0, T("<="), 4.0},
                    {T("c2"), 3.0, 1.0, 0.0, T("<="), 6.0},
                    {T("c3"), 0.0, 0.0, 1.0, T("<="), 1.5}});
  const LabelledMatrix solved = SolveLp(t, false, true);
  ASSERT_EQ(CellText(solved.Get(1, 1)), "optimal");
  EXPECT_EQ(CellText(solved.Get(3, 0)), "a b") << "the solution names the table's variables";
  const double optimum = V(solved, 2, 1);
  for (const bool lpForm : {true, false}) {
    SCOPED_TRACE(lpForm ? "LP" : "MPS");
    const std::string path = dir.File(lpForm ? "m.lp" : "m.mps");
    std::string error;
    ASSERT_TRUE(WriteLpModel(t, false, true, path, error)) << error;
    const std::string text = TempDir::Read(path);
    const std::string mark = lpForm ? "\\" : "*";
    for (const char* line : {"   \"a b\" = a_b\n", "   \"\u00d6l\" = Ol\n", "   \"end\" = x_end\n"}) {
      EXPECT_NE(text.find(mark + line), std::string::npos) << line << "\n" << text;
    }
    glp_prob* lp = glp_create_prob();
    ASSERT_EQ(lpForm ? glp_read_lp(lp, nullptr, path.c_str()) : glp_read_mps(lp, GLP_MPS_FILE, nullptr, path.c_str()),
              0);
    EXPECT_EQ(glp_get_num_cols(lp), 3);
    glp_create_index(lp);
    EXPECT_GT(glp_find_col(lp, "Ol"), 0);  // the written name, not one of the library's own
    // The constraints keep the table's row labels.
    ASSERT_EQ(glp_get_num_rows(lp), 3);
    for (int r = 1; r <= 3; ++r) EXPECT_STREQ(glp_get_row_name(lp, r), ("c" + std::to_string(r)).c_str());
    // The MPS form carries no direction: it holds the minimisation of the negated objective.
    EXPECT_EQ(glp_get_obj_dir(lp), lpForm ? GLP_MAX : GLP_MIN);
    glp_smcp parm;
    glp_init_smcp(&parm);
    parm.msg_lev = GLP_MSG_OFF;
    ASSERT_EQ(glp_simplex(lp, &parm), 0);
    EXPECT_NEAR(glp_get_obj_val(lp), lpForm ? optimum : -optimum, 1e-9);
    glp_delete_prob(lp);
  }
}

}  // namespace
}  // namespace quantorial
