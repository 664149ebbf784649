#include "planning/Aspiration.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "matrix/MatrixFunctions.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

// A cell's number: a number as it is, a text by NumericValue's reading.
double CellNumber(const Cell& c) {
  if (IsNumber(c)) return NumberOf(c);
  return NumericValue(CellText(c), false, true);
}

// An exogenous name as the impact matrices write it ("x(t)", with the change symbol in
// front) against the observed data's name.
bool SameExogenous(const std::string& modelLabel, const std::string& observed, const std::string& symbol) {
  std::string m = modelLabel;
  if (m.size() >= 3 && m.compare(m.size() - 3, 3, "(t)") == 0) m.resize(m.size() - 3);
  return !observed.empty() && (m == observed || m == symbol + observed);
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

void cmdAspire_Click(Workspace& ws, MainForm& form, Host& host) {
  const int n = std::max(LeadingWholeNumber(form.txtRows), 0);
  ws.mAspiration = LabelledMatrix::Dimension(1, n);
  for (int i = 1; i <= n; ++i) {
    ws.mAspiration.Set(0, i, TrimBlanks(CellText(ws.mEndo.Get(0, i))));
    ws.mAspiration.Set(1, i, std::int16_t{0});
  }
  const std::string& text = form.txtAspire;
  const std::vector<std::string> fields = ParseList(text, "~");
  int years = 0, base = 0;
  std::string list;
  const int tildes = CountOf(text, "~");
  if (tildes > 1) {
    years = LeadingWholeNumber(fields[1]);
    base = LeadingWholeNumber(fields[2]);
    list = fields[3];
  } else if (tildes == 1) {
    base = LeadingWholeNumber(fields[1]);
    list = fields[2];
  } else {
    list = text;
  }
  if (base == 0) {
    MsgBoxEx(host, "Invalid Base Year!");
    return;
  }
  const std::vector<std::string> items = ParseList(list, ",");
  for (int k = 1; k <= years; ++k) {
    LabelledMatrix& obs = ws.mObserved;
    ws.mAspiration.Set(1, 0, static_cast<double>(base + 1));
    int baseRow = 0;
    if (!TrimBlanks(list).empty()) {
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
          if (UpperCase(CellText(ws.mAspiration.Get(0, i))) != name) continue;
          for (int r = 1; r <= obs.Rows(); ++r) {
            const auto year = ArithmeticValue(obs.Get(r, 0));
            if (!year || IsEmpty(obs.Get(r, 0)) || *year != base) continue;
            baseRow = r;
            const double v = CellNumber(obs.Get(r, i));
            const double change = !percent ? (item[op] == '-' ? -value : value)
                                           : (item[op] == '-' ? -(value * v / 100) : value * v / 100);
            AssignResult(ws.mAspiration, 1, i, Finite(change));
          }
        }
      }
    }
    host.Preview(ws.mAspiration, 2, "Aspiration Matrix");
    if (baseRow == 0) {
      // Without a base row there is nothing to start from: nothing is written.
      MsgBoxEx(host, "No row of the observed data is for the base year " + std::to_string(base) +
                         ", or no item names an endogenous variable: the observed data are unchanged.",
               vbExclamation);
      return;
    }
    const int T = obs.Rows(), N = obs.Cols();
    if (baseRow < T) {
      obs.Set(baseRow + 1, 0, std::to_string(base + 1));
    } else {
      obs = ResizeMatrix(obs, 1, 0, 0, Cell());
      obs.Set(T + 1, 0, std::to_string(base + 1));
    }
    ws.mAspirationResult = MatrixTranspose(MatrixMultiply(ws.mAspiration, ws.mReciprocal, 0), 2);
    ws.mAspirationImpact = MatrixMultiply(ws.mImpact, ws.mAspirationResult, 0);
    // The required change of each exogenous variable, paired with the observed column of the
    // same name (a partial impact selection has fewer rows than the data have columns; a
    // variable that was not selected keeps its value).
    LabelledMatrix& R = ws.mAspirationResult;
    R = ResizeMatrix(R, 0, 2, 0, Cell());
    if (R.IsAssigned()) {
      R.Set(0, 2, base >= -32768 && base <= 32767 ? Cell(static_cast<std::int16_t>(base)) : Cell(double(base)));
      R.Set(0, 3, std::string("Total"));
    }
    for (int c = n + 1; c <= N; ++c) {
      const std::string observedName = CellText(obs.Get(0, c));
      int row = 0;
      for (int j = 1; j <= R.Rows() && row == 0; ++j) {
        if (SameExogenous(CellText(R.Get(j, 0)), observedName, ws.sChangeSymbol)) row = j;
      }
      const double baseValue = CellNumber(obs.Get(baseRow, c));
      if (row == 0) {
        AssignResult(obs, baseRow + 1, c, Finite(baseValue));
        continue;
      }
      R.Set(row, 2, obs.Get(baseRow, c));
      AssignResult(R, row, 3, Finite(CellNumber(R.Get(row, 1)) + baseValue));
      obs.Set(baseRow + 1, c, R.Get(row, 3));
    }
    LabelledMatrix& I = ws.mAspirationImpact;
    I = ResizeMatrix(I, 0, 2, 0, Cell());
    if (I.IsAssigned()) {
      I.Set(0, 2, R.Get(0, 2));
      I.Set(0, 3, std::string("Total"));
    }
    for (int j = 1; j <= n; ++j) {
      I.Set(j, 2, obs.Get(baseRow, j));
      AssignResult(I, j, 3, Finite(CellNumber(I.Get(j, 1)) + CellNumber(obs.Get(baseRow, j))));
      if (const auto total = I.At(j, 3)) obs.Set(baseRow + 1, j, *total);
    }
    host.Preview(ws.mAspirationResult, 3, "Aspiration Matrix Result");
    host.Preview(ws.mAspirationImpact, 1, "Aspiration Impact Matrix Result");
    host.Preview(obs, 0, "New Trend Data");
    ++base;
  }
}

}  // namespace quantorial
