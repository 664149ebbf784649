#include <gtest/gtest.h>

#include "MatrixBuilder.h"
#include "ScriptedHost.h"
#include "TempDir.h"
#include "io/DataFile.h"
#include "workbench/CommandTable.h"
#include "workbench/MatrixCommands.h"
#include "workbench/Workbench.h"

namespace quantorial {
namespace {

using testing::Dump;
using testing::HostCall;
using testing::ScriptedHost;
using testing::TempDir;

class MatrixMenu : public ::testing::Test {
 protected:
  TempDir dir;
  ScriptedHost host;
  Workbench wb{host, nullptr, "/data/folder"};
  Workspace& ws = wb.ws;

  // Clicks the menu item as the window does; true unless the command was cancelled.
  bool Run(MatrixMenuItem item) {
    std::string error;
    EXPECT_TRUE(Perform(wb, Action{ActionKind::Click, MatrixMenuEntryOf(item).name, {}, {}}, error)) << error;
    return wb.LastOutcome().kind != OutcomeKind::Cancelled;
  }
  std::vector<std::string> Kinds() const {
    std::vector<std::string> k;
    for (const auto& c : host.calls) k.push_back(c.kind);
    return k;
  }
};

const char* kThreeVars = ",a,b,c\nx,1,2,3\ny,4,5,6\nz,7,8,9\n";
const char* kFourVars = ",a,b,c,d\nx,1,2,3,4\ny,4,5,6,7\nz,7,8,9,1\nw,1,1,1,1\n";

TEST_F(MatrixMenu, AdditionOfIncompatibleFilesShowsBothMessages) {
  host.fileAnswers = {dir.Write("three.csv", kThreeVars), dir.Write("four.csv", kFourVars)};
  EXPECT_TRUE(Run(MatrixMenuItem::mnuMatrixAdd));
  EXPECT_EQ(host.Messages(), (std::vector<std::string>{"Matrices are not compatible!",
                                                       "Matrix addition completed...see results below."}));
  EXPECT_FALSE(ws.mLindoBase.IsAssigned());
  EXPECT_TRUE(wb.LastOutcome().Failed());
  EXPECT_EQ(wb.LastOutcome().message, "Matrices are not compatible!");
  EXPECT_EQ(Kinds(), (std::vector<std::string>{"Open", "Open", "HoldOn", "MsgBox", "Preview", "HoldOn", "MsgBox"}));
  EXPECT_EQ(host.fileRequests[0].title, "Select the First File");
  EXPECT_EQ(host.fileRequests[1].title, "Select the Second File");
  EXPECT_EQ(host.fileRequests[0].initialFolder, "/data/folder");
  EXPECT_EQ(host.fileRequests[0].filter, kDataFileFilter);  // the data files' dialog, as loading has
  const auto done = host.CallsOf("MsgBox")[1];
  EXPECT_EQ(done.number, vbInformation);
  EXPECT_EQ(done.title, "Quantorial");
}

// A result in which statements overflowed and kept their old values is not called complete.
TEST_F(MatrixMenu, OverflowedStatementsAreReportedNotCompleted) {
  const std::string big = dir.Write("big.csv", ",p\nx,1e308\n");
  const struct {
    MatrixMenuItem item;
    std::vector<std::string> files;
    std::optional<std::string> multiplier;
    const char* message;
  } cases[] = {
      {MatrixMenuItem::mnuMatrixAdd,
       {big, big},
       std::nullopt,
       "Matrix Addition is not complete: 1 statement overflowed (a result beyond the range of numbers) and kept its "
       "old value. See results below."},
      {MatrixMenuItem::mnuScalarMult,
       {big},
       std::string("1e999"),
       "Matrix Scalar Multiplication is not complete: 1 statement overflowed (a result beyond the range of numbers) "
       "and kept its old value. See results below."},
  };
  for (const auto& c : cases) {
    host = ScriptedHost();
    host.fileAnswers.assign(c.files.begin(), c.files.end());
    if (c.multiplier) host.inputAnswers = {c.multiplier};
    EXPECT_TRUE(Run(c.item));
    EXPECT_EQ(host.Messages(), std::vector<std::string>{c.message});
    EXPECT_EQ(host.CallsOf("MsgBox").back().number, vbCritical);  // the icon of a failure
    EXPECT_TRUE(wb.LastOutcome().Failed());
    EXPECT_EQ(wb.LastOutcome().message, c.message);
    EXPECT_EQ(Dump(ws.mLindoBase), ",\"p\"\n\"x\",1e+308\n");
  }
}

TEST_F(MatrixMenu, EveryFileCommandStoresShowsAndReports) {
  const std::string a = dir.Write("a.csv", ",p,q\nx,2,0\ny,0,4\n");
  const std::string b = dir.Write("b.csv", ",p,q\nx,1,1\ny,1,1\n");
  struct Case {
    MatrixMenuItem item;
    std::vector<std::string> answers;  // file choices
    std::optional<std::string> input;  // multiplier
    const char* status;
    const char* caption;
    const char* dialogTitle;
    const char* result;
  } cases[] = {
      {MatrixMenuItem::cmdMatrixTranspose,
       {a},
       {},
       "Transposing Matrix",
       "Matrix Transposition",
       "Select Data File",
       ",\"x\",\"y\"\n\"p\",2,0\n\"q\",0,4\n"},
      {MatrixMenuItem::mnuMatrixAdd,
       {a, b},
       {},
       "Adding Matrices",
       "Matrix Addition",
       "Select the First File",
       ",\"p\",\"q\"\n\"x\",3,1\n\"y\",1,5\n"},
      {MatrixMenuItem::cmdMatrixSub,
       {a, b},
       {},
       "Subtracting Matrices",
       "Matrix Subtraction",
       "Select the First File",
       ",\"p\",\"q\"\n\"x\",1,-1\n\"y\",-1,3\n"},
      {MatrixMenuItem::mnuMatrixMult,
       {a, b},
       {},
       "Mutiplying Matrices",
       "Matrix Multiplication",
       "Select the First File",
       ",\"p\",\"q\"\n\"x\",2,2\n\"y\",4,4\n"},
      {MatrixMenuItem::mnuScalarMult,
       {a},
       "5",
       "Mutiplying Matrices",
       "Matrix Scalar Multiplication",
       "Select Data File",
       ",\"p\",\"q\"\n\"x\",10,0\n\"y\",0,20\n"},
      {MatrixMenuItem::mnuScalarMult2,
       {b},
       "-3x",
       "Mutiplying Matrices",
       "Matrix Special Scalar Multiplication",
       "Select Data File",
       ",\"p\",\"q\"\n\"x\",1,-3\n\"y\",-3,1\n"},
      {MatrixMenuItem::mnuInvert,
       {a},
       {},
       "Inverting Matrix",
       "Inverted Matrix",
       "Select the file",
       ",\"p\",\"q\"\n\"x\",0.5,0\n\"y\",0,0.25\n"},
      {MatrixMenuItem::mnuInvertPivot,
       {a},
       {},
       "Inverting Matrix by Elimination with Partial Pivoting",
       "Inverted Matrix (Using Pivoting)",
       "Select the file",
       ",\"p\",\"q\"\n\"x\",0.5,0\n\"y\",0,0.25\n"},
      {MatrixMenuItem::mnuReciprocal,
       {a},
       {},
       "Calculating Reciprocal of Matrices",
       "Matrix Reciprocal",
       "Select Data File",
       ",\"p\",\"q\"\n\"x\",0.5,0\n\"y\",0,0.25\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(MatrixMenuEntryOf(c.item).name);
    host = ScriptedHost();
    for (const auto& f : c.answers) host.fileAnswers.push_back(f);
    if (c.input) host.inputAnswers.push_back(c.input);
    ws.mLindoBase.Erase();
    EXPECT_TRUE(Run(c.item));
    EXPECT_EQ(wb.LastOutcome().kind, OutcomeKind::Done);
    EXPECT_EQ(Dump(ws.mLindoBase), c.result);
    ASSERT_FALSE(host.fileRequests.empty());
    EXPECT_EQ(host.fileRequests[0].title, c.dialogTitle);
    const auto holds = host.CallsOf("HoldOn");
    ASSERT_EQ(holds.size(), 2u);
    EXPECT_EQ(holds[0].text, c.status);
    EXPECT_EQ(holds[1].text, "");
    const auto previews = host.CallsOf("Preview");
    ASSERT_EQ(previews.size(), 1u);
    EXPECT_EQ(previews[0].number, 3);
    EXPECT_EQ(previews[0].text, c.caption);
    EXPECT_EQ(previews[0].matrix, ws.mLindoBase);
    EXPECT_EQ(host.Messages().back(), c.item == MatrixMenuItem::mnuMatrixAdd
                                          ? "Matrix addition completed...see results below."
                                          : "Matrix operation completed...see results below.");
  }
}

TEST_F(MatrixMenu, TransposeShowsItsStatusBeforeTheDialog) {
  host.fileAnswers = {dir.Write("a.csv", kThreeVars)};
  Run(MatrixMenuItem::cmdMatrixTranspose);
  EXPECT_EQ(Kinds(), (std::vector<std::string>{"HoldOn", "Open", "Preview", "HoldOn", "MsgBox"}));
}

TEST_F(MatrixMenu, SpecialScalarLeavesTheIdentityAlone) {
  const std::string id = dir.Write("id.csv", ",a,b,c\na,1,0,0\nb,0,1,0\nc,0,0,1\n");
  host.inputAnswers = {"5"};
  host.fileAnswers = {id};
  Run(MatrixMenuItem::mnuScalarMult2);
  EXPECT_EQ(Dump(ws.mLindoBase), ",\"a\",\"b\",\"c\"\n\"a\",1,0,0\n\"b\",0,1,0\n\"c\",0,0,1\n");
  host.inputAnswers = {"5"};
  host.fileAnswers = {id};
  Run(MatrixMenuItem::mnuScalarMult);
  EXPECT_EQ(Dump(ws.mLindoBase), ",\"a\",\"b\",\"c\"\n\"a\",5,0,0\n\"b\",0,5,0\n\"c\",0,0,5\n");
}

TEST_F(MatrixMenu, ZeroOrCancelledMultiplierDoesNothing) {
  for (std::optional<std::string> answer : {std::optional<std::string>("0"), std::optional<std::string>(),
                                            std::optional<std::string>("abc"), std::optional<std::string>("")}) {
    for (auto item : {MatrixMenuItem::mnuScalarMult, MatrixMenuItem::mnuScalarMult2}) {
      host = ScriptedHost();
      host.inputAnswers = {answer};
      ws.mLindoBase = LabelledMatrix::Dimension(1, 1);
      EXPECT_FALSE(Run(item));
      EXPECT_EQ(Kinds(), (std::vector<std::string>{"InputBox"}));  // no dialog, no message
      EXPECT_EQ(host.calls[0].text, "Enter Multiplier");
      EXPECT_EQ(host.calls[0].title, "");
      EXPECT_EQ(ws.mLindoBase, LabelledMatrix::Dimension(1, 1));
    }
  }
}

TEST_F(MatrixMenu, IdentitySize) {
  for (std::optional<std::string> answer : {std::optional<std::string>("1"), std::optional<std::string>("0.5"),
                                            std::optional<std::string>("abc"), std::optional<std::string>()}) {
    host = ScriptedHost();
    host.inputAnswers = {answer};
    EXPECT_FALSE(Run(MatrixMenuItem::mnuCreateIDMatrix));
    EXPECT_EQ(Kinds(), (std::vector<std::string>{"InputBox"}));
    EXPECT_EQ(host.calls[0].text, "Enter matrix size:");
    EXPECT_EQ(host.calls[0].title, "Create Identity Matrix");
  }
  host = ScriptedHost();
  host.inputAnswers = {"2.5"};  // halves round to even: 2
  EXPECT_TRUE(Run(MatrixMenuItem::mnuCreateIDMatrix));
  EXPECT_EQ(Dump(ws.mLindoBase), "1,0\n0,1\n");
  host = ScriptedHost();
  host.inputAnswers = {"2.6"};  // rounds to 3
  EXPECT_TRUE(Run(MatrixMenuItem::mnuCreateIDMatrix));
  EXPECT_EQ(Dump(ws.mLindoBase), "1,0,0\n0,1,0\n0,0,1\n");
  EXPECT_EQ(ws.mLindoBase.Lower(1), 1);
  EXPECT_EQ(host.CallsOf("Preview")[0].text, "Indentity Matrix");
  EXPECT_EQ(host.CallsOf("HoldOn")[0].text, "Creating Identity Matrix");
}

TEST_F(MatrixMenu, IdentityTooLargeToHoldIsReported) {
  host.inputAnswers = {"50000"};
  ws.mLindoBase = LabelledMatrix::Dimension(1, 1);
  EXPECT_TRUE(Run(MatrixMenuItem::mnuCreateIDMatrix));
  EXPECT_EQ(host.Messages(),
            (std::vector<std::string>{"An identity matrix of size 50000 is too large to hold in memory."}));
  EXPECT_EQ(host.CallsOf("MsgBox")[0].number, vbCritical);
  EXPECT_TRUE(wb.LastOutcome().Failed());
  EXPECT_EQ(ws.mLindoBase, LabelledMatrix::Dimension(1, 1));  // the earlier result stays
}

TEST_F(MatrixMenu, SingularFilesShowTheirMarkers) {
  const std::string s = dir.Write("s.csv", ",a,b\na,0,1\nb,1,0\n");
  host.fileAnswers = {s};
  Run(MatrixMenuItem::mnuInvert);
  EXPECT_EQ(ws.mLindoBase.Value(1, 1), Cell(std::string("Warning: Singular Matrix")));
  // The grid shows the marker; the command failed, and its box names the file instead of
  // calling the operation completed.
  const std::string said =
      "\"" + s + "\" cannot be inverted: Warning: Singular Matrix; the result shown is not an inverse.";
  EXPECT_EQ(host.Messages(), (std::vector<std::string>{said}));
  EXPECT_EQ(host.CallsOf("MsgBox")[0].number & kMsgBoxIconMask, vbCritical);
  EXPECT_TRUE(wb.LastOutcome().Failed());
  EXPECT_EQ(wb.LastOutcome().message, said);
  host.fileAnswers = {s};
  Run(MatrixMenuItem::mnuInvertPivot);
  EXPECT_EQ(ws.mLindoBase.Value(1, 1), Cell(std::string("SINGULAR MATRIX FOR K = 1")));
  EXPECT_EQ(wb.LastOutcome().message,
            "\"" + s + "\" cannot be inverted: SINGULAR MATRIX FOR K = 1; the result shown is not an inverse.");
  host.fileAnswers = {dir.Write("r.csv", ",a,b\na,0,1\nb,1,0\n")};
  Run(MatrixMenuItem::mnuReciprocal);  // a zero has no reciprocal, but that is no inversion
  EXPECT_EQ(wb.LastOutcome().kind, OutcomeKind::Done);
}

TEST_F(MatrixMenu, NameLabelsCarriedThroughMultiplication) {
  host.fileAnswers = {dir.Write("a.csv", "Name,k1,k2\nalpha,1,2\nbeta,3,4\n"),
                      dir.Write("b.csv", "B,gamma,delta\nk1,1,0\nk2,0,1\n")};
  Run(MatrixMenuItem::mnuMatrixMult);
  EXPECT_EQ(Dump(ws.mLindoBase), "\"Name\",\"gamma\",\"delta\"\n\"alpha\",1,2\n\"beta\",3,4\n");
}

// A file dialog declined (or a file that is not there) stops the command before anything is
// computed: cancelled, not "completed", and the earlier result stays.
TEST_F(MatrixMenu, CancelledOrMissingFilesStopTheCommand) {
  host.fileAnswers = {std::nullopt};
  ws.mLindoBase = LabelledMatrix::Dimension(1, 1);
  Run(MatrixMenuItem::mnuInvert);
  EXPECT_EQ(wb.LastOutcome().kind, OutcomeKind::Cancelled);
  EXPECT_EQ(ws.mLindoBase, LabelledMatrix::Dimension(1, 1));
  EXPECT_TRUE(host.Messages().empty());

  host = ScriptedHost();
  host.fileAnswers = {dir.Write("a.csv", ",p\nx,1\n"), dir.File("nor-this.csv")};
  Run(MatrixMenuItem::mnuMatrixMult);
  EXPECT_EQ(wb.LastOutcome().kind, OutcomeKind::Cancelled);
  EXPECT_EQ(ws.mLindoBase, LabelledMatrix::Dimension(1, 1));
  EXPECT_TRUE(host.Messages().empty());
}

TEST_F(MatrixMenu, UnreadableFileIsReportedByName) {
  const std::string broken = dir.Write("broken.csv", ",a\nx,\"open quote\n");
  host.fileAnswers = {broken};
  Run(MatrixMenuItem::mnuReciprocal);
  // The command stops there: nothing is computed from a table that was not read.
  ASSERT_EQ(host.Messages().size(), 1u);
  EXPECT_EQ(host.Messages()[0], "Cannot read the data file \"" + broken + "\": line 2: a quoted field is not closed");
  EXPECT_EQ(host.CallsOf("MsgBox")[0].number, vbCritical);
  EXPECT_EQ(wb.LastOutcome().message, host.Messages()[0]);
  EXPECT_FALSE(ws.mLindoBase.IsAssigned());
}

}  // namespace
}  // namespace quantorial
