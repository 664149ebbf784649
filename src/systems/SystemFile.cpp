#include "systems/SystemFile.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <set>
#include <sstream>

#include "systems/StructuralForm.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

// The longest line and the most lines a system file may have: a bound on hostile input.
constexpr std::size_t kMaxLineLength = 100000;
constexpr std::size_t kMaxLines = 100000;
constexpr int kMaxLag = kMaxModelLag;

enum class TokenKind { kName, kNumber, kOp };

struct Token {
  TokenKind kind;
  std::string text;
  double number = 0;
};

bool IsOpChar(char c) { return c == '+' || c == '-' || c == '*' || c == '=' || c == '(' || c == ')'; }

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// Splits a statement into names, numbers and operators. A name is a run of characters that
// are neither blanks nor operators, or a double-quoted text.
bool Tokenize(const std::string& text, std::vector<Token>& tokens, std::string& error) {
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (IsSpace(c)) {
      ++i;
    } else if (IsOpChar(c)) {
      tokens.push_back({TokenKind::kOp, std::string(1, c)});
      ++i;
    } else if (c == '"') {
      const std::size_t end = text.find('"', i + 1);
      if (end == std::string::npos) {
        error = "a quoted name is not closed";
        return false;
      }
      if (end == i + 1) {
        error = "a quoted name is empty";
        return false;
      }
      tokens.push_back({TokenKind::kName, text.substr(i + 1, end - i - 1)});
      i = end + 1;
    } else if ((c >= '0' && c <= '9') || c == '.') {
      double value = 0.0;
      const std::size_t length = DecimalPrefix(std::string_view(text).substr(i), value);
      if (length == 0 || !std::isfinite(value)) {
        error = "\"" + text.substr(i, 20) + "\" is not a number";
        return false;
      }
      std::size_t end = i + length;
      if (end < text.size() && !IsSpace(text[end]) && !IsOpChar(text[end])) {
        std::size_t stopAt = end;
        while (stopAt < text.size() && !IsSpace(text[stopAt]) && !IsOpChar(text[stopAt])) ++stopAt;
        error = "\"" + text.substr(i, stopAt - i) + "\" is not a number";
        return false;
      }
      Token token{TokenKind::kNumber, text.substr(i, length)};
      token.number = value;
      tokens.push_back(token);
      i = end;
    } else {
      std::size_t end = i;
      while (end < text.size() && !IsSpace(text[end]) && !IsOpChar(text[end]) && text[end] != '"') ++end;
      tokens.push_back({TokenKind::kName, text.substr(i, end - i)});
      i = end;
    }
  }
  return true;
}

bool IsOp(const std::vector<Token>& tokens, std::size_t at, char op) {
  return at < tokens.size() && tokens[at].kind == TokenKind::kOp && tokens[at].text[0] == op;
}

// Reads "NAME" or "NAME(-k)" at `at`; a number 0 reads as "const" when `zeroIsConst`.
bool ReadVariable(const std::vector<Token>& tokens, std::size_t& at, LinearTerm& term, std::string& error) {
  if (at >= tokens.size() || tokens[at].kind != TokenKind::kName) {
    error = at < tokens.size() ? "\"" + tokens[at].text + "\" is not a name" : "a name is missing";
    return false;
  }
  term.name = tokens[at].text;
  term.lag = 0;
  ++at;
  if (IsOp(tokens, at, '(')) {
    if (!IsOp(tokens, at + 1, '-') || at + 2 >= tokens.size() || tokens[at + 2].kind != TokenKind::kNumber ||
        !IsOp(tokens, at + 3, ')')) {
      error = "the lag of " + term.name + " is not written as " + term.name + "(-k)";
      return false;
    }
    const double k = tokens[at + 2].number;
    if (k < 1 || k > kMaxLag || k != std::floor(k)) {
      error = "the lag of " + term.name + " must be a whole number from 1 to " + std::to_string(kMaxLag);
      return false;
    }
    term.lag = static_cast<int>(k);
    at += 4;
  }
  return true;
}

