#include "workspace/ValueRules.h"

#include <utf8proc.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A number already cut into its parts: `mantissa` holds digits with at most one point
// (at least one digit), `exponent` the digits of the exponent (possibly empty).
double ComposeNumber(bool negative, const std::string& mantissa, bool expNegative, const std::string& exponent) {
  std::string text = mantissa;
  if (!exponent.empty()) {
    text += expNegative ? "e-" : "e";
    text += exponent;
  }
  double value = 0.0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  (void)ptr;
  if (ec == std::errc::result_out_of_range) {
    // Too large or too small for a double: decide which from the decimal magnitude of
    // the first significant digit.
    long long intDigits = 0;
    long long firstSignificant = -1;  // index among the digits
    long long digitIndex = 0;
    bool seenPoint = false;
    for (char c : mantissa) {
      if (c == '.') {
        seenPoint = true;
        continue;
      }
      if (!seenPoint) ++intDigits;
      if (c != '0' && firstSignificant < 0) firstSignificant = digitIndex;
      ++digitIndex;
    }
    long long expValue = 0;
    for (char c : exponent) {
      if (expValue < 100000000) expValue = expValue * 10 + (c - '0');
    }
    if (expNegative) expValue = -expValue;
    const long long magnitude = intDigits - 1 - firstSignificant + expValue;
    value = (firstSignificant >= 0 && magnitude > 0) ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return negative ? -value : value;
}

// Reads sign, mantissa and exponent starting at `pos`. With `skipBlanks`, blanks are
// passed over between any two characters (the leading-number rule). Returns false when
// no mantissa digit was found; `pos` ends after the last character taken.
bool ScanNumber(std::string_view t, std::size_t& pos, bool skipBlanks, bool& negative, std::string& mantissa,
                bool& expNegative, std::string& exponent) {
  auto peek = [&](std::size_t& p) -> int {
    if (skipBlanks) {
      while (p < t.size() && IsBlank(t[p])) ++p;
    }
    return p < t.size() ? static_cast<unsigned char>(t[p]) : -1;
  };
  negative = false;
  expNegative = false;
  mantissa.clear();
  exponent.clear();
  int c = peek(pos);
  if (c == '+' || c == '-') {
    negative = (c == '-');
    ++pos;
  }
  bool point = false;
  int digits = 0;
  for (;;) {
    c = peek(pos);
    if (c >= '0' && c <= '9') {
      mantissa += static_cast<char>(c);
      ++digits;
      ++pos;
    } else if (c == '.' && !point) {
      point = true;
      mantissa += '.';
      ++pos;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  std::size_t p = pos;
  c = peek(p);
  if (c == 'e' || c == 'E') {
    ++p;
    bool eneg = false;
    c = peek(p);
    if (c == '+' || c == '-') {
      eneg = (c == '-');
      ++p;
    }
    std::string e;
    for (;;) {
      c = peek(p);
      if (c >= '0' && c <= '9') {
        e += static_cast<char>(c);
        ++p;
      } else {
        break;
      }
    }
    if (!e.empty()) {
      exponent = std::move(e);
      expNegative = eneg;
      pos = p;
    }
  }
  return true;
}

// The value rounded to 15 significant digits and then, half away from zero, to
// `decimals` decimals, as the digits N of N * 10^-decimals (no sign, no leading zeros;
// empty for zero).
std::string RoundedDigits(double absValue, int decimals) {
  if (absValue == 0.0 || !std::isfinite(absValue)) return std::string();
  // The 15 significant digits as printf's "%.14e" gives them (to_chars is specified to give
  // the same text, and is several times faster).
  char buf[40];
  const auto r = std::to_chars(buf, buf + sizeof buf - 1, absValue, std::chars_format::scientific, 14);
  *r.ptr = '\0';
  std::string digits;
  const char* p = buf;
  for (; *p && *p != 'e'; ++p) {
    if (IsDigit(*p)) digits += *p;
  }
  int exp10 = 0;  // the exponent after 'e': a sign and two or three digits
  const char* e = p + 1;
  const bool negativeExponent = *e == '-';
  if (*e == '-' || *e == '+') ++e;
  for (; IsDigit(*e); ++e) exp10 = exp10 * 10 + (*e - '0');
  if (negativeExponent) exp10 = -exp10;
  const long long keep = static_cast<long long>(exp10) + 1 + decimals;
  if (keep < 0) return std::string();
  std::string n;
  if (keep < static_cast<long long>(digits.size())) {
    const bool up = digits[static_cast<std::size_t>(keep)] >= '5';
    n = digits.substr(0, static_cast<std::size_t>(keep));
    if (up) {
      int i = static_cast<int>(n.size()) - 1;
      while (i >= 0 && n[static_cast<std::size_t>(i)] == '9') {
        n[static_cast<std::size_t>(i)] = '0';
        --i;
      }
      if (i < 0) {
        n.insert(n.begin(), '1');
      } else {
        ++n[static_cast<std::size_t>(i)];
      }
    }
  } else {
    n = digits + std::string(static_cast<std::size_t>(keep) - digits.size(), '0');
  }
  const std::size_t nz = n.find_first_not_of('0');
  return nz == std::string::npos ? std::string() : n.substr(nz);
}

// Splits N (digits of N * 10^-decimals) into whole and fraction digits; the fraction has
// exactly `decimals` digits, the whole part no leading zeros (empty for zero).
void SplitDigits(const std::string& n, int decimals, std::string& whole, std::string& fraction) {
  const std::size_t d = static_cast<std::size_t>(decimals);
  if (n.size() > d) {
    whole = n.substr(0, n.size() - d);
    fraction = n.substr(n.size() - d);
  } else {
    whole.clear();
    fraction = std::string(d - n.size(), '0') + n;
  }
}

// printf's "%.<precision>G": to_chars gives the "%g" text, whose letters are then upper case.
std::string FormatG(double v, int precision) {
  char buf[48];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, precision);
  std::string s(buf, r.ptr);
  for (char& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return s;
}

}  // namespace

double LeadingNumber(std::string_view text) {
  std::size_t pos = 0;
  bool negative, expNegative;
  std::string mantissa, exponent;
  if (!ScanNumber(text, pos, true, negative, mantissa, expNegative, exponent)) return 0.0;
  return ComposeNumber(negative, mantissa, expNegative, exponent);
}

std::size_t DecimalPrefix(std::string_view text, double& value) {
  if (text.empty() || !(IsDigit(text[0]) || text[0] == '.')) return 0;
  std::size_t pos = 0;
  bool negative = false, expNegative = false;
  std::string mantissa, exponent;
  if (!ScanNumber(text, pos, false, negative, mantissa, expNegative, exponent)) return 0;
  value = ComposeNumber(negative, mantissa, expNegative, exponent);
  return pos;
}

std::optional<double> WholeNumber(std::string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  const std::string_view t = text.substr(begin, end - begin);
  std::size_t pos = 0;
  bool negative, expNegative;
  std::string mantissa, exponent;
  if (!ScanNumber(t, pos, false, negative, mantissa, expNegative, exponent)) return std::nullopt;
  if (pos != t.size()) return std::nullopt;
  const double v = ComposeNumber(negative, mantissa, expNegative, exponent);
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

int LeadingWholeNumber(std::string_view text) {
  const double v = LeadingNumber(text);
  if (!std::isfinite(v)) return 0;
  const double r = RoundHalfEven(v);
  if (r < std::numeric_limits<int>::min() || r > std::numeric_limits<int>::max()) return 0;
  return static_cast<int>(r);
}

std::string TrimBlanks(std::string_view text) {
  const std::size_t b = text.find_first_not_of(' ');
  if (b == std::string_view::npos) return std::string();
  return std::string(text.substr(b, text.find_last_not_of(' ') - b + 1));
}

std::string UpperCase(std::string text) {
  std::string out;
  out.reserve(text.size());
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out += static_cast<char>(std::toupper(c));
      ++i;
      continue;
    }
    utf8proc_int32_t code = 0;
    const utf8proc_ssize_t n = utf8proc_iterate(bytes + i, static_cast<utf8proc_ssize_t>(text.size() - i), &code);
    if (n <= 0) {  // not UTF-8 (a Latin-1 byte, say): kept
      out += text[i];
      ++i;
      continue;
    }
    utf8proc_uint8_t upper[4];
    const utf8proc_ssize_t m = utf8proc_encode_char(utf8proc_toupper(code), upper);
    out.append(reinterpret_cast<const char*>(upper), static_cast<std::size_t>(m));
    i += static_cast<std::size_t>(n);
  }
  return out;
}

std::optional<double> ArithmeticValue(const Cell& c) {
  switch (c.index()) {
    case 0:
      return 0.0;
    case 4:
      return WholeNumber(std::get<std::string>(c));
    default:
      return NumberOf(c);
  }
}

std::optional<double> CellAdd(const Cell& a, const Cell& b) {
  auto x = ArithmeticValue(a), y = ArithmeticValue(b);
  if (!x || !y) return std::nullopt;
  return Finite(*x + *y);
}

std::optional<double> CellSubtract(const Cell& a, const Cell& b) {
  auto x = ArithmeticValue(a), y = ArithmeticValue(b);
  if (!x || !y) return std::nullopt;
  return Finite(*x - *y);
}

std::optional<double> CellMultiply(const Cell& a, const Cell& b) {
  auto x = ArithmeticValue(a), y = ArithmeticValue(b);
  if (!x || !y) return std::nullopt;
  return Finite(*x * *y);
}

std::optional<double> CellDivide(const Cell& a, const Cell& b) {
  auto x = ArithmeticValue(a), y = ArithmeticValue(b);
  if (!x || !y || *y == 0.0) return std::nullopt;
  return Finite(*x / *y);
}

namespace {
thread_local std::uint64_t overflowCount = 0;
}  // namespace

void detail::CountOverflow() { ++overflowCount; }

std::uint64_t OverflowCount() { return overflowCount; }

std::string OverflowNotice(std::uint64_t n) {
  if (n == 0) return std::string();
  return std::to_string(n) + (n == 1 ? " statement" : " statements") +
         " overflowed (a result beyond the range of numbers) and kept " + (n == 1 ? "its" : "their") + " old value" +
         (n == 1 ? "." : "s.");
}

std::optional<float> ToSingle(double v) {
  const float f = static_cast<float>(v);
  if (!std::isfinite(v) || !std::isfinite(f)) {
    detail::CountOverflow();
    return std::nullopt;
  }
  return f;
}

bool AssignResult(LabelledMatrix& m, int i, int j, const std::optional<double>& result) {
  if (!result) return false;
  return m.Set(i, j, *result);
}

double RoundHalfEven(double v) { return std::nearbyint(v); }

std::optional<int> WholeNumberRounded(std::string_view text) {
  const auto v = WholeNumber(text);
  if (!v) return std::nullopt;
  const double r = RoundHalfEven(*v);
  if (r < static_cast<double>(std::numeric_limits<int>::min()) ||
      r > static_cast<double>(std::numeric_limits<int>::max())) {
    return std::nullopt;
  }
  return static_cast<int>(r);
}

std::string CellText(const Cell& c) {
  switch (c.index()) {
    case 0:
      return std::string();
    case 1:
      return FormatG(std::get<double>(c), 15);
    case 2:
      return std::to_string(std::get<std::int16_t>(c));
    case 3:
      return FormatG(static_cast<double>(std::get<float>(c)), 7);
    default:
      return std::get<std::string>(c);
  }
}

std::string ShortestText(double v) {
  char buf[40];
  auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, v);
  (void)ec;
  return std::string(buf, ptr);
}

