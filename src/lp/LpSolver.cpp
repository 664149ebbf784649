#include "lp/LpSolver.h"

#include <glpk.h>

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>

#include "lp/GlpkProblem.h"

namespace quantorial {

int LpProblem::AddColumn(LpColumn column) {
  columns.push_back(std::move(column));
  return static_cast<int>(columns.size()) - 1;
}

int LpProblem::AddRow(LpRowBounds row) {
  rows.push_back(std::move(row));
  return static_cast<int>(rows.size()) - 1;
}

void LpProblem::Set(int row, int column, double value) {
  if (value != 0.0) entries.push_back({row, column, value});
}

const char* LpRunWords(LpRun run) {
  switch (run) {
    case LpRun::Finished:
      return "finished";
    case LpRun::TimeLimit:
      return "time limit";
    case LpRun::IterationLimit:
      return "iteration limit";
    case LpRun::Cancelled:
      return "cancelled";
    default:
      return "failed";
  }
}

const char* LpModelStatusWords(LpModelStatus status) {
  switch (status) {
    case LpModelStatus::Optimal:
      return "optimal";
    case LpModelStatus::Feasible:
      return "feasible";
    case LpModelStatus::Infeasible:
      return "infeasible";
    case LpModelStatus::Unbounded:
      return "unbounded";
    default:
      return "unknown";
  }
}

namespace {

using Clock = std::chrono::steady_clock;
using Problem = std::unique_ptr<glp_prob, void (*)(glp_prob*)>;

int Quiet(void*, const char*) { return 1; }

double Signless(double v) { return v == 0.0 ? 0.0 : v; }

// GLPK gives an unbounded end of a range as -DBL_MAX or +DBL_MAX.
std::optional<double> Finite(double v) {
  if (!std::isfinite(v) || std::fabs(v) >= DBL_MAX / 2) return std::nullopt;
  return Signless(v);
}

int BoundType(double lower, double upper) {
  const bool lo = std::isfinite(lower), up = std::isfinite(upper);
  if (lo && up) return lower == upper ? GLP_FX : GLP_DB;
  if (lo) return GLP_LO;
  if (up) return GLP_UP;
  return GLP_FR;
}

std::string Text(double v) {
  char b[48];
  std::snprintf(b, sizeof b, "%.10g", Signless(v));
  return b;
}

std::string ColumnName(const LpProblem& p, int j) {
  const std::string& n = p.columns[static_cast<std::size_t>(j)].name;
  return n.empty() ? "column " + std::to_string(j + 1) : n;
}

std::string RowName(const LpProblem& p, int i) {
  const std::string& n = p.rows[static_cast<std::size_t>(i)].name;
  return n.empty() ? "row " + std::to_string(i + 1) : n;
}

// What makes a problem unfit to hand to GLPK: an entry outside the problem, twice at one place,
// or a number that is not finite; empty when there is none.
std::string Malformed(const LpProblem& p) {
  const int n = static_cast<int>(p.columns.size()), m = static_cast<int>(p.rows.size());
  if (!std::isfinite(p.objectiveConstant)) return "the objective's constant is not a finite number";
  for (int j = 0; j < n; ++j) {
    const LpColumn& c = p.columns[static_cast<std::size_t>(j)];
    if (!std::isfinite(c.cost)) return "the cost of " + ColumnName(p, j) + " is not a finite number";
    if (std::isnan(c.lower) || std::isnan(c.upper) || c.lower == kLpInfinity || c.upper == -kLpInfinity)
      return "a bound of " + ColumnName(p, j) + " is not a number";
  }
  for (int i = 0; i < m; ++i) {
    const LpRowBounds& r = p.rows[static_cast<std::size_t>(i)];
    if (std::isnan(r.lower) || std::isnan(r.upper) || r.lower == kLpInfinity || r.upper == -kLpInfinity)
      return "a bound of " + RowName(p, i) + " is not a number";
  }
  std::vector<std::vector<int>> seen(static_cast<std::size_t>(n));
  for (const LpEntry& e : p.entries) {
    if (e.row < 0 || e.row >= m || e.column < 0 || e.column >= n) return "a coefficient lies outside the problem";
    if (!std::isfinite(e.value))
      return "the coefficient of " + ColumnName(p, e.column) + " in " + RowName(p, e.row) + " is not a finite number";
    seen[static_cast<std::size_t>(e.column)].push_back(e.row);
  }
  for (int j = 0; j < n; ++j) {
    auto& rows = seen[static_cast<std::size_t>(j)];
    std::sort(rows.begin(), rows.end());
    const auto twice = std::adjacent_find(rows.begin(), rows.end());
    if (twice != rows.end()) return ColumnName(p, j) + " has two coefficients in " + RowName(p, *twice);
  }
  return {};
}

// Bounds that leave no value (integer columns: no whole number) between them; empty when none.
std::string CrossedBounds(const LpProblem& p) {
  for (std::size_t j = 0; j < p.columns.size(); ++j) {
    const LpColumn& c = p.columns[j];
    double lower = c.lower, upper = c.upper;
    if (c.kind == 'b') lower = std::max(lower, 0.0), upper = std::min(upper, 1.0);
    if (lower > upper)
      return "The bounds of " + ColumnName(p, static_cast<int>(j)) + " cross: its lower bound " + Text(lower) +
             " lies above its upper bound " + Text(upper) + ".";
    if (c.kind != 'c' && std::ceil(lower - 1e-9) > std::floor(upper + 1e-9))
      return "No whole number lies between the bounds of " + ColumnName(p, static_cast<int>(j)) + ".";
  }
  for (std::size_t i = 0; i < p.rows.size(); ++i) {
    if (p.rows[i].lower > p.rows[i].upper)
      return "The bounds of " + RowName(p, static_cast<int>(i)) + " cross: its lower bound " + Text(p.rows[i].lower) +
             " lies above its upper bound " + Text(p.rows[i].upper) + ".";
  }
  return {};
}

// Milliseconds left of a limit since `start`; at least 1, so a limit that has run out stops
// the next call at once rather than switch the limit off.
int MillisecondsLeft(double seconds, Clock::time_point start) {
  const double left = seconds * 1000.0 - std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  return static_cast<int>(std::clamp(left, 1.0, 2.0e9));
}

struct Run {
  const LpSolverOptions& options;
  Clock::time_point start = Clock::now();
  long long iterations = 0;  // simplex iterations of every call so far
  bool TimeLeft() const {
    return options.timeLimitSeconds <= 0 ||
           std::chrono::duration<double>(Clock::now() - start).count() < options.timeLimitSeconds;
  }
};

// The simplex method on `lp` from its current basis, in rounds of a thousand iterations so
// that the wait window can show progress and Cancel can stop it between rounds. The rounds are
// counted in iterations, not time, so that a run takes the same path every time.
LpRun Simplex(glp_prob* lp, Run& run, int& rc) {
  constexpr long long kRound = 1000;
  glp_smcp parm;
  glp_init_smcp(&parm);
  parm.msg_lev = GLP_MSG_OFF;
  // The wait window hears of the solve before its first round.
  if (run.options.progress && !run.options.progress("Simplex: " + std::to_string(run.iterations) + " iterations",
                                                    run.iterations, run.options.iterationLimit)) {
    return LpRun::Cancelled;
  }
  for (;;) {
    long long round = kRound;
    if (run.options.iterationLimit > 0) round = std::min(round, run.options.iterationLimit - run.iterations);
    if (round <= 0) return LpRun::IterationLimit;
    parm.it_lim = static_cast<int>(round);
    parm.tm_lim =
        run.options.timeLimitSeconds > 0 ? MillisecondsLeft(run.options.timeLimitSeconds, run.start) : INT_MAX;
    const int before = glp_get_it_cnt(lp);
    rc = glp_simplex(lp, &parm);
    run.iterations += glp_get_it_cnt(lp) - before;
    if (rc == GLP_ETMLIM) return LpRun::TimeLimit;
    if (rc != GLP_EITLIM) return rc == 0 ? LpRun::Finished : LpRun::Failed;
    if (run.options.iterationLimit > 0 && run.iterations >= run.options.iterationLimit) return LpRun::IterationLimit;
    if (run.options.progress && !run.options.progress("Simplex: " + std::to_string(run.iterations) + " iterations",
                                                      run.iterations, run.options.iterationLimit)) {
      return LpRun::Cancelled;
    }
  }
}

std::string SimplexFailure(int rc) {
  if (rc == GLP_ESING || rc == GLP_ECOND)
    return "the constraints are numerically too close to dependent for the simplex method";
  if (rc == GLP_EBOUND) return "a variable or constraint has a lower bound above its upper bound";
  return "the solver stopped (code " + std::to_string(rc) + ")";
}

void ReadBasicSolution(glp_prob* lp, LpSolution& s) {
  const int m = glp_get_num_rows(lp), n = glp_get_num_cols(lp);
  s.objective = Signless(glp_get_obj_val(lp));
  s.columnValue.assign(static_cast<std::size_t>(n), 0.0);
  s.reducedCost.assign(static_cast<std::size_t>(n), 0.0);
  s.columnBasic.assign(static_cast<std::size_t>(n), false);
  s.rowActivity.assign(static_cast<std::size_t>(m), 0.0);
  s.rowDual.assign(static_cast<std::size_t>(m), 0.0);
  for (int j = 1; j <= n; ++j) {
    s.columnValue[static_cast<std::size_t>(j - 1)] = glp_get_col_prim(lp, j);
    s.reducedCost[static_cast<std::size_t>(j - 1)] = glp_get_col_dual(lp, j);
    s.columnBasic[static_cast<std::size_t>(j - 1)] = glp_get_col_stat(lp, j) == GLP_BS;
  }
  for (int i = 1; i <= m; ++i) {
    s.rowActivity[static_cast<std::size_t>(i - 1)] = glp_get_row_prim(lp, i);
    s.rowDual[static_cast<std::size_t>(i - 1)] = glp_get_row_dual(lp, i);
  }
}

// Infeasible or unbounded, from a simplex run that ended without an optimum.
bool Verdict(glp_prob* lp, LpSolution& s) {
  const int status = glp_get_status(lp);
  if (status == GLP_NOFEAS || glp_get_prim_stat(lp) == GLP_NOFEAS) {
    s.model = LpModelStatus::Infeasible;
    return true;
  }
  if (status == GLP_UNBND) {
    s.model = LpModelStatus::Unbounded;
    return true;
  }
  return false;
}

// The problem solved by the simplex method as glpsol does by default: presolved, the reduced
// problem scaled and started from an advanced basis, its solution carried back to `lp`.
// Returns how the run ended; on Finished, `lp` holds an optimal basic solution or `s.model`
// says why there is none.
LpRun SolveContinuous(glp_prob* lp, Run& run, LpSolution& s) {
  int rc = 0;
  if (run.options.presolve && glp_get_num_rows(lp) > 0) {
    std::unique_ptr<glp_prep, void (*)(glp_prep*)> prep(glp_npp_alloc_wksp(), glp_npp_free_wksp);
    glp_npp_load_prob(prep.get(), lp, GLP_SOL, GLP_OFF);
    const int pre = glp_npp_preprocess1(prep.get(), 0);
    if (pre == 0) {
      Problem reduced(glp_create_prob(), glp_delete_prob);
      glp_npp_build_prob(prep.get(), reduced.get());
      if (glp_get_num_rows(reduced.get()) > 0 && glp_get_num_cols(reduced.get()) > 0) {
        if (run.options.scale) glp_scale_prob(reduced.get(), GLP_SF_AUTO);
        glp_adv_basis(reduced.get(), 0);
      }
      const LpRun r = Simplex(reduced.get(), run, rc);
      if (r != LpRun::Finished) {
        if (r == LpRun::Failed) s.failure = SimplexFailure(rc);
        return r;
      }
      if (glp_get_status(reduced.get()) == GLP_OPT) {
        glp_npp_postprocess(prep.get(), reduced.get());
        glp_npp_obtain_sol(prep.get(), lp);
        return LpRun::Finished;
      }
      // The reduced problem has the original's feasibility and boundedness.
      if (Verdict(reduced.get(), s)) return LpRun::Finished;
    }
    // The presolver found no feasible point or no bounded dual (which leaves infeasible and
    // unbounded apart), or the reduced problem ended without a verdict: the whole problem
    // tells.
  }
  if (run.options.scale) glp_scale_prob(lp, GLP_SF_AUTO);
  if (glp_get_num_rows(lp) > 0) glp_adv_basis(lp, 0);
  const LpRun r = Simplex(lp, run, rc);
  if (r == LpRun::Failed) s.failure = SimplexFailure(rc);
  if (r != LpRun::Finished) return r;
  if (glp_get_status(lp) != GLP_OPT && !Verdict(lp, s)) {
    s.failure = "the simplex method ended without an optimum or a verdict";
    return LpRun::Failed;
  }
  return LpRun::Finished;
}

// Ranging of an optimal basic solution: a basic column's cost range and a non-basic row's
// right-hand-side range come from GLPK's analysis of the basis; a non-basic column's cost
// can move against its reduced cost until the column would enter the basis; a basic
// (non-binding) row keeps dual 0 from its activity outwards (the classical convention).
bool Range(glp_prob* lp, const LpProblem& p, const Run& run, LpSolution& s) {
  if (!glp_bf_exists(lp) && glp_factorize(lp) != 0) return false;
  const int m = glp_get_num_rows(lp), n = glp_get_num_cols(lp);
  const auto limit = [m](int k) {
    LpRangeEnd e;
    if (k >= 1 && k <= m) e.limitRow = k - 1;
    if (k > m) e.limitColumn = k - m - 1;
    return e;
  };
  const auto end = [&](double v, int k) {
    LpRangeEnd e = Finite(v) ? limit(k) : LpRangeEnd{};
    e.value = Finite(v);
    return e;
  };
  s.costLow.assign(static_cast<std::size_t>(n), {});
  s.costHigh.assign(static_cast<std::size_t>(n), {});
  s.rhsLow.assign(static_cast<std::size_t>(m), {});
  s.rhsHigh.assign(static_cast<std::size_t>(m), {});
  Clock::time_point lastReport = Clock::now();
  const long long total = static_cast<long long>(n) + m;
  // The first report comes at once, then one every 200 ms.
  const auto goOn = [&](long long done) {
    if (!run.options.progress || (done > 0 && Clock::now() - lastReport < std::chrono::milliseconds(200))) return true;
    lastReport = Clock::now();
    return run.options.progress(
        "Ranging: " + std::to_string(done) + " of " + std::to_string(total) + " variables and constraints", done,
        total);
  };
  for (int j = 1; j <= n; ++j) {
    if (!goOn(j - 1)) return false;
    const std::size_t k = static_cast<std::size_t>(j - 1);
    const int stat = glp_get_col_stat(lp, j);
    if (stat == GLP_BS) {
      double coef1 = 0, value1 = 0, coef2 = 0, value2 = 0;
      int var1 = 0, var2 = 0;
      glp_analyze_coef(lp, m + j, &coef1, &var1, &value1, &coef2, &var2, &value2);
      s.costLow[k] = end(coef1, var1);
      s.costHigh[k] = end(coef2, var2);
    } else {
      const double c = p.columns[k].cost, d = s.reducedCost[k];
      LpRangeEnd entering;
      entering.value = Signless(c - d);
      entering.limitColumn = j - 1;
      // At its lower bound the column stays out while its reduced cost keeps its sign: a
      // maximisation may lower the cost freely, a minimisation raise it; at the upper bound
      // the other way round. A fixed column stays at its value whatever it costs.
      if (stat == GLP_NL || stat == GLP_NU) {
        const bool lowerOpen = (stat == GLP_NL) == p.maximise;
        (lowerOpen ? s.costHigh[k] : s.costLow[k]) = entering;
      } else if (stat == GLP_NF) {
        s.costLow[k] = s.costHigh[k] = entering;
      }
    }
  }
  for (int i = 1; i <= m; ++i) {
    if (!goOn(n + i - 1)) return false;
    const std::size_t k = static_cast<std::size_t>(i - 1);
    const int stat = glp_get_row_stat(lp, i), type = glp_get_row_type(lp, i);
    if (stat == GLP_NL || stat == GLP_NU || stat == GLP_NS) {
      double value1 = 0, value2 = 0;
      int var1 = 0, var2 = 0;
      glp_analyze_bound(lp, i, &value1, &var1, &value2, &var2);
      s.rhsLow[k] = end(value1, var1);
      s.rhsHigh[k] = end(value2, var2);
    } else if (stat == GLP_BS) {
      LpRangeEnd at;
      at.value = Signless(s.rowActivity[k]);
      at.limitRow = i - 1;
      if (type == GLP_UP || type == GLP_DB) {
        s.rhsLow[k] = at;
      } else if (type == GLP_LO) {
        s.rhsHigh[k] = at;
      } else if (type == GLP_FX) {
        s.rhsLow[k] = s.rhsHigh[k] = at;
      }
    }
  }
  return true;
}

struct SearchState {
  Run* run;
  Clock::time_point lastReport;
  std::optional<double> gap;
  long long nodes = 0;
  bool iterationLimit = false, cancelled = false;
};

void SearchCallback(glp_tree* tree, void* info) {
  auto* s = static_cast<SearchState*>(info);
  const int reason = glp_ios_reason(tree);
  if (reason == GLP_IBINGO || reason == GLP_ISELECT) {
    const double g = glp_ios_mip_gap(tree);
    if (std::isfinite(g) && g < DBL_MAX / 2) s->gap = g;
  }
  if (reason != GLP_ISELECT) return;
  ++s->nodes;
  const long long limit = s->run->options.iterationLimit;
  if (limit > 0 && glp_get_it_cnt(glp_ios_get_prob(tree)) >= limit) {
    s->iterationLimit = true;
    glp_ios_terminate(tree);
    return;
  }
  if (!s->run->options.progress || Clock::now() - s->lastReport < std::chrono::milliseconds(200)) return;
  s->lastReport = Clock::now();
  int active = 0, all = 0;
  glp_ios_tree_size(tree, &active, nullptr, &all);
  std::string text = "Branch and cut: " + std::to_string(all) + " nodes";
  if (s->gap) {
    char gap[32];
    std::snprintf(gap, sizeof gap, ", gap %.4g%%", *s->gap * 100.0);
    text += gap;
  }
  if (!s->run->options.progress(text, s->nodes, 0)) {
    s->cancelled = true;
    glp_ios_terminate(tree);
  }
}

// A whole-number model: the MIP presolver and branch and cut as glpsol does by default. The
// presolver needs no relaxation solved first; without it the relaxation is solved as an LP.
LpRun SolveInteger(glp_prob* lp, Run& run, LpSolution& s) {
  if (!run.options.presolve) {
    const LpRun r = SolveContinuous(lp, run, s);
    if (r != LpRun::Finished || glp_get_status(lp) != GLP_OPT) return r;
  }
  // With the presolver GLPK scales the reduced problem itself, as glpsol leaves it to.
  SearchState search{&run, Clock::now(), std::nullopt, 0};
  glp_iocp iocp;
  glp_init_iocp(&iocp);
  iocp.msg_lev = GLP_MSG_OFF;
  iocp.presolve = run.options.presolve ? GLP_ON : GLP_OFF;
  iocp.cb_func = SearchCallback;
  iocp.cb_info = &search;
  iocp.tm_lim = run.options.timeLimitSeconds > 0 ? MillisecondsLeft(run.options.timeLimitSeconds, run.start) : INT_MAX;
  const int before = glp_get_it_cnt(lp);
  const int rc = glp_intopt(lp, &iocp);
  run.iterations += std::max(0, glp_get_it_cnt(lp) - before);
  s.nodes = search.nodes;
  const int status = glp_mip_status(lp);
  if (rc == GLP_ENOPFS || rc == GLP_ENODFS) {
    // The presolver found the relaxation without a feasible point, or without a bounded
    // dual: solving the relaxation tells infeasible from unbounded.
    LpSolverOptions plain = run.options;
    plain.presolve = false;
    Run again{plain, run.start, run.iterations};
    glp_prob* relaxation = glp_create_prob();
    glp_copy_prob(relaxation, lp, GLP_OFF);
    const LpRun r = SolveContinuous(relaxation, again, s);
    run.iterations = again.iterations;
    if (r == LpRun::Finished && glp_get_status(relaxation) == GLP_OPT) s.model = LpModelStatus::Infeasible;
    glp_delete_prob(relaxation);
    return r;
  }
  LpRun r = LpRun::Finished;
  if (rc == 0 && status == GLP_OPT) {
    s.model = LpModelStatus::Optimal;
    s.gap = 0.0;
  } else if (rc == 0 && status == GLP_NOFEAS) {
    s.model = LpModelStatus::Infeasible;
  } else if (rc == GLP_ETMLIM || rc == GLP_ESTOP || rc == GLP_EMIPGAP) {
    r = rc == GLP_ETMLIM        ? LpRun::TimeLimit
        : search.iterationLimit ? LpRun::IterationLimit
        : search.cancelled      ? LpRun::Cancelled
                                : LpRun::Finished;
    s.gap = search.gap;
    if (status == GLP_FEAS || status == GLP_OPT) s.model = LpModelStatus::Feasible;
  } else {
    s.failure = rc == GLP_EBOUND ? "an integer variable has bounds that are not whole numbers"
                                 : "the branch and cut stopped (code " + std::to_string(rc) + ")";
    return LpRun::Failed;
  }
  if (status == GLP_OPT || status == GLP_FEAS) {
    const int m = glp_get_num_rows(lp), n = glp_get_num_cols(lp);
    s.objective = Signless(glp_mip_obj_val(lp));
    s.columnValue.resize(static_cast<std::size_t>(n));
    s.rowActivity.resize(static_cast<std::size_t>(m));
    for (int j = 1; j <= n; ++j) s.columnValue[static_cast<std::size_t>(j - 1)] = glp_mip_col_val(lp, j);
    for (int i = 1; i <= m; ++i) s.rowActivity[static_cast<std::size_t>(i - 1)] = glp_mip_row_val(lp, i);
  }
  return r;
}

}  // namespace

namespace lpdetail {

GlpkProblem MakeGlpkProblem(const LpProblem& p, bool names) {
  GlpkProblem lp(glp_create_prob(), glp_delete_prob);
  if (names && !p.name.empty()) glp_set_prob_name(lp.get(), p.name.c_str());
  glp_set_obj_dir(lp.get(), p.maximise ? GLP_MAX : GLP_MIN);
  glp_set_obj_coef(lp.get(), 0, p.objectiveConstant);
  const int n = static_cast<int>(p.columns.size()), m = static_cast<int>(p.rows.size());
  if (n > 0) glp_add_cols(lp.get(), n);
  if (m > 0) glp_add_rows(lp.get(), m);
  for (int j = 0; j < n; ++j) {
    const LpColumn& c = p.columns[static_cast<std::size_t>(j)];
    double lower = c.lower, upper = c.upper;
    if (c.kind == 'b') {
      lower = std::max(lower, 0.0);
      upper = std::min(upper, 1.0);
    }
    if (c.kind != 'c') {
      if (std::isfinite(lower)) lower = std::ceil(lower - 1e-9);
      if (std::isfinite(upper)) upper = std::floor(upper + 1e-9);
      glp_set_col_kind(lp.get(), j + 1, GLP_IV);
    }
    glp_set_col_bnds(lp.get(), j + 1, BoundType(lower, upper), std::isfinite(lower) ? lower : 0.0,
                     std::isfinite(upper) ? upper : 0.0);
    glp_set_obj_coef(lp.get(), j + 1, c.cost);
    if (names && !c.name.empty()) glp_set_col_name(lp.get(), j + 1, c.name.c_str());
  }
  for (int i = 0; i < m; ++i) {
    const LpRowBounds& r = p.rows[static_cast<std::size_t>(i)];
    glp_set_row_bnds(lp.get(), i + 1, BoundType(r.lower, r.upper), std::isfinite(r.lower) ? r.lower : 0.0,
                     std::isfinite(r.upper) ? r.upper : 0.0);
    if (names && !r.name.empty()) glp_set_row_name(lp.get(), i + 1, r.name.c_str());
  }
  // The matrix as GLPK's own readers lay it out: each row's list in the order of its entries
  // here and each column's list in row order. The simplex method's path, and so the branch
  // and cut's, depends on that order (GLPK's tiling example takes 5 s laid out as read and more
  // than a minute laid out otherwise). GLPK puts each new element at the head of its lists,
  // so the rows go in from the last, each with its entries reversed.
  std::vector<int> start(static_cast<std::size_t>(m) + 2, 0);
  for (const LpEntry& e : p.entries) ++start[static_cast<std::size_t>(e.row) + 1];
  for (int i = 0; i < m; ++i) start[static_cast<std::size_t>(i) + 1] += start[static_cast<std::size_t>(i)];
  std::vector<int> next(start.begin(), start.end() - 1), index(p.entries.size() + 1);
  std::vector<double> value(p.entries.size() + 1);
  for (const LpEntry& e : p.entries) {
    const int k = next[static_cast<std::size_t>(e.row)]++;
    index[static_cast<std::size_t>(k)] = e.column + 1;
    value[static_cast<std::size_t>(k)] = e.value;
  }
  std::vector<int> ind(static_cast<std::size_t>(n) + 1);
  std::vector<double> val(static_cast<std::size_t>(n) + 1);
  for (int i = m - 1; i >= 0; --i) {
    const int from = start[static_cast<std::size_t>(i)], to = start[static_cast<std::size_t>(i) + 1];
    int len = 0;
    for (int k = to - 1; k >= from; --k) {
      ++len;
      ind[static_cast<std::size_t>(len)] = index[static_cast<std::size_t>(k)];
      val[static_cast<std::size_t>(len)] = value[static_cast<std::size_t>(k)];
    }
    if (len > 0) glp_set_mat_row(lp.get(), i + 1, len, ind.data(), val.data());
  }
  return lp;
}

}  // namespace lpdetail

std::string LpSolutionFault(const LpProblem& p, const std::vector<double>& x, const std::vector<double>* y,
                            double tolerance) {
  const std::size_t n = p.columns.size(), m = p.rows.size();
  if (x.size() != n || (y && y->size() != m)) return "the solution has the wrong number of values";
  // Each row scaled to a largest coefficient of 1, then each column likewise.
  std::vector<double> rowScale(m, 0.0), colScale(n, 0.0), activity(m, 0.0);
  for (const LpEntry& e : p.entries) {
    double& r = rowScale[static_cast<std::size_t>(e.row)];
    r = std::max(r, std::fabs(e.value));
  }
  for (double& r : rowScale) r = r > 0 ? 1.0 / r : 1.0;
  for (const LpEntry& e : p.entries) {
    double& c = colScale[static_cast<std::size_t>(e.column)];
    c = std::max(c, std::fabs(e.value) * rowScale[static_cast<std::size_t>(e.row)]);
    activity[static_cast<std::size_t>(e.row)] += e.value * x[static_cast<std::size_t>(e.column)];
  }
  for (double& c : colScale) c = c > 0 ? 1.0 / c : 1.0;

  std::string worst;
  double most = tolerance;
  const auto consider = [&](double violation, const std::function<std::string()>& what) {
    if (!(violation <= most)) {  // a NaN is a fault too
      most = std::isnan(violation) ? DBL_MAX : violation;
      worst = what();
    }
  };
  const auto offBounds = [](double v, double lower, double upper) { return std::max({0.0, lower - v, v - upper}); };
  for (std::size_t j = 0; j < n; ++j) {
    const LpColumn& c = p.columns[j];
    const double off = offBounds(x[j], c.lower, c.upper) / colScale[j];
    const double size = 1.0 + std::fabs(x[j]) / colScale[j];
    consider(off / size,
             [&] { return ColumnName(p, static_cast<int>(j)) + " = " + Text(x[j]) + " lies off its bounds"; });
    if (c.kind != 'c') {
      consider(std::fabs(x[j] - std::round(x[j])) / (1.0 + std::fabs(x[j])) * 0.1,
               [&] { return ColumnName(p, static_cast<int>(j)) + " = " + Text(x[j]) + " is not a whole number"; });
    }
  }
  for (std::size_t i = 0; i < m; ++i) {
    const LpRowBounds& r = p.rows[i];
    const double off = offBounds(activity[i], r.lower, r.upper) * rowScale[i];
    consider(off / (1.0 + std::fabs(activity[i]) * rowScale[i]),
             [&] { return RowName(p, static_cast<int>(i)) + " = " + Text(activity[i]) + " lies off its bounds"; });
  }
  if (!y) return worst;

  // The duals of a minimisation: a row at its lower bound has a dual >= 0, at its upper bound
  // <= 0, between its bounds 0 (an equation's dual has either sign); likewise the reduced cost
  // c - A'y of a column. A maximisation turns the signs.
  const double sense = p.maximise ? -1.0 : 1.0;
  std::vector<double> reduced(n);
  double costSize = 1.0;
  for (std::size_t j = 0; j < n; ++j) {
    reduced[j] = p.columns[j].cost;
    costSize = std::max(costSize, std::fabs(p.columns[j].cost) * colScale[j]);
  }
  for (const LpEntry& e : p.entries)
    reduced[static_cast<std::size_t>(e.column)] -= e.value * (*y)[static_cast<std::size_t>(e.row)];
  const auto wrongSign = [&](double v, double value, double lower, double upper, double unit) {
    // `unit` is the scale of one unit of the row or column: whether it stands at a bound is
    // judged in the scaled units too.
    const double near = 1e-7 * (1.0 + std::fabs(value) / unit);
    const bool atLower = std::isfinite(lower) && std::fabs(value - lower) / unit <= near;
    const bool atUpper = std::isfinite(upper) && std::fabs(value - upper) / unit <= near;
    const double d = sense * v;
    if (atLower && atUpper) return 0.0;
    if (atLower) return std::max(0.0, -d);
    if (atUpper) return std::max(0.0, d);
    return std::fabs(d);
  };
  for (std::size_t i = 0; i < m; ++i) {
    const LpRowBounds& r = p.rows[i];
    // The scaled dual is y / rowScale.
    const double v = wrongSign((*y)[i], activity[i], r.lower, r.upper, 1.0 / rowScale[i]) / rowScale[i] / costSize;
    consider(v, [&] {
      return "the dual price " + Text((*y)[i]) + " of " + RowName(p, static_cast<int>(i)) + " has the wrong sign";
    });
  }
  for (std::size_t j = 0; j < n; ++j) {
    const LpColumn& c = p.columns[j];
    const double v = wrongSign(reduced[j], x[j], c.lower, c.upper, colScale[j]) * colScale[j] / costSize;
    consider(v, [&] {
      return "the reduced cost " + Text(reduced[j]) + " of " + ColumnName(p, static_cast<int>(j)) +
             " has the wrong sign";
    });
  }
  return worst;
}

LpSolution SolveLinearProgram(const LpProblem& p, const LpSolverOptions& options) {
  glp_term_hook(Quiet, nullptr);
  LpSolution s;
  for (const LpColumn& c : p.columns) s.integer = s.integer || c.kind != 'c';
  if (p.columns.empty()) {
    s.failure = "the model has no variables";
    return s;
  }
  if (const std::string why = Malformed(p); !why.empty()) {
    s.failure = why;
    return s;
  }
  if (const std::string why = CrossedBounds(p); !why.empty()) {
    s.run = LpRun::Finished;
    s.model = LpModelStatus::Infeasible;
    s.notes.push_back(why);
    return s;
  }
  Problem lp = lpdetail::MakeGlpkProblem(p, false);
  Run run{options};
  if (s.integer) {
    s.run = SolveInteger(lp.get(), run, s);
    s.iterations = run.iterations;
    if (options.check && !s.columnValue.empty()) {
      const std::string fault = LpSolutionFault(p, s.columnValue, nullptr);
      if (!fault.empty()) {
        s.model = LpModelStatus::Unknown;
        s.run = LpRun::Failed;
        s.failure = "the solver's answer does not pass the check: " + fault;
        s.objective.reset();
        s.columnValue.clear();
        s.rowActivity.clear();
      }
    }
    return s;
  }
  s.run = SolveContinuous(lp.get(), run, s);
  s.iterations = run.iterations;
  if (s.run != LpRun::Finished || s.model != LpModelStatus::Unknown) return s;
  ReadBasicSolution(lp.get(), s);
  if (options.check) {
    std::string fault = LpSolutionFault(p, s.columnValue, &s.rowDual);
    if (!fault.empty()) {
      // Solved again from the basis it ended with, scaled, as the simplex method then sees
      // the faults it could not see before.
      const std::string first = fault;
      glp_scale_prob(lp.get(), GLP_SF_AUTO);
      int rc = 0;
      s.run = Simplex(lp.get(), run, rc);
      s.iterations = run.iterations;
      if (s.run == LpRun::Failed) s.failure = SimplexFailure(rc);
      if (s.run != LpRun::Finished) return s;
      if (glp_get_status(lp.get()) != GLP_OPT) {
        if (!Verdict(lp.get(), s)) {
          s.run = LpRun::Failed;
          s.failure = "the simplex method ended without an optimum or a verdict";
        }
        return s;
      }
      ReadBasicSolution(lp.get(), s);
      fault = LpSolutionFault(p, s.columnValue, &s.rowDual);
      if (!fault.empty()) {
        s.run = LpRun::Failed;
        s.failure = "the solver's answer does not pass the check: " + fault;
        s.objective.reset();
        s.columnValue.clear();
        s.reducedCost.clear();
        s.rowActivity.clear();
        s.rowDual.clear();
        s.columnBasic.clear();
        return s;
      }
      s.notes.push_back("The first answer did not pass the check (" + first +
                        "); it was solved again from its basis, scaled.");
    }
  }
  s.model = LpModelStatus::Optimal;
  if (options.ranging) {
    s.ranged = Range(lp.get(), p, run, s);
    if (!s.ranged) {
      s.costLow.clear(), s.costHigh.clear(), s.rhsLow.clear(), s.rhsHigh.clear();
      s.notes.push_back("The ranges were not computed: ranging was stopped.");
    }
  }
  return s;
}

}  // namespace quantorial
