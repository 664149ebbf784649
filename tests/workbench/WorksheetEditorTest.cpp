// The worksheet editor (frmEdit) without widgets: editing keys, the file menu and its
// question, saving the used area in both formats and loading it back, undo, paste, and
// a script that makes a data file and loads it into the model.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "MatrixBuilder.h"
#include "WorkbenchFixture.h"
#include "io/DataFile.h"
#include "workbench/CommandTable.h"
#include "workbench/ScriptPlayer.h"
#include "workbench/WorksheetEditor.h"
#include "workspace/ValueRules.h"

namespace quantorial {
namespace {

using testing::TempDir;

class Editor : public testing::WorkbenchFixture {
 protected:
  void SetUp() override {
    wb.cmdEdt_Click();
    ed = wb.Editor();
    ASSERT_NE(ed, nullptr);
  }
  // Types a text into a cell as a person does: the first character on the grid starts the
  // edit box, the rest goes into the box, Enter commits.
  void Type(int row, int col, const std::string& text) {
    ed->Fg2_RowColChange(row, col);
    ed->Fg2_KeyPress(static_cast<unsigned char>(text[0]));
    ed->txtEdit_Change(text);
    ed->txtEdit_KeyDown(kKeyReturn, 0);
  }
  WorksheetEditor* ed = nullptr;
};

TEST_F(Editor, ANewWorksheetHasItsHeadersAndCaption) {
  EXPECT_EQ(host.services, std::vector<std::string>{"Editor"});
  EXPECT_EQ(ed->GridRows(), 129);
  EXPECT_EQ(ed->GridCols(), 65);
  EXPECT_EQ(ed->TextMatrix(0, 1), "A");
  EXPECT_EQ(ed->TextMatrix(0, 64), "BL");
  EXPECT_EQ(ed->TextMatrix(1, 0), "1");
  EXPECT_EQ(ed->TextMatrix(128, 0), "128");
  EXPECT_EQ(ed->Caption(), "KRV Worksheet");
  EXPECT_FALSE(ed->Changed());
  wb.cmdEdt_Click();  // a second press brings the same worksheet up
  EXPECT_EQ(wb.Editor(), ed);
}

TEST_F(Editor, EditingKeys) {
  ed->SetCellText(2, 2, "old");
  // A letter starts the edit with that letter only.
  ed->Fg2_RowColChange(2, 2);
  ed->Fg2_KeyPress('x');
  EXPECT_TRUE(ed->EditVisible());
  EXPECT_EQ(ed->EditText(), "x");
  // Escape discards it: the cell keeps its old value.
  ed->txtEdit_KeyDown(kKeyEscape, 0);
  EXPECT_FALSE(ed->EditVisible());
  EXPECT_EQ(ed->TextMatrix(2, 2), "old");
  // A double click starts with the cell's text; Enter commits what was typed.
  ed->Fg2_DblClick();
  EXPECT_EQ(ed->EditText(), "old");
  ed->txtEdit_Change("older");
  ed->txtEdit_KeyDown(kKeyReturn, 0);
  EXPECT_EQ(ed->TextMatrix(2, 2), "older");
  // Moving to another cell commits too.
  ed->Fg2_KeyPress('7');
  ed->Fg2_RowColChange(5, 5);
  EXPECT_EQ(ed->TextMatrix(2, 2), "7");
  // Up on the first data row commits and stays; Down on the last row likewise.
  ed->Fg2_RowColChange(1, 3);
  ed->Fg2_KeyPress('u');
  ed->txtEdit_KeyDown(kKeyUp, 0);
  EXPECT_EQ(ed->Row(), 1);
  EXPECT_EQ(ed->TextMatrix(1, 3), "u");
  ed->Fg2_RowColChange(ed->GridRows() - 1, 3);
  ed->Fg2_KeyPress('d');
  ed->txtEdit_KeyDown(kKeyDown, 0);
  EXPECT_EQ(ed->Row(), ed->GridRows() - 1);
  EXPECT_EQ(ed->TextMatrix(ed->GridRows() - 1, 3), "d");
  // Within the rows, Down commits and moves one row down.
  ed->Fg2_RowColChange(4, 1);
  ed->Fg2_KeyPress('a');
  ed->txtEdit_KeyDown(kKeyDown, 0);
  EXPECT_EQ(ed->Row(), 5);
  EXPECT_EQ(ed->TextMatrix(4, 1), "a");
  EXPECT_TRUE(ed->Changed());
}

// Tab in the edit box commits and moves right, Shift+Tab left; each entry is its own undo
// step: "5", Tab, "z", Enter on A1 leaves A1 = 5 and B1 = z, and one undo takes back z only.
TEST_F(Editor, TabCommitsAndMoves) {
  ed->Fg2_RowColChange(1, 1);
  ed->Fg2_KeyPress('5');
  ed->txtEdit_KeyDown(kKeyTab, 0);
  EXPECT_EQ(ed->Col(), 2);
  ed->Fg2_KeyPress('z');
  ed->txtEdit_KeyDown(kKeyReturn, 0);
  EXPECT_EQ(ed->TextMatrix(1, 1), "5");
  EXPECT_EQ(ed->TextMatrix(1, 2), "z");
  ed->mnuUndo_Click();
  EXPECT_EQ(ed->TextMatrix(1, 1), "5");
  EXPECT_EQ(ed->TextMatrix(1, 2), "");
  ed->Fg2_RowColChange(1, 3);
  ed->Fg2_KeyPress('w');
  ed->txtEdit_KeyDown(kKeyTab, 1);
  EXPECT_EQ(ed->TextMatrix(1, 3), "w");
  EXPECT_EQ(ed->Col(), 2);
}

// A key on the grid while the edit box is still open commits the open entry first: what
// was typed in the box is not lost to the new edit.
TEST_F(Editor, AKeyOnTheGridCommitsTheOpenEntryFirst) {
  struct Case {
    const char* name;
    void (*key)(WorksheetEditor&);
    const char* newEntry;
  };
  const Case cases[] = {
      {"a letter", [](WorksheetEditor& e) { e.Fg2_KeyPress('x'); }, "x"},
      {"a letter of several bytes", [](WorksheetEditor& e) { e.Fg2_KeyPressText("\xc3\xa9"); }, "\xc3\xa9"},
      {"a double click", [](WorksheetEditor& e) { e.Fg2_DblClick(); }, "typed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ed->InitializeNewWorksheet();
    ed->SetCellText(2, 2, "old");
    ed->Fg2_KeyPress('t');
    ed->txtEdit_Change("typed");
    c.key(*ed);
    EXPECT_EQ(ed->TextMatrix(2, 2), "typed");
    EXPECT_TRUE(ed->EditVisible());
    EXPECT_EQ(ed->EditText(), c.newEntry);
    ed->txtEdit_KeyDown(kKeyEscape, 0);  // the new entry discarded, the committed one stays
    EXPECT_EQ(ed->TextMatrix(2, 2), "typed");
    ed->mnuUndo_Click();
    EXPECT_EQ(ed->TextMatrix(2, 2), "old");
  }
}

TEST_F(Editor, GridKeysMoveSelectAndClear) {
  ed->SetCellText(3, 3, "a");
  ed->SetCellText(4, 4, "b");
  ed->Fg2_RowColChange(3, 3);
  ed->Fg2_KeyDown(kKeyDown, kShiftMask);
  ed->Fg2_KeyDown(kKeyRight, kShiftMask);
  EXPECT_EQ(ed->SelectionText(), "a\t\n\tb\n");
  ed->Fg2_KeyDown(kKeyDelete, 0);
  EXPECT_EQ(ed->TextMatrix(3, 3), "");
  EXPECT_EQ(ed->TextMatrix(4, 4), "");
  ed->mnuUndo_Click();  // one step for the whole block
  EXPECT_EQ(ed->TextMatrix(3, 3), "a");
  EXPECT_EQ(ed->TextMatrix(4, 4), "b");
  ed->Fg2_RowColChange(1, 1);
  ed->Fg2_KeyDown(kKeyLeft, 0);
  ed->Fg2_KeyDown(kKeyUp, 0);
  EXPECT_EQ(ed->Row(), 1);
  EXPECT_EQ(ed->Col(), 1);
  ed->Fg2_KeyDown(kKeyTab, 0);
  EXPECT_EQ(ed->Col(), 2);
  ed->Fg2_KeyDown(kKeyTab, kShiftMask);
  EXPECT_EQ(ed->Col(), 1);
  ed->Fg2_RowColChange(1, ed->GridCols() - 1);
  ed->Fg2_KeyDown(kKeyTab, 0);  // Tab past the last column adds one
  EXPECT_EQ(ed->GridCols(), 66);
  EXPECT_EQ(ed->Col(), 65);
}

TEST_F(Editor, ATextTypedOverASelectedBlockFillsIt) {
  ed->SetCellText(2, 3, "kept");
  ed->Fg2_SelChange(2, 1, 3, 2);
  ed->Fg2_KeyPress('7');
  ed->txtEdit_KeyDown(kKeyReturn, 0);
  for (const auto& [r, c] : {std::pair{2, 1}, {2, 2}, {3, 1}, {3, 2}}) EXPECT_EQ(ed->TextMatrix(r, c), "7");
  EXPECT_EQ(ed->TextMatrix(2, 3), "kept");
  ed->mnuUndo_Click();  // one step
  EXPECT_EQ(ed->TextMatrix(2, 1), "");
  EXPECT_EQ(ed->TextMatrix(3, 2), "");
}

TEST_F(Editor, UndoAndRedoKeepAHundredStepsAndMore) {
  for (int i = 1; i <= 150; ++i) Type(1 + (i - 1) % 100, 1, "v" + std::to_string(i));
  for (int i = 0; i < 120; ++i) ed->mnuUndo_Click();
  // Steps 1..30 stand; 31..150 are undone (rows 31..50 hold the first pass again).
  EXPECT_EQ(ed->TextMatrix(30, 1), "v30");
  EXPECT_EQ(ed->TextMatrix(31, 1), "");
  EXPECT_EQ(ed->TextMatrix(1, 1), "v1");
  for (int i = 0; i < 120; ++i) ed->mnuRedo_Click();
  EXPECT_EQ(ed->TextMatrix(1, 1), "v101");
  EXPECT_EQ(ed->TextMatrix(50, 1), "v150");
  EXPECT_EQ(ed->TextMatrix(51, 1), "v51");
  EXPECT_FALSE(ed->CanRedo());
  ed->mnuUndo_Click();
  Type(2, 2, "new");  // a new edit drops what could be redone
  EXPECT_FALSE(ed->CanRedo());
}

TEST_F(Editor, APastedBlockLandsInTheCellsAndGrowsTheGrid) {
  host.clipboard = "Year\tC\tI\r\n1920\t39.8\t2.7\r\n1921\t41.9\t-0.2\r\n";
  ed->Fg2_RowColChange(2, 63);  // two columns from the right edge
  ed->mnuPaste_Click();
  EXPECT_EQ(ed->TextMatrix(2, 63), "Year");
  EXPECT_EQ(ed->TextMatrix(3, 64), "39.8");
  EXPECT_EQ(ed->TextMatrix(4, 65), "-0.2");
  EXPECT_GE(ed->GridCols(), 66);
  EXPECT_EQ(ed->SelectionText(), "Year\tC\tI\n1920\t39.8\t2.7\n1921\t41.9\t-0.2\n");
  ed->mnuCopy_Click();
  EXPECT_EQ(host.clipboard, "Year\tC\tI\n1920\t39.8\t2.7\n1921\t41.9\t-0.2\n");
  ed->mnuCut_Click();
  EXPECT_EQ(ed->TextMatrix(3, 64), "");
  ed->mnuUndo_Click();
  ed->mnuUndo_Click();  // the cut, then the paste
  EXPECT_EQ(ed->TextMatrix(2, 63), "");
  EXPECT_EQ(ed->TextMatrix(4, 65), "");
}

// Cells holding tabs, line breaks and quotes go on the clipboard in quotes, so a copied
// block pastes back cell for cell instead of spilling into the cells beside and below.
TEST_F(Editor, CopiedBlocksWithTabsLineBreaksAndQuotesPasteBackUnchanged) {
  using Block = std::vector<std::vector<std::string>>;
  const Block blocks[] = {
      {{"a\tb", "c"}, {"d", "\te\t"}},
      {{"line 1\nline 2", "x"}, {"", "y\n"}},
      {{"cr\rhere", "crlf\r\nend"}, {"ends in cr\r", "\r"}},
      {{"\"quoted\"", "\""}, {"\"\"", "\"open"}},
      {{"mid\"dle", "5\" pipe"}, {"a\"\"b", "x\"\ty\"\nz"}},
      {{"", "\n", ""}, {"", "", ""}},
  };
  for (const Block& block : blocks) {
    const int rows = static_cast<int>(block.size()), cols = static_cast<int>(block[0].size());
    std::string shown;
    for (const auto& row : block) {
      for (const auto& cell : row) shown += "[" + cell + "]";
    }
    SCOPED_TRACE(shown);
    ed->InitializeNewWorksheet();
    for (int i = 0; i < rows; ++i) {
      for (int j = 0; j < cols; ++j) ed->SetCellText(2 + i, 2 + j, block[i][j]);
    }
    ed->Fg2_SelChange(2, 2, 1 + rows, 1 + cols);
    ed->mnuCopy_Click();
    ed->Fg2_RowColChange(20, 3);
    ed->mnuPaste_Click();
    EXPECT_EQ(ed->SelRow2() - ed->SelRow1() + 1, rows);
    EXPECT_EQ(ed->SelCol2() - ed->SelCol1() + 1, cols);
    for (int i = 0; i < rows; ++i) {
      for (int j = 0; j < cols; ++j) EXPECT_EQ(ed->TextMatrix(20 + i, 3 + j), block[i][j]) << i << "," << j;
    }
    EXPECT_EQ(ed->TextMatrix(20 + rows, 3), "");  // nothing spilled below
    EXPECT_EQ(ed->TextMatrix(20, 3 + cols), "");  // nor to the right
  }
  // The form spreadsheet programs read: such a cell in quotes with its quotes doubled.
  ed->InitializeNewWorksheet();
  ed->SetCellText(1, 1, "say \"hi\"\tthere");
  ed->SetCellText(1, 2, "plain");
  ed->Fg2_SelChange(1, 1, 1, 2);
  ed->mnuCopy_Click();
  EXPECT_EQ(host.clipboard, "\"say \"\"hi\"\"\tthere\"\tplain\n");
}

// Blocks as other programs put them on the clipboard: a cell only counts as quoted when it
// starts with a quote, and a quote that never closes is kept as text.
TEST_F(Editor, PastedTextReadsQuotedCellsAsSpreadsheetsWriteThem) {
  using Block = std::vector<std::vector<std::string>>;
  const std::pair<const char*, Block> cases[] = {
      {"a\"b\tc\n", {{"a\"b", "c"}}},
      {"\"multi\r\nline\"\t2\r\n3\t4\r\n", {{"multi\r\nline", "2"}, {"3", "4"}}},
      {"\"\"\t\"\"\"\"\t\"a\"\"\"\n", {{"", "\"", "a\""}}},
      {"\"open\tx\ny\n", {{"\"open", "x"}, {"y"}}},
      {"\"q\"tail\tz", {{"qtail", "z"}}},
      {"x\t\n\ty\r\n", {{"x", ""}, {"", "y"}}},
  };
  for (const auto& [text, block] : cases) {
    SCOPED_TRACE(text);
    ed->InitializeNewWorksheet();
    ed->Fg2_RowColChange(2, 2);
    ed->PasteText(text);
    std::size_t width = 0;
    for (std::size_t i = 0; i < block.size(); ++i) {
      width = std::max(width, block[i].size());
      for (std::size_t j = 0; j < block[i].size(); ++j) {
        EXPECT_EQ(ed->TextMatrix(2 + static_cast<int>(i), 2 + static_cast<int>(j)), block[i][j]) << i << "," << j;
      }
    }
    EXPECT_EQ(ed->SelRow2() - ed->SelRow1() + 1, static_cast<int>(block.size()));
    EXPECT_EQ(ed->SelCol2() - ed->SelCol1() + 1, static_cast<int>(width));
  }
}

// A block with more rows than a worksheet has, or one that does not fit from the current
// cell, is refused whole.
TEST_F(Editor, APasteBeyondTheWorksheetIsRefused) {
  const std::pair<int, const char*> cases[] = {
      {WorksheetEditor::kMaxRows + 1, "The clipboard holds more than the worksheet can take"},
      {WorksheetEditor::kMaxRows - 1, "The pasted block does not fit the worksheet from cell A2"},
  };
  for (const auto& [lines, message] : cases) {
    SCOPED_TRACE(lines);
    ed->Fg2_RowColChange(2, 1);
    host.calls.clear();
    ed->PasteText(std::string(static_cast<std::size_t>(lines), '\n'));
    ASSERT_EQ(host.Messages().size(), 1u);
    EXPECT_EQ(host.Messages()[0].rfind(message, 0), 0u) << host.Messages()[0];
    EXPECT_EQ(ed->GridRows(), WorksheetEditor::kNewRows);
    EXPECT_FALSE(ed->CanUndo());
  }
}

TEST_F(Editor, ScriptCellsGrowTheGrid) {
  ed->SetCellText(200, 70, "far");
  EXPECT_EQ(ed->GridRows(), 201);
  EXPECT_EQ(ed->GridCols(), 71);
  EXPECT_EQ(ed->TextMatrix(200, 70), "far");
  EXPECT_EQ(ed->TextMatrix(0, 70), "BR");
}

// Bytes the heap holds now, where the C library can say (0 elsewhere: the check is moot).
std::size_t HeapInUse() {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
  const struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;  // small blocks and mapped large ones
#else
  return 0;
#endif
}

// Only the texts of a sheet cost memory, not its size: a cell at row 300,000 grows the grid
// to that row without holding 300,000 rows of empty cells, saves and loads back; a cell in a
// workbook's last row and column is taken too.
TEST_F(Editor, AFarCellCostsOnlyItsText) {
  const std::size_t before = HeapInUse();
  ed->SetCellText(300000, 1, "far");
  EXPECT_LT(HeapInUse() - std::min(before, HeapInUse()), std::size_t{16} << 20);
  EXPECT_EQ(ed->GridRows(), 300001);
  EXPECT_EQ(ed->TextMatrix(300000, 0), "300000");
  EXPECT_EQ(ed->TextMatrix(300000, 1), "far");
  EXPECT_EQ(ed->TextMatrix(299999, 1), "");
  ed->SetCellText(1, 2, "near");
  host.fileAnswers = {dir.File("far.csv")};
  ASSERT_TRUE(ed->mnuSaveAs_Click()) << ed->LastError();
  const LabelledMatrix back = ReadDataFile(dir.File("far.csv")).matrix;
  EXPECT_EQ(back.UpperRow(), 299999);
  EXPECT_EQ(back.UpperCol(), 1);
  EXPECT_EQ(CellText(back.Get(299999, 0)), "far");
  EXPECT_EQ(CellText(back.Get(0, 1)), "near");
  ed->SetCellText(WorksheetEditor::kMaxRows - 1, WorksheetEditor::kMaxCols - 1, "corner");
  EXPECT_TRUE(host.Messages().empty());
  EXPECT_EQ(ed->TextMatrix(WorksheetEditor::kMaxRows - 1, WorksheetEditor::kMaxCols - 1), "corner");
  EXPECT_EQ(ed->TextMatrix(0, WorksheetEditor::kMaxCols - 1), "XFD");
  ed->SetCellText(WorksheetEditor::kMaxRows, 1, "beyond");  // past a workbook's last row
  ASSERT_EQ(host.Messages().size(), 1u);
  EXPECT_EQ(host.Messages()[0],
            "The worksheet cannot grow to 1048577 rows by 16384 columns: a worksheet holds at most 1048576 rows "
            "and 16384 columns.");
}

// On a selection of a whole sheet of a workbook's full size, what would hold or write every
// cell is refused with a message and changes nothing; clearing touches only the texts held.
TEST_F(Editor, WhatASelectionTooLargeToHoldCanAndCannotDo) {
  struct Case {
    const char* name;
    void (*act)(WorksheetEditor&);
    std::string message;  // empty: none
    bool cleared;
  };
  const Case cases[] = {
      {"copy", [](WorksheetEditor& e) { e.mnuCopy_Click(); },
       "The selection holds more than 20000000 cells; nothing was copied.", false},
      {"cut", [](WorksheetEditor& e) { e.mnuCut_Click(); },
       "The selection holds more than 20000000 cells; nothing was copied.", false},
      {"fill",
       [](WorksheetEditor& e) {
         e.Fg2_KeyPress('7');
         e.txtEdit_KeyDown(kKeyReturn, 0);
       },
       "The text was not entered: the selection holds more than 20000000 cells to fill with it.", false},
      {"save", [](WorksheetEditor& e) { e.mnuSave_Click(); },
       "The worksheet was not saved to \"" + dir.File("huge.csv") +
           "\": its used area of 1048576 rows by 16384 columns holds more than 20000000 cells",
       false},
      {"delete", [](WorksheetEditor& e) { e.Fg2_KeyDown(kKeyDelete, 0); }, "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ed->InitializeNewWorksheet();
    ed->NewCaption(dir.File("huge.csv"));
    ed->SetCellText(1, 1, "first");
    ed->SetCellText(WorksheetEditor::kMaxRows - 1, WorksheetEditor::kMaxCols - 1, "last");
    ed->Fg2_SelChange(1, 1, ed->GridRows() - 1, ed->GridCols() - 1);
    host.calls.clear();
    host.clipboard = "before";
    c.act(*ed);
    if (!c.message.empty()) {
      ASSERT_EQ(host.Messages().size(), 1u);
      EXPECT_EQ(host.Messages()[0], c.message);
    } else {
      EXPECT_TRUE(host.Messages().empty());
    }
    EXPECT_EQ(host.clipboard, "before");
    EXPECT_FALSE(FileExists(dir.File("huge.csv")));
    EXPECT_EQ(ed->TextMatrix(1, 1), c.cleared ? "" : "first");
    EXPECT_EQ(ed->TextMatrix(WorksheetEditor::kMaxRows - 1, WorksheetEditor::kMaxCols - 1), c.cleared ? "" : "last");
  }
}

// A sheet with numbers, texts, a blank cell inside the used area, and texts that look
// almost like numbers.
void FillSample(WorksheetEditor& ed) {
  const char* rows[][4] = {{"Year", "C", "Note", ""},
                           {"1920", "39.8", "", "x"},
                           {"1921", "0.1", "12abc", ""},
                           {"1922", "-1.5e-07", " 3 ", "a,\"b\""}};
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      if (*rows[r][c]) ed.SetCellText(r + 1, c + 1, rows[r][c]);
    }
  }
}

TEST_F(Editor, SaveWritesTheUsedAreaAndLoadsBackInBothFormats) {
  FillSample(*ed);
  for (const char* name : {"sheet.csv", "sheet.xlsx"}) {
    SCOPED_TRACE(name);
    host.fileAnswers = {dir.File(name)};
    ASSERT_TRUE(ed->mnuSaveAs_Click()) << ed->LastError();
    EXPECT_FALSE(ed->Changed());
    EXPECT_EQ(ed->Caption(), "KRV Worksheet - " + dir.File(name));
    const DataFileResult back = ReadDataFile(dir.File(name));
    ASSERT_TRUE(back.error.empty()) << back.error;
    const LabelledMatrix& m = back.matrix;
    EXPECT_EQ(m.UpperRow(), 3);  // only the used area: 4 rows by 4 columns
    EXPECT_EQ(m.UpperCol(), 3);
    EXPECT_EQ(CellText(m.Get(0, 0)), "Year");
    EXPECT_EQ(std::get<double>(m.Get(1, 0)), 1920.0);
    EXPECT_EQ(std::get<double>(m.Get(1, 1)), 39.8);
    EXPECT_EQ(std::get<double>(m.Get(2, 1)), 0.1);
    EXPECT_EQ(std::get<double>(m.Get(3, 1)), -1.5e-07);
    EXPECT_EQ(std::get<double>(m.Get(3, 2)), 3.0) << "a text that reads wholly as a number is one";
    EXPECT_EQ(CellText(m.Get(2, 2)), "12abc");
    EXPECT_EQ(CellText(m.Get(3, 3)), "a,\"b\"");
    EXPECT_TRUE(IsBlank(m.Get(1, 2)));
    // Opened again, the sheet shows the same texts, and saved again gives the same file.
    const std::string first = TempDir::Read(dir.File(name));
    host.fileAnswers = {dir.File(name)};
    ed->mnuOpen_Click();
    EXPECT_EQ(ed->TextMatrix(2, 2), "39.8");
    EXPECT_EQ(ed->TextMatrix(4, 2), "-1.5e-07");
    EXPECT_FALSE(ed->Changed());
    ASSERT_TRUE(ed->mnuSave_Click());
    if (std::string(name) == "sheet.csv") {
      EXPECT_EQ(TempDir::Read(dir.File(name)), first);
    }
    EXPECT_EQ(ReadDataFile(dir.File(name)).matrix, m);
  }
}

TEST_F(Editor, SaveOnANeverSavedSheetRunsSaveAsAndAnXlsNameBecomesXlsx) {
  ed->SetCellText(1, 1, "5");
  EXPECT_FALSE(ed->mnuSave_Click());  // Save As cancelled: nothing written, still changed
  ASSERT_EQ(host.CallsOf("Save").size(), 1u);
  EXPECT_EQ(host.fileRequests.back().title, "Save");
  EXPECT_TRUE(ed->Changed());
  // A sheet opened from an .xls workbook is offered under its .xlsx name.
  ed->NewCaption(dir.File("old.xls"));
  host.fileAnswers = {dir.File("old.xlsx")};
  ASSERT_TRUE(ed->mnuSave_Click());
  EXPECT_EQ(host.fileRequests.back().defaultName, dir.File("old.xlsx"));
  EXPECT_FALSE(FileExists(dir.File("old.xls")));
  EXPECT_EQ(std::get<double>(ReadDataFile(dir.File("old.xlsx")).matrix.Get(0, 0)), 5.0);
  // An .xls name chosen in the dialog is written as .xlsx, and the person is told.
  ed->SetCellText(1, 1, "6");
  host.fileAnswers = {dir.File("new.xls")};
  ASSERT_TRUE(ed->mnuSaveAs_Click());
  EXPECT_TRUE(FileExists(dir.File("new.xlsx")));
  EXPECT_FALSE(FileExists(dir.File("new.xls")));
  EXPECT_NE(host.Messages().back().find("cannot write"), std::string::npos);
}

// A name chosen without an ending is saved under the first filter's (a workbook), not as
// comma-separated text under the bare name; a name with an ending keeps it.
TEST_F(Editor, SaveAsGivesANameWithoutAnEndingTheFiltersOne) {
  const std::pair<std::string, std::string> cases[] = {
      {"book", "book.xlsx"},
      {"sub.d/name", "sub.d/name.xlsx"},
      {"data.csv", "data.csv"},
      {"notes.txt", "notes.txt"},
  };
  std::filesystem::create_directories(dir.File("sub.d"));
  for (const auto& [answer, written] : cases) {
    SCOPED_TRACE(answer);
    ed->SetCellText(1, 1, "Year");
    ed->SetCellText(2, 1, "2001");
    host.fileAnswers = {dir.File(answer)};
    ASSERT_TRUE(ed->mnuSaveAs_Click()) << ed->LastError();
    EXPECT_EQ(ed->FileName(), dir.File(written));
    if (answer != written) {
      EXPECT_FALSE(FileExists(dir.File(answer)));
    }
    const bool workbook = written.ends_with(".xlsx");
    EXPECT_EQ(TempDir::Read(dir.File(written)).rfind("PK", 0) == 0, workbook);
    EXPECT_EQ(std::get<double>(ReadDataFile(dir.File(written)).matrix.Get(1, 0)), 2001.0);
  }
  FileDialogRequest request{"Save", kWorksheetFilter, "", "", {".xlsx", ".csv"}};
  EXPECT_EQ(request.WithExtension("/a/b", 1), "/a/b.csv");
  EXPECT_EQ(request.WithExtension("/a.b/c", 1), "/a.b/c.csv");
  EXPECT_EQ(request.WithExtension("/a/b.txt", 1), "/a/b.txt");
  EXPECT_EQ(request.WithExtension("/a/b", 2), "/a/b");
}

// The caption marks a sheet with changes not yet saved by a leading "*", from the first
// edit until a save, and not after a load or a close.
TEST_F(Editor, TheCaptionMarksUnsavedChanges) {
  const std::string saved = dir.File("marked.csv"), other = dir.Write("other.csv", "1,2\n");
  struct Step {
    const char* name;
    std::function<void()> act;
    std::string caption;
  };
  const Step steps[] = {
      {"new", [] {}, "KRV Worksheet"},
      {"a cell set", [&] { ed->SetCellText(1, 1, "a"); }, "*KRV Worksheet"},
      {"saved as",
       [&] {
         host.fileAnswers = {saved};
         ed->mnuSaveAs_Click();
       },
       "KRV Worksheet - " + saved},
      {"a letter typed", [&] { ed->Fg2_KeyPress('b'); }, "*KRV Worksheet - " + saved},
      {"saved", [&] { ed->mnuSave_Click(); }, "KRV Worksheet - " + saved},
      {"pasted", [&] { ed->PasteText("x\ty\n"); }, "*KRV Worksheet - " + saved},
      {"a save that fails",
       [&] {
         ed->NewCaption(dir.File("no such folder/marked.csv"));
         ed->mnuSave_Click();
       },
       "*KRV Worksheet - " + dir.File("no such folder/marked.csv")},
      {"opened",
       [&] {
         host.msgBoxAnswers = {vbNo};
         host.fileAnswers = {other};
         ed->mnuOpen_Click();
       },
       "KRV Worksheet - " + other},
      {"cleared", [&] { ed->Fg2_KeyDown(kKeyDelete, 0); }, "*KRV Worksheet - " + other},
      {"closed",
       [&] {
         host.msgBoxAnswers = {vbNo};
         ed->mnuClose_Click();
       },
       "KRV Worksheet"},
  };
  for (const Step& step : steps) {
    step.act();
    EXPECT_EQ(ed->Caption(), step.caption) << step.name;
  }
}

TEST_F(Editor, AWideFileWidensTheGrid) {
  std::string csv;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 80; ++c) csv += (c ? "," : "") + std::to_string(r * 100 + c);
    csv += "\n";
  }
  host.fileAnswers = {dir.Write("wide.csv", csv)};
  ed->mnuOpen_Click();
  EXPECT_EQ(ed->GridCols(), 79 + 5);  // the array's upper column bound + 5
  EXPECT_EQ(ed->GridRows(), 129);     // 2 + 10 rows would be fewer than a new sheet has
  EXPECT_EQ(ed->TextMatrix(3, 80), "279");
  EXPECT_EQ(ed->Caption(), "KRV Worksheet - " + dir.File("wide.csv"));
}

