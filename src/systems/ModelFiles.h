#pragma once
// The estimated model as the workbench's own files: the structural B-matrix and the data
// file that goes with it.
//
// The B-matrix has a row per endogenous variable and the columns: the endogenous variables,
// then the predetermined ones ("const", the current exogenous variables, the lags such as
// "P(-1)"). Row i holds the equation or identity whose left-hand side is endogenous variable
// i, written as y_i = sum B_ij y_j + sum C_ik x_k: an equation's coefficients, an identity's
// +-1. The workbench's I - B and (I - B)^-1 C are then the structural form and the reduced
// form's impact multipliers. The data file has the same columns over the sample years, with
// "const" (1) and the lagged values.

#include <string>

#include "systems/Model.h"
#include "systems/SystemFile.h"

namespace quantorial {

struct StructuralFiles {
  std::string bmat;  // CSV text
  std::string data;  // CSV text
};

// The B-matrix and data file of `model` over `data` (the data with its derived series and the
// identities' left-hand sides, as the estimation left it). False with a message when an
// endogenous variable is the left-hand side of no equation or identity, or of two.
bool MakeStructuralFiles(const Model& model, const DataTable& data, StructuralFiles& files, std::string& error);

}  // namespace quantorial
