#pragma once
// The linear programming model of a coefficient table in the plain-text model format of the
// LINDO solver: maximise the sum of the named variables subject to one constraint per table
// row (with the table's own relation and right-hand side in its last two columns, or <= 0)
// and every variable >= 0.

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
struct LpRow {
  int row;
  std::vector<LpTerm> terms;
};
struct LpTableModel {
  int variableColumns = 0;   // V
  std::vector<int> columns;  // the named ones among 1..V
  std::vector<LpRow> rows;
};
LpTableModel ReadLpTable(const LabelledMatrix& table, bool withConstraints);
// The name of variable column j: its name in row 0, or "X" and j.
std::string LpVariableName(const LabelledMatrix& table, int j, bool useX);

// True when some row's last-but-one cell holds ">", "<" or "=": the table carries its
// constraints' relations and right-hand sides in its last two columns.
bool TableHasConstraints(const LabelledMatrix& table);

// The model text, lines ending in CR LF: useX names the variables X1, X2, ... (and lists
// the table's names at the end), withConstraints reads the last two columns as relation and
// right-hand side, `decimals` is the number of decimals of the coefficients.
std::string LindoModelText(const LabelledMatrix& table, bool useX, bool withConstraints, int decimals);

// `count` characters drawn from the digit string of the model file names.
std::string RandomDigits(int count);

}  // namespace quantorial
