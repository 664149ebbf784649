#include "systems/Simulation.h"

#include <algorithm>
#include <cmath>

#include "systems/StructuralFormDetail.h"
#include "timeseries/TimeSeries.h"
#include "workspace/ValueRules.h"

namespace quantorial {

using detail::ToEigen;

int SeriesTable::Column(const std::string& name) const {
  const auto it = std::find(names.begin(), names.end(), name);
  return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

int SeriesTable::Row(int year) const {
  const auto it = std::lower_bound(years.begin(), years.end(), year);
  return (it == years.end() || *it != year) ? -1 : static_cast<int>(it - years.begin());
}

double SeriesTable::Value(const std::string& name, int year) const {
  const int c = Column(name), r = Row(year);
  if (c < 0 || r < 0) return kMissing;
  return columns[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)];
}

void SeriesTable::Set(const std::string& name, int year, double value) {
  int c = Column(name);
  if (c < 0) {
    names.push_back(name);
    columns.emplace_back(years.size(), kMissing);
    c = static_cast<int>(names.size()) - 1;
  }
  int r = Row(year);
  if (r < 0) {
    const auto at = std::lower_bound(years.begin(), years.end(), year) - years.begin();
    years.insert(years.begin() + at, year);
    for (auto& col : columns) col.insert(col.begin() + at, kMissing);
    r = static_cast<int>(at);
  }
  columns[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)] = value;
}

SeriesTableOutcome SeriesTableFromMatrix(const LabelledMatrix& m, const std::string& fileName) {
  SeriesTableOutcome out;
  // Read as every model command reads its data: one time-series table.
  const TimeSeriesOutcome series = TimeSeriesFromMatrix(m, fileName);
  if (!series.table) {
    out.error = series.error;
    return out;
  }
  const TimeSeriesTable& s = *series.table;
  if (s.frequency != Frequency::kAnnual) {
    out.error = fileName + ": the periods are " +
                (s.frequency == Frequency::kQuarterly ? std::string("quarters") : std::string("months")) + " (" +
                s.Label(0) + "); the structural models work on annual data.";
    return out;
  }
  SeriesTable t;
  for (int r = 0; r < s.Periods(); ++r) t.years.push_back(s.Year(r));
  t.names = s.names;
  t.columns = s.columns;
  out.table = std::move(t);
  return out;
}

SeriesTable MergeForecast(const SeriesTable& data, const SeriesTable& forecast) {
  SeriesTable merged = data;
  for (std::size_t c = 0; c < forecast.names.size(); ++c)
    for (std::size_t r = 0; r < forecast.years.size(); ++r) {
      const double v = forecast.columns[c][r];
      if (std::isnan(v)) continue;
      if (std::isnan(merged.Value(forecast.names[c], forecast.years[r])))
        merged.Set(forecast.names[c], forecast.years[r], v);
    }
  return merged;
}

