// The blocked and threaded kernels must give the bits of the plain loops whatever the
// panel size and the number of threads, including where the plain loop gives up.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "matrix/DenseKernels.h"

namespace quantorial::dense {
namespace {

// The index of the first element whose bits differ, or -1.
long FirstDifference(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size()) return 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::memcmp(&a[i], &b[i], sizeof(double)) != 0) return static_cast<long>(i);
  }
  return -1;
}

enum class Shape { Boosted, Plain, NegativeDiagonal, Sparse };

std::vector<double> Make(std::mt19937_64& gen, std::size_t m, Shape shape) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<double> a(m * m, 0.0);
  for (std::size_t i = 0; i < m; ++i) {
    for (std::size_t j = 0; j < m; ++j) {
      double x = u(gen);
      switch (shape) {
        case Shape::Boosted:
          x += i == j ? static_cast<double>(m) : 0.0;
          break;
        case Shape::Plain:
          break;
        // Negative pivots among positive ones and zeros off the diagonal: the inverse is full of signed zeros.
        case Shape::NegativeDiagonal:
          x = i == j ? (i % 3 == 0 ? 2.0 : -2.0) - x : (j == i + 1 && x > 0.5 ? x : 0.0);
          break;
        case Shape::Sparse:
          x = i == j ? 3.0 + x : (std::fabs(x) < 0.1 ? -x : 0.0);
          break;
      }
      a[i * m + j] = x;
    }
  }
  return a;
}

struct Outcome {
  bool ok;
  std::vector<double> w, v;
};

Outcome Reference(std::vector<double> a, std::size_t m, Elimination e) {
  std::vector<double> v;
  const bool ok = InvertUnblocked(a, v, m, e);
  return {ok, a, v};
}

Outcome Blocked(std::vector<double> a, std::size_t m, Elimination e, Blocking b) {
  const bool ok = Invert(a, m, e, b);
  return {ok, {}, a};
}

void ExpectSame(const std::vector<double>& a, std::size_t m, const std::string& what) {
  for (Elimination e : {Elimination::kGaussJordan, Elimination::kSinglePivot}) {
    const Outcome ref = Reference(a, m, e);
    for (std::size_t panel : {std::size_t{1}, std::size_t{3}, std::size_t{8}, std::size_t{0}}) {
      for (unsigned threads : {1u, 2u, 3u}) {
        SCOPED_TRACE(what + " m=" + std::to_string(m) + " panel=" + std::to_string(panel) + " threads=" +
                     std::to_string(threads) + (e == Elimination::kGaussJordan ? " gauss-jordan" : " single pivot"));
        const Outcome got = Blocked(a, m, e, {panel, threads});
        ASSERT_EQ(got.ok, ref.ok);
        if (!ref.ok) continue;  // the cell-by-cell statements take over; the arrays are not used
        EXPECT_EQ(FirstDifference(got.v, ref.v), -1);
      }
    }
  }
}

TEST(DenseKernels, BlockedInversionKeepsTheBitsOfThePlainLoop) {
  std::mt19937_64 gen(2026);
  for (std::size_t m : {1, 2, 5, 7, 33, 70}) {
    for (Shape shape : {Shape::Boosted, Shape::Plain, Shape::NegativeDiagonal, Shape::Sparse}) {
      ExpectSame(Make(gen, m, shape), m, "shape " + std::to_string(static_cast<int>(shape)));
    }
  }
}

TEST(DenseKernels, NegativePivotsLeaveNegativeZerosWhereThePlainLoopDoes) {
  // The fixture is only useful if the plain loop does produce negative zeros in V.
  std::mt19937_64 gen(5);
  const std::size_t m = 20;
  const auto a = Make(gen, m, Shape::NegativeDiagonal);
  const Outcome ref = Reference(a, m, Elimination::kGaussJordan);
  ASSERT_TRUE(ref.ok);
  std::size_t negativeZeros = 0, positiveZeros = 0;
  for (double x : ref.v) {
    if (x == 0.0) (std::signbit(x) ? negativeZeros : positiveZeros) += 1;
  }
  EXPECT_GT(negativeZeros, 0u);
  EXPECT_GT(positiveZeros, 0u);
  ExpectSame(a, m, "signed zeros");
}

