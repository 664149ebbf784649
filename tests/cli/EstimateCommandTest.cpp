#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "CliRun.h"
#include "TempDir.h"
#include "cli/Cli.h"
#include "systems/Model.h"

namespace quantorial {
namespace {

using testing::TempDir;

using Result = testing::CliRun;

Result RunEstimate(const std::vector<std::string>& args) { return testing::RunCommandLine(args); }

const std::string kSamples = QUANTORIAL_SAMPLES_DIR;

class Estimate : public ::testing::Test {
 protected:
  TempDir dir;
  std::string system = kSamples + "/klein.sys";
  std::string data = kSamples + "/klein.csv";
};

TEST_F(Estimate, WritesTheModelTheReportAndTheWorkbenchFiles) {
  const std::string model = dir.File("model.json"), report = dir.File("report.txt");
  const std::string bmat = dir.File("b.csv"), table = dir.File("d.csv");
  const Result r = RunEstimate(
      {"estimate", system, data, "--method", "3sls", "-o", model, "--report", report, "--bmat", bmat, "--data", table});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");  // the report went to its file
  Model m;
  std::string error;
  ASSERT_TRUE(ModelFromJson(TempDir::Read(model), m, error)) << error;
  EXPECT_EQ(m.method, "3sls");
  EXPECT_EQ(m.sample_first, 1921);
  EXPECT_NEAR(m.equations[1].coefficients[0], 28.1778, 1e-3);
  EXPECT_EQ(m.series.size(), 1u);
  EXPECT_FALSE(m.log_likelihood.has_value());
  EXPECT_NE(TempDir::Read(report).find("System estimated by 3SLS"), std::string::npos);
  EXPECT_EQ(TempDir::Read(bmat).substr(0, 40), ",C,I,Wp,P,W,X,K,const,A,T,Wg,G,P(-1),K(-");
  EXPECT_EQ(TempDir::Read(table).substr(0, 16), "Year,C,I,Wp,P,W,");

  // Without -o the report is printed; --sample overrides the file's sample.
  const Result printed = RunEstimate({"estimate", system, data, "--method=ols", "--sample", "1925:1941"});
  ASSERT_EQ(printed.status, 0) << printed.err;
  EXPECT_NE(printed.out.find("System estimated by OLS\nSample: 1925-1941 (17 observations)"), std::string::npos);
}

// Each failure exits with its status and a message, and writes nothing.
TEST_F(Estimate, FailuresExitWithTheirStatusAndWriteNothing) {
  const std::string badSyntax = dir.Write("syntax.sys", "equation C const P\nidentity P X - T\n");
  const std::string missing = dir.Write("missing.sys", "equation C const P Nope\n");
  const std::string unidentified = dir.Write("unid.sys", "equation C const P W\nidentity W = Wp + Wg\ninstr const G\n");
  // Klein's data with a text where the sample needs a number: C of 1925, the file's row 7.
  std::string klein = TempDir::Read(data);
  klein.replace(klein.find("\n1925,") + 6, 4, "0x2D");
  const std::string badData = dir.Write("bad.csv", klein);
  const struct {
    std::vector<std::string> args;
    int status;
    std::string message;
  } cases[] = {
      {{"estimate", system}, 2, "estimate takes a system file and a data file"},
      {{"estimate", system, data, "--method", "gmm"}, 2, "unknown method \"gmm\""},
      {{"estimate", system, data, "--sample", "1941-1921"}, 2, "--sample takes FIRST:LAST"},
      {{"estimate", system, data, "--sample", "1941:1921"}, 2, "--sample takes FIRST:LAST"},
      {{"estimate", system, data, "--endo", "3"}, 2, "--endo"},
      {{"estimate", system, data, "--bmat", "x.csv"}, 2, "--bmat and --data are given together"},
      {{"estimate", system, data, "--method", "fiml", "--fiml-se", "opg"}, 2, "--fiml-se takes hessian or 3sls"},
      {{"estimate", system, data, "--method", "fiml", "--sample", "1921:1930"}, 1, "FIML did not converge after"},
      {{"estimate", badSyntax, data}, 2, "syntax.sys: line 2: identity P needs \"=\" after its name"},
      {{"estimate", missing, data}, 1, "missing.sys: line 1: the data has no series Nope"},
      {{"estimate", unidentified, data, "--method", "2sls"}, 1, "line 1: the equation for C is not identified"},
      {{"estimate", system, badData},
       1,
       "line 4: C has no value in 1925: " + dir.File("bad.csv") +
           " row 7, column 2 (C) holds the text \"0x2D\", not a number"},
      {{"estimate", system, dir.File("none.csv")}, 1, "none.csv"},
      {{"estimate", system, data, "--sample", "1900:1941"}, 1, "the sample 1900-1941 is outside the data's years"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.push_back("-o");
    args.push_back(dir.File("m.json"));
    const Result r = RunEstimate(args);
    EXPECT_EQ(r.status, c.status) << c.message << ": " << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("m.json"))) << c.message;
  }
}

// FIML that finds no maximum fails, shows its report marked at the top and writes nothing;
// asked to, it writes the estimates marked as not converged. A converged run says where its
// standard errors come from.
TEST_F(Estimate, FimlConvergenceAndItsStandardErrors) {
  const std::string model = dir.File("fiml.json");
  const Result failed =
      RunEstimate({"estimate", system, data, "--method", "fiml", "--sample", "1921:1930", "-o", model});
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.out.rfind("NOT CONVERGED: FIML did not converge after ", 0), 0u) << failed.out;
  EXPECT_NE(failed.err.find("nothing was written"), std::string::npos) << failed.err;
  EXPECT_FALSE(std::filesystem::exists(model));

