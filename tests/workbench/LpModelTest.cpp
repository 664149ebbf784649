// The LP menu commands: the model built and kept, the table solved and saved, and what
// stops each of them.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "MatrixBuilder.h"
#include "ScriptedHost.h"
#include "TempDir.h"
#include "planning/LpSolve.h"
#include "workbench/CommandTable.h"
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

// One verdict for one status, whichever way the model is reached: Solve on a table and Open
// Model on a file both fail an infeasible or unbounded model (the slot and the report still
// say which), and end done on an optimum.
TEST(LpSolve, InfeasibleAndUnboundedFailEveryWay) {
  TempDir dir;
  const struct {
    const char* name;
    const char* table;
    const char* model;
    const char* status;
    OutcomeKind kind;
    const char* message;
  } cases[] = {
      {"optimal", ",x,y,rel,rhs\na,1,1,<=,4\n", "Maximize\n obj: x + y\nSubject To\n a: x + y <= 4\nEnd\n", "optimal",
       OutcomeKind::Done, ""},
      {"infeasible", ",x,y,rel,rhs\na,1,1,<=,4\nb,1,1,>=,5\n",
       "Maximize\n obj: x + y\nSubject To\n a: x + y <= 4\n b: x + y >= 5\nEnd\n", "infeasible", OutcomeKind::Failed,
       "The linear programming model is infeasible: no values of the variables meet every constraint."},
      {"unbounded", ",x,y,rel,rhs\na,1,-1,<=,4\n", "Maximize\n obj: x + y\nSubject To\n a: x - y <= 4\nEnd\n",
       "unbounded", OutcomeKind::Failed,
       "The linear programming model is unbounded: the objective grows without limit."},
  };
  for (const auto& c : cases) {
    for (const bool file : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (file ? ", Open Model" : ", Solve"));
      ScriptedHost host;
      Workbench wb{host, nullptr, dir.path().string()};
      host.fileAnswers = {file ? dir.Write(std::string(c.name) + ".lp", c.model)
                               : dir.Write(std::string(c.name) + ".csv", c.table)};
      std::string error;
      ASSERT_TRUE(Perform(wb, Action{ActionKind::Click, file ? "mnuOpenModel" : "mnuSolve", {}, {}}, error)) << error;
      EXPECT_EQ(CellText(wb.ws.mLpSolution.Get(1, 1)), c.status);
      EXPECT_EQ(wb.LastOutcome().kind, c.kind);
      if (*c.message) {
        ASSERT_EQ(host.Messages().size(), 1u);
        EXPECT_EQ(host.Messages()[0], c.message);
      } else {
        EXPECT_TRUE(host.Messages().empty());
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
