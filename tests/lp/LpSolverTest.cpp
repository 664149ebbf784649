// The LP layer: what it calls optimal is optimal (checked here by a duality certificate of the
// test's own), how a run ends is kept apart from what it found, limits, Cancel, ranging only
// when asked, integer models, and the model files' readers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "TempDir.h"
#include "lp/LpFile.h"
#include "lp/LpSolver.h"

namespace quantorial {
namespace {

using testing::TempDir;

LpProblem ReadFixture(const std::string& name) {
  LpProblem p;
  std::string error;
  EXPECT_TRUE(ReadLpModelFile(std::string(QUANTORIAL_LP_FIXTURES) + "/" + name, LpFileForm::Lp, p, error)) << error;
  return p;
}

// A certificate of optimality computed from the problem's data alone: x meets every bound,
// the duals y have the signs their bounds allow (reduced costs c - A'y likewise), and the dual
// objective equals c'x. Empty when it holds to `tolerance` (relative), else what fails.
std::string Certificate(const LpProblem& p, const LpSolution& s, double tolerance) {
  const std::size_t n = p.columns.size(), m = p.rows.size();
  if (s.columnValue.size() != n || s.rowDual.size() != m) return "no primal and dual values";
  std::vector<double> ax(m, 0.0), d(n);
  for (std::size_t j = 0; j < n; ++j) d[j] = p.columns[j].cost;
  for (const LpEntry& e : p.entries) {
    ax[static_cast<std::size_t>(e.row)] += e.value * s.columnValue[static_cast<std::size_t>(e.column)];
    d[static_cast<std::size_t>(e.column)] -= e.value * s.rowDual[static_cast<std::size_t>(e.row)];
  }
  const double sense = p.maximise ? -1.0 : 1.0;
  double primal = p.objectiveConstant, dual = p.objectiveConstant;
  // A multiplier u of a variable with bounds [lo, up] contributes u*lo when it points up
  // (sense*u > 0) and u*up when it points down; a multiplier pointing at a missing bound is
  // dual infeasible.
  const auto term = [&](double u, double lo, double up, const std::string& what, std::string& fault) {
    const double v = sense * u;
    if (std::fabs(v) <= tolerance) return 0.0;
    if (v > 0 && !std::isfinite(lo)) fault = what + " points at a missing lower bound";
    if (v < 0 && !std::isfinite(up)) fault = what + " points at a missing upper bound";
    return v > 0 ? u * lo : u * up;
  };
  std::string fault;
  for (std::size_t j = 0; j < n; ++j) {
    const LpColumn& c = p.columns[j];
    const double x = s.columnValue[j];
    primal += c.cost * x;
    if (x < c.lower - tolerance * (1 + std::fabs(x)) || x > c.upper + tolerance * (1 + std::fabs(x)))
      return c.name + " off its bounds";
    dual += term(d[j], c.lower, c.upper, "the reduced cost of " + c.name, fault);
  }
  for (std::size_t i = 0; i < m; ++i) {
    const LpRowBounds& r = p.rows[i];
    if (ax[i] < r.lower - tolerance * (1 + std::fabs(ax[i])) || ax[i] > r.upper + tolerance * (1 + std::fabs(ax[i])))
      return r.name + " off its bounds";
    dual += term(s.rowDual[i], r.lower, r.upper, "the dual of " + r.name, fault);
  }
  if (!fault.empty()) return fault;
  if (std::fabs(primal - dual) > tolerance * (1 + std::fabs(primal)))
    return "primal " + std::to_string(primal) + " and dual " + std::to_string(dual) + " differ";
  return {};
}

// GLPK's DEA example, one unit of it: unscaled and without presolve, GLPK's simplex ends at a
// basis it calls optimal with the objective 0.6980224065; glpsol by default (scaled, presolved)
// and HiGHS give 0.6944620881. The fault is a row dual of 6.7e-8 with the wrong sign on a row
// whose coefficients run to 2e5: invisible unscaled, plain once the row is scaled.
TEST(LpSolver, TheDeaUnitIsSolvedToItsTrueMinimumWhicheverWayItIsAsked) {
  const LpProblem p = ReadFixture("dea-dmu64.lp");
  ASSERT_EQ(p.rows.size(), 7u);
  const struct {
    const char* name;
    bool scale, presolve, check;
    bool optimum;  // the true minimum, else the unscaled run's false one
  } cases[] = {
      {"as glpsol by default", true, true, true, true},
      {"scaled without presolve", true, false, true, true},
      {"presolved without scaling, checked", false, true, true, true},
      {"neither, checked and solved again", false, false, true, true},
      {"neither and unchecked: the fault itself", false, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LpSolverOptions o;
    o.scale = c.scale;
    o.presolve = c.presolve;
    o.check = c.check;
    const LpSolution s = SolveLinearProgram(p, o);
    ASSERT_EQ(s.run, LpRun::Finished) << s.failure;
    ASSERT_EQ(s.model, LpModelStatus::Optimal);
    if (c.optimum) {
      EXPECT_NEAR(*s.objective, 0.6944620881, 1e-9);
      EXPECT_EQ(Certificate(p, s, 1e-9), "");
      EXPECT_EQ(LpSolutionFault(p, s.columnValue, &s.rowDual), "");
    } else {
      EXPECT_NEAR(*s.objective, 0.6980224065, 1e-9);
      // Both the test's certificate and the layer's own check see through it.
      EXPECT_NE(Certificate(p, s, 1e-9), "");
      EXPECT_NE(LpSolutionFault(p, s.columnValue, &s.rowDual).find("input_upper_limit(Population,64)"),
                std::string::npos);
    }
  }
}

// The check on points made by hand: min x + y, x + y >= 2 (row "need"), x <= 3 (row "cap"),
// x, y >= 0, y integer in the last cases.
TEST(LpSolver, TheCheckNamesWhatIsWrong) {
  LpProblem p;
  p.AddColumn({"x", 0.0, kLpInfinity, 1.0, 'c'});
  p.AddColumn({"y", 0.0, kLpInfinity, 1.0, 'c'});
  p.AddRow({"need", 2.0, kLpInfinity});
  p.AddRow({"cap", -kLpInfinity, 3.0});
  p.Set(0, 0, 1.0), p.Set(0, 1, 1.0), p.Set(1, 0, 1.0);
  LpProblem integer = p;
  integer.columns[1].kind = 'i';
  const struct {
    const char* name;
    const LpProblem* problem;
    std::vector<double> x, y;  // y empty: no duals
    const char* fault;         // empty: passes
  } cases[] = {
      {"an optimum", &p, {2, 0}, {1, 0}, ""},
      {"another optimum", &p, {0.5, 1.5}, {1, 0}, ""},
      {"short of a >= row", &p, {1, 0.5}, {}, "need = 1.5 lies off its bounds"},
      {"over a <= row", &p, {4, 0}, {}, "cap = 4 lies off its bounds"},
      {"below a column's bound", &p, {2.5, -0.5}, {}, "y = -0.5 lies off its bounds"},
      {"a >= row priced below 0", &p, {2, 0}, {-1, 0}, "has the wrong sign"},
      {"a slack row priced", &p, {2, 0}, {1, -0.5}, "of cap has the wrong sign"},
      {"a column that would pay to enter", &p, {2, 0}, {2, 0}, "reduced cost -1 of"},
      {"a whole number", &integer, {0, 2}, {}, ""},
      {"not a whole number", &integer, {0.5, 1.5}, {}, "y = 1.5 is not a whole number"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string fault = LpSolutionFault(*c.problem, c.x, c.y.empty() ? nullptr : &c.y);
    if (*c.fault) {
      EXPECT_NE(fault.find(c.fault), std::string::npos) << fault;
    } else {
      EXPECT_EQ(fault, "");
    }
  }
}

// A transportation-like LP large enough to take many iterations: n sources with supply, n
// sinks with demand, costs from a fixed pattern.
LpProblem Transport(int n) {
  LpProblem p;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      p.AddColumn({"x" + std::to_string(i) + "_" + std::to_string(j), 0.0, kLpInfinity,
                   1.0 + static_cast<double>((i * 7919 + j * 104729) % 997), 'c'});
  for (int i = 0; i < n; ++i) p.AddRow({"supply" + std::to_string(i), -kLpInfinity, 10.0 + i % 5});
  for (int j = 0; j < n; ++j) p.AddRow({"demand" + std::to_string(j), 8.0 + j % 3, kLpInfinity});
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      p.Set(i, i * n + j, 1.0);
      p.Set(n + j, i * n + j, 1.0);
    }
  return p;
}

TEST(LpSolver, HowTheRunEndedIsKeptApartFromWhatItFound) {
  LpProblem infeasible;
  infeasible.AddColumn({"x", 0.0, kLpInfinity, 1.0, 'c'});
  infeasible.AddRow({"a", -kLpInfinity, 1.0});
  infeasible.AddRow({"b", 2.0, kLpInfinity});
  infeasible.Set(0, 0, 1.0), infeasible.Set(1, 0, 1.0);
  LpProblem unbounded;
  unbounded.maximise = true;
  unbounded.AddColumn({"x", 0.0, kLpInfinity, 1.0, 'c'});
  unbounded.AddColumn({"y", 0.0, kLpInfinity, 1.0, 'c'});
  unbounded.AddRow({"a", -kLpInfinity, 1.0});
  unbounded.Set(0, 0, 1.0), unbounded.Set(0, 1, -1.0);
  LpProblem crossed = infeasible;
  crossed.columns[0].lower = 5, crossed.columns[0].upper = 3;
  const LpProblem big = Transport(40);
  const auto cancelAtOnce = [](const std::string&, long long, long long) { return false; };
  const struct {
    const char* name;
    const LpProblem* problem;
    bool presolve;
    long long iterationLimit;
    bool cancel;
    LpRun run;
    LpModelStatus model;
  } cases[] = {
      {"infeasible, presolved", &infeasible, true, 0, false, LpRun::Finished, LpModelStatus::Infeasible},
      {"infeasible", &infeasible, false, 0, false, LpRun::Finished, LpModelStatus::Infeasible},
      {"unbounded, presolved", &unbounded, true, 0, false, LpRun::Finished, LpModelStatus::Unbounded},
      {"unbounded", &unbounded, false, 0, false, LpRun::Finished, LpModelStatus::Unbounded},
      {"crossed bounds", &crossed, true, 0, false, LpRun::Finished, LpModelStatus::Infeasible},
      {"the iteration limit", &big, true, 5, false, LpRun::IterationLimit, LpModelStatus::Unknown},
      {"cancelled at the first report", &big, true, 0, true, LpRun::Cancelled, LpModelStatus::Unknown},
      {"solved", &big, true, 0, false, LpRun::Finished, LpModelStatus::Optimal},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LpSolverOptions o;
    o.presolve = c.presolve;
    o.iterationLimit = c.iterationLimit;
    if (c.cancel) o.progress = cancelAtOnce;
    const LpSolution s = SolveLinearProgram(*c.problem, o);
    EXPECT_EQ(s.run, c.run) << s.failure;
    EXPECT_EQ(s.model, c.model);
    EXPECT_EQ(s.objective.has_value(), c.model == LpModelStatus::Optimal);
    if (c.iterationLimit > 0) {
      EXPECT_LE(s.iterations, c.iterationLimit);
    }
  }
  LpSolverOptions o;
  const LpSolution s = SolveLinearProgram(crossed, o);
  ASSERT_EQ(s.notes.size(), 1u);
  EXPECT_EQ(s.notes[0], "The bounds of x cross: its lower bound 5 lies above its upper bound 3.");
}

TEST(LpSolver, RangesOnlyWhenAskedAndStoppedByCancel) {
  const LpProblem p = Transport(40);
  LpSolverOptions plain;
  const LpSolution s = SolveLinearProgram(p, plain);
  ASSERT_EQ(s.model, LpModelStatus::Optimal);
  EXPECT_FALSE(s.ranged);
  EXPECT_TRUE(s.costLow.empty());

  LpSolverOptions asked;
  asked.ranging = true;
  const LpSolution r = SolveLinearProgram(p, asked);
  ASSERT_TRUE(r.ranged);
  ASSERT_EQ(r.costLow.size(), p.columns.size());
  ASSERT_EQ(r.rhsLow.size(), p.rows.size());
  EXPECT_NEAR(*r.objective, *s.objective, 1e-9 * std::fabs(*s.objective));
  // Every basic column's cost range holds its own cost.
  for (std::size_t j = 0; j < p.columns.size(); ++j) {
    if (!r.columnBasic[j]) continue;
    const double c = p.columns[j].cost;
    EXPECT_LE(r.costLow[j].value.value_or(-kLpInfinity), c + 1e-9) << p.columns[j].name;
    EXPECT_GE(r.costHigh[j].value.value_or(kLpInfinity), c - 1e-9) << p.columns[j].name;
  }

  // Cancel while ranging (the first report comes as it starts) keeps the solution and drops
  // the ranges, saying so.
  LpSolverOptions stopped = asked;
  stopped.progress = [](const std::string& text, long long, long long) { return text.rfind("Ranging", 0) != 0; };
  const LpSolution c = SolveLinearProgram(p, stopped);
  EXPECT_EQ(c.run, LpRun::Finished);
  EXPECT_EQ(c.model, LpModelStatus::Optimal);
  EXPECT_NEAR(*c.objective, *s.objective, 1e-9 * std::fabs(*s.objective));
  EXPECT_FALSE(c.ranged);
  EXPECT_TRUE(c.costLow.empty());
  EXPECT_NE(std::find(c.notes.begin(), c.notes.end(), "The ranges were not computed: ranging was stopped."),
            c.notes.end());
}

// A knapsack against enumeration of every choice, and integer models whose relaxation is
// infeasible or unbounded (the presolver says only "no dual feasible solution" for both).
TEST(LpSolver, IntegerModels) {
  const std::vector<double> value = {10, 13, 7, 8, 9, 4, 11, 6}, weight = {5, 7, 3, 4, 5, 2, 6, 3};
  const double capacity = 17;
  LpProblem knapsack;
  knapsack.maximise = true;
  knapsack.AddRow({"capacity", -kLpInfinity, capacity});
  for (std::size_t k = 0; k < value.size(); ++k) {
    knapsack.AddColumn({"b" + std::to_string(k), 0.0, 1.0, value[k], 'b'});
    knapsack.Set(0, static_cast<int>(k), weight[k]);
  }
  double best = 0;
  for (unsigned mask = 0; mask < (1u << value.size()); ++mask) {
    double v = 0, w = 0;
    for (std::size_t k = 0; k < value.size(); ++k)
      if (mask & (1u << k)) v += value[k], w += weight[k];
    if (w <= capacity) best = std::max(best, v);
  }
  for (const bool presolve : {true, false}) {
    SCOPED_TRACE(presolve ? "presolved" : "not presolved");
    LpSolverOptions o;
    o.presolve = presolve;
    const LpSolution s = SolveLinearProgram(knapsack, o);
    ASSERT_EQ(s.run, LpRun::Finished) << s.failure;
    ASSERT_EQ(s.model, LpModelStatus::Optimal);
    EXPECT_NEAR(*s.objective, best, 1e-9);
    EXPECT_EQ(LpSolutionFault(knapsack, s.columnValue, nullptr), "");
    EXPECT_TRUE(s.rowDual.empty()) << "an integer model has no duals";
  }

  LpProblem infeasible;  // 2 x = 3 with x whole... and the relaxation infeasible too: x <= 1, x >= 2
  infeasible.AddColumn({"x", 0.0, kLpInfinity, 1.0, 'i'});
  infeasible.AddRow({"a", -kLpInfinity, 1.0});
  infeasible.AddRow({"b", 2.0, kLpInfinity});
  infeasible.Set(0, 0, 1.0), infeasible.Set(1, 0, 1.0);
  LpProblem noWhole;  // 2 x = 3: the relaxation has x = 1.5, no whole number does
  noWhole.AddColumn({"x", 0.0, 10.0, 1.0, 'i'});
  noWhole.AddRow({"half", 3.0, 3.0});
  noWhole.Set(0, 0, 2.0);
  LpProblem unbounded;
  unbounded.maximise = true;
  unbounded.AddColumn({"x", 0.0, kLpInfinity, 1.0, 'i'});
  unbounded.AddColumn({"y", 0.0, kLpInfinity, 0.0, 'c'});
  unbounded.AddRow({"a", -kLpInfinity, 1.0});
  unbounded.Set(0, 0, 1.0), unbounded.Set(0, 1, -1.0);
  const struct {
    const char* name;
    const LpProblem* problem;
    LpModelStatus model;
  } cases[] = {
      {"relaxation infeasible", &infeasible, LpModelStatus::Infeasible},
      {"no whole number", &noWhole, LpModelStatus::Infeasible},
      {"relaxation unbounded", &unbounded, LpModelStatus::Unbounded},
  };
  for (const auto& c : cases) {
    for (const bool presolve : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (presolve ? ", presolved" : ""));
      LpSolverOptions o;
      o.presolve = presolve;
      const LpSolution s = SolveLinearProgram(*c.problem, o);
      EXPECT_EQ(s.run, LpRun::Finished) << s.failure;
      EXPECT_EQ(s.model, c.model);
    }
  }
}

// The MPS reader: a bad bound names its column in either form, and a right-hand side on the
// objective row is the objective's constant with its sign as written (as glpsol reads it).
TEST(LpFile, MpsBoundErrorsNameTheColumnAndTheObjectiveConstantKeepsItsSign) {
  TempDir dir;
  const std::string head = "NAME t\nROWS\n N obj\n L c1\nCOLUMNS\n";
  // A line of fixed MPS: the fields in characters 2-3, 5-12, 15-22 and 25-36 (from 1).
  const auto fixed = [](const std::string& type, const std::string& a, const std::string& b, const std::string& n) {
    std::string line(36, ' ');
    line.replace(1, type.size(), type);
    line.replace(4, a.size(), a);
    line.replace(14, b.size(), b);
    line.replace(24, n.size(), n);
    return line.substr(0, line.find_last_not_of(' ') + 1) + "\n";
  };
  const struct {
    const char* name;
    LpFileForm form;
    std::string text;
    const char* message;
  } cases[] = {
      {"free, bad value", LpFileForm::FreeMps,
       head + " x1 obj 1 c1 1\n x2 obj 1 c1 1\nRHS\n RHS c1 4\nBOUNDS\n UP BND x1 4\n UP BND x2 abc\nENDATA\n",
       "line 12: cannot convert 'abc' to floating-point number (in the bound of column x2)"},
      {"free, bad type", LpFileForm::FreeMps, head + " x1 obj 1 c1 1\nRHS\n RHS c1 4\nBOUNDS\n XX BND x1 3\nENDATA\n",
       "line 10: invalid bound type in field 1 (in the bound of column x1)"},
      {"fixed, bad value", LpFileForm::FixedMps,
       "NAME          t\nROWS\n" + fixed("N", "obj", "", "") + fixed("L", "c1", "", "") + "COLUMNS\n" +
           fixed("", "x 1", "obj", "1.0") + fixed("", "x 1", "c1", "1.0") + "RHS\n" + fixed("", "RHS", "c1", "4.0") +
           "BOUNDS\n" + fixed("UP", "BND", "x 1", "4.x") + "ENDATA\n",
       "line 11: cannot convert '4.x' to floating-point number (in the bound of column x 1)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LpProblem p;
    std::string error;
    EXPECT_FALSE(ReadLpModelFile(dir.Write("b.mps", c.text), c.form, p, error));
    EXPECT_EQ(error, c.message);
  }
  LpProblem p;
  std::string error;
  ASSERT_TRUE(ReadLpModelFile(dir.Write("o.mps", head + " x obj 1 c1 1\nRHS\n RHS c1 4 obj 10\nENDATA\n"),
                              LpFileForm::FreeMps, p, error))
      << error;
  EXPECT_EQ(p.objectiveConstant, 10.0);
  const LpSolution s = SolveLinearProgram(p, {});
  ASSERT_EQ(s.model, LpModelStatus::Optimal);
  EXPECT_EQ(*s.objective, 10.0) << "min x + 10 with x >= 0";
}

}  // namespace
}  // namespace quantorial
