#pragma once
// Data files the benchmarks read, made once per run in a temporary folder.

#include <stdlib.h>
#include <xlsxwriter.h>

#include <filesystem>
#include <random>
#include <string>

namespace quantorial::bench {

inline std::string Folder() {
  static const std::string dir = [] {
    std::string t = (std::filesystem::temp_directory_path() / "quantorial-bench-XXXXXX").string();
    return std::string(::mkdtemp(t.data()));
  }();
  return dir;
}

// A workbook of 200 columns by 2000 rows: a header row of names, a year column, random
// numbers.
inline std::string Xlsx200x2000() {
  static const std::string path = [] {
    const std::string p = Folder() + "/numbers.xlsx";
    lxw_workbook* wb = workbook_new(p.c_str());
    lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
    std::mt19937_64 gen(1);
    std::uniform_real_distribution<double> u(-1000, 1000);
    worksheet_write_string(ws, 0, 0, "Year", nullptr);
    for (int c = 1; c < 200; ++c) {
      worksheet_write_string(ws, 0, static_cast<lxw_col_t>(c), ("v" + std::to_string(c)).c_str(), nullptr);
    }
    for (int r = 1; r < 2000; ++r) {
      worksheet_write_number(ws, static_cast<lxw_row_t>(r), 0, 1900 + r, nullptr);
      for (int c = 1; c < 200; ++c) {
        worksheet_write_number(ws, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c), u(gen), nullptr);
      }
    }
    workbook_close(wb);
    return p;
  }();
  return path;
}

}  // namespace quantorial::bench
