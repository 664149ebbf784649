#include "regression/Regression.h"

#include <array>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "io/AtomicFile.h"
#include "io/CsvReader.h"
#include "matrix/DenseKernels.h"
#include "matrix/MatrixFunctions.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

// Two-tailed critical values of Student's t, degrees of freedom 1..30, 40, 60, 120, infinity.
constexpr std::array<double, 34> kT05 = {12.706, 4.303, 3.182, 2.776, 2.571, 2.447, 2.365, 2.306, 2.262,
                                         2.228,  2.201, 2.179, 2.160, 2.145, 2.131, 2.120, 2.110, 2.101,
                                         2.093,  2.086, 2.080, 2.074, 2.069, 2.064, 2.060, 2.056, 2.052,
                                         2.048,  2.045, 2.042, 2.021, 2.000, 1.980, 1.960};
constexpr std::array<double, 34> kT01 = {63.657, 9.925, 5.841, 4.604, 4.032, 3.707, 3.499, 3.355, 3.250,
                                         3.169,  3.106, 3.055, 3.012, 2.977, 2.947, 2.921, 2.898, 2.878,
                                         2.861,  2.845, 2.831, 2.819, 2.807, 2.797, 2.787, 2.779, 2.771,
                                         2.763,  2.756, 2.750, 2.704, 2.660, 2.617, 2.576};

double TFor(const std::array<double, 34>& table, int p) {
  // No degrees of freedom left: nothing can be significant.
  if (p < 1 || p > 34) return std::numeric_limits<double>::infinity();
  return table[static_cast<std::size_t>(p - 1)];
}

double Sign(double v) { return v < 0 ? -1.0 : 1.0; }

std::string Verdict(double t, double critical, const char* level) {
  return std::string(std::fabs(t) >= critical ? " - Significant at " : " - Not Significant at ") + level + " Level.";
}

}  // namespace

double TTable05(int p) { return TFor(kT05, p); }
double TTable01(int p) { return TFor(kT01, p); }

int ClassNumber(int df) {
  if (df <= 30) return df;
  if (df <= 34) return 30;
  if (df <= 49) return 31;
  if (df <= 89) return 32;
  if (df <= 149) return 33;
  return 34;
}

const char* ReportTag(RegMethod m) {
  switch (m) {
    case RegMethod::Lead:
      return "REG_LEAD";
    case RegMethod::Lag:
      return "REG_LAG";
    case RegMethod::Constant:
      return "REG_CON";
    default:
      return "REG_NOR";
  }
}
const char* ATag(RegMethod m) {
  switch (m) {
    case RegMethod::Lead:
      return "LED_AMAT";
    case RegMethod::Lag:
      return "LAG_AMAT";
    case RegMethod::Constant:
      return "CON_AMAT";
    default:
      return "NOR_AMAT";
  }
}
const char* BTag(RegMethod m) {
  switch (m) {
    case RegMethod::Lead:
      return "LED_BMAT";
    case RegMethod::Lag:
      return "LAG_BMAT";
    case RegMethod::Constant:
      return "CON_BMAT";
    default:
      return "NOR_BMAT";
  }
}

std::string RegressionPath(const std::string& dataPath, const char* tag) {
  // Only a dot in the file's own name ends the stem: a dot in a folder name must not send
  // the outputs into the parent folder under a truncated name.
  const std::size_t dot = dataPath.find_last_of('.');
  const std::size_t slash = dataPath.find_last_of("/\\");
  const bool inName = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (inName ? dataPath.substr(0, dot) : dataPath) + "_" + tag + ".CSV";
}

