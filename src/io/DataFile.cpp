#include "io/DataFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "io/AtomicFile.h"
#include "io/CsvReader.h"
#include "io/GdtFile.h"
#include "io/OdsReader.h"
#include "io/StatFile.h"
#include "io/Utf8.h"
#include "io/XlsReader.h"
#include "io/XlsxReader.h"
#include "matrix/MatrixFunctions.h"

namespace quantorial {

namespace {

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

// A file name against a pattern of * (any run of characters) and ? (one character).
bool WildcardMatch(const char* pattern, const char* name) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name) {
    if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (*pattern == '?' || *pattern == *name) {
      ++pattern;
      ++name;
    } else if (star) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

// The first bytes of a file, to tell its format.
std::string Head(const std::string& path, std::size_t n) {
  std::string head(n, '\0');
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::string();
  const ssize_t got = ::read(fd, head.data(), n);
  ::close(fd);
  head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return head;
}

enum class Format { Text, Xls, Xlsx, Ods, FlatOds, OtherZip, Stat, Gdt, Unreadable };

// The file name's extension in lower case ("" when it has none).
std::string Extension(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

// True when the file's name ends as a workbook's does (.xlsx, .xlsm, .xls, .ods).
bool NameSaysWorkbook(const std::string& path) {
  const std::string ext = Extension(path);
  return ext == "xlsx" || ext == "xlsm" || ext == "xls" || ext == "ods";
}

// What a file named as a statistics program's data file is, for the message when its
// contents are not that format; empty for other names.
std::string NameSaysStatFile(const std::string& path) {
  const std::string ext = Extension(path);
  if (ext == "dta") return "Stata data file";
  if (ext == "sav" || ext == "zsav") return "SPSS data file";
  if (ext == "por") return "SPSS portable file";
  if (ext == "sas7bdat") return "SAS data set";
  if (ext == "xpt") return "SAS transport file";
  if (ext == "gdt") return "gretl data file";
  if (ext == "gdtb") return "gretl binary data file";
  return std::string();
}

Format DetectFormat(const std::string& path, StatFormat& stat, GdtKind& gdt, std::string& error) {
  const std::string first = Head(path, 4096);
  if ((stat = DetectStatFormat(first)) != StatFormat::None) return Format::Stat;
  gdt = DetectGdt(first);
  if (gdt == GdtKind::Xml || gdt == GdtKind::Binary || (gdt == GdtKind::Gzip && GzipHoldsGdt(path))) return Format::Gdt;
  const std::string head = Head(path, 8);
  if (head.size() >= 8 && std::memcmp(head.data(), "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) == 0) return Format::Xls;
  if (head.size() >= 4 && std::memcmp(head.data(), "PK\x03\x04", 4) == 0) {
    int code = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (!z) {
      zip_error_t ze;
      zip_error_init_with_code(&ze, code);
      error = std::string("a damaged or truncated zip package (") + zip_error_strerror(&ze) + ")";
      zip_error_fini(&ze);
      return Format::Unreadable;
    }
    Format f = Format::OtherZip;
    if (zip_name_locate(z, "[Content_Types].xml", 0) >= 0) {
      f = Format::Xlsx;
    } else if (zip_name_locate(z, "content.xml", 0) >= 0) {
      f = Format::Ods;
    }
    zip_close(z);
    return f;
  }
  // A flat OpenDocument spreadsheet: an XML document in the OpenDocument namespace.
  const std::string start = Head(path, 4096);
  std::size_t b = start.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (b < start.size() && (start[b] == ' ' || start[b] == '\t' || start[b] == '\r' || start[b] == '\n')) ++b;
  if (start.compare(b, 1, "<") == 0 &&
      start.find("urn:oasis:names:tc:opendocument:xmlns:office") != std::string::npos) {
    return Format::FlatOds;
  }
  return Format::Text;
}

// A reason fit to show: bytes that are not printable UTF-8 text (a damaged file's contents
// may end up in a parser's message) become "?", and a very long reason is cut.
std::string Printable(const std::string& s) {
  constexpr std::size_t kMax = 400;
  std::string out;
  for (std::size_t i = 0; i < s.size() && out.size() < kMax;) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    bool valid = len > 0 && i + len <= s.size();
    for (std::size_t k = 1; valid && k < len; ++k) valid = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    if (!valid || (len == 1 && (c < 0x20 || c == 0x7F) && c != '\n')) {
      out += '?';
      ++i;
      continue;
    }
    out.append(s, i, len);
    i += len;
  }
  if (out.size() >= kMax) out += "...";
  return out;
}

// Checks that text is UTF-8; otherwise names the line of the first byte that is not.
bool CheckUtf8(std::string_view s, std::string& error) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const std::size_t n = s.size();
  for (std::size_t i = 0; i < n;) {
    // Runs of ASCII (most of a data file) eight bytes at a time.
    while (i + 8 <= n) {
      std::uint64_t word;
      std::memcpy(&word, p + i, 8);
      if (word & 0x8080808080808080ULL) break;
      i += 8;
    }
    if (i >= n) break;
    const unsigned char c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t len = 0;
    std::uint32_t cp = 0;
    if ((c & 0xE0) == 0xC0) {
      len = 2;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      len = 4;
      cp = c & 0x07;
    }
    bool ok = len > 0 && i + len <= n;
    for (std::size_t k = 1; ok && k < len; ++k) {
      ok = (p[i + k] & 0xC0) == 0x80;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if (ok) {
      static const std::uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
      ok = cp >= kMin[len] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
    }
    if (!ok) {
      const auto line = 1 + std::count(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(i), '\n');
      error = "line " + std::to_string(line) +
              " is not UTF-8 text; save the file as UTF-8 (in Excel: \"CSV UTF-8\") and load it again";
      return false;
    }
    i += len;
  }
  return true;
}

// Text with a UTF-16 byte-order mark (Excel's "Unicode Text") turned into UTF-8.
bool DecodeUtf16(std::string& s, std::string& error) {
  if (s.size() < 2) return true;
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const bool le = p[0] == 0xFF && p[1] == 0xFE, be = p[0] == 0xFE && p[1] == 0xFF;
  if (!le && !be) return true;
  std::string out;
  out.reserve(s.size());
  auto unit = [&](std::size_t i) -> std::uint32_t { return le ? (p[i] | (p[i + 1] << 8)) : ((p[i] << 8) | p[i + 1]); };
  for (std::size_t i = 2; i + 1 < s.size(); i += 2) {
    std::uint32_t cp = unit(i);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < s.size()) {
      const std::uint32_t lo = unit(i + 2);
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
        i += 2;
      }
    }
    if (cp >= 0xD800 && cp <= 0xDFFF) {
      error = "damaged UTF-16 text";
      return false;
    }
    AppendUtf8(out, cp);
  }
  s.swap(out);
  return true;
}

// A regular file's bytes in one block of memory that is not cleared first and is asked
// for in huge pages (a large data file is read with a fraction of the page faults);
// anything else through ReadWholeFile.
class FileBytes {
 public:
  bool Read(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= (1 << 22)) {
      constexpr std::size_t kHuge = std::size_t{1} << 21;
      const auto size = static_cast<std::size_t>(st.st_size);
      const std::size_t room = (size + kHuge) & ~(kHuge - 1);  // a byte more, to see the end
      data_.reset(static_cast<char*>(std::aligned_alloc(kHuge, room)));
      if (data_) {
        ::madvise(data_.get(), room, MADV_HUGEPAGE);
        std::size_t used = 0;
        while (used < room) {
          const ssize_t n = ::read(fd, data_.get() + used, room - used);
          if (n < 0 && errno == EINTR) continue;
          if (n <= 0) break;
          used += static_cast<std::size_t>(n);
        }
        if (used < room) {  // the whole file (one that grew while it was read is read again below)
          ::close(fd);
          view_ = std::string_view(data_.get(), used);
          return true;
        }
        data_.reset();
      }
    }
    if (fd >= 0) ::close(fd);
    if (!ReadWholeFile(path, text_, error)) return false;
    view_ = text_;
    return true;
  }
  std::string_view View() const { return view_; }
  // The bytes as a string that may be changed (a copy when they are not one already).
  std::string& Text() {
    if (data_) {
      text_.assign(view_);
      data_.reset();
      view_ = text_;
    }
    return text_;
  }
  void Changed() { view_ = text_; }

 private:
  std::unique_ptr<char, decltype(&std::free)> data_{nullptr, &std::free};
  std::string text_;
  std::string_view view_;
};

bool ReadText(const std::string& path, LabelledMatrix& out, std::string& error) {
  FileBytes bytes;
  if (!bytes.Read(path, error)) return false;
  if (bytes.View().empty()) {
    error = "the file is empty";
    return false;
  }
  const std::string_view head = bytes.View().substr(0, 2);
  if (head == "\xFF\xFE" || head == "\xFE\xFF") {
    if (!DecodeUtf16(bytes.Text(), error)) return false;
    bytes.Changed();
  }
  const std::string_view content = bytes.View();
  if (const std::size_t nul = content.find('\0'); nul != std::string::npos) {
    error = "line " + std::to_string(1 + std::count(content.begin(), content.begin() + static_cast<long>(nul), '\n')) +
            " holds binary data: this is neither a workbook nor a text file";
    return false;
  }
  if (!CheckUtf8(content, error)) return false;
  return ParseCsv(content, GuessDelimiter(content), out, error);
}

}  // namespace

