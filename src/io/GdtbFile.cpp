#include "io/GdtbFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "io/AtomicFile.h"
#include "io/Calendar.h"
#include "io/CsvReader.h"
#include "io/GdtFile.h"
#include "io/SheetCells.h"
#include "workspace/CompactCells.h"

namespace quantorial {

namespace {

constexpr std::string_view kMagic("gretl-purebin\0", 14);
constexpr std::size_t kSeriesRecordBytes = 112;

// The bytes of the file read front to back; every read checks that the bytes are there.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  std::size_t Left() const { return bytes_.size() - at_; }
  std::size_t At() const { return at_; }
  bool Int(std::int32_t& v) {
    if (Left() < 4) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data() + at_);
    v = static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                  static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
    at_ += 4;
    return true;
  }
  bool Double(double& v) {
    if (Left() < 8) return false;
    std::uint64_t bits = 0;
    for (int k = 7; k >= 0; --k)
      bits = bits << 8 | static_cast<unsigned char>(bytes_[at_ + static_cast<std::size_t>(k)]);
    std::memcpy(&v, &bits, sizeof v);
    at_ += 8;
    return true;
  }
  bool Float(float& v) {
    std::int32_t i = 0;
    if (!Int(i)) return false;
    std::memcpy(&v, &i, sizeof v);
    return true;
  }
  bool Skip(std::size_t n) {
    if (Left() < n) return false;
    at_ += n;
    return true;
  }
  // Text up to the next NUL (which is passed over).
  bool Text(std::string_view& v) {
    const std::size_t nul = bytes_.find('\0', at_);
    if (nul == std::string_view::npos) return false;
    v = bytes_.substr(at_, nul - at_);
    at_ = nul + 1;
    return true;
  }
  // A text of L bytes as its length, the bytes and a NUL.
  bool CountedText(std::string_view& v) {
    std::int32_t len = 0;
    if (!Int(len) || len < 0 || Left() < static_cast<std::size_t>(len) + 1 ||
        bytes_[at_ + static_cast<std::size_t>(len)] != '\0') {
      return false;
    }
    v = bytes_.substr(at_, static_cast<std::size_t>(len));
    at_ += static_cast<std::size_t>(len) + 1;
    return true;
  }

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
};

// The number of decimal digits of a frequency (monthly periods are 1990.01 to 1990.12).
int Digits(long long v) {
  int k = 1;
  for (; v >= 10; v /= 10) ++k;
  return k;
}

// The first observation as a .gdt writes it, from the frequency and the number that codes
// it: a whole day number (0001-01-01 is day 1) for dated daily and weekly data, a whole
// number as itself (a year; 1 for undated data), else the year (or unit) plus the period
// over 10 to the number of the frequency's digits.
std::string StartText(long long pd, double sd0) {
  if (!std::isfinite(sd0) || std::fabs(sd0) > 1e9) return "1";
  // Day numbers of dates since the year 274 (day 100,000); an undated daily series starts
  // at 1 (observations numbered as it says).
  const bool daily = pd == 5 || pd == 6 || pd == 7 || pd == 52;
  if (daily && sd0 == std::floor(sd0) && sd0 >= 100000) {
    // Day 1 of the proleptic Gregorian calendar, 0001-01-01, is day -719162 from 1970-01-01.
    int y = 0, m = 0, d = 0;
    CivilFromDays(static_cast<long long>(sd0) - 719163, y, m, d);
    return DateTimeText(y, m, d, 0, 0, 0.0);
  }
  const double year = std::floor(sd0);
  if (pd == 1 || pd == 10 || sd0 == year) return std::to_string(static_cast<long long>(year));
  double scale = 1.0;
  for (int k = Digits(pd); k > 0; --k) scale *= 10.0;
  const long long period = std::llround((sd0 - year) * scale);
  std::string p = std::to_string(period);
  p.insert(0, static_cast<std::size_t>(std::max(0, Digits(pd) - static_cast<int>(p.size()))), '0');
  return std::to_string(static_cast<long long>(year)) + ":" + p;
}

}  // namespace

bool LooksLikeGdtb(std::string_view head) { return head.substr(0, kMagic.size()) == kMagic; }

