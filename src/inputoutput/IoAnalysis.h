#pragma once
// The Leontief toolkit on an input-output table: the Leontief inverse L = (I - A)^-1 and the
// Ghosh inverse G = (I - B)^-1 with B = diag(x)^-1 Z = diag(x)^-1 A diag(x) (so that
// G = diag(x)^-1 L diag(x)), outputs L d for a final demand d, supply-driven outputs
// x' = v' G for primary inputs v, output multipliers (the column sums of L), the multipliers of
// every primary input (its coefficients times L: type I; with households closed into the table,
// its coefficients times the closed table's inverse: type II), and Rasmussen's backward and
// forward linkages (the power and sensitivity of dispersion) with the key sectors (both above 1).
//
// Small tables are solved by a dense LU decomposition. Large ones are never inverted unless
// asked: every vector above is one solve with I - A or its transpose, done by an iterative
// method (BiCGSTAB with a diagonal preconditioner) that falls back to a sparse LU decomposition
// (UMFPACK) when it does not converge.

#include <string>
#include <utility>
#include <vector>

#include "inputoutput/IoTable.h"

namespace quantorial {

enum class IoSolver { Automatic, Dense, Iterative, SparseLu, Neumann };
const char* IoSolverName(IoSolver s);

struct IoOptions {
  IoSolver solver = IoSolver::Automatic;
  int denseLimit = 2000;       // Automatic: dense up to this many sectors
  bool formInverse = false;    // form L (and G) even above the limit
  bool multipliers = true;     // output, type-I and type-II multipliers and linkages
  std::vector<double> demand;  // final demand (n), or empty
  std::vector<double> supply;  // primary inputs by sector (n) for the supply-driven outputs, or empty
  double tolerance = 1e-12;    // relative residual of the iterative solves
};

struct IoAnalysis {
  std::string error;                 // a singular I - A, or a vector of the wrong length; nothing else is set then
  std::vector<std::string> notices;  // what the results rest on doubtfully
  IoSolver solverUsed = IoSolver::Dense;
  std::vector<std::vector<double>> leontief, ghosh;  // n x n when formed
  std::vector<double> outputs;                       // L d, with a demand
  std::vector<double> supplyOutputs;                 // v' G, with a supply vector
  std::vector<double> outputMultipliers;             // column sums of L
  std::vector<double> leontiefRowSums;               // row sums of L
  std::vector<std::pair<std::string, std::vector<double>>> type1, type2;
  std::vector<double> backward, forward;  // power and sensitivity of dispersion
  std::vector<std::string> keySectors;    // backward and forward above 1
  double reciprocalCondition = 1.0;       // the estimate of 1 / cond(I - A) the solve was judged by
  bool productive = true;                 // false when A's spectral radius was found to be 1 or more
};

// The error of a table whose I - A is singular.
extern const char* const kSingularMessage;

IoAnalysis AnalyseIoTable(const IoTable& t, const IoOptions& options);

// The closed table's coefficients (households as sector n + 1) as dense rows, for showing.
std::vector<std::vector<double>> DenseCoefficients(const IoTable& t);

}  // namespace quantorial
