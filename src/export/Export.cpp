#include "export/Export.h"

#include <dirent.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "workspace/ValueRules.h"

namespace quantorial {

bool ExportArrayToExcel(const LabelledMatrix& m, const std::string& stem, int topRow, int leftColumn,
                        const std::string& sheetName, const std::string& formatSource, int lastRow, int base,
                        std::string& error) {
  if (!m.IsAssigned()) return true;  // nothing to write
  if (!formatSource.empty()) {
    error = "formatting directives and layouts are not available in this version";
    return false;
  }
  int R = m.Upper(1) - base, C = m.Upper(2) - base;
  if (lastRow != 0) R = lastRow - base;
  const int top = std::max(topRow, 1) - 1, left = std::max(leftColumn, 1) - 1;
  const std::string target = stem + ".xlsx";
  const std::string temporary = stem + ".tmp-" + std::to_string(::getpid()) + ".xlsx";
  lxw_workbook* wb = workbook_new(temporary.c_str());
  if (!wb) {
    error = "cannot create the workbook";
    return false;
  }
  lxw_worksheet* ws = workbook_add_worksheet(wb, sheetName.empty() ? nullptr : sheetName.c_str());
  if (!ws) {
    workbook_close(wb);
    ::unlink(temporary.c_str());
    error = "the sheet name \"" + sheetName + "\" cannot be used";
    return false;
  }
  for (int i = m.Lower(1); i <= R; ++i) {
    for (int j = m.Lower(2); j <= C; ++j) {
      const int row = top + (i - m.Lower(1)), col = left + (j - m.Lower(2));
      if (col >= kExportColumns) break;
      const Cell& c = m.Get(i, j);
      if (IsNumber(c)) {
        worksheet_write_number(ws, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col), NumberOf(c), nullptr);
      } else if (IsText(c) && !std::get<std::string>(c).empty()) {
        // A text that reads as a number becomes one, as in a spreadsheet cell.
        if (const auto v = WholeNumber(std::get<std::string>(c))) {
          worksheet_write_number(ws, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col), *v, nullptr);
        } else {
          worksheet_write_string(ws, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col),
                                 std::get<std::string>(c).c_str(), nullptr);
        }
      }
    }
  }
  const lxw_error rc = workbook_close(wb);
  if (rc != LXW_NO_ERROR) {
    ::unlink(temporary.c_str());
    error = lxw_strerror(rc);
    return false;
  }
  if (std::rename(temporary.c_str(), target.c_str()) != 0) {
    error = std::string("cannot replace the workbook: ") + std::strerror(errno);
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

std::string TemporaryStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local {};
  localtime_r(&now, &local);
  char buf[16];
  std::strftime(buf, sizeof buf, "%I%M%S", &local);
  return std::string(buf) + (local.tm_hour < 12 ? "am" : "pm");
}

void DeleteTemporaryWorkbooks(const std::string& folder, const std::string& prefix) {
  DIR* d = ::opendir(folder.c_str());
  if (!d) return;
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    const std::size_t dot = name.find_last_of('.');
    if (name.rfind(prefix, 0) == 0 && dot != std::string::npos && name.compare(dot, 3, ".xl") == 0) {
      ::unlink((folder + "/" + name).c_str());
    }
  }
  ::closedir(d);
}

}  // namespace quantorial
