#include "workbench/MatrixCommands.h"

#include <array>

#include "io/DataFile.h"
#include "matrix/MatrixFunctions.h"
#include "workbench/Workbench.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

using I = MatrixMenuItem;

const std::array<MatrixMenuEntry, 10> kEntries = {{
    {I::cmdMatrixTranspose, "cmdMatrixTranspose", "Matrix &Transpose", "Transposing Matrix", "Matrix Transposition"},
    {I::mnuMatrixAdd, "mnuMatrixAdd", "Matrix &Addition", "Adding Matrices", "Matrix Addition"},
    {I::cmdMatrixSub, "cmdMatrixSub", "Matrix &Subtraction", "Subtracting Matrices", "Matrix Subtraction"},
    {I::mnuMatrixMult, "mnuMatrixMult", "Matrix &Multiplication", "Mutiplying Matrices", "Matrix Multiplication"},
    {I::mnuScalarMult, "mnuScalarMult", "Scala&r Multiplication", "Mutiplying Matrices",
     "Matrix Scalar Multiplication"},
    {I::mnuScalarMult2, "mnuScalarMult2", "S&pecial Scalar Multiplication", "Mutiplying Matrices",
     "Matrix Special Scalar Multiplication"},
    {I::mnuCreateIDMatrix, "mnuCreateIDMatrix", "&Create Identity Matrix", "Creating Identity Matrix",
     "Indentity Matrix"},
    {I::mnuInvert, "mnuInvert", "Matrix &Invert", "Inverting Matrix", "Inverted Matrix"},
    {I::mnuInvertPivot, "mnuInvertPivot", "Matrix Invert by &Elimination with Partial Pivoting",
     "Inverting Matrix by Elimination with Partial Pivoting", "Inverted Matrix (Using Pivoting)"},
    {I::mnuReciprocal, "mnuReciprocal", "Matrix Reciprocal ", "Calculating Reciprocal of Matrices",
     "Matrix Reciprocal"},
}};

constexpr const char* kAdditionDone = "Matrix addition completed...see results below.";
constexpr const char* kOperationDone = "Matrix operation completed...see results below.";

}  // namespace

std::span<const MatrixMenuEntry> MatrixMenuEntries() { return kEntries; }

const MatrixMenuEntry& MatrixMenuEntryOf(MatrixMenuItem item) {
  for (const auto& e : kEntries) {
    if (e.item == item) return e;
  }
  return kEntries[0];
}

std::optional<std::string> Workbench::ChooseMatrixFile(const std::string& title) {
  return ChooseDataFile(title.empty() ? kSelectDataFileTitle : title);
}

LabelledMatrix Workbench::LoadMatrixFile(const std::string& title) { return LoadChosen(ChooseMatrixFile(title)); }

LabelledMatrix Workbench::LoadChosen(const std::optional<std::string>& path) {
  return path ? ExcelArrayLoad(*path) : LabelledMatrix();
}

// Stores the result, shows it and says the command is done; a result in which statements
// overflowed and kept their old values is not called complete.
void Workbench::FinishMatrixMenu(MatrixMenuItem item, LabelledMatrix result, const OverflowWatch& watch,
                                 const std::string& source) {
  const MatrixMenuEntry& e = MatrixMenuEntryOf(item);
  const std::uint64_t overflows = watch.Count();
  ws.mLindoBase = std::move(result);
  host_.Preview(ws.mLindoBase, 3, e.resultCaption);
  host_.HoldOn("");
  // An inversion that met a pivot it cannot divide by leaves its marker in the first cell,
  // which the grid shows: the result is not an inverse, and the command failed.
  if (item == I::mnuInvert || item == I::mnuInvertPivot) {
    if (const auto first = ws.mLindoBase.At(1, 1); first && IsText(*first)) {
      const std::string text = CellText(*first);
      if (text.rfind(kSingularMarker, 0) == 0 || text.rfind(kSingularPivotMarker, 0) == 0) {
        Fail("\"" + source + "\" cannot be inverted: " + text + "; the result shown is not an inverse.");
        return;
      }
    }
  }
  if (overflows > 0) {
    Fail(std::string(e.resultCaption) + " is not complete: " + OverflowNotice(overflows) + " See results below.",
         vbExclamation);
    return;
  }
  Note(item == I::mnuMatrixAdd ? kAdditionDone : kOperationDone);
}

// A file dialog declined stops the command before anything is computed (cancelled), and a
// chosen file that cannot be read stops it failed (the loading has said why).
bool Workbench::MatrixFilesChosen(std::initializer_list<const std::optional<std::string>*> paths) {
  for (const auto* p : paths) {
    if (!*p) {
      host_.HoldOn("");
      Cancelled();
      return false;
    }
  }
  return true;
}

