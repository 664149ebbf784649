#pragma once
// A workbook of values only: one sheet of numbers and texts from its first cell, no
// formats. Written directly with libzip, for saving a sheet of data as it stands (the
// worksheet editor), where the formatting export's sheet model would cost more than it
// gives on a large table.

#include <string>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

// Writes the matrix (from its lower bounds) as the only sheet of the .xlsx workbook
// `path`: cells that take part in arithmetic as numbers are numbers, other cells texts,
// blank cells none. Written beside the target and renamed over it. False with a reason.
bool WritePlainWorkbook(const LabelledMatrix& m, const std::string& sheetName, const std::string& path,
                        std::string& error);

// The number of sheets an .xlsx workbook names (and the first one's name), or -1 when it
// cannot be read.
int WorkbookSheetCount(const std::string& path, std::string* firstSheetName = nullptr);

}  // namespace quantorial