std::string FormatFixed(double v, int decimals) {
  if (decimals < 0) decimals = 0;
  std::string whole, fraction;
  SplitDigits(RoundedDigits(std::fabs(v), decimals), decimals, whole, fraction);
  std::string out;
  if (v < 0) out += '-';
  out += whole.empty() ? "0" : whole;
  out += '.';
  out += fraction;
  return out;
}

std::string FormatPattern(double v, std::string_view pattern) {
  auto isBody = [](char c) { return c == '#' || c == '0' || c == '.' || c == ','; };
  std::size_t b = 0;
  while (b < pattern.size() && !isBody(pattern[b])) ++b;
  std::size_t e = b;
  while (e < pattern.size() && isBody(pattern[e])) ++e;
  const std::string_view prefix = pattern.substr(0, b);
  const std::string_view body = pattern.substr(b, e - b);
  const std::string_view suffix = pattern.substr(e);

  const std::size_t point = body.find('.');
  const std::string_view intSpec = body.substr(0, point);
  const std::string_view fracSpec = point == std::string_view::npos ? std::string_view() : body.substr(point + 1);
  std::size_t minInt = 0, fracMin = 0;
  for (char c : intSpec) minInt += (c == '0');
  for (char c : fracSpec) fracMin += (c == '0');
  const int fracMax = static_cast<int>(fracSpec.size());

  std::string whole, fraction;
  SplitDigits(RoundedDigits(std::fabs(v), fracMax), fracMax, whole, fraction);
  while (fraction.size() > fracMin && fraction.back() == '0') fraction.pop_back();
  if (whole.size() < minInt) whole.insert(0, minInt - whole.size(), '0');

  std::string out;
  if (v < 0) out += '-';
  out += prefix;
  out += whole;
  if (point != std::string_view::npos) {
    out += '.';
    out += fraction;
  }
  out += suffix;
  return out;
}

std::string TableForm(double v) {
  std::string s = FormatG(v, 15);
  if (s == "-0") s = "0";
  if (s.rfind("0.", 0) == 0) {
    s.erase(0, 1);
  } else if (s.rfind("-0.", 0) == 0) {
    s.erase(1, 1);
  }
  if (s[0] != '-') s.insert(s.begin(), ' ');
  s += ' ';
  return s;
}

std::string DisplayText(const Cell& c, int decimals) {
  if (IsEmpty(c)) return std::string();
  if (IsText(c)) return std::get<std::string>(c);
  return FormatFixed(NumberOf(c), decimals);
}

std::string ColumnLetters(long long column) {
  std::string s;
  for (long long n = column; n > 0; n = (n - 1) / 26) s.insert(s.begin(), static_cast<char>('A' + (n - 1) % 26));
  return s;
}

}  // namespace quantorial
