#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "CliRun.h"
#include "TempDir.h"
#include "cli/Cli.h"

namespace quantorial {
namespace {

using testing::TempDir;

using CliRun = testing::CliRun;

CliRun Cli(const std::vector<std::string>& args) { return testing::RunCommandLine(args); }

// Klein's Model I with its three-stage least squares coefficients, as the system estimation
// writes it: the time trend A is a derived series and the wage bill W an identity's side,
// neither in the data file.
const char* const kKleinModel = R"json({
 "method": "3sls", "sample": [1921, 1941], "observations": 21,
 "endogenous": ["C", "I", "Wp", "P", "W", "X", "K"],
 "exogenous": ["const", "G", "T", "A", "Wg"],
 "equations": [
  {"dependent": "C", "regressors": ["const", "P", "P(-1)", "W"], "coefficients": [16.4408, 0.124890, 0.163144, 0.790081]},
  {"dependent": "I", "regressors": ["const", "P", "P(-1)", "K(-1)"], "coefficients": [28.1778, -0.0130792, 0.755724, -0.194848]},
  {"dependent": "Wp", "regressors": ["const", "X", "X(-1)", "A"], "coefficients": [1.79722, 0.400492, 0.181291, 0.149674]}],
 "identities": [
  {"dependent": "P", "terms": [["X", 1], ["T", -1], ["Wp", -1]]},
  {"dependent": "W", "terms": [["Wp", 1], ["Wg", 1]]},
  {"dependent": "X", "terms": [["C", 1], ["I", 1], ["G", 1]]},
  {"dependent": "K", "terms": [["K(-1)", 1], ["I", 1]]}],
 "log_likelihood": null,
 "series": [{"name": "A", "expression": "year - 1931"}]
})json";

// The same model as a workbench B-matrix (y = B y + C x), with A in the data file instead.
const char* const kKleinBMatrix =
    ",C,I,Wp,P,W,X,K,const,G,T,A,Wg,P(-1),K(-1),X(-1)\n"
    "C,0,0,0,0.12489,0.790081,0,0,16.4408,0,0,0,0,0.163144,0,0\n"
    "I,0,0,0,-0.0130792,0,0,0,28.1778,0,0,0,0,0.755724,-0.194848,0\n"
    "Wp,0,0,0,0,0,0.400492,0,1.79722,0,0,0.149674,0,0,0,0.181291\n"
    "P,0,0,-1,0,0,1,0,0,0,-1,0,0,0,0,0\n"
    "W,0,0,1,0,0,0,0,0,0,0,0,1,0,0,0\n"
    "X,1,1,0,0,0,0,0,0,1,0,0,0,0,0,0\n"
    "K,0,1,0,0,0,0,0,0,0,0,0,0,0,1,0\n";

std::string Samples(const std::string& name) { return std::string(QUANTORIAL_SAMPLES_DIR) + "/" + name; }

// klein.csv with the column A = year − 1931.
std::string KleinWithTrend(const TempDir& dir) {
  std::istringstream in(TempDir::Read(Samples("klein.csv")));
  std::string line, text;
  auto next = [&] {
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
  };
  next();
  text = line + ",A\n";
  while (next())
    if (!line.empty()) text += line + "," + std::to_string(std::stoi(line.substr(0, 4)) - 1931) + "\n";
  return dir.Write("klein_a.csv", text);
}

std::vector<std::vector<std::string>> Csv(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> cells;
    std::stringstream ss(line);
    for (std::string c; std::getline(ss, c, ',');) cells.push_back(c);
    rows.push_back(cells);
  }
  return rows;
}

