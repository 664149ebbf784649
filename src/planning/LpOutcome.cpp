#include "planning/LpOutcome.h"

#include <glpk.h>

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>

#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

// GLPK's values with -0 read as 0.
double Signless(double v) { return v == 0.0 ? 0.0 : v; }

// A solution value as the report gives it: round-off below 1e-11 (GLPK's tolerances are far
// coarser) read as 0, so a degenerate basic variable shows 0 rather than 7e-16.
double Tidy(double v) { return std::fabs(v) < 1e-11 ? 0.0 : v; }

// GLPK gives an unbounded end of a range as -DBL_MAX or +DBL_MAX.
std::optional<double> Finite(double v) {
  if (!std::isfinite(v) || std::fabs(v) >= DBL_MAX / 2) return std::nullopt;
  return Signless(v);
}

int Quiet(void*, const char*) { return 1; }

using Clock = std::chrono::steady_clock;

// Milliseconds left of a limit of `seconds` since `start`; at least 1 so a limit that has
// run out stops the next call at once rather than switch the limit off.
int MillisecondsLeft(double seconds, Clock::time_point start) {
  const double left = seconds * 1000.0 - std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  return static_cast<int>(std::clamp(left, 1.0, 2.0e9));
}

// The name of GLPK's variable k (rows 1..m, then columns): as the outcome names it.
std::string OrdinalName(const LpOutcome& o, int k) {
  const int m = static_cast<int>(o.constraints.size());
  if (k >= 1 && k <= m) return o.constraints[static_cast<std::size_t>(k - 1)].name;
  if (k > m && k - m <= static_cast<int>(o.variables.size()))
    return o.variables[static_cast<std::size_t>(k - m - 1)].name;
  return {};
}

// Ranging of an optimal basic solution: a basic column's cost range and a non-basic row's
// right-hand-side range come from GLPK's analysis of the basis; a non-basic column's cost
// can move against its reduced cost until the column would enter the basis; a basic
// (non-binding) row keeps dual 0 from its activity outwards (the classical convention).
void Range(glp_prob* lp, LpOutcome& o) {
  if (!glp_bf_exists(lp) && glp_factorize(lp) != 0) return;
  const int m = glp_get_num_rows(lp), n = glp_get_num_cols(lp);
  const double z = o.objective.value_or(0.0);
  for (int j = 1; j <= n; ++j) {
    LpVariableOutcome& v = o.variables[static_cast<std::size_t>(j - 1)];
    const int stat = glp_get_col_stat(lp, j);
    if (stat == GLP_BS) {
      double coef1 = 0, value1 = 0, coef2 = 0, value2 = 0;
      int var1 = 0, var2 = 0;
      glp_analyze_coef(lp, m + j, &coef1, &var1, &value1, &coef2, &var2, &value2);
      v.costLow = {Finite(coef1), Finite(coef1) ? OrdinalName(o, var1) : std::string()};
      v.costHigh = {Finite(coef2), Finite(coef2) ? OrdinalName(o, var2) : std::string()};
    } else {
      const double c = v.cost, d = v.reducedCost.value_or(0.0);
      const LpRangeEnd open{}, entering{Signless(c - d), v.name};
      // At its lower bound the column stays out while its reduced cost keeps its sign:
      // a maximisation may lower the cost freely, a minimisation raise it; at the upper
      // bound the other way round.
      if (stat == GLP_NL || stat == GLP_NU) {
        const bool lowerOpen = (stat == GLP_NL) == o.maximise;
        v.costLow = lowerOpen ? open : entering;
        v.costHigh = lowerOpen ? entering : open;
      } else if (stat == GLP_NF) {
        v.costLow = v.costHigh = entering;
      }  // a fixed column stays at its value whatever it costs
    }
    v.ranged = true;
  }
  for (int i = 1; i <= m; ++i) {
    LpConstraintOutcome& r = o.constraints[static_cast<std::size_t>(i - 1)];
    const int stat = glp_get_row_stat(lp, i), type = glp_get_row_type(lp, i);
    const double activity = r.activity.value_or(0.0), dual = r.dual.value_or(0.0);
    if (stat == GLP_NL || stat == GLP_NU || stat == GLP_NS) {
      double value1 = 0, value2 = 0;
      int var1 = 0, var2 = 0;
      glp_analyze_bound(lp, i, &value1, &var1, &value2, &var2);
      r.rhsLow = {Finite(value1), Finite(value1) ? OrdinalName(o, var1) : std::string()};
      r.rhsHigh = {Finite(value2), Finite(value2) ? OrdinalName(o, var2) : std::string()};
    } else if (stat == GLP_BS) {
      // Not binding: the dual price 0 holds from the activity outwards.
      const LpRangeEnd at{Signless(activity), r.name}, open{};
      if (type == GLP_UP || type == GLP_DB) {
        r.rhsLow = at, r.rhsHigh = open;
      } else if (type == GLP_LO) {
        r.rhsLow = open, r.rhsHigh = at;
      } else if (type == GLP_FX) {
        r.rhsLow = r.rhsHigh = at;
      }
    }
    const auto objectiveAt = [&](const LpRangeEnd& end) -> std::optional<double> {
      if (!end.value) return std::nullopt;
      return Signless(z + dual * (*end.value - activity));
    };
    r.objectiveLow = objectiveAt(r.rhsLow);
    r.objectiveHigh = objectiveAt(r.rhsHigh);
    r.ranged = true;
  }
  o.ranged = true;
}