bool NamesStatisticsFile(const std::string& path) {
  const std::string ext = Extension(path);
  return ext == "dta" || ext == "gdt";
}

bool StatisticsFileBytes(const std::string& path, const LabelledMatrix& m, std::string& bytes, std::string& error) {
  if (Extension(path) == "dta") return StataFileBytes(m, bytes, error);
  const std::size_t slash = path.find_last_of('/');
  std::string stem = slash == std::string::npos ? path : path.substr(slash + 1);
  stem = stem.substr(0, stem.find_last_of('.'));
  return GdtText(m, stem, bytes, error);
}

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  const std::size_t slash = path.find_last_of('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.find_first_of("*?") == std::string::npos) return IsRegularFile(path);
  const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  DIR* d = ::opendir(dir.c_str());
  if (!d) return false;
  bool found = false;
  while (const dirent* e = ::readdir(d)) {
    if (WildcardMatch(name.c_str(), e->d_name) && IsRegularFile(dir + "/" + e->d_name)) {
      found = true;
      break;
    }
  }
  ::closedir(d);
  return found;
}

DataFileResult ReadDataFile(const std::string& path) {
  DataFileResult result;
  std::string reason;
  bool ok = false;
  if (!IsRegularFile(path)) {
    struct stat st {};
    reason = ::stat(path.c_str(), &st) == 0 ? "it is a folder, not a file" : std::strerror(errno);
  } else {
    StatFormat stat = StatFormat::None;
    GdtKind gdt = GdtKind::None;
    switch (DetectFormat(path, stat, gdt, reason)) {
      case Format::Text:
        ok = ReadText(path, result.matrix, reason);
        // A file named as a workbook that is neither a workbook nor text is a damaged
        // workbook (or not a spreadsheet at all), not a text file with a bad line.
        if (!ok && NameSaysWorkbook(path)) reason = "not a valid workbook (damaged, or not a spreadsheet)";
        if (const std::string kind = NameSaysStatFile(path); !ok && !kind.empty()) {
          reason = "not a valid " + kind + " (damaged, encrypted, or of a kind this program does not read)";
        }
        break;
      case Format::Stat:
        ok = ReadStatFile(path, stat, result.matrix, reason);
        break;
      case Format::Gdt:
        ok = ReadGdtFile(path, gdt, result.matrix, reason);
        break;
      case Format::Xls:
        ok = ReadXls(path, result.matrix, reason);
        break;
      case Format::Xlsx:
        ok = ReadXlsx(path, result.matrix, reason);
        break;
      case Format::Ods:
        ok = ReadOds(path, result.matrix, reason);
        break;
      case Format::FlatOds:
        ok = ReadFlatOds(path, result.matrix, reason);
        break;
      case Format::OtherZip:
        reason = Extension(path) == "gdtb"
                     ? "a gretl binary data file of the older, zipped kind (gretl before 2021b), which this program "
                       "does not read; open it in gretl and save it again, as .gdtb or .gdt"
                     : "a zip archive that is neither an Excel nor an OpenDocument workbook";
        break;
      case Format::Unreadable:
        break;
    }
  }
  if (!ok) {
    result.matrix = LabelledMatrix();
    result.error = "Cannot read the data file \"" + path + "\": " + Printable(reason);
  }
  return result;
}

}  // namespace quantorial
