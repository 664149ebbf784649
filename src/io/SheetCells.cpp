#include "io/SheetCells.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "io/CsvReader.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

// What a recorded cell costs until the matrix is built: its word and its share of the
// positions, counted generously.
constexpr unsigned long long kRecordedCellBytes = 16;

}  // namespace

bool SheetCells::Claim(long long r0, long long r1, long long c0, long long c1, unsigned long long count) {
  if (over_) return false;
  if (r0 < 0 || c0 < 0 || r1 < r0 || c1 < c0) return true;
  const long long minRow = minRow_ < 0 ? r0 : std::min(minRow_, r0), maxRow = std::max(maxRow_, r1);
  const long long minCol = minCol_ < 0 ? c0 : std::min(minCol_, c0), maxCol = std::max(maxCol_, c1);
  const auto rows = static_cast<unsigned long long>(maxRow - minRow + 1);
  const auto cols = static_cast<unsigned long long>(maxCol - minCol + 1);
  // Both the range as a matrix and the cells recorded until then must fit; rows and
  // columns are at most 2^40 each here, so neither product overflows.
  const unsigned long long cells = values_.Size() + count;
  const bool fits = rows <= kMaxSheetBytes / sizeof(Cell) / cols && cells <= kMaxSheetBytes / kRecordedCellBytes;
  if (fits) return true;
  over_ = true;
  claimedRows_ = rows;
  claimedCols_ = cols;
  CompactCells().Swap(values_);
  std::vector<Run>().swap(runs_);
  return false;
}

bool SheetCells::Place(long long row, long long col) {
  // A cell inside the range so far only costs its word; one outside widens the range.
  const bool inside = minRow_ >= 0 && row >= minRow_ && row <= maxRow_ && col >= minCol_ && col <= maxCol_;
  if ((!inside || (values_.Size() & 0xFFFF) == 0) && !Claim(row, row, col, col, 1)) return false;
  if (minRow_ < 0) {
    minRow_ = maxRow_ = row;
    minCol_ = maxCol_ = col;
  } else {
    minRow_ = std::min(minRow_, row);
    maxRow_ = std::max(maxRow_, row);
    minCol_ = std::min(minCol_, col);
    maxCol_ = std::max(maxCol_, col);
  }
  if (!runs_.empty() && runs_.back().row == row &&
      runs_.back().col + static_cast<long long>(runs_.back().count) == col) {
    ++runs_.back().count;
  } else {
    runs_.push_back({row, col, values_.Size(), 1});
  }
  return true;
}

bool SheetCells::Add(long long row, long long col, Cell cell) {
  if (IsEmpty(cell) || row < 0 || col < 0) return !over_;
  // Positions beyond any sheet are cut to keep the arithmetic of the budget in range.
  row = std::min(row, 1LL << 40);
  col = std::min(col, 1LL << 40);
  if (over_ || !Place(row, col)) return false;
  if (longRow_ < 0 && IsText(cell) && std::get<std::string>(cell).size() > kMaxCellText) {
    longRow_ = row;
    longCol_ = col;
  }
  values_.Push(std::move(cell));
  return true;
}

bool SheetCells::AddDouble(long long row, long long col, double v) {
  if (row < 0 || col < 0) return !over_;
  row = std::min(row, 1LL << 40);
  col = std::min(col, 1LL << 40);
  if (over_ || !Place(row, col)) return false;
  values_.PushDouble(v);
  return true;
}

