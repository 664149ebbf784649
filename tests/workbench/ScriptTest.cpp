// Session scripts: the command table, the player and its error forms, and the equivalence
// of a played session with `quantorial-cli run`.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "ScriptedHost.h"
#include "TempDir.h"
#include "io/SettingsStore.h"
#include "workbench/CommandTable.h"
#include "workbench/ScriptPlayer.h"
#include "workbench/SessionRecorder.h"
#include "workbench/Workbench.h"

namespace quantorial {
namespace {

using testing::TempDir;

std::string Sample(const char* name) { return std::string(QUANTORIAL_SAMPLES_DIR) + "/" + name; }

struct Played {
  int status;
  std::string err;
};

class Scripts : public ::testing::Test {
 protected:
  TempDir dir;
  void SetUp() override {
    for (const char* f : {"klein.csv", "klein_NOR_BMAT.CSV", "klein_forecast.csv"}) {
      std::filesystem::copy_file(Sample(f), dir.File(f));
    }
  }
  Played Play(const std::string& script, PlayOptions options = {}) {
    std::ostringstream err;
    const int status = PlayScriptText(script, dir.path().string(), options, err);
    return {status, err.str()};
  }
};

// Every flag the workbench enables or disables names a control of the table, so the window
// and the player disable the same thing: checked after each command of a session that runs
// the model pipeline, the change transformation, the split, the plan and Clear Task.
TEST_F(Scripts, EveryEnabledFlagNamesAControl) {
  for (const char* f : {"io_table.csv", "io_targets.csv"}) std::filesystem::copy_file(Sample(f), dir.File(f));
  testing::ScriptedHost host;
  Workbench wb{host, nullptr, dir.File("Data")};
  host.inputAnswers = {"4", "3"};
  host.fileAnswers = {dir.File("io_targets.csv")};
  host.forecastScript = [this](ForecastOptions& d) { d.SetTxtData(dir.File("klein_forecast.csv")); };
  const std::vector<Action> session = {{ActionKind::Set, "txtData(0)", dir.File("klein.csv"), {}},
                                       {ActionKind::Click, "cmdRunAll", {}, {}},
                                       {ActionKind::Click, "cmdForecast", {}, {}},
                                       {ActionKind::Click, "cmdDynamicExo", {}, {}},
                                       {ActionKind::Click, "mnuLagChangeTrans", {}, {}},
                                       {ActionKind::Click, "cmdSplitTable", {}, {}},
                                       {ActionKind::Set, "txtData(1)", dir.File("io_table.csv"), {}},
                                       {ActionKind::Click, "cmdKALDRON", {}, {}},
                                       {ActionKind::Click, "cmdClear", {}, {}}};
  std::set<std::string> seen;
  for (const Action& a : session) {
    std::string error;
    EXPECT_TRUE(Perform(wb, a, error)) << ActionLine(a) << ": " << error;
    for (const auto& [name, on] : wb.form.enabled) {
      EXPECT_NE(FindControl(name), nullptr) << name << " after " << ActionLine(a);
      seen.insert(name);
    }
  }
  EXPECT_TRUE(seen.count("cmdInvert") && seen.count("cmdSplitTable")) << "the session set no flags";
}

TEST_F(Scripts, EveryErrorFormNamesItsLine) {
  const struct {
    const char* script;
    int status;
    const char* message;
  } cases[] = {
      {"click cmdNoSuch\n", kPlaySyntax, "line 1: there is no control \"cmdNoSuch\""},
      {"# fine\n\nfrobnicate cmdRunAll\n", kPlaySyntax, "line 3: \"frobnicate\" is not an action"},
      {"check chkAbs 2\n", kPlaySyntax, "line 1: \"check\" takes 0 or 1"},
      {"answer frmForecast click NoButton\n", kPlaySyntax, "there is no control \"frmForecast.NoButton\""},
      {"dump mNoSuch x.csv\n", kPlaySyntax, "line 1: there is no workspace slot \"mNoSuch\""},
      {"set txtData(0) klein.csv\nclick cmdInvert\n", kPlayFailed, "line 2: cmdInvert is disabled"},
      {"set txtData(0) klein.csv\nclick cmdRunAll\n", kPlayFailed,
       "line 2: cmdRunAll asked \u201cEnter number of Endogenous Variables:\u201d and no answer was queued"},
      {"set txtData(0) klein.csv\nanswer 4\nclick cmdRunAll\nclick cmdForecast\n", kPlayFailed,
       "line 4: cmdForecast opened \u201cForecast Options\u201d (frmForecast) and no answer was queued for it"},
      {"answer 4\nset txtData(0) klein.csv\n", kPlayFailed, "line 1: this answer was never asked for"},
      {"click frmForecast.OKButton\n", kPlayFailed, "\"Forecast Options\" (frmForecast) is not open"},
      {"choose chkAbs\n", kPlayFailed, "line 1: \"choose\" does not apply to chkAbs"},
      {"set txtData(0) klein.csv\nanswer 4\nclick cmdRunAll\nselect cboPlot 9=Z\n", kPlayFailed,
       "line 4: the list has no item \"9=Z\"; its items are: \"1=C\" \"2=P\" \"3=Wp\" \"4=I\""},
  };
  for (const auto& c : cases) {
    const Played p = Play(c.script);
    EXPECT_EQ(p.status, c.status) << c.script << p.err;
    EXPECT_NE(p.err.find(c.message), std::string::npos) << c.script << "\n" << p.err;
  }
}

// The menus, dialogs and buttons beyond the pipeline, each from a script.
TEST_F(Scripts, MenusDialogsAndQuadrants) {
  TempDir store;
  PlayOptions options;
  options.store = store.path().string();
  const Played p = Play(
      "set txtData(0) klein.csv\n"
      "# Create B-Matrix at 1 %: the B table becomes the secondary file\n"
      "choose opt1Percent\n"
      "click mnuNormal\n"
      "click cmdSplitTable\n"
      "click cmdQ(3)\n"
      "dump mBMat q4.csv\n"
      "# the chart options dialog writes the settings at OK\n"
      "answer frmChartOptions set cboMarkerSize 11\n"
      "answer frmChartOptions check chkMarkers 1\n"
      "answer frmChartOptions click OKButton\n"
      "click cmdChartTitle\n"
      "# the matrix menu: two files, then its notice\n"
      "answer klein_NOR_BMAT.CSV\n"
      "answer klein_NOR_BMAT.CSV\n"
      "click mnuMatrixAdd\n"
      "dump mLindoBase sum.csv\n"
      "click cmdClear\n"
      "dump after\n",
      options);
  EXPECT_EQ(p.status, kPlayDone) << p.err;
  EXPECT_TRUE(std::filesystem::exists(dir.File("klein_NOR_BMAT.CSV")));
  EXPECT_EQ(TempDir::Read(dir.File("q4.csv")).substr(0, 1), ",");
  const SettingsStore settings(store.path().string());
  EXPECT_EQ(settings.Get(kProgramSection, "MarkerSize"), "11");
  EXPECT_EQ(settings.Get(kProgramSection, "ShowMarkers"), "1");
  EXPECT_NE(p.err.find("Matrix addition completed...see results below."), std::string::npos) << p.err;
  EXPECT_EQ(TempDir::Read(dir.File("sum.csv")).substr(0, 4), ",\"C\"");
  EXPECT_FALSE(std::filesystem::exists(dir.File("after/mObserved.csv")));  // Clear Task erased it
  EXPECT_TRUE(std::filesystem::exists(dir.File("after/mBMat.csv")));
}

// Paths that lie under the script's folder are recorded relative to it, however they are
// spelt (through a link to the folder, with "." or ".."); others stay as they are.
TEST(Recorder, PathsUnderTheScriptsFolderAreRelative) {
  testing::TempDir dir;
  std::filesystem::create_directories(dir.File("real/Data"));
  std::filesystem::create_directory_symlink(dir.File("real"), dir.File("alias"));
  SessionRecorder r;
  std::string error;
  ASSERT_TRUE(r.Start(dir.File("alias/s.qs"), error)) << error;
  const struct {
    std::string given, recorded;
  } cases[] = {
      {dir.File("real/Data/k.csv"), "Data/k.csv"},
      {dir.File("alias/Data/k.csv"), "Data/k.csv"},
      {dir.File("real/./Data/../Data/k.csv"), "Data/k.csv"},
      {dir.File("other/k.csv"), dir.File("other/k.csv")},
      {dir.File("real"), dir.File("real")},
      {"k.csv", "k.csv"},
  };
  for (const auto& c : cases) {
    r.BeginAction({ActionKind::Click, "cmdSelectFile(0)", {}, {}}, false);
    r.AnswerFile(c.given);
    r.EndAction();
    ASSERT_GE(r.Lines().size(), 2u);
    EXPECT_EQ(r.Lines()[r.Lines().size() - 2], "answer " + c.recorded) << c.given;
  }
}

// The table knows every control it wires, once, and the script form of an action reads
// back as the same action.
// The recorder writes one `set` per edit (the last text of a box typed into), key presses
// each, and a dialog's own questions only inside its `answer FORM` lines, so that the
// script replays in order.
TEST(Recorder, OneLinePerEditAndDialogQuestionsInsideTheDialog) {
  testing::TempDir dir;
  SessionRecorder r;
  std::string error;
  ASSERT_TRUE(r.Start(dir.File("s.qs"), error)) << error;
  auto act = [&](ActionKind kind, const std::string& control, const std::string& text) {
    r.BeginAction({kind, control, text, {}}, false);
    r.EndAction();
  };
  for (const char* typed : {"1", "19", "194", "1941"}) act(ActionKind::Set, "txtScale", typed);
  act(ActionKind::Set, "frmEdit.Fg2.KeyPress", "a");
  act(ActionKind::Set, "frmEdit.Fg2.KeyPress", "a");
  act(ActionKind::Set, "txtScale", "2");
  // The forecast dialog's file button asks for a file while the dialog is open.
  r.BeginAction({ActionKind::Click, "cmdForecast", {}, {}}, false);
  r.AnswerText("4");
  r.DialogOpens();
  r.AnswerFile(dir.File("f.csv"));
  testing::ScriptedHost host;
  Workbench wb{host, nullptr, dir.File("Data")};
  ForecastOptions dialog{wb};
  dialog.txtData = dir.File("f.csv");
  r.AnswerForecast(dialog, true);
  r.EndAction();
  const std::vector<std::string> expected = {r.Lines()[0],
                                             "set txtScale 1941",
                                             "set frmEdit.Fg2.KeyPress a",
                                             "set frmEdit.Fg2.KeyPress a",
                                             "set txtScale 2",
                                             "answer 4",
                                             "answer frmForecast set txtData(0) f.csv",
                                             "answer frmForecast set txtFromYear 2001",
                                             "answer frmForecast set txtToYear 2013",
                                             "answer frmForecast click OKButton",
                                             "click cmdForecast"};
  EXPECT_EQ(r.Lines(), expected);
}

TEST(CommandTable, NamesAreUniqueAndLinesReadBack) {
  std::set<std::string> names;
  for (const ControlEntry& e : ControlTable()) EXPECT_TRUE(names.insert(e.name).second) << e.name;
  for (const char* n : {"cmdRunAll", "cmdQ(2)", "txtData(0)", "optDyn(1)", "mnuNormal", "frmForecast.OKButton",
                        "frmChartOptions.cboMarkerSize", "grdShow(5)", "mnuInvertPivot"}) {
    EXPECT_NE(FindControl(n), nullptr) << n;
  }
  const Action actions[] = {{ActionKind::Set, "txtData(0)", "a b.csv", {}},
                            {ActionKind::Select, "lstImpVars", "", {"K", "#2"}},
                            {ActionKind::Check, "chkAbs", "1", {}},
                            {ActionKind::DblClick, "Picture1", "", {}}};
  for (const Action& a : actions) {
    std::string error;
    const auto back = ParseAction(ActionLine(a), error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(ActionLine(*back), ActionLine(a));
    EXPECT_EQ(back->items, a.items);
  }
}

}  // namespace
}  // namespace quantorial