struct SearchState {
  const LpSolveOptions* options;
  Clock::time_point lastReport;
  std::optional<double> gap;
  long long nodes = 0;
};

void SearchCallback(glp_tree* tree, void* info) {
  auto* s = static_cast<SearchState*>(info);
  const int reason = glp_ios_reason(tree);
  if (reason == GLP_IBINGO || reason == GLP_ISELECT) {
    const double g = glp_ios_mip_gap(tree);
    if (std::isfinite(g) && g < DBL_MAX / 2) s->gap = g;
  }
  if (reason != GLP_ISELECT) return;
  ++s->nodes;
  if (!s->options->progress || Clock::now() - s->lastReport < std::chrono::milliseconds(200)) return;
  s->lastReport = Clock::now();
  int active = 0, all = 0;
  glp_ios_tree_size(tree, &active, nullptr, &all);
  std::string text = "Branch and cut: " + std::to_string(all) + " nodes";
  if (s->gap) {
    char gap[32];
    std::snprintf(gap, sizeof gap, ", gap %.4g%%", *s->gap * 100.0);
    text += gap;
  }
  if (!s->options->progress(text, s->nodes, 0)) glp_ios_terminate(tree);
}

}  // namespace

const char* LpStatusWords(LpStatus status) {
  switch (status) {
    case LpStatus::Optimal:
      return "optimal";
    case LpStatus::IntegerOptimal:
      return "integer optimal";
    case LpStatus::Infeasible:
      return "infeasible";
    case LpStatus::Unbounded:
      return "unbounded";
    case LpStatus::TimeLimit:
      return "time limit";
    case LpStatus::IterationLimit:
      return "iteration limit";
    case LpStatus::Cancelled:
      return "cancelled";
    default:
      return "failed";
  }
}

