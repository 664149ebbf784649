#pragma once
// A sequence of cells held in a word each: a double as itself, and the other kinds (empty,
// 16-bit integer, single, text, and a double that is not a number) as a quiet NaN whose
// payload says which, with the texts kept aside. The storage of LabelledMatrix, and the
// buffer a reader fills before it knows a table's shape.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "workspace/Cell.h"

namespace quantorial {

class CompactCells {
 public:
  // n empty cells (std::bad_alloc when they cannot be held).
  void Assign(std::size_t n);
  // Room for n cells without moving them; a large room is asked of the system in huge
  // pages where it gives them (fewer page faults while it fills).
  void Reserve(std::size_t n);
  // Keeps the first n cells (n no more than Size()).
  void Truncate(std::size_t n) { words_.resize(n); }
  std::size_t Size() const { return words_.size(); }
  void Swap(CompactCells& other) noexcept {
    words_.swap(other.words_);
    texts_.swap(other.texts_);
    freeTexts_.swap(other.freeTexts_);
  }
  // Moves the cells of `other` to the end of these (`other` is left empty).
  void Append(CompactCells&& other);

  // (The values are const so that assigning to one, which would change nothing, does not compile.)
  const Cell Get(std::size_t k) const { return Decode(words_[k]); }
  void Set(std::size_t k, Cell value);
  void Push(Cell value);
  void PushDouble(double v);
  // The double at k into `out`, when the cell holds a double.
  bool GetDouble(std::size_t k, double& out) const;
  void SetDouble(std::size_t k, double v);
  // Whether cell k here and cell k2 of `other` are equal as cells.
  bool Equal(std::size_t k, const CompactCells& other, std::size_t k2) const;

 private:
  const Cell Decode(std::uint64_t word) const;
  std::uint64_t Encode(Cell& value, std::uint64_t old);
  void Release(std::uint64_t word);

  std::vector<std::uint64_t> words_;      // one per cell
  std::vector<std::string> texts_;        // the text cells' texts
  std::vector<std::uint32_t> freeTexts_;  // entries of texts_ no cell uses any more
};

}  // namespace quantorial
