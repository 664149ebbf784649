#pragma once
// Writing a matrix into a workbook (.xlsx, with libxlsxwriter), and the temporary
// workbooks of "&Excel Preview" and of Enter on a grid.

#include <functional>
#include <string>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

// The largest number of worksheet columns an export writes.
inline constexpr int kExportColumns = 128;

// Progress of a long export: the text of the notice window while it runs, then the empty
// text once the export is over.
using ExportProgress = std::function<void(const std::string& text)>;

// Writes the matrix into the workbook `workbookStem`.xlsx (an existing `workbookStem`.xlsx
// or .xls is read back first and keeps its sheets; the data go to its first sheet), its
// first cell at the 1-based worksheet cell (topRow, leftColumn); then runs the directive
// file or the built-in layout ("FIT", "ITS", "ITS2") named by `formatSource`, and names the
// sheet `sheetName` (kept when empty). `lastRow`, when not 0, is the matrix's last row to
// write; `base` is subtracted from its upper bounds. Columns beyond the 128th are cut. The
// file is written beside the target and renamed over it. With `progress` the notice window
// reports it. False with a reason.
bool ExportArrayToExcel(const LabelledMatrix& m, const std::string& workbookStem, int topRow, int leftColumn,
                        const std::string& sheetName, const std::string& formatSource, int lastRow, int base,
                        std::string& error, const ExportProgress& progress = {});

// Writes the matrix as the first sheet of the workbook `path` (.xlsx), from its first cell,
// every column: what the sheet held before is replaced, the workbook's other sheets are
// kept. A text that reads as a number is written as the number. Written beside the target
// and renamed over it. False with a reason.
bool ExportWorksheet(const LabelledMatrix& m, const std::string& path, std::string& error);

// The file-name prefix of the temporary workbooks of the previews.
inline constexpr const char* kTemporaryWorkbookPrefix = "KRV-TMP-";
// Whether the path names a temporary preview workbook (prefix and an ".xl" extension).
bool IsTemporaryWorkbook(const std::string& path);

// "hhmmssampm" for the current local time: the stem of a temporary workbook.
std::string TemporaryStamp();
// Deletes every file in `folder` whose name starts with `prefix` and whose extension
// starts with ".xl" (the temporary workbooks of earlier previews).
void DeleteTemporaryWorkbooks(const std::string& folder, const std::string& prefix);

}  // namespace quantorial
