#pragma once
// The workspace: every named matrix and shared scalar of the workbench, held for the
// life of the process. Stages read the slots earlier stages filled and replace their own
// slots completely on every run.

#include <cstdint>
#include <string>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

struct Workspace {
  // Slots that the "Select Matrix" list shows (see SlotTable.h).
  LabelledMatrix mObserved;
  LabelledMatrix mBMat;
  LabelledMatrix mExoBMat;
  LabelledMatrix mEndo;
  LabelledMatrix mExo;
  LabelledMatrix mExoLag;
  LabelledMatrix mEndoInverse;
  LabelledMatrix mImpact;
  LabelledMatrix mImpactLag;
  LabelledMatrix mCalculated;
  LabelledMatrix mCustomExo;
  LabelledMatrix mCustomExoLag;
  LabelledMatrix mTrendExo;
  LabelledMatrix mReciprocal;
  LabelledMatrix mAMat;
  LabelledMatrix mForecast;
  LabelledMatrix mKaldronBMat;
  LabelledMatrix mRhsIO;
  LabelledMatrix mKaldronRhs;
  LabelledMatrix mKaldronAug;
  LabelledMatrix mKaldronAugInverse;
  LabelledMatrix mDevOutput;
  LabelledMatrix mPrimaryInputs;
  LabelledMatrix mPrimaryReq;
  LabelledMatrix mAspiration;        // the target changes of the aspiration analysis
  LabelledMatrix mAspirationResult;  // the exogenous changes they require
  LabelledMatrix mAspirationImpact;  // the impact of those changes
  LabelledMatrix mLpSolution;        // the solution of the LP model ("&Solve...")
  LabelledMatrix mLpRanging;         // its cost and right-hand-side ranges
  // The structural model's reduced form, simulations, scenario and targets (the "Model" menu).
  LabelledMatrix mModelImpact;        // impact multipliers: endogenous by exogenous
  LabelledMatrix mModelDynamic;       // interim multipliers: (horizon, endogenous) by exogenous
  LabelledMatrix mModelTotal;         // total multipliers (a stable model only)
  LabelledMatrix mModelSimulation;    // the simulated (base) path: years by endogenous
  LabelledMatrix mModelAccuracy;      // its ex-post statistics: endogenous by statistic
  LabelledMatrix mModelScenario;      // the scenario's path
  LabelledMatrix mModelScenarioDiff;  // scenario less base
  LabelledMatrix mModelTargets;       // the instruments found and the re-simulated path
  // The "Input-Output" menu's results.
  LabelledMatrix mIoLeontief;     // the Leontief inverse L = (I - A)^-1
  LabelledMatrix mIoGhosh;        // the Ghosh inverse G = (I - B)^-1
  LabelledMatrix mIoOutputs;      // outputs for a final demand, supply-driven outputs
  LabelledMatrix mIoMultipliers;  // output, type-I and type-II multipliers, linkages, key sectors
  LabelledMatrix mIoRas;          // the RAS-balanced matrix
  LabelledMatrix mIoPlan;         // the plan solved as a linear programme

  // Further matrices the list never shows.
  LabelledMatrix mObservedOrig;  // copy of mObserved taken when the primary file loads
  LabelledMatrix mExtended;      // the extended data file
  LabelledMatrix mCalcBase;
  LabelledMatrix mCalcLevels;
  LabelledMatrix mForecastExo;  // the forecast data file
  LabelledMatrix mBMatQ1;       // quadrants of a split B-matrix
  LabelledMatrix mBMatQ2;
  LabelledMatrix mBMatQ3;
  LabelledMatrix mBMatQ4;
  LabelledMatrix mLevelData;
  LabelledMatrix mChangeData;
  LabelledMatrix mLindoBase;  // results of the matrix operations menu; LP base table
  LabelledMatrix mSplitBMat;  // the B-matrix the last endogenous/exogenous split read (shares its cells)

  // Shared scalars.
  std::int16_t nDecimals = 4;  // decimals Preview shows, kept within 1..16
  std::int32_t nEndoVars = 0;  // number of endogenous variables
  std::string sChangeSymbol;   // label prefix of built endogenous/exogenous labels
  bool bStageRerun = false;
  bool bTableSplit = false;
  bool bForecastDone = false;
  bool bForecastDataLoaded = false;
};

inline constexpr int kMinDecimals = 1;
inline constexpr int kMaxDecimals = 16;

}  // namespace quantorial
