#include "workspace/DumpForm.h"

#include "workspace/ValueRules.h"

namespace quantorial {

std::string DumpText(const LabelledMatrix& m) {
  std::string out;
  if (!m.IsAssigned()) return out;
  for (int i = m.Lower(1); i <= m.Upper(1); ++i) {
    for (int j = m.Lower(2); j <= m.Upper(2); ++j) {
      if (j > m.Lower(2)) out += ',';
      const Cell& c = m.Value(i, j);
      if (IsText(c)) {
        out += '"';
        for (char ch : std::get<std::string>(c)) {
          if (ch == '"') out += '"';
          out += ch;
        }
        out += '"';
      } else if (IsNumber(c)) {
        out += ShortestText(NumberOf(c));
      }
    }
    out += '\n';
  }
  return out;
}

}  // namespace quantorial
