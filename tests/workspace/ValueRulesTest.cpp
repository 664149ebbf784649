#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <utility>

#include "workspace/ValueRules.h"

namespace quantorial {
namespace {

// Capitals of every Unicode letter in UTF-8; bytes that are not UTF-8 stay as they are.
TEST(UpperCase, UnicodeLettersAndBytesThatAreNotUtf8) {
  const struct {
    const char* text;
    const char* upper;
  } cases[] = {
      {"gdp x1", "GDP X1"},
      {"\xC3\xB6lsaat", "\xC3\x96LSAAT"},  // ölsaat, ÖLSAAT
      {"\xC3\x96LSAAT", "\xC3\x96LSAAT"},
      {"\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89"},                // été, ÉTÉ
      {"\xCE\xB1\xCE\xB2", "\xCE\x91\xCE\x92"},                  // αβ, ΑΒ
      {"\xD0\xB2\xD0\xB2\xD0\xBF", "\xD0\x92\xD0\x92\xD0\x9F"},  // ввп, ВВП
      {"stra\xC3\x9F"
       "e",
       "STRA\xE1\xBA\x9E"
       "E"},                       // ß, capital ẞ
      {"caf\xE9 x", "CAF\xE9 X"},  // Latin-1 é: kept
      {"\xC3", "\xC3"},            // cut short
  };
  for (const auto& c : cases) EXPECT_EQ(UpperCase(c.text), c.upper) << c.text;
}

TEST(LeadingNumber, ReadsUpToTheFirstOtherCharacter) {
  struct Case {
    const char* text;
    double expected;
  } cases[] = {
      {"12abc", 12},   {"abc", 0},      {" -1.5e2x", -150}, {"", 0},        {"12", 12},  {"  7", 7},
      {"+3.25", 3.25}, {".5", 0.5},     {"-.5", -0.5},      {"1.2.3", 1.2}, {"1e", 1},   {"1e+", 1},
      {"2E3", 2000},   {"1 000", 1000}, {"- 5", -5},        {"-", 0},       {".", 0},    {"0.1", 0.1},
      {"12,5", 12},    {"\t4\n", 4},    {"1e-7", 1e-7},     {"5%", 5},      {"TRUE", 0}, {"#DIV/0!", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LeadingNumber(c.text), c.expected) << '"' << c.text << '"';
  }
}

TEST(LeadingNumber, MagnitudesBeyondDoubleRange) {
  EXPECT_EQ(LeadingNumber("1e400"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(LeadingNumber("-1e400x"), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(LeadingNumber("1e-400"), 0.0);
  EXPECT_EQ(LeadingNumber("0.0000000001e-320"), 0.0);
}

TEST(WholeNumber, WholeTextMustBeOneNumber) {
  struct Case {
    const char* text;
    std::optional<double> expected;
  } cases[] = {
      {"12", 12.0},  {" 12 ", 12.0}, {"-0.25", -0.25}, {"+4", 4.0},  {"1.5E-07", 1.5e-7}, {"5.", 5.0},   {".5", 0.5},
      {"12abc", {}}, {"abc", {}},    {"", {}},         {"  ", {}},   {"1 2", {}},         {"1e", {}},    {"-", {}},
      {"1e400", {}}, {"inf", {}},    {"nan", {}},      {"0x10", {}}, {"TRUE", {}},        {"1,000", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WholeNumber(c.text), c.expected) << '"' << c.text << '"';
  }
}

TEST(WholeNumber, ReadsTheNearestDouble) {
  EXPECT_EQ(*WholeNumber("0.1"), 0.1);
  EXPECT_EQ(*WholeNumber("-0.262323073774029"), -0.262323073774029);
  EXPECT_EQ(*WholeNumber("1.7976931348623157e308"), std::numeric_limits<double>::max());
}

TEST(ArithmeticValue, HowEachKindOfCellTakesPart) {
  EXPECT_EQ(ArithmeticValue(Cell()), 0.0);
  EXPECT_EQ(ArithmeticValue(Cell(2.5)), 2.5);
  EXPECT_EQ(ArithmeticValue(Cell(std::int16_t{-3})), -3.0);
  EXPECT_EQ(ArithmeticValue(Cell(0.1f)), static_cast<double>(0.1f));
  EXPECT_EQ(ArithmeticValue(Cell(std::string("12"))), 12.0);
  EXPECT_EQ(ArithmeticValue(Cell(std::string("12abc"))), std::nullopt);
  EXPECT_EQ(ArithmeticValue(Cell(std::string(""))), std::nullopt);
}

TEST(CellArithmetic, FailsOnTextOverflowAndDivisionByZero) {
  const Cell big(1e308), text(std::string("x")), two(2.0), zero(0.0);
  EXPECT_EQ(CellAdd(two, Cell(std::string("3"))), 5.0);
  EXPECT_EQ(CellAdd(two, text), std::nullopt);
  EXPECT_EQ(CellMultiply(big, Cell(10.0)), std::nullopt);
  EXPECT_EQ(CellSubtract(Cell(-1e308), big), std::nullopt);
  EXPECT_EQ(CellDivide(two, zero), std::nullopt);
  EXPECT_EQ(CellDivide(two, Cell()), std::nullopt);
  EXPECT_EQ(CellDivide(Cell(), two), 0.0);
}

TEST(ToSingle, RoundsOrFailsOutsideTheSingleRange) {
  EXPECT_EQ(ToSingle(0.1), 0.1f);
  EXPECT_EQ(ToSingle(1e39), std::nullopt);
  EXPECT_EQ(ToSingle(1e-50), 0.0f);
}

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
  const double in[] = {0.5, 1.5, 2.5, -2.5, 3.5, 2.4999, 2.6};
  const double out[] = {0, 2, 2, -2, 4, 2, 3};
  for (std::size_t i = 0; i < std::size(in); ++i) EXPECT_EQ(RoundHalfEven(in[i]), out[i]) << in[i];
  EXPECT_EQ(WholeNumberRounded("2.5"), 2);
  EXPECT_EQ(WholeNumberRounded(" 3.5 "), 4);
  EXPECT_EQ(WholeNumberRounded("40000"), 40000);
  EXPECT_EQ(WholeNumberRounded("3abc"), std::nullopt);
  EXPECT_EQ(WholeNumberRounded("1e12"), std::nullopt);
}

TEST(FormatFixed, DisplayPatternWithDecimals) {
  struct Case {
    double v;
    int decimals;
    const char* expected;
  } cases[] = {
      {1.5, 4, "1.5000"},
      {0, 4, "0.0000"},
      {-0.25, 4, "-0.2500"},
      {1234567.891, 2, "1234567.89"},
      {0.125, 2, "0.13"},
      {2.5, 1, "2.5"},
      {1.005, 2, "1.01"},
      {0.99999, 4, "1.0000"},
      {9.99995, 4, "10.0000"},
      {1e-7, 4, "0.0000"},
      {0.00005, 4, "0.0001"},
      {0.1, 16, "0.1000000000000000"},
      {1.0 / 3.0, 16, "0.3333333333333330"},
      {1e20, 1, "100000000000000000000.0"},
      {-0.00001, 4, "-0.0000"},
      {-0.0, 2, "0.00"},
      {123.456, 0, "123."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatFixed(c.v, c.decimals), c.expected) << c.v << " with " << c.decimals;
  }
}

TEST(FormatPattern, ReportPatterns) {
  struct Case {
    double v;
    const char* pattern;
    const char* expected;
  } cases[] = {
      {1.5, "############.#####", "1.5"},
      {0.25, "############.#####", ".25"},
      {-0.25, "############.#####", "-.25"},
      {2, "############.#####", "2."},
      {0, "############.#####", "."},
      {1234.5678912, "############.#####", "1234.56789"},
      {8, "####df", "8df"},
      {8, "T(###df) = ", "T(8df) = "},
      {2.2281388519649, "###.###", "2.228"},
      {0.999993745883712, "###.#######", ".9999937"},
      {12.3456, "####.###", "12.346"},
      {37.5, "##0", "38"},
      {0.4, "##0", "0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatPattern(c.v, c.pattern), c.expected) << c.v << " in " << c.pattern;
  }
}

TEST(TableForm, BlankFramedShortText) {
  struct Case {
    double v;
    const char* expected;
  } cases[] = {
      {1.5, " 1.5 "},
      {-0.25, "-.25 "},
      {0, " 0 "},
      {1.5e-7, " 1.5E-07 "},
      {-0.0, " 0 "},
      {100, " 100 "},
      {0.1 + 0.2, " .3 "},
      {1.0 / 3.0, " .333333333333333 "},
      {-12.75, "-12.75 "},
      {1e15, " 1E+15 "},
      {123456789012345.0, " 123456789012345 "},
  };
  for (const auto& c : cases) EXPECT_EQ(TableForm(c.v), c.expected) << c.v;
}

TEST(TextForms, ShortestAndCellText) {
  EXPECT_EQ(ShortestText(0.1), "0.1");
  EXPECT_EQ(ShortestText(1e-7), "1e-07");
  EXPECT_EQ(ShortestText(-2), "-2");
  EXPECT_EQ(ShortestText(static_cast<double>(0.1f)), "0.10000000149011612");
  EXPECT_EQ(CellText(Cell(0.25)), "0.25");
  EXPECT_EQ(CellText(Cell(1e-7)), "1E-07");
  EXPECT_EQ(CellText(Cell(1941.0)), "1941");
  EXPECT_EQ(CellText(Cell(std::int16_t{7})), "7");
  EXPECT_EQ(CellText(Cell(0.1f)), "0.1");
  EXPECT_EQ(CellText(Cell(std::string("GDP"))), "GDP");
  EXPECT_EQ(CellText(Cell()), "");
}

TEST(DisplayText, TextsUnchangedNumbersFormatted) {
  EXPECT_EQ(DisplayText(Cell(std::string("12abc")), 4), "12abc");
  EXPECT_EQ(DisplayText(Cell(std::string("12")), 4), "12");
  EXPECT_EQ(DisplayText(Cell(), 4), "");
  EXPECT_EQ(DisplayText(Cell(std::int16_t{1}), 2), "1.00");
  EXPECT_EQ(DisplayText(Cell(1920.0), 1), "1920.0");
}

// The number texts are made with to_chars, which must give printf's text to the byte:
// "%.15G" and "%.7G" for cells and the table form, "%.14e" for the digits the fixed and
// report patterns round. Random values of every magnitude, and the awkward ones.
TEST(ValueRules, NumberTextsArePrintfsToTheByte) {
  std::mt19937_64 gen(17);
  std::vector<double> values = {0.0,
                                -0.0,
                                0.5,
                                1.5,
                                2.5,
                                1e15,
                                1e16,
                                123456789012345.0,
                                1234567890123456.0,
                                0.1,
                                1e-5,
                                1e-4,
                                9.9999999999999995e-5,
                                0.000123456789,
                                5e-324,
                                1.7976931348623157e308,
                                std::numeric_limits<double>::infinity(),
                                -std::numeric_limits<double>::infinity(),
                                999999999999999.5,
                                0.30000000000000004,
                                1920.0,
                                39.8};
  std::uniform_int_distribution<std::uint64_t> bits;
  for (int i = 0; i < 20000; ++i) {
    double v;
    const std::uint64_t b = bits(gen);
    std::memcpy(&v, &b, sizeof v);
    if (std::isfinite(v)) values.push_back(v);
    values.push_back(std::ldexp(static_cast<double>(bits(gen) >> 11), static_cast<int>(i % 120) - 60));
  }
  char want[64];
  for (double v : values) {
    std::snprintf(want, sizeof want, "%.15G", v);
    ASSERT_EQ(CellText(Cell(v)), want) << v;
    const float f = static_cast<float>(v);
    std::snprintf(want, sizeof want, "%.7G", static_cast<double>(f));
    ASSERT_EQ(CellText(Cell(f)), want) << v;
    if (!std::isfinite(v)) continue;
    std::snprintf(want, sizeof want, "%.14e", std::fabs(v));
    char got[64];
    const auto r = std::to_chars(got, got + sizeof got - 1, std::fabs(v), std::chars_format::scientific, 14);
    *r.ptr = '\0';
    ASSERT_STREQ(got, want) << v;
  }
}

TEST(EditorColumns, LettersContinuePastZAsASpreadsheetDoes) {
  const std::pair<int, const char*> cases[] = {{1, "A"},   {26, "Z"},  {27, "AA"},  {28, "AB"},   {52, "AZ"},
                                               {53, "BA"}, {64, "BL"}, {702, "ZZ"}, {703, "AAA"}, {16384, "XFD"}};
  for (const auto& [column, letters] : cases) EXPECT_EQ(ColumnLetters(column), letters) << column;
}

}  // namespace
}  // namespace quantorial
