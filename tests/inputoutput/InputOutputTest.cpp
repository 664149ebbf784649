// The input-output toolkit: reading tables, the Leontief and Ghosh inverses, multipliers and
// linkages, the sparse solvers against the dense one, RAS/GRAS balancing and the LP plan.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "MatrixBuilder.h"
#include "inputoutput/IoAnalysis.h"
#include "inputoutput/IoPlan.h"
#include "inputoutput/IoTable.h"
#include "inputoutput/Ras.h"

namespace quantorial {
namespace {

using testing::E;
using testing::M;
using testing::T;
using Rows = std::vector<std::vector<double>>;

// A labelled table from names and rows of numbers: row labels `rows`, column labels `cols`.
LabelledMatrix Table(const std::vector<std::string>& rows, const std::vector<std::string>& cols, const Rows& data) {
  LabelledMatrix m = LabelledMatrix::Dimension(static_cast<int>(rows.size()), static_cast<int>(cols.size()));
  for (std::size_t j = 0; j < cols.size(); ++j) m.Set(0, static_cast<int>(j + 1), cols[j]);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    m.Set(static_cast<int>(i + 1), 0, rows[i]);
    for (std::size_t j = 0; j < data[i].size(); ++j)
      m.Set(static_cast<int>(i + 1), static_cast<int>(j + 1), data[i][j]);
  }
  return m;
}

IoTable Read(const LabelledMatrix& m, IoReadOptions o = {}) {
  IoReadResult r = ReadIoTable(m, o, "table.csv");
  EXPECT_EQ(r.error, "");
  return r.table;
}

// The inverse of a small matrix by Gauss-Jordan elimination with partial pivoting: the
// tests' own computation, independent of the module's solvers.
Rows Inverse(Rows a) {
  const std::size_t n = a.size();
  Rows inv(n, std::vector<double>(n, 0.0));
  for (std::size_t i = 0; i < n; ++i) inv[i][i] = 1.0;
  for (std::size_t c = 0; c < n; ++c) {
    std::size_t p = c;
    for (std::size_t r = c + 1; r < n; ++r)
      if (std::abs(a[r][c]) > std::abs(a[p][c])) p = r;
    std::swap(a[c], a[p]);
    std::swap(inv[c], inv[p]);
    const double d = a[c][c];
    for (std::size_t j = 0; j < n; ++j) a[c][j] /= d, inv[c][j] /= d;
    for (std::size_t r = 0; r < n; ++r) {
      if (r == c) continue;
      const double f = a[r][c];
      for (std::size_t j = 0; j < n; ++j) a[r][j] -= f * a[c][j], inv[r][j] -= f * inv[c][j];
    }
  }
  return inv;
}
Rows IdentityMinus(const Rows& a) {
  Rows m = a;
  for (std::size_t i = 0; i < m.size(); ++i)
    for (std::size_t j = 0; j < m.size(); ++j) m[i][j] = (i == j ? 1.0 : 0.0) - a[i][j];
  return m;
}

void ExpectNear(const std::vector<double>& got, const std::vector<double>& want, double tol, const std::string& what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (std::size_t k = 0; k < want.size(); ++k) EXPECT_NEAR(got[k], want[k], tol) << what << " [" << k << "]";
}
void ExpectNear(const Rows& got, const Rows& want, double tol, const std::string& what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (std::size_t k = 0; k < want.size(); ++k) ExpectNear(got[k], want[k], tol, what + " row " + std::to_string(k));
}

// Miller & Blair, Input-Output Analysis (2nd ed., 2009), Table 2.3 and the example of
// section 2.3: two sectors, Z = [[150, 500], [200, 100]], x = [1000, 2000].
LabelledMatrix MillerBlairFlows() {
  return Table({"S1", "S2", "VA", "X"}, {"S1", "S2", "F"},
               {{150, 500, 350}, {200, 100, 1700}, {650, 1400, 0}, {1000, 2000, 0}});
}

TEST(IoTableTest, MillerBlairTable23GivesItsCoefficientsInverseAndOutputs) {
  IoReadOptions o;
  o.flows = true;
  o.totalRow = "X";
  const IoTable t = Read(MillerBlairFlows(), o);
  ASSERT_EQ(t.Sectors(), 2);
  EXPECT_EQ(t.primary, std::vector<std::string>{"VA"});
  ExpectNear(DenseCoefficients(t), {{0.15, 0.25}, {0.20, 0.05}}, 1e-15, "A");
  IoOptions a;
  a.demand = {600, 1500};
  const IoAnalysis r = AnalyseIoTable(t, a);
  ASSERT_EQ(r.error, "");
  EXPECT_TRUE(r.notices.empty()) << r.notices[0];
  // L = 1/0.7575 [[0.95, 0.25], [0.2, 0.85]] exactly; the book prints it to 4 decimals.
  ExpectNear(r.leontief, {{0.95 / 0.7575, 0.25 / 0.7575}, {0.2 / 0.7575, 0.85 / 0.7575}}, 1e-12, "L");
  ExpectNear(r.leontief, {{1.25412541, 0.330033}, {0.2640264, 1.12211221}}, 1e-6, "L as printed");
  ExpectNear(r.outputs, {1247.5247524752476, 1841.5841584158416}, 1e-8, "x");
  // The Ghosh inverse by its definition, (I - B)^-1 with B = diag(x)^-1 Z.
  const Rows b = {{150.0 / 1000, 500.0 / 1000}, {200.0 / 2000, 100.0 / 2000}};
  ExpectNear(r.ghosh, Inverse(IdentityMinus(b)), 1e-12, "G");
  // The supply-driven outputs of the table's own value added give back its total outputs.
  IoOptions s;
  s.supply = {650, 1400};
  ExpectNear(AnalyseIoTable(t, s).supplyOutputs, {1000, 2000}, 1e-9, "supply-driven x");
}

// A two-region interregional table of three sectors each (North N1..N3, South S1..S3), in the
// coefficient layout, with labour below: the blocks A_NN, A_NS, A_SN, A_SS.
const Rows kInterregional = {{0.15, 0.10, 0.05, 0.02, 0.01, 0.03}, {0.20, 0.25, 0.10, 0.04, 0.05, 0.02},
                             {0.05, 0.10, 0.20, 0.01, 0.02, 0.04}, {0.03, 0.02, 0.01, 0.10, 0.20, 0.05},
                             {0.02, 0.06, 0.03, 0.15, 0.10, 0.10}, {0.04, 0.01, 0.05, 0.05, 0.10, 0.15},
                             {0.30, 0.25, 0.40, 0.35, 0.20, 0.45}};
const std::vector<std::string> kRegions = {"N1", "N2", "N3", "S1", "S2", "S3"};

TEST(IoTableTest, InterregionalFeedbackMatchesTheBlockFormula) {
  std::vector<std::string> rows = kRegions;
  rows.push_back("Labour");
  const IoTable t = Read(Table(rows, kRegions, kInterregional));
  const IoAnalysis r = AnalyseIoTable(t, {});
  ASSERT_EQ(r.error, "");
  // Miller & Blair (2009), section 3.3: the North-North block of L is
  // (I - A_NN - A_NS (I - A_SS)^-1 A_SN)^-1, the interregional feedback in closed form.
  const auto block = [](int r0, int c0) {
    Rows b(3, std::vector<double>(3));
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) b[i][j] = kInterregional[r0 + i][c0 + j];
    return b;
  };
  const Rows ann = block(0, 0), ans = block(0, 3), asn = block(3, 0), ass = block(3, 3);
  const Rows lss = Inverse(IdentityMinus(ass));
  Rows feedback(3, std::vector<double>(3, 0.0));
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k)
        for (int l = 0; l < 3; ++l) feedback[i][j] += ans[i][k] * lss[k][l] * asn[l][j];
  Rows inner = IdentityMinus(ann);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) inner[i][j] -= feedback[i][j];
  const Rows lnn = Inverse(inner);
  Rows got(3);
  for (int i = 0; i < 3; ++i) got[i].assign(r.leontief[i].begin(), r.leontief[i].begin() + 3);
  ExpectNear(got, lnn, 1e-12, "L_NN");
}

