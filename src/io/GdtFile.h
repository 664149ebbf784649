#pragma once
// gretl's XML data files (.gdt, plain or gzip-compressed) as a sheet, and the workspace's
// matrices written as one: row 0 the series names, column 0 the observation label, one
// column per series.
//
// The observation label is the file's own (<obs label="...">) when it has them; else,
// for time series, the year for annual data (a number) and "1990:2" for other
// frequencies (months "1990:02"), and the date for daily and weekly data; else the
// observations are numbered from 1. Missing values ("NA" or the file's missing-value code)
// are empty cells; the series' labels and descriptions are not kept, string-valued
// series read as their codes, and scalars (variables with one value) are left out.

#include <string>
#include <string_view>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

enum class GdtKind { None, Xml, Gzip, Binary };

// What a file's first bytes (up to 4096) show: gretl XML, gzip (whose contents are
// checked by the reader), gretl's binary form, or none of them.
GdtKind DetectGdt(std::string_view head);

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
