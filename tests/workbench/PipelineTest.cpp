#include <gtest/gtest.h>

#include "MatrixBuilder.h"
#include "ScriptedHost.h"
#include "TempDir.h"
#include "WorkbenchFixture.h"
#include "io/DataFile.h"
#include "matrix/MatrixFunctions.h"
#include "workbench/Workbench.h"
#include "workspace/ValueRules.h"

namespace quantorial {
namespace {

using testing::Dump;
using testing::E;
using testing::M;
using testing::ScriptedHost;
using testing::T;
using testing::TempDir;

class Pipeline : public testing::WorkbenchFixture {
 protected:
  // One endogenous y and one exogenous x: B1 = [0.5], B2 = [-0.5].
  void SmallModel(int shift) {
    wb.ws.mObserved = M({{T("Year"), T("y"), T("x")}, {2001.0, 10.0, 4.0}, {2002.0, 12.0, 6.0}, {2003.0, 13.0, 6.0}});
    wb.ws.mBMat = M({{E, T("y"), T("x")}, {T("y"), 0.0, 0.5}});
    wb.form.txtRows = "1";
    wb.form.txtCols = "2";
    wb.SetShift(shift);
    host.inputAnswers.push_back(std::string("1"));
    wb.cmdRunAll_Click();
  }
  double Calc(int i, int j) const { return *ArithmeticValue(wb.ws.mCalculated.Get(i, j)); }
};

// The split asks for the number of endogenous variables; an answer that is not a number
// from 1, or a cancelled question, changes nothing. A re-run asks nothing and keeps the
// selection of impact variables.
TEST_F(Pipeline, TheSplitAsksForTheNumberOfEndogenousVariables) {
  wb.ws.mBMat = M({{E, T("Y"), T("C"), T("G"), T("TAX")}, {T("Y"), 0.7, 0.5, 1.0, -0.3}, {T("C"), 0.2, 0.0, 0.0, 0.6}});
  wb.form.txtRows = "2";
  wb.form.txtCols = "4";
  for (const char* answer : {"0", "abc", "", "-2"}) {
    host.inputAnswers.push_back(std::string(answer));
    wb.cmdEXV_Click();
    EXPECT_FALSE(wb.ws.mEndo.IsAssigned()) << answer;
  }
  host.inputAnswers.push_back(std::nullopt);
  wb.cmdEXV_Click();
  EXPECT_FALSE(wb.ws.mEndo.IsAssigned());
  EXPECT_EQ(host.CallsOf("HoldOn").size(), 0u);
  EXPECT_EQ(host.CallsOf("Preview").size(), 0u);
  EXPECT_FALSE(wb.form.IsEnabled("cmdInvert"));

  host.inputAnswers.push_back(std::string("2"));
  wb.cmdEXV_Click();
  const auto asked = host.CallsOf("InputBox");
  ASSERT_EQ(asked.size(), 6u);
  EXPECT_EQ(asked.back().text, "Enter number of Endogenous Variables:");
  EXPECT_EQ(host.CallsOf("HoldOn")[0].text, "Building Endogenous and Exogenous Matrices.");
  EXPECT_EQ(host.CallsOf("HoldOn").back().text, "");
  EXPECT_EQ(host.PreviewCaptions().size(), 6u);
  EXPECT_EQ(wb.form.lstImpVars, (std::vector<std::string>{"G", "TAX"}));
  EXPECT_EQ(wb.form.lstImpVarsSelected, (std::vector<bool>{false, false}));
  EXPECT_TRUE(wb.form.IsEnabled("cmdInvert"));
  EXPECT_TRUE(wb.form.IsEnabled("chkDummy"));

  wb.form.lstImpVarsSelected = {false, true};
  wb.ws.bStageRerun = true;
  wb.cmdEXV_Click();
  EXPECT_EQ(host.CallsOf("InputBox").size(), 6u);
  EXPECT_EQ(wb.form.lstImpVarsSelected, (std::vector<bool>{false, true}));
  EXPECT_EQ(Dump(wb.ws.mCustomExo), ",\"TAX(t)\"\n\"Y\",-0.3\n\"C\",0.6\n");

  wb.cmdInvert_Click();
  for (const char* c : {"cmdMultiply", "cmdDynamicExo", "cmdDynamicEndo"}) EXPECT_TRUE(wb.form.IsEnabled(c)) << c;
  wb.cmdMultiply_Click();
  for (const char* c : {"cmdTrend", "cmdForecast", "cmdReciprocal"}) EXPECT_TRUE(wb.form.IsEnabled(c)) << c;
  // Each answer that is not a number of variables was told (the cancelled question was not).
  const auto messages = host.Messages();
  ASSERT_EQ(messages.size(), 4u);
  EXPECT_NE(messages[1].find("\"abc\" is not a number of endogenous variables"), std::string::npos) << messages[1];
}

TEST_F(Pipeline, TrendWorkedExample) {
  SmallModel(0);
  EXPECT_EQ(Dump(wb.ws.mCalculated), "\"Year\",\"y\"\n2001,\n2002,11\n2003,12\n");
  EXPECT_EQ(wb.ws.mCalcBase, wb.ws.mCalculated);
  EXPECT_FALSE(wb.ws.mCalcLevels.IsFilled() && IsNumber(wb.ws.mCalcLevels.Get(2, 1)));
  EXPECT_EQ(wb.form.cboPlot, (std::vector<std::string>{"1=y"}));
  EXPECT_EQ(wb.form.cboPlotIndex, 0);
  EXPECT_TRUE(wb.form.IsEnabled("cmdChart"));
  EXPECT_TRUE(wb.form.IsEnabled("cmdRunAll"));
  EXPECT_FALSE(wb.ws.bStageRerun);
  EXPECT_EQ(host.CallsOf("HoldOn").front().text, "Running All Stages. This may take sometime...");
  for (const auto& c : host.CallsOf("Preview")) EXPECT_NE(c.text == "Plot Matrix" ? c.number : 2, 3);
}

TEST_F(Pipeline, ThePredictionShift) {
  SmallModel(1);  // the default: y^(t) in the row of year t - 1
  EXPECT_EQ(Dump(wb.ws.mCalculated), "\"Year\",\"y\"\n2001,11\n2002,12\n");
  wb.SetShift(-1);
  wb.cmdTrend_Click();
  EXPECT_EQ(Dump(wb.ws.mCalculated), "\"Year\",\"y\"\n2001,\n2002,\n2003,11\n,12\n");
}

TEST_F(Pipeline, ReuseFeedsOnTheCalculatedValueAndKeepsTheSeries) {
  SmallModel(0);
  wb.form.cboPlotIndex = 0;
  wb.form.chkReuse = 1;
  wb.chkReuse_Click();
  // y^(3) = y^(2) + 0.5 * 6 - 0.5 * 6 = 11.
  EXPECT_EQ(Calc(3, 1), 11.0);
  EXPECT_EQ(Calc(2, 1), 11.0);
  EXPECT_FALSE(wb.ws.bStageRerun);
  // With a shift the previous calculated value is read from its shifted row.
  wb.SetShift(1);
  wb.chkReuse_Click();
  EXPECT_EQ(Dump(wb.ws.mCalculated), "\"Year\",\"y\"\n2001,11\n2002,11\n");
}

TEST_F(Pipeline, LevelsOfASplitTable) {
  // Change series in the first half of the columns, levels in the second.
  wb.ws.mObserved = M({{T("Year"), T("dy"), T("dx"), T("y"), T("x")},
                       {2001.0, 0.0, 0.0, 100.0, 50.0},
                       {2002.0, 2.0, 2.0, 102.0, 52.0},
                       {2003.0, 1.0, 0.0, 103.0, 52.0}});
  wb.ws.mBMat = M({{E, T("dy"), T("dx")}, {T("dy"), 0.0, 0.5}});
  wb.form.txtRows = "1";
  wb.form.txtCols = "2";
  wb.ws.bTableSplit = true;
  wb.SetShift(0);
  host.inputAnswers.push_back(std::string("1"));
  wb.cmdEXV_Click();
  wb.cmdInvert_Click();
  wb.cmdMultiply_Click();
  wb.cmdTrend_Click();
  // y^(2) = 0 + 0.5 * 2 - 0.5 * 0 = 1; level 100 + 1.
  EXPECT_EQ(Dump(wb.ws.mCalcLevels), "\"Year\",\"y\"\n2001,\n2002,101\n2003,103\n");
  bool levelsShown = false;
  for (const auto& c : host.CallsOf("Preview")) levelsShown |= c.number == 3 && c.text == "Plot Matrix";
  EXPECT_TRUE(levelsShown);
}

class Forecast : public Pipeline {
 protected:
  // Runs the forecast over the years of a forecast file of x values.
  void Run(const std::string& rows, const char* from, const char* to) {
    const std::string path = dir.Write("forecast.csv", "Year,x\n" + rows);
    host.forecastScript = [path, from, to](ForecastOptions& d) {
      d.SetTxtData(path);
      if (from) d.txtFromYear = from;
      if (to) d.txtToYear = to;
    };
    wb.cmdForecast_Click();
  }
};

// Before a forecast file is chosen the dialog offers the data's own years: the calculated
// period, and the year after the data's last as the forecast's.
TEST_F(Forecast, TheDialogStartsFromTheData) {
  SmallModel(0);
  std::string period;
  host.forecastScript = [&period](ForecastOptions& d) {
    period = d.txtFromYr + "-" + d.txtToYr + " " + d.txtFromYear + "-" + d.txtToYear;
  };
  host.forecastOk = false;
  wb.cmdForecast_Click();
  EXPECT_EQ(period, "2001-2003 2004-2004");
}

TEST_F(Forecast, AppendedAfterTheCalculatedPeriod) {
  SmallModel(0);
  Run("2004,8\n2005,8\n2006,9\n", nullptr, nullptr);
  EXPECT_TRUE(host.Messages().empty());
  // 2004: 12 + 0.5*8 - 0.5*6 = 13; 2005: 13 + 0; 2006: 13 + 0.5*9 - 0.5*8 = 13.5.
  EXPECT_EQ(Dump(wb.ws.mForecast), "\"Year\",\"y\"\n2001,\n2002,11\n2003,12\n2004,13\n2005,13\n2006,13.5\n");
  EXPECT_EQ(wb.ws.mCalculated, wb.ws.mCalcBase);
  EXPECT_TRUE(wb.ws.bForecastDone);
  EXPECT_TRUE(wb.ws.bForecastDataLoaded);
  ASSERT_NE(wb.ForecastDialog(), nullptr);
  EXPECT_EQ(wb.ForecastDialog()->txtFromYr, "2001");
  EXPECT_EQ(wb.ForecastDialog()->txtToYr, "2003");
  EXPECT_EQ(wb.ForecastDialog()->txtFromYear, "2004");
  EXPECT_EQ(wb.ForecastDialog()->txtToYear, "2006");
  // The forecast shows its matrices, then draws its chart, which shows the sources.
  std::vector<std::string> last;
  const auto previews = host.CallsOf("Preview");
  for (std::size_t i = previews.size() - 6; i < previews.size(); ++i) {
    last.push_back(std::to_string(previews[i].number) + ":" + previews[i].text);
  }
  EXPECT_EQ(last, (std::vector<std::string>{"0:Matrix Plot", "1:Matrix mForecast Plot", "2:Matrix Trend",
                                            "0:trend matrix", "1:predicted matrix", "2:forecast matrix"}));
  ASSERT_FALSE(host.charts.empty());
  EXPECT_EQ(host.charts.back().series.back().label, "Forecast y");
  EXPECT_TRUE(host.chartsCopied.back());
  // A new trend analysis erases the forecast and unloads the dialog.
  wb.cmdTrend_Click();
  EXPECT_FALSE(wb.ws.mForecast.IsAssigned());
  EXPECT_FALSE(wb.ws.bForecastDone);
  EXPECT_EQ(wb.ForecastDialog(), nullptr);
}

TEST_F(Forecast, ABrokenSeriesIsReportedOnceAndForecastAnyway) {
  SmallModel(0);
  Run("2005,8\n2006,8\n", nullptr, nullptr);
  EXPECT_EQ(host.Messages(), (std::vector<std::string>{"Broken time series..."}));
  EXPECT_EQ(wb.ws.mForecast.UpperRow(), 5);
  EXPECT_EQ(CellText(wb.ws.mForecast.Get(5, 0)), "2006");
}

TEST_F(Forecast, OverlappingYearsOverwriteTheirRows) {
  SmallModel(0);
  Run("2003,6\n2004,6\n", nullptr, nullptr);
  // 2003 overwrites its row starting from 2002's 11: 11 + 0.5*6 - 0.5*6 = 11; 2004 follows 2003.
  EXPECT_EQ(Dump(wb.ws.mForecast), "\"Year\",\"y\"\n2001,\n2002,11\n2003,11\n2004,11\n");
}

TEST_F(Forecast, SameValuesEveryYearRepeatTheYearBefore) {
  SmallModel(0);
  Run("2004,6\n2005,6\n2006,6\n", nullptr, nullptr);
  EXPECT_EQ(Dump(wb.ws.mForecast), "\"Year\",\"y\"\n2001,\n2002,11\n2003,12\n2004,12\n2005,12\n2006,12\n");
}

TEST_F(Forecast, FirstYearTakesTheObservedValueOfTheSameVariable) {
  // Two exogenous variables, only the second (z) selected: x(t-1) of the first forecast
  // year must be z's last observed value, not x's.
  wb.ws.mObserved = M({{T("Year"), T("y"), T("x"), T("z")}, {2001.0, 10.0, 100.0, 4.0}, {2002.0, 12.0, 200.0, 6.0}});
  wb.ws.mBMat = M({{E, T("y"), T("x"), T("z")}, {T("y"), 0.0, 1.0, 0.5}});
  wb.form.txtRows = "1";
  wb.form.txtCols = "3";
  wb.SetShift(0);
  host.inputAnswers.push_back(std::string("1"));
  wb.cmdRunAll_Click();
  wb.form.lstImpVarsSelected = {false, true};
  wb.lstImpVars_Click();
  EXPECT_EQ(Dump(wb.ws.mCustomExo), ",\"z(t)\"\n\"y\",0.5\n");
  const std::string path = dir.Write("z.csv", "Year,z\n2003,10\n");
  host.forecastScript = [path](ForecastOptions& d) { d.SetTxtData(path); };
  wb.cmdForecast_Click();
  // From the calculated 2002 (10 + 0.5 * 6 - 0.5 * 4 = 11): 11 + 0.5 * 10 - 0.5 * 6. Taking
  // x's 200 by position would give -84.
  EXPECT_EQ(CellText(wb.ws.mForecast.Get(3, 1)), "13");
}

TEST_F(Forecast, TheFirstYearsLagIsTheObservedYearBeforeIt) {
  SmallModel(0);
  // Starting inside the calculated period, in 2002: x(t-1) is 2001's observed 4 (not the
  // last row's 6). 2002: 0 + 0.5 * 8 - 0.5 * 4 = 2 (row 2001 is empty); 2003: 2 + 0.
  Run("2002,8\n2003,8\n", nullptr, nullptr);
  EXPECT_EQ(Dump(wb.ws.mForecast), "\"Year\",\"y\"\n2001,\n2002,2\n2003,2\n");
}

// A typo in the last year (20013 for 2013) runs at once, grows the matrix once and says
// which years had no exogenous values.
TEST_F(Forecast, YearsBeyondTheFileAreTold) {
  SmallModel(0);
  Run("2004,8\n2005,8\n2006,9\n", nullptr, "20013");
  ASSERT_EQ(wb.ws.mForecast.UpperRow(), 3 + (20013 - 2004 + 1));
  EXPECT_EQ(CellText(wb.ws.mForecast.Get(wb.ws.mForecast.UpperRow(), 0)), "20013");
  // From 2007 on x = 0 and x(t-1) = 0, so the series stays where 2007 left it.
  EXPECT_EQ(CellText(wb.ws.mForecast.Get(wb.ws.mForecast.UpperRow(), 1)), CellText(wb.ws.mForecast.Get(7, 1)));
  ASSERT_EQ(host.Messages().size(), 1u);
  EXPECT_NE(host.Messages()[0].find("The forecast years 2007 to 20013 lie beyond the forecast file's 3 rows: their "
                                    "exogenous values count as 0."),
            std::string::npos)
      << host.Messages()[0];
  EXPECT_EQ(host.calls.back().kind, "Preview");  // told before the chart is drawn over it
  EXPECT_EQ(host.CallsOf("Chart").size(), 2u);
}

TEST_F(Forecast, FileProblemsAreToldOnce) {
  const struct {
    const char* what;
    std::string file;
    std::vector<std::string> parts;
  } cases[] = {
      {"well formed", "Year,x\n2004,8\n2005,8\n", {}},
      {"a year left out",
       "Year,x\n2004,8\n2006,8\n",
       {"The forecast file's rows are read as one year after another from 2004, but row 2 (2006) is read as 2005."}},
      {"another variable", "Year,z\n2004,8\n2005,8\n", {"column 1 is \"z\" where the model has \"x\""}},
      {"text in a number cell",
       "Year,x\n2004,8\n2005,n.a.\n",
       {"Forecast file cells that are not numbers take no part: \"n.a.\" (row 2, column 1)."}},
  };
  for (const auto& c : cases) {
    SmallModel(0);
    host = ScriptedHost();
    const std::string path = dir.Write(std::string(c.what) + ".csv", c.file);
    host.forecastScript = [path](ForecastOptions& d) {
      d.SetTxtData(path);
      d.txtToYear = "2005";
    };
    wb.cmdForecast_Click();
    EXPECT_EQ(wb.ws.mForecast.UpperRow(), 5) << c.what;
    const auto messages = host.Messages();
    if (c.parts.empty()) {
      EXPECT_TRUE(messages.empty()) << c.what;
      continue;
    }
    ASSERT_EQ(messages.size(), 1u) << c.what;
    for (const auto& part : c.parts)
      EXPECT_NE(messages[0].find(part), std::string::npos) << c.what << ": " << messages[0];
  }
}

TEST_F(Forecast, WithoutACalculatedSeriesNothingHappens) {
  host.forecastScript = [](ForecastOptions&) {};
  wb.cmdForecast_Click();
  EXPECT_FALSE(wb.ws.mForecast.IsAssigned());
  EXPECT_EQ(host.CallsOf("ForecastOptions").size(), 1u);
  EXPECT_TRUE(host.CallsOf("HoldOn").empty());
}

TEST_F(Pipeline, RunAllReusesNumberAndSelection) {
  SmallModel(0);
  wb.form.lstImpVarsSelected = {true};
  wb.form.chkDummy = 1;
  wb.chkDummy_Click();
  EXPECT_EQ(host.CallsOf("InputBox").size(), 1u);  // asked once, at the first run
  EXPECT_EQ(wb.form.lstImpVarsSelected, (std::vector<bool>{true}));
  EXPECT_FALSE(wb.ws.bStageRerun);
  EXPECT_TRUE(wb.form.IsEnabled("chkDummy"));
}

// An option changed when its stage cannot run, or a re-run on data since replaced, must not
// make the next run skip its question and reuse an old model's number and selection.
TEST_F(Pipeline, ARerunFlagNeverOutlivesItsPress) {
  const auto data = [this] {
    wb.ws.mObserved = M({{T("Year"), T("y"), T("x")}, {2001.0, 10.0, 4.0}, {2002.0, 12.0, 6.0}, {2003.0, 13.0, 6.0}});
    wb.ws.mBMat = M({{E, T("y"), T("x")}, {T("y"), 0.0, 0.5}});
    wb.form.txtRows = "1";
    wb.form.txtCols = "2";
    wb.form.Enable("cmdRunAll", true);
    wb.form.chkReuse = 0;
    wb.SetShift(1);
  };
  const std::vector<std::pair<const char*, std::function<void()>>> before = {
      {"ABS before any model",
       [&] {
         wb.form.chkAbs = 1;
         wb.chkAbs_Click();
       }},
      {"Reuse before any model",
       [&] {
         wb.form.chkReuse = 1;
         wb.chkReuse_Click();
       }},
      {"ABS on a model, then new data",
       [&] {
         SmallModel(0);
         wb.form.chkAbs = 1;
         wb.chkAbs_Click();
         wb.SetTxtData(0, dir.Write("other.csv", "Year,y,x\n2001,1,2\n2002,2,3\n"));
       }},
  };
  for (const auto& [what, step] : before) {
    host = ScriptedHost();
    wb.ws.nEndoVars = 0;
    data();
    step();
    EXPECT_FALSE(wb.ws.bStageRerun) << what;
    data();
    const std::size_t asked = host.CallsOf("InputBox").size();
    host.inputAnswers.push_back(std::string("1"));
    wb.cmdRunAll_Click();
    EXPECT_EQ(host.CallsOf("InputBox").size(), asked + 1) << what;
    EXPECT_EQ(wb.ws.nEndoVars, 1) << what;
    EXPECT_EQ(Dump(wb.ws.mCalculated), "\"Year\",\"y\"\n2001,11\n2002,12\n") << what;
  }
}

// Cancel means cancel: a cancelled number of endogenous variables ends Run ALL, a
// cancelled "Forecast Options" forecasts nothing.
TEST_F(Pipeline, CancelStopsTheRunAndTheForecast) {
  SmallModel(0);
  const LabelledMatrix inverse = wb.ws.mEndoInverse, calculated = wb.ws.mCalculated;
  wb.ws.mBMat = M({{E, T("y"), T("x")}, {T("y"), 0.0, 0.9}});  // a new model that must not be built
  host = ScriptedHost();
  wb.cmdRunAll_Click();  // no answer queued: the question is cancelled
  EXPECT_EQ(host.CallsOf("InputBox").size(), 1u);
  EXPECT_EQ(wb.ws.nEndoVars, 1);
  EXPECT_EQ(wb.ws.mEndoInverse, inverse);
  EXPECT_EQ(wb.ws.mCalculated, calculated);
  EXPECT_TRUE(host.charts.empty());
  EXPECT_TRUE(host.Messages().empty());
  EXPECT_TRUE(wb.form.IsEnabled("cmdRunAll"));
  EXPECT_EQ(host.CallsOf("HoldOn").back().text, "");

  wb.ws.mBMat = M({{E, T("y"), T("x")}, {T("y"), 0.0, 0.5}});
  const std::string path = dir.Write("f.csv", "Year,x\n2004,8\n");
  host.forecastScript = [path](ForecastOptions& d) { d.SetTxtData(path); };
  host.forecastOk = false;
  wb.cmdForecast_Click();
  EXPECT_FALSE(wb.ws.mForecast.IsAssigned());
  EXPECT_FALSE(wb.ws.bForecastDone);
  EXPECT_TRUE(host.charts.empty());
}

// Whatever the stages computed through is told once, at the end of the run, naming the
// cells or names; a well-formed model says nothing.
TEST_F(Pipeline, RunAllTellsWhatTheResultsRestOn) {
  const auto observed = M({{T("Year"), T("y1"), T("y2"), T("Wg")},
                           {2001.0, 10.0, 5.0, 4.0},
                           {2002.0, 12.0, 6.0, 6.0},
                           {2003.0, 13.0, 8.0, 6.0}});
  const struct {
    const char* what;
    LabelledMatrix bmat;
    const char* endo;
    std::vector<std::string> notices;  // parts of the one message, in order
  } cases[] = {
      {"well formed", M({{E, T("y1"), T("y2"), T("Wg")}, {T("y1"), 0.0, 0.2, 0.5}, {T("y2"), 0.1, 0.0, 0.3}}), "2", {}},
      {"singular I - B",
       M({{E, T("y1"), T("y2"), T("Wg")}, {T("y1"), 0.0, 1.0, 0.5}, {T("y2"), 1.0, 0.0, 0.3}}),
       "2",
       {"The inversion of I - B failed: \"SINGULAR MATRIX FOR K = 2\" stands in its first cell"}},
      {"N above the rows",
       M({{E, T("y1"), T("y2"), T("Wg")}, {T("y1"), 0.0, 0.2, 0.5}}),
       "3",
       {"3 endogenous variables were asked for, but the B-matrix has only 1 rows",
        "No exogenous columns are left after the first 3 columns of the B-matrix"}},
      {"no exogenous columns",
       M({{E, T("y1"), T("y2")}, {T("y1"), 0.0, 0.2}, {T("y2"), 0.1, 0.0}}),
       "2",
       {"No exogenous columns are left after the first 2 columns of the B-matrix"}},
      {"a name the data do not have",
       M({{E, T("y1"), T("y2"), T("WG")}, {T("y1"), 0.0, 0.2, 0.5}, {T("y2"), 0.1, 0.0, 0.3}}),
       "2",
       {"No data series for the exogenous variable \"WG\""}},
      {"a text cell",
       M({{E, T("y1"), T("y2"), T("Wg")}, {T("y1"), 0.0, T("n/a"), 0.5}, {T("y2"), 0.1, 0.0, 0.3}}),
       "2",
       {"B-matrix cells that are not numbers take no part: \"n/a\" (row y1, column y2)."}},
      {"not a number of variables",
       M({{E, T("y1"), T("y2"), T("Wg")}, {T("y1"), 0.0, 0.2, 0.5}}),
       "two",
       {"\"two\" is not a number of endogenous variables"}},
  };
  for (const auto& c : cases) {
    host = ScriptedHost();
    wb.ws = Workspace();
    wb.ws.mObserved = observed;
    wb.ws.mBMat = c.bmat;
    wb.form.txtRows = std::to_string(c.bmat.UpperRow());
    wb.form.txtCols = std::to_string(c.bmat.UpperCol());
    wb.SetShift(0);
    host.inputAnswers.push_back(std::string(c.endo));
    wb.cmdRunAll_Click();
    const auto messages = host.Messages();
    if (c.notices.empty()) {
      EXPECT_TRUE(messages.empty()) << c.what << ": " << (messages.empty() ? "" : messages[0]);
      continue;
    }
    ASSERT_EQ(messages.size(), 1u) << c.what;
    std::size_t at = 0;
    for (const auto& part : c.notices) {
      at = messages[0].find(part, at);
      EXPECT_NE(at, std::string::npos) << c.what << ": " << messages[0];
    }
    // The notice comes when the computing is over, just before the chart comes up over it.
    std::vector<std::string> kinds;
    for (const auto& call : host.calls) {
      if (call.kind == "MsgBox" || call.kind == "Chart" || call.kind == "InputBox") kinds.push_back(call.kind);
    }
    const std::vector<std::string> expected = host.charts.empty()
                                                  ? std::vector<std::string>{"InputBox", "MsgBox"}
                                                  : std::vector<std::string>{"InputBox", "MsgBox", "Chart"};
    EXPECT_EQ(kinds, expected) << c.what;
  }
}

TEST_F(Pipeline, OptionsBeforeTheModelOnlyRecordThemselves) {
  wb.form.chkDummy = 1;
  wb.chkDummy_Click();
  wb.form.chkReuse = 1;
  wb.chkReuse_Click();
  wb.lstImpVars_Click();
  wb.chkAbs_Click();
  wb.txtScale_Change();
  EXPECT_TRUE(host.calls.empty());  // nothing ran, nothing was drawn
}

TEST_F(Pipeline, ClearTaskDisablesTheChainUntilDataComeBack) {
  SmallModel(0);
  wb.cmdClear_Click();
  for (const char* c : {"cmdRunAll", "cmdEXV", "cmdInvert", "cmdMultiply", "cmdTrend", "cmdChart", "cmdForecast"}) {
    EXPECT_FALSE(wb.form.IsEnabled(c)) << c;
  }
  EXPECT_FALSE(wb.ws.mCalculated.IsAssigned());
  EXPECT_FALSE(wb.ws.mObserved.IsAssigned());
  EXPECT_TRUE(wb.ws.mEndo.IsAssigned());  // other stages' results stay
  EXPECT_TRUE(wb.form.cboPlot.empty());
  EXPECT_TRUE(wb.form.lstImpVars.empty());
}

TEST_F(Pipeline, SplitTableIntoQuadrants) {
  LabelledMatrix b = LabelledMatrix::Dimension(5, 7);
  for (int j = 1; j <= 7; ++j) b.Set(0, j, "c" + std::to_string(j));
  for (int i = 1; i <= 5; ++i) {
    b.Set(i, 0, "r" + std::to_string(i));
    for (int j = 1; j <= 7; ++j) b.Set(i, j, 10.0 * i + j);
  }
  wb.ws.mBMat = b;
  wb.cmdSplitTable_Click();
  for (const LabelledMatrix* q : {&wb.ws.mBMatQ1, &wb.ws.mBMatQ2, &wb.ws.mBMatQ3, &wb.ws.mBMatQ4}) {
    EXPECT_EQ(q->UpperRow(), 2);
    EXPECT_EQ(q->UpperCol(), 3);
  }
  EXPECT_EQ(Dump(wb.ws.mBMatQ4), ",\"c4\",\"c5\",\"c6\"\n\"r3\",34,35,36\n\"r4\",44,45,46\n");
  EXPECT_EQ(Dump(wb.ws.mBMatQ2), ",\"c4\",\"c5\",\"c6\"\n\"r1\",14,15,16\n\"r2\",24,25,26\n");
  EXPECT_EQ(wb.ws.mBMat, wb.ws.mBMatQ1);  // the first quadrant is chosen at once
  EXPECT_TRUE(wb.ws.bTableSplit);
  EXPECT_FALSE(wb.form.IsEnabled("cmdSplitTable"));
  // A 4 x 6 B-matrix: quadrant 4 holds mBMat(3, 4) at (1, 1).
  wb.ws.mBMat = SubMatrix(b, 1, 3, 1, 1, 0);
  wb.form.Enable("cmdSplitTable", true);
  wb.cmdSplitTable_Click();
  host = ScriptedHost();
  wb.cmdQ_Click(3);
  EXPECT_EQ(wb.form.txtRows, "2");
  EXPECT_EQ(wb.form.txtCols, "3");
  EXPECT_EQ(wb.ws.mBMat.Get(1, 1), Cell(34.0));
  EXPECT_EQ(host.CallsOf("Preview").at(0).text, "Normal BMAT Matrix Q4");
  EXPECT_TRUE(wb.form.IsEnabled("cmdEXV"));
}

}  // namespace
}  // namespace quantorial

