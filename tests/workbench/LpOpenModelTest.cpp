// File > Open Model: a model file solved into the LP slots, its report shown, and the search
// cancelled from the wait window.

#include <gtest/gtest.h>

#include <string>

#include "LpTextbookModel.h"
#include "MatrixBuilder.h"
#include "ScriptedHost.h"
#include "TempDir.h"
#include "workbench/CommandTable.h"
#include "workbench/Workbench.h"
#include "workspace/ValueRules.h"

namespace quantorial {
namespace {

using testing::kTextbook;
using testing::ScriptedHost;
using testing::TempDir;

// File > Open Model: a model file solved into the LP slots with its report in the text pane;
// what is not a model file, or does not read, is said and nothing is solved.
TEST(LpOpenModel, SolvesIntoTheSlotsOrSaysWhy) {
  TempDir dir;
  const struct {
    std::string path;
    const char* message;  // empty: solved
  } cases[] = {
      {dir.Write("m.lp", kTextbook), ""},
      {dir.Write("m.csv", ",x\na,1\n"), "is not a model file: a model file ends in .lp (CPLEX LP) or .mps (MPS)."},
      {dir.Write("bad.lp", "Maximize\n obj: x +\nSubject To\n c: x <= 1\nEnd\n"), "bad.lp\", line 3: "},
      {dir.Write("empty.mps", ""), "is empty: there is no model in it. Nothing was solved."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    ScriptedHost host;
    Workbench wb{host, nullptr, dir.path().string()};
    host.fileAnswers = {c.path};
    wb.mnuOpenModel_Click();
    if (*c.message) {
      ASSERT_EQ(host.Messages().size(), 1u);
      EXPECT_NE(host.Messages()[0].find(c.message), std::string::npos) << host.Messages()[0];
      EXPECT_FALSE(wb.ws.mLpSolution.IsFilled());
      continue;
    }
    EXPECT_TRUE(host.Messages().empty());
    EXPECT_EQ(CellText(wb.ws.mLpSolution.Get(1, 1)), "optimal");
    EXPECT_EQ(testing::V(wb.ws.mLpSolution, 2, 1), 40.5);
    ASSERT_TRUE(wb.ws.mLpRanging.IsFilled());
    EXPECT_EQ(CellText(wb.ws.mLpRanging.Get(4, 0)), "RHS of c1");
    EXPECT_EQ(testing::V(wb.ws.mLpRanging, 4, 5), 67.5);
    EXPECT_EQ(CellText(wb.ws.mLpRanging.Get(5, 3)), "+inf");
    const auto texts = host.CallsOf("PreviewText");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].title, "LP Report");
    EXPECT_NE(texts[0].text.find("Right-hand side ranges"), std::string::npos);
    EXPECT_EQ(host.PreviewCaptions(), (std::vector<std::string>{"2:LP Ranging", "1:LP Solution"}));
  }
}

// Cancel in the wait window stops a long branch-and-cut search; the slot says so.
TEST(LpOpenModel, CancelStopsTheSearch) {
  TempDir dir;
  const std::string text = testing::ParityModel();
  ScriptedHost host;
  host.cancelAt = 1;
  Workbench wb{host, nullptr, dir.path().string()};
  host.fileAnswers = {dir.Write("p.lp", text)};
  std::string error;
  ASSERT_TRUE(Perform(wb, Action{ActionKind::Click, "mnuOpenModel", {}, {}}, error)) << error;
  EXPECT_EQ(CellText(wb.ws.mLpSolution.Get(1, 1)), "cancelled");
  EXPECT_EQ(wb.LastOutcome().kind, OutcomeKind::Cancelled);
  EXPECT_FALSE(host.progress.empty());
  EXPECT_FALSE(wb.ws.mLpRanging.IsFilled());
}

}  // namespace
}  // namespace quantorial
