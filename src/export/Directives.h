#pragma once
// The formatting directives of the export: one directive per line of a text file, acting
// on the current selection of a sheet, and the three built-in layouts.

#include <optional>
#include <string>
#include <string_view>

#include "export/Sheet.h"

namespace quantorial {

// The line type and weight that `border` draws with; they last for the process.
struct BorderSettings {
  int lineType = 1;    // continuous
  int lineWeight = 2;  // thin
};
BorderSettings& ProcessBorderSettings();

// A range address ("B3", "A3:M5", "$F:$F", "3:5") as 0-based cells; whole columns and rows
// reach as far as the sheet holds cells.
std::optional<CellRange> ParseRangeAddress(std::string_view address, const Sheet& sheet);

// The most cells a formatting directive makes in the sheet model; a larger selection works
// on the cells the sheet holds.
inline constexpr long long kMaxSelectionCells = 1LL << 20;

class DirectiveRunner {
 public:
  explicit DirectiveRunner(Sheet& sheet) : sheet_(sheet) {}
  // Runs one line. False when the directive could not be carried out (its caller goes on
  // with the next line); comments, empty lines and unknown keywords are true.
  bool Run(std::string_view line);
  // The built-in layouts "FIT", "ITS" and "ITS2" for a written block ending at lastRow
  // (0-based).
  void Layout(std::string_view name, int lastRow);
  CellRange selection;

 private:
  bool Select(std::string_view address);
  void Border(const std::string& kind, const std::string& color);
  bool Raise(double p1Number, const std::string& p1, double p2);
  bool Sort(const std::string& range, const std::vector<std::string>& keys);
  bool Subtotal(int groupBy, int function, const std::vector<int>& totals);
  // The selection itself, or for one of more than kMaxSelectionCells cells only its part
  // that holds cells.
  CellRange Clipped(const CellRange& s) const;
  template <typename F>
  void ForSelection(F f);
  Sheet& sheet_;
};

}  // namespace quantorial
