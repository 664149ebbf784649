#include "io/CsvReader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>
#include <vector>

#include "workspace/CompactCells.h"
#include "workspace/Processors.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

bool AllBlank(std::string_view t) {
  for (char c : t) {
    if (c != ' ' && c != '\t') return false;
  }
  return true;
}

// The whole of [first, last) as a finite number in the plain form from_chars reads.
bool PlainNumber(const char* first, const char* last, double& v) {
  const auto [ptr, ec] = std::from_chars(first, last, v);
  return ec == std::errc() && ptr == last && std::isfinite(v);
}

}  // namespace

Cell FieldCell(std::string_view text) {
  if (AllBlank(text)) return Cell();
  // Most fields of a data file are plain numbers: read those directly, and leave every
  // other text to the whole-text rule.
  const char c0 = text[0];
  if ((c0 >= '0' && c0 <= '9') || c0 == '-' || c0 == '.') {
    double v = 0.0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec == std::errc() && ptr == text.data() + text.size() && std::isfinite(v)) return v;
  }
  if (const auto v = WholeNumber(text)) return *v;
  // A percentage ("5%", "-2.5 %") is the number it stands for, as a spreadsheet reads it.
  const std::size_t last = text.find_last_not_of(" \t");
  if (last != std::string_view::npos && last > 0 && text[last] == '%') {
    if (const auto v = WholeNumber(text.substr(0, last))) return *v / 100.0;
  }
  return std::string(text);
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string s = "\"";
  for (char c : text) {
    if (c == '"') s += '"';
    s += c;
  }
  return s + "\"";
}

char GuessDelimiter(std::string_view data) {
  std::size_t pos = 0;
  while (pos < data.size()) {
    std::size_t end = data.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = data.size();
    const std::string_view line = data.substr(pos, end - pos);
    if (!AllBlank(line)) {
      if (line.find(',') != std::string_view::npos) return ',';
      if (line.find('\t') != std::string_view::npos) return '\t';
      if (line.find(';') != std::string_view::npos) return ';';
      return ',';
    }
    pos = end + 1;
  }
  return ',';
}

namespace {

// Parses whole rows of comma-separated text from a position that starts a row. The rows
// of a large file are parsed in several blocks at once, each by a parser of its own from
// the first line start of its block; one whose block turns out not to start a row (a
// quoted field with a line break crosses into it) is dropped, and the parser before it
// goes on through that block instead.
class RowParser {
 public:
  RowParser(std::string_view data, char delimiter, std::size_t pos, std::size_t sizeHint)
      : s_(data.data()), n_(data.size()), delimiter_(delimiter), pos_(pos) {
    cells_.Reserve(sizeHint / 2 + 1);  // a number field takes at least two bytes of the file
  }

  // Parses the rows that start before `stop`; false at the first malformed one.
  bool Run(std::size_t stop);

  // Takes on the rows of the parser of the block that starts where this one stopped.
  void Join(RowParser&& next);

  // Gives back the memory of the rows read.
  void Release() {
    CompactCells().Swap(cells_);
    std::vector<std::size_t>().swap(rowStart_);
  }

  std::size_t Pos() const { return pos_; }
  bool Failed() const { return failed_; }
  // The reason, naming the line, when it failed.
  std::string Error() const;
  // Builds the matrix of the used range.
  bool Build(LabelledMatrix& out, std::string& error);

