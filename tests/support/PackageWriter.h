#pragma once
// Test fixtures written on the spot: zip packages from named parts (with libzip), and
// OLE2 compound files holding one "Workbook" stream of BIFF records.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quantorial::testing {

// Writes a zip file with the given parts (name -> content). False when it fails.
bool WriteZip(const std::string& path, const std::map<std::string, std::string>& parts);

// The content of one part of a zip file, or nothing.
std::optional<std::string> ReadZipPart(const std::string& path, const std::string& part);

// BIFF records: type, then the bytes of the record.
class BiffStream {
 public:
  BiffStream& Record(std::uint16_t type, const std::string& data);
  const std::string& Bytes() const { return bytes_; }
  std::size_t Size() const { return bytes_.size(); }

  static std::string U16(unsigned v);
  static std::string U32(std::uint32_t v);
  static std::string F64(double v);
  // An 8-bit (compressed) XLUnicodeString with a 16-bit count.
  static std::string Str(const std::string& latin1);
  // A 16-bit (wide) XLUnicodeString with a 16-bit count from UTF-16 units.
  static std::string WideStr(const std::vector<std::uint16_t>& units);

 private:
  std::string bytes_;
};

// A compound file whose only stream is "Workbook" (or the name given) with these bytes
// (padded to at least 4096 bytes so that it lives in ordinary sectors).
std::string CompoundFile(std::string workbook, const std::string& streamName = "Workbook");

}  // namespace quantorial::testing
