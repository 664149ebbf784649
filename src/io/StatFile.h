#pragma once
// Data files of statistics programs through libreadstat: Stata (.dta, versions 104 to
// 119), SPSS (.sav, .zsav, .por) and SAS (.sas7bdat, .xpt). A file becomes a sheet: row 0
// the variable names, column 0 the observation label, one column per series.
//
// The observation label is the first numeric variable with a Stata time format (%ty,
// %th, %tq, %tm, %tw, %td, %tc): a year as the number itself, half-years, quarters and
// weeks as "1990:2", months as "1990:02", days as "1990-01-31"; that variable is then not
// a series. Without one the observations are numbered from 1. Missing values (system,
// tagged and user-defined) are empty cells; categorical values are their numbers (value
// labels are not read); a number stored in single precision becomes the double of its
// shortest decimal form (39.8, not 39.799999237).

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

// The observation label of a value of a variable with a Stata time format ("%tq" ...):
// empty text when the format is not one of them.
std::string StataTimeLabel(std::string_view format, double value);

}  // namespace quantorial
