#include "io/GdtFile.h"

#include <expat.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <set>
#include <unordered_map>
#include <vector>

#include "io/Calendar.h"
#include "io/CsvReader.h"
#include "io/GdtbFile.h"
#include "io/SheetCells.h"
#include "io/XmlText.h"
#include "workspace/CompactCells.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

// The most XML a file may expand to: a compressed file of a few megabytes could otherwise
// keep the parser busy for hours.
constexpr unsigned long long kMaxXmlBytes = 4 * kMaxSheetBytes;
// How many times its size a compressed file may expand beyond its first kExpansionFloor
// bytes.
constexpr unsigned long long kMaxExpansion = 200;
constexpr unsigned long long kExpansionFloor = 16ULL << 20;
// The longest value between blanks in an observation (a number is at most a few dozen).
constexpr std::size_t kMaxToken = 64;

bool ParseInt(std::string_view s, long long& v) {
  const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  return ec == std::errc() && p == s.data() + s.size();
}

// Makes the observation labels of a time series from its frequency and first observation;
// false when they cannot be told (the observations are then numbered).
class Calendar {
 public:
  bool Start(long long frequency, std::string_view startobs) {
    freq_ = frequency;
    if (freq_ < 1 || freq_ > 100000) return false;
    if (startobs.find_first_of("-/") != std::string_view::npos) {
      // A dated series: daily (5, 6 or 7 days a week) or weekly, its first day written
      // "1966-01-05" or "1966/01/05".
      long long y = 0, m = 0, d = 0;
      const char sep = startobs[startobs.find_first_of("-/")];
      const std::size_t a = startobs.find(sep), b = startobs.find(sep, a + 1);
      if (b == std::string_view::npos || !ParseInt(startobs.substr(0, a), y) ||
          !ParseInt(startobs.substr(a + 1, b - a - 1), m) || !ParseInt(startobs.substr(b + 1), d) || m < 1 || m > 12 ||
          d < 1 || d > 31 || y < -100000 || y > 100000) {
        return false;
      }
      if (freq_ != 5 && freq_ != 6 && freq_ != 7 && freq_ != 52) return false;
      dated_ = true;
      day_ = DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d));
      return true;
    }
    const std::size_t sep = startobs.find_first_of(":.");
    if (sep == std::string_view::npos) {
      if (!ParseInt(startobs, year_)) return false;
      period_ = 1;
      return freq_ == 1 || freq_ == 10;  // annual or decennial
    }
    if (freq_ == 1 || !ParseInt(startobs.substr(0, sep), year_) || !ParseInt(startobs.substr(sep + 1), period_) ||
        period_ < 1 || period_ > freq_) {
      return false;
    }
    width_ = static_cast<int>(std::to_string(freq_).size());
    return true;
  }

  // The label of the next observation.
  Cell Next() {
    if (dated_) {
      int y = 0, m = 0, d = 0;
      CivilFromDays(day_, y, m, d);
      Cell c = DateTimeText(y, m, d, 0, 0, 0.0);
      // 1970-01-01 was a Thursday: weekday 0 is Monday.
      auto weekday = [](long long day) { return ((day + 3) % 7 + 7) % 7; };
      day_ += freq_ == 52 ? 7 : 1;
      if (freq_ == 5) {
        while (weekday(day_) >= 5) ++day_;
      } else if (freq_ == 6) {
        while (weekday(day_) == 6) ++day_;
      }
      return c;
    }
    if (freq_ == 1 || freq_ == 10) {
      const long long y = year_;
      year_ += freq_;
      return static_cast<double>(y);
    }
    std::string p = std::to_string(period_);
    p.insert(0, static_cast<std::size_t>(std::max(0, width_ - static_cast<int>(p.size()))), '0');
    Cell c = std::to_string(year_) + ":" + p;
    if (++period_ > freq_) {
      period_ = 1;
      ++year_;
    }
    return c;
  }

 private:
  long long freq_ = 1, year_ = 0, period_ = 1, day_ = 0;
  int width_ = 1;
  bool dated_ = false;
};

