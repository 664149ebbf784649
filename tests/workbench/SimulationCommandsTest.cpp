// The "Model" menu on the workbench: Klein's model as a B-matrix over the Klein data, its
// multipliers, simulations, a scenario and targets into the workspace's slots, the grids and
// the chart window, each reached through the command table as the window and scripts reach it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "ScriptedHost.h"
#include "WorkbenchFixture.h"
#include "systems/Estimation.h"
#include "systems/Model.h"
#include "systems/SystemFile.h"
#include "workbench/CommandTable.h"
#include "workbench/SimulationFiles.h"
#include "workbench/SystemEstimation.h"
#include "workbench/Workbench.h"
#include "workspace/SlotTable.h"
#include "workspace/ValueRules.h"

namespace quantorial {
namespace {

const char* const kKleinBMatrix =
    ",C,I,Wp,P,W,X,K,const,G,T,A,Wg,P(-1),K(-1),X(-1)\n"
    "C,0,0,0,0.12489,0.790081,0,0,16.4408,0,0,0,0,0.163144,0,0\n"
    "I,0,0,0,-0.0130792,0,0,0,28.1778,0,0,0,0,0.755724,-0.194848,0\n"
    "Wp,0,0,0,0,0,0.400492,0,1.79722,0,0,0.149674,0,0,0,0.181291\n"
    "P,0,0,-1,0,0,1,0,0,0,-1,0,0,0,0,0\n"
    "W,0,0,1,0,0,0,0,0,0,0,0,1,0,0,0\n"
    "X,1,1,0,0,0,0,0,0,1,0,0,0,0,0,0\n"
    "K,0,1,0,0,0,0,0,0,0,0,0,0,0,1,0\n";

class ModelMenu : public testing::WorkbenchFixture {
 protected:
  void SetUp() override {
    std::string data = "Year,C,P,Wp,I,K,X,Wg,G,T,A\n";
    const double rows[][9] = {
        {39.8, 12.7, 28.8, 2.7, 182.8, 44.9, 2.2, 2.4, 3.4}, {41.9, 12.4, 25.5, -0.2, 182.6, 45.6, 2.7, 3.9, 7.7},
        {45.0, 16.9, 29.3, 1.9, 184.5, 50.1, 2.9, 3.2, 3.9}, {49.2, 18.4, 34.1, 5.2, 189.7, 57.2, 2.9, 2.8, 4.7},
        {50.6, 19.4, 33.9, 3.0, 192.7, 57.1, 3.1, 3.5, 3.8}, {52.6, 20.1, 35.4, 5.1, 197.8, 61.0, 3.2, 3.3, 5.5},
        {55.1, 19.6, 37.4, 5.6, 203.4, 64.0, 3.3, 3.3, 7.0}, {56.2, 19.8, 37.9, 4.2, 207.6, 64.4, 3.6, 4.0, 6.7},
        {57.3, 21.1, 39.2, 3.0, 210.6, 64.5, 3.7, 4.2, 4.2}, {57.8, 21.7, 41.3, 5.1, 215.7, 67.0, 4.0, 4.1, 4.0},
        {55.0, 15.6, 37.9, 1.0, 216.7, 61.2, 4.2, 5.2, 7.7}};
    for (int r = 0; r < 11; ++r) {
      data += std::to_string(1920 + r);
      for (double v : rows[r]) data += "," + ShortestText(v);
      data += "," + std::to_string(1920 + r - 1931) + "\n";
    }
    Do(ActionKind::Set, "txtData(0)", dir.Write("klein.csv", data));
    Do(ActionKind::Set, "txtData(1)", dir.Write("klein_model_BMAT.csv", kKleinBMatrix));
  }
  void Do(ActionKind kind, const std::string& control, const std::string& text = {}) {
    Action a;
    a.kind = kind;
    a.control = control;
    a.text = text;
    std::string error;
    ASSERT_TRUE(Perform(wb, a, error)) << control << ": " << error;
  }
  double Cell(const LabelledMatrix& m, const std::string& row, const std::string& col) {
    for (int i = 1; i <= m.UpperRow(); ++i)
      for (int j = 1; j <= m.UpperCol(); ++j)
        if (CellText(m.Get(i, 0)) == row && CellText(m.Get(0, j)) == col) {
          double v;
          if (m.GetDouble(i, j, v)) return v;
        }
    return NAN;
  }
};

TEST_F(ModelMenu, MultipliersIntoTheirSlotsAndAChart) {
  // The horizon (the B-matrix names its 7 endogenous variables), the exogenous variable
  // charted (the one offered).
  host.inputAnswers = {std::string("2"), std::string("G")};
  Do(ActionKind::Click, "mnuModelMultipliers");
  // Offered: the plain exogenous variables in the model's order, the first by default.
  const auto asked = host.CallsOf("InputBox");
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[1].text, "Exogenous variable to chart (G, T, A, Wg)");
  EXPECT_EQ(asked[1].offered, "G");
  EXPECT_NEAR(Cell(wb.ws.mModelImpact, "C", "G"), 0.63465, 2e-5);
  EXPECT_NEAR(Cell(wb.ws.mModelDynamic, "X (h=1)", "G"), 1.77666, 2e-5);
  EXPECT_EQ(wb.ws.mModelDynamic.UpperRow(), 21);  // 3 horizons of 7 variables
  EXPECT_TRUE(wb.ws.mModelTotal.IsFilled());
  ASSERT_EQ(host.charts.size(), 1u);
  EXPECT_EQ(host.charts[0].title, "Interim multipliers of G");
  EXPECT_EQ(host.charts[0].rowLabels.size(), 3u);
  const auto items = SelectMatrixItems(wb.ws);
  EXPECT_NE(std::find(items.begin(), items.end(), "29. Model Impact Multipliers"), items.end());
}

// The chart of the multipliers shows the exogenous variable the user names; a name that is
// not one is refused with the names it may be, and the multipliers stay in their slots.
TEST_F(ModelMenu, MultipliersChartTheExogenousVariableChosen) {
  host.inputAnswers = {std::string("2"), std::string(" Wg ")};
  Do(ActionKind::Click, "mnuModelMultipliers");
  ASSERT_EQ(host.charts.size(), 1u);
  EXPECT_EQ(host.charts[0].title, "Interim multipliers of Wg");
  EXPECT_NEAR(host.charts[0].series[0].values[0].value_or(NAN), Cell(wb.ws.mModelImpact, "C", "Wg"), 1e-12);

  host.inputAnswers = {std::string("2"), std::string("Q")};
  Do(ActionKind::Click, "mnuModelMultipliers");
  EXPECT_TRUE(wb.LastOutcome().Failed());
  EXPECT_EQ(wb.LastOutcome().message, "\"Q\" is not an exogenous variable of the model; chart one of G, T, A, Wg.");
  EXPECT_TRUE(wb.ws.mModelImpact.IsFilled());
  EXPECT_EQ(host.charts.size(), 1u);
}

// After Clear Task the menu says that no data are loaded, not that a file holds none; the
// chart's question names the variables it can show, and so does its refusal.
TEST_F(ModelMenu, SimulateWithoutDataAndChartVariableNames) {
  Do(ActionKind::Click, "mnuModelSimulate");
  ASSERT_TRUE(wb.ws.mModelSimulation.IsFilled());
  host.inputAnswers = {std::string("Q")};
  Do(ActionKind::Click, "mnuModelChart");
  EXPECT_EQ(host.CallsOf("InputBox").back().text, "Variable to chart (C, I, Wp, P, W, X, K)");
  EXPECT_EQ(wb.LastOutcome().message,
            "Q is not an endogenous variable of the simulation; chart one of C, I, Wp, P, W, X, K.");

  Do(ActionKind::Click, "cmdClear");
  Do(ActionKind::Set, "txtData(1)", dir.Write("klein_model_BMAT.csv", kKleinBMatrix));
  Do(ActionKind::Click, "mnuModelSimulate");
  EXPECT_TRUE(wb.LastOutcome().Failed());
  EXPECT_EQ(wb.LastOutcome().message, "No data are loaded: load the model's data as the primary data file.");
}

// An estimated model opened from its file is said in the text pane, not left in the wait
// window; the menu then works on it without asking for the number of endogenous variables.
TEST_F(ModelMenu, AnEstimatedModelFileIsOpenedAndUsed) {
  SystemSpec spec;
  DataTable data;
  std::string error;
  ASSERT_TRUE(
      ParseSystemFile("equation C const C(-1) P\nequation I const I(-1) P\nidentity Y = C + I + G\n", spec, error))
      << error;
  ASSERT_TRUE(DataTableFromObserved(wb.ws.mObserved, data, error)) << error;
  const EstimationOutcome estimated = EstimateSystem(spec, data, EstimationRequest());
  ASSERT_TRUE(estimated.ok) << estimated.error;
  const std::string path = dir.Write("MODEL.json", ModelToJson(estimated.model));
  host.fileAnswers = {path};
  Do(ActionKind::Click, "mnuModelOpen");
  EXPECT_EQ(wb.LastOutcome().kind, OutcomeKind::Done);
  const auto holds = host.CallsOf("HoldOn");
  EXPECT_TRUE(holds.empty() || holds.back().text.empty());
  const auto texts = host.CallsOf("PreviewText");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "Model: 3 endogenous variables from " + path + "\r\n");

