#pragma once
// The input-output plan as a linear programme: outputs x >= 0 with final demand
// d = (I - A) x, subject to sector targets on d (=, >= or <=), bounds on outputs and limits on
// primary inputs (the primary row's coefficients times x), minimising a primary input or
// maximising final demand (of one sector, or a multiple t of a direction: d >= t f). A sector
// without a target row keeps its final demand at 0 or above. Solved by the LP layer.
//
// A plan table has three columns below a header: label, relation, value (a relation as an LP
// table writes it: <, <=, =<, ≤, >, >=, =>, ≥ or =). The label names a
// sector (a target on its final demand), "output NAME" (a bound on the sector's output), a
// primary input (a limit on its use), or is "objective" with "min" or "max" and the name of a
// primary input, a sector, or DEMAND (the direction f).

#include <string>
#include <vector>

#include "inputoutput/IoTable.h"
#include "lp/LpSolver.h"
#include "workspace/LabelledMatrix.h"

namespace quantorial {

enum class PlanRelation { Equal, AtLeast, AtMost };

struct PlanConstraint {
  enum class Kind { Demand, Output, Primary } kind = Kind::Demand;
  int index = 0;  // the sector or primary input
  PlanRelation relation = PlanRelation::Equal;
  double value = 0.0;
  std::string label;  // as written in the plan table
  int row = 0;        // the plan table's row, as a spreadsheet counts it (the header is row 1)
};

// The constraint as its dual and binding lists name it: label, relation and value ("S2 <= 80").
std::string PlanConstraintKey(const PlanConstraint& constraint);

struct IoPlanSpec {
  std::vector<PlanConstraint> constraints;
  bool maximise = false;
  enum class Objective { Primary, Sector, Demand } objective = Objective::Demand;
  int objectiveIndex = 0;
  std::string objectiveLabel;
};

// Reads a plan table against the table's sectors and primary inputs; the error names the row.
struct IoPlanRead {
  IoPlanSpec spec;
  std::string error;
};
IoPlanRead ReadIoPlan(const LabelledMatrix& m, const IoTable& t, const std::string& source);

struct IoPlanResult {
  std::string status;   // "optimal", "infeasible", "unbounded", "cancelled" or "not solved"
  std::string message;  // the status in a sentence
  double objective = 0.0;
  std::vector<double> outputs, demand;  // x and (I - A) x by sector
  std::vector<double> primary;          // requirements by primary input
  // Shadow prices of the constraints by row (PlanConstraintKey; a key that stands twice gets
  // " (row N)") and the keys of those that bind.
  std::vector<std::pair<std::string, double>> duals;
  std::vector<std::string> binding;
};

// `direction` (n values, or empty for all ones) is f of the objective DEMAND. `options` carry the
// limits, progress and Cancel of the solve.
IoPlanResult SolveIoPlan(const IoTable& t, const IoPlanSpec& spec, const std::vector<double>& direction,
                         const LpSolverOptions& options = {});

}  // namespace quantorial
