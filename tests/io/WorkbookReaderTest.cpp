// Workbooks of every format into the same LabelledMatrix: files made by LibreOffice from
// one sheet, a workbook written with libxlsxwriter, packages written part by part, BIFF8
// streams in a compound file, and damaged files.

#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <tuple>

#include "MatrixBuilder.h"
#include "PackageWriter.h"
#include "TempDir.h"
#include "io/DataFile.h"
#include "io/SheetCells.h"

namespace quantorial {
namespace {

using testing::BiffStream;
using testing::Dump;
using testing::TempDir;

std::string Fixture(const std::string& name) { return std::string(QUANTORIAL_FIXTURES) + "/" + name; }

std::string Load(const std::string& path) {
  const DataFileResult r = ReadDataFile(path);
  EXPECT_EQ(r.error, "") << path;
  return Dump(r.matrix);
}

std::string LoadError(const std::string& path) {
  const DataFileResult r = ReadDataFile(path);
  EXPECT_FALSE(r.matrix.IsAssigned()) << path;
  return r.error;
}

// The sheet of fixtures/workbook.fods: it starts at C3; it has numbers, texts with
// quotes, commas, runs of blanks and two paragraphs, a boolean formula, dates with and
// without a time, a formula with a number result and empty cells.
const char* kFixtureDump =
    "\"Name\",\"Value\",\"Flag\",\"When\",\"Twice\",\"Label\"\n"
    "\"alpha\",1.5,1,\"2020-01-31\",3,\"x  alpha\nsecond line\"\n"
    "\"beta \"\"b\"\"\",-0.25,0,\"2021-06-15 13:45:00\",\"FALSE\",\n"
    ",1e-07,,,1.25,\"last, cell\"\n";

TEST(Workbooks, EveryFormatOfOneSheetLoadsAlike) {
  for (const char* name : {"workbook.xlsx", "workbook.ods", "workbook.xls"}) {
    EXPECT_EQ(Load(Fixture(name)), kFixtureDump) << name;
  }
}

TEST(Workbooks, FormatIsToldByContentNotByName) {
  TempDir dir;
  for (const char* name : {"workbook.xlsx", "workbook.ods", "workbook.xls"}) {
    const std::string misnamed = dir.File(std::string(name) + ".csv");
    std::filesystem::copy_file(Fixture(name), misnamed);
    EXPECT_EQ(Load(misnamed), kFixtureDump) << name;
  }
}

TEST(Workbooks, WrittenWithLibxlsxwriter) {
  TempDir dir;
  const std::string path = dir.File("made.xlsx");
  lxw_workbook* wb = workbook_new(path.c_str());
  lxw_worksheet* ws = workbook_add_worksheet(wb, "Series");
  lxw_format* date = workbook_add_format(wb);
  format_set_num_format(date, "dd/mm/yyyy");
  lxw_format* stamp = workbook_add_format(wb);
  format_set_num_format(stamp, "yyyy-mm-dd hh:mm");
  lxw_format* money = workbook_add_format(wb);
  format_set_num_format(money, "#,##0.00 \"kr\"");
  worksheet_write_string(ws, 2, 2, "Year", nullptr);  // C3
  worksheet_write_string(ws, 2, 3, "GDP", nullptr);
  worksheet_write_string(ws, 2, 4, "Note", nullptr);
  worksheet_write_number(ws, 3, 2, 1990, nullptr);
  worksheet_write_number(ws, 3, 3, 0.1, money);  // a number format that is not a date
  worksheet_write_boolean(ws, 3, 4, 1, nullptr);
  worksheet_write_number(ws, 4, 2, 1991, nullptr);
  worksheet_write_formula_num(ws, 4, 3, "=D4*2", nullptr, 0.2);
  worksheet_write_formula_str(ws, 4, 4, "=\"up\"", nullptr, "up");
  lxw_datetime d = {2020, 1, 31, 0, 0, 0};
  worksheet_write_datetime(ws, 5, 2, &d, date);
  lxw_datetime t = {1999, 12, 31, 23, 59, 30};
  worksheet_write_datetime(ws, 5, 3, &t, stamp);
  worksheet_write_blank(ws, 5, 4, date);
  worksheet_write_string(workbook_add_worksheet(wb, "Other"), 0, 0, "not read", nullptr);
  ASSERT_EQ(workbook_close(wb), LXW_NO_ERROR);
  EXPECT_EQ(Load(path),
            "\"Year\",\"GDP\",\"Note\"\n1990,0.1,\"TRUE\"\n1991,0.2,\"up\"\n\"2020-01-31\",\"1999-12-31 23:59:30\",\n");
}

const char* kContentTypes =
    "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>";

std::string Rels(const std::string& body) {
  return "<?xml version=\"1.0\"?><Relationships "
         "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
         body + "</Relationships>";
}

const char* kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

TEST(Workbooks, PackagesWrittenPartByPart) {
  TempDir dir;
  const std::string main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
  // Absolute targets, an unusual sheet file name, prefixed element names, inline and
  // rich strings with phonetic runs, error and formula-text cells, cells without a
  // reference, a 1904 date and a custom date format.
  const std::string path = dir.File("parts.xlsx");
  ASSERT_TRUE(testing::WriteZip(
      path,
      {{"[Content_Types].xml", kContentTypes},
       {"_rels/.rels", Rels("<Relationship Id=\"rId1\" Type=\"" + std::string(kRelNs) +
                            "/officeDocument\" Target=\"/book/wb.xml\"/>")},
       {"book/wb.xml", "<?xml version=\"1.0\"?><x:workbook xmlns:x=\"" + main + "\" xmlns:r=\"" + kRelNs +
                           "\"><x:workbookPr date1904=\"1\"/><x:sheets><x:sheet name=\"Hidden first?\" sheetId=\"7\" "
                           "r:id=\"rId9\"/><x:sheet name=\"B\" sheetId=\"1\" r:id=\"rId2\"/></x:sheets></x:workbook>"},
       {"book/_rels/wb.xml.rels", Rels("<Relationship Id=\"rId9\" Type=\"" + std::string(kRelNs) +
                                       "/worksheet\" Target=\"/book/sheets/data%20one.xml\"/>"
                                       "<Relationship Id=\"rId2\" Type=\"" +
                                       kRelNs +
                                       "/worksheet\" Target=\"sheets/other.xml\"/>"
                                       "<Relationship Id=\"rId3\" Type=\"" +
                                       kRelNs +
                                       "/sharedStrings\" Target=\"strings.xml\"/>"
                                       "<Relationship Id=\"rId4\" Type=\"" +
                                       kRelNs + "/styles\" Target=\"../book/st.xml\"/>")},
       {"book/strings.xml",
        "<?xml version=\"1.0\"?><sst xmlns=\"" + main +
            "\"><si><t>plain</t></si><si><r><rPr><b/></rPr><t>ri</t></r><r><t xml:space=\"preserve\">ch "
            "</t></r><rPh sb=\"0\" eb=\"1\"><t>PHONETIC</t></rPh></si><si><t/></si></sst>"},
       {"book/st.xml", "<?xml version=\"1.0\"?><styleSheet xmlns=\"" + main +
                           "\"><numFmts count=\"1\"><numFmt numFmtId=\"170\" formatCode=\"[$-409]d\\-mmm\\-yy;@\"/>"
                           "</numFmts><cellXfs count=\"3\"><xf numFmtId=\"0\"/><xf numFmtId=\"170\"/><xf "
                           "numFmtId=\"10\"/></cellXfs></styleSheet>"},
       {"book/sheets/data one.xml",
        "<?xml version=\"1.0\"?><worksheet xmlns=\"" + main +
            "\"><sheetData>"
            "<row r=\"2\"><c r=\"B2\" t=\"inlineStr\"><is><t>in</t><r><t>line</t></r></is></c>"
            "<c t=\"s\"><v>1</v></c><c t=\"s\"><v>2</v></c><c t=\"s\"><v>0</v></c></row>"
            "<row><c r=\"B3\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c><c t=\"str\"><f>\"a\"</f><v>0042</v></c>"
            "<c t=\"b\"><v>0</v></c><c s=\"1\"><v>0</v></c></row>"
            "<row r=\"4\"><c r=\"C4\" s=\"2\"><v>0.25</v></c><c r=\"D4\" t=\"d\"><v>2021-03-04T05:06:07Z</v></c>"
            "<c r=\"E4\"><f>A1</f></c><c r=\"F4\" s=\"9\"><v> 12 </v></c></row>"
            "</sheetData></worksheet>"},
       {"book/sheets/other.xml",
        "<worksheet xmlns=\"" + main +
            "\"><sheetData><row r=\"1\"><c r=\"A1\"><v>9</v></c></row></sheetData></worksheet>"}}));
  EXPECT_EQ(Load(path),
            "\"inline\",\"rich \",,\"plain\",\n"
            "\"#DIV/0!\",\"0042\",\"FALSE\",\"1904-01-01\",\n"
            ",0.25,\"2021-03-04 05:06:07\",,12\n");
}

TEST(Workbooks, MinimalPackageWithoutStylesOrStrings) {
  TempDir dir;
  const std::string path = dir.File("min.xlsx");
  ASSERT_TRUE(testing::WriteZip(
      path, {{"[Content_Types].xml", kContentTypes},
             {"xl/workbook.xml",
              "<workbook xmlns:r=\"" + std::string(kRelNs) + "\"><sheets><sheet r:id=\"a\"/></sheets></workbook>"},
             {"xl/_rels/workbook.xml.rels",
              Rels("<Relationship Id=\"a\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>")},
             {"xl/worksheets/sheet1.xml",
              "<worksheet><sheetData><row><c><v>1</v></c><c><v>2</v></c></row><row><c r=\"C2\"><v>3</v></c></row>"
              "</sheetData></worksheet>"}}));
  EXPECT_EQ(Load(path), "1,2,\n,,3\n");
}

TEST(Workbooks, SheetMarkupOfEveryKindAndAcrossChunks) {
  TempDir dir;
  // Many cells whose markup and references fall across the reader's 64 KiB chunks, and
  // comments, CDATA, character references and single-quoted attributes on the way.
  std::string rows;
  for (int r = 1; r <= 3000; ++r) {
    rows += "<row r='" + std::to_string(r) + "'><!-- row " + std::to_string(r) + " -->";
    for (int c = 0; c < 4; ++c) {
      rows += "<c t=\"inlineStr\"><is><t>a&amp;b&#x263A;&lt;" + std::to_string(c) + "</t></is></c>";
    }
    rows += "<c><v>" + std::to_string(r) + ".5</v></c><c t='inlineStr'><is><t><![CDATA[x<y&z]]></t></is></c></row>";
  }
  const auto Package = [&](const std::string& sheet) {
    return std::map<std::string, std::string>{
        {"[Content_Types].xml", kContentTypes},
        {"xl/workbook.xml",
         "<workbook xmlns:r=\"" + std::string(kRelNs) + "\"><sheets><sheet r:id=\"a\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         Rels("<Relationship Id=\"a\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>")},
        {"xl/worksheets/sheet1.xml", sheet}};
  };
  ASSERT_TRUE(testing::WriteZip(dir.File("big.xlsx"), Package("<?xml version=\"1.0\"?>\n<worksheet><sheetData>" + rows +
                                                              "</sheetData></worksheet>")));
  const DataFileResult r = ReadDataFile(dir.File("big.xlsx"));
  ASSERT_EQ(r.error, "");
  ASSERT_EQ(r.matrix.UpperRow(), 2999);
  ASSERT_EQ(r.matrix.UpperCol(), 5);
  for (int i = 0; i <= 2999; ++i) {
    for (int c = 0; c < 4; ++c) {
      ASSERT_EQ(r.matrix.Value(i, c), Cell("a&b\xE2\x98\xBA<" + std::to_string(c))) << i << "," << c;
    }
    ASSERT_EQ(r.matrix.Value(i, 4), Cell(i + 1.5));
    ASSERT_EQ(r.matrix.Value(i, 5), Cell(std::string("x<y&z")));
  }
  // Markup that is not well formed is reported, not guessed at.
  for (const std::string& bad : {std::string("<worksheet><sheetData><row><c><v>1</v></c></row></sheetData>"),
                                 std::string("<worksheet><sheetData><row><c r=\"A1><v>1</v></c>"),
                                 std::string("<worksheet><c r=A1/></worksheet>"), std::string("")}) {
    ASSERT_TRUE(testing::WriteZip(dir.File("bad.xlsx"), Package(bad)));
    EXPECT_NE(LoadError(dir.File("bad.xlsx")).find("sheet1.xml is not well-formed XML"), std::string::npos) << bad;
  }
}

// ---- BIFF8 ----

std::string Bof(unsigned type) { return BiffStream::U16(0x0600) + BiffStream::U16(type) + std::string(12, '\0'); }

std::string Cell3(unsigned row, unsigned col, unsigned xf) {
  return BiffStream::U16(row) + BiffStream::U16(col) + BiffStream::U16(xf);
}

// A workbook stream with the given global records before the sheet list and the given
// records in its first sheet.
std::string Workbook(const std::string& globals, const std::string& sheet, bool secondSheet = false) {
  BiffStream g;
  g.Record(0x0809, Bof(0x0005));
  g.Record(0x0022, BiffStream::U16(0));  // DATEMODE 1900
  const std::string head = g.Bytes() + globals;
  // The BOUNDSHEET records point at the sheets' offsets, known once the globals are laid out.
  const std::size_t boundsheetSize = 4 + 4 + 2 + 2 + 2;  // header, offset, state and type, name
  const std::size_t eofSize = 4;
  const std::size_t sheetStart = head.size() + boundsheetSize * (secondSheet ? 2 : 1) + eofSize;
  BiffStream s;
  s.Record(0x0809, Bof(0x0010));
  const std::string sheetBytes = s.Bytes() + sheet + BiffStream().Record(0x000A, "").Bytes();
  BiffStream bounds;
  if (secondSheet) {  // a chart sheet first: not a worksheet, so it is passed over
    bounds.Record(0x0085, BiffStream::U32(static_cast<std::uint32_t>(sheetStart + sheetBytes.size())) +
                              std::string("\x00\x02", 2) + std::string("\x02\x00", 2) + "Ch");
  }
  bounds.Record(0x0085, BiffStream::U32(static_cast<std::uint32_t>(sheetStart)) + std::string("\x00\x00", 2) +
                            std::string("\x02\x00", 2) + "S1");
  std::string out = head + bounds.Bytes() + BiffStream().Record(0x000A, "").Bytes();
  EXPECT_EQ(out.size(), sheetStart);
  return out + sheetBytes;
}

std::string LoadBiff(const TempDir& dir, const std::string& name, const std::string& stream) {
  std::ofstream(dir.File(name), std::ios::binary) << testing::CompoundFile(stream);
  return dir.File(name);
}

TEST(Workbooks, BiffRecordsOfEveryKind) {
  TempDir dir;
  using B = BiffStream;
  // The shared strings: "Name", then "héllк" split over a CONTINUE record that switches
  // from 8-bit to 16-bit characters, then a rich string with two formatting runs.
  const std::string sstHead = B::U32(3) + B::U32(3) + B::Str("Name") + B::U16(5) + std::string(1, '\0') + "h\xE9l";
  const std::string sstCont = std::string(1, '\x01') + B::U16('l') + B::U16(0x43A);  // "l" and Cyrillic "к"
  const std::string rich = B::U16(3) + std::string(1, '\x08') + B::U16(2) + "abc" + std::string(8, '\x01');
  std::string globals = B().Record(0x041E, B::U16(170) + B::Str("yyyy\\-mm\\-dd"))            // FORMAT
                            .Record(0x00E0, B::U16(0) + B::U16(0) + std::string(16, '\0'))    // XF 0: General
                            .Record(0x00E0, B::U16(0) + B::U16(170) + std::string(16, '\0'))  // XF 1: custom date
                            .Record(0x00E0, B::U16(0) + B::U16(14) + std::string(16, '\0'))   // XF 2: built-in date
                            .Record(0x00FC, sstHead)
                            .Record(0x003C, sstCont + rich)
                            .Bytes();
  std::string sheet =
      B().Record(0x00FD, Cell3(0, 0, 0) + B::U32(0))                          // A1 "Name"
          .Record(0x00FD, Cell3(0, 1, 0) + B::U32(1))                         // B1 "héllк"
          .Record(0x00FD, Cell3(0, 2, 0) + B::U32(2))                         // C1 "abc"
          .Record(0x0203, Cell3(1, 0, 0) + B::F64(-2.5))                      // A2 NUMBER
          .Record(0x027E, Cell3(1, 1, 0) + B::U32((1234u << 2) | 0x2 | 0x1))  // B2 RK integer /100
          .Record(0x00BD, B::U16(1) + B::U16(2) + B::U16(0) + B::U32(0x3FF00000u) + B::U16(0) + B::U32((7u << 2) | 2) +
                              B::U16(3))                                // C2, D2 MULRK: 1.0 and 7
          .Record(0x0205, Cell3(2, 0, 0) + std::string("\x01\x00", 2))  // A3 TRUE
          .Record(0x0205, Cell3(2, 1, 0) + std::string("\x07\x01", 2))  // B3 #DIV/0!
          .Record(0x0006, Cell3(2, 2, 0) + std::string("\x00\x00\x00\x00\x00\x00\xFF\xFF", 8) + std::string(8, '\0'))
          .Record(0x0207, B::Str("from formula"))  // C3: text result
          .Record(0x0006, Cell3(2, 3, 0) + std::string("\x01\x00\x00\x00\x00\x00\xFF\xFF", 8) + std::string(8, '\0'))
          .Record(0x0006, Cell3(2, 4, 0) + std::string("\x02\x00\x2A\x00\x00\x00\xFF\xFF", 8) + std::string(8, '\0'))
          .Record(0x0006, Cell3(2, 5, 0) + B::F64(0.5) + std::string(8, '\0'))  // F3: number result
          .Record(0x0203, Cell3(3, 0, 1) + B::F64(43861))                       // A4 date (custom format)
          .Record(0x027E, Cell3(3, 1, 2) + B::U32((61u << 2) | 2))              // B4 date (built-in)
          .Record(0x0204, Cell3(3, 2, 0) + B::WideStr({0x263A, 'x'}))           // C4 LABEL
          .Record(0x0201, Cell3(5, 7, 0))                                       // BLANK far away: not in the range
          .Bytes();
  EXPECT_EQ(Load(LoadBiff(dir, "kinds.xls", Workbook(globals, sheet))),
            "\"Name\",\"h\xC3\xA9ll\xD0\xBA\",\"abc\",,,\n"
            "-2.5,12.34,1,7,,\n"
            "\"TRUE\",\"#DIV/0!\",\"from formula\",\"FALSE\",\"#N/A\",0.5\n"
            "\"2020-01-31\",\"1900-03-01\",\"\xE2\x98\xBAx\",,,\n");
  // A chart sheet listed before the worksheet is passed over.
  EXPECT_EQ(Load(LoadBiff(dir, "chart-first.xls",
                          Workbook("", B().Record(0x0203, Cell3(0, 0, 0) + B::F64(4)).Bytes(), true))),
            "4\n");
}

TEST(Workbooks, BiffFilesThatCannotBeRead) {
  TempDir dir;
  using B = BiffStream;
  BiffStream old;
  old.Record(0x0809, B::U16(0x0500) + B::U16(5) + std::string(4, '\0'));
  EXPECT_NE(LoadError(LoadBiff(dir, "old.xls", old.Bytes())).find("Excel 5.0/95 or older"), std::string::npos);
  BiffStream locked;
  locked.Record(0x0809, Bof(5)).Record(0x002F, std::string(6, '\0'));
  EXPECT_NE(LoadError(LoadBiff(dir, "locked.xls", locked.Bytes())).find("protected by a password"), std::string::npos);
  std::string cfb = testing::CompoundFile(Workbook("", ""));
  cfb.resize(1000);  // the stream's sectors are gone
  std::ofstream(dir.File("cut.xls"), std::ios::binary) << cfb;
  EXPECT_NE(LoadError(dir.File("cut.xls")).find("Cannot read the data file"), std::string::npos);
}

// ---- hostile and unusual files ----

std::string MinimalXlsx(const TempDir& dir, const std::string& name, const std::string& sheetData, char slash = '/') {
  std::string sheetPart = "xl/worksheets/sheet1.xml", relsPart = "xl/_rels/workbook.xml.rels";
  std::replace(sheetPart.begin(), sheetPart.end(), '/', slash);
  std::replace(relsPart.begin(), relsPart.end(), '/', slash);
  std::string workbookPart = std::string("xl") + slash + "workbook.xml";
  const std::string path = dir.File(name);
  EXPECT_TRUE(testing::WriteZip(
      path, {{"[Content_Types].xml", kContentTypes},
             {workbookPart,
              "<workbook xmlns:r=\"" + std::string(kRelNs) + "\"><sheets><sheet r:id=\"a\"/></sheets></workbook>"},
             {relsPart, Rels("<Relationship Id=\"a\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>")},
             {sheetPart, "<worksheet><sheetData>" + sheetData + "</sheetData></worksheet>"}}));
  return path;
}

std::string Ods(const TempDir& dir, const std::string& name, const std::string& table,
                const std::map<std::string, std::string>& more = {}) {
  std::map<std::string, std::string> parts = {
      {"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
      {"content.xml",
       "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
       "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
       "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:spreadsheet>"
       "<table:table table:name=\"S\">" +
           table +
           "</table:table></office:spreadsheet></office:body>"
           "</office:document-content>"}};
  for (const auto& [k, v] : more) parts[k] = v;
  EXPECT_TRUE(testing::WriteZip(dir.File(name), parts));
  return dir.File(name);
}

// Files that claim far more cells than they hold are refused before anything is allocated,
// at once, with the size they claim.
TEST(HostileFiles, HugeClaimsAreRefusedBeforeAllocating) {
  TempDir dir;
  using B = BiffStream;
  const std::string repeats =
      Ods(dir, "repeats.ods",
          "<table:table-row table:number-rows-repeated=\"999999999\"><table:table-cell "
          "table:number-columns-repeated=\"999999999\" office:value-type=\"float\" office:value=\"1\"/>"
          "</table:table-row>");
  const std::string apart = MinimalXlsx(dir, "apart.xlsx",
                                        "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"XFD1\"><v>2</v></c></row>"
                                        "<row r=\"5000\"><c r=\"A5000\"><v>3</v></c></row>");
  const struct {
    std::string path;
    const char* part;
  } cases[] = {
      {repeats,
       "the sheet claims a used range of 1048576 rows by 16384 columns (17179869184 cells), more than the 2 GB"},
      {apart, "the sheet claims a used range of 5000 rows by 16384 columns (81920000 cells)"},
  };
  for (const auto& c : cases) EXPECT_NE(LoadError(c.path).find(c.part), std::string::npos) << LoadError(c.path);
  // An .xls sheet has 256 columns; a cell beyond them comes from a damaged file.
  const std::string wide = LoadBiff(
      dir, "wide.xls",
      Workbook("",
               B().Record(0x0203, Cell3(0, 0, 0) + B::F64(1)).Record(0x0203, Cell3(9, 8191, 0) + B::F64(2)).Bytes()));
  EXPECT_NE(LoadError(wide).find("cell LCB10 lies beyond the 256 columns of an Excel 97-2003 sheet"), std::string::npos)
      << LoadError(wide);
  // Repeats as large as a number can be stop at the sheet's last column.
  const std::string most =
      Ods(dir, "most.ods",
          "<table:table-row><table:table-cell table:number-columns-repeated=\"9223372036854775807\" "
          "office:value-type=\"float\" office:value=\"1\"/><table:table-cell "
          "table:number-columns-repeated=\"99999999999999999999\" office:value-type=\"float\" "
          "office:value=\"2\"/></table:table-row>");
  const DataFileResult r = ReadDataFile(most);
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.matrix.UpperCol(), 16383);
  // Within the budget a sparse sheet still loads.
  EXPECT_EQ(Load(MinimalXlsx(dir, "sparse.xlsx",
                             "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"
                             "<row r=\"3\"><c r=\"C3\"><v>2</v></c></row>")),
            "1,,\n,,\n,,2\n");
}

// An .xls sheet that holds a chart: the chart's records are not the sheet's cells.
TEST(HostileFiles, ChartsInsideAnXlsSheetArePassedOver) {
  TempDir dir;
  using B = BiffStream;
  const std::string sheet = B().Record(0x0204, Cell3(0, 0, 0) + B::Str("HEADER TEXT A1"))
                                .Record(0x0809, Bof(0x0020))  // the chart's own sub-stream
                                .Record(0x0203, Cell3(0, 0, 0) + B::F64(1))
                                .Record(0x0203, Cell3(0, 1, 0) + B::F64(1.75))
                                .Record(0x000A, "")
                                .Record(0x0203, Cell3(1, 0, 0) + B::F64(5))  // the sheet goes on after it
                                .Bytes();
  EXPECT_EQ(Load(LoadBiff(dir, "chart.xls", Workbook("", sheet))), "\"HEADER TEXT A1\"\n5\n");
}

// Files that are readable (or say clearly what they are) though they are unusual.
TEST(HostileFiles, UnusualFormsAreReadOrNamed) {
  TempDir dir;
  using B = BiffStream;
  const std::string cell = B().Record(0x0203, Cell3(0, 0, 0) + B::F64(4)).Bytes();
  // A BIFF8 stream named "BOOK": its first record's version decides.
  std::ofstream(dir.File("book.xls"), std::ios::binary) << testing::CompoundFile(Workbook("", cell), "BOOK");
  EXPECT_EQ(Load(dir.File("book.xls")), "4\n");
  // A BIFF5 stream under another name is still called what it is.
  BiffStream old;
  old.Record(0x0809, B::U16(0x0500) + B::U16(5) + std::string(4, '\0'));
  std::ofstream(dir.File("old.xls"), std::ios::binary) << testing::CompoundFile(old.Bytes(), "Sheet");
  EXPECT_NE(LoadError(dir.File("old.xls")).find("Excel 5.0/95 or older"), std::string::npos);
  // Part names written with backslashes.
  EXPECT_EQ(Load(MinimalXlsx(dir, "back.xlsx", "<row><c><v>7</v></c></row>", '\\')), "7\n");
  // The flat OpenDocument form loads as a sheet (its flags are booleans, which the
  // converted files hold as numbers).
  std::string flat = kFixtureDump;
  flat.replace(flat.find("1.5,1,"), 6, "1.5,\"TRUE\",");
  flat.replace(flat.find("-0.25,0,"), 8, "-0.25,\"FALSE\",");
  EXPECT_EQ(Load(Fixture("workbook.fods")), flat);
  const struct {
    std::string path;
    const char* part;
  } refused[] = {
      {[&] {
         testing::WriteZip(dir.File("b.xlsb"),
                           {{"[Content_Types].xml", kContentTypes},
                            {"_rels/.rels", Rels("<Relationship Id=\"rId1\" Type=\"" + std::string(kRelNs) +
                                                 "/officeDocument\" Target=\"xl/workbook.bin\"/>")},
                            {"xl/workbook.bin", std::string("\x83\x01\x00\x80", 4)}});
         return dir.File("b.xlsb");
       }(),
       "an Excel binary workbook (.xlsb), which this program does not read; save it as an Excel Workbook (.xlsx)"},
      {[&] {
         std::ofstream(dir.File("locked.xlsx"), std::ios::binary)
             << testing::CompoundFile(std::string("\x10\x00\x00\x00\xff\xfe", 6), "EncryptedPackage");
         return dir.File("locked.xlsx");
       }(),
       "the workbook is encrypted with a password"},
      {Ods(dir, "locked.ods", "",
           {{"content.xml", std::string("\x9c\x01\xff<\x00\x85\xc3\x28 binary", 16)},
            {"META-INF/manifest.xml",
             "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\">"
             "<manifest:file-entry manifest:full-path=\"content.xml\"><manifest:encryption-data/>"
             "</manifest:file-entry></manifest:manifest>"}}),
       "the spreadsheet is encrypted with a password"},
  };
  for (const auto& c : refused) EXPECT_NE(LoadError(c.path).find(c.part), std::string::npos) << LoadError(c.path);
}

// Whatever a damaged file holds, the message shows only printable text.
TEST(HostileFiles, MessagesNeverEchoBinaryBytes) {
  TempDir dir;
  const std::string path = MinimalXlsx(
      dir, "bin.xlsx", std::string("<row><c><v>1</v></c></row></") + std::string("\x01\x9c\xff\xc3\x28\x7f", 6) + ">");
  const std::string error = LoadError(path);
  EXPECT_NE(error.find("is not well-formed XML"), std::string::npos) << error;
  for (std::size_t i = 0; i < error.size(); ++i) {
    const auto c = static_cast<unsigned char>(error[i]);
    EXPECT_TRUE(c >= 0x20 && c < 0x7F) << "byte " << static_cast<int>(c) << " at " << i << " of " << error;
  }
}

// ---- what cannot be read ----

TEST(DataFiles, DamagedFilesGiveOneClearMessage) {
  TempDir dir;
  std::string xlsx;
  {
    std::ifstream in(Fixture("workbook.xlsx"), std::ios::binary);
    xlsx.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::string random(3000, '\0');
  unsigned seed = 12345;
  for (char& c : random) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 16);
  }
  struct Case {
    std::string name, content, reason;
  } cases[] = {
      {"empty.csv", "", "the file is empty"},
      {"truncated.xlsx", xlsx.substr(0, xlsx.size() / 2), "damaged or truncated zip package"},
      {"random.bin", random, "neither a workbook nor a text file"},
      {"latin1.csv", "Name,Value\nCaf\xE9,1\n", "line 2 is not UTF-8 text"},
      {"huge.csv", "a,b\n1," + std::string(40000, 'x') + "\n", "line 2, column 2: a cell holds more than 32767"},
      {"bad-xml.xlsx", "", "not well-formed XML"},
      {"other.zip", "", "neither an Excel nor an OpenDocument workbook"},
  };
  ASSERT_TRUE(testing::WriteZip(dir.File("bad-xml.xlsx"), {{"[Content_Types].xml", kContentTypes},
                                                           {"xl/workbook.xml", "<workbook><sheets><sheet"}}));
  ASSERT_TRUE(testing::WriteZip(dir.File("other.zip"), {{"readme.txt", "hello"}}));
  for (const auto& c : cases) {
    if (!c.content.empty() || c.name == "empty.csv") dir.Write(c.name, c.content);
    const std::string error = LoadError(dir.File(c.name));
    EXPECT_NE(error.find("\"" + dir.File(c.name) + "\""), std::string::npos) << error;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
  }
}

