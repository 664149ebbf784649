#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <iomanip>
#include <limits>
#include <random>
#include <tuple>

#include "MatrixBuilder.h"
#include "TempDir.h"
#include "io/DataFile.h"
#include "regression/Regression.h"
#include "workspace/ValueRules.h"

namespace quantorial {
namespace {

using testing::M;
using testing::T;
using testing::TempDir;

void ExpectDigits(double value, double certified, double digits) {
  EXPECT_LE(std::fabs(value - certified), std::fabs(certified) * std::pow(10.0, -digits))
      << value << " vs " << certified;
}

TEST(Regression, NistNorrisToNineDigits) {
  const auto r = ReadDataFile(std::string(QUANTORIAL_REGRESSION_DATA) + "/norris.csv");
  ASSERT_EQ(r.error, "");
  // Columns: Obs, y, x. y on x over the 36 observations.
  const PairFit f = FitPair(r.matrix, 1, 1, 2, 1, r.matrix.UpperRow());
  ExpectDigits(f.a, -0.262323073774029, 9);
  ExpectDigits(f.b, 1.00211681802045, 9);
  ExpectDigits(f.r2, 0.999993745883712, 9);
  ExpectDigits(f.se, 0.884796396144373, 9);
  // The certified standard deviations of the estimates give the t values.
  ExpectDigits(f.tb, 1.00211681802045 / 0.429796848199937E-03, 8);
  ExpectDigits(f.ta, -0.262323073774029 / 0.232818234301152, 8);
}

TEST(Regression, TTablesAndClasses) {
  EXPECT_EQ(TTable05(1), 12.706);
  EXPECT_EQ(TTable01(1), 63.657);
  EXPECT_EQ(TTable05(10), 2.228);
  EXPECT_EQ(TTable01(10), 3.169);
  EXPECT_EQ(TTable05(9), 2.262);
  EXPECT_EQ(TTable01(9), 3.250);
  EXPECT_EQ(TTable05(30), 2.042);
  EXPECT_EQ(TTable01(30), 2.750);
  EXPECT_EQ(TTable05(31), 2.021);
  EXPECT_EQ(TTable05(34), 1.960);
  EXPECT_EQ(TTable01(34), 2.576);
  const int df[] = {1, 30, 31, 34, 35, 38, 49, 50, 89, 90, 149, 150, 5000};
  const int p[] = {1, 30, 30, 30, 31, 31, 31, 32, 32, 33, 33, 34, 34};
  for (std::size_t i = 0; i < std::size(df); ++i) EXPECT_EQ(ClassNumber(df[i]), p[i]) << df[i];
}

TEST(Regression, ReportLines) {
  PairFit f;
  f.a = 0.5;
  f.b = -1.25;
  f.r2 = 0.9;
  f.se = 2;
  f.df = 10;
  f.tb = -2.5;
  f.ta = 3.4;
  const std::string block = ReportBlock("GDP", "INV", f);
  const std::string expected =
      "********************************************************\r\n"
      "\r\n"
      "REGRESSION OF GDP ON INV\r\n"
      "------------------ With Intercept ----------------------\r\n"
      "  Intercept   (a) =.5\r\n"
      "  Coefficient (b) =-1.25\r\n"
      "  R-Squared (R*R) =.9\r\n"
      "------------------------------------------------------- \r\n"
      "\r\n"
      "Std. Error of Y Estimated = 2.\r\n"
      "Tabulated T-Value(0.05) at 10df is 2.228\r\n"
      "Tabulated T-Value(0.01) at 10df is 3.169\r\n"
      "\r\n"
      "T-Values for Coefficient(b)\r\n"
      "T(10df) = -2.5 - Significant at 0.05 Level.\r\n"
      "T(10df) = -2.5 - Not Significant at 0.01 Level.\r\n"
      "\r\n"
      "T-Values for Intercept(a)\r\n"
      "T(10df) = 3.4 - Significant at 0.05 Level.\r\n"
      "T(10df) = 3.4 - Significant at 0.01 Level.\r\n";
  EXPECT_EQ(block, expected);
  f.df = 38;
  EXPECT_NE(ReportBlock("A", "B", f).find("Tabulated T-Value(0.05) at 31df is 2.021\r\n"), std::string::npos);
}

TEST(Regression, PerfectFitsAndTheFiles) {
  TempDir dir;
  const auto d = M({{T("Year"), T("GDP"), T("INV")},
                    {1.0, 2.0, 1.0},
                    {2.0, 4.0, 2.0},
                    {3.0, 6.0, 3.0},
                    {4.0, 8.0, 4.0},
                    {5.0, 10.0, 5.0}});
  RegressionResult r;
  std::string error;
  ASSERT_TRUE(CreateBMatrix(d, dir.File("data.xls"), RegMethod::Normal, false, r, error)) << error;
  EXPECT_EQ(r.bPath, dir.File("data_NOR_BMAT.CSV"));
  EXPECT_EQ(r.aPath, dir.File("data_NOR_AMAT.CSV"));
  EXPECT_EQ(r.reportPath, dir.File("data_REG_NOR.CSV"));
  // y = 2x fits perfectly: both variances are zero, so a and b become 1.0 and are kept.
  EXPECT_EQ(TempDir::Read(r.bPath), ",GDP,INV,\r\nGDP, 1 , 1 ,\r\nINV, 1 , 1 ,\r\n");
  EXPECT_EQ(TempDir::Read(r.aPath), "Year,GDP,INV,\r\nGDP, 1 , 1 ,\r\nINV, 1 , 1 ,\r\n");
  EXPECT_NE(TempDir::Read(r.reportPath).find("REGRESSION OF GDP ON INV\r\n"), std::string::npos);
  EXPECT_NE(TempDir::Read(r.reportPath).find("  R-Squared (R*R) =1.\r\n"), std::string::npos);
  EXPECT_EQ(r.bMat.Get(1, 2), Cell(1.0));
  EXPECT_EQ(r.bMat.Get(0, 2), Cell(std::string("INV")));
  // A path without a dot is used whole.
  ASSERT_TRUE(CreateBMatrix(d, dir.File("plain"), RegMethod::Lead, false, r, error));
  EXPECT_EQ(r.bPath, dir.File("plain_LED_BMAT.CSV"));
  EXPECT_EQ(TempDir::Read(r.bPath).substr(0, 23), ",GDP(t+1),INV(t+1),\r\nGD");
  EXPECT_NE(TempDir::Read(r.bPath).find("GDP(t),"), std::string::npos);
  EXPECT_NE(TempDir::Read(r.reportPath).find("REGRESSION OF GDP(t) ON INV(t+1)"), std::string::npos);
  // Only the file name's dot ends the stem; one in a folder name does not.
  for (const auto& [data, expected] :
       std::vector<std::pair<std::string, std::string>>{{"/m/gdp.xls", "/m/gdp_NOR_BMAT.CSV"},
                                                        {"/m/gdp.v2.csv", "/m/gdp.v2_NOR_BMAT.CSV"},
                                                        {"/m/my.models/data", "/m/my.models/data_NOR_BMAT.CSV"},
                                                        {"C:\\m.x\\data", "C:\\m.x\\data_NOR_BMAT.CSV"}}) {
    EXPECT_EQ(RegressionPath(data, BTag(RegMethod::Normal)), expected) << data;
  }
  // Data without rows or without columns: the notice, and no files.
  for (const auto& bad : {M({{T("Year"), T("x")}}), M({{T("Year")}, {1.0}}), LabelledMatrix()}) {
    error.clear();
    RegressionFit fit;
    EXPECT_FALSE(FitRegression(bad, RegMethod::Normal, false, fit, error));
    EXPECT_EQ(error, kNoRowsOrColumns);
    EXPECT_FALSE(CreateBMatrix(bad, dir.File("bad.csv"), RegMethod::Normal, false, r, error));
    EXPECT_EQ(error, kNoRowsOrColumns);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("bad_NOR_BMAT.CSV")));
}

// The pairs are computed a block of rows at a time on several threads; the files must be
// the plain loop's, pair after pair, byte for byte. 150 variables cross the blocks.
TEST(Regression, ManyVariablesKeepThePlainOrder) {
  TempDir dir;
  const int C = 150, R = 12;
  LabelledMatrix d = LabelledMatrix::Dimension(R, C);
  d.Set(0, 0, std::string("Year"));
  for (int j = 1; j <= C; ++j) d.Set(0, j, "V" + std::to_string(j));
  for (int t = 1; t <= R; ++t) {
    d.Set(t, 0, 2000.0 + t);
    for (int j = 1; j <= C; ++j) d.Set(t, j, 10.0 + j * 0.1 * t + ((t * 7 + j * 13) % 11) * 0.37);
  }
  RegressionResult r;
  std::string error;
  ASSERT_TRUE(CreateBMatrix(d, dir.File("many.csv"), RegMethod::Normal, false, r, error)) << error;
  std::string report, bTable = ",";
  for (int j = 1; j <= C; ++j) bTable += "V" + std::to_string(j) + ",";
  bTable += "\r\n";
  for (int i = 1; i <= C; ++i) {
    bTable += "V" + std::to_string(i) + ",";
    for (int j = 1; j <= C; ++j) {
      const PairFit f = FitPair(d, i, 1, j, 1, R);
      report += ReportBlock("V" + std::to_string(i), "V" + std::to_string(j), f);
      bTable += TableForm(CellText(r.bMat.Get(i, j)).empty() ? 0.0 : std::get<double>(r.bMat.Get(i, j))) + ",";
    }
    bTable += "\r\n";
  }
  EXPECT_TRUE(TempDir::Read(r.reportPath) == report) << "the report differs from the plain loop's";
  EXPECT_EQ(TempDir::Read(r.bPath), bTable);
  EXPECT_EQ(r.bMat.Get(C, 0), Cell(std::string("V150")));
}

// Names with a comma or a quote are CSV fields in the files, so the tables read back with
// their columns in place; other names keep their bytes.
TEST(Regression, NamesWithCommasAndQuotesReadBackInTheirColumns) {
  TempDir dir;
  const auto d = M({{T("Year"), T("GDP, real"), T("say \"hi\""), T("INV")},
                    {1.0, 2.0, 1.0, 5.0},
                    {2.0, 4.0, 3.0, 1.0},
                    {3.0, 6.0, 2.0, 4.0},
                    {4.0, 8.0, 5.0, 2.0}});
  RegressionResult r;
  std::string error;
  ASSERT_TRUE(CreateBMatrix(d, dir.File("q.csv"), RegMethod::Lead, false, r, error)) << error;
  const std::string b = TempDir::Read(r.bPath);
  EXPECT_EQ(b.substr(0, b.find('\r')), ",\"GDP, real(t+1)\",\"say \"\"hi\"\"(t+1)\",INV(t+1),");
  EXPECT_NE(TempDir::Read(r.aPath).find("\r\n\"GDP, real\","), std::string::npos);
  EXPECT_NE(TempDir::Read(r.reportPath).find("REGRESSION OF \"GDP, real(t)\" ON INV(t+1)\r\n"), std::string::npos);
  for (const std::string& path : {r.aPath, r.bPath}) {
    const DataFileResult read = ReadDataFile(path);
    ASSERT_TRUE(read.matrix.IsAssigned()) << read.error;
    const LabelledMatrix& back = read.matrix;
    const LabelledMatrix& made = path == r.aPath ? r.aMat : r.bMat;
    for (int k = 1; k <= 3; ++k) {
      EXPECT_EQ(CellText(back.Get(0, k)), CellText(made.Get(0, k))) << path;
      EXPECT_EQ(CellText(back.Get(k, 0)), CellText(made.Get(k, 0))) << path;
      EXPECT_NEAR(*ArithmeticValue(back.Get(k, k)), *ArithmeticValue(made.Get(k, k)), 1e-5) << path;
    }
  }
}

// A file that cannot be written does not keep the others from being written; each
// failure is named.
TEST(Regression, EveryOutputIsTriedAndEachFailureNamed) {
  TempDir dir;
  const auto d = M({{T("Year"), T("y"), T("x")}, {1.0, 1.0, 2.0}, {2.0, 2.0, 1.0}, {3.0, 4.0, 5.0}, {4.0, 3.0, 3.0}});
  RegressionResult r;
  std::string error;
  // A folder where a table should go makes that one write fail.
  for (const char* blocked : {"r_REG_NOR.CSV", "r_NOR_AMAT.CSV", "r_NOR_BMAT.CSV"}) {
    std::filesystem::remove_all(dir.path());
    std::filesystem::create_directories(dir.path() / blocked);
    EXPECT_FALSE(CreateBMatrix(d, dir.File("r.csv"), RegMethod::Normal, false, r, error));
    EXPECT_NE(error.find(dir.File(blocked)), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;  // one failure, one line
    for (const char* other : {"r_REG_NOR.CSV", "r_NOR_AMAT.CSV", "r_NOR_BMAT.CSV"}) {
      if (std::string(other) != blocked) {
        EXPECT_TRUE(std::filesystem::is_regular_file(dir.File(other))) << other;
      }
    }
  }
}

// Each run that would change a table keeps the earlier ones under the next number free for
// all of them, so a kept B table keeps its A table beside it under the same number.
TEST(Regression, EarlierTablesAreKeptUnderOneNumber) {
  TempDir dir;
  // Two strong fits of different slopes and intercepts: every table differs between them.
  auto fit = [](double slope) {
    LabelledMatrix d = LabelledMatrix::Dimension(0, 8, 0, 2);
    d.Set(0, 1, std::string("y"));
    d.Set(0, 2, std::string("x"));
    for (int t = 1; t <= 8; ++t) {
      d.Set(t, 0, double(t));
      d.Set(t, 1, slope * (t + 5) + (t % 2) * 0.1);
      d.Set(t, 2, double(t));
    }
    return d;
  };
  const auto first = fit(2.0), second = fit(3.0);
  RegressionResult r;
  std::string error;
  ASSERT_TRUE(CreateBMatrix(first, dir.File("r.csv"), RegMethod::Normal, false, r, error)) << error;
  EXPECT_TRUE(r.keptEarlier.empty());
  const std::string firstB = TempDir::Read(dir.File("r_NOR_BMAT.CSV"));
  dir.Write("r_NOR_AMAT~1.CSV", "someone else's");  // number 1 is taken for one of them
  r = RegressionResult();
  ASSERT_TRUE(CreateBMatrix(second, dir.File("r.csv"), RegMethod::Normal, false, r, error)) << error;
  ASSERT_EQ(r.keptEarlier.size(), 3u);
  EXPECT_EQ(r.keptEarlier[2], std::make_pair(dir.File("r_NOR_BMAT.CSV"), dir.File("r_NOR_BMAT~2.CSV")));
  EXPECT_EQ(TempDir::Read(dir.File("r_NOR_BMAT~2.CSV")), firstB);
  EXPECT_EQ(TempDir::Read(dir.File("r_NOR_AMAT~1.CSV")), "someone else's");
  EXPECT_NE(TempDir::Read(dir.File("r_NOR_BMAT.CSV")), firstB);
  r = RegressionResult();
  ASSERT_TRUE(CreateBMatrix(second, dir.File("r.csv"), RegMethod::Normal, false, r, error)) << error;
  EXPECT_TRUE(r.keptEarlier.empty());  // the same tables again: nothing to keep
  for (const auto& [path, number, kept] : std::vector<std::tuple<std::string, int, std::string>>{
           {"/d/x_NOR_BMAT.CSV", 3, "/d/x_NOR_BMAT~3.CSV"}, {"/d.v/plain", 1, "/d.v/plain~1"}}) {
    EXPECT_EQ(KeptEarlierPath(path, number), kept);
  }
}

// Two periods leave no degree of freedom: the report says the pair cannot be tested.
TEST(Regression, TwoPeriodsCannotBeTested) {
  PairFit f;
  f.df = 0;
  const std::string block = ReportBlock("y", "x", f);
  EXPECT_NE(block.find("Tabulated T-Value(0.05) at 0df is none: too few periods, the pair cannot be tested\r\n"),
            std::string::npos)
      << block;
  EXPECT_EQ(block.find(" is .\r\n"), std::string::npos) << block;
}

TEST(Regression, SignificanceLevelDecidesWhatIsKept) {
  // Noisy data where the slope passes at 5 % and fails at 1 %.
  const auto d = M({{T("t"), T("y"), T("x")},
                    {1.0, 1.0, 1.0},
                    {2.0, 2.8, 2.0},
                    {3.0, 2.0, 3.0},
                    {4.0, 4.2, 4.0},
                    {5.0, 3.1, 5.0},
                    {6.0, 5.3, 6.0},
                    {7.0, 4.0, 7.0}});
  const PairFit f = FitPair(d, 1, 1, 2, 1, 7);
  ASSERT_GT(std::fabs(f.tb), TTable05(5));
  ASSERT_LT(std::fabs(f.tb), TTable01(5));
  TempDir dir;
  RegressionResult r5, r1;
  std::string error;
  ASSERT_TRUE(CreateBMatrix(d, dir.File("n5.csv"), RegMethod::Normal, false, r5, error));
  ASSERT_TRUE(CreateBMatrix(d, dir.File("n1.csv"), RegMethod::Normal, true, r1, error));
  EXPECT_EQ(r5.bMat.Get(1, 2), Cell(f.b));
  EXPECT_EQ(r1.bMat.Get(1, 2), Cell(0.0));
  EXPECT_NE(TempDir::Read(r1.bPath).find(", 0 ,"), std::string::npos);
}

TEST(Regression, MethodThreeRegressesEveryVariableOnTheLast) {
  TempDir dir;
  const auto d = M({{T("Year"), T("A"), T("B"), T("X")},
                    {1.0, 3.0, 1.0, 1.0},
                    {2.0, 5.1, 2.0, 2.0},
                    {3.0, 6.9, 2.5, 3.0},
                    {4.0, 9.2, 4.5, 4.0}});
  RegressionResult r;
  std::string error;
  ASSERT_TRUE(CreateBMatrix(d, dir.File("c.csv"), RegMethod::Constant, false, r, error));
  const std::string b = TempDir::Read(r.bPath);
  // One data line, labelled with the last variable.
  EXPECT_EQ(std::count(b.begin(), b.end(), '\n'), 2);
  EXPECT_NE(b.find("\r\nX,"), std::string::npos);
  EXPECT_EQ(r.bMat.Get(0, 3), Cell(std::string("X")));
  EXPECT_EQ(r.bMat.Get(1, 3), Cell(1.0));  // X on itself
  EXPECT_NE(TempDir::Read(r.reportPath).find("REGRESSION OF A ON X"), std::string::npos);
}

}  // namespace
}  // namespace quantorial

