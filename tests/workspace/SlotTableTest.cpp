#include <gtest/gtest.h>

#include "workspace/SlotTable.h"

namespace quantorial {
namespace {

TEST(SlotTable, TextsAsTheWorkbenchWritesThem) {
  ASSERT_EQ(SlotTable().size(), 42u);
  for (std::size_t i = 0; i < SlotTable().size(); ++i) EXPECT_EQ(SlotTable()[i].number, static_cast<int>(i) + 1);
  const SlotInfo* s1 = FindSlot(1);
  EXPECT_STREQ(s1->listText, " 1. Observed Time Series Data");
  EXPECT_STREQ(s1->gridCaption, "Observed Time Series Trend Data");
  EXPECT_STREQ(s1->sheetName, "Observed Data");
  const SlotInfo* s8 = FindSlot(8);
  EXPECT_STREQ(s8->gridCaption, " Impact Matrices B1");
  EXPECT_STREQ(s8->gridCaption2, " Impact Matrices B2");
  EXPECT_STREQ(s8->sheetName, "ImpactMutiplier1");
  EXPECT_EQ(s8->matrix2, &Workspace::mImpactLag);
  EXPECT_STREQ(FindSlot(10)->listText, "10. Custom Exogenous Matrix");
  EXPECT_STREQ(FindSlot(15)->sheetName, "Plot Forecast Data");
  EXPECT_STREQ(FindSlot(20)->gridCaption, "Inverse Augmented Kaldron Matrix Data");
  EXPECT_EQ(FindSlot(0), nullptr);
  EXPECT_STREQ(FindSlot(24)->listText, "24. Aspiration Matrix");
  EXPECT_STREQ(FindSlot(27)->listText, "27. LP Solution");
  EXPECT_STREQ(FindSlot(28)->listText, "28. LP Ranging");
  EXPECT_STREQ(FindSlot(29)->listText, "29. Model Impact Multipliers");
  EXPECT_STREQ(FindSlot(36)->listText, "36. Model Targets Solution");
  EXPECT_STREQ(FindSlot(37)->listText, "37. Leontief Inverse");
  EXPECT_STREQ(FindSlot(42)->listText, "42. IO Plan");
  EXPECT_EQ(FindSlot(43), nullptr);
}

TEST(SlotTable, EverySlotNamesItsOwnMatrix) {
  for (const auto& s : SlotTable()) {
    const NamedMatrix* n = FindWorkspaceMatrix(s.slot);
    ASSERT_NE(n, nullptr) << s.slot;
    EXPECT_EQ(n->matrix, s.matrix) << s.slot;
  }
}

TEST(SelectMatrix, ListsFilledSlotsInListOrder) {
  Workspace ws;
  EXPECT_TRUE(SelectMatrixItems(ws).empty());
  ws.mObserved = LabelledMatrix::Dimension(3, 3);
  ws.mBMat = LabelledMatrix::Dimension(2, 4);
  EXPECT_EQ(SelectMatrixItems(ws), (std::vector<std::string>{" 1. Observed Time Series Data", " 2. B-Matrix Data"}));

  ws.mAMat = LabelledMatrix::Dimension(2, 4);
  ws.mEndo = LabelledMatrix::Dimension(0, 4);       // a label row only: not listed
  ws.mImpactLag = LabelledMatrix::Dimension(2, 2);  // slot 8 is tested on mImpact
  ws.mForecast = LabelledMatrix::Dimension(1, 1);
  ws.mReciprocal = LabelledMatrix::Dimension(1, 1);
  EXPECT_EQ(SelectMatrixItems(ws),
            (std::vector<std::string>{" 1. Observed Time Series Data", " 2. B-Matrix Data", "14. A-Matrix Data",
                                      "13. Reciprocal of Impact Matrix", "15. Calculated Forecast Time Series Data"}));
}

TEST(Workspace, StartValues) {
  Workspace ws;
  EXPECT_EQ(ws.nDecimals, 4);
  EXPECT_EQ(ws.nEndoVars, 0);
  EXPECT_TRUE(ws.sChangeSymbol.empty());
  EXPECT_FALSE(ws.bStageRerun || ws.bTableSplit || ws.bForecastDone || ws.bForecastDataLoaded);
  for (const auto& n : WorkspaceMatrices()) EXPECT_FALSE((ws.*(n.matrix)).IsAssigned()) << n.name;
}

}  // namespace
}  // namespace quantorial