LpOutcome SolveLpProblem(glp_prob* lp, const LpSolveOptions& options, const std::vector<std::string>& columnNames,
                         const std::vector<std::string>& rowNames) {
  glp_term_hook(Quiet, nullptr);
  LpOutcome o;
  o.maximise = glp_get_obj_dir(lp) == GLP_MAX;
  const int m = glp_get_num_rows(lp), n = glp_get_num_cols(lp);
  for (int j = 1; j <= n; ++j) {
    LpVariableOutcome v;
    const char* name = glp_get_col_name(lp, j);
    v.name = j <= static_cast<int>(columnNames.size()) ? columnNames[static_cast<std::size_t>(j - 1)]
             : name                                    ? std::string(name)
                                                       : "C" + std::to_string(j);
    const int kind = glp_get_col_kind(lp, j);
    v.kind = kind == GLP_BV ? 'b' : kind == GLP_IV ? 'i' : 'c';
    o.integer = o.integer || v.kind != 'c';
    v.cost = glp_get_obj_coef(lp, j);
    o.variables.push_back(std::move(v));
  }
  for (int i = 1; i <= m; ++i) {
    LpConstraintOutcome r;
    const char* name = glp_get_row_name(lp, i);
    r.name = i <= static_cast<int>(rowNames.size()) ? rowNames[static_cast<std::size_t>(i - 1)]
             : name                                 ? std::string(name)
                                                    : "R" + std::to_string(i);
    const int type = glp_get_row_type(lp, i);
    r.relation = type == GLP_UP   ? "<="
                 : type == GLP_LO ? ">="
                 : type == GLP_FX ? "="
                 : type == GLP_DB ? "range"
                                  : "free";
    r.rhs = type == GLP_LO || type == GLP_FX ? glp_get_row_lb(lp, i) : type == GLP_FR ? 0.0 : glp_get_row_ub(lp, i);
    o.constraints.push_back(std::move(r));
  }
  if (n == 0) {
    o.statusText = "no variables: the model has no column";
    return o;
  }

  // An integer variable's bounds as whole numbers (x <= 2.5 is x <= 2), which branch and cut
  // needs; bounds that then cross leave no whole number between them.
  for (int j = 1; j <= n && o.integer; ++j) {
    if (glp_get_col_kind(lp, j) != GLP_IV) continue;
    const int type = glp_get_col_type(lp, j);
    double lb = glp_get_col_lb(lp, j), ub = glp_get_col_ub(lp, j);
    const bool hasLb = type == GLP_LO || type == GLP_DB || type == GLP_FX;
    const bool hasUb = type == GLP_UP || type == GLP_DB || type == GLP_FX;
    if (hasLb) lb = std::ceil(lb - 1e-9);
    if (hasUb) ub = std::floor(ub + 1e-9);
    if (hasLb && hasUb && lb > ub) {
      o.status = LpStatus::Infeasible;
      o.statusText = LpStatusWords(o.status);
      o.notes.push_back("No whole number lies between the bounds of " +
                        o.variables[static_cast<std::size_t>(j - 1)].name + ".");
      return o;
    }
    const int whole = hasLb && hasUb ? (lb == ub ? GLP_FX : GLP_DB) : type;
    glp_set_col_bnds(lp, j, whole, lb, ub);
  }

  // The simplex method in rounds of a few thousand iterations, each continuing from the
  // basis the last one left, so that the wait window can show progress and Cancel stops it.
  const Clock::time_point start = Clock::now();
  constexpr long long kRound = 2000;
  glp_smcp parm;
  glp_init_smcp(&parm);
  parm.msg_lev = GLP_MSG_OFF;
  const long long before = glp_get_it_cnt(lp);
  int rc = 0;
  for (;;) {
    const long long done = glp_get_it_cnt(lp) - before;
    long long round = kRound;
    if (options.iterationLimit > 0) round = std::min(round, options.iterationLimit - done);
    if (round <= 0) {
      rc = GLP_EITLIM;
      break;
    }
    parm.it_lim = static_cast<int>(round);
    parm.tm_lim = options.timeLimitSeconds > 0 ? MillisecondsLeft(options.timeLimitSeconds, start) : INT_MAX;
    rc = glp_simplex(lp, &parm);
    o.iterations = glp_get_it_cnt(lp) - before;
    if (rc != GLP_EITLIM) break;
    if (options.iterationLimit > 0 && o.iterations >= options.iterationLimit) break;
    if (options.progress && !options.progress("Simplex: " + std::to_string(o.iterations) + " iterations", o.iterations,
                                              options.iterationLimit)) {
      o.status = LpStatus::Cancelled;
      o.statusText = LpStatusWords(o.status);
      return o;
    }
  }
  o.iterations = glp_get_it_cnt(lp) - before;
  if (rc == GLP_ETMLIM || rc == GLP_EITLIM) {
    o.status = rc == GLP_ETMLIM ? LpStatus::TimeLimit : LpStatus::IterationLimit;
    o.statusText = LpStatusWords(o.status);
    return o;
  }
  const int status = rc == 0 ? glp_get_status(lp) : GLP_UNDEF;
  if (status == GLP_NOFEAS || status == GLP_UNBND) {
    o.status = status == GLP_NOFEAS ? LpStatus::Infeasible : LpStatus::Unbounded;
    o.statusText = LpStatusWords(o.status);
    return o;
  }
  if (status != GLP_OPT) {
    o.statusText = rc == GLP_EBOUND ? "not solved: a variable or constraint has a lower bound above its upper bound"
                   : rc == GLP_ESING || rc == GLP_ECOND
                       ? "not solved: the constraints are numerically too close to dependent for the simplex method"
                       : "no solution found (the solver stopped, code " + std::to_string(rc) + ")";
    return o;
  }
  if (!o.integer) {
    o.status = LpStatus::Optimal;
    o.objective = Signless(glp_get_obj_val(lp));
    for (int j = 1; j <= n; ++j) {
      LpVariableOutcome& v = o.variables[static_cast<std::size_t>(j - 1)];
      v.value = Tidy(glp_get_col_prim(lp, j));
      v.reducedCost = Tidy(glp_get_col_dual(lp, j));
      v.basic = glp_get_col_stat(lp, j) == GLP_BS;
    }
    for (int i = 1; i <= m; ++i) {
      LpConstraintOutcome& r = o.constraints[static_cast<std::size_t>(i - 1)];
      const double activity = Tidy(glp_get_row_prim(lp, i));
      r.activity = activity;
      const int type = glp_get_row_type(lp, i);
      if (type != GLP_FR)
        r.slack = Tidy(type == GLP_LO ? activity - glp_get_row_lb(lp, i) : glp_get_row_ub(lp, i) - activity);
      r.dual = Tidy(glp_get_row_dual(lp, i));
    }
    if (options.ranging) Range(lp, o);
    o.statusText = LpStatusWords(o.status);
    return o;
  }

  // Branch and cut from the optimal relaxation.
  SearchState search{&options, Clock::now(), std::nullopt, 0};
  glp_iocp iocp;
  glp_init_iocp(&iocp);
  iocp.msg_lev = GLP_MSG_OFF;
  iocp.cb_func = SearchCallback;
  iocp.cb_info = &search;
  iocp.tm_lim = options.timeLimitSeconds > 0 ? MillisecondsLeft(options.timeLimitSeconds, start) : INT_MAX;
  const int mrc = glp_intopt(lp, &iocp);
  const int mstatus = glp_mip_status(lp);
  if (mrc == 0 && mstatus == GLP_OPT) {
    o.status = LpStatus::IntegerOptimal;
    o.gap = 0.0;
  } else if (mrc == 0 && mstatus == GLP_NOFEAS) {
    o.status = LpStatus::Infeasible;
  } else if (mrc == GLP_ETMLIM) {
    o.status = LpStatus::TimeLimit;
    o.gap = search.gap;
  } else if (mrc == GLP_ESTOP) {
    o.status = LpStatus::Cancelled;
    o.gap = search.gap;
  } else {
    o.statusText = mrc == GLP_EBOUND
                       ? "not solved: an integer variable has bounds that are not whole numbers"
                       : "no integer solution found (the solver stopped, code " + std::to_string(mrc) + ")";
    return o;
  }
  o.statusText = LpStatusWords(o.status);
  // A stopped search still reports the best whole-number solution it had.
  if (mstatus == GLP_OPT || mstatus == GLP_FEAS) {
    o.objective = Signless(glp_mip_obj_val(lp));
    for (int j = 1; j <= n; ++j) o.variables[static_cast<std::size_t>(j - 1)].value = Tidy(glp_mip_col_val(lp, j));
    for (int i = 1; i <= m; ++i) {
      LpConstraintOutcome& r = o.constraints[static_cast<std::size_t>(i - 1)];
      const double activity = Tidy(glp_mip_row_val(lp, i));
      r.activity = activity;
      const int type = glp_get_row_type(lp, i);
      if (type != GLP_FR)
        r.slack = Tidy(type == GLP_LO ? activity - glp_get_row_lb(lp, i) : glp_get_row_ub(lp, i) - activity);
    }
  }
  return o;
}

