#include "io/StatFile.h"

#include <fcntl.h>
#include <readstat.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <vector>

#include "io/Calendar.h"
#include "io/CsvReader.h"
#include "io/SheetCells.h"
#include "workspace/CompactCells.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

const char* FormatName(StatFormat f) {
  switch (f) {
    case StatFormat::Dta:
      return "Stata data file";
    case StatFormat::Sav:
      return "SPSS data file";
    case StatFormat::Por:
      return "SPSS portable file";
    case StatFormat::Sas7bdat:
      return "SAS data set";
    case StatFormat::Xport:
      return "SAS transport file";
    case StatFormat::None:
      break;
  }
  return "data file";
}

// The calendar date of a day counted from 1960-01-01 (day 0), as Stata counts them.
void CivilFromStataDays(long long days, int& y, int& m, int& d) { CivilFromDays(days - 3653, y, m, d); }

std::string Pad2(long long v) { return (v < 10 ? "0" : "") + std::to_string(v); }

// One variable as the reader saw it.
struct Variable {
  std::string name;
  std::string format;
  bool numeric = true;
};

struct ReadState {
  StatFormat format = StatFormat::None;
  long long declaredRows = -1;  // -1 when the file does not say
  long long varCount = 0;
  std::vector<Variable> vars;
  CompactCells cells;  // row-major, varCount per row
  long long rows = 0;  // rows held in `cells`
  unsigned long long textBytes = 0;
  std::string error;           // the reader's own reason, which wins over the library's
  std::string libraryMessage;  // the library's last message
};

std::string BudgetText(unsigned long long rows, unsigned long long cols) {
  return "the file claims " + std::to_string(rows) + " observations of " + std::to_string(cols) +
         " variables, more than the " + std::to_string(kMaxSheetBytes >> 30) +
         " GB this program gives a sheet; the file is damaged or not meant for a model";
}

// Whether rows x cols cells (plus the labels) and the texts so far fit the sheet budget.
bool Fits(unsigned long long rows, unsigned long long cols, unsigned long long textBytes) {
  const unsigned long long limit = kMaxSheetBytes / sizeof(std::uint64_t);
  if (cols + 1 > limit || rows + 1 > limit / (cols + 1)) return false;
  return (rows + 1) * (cols + 1) * sizeof(std::uint64_t) + textBytes <= kMaxSheetBytes;
}

// The handlers run inside the library's C code, which an exception must not cross: a
// failed allocation ends the reading with a reason instead.
template <typename F>
int Guarded(void* ctx, F&& body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    static_cast<ReadState*>(ctx)->error = "not enough memory to read it";
    return READSTAT_HANDLER_ABORT;
  }
}

int Metadata(readstat_metadata_t* metadata, void* ctx) {
  auto& s = *static_cast<ReadState*>(ctx);
  s.declaredRows = readstat_get_row_count(metadata);
  s.varCount = readstat_get_var_count(metadata);
  if (s.varCount < 0) {
    s.error = "the file gives a negative number of variables";
    return READSTAT_HANDLER_ABORT;
  }
  const unsigned long long rows = s.declaredRows > 0 ? static_cast<unsigned long long>(s.declaredRows) : 0;
  if (!Fits(rows, static_cast<unsigned long long>(s.varCount), 0)) {
    s.error = BudgetText(rows, static_cast<unsigned long long>(s.varCount));
    return READSTAT_HANDLER_ABORT;
  }
  try {
    s.vars.reserve(static_cast<std::size_t>(s.varCount));
    // A small file may claim many observations: the table grows as they arrive.
    s.cells.Reserve(static_cast<std::size_t>(std::min(rows * static_cast<unsigned long long>(s.varCount), 1ULL << 20)));
  } catch (const std::bad_alloc&) {
    s.error = "not enough memory for " + std::to_string(rows) + " observations";
    return READSTAT_HANDLER_ABORT;
  }
  return READSTAT_HANDLER_OK;
}

int AddVariable(int index, readstat_variable_t* variable, const char* /*valueLabels*/, void* ctx) {
  auto& s = *static_cast<ReadState*>(ctx);
  if (index != static_cast<int>(s.vars.size()) || index >= s.varCount) {
    s.error = "variable " + std::to_string(index + 1) + " is out of order or beyond the " + std::to_string(s.varCount) +
              " variables the file declares";
    return READSTAT_HANDLER_ABORT;
  }
  Variable v;
  const char* name = readstat_variable_get_name(variable);
  const char* format = readstat_variable_get_format(variable);
  v.name = name ? name : "";
  v.format = format ? format : "";
  v.numeric = readstat_variable_get_type_class(variable) == READSTAT_TYPE_CLASS_NUMERIC;
  s.vars.push_back(std::move(v));
  return READSTAT_HANDLER_OK;
}

