// Any text as a directive file run on a small sheet: every line must be carried out or
// refused within the sheet's bounds, without undefined behaviour.

#include <cstdint>
#include <string>
#include <string_view>

#include "export/Directives.h"
#include "export/Sheet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quantorial::Sheet sheet;
  for (int r = 0; r < 6; ++r) {
    for (int c = 0; c < 4; ++c) {
      sheet.At(r, c).value = r == 0 ? quantorial::Cell(std::string("head")) : quantorial::Cell(r * 1.5 - c);
    }
  }
  quantorial::DirectiveRunner run(sheet);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::size_t start = 0;
  for (int lines = 0; start <= text.size() && lines < 24; ++lines) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    run.Run(text.substr(start, std::min<std::size_t>(end - start, 512)));
    start = end + 1;
  }
  // The sheet model holds the data and what formatting made of it, never a whole sheet.
  if (sheet.cells.size() > (1u << 21)) __builtin_trap();
  return 0;
}
