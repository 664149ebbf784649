#include "workbench/WorksheetEditor.h"

#include <algorithm>
#include <string_view>

#include "export/Export.h"
#include "io/AtomicFile.h"
#include "io/DataFile.h"
#include "io/DumpForm.h"
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

}  // namespace

WorksheetEditor::WorksheetEditor(Host& host, std::string dataFolder) : host_(host), dataFolder_(std::move(dataFolder)) {}

const std::string& WorksheetEditor::TextMatrix(int row, int col) const {
  if (row < 0 || col < 0 || row >= rows_ || col >= cols_) return kNoText;
  return cells_[static_cast<std::size_t>(Fgi(row, col))];
}

void WorksheetEditor::Resize(int rows, int cols) {
  std::vector<std::string> next(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols));
  for (int r = 1; r < std::min(rows, rows_); ++r) {
    for (int c = 1; c < std::min(cols, cols_); ++c) {
      next[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(c)] =
          std::move(At(r, c));
    }
  }
  cells_ = std::move(next);
  rows_ = rows;
  cols_ = cols;
  WriteHeaders();
  row_ = std::clamp(row_, 1, rows_ - 1);
  col_ = std::clamp(col_, 1, cols_ - 1);
  selRow_ = std::clamp(selRow_, 1, rows_ - 1);
  selCol_ = std::clamp(selCol_, 1, cols_ - 1);
}

void WorksheetEditor::WriteHeaders() {
  for (int r = 1; r < rows_; ++r) At(r, 0) = std::to_string(r);
  for (int c = 1; c < cols_; ++c) At(0, c) = ColumnLetters(c);
  At(0, 0).clear();
}

bool WorksheetEditor::Grow(int rows, int cols) {
  if (rows <= rows_ && cols <= cols_) return true;
  const int r = std::max(rows, rows_), c = std::max(cols, cols_);
  if (r > kMaxRows || c > kMaxCols ||
      static_cast<std::size_t>(r) * static_cast<std::size_t>(c) > kMaxCells) {
    host_.MsgBox("The worksheet cannot grow to " + std::to_string(r - 1) + " rows by " + std::to_string(c - 1) +
                     " columns: a worksheet holds at most " + std::to_string(kMaxCells) + " cells (" +
                     std::to_string(kMaxRows - 1) + " rows, " + std::to_string(kMaxCols - 1) + " columns).",
                 vbExclamation, "KRV Worksheet");
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

void WorksheetEditor::UpdateCaption() { caption_ = fileName_.empty() ? "KRV Worksheet" : "KRV Worksheet - " + fileName_; }

bool WorksheetEditor::PreviewFits(const LabelledMatrix& array, bool force, int& rows, int& cols) const {
  const int R = array.Rows(), C = array.Cols();
  rows = rows_;
  cols = cols_;
  if (cols < C + 5 || force) cols = C + 5;
  if (rows < R + 10 || force) rows = R + 10;
  return rows <= kMaxRows && cols <= kMaxCols &&
         static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols) <= kMaxCells;
}

void WorksheetEditor::Preview(const LabelledMatrix& array, bool force) {
  if (!array.IsAssigned()) return;
  const int R = array.Rows(), C = array.Cols();
  int rows = 0, cols = 0;
  if (!PreviewFits(array, force, rows, cols)) return;
  cells_.assign(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols), std::string());
  rows_ = rows;
  cols_ = cols;
  WriteHeaders();
  for (int i = array.Lower(1); i <= R; ++i) {
    for (int j = array.Lower(2); j <= C; ++j) At(i + 1, j + 1) = GridText(array.Value(i, j));
  }
  row_ = col_ = selRow_ = selCol_ = 1;
}

LabelledMatrix WorksheetEditor::CopyGrid() const {
  int lastRow = 0, lastCol = 0;
  for (int r = 1; r < rows_; ++r) {
    for (int c = 1; c < cols_; ++c) {
      if (!TrimBlanks(TextMatrix(r, c)).empty()) {
        lastRow = r;
        lastCol = std::max(lastCol, c);
      }
    }
  }
  if (lastRow == 0) return LabelledMatrix();
  LabelledMatrix a = LabelledMatrix::Dimension(lastRow - 1, lastCol - 1);
  for (int r = 1; r <= lastRow; ++r) {
    for (int c = 1; c <= lastCol; ++c) {
      if (!TextMatrix(r, c).empty()) a.Put(r - 1, c - 1, TextMatrix(r, c));
    }
  }
  return a;
}