// A productive table of n sectors with about `density` of its cells filled, from a fixed
// generator, and column sums of A below 0.9.
IoTable RandomTable(int n, double density, std::uint64_t seed) {
  auto next = [&seed]() {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(seed >> 11) / 9007199254740992.0;
  };
  LabelledMatrix m = LabelledMatrix::Dimension(n + 2, n);
  for (int k = 1; k <= n; ++k) {
    m.Set(0, k, "s" + std::to_string(k));
    m.Set(k, 0, "s" + std::to_string(k));
  }
  m.Set(n + 1, 0, std::string("Labour"));
  m.Set(n + 2, 0, std::string("CO2"));
  for (int j = 1; j <= n; ++j) {
    std::vector<double> col(static_cast<std::size_t>(n + 1), 0.0);
    double sum = 0.0;
    for (int i = 1; i <= n; ++i)
      if (next() < density) sum += col[static_cast<std::size_t>(i)] = next();
    const double scale = sum > 0 ? (0.3 + 0.6 * next()) / sum : 0.0;
    for (int i = 1; i <= n; ++i) m.Set(i, j, col[static_cast<std::size_t>(i)] * scale);
    m.Set(n + 1, j, next());
    m.Set(n + 2, j, 10 * next());
  }
  return Read(m);
}

TEST(IoAnalysisTest, SparseSolversAgreeWithTheDenseInverse) {
  const IoTable t = RandomTable(300, 0.05, 42);
  IoOptions dense;
  dense.demand.assign(300, 0.0);
  for (int k = 0; k < 300; ++k) dense.demand[static_cast<std::size_t>(k)] = 1 + k % 7;
  const IoAnalysis want = AnalyseIoTable(t, dense);
  ASSERT_EQ(want.error, "");
  ASSERT_EQ(want.leontief.size(), 300u);
  // The dense L itself against the table: (I - A) L = I.
  const Rows a = DenseCoefficients(t);
  double worst = 0.0;
  for (int i = 0; i < 300; i += 37)
    for (int j = 0; j < 300; ++j) {
      double v = want.leontief[i][j];
      for (int k = 0; k < 300; ++k) v -= a[i][k] * want.leontief[k][j];
      worst = std::max(worst, std::abs(v - (i == j ? 1.0 : 0.0)));
    }
  EXPECT_LT(worst, 1e-12);
  // Column sums of the dense L are the output multipliers.
  for (int j = 0; j < 300; j += 29) {
    double sum = 0.0;
    for (int i = 0; i < 300; ++i) sum += want.leontief[i][j];
    EXPECT_NEAR(want.outputMultipliers[j], sum, 1e-11);
  }
  for (IoSolver s : {IoSolver::Iterative, IoSolver::SparseLu, IoSolver::Neumann}) {
    IoOptions o = dense;
    o.solver = s;
    const IoAnalysis got = AnalyseIoTable(t, o);
    ASSERT_EQ(got.error, "") << IoSolverName(s);
    EXPECT_EQ(got.solverUsed, s);
    EXPECT_TRUE(got.leontief.empty()) << IoSolverName(s) << " formed L without being asked";
    ExpectNear(got.outputs, want.outputs, 1e-8, IoSolverName(s));
    ExpectNear(got.outputMultipliers, want.outputMultipliers, 1e-9, IoSolverName(s));
    ExpectNear(got.type1[1].second, want.type1[1].second, 1e-8, IoSolverName(s));
    ExpectNear(got.forward, want.forward, 1e-9, IoSolverName(s));
  }
  // Above the limit the automatic choice leaves L out unless asked.
  IoOptions large = dense;
  large.denseLimit = 100;
  EXPECT_TRUE(AnalyseIoTable(t, large).leontief.empty());
  large.formInverse = true;
  ExpectNear(AnalyseIoTable(t, large).leontief[5], want.leontief[5], 1e-12, "L formed on request");
}