bool ReadGdtbBytes(std::string_view bytes, LabelledMatrix& out, std::string& error) {
  out = LabelledMatrix();
  if (!LooksLikeGdtb(bytes)) {
    error = "not a gretl binary data file (it does not start with \"gretl-purebin\")";
    return false;
  }
  Reader in(bytes);
  in.Skip(kMagic.size());
  std::int32_t one = 0, zero = 0, v = 0, n = 0, markers = 0, structure = 0, pd = 0, zero2 = 0;
  double sd0 = 0.0;
  std::int32_t nst = 0, nlab = 0, hasDesc = 0, panelPd = 0, hasGroups = 0;
  float panelStart = 0.0F;
  if (!in.Int(one) || !in.Int(zero) || !in.Int(v) || !in.Int(n) || !in.Int(markers) || !in.Int(structure) ||
      !in.Int(pd) || !in.Int(zero2) || !in.Double(sd0) || !in.Int(nst) || !in.Int(nlab) || !in.Int(hasDesc) ||
      !in.Int(panelPd) || !in.Float(panelStart) || !in.Int(hasGroups)) {
    error = "the file ends inside its header";
    return false;
  }
  if (one != 1) {
    error = "a gretl binary data file of a layout this program does not know (" + std::to_string(one) +
            " where gretl 2021b to 2022 write 1)";
    return false;
  }
  // The values alone take 8 bytes a cell: counts the file's size cannot hold are refused
  // before anything is allocated.
  const std::size_t left = in.Left();
  auto flag = [](std::int32_t f) { return f == 0 || f == 1; };
  if (v < 1 || n < 0 || pd < 1 || nst < 0 || nlab < 0 || !flag(markers) || !flag(hasDesc) || !flag(hasGroups)) {
    error = "the header is damaged (a count below zero, a frequency below 1 or a flag other than 0 or 1)";
    return false;
  }
  const unsigned long long perSeries = kSeriesRecordBytes + 8ULL * static_cast<unsigned long long>(n);
  if (static_cast<unsigned long long>(v - 1) > left / perSeries) {
    error = "the file is cut short or its header is damaged: the header claims " + std::to_string(v - 1) +
            " series of " + std::to_string(n) + " observations, more than the file's " + std::to_string(bytes.size()) +
            " bytes hold";
    return false;
  }
  const auto series = static_cast<std::size_t>(v - 1);
  if (series == 0) {
    error = "the gretl data file holds no series";
    return false;
  }
  const auto rows = static_cast<std::size_t>(n);
  if ((rows + 1) * (series + 1) * sizeof(std::uint64_t) > kMaxSheetBytes) {
    error = "the file holds " + std::to_string(rows) + " observations of " + std::to_string(series) +
            " series, more than the " + std::to_string(kMaxSheetBytes >> 30) + " GB this program gives a sheet";
    return false;
  }
  GretlData d;
  d.frequency = pd;
  switch (structure) {
    case 1:
    case 5:  // a time series of a frequency outside the calendar ("special")
      d.type = "time-series";
      break;
    case 2:
      d.type = "stacked-time-series";
      break;
    default:
      d.type = "cross-section";
      break;
  }
  // A panel's observations are unit:period from 1:1; its own time fields (which gretl
  // writes whatever the kind of data) do not label them.
  d.startobs =
      structure == 2 ? "1:" + std::string(static_cast<std::size_t>(Digits(pd) - 1), '0') + "1" : StartText(pd, sd0);
  d.names.reserve(series);
  for (std::size_t k = 0; k < series; ++k) {
    std::string_view name;
    if (!in.Text(name) || name.empty() || name.size() > kMaxCellText) {
      error = "the name of series " + std::to_string(k + 1) + " is missing or damaged";
      return false;
    }
    d.names.emplace_back(name);
  }
  if (!in.Skip(kSeriesRecordBytes * series)) {
    error = "the file ends inside its series records";
    return false;
  }
  const std::size_t width = series + 1;
  d.rows = static_cast<long long>(rows);
  d.cells.Assign(rows * width);
  for (std::size_t k = 0; k < series; ++k) {
    for (std::size_t r = 0; r < rows; ++r) {
      double x = 0.0;
      if (!in.Double(x)) {
        error = "the file ends inside the values of \"" + d.names[k] + "\"";
        return false;
      }
      if (std::isnan(x)) continue;  // missing
      if (!std::isfinite(x)) {
        error = "observation " + std::to_string(r + 1) + " of \"" + d.names[k] + "\" is infinite";
        return false;
      }
      d.cells.SetDouble(r * width + 1 + k, x);
    }
  }
  unsigned long long textBytes = 0;
  if (markers == 1) {
    d.markers = true;
    for (std::size_t r = 0; r < rows; ++r) {
      std::string_view marker;
      if (!in.Text(marker)) {
        error = "the file ends inside the label of observation " + std::to_string(r + 1);
        return false;
      }
      if (marker.size() > kMaxCellText) {
        error = "observation " + std::to_string(r + 1) + " has a label longer than " + std::to_string(kMaxCellText) +
                " characters";
        return false;
      }
      textBytes += marker.size();
      if (!marker.empty()) d.cells.Set(r * width, FieldCell(marker));
    }
  }
  for (std::int32_t k = 0; k < nlab; ++k) {
    std::int32_t owner = 0;
    std::string_view label;
    if (!in.Int(owner) || !in.CountedText(label) || owner < 1 || static_cast<std::size_t>(owner) > series) {
      error = "the description of a series is damaged (entry " + std::to_string(k + 1) + ")";
      return false;
    }
  }
  d.strings.resize(series);
  for (std::int32_t k = 0; k < nst; ++k) {
    std::int32_t owner = 0, count = 0;
    if (!in.Int(owner) || !in.Int(count) || owner < 1 || static_cast<std::size_t>(owner) > series || count < 0 ||
        static_cast<std::size_t>(count) * 5 > in.Left()) {
      error = "the texts of a string-valued series are damaged (table " + std::to_string(k + 1) + ")";
      return false;
    }
    std::vector<std::string>& texts = d.strings[static_cast<std::size_t>(owner) - 1];
    texts.clear();
    texts.reserve(static_cast<std::size_t>(count));
    for (std::int32_t c = 0; c < count; ++c) {
      std::string_view text;
      if (!in.CountedText(text) || text.size() > kMaxCellText) {
        error = "text " + std::to_string(c + 1) + " of the string-valued series \"" +
                d.names[static_cast<std::size_t>(owner) - 1] + "\" is damaged";
        return false;
      }
      textBytes += text.size();
      texts.emplace_back(text);
    }
  }
  std::string_view ignored;
  if (hasDesc == 1 && !in.CountedText(ignored)) {
    error = "the data set's description is damaged";
    return false;
  }
  if (hasGroups == 1 && !in.CountedText(ignored)) {
    error = "the panel's group names are damaged";
    return false;
  }
  if (in.Left() != 0) {
    error = "the file has " + std::to_string(in.Left()) + " bytes after the end of its data (from byte " +
            std::to_string(in.At()) + "); it is damaged or of a layout this program does not know";
    return false;
  }
  if ((rows + 1) * width * sizeof(std::uint64_t) + textBytes > kMaxSheetBytes) {
    error = "the file holds more than the " + std::to_string(kMaxSheetBytes >> 30) +
            " GB of observations this program gives a sheet";
    return false;
  }
  return GretlSheet(d, out, error);
}

bool ReadGdtbFile(const std::string& path, LabelledMatrix& out, std::string& error) {
  out = LabelledMatrix();
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && static_cast<unsigned long long>(st.st_size) > kMaxSheetBytes) {
    error = "the file is larger than the " + std::to_string(kMaxSheetBytes >> 30) +
            " GB this program gives a sheet; it is damaged or not meant for a model";
    return false;
  }
  std::string bytes;
  try {
    if (!ReadWholeFile(path, bytes, error)) return false;
    return ReadGdtbBytes(bytes, out, error);
  } catch (const std::bad_alloc&) {
    out = LabelledMatrix();
    error = "not enough memory to read it";
    return false;
  }
}

}  // namespace quantorial
