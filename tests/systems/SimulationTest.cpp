#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "KleinForm.h"
#include "systems/Scenario.h"
#include "systems/Simulation.h"
#include "systems/Target.h"

namespace quantorial {
namespace {

using testing::KleinData;
using testing::KleinThreeStage;
using testing::TwoEquations;

SeriesTable SmallData() {
  SeriesTable t;
  t.years = {2000, 2001, 2002, 2003};
  t.names = {"x", "y1", "y2"};
  t.columns = {{1, 2, 3, 4}, {4, 6, 9, 10}, {2, 3, 4, 5}};
  return t;
}

TEST(SimulationTest, DynamicAndStaticSolutionsOfAModelSolvedByHand) {
  struct Case {
    const char* what;
    bool dynamic;
    std::vector<double> y1;  // 2001..2003
  };
  const Case cases[] = {
      // y1(2001) = 8/3 + 2/3·4; then from the solution, or from the data's 6 and 9.
      {"dynamic", true, {16.0 / 3, 4 + 32.0 / 9, 16.0 / 3 + 2.0 / 3 * (4 + 32.0 / 9)}},
      {"static", false, {16.0 / 3, 4 + 4, 16.0 / 3 + 6}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SimulationOptions o;
    o.dynamic = c.dynamic;
    const auto out = Simulate(TwoEquations(), SmallData(), o);
    ASSERT_TRUE(out.result) << out.error;
    ASSERT_EQ(out.result->years, (std::vector<int>{2001, 2002, 2003}));
    for (std::size_t r = 0; r < 3; ++r) {
      EXPECT_NEAR(out.result->values[r][0], c.y1[r], 1e-12);
      EXPECT_NEAR(out.result->values[r][1], c.y1[r] / 2, 1e-12);
    }
  }
}

TEST(SimulationTest, AddFactorsShiftTheirEquation) {
  SimulationOptions o;
  o.addFactors["y2"][2001] = 3;  // y2 = 0.5 y1 + 3 in 2001: y1 = 8/3 + 8/3 + 4/3·1.5
  const auto out = Simulate(TwoEquations(), SmallData(), o);
  ASSERT_TRUE(out.result) << out.error;
  EXPECT_NEAR(out.result->values[0][0], 16.0 / 3 + 2, 1e-12);
  EXPECT_NEAR(out.result->values[0][1], (16.0 / 3 + 2) / 2 + 3, 1e-12);
}

TEST(SimulationTest, AccuracyStatisticsByHand) {
  // Simulated (2, 4, 6), actual (1, 4, 5): e = actual − simulated = (−1, 0, −1), so ME = −2/3,
  // MAE = 2/3, MSE = 2/3, MPE = 100 (−1 + 0 − 1/5) / 3 = −40, MAPE = 40; U2 over years 2..3 on
  // relative changes: √(((4 − 4)/1)² + ((6 − 5)/4)²) / √(((4 − 1)/1)² + ((5 − 4)/4)²);
  // U1 = √(2/3) / (√(42/3) + √(56/3)); UM = (4 − 10/3)² / (2/3) = 2/3.
  const auto s = ComputeAccuracy({2, 4, 6}, {1, 4, 5});
  EXPECT_EQ(s.count, 3);
  EXPECT_NEAR(s.me, -2.0 / 3, 1e-12);
  EXPECT_NEAR(s.mae, 2.0 / 3, 1e-12);
  EXPECT_NEAR(s.rmse, std::sqrt(2.0 / 3), 1e-12);
  EXPECT_NEAR(s.mpe, -40, 1e-12);
  EXPECT_NEAR(s.mape, 40, 1e-12);
  EXPECT_NEAR(s.u2, std::sqrt(0.0625) / std::sqrt(9.0625), 1e-12);
  EXPECT_NEAR(s.u1, std::sqrt(2.0 / 3) / (std::sqrt(42.0 / 3) + std::sqrt(56.0 / 3)), 1e-12);
  EXPECT_NEAR(s.um, 2.0 / 3, 1e-12);
  EXPECT_NEAR(s.um + s.ur + s.ud, 1, 1e-12);
  // The regression proportion from its definition: the slope of e on the simulated values.
  // With s̄ = 4, ā = 10/3: σs² = 8/3, σa² = 26/9, cov = 8/3.
  const double sdS = std::sqrt(8.0 / 3), sdA = std::sqrt(26.0 / 9), r = (8.0 / 3) / (sdS * sdA);
  EXPECT_NEAR(s.ur, (sdS - r * sdA) * (sdS - r * sdA) / (2.0 / 3), 1e-12);

  // A forecast below the actual values has a positive mean error; a constant error is all
  // bias; an actual of zero leaves the percentage errors (and U2 after it) undefined; a
  // missing actual value is left out, and with it the changes into and out of its year.
  const auto bias = ComputeAccuracy({0, 1, 2}, {1, 2, 3});
  EXPECT_NEAR(bias.me, 1, 1e-12);
  EXPECT_NEAR(bias.mpe, 100 * (1 + 0.5 + 1.0 / 3) / 3, 1e-12);
  EXPECT_NEAR(bias.um, 1, 1e-12);
  EXPECT_NEAR(bias.ur, 0, 1e-12);
  EXPECT_NEAR(bias.ud, 0, 1e-12);
  const auto zero = ComputeAccuracy({1, 2, 3}, {0, 2, kMissing});
  EXPECT_EQ(zero.count, 2);
  EXPECT_TRUE(std::isnan(zero.mpe));
  EXPECT_TRUE(std::isnan(zero.u2));
  EXPECT_NEAR(zero.rmse, std::sqrt(0.5), 1e-12);
  const auto gap = ComputeAccuracy({1, 2, 3, 5}, {2, 2, kMissing, 4});
  EXPECT_EQ(gap.count, 3);
  EXPECT_TRUE(std::isnan(gap.u2));  // the one change left (2 → 2) is zero: no U2
}

// Klein's Model I by 3SLS, dynamic simulation 1921–1941: gretl 2022c's fcstats of its fcast
// (--dynamic) over the same years give, for C, U2 1.354560 and ME +0.136673, for I U2
// 0.569400; the other figures are gretl's too. The statistics are checked against a second
// computation from the simulated path here as well.
TEST(SimulationTest, KleinDynamicSimulationStatistics) {
  const auto data = KleinData();
  const auto out = Simulate(KleinThreeStage(), data, {});
  ASSERT_TRUE(out.result) << out.error;
  const auto& r = *out.result;
  ASSERT_EQ(r.years.front(), 1921);
  ASSERT_EQ(r.years.back(), 1941);
  for (std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u}) {
    SCOPED_TRACE(r.endogenous[i]);
    double sq = 0, abs = 0, pct = 0, relErr = 0, relChange = 0, sqA = 0, sqS = 0;
    for (std::size_t k = 0; k < r.years.size(); ++k) {
      const double a = data.Value(r.endogenous[i], r.years[k]), f = r.values[k][i], e = a - f;
      sq += e * e;
      abs += std::abs(e);
      pct += std::abs(e / a);
      sqA += a * a;
      sqS += f * f;
      if (k > 0) {
        const double before = data.Value(r.endogenous[i], r.years[k - 1]);
        relErr += std::pow((f - a) / before, 2);
        relChange += std::pow((a - before) / before, 2);
      }
    }
    const auto& s = r.accuracy[i];
    EXPECT_EQ(s.count, 21);
    EXPECT_NEAR(s.rmse, std::sqrt(sq / 21), 1e-12);
    EXPECT_NEAR(s.mae, abs / 21, 1e-12);
    EXPECT_NEAR(s.mape, 100 * pct / 21, 1e-10);
    EXPECT_NEAR(s.u2, std::sqrt(relErr / relChange), 1e-12);
    EXPECT_NEAR(s.u1, std::sqrt(sq / 21) / (std::sqrt(sqA / 21) + std::sqrt(sqS / 21)), 1e-12);
    EXPECT_NEAR(s.um + s.ur + s.ud, 1, 1e-12);
  }
  // gretl's figures; the coefficients of the form carry six digits, so they agree to about 1e-4.
  struct Gretl {
    std::size_t variable;
    double me, rmse, mpe, u2, um, ur;
  };
  const Gretl gretl[] = {{0, 0.1366729015, 4.315480499, -0.3826556293, 1.354559741, 0.001003012885, 0.003262974886},
                         {1, 0.1336876923, 2.997982715, 105.8529228, 0.569400168, 0.001988495463, 0.05766984641},
                         {6, -0.1424287589, 5.003648994, -0.1505712072, 1.330062997, 0.0008102549767, 0.06483989861}};
  for (const auto& g : gretl) {
    SCOPED_TRACE(r.endogenous[g.variable]);
    const auto& s = r.accuracy[g.variable];
    EXPECT_NEAR(s.me, g.me, 2e-4);
    EXPECT_NEAR(s.rmse, g.rmse, 2e-4);
    EXPECT_NEAR(s.mpe, g.mpe, 2e-3 * std::max(1.0, std::abs(g.mpe)));
    EXPECT_NEAR(s.u2, g.u2, 1e-4);
    EXPECT_NEAR(s.um, g.um, 1e-5);
    EXPECT_NEAR(s.ur, g.ur, 1e-4);
  }
  // W is not in the data: no statistics for it.
  EXPECT_EQ(r.accuracy[4].count, 0);
  // The capital identity holds along the solution.
  for (std::size_t k = 1; k < r.years.size(); ++k)
    EXPECT_NEAR(r.values[k][6], r.values[k - 1][6] + r.values[k][1], 1e-9);
}

TEST(ScenarioTest, ParsesEveryForm) {
  const auto out = ParseScenario(
      "\xEF\xBB\xBF# wages of the government sector half a billion higher from 1933\r\n"
      "Wg 1933:1939 +0.5\n"
      "G 1940 = 16.1   # a comment after\n"
      "C 1935:1936 addfactor 1.0\n"
      "\n"
      "T 1930 * 1.1\n"
      "\"Wg\" 1931 -0.25\n",
      "s.txt");
  ASSERT_TRUE(out.scenario) << out.error;
  const auto& c = out.scenario->changes;
  ASSERT_EQ(c.size(), 5u);
  EXPECT_EQ(c[0].kind, ScenarioChange::Kind::Add);
  EXPECT_EQ(c[0].first, 1933);
  EXPECT_EQ(c[0].last, 1939);
  EXPECT_EQ(c[0].value, 0.5);
  EXPECT_EQ(c[1].kind, ScenarioChange::Kind::Set);
  EXPECT_EQ(c[1].value, 16.1);
  EXPECT_EQ(c[2].kind, ScenarioChange::Kind::AddFactor);
  EXPECT_EQ(c[2].line, 4);
  EXPECT_EQ(c[3].kind, ScenarioChange::Kind::Multiply);
  EXPECT_EQ(c[4].kind, ScenarioChange::Kind::Subtract);
  EXPECT_EQ(c[4].name, "Wg");

  // Applied to Klein: the data change, the add-factor goes to C's equation.
  const auto applied = ApplyScenario(KleinThreeStage(), KleinData(), *out.scenario, "s.txt");
  ASSERT_TRUE(applied.inputs) << applied.error;
  EXPECT_NEAR(applied.inputs->data.Value("Wg", 1933), 5.6 + 0.5, 1e-12);
  EXPECT_NEAR(applied.inputs->data.Value("Wg", 1931), 4.8 - 0.25, 1e-12);
  EXPECT_NEAR(applied.inputs->data.Value("G", 1940), 16.1, 1e-12);
  EXPECT_NEAR(applied.inputs->data.Value("T", 1930), 7.7 * 1.1, 1e-12);
  EXPECT_EQ(applied.inputs->addFactors.at("C").size(), 2u);
}

// A lagged exogenous column is read from its variable's earlier years, so a change written
// to the lag itself would be lost: it is refused, pointing at the variable to change.
TEST(ScenarioTest, ChangesToALaggedColumnAreRefused) {
  auto form = TwoEquations();
  form.exogenous.push_back("x(-1)");
  form.exoCoefficients = {{1, 0.25}, {0, 0}};
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"x(-1) 2002 = 1\n", "s.txt line 1: x(-1) is a lag of x; change x instead."},
      {"# x\nx(-1) 2001:2002 +1\n", "s.txt line 2: x(-1) is a lag of x; change x instead."},
      {"\"x(-1)\" 2003 * 2\n", "s.txt line 1: x(-1) is a lag of x; change x instead."},
      {"x(-2) 2003 = 0\n", "s.txt line 1: x(-2) is a lag of x; change x instead."},
  };
  for (const auto& c : cases) {
    const auto parsed = ParseScenario(c.text, "s.txt");
    ASSERT_TRUE(parsed.scenario) << c.text << parsed.error;
    EXPECT_EQ(ApplyScenario(form, SmallData(), *parsed.scenario, "s.txt").error, c.message) << c.text;
  }
  // The variable itself may be changed.
  const auto parsed = ParseScenario("x 2002 = 1\n", "s.txt");
  ASSERT_TRUE(parsed.scenario);
  const auto applied = ApplyScenario(form, SmallData(), *parsed.scenario, "s.txt");
  ASSERT_TRUE(applied.inputs) << applied.error;
  EXPECT_EQ(applied.inputs->data.Value("x", 2002), 1);
}

