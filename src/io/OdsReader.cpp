#include "io/OdsReader.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "io/SheetCells.h"
#include "io/ZipXml.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

// The largest sheet the spreadsheet programs make; repeats beyond it are cut.
constexpr long long kMaxRows = 1048576;
constexpr long long kMaxCols = 16384;

// A repeat count; beyond a sheet's size it is cut to it (so that positions plus repeats
// never leave the range of the arithmetic).
long long Repeat(const char* value) {
  if (!value) return 1;
  const long long n = std::strtoll(value, nullptr, 10);
  return n < 1 ? 1 : std::min(n, kMaxRows * kMaxCols);
}

// "PT13H45M00S" as "13:45:00".
std::string DurationText(const std::string& iso) {
  long long h = 0, m = 0;
  double s = 0;
  std::size_t pos = iso.find('T');
  if (pos == std::string::npos) return iso;
  ++pos;
  while (pos < iso.size()) {
    std::size_t end = pos;
    while (end < iso.size() && ((iso[end] >= '0' && iso[end] <= '9') || iso[end] == '.')) ++end;
    if (end >= iso.size()) break;
    double v = 0.0;
    DecimalPrefix(std::string_view(iso).substr(pos, end - pos), v);
    if (iso[end] == 'H') h = static_cast<long long>(v);
    if (iso[end] == 'M') m = static_cast<long long>(v);
    if (iso[end] == 'S') s = v;
    pos = end + 1;
  }
  const long long total = h * 3600 + m * 60 + static_cast<long long>(s + 0.5);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
  return buf;
}

class ContentHandler : public XmlHandler {
 public:
  explicit ContentHandler(SheetCells& cells) : cells_(cells) {}

  void Start(std::string_view name, const char** atts) override {
    if (done_) return;
    if (name == "table") {
      ++tableDepth_;
      return;
    }
    if (tableDepth_ != 1) return;
    if (name == "annotation") ++annotation_;
    if (annotation_ > 0) return;
    if (name == "table-row") {
      rowRepeat_ = Repeat(Attribute(atts, "number-rows-repeated"));
      col_ = 0;
      rowCells_.clear();
    } else if (name == "table-cell" || name == "covered-table-cell") {
      inCell_ = true;
      colRepeat_ = Repeat(Attribute(atts, "number-columns-repeated"));
      const char* type = Attribute(atts, "value-type");
      type_ = type ? type : "";
      value_ = Take(atts, "value");
      dateValue_ = Take(atts, "date-value");
      timeValue_ = Take(atts, "time-value");
      booleanValue_ = Take(atts, "boolean-value");
      const char* sv = Attribute(atts, "string-value");
      hasStringValue_ = sv != nullptr;
      stringValue_ = sv ? sv : "";
      text_.clear();
      paragraphs_ = 0;
    } else if (inCell_) {
      if (name == "p") {
        if (paragraphs_++ > 0) text_ += '\n';
      } else if (name == "s") {
        text_.append(static_cast<std::size_t>(std::min<long long>(Repeat(Attribute(atts, "c")), 1000)), ' ');
      } else if (name == "tab") {
        text_ += '\t';
      } else if (name == "line-break") {
        text_ += '\n';
      }
    }
  }

