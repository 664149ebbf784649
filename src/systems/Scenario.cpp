#include "systems/Scenario.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

const char* const kScenarioForm = "expected `VAR YEARS (+|-|*|=) VALUE` or `EQUATION YEARS addfactor VALUE`";

// Splits a line into words at blanks; a word in double quotes keeps its blanks. False on an
// unclosed quote.
bool SplitWords(std::string_view line, std::vector<std::string>& words) {
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    std::string word;
    if (line[i] == '"') {
      const auto close = line.find('"', i + 1);
      if (close == std::string_view::npos) return false;
      word = std::string(line.substr(i + 1, close - i - 1));
      i = close + 1;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') word += line[i++];
    }
    words.push_back(std::move(word));
  }
  return true;
}

bool ReadNumber(const std::string& text, double& v) {
  if (text.empty() || text.size() > 64) return false;
  const auto number = WholeNumber(text);  // the same in every locale
  if (!number || !std::isfinite(*number)) return false;
  v = *number;
  return true;
}

bool ReadYear(const std::string& text, int& y) {
  if (text.empty() || text.size() > 7) return false;
  std::size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  for (std::size_t k = i; k < text.size(); ++k)
    if (text[k] < '0' || text[k] > '9') return false;
  y = std::stoi(text);
  return true;
}

std::string LowerCase(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

}  // namespace

ScenarioParseOutcome ParseScenario(std::string_view text, const std::string& fileName) {
  ScenarioParseOutcome out;
  if (text.size() > kMaxScenarioBytes) {
    out.error = fileName + ": the scenario file is larger than " + std::to_string(kMaxScenarioBytes >> 20) + " MB.";
    return out;
  }
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  Scenario sc;
  int lineNo = 0;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    auto eol = text.find('\n', pos);
    if (eol == std::string_view::npos) eol = text.size();
    std::string_view line = text.substr(pos, eol - pos);
    pos = eol + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (const auto hash = line.find('#'); hash != std::string_view::npos) {
      // A # inside quotes belongs to the name.
      std::size_t quotes = 0;
      for (std::size_t k = 0; k < hash; ++k) quotes += line[k] == '"';
      if (quotes % 2 == 0) line = line.substr(0, hash);
    }
    auto fail = [&](const std::string& why) {
      out.error = fileName + " line " + std::to_string(lineNo) + ": " + why + ".";
      return out;
    };
    std::vector<std::string> w;
    if (!SplitWords(line, w)) return fail("a double quote is not closed");
    if (w.empty()) continue;
    if (w.size() < 3 || w.size() > 4) return fail(kScenarioForm);
    ScenarioChange ch;
    ch.line = lineNo;
    ch.name = w[0];
    if (ch.name.empty()) return fail("the variable has no name");
    const std::string years = w[1];
    const auto colon = years.find(':');
    if (colon == std::string::npos) {
      if (!ReadYear(years, ch.first)) return fail("\"" + years + "\" is not a year or FIRST:LAST");
      ch.last = ch.first;
    } else if (!ReadYear(years.substr(0, colon), ch.first) || !ReadYear(years.substr(colon + 1), ch.last)) {
      return fail("\"" + years + "\" is not a year or FIRST:LAST");
    }
    if (ch.last < ch.first) return fail("the years " + years + " run backwards");
    if (ch.last - ch.first >= kMaxScenarioSpan) return fail("the years " + years + " span too long a period");
    std::string op, value;
    if (w.size() == 4) {
      op = w[2];
      value = w[3];
    } else if (LowerCase(w[2]) == "addfactor") {
      return fail("addfactor needs a value");
    } else if (w[2].empty()) {
      return fail(kScenarioForm);  // "" where the operator and value belong
    } else {
      op = w[2].substr(0, 1);
      value = w[2].substr(1);
    }
    if (LowerCase(op) == "addfactor")
      ch.kind = ScenarioChange::Kind::AddFactor;
    else if (op == "+")
      ch.kind = ScenarioChange::Kind::Add;
    else if (op == "-")
      ch.kind = ScenarioChange::Kind::Subtract;
    else if (op == "*")
      ch.kind = ScenarioChange::Kind::Multiply;
    else if (op == "=")
      ch.kind = ScenarioChange::Kind::Set;
    else
      return fail(kScenarioForm);
    if (!ReadNumber(value, ch.value)) return fail("\"" + value + "\" is not a number");
    if (sc.changes.size() >= kMaxScenarioChanges)
      return fail("the file has more than " + std::to_string(kMaxScenarioChanges) + " changes");
    sc.changes.push_back(std::move(ch));
  }
  out.scenario = std::move(sc);
  return out;
}