namespace quantorial {
namespace {

class ChartCommands : public Pipeline {
 protected:
  SettingsStore store{dir.File("store")};
  Workbench stored{host, &store, dir.path().string()};
};

TEST_F(ChartCommands, OptionsDialogOkCancelAndDefaults) {
  // OK writes every control's text.
  host.chartOptionsScript = [](ChartOptionsState& d) {
    EXPECT_EQ(d.Get("MarkerSize"), "9.6");
    EXPECT_EQ(d.Get("Charts"), "0 - ALL");
    d.Set("ChartTitle", "Klein");
    d.Set("MarkerSize", "11");
    d.Set("AllGraphs", "0");
    d.OKButton_Click();
  };
  stored.cmdChartTitle_Click();
  EXPECT_EQ(store.Get("quantorial", "ChartTitle"), "Klein");
  EXPECT_EQ(store.Get("quantorial", "MarkerSize"), "11");
  EXPECT_EQ(store.Get("quantorial", "ShiftPrediction"), "1");  // written too, with what it showed
  const ChartSettings s = stored.ReadChartSettings();
  EXPECT_EQ(s.markerSize, 11.0);
  EXPECT_FALSE(s.allGraphs);
  // Cancel after changes writes nothing.
  host.chartOptionsScript = [](ChartOptionsState& d) {
    EXPECT_EQ(d.Get("ChartTitle"), "Klein");
    d.Set("ChartTitle", "changed");
    d.CancelButton_Click();
  };
  stored.cmdChartTitle_Click();
  EXPECT_EQ(store.Get("quantorial", "ChartTitle"), "Klein");
  // Defaults, then a new opening shows them.
  host.chartOptionsScript = [](ChartOptionsState& d) { d.cmdDefaults_Click(); };
  stored.cmdChartTitle_Click();
  host.chartOptionsScript = [](ChartOptionsState& d) {
    EXPECT_EQ(d.Get("ChartTitle"), "");
    EXPECT_EQ(d.Get("MarkerSize"), "9.6");
    EXPECT_EQ(d.Get("AllGraphs"), "1");
  };
  stored.cmdChartTitle_Click();
  // Clear Task empties the stored title.
  store.SaveDbSetting("quantorial", "ChartTitle", "fixed");
  stored.cmdClear_Click();
  EXPECT_EQ(store.Get("quantorial", "ChartTitle"), "");
}

TEST_F(ChartCommands, DrawingReadsTheWindowAndTheSettings) {
  SmallModel(0);
  ASSERT_FALSE(host.charts.empty());  // the trend ended with its chart
  EXPECT_EQ(host.charts.back().title, "Y CHART");
  EXPECT_EQ(host.charts.back().series.size(), 2u);
  EXPECT_EQ(host.CallsOf("HoldOn").back().text, "");
  wb.form.chkAbs = 1;
  wb.form.txtScale = "1";
  wb.chkAbs_Click();
  EXPECT_EQ(host.charts.back().yTitle, "y ('0)");
  EXPECT_EQ(*host.charts.back().series[1].values[1], 1.1);
  EXPECT_TRUE(wb.form.IsEnabled("cboPlot"));
  // "Do Not Copy Chart to Clipboard".
  store.SaveDbSetting("quantorial", "DontCopyChart", "1");
  stored.cmdChart_Click();
  EXPECT_FALSE(host.chartsCopied.back());
}

}  // namespace
}  // namespace quantorial