// ---- Tables ----

LabelledMatrix LpSolutionTable(const LpOutcome& o) {
  const int cols = static_cast<int>(o.variables.size()), rows = static_cast<int>(o.constraints.size());
  LabelledMatrix s = LabelledMatrix::Dimension(2 + cols + rows, 3);
  s.Set(0, 1, std::string("Value"));
  s.Set(0, 2, std::string("Reduced cost / Slack"));
  s.Set(0, 3, std::string("Dual value"));
  s.Set(1, 0, std::string("Status"));
  s.Set(1, 1, o.statusText);
  s.Set(2, 0, std::string("Objective"));
  if (o.objective) s.Set(2, 1, *o.objective);
  for (int c = 1; c <= cols; ++c) {
    const LpVariableOutcome& v = o.variables[static_cast<std::size_t>(c - 1)];
    s.Set(2 + c, 0, v.name);
    if (v.value) s.Set(2 + c, 1, *v.value);
    if (v.reducedCost) s.Set(2 + c, 2, *v.reducedCost);
  }
  for (int r = 1; r <= rows; ++r) {
    const LpConstraintOutcome& k = o.constraints[static_cast<std::size_t>(r - 1)];
    s.Set(2 + cols + r, 0, k.name);
    if (k.activity) s.Set(2 + cols + r, 1, *k.activity);
    if (k.slack && k.activity) s.Set(2 + cols + r, 2, *k.slack);
    if (k.dual) s.Set(2 + cols + r, 3, *k.dual);
  }
  return s;
}

