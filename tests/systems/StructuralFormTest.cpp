#include <gtest/gtest.h>

#include <cmath>

#include "KleinForm.h"
#include "MatrixBuilder.h"
#include "systems/Scenario.h"
#include "systems/Simulation.h"
#include "systems/StructuralForm.h"

namespace quantorial {
namespace {

using testing::KleinData;
using testing::KleinThreeStage;
using testing::TwoEquations;

// y = a y(-1) + b y(-2) + x, one equation.
StructuralForm SecondOrder(double a, double b) {
  StructuralForm f;
  f.endogenous = {"y"};
  f.exogenous = {"x"};
  f.lagged = {{"y(-1)", 0, 1}, {"y(-2)", 0, 2}};
  f.gamma = {{1}};
  f.lagCoefficients = {{a, b}};
  f.exoCoefficients = {{1}};
  return f;
}

struct MultiplierCase {
  const char* what;
  StructuralForm form;
  std::vector<std::vector<double>> interim;  // the first exogenous column for h = 0, 1, ..
  std::optional<std::vector<double>> total;
  double radius;
};

TEST(ReducedFormTest, MultipliersOfModelsSolvedByHand) {
  const MultiplierCase cases[] = {
      {"two equations, one lag",
       TwoEquations(),
       {{4.0 / 3, 2.0 / 3}, {8.0 / 9, 4.0 / 9}, {16.0 / 27, 8.0 / 27}},
       std::vector<double>{4, 2},
       2.0 / 3},
      // λ² − 0.5λ − 0.3 = 0: λ = (0.5 + √1.45) / 2.
      {"second-order lag through the companion form",
       SecondOrder(0.5, 0.3),
       {{1}, {0.5}, {0.55}, {0.425}},
       std::vector<double>{5},
       (0.5 + std::sqrt(1.45)) / 2},
      {"explosive", SecondOrder(1.2, 0), {{1}, {1.2}, {1.44}}, std::nullopt, 1.2},
      {"static",
       [] {
         auto f = TwoEquations();
         f.lagged.clear();
         f.lagCoefficients = {{}, {}};
         return f;
       }(),
       {{4.0 / 3, 2.0 / 3}, {0, 0}},
       std::vector<double>{4.0 / 3, 2.0 / 3},
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto out = ComputeReducedForm(c.form, static_cast<int>(c.interim.size()) - 1);
    ASSERT_TRUE(out.result) << out.error;
    const auto& rf = *out.result;
    std::vector<double> cumulative(c.interim[0].size(), 0.0);
    for (std::size_t h = 0; h < c.interim.size(); ++h)
      for (std::size_t i = 0; i < c.interim[h].size(); ++i) {
        cumulative[i] += c.interim[h][i];
        EXPECT_NEAR(rf.interim[h][i][0], c.interim[h][i], 1e-12) << "h " << h << " row " << i;
        EXPECT_NEAR(rf.cumulative[h][i][0], cumulative[i], 1e-12) << "h " << h << " row " << i;
      }
    EXPECT_NEAR(rf.spectralRadius, c.radius, 1e-12);
    EXPECT_EQ(rf.stable, c.total.has_value());
    ASSERT_EQ(rf.total.has_value(), c.total.has_value());
    if (c.total) {
      for (std::size_t i = 0; i < c.total->size(); ++i) EXPECT_NEAR((*rf.total)[i][0], (*c.total)[i], 1e-12);
    }
    EXPECT_EQ(rf.stability.rfind(rf.stable ? "stable" : "unstable", 0), 0u) << rf.stability;
  }
}

TEST(ReducedFormTest, SingularGammaIsRefusedNamingTheDependentEquations) {
  StructuralForm f;
  f.endogenous = {"a", "b", "c"};
  f.exogenous = {"x"};
  f.gamma = {{1, -1, 0}, {0, 0, 1}, {2, -2, 0}};  // the equations of a and c are proportional
  f.lagCoefficients = {{}, {}, {}};
  f.exoCoefficients = {{1}, {1}, {0}};
  const auto out = ComputeReducedForm(f, 2);
  ASSERT_FALSE(out.result);
  EXPECT_NE(out.error.find("block Γ"), std::string::npos) << out.error;
  EXPECT_NE(out.error.find("equations of a and c are linearly dependent"), std::string::npos) << out.error;
}

// Published for Klein's Model I estimated by 3SLS on 1921–1941: the multipliers of G on C,
// I, Wp, P, W, X, K on impact and one year on, and the largest eigenvalue modulus. The
// coefficients carry six significant digits, so the multipliers agree to about 1e-5.
TEST(ReducedFormTest, KleinThreeStageMultipliersOfGovernmentSpending) {
  const auto out = ComputeReducedForm(KleinThreeStage(), 20);
  ASSERT_TRUE(out.result) << out.error;
  const auto& rf = *out.result;
  const double impact[] = {0.63465, -0.01272, 0.64957, 0.97236, 0.64957, 1.62194, -0.01272};
  const double oneYearOn[] = {1.04942, 0.72723, 1.00558, 0.77108, 1.00558, 1.77666, 0.71451};
  for (std::size_t i = 0; i < 7; ++i) {
    EXPECT_NEAR(rf.impact[i][1], impact[i], 2e-5) << rf.lag.size() << " row " << i;
    EXPECT_NEAR(rf.interim[0][i][1], impact[i], 2e-5) << "row " << i;
    EXPECT_NEAR(rf.interim[1][i][1], oneYearOn[i], 2e-5) << "row " << i;
  }
  EXPECT_NEAR(rf.spectralRadius, 0.871255, 2e-6);
  EXPECT_TRUE(rf.stable);
  ASSERT_TRUE(rf.total);
}

// The multipliers a second way: simulating the model with G one higher in one year (a
// scenario) moves every endogenous variable that year by the impact multiplier and h
// years later by the interim one; G one higher from that year on moves them by the
// cumulative ones.
TEST(ReducedFormTest, KleinMultipliersEqualSimulatedResponses) {
  const auto form = KleinThreeStage();
  const auto rf = ComputeReducedForm(form, 8);
  ASSERT_TRUE(rf.result) << rf.error;
  const auto data = KleinData();
  SimulationOptions opts;
  opts.from = 1930;
  opts.to = 1938;
  for (const bool permanent : {false, true}) {
    const auto parsed = ParseScenario(permanent ? "G 1930:1938 +1\n" : "G 1930 +1\n", "shock.txt");
    ASSERT_TRUE(parsed.scenario) << parsed.error;
    const auto cmp = CompareScenario(form, data, *parsed.scenario, "shock.txt", opts);
    ASSERT_TRUE(cmp.result) << cmp.error;
    const auto& expected = permanent ? rf.result->cumulative : rf.result->interim;
    for (std::size_t h = 0; h <= 8; ++h)
      for (std::size_t i = 0; i < 7; ++i)
        EXPECT_NEAR(cmp.result->difference[h][i], expected[h][i][1], 1e-9) << "h " << h << " row " << i;
  }
}

// A B-matrix (y = B y + C x, lag columns named X(-1)) gives the same model as the form
// written directly: Γ = I − B on the endogenous columns.
TEST(ReducedFormTest, BMatrixGivesTheStructuralForm) {
  const auto k = KleinThreeStage();
  const std::vector<std::string> cols = {"C", "I", "Wp", "P",  "W",     "X",     "K",    "const",
                                         "G", "T", "A",  "Wg", "P(-1)", "K(-1)", "X(-1)"};
  LabelledMatrix b = LabelledMatrix::Dimension(0, 7, 0, 15);
  for (int j = 0; j < 15; ++j) b.Set(0, j + 1, cols[static_cast<std::size_t>(j)]);
  for (std::size_t i = 0; i < 7; ++i) {
    b.Set(static_cast<int>(i) + 1, 0, k.endogenous[i]);
    for (std::size_t j = 0; j < 7; ++j)
      b.Set(static_cast<int>(i) + 1, static_cast<int>(j) + 1, (i == j) - k.gamma[i][j]);
    for (std::size_t j = 0; j < 5; ++j)
      b.Set(static_cast<int>(i) + 1, static_cast<int>(j) + 8, k.exoCoefficients[i][j]);
    for (std::size_t j = 0; j < 3; ++j)
      b.Set(static_cast<int>(i) + 1, static_cast<int>(j) + 13, k.lagCoefficients[i][j]);
  }
  const auto built = StructuralFormFromBMatrix(b, 7, "klein_BMAT.csv");
  ASSERT_TRUE(built.form) << built.error;
  EXPECT_EQ(built.form->endogenous, k.endogenous);
  EXPECT_EQ(built.form->exogenous, k.exogenous);
  ASSERT_EQ(built.form->lagged.size(), 3u);
  EXPECT_EQ(built.form->lagged[1].name, "K(-1)");
  EXPECT_EQ(built.form->lagged[1].variable, 6u);
  const auto a = ComputeReducedForm(*built.form, 3), e = ComputeReducedForm(k, 3);
  ASSERT_TRUE(a.result && e.result);
  for (std::size_t i = 0; i < 7; ++i)
    for (std::size_t j = 0; j < 5; ++j) EXPECT_NEAR(a.result->interim[3][i][j], e.result->interim[3][i][j], 1e-12);
}

TEST(ReducedFormTest, BadBMatricesAreRefusedNamingTheCell) {
  using testing::M;
  using testing::T;
  struct Case {
    const char* what;
    LabelledMatrix bmat;
    int endo;
    const char* message;
  };
  const Case cases[] = {
      {"too many endogenous", M({{T(""), T("a"), T("x")}, {T("a"), 0.5, 1.0}}), 2, "must be from 1 to 1"},
      {"rows and columns differ",
       M({{T(""), T("a"), T("b"), T("x")}, {T("a"), 0.0, 0.5, 1.0}, {T("c"), 0.1, 0.0, 1.0}}), 2,
       "row 2 is c but column 2 is b"},
      {"text coefficient", M({{T(""), T("a"), T("x")}, {T("a"), 0.5, T("abc")}}), 1, "row a, column x is not a number"},
      {"a column named twice", M({{T(""), T("a"), T("x"), T("x")}, {T("a"), 0.5, 1.0, 2.0}}), 1,
       "names x a second time"},
      {"unnamed column", M({{T(""), T("a"), T("")}, {T("a"), 0.5, 1.0}}), 1, "column 2 has no variable name"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto out = StructuralFormFromBMatrix(c.bmat, c.endo, "m.csv");
    EXPECT_FALSE(out.form);
    EXPECT_NE(out.error.find(c.message), std::string::npos) << out.error;
    EXPECT_EQ(out.error.rfind("m.csv: ", 0), 0u) << out.error;
  }
}

}  // namespace
}  // namespace quantorial