  host.inputAnswers = {std::string("1")};  // the horizon: no question about the variables comes first
  Do(ActionKind::Click, "mnuModelMultipliers");
  EXPECT_EQ(wb.LastOutcome().kind, OutcomeKind::Done) << wb.LastOutcome().message;
  const auto report = host.CallsOf("PreviewText").back().text;
  EXPECT_EQ(report.find("-0.000000"), std::string::npos) << report;
  EXPECT_NE(report.find("0.000000 + 0.000000i"), std::string::npos) << report;
}

TEST(ModelReports, NumbersThatRoundToZeroHaveNoSign) {
  const struct {
    double v;
    int decimals;
    const char* text;
  } cases[] = {{-1e-17, 6, "0.000000"}, {-0.0, 2, "0.00"}, {-0.004, 2, "0.00"}, {-0.005, 2, "-0.01"},
               {-0.5, 1, "-0.5"},       {1.5, 1, "1.5"},   {NAN, 3, "-"},       {-INFINITY, 3, "-"}};
  for (const auto& c : cases) EXPECT_EQ(ReportNumber(c.v, c.decimals), c.text) << c.v;
}

TEST_F(ModelMenu, SimulateScenarioAndTargets) {
  Do(ActionKind::Click, "mnuModelSimulate");
  ASSERT_TRUE(wb.ws.mModelSimulation.IsFilled()) << ::testing::PrintToString(host.Messages());
  EXPECT_EQ(CellText(wb.ws.mModelSimulation.Get(1, 0)), "1921");
  EXPECT_EQ(wb.ws.mModelSimulation.UpperRow(), 10);  // 1921..1930
  EXPECT_GT(Cell(wb.ws.mModelAccuracy, "C", "RMSE"), 0);
  ASSERT_EQ(host.charts.size(), 1u);
  ASSERT_EQ(host.charts[0].series.size(), 2u);
  EXPECT_EQ(host.charts[0].series[0].label, "Actual C");
  EXPECT_EQ(host.charts[0].series[1].label, "Simulated C");

  host.fileAnswers = {dir.Write("s.txt", "G 1928 +1\n")};
  Do(ActionKind::Click, "mnuModelScenario");
  EXPECT_NEAR(Cell(wb.ws.mModelScenarioDiff, "1928", "C"), 0.63465, 2e-5);
  EXPECT_EQ(Cell(wb.ws.mModelScenarioDiff, "1927", "C"), 0);
  EXPECT_EQ(host.charts.back().series.back().label, "Scenario C");

  host.inputAnswers = {std::string("G, Wg")};
  host.fileAnswers = {dir.Write("t.csv", "Year,C,X\n1926,56,63\n1927,57,65\n")};
  Do(ActionKind::Click, "mnuModelTarget");
  ASSERT_TRUE(wb.ws.mModelTargets.IsFilled()) << ::testing::PrintToString(host.Messages());
  EXPECT_EQ(CellText(wb.ws.mModelTargets.Get(0, 1)), "G");
  EXPECT_NEAR(Cell(wb.ws.mModelTargets, "1927", "C"), 57, 57e-8);
  EXPECT_NEAR(Cell(wb.ws.mModelTargets, "1926", "X"), 63, 63e-8);
}

