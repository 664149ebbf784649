#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

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

  // Warned, with the notice about the exogenous variable the data lack.
  host.inputAnswers.push_back(std::string("1"));
  o = Click("cmdEXV");
  EXPECT_EQ(o.kind, OutcomeKind::Warned);
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

// The command line and the script player read a command's outcome, never its boxes, and the
// box's icon follows from the outcome: an error icon is a failure, a warning icon a command
// warned (or failed), and a failure is never silent. Every button and menu item is clicked on
// a workbench with a small model and every control enabled, once with answers that make
// commands go wrong (a damaged data file for every file asked for, a text for every number),
// once with odd numbers and once with each question declined.
TEST_F(Outcomes, EveryBoxsIconIsItsCommandsOutcome) {
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
      const Outcome& o = bench.LastOutcome();
      bool critical = false, exclamation = false;
      for (const auto& call : h.CallsOf("MsgBox")) {
        const int icon = call.number & kMsgBoxIconMask;
        critical = critical || icon == vbCritical;
        exclamation = exclamation || icon == vbExclamation;
      }
      const std::string told = ::testing::PrintToString(h.Messages());
      if (critical) {
        EXPECT_EQ(o.kind, OutcomeKind::Failed) << told;
      }
      if (exclamation) {
        EXPECT_TRUE(o.kind == OutcomeKind::Warned || o.kind == OutcomeKind::Failed) << told;
      }
      // A failure the window passes over in silence is said by the command line instead.
      if (o.kind == OutcomeKind::Failed && o.told) {
        EXPECT_TRUE(critical) << "a failure nobody was told of: " << o.message;
      }
      if (o.kind == OutcomeKind::Warned) {
        EXPECT_TRUE(exclamation) << "a warning nobody was told of";
      }
    }
  }
}

