#pragma once
// The stages of the model pipeline that build and solve the model's blocks:
// "&Create Endo/Exo Matrix" (I - B, C and its lag, the selected exogenous variables and
// their history) and "&Invert Endo Matrix", "Create Impact &Matrices", "&Reciprocal"
// (the inverse of I - B and the impact multipliers B1 and B2).

#include <functional>
#include <string>
#include <vector>

#include "workspace/Workspace.h"

namespace quantorial {

// Appends a suffix to a label unless it already ends with it.
std::string WithSuffix(const std::string& label, const std::string& suffix);
// True when `label` ends with `name` (an empty name matches nothing).
bool LabelEndsWith(const std::string& label, const std::string& name);
// The model label that stands for each data series: for names[j], the index into `labels`
// of the label that is the name itself or the change symbol and the name, else of the first
// label not yet taken that ends with the name; -1 for a series no label stands for.
std::vector<int> PairSeriesWithLabels(const std::vector<std::string>& names, const std::vector<std::string>& labels,
                                      const std::string& changeSymbol);

// What a stage found wrong in its inputs while it computed through them, one text each,
// naming the cells or names; the workbench shows them in one notice.
using StageNotices = std::vector<std::string>;

// A matrix a computation shows on the way: the grid and its caption, in the order shown.
struct GridPreview {
  LabelledMatrix matrix;
  int grid;
  std::string caption;
};

// What a stage computed besides the workspace's matrices: the matrices to show, in order,
// and the notices about its inputs.
struct StageResult {
  std::vector<GridPreview> previews;
  StageNotices notices;
  // Set when the results cannot be trusted (a singular matrix whose marker feeds them): the
  // previews still show what was computed, and the command fails with this message.
  std::string failure;
  void Append(StageResult&& other);
};

// A stage over the years: its matrices and notices, and the number of its sums of matrices
// whose shapes differ (each leaves its year empty; the workbench says so once).
struct ComputedStage : StageResult {
  int incompatibleSums = 0;
};

// What a long computation shows on the way, for a front end that watches: status texts and
// intermediate matrices in a grid. Either may be left unset.
struct StageWatch {
  std::function<void(const std::string&)> status;
  std::function<void(const LabelledMatrix&, int grid, const std::string& caption)> preview;
  void Status(const std::string& text) const {
    if (status) status(text);
  }
  void Preview(const LabelledMatrix& m, int grid, const std::string& caption) const {
    if (preview) preview(m, grid, caption);
  }
};

// The split of the B-matrix (mBMat) into the model's blocks.
struct SplitOptions {
  int endogenous = 0;          // the number of endogenous variables: the first rows and columns
  int columns = 0;             // the B-matrix's columns taken (the loader's column count)
  bool policyDummy = false;    // policy (dummy) variables have no lag
  std::vector<bool> selected;  // the exogenous variables selected for the impact (none: all)
};

// "&Create Endo/Exo Matrix": I - B (mEndo), C (mExo) and its lag, the selected exogenous
// variables and their history, the copies mExoBMat and mKaldronBMat; records the split
// B-matrix in mSplitBMat. `exogenousNames` gets the names of the exogenous columns.
StageResult SplitModel(Workspace& ws, const SplitOptions& options, std::vector<std::string>* exogenousNames = nullptr);
// mCustomExo, mCustomExoLag and mTrendExo from mExo, mExoLag, mObserved and the selected
// exogenous variables (none selected: all of them).
StageResult SelectExogenous(Workspace& ws, const std::vector<bool>& selected, bool policyDummy);
// "&Invert Endo Matrix": mEndoInverse; a singular I - B is told as a notice.
StageResult InvertEndo(Workspace& ws);
// The notice for an inverse that carries a singular-matrix marker, else empty.
std::string SingularNotice(const LabelledMatrix& inverse, const std::string& what);
// `lead` followed by the text cells among rows and columns 1.. of m that are not numbers, each
// with its row and column label ("\"n/a\" (row S2, column S1)"); empty when there are none.
std::string NonNumberCellsNotice(const LabelledMatrix& m, int rows, int cols, const std::string& lead);
// The notice for observations labelled otherwise than by year ("1990:2", a date), which a
// command that counts one year per row past the last label would continue wrongly; empty
// when every label in column 0 is a whole number or empty.
std::string YearLabelsNotice(const LabelledMatrix& observed, const std::string& command);
// "a, b, c and 4 more": the first few of a list of names.
std::string NameList(const std::vector<std::string>& names);
// "Create Impact &Matrices": the impact multipliers B1 (mImpact) and B2 (mImpactLag).
StageResult MultiplyImpact(Workspace& ws);
// "&Reciprocal": the reciprocal of the impact matrix (mReciprocal).
StageResult ReciprocalOfImpact(Workspace& ws);

}  // namespace quantorial
