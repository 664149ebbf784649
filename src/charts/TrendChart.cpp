#include "charts/TrendChart.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>
#include <vector>

#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

int WholeOf(const std::string& text) {
  const double v = LeadingNumber(text);
  return std::isfinite(v) && std::fabs(v) < 1e9 ? static_cast<int>(RoundHalfEven(v)) : 0;
}

// One series of the chart: rows first..last of column s of a source matrix.
struct SeriesSpec {
  const LabelledMatrix* source;
  int column;
  int first, last;
  int labelColumn;  // where the row's year stands
  int rowLimit;     // rows beyond it are not written (the observed series stops at T)
  bool predicted;   // the absolute-value option applies
  std::string label;
  bool computed = false;  // years a simulation added to the observed table
};

// The rows of the observed table that were loaded: those of the table as the primary file
// gave it, when the observed table still begins with the same years; all rows otherwise.
int LoadedRows(const Workspace& ws) {
  const LabelledMatrix &obs = ws.mObserved, &orig = ws.mObservedOrig;
  const int T = obs.UpperRow(), L = orig.UpperRow();
  if (!orig.IsFilled() || L < 1 || L >= T) return T;
  for (int r = 1; r <= L; ++r) {
    if (CellText(obs.Get(r, 0)) != CellText(orig.Get(r, 0))) return T;
  }
  return L;
}

// The years of a series' rows first..last (within its row limit), when every one of them
// carries a numeric year and they rise; nothing otherwise.
std::optional<std::vector<double>> YearsOf(const SeriesSpec& sp) {
  std::vector<double> years;
  for (int r = std::max(sp.first, 1); r <= sp.last && r <= sp.rowLimit; ++r) {
    const auto y = ArithmeticValue(sp.source->Get(r, sp.labelColumn));
    if (!y || !std::isfinite(*y) || (!years.empty() && *y <= years.back())) return std::nullopt;
    years.push_back(*y);
  }
  return years;
}

}  // namespace

