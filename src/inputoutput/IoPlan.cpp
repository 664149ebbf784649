#include "inputoutput/IoPlan.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <sstream>

#include "lp/LpSolver.h"
#include "workspace/ValueRules.h"

namespace quantorial {
namespace {

std::string Trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

int IndexOf(const std::vector<std::string>& names, const std::string& name) {
  for (std::size_t k = 0; k < names.size(); ++k)
    if (names[k] == name) return static_cast<int>(k);
  return -1;
}

std::string Number(double v) {
  std::ostringstream s;
  s.precision(10);
  s << v;
  return s.str();
}

// The relation a cell names, as an LP table reads it: <, <=, =< and ≤; >, >=, => and ≥; =.
std::optional<PlanRelation> ReadRelation(const std::string& text) {
  if (text == "<" || text == "<=" || text == "=<" || text == "\u2264") return PlanRelation::AtMost;
  if (text == ">" || text == ">=" || text == "=>" || text == "\u2265") return PlanRelation::AtLeast;
  if (text == "=") return PlanRelation::Equal;
  return std::nullopt;
}

const char* RelationText(PlanRelation r) {
  return r == PlanRelation::Equal ? "=" : r == PlanRelation::AtLeast ? ">=" : "<=";
}

}  // namespace

IoPlanRead ReadIoPlan(const LabelledMatrix& m, const IoTable& t, const std::string& source) {
  IoPlanRead r;
  IoPlanSpec& spec = r.spec;
  bool haveObjective = false;
  if (!m.IsFilled() || m.UpperCol() < 2) {
    r.error = source + ": a plan needs three columns (label, relation, value) below a header row.";
    return r;
  }
  for (int i = 1; i <= m.UpperRow(); ++i) {
    const std::string label = Trimmed(CellText(m.Get(i, 0)));
    const std::string relation = Trimmed(CellText(m.Get(i, 1)));
    const std::string valueText = Trimmed(CellText(m.Get(i, 2)));
    const std::string where = source + ": row " + std::to_string(i + 1) + (label.empty() ? "" : " (" + label + ")");
    if (label.empty() && relation.empty() && valueText.empty()) continue;
    if (Lower(label) == "objective") {
      if (haveObjective) {
        r.error = where + ": the plan has a second objective.";
        return r;
      }
      haveObjective = true;
      const std::string sense = Lower(relation);
      if (sense != "min" && sense != "max") {
        r.error = where + ": the objective is \"min\" or \"max\", not \"" + relation + "\".";
        return r;
      }
      spec.maximise = sense == "max";
      spec.objectiveLabel = valueText;
      if (const int k = IndexOf(t.primary, valueText); k >= 0) {
        spec.objective = IoPlanSpec::Objective::Primary;
        spec.objectiveIndex = k;
      } else if (const int s = IndexOf(t.sectors, valueText); s >= 0) {
        spec.objective = IoPlanSpec::Objective::Sector;
        spec.objectiveIndex = s;
      } else if (valueText == "DEMAND") {
        spec.objective = IoPlanSpec::Objective::Demand;
      } else {
        r.error = where + ": the objective names \"" + valueText +
                  "\", which is neither a primary input, a sector nor DEMAND.";
        return r;
      }
      continue;
    }
    PlanConstraint c;
    c.label = label;
    c.row = i + 1;
    if (const auto read = ReadRelation(relation)) {
      c.relation = *read;
    } else {
      r.error = where + ": the relation \"" + relation +
                "\" is not one; a relation is <, <=, =<, \u2264, >, >=, =>, \u2265 or =.";
      return r;
    }
    const auto v = ArithmeticValue(m.Get(i, 2));
    if (!v || !std::isfinite(*v) || valueText.empty()) {
      r.error = where + ": the value \"" + valueText + "\" is not a number.";
      return r;
    }
    c.value = *v;
    if (const int s = IndexOf(t.sectors, label); s >= 0) {
      c.kind = PlanConstraint::Kind::Demand;
      c.index = s;
    } else if (const int k = IndexOf(t.primary, label); k >= 0) {
      c.kind = PlanConstraint::Kind::Primary;
      c.index = k;
    } else if (Lower(label).rfind("output ", 0) == 0 && IndexOf(t.sectors, Trimmed(label.substr(7))) >= 0) {
      c.kind = PlanConstraint::Kind::Output;
      c.index = IndexOf(t.sectors, Trimmed(label.substr(7)));
    } else {
      r.error =
          where + ": \"" + label + "\" is neither a sector, \"output\" and a sector, nor a primary input of the table.";
      return r;
    }
    spec.constraints.push_back(std::move(c));
  }
  if (!haveObjective) {
    r.error =
        source + ": the plan has no objective row (objective, min or max, and a primary input, a sector or DEMAND).";
  }
  return r;
}

std::string PlanConstraintKey(const PlanConstraint& c) {
  return c.label + " " + RelationText(c.relation) + " " + Number(c.value);
}

IoPlanResult SolveIoPlan(const IoTable& t, const IoPlanSpec& spec, const std::vector<double>& direction,
                         const LpSolverOptions& options) {
  IoPlanResult r;
  const int n = t.Sectors();
  const bool scaled = spec.objective == IoPlanSpec::Objective::Demand;
  if (scaled && !direction.empty() && static_cast<int>(direction.size()) != n) {
    r.status = "not solved";
    r.message = "The direction of final demand has " + std::to_string(direction.size()) + " values for " +
                std::to_string(n) + " sectors.";
    return r;
  }
  LpProblem lp;
  lp.maximise = spec.maximise;
  for (int j = 0; j < n; ++j) lp.AddColumn({"x" + std::to_string(j + 1), 0.0, kLpInfinity, 0.0, 'c'});
  if (scaled) lp.AddColumn({"t", -kLpInfinity, kLpInfinity, 0.0, 'c'});

  // The rows of A, for the final demand of each sector.
  std::vector<std::vector<std::pair<int, double>>> rowsOfA(static_cast<std::size_t>(n));
  for (int j = 0; j < n; ++j)
    for (long long k = t.a.start[static_cast<std::size_t>(j)]; k < t.a.start[static_cast<std::size_t>(j) + 1]; ++k)
      rowsOfA[static_cast<std::size_t>(t.a.row[static_cast<std::size_t>(k)])].emplace_back(
          j, t.a.value[static_cast<std::size_t>(k)]);
  // The coefficients of d_i over the columns (0-based), x_i - sum_j a_ij x_j.
  const auto demandRow = [&](int i) {
    std::vector<std::pair<int, double>> row;
    bool own = false;
    for (const auto& [j, a] : rowsOfA[static_cast<std::size_t>(i)]) {
      row.emplace_back(j, (j == i ? 1.0 : 0.0) - a);
      own = own || j == i;
    }
    if (!own) row.emplace_back(i, 1.0);
    return row;
  };
  const auto addRow = [&](const std::vector<std::pair<int, double>>& coeff, PlanRelation relation, double value) {
    LpRowBounds b;
    if (relation != PlanRelation::AtMost) b.lower = value;
    if (relation != PlanRelation::AtLeast) b.upper = value;
    const int row = lp.AddRow(std::move(b));
    for (const auto& [col, v] : coeff) lp.Set(row, col, v);
    return row;
  };
  const auto primaryRow = [&](int k) {
    std::vector<std::pair<int, double>> row;
    for (int j = 0; j < n; ++j)
      row.emplace_back(j, t.primaryRow[static_cast<std::size_t>(k)][static_cast<std::size_t>(j)]);
    return row;
  };

  std::vector<int> constraintRow;
  std::vector<bool> targeted(static_cast<std::size_t>(n), false);
  for (const PlanConstraint& c : spec.constraints) {
    std::vector<std::pair<int, double>> coeff;
    if (c.kind == PlanConstraint::Kind::Demand) {
      coeff = demandRow(c.index);
      targeted[static_cast<std::size_t>(c.index)] = true;
    } else if (c.kind == PlanConstraint::Kind::Output) {
      coeff = {{c.index, 1.0}};
    } else {
      coeff = primaryRow(c.index);
    }
    constraintRow.push_back(addRow(coeff, c.relation, c.value));
  }
  // Sectors without a target deliver no less than nothing to final demand; with the objective
  // DEMAND every sector delivers at least t times its share of the direction.
  for (int i = 0; i < n; ++i) {
    if (!targeted[static_cast<std::size_t>(i)]) addRow(demandRow(i), PlanRelation::AtLeast, 0.0);
    if (scaled) {
      const double f = direction.empty() ? 1.0 : direction[static_cast<std::size_t>(i)];
      if (f == 0.0) continue;
      auto coeff = demandRow(i);
      coeff.emplace_back(n, -f);
      addRow(coeff, PlanRelation::AtLeast, 0.0);
    }
  }
  switch (spec.objective) {
    case IoPlanSpec::Objective::Primary:
      for (const auto& [col, v] : primaryRow(spec.objectiveIndex)) lp.columns[static_cast<std::size_t>(col)].cost = v;
      break;
    case IoPlanSpec::Objective::Sector:
      for (const auto& [col, v] : demandRow(spec.objectiveIndex)) lp.columns[static_cast<std::size_t>(col)].cost = v;
      break;
    case IoPlanSpec::Objective::Demand:
      lp.columns[static_cast<std::size_t>(n)].cost = 1.0;
      break;
  }

  const LpSolution s = SolveLinearProgram(lp, options);
  const std::string objective = std::string(spec.maximise ? "max " : "min ") + spec.objectiveLabel;
  if (s.run == LpRun::Finished && s.model == LpModelStatus::Infeasible) {
    r.status = "infeasible";
    r.message = "The plan is infeasible: no outputs of 0 or more meet all the targets, bounds and limits together.";
    return r;
  }
  if (s.run == LpRun::Finished && s.model == LpModelStatus::Unbounded) {
    r.status = "unbounded";
    r.message = "The plan is unbounded: " + objective +
                " grows without limit; add a limit on a primary input or a bound on an output.";
    return r;
  }
  if (s.run == LpRun::Cancelled) {
    r.status = "cancelled";
    r.message = "The plan was not solved: the solve was cancelled.";
    return r;
  }
  if (s.run != LpRun::Finished || s.model != LpModelStatus::Optimal) {
    r.status = "not solved";
    r.message = "The solver stopped without a plan (" +
                (s.run == LpRun::Failed ? s.failure : std::string(LpRunWords(s.run))) + ").";
    return r;
  }
  r.status = "optimal";
  r.objective = *s.objective;
  r.message = "The plan is optimal: " + objective + " = " + Number(r.objective) + ".";
  r.outputs.assign(s.columnValue.begin(), s.columnValue.begin() + n);
  r.demand = r.outputs;
  for (int j = 0; j < n; ++j)
    for (long long k = t.a.start[static_cast<std::size_t>(j)]; k < t.a.start[static_cast<std::size_t>(j) + 1]; ++k)
      r.demand[static_cast<std::size_t>(t.a.row[static_cast<std::size_t>(k)])] -=
          t.a.value[static_cast<std::size_t>(k)] * r.outputs[static_cast<std::size_t>(j)];
  for (const auto& row : t.primaryRow) {
    double sum = 0.0;
    for (int j = 0; j < n; ++j) sum += row[static_cast<std::size_t>(j)] * r.outputs[static_cast<std::size_t>(j)];
    r.primary.push_back(sum);
  }
  // Each constraint by its row: a label may stand on two rows (S2 <= 80 and S2 >= 40); the
  // same row written twice is told apart by its row in the plan.
  std::vector<std::string> keys;
  for (const PlanConstraint& pc : spec.constraints) keys.push_back(PlanConstraintKey(pc));
  const std::vector<std::string> plain = keys;
  for (std::size_t c = 0; c < keys.size(); ++c) {
    if (std::count(plain.begin(), plain.end(), plain[c]) > 1)
      keys[c] += " (row " + std::to_string(spec.constraints[c].row) + ")";
  }
  for (std::size_t c = 0; c < spec.constraints.size(); ++c) {
    const PlanConstraint& pc = spec.constraints[c];
    const auto row = static_cast<std::size_t>(constraintRow[c]);
    r.duals.emplace_back(keys[c], s.rowDual[row]);
    const double activity = s.rowActivity[row];
    if (pc.relation == PlanRelation::Equal || std::abs(activity - pc.value) <= 1e-9 * std::max(1.0, std::abs(pc.value)))
      r.binding.push_back(keys[c]);
  }
  return r;
}

}  // namespace quantorial
