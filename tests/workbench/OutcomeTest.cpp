#include <gtest/gtest.h>

#include "MatrixBuilder.h"
#include "WorkbenchFixture.h"
#include "workbench/CommandTable.h"

namespace quantorial {
namespace {

using testing::E;
using testing::M;
using testing::T;

class Outcomes : public testing::WorkbenchFixture {
 protected:
  Outcome Click(const std::string& control) {
    std::string error;
    EXPECT_TRUE(Perform(wb, Action{ActionKind::Click, control, {}, {}}, error)) << error;
    return wb.LastOutcome();
  }
  void LoadSmallModel() {
    wb.ws.mObserved = M({{T("Year"), T("y"), T("x")}, {2001.0, 10.0, 4.0}, {2002.0, 12.0, 6.0}});
    wb.ws.mBMat = M({{E, T("y"), T("x"), T("z")}, {T("y"), 0.0, 0.5, 0.1}});
    wb.form.txtRows = "1";
    wb.form.txtCols = "3";
    for (const char* c : {"cmdEXV", "cmdKALDRON"}) wb.form.Enable(c, true);
  }
};

// Each command says how it ended through its outcome: the handler decides, not the look of
// a message box.
TEST_F(Outcomes, DoneCancelledAndFailedAreTheHandlersWord) {
  LoadSmallModel();
  // The question declined: nothing done, and nothing failed.
  host.inputAnswers.push_back(std::nullopt);
  Outcome o = Click("cmdEXV");
  EXPECT_EQ(o.kind, OutcomeKind::Cancelled);
  EXPECT_TRUE(o.message.empty());

  // Done, with the notice about the exogenous variable the data lack.
  host.inputAnswers.push_back(std::string("1"));
  o = Click("cmdEXV");
  EXPECT_EQ(o.kind, OutcomeKind::Done);
  ASSERT_EQ(o.notices.size(), 1u);
  EXPECT_NE(o.notices[0].find("No data series for the exogenous variable"), std::string::npos) << o.notices[0];

  // A failure carries its message; the next action starts afresh.
  wb.ws.mBMat = LabelledMatrix();
  o = Click("cmdKALDRON");
  EXPECT_EQ(o.kind, OutcomeKind::Failed);
  EXPECT_NE(o.message.find("KALDRON plans on a B-matrix"), std::string::npos) << o.message;
  o = Click("cmdInvert");
  EXPECT_EQ(o.kind, OutcomeKind::Done);
  EXPECT_TRUE(o.notices.empty());
}

// The command line and the script player read a command's outcome, never its boxes, so a box
// with an error or a warning icon that is not the command's failure would let a broken
// command exit 0. Every button and menu item is clicked on a workbench with a small model and
// every control enabled, once with answers that make commands go wrong (a damaged data file
// for every file asked for, a text for every number) and once with each question declined.
TEST_F(Outcomes, EveryWarningBoxIsTheCommandsFailure) {
  const std::string broken = dir.Write("broken.csv", ",a\nx,\"open quote\n");
  const std::string good = dir.Write("good.csv", ",p,q\nx,2,0\ny,0,4\n");
  struct Answers {
    const char* what;
    std::vector<std::optional<std::string>> files, inputs;
  } answers[] = {
      {"broken files", {broken, broken, broken}, {"abc", "abc", "abc"}},
      {"good files, odd numbers", {good, good, good}, {"0.5", "-3", "99999999"}},
      {"everything declined", {}, {}},
  };
  for (const auto& entry : ControlTable()) {
    if (entry.kind != ControlKind::Button && entry.kind != ControlKind::MenuItem) continue;
    // The buttons of the dialogs a command opens are pressed inside that command; the
    // estimation window's are clicked with the window open.
    const bool estimation = entry.name.rfind("frmEstimate.", 0) == 0;
    if (entry.name.find('.') != std::string::npos && !estimation) continue;
    for (const auto& a : answers) {
      SCOPED_TRACE(entry.name + " with " + a.what);
      testing::ScriptedHost h;
      Workbench bench{h, nullptr, dir.path().string()};
      bench.ws.mObserved = M({{T("Year"), T("y"), T("x")}, {2001.0, 10.0, 4.0}, {2002.0, 12.0, 6.0}});
      bench.ws.mBMat = M({{E, T("y"), T("x"), T("z")}, {T("y"), 0.0, 0.5, 0.1}});
      bench.form.txtRows = "1";
      bench.form.txtCols = "3";
      for (const auto& c : ControlTable()) bench.form.Enable(c.name, true);
      h.fileAnswers.assign(a.files.begin(), a.files.end());
      h.inputAnswers.assign(a.inputs.begin(), a.inputs.end());
      h.forecastOk = !a.files.empty();
      std::string error;
      if (estimation) {
        ASSERT_TRUE(Perform(bench, Action{ActionKind::Click, "mnuEstimateSystem", {}, {}}, error)) << error;
        bench.EstimationWindow()->txtSystem = "equation y const x";
      }
      if (!Perform(bench, Action{ActionKind::Click, entry.name, {}, {}}, error)) continue;
      bool warned = false;
      for (const auto& call : h.CallsOf("MsgBox")) {
        const int icon = call.number & kMsgBoxIconMask;
        warned = warned || icon == vbCritical || icon == vbExclamation;
      }
      if (warned) EXPECT_TRUE(bench.LastOutcome().Failed()) << ::testing::PrintToString(h.Messages());
    }
  }
}

// A failure stands over a later cancel; an action run inside another (a dialog's button)
// adds to the outer action's outcome rather than starting a new one.
TEST(OutcomeLog, TheFirstFailureStandsAndNestedActionsAddToTheOuterOne) {
  OutcomeLog log;
  {
    const OutcomeLog::Scope outer(log);
    log.Note({"first"});
    {
      const OutcomeLog::Scope inner(log);
      log.Fail("broken");
      log.Fail("later");
      log.Cancel();
    }
    log.Note({"second"});
  }
  EXPECT_EQ(log.Current().kind, OutcomeKind::Failed);
  EXPECT_EQ(log.Current().message, "broken");
  EXPECT_EQ(log.Current().notices, (std::vector<std::string>{"first", "second"}));
  const OutcomeLog::Scope next(log);
  EXPECT_EQ(log.Current().kind, OutcomeKind::Done);
  EXPECT_TRUE(log.Current().notices.empty());
}

}  // namespace
}  // namespace quantorial
