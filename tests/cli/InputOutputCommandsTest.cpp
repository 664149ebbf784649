// quantorial-cli io and ras: the JSON of an analysis, the plan, the balanced matrix, and the
// command lines and inputs they refuse.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "CliRun.h"
#include "TempDir.h"
#include "cli/Cli.h"

namespace quantorial {
namespace {

using testing::TempDir;

using Result = testing::CliRun;

Result RunIoCli(const std::vector<std::string>& args) { return testing::RunCommandLine(args); }

class IoCli : public ::testing::Test {
 protected:
  TempDir dir;
  // Miller & Blair (2009), Table 2.3, with a final-demand column the analysis does not read.
  std::string flows = dir.Write("mb.csv", ",S1,S2,F\nS1,150,500,350\nS2,200,100,1700\nVA,650,1400,0\nX,1000,2000,0\n");
  std::string demand = dir.Write("d.csv", "label,value\nS1,600\nS2,1500\n");
  // Coefficients with the households' row and column.
  std::string closed =
      dir.Write("hh.csv", ",Farm,Mill,HH\nFarm,0.2,0.3,0.25\nMill,0.15,0.1,0.3\nHH,0.3,0.25,0\nCO2,0.1,0.3,0\n");
  std::string plan = dir.Write("plan.csv", "label,relation,value\nS1,>=,100\nS2,=,250\nVA,<=,5000\nobjective,min,VA\n");
  std::string prior = dir.Write("prior.csv", ",x,y\na,3,1\nb,2,4\n");
  std::string rows = dir.Write("rows.csv", "label,value\na,50\nb,70\n");
  std::string cols = dir.Write("cols.csv", "label,value\nx,40\ny,80\n");
};

TEST_F(IoCli, FlowTableGivesTheInversesOutputsAndMultipliers) {
  const std::string json = dir.File("out.json");
  const Result r = RunIoCli({"io", flows, "--flows", "--x", "X", "--demand", demand, "-o", json});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto j = nlohmann::json::parse(TempDir::Read(json));
  EXPECT_EQ(j["sectors"], (std::vector<std::string>{"S1", "S2"}));
  EXPECT_EQ(j["primary"], (std::vector<std::string>{"VA"}));
  EXPECT_NEAR(j["leontief"][0][0].get<double>(), 1.25412541, 1e-8);
  EXPECT_NEAR(j["leontief"][0][1].get<double>(), 0.330033, 1e-6);
  EXPECT_NEAR(j["leontief"][1][0].get<double>(), 0.2640264, 1e-7);
  EXPECT_NEAR(j["outputs"][0].get<double>(), 1247.52, 5e-3);
  EXPECT_NEAR(j["outputs"][1].get<double>(), 1841.58, 5e-3);
  // G = diag(x)^-1 L diag(x): g12 = l12 x2 / x1.
  EXPECT_NEAR(j["ghosh"][0][1].get<double>(), 0.25 / 0.7575 * 2, 1e-12);
  EXPECT_NEAR(j["output_multipliers"][0].get<double>(), 1.15 / 0.7575, 1e-12);
  EXPECT_NEAR(j["type1"]["VA"][1].get<double>(), 1.0, 1e-12) << "value added per unit of demand is 1";
  for (const char* key : {"backward", "forward", "key_sectors"}) EXPECT_TRUE(j.contains(key)) << key;
  EXPECT_FALSE(j.contains("type2"));
  EXPECT_FALSE(j.contains("plan"));
}

TEST_F(IoCli, HouseholdsAndPlan) {
  Result r = RunIoCli({"io", closed, "--households", "HH"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["sectors"], (std::vector<std::string>{"Farm", "Mill"}));
  EXPECT_EQ(j["primary"], (std::vector<std::string>{"HH", "CO2"}));
  ASSERT_TRUE(j["type2"].contains("CO2"));
  EXPECT_GT(j["type2"]["HH"][0].get<double>(), j["type1"]["HH"][0].get<double>());
  // The households' row and column named apart close the same table.
  const std::string apart = dir.Write(
      "apart.csv", ",Farm,Mill,Spending\nFarm,0.2,0.3,0.25\nMill,0.15,0.1,0.3\nWages,0.3,0.25,0\nCO2,0.1,0.3,0\n");
  const Result two = RunIoCli({"io", apart, "--households", "Wages,Spending"});
  ASSERT_EQ(two.status, 0) << two.err;
  const auto k = nlohmann::json::parse(two.out);
  EXPECT_EQ(k["type2"]["CO2"], j["type2"]["CO2"]);
  EXPECT_EQ(k["type2"]["Wages"], j["type2"]["HH"]);

  r = RunIoCli({"io", flows, "--flows", "--x", "X", "--plan", plan});
  ASSERT_EQ(r.status, 0) << r.err;
  j = nlohmann::json::parse(r.out);
  const auto& p = j["plan"];
  EXPECT_EQ(p["status"], "optimal");
  // d = (100, 250) binds S1 at its bound: x = L d.
  EXPECT_NEAR(p["outputs"][0].get<double>(), (0.95 * 100 + 0.25 * 250) / 0.7575, 1e-8);
  EXPECT_NEAR(p["primary"]["VA"].get<double>(), 350.0, 1e-8) << "value added equals final demand";
  // Constraints are keyed by row: label, relation and value.
  EXPECT_EQ(p["binding"], (std::vector<std::string>{"S1 >= 100", "S2 = 250"}));
  EXPECT_NEAR(p["duals"]["S1 >= 100"].get<double>(), 1.0, 1e-9);

  const std::string tight = dir.Write("tight.csv", "label,relation,value\nS1,>=,100\nVA,<=,10\nobjective,min,VA\n");
  r = RunIoCli({"io", flows, "--flows", "--x", "X", "--plan", tight});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(nlohmann::json::parse(r.out)["plan"]["status"], "infeasible");
  EXPECT_NE(r.err.find("The plan is infeasible"), std::string::npos) << r.err;
}

TEST_F(IoCli, LargeTablesLeaveTheInversesOutUnlessAsked) {
  // 2,001 sectors, each using 0.1 of the next one's output.
  const int n = 2001;
  std::string text;
  for (int j = 1; j <= n; ++j) text += ",s" + std::to_string(j);
  text += '\n';
  for (int i = 1; i <= n; ++i) {
    text += "s" + std::to_string(i);
    for (int j = 1; j <= n; ++j) text += j == i + 1 ? ",0.1" : ",";
    text += '\n';
  }
  const std::string big = dir.Write("big.csv", text);
  Result r = RunIoCli({"io", big});
  ASSERT_EQ(r.status, 0) << r.err;
  auto j = nlohmann::json::parse(r.out);
  EXPECT_FALSE(j.contains("leontief"));
  EXPECT_NE(j["solver"], "dense LU");
  EXPECT_NEAR(j["output_multipliers"][1].get<double>(), 1.1, 1e-10);
  r = RunIoCli({"io", big, "--dense"});
  ASSERT_EQ(r.status, 0) << r.err;
  j = nlohmann::json::parse(r.out);
  ASSERT_EQ(j["leontief"].size(), static_cast<std::size_t>(n));
  EXPECT_NEAR(j["leontief"][0][2].get<double>(), 0.01, 1e-12);
}

TEST_F(IoCli, RasWritesTheBalancedMatrixAndItsSweeps) {
  const std::string out = dir.File("balanced.csv");
  Result r = RunIoCli({"ras", prior, "--rows", rows, "--cols", cols, "-o", out});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("RAS: balanced in ", 0), 0u) << r.out;
  const Result back = RunIoCli({"load", out});
  ASSERT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(back.out.substr(0, back.out.find('\n')), ",\"x\",\"y\"");
  // A looser tolerance takes fewer sweeps; without -o the matrix goes to standard output.
  r = RunIoCli({"ras", prior, "--rows", rows, "--cols", cols, "--tol", "1e-3"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, 9), ",\"x\",\"y\"\n");
  EXPECT_EQ(r.err.rfind("RAS: balanced in ", 0), 0u) << r.err;
}

TEST_F(IoCli, RefusalsSayWhy) {
  const std::string text = dir.Write("text.csv", ",A,B\nA,0.1,lots\nB,0.2,0.3\n");
  const std::string wide = dir.Write("wide.csv", ",A,B,C\nA,0.1,0.2,0.1\nB,0.1,0.1,0.1\n");
  const std::string negative = dir.Write("neg.csv", ",A,B\nA,10,20\nB,5,5\nX,100,-50\n");
  const std::string singular = dir.Write("sing.csv", ",A,B\nA,0.2,0.3\nB,0,1\n");
  const std::string badCols = dir.Write("badcols.csv", "label,value\nx,40\ny,70\n");
  const std::string missing = dir.Write("missing.csv", "label,value\nS1,600\n");
  const std::string headless = dir.Write("headless.csv", "S1,600\nS2,1500\n");
  const std::string twice = dir.Write("twice.csv", ",A,B,A\nA,0.1,0.1,0.1\nB,0.1,0.1,0.1\nA,0.1,0.1,0.1\n");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;  // a part of standard error
  };
  const std::vector<Case> cases = {
      {{"io"}, 2, "io takes one table"},
      {{"io", flows, "--flows"}, 2, "--flows needs --x ROWNAME, the row of total outputs"},
      {{"io", flows, "--x", "X"}, 2, "--x goes with --flows"},
      {{"io", flows, "--sectors", "0"}, 2, "--sectors takes a whole number from 1"},
      {{"io", flows, "--method", "3"}, 2, "io does not take the option --method"},
      {{"ras", prior, "--rows", rows}, 2, "ras needs --rows FILE and --cols FILE"},
      {{"ras", prior, "--rows", rows, "--cols", cols, "--tol", "0"}, 2, "--tol takes a number above 0 and below 1"},
      {{"io", dir.File("none.csv")}, 1, "no such file"},
      {{"io", text}, 1, "text.csv: row 2 (A), column 3 (B): \"lots\" is not a number."},
      {{"io", wide, "--sectors", "3"}, 1, "the sector block must be square, 3 sectors by 3"},
      {{"io", negative, "--flows", "--x", "X"}, 1, "the total output -50 is negative"},
      {{"io", singular}, 1, "sing.csv: I - A is singular"},
      {{"io", flows, "--flows", "--x", "X", "--demand", missing},
       1,
       "missing.csv: \"S2\" has no row in the final demand."},
      {{"io", flows, "--flows", "--x", "X", "--demand", headless},
       1,
       "headless.csv: the first row (\"S1\", 600) is read as the header, but it holds data"},
      {{"io", twice}, 1, "twice.csv: the sector \"A\" is named twice, in rows 2 and 4"},
      {{"io", closed, "--households", "HH,"}, 2, "--households takes NAME, or ROW,COLUMN"},
      {{"ras", prior, "--rows", rows, "--cols", badCols},
       1,
       "prior.csv: The row targets add up to 120 but the column targets to 110"},
  };
  for (const Case& c : cases) {
    const Result r = RunIoCli(c.args);
    EXPECT_EQ(r.status, c.status) << c.message << "\n" << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "") << c.message;
  }
  // A command line ras does not understand gets ras' usage alone.
  const Result r = RunIoCli({"ras", prior, "--rows", rows, "--cols", cols, "--tol", "abc"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--tol takes a number above 0 and below 1\n\n  ras PRIOR"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("io TABLE"), std::string::npos) << r.err;
}

// A flow table read as coefficients is not productive, and the command says how to read it.
TEST_F(IoCli, FlowsWithoutFlowsAreHintedAt) {
  const Result r = RunIoCli({"io", flows});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("the coefficients of column 3 (S2) add up to 600, 1 or more"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("quantorial-cli: to read " + flows +
                       " as flows, give --flows --x ROWNAME with its row of total "
                       "outputs\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("not productive"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace quantorial
