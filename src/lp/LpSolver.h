#pragma once
// The one linear-programming layer of the program: a linear or mixed-integer programme as plain
// data (LpProblem), solved with GLPK as glpsol solves it by default (the LP presolver, scaling,
// an advanced initial basis, the primal simplex; for integer models the MIP presolver and
// branch and cut), within time and iteration limits, with progress and Cancel through a
// callback. What GLPK returns is checked for primal and dual feasibility on the problem's own
// data before it is called optimal. Ranging is computed only when asked. Reading and writing
// CPLEX LP and MPS files is in lp/LpFile.h. Nothing here knows a table, a window or a file name
// the user chose; the planning and input-output layers build their models in these terms.

#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace quantorial {

constexpr double kLpInfinity = std::numeric_limits<double>::infinity();

struct LpColumn {
  std::string name;
  double lower = 0.0, upper = kLpInfinity;  // -inf / +inf: no bound that way
  double cost = 0.0;
  char kind = 'c';  // 'c' continuous, 'i' integer, 'b' binary (bounds 0 and 1)
};

// A constraint lower <= sum of its coefficients times the columns <= upper (either infinite,
// or both equal for an equation).
struct LpRowBounds {
  std::string name;
  double lower = -kLpInfinity, upper = kLpInfinity;
};

struct LpEntry {
  int row = 0, column = 0;  // 0-based
  double value = 0.0;
};

struct LpProblem {
  std::string name;  // written into model files
  bool maximise = false;
  double objectiveConstant = 0.0;
  std::vector<LpColumn> columns;
  std::vector<LpRowBounds> rows;
  std::vector<LpEntry> entries;  // at most one per row and column

  int AddColumn(LpColumn column);
  int AddRow(LpRowBounds row);
  void Set(int row, int column, double value);  // a 0 value is left out
};

// How the run ended, apart from what it found out about the model.
enum class LpRun { Finished, TimeLimit, IterationLimit, Cancelled, Failed };
// What is known of the model: an optimum (proven), a feasible point (an integer search stopped
// early), no feasible point, an objective without bound, or nothing yet.
enum class LpModelStatus { Optimal, Feasible, Infeasible, Unbounded, Unknown };

const char* LpRunWords(LpRun run);
const char* LpModelStatusWords(LpModelStatus status);

struct LpSolverOptions {
  double timeLimitSeconds = 0.0;  // 0: none
  long long iterationLimit = 0;   // simplex iterations; 0: none
  bool ranging = false;           // the ranges of costs and right-hand sides of an LP optimum
  // As glpsol by default; switched off only to compare with `glpsol --noscale --nopresol`.
  bool scale = true;
  bool presolve = true;
  // Checks the answer on the problem's data; one that fails is solved again from its basis,
  // scaled, and fails the run when it fails again.
  bool check = true;
  // Called now and then with a text for the wait window, the iterations (or nodes) done and
  // the limit (0 when there is none); false stops the solve (LpRun::Cancelled). While ranges
  // are computed, the columns and rows done and their number; false leaves the ranges out.
  std::function<bool(const std::string&, long long, long long)> progress;
};

// One end of a range: its value (nothing: unbounded that way) and the row or column that
// limits it there (-1: none).
struct LpRangeEnd {
  std::optional<double> value;
  int limitRow = -1, limitColumn = -1;
};

struct LpSolution {
  LpRun run = LpRun::Failed;
  LpModelStatus model = LpModelStatus::Unknown;
  std::string failure;  // why the run failed or the model was not solved
  bool integer = false;
  std::optional<double> objective;  // with the constant
  std::optional<double> gap;        // integer models: relative gap of the best solution found
  long long iterations = 0, nodes = 0;
  // Values when a point is known (an optimum, or the best integer point of a stopped search);
  // reduced costs and duals of an LP optimum only (empty otherwise).
  std::vector<double> columnValue, reducedCost, rowActivity, rowDual;
  std::vector<bool> columnBasic;
  bool ranged = false;
  std::vector<LpRangeEnd> costLow, costHigh;  // per column
  std::vector<LpRangeEnd> rhsLow, rhsHigh;    // per row
  std::vector<std::string> notes;
};

LpSolution SolveLinearProgram(const LpProblem& problem, const LpSolverOptions& options);

// The check of a point: the largest violation of a row's or column's bounds and (with duals)
// of a dual price's sign, measured after each row and column is scaled to a largest coefficient
// of 1, and what it is. Empty when the point passes (within `tolerance`).
std::string LpSolutionFault(const LpProblem& problem, const std::vector<double>& columnValue,
                            const std::vector<double>* rowDual, double tolerance = 1e-6);

}  // namespace quantorial
