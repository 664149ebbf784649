#include "inputoutput/IoMatrices.h"

namespace quantorial {

LabelledMatrix SectorMatrix(const std::vector<std::string>& sectors, const std::vector<std::vector<double>>& rows,
                            const std::string& corner) {
  return NumberMatrix(sectors, sectors, rows, corner);
}

LabelledMatrix SectorColumns(const std::vector<std::string>& sectors,
                             const std::vector<std::pair<std::string, std::vector<double>>>& columns,
                             const std::string& corner) {
  std::vector<std::string> names;
  std::vector<const std::vector<double>*> values;
  for (const auto& [name, v] : columns) {
    if (v.size() != sectors.size()) continue;
    names.push_back(name);
    values.push_back(&v);
  }
  std::vector<std::vector<double>> rows(sectors.size(), std::vector<double>(names.size()));
  for (std::size_t i = 0; i < sectors.size(); ++i)
    for (std::size_t j = 0; j < names.size(); ++j) rows[i][j] = (*values[j])[i];
  return NumberMatrix(sectors, names, rows, corner);
}

LabelledMatrix MultiplierTable(const IoTable& t, const IoAnalysis& a) {
  std::vector<std::pair<std::string, std::vector<double>>> columns;
  columns.emplace_back("Output multiplier", a.outputMultipliers);
  for (const auto& [name, v] : a.type1) columns.emplace_back("Type I " + name, v);
  for (const auto& [name, v] : a.type2) columns.emplace_back("Type II " + name, v);
  columns.emplace_back("Backward linkage", a.backward);
  columns.emplace_back("Forward linkage", a.forward);
  LabelledMatrix m = SectorColumns(t.sectors, columns, "Sector");
  if (!m.IsAssigned() || a.backward.size() != t.sectors.size()) return m;
  const int key = m.UpperCol() + 1;
  LabelledMatrix wide = LabelledMatrix::Dimension(m.UpperRow(), key);
  for (int i = 0; i <= m.UpperRow(); ++i)
    for (int j = 0; j < key; ++j) wide.Put(i, j, m.Value(i, j));
  wide.Put(0, key, std::string("Key sector"));
  for (std::size_t i = 0; i < t.sectors.size(); ++i) {
    const bool isKey = a.backward[i] > 1.0 && a.forward[i] > 1.0;
    wide.Put(static_cast<int>(i + 1), key, std::string(isKey ? "key" : ""));
  }
  return wide;
}

LabelledMatrix PlanTable(const IoTable& t, const IoPlanResult& r) {
  const std::size_t n = t.sectors.size(), p = t.primary.size(), c = r.duals.size();
  LabelledMatrix m = LabelledMatrix::Dimension(static_cast<int>(n + p + c), 3);
  if (!m.IsAssigned()) return m;
  m.Put(0, 0, std::string("Plan: ") + r.status);
  m.Put(0, 1, std::string("Output / requirement"));
  m.Put(0, 2, std::string("Final demand / shadow price"));
  m.Put(0, 3, std::string("Binding"));
  for (std::size_t i = 0; i < n; ++i) {
    const int row = static_cast<int>(i + 1);
    m.Put(row, 0, t.sectors[i]);
    if (i < r.outputs.size()) m.PutDouble(row, 1, r.outputs[i]);
    if (i < r.demand.size()) m.PutDouble(row, 2, r.demand[i]);
  }
  for (std::size_t k = 0; k < p; ++k) {
    const int row = static_cast<int>(n + k + 1);
    m.Put(row, 0, t.primary[k]);
    if (k < r.primary.size()) m.PutDouble(row, 1, r.primary[k]);
  }
  for (std::size_t k = 0; k < c; ++k) {
    const int row = static_cast<int>(n + p + k + 1);
    m.Put(row, 0, "constraint " + r.duals[k].first);
    m.PutDouble(row, 2, r.duals[k].second);
    bool binding = false;
    for (const auto& b : r.binding) binding = binding || b == r.duals[k].first;
    m.Put(row, 3, std::string(binding ? "binding" : ""));
  }
  return m;
}

}  // namespace quantorial
