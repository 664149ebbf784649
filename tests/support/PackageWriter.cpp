#include "PackageWriter.h"

#include <zip.h>

#include <cstdlib>
#include <cstring>

namespace quantorial::testing {

bool WriteZip(const std::string& path, const std::map<std::string, std::string>& parts) {
  int err = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
  if (!z) return false;
  for (const auto& [name, content] : parts) {
    // libzip frees the copy with the source; an empty part needs no buffer at all.
    void* copy = nullptr;
    if (!content.empty()) {
      copy = std::malloc(content.size());
      std::memcpy(copy, content.data(), content.size());
    }
    zip_source_t* src = zip_source_buffer(z, copy, content.size(), copy != nullptr);
    if (!src) std::free(copy);
    if (!src || zip_file_add(z, name.c_str(), src, ZIP_FL_ENC_UTF_8) < 0) {
      if (src) zip_source_free(src);
      zip_discard(z);
      return false;
    }
  }
  return zip_close(z) == 0;
}

std::optional<std::string> ReadZipPart(const std::string& path, const std::string& part) {
  int err = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &err);
  if (!z) return std::nullopt;
  std::optional<std::string> out;
  if (zip_file_t* f = zip_fopen(z, part.c_str(), 0)) {
    std::string s;
    char buf[4096];
    zip_int64_t n;
    while ((n = zip_fread(f, buf, sizeof buf)) > 0) s.append(buf, static_cast<std::size_t>(n));
    zip_fclose(f);
    out = s;
  }
  zip_close(z);
  return out;
}

BiffStream& BiffStream::Record(std::uint16_t type, const std::string& data) {
  bytes_ += U16(type) + U16(static_cast<unsigned>(data.size())) + data;
  return *this;
}

std::string BiffStream::U16(unsigned v) {
  return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}

std::string BiffStream::U32(std::uint32_t v) { return U16(v & 0xFFFF) + U16(v >> 16); }

std::string BiffStream::F64(double v) {
  std::string s(8, '\0');
  std::memcpy(s.data(), &v, 8);
  return s;
}

std::string BiffStream::Str(const std::string& latin1) {
  return U16(static_cast<unsigned>(latin1.size())) + std::string(1, '\0') + latin1;
}

std::string BiffStream::WideStr(const std::vector<std::uint16_t>& units) {
  std::string s = U16(static_cast<unsigned>(units.size())) + std::string(1, '\x01');
  for (auto u : units) s += U16(u);
  return s;
}

std::string CompoundFile(std::string workbook, const std::string& streamName) {
  constexpr std::size_t kSector = 512;
  if (workbook.size() < 4096) workbook.resize(4096, '\0');
  const std::size_t streamSize = workbook.size();
  const std::size_t streamSectors = (streamSize + kSector - 1) / kSector;
  workbook.resize(streamSectors * kSector, '\0');
  // Sector 0: the allocation table; sector 1: the directory; sectors 2..: the stream.
  std::string fat;
  auto u32 = [](std::uint32_t v) { return BiffStream::U32(v); };
  fat += u32(0xFFFFFFFD);  // the table's own sector
  fat += u32(0xFFFFFFFE);  // the directory: one sector
  for (std::size_t i = 0; i < streamSectors; ++i) {
    fat += u32(i + 1 < streamSectors ? static_cast<std::uint32_t>(3 + i) : 0xFFFFFFFE);
  }
  while (fat.size() < kSector) fat += u32(0xFFFFFFFF);

  auto entry = [&](const std::string& name, unsigned char type, std::uint32_t start, std::uint32_t size) {
    std::string e(128, '\0');
    for (std::size_t i = 0; i < name.size(); ++i) e[2 * i] = name[i];
    const std::string len = BiffStream::U16(static_cast<unsigned>(2 * (name.size() + 1)));
    e[0x40] = len[0];
    e[0x41] = len[1];
    e[0x42] = static_cast<char>(type);
    const std::string none = u32(0xFFFFFFFF);
    e.replace(0x44, 4, none);                       // left sibling
    e.replace(0x48, 4, none);                       // right sibling
    e.replace(0x4C, 4, type == 5 ? u32(1) : none);  // child of the root: entry 1
    e.replace(0x74, 4, u32(start));
    e.replace(0x78, 4, u32(size));
    return e;
  };
  std::string dir =
      entry("Root Entry", 5, 0xFFFFFFFE, 0) + entry(streamName, 2, 2, static_cast<std::uint32_t>(streamSize));
  dir.resize(kSector, '\0');

  std::string header(512, '\0');
  const char sig[8] = {'\xD0', '\xCF', '\x11', '\xE0', '\xA1', '\xB1', '\x1A', '\xE1'};
  header.replace(0, 8, sig, 8);
  header.replace(0x18, 2, BiffStream::U16(0x3E));
  header.replace(0x1A, 2, BiffStream::U16(3));
  header.replace(0x1C, 2, BiffStream::U16(0xFFFE));
  header.replace(0x1E, 2, BiffStream::U16(9));
  header.replace(0x20, 2, BiffStream::U16(6));
  header.replace(0x2C, 4, u32(1));           // one FAT sector
  header.replace(0x30, 4, u32(1));           // directory at sector 1
  header.replace(0x38, 4, u32(4096));        // mini stream cutoff
  header.replace(0x3C, 4, u32(0xFFFFFFFE));  // no mini FAT
  header.replace(0x44, 4, u32(0xFFFFFFFE));  // no further DIFAT
  header.replace(0x4C, 4, u32(0));           // FAT in sector 0
  for (std::size_t i = 1; i < 109; ++i) header.replace(0x4C + 4 * i, 4, u32(0xFFFFFFFF));
  return header + fat + dir + workbook;
}

}  // namespace quantorial::testing