namespace {

// The sums one regression needs. Cells that are not numbers count as absent from their
// own variable's sums and from the cross product.
struct Sums {
  double sx = 0, sxx = 0, sy = 0, syy = 0, sxy = 0;
};

// One variable's values over the rows (index 0 unused), non-numbers as 0, so the pairwise
// loop reads a plain array instead of cells.
using Column = std::vector<double>;

Column ColumnOf(const LabelledMatrix& d, int col) {
  const int R = d.UpperRow();
  Column c(static_cast<std::size_t>(R) + 1, 0.0);
  for (int r = 1; r <= R; ++r) {
    const Cell& cell = d.Get(r, col);
    if (IsNumber(cell)) c[static_cast<std::size_t>(r)] = NumberOf(cell);
  }
  return c;
}

// Sum and sum of squares of one column over rows first .. first + n - 1.
void OwnSums(const Column& c, int first, int n, double& s, double& ss) {
  s = 0;
  ss = 0;
  for (int k = 0; k < n; ++k) {
    const double x = c[static_cast<std::size_t>(first + k)];
    s += x;
    ss += x * x;
  }
}

double CrossSum(const Column& y, int yFirst, const Column& x, int xFirst, int n) {
  const double* yv = y.data() + yFirst;
  const double* xv = x.data() + xFirst;
  double sxy = 0;
  for (int k = 0; k < n; ++k) sxy += xv[k] * yv[k];
  return sxy;
}

PairFit FitFromSums(const Sums& s, int n) {
  PairFit f;
  const double sx = s.sx, sy = s.sy, sxy = s.sxy, sxx = s.sxx, syy = s.syy;
  f.df = n - 2;
  const double dn = n;
  const double xbar = sx / dn, ybar = sy / dn;
  const double cxy = sxy - dn * xbar * ybar, cxx = sxx - dn * xbar * xbar;
  if (n < 1 || cxx == 0.0 || f.df < 1) {
    f.estimable = false;
    return f;
  }
  f.b = cxy / cxx;
  f.a = ybar - f.b * xbar;
  const double total = syy - dn * ybar * ybar;
  f.r2 = total != 0.0 ? (f.a * sy + f.b * sxy - dn * ybar * ybar) / total : 0.0;
  const double residual = (syy - f.a * sy - f.b * sxy) / f.df;
  f.se = residual > 0 ? std::sqrt(residual) : 0.0;
  const double sse = total - f.b * cxy;
  const double s2 = sse / f.df;
  const double varB = s2 / cxx;
  const double varA = s2 * sxx / (dn * cxx);
  if (varA != 0.0) {
    f.ta = Sign(f.a) * std::sqrt(f.a * f.a / varA);
  } else {
    f.a = 1.0;
  }
  if (varB != 0.0) {
    f.tb = Sign(f.b) * std::sqrt(f.b * f.b / varB);
  } else {
    f.b = 1.0;
  }
  return f;
}

}  // namespace

PairFit FitPair(const LabelledMatrix& data, int yCol, int yFirst, int xCol, int xFirst, int n) {
  const Column y = ColumnOf(data, yCol), x = ColumnOf(data, xCol);
  Sums s;
  OwnSums(x, xFirst, n, s.sx, s.sxx);
  OwnSums(y, yFirst, n, s.sy, s.syy);
  s.sxy = CrossSum(y, yFirst, x, xFirst, n);
  return FitFromSums(s, n);
}

std::string ReportBlock(const std::string& yName, const std::string& xName, const PairFit& f) {
  const int p = ClassNumber(f.df);
  const std::string nl = "\r\n";
  std::string s;
  s += std::string(56, '*') + nl + nl;
  s += "REGRESSION OF " + yName + " ON " + xName + nl;
  s += "------------------ With Intercept ----------------------" + nl;
  s += "  Intercept   (a) =" + FormatPattern(f.a, "############.#####") + nl;
  s += "  Coefficient (b) =" + FormatPattern(f.b, "############.#####") + nl;
  s += "  R-Squared (R*R) =" + FormatPattern(f.r2, "###.#######") + nl;
  s += std::string(55, '-') + " " + nl + nl;
  s += "Std. Error of Y Estimated = " + FormatPattern(f.se, "############.#####") + nl;
  if (p < 1) {
    // Two periods or fewer leave no degree of freedom: the table has no value to test with.
    const std::string df = std::to_string(f.df) + "df";
    s += "Tabulated T-Value(0.05) at " + df + " is none: too few periods, the pair cannot be tested" + nl;
    s += "Tabulated T-Value(0.01) at " + df + " is none: too few periods, the pair cannot be tested" + nl;
  } else {
    s += "Tabulated T-Value(0.05) at " + FormatPattern(p, "####df") + " is " + FormatPattern(TTable05(p), "###.###") +
         nl;
    s += "Tabulated T-Value(0.01) at " + FormatPattern(p, "####df") + " is " + FormatPattern(TTable01(p), "###.###") +
         nl;
  }
  s += nl + "T-Values for Coefficient(b)" + nl;
  s += FormatPattern(p, "T(###df) = ") + FormatPattern(f.tb, "####.###") + Verdict(f.tb, TTable05(p), "0.05") + nl;
  s += FormatPattern(p, "T(###df) = ") + FormatPattern(f.tb, "####.###") + Verdict(f.tb, TTable01(p), "0.01") + nl;
  s += nl + "T-Values for Intercept(a)" + nl;
  s += FormatPattern(p, "T(###df) = ") + FormatPattern(f.ta, "####.###") + Verdict(f.ta, TTable05(p), "0.05") + nl;
  s += FormatPattern(p, "T(###df) = ") + FormatPattern(f.ta, "####.###") + Verdict(f.ta, TTable01(p), "0.01") + nl;
  return s;
}

