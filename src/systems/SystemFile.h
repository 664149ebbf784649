#pragma once
// The system file of a simultaneous-equation model and the linear expressions it is written
// in: one statement a line, `#` comments.
//
//   equation DEP REGRESSORS...     a stochastic equation ("const" or "0" is the constant)
//   identity LHS = TERM +- TERM...  an exact linear identity (NAME, NAME(-k), NUMBER*NAME, NUMBER)
//   series NAME = EXPR             a derived series (names, lags, numbers and `year`)
//   endog NAMES...                 the endogenous variables (default: every left-hand side)
//   instr NAMES...                 the instruments (default: const and every predetermined name)
//   sample FIRST LAST              the estimation sample in the data file's years (or FIRST:LAST)
//
// Names are the data file's column headers; one with spaces is written in double quotes.
// NAME(-k) is NAME lagged k periods (k from 1 to 100). The parser only checks the syntax; whether the names
// exist in a data file is checked where the data is at hand.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "timeseries/TimeSeries.h"

namespace quantorial {

// A data table as the workbench reads it: the years of the first column and one column of
// values per named series, every column as long as `years`.
struct DataTable {
  std::vector<int> years;
  std::vector<std::string> names;
  std::vector<std::vector<double>> columns;
  // The file's table the first columns were read from (same order, same rows), when there is
  // one: it says where a missing value came from.
  std::shared_ptr<const TimeSeriesTable> origin;

  // The index of the column `name` (case as written), or -1.
  int Find(const std::string& name) const;
  // The file's cell of a missing value ("klein.csv row 3, column 2 (C): the cell is empty"),
  // or an empty text when the column was not read from a file.
  std::string DescribeMissing(int column, int row) const;
};

// An annual time-series table as a data table (the years its periods). False with a message
// naming the file for a table of another frequency.
bool DataTableFromSeries(const TimeSeriesTable& series, DataTable& data, std::string& error);

// One term of a linear expression: coef * name(-lag). The name "year" is the row's year,
// "const" (or an empty name) the number 1.
struct LinearTerm {
  std::string name;
  int lag = 0;
  double coef = 1.0;
};

// "P(-1)" for name P and lag 1; "P" for lag 0. Names with spaces are quoted.
std::string LaggedName(const std::string& name, int lag);

// A derived series: its name and the expression text as written.
struct SeriesDefinition {
  std::string name;
  std::string expression;
};

struct EquationStatement {
  std::string dependent;
  std::vector<LinearTerm> regressors;  // coef 1; name "const" for the constant
  int line = 0;
};

struct IdentityStatement {
  std::string dependent;
  std::vector<LinearTerm> terms;
  std::string expression;  // the right-hand side as written
  int line = 0;
};

struct SystemSpec {
  std::vector<EquationStatement> equations;
  std::vector<IdentityStatement> identities;
  std::vector<SeriesDefinition> series;
  std::vector<int> seriesLines;
  std::vector<std::string> endogenous;  // as listed by `endog`; empty when not given
  int endogLine = 0;
  std::vector<LinearTerm> instruments;  // as listed by `instr`; empty when not given
  int instrLine = 0;
  std::optional<std::pair<int, int>> sample;
};

// Parses a linear expression ("X - T - Wp", "year - 1931", "0.5*K(-1) + 2"). A lone number is
// a term with the name "const". False with a message on a syntax error.
bool ParseLinearExpression(const std::string& text, std::vector<LinearTerm>& terms, std::string& error);

// Parses the system file's text. False with a message naming the line on a syntax error.
bool ParseSystemFile(const std::string& text, SystemSpec& spec, std::string& error);

// Evaluates a linear expression on row `row` of `data`. False with a message naming the
// series when a name is missing or a lag reaches before the first row (or outside the years).
bool EvaluateTerms(const DataTable& data, const std::vector<LinearTerm>& terms, int row, double& value,
                   std::string& error);

// Adds each derived series to `data` (in order, so one may use the ones before it); a series
// the data already has is recomputed. Rows whose lags reach before the first row get NaN.
// False with a message naming the series on an unknown name or a syntax error.
bool AddDerivedSeries(DataTable& data, const std::vector<SeriesDefinition>& series, std::string& error);

// Reads a data table from CSV text: a header row, years in the first column, numbers in the
// others. False with a message naming the row and column of a bad cell.
bool ParseDataTable(const std::string& text, DataTable& data, std::string& error);

}  // namespace quantorial