// Open offers the statistics programs' files beside the spreadsheets (Save does not) and
// shows one as a sheet.
TEST_F(Editor, OpenTakesAStatisticsProgramsDataFile) {
  host.fileAnswers = {
      dir.Write("q.gdt",
                "<?xml version=\"1.0\"?>\n<gretldata name=\"q\" frequency=\"4\" startobs=\"1990:4\" "
                "type=\"time-series\">\n<variables count=\"1\"><variable name=\"y\"/></variables>\n"
                "<observations count=\"2\" labels=\"false\"><obs>1.5</obs><obs>NA</obs></observations>\n"
                "</gretldata>\n")};
  ed->mnuOpen_Click();
  ASSERT_EQ(ed->LastError(), "");
  EXPECT_NE(host.fileRequests.back().filter.find("|Stata Data (*.dta)|*.dta|"), std::string::npos);
  // OpenDocument workbooks, which it reads, are offered too.
  EXPECT_NE(host.fileRequests.back().filter.find("|OpenDocument Spreadsheet (*.ods)|*.ods|"), std::string::npos);
  EXPECT_EQ(ed->TextMatrix(1, 2), "y");
  EXPECT_EQ(ed->TextMatrix(2, 1), "1990:4");
  EXPECT_EQ(ed->TextMatrix(3, 1), "1991:1");
  EXPECT_EQ(ed->TextMatrix(2, 2), "1.5");
  EXPECT_EQ(ed->TextMatrix(3, 2), "");
  host.fileAnswers = {};
  ed->mnuSaveAs_Click();
  EXPECT_EQ(host.fileRequests.back().filter.find(".dta"), std::string::npos);
}

