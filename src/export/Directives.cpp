#include "export/Directives.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <vector>

#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return std::string(s.substr(b, e - b));
}

// Splits "A1" into a column and a row (either may be missing); false on anything else.
bool ParseCellPart(std::string_view s, int& col, int& row) {
  col = -1;
  row = -1;
  std::size_t i = 0;
  if (i < s.size() && s[i] == '$') ++i;
  int c = 0, letters = 0;
  while (i < s.size() && std::isalpha(static_cast<unsigned char>(s[i]))) {
    c = c * 26 + (std::toupper(static_cast<unsigned char>(s[i])) - 'A' + 1);
    ++i;
    if (++letters > 3) return false;
  }
  if (i < s.size() && s[i] == '$') ++i;
  int r = 0, digits = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
    r = r * 10 + (s[i] - '0');
    ++i;
    if (++digits > 7) return false;
  }
  if (i != s.size() || (letters == 0 && digits == 0) || (digits > 0 && r == 0)) return false;
  if (letters > 0) col = c - 1;
  if (digits > 0) row = r - 1;
  return true;
}

// A directive's number as a whole number: truncated as the conversion always did, but a
// number beyond the range (or infinite) gives `fallback` instead of an undefined value.
int WholeOf(double v, int fallback = 0) {
  if (!(v > -2147483648.0 && v < 2147483648.0)) return fallback;
  return static_cast<int>(v);
}

// A measure (a size in points or characters, an offset) within what a workbook can hold;
// nothing for anything else, and the statement that would set it is not carried out.
std::optional<double> Measure(double v, double least, double most) {
  return std::isfinite(v) && v >= least && v <= most ? std::optional<double>(v) : std::nullopt;
}

std::uint32_t FromVbColor(double v) {
  const long long whole = std::isfinite(v) && std::fabs(v) < 9.0e18 ? static_cast<long long>(v) : 0;
  const auto c = static_cast<std::uint32_t>(whole & 0xFFFFFF);
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);  // BGR to RGB
}

std::size_t Utf8Length(const std::string& s) {
  std::size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

// The first k characters of a UTF-8 text and the rest.
std::pair<std::string, std::string> SplitAt(const std::string& s, std::size_t k) {
  std::size_t i = 0, chars = 0;
  while (i < s.size() && chars < k) {
    ++i;
    while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    ++chars;
  }
  return {s.substr(0, i), s.substr(i)};
}

std::string CellDisplay(const SheetCell& c) {
  if (!c.runs.empty()) {
    std::string s;
    for (const auto& r : c.runs) s += r.text;
    return s;
  }
  return CellText(c.value);
}

// Sort order of the spreadsheet: numbers, then texts (ignoring case), then blanks.
int CompareCells(const Cell& a, const Cell& b) {
  auto rank = [](const Cell& c) { return IsEmpty(c) ? 2 : IsText(c) ? 1 : 0; };
  const int ra = rank(a), rb = rank(b);
  if (ra != rb) return ra < rb ? -1 : 1;
  if (ra == 0) {
    const double x = NumberOf(a), y = NumberOf(b);
    return x < y ? -1 : x > y ? 1 : 0;
  }
  if (ra == 1) {
    const std::string x = Lower(std::get<std::string>(a)), y = Lower(std::get<std::string>(b));
    return x < y ? -1 : x > y ? 1 : 0;
  }
  return 0;
}

}  // namespace

BorderSettings& ProcessBorderSettings() {
  static BorderSettings settings;
  return settings;
}