// An add-factor of 1 on C's equation in one year moves the scenario path from the base
// path by exactly the multipliers of a unit shock to that equation: Γ⁻¹'s column of C,
// carried forward by the lag matrix.
TEST(ScenarioTest, KleinAddFactorMovesCByTheInverseColumn) {
  const auto parsed = ParseScenario("C 1935 addfactor 1.0\n", "s.txt");
  ASSERT_TRUE(parsed.scenario);
  // The same shock as an exogenous column of C's equation alone.
  auto shocked = KleinThreeStage();
  shocked.exogenous.push_back("shock");
  for (std::size_t i = 0; i < 7; ++i) shocked.exoCoefficients[i].push_back(i == 0 ? 1 : 0);
  const auto rf = ComputeReducedForm(shocked, 2);
  ASSERT_TRUE(rf.result);
  SimulationOptions o;
  o.from = 1935;
  o.to = 1937;
  const auto cmp = CompareScenario(KleinThreeStage(), KleinData(), *parsed.scenario, "s.txt", o);
  ASSERT_TRUE(cmp.result) << cmp.error;
  for (std::size_t h = 0; h < 3; ++h)
    for (std::size_t i = 0; i < 7; ++i) EXPECT_NEAR(cmp.result->difference[h][i], rf.result->interim[h][i][5], 1e-9);
}