namespace {

void SetEnd(LabelledMatrix& s, int i, int j, const std::optional<double>& v, bool low) {
  if (v) {
    s.Set(i, j, *v);
  } else {
    s.Set(i, j, std::string(low ? "-inf" : "+inf"));
  }
}

}  // namespace

LabelledMatrix LpRangingTable(const LpOutcome& o) {
  if (!o.ranged) return {};
  const int cols = static_cast<int>(o.variables.size()), rows = static_cast<int>(o.constraints.size());
  LabelledMatrix s = LabelledMatrix::Dimension(cols + rows, 7);
  const char* heads[] = {"Cost / RHS",        "Low",          "High",         "Objective at low",
                         "Objective at high", "Limit at low", "Limit at high"};
  for (int j = 0; j < 7; ++j) s.Set(0, j + 1, std::string(heads[j]));
  for (int c = 1; c <= cols; ++c) {
    const LpVariableOutcome& v = o.variables[static_cast<std::size_t>(c - 1)];
    s.Set(c, 0, "Cost of " + v.name);
    s.Set(c, 1, v.cost);
    SetEnd(s, c, 2, v.costLow.value, true);
    SetEnd(s, c, 3, v.costHigh.value, false);
    s.Set(c, 6, v.costLow.limit);
    s.Set(c, 7, v.costHigh.limit);
  }
  for (int r = 1; r <= rows; ++r) {
    const LpConstraintOutcome& k = o.constraints[static_cast<std::size_t>(r - 1)];
    const int i = cols + r;
    s.Set(i, 0, "RHS of " + k.name);
    s.Set(i, 1, k.rhs);
    SetEnd(s, i, 2, k.rhsLow.value, true);
    SetEnd(s, i, 3, k.rhsHigh.value, false);
    if (k.objectiveLow) s.Set(i, 4, *k.objectiveLow);
    if (k.objectiveHigh) s.Set(i, 5, *k.objectiveHigh);
    s.Set(i, 6, k.rhsLow.limit);
    s.Set(i, 7, k.rhsHigh.limit);
  }
  return s;
}

