// Writes the data files bench/compare_io.sh loads: a CSV or an xlsx workbook of random
// numbers with a header row of names and a first column of years.
// Usage: make_io_files csv|xlsx COLUMNS ROWS PATH

#include <xlsxwriter.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: make_io_files csv|xlsx COLUMNS ROWS PATH\n");
    return 2;
  }
  const std::string kind = argv[1];
  const int cols = std::atoi(argv[2]), rows = std::atoi(argv[3]);
  const char* path = argv[4];
  if (cols < 2 || rows < 2 || (kind != "csv" && kind != "xlsx")) return 2;
  std::mt19937_64 gen(30);
  std::uniform_real_distribution<double> u(-1000, 1000);
  if (kind == "xlsx") {
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* wb = workbook_new_opt(path, &options);
    lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
    worksheet_write_string(ws, 0, 0, "Year", nullptr);
    for (int c = 1; c < cols; ++c) {
      worksheet_write_string(ws, 0, static_cast<lxw_col_t>(c), ("v" + std::to_string(c)).c_str(), nullptr);
    }
    for (int r = 1; r < rows; ++r) {
      worksheet_write_number(ws, static_cast<lxw_row_t>(r), 0, 1900 + r, nullptr);
      for (int c = 1; c < cols; ++c) {
        worksheet_write_number(ws, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c), u(gen), nullptr);
      }
    }
    return workbook_close(wb) == LXW_NO_ERROR ? 0 : 1;
  }
  std::FILE* f = std::fopen(path, "w");
  if (!f) return 1;
  std::string line = "Year";
  for (int c = 1; c < cols; ++c) line += ",v" + std::to_string(c);
  line += '\n';
  std::fputs(line.c_str(), f);
  char buf[32];
  for (int r = 1; r < rows; ++r) {
    line = std::to_string(1900 + r);
    for (int c = 1; c < cols; ++c) {
      const auto res = std::to_chars(buf, buf + sizeof buf, u(gen), std::chars_format::general, 10);
      line += ',';
      line.append(buf, res.ptr);
    }
    line += '\n';
    std::fputs(line.c_str(), f);
  }
  return std::fclose(f) == 0 ? 0 : 1;
}
