#include <gtest/gtest.h>

#include "MatrixBuilder.h"
#include "ScriptedHost.h"
#include "TempDir.h"
#include "export/Export.h"
#include "workbench/Workbench.h"
#include "workspace/SlotTable.h"

namespace quantorial {
namespace {

using testing::Dump;
using testing::HostCall;
using testing::ScriptedHost;
using testing::TempDir;

const char* kPrimary = "Year,C,P\n1920,39.8,12.7\n1921,41.9,12.4\n";
const char* kBMat = ",C,P,G\nC,0,0.2,0.5\nP,0.1,0,0.3\n";
const char* kAMat = ",C,P,G\nC,1,2,3\nP,4,5,6\n";

class Loader : public ::testing::Test {
 protected:
  TempDir dir;
  ScriptedHost host;
  SettingsStore store{dir.File("store")};
  Workbench wb{host, &store, dir.File("Data")};
};

TEST_F(Loader, PrimaryFileFillsObservedAndItsCopy) {
  wb.ws.mRhsIO = LabelledMatrix::Dimension(2, 2);
  wb.SetTxtData(0, dir.Write("klein.csv", kPrimary));
  EXPECT_EQ(Dump(wb.ws.mObserved), "\"Year\",\"C\",\"P\"\n1920,39.8,12.7\n1921,41.9,12.4\n");
  EXPECT_EQ(wb.ws.mObservedOrig, wb.ws.mObserved);
  EXPECT_FALSE(wb.ws.mRhsIO.IsAssigned());
  EXPECT_EQ(host.PreviewCaptions(), (std::vector<std::string>{"0:Trend Matrix"}));
  const auto holds = host.CallsOf("HoldOn");
  ASSERT_EQ(holds.size(), 2u);
  EXPECT_EQ(holds[0].text, "Loading Worksheet.");
  EXPECT_EQ(holds[1].text, "");
  EXPECT_EQ(store.Get("TORVIK", "LastTrendFile"), dir.File("klein.csv"));
  EXPECT_FALSE(wb.ws.mBMat.IsAssigned());
  EXPECT_FALSE(wb.form.IsEnabled("cmdRunAll"));
}

// New data, or a new B-matrix, take the model worked out from the last ones with them: the
// impact variables, the series to chart, the slots Select Matrix lists, and the buttons of
// the later stages (Reciprocal, Dynamic Endo/Exo; Dynamic too with a new B-matrix).
TEST_F(Loader, NewDataOrBMatrixForgetTheLastModel) {
  const std::string samples = QUANTORIAL_SAMPLES_DIR;
  const std::string data = dir.Write("klein.csv", TempDir::Read(samples + "/klein.csv"));
  dir.Write("klein_NOR_BMAT.CSV", TempDir::Read(samples + "/klein_NOR_BMAT.CSV"));
  const std::string other = dir.Write("other.csv", TempDir::Read(samples + "/klein.csv"));
  const std::string otherB = dir.Write("other_BMAT.csv", TempDir::Read(samples + "/klein_NOR_BMAT.CSV"));
  const char* const later[] = {"cmdInvert",     "cmdMultiply",    "cmdTrend",     "cmdForecast",
                               "cmdReciprocal", "cmdDynamicEndo", "cmdDynamicExo"};
  struct Case {
    int box;
    const std::string* file;
    bool splitGoes;
  };
  for (const Case& c : {Case{0, &other, false}, Case{1, &otherB, true}}) {
    SCOPED_TRACE(c.box);
    wb.SetTxtData(0, data);
    ASSERT_TRUE(wb.ws.mBMat.IsFilled());
    host.inputAnswers = {std::string("4")};
    wb.cmdRunAll_Click();
    wb.cmdReciprocal_Click();
    wb.cmdSplitTable_Click();
    ASSERT_TRUE(wb.ws.mReciprocal.IsFilled());
    ASSERT_FALSE(wb.form.lstImpVars.empty());
    for (const char* b : later) ASSERT_TRUE(wb.form.IsEnabled(b)) << b;
    ASSERT_TRUE(wb.form.IsEnabled("cmdDynamicX"));
    const auto before = SelectMatrixItems(wb.ws);

    wb.SetTxtData(c.box, *c.file);
    EXPECT_TRUE(wb.form.lstImpVars.empty());
    EXPECT_TRUE(wb.form.cboPlot.empty());
    for (const char* b : later) EXPECT_FALSE(wb.form.IsEnabled(b)) << b;
    EXPECT_EQ(wb.form.IsEnabled("cmdDynamicX"), !c.splitGoes);
    const auto after = SelectMatrixItems(wb.ws);
    for (const LabelledMatrix* gone : {&wb.ws.mImpact, &wb.ws.mEndoInverse, &wb.ws.mCalculated, &wb.ws.mReciprocal}) {
      EXPECT_FALSE(gone->IsFilled());
    }
    EXPECT_LT(after.size(), before.size());
    EXPECT_TRUE(wb.form.IsEnabled("cmdRunAll"));
    wb.SetTxtData(0, "");
    wb.SetTxtData(1, "");
  }
}

// The aspiration box's example follows the data loaded (one year ending at their last, their
// first two variables), until the user writes their own, which stays.
TEST_F(Loader, TheAspirationExampleFollowsTheData) {
  EXPECT_EQ(wb.form.txtAspire, "1~2006~GrthRt+0.1, INFLRT-5%  ");
  wb.SetTxtData(0, dir.Write("klein.csv", kPrimary));
  EXPECT_EQ(wb.form.txtAspire, "1~1921~C+0.1, P-5%");
  wb.SetTxtData(0, dir.Write("one.csv", "Year,Q\n1990,1\n1991,2\n"));
  EXPECT_EQ(wb.form.txtAspire, "1~1991~Q+0.1");
  wb.form.txtAspire = "2~1990~Q+1";
  wb.SetTxtData(0, dir.File("klein.csv"));
  EXPECT_EQ(wb.form.txtAspire, "2~1990~Q+1");
}

TEST_F(Loader, SecondaryFileWithItsAMatrix) {
  dir.Write("model_BMAT.csv", kBMat);
  dir.Write("model_AMAT.csv", kAMat);
  wb.SetTxtData(1, dir.File("model_BMAT.csv"));
  EXPECT_EQ(Dump(wb.ws.mBMat), ",\"C\",\"P\",\"G\"\n\"C\",0,0.2,0.5\n\"P\",0.1,0,0.3\n");
  EXPECT_EQ(Dump(wb.ws.mAMat), ",\"C\",\"P\",\"G\"\n\"C\",1,2,3\n\"P\",4,5,6\n");
  EXPECT_EQ(wb.form.txtRows, "2");
  EXPECT_EQ(wb.form.txtCols, "3");
  EXPECT_EQ(host.PreviewCaptions(), (std::vector<std::string>{"2:Normal BMAT Matrix", "3:Normal AMAT Matrix"}));
  for (const char* c : {"cmdEXV", "cmdRunAll", "cmdSplitTable"}) EXPECT_TRUE(wb.form.IsEnabled(c)) << c;
  EXPECT_FALSE(wb.form.IsEnabled("cmdInvert"));
  EXPECT_EQ(store.Get("TORVIK", "LastTestFile"), dir.File("model_BMAT.csv"));
}

// An A-matrix comes only from its own companion file: a secondary file whose name holds no
// "BMAT" is not loaded a second time as its own A-matrix (grid 3 stays empty).
TEST_F(Loader, SecondaryFileWithoutBmatInItsNameHasNoAMatrix) {
  wb.ws.bTableSplit = true;
  wb.SetTxtData(1, dir.Write("coefficients.csv", kBMat));
  EXPECT_TRUE(wb.ws.mBMat.IsFilled());
  EXPECT_FALSE(wb.ws.mAMat.IsAssigned());
  EXPECT_EQ(host.PreviewCaptions(), (std::vector<std::string>{"2:Normal BMAT Matrix"}));
  EXPECT_FALSE(wb.ws.bTableSplit);
  // Without a companion file the A-matrix is empty.
  wb.SetTxtData(1, dir.Write("other_BMAT.csv", kBMat));
  EXPECT_FALSE(wb.ws.mAMat.IsAssigned());
}

TEST_F(Loader, PairedFilesLoadEachOtherWithoutLooping) {
  const std::string primary = dir.Write("klein.csv", kPrimary);
  const std::string paired = dir.Write("klein_NOR_BMAT.CSV", kBMat);
  dir.Write("klein_NOR_AMAT.CSV", kAMat);
  wb.SetTxtData(0, primary);
  EXPECT_EQ(wb.form.txtData[1], paired);
  EXPECT_TRUE(wb.ws.mBMat.IsFilled());
  EXPECT_TRUE(wb.ws.mAMat.IsFilled());
  EXPECT_EQ(host.CallsOf("Preview").size(), 3u);  // the primary once, B and A once each

  // The B-matrix alone brings the primary file along.
  ScriptedHost host2;
  Workbench other(host2, nullptr, dir.path().string());
  other.SetTxtData(1, paired);
  EXPECT_EQ(other.form.txtData[0], primary);
  EXPECT_TRUE(other.ws.mObserved.IsFilled());
  EXPECT_TRUE(other.ws.mBMat.IsFilled());
  EXPECT_EQ(host2.CallsOf("Preview").size(), 3u);
}

TEST_F(Loader, OfSeveralPrimaryFilesTheLastInOrderStays) {
  dir.Write("gdp.xls", "not used");  // content does not matter here: it is replaced below
  dir.Write("gdp.csv", "Year,X\n2000,1\n");
  std::filesystem::copy_file(std::string(QUANTORIAL_FIXTURES) + "/workbook.xls", dir.File("gdp.xls"),
                             std::filesystem::copy_options::overwrite_existing);
  wb.SetTxtData(1, dir.Write("gdp_NOR_BMAT.CSV", kBMat));
  EXPECT_EQ(wb.form.txtData[0], dir.File("gdp.csv"));
  EXPECT_EQ(Dump(wb.ws.mObserved), "\"Year\",\"X\"\n2000,1\n");
  EXPECT_EQ(host.CallsOf("Preview")[0].matrix.UpperRow(), 3);  // the .xls came first
}

TEST_F(Loader, PairedNameRules) {
  EXPECT_EQ(PairedBMatPath("/data/klein.csv"), "/data/klein_NOR_BMAT.CSV");
  EXPECT_EQ(PairedBMatPath("/data/klein"), "/data/klein_NOR_BMAT.CSV");
  EXPECT_EQ(PairedBMatPath("/data/v1.2/klein"), "/data/v1.2/klein_NOR_BMAT.CSV");
  EXPECT_EQ(PairedBMatPath("/data/a.b.xlsx"), "/data/a.b_NOR_BMAT.CSV");
  EXPECT_EQ(AMatPathOf("/BMAT/x_NOR_BMAT.CSV"), "/BMAT/x_NOR_AMAT.CSV");
  EXPECT_EQ(AMatPathOf("/d/BMATBMAT.csv"), "/d/AMATAMAT.csv");
  // A file not named as a B-matrix has no A-matrix companion (it is not its own A-matrix);
  // the name is case-sensitive.
  EXPECT_EQ(AMatPathOf("/d/bmat.csv"), "");
  EXPECT_EQ(AMatPathOf("/BMAT/coefficients.csv"), "");
}

// A blank path loads nothing and says nothing; a path to a file that is not there loads
// nothing and fails, naming it (and it is not remembered).
TEST_F(Loader, EmptyOrMissingPathsLoadNothing) {
  for (int i = 0; i < 3; ++i) wb.SetTxtData(i, "   ");
  EXPECT_TRUE(host.calls.empty());
  const char* which[3] = {"primary", "secondary", "extended"};
  for (int i = 0; i < 3; ++i) {
    host = ScriptedHost();
    const std::string missing = dir.File("missing" + std::to_string(i) + ".csv");
    wb.SetTxtData(i, missing);
    ASSERT_EQ(host.Messages().size(), 1u);
    EXPECT_EQ(host.Messages()[0], "The " + std::string(which[i]) + " data file \"" + missing +
                                      "\" does not exist: check the path, or choose the file with its Select "
                                      "button. Nothing was loaded.");
    EXPECT_TRUE(wb.LastOutcome().Failed());
  }
  EXPECT_FALSE(wb.ws.mObserved.IsAssigned());
  EXPECT_EQ(store.Get("TORVIK", "LastTrendFile"), std::nullopt);
}

// A file that does not load, and a temporary preview workbook the desktop handed to this
// program, never come back at the next start: the earlier last file stays, and what needs
// the data that did not load is disabled.
TEST_F(Loader, OnlyFilesThatLoadAreRememberedAndNeverTemporaryPreviews) {
  const std::string good = dir.Write("good.csv", kPrimary);
  const std::string goodB = dir.Write("good_b.csv", kBMat);
  struct Case {
    int index;
    const char* key;
    std::string path, remembered;
    std::vector<const char*> disabled;
  };
  const std::string broken = dir.Write("broken.csv", "a,\"b\n");
  std::string error;
  const std::string preview = dir.File("KRV-TMP-101010am.xlsx");
  ASSERT_TRUE(ExportWorksheet(testing::M({{testing::E, testing::T("C"), testing::T("P")}, {testing::T("C"), 0.0, 0.2}}),
                              preview, error))
      << error;
  const Case cases[] = {
      {0, "LastTrendFile", broken, good, {"cmdRunAll", "cmdTrend", "cmdChart", "cmdForecast"}},
      {0, "LastTrendFile", preview, good, {}},
      {1, "LastTestFile", broken, goodB, {"cmdEXV", "cmdRunAll", "cmdSplitTable"}},
      {1, "LastTestFile", preview, goodB, {}},
      {2, "LastExtendedFile", broken, good, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + " " + c.path);
    ScriptedHost h;
    Workbench bench{h, &store, dir.File("Data")};
    bench.SetTxtData(c.index, c.index == 1 ? goodB : good);
    ASSERT_EQ(store.Get("TORVIK", c.key), c.remembered);
    for (const char* control : c.disabled) bench.form.Enable(control, true);
    bench.SetTxtData(c.index, c.path);
    EXPECT_EQ(store.Get("TORVIK", c.key), c.remembered);
    for (const char* control : c.disabled) EXPECT_FALSE(bench.form.IsEnabled(control)) << control;
    const LabelledMatrix& loaded = c.index == 0   ? bench.ws.mObserved
                                   : c.index == 1 ? bench.ws.mBMat
                                                  : bench.ws.mExtended;
    EXPECT_EQ(loaded.IsFilled(), c.path == preview);
    if (c.path == broken) {
      ASSERT_FALSE(h.Messages().empty());
      EXPECT_NE(h.Messages().back().find(broken), std::string::npos);
    }
  }
  EXPECT_TRUE(IsTemporaryWorkbook("/d/KRV-TMP-120000pm.xlsx"));
  EXPECT_FALSE(IsTemporaryWorkbook("/d/KRV-TMP-120000pm.csv"));
  EXPECT_FALSE(IsTemporaryWorkbook("/KRV-TMP-/data.xlsx"));
}

TEST_F(Loader, ExtendedFile) {
  wb.SetTxtData(2, dir.Write("extended.csv", kPrimary));
  EXPECT_TRUE(wb.ws.mExtended.IsFilled());
  EXPECT_EQ(host.PreviewCaptions(), (std::vector<std::string>{"4:Extended Data"}));
  EXPECT_EQ(store.Get("TORVIK", "LastExtendedFile"), dir.File("extended.csv"));
}

TEST_F(Loader, SelectFileClearsTheTaskForThePrimaryFile) {
  const std::string first = dir.Write("first.csv", kPrimary);
  wb.SetTxtData(1, dir.Write("m_BMAT.csv", kBMat));
  wb.ws.mCalculated = LabelledMatrix::Dimension(2, 2);
  store.SaveDbSetting("quantorial", "ChartTitle", "My title");
  host = ScriptedHost();
  host.fileAnswers = {first};
  wb.cmdSelectFile_Click(0);
  ASSERT_EQ(host.fileRequests.size(), 1u);
  EXPECT_EQ(host.fileRequests[0].title, "Select Data File");
  EXPECT_EQ(host.fileRequests[0].initialFolder, dir.File("Data"));
  EXPECT_EQ(host.fileRequests[0].filter,
            "Microsoft Excel (*.xls;*.xlsx;*.csv)|*.xls;*.xlsx;*.csv|Comma Separated Values (*.csv;*.txt)|*.csv;*.txt|"
            "OpenDocument Spreadsheet (*.ods)|*.ods|"
            "All Data Files (*.xls;*.xlsx;*.xlsm;*.ods;*.csv;*.txt)|*.xls;*.xlsx;*.xlsm;*.ods;*.csv;*.txt|"
            "Stata Data (*.dta)|*.dta|SPSS Data (*.sav;*.zsav;*.por)|*.sav;*.zsav;*.por|"
            "SAS Data (*.sas7bdat;*.xpt)|*.sas7bdat;*.xpt|gretl Data (*.gdt;*.gdtb)|*.gdt;*.gdtb|"
            "Statistics Data Files (*.dta;*.sav;*.zsav;*.por;*.sas7bdat;*.xpt;*.gdt;*.gdtb)|"
            "*.dta;*.sav;*.zsav;*.por;*.sas7bdat;*.xpt;*.gdt;*.gdtb");
  // Clear Task ran first: the B-matrix box is empty and the pipeline disabled again.
  EXPECT_EQ(wb.form.txtData[0], first);
  EXPECT_EQ(wb.form.txtData[1], "");
  EXPECT_EQ(wb.form.txtRows, "");
  EXPECT_FALSE(wb.form.IsEnabled("cmdRunAll"));
  EXPECT_FALSE(wb.ws.mCalculated.IsAssigned());
  EXPECT_TRUE(wb.ws.mObserved.IsFilled());
  EXPECT_TRUE(wb.ws.mBMat.IsFilled());  // other slots keep their contents
  EXPECT_EQ(store.Get("quantorial", "ChartTitle"), "");
  int cleared = 0;
  for (const auto& c : host.CallsOf("ClearGrid")) cleared |= 1 << c.number;
  EXPECT_EQ(cleared, 0b111111);
}

TEST_F(Loader, ChoosingTheSameFileAgainReloadsIt) {
  const std::string b = dir.Write("m_BMAT.csv", kBMat);
  host.fileAnswers = {b, b, std::nullopt};
  wb.cmdSelectFile_Click(1);
  dir.Write("m_BMAT.csv", ",C\nC,0.9\n");  // edited in the meantime
  wb.cmdSelectFile_Click(1);
  EXPECT_EQ(Dump(wb.ws.mBMat), ",\"C\"\n\"C\",0.9\n");
  wb.cmdSelectFile_Click(1);  // cancelled: nothing changes
  EXPECT_EQ(Dump(wb.ws.mBMat), ",\"C\"\n\"C\",0.9\n");
}

TEST_F(Loader, LastFilesComeBackAtTheNextStart) {
  const std::string primary = dir.Write("klein.csv", kPrimary);
  const std::string bmat = dir.Write("model_BMAT.csv", kBMat);
  wb.SetTxtData(0, primary);
  wb.SetTxtData(1, bmat);
  ScriptedHost host2;
  Workbench restarted(host2, &store, dir.File("Data"));
  restarted.Form_Load();
  EXPECT_EQ(restarted.form.txtData[0], primary);
  EXPECT_EQ(restarted.form.txtData[1], bmat);
  EXPECT_EQ(restarted.ws.mObserved, wb.ws.mObserved);
  EXPECT_EQ(restarted.ws.mBMat, wb.ws.mBMat);
  // A stored file that is gone leaves its name in the box and loads nothing.
  std::filesystem::remove(primary);
  ScriptedHost host3;
  Workbench third(host3, &store, dir.File("Data"));
  third.Form_Load();
  EXPECT_EQ(third.form.txtData[0], primary);
  EXPECT_FALSE(third.ws.mObserved.IsAssigned());
}

TEST_F(Loader, MatrixMenuThroughTheWorkbench) {
  host.fileAnswers = {dir.Write("a.csv", ",p\nx,4\n")};
  wb.RunMatrixMenu(MatrixMenuItem::mnuReciprocal);
  EXPECT_EQ(Dump(wb.ws.mLindoBase), ",\"p\"\n\"x\",0.25\n");
  EXPECT_EQ(host.fileRequests[0].initialFolder, dir.File("Data"));
}

}  // namespace
}  // namespace quantorial