 private:
  const char* s_;
  std::size_t n_;
  char delimiter_;
  std::size_t pos_;
  std::size_t line_ = 1;
  CompactCells cells_;
  std::vector<std::size_t> rowStart_;
  long long minRow_ = std::numeric_limits<long long>::max(), maxRow_ = -1;
  long long minCol_ = std::numeric_limits<long long>::max(), maxCol_ = -1;
  std::string quoted_;
  bool failed_ = false;
  bool unclosed_ = false;  // the failure: a quoted field that is not closed (else a cell too long)
  std::size_t errorLine_ = 0;
  long long errorCol_ = 0;
};

bool RowParser::Run(std::size_t stop) {
  const char* s = s_;
  const std::size_t n = n_;
  const char delimiter = delimiter_;
  std::size_t pos = pos_;
  while (pos < n && pos < stop) {
    const long long row = static_cast<long long>(rowStart_.size());
    rowStart_.push_back(cells_.Size());
    long long col = 0;
    for (;;) {
      Cell cell;
      bool plain = false;
      double number = 0.0;
      if (pos < n && s[pos] == '"') {
        const std::size_t openLine = line_;
        ++pos;
        quoted_.clear();
        for (;;) {
          const void* q = std::memchr(s + pos, '"', n - pos);
          if (!q) {
            failed_ = unclosed_ = true;
            errorLine_ = openLine;
            pos_ = n;
            return false;
          }
          const std::size_t qpos = static_cast<std::size_t>(static_cast<const char*>(q) - s);
          line_ += static_cast<std::size_t>(std::count(s + pos, s + qpos, '\n'));
          quoted_.append(s + pos, qpos - pos);
          pos = qpos + 1;
          if (pos < n && s[pos] == '"') {
            quoted_ += '"';
            ++pos;
            continue;
          }
          break;
        }
        // Text after the closing quote, up to the delimiter, is kept as it stands.
        while (pos < n && s[pos] != delimiter && s[pos] != '\n' && s[pos] != '\r') quoted_ += s[pos++];
        cell = quoted_.empty() ? Cell() : FieldCell(quoted_);
      } else {
        std::size_t end = pos;
        while (end < n && s[end] != delimiter && s[end] != '\n' && s[end] != '\r') ++end;
        // Most fields are plain numbers: those go into the cells directly, without a Cell.
        const char c0 = end > pos ? s[pos] : ' ';
        if ((c0 >= '0' && c0 <= '9') || c0 == '-') plain = PlainNumber(s + pos, s + end, number);
        if (!plain && end > pos) cell = FieldCell(std::string_view(s + pos, end - pos));
        pos = end;
      }
      if (IsText(cell) && std::get<std::string>(cell).size() > kMaxCellText) {
        failed_ = true;
        errorLine_ = line_;
        errorCol_ = col + 1;
        pos_ = pos;
        return false;
      }
      if (plain || !IsEmpty(cell)) {
        minRow_ = std::min(minRow_, row);
        maxRow_ = std::max(maxRow_, row);
        minCol_ = std::min(minCol_, col);
        maxCol_ = std::max(maxCol_, col);
      }
      if (plain) {
        cells_.PushDouble(number);
      } else {
        cells_.Push(std::move(cell));
      }
      ++col;
      if (pos < n && s[pos] == delimiter) {
        ++pos;
        if (pos < n) continue;
        cells_.Push(Cell());  // a delimiter at the very end opens one last empty field
        break;
      }
      if (pos < n && s[pos] == '\r') {
        ++pos;
        if (pos < n && s[pos] == '\n') ++pos;
        ++line_;
      } else if (pos < n && s[pos] == '\n') {
        ++pos;
        ++line_;
      }
      break;
    }
  }
  pos_ = pos;
  return true;
}

void RowParser::Join(RowParser&& next) {
  const long long rows = static_cast<long long>(rowStart_.size());
  const std::size_t base = cells_.Size();
  for (std::size_t start : next.rowStart_) rowStart_.push_back(base + start);
  cells_.Append(std::move(next.cells_));
  if (next.maxRow_ >= 0) {
    if (maxRow_ < 0) minRow_ = next.minRow_ + rows;
    maxRow_ = next.maxRow_ + rows;
    minCol_ = std::min(minCol_, next.minCol_);
    maxCol_ = std::max(maxCol_, next.maxCol_);
  }
  const std::size_t lines = line_ - 1;
  line_ = next.line_ + lines;
  pos_ = next.pos_;
  failed_ = next.failed_;
  unclosed_ = next.unclosed_;
  errorLine_ = next.errorLine_ + lines;
  errorCol_ = next.errorCol_;
}

std::string RowParser::Error() const {
  if (unclosed_) return "line " + std::to_string(errorLine_) + ": a quoted field is not closed";
  return "line " + std::to_string(errorLine_) + ", column " + std::to_string(errorCol_) + ": a cell holds more than " +
         std::to_string(kMaxCellText) + " characters";
}

bool RowParser::Build(LabelledMatrix& out, std::string& error) {
  if (maxRow_ < 0) return true;  // nothing but blanks
  const long long rows = maxRow_ - minRow_ + 1, cols = maxCol_ - minCol_ + 1;
  if (rows - 1 > std::numeric_limits<int>::max() || cols - 1 > std::numeric_limits<int>::max()) {
    error = "the table is too large";
    return false;
  }
  rowStart_.push_back(cells_.Size());
  // A table whose rows all have the same width from its first row and column on (the
  // usual file) becomes the matrix as it was read, without a second copy.
  bool whole = minRow_ == 0 && minCol_ == 0;
  for (long long r = 0; whole && r <= maxRow_; ++r) {
    whole = rowStart_[static_cast<std::size_t>(r) + 1] - rowStart_[static_cast<std::size_t>(r)] ==
            static_cast<std::size_t>(cols);
  }
  if (whole) {
    cells_.Truncate(rowStart_[static_cast<std::size_t>(maxRow_) + 1]);  // blank lines after the table
    out = LabelledMatrix::FromCells(static_cast<int>(rows), static_cast<int>(cols), std::move(cells_));
    return true;
  }
  out = LabelledMatrix::Dimension(0, static_cast<int>(rows - 1), 0, static_cast<int>(cols - 1));
  if (!out.IsAssigned()) {
    error = "the table is too large to hold in memory";
    return false;
  }
  for (long long r = minRow_; r <= maxRow_; ++r) {
    const std::size_t b = rowStart_[static_cast<std::size_t>(r)], e = rowStart_[static_cast<std::size_t>(r) + 1];
    const long long width = static_cast<long long>(e - b);
    for (long long c = minCol_; c <= maxCol_ && c < width; ++c) {
      out.Put(static_cast<int>(r - minRow_), static_cast<int>(c - minCol_),
              cells_.Get(b + static_cast<std::size_t>(c)));
    }
  }
  return true;
}

// Files smaller than this a block are parsed on one thread.
constexpr std::size_t kMinBlockBytes = 1 << 20;

}  // namespace