// Both model forms give the published multipliers of G and the same JSON layout.
TEST(SimulationCommandsTest, MultipliersOfBothModelForms) {
  TempDir dir;
  const std::string json = dir.Write("klein.json", kKleinModel);
  const std::string bmat = dir.Write("klein_BMAT.csv", kKleinBMatrix);
  for (const auto& args :
       {std::vector<std::string>{"multipliers", json, "--horizon", "3", "-o", dir.File("m.json")},
        std::vector<std::string>{"multipliers", bmat, "--endo", "7", "--horizon=3", "-o", dir.File("m.json")}}) {
    SCOPED_TRACE(args[1]);
    const CliRun r = Cli(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto m = nlohmann::json::parse(TempDir::Read(dir.File("m.json")));
    EXPECT_EQ(m["endogenous"], nlohmann::json({"C", "I", "Wp", "P", "W", "X", "K"}));
    EXPECT_EQ(m["exogenous"], nlohmann::json({"const", "G", "T", "A", "Wg"}));
    EXPECT_EQ(m["lagged"].size(), 3u);
    ASSERT_EQ(m["interim"].size(), 4u);
    ASSERT_EQ(m["cumulative"].size(), 4u);
    const double impact[] = {0.63465, -0.01272, 0.64957, 0.97236, 0.64957, 1.62194, -0.01272};
    for (std::size_t i = 0; i < 7; ++i) {
      EXPECT_NEAR(m["impact"][i][1].get<double>(), impact[i], 2e-5);
      EXPECT_EQ(m["impact"][i].size(), 5u);
      EXPECT_EQ(m["lag"][i].size(), 3u);
    }
    EXPECT_NEAR(m["spectral_radius"].get<double>(), 0.871255, 2e-6);
    EXPECT_EQ(m["stable"], true);
    EXPECT_TRUE(m["total"].is_array());
    EXPECT_EQ(m["eigenvalues"][0].size(), 2u);
    EXPECT_NE(r.err.find("stable"), std::string::npos);
  }
}

// From the estimation on the bundled files to the published multipliers of G.
TEST(SimulationCommandsTest, EstimateThenMultipliers) {
  TempDir dir;
  CliRun r =
      Cli({"estimate", Samples("klein.sys"), Samples("klein.csv"), "--method", "3sls", "-o", dir.File("k.json")});
  ASSERT_EQ(r.status, 0) << r.err;
  r = Cli({"multipliers", dir.File("k.json"), "--horizon", "1", "-o", dir.File("m.json")});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto m = nlohmann::json::parse(TempDir::Read(dir.File("m.json")));
  const auto& x = m["exogenous"];
  const auto g = static_cast<std::size_t>(std::find(x.begin(), x.end(), "G") - x.begin());
  ASSERT_LT(g, x.size());
  const double impact[] = {0.63465, -0.01272, 0.64957, 0.97236, 0.64957, 1.62194, -0.01272};
  const double oneYearOn[] = {1.04942, 0.72723, 1.00558, 0.77108, 1.00558, 1.77666, 0.71451};
  for (std::size_t i = 0; i < 7; ++i) {
    EXPECT_NEAR(m["impact"][i][g].get<double>(), impact[i], 6e-6);
    EXPECT_NEAR(m["interim"][1][i][g].get<double>(), oneYearOn[i], 6e-6);
  }
  EXPECT_NEAR(m["spectral_radius"].get<double>(), 0.871255, 6e-7);
}

// The MODEL.json path computes A and W from the model; the B-matrix path reads A from its
// data: the dynamic simulations agree, and a scenario's difference is the scenario path less
// the base path.
TEST(SimulationCommandsTest, SimulateWithStatisticsAndScenario) {
  TempDir dir;
  const std::string json = dir.Write("klein.json", kKleinModel);
  const std::string bmat = dir.Write("klein_BMAT.csv", kKleinBMatrix);
  const std::string data = KleinWithTrend(dir);
  const std::string scenario = dir.Write("s.txt", "Wg 1933:1939 +0.5\nG 1940 = 16.1\nC 1935:1936 addfactor 1.0\n");
  CliRun r = Cli({"simulate", json, Samples("klein.csv"), "-o", dir.File("a.csv"), "--stats", dir.File("s.json")});
  ASSERT_EQ(r.status, 0) << r.err;
  r = Cli({"simulate", bmat, data, "--endo", "7", "-o", dir.File("b.csv")});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto a = Csv(TempDir::Read(dir.File("a.csv"))), b = Csv(TempDir::Read(dir.File("b.csv")));
  ASSERT_EQ(a.size(), 22u);  // the header and 1921..1941
  EXPECT_EQ(a[0], (std::vector<std::string>{"Year", "C", "I", "Wp", "P", "W", "X", "K"}));
  EXPECT_EQ(a[1][0], "1921");
  for (std::size_t r2 = 1; r2 < a.size(); ++r2)
    for (std::size_t c = 1; c < 8; ++c) EXPECT_NEAR(std::stod(a[r2][c]), std::stod(b[r2][c]), 1e-9);
  const auto stats = nlohmann::json::parse(TempDir::Read(dir.File("s.json")));
  for (const char* key : {"ME", "RMSE", "MAE", "MPE", "MAPE", "U1", "U2", "UM", "UR", "UD"})
    EXPECT_TRUE(stats["C"][key].is_number()) << key;
  // W is computed from its identity for the MODEL.json: it has statistics too.
  EXPECT_TRUE(stats["W"]["RMSE"].is_number());

  r = Cli({"simulate", json, Samples("klein.csv"), "--from", "1930", "--to", "1941", "--scenario", scenario, "-o",
           dir.File("sc.csv"), "--base", dir.File("base.csv"), "--difference", dir.File("d.csv")});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto sc = Csv(TempDir::Read(dir.File("sc.csv"))), base = Csv(TempDir::Read(dir.File("base.csv"))),
             d = Csv(TempDir::Read(dir.File("d.csv")));
  ASSERT_EQ(sc.size(), 13u);
  EXPECT_EQ(sc[1][0], "1930");
  for (std::size_t r2 = 1; r2 < sc.size(); ++r2)
    for (std::size_t c = 1; c < 8; ++c)
      EXPECT_NEAR(std::stod(d[r2][c]), std::stod(sc[r2][c]) - std::stod(base[r2][c]), 1e-9);
  EXPECT_EQ(d[3][1], "0");             // 1932: before the scenario begins
  EXPECT_GT(std::stod(d[4][1]), 0.5);  // 1933: C rises with the government wage bill
}

TEST(SimulationCommandsTest, TargetsAreMetAndWritten) {
  TempDir dir;
  const std::string json = dir.Write("klein.json", kKleinModel);
  const std::string targets = dir.Write("t.csv", "Year,C,X\n1935,52,55\n1936,57,63\n");
  const CliRun r = Cli({"target", json, Samples("klein.csv"), "--targets", targets, "--instruments", "G, Wg", "-o",
                        dir.File("out.csv")});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = Csv(TempDir::Read(dir.File("out.csv")));
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0], (std::vector<std::string>{"Year", "G", "Wg", "C", "I", "Wp", "P", "W", "X", "K"}));
  EXPECT_NEAR(std::stod(out[1][3]), 52, 52e-8);
  EXPECT_NEAR(std::stod(out[2][3]), 57, 57e-8);
  EXPECT_NEAR(std::stod(out[1][8]), 55, 55e-8);
  EXPECT_NEAR(std::stod(out[2][8]), 63, 63e-8);
}

