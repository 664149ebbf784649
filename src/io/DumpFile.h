#pragma once
// Writing a matrix's dump form (workspace/DumpForm.h) to a file or a stream without
// holding the whole text: the rows are formatted in blocks, in parallel, and written as
// they are ready.

#include <ostream>
#include <string>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

// Writes the dump form to `path` atomically (an unassigned matrix makes an empty file).
// False with a reason in `error`; the file is then unchanged.
bool WriteDumpFile(const std::string& path, const LabelledMatrix& m, std::string& error);

// Writes the dump form to a stream; false when the stream fails.
bool WriteDump(std::ostream& out, const LabelledMatrix& m);

}  // namespace quantorial
