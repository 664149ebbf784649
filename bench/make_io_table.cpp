// Writes the random productive input-output table and targets file of bench/kaldron_scale.sh
// (the same layout as its awk fallback) quickly enough for tables of thousands of sectors.
// Usage: make_io_table SECTORS INPUTS CONSTRAINTS FOLDER

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: make_io_table SECTORS INPUTS CONSTRAINTS FOLDER\n");
    return 2;
  }
  const int n = std::atoi(argv[1]), m = std::atoi(argv[2]), c = std::atoi(argv[3]);
  const std::string dir = argv[4];
  if (n < 1 || m < 0 || c < 0) return 2;
  std::mt19937_64 gen(20261210);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  const int t = n + m;
  std::FILE* b = std::fopen((dir + "/io_BMAT.csv").c_str(), "w");
  if (!b) return 1;
  std::string line = "B";
  for (int j = 1; j <= t; ++j) line += "," + std::string(j <= n ? "S" : "E") + std::to_string(j);
  std::fprintf(b, "%s\n", line.c_str());
  char buf[32];
  for (int i = 1; i <= t; ++i) {
    line = std::string(i <= n ? "S" : "P") + std::to_string(i);
    for (int j = 1; j <= t; ++j) {
      double v = 0.0;
      if (j <= n && i != j) v = i <= n ? u(gen) * 0.8 / n : u(gen) * 0.5;
      line += ',';
      if (v == 0.0) {
        line += '0';
      } else {
        const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 6);
        line.append(buf, r.ptr);
      }
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), b);
  }
  std::fclose(b);
  std::FILE* r = std::fopen((dir + "/targets.csv").c_str(), "w");
  if (!r) return 1;
  std::fprintf(r, "Sector,Type,Target\n");
  const int step = c > 0 ? n / c : 0;
  for (int i = 1; i <= n; ++i) {
    const char* type = "";
    if (step > 0 && (i - 1) % step == 0 && (i - 1) / step < c) type = ((i - 1) / step) % 2 == 0 ? "<" : ">";
    std::fprintf(r, "S%d,%s,%.2f\n", i, type, 100 + u(gen) * 900);
  }
  std::fclose(r);
  return 0;
}
