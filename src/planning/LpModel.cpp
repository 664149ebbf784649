#include "planning/LpModel.h"

#include <utf8proc.h>

#include <array>
#include <cmath>
#include <cstdlib>
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
    case LpRelation::GreaterEqual:
      return ">=";
    case LpRelation::Equal:
      return "=";
    default:
      return "<=";
  }
}

LpTableModel ReadLpTable(const LabelledMatrix& t, bool withConstraints) {
  LpTableModel m;
  m.variableColumns = t.UpperCol() - (withConstraints ? 2 : 0);
  for (int j = 1; j <= m.variableColumns; ++j) {
    if (!IsBlank(t.Get(0, j))) m.columns.push_back(j);
  }
  const int V = m.variableColumns;
  m.kinds.assign(static_cast<std::size_t>(std::max(V, 0)) + 1, 'c');
  m.typeRow = t.UpperRow() >= 1 && UpperCase(TrimBlanks(CellText(t.Get(1, 0)))) == "TYPE";
  if (m.typeRow) {
    for (int j : m.columns) {
      const std::string kind = UpperCase(TrimBlanks(CellText(t.Get(1, j))));
      if (kind == "INT" || kind == "BIN") {
        m.kinds[static_cast<std::size_t>(j)] = kind == "INT" ? 'i' : 'b';
      } else if (!kind.empty() && m.error.empty()) {
        m.error = "Row 1 \"" + CellText(t.Get(1, 0)) + "\", cell " + ColumnLetters(j + 1) + "2: \"" +
                  CellText(t.Get(1, j)) + "\" is not a variable type; a type is int, bin or nothing.";
      }
    }
  }
  for (int i = m.typeRow ? 2 : 1; i <= t.UpperRow(); ++i) {
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
        m.error =
            where + relationCell + ": the relation is empty; a relation is <, <=, =<, \u2264, >, >=, =>, \u2265 or =.";
      } else if (!read) {
        m.error = where + relationCell + ": \"" + CellText(relation) +
                  "\" is not a relation; a relation is <, <=, =<, \u2264, >, >=, =>, \u2265 or =.";
      } else if (IsBlank(rhs) || !value || !std::isfinite(*value)) {
        m.error =
            where + rhsCell + ": " +
            (IsBlank(rhs) ? std::string("the right-hand side is empty") : "\"" + CellText(rhs) + "\" is not a number") +
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

std::string LpFileName(const std::string& name) {
  // Letters without their accents (Ölsaat reads Olsaat); text that is not UTF-8 is taken byte
  // by byte, and every byte beyond ASCII becomes '_' below.
  std::string plain = name;
  utf8proc_uint8_t* mapped = nullptr;
  const utf8proc_ssize_t n =
      utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(name.data()), static_cast<utf8proc_ssize_t>(name.size()),
                   &mapped, static_cast<utf8proc_option_t>(UTF8PROC_DECOMPOSE | UTF8PROC_STRIPMARK | UTF8PROC_COMPAT));
  if (n >= 0 && mapped) plain.assign(reinterpret_cast<const char*>(mapped), static_cast<std::size_t>(n));
  std::free(mapped);
  // One '_' for every character that is not kept (a letter of two bytes is one character).
  std::string out;
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(plain.data());
  for (std::size_t i = 0; i < plain.size();) {
    utf8proc_int32_t code = 0;
    const utf8proc_ssize_t len = utf8proc_iterate(bytes + i, static_cast<utf8proc_ssize_t>(plain.size() - i), &code);
    const char c = plain[i];
    i += len > 0 ? static_cast<std::size_t>(len) : 1;
    const bool kept =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
    out += kept ? c : '_';
  }
  static constexpr std::array<const char*, 26> kWords = {
      "MINIMIZE", "MINIMUM", "MIN",      "MAXIMIZE", "MAXIMUM", "MAX",      "SUBJECT",  "SUCH",    "ST",
      "S.T.",     "ST.",     "BOUNDS",   "BOUND",    "GENERAL", "GENERALS", "GEN",      "INTEGER", "INTEGERS",
      "INT",      "BINARY",  "BINARIES", "BIN",      "END",     "FREE",     "INFINITY", "INF"};
  std::string upper;
  for (const char c : out) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  bool word = false;
  for (const char* w : kWords) word = word || upper == w;
  const bool exponent = out.size() >= 2 && (out[0] == 'e' || out[0] == 'E') && out[1] >= '0' && out[1] <= '9';
  if (out.empty() || (out[0] >= '0' && out[0] <= '9') || out[0] == '.' || exponent || word) out = "x_" + out;
  if (out.size() > 255) out.resize(255);
  return out;
}

std::vector<std::string> LpFileNames(const LabelledMatrix& t, const LpTableModel& m, bool useX, std::string& problem) {
  problem.clear();
  std::vector<std::string> names;
  std::map<std::string, int> seen;
  for (int j : m.columns) {
    names.push_back(LpFileName(LpVariableName(t, j, useX)));
    const auto [at, fresh] = seen.emplace(names.back(), j);
    if (!fresh && problem.empty()) {
      problem = "Columns " + ColumnLetters(at->second + 1) + " and " + ColumnLetters(j + 1) + ", named \"" +
                LpVariableName(t, at->second, useX) + "\" and \"" + LpVariableName(t, j, useX) +
                "\", would both be written \"" + at->first +
                "\" in the model file (names there keep to letters without accents, digits, _ and .): give them names "
                "that differ there, or check \"Use X.. for Variable Names\".";
    }
  }
  return names;
}

bool TableHasConstraints(const LabelledMatrix& t) {
  const int C = t.UpperCol();
  // A last-but-one column of words and no numbers is a relation column whose every relation
  // is misspelt ("ge"): read as one, it stops the commands with the cell named, where read
  // as a variable it would quietly drop every constraint.
  bool words = false, numbers = false;
  for (int i = 1; i <= t.UpperRow(); ++i) {
    const Cell c = t.Get(i, C - 1);
    const std::string text = CellText(c);
    if (text.find_first_of("><=") != std::string::npos || text.find("\u2264") != std::string::npos ||
        text.find("\u2265") != std::string::npos) {
      return true;
    }
    if (ArithmeticValue(c)) {
      numbers = true;
    } else if (!TrimBlanks(text).empty()) {
      words = true;
    }
  }
  return C >= 2 && words && !numbers;
}

std::string LindoModelText(const LabelledMatrix& t, bool useX, bool withConstraints, int decimals) {
  const LpTableModel m = ReadLpTable(t, withConstraints);
  const int V = m.variableColumns;
  const std::string pattern = "###0." + std::string(static_cast<std::size_t>(std::max(decimals, 0)), '0');
  std::string objective = "Maximize ";
  for (std::size_t k = 0; k < m.columns.size(); ++k)
    objective += (k ? " + " : "") + LpVariableName(t, m.columns[k], useX);
  std::string constraints = std::string("Subject to") + kCrLf;
  for (const LpRow& row : m.rows) {
    if (row.terms.empty()) continue;  // the model text has no form for a row without a variable
    std::string e;
    for (const LpTerm& term : row.terms) {
      const double a = term.coefficient;
      std::string sign = a >= 0 ? " + " : " - ";
      if (e.empty() && a >= 0) sign.clear();
      e += sign + (a == 1.0 ? std::string() : FormatPattern(std::fabs(a), pattern)) +
           LpVariableName(t, term.column, useX);
    }
    if (withConstraints) {
      constraints += e + " " + LpRelationText(row.relation) + " " + CellText(t.Get(row.row, V + 2)) + kCrLf;
    } else {
      constraints += e + " <= 0" + kCrLf;
    }
  }
  for (int j : m.columns) constraints += LpVariableName(t, j, useX) + " >= 0" + kCrLf;
  // Whole-number variables as the model text marks them: GIN general integers, INT binaries.
  for (int j : m.columns) {
    const char kind = m.kinds[static_cast<std::size_t>(j)];
    if (kind != 'c') constraints += std::string(kind == 'b' ? "INT " : "GIN ") + LpVariableName(t, j, useX) + kCrLf;
  }
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