std::string KeptEarlierPath(const std::string& path, int number) {
  const std::size_t dot = path.find_last_of('.');
  const std::size_t slash = path.find_last_of('/');
  const bool inName = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  const std::string tail = "~" + std::to_string(number);
  return inName ? path.substr(0, dot) + tail + path.substr(dot) : path + tail;
}

namespace {

// Renames every existing file among `files` whose text differs from what is about to be
// written to a numbered name beside it, one number for the whole run, so that no earlier
// table (a B table another model was built on, say) is replaced silently.
bool KeepEarlierTables(const std::vector<std::pair<std::string, const std::string*>>& files,
                       std::vector<std::pair<std::string, std::string>>& kept, std::string& error) {
  constexpr int kMostKept = 9999;
  std::vector<std::string> changing;
  for (const auto& [path, text] : files) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) continue;  // nothing there yet
    std::string earlier, why;
    if (size == text->size() && ReadWholeFile(path, earlier, why) && earlier == *text) continue;
    changing.push_back(path);
  }
  if (changing.empty()) return true;
  int number = 1;
  for (; number <= kMostKept; ++number) {
    bool free = true;
    for (const std::string& path : changing) {
      std::error_code ec;
      if (std::filesystem::exists(KeptEarlierPath(path, number), ec) || ec) free = false;
    }
    if (free) break;
  }
  if (number > kMostKept) {
    error = "the earlier tables \"" + changing.front() + "\" were not replaced: " + std::to_string(kMostKept) +
            " numbered copies of them are kept already; move earlier copies away and run the regression again";
    return false;
  }
  for (const std::string& path : changing) {
    const std::string to = KeptEarlierPath(path, number);
    std::error_code ec;
    std::filesystem::rename(path, to, ec);
    if (ec) {
      error = "cannot keep the earlier \"" + path + "\" as \"" + to + "\": " + ec.message() + "; nothing was written";
      for (const auto& [back, from] : kept) std::filesystem::rename(from, back, ec);  // as they were
      kept.clear();
      return false;
    }
    kept.emplace_back(path, to);
  }
  return true;
}

}  // namespace

std::string InvalidDataPrompt(bool loaded) {
  return std::string(kInvalidDataPrompt) + "\n\n" +
         (loaded ? "The primary data file holds no series to work on: it needs a row of names and at least one "
                   "row of values."
                 : "No data are loaded: load a primary data file first (\"Select Primary Data File\"), then try "
                   "again.");
}

