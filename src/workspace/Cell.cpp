#include "workspace/Cell.h"

namespace quantorial {

double NumberOf(const Cell& c) {
  switch (c.index()) {
    case 1:
      return std::get<double>(c);
    case 2:
      return std::get<std::int16_t>(c);
    case 3:
      return static_cast<double>(std::get<float>(c));
    default:
      return 0.0;
  }
}

const char* KindName(const Cell& c) {
  switch (c.index()) {
    case 0:
      return "empty";
    case 1:
      return "double";
    case 2:
      return "integer";
    case 3:
      return "single";
    default:
      return "text";
  }
}

}  // namespace quantorial