bool ParseTerms(const std::vector<Token>& tokens, std::size_t at, std::vector<LinearTerm>& terms, std::string& error) {
  if (at >= tokens.size()) {
    error = "the expression is empty";
    return false;
  }
  bool first = true;
  while (at < tokens.size()) {
    double sign = 1;
    if (IsOp(tokens, at, '+') || IsOp(tokens, at, '-')) {
      sign = tokens[at].text[0] == '-' ? -1 : 1;
      ++at;
    } else if (!first) {
      error = "\"" + tokens[at].text + "\" must be preceded by + or -";
      return false;
    }
    first = false;
    LinearTerm term;
    if (at < tokens.size() && tokens[at].kind == TokenKind::kNumber) {
      const double number = tokens[at].number;
      ++at;
      if (IsOp(tokens, at, '*')) {
        ++at;
        if (!ReadVariable(tokens, at, term, error)) return false;
        term.coef = sign * number;
      } else {
        term.name = "const";
        term.coef = sign * number;
      }
    } else {
      if (!ReadVariable(tokens, at, term, error)) return false;
      term.coef = sign;
      if (IsOp(tokens, at, '*')) {
        if (at + 1 >= tokens.size() || tokens[at + 1].kind != TokenKind::kNumber) {
          error = "a number must follow " + term.name + "*";
          return false;
        }
        term.coef *= tokens[at + 1].number;
        at += 2;
      }
    }
    terms.push_back(term);
  }
  return true;
}

// True when `name`, written bare, would not read back as that one name: it is empty, holds a
// blank, an operator, a quote or a #, or starts like a number.
bool NeedsQuotes(const std::string& name) {
  if (name.empty() || (name[0] >= '0' && name[0] <= '9') || name[0] == '.') return true;
  for (char c : name) {
    if (IsSpace(c) || IsOpChar(c) || c == '"' || c == '#') return true;
  }
  return false;
}

// The tokens from `from` on as expression text that reads back to the same tokens: names
// quoted where they need it, blanks between terms and none inside "P(-1)" or "2*P".
std::string JoinTokens(const std::vector<Token>& tokens, std::size_t from) {
  std::string text;
  for (std::size_t i = from; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    const bool glued = i == from || IsOp(tokens, i, '(') || IsOp(tokens, i, ')') || IsOp(tokens, i, '*') ||
                       IsOp(tokens, i - 1, '(') || IsOp(tokens, i - 1, '*') ||
                       (i >= from + 2 && IsOp(tokens, i - 1, '-') && IsOp(tokens, i - 2, '('));
    if (!glued) text += ' ';
    text += t.kind == TokenKind::kName && NeedsQuotes(t.text) ? "\"" + t.text + "\"" : t.text;
  }
  return text;
}

bool ParseYear(const Token& token, int& year) {
  if (token.kind != TokenKind::kNumber || token.number != std::floor(token.number) || std::fabs(token.number) > 1e7) {
    return false;
  }
  year = static_cast<int>(token.number);
  return true;
}

}  // namespace

std::string DataTable::DescribeMissing(int column, int row) const {
  if (!origin || column < 0 || column >= static_cast<int>(origin->names.size()) ||
      origin->names[static_cast<std::size_t>(column)] != names[static_cast<std::size_t>(column)])
    return {};
  return origin->DescribeMissing(column, row);
}

bool DataTableFromSeries(const TimeSeriesTable& series, DataTable& data, std::string& error) {
  data = DataTable{};
  if (series.frequency != Frequency::kAnnual) {
    error = series.source + ": the periods are " +
            (series.frequency == Frequency::kQuarterly ? std::string("quarters") : std::string("months")) + " (" +
            series.Label(0) + "); a system is estimated on annual data";
    return false;
  }
  for (int r = 0; r < series.Periods(); ++r) data.years.push_back(series.Year(r));
  data.names = series.names;
  data.columns = series.columns;
  data.origin = std::make_shared<const TimeSeriesTable>(series);
  return true;
}

int DataTable::Find(const std::string& name) const {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == name) return static_cast<int>(i);
  }
  return -1;
}

std::string LaggedName(const std::string& name, int lag) {
  const std::string written = name.find_first_of(" \t") != std::string::npos ? "\"" + name + "\"" : name;
  return lag == 0 ? written : written + "(-" + std::to_string(lag) + ")";
}

