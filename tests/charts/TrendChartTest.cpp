#include <gtest/gtest.h>

#include <map>

#include "charts/TrendChart.h"

namespace quantorial {
namespace {

// A workspace with `rows` observed and calculated years of GDP, CON and INV.
Workspace Model(int rows) {
  Workspace ws;
  ws.mObserved = LabelledMatrix::Dimension(rows, 3);
  ws.mCalculated = LabelledMatrix::Dimension(rows, 3);
  const char* names[3] = {"GDP", "CON", "INV"};
  for (int j = 1; j <= 3; ++j) {
    ws.mObserved.Set(0, j, std::string(names[j - 1]));
    ws.mCalculated.Set(0, j, std::string(names[j - 1]));
  }
  for (int i = 1; i <= rows; ++i) {
    ws.mObserved.Set(i, 0, 1980.0 + i);
    ws.mCalculated.Set(i, 0, 1980.0 + i);
    for (int j = 1; j <= 3; ++j) {
      ws.mObserved.Set(i, j, 100.0 * j + i);
      ws.mCalculated.Set(i, j, -(100.0 * j + i + 0.5));
    }
  }
  return ws;
}

ChartSettings Settings(std::map<std::string, std::string> values) {
  return ChartSettings::Read([&](const std::string& key, const std::string& def) {
    const auto it = values.find(key);
    return it == values.end() ? def : it->second;
  });
}

TEST(TrendChart, WorkedExample) {
  const Workspace ws = Model(20);
  const auto d =
      BuildTrendChart(ws, {"1=GDP", "0", false, {}, {}}, Settings({{"SkipSeries", "2"}, {"DropSeries", "1"}}));
  ASSERT_EQ(d.series.size(), 2u);
  EXPECT_EQ(d.series[0].label, "Actual GDP");
  EXPECT_EQ(d.series[1].label, "Predicted GDP");
  ASSERT_EQ(d.rowLabels.size(), 17u);
  EXPECT_EQ(d.rowLabels.front(), "1983");  // calculated row 3
  EXPECT_EQ(d.rowLabels.back(), "1999");   // calculated row 19
  EXPECT_EQ(*d.series[0].values[0], 103.0);
  EXPECT_EQ(*d.series[1].values[16], -119.5);
  EXPECT_EQ(d.title, "GDP CHART");
  EXPECT_EQ(d.xTitle, "Time");
  EXPECT_EQ(d.yTitle, "GDP");
  EXPECT_FALSE(d.showMarkers);
}

TEST(TrendChart, SeriesScaleAndAbsoluteValues) {
  const Workspace ws = Model(5);
  auto d = BuildTrendChart(ws, {"3=INV", "2", true, {}, {}}, Settings({}));
  EXPECT_EQ(d.yTitle, "INV ('00)");
  EXPECT_EQ(d.series[0].label, "Actual INV");
  EXPECT_DOUBLE_EQ(*d.series[0].values[0], 3.01);   // observed 301 / 100
  EXPECT_DOUBLE_EQ(*d.series[1].values[0], 3.015);  // |-301.5| / 100: ABS is for the predicted series
  ChartInputs dynamic{"3=INV", "0", false, {}, {}};
  dynamic.predictedWord = "Calculated ";
  d = BuildTrendChart(ws, dynamic, Settings({}));
  EXPECT_EQ(*d.series[1].values[0], -301.5);
  EXPECT_EQ(d.series[1].label, "Calculated INV");
  EXPECT_EQ(d.yTitle, "INV");
}

TEST(TrendChart, GraphSwitchesAndEmptyRanges) {
  Workspace ws = Model(5);
  // Only the forecast, before any forecast: no series at all.
  auto d = BuildTrendChart(ws, {"1", "0", false, {}, {}}, Settings({{"AllGraphs", "0"}, {"ForecastGraph", "1"}}));
  EXPECT_TRUE(d.series.empty());
  EXPECT_TRUE(d.rowLabels.empty());
  // k + d >= C: the series are there without rows.
  d = BuildTrendChart(ws, {"1", "0", false, {}, {}}, Settings({{"SkipSeries", "3"}, {"DropSeries", "2"}}));
  EXPECT_EQ(d.series.size(), 2u);
  EXPECT_TRUE(d.rowLabels.empty());
  EXPECT_TRUE(d.series[0].values.empty());
  // With a forecast the forecast series comes last and sets the rows.
  ws.mForecast = LabelledMatrix::Dimension(7, 3);
  ws.mForecast.Set(0, 1, std::string("GDP"));
  for (int i = 1; i <= 7; ++i) {
    ws.mForecast.Set(i, 0, 1980.0 + i);
    ws.mForecast.Set(i, 1, 50.0 + i);
  }
  ws.bForecastDone = true;
  d = BuildTrendChart(
      ws, {"1", "0", false, {}, {}},
      Settings({{"AllGraphs", "0"}, {"PredictedGraph", "1"}, {"ForecastGraph", "1"}, {"DropSeries", "1"}}));
  ASSERT_EQ(d.series.size(), 2u);
  EXPECT_EQ(d.series[1].label, "Forecast GDP");
  EXPECT_EQ(d.rowLabels.size(), 7u);
  EXPECT_FALSE(d.series[0].values[4].has_value());  // the calculated rows stop before the last
  EXPECT_EQ(*d.series[1].values[6], 57.0);
  EXPECT_EQ(d.rowLabels[6], "1987");
}

// A simulation whose rows start at the second observed year (as the first-difference one's
// do) and a forecast that goes on from them: every point stands at its own year, each year
// once on the axis.
TEST(TrendChart, SeriesStartingAtAnotherYearAreDrawnByYear) {
  Workspace ws = Model(5);  // observed 1981..1985
  ws.mCalculated = LabelledMatrix::Dimension(4, 3);
  ws.mForecast = LabelledMatrix::Dimension(6, 3);
  for (LabelledMatrix* m : {&ws.mCalculated, &ws.mForecast}) m->Set(0, 1, std::string("GDP"));
  for (int r = 1; r <= 6; ++r) {
    if (r <= 4) {
      ws.mCalculated.Set(r, 0, 1981.0 + r);
      ws.mCalculated.Set(r, 1, 1000.0 + r);
    }
    ws.mForecast.Set(r, 0, 1981.0 + r);
    ws.mForecast.Set(r, 1, 2000.0 + r);
  }
  ws.bForecastDone = true;
  const auto d = BuildTrendChart(ws, {"1", "0", false, {}, {}}, Settings({}));
  ASSERT_EQ(d.series.size(), 3u);
  ASSERT_EQ(d.rowLabels, (std::vector<std::string>{"1981", "1982", "1983", "1984", "1985", "1986", "1987"}));
  const auto at = [&](std::size_t series, std::size_t row) { return d.series[series].values[row]; };
  EXPECT_EQ(at(0, 0), 101.0);  // actual 1981 at 1981
  EXPECT_EQ(at(0, 4), 105.0);  // actual 1985, the last calculated year
  EXPECT_FALSE(at(0, 5).has_value());
  EXPECT_FALSE(at(1, 0).has_value());  // nothing calculated for the first year
  EXPECT_EQ(at(1, 1), 1001.0);         // calculated 1982 at 1982
  EXPECT_EQ(at(1, 4), 1004.0);
  EXPECT_EQ(at(2, 1), 2001.0);
  EXPECT_EQ(at(2, 6), 2006.0);  // forecast 1987 at 1987
  // Each series skips its own first rows; the calculated ones dropped bound the observed ones.
  const auto cut = BuildTrendChart(ws, {"1", "0", false, {}, {}},
                                   Settings({{"AllGraphs", "0"},
                                             {"ActualGraph", "1"},
                                             {"PredictedGraph", "1"},
                                             {"SkipSeries", "1"},
                                             {"DropSeries", "1"}}));
  EXPECT_EQ(cut.rowLabels, (std::vector<std::string>{"1982", "1983", "1984"}));
  EXPECT_EQ(cut.series[0].values[0], 102.0);
  EXPECT_FALSE(cut.series[1].values[0].has_value());
  EXPECT_EQ(cut.series[1].values[1], 1002.0);  // calculated row 2, 1983
}

// The forecast runs on from the calculated series and repeats it over the calculated years.
// Drawn where the calculated series is drawn, it starts at the last year the two share;
// without the calculated series it is drawn in full.
TEST(TrendChart, TheForecastStartsWhereTheCalculatedSeriesEnds) {
  Workspace ws = Model(5);  // 1981..1985
  ws.mForecast = LabelledMatrix::Dimension(7, 3);
  for (int r = 0; r <= 5; ++r) {
    for (int c = 0; c <= 3; ++c) ws.mForecast.Set(r, c, ws.mCalculated.Get(r, c));
  }
  for (int r = 6; r <= 7; ++r) {
    ws.mForecast.Set(r, 0, 1980.0 + r);
    ws.mForecast.Set(r, 1, 500.0 + r);
  }
  ws.bForecastDone = true;
  struct Case {
    const char* graphs;
    std::size_t forecastIndex;
    std::vector<bool> forecastDrawn;  // 1981..1987
  };
  const Case cases[] = {
      {"all", 2, {false, false, false, false, true, true, true}},
      {"actual and forecast", 1, {true, true, true, true, true, true, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.graphs);
    const auto settings = std::string(c.graphs) == "all"
                              ? Settings({})
                              : Settings({{"AllGraphs", "0"}, {"ActualGraph", "1"}, {"ForecastGraph", "1"}});
    const auto d = BuildTrendChart(ws, {"1", "0", false, {}, {}}, settings);
    ASSERT_GT(d.series.size(), c.forecastIndex);
    const ChartSeries& f = d.series[c.forecastIndex];
    EXPECT_EQ(f.label, "Forecast GDP");
    ASSERT_EQ(f.values.size(), c.forecastDrawn.size());
    for (std::size_t r = 0; r < f.values.size(); ++r) EXPECT_EQ(f.values[r].has_value(), c.forecastDrawn[r]) << r;
    EXPECT_EQ(f.values[4], -101.5 - 4);  // 1985 joins the calculated series
    EXPECT_EQ(f.values[6], 507.0);
  }
}

// Years a simulation appended to the observed table are not observations: the actual series
// stops at the last year loaded and "Computed" carries on from it. A table whose years are
// not the loaded ones (another file, changed since) is all actual.
TEST(TrendChart, ComputedYearsAreNotDrawnAsActual) {
  struct Case {
    const char* name;
    int loadedRows;
    double firstLoadedYear;
    std::size_t actualRows;
    bool computed;
  };
  const Case cases[] = {
      {"two years appended", 3, 1981, 3, true},
      {"nothing appended", 5, 1981, 5, false},
      {"another table loaded", 3, 1990, 5, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Workspace ws = Model(5);  // 1981..1985, observed and calculated
    ws.mObservedOrig = LabelledMatrix::Dimension(c.loadedRows, 3);
    for (int r = 1; r <= c.loadedRows; ++r) ws.mObservedOrig.Set(r, 0, c.firstLoadedYear - 1 + r);
    ChartInputs in{"1", "0", false, {}, {}};
    in.predictedWord = "Calculated ";
    const auto d = BuildTrendChart(ws, in, Settings({}));
    ASSERT_EQ(d.series.size(), c.computed ? 3u : 2u);
    EXPECT_EQ(d.series[0].label, "Actual GDP");
    for (std::size_t r = 0; r < 5; ++r) EXPECT_EQ(d.series[0].values[r].has_value(), r < c.actualRows) << r;
    EXPECT_EQ(d.series[1].label, "Calculated GDP");
    if (!c.computed) continue;
    const ChartSeries& computed = d.series[2];  // after the calculated series, which it would hide
    EXPECT_EQ(computed.label, "Computed GDP");
    EXPECT_TRUE(computed.dashed);
    EXPECT_FALSE(computed.values[1].has_value());
    EXPECT_EQ(computed.values[2], 103.0);  // joined at the last loaded year
    EXPECT_EQ(computed.values[4], 105.0);
  }
}

TEST(TrendChart, Titles) {
  const Workspace ws = Model(3);
  const std::vector<std::string> vars = {"A", "B", "C"};
  auto d = BuildTrendChart(ws, {"1", "0", false, vars, {true, true, false}}, Settings({{"ShowVariablesInTitle", "1"}}));
  EXPECT_EQ(d.title, "IMPACT OF A,B, ON GDP");
  d = BuildTrendChart(ws, {"1", "0", false, vars, {false, false, false}}, Settings({{"ShowVariablesInTitle", "1"}}));
  EXPECT_EQ(d.title, "IMPACT OF A,B,C, ON GDP");
  d = BuildTrendChart(ws, {"1", "0", false, vars, {}}, Settings({{"ChartTitle", "My own title"}}));
  EXPECT_EQ(d.title, "My own title");
  d = BuildTrendChart(ws, {"2=con", "0", false, {}, {}}, Settings({{"ShowMarkers", "1"}, {"MarkerSize", "11"}}));
  EXPECT_EQ(d.title, "CON CHART");
  EXPECT_TRUE(d.showMarkers);
  EXPECT_EQ(d.markerSize, 11.0);
}

TEST(ChartOptions, TableAndDefaults) {
  const auto table = ChartSettingTable();
  ASSERT_EQ(table.size(), 16u);
  EXPECT_STREQ(table.front().key, "ChartTitle");
  EXPECT_STREQ(table.back().key, "PredictedGraph");
  EXPECT_STREQ(table[4].value, "9.6");
  const ChartSettings defaults = Settings({});
  EXPECT_TRUE(defaults.allGraphs);
  EXPECT_EQ(defaults.markerSize, 9.6);
  EXPECT_FALSE(defaults.dontCopyChart);
}

}  // namespace
}  // namespace quantorial
