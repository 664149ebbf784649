#include "matrix/DenseKernels.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <system_error>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QUANTORIAL_X86_KERNELS 1
#endif

namespace quantorial::dense {
namespace {

double Single(double x) { return static_cast<double>(static_cast<float>(x)); }

bool AllFinite(const std::vector<double>& values) {
  for (double x : values) {
    if (!std::isfinite(x)) return false;
  }
  return true;
}

// Up to four rows that take the same run of updates: row r's cells c[r][0..len) become
// c + p(k, j) * f[r][k] for k = 0 .. steps-1 in that order, p(k, j) = p[k * pstride + j].
struct RowGroup {
  double* c[4];
  const double* f[4];
  int count = 0;
};

void UpdatePlain(const RowGroup& g, const double* p, std::size_t pstride, std::size_t steps, std::size_t len) {
  for (int r = 0; r < g.count; ++r) {
    double* c = g.c[r];
    const double* f = g.f[r];
    for (std::size_t k = 0; k < steps; ++k) {
      const double fk = f[k];
      const double* pk = p + k * pstride;
      for (std::size_t j = 0; j < len; ++j) c[j] = c[j] + pk[j] * fk;
    }
  }
}

#ifdef QUANTORIAL_X86_KERNELS
// R rows by 12 columns held in twelve or fewer 256-bit registers while the steps run, so
// each value of p loaded serves R rows. Multiplication and addition stay separate
// instructions: the sums are rounded as in the plain loop.
template <int R>
__attribute__((target("avx"))) void UpdateAvxRows(const RowGroup& g, const double* p, std::size_t pstride,
                                                  std::size_t steps, std::size_t len) {
  std::size_t j = 0;
  for (; j + 12 <= len; j += 12) {
    __m256d acc[R][3];
    for (int r = 0; r < R; ++r) {
      for (int q = 0; q < 3; ++q) acc[r][q] = _mm256_loadu_pd(g.c[r] + j + 4 * q);
    }
    for (std::size_t k = 0; k < steps; ++k) {
      const double* pk = p + k * pstride + j;
      const __m256d p0 = _mm256_loadu_pd(pk);
      const __m256d p1 = _mm256_loadu_pd(pk + 4);
      const __m256d p2 = _mm256_loadu_pd(pk + 8);
      for (int r = 0; r < R; ++r) {
        const __m256d fr = _mm256_broadcast_sd(g.f[r] + k);
        acc[r][0] = _mm256_add_pd(acc[r][0], _mm256_mul_pd(p0, fr));
        acc[r][1] = _mm256_add_pd(acc[r][1], _mm256_mul_pd(p1, fr));
        acc[r][2] = _mm256_add_pd(acc[r][2], _mm256_mul_pd(p2, fr));
      }
    }
    for (int r = 0; r < R; ++r) {
      for (int q = 0; q < 3; ++q) _mm256_storeu_pd(g.c[r] + j + 4 * q, acc[r][q]);
    }
  }
  for (; j + 4 <= len; j += 4) {
    __m256d acc[R];
    for (int r = 0; r < R; ++r) acc[r] = _mm256_loadu_pd(g.c[r] + j);
    for (std::size_t k = 0; k < steps; ++k) {
      const __m256d pk = _mm256_loadu_pd(p + k * pstride + j);
      for (int r = 0; r < R; ++r) acc[r] = _mm256_add_pd(acc[r], _mm256_mul_pd(pk, _mm256_broadcast_sd(g.f[r] + k)));
    }
    for (int r = 0; r < R; ++r) _mm256_storeu_pd(g.c[r] + j, acc[r]);
  }
  for (; j < len; ++j) {
    for (int r = 0; r < R; ++r) {
      double x = g.c[r][j];
      for (std::size_t k = 0; k < steps; ++k) x = x + p[k * pstride + j] * g.f[r][k];
      g.c[r][j] = x;
    }
  }
}

__attribute__((target("avx"))) void UpdateAvx(const RowGroup& g, const double* p, std::size_t pstride,
                                              std::size_t steps, std::size_t len) {
  switch (g.count) {
    case 4:
      UpdateAvxRows<4>(g, p, pstride, steps, len);
      break;
    case 3:
      UpdateAvxRows<3>(g, p, pstride, steps, len);
      break;
    case 2:
      UpdateAvxRows<2>(g, p, pstride, steps, len);
      break;
    case 1:
      UpdateAvxRows<1>(g, p, pstride, steps, len);
      break;
    default:
      break;
  }
}

// The same with 512-bit registers where the processor has them: R rows by 24 columns (R * 3
// accumulators of eight doubles, out of 32 registers; wider blocks measured slower), the
// columns left over by the 256-bit kernel. Each cell still receives p * f and then the add,
// step by step in order.
template <int R>
__attribute__((target("avx512f"))) void UpdateAvx512Rows(const RowGroup& g, const double* p, std::size_t pstride,
                                                         std::size_t steps, std::size_t len) {
  std::size_t j = 0;
  for (; j + 24 <= len; j += 24) {
    __m512d acc[R][3];
    for (int r = 0; r < R; ++r) {
      for (int q = 0; q < 3; ++q) acc[r][q] = _mm512_loadu_pd(g.c[r] + j + 8 * q);
    }
    for (std::size_t k = 0; k < steps; ++k) {
      const double* pk = p + k * pstride + j;
      const __m512d p0 = _mm512_loadu_pd(pk);
      const __m512d p1 = _mm512_loadu_pd(pk + 8);
      const __m512d p2 = _mm512_loadu_pd(pk + 16);
      for (int r = 0; r < R; ++r) {
        const __m512d fr = _mm512_set1_pd(g.f[r][k]);
        acc[r][0] = _mm512_add_pd(acc[r][0], _mm512_mul_pd(p0, fr));
        acc[r][1] = _mm512_add_pd(acc[r][1], _mm512_mul_pd(p1, fr));
        acc[r][2] = _mm512_add_pd(acc[r][2], _mm512_mul_pd(p2, fr));
      }
    }
    for (int r = 0; r < R; ++r) {
      for (int q = 0; q < 3; ++q) _mm512_storeu_pd(g.c[r] + j + 8 * q, acc[r][q]);
    }
  }
  if (j < len) {
    RowGroup rest = g;
    for (int r = 0; r < R; ++r) rest.c[r] = g.c[r] + j;
    UpdateAvxRows<R>(rest, p + j, pstride, steps, len - j);
  }
}

__attribute__((target("avx512f"))) void UpdateAvx512(const RowGroup& g, const double* p, std::size_t pstride,
                                                     std::size_t steps, std::size_t len) {
  switch (g.count) {
    case 4:
      UpdateAvx512Rows<4>(g, p, pstride, steps, len);
      break;
    case 3:
      UpdateAvx512Rows<3>(g, p, pstride, steps, len);
      break;
    case 2:
      UpdateAvx512Rows<2>(g, p, pstride, steps, len);
      break;
    case 1:
      UpdateAvx512Rows<1>(g, p, pstride, steps, len);
      break;
    default:
      break;
  }
}

bool HasAvx512() {
  static const bool has = __builtin_cpu_supports("avx512f");
  return has;
}

bool HasAvx() {
  static const bool has = __builtin_cpu_supports("avx");
  return has;
}
#endif

void Update(const RowGroup& g, const double* p, std::size_t pstride, std::size_t steps, std::size_t len) {
  if (g.count == 0 || steps == 0 || len == 0) return;
#ifdef QUANTORIAL_X86_KERNELS
  if (HasAvx512()) {
    UpdateAvx512(g, p, pstride, steps, len);
    return;
  }
  if (HasAvx()) {
    UpdateAvx(g, p, pstride, steps, len);
    return;
  }
#endif
  UpdatePlain(g, p, pstride, steps, len);
}

// Runs fn(begin, end) over [0, count) cut into one range per thread; the calling thread
// takes the first range. If a thread cannot be started its range runs here.
template <class Fn>
void ForEachRange(unsigned threads, std::size_t count, std::size_t minPerThread, Fn&& fn) {
  std::size_t t = std::max<std::size_t>(1, threads);
  t = std::min(t, std::max<std::size_t>(1, count / std::max<std::size_t>(1, minPerThread)));
  if (t <= 1) {
    fn(std::size_t{0}, count);
    return;
  }
  const std::size_t chunk = (count + t - 1) / t;
  std::vector<std::thread> pool;
  std::vector<std::pair<std::size_t, std::size_t>> inline_ranges;
  for (std::size_t i = 1; i < t; ++i) {
    const std::size_t begin = std::min(count, i * chunk), end = std::min(count, begin + chunk);
    if (begin >= end) continue;
    try {
      pool.emplace_back([&fn, begin, end] { fn(begin, end); });
    } catch (const std::system_error&) {
      inline_ranges.emplace_back(begin, end);
    }
  }
  fn(std::size_t{0}, std::min(chunk, count));
  for (const auto& [begin, end] : inline_ranges) fn(begin, end);
  for (std::thread& th : pool) th.join();
}

// The blocked elimination, in place. Steps are taken a panel of nb columns at a time.
// The array holds V's columns left of the panel and W's from the panel on: a column of W is
// not read again after its own step, and from that step on V's column of the same index
// is the one that changes, so it takes W's place when the panel ends. Within a panel, the
// panel's own columns (of W in the array, of V in a narrow buffer) are updated step by
// step; the columns outside it (W right of the panel, V left of it) receive the panel's
// steps later, in one delayed pass per row, from copies of the pivot rows as they were when
// each step used them and from the multipliers recorded for the row. Each element still
// takes the steps in increasing order with the operands the plain loop gives it.
//
// Columns of V right of the panel hold, before their own step, nothing but zeros (and
// the 1 of the identity on the diagonal). The zeros take signs as the steps go (a pivot
// row multiplied by a negative number, a negative zero product added to a negative
// zero), and every such column has the same signs in every row but its own; one extra
// column ("phantom") carries them, and a V column is filled from it when its panel comes.
//
// Every value of W is read at its column's step, as a multiplier or as the pivot, and a
// value that is not finite there stops the elimination; so the plain loop's final test of
// W for values that are not finite is met by testing the multipliers and pivots as they
// are read, and V at the end.
class BlockedElimination {
 public:
  BlockedElimination(std::vector<double>& x, std::size_t m, Elimination elimination, std::size_t nb, unsigned threads,
                     std::size_t minRowsPerThread)
      : x_(x),
        m_(m),
        e_(elimination),
        nb_(nb),
        threads_(threads),
        minRowsPerThread_(minRowsPerThread),
        pps_(2 * nb + 1) {}

