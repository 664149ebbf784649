#pragma once
// gretl's data files as a sheet: the XML form (.gdt, plain or gzip-compressed) and the
// binary form (.gdtb, see GdtbFile.h); and the workspace's matrices written as a .gdt.
// Row 0 holds the series names, column 0 the observation label, one column per series.
//
// The observation label is the one gretl shows: the file's own (<obs label="...">, the
// markers of a .gdtb) when it has them; else, from the frequency and the first
// observation, the year for annual data (a number), "1990:2" for other frequencies
// (months "1990:02", half-years of a "special:2" frequency "1990:2"), the date for dated
// daily and weekly data (a first observation written "1966/01/05" too), and "unit:period"
// for panels ("1:01" with 20 periods a unit); else the observations are numbered from 1.
// Missing values ("NA" or the file's missing-value code) are empty cells; a string-valued
// series reads as its texts; the series' labels and descriptions are not kept, and scalars
// (variables with one value) are left out.

#include <string>
#include <string_view>
#include <vector>

#include "workspace/CompactCells.h"
#include "workspace/LabelledMatrix.h"

namespace quantorial {

enum class GdtKind { None, Xml, Gzip, Binary };

// What a file's first bytes (up to 4096) show: gretl XML, gzip (whose contents are
// checked by the reader), gretl's binary form, or none of them.
GdtKind DetectGdt(std::string_view head);

// What either form of gretl data file holds, as its reader found it; GretlSheet makes the
// sheet of it, so that both forms read alike.
struct GretlData {
  std::string type = "cross-section";  // "time-series", "stacked-time-series", ...
  long long frequency = 1;
  std::string startobs = "1";  // "1990", "1990:2", "1:01", "2021-02-25" or "2021/02/25"
  std::vector<std::string> names;
  // Row-major, names.size() + 1 cells a row: the observation's marker (empty when the file
  // has none), then its values; a string-valued series holds its codes 1, 2, ...
  CompactCells cells;
  long long rows = 0;
  bool markers = false;
  // For each series, its texts when it is string-valued (code c is text c - 1), else empty.
  std::vector<std::vector<std::string>> strings;
};

// The sheet of the data: the observation labels gretl shows (as above), the codes of a
// string-valued series as their texts. False with a reason (a code the series' texts do
// not have) when it cannot be made.
bool GretlSheet(const GretlData& data, LabelledMatrix& out, std::string& error);

// Reads a .gdt file (plain or gzipped XML). False with a reason when it cannot be read;
// `out` is then unassigned.
bool ReadGdtFile(const std::string& path, GdtKind kind, LabelledMatrix& out, std::string& error);

// True when a gzip file's contents start as a gretl XML data file.
bool GzipHoldsGdt(const std::string& path);

// The text of a .gdt file holding the matrix: consecutive whole-number row labels make
// annual time series starting at the first; other labels are kept as observation labels.
// False with a reason (naming the cell) when a data cell holds text, which a gretl series
// cannot.
bool GdtText(const LabelledMatrix& m, const std::string& name, std::string& text, std::string& error);

}  // namespace quantorial