// ---- The plain-text report ----

namespace {

std::string Number(double v) {
  char b[64];
  std::snprintf(b, sizeof b, "%.10g", Signless(v));
  return b;
}

std::string Number(const std::optional<double>& v, const char* none) { return v ? Number(*v) : std::string(none); }

// Columns padded to their widest cell, the first left-aligned and the others right-aligned.
std::string Columns(const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> width;
  for (const auto& r : rows) {
    if (width.size() < r.size()) width.resize(r.size(), 0);
    for (std::size_t j = 0; j < r.size(); ++j) width[j] = std::max(width[j], r[j].size());
  }
  std::string out;
  for (const auto& r : rows) {
    std::string line = "  ";
    for (std::size_t j = 0; j < r.size(); ++j) {
      const std::string pad(width[j] - r[j].size(), ' ');
      line += j == 0 ? r[j] + pad : "  " + pad + r[j];
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line + "\n";
  }
  return out;
}

}  // namespace

std::string LpReportText(const LpOutcome& o, bool ranges, const std::string& modelName) {
  std::string t = "Linear programming solution" + (modelName.empty() ? std::string() : " of " + modelName) + "\n\n";
  t += "Status:    " + o.statusText + "\n";
  t += std::string("Sense:     ") + (o.maximise ? "maximise" : "minimise") + "\n";
  if (o.objective) t += "Objective: " + Number(*o.objective) + "\n";
  if (o.integer && o.gap) {
    char g[48];
    std::snprintf(g, sizeof g, "%.4g%%", *o.gap * 100.0);
    t += std::string("Gap:       ") + g + " (between the best whole-number solution and the best bound)\n";
  }
  for (const std::string& note : o.notes) t += note + "\n";
  const bool values = o.objective.has_value();
  if (!values) return t;

  std::vector<std::vector<std::string>> v{{"Variable", "Kind", "Value", "Reduced cost"}};
  for (const auto& x : o.variables) {
    v.push_back({x.name,
                 x.kind == 'b'   ? "binary"
                 : x.kind == 'i' ? "integer"
                                 : "",
                 Number(x.value, ""), Number(x.reducedCost, "")});
  }
  t += "\nVariables\n" + Columns(v);
  if (!o.constraints.empty()) {
    std::vector<std::vector<std::string>> c{{"Constraint", "Relation", "RHS", "Activity", "Slack", "Dual"}};
    for (const auto& k : o.constraints) {
      c.push_back({k.name, k.relation, k.relation == "free" ? "" : Number(k.rhs), Number(k.activity, ""),
                   Number(k.slack, ""), Number(k.dual, "")});
    }
    t += "\nConstraints\n" + Columns(c);
  }
  if (o.integer) {
    t += "\nThe model has integer variables: reduced costs, duals and ranges belong to linear models and are not "
         "given.\n";
    return t;
  }
  if (!ranges) return t;
  if (!o.ranged) {
    t += "\nNo ranging: it needs an optimal solution.\n";
    return t;
  }
  std::vector<std::vector<std::string>> cr{{"Variable", "Cost", "Low", "High", "Limit at low", "Limit at high"}};
  for (const auto& x : o.variables) {
    cr.push_back({x.name, Number(x.cost), Number(x.costLow.value, "-inf"), Number(x.costHigh.value, "+inf"),
                  x.costLow.limit, x.costHigh.limit});
  }
  t += "\nObjective coefficient ranges (the solution stays optimal while one cost moves inside its range)\n" +
       Columns(cr);
  if (!o.constraints.empty()) {
    std::vector<std::vector<std::string>> rr{{"Constraint", "RHS", "Low", "High", "Dual", "Objective at low",
                                              "Objective at high", "Limit at low", "Limit at high"}};
    for (const auto& k : o.constraints) {
      rr.push_back({k.name, k.relation == "free" ? "" : Number(k.rhs), Number(k.rhsLow.value, "-inf"),
                    Number(k.rhsHigh.value, "+inf"), Number(k.dual, ""), Number(k.objectiveLow, "-"),
                    Number(k.objectiveHigh, "-"), k.rhsLow.limit, k.rhsHigh.limit});
    }
    t += "\nRight-hand side ranges (the dual price holds while one right-hand side moves inside its range)\n" +
         Columns(rr);
    t += "\nA constraint that does not bind has dual 0, and its range runs from its activity outwards: "
         "a \"<=\" row from its activity to +inf, a \">=\" row from -inf to its activity.\n"
         "A limit names the variable or constraint that leaves or enters the basis at that end.\n";
  }
  return t;
}

// ---- JSON ----

namespace {

std::string JsonText(const std::string& s) {
  std::string out = "\"";
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20) {
      char b[8];
      std::snprintf(b, sizeof b, "\\u%04x", c);
      out += b;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

std::string JsonNumber(const std::optional<double>& v) {
  return v && std::isfinite(*v) ? ShortestText(Signless(*v)) : std::string("null");
}

std::string JsonPair(const std::optional<double>& a, const std::optional<double>& b) {
  return "[" + JsonNumber(a) + ", " + JsonNumber(b) + "]";
}

}  // namespace

std::string LpOutcomeJson(const LpOutcome& o) {
  std::string j = "{\n  \"status\": " + JsonText(o.statusText) + ",\n";
  j += std::string("  \"sense\": ") + (o.maximise ? "\"maximise\"" : "\"minimise\"") + ",\n";
  j += "  \"objective\": " + JsonNumber(o.objective) + ",\n";
  if (o.integer) j += "  \"gap\": " + JsonNumber(o.gap) + ",\n";
  j += "  \"variables\": [";
  for (std::size_t k = 0; k < o.variables.size(); ++k) {
    const auto& v = o.variables[k];
    j += std::string(k ? "," : "") + "\n    {\"name\": " + JsonText(v.name) + ", \"value\": " + JsonNumber(v.value) +
         ", \"reduced_cost\": " + JsonNumber(v.reducedCost) +
         ", \"cost_range\": " + (v.ranged ? JsonPair(v.costLow.value, v.costHigh.value) : "null") + "}";
  }
  j += std::string(o.variables.empty() ? "" : "\n  ") + "],\n  \"constraints\": [";
  for (std::size_t k = 0; k < o.constraints.size(); ++k) {
    const auto& c = o.constraints[k];
    j += std::string(k ? "," : "") + "\n    {\"name\": " + JsonText(c.name) +
         ", \"activity\": " + JsonNumber(c.activity) + ", \"dual\": " + JsonNumber(c.dual) +
         ", \"rhs_range\": " + (c.ranged ? JsonPair(c.rhsLow.value, c.rhsHigh.value) : "null") +
         ", \"objective_at_ends\": " + (c.ranged ? JsonPair(c.objectiveLow, c.objectiveHigh) : "null") + "}";
  }
  j += std::string(o.constraints.empty() ? "" : "\n  ") + "]\n}\n";
  return j;
}

}  // namespace quantorial
