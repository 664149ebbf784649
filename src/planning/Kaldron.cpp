#include "planning/Kaldron.h"

#include <algorithm>
#include <cmath>

#include "matrix/MatrixFunctions.h"
#include "model/Stages.h"
#include "workspace/ValueRules.h"

namespace quantorial {

std::vector<std::string> OwnSectorInputs(const LabelledMatrix& bmat, int n) {
  std::vector<std::string> sectors;
  for (int i = 1; i <= std::min({n, bmat.UpperRow(), bmat.UpperCol()}); ++i) {
    const auto v = ArithmeticValue(bmat.Get(i, i));
    if (v && *v != 0.0 && *v != 1.0) sectors.push_back(CellText(bmat.Get(i, 0)));
  }
  return sectors;
}

KaldronPlan PlanKaldron(const LabelledMatrix& endo, const LabelledMatrix& extended, const LabelledMatrix& bmat) {
  KaldronPlan plan;
  const auto show = [&plan](const LabelledMatrix& m, int grid, const char* caption) {
    plan.previews.push_back({m, grid, caption});
  };
  plan.kaldronBMat = endo;
  plan.rhsIO = extended;
  const LabelledMatrix& ext = extended;
  const int n = std::max(plan.kaldronBMat.UpperRow(), 0);
  plan.rhsRowsDiffer = ext.UpperRow() != n;

  plan.kaldronRhs = ResizeMatrix(plan.kaldronBMat, 0, 2, 0, Cell());
  for (int i = 0; i <= n; ++i) {
    if (const auto c = ext.At(i, 1)) plan.kaldronRhs.Set(i, n + 1, *c);
    if (const auto c = ext.At(i, 2)) plan.kaldronRhs.Set(i, n + 2, *c);
  }

  // The constraints, in row order: a slack variable for "<", a surplus variable for ">".
  // The lists grow with the table (no limit of 99).
  struct Constraint {
    int row;
    std::string label;
    double sign;
  };
  std::vector<Constraint> constraints;
  for (int i = 0; i <= n; ++i) {
    const std::string type = CellText(ext.Get(i, 1));
    if (type == "<") constraints.push_back({i, "SV" + std::to_string(i), 1.0});
    if (type == ">") constraints.push_back({i, "PV" + std::to_string(i), -1.0});
  }
  const int s = static_cast<int>(constraints.size());
  // The augmented matrix is built in its slot and inverted into the next one; the plan
  // reads them there (a table of thousands of sectors is not copied more than it must be).
  plan.aug = ResizeMatrix(plan.kaldronBMat, s, s, 0, Cell());
  LabelledMatrix& aug = plan.aug;
  for (int j = 1; j <= s; ++j) {
    const Constraint& c = constraints[static_cast<std::size_t>(j - 1)];
    aug.Set(0, n + j, c.label);
    aug.Set(n + j, 0, c.label);
    for (int i = 1; i <= n + s; ++i) aug.Set(i, n + j, std::int16_t{0});
    aug.Set(c.row, n + j, c.sign);
    for (int k = 1; k <= n + s; ++k) aug.Set(n + j, k, std::int16_t{0});
    aug.Set(n + j, c.row, c.sign);
    aug.Set(n + j, n + j, -c.sign);
  }
  plan.augInverse = MatrixInverse(aug, 1);
  const LabelledMatrix& K = plan.augInverse;

  LabelledMatrix rhs = SubMatrixColumns(ext, 2, 0, 0);
  rhs = ResizeMatrix(rhs, s, 0, 0, Cell());
  for (int j = 1; j <= s; ++j) {
    rhs.Set(n + j, 0, constraints[static_cast<std::size_t>(j - 1)].label);
    rhs.Set(n + j, 1, std::int16_t{0});
  }
  show(K, 2, "KALDRON iNVERSE Matrix");
  show(rhs, 3, "RHS");

  plan.devOutput = MatrixMultiply(K, rhs, 0);
  const LabelledMatrix X = ResizeMatrix(plan.devOutput, -s, 0, 0, Cell());
  // The primary inputs are the B-matrix's rows below the n sectors, read in the sectors'
  // columns: a square B-matrix (sectors, then exogenous variables) and a table of sectors
  // with primary-input rows beneath them give the same block.
  const int m = std::max(bmat.UpperRow() - n, 0);
  LabelledMatrix P = SubMatrix(bmat, n + 1, m - 1, 1, 0, 0);
  P = ResizeMatrix(P, 0, -std::max(P.UpperCol() - n, 0), 0, Cell());
  plan.primaryInputs = P;
  show(P, 1, "MatrixMultiply Exo");
  show(X, 0, "MatrixMultiply");
  const LabelledMatrix Q = MatrixMultiply(P, X, 0);
  plan.primaryReq = Q;
  show(P, 2, "KALDRON B-Exo Matrix");
  show(K, 3, "KALDRON B Matrix");
  show(rhs, 4, "RHS Kaldron Data Matrix");
  show(X, 5, "Primary Requirement Data Matrix");
  show(Q, 1, "Primary Requirement Matrix");

  plan.failure = SingularNotice(K, "the plan's matrix (I - A with its constraint rows)");
  const std::string cells =
      NonNumberCellsNotice(bmat, n + m, n, "B-matrix cells that are not numbers count as 0 in the plan: ");
  if (!cells.empty()) plan.notices.push_back(cells);
  std::vector<std::string> targets;
  for (int i = 1; i <= std::min(n, ext.UpperRow()); ++i) {
    const Cell c = ext.Get(i, 2);
    if (IsText(c) && !ArithmeticValue(c))
      targets.push_back("\"" + CellText(c) + "\" (row " + CellText(ext.Get(i, 0)) + ")");
  }
  if (!targets.empty()) plan.notices.push_back("Targets that are not numbers count as 0: " + NameList(targets) + ".");
  // Outputs and requirements below 0 cannot be produced: the targets or the constraint rows
  // ask for something no plan meets.
  const auto negatives = [](const LabelledMatrix& r) {
    std::vector<std::string> names;
    for (int i = 1; i <= r.UpperRow(); ++i) {
      const auto v = ArithmeticValue(r.Get(i, 1));
      if (v && *v < 0.0) names.push_back(CellText(r.Get(i, 0)));
    }
    return names;
  };
  const std::vector<std::string> outputs = negatives(X), requirements = negatives(Q);
  if (!outputs.empty() || !requirements.empty()) {
    std::string text = "The plan gives";
    if (!outputs.empty()) text += " negative outputs for " + NameList(outputs);
    if (!outputs.empty() && !requirements.empty()) text += " and";
    if (!requirements.empty()) text += " negative requirements for " + NameList(requirements);
    text += ": no plan produces less than nothing. Check the targets";
    if (s > 0) {
      std::vector<std::string> labels;
      for (const Constraint& c : constraints) labels.push_back(c.label);
      text += " and the constraint rows (" + NameList(labels) + ")";
    }
    plan.notices.push_back(text + ".");
  }
  return plan;
}

}  // namespace quantorial
