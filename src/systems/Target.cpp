#include "systems/Target.h"

#include <algorithm>
#include <cmath>

#include "systems/StructuralFormDetail.h"

namespace quantorial {

using detail::JoinNames;
using detail::ToEigen;

TargetSpec TargetSpecFromTable(const SeriesTable& table, const std::vector<std::string>& instruments) {
  TargetSpec spec;
  spec.years = table.years;
  spec.variables = table.names;
  spec.instruments = instruments;
  for (std::size_t r = 0; r < table.years.size(); ++r) {
    std::vector<double> row;
    for (const auto& col : table.columns) row.push_back(col[r]);
    spec.values.push_back(std::move(row));
  }
  return spec;
}

TargetOutcome SolveTargets(const StructuralForm& form, const SeriesTable& data, const TargetSpec& spec,
                           const std::string& targetsFile) {
  TargetOutcome out;
  auto fail = [&](const std::string& why) {
    out.error = why;
    return out;
  };
  if (std::string shape = form.CheckShape(); !shape.empty()) return fail(shape);
  if (spec.years.empty() || spec.variables.empty()) return fail(targetsFile + ": the file names no targets.");
  if (spec.instruments.empty()) return fail("No instruments are named.");
  if (data.years.empty()) return fail("The data hold no years.");
  std::vector<Eigen::Index> targetRows, instrumentCols;
  for (const auto& v : spec.variables) {
    const int i = form.EndogenousIndex(v);
    if (i < 0) return fail(targetsFile + ": the target " + v + " is not an endogenous variable of the model.");
    targetRows.push_back(i);
  }
  for (const auto& name : spec.instruments) {
    const int j = form.ExogenousIndex(name);
    if (name == "const" || j < 0)
      return fail("The instrument " + name + " is not an exogenous variable of the model" +
                  (form.EndogenousIndex(name) >= 0 ? " (it is endogenous)." : "."));
    if (std::count(spec.instruments.begin(), spec.instruments.end(), name) > 1)
      return fail("The instrument " + name + " is named twice.");
    if (data.Column(name) < 0) return fail("The data have no variable " + name + ".");
    instrumentCols.push_back(j);
  }
  for (int y : spec.years)
    if (y < data.FirstYear() || y > data.LastYear())
      return fail(targetsFile + ": the target year " + std::to_string(y) + " lies outside the data and forecast (" +
                  std::to_string(data.FirstYear()) + "–" + std::to_string(data.LastYear()) + ").");
  for (std::size_t r = 1; r < spec.years.size(); ++r)
    if (spec.years[r] <= spec.years[r - 1]) return fail(targetsFile + ": the target years are not in order.");

  const std::size_t n = form.endogenous.size();
  const Eigen::MatrixXd gamma = ToEigen(form.gamma, n);
  Eigen::FullPivLU<Eigen::MatrixXd> lu(gamma);
  if (!lu.isInvertible())
    return fail("The block Γ of the current endogenous variables is singular, so the model cannot be solved.");
  const Eigen::MatrixXd impact = lu.solve(ToEigen(form.exoCoefficients, form.exogenous.size()));
  Eigen::MatrixXd impactOfInstruments(static_cast<Eigen::Index>(n), static_cast<Eigen::Index>(instrumentCols.size()));
  for (std::size_t k = 0; k < instrumentCols.size(); ++k)
    impactOfInstruments.col(static_cast<Eigen::Index>(k)) = impact.col(instrumentCols[k]);

  const int from = spec.years.front(), to = spec.years.back();
  TargetResult res;
  // The work table carries the instruments found and, for the years solved, the solution
  // itself, so that each year's one-year simulation takes its lags from the years before.
  SeriesTable work = data;
  bool warnedFewer = false;
  std::size_t specRow = 0;
  for (int t = from; t <= to; ++t) {
    SimulationOptions one;
    one.from = t;
    one.to = t;
    auto step = Simulate(form, work, one);
    if (!step.result) return fail(step.error);
    Eigen::VectorXd y = Eigen::Map<const Eigen::VectorXd>(step.result->values[0].data(), static_cast<Eigen::Index>(n));
    std::vector<Eigen::Index> rows;
    std::vector<double> goals;
    if (specRow < spec.years.size() && spec.years[specRow] == t) {
      for (std::size_t v = 0; v < spec.variables.size(); ++v) {
        const double goal = v < spec.values[specRow].size() ? spec.values[specRow][v] : kMissing;
        if (std::isfinite(goal)) {
          rows.push_back(targetRows[v]);
          goals.push_back(goal);
        }
      }
      ++specRow;
    }
    Eigen::VectorXd change = Eigen::VectorXd::Zero(static_cast<Eigen::Index>(instrumentCols.size()));
    if (!rows.empty()) {
      const auto k = static_cast<Eigen::Index>(rows.size());
      Eigen::MatrixXd block(k, change.size());
      Eigen::VectorXd miss(k);
      for (Eigen::Index r = 0; r < k; ++r) {
        block.row(r) = impactOfInstruments.row(rows[static_cast<std::size_t>(r)]);
        miss(r) = goals[static_cast<std::size_t>(r)] - y(rows[static_cast<std::size_t>(r)]);
      }
      Eigen::CompleteOrthogonalDecomposition<Eigen::MatrixXd> cod(block);
      cod.setThreshold(1e-12);
      if (cod.rank() < std::min(k, change.size())) {
        std::vector<std::string> targetNames;
        for (auto r : rows) targetNames.push_back(form.endogenous[static_cast<std::size_t>(r)]);
        return fail("In " + std::to_string(t) + " the instruments " + JoinNames(spec.instruments) +
                    " cannot move the targets " + JoinNames(targetNames) +
                    " independently: their impact multipliers on the targets have rank " + std::to_string(cod.rank()) +
                    ".");
      }
      if (k > change.size() && !warnedFewer) {
        res.notices.push_back(
            "Fewer instruments than targets: the instruments give the least-squares fit to the "
            "targets, which are not met exactly.");
        warnedFewer = true;
      }
      change = cod.solve(miss);
      y += impactOfInstruments * change;
    }
    std::vector<double> values;
    for (std::size_t k = 0; k < spec.instruments.size(); ++k) {
      const double v = work.Value(spec.instruments[k], t) + change(static_cast<Eigen::Index>(k));
      work.Set(spec.instruments[k], t, v);
      values.push_back(v);
    }
    for (std::size_t i = 0; i < n; ++i) work.Set(form.endogenous[i], t, y(static_cast<Eigen::Index>(i)));
    res.years.push_back(t);
    res.instrumentValues.push_back(std::move(values));
  }

  // The re-simulation on the data with the instruments found.
  SeriesTable withInstruments = data;
  for (std::size_t r = 0; r < res.years.size(); ++r)
    for (std::size_t k = 0; k < spec.instruments.size(); ++k)
      withInstruments.Set(spec.instruments[k], res.years[r], res.instrumentValues[r][k]);
  SimulationOptions all;
  all.from = from;
  all.to = to;
  auto sim = Simulate(form, withInstruments, all);
  if (!sim.result) return fail(sim.error);
  res.simulation = std::move(*sim.result);
  for (std::size_t r = 0; r < spec.years.size(); ++r) {
    const auto row = static_cast<std::size_t>(spec.years[r] - from);
    for (std::size_t v = 0; v < spec.variables.size(); ++v) {
      const double goal = v < spec.values[r].size() ? spec.values[r][v] : kMissing;
      if (!std::isfinite(goal)) continue;
      const double got = res.simulation.values[row][static_cast<std::size_t>(targetRows[v])];
      res.largestMiss = std::max(res.largestMiss, std::abs(got - goal) / std::max(std::abs(goal), 1.0));
    }
  }
  out.result = std::move(res);
  return out;
}

}  // namespace quantorial