  bool Run() {
    phantom_.assign(m_, 0.0);
    f_.assign(m_ * nb_, 0.0);
    pp_.assign(nb_ * pps_, 0.0);
    vp_.assign(m_ * nb_, 0.0);
    for (k0_ = 0; k0_ < m_; k0_ += nb_) {
      k1_ = std::min(m_, k0_ + nb_);
      wT_ = m_ - k1_;
      vT_ = k0_;
      pw_.assign((k1_ - k0_) * wT_, 0.0);
      pv_.assign((k1_ - k0_) * vT_, 0.0);
      for (std::size_t r = 0; r < m_; ++r) {
        for (std::size_t j = k0_; j < k1_; ++j) vp_[r * nb_ + (j - k0_)] = r == j ? 1.0 : phantom_[r];
      }
      if (!PanelRows()) return false;
      ForEachRange(threads_, m_, minRowsPerThread_, [this](std::size_t b, std::size_t e) { OtherRows(b, e); });
      if (failed_.load()) return false;
    }
    return AllFinite(x_);
  }

 private:
  double Multiplier(double x) const { return e_ == Elimination::kGaussJordan ? -x : -Single(x); }
  double* Row(std::size_t r) { return &x_[r * m_]; }
  double* PanelV(std::size_t r) { return &vp_[r * nb_]; }

