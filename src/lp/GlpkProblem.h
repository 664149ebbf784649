#pragma once
// Inside the LP layer only: an LpProblem as a GLPK problem object.

#include <glpk.h>

#include <memory>

#include "lp/LpSolver.h"

namespace quantorial::lpdetail {

using GlpkProblem = std::unique_ptr<glp_prob, void (*)(glp_prob*)>;

// The GLPK problem of `problem`, with its names when `names` (for writing a file; GLPK stops
// the program on a name of more than 255 bytes or with a control character, so the caller
// gives none such). Integer columns get whole-number bounds (x <= 2.5 is x <= 2).
GlpkProblem MakeGlpkProblem(const LpProblem& problem, bool names);

}  // namespace quantorial::lpdetail
