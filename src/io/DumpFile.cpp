#include "io/DumpFile.h"

#include "io/AtomicFile.h"
#include "workspace/DumpForm.h"

namespace quantorial {

bool WriteDumpFile(const std::string& path, const LabelledMatrix& m, std::string& error) {
  return WriteFileAtomicallyInPieces(
      path, [&](const PieceWriter& write) { return DumpPieces(m, write); }, error);
}

bool WriteDump(std::ostream& out, const LabelledMatrix& m) {
  DumpPieces(m, [&](std::string_view piece) {
    out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    return static_cast<bool>(out);
  });
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace quantorial
