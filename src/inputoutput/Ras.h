#pragma once
// Biproportional balancing: a prior matrix scaled row by row and column by column until its
// row and column sums meet their targets (RAS). When the prior has negative cells, the
// generalised form (GRAS) scales the positive and the negative parts in opposite directions:
// z_ij = r_i p_ij s_j - n_ij / (r_i s_j), with p and n the positive and the negative parts.
// Without negative cells the two are the same.

#include <string>
#include <vector>

namespace quantorial {

struct RasOptions {
  double tolerance = 1e-10;  // the largest gap of a row or column sum to its target, relative to max(1, |target|)
  int maxSweeps = 10000;     // one sweep scales the rows, then the columns
};

struct RasResult {
  std::vector<std::vector<double>> matrix;
  int sweeps = 0;
  bool generalised = false;  // the prior had negative cells
  double gap = 0.0;          // the largest relative gap left
  std::string error;         // why the prior cannot be balanced to the targets; the matrix is empty then
};

RasResult BalanceRas(const std::vector<std::vector<double>>& prior, const std::vector<double>& rowTargets,
                     const std::vector<double>& colTargets, const RasOptions& options,
                     const std::vector<std::string>& rowNames = {}, const std::vector<std::string>& colNames = {});

}  // namespace quantorial