struct GdtState {
  XML_Parser parser = nullptr;
  std::string error;
  int depth = 0;
  bool root = false;
  std::string type;
  long long frequency = 1;
  std::string startobs;
  std::vector<std::string> names;
  long long declaredVars = -1;
  long long scalars = 0;  // variables that hold one value (in the variable's element), not a series
  bool inObservations = false, inObs = false;
  std::string missval;
  CompactCells cells;  // row-major: the label, then one cell per series
  std::size_t width = 0;
  long long rows = 0;
  std::size_t column = 0;  // the next series of the current observation
  std::string token;
  bool hasLabels = false;
  unsigned long long textBytes = 0;
  std::vector<std::vector<std::string>> strings;  // by series
  bool inStrings = false;                         // inside a <valstrings> element
  std::string stringsOwner, stringsText;
  long long stringsCount = 0;
  std::unordered_map<std::string, std::size_t> seriesIndex;  // made for the first string table

  void Fail(std::string why) {
    if (error.empty()) error = std::move(why);
    XML_StopParser(parser, XML_FALSE);
  }
  std::string Where() const {
    return "observation " + std::to_string(rows) + " (line " + std::to_string(XML_GetCurrentLineNumber(parser)) + ")";
  }
  void EndToken() {
    if (token.empty()) return;
    if (column >= names.size()) {
      Fail(Where() + " has more values than the " + std::to_string(names.size()) + " series");
      return;
    }
    const std::size_t at = static_cast<std::size_t>(rows - 1) * width + 1 + column;
    ++column;
    if (token == "NA" || token == "na" || token == "." || (!missval.empty() && token == missval)) {
      token.clear();
      return;
    }
    double v = 0.0;
    const auto [p, ec] = std::from_chars(token.data(), token.data() + token.size(), v);
    if (ec != std::errc() || p != token.data() + token.size() || !std::isfinite(v)) {
      Fail(Where() + ": the value \"" + token + "\" of \"" + names[column - 1] + "\" is not a number");
      return;
    }
    cells.SetDouble(at, v);
    token.clear();
  }
};

const char* Attr(const char** atts, const char* name) {
  for (int i = 0; atts[i]; i += 2) {
    if (std::strcmp(atts[i], name) == 0) return atts[i + 1];
  }
  return nullptr;
}