TEST_F(Editor, OpenIgnoresACancelledDialogAMissingFileAndAnUnreadableOne) {
  ed->SetCellText(1, 1, "keep");
  host.msgBoxAnswers = {vbNo};
  ed->mnuOpen_Click();  // cancelled
  host.msgBoxAnswers = {vbNo};
  host.fileAnswers = {dir.File("missing.csv")};
  ed->mnuOpen_Click();
  host.msgBoxAnswers = {vbNo};
  host.fileAnswers = {dir.Write("bad.xlsx", std::string("PK\x03\x04\x14\0\0\0damaged", 16))};
  ed->mnuOpen_Click();
  EXPECT_NE(ed->LastError().find("bad.xlsx"), std::string::npos);
  EXPECT_EQ(ed->TextMatrix(1, 1), "keep");
}

// The question before the sheet is dropped, with its three answers, on Open, Close and
// unload.
TEST_F(Editor, TheQuestionsThreeAnswers) {
  enum class Drop { Open, Close, Unload };
  struct Case {
    Drop drop;
    int answer;
    bool saved;
    bool dropped;
  };
  const Case cases[] = {
      {Drop::Open, vbYes, true, true},   {Drop::Open, vbNo, false, true},   {Drop::Open, vbCancel, false, false},
      {Drop::Close, vbYes, true, true},  {Drop::Close, vbNo, false, true},  {Drop::Close, vbCancel, false, false},
      {Drop::Unload, vbYes, true, true}, {Drop::Unload, vbNo, false, true}, {Drop::Unload, vbCancel, false, false},
  };
  const std::string other = dir.Write("other.csv", "1,2\n");
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(n));
    if (!wb.Editor()) wb.cmdEdt_Click();
    ed = wb.Editor();
    const std::string target = dir.File("q" + std::to_string(n++) + ".csv");
    ed->NewCaption(target);
    ed->SetCellText(1, 1, "unsaved");
    host.calls.clear();
    host.msgBoxAnswers = {c.answer};
    if (c.drop == Drop::Open) {
      host.fileAnswers = {other};
      ed->mnuOpen_Click();
    } else if (c.drop == Drop::Close) {
      ed->mnuClose_Click();
    } else {
      std::string error;
      ASSERT_TRUE(Perform(wb, {ActionKind::Click, "frmEdit.mnuExit", {}, {}}, error)) << error;
    }
    ASSERT_EQ(host.Messages().size(), 1u);
    EXPECT_EQ(host.Messages()[0], kSaveChangesPrompt);
    EXPECT_EQ(host.CallsOf("MsgBox")[0].number, vbYesNoCancel + vbQuestion);
    EXPECT_EQ(FileExists(target), c.saved);
    if (c.drop == Drop::Unload) {
      EXPECT_EQ(wb.Editor() == nullptr, c.dropped);
      if (c.dropped) {
        EXPECT_EQ(host.services.back(), "EditorClosed");
      }
    } else {
      EXPECT_EQ(ed->TextMatrix(1, 1) != "unsaved", c.dropped);
      if (c.dropped) {
        EXPECT_FALSE(ed->Changed());
      }
      if (c.drop == Drop::Open && c.dropped) {
        EXPECT_EQ(ed->TextMatrix(1, 1), "1");
      }
      if (c.drop == Drop::Close && c.dropped) {
        EXPECT_EQ(ed->Caption(), "KRV Worksheet");
      }
    }
  }
  // A "Yes" whose save does not happen (the Save As dialog cancelled) keeps the sheet.
  if (!wb.Editor()) wb.cmdEdt_Click();
  ed = wb.Editor();
  ed->NewCaption("");
  ed->SetCellText(1, 1, "unsaved");
  host.msgBoxAnswers = {vbYes};
  host.fileAnswers = {std::nullopt};
  ed->mnuClose_Click();
  EXPECT_EQ(ed->TextMatrix(1, 1), "unsaved");
}

