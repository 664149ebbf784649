#pragma once
// Data files into the workspace: the first sheet's used range of a data file as a
// LabelledMatrix, with the first row as column labels and the first column as row
// labels.

#include <optional>
#include <string>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

// The file dialog filters of the statistics programs' data files.
#define QUANTORIAL_STATISTICS_FILTERS                                                    \
  "Stata Data (*.dta)|*.dta|SPSS Data (*.sav;*.zsav;*.por)|*.sav;*.zsav;*.por|"          \
  "SAS Data (*.sas7bdat;*.xpt)|*.sas7bdat;*.xpt|gretl Data (*.gdt;*.gdtb)|*.gdt;*.gdtb|" \
  "Statistics Data Files (*.dta;*.sav;*.zsav;*.por;*.sas7bdat;*.xpt;*.gdt;*.gdtb)|"      \
  "*.dta;*.sav;*.zsav;*.por;*.sas7bdat;*.xpt;*.gdt;*.gdtb"

// The file dialog filter of data files: Excel and CSV first, then the other forms the
// readers take (OpenDocument, macro workbooks), then the statistics programs' files.
inline constexpr const char* kDataFileFilter =
    "Microsoft Excel (*.xls;*.xlsx;*.csv)|*.xls;*.xlsx;*.csv|Comma Separated Values (*.csv;*.txt)|*.csv;*.txt|"
    "OpenDocument Spreadsheet (*.ods)|*.ods|"
    "All Data Files "
    "(*.xls;*.xlsx;*.xlsm;*.ods;*.csv;*.txt)|*.xls;*.xlsx;*.xlsm;*.ods;*.csv;*.txt|" QUANTORIAL_STATISTICS_FILTERS;
inline constexpr const char* kSelectDataFileTitle = "Select Data File";
// KALDRON's first run asks for its targets through the extended data file button.
inline constexpr const char* kKaldronTargetsTitle = "Select the KALDRON Targets File (sector, < or > or blank, target)";

struct DataFileResult {
  LabelledMatrix matrix;  // unassigned when the file could not be read or holds nothing
  std::string error;      // why it could not be read; empty on success
};

// Reads a data file. The error names the file and the reason.
DataFileResult ReadDataFile(const std::string& path);

// True when a file name asks for a statistics program's data file: .dta (Stata) or .gdt
// (gretl), in any case.
bool NamesStatisticsFile(const std::string& path);
// The bytes of the matrix as the data file its name asks for (see NamesStatisticsFile);
// the name of a gretl data set is the file's stem. False with a reason when the matrix
// cannot be written in that form.
bool StatisticsFileBytes(const std::string& path, const LabelledMatrix& m, std::string& bytes, std::string& error);

// True when the path names an existing file (not a folder).
bool FileExists(const std::string& path);

}  // namespace quantorial
