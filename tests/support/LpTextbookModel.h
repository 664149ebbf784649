#pragma once
// A small linear programme in the CPLEX LP form, solved and ranged by the planning tests and
// opened from the File menu by the workbench's.

namespace quantorial::testing {

// max x1 + 9 x2 + x3, two <= rows: x2 = 4.5 is the optimum, c1 binds and c2 does not.
inline constexpr const char* kTextbook =
    "Maximize\n obj: x1 + 9 x2 + x3\nSubject To\n c1: x1 + 2 x2 + 3 x3 <= 9\n c2: 3 x1 + 2 x2 + 2 x3 <= 15\nEnd\n";

}  // namespace quantorial::testing
