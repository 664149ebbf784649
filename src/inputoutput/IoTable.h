#pragma once
// An input-output table read from a labelled matrix: the sectors' technical coefficients A
// (held sparse, by columns), the coefficients of the primary inputs (labour, value added,
// emissions, ... one row each), the total outputs when the table came as flows, and the
// households' row and column when they are closed into the table.
//
// Two layouts are read. The coefficient layout is the one the B-matrix uses: a square block
// of sectors (row i, column j: the input from sector i per unit of output of sector j) with
// one row per primary input beneath it. The flow layout holds the flows Z in the square
// block, primary flows beneath it and a row of total outputs x, named by the caller; the
// coefficients are then A = Z diag(x)^-1 and the primary flows are divided by x the same way.
// Columns to the right of the block (final demand) are not read, except the households'.

#include <string>
#include <vector>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

// A sparse matrix by columns: the entries of column j are at start[j] .. start[j + 1] - 1.
struct SparseColumns {
  int rows = 0, cols = 0;
  std::vector<long long> start;  // cols + 1 offsets
  std::vector<int> row;
  std::vector<double> value;
  long long NonZeros() const { return start.empty() ? 0 : start.back(); }
};

struct IoTable {
  std::vector<std::string> sectors;             // n
  std::vector<std::string> primary;             // m
  SparseColumns a;                              // n x n technical coefficients
  std::vector<std::vector<double>> primaryRow;  // m rows of n coefficients
  std::vector<double> totalOutput;              // n, only for a flow table
  // Households closed into the table: the index of their row among the primary inputs, their
  // purchases from each sector per unit of household income (n), and their own coefficient.
  int householdRow = -1;
  std::vector<double> householdColumn;
  double householdOwn = 0.0;
  // The households' cells in the other primary rows (type-II multipliers read them), by primary row.
  std::vector<double> primaryHousehold;

  int Sectors() const { return static_cast<int>(sectors.size()); }
  bool HouseholdsClosed() const { return householdRow >= 0; }
};

struct IoReadOptions {
  int sectors = 0;              // the size of the sector block; 0 finds it from the labels
  bool flows = false;           // a flow table rather than coefficients
  std::string totalRow;         // the flow table's row of total outputs
  std::string households;       // the households' row (and column) to close into the table; empty: open
  std::string householdColumn;  // the households' column when it is named otherwise than their row
  const std::string& HouseholdColumn() const { return householdColumn.empty() ? households : householdColumn; }
};

// The households as the person names them: "NAME" for a row and a column of that name, or
// "ROW,COLUMN" when the two differ (blanks around the names are dropped).
void SetHouseholds(IoReadOptions& options, const std::string& text);
// The households' names as SetHouseholds reads them back: "NAME" or "ROW,COLUMN".
std::string HouseholdsText(const IoReadOptions& options);

struct IoReadResult {
  IoTable table;
  std::string error;  // names the file, row or cell; empty on success
  std::vector<std::string> notices;
  // Read as coefficients, some sector's coefficients add up to 1 or more, as flows would: the
  // notices say which; a front end can say how to read the table as flows.
  bool looksLikeFlows = false;
};

// Reads the table; `source` names it in the messages (a file name, or a slot's caption).
IoReadResult ReadIoTable(const LabelledMatrix& m, const IoReadOptions& options, const std::string& source);

// A two-column table (label, value) read as a vector in the order of `labels`: every label
// must have a row, no row may name something else, and every value must be a number. The
// error names the file and the row.
struct LabelledValues {
  std::vector<double> values;
  std::string error;
};
LabelledValues ReadLabelledValues(const LabelledMatrix& m, const std::vector<std::string>& labels,
                                  const std::string& source, const std::string& what);

// The numbers of a labelled matrix's data block (rows 1.., columns 1..), with its labels; the
// error names the first cell that is not a number. Blank cells read as 0.
struct NumberBlock {
  std::vector<std::string> rowLabels, colLabels;
  std::vector<std::vector<double>> values;
  std::string error;
};
NumberBlock ReadNumberBlock(const LabelledMatrix& m, const std::string& source);

}  // namespace quantorial