bool ParseLinearExpression(const std::string& text, std::vector<LinearTerm>& terms, std::string& error) {
  std::vector<Token> tokens;
  if (!Tokenize(text, tokens, error)) return false;
  return ParseTerms(tokens, 0, terms, error);
}

bool ParseSystemFile(const std::string& text, SystemSpec& spec, std::string& error) {
  spec = SystemSpec{};
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    const std::string where = "line " + std::to_string(number) + ": ";
    if (static_cast<std::size_t>(number) > kMaxLines) {
      error = where + "the system file has more than " + std::to_string(kMaxLines) + " lines";
      return false;
    }
    if (line.size() > kMaxLineLength) {
      error = where + "the line is longer than " + std::to_string(kMaxLineLength) + " characters";
      return false;
    }
    // A byte order mark before the first statement is no part of it.
    if (number == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    // A comment starts at a # outside a quoted name.
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '"') quoted = !quoted;
      if (line[i] == '#' && !quoted) {
        line.resize(i);
        break;
      }
    }
    // `sample FIRST:LAST` reads as `sample FIRST LAST`, as the command line writes it.
    {
      const std::size_t start = line.find_first_not_of(" \t");
      if (start != std::string::npos && line.compare(start, 6, "sample") == 0 &&
          (line.size() == start + 6 || IsSpace(line[start + 6]))) {
        const std::size_t colon = line.find(':', start + 6);
        if (colon != std::string::npos) line[colon] = ' ';
      }
    }
    std::vector<Token> tokens;
    std::string message;
    if (!Tokenize(line, tokens, message)) {
      error = where + message;
      return false;
    }
    if (tokens.empty()) continue;
    if (tokens[0].kind != TokenKind::kName) {
      error = where + "a statement starts with equation, identity, series, endog, instr or sample";
      return false;
    }
    const std::string keyword = tokens[0].text;
    if (keyword == "equation") {
      EquationStatement eq;
      eq.line = number;
      std::size_t at = 1;
      LinearTerm dep;
      if (!ReadVariable(tokens, at, dep, message) || dep.lag != 0) {
        error = where + (message.empty() ? "the dependent variable of an equation cannot be lagged" : message);
        return false;
      }
      eq.dependent = dep.name;
      if (at >= tokens.size()) {
        error = where + "the equation for " + eq.dependent + " has no regressors";
        return false;
      }
      std::set<std::pair<std::string, int>> listed;  // the regressors so far, by name and lag
      while (at < tokens.size()) {
        LinearTerm reg;
        if (tokens[at].kind == TokenKind::kNumber && tokens[at].number == 0) {
          reg.name = "const";
          ++at;
        } else if (!ReadVariable(tokens, at, reg, message)) {
          error = where + message;
          return false;
        }
        if (!listed.emplace(reg.name, reg.lag).second) {
          error = where + LaggedName(reg.name, reg.lag) + " is listed twice in the equation for " + eq.dependent;
          return false;
        }
        if (reg.name == eq.dependent && reg.lag == 0) {
          error = where + eq.dependent + " cannot explain itself";
          return false;
        }
        eq.regressors.push_back(reg);
      }
      spec.equations.push_back(eq);
    } else if (keyword == "identity" || keyword == "series") {
      std::size_t at = 1;
      LinearTerm lhs;
      if (!ReadVariable(tokens, at, lhs, message)) {
        error = where + message;
        return false;
      }
      if (lhs.lag != 0) {
        error = where + "the left-hand side of " + keyword + " " + lhs.name + " cannot be lagged";
        return false;
      }
      if (!IsOp(tokens, at, '=')) {
        error = where + keyword + " " + lhs.name + " needs \"=\" after its name";
        return false;
      }
      ++at;
      std::vector<LinearTerm> terms;
      if (!ParseTerms(tokens, at, terms, message)) {
        error = where + message;
        return false;
      }
      if (keyword == "identity") {
        for (const LinearTerm& t : terms) {
          if (t.name == "year") {
            error = where + "an identity cannot use year; define a series for it";
            return false;
          }
        }
        spec.identities.push_back({lhs.name, terms, JoinTokens(tokens, at), number});
      } else {
        spec.series.push_back({lhs.name, JoinTokens(tokens, at)});
        spec.seriesLines.push_back(number);
      }
    } else if (keyword == "endog" || keyword == "instr") {
      if (tokens.size() < 2) {
        error = where + keyword + " lists no names";
        return false;
      }
      std::size_t at = 1;
      std::vector<LinearTerm> names;
      while (at < tokens.size()) {
        LinearTerm name;
        if (keyword == "instr" && tokens[at].kind == TokenKind::kNumber && tokens[at].number == 0) {
          name.name = "const";
          ++at;
        } else if (!ReadVariable(tokens, at, name, message)) {
          error = where + message;
          return false;
        }
        if (keyword == "endog" && name.lag != 0) {
          error = where + "an endogenous variable cannot be lagged: " + LaggedName(name.name, name.lag);
          return false;
        }
        names.push_back(name);
      }
      if (keyword == "endog") {
        if (spec.endogLine != 0) {
          error = where + "endog is given twice (first on line " + std::to_string(spec.endogLine) + ")";
          return false;
        }
        spec.endogLine = number;
        for (const LinearTerm& n : names) spec.endogenous.push_back(n.name);
      } else {
        if (spec.instrLine != 0) {
          error = where + "instr is given twice (first on line " + std::to_string(spec.instrLine) + ")";
          return false;
        }
        spec.instrLine = number;
        spec.instruments = names;
      }
    } else if (keyword == "sample") {
      int first = 0, last = 0;
      if (tokens.size() != 3 || !ParseYear(tokens[1], first) || !ParseYear(tokens[2], last)) {
        error = where + "sample takes two years: sample FIRST LAST (or FIRST:LAST)";
        return false;
      }
      if (first > last) {
        error =
            where + "the sample's first year " + std::to_string(first) + " is after its last " + std::to_string(last);
        return false;
      }
      spec.sample = std::make_pair(first, last);
    } else {
      error = where + "\"" + keyword + "\" is not a statement (equation, identity, series, endog, instr, sample)";
      return false;
    }
  }
  if (spec.equations.empty()) {
    error = "the system has no equation";
    return false;
  }
  return true;
}