TEST(DataFiles, Utf16TextFromSpreadsheetPrograms) {
  TempDir dir;
  // "Unicode Text": UTF-16 little-endian with a byte-order mark, tab-separated.
  const std::u16string text = u"Year\tGr\u00F6\u00DFe\r\n1990\t2.5\r\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t u : text) bytes += std::string{static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
  EXPECT_EQ(Load(dir.Write("unicode.txt", bytes)),
            "\"Year\",\"Gr\xC3\xB6\xC3\x9F"
            "e\"\n1990,2.5\n");
}

TEST(DataFiles, FileExistsWithWildcards) {
  TempDir dir;
  dir.Write("data_NOR_BMAT.CSV", "x");
  dir.Write(".hidden.csv", "x");
  std::filesystem::create_directory(dir.File("folder.csv"));
  EXPECT_TRUE(FileExists(dir.File("data_NOR_BMAT.CSV")));
  EXPECT_TRUE(FileExists(dir.File("*_NOR_BMAT.CSV")));
  EXPECT_TRUE(FileExists(dir.File("data_???_BMAT.*")));
  EXPECT_TRUE(FileExists(dir.File(".hid*")));  // hidden files count
  EXPECT_FALSE(FileExists(dir.File("*.xlsx")));
  EXPECT_FALSE(FileExists(dir.File("folder.*")));  // folders do not
  EXPECT_FALSE(FileExists(dir.File("data_nor_bmat.csv")));
  EXPECT_FALSE(FileExists(dir.File("missing/*.csv")));
}

