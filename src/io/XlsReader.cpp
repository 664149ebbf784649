#include "io/XlsReader.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#include "io/AtomicFile.h"
#include "io/SheetCells.h"
#include "io/Utf8.h"

namespace quantorial {

namespace {

std::uint16_t U16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
double F64(const unsigned char* p) {
  std::uint64_t bits = static_cast<std::uint64_t>(U32(p)) | (static_cast<std::uint64_t>(U32(p + 4)) << 32);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

// ---- the OLE2 compound file ----

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;

class CompoundFile {
 public:
  bool Open(std::string_view bytes, std::string& error) {
    data_ = reinterpret_cast<const unsigned char*>(bytes.data());
    size_ = bytes.size();
    static const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (size_ < 512 || std::memcmp(data_, kSignature, 8) != 0) return Fail(error, "not an OLE2 compound file");
    const unsigned shift = U16(data_ + 0x1E), miniShift = U16(data_ + 0x20);
    if (shift != 9 && shift != 12) return Fail(error, "unknown sector size");
    if (miniShift != 6) return Fail(error, "unknown mini sector size");
    sector_ = 1u << shift;
    miniSector_ = 1u << miniShift;
    miniCutoff_ = U32(data_ + 0x38);
    // The sector allocation table, from the 109 entries in the header and the chain of
    // further DIFAT sectors.
    std::vector<std::uint32_t> fatSectors;
    const std::uint32_t fatCount = U32(data_ + 0x2C);
    for (unsigned i = 0; i < 109 && fatSectors.size() < fatCount; ++i) fatSectors.push_back(U32(data_ + 0x4C + 4 * i));
    std::uint32_t dif = U32(data_ + 0x44);
    for (std::uint32_t guard = 0; dif != kEndOfChain && dif != kFreeSector && fatSectors.size() < fatCount; ++guard) {
      const unsigned char* p = SectorData(dif);
      if (!p || guard > SectorCount()) return Fail(error, "damaged sector table");
      for (unsigned i = 0; i + 1 < sector_ / 4 && fatSectors.size() < fatCount; ++i)
        fatSectors.push_back(U32(p + 4 * i));
      dif = U32(p + sector_ - 4);
    }
    for (std::uint32_t s : fatSectors) {
      const unsigned char* p = SectorData(s);
      if (!p) return Fail(error, "damaged sector table");
      for (unsigned i = 0; i < sector_ / 4; ++i) fat_.push_back(U32(p + 4 * i));
    }
    // The directory.
    std::string dir;
    if (!ReadChain(U32(data_ + 0x30), fat_, false, 0, dir)) return Fail(error, "damaged directory");
    for (std::size_t off = 0; off + 128 <= dir.size(); off += 128) {
      const auto* e = reinterpret_cast<const unsigned char*>(dir.data() + off);
      const unsigned nameBytes = U16(e + 0x40);
      std::string name;
      for (unsigned i = 0; i + 2 < nameBytes && i < 64; i += 2) AppendUtf8(name, U16(e + i));
      entries_.push_back({name, e[0x42], U32(e + 0x74), U32(e + 0x78)});
    }
    if (entries_.empty() || entries_[0].type != 5) return Fail(error, "damaged directory");
    // The mini stream and its allocation table.
    std::string miniFat;
    if (!ReadChain(U32(data_ + 0x3C), fat_, false, 0, miniFat)) return Fail(error, "damaged mini sector table");
    for (std::size_t i = 0; i + 4 <= miniFat.size(); i += 4) {
      miniFat_.push_back(U32(reinterpret_cast<const unsigned char*>(miniFat.data()) + i));
    }
    if (!ReadChain(entries_[0].start, fat_, false, entries_[0].size, miniStream_)) {
      return Fail(error, "damaged mini stream");
    }
    return true;
  }

  // The first stream that begins with a BIFF BOF record (of any version).
  bool AnyBiffStream(std::string& out) const {
    for (const auto& e : entries_) {
      if (e.type != 2) continue;
      if (!ReadChain(e.start, e.size < miniCutoff_ ? miniFat_ : fat_, e.size < miniCutoff_, e.size, out)) continue;
      if (out.size() >= 4 && static_cast<unsigned char>(out[0]) == 0x09 &&
          (out[1] == 0x08 || out[1] == 0x04 || out[1] == 0x02 || out[1] == 0x00)) {
        return true;
      }
    }
    out.clear();
    return false;
  }

  // The stream of that name (case-insensitive, ASCII); false when there is none.
  bool Stream(const std::string& wanted, std::string& out) const {
    for (const auto& e : entries_) {
      if (e.type != 2 || e.name.size() != wanted.size()) continue;
      bool same = true;
      for (std::size_t i = 0; i < wanted.size(); ++i) same &= ((e.name[i] | 0x20) == (wanted[i] | 0x20));
      if (!same) continue;
      return ReadChain(e.start, e.size < miniCutoff_ ? miniFat_ : fat_, e.size < miniCutoff_, e.size, out);
    }
    return false;
  }

 private:
  struct Entry {
    std::string name;
    unsigned char type;  // 1 storage, 2 stream, 5 root
    std::uint32_t start;
    std::uint32_t size;
  };

  static bool Fail(std::string& error, const char* what) {
    error = what;
    return false;
  }
  std::size_t SectorCount() const { return size_ / sector_; }
  const unsigned char* SectorData(std::uint32_t s) const {
    const std::uint64_t off = (static_cast<std::uint64_t>(s) + 1) * sector_;
    if (s >= 0xFFFFFFFA || off + sector_ > size_) return nullptr;
    return data_ + off;
  }
  // Follows a chain of sectors (or mini sectors) and appends their bytes; `limit` cuts
  // the result to the stream's size when it is not 0.
  bool ReadChain(std::uint32_t start, const std::vector<std::uint32_t>& table, bool mini, std::uint64_t limit,
                 std::string& out) const {
    out.clear();
    const std::size_t unit = mini ? miniSector_ : sector_;
    std::size_t steps = 0;
    for (std::uint32_t s = start; s != kEndOfChain && s != kFreeSector;) {
      if (++steps > table.size() + 1) return false;  // a loop
      if (mini) {
        const std::uint64_t off = static_cast<std::uint64_t>(s) * unit;
        if (off + unit > miniStream_.size()) return false;
        out.append(miniStream_, off, unit);
      } else {
        const unsigned char* p = SectorData(s);
        if (!p) return false;
        out.append(reinterpret_cast<const char*>(p), unit);
      }
      if (s >= table.size()) return false;
      s = table[s];
      if (limit && out.size() >= limit) break;
    }
    if (limit) {
      if (out.size() < limit) return false;
      out.resize(limit);
    }
    return true;
  }

  const unsigned char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t sector_ = 512, miniSector_ = 64;
  std::uint32_t miniCutoff_ = 4096;
  std::vector<std::uint32_t> fat_, miniFat_;
  std::vector<Entry> entries_;
  std::string miniStream_;
};

// ---- BIFF8 records ----

struct Record {
  std::uint16_t type;
  const unsigned char* data;
  std::size_t size;
};

class RecordReader {
 public:
  explicit RecordReader(std::string_view stream, std::size_t offset = 0)
      : p_(reinterpret_cast<const unsigned char*>(stream.data())), size_(stream.size()), pos_(offset) {}
  bool Next(Record& r) {
    if (pos_ + 4 > size_) return false;
    r.type = U16(p_ + pos_);
    r.size = U16(p_ + pos_ + 2);
    if (pos_ + 4 + r.size > size_) return false;
    r.data = p_ + pos_ + 4;
    pos_ += 4 + r.size;
    return true;
  }
  // The record after the current one, if it is a CONTINUE.
  bool NextIsContinue() const { return pos_ + 4 <= size_ && U16(p_ + pos_) == 0x003C; }

 private:
  const unsigned char* p_;
  std::size_t size_;
  std::size_t pos_;
};

// Reads BIFF8 unicode strings that may run on into CONTINUE records: the bytes of a
// record and its continuations, with the places where each continuation starts.
class ContinuedBytes {
 public:
  void Add(const Record& r) { bytes_.append(reinterpret_cast<const char*>(r.data), r.size); }
  void AddContinue(const Record& r) {
    starts_.push_back(bytes_.size());
    bytes_.append(reinterpret_cast<const char*>(r.data), r.size);
  }
  std::size_t Size() const { return bytes_.size(); }
  const unsigned char* At(std::size_t pos) const { return reinterpret_cast<const unsigned char*>(bytes_.data()) + pos; }

  // An XLUnicodeString (16-bit count unless `count8`) at pos; false when cut short.
  bool ReadString(std::size_t& pos, std::string& out, bool count8 = false) const {
    out.clear();
    const std::size_t countSize = count8 ? 1 : 2;
    if (pos + countSize + 1 > bytes_.size()) return false;
    std::size_t cch = count8 ? *At(pos) : U16(At(pos));
    pos += countSize;
    const unsigned char flags = *At(pos++);
    bool wide = flags & 0x01;
    std::size_t runs = 0, ext = 0;
    if (flags & 0x08) {
      if (pos + 2 > bytes_.size()) return false;
      runs = U16(At(pos));
      pos += 2;
    }
    if (flags & 0x04) {
      if (pos + 4 > bytes_.size()) return false;
      ext = U32(At(pos));
      pos += 4;
    }
    while (cch > 0) {
      // Characters up to the next continuation boundary.
      std::size_t boundary = bytes_.size();
      for (std::size_t s : starts_) {
        if (s > pos) {
          boundary = s;
          break;
        }
      }
      const std::size_t width = wide ? 2 : 1;
      std::size_t take = std::min(cch, (boundary - pos) / width);
      for (std::size_t i = 0; i < take; ++i) {
        AppendUtf8(out, wide ? U16(At(pos + 2 * i)) : *At(pos + i));
      }
      pos += take * width;
      cch -= take;
      if (cch == 0) break;
      if (pos != boundary || pos >= bytes_.size()) return false;
      wide = *At(pos++) & 0x01;  // a continuation restarts with its own flags byte
    }
    pos += 4 * runs + ext;
    return pos <= bytes_.size();
  }

 private:
  std::string bytes_;
  std::vector<std::size_t> starts_;
};

const char* ErrorText(unsigned code) {
  switch (code) {
    case 0x00:
      return "#NULL!";
    case 0x07:
      return "#DIV/0!";
    case 0x0F:
      return "#VALUE!";
    case 0x17:
      return "#REF!";
    case 0x1D:
      return "#NAME?";
    case 0x24:
      return "#NUM!";
    case 0x2A:
      return "#N/A";
    default:
      return "#ERROR!";
  }
}

double RkValue(std::uint32_t rk) {
  double v;
  if (rk & 0x02) {
    v = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
  } else {
    const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
    std::memcpy(&v, &bits, sizeof v);
  }
  return (rk & 0x01) ? v / 100.0 : v;
}

struct Globals {
  std::vector<std::string> sst;
  std::vector<int> xfFormat;       // number format of each cell format
  std::map<int, bool> customDate;  // FORMAT records: does the format show a date
  bool date1904 = false;
  long long firstSheetOffset = -1;

  bool IsDateXf(unsigned xf) const {
    if (xf >= xfFormat.size()) return false;
    const int fmt = xfFormat[xf];
    const auto it = customDate.find(fmt);
    return it != customDate.end() ? it->second : IsBuiltinDateFormat(fmt);
  }
  Cell Number(double v, unsigned xf) const {
    if (IsDateXf(xf)) {
      std::string text = SerialDateText(v, date1904);
      if (!text.empty()) return Cell(std::move(text));
    }
    return Cell(v);
  }
};

bool ReadGlobals(std::string_view stream, Globals& g, std::string& error) {
  RecordReader reader(stream);
  Record r{};
  const bool any = reader.Next(r);
  if (any && (r.type == 0x0009 || r.type == 0x0209 || r.type == 0x0409)) {
    error = "an Excel 5.0/95 or older workbook; save it as Excel 97-2003 or newer";  // BIFF2 to BIFF4
    return false;
  }
  if (!any || r.type != 0x0809 || r.size < 4) {
    error = "the workbook stream does not start with a BIFF record";
    return false;
  }
  if (U16(r.data) != 0x0600) {
    error = "an Excel 5.0/95 or older workbook; save it as Excel 97-2003 or newer";
    return false;
  }
  while (reader.Next(r)) {
    switch (r.type) {
      case 0x000A:  // EOF of the globals
        if (g.firstSheetOffset < 0) {
          error = "the workbook has no worksheet";
          return false;
        }
        return true;
      case 0x002F:
        error = "the workbook is protected by a password";
        return false;  // FILEPASS
      case 0x0022:
        if (r.size >= 2) g.date1904 = U16(r.data) == 1;
        break;  // DATEMODE
      case 0x00E0:
        if (r.size >= 4) g.xfFormat.push_back(U16(r.data + 2));
        break;        // XF
      case 0x041E: {  // FORMAT
        if (r.size < 5) break;
        ContinuedBytes b;
        b.Add(r);
        std::size_t pos = 2;
        std::string code;
        if (b.ReadString(pos, code)) g.customDate[U16(r.data)] = IsDateFormatCode(code);
        break;
      }
      case 0x0085: {  // BOUNDSHEET: the first worksheet
        if (r.size >= 6 && g.firstSheetOffset < 0 && r.data[5] == 0x00) g.firstSheetOffset = U32(r.data);
        break;
      }
      case 0x00FC: {  // SST with its CONTINUE records
        ContinuedBytes b;
        b.Add(r);
        while (reader.NextIsContinue() && reader.Next(r)) b.AddContinue(r);
        if (b.Size() < 8) break;
        const std::uint32_t unique = U32(b.At(4));
        std::size_t pos = 8;
        std::string s;
        for (std::uint32_t i = 0; i < unique && b.ReadString(pos, s); ++i) g.sst.push_back(s);
        break;
      }
      default:
        break;
    }
  }
  if (g.firstSheetOffset < 0) {
    error = "the workbook has no worksheet";
    return false;
  }
  return true;
}

bool ReadSheet(std::string_view stream, const Globals& g, SheetCells& cells, std::string& error) {
  if (g.firstSheetOffset < 0 || static_cast<std::size_t>(g.firstSheetOffset) >= stream.size()) {
    error = "the first worksheet lies outside the workbook stream";
    return false;
  }
  RecordReader reader(stream, static_cast<std::size_t>(g.firstSheetOffset));
  Record r;
  if (!reader.Next(r) || r.type != 0x0809) {
    error = "the first worksheet does not start with a BIFF record";
    return false;
  }
  long long pendingRow = -1, pendingCol = -1;  // a formula whose text result follows
  // A cell beyond the 256 columns of a BIFF8 sheet can only come from a damaged file; a
  // sheet beyond the memory budget stops the reading (Build says why).
  bool failed = false;
  auto put = [&](long long row, long long col, Cell cell) {
    if (failed) return;
    if (col > 255) {
      error = "cell " + CellReference(row, col) +
              " lies beyond the 256 columns of an Excel 97-2003 sheet; the file is damaged";
      failed = true;
      return;
    }
    if (!cells.Add(row, col, std::move(cell))) failed = true;
  };
  while (!failed && reader.Next(r)) {
    const unsigned char* d = r.data;
    switch (r.type) {
      case 0x000A:
        return true;  // EOF
      case 0x0809: {  // BOF of an embedded sub-stream (a chart): its records are not the sheet's
        for (int depth = 1; depth > 0 && reader.Next(r);) {
          if (r.type == 0x0809) ++depth;
          if (r.type == 0x000A) --depth;
        }
        break;
      }
      case 0x00FD:  // LABELSST
        if (r.size >= 10) {
          const std::uint32_t i = U32(d + 6);
          if (i < g.sst.size() && !g.sst[i].empty()) put(U16(d), U16(d + 2), g.sst[i]);
        }
        break;
      case 0x0203:  // NUMBER
        if (r.size >= 14) put(U16(d), U16(d + 2), g.Number(F64(d + 6), U16(d + 4)));
        break;
      case 0x027E:  // RK
        if (r.size >= 10) put(U16(d), U16(d + 2), g.Number(RkValue(U32(d + 6)), U16(d + 4)));
        break;
      case 0x00BD: {  // MULRK
        if (r.size < 6) break;
        const unsigned row = U16(d), first = U16(d + 2);
        for (std::size_t k = 0; 4 + 6 * k + 6 <= r.size - 2; ++k) {
          const unsigned char* e = d + 4 + 6 * k;
          put(row, first + static_cast<long long>(k), g.Number(RkValue(U32(e + 2)), U16(e)));
        }
        break;
      }
      case 0x0205:  // BOOLERR
        if (r.size >= 8) {
          put(U16(d), U16(d + 2), d[7] ? std::string(ErrorText(d[6])) : std::string(d[6] ? "TRUE" : "FALSE"));
        }
        break;
      case 0x0204:    // LABEL
      case 0x00D6: {  // RSTRING
        if (r.size < 8) break;
        ContinuedBytes b;
        b.Add(r);
        std::size_t pos = 6;
        std::string s;
        if (b.ReadString(pos, s) && !s.empty()) put(U16(d), U16(d + 2), s);
        break;
      }
      case 0x0006: {  // FORMULA: its cached result
        if (r.size < 20) break;
        const long long row = U16(d), col = U16(d + 2);
        if (U16(d + 12) != 0xFFFF) {
          const double v = F64(d + 6);
          put(row, col, g.Number(v, U16(d + 4)));
        } else if (d[6] == 0x00) {
          pendingRow = row;  // the text comes in the STRING record that follows
          pendingCol = col;
        } else if (d[6] == 0x01) {
          put(row, col, std::string(d[8] ? "TRUE" : "FALSE"));
        } else if (d[6] == 0x02) {
          put(row, col, std::string(ErrorText(d[8])));
        }
        break;
      }
      case 0x0207: {  // STRING: the text result of the formula before it
        if (pendingRow < 0) break;
        ContinuedBytes b;
        b.Add(r);
        while (reader.NextIsContinue() && reader.Next(r)) b.AddContinue(r);
        std::size_t pos = 0;
        std::string s;
        if (b.ReadString(pos, s) && !s.empty()) put(pendingRow, pendingCol, s);
        pendingRow = pendingCol = -1;
        break;
      }
      default:
        break;
    }
  }
  if (failed && !cells.OverBudget()) return false;
  return true;  // a sheet without its EOF record: keep what was read
}

}  // namespace

bool ReadXlsBytes(std::string_view bytes, LabelledMatrix& out, std::string& error) {
  out = LabelledMatrix();
  CompoundFile cfb;
  if (!cfb.Open(bytes, error)) return false;
  // The workbook stream is "Workbook" (Excel 97 on) or "Book" (Excel 5/95), but some
  // programs name it otherwise; the version of its first record decides how it is read.
  std::string stream;
  if (cfb.Stream("EncryptedPackage", stream)) {
    error = "the workbook is encrypted with a password; save it without one and load that";
    return false;
  }
  if (!cfb.Stream("Workbook", stream) && !cfb.Stream("Book", stream) && !cfb.AnyBiffStream(stream)) {
    error = "the file holds no Excel workbook";
    return false;
  }
  Globals g;
  if (!ReadGlobals(stream, g, error)) return false;
  SheetCells cells;
  if (!ReadSheet(stream, g, cells, error)) return false;
  return cells.Build(out, error);
}

bool ReadXls(const std::string& path, LabelledMatrix& out, std::string& error) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes, error)) return false;
  return ReadXlsBytes(bytes, out, error);
}

}  // namespace quantorial