void OnStart(GdtState& s, const char* name, const char** atts) {
  ++s.depth;
  if (s.depth == 1) {
    if (std::strcmp(name, "gretldata") != 0) {
      s.Fail("it is XML but not a gretl data file (its root element is <" + std::string(name) + ">)");
      return;
    }
    s.root = true;
    if (const char* t = Attr(atts, "type")) s.type = t;
    if (const char* f = Attr(atts, "frequency")) {
      // "special:2" is a frequency of 2 that is not one of the calendar's (half-years).
      std::string_view text(f);
      if (text.substr(0, 8) == "special:") text.remove_prefix(8);
      long long v = 0;
      if (ParseInt(text, v)) s.frequency = v;
    }
    if (const char* o = Attr(atts, "startobs")) s.startobs = o;
    return;
  }
  if (std::strcmp(name, "variables") == 0) {
    if (const char* c = Attr(atts, "count"); !c || !ParseInt(c, s.declaredVars) || s.declaredVars < 0) {
      s.Fail("the <variables> element has no valid count");
    }
  } else if (std::strcmp(name, "variable") == 0 && !s.inObservations) {
    const char* n = Attr(atts, "name");
    if (!n || !*n) {
      s.Fail("series " + std::to_string(s.names.size() + 1) + " has no name");
      return;
    }
    if (s.declaredVars >= 0 && static_cast<long long>(s.names.size()) + s.scalars >= s.declaredVars) {
      s.Fail("the file has more series than the " + std::to_string(s.declaredVars) + " it declares");
      return;
    }
    // A scalar keeps its value in the element and has no place in the observations.
    const char* role = Attr(atts, "role");
    if (Attr(atts, "value") || (role && std::strcmp(role, "scalar") == 0)) {
      ++s.scalars;
      return;
    }
    if (std::strlen(n) > kMaxCellText) {
      s.Fail("series " + std::to_string(s.names.size() + 1) + " has a name longer than " +
             std::to_string(kMaxCellText) + " characters");
      return;
    }
    s.textBytes += std::strlen(n);
    s.names.emplace_back(n);
  } else if (std::strcmp(name, "observations") == 0) {
    if (s.declaredVars >= 0 && static_cast<long long>(s.names.size()) + s.scalars != s.declaredVars) {
      s.Fail("the file declares " + std::to_string(s.declaredVars) + " series but names " +
             std::to_string(s.names.size()));
      return;
    }
    s.inObservations = true;
    s.width = s.names.size() + 1;
    if (const char* m = Attr(atts, "missval")) s.missval = m;
    if (const char* l = Attr(atts, "labels")) s.hasLabels = std::strcmp(l, "true") == 0;
    long long count = 0;
    if (const char* c = Attr(atts, "count"); c && ParseInt(c, count) && count > 0) {
      const unsigned long long limit = kMaxSheetBytes / sizeof(std::uint64_t) / (s.width + 1);
      if (static_cast<unsigned long long>(count) > limit) {
        s.Fail("the file claims " + std::to_string(count) + " observations of " + std::to_string(s.names.size()) +
               " series, more than the " + std::to_string(kMaxSheetBytes >> 30) +
               " GB this program gives a sheet; the file is damaged or not meant for a model");
        return;
      }
      // A small file may claim many observations: the table grows as they arrive.
      s.cells.Reserve(std::min(static_cast<std::size_t>(count) * s.width, std::size_t{1} << 20));
    }
  } else if (std::strcmp(name, "valstrings") == 0 && !s.inObservations) {
    const char* owner = Attr(atts, "owner");
    const char* count = Attr(atts, "count");
    if (!owner || !count || !ParseInt(count, s.stringsCount) || s.stringsCount < 0) {
      s.Fail("a <valstrings> element has no owner or no valid count");
      return;
    }
    s.inStrings = true;
    s.stringsOwner = owner;
    s.stringsText.clear();
  } else if (std::strcmp(name, "obs") == 0 && s.inObservations) {
    const unsigned long long limit = kMaxSheetBytes / sizeof(std::uint64_t) / (s.width + 1);
    if (static_cast<unsigned long long>(s.rows) + 1 > limit ||
        (static_cast<unsigned long long>(s.rows) + 2) * s.width * sizeof(std::uint64_t) + s.textBytes >
            kMaxSheetBytes) {
      s.Fail("the file holds more than the " + std::to_string(kMaxSheetBytes >> 30) +
             " GB of observations this program gives a sheet");
      return;
    }
    ++s.rows;
    s.inObs = true;
    s.column = 0;
    s.token.clear();
    for (std::size_t k = 0; k < s.width; ++k) s.cells.Push(Cell());
    if (const char* l = Attr(atts, "label"); l && *l) {
      const std::size_t len = std::strlen(l);
      if (len > kMaxCellText) {
        s.Fail(s.Where() + " has a label longer than " + std::to_string(kMaxCellText) + " characters");
        return;
      }
      s.textBytes += len;
      s.cells.Set(static_cast<std::size_t>(s.rows - 1) * s.width, FieldCell(l));
    }
  }
}