// Three sectors with labour and households: the open table and the same table with the
// households written as a fourth sector give the same type-II multipliers.
TEST(IoAnalysisTest, MultipliersLinkagesAndHouseholds) {
  const Rows data = {{0.20, 0.30, 0.05, 0.25},   // Farm
                     {0.15, 0.10, 0.20, 0.30},   // Mill
                     {0.05, 0.05, 0.10, 0.20},   // Shop
                     {0.30, 0.25, 0.40, 0.02},   // HH (wages; households' own purchases)
                     {0.10, 0.30, 0.05, 0.00}};  // CO2
  const LabelledMatrix m = Table({"Farm", "Mill", "Shop", "HH", "CO2"}, {"Farm", "Mill", "Shop", "HH"}, data);
  IoReadOptions o;
  o.households = "HH";
  const IoTable open = Read(m, o);
  ASSERT_EQ(open.Sectors(), 3);
  ASSERT_TRUE(open.HouseholdsClosed());
  const IoAnalysis r = AnalyseIoTable(open, {});
  ASSERT_EQ(r.error, "");
  // Type I: the coefficients times L, by the tests' own inverse.
  const Rows a3 = {{0.20, 0.30, 0.05}, {0.15, 0.10, 0.20}, {0.05, 0.05, 0.10}};
  const Rows l = Inverse(IdentityMinus(a3));
  ASSERT_EQ(r.type1.size(), 2u);
  EXPECT_EQ(r.type1[1].first, "CO2");
  for (int j = 0; j < 3; ++j) {
    double wages = 0, co2 = 0, out = 0;
    for (int i = 0; i < 3; ++i) wages += data[3][i] * l[i][j], co2 += data[4][i] * l[i][j], out += l[i][j];
    EXPECT_NEAR(r.type1[0].second[j], wages, 1e-12);
    EXPECT_NEAR(r.type1[1].second[j], co2, 1e-12);
    EXPECT_NEAR(r.outputMultipliers[j], out, 1e-12);
  }
  // Type II from the closed table's inverse: the households' row of L-bar, and CO2 times L-bar.
  const Rows a4 = {data[0], data[1], data[2], data[3]};
  const Rows lbar = Inverse(IdentityMinus(a4));
  for (int j = 0; j < 3; ++j) {
    double co2 = 0;
    for (int i = 0; i < 4; ++i) co2 += data[4][i] * lbar[i][j];
    EXPECT_NEAR(r.type2[0].second[j], lbar[3][j], 1e-12);
    EXPECT_NEAR(r.type2[1].second[j], co2, 1e-12);
    EXPECT_GT(r.type2[0].second[j], r.type1[0].second[j]) << "induced effects add to the direct and indirect";
  }
  // The same economy as flows (z_ij = a_ij x_j, households' total income 300 in the row of
  // total outputs) closes to the same multipliers.
  const std::vector<double> x = {100, 200, 50, 300};
  Rows flowRows(6, std::vector<double>(4, 0.0));
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 4; ++j) flowRows[i][j] = data[i][j] * x[j];
  flowRows[5] = x;
  IoReadOptions fo;
  fo.flows = true;
  fo.totalRow = "X";
  fo.households = "HH";
  const IoTable fromFlows =
      Read(Table({"Farm", "Mill", "Shop", "HH", "CO2", "X"}, {"Farm", "Mill", "Shop", "HH"}, flowRows), fo);
  const IoAnalysis rf = AnalyseIoTable(fromFlows, {});
  ASSERT_EQ(rf.error, "");
  ASSERT_EQ(rf.type2.size(), 2u);
  ExpectNear(rf.type2[0].second, r.type2[0].second, 1e-12, "type II HH from flows");
  ExpectNear(rf.type2[1].second, r.type2[1].second, 1e-12, "type II CO2 from flows");
  // Rasmussen: n times each sum over the total, averaging 1.
  double total = 0;
  for (int j = 0; j < 3; ++j) total += r.outputMultipliers[j];
  for (int j = 0; j < 3; ++j) {
    EXPECT_NEAR(r.backward[j], 3 * r.outputMultipliers[j] / total, 1e-12);
    double rowSum = l[j][0] + l[j][1] + l[j][2];
    EXPECT_NEAR(r.forward[j], 3 * rowSum / total, 1e-12);
  }
  std::vector<std::string> key;
  for (int j = 0; j < 3; ++j)
    if (r.backward[j] > 1 && r.forward[j] > 1) key.push_back(open.sectors[j]);
  EXPECT_EQ(r.keySectors, key);
  // By exact fractions: backward (1.0008, 1.0485, 0.9507), forward (1.1814, 1.0334, 0.7851).
  EXPECT_EQ(r.keySectors, (std::vector<std::string>{"Farm", "Mill"}));
}

