// gretl's binary data files (.gdtb) and what gretl's files hold beyond numbers (observation
// labels, string-valued series), read through the one data file entry point. The samples
// were written by gretl 2022c together with the same data as .gdt, as CSV with 17 digits and
// as the label gretl shows for each observation (tests/io/fixtures/gretl/README.md).

#include <gtest/gtest.h>
#include <zip.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "MatrixBuilder.h"
#include "TempDir.h"
#include "io/DataFile.h"
#include "io/GdtbFile.h"
#include "workspace/ValueRules.h"

namespace quantorial {
namespace {

using testing::Dump;
using testing::TempDir;

std::string Gretl(const std::string& name) { return std::string(QUANTORIAL_FIXTURES) + "/gretl/" + name; }

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Whether two cells are the same, doubles bit for bit.
bool SameCell(const LabelledMatrix& a, int i, int j, const LabelledMatrix& b, int k, int l) {
  double x = 0.0, y = 0.0;
  const bool dx = a.GetDouble(i, j, x), dy = b.GetDouble(k, l, y);
  if (dx || dy) return dx == dy && std::memcmp(&x, &y, sizeof x) == 0;
  return a.Value(i, j) == b.Value(k, l);
}

const char* const kSamples[] = {"sample1_annual",
                                "sample2_markers_strings",
                                "sample3_daily5",
                                "sample4_panel",
                                "sample5_monthly_lag",
                                "sample5b_stale_panel_fields",
                                "sample6_klein_description",
                                "sample7_undated_daily",
                                "sample8_weekly",
                                "sample9_grunfeld"};

// Each .gdtb reads bit for bit as its .gdt; the labels are the ones gretl showed; the
// values are those of gretl's own 17-digit CSV of the data.
TEST(GdtbFiles, EachSampleReadsAsItsGdtAndAsGretlShowsIt) {
  for (const char* sample : kSamples) {
    const std::string base = Gretl(sample);
    const DataFileResult gdt = ReadDataFile(base + ".gdt");
    const DataFileResult gdtb = ReadDataFile(base + ".gdtb");
    ASSERT_EQ(gdt.error, "") << sample;
    ASSERT_EQ(gdtb.error, "") << sample;
    ASSERT_EQ(Dump(gdtb.matrix), Dump(gdt.matrix)) << sample;
    for (int i = 0; i <= gdt.matrix.UpperRow(); ++i) {
      for (int j = 0; j <= gdt.matrix.UpperCol(); ++j) {
        EXPECT_TRUE(SameCell(gdtb.matrix, i, j, gdt.matrix, i, j)) << sample << " (" << i << ", " << j << ")";
      }
    }
    const std::vector<std::string> labels = Lines(base + ".labels.txt");
    if (!labels.empty()) {
      ASSERT_EQ(static_cast<int>(labels.size()), gdtb.matrix.UpperRow()) << sample;
      for (int i = 1; i <= gdtb.matrix.UpperRow(); ++i) {
        EXPECT_EQ(CellText(gdtb.matrix.Value(i, 0)), labels[static_cast<std::size_t>(i - 1)]) << sample << " row " << i;
      }
    }
    // gretl's CSV writes a double quote inside a marker as it is (sample 2), which no CSV
    // reader takes; the others are read as CSV and compared value by value. A CSV without
    // an "obs" column has its first series where the labels go.
    if (std::string(sample).find("sample2") == 0 || !std::ifstream(base + ".csv")) continue;
    const DataFileResult csv = ReadDataFile(base + ".csv");
    ASSERT_EQ(csv.error, "") << sample;
    const int shift = CellText(csv.matrix.Value(0, 0)) == "obs" ? 0 : 1;
    ASSERT_EQ(csv.matrix.UpperRow(), gdtb.matrix.UpperRow()) << sample;
    ASSERT_EQ(csv.matrix.UpperCol() + shift, gdtb.matrix.UpperCol()) << sample;
    for (int i = 0; i <= gdtb.matrix.UpperRow(); ++i) {
      for (int j = 1; j <= gdtb.matrix.UpperCol(); ++j) {
        EXPECT_TRUE(SameCell(gdtb.matrix, i, j, csv.matrix, i, j - shift)) << sample << " (" << i << ", " << j << ")";
      }
    }
  }
}

// String-valued series read as their texts; labels of half-years.
TEST(GdtbFiles, StringValuedSeriesReadAsTheirTexts) {
  for (const char* ext : {".gdt", ".gdtb"}) {
    const DataFileResult r = ReadDataFile(Gretl("sample2_markers_strings") + ext);
    ASSERT_EQ(r.error, "") << ext;
    EXPECT_EQ(Dump(r.matrix),
              "\"obs\",\"index\",\"pop\",\"region\",\"small\"\n"
              "\"Österreich\",1,8.9,\"south, east\",1\n"
              "\"Belgique\",2,11.5,\"north\",0\n"
              "\"日本\",3,125.7,\"Zürich\",0\n"
              "\"x, \"\"y\"\"\",4,,\"north\",1\n")
        << ext;
  }
  // gretl writes a double quote inside a text as \"; a backslash elsewhere is itself.
  const DataFileResult quoted = ReadDataFile(Gretl("quoted_strings.gdt"));
  ASSERT_EQ(quoted.error, "");
  EXPECT_EQ(CellText(quoted.matrix.Value(1, 2)), "a \"q\" b");
  EXPECT_EQ(CellText(quoted.matrix.Value(2, 2)), "back\\\\slash");
  EXPECT_EQ(CellText(quoted.matrix.Value(3, 2)), "x");
  const DataFileResult half = ReadDataFile(Gretl("half_special2.gdt"));
  ASSERT_EQ(half.error, "");
  EXPECT_EQ(Dump(half.matrix).substr(0, 70),
            "\"obs\",\"index\",\"time\",\"h\"\n\"1990:2\",1,1,1\n\"1991:1\",2,2,2\n\"1991:2\",3,3,3\n");
}

// Units 3 to 5 of a panel: gretl labels them from 1:01 (its .gdt says "3:01"). Its .gdtb
// keeps the codes of the whole panel's string-valued series (3 to 5) but stores the texts
// of these units alone, which gretl itself reads as the wrong firms: it is refused.
TEST(GdtbFiles, PartOfAPanel) {
  const DataFileResult gdt = ReadDataFile(Gretl("sample10_panel_units3to5.gdt"));
  ASSERT_EQ(gdt.error, "");
  const std::vector<std::string> labels = Lines(Gretl("sample10_panel_units3to5.labels.txt"));
  ASSERT_EQ(static_cast<int>(labels.size()), gdt.matrix.UpperRow());
  for (int i = 1; i <= gdt.matrix.UpperRow(); ++i) {
    EXPECT_EQ(CellText(gdt.matrix.Value(i, 0)), labels[static_cast<std::size_t>(i - 1)]) << i;
  }
  EXPECT_EQ(CellText(gdt.matrix.Value(1, 2)), "General Electric");
  EXPECT_EQ(CellText(gdt.matrix.Value(60, 2)), "Atlantic Refining");
  const DataFileResult gdtb = ReadDataFile(Gretl("sample10_panel_units3to5.gdtb"));
  EXPECT_FALSE(gdtb.matrix.IsAssigned());
  EXPECT_NE(gdtb.error.find("observation 21 of the string-valued series \"firmname\" holds 4, which is not the number "
                            "of one of its 3 texts"),
            std::string::npos)
      << gdtb.error;
}

// The bytes of a sample with `edit` applied.
std::string Edited(const char* sample, const std::function<void(std::string&)>& edit) {
  std::string bytes = TempDir::Read(Gretl(std::string(sample) + ".gdtb"));
  edit(bytes);
  return bytes;
}

void PutInt(std::string& b, std::size_t at, std::int32_t v) {
  for (int k = 0; k < 4; ++k) b[at + static_cast<std::size_t>(k)] = static_cast<char>((v >> (8 * k)) & 0xFF);
}

TEST(GdtbFiles, DamagedFilesAreRefusedWithTheReason) {
  const std::string klein = TempDir::Read(Gretl("sample6_klein_description.gdtb"));
  const std::string strings = TempDir::Read(Gretl("sample2_markers_strings.gdtb"));
  struct Case {
    const char* name;
    std::string bytes;
    const char* reason;  // a part of the message
  };
  const Case cases[] = {
      {"header.gdtb", klein.substr(0, 40), "the file ends inside its header"},
      {"names.gdtb", klein.substr(0, 0x50),
       "the file is cut short or its header is damaged: the header claims 9 series of 23 observations"},
      {"values.gdtb", klein.substr(0, klein.size() - 1500), "the file is cut short or its header is damaged"},
      // Sample 3 ends with its series' descriptions, the first at 0x197.
      {"labels.gdtb", TempDir::Read(Gretl("sample3_daily5.gdtb")).substr(0, 0x1a0),
       "the description of a series is damaged (entry 1)"},
      {"description.gdtb", klein.substr(0, klein.size() - 2), "the data set's description is damaged"},
      {"markers.gdtb", strings.substr(0, strings.size() - 60), "is damaged"},
      {"tail.gdtb", klein + "x", "the file has 1 bytes after the end of its data"},
      {"version.gdtb", Edited("sample1_annual", [](std::string& b) { PutInt(b, 0x0e, 2); }),
       "a gretl binary data file of a layout this program does not know (2 where gretl 2021b to 2022 write 1)"},
      {"claims.gdtb", Edited("sample1_annual", [](std::string& b) { PutInt(b, 0x1a, 0x7FFFFFFF); }),
       "the header claims 3 series of 2147483647 observations, more than the file's 603 bytes hold"},
      // Counts whose product overflows 64 bits.
      {"overflow.gdtb",
       Edited("sample1_annual",
              [](std::string& b) {
                PutInt(b, 0x16, 0x7FFFFFFF);
                PutInt(b, 0x1a, 0x7FFFFFFF);
              }),
       "the header claims 2147483646 series of 2147483647 observations"},
      {"flag.gdtb", Edited("sample1_annual", [](std::string& b) { PutInt(b, 0x1e, 7); }),
       "the header is damaged (a count below zero, a frequency below 1 or a flag other than 0 or 1)"},
      {"noseries.gdtb", Edited("sample1_annual", [](std::string& b) { PutInt(b, 0x16, 1); }),
       "the gretl data file holds no series"},
      // Code 7 of "region", which has three texts (its first value, at 0x4e + names +
      // 4 records of 112 bytes + index and pop of 4 observations).
      {"code.gdtb",
       Edited("sample2_markers_strings",
              [](std::string& b) {
                const std::size_t names = std::string("index\0pop\0region\0small\0", 23).size();
                const std::size_t at = 0x4e + names + 4 * 112 + 2 * 4 * 8;
                const double seven = 7.0;
                std::memcpy(&b[at], &seven, 8);
              }),
       "observation 1 of the string-valued series \"region\" holds 7, which is not the number of one of its 3 texts"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    const std::string path = dir.Write(c.name, c.bytes);
    const DataFileResult r = ReadDataFile(path);
    EXPECT_FALSE(r.matrix.IsAssigned()) << c.name;
    EXPECT_NE(r.error.find("Cannot read the data file \"" + path + "\": "), std::string::npos) << r.error;
    EXPECT_NE(r.error.find(c.reason), std::string::npos) << c.name << ": " << r.error;
  }
  // Every cut of a file is refused, never read as less data.
  for (std::size_t n = 0; n < strings.size(); ++n) {
    LabelledMatrix m;
    std::string error;
    EXPECT_FALSE(ReadGdtbBytes(std::string_view(strings).substr(0, n), m, error)) << n;
    EXPECT_FALSE(m.IsAssigned()) << n;
  }
}

// gretl's older .gdtb was a zip archive: it is named as such.
TEST(GdtbFiles, TheOlderZippedFormIsRefusedAsSuch) {
  TempDir dir;
  const std::string path = dir.File("old.gdtb");
  int code = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  ASSERT_NE(z, nullptr);
  static const char kXml[] = "<?xml version=\"1.0\"?><gretldata/>";
  zip_source_t* src = zip_source_buffer(z, kXml, sizeof kXml - 1, 0);
  zip_file_add(z, "data.xml", src, ZIP_FL_OVERWRITE);
  ASSERT_EQ(zip_close(z), 0);
  const DataFileResult r = ReadDataFile(path);
  EXPECT_FALSE(r.matrix.IsAssigned());
  EXPECT_NE(r.error.find("a gretl binary data file of the older, zipped kind (gretl before 2021b), which this "
                         "program does not read; open it in gretl and save it again, as .gdtb or .gdt"),
            std::string::npos)
      << r.error;
}

}  // namespace
}  // namespace quantorial
