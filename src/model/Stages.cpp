#include "model/Stages.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "matrix/MatrixFunctions.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

// The change symbol in front of a label's text; an empty label stays empty.
void PrefixedLabel(LabelledMatrix& target, int ti, int tj, const LabelledMatrix& source, int si, int sj,
                   const std::string& symbol) {
  const std::string text = CellText(source.Get(si, sj));
  if (!text.empty()) target.Set(ti, tj, symbol + text);
}

void CopyFrom(LabelledMatrix& target, int ti, int tj, const LabelledMatrix& source, int si, int sj) {
  const auto c = source.At(si, sj);
  if (c) target.Set(ti, tj, *c);
}

// True when the data rows of an observed column hold only 0 and 1 (empty counts as 0):
// a policy (dummy) variable.
bool IsPolicyColumn(const LabelledMatrix& observed, int j) {
  for (int i = 1; i <= observed.UpperRow(); ++i) {
    const Cell& c = observed.Get(i, j);
    if (IsEmpty(c)) continue;
    const auto v = ArithmeticValue(c);
    if (!v || (*v != 0.0 && *v != 1.0)) return false;
  }
  return true;
}

void SuffixColumnLabels(LabelledMatrix& m, const std::string& suffix) {
  for (int c = 1; c <= m.UpperCol(); ++c) {
    if (m.At(0, c)) m.Set(0, c, WithSuffix(CellText(m.Value(0, c)), suffix));
  }
}

}  // namespace

std::string WithSuffix(const std::string& label, const std::string& suffix) {
  if (label.size() >= suffix.size() && label.compare(label.size() - suffix.size(), suffix.size(), suffix) == 0) {
    return label;
  }
  return label + suffix;
}

bool LabelEndsWith(const std::string& label, const std::string& name) {
  return !name.empty() && label.size() >= name.size() &&
         label.compare(label.size() - name.size(), name.size(), name) == 0;
}

std::vector<int> PairSeriesWithLabels(const std::vector<std::string>& names, const std::vector<std::string>& labels,
                                      const std::string& changeSymbol) {
  std::vector<int> label(names.size(), -1);
  std::vector<bool> taken(labels.size(), false);
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t j = 0; j < names.size(); ++j) {
      if (label[j] >= 0) continue;
      const std::string& name = names[j];
      for (std::size_t c = 0; c < labels.size(); ++c) {
        const std::string& l = labels[c];
        const bool match = pass == 0 ? (!name.empty() && (l == name || l == changeSymbol + name))
                                     : (!taken[c] && LabelEndsWith(l, name));
        if (match) {
          label[j] = static_cast<int>(c);
          taken[c] = true;
          break;
        }
      }
    }
  }
  return label;
}

std::string NameList(const std::vector<std::string>& names) {
  constexpr std::size_t kShown = 8;
  std::string s;
  for (std::size_t i = 0; i < names.size() && i < kShown; ++i) {
    if (i > 0) s += i + 1 == names.size() ? " and " : ", ";
    s += names[i];
  }
  if (names.size() > kShown) s += " and " + std::to_string(names.size() - kShown) + " more";
  return s;
}

std::string SingularNotice(const LabelledMatrix& inverse, const std::string& what) {
  const auto first = inverse.At(1, 1);
  if (!first || !IsText(*first)) return std::string();
  const std::string text = CellText(*first);
  if (text.rfind(kSingularMarker, 0) != 0 && text.rfind(kSingularPivotMarker, 0) != 0) return std::string();
  return "The inversion of " + what + " failed: \"" + text +
         "\" stands in its first cell, and every later result rests on it.";
}

std::string NonNumberCellsNotice(const LabelledMatrix& m, int rows, int cols, const std::string& lead) {
  std::vector<std::string> texts;
  for (int i = 1; i <= std::min(rows, m.UpperRow()); ++i) {
    for (int j = 1; j <= std::min(cols, m.UpperCol()); ++j) {
      const Cell c = m.Value(i, j);
      if (IsText(c) && !ArithmeticValue(c)) {
        texts.push_back("\"" + CellText(c) + "\" (row " + CellText(m.Get(i, 0)) + ", column " + CellText(m.Get(0, j)) +
                        ")");
      }
    }
  }
  return texts.empty() ? std::string() : lead + NameList(texts) + ".";
}

std::string YearLabelsNotice(const LabelledMatrix& observed, const std::string& command) {
  for (int i = 1; i <= observed.UpperRow(); ++i) {
    const Cell label = observed.Get(i, 0);
    if (IsEmpty(label)) continue;
    const auto v = ArithmeticValue(label);
    if (v && std::isfinite(*v) && *v == std::floor(*v)) continue;
    return "The observations are labelled \"" + CellText(label) + "\" (row " + std::to_string(i) +
           "), not by year, as quarterly, monthly or dated data are: " + command +
           " counts one year per row past the last label, so the labels it adds are not the periods that follow.";
  }
  return std::string();
}

