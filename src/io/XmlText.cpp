#include "io/XmlText.h"

#include "io/Utf8.h"

namespace quantorial {

void AppendXmlText(std::string& out, std::string_view s, bool attribute) {
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      switch (c) {
        case '&':
          out += "&amp;";
          break;
        case '<':
          out += "&lt;";
          break;
        case '>':
          out += "&gt;";
          break;
        case '"':
          out += "&quot;";
          break;
        case '\t':
        case '\n':
        case '\r':
          // An attribute's value keeps them only as character references (the parser makes
          // blanks of them otherwise).
          if (attribute) {
            out += "&#" + std::to_string(c) + ";";
          } else {
            out += static_cast<char>(c);
          }
          break;
        default:
          if (c >= 0x20) out += static_cast<char>(c);
      }
      ++i;
      continue;
    }
    // The length of a well-formed sequence starting here, or 0.
    std::size_t len = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (len == 0 || i + len > s.size()) len = 0;
    for (std::size_t k = 1; k < len; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) len = 0;
    }
    if (len >= 3) {
      const unsigned char c1 = static_cast<unsigned char>(s[i + 1]);
      if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) ||
          (c == 0xF4 && c1 > 0x8F)) {
        len = 0;  // overlong forms, surrogates, beyond U+10FFFF
      }
    }
    if (len == 0) {
      AppendUtf8(out, 0xFFFD);
      ++i;
    } else {
      out.append(s.substr(i, len));
      i += len;
    }
  }
}

}  // namespace quantorial
