#include "planning/Dynamic.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "matrix/MatrixFunctions.h"
#include "model/Trend.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

// The previews of a long loop: a step's previews at most ten times a second (more than a
// person can follow), and always those of the last step, which leave every grid as the
// step-by-step showing would.
class LoopPreviews {
 public:
  bool Show(bool lastStep) {
    const auto now = std::chrono::steady_clock::now();
    if (!lastStep && shown_ && now - last_ < std::chrono::milliseconds(100)) return false;
    shown_ = true;
    last_ = now;
    return true;
  }

 private:
  bool shown_ = false;
  std::chrono::steady_clock::time_point last_;
};

// The label of every added row: the label of the row above plus 1.
void ContinueYears(LabelledMatrix& m, int fromRow) {
  for (int r = std::max(fromRow, 1); r <= m.UpperRow(); ++r) {
    const auto above = ArithmeticValue(m.Get(r - 1, 0));
    if (above && !IsBlank(m.Get(r - 1, 0))) AssignResult(m, r, 0, Finite(*above + 1.0));
  }
}

}  // namespace

std::string NormalizeName(const Cell& value) {
  if (IsEmpty(value)) return std::string();
  std::string s = CellText(value);
  for (char& c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 32 || u == 255) c = ' ';
  }
  return UpperCase(TrimBlanks(s));
}

std::string DynamicSelectionText(const std::vector<std::string>& items, const std::vector<bool>& selected,
                                 const std::string& last) {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i < selected.size() && selected[i]) text += items[i] + ",~";
  }
  return text.empty() ? last : text;
}

int ExtensionYears(const std::string& text) { return std::clamp(LeadingWholeNumber(text), 0, kMaxExtensionYears); }

ComputedStage DynamicEndo(Workspace& ws, int E, const StageWatch& watch) {
  ComputedStage result;
  watch.Status("Set Matrix Diagonal");
  const LabelledMatrix Bz = SetMatrixDiagonal(ws.mEndo, 0.0, 1);
  const LabelledMatrix DM = MatrixMultiply(Bz, ws.mEndoInverse, 0);
  watch.Preview(DM, 0, "Delayed Multiplier Matrix");
  const LabelledMatrix LRM = ws.mEndoInverse;
  watch.Preview(LRM, 1, "Long Run Multiplier Matrix");
  watch.Status("");
  const int T = ws.mObserved.UpperRow();
  watch.Preview(ws.mObserved, 0, "Trend Matrix");
  LabelledMatrix NT = ResizeMatrix(ws.mObserved, E, 0, 0, Cell());
  ws.mObserved = ResizeMatrix(ws.mObserved, E, 0, 0, Cell());
  LoopPreviews previews;
  for (int t = 1; t <= T - 1 + E; ++t) {
    const bool show = previews.Show(t == T - 1 + E);
    const LabelledMatrix X = SubMatrix(ws.mObserved, t, 0, 1, 0, 0);
    if (show) watch.Preview(X, 2, "Row " + std::to_string(t) + ", Trend Matrix");
    const LabelledMatrix x = MatrixTranspose(X, 2);
    const LabelledMatrix R1 = MatrixMultiply(DM, x, 0);
    if (show) watch.Preview(R1, 4, "Result from DM Matrix");
    const LabelledMatrix R2 = MatrixMultiply(LRM, x, 0);
    if (show) watch.Preview(R2, 5, "Result from LRM Matrix");
    bool differ = false;
    LabelledMatrix Y = MatrixAdd(R1, R2, 1, differ);
    result.incompatibleSums += differ ? 1 : 0;
    // The column of year t becomes the year of row t + 1.
    if (const auto year = Y.At(0, 1)) AssignResult(Y, 0, 1, CellAdd(*year, Cell(1.0)));
    if (show) watch.Preview(Y, 3, "Yt Result Matrix");
    const LabelledMatrix y = MatrixTranspose(Y, 2);
    // Past the observed years each computed year is the next step's input.
    if (t >= T) PasteRows(y, ws.mObserved, t + 1, 0);
    PasteRows(y, NT, t + 1, 0);
  }
  watch.Preview(ws.mObserved, 0, "Trend Matrix");
  watch.Preview(NT, 1, "New Trend Matrix");
  ws.mCalculated = NT;
  ws.mCalcLevels = ws.mCalculated;
  return result;
}

