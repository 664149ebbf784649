#include "io/ZipXml.h"

#include <expat.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

namespace quantorial {

namespace {
// Expat joins a namespace and a local name with this character.
constexpr char kNsSep = '\x01';
}  // namespace

std::string_view LocalName(const char* name) {
  const char* sep = std::strrchr(name, kNsSep);
  return sep ? std::string_view(sep + 1) : std::string_view(name);
}

const char* Attribute(const char** atts, std::string_view local) {
  for (int i = 0; atts[i]; i += 2) {
    if (LocalName(atts[i]) == local) return atts[i + 1];
  }
  return nullptr;
}

Package::~Package() {
  if (zip_) zip_close(zip_);
}

bool Package::Open(const std::string& path, std::string& error) {
    int code = 0;
    zip_ = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (!zip_) {
      zip_error_t ze;
      zip_error_init_with_code(&ze, code);
      error = std::string("not a readable workbook package (") + zip_error_strerror(&ze) + ")";
      zip_error_fini(&ze);
      return false;
    }
    return true;
}

bool Package::Has(const std::string& part) const { return zip_name_locate(zip_, part.c_str(), ZIP_FL_NOCASE) >= 0; }

bool Package::Parse(const std::string& part, XmlHandler& handler, std::string& error) {
    const zip_int64_t index = zip_name_locate(zip_, part.c_str(), ZIP_FL_NOCASE);
    if (index < 0) {
      error = "the package has no part " + part;
      return false;
    }
    zip_file_t* f = zip_fopen_index(zip_, static_cast<zip_uint64_t>(index), 0);
    if (!f) {
      error = "cannot open the part " + part + " (" + zip_strerror(zip_) + ")";
      return false;
    }
    XML_Parser parser = XML_ParserCreateNS(nullptr, kNsSep);
    XML_SetUserData(parser, &handler);
    XML_SetElementHandler(
        parser,
        [](void* ud, const char* name, const char** atts) {
          static_cast<XmlHandler*>(ud)->Start(LocalName(name), atts);
        },
        [](void* ud, const char* name) { static_cast<XmlHandler*>(ud)->End(LocalName(name)); });
    XML_SetCharacterDataHandler(parser, [](void* ud, const char* s, int len) {
      static_cast<XmlHandler*>(ud)->Text(s, len);
    });
    std::vector<char> buf(1 << 16);
    bool ok = true;
    for (;;) {
      const zip_int64_t n = zip_fread(f, buf.data(), buf.size());
      if (n < 0) {
        error = "the part " + part + " is damaged (" + zip_file_strerror(f) + ")";
        ok = false;
        break;
      }
      if (XML_Parse(parser, buf.data(), static_cast<int>(n), n == 0) == XML_STATUS_ERROR) {
        error = "the part " + part + " is not well-formed XML (line " +
                std::to_string(XML_GetCurrentLineNumber(parser)) + ": " + XML_ErrorString(XML_GetErrorCode(parser)) +
                ")";
        ok = false;
        break;
      }
      if (n == 0) break;
    }
    XML_ParserFree(parser);
    zip_fclose(f);
    return ok;
}


std::optional<double> ParseXmlNumber(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\n' || s[b] == '\r')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\n' || s[e - 1] == '\r')) --e;
  if (b < e && s[b] == '+') ++b;
  double v = 0;
  const auto [ptr, ec] = std::from_chars(s.data() + b, s.data() + e, v);
  if (ec != std::errc() || ptr != s.data() + e || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::string IsoDateText(std::string s) {
  if (const auto z = s.find_first_of("Zz"); z != std::string::npos) s.erase(z);
  if (const auto t = s.find('T'); t != std::string::npos) s[t] = ' ';
  if (const auto dot = s.find('.', 10); dot != std::string::npos) s.erase(dot);
  if (s.size() > 10 && s.compare(10, std::string::npos, " 00:00:00") == 0) s.erase(10);
  return s;
}

}  // namespace quantorial
