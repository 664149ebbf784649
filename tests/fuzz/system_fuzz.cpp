// Any text as a system file: the parser must accept it with a consistent statement list or
// refuse it with a message naming the line, and the expressions it keeps as text (the
// derived series and the identities, read again when the data is at hand) must read back to
// the terms it parsed. Accepted derived series are then computed on a small data table.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "systems/SystemFile.h"

namespace {

bool SameTerms(const std::vector<quantorial::LinearTerm>& a, const std::vector<quantorial::LinearTerm>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (a[k].name != b[k].name || a[k].lag != b[k].lag || a[k].coef != b[k].coef) return false;
  }
  return true;
}

// The expression text, read again, gives the same terms.
void CheckReadsBack(const std::string& expression, const std::vector<quantorial::LinearTerm>& terms) {
  std::vector<quantorial::LinearTerm> again;
  std::string error;
  if (!quantorial::ParseLinearExpression(expression, again, error)) __builtin_trap();
  if (!SameTerms(terms, again)) __builtin_trap();
}

void CheckTerm(const quantorial::LinearTerm& t) {
  if (t.name.empty() || t.lag < 0 || t.lag > 100 || !std::isfinite(t.coef)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  quantorial::SystemSpec spec;
  std::string error;
  if (!quantorial::ParseSystemFile(text, spec, error)) {
    // A refusal says why, and (but for a file without equations) on which line.
    if (error.empty()) __builtin_trap();
    if (error.rfind("line ", 0) != 0 && error != "the system has no equation") __builtin_trap();
    return 0;
  }
  if (!error.empty() || spec.equations.empty()) __builtin_trap();
  const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
  int previous = 0;
  for (const auto& eq : spec.equations) {
    if (eq.dependent.empty() || eq.regressors.empty()) __builtin_trap();
    if (eq.line <= previous || eq.line > lines) __builtin_trap();
    previous = eq.line;
    for (const auto& r : eq.regressors) CheckTerm(r);
  }
  for (const auto& id : spec.identities) {
    if (id.dependent.empty() || id.terms.empty() || id.line < 1 || id.line > lines) __builtin_trap();
    for (const auto& t : id.terms) CheckTerm(t);
    CheckReadsBack(id.expression, id.terms);
  }
  if (spec.series.size() != spec.seriesLines.size()) __builtin_trap();
  for (const auto& s : spec.series) {
    std::vector<quantorial::LinearTerm> terms;
    std::string message;
    if (s.name.empty() || !quantorial::ParseLinearExpression(s.expression, terms, message)) __builtin_trap();
  }
  for (const auto& name : spec.endogenous) {
    if (name.empty()) __builtin_trap();
  }
  for (const auto& t : spec.instruments) CheckTerm(t);
  if (spec.sample && spec.sample->first > spec.sample->second) __builtin_trap();

  // The derived series on a small table whose names a fuzzed file may well use.
  quantorial::DataTable table;
  table.years = {1920, 1921, 1922, 1923};
  table.names = {"C", "P", "W", "X", "K", "G", "a b"};
  for (std::size_t c = 0; c < table.names.size(); ++c) table.columns.push_back({1.0 + c, 2.0, 3.5, -4.0});
  if (quantorial::AddDerivedSeries(table, spec.series, error)) {
    if (table.names.size() != table.columns.size()) __builtin_trap();
    for (const auto& column : table.columns) {
      if (column.size() != table.years.size()) __builtin_trap();
    }
  } else if (error.empty()) {
    __builtin_trap();
  }
  return 0;
}