AccuracyStatistics ComputeAccuracy(const std::vector<double>& simulated, const std::vector<double>& actual) {
  AccuracyStatistics s;
  double sumE = 0, sumAbs = 0, sumSq = 0, sumPct = 0, sumAbsPct = 0, sumS = 0, sumA = 0, sumSqS = 0, sumSqA = 0;
  double sumRelErr = 0, sumRelChange = 0;
  bool zeroActual = false, zeroBase = false;
  int n = 0, pairs = 0;
  const std::size_t size = std::min(simulated.size(), actual.size());
  const auto usable = [&](std::size_t i) { return std::isfinite(simulated[i]) && std::isfinite(actual[i]); };
  for (std::size_t i = 0; i < size; ++i) {
    if (!usable(i)) continue;
    const double f = simulated[i], a = actual[i];
    const double e = a - f;  // actual less forecast
    ++n;
    sumE += e;
    sumAbs += std::abs(e);
    sumSq += e * e;
    sumS += f;
    sumA += a;
    sumSqS += f * f;
    sumSqA += a * a;
    if (a == 0)
      zeroActual = true;
    else {
      sumPct += e / a;
      sumAbsPct += std::abs(e / a);
    }
    // Theil's U2 on relative changes: the forecast's error against the actual change, both
    // relative to the actual value of the year before (years 2..n of the period).
    if (i > 0 && std::isfinite(actual[i - 1])) {
      const double before = actual[i - 1];
      if (before == 0) {
        zeroBase = true;
      } else {
        ++pairs;
        sumRelErr += ((f - a) / before) * ((f - a) / before);
        sumRelChange += ((a - before) / before) * ((a - before) / before);
      }
    }
  }
  s.count = n;
  if (n == 0) return s;
  s.me = sumE / n;
  s.mae = sumAbs / n;
  const double mse = sumSq / n;
  s.rmse = std::sqrt(mse);
  if (!zeroActual) {
    s.mpe = 100 * sumPct / n;
    s.mape = 100 * sumAbsPct / n;
  }
  if (!zeroBase && pairs > 0 && sumRelChange > 0) s.u2 = std::sqrt(sumRelErr / sumRelChange);
  if (const double scale = std::sqrt(sumSqA / n) + std::sqrt(sumSqS / n); scale > 0) s.u1 = s.rmse / scale;
  if (mse > 0) {
    const double meanS = sumS / n, meanA = sumA / n;
    double varS = 0, varA = 0, cov = 0;
    for (std::size_t i = 0; i < size; ++i) {
      if (!usable(i)) continue;
      const double sv = simulated[i], a = actual[i];
      varS += (sv - meanS) * (sv - meanS);
      varA += (a - meanA) * (a - meanA);
      cov += (sv - meanS) * (a - meanA);
    }
    const double sdS = std::sqrt(varS / n), sdA = std::sqrt(varA / n);
    const double r = (sdS > 0 && sdA > 0) ? (cov / n) / (sdS * sdA) : 0.0;
    s.um = (meanS - meanA) * (meanS - meanA) / mse;
    s.ur = (sdS - r * sdA) * (sdS - r * sdA) / mse;
    s.ud = (1 - r * r) * sdA * sdA / mse;
  }
  return s;
}

namespace {

std::string Year(int y) { return std::to_string(y); }

// How one exogenous column is read from the table.
struct ExogenousSource {
  bool constant = false;
  std::string base;  // the table's column
  int lag = 0;
};

}  // namespace

