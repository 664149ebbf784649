#include "model/Trend.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "matrix/MatrixFunctions.h"
#include "model/Stages.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

void CopyCell(LabelledMatrix& target, int ti, int tj, const LabelledMatrix& source, int si, int sj) {
  if (const auto c = source.At(si, sj)) target.Set(ti, tj, *c);
}

int WholeValue(const std::string& text) {
  const double v = LeadingNumber(text);
  return std::isfinite(v) && std::fabs(v) < 1e9 ? static_cast<int>(RoundHalfEven(v)) : 0;
}

// y^(t) = B1 x(t) + B2 x(t-1) + y(t-1) for one year; counts the sums of matrices whose
// shapes differ (which leave the year empty).
LabelledMatrix ReducedForm(const Workspace& ws, const LabelledMatrix& xT, const LabelledMatrix& xL,
                           const LabelledMatrix& yL, int& incompatible) {
  const LabelledMatrix p1 = MatrixMultiply(ws.mImpact, xT, 0);
  const LabelledMatrix p2 = MatrixMultiply(ws.mImpactLag, xL, 0);
  bool differ = false;
  const LabelledMatrix partial = MatrixAdd(p1, p2, 1, differ);
  incompatible += differ ? 1 : 0;
  const LabelledMatrix sum = MatrixAdd(partial, yL, 1, differ);
  incompatible += differ ? 1 : 0;
  return sum;
}

}  // namespace

std::vector<std::string> SeriesList(const LabelledMatrix& calculated, const std::function<bool(const Cell&)>& include) {
  std::vector<std::string> list;
  for (int j = 1; j <= calculated.UpperCol(); ++j) {
    if (include && !include(calculated.Get(0, j))) continue;
    list.push_back(std::to_string(j) + "=" + CellText(calculated.Get(0, j)));
  }
  return list;
}

ComputedStage CalculateTrend(Workspace& ws, int s, bool reuseCalculated) {
  ComputedStage result;
  const LabelledMatrix& obs = ws.mObserved;
  const int n = ws.mEndo.UpperCol(), m = ws.mCustomExo.UpperCol(), T = obs.UpperRow(), h = obs.UpperCol() / 2;
  ws.mCalculated = LabelledMatrix::Dimension(T - s, n);
  ws.mCalcLevels = LabelledMatrix::Dimension(T - s, n);
  ws.bForecastDone = false;
  ws.mForecast.Erase();
  for (int j = 1; j <= n; ++j) {
    CopyCell(ws.mCalculated, 0, j, obs, 0, j);
    if (ws.bTableSplit) CopyCell(ws.mCalcLevels, 0, j, obs, 0, j + h);
  }
  for (int i = 0; i <= T; ++i) {
    CopyCell(ws.mCalculated, i, 0, obs, i, 0);
    if (ws.bTableSplit) CopyCell(ws.mCalcLevels, i, 0, obs, i, 0);
  }
  const LabelledMatrix& x = ws.mTrendExo;
  for (int t = 2; t <= T; ++t) {
    LabelledMatrix xT = LabelledMatrix::Dimension(std::max(m, 0), 1), xL = LabelledMatrix::Dimension(std::max(m, 0), 1);
    LabelledMatrix yL = LabelledMatrix::Dimension(std::max(n, 0), 1);
    CopyCell(xT, 0, 1, x, t, 0);
    CopyCell(xL, 0, 1, x, t - 1, 0);
    for (int c = 1; c <= m; ++c) {
      CopyCell(xT, c, 0, x, 0, c);
      CopyCell(xL, c, 0, x, 0, c);
      CopyCell(xT, c, 1, x, t, c);
      CopyCell(xL, c, 1, x, t - 1, c);
    }
    // With "Reuse" the previous year's calculated value stands for the observed one; it
    // lies in the row the shift put it in.
    const bool reuse = reuseCalculated && t >= 3;
    for (int j = 1; j <= n; ++j) {
      if (reuse) {
        CopyCell(yL, j, 1, ws.mCalculated, t - 1 - s, j);
      } else {
        CopyCell(yL, j, 1, obs, t - 1, j);
      }
    }
    const LabelledMatrix Y = ReducedForm(ws, xT, xL, yL, result.incompatibleSums);
    for (int j = 1; j <= n; ++j) {
      CopyCell(ws.mCalculated, t - s, j, Y, j, 1);
      if (ws.bTableSplit) {
        const auto level = obs.At(t - 1, j + h);
        const auto y = Y.At(j, 1);
        if (level && y) AssignResult(ws.mCalcLevels, t - s, j, CellAdd(*level, *y));
      }
    }
  }
  ws.mCalcBase = ws.mCalculated;
  result.previews.push_back({ws.mObserved, 0, "Trend Matrix"});
  result.previews.push_back({ws.mCalculated, 2, "Plot Matrix"});
  if (ws.bTableSplit) result.previews.push_back({ws.mCalcLevels, 3, "Plot Matrix"});
  return result;
}