std::optional<CellRange> ParseRangeAddress(std::string_view address, const Sheet& sheet) {
  const std::string a = Trim(address);
  if (a.empty()) return std::nullopt;
  const std::size_t colon = a.find(':');
  int c1, r1, c2, r2;
  if (!ParseCellPart(std::string_view(a).substr(0, colon), c1, r1)) return std::nullopt;
  if (colon == std::string::npos) {
    c2 = c1;
    r2 = r1;
  } else if (!ParseCellPart(std::string_view(a).substr(colon + 1), c2, r2)) {
    return std::nullopt;
  }
  const bool wholeColumns = r1 < 0 && r2 < 0 && c1 >= 0 && c2 >= 0;
  const bool wholeRows = c1 < 0 && c2 < 0 && r1 >= 0 && r2 >= 0;
  if (wholeColumns) {
    r1 = 0;
    r2 = std::max(sheet.LastRow(), 0);
  } else if (wholeRows) {
    c1 = 0;
    c2 = std::max(sheet.LastColumn(), 0);
  } else if (c1 < 0 || r1 < 0 || c2 < 0 || r2 < 0) {
    // "A3:R" & last row left empty, or the like: the missing part reaches the sheet's end.
    if (c1 < 0 || r1 < 0) return std::nullopt;
    if (c2 < 0) c2 = std::max(sheet.LastColumn(), c1);
    if (r2 < 0) r2 = std::max(sheet.LastRow(), r1);
  }
  return CellRange{std::min(r1, r2), std::min(c1, c2), std::max(r1, r2), std::max(c1, c2)};
}

CellRange DirectiveRunner::Clipped(const CellRange& s) const {
  const long long area = (static_cast<long long>(s.row2) - s.row1 + 1) * (static_cast<long long>(s.col2) - s.col1 + 1);
  if (area <= kMaxSelectionCells) return s;
  // A huge selection (whole sheets, say) works on the part that holds cells: every cell
  // outside it is empty, and making each one would take gigabytes.
  CellRange c = s;
  c.row2 = std::min(s.row2, sheet_.LastRow());
  c.col2 = std::min(s.col2, sheet_.LastColumn());
  return c;
}

template <typename F>
void DirectiveRunner::ForSelection(F f) {
  const CellRange s = Clipped(selection);
  for (int r = s.row1; r <= s.row2; ++r) {
    for (int c = s.col1; c <= s.col2; ++c) f(sheet_.At(r, c), r, c);
  }
}

bool DirectiveRunner::Select(std::string_view address) {
  if (const auto range = ParseRangeAddress(address, sheet_)) {
    selection = *range;
    return true;
  }
  selection = CellRange{};
  return false;
}

void DirectiveRunner::Border(const std::string& kind, const std::string& color) {
  const BorderSettings& b = ProcessBorderSettings();
  std::optional<std::uint32_t> rgb;
  if (!Trim(color).empty()) rgb = FromVbColor(LeadingNumber(color));
  const BorderLine line{b.lineType, b.lineWeight, rgb};
  const BorderLine none{0, b.lineWeight, std::nullopt};
  const CellRange s = selection;
  ForSelection([&](SheetCell& cell, int r, int c) {
    auto& e = cell.format.borders;  // left, top, bottom, right
    const bool left = c == s.col1, right = c == s.col2, top = r == s.row1, bottom = r == s.row2;
    if (kind == "all") {
      e = {line, line, line, line};
    } else if (kind == "edges") {
      e = {left ? line : none, top ? line : none, bottom ? line : none, right ? line : none};
    } else if (kind == "bottom") {
      for (auto& side : e) side.weight = b.lineWeight;
      if (bottom) e[2] = line;
    } else if (kind == "none") {
      e = {none, none, none, none};
    }
  });
}

