// Writes a random productive input-output table in the coefficient layout with a given share
// of filled cells (each column's inputs add up to between 0.3 and 0.9), two primary-input rows
// (Labour, CO2) and a final-demand file, for timing `quantorial-cli io` on large tables.
// Usage: make_sparse_io_table SECTORS DENSITY FOLDER   (writes FOLDER/io_sparse.csv and
// FOLDER/io_sparse_demand.csv)

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_sparse_io_table SECTORS DENSITY FOLDER\n");
    return 2;
  }
  const int n = std::atoi(argv[1]);
  const double density = std::atof(argv[2]);
  const std::string dir = argv[3];
  if (n < 1 || n > 100000 || !(density > 0.0 && density <= 1.0)) return 2;
  std::mt19937_64 gen(20261211);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  // The table by columns first (each column is scaled to its sum), then written by rows.
  std::vector<std::vector<std::pair<int, double>>> rowsOf(static_cast<std::size_t>(n));
  std::vector<double> labour(static_cast<std::size_t>(n)), co2(static_cast<std::size_t>(n));
  for (int j = 0; j < n; ++j) {
    std::vector<std::pair<int, double>> col;
    double sum = 0.0;
    for (int i = 0; i < n; ++i)
      if (u(gen) < density) {
        col.emplace_back(i, u(gen));
        sum += col.back().second;
      }
    const double scale = sum > 0 ? (0.3 + 0.6 * u(gen)) / sum : 0.0;
    for (const auto& [i, v] : col) rowsOf[static_cast<std::size_t>(i)].emplace_back(j, v * scale);
    labour[static_cast<std::size_t>(j)] = u(gen);
    co2[static_cast<std::size_t>(j)] = 10.0 * u(gen);
  }
  std::FILE* f = std::fopen((dir + "/io_sparse.csv").c_str(), "w");
  if (!f) return 1;
  std::string line;
  for (int j = 1; j <= n; ++j) line += ",S" + std::to_string(j);
  std::fprintf(f, "%s\n", line.c_str());
  char buf[32];
  const auto writeRow = [&](const std::string& label, const std::vector<std::pair<int, double>>& cells) {
    line = label;
    int next = 0;
    for (const auto& [j, v] : cells) {
      line.append(static_cast<std::size_t>(j - next + 1), ',');
      next = j + 1;
      const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 8);
      line.append(buf, r.ptr);
    }
    line.append(static_cast<std::size_t>(n - next), ',');
    std::fprintf(f, "%s\n", line.c_str());
  };
  for (int i = 0; i < n; ++i) writeRow("S" + std::to_string(i + 1), rowsOf[static_cast<std::size_t>(i)]);
  std::vector<std::pair<int, double>> dense(static_cast<std::size_t>(n));
  for (int j = 0; j < n; ++j) dense[static_cast<std::size_t>(j)] = {j, labour[static_cast<std::size_t>(j)]};
  writeRow("Labour", dense);
  for (int j = 0; j < n; ++j) dense[static_cast<std::size_t>(j)] = {j, co2[static_cast<std::size_t>(j)]};
  writeRow("CO2", dense);
  std::fclose(f);
  f = std::fopen((dir + "/io_sparse_demand.csv").c_str(), "w");
  if (!f) return 1;
  std::fprintf(f, "label,value\n");
  for (int i = 1; i <= n; ++i) std::fprintf(f, "S%d,%d\n", i, 100 + (i * 37) % 900);
  std::fclose(f);
  return 0;
}
