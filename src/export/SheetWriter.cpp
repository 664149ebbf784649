#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "export/Sheet.h"

namespace quantorial {

const SheetCell* Sheet::Find(int row, int col) const {
  const auto it = cells.find({row, col});
  return it == cells.end() ? nullptr : &it->second;
}

int Sheet::LastRow() const {
  int last = -1;
  for (const auto& [pos, cell] : cells) last = std::max(last, pos.first);
  return last;
}

int Sheet::LastColumn() const {
  int last = -1;
  for (const auto& [pos, cell] : cells) last = std::max(last, pos.second);
  return last;
}

std::optional<std::uint32_t> PaletteColor(int index) {
  // The 56 colours of the standard palette, by colour index.
  static const std::uint32_t palette[56] = {
      0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x800000, 0x008000,
      0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080, 0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF,
      0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF, 0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000,
      0x008080, 0x0000FF, 0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
      0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696, 0x003366, 0x339966,
      0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333};
  if (index < 1 || index > 56) return std::nullopt;
  return palette[index - 1];
}

namespace {

std::uint8_t BorderStyle(const BorderLine& b) {
  const bool medium = b.weight == -4138, thick = b.weight == 4, hair = b.weight == 1;
  switch (b.style) {
    case 0:
    case -4142:
      return LXW_BORDER_NONE;
    case 1:
      return hair ? LXW_BORDER_HAIR : thick ? LXW_BORDER_THICK : medium ? LXW_BORDER_MEDIUM : LXW_BORDER_THIN;
    case -4115:
      return medium || thick ? LXW_BORDER_MEDIUM_DASHED : LXW_BORDER_DASHED;
    case -4118:
      return LXW_BORDER_DOTTED;
    case -4119:
      return LXW_BORDER_DOUBLE;
    case 4:
      return medium || thick ? LXW_BORDER_MEDIUM_DASH_DOT : LXW_BORDER_DASH_DOT;
    case 5:
      return medium || thick ? LXW_BORDER_MEDIUM_DASH_DOT_DOT : LXW_BORDER_DASH_DOT_DOT;
    case 13:
      return LXW_BORDER_SLANT_DASH_DOT;
    default:
      return LXW_BORDER_THIN;
  }
}

std::uint8_t Horizontal(int excel) {
  switch (excel) {
    case -4131:
      return LXW_ALIGN_LEFT;
    case -4108:
      return LXW_ALIGN_CENTER;
    case -4152:
      return LXW_ALIGN_RIGHT;
    case 5:
      return LXW_ALIGN_FILL;
    case -4130:
      return LXW_ALIGN_JUSTIFY;
    case 7:
      return LXW_ALIGN_CENTER_ACROSS;
    case -4117:
      return LXW_ALIGN_DISTRIBUTED;
    default:
      return LXW_ALIGN_NONE;
  }
}

std::uint8_t Vertical(int excel) {
  switch (excel) {
    case -4160:
      return LXW_ALIGN_VERTICAL_TOP;
    case -4108:
      return LXW_ALIGN_VERTICAL_CENTER;
    case -4107:
      return LXW_ALIGN_VERTICAL_BOTTOM;
    case -4130:
      return LXW_ALIGN_VERTICAL_JUSTIFY;
    case -4117:
      return LXW_ALIGN_VERTICAL_DISTRIBUTED;
    default:
      return LXW_ALIGN_NONE;
  }
}

std::uint8_t Underline(int excel) {
  switch (excel) {
    case 2:
      return LXW_UNDERLINE_SINGLE;
    case -4119:
      return LXW_UNDERLINE_DOUBLE;
    case 4:
      return LXW_UNDERLINE_SINGLE_ACCOUNTING;
    case 5:
      return LXW_UNDERLINE_DOUBLE_ACCOUNTING;
    default:
      return LXW_UNDERLINE_NONE;
  }
}

int Rotation(int excel) {
  switch (excel) {
    case -4171:
      return 90;  // upward
    case -4170:
      return -90;  // downward
    case -4166:
      return 270;  // vertical letters
    default:
      return excel >= -90 && excel <= 90 ? excel : 0;
  }
}

// One libxlsxwriter format per distinct cell format.
class Formats {
 public:
  explicit Formats(lxw_workbook* wb) : wb_(wb) {}
  lxw_format* Get(const CellFormat& f, bool superscriptRun = false) {
    if (f == CellFormat() && !superscriptRun) return nullptr;
    // Neighbouring cells mostly share their format.
    if (last_ && lastKey_.second == superscriptRun && lastKey_.first == f) return last_;
    lxw_format* fmt = Find(f, superscriptRun);
    lastKey_ = {f, superscriptRun};
    last_ = fmt;
    return fmt;
  }

