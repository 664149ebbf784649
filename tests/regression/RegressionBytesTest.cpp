// The three files of a regression run on the bundled Klein data, under every method and both
// significance levels, pinned byte for byte. A second copy of the data with a blank cell and
// a text cell pins the files of data with cells that are not numbers. The files are pinned by
// their length and a 64-bit FNV-1a hash; a failure shows the bytes written.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "TempDir.h"
#include "io/DataFile.h"
#include "regression/Regression.h"

namespace quantorial {
namespace {

using testing::TempDir;

std::uint64_t Fnv1a(const std::string& bytes) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (const char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 0x100000001b3ull;
  }
  return h;
}

struct Pinned {
  const char* data;  // file in the samples or the regression test folder
  RegMethod method;
  bool onePercent;
  std::size_t reportSize, aSize, bSize;
  std::uint64_t report, a, b;
};

// The bytes written by the regression before its fitting, report text and file writing
// became separate pieces.
const Pinned kPinned[] = {
    {"klein.csv", RegMethod::Normal, false, 52944, 1056, 1106, 0x64149fcb6a16f80e, 0x4098292cb5cb7824,
     0xbdac69d6e57a9567},
    {"klein.csv", RegMethod::Normal, true, 52944, 982, 955, 0x64149fcb6a16f80e, 0x7e5624dcb49997c7, 0x39b60d61c12923c6},
    {"klein.csv", RegMethod::Lead, false, 53891, 1133, 1209, 0xb15fb284b428fde6, 0x810c0f7508713af2,
     0x6bb7db9184c3a047},
    {"klein.csv", RegMethod::Lead, true, 53891, 999, 966, 0xb15fb284b428fde6, 0x12cc6cab97a4442b, 0xd13c22c8485c389b},
    {"klein.csv", RegMethod::Lag, false, 53952, 972, 1127, 0x1ddecf793d0e02d8, 0xf19c03d4b2195066, 0xf5e78baa54795420},
    {"klein.csv", RegMethod::Lag, true, 53952, 912, 888, 0x1ddecf793d0e02d8, 0x940747c01496867, 0xd8ac00cf7d3b1ead},
    {"klein.csv", RegMethod::Constant, false, 5884, 141, 138, 0xbf600d4bc398cdfa, 0xe45f96cf160dbef9,
     0xa2d2da99934e7dc4},
    {"klein.csv", RegMethod::Constant, true, 5884, 141, 108, 0xbf600d4bc398cdfa, 0xe45f96cf160dbef9,
     0x15a23e27944fe89d},
    {"klein_gaps.csv", RegMethod::Normal, false, 52933, 1134, 1016, 0xe1d33cf7282d7c12, 0x717c136cbfcec8b0,
     0x4505cddcd189cee1},
    {"klein_gaps.csv", RegMethod::Normal, true, 52933, 1044, 895, 0xe1d33cf7282d7c12, 0xfe2ea105445d0645,
     0x6c21a113d1d93c62},
    {"klein_gaps.csv", RegMethod::Lead, false, 53904, 1194, 1103, 0xc72a35d6e14fa4a0, 0x61ce5a20abe82836,
     0xb668dd69a0e2ac39},
    {"klein_gaps.csv", RegMethod::Lead, true, 53904, 1029, 891, 0xc72a35d6e14fa4a0, 0x42498bfcb582e8ea,
     0x6bcf557936a12d5},
    {"klein_gaps.csv", RegMethod::Lag, false, 53987, 1047, 1023, 0x4d87f0b098c02a2c, 0xff3ec8d995e6e6bb,
     0xfabfd39ed7f0afea},
    {"klein_gaps.csv", RegMethod::Lag, true, 53987, 942, 814, 0x4d87f0b098c02a2c, 0x396d969ecf697e7f,
     0xcb6224ca39282a3f},
    {"klein_gaps.csv", RegMethod::Constant, false, 5876, 140, 138, 0xa505337a72aaf259, 0xe593c413551a542a,
     0xa2d2da99934e7dc4},
    {"klein_gaps.csv", RegMethod::Constant, true, 5876, 140, 108, 0xa505337a72aaf259, 0xe593c413551a542a,
     0x15a23e27944fe89d},
};

std::string DataPath(const std::string& name) {
  return name == "klein.csv" ? std::string(QUANTORIAL_SAMPLES_DIR) + "/" + name
                             : std::string(QUANTORIAL_REGRESSION_DATA) + "/" + name;
}

void ExpectPinned(const std::string& what, const std::string& bytes, std::size_t size, std::uint64_t hash) {
  EXPECT_TRUE(bytes.size() == size && Fnv1a(bytes) == hash)
      << what << ": " << bytes.size() << " bytes, hash 0x" << std::hex << Fnv1a(bytes) << ", pinned " << std::dec
      << size << " bytes, hash 0x" << std::hex << hash << "; the bytes written:\n"
      << bytes;
}

TEST(RegressionBytes, KleinFilesUnderEveryMethodAndLevel) {
  for (const Pinned& p : kPinned) {
    const std::string what = std::string(p.data) + " method " + std::to_string(static_cast<int>(p.method)) +
                             (p.onePercent ? " at 1 %" : " at 5 %");
    const DataFileResult read = ReadDataFile(DataPath(p.data));
    ASSERT_TRUE(read.matrix.IsAssigned()) << read.error;
    TempDir dir;
    RegressionResult result;
    std::string error;
    ASSERT_TRUE(CreateBMatrix(read.matrix, dir.File(p.data), p.method, p.onePercent, result, error))
        << what << ": " << error;
    ExpectPinned(what + " report", TempDir::Read(result.reportPath), p.reportSize, p.report);
    ExpectPinned(what + " A table", TempDir::Read(result.aPath), p.aSize, p.a);
    ExpectPinned(what + " B table", TempDir::Read(result.bPath), p.bSize, p.b);
  }
}

}  // namespace
}  // namespace quantorial
