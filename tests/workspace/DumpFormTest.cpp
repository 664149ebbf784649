#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "workspace/DumpForm.h"
#include "workspace/LabelledMatrix.h"
#include "workspace/ValueRules.h"

namespace quantorial {
namespace {

TEST(DumpForm, EveryKindOfCell) {
  LabelledMatrix m = LabelledMatrix::Dimension(1, 5);
  m.Set(0, 0, std::string("say \"hi\", twice"));
  m.Set(0, 1, 0.1);
  m.Set(0, 2, 1e-7);
  m.Set(0, 3, std::int16_t{-7});
  m.Set(0, 4, 0.1f);
  m.Set(1, 1, -0.0);
  m.Set(1, 2, 1e21);
  m.Set(1, 3, std::string(""));
  m.Set(1, 5, 1941.0);
  EXPECT_EQ(DumpText(m), "\"say \"\"hi\"\", twice\",0.1,1e-07,-7,0.10000000149011612,\n,-0,1e+21,\"\",,1941\n");
}

TEST(DumpForm, BoundsAndUnassigned) {
  EXPECT_EQ(DumpText(LabelledMatrix()), "");
  LabelledMatrix one = LabelledMatrix::Dimension(1, 2, 1, 2);
  one.Set(1, 1, 1.0);
  one.Set(2, 2, 1.0);
  EXPECT_EQ(DumpText(one), "1,\n,1\n");
  EXPECT_EQ(DumpText(LabelledMatrix::Dimension(0, 0)), "\n");
}

// The dump form written the plain way, a cell at a time through the general cell rules:
// the formatter that works in blocks must give the same bytes.
std::string CellByCellDump(const LabelledMatrix& m) {
  std::string out;
  if (!m.IsAssigned()) return out;
  for (int i = m.Lower(1); i <= m.Upper(1); ++i) {
    for (int j = m.Lower(2); j <= m.Upper(2); ++j) {
      if (j > m.Lower(2)) out += ',';
      const Cell& c = m.Value(i, j);
      if (IsText(c)) {
        out += '"';
        for (char ch : std::get<std::string>(c)) {
          if (ch == '"') out += '"';
          out += ch;
        }
        out += '"';
      } else if (IsNumber(c)) {
        out += ShortestText(NumberOf(c));
      }
    }
    out += '\n';
  }
  return out;
}

// A matrix of awkward cells at awkward bounds: every kind, the boundaries between the
// fixed and the exponent forms, subnormals, infinities and NaNs of both signs, texts with
// quotes, commas, line breaks, long texts that no buffer estimate foresees.
LabelledMatrix AwkwardMatrix(int rows, int cols) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<Cell> kinds = {Cell(),
                                   0.0,
                                   -0.0,
                                   1e21,
                                   9.999999999999999e20,
                                   1e-7,
                                   1.0000000000000002e-7,
                                   -1e-6,
                                   std::numeric_limits<double>::denorm_min(),
                                   -2.2250738585072014e-308,
                                   std::numeric_limits<double>::max(),
                                   -1.7976931348623157e308,
                                   inf,
                                   -inf,
                                   std::nan(""),
                                   -std::nan(""),
                                   0.1 + 0.2,
                                   123456789012345680.0,
                                   std::int16_t{-32768},
                                   std::int16_t{7},
                                   0.1f,
                                   -3.4028235e38f,
                                   std::string(),
                                   std::string("plain"),
                                   std::string("a \"quoted\", text"),
                                   std::string("two\nlines\r\n"),
                                   std::string("\"\"\""),
                                   std::string(5000, '"'),
                                   std::string("caf\xc3\xa9,")};
  LabelledMatrix m = LabelledMatrix::Dimension(-1, rows - 2, 2, cols + 1);
  std::mt19937 gen(30);
  std::uniform_int_distribution<std::size_t> pick(0, kinds.size() - 1);
  for (int i = m.Lower(1); i <= m.Upper(1); ++i) {
    for (int j = m.Lower(2); j <= m.Upper(2); ++j) m.Put(i, j, kinds[pick(gen)]);
  }
  return m;
}

TEST(DumpForm, BlocksAndThreadsGiveTheBytesOfTheCellByCellForm) {
  struct Case {
    int rows, cols;
    unsigned threads;
    std::size_t blockCells;
  } cases[] = {
      {1, 1, 1, 1},    {1, 29, 3, 1},   {40, 7, 1, 1},     {40, 7, 2, 1},    {97, 13, 3, 50},
      {97, 13, 8, 13}, {300, 5, 2, 64}, {300, 5, 0, 1000}, {5, 300, 4, 299}, {64, 64, 0, 1 << 17},
  };
  for (const Case& c : cases) {
    const LabelledMatrix m = AwkwardMatrix(c.rows, c.cols);
    const std::string expected = CellByCellDump(m);
    std::string got;
    std::size_t pieces = 0;
    EXPECT_TRUE(DumpPieces(m,
                           [&](std::string_view piece) {
                             got.append(piece);
                             ++pieces;
                             return true;
                           },
                           {c.threads, c.blockCells}));
    EXPECT_EQ(got, expected) << c.rows << " x " << c.cols << ", " << c.threads << " threads";
    EXPECT_EQ(DumpText(m), expected);
    EXPECT_GE(pieces, 1u);
  }
}

TEST(DumpForm, ASinkThatFailsStopsTheDump) {
  const LabelledMatrix m = AwkwardMatrix(200, 3);
  for (unsigned threads : {1u, 2u, 5u}) {
    int calls = 0;
    EXPECT_FALSE(DumpPieces(m, [&](std::string_view) { return ++calls < 3; }, {threads, 4}));
    EXPECT_EQ(calls, 3) << threads << " threads";
  }
}

}  // namespace
}  // namespace quantorial