 private:
  lxw_format* Find(const CellFormat& f, bool superscriptRun) {
    for (const auto& [key, fmt] : made_) {
      if (key.first == f && key.second == superscriptRun) return fmt;
    }
    lxw_format* fmt = workbook_add_format(wb_);
    if (!f.fontName.empty()) format_set_font_name(fmt, f.fontName.c_str());
    if (f.fontSize > 0) format_set_font_size(fmt, f.fontSize);
    if (f.bold) format_set_bold(fmt);
    if (f.italic) format_set_italic(fmt);
    if (f.strikethrough) format_set_font_strikeout(fmt);
    if (f.superscript || superscriptRun) format_set_font_script(fmt, LXW_FONT_SUPERSCRIPT);
    if (f.subscript && !superscriptRun) format_set_font_script(fmt, LXW_FONT_SUBSCRIPT);
    if (f.outline) format_set_font_outline(fmt);
    if (f.shadow) format_set_font_shadow(fmt);
    if (f.underline) format_set_underline(fmt, Underline(f.underline));
    if (f.fontColor) format_set_font_color(fmt, *f.fontColor);
    if (!f.numberFormat.empty()) format_set_num_format(fmt, f.numberFormat.c_str());
    if (const auto h = Horizontal(f.horizontal)) format_set_align(fmt, h);
    if (const auto v = Vertical(f.vertical)) format_set_align(fmt, v);
    if (f.wrap) format_set_text_wrap(fmt);
    if (f.shrink) format_set_shrink(fmt);
    if (const int r = Rotation(f.rotation)) format_set_rotation(fmt, static_cast<int16_t>(r));
    const BorderLine& left = f.borders[0];
    const BorderLine& top = f.borders[1];
    const BorderLine& bottom = f.borders[2];
    const BorderLine& right = f.borders[3];
    format_set_left(fmt, BorderStyle(left));
    format_set_top(fmt, BorderStyle(top));
    format_set_bottom(fmt, BorderStyle(bottom));
    format_set_right(fmt, BorderStyle(right));
    if (left.color) format_set_left_color(fmt, *left.color);
    if (top.color) format_set_top_color(fmt, *top.color);
    if (bottom.color) format_set_bottom_color(fmt, *bottom.color);
    if (right.color) format_set_right_color(fmt, *right.color);
    if (f.fill) {
      format_set_pattern(fmt, LXW_PATTERN_SOLID);
      format_set_bg_color(fmt, *f.fill);
    }
    made_.push_back({{f, superscriptRun}, fmt});
    return fmt;
  }