TEST(DenseKernels, WhereThePlainLoopGivesUpTheBlockedOneDoesToo) {
  std::mt19937_64 gen(11);
  const std::size_t m = 40;
  struct Case {
    const char* what;
    std::size_t row, col;
    double value;
    bool alone;          // row and column emptied first, so the steps before leave the value as it is
    double diagonal;     // with alone: the pivot the row keeps
    bool gaussJordanOk;  // whether the plain loop gets through
    bool singlePivotOk;
  };
  // Each case plants one value in a well-conditioned matrix; the step that meets it lies in
  // the second or a later panel for small panels.
  const Case cases[] = {
      {"a zero pivot at step 17", 17, 17, 0.0, true, 0.0, false, false},
      {"a pivot within the tolerance at step 30", 30, 30, 1e-9, true, 1e-9, true, false},
      {"a pivot whose reciprocal overflows", 21, 21, 1e-310, true, 1e-310, false, false},
      {"a pivot row that overflows when divided", 3, 25, 1.5e308, true, 0.5, false, false},
      {"a multiplier beyond single precision", 12, 5, 1e39, false, 0.0, true, false},
      {"infinity", 35, 1, HUGE_VAL, false, 0.0, false, false},
      {"not a number", 9, 39, std::nan(""), false, 0.0, false, false},
      {"the last pivot zero", 39, 39, 0.0, true, 0.0, false, false},
  };
  for (const Case& c : cases) {
    auto a = Make(gen, m, Shape::Boosted);
    if (c.alone) {
      for (std::size_t j = 0; j < m; ++j) a[c.row * m + j] = a[j * m + c.row] = 0.0;
      a[c.row * m + c.row] = c.diagonal;
    }
    a[c.row * m + c.col] = c.value;
    EXPECT_EQ(Reference(a, m, Elimination::kGaussJordan).ok, c.gaussJordanOk) << c.what;
    EXPECT_EQ(Reference(a, m, Elimination::kSinglePivot).ok, c.singlePivotOk) << c.what;
    ExpectSame(a, m, c.what);
  }
}

TEST(DenseKernels, BlockedProductKeepsTheBitsOfThePlainLoop) {
  std::mt19937_64 gen(3);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  const std::size_t shapes[][3] = {{1, 1, 1}, {3, 5, 2}, {9, 17, 13}, {50, 70, 30}, {5, 600, 250}};
  for (const auto& s : shapes) {
    const std::size_t rows = s[0], inner = s[1], cols = s[2];
    std::vector<double> a(rows * inner), b(inner * cols);
    for (double& x : a) x = u(gen) * (u(gen) > 0.9 ? 1e200 : 1.0);
    for (double& x : b) x = u(gen) > 0.8 ? -0.0 : u(gen);
    std::vector<double> plain(rows * cols, 0.0);
    for (std::size_t i = 0; i < rows; ++i) {
      for (std::size_t j = 0; j < cols; ++j) {
        double sum = 0.0;
        for (std::size_t k = 0; k < inner; ++k) sum = sum + a[i * inner + k] * b[k * cols + j];
        plain[i * cols + j] = sum;
      }
    }
    for (std::size_t panel : {std::size_t{1}, std::size_t{7}, std::size_t{0}}) {
      for (unsigned threads : {1u, 2u, 3u}) {
        SCOPED_TRACE(std::to_string(rows) + "x" + std::to_string(inner) + "x" + std::to_string(cols) +
                     " panel=" + std::to_string(panel) + " threads=" + std::to_string(threads));
        std::vector<double> p(rows * cols, 42.0);
        Multiply(a.data(), b.data(), p.data(), rows, inner, cols, {panel, threads});
        EXPECT_EQ(FirstDifference(p, plain), -1);
      }
    }
  }
}

}  // namespace
}  // namespace quantorial::dense
