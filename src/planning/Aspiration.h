#pragma once
// Aspiration analysis: the exogenous changes that would bring about the target changes of
// some endogenous variables from a base year, their impact on every endogenous variable,
// and the next year's values written into mObserved, year after year.
//
// The parameter text: "Y~BASE~ITEMS" (Y years from BASE), "BASE~ITEMS" (no year), or
// "ITEMS" (no base year); items "NAME+v", "NAME-v", "NAME=v", each optionally ending in
// "%" (a percentage of the base-year value).

#include <functional>
#include <string>
#include <vector>

#include "model/Stages.h"
#include "workspace/Workspace.h"

namespace quantorial {

// The number of places in `text` where `part` begins.
int CountOf(const std::string& text, const std::string& part);
// `text` cut at every `delimiter`: element 0 holds the number of items as text, elements
// 1.. the items.
std::vector<std::string> ParseList(const std::string& text, const std::string& delimiter);
// The number a text stands for: with stripOthers every character but "+-.0123456789" is
// dropped first ("1E2" reads as 12); an empty text is 0; with atLeastOne a number below 1
// is 0 too. A text that does not read as a number gives 0.
double NumericValue(const std::string& value, bool atLeastOne, bool stripOthers);

// Told after each year of a run: the years done and all years; false stops the run.
using AspirationProgress = std::function<bool(long long done, long long total)>;

// How a run ended: done (perhaps with a warning in the message); without a base year (the
// message is "Invalid Base Year!"); with no years to run (nothing to say); refused or
// stopped by the progress, the workspace as it was, with the reason in the message.
enum class AspirationEnd { Done, InvalidBaseYear, NoYears, Failed, Cancelled };

struct AspirationResult {
  AspirationEnd end = AspirationEnd::NoYears;
  std::string message;
  std::vector<GridPreview> previews;  // the matrices to show, in order
};

// "Aspiration" with the text of txtAspire on the first `endogenous` variables. A run that is
// stopped leaves the workspace as it was.
AspirationResult Aspire(Workspace& ws, int endogenous, const std::string& text,
                        const AspirationProgress& progress = {});

}  // namespace quantorial
