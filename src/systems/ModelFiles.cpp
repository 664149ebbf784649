#include "systems/ModelFiles.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace quantorial {

namespace {

std::string CsvCell(const std::string& text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string Number(double v) {
  if (v == 0) return "0";
  // The shortest text that reads back to the same number.
  char buffer[40];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, result.ptr);
}

}  // namespace

bool MakeStructuralFiles(const Model& model, const DataTable& data, StructuralFiles& files, std::string& error) {
  const std::size_t n = model.endogenous.size();
  std::vector<std::string> columns = model.endogenous;
  columns.insert(columns.end(), model.exogenous.begin(), model.exogenous.end());
  auto column = [&](const std::string& name) {
    return static_cast<std::size_t>(std::find(columns.begin(), columns.end(), name) - columns.begin());
  };
  // Each equation and identity takes a row (its left-hand side's, or for a second equation
  // of one variable a free one); the row is written as y_i = sum B_ij y_j + sum C_ik x_k with
  // B = I - Gamma, which holds whichever variable the statement is normalised on.
  std::vector<StatementVariables> statements;
  for (const EquationEstimate& eq : model.equations) statements.push_back({eq.dependent, eq.regressors});
  for (const IdentityEstimate& id : model.identities) {
    StatementVariables v{id.dependent, {}};
    for (const auto& term : id.terms) v.current.push_back(term.first);
    statements.push_back(std::move(v));
  }
  std::vector<std::size_t> rowOf;
  if (!AssignEquationRows(model.endogenous, statements, rowOf, error)) {
    error = "the B-matrix needs one equation or identity for each endogenous variable: " + error;
    return false;
  }
  std::vector<std::vector<double>> B(n, std::vector<double>(columns.size(), 0.0));
  for (std::size_t i = 0; i < n; ++i) B[i][i] = 1;  // I - Gamma: Gamma's coefficient 1 is taken off below
  std::size_t next = 0;
  const auto place = [&](const std::string& dependent, const std::vector<std::pair<std::string, double>>& terms,
                         const std::string& what) {
    const std::size_t r = rowOf[next++];
    B[r][column(dependent)] -= 1;
    for (const auto& [name, coef] : terms) {
      const std::size_t c = column(name);
      if (c >= columns.size()) {
        error = "the " + what + " " + name + " of " + dependent + " is not among the model's variables";
        return false;
      }
      B[r][c] += coef;
    }
    return true;
  };
  for (const EquationEstimate& eq : model.equations) {
    std::vector<std::pair<std::string, double>> terms;
    for (std::size_t j = 0; j < eq.regressors.size() && j < eq.coefficients.size(); ++j)
      terms.emplace_back(eq.regressors[j], eq.coefficients[j]);
    if (!place(eq.dependent, terms, "regressor")) return false;
  }
  for (const IdentityEstimate& id : model.identities)
    if (!place(id.dependent, id.terms, "term")) return false;

  files.bmat.clear();
  for (const std::string& c : columns) files.bmat += "," + CsvCell(c);
  files.bmat += "\n";
  for (std::size_t i = 0; i < n; ++i) {
    files.bmat += CsvCell(model.endogenous[i]);
    for (double v : B[i]) files.bmat += "," + Number(v);
    files.bmat += "\n";
  }

  // The data: every column over the sample years.
  std::vector<std::pair<int, int>> sources;  // (data column or -1 for const, lag)
  for (const std::string& c : columns) {
    if (c == "const") {
      sources.emplace_back(-1, 0);
      continue;
    }
    const auto [name, lag] = SplitLaggedName(c);
    const int index = data.Find(name);
    if (index < 0) {
      error = "the data has no series " + name;
      return false;
    }
    sources.emplace_back(index, lag);
  }
  if (data.years.empty() || model.sample_first < data.years.front() || model.sample_last > data.years.back()) {
    error = "the data does not cover the sample " + std::to_string(model.sample_first) + "-" +
            std::to_string(model.sample_last);
    return false;
  }
  files.data = "Year";
  for (const std::string& c : columns) files.data += "," + CsvCell(c);
  files.data += "\n";
  for (int year = model.sample_first; year <= model.sample_last; ++year) {
    const int r = year - data.years.front();
    files.data += std::to_string(year);
    for (std::size_t c = 0; c < sources.size(); ++c) {
      const auto [index, lag] = sources[c];
      if (index < 0) {
        files.data += ",1";
      } else if (r - lag < 0) {
        error = "the data has no value of " + columns[c] + " in " + std::to_string(year);
        return false;
      } else {
        files.data += "," + Number(data.columns[index][r - lag]);
      }
    }
    files.data += "\n";
  }
  return true;
}

}  // namespace quantorial
