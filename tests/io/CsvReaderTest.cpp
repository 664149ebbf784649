#include <gtest/gtest.h>

#include "MatrixBuilder.h"
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

// Texts whose blocks of lines fall at every kind of place: inside quoted fields that
// hold line breaks (and lines that look like rows, or like an unclosed quote), at CRLF
// line ends, after a byte-order mark, in ragged rows and blank lines.
std::vector<std::string> AwkwardCsvTexts() {
  std::vector<std::string> texts;
  std::string quotedBreaks = "name,a,b\n";
  for (int r = 0; r < 60; ++r) {
    quotedBreaks += "r" + std::to_string(r) + ",\"x\n" + std::to_string(r) + ",\"\"2\"\"\n\",3.5\n";
  }
  texts.push_back(quotedBreaks);
  std::string looksLikeRows = "h1,h2\n";
  for (int r = 0; r < 40; ++r) looksLikeRows += "\"1,2\n3,\"\"4\n\"\"5\n\",6\r\n";
  texts.push_back(looksLikeRows);
  std::string crlf = "\xEF\xBB\xBFYear,GDP,Label\r\n";
  for (int r = 0; r < 80; ++r)
    crlf += std::to_string(1950 + r) + "," + std::to_string(r * 0.25) + ",\"t\r\n" + "\"\r\n";
  texts.push_back(crlf);
  std::string ragged;
  for (int r = 0; r < 90; ++r) {
    ragged += r % 7 == 0 ? "\n"
              : r % 5 == 0
                  ? ",,,\n"
                  : "," + std::string(static_cast<std::size_t>(r % 4), ',') + "x" + std::to_string(r) + ",5%\n";
  }
  texts.push_back(ragged);
  std::string crOnly;
  for (int r = 0; r < 50; ++r) crOnly += "a" + std::to_string(r) + ",1,\"q\nq\"\r";
  texts.push_back(crOnly);
  texts.push_back(std::string(200, '\n') + "1,2,3\n4,5,6,");
  return texts;
}

// The matrix, or the error, that a text gives.
std::string Outcome(const std::string& text, unsigned threads) {
  LabelledMatrix m;
  std::string error;
  return ParseCsv(text, ',', m, error, threads) ? Dump(m) : "error: " + error;
}

TEST(Csv, BlocksParsedAtOnceGiveWhatOneParserGives) {
  for (const std::string& text : AwkwardCsvTexts()) {
    const std::string one = Outcome(text, 1);
    ASSERT_EQ(one.rfind("error", 0), std::string::npos) << one;
    for (unsigned threads = 2; threads <= 17; ++threads) {
      EXPECT_EQ(Outcome(text, threads), one) << threads << " threads on\n" << text;
    }
  }
}

TEST(Csv, TheFirstBadLineIsReportedWhicheverBlockHoldsIt) {
  std::string rows;
  for (int r = 1; r <= 120; ++r) rows += std::to_string(r) + ",\"a\nb\"\n";  // two lines a row
  const std::string tooLong = "\"" + std::string(kMaxCellText + 1, 'x') + "\"";
  struct Case {
    std::string text;
    std::string error;
  } cases[] = {
      // A cell too long in row 30 (line 59), an unclosed quote later.
      {rows.substr(0, rows.find("30,")) + "30," + tooLong + "\n" + rows + "\"open\n",
       "line 59, column 2: a cell holds more than 32767 characters"},
      // An unclosed quote, with well-formed lines after it in the later blocks.
      {rows + "9,\"open\n" + std::string(3000, '\n') + "1,2\n", "line 241: a quoted field is not closed"},
      // Bad lines only near the end, after many blocks.
      {rows + rows + "1," + tooLong + "\n", "line 481, column 2: a cell holds more than 32767 characters"},
  };
  for (const Case& c : cases) {
    for (unsigned threads : {1u, 2u, 3u, 5u, 8u}) {
      EXPECT_EQ(Outcome(c.text, threads), "error: " + c.error) << threads << " threads";
    }
  }
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
}

// Random bytes under a workbook's name are a damaged workbook; a text file under such a
// name still loads, since the content tells the format.
// Files large enough to be read into a block of their own and parsed on several threads
// give what their text gives, and their problems name the same lines as a small file's.
TEST(DataFile, LargeFilesReadAsTheirText) {
  testing::TempDir dir;
  std::string text = "\xEF\xBB\xBFYear,Label,Value\r\n";
  for (int r = 0; text.size() < (5u << 20); ++r) {
    text += std::to_string(1000 + r) + ",\"l\n" + std::to_string(r) + "\"," + std::to_string(r * 0.125) + "\r\n";
  }
  LabelledMatrix expected;
  std::string error;
  ASSERT_TRUE(ParseCsv(text, ',', expected, error, 1)) << error;
  EXPECT_EQ(Dump(ReadDataFile(dir.Write("big.csv", text)).matrix), Dump(expected));
  // The same as UTF-16 (little-endian, with its byte-order mark, without the UTF-8 one).
  std::string utf16 = "\xFF\xFE";
  for (char c : text.substr(3)) {
    utf16 += c;
    utf16 += '\0';
  }
  EXPECT_EQ(Dump(ReadDataFile(dir.Write("big16.csv", utf16)).matrix), Dump(expected));
  const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  const struct {
    std::string bytes;
    std::string error;
  } bad[] = {
      {text + "1,\xC3(,2\n", "line " + std::to_string(lines + 1) + " is not UTF-8 text"},
      {text + std::string("1,\0,2\n", 6) + text, "line " + std::to_string(lines + 1) + " holds binary data"},
      {text + "1,\"open\n" + std::string(1000, '\n'),
       "line " + std::to_string(lines + 1) + ": a quoted field is not closed"},
  };
  for (const auto& b : bad) {
    const std::string got = ReadDataFile(dir.Write("bad.csv", b.bytes)).error;
    EXPECT_NE(got.find(b.error), std::string::npos) << got;
  }
}

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