// The texts of a string-valued series: each in double quotes, separated by blanks; gretl
// writes a double quote inside one as \" (other backslashes are themselves).
void EndStrings(GdtState& s) {
  if (s.seriesIndex.empty()) {
    for (std::size_t k = 0; k < s.names.size(); ++k) s.seriesIndex.emplace(s.names[k], k);
  }
  const auto owner = s.seriesIndex.find(s.stringsOwner);
  if (owner == s.seriesIndex.end()) {
    s.Fail("the file gives texts for \"" + s.stringsOwner + "\", which is not one of its series");
    return;
  }
  std::vector<std::string> texts;
  const std::string& t = s.stringsText;
  std::size_t i = 0;
  for (;;) {
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t' || t[i] == '\n' || t[i] == '\r')) ++i;
    if (i >= t.size()) break;
    if (t[i] != '"') {
      s.Fail("the texts of \"" + s.stringsOwner + "\" are not each in double quotes");
      return;
    }
    std::string text;
    bool closed = false;
    for (++i; i < t.size(); ++i) {
      if (t[i] == '\\' && i + 1 < t.size() && t[i + 1] == '"') {
        text += '"';
        ++i;
      } else if (t[i] == '"') {
        closed = true;
        ++i;
        break;
      } else {
        text += t[i];
      }
    }
    if (!closed) {
      s.Fail("a text of \"" + s.stringsOwner + "\" has no closing double quote");
      return;
    }
    if (text.size() > kMaxCellText) {
      s.Fail("a text of \"" + s.stringsOwner + "\" is longer than " + std::to_string(kMaxCellText) + " characters");
      return;
    }
    texts.push_back(std::move(text));
  }
  if (static_cast<long long>(texts.size()) != s.stringsCount) {
    s.Fail("the string-valued series \"" + s.stringsOwner + "\" declares " + std::to_string(s.stringsCount) +
           " texts but holds " + std::to_string(texts.size()));
    return;
  }
  s.strings.resize(s.names.size());
  s.strings[owner->second] = std::move(texts);
  s.stringsText.clear();
}

void OnEnd(GdtState& s, const char* name) {
  --s.depth;
  if (std::strcmp(name, "obs") == 0 && s.inObs) {
    s.EndToken();
    if (!s.error.empty()) return;
    if (s.column != s.names.size()) {
      s.Fail(s.Where() + " has " + std::to_string(s.column) + " values for " + std::to_string(s.names.size()) +
             " series");
      return;
    }
    s.inObs = false;
  } else if (std::strcmp(name, "observations") == 0) {
    s.inObservations = false;
  } else if (std::strcmp(name, "valstrings") == 0 && s.inStrings) {
    s.inStrings = false;
    EndStrings(s);
  }
}

void OnText(GdtState& s, const char* text, int len) {
  if (s.inStrings) {
    s.textBytes += static_cast<unsigned long long>(len);
    if (s.textBytes > kMaxSheetBytes) {
      s.Fail("the texts of the string-valued series exceed the " + std::to_string(kMaxSheetBytes >> 30) +
             " GB this program gives a sheet");
      return;
    }
    s.stringsText.append(text, static_cast<std::size_t>(len));
    return;
  }
  if (!s.inObs) return;
  for (int i = 0; i < len && s.error.empty(); ++i) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      s.EndToken();
    } else if (s.token.size() >= kMaxToken) {
      s.Fail(s.Where() + " holds a value longer than " + std::to_string(kMaxToken) + " characters");
    } else {
      s.token += c;
    }
  }
}

}  // namespace

GdtKind DetectGdt(std::string_view head) {
  if (LooksLikeGdtb(head)) return GdtKind::Binary;
  if (head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0x1F && static_cast<unsigned char>(head[1]) == 0x8B) {
    return GdtKind::Gzip;
  }
  std::size_t b = head.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  while (b < head.size() && (head[b] == ' ' || head[b] == '\t' || head[b] == '\r' || head[b] == '\n')) ++b;
  if (head.substr(b, 1) == "<" && head.find("<gretldata") != std::string_view::npos) return GdtKind::Xml;
  return GdtKind::None;
}

bool GzipHoldsGdt(const std::string& path) {
  // The start of the contents alone is inflated, so that a damage further on (a checksum
  // that does not match, a file cut short) is left for the reader to name.
  std::string in(1 << 16, '\0');
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const ssize_t got = ::read(fd, in.data(), in.size());
  ::close(fd);
  if (got <= 0) return false;
  z_stream z{};
  if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) return false;
  std::string head(4096, '\0');
  z.next_in = reinterpret_cast<Bytef*>(in.data());
  z.avail_in = static_cast<uInt>(got);
  z.next_out = reinterpret_cast<Bytef*>(head.data());
  z.avail_out = static_cast<uInt>(head.size());
  inflate(&z, Z_NO_FLUSH);
  head.resize(head.size() - z.avail_out);
  inflateEnd(&z);
  return DetectGdt(head) == GdtKind::Xml;
}

