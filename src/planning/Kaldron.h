#pragma once
// The KALDRON input-output plan: the endogenous block of the model read as an input-output
// system, I - A = mEndo, solved for the sector outputs that meet the targets of the extended
// data file (with a slack or surplus variable for every sector marked "<" or ">"), and the
// requirements of the primary inputs (the rows of the B-matrix below the sector block).

#include <string>
#include <vector>

#include "frontend/Host.h"
#include "model/Stages.h"
#include "workspace/Workspace.h"

namespace quantorial {

// The plan from mEndo, mExtended and mBMat into the slots 16 to 23 (steps after the
// extended file is chosen and the split made). The notices name what the plan rests on
// doubtfully: a singular matrix, cells that are not numbers, outputs or requirements below 0.
void RunKaldron(Workspace& ws, Host& host, StageNotices* notices = nullptr);

// The sectors of the B-matrix's square block (1..n) whose own coefficient is neither 0 nor 1:
// the plan leaves those out, as the split sets the diagonal of I - A to 1.
std::vector<std::string> OwnSectorInputs(const LabelledMatrix& bmat, int n);

}  // namespace quantorial
