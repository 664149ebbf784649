#pragma once
// The first sheet of an OpenDocument spreadsheet (.ods), read as a stream with libzip and
// expat: numbers (also percentages and currencies), texts, booleans (TRUE/FALSE), dates
// and times (ISO text) and the cached results of formulas, with repeated rows and
// columns spelled out.

#include <string>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

bool ReadOds(const std::string& path, LabelledMatrix& out, std::string& error);
// The first sheet of a flat OpenDocument spreadsheet (.fods): the same document as one
// XML file.
bool ReadFlatOds(const std::string& path, LabelledMatrix& out, std::string& error);

}  // namespace quantorial