bool EvaluateTerms(const DataTable& data, const std::vector<LinearTerm>& terms, int row, double& value,
                   std::string& error) {
  value = 0;
  for (const LinearTerm& t : terms) {
    if (t.name == "const" || t.name.empty()) {
      value += t.coef;
      continue;
    }
    const int source = row - t.lag;
    if (source < 0) {
      error = "the lag " + LaggedName(t.name, t.lag) + " reaches before the first row of the data (" +
              std::to_string(data.years.front()) + ")";
      return false;
    }
    if (t.name == "year" && data.Find("year") < 0) {
      value += t.coef * data.years[source];
      continue;
    }
    const int column = data.Find(t.name);
    if (column < 0) {
      error = "the data has no series " + t.name;
      return false;
    }
    value += t.coef * data.columns[column][source];
  }
  return true;
}

bool AddDerivedSeries(DataTable& data, const std::vector<SeriesDefinition>& series, std::string& error) {
  for (const SeriesDefinition& def : series) {
    std::vector<LinearTerm> terms;
    std::string message;
    if (!ParseLinearExpression(def.expression, terms, message)) {
      error = "series " + def.name + ": " + message;
      return false;
    }
    for (const LinearTerm& t : terms) {
      if (t.name != "const" && t.name != "year" && data.Find(t.name) < 0) {
        error = "series " + def.name + ": the data has no series " + t.name;
        return false;
      }
    }
    std::vector<double> values(data.years.size(), std::numeric_limits<double>::quiet_NaN());
    for (std::size_t row = 0; row < data.years.size(); ++row) {
      double v = 0;
      if (EvaluateTerms(data, terms, static_cast<int>(row), v, message)) values[row] = v;
    }
    const int existing = data.Find(def.name);
    if (existing >= 0) {
      data.columns[existing] = values;
    } else {
      data.names.push_back(def.name);
      data.columns.push_back(values);
    }
  }
  return true;
}

