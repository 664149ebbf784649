#include "io/ZipXml.h"

#include <expat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "io/Utf8.h"

namespace quantorial {

std::string_view LocalName(const char* name) {
  // Names are compared without their prefix ("x:c" is "c"): writers choose prefixes
  // freely, and the parts read here never mix two vocabularies under one local name.
  const char* colon = std::strrchr(name, ':');
  return colon ? std::string_view(colon + 1) : std::string_view(name);
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

zip_int64_t Package::Locate(const std::string& part) const {
  const zip_int64_t index = zip_name_locate(zip_, part.c_str(), ZIP_FL_NOCASE);
  if (index >= 0) return index;
  // Some tools write the folders of a part's name with backslashes.
  std::string windows = part;
  std::replace(windows.begin(), windows.end(), '/', '\\');
  return windows == part ? index : zip_name_locate(zip_, windows.c_str(), ZIP_FL_NOCASE);
}

bool Package::Has(const std::string& part) const { return Locate(part) >= 0; }

namespace {

// Appends text with its entity and character references resolved.
void AppendDecoded(std::string& out, const char* p, std::size_t n) {
  const char* end = p + n;
  while (p < end) {
    const char* amp = static_cast<const char*>(std::memchr(p, '&', static_cast<std::size_t>(end - p)));
    if (!amp) {
      out.append(p, end);
      return;
    }
    out.append(p, amp);
    const char* semi = static_cast<const char*>(std::memchr(amp, ';', static_cast<std::size_t>(end - amp)));
    if (!semi || semi - amp > 12) {
      out += '&';
      p = amp + 1;
      continue;
    }
    const std::string_view ref(amp + 1, static_cast<std::size_t>(semi - amp - 1));
    if (ref == "lt") {
      out += '<';
    } else if (ref == "gt") {
      out += '>';
    } else if (ref == "amp") {
      out += '&';
    } else if (ref == "quot") {
      out += '"';
    } else if (ref == "apos") {
      out += '\'';
    } else if (ref.size() > 1 && ref[0] == '#') {
      const bool hex = ref[1] == 'x' || ref[1] == 'X';
      AppendUtf8(out, static_cast<std::uint32_t>(
                          std::strtoul(std::string(ref.substr(hex ? 2 : 1)).c_str(), nullptr, hex ? 16 : 10)));
    } else {
      out.append(amp, semi + 1);
    }
    p = semi + 1;
  }
}

// A small streaming XML scanner for the large parts of a workbook (the worksheet, the
// spreadsheet content): several times faster than a general parser on their millions of
// tiny elements. It reports the same events and checks that tags are complete and every
// element is closed; it does not validate beyond that.
class FastXml {
 public:
  explicit FastXml(XmlHandler& handler) : handler_(handler) {}

  bool Feed(const char* data, std::size_t n, bool final, std::string& error) {
    buf_.append(data, n);
    std::size_t pos = 0;
    const std::size_t size = buf_.size();
    const char* b = buf_.data();
    while (pos < size) {
      if (b[pos] != '<') {
        const char* lt = static_cast<const char*>(std::memchr(b + pos, '<', size - pos));
        std::size_t stop = lt ? static_cast<std::size_t>(lt - b) : size;
        if (!lt && !final) {
          // Keep a reference that may be cut by the end of the chunk.
          const char* amp = static_cast<const char*>(std::memchr(b + pos, '&', size - pos));
          if (amp) stop = static_cast<std::size_t>(amp - b);
        }
        if (stop > pos) EmitText(b + pos, stop - pos);
        pos = stop;
        if (!lt) break;
        continue;
      }
      const std::size_t tagEnd = FindTagEnd(b, pos, size);
      if (tagEnd == std::string::npos) break;  // the tag goes on in the next chunk
      if (!Tag(b + pos, tagEnd - pos + 1, error)) return false;
      pos = tagEnd + 1;
    }
    buf_.erase(0, pos);
    if (final) {
      if (!buf_.empty()) {
        error = "a tag is not closed at the end";
        return false;
      }
      if (depth_ != 0) {
        error = std::to_string(depth_) + " element(s) are not closed at the end";
        return false;
      }
      if (!seenElement_) {
        error = "there is no element";
        return false;
      }
    }
    return true;
  }

 private:
  // The position of the '>' that ends the markup starting at `pos`, or npos.
  static std::size_t FindTagEnd(const char* b, std::size_t pos, std::size_t size) {
    auto find = [&](const char* what, std::size_t from) -> std::size_t {
      const std::string_view hay(b + from, size - from);
      const std::size_t at = hay.find(what);
      return at == std::string_view::npos ? std::string::npos : from + at + std::strlen(what) - 1;
    };
    const std::string_view head(b + pos, std::min<std::size_t>(9, size - pos));
    if (head.substr(0, 4) == "<!--") return find("-->", pos + 4);
    if (head.substr(0, 9) == "<![CDATA[") return find("]]>", pos + 9);
    if (head.size() < 9 && (std::string_view("<![CDATA[").substr(0, head.size()) == head ||
                            std::string_view("<!--").substr(0, std::min<std::size_t>(4, head.size())) == head)) {
      return std::string::npos;  // not enough to tell yet
    }
    if (head.substr(0, 2) == "<?") return find("?>", pos + 2);
    char quote = 0;
    for (std::size_t i = pos + 1; i < size; ++i) {
      const char c = b[i];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>') {
        return i;
      }
    }
    return std::string::npos;
  }

  void EmitText(const char* p, std::size_t n) {
    if (depth_ == 0) return;  // blanks between the prolog and the root
    if (!std::memchr(p, '&', n)) {
      handler_.Text(p, static_cast<int>(n));
      return;
    }
    text_.clear();
    AppendDecoded(text_, p, n);
    handler_.Text(text_.data(), static_cast<int>(text_.size()));
  }

  bool Tag(const char* t, std::size_t n, std::string& error) {
    if (n >= 4 && std::memcmp(t, "<!--", 4) == 0) return true;
    if (n >= 2 && t[1] == '?') return true;
    if (n >= 9 && std::memcmp(t, "<![CDATA[", 9) == 0) {
      if (depth_ > 0) handler_.Text(t + 9, static_cast<int>(n - 12));
      return true;
    }
    if (n >= 2 && t[1] == '!') {
      error = "document type declarations are not accepted";
      return false;
    }
    if (n >= 2 && t[1] == '/') {
      std::size_t e = 2;
      while (e < n - 1 && !IsSpace(t[e])) ++e;
      name_.assign(t + 2, e - 2);
      if (depth_ == 0) {
        error = "an end tag </" + name_ + "> has no start";
        return false;
      }
      --depth_;
      handler_.End(LocalName(name_.c_str()));
      return true;
    }
    const bool empty = n >= 3 && t[n - 2] == '/';
    const std::size_t stop = empty ? n - 2 : n - 1;  // index of "/>" or ">"
    std::size_t i = 1;
    while (i < stop && !IsSpace(t[i])) ++i;
    name_.assign(t + 1, i - 1);
    if (name_.empty()) {
      error = "a tag has no name";
      return false;
    }
    std::size_t count = 0;
    while (true) {
      while (i < stop && IsSpace(t[i])) ++i;
      if (i >= stop) break;
      const std::size_t nameStart = i;
      while (i < stop && t[i] != '=' && !IsSpace(t[i])) ++i;
      const std::size_t nameEnd = i;
      while (i < stop && IsSpace(t[i])) ++i;
      if (i >= stop || t[i] != '=') {
        error = "an attribute of <" + name_ + "> has no value";
        return false;
      }
      ++i;
      while (i < stop && IsSpace(t[i])) ++i;
      if (i >= stop || (t[i] != '"' && t[i] != '\'')) {
        error = "an attribute value of <" + name_ + "> is not quoted";
        return false;
      }
      const char q = t[i++];
      const std::size_t valueStart = i;
      while (i < stop && t[i] != q) ++i;
      if (i >= stop) {
        error = "an attribute value of <" + name_ + "> is not closed";
        return false;
      }
      if (attrs_.size() < 2 * count + 2) attrs_.resize(2 * count + 2);
      attrs_[2 * count].assign(t + nameStart, nameEnd - nameStart);
      std::string& value = attrs_[2 * count + 1];
      value.clear();
      AppendDecoded(value, t + valueStart, i - valueStart);
      ++count;
      ++i;
    }
    pointers_.resize(2 * count + 1);
    for (std::size_t k = 0; k < 2 * count; ++k) pointers_[k] = attrs_[k].c_str();
    pointers_[2 * count] = nullptr;
    seenElement_ = true;
    ++depth_;
    handler_.Start(LocalName(name_.c_str()), pointers_.data());
    if (empty) {
      --depth_;
      handler_.End(LocalName(name_.c_str()));
    }
    return true;
  }

  static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

  XmlHandler& handler_;
  std::string buf_;
  std::string name_;
  std::string text_;
  std::vector<std::string> attrs_;
  std::vector<const char*> pointers_;
  long long depth_ = 0;
  bool seenElement_ = false;
};

}  // namespace

bool Package::Parse(const std::string& part, XmlHandler& handler, std::string& error, bool fast) {
  const zip_int64_t index = Locate(part);
  if (index < 0) {
    error = "the package has no part " + part;
    return false;
  }
  zip_file_t* f = zip_fopen_index(zip_, static_cast<zip_uint64_t>(index), 0);
  if (!f) {
    error = "cannot open the part " + part + " (" + zip_strerror(zip_) + ")";
    return false;
  }
  XML_Parser parser = nullptr;
  std::unique_ptr<FastXml> scanner;
  if (fast) {
    scanner = std::make_unique<FastXml>(handler);
  } else {
    parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &handler);
    XML_SetElementHandler(
        parser,
        [](void* ud, const char* name, const char** atts) {
          static_cast<XmlHandler*>(ud)->Start(LocalName(name), atts);
        },
        [](void* ud, const char* name) { static_cast<XmlHandler*>(ud)->End(LocalName(name)); });
    XML_SetCharacterDataHandler(parser,
                                [](void* ud, const char* s, int len) { static_cast<XmlHandler*>(ud)->Text(s, len); });
  }
  std::vector<char> buf(1 << 16);
  bool ok = true;
  for (;;) {
    const zip_int64_t n = zip_fread(f, buf.data(), buf.size());
    if (n < 0) {
      error = "the part " + part + " is damaged (" + zip_file_strerror(f) + ")";
      ok = false;
      break;
    }
    std::string why;
    if (scanner) {
      if (!scanner->Feed(buf.data(), static_cast<std::size_t>(n), n == 0, why)) {
        error = "the part " + part + " is not well-formed XML (" + why + ")";
        ok = false;
        break;
      }
    } else if (XML_Parse(parser, buf.data(), static_cast<int>(n), n == 0) == XML_STATUS_ERROR) {
      error = "the part " + part + " is not well-formed XML (line " + std::to_string(XML_GetCurrentLineNumber(parser)) +
              ": " + XML_ErrorString(XML_GetErrorCode(parser)) + ")";
      ok = false;
      break;
    }
    if (n == 0) break;
  }
  if (parser) XML_ParserFree(parser);
  zip_fclose(f);
  return ok;
}

bool ParseXmlFile(const std::string& path, XmlHandler& handler, std::string& error) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!f) {
    error = std::strerror(errno);
    return false;
  }
  FastXml scanner(handler);
  std::vector<char> buf(1 << 16);
  for (;;) {
    const std::size_t n = std::fread(buf.data(), 1, buf.size(), f.get());
    if (n == 0 && std::ferror(f.get())) {
      error = std::strerror(errno);
      return false;
    }
    std::string why;
    if (!scanner.Feed(buf.data(), n, n == 0, why)) {
      error = "not well-formed XML (" + why + ")";
      return false;
    }
    if (n == 0) return true;
  }
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
