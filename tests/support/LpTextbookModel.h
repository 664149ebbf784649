#pragma once
// Two linear programmes in the CPLEX LP form: a small one, solved and ranged by the planning
// tests and opened from the File menu by the workbench's, and one that takes branch and bound
// long, for time limits and Cancel.

#include <string>

namespace quantorial::testing {

// max x1 + 9 x2 + x3, two <= rows: x2 = 4.5 is the optimum, c1 binds and c2 does not.
inline constexpr const char* kTextbook =
    "Maximize\n obj: x1 + 9 x2 + x3\nSubject To\n c1: x1 + 2 x2 + 3 x3 <= 9\n c2: 3 x1 + 2 x2 + 2 x3 <= 15\nEnd\n";

// A parity the relaxation cannot see: 2 times a sum of 60 binaries equal to 61 (the row is
// named `row`), which branch and bound must search.
inline std::string ParityModel(const std::string& row = "parity") {
  std::string text = "Maximize\n obj: x1\nSubject To\n " + row + ":";
  for (int k = 1; k <= 60; ++k) text += " + 2 x" + std::to_string(k);
  text += " = 61\nBinary\n";
  for (int k = 1; k <= 60; ++k) text += " x" + std::to_string(k) + "\n";
  return text + "End\n";
}

}  // namespace quantorial::testing
