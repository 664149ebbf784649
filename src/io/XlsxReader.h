#pragma once
// The first worksheet of an Office Open XML workbook (.xlsx), read with libzip and expat
// as a stream: shared strings, inline strings, rich text (as plain text), numbers,
// booleans (TRUE/FALSE), error cells (their text), formula cells (their cached value)
// and date-formatted numbers (as ISO text).

#include <string>
#include <vector>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

// False with a reason in `error` when the package cannot be read.
bool ReadXlsx(const std::string& path, LabelledMatrix& out, std::string& error);

// Every worksheet of a workbook with its name and its cells at their places (0-based).
struct WorkbookSheet {
  std::string name;
  struct Entry {
    long long row;
    long long col;
    Cell cell;
  };
  std::vector<Entry> cells;
};
bool ReadXlsxSheets(const std::string& path, std::vector<WorkbookSheet>& out, std::string& error);

}  // namespace quantorial
