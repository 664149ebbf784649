// The pure parts of the dynamic and aspiration commands: the list's selection text, names,
// extension years, and the grammar of the design text.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "planning/Aspiration.h"
#include "planning/Dynamic.h"
#include "workspace/LabelledMatrix.h"

namespace quantorial {
namespace {

TEST(Dynamic, ListSelectionAndNames) {
  const std::vector<std::string> items = {"GDP", "INV"};
  EXPECT_EQ(DynamicSelectionText(items, {true, true}, "last"), "GDP,~INV,~");
  EXPECT_EQ(DynamicSelectionText(items, {false, true}, "last"), "INV,~");
  EXPECT_EQ(DynamicSelectionText(items, {false, false}, "last"), "last");
  EXPECT_EQ(NormalizeName(Cell(std::string(" gdp\x01x "))), "GDP X");
  EXPECT_EQ(NormalizeName(Cell()), "");
  EXPECT_EQ(ExtensionYears(""), 0);
  EXPECT_EQ(ExtensionYears("-3"), 0);
  EXPECT_EQ(ExtensionYears("2.5"), 2);
}

TEST(AspirationGrammar, ListsCountsAndValues) {
  EXPECT_EQ(CountOf("1~2006~a", "~"), 2);
  EXPECT_EQ(CountOf("aaa", "aa"), 2);
  EXPECT_EQ(ParseList("a,b,,c", ","), (std::vector<std::string>{"4", "a", "b", "", "c"}));
  EXPECT_EQ(NumericValue("1E2", false, true), 12);
  EXPECT_EQ(NumericValue(" -5 ", false, true), -5);
  EXPECT_EQ(NumericValue("", false, true), 0);
  EXPECT_EQ(NumericValue("0.5", true, true), 0);
}

}  // namespace
}  // namespace quantorial