// The used range built the plain way: the smallest rectangle of the recorded cells, each
// put at its place in the order recorded (a later cell at the same place wins).
std::string PlainBuild(const std::vector<std::tuple<long long, long long, Cell>>& cells) {
  long long r0 = -1, r1 = -1, c0 = -1, c1 = -1;
  for (const auto& [r, c, cell] : cells) {
    if (IsEmpty(cell)) continue;
    r0 = r0 < 0 ? r : std::min(r0, r);
    r1 = std::max(r1, r);
    c0 = c0 < 0 ? c : std::min(c0, c);
    c1 = std::max(c1, c);
  }
  if (r0 < 0) return Dump(LabelledMatrix());
  LabelledMatrix m = LabelledMatrix::Dimension(static_cast<int>(r1 - r0), static_cast<int>(c1 - c0));
  for (const auto& [r, c, cell] : cells) {
    if (!IsEmpty(cell)) m.Put(static_cast<int>(r - r0), static_cast<int>(c - c0), cell);
  }
  return Dump(m);
}

// Sheets whose cells come in every order: whole rows (the matrix is the cells as
// recorded), rows that start after the first column, gaps, rows out of order, a cell
// written twice, empty cells, texts between numbers.
TEST(SheetCells, EveryOrderOfCellsGivesTheUsedRange) {
  using Cells = std::vector<std::tuple<long long, long long, Cell>>;
  auto grid = [](long long r0, long long c0, int rows, int cols) {
    Cells cells;
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < cols; ++c) {
        const double v = r * 100 + c + 0.5;
        cells.emplace_back(r0 + r, c0 + c, (r + c) % 5 == 0 ? Cell(std::to_string(v)) : Cell(v));
      }
    }
    return cells;
  };
  std::vector<Cells> sheets;
  sheets.push_back(grid(0, 0, 4, 3));
  sheets.push_back(grid(7, 2, 5, 1));
  sheets.push_back(grid(3, 4, 1, 6));
  Cells gap = grid(0, 0, 4, 4);
  gap.erase(gap.begin() + 6);
  sheets.push_back(gap);
  Cells twice = grid(1, 1, 3, 3);
  twice.emplace_back(2, 2, std::string("again"));
  sheets.push_back(twice);
  Cells backwards = grid(0, 0, 3, 3);
  std::reverse(backwards.begin(), backwards.end());
  sheets.push_back(backwards);
  Cells ragged = grid(0, 0, 3, 3);
  ragged.emplace_back(1, 3, -0.0);
  sheets.push_back(ragged);
  Cells blanks = grid(2, 0, 2, 2);
  blanks.emplace_back(9, 9, Cell());
  blanks.insert(blanks.begin() + 1, {2, 1, Cell()});
  sheets.push_back(blanks);
  Cells kinds = {
      {0, 0, std::int16_t{-3}}, {0, 1, 2.5f}, {0, 2, std::string("t")}, {1, 0, 1e300}, {1, 1, 0.0}, {1, 2, 7.0}};
  sheets.push_back(kinds);
  for (const Cells& cells : sheets) {
    SheetCells sheet;
    std::vector<std::tuple<long long, long long, Cell>> seen;
    for (const auto& [r, c, cell] : cells) {
      const double* v = std::get_if<double>(&cell);
      EXPECT_TRUE(v ? sheet.AddDouble(r, c, *v) : sheet.Add(r, c, cell));
    }
    sheet.ForEach([&](long long r, long long c, Cell cell) { seen.emplace_back(r, c, std::move(cell)); });
    Cells kept;
    for (const auto& e : cells) {
      if (!IsEmpty(std::get<2>(e))) kept.push_back(e);
    }
    EXPECT_EQ(seen, kept);
    LabelledMatrix m;
    std::string error;
    ASSERT_TRUE(sheet.Build(m, error)) << error;
    EXPECT_EQ(Dump(m), PlainBuild(cells));
  }
}

