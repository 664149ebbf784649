#pragma once
// "KRV Worksheet" (frmEdit): a small spreadsheet in which a person creates or edits data
// files without leaving the workbench. One sheet of texts in the grid Fg2 (a fixed row of
// column letters and a fixed column of row numbers), edited through the floating box
// txtEdit; opened through the data-file loader, saved as a workbook (.xlsx) or as
// comma-separated text (.csv, .txt) by the name's extension. The window is independent of
// the model's workspace. The Qt window mirrors this state and sends what a person does
// here through the command table (frmEdit.*), as scripts do.

#include <algorithm>
#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "frontend/Host.h"
#include "io/DataFile.h"
#include "workspace/LabelledMatrix.h"
#include "workspace/ValueRules.h"

namespace quantorial {

// The key codes the grid and the edit box act on.
enum EditorKey : int {
  kKeyBack = 8,
  kKeyTab = 9,
  kKeyReturn = 13,
  kKeyEscape = 27,
  kKeySpace = 32,
  kKeyPageUp = 33,
  kKeyPageDown = 34,
  kKeyEnd = 35,
  kKeyHome = 36,
  kKeyLeft = 37,
  kKeyUp = 38,
  kKeyRight = 39,
  kKeyDown = 40,
  kKeyDelete = 46,
};
inline constexpr int kShiftMask = 1;

inline constexpr const char* kSaveChangesPrompt = "Do you want to save changes to the current worksheet?";
inline constexpr const char* kWorksheetFilter =
    "Microsoft Excel (*.xls;*.xlsx;*.csv)|*.xls;*.xlsx;*.csv|Comma Separated Values (*.csv;*.txt)|*.csv;*.txt";
// Opening takes every file the data files may be (OpenDocument workbooks and the statistics
// programs' data files too), which the worksheet does not save to.
inline constexpr const char* kWorksheetOpenFilter = kDataFileFilter;

// Reads a block of cells from clipboard text (tab-separated, rows by LF or CR LF, cells in
// quotes as spreadsheet programs write them). False, with the block left partial, beyond
// `maxCells` cells or `maxRows` rows. `width` is the widest row's number of cells.
bool ReadClipboardBlock(std::string_view text, std::size_t maxCells, std::size_t maxRows,
                        std::vector<std::vector<std::string>>& block, std::size_t& width);

class WorksheetEditor {
 public:
  // A new worksheet: 65 columns and 129 rows with the fixed ones.
  static constexpr int kNewCols = 65;
  static constexpr int kNewRows = 129;
  // The most a sheet may grow to (a workbook's own limits), and the most cells a paste, a
  // file, a fill of the selection, a copy or a save may take. The grid's size itself costs
  // nothing: only the texts of non-empty cells are held.
  static constexpr int kMaxRows = 1048577;
  static constexpr int kMaxCols = 16385;
  static constexpr std::size_t kMaxCells = 20'000'000;
  static constexpr std::size_t kUndoSteps = 1000;

  WorksheetEditor(Host& host, std::string dataFolder);

  // Told every failure the editor shows (a sheet that cannot grow, a paste or a save that did
  // not happen), so that the command's outcome says so.
  std::function<void(const std::string&)> onFailure;

  // ---- the grid Fg2 ----
  int GridRows() const { return rows_; }  // with the fixed row
  int GridCols() const { return cols_; }  // with the fixed column
  // The text of a grid cell; row 0 holds the column letters, column 0 the row numbers.
  std::string TextMatrix(int row, int col) const;
  int Row() const { return row_; }
  int Col() const { return col_; }
  // The selected rectangle (first <= last), the current cell when nothing more is selected.
  int SelRow1() const { return std::min(row_, selRow_); }
  int SelRow2() const { return std::max(row_, selRow_); }
  int SelCol1() const { return std::min(col_, selCol_); }
  int SelCol2() const { return std::max(col_, selCol_); }
  int Fgi(int row, int col) const { return row * cols_ + col; }

  // ---- the edit box txtEdit ----
  bool EditVisible() const { return editVisible_; }
  const std::string& EditText() const { return editText_; }
  // Where typing leaves the caret: after a typed character or at the end of the cell's text.
  std::size_t EditCaret() const { return editText_.size(); }

  // "KRV Worksheet - " and the file name ("KRV Worksheet" without one), after a "*" while
  // the sheet has changes not yet saved.
  const std::string& Caption() const { return caption_; }
  const std::string& FileName() const { return fileName_; }
  bool Changed() const { return changed_; }
  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  // The last reason a file could not be read or written, for tests; empty after success.
  const std::string& LastError() const { return lastError_; }

  // ---- what the window does ----
  void Form_Load() { InitializeNewWorksheet(); }
  void InitializeNewWorksheet();
  void NewCaption(const std::string& name);
  // Shows an array (0-based) from grid cell (1, 1) on, widening the grid to its columns + 5
  // and rows + 10 when it is narrower or `force` is set.
  void Preview(const LabelledMatrix& array, bool force);
  // The used area (grid row and column 1 up to the last row and column holding a non-blank
  // text) as a 0-based array of texts.
  LabelledMatrix CopyGrid() const;
  // The used area for saving: a text that reads wholly as a number becomes the number.
  LabelledMatrix SheetForSaving() const;