bool CreateBMatrix(const LabelledMatrix& d, const std::string& namingPath, RegMethod method, bool useOnePercent,
                   Host& host, RegressionResult& result, std::string& error) {
  const int R = d.UpperRow(), C = d.UpperCol();
  if (!d.IsAssigned() || R < 1 || C < 1) {
    MsgBoxEx(host, InvalidDataPrompt(d.IsAssigned()), vbCritical, std::string(kInvalidDataTitle));
    error = "the data hold no rows or no columns";
    return false;
  }
  result.reportPath = RegressionPath(namingPath, ReportTag(method));
  result.aPath = RegressionPath(namingPath, ATag(method));
  result.bPath = RegressionPath(namingPath, BTag(method));
  const std::string ySuffix = method == RegMethod::Lead ? "(t)" : "";
  const std::string xSuffix = method == RegMethod::Lead ? "(t+1)" : "";
  std::vector<std::string> names(static_cast<std::size_t>(C) + 1);
  for (int k = 0; k <= C; ++k) names[static_cast<std::size_t>(k)] = CellText(d.Get(0, k));
  auto name = [&](int k) { return names[static_cast<std::size_t>(k)]; };
  // The files hold a name as a CSV field, so that one with a comma or a quote reads back
  // as one cell; the matrices hold it as it is.
  auto field = [&](int k, const std::string& suffix = std::string()) { return CsvField(name(k) + suffix); };

  result.aMat = LabelledMatrix::Dimension(C, C);
  result.bMat = LabelledMatrix::Dimension(C, C);
  for (int k = 0; k <= C; ++k) {
    result.aMat.Set(k, 0, name(k));
    if (k >= 1) result.bMat.Set(k, 0, name(k) + ySuffix);
  }
  std::string report, aTable, bTable;
  for (int k = 0; k <= C; ++k) aTable += field(k) + ",";
  aTable += "\r\n";
  bTable += ",";
  for (int k = 1; k <= C; ++k) bTable += field(k, xSuffix) + ",";
  bTable += "\r\n";

  const bool constant = method == RegMethod::Constant;
  const int outer = constant ? 1 : C;
  const int n = (method == RegMethod::Lead || method == RegMethod::Lag) ? R - 1 : R;
  // Each variable's values and its own sums over the two windows a method uses (from the
  // first row, and from the second), so a pair costs one cross product.
  std::vector<Column> cols(static_cast<std::size_t>(C) + 1);
  std::vector<std::array<double, 2>> own1(static_cast<std::size_t>(C) + 1), own2(own1);
  for (int k = 1; k <= C; ++k) {
    const auto kk = static_cast<std::size_t>(k);
    cols[kk] = ColumnOf(d, k);
    OwnSums(cols[kk], 1, n, own1[kk][0], own1[kk][1]);
    if (n >= 1 && n + 1 <= R) OwnSums(cols[kk], 2, n, own2[kk][0], own2[kk][1]);
  }
  // Every pair's cross product at once, as one matrix product: row r of `ys` is the y
  // window of outer row r + 1 (the last variable for the constant method), column j - 1 of
  // `xs` the x window of variable j (each variable for the constant method). Each sum still
  // adds its terms from the first period on, so the sums are the pair loop's to the bit.
  const int aRows = constant ? 1 : C;
  const int yWindow = method == RegMethod::Lag ? 2 : 1, xWindow = method == RegMethod::Lead ? 2 : 1;
  const std::size_t periods = static_cast<std::size_t>(std::max(n, 0)), width = static_cast<std::size_t>(C);
  std::vector<double> crossSums(static_cast<std::size_t>(aRows) * width);
  {
    std::vector<double> ys(static_cast<std::size_t>(aRows) * periods), xs(periods * width);
    for (int r = 0; r < aRows; ++r) {
      const Column& y = cols[static_cast<std::size_t>(constant ? C : r + 1)];
      for (std::size_t k = 0; k < periods; ++k) ys[static_cast<std::size_t>(r) * periods + k] = y[yWindow + k];
    }
    for (int j = 1; j <= C; ++j) {
      const Column& x = cols[static_cast<std::size_t>(j)];
      for (std::size_t k = 0; k < periods; ++k) xs[k * width + static_cast<std::size_t>(j - 1)] = x[xWindow + k];
    }
    dense::Multiply(ys.data(), xs.data(), crossSums.data(), static_cast<std::size_t>(aRows), periods, width);
  }
  auto fit = [&](int yCol, int yFirst, int xCol, int xFirst, int sumRow, int sumCol) {
    const auto yk = static_cast<std::size_t>(yCol), xk = static_cast<std::size_t>(xCol);
    const auto& ys = yFirst == 1 ? own1[yk] : own2[yk];
    const auto& xs = xFirst == 1 ? own1[xk] : own2[xk];
    Sums sums;
    sums.sx = xs[0];
    sums.sxx = xs[1];
    sums.sy = ys[0];
    sums.syy = ys[1];
    sums.sxy = crossSums[static_cast<std::size_t>(sumRow - 1) * width + static_cast<std::size_t>(sumCol - 1)];
    return FitFromSums(sums, n);
  };
  // One row of pairs (y = variable i, or each variable on the last one) as the files hold
  // it: its report blocks, its A and B table cells, and the values kept.
  struct Row {
    std::string report, a, b;
    std::vector<double> aValues, bValues;
  };
  auto computeRow = [&](int i, Row& out) {
    out.aValues.resize(static_cast<std::size_t>(C) + 1);
    out.bValues.resize(static_cast<std::size_t>(C) + 1);
    for (int j = 1; j <= C; ++j) {
      PairFit f;
      std::string yName, xName;
      switch (method) {
        case RegMethod::Lead:  // y at t, x at t + 1
          f = fit(i, 1, j, 2, i, j);
          yName = field(i, "(t)");
          xName = field(j, "(t+1)");
          break;
        case RegMethod::Lag:  // y at t + 1, x at t
          f = fit(i, 2, j, 1, i, j);
          yName = field(i, "(t)");
          xName = field(j, "(t-1)");
          break;
        case RegMethod::Constant:  // each variable on the last one
          f = fit(j, 1, C, 1, 1, j);
          yName = field(j);
          xName = field(C);
          break;
        case RegMethod::Normal:
          f = fit(i, 1, j, 1, i, j);
          yName = field(i);
          xName = field(j);
          break;
      }
      out.report += ReportBlock(yName, xName, f);
      const int p = ClassNumber(f.df);
      const double T = useOnePercent ? TTable01(p) : TTable05(p);
      const bool keepA = f.estimable && (std::fabs(f.ta) >= T || f.a == 1.0);
      const bool keepB = f.estimable && (std::fabs(f.tb) >= T || f.b == 1.0);
      const double a = keepA ? f.a : 0.0, b = keepB ? f.b : 0.0;
      out.aValues[static_cast<std::size_t>(j)] = a;
      out.bValues[static_cast<std::size_t>(j)] = b;
      out.a += TableForm(a) + ",";
      out.b += TableForm(b) + ",";
    }
  };
  // Rows are computed a block at a time on every core, then written in order here (the
  // files are the same byte for byte); between blocks a long run says how far it has come.
  const unsigned threads = std::max(1u, std::min(std::thread::hardware_concurrency(), 64u));
  const int block = static_cast<int>(threads) * 8;
  const long long total = static_cast<long long>(outer) * C;
  long long done = 0;
  auto started = std::chrono::steady_clock::now(), shown = started;
  for (int first = 1; first <= outer; first += block) {
    const int last = std::min(outer, first + block - 1);
    std::vector<Row> rows(static_cast<std::size_t>(last - first + 1));
    auto work = [&](unsigned t) {
      for (int i = first + static_cast<int>(t); i <= last; i += static_cast<int>(threads)) {
        computeRow(i, rows[static_cast<std::size_t>(i - first)]);
      }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads && first + static_cast<int>(t) <= last; ++t) {
      try {
        pool.emplace_back(work, t);
      } catch (const std::system_error&) {
        break;  // fewer threads: the rows left to them are done below
      }
    }
    const unsigned started_threads = static_cast<unsigned>(pool.size()) + 1;
    work(0);
    for (std::thread& th : pool) th.join();
    for (unsigned t = started_threads; t < threads; ++t) work(t);
    if (first == 1) {
      // The whole report is about as long per pair as the first block's: one allocation
      // instead of a copy at every doubling of a report of a hundred megabytes.
      std::size_t firstBlock = 0;
      for (const Row& r : rows) firstBlock += r.report.size();
      report.reserve(firstBlock / rows.size() * static_cast<std::size_t>(outer) + firstBlock);
    }
    for (int i = first; i <= last; ++i) {
      Row& r = rows[static_cast<std::size_t>(i - first)];
      aTable += (constant ? field(C) : field(i)) + ",";
      bTable += (constant ? field(C) : field(i, ySuffix)) + ",";
      if (constant) {
        result.aMat.Set(0, C, name(C));
        result.bMat.Set(0, C, name(C) + xSuffix);
      } else {
        result.aMat.Set(0, i, name(i));
        result.bMat.Set(0, i, name(i) + xSuffix);
      }
      const int row = constant ? 1 : i;
      for (int j = 1; j <= C; ++j) {
        result.aMat.Set(row, j, r.aValues[static_cast<std::size_t>(j)]);
        result.bMat.Set(row, j, r.bValues[static_cast<std::size_t>(j)]);
      }
      report += r.report;
      aTable += r.a + "\r\n";
      bTable += r.b + "\r\n";
      done += C;
    }
    // A long run says how far it has come, and lets the window breathe.
    const auto now = std::chrono::steady_clock::now();
    if (now - started > std::chrono::seconds(1) && now - shown > std::chrono::milliseconds(250)) {
      host.HoldOn("Regression " + std::to_string(done) + " of " + std::to_string(total));
      shown = now;
    }
  }
  if (std::chrono::steady_clock::now() - started > std::chrono::seconds(1)) host.HoldOn("");
  if (!KeepEarlierTables({{result.reportPath, &report}, {result.aPath, &aTable}, {result.bPath, &bTable}},
                         result.keptEarlier, error)) {
    return false;
  }
  // Every file is tried, so one that cannot be written does not keep the others from
  // being written; each failure is named.
  error.clear();
  for (const auto& [path, text] :
       {std::pair{result.reportPath, &report}, std::pair{result.aPath, &aTable}, std::pair{result.bPath, &bTable}}) {
    std::string why;
    if (!WriteFileAtomically(path, *text, why)) {
      if (!error.empty()) error += "\n";
      error += "cannot write \"" + path + "\": " + why;
    }
  }
  if (!error.empty()) return false;
  return true;
}

}  // namespace quantorial
