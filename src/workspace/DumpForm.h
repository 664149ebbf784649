#pragma once
// The dump form of a matrix: one line per row from the lower to the upper row bound,
// cells from the lower to the upper column bound separated by commas, each line ending
// in "\n". An empty cell is written as nothing, a number as the shortest decimal text
// that reads back to the same double, a text in double quotes with inner quotes doubled.
// An unassigned matrix writes nothing.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

std::string DumpText(const LabelledMatrix& m);

struct DumpOptions {
  unsigned threads = 0;              // threads that format; 0: one for each processor this process may use
  std::size_t blockCells = 1 << 17;  // about this many cells a block of rows
};

// The dump form in pieces, in order: `sink` is given consecutive parts of the text (the
// whole text is their concatenation) and returns false to stop, which makes DumpPieces
// return false. A large matrix is formatted in blocks of rows by several threads at once,
// and the blocks are handed to the sink in order on the calling thread.
bool DumpPieces(const LabelledMatrix& m, const std::function<bool(std::string_view)>& sink,
                const DumpOptions& options = {});

}  // namespace quantorial