// What each command does afterwards decides its kind, whatever its message looks like: the
// cases of the table are set up on files and answers, played through the command table, and
// the kind and a word of the message compared.
TEST_F(Outcomes, EachSituationHasItsKind) {
  const std::string broken = dir.Write("broken.csv", ",a\nx,\"open quote\n");
  const std::string singular = dir.Write("singular.csv", ",a,b\nx,1,2\ny,2,4\n");
  const std::string twoByTwo = dir.Write("two.csv", ",a,b\nx,1,0\ny,0,1\n");
  const std::string threeByOne = dir.Write("three.csv", ",a\nx,1\ny,2\nz,3\n");
  const std::string data = dir.Write("d.csv", "Year,y,x\n2001,10,4\n2002,12,6\n2003,13,6\n");
  const std::string forecastGap = dir.Write("f.csv", "Year,x\n2005,8\n2006,8\n");
  const std::string bmatOnly = dir.Write("plain.csv", ",y,x\ny,0,0.5\n");
  const std::string pairedB = dir.Write("m_NOR_BMAT.CSV", ",y,x\ny,0,0.5\n");
  dir.Write("m_NOR_AMAT.CSV", ",a\nx,\"open quote\n");
  const std::string lp = dir.Write("lp.csv", ",Tables,Chairs,Relation,Limit\nWood,4,2,<=,120\nLabour,2,3,<=,90\n");
  const std::string emptyTable = dir.Write("empty.csv", "");

  using Setup = std::function<void(Workbench&, testing::ScriptedHost&)>;
  const auto smallModel = [](Workbench& b, testing::ScriptedHost&) {
    b.ws.mObserved = M({{T("Year"), T("y"), T("x")}, {2001.0, 10.0, 4.0}, {2002.0, 12.0, 6.0}, {2003.0, 13.0, 6.0}});
    b.ws.mBMat = M({{E, T("y"), T("x")}, {T("y"), 0.0, 0.5}});
    b.form.txtRows = "1";
    b.form.txtCols = "2";
    b.form.Enable("cmdRunAll", true);
  };
  const auto ranSmallModel = [smallModel](Workbench& b, testing::ScriptedHost& h) {
    smallModel(b, h);
    h.inputAnswers.push_back(std::string("1"));
    b.cmdRunAll_Click();
    h.calls.clear();
  };
  const auto kaldronTable = [](Workbench& b, testing::ScriptedHost&) {
    b.ws.mBMat = M({{E, T("S1"), T("S2")}, {T("S1"), 0.0, 0.5}, {T("S2"), 0.5, 0.0}, {T("L"), 0.2, 0.3}});
    b.ws.mExtended = M({{T("Sector"), T("Type"), T("Target")}, {T("S1"), E, 1.0}, {T("S2"), E, 1.0}});
    b.ws.mRhsIO = b.ws.mExtended;
    b.form.txtRows = "3";
    b.form.txtCols = "2";
    b.form.Enable("cmdKALDRON", true);
  };
  struct Case {
    const char* situation;
    Setup setup;
    std::vector<std::optional<std::string>> files, inputs;
    std::vector<Action> actions;  // the last one's outcome is compared
    OutcomeKind kind;
    const char* word;  // in the failure's message or a notice; "" for none
  };
  const auto click = [](const char* c) { return Action{ActionKind::Click, c, {}, {}}; };
  const auto set = [](const char* c, std::string t) { return Action{ActionKind::Set, c, std::move(t), {}}; };
  const std::vector<Case> cases = {
      {"Run ALL on a small model", smallModel, {}, {"1"}, {click("cmdRunAll")}, OutcomeKind::Done, ""},
      {"Run ALL answered with a word",
       smallModel,
       {},
       {"four"},
       {click("cmdRunAll")},
       OutcomeKind::Failed,
       "\"four\" is not a number of endogenous variables"},
      {"Run ALL declined", smallModel, {}, {std::nullopt}, {click("cmdRunAll")}, OutcomeKind::Cancelled, ""},
      {"Run ALL on a singular I - B",
       [](Workbench& b, testing::ScriptedHost&) {
         b.ws.mObserved = M({{T("Year"), T("y"), T("w"), T("x")}, {2001.0, 1.0, 2.0, 3.0}, {2002.0, 2.0, 3.0, 4.0}});
         b.ws.mBMat = M({{E, T("y"), T("w"), T("x")}, {T("y"), 0.0, 1.0, 0.5}, {T("w"), 1.0, 0.0, 0.1}});
         b.form.txtRows = "2";
         b.form.txtCols = "3";
         b.form.Enable("cmdRunAll", true);
       },
       {},
       {"2"},
       {click("cmdRunAll")},
       OutcomeKind::Failed,
       "The inversion of I - B failed"},
      {"Forecast without calculated series",
       [](Workbench& b, testing::ScriptedHost&) { b.form.Enable("cmdForecast", true); },
       {},
       {},
       {click("cmdForecast")},
       OutcomeKind::Failed,
       "no calculated series"},
      {"Forecast over a broken time series",
       [ranSmallModel, forecastGap](Workbench& b, testing::ScriptedHost& h) {
         ranSmallModel(b, h);
         h.forecastScript = [forecastGap](ForecastOptions& d) { d.SetTxtData(forecastGap); };
       },
       {},
       {},
       {click("cmdForecast")},
       OutcomeKind::Warned,
       "Broken time series..."},
      {"Forecast dialog closed",
       [ranSmallModel](Workbench& b, testing::ScriptedHost& h) {
         ranSmallModel(b, h);
         h.forecastOk = false;
       },
       {},
       {},
       {click("cmdForecast")},
       OutcomeKind::Cancelled,
       ""},
      {"KALDRON answered with a word",
       kaldronTable,
       {},
       {"x"},
       {click("cmdKALDRON")},
       OutcomeKind::Failed,
       "\"x\" is not a number"},
      {"KALDRON without targets, file dialog declined",
       [kaldronTable](Workbench& b, testing::ScriptedHost& h) {
         kaldronTable(b, h);
         b.ws.mRhsIO = LabelledMatrix();
         b.ws.mExtended = LabelledMatrix();
       },
       {},
       {},
       {click("cmdKALDRON")},
       OutcomeKind::Cancelled,
       ""},
      {"KALDRON with targets of another length",
       [kaldronTable](Workbench& b, testing::ScriptedHost& h) {
         kaldronTable(b, h);
         b.ws.mExtended = M({{T("Sector"), T("Type"), T("Target")}, {T("S1"), E, 3.0}});
         b.ws.mRhsIO = b.ws.mExtended;
       },
       {},
       {"2"},
       {click("cmdKALDRON")},
       OutcomeKind::Warned,
       "RHS values not properly defined..."},
      {"Matrix inversion of a singular matrix",
       {},
       {singular},
       {},
       {click("mnuInvert")},
       OutcomeKind::Failed,
       "cannot be inverted"},
      {"Matrix inversion, file dialog declined", {}, {}, {}, {click("mnuInvertPivot")}, OutcomeKind::Cancelled, ""},
      {"Matrix inversion of a damaged file", {}, {broken}, {}, {click("mnuInvert")}, OutcomeKind::Failed, "broken.csv"},
      {"Matrix addition of other shapes",
       {},
       {twoByTwo, threeByOne},
       {},
       {click("mnuMatrixAdd")},
       OutcomeKind::Failed,
       "Matrices are not compatible!"},
      {"Matrix addition, second dialog declined",
       {},
       {twoByTwo},
       {},
       {click("mnuMatrixAdd")},
       OutcomeKind::Cancelled,
       ""},
      {"Matrix transpose", {}, {twoByTwo}, {}, {click("cmdMatrixTranspose")}, OutcomeKind::Done, ""},
      {"a primary file that does not exist",
       {},
       {},
       {},
       {set("txtData(0)", dir.File("nowhere.csv"))},
       OutcomeKind::Failed,
       "does not exist"},
      {"a primary file that loads", {}, {}, {}, {set("txtData(0)", data)}, OutcomeKind::Done, ""},
      {"a B-matrix whose A-matrix companion is damaged",
       {},
       {},
       {},
       {set("txtData(1)", pairedB)},
       OutcomeKind::Warned,
       "m_NOR_AMAT.CSV"},
      {"a B-matrix without a companion", {}, {}, {}, {set("txtData(1)", bmatOnly)}, OutcomeKind::Done, ""},
      {"Solve..., file dialog declined", {}, {}, {}, {click("mnuSolve")}, OutcomeKind::Cancelled, ""},
      {"Solve... on a table that did not load",
       {},
       {broken},
       {},
       {click("mnuSolve")},
       OutcomeKind::Failed,
       "broken.csv"},
      {"Solve... on an empty table", {}, {emptyTable}, {}, {click("mnuSolve")}, OutcomeKind::Failed, "empty.csv"},
      {"Save..., file dialog declined", {}, {lp}, {}, {click("mnuSaveModel")}, OutcomeKind::Cancelled, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.situation);
    testing::ScriptedHost h;
    Workbench bench{h, nullptr, dir.path().string()};
    if (c.setup) c.setup(bench, h);
    for (const auto& e : ControlTable()) {
      if (e.name.rfind("mnu", 0) == 0 || e.name.rfind("cmdMatrix", 0) == 0 || e.name.rfind("txtData", 0) == 0)
        bench.form.Enable(e.name, true);
    }
    h.fileAnswers.assign(c.files.begin(), c.files.end());
    h.inputAnswers.insert(h.inputAnswers.end(), c.inputs.begin(), c.inputs.end());
    std::string error;
    for (const Action& a : c.actions) ASSERT_TRUE(Perform(bench, a, error)) << error;
    const Outcome& o = bench.LastOutcome();
    EXPECT_EQ(OutcomeKindName(o.kind), std::string(OutcomeKindName(c.kind))) << ::testing::PrintToString(h.Messages());
    if (*c.word) {
      std::string said = o.message;
      for (const auto& n : o.notices) said += "\n" + n;
      EXPECT_NE(said.find(c.word), std::string::npos) << said;
    }
  }
}

