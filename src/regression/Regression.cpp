#include "regression/Regression.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
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

namespace {

// The lines of a report block that depend only on the class number of the degrees of
// freedom, the same for every pair of a run: made once, not once a pair.
struct ClassLines {
  int p = 0;
  std::string tabulated;  // the two "Tabulated T-Value" lines
  std::string tPrefix;    // "T(##df) = "
  double t05 = 0, t01 = 0;
};

ClassLines LinesOfClass(int df) {
  ClassLines c;
  c.p = ClassNumber(df);
  const std::string nl = "\r\n";
  if (c.p < 1) {
    // Two periods or fewer leave no degree of freedom: the table has no value to test with.
    const std::string d = std::to_string(df) + "df";
    c.tabulated = "Tabulated T-Value(0.05) at " + d + " is none: too few periods, the pair cannot be tested" + nl +
                  "Tabulated T-Value(0.01) at " + d + " is none: too few periods, the pair cannot be tested" + nl;
  } else {
    c.tabulated = "Tabulated T-Value(0.05) at " + FormatPattern(c.p, "####df") + " is " +
                  FormatPattern(TTable05(c.p), "###.###") + nl + "Tabulated T-Value(0.01) at " +
                  FormatPattern(c.p, "####df") + " is " + FormatPattern(TTable01(c.p), "###.###") + nl;
  }
  c.tPrefix = FormatPattern(c.p, "T(###df) = ");
  c.t05 = TTable05(c.p);
  c.t01 = TTable01(c.p);
  return c;
}

}  // namespace

void AppendReportNumber(std::string& out, double v, int decimals) {
  decimals = std::clamp(decimals, 0, 20);
  if (v < 0) out += '-';
  const double a = std::fabs(v);
  // N: the digits of |v| * 10^decimals rounded half up from its 15 significant digits,
  // without leading zeros (none for zero).
  char n[400];
  std::size_t len = 0;
  if (a != 0.0 && std::isfinite(a)) {
    char buf[40];  // "d.dddddddddddddde+XX"
    const auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 14);
    char digits[15];
    digits[0] = buf[0];
    std::memcpy(digits + 1, buf + 2, 14);
    const char* e = buf + 17;
    const bool negative = *e == '-';
    int exp10 = 0;
    for (++e; e < r.ptr; ++e) exp10 = exp10 * 10 + (*e - '0');
    if (negative) exp10 = -exp10;
    const int keep = exp10 + 1 + decimals;
    if (keep >= 0 && keep < 15) {
      std::memcpy(n, digits, static_cast<std::size_t>(keep));
      len = static_cast<std::size_t>(keep);
      if (digits[keep] >= '5') {
        int i = keep - 1;
        while (i >= 0 && n[i] == '9') n[i--] = '0';
        if (i < 0) {
          std::memmove(n + 1, n, len++);
          n[0] = '1';
        } else {
          ++n[i];
        }
      }
    } else if (keep >= 15) {
      std::memcpy(n, digits, 15);
      std::memset(n + 15, '0', static_cast<std::size_t>(keep - 15));
      len = static_cast<std::size_t>(keep);
    }
    std::size_t nz = 0;
    while (nz < len && n[nz] == '0') ++nz;
    if (nz == len) len = 0;
    if (nz > 0 && len > 0) {
      std::memmove(n, n + nz, len - nz);
      len -= nz;
    }
  }
  // The whole digits, the point, and the fraction's digits without its trailing zeros.
  const std::size_t d = static_cast<std::size_t>(decimals);
  std::size_t fractionFrom = 0, zeros = 0;
  if (len > d) {
    out.append(n, len - d);
    fractionFrom = len - d;
  } else {
    zeros = d - len;
  }
  out += '.';
  std::size_t end = len;
  while (end > fractionFrom && n[end - 1] == '0') --end;
  if (end > fractionFrom) {
    out.append(zeros, '0');
    out.append(n + fractionFrom, end - fractionFrom);
  }
}