TEST(SheetCells, TheFirstTooLongTextIsNamedInEitherOrder) {
  const std::string tooLong(32768, 'x');
  for (bool wholeRows : {true, false}) {
    SheetCells sheet;
    for (long long r = 0; r < 3; ++r) {
      for (long long c = 0; c < 3; ++c) {
        const long long row = wholeRows ? r : 2 - r;
        sheet.Add(row, c, row == 1 && c == 2 ? Cell(tooLong) : row == 2 && c == 0 ? Cell(tooLong) : Cell(1.0));
      }
    }
    LabelledMatrix m;
    std::string error;
    EXPECT_FALSE(sheet.Build(m, error));
    EXPECT_EQ(error,
              wholeRows ? "cell C2 holds more than 32767 characters" : "cell A3 holds more than 32767 characters");
    EXPECT_FALSE(m.IsAssigned());
  }
}

TEST(SheetCells, DatesAndReferences) {
  EXPECT_EQ(SerialDateText(43861, false), "2020-01-31");
  EXPECT_EQ(SerialDateText(1, false), "1900-01-01");
  EXPECT_EQ(SerialDateText(59, false), "1900-02-28");
  EXPECT_EQ(SerialDateText(60, false), "1900-02-29");
  EXPECT_EQ(SerialDateText(61, false), "1900-03-01");
  EXPECT_EQ(SerialDateText(0.75, false), "18:00:00");
  EXPECT_EQ(SerialDateText(36525.5, false), "1999-12-31 12:00:00");
  EXPECT_EQ(SerialDateText(0, true), "1904-01-01");
  EXPECT_EQ(SerialDateText(42399, true), "2020-01-31");
  EXPECT_EQ(CellReference(2, 2), "C3");
  EXPECT_EQ(CellReference(0, 26), "AA1");
  EXPECT_EQ(CellReference(9, 16383), "XFD10");
  for (const char* code : {"dd/mm/yyyy", "[$-409]d\\-mmm\\-yy;@", "h:mm AM/PM", "[h]:mm:ss", "yyyy"}) {
    EXPECT_TRUE(IsDateFormatCode(code)) << code;
  }
  for (const char* code :
       {"General", "0.00", "#,##0 \"days\"", "[Red]0.0", "0.00E+00", "\"TRUE\";\"TRUE\";\"FALSE\"", "0;[Red]-0", "@"}) {
    EXPECT_FALSE(IsDateFormatCode(code)) << code;
  }
}

}  // namespace
}  // namespace quantorial
