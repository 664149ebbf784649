#pragma once
// A solved linear (or mixed-integer) programme as plain data: the status, the objective, per
// variable its value, reduced cost and the range of its objective coefficient over which the
// basis stays optimal, and per constraint its activity, dual price and the range of its
// right-hand side over which that price holds, all by name. Made from a problem of the LP
// layer by SolveLpProblem; read by the slot tables, the plain-text report and the JSON writer.

#include <optional>
#include <string>
#include <vector>

#include "lp/LpSolver.h"
#include "workspace/LabelledMatrix.h"

namespace quantorial {

// The status as the report and the JSON give it: the model's verdict when the run finished,
// else how the run ended.
enum class LpStatus { Optimal, IntegerOptimal, Infeasible, Unbounded, TimeLimit, IterationLimit, Cancelled, Failed };

// One end of a range: the value (nothing when the range is unbounded that way) and the
// variable or constraint that limits it there (empty when none does).
struct LpEnd {
  std::optional<double> value;
  std::string limit;
};

struct LpVariableOutcome {
  std::string name;
  char kind = 'c';  // 'c' continuous, 'i' integer, 'b' binary
  double cost = 0.0;
  std::optional<double> value, reducedCost;
  bool basic = false;
  bool ranged = false;  // the range below was computed
  LpEnd costLow, costHigh;
};

struct LpConstraintOutcome {
  std::string name;
  std::string relation;  // "<=", ">=", "=", "free" or "range"
  double rhs = 0.0;      // the bound the relation names (the upper one of a range)
  std::optional<double> activity, slack, dual;
  bool ranged = false;
  LpEnd rhsLow, rhsHigh;
  // The objective with the right-hand side at each end; nothing at an unbounded end.
  std::optional<double> objectiveLow, objectiveHigh;
};

struct LpOutcome {
  LpStatus status = LpStatus::Failed;
  LpRun run = LpRun::Failed;                     // how the run ended
  LpModelStatus model = LpModelStatus::Unknown;  // and what it found out about the model
  std::string statusText;                        // "optimal", "integer optimal", ... or why nothing was solved
  bool maximise = true;
  bool integer = false;  // the model has integer or binary variables
  std::optional<double> objective;
  // Integer models: the relative gap between the best solution found and the best bound.
  std::optional<double> gap;
  bool ranged = false;
  long long iterations = 0;
  std::vector<std::string> notes;  // lines the report shows under its heading
  std::vector<LpVariableOutcome> variables;
  std::vector<LpConstraintOutcome> constraints;
};

// The words of a status as the report and the JSON give it.
const char* LpStatusWords(LpStatus status);

// Limits, progress and Cancel, and whether to compute the ranges (only when asked).
using LpSolveOptions = LpSolverOptions;

// Solves the problem (its columns' and rows' names name them in the outcome).
LpOutcome SolveLpProblem(const LpProblem& problem, const LpSolveOptions& options);

// The "LP Solution" slot: Status, Objective, then per variable its value and reduced cost,
// then per row its activity, slack and dual value.
LabelledMatrix LpSolutionTable(const LpOutcome& outcome);
// The "LP Ranging" slot: per variable its cost and the cost range, per constraint its
// right-hand side, the range, the objective at both ends, and what limits each end.
LabelledMatrix LpRangingTable(const LpOutcome& outcome);
// The plain-text report a planner reads; `ranges` adds the ranging tables.
std::string LpReportText(const LpOutcome& outcome, bool ranges, const std::string& modelName);
// The outcome as JSON (status, objective, variables, constraints); unbounded ends are null.
std::string LpOutcomeJson(const LpOutcome& outcome);

}  // namespace quantorial
