// gretl's XML data files (.gdt), plain and gzipped, through the one data file entry point:
// a hand-made file of Klein's series against the bundled CSV, observation labels of each
// frequency, missing values and damaged files.

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "MatrixBuilder.h"
#include "TempDir.h"
#include "io/DataFile.h"

namespace quantorial {
namespace {

using testing::Dump;
using testing::TempDir;

std::string Fixture(const std::string& name) { return std::string(QUANTORIAL_FIXTURES) + "/" + name; }

// The bytes gzip-compressed, as gretl writes its compressed data files.
std::string Gzip(const std::string& bytes, const std::string& path) {
  gzFile f = gzopen(path.c_str(), "wb");
  gzwrite(f, bytes.data(), static_cast<unsigned>(bytes.size()));
  gzclose(f);
  return TempDir::Read(path);
}

// A gretl data file with the given root attributes, series names, <observations>
// attributes and <obs> elements.
std::string Gdt(const std::string& root, const std::vector<std::string>& names, const std::string& observations,
                const std::vector<std::string>& obs) {
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE gretldata SYSTEM \"gretldata.dtd\">\n";
  s += "<gretldata version=\"1.4\" name=\"t\" " + root + ">\n<variables count=\"" + std::to_string(names.size()) +
       "\">\n";
  for (const auto& n : names) s += "<variable name=\"" + n + "\" label=\"a label\"/>\n";
  s += "</variables>\n<observations count=\"" + std::to_string(obs.size()) + "\" " + observations + ">\n";
  for (const auto& o : obs) s += o + "\n";
  return s + "</observations>\n</gretldata>\n";
}

TEST(GdtFiles, KleinLoadsEqualToTheCsvFor1920To1941) {
  const DataFileResult csv = ReadDataFile(std::string(QUANTORIAL_SAMPLES_DIR) + "/klein.csv");
  ASSERT_EQ(csv.error, "");
  TempDir dir;
  const std::string plain = TempDir::Read(Fixture("klein.gdt"));
  const std::string files[] = {Fixture("klein.gdt"), dir.Write("klein-copy.gdt", Gzip(plain, dir.File("z.gdt")))};
  for (const std::string& path : files) {
    const DataFileResult gdt = ReadDataFile(path);
    ASSERT_EQ(gdt.error, "") << path;
    // One more row (1919) and the same columns.
    ASSERT_EQ(gdt.matrix.UpperRow(), csv.matrix.UpperRow() + 1) << path;
    ASSERT_EQ(gdt.matrix.UpperCol(), csv.matrix.UpperCol()) << path;
    EXPECT_EQ(Dump(gdt.matrix).substr(0, Dump(gdt.matrix).find('\n')),
              "\"obs\",\"C\",\"P\",\"Wp\",\"I\",\"K\",\"X\",\"Wg\",\"G\",\"T\"");
    for (int j = 1; j <= csv.matrix.UpperCol(); ++j) EXPECT_EQ(gdt.matrix.Get(0, j), csv.matrix.Get(0, j)) << j;
    for (int i = 1; i <= csv.matrix.UpperRow(); ++i) {
      for (int j = 0; j <= csv.matrix.UpperCol(); ++j) {
        EXPECT_EQ(gdt.matrix.Get(i + 1, j), csv.matrix.Get(i, j)) << path << " row " << i << " column " << j;
      }
    }
    // 1919 holds the capital stock alone.
    EXPECT_NE(Dump(gdt.matrix).find("\"T\"\n1919,,,,,180.1,,,,\n1920,39.8,"), std::string::npos);
  }
}

TEST(GdtFiles, ObservationLabelsOfEachKindOfData) {
  struct Case {
    const char* root;
    const char* observations;
    std::vector<std::string> obs;
    const char* labels;  // the label column as dumped, one per line
  };
  const Case cases[] = {
      {"frequency=\"1\" startobs=\"1990\" type=\"time-series\"",
       "labels=\"false\"",
       {"<obs>1</obs>", "<obs>2</obs>"},
       "1990\n1991\n"},
      {"frequency=\"4\" startobs=\"1990:3\" type=\"time-series\"",
       "labels=\"false\"",
       {"<obs>1</obs>", "<obs>2</obs>", "<obs>3</obs>"},
       "\"1990:3\"\n\"1990:4\"\n\"1991:1\"\n"},
      {"frequency=\"12\" startobs=\"1990:11\" type=\"time-series\"",
       "labels=\"false\"",
       {"<obs>1</obs>", "<obs>2</obs>", "<obs>3</obs>"},
       "\"1990:11\"\n\"1990:12\"\n\"1991:01\"\n"},
      // Five-day weeks skip the weekend after Friday 2024-03-01.
      {"frequency=\"5\" startobs=\"2024-03-01\" type=\"time-series\"",
       "labels=\"false\"",
       {"<obs>1</obs>", "<obs>2</obs>"},
       "\"2024-03-01\"\n\"2024-03-04\"\n"},
      {"frequency=\"7\" startobs=\"2024-02-28\" type=\"time-series\"",
       "labels=\"false\"",
       {"<obs>1</obs>", "<obs>2</obs>", "<obs>3</obs>"},
       "\"2024-02-28\"\n\"2024-02-29\"\n\"2024-03-01\"\n"},
      {"frequency=\"52\" startobs=\"2023-12-25\" type=\"time-series\"",
       "labels=\"false\"",
       {"<obs>1</obs>", "<obs>2</obs>"},
       "\"2023-12-25\"\n\"2024-01-01\"\n"},
      {"frequency=\"1\" startobs=\"1\" type=\"cross-section\"",
       "labels=\"false\"",
       {"<obs>1</obs>", "<obs>2</obs>"},
       "1\n2\n"},
      // Older gretl files write a dated first observation with slashes (nysewk.gdt).
      {"frequency=\"52\" startobs=\"1966/01/05\" type=\"time-series\"",
       "labels=\"false\"",
       {"<obs>1</obs>", "<obs>2</obs>"},
       "\"1966-01-05\"\n\"1966-01-12\"\n"},
      // Half-years are a "special" frequency.
      {"frequency=\"special:2\" startobs=\"1990:2\" type=\"time-series\"",
       "labels=\"false\"",
       {"<obs>1</obs>", "<obs>2</obs>", "<obs>3</obs>"},
       "\"1990:2\"\n\"1991:1\"\n\"1991:2\"\n"},
      // A panel is labelled unit:period (grunfeld.gdt shows 1:01 to 10:20).
      {"frequency=\"12\" startobs=\"1:01\" type=\"stacked-time-series\"", "labels=\"false\"",
       std::vector<std::string>(13, "<obs>1</obs>"),
       "\"1:01\"\n\"1:02\"\n\"1:03\"\n\"1:04\"\n\"1:05\"\n\"1:06\"\n\"1:07\"\n\"1:08\"\n\"1:09\"\n\"1:10\"\n"
       "\"1:11\"\n\"1:12\"\n\"2:01\"\n"},
      // gretl labels by the frequency whatever the kind of data: an undated weekly
      // cross-section from 1990:51 shows 1990:51, 1990:52, 1991:01.
      {"frequency=\"52\" startobs=\"1990:51\" type=\"cross-section\"",
       "labels=\"false\"",
       {"<obs>1</obs>", "<obs>2</obs>", "<obs>3</obs>"},
       "\"1990:51\"\n\"1990:52\"\n\"1991:01\"\n"},
      // The file's own labels win, numbers read as numbers.
      {"frequency=\"1\" startobs=\"1\" type=\"cross-section\"",
       "labels=\"true\"",
       {"<obs label=\"AT\">1</obs>", "<obs label=\"1990\">2</obs>"},
       "\"AT\"\n1990\n"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    const DataFileResult r = ReadDataFile(dir.Write("t.gdt", Gdt(c.root, {"x"}, c.observations, c.obs)));
    ASSERT_EQ(r.error, "") << c.root;
    std::string labels;
    for (int i = 1; i <= r.matrix.UpperRow(); ++i) {
      const std::string d = Dump(testing::M({{r.matrix.Get(i, 0)}}));
      labels += d;
    }
    EXPECT_EQ(labels, c.labels) << c.root;
  }
}

TEST(GdtFiles, MissingValuesAreEmptyCells) {
  TempDir dir;
  const std::string text =
      Gdt("frequency=\"1\" startobs=\"2000\" type=\"time-series\"", {"a", "b", "c"},
          "labels=\"false\" missval=\"-999\"", {"<obs>NA 1.5e3 -999</obs>", "<obs>\n  -0.25\tNA\n 7 </obs>"});
  EXPECT_EQ(Dump(ReadDataFile(dir.Write("m.gdt", text)).matrix),
            "\"obs\",\"a\",\"b\",\"c\"\n2000,,1500,\n2001,-0.25,,7\n");
}

// A scalar is kept in its <variable> element and has no values in the observations: it is
// not a series.
TEST(GdtFiles, ScalarsAreNotSeries) {
  TempDir dir;
  std::string text =
      Gdt("frequency=\"1\" startobs=\"2000\" type=\"time-series\"", {"a", "b"}, "labels=\"false\"", {"<obs>1 2</obs>"});
  text.replace(text.find("</variables>"), 0,
               "<variable name=\"k\" value=\"3.5\"/>\n<variable name=\"j\" role=\"scalar\"/>\n");
  text.replace(text.find("count=\"2\""), 9, "count=\"4\"");
  EXPECT_EQ(Dump(ReadDataFile(dir.Write("s.gdt", text)).matrix), "\"obs\",\"a\",\"b\"\n2000,1,2\n");
}

// The file with a string table (the attributes and texts of a <valstrings> element).
std::string WithStrings(std::string text, const std::string& valstrings) {
  text.replace(text.find("</gretldata>"), 0,
               "<string-tables count=\"1\">\n<valstrings " + valstrings + "</valstrings>\n</string-tables>\n");
  return text;
}

TEST(GdtFiles, DamagedFilesAreRefusedWithTheirName) {
  const std::string root = "frequency=\"1\" startobs=\"2000\" type=\"time-series\"";
  const std::string good = Gdt(root, {"a", "b"}, "labels=\"false\"", {"<obs>1 2</obs>", "<obs>3 4</obs>"});
  struct Case {
    const char* name;
    std::string bytes;
    const char* reason;
  };
  std::string hugeCount = good;
  hugeCount.replace(hugeCount.find("count=\"2\" labels"), 9, "count=\"999999999999\"");
  std::string fewerNames = good;
  fewerNames.replace(fewerNames.find("<variables count=\"2\""), 20, "<variables count=\"3\"");
  TempDir dir;
  const std::string gz = Gzip(good, dir.File("good.gz"));
  const Case cases[] = {
      {"cut.gdt", good.substr(0, good.size() - 40), "not well-formed XML (line"},
      {"short.gdt", Gdt(root, {"a", "b"}, "labels=\"false\"", {"<obs>1</obs>"}),
       "observation 1 (line 9) has 1 values for 2 series"},
      {"long.gdt", Gdt(root, {"a", "b"}, "labels=\"false\"", {"<obs>1 2 3</obs>"}),
       "observation 1 (line 9) has more values than the 2 series"},
      {"word.gdt", Gdt(root, {"a", "b"}, "labels=\"false\"", {"<obs>1 two</obs>"}),
       "observation 1 (line 9): the value \"two\" of \"b\" is not a number"},
      {"names.gdt", fewerNames, "the file declares 3 series but names 2"},
      {"strings.gdt", WithStrings(good, "owner=\"b\" count=\"3\">\"x\" \"y\""),
       "the string-valued series \"b\" declares 3 texts but holds 2"},
      {"owner.gdt", WithStrings(good, "owner=\"z\" count=\"1\">\"x\""),
       "the file gives texts for \"z\", which is not one of its series"},
      {"unclosed.gdt", WithStrings(good, "owner=\"b\" count=\"1\">\"x\\\""),
       "a text of \"b\" has no closing double quote"},
      // Code 2 (b of the first observation) of a series with one text.
      {"code.gdt", WithStrings(good, "owner=\"b\" count=\"1\">\"x\""),
       "observation 1 of the string-valued series \"b\" holds 2, which is not the number of one of its 1 texts"},
      {"huge.gdt", hugeCount, "the file claims 999999999999 observations of 2 series, more than the 2 GB"},
      {"cut-gz.gdt", gz.substr(0, gz.size() - 12), "the compressed file is damaged: it is cut short"},
      // The checksum of the contents is the trailer's first four bytes.
      {"crc.gdt",
       [&] {
         std::string b = gz;
         b[b.size() - 8] = static_cast<char>(b[b.size() - 8] ^ 1);
         return b;
       }(),
       "the compressed file is damaged: its checksum (CRC) does not match its contents"},
      // 20 MB of blanks inside the root element, compressed some 1,000-fold.
      {"bomb.gdt",
       [&] {
         std::string big = good;
         big.insert(big.find("<variables"), std::string(20 << 20, ' '));
         return Gzip(big, dir.File("bomb.gz"));
       }(),
       "the compressed file expands more than 200-fold ("},
  };
  for (const Case& c : cases) {
    const std::string path = dir.Write(c.name, c.bytes);
    const DataFileResult r = ReadDataFile(path);
    EXPECT_FALSE(r.matrix.IsAssigned()) << c.name;
    EXPECT_NE(r.error.find("Cannot read the data file \"" + path + "\": "), std::string::npos) << r.error;
    EXPECT_NE(r.error.find(c.reason), std::string::npos) << r.error;
  }
}

}  // namespace
}  // namespace quantorial