int Value(int obsIndex, readstat_variable_t* variable, readstat_value_t value, void* ctx) {
  auto& s = *static_cast<ReadState*>(ctx);
  const int var = readstat_variable_get_index(variable);
  if (var < 0 || var >= static_cast<int>(s.vars.size()) || obsIndex < 0 ||
      (s.declaredRows >= 0 && obsIndex >= s.declaredRows) || obsIndex > s.rows) {
    s.error = "observation " + std::to_string(obsIndex + 1L) + " of variable " + std::to_string(var + 1L) +
              " lies outside the table the file declares";
    return READSTAT_HANDLER_ABORT;
  }
  const auto cols = static_cast<std::size_t>(s.varCount);
  if (obsIndex == s.rows) {
    if (!Fits(static_cast<unsigned long long>(s.rows) + 1, cols, s.textBytes)) {
      s.error = BudgetText(static_cast<unsigned long long>(s.rows) + 1, cols);
      return READSTAT_HANDLER_ABORT;
    }
    for (std::size_t k = 0; k < cols; ++k) s.cells.Push(Cell());
    ++s.rows;
  }
  const std::size_t at = static_cast<std::size_t>(obsIndex) * cols + static_cast<std::size_t>(var);
  if (readstat_value_is_missing(value, variable)) return READSTAT_HANDLER_OK;
  switch (readstat_value_type(value)) {
    case READSTAT_TYPE_STRING:
    case READSTAT_TYPE_STRING_REF: {
      const char* text = readstat_string_value(value);
      const std::size_t len = text ? std::strlen(text) : 0;
      if (len == 0) return READSTAT_HANDLER_OK;
      if (len > kMaxCellText) {
        s.error = "observation " + std::to_string(obsIndex + 1L) + " of \"" + s.vars[var].name + "\" holds more than " +
                  std::to_string(kMaxCellText) + " characters";
        return READSTAT_HANDLER_ABORT;
      }
      s.textBytes += len;
      if (!Fits(static_cast<unsigned long long>(s.rows), cols, s.textBytes)) {
        s.error = BudgetText(static_cast<unsigned long long>(s.rows), cols);
        return READSTAT_HANDLER_ABORT;
      }
      s.cells.Set(at, std::string(text, len));
      return READSTAT_HANDLER_OK;
    }
    case READSTAT_TYPE_INT8:
      s.cells.SetDouble(at, readstat_int8_value(value));
      break;
    case READSTAT_TYPE_INT16:
      s.cells.SetDouble(at, readstat_int16_value(value));
      break;
    case READSTAT_TYPE_INT32:
      s.cells.SetDouble(at, readstat_int32_value(value));
      break;
    case READSTAT_TYPE_FLOAT: {
      // The exact double of the single-precision number (0.1f is 0.10000000149011612), as
      // the program that wrote it computes with.
      const float f = readstat_float_value(value);
      if (std::isfinite(f)) s.cells.SetDouble(at, static_cast<double>(f));
    } break;
    case READSTAT_TYPE_DOUBLE: {
      const double d = readstat_double_value(value);
      if (std::isfinite(d)) s.cells.SetDouble(at, d);
      break;
    }
  }
  return READSTAT_HANDLER_OK;
}

int OnMetadata(readstat_metadata_t* metadata, void* ctx) {
  return Guarded(ctx, [&] { return Metadata(metadata, ctx); });
}
int OnVariable(int index, readstat_variable_t* variable, const char* valueLabels, void* ctx) {
  return Guarded(ctx, [&] { return AddVariable(index, variable, valueLabels, ctx); });
}
int OnValue(int obsIndex, readstat_variable_t* variable, readstat_value_t value, void* ctx) {
  return Guarded(ctx, [&] { return Value(obsIndex, variable, value, ctx); });
}

void OnError(const char* message, void* ctx) noexcept {
  auto& s = *static_cast<ReadState*>(ctx);
  std::string m;
  try {
    m = message ? message : "";
  } catch (const std::bad_alloc&) {
    return;
  }
  while (!m.empty() && (m.back() == '\n' || m.back() == ' ' || m.back() == '.')) m.pop_back();
  s.libraryMessage = m;
}

bool IsStataTimeFormat(std::string_view f) {
  if (f.size() < 3 || f[0] != '%') return false;
  std::size_t i = 1;
  if (f[i] == '-') ++i;
  if (f.compare(i, 1, "t") != 0 || i + 1 >= f.size()) return false;
  const char unit = f[i + 1];
  return unit != '\0' && std::strchr("ydhqmwcCg", unit) != nullptr;
}

// A file read through a descriptor, with some bytes replaced as they are read: the
// library then sees a repaired file without a copy of it being made.
struct PatchedFile {
  int fd = -1;
  long long pos = 0;
  std::vector<std::pair<long long, char>> patches;  // (offset, byte), by offset
};

