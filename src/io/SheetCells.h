#pragma once
// What the workbook readers have in common: collecting the cells of a sheet as they are
// read (in any order, sparse) and cutting out the used range, and turning date cells
// into ISO text.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "workspace/CompactCells.h"
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
  // The same for a number (the usual cell), without making a Cell of it.
  bool AddDouble(long long row, long long col, double v);
  // Whether `count` more cells in rows r0..r1 and columns c0..c1 stay within the budget;
  // when they do not, the sheet is over budget (a reader checks this before it expands
  // repeated cells).
  bool Claim(long long r0, long long r1, long long c0, long long c1, unsigned long long count);
  bool OverBudget() const { return over_; }
  // The used range as a 0-based LabelledMatrix: the smallest rectangle holding every
  // non-empty cell; unassigned when there is none. False (with a reason) when the range
  // is too large to hold. A sheet whose cells came row by row, each row whole from the
  // first column (the usual sheet), becomes the matrix without a second copy.
  bool Build(LabelledMatrix& out, std::string& error);
  std::size_t Count() const { return values_.Size(); }

  // The cells at their places on the sheet, in the order they were recorded.
  template <typename F>
  void ForEach(F&& visit) const {
    for (const Run& run : runs_) {
      for (std::size_t k = 0; k < run.count; ++k)
        visit(run.row, run.col + static_cast<long long>(k), values_.Get(run.first + k));
    }
  }

 private:
  // Cells recorded one after another in one row, in consecutive columns.
  struct Run {
    long long row;
    long long col;
    std::size_t first;  // the first one's index in values_
    std::size_t count;
  };
  // Checks the budget and the range for a cell about to be recorded, and places it.
  bool Place(long long row, long long col);

  CompactCells values_;  // the cells as they were recorded, a word each
  std::vector<Run> runs_;
  long long minRow_ = -1, maxRow_ = -1, minCol_ = -1, maxCol_ = -1;
  long long longRow_ = -1, longCol_ = -1;  // the first text longer than a cell may hold
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