// A multiplier of 0, an identity size below 2 or a cancelled entry ends the command silently
// before it does anything: cancelled. Matrices of other shapes, a result that is not complete
// and a size too large to hold are its failures; a file that cannot be read is the loading's.
void Workbench::RunMatrixMenu(MatrixMenuItem item) {
  const MatrixMenuEntry& e = MatrixMenuEntryOf(item);
  const OverflowWatch watch;
  switch (item) {
    case I::mnuMatrixAdd:
    case I::cmdMatrixSub:
    case I::mnuMatrixMult: {
      const auto first = ChooseMatrixFile("Select the First File");
      if (!MatrixFilesChosen({&first})) return;
      const auto second = ChooseMatrixFile("Select the Second File");
      if (!MatrixFilesChosen({&second})) return;
      host_.HoldOn(e.statusText);
      LabelledMatrix result;
      {
        const long long failures = outcome_.FailuresTold();
        const LabelledMatrix A = LoadChosen(first);
        const LabelledMatrix B = LoadChosen(second);
        if (outcome_.FailuresTold() != failures) return host_.HoldOn("");
        if (item == I::mnuMatrixAdd || item == I::cmdMatrixSub) {
          bool incompatible = false;
          result = item == I::mnuMatrixAdd ? MatrixAdd(A, B, 1, incompatible) : MatrixSubtract(A, B, 1, incompatible);
          if (incompatible) Fail(kNotCompatiblePrompt, vbCritical + vbOKOnly, std::string(kNotCompatibleTitle));
        } else {
          result = MatrixMultiply(A, B, 0);
        }
      }
      FinishMatrixMenu(item, std::move(result), watch, *second);
      return;
    }
    case I::mnuInvert:
    case I::mnuInvertPivot:
    case I::mnuReciprocal: {
      const auto path = ChooseMatrixFile(item == I::mnuReciprocal ? "" : "Select the file");
      if (!MatrixFilesChosen({&path})) return;
      host_.HoldOn(e.statusText);
      const long long failures = outcome_.FailuresTold();
      const LabelledMatrix A = LoadChosen(path);
      if (outcome_.FailuresTold() != failures) return host_.HoldOn("");
      LabelledMatrix result = item == I::mnuInvert        ? MatrixInverse(A, 1)
                              : item == I::mnuInvertPivot ? MatrixInversePivot(A, 1)
                                                          : MatrixReciprocal(A, 1.0, 0);
      FinishMatrixMenu(item, std::move(result), watch, *path);
      return;
    }
    case I::cmdMatrixTranspose: {
      host_.HoldOn(e.statusText);  // before the dialog, as the transposition always did
      const auto path = ChooseMatrixFile("");
      if (!MatrixFilesChosen({&path})) return;
      const long long failures = outcome_.FailuresTold();
      const LabelledMatrix A = LoadChosen(path);
      if (outcome_.FailuresTold() != failures) return host_.HoldOn("");
      FinishMatrixMenu(item, MatrixTranspose(A, 2), watch, *path);
      return;
    }
    case I::mnuScalarMult:
    case I::mnuScalarMult2: {
      const auto answer = host_.InputBox("Enter Multiplier", "", "");
      const double x = LeadingNumber(answer.value_or(""));
      if (x == 0.0) return Cancelled();
      const auto path = ChooseMatrixFile("");
      if (!MatrixFilesChosen({&path})) return;
      host_.HoldOn(e.statusText);
      const long long failures = outcome_.FailuresTold();
      const LabelledMatrix A = LoadChosen(path);
      if (outcome_.FailuresTold() != failures) return host_.HoldOn("");
      FinishMatrixMenu(item, ScalarMultiply(A, x, item == I::mnuScalarMult2, 1), watch, *path);
      return;
    }
    case I::mnuCreateIDMatrix: {
      const auto answer = host_.InputBox("Enter matrix size:", "Create Identity Matrix", "");
      const auto n = answer ? WholeNumberRounded(*answer) : std::nullopt;
      if (!n || *n < 2) return Cancelled();
      host_.HoldOn(e.statusText);
      LabelledMatrix identity = IdentityMatrix(*n, 1);
      if (!identity.IsAssigned()) {
        host_.HoldOn("");
        Fail("An identity matrix of size " + std::to_string(*n) + " is too large to hold in memory.", vbCritical);
        return;
      }
      FinishMatrixMenu(item, std::move(identity), watch, "the identity matrix");
      return;
    }
  }
}

}  // namespace quantorial