int PatchedOpen(const char* path, void* ctx) {
  auto& f = *static_cast<PatchedFile*>(ctx);
  f.fd = ::open(path, O_RDONLY | O_CLOEXEC);
  f.pos = 0;
  return f.fd;
}
int PatchedClose(void* ctx) {
  auto& f = *static_cast<PatchedFile*>(ctx);
  const int rc = f.fd >= 0 ? ::close(f.fd) : 0;
  f.fd = -1;
  return rc;
}
readstat_off_t PatchedSeek(readstat_off_t offset, readstat_io_flags_t whence, void* ctx) {
  auto& f = *static_cast<PatchedFile*>(ctx);
  const int how = whence == READSTAT_SEEK_SET ? SEEK_SET : whence == READSTAT_SEEK_CUR ? SEEK_CUR : SEEK_END;
  const off_t at = ::lseek(f.fd, static_cast<off_t>(offset), how);
  if (at >= 0) f.pos = at;
  return at;
}
ssize_t PatchedRead(void* buf, std::size_t nbyte, void* ctx) {
  auto& f = *static_cast<PatchedFile*>(ctx);
  const ssize_t n = ::read(f.fd, buf, nbyte);
  if (n <= 0) return n;
  auto it = std::lower_bound(f.patches.begin(), f.patches.end(), std::make_pair(f.pos, '\0'),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
  for (; it != f.patches.end() && it->first < f.pos + n; ++it) static_cast<char*>(buf)[it->first - f.pos] = it->second;
  f.pos += n;
  return n;
}
readstat_error_t PatchedUpdate(long, readstat_progress_handler, void*, void*) { return READSTAT_OK; }

// A portable file's character table as PSPP writes it lists the digits 1 to 9 a second
// time (after the characters of the first 128 places), which the library takes as the
// meaning of those bytes, so that no number reads. The patches give every later entry
// that repeats a digit or one of the letters A to T (the digits of the file's base-30
// numbers) the byte of the unused entries instead. The table follows 200 bytes of title
// lines; the file is cut into lines of 80 characters whose ends do not count.
std::vector<std::pair<long long, char>> PortableTablePatches(const std::string& path) {
  std::vector<std::pair<long long, char>> patches;
  std::string head(1024, '\0');
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return patches;
  const ssize_t got = ::read(fd, head.data(), head.size());
  ::close(fd);
  if (got <= 0) return patches;
  head.resize(static_cast<std::size_t>(got));
  std::vector<long long> at;  // the file offset of each of the table's 256 entries
  for (std::size_t i = 0, logical = 0; i < head.size() && at.size() < 256; ++i) {
    if (head[i] == '\r' || head[i] == '\n') continue;
    if (logical++ >= 200) at.push_back(static_cast<long long>(i));
  }
  if (at.size() < 256) return patches;
  auto entry = [&](std::size_t k) { return head[static_cast<std::size_t>(at[k])]; };
  const std::string numeric = [&] {
    std::string d;
    for (std::size_t k = 65; k <= 93; ++k) d += entry(k);
    return d;
  }();
  for (std::size_t k = 94; k < 256; ++k) {
    if (numeric.find(entry(k)) != std::string::npos && entry(k) != entry(64)) patches.emplace_back(at[k], entry(64));
  }
  return patches;
}

// The library loses the last byte of a text of an SPSS variable 32,767 bytes wide (the
// widest there is). The widths of long text variables are listed in one record of the
// dictionary ("NAME=32767", entries ending in NUL and tab); the patches make such a width
// 32768 there, which splits the text into the same segments and keeps all its bytes.
std::vector<std::pair<long long, char>> SavLongTextPatches(const std::string& path) {
  std::vector<std::pair<long long, char>> patches;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return patches;
  // The dictionary comes first: the record is looked for in the first 16 MB.
  struct stat st {};
  const std::size_t size = ::fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
  std::string head(std::min<std::size_t>(size, 16 << 20), '\0');
  std::size_t got = 0;
  while (got < head.size()) {
    const ssize_t n = ::read(fd, head.data() + got, head.size() - got);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  head.resize(got);
  static const char kLittle[] = {7, 0, 0, 0, 14, 0, 0, 0, 1, 0, 0, 0};
  static const char kBig[] = {0, 0, 0, 7, 0, 0, 0, 14, 0, 0, 0, 1};
  for (const char* magic : {kLittle, kBig}) {
    const std::size_t at = head.find(std::string_view(magic, 12));
    if (at == std::string::npos || at + 16 > head.size()) continue;
    const auto* c = reinterpret_cast<const unsigned char*>(head.data() + at + 12);
    const unsigned long long count =
        magic == kLittle ? (c[0] | c[1] << 8 | c[2] << 16 | static_cast<unsigned long long>(c[3]) << 24)
                         : (c[3] | c[2] << 8 | c[1] << 16 | static_cast<unsigned long long>(c[0]) << 24);
    const std::size_t begin = at + 16, end = std::min<unsigned long long>(head.size(), begin + count);
    for (std::size_t k = head.find("=32767", begin); k != std::string::npos && k + 6 < end;
         k = head.find("=32767", k + 1)) {
      if (head[k + 6] == '\0' || head[k + 6] == '\t') patches.emplace_back(static_cast<long long>(k + 5), '8');
    }
    break;
  }
  return patches;
}

// What the long texts (strL) of a Stata file of format 117 or later need: where each
// observation's record lies and where each long text's reference sits in it. The library
// reads the references of format 119 as format 118 lays them out, so they are read here.
struct StataLayout {
  int release = 0;
  bool bigEndian = false;
  unsigned long long variables = 0, observations = 0;
  unsigned long long dataAt = 0, strlsAt = 0, strlsEnd = 0;
  unsigned long long recordWidth = 0;
  std::vector<std::pair<std::size_t, unsigned long long>> strls;  // (variable, offset in the record)
};

unsigned long long FromBytes(const unsigned char* p, int n, bool bigEndian) {
  unsigned long long v = 0;
  for (int k = 0; k < n; ++k) v |= static_cast<unsigned long long>(p[bigEndian ? n - 1 - k : k]) << (8 * k);
  return v;
}

// Reads the header and the map of a Stata file of format 117 or later; false (leaving the
// layout's release 0) for an older format or a header that is not as expected, which the
// library then judges.
bool ReadStataLayout(int fd, StataLayout& l) {
  unsigned char head[256];
  const ssize_t got = ::pread(fd, head, sizeof head, 0);
  if (got < 80) return false;
  const std::string_view h(reinterpret_cast<const char*>(head), static_cast<std::size_t>(got));
  if (h.substr(0, 28) != "<stata_dta><header><release>") return false;
  const int release = (h[28] - '0') * 100 + (h[29] - '0') * 10 + (h[30] - '0');
  if (release < 117 || release > 119 || h.substr(31, 21) != "</release><byteorder>") return false;
  l.bigEndian = h.substr(52, 3) == "MSF";
  if (h.substr(55, 15) != "</byteorder><K>") return false;
  const int kBytes = release == 119 ? 4 : 2, nBytes = release == 117 ? 4 : 8;
  std::size_t at = 70;
  const unsigned long long k = FromBytes(head + at, kBytes, l.bigEndian);
  at += static_cast<std::size_t>(kBytes);
  if (h.substr(at, 7) != "</K><N>") return false;
  at += 7;
  l.observations = FromBytes(head + at, nBytes, l.bigEndian);
  l.variables = k;
  l.release = release;
  // The map: 14 offsets of 8 bytes after "<map>", found after the header.
  unsigned char buf[4096];
  const ssize_t n = ::pread(fd, buf, sizeof buf, 0);
  const std::string_view b(reinterpret_cast<const char*>(buf), n > 0 ? static_cast<std::size_t>(n) : 0);
  const std::size_t map = b.find("<map>");
  if (map == std::string_view::npos || map + 5 + 14 * 8 > b.size()) return true;
  unsigned long long offsets[14];
  for (int i = 0; i < 14; ++i) offsets[i] = FromBytes(buf + map + 5 + 8 * i, 8, l.bigEndian);
  // The types: K numbers of two bytes after "<variable_types>".
  if (k == 0 || k > 200000) return true;
  std::vector<unsigned char> types(static_cast<std::size_t>(k) * 2);
  if (::pread(fd, types.data(), types.size(), static_cast<off_t>(offsets[2] + 16)) !=
      static_cast<ssize_t>(types.size())) {
    return true;
  }
  unsigned long long width = 0;
  for (std::size_t v = 0; v < k; ++v) {
    const auto t = static_cast<unsigned>(FromBytes(types.data() + 2 * v, 2, l.bigEndian));
    if (t == 32768) l.strls.emplace_back(v, width);
    width += t <= 2045 ? t : t == 32768 || t == 65526 ? 8 : t == 65527 || t == 65528 ? 4 : t == 65529 ? 2 : 1;
  }
  l.recordWidth = width;
  l.dataAt = offsets[9] + 6;    // after "<data>"
  l.strlsAt = offsets[10] + 7;  // after "<strls>"
  l.strlsEnd = offsets[11];     // "<value_labels>" follows "</strls>"
  return true;
}

// Puts the long texts (strL) of a Stata file of format 117 or later into their cells: each
// reference (variable, observation) names a text stored once in the file's table of long
// texts; (0, 0) is an empty text. A reference to a text the table does not hold is an
// error, never an empty cell.
bool ReadStataLongTexts(int fd, const StataLayout& l, ReadState& s) {
  if (l.strls.empty() || s.rows == 0) return true;
  if (l.variables != static_cast<unsigned long long>(s.varCount) || s.vars.size() != l.variables) {
    s.error = "the file's header declares " + std::to_string(l.variables) + " variables but describes " +
              std::to_string(s.vars.size());
    return false;
  }
  const bool wide = l.release >= 118;
  const int vBytes = l.release == 119 ? 3 : l.release == 118 ? 2 : 4, oBytes = 8 - vBytes;
  // The table: "GSO", v (4 bytes), o (8 bytes, 4 in format 117), t (1), length (4), bytes.
  std::map<std::pair<unsigned long long, unsigned long long>, std::string> texts;
  unsigned long long at = l.strlsAt;
  const unsigned long long end = l.strlsEnd;
  const std::size_t headLen = wide ? 20 : 16;
  while (at + headLen <= end) {
    unsigned char h[20];
    if (::pread(fd, h, headLen, static_cast<off_t>(at)) != static_cast<ssize_t>(headLen) ||
        std::memcmp(h, "GSO", 3) != 0) {
      break;  // "</strls>"
    }
    const unsigned long long v = FromBytes(h + 3, 4, l.bigEndian);
    const unsigned long long o = FromBytes(h + 7, wide ? 8 : 4, l.bigEndian);
    const unsigned type = h[wide ? 15 : 11];
    const unsigned long long len = FromBytes(h + (wide ? 16 : 12), 4, l.bigEndian);
    at += headLen;
    if (len > end - at) {
      s.error = "a long text (strL) runs beyond the end of the file's table of long texts";
      return false;
    }
    std::size_t keep = static_cast<std::size_t>(len);
    if (type == 130 && keep > 0) --keep;  // a text stored with its closing NUL
    if (keep > kMaxCellText) {
      s.error = "a long text (strL) holds more than " + std::to_string(kMaxCellText) + " characters";
      return false;
    }
    s.textBytes += keep;
    if (!Fits(static_cast<unsigned long long>(s.rows), static_cast<unsigned long long>(s.varCount), s.textBytes)) {
      s.error = BudgetText(static_cast<unsigned long long>(s.rows), static_cast<unsigned long long>(s.varCount));
      return false;
    }
    std::string text(keep, '\0');
    if (keep && ::pread(fd, text.data(), keep, static_cast<off_t>(at)) != static_cast<ssize_t>(keep)) {
      s.error = "the file ends inside its table of long texts (strL)";
      return false;
    }
    const std::size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    texts[{v, o}] = std::move(text);
    at += len;
  }
  const auto cols = static_cast<std::size_t>(s.varCount);
  for (long long r = 0; r < s.rows; ++r) {
    for (const auto& [var, offset] : l.strls) {
      unsigned char p[8];
      const unsigned long long where = l.dataAt + static_cast<unsigned long long>(r) * l.recordWidth + offset;
      if (::pread(fd, p, 8, static_cast<off_t>(where)) != 8) {
        s.error = "the file ends inside observation " + std::to_string(r + 1);
        return false;
      }
      const unsigned long long v = FromBytes(p, vBytes, l.bigEndian);
      const unsigned long long o = FromBytes(p + vBytes, oBytes, l.bigEndian);
      const std::size_t cell = static_cast<std::size_t>(r) * cols + var;
      if (v == 0 && o == 0) {
        s.cells.Set(cell, Cell());
        continue;
      }
      const auto it = texts.find({v, o});
      if (it == texts.end()) {
        s.error = "observation " + std::to_string(r + 1) + " of \"" + s.vars[var].name +
                  "\" refers to a long text (strL) that the file does not hold";
        return false;
      }
      s.cells.Set(cell, it->second.empty() ? Cell() : Cell(it->second));
    }
  }
  return true;
}

}  // namespace

StatFormat DetectStatFormat(std::string_view head) {
  auto starts = [&](std::string_view magic) { return head.substr(0, magic.size()) == magic; };
  if (starts("<stata_dta>")) return StatFormat::Dta;
  if (head.size() >= 4) {
    const auto version = static_cast<unsigned char>(head[0]);
    const auto order = static_cast<unsigned char>(head[1]);
    // Byte 3 is unused: Stata leaves it 0, gretl writes 1 there.
    if (version >= 104 && version <= 115 && (order == 1 || order == 2) && head[2] == 1) {
      return StatFormat::Dta;
    }
  }
  if (starts("$FL2") || starts("$FL3")) return StatFormat::Sav;
  static const char kSas7bdatMagic[32] = {0,      0,      0,      0,      0,      0,      0,      0,
                                          0,      0,      0,      0,      '\xC2', '\xEA', '\x81', '\x60',
                                          '\xB3', '\x14', '\x11', '\xCF', '\xBD', '\x92', '\x08', '\x00',
                                          '\x09', '\xC7', '\x31', '\x8C', '\x18', '\x1F', '\x10', '\x11'};
  if (starts(std::string_view(kSas7bdatMagic, sizeof kSas7bdatMagic))) return StatFormat::Sas7bdat;
  if (starts("HEADER RECORD*******LIB")) return StatFormat::Xport;
  // A portable file: 200 bytes of title lines (which name the format), a 256-byte
  // character table, then its tag (the lines may be broken at 80 columns).
  if (head.substr(0, 600).find("SPSSPORT") != std::string_view::npos ||
      head.substr(0, 200).find("SPSS PORT FILE") != std::string_view::npos) {
    return StatFormat::Por;
  }
  return StatFormat::None;
}

std::string StataTimeLabel(std::string_view format, double value) {
  if (!IsStataTimeFormat(format) || !std::isfinite(value) || value != std::floor(value) || std::fabs(value) > 1e15) {
    return std::string();
  }
  const std::size_t t = format.find('t');
  const char unit = format[t + 1];
  const auto v = static_cast<long long>(value);
  auto period = [&](long long per, bool pad) {
    const long long year = 1960 + FloorDiv(v, per), sub = v - FloorDiv(v, per) * per + 1;
    return std::to_string(year) + ":" + (pad ? Pad2(sub) : std::to_string(sub));
  };
  switch (unit) {
    case 'y':
    case 'g':
      return std::to_string(v);
    case 'h':
      return period(2, false);
    case 'q':
      return period(4, false);
    case 'm':
      return period(12, true);
    case 'w':
      return period(52, true);
    case 'd':
    case 'c':
    case 'C': {
      const bool clock = unit != 'd';
      const long long ms = clock ? v : 0;
      const long long days = clock ? FloorDiv(ms, 86400000LL) : v;
      if (std::llabs(days) > 3650000) return std::string();  // beyond years -8000 to 11900
      int y = 0, m = 0, d = 0;
      CivilFromStataDays(days, y, m, d);
      if (!clock) return DateTimeText(y, m, d, 0, 0, 0.0);
      const long long inDay = ms - days * 86400000LL;
      return DateTimeText(y, m, d, static_cast<int>(inDay / 3600000), static_cast<int>(inDay / 60000 % 60),
                          static_cast<double>(inDay % 60000) / 1000.0);
    }
    default:
      break;
  }
  return std::string();
}

bool ReadStatFile(const std::string& path, StatFormat format, LabelledMatrix& out, std::string& error) {
  out = LabelledMatrix();
  ReadState s;
  s.format = format;
  readstat_parser_t* parser = readstat_parser_init();
  if (!parser) {
    error = "not enough memory to read it";
    return false;
  }
  readstat_set_metadata_handler(parser, OnMetadata);
  readstat_set_variable_handler(parser, OnVariable);
  readstat_set_value_handler(parser, OnValue);
  readstat_set_error_handler(parser, OnError);
  readstat_error_t rc = READSTAT_OK;
  // Stata files from format 117 on: their size is checked here (the library keeps the
  // number of observations in fewer bits than the file has), their long texts read below.
  StataLayout layout;
  std::unique_ptr<int, void (*)(int*)> stataFd(nullptr, [](int* fd) {
    ::close(*fd);
    delete fd;
  });
  if (format == StatFormat::Dta) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
      stataFd.reset(new int(fd));
      if (ReadStataLayout(fd, layout) && !Fits(layout.observations, layout.variables, 0)) {
        readstat_parser_free(parser);
        error = BudgetText(layout.observations, layout.variables);
        return false;
      }
    }
  }
  PatchedFile patched;
  if (format == StatFormat::Por || format == StatFormat::Sav) {
    patched.patches = format == StatFormat::Por ? PortableTablePatches(path) : SavLongTextPatches(path);
    readstat_set_open_handler(parser, PatchedOpen);
    readstat_set_close_handler(parser, PatchedClose);
    readstat_set_seek_handler(parser, PatchedSeek);
    readstat_set_read_handler(parser, PatchedRead);
    readstat_set_update_handler(parser, PatchedUpdate);
    readstat_set_io_ctx(parser, &patched);
  }
  switch (format) {
    case StatFormat::Dta:
      rc = readstat_parse_dta(parser, path.c_str(), &s);
      break;
    case StatFormat::Sav:
      rc = readstat_parse_sav(parser, path.c_str(), &s);
      break;
    case StatFormat::Por:
      rc = readstat_parse_por(parser, path.c_str(), &s);
      break;
    case StatFormat::Sas7bdat:
      rc = readstat_parse_sas7bdat(parser, path.c_str(), &s);
      break;
    case StatFormat::Xport:
      rc = readstat_parse_xport(parser, path.c_str(), &s);
      break;
    case StatFormat::None:
      rc = READSTAT_ERROR_PARSE;
      break;
  }
  readstat_parser_free(parser);
  if (patched.fd >= 0) PatchedClose(&patched);
  // The library fails on a compressed SPSS file without observations after it has given
  // every variable: that is a table with no rows.
  if (rc == READSTAT_ERROR_MALLOC && format == StatFormat::Sav && s.error.empty() && s.rows == 0 &&
      s.declaredRows == 0 && static_cast<long long>(s.vars.size()) == s.varCount && s.varCount > 0) {
    rc = READSTAT_OK;
  }
  if (rc == READSTAT_OK && s.error.empty() && stataFd && layout.release >= 117) {
    try {
      ReadStataLongTexts(*stataFd, layout, s);
    } catch (const std::bad_alloc&) {
      s.error = "not enough memory to read it";
    }
  }
  if (rc != READSTAT_OK || !s.error.empty()) {
    if (!s.error.empty()) {
      error = s.error;
    } else {
      std::string why = readstat_error_message(rc);
      if (!s.libraryMessage.empty()) why += "; " + s.libraryMessage;
      error = std::string("not a readable ") + FormatName(format) +
              ": it is damaged, encrypted or of an unknown version (" + why + ")";
    }
    return false;
  }
  if (s.vars.empty()) {
    error = std::string("the ") + FormatName(format) + " holds no variables";
    return false;
  }
  // A file may end before the observations it declares: the missing ones are empty. The
  // cells lie by the declared number of variables, of which the file may name fewer.
  const auto cols = static_cast<std::size_t>(s.vars.size());
  const auto stride = static_cast<std::size_t>(s.varCount);
  const long long rows = std::max(s.rows, s.declaredRows > 0 ? s.declaredRows : 0);

  int timeVar = -1;
  for (std::size_t k = 0; k < s.vars.size() && timeVar < 0; ++k) {
    if (s.vars[k].numeric && IsStataTimeFormat(s.vars[k].format)) timeVar = static_cast<int>(k);
  }
  if (timeVar < 0 && !s.vars[0].numeric) timeVar = 0;
  const int series = static_cast<int>(cols) - (timeVar >= 0 ? 1 : 0);
  out = LabelledMatrix::Dimension(0, static_cast<int>(rows), 0, series);
  if (!out.IsAssigned()) {
    error = BudgetText(static_cast<unsigned long long>(rows), cols);
    return false;
  }
  out.Put(0, 0, timeVar >= 0 ? Cell(s.vars[timeVar].name) : Cell(std::string("obs")));
  int j = 1;
  for (std::size_t k = 0; k < cols; ++k) {
    if (static_cast<int>(k) != timeVar) out.Put(0, j++, Cell(s.vars[k].name));
  }
  for (long long r = 0; r < rows; ++r) {
    const int i = static_cast<int>(r) + 1;
    if (timeVar < 0) {
      out.PutDouble(i, 0, static_cast<double>(r + 1));
    } else if (r < s.rows && !s.vars[timeVar].numeric) {
      out.Put(i, 0, s.cells.Get(static_cast<std::size_t>(r) * stride + static_cast<std::size_t>(timeVar)));
    } else if (r < s.rows) {
      double v = 0.0;
      if (s.cells.GetDouble(static_cast<std::size_t>(r) * stride + static_cast<std::size_t>(timeVar), v)) {
        const std::string label = StataTimeLabel(s.vars[timeVar].format, v);
        const std::string& f = s.vars[timeVar].format;
        const bool yearly = f.find("ty") != std::string::npos || f.find("tg") != std::string::npos;
        if (yearly || label.empty()) {
          out.PutDouble(i, 0, v);
        } else {
          out.Put(i, 0, Cell(label));
        }
      }
    }
    if (r >= s.rows) continue;
    j = 1;
    for (std::size_t k = 0; k < cols; ++k) {
      if (static_cast<int>(k) == timeVar) continue;
      out.Put(i, j++, s.cells.Get(static_cast<std::size_t>(r) * stride + k));
    }
  }
  return true;
}

