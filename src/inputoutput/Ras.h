#pragma once
// Biproportional balancing: a prior matrix scaled row by row and column by column until its
// row and column sums meet their targets (RAS). When the prior has negative cells, the
// generalised form (GRAS) scales the positive and the negative parts in opposite directions:
// z_ij = r_i p_ij s_j - n_ij / (r_i s_j), with p and n the positive and the negative parts.
// Without negative cells the two are the same.
//
// The work is on the prior's non-zero cells only. Without negative cells, margins that no
// matrix with the prior's zero cells can meet are refused before any sweep, with the rows or
// columns that cannot be met (a transport problem: the most the prior's cells can carry from
// the row targets to the column targets, found as a maximum flow); RAS would only creep
// towards them, sweep after sweep.

#include <functional>
#include <string>
#include <vector>

namespace quantorial {

struct RasOptions {
  double tolerance = 1e-10;  // the largest gap of a row or column sum to its target, relative to max(1, |target|)
  int maxSweeps = 10000;     // one sweep scales the rows, then the columns
  // Told after every sweep the sweeps done and the largest relative gap left; false stops the
  // balancing (cancelled). Empty: nobody is told.
  std::function<bool(int sweeps, double gap)> progress;
};

struct RasResult {
  std::vector<std::vector<double>> matrix;
  int sweeps = 0;
  bool generalised = false;  // the prior had negative cells
  double gap = 0.0;          // the largest relative gap left
  std::string error;         // why the prior cannot be balanced to the targets; the matrix is empty then
  bool cancelled = false;    // the progress callback stopped it (the error says after how many sweeps)
};

RasResult BalanceRas(const std::vector<std::vector<double>>& prior, const std::vector<double>& rowTargets,
                     const std::vector<double>& colTargets, const RasOptions& options,
                     const std::vector<std::string>& rowNames = {}, const std::vector<std::string>& colNames = {});

}  // namespace quantorial
