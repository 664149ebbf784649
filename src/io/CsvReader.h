#pragma once
// Reading comma-separated text into a LabelledMatrix: RFC 4180 quoting (a field in
// double quotes may hold delimiters, line breaks and doubled quotes), CRLF, LF or CR line
// ends, an optional UTF-8 byte-order mark. Cells that read wholly as a number become
// doubles, blank fields stay empty, everything else is text. The result is the used
// range: the smallest rectangle that holds every non-empty cell.

#include <string>
#include <string_view>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

// The longest text a cell may hold (as in the spreadsheet programs the files come from).
inline constexpr std::size_t kMaxCellText = 32767;

// Parses `data`. False with a reason (naming the line) in `error` when the text is not
// well formed (the first such line); `out` is then unassigned. A text without any
// non-empty cell gives an unassigned matrix and true. A large text is parsed in blocks of
// lines on `threads` threads at once (0: one for each processor this process may use).
bool ParseCsv(std::string_view data, char delimiter, LabelledMatrix& out, std::string& error, unsigned threads = 0);

// The delimiter of a text file: a comma, or else a tab or a semicolon (as spreadsheet
// programs write in countries with a decimal comma) when the first non-empty line has
// one and no commas.
char GuessDelimiter(std::string_view data);

// The cell a field's text becomes: a number, a percentage ("5%") as its number (0.05),
// a blank field as empty, anything else as text.
Cell FieldCell(std::string_view text);

// A text as one CSV field: as it is, or in double quotes with its quotes doubled when it
// holds a comma, a quote or a line break.
std::string CsvField(std::string_view text);

}  // namespace quantorial
