// Any text as a model file another solver wrote: the first byte picks the form (even: CPLEX
// LP, odd: MPS, free or fixed as the reader finds it), the rest is the file. The reader must
// give a model or a message naming the file; a model it reads is solved within small limits
// and must end with a status in words, and an optimum must pass the LP layer's own check.

#include <cstdint>
#include <string>

#include "FuzzFile.h"
#include "planning/LpOutcome.h"
#include "planning/LpSolve.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const quantorial::fuzz::FuzzFile lp("model.lp"), mps("model.mps");
  const quantorial::fuzz::FuzzFile& file = data[0] % 2 == 0 ? lp : mps;
  file.Write(data + 1, size - 1);
  quantorial::LpSolveOptions options;
  options.timeLimitSeconds = 2.0;
  options.iterationLimit = 20000;
  options.ranging = data[0] % 4 >= 2;
  quantorial::LpOutcome outcome;
  std::string error;
  if (!quantorial::SolveLpModelFile(file.Path(), options, outcome, error)) {
    if (error.find(file.Path()) == std::string::npos) __builtin_trap();
    return 0;
  }
  if (outcome.statusText.empty()) __builtin_trap();
  const bool optimum =
      outcome.status == quantorial::LpStatus::Optimal || outcome.status == quantorial::LpStatus::IntegerOptimal;
  if (optimum != outcome.objective.has_value() && outcome.status != quantorial::LpStatus::TimeLimit &&
      outcome.status != quantorial::LpStatus::IterationLimit && outcome.status != quantorial::LpStatus::Cancelled)
    __builtin_trap();
  return 0;
}