TEST(IoTableTest, BadTablesAreRefusedWithMessagesNamingTheCell) {
  struct Case {
    const char* name;
    LabelledMatrix m;
    IoReadOptions o;
    std::string message;
  };
  IoReadOptions flows;
  flows.flows = true;
  flows.totalRow = "X";
  IoReadOptions three;
  three.sectors = 3;
  const std::vector<Case> cases = {
      {"non-square block", Table({"A", "B"}, {"A", "B", "C"}, {{0.1, 0.2, 0.1}, {0.1, 0.1, 0.1}}), three,
       "table.csv: the sector block must be square, 3 sectors by 3, but the table has 2 rows and 3 columns of data."},
      {"text cell",
       M({{E, T("A"), T("B")}, {T("A"), 0.1, T("lots")}, {T("B"), 0.2, 0.3}}),
       {},
       "table.csv: row 2 (A), column 3 (B): \"lots\" is not a number."},
      {"negative output", Table({"A", "B", "X"}, {"A", "B"}, {{10, 20}, {5, 5}, {100, -50}}), flows,
       "table.csv: row 4 (X), column 3 (B): the total output -50 is negative; outputs are at least 0."},
      {"zero output", Table({"A", "B", "X"}, {"A", "B"}, {{10, 0}, {5, 0}, {100, 0}}), flows,
       "table.csv: row 4 (X), column 3 (B): the total output is 0, so the sector has no coefficients; leave it out of "
       "the table."},
      {"no total row", Table({"A", "B", "VA"}, {"A", "B"}, {{10, 20}, {5, 5}, {100, 50}}), flows,
       "table.csv: no row \"X\" of total outputs below the sector block."},
      {"households missing", Table({"A", "B"}, {"A", "B"}, {{0.1, 0.2}, {0.1, 0.1}}),
       IoReadOptions{0, false, "", "HH", ""}, "table.csv: no column \"HH\" of households to the right of the sectors."},
      // A flow over a small total output beyond what a number holds.
      {"flow over a small output", Table({"A", "B", "X"}, {"A", "B"}, {{1, 1}, {1e308, 1}, {0.5, 10}}), flows,
       "table.csv: row 3 (B), column 2 (A): the flow divided by its total is too large to hold as a number."},
      {"primary flow over a small output",
       Table({"A", "B", "VA", "X"}, {"A", "B"}, {{1, 1}, {1, 1}, {1, -1e308}, {10, 0.5}}), flows,
       "table.csv: row 4 (VA), column 3 (B): the flow divided by its total is too large to hold as a number."},
      {"households' flow over a small income", Table({"A", "HH", "X"}, {"A", "HH"}, {{1, 1e308}, {1, 1}, {10, 0.5}}),
       IoReadOptions{1, true, "X", "HH", ""},
       "table.csv: row 2 (A), column 3 (HH): the flow divided by its total is too large to hold as a number."},
      {"households' own flow over a small income",
       Table({"A", "HH", "X"}, {"A", "HH"}, {{1, 1}, {1, 1e308}, {10, 0.5}}), IoReadOptions{1, true, "X", "HH", ""},
       "table.csv: row 3 (HH), column 3 (HH): the flow divided by its total is too large to hold as a number."},
      // Names find the sectors and primary inputs (a demand, a plan's targets, the multipliers'
      // keys): one given twice would lose the other's data.
      {"sector named twice",
       Table({"A", "B", "A"}, {"A", "B", "A"}, {{0.1, 0.1, 0.1}, {0.1, 0.1, 0.1}, {0.1, 0.1, 0.1}}), three,
       "table.csv: the sector \"A\" is named twice, in rows 2 and 4; sectors need names of their own."},
      {"primary input named twice",
       Table({"A", "B", "VA", "VA"}, {"A", "B"}, {{0.1, 0.2}, {0.1, 0.1}, {1, 1}, {2, 2}}),
       {},
       "table.csv: the primary input \"VA\" is named twice, in rows 4 and 5; primary inputs need names of their own."},
      {"a primary input named as a sector",
       Table({"A", "B", "B"}, {"A", "B"}, {{0.1, 0.2}, {0.1, 0.1}, {1, 1}}),
       {},
       "table.csv: \"B\" names both a sector (row 3) and a primary input (row 4); they need names of their own."},
  };
  for (const Case& c : cases) {
    const IoReadResult r = ReadIoTable(c.m, c.o, "table.csv");
    EXPECT_EQ(r.error, c.message) << c.name;
    EXPECT_EQ(r.table.Sectors(), 0) << c.name;
  }
}

// Households beside the sectors are found by their name, or named (row and column apart).
TEST(IoTableTest, HouseholdsBesideTheSectors) {
  const Rows data = {{0.20, 0.30, 0.25}, {0.15, 0.10, 0.30}, {0.30, 0.25, 0.02}, {0.10, 0.30, 0.00}};
  // Open: "Households" is not taken for a third sector, and the notice says so.
  const IoReadResult open =
      ReadIoTable(Table({"Farm", "Mill", "Households", "CO2"}, {"Farm", "Mill", "Households"}, data), {}, "t.csv");
  ASSERT_EQ(open.error, "");
  EXPECT_EQ(open.table.sectors, (std::vector<std::string>{"Farm", "Mill"}));
  EXPECT_EQ(open.table.primary, (std::vector<std::string>{"Households", "CO2"}));
  ASSERT_EQ(open.notices.size(), 1u);
  EXPECT_EQ(open.notices[0],
            "t.csv: row 4 (Households) and column 4 (Households) are taken for the households, not a sector: the row "
            "is read as a primary input and the column is left out. Close the households into the table by their "
            "name, or give the number of sectors (3) to read them as a sector.");
  // Closed by one name, or by the row's and the column's when they differ: the same multipliers.
  IoReadOptions one;
  SetHouseholds(one, "HH");
  const IoTable byOne = Read(Table({"Farm", "Mill", "HH", "CO2"}, {"Farm", "Mill", "HH"}, data), one);
  IoReadOptions two;
  SetHouseholds(two, "Wages , Consumption");
  EXPECT_EQ(two.households, "Wages");
  EXPECT_EQ(two.householdColumn, "Consumption");
  EXPECT_EQ(HouseholdsText(two), "Wages,Consumption");
  const IoTable byTwo = Read(Table({"Farm", "Mill", "Wages", "CO2"}, {"Farm", "Mill", "Consumption"}, data), two);
  ASSERT_TRUE(byTwo.HouseholdsClosed());
  EXPECT_EQ(byTwo.sectors, byOne.sectors);
  const IoAnalysis a = AnalyseIoTable(byOne, {}), b = AnalyseIoTable(byTwo, {});
  ASSERT_EQ(b.type2.size(), 2u);
  ExpectNear(b.type2[0].second, a.type2[0].second, 0.0, "type II by two names");
  // A name missing says which.
  IoReadOptions wrong;
  SetHouseholds(wrong, "Wages,Spending");
  EXPECT_EQ(
      ReadIoTable(Table({"Farm", "Mill", "Wages", "CO2"}, {"Farm", "Mill", "Consumption"}, data), wrong, "t.csv").error,
      "t.csv: no column \"Spending\" of households to the right of the sectors.");
}

// A flow table read as coefficients says so; a two-column file without its header row, or
// without a sector's row, is refused in words.
TEST(IoTableTest, MisreadInputsAreNamed) {
  const IoReadResult asCoefficients = ReadIoTable(MillerBlairFlows(), {}, "mb.csv");
  ASSERT_EQ(asCoefficients.error, "");
  EXPECT_TRUE(asCoefficients.looksLikeFlows);
  EXPECT_EQ(asCoefficients.notices,
            std::vector<std::string>{"mb.csv: the coefficients of column 3 (S2) add up to 600, 1 or more: if the table "
                                     "holds flows rather than coefficients, read it as a flow table with its row of "
                                     "total outputs."});
  IoReadOptions flows;
  flows.flows = true;
  flows.totalRow = "X";
  EXPECT_FALSE(ReadIoTable(MillerBlairFlows(), flows, "mb.csv").looksLikeFlows);

  const std::vector<std::string> sectors = {"S1", "S2"};
  struct Case {
    LabelledMatrix m;
    std::string message;
  };
  const std::vector<Case> cases = {
      {M({{T("S1"), 600.0}, {T("S2"), 1500.0}}),
       "d.csv: the first row (\"S1\", 600) is read as the header, but it holds data: give the file a header row (for "
       "example \"label,value\") above the row targets."},
      {M({{T("label"), T("value")}, {T("S1"), 600.0}}), "d.csv: \"S2\" has no row in the row targets."},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadLabelledValues(c.m, sectors, "d.csv", "row targets").error, c.message);
}

