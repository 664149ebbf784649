// Workbooks written from matrices: values read back, the column cut, the sheets of an existing
// workbook kept, a worksheet written whole, and the directives that format a sheet.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "MatrixBuilder.h"
#include "PackageWriter.h"
#include "TempDir.h"
#include "export/Directives.h"
#include "export/Export.h"
#include "export/Sheet.h"
#include "io/DataFile.h"
#include "io/XlsxReader.h"

namespace quantorial {
namespace {

using testing::Dump;
using testing::E;
using testing::M;
using testing::ReadZipPart;
using testing::T;
using testing::TempDir;

TEST(Export, ValuesReadBackAndTheColumnCut) {
  TempDir dir;
  LabelledMatrix wide = LabelledMatrix::Dimension(2, 150);
  for (int j = 0; j <= 150; ++j) {
    wide.Set(0, j, "c" + std::to_string(j));
    wide.Set(1, j, static_cast<double>(j));
    wide.Set(2, j, std::string(j % 2 ? "12.5" : "text"));
  }
  std::string error;
  ASSERT_TRUE(ExportArrayToExcel(wide, dir.File("wide"), 2, 3, "Data", "", 0, 0, error)) << error;
  const auto r = ReadDataFile(dir.File("wide.xlsx"));
  ASSERT_EQ(r.error, "");
  // The block starts at C2; columns beyond the 128th (DX) are cut: 126 of the matrix's.
  EXPECT_EQ(r.matrix.UpperCol(), 125);
  EXPECT_EQ(r.matrix.Get(0, 0), Cell(std::string("c0")));
  EXPECT_EQ(r.matrix.Get(1, 125), Cell(125.0));
  EXPECT_EQ(r.matrix.Get(2, 1), Cell(12.5));  // a text reading as a number is written as one
  EXPECT_NE(ReadZipPart(dir.File("wide.xlsx"), "xl/workbook.xml")->find("name=\"Data\""), std::string::npos);
  // The last row and a refused format source.
  ASSERT_TRUE(ExportArrayToExcel(wide, dir.File("short"), 1, 1, "", "", 1, 0, error));
  EXPECT_EQ(ReadDataFile(dir.File("short.xlsx")).matrix.UpperRow(), 1);
  EXPECT_TRUE(ExportArrayToExcel(LabelledMatrix(), dir.File("none"), 1, 1, "", "", 0, 0, error));
  EXPECT_FALSE(std::filesystem::exists(dir.File("none.xlsx")));
}

// Adds a sheet "Notes" holding "kept" at (row, col) to a written workbook, by hand: the
// workbook is read back into the sheet model (values only) and written again.
void AddNotesSheet(const std::string& path, int row, int col) {
  std::vector<WorkbookSheet> sheets;
  std::string error;
  ASSERT_TRUE(ReadXlsxSheets(path, sheets, error)) << error;
  Workbook book;
  for (auto& s : sheets) {
    Sheet sheet;
    sheet.name = s.name;
    for (auto& e : s.cells) sheet.At(static_cast<int>(e.row), static_cast<int>(e.col)).value = e.cell;
    book.sheets.push_back(sheet);
  }
  Sheet notes;
  notes.name = "Notes";
  notes.At(row, col).value = std::string("kept");
  book.sheets.push_back(notes);
  ASSERT_TRUE(WriteWorkbook(book, path, error)) << error;
}

TEST(Export, AnExistingWorkbookKeepsItsSheets) {
  TempDir dir;
  std::string error;
  ASSERT_TRUE(ExportArrayToExcel(M({{T("a"), 1.0}}), dir.File("book"), 1, 1, "First", "", 0, 0, error));
  // Add a second sheet by hand, then export into the same workbook again.
  AddNotesSheet(dir.File("book.xlsx"), 4, 2);
  std::vector<WorkbookSheet> sheets;
  ASSERT_TRUE(ExportArrayToExcel(M({{T("b"), 2.0}}), dir.File("book"), 3, 1, "", "", 0, 0, error)) << error;
  ASSERT_TRUE(ReadXlsxSheets(dir.File("book.xlsx"), sheets, error));
  ASSERT_EQ(sheets.size(), 2u);
  EXPECT_EQ(sheets[0].name, "First");
  EXPECT_EQ(sheets[1].name, "Notes");
  EXPECT_EQ(sheets[0].cells.size(), 4u);  // a, 1 on row 1 and b, 2 on row 3
  EXPECT_EQ(sheets[1].cells.at(0).cell, Cell(std::string("kept")));
  EXPECT_EQ(sheets[1].cells.at(0).row, 4);
}

std::string Part(const std::string& book, const char* part) { return ReadZipPart(book, part).value_or(""); }

// The worksheet editor's save: every column, only what the sheet holds now, texts of any
// bytes, and a workbook's other sheets kept.
TEST(Export, AWorksheetIsWrittenWholeAndReplacesWhatTheSheetHeld) {
  TempDir dir;
  std::string error;
  LabelledMatrix sheet = LabelledMatrix::Dimension(3, 199);
  for (int j = 0; j <= 199; ++j) sheet.Set(0, j, "c" + std::to_string(j));
  sheet.Set(1, 0, 1.5);
  sheet.Set(1, 150, -2.0);  // a gap before it: the cell takes its reference
  sheet.Set(2, 1, std::string("a<b & \"c\"\x01 \xC3\xA9\xFF "));
  sheet.Set(3, 199, std::string("last"));
  const std::string book = dir.File("sheet.xlsx");
  ASSERT_TRUE(ExportWorksheet(sheet, book, error)) << error;
  const auto r = ReadDataFile(book);
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.matrix.UpperCol(), 199);  // no cut at 128 columns
  EXPECT_EQ(r.matrix.Get(1, 0), Cell(1.5));
  EXPECT_EQ(r.matrix.Get(1, 150), Cell(-2.0));
  EXPECT_TRUE(IsEmpty(r.matrix.Get(1, 149)));
  // Markup escaped, a control character dropped, a byte that is not UTF-8 replaced.
  EXPECT_EQ(r.matrix.Get(2, 1), Cell(std::string("a<b & \"c\" \xC3\xA9\xEF\xBF\xBD ")));
  EXPECT_EQ(r.matrix.Get(3, 199), Cell(std::string("last")));
  // Saved again smaller: the cells that are gone do not come back.
  ASSERT_TRUE(ExportWorksheet(M({{T("only")}}), book, error)) << error;
  EXPECT_EQ(ReadDataFile(book).matrix.UpperRow(), 0);
  EXPECT_EQ(ReadDataFile(book).matrix.UpperCol(), 0);
  // A workbook of two sheets keeps the other one and its first sheet's name.
  ASSERT_TRUE(
      ExportArrayToExcel(M({{T("old"), 1.0}, {T("gone"), 2.0}}), dir.File("two"), 1, 1, "Data", "", 0, 0, error));
  AddNotesSheet(dir.File("two.xlsx"), 0, 0);
  std::vector<WorkbookSheet> sheets;
  ASSERT_TRUE(ExportWorksheet(M({{T("new")}}), dir.File("two.xlsx"), error)) << error;
  ASSERT_TRUE(ReadXlsxSheets(dir.File("two.xlsx"), sheets, error));
  ASSERT_EQ(sheets.size(), 2u);
  EXPECT_EQ(sheets[0].name, "Data");
  ASSERT_EQ(sheets[0].cells.size(), 1u);
  EXPECT_EQ(sheets[0].cells[0].cell, Cell(std::string("new")));
  EXPECT_EQ(sheets[1].cells.at(0).cell, Cell(std::string("kept")));
  // A single-sheet workbook keeps its sheet's name.
  ASSERT_TRUE(ExportArrayToExcel(M({{T("x")}}), dir.File("one"), 1, 1, "Series", "", 0, 0, error));
  ASSERT_TRUE(ExportWorksheet(M({{T("y")}}), dir.File("one.xlsx"), error)) << error;
  EXPECT_NE(Part(dir.File("one.xlsx"), "xl/workbook.xml").find("name=\"Series\""), std::string::npos);
}

TEST(Export, DirectivesFormatTheSheet) {
  TempDir dir;
  ProcessBorderSettings() = BorderSettings{};
  const std::string directives = dir.Write("format.txt",
                                           "' a comment: bold 1 stays a comment\n"
                                           "\n"
                                           "  SELECT B2:C3  \n"
                                           "nformat 3\n"
                                           "bold 1\n"
                                           "bgcolor 65535\n"
                                           "select a1:b1\n"
                                           "align -4108,-4107,0,0,0,1\n"
                                           "colwidth C:C,30\n"
                                           "select D1\n"
                                           "hidecolumn true\n"
                                           "select A4\n"
                                           "raise R1\n"
                                           "rowheight not-a-range,40\n"
                                           "frobnicate 1,2,3\n"
                                           "border all,,,A1:C3\n"
                                           "zoom 150\n"
                                           "showgridlines 0\n");
  const auto m =
      M({{T("Name"), T("x"), T("y"), T("z")}, {T("a"), 1.0, 2.0, 3.0}, {T("b"), 4.0, 5.0, 6.0}, {T("m2"), E, E, E}});
  std::string error;
  ASSERT_TRUE(ExportArrayToExcel(m, dir.File("f"), 1, 1, "Styled", directives, 0, 0, error)) << error;
  const std::string book = dir.File("f.xlsx");
  const std::string styles = Part(book, "xl/styles.xml");
  const std::string sheet = Part(book, "xl/worksheets/sheet1.xml");
  const std::string strings = Part(book, "xl/sharedStrings.xml");
  EXPECT_NE(styles.find("formatCode=\"#,##0.000_);(#,##0.000)\""), std::string::npos);
  EXPECT_NE(styles.find("<b/>"), std::string::npos);
  EXPECT_NE(styles.find("rgb=\"FFFFFF00\""), std::string::npos);       // 65535 is yellow
  EXPECT_NE(styles.find("<left style=\"thin\">"), std::string::npos);  // line type 1, weight 2
  EXPECT_NE(sheet.find("<mergeCell ref=\"A1:B1\"/>"), std::string::npos);
  EXPECT_NE(sheet.find("width=\"30."), std::string::npos);
  EXPECT_NE(sheet.find("hidden=\"1\""), std::string::npos);
  EXPECT_NE(sheet.find("zoomScale=\"150\""), std::string::npos);
  EXPECT_NE(sheet.find("showGridLines=\"0\""), std::string::npos);
  EXPECT_NE(strings.find("<vertAlign val=\"superscript\"/>"), std::string::npos);
  EXPECT_NE(Part(book, "xl/workbook.xml").find("name=\"Styled\""), std::string::npos);
  // The values are still there, and the failing and unknown directives stopped nothing.
  EXPECT_EQ(Dump(ReadDataFile(book).matrix), "\"Name\",\"x\",\"y\",\"z\"\n\"a\",1,2,3\n\"b\",4,5,6\n\"m2\",,,\n");
  // The line settings last for the process: a later export draws with them.
  dir.Write("lines.txt", "linetype -4119\nlinethickness 4\n");
  ASSERT_TRUE(ExportArrayToExcel(m, dir.File("g"), 1, 1, "", dir.File("lines.txt"), 0, 0, error));
  dir.Write("border.txt", "border all,,,A1:B2\n");
  ASSERT_TRUE(ExportArrayToExcel(m, dir.File("h"), 1, 1, "", dir.File("border.txt"), 0, 0, error));
  EXPECT_NE(Part(dir.File("h.xlsx"), "xl/styles.xml").find("style=\"double\""), std::string::npos);
  ProcessBorderSettings() = BorderSettings{};
}

// Directives on whole sheets and with numbers beyond every range: the sheet model stays the
// size of its data, and each number is either used within its range or the statement is
// not carried out. (The sanitizer build runs this for undefined behaviour.)
TEST(Export, HostileDirectivesStayInBounds) {
  Sheet sheet;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 3; ++c) sheet.At(r, c).value = r == 0 ? Cell(std::string("h")) : Cell(double(r * 10 + c));
  }
  DirectiveRunner run(sheet);
  const struct {
    const char* line;
    bool carried;
  } lines[] = {
      {"select A1:XFD1048576", true},
      {"bold 1", true},
      {"border all", true},
      {"sort A1:XFD1048576,A1", true},
      {"subtotal 1e300,1e300,-1e300", false},
      {"subtotal 2147483647,2", false},
      {"bgcolor 1e300", true},
      {"bgcolor -inf", true},
      {"align 1e300,-1e300,0,1e99,0", true},
      {"font Arial,1e300,0,0,0,0,0,1e300,1e300", true},
      {"color 1e300", true},
      {"linethickness 1e300", true},
      {"linetype -1e300", true},
      {"zoom 1e300", true},
      {"nformat 1e300", true},
      {"rowheight A1,1e300", false},
      {"colwidth A1,-3", false},
      {"graphic pic.png,1e300,1", false},
      {"select A2", true},
      {"raise 1e300,1e300", true},
      {"raise r1e300", true},
  };
  for (const auto& l : lines) EXPECT_EQ(run.Run(l.line), l.carried) << l.line;
  EXPECT_LE(sheet.cells.size(), 12u);  // nothing beyond the data was made
  EXPECT_TRUE(sheet.At(1, 1).format.bold);
  EXPECT_EQ(sheet.zoom, 100);
  EXPECT_EQ(sheet.At(3, 2).format.fontSize, 0.0);  // an impossible size is not set
  EXPECT_TRUE(sheet.pictures.empty());
  EXPECT_TRUE(sheet.rowHeights.empty());
}

