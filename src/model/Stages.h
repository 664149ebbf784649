#pragma once
// The stages of the model pipeline that build and solve the model's blocks:
// "&Create Endo/Exo Matrix" (I - B, C and its lag, the selected exogenous variables and
// their history) and "&Invert Endo Matrix", "Create Impact &Matrices", "&Reciprocal"
// (the inverse of I - B and the impact multipliers B1 and B2).

#include <string>

#include "workspace/Host.h"
#include "workspace/MainForm.h"
#include "workspace/Workspace.h"

namespace quantorial {

// Appends a suffix to a label unless it already ends with it.
std::string WithSuffix(const std::string& label, const std::string& suffix);
// True when `label` ends with `name` (an empty name matches nothing).
bool LabelEndsWith(const std::string& label, const std::string& name);

// "&Create Endo/Exo Matrix".
void cmdEXV_Click(Workspace& ws, MainForm& form, Host& host);
// mCustomExo, mCustomExoLag and mTrendExo from mExo, mExoLag, mObserved and the selected
// impact variables.
void BuildSelectedExo(Workspace& ws, MainForm& form, Host& host);
// "&Invert Endo Matrix".
void cmdInvert_Click(Workspace& ws, MainForm& form, Host& host);
// "Create Impact &Matrices".
void cmdMultiply_Click(Workspace& ws, MainForm& form, Host& host);
// "&Reciprocal".
void cmdReciprocal_Click(Workspace& ws, MainForm& form, Host& host);

}  // namespace quantorial
