#include "export/PlainWorkbook.h"

#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>

#include "io/XmlText.h"
#include "io/ZipXml.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

constexpr const char* kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr const char* kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr const char* kRelationships = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr const char* kOfficeRelationships = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

std::string SheetXml(const LabelledMatrix& m) {
  std::string x;
  const long long rows = m.IsAssigned() ? m.Upper(1) - m.Lower(1) + 1 : 0;
  const long long cols = m.IsAssigned() ? m.Upper(2) - m.Lower(2) + 1 : 0;
  x.reserve(static_cast<std::size_t>(rows * cols) * 24 + 256);
  x += kXmlHead;
  x += "<worksheet xmlns=\"";
  x += kMain;
  x += "\">";
  if (rows > 0 && cols > 0) x += "<dimension ref=\"A1:" + ColumnLetters(cols) + std::to_string(rows) + "\"/>";
  x += "<sheetData>";
  std::vector<std::string> letters(static_cast<std::size_t>(cols));
  for (long long j = 0; j < cols; ++j) letters[static_cast<std::size_t>(j)] = ColumnLetters(j + 1);
  for (long long i = 0; i < rows; ++i) {
    const std::string r = std::to_string(i + 1);
    bool opened = false;
    long long next = 0;  // the column a cell without a reference would take
    for (long long j = 0; j < cols; ++j) {
      const Cell& c = m.Value(m.Lower(1) + static_cast<int>(i), m.Lower(2) + static_cast<int>(j));
      if (IsBlank(c)) continue;
      if (!opened) {
        x += "<row r=\"" + r + "\">";
        opened = true;
      }
      // A cell's reference may be left out when it follows the one before: a large sheet
      // is a quarter smaller and compresses faster for it.
      x += "<c";
      if (j != next) {
        x += " r=\"";
        x += letters[static_cast<std::size_t>(j)];
        x += r;
        x += '"';
      }
      next = j + 1;
      const std::optional<double> v = IsText(c) ? std::nullopt : ArithmeticValue(c);
      if (v && std::isfinite(*v)) {
        x += "><v>";
        x += ShortestText(*v);
        x += "</v></c>";
      } else {
        x += " t=\"inlineStr\"><is><t xml:space=\"preserve\">";
        AppendXmlText(x, CellText(c));
        x += "</t></is></c>";
      }
    }
    if (opened) x += "</row>";
  }
  x += "</sheetData></worksheet>";
  return x;
}

// Counts the sheets a workbook's part list names, and keeps the first one's name.
class SheetCounter : public XmlHandler {
 public:
  int sheets = 0;
  std::string firstName;
  void Start(std::string_view name, const char** atts) override {
    if (name != "sheet") return;
    if (sheets++ == 0) {
      if (const char* n = Attribute(atts, "name")) firstName = n;
    }
  }
  void End(std::string_view) override {}
};

}  // namespace

int WorkbookSheetCount(const std::string& path, std::string* firstSheetName) {
  Package p;
  std::string error;
  if (!p.Open(path, error)) return -1;
  SheetCounter counter;
  if (!p.Parse("xl/workbook.xml", counter, error)) return -1;
  if (firstSheetName) *firstSheetName = counter.firstName;
  return counter.sheets;
}

bool WritePlainWorkbook(const LabelledMatrix& m, const std::string& sheetName, const std::string& path,
                        std::string& error) {
  std::string name;
  AppendXmlText(name, sheetName.empty() ? std::string("Sheet1") : sheetName);
  std::deque<std::string> parts;  // libzip reads them when the archive is closed
  const std::string contentTypes =
      std::string(kXmlHead) +
      "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
      "<Override PartName=\"/xl/workbook.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
      "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
      "<Override PartName=\"/xl/styles.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/></Types>";
  const std::string rels = std::string(kXmlHead) + "<Relationships xmlns=\"" + kRelationships +
                           "\"><Relationship Id=\"rId1\" Type=\"" + kOfficeRelationships +
                           "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
  const std::string workbook = std::string(kXmlHead) + "<workbook xmlns=\"" + kMain + "\" xmlns:r=\"" +
                               kOfficeRelationships + "\"><sheets><sheet name=\"" + name +
                               "\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
  const std::string workbookRels = std::string(kXmlHead) + "<Relationships xmlns=\"" + kRelationships +
                                   "\"><Relationship Id=\"rId1\" Type=\"" + kOfficeRelationships +
                                   "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" +
                                   kOfficeRelationships + "/styles\" Target=\"styles.xml\"/></Relationships>";
  const std::string styles =
      std::string(kXmlHead) + "<styleSheet xmlns=\"" + kMain +
      "\"><fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
      "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill><patternFill "
      "patternType=\"gray125\"/></fill></fills><borders count=\"1\"><border><left/><right/><top/><bottom/>"
      "<diagonal/></border></borders><cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
      "borderId=\"0\"/></cellStyleXfs><cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
      "borderId=\"0\" xfId=\"0\"/></cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" "
      "builtinId=\"0\"/></cellStyles></styleSheet>";

  const std::string temporary = path + ".tmp-" + std::to_string(::getpid()) + ".xlsx";
  int code = 0;
  zip_t* z = zip_open(temporary.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  if (!z) {
    zip_error_t ze;
    zip_error_init_with_code(&ze, code);
    error = "cannot write \"" + path + "\": " + zip_error_strerror(&ze);
    zip_error_fini(&ze);
    return false;
  }
  const std::pair<const char*, std::string> entries[] = {{"[Content_Types].xml", contentTypes},
                                                         {"_rels/.rels", rels},
                                                         {"xl/workbook.xml", workbook},
                                                         {"xl/_rels/workbook.xml.rels", workbookRels},
                                                         {"xl/styles.xml", styles},
                                                         {"xl/worksheets/sheet1.xml", SheetXml(m)}};
  bool ok = true;
  for (const auto& [entry, content] : entries) {
    parts.push_back(content);
    zip_source_t* src = zip_source_buffer(z, parts.back().data(), parts.back().size(), 0);
    const zip_int64_t index = src ? zip_file_add(z, entry, src, ZIP_FL_ENC_UTF_8) : -1;
    if (index < 0) {
      if (src) zip_source_free(src);
      ok = false;
      break;
    }
    // The fastest deflate level: the sheet of a large table compresses four times faster,
    // for a file a quarter larger.
    zip_set_file_compression(z, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 1);
  }
  if (!ok || zip_close(z) != 0) {
    error = "cannot write \"" + path + "\": " + zip_strerror(z);
    zip_discard(z);
    std::remove(temporary.c_str());
    return false;
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    error = "cannot replace \"" + path + "\": " + std::strerror(errno);
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace quantorial