// What escapes a handler (memory running out deep in a computation) ends that command
// failed, told like any other failure; the session goes on and the next command starts afresh.
TEST_F(Outcomes, WhatEscapesAHandlerEndsItsCommandFailed) {
  struct ThrowingHost : testing::ScriptedHost {
    bool throwBadAlloc = true;
    std::optional<std::string> InputBox(const std::string&, const std::string&, const std::string&) override {
      if (throwBadAlloc) throw std::bad_alloc();
      throw std::length_error("vector::reserve");
    }
  };
  for (const bool badAlloc : {true, false}) {
    ThrowingHost h;
    h.throwBadAlloc = badAlloc;
    Workbench bench{h, nullptr, dir.path().string()};
    bench.ws.mObserved = M({{T("Year"), T("y"), T("x")}, {2001.0, 10.0, 4.0}, {2002.0, 12.0, 6.0}});
    bench.ws.mBMat = M({{E, T("y"), T("x")}, {T("y"), 0.0, 0.5}});
    bench.form.Enable("cmdRunAll", true);
    bench.form.Enable("cmdClear", true);
    std::string error;
    ASSERT_TRUE(Perform(bench, Action{ActionKind::Click, "cmdRunAll", {}, {}}, error)) << error;
    const Outcome& o = bench.LastOutcome();
    EXPECT_TRUE(o.Failed());
    EXPECT_NE(o.message.find(badAlloc ? "needs more memory" : "internal error (vector::reserve)"), std::string::npos)
        << o.message;
    ASSERT_FALSE(h.CallsOf("MsgBox").empty());
    EXPECT_EQ(h.CallsOf("MsgBox").back().number & kMsgBoxIconMask, vbCritical);
    EXPECT_TRUE(bench.ws.mBMat.IsFilled());  // the workspace is still there
    ASSERT_TRUE(Perform(bench, Action{ActionKind::Click, "cmdClear", {}, {}}, error)) << error;
    EXPECT_EQ(bench.LastOutcome().kind, OutcomeKind::Done);
  }
}

// A failure stands over a later cancel; an action run inside another (a dialog's button)
// adds to the outer action's outcome rather than starting a new one.
TEST(OutcomeLog, TheFirstFailureStandsAndNestedActionsAddToTheOuterOne) {
  OutcomeLog log;
  {
    const OutcomeLog::Scope outer(log);
    log.Warn({"first"});
    {
      const OutcomeLog::Scope inner(log);
      log.Fail("broken");
      log.Fail("later");
      log.Cancel();
    }
    log.Warn({"second"});
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