LabelledMatrix WorksheetEditor::SheetForSaving() const {
  LabelledMatrix a = CopyGrid();
  for (int i = 0; i <= a.Rows(); ++i) {
    for (int j = 0; j <= a.Cols(); ++j) {
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
    editText_ = TextMatrix(row_, col_);
  }
  editVisible_ = true;
  changed_ = true;  // the edit box's text changed
}

void WorksheetEditor::Fg2_KeyPressText(const std::string& typed) {
  if (typed.size() <= 1) {
    MSHFlexGridEdit(typed.empty() ? static_cast<int>(kKeySpace) : static_cast<unsigned char>(typed[0]));
    return;
  }
  Commit();
  editText_ = typed;
  editVisible_ = true;
  changed_ = true;
}

void WorksheetEditor::txtEdit_Change(const std::string& text) {
  if (!editVisible_) MSHFlexGridEdit(kKeySpace);
  editText_ = text;
  changed_ = true;
}

void WorksheetEditor::Commit() {
  if (!editVisible_) return;
  editVisible_ = false;
  // The grid fills a text into its whole selection (one cell, unless a block is selected).
  Step step;
  for (int r = SelRow1(); r <= SelRow2(); ++r) {
    for (int c = SelCol1(); c <= SelCol2(); ++c) {
      if (TextMatrix(r, c) != editText_) step.push_back({r, c, TextMatrix(r, c), editText_});
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
    case kKeyUp: Fg2_RowColChange(row_ - 1, col_, extend); break;
    case kKeyDown: Fg2_RowColChange(row_ + 1, col_, extend); break;
    case kKeyLeft: Fg2_RowColChange(row_, col_ - 1, extend); break;
    case kKeyRight: Fg2_RowColChange(row_, col_ + 1, extend); break;
    case kKeyHome: Fg2_RowColChange(row_, 1, extend); break;
    case kKeyEnd: Fg2_RowColChange(row_, cols_ - 1, extend); break;
    case kKeyPageUp: Fg2_RowColChange(row_ - 20, col_, extend); break;
    case kKeyPageDown: Fg2_RowColChange(row_ + 20, col_, extend); break;
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
    case kKeyReturn: Fg2_RowColChange(row_ + 1, col_, false); break;
    case kKeyDelete:
    case kKeyBack: ClearSelection(); break;
    default: break;
  }
}

void WorksheetEditor::SetCellText(int row, int col, const std::string& text) {
  Commit();
  if (row < 1 || col < 1) return;
  if (!Grow(row + 1, col + 1)) return;
  MoveTo(row, col, false);
  if (TextMatrix(row, col) != text) Apply({{row, col, TextMatrix(row, col), text}});
  changed_ = true;
}

void WorksheetEditor::Apply(Step step) {
  if (step.empty()) return;
  for (const CellChange& c : step) At(c.row, c.col) = c.after;
  undo_.push_back(std::move(step));
  if (undo_.size() > kUndoSteps) undo_.erase(undo_.begin());
  redo_.clear();
  changed_ = true;
}

void WorksheetEditor::ClearSelection() {
  Commit();
  Step step;
  for (int r = SelRow1(); r <= SelRow2(); ++r) {
    for (int c = SelCol1(); c <= SelCol2(); ++c) {
      if (!TextMatrix(r, c).empty()) step.push_back({r, c, TextMatrix(r, c), std::string()});
    }
  }
  Apply(std::move(step));
}

void WorksheetEditor::mnuUndo_Click() {
  Commit();
  if (undo_.empty()) return;
  Step step = std::move(undo_.back());
  undo_.pop_back();
  for (auto it = step.rbegin(); it != step.rend(); ++it) {
    if (it->row < rows_ && it->col < cols_) At(it->row, it->col) = it->before;
  }
  MoveTo(step.front().row, step.front().col, false);
  redo_.push_back(std::move(step));
  changed_ = true;
}

void WorksheetEditor::mnuRedo_Click() {
  Commit();
  if (redo_.empty()) return;
  Step step = std::move(redo_.back());
  redo_.pop_back();
  for (const CellChange& c : step) {
    if (c.row < rows_ && c.col < cols_) At(c.row, c.col) = c.after;
  }
  MoveTo(step.front().row, step.front().col, false);
  undo_.push_back(std::move(step));
  changed_ = true;
}

std::string WorksheetEditor::SelectionText() const {
  std::string text;
  for (int r = SelRow1(); r <= SelRow2(); ++r) {
    for (int c = SelCol1(); c <= SelCol2(); ++c) {
      if (c > SelCol1()) text += '\t';
      AppendClipboardCell(text, TextMatrix(r, c));
    }
    text += '\n';
  }
  return text;
}

void WorksheetEditor::mnuCopy_Click() {
  Commit();
  host_.SetClipboardText(SelectionText());
}

void WorksheetEditor::mnuCut_Click() {
  mnuCopy_Click();
  ClearSelection();
}

void WorksheetEditor::mnuPaste_Click() { PasteText(host_.ClipboardText()); }

void WorksheetEditor::PasteText(const std::string& text) {
  Commit();
  std::vector<std::vector<std::string>> block;
  std::size_t width = 0;
  if (!ReadClipboardBlock(text, kMaxCells, static_cast<std::size_t>(kMaxRows), block, width)) {
    host_.MsgBox("The clipboard holds more than the worksheet can take (" + std::to_string(kMaxCells) +
                     " cells); nothing was pasted.",
                 vbExclamation, "KRV Worksheet");
    return;
  }
  if (block.empty()) return;
  const int top = SelRow1(), left = SelCol1();
  const long long needRows = static_cast<long long>(top) + static_cast<long long>(block.size()) + 1;
  const long long needCols = static_cast<long long>(left) + static_cast<long long>(width) + 1;
  if (needRows > kMaxRows || needCols > kMaxCols || !Grow(static_cast<int>(needRows), static_cast<int>(needCols))) {
    if (needRows > kMaxRows || needCols > kMaxCols) {
      host_.MsgBox("The pasted block does not fit the worksheet from cell " + ColumnLetters(left) +
                       std::to_string(top) + "; nothing was pasted.",
                   vbExclamation, "KRV Worksheet");
    }
    return;
  }
  Step step;
  for (std::size_t i = 0; i < block.size(); ++i) {
    for (std::size_t j = 0; j < block[i].size(); ++j) {
      const int r = top + static_cast<int>(i), c = left + static_cast<int>(j);
      if (TextMatrix(r, c) != block[i][j]) step.push_back({r, c, TextMatrix(r, c), std::move(block[i][j])});
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
  changed_ = false;
}

void WorksheetEditor::mnuClose_Click() {
  if (!AskToSave()) return;
  InitializeNewWorksheet();
  NewCaption("");
  changed_ = false;
}

void WorksheetEditor::mnuOpen_Click() {
  if (!AskToSave()) return;
  FileDialogRequest request{"Open", kWorksheetFilter, dataFolder_, ""};
  const auto path = host_.ChooseOpenFile(request);
  // A cancelled dialog, a name that is no file, or a file that cannot be read leaves the
  // sheet as it was.
  if (!path || path->empty() || !FileExists(*path)) return;
  const DataFileResult loaded = ReadDataFile(*path);
  if (!loaded.error.empty()) {
    lastError_ = loaded.error;
    host_.MsgBox(loaded.error, vbExclamation, "KRV Worksheet");
    return;
  }
  int rows = 0, cols = 0;
  if (!PreviewFits(loaded.matrix, false, rows, cols)) {
    lastError_ = "\"" + *path + "\" has " + std::to_string(loaded.matrix.Rows() + 1) + " rows by " +
                 std::to_string(loaded.matrix.Cols() + 1) + " columns, more than a worksheet holds (" +
                 std::to_string(kMaxCells) + " cells)";
    host_.MsgBox(lastError_, vbExclamation, "KRV Worksheet");
    return;
  }
  InitializeNewWorksheet();
  NewCaption(*path);
  Preview(loaded.matrix, false);
  changed_ = false;
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
  FileDialogRequest request{"Save", kWorksheetFilter, dataFolder_, proposed};
  auto path = host_.ChooseSaveFile(request);
  if (!path || path->empty()) return false;
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
  host_.HoldOn("Saving " + path);
  const LabelledMatrix sheet = SheetForSaving();
  std::string error;
  bool ok = false;
  if (Extension(path) == ".xlsx") {
    ok = ExportWorksheet(sheet, path, error);
  } else {
    // Comma-separated text: numbers as the shortest text that reads back to them, texts
    // in quotes; an empty sheet is an empty file.
    ok = WriteFileAtomically(path, sheet.IsAssigned() ? DumpText(sheet) : std::string(), error);
  }
  host_.HoldOn("");
  if (!ok) {
    lastError_ = error;
    host_.MsgBox("The worksheet was not saved to \"" + path + "\": " + error, vbExclamation, "KRV Worksheet");
    return false;
  }
  lastError_.clear();
  changed_ = false;
  return true;
}

}  // namespace quantorial