TEST(Export, SortAndSubtotal) {
  TempDir dir;
  const auto m = M({{T("Region"), T("Sales")}, {T("west"), 5.0}, {T("East"), 2.0}, {T("west"), 1.0}, {T("east"), 4.0}});
  dir.Write("s.txt", "sort A2:B5,A2\nselect A1:B5\nsubtotal 1,2\n");
  std::string error;
  ASSERT_TRUE(ExportArrayToExcel(m, dir.File("s"), 1, 1, "", dir.File("s.txt"), 0, 0, error)) << error;
  EXPECT_EQ(Dump(ReadDataFile(dir.File("s.xlsx")).matrix),
            "\"Region\",\"Sales\"\n\"East\",2\n\"east\",4\n\"East Total\",6\n\"west\",5\n\"west\",1\n"
            "\"west Total\",6\n\"Grand Total\",12\n");
  const std::string sheet = Part(dir.File("s.xlsx"), "xl/worksheets/sheet1.xml");
  EXPECT_NE(sheet.find("SUBTOTAL(9,B2:B3)"), std::string::npos);
  EXPECT_NE(sheet.find("outlineLevel=\"2\""), std::string::npos);
}

TEST(Export, BuiltInLayoutFit) {
  TempDir dir;
  LabelledMatrix m = LabelledMatrix::Dimension(5, 12);
  for (int i = 0; i <= 5; ++i) {
    for (int j = 0; j <= 12; ++j) m.Set(i, j, std::string("cell") + std::to_string(i) + "_" + std::to_string(j));
  }
  std::string error;
  ASSERT_TRUE(ExportArrayToExcel(m, dir.File("fit"), 1, 1, "", "FIT", 0, 0, error)) << error;
  const std::string sheet = Part(dir.File("fit.xlsx"), "xl/worksheets/sheet1.xml");
  EXPECT_NE(sheet.find("<mergeCell ref=\"I3:J3\"/>"), std::string::npos);
  EXPECT_NE(sheet.find("<mergeCell ref=\"K3:L3\"/>"), std::string::npos);
  EXPECT_NE(sheet.find("zoomScale=\"75\""), std::string::npos);
  EXPECT_NE(Part(dir.File("fit.xlsx"), "xl/styles.xml").find("style=\"double\""), std::string::npos);
}

