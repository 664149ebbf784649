// Any bytes as gretl's binary data file (.gdtb), given to its reader directly (a file of
// any other content is refused at its first bytes, so the inputs that matter start with
// the magic): it must end with a matrix or a message, never a crash, a hang or undefined
// behaviour. The inputs are taken with and without the magic put in front.

#include <cstdint>
#include <string>

#include "io/GdtbFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const std::string& input : {std::string(bytes), std::string("gretl-purebin\0", 14) + std::string(bytes)}) {
    quantorial::LabelledMatrix m;
    std::string error;
    const bool ok = quantorial::ReadGdtbBytes(input, m, error);
    if (ok != m.IsAssigned() || ok == !error.empty()) __builtin_trap();  // a matrix or a reason, not both
  }
  return 0;
}