  // The pivot step on row k, over the columns that are stored (W right of k, V left of
  // the panel and in the panel buffer) and the phantom.
  bool Pivot(std::size_t k) {
    double* xk = Row(k);
    double* vk = PanelV(k);
    const std::size_t panel = k1_ - k0_;
    double& ph = phantom_[k];
    if (e_ == Elimination::kGaussJordan) {
      const double pivot = xk[k];
      if (pivot == 0.0 || !std::isfinite(pivot)) return false;
      const double d = 1.0 / pivot;
      if (!std::isfinite(d)) return false;
      for (std::size_t j = k + 1; j < m_; ++j) xk[j] = xk[j] * d;
      for (std::size_t j = 0; j < k0_; ++j) xk[j] = xk[j] * d;
      for (std::size_t j = 0; j < panel; ++j) vk[j] = vk[j] * d;
      ph = ph * d;
      return true;
    }
    if (k + 1 < m_) {
      for (std::size_t j = 0; j < k0_; ++j) xk[j] = Single(xk[j]);
      for (std::size_t j = k; j < m_; ++j) xk[j] = Single(xk[j]);
      for (std::size_t j = 0; j < panel; ++j) vk[j] = Single(vk[j]);
      ph = Single(ph);
    }
    if (!(std::fabs(xk[k]) - 1e-8 > 0)) return false;
    const double p = Single(xk[k]);
    if (!std::isfinite(p)) return false;
    for (std::size_t j = k + 1; j < m_; ++j) xk[j] = xk[j] / p;
    for (std::size_t j = 0; j < k0_; ++j) xk[j] = xk[j] / p;
    for (std::size_t j = 0; j < panel; ++j) vk[j] = vk[j] / p;
    ph = ph / p;
    return true;
  }

