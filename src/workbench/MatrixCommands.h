#pragma once
// The "&Matrix Operations" menu: a small matrix calculator over data files. Each command
// (Workbench::RunMatrixMenu) asks for its operand files (or a size or a multiplier), loads
// them, applies one operation of the matrix library, stores the result in mLindoBase, shows
// it in grid 3 and says it is done.

#include <span>

namespace quantorial {

enum class MatrixMenuItem {
  cmdMatrixTranspose,
  mnuMatrixAdd,
  cmdMatrixSub,
  mnuMatrixMult,
  mnuScalarMult,
  mnuScalarMult2,
  mnuCreateIDMatrix,
  mnuInvert,
  mnuInvertPivot,
  mnuReciprocal,
};

struct MatrixMenuEntry {
  MatrixMenuItem item;
  const char* name;           // control name of the menu item
  const char* caption;        // menu caption
  const char* statusText;     // HoldOn text while it runs
  const char* resultCaption;  // caption of the result in grid 3
};

// The ten commands in menu order.
std::span<const MatrixMenuEntry> MatrixMenuEntries();
const MatrixMenuEntry& MatrixMenuEntryOf(MatrixMenuItem item);

}  // namespace quantorial
