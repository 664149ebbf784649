#pragma once
// Solving a structural model year by year over a period (dynamic: the lagged endogenous
// values from the solution once the period has begun; static: always from the data), and
// the ex-post accuracy of the solution against the data.
//
// Plain tables in, results and messages out: no files, no window.

#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "systems/StructuralForm.h"
#include "workspace/LabelledMatrix.h"

namespace quantorial {

inline constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

// Annual series: one row a year (ascending, consecutive or not), one column a variable; a
// missing value is NaN.
struct SeriesTable {
  std::vector<int> years;
  std::vector<std::string> names;
  std::vector<std::vector<double>> columns;  // columns[variable][row]

  int Column(const std::string& name) const;
  int Row(int year) const;
  // The value of a variable in a year, or NaN when the table lacks either.
  double Value(const std::string& name, int year) const;
  // Sets a value, adding the column or the year's row (in order) as needed.
  void Set(const std::string& name, int year, double value);
  int FirstYear() const { return years.empty() ? 0 : years.front(); }
  int LastYear() const { return years.empty() ? 0 : years.back(); }
};

// The largest number of rows and columns a table is read with.
inline constexpr int kMaxTableYears = 100000;
inline constexpr int kMaxTableColumns = 100000;

// A data matrix of the workbench (years in the first column from row 1, names in row 0)
// as a table, read through the time-series table: consecutive years; empty and text cells
// are missing values. The error names the file and row.
struct SeriesTableOutcome {
  std::optional<SeriesTable> table;
  std::string error;
};
SeriesTableOutcome SeriesTableFromMatrix(const LabelledMatrix& m, const std::string& fileName);

// The forecast table's values fill what the data table lacks: its later years and its
// missing cells. The data's own values are kept.
SeriesTable MergeForecast(const SeriesTable& data, const SeriesTable& forecast);

// Add-factors: a value added to an equation's right-hand side in a year, by endogenous
// variable and year.
using AddFactors = std::map<std::string, std::map<int, double>>;

struct SimulationOptions {
  std::optional<int> from;  // default: the first year whose lags the data hold
  std::optional<int> to;    // default: the last year of the data (or of the forecast)
  bool dynamic = true;
  AddFactors addFactors;
};

// The ex-post accuracy of one endogenous variable, as the forecasting literature defines it:
// the error e = actual − simulated over the years with an actual value; Theil's U1 (√MSE over
// the root mean squares of actual and simulated), Theil's U2 on relative changes over years
// 2..n, and the bias, regression and disturbance proportions of the MSE. See the user
// documentation for the formulas.
struct AccuracyStatistics {
  int count = 0;
  double me = kMissing, rmse = kMissing, mae = kMissing, mpe = kMissing, mape = kMissing;
  double u1 = kMissing, u2 = kMissing, um = kMissing, ur = kMissing, ud = kMissing;
};

struct SimulationResult {
  std::vector<int> years;
  std::vector<std::string> endogenous;
  DenseRows values;                          // values[year][variable]
  std::vector<AccuracyStatistics> accuracy;  // per endogenous variable
  std::vector<std::string> notices;
};

struct SimulationOutcome {
  std::optional<SimulationResult> result;
  std::string error;
};

// Solves the model over the period. The exogenous values come from the table ("const" is
// 1; "T(-1)" is T of the year before); the lagged endogenous values from the table before
// the period and, when dynamic, from the solution inside it. A value the table lacks, or a
// period whose lags reach before the data, is refused with a message naming it.
SimulationOutcome Simulate(const StructuralForm& form, const SeriesTable& data, const SimulationOptions& options);

// The accuracy of a simulated path against the actual one over consecutive years. Years
// whose actual value is missing are left out (and U2 leaves out the changes into and out of
// them); a statistic that divides by an actual value of zero is undefined (NaN).
AccuracyStatistics ComputeAccuracy(const std::vector<double>& simulated, const std::vector<double>& actual);

}  // namespace quantorial