  // Step k on row r over the panel's columns and the phantom; records the multiplier.
  bool PanelStep(std::size_t r, std::size_t k) {
    const std::size_t kk = k - k0_;
    double* xr = Row(r);
    double* vr = PanelV(r);
    const double f = Multiplier(xr[k]);
    if (!std::isfinite(f)) return false;
    f_[r * nb_ + kk] = f;
    const double* pp = &pp_[kk * pps_];
    for (std::size_t j = k + 1; j < k1_; ++j) xr[j] = xr[j] + pp[j - k0_] * f;
    for (std::size_t j = 0; j < k1_ - k0_; ++j) vr[j] = vr[j] + pp[nb_ + j] * f;
    phantom_[r] = phantom_[r] + pp[2 * nb_] * f;
    return true;
  }

  // The delayed steps first..last-1 (panel-relative) on row r's columns outside the panel.
  void Delayed(std::size_t r, std::size_t first, std::size_t last) {
    if (first >= last) return;
    RowGroup g;
    g.count = 1;
    g.f[0] = &f_[r * nb_ + first];
    g.c[0] = Row(r) + k1_;
    Update(g, pw_.data() + first * wT_, wT_, last - first, wT_);
    g.c[0] = Row(r);
    Update(g, pv_.data() + first * vT_, vT_, last - first, vT_);
  }

