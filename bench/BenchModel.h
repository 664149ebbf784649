// A random model for the benchmarks.
#pragma once

#include <random>
#include <string>

#include "workbench/Workbench.h"

namespace quantorial {

// A random model: n endogenous and k exogenous variables named Y1.. and X.., a B-matrix with
// small endogenous coefficients and exogenous ones within +-exoSpread, and `years` observed
// years from firstYear + 1 on.
inline void RandomModel(Workbench& wb, int n, int k, int years, double firstYear, double endoSpread, double exoSpread,
                        unsigned seed) {
  std::mt19937_64 gen(seed);
  std::uniform_real_distribution<double> small(-endoSpread, endoSpread), coef(-exoSpread, exoSpread), level(50, 150);
  LabelledMatrix b = LabelledMatrix::Dimension(n, n + k);
  LabelledMatrix obs = LabelledMatrix::Dimension(years, n + k);
  obs.Set(0, 0, "Year");
  for (int j = 1; j <= n + k; ++j) {
    const std::string name = (j <= n ? "Y" : "X") + std::to_string(j);
    b.Set(0, j, name);
    obs.Set(0, j, name);
  }
  for (int i = 1; i <= n; ++i) {
    b.Set(i, 0, "Y" + std::to_string(i));
    for (int j = 1; j <= n + k; ++j) b.Set(i, j, i == j ? 0.0 : (j <= n ? small(gen) : coef(gen)));
  }
  for (int t = 1; t <= years; ++t) {
    obs.Set(t, 0, firstYear + t);
    for (int j = 1; j <= n + k; ++j) obs.Set(t, j, level(gen));
  }
  wb.ws.mObserved = obs;
  wb.ws.mBMat = b;
  wb.form.txtRows = std::to_string(n);
  wb.form.txtCols = std::to_string(n + k);
}

// Forecast data for the exogenous variables n+1..n+k of the model, `years` years from 2021 on,
// loaded as the forecast dialog would.
inline void ForecastData(Workbench& wb, int n, int k, int years) {
  LabelledMatrix fx = LabelledMatrix::Dimension(years, k);
  for (int j = 1; j <= k; ++j) fx.Set(0, j, wb.ws.mObserved.Get(0, n + j));
  for (int r = 1; r <= years; ++r) {
    fx.Set(r, 0, 2020.0 + r);
    for (int j = 1; j <= k; ++j) fx.Set(r, j, 100.0 + r + j);
  }
  wb.ws.mForecastExo = fx;
  wb.ws.bForecastDataLoaded = true;
}

}  // namespace quantorial
