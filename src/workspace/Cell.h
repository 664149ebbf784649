#pragma once
// One cell of a LabelledMatrix: nothing, a double, a 16-bit integer, a single-precision
// number or a text. Booleans from files arrive as the texts "TRUE"/"FALSE", error cells
// as their text ("#DIV/0!").

#include <cstdint>
#include <string>
#include <variant>

namespace quantorial {

using Cell = std::variant<std::monostate, double, std::int16_t, float, std::string>;

inline bool IsEmpty(const Cell& c) { return std::holds_alternative<std::monostate>(c); }
inline bool IsText(const Cell& c) { return std::holds_alternative<std::string>(c); }
// True for an empty cell and for an empty text: nothing is written there.
inline bool IsBlank(const Cell& c) { return IsEmpty(c) || (IsText(c) && std::get<std::string>(c).empty()); }
// True for the three numeric kinds (double, 16-bit integer, single).
inline bool IsNumber(const Cell& c) { return !IsEmpty(c) && !IsText(c); }

// The numeric value of a number cell widened to double; 0 for empty and text cells.
double NumberOf(const Cell& c);

// A readable name of the cell's kind, for messages and test output.
const char* KindName(const Cell& c);

}  // namespace quantorial
