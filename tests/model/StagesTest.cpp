#include <gtest/gtest.h>

#include "MatrixBuilder.h"
#include "model/Stages.h"
#include "workspace/ValueRules.h"

namespace quantorial {
namespace {

using testing::Dump;
using testing::E;
using testing::M;
using testing::T;

double D(const LabelledMatrix& m, int i, int j) { return *ArithmeticValue(m.Get(i, j)); }

class Stages : public ::testing::Test {
 protected:
  Workspace ws;
  SplitOptions options;
  std::vector<std::string> exogenous;  // the names the split gives the exogenous columns
  std::vector<std::string> shown;      // "grid:caption" of every matrix shown, in order
  StageNotices notices;

  // Loads a B-matrix as the data loader does.
  void SetBMat(const LabelledMatrix& b) {
    ws.mBMat = b;
    options.columns = b.UpperCol();
  }
  void Record(const StageResult& r) {
    for (const auto& p : r.previews) shown.push_back(std::to_string(p.grid) + ":" + p.caption);
    notices.insert(notices.end(), r.notices.begin(), r.notices.end());
  }
  void Split(int endogenous) {
    ws.nEndoVars = endogenous;
    options.endogenous = endogenous;
    Record(SplitModel(ws, options, &exogenous));
  }
  std::vector<std::string> LastShown(std::size_t n) const {
    return std::vector<std::string>(shown.end() - static_cast<std::ptrdiff_t>(std::min(n, shown.size())), shown.end());
  }
};

// Two equations (Y, C), exogenous G and TAX.
LabelledMatrix TwoByFour() {
  return M({{E, T("Y"), T("C"), T("G"), T("TAX")}, {T("Y"), 0.7, 0.5, 1.0, -0.3}, {T("C"), 0.2, 0.0, 0.0, 0.6}});
}

TEST_F(Stages, SplitsTheBMatrixIntoItsBlocks) {
  SetBMat(TwoByFour());
  Split(2);
  // I - B: ones on the diagonal whatever the B-matrix holds there.
  EXPECT_EQ(Dump(ws.mEndo), ",\"Y\",\"C\"\n\"Y\",1,-0.5\n\"C\",-0.2,1\n");
  EXPECT_EQ(Dump(ws.mExo), ",\"G(t)\",\"TAX(t)\"\n\"Y\",1,-0.3\n\"C\",0,0.6\n");
  // Negating a zero coefficient gives a negative zero, which the dump form keeps.
  EXPECT_EQ(Dump(ws.mExoLag), ",\"G(t-1)\",\"TAX(t-1)\"\n\"Y\",-1,0.3\n\"C\",-0,-0.6\n");
  EXPECT_EQ(ws.mExoBMat, ws.mBMat);
  EXPECT_EQ(ws.mKaldronBMat.UpperCol(), 2);
  EXPECT_EQ(ws.mSplitBMat, ws.mBMat);
  EXPECT_EQ(exogenous, (std::vector<std::string>{"G", "TAX"}));
  // Nothing selected: the custom matrices are the whole blocks.
  EXPECT_EQ(ws.mCustomExo, ws.mExo);
  EXPECT_EQ(Dump(ws.mCustomExoLag), Dump(ws.mExoLag));
  EXPECT_EQ(shown, (std::vector<std::string>{"3:Special Endo Exo Matrix", "3:Special KaldronBmat Matrix",
                                             "2:Selected Exo Matrix", "3:Selected Exo Lag Matrix", "0:Exo Matrix",
                                             "1:Exo Lag Matrix"}));
  EXPECT_TRUE(notices.empty());
}

TEST_F(Stages, WhatTheSplitFindsWrongIsTold) {
  const struct {
    LabelledMatrix bmat;
    int endogenous;
    const char* told;
  } cases[] = {
      {TwoByFour(), 3, "3 endogenous variables were asked for, but the B-matrix has only 2 rows"},
      {M({{E, T("Y"), T("C")}, {T("Y"), 0.0, 0.5}, {T("C"), 0.2, 0.0}}), 2, "No exogenous columns are left"},
      {M({{E, T("Y"), T("G")}, {T("Y"), 0.0, T("n/a")}}), 1, "\"n/a\" (row Y, column G)"},
  };
  for (const auto& c : cases) {
    notices.clear();
    SetBMat(c.bmat);
    Split(c.endogenous);
    std::string all;
    for (const auto& n : notices) all += n + "\n";
    EXPECT_NE(all.find(c.told), std::string::npos) << all;
  }
}

TEST_F(Stages, ChangeSymbolAndTheNameEndingRule) {
  SetBMat(M({{E, T("Y"), T("GDP"), T("XGDP")}, {T("Y"), 0.0, 0.4, 0.1}}));
  ws.mObserved = M({{T("Year"), T("Y"), T("XGDP"), T("GDP")}, {1990.0, 10.0, 5.0, 7.0}, {1991.0, 11.0, 6.0, 8.0}});
  ws.sChangeSymbol = "D";
  Split(1);
  EXPECT_EQ(Dump(ws.mEndo), ",\"DY\"\n\"DY\",1\n");
  EXPECT_EQ(CellText(ws.mExo.Get(0, 1)), "DGDP(t)");
  EXPECT_EQ(CellText(ws.mExo.Get(0, 2)), "DXGDP(t)");
  EXPECT_EQ(exogenous, (std::vector<std::string>{"GDP", "XGDP"}));
  // XGDP comes first among the observed columns: its series goes to the first label
  // ending in XGDP; GDP then goes to the first label ending in GDP, which is DGDP.
  EXPECT_EQ(Dump(ws.mTrendExo), "\"Year\",\"GDP\",\"XGDP\"\n1990,7,5\n1991,8,6\n");
  // Running again leaves one suffix on each label.
  Split(1);
  EXPECT_EQ(CellText(ws.mExo.Get(0, 1)), "DGDP(t)");
  EXPECT_EQ(CellText(ws.mExoLag.Get(0, 1)), "DGDP(t-1)");
}

TEST_F(Stages, PolicySwitchZeroesTheLagOfDummyVariables) {
  SetBMat(M({{E, T("Y"), T("G"), T("WAR")}, {T("Y"), 0.0, 0.5, 2.0}}));
  ws.mObserved = M({{T("Year"), T("Y"), T("G"), T("WAR")},
                    {1990.0, 10.0, 5.0, 0.0},
                    {1991.0, 11.0, 6.0, E},
                    {1992.0, 11.0, 1.0, 1.0}});
  options.policyDummy = true;
  Split(1);
  EXPECT_EQ(Dump(ws.mExo), ",\"G(t)\",\"WAR(t)\"\n\"Y\",0.5,2\n");
  EXPECT_EQ(Dump(ws.mExoLag), ",\"G(t-1)\",\"WAR(t-1)\"\n\"Y\",-0.5,0\n");
  EXPECT_EQ(Dump(ws.mCustomExoLag), ",\"G(t-1)\",\"WAR(t-1)\"\n\"Y\",-0.5,0\n");
  Record(InvertEndo(ws));
  Record(MultiplyImpact(ws));
  EXPECT_EQ(D(ws.mImpactLag, 1, 2), 0.0);
  EXPECT_NE(D(ws.mImpact, 1, 2), 0.0);
  // Switched off, the dummy's lag is an ordinary one.
  options.policyDummy = false;
  Split(1);
  EXPECT_EQ(D(ws.mExoLag, 1, 2), -2.0);
}

TEST_F(Stages, SelectedImpactVariables) {
  SetBMat(M({{E, T("Y"), T("A"), T("B"), T("C")}, {T("Y"), 0.0, 1.0, 2.0, 3.0}}));
  ws.mObserved = M({{T("Year"), T("Y"), T("A"), T("B"), T("C")}, {2000.0, 1.0, 2.0, 3.0, 4.0}});
  options.selected = {false, true, true};
  Split(1);
  EXPECT_EQ(Dump(ws.mCustomExo), ",\"B(t)\",\"C(t)\"\n\"Y\",2,3\n");
  EXPECT_EQ(Dump(ws.mCustomExoLag), ",\"B(t-1)\",\"C(t-1)\"\n\"Y\",-2,-3\n");
  EXPECT_EQ(Dump(ws.mTrendExo), "\"Year\",\"B\",\"C\"\n2000,3,4\n");
}

TEST_F(Stages, ImpactMultipliers) {
  // B = [[0, 0.5], [0.2, 0]] with C = [[1], [0]].
  SetBMat(M({{E, T("Y1"), T("Y2"), T("X")}, {T("Y1"), 0.0, 0.5, 1.0}, {T("Y2"), 0.2, 0.0, 0.0}}));
  Split(2);
  Record(InvertEndo(ws));
  EXPECT_EQ(LastShown(1), (std::vector<std::string>{"1:Inverse of Endo Matrix"}));
  Record(MultiplyImpact(ws));
  EXPECT_NEAR(D(ws.mImpact, 1, 1), 1 / 0.9, 1e-6);
  EXPECT_NEAR(D(ws.mImpact, 2, 1), 0.2 / 0.9, 1e-6);
  EXPECT_EQ(D(ws.mImpactLag, 1, 1), -D(ws.mImpact, 1, 1));
  EXPECT_EQ(D(ws.mImpactLag, 2, 1), -D(ws.mImpact, 2, 1));
  EXPECT_EQ(CellText(ws.mImpact.Get(0, 1)), "X(t)");
  EXPECT_EQ(CellText(ws.mImpactLag.Get(0, 1)), "X(t-1)");
  EXPECT_EQ(CellText(ws.mImpact.Get(2, 0)), "Y2");
  Record(MultiplyImpact(ws));
  EXPECT_EQ(CellText(ws.mImpact.Get(0, 1)), "X(t)");
  EXPECT_EQ(LastShown(4), (std::vector<std::string>{"0:Selected Exo Matrix", "1:Selected Exo Lag Matrix", "2:B1 Matrix",
                                                    "3:B2 Matrix"}));
}

TEST_F(Stages, OneEndogenousVariableAndTheReciprocal) {
  SetBMat(M({{E, T("Y"), T("X1"), T("X2")}, {T("Y"), 0.3, 0.25, 0.0}}));
  Split(1);
  Record(InvertEndo(ws));
  Record(MultiplyImpact(ws));
  EXPECT_EQ(Dump(ws.mImpact), Dump(ws.mCustomExo));
  for (int c = 0; c <= 2; ++c) EXPECT_EQ(ws.mImpactLag.Get(0, c), ws.mCustomExoLag.Get(0, c));
  EXPECT_EQ(D(ws.mImpactLag, 1, 1), D(ws.mCustomExoLag, 1, 1));
  EXPECT_EQ(D(ws.mImpactLag, 1, 2), 0.0);
  Record(ReciprocalOfImpact(ws));
  EXPECT_EQ(Dump(ws.mReciprocal), ",\"X1(t)\",\"X2(t)\"\n\"Y\",4,0\n");
  EXPECT_EQ(LastShown(1), (std::vector<std::string>{"1:Reciprocal of Impact Matrix"}));
}

TEST_F(Stages, SingularEndogenousBlockIsCarriedInBandAndTold) {
  SetBMat(M({{E, T("A"), T("B"), T("X")}, {T("A"), 0.0, 1.0, 1.0}, {T("B"), 1.0, 0.0, 1.0}}));
  Split(2);
  // The marker stays in the grid; the stage's result is a failure that names the matrix.
  const StageResult inverted = InvertEndo(ws);
  EXPECT_EQ(ws.mEndoInverse.Get(1, 1), Cell(std::string("SINGULAR MATRIX FOR K = 2")));
  EXPECT_TRUE(inverted.notices.empty());
  EXPECT_NE(inverted.failure.find("The inversion of I - B failed"), std::string::npos) << inverted.failure;
}

// Labels other than years (from quarterly, monthly or dated data files) are told to the
// commands that add years past the last one; years, and rows without a label, are not.
TEST(Labels, OnlyLabelsThatAreNotYearsAreTold) {
  const struct {
    LabelledMatrix observed;
    const char* told;  // a piece of the notice, or "" for none
  } cases[] = {
      {M({{T("Year"), T("C")}, {1990.0, 1.0}, {1991.0, 2.0}}), ""},
      {M({{T("Year"), T("C")}, {T("1990"), 1.0}, {E, 2.0}}), ""},
      {M({{T("obs"), T("C")}, {T("1990:1"), 1.0}, {T("1990:2"), 2.0}}), "\"1990:1\" (row 1)"},
      {M({{T("obs"), T("C")}, {1990.0, 1.0}, {T("1990-03-31"), 2.0}}), "\"1990-03-31\" (row 2)"},
      {M({{T("obs"), T("C")}, {1990.25, 1.0}}), "\"1990.25\" (row 1)"},
  };
  for (const auto& c : cases) {
    const std::string notice = YearLabelsNotice(c.observed, "\"&Forecast\"");
    if (std::string(c.told).empty()) {
      EXPECT_EQ(notice, "");
    } else {
      EXPECT_NE(notice.find(c.told), std::string::npos) << notice;
      EXPECT_NE(notice.find("\"&Forecast\" counts one year per row"), std::string::npos) << notice;
    }
  }
}

TEST(Labels, SuffixAndEnding) {
  EXPECT_EQ(WithSuffix("GDP", "(t)"), "GDP(t)");
  EXPECT_EQ(WithSuffix("GDP(t)", "(t)"), "GDP(t)");
  EXPECT_EQ(WithSuffix("GDP(t-1)", "(t)"), "GDP(t-1)(t)");
  EXPECT_EQ(WithSuffix("", "(t-1)"), "(t-1)");
  EXPECT_TRUE(LabelEndsWith("DGDP(t-1)", "GDP(t-1)"));
  EXPECT_TRUE(LabelEndsWith("DGDP", "GDP"));
  EXPECT_FALSE(LabelEndsWith("GDP", "DGDP"));
  EXPECT_FALSE(LabelEndsWith("GDP", ""));
}

}  // namespace
}  // namespace quantorial
