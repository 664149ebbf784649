// The dynamic multipliers and the aspiration analysis, each checked against a computation
// of its own formula from the model's matrices.

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "MatrixBuilder.h"
#include "ScriptedHost.h"
#include "TempDir.h"
#include "WorkbenchFixture.h"
#include "matrix/MatrixFunctions.h"
#include "workbench/Workbench.h"
#include "workspace/ValueRules.h"

namespace quantorial {
namespace {

using testing::E;
using testing::M;
using testing::ScriptedHost;
using testing::T;
using testing::V;

// Two endogenous variables y1, y2 and two exogenous x1, x2 over five years, solved by Run ALL.
class Planning : public testing::WorkbenchFixture {
 protected:
  void SetUp() override {
    wb.ws.mObserved = M({{T("Year"), T("y1"), T("y2"), T("x1"), T("x2")},
                         {2004.0, 10.0, 20.0, 3.0, 5.0},
                         {2005.0, 11.0, 21.0, 4.0, 5.5},
                         {2006.0, 13.0, 20.5, 4.5, 7.0},
                         {2007.0, 12.0, 23.0, 6.0, 6.5},
                         {2008.0, 14.0, 24.0, 6.5, 8.0}});
    wb.ws.mObservedOrig = wb.ws.mObserved;
    wb.ws.mBMat =
        M({{E, T("y1"), T("y2"), T("x1"), T("x2")}, {T("y1"), 0.0, 0.3, 0.5, 0.2}, {T("y2"), 0.1, 0.0, 0.4, 0.8}});
    wb.form.txtRows = "2";
    wb.form.txtCols = "4";
    wb.SetShift(1);
    host.inputAnswers.push_back(std::string("2"));
    wb.cmdRunAll_Click();
    wb.cmdReciprocal_Click();
    host = ScriptedHost();
  }
  // (I - B)^-1 as the model holds it, in plain doubles.
  double Inv(int i, int k) const { return V(wb.ws.mEndoInverse, i, k); }
  double C(int i, int c) const { return V(wb.ws.mExo, i, c); }
};

TEST_F(Planning, DynamicEndoExtendsTheSeriesOnItsOwnResults) {
  const LabelledMatrix observed = wb.ws.mObserved;
  for (const int years : {0, 2}) {
    wb.ws.mObserved = observed;
    wb.form.txtExtd = years == 0 ? "" : "2";
    wb.cmdDynamicEndo_Click();
    const LabelledMatrix& obs = wb.ws.mObserved;
    const LabelledMatrix& nt = wb.ws.mCalculated;
    ASSERT_EQ(obs.UpperRow(), 5 + years);
    ASSERT_EQ(nt.UpperRow(), 5 + years);
    EXPECT_EQ(nt.Get(1, 1), observed.Get(1, 1)) << "row 1 stays as observed";
    // y(t+1) = (-B with a zero diagonal)(I-B)^-1 y(t) + (I-B)^-1 y(t), from row t of mObserved.
    for (int t = 1; t <= 4 + years; ++t) {
      for (int i = 1; i <= 2; ++i) {
        double expected = 0;
        for (int k = 1; k <= 2; ++k) {
          double dm = 0;
          for (int l = 1; l <= 2; ++l) dm += (l == i ? 0.0 : V(wb.ws.mEndo, i, l)) * Inv(l, k);
          expected += (dm + Inv(i, k)) * V(obs, t, k);
        }
        EXPECT_NEAR(V(nt, t + 1, i), expected, 1e-9) << "t " << t << " y" << i;
      }
      EXPECT_EQ(V(nt, t + 1, 0), 2004.0 + t);
    }
    // The extension rows carry their years and the endogenous values; their exogenous
    // cells stay empty.
    for (int r = 6; r <= 5 + years; ++r) {
      EXPECT_EQ(V(obs, r, 0), 2003.0 + r);
      EXPECT_EQ(obs.Get(r, 1), nt.Get(r, 1));
      EXPECT_TRUE(IsEmpty(obs.Get(r, 3)));
    }
    EXPECT_EQ(wb.form.cboPlot.front(), "1=y1");
    EXPECT_EQ(wb.form.cboPlot.size(), 4u);
    ASSERT_FALSE(host.charts.empty());
    // The years computed past the data are drawn as computed, not as actual.
    std::vector<std::string> labels;
    for (const auto& series : host.charts.back().series) labels.push_back(series.label);
    const std::vector<std::string> expected =
        years == 0 ? std::vector<std::string>{"Actual y1", "Calculated y1"}
                   : std::vector<std::string>{"Actual y1", "Calculated y1", "Computed y1"};
    EXPECT_EQ(labels, expected);
  }
  // A second run starts from the extended series.
  wb.cmdDynamicEndo_Click();
  EXPECT_EQ(wb.ws.mObserved.UpperRow(), 9);
  EXPECT_EQ(V(wb.ws.mObserved, 9, 0), 2012.0);
}

TEST_F(Planning, DynamicExoFollowsTheChangesOfTheExogenousVariables) {
  // y(t) = y(t-1) + (I-B)^-1 C (x(t) - x(t-1)).
  auto check = [&](const LabelledMatrix& nt, const LabelledMatrix& x, int lastRow) {
    for (int r = 1; r <= lastRow; ++r) {
      const int t = r + 1;  // row r holds year t
      for (int i = 1; i <= 2; ++i) {
        const double previous =
            r == 1 ? V(wb.ws.mObserved, 1, i) : (t - 1 <= 5 ? V(wb.ws.mObserved, t - 1, i) : V(nt, r - 1, i));
        double change = 0;
        for (int k = 1; k <= 2; ++k) {
          double ec = 0;
          for (int c = 1; c <= 2; ++c) ec += Inv(i, c) * C(c, k);
          change += ec * (V(x, t, k) - V(x, t - 1, k));
        }
        // The identity holds to the rounding of the inverse (whose elimination divides in single
        // precision).
        EXPECT_NEAR(V(nt, r, i), previous + change, 1e-5) << "row " << r << " y" << i;
      }
    }
  };
  // Without forecast data the dialog is shown; closed without a file, the run stops at T.
  host.forecastOk = false;
  wb.cmdDynamicExo_Click();
  EXPECT_EQ(host.CallsOf("ForecastOptions").size(), 1u);
  LabelledMatrix x = LabelledMatrix::Dimension(5, 2);
  for (int t = 1; t <= 5; ++t) {
    x.Set(t, 1, wb.ws.mObserved.Get(t, 3));
    x.Set(t, 2, wb.ws.mObserved.Get(t, 4));
  }
  check(wb.ws.mForecast, x, 4);
  EXPECT_EQ(wb.ws.mCalculated.UpperRow(), 4);  // every simulated year, none cut off
  EXPECT_EQ(wb.ws.mForecast.UpperRow(), 4);
  EXPECT_EQ(CellText(wb.ws.mForecast.Get(0, 0)), "Year");
  EXPECT_EQ(V(wb.ws.mForecast, 1, 0), 2005.0);
  EXPECT_TRUE(wb.ws.bForecastDone);
  // With three forecast years the rows after T are the forecast, not the calculated series.
  const std::string file = dir.Write("f.csv", "Year,x1,x2\n2009,7,8\n2010,7.5,9\n2011,8,9\n");
  host = ScriptedHost();
  host.forecastScript = [file](ForecastOptions& d) { d.SetTxtData(file); };
  wb.ws.mForecastExo = LabelledMatrix();
  wb.cmdDynamicExo_Click();
  x = ResizeMatrix(x, 3, 0, 0, Cell());
  for (int r = 1; r <= 3; ++r) {
    x.Set(5 + r, 1, wb.ws.mForecastExo.Get(r, 1));
    x.Set(5 + r, 2, wb.ws.mForecastExo.Get(r, 2));
  }
  check(wb.ws.mForecast, x, 7);
  EXPECT_EQ(wb.ws.mCalculated.UpperRow(), 4);
  EXPECT_EQ(wb.ws.mForecast.UpperRow(), 7);
  EXPECT_EQ(wb.ws.mCalcBase, wb.ws.mCalculated);
  // A file that starts at the last data year goes on from the year after it, with the same
  // results; every row carries its own year.
  const LabelledMatrix forecast = wb.ws.mForecast;
  const std::string overlapping = dir.Write("g.csv", "Year,x1,x2\n2008,6.5,8\n2009,7,8\n2010,7.5,9\n2011,8,9\n");
  host = ScriptedHost();
  host.forecastScript = [overlapping](ForecastOptions& d) { d.SetTxtData(overlapping); };
  wb.ws.mForecastExo = LabelledMatrix();
  wb.cmdDynamicExo_Click();
  ASSERT_EQ(wb.ws.mForecast.UpperRow(), 7);
  for (int r = 1; r <= 7; ++r) {
    EXPECT_EQ(V(wb.ws.mForecast, r, 0), 2004.0 + r) << "row " << r;
    for (int i = 1; i <= 2; ++i) EXPECT_NEAR(V(wb.ws.mForecast, r, i), V(forecast, r, i), 1e-9) << "row " << r;
  }
  // It starts from the data as loaded, after a Dynamic Endo appended rows.
  wb.form.txtExtd = "2";
  wb.cmdDynamicEndo_Click();
  wb.cmdDynamicExo_Click();
  EXPECT_EQ(wb.ws.mObserved.UpperRow(), 5);
}

TEST_F(Planning, DynamicExoNamesForecastColumnsThatAreNotTheModelsExogenousVariables) {
  struct Case {
    const char* header;
    bool notice;
  };
  const Case cases[] = {
      {"Year,x1,x2", false},
      {"Year,x2,x1", true},  // swapped: read by position they would be simulated under each other's name
      {"Year,x1,z", true},   // a variable the model does not have
      {"Year,x1", true},     // a column short
  };
  for (const Case& c : cases) {
    const std::string file = dir.Write("f.csv", std::string(c.header) + "\n2009,7,8\n2010,7.5,9\n");
    host = ScriptedHost();
    host.forecastScript = [file](ForecastOptions& d) { d.SetTxtData(file); };
    wb.ws.mForecastExo = LabelledMatrix();
    wb.cmdDynamicExo_Click();
    bool named = false;
    for (const std::string& m : host.Messages()) {
      named = named || m.find("The forecast file's columns must hold the exogenous variables in the model's order") !=
                           std::string::npos;
    }
    EXPECT_EQ(named, c.notice) << c.header;
  }
}

// Change series in the first half of the columns, levels in the second; the levels the
// change transformation kept; Q2 the lagged quadrant.
void ChangesAndLevels(Workbench& wb, LabelledMatrix q2) {
  wb.ws.mObserved = M({{T("Year"), T("CHa"), T("CHb"), T("a"), T("b")},
                       {2001.0, E, E, 10.0, 20.0},
                       {2002.0, 1.0, 2.0, 11.0, 22.0},
                       {2003.0, 2.0, 1.0, 13.0, 23.0}});
  wb.ws.mLevelData = M({{T("Year"), T("a"), T("b")}, {2001.0, 10.0, 20.0}, {2002.0, 11.0, 22.0}, {2003.0, 13.0, 23.0}});
  wb.ws.mBMatQ2 = std::move(q2);
}

// A singular I - Q2 and a Q2 cell that is not a number are told in one notice before the chart.
TEST(Dynamic, DoubtfulQuadrantIsTold) {
  ScriptedHost host;
  Workbench wb{host, nullptr, "/tmp"};
  ChangesAndLevels(wb, M({{E, T("a"), T("b")}, {T("CHa"), 1.0, T("n/a")}, {T("CHb"), 0.0, 0.4}}));
  wb.form.txtExtd = "1";
  wb.form.txtDyn = "a,~";
  wb.cmdDynamicX_Click();
  ASSERT_EQ(host.Messages().size(), 1u);
  const std::string said = host.Messages()[0];
  EXPECT_NE(said.find("The inversion of I - Q2"), std::string::npos) << said;
  EXPECT_NE(said.find("\"n/a\" (row CHa, column b)"), std::string::npos) << said;
  EXPECT_EQ(host.charts.size(), 1u);
}

TEST(Dynamic, SecondOrderRecursionOnTheLevels) {
  ScriptedHost host;
  Workbench wb{host, nullptr, "/tmp"};
  ChangesAndLevels(wb, M({{E, T("a"), T("b")}, {T("CHa"), 0.2, 0.1}, {T("CHb"), 0.0, 0.4}}));
  wb.form.txtExtd = "2";
  wb.form.txtDyn = "a,~";
  wb.cmdDynamicX_Click();
  // Z = (I - Q)^-1; y(t) = (I + Z) y(t-1) - Z y(t-2) = y(t-1) + Z (y(t-1) - y(t-2)).
  const double q11 = 0.2, q12 = 0.1, q22 = 0.4, det = (1 - q11) * (1 - q22);
  const double z11 = (1 - q22) / det, z12 = q12 / det, z22 = (1 - q11) / det;
  auto step = [&](std::array<double, 2> a, std::array<double, 2> b) {
    return std::array<double, 2>{a[0] + z11 * (a[0] - b[0]) + z12 * (a[1] - b[1]), a[1] + z22 * (a[1] - b[1])};
  };
  const std::array<double, 2> y1{10, 20}, y2{11, 22}, y3{13, 23};
  const auto n3 = step(y2, y1), y4 = step(y3, y2), y5 = step(y4, y3);
  LabelledMatrix NEW, OLD;
  for (const auto& p : host.CallsOf("Preview")) {
    if (p.text == "New Trend Matrix") NEW = p.matrix;
    if (p.text == "Old Extended Trend Matrix") OLD = p.matrix;
  }
  ASSERT_EQ(NEW.UpperRow(), 5);
  ASSERT_EQ(OLD.UpperRow(), 5);
  // Rows 1 and 2 carry only their years; the names are the level columns'; added years go on.
  EXPECT_EQ(CellText(NEW.Get(0, 1)), "a");
  EXPECT_TRUE(IsEmpty(NEW.Get(1, 1)) && IsEmpty(NEW.Get(2, 2)));
  EXPECT_EQ(V(NEW, 2, 0), 2002.0);
  EXPECT_EQ(V(NEW, 5, 0), 2005.0);
  EXPECT_EQ(V(OLD, 5, 0), 2005.0);
  // The observed level of 2003 is never overwritten; the years after it follow the recursion.
  EXPECT_EQ(V(OLD, 3, 1), 13.0);
  for (int j = 1; j <= 2; ++j) {
    const auto k = static_cast<std::size_t>(j - 1);
    EXPECT_NEAR(V(NEW, 3, j), n3[k], 1e-9);
    EXPECT_NEAR(V(NEW, 4, j), y4[k], 1e-9);
    EXPECT_NEAR(V(OLD, 4, j), y4[k], 1e-9);
    EXPECT_NEAR(V(NEW, 5, j), y5[k], 1e-9);
    EXPECT_NEAR(V(OLD, 5, j), y5[k], 1e-9);
  }
  // Only the series named in txtDyn is drawn, under the fixed title.
  ASSERT_EQ(host.charts.size(), 1u);
  EXPECT_EQ(host.charts[0].title, "DYNAMIC CHART");
  ASSERT_EQ(host.charts[0].series.size(), 1u);
  EXPECT_EQ(host.charts[0].series[0].label, "Dynamic a");
}

class Aspiration : public Planning {
 protected:
  void SetUp() override {
    Planning::SetUp();
    wb.ws.mObserved.Set(0, 1, std::string("GrthRt"));
    wb.ws.mEndo.Set(0, 1, std::string("GrthRt"));
    wb.ws.mObserved.Set(0, 2, std::string("INFLRT"));
    wb.ws.mEndo.Set(0, 2, std::string("INFLRT"));
  }
  // The required change of exogenous k for the targets.
  double Required(int k, double t1, double t2) const {
    return t1 / V(wb.ws.mImpact, 1, k) + t2 / V(wb.ws.mImpact, 2, k);
  }
};

TEST_F(Aspiration, TheDesignTextForOneYear) {
  const LabelledMatrix before = wb.ws.mObserved;
  wb.form.txtAspire = "1~2006~GrthRt+0.1, INFLRT-5%  ";
  wb.cmdAspire_Click();
  EXPECT_EQ(V(wb.ws.mAspiration, 1, 1), 0.1);
  EXPECT_NEAR(V(wb.ws.mAspiration, 1, 2), -0.05 * 20.5, 1e-12);
  EXPECT_EQ(V(wb.ws.mAspiration, 1, 0), 2007.0);
  const double t2 = -0.05 * 20.5;
  for (int k = 1; k <= 2; ++k) {
    EXPECT_NEAR(V(wb.ws.mAspirationResult, k, 1), Required(k, 0.1, t2), 1e-9);
    EXPECT_NEAR(V(wb.ws.mObserved, 4, 2 + k), V(before, 3, 2 + k) + Required(k, 0.1, t2), 1e-9);
  }
  for (int i = 1; i <= 2; ++i) {
    const double impact = V(wb.ws.mImpact, i, 1) * Required(1, 0.1, t2) + V(wb.ws.mImpact, i, 2) * Required(2, 0.1, t2);
    EXPECT_NEAR(V(wb.ws.mAspirationImpact, i, 1), impact, 1e-9);
    EXPECT_NEAR(V(wb.ws.mObserved, 4, i), V(before, 3, i) + impact, 1e-9);
  }
  EXPECT_EQ(CellText(wb.ws.mObserved.Get(4, 0)), "2007");
  EXPECT_EQ(CellText(wb.ws.mAspirationResult.Get(0, 3)), "Total");
  EXPECT_EQ(host.PreviewCaptions(),
            (std::vector<std::string>{"2:Aspiration Matrix", "3:Aspiration Matrix Result",
                                      "1:Aspiration Impact Matrix Result", "0:New Trend Data", "2:Aspiration Matrix",
                                      "3:Aspiration Matrix Result", "1:Aspiration Impact Matrix Result"}));
  // The last previews name the first column of each table; the tables keep their blank corner.
  std::vector<std::string> corners;
  for (const auto& c : host.CallsOf("Preview")) corners.push_back(CellText(c.matrix.Get(0, 0)));
  EXPECT_EQ(std::vector<std::string>(corners.end() - 3, corners.end()),
            (std::vector<std::string>{"Target Year", "Exogenous", "Endogenous"}));
  EXPECT_TRUE(IsEmpty(wb.ws.mAspirationResult.Get(0, 0)));
}

TEST_F(Aspiration, TextsOfEveryForm) {
  const LabelledMatrix before = wb.ws.mObserved;
  const struct {
    const char* text;
    int rows;             // of mObserved afterwards
    const char* message;  // the message, if any
    double target1;       // GrthRt's target in mAspiration
  } cases[] = {
      {"3~2007~GrthRt+1", 7, nullptr, 1},        // 2008, then two appended years
      {"2007~GrthRt+1", 5, nullptr, 0},          // one "~": no years
      {"GrthRt+1", 5, "Invalid Base Year!", 0},  // none: no base year
      {"1~2006~GrthRt+-5", 5, "No row of the observed data is for the base year 2006", 0},  // name "GrthRt+"
      {"1~2006~GrthRt=-5", 5, nullptr, -5},
      {"1~2006~GrthRt+1E2", 5, nullptr, 12},                                               // the letter is dropped
      {"1~2006~grthrt+1", 5, nullptr, 1},                                                  // any case
      {"1~2006~GrthRt 1", 5, "No row of the observed data is for the base year 2006", 0},  // no operator: ignored
      {"1~1999~GrthRt+1", 5, "No row of the observed data is for the base year 1999", 0},
  };
  for (const auto& c : cases) {
    host = ScriptedHost();
    wb.ws.mObserved = before;
    wb.form.txtAspire = c.text;
    wb.cmdAspire_Click();
    EXPECT_EQ(wb.ws.mObserved.UpperRow(), c.rows) << c.text;
    if (c.message) {
      ASSERT_EQ(host.Messages().size(), 1u) << c.text;
      EXPECT_NE(host.Messages()[0].find(c.message), std::string::npos) << c.text << ": " << host.Messages()[0];
      if (std::string(c.message).rfind("No row", 0) == 0) {
        EXPECT_EQ(wb.ws.mObserved, before) << c.text;
      }
    } else {
      EXPECT_TRUE(host.Messages().empty()) << c.text;
    }
    if (wb.ws.mAspiration.IsFilled()) {
      EXPECT_EQ(V(wb.ws.mAspiration, 1, 1), c.target1) << c.text;
    }
  }
}

TEST_F(Aspiration, PercentTargetsCompound) {
  wb.form.txtAspire = "2~2007~INFLRT+10%";
  wb.cmdAspire_Click();
  // Each year's target is 10 % of that year's base value; the impact on INFLRT is
  // sum_k b_2k * (target / b_2k) over the exogenous variables.
  auto impactOn2 = [&](double target) {
    return V(wb.ws.mImpact, 2, 1) * Required(1, 0, target) + V(wb.ws.mImpact, 2, 2) * Required(2, 0, target);
  };
  const double y2008 = V(wb.ws.mObserved, 5, 2);
  EXPECT_NEAR(y2008, 23 + impactOn2(2.3), 1e-9);
  EXPECT_NEAR(V(wb.ws.mAspiration, 1, 2), 0.1 * y2008, 1e-9);  // 2009's target from 2008's value
  EXPECT_NEAR(V(wb.ws.mObserved, 6, 2), y2008 + impactOn2(0.1 * y2008), 1e-9);
  EXPECT_EQ(CellText(wb.ws.mObserved.Get(6, 0)), "2009");
}

// A target names its series in any case, beyond ASCII too: "ölsaat" is the series "Ölsaat".
TEST_F(Aspiration, TargetsNameTheirSeriesInAnyCase) {
  for (int col : {1}) {
    wb.ws.mObserved.Set(0, col, std::string("\xC3\x96lsaat"));
    wb.ws.mEndo.Set(0, col, std::string("\xC3\x96lsaat"));
  }
  wb.form.txtAspire = "1~2006~\xC3\xB6lsaat+0.1";
  wb.cmdAspire_Click();
  EXPECT_EQ(V(wb.ws.mAspiration, 1, 1), 0.1);
  EXPECT_TRUE(wb.ws.mAspirationResult.IsFilled());
}

// With only x2 selected for the impact analysis, its change goes to x2's column (by name,
// not to the first exogenous column by position); x1 keeps its value.
TEST_F(Aspiration, PartialSelectionPairsByName) {
  wb.form.lstImpVarsSelected = {false, true};
  wb.lstImpVars_Click();
  wb.cmdReciprocal_Click();
  ASSERT_EQ(wb.ws.mImpact.UpperCol(), 1);
  const LabelledMatrix before = wb.ws.mObserved;
  wb.form.txtAspire = "1~2006~y1+1";  // the re-run named the variables after the B-matrix again
  wb.cmdAspire_Click();
  ASSERT_EQ(wb.ws.mAspirationResult.UpperRow(), 1);
  EXPECT_EQ(CellText(wb.ws.mAspirationResult.Get(1, 0)), "x2(t)");
  const double change = 1 / V(wb.ws.mImpact, 1, 1);
  EXPECT_NEAR(V(wb.ws.mObserved, 4, 4), V(before, 3, 4) + change, 1e-9);  // x2
  EXPECT_EQ(V(wb.ws.mObserved, 4, 3), V(before, 3, 3));                   // x1 unchanged
}

// A B-matrix label that ends with the series' name ("dx2" for x2) is paired with the series
// as the model split pairs it; a label with no series gets a notice, not a silent loss.
TEST_F(Aspiration, ChangesGoToTheSeriesTheSplitPairs) {
  const LabelledMatrix before = wb.ws.mObserved;
  for (const bool orphan : {false, true}) {
    host = ScriptedHost();
    wb.ws.mObserved = before;
    wb.ws.mReciprocal.Set(0, 2, std::string(orphan ? "z9(t)" : "dx2(t)"));
    wb.form.txtAspire = "1~2006~GrthRt+1";
    wb.cmdAspire_Click();
    const double change = V(wb.ws.mAspirationResult, 2, 1);
    if (!orphan) {
      EXPECT_NEAR(V(wb.ws.mObserved, 4, 4), V(before, 3, 4) + change, 1e-9);
      EXPECT_TRUE(host.Messages().empty());
    } else {
      EXPECT_EQ(V(wb.ws.mObserved, 4, 4), V(before, 3, 4));
      ASSERT_EQ(host.Messages().size(), 1u);
      EXPECT_NE(host.Messages()[0].find("\"z9(t)\""), std::string::npos) << host.Messages()[0];
    }
  }
}

// Without a usable reciprocal, a run that cannot fit, and a cancelled run: nothing changes.
TEST_F(Aspiration, RunsThatChangeNothing) {
  const LabelledMatrix observed = wb.ws.mObserved, reciprocal = wb.ws.mReciprocal;
  const struct {
    const char* text;
    bool dropReciprocal;
    bool shrinkReciprocal;
    long long cancelAt;
    const char* message;
    OutcomeKind kind;
  } cases[] = {
      {"1~2006~GrthRt+1", true, false, 0, "run \"Reciprocal\" first", OutcomeKind::Failed},
      {"1~2006~GrthRt+1", false, true, 0, "run \"Reciprocal\" again", OutcomeKind::Failed},
      {"1000000000~2006~GrthRt+1", false, false, 0, "more than a matrix can hold", OutcomeKind::Failed},
      // Counts beyond a whole number's range are refused alike, not read as no years at all.
      {"1000000000000~2006~GrthRt+1", false, false, 0, "Aspiration over 1000000000000 years would need",
       OutcomeKind::Failed},
      {"99999999999999999999~2006~GrthRt+1", false, false, 0, "more rows of observed data than a matrix can hold",
       OutcomeKind::Failed},
      {"50~2006~GrthRt+1", false, false, 3, "cancelled after 3 of 50 years", OutcomeKind::Cancelled},
  };
  for (const auto& c : cases) {
    const OutcomeLog::Scope outcome(wb.Outcomes());
    host = ScriptedHost();
    host.cancelAt = c.cancelAt;
    wb.ws.mObserved = observed;
    wb.ws.mReciprocal = c.dropReciprocal ? LabelledMatrix() : reciprocal;
    if (c.shrinkReciprocal) wb.ws.mReciprocal = ResizeMatrix(reciprocal, 0, -1, 0, Cell());
    wb.form.txtAspire = c.text;
    wb.cmdAspire_Click();
    EXPECT_EQ(wb.ws.mObserved, observed) << c.text;
    ASSERT_EQ(host.Messages().size(), 1u) << c.text;
    EXPECT_NE(host.Messages()[0].find(c.message), std::string::npos) << host.Messages()[0];
    EXPECT_EQ(OutcomeKindName(wb.LastOutcome().kind), std::string(OutcomeKindName(c.kind))) << c.text;
  }
}

// A later row that still carries a year's label is that year's base row, as a search of the
// table finds it; the table grows once, by what the run needs.
TEST_F(Aspiration, BaseRowsFollowTheLastRowOfEachYear) {
  wb.ws.mObserved = ResizeMatrix(wb.ws.mObserved, 1, 0, 0, Cell());
  wb.ws.mObserved.Set(6, 0, std::string("2006"));
  for (int c = 1; c <= 4; ++c) wb.ws.mObserved.Set(6, c, 100.0);
  wb.form.txtAspire = "3~2005~GrthRt+0";
  wb.cmdAspire_Click();
  // 2006 from row 3 (written), 2007 from row 6 (the last 2006), written to the new row 7;
  // 2008 from row 7, written to row 8.
  ASSERT_EQ(wb.ws.mObserved.UpperRow(), 8);
  EXPECT_EQ(CellText(wb.ws.mObserved.Get(7, 0)), "2007");
  EXPECT_EQ(CellText(wb.ws.mObserved.Get(8, 0)), "2008");
  EXPECT_NEAR(V(wb.ws.mObserved, 7, 3), 100.0, 1e-9);
  ASSERT_GE(host.progress.size(), 3u);
  EXPECT_EQ(host.progress[2], (std::pair<long long, long long>{3, 3}));
}

}  // namespace
}  // namespace quantorial