TEST(SimulationCommandsTest, BadInputsFailNamingThemAndWriteNothing) {
  TempDir dir;
  const std::string json = dir.Write("klein.json", kKleinModel);
  const std::string data = Samples("klein.csv");
  const std::string out = dir.File("out.csv");
  const std::string late = dir.Write("late.csv", "Year,C\n1950,50\n");
  const std::string good = dir.Write("t.csv", "Year,C\n1935,52\n");
  const std::string unknown = dir.Write("u.txt", "# a line\nZZ 1930 +1\n");
  const std::string singular = dir.Write("sing.csv", ",a,b,x\na,0,1,1\nb,1,0,0\n");
  const std::string broken = dir.Write("broken.json", "{\"endogenous\": [\"C\"], \"equations\": [");
  struct Case {
    const char* what;
    std::vector<std::string> args;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {"target year outside the data",
       {"target", json, data, "--targets", late, "--instruments", "G", "-o", out},
       1,
       "the target year 1950 lies outside the data and forecast (1920–1941)"},
      {"endogenous instrument",
       {"target", json, data, "--targets", good, "--instruments", "C", "-o", out},
       1,
       "The instrument C is not an exogenous variable of the model"},
      {"unknown scenario variable",
       {"simulate", json, data, "--scenario", unknown, "-o", out},
       1,
       "u.txt line 2: ZZ is not an exogenous variable of the model"},
      {"lags before the data",
       {"simulate", json, data, "--from", "1920", "-o", out},
       1,
       "The simulation period 1920–1941 reaches before the data"},
      {"singular model", {"multipliers", singular, "--endo", "2", "-o", out}, 1, "singular"},
      {"broken model file", {"multipliers", broken, "-o", out}, 1, "broken.json: the model is not valid JSON"},
      {"missing data file", {"simulate", json, dir.File("none.csv"), "-o", out}, 1, "none.csv"},
      {"B-matrix without --endo", {"multipliers", singular, "-o", out}, 1, "--endo N"},
      {"foreign option", {"simulate", json, data, "--method", "ols"}, 2, "simulate does not take the option --method"},
      {"bad horizon", {"multipliers", json, "--horizon", "x"}, 2, "--horizon needs a whole number"},
      {"no instruments", {"target", json, data, "--targets", good}, 2, "target needs --instruments"},
      {"base without scenario", {"simulate", json, data, "--base", out}, 2, "--base and --difference go with"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const CliRun r = Cli(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));
  }
}

}  // namespace
}  // namespace quantorial