TEST_F(Editor, ExitingTheWorkbenchAsksAboutTheSheetFirst) {
  ed->SetCellText(1, 1, "unsaved");
  host.msgBoxAnswers = {vbCancel};
  wb.Exit();
  EXPECT_NE(wb.Editor(), nullptr);
  EXPECT_EQ(host.services.back(), "Editor");  // no exit
  host.msgBoxAnswers = {vbNo};
  wb.Exit();
  EXPECT_EQ(wb.Editor(), nullptr);
  EXPECT_EQ(host.services.back(), "Exit");
}

TEST_F(Editor, AScriptMakesADataFileAndLoadsItIntoTheModel) {
  std::ostringstream err;
  const std::string script =
      "click cmdEdt\n"
      "set frmEdit.Fg2(1,1) Year\n"
      "set frmEdit.Fg2(1,2) Y\n"
      "set frmEdit.Fg2(1,3) X\n"
      "set frmEdit.Fg2(2,1) 2001\n"
      "set frmEdit.Fg2(2,2) 10\n"
      "set frmEdit.Fg2(2,3) 4\n"
      "set frmEdit.Fg2(3,1) 2002\n"
      "set frmEdit.Fg2(3,2) 42.5\n"
      "set frmEdit.Fg2(3,3) 5\n"
      "set frmEdit.Fg2 3,2\n"
      "set frmEdit.Fg2.KeyPress 9\n"
      "set frmEdit.txtEdit 9.75\n"
      "set frmEdit.txtEdit.KeyDown 13\n"
      "answer out.csv\n"
      "click frmEdit.mnuSaveAs\n"
      "click frmEdit.mnuExit\n"
      "set txtData(0) out.csv\n"
      "dump mObserved observed.csv\n";
  const int status = PlayScriptText(script, dir.path().string(), PlayOptions{}, err);
  ASSERT_EQ(status, 0) << err.str();
  const std::string observed = TempDir::Read(dir.File("observed.csv"));
  EXPECT_NE(observed.find("2002,9.75,5"), std::string::npos) << observed;
  // A cell by indices takes only a text; the editor's controls need the editor open.
  std::ostringstream err2;
  EXPECT_NE(PlayScriptText("click frmEdit.mnuNew\n", dir.path().string(), PlayOptions{}, err2), 0);
  EXPECT_NE(err2.str().find("not open"), std::string::npos) << err2.str();
}

}  // namespace
}  // namespace quantorial
