#include "planning/LpModel.h"

#include <cmath>

#include "workspace/Random.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

const char* const kCrLf = "\r\n";

}  // namespace

LpTableModel ReadLpTable(const LabelledMatrix& t, bool withConstraints) {
  LpTableModel m;
  m.variableColumns = t.Cols() - (withConstraints ? 2 : 0);
  for (int j = 1; j <= m.variableColumns; ++j) {
    if (!IsBlank(t.Get(0, j))) m.columns.push_back(j);
  }
  for (int i = 1; i <= t.Rows(); ++i) {
    LpRow row{i, {}};
    for (int j : m.columns) {
      const auto a = ArithmeticValue(t.Get(i, j));
      if (a && *a != 0.0) row.terms.push_back({j, *a});
    }
    if (!row.terms.empty()) m.rows.push_back(std::move(row));
  }
  return m;
}

std::string LpVariableName(const LabelledMatrix& t, int j, bool useX) {
  return useX ? "X" + std::to_string(j) : CellText(t.Get(0, j));
}

bool TableHasConstraints(const LabelledMatrix& t) {
  const int C = t.Cols();
  for (int i = 1; i <= t.Rows(); ++i) {
    const std::string text = CellText(t.Get(i, C - 1));
    if (text.find_first_of("><=") != std::string::npos) return true;
  }
  return false;
}

std::string LindoModelText(const LabelledMatrix& t, bool useX, bool withConstraints, int decimals) {
  const LpTableModel m = ReadLpTable(t, withConstraints);
  const int V = m.variableColumns;
  const std::string pattern = "###0." + std::string(static_cast<std::size_t>(std::max(decimals, 0)), '0');
  std::string objective = "Maximize ";
  for (std::size_t k = 0; k < m.columns.size(); ++k) objective += (k ? " + " : "") + LpVariableName(t, m.columns[k], useX);
  std::string constraints = std::string("Subject to") + kCrLf;
  for (const LpRow& row : m.rows) {
    std::string e;
    for (const LpTerm& term : row.terms) {
      const double a = term.coefficient;
      std::string sign = a >= 0 ? " + " : " - ";
      if (e.empty() && a >= 0) sign.clear();
      e += sign + (a == 1.0 ? std::string() : FormatPattern(std::fabs(a), pattern)) + LpVariableName(t, term.column, useX);
    }
    if (withConstraints) {
      constraints += e + " " + CellText(t.Get(row.row, V + 1)) + " " + CellText(t.Get(row.row, V + 2)) + kCrLf;
    } else {
      constraints += e + " <= 0" + kCrLf;
    }
  }
  for (int j : m.columns) constraints += LpVariableName(t, j, useX) + " >= 0" + kCrLf;
  std::string list;
  if (useX) {
    list = std::string(kCrLf) + kCrLf + "!List of Variables;" + kCrLf;
    for (int j : m.columns) list += "!X" + std::to_string(j) + "  =  " + CellText(t.Get(0, j)) + ";" + kCrLf;
  }
  return objective + kCrLf + kCrLf + constraints + list;
}

std::string RandomDigits(int count) {
  static const std::string digits = std::string("94687140829384756657483920157392846") + "674839";
  RandomizeFromClock();
  std::string s;
  for (int k = 0; k < count; ++k) {
    const auto position = static_cast<std::size_t>(RoundHalfEven(Rnd() * 35 + 1));
    s += digits[position - 1];
  }
  return s;
}

}  // namespace quantorial
