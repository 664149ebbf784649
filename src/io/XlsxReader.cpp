#include "io/XlsxReader.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "io/SheetCells.h"
#include "io/ZipXml.h"

namespace quantorial {

namespace {

// A relationship target is a URI: "%20" stands for a blank and so on.
std::string PercentDecoded(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    if (s[i] == '%' && i + 2 < s.size() && hex(s[i + 1]) && hex(s[i + 2])) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

// Resolves a relationship target against the folder of the part that holds it.
std::string ResolveTarget(const std::string& sourcePart, const std::string& rawTarget) {
  const std::string target = PercentDecoded(rawTarget);
  std::string joined;
  if (!target.empty() && target[0] == '/') {
    joined = target.substr(1);
  } else {
    const std::size_t slash = sourcePart.find_last_of('/');
    joined = (slash == std::string::npos ? std::string() : sourcePart.substr(0, slash + 1)) + target;
  }
  std::vector<std::string> parts;
  std::size_t pos = 0;
  while (pos <= joined.size()) {
    std::size_t next = joined.find('/', pos);
    if (next == std::string::npos) next = joined.size();
    const std::string seg = joined.substr(pos, next - pos);
    if (seg == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!seg.empty() && seg != ".") {
      parts.push_back(seg);
    }
    pos = next + 1;
  }
  std::string out;
  for (const auto& p : parts) out += (out.empty() ? "" : "/") + p;
  return out;
}

// The .rels part that belongs to a part.
std::string RelsPartOf(const std::string& part) {
  const std::size_t slash = part.find_last_of('/');
  if (slash == std::string::npos) return "_rels/" + part + ".rels";
  return part.substr(0, slash + 1) + "_rels/" + part.substr(slash + 1) + ".rels";
}

struct Relationship {
  std::string type;
  std::string target;  // resolved part name
};

class RelsHandler : public XmlHandler {
 public:
  explicit RelsHandler(std::string source) : source_(std::move(source)) {}
  std::map<std::string, Relationship> byId;
  void Start(std::string_view name, const char** atts) override {
    if (name != "Relationship") return;
    const char* id = Attribute(atts, "Id");
    const char* type = Attribute(atts, "Type");
    const char* target = Attribute(atts, "Target");
    const char* mode = Attribute(atts, "TargetMode");
    if (!id || !target || (mode && std::string_view(mode) == "External")) return;
    byId[id] = {type ? type : "", ResolveTarget(source_, target)};
  }
  void End(std::string_view) override {}
  std::optional<Relationship> OfType(std::string_view suffix) const {
    for (const auto& [id, r] : byId) {
      if (r.type.size() >= suffix.size() && r.type.compare(r.type.size() - suffix.size(), suffix.size(), suffix) == 0) {
        return r;
      }
    }
    return std::nullopt;
  }

 private:
  std::string source_;
};

class WorkbookHandler : public XmlHandler {
 public:
  std::string firstSheetRid;
  std::vector<std::pair<std::string, std::string>> sheets;  // name, relationship id
  bool date1904 = false;
  void Start(std::string_view name, const char** atts) override {
    if (name == "sheet") {
      const char* id = Attribute(atts, "id");
      const char* sheetName = Attribute(atts, "name");
      if (id) sheets.emplace_back(sheetName ? sheetName : "", id);
      if (id && firstSheetRid.empty()) firstSheetRid = id;
    } else if (name == "workbookPr") {
      const char* d = Attribute(atts, "date1904");
      date1904 = d && (std::string_view(d) == "1" || std::string_view(d) == "true");
    }
  }
  void End(std::string_view) override {}
};

// Collects the text of <t> elements below `item` (an <si> or an <is>), leaving out
// phonetic runs (<rPh>).
class RichText {
 public:
  void Start(std::string_view name) {
    if (name == "rPh") ++phonetic_;
    if (name == "t" && phonetic_ == 0) inText_ = true;
  }
  void End(std::string_view name) {
    if (name == "rPh") --phonetic_;
    if (name == "t") inText_ = false;
  }
  void Text(const char* s, int len) {
    if (inText_) text.append(s, static_cast<std::size_t>(len));
  }
  void Reset() {
    text.clear();
    inText_ = false;
    phonetic_ = 0;
  }
  std::string text;

 private:
  bool inText_ = false;
  int phonetic_ = 0;
};

class SharedStringsHandler : public XmlHandler {
 public:
  std::vector<std::string> strings;
  void Start(std::string_view name, const char**) override {
    if (name == "si") {
      inItem_ = true;
      rich_.Reset();
    } else if (inItem_) {
      rich_.Start(name);
    }
  }
  void End(std::string_view name) override {
    if (name == "si") {
      strings.push_back(std::move(rich_.text));
      inItem_ = false;
    } else if (inItem_) {
      rich_.End(name);
    }
  }
  void Text(const char* s, int len) override {
    if (inItem_) rich_.Text(s, len);
  }

 private:
  bool inItem_ = false;
  RichText rich_;
};

// Which cell formats (by index into cellXfs) show dates.
class StylesHandler : public XmlHandler {
 public:
  std::vector<bool> xfIsDate;
  void Start(std::string_view name, const char** atts) override {
    if (name == "numFmt") {
      const char* id = Attribute(atts, "numFmtId");
      const char* code = Attribute(atts, "formatCode");
      if (id && code) customDate_[std::atoi(id)] = IsDateFormatCode(code);
    } else if (name == "cellXfs") {
      inCellXfs_ = true;
    } else if (name == "xf" && inCellXfs_) {
      const char* id = Attribute(atts, "numFmtId");
      const int fmt = id ? std::atoi(id) : 0;
      const auto it = customDate_.find(fmt);
      xfIsDate.push_back(it != customDate_.end() ? it->second : IsBuiltinDateFormat(fmt));
    }
  }
  void End(std::string_view name) override {
    if (name == "cellXfs") inCellXfs_ = false;
  }

 private:
  std::map<int, bool> customDate_;
  bool inCellXfs_ = false;
};

// Reads "B12" into a 0-based row and column; false when it is not a cell reference.
bool ParseCellRef(const char* ref, long long& row, long long& col) {
  long long c = 0, r = 0;
  const char* p = ref;
  while (*p == '$') ++p;
  int letters = 0;
  while ((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z')) {
    c = c * 26 + ((*p | 0x20) - 'a' + 1);
    ++p;
    if (++letters > 3) return false;
  }
  while (*p == '$') ++p;
  int digits = 0;
  while (*p >= '0' && *p <= '9') {
    r = r * 10 + (*p - '0');
    ++p;
    if (++digits > 7) return false;
  }
  if (*p || letters == 0 || digits == 0 || r == 0) return false;
  row = r - 1;
  col = c - 1;
  return true;
}

class SheetHandler : public XmlHandler {
 public:
  SheetHandler(SheetCells& cells, const std::vector<std::string>& strings, const std::vector<bool>& xfIsDate,
               bool date1904)
      : cells_(cells), strings_(strings), xfIsDate_(xfIsDate), date1904_(date1904) {}

  std::string error;

  void Start(std::string_view name, const char** atts) override {
    if (inCell_) {
      if (name == "v") {
        inValue_ = true;
      } else if (name == "is") {
        inInline_ = true;
        rich_.Reset();
      } else if (inInline_) {
        rich_.Start(name);
      }
      return;
    }
    if (name == "c") {
      inCell_ = true;
      value_.clear();
      hasValue_ = false;
      hasInline_ = false;
      const char* r = Attribute(atts, "r");
      long long row = row_, col = col_;
      if (r && ParseCellRef(r, row, col)) {
        row_ = row;
      }
      cellRow_ = row;
      cellCol_ = col;
      col_ = col + 1;
      const char* t = Attribute(atts, "t");
      type_ = t ? t : "n";
      const char* s = Attribute(atts, "s");
      style_ = s ? std::atoi(s) : 0;
    } else if (name == "row") {
      const char* r = Attribute(atts, "r");
      row_ = r ? std::atoll(r) - 1 : row_ + 1;
      col_ = 0;
    } else if (name == "sheetData") {
      row_ = -1;
    }
  }

  void End(std::string_view name) override {
    if (!inCell_) return;
    if (name == "v") {
      inValue_ = false;
      hasValue_ = true;
    } else if (name == "is") {
      inInline_ = false;
      hasInline_ = true;
    } else if (inInline_) {
      rich_.End(name);
    } else if (name == "c") {
      inCell_ = false;
      double v;
      if (NumberCell(v)) {
        cells_.AddDouble(cellRow_, cellCol_, v);
      } else {
        cells_.Add(cellRow_, cellCol_, MakeCell());
      }
    }
  }

  void Text(const char* s, int len) override {
    if (inValue_) {
      value_.append(s, static_cast<std::size_t>(len));
    } else if (inInline_) {
      rich_.Text(s, len);
    }
  }

 private:
  bool DateStyle() const {
    return style_ >= 0 && static_cast<std::size_t>(style_) < xfIsDate_.size() &&
           xfIsDate_[static_cast<std::size_t>(style_)];
  }

  // The usual cell, a number without a date format, read straight as its double.
  bool NumberCell(double& v) const {
    if (!hasValue_ || type_ != "n" || DateStyle()) return false;
    const auto number = ParseXmlNumber(value_);
    if (!number) return false;
    v = *number;
    return true;
  }

  Cell MakeCell() {
    if (type_ == "inlineStr") return hasInline_ && !rich_.text.empty() ? Cell(rich_.text) : Cell();
    if (!hasValue_) return Cell();  // a formula without a cached value, or a styled blank
    if (type_ == "s") {
      const auto index = ParseXmlNumber(value_);
      if (!index || *index < 0 || *index >= static_cast<double>(strings_.size())) return Cell();
      const std::string& text = strings_[static_cast<std::size_t>(*index)];
      return text.empty() ? Cell() : Cell(text);
    }
    if (type_ == "str" || type_ == "e") return value_.empty() ? Cell() : Cell(value_);
    if (type_ == "b") return Cell(std::string(value_ == "1" || value_ == "true" ? "TRUE" : "FALSE"));
    if (type_ == "d") return value_.empty() ? Cell() : Cell(IsoDateText(value_));
    const auto v = ParseXmlNumber(value_);
    if (!v) return value_.empty() ? Cell() : Cell(value_);
    if (DateStyle()) {
      std::string text = SerialDateText(*v, date1904_);
      if (!text.empty()) return Cell(std::move(text));
    }
    return Cell(*v);
  }

  SheetCells& cells_;
  const std::vector<std::string>& strings_;
  const std::vector<bool>& xfIsDate_;
  bool date1904_;
  long long row_ = -1, col_ = 0, cellRow_ = 0, cellCol_ = 0;
  bool inCell_ = false, inValue_ = false, inInline_ = false, hasValue_ = false, hasInline_ = false;
  std::string type_;
  int style_ = 0;
  std::string value_;
  RichText rich_;
};

}  // namespace

namespace {

// The parts every sheet needs: the workbook, its relationships, strings and styles.
struct OpenedWorkbook {
  Package pkg;
  WorkbookHandler wb;
  RelsHandler wbRels{""};
  SharedStringsHandler sst;
  StylesHandler styles;
};

bool OpenWorkbook(const std::string& path, OpenedWorkbook& o, std::string& error) {
  if (!o.pkg.Open(path, error)) return false;
  std::string workbook = "xl/workbook.xml";
  if (o.pkg.Has("_rels/.rels")) {
    RelsHandler rels("");
    if (!o.pkg.Parse("_rels/.rels", rels, error)) return false;
    if (const auto r = rels.OfType("/officeDocument")) workbook = r->target;
  }
  if (workbook.size() > 4 && workbook.compare(workbook.size() - 4, 4, ".bin") == 0) {
    error =
        "an Excel binary workbook (.xlsb), which this program does not read; save it as an Excel Workbook "
        "(.xlsx) and load that";
    return false;
  }
  if (!o.pkg.Has(workbook)) {
    error = "the package holds no workbook";
    return false;
  }
  if (!o.pkg.Parse(workbook, o.wb, error)) return false;
  o.wbRels = RelsHandler(workbook);
  const std::string wbRelsPart = RelsPartOf(workbook);
  if (o.pkg.Has(wbRelsPart) && !o.pkg.Parse(wbRelsPart, o.wbRels, error)) return false;
  if (const auto r = o.wbRels.OfType("/sharedStrings"); r && o.pkg.Has(r->target)) {
    if (!o.pkg.Parse(r->target, o.sst, error)) return false;
  }
  if (const auto r = o.wbRels.OfType("/styles"); r && o.pkg.Has(r->target)) {
    if (!o.pkg.Parse(r->target, o.styles, error)) return false;
  }
  return true;
}

bool ReadSheetCells(OpenedWorkbook& o, const std::string& rid, SheetCells& cells, std::string& error) {
  std::string sheet;
  if (const auto it = o.wbRels.byId.find(rid); it != o.wbRels.byId.end()) sheet = it->second.target;
  if (sheet.empty() || !o.pkg.Has(sheet)) {
    error = "the workbook has no readable worksheet";
    return false;
  }
  SheetHandler handler(cells, o.sst.strings, o.styles.xfIsDate, o.wb.date1904);
  return o.pkg.Parse(sheet, handler, error, true);
}

}  // namespace

bool ReadXlsx(const std::string& path, LabelledMatrix& out, std::string& error) {
  out = LabelledMatrix();
  OpenedWorkbook o;
  if (!OpenWorkbook(path, o, error)) return false;
  SheetCells cells;
  if (!ReadSheetCells(o, o.wb.firstSheetRid, cells, error)) {
    if (error == "the workbook has no readable worksheet") error = "the workbook has no readable first worksheet";
    return false;
  }
  return cells.Build(out, error);
}

bool ReadXlsxSheets(const std::string& path, std::vector<WorkbookSheet>& out, std::string& error) {
  out.clear();
  OpenedWorkbook o;
  if (!OpenWorkbook(path, o, error)) return false;
  for (const auto& [name, rid] : o.wb.sheets) {
    SheetCells cells;
    if (!ReadSheetCells(o, rid, cells, error)) return false;
    WorkbookSheet sheet;
    sheet.name = name;
    cells.ForEach([&](long long row, long long col, Cell cell) { sheet.cells.push_back({row, col, std::move(cell)}); });
    out.push_back(std::move(sheet));
  }
  return true;
}

}  // namespace quantorial
