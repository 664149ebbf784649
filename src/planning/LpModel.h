#pragma once
// The linear programming model of a coefficient table in the plain-text model format of the
// LINDO solver: maximise the sum of the named variables subject to one constraint per table
// row (with the table's own relation and right-hand side in its last two columns, or <= 0)
// and every variable >= 0.

#include <optional>
#include <string>
#include <vector>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

// The model a table stands for: its named variable columns (1..V, V = the columns before
// the relation and right-hand side when there are those), and per table row with a
// non-zero coefficient its terms in column order. Cells that are not numbers take no part.
struct LpTerm {
  int column;
  double coefficient;
};
enum class LpRelation { LessEqual, GreaterEqual, Equal };
// The relation a cell's text names: <, <=, =< and ≤; >, >=, => and ≥; = (blanks around it
// do not matter). Nothing for any other text, the empty one included.
std::optional<LpRelation> ReadLpRelation(const std::string& text);
// The relation as the model files write it: "<=", ">=" or "=".
const char* LpRelationText(LpRelation relation);

struct LpRow {
  int row;
  std::vector<LpTerm> terms;
  LpRelation relation = LpRelation::LessEqual;
  double rhs = 0.0;
};
struct LpTableModel {
  int variableColumns = 0;   // V
  std::vector<int> columns;  // the named ones among 1..V
  // Per column 0..V: 'c' continuous, 'i' integer, 'b' binary, as a row labelled "type"
  // directly under the header marks them ("int", "bin" or nothing); that row is no constraint.
  std::vector<char> kinds;
  bool typeRow = false;
  // With constraints, every row with a term or a relation (a row 0 >= 3 still decides
  // feasibility); without, the rows with a term.
  std::vector<LpRow> rows;
  // The first cell of the type row that is not "int", "bin" or empty; with constraints, the
  // first row whose relation is missing or unknown, or whose
  // right-hand side is not a number, named by row and cell; empty when every row reads.
  std::string error;
};
LpTableModel ReadLpTable(const LabelledMatrix& table, bool withConstraints);
// The name of variable column j: its name in row 0, or "X" and j.
std::string LpVariableName(const LabelledMatrix& table, int j, bool useX);

// Empty when the model of the table can be solved and written: its relations and
// right-hand sides read (else `model.error`) and its variables' names, as `useX` names them,
// are all different (else which columns share a name: two columns of one name would be
// two variables to the solver but one in a model file another solver reads).
std::string LpTableProblem(const LabelledMatrix& table, const LpTableModel& model, bool useX);

// The name a variable has in an LP or MPS file, which other solvers read: accents taken off
// the letters, every character other than an ASCII letter, digit, '_' or '.' made '_', and
// "x_" in front of a name that is empty, starts with a digit or '.', starts with e or E and a
// digit (read as an exponent), or is a word of the LP form (st, bounds, end, ...); at most
// 255 bytes. A name that keeps to the rules is written as it is.
std::string LpFileName(const std::string& name);
// The file names of the model's variables, in the order of model.columns. `problem` names
// two columns whose different names are written alike (empty when none are).
std::vector<std::string> LpFileNames(const LabelledMatrix& table, const LpTableModel& model, bool useX,
                                     std::string& problem);

// True when some row's last-but-one cell holds ">", "<", "=", "≤" or "≥": the table carries its
// constraints' relations and right-hand sides in its last two columns.
bool TableHasConstraints(const LabelledMatrix& table);

// The model text, lines ending in CR LF: useX names the variables X1, X2, ... (and lists
// the table's names at the end), withConstraints reads the last two columns as relation and
// right-hand side, `decimals` is the number of decimals of the coefficients.
std::string LindoModelText(const LabelledMatrix& table, bool useX, bool withConstraints, int decimals);

// `count` characters drawn from the digit string of the model file names.
std::string RandomDigits(int count);

}  // namespace quantorial
