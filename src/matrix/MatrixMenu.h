#pragma once
// The "&Matrix Operations" menu: a small matrix calculator over data files. Each command
// asks for its operand files (or a size or a multiplier), loads them, applies one
// operation, stores the result in mLindoBase, shows it in grid 3 and says it is done.

#include <optional>
#include <span>
#include <string>

#include "frontend/Host.h"
#include "workspace/LabelledMatrix.h"
#include "workspace/Workspace.h"

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

// How the menu reaches data files; the data-file layer provides it.
class MatrixFileSource {
 public:
  virtual ~MatrixFileSource() = default;
  // The file dialog with that title ("Select Data File" when empty); the chosen path of
  // an existing file, or nothing.
  virtual std::optional<std::string> ChooseMatrixFile(const std::string& title) = 0;
  // The first sheet's used range of a data file; unassigned when it cannot be read.
  virtual LabelledMatrix ExcelArrayLoad(const std::string& path) = 0;
  // The file dialog, then the chosen file loaded; unassigned when nothing was chosen.
  LabelledMatrix LoadMatrixFile(const std::string& title);
};

// Runs one menu command. False when it ended silently before doing anything (a
// multiplier of 0, an identity size below 2, a cancelled entry), true otherwise. What made
// it fail (matrices of other shapes, a result that is not complete, a size too large to
// hold) goes to `failure` when given, besides its message box; a file that cannot be read
// is the file source's to tell.
bool RunMatrixMenuCommand(MatrixMenuItem item, Workspace& ws, Host& host, MatrixFileSource& files,
                          std::string* failure = nullptr);

}  // namespace quantorial
