// From the system estimation to the multipliers, the simulation and the targets: Klein's
// Model I estimated on the bundled data, its structural form taken from the estimated model
// (directly and through its MODEL.json text).

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <sstream>

#include "systems/Estimation.h"
#include "systems/ModelFiles.h"
#include "systems/StructuralFormJson.h"
#include "systems/Target.h"

namespace quantorial {
namespace {

std::string ReadSample(const std::string& name) {
  std::ifstream in(std::string(QUANTORIAL_SAMPLES_DIR) + "/" + name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

Model Estimate(EstimationMethod method) {
  DataTable data;
  SystemSpec spec;
  std::string error;
  EXPECT_TRUE(ParseDataTable(ReadSample("klein.csv"), data, error)) << error;
  EXPECT_TRUE(ParseSystemFile(ReadSample("klein.sys"), spec, error)) << error;
  EstimationRequest request;
  request.method = method;
  const auto out = EstimateSystem(spec, data, request);
  EXPECT_TRUE(out.ok) << out.error;
  return out.model;
}

// The text with every whole-word `name` (not part of a longer word or a quoted name) replaced.
std::string RenameWord(const std::string& text, const std::string& name, const std::string& to) {
  const auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '"' || c == '_'; };
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    if (text.compare(i, name.size(), name) == 0 && (i == 0 || !word(text[i - 1])) &&
        (i + name.size() == text.size() || !word(text[i + name.size()]))) {
      out += to;
      i += name.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

SeriesTable KleinTable() {
  DataTable data;
  std::string error;
  EXPECT_TRUE(ParseDataTable(ReadSample("klein.csv"), data, error)) << error;
  return SeriesTable{data.years, data.names, data.columns};
}

TEST(EstimatedModelTest, KleinThreeStageMultipliersFromTheEstimate) {
  const Model model = Estimate(EstimationMethod::kThreeSls);
  struct Case {
    const char* what;
    ModelDescriptionOutcome built;
  };
  const Case cases[] = {{"the model", StructuralFormFromModel(model, "klein")},
                        {"its MODEL.json", StructuralFormFromModelJson(ModelToJson(model), "MODEL.json")}};
  const double impact[] = {0.63465, -0.01272, 0.64957, 0.97236, 0.64957, 1.62194, -0.01272};
  const double oneYearOn[] = {1.04942, 0.72723, 1.00558, 0.77108, 1.00558, 1.77666, 0.71451};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(c.built.model) << c.built.error;
    const auto& f = c.built.model->form;
    ASSERT_EQ(f.endogenous, (std::vector<std::string>{"C", "I", "Wp", "P", "W", "X", "K"}));
    const int g = f.ExogenousIndex("G");
    ASSERT_GE(g, 0);
    EXPECT_EQ(f.lagged.size(), 3u);
    const auto rf = ComputeReducedForm(f, 1);
    ASSERT_TRUE(rf.result) << rf.error;
    for (std::size_t i = 0; i < 7; ++i) {
      EXPECT_NEAR(rf.result->impact[i][static_cast<std::size_t>(g)], impact[i], 6e-6) << i;
      EXPECT_NEAR(rf.result->interim[1][i][static_cast<std::size_t>(g)], oneYearOn[i], 6e-6) << i;
    }
    EXPECT_NEAR(rf.result->spectralRadius, 0.871255, 6e-7);
    EXPECT_TRUE(rf.result->stable);
  }
}

// gretl 2022c, Klein's Model I by 3SLS over 1921–1941, fcast 1921 1941 --dynamic and
// fcstats: C ME 0.1366729015, U2 1.354559741; I ME 0.1336876923, U2 0.569400168 (e = actual −
// forecast, U2 on relative changes over years 2..n).
TEST(EstimatedModelTest, KleinThreeStageDynamicAccuracyAsGretl) {
  const auto built = StructuralFormFromModel(Estimate(EstimationMethod::kThreeSls), "klein");
  ASSERT_TRUE(built.model) << built.error;
  SeriesTable data = KleinTable();
  ASSERT_EQ(CompleteSeriesTable(*built.model, data), "");
  const auto sim = Simulate(built.model->form, data, {});
  ASSERT_TRUE(sim.result) << sim.error;
  const auto& c = sim.result->accuracy[0];
  const auto& i = sim.result->accuracy[1];
  EXPECT_NEAR(c.me, 0.1366729015, 1e-8);
  EXPECT_NEAR(c.u2, 1.354559741, 1e-8);
  EXPECT_NEAR(c.rmse, 4.315480499, 1e-8);
  EXPECT_NEAR(c.mpe, -0.3826556293, 1e-8);
  EXPECT_NEAR(i.me, 0.1336876923, 1e-8);
  EXPECT_NEAR(i.u2, 0.569400168, 1e-8);
  EXPECT_NEAR(i.ud, 0.9403416581, 1e-8);
}

// With T(-1) in the consumption equation, the multipliers of T reach C through T and T(-1):
// the interim multiplier a year on equals the response of the dynamic simulation to T one
// higher in 1930 alone.
TEST(EstimatedModelTest, KleinMultipliersOfTaxThroughItsLag) {
  DataTable data;
  SystemSpec spec;
  std::string error;
  ASSERT_TRUE(ParseDataTable(ReadSample("klein.csv"), data, error)) << error;
  std::string system = ReadSample("klein.sys");
  const std::string consumption = "equation C  const P P(-1) W";
  ASSERT_NE(system.find(consumption), std::string::npos);
  system.replace(system.find(consumption), consumption.size(), consumption + " T(-1)");
  ASSERT_TRUE(ParseSystemFile(system, spec, error)) << error;
  EstimationRequest request;
  request.method = EstimationMethod::kThreeSls;
  const auto estimated = EstimateSystem(spec, data, request);
  ASSERT_TRUE(estimated.ok) << estimated.error;
  const auto built = StructuralFormFromModel(estimated.model, "klein");
  ASSERT_TRUE(built.model) << built.error;
  const auto rf = ComputeReducedForm(built.model->form, 3);
  ASSERT_TRUE(rf.result) << rf.error;
  const auto t =
      std::find(rf.result->variables.begin(), rf.result->variables.end(), "T") - rf.result->variables.begin();
  ASSERT_LT(static_cast<std::size_t>(t), rf.result->variables.size());
  SeriesTable base = KleinTable();
  ASSERT_EQ(CompleteSeriesTable(*built.model, base), "");
  SeriesTable shocked = base;
  shocked.Set("T", 1930, base.Value("T", 1930) + 1);
  const auto a = Simulate(built.model->form, base, {}), b = Simulate(built.model->form, shocked, {});
  ASSERT_TRUE(a.result && b.result);
  for (int h = 0; h <= 3; ++h) {
    const auto row = static_cast<std::size_t>(1930 + h - a.result->years.front());
    for (std::size_t i = 0; i < 7; ++i)
      EXPECT_NEAR(b.result->values[row][i] - a.result->values[row][i],
                  rf.result->interim[static_cast<std::size_t>(h)][i][static_cast<std::size_t>(t)], 1e-9)
          << "h " << h << " " << built.model->form.endogenous[i];
  }
}

// Kmenta's supply and demand, both normalised on the quantity (`endog Q P`): no equation
// owns P, yet Γ is square and regular, so the model has a reduced form and simulates. The
// data are Kmenta's as gretl ships them; gretl 2022c's 3SLS and fcast give the solutions of
// 1922 and 1941 below (static and dynamic alike: the model has no lags).
TEST(EstimatedModelTest, KmentaTwoEquationsForTheQuantity) {
  DataTable data;
  SystemSpec spec;
  std::string error;
  std::ifstream in(std::string(QUANTORIAL_SHARED_DATA) + "/kmenta.csv", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  ASSERT_TRUE(ParseDataTable(text.str(), data, error)) << error;
  ASSERT_TRUE(ParseSystemFile("equation Q const P D\nequation Q const P F A\nendog Q P\n", spec, error)) << error;
  EstimationRequest request;
  request.method = EstimationMethod::kThreeSls;
  const auto estimated = EstimateSystem(spec, data, request);
  ASSERT_TRUE(estimated.ok) << estimated.error;
  EXPECT_NEAR(estimated.model.equations[0].coefficients[1], -0.243557, 1e-6);
  EXPECT_NEAR(estimated.model.equations[1].coefficients[1], 0.228932, 1e-6);
  const auto built = StructuralFormFromModel(estimated.model, "kmenta");
  ASSERT_TRUE(built.model) << built.error;
  const SeriesTable table{data.years, data.names, data.columns};
  const auto sim = Simulate(built.model->form, table, {});
  ASSERT_TRUE(sim.result) << sim.error;
  const auto& r = *sim.result;
  ASSERT_EQ(r.years.front(), 1922);
  EXPECT_NEAR(r.values.front()[0], 97.76590998, 1e-6);
  EXPECT_NEAR(r.values.front()[1], 99.8136898, 1e-6);
  EXPECT_NEAR(r.values.back()[0], 106.7209312, 1e-6);
  EXPECT_NEAR(r.values.back()[1], 114.2269882, 1e-6);
  // Both equations hold at the solution.
  const auto& b = estimated.model.equations;
  for (std::size_t k = 0; k < r.years.size(); ++k) {
    const int y = r.years[k];
    const double q = r.values[k][0], p = r.values[k][1];
    EXPECT_NEAR(q, b[0].coefficients[0] + b[0].coefficients[1] * p + b[0].coefficients[2] * table.Value("D", y), 1e-9);
    EXPECT_NEAR(q,
                b[1].coefficients[0] + b[1].coefficients[1] * p + b[1].coefficients[2] * table.Value("F", y) +
                    b[1].coefficients[3] * table.Value("A", y),
                1e-9);
  }
  EXPECT_TRUE(ComputeReducedForm(built.model->form, 2).result);
  // The workbench's B-matrix form holds it as well.
  StructuralFiles files;
  EXPECT_TRUE(MakeStructuralFiles(estimated.model, estimated.data, files, error)) << error;
  // Two equations whose price coefficients are equal make Γ singular: refused by name.
  Model same = estimated.model;
  same.equations[1].coefficients[1] = same.equations[0].coefficients[1];
  const auto singular = StructuralFormFromModel(same, "kmenta");
  ASSERT_TRUE(singular.model);
  const auto rf = ComputeReducedForm(singular.model->form, 1);
  EXPECT_FALSE(rf.result);
  EXPECT_NE(rf.error.find("linearly dependent"), std::string::npos) << rf.error;
}

// The bundled data lack A (a derived series) and W (an identity's side): the model computes
// both, and the dynamic simulation then keeps every identity.
TEST(EstimatedModelTest, KleinOlsSimulationAndTargetsOnTheBundledData) {
  const auto built = StructuralFormFromModel(Estimate(EstimationMethod::kOls), "klein");
  ASSERT_TRUE(built.model) << built.error;
  SeriesTable data = KleinTable();
  ASSERT_EQ(CompleteSeriesTable(*built.model, data), "");
  EXPECT_EQ(data.Value("A", 1921), -10);
  EXPECT_NEAR(data.Value("W", 1930), 37.9 + 4.2, 1e-12);
  const auto sim = Simulate(built.model->form, data, {});
  ASSERT_TRUE(sim.result) << sim.error;
  const auto& r = *sim.result;
  for (std::size_t k = 0; k < r.years.size(); ++k) {
    const int y = r.years[k];
    const auto& v = r.values[k];  // C I Wp P W X K
    EXPECT_NEAR(v[3], v[5] - data.Value("T", y) - v[2], 1e-9);
    EXPECT_NEAR(v[4], v[2] + data.Value("Wg", y), 1e-9);
    EXPECT_NEAR(v[5], v[0] + v[1] + data.Value("G", y), 1e-9);
  }
  EXPECT_EQ(r.accuracy[4].count, 21);  // W now has actual values

  TargetSpec spec;
  spec.years = {1931, 1932, 1933};
  spec.variables = {"C", "X"};
  spec.values = {{52, 55}, {50, 50}, {49, 51}};
  spec.instruments = {"G", "Wg"};
  const auto solved = SolveTargets(built.model->form, data, spec, "targets");
  ASSERT_TRUE(solved.result) << solved.error;
  EXPECT_LT(solved.result->largestMiss, 1e-8);
}

// Names with blanks are quoted in the system file and in MODEL.json's lists ("\"g s\"",
// "\"cap stock\"(-1)"); the model built from MODEL.json names its variables as the data
// does, so it simulates exactly as the same model with plain names.
TEST(EstimatedModelTest, NamesWithBlanksSimulateAsPlainNames) {
  const auto simulate = [](const std::string& system, const std::string& csv, SimulationResult& result) {
    DataTable data;
    SystemSpec spec;
    std::string error;
    ASSERT_TRUE(ParseDataTable(csv, data, error)) << error;
    ASSERT_TRUE(ParseSystemFile(system, spec, error)) << error;
    EstimationRequest request;
    request.method = EstimationMethod::kOls;
    const auto estimated = EstimateSystem(spec, data, request);
    ASSERT_TRUE(estimated.ok) << estimated.error;
    const auto built = StructuralFormFromModelJson(ModelToJson(estimated.model), "MODEL.json");
    ASSERT_TRUE(built.model) << built.error;
    SeriesTable table{data.years, data.names, data.columns};
    ASSERT_EQ(CompleteSeriesTable(*built.model, table), "");
    const auto sim = Simulate(built.model->form, table, {});
    ASSERT_TRUE(sim.result) << sim.error;
    result = *sim.result;
  };
  const std::string system = ReadSample("klein.sys"), csv = ReadSample("klein.csv");
  SimulationResult plain;
  ASSERT_NO_FATAL_FAILURE(simulate(system, csv, plain));
  const struct {
    const char* name;  // in klein.sys and klein.csv
    const char* to;
  } cases[] = {
      {"G", "g s"},        // an exogenous variable
      {"K", "cap stock"},  // an endogenous variable that appears lagged
      {"P", "pro fits"},   // an endogenous regressor, current and lagged
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.to);
    const std::string quoted = std::string("\"") + c.to + "\"";
    SimulationResult renamed;
    ASSERT_NO_FATAL_FAILURE(simulate(RenameWord(system, c.name, quoted), RenameWord(csv, c.name, c.to), renamed));
    ASSERT_EQ(renamed.years, plain.years);
    for (std::size_t k = 0; k < plain.values.size(); ++k) {
      for (std::size_t i = 0; i < plain.values[k].size(); ++i) {
        EXPECT_NEAR(renamed.values[k][i], plain.values[k][i], 1e-9) << plain.years[k] << " " << i;
      }
    }
  }
}

}  // namespace
}  // namespace quantorial
