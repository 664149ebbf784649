#include "inputoutput/IoTable.h"

#include <cctype>
#include <cmath>
#include <sstream>
#include <unordered_map>

#include "workspace/ValueRules.h"

namespace quantorial {
namespace {

std::string Trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  const auto last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

std::string Label(const LabelledMatrix& m, int i, int j) { return Trimmed(CellText(m.Get(i, j))); }

// "row 3 (Industry)": a row by its number in the file (the header is row 1) and its label.
std::string RowName(const LabelledMatrix& m, int i) {
  const std::string label = Label(m, i, 0);
  return "row " + std::to_string(i + 1) + (label.empty() ? std::string() : " (" + label + ")");
}
std::string ColumnName(const LabelledMatrix& m, int j) {
  const std::string label = Label(m, 0, j);
  return "column " + std::to_string(j + 1) + (label.empty() ? std::string() : " (" + label + ")");
}

// The number in cell (i, j): blank is 0; a text that is not wholly a number, or a value that
// is not finite, is an error naming the cell.
bool CellNumber(const LabelledMatrix& m, int i, int j, const std::string& source, double& out, std::string& error) {
  const Cell c = m.Get(i, j);
  if (IsBlank(c)) {
    out = 0.0;
    return true;
  }
  const auto v = ArithmeticValue(c);
  if (!v || !std::isfinite(*v)) {
    error = source + ": " + RowName(m, i) + ", " + ColumnName(m, j) + ": \"" + CellText(c) + "\" is not a number.";
    return false;
  }
  out = *v;
  return true;
}

// A label that names the households: "Households", "Household income", "HH", ...
bool LooksLikeHouseholds(const std::string& label) {
  std::string lower;
  for (char c : label) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower == "hh" || lower == "hhld" || lower == "hhs" || lower.rfind("household", 0) == 0;
}

int FindRow(const LabelledMatrix& m, const std::string& label, int from) {
  for (int i = from; i <= m.UpperRow(); ++i)
    if (Label(m, i, 0) == label) return i;
  return -1;
}
int FindColumn(const LabelledMatrix& m, const std::string& label, int from) {
  for (int j = from; j <= m.UpperCol(); ++j)
    if (Label(m, 0, j) == label) return j;
  return -1;
}

}  // namespace

IoReadResult ReadIoTable(const LabelledMatrix& m, const IoReadOptions& o, const std::string& source) {
  IoReadResult r;
  const auto fail = [&r](std::string text) {
    r.error = std::move(text);
    r.table = IoTable();
    return r;
  };
  if (!m.IsFilled() || m.UpperCol() < 1) return fail(source + ": the table holds no sectors.");
  const int rows = m.UpperRow(), cols = m.UpperCol();
  // The sector block: as given, or the leading sectors whose row and column labels agree, or
  // (for coefficients) every column but the households'.
  int n = o.sectors;
  const std::string& hColumn = o.HouseholdColumn();
  if (n < 0) return fail(source + ": the number of sectors must be at least 1.");
  if (n == 0) {
    while (n < std::min(rows, cols) && !Label(m, n + 1, 0).empty() && Label(m, n + 1, 0) == Label(m, 0, n + 1) &&
           Label(m, n + 1, 0) != o.households && Label(m, 0, n + 1) != hColumn) {
      // Households beside the sectors are not one of them, closed or not.
      if (o.households.empty() && n > 0 && LooksLikeHouseholds(Label(m, n + 1, 0))) {
        r.notices.push_back(source + ": " + RowName(m, n + 1) + " and " + ColumnName(m, n + 1) +
                            " are taken for the households, not a sector: the row is read as a primary input and "
                            "the column is left out. Close the households into the table by their name, or give "
                            "the number of sectors (" +
                            std::to_string(n + 1) + ") to read them as a sector.");
        break;
      }
      ++n;
    }
    if (n == 0 && !o.flows) n = cols - (!o.households.empty() && FindColumn(m, hColumn, 1) > 0 ? 1 : 0);
    if (n == 0)
      return fail(source +
                  ": no sector block found (no row label matches its column label); give the number of sectors.");
  }
  if (n > cols || n > rows) {
    return fail(source + ": the sector block must be square, " + std::to_string(n) + " sectors by " +
                std::to_string(n) + ", but the table has " + std::to_string(rows) + " rows and " +
                std::to_string(cols) + " columns of data.");
  }
  for (int k = 1; k <= n; ++k) {
    const std::string rl = Label(m, k, 0), cl = Label(m, 0, k);
    if (!rl.empty() && !cl.empty() && rl != cl) {
      r.notices.push_back(source + ": sector " + std::to_string(k) + " is \"" + rl + "\" in the rows but \"" + cl +
                          "\" in the columns; the rows' name is used.");
    }
  }

  IoTable& t = r.table;
  for (int k = 1; k <= n; ++k) {
    std::string name = Label(m, k, 0);
    if (name.empty()) name = Label(m, 0, k);
    if (name.empty()) name = "S" + std::to_string(k);
    t.sectors.push_back(name);
  }
  // Every sector and primary input is found by its name (a demand, a plan's targets, the
  // multipliers' keys): a name given twice would lose one of them.
  std::unordered_map<std::string, int> sectorRow;
  for (int k = 1; k <= n; ++k) {
    const auto [at, added] = sectorRow.emplace(t.sectors[static_cast<std::size_t>(k - 1)], k);
    if (!added) {
      return fail(source + ": the sector \"" + at->first + "\" is named twice, in rows " +
                  std::to_string(at->second + 1) + " and " + std::to_string(k + 1) +
                  "; sectors need names of their own.");
    }
  }

  // Total outputs (flows only).
  int xRow = -1;
  if (o.flows) {
    if (o.totalRow.empty()) return fail(source + ": a flow table needs the name of its row of total outputs.");
    xRow = FindRow(m, o.totalRow, n + 1);
    if (xRow < 0) return fail(source + ": no row \"" + o.totalRow + "\" of total outputs below the sector block.");
    t.totalOutput.resize(static_cast<std::size_t>(n));
    for (int j = 1; j <= n; ++j) {
      double v = 0;
      if (!CellNumber(m, xRow, j, source, v, r.error)) return fail(r.error);
      if (v < 0) {
        return fail(source + ": " + RowName(m, xRow) + ", " + ColumnName(m, j) + ": the total output " +
                    CellText(m.Get(xRow, j)) + " is negative; outputs are at least 0.");
      }
      if (v == 0) {
        return fail(source + ": " + RowName(m, xRow) + ", " + ColumnName(m, j) +
                    ": the total output is 0, so the sector has no coefficients; leave it out of the table.");
      }
      t.totalOutput[static_cast<std::size_t>(j - 1)] = v;
    }
  }
  const auto scale = [&t, &o](int j) { return o.flows ? t.totalOutput[static_cast<std::size_t>(j - 1)] : 1.0; };
  // A flow divided by its total: a small total can take a large flow beyond what a number holds.
  const auto divided = [&](int i, int j, double v, double total, double& out) {
    out = v / total;
    if (std::isfinite(out)) return true;
    r.error = source + ": " + RowName(m, i) + ", " + ColumnName(m, j) +
              ": the flow divided by its total is too large to hold as a number.";
    return false;
  };

  // The sector block, by columns.
  t.a.rows = t.a.cols = n;
  t.a.start.assign(1, 0);
  for (int j = 1; j <= n; ++j) {
    for (int i = 1; i <= n; ++i) {
      double v = 0;
      if (!CellNumber(m, i, j, source, v, r.error)) return fail(r.error);
      if (v != 0.0) {
        if (!divided(i, j, v, scale(j), v)) return fail(r.error);
        t.a.row.push_back(i - 1);
        t.a.value.push_back(v);
      }
    }
    t.a.start.push_back(static_cast<long long>(t.a.row.size()));
  }

  // Coefficients add up to less than 1 in a sector that makes more than it uses; sums of 1 or
  // more are what a flow table read as coefficients gives.
  if (!o.flows) {
    int widest = -1;
    double most = 0.0;
    for (int j = 0; j < n; ++j) {
      double sum = 0.0;
      for (long long k = t.a.start[static_cast<std::size_t>(j)]; k < t.a.start[static_cast<std::size_t>(j) + 1]; ++k)
        sum += t.a.value[static_cast<std::size_t>(k)];
      if (sum >= 1.0 && sum > most) most = sum, widest = j + 1;
    }
    if (widest > 0) {
      std::ostringstream sum;
      sum.precision(6);
      sum << most;
      r.looksLikeFlows = true;
      r.notices.push_back(source + ": the coefficients of " + ColumnName(m, widest) + " add up to " + sum.str() +
                          ", 1 or more: if the table holds flows rather than coefficients, read it as a flow table "
                          "with its row of total outputs.");
    }
  }

  // The households' column, when they are closed.
  int hCol = -1;
  double hTotal = 1.0;
  if (!o.households.empty()) {
    hCol = FindColumn(m, hColumn, n + 1);
    if (hCol < 0) return fail(source + ": no column \"" + hColumn + "\" of households to the right of the sectors.");
    if (o.flows) {
      if (!CellNumber(m, xRow, hCol, source, hTotal, r.error)) return fail(r.error);
      if (hTotal <= 0) {
        return fail(source + ": " + RowName(m, xRow) + ", " + ColumnName(m, hCol) +
                    ": the households' total income must be above 0 to close them into the table.");
      }
    }
    t.householdColumn.resize(static_cast<std::size_t>(n));
    for (int i = 1; i <= n; ++i) {
      double v = 0;
      if (!CellNumber(m, i, hCol, source, v, r.error)) return fail(r.error);
      if (!divided(i, hCol, v, hTotal, t.householdColumn[static_cast<std::size_t>(i - 1)])) return fail(r.error);
    }
  }

  // The primary inputs: every row below the block but the total outputs.
  std::unordered_map<std::string, int> primaryRow;
  for (int i = n + 1; i <= rows; ++i) {
    if (i == xRow) continue;
    std::string name = Label(m, i, 0);
    if (name.empty()) name = "P" + std::to_string(i - n);
    if (const auto s = sectorRow.find(name); s != sectorRow.end()) {
      return fail(source + ": \"" + name + "\" names both a sector (row " + std::to_string(s->second + 1) +
                  ") and a primary input (row " + std::to_string(i + 1) + "); they need names of their own.");
    }
    if (const auto [at, added] = primaryRow.emplace(name, i); !added) {
      return fail(source + ": the primary input \"" + name + "\" is named twice, in rows " +
                  std::to_string(at->second + 1) + " and " + std::to_string(i + 1) +
                  "; primary inputs need names of their own.");
    }
    std::vector<double> coeff(static_cast<std::size_t>(n));
    for (int j = 1; j <= n; ++j) {
      double v = 0;
      if (!CellNumber(m, i, j, source, v, r.error)) return fail(r.error);
      if (!divided(i, j, v, scale(j), coeff[static_cast<std::size_t>(j - 1)])) return fail(r.error);
    }
    double own = 0;
    if (hCol > 0 && !CellNumber(m, i, hCol, source, own, r.error)) return fail(r.error);
    if (hCol > 0 && !divided(i, hCol, own, hTotal, own)) return fail(r.error);
    if (name == o.households) {
      t.householdRow = static_cast<int>(t.primary.size());
      t.householdOwn = own;
    }
    t.primary.push_back(name);
    t.primaryRow.push_back(std::move(coeff));
    t.primaryHousehold.push_back(own);
  }
  if (!o.households.empty() && t.householdRow < 0)
    return fail(source + ": no row \"" + o.households + "\" of households below the sectors.");
  return r;
}

void SetHouseholds(IoReadOptions& o, const std::string& text) {
  const auto comma = text.find(',');
  o.households = Trimmed(text.substr(0, comma));
  o.householdColumn = comma == std::string::npos ? std::string() : Trimmed(text.substr(comma + 1));
  if (o.householdColumn == o.households) o.householdColumn.clear();
}

std::string HouseholdsText(const IoReadOptions& o) {
  return o.householdColumn.empty() ? o.households : o.households + "," + o.householdColumn;
}

LabelledValues ReadLabelledValues(const LabelledMatrix& m, const std::vector<std::string>& labels,
                                  const std::string& source, const std::string& what) {
  LabelledValues r;
  if (!m.IsFilled() || m.UpperCol() < 1)
    return {{},
            source + ": no " + what + " read: the file needs two columns, a label and a value, below a header row."};
  std::unordered_map<std::string, std::size_t> index;
  for (std::size_t k = 0; k < labels.size(); ++k) index.emplace(labels[k], k);
  // The first row is the header; a first row of a label of the table and a number is data.
  if (const Cell first = m.Get(0, 1); index.count(Label(m, 0, 0)) && !IsBlank(first) && ArithmeticValue(first)) {
    return {{},
            source + ": the first row (\"" + Label(m, 0, 0) + "\", " + CellText(first) + ") is read as the header, " +
                "but it holds data: give the file a header row (for example \"label,value\") above the " + what + "."};
  }
  std::vector<bool> seen(labels.size(), false);
  r.values.assign(labels.size(), 0.0);
  for (int i = 1; i <= m.UpperRow(); ++i) {
    const std::string label = Label(m, i, 0);
    if (label.empty() && IsBlank(m.Get(i, 1))) continue;
    const auto it = index.find(label);
    if (it == index.end())
      return {{}, source + ": " + RowName(m, i) + ": \"" + label + "\" is not a sector of the table."};
    if (seen[it->second]) return {{}, source + ": " + RowName(m, i) + ": \"" + label + "\" is given twice."};
    seen[it->second] = true;
    if (!CellNumber(m, i, 1, source, r.values[it->second], r.error)) return {{}, r.error};
  }
  for (std::size_t k = 0; k < labels.size(); ++k)
    if (!seen[k]) return {{}, source + ": \"" + labels[k] + "\" has no row in the " + what + "."};
  return r;
}

NumberBlock ReadNumberBlock(const LabelledMatrix& m, const std::string& source) {
  NumberBlock b;
  if (!m.IsFilled() || m.UpperCol() < 1) {
    b.error = source + ": the table holds no numbers below its header row.";
    return b;
  }
  for (int i = 1; i <= m.UpperRow(); ++i) b.rowLabels.push_back(Label(m, i, 0));
  for (int j = 1; j <= m.UpperCol(); ++j) b.colLabels.push_back(Label(m, 0, j));
  b.values.assign(static_cast<std::size_t>(m.UpperRow()), std::vector<double>(static_cast<std::size_t>(m.UpperCol())));
  for (int i = 1; i <= m.UpperRow(); ++i)
    for (int j = 1; j <= m.UpperCol(); ++j)
      if (!CellNumber(m, i, j, source, b.values[static_cast<std::size_t>(i - 1)][static_cast<std::size_t>(j - 1)],
                      b.error)) {
        b.values.clear();
        return b;
      }
  return b;
}

}  // namespace quantorial