// Negative cells are named, and "not productive" is said only of a spectral radius of 1 or
// more. The first table's column sums are 0.30 and 0.25 and its spectral radius 0.2 (trace
// 0.4, determinant 0.04: a double eigenvalue); L = [[0.7, -0.05], [0.2, 0.9]] / 0.64 has a
// negative entry from the negative cell alone. The second has no negative cell and
// eigenvalues 1.2 and -0.3; the third a negative cell and eigenvalues 1.2 and 0.3.
TEST(IoAnalysisTest, NegativeCellsAndProductivityAreToldApart) {
  struct Case {
    const char* name;
    Rows a;
    std::string notice;
    bool productive;
  };
  const std::vector<Case> cases = {
      {"negative cell, productive",
       {{0.1, -0.05}, {0.2, 0.3}},
       "The table has 1 negative coefficient: row \"S1\", column \"S2\" (-0.05). The Leontief inverse has negative "
       "entries, which come from it, so outputs for a demand above 0 can come out below 0. The table is productive "
       "(the spectral radius of A is below 1).",
       true},
      {"not productive",
       {{0.5, 0.8}, {0.7, 0.4}},
       "The table is not productive: the spectral radius of A is 1 or more (some sectors use up more than they make), "
       "so the Leontief inverse has negative entries and outputs for a demand above 0 can come out below 0.",
       false},
      {"negative cell, not productive",
       {{1.2, -0.1}, {0.0, 0.3}},
       "The table has 1 negative coefficient: row \"S1\", column \"S2\" (-0.1). The table is not productive: the "
       "spectral radius of A is 1.2, 1 or more, so outputs for a demand above 0 can come out below 0.",
       false},
  };
  for (const Case& c : cases) {
    const IoTable t = Read(Table({"S1", "S2"}, {"S1", "S2"}, c.a));
    const IoAnalysis r = AnalyseIoTable(t, {});
    ASSERT_EQ(r.error, "") << c.name;
    EXPECT_EQ(r.productive, c.productive) << c.name;
    EXPECT_EQ(r.notices, std::vector<std::string>{c.notice}) << c.name;
  }
  const IoAnalysis first = AnalyseIoTable(Read(Table({"S1", "S2"}, {"S1", "S2"}, cases[0].a)), {});
  ExpectNear(first.leontief, {{0.7 / 0.64, -0.05 / 0.64}, {0.2 / 0.64, 0.9 / 0.64}}, 1e-14, "L");
  // With a demand, the not productive table's outputs are below 0 and the Ghosh inverse is
  // left out, saying why: L = [[0.6, 0.8], [0.7, 0.5]] / -0.26, so x1 = -(0.6 + 0.8) / 0.26.
  IoOptions o;
  o.demand = {1, 1};
  const IoAnalysis r = AnalyseIoTable(Read(Table({"S1", "S2"}, {"S1", "S2"}, cases[1].a)), o);
  EXPECT_NEAR(r.outputs[0], -1.4 / 0.26, 1e-12);
  EXPECT_TRUE(r.ghosh.empty());
  ASSERT_EQ(r.notices.size(), 2u);
  EXPECT_EQ(r.notices[1],
            "The Ghosh inverse needs total outputs above 0, but the outputs for the final demand are not (sector "
            "\"S1\": -5.4), so it was left out, as the table is not productive.");
}

TEST(IoAnalysisTest, SingularTableIsRefusedByEverySolver) {
  // Sector B's output goes wholly into itself: I - A has a zero row.
  const IoTable t = Read(Table({"A", "B"}, {"A", "B"}, {{0.2, 0.3}, {0.0, 1.0}}));
  for (IoSolver s : {IoSolver::Automatic, IoSolver::SparseLu, IoSolver::Iterative}) {
    IoOptions o;
    o.solver = s;
    const IoAnalysis r = AnalyseIoTable(t, o);
    EXPECT_EQ(r.error, std::string(kSingularMessage)) << IoSolverName(s);
    EXPECT_TRUE(r.outputMultipliers.empty());
  }
}

// A table of n sectors built directly: a11 as given, every other sector using 0.1 of its own
// output and 0.2 of the sector before it's.
IoTable ChainTable(int n, double a11) {
  IoTable t;
  t.a.rows = t.a.cols = n;
  t.a.start.assign(1, 0);
  for (int j = 0; j < n; ++j) {
    t.sectors.push_back("s" + std::to_string(j + 1));
    t.a.row.push_back(j);
    t.a.value.push_back(j == 0 ? a11 : 0.1);
    if (j + 1 < n) {
      t.a.row.push_back(j + 1);
      t.a.value.push_back(0.2);
    }
    t.a.start.push_back(static_cast<long long>(t.a.row.size()));
  }
  return t;
}

// Whether I - A is too near to singular does not depend on the size of the table nor on the
// solver: a11 = 1 - 1e-15 is refused at 2,000 sectors (dense LU) and at 2,001 (BiCGSTAB, with
// UMFPACK behind it) alike, while a11 = 1 - 1e-10 is solved on every path with a notice. By
// hand, I - A's 1-norm condition number is then |I - A|_1 = 1.1 times the first column sum of
// its inverse, 1e10 (1 + 0.2/0.9 + (0.2/0.9)^2 + ...) = 1e10 / (1 - 0.2/0.9): 1.41e10.
TEST(IoAnalysisTest, NearSingularTablesAreJudgedAlikeOnEveryPath) {
  for (int n : {2000, 2001}) {
    const IoTable singular = ChainTable(n, 1.0 - 1e-15);
    IoOptions o;
    o.multipliers = false;
    const IoAnalysis r = AnalyseIoTable(singular, o);
    EXPECT_EQ(r.error, std::string(kSingularMessage)) << n << " sectors";
    EXPECT_TRUE(r.outputs.empty());
  }
  for (IoSolver s : {IoSolver::Dense, IoSolver::SparseLu, IoSolver::Iterative}) {
    IoOptions o;
    o.solver = s;
    o.multipliers = false;
    EXPECT_EQ(AnalyseIoTable(ChainTable(300, 1.0 - 1e-15), o).error, std::string(kSingularMessage)) << IoSolverName(s);
    o.demand.assign(300, 1.0);
    const IoAnalysis near = AnalyseIoTable(ChainTable(300, 1.0 - 1e-10), o);
    ASSERT_EQ(near.error, "") << IoSolverName(s);
    EXPECT_NEAR(std::log10(1.0 / near.reciprocalCondition), std::log10(1.1 * 1e10 / (1 - 0.2 / 0.9)), 0.05)
        << IoSolverName(s);
    ASSERT_EQ(near.notices.size(), 1u) << IoSolverName(s);
    EXPECT_EQ(near.notices[0].substr(0, 64), "I - A is nearly singular (its condition number is about 1.4e+10)")
        << near.notices[0];
  }
}