ScenarioApplyOutcome ApplyScenario(const StructuralForm& form, const SeriesTable& data, const Scenario& scenario,
                                   const std::string& fileName) {
  ScenarioApplyOutcome out;
  ScenarioInputs in{data, {}};
  for (const auto& ch : scenario.changes) {
    const std::string where = fileName + " line " + std::to_string(ch.line) + ": ";
    if (ch.first < data.FirstYear() || ch.last > data.LastYear()) {
      out.error = where + "the years " + std::to_string(ch.first) + "–" + std::to_string(ch.last) +
                  " lie outside the data and forecast (" + std::to_string(data.FirstYear()) + "–" +
                  std::to_string(data.LastYear()) + ").";
      return out;
    }
    if (ch.kind == ScenarioChange::Kind::AddFactor) {
      if (form.EndogenousIndex(ch.name) < 0) {
        out.error = where + ch.name + " is not an endogenous variable of the model, so it has no equation.";
        return out;
      }
      for (int y = ch.first; y <= ch.last; ++y) in.addFactors[ch.name][y] += ch.value;
      continue;
    }
    // A variable is exogenous when the model has it, or only its lags, among its columns.
    const auto isExogenous = [&form](const std::string& variable) {
      bool found = form.ExogenousIndex(variable) >= 0;
      for (const auto& name : form.exogenous) {
        std::string base;
        int lag = 0;
        if (SplitLagName(name, base, lag) && base == variable) found = true;
      }
      return found;
    };
    // A lagged column is read from its variable's earlier years, never from a column of its
    // own, so a change to it would be lost.
    std::string base;
    int lag = 0;
    if (SplitLagName(ch.name, base, lag) && isExogenous(base)) {
      out.error = where + ch.name + " is a lag of " + base + "; change " + base + " instead.";
      return out;
    }
    if (!isExogenous(ch.name)) {
      out.error =
          where + ch.name +
          (form.EndogenousIndex(ch.name) >= 0 ? " is endogenous; change its equation with addfactor."
                                              : (ch.name == "const" ? " is the constant and cannot be changed."
                                                                    : " is not an exogenous variable of the model."));
      return out;
    }
    if (ch.name == "const") {
      out.error = where + "const is the constant and cannot be changed.";
      return out;
    }
    for (int y = ch.first; y <= ch.last; ++y) {
      const double old = in.data.Value(ch.name, y);
      if (std::isnan(old) && ch.kind != ScenarioChange::Kind::Set) {
        out.error = where + ch.name + " has no value in " + std::to_string(y) + " to change.";
        return out;
      }
      double v = ch.value;
      switch (ch.kind) {
        case ScenarioChange::Kind::Add:
          v = old + ch.value;
          break;
        case ScenarioChange::Kind::Subtract:
          v = old - ch.value;
          break;
        case ScenarioChange::Kind::Multiply:
          v = old * ch.value;
          break;
        default:
          break;
      }
      in.data.Set(ch.name, y, v);
    }
  }
  out.inputs = std::move(in);
  return out;
}

ScenarioOutcome CompareScenario(const StructuralForm& form, const SeriesTable& data, const Scenario& scenario,
                                const std::string& fileName, const SimulationOptions& options) {
  ScenarioOutcome out;
  auto applied = ApplyScenario(form, data, scenario, fileName);
  if (!applied.inputs) {
    out.error = applied.error;
    return out;
  }
  auto base = Simulate(form, data, options);
  if (!base.result) {
    out.error = base.error;
    return out;
  }
  SimulationOptions scenOptions = options;
  for (const auto& [name, byYear] : applied.inputs->addFactors)
    for (const auto& [year, v] : byYear) scenOptions.addFactors[name][year] += v;
  auto scen = Simulate(form, applied.inputs->data, scenOptions);
  if (!scen.result) {
    out.error = scen.error;
    return out;
  }
  ScenarioComparison cmp{std::move(*base.result), std::move(*scen.result), {}};
  for (std::size_t r = 0; r < cmp.base.values.size(); ++r) {
    std::vector<double> d(cmp.base.values[r].size());
    for (std::size_t i = 0; i < d.size(); ++i) d[i] = cmp.scenario.values[r][i] - cmp.base.values[r][i];
    cmp.difference.push_back(std::move(d));
  }
  out.result = std::move(cmp);
  return out;
}

}  // namespace quantorial