  // The panel's pivot rows, one after the other: each is brought up to date, takes its
  // pivot step and is copied for the delayed passes; the panel rows below and above it
  // take its step on the panel's columns at once.
  bool PanelRows() {
    for (std::size_t k = k0_; k < k1_; ++k) {
      const std::size_t kk = k - k0_;
      Delayed(k, 0, kk);
      if (!Pivot(k)) return false;
      std::copy_n(Row(k) + k1_, wT_, pw_.data() + kk * wT_);
      std::copy_n(Row(k), vT_, pv_.data() + kk * vT_);
      double* pp = &pp_[kk * pps_];
      std::copy_n(Row(k) + k0_, k1_ - k0_, pp);
      std::copy_n(PanelV(k), k1_ - k0_, pp + nb_);
      pp[2 * nb_] = phantom_[k];
      for (std::size_t r = k0_; r < k1_; ++r) {
        if (r != k && !PanelStep(r, k)) return false;
      }
    }
    return true;
  }

  // Rows begin..end-1: the rows outside the panel take the panel's steps on its columns,
  // then every row takes its delayed steps, column block by column block and four rows
  // at a time so that the copied pivot rows are read from cache; last, V's panel columns
  // take the place of W's, whose steps are done.
  void OtherRows(std::size_t begin, std::size_t end) {
    std::vector<std::size_t> rows;
    for (std::size_t r = begin; r < end; ++r) {
      if (r >= k0_ && r < k1_) continue;
      for (std::size_t k = k0_; k < k1_; ++k) {
        if (!PanelStep(r, k)) {
          failed_.store(true);
          return;
        }
      }
      rows.push_back(r);
    }
    const std::size_t steps = k1_ - k0_;
    constexpr std::size_t kColumnBlock = 120;
    auto segment = [&](std::size_t offset, const std::vector<double>& pivots, std::size_t width) {
      for (std::size_t jc = 0; jc < width; jc += kColumnBlock) {
        const std::size_t len = std::min(kColumnBlock, width - jc);
        for (std::size_t i = 0; i < rows.size(); i += 4) {
          RowGroup g;
          g.count = static_cast<int>(std::min<std::size_t>(4, rows.size() - i));
          for (int q = 0; q < g.count; ++q) {
            const std::size_t r = rows[i + static_cast<std::size_t>(q)];
            g.c[q] = Row(r) + offset + jc;
            g.f[q] = &f_[r * nb_];
          }
          Update(g, pivots.data() + jc, width, steps, len);
        }
      }
    };
    segment(k1_, pw_, wT_);
    segment(0, pv_, vT_);
    for (std::size_t r = std::max(begin, k0_); r < std::min(end, k1_); ++r) Delayed(r, r - k0_ + 1, steps);
    for (std::size_t r = begin; r < end; ++r) std::copy_n(PanelV(r), steps, Row(r) + k0_);
  }

