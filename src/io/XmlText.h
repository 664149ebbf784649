#pragma once
// Writing text into XML: what the workbook and data file writers put between tags and in
// attribute values.

#include <string>
#include <string_view>

namespace quantorial {

// Appends text as XML character data: the markup characters escaped, control characters that
// XML cannot hold dropped, and bytes that are not UTF-8 replaced by U+FFFD. As an attribute's
// value (`attribute`), tabs and line breaks are written as character references.
void AppendXmlText(std::string& out, std::string_view s, bool attribute = false);

}  // namespace quantorial
