// The KALDRON command against computations of its own and a textbook table.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>

#include "MatrixBuilder.h"
#include "ScriptedHost.h"
#include "TempDir.h"
#include "WorkbenchFixture.h"
#include "workbench/CommandTable.h"
#include "workbench/Workbench.h"
#include "workspace/ValueRules.h"

namespace quantorial {
namespace {

using testing::E;
using testing::M;
using testing::ScriptedHost;
using testing::T;
using testing::V;

class Kaldron : public testing::WorkbenchFixture {
 protected:
  // A table of n sectors and m primary inputs: coefficient a(i, j) of sector j's input from
  // sector i (zero diagonal), primary-input rows below, loaded and split into I - A.
  void Table(const std::vector<std::vector<double>>& a, const std::vector<std::vector<double>>& primary,
             const std::string& rhs) {
    const int n = static_cast<int>(a.size()), m = static_cast<int>(primary.size());
    LabelledMatrix b = LabelledMatrix::Dimension(n + m, n + m);
    for (int j = 1; j <= n + m; ++j) b.Set(0, j, (j <= n ? "S" : "E") + std::to_string(j));
    for (int i = 1; i <= n + m; ++i) {
      b.Set(i, 0, (i <= n ? "S" : "P") + std::to_string(i));
      for (int j = 1; j <= n + m; ++j) {
        const double v = i <= n ? (j <= n ? a[i - 1][j - 1] : 0.0) : (j <= n ? primary[i - n - 1][j - 1] : 0.0);
        b.Set(i, j, v);
      }
    }
    wb.ws.mBMat = b;
    wb.form.txtRows = wb.form.txtCols = std::to_string(n + m);
    host.inputAnswers.push_back(std::to_string(n));
    host.fileAnswers.push_back(dir.Write("rhs.csv", rhs));
    wb.form.Enable("cmdKALDRON", true);
  }
};

// The question offers the number of sectors, the table's columns (not its rows, which take
// the primary inputs too), and a count beyond the columns is refused before anything is
// planned: the rows below the sectors would otherwise be planned as outputs.
TEST_F(Kaldron, TheNumberOfSectorsIsTheTablesColumns) {
  const LabelledMatrix table = M({{E, T("Agriculture"), T("Industry"), T("Services")},
                                  {T("Agriculture"), 0.0, 0.2, 0.05},
                                  {T("Industry"), 0.15, 0.0, 0.1},
                                  {T("Services"), 0.1, 0.25, 0.0},
                                  {T("Labour"), 0.4, 0.3, 0.5},
                                  {T("Capital"), 0.2, 0.35, 0.25}});
  const std::string targets = dir.Write("targets.csv",
                                        "Sector,Type,Target\nAgriculture,,200\nIndustry,,500\n"
                                        "Services,,300\n");
  for (const char* answer : {"5", "3"}) {
    SCOPED_TRACE(answer);
    host = ScriptedHost();
    wb.ws = Workspace();
    wb.ws.mBMat = table;
    wb.form.txtRows = "5";
    wb.form.txtCols = "3";
    wb.form.Enable("cmdKALDRON", true);
    host.fileAnswers.push_back(targets);
    host.inputAnswers.push_back(std::string(answer));
    std::string error;
    ASSERT_TRUE(Perform(wb, Action{ActionKind::Click, "cmdKALDRON", {}, {}}, error)) << error;
    ASSERT_EQ(host.CallsOf("InputBox").size(), 1u);
    EXPECT_EQ(host.CallsOf("InputBox")[0].offered, "3");
    if (std::string(answer) == "5") {
      EXPECT_TRUE(wb.LastOutcome().Failed());
      EXPECT_EQ(wb.LastOutcome().message,
                "5 sectors are more than the table's 3 columns: the sectors are the table's columns, and the rows "
                "below them its primary inputs. Nothing was planned.");
      EXPECT_FALSE(wb.ws.mDevOutput.IsAssigned());
    } else {
      EXPECT_EQ(wb.LastOutcome().kind, OutcomeKind::Done) << ::testing::PrintToString(host.Messages());
      // x = (I - A)^-1 d for the three sectors.
      ASSERT_EQ(wb.ws.mDevOutput.UpperRow(), 3);
    }
  }
}

TEST_F(Kaldron, WithoutConstraintsTheLeontiefSolution) {
  // A = [[0, 0.25], [0.2, 0]], d = (600, 1500): (I - A)x = d.
  Table({{0, 0.25}, {0.2, 0}}, {{0.3, 0.4}}, "Sector,Type,Target\nS1,,600\nS2,,1500\n");
  wb.cmdKALDRON_Click();
  const double det = 1 - 0.25 * 0.2;
  const double x1 = (600 + 0.25 * 1500) / det, x2 = (1500 + 0.2 * 600) / det;
  const LabelledMatrix& out = wb.ws.mDevOutput;
  ASSERT_EQ(out.UpperRow(), 2);
  EXPECT_NEAR(V(out, 1, 1), x1, 1e-9);
  EXPECT_NEAR(V(out, 2, 1), x2, 1e-9);
  EXPECT_NEAR(V(wb.ws.mPrimaryReq, 1, 1), 0.3 * x1 + 0.4 * x2, 1e-9);
  EXPECT_EQ(wb.ws.mKaldronAug, wb.ws.mKaldronBMat);
  EXPECT_EQ(wb.ws.mKaldronRhs.UpperCol(), 4);
  EXPECT_TRUE(host.Messages().empty()) << (host.Messages().empty() ? "" : host.Messages()[0]);
  EXPECT_EQ(host.PreviewCaptions().back(), "1:Primary Requirement Matrix");
}

TEST_F(Kaldron, SlackAndSurplusRowsAugmentTheMatrix) {
  Table({{0, 0.1, 0, 0}, {0.1, 0, 0.1, 0}, {0, 0.1, 0, 0.1}, {0, 0, 0.1, 0}}, {{0.5, 0.5, 0.5, 0.5}},
        "Sector,Type,Target\nS1,,10\nS2,>,20\nS3,<,30\nS4,,40\n");
  wb.cmdKALDRON_Click();
  const LabelledMatrix& K = wb.ws.mKaldronAug;
  ASSERT_EQ(K.UpperRow(), 6);
  EXPECT_EQ(CellText(K.Get(0, 5)), "PV2");
  EXPECT_EQ(CellText(K.Get(6, 0)), "SV3");
  EXPECT_EQ(V(K, 2, 5), -1);
  EXPECT_EQ(V(K, 5, 2), -1);
  EXPECT_EQ(V(K, 5, 5), 1);
  EXPECT_EQ(V(K, 3, 6), 1);
  EXPECT_EQ(V(K, 6, 3), 1);
  EXPECT_EQ(V(K, 6, 6), -1);
  for (int i = 1; i <= 6; ++i) {
    if (i != 3 && i != 6) {
      EXPECT_EQ(V(K, i, 6), 0) << i;
    }
  }
  EXPECT_EQ(CellText(wb.ws.mDevOutput.Get(6, 0)), "SV3");
  // The outputs solve K x = (d, 0, 0); X drops the constraint variables.
  for (int i = 1; i <= 6; ++i) {
    double lhs = 0;
    for (int k = 1; k <= 6; ++k) lhs += V(K, i, k) * V(wb.ws.mDevOutput, k, 1);
    EXPECT_NEAR(lhs, i <= 4 ? 10.0 * i : 0.0, 1e-9) << i;
  }
}

TEST_F(Kaldron, EdgesOfTheTable) {
  // m = 0: the primary inputs and their requirements hold only their label rows.
  Table({{0, 0.5}, {0.5, 0}}, {}, "Sector,Type,Target\nS1,,1\nS2,,1\n");
  wb.cmdKALDRON_Click();
  EXPECT_EQ(wb.ws.mPrimaryInputs.UpperRow(), 0);
  EXPECT_EQ(wb.ws.mPrimaryReq.UpperRow(), 0);
  // A right-hand side of another length is reported, and the plan still runs.
  host = ScriptedHost();
  wb.ws.mExtended = M({{T("Sector"), T("Type"), T("Target")}, {T("S1"), E, 3.0}});
  wb.ws.mRhsIO = wb.ws.mExtended;
  wb.cmdKALDRON_Click();
  EXPECT_EQ(host.Messages(), std::vector<std::string>{"RHS values not properly defined..."});
  EXPECT_TRUE(wb.ws.mDevOutput.IsFilled());
}

TEST_F(Kaldron, ManyConstraintsGrowTheLists) {
  const int n = 120;
  std::vector<std::vector<double>> a(n, std::vector<double>(n, 0.0));
  std::string rhs = "Sector,Type,Target\n";
  for (int i = 1; i <= n; ++i) {
    if (i < n) a[i - 1][i] = 0.01;
    rhs += "S" + std::to_string(i) + "," + (i % 2 ? "<" : ">") + "," + std::to_string(i) + "\n";
  }
  Table(a, {std::vector<double>(n, 1.0)}, rhs);
  wb.cmdKALDRON_Click();
  ASSERT_EQ(wb.ws.mKaldronAug.UpperRow(), 2 * n);
  EXPECT_EQ(CellText(wb.ws.mKaldronAug.Get(0, 2 * n)), "PV120");
  EXPECT_EQ(CellText(wb.ws.mKaldronAug.Get(n + 99, 0)), "SV99");
  EXPECT_EQ(CellText(wb.ws.mKaldronAug.Get(n + 101, 0)), "SV101");
}

// A table of sectors with primary-input rows beneath them (5 x 3): A in the top three rows,
// labour and capital below. Outputs and requirements computed apart, in exact fractions:
// x = (I - A)^-1 (100, 200, 300), q = P x.
constexpr const char* kSectorsAndPrimaryRows =
    ",S1,S2,S3\nS1,0,0.1,0.2\nS2,0.2,0,0.1\nS3,0.1,0.3,0\nLabour,0.3,0.2,0.1\nCapital,0.5,0.4,0.3\n";

TEST_F(Kaldron, PlansOnTheTableLoadedNowNotOnAnEarlierSplit) {
  for (const bool earlierModel : {false, true}) {
    SCOPED_TRACE(earlierModel ? "after a plan on another model" : "on a fresh start");
    host = ScriptedHost();
    wb.ws.mRhsIO = LabelledMatrix();
    if (earlierModel) {
      Table({{0, 0.25}, {0.2, 0}}, {{0.3, 0.4}}, "Sector,Type,Target\nS1,,600\nS2,,1500\n");
      wb.cmdKALDRON_Click();
      ASSERT_EQ(wb.ws.mDevOutput.UpperRow(), 2);
    }
    wb.ws.mRhsIO = LabelledMatrix();
    wb.SetTxtData(1, dir.Write(earlierModel ? "io2.csv" : "io1.csv", kSectorsAndPrimaryRows));
    host.inputAnswers.push_back("3");
    host.fileAnswers.push_back(dir.Write("targets.csv", "Sector,Type,Target\nS1,,100\nS2,,200\nS3,,300\n"));
    wb.cmdKALDRON_Click();
    EXPECT_TRUE(host.inputAnswers.empty()) << "the number of sectors was not asked";
    ASSERT_FALSE(host.fileRequests.empty());
    EXPECT_NE(host.fileRequests.back().title.find("Targets"), std::string::npos) << host.fileRequests.back().title;
    const LabelledMatrix& x = wb.ws.mDevOutput;
    ASSERT_EQ(x.UpperRow(), 3);
    EXPECT_NEAR(V(x, 1, 1), 209.3784078516903, 1e-9);
    EXPECT_NEAR(V(x, 2, 1), 282.44274809160305, 1e-9);
    EXPECT_NEAR(V(x, 3, 1), 405.67066521264996, 1e-9);
    const LabelledMatrix& q = wb.ws.mPrimaryReq;
    ASSERT_EQ(q.UpperRow(), 2);
    EXPECT_EQ(CellText(q.Get(2, 0)), "Capital");
    EXPECT_NEAR(V(q, 1, 1), 159.8691384950927, 1e-9);
    EXPECT_NEAR(V(q, 2, 1), 339.3675027262814, 1e-9);
    EXPECT_TRUE(host.Messages().empty()) << host.Messages()[0];
  }
}

// What each grid shows after the calls so far: "grid:caption", blank grids left out.
std::vector<std::string> ShownGrids(const ScriptedHost& host) {
  std::map<int, std::string> shown;
  for (const auto& c : host.calls) {
    if (c.kind == "Preview") shown[c.number] = c.text;
    if (c.kind == "ClearGrid") shown.erase(c.number);
  }
  std::vector<std::string> out;
  for (const auto& [grid, caption] : shown) out.push_back(std::to_string(grid) + ":" + caption);
  return out;
}

// The plan's grids belong to the data it was made from: Clear Task blanks them all, and a
// new primary file leaves only itself and the files still loaded beside it.
TEST_F(Kaldron, ItsGridsGoWithTheDataTheyCameFrom) {
  struct Case {
    const char* name;
    std::function<void(Workbench&, testing::TempDir&)> act;
    std::vector<std::string> shown;
  };
  const Case cases[] = {
      {"Clear Task", [](Workbench& w, testing::TempDir&) { w.cmdClear_Click(); }, {}},
      {"a new primary file",
       [](Workbench& w, testing::TempDir& d) { w.SetTxtData(0, d.Write("series.csv", "Year,S1\n2001,1\n2002,2\n")); },
       {"0:Trend Matrix", "2:Normal BMAT Matrix", "4:Extended Data"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    wb.cmdClear_Click();
    wb.ws.mRhsIO = LabelledMatrix();
    host = ScriptedHost();
    wb.SetTxtData(1, dir.Write("io_BMAT.csv", kSectorsAndPrimaryRows));
    host.inputAnswers.push_back("3");
    host.fileAnswers.push_back(dir.Write("targets.csv", "Sector,Type,Target\nS1,,100\nS2,,200\nS3,,300\n"));
    wb.cmdKALDRON_Click();
    ASSERT_EQ(ShownGrids(host).size(), 6u);
    c.act(wb, dir);
    EXPECT_EQ(ShownGrids(host), c.shown);
  }
}

TEST_F(Kaldron, WithoutATableOrTargetsNothingIsPlanned) {
  wb.ws.mDevOutput = M({{E, T("kept")}, {T("S1"), 1.0}});
  const LabelledMatrix before = wb.ws.mDevOutput;
  wb.cmdKALDRON_Click();  // no B-matrix: said, and no file asked for
  ASSERT_EQ(host.Messages().size(), 1u);
  EXPECT_NE(host.Messages()[0].find("KALDRON plans on a B-matrix"), std::string::npos);
  EXPECT_TRUE(host.fileRequests.empty());
  host = ScriptedHost();
  wb.SetTxtData(1, dir.Write("io.csv", kSectorsAndPrimaryRows));
  host.fileAnswers.push_back(std::nullopt);  // the targets file dialog cancelled
  host.inputAnswers.push_back("3");
  wb.cmdKALDRON_Click();
  EXPECT_EQ(host.inputAnswers.size(), 1u) << "split although nothing is planned";
  host.inputAnswers.clear();
  host.inputAnswers.push_back(std::nullopt);  // targets given, the number of sectors cancelled
  host.fileAnswers.push_back(dir.Write("targets.csv", "Sector,Type,Target\nS1,,1\nS2,,1\nS3,,1\n"));
  wb.cmdKALDRON_Click();
  EXPECT_EQ(wb.ws.mDevOutput, before);
  EXPECT_TRUE(host.Messages().empty());
}

// What the plan rests on doubtfully is told in one notice after it, as the run of all
// stages does: each case's B-matrix and targets, and a piece of the notice.
TEST_F(Kaldron, DoubtfulInputsGetOneNotice) {
  struct Case {
    const char* name;
    const char* bmat;
    const char* targets;
    std::vector<std::string> said;
  };
  const std::vector<Case> cases = {
      {"a cell that is not a number",
       ",S1,S2\nS1,0,0.1\nS2,n/a,0\nL,1,1\n",
       "S,T,V\nS1,,1\nS2,,1\n",
       {"B-matrix cells that are not numbers count as 0 in the plan: \"n/a\" (row S2, column S1)."}},
      {"a primary-input cell that is not a number",
       ",S1,S2\nS1,0,0.1\nS2,0.1,0\nL,1,--\n",
       "S,T,V\nS1,,1\nS2,,1\n",
       {"\"--\" (row L, column S2)"}},
      {"a singular I - A",
       ",S1,S2\nS1,0,1\nS2,1,0\nL,1,1\n",
       "S,T,V\nS1,,1\nS2,,1\n",
       {"The inversion of the plan's matrix (I - A with its constraint rows) failed"}},
      {"a target that is not a number",
       ",S1,S2\nS1,0,0.1\nS2,0.1,0\nL,1,1\n",
       "S,T,V\nS1,,1\nS2,,abc\n",
       {"Targets that are not numbers count as 0: \"abc\" (row S2)."}},
      {"a constraint row giving negative outputs",
       ",S1,S2\nS1,0,0\nS2,0,0\nL,1,0\n",
       "S,T,V\nS1,<,-100\nS2,,50\n",
       {"negative outputs for S1 and negative requirements for L", "the constraint rows (SV1)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host = ScriptedHost();
    wb.ws.mRhsIO = LabelledMatrix();
    wb.SetTxtData(1, dir.Write(std::string(c.name) + ".csv", c.bmat));
    host.inputAnswers.push_back("2");
    host.fileAnswers.push_back(dir.Write("t.csv", c.targets));
    wb.cmdKALDRON_Click();
    ASSERT_EQ(host.Messages().size(), 1u);
    for (const std::string& piece : c.said)
      EXPECT_NE(host.Messages()[0].find(piece), std::string::npos) << host.Messages()[0];
    EXPECT_TRUE(wb.ws.mDevOutput.IsFilled());
  }
}

// The two-sector example of Miller and Blair, Input-Output Analysis (2nd ed., 2009, section
// 2.3): A = [[.15, .25], [.20, .05]], new final demand (600, 1500), outputs 1247.52 and
// 1841.58. The plan leaves the own-sector inputs (the diagonal) out and says so; folded into
// their rows (row k and its target divided by 1 - a_kk), the table gives the published outputs.
TEST_F(Kaldron, ATextbookTableFolded) {
  Table({{0.15, 0.25}, {0.20, 0.05}}, {}, "Sector,Type,Target\nS1,,600\nS2,,1500\n");
  wb.cmdKALDRON_Click();
  ASSERT_EQ(host.Messages().size(), 1u) << host.Messages()[0] << "|" << host.Messages().back();
  EXPECT_NE(host.Messages()[0].find("own-sector inputs (a diagonal other than 0 or 1) for S1 and S2"),
            std::string::npos);
  host = ScriptedHost();
  wb.ws.mRhsIO = LabelledMatrix();
  Table({{0, 0.25 / 0.85}, {0.20 / 0.95, 0}}, {},
        "Sector,Type,Target\nS1,,705.88235294117647\nS2,,1578.9473684210526\n");
  wb.cmdKALDRON_Click();
  EXPECT_TRUE(host.Messages().empty());
  EXPECT_NEAR(V(wb.ws.mDevOutput, 1, 1), 1247.52, 0.005);
  EXPECT_NEAR(V(wb.ws.mDevOutput, 2, 1), 1841.58, 0.005);
}

}  // namespace
}  // namespace quantorial