void CheckForecastColumns(const LabelledMatrix& modelExo, const LabelledMatrix& fx, StageNotices& notices) {
  std::vector<std::string> wrongColumns;
  for (int c = 1; c <= modelExo.UpperCol(); ++c) {
    std::string model = CellText(modelExo.Get(0, c));
    if (LabelEndsWith(model, "(t)")) model.resize(model.size() - 3);
    const std::string given = CellText(fx.Get(0, c));
    if (c > fx.UpperCol() || !LabelEndsWith(model, given)) {
      wrongColumns.push_back(std::to_string(c) + " is \"" + (c > fx.UpperCol() ? std::string() : given) +
                             "\" where the model has \"" + model + "\"");
    }
  }
  if (!wrongColumns.empty()) {
    notices.push_back(
        "The forecast file's columns must hold the exogenous variables in the model's order, but column " +
        NameList(wrongColumns) + ".");
  }
}

namespace {

// The row of `m` whose label (column 0) is the year `year`, or 0.
int RowOfYear(const LabelledMatrix& m, long long year) {
  for (int i = 1; i <= m.UpperRow(); ++i) {
    const auto v = ArithmeticValue(m.Get(i, 0));
    if (v && *v == static_cast<double>(year)) return i;
  }
  return 0;
}

// What the forecast data file leaves to chance for the years F0..F1 read from its rows
// 1, 2, ...: years out of order, columns that are not the model's exogenous variables in
// B1's order, texts in number cells, and years beyond its last row.
void CheckForecastData(const Workspace& ws, long long F0, long long F1, StageNotices& notices) {
  const LabelledMatrix& fx = ws.mForecastExo;
  const int m = ws.mCustomExo.UpperCol(), F = std::max(fx.UpperRow(), 0);
  const long long years = F1 - F0 + 1;
  std::vector<std::string> wrongYears, texts;
  for (long long r = 1; r <= std::min<long long>(years, F); ++r) {
    const auto label = ArithmeticValue(fx.Get(static_cast<int>(r), 0));
    const long long t = F0 + r - 1;
    if (!label || *label != static_cast<double>(t)) {
      wrongYears.push_back("row " + std::to_string(r) + " (" + CellText(fx.Get(static_cast<int>(r), 0)) +
                           ") is read as " + std::to_string(t));
    }
    for (int c = 1; c <= m; ++c) {
      const Cell& cell = fx.Get(static_cast<int>(r), c);
      if (IsText(cell) && !ArithmeticValue(cell)) {
        texts.push_back("\"" + CellText(cell) + "\" (row " + std::to_string(r) + ", column " + std::to_string(c) + ")");
      }
    }
  }
  if (!wrongYears.empty()) {
    notices.push_back("The forecast file's rows are read as one year after another from " + std::to_string(F0) +
                      ", but " + NameList(wrongYears) + ".");
  }
  CheckForecastColumns(ws.mCustomExo, fx, notices);
  if (!texts.empty())
    notices.push_back("Forecast file cells that are not numbers take no part: " + NameList(texts) + ".");
  if (years > F) {
    const long long first = F0 + F;
    notices.push_back("The forecast " + std::string(years - F == 1 ? "year " : "years ") + std::to_string(first) +
                      (years - F == 1 ? "" : " to " + std::to_string(F1)) + " lie beyond the forecast file's " +
                      std::to_string(F) + " rows: their exogenous values count as 0.");
  }
}

}  // namespace

bool ForecastLeavesAGap(const ForecastPeriod& period) {
  return WholeValue(period.firstForecastYear) - WholeValue(period.lastCalculatedYear) > 1;
}