bool SheetCells::Build(LabelledMatrix& out, std::string& error) {
  out = LabelledMatrix();
  if (over_) {
    const bool countable = claimedRows_ <= ~0ULL / claimedCols_;
    error = "the sheet claims a used range of " + std::to_string(claimedRows_) + " rows by " +
            std::to_string(claimedCols_) + " columns" +
            (countable ? " (" + std::to_string(claimedRows_ * claimedCols_) + " cells)" : std::string()) +
            ", more than the " + std::to_string(kMaxSheetBytes >> 30) +
            " GB this program gives a sheet; the file is damaged or not meant for a model";
    return false;
  }
  if (minRow_ < 0) return true;
  const long long rows = maxRow_ - minRow_, cols = maxCol_ - minCol_;
  if (rows > std::numeric_limits<int>::max() || cols > std::numeric_limits<int>::max()) {
    error = "the used range of the sheet is too large";
    return false;
  }
  // Whole rows one after another, each a single run from the first column: the cells are
  // already the matrix in row order.
  bool whole = runs_.size() == static_cast<std::size_t>(rows + 1);
  for (std::size_t r = 0; whole && r < runs_.size(); ++r) {
    whole = runs_[r].row == minRow_ + static_cast<long long>(r) && runs_[r].col == minCol_ &&
            runs_[r].count == static_cast<std::size_t>(cols + 1);
  }
  if (!whole) {
    out = LabelledMatrix::Dimension(0, static_cast<int>(rows), 0, static_cast<int>(cols));
    if (!out.IsAssigned()) {
      error = "the used range of the sheet (" + std::to_string(rows + 1) + " rows by " + std::to_string(cols + 1) +
              " columns) is too large to hold in memory";
      return false;
    }
  }
  if (longRow_ >= 0) {
    out = LabelledMatrix();
    error = "cell " + CellReference(longRow_, longCol_) + " holds more than " + std::to_string(kMaxCellText) +
            " characters";
    return false;
  }
  if (whole) {
    out = LabelledMatrix::FromCells(static_cast<int>(rows + 1), static_cast<int>(cols + 1), std::move(values_));
  } else {
    ForEach([&](long long row, long long col, Cell cell) {
      out.Put(static_cast<int>(row - minRow_), static_cast<int>(col - minCol_), std::move(cell));
    });
  }
  CompactCells().Swap(values_);
  std::vector<Run>().swap(runs_);
  return true;
}

namespace {

// Days from 1970-01-01 to a civil date, and back (proleptic Gregorian calendar).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, long long& y, unsigned& m, unsigned& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += m <= 2;
}

std::string TimeText(long long secondsOfDay) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", secondsOfDay / 3600, secondsOfDay / 60 % 60,
                secondsOfDay % 60);
  return buf;
}

}  // namespace

std::string SerialDateText(double serial, bool date1904) {
  if (!std::isfinite(serial) || serial < 0 || serial > 2958466) return std::string();
  long long totalSeconds = std::llround(serial * 86400.0);
  long long days = totalSeconds / 86400;
  const long long seconds = totalSeconds % 86400;
  if (!date1904 && days < 1) return TimeText(seconds);
  std::string date;
  if (!date1904 && days == 60) {
    date = "1900-02-29";  // the day the 1900 date system counts although it never was
  } else {
    // 1900 system: serial 1 is 1900-01-01 and, past the phantom 29 February, serial 61
    // is 1900-03-01. 1904 system: serial 0 is 1904-01-01.
    long long epoch = date1904 ? DaysFromCivil(1904, 1, 1) : DaysFromCivil(1899, 12, 31);
    if (!date1904 && days > 60) --days;
    long long y;
    unsigned m, d;
    CivilFromDays(epoch + days, y, m, d);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u", y, m, d);
    date = buf;
  }
  if (seconds != 0) date += " " + TimeText(seconds);
  return date;
}

std::string DateTimeText(int year, int month, int day, int hour, int minute, double second) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
  std::string s = buf;
  const long long sec = std::llround(second);
  if (hour != 0 || minute != 0 || sec != 0) s += " " + TimeText(hour * 3600LL + minute * 60LL + sec);
  return s;
}

std::string CellReference(long long row, long long col) { return ColumnLetters(col + 1) + std::to_string(row + 1); }

bool IsBuiltinDateFormat(int id) {
  return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58);
}

bool IsDateFormatCode(std::string_view code) {
  // Only the first section (positive numbers) decides.
  bool inQuote = false;
  for (std::size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    if (inQuote) {
      if (c == '"') inQuote = false;
      continue;
    }
    switch (c) {
      case '"':
        inQuote = true;
        break;
      case '\\':
      case '_':
      case '*':
        ++i;
        break;  // the next character is literal or a fill
      case '[': {
        const std::size_t end = code.find(']', i);
        if (end == std::string_view::npos) return false;
        // Elapsed-time brackets such as [h] or [mm] are times; colours and conditions are not.
        const std::string_view inside = code.substr(i + 1, end - i - 1);
        if (!inside.empty() &&
            (inside[0] == 'h' || inside[0] == 'H' || inside[0] == 'm' || inside[0] == 'M' || inside[0] == 's' ||
             inside[0] == 'S') &&
            inside.find_first_not_of("hHmMsS") == std::string_view::npos) {
          return true;
        }
        i = end;
        break;
      }
      case ';':
        return false;
      case 'd':
      case 'D':
      case 'm':
      case 'M':
      case 'y':
      case 'Y':
      case 'h':
      case 'H':
      case 's':
      case 'S':
        return true;
      default:
        break;
    }
  }
  return false;
}

}  // namespace quantorial
