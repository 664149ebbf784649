#include "planning/LpSolve.h"

#include <glpk.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "io/AtomicFile.h"
#include "planning/LpModel.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

using Problem = std::unique_ptr<glp_prob, void (*)(glp_prob*)>;

// The GLPK problem of the table, as the model text reads it; names[k] names the variable of
// m.columns[k] (GLPK stops the program on a name with a control character or of more than
// 255 bytes, so every name given here keeps to the file-name rules).
Problem Build(const LpTableModel& m, const LabelledMatrix& t, const std::vector<std::string>& names,
              std::vector<std::string>& rowNames) {
  const int V = m.variableColumns;
  Problem lp(glp_create_prob(), glp_delete_prob);
  glp_set_prob_name(lp.get(), "quantorial");
  glp_set_obj_dir(lp.get(), GLP_MAX);
  std::vector<int> column(static_cast<std::size_t>(std::max(V, 0)) + 1, 0);
  for (std::size_t k = 0; k < m.columns.size(); ++k) {
    const int c = glp_add_cols(lp.get(), 1);
    column[static_cast<std::size_t>(m.columns[k])] = c;
    glp_set_col_name(lp.get(), c, names[k].c_str());
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
  // The solver works on names of its own; the solution names the table's variables.
  std::vector<std::string> internal, shown;
  for (int j : m.columns) {
    internal.push_back("X" + std::to_string(j));
    shown.push_back(LpVariableName(t, j, useX));
  }
  std::vector<std::string> rowNames;
  Problem lp = Build(m, t, internal, rowNames);
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
    s.Set(2 + c, 0, shown[static_cast<std::size_t>(c - 1)]);
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
  const std::vector<std::string> names = LpFileNames(t, m, useX, error);
  if (!error.empty()) return false;
  std::vector<std::string> rowNames;
  Problem lp = Build(m, t, names, rowNames);
  // ".lp" in any case is the LP form; any other name the free MPS form.
  const bool lpForm = path.size() >= 3 && UpperCase(path.substr(path.size() - 3)) == ".LP";
  // GLPK writes beside the file; the names it was given in place of the table's go in front
  // as comments, and the whole file then replaces the old one at once.
  const std::string temp = path + ".glpk";
  const int rc = lpForm ? glp_write_lp(lp.get(), nullptr, temp.c_str()) : glp_write_mps(lp.get(), GLP_MPS_FILE, nullptr, temp.c_str());
  std::string body;
  const bool read = rc == 0 && ReadWholeFile(temp, body, error);
  ::unlink(temp.c_str());
  if (!read) {
    error = "the solver library could not write the model" + (error.empty() ? std::string() : " (" + error + ")");
    return false;
  }
  const std::string mark = lpForm ? "\\" : "*";
  std::string mapping;
  for (std::size_t k = 0; k < m.columns.size(); ++k) {
    const std::string original = LpVariableName(t, m.columns[k], useX);
    if (original == names[k]) continue;
    if (mapping.empty()) mapping = mark + " Variables renamed for this file (the table's name = the name written):\n";
    std::string shown;
    for (const char c : original) shown += static_cast<unsigned char>(c) < 32 || c == 127 ? ' ' : c;
    mapping += mark + "   \"" + shown + "\" = " + names[k] + "\n";
  }
  return WriteFileAtomically(path, mapping + body, error);
}

}  // namespace quantorial