ComputedStage DynamicExo(Workspace& ws, int n, const StageWatch& watch) {
  ComputedStage result;
  // The simulation starts from the data as loaded, not from rows an earlier Dynamic Endo
  // or aspiration appended or rewrote.
  if (ws.mObservedOrig.IsFilled()) ws.mObserved = ws.mObservedOrig;
  const LabelledMatrix& obs = ws.mObserved;
  const LabelledMatrix& fx = ws.mForecastExo;
  const int T = obs.UpperRow(), N = obs.UpperCol();
  // Forecast rows for years the data already hold (a file starting at the last data year)
  // are passed over: the forecast goes on from the year after the last observed one.
  int skip = 0;
  if (T >= 1) {
    const auto lastYear = ArithmeticValue(obs.Get(T, 0));
    while (lastYear && skip < fx.UpperRow()) {
      const auto y = ArithmeticValue(fx.Get(skip + 1, 0));
      if (!y || *y > *lastYear) break;
      ++skip;
    }
  }
  const int F = std::max(fx.UpperRow() - skip, 0);
  LabelledMatrix NT = LabelledMatrix::Dimension(std::max(T + F - 1, 0), std::max(N, 0));
  const LabelledMatrix Bz = SetMatrixDiagonal(ws.mEndo, 0.0, 1);
  watch.Preview(Bz, 1, "-B Matrix of mEndo");
  const LabelledMatrix& C = ws.mExo;
  const LabelledMatrix Cm = ScalarMultiply(C, -1.0, false, 1);
  // The products of the inverse with -B, C and -C are the same every year.
  const LabelledMatrix EB = MatrixMultiply(ws.mEndoInverse, Bz, 0);
  const LabelledMatrix ECm = MatrixMultiply(ws.mEndoInverse, Cm, 0);
  const LabelledMatrix EC = MatrixMultiply(ws.mEndoInverse, C, 0);
  LoopPreviews previews;
  for (int t = 2; t <= T + F; ++t) {
    if (t > T && !ws.bForecastDataLoaded) break;
    const bool show = previews.Show(t == T + F || (t == T && !ws.bForecastDataLoaded));
    LabelledMatrix Xt, Xp, Yp;
    if (t > T) {
      Xt = SubMatrix(fx, t - T + skip, 0, 1, 0, 0);
      if (show) watch.Preview(Xt, 0, "[Xt] Matrix");
    } else {
      Xt = SubMatrix(obs, t, 0, n + 1, 0, 0);
    }
    if (t - 1 > T) {
      Xp = SubMatrix(fx, t - 1 - T + skip, 0, 1, 0, 0);
      Yp = SubMatrix(NT, t - 2, 0, 1, NT.UpperCol() - n, 0);
    } else {
      Xp = SubMatrix(obs, t - 1, 0, n + 1, 0, 0);
      Yp = SubMatrix(obs, t - 1, 0, 1, obs.UpperCol() - n, 0);
    }
    if (show) {
      watch.Preview(Xp, 1, "[mXtm1] Matrix");
      watch.Preview(Yp, 2, "[mYtm1] Matrix");
    }
    const LabelledMatrix YpT = MatrixTranspose(Yp, 2);
    const LabelledMatrix A = MatrixTranspose(MatrixMultiply(EB, YpT, 0), 2);
    const LabelledMatrix Bv = MatrixTranspose(MatrixMultiply(ws.mEndoInverse, YpT, 0), 2);
    const LabelledMatrix Cv = MatrixTranspose(MatrixMultiply(ECm, MatrixTranspose(Xp, 2), 0), 2);
    const LabelledMatrix Dv = MatrixTranspose(MatrixMultiply(EC, MatrixTranspose(Xt, 2), 0), 2);
    bool differ[3] = {false, false, false};
    const LabelledMatrix ABv = MatrixAdd(A, Bv, 1, differ[0]);
    const LabelledMatrix ABCv = MatrixAdd(ABv, Cv, 1, differ[1]);
    const LabelledMatrix Y = MatrixAdd(Dv, ABCv, 1, differ[2]);
    for (const bool d : differ) result.incompatibleSums += d ? 1 : 0;
    PutRow(NT, Y, t - 1);
    // Each row carries the year it was simulated for.
    NT.Set(t - 1, 0, t > T ? fx.Get(t - T + skip, 0) : obs.Get(t, 0));
    if (show) watch.Preview(NT, 1, "NewTrend Matrix");
  }
  if (NT.IsAssigned()) NT.Set(0, 0, obs.Get(0, 0));
  // The calculated series are the simulated observed years (rows 1..T-1 hold years 2..T);
  // the rows after them are the forecast.
  ws.mCalculated = SubMatrix(NT, 1, std::max(T - 2, 0), 1, 0, 0);
  if (T < 2) ws.mCalculated = LabelledMatrix::Dimension(0, std::max(N, 0));
  ws.mCalcBase = ws.mCalculated;
  ws.mForecast = NT;
  ws.bForecastDone = true;
  return result;
}

