// Ranging, integer variables, model files and the report of a solved linear programme.

#include <glpk.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <tuple>

#include "LpTextbookModel.h"
#include "MatrixBuilder.h"
#include "TempDir.h"
#include "planning/LpModel.h"
#include "planning/LpOutcome.h"
#include "planning/LpSolve.h"
#include "workspace/ValueRules.h"

namespace quantorial {
namespace {

using testing::E;
using testing::kTextbook;
using testing::M;
using testing::T;
using testing::TempDir;

// A minimisation with >= rows, one binding and one not.
const char* const kDiet =
    "Minimize\n cost: 2 a + 3 b + 4 c\nSubject To\n protein: a + b + 2 c >= 4\n fibre: a + 3 b + c >= 2\n"
    " fat: 2 a + b + c >= 1\nEnd\n";

// Options that ask for the ranges, which are computed only when asked.
LpSolveOptions Ranged() {
  LpSolveOptions options;
  options.ranging = true;
  return options;
}

LpOutcome SolveText(const TempDir& dir, const std::string& name, const std::string& text,
                    LpSolveOptions options = Ranged()) {
  LpOutcome o;
  std::string error;
  EXPECT_TRUE(SolveLpModelFile(dir.Write(name, text), options, o, error)) << error;
  return o;
}

const LpVariableOutcome& Var(const LpOutcome& o, const std::string& name) {
  for (const auto& v : o.variables) {
    if (v.name == name) return v;
  }
  ADD_FAILURE() << "no variable " << name;
  return o.variables.front();
}

const LpConstraintOutcome& Row(const LpOutcome& o, const std::string& name) {
  for (const auto& r : o.constraints) {
    if (r.name == name) return r;
  }
  ADD_FAILURE() << "no constraint " << name;
  return o.constraints.front();
}

void ExpectEnd(const std::optional<double>& got, std::optional<double> want, const std::string& what) {
  ASSERT_EQ(got.has_value(), want.has_value()) << what;
  if (want) {
    EXPECT_NEAR(*got, *want, 1e-9) << what;
  }
}

TEST(LpRanging, TheTextbookModel) {
  TempDir dir;
  const LpOutcome o = SolveText(dir, "m.lp", kTextbook);
  ASSERT_EQ(o.statusText, "optimal");
  EXPECT_NEAR(*o.objective, 40.5, 1e-9);
  EXPECT_NEAR(*Var(o, "x2").value, 4.5, 1e-9);
  const struct {
    const char* name;
    double reducedCost;
    std::optional<double> low, high;
  } variables[] = {{"x1", -3.5, std::nullopt, 4.5}, {"x2", 0.0, 2.0, std::nullopt}, {"x3", -12.5, std::nullopt, 13.5}};
  for (const auto& c : variables) {
    const auto& v = Var(o, c.name);
    EXPECT_NEAR(*v.reducedCost, c.reducedCost, 1e-9) << c.name;
    ExpectEnd(v.costLow.value, c.low, std::string(c.name) + " cost low");
    ExpectEnd(v.costHigh.value, c.high, std::string(c.name) + " cost high");
  }
  const struct {
    const char* name;
    double dual;
    std::optional<double> low, high, objectiveLow, objectiveHigh;
    const char *limitLow, *limitHigh;
  } rows[] = {{"c1", 4.5, 0.0, 15.0, 0.0, 67.5, "x2", "c2"},
              {"c2", 0.0, 9.0, std::nullopt, 40.5, std::nullopt, "c2", ""}};
  for (const auto& c : rows) {
    const auto& r = Row(o, c.name);
    EXPECT_NEAR(*r.dual, c.dual, 1e-9) << c.name;
    ExpectEnd(r.rhsLow.value, c.low, std::string(c.name) + " rhs low");
    ExpectEnd(r.rhsHigh.value, c.high, std::string(c.name) + " rhs high");
    ExpectEnd(r.objectiveLow, c.objectiveLow, std::string(c.name) + " objective low");
    ExpectEnd(r.objectiveHigh, c.objectiveHigh, std::string(c.name) + " objective high");
    EXPECT_EQ(r.rhsLow.limit, c.limitLow) << c.name;
    EXPECT_EQ(r.rhsHigh.limit, c.limitHigh) << c.name;
  }
  const std::string json = LpOutcomeJson(o);
  for (const char* part : {"\"status\": \"optimal\"", "\"objective\": 40.5",
                           "{\"name\": \"x1\", \"value\": 0, \"reduced_cost\": -3.5, \"cost_range\": [null, 4.5]}",
                           "\"cost_range\": [2, null]",
                           "{\"name\": \"c1\", \"activity\": 9, \"dual\": 4.5, \"rhs_range\": [0, 15], "
                           "\"objective_at_ends\": [0, 67.5]}",
                           "\"rhs_range\": [9, null], \"objective_at_ends\": [40.5, null]"}) {
    EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json;
  }
  const std::string report = LpReportText(o, true, "m.lp");
  for (const char* part :
       {"Status:    optimal", "Objective: 40.5", "Right-hand side ranges", "from its activity to +inf"}) {
    EXPECT_NE(report.find(part), std::string::npos) << part << "\n" << report;
  }
}

// The diet model's optimum is degenerate: a is basic at 0 and fibre binds with dual 0, which
// the simplex method leaves as round-off; the solution shows them as the zeros they are.
TEST(LpRanging, RoundOffOfADegenerateOptimumReadsAsZero) {
  TempDir dir;
  const LpOutcome o = SolveText(dir, "d.lp", kDiet);
  ASSERT_EQ(o.statusText, "optimal");
  EXPECT_EQ(*o.objective, 8.0);
  EXPECT_EQ(*Var(o, "a").value, 0.0);
  EXPECT_EQ(*Row(o, "fibre").dual, 0.0);
  EXPECT_EQ(LpReportText(o, false, "").find("e-1"), std::string::npos) << LpReportText(o, false, "");
}

// The ranges checked against the solver itself: with one number moved just inside an end of
// its range the optimal basis stays (and, for a right-hand side, the objective moves by the
// dual), just outside it changes.
struct Basis {
  bool optimal = false;
  std::vector<int> status;
  double objective = 0.0;
};

Basis Resolve(const std::string& path, const std::function<void(glp_prob*)>& change) {
  glp_prob* lp = glp_create_prob();
  EXPECT_EQ(glp_read_lp(lp, nullptr, path.c_str()), 0);
  change(lp);
  glp_smcp parm;
  glp_init_smcp(&parm);
  parm.msg_lev = GLP_MSG_OFF;
  Basis b;
  b.optimal = glp_simplex(lp, &parm) == 0 && glp_get_status(lp) == GLP_OPT;
  for (int i = 1; i <= glp_get_num_rows(lp); ++i) b.status.push_back(glp_get_row_stat(lp, i) == GLP_BS);
  for (int j = 1; j <= glp_get_num_cols(lp); ++j) b.status.push_back(glp_get_col_stat(lp, j) == GLP_BS);
  b.objective = glp_get_obj_val(lp);
  glp_delete_prob(lp);
  return b;
}

void SetRowBound(glp_prob* lp, int i, double v) { glp_set_row_bnds(lp, i, glp_get_row_type(lp, i), v, v); }

TEST(LpRanging, EndsAgreeWithResolving) {
  TempDir dir;
  for (const char* text : {kTextbook, kDiet}) {
    const std::string path = dir.Write("m.lp", text);
    LpOutcome o;
    std::string error;
    ASSERT_TRUE(SolveLpModelFile(path, Ranged(), o, error)) << error;
    ASSERT_TRUE(o.ranged);
    const Basis base = Resolve(path, [](glp_prob*) {});
    constexpr double kStep = 1e-4;
    int checked = 0;
    for (std::size_t j = 0; j < o.variables.size(); ++j) {
      const auto& v = o.variables[j];
      for (const auto& ends : {std::pair{v.costLow.value, -1.0}, std::pair{v.costHigh.value, 1.0}}) {
        // (named copies: lambdas cannot capture structured bindings on every compiler in use)
        const auto end = ends.first;
        const double sign = ends.second;
        if (!end) continue;
        SCOPED_TRACE(v.name + (sign < 0 ? " cost low" : " cost high"));
        const int col = static_cast<int>(j) + 1;
        const Basis inside = Resolve(path, [&](glp_prob* lp) { glp_set_obj_coef(lp, col, *end - sign * kStep); });
        const Basis outside = Resolve(path, [&](glp_prob* lp) { glp_set_obj_coef(lp, col, *end + sign * kStep); });
        EXPECT_EQ(inside.status, base.status);
        EXPECT_NE(outside.status, base.status);
        ++checked;
      }
    }
    for (std::size_t i = 0; i < o.constraints.size(); ++i) {
      const auto& r = o.constraints[i];
      if (r.dual.value_or(0.0) == 0.0) continue;  // a non-binding row's range is its activity outwards
      for (const auto& ends :
           {std::tuple{r.rhsLow.value, r.objectiveLow, -1.0}, std::tuple{r.rhsHigh.value, r.objectiveHigh, 1.0}}) {
        const auto end = std::get<0>(ends);
        const auto objective = std::get<1>(ends);
        const double sign = std::get<2>(ends);
        if (!end) continue;
        SCOPED_TRACE(r.name + (sign < 0 ? " rhs low" : " rhs high"));
        const int row = static_cast<int>(i) + 1;
        const Basis at = Resolve(path, [&](glp_prob* lp) { SetRowBound(lp, row, *end); });
        const Basis inside = Resolve(path, [&](glp_prob* lp) { SetRowBound(lp, row, *end - sign * kStep); });
        const Basis outside = Resolve(path, [&](glp_prob* lp) { SetRowBound(lp, row, *end + sign * kStep); });
        ASSERT_TRUE(at.optimal);
        EXPECT_NEAR(at.objective, *objective, 1e-9);
        EXPECT_EQ(inside.status, base.status);
        EXPECT_NEAR(inside.objective, *objective - sign * kStep * *r.dual, 1e-9);
        EXPECT_TRUE(!outside.optimal || outside.status != base.status);
        ++checked;
      }
    }
    EXPECT_GE(checked, 4) << text;
  }
}

// A table with a type row: the relaxation is fractional, the integer optimum is the best of
// all whole-number points.
TEST(LpInteger, BranchAndCutFindsTheEnumeratedOptimum) {
  // max x + y + b s.t. 4x + 3y <= 10.5, x - y <= 1, 5b + x <= 6, x, y integer, b binary.
  const auto relaxed = M({{E, T("x"), T("y"), T("b"), T("rel"), T("rhs")},
                          {T("wood"), 4.0, 3.0, 0.0, T("<="), 10.5},
                          {T("balance"), 1.0, -1.0, 0.0, T("<="), 1.0},
                          {T("hours"), 1.0, 0.0, 5.0, T("<="), 6.0}});
  auto typed = M({{E, T("x"), T("y"), T("b"), T("rel"), T("rhs")},
                  {T("type"), T("int"), T("Int"), T("bin"), E, E},
                  {T("wood"), 4.0, 3.0, 0.0, T("<="), 10.5},
                  {T("balance"), 1.0, -1.0, 0.0, T("<="), 1.0},
                  {T("hours"), 1.0, 0.0, 5.0, T("<="), 6.0}});
  const LpOutcome lp = SolveLpTable(relaxed, false, true, {});
  ASSERT_EQ(lp.statusText, "optimal");
  EXPECT_GT(std::fabs(*lp.objective - std::round(*lp.objective)), 1e-6) << "the relaxation is fractional";
  double best = -1;
  for (int x = 0; x <= 10; ++x) {
    for (int y = 0; y <= 10; ++y) {
      for (int b = 0; b <= 1; ++b) {
        if (4 * x + 3 * y <= 10.5 && x - y <= 1 && 5 * b + x <= 6) best = std::max(best, double(x + y + b));
      }
    }
  }
  const LpOutcome o = SolveLpTable(typed, false, true, {});
  ASSERT_EQ(o.statusText, "integer optimal");
  EXPECT_NEAR(*o.objective, best, 1e-9);
  EXPECT_NEAR(*o.gap, 0.0, 1e-12);
  for (const auto& v : o.variables) EXPECT_NEAR(*v.value, std::round(*v.value), 1e-9) << v.name;
  EXPECT_EQ(o.variables[2].kind, 'b');
  EXPECT_EQ(CellText(LpSolutionTable(o).Get(1, 1)), "integer optimal");
  EXPECT_NE(LpReportText(o, true, "").find("Gap:       0%"), std::string::npos);
  // The saved files carry the marks: read back, the same integer optimum.
  TempDir dir;
  for (const char* name : {"i.lp", "i.mps"}) {
    std::string error;
    ASSERT_TRUE(WriteLpModel(typed, false, true, dir.File(name), error)) << error;
    LpOutcome back;
    ASSERT_TRUE(SolveLpModelFile(dir.File(name), {}, back, error)) << error;
    EXPECT_EQ(back.statusText, "integer optimal") << name;
    EXPECT_NEAR(std::fabs(*back.objective), best, 1e-9) << name;
  }
  EXPECT_NE(LindoModelText(typed, false, true, 2).find("GIN x\r\nGIN y\r\nINT b\r\n"), std::string::npos);
}

TEST(LpInteger, FractionalBoundsOfIntegersAreWholeNumbers) {
  TempDir dir;
  const LpOutcome o = SolveText(dir, "g.lp",
                                "Maximize\n obj: x - y\nSubject To\n c: x + y <= 10\nBounds\n 0 <= x <= 2.5\n"
                                " 0.5 <= y <= 3\nGeneral\n x\n y\nEnd\n");
  ASSERT_EQ(o.statusText, "integer optimal");
  EXPECT_EQ(*o.objective, 1.0);  // x = 2, y = 1
}

TEST(LpInteger, BadTypeCellsStopTheSolve) {
  const auto t = M({{E, T("x"), T("y"), T("rel"), T("rhs")},
                    {T("Type"), T("int"), T("whole"), E, E},
                    {T("a"), 1.0, 1.0, T("<="), 2.0}});
  const LpOutcome o = SolveLpTable(t, false, true, {});
  EXPECT_EQ(o.statusText,
            "not solved: Row 1 \"Type\", cell C2: \"whole\" is not a variable type; a type is int, bin or nothing.");
}

// The model that cannot be settled within its time limit: a parity the relaxation cannot see
// (2 times a sum of binaries equal to an odd number), which branch and bound must search.
TEST(LpInteger, StoppedAtItsTimeLimit) {
  TempDir dir;
  const std::string text = testing::ParityModel();
  LpSolveOptions options;
  options.timeLimitSeconds = 0.2;
  const LpOutcome o = SolveText(dir, "p.lp", text, options);
  EXPECT_EQ(o.statusText, "time limit");
  EXPECT_FALSE(o.objective.has_value());
  EXPECT_NE(LpOutcomeJson(o).find("\"status\": \"time limit\""), std::string::npos);
}

TEST(LpModelFiles, BadModelsAreNamedWithTheirLine) {
  TempDir dir;
  const struct {
    const char* name;
    const char* text;
    const char* message;  // empty: the model reads
    const char* status;
  } cases[] = {
      {"syntax.lp", "Maximize\n obj: x + y\nSubject To\n c1: x + + y <= 4\nEnd\n", "syntax.lp\", line 4: ", ""},
      {"keyword.lp", "Maximise\n obj: x\nEnd\n", "'minimize' or 'maximize' keyword missing", ""},
      {"empty.lp", " \n\n", "is empty: there is no model in it.", ""},
      {"empty.mps", "", "is empty: there is no model in it.", ""},
      {"bad.mps", "NAME x\nROWS\n N obj\n L c1\nCOLUMNS\n x obj abc c1 1\nRHS\nENDATA\n",
       "bad.mps\", line 6: cannot convert 'abc' to floating-point number", ""},
      {"sense.mps", "NAME x\nOBJSENSE\n    UP\nROWS\n N obj\nENDATA\n",
       "sense.mps\", line 3: OBJSENSE is MAX or MIN, not UP", ""},
      {"infeasible.lp", "Maximize\n obj: x\nSubject To\n a: x <= 1\n b: x >= 2\nEnd\n", "", "infeasible"},
      {"unbounded.lp", "Maximize\n obj: x + y\nSubject To\n a: x - y <= 1\nEnd\n", "", "unbounded"},
      {"crossed.lp", "Maximize\n obj: x\nSubject To\n c: x <= 10\nBounds\n 5 <= x <= 3\nEnd\n", "", "infeasible"},
      {"nowhole.lp", "Maximize\n obj: x\nSubject To\n c: x <= 10\nBounds\n 2.2 <= x <= 2.8\nGeneral\n x\nEnd\n", "",
       "infeasible"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LpOutcome o;
    std::string error;
    const bool read = SolveLpModelFile(dir.Write(c.name, c.text), {}, o, error);
    if (*c.message) {
      EXPECT_FALSE(read);
      EXPECT_NE(error.find(c.message), std::string::npos) << error;
    } else {
      ASSERT_TRUE(read) << error;
      EXPECT_EQ(o.statusText, c.status);
      EXPECT_FALSE(o.objective.has_value());
      EXPECT_NE(LpOutcomeJson(o).find("\"objective\": null"), std::string::npos);
    }
  }
  LpOutcome o;
  std::string error;
  EXPECT_FALSE(SolveLpModelFile(dir.File("missing.lp"), {}, o, error));
  EXPECT_NE(error.find("missing.lp\" cannot be read"), std::string::npos) << error;
}

// MPS has no sense GLPK reads: an OBJSENSE section, on one line or two, is honoured; without
// one the model is minimised and the report says so.
TEST(LpModelFiles, MpsObjectiveSense) {
  TempDir dir;
  const std::string body =
      "ROWS\n N obj\n L c1\nCOLUMNS\n x obj 1 c1 1\n y obj -1 c1 1\nRHS\n rhs c1 4\n"
      "BOUNDS\n UP bnd y 3\nENDATA\n";
  const struct {
    const char* sense;
    double objective;
    const char* note;
  } cases[] = {{"", -3.0, "no OBJSENSE section"},
               {"OBJSENSE\n    MAX\n", 4.0, "asks to maximise"},
               {"OBJSENSE MAXIMIZE\n", 4.0, "asks to maximise"},
               {"OBJSENSE\n  MIN\n", -3.0, "asks to minimise"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sense);
    const LpOutcome o = SolveText(dir, "s.mps", std::string("NAME s\n") + c.sense + body);
    ASSERT_EQ(o.statusText, "optimal");
    EXPECT_NEAR(*o.objective, c.objective, 1e-9);
    EXPECT_NE(LpReportText(o, false, "").find(c.note), std::string::npos);
  }
}

// What "Save Model As" writes reads back to the same optimum: the LP form as it is, the MPS
// form as the minimisation of the negated objective, which the file and the report say.
TEST(LpModelFiles, SavedModelsReadBackToTheSameOptimum) {
  TempDir dir;
  const auto t = M({{E, T("x"), T("y"), T("rel"), T("rhs")},
                    {T("labour"), 1.0, 2.0, T("<="), 4.0},
                    {T("machines"), 3.0, 1.0, T("<="), 6.0}});
  const LpOutcome table = SolveLpTable(t, false, true, {});
  ASSERT_EQ(table.statusText, "optimal");
  for (const char* name : {"t.lp", "t.mps"}) {
    SCOPED_TRACE(name);
    std::string error;
    ASSERT_TRUE(WriteLpModel(t, false, true, dir.File(name), error)) << error;
    LpOutcome back;
    ASSERT_TRUE(SolveLpModelFile(dir.File(name), {}, back, error)) << error;
    ASSERT_EQ(back.statusText, "optimal");
    const bool mps = std::string(name) == "t.mps";
    EXPECT_EQ(back.maximise, !mps);
    EXPECT_NEAR(*back.objective, mps ? -*table.objective : *table.objective, 1e-9);
    for (std::size_t k = 0; k < table.variables.size(); ++k) {
      EXPECT_NEAR(*back.variables[k].value, *table.variables[k].value, 1e-9);
    }
    const std::string report = LpReportText(back, false, name);
    EXPECT_EQ(report.find("the maximum of the original objective is 2.8.") != std::string::npos, mps) << report;
    EXPECT_NE(report.find(mps ? "Sense:     minimise" : "Sense:     maximise"), std::string::npos);
  }
}

}  // namespace
}  // namespace quantorial
