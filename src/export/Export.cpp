#include "export/Export.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "export/Directives.h"
#include "export/PlainWorkbook.h"
#include "export/Sheet.h"
#include "io/AtomicFile.h"
#include "io/DataFile.h"
#include "io/XlsxReader.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

// An existing workbook `stem`.xlsx (or, without one, `stem`.xls) read back into `book`,
// so that writing keeps its sheets; nothing when there is none. False with the reason.
bool ReadExistingWorkbook(const std::string& stem, Workbook& book, std::string& error) {
  const std::string target = stem + ".xlsx";
  if (FileExists(target)) {
    std::vector<WorkbookSheet> sheets;
    if (!ReadXlsxSheets(target, sheets, error)) {
      error = "cannot read the existing workbook \"" + target + "\": " + error;
      return false;
    }
    for (auto& s : sheets) {
      Sheet sheet;
      sheet.name = s.name;
      for (auto& e : s.cells) sheet.At(static_cast<int>(e.row), static_cast<int>(e.col)).value = std::move(e.cell);
      book.sheets.push_back(std::move(sheet));
    }
  } else if (FileExists(stem + ".xls")) {
    const DataFileResult old = ReadDataFile(stem + ".xls");
    Sheet sheet;
    sheet.name = "Sheet1";
    for (int i = 0; i <= old.matrix.UpperRow(); ++i) {
      for (int j = 0; j <= old.matrix.UpperCol(); ++j) {
        if (!IsEmpty(old.matrix.Get(i, j))) sheet.At(i, j).value = old.matrix.Get(i, j);
      }
    }
    book.sheets.push_back(std::move(sheet));
  }
  return true;
}

// A cell as a spreadsheet takes it: a text that reads as a number becomes one; an empty
// text is no cell.
Cell SpreadsheetValue(Cell c) {
  if (IsText(c)) {
    if (const auto v = WholeNumber(std::get<std::string>(c))) c = *v;
  }
  return c;
}

}  // namespace

bool ExportWorksheet(const LabelledMatrix& m, const std::string& path, std::string& error) {
  // A new workbook, or one of a single sheet, is written plainly (its first sheet keeps
  // its name); one with more sheets goes through the sheet model, which keeps the others.
  std::string firstName;
  const int sheets = FileExists(path) ? WorkbookSheetCount(path, &firstName) : 0;
  if (sheets <= 1) return WritePlainWorkbook(m, firstName, path, error);
  const std::string stem =
      path.size() > 5 && path.compare(path.size() - 5, 5, ".xlsx") == 0 ? path.substr(0, path.size() - 5) : path;
  Workbook book;
  if (FileExists(path) && !ReadExistingWorkbook(stem, book, error)) return false;
  if (book.sheets.empty()) book.sheets.push_back(Sheet{});
  Sheet& sheet = book.sheets.front();
  if (sheet.name.empty()) sheet.name = "Sheet1";
  sheet.cells.clear();
  sheet.merges.clear();
  sheet.cells.reserve(static_cast<std::size_t>(std::max(m.UpperRow() + 1, 0)) *
                      static_cast<std::size_t>(std::max(m.UpperCol() + 1, 0)));
  for (int i = m.Lower(1); i <= m.Upper(1); ++i) {
    for (int j = m.Lower(2); j <= m.Upper(2); ++j) {
      Cell c = SpreadsheetValue(m.Value(i, j));
      if (!IsBlank(c)) sheet.At(i - m.Lower(1), j - m.Lower(2)).value = std::move(c);
    }
  }
  return WriteWorkbook(book, path, error);
}

