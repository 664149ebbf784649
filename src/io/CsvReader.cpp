#include "io/CsvReader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "workspace/CompactCells.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

bool AllBlank(std::string_view t) {
  for (char c : t) {
    if (c != ' ' && c != '\t') return false;
  }
  return true;
}

// The whole of [first, last) as a finite number in the plain form from_chars reads.
bool PlainNumber(const char* first, const char* last, double& v) {
  const auto [ptr, ec] = std::from_chars(first, last, v);
  return ec == std::errc() && ptr == last && std::isfinite(v);
}

}  // namespace

Cell FieldCell(std::string_view text) {
  if (AllBlank(text)) return Cell();
  // Most fields of a data file are plain numbers: read those directly, and leave every
  // other text to the whole-text rule.
  const char c0 = text[0];
  if ((c0 >= '0' && c0 <= '9') || c0 == '-' || c0 == '.') {
    double v = 0.0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec == std::errc() && ptr == text.data() + text.size() && std::isfinite(v)) return v;
  }
  if (const auto v = WholeNumber(text)) return *v;
  // A percentage ("5%", "-2.5 %") is the number it stands for, as a spreadsheet reads it.
  const std::size_t last = text.find_last_not_of(" \t");
  if (last != std::string_view::npos && last > 0 && text[last] == '%') {
    if (const auto v = WholeNumber(text.substr(0, last))) return *v / 100.0;
  }
  return std::string(text);
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string s = "\"";
  for (char c : text) {
    if (c == '"') s += '"';
    s += c;
  }
  return s + "\"";
}

char GuessDelimiter(std::string_view data) {
  std::size_t pos = 0;
  while (pos < data.size()) {
    std::size_t end = data.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = data.size();
    const std::string_view line = data.substr(pos, end - pos);
    if (!AllBlank(line)) {
      if (line.find(',') != std::string_view::npos) return ',';
      if (line.find('\t') != std::string_view::npos) return '\t';
      if (line.find(';') != std::string_view::npos) return ';';
      return ',';
    }
    pos = end + 1;
  }
  return ',';
}

bool ParseCsv(std::string_view data, char delimiter, LabelledMatrix& out, std::string& error) {
  out = LabelledMatrix();
  if (data.size() >= 3 && static_cast<unsigned char>(data[0]) == 0xEF && static_cast<unsigned char>(data[1]) == 0xBB &&
      static_cast<unsigned char>(data[2]) == 0xBF) {
    data.remove_prefix(3);
  }
  const std::size_t n = data.size();
  const char* s = data.data();

  // The cells in row order, a word each (a number field takes at least two bytes of the file).
  CompactCells cells;
  std::vector<std::size_t> rowStart;
  cells.Reserve(n / 2 + 1);
  long long minRow = std::numeric_limits<long long>::max(), maxRow = -1;
  long long minCol = std::numeric_limits<long long>::max(), maxCol = -1;
  std::size_t line = 1;
  std::size_t pos = 0;
  std::string quoted;

  while (pos < n) {
    const long long row = static_cast<long long>(rowStart.size());
    rowStart.push_back(cells.Size());
    long long col = 0;
    for (;;) {
      Cell cell;
      bool plain = false;
      double number = 0.0;
      if (pos < n && s[pos] == '"') {
        const std::size_t openLine = line;
        ++pos;
        quoted.clear();
        for (;;) {
          const void* q = std::memchr(s + pos, '"', n - pos);
          if (!q) {
            error = "line " + std::to_string(openLine) + ": a quoted field is not closed";
            return false;
          }
          const std::size_t qpos = static_cast<std::size_t>(static_cast<const char*>(q) - s);
          line += static_cast<std::size_t>(std::count(s + pos, s + qpos, '\n'));
          quoted.append(s + pos, qpos - pos);
          pos = qpos + 1;
          if (pos < n && s[pos] == '"') {
            quoted += '"';
            ++pos;
            continue;
          }
          break;
        }
        // Text after the closing quote, up to the delimiter, is kept as it stands.
        while (pos < n && s[pos] != delimiter && s[pos] != '\n' && s[pos] != '\r') quoted += s[pos++];
        cell = quoted.empty() ? Cell() : FieldCell(quoted);
      } else {
        std::size_t end = pos;
        while (end < n && s[end] != delimiter && s[end] != '\n' && s[end] != '\r') ++end;
        // Most fields are plain numbers: those go into the cells directly, without a Cell.
        const char c0 = end > pos ? s[pos] : ' ';
        if ((c0 >= '0' && c0 <= '9') || c0 == '-') plain = PlainNumber(s + pos, s + end, number);
        if (!plain && end > pos) cell = FieldCell(std::string_view(s + pos, end - pos));
        pos = end;
      }
      if (IsText(cell) && std::get<std::string>(cell).size() > kMaxCellText) {
        error = "line " + std::to_string(line) + ", column " + std::to_string(col + 1) + ": a cell holds more than " +
                std::to_string(kMaxCellText) + " characters";
        return false;
      }
      if (plain || !IsEmpty(cell)) {
        minRow = std::min(minRow, row);
        maxRow = std::max(maxRow, row);
        minCol = std::min(minCol, col);
        maxCol = std::max(maxCol, col);
      }
      if (plain) {
        cells.PushDouble(number);
      } else {
        cells.Push(std::move(cell));
      }
      ++col;
      if (pos < n && s[pos] == delimiter) {
        ++pos;
        if (pos < n) continue;
        cells.Push(Cell());  // a delimiter at the very end opens one last empty field
        break;
      }
      if (pos < n && s[pos] == '\r') {
        ++pos;
        if (pos < n && s[pos] == '\n') ++pos;
        ++line;
      } else if (pos < n && s[pos] == '\n') {
        ++pos;
        ++line;
      }
      break;
    }
  }

  if (maxRow < 0) return true;  // nothing but blanks
  const long long rows = maxRow - minRow + 1, cols = maxCol - minCol + 1;
  if (rows - 1 > std::numeric_limits<int>::max() || cols - 1 > std::numeric_limits<int>::max()) {
    error = "the table is too large";
    return false;
  }
  rowStart.push_back(cells.Size());
  // A table whose rows all have the same width from its first row and column on (the
  // usual file) becomes the matrix as it was read, without a second copy.
  bool whole = minRow == 0 && minCol == 0;
  for (long long r = 0; whole && r <= maxRow; ++r) {
    whole = rowStart[static_cast<std::size_t>(r) + 1] - rowStart[static_cast<std::size_t>(r)] ==
            static_cast<std::size_t>(cols);
  }
  if (whole) {
    cells.Truncate(rowStart[static_cast<std::size_t>(maxRow) + 1]);  // blank lines after the table
    out = LabelledMatrix::FromCells(static_cast<int>(rows), static_cast<int>(cols), std::move(cells));
    return true;
  }
  out = LabelledMatrix::Dimension(0, static_cast<int>(rows - 1), 0, static_cast<int>(cols - 1));
  if (!out.IsAssigned()) {
    error = "the table is too large to hold in memory";
    return false;
  }
  for (long long r = minRow; r <= maxRow; ++r) {
    const std::size_t b = rowStart[static_cast<std::size_t>(r)], e = rowStart[static_cast<std::size_t>(r) + 1];
    const long long width = static_cast<long long>(e - b);
    for (long long c = minCol; c <= maxCol && c < width; ++c) {
      out.Put(static_cast<int>(r - minRow), static_cast<int>(c - minCol), cells.Get(b + static_cast<std::size_t>(c)));
    }
  }
  return true;
}

}  // namespace quantorial
