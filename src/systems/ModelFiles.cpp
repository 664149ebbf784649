#include "systems/ModelFiles.h"

#include <algorithm>
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
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.17g", v);
  return buffer;
}

}  // namespace

bool MakeStructuralFiles(const Model& model, const DataTable& data, StructuralFiles& files, std::string& error) {
  const std::size_t n = model.endogenous.size();
  std::vector<std::string> columns = model.endogenous;
  columns.insert(columns.end(), model.exogenous.begin(), model.exogenous.end());
  auto column = [&](const std::string& name) {
    return static_cast<std::size_t>(std::find(columns.begin(), columns.end(), name) - columns.begin());
  };
  std::vector<std::vector<double>> B(n, std::vector<double>(columns.size(), 0.0));
  std::vector<int> defined(n, 0);
  auto row = [&](const std::string& dependent) -> int {
    const std::size_t r = column(dependent);
    if (r >= n) {
      error = dependent + " is the left-hand side of an equation but not endogenous";
      return -1;
    }
    if (++defined[r] > 1) {
      error = "the B-matrix needs one equation or identity for each endogenous variable: " + dependent + " has two";
      return -1;
    }
    return static_cast<int>(r);
  };
  for (const EquationEstimate& eq : model.equations) {
    const int r = row(eq.dependent);
    if (r < 0) return false;
    for (std::size_t j = 0; j < eq.regressors.size(); ++j) {
      const std::size_t c = column(eq.regressors[j]);
      if (c >= columns.size()) {
        error = "the regressor " + eq.regressors[j] + " of " + eq.dependent + " is not among the model's variables";
        return false;
      }
      B[r][c] += eq.coefficients[j];
    }
  }
  for (const IdentityEstimate& id : model.identities) {
    const int r = row(id.dependent);
    if (r < 0) return false;
    for (const auto& [name, coef] : id.terms) {
      const std::size_t c = column(name);
      if (c >= columns.size()) {
        error = "the term " + name + " of the identity for " + id.dependent + " is not among the model's variables";
        return false;
      }
      B[r][c] += coef;
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (defined[i] == 0) {
      error = "the B-matrix needs one equation or identity for each endogenous variable: " + model.endogenous[i] +
              " has none";
      return false;
    }
  }

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
