#include "workspace/SlotTable.h"

#include <array>

namespace quantorial {

namespace {

using W = Workspace;

const std::array<SlotInfo, 42> kSlots = {{
    {1, "mObserved", &W::mObserved, " 1. Observed Time Series Data", "Observed Time Series Trend Data", "Observed Data",
     nullptr, nullptr, nullptr, nullptr},
    {2, "mBMat", &W::mBMat, " 2. B-Matrix Data", "B-Matrix Data Matrix", "BMAT", nullptr, nullptr, nullptr, nullptr},
    {3, "mExoBMat", &W::mExoBMat, " 3. Adj. Exo. B-Matrix", "Adjusted Exogenous B-Matrix Data", "ExoBMAT", nullptr,
     nullptr, nullptr, nullptr},
    {4, "mEndo", &W::mEndo, " 4. Endogenous Matrix", "Endogenous Matrix Data", "EndoMatrix", nullptr, nullptr, nullptr,
     nullptr},
    {5, "mExo", &W::mExo, " 5. Exogenous Matrix", "Exogenous Matrix Data", "ExoMatrix", nullptr, nullptr, nullptr,
     nullptr},
    {6, "mExoLag", &W::mExoLag, " 6. Lagged Exo Matrix", "Lagged Exogenous Matrix Data", "LaggedExoMat", nullptr,
     nullptr, nullptr, nullptr},
    {7, "mEndoInverse", &W::mEndoInverse, " 7. Inverted Endo Matrix", "Inverted Endogenous Matrix Data", "EndoInverse",
     nullptr, nullptr, nullptr, nullptr},
    {8, "mImpact", &W::mImpact, " 8. Impact Matrices B1/B2", " Impact Matrices B1", "ImpactMutiplier1", "mImpactLag",
     &W::mImpactLag, " Impact Matrices B2", "ImpactMutiplier2"},
    {9, "mCalculated", &W::mCalculated, " 9. Calculated Time Series Data", "Calculated Real Time Series Data",
     "Plot Forecast Data", nullptr, nullptr, nullptr, nullptr},
    {10, "mCustomExo", &W::mCustomExo, "10. Custom Exogenous Matrix", "Exogenous Matrix Data for selected variables",
     "CustomExo", nullptr, nullptr, nullptr, nullptr},
    {11, "mCustomExoLag", &W::mCustomExoLag, "11. Custom Lagged Exo Matrix",
     "Lagged Exogenous Matrix Data for selected variables", "CustomExoLag", nullptr, nullptr, nullptr, nullptr},
    {12, "mTrendExo", &W::mTrendExo, "12. Time Series of Exo Variables",
     "Observed Time Series Trend Data for selected exo variables", "TrendExo", nullptr, nullptr, nullptr, nullptr},
    {13, "mReciprocal", &W::mReciprocal, "13. Reciprocal of Impact Matrix", "Reciprocal of Impact Matrix", "Reciprocal",
     nullptr, nullptr, nullptr, nullptr},
    {14, "mAMat", &W::mAMat, "14. A-Matrix Data", "A-Matrix Data Matrix", "AMAT", nullptr, nullptr, nullptr, nullptr},
    {15, "mForecast", &W::mForecast, "15. Calculated Forecast Time Series Data", "Calculated Forecast Data",
     "Plot Forecast Data", nullptr, nullptr, nullptr, nullptr},
    {16, "mKaldronBMat", &W::mKaldronBMat, "16. Adj. Kaldron B-Matrix", "Adjusted Kaldron B-Matrix Data",
     "Adjusted Kaldron B-Matrix Data", nullptr, nullptr, nullptr, nullptr},
    {17, "mRhsIO", &W::mRhsIO, "17. RHS I/O Matrix", "RHS I/O Matrix Data", "RHS I/O Matrix Data", nullptr, nullptr,
     nullptr, nullptr},
    {18, "mKaldronRhs", &W::mKaldronRhs, "18. Kaldron + RHS Matrix", "Kaldron + RHS Table", "Kaldron + RHS Table",
     nullptr, nullptr, nullptr, nullptr},
    {19, "mKaldronAug", &W::mKaldronAug, "19. Augmented Kaldron B-Matrix", "Augmented Kaldron B-Matrix Data",
     "Augmented Kaldron B-Matrix Data", nullptr, nullptr, nullptr, nullptr},
    {20, "mKaldronAugInverse", &W::mKaldronAugInverse, "20. Augmented Inverse Kaldron B-Matrix",
     "Inverse Augmented Kaldron Matrix Data", "Inverse Augmented Kaldron Matrix Data", nullptr, nullptr, nullptr,
     nullptr},
    {21, "mDevOutput", &W::mDevOutput, "21. Development Output", "Development Output", "Development Output", nullptr,
     nullptr, nullptr, nullptr},
    {22, "mPrimaryInputs", &W::mPrimaryInputs, "22. Primary Inputs", "Primary Inputs", "Primary Inputs", nullptr,
     nullptr, nullptr, nullptr},
    {23, "mPrimaryReq", &W::mPrimaryReq, "23. Primary Requirements", "Primary Requirements", "Primary Requirements",
     nullptr, nullptr, nullptr, nullptr},
    // The aspiration analysis's results, listed after the plan's; captions as it shows them.
    {24, "mAspiration", &W::mAspiration, "24. Aspiration Matrix", "Aspiration Matrix", "Aspiration", nullptr, nullptr,
     nullptr, nullptr},
    {25, "mAspirationResult", &W::mAspirationResult, "25. Aspiration Matrix Result", "Aspiration Matrix Result",
     "Aspiration Result", nullptr, nullptr, nullptr, nullptr},
    {26, "mAspirationImpact", &W::mAspirationImpact, "26. Aspiration Impact Matrix Result",
     "Aspiration Impact Matrix Result", "Aspiration Impact", nullptr, nullptr, nullptr, nullptr},
    {27, "mLpSolution", &W::mLpSolution, "27. LP Solution", "LP Solution", "LP Solution", nullptr, nullptr, nullptr,
     nullptr},
    {28, "mLpRanging", &W::mLpRanging, "28. LP Ranging", "LP Ranging", "LP Ranging", nullptr, nullptr, nullptr,
     nullptr},
    // The "Model" menu's results.
    {29, "mModelImpact", &W::mModelImpact, "29. Model Impact Multipliers", "Model Impact Multipliers", "Model Impact",
     nullptr, nullptr, nullptr, nullptr},
    {30, "mModelDynamic", &W::mModelDynamic, "30. Model Interim Multipliers", "Model Interim Multipliers",
     "Model Interim", nullptr, nullptr, nullptr, nullptr},
    {31, "mModelTotal", &W::mModelTotal, "31. Model Total Multipliers", "Model Total Multipliers", "Model Total",
     nullptr, nullptr, nullptr, nullptr},
    {32, "mModelSimulation", &W::mModelSimulation, "32. Model Simulation", "Model Simulation", "Model Simulation",
     nullptr, nullptr, nullptr, nullptr},
    {33, "mModelAccuracy", &W::mModelAccuracy, "33. Model Simulation Accuracy", "Model Simulation Accuracy",
     "Model Accuracy", nullptr, nullptr, nullptr, nullptr},
    {34, "mModelScenario", &W::mModelScenario, "34. Model Scenario", "Model Scenario", "Model Scenario", nullptr,
     nullptr, nullptr, nullptr},
    {35, "mModelScenarioDiff", &W::mModelScenarioDiff, "35. Model Scenario less Base", "Model Scenario less Base",
     "Model Scenario Difference", nullptr, nullptr, nullptr, nullptr},
    {36, "mModelTargets", &W::mModelTargets, "36. Model Targets Solution", "Model Targets Solution", "Model Targets",
     nullptr, nullptr, nullptr, nullptr},
    // The "Input-Output" menu's results.
    {37, "mIoLeontief", &W::mIoLeontief, "37. Leontief Inverse", "Leontief Inverse", "Leontief Inverse", nullptr,
     nullptr, nullptr, nullptr},
    {38, "mIoGhosh", &W::mIoGhosh, "38. Ghosh Inverse", "Ghosh Inverse", "Ghosh Inverse", nullptr, nullptr, nullptr,
     nullptr},
    {39, "mIoOutputs", &W::mIoOutputs, "39. IO Outputs", "Input-Output Outputs", "IO Outputs", nullptr, nullptr,
     nullptr, nullptr},
    {40, "mIoMultipliers", &W::mIoMultipliers, "40. IO Multipliers and Linkages", "Multipliers and Linkages",
     "IO Multipliers", nullptr, nullptr, nullptr, nullptr},
    {41, "mIoRas", &W::mIoRas, "41. RAS Balanced Matrix", "RAS Balanced Matrix", "RAS Balanced", nullptr, nullptr,
     nullptr, nullptr},
    {42, "mIoPlan", &W::mIoPlan, "42. IO Plan", "Input-Output Plan", "IO Plan", nullptr, nullptr, nullptr, nullptr},
}};

const std::array<int, 42> kListOrder = {1,  2,  14, 3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13,
                                        15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28,
                                        29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42};

const std::array<NamedMatrix, 55> kNamed = {{
    {"mObserved", &W::mObserved},
    {"mBMat", &W::mBMat},
    {"mExoBMat", &W::mExoBMat},
    {"mEndo", &W::mEndo},
    {"mExo", &W::mExo},
    {"mExoLag", &W::mExoLag},
    {"mEndoInverse", &W::mEndoInverse},
    {"mImpact", &W::mImpact},
    {"mImpactLag", &W::mImpactLag},
    {"mCalculated", &W::mCalculated},
    {"mCustomExo", &W::mCustomExo},
    {"mCustomExoLag", &W::mCustomExoLag},
    {"mTrendExo", &W::mTrendExo},
    {"mReciprocal", &W::mReciprocal},
    {"mAMat", &W::mAMat},
    {"mForecast", &W::mForecast},
    {"mKaldronBMat", &W::mKaldronBMat},
    {"mRhsIO", &W::mRhsIO},
    {"mKaldronRhs", &W::mKaldronRhs},
    {"mKaldronAug", &W::mKaldronAug},
    {"mKaldronAugInverse", &W::mKaldronAugInverse},
    {"mDevOutput", &W::mDevOutput},
    {"mPrimaryInputs", &W::mPrimaryInputs},
    {"mPrimaryReq", &W::mPrimaryReq},
    {"mAspiration", &W::mAspiration},
    {"mAspirationResult", &W::mAspirationResult},
    {"mAspirationImpact", &W::mAspirationImpact},
    {"mLpSolution", &W::mLpSolution},
    {"mLpRanging", &W::mLpRanging},
    {"mModelImpact", &W::mModelImpact},
    {"mModelDynamic", &W::mModelDynamic},
    {"mModelTotal", &W::mModelTotal},
    {"mModelSimulation", &W::mModelSimulation},
    {"mModelAccuracy", &W::mModelAccuracy},
    {"mModelScenario", &W::mModelScenario},
    {"mModelScenarioDiff", &W::mModelScenarioDiff},
    {"mModelTargets", &W::mModelTargets},
    {"mIoLeontief", &W::mIoLeontief},
    {"mIoGhosh", &W::mIoGhosh},
    {"mIoOutputs", &W::mIoOutputs},
    {"mIoMultipliers", &W::mIoMultipliers},
    {"mIoRas", &W::mIoRas},
    {"mIoPlan", &W::mIoPlan},
    {"mObservedOrig", &W::mObservedOrig},
    {"mExtended", &W::mExtended},
    {"mCalcBase", &W::mCalcBase},
    {"mCalcLevels", &W::mCalcLevels},
    {"mForecastExo", &W::mForecastExo},
    {"mBMatQ1", &W::mBMatQ1},
    {"mBMatQ2", &W::mBMatQ2},
    {"mBMatQ3", &W::mBMatQ3},
    {"mBMatQ4", &W::mBMatQ4},
    {"mLevelData", &W::mLevelData},
    {"mChangeData", &W::mChangeData},
    {"mLindoBase", &W::mLindoBase},
}};

}  // namespace

std::span<const SlotInfo> SlotTable() { return kSlots; }

const SlotInfo* FindSlot(int number) {
  if (number < 1 || number > static_cast<int>(kSlots.size())) return nullptr;
  return &kSlots[static_cast<std::size_t>(number - 1)];
}

std::span<const int> SelectMatrixOrder() { return kListOrder; }

std::vector<std::string> SelectMatrixItems(const Workspace& ws) {
  std::vector<std::string> items;
  for (int n : kListOrder) {
    const SlotInfo* s = FindSlot(n);
    if ((ws.*(s->matrix)).IsFilled()) items.emplace_back(s->listText);
  }
  return items;
}

std::span<const NamedMatrix> WorkspaceMatrices() { return kNamed; }

const NamedMatrix* FindWorkspaceMatrix(std::string_view name) {
  for (const auto& n : kNamed) {
    if (name == n.name) return &n;
  }
  return nullptr;
}

}  // namespace quantorial