StageResult SplitModel(Workspace& ws, const SplitOptions& options, std::vector<std::string>* exogenousNames) {
  StageResult result;
  const int R = options.endogenous, C = options.columns, k = std::min(R, C);
  const LabelledMatrix& B = ws.mBMat;
  if (R > B.UpperRow()) {
    result.notices.push_back(std::to_string(R) + " endogenous variables were asked for, but the B-matrix has only " +
                             std::to_string(std::max(B.UpperRow(), 0)) + " rows: the missing rows count as 0.");
  }
  if (C - k < 1) {
    result.notices.push_back("No exogenous columns are left after the first " + std::to_string(k) +
                             " columns of the B-matrix: the impact multipliers are empty.");
  }
  const std::string texts = NonNumberCellsNotice(B, R, C, "B-matrix cells that are not numbers take no part: ");
  if (!texts.empty()) result.notices.push_back(texts);

  ws.mExoBMat = LabelledMatrix::Dimension(R, C);
  for (int i = 0; i <= R; ++i) {
    for (int j = 0; j <= C; ++j) CopyFrom(ws.mExoBMat, i, j, B, i, j);
  }
  result.previews.push_back({ws.mExoBMat, 3, "Special Endo Exo Matrix"});

  ws.mKaldronBMat = LabelledMatrix::Dimension(R, R);
  for (int i = 0; i <= R; ++i) {
    for (int j = 0; j <= R; ++j) CopyFrom(ws.mKaldronBMat, i, j, B, i, j);
  }
  result.previews.push_back({ws.mKaldronBMat, 3, "Special KaldronBmat Matrix"});

  // I - B: 1 on the diagonal, the negated coefficients elsewhere.
  ws.mEndo = LabelledMatrix::Dimension(R, R);
  for (int i = 0; i <= R; ++i) {
    for (int j = 0; j <= R; ++j) {
      if (i == 0 || j == 0) {
        PrefixedLabel(ws.mEndo, i, j, B, i, j, ws.sChangeSymbol);
      } else if (i == j) {
        ws.mEndo.Set(i, j, std::int16_t{1});
      } else {
        const Cell& b = B.Get(i, j);
        const auto v = ArithmeticValue(b);
        if (!IsEmpty(b) && v && *v != 0.0) {
          ws.mEndo.Set(i, j, -*v);
        } else {
          CopyFrom(ws.mEndo, i, j, B, i, j);
        }
      }
    }
  }

  // C: the exogenous columns with their own signs.
  ws.mExo = LabelledMatrix::Dimension(R, C - k);
  for (int i = 0; i <= R; ++i) {
    int e = 0;
    for (int j = 0; j <= C; ++j) {
      if (j == 0) {
        CopyFrom(ws.mExo, i, e, B, i, 0);
        ++e;
      } else if (j > k && i <= k) {
        CopyFrom(ws.mExo, i, e, B, i, j);
        if (i == 0) PrefixedLabel(ws.mExo, 0, e, B, 0, j, ws.sChangeSymbol);
        ++e;
      }
    }
    PrefixedLabel(ws.mExo, i, 0, B, i, 0, ws.sChangeSymbol);
  }

  if (exogenousNames) {
    exogenousNames->clear();
    for (int j = k + 1; j <= C; ++j) exogenousNames->push_back(CellText(B.Get(0, j)));
  }

  ws.mExoLag = ScalarMultiply(ws.mExo, -1.0, false, 1);
  StageResult selected = SelectExogenous(ws, options.selected, options.policyDummy);
  result.Append(std::move(selected));

  if (options.policyDummy) {
    const int n = ws.nEndoVars;
    for (int j = n + 1; j <= ws.mObserved.UpperCol(); ++j) {
      if (!IsPolicyColumn(ws.mObserved, j)) continue;
      for (int i = 1; i <= R; ++i) ws.mExoLag.Set(i, j - n, 0.0);
    }
  }
  SuffixColumnLabels(ws.mExo, "(t)");
  SuffixColumnLabels(ws.mExoLag, "(t-1)");

  result.previews.push_back({ws.mExo, 0, "Exo Matrix"});
  result.previews.push_back({ws.mExoLag, 1, "Exo Lag Matrix"});
  ws.mSplitBMat = ws.mBMat;  // what KALDRON checks to know the split is of this B-matrix
  return result;
}

void StageResult::Append(StageResult&& other) {
  for (auto& p : other.previews) previews.push_back(std::move(p));
  for (auto& n : other.notices) notices.push_back(std::move(n));
  if (failure.empty()) failure = std::move(other.failure);
}

