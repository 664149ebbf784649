#pragma once
// What the workbook readers have in common: collecting the cells of a sheet as they are
// read (in any order, sparse) and cutting out the used range, and turning date cells
// into ISO text.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

// The most memory a sheet may take: its used range dimensioned as a matrix, and the cells
// collected before that. A file that claims more is refused before it is allocated.
inline constexpr unsigned long long kMaxSheetBytes = 2ULL << 30;

class SheetCells {
 public:
  // Records a cell; empty cells are not kept. Positions are 0-based. False when the cell
  // would take the sheet beyond the memory budget: it is not kept, and from then on the
  // sheet is over budget (Build says how large it claims to be).
  bool Add(long long row, long long col, Cell cell);
  // Whether `count` more cells in rows r0..r1 and columns c0..c1 stay within the budget;
  // when they do not, the sheet is over budget (a reader checks this before it expands
  // repeated cells).
  bool Claim(long long r0, long long r1, long long c0, long long c1, unsigned long long count);
  bool OverBudget() const { return over_; }
  // The used range as a 0-based LabelledMatrix: the smallest rectangle holding every
  // non-empty cell; unassigned when there is none. False (with a reason) when the range
  // is too large to hold.
  bool Build(LabelledMatrix& out, std::string& error);
  std::size_t Count() const { return cells_.size(); }

  struct Entry {
    long long row;
    long long col;
    Cell cell;
  };
  // The cells at their places on the sheet.
  const std::vector<Entry>& Entries() const { return cells_; }

 private:
  std::vector<Entry> cells_;
  long long minRow_ = -1, maxRow_ = -1, minCol_ = -1, maxCol_ = -1;
  bool over_ = false;
  unsigned long long claimedRows_ = 0, claimedCols_ = 0;
};

// The ISO text of a spreadsheet date serial number: "2020-01-31", with " 13:45:00" when
// it has a time of day, and the time alone for a serial below 1. `date1904` selects the
// 1904 date system.
std::string SerialDateText(double serial, bool date1904);

// The ISO text of a calendar date and time of day.
std::string DateTimeText(int year, int month, int day, int hour, int minute, double second);

// The spreadsheet name of a 0-based cell position: (2, 2) is "C3".
std::string CellReference(long long row, long long col);

// True when a number format code shows a date or a time (it has a day, month, year, hour
// or second part outside quotes and brackets).
bool IsDateFormatCode(std::string_view code);
// True for the built-in number format ids that show dates or times.
bool IsBuiltinDateFormat(int id);

}  // namespace quantorial