TEST(RasTest, TwoByTwoMeetsTheClosedForm) {
  // A 2 x 2 RAS keeps the cross-product ratio z11 z22 / (z12 z21) of the prior; with the
  // margins that leaves a quadratic for z11.
  const Rows prior = {{3, 1}, {2, 4}};
  const std::vector<double> u = {50, 70}, v = {40, 80};
  const RasResult r = BalanceRas(prior, u, v, {});
  ASSERT_EQ(r.error, "");
  const double k = 3.0 * 4.0 / (1.0 * 2.0);
  const double qa = 1 - k, qb = u[1] - v[0] + k * (u[0] + v[0]), qc = -k * u[0] * v[0];
  const double z11 = (-qb + std::sqrt(qb * qb - 4 * qa * qc)) / (2 * qa);
  ExpectNear(r.matrix, {{z11, u[0] - z11}, {v[0] - z11, u[1] - v[0] + z11}}, 1e-8, "RAS 2x2");
  EXPECT_GT(r.sweeps, 1);
  EXPECT_FALSE(r.generalised);
}

TEST(RasTest, MarginsAreMetAndGrasKeepsSigns) {
  struct Case {
    const char* name;
    Rows prior;
    std::vector<double> u, v;
  };
  const std::vector<Case> cases = {
      {"RAS 3x4 with a zero cell", {{10, 0, 5, 5}, {4, 6, 8, 2}, {1, 2, 3, 4}}, {25, 22, 13}, {17, 9, 18, 16}},
      {"GRAS with subsidies", {{7, 3, -2}, {2, 5, 1}, {4, -1, 6}}, {9, 10, 8}, {14, 6, 7}},
  };
  for (const Case& c : cases) {
    const RasResult r = BalanceRas(c.prior, c.u, c.v, {});
    ASSERT_EQ(r.error, "") << c.name;
    for (std::size_t i = 0; i < c.u.size(); ++i) {
      double sum = 0;
      for (std::size_t j = 0; j < c.v.size(); ++j) {
        sum += r.matrix[i][j];
        EXPECT_EQ(r.matrix[i][j] > 0, c.prior[i][j] > 0) << c.name;
        EXPECT_EQ(r.matrix[i][j] < 0, c.prior[i][j] < 0) << c.name;
      }
      EXPECT_NEAR(sum, c.u[i], 1e-8) << c.name;
    }
    for (std::size_t j = 0; j < c.v.size(); ++j) {
      double sum = 0;
      for (std::size_t i = 0; i < c.u.size(); ++i) sum += r.matrix[i][j];
      EXPECT_NEAR(sum, c.v[j], 1e-8) << c.name;
    }
  }
  EXPECT_TRUE(BalanceRas(cases[1].prior, cases[1].u, cases[1].v, {}).generalised);
  // A looser tolerance takes fewer sweeps.
  RasOptions loose;
  loose.tolerance = 1e-3;
  EXPECT_LT(BalanceRas(cases[0].prior, cases[0].u, cases[0].v, loose).sweeps,
            BalanceRas(cases[0].prior, cases[0].u, cases[0].v, {}).sweeps);
}

TEST(RasTest, RefusalsSayWhy) {
  struct Case {
    const char* name;
    Rows prior;
    std::vector<double> u, v;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"totals differ",
       {{1, 2}, {3, 4}},
       {10, 10},
       {5, 10},
       "The row targets add up to 20 but the column targets to 15: "
       "the margins must have the same total."},
      {"zero row",
       {{1, 2}, {0, 0}},
       {10, 10},
       {10, 10},
       "The prior's row \"b\" has no cell above 0, but its target is 10: no scaling reaches it."},
      {"zero column",
       {{1, 0}, {3, 0}},
       {10, 10},
       {10, 10},
       "The prior's column \"y\" has no cell above 0, but its target is 10: no scaling reaches it."},
      {"row count", {{1, 2}, {3, 4}}, {20}, {10, 10}, "There are 1 row targets for 2 rows."},
      // Row "b" needs all of column "x": only a matrix with the prior's (a, x) at 0 meets the
      // margins, which RAS approaches sweep after sweep without reaching.
      {"no matrix meets the margins",
       {{1, 1}, {1, 0}},
       {1, 9},
       {9, 1},
       "The prior's row \"a\", column \"x\" would have to be 0: row \"b\" has a target of 9 and cells only in "
       "column \"x\", whose target is the same, which leaves nothing of it for row \"a\". So no matrix with the "
       "prior's zero cells meets these margins. RAS would only creep towards a matrix with that cell at 0."},
      // Row "a" asks 10 of column "x" alone, which has 3 to give.
      {"a row asks more than its columns give",
       {{1, 0}, {1, 1}},
       {10, 2},
       {3, 9},
       "Row \"a\" has a target of 10 but cells only in column \"x\", whose target is 3: no matrix with the prior's "
       "zero cells meets these margins."},
  };
  for (const Case& c : cases) {
    const RasResult r = BalanceRas(c.prior, c.u, c.v, {}, {"a", "b"}, {"x", "y"});
    EXPECT_EQ(r.error.substr(0, c.message.size()), c.message) << c.name << ": " << r.error;
    EXPECT_TRUE(r.matrix.empty()) << c.name;
    EXPECT_EQ(r.sweeps, 0) << c.name << ": refused before sweeping";
  }
  // Read from the columns' side the shortage names fewer lines: column "x" has only row "a"
  // (target 1) to take its 8 from; unnamed lines go by number.
  const RasResult columns = BalanceRas({{1, 1}, {0, 1}, {0, 1}}, {1, 4, 4}, {8, 1}, {}, {"a"}, {"x", "y"});
  EXPECT_EQ(columns.error,
            "Column \"x\" has a target of 8 but cells only in row \"a\", whose target is 1: no matrix with the prior's "
            "zero cells meets these margins.");
  // Several lines at once, with a column whose target is 0 left aside.
  const RasResult several =
      BalanceRas({{1, 0, 1, 0, 0}, {1, 0, 1, 0, 0}, {1, 1, 0, 1, 1}}, {5, 5, 9}, {2, 6, 0, 6, 5}, {});
  EXPECT_EQ(several.error,
            "Rows 1 and 2 have targets adding up to 10 but cells only in column 1 (besides columns whose target is 0), "
            "whose target is 2: no matrix with the prior's zero cells meets these margins.");
}

