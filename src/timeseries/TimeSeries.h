#pragma once
// One time-series table: consecutive periods of one frequency (1 annual, 4 quarterly, 12
// monthly) labelled 1990, 1990Q1 or 1990M01, and a column of values per named series, built
// from a data matrix as the data-file readers give it (names in row 0, period labels in
// column 0). Every model command reads its data through it, so that a file reads the same
// whichever command opens it.
//
// A cell is a value only when the reader made it a number; an empty cell or a text ("0x2D",
// "n/a") is a missing value (NaN) that remembers where it came from, so that a computation
// that needs it can name the file's cell. Plain data in, a table or a message out.

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

enum class Frequency : int { kAnnual = 1, kQuarterly = 4, kMonthly = 12 };

// The largest table read: periods and series.
inline constexpr int kMaxTimeSeriesPeriods = 100000;
inline constexpr int kMaxTimeSeriesColumns = 100000;

// A period label: "1990" (annual), "1990Q1".."1990Q4", "1990M01".."1990M12" (or "1990M1").
// The period's number counts from year 0: year × frequency + sub-period − 1. False for any
// other text.
bool ParsePeriodLabel(const std::string& text, Frequency& frequency, long long& period);
// The label of a period's number.
std::string PeriodLabel(Frequency frequency, long long period);

struct TimeSeriesTable {
  Frequency frequency = Frequency::kAnnual;
  long long firstPeriod = 0;  // the number of the first period (see ParsePeriodLabel)
  std::vector<std::string> names;
  std::vector<std::vector<double>> columns;  // columns[series][period]; NaN where missing
  std::string source;                        // the file's name, for messages
  std::vector<int> sourceRows;               // the file's row (counted from 1) of each period
  std::vector<int> sourceColumns;            // the file's column (counted from 1) of each series
  // The text of a cell that is not a number, by (series, period); an empty cell has none.
  std::map<std::pair<int, int>, std::string> texts;

  int Periods() const {
    return columns.empty() ? static_cast<int>(sourceRows.size()) : static_cast<int>(columns[0].size());
  }
  int Find(const std::string& name) const;
  std::string Label(int period) const { return PeriodLabel(frequency, firstPeriod + period); }
  // The year of an annual table's period.
  int Year(int period) const { return static_cast<int>(firstPeriod + period); }
  // Where a missing value comes from: "klein.csv row 3, column 2 (C): the cell is empty" or
  // "... holds the text \"0x2D\", not a number". Empty when the value is not missing.
  std::string DescribeMissing(int series, int period) const;
};

struct TimeSeriesOutcome {
  std::optional<TimeSeriesTable> table;
  std::string error;  // names the file, the row or the column
};

// The table of a data matrix. Refused, naming the row: a label that is no period, periods of
// two frequencies, a period that does not follow the one before (a gap or a step back).
// Refused naming the column: a series named twice. Columns without a name are left out, and
// so are rows that are wholly empty.
TimeSeriesOutcome TimeSeriesFromMatrix(const LabelledMatrix& m, const std::string& fileName);

}  // namespace quantorial