ForecastResult CalculateForecast(Workspace& ws, const ForecastPeriod& period, const StageWatch& watch) {
  ForecastResult result;
  if (!ws.mCalcBase.IsFilled()) return result;
  StageNotices* notices = &result.notices;
  ws.mCalculated = ws.mCalcBase;
  const int n = ws.mEndo.UpperCol(), m = ws.mCustomExo.UpperCol(), Rc = ws.mCalculated.UpperRow();
  const long long F0 = WholeValue(period.firstForecastYear), F1 = WholeValue(period.lastForecastYear),
                  B = WholeValue(period.lastCalculatedYear);
  // The number of forecast years that fall inside the calculated period; year r of the
  // forecast goes to row Rc - overlap + r, and the matrix grows once by the years after it.
  const long long overlap = std::max<long long>((B - F0) + 1, 0);
  const long long years = std::max<long long>(F1 - F0 + 1, 0);
  const long long grow = std::max<long long>(years - overlap, 0);
  CheckForecastData(ws, F0, F1, *notices);
  if (grow > 0) {
    LabelledMatrix grown =
        grow < 0x7fffffff ? ResizeMatrix(ws.mCalculated, static_cast<int>(grow), 0, 0, Cell()) : LabelledMatrix();
    if (!grown.IsAssigned()) {
      ws.mCalculated = ws.mCalcBase;
      result.failure = "The forecast from " + std::to_string(F0) + " to " + std::to_string(F1) +
                       " is too long to hold in memory; please check the forecast years.";
      return result;
    }
    ws.mCalculated = std::move(grown);
  }
  const LabelledMatrix& fx = ws.mForecastExo;
  // x(t-1) of the first forecast year: the observed values of the year before it, which
  // the history of the selected variables holds by year (the last calculated row when
  // that year was not observed).
  const int before = RowOfYear(ws.mTrendExo, F0 - 1);
  const int firstLagRow = before > 0 ? before : Rc;
  const auto started = std::chrono::steady_clock::now();
  auto shown = started;
  for (long long r = 1; r <= years; ++r) {
    const long long t = F0 + r - 1;
    const long long row = Rc - overlap + r;
    // A year before the calculated period has no row to go to.
    if (row < 1) continue;
    const int target = static_cast<int>(row), fr = static_cast<int>(std::min<long long>(r, 0x7fffffff));
    LabelledMatrix xT = LabelledMatrix::Dimension(std::max(m, 0), 1), xL = LabelledMatrix::Dimension(std::max(m, 0), 1);
    LabelledMatrix yL = LabelledMatrix::Dimension(std::max(n, 0), 1);
    xT.Set(0, 0, std::string());
    xL.Set(0, 0, std::string());
    xT.Set(0, 1, static_cast<double>(t));
    xL.Set(0, 1, static_cast<double>(t - 1));
    for (int c = 1; c <= m; ++c) {
      CopyCell(xT, c, 0, fx, 0, c);
      CopyCell(xT, c, 1, fx, fr, c);
      CopyCell(xL, c, 0, fx, 0, c);
      if (r > 1) {
        CopyCell(xL, c, 1, fx, fr - 1, c);
      } else {
        CopyCell(xL, c, 1, ws.mTrendExo, firstLagRow, c);
      }
    }
    // y^(t-1) is the row before: the previous forecast year, or the last calculated one.
    yL.Set(0, 0, std::string());
    yL.Set(0, 1, static_cast<double>(F0 - 1));
    for (int j = 1; j <= n; ++j) {
      CopyCell(yL, j, 0, ws.mCalculated, 0, j);
      CopyCell(yL, j, 1, ws.mCalculated, target - 1, j);
    }
    const LabelledMatrix S = ReducedForm(ws, xT, xL, yL, result.incompatibleSums);
    for (int j = 0; j <= n; ++j) CopyCell(ws.mCalculated, target, j, S, j, 1);
    // A long forecast says how far it has come, and lets the window breathe.
    const auto now = std::chrono::steady_clock::now();
    if (now - started > std::chrono::seconds(1) && now - shown > std::chrono::milliseconds(250)) {
      watch.Status("Forecasting " + std::to_string(t) + " (" + std::to_string(r) + " of " + std::to_string(years) +
                   ")");
      shown = now;
    } else if (r == years || now - started <= std::chrono::seconds(1)) {
      watch.Preview(S, 3, "Matrix mTmp6");
    }
  }
  ws.bForecastDone = true;
  ws.mForecast = ws.mCalculated;
  ws.mCalculated = ws.mCalcBase;
  result.previews.push_back({ws.mCalculated, 0, "Matrix Plot"});
  result.previews.push_back({ws.mForecast, 1, "Matrix mForecast Plot"});
  result.previews.push_back({ws.mObserved, 2, "Matrix Trend"});
  result.done = true;
  return result;
}

}  // namespace quantorial