// With a negative cell (GRAS) the transport check does not judge the margins; the sweeps give
// up as soon as the gap shrinks too slowly to reach the tolerance, not at the limit. Row "a"
// asks 10 of column "x", which has 3.
TEST(RasTest, GrasGivesUpWhenTheGapStallsAndSaysSo) {
  std::vector<int> told;
  RasOptions o;
  o.progress = [&told](int sweeps, double) {
    told.push_back(sweeps);
    return true;
  };
  const RasResult r = BalanceRas({{1, 0, 0}, {1, 1, 0}, {0, 1, -1}}, {10, 2, 1}, {3, 11, -1}, o, {"a", "b", "c"});
  EXPECT_EQ(r.error.substr(0, 42), "The margins were not met: after 500 sweeps") << r.error;
  EXPECT_NE(r.error.find("shrinking too slowly to reach 1e-10 within 10000 sweeps"), std::string::npos) << r.error;
  EXPECT_EQ(told.size(), 500u);
}

// Targets of 0 empty their lines, and the other lines balance around them.
TEST(RasTest, ZeroTargetsEmptyTheirLines) {
  const RasResult row = BalanceRas({{1, 2}, {3, 4}}, {3, 0}, {1, 2}, {});
  ASSERT_EQ(row.error, "");
  ExpectNear(row.matrix, {{1, 2}, {0, 0}}, 1e-12, "row b at 0");
  const RasResult col = BalanceRas({{1, 2}, {3, 4}}, {2, 4}, {6, 0}, {});
  ASSERT_EQ(col.error, "");
  ExpectNear(col.matrix, {{2, 0}, {4, 0}}, 1e-12, "column y at 0");
  // A target far below the total is met like any other.
  const RasResult tiny = BalanceRas({{1, 1}, {1, 1}}, {1e6, 1e-9}, {5e5, 5e5 + 1e-9}, {});
  ASSERT_EQ(tiny.error, "");
  EXPECT_NEAR(tiny.matrix[1][0] + tiny.matrix[1][1], 1e-9, 1e-18);
}

// A prior of 120 x 90 with a quarter of its cells filled, balanced to the margins of a
// perturbed copy: the margins are met, and the result is the prior scaled by rows and by
// columns (every 2 x 2 cross-product ratio of result to prior is 1), which is what RAS is.
// The progress reports each sweep with the gap, and a callback that says no cancels.
TEST(RasTest, SparsePriorBalancesToABiproportionalScaling) {
  std::uint64_t seed = 99;
  auto next = [&seed]() {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(seed >> 11) / 9007199254740992.0;
  };
  const std::size_t m = 120, n = 90;
  Rows prior(m, std::vector<double>(n, 0.0));
  std::vector<double> u(m, 0.0), v(n, 0.0);
  for (std::size_t i = 0; i < m; ++i)
    for (std::size_t j = 0; j < n; ++j)
      if (next() < 0.25 || i % n == j) {
        prior[i][j] = 1 + 9 * next();
        const double z = prior[i][j] * (0.5 + next());
        u[i] += z, v[j] += z;
      }
  std::vector<double> gaps;
  RasOptions o;
  o.progress = [&gaps](int sweeps, double gap) {
    gaps.push_back(gap);
    return sweeps == static_cast<int>(gaps.size());
  };
  const RasResult r = BalanceRas(prior, u, v, o);
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(gaps.size(), static_cast<std::size_t>(r.sweeps));
  EXPECT_LE(gaps.back(), o.tolerance);
  for (std::size_t i = 0; i < m; ++i) {
    double sum = 0.0;
    for (double z : r.matrix[i]) sum += z;
    EXPECT_NEAR(sum, u[i], 1e-9 * u[i]);
  }
  for (std::size_t j = 0; j < n; ++j) {
    double sum = 0.0;
    for (std::size_t i = 0; i < m; ++i) sum += r.matrix[i][j];
    EXPECT_NEAR(sum, v[j], 1e-9 * v[j]);
  }
  double worst = 0.0;
  for (std::size_t i = 0; i + 1 < m; ++i)
    for (std::size_t j = 0; j + 1 < n; ++j) {
      const std::size_t k = i + 1, l = (j + 7) % n;
      if (prior[i][j] == 0 || prior[k][l] == 0 || prior[i][l] == 0 || prior[k][j] == 0) continue;
      const double ratio = (r.matrix[i][j] * r.matrix[k][l] * prior[i][l] * prior[k][j]) /
                           (prior[i][j] * prior[k][l] * r.matrix[i][l] * r.matrix[k][j]);
      worst = std::max(worst, std::abs(ratio - 1.0));
    }
  EXPECT_LT(worst, 1e-10);

  RasOptions cancel;
  int told = 0;
  cancel.progress = [&told](int, double) { return ++told < 3; };
  const RasResult stopped = BalanceRas(prior, u, v, cancel);
  EXPECT_TRUE(stopped.cancelled);
  EXPECT_EQ(stopped.error, "The balancing was cancelled after 3 sweeps.");
  EXPECT_TRUE(stopped.matrix.empty());
}

// Three sectors with a zero diagonal (the layout the B-matrix uses) and labour below.
LabelledMatrix ThreeSectors() {
  return Table({"S1", "S2", "S3", "LABOUR"}, {"S1", "S2", "S3"},
               {{0, 0.2, 0.1}, {0.1, 0, 0.2}, {0.2, 0.1, 0}, {0.5, 0.4, 0.6}});
}

