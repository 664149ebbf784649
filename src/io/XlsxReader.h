#pragma once
// The first worksheet of an Office Open XML workbook (.xlsx), read with libzip and expat
// as a stream: shared strings, inline strings, rich text (as plain text), numbers,
// booleans (TRUE/FALSE), error cells (their text), formula cells (their cached value)
// and date-formatted numbers (as ISO text).

#include <string>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

// False with a reason in `error` when the package cannot be read.
bool ReadXlsx(const std::string& path, LabelledMatrix& out, std::string& error);

}  // namespace quantorial
