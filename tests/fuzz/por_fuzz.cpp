// Any bytes as an SPSS portable file (.por), read through libreadstat with the repairs of
// its character table that PSPP's files need: it must end with a matrix or a message,
// never a crash, a hang or undefined behaviour.

#include <cstdint>

#include "FuzzFile.h"
#include "io/StatFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const quantorial::fuzz::FuzzFile file("data.por");
  file.Write(data, size);
  quantorial::LabelledMatrix m;
  std::string error;
  const bool ok = quantorial::ReadStatFile(file.Path(), quantorial::StatFormat::Por, m, error);
  if (ok != m.IsAssigned() || ok == !error.empty()) __builtin_trap();  // a matrix or a reason, not both
  return 0;
}