namespace quantorial {
namespace {

// The report is written a block of rows at a time and compared with the earlier report on the
// way: an earlier report is kept exactly when its bytes differ anywhere, also past the first
// block, or when it is a prefix of the new one, or longer. 60 variables make several blocks.
TEST(Regression, EarlierReportIsComparedToItsLastByte) {
  const int C = 60, R = 6;
  LabelledMatrix d = LabelledMatrix::Dimension(R, C);
  d.Set(0, 0, std::string("t"));
  for (int j = 1; j <= C; ++j) d.Set(0, j, "V" + std::to_string(j));
  for (int t = 1; t <= R; ++t) {
    d.Set(t, 0, double(t));
    for (int j = 1; j <= C; ++j) d.Set(t, j, j * 0.5 * t + ((t * 5 + j * 3) % 7) * 0.25);
  }
  RegressionFit fit;
  std::string error;
  ASSERT_TRUE(FitRegression(d, RegMethod::Normal, false, fit, error));
  const std::string report = ReportText(fit);
  ASSERT_GT(report.size(), std::size_t{1} << 20);  // several blocks of rows
  std::string lastByte = report;
  lastByte.back() = 'x';
  std::string middle = report;
  middle[report.size() / 2] ^= 1;
  const std::vector<std::pair<std::string, bool>> earlier = {
      {report, false},         {lastByte, true},     {middle, true}, {report.substr(0, report.size() - 1), true},
      {report + "\r\n", true}, {std::string(), true}};
  for (const auto& [text, kept] : earlier) {
    TempDir dir;
    const std::string path = dir.Write("s_REG_NOR.CSV", text);
    RegressionResult r;
    ASSERT_TRUE(WriteRegressionFiles(fit, dir.File("s.csv"), r, error)) << error;
    EXPECT_EQ(r.keptEarlier.size(), kept ? 1u : 0u) << text.size();
    EXPECT_TRUE(TempDir::Read(path) == report) << text.size();
    if (kept) {
      EXPECT_TRUE(TempDir::Read(dir.File("s_REG_NOR~1.CSV")) == text) << text.size();
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), kept ? 4 : 3);
  }
}

// The fit alone, without files: the pieces agree with the pair loop and with what is kept.
TEST(Regression, FitHoldsEveryPairAndTheKeptCoefficients) {
  const auto d = M({{T("Year"), T("A"), T("B"), T("X")},
                    {1.0, 3.0, 1.0, 1.0},
                    {2.0, 5.1, 2.0, 2.0},
                    {3.0, 6.9, 2.5, 3.0},
                    {4.0, 9.2, 4.5, 4.0},
                    {5.0, 11.0, 4.0, 5.5}});
  for (const RegMethod method : {RegMethod::Normal, RegMethod::Lead, RegMethod::Lag, RegMethod::Constant}) {
    RegressionFit fit;
    std::string error;
    ASSERT_TRUE(FitRegression(d, method, false, fit, error));
    const int rows = method == RegMethod::Constant ? 1 : 3;
    ASSERT_EQ(fit.Rows(), rows);
    ASSERT_EQ(fit.pairs.size(), std::size_t(rows * 3));
    const int n = method == RegMethod::Lead || method == RegMethod::Lag ? 4 : 5;
    for (int i = 1; i <= rows; ++i) {
      for (int j = 1; j <= 3; ++j) {
        const PairFit expected = method == RegMethod::Lead       ? FitPair(d, i, 1, j, 2, n)
                                 : method == RegMethod::Lag      ? FitPair(d, i, 2, j, 1, n)
                                 : method == RegMethod::Constant ? FitPair(d, j, 1, 3, 1, n)
                                                                 : FitPair(d, i, 1, j, 1, n);
        const std::size_t at = std::size_t(i - 1) * 3 + std::size_t(j - 1);
        const PairFit& f = fit.pairs[at];
        EXPECT_EQ(f.b, expected.b) << int(method) << " " << i << " " << j;
        EXPECT_EQ(f.ta, expected.ta) << int(method) << " " << i << " " << j;
        EXPECT_EQ(fit.bMat.Get(i, j), Cell(fit.keptB[at]));
        EXPECT_TRUE(fit.keptB[at] == 0.0 || fit.keptB[at] == f.b);
      }
    }
  }
}

}  // namespace
}  // namespace quantorial

