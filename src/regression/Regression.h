#pragma once
// The regression engine: one simple linear regression y = a + b x with intercept for every
// ordered pair of variables under one of four pairings, a Student-t test of a and b at 5 %
// or 1 %, the kept coefficients as an A-matrix (intercepts) and a B-matrix (slopes), and
// three text files beside the data: the report and the A and B tables.

#include <string>
#include <utility>
#include <vector>

#include "frontend/Host.h"
#include "workspace/LabelledMatrix.h"

namespace quantorial {

enum class RegMethod { Lead = 1, Lag = 2, Constant = 3, Normal = 4 };

// The message of data without rows or columns to regress.
inline constexpr const char* kInvalidDataPrompt =
    "Data sources does not provide a compatible matrix format! Please check your input file/array.";
inline constexpr const char* kInvalidDataTitle = "Error! Invalid Data";
// The message with what to do next: load data when none are loaded, else what the data lack.
std::string InvalidDataPrompt(bool loaded);

struct RegressionResult {
  LabelledMatrix bMat;  // mRegBMat: kept slopes
  LabelledMatrix aMat;  // mAMat: kept intercepts
  std::string reportPath, aPath, bPath;
  // Earlier tables of the same names that the run replaced, each kept under a numbered
  // name beside it: (path, where the earlier file now is).
  std::vector<std::pair<std::string, std::string>> keptEarlier;
};

// The numbered name an earlier regression table is kept under: "x_NOR_BMAT.CSV" and 3 give
// "x_NOR_BMAT~3.CSV" (the A table of a kept B table stays its pair under the same number).
std::string KeptEarlierPath(const std::string& path, int number);

// The two-tailed critical value of Student's t for class number p (1..34) at 5 % or 1 %.
double TTable05(int p);
double TTable01(int p);
// The class number of the degrees of freedom.
int ClassNumber(int df);

// One pair's regression, as the report states it.
struct PairFit {
  double a = 0, b = 0, r2 = 0, se = 0, ta = 0, tb = 0;
  int df = 0;
  bool estimable = true;  // false for a constant regressor or fewer than three periods
};
// Regresses y on x over n periods; cells that are not numbers are left out of the sums.
PairFit FitPair(const LabelledMatrix& data, int yCol, int yFirst, int xCol, int xFirst, int n);

// CreateBMatrix: runs the regressions of `data` by `method`, writes the three files named
// after `namingPath` (its stem, then "_" and the method's tags, then ".CSV"), and fills the
// result. False with the "Error! Invalid Data" message (through the host) for data
// without rows or columns, or with a reason when a file cannot be written.
bool CreateBMatrix(const LabelledMatrix& data, const std::string& namingPath, RegMethod method, bool useOnePercent,
                   Host& host, RegressionResult& result, std::string& error);

// The report block of one pair (lines ending in CRLF), as the report file holds it.
std::string ReportBlock(const std::string& yName, const std::string& xName, const PairFit& fit);

// The output paths for a data path and a method.
std::string RegressionPath(const std::string& dataPath, const char* tag);
const char* ReportTag(RegMethod m);
const char* ATag(RegMethod m);
const char* BTag(RegMethod m);

}  // namespace quantorial
