#include "workbench/WorksheetEditor.h"

#include <algorithm>
#include <string_view>

#include "export/Export.h"
#include "io/AtomicFile.h"
#include "io/DataFile.h"
#include "io/DumpFile.h"
#include "workspace/DumpForm.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

const std::string kNoText;

std::string Extension(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string e = path.substr(dot);
  std::transform(e.begin(), e.end(), e.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return e;
}

// Workbooks this program reads but cannot write.
bool ReadOnlyWorkbook(const std::string& ext) { return ext == ".xls" || ext == ".xlsm" || ext == ".ods"; }

std::string WithExtension(const std::string& path, const std::string& ext) {
  const std::string old = Extension(path);
  return path.substr(0, path.size() - old.size()) + ext;
}

// The text a loaded cell shows in the grid: a double as the shortest text that reads back
// to it, so that a sheet saved unchanged loads back to the same numbers.
std::string GridText(const Cell& c) {
  if (const double* d = std::get_if<double>(&c)) return ShortestText(*d);
  return CellText(c);
}

// A cell as spreadsheet programs put it on the clipboard: a text holding a tab, a line
// break or a quote goes in quotes, its quotes doubled; any other text as it stands.
void AppendClipboardCell(std::string& out, const std::string& cell) {
  if (cell.find_first_of("\t\r\n\"") == std::string::npos) {
    out += cell;
    return;
  }
  out += '"';
  for (const char ch : cell) {
    if (ch == '"') out += '"';
    out += ch;
  }
  out += '"';
}

}  // namespace

// Reads a block from clipboard text: cells separated by tabs, rows ended by LF or CR LF, a
// last line break ending the block rather than starting an empty row. A cell that starts
// with a quote runs to its closing quote (a doubled quote inside is one quote; tabs and line
// breaks inside belong to the cell), and what follows the closing quote up to the next tab
// or line break is kept as it stands. A quote that never closes is an ordinary character.
// One loop, no recursion, and linear in the text: only one cell's search for its closing
// quote can run to the end unanswered, since after it every cell that starts with a quote
// closes within its own run of quotes. False, with the block left partial, when it holds more than `maxCells` cells
// or `maxRows` rows.
bool ReadClipboardBlock(std::string_view text, std::size_t maxCells, std::size_t maxRows,
                        std::vector<std::vector<std::string>>& block, std::size_t& width) {
  block.clear();
  width = 0;
  const std::size_t n = text.size();
  std::size_t cells = 0;
  std::vector<std::string> row;
  std::size_t p = 0;
  while (p < n) {
    std::string cell;
    std::size_t rest = p;  // where the cell's unquoted text begins
    if (text[p] == '"') {
      std::string inside;
      bool closed = false;
      std::size_t k = p + 1;
      while (k < n) {
        if (text[k] == '"') {
          if (k + 1 < n && text[k + 1] == '"') {
            inside += '"';
            k += 2;
            continue;
          }
          closed = true;
          ++k;
          break;
        }
        inside += text[k++];
      }
      if (closed) {
        cell = std::move(inside);
        rest = k;
      }
    }
    std::size_t end = text.find_first_of("\t\n", rest);
    if (end == std::string_view::npos) end = n;
    std::string_view tail = text.substr(rest, end - rest);
    // The CR of a CR LF line break (or of a last line without its LF) is no part of the cell.
    if ((end == n || text[end] == '\n') && !tail.empty() && tail.back() == '\r') tail.remove_suffix(1);
    cell += tail;
    if (++cells > maxCells) return false;
    row.push_back(std::move(cell));
    if (end < n && text[end] == '\t') {
      p = end + 1;
      if (p == n) {
        // A tab at the very end leaves one empty cell after it.
        if (++cells > maxCells) return false;
        row.emplace_back();
      }
      continue;
    }
    width = std::max(width, row.size());
    if (block.size() + 1 > maxRows) return false;
    block.push_back(std::move(row));
    row.clear();
    p = end + 1;
  }
  if (!row.empty()) {
    width = std::max(width, row.size());
    if (block.size() + 1 > maxRows) return false;
    block.push_back(std::move(row));
  }
  return true;
}

void WorksheetEditor::Fail(const std::string& message) {
  if (onFailure) onFailure(message);
  host_.MsgBox(message, vbCritical, "KRV Worksheet");
}

