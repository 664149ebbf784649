#include "timeseries/TimeSeries.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Digits only, at most `most` of them, as a whole number.
bool Digits(const std::string& text, std::size_t first, std::size_t last, std::size_t most, long long& value) {
  if (last <= first || last - first > most) return false;
  const auto [ptr, ec] = std::from_chars(text.data() + first, text.data() + last, value);
  return ec == std::errc() && ptr == text.data() + last;
}

// The row's period label: an annual label may be a number (a year) or a text.
bool LabelOf(const Cell& cell, Frequency& frequency, long long& period) {
  if (IsNumber(cell)) {
    const auto v = ArithmeticValue(cell);
    if (!v || *v != std::floor(*v) || std::fabs(*v) > 1e6) return false;
    frequency = Frequency::kAnnual;
    period = static_cast<long long>(*v);
    return true;
  }
  return ParsePeriodLabel(TrimBlanks(CellText(cell)), frequency, period);
}

}  // namespace

bool ParsePeriodLabel(const std::string& text, Frequency& frequency, long long& period) {
  long long year = 0, sub = 0;
  const std::size_t mark = text.find_first_of("QqMm");
  if (mark == std::string::npos) {
    if (!Digits(text, text.size() > 0 && text[0] == '-' ? 1 : 0, text.size(), 6, year)) return false;
    frequency = Frequency::kAnnual;
    period = text[0] == '-' ? -year : year;
    return true;
  }
  if (!Digits(text, 0, mark, 6, year) || !Digits(text, mark + 1, text.size(), 2, sub)) return false;
  const bool quarter = text[mark] == 'Q' || text[mark] == 'q';
  const long long count = quarter ? 4 : 12;
  if (sub < 1 || sub > count) return false;
  frequency = quarter ? Frequency::kQuarterly : Frequency::kMonthly;
  period = year * count + sub - 1;
  return true;
}

std::string PeriodLabel(Frequency frequency, long long period) {
  const long long count = static_cast<long long>(frequency);
  if (count == 1) return std::to_string(period);
  const long long year = period >= 0 ? period / count : -((-period + count - 1) / count);
  const long long sub = period - year * count + 1;
  if (frequency == Frequency::kQuarterly) return std::to_string(year) + "Q" + std::to_string(sub);
  return std::to_string(year) + "M" + (sub < 10 ? "0" : "") + std::to_string(sub);
}

int TimeSeriesTable::Find(const std::string& name) const {
  for (std::size_t i = 0; i < names.size(); ++i)
    if (names[i] == name) return static_cast<int>(i);
  return -1;
}

std::string TimeSeriesTable::DescribeMissing(int series, int period) const {
  if (series < 0 || period < 0 || series >= static_cast<int>(columns.size()) ||
      period >= static_cast<int>(columns[static_cast<std::size_t>(series)].size()) ||
      !std::isnan(columns[static_cast<std::size_t>(series)][static_cast<std::size_t>(period)]))
    return {};
  std::string where = source + " row " + std::to_string(sourceRows[static_cast<std::size_t>(period)]) + ", column " +
                      std::to_string(sourceColumns[static_cast<std::size_t>(series)]) + " (" +
                      names[static_cast<std::size_t>(series)] + ")";
  const auto text = texts.find({series, period});
  if (text == texts.end()) return where + ": the cell is empty";
  return where + " holds the text \"" + text->second + "\", not a number";
}

TimeSeriesOutcome TimeSeriesFromMatrix(const LabelledMatrix& m, const std::string& fileName) {
  TimeSeriesOutcome out;
  if (!m.IsFilled() || m.UpperCol() < 1) {
    out.error = fileName + ": the file holds no data rows.";
    return out;
  }
  if (m.UpperRow() > kMaxTimeSeriesPeriods || m.UpperCol() > kMaxTimeSeriesColumns) {
    out.error = fileName + ": the table is too large (at most " + std::to_string(kMaxTimeSeriesPeriods) +
                " periods and " + std::to_string(kMaxTimeSeriesColumns) + " series).";
    return out;
  }
  TimeSeriesTable t;
  t.source = fileName;
  std::vector<int> cols;
  for (int j = 1; j <= m.UpperCol(); ++j) {
    const std::string name = TrimBlanks(CellText(m.Get(0, j)));
    if (name.empty()) continue;
    if (t.Find(name) >= 0) {
      out.error = fileName + ": column " + std::to_string(j + 1) + " is named " + name + " as an earlier one is.";
      return out;
    }
    t.names.push_back(name);
    t.sourceColumns.push_back(j + 1);
    cols.push_back(j);
  }
  t.columns.assign(t.names.size(), {});
  long long last = 0;
  for (int i = 1; i <= m.UpperRow(); ++i) {
    const Cell label = m.Get(i, 0);
    if (IsBlank(label)) {
      bool empty = true;
      for (int j : cols) empty = empty && IsBlank(m.Get(i, j));
      if (empty) continue;  // a blank row of the sheet
    }
    Frequency frequency = Frequency::kAnnual;
    long long period = 0;
    const std::string row = fileName + ": row " + std::to_string(i + 1);
    if (!LabelOf(label, frequency, period)) {
      out.error = row + " does not start with a period such as 1990, 1990Q1 or 1990M01 (\"" + CellText(label) + "\").";
      return out;
    }
    if (!t.sourceRows.empty()) {
      if (frequency != t.frequency) {
        out.error = row + ": " + PeriodLabel(frequency, period) + " is not of the frequency of the rows before it (" +
                    PeriodLabel(t.frequency, last) + ").";
        return out;
      }
      if (period != last + 1) {
        out.error = row + ": the period " + PeriodLabel(frequency, period) + " does not follow " +
                    PeriodLabel(frequency, last) + (period > last ? " (a period is missing)." : ".");
        return out;
      }
    } else {
      t.frequency = frequency;
      t.firstPeriod = period;
    }
    last = period;
    const int index = static_cast<int>(t.sourceRows.size());
    t.sourceRows.push_back(i + 1);
    for (std::size_t k = 0; k < cols.size(); ++k) {
      const Cell c = m.Get(i, cols[k]);
      double v = kNaN;
      if (IsNumber(c)) {
        if (const auto a = ArithmeticValue(c); a && std::isfinite(*a)) v = *a;
      } else if (!IsBlank(c)) {
        t.texts[{static_cast<int>(k), index}] = CellText(c);
      }
      t.columns[k].push_back(v);
    }
  }
  if (t.sourceRows.empty()) {
    out.error = fileName + ": the file holds no data rows.";
    return out;
  }
  out.table = std::move(t);
  return out;
}

}  // namespace quantorial
