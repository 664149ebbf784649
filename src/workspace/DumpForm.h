#pragma once
// The dump form of a matrix: one line per row from the lower to the upper row bound,
// cells from the lower to the upper column bound separated by commas, each line ending
// in "\n". An empty cell is written as nothing, a number as the shortest decimal text
// that reads back to the same double, a text in double quotes with inner quotes doubled.
// An unassigned matrix writes nothing.

#include <string>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

std::string DumpText(const LabelledMatrix& m);

}  // namespace quantorial
