#pragma once
// The message box of the regression commands for data they cannot work on.

#include <string>

namespace quantorial {

// The message of data without rows or columns to regress.
inline constexpr const char* kInvalidDataPrompt =
    "Data sources does not provide a compatible matrix format! Please check your input file/array.";
inline constexpr const char* kInvalidDataTitle = "Error! Invalid Data";
// The message with what to do next: load data when none are loaded, else what the data lack.
std::string InvalidDataPrompt(bool loaded);

}  // namespace quantorial