TEST(IoPlanTest, InequalityPlanStaysNonNegativeWhereTheEquationPlanDoesNot) {
  // By hand: the equation plan reads "S1 at least 100" as the equation of a surplus variable
  // p = x1 beside (I - A) x - p e1 = d, which leaves row 1 as -0.2 x2 - 0.1 x3 = 100: with
  // S2 = 200 and S3 = 150 it gives x = (-23000/7, -11500/49, -26000/49), every output below 0.
  // As an inequality, least labour puts d1 at its bound, d = (100, 200, 150), and
  // x = L d = (23000/133, 34500/133, 4000/19) = (172.93, 259.40, 210.53), labour 42100/133.
  const IoTable t = Read(ThreeSectors());
  const LabelledMatrix plan = M({{T("label"), T("relation"), T("value")},
                                 {T("S1"), T(">="), 100.0},
                                 {T("S2"), T("="), 200.0},
                                 {T("S3"), T("="), 150.0},
                                 {T("LABOUR"), T("<="), 5000.0},
                                 {T("objective"), T("min"), T("LABOUR")}});
  const IoPlanRead spec = ReadIoPlan(plan, t, "plan.csv");
  ASSERT_EQ(spec.error, "");
  const IoPlanResult r = SolveIoPlan(t, spec.spec, {});
  ASSERT_EQ(r.status, "optimal") << r.message;
  ExpectNear(r.outputs, {23000.0 / 133, 34500.0 / 133, 4000.0 / 19}, 1e-8, "x");
  ExpectNear(r.demand, {100, 200, 150}, 1e-8, "d");
  ExpectNear(r.primary, {42100.0 / 133}, 1e-8, "labour");
  EXPECT_EQ(r.binding, (std::vector<std::string>{"S1 >= 100", "S2 = 200", "S3 = 150"}));
  // The shadow price of a sector's demand is its labour multiplier (labour coefficients times L).
  const IoAnalysis m = AnalyseIoTable(t, {});
  ASSERT_EQ(r.duals.size(), 4u);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(r.duals[k].second, m.type1[0].second[k], 1e-9) << r.duals[k].first;
  EXPECT_NEAR(r.duals[3].second, 0.0, 1e-12) << "labour does not bind";
}

TEST(IoPlanTest, StatusesInWords) {
  const IoTable t = Read(ThreeSectors());
  struct Case {
    const char* name;
    LabelledMatrix plan;
    std::string status, message;
  };
  const std::vector<Case> cases = {
      {"labour too short",
       M({{T("label"), T("relation"), T("value")},
          {T("S1"), T(">="), 100.0},
          {T("LABOUR"), T("<="), 10.0},
          {T("objective"), T("min"), T("LABOUR")}}),
       "infeasible",
       "The plan is infeasible: no outputs of 0 or more meet all the targets, bounds and limits together."},
      {"nothing limits demand",
       M({{T("label"), T("relation"), T("value")}, {T("S1"), T(">="), 100.0}, {T("objective"), T("max"), T("DEMAND")}}),
       "unbounded",
       "The plan is unbounded: max DEMAND grows without limit; add a limit on a primary input or a bound on an "
       "output."},
      {"labour limits demand",
       M({{T("label"), T("relation"), T("value")},
          {T("LABOUR"), T("<="), 1000.0},
          {T("output S2"), T("<="), 400.0},
          {T("objective"), T("max"), T("DEMAND")}}),
       "optimal", ""},
  };
  for (const Case& c : cases) {
    const IoPlanRead spec = ReadIoPlan(c.plan, t, "plan.csv");
    ASSERT_EQ(spec.error, "") << c.name;
    const IoPlanResult r = SolveIoPlan(t, spec.spec, {});
    EXPECT_EQ(r.status, c.status) << c.name;
    if (!c.message.empty()) {
      EXPECT_EQ(r.message, c.message) << c.name;
    }
  }
  // Demand in the direction (1, 1, 1) under 1000 of labour, S2's output at most 400: the
  // binding constraint is labour or the bound, and every output is at least 0.
  const IoPlanRead spec = ReadIoPlan(cases[2].plan, t, "plan.csv");
  const IoPlanResult r = SolveIoPlan(t, spec.spec, {});
  for (double x : r.outputs) EXPECT_GE(x, -1e-9);
  EXPECT_FALSE(r.binding.empty());
  EXPECT_LE(r.outputs[1], 400 + 1e-9);
}

TEST(IoPlanTest, BadPlanRowsAreNamed) {
  const IoTable t = Read(ThreeSectors());
  const auto header = std::initializer_list<Cell>{T("label"), T("relation"), T("value")};
  struct Case {
    LabelledMatrix plan;
    std::string message;
  };
  const std::vector<Case> cases = {
      {M({header, {T("S1"), T("<>"), 10.0}, {T("objective"), T("min"), T("LABOUR")}}),
       "plan.csv: row 2 (S1): the relation \"<>\" is not one; a relation is <, <=, =<, \u2264, >, >=, =>, \u2265 or "
       "=."},
      {M({header, {T("S9"), T("="), 10.0}, {T("objective"), T("min"), T("LABOUR")}}),
       "plan.csv: row 2 (S9): \"S9\" is neither a sector, \"output\" and a sector, nor a primary input of the table."},
      {M({header, {T("S1"), T("="), T("ten")}, {T("objective"), T("min"), T("LABOUR")}}),
       "plan.csv: row 2 (S1): the value \"ten\" is not a number."},
      {M({header, {T("S1"), T("="), 10.0}}),
       "plan.csv: the plan has no objective row (objective, min or max, and a primary input, a sector or DEMAND)."},
      {M({header, {T("objective"), T("least"), T("LABOUR")}}),
       "plan.csv: row 2 (objective): the objective is \"min\" or \"max\", not \"least\"."},
      {M({header, {T("objective"), T("min"), T("WATER")}}),
       "plan.csv: row 2 (objective): the objective names \"WATER\", which is neither a primary input, a sector nor "
       "DEMAND."},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadIoPlan(c.plan, t, "plan.csv").error, c.message);
}

}  // namespace
}  // namespace quantorial