  void End(std::string_view name) override {
    if (done_) return;
    if (name == "table") {
      if (--tableDepth_ == 0) done_ = true;  // only the first sheet is read
      return;
    }
    if (tableDepth_ != 1) return;
    if (name == "annotation") {
      --annotation_;
      return;
    }
    if (annotation_ > 0) return;
    if ((name == "table-cell" || name == "covered-table-cell") && inCell_) {
      inCell_ = false;
      Cell cell = MakeCell();
      if (!IsEmpty(cell)) {
        for (long long k = 0; k < colRepeat_ && col_ + k < kMaxCols; ++k) rowCells_.emplace_back(col_ + k, cell);
      }
      col_ = std::min(col_ + colRepeat_, kMaxCols);
    } else if (name == "table-row") {
      const long long repeats = std::min(rowRepeat_, kMaxRows - row_);
      // The repeated rows are checked against the sheet's budget as a whole before they
      // are expanded, so a row repeated a billion times costs nothing.
      if (!rowCells_.empty() && repeats > 0 &&
          !cells_.Claim(row_, row_ + repeats - 1, rowCells_.front().first, rowCells_.back().first,
                        static_cast<unsigned long long>(repeats) * rowCells_.size())) {
        done_ = true;
        return;
      }
      for (long long r = 0; r < repeats; ++r) {
        for (const auto& [c, cell] : rowCells_) {
          const double* number = std::get_if<double>(&cell);
          if (!(number ? cells_.AddDouble(row_ + r, c, *number) : cells_.Add(row_ + r, c, cell))) {
            done_ = true;
            return;
          }
        }
      }
      row_ = std::min(row_ + rowRepeat_, kMaxRows);
    }
  }

  void Text(const char* s, int len) override {
    if (!done_ && inCell_ && tableDepth_ == 1 && annotation_ == 0) text_.append(s, static_cast<std::size_t>(len));
  }

 private:
  static std::string Take(const char** atts, std::string_view local) {
    const char* v = Attribute(atts, local);
    return v ? v : "";
  }

  Cell MakeCell() const {
    if (type_ == "float" || type_ == "percentage" || type_ == "currency") {
      if (const auto v = ParseXmlNumber(value_)) return *v;
      return Cell();
    }
    if (type_ == "date") return dateValue_.empty() ? Cell() : Cell(IsoDateText(dateValue_));
    if (type_ == "time") return timeValue_.empty() ? Cell() : Cell(DurationText(timeValue_));
    if (type_ == "boolean") {
      return Cell(std::string(booleanValue_ == "true" || booleanValue_ == "1" ? "TRUE" : "FALSE"));
    }
    const std::string& text = hasStringValue_ ? stringValue_ : text_;
    return text.empty() ? Cell() : Cell(text);
  }

  SheetCells& cells_;
  bool done_ = false;
  int tableDepth_ = 0;
  int annotation_ = 0;
  long long row_ = 0, col_ = 0, rowRepeat_ = 1, colRepeat_ = 1;
  std::vector<std::pair<long long, Cell>> rowCells_;
  bool inCell_ = false;
  std::string type_, value_, dateValue_, timeValue_, booleanValue_, stringValue_, text_;
  bool hasStringValue_ = false;
  int paragraphs_ = 0;
};

// Notes whether the manifest lists encryption data for a part.
class ManifestHandler : public XmlHandler {
 public:
  bool encrypted = false;
  void Start(std::string_view name, const char**) override { encrypted |= name == "encryption-data"; }
  void End(std::string_view) override {}
};

}  // namespace

bool ReadOds(const std::string& path, LabelledMatrix& out, std::string& error) {
  out = LabelledMatrix();
  Package pkg;
  if (!pkg.Open(path, error)) return false;
  if (pkg.Has("META-INF/manifest.xml")) {
    ManifestHandler manifest;
    std::string ignored;
    if (pkg.Parse("META-INF/manifest.xml", manifest, ignored) && manifest.encrypted) {
      error = "the spreadsheet is encrypted with a password; save it without one and load that";
      return false;
    }
  }
  SheetCells cells;
  ContentHandler handler(cells);
  if (!pkg.Parse("content.xml", handler, error, true)) return false;
  return cells.Build(out, error);
}

bool ReadFlatOds(const std::string& path, LabelledMatrix& out, std::string& error) {
  out = LabelledMatrix();
  SheetCells cells;
  ContentHandler handler(cells);
  if (!ParseXmlFile(path, handler, error)) return false;
  return cells.Build(out, error);
}

}  // namespace quantorial