  const Result allowed = RunEstimate(
      {"estimate", system, data, "--method", "fiml", "--sample", "1921:1930", "-o", model, "--allow-nonconvergence"});
  EXPECT_EQ(allowed.status, 0) << allowed.err;
  EXPECT_NE(allowed.err.find("warning: FIML did not converge"), std::string::npos) << allowed.err;
  Model m;
  std::string error;
  ASSERT_TRUE(ModelFromJson(TempDir::Read(model), m, error)) << error;
  EXPECT_FALSE(m.converged);
  EXPECT_GT(m.iterations, 0);
  EXPECT_NE(TempDir::Read(model).find("\"converged\": false"), std::string::npos);

  for (const std::string se : {"hessian", "3sls"}) {
    const Result r = RunEstimate({"estimate", system, data, "--method", "fiml", "--fiml-se", se, "-o", model});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(ModelFromJson(TempDir::Read(model), m, error)) << error;
    EXPECT_TRUE(m.converged);
    EXPECT_EQ(m.standard_errors, se);
    ASSERT_TRUE(m.gradient_norm.has_value());
    EXPECT_LT(*m.gradient_norm, 1e-4);
    const Result report = RunEstimate({"estimate", system, data, "--method", "fiml", "--fiml-se", se});
    EXPECT_NE(report.out.find(se == "3sls" ? "Standard errors: the 3SLS form at the FIML estimates"
                                           : "Standard errors: from the inverse Hessian"),
              std::string::npos)
        << report.out;
    EXPECT_EQ(report.out.find("residual covariance divided by T (no degrees"), std::string::npos);
  }
}

// The data are read as load reads them: semicolons and tabs, a byte order mark, an empty row
// for a year before the sample (gretl's own Klein export has one for 1919), and a system file
// with a byte order mark, all give the estimates of the plain files.
TEST_F(Estimate, DataReadAsLoadReadsThem) {
  const std::string klein = TempDir::Read(data);
  const auto with = [&](char separator) {
    std::string t = klein;
    for (char& c : t)
      if (c == ',') c = separator;
    return t;
  };
  const std::string plain = dir.File("plain.json");
  ASSERT_EQ(RunEstimate({"estimate", system, data, "-o", plain}).status, 0);
  const std::string expected = TempDir::Read(plain);
  std::string early = klein;
  early.insert(early.find('\n') + 1, "1919,,,,,,,,,\n");
  const std::string marked = dir.Write("bom.sys", "\xEF\xBB\xBF" + TempDir::Read(system));
  const struct {
    const char* what;
    std::string system, data;
  } cases[] = {
      {"semicolons", system, dir.Write("semi.csv", with(';'))},
      {"tabs", system, dir.Write("tab.txt", with('\t'))},
      {"an empty year before the sample", system, dir.Write("early.csv", early)},
      {"a byte order mark", marked, data},
  };
  for (const auto& c : cases) {
    const std::string model = dir.File("m.json");
    const Result r = RunEstimate({"estimate", c.system, c.data, "-o", model});
    ASSERT_EQ(r.status, 0) << c.what << ": " << r.err;
    EXPECT_EQ(TempDir::Read(model), expected) << c.what;
  }
}

TEST_F(Estimate, HelpListsTheCommand) {
  const Result r = RunEstimate({"estimate", "--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("--method ols|tsls|2sls|3sls|sur|liml|fiml"), std::string::npos);
  EXPECT_NE(RunEstimate({"--help"}).out.find("estimate SYSTEM DATA"), std::string::npos);
}

}  // namespace
}  // namespace quantorial
