#pragma once
// The first worksheet of an Excel 97-2003 workbook (.xls, BIFF8 in an OLE2 compound
// file), read by our own code: shared and inline strings, numbers (NUMBER, RK, MULRK),
// booleans (TRUE/FALSE), error cells (their text), the cached results of formula cells
// and date-formatted numbers (as ISO text).

#include <string>
#include <string_view>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

bool ReadXls(const std::string& path, LabelledMatrix& out, std::string& error);
// The same from the bytes of a file.
bool ReadXlsBytes(std::string_view bytes, LabelledMatrix& out, std::string& error);

}  // namespace quantorial