TEST_F(ModelMenu, BadInputsAreSaidAndChangeNothing) {
  struct Case {
    const char* what;
    const char* control;
    std::vector<std::optional<std::string>> inputs;
    std::string file;
    const char* message;
  };
  const Case cases[] = {
      {"unknown scenario variable",
       "mnuModelScenario",
       {},
       "s.txt|ZZ 1925 +1\n",
       "line 1: ZZ is not an exogenous variable of the model"},
      {"target year outside the data",
       "mnuModelTarget",
       {std::string("G")},
       "t.csv|Year,C\n1950,50\n",
       "the target year 1950 lies outside the data and forecast (1920–1930)"},
      {"endogenous instrument",
       "mnuModelTarget",
       {std::string("C")},
       "t.csv|Year,C\n1925,50\n",
       "The instrument C is not an exogenous variable of the model"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    host.calls.clear();
    host.inputAnswers.assign(c.inputs.begin(), c.inputs.end());
    if (!c.file.empty()) {
      const auto bar = c.file.find('|');
      host.fileAnswers = {dir.Write(c.file.substr(0, bar), c.file.substr(bar + 1))};
    }
    Do(ActionKind::Click, c.control);
    const auto messages = host.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(c.message), std::string::npos) << messages[0];
    EXPECT_TRUE(wb.LastOutcome().Failed());
    EXPECT_EQ(wb.LastOutcome().message, messages[0]);
    EXPECT_FALSE(wb.ws.mModelScenario.IsAssigned());
    EXPECT_FALSE(wb.ws.mModelTargets.IsAssigned());
    EXPECT_FALSE(wb.ws.mModelSimulation.IsAssigned());
  }
}

