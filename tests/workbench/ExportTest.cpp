#include <gtest/gtest.h>

#include "MatrixBuilder.h"
#include "PackageWriter.h"
#include "ScriptedHost.h"
#include "TempDir.h"
#include "export/Export.h"
#include "io/DataFile.h"
#include "workbench/Workbench.h"

namespace quantorial {
namespace {

using testing::Dump;
using testing::M;
using testing::ReadZipPart;
using testing::ScriptedHost;
using testing::TempDir;

const Cell E;
Cell T(const char* s) { return Cell(std::string(s)); }

TEST(Export, ValuesReadBackAndTheColumnCut) {
  TempDir dir;
  LabelledMatrix wide = LabelledMatrix::Dimension(2, 150);
  for (int j = 0; j <= 150; ++j) {
    wide.Set(0, j, "c" + std::to_string(j));
    wide.Set(1, j, static_cast<double>(j));
    wide.Set(2, j, std::string(j % 2 ? "12.5" : "text"));
  }
  std::string error;
  ASSERT_TRUE(ExportArrayToExcel(wide, dir.File("wide"), 2, 3, "Data", "", 0, 0, error)) << error;
  const auto r = ReadDataFile(dir.File("wide.xlsx"));
  ASSERT_EQ(r.error, "");
  // The block starts at C2; columns beyond the 128th (DX) are cut: 126 of the matrix's.
  EXPECT_EQ(r.matrix.Cols(), 125);
  EXPECT_EQ(r.matrix.Get(0, 0), Cell(std::string("c0")));
  EXPECT_EQ(r.matrix.Get(1, 125), Cell(125.0));
  EXPECT_EQ(r.matrix.Get(2, 1), Cell(12.5));  // a text reading as a number is written as one
  EXPECT_NE(ReadZipPart(dir.File("wide.xlsx"), "xl/workbook.xml")->find("name=\"Data\""), std::string::npos);
  // The last row and a refused format source.
  ASSERT_TRUE(ExportArrayToExcel(wide, dir.File("short"), 1, 1, "", "", 1, 0, error));
  EXPECT_EQ(ReadDataFile(dir.File("short.xlsx")).matrix.Rows(), 1);
  EXPECT_FALSE(ExportArrayToExcel(wide, dir.File("fmt"), 1, 1, "", "FIT", 0, 0, error));
  EXPECT_FALSE(std::filesystem::exists(dir.File("fmt.xlsx")));
  EXPECT_TRUE(ExportArrayToExcel(LabelledMatrix(), dir.File("none"), 1, 1, "", "", 0, 0, error));
  EXPECT_FALSE(std::filesystem::exists(dir.File("none.xlsx")));
}

TEST(Export, ExcelPreviewAndGridExport) {
  TempDir dir;
  ScriptedHost host;
  Workbench wb(host, nullptr, dir.File("Data"));
  std::filesystem::create_directories(dir.File("Data"));
  dir.Write("Data/KRV-TMP-010203am.xlsx", "old");
  dir.Write("Data/KRV-TMP-old.xls", "old");
  dir.Write("Data/keep.xlsx", "mine");
  wb.ws.mCalculated = M({{T("Year"), T("y")}, {2001.0, 11.0}});
  wb.form.cboArraysText = "";
  wb.cmdViewMatrix_Click();
  auto opened = host.CallsOf("OpenWithDesktop");
  ASSERT_EQ(opened.size(), 1u);
  const std::string path = opened[0].text;
  EXPECT_NE(path.find("/Data/KRV-TMP-"), std::string::npos);
  EXPECT_NE(ReadZipPart(path, "xl/workbook.xml")->find("name=\"Forecast Data\""), std::string::npos);
  EXPECT_EQ(Dump(ReadDataFile(path).matrix), "\"Year\",\"y\"\n2001,11\n");
  EXPECT_FALSE(std::filesystem::exists(dir.File("Data/KRV-TMP-010203am.xlsx")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("Data/KRV-TMP-old.xls")));
  EXPECT_TRUE(std::filesystem::exists(dir.File("Data/keep.xlsx")));
  // Slot 8 is two workbooks.
  wb.ws.mImpact = M({{E, T("x(t)")}, {T("y"), 0.5}});
  wb.ws.mImpactLag = M({{E, T("x(t-1)")}, {T("y"), -0.5}});
  wb.form.cboArraysText = " 8. Impact Matrices B1/B2";
  host = ScriptedHost();
  wb.cmdViewMatrix_Click();
  opened = host.CallsOf("OpenWithDesktop");
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_NE(ReadZipPart(opened[0].text, "xl/workbook.xml")->find("ImpactMutiplier2"), std::string::npos);
  EXPECT_NE(ReadZipPart(opened[1].text, "xl/workbook.xml")->find("ImpactMutiplier1"), std::string::npos);
  // Enter on a grid writes its texts, numbers as numbers.
  host = ScriptedHost();
  wb.grdShow_KeyPress(5, M({{T("Year"), T("y")}, {T("2001.0000"), T("11.0000")}}));
  opened = host.CallsOf("OpenWithDesktop");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_NE(ReadZipPart(opened[0].text, "xl/workbook.xml")->find("name=\"GridViewSix\""), std::string::npos);
  EXPECT_EQ(Dump(ReadDataFile(opened[0].text).matrix), "\"Year\",\"y\"\n2001,11\n");
  EXPECT_EQ(TemporaryStamp().size(), 8u);
}

}  // namespace
}  // namespace quantorial
