#include <gtest/gtest.h>

#include <filesystem>

#include "ScriptedHost.h"
#include "TempDir.h"
#include "workbench/CommandTable.h"
#include "workbench/Workbench.h"

namespace quantorial {
namespace {

using testing::ScriptedHost;

class View : public ::testing::Test {
 protected:
  ScriptedHost host;
  Workbench wb{host, nullptr, "/data"};
};

TEST_F(View, SelectMatrixListsFilledSlotsAndKeepsItsText) {
  wb.ws.mObserved = LabelledMatrix::Dimension(3, 3);
  wb.ws.mBMat = LabelledMatrix::Dimension(2, 2);
  wb.ws.mEndo = LabelledMatrix::Dimension(0, 2);  // a label row only
  wb.cboArrays_GotFocus();
  EXPECT_EQ(wb.form.cboArrays, (std::vector<std::string>{" 1. Observed Time Series Data", " 2. B-Matrix Data"}));
  wb.form.cboArraysText = " 2. B-Matrix Data";
  wb.ws.mBMat.Erase();
  wb.cboArrays_GotFocus();
  EXPECT_EQ(wb.form.cboArrays, (std::vector<std::string>{" 1. Observed Time Series Data"}));
  EXPECT_EQ(wb.form.cboArraysText, " 2. B-Matrix Data");
}

TEST_F(View, GridPreviewAlternatesBetweenGridsThreeAndTwo) {
  wb.ws.mEndo = LabelledMatrix::Dimension(2, 2);
  wb.ws.mImpact = LabelledMatrix::Dimension(2, 1);
  wb.ws.mImpactLag = LabelledMatrix::Dimension(2, 1);
  for (const char* text : {" 4. Endogenous Matrix", " 4. Endogenous Matrix", " 8. Impact Matrices B1/B2",
                           " 8. Impact Matrices B1/B2", "abc", "23. Primary Requirements", " 4. Endogenous Matrix"}) {
    wb.form.cboArraysText = text;
    wb.cmdViewGrid_Click();
  }
  EXPECT_EQ(host.PreviewCaptions(),
            (std::vector<std::string>{"3:Endogenous Matrix Data", "2:Endogenous Matrix Data", "1: Impact Matrices B1",
                                      "3: Impact Matrices B2", "0: Impact Matrices B1", "2: Impact Matrices B2",
                                      "3:Calculated Real Time Series Data", "3:Primary Requirements",
                                      "3:Endogenous Matrix Data"}));
  EXPECT_EQ(host.CallsOf("Preview")[0].matrix, wb.ws.mEndo);
}

TEST_F(View, DecimalsStayWithinOneAndSixteen) {
  EXPECT_EQ(wb.ws.nDecimals, 4);
  for (int i = 0; i < 20; ++i) wb.cmdDecimals_Click(0);
  EXPECT_EQ(wb.ws.nDecimals, 16);
  for (int i = 0; i < 20; ++i) wb.cmdDecimals_Click(1);
  EXPECT_EQ(wb.ws.nDecimals, 1);
  wb.cmdDecimals_Click(0);
  EXPECT_EQ(wb.ws.nDecimals, 2);
}

TEST_F(View, PanelToggles) {
  wb.lblBack_Click();
  EXPECT_TRUE(wb.form.picMoreVisible);
  EXPECT_TRUE(wb.form.chkDummyVisible);
  wb.Command1_Click();
  EXPECT_FALSE(wb.form.picMoreVisible);
  wb.txtCols_MouseDown();
  EXPECT_TRUE(wb.form.picMoreVisible);
  wb.grdShow_DblClick(5);
  EXPECT_EQ(host.CallsOf("ClearGrid").at(0).number, 5);
}

// Help Topics opens the guide of the first folder that holds one with the desktop's program
// and says where it and the manual pages are; without a guide it says where to find one,
// and the command is warned. Tip of the Day is its own item.
TEST(HelpTopics, OpenTheGuideOrSayWhereItIs) {
  testing::TempDir dir;
  const std::string docs = dir.File("doc");
  std::filesystem::create_directories(docs);
  dir.Write("doc/guide.md", "# A first session with Quantorial\n");
  const struct {
    std::vector<std::string> folders;
    bool desktopOpens;
    const char* opened;  // the file handed to the desktop, or nothing
    const char* says;
    OutcomeKind kind;
  } cases[] = {
      {{dir.File("none"), docs}, true, "doc/guide.md", "(opened with the desktop's program for it)", OutcomeKind::Done},
      {{docs}, false, "doc/guide.md", "guide.md. The manual pages: man quantorial", OutcomeKind::Done},
      {{"", dir.File("none")},
       true,
       nullptr,
       "is not installed beside this program: it is docs/guide.md",
       OutcomeKind::Warned},
  };
  for (const auto& c : cases) {
    testing::ScriptedHost host;
    host.desktopOpens = c.desktopOpens;
    Workbench wb{host, nullptr, dir.File("Data")};
    wb.SetGuideFolders(c.folders);
    std::string error;
    ASSERT_TRUE(Perform(wb, {ActionKind::Click, "mnuHelpTopics", {}, {}}, error)) << error;
    const auto opened = host.CallsOf("OpenWithDesktop");
    if (c.opened) {
      ASSERT_EQ(opened.size(), 1u);
      EXPECT_EQ(opened[0].text, dir.File(c.opened));
    } else {
      EXPECT_TRUE(opened.empty());
    }
    const auto messages = host.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(c.says), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find("man quantorial-cli"), std::string::npos) << messages[0];
    EXPECT_EQ(wb.LastOutcome().kind, c.kind);
    ASSERT_TRUE(Perform(wb, {ActionKind::Click, "mnuTips", {}, {}}, error)) << error;
    EXPECT_EQ(host.services.back(), "Tips");
  }
}

}  // namespace
}  // namespace quantorial