bool ReadGdtFile(const std::string& path, GdtKind kind, LabelledMatrix& out, std::string& error) {
  out = LabelledMatrix();
  if (kind == GdtKind::Binary) return ReadGdtbFile(path, out, error);
  // zlib reads a file that is not compressed as it is, so both kinds go through it.
  gzFile f = gzopen(path.c_str(), "rb");
  if (!f) {
    error = std::strerror(errno);
    return false;
  }
  std::unique_ptr<gzFile_s, int (*)(gzFile)> file(f, &gzclose);
  GdtState s;
  std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> parser(XML_ParserCreate("UTF-8"), &XML_ParserFree);
  if (!parser) {
    error = "not enough memory to read it";
    return false;
  }
  s.parser = parser.get();
  XML_SetUserData(s.parser, &s);
  XML_SetElementHandler(
      s.parser,
      [](void* ud, const char* name, const char** atts) {
        auto& st = *static_cast<GdtState*>(ud);
        try {
          OnStart(st, name, atts);
        } catch (const std::bad_alloc&) {
          st.Fail("not enough memory to read it");
        }
      },
      [](void* ud, const char* name) {
        auto& st = *static_cast<GdtState*>(ud);
        try {
          OnEnd(st, name);
        } catch (const std::bad_alloc&) {
          st.Fail("not enough memory to read it");
        }
      });
  XML_SetCharacterDataHandler(s.parser, [](void* ud, const char* text, int len) {
    auto& st = *static_cast<GdtState*>(ud);
    try {
      OnText(st, text, len);
    } catch (const std::bad_alloc&) {
      st.Fail("not enough memory to read it");
    }
  });
  // A compressed file may expand at most kMaxExpansion-fold (beyond its first
  // kExpansionFloor bytes): gretl's files expand some 5- to 20-fold, a file made to
  // exhaust the reader up to 1,000-fold.
  unsigned long long compressed = 0;
  if (kind == GdtKind::Gzip) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) compressed = static_cast<unsigned long long>(st.st_size);
  }
  const unsigned long long expansionLimit = std::max(kExpansionFloor, kMaxExpansion * compressed);
  std::vector<char> buf(1 << 16);
  unsigned long long total = 0;
  for (;;) {
    const int n = gzread(f, buf.data(), static_cast<unsigned>(buf.size()));
    int code = Z_OK;
    const char* why = gzerror(f, &code);
    // A compressed file cut short ends without an error from gzread, but with one here.
    if (n < 0 || (code != Z_OK && code != Z_STREAM_END)) {
      const std::string reason = why && *why ? why : "read error";
      if (reason.find("incorrect data check") != std::string::npos) {
        error = "the compressed file is damaged: its checksum (CRC) does not match its contents";
      } else if (reason.find("unexpected end of file") != std::string::npos) {
        error = "the compressed file is damaged: it is cut short (unexpected end of file)";
      } else {
        error = "the compressed file is damaged (" + reason + ")";
      }
      return false;
    }
    total += static_cast<unsigned long long>(n);
    if (kind == GdtKind::Gzip && total > expansionLimit) {
      error = "the compressed file expands more than " + std::to_string(kMaxExpansion) + "-fold (" +
              std::to_string(compressed) + " bytes to over " + std::to_string(expansionLimit) +
              " bytes of XML); it is damaged or made to exhaust memory, not gretl's data";
      return false;
    }
    if (total > kMaxXmlBytes) {
      error = "the file expands to more than " + std::to_string(kMaxXmlBytes >> 30) +
              " GB of XML; it is damaged or not meant for a model";
      return false;
    }
    if (XML_Parse(s.parser, buf.data(), n, n == 0) == XML_STATUS_ERROR) {
      if (s.error.empty()) {
        s.error = "not well-formed XML (line " + std::to_string(XML_GetCurrentLineNumber(s.parser)) + ": " +
                  XML_ErrorString(XML_GetErrorCode(s.parser)) + ")";
      }
      break;
    }
    if (n == 0) break;
  }
  if (!s.error.empty()) {
    error = s.error;
    return false;
  }
  if (!s.root) {
    error = "not a gretl data file";
    return false;
  }
  if (s.names.empty()) {
    error = "the gretl data file holds no series";
    return false;
  }
  GretlData data;
  data.type = s.type;
  data.frequency = s.frequency;
  data.startobs = s.startobs;
  data.names = std::move(s.names);
  data.cells.Swap(s.cells);
  data.rows = s.rows;
  data.markers = s.hasLabels;
  data.strings = std::move(s.strings);
  return GretlSheet(data, out, error);
}