  lxw_workbook* wb_;
  std::pair<CellFormat, bool> lastKey_;
  lxw_format* last_ = nullptr;
  std::vector<std::pair<std::pair<CellFormat, bool>, lxw_format*>> made_;
};

void WriteCell(lxw_worksheet* ws, Formats& formats, int row, int col, const SheetCell& c) {
  const auto r = static_cast<lxw_row_t>(row);
  const auto k = static_cast<lxw_col_t>(col);
  lxw_format* fmt = formats.Get(c.format);
  if (!c.runs.empty()) {
    std::vector<lxw_rich_string_tuple> tuples(c.runs.size());
    std::vector<lxw_rich_string_tuple*> pointers;
    for (std::size_t i = 0; i < c.runs.size(); ++i) {
      tuples[i].format = c.runs[i].superscript ? formats.Get(c.format, true) : fmt;
      tuples[i].string = const_cast<char*>(c.runs[i].text.c_str());
      pointers.push_back(&tuples[i]);
    }
    pointers.push_back(nullptr);
    if (c.runs.size() > 1) {
      worksheet_write_rich_string(ws, r, k, pointers.data(), fmt);
    } else {
      worksheet_write_string(ws, r, k, c.runs[0].text.c_str(), tuples[0].format);
    }
    return;
  }
  if (!c.formula.empty()) {
    worksheet_write_formula_num(ws, r, k, c.formula.c_str(), fmt, NumberOf(c.value));
  } else if (IsNumber(c.value)) {
    worksheet_write_number(ws, r, k, NumberOf(c.value), fmt);
  } else if (IsText(c.value) && !std::get<std::string>(c.value).empty()) {
    worksheet_write_string(ws, r, k, std::get<std::string>(c.value).c_str(), fmt);
  } else if (fmt) {
    worksheet_write_blank(ws, r, k, fmt);
  }
}

}  // namespace

bool WriteWorkbook(const Workbook& book, const std::string& path, std::string& error) {
  const std::string temporary = path + ".tmp-" + std::to_string(::getpid()) + ".xlsx";
  lxw_workbook_options options = {};
  options.constant_memory = LXW_FALSE;  // formats of rows and rich strings are set in any order
  lxw_workbook* wb = workbook_new_opt(temporary.c_str(), &options);
  if (!wb) {
    error = "cannot create the workbook";
    return false;
  }
  Formats formats(wb);
  for (const Sheet& sheet : book.sheets) {
    lxw_worksheet* ws = workbook_add_worksheet(wb, sheet.name.empty() ? nullptr : sheet.name.c_str());
    if (!ws) {
      workbook_close(wb);
      ::unlink(temporary.c_str());
      error = "the sheet name \"" + sheet.name + "\" cannot be used";
      return false;
    }
    for (const auto& [col, width] : sheet.columnWidths) {
      worksheet_set_column(ws, static_cast<lxw_col_t>(col), static_cast<lxw_col_t>(col), width, nullptr);
    }
    for (const auto& [col, hidden] : sheet.hiddenColumns) {
      if (!hidden) continue;
      lxw_row_col_options o = {};
      o.hidden = 1;
      const auto w = sheet.columnWidths.find(col);
      worksheet_set_column_opt(ws, static_cast<lxw_col_t>(col), static_cast<lxw_col_t>(col),
                               w == sheet.columnWidths.end() ? LXW_DEF_COL_WIDTH : w->second, nullptr, &o);
    }
    std::map<int, bool> rows;
    for (const auto& [r, h] : sheet.rowHeights) rows[r] = true;
    for (const auto& [r, h] : sheet.hiddenRows) rows[r] = true;
    for (const auto& [r, l] : sheet.rowLevels) rows[r] = true;
    for (const auto& [r, unused] : rows) {
      lxw_row_col_options o = {};
      const auto hidden = sheet.hiddenRows.find(r);
      o.hidden = hidden != sheet.hiddenRows.end() && hidden->second;
      const auto level = sheet.rowLevels.find(r);
      o.level = static_cast<uint8_t>(level == sheet.rowLevels.end() ? 0 : std::clamp(level->second, 0, 7));
      const auto height = sheet.rowHeights.find(r);
      worksheet_set_row_opt(ws, static_cast<lxw_row_t>(r),
                            height == sheet.rowHeights.end() ? LXW_DEF_ROW_HEIGHT : height->second, nullptr, &o);
    }
    for (const CellRange& m : sheet.merges) {
      if (m.row1 == m.row2 && m.col1 == m.col2) continue;
      const SheetCell* first = sheet.Find(m.row1, m.col1);
      worksheet_merge_range(ws, static_cast<lxw_row_t>(m.row1), static_cast<lxw_col_t>(m.col1),
                            static_cast<lxw_row_t>(m.row2), static_cast<lxw_col_t>(m.col2), "",
                            first ? formats.Get(first->format) : nullptr);
    }
    for (const auto& [pos, cell] : sheet.cells) WriteCell(ws, formats, pos.first, pos.second, cell);
    for (const SheetPicture& p : sheet.pictures) {
      lxw_image_options o = {};
      o.x_offset = static_cast<int32_t>(p.offsetX * 4.0 / 3.0);
      o.y_offset = static_cast<int32_t>(p.offsetY * 4.0 / 3.0);
      worksheet_insert_image_opt(ws, 0, 0, p.path.c_str(), &o);
    }
    worksheet_set_zoom(ws, static_cast<uint16_t>(std::clamp(sheet.zoom, 10, 400)));
    if (!sheet.gridlines) worksheet_gridlines(ws, LXW_HIDE_ALL_GRIDLINES);
    worksheet_outline_settings(ws, LXW_TRUE, LXW_FALSE, LXW_TRUE, LXW_FALSE);
  }
  const lxw_error rc = workbook_close(wb);
  if (rc != LXW_NO_ERROR) {
    ::unlink(temporary.c_str());
    error = lxw_strerror(rc);
    return false;
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    error = std::string("cannot replace the workbook: ") + std::strerror(errno);
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace quantorial
