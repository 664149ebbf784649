#include "workspace/LabelledMatrix.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace quantorial {

namespace {
// A matrix larger than this many cells (1 GB of cells) is refused rather than allowed to
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
    m.cells_ = std::make_shared<CompactCells>();
    m.cells_->Assign(static_cast<std::size_t>(rows * cols));
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

LabelledMatrix LabelledMatrix::FromCells(int rows, int cols, CompactCells&& cells) {
  LabelledMatrix m;
  if (rows < 1 || cols < 1 || static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols) != cells.Size()) {
    return m;
  }
  m.cells_ = std::make_shared<CompactCells>(std::move(cells));
  m.assigned_ = true;
  m.lo1_ = m.lo2_ = 0;
  m.hi1_ = rows - 1;
  m.hi2_ = cols - 1;
  return m;
}

bool LabelledMatrix::Set(int i, int j, Cell value) {
  if (!InRange(i, j)) return false;
  Put(i, j, std::move(value));
  return true;
}

bool operator==(const LabelledMatrix& a, const LabelledMatrix& b) {
  if (a.assigned_ != b.assigned_) return false;
  if (!a.assigned_) return true;
  if (a.lo1_ != b.lo1_ || a.hi1_ != b.hi1_ || a.lo2_ != b.lo2_ || a.hi2_ != b.hi2_) return false;
  if (a.cells_ == b.cells_) return true;  // a copy not written to since
  for (std::size_t k = 0; k < a.cells_->Size(); ++k) {
    if (!a.cells_->Equal(k, *b.cells_, k)) return false;
  }
  return true;
}

#ifdef QUANTORIAL_CHECKED_ACCESS
void LabelledMatrix::OutOfRange(int i, int j) const {
  std::fprintf(stderr, "LabelledMatrix: unchecked access to (%d, %d) outside %d..%d x %d..%d%s\n", i, j, lo1_, hi1_,
               lo2_, hi2_, assigned_ ? "" : " (unassigned)");
  std::abort();
}
#endif

LabelledMatrix NumberMatrix(const std::vector<std::string>& rowLabels, const std::vector<std::string>& colLabels,
                            const std::vector<std::vector<double>>& rows, const std::string& corner) {
  LabelledMatrix m = LabelledMatrix::Dimension(static_cast<int>(rowLabels.size()), static_cast<int>(colLabels.size()));
  if (!m.IsAssigned()) return m;
  if (!corner.empty()) m.Put(0, 0, corner);
  for (std::size_t j = 0; j < colLabels.size(); ++j) m.Put(0, static_cast<int>(j + 1), colLabels[j]);
  for (std::size_t i = 0; i < rowLabels.size(); ++i) {
    m.Put(static_cast<int>(i + 1), 0, rowLabels[i]);
    if (i >= rows.size()) continue;
    for (std::size_t j = 0; j < colLabels.size() && j < rows[i].size(); ++j)
      if (std::isfinite(rows[i][j])) m.PutDouble(static_cast<int>(i + 1), static_cast<int>(j + 1), rows[i][j]);
  }
  return m;
}

}  // namespace quantorial
