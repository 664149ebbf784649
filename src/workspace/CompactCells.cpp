#include "workspace/CompactCells.h"

#include <sys/mman.h>

#include <bit>
#include <cmath>
#include <cstdint>

namespace quantorial {

namespace {

// The kinds other than a double, as quiet NaNs: the top 16 bits say which, the low 48 bits
// carry the value (a 16-bit integer, a single's bits, a text's index, a NaN's sign).
constexpr std::uint64_t kTagMask = 0xFFFF'0000'0000'0000ULL;
constexpr std::uint64_t kPayload = 0x0000'FFFF'FFFF'FFFFULL;
constexpr std::uint64_t kEmpty = 0x7FF9'0000'0000'0000ULL;
constexpr std::uint64_t kInt16 = 0x7FFA'0000'0000'0000ULL;
constexpr std::uint64_t kFloat = 0x7FFB'0000'0000'0000ULL;
constexpr std::uint64_t kText = 0x7FFC'0000'0000'0000ULL;
constexpr std::uint64_t kNaN = 0x7FFD'0000'0000'0000ULL;

// A stored double is never a NaN (a NaN double is kept as kNaN), so a NaN pattern is a tag.
bool Tagged(std::uint64_t word) {
  return (word & 0x7FF0'0000'0000'0000ULL) == 0x7FF0'0000'0000'0000ULL && (word & 0x000F'FFFF'FFFF'FFFFULL) != 0;
}

std::uint64_t DoubleWord(double v) {
  return std::isnan(v) ? (kNaN | (std::signbit(v) ? 1u : 0u)) : std::bit_cast<std::uint64_t>(v);
}

double NaNOf(std::uint64_t word) { return (word & kPayload) ? -std::nan("") : std::nan(""); }

}  // namespace

void CompactCells::Reserve(std::size_t n) {
  if (n <= words_.capacity()) return;
  words_.reserve(n);
  // The pages not touched yet, from the first whole huge page on: a hint, which the system
  // may ignore.
  constexpr std::uintptr_t kHuge = std::uintptr_t{1} << 21;
  const std::size_t bytes = words_.capacity() * sizeof(std::uint64_t);
  if (bytes < 4 * kHuge) return;
  const auto begin = reinterpret_cast<std::uintptr_t>(words_.data());
  const std::uintptr_t from = (begin + words_.size() * sizeof(std::uint64_t) + kHuge - 1) & ~(kHuge - 1);
  const std::uintptr_t to = (begin + bytes) & ~(kHuge - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

void CompactCells::Assign(std::size_t n) {
  words_.assign(n, kEmpty);
  texts_.clear();
  freeTexts_.clear();
}

const Cell CompactCells::Decode(std::uint64_t word) const {
  if (!Tagged(word)) return std::bit_cast<double>(word);
  const std::uint64_t payload = word & kPayload;
  switch (word & kTagMask) {
    case kInt16:
      return static_cast<std::int16_t>(static_cast<std::uint16_t>(payload));
    case kFloat:
      return std::bit_cast<float>(static_cast<std::uint32_t>(payload));
    case kText:
      return texts_[static_cast<std::size_t>(payload)];
    case kNaN:
      return NaNOf(word);
    default:
      return Cell();
  }
}

bool CompactCells::GetDouble(std::size_t k, double& out) const {
  const std::uint64_t word = words_[k];
  if (!Tagged(word)) {
    out = std::bit_cast<double>(word);
    return true;
  }
  if ((word & kTagMask) != kNaN) return false;
  out = NaNOf(word);
  return true;
}

void CompactCells::Release(std::uint64_t word) {
  if ((word & kTagMask) != kText) return;
  const std::size_t index = static_cast<std::size_t>(word & kPayload);
  std::string().swap(texts_[index]);
  freeTexts_.push_back(static_cast<std::uint32_t>(index));
}

void CompactCells::SetDouble(std::size_t k, double v) {
  Release(words_[k]);
  words_[k] = DoubleWord(v);
}

std::uint64_t CompactCells::Encode(Cell& value, std::uint64_t old) {
  if (auto* text = std::get_if<std::string>(&value)) {
    if ((old & kTagMask) == kText) {  // a text over a text keeps its entry
      texts_[static_cast<std::size_t>(old & kPayload)] = std::move(*text);
      return old;
    }
    std::size_t index;
    if (!freeTexts_.empty()) {
      index = freeTexts_.back();
      freeTexts_.pop_back();
      texts_[index] = std::move(*text);
    } else {
      index = texts_.size();
      texts_.push_back(std::move(*text));
    }
    return kText | static_cast<std::uint64_t>(index);
  }
  Release(old);
  if (const double* d = std::get_if<double>(&value)) return DoubleWord(*d);
  if (const auto* n = std::get_if<std::int16_t>(&value)) return kInt16 | static_cast<std::uint16_t>(*n);
  if (const float* f = std::get_if<float>(&value)) return kFloat | std::bit_cast<std::uint32_t>(*f);
  return kEmpty;
}

void CompactCells::Set(std::size_t k, Cell value) { words_[k] = Encode(value, words_[k]); }

void CompactCells::Push(Cell value) { words_.push_back(Encode(value, kEmpty)); }

void CompactCells::PushDouble(double v) { words_.push_back(DoubleWord(v)); }

void CompactCells::Append(CompactCells&& other) {
  const std::uint64_t base = texts_.size();
  words_.reserve(words_.size() + other.words_.size());
  for (const std::uint64_t word : other.words_) {
    // A text's index moves up by the texts held here already.
    words_.push_back((word & kTagMask) == kText ? kText | ((word & kPayload) + base) : word);
  }
  for (std::string& text : other.texts_) texts_.push_back(std::move(text));
  for (const std::uint32_t free : other.freeTexts_) freeTexts_.push_back(static_cast<std::uint32_t>(free + base));
  CompactCells().Swap(other);
}

bool CompactCells::Equal(std::size_t k, const CompactCells& other, std::size_t k2) const {
  const std::uint64_t x = words_[k], y = other.words_[k2];
  // The same word is the same cell, except a text (an index) and a NaN (never equal).
  if (x == y && (x & kTagMask) != kText && (x & kTagMask) != kNaN) return true;
  return Decode(x) == other.Decode(y);
}

}  // namespace quantorial
