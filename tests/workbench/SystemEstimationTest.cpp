#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "WorkbenchFixture.h"
#include "io/AtomicFile.h"
#include "systems/Model.h"
#include "workbench/CommandTable.h"
#include "workbench/ScriptPlayer.h"
#include "workbench/Workbench.h"
#include "workspace/ValueRules.h"

namespace quantorial {
namespace {

const std::string kSamples = QUANTORIAL_SAMPLES_DIR;

class SystemEstimation : public testing::WorkbenchFixture {
 protected:
  void Do(ActionKind kind, const std::string& control, const std::string& text = "",
          std::vector<std::string> items = {}) {
    std::string error;
    Action a;
    a.kind = kind;
    a.control = control;
    a.text = text;
    a.items = std::move(items);
    ASSERT_TRUE(Perform(wb, a, error)) << control << ": " << error;
  }
  // The Klein data without the sample B-matrix beside it.
  void LoadKlein() {
    std::filesystem::copy_file(kSamples + "/klein.csv", dir.File("klein.csv"));
    wb.SetTxtData(0, dir.File("klein.csv"));
    ASSERT_TRUE(wb.ws.mObserved.IsFilled());
  }
};

// Solves A x = b by Gaussian elimination with partial pivoting.
std::vector<double> Solve(std::vector<std::vector<double>> A, std::vector<double> b) {
  const std::size_t n = b.size();
  for (std::size_t k = 0; k < n; ++k) {
    std::size_t p = k;
    for (std::size_t i = k + 1; i < n; ++i) {
      if (std::fabs(A[i][k]) > std::fabs(A[p][k])) p = i;
    }
    std::swap(A[k], A[p]);
    std::swap(b[k], b[p]);
    for (std::size_t i = k + 1; i < n; ++i) {
      const double f = A[i][k] / A[k][k];
      for (std::size_t j = k; j < n; ++j) A[i][j] -= f * A[k][j];
      b[i] -= f * b[k];
    }
  }
  std::vector<double> x(n);
  for (std::size_t k = n; k-- > 0;) {
    double s = b[k];
    for (std::size_t j = k + 1; j < n; ++j) s -= A[k][j] * x[j];
    x[k] = s / A[k][k];
  }
  return x;
}

// The estimated Klein model handed to the workbench: after Run ALL the impact multipliers
// are the reduced form Gamma^-1 B, here assembled from the model's equations and identities
// and solved column by column.
TEST_F(SystemEstimation, RunAllOnTheEstimatedModelGivesTheReducedForm) {
  LoadKlein();
  Do(ActionKind::Click, "mnuEstimateSystem");
  std::string system, error;
  ASSERT_TRUE(ReadWholeFile(kSamples + "/klein.sys", system, error)) << error;
  Do(ActionKind::Set, "frmEstimate.txtSystem", EscapeLineBreaks(system));
  Do(ActionKind::Select, "frmEstimate.cboMethod", "", {"3SLS"});
  Do(ActionKind::Click, "frmEstimate.cmdEstimate");
  SystemEstimationWindow& w = *wb.EstimationWindow();
  ASSERT_TRUE(w.Outcome().has_value()) << w.txtReport;
  EXPECT_EQ(w.txtReport.rfind("System estimated by 3SLS\nSample: 1921-1941 (21 observations)", 0), 0u);
  const Model model = w.Outcome()->model;

  Do(ActionKind::Click, "frmEstimate.cmdUseInWorkbench");
  EXPECT_EQ(wb.form.txtData[0], dir.File("system_3sls.csv"));
  EXPECT_EQ(wb.form.txtData[1], dir.File("system_3sls_NOR_BMAT.CSV"));
  EXPECT_EQ(wb.form.txtRows, "7");  // the endogenous count is preset
  EXPECT_EQ(wb.form.txtCols, "15");

  host.inputAnswers.push_back(wb.form.txtRows);
  Do(ActionKind::Click, "cmdRunAll");
  const LabelledMatrix& impact = wb.ws.mImpact;
  ASSERT_EQ(impact.UpperRow(), 7);
  ASSERT_EQ(impact.UpperCol(), 8);

  // Gamma y = B x, one row per equation and identity in the order of the endogenous list.
  const auto& endo = model.endogenous;
  const auto& exo = model.exogenous;
  auto at = [](const std::vector<std::string>& list, const std::string& name) {
    return static_cast<std::size_t>(std::find(list.begin(), list.end(), name) - list.begin());
  };
  std::vector<std::vector<double>> gamma(7, std::vector<double>(7, 0.0)), b(7, std::vector<double>(8, 0.0));
  auto put = [&](const std::string& dependent, const std::string& name, double coef) {
    const std::size_t r = at(endo, dependent);
    if (at(endo, name) < endo.size()) {
      gamma[r][at(endo, name)] -= coef;
    } else {
      b[r][at(exo, name)] += coef;
    }
  };
  for (const auto& eq : model.equations) {
    gamma[at(endo, eq.dependent)][at(endo, eq.dependent)] += 1;
    for (std::size_t j = 0; j < eq.regressors.size(); ++j) put(eq.dependent, eq.regressors[j], eq.coefficients[j]);
  }
  for (const auto& id : model.identities) {
    gamma[at(endo, id.dependent)][at(endo, id.dependent)] += 1;
    for (const auto& [name, coef] : id.terms) put(id.dependent, name, coef);
  }
  for (std::size_t k = 0; k < exo.size(); ++k) {
    std::vector<double> column(7);
    for (std::size_t i = 0; i < 7; ++i) column[i] = b[i][k];
    const std::vector<double> pi = Solve(gamma, column);
    EXPECT_EQ(CellText(impact.Get(0, static_cast<int>(k) + 1)).find(exo[k]) != std::string::npos, true)
        << CellText(impact.Get(0, static_cast<int>(k) + 1));
    for (std::size_t i = 0; i < 7; ++i) {
      const auto v = ArithmeticValue(impact.Get(static_cast<int>(i) + 1, static_cast<int>(k) + 1));
      ASSERT_TRUE(v.has_value());
      // The stages agree with the elimination here to about seven significant digits.
      EXPECT_NEAR(*v, pi[i], 1e-6 * std::max(1.0, std::fabs(pi[i]))) << endo[i] << " on " << exo[k];
    }
  }
  // A known entry: a unit of government spending G raises demand X by the multiplier.
  EXPECT_GT(*ArithmeticValue(impact.Get(static_cast<int>(at(endo, "X")) + 1, static_cast<int>(at(exo, "G")) + 1)), 1);
}

TEST_F(SystemEstimation, ProblemsAreToldAndNothingIsWritten) {
  Do(ActionKind::Click, "mnuEstimateSystem");
  Do(ActionKind::Click, "frmEstimate.cmdUseInWorkbench");
  EXPECT_EQ(host.CallsOf("MsgBox").back().text, "There is no estimated model yet: estimate the system first.");
  Do(ActionKind::Set, "frmEstimate.txtSystem", "equation C const P\\nidentity P X");
  Do(ActionKind::Click, "frmEstimate.cmdEstimate");
  EXPECT_EQ(host.CallsOf("MsgBox").back().text,
            "The system cannot be read: line 2: identity P needs \"=\" after its name");
  Do(ActionKind::Set, "frmEstimate.txtSystem", "equation C const P");
  Do(ActionKind::Click, "frmEstimate.cmdEstimate");
  EXPECT_EQ(host.CallsOf("MsgBox").back().text,
            "There is no primary data file loaded: load the data the system is estimated on first.");
  LoadKlein();
  Do(ActionKind::Set, "frmEstimate.txtSample", "1941:1900");
  Do(ActionKind::Click, "frmEstimate.cmdEstimate");
  EXPECT_EQ(host.CallsOf("MsgBox").back().text,
            "\"1941:1900\" is not a sample: write the first and last year, such as 1921:1941.");
  Do(ActionKind::Set, "frmEstimate.txtSample", "");
  Do(ActionKind::Set, "frmEstimate.txtSystem", "equation C const P Nope");
  Do(ActionKind::Click, "frmEstimate.cmdEstimate");
  EXPECT_EQ(host.CallsOf("MsgBox").back().text, "The system cannot be estimated: line 1: the data has no series Nope");
  EXPECT_FALSE(wb.EstimationWindow()->Outcome().has_value());
  EXPECT_FALSE(std::filesystem::exists(dir.File("system_3sls.csv")));

  Do(ActionKind::Set, "frmEstimate.txtSample", "1935:");
  Do(ActionKind::Click, "frmEstimate.cmdClose");
  EXPECT_EQ(wb.EstimationWindow(), nullptr);
  std::string error;
  Action a;
  a.control = "frmEstimate.cmdEstimate";
  EXPECT_FALSE(Perform(wb, a, error));
  EXPECT_EQ(error, "\"Estimate System\" (frmEstimate) is not open");
  // Opened again, it holds the system and the sample it was closed with.
  Do(ActionKind::Click, "mnuEstimateSystem");
  ASSERT_NE(wb.EstimationWindow(), nullptr);
  EXPECT_EQ(wb.EstimationWindow()->txtSystem, "equation C const P Nope");
  EXPECT_EQ(wb.EstimationWindow()->txtSample, "1935:");
}

// A script drives the window as a person would: the system set on one line, the method
// chosen, Estimate, Use in Workbench and Run ALL; the impact multipliers are dumped.
TEST(SystemEstimationScript, AScriptEstimatesAndRunsTheModel) {
  testing::TempDir dir;
  std::filesystem::copy_file(kSamples + "/klein.csv", dir.File("klein.csv"));
  std::string system, error;
  ASSERT_TRUE(ReadWholeFile(kSamples + "/klein.sys", system, error)) << error;
  const std::string script =
      "set txtData(0) klein.csv\n"
      "click mnuEstimateSystem\n"
      "set frmEstimate.txtSystem " +
      EscapeLineBreaks(system) +
      "\n"
      "select frmEstimate.cboMethod 2SLS\n"
      "click frmEstimate.cmdEstimate\n"
      "click frmEstimate.cmdUseInWorkbench\n"
      "answer 7\n"
      "click cmdRunAll\n";
  PlayOptions options;
  options.store = dir.File("store");
  options.dump = dir.File("out");
  std::ostringstream err;
  ASSERT_EQ(PlayScriptText(script, dir.path().string(), options, err), kPlayDone) << err.str();
  const std::string impact = testing::TempDir::Read(dir.File("out") + "/mImpact.csv");
  ASSERT_FALSE(impact.empty()) << err.str();
  EXPECT_NE(impact.find("const"), std::string::npos) << impact;
  EXPECT_NE(impact.find("P(-1)"), std::string::npos) << impact;
}

TEST(SystemEstimationText, LineBreaksRoundTripThroughOneScriptLine) {
  const std::string text = "# a \\ b\nequation C const P\r\n\nsample 1 2";
  EXPECT_EQ(EscapeLineBreaks(text).find('\n'), std::string::npos);
  EXPECT_EQ(UnescapeLineBreaks(EscapeLineBreaks(text)), "# a \\ b\nequation C const P\n\nsample 1 2");
}

}  // namespace
}  // namespace quantorial
