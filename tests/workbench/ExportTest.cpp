// The export commands: the selected slot saved as a data file, the workbook preview opened on
// the desktop and a grid's export.

#include <gtest/gtest.h>

#include <filesystem>

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
using testing::E;
using testing::M;
using testing::ReadZipPart;
using testing::ScriptedHost;
using testing::T;
using testing::TempDir;

// The selected slot saved as a Stata or gretl data file through the save dialog: a name
// without an ending gets .dta, a slot of two matrices a second file, and what a format
// cannot hold, or an empty slot, is said.
TEST(Export, SaveAsDataFile) {
  TempDir dir;
  ScriptedHost host;
  Workbench wb(host, nullptr, dir.File("Data"));
  wb.ws.mCalculated = M({{T("Year"), T("y")}, {2001.0, 0.1}, {2002.0, E}});
  wb.form.cboArraysText = "";
  host.fileAnswers = {dir.File("calc")};
  wb.cmdSaveDataFile_Click();
  ASSERT_EQ(host.fileRequests.size(), 1u);
  EXPECT_EQ(host.fileRequests[0].filter, "Stata Data (*.dta)|*.dta|gretl Data (*.gdt)|*.gdt");
  EXPECT_EQ(host.CallsOf("MsgBox").size(), 0u);
  EXPECT_EQ(ReadDataFile(dir.File("calc.dta")).matrix, wb.ws.mCalculated);

  wb.ws.mImpact = M({{E, T("x")}, {T("y"), 0.5}});
  wb.ws.mImpactLag = M({{E, T("x")}, {T("y"), -0.5}});
  wb.form.cboArraysText = " 8. Impact Matrices B1/B2";
  host = ScriptedHost();
  host.fileAnswers = {dir.File("impact.gdt")};
  wb.cmdSaveDataFile_Click();
  EXPECT_EQ(host.CallsOf("MsgBox").size(), 0u);
  EXPECT_EQ(Dump(ReadDataFile(dir.File("impact.gdt")).matrix), "\"obs\",\"x\"\n\"y\",0.5\n");
  EXPECT_EQ(Dump(ReadDataFile(dir.File("impact2.gdt")).matrix), "\"obs\",\"x\"\n\"y\",-0.5\n");

  wb.form.cboArraysText = "";
  wb.ws.mCalculated = M({{T("Year"), T("y")}, {2001.0, T("n/a")}});
  host = ScriptedHost();
  host.fileAnswers = {dir.File("text.gdt")};
  wb.cmdSaveDataFile_Click();
  ASSERT_EQ(host.CallsOf("MsgBox").size(), 1u);
  EXPECT_EQ(host.CallsOf("MsgBox")[0].text,
            "Cannot write the data file \"" + dir.File("text.gdt") +
                "\": cell B2 holds the text \"n/a\"; a gretl data file holds numbers only");
  EXPECT_FALSE(std::filesystem::exists(dir.File("text.gdt")));

  wb.ws.mCalculated = LabelledMatrix();
  host = ScriptedHost();
  wb.cmdSaveDataFile_Click();
  EXPECT_TRUE(host.fileRequests.empty());
  ASSERT_EQ(host.CallsOf("MsgBox").size(), 1u);
  EXPECT_EQ(host.CallsOf("MsgBox")[0].text, "The selected matrix is empty; there is nothing to save.");
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