bool ParseCsv(std::string_view data, char delimiter, LabelledMatrix& out, std::string& error, unsigned threads) {
  out = LabelledMatrix();
  if (data.size() >= 3 && static_cast<unsigned char>(data[0]) == 0xEF && static_cast<unsigned char>(data[1]) == 0xBB &&
      static_cast<unsigned char>(data[2]) == 0xBF) {
    data.remove_prefix(3);
  }
  const std::size_t n = data.size();
  if (threads == 0) threads = static_cast<unsigned>(std::min<std::size_t>(UsableProcessors(), n / kMinBlockBytes));
  threads = std::max(1u, threads);

  // Each block starts after the first line feed at or past its share of the bytes.
  std::vector<std::size_t> begin{0};
  for (unsigned t = 1; t < threads; ++t) {
    const std::size_t share = n / threads * t;
    if (share <= begin.back()) continue;
    const void* lf = std::memchr(data.data() + share, '\n', n - share);
    if (!lf) break;
    const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(lf) - data.data()) + 1;
    if (at < n) begin.push_back(at);
  }
  begin.push_back(n);
  const std::size_t blocks = begin.size() - 1;

  std::vector<RowParser> parsers;
  parsers.reserve(blocks);
  parsers.emplace_back(data, delimiter, 0, n);
  for (std::size_t b = 1; b < blocks; ++b) parsers.emplace_back(data, delimiter, begin[b], begin[b + 1] - begin[b]);
  {
    std::vector<std::thread> pool;
    for (std::size_t b = 1; b < blocks; ++b) pool.emplace_back([&, b] { parsers[b].Run(begin[b + 1]); });
    parsers[0].Run(begin[1]);
    for (std::thread& t : pool) t.join();
  }
  // The blocks in order: one that starts where the rows before it ended is taken on;
  // otherwise the rows before it go on through it.
  RowParser& all = parsers[0];
  for (std::size_t b = 1; b < blocks && !all.Failed(); ++b) {
    if (all.Pos() == begin[b]) {
      all.Join(std::move(parsers[b]));
    } else {
      all.Run(begin[b + 1]);
    }
    parsers[b].Release();
  }
  if (all.Failed()) {
    error = all.Error();
    return false;
  }
  return all.Build(out, error);
}

}  // namespace quantorial
