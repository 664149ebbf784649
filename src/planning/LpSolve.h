#pragma once
// "&Solve...": the LP model that "Build &Linear Programming Model..." writes, solved with
// GLPK: maximise the sum of the named variables subject to one row per table row (the
// table's relation and right-hand side, or <= 0), every variable >= 0.

#include <string>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

// The solution as a table: a "Status" row in words (optimal, infeasible, unbounded, or
// why there is no solution), the objective value, then per variable its value and reduced
// cost, and per row its activity, slack and dual value. `useX` names the variables X1, ...
LabelledMatrix SolveLp(const LabelledMatrix& table, bool useX, bool withConstraints);

// Writes the model in CPLEX LP form (a name ending in .lp) or free MPS form (any other);
// false with the reason. Written beside the target, then renamed over it.
bool WriteLpModel(const LabelledMatrix& table, bool useX, bool withConstraints, const std::string& path,
                  std::string& error);

}  // namespace quantorial
