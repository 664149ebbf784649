#pragma once
// Klein's Model I with its three-stage least squares coefficients (sample 1921–1941) as a
// structural form, and the Klein data with the time trend A = year − 1931, for the tests of
// the reduced form, the simulation and the targeting.

#include <string>

#include "systems/Simulation.h"
#include "systems/StructuralForm.h"

namespace quantorial::testing {

// y1 = 0.5 y2 + x + 0.5 y1(-1), y2 = 0.5 y1: Γ⁻¹ = [[4/3, 2/3], [2/3, 4/3]], so Π2 = (4/3, 2/3),
// the lag column (2/3, 1/3), one year on (8/9, 4/9), in the long run y1 = 4x, y2 = 2x; solved,
// y1(t) = 4/3 x(t) + 2/3 y1(t−1), y2 = y1 / 2.
inline StructuralForm TwoEquations() {
  StructuralForm f;
  f.endogenous = {"y1", "y2"};
  f.exogenous = {"x"};
  f.lagged = {{"y1(-1)", 0, 1}};
  f.gamma = {{1, -0.5}, {-0.5, 1}};
  f.lagCoefficients = {{0.5}, {0}};
  f.exoCoefficients = {{1}, {0}};
  return f;
}

// The endogenous order C I Wp P W X K; exogenous const G T A Wg; lagged P(-1) K(-1) X(-1).
inline StructuralForm KleinThreeStage() {
  StructuralForm f;
  f.endogenous = {"C", "I", "Wp", "P", "W", "X", "K"};
  f.exogenous = {"const", "G", "T", "A", "Wg"};
  f.lagged = {{"P(-1)", 3, 1}, {"K(-1)", 6, 1}, {"X(-1)", 5, 1}};
  //            C   I   Wp  P   W   X   K
  f.gamma = {{1, 0, 0, -0.124890, -0.790081, 0, 0},  // C = 16.4408 + .124890 P + .163144 P(-1) + .790081 W
             {0, 1, 0, 0.0130792, 0, 0, 0},          // I = 28.1778 − .0130792 P + .755724 P(-1) − .194848 K(-1)
             {0, 0, 1, 0, 0, -0.400492, 0},          // Wp = 1.79722 + .400492 X + .181291 X(-1) + .149674 A
             {0, 0, 1, 1, 0, -1, 0},                 // P = X − T − Wp
             {0, 0, -1, 0, 1, 0, 0},                 // W = Wp + Wg
             {-1, -1, 0, 0, 0, 1, 0},                // X = C + I + G
             {0, -1, 0, 0, 0, 0, 1}};                // K = K(-1) + I
  //                      P(-1)     K(-1)      X(-1)
  f.lagCoefficients = {{0.163144, 0, 0}, {0.755724, -0.194848, 0}, {0, 0, 0.181291}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0},
                       {0, 1, 0}};
  //                      const    G  T   A         Wg
  f.exoCoefficients = {{16.4408, 0, 0, 0, 0}, {28.1778, 0, 0, 0, 0}, {1.79722, 0, 0, 0.149674, 0},
                       {0, 0, -1, 0, 0},      {0, 0, 0, 0, 1},       {0, 1, 0, 0, 0},
                       {0, 0, 0, 0, 0}};
  return f;
}

// The Klein data 1920–1941 with A = year − 1931 (W, the total wage bill, is not in the file).
inline SeriesTable KleinData() {
  SeriesTable t;
  t.names = {"C", "P", "Wp", "I", "K", "X", "Wg", "G", "T", "A"};
  const double rows[][9] = {
      {39.8, 12.7, 28.8, 2.7, 182.8, 44.9, 2.2, 2.4, 3.4},  {41.9, 12.4, 25.5, -0.2, 182.6, 45.6, 2.7, 3.9, 7.7},
      {45.0, 16.9, 29.3, 1.9, 184.5, 50.1, 2.9, 3.2, 3.9},  {49.2, 18.4, 34.1, 5.2, 189.7, 57.2, 2.9, 2.8, 4.7},
      {50.6, 19.4, 33.9, 3.0, 192.7, 57.1, 3.1, 3.5, 3.8},  {52.6, 20.1, 35.4, 5.1, 197.8, 61.0, 3.2, 3.3, 5.5},
      {55.1, 19.6, 37.4, 5.6, 203.4, 64.0, 3.3, 3.3, 7.0},  {56.2, 19.8, 37.9, 4.2, 207.6, 64.4, 3.6, 4.0, 6.7},
      {57.3, 21.1, 39.2, 3.0, 210.6, 64.5, 3.7, 4.2, 4.2},  {57.8, 21.7, 41.3, 5.1, 215.7, 67.0, 4.0, 4.1, 4.0},
      {55.0, 15.6, 37.9, 1.0, 216.7, 61.2, 4.2, 5.2, 7.7},  {50.9, 11.4, 34.5, -3.4, 213.3, 53.4, 4.8, 5.9, 7.5},
      {45.6, 7.0, 29.0, -6.2, 207.1, 44.3, 5.3, 4.9, 8.3},  {46.5, 11.2, 28.5, -5.1, 202.0, 45.1, 5.6, 3.7, 5.4},
      {48.7, 12.3, 30.6, -3.0, 199.0, 49.7, 6.0, 4.0, 6.8}, {51.3, 14.0, 33.2, -1.3, 197.7, 54.4, 6.1, 4.4, 7.2},
      {57.7, 17.6, 36.8, 2.1, 199.8, 62.7, 7.4, 2.9, 8.3},  {58.7, 17.3, 41.0, 2.0, 201.8, 65.0, 6.7, 4.3, 6.7},
      {57.5, 15.3, 38.2, -1.9, 199.9, 60.9, 7.7, 5.3, 7.4}, {61.6, 19.0, 41.6, 1.3, 201.2, 69.5, 7.8, 6.6, 8.9},
      {65.0, 21.1, 45.0, 3.3, 204.5, 75.7, 8.0, 7.4, 9.6},  {69.7, 23.5, 53.3, 4.9, 209.4, 88.4, 8.5, 13.8, 11.6}};
  t.columns.assign(t.names.size(), {});
  for (int r = 0; r < 22; ++r) {
    t.years.push_back(1920 + r);
    for (int c = 0; c < 9; ++c) t.columns[static_cast<std::size_t>(c)].push_back(rows[r][c]);
    t.columns[9].push_back(1920 + r - 1931);
  }
  return t;
}

}  // namespace quantorial::testing
