// Any bytes as a data file, read through the one entry point of every format (text,
// xlsx, xls, ods, flat ods, and the statistics programs' files): it must end with a
// matrix or a message, never a crash, a hang or undefined behaviour.

#include <cstdint>

#include "FuzzFile.h"
#include "io/DataFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const quantorial::fuzz::FuzzFile file("data.xlsx");
  file.Write(data, size);
  const quantorial::DataFileResult r = quantorial::ReadDataFile(file.Path());
  if (r.matrix.IsAssigned() && !r.error.empty()) __builtin_trap();  // a matrix or a reason, not both
  return 0;
}