SimulationOutcome Simulate(const StructuralForm& form, const SeriesTable& data, const SimulationOptions& options) {
  SimulationOutcome out;
  if (std::string shape = form.CheckShape(); !shape.empty()) {
    out.error = shape;
    return out;
  }
  if (data.years.empty()) {
    out.error = "The data hold no years.";
    return out;
  }
  const std::size_t n = form.endogenous.size();
  std::vector<ExogenousSource> sources;
  int maxLag = form.MaxLag();
  for (const auto& name : form.exogenous) {
    ExogenousSource src;
    if (name == "const") {
      src.constant = true;
    } else if (!SplitLagName(name, src.base, src.lag)) {
      src.base = name;
      src.lag = 0;
    }
    maxLag = std::max(maxLag, src.lag);
    sources.push_back(src);
  }
  const int from = options.from.value_or(data.FirstYear() + maxLag);
  const int to = options.to.value_or(data.LastYear());
  if (to < from) {
    out.error = "The simulation period " + Year(from) + "–" + Year(to) + " is empty.";
    return out;
  }
  if (to - from >= kMaxTableYears) {
    out.error = "The simulation period " + Year(from) + "–" + Year(to) + " is too long.";
    return out;
  }
  if (from - maxLag < data.FirstYear()) {
    out.error = "The simulation period " + Year(from) + "–" + Year(to) + " reaches before the data: its lags of " +
                std::to_string(maxLag) + (maxLag == 1 ? " year" : " years") + " need " + Year(from - maxLag) +
                ", and the data begin in " + Year(data.FirstYear()) + ".";
    return out;
  }
  for (const auto& [name, byYear] : options.addFactors)
    if (form.EndogenousIndex(name) < 0) {
      out.error = "An add-factor names " + name + ", which is not an endogenous variable of the model.";
      return out;
    }

  const Eigen::MatrixXd gamma = ToEigen(form.gamma, n);
  Eigen::FullPivLU<Eigen::MatrixXd> check(gamma);
  if (!check.isInvertible()) {
    out.error = "The block Γ of the current endogenous variables is singular, so the model cannot be solved.";
    return out;
  }
  const Eigen::PartialPivLU<Eigen::MatrixXd> lu(gamma);
  const Eigen::MatrixXd lagM = ToEigen(form.lagCoefficients, form.lagged.size());
  const Eigen::MatrixXd exoM = ToEigen(form.exoCoefficients, form.exogenous.size());

  SimulationResult res;
  res.endogenous = form.endogenous;
  Eigen::VectorXd x(static_cast<Eigen::Index>(form.exogenous.size()));
  Eigen::VectorXd ylag(static_cast<Eigen::Index>(form.lagged.size()));
  for (int t = from; t <= to; ++t) {
    // A year past the data's last, without a forecast to give it, lacks every exogenous value:
    // said as such rather than by the first variable that happens to be looked at.
    bool needsYear = false;
    for (const auto& src : sources) needsYear = needsYear || (!src.constant && src.lag == 0);
    if (needsYear && t > data.LastYear()) {
      out.error = "The simulation runs to " + Year(to) + ", but the data end in " + Year(data.LastYear()) +
                  ": the exogenous values after " + Year(data.LastYear()) +
                  " come from a forecast file, and none gives " + Year(t) + ".";
      return out;
    }
    for (std::size_t k = 0; k < sources.size(); ++k) {
      const auto& src = sources[k];
      double v = 1.0;
      if (!src.constant) {
        v = data.Value(src.base, t - src.lag);
        if (std::isnan(v)) {
          if (data.Column(src.base) < 0)
            out.error = "The data have no variable " + src.base + ", which the model takes as exogenous.";
          else if (src.lag > 0)
            out.error = form.exogenous[k] + " in " + Year(t) + " needs " + src.base + " of " + Year(t - src.lag) +
                        ", which the data lack.";
          else
            out.error = "The exogenous variable " + src.base + " has no value in " + Year(t) +
                        " (neither the data nor the forecast gives one).";
          return out;
        }
      }
      x(static_cast<Eigen::Index>(k)) = v;
    }
    for (std::size_t k = 0; k < form.lagged.size(); ++k) {
      const auto& lg = form.lagged[k];
      const int s = t - lg.lag;
      double v;
      if (options.dynamic && s >= from) {
        v = res.values[static_cast<std::size_t>(s - from)][lg.variable];
      } else {
        v = data.Value(form.endogenous[lg.variable], s);
        if (std::isnan(v)) {
          out.error = lg.name + " in " + Year(t) + " needs " + form.endogenous[lg.variable] + " of " + Year(s) +
                      ", which the data lack.";
          return out;
        }
      }
      ylag(static_cast<Eigen::Index>(k)) = v;
    }
    Eigen::VectorXd rhs = exoM * x + lagM * ylag;
    for (const auto& [name, byYear] : options.addFactors) {
      const auto it = byYear.find(t);
      if (it != byYear.end()) rhs(form.EndogenousIndex(name)) += it->second;
    }
    const Eigen::VectorXd y = lu.solve(rhs);
    res.years.push_back(t);
    res.values.emplace_back(y.data(), y.data() + y.size());
  }

  for (std::size_t i = 0; i < n; ++i) {
    std::vector<double> sim, act;
    for (std::size_t r = 0; r < res.years.size(); ++r) {
      sim.push_back(res.values[r][i]);
      act.push_back(data.Value(form.endogenous[i], res.years[r]));
    }
    res.accuracy.push_back(ComputeAccuracy(sim, act));
  }
  out.result = std::move(res);
  return out;
}

}  // namespace quantorial
