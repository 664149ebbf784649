#include "inputoutput/Ras.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace quantorial {
namespace {

std::string Number(double v) {
  std::ostringstream s;
  s.precision(12);
  s << v;
  return s.str();
}

// The multiplier that brings a line with positive part p and negative part n (the latter
// already divided by the other side's multipliers) to the target u: r p - n / r = u.
bool Multiplier(double p, double n, double u, double& r) {
  if (p > 0.0) {
    r = (u + std::sqrt(u * u + 4.0 * p * n)) / (2.0 * p);
  } else if (n > 0.0 && u < 0.0) {
    r = -n / u;
  } else {
    return false;
  }
  return std::isfinite(r) && r > 0.0;
}

}  // namespace

RasResult BalanceRas(const std::vector<std::vector<double>>& prior, const std::vector<double>& u,
                     const std::vector<double>& v, const RasOptions& o, const std::vector<std::string>& rowNames,
                     const std::vector<std::string>& colNames) {
  RasResult r;
  const auto fail = [&r](std::string text) {
    RasResult failed;
    failed.error = std::move(text);
    return failed;
  };
  const std::size_t m = prior.size(), n = m ? prior[0].size() : 0;
  const auto rowName = [&](std::size_t i) {
    return i < rowNames.size() && !rowNames[i].empty() ? "row \"" + rowNames[i] + "\"" : "row " + std::to_string(i + 1);
  };
  const auto colName = [&](std::size_t j) {
    return j < colNames.size() && !colNames[j].empty() ? "column \"" + colNames[j] + "\""
                                                       : "column " + std::to_string(j + 1);
  };
  if (m == 0 || n == 0) return fail("The prior matrix is empty.");
  for (const auto& row : prior)
    if (row.size() != n) return fail("The prior matrix's rows differ in length.");
  if (u.size() != m)
    return fail("There are " + std::to_string(u.size()) + " row targets for " + std::to_string(m) + " rows.");
  if (v.size() != n)
    return fail("There are " + std::to_string(v.size()) + " column targets for " + std::to_string(n) + " columns.");
  if (!(o.tolerance > 0.0)) return fail("The tolerance must be above 0.");

  double su = 0.0, sv = 0.0;
  for (double t : u) su += t;
  for (double t : v) sv += t;
  if (std::abs(su - sv) > o.tolerance * std::max({1.0, std::abs(su), std::abs(sv)}) * 10.0) {
    return fail("The row targets add up to " + Number(su) + " but the column targets to " + Number(sv) +
                ": the margins must have the same total.");
  }

  // The positive and negative parts.
  std::vector<std::vector<double>> p(m, std::vector<double>(n, 0.0)), q = p;
  for (std::size_t i = 0; i < m; ++i)
    for (std::size_t j = 0; j < n; ++j) {
      const double z = prior[i][j];
      if (!std::isfinite(z)) return fail("The prior's " + rowName(i) + ", " + colName(j) + " is not a number.");
      if (z > 0) p[i][j] = z;
      if (z < 0) {
        q[i][j] = -z;
        r.generalised = true;
      }
    }
  // A line with a target other than 0 needs cells to scale, of the target's sign.
  for (std::size_t i = 0; i < m; ++i) {
    bool pos = false, neg = false;
    for (std::size_t j = 0; j < n; ++j) pos = pos || p[i][j] > 0, neg = neg || q[i][j] > 0;
    if ((u[i] > 0 && !pos) || (u[i] < 0 && !neg))
      return fail("The prior's " + rowName(i) + " has no cell " + (u[i] > 0 ? "above" : "below") +
                  " 0, but its target is " + Number(u[i]) + ": no scaling reaches it.");
  }
  for (std::size_t j = 0; j < n; ++j) {
    bool pos = false, neg = false;
    for (std::size_t i = 0; i < m; ++i) pos = pos || p[i][j] > 0, neg = neg || q[i][j] > 0;
    if ((v[j] > 0 && !pos) || (v[j] < 0 && !neg))
      return fail("The prior's " + colName(j) + " has no cell " + (v[j] > 0 ? "above" : "below") +
                  " 0, but its target is " + Number(v[j]) + ": no scaling reaches it.");
  }

  std::vector<double> rr(m, 1.0), s(n, 1.0);
  const auto cell = [&](std::size_t i, std::size_t j) { return rr[i] * p[i][j] * s[j] - q[i][j] / (rr[i] * s[j]); };
  const auto gap = [&]() {
    double worst = 0.0;
    for (std::size_t i = 0; i < m; ++i) {
      double sum = 0.0;
      for (std::size_t j = 0; j < n; ++j) sum += cell(i, j);
      worst = std::max(worst, std::abs(sum - u[i]) / std::max(1.0, std::abs(u[i])));
    }
    for (std::size_t j = 0; j < n; ++j) {
      double sum = 0.0;
      for (std::size_t i = 0; i < m; ++i) sum += cell(i, j);
      worst = std::max(worst, std::abs(sum - v[j]) / std::max(1.0, std::abs(v[j])));
    }
    return worst;
  };
  r.gap = gap();
  while (r.gap > o.tolerance) {
    if (r.sweeps >= o.maxSweeps) {
      return fail("The margins were not met within " + std::to_string(o.maxSweeps) +
                  " sweeps (the largest gap left is " + Number(r.gap) +
                  "): the prior's zero cells leave no matrix with these row and column sums.");
    }
    ++r.sweeps;
    for (std::size_t i = 0; i < m; ++i) {
      double pos = 0.0, neg = 0.0;
      for (std::size_t j = 0; j < n; ++j) pos += p[i][j] * s[j], neg += q[i][j] / s[j];
      if (u[i] == 0.0 && neg == 0.0) {
        rr[i] = 1.0;  // a row of zeros stays so
        if (pos > 0.0) rr[i] = 0.0;
        continue;
      }
      if (!Multiplier(pos, neg, u[i], rr[i])) return fail("The prior's " + rowName(i) + " cannot reach its target.");
    }
    for (std::size_t j = 0; j < n; ++j) {
      double pos = 0.0, neg = 0.0;
      for (std::size_t i = 0; i < m; ++i) pos += p[i][j] * rr[i], neg += rr[i] > 0.0 ? q[i][j] / rr[i] : 0.0;
      if (v[j] == 0.0 && neg == 0.0) {
        s[j] = pos > 0.0 ? 0.0 : 1.0;
        continue;
      }
      if (!Multiplier(pos, neg, v[j], s[j])) return fail("The prior's " + colName(j) + " cannot reach its target.");
    }
    r.gap = gap();
    if (!std::isfinite(r.gap)) return fail("The scaling ran out of range: the prior cannot meet these margins.");
  }
  r.matrix.assign(m, std::vector<double>(n, 0.0));
  for (std::size_t i = 0; i < m; ++i)
    for (std::size_t j = 0; j < n; ++j) r.matrix[i][j] = q[i][j] > 0.0 ? cell(i, j) : rr[i] * p[i][j] * s[j];
  return r;
}

}  // namespace quantorial