TEST(Export, GraphicInsertsAPicture) {
  TempDir dir;
  // A 1 x 1 PNG.
  const unsigned char png[] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48,
                               0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00,
                               0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x44, 0x41, 0x54, 0x78,
                               0x9C, 0x63, 0xF8, 0xCF, 0xC0, 0xF0, 0x1F, 0x00, 0x05, 0x00, 0x01, 0xFF, 0x89, 0x99,
                               0x3D, 0x1D, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
  const std::string picture = dir.Write("logo.png", std::string(reinterpret_cast<const char*>(png), sizeof png));
  dir.Write("g.txt", "graphic " + picture + ",10,20\ngraphic " + dir.File("missing.png") + "\n");
  std::string error;
  ASSERT_TRUE(ExportArrayToExcel(M({{T("a")}}), dir.File("pic"), 1, 1, "", dir.File("g.txt"), 0, 0, error)) << error;
  EXPECT_TRUE(ReadZipPart(dir.File("pic.xlsx"), "xl/media/image1.png").has_value());
  EXPECT_FALSE(ReadZipPart(dir.File("pic.xlsx"), "xl/media/image2.png").has_value());
}

TEST(Export, ProgressEveryHundredLines) {
  TempDir dir;
  std::string lines;
  for (int i = 0; i < 250; ++i) lines += "bold 1\n";
  const std::string format = dir.Write("long.txt", lines);
  std::vector<std::string> shown;
  std::string error;
  ASSERT_TRUE(ExportArrayToExcel(M({{T("a")}}), dir.File("p"), 1, 1, "", format, 0, 0, error,
                                 [&](const std::string& text) { shown.push_back(text); }));
  EXPECT_EQ(shown, (std::vector<std::string>{"Exporting data to Excel...please wait!",
                                             "Exporting data to Excel...please wait!\nLine Format 100 (40%)",
                                             "Exporting data to Excel...please wait!\nLine Format 200 (80%)", ""}));
}

}  // namespace
}  // namespace quantorial