  // Starts editing the current cell: a character above 32 starts with that character,
  // a blank or control character (a double-click) with the cell's text.
  void MSHFlexGridEdit(int keyAscii);
  // Enter commits, Escape discards, Up and Down commit and move within the rows, Tab
  // commits and moves right (Shift+Tab left).
  void EditKeyCode(int keyCode, int shift);

  void Fg2_KeyPress(int keyAscii) { MSHFlexGridEdit(keyAscii); }
  // A typed text (one character, possibly of several bytes) on the grid.
  void Fg2_KeyPressText(const std::string& typed);
  void Fg2_DblClick() { MSHFlexGridEdit(kKeySpace); }
  void Fg2_GotFocus() { Commit(); }
  void Fg2_LeaveCell() { Commit(); }
  // Makes (row, col) the current cell (an open edit is committed first); with `extend` the
  // selection runs from the anchor to it.
  void Fg2_RowColChange(int row, int col, bool extend = false);
  // Selects the rectangle from (row1, col1) (the anchor) to (row2, col2) (the current cell).
  void Fg2_SelChange(int row1, int col1, int row2, int col2);
  // Keys on the grid: arrows and Tab move (Shift extends with arrows, goes back with Tab),
  // Home/End go to the row's first and last column, Delete and Backspace clear the selection.
  void Fg2_KeyDown(int keyCode, int shift);
  void txtEdit_Change(const std::string& text);
  void txtEdit_KeyDown(int keyCode, int shift) { EditKeyCode(keyCode, shift); }
  // One cell set as if typed and committed; the grid grows to hold it.
  void SetCellText(int row, int col, const std::string& text);

  // ---- the menus ----
  void mnuNew_Click();
  void mnuOpen_Click();
  // False when nothing was saved (cancelled or failed; the reason was shown).
  bool mnuSave_Click();
  bool mnuSaveAs_Click();
  void mnuClose_Click();
  // True when the window may unload (nothing unsaved, or the person chose so).
  bool QueryUnload();
  void mnuUndo_Click();
  void mnuRedo_Click();
  void mnuCut_Click();
  void mnuCopy_Click();
  void mnuPaste_Click();
  void mnuDelete_Click() { ClearSelection(); }
  void mnuHelpTopics_Click() { host_.WindowService("Tips"); }
  void mnuAbout_Click() { host_.WindowService("About"); }

  // Pastes tab-separated text (rows on lines) from the current cell on; a cell in quotes
  // may hold tabs, line breaks and doubled quotes, as spreadsheet programs write them.
  void PasteText(const std::string& text);
  // The selection as tab-separated text, a cell holding a tab, a line break or a quote in
  // quotes (its quotes doubled), so that pasting it back gives the same cells.
  std::string SelectionText() const;

 private:
  // Shows a failure in the editor's warning box and tells onFailure.
  void Fail(const std::string& message);
  struct CellChange {
    int row, col;
    std::string before, after;
  };
  using Step = std::vector<CellChange>;

  // The texts of one row's non-empty cells, by column.
  using RowCells = std::vector<std::pair<int, std::string>>;

  // A data cell's text (empty when none is held); Store holds a text, or drops it when empty.
  const std::string& Text(int row, int col) const;
  void Store(int row, int col, std::string text);
  static std::size_t AreaCells(int row1, int col1, int row2, int col2);
  // The last row and column holding a non-blank text (0 when there is none).
  void UsedArea(int& lastRow, int& lastCol) const;
  void Resize(int rows, int cols);
  bool Grow(int rows, int cols);
  // The grid size that showing `array` asks for; false when a worksheet cannot hold it.
  bool PreviewFits(const LabelledMatrix& array, bool force, int& rows, int& cols) const;
  void Commit();
  bool CopySelection();  // false when the selection is too large to copy (and was not)
  void Apply(Step step);
  void ClearSelection();
  void MoveTo(int row, int col, bool extend);
  bool AskToSave();  // the question before the sheet is dropped; true: go on
  bool SaveTo(const std::string& path);
  void UpdateCaption();
  void SetChanged(bool changed);  // the changed flag, and the caption's mark with it

  Host& host_;
  std::string dataFolder_;
  int rows_ = 0, cols_ = 0;
  std::map<int, RowCells> cells_;  // by row; rows without texts are not held
  int row_ = 1, col_ = 1, selRow_ = 1, selCol_ = 1;
  bool editVisible_ = false;
  std::string editText_;
  std::string fileName_;
  std::string caption_ = "KRV - Worksheet1";
  bool changed_ = false;
  std::vector<Step> undo_, redo_;
  std::string lastError_;
};

}  // namespace quantorial
