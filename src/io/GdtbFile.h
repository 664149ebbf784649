#pragma once
// gretl's binary data files (.gdtb) as gretl 2021b and later write them ("gretl-purebin"):
// a fixed header (the number of series and observations, the kind of data, its frequency
// and first observation), the series names, one record of 112 bytes a series, the values
// as little-endian doubles series by series, then the observation markers, the series'
// descriptions, the texts of string-valued series, the data set's description and the
// panel's group names. A file reads exactly as the same data's .gdt does (see GdtFile.h).
// gretl's older zipped form is refused with a message saying so.

#include <string>
#include <string_view>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

// True when the bytes start as a binary gretl data file.
bool LooksLikeGdtb(std::string_view head);

// Reads a .gdtb file held in `bytes`. False with a reason when it cannot be read; `out` is
// then unassigned.
bool ReadGdtbBytes(std::string_view bytes, LabelledMatrix& out, std::string& error);

// Reads a .gdtb file. False with a reason when it cannot be read; `out` is then unassigned.
bool ReadGdtbFile(const std::string& path, LabelledMatrix& out, std::string& error);

}  // namespace quantorial