WorksheetEditor::WorksheetEditor(Host& host, std::string dataFolder)
    : host_(host), dataFolder_(std::move(dataFolder)) {}

std::string WorksheetEditor::TextMatrix(int row, int col) const {
  if (row < 0 || col < 0 || row >= rows_ || col >= cols_) return {};
  if (row == 0) return col == 0 ? std::string() : ColumnLetters(col);
  if (col == 0) return std::to_string(row);
  return Text(row, col);
}

const std::string& WorksheetEditor::Text(int row, int col) const {
  const auto r = cells_.find(row);
  if (r == cells_.end()) return kNoText;
  const RowCells& cells = r->second;
  const auto c = std::lower_bound(cells.begin(), cells.end(), col,
                                  [](const auto& cell, int column) { return cell.first < column; });
  return c != cells.end() && c->first == col ? c->second : kNoText;
}

void WorksheetEditor::Store(int row, int col, std::string text) {
  auto r = cells_.find(row);
  if (r == cells_.end()) {
    if (text.empty()) return;
    r = cells_.emplace(row, RowCells()).first;
  }
  RowCells& cells = r->second;
  const auto c = std::lower_bound(cells.begin(), cells.end(), col,
                                  [](const auto& cell, int column) { return cell.first < column; });
  const bool has = c != cells.end() && c->first == col;
  if (text.empty()) {
    if (has) cells.erase(c);
    if (cells.empty()) cells_.erase(r);
  } else if (has) {
    c->second = std::move(text);
  } else {
    cells.emplace(c, col, std::move(text));
  }
}

std::size_t WorksheetEditor::AreaCells(int row1, int col1, int row2, int col2) {
  if (row2 < row1 || col2 < col1) return 0;
  return static_cast<std::size_t>(row2 - row1 + 1) * static_cast<std::size_t>(col2 - col1 + 1);
}

void WorksheetEditor::Resize(int rows, int cols) {
  // Only the stored texts cost memory, so growing is free; texts left outside a smaller
  // grid are dropped.
  if (rows < rows_) cells_.erase(cells_.lower_bound(rows), cells_.end());
  if (cols < cols_) {
    for (auto& [row, cells] : cells_) {
      cells.erase(std::lower_bound(cells.begin(), cells.end(), cols,
                                   [](const auto& cell, int column) { return cell.first < column; }),
                  cells.end());
    }
    std::erase_if(cells_, [](const auto& row) { return row.second.empty(); });
  }
  rows_ = rows;
  cols_ = cols;
  row_ = std::clamp(row_, 1, rows_ - 1);
  col_ = std::clamp(col_, 1, cols_ - 1);
  selRow_ = std::clamp(selRow_, 1, rows_ - 1);
  selCol_ = std::clamp(selCol_, 1, cols_ - 1);
}

bool WorksheetEditor::Grow(int rows, int cols) {
  if (rows <= rows_ && cols <= cols_) return true;
  const int r = std::max(rows, rows_), c = std::max(cols, cols_);
  if (r > kMaxRows || c > kMaxCols) {
    Fail("The worksheet cannot grow to " + std::to_string(r - 1) + " rows by " + std::to_string(c - 1) +
         " columns: a worksheet holds at most " + std::to_string(kMaxRows - 1) + " rows and " +
         std::to_string(kMaxCols - 1) + " columns.");
    return false;
  }
  Resize(r, c);
  return true;
}

void WorksheetEditor::InitializeNewWorksheet() {
  cells_.clear();
  rows_ = cols_ = 0;
  Resize(kNewRows, kNewCols);
  row_ = col_ = selRow_ = selCol_ = 1;
  editVisible_ = false;
  editText_.clear();
  undo_.clear();
  redo_.clear();
  NewCaption("");
}

void WorksheetEditor::NewCaption(const std::string& name) {
  if (name != "Untitled") fileName_ = name;
  UpdateCaption();
}

// A leading "*" marks a sheet with changes not yet saved.
void WorksheetEditor::UpdateCaption() {
  caption_ = std::string(changed_ ? "*" : "") + (fileName_.empty() ? "KRV Worksheet" : "KRV Worksheet - " + fileName_);
}

void WorksheetEditor::SetChanged(bool changed) {
  if (changed == changed_) return;
  changed_ = changed;
  UpdateCaption();
}

