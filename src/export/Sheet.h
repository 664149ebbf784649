#pragma once
// A small worksheet model that the export writes and its formatting directives edit:
// values, per-cell formats (font, number format, alignment, borders, fill), rich text
// runs, merged ranges, column widths and row heights, hidden rows and columns, outline
// levels, pictures, zoom and gridlines.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "workspace/Cell.h"

namespace quantorial {

// Border line of one edge: an Excel line style and weight (0: none).
struct BorderLine {
  int style = 0;                       // xlContinuous 1, xlDash -4115, xlDot -4118, xlDouble -4119, ...; 0 none
  int weight = 2;                      // xlHairline 1, xlThin 2, xlMedium -4138, xlThick 4
  std::optional<std::uint32_t> color;  // RGB; automatic when absent
  bool operator==(const BorderLine&) const = default;
};

struct CellFormat {
  std::string fontName;  // empty: the workbook's default
  double fontSize = 0;   // 0: default
  bool bold = false, italic = false, strikethrough = false, superscript = false, subscript = false;
  bool outline = false, shadow = false;
  int underline = 0;                       // 0 none, 1 single, 2 double
  std::optional<std::uint32_t> fontColor;  // RGB
  std::string numberFormat;                // empty: General
  int horizontal = 0;                      // 0 general, else an Excel alignment constant
  int vertical = 0;
  bool wrap = false, shrink = false;
  int rotation = 0;
  std::array<BorderLine, 4> borders{};  // left, top, bottom, right
  std::optional<std::uint32_t> fill;    // solid fill RGB
  bool operator==(const CellFormat&) const = default;
};

// A piece of rich text with its own superscript flag.
struct TextRun {
  std::string text;
  bool superscript = false;
};

struct SheetCell {
  Cell value;
  std::string formula;  // with its cached value in `value`
  CellFormat format;
  std::vector<TextRun> runs;  // rich text in place of a plain text value
};

struct CellRange {
  int row1 = 0, col1 = 0, row2 = 0, col2 = 0;  // 0-based, inclusive
};

struct SheetPicture {
  std::string path;
  double offsetX = 0, offsetY = 0;  // points
};

class Sheet {
 public:
  std::string name;
  struct PositionHash {
    std::size_t operator()(const std::pair<int, int>& p) const {
      return std::hash<long long>()((static_cast<long long>(p.first) << 20) ^ p.second);
    }
  };
  std::unordered_map<std::pair<int, int>, SheetCell, PositionHash> cells;  // (row, col), 0-based
  std::map<int, double> columnWidths;                                      // characters
  std::map<int, bool> hiddenColumns;
  std::map<int, double> rowHeights;  // points
  std::map<int, bool> hiddenRows;
  std::map<int, int> rowLevels;  // outline levels
  std::vector<CellRange> merges;
  std::vector<SheetPicture> pictures;
  int zoom = 100;
  bool gridlines = true;

  SheetCell& At(int row, int col) { return cells[{row, col}]; }
  const SheetCell* Find(int row, int col) const;
  // The last row and column holding a cell (-1 when empty).
  int LastRow() const;
  int LastColumn() const;
};

// A workbook: its sheets in order.
struct Workbook {
  std::vector<Sheet> sheets;
};

// Writes the workbook as .xlsx at `path` (beside it first, then renamed over it).
bool WriteWorkbook(const Workbook& book, const std::string& path, std::string& error);

// The RGB value of an entry (1..56) of the standard colour palette.
std::optional<std::uint32_t> PaletteColor(int index);

}  // namespace quantorial