ChartDescription BuildTrendChart(const Workspace& ws, const ChartInputs& in, const ChartSettings& st) {
  ChartDescription d;
  const LabelledMatrix &obs = ws.mObserved, &calc = ws.mCalculated;
  const int T = obs.UpperRow(), C = calc.UpperRow(), F = ws.bForecastDone ? ws.mForecast.UpperRow() : 0;
  const int s = WholeOf(in.seriesText), k = st.skipSeries, dr = st.dropSeries, h = obs.UpperCol() / 2;
  // 10^e as a whole number; a negative exponent would make it 0, so it counts as 0.
  const int e = std::clamp(WholeOf(in.scaleText), 0, 15);
  const double scale = std::pow(10.0, e);
  const std::string name = CellText(calc.Get(0, s));
  d.yTitle = name + (e > 0 ? " ('" + std::string(static_cast<std::size_t>(e), '0') + ")" : "");

  std::vector<SeriesSpec> specs;
  if (st.allGraphs || st.actualGraph) {
    specs.push_back({&obs, s, k + 1, C - dr, 0, T, false, "Actual " + CellText(obs.Get(0, s))});
  }
  if (st.allGraphs || st.predictedGraph) {
    specs.push_back({&calc, s, k + 1, C - dr, 0, C, true, in.predictedWord + name});
  }
  if (ws.bTableSplit && (st.allGraphs || st.annualGraph)) {
    specs.push_back({&obs, s + h, k + 1, C - dr, h, T, false, "Actual " + CellText(obs.Get(0, s + h))});
    specs.push_back(
        {&ws.mCalcLevels, s, k + 1, C - dr, 0, C, true, in.predictedWord + CellText(ws.mCalcLevels.Get(0, s))});
  }
  if (ws.bForecastDone && (st.allGraphs || st.forecastGraph)) {
    specs.push_back({&ws.mForecast, s, k + 1, F, 0, F, false, "Forecast " + CellText(ws.mForecast.Get(0, s))});
  }
  // Years a simulation appended to the observed table (past the table as loaded) were
  // computed, not observed: the actual series stops at the last loaded year and a series of
  // their own, joined to it there, carries them. The calculated series runs over the same
  // years, so they are drawn after it (dashed, it shows through), before the forecast.
  const int loaded = LoadedRows(ws);
  if (loaded < T) {
    std::vector<SeriesSpec> computed;
    for (SeriesSpec& sp : specs) {
      if (sp.source != &obs) continue;
      SeriesSpec c = sp;
      sp.rowLimit = loaded;
      c.first = std::max(sp.first, loaded);
      c.computed = true;
      c.label = "Computed " + CellText(obs.Get(0, c.column));
      computed.push_back(c);
    }
    const auto forecast =
        std::find_if(specs.begin(), specs.end(), [&](const SeriesSpec& sp) { return sp.source == &ws.mForecast; });
    specs.insert(forecast, computed.begin(), computed.end());
  }

  // Series whose rows all carry rising years are drawn by year: a simulation whose first row
  // is the second observed year puts each value at its own year, not at its row number. The
  // observed series then runs over the calculated series' years. Otherwise the chart's rows
  // follow the last series drawn, as the chart grid's row count does, row r at row r - skip.
  std::vector<std::vector<double>> years;
  bool byYear = !specs.empty();
  for (const auto& sp : specs) {
    const auto y = YearsOf(sp);
    byYear = byYear && y.has_value();
    years.push_back(y.value_or(std::vector<double>()));
  }
  std::vector<double> axis;
  if (byYear) {
    // The last calculated year drawn bounds the observed series, as the calculated rows'
    // count bounds them by row.
    std::optional<double> lastCalculated;
    for (std::size_t i = 0; i < specs.size(); ++i) {
      if (specs[i].predicted && !years[i].empty()) {
        lastCalculated = std::max(lastCalculated.value_or(years[i].back()), years[i].back());
      }
    }
    for (std::size_t i = 0; i < specs.size(); ++i) {
      SeriesSpec& sp = specs[i];
      if (sp.source == &obs && lastCalculated) {
        SeriesSpec observed = sp;
        observed.last = sp.rowLimit;
        if (auto y = YearsOf(observed)) {
          while (!y->empty() && y->back() > *lastCalculated) y->pop_back();
          years[i] = std::move(*y);
          sp.last = std::max(sp.first, 1) + static_cast<int>(years[i].size()) - 1;
        }
      }
      axis.insert(axis.end(), years[i].begin(), years[i].end());
    }
    std::sort(axis.begin(), axis.end());
    axis.erase(std::unique(axis.begin(), axis.end()), axis.end());
  }
  const int rows = byYear ? static_cast<int>(axis.size()) : specs.empty() ? 0 : std::max(specs.back().last - k, 0);
  d.rowLabels.assign(static_cast<std::size_t>(rows), std::string());
  for (const auto& sp : specs) {
    ChartSeries series{sp.label, std::vector<std::optional<double>>(static_cast<std::size_t>(rows)),
                       sp.source == &ws.mForecast || sp.computed};
    for (int r = sp.first; r <= sp.last && r <= sp.rowLimit; ++r) {
      int row = r - k;
      if (byYear) {
        const auto y = ArithmeticValue(sp.source->Get(r, sp.labelColumn));
        if (!y) continue;
        row = static_cast<int>(std::lower_bound(axis.begin(), axis.end(), *y) - axis.begin()) + 1;
      }
      if (row < 1 || row > rows) continue;
      const Cell& c = sp.source->Get(r, sp.column);
      if (!IsBlank(c)) {
        if (const auto v = ArithmeticValue(c)) {
          series.values[static_cast<std::size_t>(row - 1)] = (sp.predicted && in.absolute ? std::fabs(*v) : *v) / scale;
        }
      }
      const Cell& label = sp.source->Get(r, sp.labelColumn);
      if (!IsEmpty(label)) d.rowLabels[static_cast<std::size_t>(row - 1)] = CellText(label);
    }
    d.series.push_back(std::move(series));
  }
  // The forecast repeats the calculated series over the calculated years; drawn there too it
  // would hide it. It is drawn where it goes its own way, from the last year the two share.
  const auto predictedAt =
      std::find_if(specs.begin(), specs.end(), [&](const SeriesSpec& sp) { return sp.source == &calc; });
  const auto forecastAt =
      std::find_if(specs.begin(), specs.end(), [&](const SeriesSpec& sp) { return sp.source == &ws.mForecast; });
  if (predictedAt != specs.end() && forecastAt != specs.end()) {
    const auto& p = d.series[static_cast<std::size_t>(predictedAt - specs.begin())].values;
    auto& f = d.series[static_cast<std::size_t>(forecastAt - specs.begin())].values;
    const auto same = [&](std::size_t r) {
      return r < p.size() && p[r] && f[r] && std::fabs(*p[r] - *f[r]) <= 1e-12 * std::max(1.0, std::fabs(*p[r]));
    };
    for (std::size_t r = 0; r < f.size(); ++r) {
      const bool joins = r + 1 < f.size() && f[r + 1] && !same(r + 1);
      if (same(r) && !joins) f[r].reset();
    }
  }

  if (!st.chartTitle.empty()) {
    d.title = st.chartTitle;
  } else if (!st.showVariablesInTitle) {
    d.title = UpperCase(name) + " CHART";
  } else {
    bool any = false;
    for (bool b : in.impactSelected) any |= b;
    std::string list;
    for (std::size_t i = 0; i < in.impactVariables.size(); ++i) {
      if (!any || (i < in.impactSelected.size() && in.impactSelected[i])) list += in.impactVariables[i] + ",";
    }
    d.title = UpperCase("IMPACT OF " + list + " ON " + name);
  }
  d.showMarkers = st.showMarkers;
  d.markerSize = st.markerSize;
  return d;
}

}  // namespace quantorial