TEST(TargetTest, KleinTargetsAreHitExactly) {
  const auto form = KleinThreeStage();
  const auto data = KleinData();
  struct Case {
    const char* what;
    std::vector<std::string> instruments;
  };
  const Case cases[] = {{"square", {"G", "Wg"}}, {"more instruments: least-norm", {"G", "Wg", "T"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TargetSpec spec;
    spec.years = {1935, 1936, 1937, 1938};
    spec.variables = {"C", "I"};
    spec.values = {{52, 0}, {56, 1}, {60, kMissing}, {61, 2}};
    spec.instruments = c.instruments;
    const auto out = SolveTargets(form, data, spec, "targets.csv");
    ASSERT_TRUE(out.result) << out.error;
    EXPECT_LT(out.result->largestMiss, 1e-8);
    EXPECT_TRUE(out.result->notices.empty());
    const auto& sim = out.result->simulation;
    EXPECT_NEAR(sim.values[0][0], 52, 52e-8);
    EXPECT_NEAR(sim.values[3][1], 2, 1e-8);
  }
  // One target, two instruments: the least-norm change is along the instruments' impact
  // multipliers on the target.
  TargetSpec one;
  one.years = {1935};
  one.variables = {"C"};
  one.values = {{53}};
  one.instruments = {"G", "T"};
  const auto out = SolveTargets(form, data, one, "targets.csv");
  ASSERT_TRUE(out.result) << out.error;
  const auto rf = ComputeReducedForm(form, 0);
  const double dG = out.result->instrumentValues[0][0] - 4.4, dT = out.result->instrumentValues[0][1] - 7.2;
  EXPECT_NEAR(dG * rf.result->impact[0][2] - dT * rf.result->impact[0][1], 0, 1e-9);
  EXPECT_LT(out.result->largestMiss, 1e-8);
}

TEST(TargetTest, FewerInstrumentsThanTargetsGiveTheLeastSquaresFitWithANotice) {
  TargetSpec spec;
  spec.years = {1935};
  spec.variables = {"C", "I"};
  spec.values = {{52, 3}};
  spec.instruments = {"G"};
  const auto out = SolveTargets(KleinThreeStage(), KleinData(), spec, "targets.csv");
  ASSERT_TRUE(out.result) << out.error;
  ASSERT_EQ(out.result->notices.size(), 1u);
  EXPECT_NE(out.result->notices[0].find("least-squares"), std::string::npos);
  // The residuals are orthogonal to G's impact multipliers on C and I.
  const auto rf = ComputeReducedForm(KleinThreeStage(), 0);
  const auto& y = out.result->simulation.values[0];
  EXPECT_NEAR((y[0] - 52) * rf.result->impact[0][1] + (y[1] - 3) * rf.result->impact[1][1], 0, 1e-9);
  EXPECT_GT(out.result->largestMiss, 1e-3);
}

TEST(StructuralInputTest, BadInputsAreRefusedNamingThem) {
  const auto form = KleinThreeStage();
  const auto data = KleinData();
  auto target = [&](std::vector<int> years, std::vector<std::string> vars, std::vector<std::string> instr) {
    TargetSpec s;
    s.years = std::move(years);
    s.variables = std::move(vars);
    for (std::size_t r = 0; r < s.years.size(); ++r) s.values.emplace_back(s.variables.size(), 50.0);
    s.instruments = std::move(instr);
    return SolveTargets(form, data, s, "targets.csv").error;
  };
  auto scenario = [&](const std::string& text) {
    const auto p = ParseScenario(text, "s.txt");
    if (!p.scenario) return p.error;
    return ApplyScenario(form, data, *p.scenario, "s.txt").error;
  };
  auto simulate = [&](int from, int to) {
    SimulationOptions o;
    o.from = from;
    o.to = to;
    return Simulate(form, data, o).error;
  };
  struct Case {
    const char* what;
    std::function<std::string()> run;
    const char* message;
  };
  const Case cases[] = {
      {"target year outside the data", [&] { return target({1950}, {"C"}, {"G"}); },
       "targets.csv: the target year 1950 lies outside the data and forecast (1920–1941)"},
      {"endogenous instrument", [&] { return target({1935}, {"C"}, {"C"}); },
       "The instrument C is not an exogenous variable of the model (it is endogenous)"},
      {"unknown instrument", [&] { return target({1935}, {"C"}, {"Z"}); },
       "The instrument Z is not an exogenous variable"},
      {"target not endogenous", [&] { return target({1935}, {"G"}, {"T"}); },
       "targets.csv: the target G is not an endogenous variable"},
      {"instruments that cannot move the targets apart",  // W − Wp is Wg, which is no instrument
       [&] {
         return target({1935}, {"Wp", "W"}, {"G", "T"});
       },
       "In 1935 the instruments G and T cannot move the targets Wp and W independently"},
      {"period before the data", [&] { return simulate(1920, 1930); },
       "The simulation period 1920–1930 reaches before the data: its lags of 1 year need 1919"},
      {"period after the data", [&] { return simulate(1930, 1945); },
       "The simulation runs to 1945, but the data end in 1941: the exogenous values after 1941 come from a forecast "
       "file, and none gives 1942."},
      {"scenario: unknown variable", [&] { return scenario("Z 1930 +1\n"); },
       "s.txt line 1: Z is not an exogenous variable of the model"},
      {"scenario: endogenous changed", [&] { return scenario("# x\nC 1930 +1\n"); },
       "s.txt line 2: C is endogenous; change its equation with addfactor"},
      {"scenario: add-factor on an exogenous", [&] { return scenario("G 1930 addfactor 1\n"); },
       "s.txt line 1: G is not an endogenous variable"},
      {"scenario: year outside", [&] { return scenario("G 1939:1945 +1\n"); },
       "s.txt line 1: the years 1939–1945 lie outside the data and forecast"},
      {"scenario: bad operator", [&] { return scenario("G 1930 ^ 2\n"); }, "s.txt line 1: expected `VAR YEARS"},
      {"scenario: bad number", [&] { return scenario("G 1930 + 2x\n"); }, "s.txt line 1: \"2x\" is not a number"},
      {"scenario: infinite number", [&] { return scenario("G 1930 + 1e999\n"); }, "is not a number"},
      {"scenario: years backwards", [&] { return scenario("G 1935:1930 +1\n"); }, "the years 1935:1930 run backwards"},
      {"scenario: bad years", [&] { return scenario("G 19x0 +1\n"); }, "\"19x0\" is not a year or FIRST:LAST"},
      {"scenario: huge span", [&] { return scenario("G 1:999999 +1\n"); }, "span too long"},
      {"scenario: open quote", [&] { return scenario("\"G 1930 +1\n"); }, "a double quote is not closed"},
      {"scenario: too few words", [&] { return scenario("G 1930\n"); }, "s.txt line 1: expected"},
      {"scenario: an empty quoted operator and value", [&] { return scenario("G 1930 \"\"\n"); },
       "s.txt line 1: expected `VAR YEARS"},
      {"scenario: an empty quoted value", [&] { return scenario("G 1930 + \"\"\n"); },
       "s.txt line 1: \"\" is not a number"},
      {"scenario: an empty quoted year", [&] { return scenario("G \"\" +1\n"); },
       "s.txt line 1: \"\" is not a year or FIRST:LAST"},
      {"scenario: add-factor without value", [&] { return scenario("C 1930 addfactor\n"); }, "addfactor needs a value"},
      {"scenario: the constant", [&] { return scenario("const 1930 +1\n"); }, "const is the constant"},
      {"scenario: larger than the limit", [&] { return scenario(std::string(kMaxScenarioBytes + 1, '#')); },
       "s.txt: the scenario file is larger than 16 MB"},
      {"scenario: one endless line", [&] { return scenario(std::string(100000, 'G')); }, "s.txt line 1: expected"},
      {"scenario: binary bytes", [&] { return scenario(std::string("G\0\xff 19\x01 +1", 11)); }, "s.txt line 1: "},
      {"scenario: a year beyond the digits", [&] { return scenario("G 123456789 +1\n"); }, "is not a year"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string error = c.run();
    EXPECT_FALSE(error.empty());
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace quantorial
