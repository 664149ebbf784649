#include <gtest/gtest.h>

#include "MatrixBuilder.h"
#include "ScriptedHost.h"
#include "TempDir.h"
#include "io/CsvReader.h"
#include "io/DataFile.h"

namespace quantorial {
namespace {

using testing::Dump;

std::string Parse(const std::string& text, char delimiter = ',') {
  LabelledMatrix m;
  std::string error;
  EXPECT_TRUE(ParseCsv(text, delimiter, m, error)) << error;
  return Dump(m);
}

TEST(Csv, LabelsNumbersTextsAndBlanks) {
  EXPECT_EQ(Parse("Year,C,P\n1920,39.8,12.7\n1921,,x\n"), "\"Year\",\"C\",\"P\"\n1920,39.8,12.7\n1921,,\"x\"\n");
  // Numbers keep their nearest double; booleans and error cells stay texts.
  EXPECT_EQ(Parse("a,b,c,d,e\n0.1,-2e-3, 7 ,TRUE,#DIV/0!\n"),
            "\"a\",\"b\",\"c\",\"d\",\"e\"\n0.1,-0.002,7,\"TRUE\",\"#DIV/0!\"\n");
  // Texts that only look a little like numbers stay texts.
  EXPECT_EQ(Parse("inf,nan,1e400,12abc,-,1.2.3\n"), "\"inf\",\"nan\",\"1e400\",\"12abc\",\"-\",\"1.2.3\"\n");
}

TEST(Csv, PercentagesReadAsTheirNumbers) {
  // As a spreadsheet reads them; a sign alone or a word before the sign stays text.
  EXPECT_EQ(Parse("a,b,c,d,e,f\n5%,-2.5 %,\"12%\",%,x%,1e2%\n"),
            "\"a\",\"b\",\"c\",\"d\",\"e\",\"f\"\n0.05,-0.025,0.12,\"%\",\"x%\",1\n");
}

TEST(Csv, QuotingAsInRfc4180) {
  EXPECT_EQ(Parse("\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\"\n\"1990\",\"\",x\n"),
            "\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\"\n1990,,\"x\"\n");
  // Text after a closing quote is kept; a quote inside an unquoted field is a character.
  EXPECT_EQ(Parse("\"ab\"c,d\"e\n"), "\"abc\",\"d\"\"e\"\n");
}

TEST(Csv, LineEndsAndByteOrderMark) {
  const std::string expected = "\"a\",\"b\"\n1,2\n3,4\n";
  EXPECT_EQ(Parse("a,b\r\n1,2\r\n3,4\r\n"), expected);
  EXPECT_EQ(Parse("a,b\n1,2\n3,4"), expected);
  EXPECT_EQ(Parse("a,b\r1,2\r3,4\r"), expected);
  EXPECT_EQ(Parse("\xEF\xBB\xBF"
                  "a,b\n1,2\n3,4\n"),
            expected);
}

TEST(Csv, UsedRangeIsTheSmallestRectangleOfNonEmptyCells) {
  // The table starts at C3 and a lone cell stands further right.
  EXPECT_EQ(Parse(",,,,\n,,,,\n,,Year,X,\n,,1990,1.5,\n,,1991,2.5,,,z\n\n,,\n"),
            "\"Year\",\"X\",,,\n1990,1.5,,,\n1991,2.5,,,\"z\"\n");
  // Ragged rows are padded with empty cells; blank fields count as empty.
  EXPECT_EQ(Parse("a,b,c\n1\n2,3\n  ,4,\n"), "\"a\",\"b\",\"c\"\n1,,\n2,3,\n,4,\n");
  EXPECT_EQ(Parse("a,\n"), "\"a\"\n");
}

TEST(Csv, NothingButBlanksGivesAnUnassignedMatrix) {
  for (const char* text : {"", "\n\n", ",,,\n , ,\n", "\xEF\xBB\xBF", "\"\",\"\"\n"}) {
    LabelledMatrix m = LabelledMatrix::Dimension(1, 1);
    std::string error;
    EXPECT_TRUE(ParseCsv(text, ',', m, error));
    EXPECT_FALSE(m.IsAssigned()) << text;
  }
}

TEST(Csv, UnclosedQuoteNamesTheLineItOpenedOn) {
  LabelledMatrix m;
  std::string error;
  EXPECT_FALSE(ParseCsv("a,b\n1,2\n3,\"four\n5,6\n", ',', m, error));
  EXPECT_EQ(error, "line 3: a quoted field is not closed");
  EXPECT_FALSE(m.IsAssigned());
  EXPECT_FALSE(ParseCsv("\"x\ny\nz\",\"w", ',', m, error));
  EXPECT_EQ(error, "line 3: a quoted field is not closed");
}

TEST(Csv, TabSeparatedTextFiles) {
  EXPECT_EQ(GuessDelimiter("\n\na\tb\n1\t2\n"), '\t');
  EXPECT_EQ(GuessDelimiter("a,b\tc\n"), ',');
  EXPECT_EQ(GuessDelimiter("Year;GDP\n1990;1,5\n"), ';');
  EXPECT_EQ(GuessDelimiter("a;b,c\n"), ',');
  EXPECT_EQ(Parse("a\tb\n1\t2\n", '\t'), "\"a\",\"b\"\n1,2\n");
}

TEST(DataFile, ReadsCsvAndTxtAndReportsProblemsByName) {
  testing::TempDir dir;
  EXPECT_EQ(Dump(ReadDataFile(dir.Write("d.csv", "a,b\n1,2\n")).matrix), "\"a\",\"b\"\n1,2\n");
  EXPECT_EQ(Dump(ReadDataFile(dir.Write("t.TXT", "a\tb\n1\t2\n")).matrix), "\"a\",\"b\"\n1,2\n");
  EXPECT_EQ(Dump(ReadDataFile(dir.Write("s.csv", "a;b\n1;2\n")).matrix), "\"a\",\"b\"\n1,2\n");
  const auto missing = ReadDataFile(dir.File("none.csv"));
  EXPECT_FALSE(missing.matrix.IsAssigned());
  EXPECT_EQ(missing.error, "Cannot read the data file \"" + dir.File("none.csv") + "\": No such file or directory");
  std::filesystem::create_directory(dir.File("folder.csv"));
  EXPECT_NE(ReadDataFile(dir.File("folder.csv")).error.find("folder"), std::string::npos);
  EXPECT_FALSE(FileExists(dir.File("folder.csv")));
  EXPECT_FALSE(FileExists(""));
  EXPECT_TRUE(FileExists(dir.File("d.csv")));
  // A path naming no file loads nothing and says nothing.
  testing::ScriptedHost host;
  EXPECT_FALSE(ExcelArrayLoad(dir.File("none.csv"), &host).IsAssigned());
  EXPECT_TRUE(host.calls.empty());
}

// Random bytes under a workbook's name are a damaged workbook; a text file under such a
// name still loads, since the content tells the format.
TEST(DataFile, ANameThatSaysWorkbook) {
  testing::TempDir dir;
  const std::string junk("\x93\xff\x01garbage\xfe\n\x80\x81", 14);
  for (const char* name : {"r.xlsx", "r.XLS", "r.ods", "r.xlsm"}) {
    const std::string path = dir.Write(name, junk);
    EXPECT_EQ(ReadDataFile(path).error,
              "Cannot read the data file \"" + path + "\": not a valid workbook (damaged, or not a spreadsheet)");
  }
  EXPECT_NE(ReadDataFile(dir.Write("r.csv", junk)).error.find("is not UTF-8 text"), std::string::npos);
  EXPECT_EQ(Dump(ReadDataFile(dir.Write("text.xlsx", "a,b\n1,2\n")).matrix), "\"a\",\"b\"\n1,2\n");
}

}  // namespace
}  // namespace quantorial
