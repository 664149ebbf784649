#pragma once
// The regression engine: one simple linear regression y = a + b x with intercept for every
// ordered pair of variables under one of four pairings, a Student-t test of a and b at 5 %
// or 1 %, the kept coefficients as an A-matrix (intercepts) and a B-matrix (slopes), and
// three text files beside the data: the report and the A and B tables.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

enum class RegMethod { Lead = 1, Lag = 2, Constant = 3, Normal = 4 };

// One pair's regression, as the report states it.
struct PairFit {
  double a = 0, b = 0, r2 = 0, se = 0, ta = 0, tb = 0;
  int df = 0;
  bool estimable = true;  // false for a constant regressor or fewer than three periods
};

// The fit of one run: every pair's statistics and the coefficients kept at the chosen level.
// The pairs are held row by row as the report lists them: for every method but the constant
// one, row i holds variable i regressed on each variable j; the constant method has one row,
// each variable j regressed on the last one.
struct RegressionFit {
  RegMethod method = RegMethod::Normal;
  bool useOnePercent = false;
  int variables = 0;                 // the data's columns after the first
  int periods = 0;                   // the periods each pair is regressed over
  std::vector<std::string> names;    // the row of names, index 0 .. variables
  std::vector<PairFit> pairs;        // Rows() x variables, row by row
  std::vector<double> keptA, keptB;  // the same shape: the coefficient kept, or 0
  LabelledMatrix aMat, bMat;         // the kept intercepts and slopes, labelled
  int Rows() const { return method == RegMethod::Constant ? 1 : variables; }
};

// The notice of data without rows or columns to regress.
inline constexpr const char* kNoRowsOrColumns = "the data hold no rows or no columns";

// Fits every pair of `data` (a row of names, then a row of values per period; the first
// column is not regressed) by `method`, keeping a coefficient whose t value reaches the
// critical value at 1 % or 5 %. False with `notice` for data without rows or columns.
bool FitRegression(const LabelledMatrix& data, RegMethod method, bool useOnePercent, RegressionFit& fit,
                   std::string& notice);

// The report's text for rows first .. last of the fit's pairs (1-based), appended to `out`.
void AppendReportRows(const RegressionFit& fit, int first, int last, std::string& out);
// The report's whole text, and the A and B tables' texts, as the files hold them.
std::string ReportText(const RegressionFit& fit);
std::string ATableText(const RegressionFit& fit);
std::string BTableText(const RegressionFit& fit);

struct RegressionResult {
  LabelledMatrix bMat;  // mRegBMat: kept slopes
  LabelledMatrix aMat;  // mAMat: kept intercepts
  std::string reportPath, aPath, bPath;
  // Earlier tables of the same names that the run replaced, each kept under a numbered
  // name beside it: (path, where the earlier file now is).
  std::vector<std::pair<std::string, std::string>> keptEarlier;
};

// Told how many of the pairs are in the report so far, and of how many.
using RegressionProgress = std::function<void(long long done, long long total)>;

// Writes the report and the A and B tables of `fit` named after `namingPath` (its stem, then
// "_" and the method's tags, then ".CSV"), each atomically; earlier tables that would change
// are first kept under numbered names. Fills the paths, the kept names and the matrices of
// `result`. False with a reason naming each file that cannot be written.
bool WriteRegressionFiles(const RegressionFit& fit, const std::string& namingPath, RegressionResult& result,
                          std::string& error, const RegressionProgress& progress = {});

// The numbered name an earlier regression table is kept under: "x_NOR_BMAT.CSV" and 3 give
// "x_NOR_BMAT~3.CSV" (the A table of a kept B table stays its pair under the same number).
std::string KeptEarlierPath(const std::string& path, int number);

// The two-tailed critical value of Student's t for class number p (1..34) at 5 % or 1 %.
double TTable05(int p);
double TTable01(int p);
// The class number of the degrees of freedom.
int ClassNumber(int df);

// Regresses y on x over n periods; cells that are not numbers are left out of the sums.
PairFit FitPair(const LabelledMatrix& data, int yCol, int yFirst, int xCol, int xFirst, int n);

// CreateBMatrix: FitRegression, then WriteRegressionFiles. False with kNoRowsOrColumns for
// data without rows or columns, or with the reason a file cannot be written.
bool CreateBMatrix(const LabelledMatrix& data, const std::string& namingPath, RegMethod method, bool useOnePercent,
                   RegressionResult& result, std::string& error);

// Appends what FormatPattern gives for `v` and a pattern of '#'s, a point and `decimals` '#'s
// (0 to 20), as the report prints its numbers: "-" for a negative value, the whole digits
// without leading zeros, the point, the fraction rounded half up from 15 significant digits
// without its trailing zeros ("-1.5", ".25", "3.", "."). Made without a string per number: a
// report holds millions of them.
void AppendReportNumber(std::string& out, double v, int decimals);

// The report block of one pair (lines ending in CRLF), as the report file holds it.
std::string ReportBlock(const std::string& yName, const std::string& xName, const PairFit& fit);

// The output paths for a data path and a method.
std::string RegressionPath(const std::string& dataPath, const char* tag);
const char* ReportTag(RegMethod m);
const char* ATag(RegMethod m);
const char* BTag(RegMethod m);

}  // namespace quantorial