namespace {

// A name Stata takes: letters, digits and "_", not starting with a digit, at most 32
// characters, no reserved word, unique among `used`.
std::string StataName(const std::string& label, std::set<std::string>& used) {
  static const std::set<std::string> kReserved = {"_all",  "_b",  "byte",  "_coef", "_cons", "double", "float",
                                                  "if",    "in",  "int",   "long",  "_n",    "_N",     "_pi",
                                                  "_pred", "_rc", "_skip", "strL",  "using", "with"};
  std::string name;
  for (char c : label) {
    const auto u = static_cast<unsigned char>(c);
    name += (std::isalnum(u) && u < 0x80) || c == '_' ? c : '_';
    if (name.size() == 32) break;
  }
  if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) name.insert(0, "v");
  if (name.size() > 32) name.resize(32);
  if (kReserved.count(name)) name = name.substr(0, 31) + "_";
  const std::string base = name;
  for (int k = 2; used.count(name); ++k) {
    const std::string suffix = "_" + std::to_string(k);
    name = base.substr(0, 32 - suffix.size()) + suffix;
  }
  used.insert(name);
  return name;
}

ssize_t AppendBytes(const void* data, std::size_t len, void* ctx) {
  try {
    static_cast<std::string*>(ctx)->append(static_cast<const char*>(data), len);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  return static_cast<ssize_t>(len);
}

// The longest text a Stata text variable holds (longer ones need its long-text type).
constexpr std::size_t kMaxStataText = 2045;

struct OutColumn {
  std::string name, label, format;
  bool text = false;
  std::size_t width = 1;
};

}  // namespace