namespace quantorial {
namespace {

class Regressions : public Pipeline {};

TEST_F(Regressions, NormalVariableMakesTheSecondaryFile) {
  std::string rows = "Year,GDP,INV\n";
  for (int t = 1; t <= 12; ++t) {
    rows +=
        std::to_string(1990 + t) + "," + std::to_string(100 + 3 * t + (t % 3)) + "," + std::to_string(20 + t) + "\n";
  }
  const std::string data = dir.Write("gdp.csv", rows);
  wb.SetTxtData(0, data);
  host = ScriptedHost();
  wb.mnuNormal_Click();
  EXPECT_EQ(wb.form.txtData[1], dir.File("gdp_NOR_BMAT.CSV"));
  EXPECT_TRUE(wb.ws.mBMat.IsFilled());
  EXPECT_EQ(wb.form.txtRows, "2");
  EXPECT_EQ(wb.form.txtCols, "2");
  const std::vector<std::string> captions = host.PreviewCaptions();
  EXPECT_EQ(captions.back(), "3:Normal AMAT Matrix @ 5% Sig.");
  EXPECT_EQ(captions[captions.size() - 2], "2:Normal BMAT Matrix @ 5% Sig.");
  EXPECT_TRUE(wb.form.IsEnabled("cmdEXV"));
  // Twelve periods: 10 degrees of freedom; the lead method has one period fewer.
  const std::string report = TempDir::Read(dir.File("gdp_REG_NOR.CSV"));
  EXPECT_NE(report.find("Tabulated T-Value(0.05) at 10df is 2.228\r\n"), std::string::npos);
  EXPECT_NE(report.find("Tabulated T-Value(0.01) at 10df is 3.169\r\n"), std::string::npos);
  wb.form.useOnePercent = true;
  wb.RunRegressionMenu(RegMethod::Lead);
  const std::string lead = TempDir::Read(dir.File("gdp_REG_LEAD.CSV"));
  EXPECT_NE(lead.find("Tabulated T-Value(0.05) at 9df is 2.262\r\n"), std::string::npos);
  EXPECT_NE(lead.find("Tabulated T-Value(0.01) at 9df is 3.25\r\n"), std::string::npos);
  EXPECT_EQ(host.CallsOf("Preview").back().text, "Lead BMAT Matrix");
  // Forty periods under the normal method fall into class 31.
  rows = "Year,A,B\n";
  for (int t = 1; t <= 40; ++t)
    rows += std::to_string(t) + "," + std::to_string(t * t % 17) + "," + std::to_string(t) + "\n";
  wb.SetTxtData(0, dir.Write("forty.csv", rows));
  wb.mnuNormal_Click();
  EXPECT_NE(TempDir::Read(dir.File("forty_REG_NOR.CSV")).find("at 31df is 2.021\r\n"), std::string::npos);
  // Method 3 writes its tables again as workbooks, one row per dependent variable.
  wb.RunRegressionMenu(RegMethod::Constant);
  const auto b = ReadDataFile(dir.File("forty_CON_BMAT.xlsx"));
  EXPECT_EQ(b.error, "");
  EXPECT_EQ(b.matrix.UpperRow(), 2);
  EXPECT_EQ(b.matrix.UpperCol(), 1);
}

// "Create B-Matrix" beside a B table of the same name (the bundled sample's, say) keeps the
// earlier one under a numbered name and says so; the same tables again replace nothing.
TEST_F(Regressions, EarlierTablesAreKeptAndNamed) {
  const std::string data = dir.Write("k.csv", "Year,C,P\n1,1,2\n2,2,1\n3,4,5\n4,3,3\n5,6,4\n");
  const std::string earlierB = ",C,P\nC,0,0.5\nP,0.25,0\n";
  dir.Write("k_NOR_BMAT.CSV", earlierB);
  wb.SetTxtData(0, data);
  host = ScriptedHost();
  wb.mnuNormal_Click();
  EXPECT_EQ(TempDir::Read(dir.File("k_NOR_BMAT~1.CSV")), earlierB);
  ASSERT_EQ(host.Messages().size(), 1u);
  EXPECT_EQ(host.Messages()[0], "The earlier regression tables were kept, not replaced:\n\"" +
                                    dir.File("k_NOR_BMAT.CSV") + "\" is now \"" + dir.File("k_NOR_BMAT~1.CSV") + "\"");
  EXPECT_EQ(host.CallsOf("MsgBox")[0].number & 0xF0, vbInformation);
  EXPECT_EQ(wb.form.txtData[1], dir.File("k_NOR_BMAT.CSV"));
  host = ScriptedHost();
  wb.mnuNormal_Click();
  EXPECT_TRUE(host.Messages().empty());
  EXPECT_FALSE(std::filesystem::exists(dir.File("k_NOR_BMAT~2.CSV")));
}

// Without data both commands keep their message and add what to do: load a file first.
TEST_F(Regressions, ChangeOrBMatrixWithoutDataSaysWhatToDo) {
  for (const auto command : {&Workbench::mnuLagChangeTrans_Click, &Workbench::mnuNormal_Click}) {
    host = ScriptedHost();
    (wb.*command)();
    ASSERT_EQ(host.Messages().size(), 1u);
    EXPECT_EQ(host.Messages()[0].rfind(kInvalidDataPrompt, 0), 0u) << host.Messages()[0];
    EXPECT_NE(host.Messages()[0].find("load a primary data file first"), std::string::npos) << host.Messages()[0];
    EXPECT_EQ(host.CallsOf("MsgBox")[0].title, "Error! Invalid Data");
    EXPECT_FALSE(wb.ws.mChangeData.IsAssigned());
    EXPECT_FALSE(wb.ws.mBMat.IsAssigned());
  }
}

// A data file with names but no values: every regression command shows the invalid-data box
// saying what the file lacks, writes no table and keeps no B-matrix.
TEST_F(Regressions, DataWithoutValuesShowTheInvalidDataBox) {
  wb.SetTxtData(0, dir.Write("names.csv", "Year,C,P\n"));
  const std::vector<std::pair<RegMethod, const char*>> commands = {{RegMethod::Normal, "names_NOR_BMAT.CSV"},
                                                                   {RegMethod::Lead, "names_LED_BMAT.CSV"},
                                                                   {RegMethod::Lag, "names_LAG_BMAT.CSV"},
                                                                   {RegMethod::Constant, "names_CON_BMAT.CSV"}};
  for (const auto& [method, table] : commands) {
    host = ScriptedHost();
    if (method == RegMethod::Normal) {
      wb.mnuNormal_Click();
    } else {
      wb.RunRegressionMenu(method);
    }
    ASSERT_EQ(host.Messages().size(), 1u) << table;
    EXPECT_EQ(host.Messages()[0], std::string(kInvalidDataPrompt) +
                                      "\n\nThe primary data file holds no series to work on: it needs a row of "
                                      "names and at least one row of values.");
    EXPECT_EQ(host.CallsOf("MsgBox")[0].title, "Error! Invalid Data");
    EXPECT_FALSE(std::filesystem::exists(dir.File(table))) << table;
    EXPECT_FALSE(wb.ws.mBMat.IsAssigned());
  }
}

TEST_F(Regressions, ChangeTransformationOnce) {
  wb.SetTxtData(0, dir.Write("lv.csv", "Year,Y,X\n2001,10,4\n2002,12,7\n2003,13,6\n2004,15,9\n"));
  host = ScriptedHost();
  wb.mnuLagChangeTrans_Click();
  EXPECT_EQ(
      Dump(wb.ws.mObserved),
      "\"Year\",\"CHY\",\"CHX\",\"Y\",\"X\"\n2001,\"\",\"\",10,4\n2002,2,3,12,7\n2003,1,-1,13,6\n2004,2,3,15,9\n");
  EXPECT_EQ(wb.ws.mLevelData.UpperCol(), 2);
  EXPECT_EQ(wb.form.lstDyn, (std::vector<std::string>{"Y", "X"}));
  EXPECT_EQ(wb.form.txtDyn, "Y, X, ");
  EXPECT_EQ(wb.form.txtData[1], dir.File("Matrix_NOR_BMAT.CSV"));
  EXPECT_TRUE(wb.ws.bTableSplit);
  EXPECT_EQ(host.CallsOf("HoldOn").front().text, "Transforming Level data...");
  // The regression of the change columns still divides by all four periods.
  EXPECT_NE(TempDir::Read(dir.File("Matrix_REG_NOR.CSV")).find("REGRESSION OF CHY ON CHX"), std::string::npos);
  const LabelledMatrix before = wb.ws.mObserved;
  wb.mnuLagChangeTrans_Click();
  EXPECT_EQ(host.Messages().back(), "The trend / level data has already been converted to change.");
  EXPECT_EQ(wb.ws.mObserved, before);
}

}  // namespace
}  // namespace quantorial
