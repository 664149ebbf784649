#include <gtest/gtest.h>

#include <cmath>

#include "MatrixBuilder.h"
#include "timeseries/TimeSeries.h"

namespace quantorial {
namespace {

using testing::M;
using testing::T;

TEST(TimeSeries, PeriodLabelsOfEachFrequency) {
  const struct {
    const char* text;
    Frequency frequency;
    long long period;
    const char* label;  // as written back
  } cases[] = {
      {"1990", Frequency::kAnnual, 1990, "1990"},         {"1990Q1", Frequency::kQuarterly, 7960, "1990Q1"},
      {"1990q4", Frequency::kQuarterly, 7963, "1990Q4"},  {"1990M01", Frequency::kMonthly, 23880, "1990M01"},
      {"1990M12", Frequency::kMonthly, 23891, "1990M12"}, {"1990m3", Frequency::kMonthly, 23882, "1990M03"},
  };
  for (const auto& c : cases) {
    Frequency f = Frequency::kAnnual;
    long long p = 0;
    ASSERT_TRUE(ParsePeriodLabel(c.text, f, p)) << c.text;
    EXPECT_EQ(f, c.frequency) << c.text;
    EXPECT_EQ(p, c.period) << c.text;
    EXPECT_EQ(PeriodLabel(f, p), c.label) << c.text;
  }
  for (const char* bad : {"", "Q1", "1990Q5", "1990Q0", "1990M13", "1990M001", "19x0", "0x2D", "1990.5", "1990Q"}) {
    Frequency f;
    long long p;
    EXPECT_FALSE(ParsePeriodLabel(bad, f, p)) << bad;
  }
}

// Numbers are values; an empty cell or a text (also one a C library would read as hex) is a
// missing value that names its cell; a wholly blank row is left out.
TEST(TimeSeries, MissingValuesRememberTheirCell) {
  const auto out = TimeSeriesFromMatrix(M({{T("Year"), T("C"), T("P")},
                                           {1919.0, Cell(), 12.7},
                                           {Cell(), Cell(), Cell()},
                                           {T("1920"), 39.8, T("0x2D")},
                                           {1921.0, 41.9, 12.4}}),
                                        "k.csv");
  ASSERT_TRUE(out.table) << out.error;
  const auto& t = *out.table;
  EXPECT_EQ(t.frequency, Frequency::kAnnual);
  EXPECT_EQ(t.Periods(), 3);
  EXPECT_EQ(t.Year(0), 1919);
  EXPECT_EQ(t.Label(2), "1921");
  EXPECT_TRUE(std::isnan(t.columns[0][0]));
  EXPECT_TRUE(std::isnan(t.columns[1][1]));
  EXPECT_EQ(t.columns[1][2], 12.4);
  EXPECT_EQ(t.DescribeMissing(0, 0), "k.csv row 2, column 2 (C): the cell is empty");
  EXPECT_EQ(t.DescribeMissing(1, 1), "k.csv row 4, column 3 (P) holds the text \"0x2D\", not a number");
  EXPECT_EQ(t.DescribeMissing(1, 2), "");
}

TEST(TimeSeries, QuarterlyTable) {
  const auto out =
      TimeSeriesFromMatrix(M({{T(""), T("y")}, {T("1999Q3"), 1.0}, {T("1999Q4"), 2.0}, {T("2000Q1"), 3.0}}), "q.csv");
  ASSERT_TRUE(out.table) << out.error;
  EXPECT_EQ(out.table->frequency, Frequency::kQuarterly);
  EXPECT_EQ(out.table->Label(2), "2000Q1");
}

TEST(TimeSeries, BadTablesAreRefusedNamingTheRowOrColumn) {
  const struct {
    const char* what;
    LabelledMatrix m;
    const char* message;
  } cases[] = {
      {"a gap", M({{T("Year"), T("C")}, {1920.0, 1.0}, {1922.0, 2.0}}),
       "f.csv: row 3: the period 1922 does not follow 1920 (a period is missing)."},
      {"a step back", M({{T("Year"), T("C")}, {1920.0, 1.0}, {1919.0, 2.0}}),
       "f.csv: row 3: the period 1919 does not follow 1920."},
      {"two frequencies", M({{T("Year"), T("C")}, {1920.0, 1.0}, {T("1920Q2"), 2.0}}),
       "f.csv: row 3: 1920Q2 is not of the frequency of the rows before it (1920)."},
      {"no period", M({{T("Year"), T("C")}, {T("total"), 1.0}}),
       "f.csv: row 2 does not start with a period such as 1990, 1990Q1 or 1990M01 (\"total\")."},
      {"a name twice", M({{T("Year"), T("C"), T("C")}, {1920.0, 1.0, 2.0}}),
       "f.csv: column 3 is named C as an earlier one is."},
      {"no rows", M({{T("Year"), T("C")}}), "f.csv: the file holds no data rows."},
  };
  for (const auto& c : cases) {
    const auto out = TimeSeriesFromMatrix(c.m, "f.csv");
    EXPECT_FALSE(out.table) << c.what;
    EXPECT_EQ(out.error, c.message) << c.what;
  }
}

}  // namespace
}  // namespace quantorial
