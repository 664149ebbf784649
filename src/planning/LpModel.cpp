#include "planning/LpModel.h"

#include <cmath>

#include "workspace/Random.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

const char* const kCrLf = "\r\n";

bool Named(const LabelledMatrix& t, int j) {
  const Cell& c = t.Get(0, j);
  return !IsEmpty(c) && !(IsText(c) && std::get<std::string>(c).empty());
}

std::string NameOf(const LabelledMatrix& t, int j, bool useX) {
  return useX ? "X" + std::to_string(j) : CellText(t.Get(0, j));
}

}  // namespace

bool TableHasConstraints(const LabelledMatrix& t) {
  const int C = t.Cols();
  for (int i = 1; i <= t.Rows(); ++i) {
    const std::string text = CellText(t.Get(i, C - 1));
    if (text.find_first_of("><=") != std::string::npos) return true;
  }
  return false;
}

std::string LindoModelText(const LabelledMatrix& t, bool useX, bool withConstraints, int decimals) {
  const int R = t.Rows(), C = t.Cols();
  const int d = withConstraints ? 2 : 0;
  const int V = C - d;
  const std::string pattern = "###0." + std::string(static_cast<std::size_t>(std::max(decimals, 0)), '0');
  std::string objective = "Maximize ";
  bool first = true;
  for (int j = 1; j <= V; ++j) {
    if (!Named(t, j)) continue;
    objective += (first ? "" : " + ") + NameOf(t, j, useX);
    first = false;
  }
  std::string constraints = std::string("Subject to") + kCrLf;
  for (int i = 1; i <= R; ++i) {
    std::string e;
    for (int j = 1; j <= V; ++j) {
      if (!Named(t, j)) continue;
      // A cell that is not a number takes no part (its statement fails).
      const auto a = ArithmeticValue(t.Get(i, j));
      if (!a || *a == 0.0) continue;
      std::string sign = *a >= 0 ? " + " : " - ";
      if (e.empty() && *a >= 0) sign.clear();
      e += sign + (*a == 1.0 ? std::string() : FormatPattern(std::fabs(*a), pattern)) + NameOf(t, j, useX);
    }
    if (e.empty()) continue;
    if (d == 2) {
      constraints += e + " " + CellText(t.Get(i, V + 1)) + " " + CellText(t.Get(i, V + 2)) + kCrLf;
    } else {
      constraints += e + " <= 0" + kCrLf;
    }
  }
  for (int j = 1; j <= V; ++j) {
    if (Named(t, j)) constraints += NameOf(t, j, useX) + " >= 0" + kCrLf;
  }
  std::string list;
  if (useX) {
    list = std::string(kCrLf) + kCrLf + "!List of Variables;" + kCrLf;
    for (int j = 1; j <= V; ++j) {
      if (Named(t, j)) list += "!X" + std::to_string(j) + "  =  " + CellText(t.Get(0, j)) + ";" + kCrLf;
    }
  }
  return objective + kCrLf + kCrLf + constraints + list;
}

std::string RandomDigits(int count) {
  static const std::string digits = std::string("94687140829384756657483920157392846") + "674839";
  RandomizeFromClock();
  std::string s;
  for (int k = 0; k < count; ++k) {
    const auto position = static_cast<std::size_t>(RoundHalfEven(Rnd() * 35 + 1));
    s += digits[position - 1];
  }
  return s;
}

}  // namespace quantorial
