#pragma once
// "&Solve...": the LP model that "Build &Linear Programming Model..." writes, solved with
// GLPK: maximise the sum of the named variables subject to one row per table row (the
// table's relation and right-hand side, or <= 0), every variable >= 0.

#include <string>

#include "planning/LpOutcome.h"
#include "workspace/LabelledMatrix.h"

namespace quantorial {

// The solution as a table: a "Status" row in words (optimal, infeasible, unbounded, or
// why there is no solution), the objective value, then per variable its value and reduced
// cost, and per row its activity, slack and dual value. `useX` names the variables X1, ...
LabelledMatrix SolveLp(const LabelledMatrix& table, bool useX, bool withConstraints);
// The same solve as an outcome, with the ranges and the limits of `options`. A table that
// does not read gives the status "not solved: " and why.
LpOutcome SolveLpTable(const LabelledMatrix& table, bool useX, bool withConstraints, const LpSolveOptions& options);

// True for a name ending in .lp or .mps (in any case): a model file rather than a table.
bool IsLpModelFileName(const std::string& path);
// Reads a CPLEX LP file (.lp) or an MPS file (free, else fixed) and solves it. False with the
// reason when the file does not read: the line GLPK stopped at and what it found there, or
// that the file is empty or too large. An OBJSENSE section (MAX or MIN) sets the sense,
// which GLPK's reader does not; without one an MPS model is minimised, as the form says.
bool SolveLpModelFile(const std::string& path, const LpSolveOptions& options, LpOutcome& outcome, std::string& error);

// Writes the model in CPLEX LP form (a name ending in .lp) or free MPS form (any other);
// false with the reason. Written beside the target, then renamed over it. MPS has no
// objective sense every reader honours, so the maximisation is written as the minimisation
// of the negated objective, and a comment at the top says so.
bool WriteLpModel(const LabelledMatrix& table, bool useX, bool withConstraints, const std::string& path,
                  std::string& error);

}  // namespace quantorial
