#pragma once
// The value rules of the workbench, in one place: how a text reads as a number, how a
// cell takes part in arithmetic, how numbers are rounded and how they are written as
// text. Every module reads and formats numbers through these functions.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "workspace/Cell.h"

namespace quantorial {

class LabelledMatrix;

// ---- Reading numbers from text ----

// The leading-number rule: blanks (spaces, tabs, line breaks) are skipped wherever they
// stand, then an optional sign, digits with at most one decimal point and an optional
// exponent are read up to the first other character. "12abc" gives 12, "abc" 0,
// " -1.5e2x" -150. A magnitude beyond the double range gives an infinity.
double LeadingNumber(std::string_view text);

// The whole-text rule: the text, apart from blanks around it, must be exactly one number
// (optional sign, digits with at most one point, optional exponent with digits). "12"
// gives 12; "12abc", "", "abc" and a number beyond the double range give nothing.
std::optional<double> WholeNumber(std::string_view text);

// A plain decimal number at the very start of `text` (digits with at most one point and an
// optional exponent; no sign, blank or hexadecimal form), read the same in every locale: the
// number of characters taken, 0 when there is no number there; `value` then holds it (an
// infinity when beyond the double range).
std::size_t DecimalPrefix(std::string_view text, double& value);

// The leading-number reading of a text rounded to a whole number (halves to even); 0 for a
// text that does not start with a number or a value beyond the 32-bit range.
int LeadingWholeNumber(std::string_view text);

// ---- Texts ----

// The text without the blanks (spaces) before and after it.
std::string TrimBlanks(std::string_view text);
// The text in capitals, every Unicode letter of UTF-8 text ("ölsaat" gives "ÖLSAAT"); bytes
// that are not UTF-8 stay as they are, ASCII letters among them in capitals. Names compared
// without case are compared in this form.
std::string UpperCase(std::string text);

// ---- Cells in arithmetic (continue-on-error) ----

// The value a cell contributes to arithmetic: a number as itself (widened to double), an
// empty cell as 0, a text only when it reads wholly as a number. Nothing means the
// arithmetic statement fails and is skipped.
std::optional<double> ArithmeticValue(const Cell& c);

namespace detail {
void CountOverflow();
}  // namespace detail

// A finite result, or nothing for an overflow or a division by zero. Every such failure
// is counted (see OverflowCount).
inline std::optional<double> Finite(double v) {
  if (v - v == 0.0) return v;
  detail::CountOverflow();
  return std::nullopt;
}

// The number of arithmetic statements on this thread that failed on an overflow (a result
// beyond the range of a double, or of a single where one is required) and so kept what
// their target held. A command takes the difference over its run to tell the person
// that its result is not complete (see OverflowWatch).
std::uint64_t OverflowCount();

// Counts the overflowed statements from its construction on.
class OverflowWatch {
 public:
  OverflowWatch() : start_(OverflowCount()) {}
  std::uint64_t Count() const { return OverflowCount() - start_; }

 private:
  std::uint64_t start_;
};

// "N statement(s) overflowed and kept their old values." for N above 0, else empty.
std::string OverflowNotice(std::uint64_t n);

std::optional<double> CellAdd(const Cell& a, const Cell& b);
std::optional<double> CellSubtract(const Cell& a, const Cell& b);
std::optional<double> CellMultiply(const Cell& a, const Cell& b);
std::optional<double> CellDivide(const Cell& a, const Cell& b);

// Rounds a value to single precision the way a conversion to a single does: nothing
// (counted as an overflow) when the value does not fit a single.
std::optional<float> ToSingle(double v);

// The assignment helper of continue-on-error computing: writes the result into (i, j)
// when there is a result and the cell exists; otherwise the cell keeps what it held.
bool AssignResult(LabelledMatrix& m, int i, int j, const std::optional<double>& result);

// ---- Rounding ----

// Rounds to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double v);

// Converts a text to a whole number: the whole-text rule, then halves to even. Nothing
// for a text that is not a number or a value outside the 32-bit range.
std::optional<int> WholeNumberRounded(std::string_view text);

// ---- Writing numbers as text ----

// The text form of a cell: a text as itself, empty as "", a double with up to 15
// significant digits ("0.25", "1E-07", "1.5E+20"), a single with up to 7, an integer in
// plain digits.
std::string CellText(const Cell& c);

// The letters of a sheet column counted from 1: "A" .. "Z", "AA", "AB", .. "ZZ", "AAA".
std::string ColumnLetters(long long column);

// The shortest decimal text that reads back to the same double ("0.1", "1e-07").
std::string ShortestText(double v);

// The fixed-decimal display pattern "###0." followed by `decimals` zeros: at least one
// digit before the point, exactly `decimals` digits after it, rounded half away from
// zero on the value's 15 significant digits. 1.5 with 4 decimals is "1.5000".
std::string FormatFixed(double v, int decimals);

// A numeric display pattern of # and 0 signs with an optional point, between literal
// texts: "############.#####" (1.5 -> "1.5", 0.25 -> ".25", 2 -> "2.", 0 -> "."),
// "###.###", "####df" (8 -> "8df"), "T(###df) = " (8 -> "T(8df) = "), "##0".
// A # is an optional digit, a 0 a digit that is always written; the point is always
// written when the pattern has one.
std::string FormatPattern(double v, std::string_view pattern);

// The table form of a double: the 15-significant-digit text without a leading zero
// before the point, preceded by a blank when not negative and always followed by a
// blank: 1.5 -> " 1.5 ", -0.25 -> "-.25 ", 0 -> " 0 ", 1.5e-7 -> " 1.5E-07 ".
std::string TableForm(double v);

// The text a grid shows for a cell with the given number of decimals: a number through
// FormatFixed, a text unchanged, empty as "".
std::string DisplayText(const Cell& c, int decimals);

}  // namespace quantorial
