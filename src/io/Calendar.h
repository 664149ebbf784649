#pragma once
// Calendar arithmetic of the data files that count time in days (gretl's daily data,
// Stata's %td and %tc): days since 1970-01-01 of a date in the proleptic Gregorian
// calendar, and back; whole-number division that rounds down for negative numbers too.

namespace quantorial {

inline long long FloorDiv(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days since 1970-01-01 of a calendar date.
inline long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = FloorDiv(y, 400);
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// The calendar date of day z since 1970-01-01.
inline void CivilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = FloorDiv(z, 146097);
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

}  // namespace quantorial
