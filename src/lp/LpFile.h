#pragma once
// Linear programmes in the files other solvers read and write: the CPLEX LP form and MPS
// (free, and the fixed form whose names may hold blanks), read and written through GLPK.
// The reader works on the file it is given; the planning layer bounds what the user gives and
// copies it first. In MPS the objective's sense is not read (an OBJSENSE section is the
// caller's to take out), and a right-hand side given for the objective row is read as the
// objective's constant term with its sign as written, as glpsol reads it.

#include <string>

#include "lp/LpSolver.h"

namespace quantorial {

enum class LpFileForm { Lp, FreeMps, FixedMps };

// False with the reason when the file does not read: "line N: what" where the reader stopped,
// with the column named when a bound in the BOUNDS section is at fault.
bool ReadLpModelFile(const std::string& path, LpFileForm form, LpProblem& problem, std::string& error);

// Writes the problem to `path` (the caller renames it into place); false with the reason.
// Names that GLPK's writers do not take are the caller's to avoid.
bool WriteLpModelFile(const LpProblem& problem, const std::string& path, LpFileForm form, std::string& error);

}  // namespace quantorial
