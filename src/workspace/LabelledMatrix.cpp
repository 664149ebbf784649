#include "workspace/LabelledMatrix.h"

#include <new>

namespace quantorial {

namespace {
// A matrix larger than this many cells (about 5 GB) is refused rather than allowed to
// exhaust the machine's memory.
constexpr long long kMaxCells = 1LL << 27;
}  // namespace

LabelledMatrix LabelledMatrix::Dimension(int lower1, int upper1, int lower2, int upper2) {
  LabelledMatrix m;
  if (upper1 < lower1 || upper2 < lower2) return m;
  const long long rows = static_cast<long long>(upper1) - lower1 + 1;
  const long long cols = static_cast<long long>(upper2) - lower2 + 1;
  if (rows > kMaxCells / cols) return m;
  try {
    m.cells_.resize(static_cast<std::size_t>(rows * cols));
  } catch (const std::bad_alloc&) {
    return LabelledMatrix();
  }
  m.assigned_ = true;
  m.lo1_ = lower1;
  m.hi1_ = upper1;
  m.lo2_ = lower2;
  m.hi2_ = upper2;
  return m;
}

bool LabelledMatrix::Set(int i, int j, Cell value) {
  Cell* c = At(i, j);
  if (!c) return false;
  *c = std::move(value);
  return true;
}

const Cell& LabelledMatrix::Get(int i, int j) const {
  static const Cell kEmpty;
  const Cell* c = At(i, j);
  return c ? *c : kEmpty;
}

bool operator==(const LabelledMatrix& a, const LabelledMatrix& b) {
  if (a.assigned_ != b.assigned_) return false;
  if (!a.assigned_) return true;
  return a.lo1_ == b.lo1_ && a.hi1_ == b.hi1_ && a.lo2_ == b.lo2_ && a.hi2_ == b.hi2_ &&
         a.cells_ == b.cells_;
}

}  // namespace quantorial