namespace {

// Splits one CSV record (commas, double quotes with "" inside).
std::vector<std::string> SplitCsvLine(const std::string& line) {
  std::vector<std::string> cells;
  std::string cell;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        cell += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cell += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      cells.push_back(cell);
      cell.clear();
    } else if (c != '\r') {
      cell += c;
    }
  }
  cells.push_back(cell);
  for (std::string& s : cells) {
    while (!s.empty() && IsSpace(s.back())) s.pop_back();
    std::size_t start = 0;
    while (start < s.size() && IsSpace(s[start])) ++start;
    s.erase(0, start);
  }
  return cells;
}

bool ParseCellNumber(const std::string& text, double& value) {
  // The number form every locale reads alike; blanks around it and a sign are taken, a
  // hexadecimal form ("0x2D") is a text.
  const auto v = WholeNumber(text);
  if (!v || !std::isfinite(*v)) return false;
  value = *v;
  return true;
}

}  // namespace

bool ParseDataTable(const std::string& text, DataTable& data, std::string& error) {
  constexpr std::size_t kMaxColumns = 10000;
  constexpr std::size_t kMaxRows = 1000000;
  data = DataTable{};
  std::istringstream in(text);
  std::string line;
  std::size_t row = 0;
  bool haveHeader = false;
  while (std::getline(in, line)) {
    ++row;
    if (row == 1 && line.size() >= 3 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    if (line.find_first_not_of(" \t\r,") == std::string::npos) continue;
    std::vector<std::string> cells = SplitCsvLine(line);
    if (!haveHeader) {
      haveHeader = true;
      if (cells.size() < 2) {
        error = "row " + std::to_string(row) + ": the header needs the year column and at least one series";
        return false;
      }
      if (cells.size() > kMaxColumns) {
        error = "row " + std::to_string(row) + ": more than " + std::to_string(kMaxColumns) + " columns";
        return false;
      }
      for (std::size_t c = 1; c < cells.size(); ++c) {
        if (cells[c].empty()) {
          error = "row " + std::to_string(row) + ", column " + std::to_string(c + 1) + ": the series has no name";
          return false;
        }
        if (data.Find(cells[c]) >= 0) {
          error = "row " + std::to_string(row) + ", column " + std::to_string(c + 1) + ": the name " + cells[c] +
                  " is used twice";
          return false;
        }
        data.names.push_back(cells[c]);
      }
      data.columns.assign(data.names.size(), {});
      continue;
    }
    if (data.years.size() >= kMaxRows) {
      error = "more than " + std::to_string(kMaxRows) + " rows";
      return false;
    }
    if (cells.size() != data.names.size() + 1) {
      error = "row " + std::to_string(row) + ": " + std::to_string(cells.size()) + " cells where the header has " +
              std::to_string(data.names.size() + 1);
      return false;
    }
    double year = 0;
    if (!ParseCellNumber(cells[0], year) || year != std::floor(year) || std::fabs(year) > 1e7) {
      error = "row " + std::to_string(row) + ", column 1: \"" + cells[0] + "\" is not a year";
      return false;
    }
    if (!data.years.empty() && static_cast<int>(year) != data.years.back() + 1) {
      error = "row " + std::to_string(row) + ", column 1: the year " + cells[0] + " does not follow " +
              std::to_string(data.years.back());
      return false;
    }
    data.years.push_back(static_cast<int>(year));
    for (std::size_t c = 1; c < cells.size(); ++c) {
      double v = 0;
      if (!ParseCellNumber(cells[c], v)) {
        error = "row " + std::to_string(row) + ", column " + std::to_string(c + 1) + " (" + data.names[c - 1] +
                "): \"" + cells[c] + "\" is not a number";
        return false;
      }
      data.columns[c - 1].push_back(v);
    }
  }
  if (data.names.empty()) {
    error = "the data file has no header row";
    return false;
  }
  if (data.years.empty()) {
    error = "the data file has no rows of data";
    return false;
  }
  return true;
}

}  // namespace quantorial
