// Any bytes as clipboard text pasted into the worksheet editor (another program put them
// there): the reader must end with a block within its bounds, never a crash, a hang or
// undefined behaviour, and every row it gives must fit the width it reports.

#include <cstdint>
#include <string_view>

#include "workbench/WorksheetEditor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kCells = 4096, kRows = 512;
  std::vector<std::vector<std::string>> block;
  std::size_t width = 0;
  const bool whole = quantorial::ReadClipboardBlock(std::string_view(reinterpret_cast<const char*>(data), size), kCells,
                                                    kRows, block, width);
  std::size_t cells = 0, bytes = 0;
  for (const auto& row : block) {
    if (row.size() > width) __builtin_trap();
    cells += row.size();
    for (const auto& cell : row) bytes += cell.size();
  }
  if (whole && (block.size() > kRows || cells > kCells)) __builtin_trap();
  if (bytes > size) __builtin_trap();  // a cell's text comes from the input, never more of it
  return 0;
}