bool GretlSheet(const GretlData& d, LabelledMatrix& out, std::string& error) {
  out = LabelledMatrix::Dimension(0, static_cast<int>(d.rows), 0, static_cast<int>(d.names.size()));
  if (!out.IsAssigned()) {
    error = "the data are too large to hold in memory";
    return false;
  }
  const std::size_t width = d.names.size() + 1;
  out.Put(0, 0, std::string("obs"));
  for (std::size_t k = 0; k < d.names.size(); ++k) out.Put(0, static_cast<int>(k) + 1, d.names[k]);
  // gretl labels the observations from the frequency and the first observation whatever
  // the kind of data: a panel's "1:01" counts units as a time series counts years, and
  // an undated cross-section of frequency 1 from "1" is numbered.
  // A panel's units are numbered from 1 whatever the file's first observation says (a
  // .gdt of units 3 to 5 starts "3:01"; gretl shows 1:01).
  std::string start = d.startobs;
  if (d.type.compare(0, 8, "stacked-") == 0 && d.frequency > 1) {
    start = "1:" + std::string(std::to_string(d.frequency).size() - 1, '0') + "1";
  }
  Calendar calendar;
  const bool timed = !d.markers && calendar.Start(d.frequency, start);
  for (long long r = 0; r < d.rows; ++r) {
    const int i = static_cast<int>(r) + 1;
    const std::size_t base = static_cast<std::size_t>(r) * width;
    if (d.markers) {
      out.Put(i, 0, d.cells.Get(base));
    } else if (timed) {
      out.Put(i, 0, calendar.Next());
    } else {
      out.PutDouble(i, 0, static_cast<double>(r + 1));
    }
    for (std::size_t k = 1; k < width; ++k) {
      const std::vector<std::string>* texts =
          k - 1 < d.strings.size() && !d.strings[k - 1].empty() ? &d.strings[k - 1] : nullptr;
      double code = 0.0;
      if (texts && d.cells.GetDouble(base + k, code)) {
        if (code != std::floor(code) || code < 1 || code > static_cast<double>(texts->size())) {
          out = LabelledMatrix();
          error = "observation " + std::to_string(r + 1) + " of the string-valued series \"" + d.names[k - 1] +
                  "\" holds " + ShortestText(code) + ", which is not the number of one of its " +
                  std::to_string(texts->size()) + " texts";
          return false;
        }
        // The text as a CSV file of the data would give it ("1990" a number).
        const std::string& text = (*texts)[static_cast<std::size_t>(code) - 1];
        if (!text.empty()) out.Put(i, static_cast<int>(k), FieldCell(text));
      } else {
        out.Put(i, static_cast<int>(k), d.cells.Get(base + k));
      }
    }
  }
  return true;
}

