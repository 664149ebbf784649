// The "Input-Output" menu through the command table: the B-matrix or a flow table analysed
// into the slots 37 to 42, the linkage chart, the plan, RAS, and the messages of bad inputs.

#include <gtest/gtest.h>

#include "MatrixBuilder.h"
#include "WorkbenchFixture.h"
#include "workbench/CommandTable.h"
#include "workspace/SlotTable.h"

namespace quantorial {
namespace {

using testing::E;
using testing::M;
using testing::T;
using testing::V;

class InputOutputMenu : public testing::WorkbenchFixture {
 protected:
  void Click(const std::string& control) {
    Action a;
    a.kind = ActionKind::Click;
    a.control = control;
    std::string error;
    ASSERT_TRUE(Perform(wb, a, error)) << control << ": " << error;
  }
  std::string flows = dir.Write("mb.csv", ",S1,S2,F\nS1,150,500,350\nS2,200,100,1700\nVA,650,1400,0\nX,1000,2000,0\n");
};

TEST_F(InputOutputMenu, BMatrixAnalysedIntoTheSlots) {
  wb.ws.mBMat = ReadDataFile(std::string(QUANTORIAL_SAMPLES_DIR) + "/io_table.csv").matrix;
  Click("mnuIoBMat");
  EXPECT_TRUE(host.Messages().empty()) << host.Messages().front();
  const LabelledMatrix& l = wb.ws.mIoLeontief;
  ASSERT_EQ(l.UpperRow(), 3);
  ASSERT_EQ(l.UpperCol(), 3);
  // (I - A) L = I on the sample's coefficients, row Industry (0.15, 0, 0.1).
  for (int j = 1; j <= 3; ++j) {
    const double v = V(l, 2, j) - 0.15 * V(l, 1, j) - 0.1 * V(l, 3, j);
    EXPECT_NEAR(v, j == 2 ? 1.0 : 0.0, 1e-12);
  }
  const LabelledMatrix& m = wb.ws.mIoMultipliers;
  EXPECT_EQ(CellText(m.Get(0, 1)), "Output multiplier");
  EXPECT_EQ(CellText(m.Get(0, 2)), "Type I Labour");
  EXPECT_NEAR(V(m, 1, 1), V(l, 1, 1) + V(l, 2, 1) + V(l, 3, 1), 1e-12);
  const auto items = SelectMatrixItems(wb.ws);
  EXPECT_NE(std::find(items.begin(), items.end(), "37. Leontief Inverse"), items.end());
  EXPECT_NE(std::find(items.begin(), items.end(), "40. IO Multipliers and Linkages"), items.end());
  const auto captions = host.PreviewCaptions();
  EXPECT_NE(std::find(captions.begin(), captions.end(), "2:Leontief Inverse"), captions.end());
}

TEST_F(InputOutputMenu, FlowTableDemandChartPlanAndRas) {
  host.fileAnswers.push_back(flows);
  host.inputAnswers.push_back("X");
  Click("mnuIoFlows");
  ASSERT_TRUE(wb.ws.mIoLeontief.IsFilled()) << (host.Messages().empty() ? "" : host.Messages().front());
  EXPECT_TRUE(wb.ws.mIoGhosh.IsFilled());

  host.fileAnswers.push_back(dir.Write("d.csv", "label,value\nS1,600\nS2,1500\n"));
  Click("mnuIoDemand");
  EXPECT_NEAR(V(wb.ws.mIoOutputs, 1, 2), 1247.5247524752476, 1e-8);
  EXPECT_NEAR(V(wb.ws.mIoOutputs, 2, 2), 1841.5841584158416, 1e-8);

  Click("mnuIoLinkages");
  ASSERT_EQ(host.charts.size(), 1u);
  EXPECT_TRUE(host.charts[0].bars);
  EXPECT_EQ(host.charts[0].rowLabels, (std::vector<std::string>{"S1 *", "S2"}));
  ASSERT_EQ(host.charts[0].series.size(), 2u);
  EXPECT_NEAR(*host.charts[0].series[0].values[0], 2 * 1.15 / (1.15 + 1.1), 1e-12);

  host.fileAnswers.push_back(dir.Write("plan.csv", "label,relation,value\nS1,>=,100\nS2,=,250\nobjective,min,VA\n"));
  Click("mnuIoPlan");
  EXPECT_EQ(CellText(wb.ws.mIoPlan.Get(0, 0)), "Plan: optimal");
  EXPECT_NEAR(V(wb.ws.mIoPlan, 3, 1), 350.0, 1e-8) << "value added equals final demand";

  host.fileAnswers.push_back(dir.Write("prior.csv", ",x,y\na,3,1\nb,2,4\n"));
  host.fileAnswers.push_back(dir.Write("rows.csv", "label,value\na,50\nb,70\n"));
  host.fileAnswers.push_back(dir.Write("cols.csv", "label,value\nx,40\ny,80\n"));
  Click("mnuIoRas");
  const LabelledMatrix& r = wb.ws.mIoRas;
  ASSERT_EQ(r.UpperRow(), 2);
  // Within the default tolerance of 1e-10 of each target.
  EXPECT_NEAR(V(r, 1, 1) + V(r, 1, 2), 50.0, 50 * 1e-10);
  EXPECT_NEAR(V(r, 1, 2) + V(r, 2, 2), 80.0, 80 * 1e-10);
  EXPECT_TRUE(host.Messages().empty()) << host.Messages().front();
}

TEST_F(InputOutputMenu, LinkageChartOfALargeTableShowsTheSectorsLinkedMost) {
  // 80 sectors, each selling 0.1 of a unit to the next; sector k (from 1) also sells 0.05 per
  // k - 1 over 100 to the first, so the later sectors are linked more forward.
  const int n = 80;
  LabelledMatrix b = LabelledMatrix::Dimension(n, n);
  for (int k = 1; k <= n; ++k) {
    b.Set(0, k, "s" + std::to_string(k));
    b.Set(k, 0, "s" + std::to_string(k));
    for (int j = 1; j <= n; ++j) b.Set(k, j, 0.0);
  }
  for (int k = 1; k < n; ++k) b.Set(k, k + 1, 0.1);
  for (int k = 2; k <= n; ++k) b.Set(k, 1, 0.05 * (k - 1) / 100.0);
  wb.ws.mBMat = b;
  Click("mnuIoBMat");
  Click("mnuIoLinkages");
  ASSERT_EQ(host.charts.size(), 1u);
  const ChartDescription& c = host.charts[0];
  EXPECT_EQ(c.rowLabels.size(), kLinkageChartSectors);
  EXPECT_EQ(c.series[0].values.size(), kLinkageChartSectors);
  EXPECT_EQ(c.title, "Backward and Forward Linkages of the 60 of 80 Sectors Linked Most (* key sector)");
  // The sum of the linkages of every sector shown is at least that of every sector left out.
  const LabelledMatrix& m = wb.ws.mIoMultipliers;
  const int bl = m.UpperCol() - 2, fl = m.UpperCol() - 1;
  double weakestShown = 1e9, strongestLeft = -1e9;
  for (int k = 1; k <= n; ++k) {
    const double sum = V(m, k, bl) + V(m, k, fl);
    const std::string name = CellText(m.Get(k, 0));
    const bool shown = std::any_of(c.rowLabels.begin(), c.rowLabels.end(),
                                   [&](const std::string& l) { return l == name || l == name + " *"; });
    (shown ? weakestShown : strongestLeft) = shown ? std::min(weakestShown, sum) : std::max(strongestLeft, sum);
  }
  EXPECT_GE(weakestShown, strongestLeft);
}

// RAS reports its progress to the wait window, and Cancel there balances nothing.
TEST_F(InputOutputMenu, RasCanBeCancelled) {
  const std::string prior = dir.Write("prior.csv", ",x,y\na,3,1\nb,2,4\n");
  const std::string rows = dir.Write("rows.csv", "label,value\na,50\nb,70\n");
  const std::string cols = dir.Write("cols.csv", "label,value\nx,40\ny,80\n");
  host.fileAnswers = {prior, rows, cols};
  host.cancelAt = 1;
  Click("mnuIoRas");
  EXPECT_EQ(wb.LastOutcome().kind, OutcomeKind::Cancelled);
  EXPECT_FALSE(wb.ws.mIoRas.IsFilled());
  EXPECT_TRUE(host.Messages().empty()) << host.Messages().front();
  ASSERT_GE(host.progress.size(), 2u);
  EXPECT_EQ(host.progress.front().second, 1000);
  EXPECT_EQ(host.progress.back(), (std::pair<long long, long long>{0, 0})) << "the bar is closed";

  host.cancelAt = 0;
  host.fileAnswers = {prior, rows, cols};
  Click("mnuIoRas");
  EXPECT_EQ(wb.LastOutcome().kind, OutcomeKind::Done);
  EXPECT_TRUE(wb.ws.mIoRas.IsFilled());
}

// The households named apart in the dialog (row, column) close the table; the reader's
// notices reach the box and the outcome.
TEST_F(InputOutputMenu, HouseholdsByRowAndColumn) {
  wb.ws.mBMat = M({{E, T("Farm"), T("Mill"), T("Households")},
                   {T("Farm"), 0.2, 0.3, 0.25},
                   {T("Mill"), 0.15, 0.1, 0.3},
                   {T("Households"), 0.3, 0.25, 0.0},
                   {T("CO2"), 0.1, 0.3, 0.0}});
  Click("mnuIoBMat");
  ASSERT_EQ(host.Messages().size(), 1u);
  EXPECT_NE(host.Messages()[0].find("are taken for the households, not a sector"), std::string::npos);
  ASSERT_EQ(wb.LastOutcome().notices.size(), 1u);
  EXPECT_EQ(wb.ws.mIoMultipliers.UpperRow(), 2);
  const double typeOne = V(wb.ws.mIoMultipliers, 1, 2);

  wb.ws.mBMat.Set(3, 0, std::string("Wages"));
  wb.ws.mBMat.Set(0, 3, std::string("Spending"));
  Click("mnuIoBMat");
  host.inputAnswers.push_back("Wages,Spending");
  Click("mnuIoHouseholds");
  const LabelledMatrix& m = wb.ws.mIoMultipliers;
  ASSERT_EQ(CellText(m.Get(0, 4)), "Type II Wages");
  EXPECT_GT(V(m, 1, 4), typeOne);
}

TEST_F(InputOutputMenu, BadInputsAreNamedAndNothingIsComputed) {
  struct Case {
    const char* control;
    std::vector<std::string> files;
    std::vector<std::string> inputs;
    std::string message;  // the start of the message box's text
  };
  const std::vector<Case> cases = {
      {"mnuIoBMat", {}, {}, "The input-output analysis reads the B-matrix: load one first"},
      {"mnuIoDemand", {}, {}, "Analyse a table first"},
      {"mnuIoFlows",
       {dir.Write("text.csv", ",A,B\nA,1,x1\nB,2,3\nX,10,10\n")},
       {"X"},
       dir.File("text.csv") + ": row 2 (A), column 3 (B): \"x1\" is not a number. Nothing was computed."},
      {"mnuIoFlows",
       {dir.Write("sing.csv", ",A,B\nA,2,3\nB,0,10\nX,10,10\n")},
       {"X"},
       dir.File("sing.csv") + ": I - A is singular"},
      {"mnuIoRas",
       {dir.Write("p.csv", ",x,y\na,1,2\nb,3,4\n"), dir.Write("r.csv", "label,value\na,10\nb,10\n"),
        dir.Write("c.csv", "label,value\nx,5\ny,10\n")},
       {},
       dir.File("p.csv") + ": The row targets add up to 20 but the column targets to 15"},
  };
  for (const Case& c : cases) {
    host.calls.clear();
    for (const auto& f : c.files) host.fileAnswers.push_back(f);
    for (const auto& i : c.inputs) host.inputAnswers.push_back(i);
    Click(c.control);
    const auto messages = host.Messages();
    ASSERT_EQ(messages.size(), 1u) << c.control;
    EXPECT_EQ(messages[0].substr(0, c.message.size()), c.message) << messages[0];
    EXPECT_FALSE(wb.ws.mIoLeontief.IsFilled()) << c.control;
    EXPECT_FALSE(wb.ws.mIoRas.IsFilled()) << c.control;
  }
}

}  // namespace
}  // namespace quantorial