bool ExportArrayToExcel(const LabelledMatrix& m, const std::string& stem, int topRow, int leftColumn,
                        const std::string& sheetName, const std::string& formatSource, int lastRow, int base,
                        std::string& error, const ExportProgress& progress) {
  if (!m.IsAssigned()) return true;  // nothing to write
  int R = m.Upper(1) - base, C = m.Upper(2) - base;
  if (lastRow != 0) R = lastRow - base;
  constexpr const char* kExporting = "Exporting data to Excel...please wait!";
  if (progress) progress(kExporting);
  BorderSettings& lines = ProcessBorderSettings();
  if (lines.lineType == 0) lines.lineType = 1;
  if (lines.lineWeight == 0) lines.lineWeight = 2;

  // An existing workbook of that name is written into, not replaced.
  Workbook book;
  const std::string target = stem + ".xlsx";
  if (!ReadExistingWorkbook(stem, book, error)) {
    if (progress) progress("");
    return false;
  }
  if (book.sheets.empty()) book.sheets.push_back(Sheet{});
  Sheet& sheet = book.sheets.front();
  if (sheet.name.empty()) sheet.name = "Sheet1";

  // The block, as one range: cells beyond the 128th column are cut.
  const int top = std::max(topRow, 1) - 1, left = std::max(leftColumn, 1) - 1;
  sheet.cells.reserve(sheet.cells.size() + static_cast<std::size_t>(std::max(R + 1, 0)) *
                                               static_cast<std::size_t>(std::clamp(C + 1, 0, kExportColumns)));
  for (int i = m.Lower(1); i <= R; ++i) {
    for (int j = m.Lower(2); j <= C; ++j) {
      const int row = top + (i - m.Lower(1)), col = left + (j - m.Lower(2));
      if (col >= kExportColumns) break;
      // A text that reads as a number becomes one, as in a spreadsheet cell.
      Cell c = SpreadsheetValue(m.Get(i, j));
      if (IsBlank(c)) {
        sheet.cells.erase({row, col});
      } else {
        sheet.At(row, col).value = std::move(c);
      }
    }
  }

  DirectiveRunner runner(sheet);
  runner.selection = CellRange{};
  const int blockLastRow = top + std::max(R - m.Lower(1), 0);
  if (formatSource == "FIT" || formatSource == "ITS" || formatSource == "ITS2") {
    runner.Layout(formatSource, blockLastRow);
  } else if (!formatSource.empty() && FileExists(formatSource)) {
    std::string text, why;
    if (ReadWholeFile(formatSource, text, why)) {
      std::size_t pos = 0, lineNumber = 0;
      while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        runner.Run(std::string_view(text).substr(pos, end - pos));  // a failed directive is passed over
        ++lineNumber;
        if (progress && lineNumber % 100 == 0) {
          const double share =
              text.empty() ? 100.0 : 100.0 * static_cast<double>(end) / static_cast<double>(text.size());
          progress(std::string(kExporting) + "\nLine Format " + std::to_string(lineNumber) + " (" +
                   FormatPattern(share, "##0") + "%)");
        }
        if (end == text.size()) break;
        pos = end + 1;
      }
    }
  }
  runner.selection = CellRange{};
  if (!sheetName.empty()) sheet.name = sheetName;
  const bool ok = WriteWorkbook(book, target, error);
  if (progress) progress("");
  return ok;
}

std::string TemporaryStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buf[16];
  std::strftime(buf, sizeof buf, "%I%M%S", &local);
  return std::string(buf) + (local.tm_hour < 12 ? "am" : "pm");
}

namespace {
bool IsTemporaryName(const std::string& name, const std::string& prefix) {
  const std::size_t dot = name.find_last_of('.');
  return name.rfind(prefix, 0) == 0 && dot != std::string::npos && name.compare(dot, 3, ".xl") == 0;
}
}  // namespace

bool IsTemporaryWorkbook(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return IsTemporaryName(slash == std::string::npos ? path : path.substr(slash + 1), kTemporaryWorkbookPrefix);
}

void DeleteTemporaryWorkbooks(const std::string& folder, const std::string& prefix) {
  DIR* d = ::opendir(folder.c_str());
  if (!d) return;
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (IsTemporaryName(name, prefix)) ::unlink((folder + "/" + name).c_str());
  }
  ::closedir(d);
}

}  // namespace quantorial