bool WorksheetEditor::PreviewFits(const LabelledMatrix& array, bool force, int& rows, int& cols) const {
  const int R = array.UpperRow(), C = array.UpperCol();
  rows = rows_;
  cols = cols_;
  if (cols < C + 5 || force) cols = C + 5;
  if (rows < R + 10 || force) rows = R + 10;
  // The grid's size costs nothing (only texts are stored); the array's cells do.
  return rows <= kMaxRows && cols <= kMaxCols && AreaCells(0, 0, R, C) <= kMaxCells;
}

void WorksheetEditor::Preview(const LabelledMatrix& array, bool force) {
  if (!array.IsAssigned()) return;
  const int R = array.UpperRow(), C = array.UpperCol();
  int rows = 0, cols = 0;
  if (!PreviewFits(array, force, rows, cols)) return;
  cells_.clear();
  rows_ = rows;
  cols_ = cols;
  for (int i = array.Lower(1); i <= R; ++i) {
    RowCells cells;
    for (int j = array.Lower(2); j <= C; ++j) {
      std::string text = GridText(array.Value(i, j));
      if (!text.empty()) cells.emplace_back(j + 1, std::move(text));
    }
    if (!cells.empty()) cells_.emplace_hint(cells_.end(), i + 1, std::move(cells));
  }
  row_ = col_ = selRow_ = selCol_ = 1;
}

void WorksheetEditor::UsedArea(int& lastRow, int& lastCol) const {
  lastRow = lastCol = 0;
  for (const auto& [row, cells] : cells_) {
    for (const auto& [col, text] : cells) {
      if (!TrimBlanks(text).empty()) {
        lastRow = row;
        lastCol = std::max(lastCol, col);
      }
    }
  }
}

LabelledMatrix WorksheetEditor::CopyGrid() const {
  int lastRow = 0, lastCol = 0;
  UsedArea(lastRow, lastCol);
  if (lastRow == 0 || AreaCells(1, 1, lastRow, lastCol) > kMaxCells) return LabelledMatrix();
  LabelledMatrix a = LabelledMatrix::Dimension(lastRow - 1, lastCol - 1);
  for (auto r = cells_.begin(); r != cells_.end() && r->first <= lastRow; ++r) {
    for (const auto& [col, text] : r->second) {
      if (col > lastCol) break;
      a.Put(r->first - 1, col - 1, text);
    }
  }
  return a;
}

LabelledMatrix WorksheetEditor::SheetForSaving() const {
  LabelledMatrix a = CopyGrid();
  for (int i = 0; i <= a.UpperRow(); ++i) {
    for (int j = 0; j <= a.UpperCol(); ++j) {
      const Cell c = a.Value(i, j);
      if (!IsText(c)) continue;
      if (const auto v = WholeNumber(std::get<std::string>(c))) a.PutDouble(i, j, *v);
    }
  }
  return a;
}

// ---- editing ----

void WorksheetEditor::MSHFlexGridEdit(int keyAscii) {
  // A key on the grid while the edit box is still open (the grid took the focus back)
  // commits the open entry before a new one starts.
  Commit();
  if (keyAscii > 32 || keyAscii < 0) {
    editText_ = std::string(1, static_cast<char>(keyAscii));
  } else {
    editText_ = Text(row_, col_);
  }
  editVisible_ = true;
  SetChanged(true);  // the edit box's text changed
}

void WorksheetEditor::Fg2_KeyPressText(const std::string& typed) {
  if (typed.size() <= 1) {
    MSHFlexGridEdit(typed.empty() ? static_cast<int>(kKeySpace) : static_cast<unsigned char>(typed[0]));
    return;
  }
  Commit();
  editText_ = typed;
  editVisible_ = true;
  SetChanged(true);
}

void WorksheetEditor::txtEdit_Change(const std::string& text) {
  if (!editVisible_) MSHFlexGridEdit(kKeySpace);
  editText_ = text;
  SetChanged(true);
}

void WorksheetEditor::Commit() {
  if (!editVisible_) return;
  editVisible_ = false;
  // The grid fills a text into its whole selection (one cell, unless a block is selected).
  if (AreaCells(SelRow1(), SelCol1(), SelRow2(), SelCol2()) > kMaxCells) {
    Fail("The text was not entered: the selection holds more than " + std::to_string(kMaxCells) +
         " cells to fill with it.");
    return;
  }
  Step step;
  for (int r = SelRow1(); r <= SelRow2(); ++r) {
    for (int c = SelCol1(); c <= SelCol2(); ++c) {
      if (Text(r, c) != editText_) step.push_back({r, c, Text(r, c), editText_});
    }
  }
  Apply(std::move(step));
}

