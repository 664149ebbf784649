// Any table as an input-output table: the first line gives the reading options (sectors,
// flows 0 or 1, the row of total outputs, the households' row name and their column's name
// when it differs, comma-separated), the rest the labelled matrix (one row a line, cells at
// commas; a cell that reads wholly as a number is a number, as the data-file readers give
// it). The reader must give a table of consistent shape or a message naming the source; a
// table it gives is analysed, which must end with results of the table's size or a message.
// The numbers of the matrix are balanced by RAS to their own margins, and to margins moved
// from one row and one column to others: a balanced matrix of the prior's size, or a message.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "inputoutput/IoAnalysis.h"
#include "inputoutput/IoTable.h"
#include "inputoutput/Ras.h"

namespace {

constexpr int kMaxRows = 48, kMaxCols = 48;

std::vector<std::string> SplitCells(std::string_view line) {
  std::vector<std::string> cells;
  std::size_t start = 0;
  while (cells.size() < kMaxCols + 1) {
    const std::size_t comma = line.find(',', start);
    cells.emplace_back(line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return cells;
}

quantorial::Cell CellOf(const std::string& text) {
  if (text.empty()) return quantorial::Cell();
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end == text.c_str() + text.size()) return quantorial::Cell(v);
  return quantorial::Cell(text);
}

bool Finite(const std::vector<double>& values) {
  for (double v : values) {
    if (!std::isfinite(v)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::vector<std::string>> lines;
  std::size_t start = 0;
  while (start <= text.size() && lines.size() < kMaxRows + 2) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    lines.push_back(SplitCells(text.substr(start, end - start)));
    start = end + 1;
  }
  if (lines.size() < 2) return 0;
  const auto& head = lines[0];
  quantorial::IoReadOptions options;
  options.sectors = static_cast<int>(std::strtol(head[0].c_str(), nullptr, 10) % 64);
  options.flows = head.size() > 1 && head[1] == "1";
  if (head.size() > 2) options.totalRow = head[2];
  if (head.size() > 3) options.households = head[3];
  if (head.size() > 4) options.householdColumn = head[4];

  std::size_t width = 0;
  for (std::size_t i = 1; i < lines.size(); ++i) width = std::max(width, lines[i].size());
  auto m = quantorial::LabelledMatrix::Dimension(static_cast<int>(lines.size()) - 2, static_cast<int>(width) - 1);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    for (std::size_t j = 0; j < lines[i].size(); ++j) {
      m.Set(static_cast<int>(i - 1), static_cast<int>(j), CellOf(lines[i][j]));
    }
  }

  const std::string source = "table.csv";
  const auto read = quantorial::ReadIoTable(m, options, source);
  if (!read.error.empty()) {
    if (read.error.rfind(source + ": ", 0) != 0 || read.table.Sectors() != 0) __builtin_trap();
    return 0;
  }
  const auto& t = read.table;
  const std::size_t n = t.sectors.size();
  if (n == 0 || t.a.rows != static_cast<int>(n) || t.a.cols != static_cast<int>(n)) __builtin_trap();
  if (t.a.start.size() != n + 1 || t.a.start.front() != 0) __builtin_trap();
  for (std::size_t j = 0; j < n; ++j) {
    if (t.a.start[j] > t.a.start[j + 1]) __builtin_trap();
  }
  if (t.a.row.size() != t.a.value.size() || static_cast<long long>(t.a.row.size()) != t.a.NonZeros()) __builtin_trap();
  for (int r : t.a.row) {
    if (r < 0 || r >= static_cast<int>(n)) __builtin_trap();
  }
  if (!Finite(t.a.value)) __builtin_trap();
  if (t.primary.size() != t.primaryRow.size() || t.primary.size() != t.primaryHousehold.size()) __builtin_trap();
  for (const auto& row : t.primaryRow) {
    if (row.size() != n) __builtin_trap();
  }
  if (options.flows != !t.totalOutput.empty() || (options.flows && t.totalOutput.size() != n)) __builtin_trap();
  if (t.HouseholdsClosed() != !options.households.empty()) __builtin_trap();
  if (t.HouseholdsClosed() && (t.householdRow >= static_cast<int>(t.primary.size()) || t.householdColumn.size() != n)) {
    __builtin_trap();
  }

  const auto demand = quantorial::ReadLabelledValues(m, t.sectors, source, "final demand");
  if (demand.error.empty() ? demand.values.size() != n : !demand.values.empty()) __builtin_trap();
  const auto block = quantorial::ReadNumberBlock(m, source);
  if (block.error.empty() && block.values.size() != static_cast<std::size_t>(m.UpperRow())) __builtin_trap();
  if (block.error.empty()) {
    const std::size_t rows = block.values.size(), cols = rows ? block.values[0].size() : 0;
    std::vector<double> u(rows, 0.0), v(cols, 0.0);
    for (std::size_t i = 0; i < rows; ++i)
      for (std::size_t j = 0; j < cols; ++j) u[i] += block.values[i][j], v[j] += block.values[i][j];
    quantorial::RasOptions ras;
    ras.maxSweeps = 200;
    for (int moved = 0; moved < 2; ++moved) {
      if (moved == 1 && rows > 1 && cols > 1) {
        u[0] += 1.0, u[1] -= 1.0;
        v[cols - 1] += 1.0, v[0] -= 1.0;
      }
      const auto r = quantorial::BalanceRas(block.values, u, v, ras, block.rowLabels, block.colLabels);
      if (r.error.empty() == r.matrix.empty()) __builtin_trap();
      if (r.error.empty() && (r.matrix.size() != rows || (rows && r.matrix[0].size() != cols))) __builtin_trap();
    }
  }

  quantorial::IoOptions io;
  if (demand.error.empty()) io.demand = demand.values;
  const auto analysis = quantorial::AnalyseIoTable(t, io);
  if (analysis.error.empty()) {
    if (analysis.outputMultipliers.size() != n || (!io.demand.empty() && analysis.outputs.size() != n)) {
      __builtin_trap();
    }
  }
  return 0;
}