DynamicResult DynamicOfLevels(Workspace& ws, int E, const std::string& selection, const StageWatch& watch) {
  DynamicResult result;
  StageNotices* notices = &result.notices;
  const LabelledMatrix Q = ws.mBMatQ2;
  const int n = Q.UpperCol();
  watch.Preview(Q, 3, "Q2 BMAT Matrix");
  watch.Status("Creating Identity Matrix");
  const LabelledMatrix I = IdentityLike(Q, 1);
  watch.Preview(I, 1, "Indentity Matrix of BQ2");
  bool differ = false;
  const LabelledMatrix IB = MatrixSubtract(I, Q, 1, differ);
  result.incompatibleSums += differ ? 1 : 0;
  watch.Preview(IB, 1, "I-B Matrix");
  const LabelledMatrix Z = MatrixInverse(IB, 1);
  watch.Preview(Z, 3, "I-B Inverse Matrix");
  result.failure = SingularNotice(Z, "I - Q2 (the lagged quadrant of the split table)");
  const std::string cells =
      NonNumberCellsNotice(Q, Q.UpperRow(), n, "B-matrix cells that are not numbers count as 0: ");
  if (!cells.empty()) notices->push_back(cells);
  const LabelledMatrix IZ = MatrixAdd(I, Z, 1, differ);
  result.incompatibleSums += differ ? 1 : 0;
  watch.Preview(IZ, 1, "I-B Inverse + 1 Matrix");
  const LabelledMatrix Zm = ScalarMultiply(Z, -1.0, false, 1);
  watch.Preview(Z, 2, "Z matrix  i.e.  I-B Inverse Matrix");
  watch.Preview(Zm, 3, "-Z matrix  i.e.  -I-B Inverse Matrix");
  const LabelledMatrix& obs = ws.mObserved;
  watch.Preview(obs, 0, "Trend Matrix");
  const int T = std::max(obs.UpperRow(), 0);
  LabelledMatrix OLD = ResizeMatrix(ws.mLevelData, E, 0, 0, Cell());
  LabelledMatrix NEW = ResizeMatrix(LabelledMatrix::Dimension(T, std::max(n, 0)), E, 0, 0, Cell());
  for (int i = 1; i <= T; ++i) NEW.Set(i, 0, obs.Get(i, 0));
  for (int j = 1; j <= n; ++j) NEW.Set(0, j, obs.Get(0, j + n));
  ContinueYears(OLD, OLD.UpperRow() - E + 1);
  ContinueYears(NEW, T + 1);
  LabelledMatrix Y1, Y2;
  for (int t = 3; t <= OLD.UpperRow(); ++t) {
    Y1 = LabelledMatrix::Dimension(1, std::max(n, 0));
    Y2 = LabelledMatrix::Dimension(1, std::max(n, 0));
    for (int j = 1; j <= n; ++j) {
      Y1.Set(0, j, OLD.Get(0, j));
      Y1.Set(1, j, OLD.Get(t - 1, j));
      Y2.Set(0, j, OLD.Get(0, j));
      Y2.Set(1, j, OLD.Get(t - 2, j));
    }
    Y1.Set(1, 0, OLD.Get(t - 1, 0));
    Y2.Set(1, 0, OLD.Get(t - 2, 0));
    Y1 = MatrixTranspose(Y1, 2);
    Y2 = MatrixTranspose(Y2, 2);
    const LabelledMatrix Y = MatrixAdd(MatrixMultiply(IZ, Y1, 0), MatrixMultiply(Zm, Y2, 0), 1, differ);
    result.incompatibleSums += differ ? 1 : 0;
    for (int j = 1; j <= n; ++j) {
      const auto v = Y.At(j, 1);
      if (!v) continue;
      if (t <= NEW.UpperRow()) NEW.Set(t, j, *v);
      // Observed levels stay; only the missing (extension) cells take computed values.
      if (const auto old = OLD.At(t, j); old && IsBlank(*old)) OLD.Set(t, j, *v);
    }
  }
  watch.Preview(Y1, 1, "Yt-1 Matrix");
  watch.Preview(Y2, 3, "Yt-2 Matrix");
  watch.Preview(NEW, 0, "New Trend Matrix");
  watch.Preview(OLD, 2, "Old Extended Trend Matrix");
  watch.Status("");

  watch.Status("Ploting Charts.");
  ChartDescription& chart = result.chart;
  chart.title = "DYNAMIC CHART";
  for (int r = 1; r <= NEW.UpperRow(); ++r) chart.rowLabels.push_back(CellText(NEW.Get(r, 0)));
  for (int j = 1; j <= n; ++j) {
    const std::string name = CellText(NEW.Get(0, j));
    if (name.empty() || selection.find(name) == std::string::npos) continue;
    ChartSeries s{"Dynamic " + name, {}, false};
    for (int r = 1; r <= NEW.UpperRow(); ++r) {
      const Cell& c = NEW.Get(r, j);
      s.values.push_back(IsBlank(c) ? std::nullopt : ArithmeticValue(c));
    }
    chart.series.push_back(std::move(s));
  }
  watch.Status("");
  return result;
}

}  // namespace quantorial