void WorksheetEditor::EditKeyCode(int keyCode, int shift) {
  switch (keyCode) {
    case kKeyReturn:
      Commit();
      break;
    case kKeyTab:
      // Tab commits and moves right, Shift+Tab left, as on the grid.
      Commit();
      Fg2_KeyDown(kKeyTab, shift);
      break;
    case kKeyEscape:
      editVisible_ = false;
      break;
    case kKeyUp:
      Commit();
      if (row_ > 1) MoveTo(row_ - 1, col_, false);
      break;
    case kKeyDown:
      Commit();
      if (row_ < rows_ - 1) MoveTo(row_ + 1, col_, false);
      break;
    default:
      break;
  }
}

void WorksheetEditor::MoveTo(int row, int col, bool extend) {
  row_ = std::clamp(row, 1, rows_ - 1);
  col_ = std::clamp(col, 1, cols_ - 1);
  if (!extend) {
    selRow_ = row_;
    selCol_ = col_;
  }
}

void WorksheetEditor::Fg2_RowColChange(int row, int col, bool extend) {
  Commit();
  MoveTo(row, col, extend);
}

void WorksheetEditor::Fg2_SelChange(int row1, int col1, int row2, int col2) {
  Commit();
  MoveTo(row1, col1, false);
  MoveTo(row2, col2, true);
}

void WorksheetEditor::Fg2_KeyDown(int keyCode, int shift) {
  const bool extend = (shift & kShiftMask) != 0;
  switch (keyCode) {
    case kKeyUp:
      Fg2_RowColChange(row_ - 1, col_, extend);
      break;
    case kKeyDown:
      Fg2_RowColChange(row_ + 1, col_, extend);
      break;
    case kKeyLeft:
      Fg2_RowColChange(row_, col_ - 1, extend);
      break;
    case kKeyRight:
      Fg2_RowColChange(row_, col_ + 1, extend);
      break;
    case kKeyHome:
      Fg2_RowColChange(row_, 1, extend);
      break;
    case kKeyEnd:
      Fg2_RowColChange(row_, cols_ - 1, extend);
      break;
    case kKeyPageUp:
      Fg2_RowColChange(row_ - 20, col_, extend);
      break;
    case kKeyPageDown:
      Fg2_RowColChange(row_ + 20, col_, extend);
      break;
    case kKeyTab:
      if (extend) {
        Fg2_RowColChange(row_, col_ - 1, false);
      } else if (col_ + 1 >= cols_) {
        // Tab past the last column goes on in a new column, as a sheet grows.
        if (Grow(rows_, cols_ + 1)) Fg2_RowColChange(row_, col_ + 1, false);
      } else {
        Fg2_RowColChange(row_, col_ + 1, false);
      }
      break;
    case kKeyReturn:
      Fg2_RowColChange(row_ + 1, col_, false);
      break;
    case kKeyDelete:
    case kKeyBack:
      ClearSelection();
      break;
    default:
      break;
  }
}

void WorksheetEditor::SetCellText(int row, int col, const std::string& text) {
  Commit();
  if (row < 1 || col < 1) return;
  if (!Grow(row + 1, col + 1)) return;
  MoveTo(row, col, false);
  if (Text(row, col) != text) Apply({{row, col, Text(row, col), text}});
  SetChanged(true);
}

void WorksheetEditor::Apply(Step step) {
  if (step.empty()) return;
  for (const CellChange& c : step) Store(c.row, c.col, c.after);
  undo_.push_back(std::move(step));
  if (undo_.size() > kUndoSteps) undo_.erase(undo_.begin());
  redo_.clear();
  SetChanged(true);
}

void WorksheetEditor::ClearSelection() {
  Commit();
  // Only stored texts are visited: a selection of a whole large sheet costs no more than
  // the texts in it.
  Step step;
  const int col1 = SelCol1(), col2 = SelCol2();
  for (auto r = cells_.lower_bound(SelRow1()); r != cells_.end() && r->first <= SelRow2(); ++r) {
    for (const auto& [col, text] : r->second) {
      if (col >= col1 && col <= col2) step.push_back({r->first, col, text, std::string()});
    }
  }
  Apply(std::move(step));
}