bool DirectiveRunner::Raise(double p1Number, const std::string& p1, double p2) {
  SheetCell& cell = sheet_.At(selection.row1, selection.col1);
  const std::string text = CellDisplay(cell);
  const std::size_t n = Utf8Length(text);
  cell.format.numberFormat = "@";
  cell.value = text;
  const std::string head = Lower(Trim(p1));
  std::size_t rawStart, rawLength;  // the raised characters, 0-based
  if (!head.empty() && (head[0] == 'l' || head[0] == 'r')) {
    const double k = std::max(0.0, LeadingNumber(head.substr(1)));
    rawLength = k >= static_cast<double>(n) ? n : static_cast<std::size_t>(k);
    rawStart = head[0] == 'l' ? 0 : n - rawLength;
  } else if (p1Number == 0 && p2 == 0) {
    rawStart = n == 0 ? 0 : n - 1;
    rawLength = n == 0 ? 0 : 1;
  } else {
    // Positions past the text (infinite ones too) stop at its end.
    const double start = std::max(0.0, p1Number - 1), length = std::max(0.0, p2);
    rawStart = start >= static_cast<double>(n) ? n : static_cast<std::size_t>(start);
    rawLength = length >= static_cast<double>(n - rawStart) ? n - rawStart : static_cast<std::size_t>(length);
  }
  const auto [before, rest] = SplitAt(text, rawStart);
  const auto [raised, after] = SplitAt(rest, rawLength);
  cell.runs.clear();
  if (!before.empty()) cell.runs.push_back({before, false});
  if (!raised.empty()) cell.runs.push_back({raised, true});
  if (!after.empty()) cell.runs.push_back({after, false});
  cell.format.superscript = cell.format.subscript = cell.format.strikethrough = false;
  cell.format.outline = cell.format.shadow = false;
  cell.format.underline = 0;
  cell.format.fontColor.reset();
  return true;
}

bool DirectiveRunner::Sort(const std::string& range, const std::vector<std::string>& keys) {
  if (!Select(range)) Select("a1");
  std::vector<int> keyColumns;
  for (const auto& k : keys) {
    if (Trim(k).empty()) continue;
    const auto r = ParseRangeAddress(k, sheet_);
    if (!r) return false;
    keyColumns.push_back(r->col1);
  }
  if (keyColumns.empty()) return false;
  const CellRange s = Clipped(selection);
  std::vector<std::vector<SheetCell>> rows;
  for (int r = s.row1; r <= s.row2; ++r) {
    std::vector<SheetCell> row;
    for (int c = s.col1; c <= s.col2; ++c) {
      const SheetCell* cell = sheet_.Find(r, c);
      row.push_back(cell ? *cell : SheetCell{});
    }
    rows.push_back(std::move(row));
  }
  std::stable_sort(rows.begin(), rows.end(), [&](const auto& a, const auto& b) {
    for (int k : keyColumns) {
      const std::size_t i = static_cast<std::size_t>(k - s.col1);
      if (i >= a.size()) continue;
      const int cmp = CompareCells(a[i].value, b[i].value);
      if (cmp != 0) return cmp < 0;
    }
    return false;
  });
  for (int r = s.row1; r <= s.row2; ++r) {
    for (int c = s.col1; c <= s.col2; ++c) {
      const SheetCell& cell = rows[static_cast<std::size_t>(r - s.row1)][static_cast<std::size_t>(c - s.col1)];
      if (IsEmpty(cell.value) && cell.runs.empty() && cell.formula.empty() && cell.format == CellFormat()) {
        sheet_.cells.erase({r, c});
      } else {
        sheet_.At(r, c) = cell;
      }
    }
  }
  return true;
}