namespace quantorial {
namespace {

// The report's numbers are made without FormatPattern's strings; they must be its bytes for
// every value: at the rounding edges of each pattern, at the ends of the range, for values
// that are not finite, and for a spread of random values of every magnitude.
TEST(Regression, ReportNumbersAreFormatPatternsBytes) {
  const std::vector<std::pair<int, const char*>> patterns = {
      {5, "############.#####"}, {7, "###.#######"}, {3, "####.###"}, {0, "#."}, {1, "#.#"}};
  std::vector<double> values = {0.0,
                                -0.0,
                                1.0,
                                -1.0,
                                0.5,
                                0.000005,
                                0.0000049999999,
                                0.000004999999999999999,
                                -0.000005,
                                9.999995,
                                99999.999995,
                                0.99999999,
                                0.9995,
                                -0.9995,
                                0.00000005,
                                0.0005,
                                1e-300,
                                -1e-300,
                                4.9e-324,
                                1e15,
                                123456789012345678.0,
                                1e300,
                                -1e300,
                                std::numeric_limits<double>::max(),
                                std::numeric_limits<double>::lowest(),
                                std::numeric_limits<double>::min(),
                                std::numeric_limits<double>::infinity(),
                                -std::numeric_limits<double>::infinity(),
                                std::numeric_limits<double>::quiet_NaN(),
                                12.706,
                                2.5,
                                -2.5,
                                0.1 + 0.2,
                                1.0 / 3.0,
                                -2.0 / 3.0};
  std::mt19937_64 gen(30);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> exponent(-12, 18);
  for (int k = 0; k < 20000; ++k) values.push_back(mantissa(gen) * std::pow(10.0, exponent(gen)));
  for (const auto& [decimals, pattern] : patterns) {
    for (const double v : values) {
      std::string made = "x";
      AppendReportNumber(made, v, decimals);
      ASSERT_EQ(made, "x" + FormatPattern(v, pattern)) << std::setprecision(17) << v << " " << pattern;
    }
  }
}

}  // namespace
}  // namespace quantorial
