#include "workspace/DumpForm.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "workspace/Processors.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

// The longest shortest-form text of a double ("-2.2250738585072014e-308" is 24 bytes).
constexpr std::size_t kNumberRoom = 32;

// Text appended at a write position that grows the buffer only when it must.
class TextBuffer {
 public:
  explicit TextBuffer(std::string& s) : s_(s) { s_.clear(); }
  ~TextBuffer() { s_.resize(used_); }
  char* Room(std::size_t n) {
    if (s_.size() - used_ < n) s_.resize(std::max(s_.size() * 2, used_ + n + 4096));
    return s_.data() + used_;
  }
  void Advance(std::size_t n) { used_ += n; }
  void Put(char c) { *Room(1) = c, ++used_; }

 private:
  std::string& s_;
  std::size_t used_ = 0;
};

void PutNumber(TextBuffer& b, double v) {
  char* p = b.Room(kNumberRoom);
  const auto [end, ec] = std::to_chars(p, p + kNumberRoom, v);
  (void)ec;
  b.Advance(static_cast<std::size_t>(end - p));
}

void PutText(TextBuffer& b, const std::string& text) {
  char* p = b.Room(2 * text.size() + 2);
  char* q = p;
  *q++ = '"';
  for (char ch : text) {
    if (ch == '"') *q++ = '"';
    *q++ = ch;
  }
  *q++ = '"';
  b.Advance(static_cast<std::size_t>(q - p));
}

// Rows r0..r1 (inclusive) of the dump form into `out` (replacing what it held).
void FormatRows(const LabelledMatrix& m, int r0, int r1, std::string& out) {
  TextBuffer b(out);
  const int c0 = m.Lower(2), c1 = m.Upper(2);
  for (int i = r0; i <= r1; ++i) {
    for (int j = c0; j <= c1; ++j) {
      if (j > c0) b.Put(',');
      double v;
      if (m.GetDouble(i, j, v)) {  // the usual cell: a double read straight from its word
        PutNumber(b, v);
        continue;
      }
      const Cell c = m.Value(i, j);
      if (IsText(c)) {
        PutText(b, std::get<std::string>(c));
      } else if (IsNumber(c)) {
        PutNumber(b, NumberOf(c));
      }
    }
    b.Put('\n');
  }
}

}  // namespace

bool DumpPieces(const LabelledMatrix& m, const std::function<bool(std::string_view)>& sink,
                const DumpOptions& options) {
  if (!m.IsAssigned()) return true;
  const int lo = m.Lower(1), hi = m.Upper(1);
  const std::size_t cols = static_cast<std::size_t>(m.Upper(2) - m.Lower(2) + 1);
  const std::size_t rows = static_cast<std::size_t>(hi - lo + 1);
  const std::size_t blockRows = std::max<std::size_t>(1, std::max<std::size_t>(options.blockCells, 1) / cols);
  const std::size_t blocks = (rows + blockRows - 1) / blockRows;
  const unsigned threads =
      static_cast<unsigned>(std::min<std::size_t>(options.threads ? options.threads : UsableProcessors(), blocks));
  auto firstRow = [&](std::size_t k) { return lo + static_cast<int>(k * blockRows); };
  auto lastRow = [&](std::size_t k) {
    return static_cast<int>(std::min<std::size_t>((k + 1) * blockRows, rows)) + lo - 1;
  };

  if (threads <= 1) {
    std::string text;
    for (std::size_t k = 0; k < blocks; ++k) {
      FormatRows(m, firstRow(k), lastRow(k), text);
      if (!sink(text)) return false;
    }
    return true;
  }

  // A ring of slots, two a thread: block k is formatted into slot k % slots once the sink
  // has taken block k - slots, so at most that many blocks are held at once.
  const std::size_t slots = 2 * static_cast<std::size_t>(threads);
  std::vector<std::string> text(slots);
  std::vector<std::size_t> ready(slots, ~std::size_t{0});  // the block a slot holds, formatted
  std::size_t taken = 0;                                   // blocks handed to the sink so far
  bool stop = false;
  std::mutex mu;
  std::condition_variable changed;
  std::atomic<std::size_t> next{0};

  auto work = [&] {
    for (;;) {
      const std::size_t k = next.fetch_add(1);
      if (k >= blocks) return;
      const std::size_t s = k % slots;
      {
        std::unique_lock lock(mu);
        changed.wait(lock, [&] { return stop || taken + slots > k; });
        if (stop) return;
      }
      FormatRows(m, firstRow(k), lastRow(k), text[s]);
      {
        std::lock_guard lock(mu);
        ready[s] = k;
      }
      changed.notify_all();
    }
  };
  std::vector<std::thread> pool;
  pool.reserve(threads);
  for (unsigned t = 0; t < threads; ++t) pool.emplace_back(work);
  bool ok = true;
  for (std::size_t k = 0; k < blocks && ok; ++k) {
    const std::size_t s = k % slots;
    {
      std::unique_lock lock(mu);
      changed.wait(lock, [&] { return ready[s] == k; });
    }
    ok = sink(text[s]);
    {
      std::lock_guard lock(mu);
      ++taken;
      stop = !ok;
    }
    changed.notify_all();
  }
  for (std::thread& t : pool) t.join();
  return ok;
}

std::string DumpText(const LabelledMatrix& m) {
  std::string out;
  DumpPieces(m, [&](std::string_view piece) {
    if (out.empty()) {
      out.reserve(piece.size() * static_cast<std::size_t>(std::max(1, m.Upper(1) - m.Lower(1) + 1)) /
                  std::max<std::size_t>(1, std::count(piece.begin(), piece.end(), '\n')));
    }
    out.append(piece);
    return true;
  });
  return out;
}

}  // namespace quantorial
