#include <gtest/gtest.h>

#include <algorithm>
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

// Models whose exogenous variables also enter lagged: the multipliers of x are the effect of
// x(t) alone one higher on y(t+h), through x and every lag of x. Each is checked against the
// difference of two simulations on a long synthetic history (x one higher in 1100 only, or
// from 1100 on); the total against the permanent change after several hundred years.
struct LaggedExogenousCase {
  const char* what;
  StructuralForm form;
};

StructuralForm KleinWithLaggedTax() {
  auto f = KleinThreeStage();  // C also on T(-1), and I on G(-2)
  f.exogenous.push_back("T(-1)");
  f.exogenous.push_back("G(-2)");
  for (auto& row : f.exoCoefficients) row.insert(row.end(), {0.0, 0.0});
  f.exoCoefficients[0][5] = -0.35;
  f.exoCoefficients[1][6] = 0.2;
  return f;
}

SeriesTable SyntheticHistory(const StructuralForm& f, int first, int last) {
  SeriesTable t;
  std::vector<std::string> names = f.endogenous;
  for (const auto& x : f.exogenous) {
    std::string base = x;
    int lag = 0;
    if (!SplitLagName(x, base, lag)) base = x;
    if (x != "const" && std::find(names.begin(), names.end(), base) == names.end()) names.push_back(base);
  }
  for (int y = first; y <= last; ++y)
    for (std::size_t c = 0; c < names.size(); ++c) t.Set(names[c], y, 10 + 3 * std::sin(0.7 * y + 1.3 * c));
  return t;
}

TEST(ReducedFormTest, MultipliersOfLaggedExogenousVariablesEqualSimulatedResponses) {
  StructuralForm onlyLagged;  // z enters only lagged two years; no lagged endogenous variable
  onlyLagged.endogenous = {"y1", "y2"};
  onlyLagged.exogenous = {"const", "z(-2)"};
  onlyLagged.gamma = {{1, -0.4}, {-0.25, 1}};
  onlyLagged.exoCoefficients = {{1, 0.6}, {2, 0}};
  onlyLagged.lagCoefficients = {{}, {}};
  StructuralForm distributed;  // y = 0.5 y(-1) + 0.2 y(-2) + x + 0.3 x(-1) − 0.2 x(-3) + w(-1)
  distributed.endogenous = {"y"};
  distributed.exogenous = {"x", "x(-1)", "x(-3)", "w(-1)"};
  distributed.lagged = {{"y(-1)", 0, 1}, {"y(-2)", 0, 2}};
  distributed.gamma = {{1}};
  distributed.lagCoefficients = {{0.5, 0.2}};
  distributed.exoCoefficients = {{1, 0.3, -0.2, 1}};
  StructuralForm unstable = distributed;  // no total, the interim multipliers all the same
  unstable.lagCoefficients = {{0.9, 0.3}};
  const LaggedExogenousCase cases[] = {{"Klein with T(-1) and G(-2)", KleinWithLaggedTax()},
                                       {"a variable only lagged, static model", onlyLagged},
                                       {"distributed lags of x and w", distributed},
                                       {"unstable", unstable}};
  constexpr int kShock = 1100, kFirst = 1090, kLast = 1700, kHorizon = 12;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto out = ComputeReducedForm(c.form, kLast - kShock);
    ASSERT_TRUE(out.result) << out.error;
    const auto& rf = *out.result;
    const SeriesTable base = SyntheticHistory(c.form, kFirst, kLast);
    SimulationOptions opts;
    opts.from = kFirst + 5;
    opts.to = kLast;
    const auto baseRun = Simulate(c.form, base, opts);
    ASSERT_TRUE(baseRun.result) << baseRun.error;
    for (std::size_t v = 0; v < rf.variables.size(); ++v) {
      if (rf.variables[v] == "const") continue;
      SCOPED_TRACE(rf.variables[v]);
      for (const bool permanent : {false, true}) {
        SeriesTable shocked = base;
        for (int y = kShock; y <= (permanent ? kLast : kShock); ++y)
          shocked.Set(rf.variables[v], y, base.Value(rf.variables[v], y) + 1);
        const auto run = Simulate(c.form, shocked, opts);
        ASSERT_TRUE(run.result) << run.error;
        const auto difference = [&](int h, std::size_t i) {
          const auto r = static_cast<std::size_t>(kShock + h - *opts.from);
          return run.result->values[r][i] - baseRun.result->values[r][i];
        };
        const auto& expected = permanent ? rf.cumulative : rf.interim;
        for (int h = 0; h <= kHorizon; ++h)
          for (std::size_t i = 0; i < c.form.endogenous.size(); ++i)
            EXPECT_NEAR(difference(h, i), expected[static_cast<std::size_t>(h)][i][v],
                        1e-9 * std::max(1.0, std::abs(difference(h, i))))
                << "h " << h << " " << c.form.endogenous[i] << (permanent ? " held" : " once");
        if (permanent && rf.total) {
          for (std::size_t i = 0; i < c.form.endogenous.size(); ++i)
            EXPECT_NEAR(difference(kLast - kShock, i), (*rf.total)[i][v], 1e-8) << c.form.endogenous[i] << " total";
        }
      }
    }
  }
  // Klein: T gets a multiplier through T and T(-1), G through G and G(-2); the columns of
  // the multipliers are the variables, the impact block stays by column of B.
  const auto klein = ComputeReducedForm(KleinWithLaggedTax(), 2);
  ASSERT_TRUE(klein.result);
  EXPECT_EQ(klein.result->variables, (std::vector<std::string>{"const", "G", "T", "A", "Wg"}));
  EXPECT_EQ(klein.result->impact[0].size(), 7u);
}

TEST(ReducedFormTest, LagsDeeperThanAHundredPeriodsAreRefused) {
  using testing::M;
  using testing::T;
  // Y1(-9999) would make a companion matrix of 9,999 blocks.
  const auto deep =
      StructuralFormFromBMatrix(M({{T(""), T("Y1"), T("x"), T("Y1(-9999)")}, {T("Y1"), 0.0, 1.0, 0.5}}), 1, "deep.csv");
  EXPECT_FALSE(deep.form);
  EXPECT_NE(deep.error.find("deep.csv: column 3 is Y1(-9999), a lag of 9999 periods; a model's lags go to 100"),
            std::string::npos)
      << deep.error;
  auto f = SecondOrder(0.5, 0.1);
  f.lagged[1] = {"y(-101)", 0, 101};
  const auto rf = ComputeReducedForm(f, 3);
  EXPECT_FALSE(rf.result);
  EXPECT_NE(rf.error.find("reaches back 101 periods"), std::string::npos) << rf.error;
  f.lagged[1] = {"y(-100)", 0, 100};
  EXPECT_TRUE(ComputeReducedForm(f, 3).result);
  // The companion matrix is bounded too: 60 variables with lags of 100 periods.
  StructuralForm wide;
  for (int i = 0; i < 60; ++i) {
    wide.endogenous.push_back("y" + std::to_string(i));
    wide.lagged.push_back({"y" + std::to_string(i) + "(-100)", static_cast<std::size_t>(i), 100});
  }
  wide.gamma.assign(60, std::vector<double>(60, 0.0));
  for (int i = 0; i < 60; ++i) wide.gamma[i][i] = 1;
  wide.lagCoefficients.assign(60, std::vector<double>(60, 0.0));
  wide.exoCoefficients.assign(60, {});
  const auto big = ComputeReducedForm(wide, 1);
  EXPECT_FALSE(big.result);
  EXPECT_NE(big.error.find("would have 6000 rows"), std::string::npos) << big.error;
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
