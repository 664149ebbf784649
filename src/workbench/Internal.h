#pragma once
// Small text helpers the workbench's panels share.

#include <string>

namespace quantorial {

// The text without the blanks around it.
inline std::string Trimmed(const std::string& s) {
  const std::size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return std::string();
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

}  // namespace quantorial