  std::vector<double>& x_;
  const std::size_t m_;
  const Elimination e_;
  const std::size_t nb_;
  const unsigned threads_;
  const std::size_t minRowsPerThread_;
  const std::size_t pps_;  // the stride of pp_: W's panel columns, V's, the phantom
  std::size_t k0_ = 0, k1_ = 0, wT_ = 0, vT_ = 0;
  std::vector<double> phantom_, f_, pw_, pv_, pp_, vp_;
  std::atomic<bool> failed_{false};
};

}  // namespace

unsigned DefaultThreads() {
  const unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : std::min(n, 64u);
}

bool InvertUnblocked(std::vector<double>& w, std::vector<double>& v, std::size_t m, Elimination elimination) {
  v.assign(m * m, 0.0);
  for (std::size_t i = 0; i < m; ++i) v[i * m + i] = 1.0;
  // Columns of W left of the pivot are never read again, so only j > k is updated; V is
  // updated over its whole row.
  for (std::size_t k = 0; k < m; ++k) {
    double* wk = w.data() + k * m;
    double* vk = v.data() + k * m;
    if (elimination == Elimination::kGaussJordan) {
      const double pivot = wk[k];
      if (pivot == 0.0) return false;
      const double d = 1.0 / pivot;
      if (!std::isfinite(d)) return false;
      for (std::size_t j = k + 1; j < m; ++j) wk[j] = wk[j] * d;
      for (std::size_t j = 0; j < m; ++j) vk[j] = vk[j] * d;
      for (std::size_t r = 0; r < m; ++r) {
        if (r == k) continue;
        double* wr = w.data() + r * m;
        double* vr = v.data() + r * m;
        const double f = -wr[k];
        for (std::size_t j = k + 1; j < m; ++j) wr[j] = wr[j] + wk[j] * f;
        for (std::size_t j = 0; j < m; ++j) vr[j] = vr[j] + vk[j] * f;
      }
    } else {
      if (k + 1 < m) {
        for (std::size_t j = k; j < m; ++j) wk[j] = Single(wk[j]);
        for (std::size_t j = 0; j < m; ++j) vk[j] = Single(vk[j]);
      }
      if (!(std::fabs(wk[k]) - 1e-8 > 0)) return false;
      const double p = Single(wk[k]);
      if (!std::isfinite(p)) return false;
      for (std::size_t j = k + 1; j < m; ++j) wk[j] = wk[j] / p;
      for (std::size_t j = 0; j < m; ++j) vk[j] = vk[j] / p;
      for (std::size_t i = 0; i < m; ++i) {
        if (i == k) continue;
        double* wi = w.data() + i * m;
        double* vi = v.data() + i * m;
        const double f = Single(wi[k]);
        for (std::size_t j = k + 1; j < m; ++j) wi[j] = wi[j] - wk[j] * f;
        for (std::size_t j = 0; j < m; ++j) vi[j] = vi[j] - vk[j] * f;
      }
    }
  }
  return AllFinite(w) && AllFinite(v);
}

bool Invert(std::vector<double>& a, std::size_t m, Elimination elimination, Blocking blocking) {
  if (m == 0) return true;
  const std::size_t nb = std::min(m, blocking.panel ? blocking.panel : std::size_t{64});
  const unsigned threads = blocking.threads ? blocking.threads : DefaultThreads();
  // A count of threads given by the caller is used as it stands; by default a thread is
  // started only for enough rows to be worth it.
  BlockedElimination run(a, m, elimination, nb, threads, blocking.threads ? 1 : 16);
  return run.Run();
}

void Multiply(const double* a, const double* b, double* p, std::size_t rows, std::size_t inner, std::size_t cols,
              Blocking blocking) {
  std::fill(p, p + rows * cols, 0.0);
  const unsigned threads = blocking.threads ? blocking.threads : DefaultThreads();
  const std::size_t kBlock = blocking.panel ? blocking.panel : 256;
  constexpr std::size_t kColumnBlock = 240;
  // Work per row is inner * cols; a thread is worth starting for about a million terms.
  const std::size_t perRow = std::max<std::size_t>(1, inner * cols);
  // A count of threads given by the caller is used as it stands.
  const std::size_t minRows = blocking.threads ? 1 : std::max<std::size_t>(4, (std::size_t{1} << 20) / perRow);
  ForEachRange(threads, rows, minRows, [&](std::size_t begin, std::size_t end) {
    for (std::size_t kc = 0; kc < inner; kc += kBlock) {
      const std::size_t steps = std::min(kBlock, inner - kc);
      for (std::size_t jc = 0; jc < cols; jc += kColumnBlock) {
        const std::size_t len = std::min(kColumnBlock, cols - jc);
        for (std::size_t i = begin; i < end; i += 4) {
          RowGroup g;
          g.count = static_cast<int>(std::min<std::size_t>(4, end - i));
          for (int q = 0; q < g.count; ++q) {
            const std::size_t r = i + static_cast<std::size_t>(q);
            g.c[q] = p + r * cols + jc;
            g.f[q] = a + r * inner + kc;
          }
          Update(g, b + kc * cols + jc, cols, steps, len);
        }
      }
    }
  });
}

}  // namespace quantorial::dense
