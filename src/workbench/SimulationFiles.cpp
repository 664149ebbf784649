#include "workbench/SimulationFiles.h"

#include <cmath>
#include <filesystem>

#include "io/AtomicFile.h"
#include "io/CsvReader.h"
#include "io/DataFile.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

bool EndsWithJson(const std::string& path) {
  const std::string ext = std::filesystem::path(path).extension().string();
  return UpperCase(ext) == ".JSON";
}

// Reads a whole text file of at most `limit` bytes.
bool ReadBounded(const std::string& path, std::size_t limit, std::string& text, std::string& error) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (!ec && size > limit) {
    error = "\"" + path + "\": the file is larger than " + std::to_string(limit >> 20) + " MB.";
    return false;
  }
  if (!ReadWholeFile(path, text, error)) {
    error = "\"" + path + "\": " + error;
    return false;
  }
  return true;
}

std::string NumberText(double v) { return std::isfinite(v) ? ShortestText(v) : std::string(); }

}  // namespace

LoadedModelOutcome LoadStructuralModel(const std::string& path, std::optional<int> endogenousCount) {
  LoadedModelOutcome out;
  if (EndsWithJson(path)) {
    std::string text;
    if (!ReadBounded(path, kMaxModelFileBytes, text, out.error)) return out;
    auto parsed = StructuralFormFromModelJson(text, path);
    out.model = std::move(parsed.model);
    out.error = std::move(parsed.error);
    return out;
  }
  if (!endogenousCount) {
    out.error = path + ": a B-matrix model needs the number of endogenous variables (--endo N).";
    return out;
  }
  const DataFileResult read = ReadDataFile(path);
  if (!read.matrix.IsAssigned()) {
    out.error = read.error.empty() ? path + ": the file holds nothing." : read.error;
    return out;
  }
  auto built = StructuralFormFromBMatrix(read.matrix, *endogenousCount, path);
  if (!built.form) {
    out.error = built.error;
    return out;
  }
  out.model = ModelDescription{std::move(*built.form), {}, {}};
  return out;
}

SeriesTableOutcome LoadSeriesTable(const std::string& path) {
  const DataFileResult read = ReadDataFile(path);
  if (!read.matrix.IsAssigned()) {
    SeriesTableOutcome out;
    out.error = read.error.empty() ? path + ": the file holds nothing." : read.error;
    return out;
  }
  return SeriesTableFromMatrix(read.matrix, path);
}

ScenarioParseOutcome LoadScenario(const std::string& path) {
  std::string text;
  ScenarioParseOutcome out;
  if (!ReadBounded(path, kMaxScenarioBytes, text, out.error)) return out;
  return ParseScenario(text, path);
}

std::string PathCsv(const std::vector<int>& years, const std::vector<std::string>& names, const DenseRows& values) {
  std::string s = "Year";
  for (const auto& n : names) s += "," + CsvField(n);
  s += "\n";
  for (std::size_t r = 0; r < years.size(); ++r) {
    s += std::to_string(years[r]);
    for (std::size_t i = 0; i < names.size(); ++i) s += "," + NumberText(r < values.size() ? values[r][i] : NAN);
    s += "\n";
  }
  return s;
}

std::string TargetCsv(const TargetResult& result, const std::vector<std::string>& instruments) {
  std::vector<std::string> names = instruments;
  names.insert(names.end(), result.simulation.endogenous.begin(), result.simulation.endogenous.end());
  DenseRows rows;
  for (std::size_t r = 0; r < result.years.size(); ++r) {
    std::vector<double> row = result.instrumentValues[r];
    row.insert(row.end(), result.simulation.values[r].begin(), result.simulation.values[r].end());
    rows.push_back(std::move(row));
  }
  return PathCsv(result.years, names, rows);
}

}  // namespace quantorial