bool StataFileBytes(const LabelledMatrix& m, std::string& bytes, std::string& error) {
  bytes.clear();
  if (!m.IsAssigned() || m.Lower(1) != 0 || m.Lower(2) != 0) {
    error = "there is no matrix to write";
    return false;
  }
  const int rows = m.UpperRow(), cols = m.UpperCol();
  if (cols + 1 > 120000) {
    error =
        "a Stata data file holds at most 120,000 variables; the matrix has " + std::to_string(cols + 1) + " columns";
    return false;
  }
  std::vector<OutColumn> out(static_cast<std::size_t>(cols) + 1);
  std::set<std::string> used;
  for (int j = 0; j <= cols; ++j) {
    OutColumn& c = out[static_cast<std::size_t>(j)];
    const Cell head = m.Value(0, j);
    const std::string label = IsBlank(head) ? (j == 0 ? std::string("obs") : "v" + std::to_string(j)) : CellText(head);
    c.name = StataName(label, used);
    if (c.name != label) c.label = label.substr(0, 80);
    for (int i = 1; i <= rows; ++i) {
      const Cell v = m.Value(i, j);
      if (IsText(v)) {
        c.text = true;
        c.width = std::max(c.width, std::get<std::string>(v).size());
      } else if (IsNumber(v)) {
        // Stata keeps the doubles from 2^1023 up as its missing-value codes.
        if (std::fabs(NumberOf(v)) >= 0x1p1023) {
          error = "cell " + CellReference(i, j) + " holds " + ShortestText(NumberOf(v)) +
                  ", beyond the largest number a Stata data file holds (8.988e+307)";
          return false;
        }
        c.width = std::max(c.width, ShortestText(NumberOf(v)).size());
      }
    }
    if (c.text && c.width > kMaxStataText) {
      error = "column " + std::to_string(j) + " (\"" + label + "\") holds a text longer than the " +
              std::to_string(kMaxStataText) + " characters a Stata text variable takes";
      return false;
    }
  }
  // The labels: consecutive whole years are a yearly time index, other numbers a generic one.
  if (!out[0].text) {
    bool years = rows > 0;
    for (int i = 1; i <= rows && years; ++i) {
      const Cell v = m.Value(i, 0);
      years = IsNumber(v) && NumberOf(v) == NumberOf(m.Value(1, 0)) + (i - 1) &&
              NumberOf(v) == std::floor(NumberOf(v)) && std::fabs(NumberOf(v)) < 10000;
    }
    out[0].format = years ? "%ty" : "%tg";
  }
  readstat_writer_t* w = readstat_writer_init();
  if (!w) {
    error = "not enough memory to write it";
    return false;
  }
  std::unique_ptr<readstat_writer_t, void (*)(readstat_writer_t*)> writer(w, &readstat_writer_free);
  readstat_set_data_writer(w, AppendBytes);
  readstat_writer_set_file_format_version(w, cols + 1 > 32767 ? 119 : 118);
  std::vector<readstat_variable_t*> vars;
  for (const OutColumn& c : out) {
    readstat_variable_t* v = readstat_add_variable(
        w, c.name.c_str(), c.text ? READSTAT_TYPE_STRING : READSTAT_TYPE_DOUBLE, c.text ? c.width : 0);
    if (!c.format.empty()) readstat_variable_set_format(v, c.format.c_str());
    if (!c.label.empty()) readstat_variable_set_label(v, c.label.c_str());
    vars.push_back(v);
  }
  auto check = [&](readstat_error_t rc) {
    if (rc == READSTAT_OK) return true;
    error = std::string("the Stata writer refused it (") + readstat_error_message(rc) + ")";
    return false;
  };
  if (!check(readstat_begin_writing_dta(w, &bytes, rows))) return false;
  for (int i = 1; i <= rows; ++i) {
    if (!check(readstat_begin_row(w))) return false;
    for (int j = 0; j <= cols; ++j) {
      const OutColumn& c = out[static_cast<std::size_t>(j)];
      readstat_variable_t* v = vars[static_cast<std::size_t>(j)];
      const Cell cell = m.Value(i, j);
      readstat_error_t rc = READSTAT_OK;
      if (IsEmpty(cell) || (IsText(cell) && std::get<std::string>(cell).empty())) {
        rc = c.text ? readstat_insert_string_value(w, v, "") : readstat_insert_missing_value(w, v);
      } else if (c.text) {
        rc = readstat_insert_string_value(
            w, v, (IsText(cell) ? std::get<std::string>(cell) : ShortestText(NumberOf(cell))).c_str());
      } else {
        rc = readstat_insert_double_value(w, v, NumberOf(cell));
      }
      if (!check(rc)) return false;
    }
    if (!check(readstat_end_row(w))) return false;
  }
  return check(readstat_end_writing(w));
}

}  // namespace quantorial