namespace {

// A name gretl takes: letters, digits and "_", starting with a letter, at most 31
// characters, not "const" or "obs", unique among `used`.
std::string GretlName(const std::string& label, std::set<std::string>& used) {
  std::string name;
  for (char c : label) {
    const auto u = static_cast<unsigned char>(c);
    name += (std::isalnum(u) && u < 0x80) || c == '_' ? c : '_';
    if (name.size() == 31) break;
  }
  if (name.empty() || !std::isalpha(static_cast<unsigned char>(name[0]))) name.insert(0, "v");
  if (name.size() > 31) name.resize(31);
  if (name == "const" || name == "obs") name += "_";
  const std::string base = name;
  for (int k = 2; used.count(name); ++k) {
    const std::string suffix = "_" + std::to_string(k);
    name = base.substr(0, 31 - suffix.size()) + suffix;
  }
  used.insert(name);
  return name;
}

// An attribute's value as XML.
std::string XmlEscaped(std::string_view text) {
  std::string out;
  AppendXmlText(out, text, true);
  return out;
}

}  // namespace

bool GdtText(const LabelledMatrix& m, const std::string& name, std::string& text, std::string& error) {
  text.clear();
  if (!m.IsAssigned() || m.Lower(1) != 0 || m.Lower(2) != 0) {
    error = "there is no matrix to write";
    return false;
  }
  const int rows = m.UpperRow(), cols = m.UpperCol();
  for (int i = 1; i <= rows; ++i) {
    for (int j = 1; j <= cols; ++j) {
      if (IsText(m.Value(i, j)) && !std::get<std::string>(m.Value(i, j)).empty()) {
        error = "cell " + CellReference(i, j) + " holds the text \"" +
                std::get<std::string>(m.Value(i, j)).substr(0, 40) + "\"; a gretl data file holds numbers only";
        return false;
      }
    }
  }
  // Consecutive whole years make an annual time series; other labels are kept as they are.
  bool years = rows > 0, anyLabel = false;
  for (int i = 1; i <= rows; ++i) {
    const Cell v = m.Value(i, 0);
    anyLabel = anyLabel || !IsBlank(v);
    years = years && IsNumber(v) && NumberOf(v) == NumberOf(m.Value(1, 0)) + (i - 1) &&
            NumberOf(v) == std::floor(NumberOf(v)) && std::fabs(NumberOf(v)) < 1e9;
  }
  std::string root = "frequency=\"1\" ";
  if (years) {
    const auto first = static_cast<long long>(NumberOf(m.Value(1, 0)));
    root += "startobs=\"" + std::to_string(first) + "\" endobs=\"" + std::to_string(first + rows - 1) +
            "\" type=\"time-series\"";
  } else {
    root += "startobs=\"1\" endobs=\"" + std::to_string(rows) + "\" type=\"cross-section\"";
  }
  std::string dataName;
  std::set<std::string> unusedNames;
  dataName = GretlName(name.empty() ? std::string("data") : name, unusedNames);
  text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE gretldata SYSTEM \"gretldata.dtd\">\n";
  text += "<gretldata version=\"1.4\" name=\"" + dataName + "\" " + root + ">\n";
  text += "<variables count=\"" + std::to_string(cols) + "\">\n";
  std::set<std::string> used;
  for (int j = 1; j <= cols; ++j) {
    const Cell head = m.Value(0, j);
    const std::string label = IsBlank(head) ? "v" + std::to_string(j) : CellText(head);
    const std::string n = GretlName(label, used);
    text += "<variable name=\"" + n + "\"";
    if (n != label) text += " label=\"" + XmlEscaped(label) + "\"";
    text += "/>\n";
  }
  const bool labels = !years && anyLabel;
  text += "</variables>\n<observations count=\"" + std::to_string(rows) + "\" labels=\"" + (labels ? "true" : "false") +
          "\">\n";
  for (int i = 1; i <= rows; ++i) {
    text += "<obs";
    if (labels) {
      const Cell v = m.Value(i, 0);
      text += " label=\"" +
              XmlEscaped(IsText(v)     ? std::get<std::string>(v)
                         : IsNumber(v) ? ShortestText(NumberOf(v))
                                       : "") +
              "\"";
    }
    text += ">";
    for (int j = 1; j <= cols; ++j) {
      const Cell v = m.Value(i, j);
      text += IsNumber(v) ? ShortestText(NumberOf(v)) : std::string("NA");
      text += ' ';
    }
    text += "</obs>\n";
  }
  text += "</observations>\n</gretldata>\n";
  return true;
}

}  // namespace quantorial
