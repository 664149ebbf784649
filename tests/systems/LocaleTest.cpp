#include <gtest/gtest.h>

#include "DecimalCommaLocale.h"
#include "systems/Scenario.h"
#include "systems/SystemFile.h"
#include "workspace/ValueRules.h"

namespace quantorial {
namespace {

// On a desktop whose locale writes 0,5 the files still say 0.5: the system file's
// coefficients, the scenario's values and the value rules read them the same in every
// locale (before, "0.5" read as 0 or was refused there).
TEST(NumbersInEveryLocale, FilesReadAsInTheCLocale) {
  testing::DecimalCommaLocale german;
  if (!german.Active()) GTEST_SKIP() << german.WhyNot();

  std::vector<LinearTerm> terms;
  std::string error;
  ASSERT_TRUE(ParseLinearExpression("0.5 * x + 1.25e1 * y(-1) - .75", terms, error)) << error;
  ASSERT_EQ(terms.size(), 3u);
  EXPECT_DOUBLE_EQ(terms[0].coef, 0.5);
  EXPECT_DOUBLE_EQ(terms[1].coef, 12.5);
  EXPECT_DOUBLE_EQ(terms[2].coef, -0.75);

  const ScenarioParseOutcome parsed = ParseScenario("G 1930 + 0.5\nT 1931:1932 = 2.25\n", "s.txt");
  ASSERT_TRUE(parsed.scenario) << parsed.error;
  ASSERT_EQ(parsed.scenario->changes.size(), 2u);
  EXPECT_DOUBLE_EQ(parsed.scenario->changes[0].value, 0.5);
  EXPECT_DOUBLE_EQ(parsed.scenario->changes[1].value, 2.25);
  // A comma is not this program's decimal point in any locale.
  EXPECT_FALSE(ParseScenario("G 1930 + 0,5\n", "s.txt").scenario);

  double v = 0;
  EXPECT_EQ(DecimalPrefix("0.5*x", v), 3u);
  EXPECT_DOUBLE_EQ(v, 0.5);
  EXPECT_EQ(WholeNumber(" -1.5e2 "), -150.0);
  EXPECT_EQ(LeadingNumber("2.5abc"), 2.5);
}

// Only the plain decimal form is a number: a sign, blanks or a hexadecimal form at the start
// are not taken by the reading that tokenizes expressions.
TEST(NumbersInEveryLocale, DecimalPrefixTakesThePlainFormOnly) {
  struct Case {
    const char* text;
    std::size_t taken;
    double value;
  } cases[] = {{"12", 2, 12},  {"1.5e3x", 5, 1500}, {".5", 2, 0.5}, {"7.", 2, 7}, {"2e", 1, 2},
               {"0x2D", 1, 0}, {"-1", 0, 0},        {" 1", 0, 0},   {"e5", 0, 0}, {"", 0, 0}};
  for (const Case& c : cases) {
    double v = -99;
    EXPECT_EQ(DecimalPrefix(c.text, v), c.taken) << c.text;
    if (c.taken > 0) {
      EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
  }
}

}  // namespace
}  // namespace quantorial
