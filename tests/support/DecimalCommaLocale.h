#pragma once
// Runs a test's body under a German locale, whose decimal separator is a comma, as on a
// desktop set to it: the numbers the program reads and writes must not follow it. The
// locale is made for the test in a temporary folder (glibc's localedef) and the C locale
// comes back at the end.

#include <clocale>
#include <cstdlib>
#include <string>

#include "TempDir.h"

namespace quantorial::testing {

class DecimalCommaLocale {
 public:
  DecimalCommaLocale() {
    const std::string target = dir_.File("de_DE.UTF-8");
    const std::string command = "localedef -i de_DE -f UTF-8 '" + target + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
      why_ = "localedef could not make de_DE.UTF-8 here";
      return;
    }
    ::setenv("LOCPATH", dir_.path().c_str(), 1);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
      why_ = "the de_DE.UTF-8 locale made here does not load";
      return;
    }
    active_ = std::string(std::localeconv()->decimal_point) == ",";
    if (!active_) why_ = "de_DE.UTF-8 has no decimal comma here";
  }
  ~DecimalCommaLocale() {
    std::setlocale(LC_ALL, "C");
    ::unsetenv("LOCPATH");
  }
  DecimalCommaLocale(const DecimalCommaLocale&) = delete;
  DecimalCommaLocale& operator=(const DecimalCommaLocale&) = delete;

  // Whether the locale with the decimal comma is in force; else why not.
  bool Active() const { return active_; }
  const std::string& WhyNot() const { return why_; }

 private:
  TempDir dir_;
  bool active_ = false;
  std::string why_;
};

}  // namespace quantorial::testing
