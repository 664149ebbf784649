#include "planning/LpModel.h"

#include <cmath>
#include <map>

#include "workspace/Random.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

const char* const kCrLf = "\r\n";

}  // namespace

std::optional<LpRelation> ReadLpRelation(const std::string& text) {
  const std::string r = TrimBlanks(text);
  if (r == "<" || r == "<=" || r == "=<" || r == "\u2264") return LpRelation::LessEqual;
  if (r == ">" || r == ">=" || r == "=>" || r == "\u2265") return LpRelation::GreaterEqual;
  if (r == "=") return LpRelation::Equal;
  return std::nullopt;
}

const char* LpRelationText(LpRelation relation) {
  switch (relation) {
    case LpRelation::GreaterEqual: return ">=";
    case LpRelation::Equal: return "=";
    default: return "<=";
  }
}

LpTableModel ReadLpTable(const LabelledMatrix& t, bool withConstraints) {
  LpTableModel m;
  m.variableColumns = t.Cols() - (withConstraints ? 2 : 0);
  for (int j = 1; j <= m.variableColumns; ++j) {
    if (!IsBlank(t.Get(0, j))) m.columns.push_back(j);
  }
  const int V = m.variableColumns;
  for (int i = 1; i <= t.Rows(); ++i) {
    LpRow row{i, {}};
    for (int j : m.columns) {
      const auto a = ArithmeticValue(t.Get(i, j));
      if (a && *a != 0.0) row.terms.push_back({j, *a});
    }
    if (!withConstraints) {
      if (!row.terms.empty()) m.rows.push_back(std::move(row));
      continue;
    }
    const Cell& relation = t.Get(i, V + 1);
    const Cell& rhs = t.Get(i, V + 2);
    if (row.terms.empty() && IsBlank(relation) && IsBlank(rhs)) continue;  // an empty line of the table
    if (m.error.empty()) {
      // Cells as a spreadsheet names them: the labels are column A and row 1.
      const std::string where = "Row " + std::to_string(i) + " \"" + CellText(t.Get(i, 0)) + "\", cell ";
      const std::string relationCell = ColumnLetters(V + 2) + std::to_string(i + 1);
      const std::string rhsCell = ColumnLetters(V + 3) + std::to_string(i + 1);
      const auto read = ReadLpRelation(CellText(relation));
      const auto value = ArithmeticValue(rhs);
      if (IsBlank(relation)) {
        m.error = where + relationCell + ": the relation is empty; a relation is <, <=, =<, \u2264, >, >=, =>, \u2265 or =.";
      } else if (!read) {
        m.error = where + relationCell + ": \"" + CellText(relation) +
                  "\" is not a relation; a relation is <, <=, =<, \u2264, >, >=, =>, \u2265 or =.";
      } else if (IsBlank(rhs) || !value || !std::isfinite(*value)) {
        m.error = where + rhsCell + ": " + (IsBlank(rhs) ? std::string("the right-hand side is empty")
                                                          : "\"" + CellText(rhs) + "\" is not a number") +
                  "; the right-hand side must be a number.";
      } else {
        row.relation = *read;
        row.rhs = *value;
      }
    }
    m.rows.push_back(std::move(row));
  }
  return m;
}

std::string LpVariableName(const LabelledMatrix& t, int j, bool useX) {
  return useX ? "X" + std::to_string(j) : CellText(t.Get(0, j));
}

std::string LpTableProblem(const LabelledMatrix& t, const LpTableModel& m, bool useX) {
  if (!m.error.empty()) return m.error;
  std::map<std::string, int> seen;
  for (int j : m.columns) {
    const auto [at, fresh] = seen.emplace(LpVariableName(t, j, useX), j);
    if (!fresh) {
      return "Columns " + ColumnLetters(at->second + 1) + " and " + ColumnLetters(j + 1) + " are both named \"" +
             at->first + "\": give each variable its own name, or check \"Use X.. for Variable Names\".";
    }
  }
  return {};
}

bool TableHasConstraints(const LabelledMatrix& t) {
  const int C = t.Cols();
  for (int i = 1; i <= t.Rows(); ++i) {
    const std::string text = CellText(t.Get(i, C - 1));
    if (text.find_first_of("><=") != std::string::npos || text.find("\u2264") != std::string::npos ||
        text.find("\u2265") != std::string::npos) {
      return true;
    }
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
    if (row.terms.empty()) continue;  // the model text has no form for a row without a variable
    std::string e;
    for (const LpTerm& term : row.terms) {
      const double a = term.coefficient;
      std::string sign = a >= 0 ? " + " : " - ";
      if (e.empty() && a >= 0) sign.clear();
      e += sign + (a == 1.0 ? std::string() : FormatPattern(std::fabs(a), pattern)) + LpVariableName(t, term.column, useX);
    }
    if (withConstraints) {
      constraints += e + " " + LpRelationText(row.relation) + " " + CellText(t.Get(row.row, V + 2)) + kCrLf;
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
