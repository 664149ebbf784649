#pragma once
// The linear programming model of a coefficient table in the plain-text model format of the
// LINDO solver: maximise the sum of the named variables subject to one constraint per table
// row (with the table's own relation and right-hand side in its last two columns, or <= 0)
// and every variable >= 0.

#include <string>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

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
