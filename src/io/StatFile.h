#pragma once
// Data files of statistics programs through libreadstat: Stata (.dta, versions 104 to
// 119), SPSS (.sav, .zsav, .por) and SAS (.sas7bdat, .xpt). A file becomes a sheet: row 0
// the variable names, column 0 the observation label, one column per series.
//
// The observation label is the first numeric variable with a Stata time format (%ty,
// %th, %tq, %tm, %tw, %td, %tc, and %tg, a generic index read as its number): a year as
// the number itself, half-years, quarters and weeks as "1990:2", months as "1990:02",
// days as "1990-01-31"; that variable is then not a series. Without one, a first variable
// holding text (names of countries, say) gives the labels; else the observations are
// numbered from 1. Missing values (system,
// tagged and user-defined) are empty cells; categorical values are their numbers (value
// labels are not read); a number stored in single precision is the exact double of that
// float (0.1f is 0.10000000149011612), as the programs that write these files compute
// with; SPSS and SAS dates are their numbers (seconds since 1582-10-14, days since
// 1960-01-01). Stata's long texts (strL) are texts, and a reference to one the file does
// not hold is an error.

#include <string>
#include <string_view>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

enum class StatFormat { None, Dta, Sav, Por, Sas7bdat, Xport };

// The format a file's first bytes (up to 1024) show, or None.
StatFormat DetectStatFormat(std::string_view head);

// Reads the file as the given format. False with a reason when it cannot be read; `out`
// is then unassigned.
bool ReadStatFile(const std::string& path, StatFormat format, LabelledMatrix& out, std::string& error);

// The bytes of a Stata data file (version 118, 119 beyond 32,767 columns) holding the
// matrix: column 0 becomes the first variable, named by cell (0, 0) (a year index "%ty"
// when the labels are consecutive whole years, a generic index "%tg" for other numbers,
// text otherwise), then one variable per column. A column holding any text is a text
// variable. Names that Stata does not take are made into ones it does (letters, digits
// and "_", at most 32 characters, unique), with the column's label kept as the
// variable's label. False with a reason when the matrix cannot be written so.
bool StataFileBytes(const LabelledMatrix& m, std::string& bytes, std::string& error);

// The observation label of a value of a variable with a Stata time format ("%tq" ...):
// empty text when the format is not one of them.
std::string StataTimeLabel(std::string_view format, double value);

}  // namespace quantorial
