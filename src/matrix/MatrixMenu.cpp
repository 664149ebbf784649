#include "matrix/MatrixMenu.h"

#include <array>

#include "matrix/MatrixFunctions.h"
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

LabelledMatrix LoadChosen(MatrixFileSource& files, const std::optional<std::string>& path) {
  return path ? files.ExcelArrayLoad(*path) : LabelledMatrix();
}

// Stores the result, shows it and says the command is done; a result in which statements
// overflowed and kept their old values is not called complete.
void Finish(const MatrixMenuEntry& e, LabelledMatrix result, Workspace& ws, Host& host, const OverflowWatch& watch,
            std::string* failure) {
  const std::uint64_t overflows = watch.Count();
  ws.mLindoBase = std::move(result);
  host.Preview(ws.mLindoBase, 3, e.resultCaption);
  host.HoldOn("");
  if (overflows > 0) {
    const std::string message =
        std::string(e.resultCaption) + " is not complete: " + OverflowNotice(overflows) + " See results below.";
    if (failure) *failure = message;
    MsgBoxEx(host, message, vbExclamation);
    return;
  }
  MsgBoxEx(host, e.item == I::mnuMatrixAdd ? kAdditionDone : kOperationDone, vbInformation);
}

}  // namespace

std::span<const MatrixMenuEntry> MatrixMenuEntries() { return kEntries; }

const MatrixMenuEntry& MatrixMenuEntryOf(MatrixMenuItem item) {
  for (const auto& e : kEntries) {
    if (e.item == item) return e;
  }
  return kEntries[0];
}

LabelledMatrix MatrixFileSource::LoadMatrixFile(const std::string& title) {
  return LoadChosen(*this, ChooseMatrixFile(title));
}

bool RunMatrixMenuCommand(MatrixMenuItem item, Workspace& ws, Host& host, MatrixFileSource& files,
                          std::string* failure) {
  const MatrixMenuEntry& e = MatrixMenuEntryOf(item);
  const OverflowWatch watch;
  switch (item) {
    case I::mnuMatrixAdd:
    case I::cmdMatrixSub:
    case I::mnuMatrixMult: {
      const auto first = files.ChooseMatrixFile("Select the First File");
      const auto second = files.ChooseMatrixFile("Select the Second File");
      host.HoldOn(e.statusText);
      LabelledMatrix result;
      {
        const LabelledMatrix A = LoadChosen(files, first);
        const LabelledMatrix B = LoadChosen(files, second);
        if (item == I::mnuMatrixAdd || item == I::cmdMatrixSub) {
          bool incompatible = false;
          result = item == I::mnuMatrixAdd ? MatrixSum(A, B, 1, incompatible) : MatrixDifference(A, B, 1, incompatible);
          if (incompatible) {
            if (failure) *failure = kNotCompatiblePrompt;
            MsgBoxEx(host, kNotCompatiblePrompt, vbCritical + vbOKOnly, std::string(kNotCompatibleTitle));
          }
        } else {
          result = MatrixMultiply(A, B, 0);
        }
      }
      Finish(e, std::move(result), ws, host, watch, failure);
      return true;
    }
    case I::mnuInvert:
    case I::mnuInvertPivot:
    case I::mnuReciprocal: {
      const auto path = files.ChooseMatrixFile(item == I::mnuReciprocal ? "" : "Select the file");
      host.HoldOn(e.statusText);
      const LabelledMatrix A = LoadChosen(files, path);
      LabelledMatrix result = item == I::mnuInvert        ? MatrixInverse(A, 1)
                              : item == I::mnuInvertPivot ? MatrixInversePivot(A, 1)
                                                          : MatrixReciprocal(A, 1.0, 0);
      Finish(e, std::move(result), ws, host, watch, failure);
      return true;
    }
    case I::cmdMatrixTranspose: {
      host.HoldOn(e.statusText);
      const LabelledMatrix A = files.LoadMatrixFile("");
      Finish(e, MatrixTranspose(A, 2), ws, host, watch, failure);
      return true;
    }
    case I::mnuScalarMult:
    case I::mnuScalarMult2: {
      const auto answer = host.InputBox("Enter Multiplier", "", "");
      const double x = LeadingNumber(answer.value_or(""));
      if (x == 0.0) return false;
      const auto path = files.ChooseMatrixFile("");
      host.HoldOn(e.statusText);
      const LabelledMatrix A = LoadChosen(files, path);
      Finish(e, ScalarMultiply(A, x, item == I::mnuScalarMult2, 1), ws, host, watch, failure);
      return true;
    }
    case I::mnuCreateIDMatrix: {
      const auto answer = host.InputBox("Enter matrix size:", "Create Identity Matrix", "");
      const auto n = answer ? WholeNumberRounded(*answer) : std::nullopt;
      if (!n || *n < 2) return false;
      host.HoldOn(e.statusText);
      LabelledMatrix identity = IdentityMatrix(*n, 1);
      if (!identity.IsAssigned()) {
        host.HoldOn("");
        const std::string message =
            "An identity matrix of size " + std::to_string(*n) + " is too large to hold in memory.";
        if (failure) *failure = message;
        MsgBoxEx(host, message, vbCritical);
        return true;
      }
      Finish(e, std::move(identity), ws, host, watch, failure);
      return true;
    }
  }
  return false;
}

}  // namespace quantorial
