#include "planning/LpOutcome.h"

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>

#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

// Values with -0 read as 0.
double Signless(double v) { return v == 0.0 ? 0.0 : v; }

// A solution value as the report gives it: round-off below 1e-11 (the solver's tolerances are
// far coarser) read as 0, so a degenerate basic variable shows 0 rather than 7e-16.
double Tidy(double v) { return std::fabs(v) < 1e-11 ? 0.0 : v; }

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

LpOutcome SolveLpProblem(const LpProblem& p, const LpSolveOptions& options) {
  LpOutcome o;
  o.maximise = p.maximise;
  for (const LpColumn& c : p.columns) {
    LpVariableOutcome v;
    v.name = c.name;
    v.kind = c.kind;
    v.cost = c.cost;
    o.integer = o.integer || c.kind != 'c';
    o.variables.push_back(std::move(v));
  }
  for (const LpRowBounds& r : p.rows) {
    LpConstraintOutcome k;
    k.name = r.name;
    const bool lo = std::isfinite(r.lower), up = std::isfinite(r.upper);
    k.relation = lo && up ? (r.lower == r.upper ? "=" : "range") : lo ? ">=" : up ? "<=" : "free";
    k.rhs = k.relation == ">=" || k.relation == "=" ? r.lower : up ? r.upper : 0.0;
    o.constraints.push_back(std::move(k));
  }
  if (p.columns.empty()) {
    o.statusText = "no variables: the model has no column";
    return o;
  }
  const LpSolution s = SolveLinearProgram(p, options);
  o.run = s.run;
  o.model = s.model;
  o.iterations = s.iterations;
  o.notes = s.notes;
  o.gap = s.gap;
  switch (s.run) {
    case LpRun::Finished:
      o.status = s.model == LpModelStatus::Optimal      ? (o.integer ? LpStatus::IntegerOptimal : LpStatus::Optimal)
                 : s.model == LpModelStatus::Infeasible ? LpStatus::Infeasible
                 : s.model == LpModelStatus::Unbounded  ? LpStatus::Unbounded
                                                        : LpStatus::Failed;
      break;
    case LpRun::TimeLimit:
      o.status = LpStatus::TimeLimit;
      break;
    case LpRun::IterationLimit:
      o.status = LpStatus::IterationLimit;
      break;
    case LpRun::Cancelled:
      o.status = LpStatus::Cancelled;
      break;
    case LpRun::Failed:
      o.status = LpStatus::Failed;
      break;
  }
  o.statusText = o.status != LpStatus::Failed ? std::string(LpStatusWords(o.status))
                 : s.run == LpRun::Failed     ? "not solved: " + s.failure
                                              : std::string(LpModelStatusWords(s.model));
  if (s.columnValue.empty()) return o;
  o.objective = Signless(*s.objective);
  const bool duals = !s.rowDual.empty();
  for (std::size_t j = 0; j < p.columns.size(); ++j) {
    LpVariableOutcome& v = o.variables[j];
    v.value = Tidy(s.columnValue[j]);
    if (duals) {
      v.reducedCost = Tidy(s.reducedCost[j]);
      v.basic = s.columnBasic[j];
    }
  }
  for (std::size_t i = 0; i < p.rows.size(); ++i) {
    LpConstraintOutcome& r = o.constraints[i];
    const double activity = Tidy(s.rowActivity[i]);
    r.activity = activity;
    const LpRowBounds& b = p.rows[i];
    if (r.relation != "free") r.slack = Tidy(r.relation == ">=" ? activity - b.lower : b.upper - activity);
    if (duals) r.dual = Tidy(s.rowDual[i]);
  }
  if (!s.ranged) return o;
  // The name of the row or column that limits a range at one end.
  const auto end = [&](const LpRangeEnd& e) {
    LpEnd out;
    out.value = e.value;
    if (e.limitRow >= 0) out.limit = p.rows[static_cast<std::size_t>(e.limitRow)].name;
    if (e.limitColumn >= 0) out.limit = p.columns[static_cast<std::size_t>(e.limitColumn)].name;
    return out;
  };
  const double z = *o.objective;
  for (std::size_t j = 0; j < p.columns.size(); ++j) {
    LpVariableOutcome& v = o.variables[j];
    v.costLow = end(s.costLow[j]);
    v.costHigh = end(s.costHigh[j]);
    v.ranged = true;
  }
  for (std::size_t i = 0; i < p.rows.size(); ++i) {
    LpConstraintOutcome& r = o.constraints[i];
    r.rhsLow = end(s.rhsLow[i]);
    r.rhsHigh = end(s.rhsHigh[i]);
    const double activity = r.activity.value_or(0.0), dual = r.dual.value_or(0.0);
    const auto objectiveAt = [&](const LpEnd& e) -> std::optional<double> {
      if (!e.value) return std::nullopt;
      return Signless(z + dual * (*e.value - activity));
    };
    r.objectiveLow = objectiveAt(r.rhsLow);
    r.objectiveHigh = objectiveAt(r.rhsHigh);
    r.ranged = true;
  }
  o.ranged = true;
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