namespace {

void AppendVerdict(std::string& out, double t, double critical, const char* level) {
  out += std::fabs(t) >= critical ? " - Significant at " : " - Not Significant at ";
  out += level;
  out += " Level.\r\n";
}

void AppendBlock(std::string& out, const std::string& yName, const std::string& xName, const PairFit& f,
                 const ClassLines& c) {
  static const std::string stars = std::string(56, '*') + "\r\n\r\n";
  static const std::string rule = std::string(55, '-') + " \r\n\r\n";
  out += stars;
  out += "REGRESSION OF ";
  out += yName;
  out += " ON ";
  out += xName;
  out += "\r\n------------------ With Intercept ----------------------\r\n  Intercept   (a) =";
  AppendReportNumber(out, f.a, 5);
  out += "\r\n  Coefficient (b) =";
  AppendReportNumber(out, f.b, 5);
  out += "\r\n  R-Squared (R*R) =";
  AppendReportNumber(out, f.r2, 7);
  out += "\r\n";
  out += rule;
  out += "Std. Error of Y Estimated = ";
  AppendReportNumber(out, f.se, 5);
  out += "\r\n";
  out += c.tabulated;
  std::string tb, ta;
  AppendReportNumber(tb, f.tb, 3);
  AppendReportNumber(ta, f.ta, 3);
  out += "\r\nT-Values for Coefficient(b)\r\n";
  for (const auto& [critical, level] : {std::pair{c.t05, "0.05"}, std::pair{c.t01, "0.01"}}) {
    out += c.tPrefix;
    out += tb;
    AppendVerdict(out, f.tb, critical, level);
  }
  out += "\r\nT-Values for Intercept(a)\r\n";
  for (const auto& [critical, level] : {std::pair{c.t05, "0.05"}, std::pair{c.t01, "0.01"}}) {
    out += c.tPrefix;
    out += ta;
    AppendVerdict(out, f.ta, critical, level);
  }
}

}  // namespace

