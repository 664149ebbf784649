#include "inputoutput/IoPlan.h"

#include <glpk.h>

#include <cmath>
#include <memory>
#include <sstream>

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

int Quiet(void*, const char*) { return 1; }

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
    if (relation == "=") {
      c.relation = PlanRelation::Equal;
    } else if (relation == ">=") {
      c.relation = PlanRelation::AtLeast;
    } else if (relation == "<=") {
      c.relation = PlanRelation::AtMost;
    } else {
      r.error = where + ": the relation \"" + relation + "\" is not =, >= or <=.";
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

IoPlanResult SolveIoPlan(const IoTable& t, const IoPlanSpec& spec, const std::vector<double>& direction) {
  IoPlanResult r;
  const int n = t.Sectors();
  const bool scaled = spec.objective == IoPlanSpec::Objective::Demand;
  if (scaled && !direction.empty() && static_cast<int>(direction.size()) != n) {
    r.status = "not solved";
    r.message = "The direction of final demand has " + std::to_string(direction.size()) + " values for " +
                std::to_string(n) + " sectors.";
    return r;
  }
  glp_term_hook(Quiet, nullptr);
  std::unique_ptr<glp_prob, void (*)(glp_prob*)> lp(glp_create_prob(), glp_delete_prob);
  glp_set_obj_dir(lp.get(), spec.maximise ? GLP_MAX : GLP_MIN);
  glp_add_cols(lp.get(), n + (scaled ? 1 : 0));
  for (int j = 1; j <= n; ++j) glp_set_col_bnds(lp.get(), j, GLP_LO, 0.0, 0.0);
  if (scaled) glp_set_col_bnds(lp.get(), n + 1, GLP_FR, 0.0, 0.0);

  // The rows of A, for the final demand of each sector.
  std::vector<std::vector<std::pair<int, double>>> rowsOfA(static_cast<std::size_t>(n));
  for (int j = 0; j < n; ++j)
    for (long long k = t.a.start[static_cast<std::size_t>(j)]; k < t.a.start[static_cast<std::size_t>(j) + 1]; ++k)
      rowsOfA[static_cast<std::size_t>(t.a.row[static_cast<std::size_t>(k)])].emplace_back(
          j, t.a.value[static_cast<std::size_t>(k)]);
  // The coefficients of d_i over the columns (1-based), x_i - sum_j a_ij x_j.
  const auto demandRow = [&](int i) {
    std::vector<std::pair<int, double>> row;
    bool own = false;
    for (const auto& [j, a] : rowsOfA[static_cast<std::size_t>(i)]) {
      row.emplace_back(j + 1, (j == i ? 1.0 : 0.0) - a);
      own = own || j == i;
    }
    if (!own) row.emplace_back(i + 1, 1.0);
    return row;
  };
  std::vector<int> ia{0}, ja{0};
  std::vector<double> ar{0.0};
  const auto addRow = [&](const std::vector<std::pair<int, double>>& coeff, int type, double lo, double hi) {
    const int row = glp_add_rows(lp.get(), 1);
    glp_set_row_bnds(lp.get(), row, type, lo, hi);
    for (const auto& [col, v] : coeff) {
      if (v == 0.0) continue;
      ia.push_back(row);
      ja.push_back(col);
      ar.push_back(v);
    }
    return row;
  };
  const auto primaryRow = [&](int k) {
    std::vector<std::pair<int, double>> row;
    for (int j = 0; j < n; ++j)
      row.emplace_back(j + 1, t.primaryRow[static_cast<std::size_t>(k)][static_cast<std::size_t>(j)]);
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
      coeff = {{c.index + 1, 1.0}};
    } else {
      coeff = primaryRow(c.index);
    }
    const int type = c.relation == PlanRelation::Equal ? GLP_FX : c.relation == PlanRelation::AtLeast ? GLP_LO : GLP_UP;
    constraintRow.push_back(addRow(coeff, type, c.value, c.value));
  }
  // Sectors without a target deliver no less than nothing to final demand; with the objective
  // DEMAND every sector delivers at least t times its share of the direction.
  for (int i = 0; i < n; ++i) {
    if (!targeted[static_cast<std::size_t>(i)]) addRow(demandRow(i), GLP_LO, 0.0, 0.0);
    if (scaled) {
      const double f = direction.empty() ? 1.0 : direction[static_cast<std::size_t>(i)];
      if (f == 0.0) continue;
      auto coeff = demandRow(i);
      coeff.emplace_back(n + 1, -f);
      addRow(coeff, GLP_LO, 0.0, 0.0);
    }
  }
  switch (spec.objective) {
    case IoPlanSpec::Objective::Primary:
      for (const auto& [col, v] : primaryRow(spec.objectiveIndex)) glp_set_obj_coef(lp.get(), col, v);
      break;
    case IoPlanSpec::Objective::Sector:
      for (const auto& [col, v] : demandRow(spec.objectiveIndex)) glp_set_obj_coef(lp.get(), col, v);
      break;
    case IoPlanSpec::Objective::Demand:
      glp_set_obj_coef(lp.get(), n + 1, 1.0);
      break;
  }
  glp_load_matrix(lp.get(), static_cast<int>(ia.size()) - 1, ia.data(), ja.data(), ar.data());

  glp_smcp parm;
  glp_init_smcp(&parm);
  parm.msg_lev = GLP_MSG_OFF;
  glp_scale_prob(lp.get(), GLP_SF_AUTO);
  const int rc = glp_simplex(lp.get(), &parm);
  const int status = rc == 0 ? glp_get_status(lp.get()) : GLP_UNDEF;
  const std::string objective = std::string(spec.maximise ? "max " : "min ") + spec.objectiveLabel;
  if (status == GLP_NOFEAS || status == GLP_INFEAS) {
    r.status = "infeasible";
    r.message = "The plan is infeasible: no outputs of 0 or more meet all the targets, bounds and limits together.";
    return r;
  }
  if (status == GLP_UNBND) {
    r.status = "unbounded";
    r.message = "The plan is unbounded: " + objective +
                " grows without limit; add a limit on a primary input or a bound on an output.";
    return r;
  }
  if (status != GLP_OPT) {
    r.status = "not solved";
    r.message = "The solver stopped without a plan (GLPK code " + std::to_string(rc) + ").";
    return r;
  }
  r.status = "optimal";
  r.objective = glp_get_obj_val(lp.get());
  r.message = "The plan is optimal: " + objective + " = " + Number(r.objective) + ".";
  r.outputs.resize(static_cast<std::size_t>(n));
  for (int j = 0; j < n; ++j) r.outputs[static_cast<std::size_t>(j)] = glp_get_col_prim(lp.get(), j + 1);
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
  for (std::size_t c = 0; c < spec.constraints.size(); ++c) {
    const PlanConstraint& pc = spec.constraints[c];
    const int row = constraintRow[c];
    r.duals.emplace_back(pc.label, glp_get_row_dual(lp.get(), row));
    const double activity = glp_get_row_prim(lp.get(), row);
    if (pc.relation == PlanRelation::Equal || std::abs(activity - pc.value) <= 1e-9 * std::max(1.0, std::abs(pc.value)))
      r.binding.push_back(pc.label);
  }
  return r;
}

}  // namespace quantorial