void WorksheetEditor::mnuUndo_Click() {
  Commit();
  if (undo_.empty()) return;
  Step step = std::move(undo_.back());
  undo_.pop_back();
  // A step names each cell once, so the order is free: in the step's own (row) order the
  // texts go back at the end of each row instead of being inserted before the ones put back.
  for (const CellChange& c : step) {
    if (c.row < rows_ && c.col < cols_) Store(c.row, c.col, c.before);
  }
  MoveTo(step.front().row, step.front().col, false);
  redo_.push_back(std::move(step));
  SetChanged(true);
}

void WorksheetEditor::mnuRedo_Click() {
  Commit();
  if (redo_.empty()) return;
  Step step = std::move(redo_.back());
  redo_.pop_back();
  for (const CellChange& c : step) {
    if (c.row < rows_ && c.col < cols_) Store(c.row, c.col, c.after);
  }
  MoveTo(step.front().row, step.front().col, false);
  undo_.push_back(std::move(step));
  SetChanged(true);
}

std::string WorksheetEditor::SelectionText() const {
  std::string text;
  for (int r = SelRow1(); r <= SelRow2(); ++r) {
    for (int c = SelCol1(); c <= SelCol2(); ++c) {
      if (c > SelCol1()) text += '\t';
      AppendClipboardCell(text, Text(r, c));
    }
    text += '\n';
  }
  return text;
}

bool WorksheetEditor::CopySelection() {
  Commit();
  if (AreaCells(SelRow1(), SelCol1(), SelRow2(), SelCol2()) > kMaxCells) {
    Fail("The selection holds more than " + std::to_string(kMaxCells) + " cells; nothing was copied.");
    return false;
  }
  host_.SetClipboardText(SelectionText());
  return true;
}

void WorksheetEditor::mnuCopy_Click() { CopySelection(); }

void WorksheetEditor::mnuCut_Click() {
  if (CopySelection()) ClearSelection();
}

void WorksheetEditor::mnuPaste_Click() { PasteText(host_.ClipboardText()); }

void WorksheetEditor::PasteText(const std::string& text) {
  Commit();
  std::vector<std::vector<std::string>> block;
  std::size_t width = 0;
  if (!ReadClipboardBlock(text, kMaxCells, static_cast<std::size_t>(kMaxRows), block, width)) {
    Fail("The clipboard holds more than the worksheet can take (" + std::to_string(kMaxCells) +
         " cells); nothing was pasted.");
    return;
  }
  if (block.empty()) return;
  const int top = SelRow1(), left = SelCol1();
  const long long needRows = static_cast<long long>(top) + static_cast<long long>(block.size()) + 1;
  const long long needCols = static_cast<long long>(left) + static_cast<long long>(width) + 1;
  if (needRows > kMaxRows || needCols > kMaxCols || !Grow(static_cast<int>(needRows), static_cast<int>(needCols))) {
    if (needRows > kMaxRows || needCols > kMaxCols) {
      Fail("The pasted block does not fit the worksheet from cell " + ColumnLetters(left) + std::to_string(top) +
           "; nothing was pasted.");
    }
    return;
  }
  Step step;
  for (std::size_t i = 0; i < block.size(); ++i) {
    for (std::size_t j = 0; j < block[i].size(); ++j) {
      const int r = top + static_cast<int>(i), c = left + static_cast<int>(j);
      if (Text(r, c) != block[i][j]) step.push_back({r, c, Text(r, c), std::move(block[i][j])});
    }
  }
  Apply(std::move(step));
  MoveTo(top, left, false);
  MoveTo(top + static_cast<int>(block.size()) - 1, left + static_cast<int>(width) - 1, true);
}

// ---- files ----

bool WorksheetEditor::AskToSave() {
  Commit();
  if (!changed_) return true;
  const int answer = host_.MsgBox(kSaveChangesPrompt, vbYesNoCancel + vbQuestion, kApplicationTitle);
  if (answer == vbCancel) return false;
  if (answer == vbYes) return mnuSave_Click();  // a save that did not happen keeps the sheet
  return true;
}