bool DirectiveRunner::Subtotal(int groupBy, int function, const std::vector<int>& totals) {
  const CellRange s = Clipped(selection);
  if (groupBy < 1 || groupBy - 1 > s.col2 - s.col1 || s.row2 <= s.row1) return false;
  const int code = function == -4106 ? 1 : 9;  // average or sum
  const int groupColumn = s.col1 + groupBy - 1;
  auto colName = [](int c) { return ColumnLetters(c + 1); };
  // Rows below the list move down as total rows are inserted: collect everything first.
  std::vector<std::pair<std::pair<int, int>, SheetCell>> below;
  for (auto it = sheet_.cells.begin(); it != sheet_.cells.end();) {
    if (it->first.first > s.row2) {
      below.push_back(*it);
      it = sheet_.cells.erase(it);
    } else {
      ++it;
    }
  }
  std::vector<std::vector<SheetCell>> data;  // the detail rows
  for (int r = s.row1 + 1; r <= s.row2; ++r) {
    std::vector<SheetCell> row;
    for (int c = s.col1; c <= s.col2; ++c) {
      const SheetCell* cell = sheet_.Find(r, c);
      row.push_back(cell ? *cell : SheetCell{});
      sheet_.cells.erase({r, c});
    }
    data.push_back(std::move(row));
  }
  int out = s.row1 + 1;
  std::size_t i = 0;
  std::vector<std::pair<int, int>> groups;  // first and last output row of each group
  auto writeTotal = [&](int first, int last, const std::string& label, int level) {
    sheet_.At(out, groupColumn).value = label;
    sheet_.At(out, groupColumn).format.bold = true;
    for (int t : totals) {
      if (t < 1 || t - 1 > s.col2 - s.col1) continue;
      const int col = s.col1 + t - 1;
      double sum = 0;
      int count = 0;
      for (int r = first; r <= last; ++r) {
        const SheetCell* c = sheet_.Find(r, col);
        if (c && IsNumber(c->value) && c->formula.empty()) {
          sum += NumberOf(c->value);
          ++count;
        }
      }
      SheetCell& cell = sheet_.At(out, col);
      cell.formula = "=SUBTOTAL(" + std::to_string(code) + "," + colName(col) + std::to_string(first + 1) + ":" +
                     colName(col) + std::to_string(last + 1) + ")";
      cell.value = code == 1 ? (count ? sum / count : 0.0) : sum;
      cell.format.bold = true;
    }
    sheet_.rowLevels[out] = level;
    ++out;
  };
  while (i < data.size()) {
    const Cell key = data[i][static_cast<std::size_t>(groupBy - 1)].value;
    const int first = out;
    while (i < data.size() && CompareCells(data[i][static_cast<std::size_t>(groupBy - 1)].value, key) == 0) {
      for (int c = s.col1; c <= s.col2; ++c) {
        const SheetCell& cell = data[i][static_cast<std::size_t>(c - s.col1)];
        if (!(IsEmpty(cell.value) && cell.runs.empty() && cell.format == CellFormat())) sheet_.At(out, c) = cell;
      }
      sheet_.rowLevels[out] = 2;
      ++out;
      ++i;
    }
    groups.push_back({first, out - 1});
    writeTotal(first, out - 1, CellText(key) + " Total", 1);
  }
  // The grand total sums the detail rows only (SUBTOTAL leaves the group totals out).
  const int firstRow = s.row1 + 1, lastRow = out - 1;
  const int grandRow = out;
  writeTotal(firstRow, lastRow, "Grand Total", 0);
  for (int t : totals) {
    if (t < 1 || t - 1 > s.col2 - s.col1) continue;
    const int col = s.col1 + t - 1;
    double sum = 0;
    int count = 0;
    for (const auto& [first, last] : groups) {
      for (int r = first; r <= last; ++r) {
        const SheetCell* c = sheet_.Find(r, col);
        if (c && IsNumber(c->value)) {
          sum += NumberOf(c->value);
          ++count;
        }
      }
    }
    sheet_.At(grandRow, col).value = code == 1 ? (count ? sum / count : 0.0) : sum;
  }
  const int shift = out - (s.row2 + 1);
  for (auto& [pos, cell] : below) sheet_.cells[{pos.first + shift, pos.second}] = cell;
  selection.row2 = out - 1;
  return true;
}

