// Any text as a scenario file: the parser must give changes within its limits or a message
// naming the file (and the line), never throw; the changes it gives are then applied to a
// small model, which must change only the years and variables they name.

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "systems/Scenario.h"

namespace {

quantorial::StructuralForm SmallForm() {
  quantorial::StructuralForm f;
  f.endogenous = {"y1", "y2"};
  f.exogenous = {"const", "x", "a b", "x(-1)"};
  f.lagged = {{"y1(-1)", 0, 1}};
  f.gamma = {{1, -0.5}, {-0.5, 1}};
  f.lagCoefficients = {{0.5}, {0}};
  f.exoCoefficients = {{1, 1, 0.5, 0.25}, {0, 0, 0, 0}};
  return f;
}

quantorial::SeriesTable SmallData() {
  quantorial::SeriesTable t;
  t.years = {2000, 2001, 2002, 2003};
  t.names = {"x", "a b", "y1", "y2"};
  t.columns = {{1, 2, 3, 4}, {0.5, std::nan(""), 1, 2}, {4, 6, 9, 10}, {2, 3, 4, 5}};
  return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string file = "s.txt";
  const auto parsed = quantorial::ParseScenario(text, file);
  if (!parsed.scenario) {
    if (parsed.error.rfind(file + " line ", 0) != 0 && parsed.error.rfind(file + ": ", 0) != 0) __builtin_trap();
    return 0;
  }
  if (!parsed.error.empty()) __builtin_trap();
  const auto& changes = parsed.scenario->changes;
  if (changes.size() > quantorial::kMaxScenarioChanges) __builtin_trap();
  int previous = 0;
  for (const auto& ch : changes) {
    if (ch.name.empty() || ch.line <= previous || !std::isfinite(ch.value)) __builtin_trap();
    if (ch.first > ch.last || ch.last - ch.first >= quantorial::kMaxScenarioSpan) __builtin_trap();
    previous = ch.line;
  }

  const auto form = SmallForm();
  const auto table = SmallData();
  const auto applied = quantorial::ApplyScenario(form, table, *parsed.scenario, file);
  if (!applied.inputs) {
    if (applied.error.rfind(file + " line ", 0) != 0) __builtin_trap();
    return 0;
  }
  // The changed table has the same years and variables; only the named exogenous ones
  // change, and add-factors are for endogenous variables within the table's years.
  const auto& out = applied.inputs->data;
  if (out.years != table.years || out.names != table.names) __builtin_trap();
  for (std::size_t c = 0; c < table.names.size(); ++c) {
    if (out.columns[c].size() != table.years.size()) __builtin_trap();
    bool named = false;
    for (const auto& ch : changes) named = named || ch.name == table.names[c];
    if (!named) {
      for (std::size_t r = 0; r < table.years.size(); ++r) {
        const double a = table.columns[c][r], b = out.columns[c][r];
        if (!(a == b || (std::isnan(a) && std::isnan(b)))) __builtin_trap();
      }
    }
  }
  for (const auto& [name, byYear] : applied.inputs->addFactors) {
    if (form.EndogenousIndex(name) < 0) __builtin_trap();
    for (const auto& [year, value] : byYear) {
      if (year < table.FirstYear() || year > table.LastYear()) __builtin_trap();
    }
  }
  return 0;
}