std::string ReportBlock(const std::string& yName, const std::string& xName, const PairFit& f) {
  std::string s;
  AppendBlock(s, yName, xName, f, LinesOfClass(f.df));
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

// Renames every file among `changing` to a numbered name beside it, one number for the whole
// run, so that no earlier table (a B table another model was built on, say) is replaced
// silently.
bool KeepEarlierTables(const std::vector<std::string>& changing, std::vector<std::pair<std::string, std::string>>& kept,
                       std::string& error) {
  constexpr int kMostKept = 9999;
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

// A transient array of doubles of the fit, tens of megabytes for thousands of periods and
// hundreds of variables. Taken from the kernel in huge pages where it grants them, so that the
// first touch costs one fault every two megabytes instead of every four kilobytes; the
// contents start undefined.
class Doubles {
 public:
  explicit Doubles(std::size_t count) {
    constexpr std::size_t kHuge = std::size_t{2} << 20;
    const std::size_t bytes = std::max<std::size_t>(count, 1) * sizeof(double);
    if (bytes >= kHuge) {
      size_ = bytes + kHuge;
      void* m = ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      if (m != MAP_FAILED) {
        map_ = m;
        const auto at = (reinterpret_cast<std::uintptr_t>(m) + kHuge - 1) & ~(kHuge - 1);
        ::madvise(reinterpret_cast<void*>(at), bytes, MADV_HUGEPAGE);
        data_ = reinterpret_cast<double*>(at);
        return;
      }
    }
    heap_.reset(new double[std::max<std::size_t>(count, 1)]);
    data_ = heap_.get();
  }
  ~Doubles() {
    if (map_) ::munmap(map_, size_);
  }
  Doubles(const Doubles&) = delete;
  Doubles& operator=(const Doubles&) = delete;
  double* get() const { return data_; }

 private:
  void* map_ = nullptr;
  std::size_t size_ = 0;
  std::unique_ptr<double[]> heap_;
  double* data_ = nullptr;
};

// The suffixes of the names in the tables' labels: the B table marks the lead method's
// periods; the report marks the lead's and the lag's.
std::string YSuffix(RegMethod m) { return m == RegMethod::Lead ? "(t)" : ""; }
std::string XSuffix(RegMethod m) { return m == RegMethod::Lead ? "(t+1)" : ""; }

// The names of the report's blocks as CSV fields, so that a name with a comma or a quote
// reads back as one cell: block (i, j) regresses y[i] on x[j], or, for the constant method,
// y[j] on x[variables].
struct BlockNames {
  std::vector<std::string> y, x;
};

BlockNames BlockNamesOf(const RegressionFit& fit) {
  BlockNames n;
  const auto C = static_cast<std::size_t>(fit.variables);
  n.y.resize(C + 1);
  n.x.resize(C + 1);
  const char* ySuffix = fit.method == RegMethod::Lead || fit.method == RegMethod::Lag ? "(t)" : "";
  const char* xSuffix = fit.method == RegMethod::Lead ? "(t+1)" : fit.method == RegMethod::Lag ? "(t-1)" : "";
  for (std::size_t k = 1; k <= C; ++k) {
    n.y[k] = CsvField(fit.names[k] + ySuffix);
    n.x[k] = CsvField(fit.names[k] + xSuffix);
  }
  return n;
}

void AppendRows(const RegressionFit& fit, const BlockNames& names, const ClassLines& lines, int first, int last,
                std::string& out) {
  const int C = fit.variables;
  const bool constant = fit.method == RegMethod::Constant;
  for (int i = first; i <= last; ++i) {
    for (int j = 1; j <= C; ++j) {
      const PairFit& f =
          fit.pairs[static_cast<std::size_t>(i - 1) * static_cast<std::size_t>(C) + static_cast<std::size_t>(j - 1)];
      const std::string& y = names.y[static_cast<std::size_t>(constant ? j : i)];
      const std::string& x = names.x[static_cast<std::size_t>(constant ? C : j)];
      if (f.df == fit.periods - 2) {
        AppendBlock(out, y, x, f, lines);
      } else {
        AppendBlock(out, y, x, f, LinesOfClass(f.df));
      }
    }
  }
}

std::string TableText(const RegressionFit& fit, const std::vector<double>& kept, bool bTable) {
  const int C = fit.variables;
  const bool constant = fit.method == RegMethod::Constant;
  auto field = [&](int k, const std::string& suffix) {
    return CsvField(fit.names[static_cast<std::size_t>(k)] + suffix);
  };
  const std::string ySuffix = bTable ? YSuffix(fit.method) : "", xSuffix = bTable ? XSuffix(fit.method) : "";
  std::string t;
  // The A table's corner holds the first column's name; the B table's is empty.
  if (!bTable) t += field(0, "") + ",";
  if (bTable) t += ",";
  for (int k = 1; k <= C; ++k) t += field(k, xSuffix) + ",";
  t += "\r\n";
  for (int i = 1; i <= fit.Rows(); ++i) {
    t += (constant ? field(C, "") : field(i, ySuffix)) + ",";
    for (int j = 1; j <= C; ++j) {
      t += TableForm(
          kept[static_cast<std::size_t>(i - 1) * static_cast<std::size_t>(C) + static_cast<std::size_t>(j - 1)]);
      t += ',';
    }
    t += "\r\n";
  }
  return t;
}

}  // namespace

bool FitRegression(const LabelledMatrix& d, RegMethod method, bool useOnePercent, RegressionFit& fit,
                   std::string& notice) {
  const int R = d.UpperRow(), C = d.UpperCol();
  if (!d.IsAssigned() || R < 1 || C < 1) {
    notice = kNoRowsOrColumns;
    return false;
  }
  fit = RegressionFit();
  fit.method = method;
  fit.useOnePercent = useOnePercent;
  fit.variables = C;
  fit.names.resize(static_cast<std::size_t>(C) + 1);
  for (int k = 0; k <= C; ++k) fit.names[static_cast<std::size_t>(k)] = CellText(d.Get(0, k));
  const bool constant = method == RegMethod::Constant;
  const int n = (method == RegMethod::Lead || method == RegMethod::Lag) ? R - 1 : R;
  fit.periods = n;

  // Every value once, period by period (row-major, periods 1 .. R as rows 0 .. R-1; cells
  // that are not numbers as 0), and each variable's own sums over the two windows a method
  // uses (from the first period, and from the second), so a pair costs one cross product.
  // Each sum adds its terms from the window's first period on, as the pair loop does.
  const std::size_t width = static_cast<std::size_t>(C), rowsOfData = static_cast<std::size_t>(R);
  const Doubles values(rowsOfData * width);
  for (int r = 1; r <= R; ++r) {
    double* row = values.get() + static_cast<std::size_t>(r - 1) * width;
    for (int k = 1; k <= C; ++k) {
      if (!d.GetDouble(r, k, row[k - 1])) {
        const Cell cell = d.Get(r, k);
        row[k - 1] = IsNumber(cell) ? NumberOf(cell) : 0.0;
      }
    }
  }
  // own[w][0][k] is variable k + 1's sum over window w + 1, own[w][1][k] its sum of squares.
  std::vector<double> own[2][2];
  auto ownSums = [&](int from, std::vector<double>(&sums)[2]) {
    sums[0].assign(width, 0.0);
    sums[1].assign(width, 0.0);
    double* s = sums[0].data();
    double* ss = sums[1].data();
    for (int t = 0; t < n; ++t) {
      const double* row = values.get() + static_cast<std::size_t>(from - 1 + t) * width;
      for (std::size_t k = 0; k < width; ++k) {
        s[k] += row[k];
        ss[k] += row[k] * row[k];
      }
    }
  };
  ownSums(1, own[0]);
  if (n >= 1 && n + 1 <= R) {
    ownSums(2, own[1]);
  } else {
    own[1][0].assign(width, 0.0);
    own[1][1].assign(width, 0.0);
  }
  // Every pair's cross product at once, as one matrix product: row r of `ys` is the y
  // window of outer row r + 1 (the last variable for the constant method); the x windows are
  // the value rows from the x window's first period on, variable j in column j - 1. Each sum
  // still adds its terms from the first period on, so the sums are the pair loop's to the bit.
  const int aRows = fit.Rows();
  const int yWindow = method == RegMethod::Lag ? 2 : 1, xWindow = method == RegMethod::Lead ? 2 : 1;
  const std::size_t periods = static_cast<std::size_t>(std::max(n, 0));
  std::vector<double> crossSums(static_cast<std::size_t>(aRows) * width);
  {
    const Doubles ys(static_cast<std::size_t>(aRows) * periods);
    // Eight variables at a time, so that each value row is read a cache line at a time.
    const double* window = values.get() + static_cast<std::size_t>(yWindow - 1) * width;
    for (int r0 = 0; r0 < aRows; r0 += 8) {
      const int r1 = std::min(aRows, r0 + 8);
      for (std::size_t k = 0; k < periods; ++k) {
        const double* from = window + k * width;
        for (int r = r0; r < r1; ++r) {
          const std::size_t var = static_cast<std::size_t>(constant ? C - 1 : r);
          ys.get()[static_cast<std::size_t>(r) * periods + k] = from[var];
        }
      }
    }
    const double* xs = values.get() + static_cast<std::size_t>(xWindow - 1) * width;
    dense::Multiply(ys.get(), xs, crossSums.data(), static_cast<std::size_t>(aRows), periods, width);
  }
  auto fitOf = [&](int yCol, int yFirst, int xCol, int xFirst, int sumRow, int sumCol) {
    const auto yk = static_cast<std::size_t>(yCol - 1), xk = static_cast<std::size_t>(xCol - 1);
    const auto& ys = own[yFirst - 1];
    const auto& xs = own[xFirst - 1];
    Sums sums;
    sums.sx = xs[0][xk];
    sums.sxx = xs[1][xk];
    sums.sy = ys[0][yk];
    sums.syy = ys[1][yk];
    sums.sxy = crossSums[static_cast<std::size_t>(sumRow - 1) * width + static_cast<std::size_t>(sumCol - 1)];
    return FitFromSums(sums, n);
  };
  const std::size_t count = static_cast<std::size_t>(aRows) * width;
  fit.pairs.resize(count);
  fit.keptA.assign(count, 0.0);
  fit.keptB.assign(count, 0.0);
  for (int i = 1; i <= aRows; ++i) {
    for (int j = 1; j <= C; ++j) {
      PairFit f;
      switch (method) {
        case RegMethod::Lead:  // y at t, x at t + 1
          f = fitOf(i, 1, j, 2, i, j);
          break;
        case RegMethod::Lag:  // y at t + 1, x at t
          f = fitOf(i, 2, j, 1, i, j);
          break;
        case RegMethod::Constant:  // each variable on the last one
          f = fitOf(j, 1, C, 1, 1, j);
          break;
        case RegMethod::Normal:
          f = fitOf(i, 1, j, 1, i, j);
          break;
      }
      const std::size_t at = static_cast<std::size_t>(i - 1) * width + static_cast<std::size_t>(j - 1);
      const int p = ClassNumber(f.df);
      const double T = useOnePercent ? TTable01(p) : TTable05(p);
      if (f.estimable && (std::fabs(f.ta) >= T || f.a == 1.0)) fit.keptA[at] = f.a;
      if (f.estimable && (std::fabs(f.tb) >= T || f.b == 1.0)) fit.keptB[at] = f.b;
      fit.pairs[at] = f;
    }
  }

  // The labelled matrices: the A matrix's first column holds every name (the first column's
  // too), the B matrix's the dependent variables'; the first row the regressors of the rows
  // that were run.
  const std::string ySuffix = YSuffix(method), xSuffix = XSuffix(method);
  fit.aMat = LabelledMatrix::Dimension(C, C);
  fit.bMat = LabelledMatrix::Dimension(C, C);
  for (int k = 0; k <= C; ++k) {
    fit.aMat.Set(k, 0, fit.names[static_cast<std::size_t>(k)]);
    if (k >= 1) fit.bMat.Set(k, 0, fit.names[static_cast<std::size_t>(k)] + ySuffix);
  }
  for (int i = 1; i <= aRows; ++i) {
    const int label = constant ? C : i;
    fit.aMat.Set(0, label, fit.names[static_cast<std::size_t>(label)]);
    fit.bMat.Set(0, label, fit.names[static_cast<std::size_t>(label)] + xSuffix);
    for (int j = 1; j <= C; ++j) {
      const std::size_t at = static_cast<std::size_t>(i - 1) * width + static_cast<std::size_t>(j - 1);
      fit.aMat.Set(i, j, fit.keptA[at]);
      fit.bMat.Set(i, j, fit.keptB[at]);
    }
  }
  return true;
}

void AppendReportRows(const RegressionFit& fit, int first, int last, std::string& out) {
  AppendRows(fit, BlockNamesOf(fit), LinesOfClass(fit.periods - 2), std::max(first, 1), std::min(last, fit.Rows()),
             out);
}

std::string ReportText(const RegressionFit& fit) {
  std::string s;
  AppendReportRows(fit, 1, fit.Rows(), s);
  return s;
}

std::string ATableText(const RegressionFit& fit) { return TableText(fit, fit.keptA, false); }
std::string BTableText(const RegressionFit& fit) { return TableText(fit, fit.keptB, true); }

bool WriteRegressionFiles(const RegressionFit& fit, const std::string& namingPath, RegressionResult& result,
                          std::string& error, const RegressionProgress& progress) {
  result.reportPath = RegressionPath(namingPath, ReportTag(fit.method));
  result.aPath = RegressionPath(namingPath, ATag(fit.method));
  result.bPath = RegressionPath(namingPath, BTag(fit.method));
  result.aMat = fit.aMat;
  result.bMat = fit.bMat;
  AtomicFileWriter reportFile(result.reportPath, true), aFile(result.aPath, true), bFile(result.bPath, true);
  AtomicFileWriter* const files[] = {&reportFile, &aFile, &bFile};
  for (AtomicFileWriter* f : files) f->Open();

  // The report is made a block of rows at a time on every core, each row into a buffer of
  // its own that is kept from block to block, and written in order as each block is done
  // (the file is the same byte for byte); after each block a long run is told how far it
  // has come.
  const BlockNames names = BlockNamesOf(fit);
  const ClassLines lines = LinesOfClass(fit.periods - 2);
  const int outer = fit.Rows();
  const unsigned threads = std::max(1u, std::min(std::thread::hardware_concurrency(), 64u));
  const int block = static_cast<int>(threads) * 8;
  const long long total = static_cast<long long>(outer) * fit.variables;
  std::vector<std::string> rows(static_cast<std::size_t>(std::min(block, outer)));
  for (int first = 1; first <= outer && reportFile.error().empty(); first += block) {
    const int last = std::min(outer, first + block - 1);
    auto work = [&](unsigned t) {
      for (int i = first + static_cast<int>(t); i <= last; i += static_cast<int>(threads)) {
        std::string& row = rows[static_cast<std::size_t>(i - first)];
        row.clear();
        AppendRows(fit, names, lines, i, i, row);
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
    const unsigned startedThreads = static_cast<unsigned>(pool.size()) + 1;
    work(0);
    for (std::thread& th : pool) th.join();
    for (unsigned t = startedThreads; t < threads; ++t) work(t);
    for (int i = first; i <= last; ++i) reportFile.Write(rows[static_cast<std::size_t>(i - first)]);
    if (progress) progress(static_cast<long long>(last) * fit.variables, total);
  }
  rows.clear();
  aFile.Write(ATableText(fit));
  bFile.Write(BTableText(fit));

  // Only whole files flushed to disk take the tables' names; earlier tables they change are
  // kept first under numbered names, or nothing is written.
  std::vector<std::string> changing;
  for (AtomicFileWriter* f : files) {
    if (f->Finish() && f->ReplacesAnother()) changing.push_back(f->path());
  }
  if (!KeepEarlierTables(changing, result.keptEarlier, error)) {
    for (AtomicFileWriter* f : files) f->Discard();
    return false;
  }
  for (AtomicFileWriter* f : files) {
    if (!changing.empty() && f->ReplacesAnother()) f->EarlierMoved();
  }
  // Every file is tried, so one that cannot be written does not keep the others from
  // being written; each failure is named.
  error.clear();
  for (AtomicFileWriter* f : files) {
    if (!f->Commit() || !f->error().empty()) {
      if (!error.empty()) error += "\n";
      error += "cannot write \"" + f->path() + "\": " + f->error();
    }
  }
  return error.empty();
}

bool CreateBMatrix(const LabelledMatrix& data, const std::string& namingPath, RegMethod method, bool useOnePercent,
                   RegressionResult& result, std::string& error) {
  RegressionFit fit;
  if (!FitRegression(data, method, useOnePercent, fit, error)) return false;
  return WriteRegressionFiles(fit, namingPath, result, error);
}

}  // namespace quantorial
