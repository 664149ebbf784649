// The LP model text byte for byte, and the menu command that builds and keeps it.

#include <glpk.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "MatrixBuilder.h"
#include "ScriptedHost.h"
#include "TempDir.h"
#include "WorkbenchFixture.h"
#include "planning/LpModel.h"
#include "planning/LpSolve.h"
#include "workbench/Workbench.h"
#include "workspace/SlotTable.h"
#include "workspace/ValueRules.h"

namespace quantorial {
namespace {

using testing::E;
using testing::M;
using testing::ScriptedHost;
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

TEST(LpModel, ClipboardOrANewFileNeverOverAnOldOne) {
  TempDir dir;
  ScriptedHost host;
  Workbench wb{host, nullptr, dir.path().string()};
  const std::string table = dir.Write("t.csv", ",A,B,rel,rhs\nr1,1,2,<=,4\n");
  host.fileAnswers = {table};
  wb.mnuLindoModel_Click();
  EXPECT_EQ(wb.form.chkRHS, 1);
  EXPECT_EQ(host.clipboard, "Maximize A + B\r\n\r\nSubject to\r\nA + 2.0000B <= 4\r\nA >= 0\r\nB >= 0\r\n");
  ASSERT_EQ(host.CallsOf("PreviewText").size(), 1u);
  EXPECT_EQ(host.CallsOf("PreviewText")[0].title, "Linear Programming Model");
  // Saved: a new LindoNNN.ltx in the Data folder, the model and a line end, opened.
  wb.form.chkSave = 1;
  host.fileAnswers = {table};
  wb.mnuLindoModel_Click();
  const auto opened = host.CallsOf("OpenWithDesktop");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(std::filesystem::path(opened[0].text).parent_path(), dir.path());
  EXPECT_EQ(TempDir::Read(opened[0].text), host.clipboard + "\r\n");
  // Every name taken: nothing is written over, and the person is told.
  for (int k = 0; k < 1000; ++k) {
    char name[16];
    std::snprintf(name, sizeof name, "Lindo%03d.ltx", k);
    std::ofstream(dir.File(name)) << "earlier model " << k;
  }
  host = ScriptedHost();
  host.fileAnswers = {table};
  wb.mnuLindoModel_Click();
  EXPECT_TRUE(host.CallsOf("OpenWithDesktop").empty());
  ASSERT_EQ(host.Messages().size(), 1u);
  EXPECT_NE(host.Messages()[0].find("were all taken"), std::string::npos);
  EXPECT_EQ(TempDir::Read(dir.File("Lindo123.ltx")), "earlier model 123");
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

TEST(LpSolve, FromTheMenuWithTheModelSaved) {
  TempDir dir;
  ScriptedHost host;
  Workbench wb{host, nullptr, dir.path().string()};
  host.fileAnswers = {dir.Write("lp.csv", ",x,y,rel,rhs\nlabour,1,2,<=,4\nmachines,3,1,<=,6\n")};
  wb.mnuSolve_Click();  // no table yet: it asks for one
  EXPECT_EQ(CellText(wb.ws.mLpSolution.Get(1, 1)), "optimal");
  EXPECT_EQ(wb.ws.mLpSolution.UpperCol(), 3) << "value, reduced cost or slack, dual: no empty column after them";
  EXPECT_EQ(host.PreviewCaptions().back(), "1:LP Solution");
  const auto items = SelectMatrixItems(wb.ws);
  ASSERT_GE(items.size(), 2u);
  EXPECT_EQ(items[items.size() - 2], "27. LP Solution");
  EXPECT_EQ(items.back(), "28. LP Ranging");
  host.fileAnswers = {dir.File("m.lp")};
  wb.mnuSaveModel_Click();
  const std::string lp = TempDir::Read(dir.File("m.lp"));
  EXPECT_NE(lp.find("Maximize"), std::string::npos) << lp;
  EXPECT_NE(lp.find("labour") == std::string::npos ? lp.find("R1") : 0, std::string::npos);
  host.fileAnswers = {dir.File("m.mps")};
  wb.mnuSaveModel_Click();
  EXPECT_NE(TempDir::Read(dir.File("m.mps")).find("ROWS"), std::string::npos);
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

// A relation or right-hand side that does not read stops Build, Solve and Save, naming the
// row and the cell; nothing is solved, written or built.
TEST(LpSolve, BadRelationsAndRightHandSidesStopEveryCommand) {
  const struct {
    const char* row;
    const char* message;
    const char* rest = "c2,1,0,<=,1";
  } tables[] = {
      {"c1,1,1,ge,3",
       "Row 1 \"c1\", cell D2: \"ge\" is not a relation; a relation is <, <=, =<, \u2264, >, >=, =>, \u2265 or =."},
      // Every relation misspelt: still the relation column, not a variable named "rel".
      {"c1,1,1,ge,3",
       "Row 1 \"c1\", cell D2: \"ge\" is not a relation; a relation is <, <=, =<, \u2264, >, >=, =>, \u2265 or =.",
       "c2,1,0,le,1"},
      {"c1,1,1,,3",
       "Row 1 \"c1\", cell D2: the relation is empty; a relation is <, <=, =<, \u2264, >, >=, =>, \u2265 or =."},
      {"c1,1,1,<=,abc", "Row 1 \"c1\", cell E2: \"abc\" is not a number; the right-hand side must be a number."},
      {"c1,1,1,>=,", "Row 1 \"c1\", cell E2: the right-hand side is empty; the right-hand side must be a number."},
      {"c1,1,1,>=,1",
       "Columns B and C are both named \"x\": give each variable its own name, or check \"Use X.. for "
       "Variable Names\"."},
  };
  const struct {
    const char* command;
    const char* consequence;
  } commands[] = {
      {"solve", " Nothing was solved."}, {"save", " The model was not saved."}, {"build", " No model was built."}};
  for (const auto& t : tables) {
    for (const auto& c : commands) {
      SCOPED_TRACE(std::string(t.row) + " / " + c.command);
      TempDir dir;
      ScriptedHost host;
      Workbench wb{host, nullptr, dir.path().string()};
      const bool clash = std::string(t.message).rfind("Columns", 0) == 0;
      const std::string table =
          dir.Write("t.csv", std::string(clash ? ",x,x,rel,rhs\n" : ",x,y,rel,rhs\n") + t.row + "\n" + t.rest + "\n");
      host.fileAnswers = {table, dir.File("m.lp")};
      wb.form.chkSave = 1;
      const std::string command = c.command;
      if (command == "solve") wb.mnuSolve_Click();
      if (command == "save") {
        wb.mnuSolve_Click();
        host = ScriptedHost();
        host.fileAnswers = {dir.File("m.lp")};
        wb.mnuSaveModel_Click();
      }
      if (command == "build") wb.mnuLindoModel_Click();
      ASSERT_FALSE(host.Messages().empty());
      EXPECT_EQ(host.Messages().back(), std::string(t.message) + c.consequence);
      EXPECT_FALSE(wb.ws.mLpSolution.IsAssigned());
      EXPECT_FALSE(std::filesystem::exists(dir.File("m.lp")));
      EXPECT_TRUE(host.CallsOf("OpenWithDesktop").empty());
      EXPECT_TRUE(host.clipboard.empty());
    }
  }
  // Named X1, X2 the two columns are two variables: the table solves.
  TempDir dir;
  ScriptedHost host;
  Workbench wb{host, nullptr, dir.path().string()};
  host.fileAnswers = {dir.Write("t.csv", ",x,x,rel,rhs\nc1,1,2,<=,4\n")};
  wb.form.chkVV = 1;
  wb.mnuSolve_Click();
  EXPECT_EQ(CellText(wb.ws.mLpSolution.Get(1, 1)), "optimal");
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

// Names that differ in the table but would be written alike are refused, by the writer and
// by the menu before it asks for a file.
TEST(LpSolve, NamesWrittenAlikeAreRefused) {
  const struct {
    const char* first;
    const char* second;
  } cases[] = {{"a b", "a_b"}, {"\u00d6l", "Ol"}, {"x-1", "x+1"}, {"2a", "x_2a"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    TempDir dir;
    const std::string table = std::string(",\"") + c.first + "\",\"" + c.second + "\",rel,rhs\nr,1,1,<=,4\n";
    std::string error;
    LabelledMatrix t = M({{E, T(c.first), T(c.second), T("rel"), T("rhs")}, {T("r"), 1.0, 1.0, T("<="), 4.0}});
    EXPECT_FALSE(WriteLpModel(t, false, true, dir.File("m.lp"), error));
    EXPECT_NE(error.find("Columns B and C"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(dir.File("m.lp")));
    EXPECT_TRUE(WriteLpModel(t, true, true, dir.File("x.lp"), error)) << "X.. names never collide: " << error;
    ScriptedHost host;
    Workbench wb{host, nullptr, dir.path().string()};
    host.fileAnswers = {dir.Write("t.csv", table), dir.File("menu.lp")};
    wb.mnuSaveModel_Click();
    ASSERT_EQ(host.Messages().size(), 1u);
    EXPECT_NE(host.Messages()[0].find("would both be written"), std::string::npos) << host.Messages()[0];
    EXPECT_EQ(host.fileAnswers.size(), 1u) << "a file was asked for";
    EXPECT_FALSE(std::filesystem::exists(dir.File("menu.lp")));
  }
}

}  // namespace
}  // namespace quantorial