bool DirectiveRunner::Run(std::string_view rawLine) {
  const std::string line = Trim(rawLine);
  if (line.empty() || line[0] == '\'') return true;
  const std::size_t blank = line.find(' ');
  const std::string keyword = Lower(line.substr(0, blank));
  std::vector<std::string> p(11);  // p[1] .. p[10], at least ten
  if (blank != std::string::npos) {
    const std::string rest = line.substr(blank + 1);
    std::size_t start = 0, k = 1;
    while (true) {
      const std::size_t comma = rest.find(',', start);
      const std::string piece = rest.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
      if (k >= p.size()) p.resize(k + 1);
      p[k++] = piece;
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  }
  auto num = [&](int i) { return LeadingNumber(p[static_cast<std::size_t>(i)]); };
  auto text = [&](int i) { return Trim(p[static_cast<std::size_t>(i)]); };
  auto flag = [&](int i) { return num(i) != 0; };

  if (keyword == "select") {
    if (!Select(p[1])) Select("a1");
  } else if (keyword == "align") {
    const bool merge = flag(6);
    ForSelection([&](SheetCell& c, int, int) {
      c.format.horizontal = WholeOf(num(1));
      c.format.vertical = WholeOf(num(2));
      c.format.wrap = flag(3);
      c.format.rotation = WholeOf(num(4));
      c.format.shrink = flag(5);
    });
    if (merge) sheet_.merges.push_back(selection);
  } else if (keyword == "font") {
    ForSelection([&](SheetCell& c, int, int) {
      c.format.fontName = text(1);
      if (const auto size = Measure(num(2), 0, 409)) c.format.fontSize = *size;
      c.format.strikethrough = flag(3);
      c.format.superscript = flag(4);
      c.format.subscript = flag(5);
      c.format.outline = flag(6);
      c.format.shadow = flag(7);
      c.format.underline = WholeOf(num(8));
      c.format.fontColor = PaletteColor(WholeOf(num(9)));
    });
  } else if (keyword == "fontsize") {
    ForSelection([&](SheetCell& c, int, int) {
      c.format.fontName = text(1);
      if (const auto size = Measure(num(2), 0, 409)) c.format.fontSize = *size;
      c.format.strikethrough = c.format.superscript = c.format.subscript = false;
      c.format.outline = c.format.shadow = false;
      c.format.underline = 0;
      c.format.fontColor.reset();
    });
  } else if (keyword == "raise") {
    return Raise(num(1), p[1], num(2));
  } else if (keyword == "color") {
    ForSelection([&](SheetCell& c, int, int) { c.format.fontColor = PaletteColor(WholeOf(num(1))); });
  } else if (keyword == "bgcolor") {
    const std::uint32_t rgb = FromVbColor(num(1));
    ForSelection([&](SheetCell& c, int, int) { c.format.fill = rgb; });
  } else if (keyword == "bold") {
    ForSelection([&](SheetCell& c, int, int) { c.format.bold = flag(1); });
  } else if (keyword == "italic") {
    ForSelection([&](SheetCell& c, int, int) { c.format.italic = flag(1); });
  } else if (keyword == "format") {
    const std::string f = p[1].empty() ? "@" : p[1];
    ForSelection([&](SheetCell& c, int, int) { c.format.numberFormat = f; });
  } else if (keyword == "tformat" || keyword == "textformat") {
    ForSelection([&](SheetCell& c, int, int) {
      c.format.numberFormat = "@";
      if (num(1) == 1) c.format.horizontal = -4108;
    });
  } else if (keyword == "nformat" || keyword == "numberformat") {
    std::string f;
    if (text(1).empty()) {
      f = "#,##0.00_);(#,##0.00)";
    } else if (const int d = WholeOf(num(1)); d > 0) {
      const std::string zeros(static_cast<std::size_t>(std::min(d, 30)), '0');
      f = "#,##0." + zeros + "_);(#,##0." + zeros + ")";
    } else {
      f = "#,##0_);(#,##0)";
    }
    ForSelection([&](SheetCell& c, int, int) { c.format.numberFormat = f; });
  } else if (keyword == "autofit") {
    if (text(1).empty()) return true;
    const auto r = ParseRangeAddress(p[1], sheet_);
    if (!r) return false;
    // The widest text of each column among the cells the sheet holds in the range (a range
    // of a whole sheet is mostly empty: its cells, not its positions, are visited).
    std::map<int, std::size_t> widest;
    for (int c = r->col1; c <= r->col2; ++c) widest[c] = 0;
    for (const auto& [pos, cell] : sheet_.cells) {
      if (pos.first < r->row1 || pos.first > r->row2 || pos.second < r->col1 || pos.second > r->col2) continue;
      std::size_t& w = widest[pos.second];
      w = std::max(w, Utf8Length(CellDisplay(cell)));
    }
    for (const auto& [c, w] : widest)
      sheet_.columnWidths[c] = std::min(255.0, std::max(2.0, static_cast<double>(w) + 2.0));
  } else if (keyword == "rowheight" || keyword == "colwidth" || keyword == "columnwidth") {
    const auto r = ParseRangeAddress(p[1], sheet_);
    if (!r) return false;
    if (keyword == "rowheight") {
      const auto height = Measure(num(2), 0, 409);
      if (!height) return false;
      for (int row = r->row1; row <= r->row2; ++row) sheet_.rowHeights[row] = *height;
    } else {
      const auto width = Measure(num(2), 0, 255);
      if (!width) return false;
      for (int c = r->col1; c <= r->col2; ++c) sheet_.columnWidths[c] = *width;
    }
  } else if (keyword == "hidecolumn" || keyword == "hiderow") {
    const std::string v = Lower(text(1));
    const bool hide = v == "true" || (v != "false" && num(1) != 0);
    if (keyword == "hidecolumn") {
      for (int c = selection.col1; c <= selection.col2; ++c) sheet_.hiddenColumns[c] = hide;
    } else {
      for (int r = selection.row1; r <= selection.row2; ++r) sheet_.hiddenRows[r] = hide;
    }
  } else if (keyword == "linetype") {
    ProcessBorderSettings().lineType = WholeOf(num(1));
  } else if (keyword == "linethickness") {
    ProcessBorderSettings().lineWeight = WholeOf(num(1));
  } else if (keyword == "border") {
    if (!text(4).empty() && !Select(p[4])) return false;
    Border(Lower(text(1)), text(2));
  } else if (keyword == "sort") {
    return Sort(p[1], {p[2], p[3], p[4]});
  } else if (keyword == "subtotal") {
    std::vector<int> totals;
    for (int i : {2, 3}) {
      if (!text(i).empty()) totals.push_back(WholeOf(num(i)));
    }
    return Subtotal(WholeOf(num(1)), -4157, totals);
  } else if (keyword == "graphic") {
    Select("A1");
    if (text(1).empty()) return false;
    const auto x = Measure(num(2), -1e6, 1e6), y = Measure(num(3), -1e6, 1e6);
    if (!x || !y) return false;
    sheet_.pictures.push_back({text(1), *x, *y});
  } else if (keyword == "zoom") {
    Select("A1");
    sheet_.zoom = WholeOf(num(1), 100);
  } else if (keyword == "showgridlines") {
    sheet_.gridlines = num(1) != 0;
  }
  return true;
}

void DirectiveRunner::Layout(std::string_view name, int lastRow) {
  const std::string last = std::to_string(lastRow + 1);
  if (name == "FIT") {
    const int lastCol = std::max(sheet_.LastColumn(), 0);
    const std::string lastColName = ColumnLetters(lastCol + 1);
    Run("autofit A3:" + lastColName + last);
    for (const char* range : {"A3:M5", "I3:J3", "K3:L3"}) {
      Select(range);
      ForSelection([](SheetCell& c, int, int) {
        c.format.horizontal = -4108;
        c.format.vertical = -4107;
        c.format.wrap = false;
        c.format.rotation = 0;
        c.format.shrink = false;
      });
      if (std::string_view(range) != "A3:M5") sheet_.merges.push_back(selection);
    }
    Select("A3:M5");
    const CellRange s = selection;
    ForSelection([&](SheetCell& c, int r, int) {
      c.format.borders = {BorderLine{}, BorderLine{}, r == s.row2 ? BorderLine{-4119, 4, std::nullopt} : BorderLine{},
                          BorderLine{}};
    });
    Run("zoom 75");
  } else if (name == "ITS") {
    Sort("A3:R" + last, {"K7", "M7"});
    // Subtotals grouped by column 11 and then by column 13, each replacing the one before:
    // the sheet keeps those of column 13.
    Subtotal(13, -4157, {6, 7});
    Select("F:F");
    ForSelection([](SheetCell& c, int, int) { c.format.numberFormat = "#,##0.00_);(#,##0.00)"; });
    Run("zoom 75");
  } else if (name == "ITS2") {
    Sort("A3:R" + last, {"M7"});
    Subtotal(13, -4106, {18});
    Select("A1");
  }
}

}  // namespace quantorial
