#include "planning/Aspiration.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>

#include "matrix/MatrixFunctions.h"
#include "model/Stages.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

// A cell's number: a number as it is, a text by NumericValue's reading.
double CellNumber(const Cell& c) {
  if (IsNumber(c)) return NumberOf(c);
  return NumericValue(CellText(c), false, true);
}

}  // namespace

int CountOf(const std::string& text, const std::string& part) {
  if (part.empty()) return 0;
  int n = 0;
  for (std::size_t pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + 1)) ++n;
  return n;
}

std::vector<std::string> ParseList(const std::string& text, const std::string& delimiter) {
  std::vector<std::string> items{"0"};
  if (delimiter.empty()) {
    items.push_back(text);
  } else {
    std::size_t start = 0;
    for (std::size_t pos = text.find(delimiter); pos != std::string::npos; pos = text.find(delimiter, start)) {
      items.push_back(text.substr(start, pos - start));
      start = pos + delimiter.size();
    }
    items.push_back(text.substr(start));
  }
  items[0] = std::to_string(items.size() - 1);
  return items;
}

double NumericValue(const std::string& value, bool atLeastOne, bool stripOthers) {
  std::string s;
  for (char c : value) {
    if (!stripOthers || std::string_view("+-.0123456789").find(c) != std::string_view::npos) s += c;
  }
  s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
  if (s.empty()) return 0.0;
  const double v = LeadingNumber(s);
  if (!std::isfinite(v)) return 0.0;
  if (atLeastOne && v < 1) return 0.0;
  return v;
}

namespace {

// One item of the parameter text that names an endogenous variable.
struct Target {
  int variable;  // 1..n
  char op;       // '+', '-' or '='
  bool percent;
  double value;
};

// The items of the list that name endogenous variables, in the order they apply (a later
// item for the same variable overwrites an earlier one).
std::vector<Target> TargetsOf(const std::string& list, const LabelledMatrix& aspiration, int n) {
  std::vector<Target> targets;
  if (TrimBlanks(list).empty()) return targets;
  const std::vector<std::string> items = ParseList(list, ",");
  for (std::size_t it = 1; it < items.size(); ++it) {
    std::string item = TrimBlanks(items[it]);
    const bool percent = !item.empty() && item.back() == '%';
    if (percent) item.pop_back();
    std::size_t op = item.find('=');
    if (op == std::string::npos) op = item.find('-');
    if (op == std::string::npos) op = item.find('+');
    if (op == std::string::npos) continue;  // no operator: the item means nothing
    const std::string name = UpperCase(TrimBlanks(item.substr(0, op)));
    const double value = NumericValue(item.substr(op + 1), false, true);
    for (int i = 1; i <= n; ++i) {
      if (UpperCase(CellText(aspiration.Get(0, i))) == name) targets.push_back({i, item[op], percent, value});
    }
  }
  return targets;
}

// The base row of the year after the one whose base row is `row`: the row just written
// (row + 1), unless a later row still carries that year's label from the data, in which
// case the last such row, as a search of the whole table for the year finds it.
long long NextBaseRow(long long row, long long year, const std::map<double, int>& lastRowOfYear) {
  const auto found = lastRowOfYear.find(static_cast<double>(year));
  return found != lastRowOfYear.end() && found->second > row + 1 ? found->second : row + 1;
}

}  // namespace