// The number of endogenous variables is the B-matrix's own (its first columns name its rows),
// not the number the pipeline last split by; only a B-matrix that does not say is asked about.
TEST_F(ModelMenu, TheNumberOfEndogenousVariablesIsTheModelsOwn) {
  wb.ws.nEndoVars = 4;  // as a Run ALL with 4 leaves it
  Do(ActionKind::Click, "mnuModelSimulate");
  EXPECT_TRUE(host.CallsOf("InputBox").empty());
  ASSERT_TRUE(wb.ws.mModelSimulation.IsFilled()) << ::testing::PrintToString(host.Messages());
  EXPECT_EQ(wb.ws.mModelSimulation.UpperCol(), 7);  // W, X and K are simulated, not taken as data

  Do(ActionKind::Set, "txtData(1)", dir.Write("unnamed_BMAT.csv", ",a,b,const\nC,0,0.5,1\nI,0.2,0,1\n"));
  wb.ws.mModelSimulation.Erase();
  host.inputAnswers = {std::string("40")};
  Do(ActionKind::Click, "mnuModelSimulate");
  ASSERT_EQ(host.CallsOf("InputBox").size(), 1u);
  EXPECT_TRUE(wb.LastOutcome().Failed());
  EXPECT_NE(wb.LastOutcome().message.find("must be from 1 to 2"), std::string::npos) << wb.LastOutcome().message;
}

// A forecast file loaded for other data does not stop a simulation of the data at hand: its
// years are left out, and a notice names it.
TEST_F(ModelMenu, AForecastForOtherDataIsLeftOutWithANotice) {
  LabelledMatrix other = LabelledMatrix::Dimension(0, 2, 0, 1);
  other.Set(0, 1, std::string("Z"));
  other.Set(1, 0, 1931.0);
  other.Set(2, 0, 1932.0);
  other.Set(1, 1, 1.0);
  other.Set(2, 1, 2.0);
  wb.ws.mForecastExo = other;
  Do(ActionKind::Click, "mnuModelSimulate");
  ASSERT_TRUE(wb.ws.mModelSimulation.IsFilled()) << ::testing::PrintToString(host.Messages());
  EXPECT_EQ(CellText(wb.ws.mModelSimulation.Get(wb.ws.mModelSimulation.UpperRow(), 0)), "1930");
  const auto messages = host.Messages();
  ASSERT_FALSE(messages.empty());
  EXPECT_NE(messages.back().find("the forecast data gives no value of"), std::string::npos) << messages.back();
  EXPECT_NE(messages.back().find("the simulation ends with the primary data in 1930"), std::string::npos);
}

TEST_F(ModelMenu, DecliningAQuestionCancelsAndChangesNothing) {
  struct Case {
    const char* control;
    std::vector<std::optional<std::string>> inputs;
  };
  const Case cases[] = {{"mnuModelMultipliers", {std::nullopt}}, {"mnuModelScenario", {}}, {"mnuModelTarget", {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.control);
    host.inputAnswers.assign(c.inputs.begin(), c.inputs.end());
    host.fileAnswers = {std::nullopt};
    Do(ActionKind::Click, c.control);
    EXPECT_EQ(wb.LastOutcome().kind, OutcomeKind::Cancelled);
    EXPECT_TRUE(host.Messages().empty());
    EXPECT_FALSE(wb.ws.mModelImpact.IsAssigned());
    EXPECT_FALSE(wb.ws.mModelScenario.IsAssigned());
    EXPECT_FALSE(wb.ws.mModelTargets.IsAssigned());
  }
}

}  // namespace
}  // namespace quantorial