bool WorksheetEditor::QueryUnload() { return AskToSave(); }

void WorksheetEditor::mnuNew_Click() {
  if (!AskToSave()) return;
  InitializeNewWorksheet();
  SetChanged(false);
}

void WorksheetEditor::mnuClose_Click() {
  if (!AskToSave()) return;
  InitializeNewWorksheet();
  NewCaption("");
  SetChanged(false);
}

void WorksheetEditor::mnuOpen_Click() {
  if (!AskToSave()) return;
  FileDialogRequest request{"Open", kWorksheetOpenFilter, dataFolder_, "", {}};
  const auto path = host_.ChooseOpenFile(request);
  // A cancelled dialog, a name that is no file, or a file that cannot be read leaves the
  // sheet as it was.
  if (!path || path->empty() || !FileExists(*path)) return;
  const DataFileResult loaded = ReadDataFile(*path);
  if (!loaded.error.empty()) {
    lastError_ = loaded.error;
    Fail(loaded.error);
    return;
  }
  int rows = 0, cols = 0;
  if (!PreviewFits(loaded.matrix, false, rows, cols)) {
    lastError_ = "\"" + *path + "\" has " + std::to_string(loaded.matrix.UpperRow() + 1) + " rows by " +
                 std::to_string(loaded.matrix.UpperCol() + 1) + " columns, more than a worksheet holds (" +
                 std::to_string(kMaxCells) + " cells)";
    Fail(lastError_);
    return;
  }
  InitializeNewWorksheet();
  NewCaption(*path);
  Preview(loaded.matrix, false);
  SetChanged(false);
  lastError_.clear();
}

bool WorksheetEditor::mnuSave_Click() {
  Commit();
  if (fileName_.empty() || ReadOnlyWorkbook(Extension(fileName_))) return mnuSaveAs_Click();
  return SaveTo(fileName_);
}

bool WorksheetEditor::mnuSaveAs_Click() {
  Commit();
  // A workbook this program cannot write (.xls) is offered under its .xlsx name.
  std::string proposed = fileName_;
  if (ReadOnlyWorkbook(Extension(proposed))) proposed = WithExtension(proposed, ".xlsx");
  // A name typed without an ending gets the chosen filter's: a workbook, or comma-separated
  // text. The desktop's dialog adds it by the filter left selected; a name that comes back
  // without one otherwise (a script's answer) gets the first filter's, the dialog's own choice.
  FileDialogRequest request{"Save", kWorksheetFilter, dataFolder_, proposed, {".xlsx", ".csv"}};
  auto path = host_.ChooseSaveFile(request);
  if (!path || path->empty()) return false;
  *path = request.WithExtension(*path, 0);
  if (ReadOnlyWorkbook(Extension(*path))) {
    const std::string xlsx = WithExtension(*path, ".xlsx");
    host_.MsgBox("\"" + *path + "\" is a kind of workbook this program cannot write; the worksheet is saved as \"" +
                     xlsx + "\".",
                 vbInformation, "KRV Worksheet");
    path = xlsx;
  }
  NewCaption(*path);
  return SaveTo(*path);
}

bool WorksheetEditor::SaveTo(const std::string& path) {
  std::string error;
  int lastRow = 0, lastCol = 0;
  UsedArea(lastRow, lastCol);
  if (AreaCells(1, 1, lastRow, lastCol) > kMaxCells) {
    error = "its used area of " + std::to_string(lastRow) + " rows by " + std::to_string(lastCol) +
            " columns holds more than " + std::to_string(kMaxCells) + " cells";
    lastError_ = error;
    Fail("The worksheet was not saved to \"" + path + "\": " + error);
    return false;
  }
  host_.HoldOn("Saving " + path);
  const LabelledMatrix sheet = SheetForSaving();
  bool ok = false;
  if (Extension(path) == ".xlsx") {
    ok = ExportWorksheet(sheet, path, error);
  } else {
    // Comma-separated text: numbers as the shortest text that reads back to them, texts
    // in quotes; an empty sheet is an empty file.
    ok = WriteDumpFile(path, sheet, error);
  }
  host_.HoldOn("");
  if (!ok) {
    lastError_ = error;
    Fail("The worksheet was not saved to \"" + path + "\": " + error);
    return false;
  }
  lastError_.clear();
  SetChanged(false);
  return true;
}

}  // namespace quantorial
