// Data files of statistics programs (Stata, SPSS, SAS) through the one data file entry
// point. Every fixture is written here with libreadstat's own writer.

#include <gtest/gtest.h>
#include <readstat.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "MatrixBuilder.h"
#include "TempDir.h"
#include "io/DataFile.h"
#include "io/StatFile.h"

namespace quantorial {
namespace {

using testing::Dump;
using testing::TempDir;

enum class Kind { Dta, Sav, Zsav, Por, Sas7bdat, Xpt };

// A value of a column: missing, a number, a tagged missing value (Stata's .a) or a text.
struct Tagged {
  char tag;
};
using Value = std::variant<std::monostate, double, Tagged, std::string>;

struct Column {
  Column(std::string n, readstat_type_t t, std::vector<Value> v, std::string f = "", std::string l = "",
         std::vector<double> missing = {}, std::vector<std::pair<double, std::string>> labels = {})
      : name(std::move(n)),
        type(t),
        values(std::move(v)),
        format(std::move(f)),
        label(std::move(l)),
        userMissing(std::move(missing)),
        valueLabels(std::move(labels)) {}
  std::string name;
  readstat_type_t type;
  std::vector<Value> values;
  std::string format;               // "" for the writer's default
  std::string label;                // the variable's label
  std::vector<double> userMissing;  // SPSS user-defined missing values
  std::vector<std::pair<double, std::string>> valueLabels;
};

ssize_t WriteBytes(const void* data, std::size_t len, void* ctx) {
  static_cast<std::string*>(ctx)->append(static_cast<const char*>(data), len);
  return static_cast<ssize_t>(len);
}

// The bytes of a file of the given kind holding the columns (all of one length).
std::string Write(Kind kind, const std::vector<Column>& columns, int version = 0) {
  std::string bytes;
  readstat_writer_t* w = readstat_writer_init();
  readstat_set_data_writer(w, WriteBytes);
  if (version) readstat_writer_set_file_format_version(w, static_cast<std::uint8_t>(version));
  if (kind == Kind::Zsav) readstat_writer_set_compression(w, READSTAT_COMPRESS_BINARY);
  std::vector<readstat_variable_t*> vars;
  for (const Column& c : columns) {
    readstat_label_set_t* set = nullptr;
    if (!c.valueLabels.empty()) {
      set = readstat_add_label_set(w, c.type == READSTAT_TYPE_INT32 ? READSTAT_TYPE_INT32 : READSTAT_TYPE_DOUBLE,
                                   (c.name + "lbl").c_str());
      for (const auto& [v, text] : c.valueLabels) {
        if (c.type == READSTAT_TYPE_INT32) {
          readstat_label_int32_value(set, static_cast<std::int32_t>(v), text.c_str());
        } else {
          readstat_label_double_value(set, v, text.c_str());
        }
      }
    }
    // Portable files take upper-case names only.
    std::string name = c.name;
    if (kind == Kind::Por) {
      for (char& ch : name) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    }
    readstat_variable_t* v = readstat_add_variable(w, name.c_str(), c.type, c.type == READSTAT_TYPE_STRING ? 16 : 0);
    if (!c.format.empty()) readstat_variable_set_format(v, c.format.c_str());
    if (!c.label.empty()) readstat_variable_set_label(v, c.label.c_str());
    if (set) readstat_variable_set_label_set(v, set);
    for (double m : c.userMissing) readstat_variable_add_missing_double_value(v, m);
    vars.push_back(v);
  }
  const long rows = columns.empty() ? 0 : static_cast<long>(columns[0].values.size());
  readstat_error_t rc = READSTAT_OK;
  switch (kind) {
    case Kind::Dta:
      rc = readstat_begin_writing_dta(w, &bytes, rows);
      break;
    case Kind::Sav:
    case Kind::Zsav:
      rc = readstat_begin_writing_sav(w, &bytes, rows);
      break;
    case Kind::Por:
      rc = readstat_begin_writing_por(w, &bytes, rows);
      break;
    case Kind::Sas7bdat:
      rc = readstat_begin_writing_sas7bdat(w, &bytes, rows);
      break;
    case Kind::Xpt:
      rc = readstat_begin_writing_xport(w, &bytes, rows);
      break;
  }
  EXPECT_EQ(rc, READSTAT_OK) << readstat_error_message(rc);
  for (long r = 0; r < rows; ++r) {
    readstat_begin_row(w);
    for (std::size_t k = 0; k < columns.size(); ++k) {
      const Value& v = columns[k].values[static_cast<std::size_t>(r)];
      if (std::holds_alternative<std::monostate>(v)) {
        readstat_insert_missing_value(w, vars[k]);
      } else if (const auto* t = std::get_if<Tagged>(&v)) {
        readstat_insert_tagged_missing_value(w, vars[k], t->tag);
      } else if (const auto* s = std::get_if<std::string>(&v)) {
        readstat_insert_string_value(w, vars[k], s->c_str());
      } else {
        const double d = std::get<double>(v);
        switch (columns[k].type) {
          case READSTAT_TYPE_INT8:
            readstat_insert_int8_value(w, vars[k], static_cast<std::int8_t>(d));
            break;
          case READSTAT_TYPE_INT16:
            readstat_insert_int16_value(w, vars[k], static_cast<std::int16_t>(d));
            break;
          case READSTAT_TYPE_INT32:
            readstat_insert_int32_value(w, vars[k], static_cast<std::int32_t>(d));
            break;
          case READSTAT_TYPE_FLOAT:
            readstat_insert_float_value(w, vars[k], static_cast<float>(d));
            break;
          default:
            readstat_insert_double_value(w, vars[k], d);
            break;
        }
      }
    }
    readstat_end_row(w);
  }
  rc = readstat_end_writing(w);
  EXPECT_EQ(rc, READSTAT_OK) << readstat_error_message(rc);
  readstat_writer_free(w);
  return bytes;
}

std::string Stat(const std::string& name) { return std::string(QUANTORIAL_FIXTURES) + "/stat/" + name; }

std::string LoadDump(const std::string& path) {
  const DataFileResult r = ReadDataFile(path);
  EXPECT_EQ(r.error, "") << path;
  return Dump(r.matrix);
}

// Three observations of a double with a missing value, a whole number and a text, written
// in every format and read back under a name that says nothing of the format.
TEST(StatFiles, EveryFormatRoundTrips) {
  const std::vector<Column> columns = {
      {"gdp", READSTAT_TYPE_DOUBLE, {1234.5678901234, Value(), -0.001}},
      {"count", READSTAT_TYPE_INT32, {7.0, -3.0, 100000.0}},
      {"region", READSTAT_TYPE_STRING, {std::string("north"), std::string(""), std::string("a, \"b\"")}},
  };
  const std::string expected =
      "\"obs\",\"gdp\",\"count\",\"region\"\n"
      "1,1234.5678901234,7,\"north\"\n"
      "2,,-3,\n"
      "3,-0.001,1e+05,\"a, \"\"b\"\"\"\n";
  const std::string upperExpected = "\"obs\",\"GDP\",\"COUNT\",\"REGION\"\n" + expected.substr(expected.find('\n') + 1);
  struct Case {
    Kind kind;
    int version;
    const char* what;
  };
  const Case cases[] = {
      {Kind::Dta, 0, "dta (the writer's default version)"},
      {Kind::Dta, 104, "dta 104"},
      {Kind::Dta, 114, "dta 114"},
      {Kind::Dta, 117, "dta 117"},
      {Kind::Dta, 119, "dta 119"},
      {Kind::Sav, 0, "sav"},
      {Kind::Zsav, 0, "zsav"},
      {Kind::Por, 0, "por"},
      {Kind::Sas7bdat, 0, "sas7bdat"},
      {Kind::Xpt, 5, "xpt 5"},
      {Kind::Xpt, 8, "xpt 8"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    const std::string path = dir.Write("data.dat", Write(c.kind, columns, c.version));
    EXPECT_EQ(LoadDump(path), c.kind == Kind::Por ? upperExpected : expected) << c.what;
  }
}

// Single-precision numbers read as the exact double of the float, as Stata, pandas, haven
// and gretl compute with (pandas reads pandas_float32.dta as 0.10000000149011612 and
// 39.79999923706055), so that an estimate on the file agrees with theirs.
TEST(StatFiles, SinglePrecisionReadsAsTheExactDouble) {
  const std::vector<Column> columns = {{"share", READSTAT_TYPE_FLOAT, {39.8, 0.1, 1e-7}}};
  TempDir dir;
  for (Kind kind : {Kind::Dta, Kind::Sas7bdat}) {
    const DataFileResult r = ReadDataFile(dir.Write("f.dat", Write(kind, columns)));
    ASSERT_EQ(r.error, "");
    for (int i = 1; i <= 3; ++i) {
      const float f = static_cast<float>(std::get<double>(columns[0].values[static_cast<std::size_t>(i - 1)]));
      double v = 0.0;
      ASSERT_TRUE(r.matrix.GetDouble(i, 1, v));
      EXPECT_EQ(v, static_cast<double>(f)) << i;
    }
  }
  const DataFileResult pandas = ReadDataFile(Stat("pandas_float32.dta"));
  ASSERT_EQ(pandas.error, "");
  EXPECT_EQ(Dump(pandas.matrix), "\"obs\",\"f\"\n1,0.10000000149011612\n2,39.79999923706055\n");
}

// Files written by other programs, each with what its writer reads back
// (tests/io/fixtures/stat/README.md).
TEST(StatFiles, FilesOfOtherProgramsRead) {
  struct Case {
    const char* file;
    const char* dump;
  };
  const Case cases[] = {
      // gretl writes 1 in header byte 3, which Stata leaves 0.
      {"gretl_113.dta", "\"obs\",\"index\",\"x\"\n1,1,0.1\n2,2,2\n3,3,3.5\n"},
      // PSPP lists the digits twice in the character table.
      {"pspp_0.1.por", "\"obs\",\"X\"\n1,0.1\n"},
      // A user-missing value (-123.25) and a system-missing one are empty; a date is the
      // number of seconds since 1582-10-14 (1990-01-01 is 12,850,531,200).
      {"pspp_mixed.por",
       "\"obs\",\"X\",\"NAME\",\"D\"\n1,0.1,\"Austria\",12850531200\n2,,\"B, c\",13172457600\n3,,,13165977600\n"
       "4,1e+10,\"Zurich\",13200364800\n"},
      // No cases: a table with its header and no rows.
      {"pspp_zero_cases.zsav", "\"obs\",\"x\",\"y\"\n"},
      // Long texts in the three layouts of their references: 117 (4, 4 bytes), 118 (2, 6)
      // and 119 (3, 5).
      {"pandas_strl_117.dta", "\"obs\",\"x\",\"s\"\n1,1.5,\"first long text\"\n2,2,\n3,3,\"third\"\n"},
      {"pandas_strl_118.dta", "\"obs\",\"x\",\"s\"\n1,1.5,\"first long text\"\n2,2,\n3,3,\"third\"\n"},
      {"pandas_strl_119.dta", "\"obs\",\"x\",\"s\"\n1,1.5,\"first long text\"\n2,2,\n3,3,\"third\"\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(LoadDump(Stat(c.file)), c.dump) << c.file;
}

// A portable file written by libreadstat with its character table made as PSPP makes it
// (the digits 1 to 9 again at places 168 to 176) reads every number.
TEST(StatFiles, PortableFileWithPsppsCharacterTable) {
  const std::vector<Column> columns = {{"x", READSTAT_TYPE_DOUBLE, {0.1, -123.25, 1e10, 987654321.0}}};
  std::string bytes = Write(Kind::Por, columns);
  std::vector<std::size_t> at;  // the places of the table, which follows 200 bytes of title lines
  for (std::size_t i = 0, logical = 0; i < bytes.size() && at.size() < 256; ++i) {
    if (bytes[i] == '\r' || bytes[i] == '\n') continue;
    if (logical++ >= 200) at.push_back(i);
  }
  ASSERT_EQ(at.size(), 256u);
  for (int k = 0; k < 9; ++k) bytes[at[168 + static_cast<std::size_t>(k)]] = static_cast<char>('1' + k);
  TempDir dir;
  EXPECT_EQ(LoadDump(dir.Write("pspp.por", bytes)), "\"obs\",\"X\"\n1,0.1\n2,-123.25\n3,1e+10\n4,987654321\n");
}

// A text as wide as an SPSS text variable gets (32,767 bytes) keeps its last byte.
TEST(StatFiles, WidestSpssTextKeepsEveryByte) {
  for (bool compressed : {false, true}) {
    const std::string text = std::string(32766, 'x') + "Z";
    std::string bytes;
    readstat_writer_t* w = readstat_writer_init();
    readstat_set_data_writer(w, WriteBytes);
    if (compressed) readstat_writer_set_compression(w, READSTAT_COMPRESS_BINARY);
    readstat_variable_t* v = readstat_add_variable(w, "s", READSTAT_TYPE_STRING, 32767);
    ASSERT_EQ(readstat_begin_writing_sav(w, &bytes, 1), READSTAT_OK);
    readstat_begin_row(w);
    readstat_insert_string_value(w, v, text.c_str());
    readstat_end_row(w);
    ASSERT_EQ(readstat_end_writing(w), READSTAT_OK);
    readstat_writer_free(w);
    TempDir dir;
    const DataFileResult r = ReadDataFile(dir.Write(compressed ? "long.zsav" : "long.sav", bytes));
    ASSERT_EQ(r.error, "");
    const std::string got = CellText(r.matrix.Value(1, 0));  // a first text variable gives the labels
    EXPECT_EQ(got.size(), text.size()) << compressed;
    EXPECT_TRUE(got == text) << compressed;  // (not printed: 32,767 bytes)
  }
}

// A long text whose reference names no stored text is an error, never an empty cell; a
// file claiming more observations than a sheet holds says so.
TEST(StatFiles, StataLongTextsAndSizesThatDoNotHold) {
  TempDir dir;
  for (const char* file : {"pandas_strl_117.dta", "pandas_strl_118.dta", "pandas_strl_119.dta"}) {
    std::string bytes = TempDir::Read(Stat(file));
    // The first observation's reference: the record (x, a double, then s) follows "<data>".
    const std::size_t data = bytes.find("<data>") + 6;
    bytes[data + 8] = static_cast<char>(bytes[data + 8] + 5);  // another variable number
    const DataFileResult r = ReadDataFile(dir.Write("bad.dta", bytes));
    EXPECT_FALSE(r.matrix.IsAssigned()) << file;
    EXPECT_NE(r.error.find("observation 1 of \"s\" refers to a long text (strL) that the file does not hold"),
              std::string::npos)
        << file << ": " << r.error;
  }
  std::string bytes = TempDir::Read(Stat("pandas_strl_118.dta"));
  const std::size_t n = bytes.find("<N>") + 3;
  for (int k = 0; k < 8; ++k) bytes[n + static_cast<std::size_t>(k)] = k == 7 ? '\x40' : '\0';  // 2^62
  const DataFileResult r = ReadDataFile(dir.Write("huge.dta", bytes));
  EXPECT_FALSE(r.matrix.IsAssigned());
  EXPECT_NE(r.error.find("the file claims 4611686018427387904 observations of 2 variables, more than the 2 GB"),
            std::string::npos)
      << r.error;
}

TEST(StatFiles, StataTimeIndexBecomesTheObservationLabel) {
  struct Case {
    const char* format;
    double value;
    const char* label;  // as dumped
  };
  const Case cases[] = {
      {"%ty", 1990, "1990"},
      {"%tq", 120, "\"1990:1\""},
      {"%tq", -1, "\"1959:4\""},
      {"%tm", 361, "\"1990:02\""},
      {"%th", 61, "\"1990:2\""},
      {"%tw", 0, "\"1960:01\""},
      {"%td", 10958, "\"1990-01-01\""},
      {"%tdDD/NN/CCYY", -1, "\"1959-12-31\""},
      {"%tc", 1.5 * 86400000, "\"1960-01-02 12:00:00\""},
      {"%tg", -2.5, "-2.5"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    // The time index need not come first; the series keep their order around it.
    const std::vector<Column> columns = {
        {"x", READSTAT_TYPE_DOUBLE, {2.5}},
        {"t", READSTAT_TYPE_DOUBLE, {c.value}, c.format},
        {"y", READSTAT_TYPE_DOUBLE, {Value()}},
    };
    const std::string path = dir.Write("t.dta", Write(Kind::Dta, columns));
    EXPECT_EQ(LoadDump(path), std::string("\"t\",\"x\",\"y\"\n") + c.label + ",2.5,\n") << c.format;
  }
  // A number format is not a time index: the observations are numbered.
  EXPECT_EQ(StataTimeLabel("%9.0g", 120), "");
  EXPECT_EQ(StataTimeLabel("%tq", 120.5), "");
}

// An SPSS file with variable labels, value labels on a categorical variable, user-defined
// missing values and system-missing values: the categories read as their numbers, every
// kind of missing value as an empty cell, and the labels are not kept.
TEST(StatFiles, LabelsAndMissingValues) {
  const std::vector<Column> sav = {
      {"year", READSTAT_TYPE_DOUBLE, {1990.0, 1991.0, 1992.0}, "", "Calendar year"},
      {"sector",
       READSTAT_TYPE_DOUBLE,
       {1.0, 2.0, 9.0},
       "",
       "Sector of activity",
       {9.0},
       {{1.0, "Agriculture"}, {2.0, "Industry"}, {9.0, "Unknown"}}},
      {"output", READSTAT_TYPE_DOUBLE, {Value(), 99.0, 3.25}, "", "Gross output", {99.0}},
  };
  TempDir dir;
  EXPECT_EQ(LoadDump(dir.Write("labels.sav", Write(Kind::Sav, sav))),
            "\"obs\",\"year\",\"sector\",\"output\"\n"
            "1,1990,1,\n"
            "2,1991,2,\n"
            "3,1992,,3.25\n");
  // Stata's tagged missing values (.a to .z) are missing too.
  const std::vector<Column> dta = {
      {"v", READSTAT_TYPE_DOUBLE, {Tagged{'a'}, 1.0, Tagged{'z'}}, "", "", {}, {{1.0, "one"}}},
  };
  EXPECT_EQ(LoadDump(dir.Write("tagged.dta", Write(Kind::Dta, dta))), "\"obs\",\"v\"\n1,\n2,1\n3,\n");
}

TEST(StatFiles, DamagedFilesAreRefusedWithTheirName) {
  const std::vector<Column> columns = {{"x", READSTAT_TYPE_DOUBLE, {1.0, 2.0, 3.0}}};
  struct Case {
    const char* name;
    std::function<std::string()> bytes;
    const char* reason;  // a part of the message
  };
  const Case cases[] = {
      {"cut.dta", [&] { return Write(Kind::Dta, columns).substr(0, 200); }, "not a readable Stata data file"},
      {"cut.sav", [&] { return Write(Kind::Sav, columns).substr(0, 100); }, "not a readable SPSS data file"},
      {"cut.sas7bdat", [&] { return Write(Kind::Sas7bdat, columns).substr(0, 600); }, "not a readable SAS data set"},
      {"cut.xpt", [&] { return Write(Kind::Xpt, columns).substr(0, 100); }, "not a readable SAS transport file"},
      {"cut.por", [&] { return Write(Kind::Por, columns).substr(0, 520); }, "not a readable SPSS portable file"},
      {"locked.sav", [] { return std::string("ENCRYPTED\x01\x02\x03\x00\xff", 14); },
       "not a valid SPSS data file (damaged, encrypted, or of a kind this program does not read)"},
      {"noise.dta", [] { return std::string("\x7f\x00\x01\x02garbage", 11); },
       "not a valid Stata data file (damaged, encrypted, or of a kind this program does not read)"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    const std::string path = dir.Write(c.name, c.bytes());
    const DataFileResult r = ReadDataFile(path);
    EXPECT_FALSE(r.matrix.IsAssigned()) << c.name;
    EXPECT_NE(r.error.find("Cannot read the data file \"" + path + "\": "), std::string::npos) << r.error;
    EXPECT_NE(r.error.find(c.reason), std::string::npos) << r.error;
  }
}

// A file that declares more observations than a sheet may hold is refused before the
// table is allocated.
TEST(StatFiles, DeclaredSizeBeyondTheSheetBudgetIsRefused) {
  const std::vector<Column> columns = {{"x", READSTAT_TYPE_DOUBLE, {1.0}}, {"y", READSTAT_TYPE_DOUBLE, {2.0}}};
  std::string bytes = Write(Kind::Sav, columns);
  // The header keeps the number of cases as 4 bytes at offset 80.
  const unsigned long claimed = 0x7FFFFFFF;
  for (int k = 0; k < 4; ++k) bytes[80 + k] = static_cast<char>((claimed >> (8 * k)) & 0xFF);
  TempDir dir;
  const DataFileResult r = ReadDataFile(dir.Write("huge.sav", bytes));
  EXPECT_FALSE(r.matrix.IsAssigned());
  EXPECT_NE(r.error.find("the file claims 2147483647 observations of 2 variables, more than the 2 GB"),
            std::string::npos)
      << r.error;
}

}  // namespace
}  // namespace quantorial

namespace quantorial {
namespace {

// Whether two matrices hold the same cells, doubles compared bit for bit.
::testing::AssertionResult BitIdentical(const LabelledMatrix& a, const LabelledMatrix& b) {
  if (a.UpperRow() != b.UpperRow() || a.UpperCol() != b.UpperCol()) {
    return ::testing::AssertionFailure() << "shapes differ:\n" << Dump(a) << "\n" << Dump(b);
  }
  for (int i = 0; i <= a.UpperRow(); ++i) {
    for (int j = 0; j <= a.UpperCol(); ++j) {
      double x = 0.0, y = 0.0;
      const bool dx = a.GetDouble(i, j, x), dy = b.GetDouble(i, j, y);
      if (dx != dy || (dx && std::memcmp(&x, &y, sizeof x) != 0) || (!dx && !(a.Value(i, j) == b.Value(i, j)))) {
        return ::testing::AssertionFailure() << "cell (" << i << ", " << j << ") differs:\n"
                                             << Dump(a) << "\n"
                                             << Dump(b);
      }
    }
  }
  return ::testing::AssertionSuccess();
}

// Matrices written as .dta and read back: the same cells, bit for bit, for each kind of
// labels (consecutive years, other numbers, texts, none) and of data (awkward doubles,
// empty cells, a column of texts).
TEST(StataWriter, WrittenFileReadsBackBitIdentical) {
  using testing::E;
  using testing::M;
  using testing::T;
  const LabelledMatrix cases[] = {
      M({{T("Year"), T("C"), T("P")},
         {1920.0, 0.1, E},
         {1921.0, 1.0 / 3.0, -0.0},
         {1922.0, 1e-300, 123456789.12345679}}),
      M({{T("t"), T("x")}, {0.5, 8.98846567431157e307}, {-3.0, -2.2250738585072014e-308}, {7.0, 5e-324}}),
      M({{T("country"), T("gdp"), T("name")}, {T("AT"), 1.5, T("Austria")}, {T("BE"), E, E}, {E, 2.0, T("x, \"y\"")}}),
      M({{T("obs"), T("x")}, {E, 1.0}, {E, 2.0}}),
  };
  TempDir dir;
  for (const LabelledMatrix& m : cases) {
    std::string bytes, error;
    ASSERT_TRUE(StatisticsFileBytes("out.dta", m, bytes, error)) << error;
    const DataFileResult r = ReadDataFile(dir.Write("out.dta", bytes));
    ASSERT_EQ(r.error, "");
    EXPECT_TRUE(BitIdentical(r.matrix, m));
  }
  // Stata keeps the largest doubles as its missing-value codes: such a number is refused.
  std::string bytes, error;
  EXPECT_FALSE(StatisticsFileBytes("big.dta", M({{T("t"), T("x")}, {1.0, 2.0}, {2.0, -1e308}}), bytes, error));
  EXPECT_EQ(error, "cell B3 holds -1e+308, beyond the largest number a Stata data file holds (8.988e+307)");
}

// Column labels Stata does not take as names are made into names it does, and stay
// apart; the years are a yearly time index.
TEST(StataWriter, NamesAreMadeValidAndTheYearsAreATimeIndex) {
  using testing::M;
  using testing::T;
  const LabelledMatrix m =
      M({{T("Year"), T("GDP growth"), T("GDP-growth"), T("2nd"), T("if"), T("")}, {1990.0, 1.0, 2.0, 3.0, 4.0, 5.0}});
  std::string bytes, error;
  ASSERT_TRUE(StatisticsFileBytes("m.DTA", m, bytes, error)) << error;
  TempDir dir;
  EXPECT_EQ(LoadDump(dir.Write("m.dta", bytes)),
            "\"Year\",\"GDP_growth\",\"GDP_growth_2\",\"v2nd\",\"if_\",\"v5\"\n1990,1,2,3,4,5\n");
  EXPECT_NE(bytes.find("%ty"), std::string::npos);
  // The original labels are kept as the variables' labels.
  EXPECT_NE(bytes.find("GDP-growth"), std::string::npos);
}

TEST(GdtWriter, WrittenFileReadsBackBitIdenticalOrIsRefused) {
  using testing::E;
  using testing::M;
  using testing::T;
  const LabelledMatrix cases[] = {
      M({{T("obs"), T("C"), T("P")},
         {1920.0, 0.1, E},
         {1921.0, 1.0 / 3.0, 5e-324},
         {1922.0, 1e-300, 123456789.12345679}}),
      M({{T("obs"), T("x")}, {T("AT & <BE>"), 1.7976931348623157e308}, {2.5, -2.0}, {T("1990:2"), E}}),
  };
  TempDir dir;
  for (const LabelledMatrix& m : cases) {
    std::string bytes, error;
    ASSERT_TRUE(StatisticsFileBytes("out.gdt", m, bytes, error)) << error;
    const DataFileResult r = ReadDataFile(dir.Write("out.gdt", bytes));
    ASSERT_EQ(r.error, "");
    EXPECT_TRUE(BitIdentical(r.matrix, m));
  }
  // A label with a control character XML cannot hold, or bytes that are not UTF-8, still
  // gives a file that reads: the character is left out, the bytes become U+FFFD.
  {
    std::string bytes, error;
    ASSERT_TRUE(StatisticsFileBytes("odd.gdt",
                                    M({{T("obs"), T("x")},
                                       {T("a\x01"
                                          "b"),
                                        1.0},
                                       {T("c\xff"), 2.0},
                                       {T("tab\there"), 3.0}}),
                                    bytes, error))
        << error;
    const DataFileResult r = ReadDataFile(dir.Write("odd.gdt", bytes));
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(CellText(r.matrix.Get(1, 0)), "ab");
    EXPECT_EQ(CellText(r.matrix.Get(2, 0)), "c\uFFFD");
    EXPECT_EQ(CellText(r.matrix.Get(3, 0)), "tab\there");
  }
  std::string bytes, error;
  EXPECT_FALSE(StatisticsFileBytes("t.gdt", M({{T("obs"), T("x")}, {1.0, 2.0}, {2.0, T("n/a")}}), bytes, error));
  EXPECT_EQ(error, "cell B3 holds the text \"n/a\"; a gretl data file holds numbers only");
}

}  // namespace
}  // namespace quantorial