AspirationResult Aspire(Workspace& ws, int endogenous, const std::string& text, const AspirationProgress& progress) {
  AspirationResult result;
  const auto stop = [&result](AspirationEnd end, std::string message) {
    result.end = end;
    result.message = std::move(message);
    return result;
  };
  const int n = std::max(endogenous, 0);
  ws.mAspiration = LabelledMatrix::Dimension(1, n);
  for (int i = 1; i <= n; ++i) {
    ws.mAspiration.Set(0, i, TrimBlanks(CellText(ws.mEndo.Get(0, i))));
    ws.mAspiration.Set(1, i, std::int16_t{0});
  }
  const std::vector<std::string> fields = ParseList(text, "~");
  long long years = 0, base = 0;
  std::string list;
  const int tildes = CountOf(text, "~");
  if (tildes > 1) {
    // A count beyond what a whole number holds reads as 0 by the leading-number rule; it is
    // refused as every count too large for the observed data is, not taken for no years.
    const double asked = std::round(LeadingNumber(fields[1]));
    if (!(asked < 1e15)) {
      return stop(AspirationEnd::Failed, "Aspiration over " + TrimBlanks(fields[1]) +
                                             " years would need more rows of observed data than a matrix can "
                                             "hold: the observed data are unchanged.");
    }
    years = asked > 0x7fffffff ? static_cast<long long>(asked) : LeadingWholeNumber(fields[1]);
    base = LeadingWholeNumber(fields[2]);
    list = fields[3];
  } else if (tildes == 1) {
    base = LeadingWholeNumber(fields[1]);
    list = fields[2];
  } else {
    list = text;
  }
  if (base == 0) return stop(AspirationEnd::InvalidBaseYear, "Invalid Base Year!");
  if (years <= 0) return stop(AspirationEnd::NoYears, std::string());

  // The model the changes are worked out from: B1 and its reciprocal for the n endogenous
  // variables. Without them every change would be empty, so nothing is touched.
  const LabelledMatrix& B1 = ws.mImpact;
  const LabelledMatrix& reciprocal = ws.mReciprocal;
  if (!B1.IsFilled() || !reciprocal.IsFilled() || B1.UpperCol() < 1 || reciprocal.UpperCol() < 1) {
    return stop(AspirationEnd::Failed,
                "Aspiration needs the impact matrix B1 and its reciprocal: run \"Reciprocal\" first. The observed "
                "data are unchanged.");
  }
  if (B1.UpperRow() != n || reciprocal.UpperRow() != n || reciprocal.UpperCol() != B1.UpperCol()) {
    return stop(AspirationEnd::Failed,
                "The reciprocal matrix (" + std::to_string(reciprocal.UpperRow()) + " x " +
                    std::to_string(reciprocal.UpperCol()) + ") does not fit the impact matrix B1 (" +
                    std::to_string(B1.UpperRow()) + " x " + std::to_string(B1.UpperCol()) + ") of the " +
                    std::to_string(n) +
                    " endogenous variables: run \"Reciprocal\" again. The observed data are unchanged.");
  }

  const std::vector<Target> targets = TargetsOf(list, ws.mAspiration, n);
  // The last row of each year label, read once: the base rows of all years follow from it.
  const int T = std::max(ws.mObserved.UpperRow(), 0), N = ws.mObserved.UpperCol();
  std::map<double, int> lastRowOfYear;
  for (int r = 1; r <= T; ++r) {
    const Cell& label = ws.mObserved.Get(r, 0);
    if (IsEmpty(label)) continue;
    if (const auto year = ArithmeticValue(label)) lastRowOfYear[*year] = r;
  }
  const auto first = lastRowOfYear.find(static_cast<double>(base));
  if (targets.empty() || first == lastRowOfYear.end()) {
    // Without a base row there is nothing to start from: nothing is written.
    ws.mAspiration.Set(1, 0, static_cast<double>(base + 1));
    result.previews.push_back({ws.mAspiration, 2, "Aspiration Matrix"});
    return stop(AspirationEnd::Failed,
                "No row of the observed data is for the base year " + std::to_string(base) +
                    ", or no item names an endogenous variable: the observed data are unchanged.");
  }

  // The rows the run writes, worked out before anything is written, so that the table grows
  // once: each year writes the row after its base row; beyond the last row every year adds one.
  long long lastBase = first->second;
  for (long long k = 1; k < years; ++k) {
    if (lastBase >= T) {
      lastBase += years - k;
      break;
    }
    lastBase = NextBaseRow(lastBase, base + k, lastRowOfYear);
  }
  const long long rowsNeeded = lastBase + 1;
  LabelledMatrix grown = ws.mObserved;
  if (rowsNeeded > T) {
    if (rowsNeeded <= 0x7fffffffLL) grown = ResizeMatrix(ws.mObserved, static_cast<int>(rowsNeeded - T), 0, 0, Cell());
    if (rowsNeeded > 0x7fffffffLL || !grown.IsAssigned()) {
      return stop(AspirationEnd::Failed,
                  "Aspiration over " + std::to_string(years) + " years would need " + std::to_string(rowsNeeded) +
                      " rows of observed data, more than a matrix can hold: the observed data are unchanged.");
    }
  }

  // Each result row is the required change of the exogenous variable of one column of the
  // reciprocal; it goes to the observed series that variable stands for, by the same name
  // rule that paired the series with the model's exogenous variables.
  std::vector<std::string> series{std::string()}, labels{std::string()};
  for (int c = n + 1; c <= N; ++c) series.push_back(CellText(ws.mObserved.Get(0, c)));
  for (int k = 1; k <= reciprocal.UpperCol(); ++k) {
    std::string label = CellText(reciprocal.Get(0, k));
    if (LabelEndsWith(label, "(t)")) label.resize(label.size() - 3);
    labels.push_back(label);
  }
  const std::vector<int> rowOfSeries = PairSeriesWithLabels(series, labels, ws.sChangeSymbol);
  std::vector<bool> written(labels.size(), false);
  for (const int k : rowOfSeries) {
    if (k > 0) written[static_cast<std::size_t>(k)] = true;
  }
  std::vector<std::string> unwritten;
  for (std::size_t k = 1; k < labels.size(); ++k) {
    if (!written[k]) unwritten.push_back("\"" + CellText(reciprocal.Get(0, static_cast<int>(k))) + "\"");
  }

  // Cancel puts everything back as it was.
  const LabelledMatrix observedBefore = ws.mObserved, resultBefore = ws.mAspirationResult,
                       impactBefore = ws.mAspirationImpact, aspirationBefore = ws.mAspiration;
  ws.mObserved = std::move(grown);
  LabelledMatrix& obs = ws.mObserved;
  LabelledMatrix& R = ws.mAspirationResult;
  LabelledMatrix& I = ws.mAspirationImpact;
  long long baseRow = first->second;
  for (long long k = 1; k <= years; ++k) {
    const long long b = base + k - 1;
    const int r = static_cast<int>(baseRow);
    ws.mAspiration.Set(1, 0, static_cast<double>(b + 1));
    for (const Target& t : targets) {
      const double v = CellNumber(obs.Get(r, t.variable));
      const double change =
          !t.percent ? (t.op == '-' ? -t.value : t.value) : (t.op == '-' ? -(t.value * v / 100) : t.value * v / 100);
      AssignResult(ws.mAspiration, 1, t.variable, Finite(change));
    }
    obs.Set(r + 1, 0, std::to_string(b + 1));
    R = MatrixTranspose(MatrixMultiply(ws.mAspiration, reciprocal, 0), 2);
    I = MatrixMultiply(B1, R, 0);
    R = ResizeMatrix(R, 0, 2, 0, Cell());
    if (R.IsAssigned()) {
      R.Set(0, 2, b >= -32768 && b <= 32767 ? Cell(static_cast<std::int16_t>(b)) : Cell(double(b)));
      R.Set(0, 3, std::string("Total"));
    }
    for (int c = n + 1; c <= N; ++c) {
      const int row = rowOfSeries[static_cast<std::size_t>(c - n)];
      const double baseValue = CellNumber(obs.Get(r, c));
      if (row <= 0) {
        // A variable that was not selected for the impact analysis keeps its value.
        AssignResult(obs, r + 1, c, Finite(baseValue));
        continue;
      }
      R.Set(row, 2, obs.Get(r, c));
      AssignResult(R, row, 3, Finite(CellNumber(R.Get(row, 1)) + baseValue));
      obs.Set(r + 1, c, R.Get(row, 3));
    }
    I = ResizeMatrix(I, 0, 2, 0, Cell());
    if (I.IsAssigned()) {
      I.Set(0, 2, R.Get(0, 2));
      I.Set(0, 3, std::string("Total"));
    }
    for (int j = 1; j <= n; ++j) {
      I.Set(j, 2, obs.Get(r, j));
      AssignResult(I, j, 3, Finite(CellNumber(I.Get(j, 1)) + CellNumber(obs.Get(r, j))));
      if (const auto total = I.At(j, 3)) obs.Set(r + 1, j, *total);
    }
    if (progress && !progress(k, years)) {
      ws.mObserved = observedBefore;
      R = resultBefore;
      I = impactBefore;
      ws.mAspiration = aspirationBefore;
      return stop(AspirationEnd::Cancelled, "Aspiration cancelled after " + std::to_string(k) + " of " +
                                                std::to_string(years) + " years: the observed data are unchanged.");
    }
    if (k < years) baseRow = NextBaseRow(baseRow, b + 1, lastRowOfYear);
  }
  // Each year's matrices replace the last in their grids, so only the last year's are shown.
  result.previews.push_back({ws.mAspiration, 2, "Aspiration Matrix"});
  result.previews.push_back({R, 3, "Aspiration Matrix Result"});
  result.previews.push_back({I, 1, "Aspiration Impact Matrix Result"});
  result.previews.push_back({obs, 0, "New Trend Data"});
  result.end = AspirationEnd::Done;
  if (!unwritten.empty()) {
    result.message = "No column of the observed data for the exogenous " +
                     std::string(unwritten.size() == 1 ? "variable " : "variables ") + NameList(unwritten) +
                     " (names must match the data file's column names): " +
                     (unwritten.size() == 1 ? "its required change is" : "their required changes are") +
                     " in the result but not in the observed data.";
  }
  return result;
}

}  // namespace quantorial
