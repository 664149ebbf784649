#include <gtest/gtest.h>

#include "ScriptedHost.h"
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

}  // namespace
}  // namespace quantorial
