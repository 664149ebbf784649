#include "planning/LpSolve.h"

#include <glpk.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "planning/LpModel.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

using Problem = std::unique_ptr<glp_prob, void (*)(glp_prob*)>;

// The GLPK problem of the table, as the model text reads it.
Problem Build(const LpTableModel& m, const LabelledMatrix& t, bool useX, std::vector<std::string>& rowNames) {
  const int V = m.variableColumns;
  Problem lp(glp_create_prob(), glp_delete_prob);
  glp_set_prob_name(lp.get(), "quantorial");
  glp_set_obj_dir(lp.get(), GLP_MAX);
  std::vector<int> column(static_cast<std::size_t>(std::max(V, 0)) + 1, 0);
  for (int j : m.columns) {
    const int c = glp_add_cols(lp.get(), 1);
    column[static_cast<std::size_t>(j)] = c;
    // GLPK takes names of at most 255 characters.
    glp_set_col_name(lp.get(), c, LpVariableName(t, j, useX).substr(0, 255).c_str());
    glp_set_col_bnds(lp.get(), c, GLP_LO, 0.0, 0.0);
    glp_set_obj_coef(lp.get(), c, 1.0);
  }
  for (const LpRow& row : m.rows) {
    std::vector<int> index{0};
    std::vector<double> value{0.0};
    for (const LpTerm& term : row.terms) {
      index.push_back(column[static_cast<std::size_t>(term.column)]);
      value.push_back(term.coefficient);
    }
    const int r = glp_add_rows(lp.get(), 1);
    const std::string label = CellText(t.Get(row.row, 0));
    rowNames.push_back(label.empty() ? "Row " + std::to_string(row.row) : label);
    glp_set_row_name(lp.get(), r, ("R" + std::to_string(row.row)).c_str());
    const int type = row.relation == LpRelation::GreaterEqual ? GLP_LO
                     : row.relation == LpRelation::Equal      ? GLP_FX
                                                              : GLP_UP;
    glp_set_row_bnds(lp.get(), r, type, row.rhs, row.rhs);
    glp_set_mat_row(lp.get(), r, static_cast<int>(index.size()) - 1, index.data(), value.data());
  }
  return lp;
}

// GLPK prints nothing of its own.
int Quiet(void*, const char*) { return 1; }

// GLPK's values with -0 read as 0.
double Signless(double v) { return v == 0.0 ? 0.0 : v; }

}  // namespace

LabelledMatrix SolveLp(const LabelledMatrix& t, bool useX, bool withConstraints) {
  glp_term_hook(Quiet, nullptr);
  const LpTableModel m = ReadLpTable(t, withConstraints);
  const std::string problem = LpTableProblem(t, m, useX);
  if (!problem.empty()) {
    // A table that does not read is not solved as another model.
    LabelledMatrix s = LabelledMatrix::Dimension(1, 1);
    s.Set(0, 1, std::string("Value"));
    s.Set(1, 0, std::string("Status"));
    s.Set(1, 1, "not solved: " + problem);
    return s;
  }
  std::vector<std::string> rowNames;
  Problem lp = Build(m, t, useX, rowNames);
  const int rows = glp_get_num_rows(lp.get()), cols = glp_get_num_cols(lp.get());
  glp_smcp parm;
  glp_init_smcp(&parm);
  parm.msg_lev = GLP_MSG_OFF;
  const int rc = cols > 0 ? glp_simplex(lp.get(), &parm) : GLP_EFAIL;
  const int status = rc == 0 ? glp_get_status(lp.get()) : GLP_UNDEF;
  std::string words;
  switch (status) {
    case GLP_OPT: words = "optimal"; break;
    case GLP_NOFEAS: words = "infeasible"; break;
    case GLP_UNBND: words = "unbounded"; break;
    default:
      words = cols == 0 ? "no variables: the table names no column" : "no solution found (the solver stopped, code " +
                                                                             std::to_string(rc) + ")";
  }
  const bool solved = status == GLP_OPT;
  LabelledMatrix s = LabelledMatrix::Dimension(2 + cols + rows, 3);
  s.Set(0, 1, std::string("Value"));
  s.Set(0, 2, std::string("Reduced cost / Slack"));
  s.Set(0, 3, std::string("Dual value"));
  s.Set(1, 0, std::string("Status"));
  s.Set(1, 1, words);
  s.Set(2, 0, std::string("Objective"));
  // A number from a failed solve is never shown as a result.
  if (solved) s.Set(2, 1, Signless(glp_get_obj_val(lp.get())));
  for (int c = 1; c <= cols; ++c) {
    s.Set(2 + c, 0, std::string(glp_get_col_name(lp.get(), c)));
    if (!solved) continue;
    s.Set(2 + c, 1, Signless(glp_get_col_prim(lp.get(), c)));
    s.Set(2 + c, 2, Signless(glp_get_col_dual(lp.get(), c)));
  }
  for (int r = 1; r <= rows; ++r) {
    s.Set(2 + cols + r, 0, rowNames[static_cast<std::size_t>(r - 1)]);
    if (!solved) continue;
    const double activity = glp_get_row_prim(lp.get(), r);
    const int type = glp_get_row_type(lp.get(), r);
    const double bound = type == GLP_LO ? glp_get_row_lb(lp.get(), r) : glp_get_row_ub(lp.get(), r);
    s.Set(2 + cols + r, 1, Signless(activity));
    s.Set(2 + cols + r, 2, Signless(type == GLP_LO ? activity - bound : bound - activity));
    s.Set(2 + cols + r, 3, Signless(glp_get_row_dual(lp.get(), r)));
  }
  return s;
}

bool WriteLpModel(const LabelledMatrix& t, bool useX, bool withConstraints, const std::string& path,
                  std::string& error) {
  glp_term_hook(Quiet, nullptr);
  const LpTableModel m = ReadLpTable(t, withConstraints);
  error = LpTableProblem(t, m, useX);
  if (!error.empty()) return false;
  std::vector<std::string> rowNames;
  Problem lp = Build(m, t, useX, rowNames);
  const std::string temp = path + ".part";
  // ".lp" in any case is the LP form; any other name the free MPS form.
  const bool lpForm = path.size() >= 3 && UpperCase(path.substr(path.size() - 3)) == ".LP";
  const int rc = lpForm ? glp_write_lp(lp.get(), nullptr, temp.c_str()) : glp_write_mps(lp.get(), GLP_MPS_FILE, nullptr, temp.c_str());
  if (rc != 0 || std::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    error = "the model could not be written";
    return false;
  }
  return true;
}

}  // namespace quantorial
