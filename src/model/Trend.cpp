#include "model/Trend.h"

#include <algorithm>
#include <cmath>

#include "matrix/MatrixFunctions.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

void CopyCell(LabelledMatrix& target, int ti, int tj, const LabelledMatrix& source, int si, int sj) {
  if (const Cell* c = source.At(si, sj)) target.Set(ti, tj, *c);
}

int WholeValue(const std::string& text) {
  const double v = LeadingNumber(text);
  return std::isfinite(v) && std::fabs(v) < 1e9 ? static_cast<int>(RoundHalfEven(v)) : 0;
}

// y^(t) = B1 x(t) + B2 x(t-1) + y(t-1) for one year.
LabelledMatrix ReducedForm(const Workspace& ws, const LabelledMatrix& xT, const LabelledMatrix& xL,
                           const LabelledMatrix& yL, Host& host) {
  const LabelledMatrix p1 = MatrixMultiply(ws.mImpact, xT, 0);
  const LabelledMatrix p2 = MatrixMultiply(ws.mImpactLag, xL, 0);
  return MatrixAdd(MatrixAdd(p1, p2, 1, host), yL, 1, host);
}

}  // namespace

void RunTrend(Workspace& ws, MainForm& form, Host& host, int s) {
  host.HoldOn("Generating Chart Data.");
  const LabelledMatrix& obs = ws.mObserved;
  const int n = ws.mEndo.Cols(), m = ws.mCustomExo.Cols(), T = obs.Rows(), h = obs.Cols() / 2;
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
    const bool reuse = form.chkReuse == 1 && t >= 3;
    for (int j = 1; j <= n; ++j) {
      if (reuse) {
        CopyCell(yL, j, 1, ws.mCalculated, t - 1 - s, j);
      } else {
        CopyCell(yL, j, 1, obs, t - 1, j);
      }
    }
    const LabelledMatrix Y = ReducedForm(ws, xT, xL, yL, host);
    for (int j = 1; j <= n; ++j) {
      CopyCell(ws.mCalculated, t - s, j, Y, j, 1);
      if (ws.bTableSplit) {
        const Cell* level = obs.At(t - 1, j + h);
        const Cell* y = Y.At(j, 1);
        if (level && y) AssignResult(ws.mCalcLevels, t - s, j, CellAdd(*level, *y));
      }
    }
  }
  ws.mCalcBase = ws.mCalculated;
  host.Preview(ws.mObserved, 0, "Trend Matrix");
  host.Preview(ws.mCalculated, 2, "Plot Matrix");
  if (ws.bTableSplit) host.Preview(ws.mCalcLevels, 3, "Plot Matrix");

  int remembered = 0;
  if (ws.bStageRerun) remembered = std::max(form.cboPlotIndex, 0);
  form.cboPlot.clear();
  for (int j = 1; j <= ws.mCalculated.Cols(); ++j) {
    form.cboPlot.push_back(std::to_string(j) + "=" + CellText(ws.mCalculated.Get(0, j)));
  }
  form.cboPlotIndex = form.cboPlot.empty() ? -1 : std::min(remembered, static_cast<int>(form.cboPlot.size()) - 1);
  host.HoldOn("");
  for (const char* c : {"cmdChart", "txtScale", "cmdViewMatrix", "cmdViewGrid", "cboArrays"}) form.Enable(c, true);
}

bool RunForecast(Workspace& ws, Host& host, const ForecastPeriod& period) {
  if (!ws.mCalcBase.IsFilled()) return false;
  host.HoldOn("Generating Chart Data.");
  ws.mCalculated = ws.mCalcBase;
  const int n = ws.mEndo.Cols(), m = ws.mCustomExo.Cols(), Rc = ws.mCalculated.Rows();
  const int B = WholeValue(period.lastCalculatedYear), F0 = WholeValue(period.firstForecastYear),
            F1 = WholeValue(period.lastForecastYear);
  if (F0 - B > 1) MsgBoxEx(host, "Broken time series...", vbOKOnly);
  const int overlap = (B - F0) + 1;
  const LabelledMatrix& fx = ws.mForecastExo;
  int r = 1;
  for (long long t = F0; t <= F1; ++t, ++r) {
    LabelledMatrix xT = LabelledMatrix::Dimension(std::max(m, 0), 1), xL = LabelledMatrix::Dimension(std::max(m, 0), 1);
    LabelledMatrix yL = LabelledMatrix::Dimension(std::max(n, 0), 1);
    xT.Set(0, 0, std::string());
    xL.Set(0, 0, std::string());
    xT.Set(0, 1, static_cast<double>(t));
    xL.Set(0, 1, static_cast<double>(t - 1));
    for (int c = 1; c <= m; ++c) {
      CopyCell(xT, c, 0, fx, 0, c);
      CopyCell(xT, c, 1, fx, r, c);
      CopyCell(xL, c, 0, fx, 0, c);
      if (r > 1) {
        CopyCell(xL, c, 1, fx, r - 1, c);
      } else {
        // The year before the forecast: the observed value of the same variable, which
        // the history of the selected variables holds by name and year.
        CopyCell(xL, c, 1, ws.mTrendExo, Rc, c);
      }
    }
    // The row this year goes to: overlapping years overwrite their calculated rows, later
    // years are appended.
    const int back = std::max(overlap - r, 0);
    if (overlap < 1 || r > overlap) ws.mCalculated = ResizeMatrix(ws.mCalculated, 1, 0, 0, Cell(std::int16_t{0}));
    const int target = overlap < 1 ? ws.mCalculated.Rows() : ws.mCalculated.Rows() - back;
    // y^(t-1) is the row before: the previous forecast year, or the last calculated one.
    yL.Set(0, 0, std::string());
    yL.Set(0, 1, static_cast<double>(F0 - 1));
    for (int j = 1; j <= n; ++j) {
      CopyCell(yL, j, 0, ws.mCalculated, 0, j);
      CopyCell(yL, j, 1, ws.mCalculated, target - 1, j);
    }
    const LabelledMatrix S = ReducedForm(ws, xT, xL, yL, host);
    host.Preview(S, 3, "Matrix mTmp6");
    for (int j = 0; j <= n; ++j) CopyCell(ws.mCalculated, target, j, S, j, 1);
  }
  ws.bForecastDone = true;
  ws.mForecast = ws.mCalculated;
  ws.mCalculated = ws.mCalcBase;
  host.Preview(ws.mCalculated, 0, "Matrix Plot");
  host.Preview(ws.mForecast, 1, "Matrix mForecast Plot");
  host.Preview(ws.mObserved, 2, "Matrix Trend");
  host.HoldOn("");
  return true;
}

}  // namespace quantorial