StageResult SelectExogenous(Workspace& ws, const std::vector<bool>& selectedVariables, bool policyDummy) {
  StageResult result;
  const int selected = static_cast<int>(std::count(selectedVariables.begin(), selectedVariables.end(), true));
  if (selected >= 1) {
    ws.mCustomExo = LabelledMatrix::Dimension(std::max(ws.mExo.UpperRow(), 0), selected);
    for (int i = 0; i <= ws.mExo.UpperRow(); ++i) {
      int e = 0;
      CopyFrom(ws.mCustomExo, i, 0, ws.mExo, i, 0);
      for (int j = 1; j <= ws.mExo.UpperCol(); ++j) {
        const std::size_t item = static_cast<std::size_t>(j - 1);
        if (item < selectedVariables.size() && selectedVariables[item]) {
          ++e;
          CopyFrom(ws.mCustomExo, i, e, ws.mExo, i, j);
        }
      }
    }
    ws.mCustomExoLag = ScalarMultiply(ws.mCustomExo, -1.0, false, 1);
  } else {
    ws.mCustomExo = ws.mExo;
    ws.mCustomExoLag = ws.mExoLag;
  }

  // The history of the selected exogenous variables: an observed series goes to the first
  // column whose label ends with its name.
  const LabelledMatrix& obs = ws.mObserved;
  const int T = std::max(obs.UpperRow(), 0), m = std::max(ws.mCustomExoLag.UpperCol(), 0);
  ws.mTrendExo = LabelledMatrix::Dimension(T, m);
  for (int i = 0; i <= T; ++i) CopyFrom(ws.mTrendExo, i, 0, obs, i, 0);
  // Each observed series goes to the column of its variable.
  std::vector<std::string> names{std::string()}, labels{std::string()};
  for (int j = 1; j <= obs.UpperCol(); ++j) names.push_back(CellText(obs.Get(0, j)));
  for (int c = 1; c <= m; ++c) labels.push_back(CellText(ws.mCustomExoLag.Get(0, c)));
  const std::vector<int> column = PairSeriesWithLabels(names, labels, ws.sChangeSymbol);
  std::vector<bool> taken(static_cast<std::size_t>(m) + 1, false);
  for (const int c : column) {
    if (c > 0) taken[static_cast<std::size_t>(c)] = true;
  }
  for (int j = 1; j <= obs.UpperCol(); ++j) {
    const int c = column[static_cast<std::size_t>(j)];
    if (c <= 0) continue;
    for (int i = 0; i <= T; ++i) CopyFrom(ws.mTrendExo, i, c, obs, i, j);
  }
  // Without observed data (an input-output table alone) there is nothing to match.
  if (obs.IsFilled()) {
    std::vector<std::string> unmatched;
    for (int c = 1; c <= m; ++c) {
      if (!taken[static_cast<std::size_t>(c)]) unmatched.push_back("\"" + CellText(ws.mCustomExoLag.Get(0, c)) + "\"");
    }
    if (!unmatched.empty()) {
      result.notices.push_back("No data series for the exogenous " +
                               std::string(unmatched.size() == 1 ? "variable " : "variables ") + NameList(unmatched) +
                               " (names must match the data file's column names): counted as 0.");
    }
  }

  if (policyDummy) {
    for (int j = ws.nEndoVars + 1; j <= obs.UpperCol(); ++j) {
      if (!IsPolicyColumn(obs, j)) continue;
      const int c = column[static_cast<std::size_t>(j)];
      if (c == 0) continue;
      for (int i = 1; i <= ws.mCustomExoLag.UpperRow(); ++i) ws.mCustomExoLag.Set(i, c, 0.0);
    }
  }
  SuffixColumnLabels(ws.mCustomExo, "(t)");
  SuffixColumnLabels(ws.mCustomExoLag, "(t-1)");
  result.previews.push_back({ws.mCustomExo, 2, "Selected Exo Matrix"});
  result.previews.push_back({ws.mCustomExoLag, 3, "Selected Exo Lag Matrix"});
  return result;
}

StageResult InvertEndo(Workspace& ws) {
  StageResult result;
  ws.mEndoInverse = MatrixInversePivot(ws.mEndo, 1);
  result.failure = SingularNotice(ws.mEndoInverse, "I - B");
  result.previews.push_back({ws.mEndoInverse, 1, "Inverse of Endo Matrix"});
  return result;
}

StageResult MultiplyImpact(Workspace& ws) {
  StageResult result;
  ws.mImpact = MatrixMultiply(ws.mEndoInverse, ws.mCustomExo, 0);
  ws.mImpactLag = MatrixMultiply(ws.mEndoInverse, ws.mCustomExoLag, 0);
  for (int c = 1; c <= ws.mImpact.UpperCol(); ++c) {
    if (ws.mImpact.At(0, c)) ws.mImpact.Set(0, c, WithSuffix(CellText(ws.mImpact.Value(0, c)), "(t)"));
    if (ws.mImpactLag.At(0, c)) ws.mImpactLag.Set(0, c, WithSuffix(CellText(ws.mImpactLag.Value(0, c)), "(t-1)"));
  }
  result.previews.push_back({ws.mCustomExo, 0, "Selected Exo Matrix"});
  result.previews.push_back({ws.mCustomExoLag, 1, "Selected Exo Lag Matrix"});
  result.previews.push_back({ws.mImpact, 2, "B1 Matrix"});
  result.previews.push_back({ws.mImpactLag, 3, "B2 Matrix"});
  return result;
}

StageResult ReciprocalOfImpact(Workspace& ws) {
  StageResult result;
  ws.mReciprocal = MatrixReciprocal(ws.mImpact, 1.0, 1);
  result.previews.push_back({ws.mReciprocal, 1, "Reciprocal of Impact Matrix"});
  return result;
}

}  // namespace quantorial
