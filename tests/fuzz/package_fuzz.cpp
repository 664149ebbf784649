// Any bytes as one XML part of a workbook package: the first byte chooses the part of a
// minimal xlsx (worksheet, shared strings, styles, workbook, its relationships) or of an
// ods (content, manifest), the rest is its text. The package is read through the data-file
// entry point.

#include <cstdint>
#include <map>
#include <string>

#include "FuzzFile.h"
#include "PackageWriter.h"
#include "io/DataFile.h"

namespace {

const char* kTypes =
    "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>";
const char* kRels =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"a\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
    "<Relationship Id=\"s\" Type=\"x/sharedStrings\" Target=\"sharedStrings.xml\"/>"
    "<Relationship Id=\"t\" Type=\"x/styles\" Target=\"styles.xml\"/></Relationships>";
const char* kWorkbook =
    "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<sheets><sheet r:id=\"a\"/></sheets></workbook>";
const char* kSheet =
    "<worksheet><sheetData><row><c t=\"s\"><v>0</v></c><c s=\"1\"><v>2</v></c></row></sheetData></worksheet>";
const char* kStrings = "<sst><si><t>a</t></si></sst>";
const char* kStyles = "<styleSheet><cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/></cellXfs></styleSheet>";
const char* kContent =
    "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
    "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\"><office:body><office:spreadsheet>"
    "<table:table><table:table-row><table:table-cell office:value-type=\"float\" office:value=\"1\"/>"
    "</table:table-row></table:table></office:spreadsheet></office:body></office:document-content>";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const quantorial::fuzz::FuzzFile file("package.zip");
  if (size < 1) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::map<std::string, std::string> parts;
  const int which = data[0] % 7;
  if (which < 5) {
    parts = {{"[Content_Types].xml", kTypes},       {"xl/workbook.xml", kWorkbook},
             {"xl/_rels/workbook.xml.rels", kRels}, {"xl/worksheets/sheet1.xml", kSheet},
             {"xl/sharedStrings.xml", kStrings},    {"xl/styles.xml", kStyles}};
    const char* names[] = {"xl/worksheets/sheet1.xml", "xl/sharedStrings.xml", "xl/styles.xml", "xl/workbook.xml",
                           "xl/_rels/workbook.xml.rels"};
    parts[names[which]] = text;
  } else {
    parts = {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", kContent}};
    parts[which == 5 ? "content.xml" : "META-INF/manifest.xml"] = text;
  }
  if (!quantorial::testing::WriteZip(file.Path(), parts)) return 0;
  const quantorial::DataFileResult r = quantorial::ReadDataFile(file.Path());
  if (r.matrix.IsAssigned() && !r.error.empty()) __builtin_trap();
  return 0;
}
