#pragma once
// The KALDRON input-output plan: the endogenous block of the model read as an input-output
// system, I - A = mEndo, solved for the sector outputs that meet the targets of the extended
// data file (with a slack or surplus variable for every sector marked "<" or ">"), and the
// requirements of the primary inputs (the rows of the B-matrix below the sector block).

#include <string>
#include <vector>

#include "model/Stages.h"
#include "workspace/LabelledMatrix.h"

namespace quantorial {

// The plan and what it shows: the matrices of the slots 16 to 23, whether the targets have
// another number of rows than I - A (the plan goes on with the rows there are), the
// intermediate matrices to show in order, and the notices naming what the plan rests on
// doubtfully (a singular matrix, cells that are not numbers, outputs or requirements below 0).
struct KaldronPlan {
  LabelledMatrix kaldronBMat, rhsIO, kaldronRhs, aug, augInverse, devOutput, primaryInputs, primaryReq;
  bool rhsRowsDiffer = false;
  std::vector<GridPreview> previews;
  StageNotices notices;
  std::string failure;  // the plan's matrix was singular: nothing planned can be trusted
};

// The plan on I - A (the split's mEndo), the targets (the extended data file) and the
// B-matrix whose rows below the sectors are the primary inputs.
KaldronPlan PlanKaldron(const LabelledMatrix& endo, const LabelledMatrix& extended, const LabelledMatrix& bmat);

// The sectors of the B-matrix's square block (1..n) whose own coefficient is neither 0 nor 1:
// the plan leaves those out, as the split sets the diagonal of I - A to 1.
std::vector<std::string> OwnSectorInputs(const LabelledMatrix& bmat, int n);

}  // namespace quantorial
