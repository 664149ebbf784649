// Any text as a data file read into one time-series table: the CSV reader gives a labelled
// matrix (or a message), the table is built from it or refused with a message naming the
// file; a table it gives has consecutive periods, columns of its length, labels that read back
// to their periods, and a cell description for exactly its missing values.

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "io/CsvReader.h"
#include "timeseries/TimeSeries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  quantorial::LabelledMatrix m;
  std::string error;
  if (!quantorial::ParseCsv(text, quantorial::GuessDelimiter(text), m, error, 1)) return 0;
  const auto out = quantorial::TimeSeriesFromMatrix(m, "f.csv");
  if (!out.table) {
    if (out.error.rfind("f.csv: ", 0) != 0) __builtin_trap();
    return 0;
  }
  const auto& t = *out.table;
  const int periods = t.Periods();
  if (periods < 1 || t.sourceRows.size() != static_cast<std::size_t>(periods)) __builtin_trap();
  if (t.names.size() != t.columns.size() || t.sourceColumns.size() != t.names.size()) __builtin_trap();
  for (int p = 0; p < periods; ++p) {
    quantorial::Frequency f;
    long long period = 0;
    if (!quantorial::ParsePeriodLabel(t.Label(p), f, period) || f != t.frequency || period != t.firstPeriod + p)
      __builtin_trap();
  }
  for (std::size_t c = 0; c < t.columns.size(); ++c) {
    if (t.columns[c].size() != static_cast<std::size_t>(periods)) __builtin_trap();
    for (int p = 0; p < periods; ++p) {
      const bool missing = std::isnan(t.columns[c][static_cast<std::size_t>(p)]);
      if (missing == t.DescribeMissing(static_cast<int>(c), p).empty()) __builtin_trap();
    }
  }
  return 0;
}
