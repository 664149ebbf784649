#include <gtest/gtest.h>

#include <cmath>

#include "systems/Model.h"
#include "systems/SystemFile.h"

namespace quantorial {
namespace {

constexpr const char* kKlein = R"(# Klein Model I
series A = year - 1931
equation C  const P P(-1) W
equation I  const P P(-1) K(-1)
equation Wp const X X(-1) A
identity P = X - T - Wp
identity W = Wp + Wg
identity X = C + I + G
identity K = K(-1) + I
endog C I Wp P W X K
instr const G T A Wg P(-1) K(-1) X(-1)
sample 1921 1941
)";

TEST(SystemFile, ParsesTheKleinSystem) {
  SystemSpec spec;
  std::string error;
  ASSERT_TRUE(ParseSystemFile(kKlein, spec, error)) << error;
  ASSERT_EQ(spec.equations.size(), 3u);
  EXPECT_EQ(spec.equations[0].dependent, "C");
  ASSERT_EQ(spec.equations[0].regressors.size(), 4u);
  EXPECT_EQ(spec.equations[0].regressors[2].name, "P");
  EXPECT_EQ(spec.equations[0].regressors[2].lag, 1);
  EXPECT_EQ(spec.equations[2].line, 5);
  ASSERT_EQ(spec.identities.size(), 4u);
  EXPECT_EQ(spec.identities[0].expression, "X - T - Wp");
  ASSERT_EQ(spec.identities[0].terms.size(), 3u);
  EXPECT_EQ(spec.identities[0].terms[2].coef, -1);
  EXPECT_EQ(spec.identities[3].terms[0].lag, 1);
  ASSERT_EQ(spec.series.size(), 1u);
  EXPECT_EQ(spec.series[0].expression, "year - 1931");
  EXPECT_EQ(spec.endogenous.size(), 7u);
  EXPECT_EQ(spec.instruments.size(), 8u);
  ASSERT_TRUE(spec.sample.has_value());
  EXPECT_EQ(spec.sample->first, 1921);
  EXPECT_EQ(spec.sample->second, 1941);
}

// A byte order mark (as some editors write) and `sample FIRST:LAST` (as the command line
// writes it) read as the plain file does.
TEST(SystemFile, ByteOrderMarkAndColonSampleReadAsThePlainFile) {
  SystemSpec plain, marked;
  std::string error;
  ASSERT_TRUE(ParseSystemFile(kKlein, plain, error)) << error;
  std::string text = "\xEF\xBB\xBF" + std::string(kKlein);
  text.replace(text.find("sample 1921 1941"), 16, "sample 1921:1941");
  ASSERT_TRUE(ParseSystemFile(text, marked, error)) << error;
  EXPECT_EQ(marked.sample, plain.sample);
  ASSERT_EQ(marked.series.size(), 1u);
  EXPECT_EQ(marked.series[0].name, "A");
  EXPECT_EQ(marked.equations.size(), plain.equations.size());
  ASSERT_TRUE(
      ParseSystemFile("\xEF\xBB\xBF"
                      "equation C const P\n",
                      marked, error))
      << error;
  EXPECT_EQ(marked.equations[0].dependent, "C");
}

TEST(SystemFile, ReadsQuotedNamesCoefficientsAndZeroAsConstant) {
  SystemSpec spec;
  std::string error;
  ASSERT_TRUE(
      ParseSystemFile("equation \"real wage\" 0 \"price level\"(-2)  # note\n"
                      "identity Z = 0.5*\"real wage\" - 2*Q(-1) + Q*3 - 4\n",
                      spec, error))
      << error;
  EXPECT_EQ(spec.equations[0].dependent, "real wage");
  EXPECT_EQ(spec.equations[0].regressors[0].name, "const");
  EXPECT_EQ(spec.equations[0].regressors[1].name, "price level");
  EXPECT_EQ(spec.equations[0].regressors[1].lag, 2);
  const auto& t = spec.identities[0].terms;
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(t[0].coef, 0.5);
  EXPECT_EQ(t[1].coef, -2);
  EXPECT_EQ(t[1].lag, 1);
  EXPECT_EQ(t[2].coef, 3);
  EXPECT_EQ(t[3].name, "const");
  EXPECT_EQ(t[3].coef, -4);
  EXPECT_EQ(spec.identities[0].expression, "0.5*\"real wage\" - 2*Q(-1) + Q*3 - 4");
}

// Each bad statement is rejected with a message naming its line and what is wrong.
TEST(SystemFile, SyntaxErrorsNameTheLine) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"equation C const P\nequaton I const P\n", "line 2: \"equaton\" is not a statement"},
      {"equation C\n", "line 1: the equation for C has no regressors"},
      {"# c\nequation C const P(-0)\n", "line 2: the lag of P must be a whole number from 1 to 100"},
      {"equation C const P(-101)\n", "line 1: the lag of P must be a whole number from 1 to 100"},
      {"equation C const P\nsample 1921:\n", "line 2: sample takes two years"},
      {"equation C const P(1)\n", "line 1: the lag of P is not written as P(-k)"},
      {"equation C const P P\n", "line 1: P is listed twice in the equation for C"},
      {"equation C const C\n", "line 1: C cannot explain itself"},
      {"equation C(-1) const P\n", "line 1: the dependent variable of an equation cannot be lagged"},
      {"equation C const P\nidentity P X - T\n", "line 2: identity P needs \"=\" after its name"},
      {"equation C const P\nidentity P = X T\n", "line 2: \"T\" must be preceded by + or -"},
      {"equation C const P\nidentity P =\n", "line 2: the expression is empty"},
      {"equation C const P\nidentity P = X +\n", "line 2: a name is missing"},
      {"equation C const P\nidentity P = year\n", "line 2: an identity cannot use year"},
      {"equation C const P\nseries A = 1x2\n", "line 2: \"1x2\" is not a number"},
      {"equation C const \"P\n", "line 1: a quoted name is not closed"},
      {"equation C const P\nsample 1941 1921\n", "line 2: the sample's first year 1941 is after its last 1921"},
      {"equation C const P\nsample 1921\n", "line 2: sample takes two years"},
      {"equation C const P\nendog C P(-1)\n", "line 2: an endogenous variable cannot be lagged: P(-1)"},
      {"equation C const P\ninstr\n", "line 2: instr lists no names"},
      {"equation C const P\nendog C\nendog P\n", "line 3: endog is given twice (first on line 2)"},
      {"= C const P\n", "line 1: a statement starts with"},
      {"# nothing\n", "the system has no equation"},
  };
  for (const auto& c : cases) {
    SystemSpec spec;
    std::string error;
    EXPECT_FALSE(ParseSystemFile(c.text, spec, error)) << c.text;
    EXPECT_EQ(error.rfind(c.message, 0), 0u) << c.text << " gave: " << error;
  }
}

// The identities and derived series are kept as text and read again when the data is at
// hand: names that are not plain words must come back quoted, so the text reads back to the
// same terms.
TEST(SystemFile, KeptExpressionsReadBackToTheSameTerms) {
  const char* const expressions[] = {
      "\"a(- b\"(-2) + 1",  // a quoted name holding what looks like a lag
      "\"12\" - 2*\"3x\"",  // names that start like numbers
      "\".5\" + Q",
      "\"a+b\" - \"c*d\"(-1)",  // operators inside names
      "\"p(q)\" + \"=\"",
      "\"a\fb\" - \"c\rd\"",    // blanks other than space and tab
      "\"a#b\" + 2*Q(-1) - 4",  // a # that would start a comment
      "\"real wage\"*0.5 - X",  // plain quoting stays as it was
  };
  for (const char* expression : expressions) {
    for (const std::string keyword : {"identity", "series"}) {
      const std::string text = "equation C const P\n" + keyword + " Z = " + expression + "\n";
      SystemSpec spec;
      std::string error;
      ASSERT_TRUE(ParseSystemFile(text, spec, error)) << text << error;
      const bool identity = keyword == "identity";
      const std::string kept = identity ? spec.identities.at(0).expression : spec.series.at(0).expression;
      std::vector<LinearTerm> parsed, again;
      ASSERT_TRUE(ParseLinearExpression(expression, parsed, error)) << error;
      ASSERT_TRUE(ParseLinearExpression(kept, again, error)) << text << " kept " << kept << ": " << error;
      ASSERT_EQ(again.size(), parsed.size()) << text << " kept " << kept;
      for (std::size_t k = 0; k < parsed.size(); ++k) {
        EXPECT_EQ(again[k].name, parsed[k].name) << text << " kept " << kept;
        EXPECT_EQ(again[k].lag, parsed[k].lag) << text << " kept " << kept;
        EXPECT_EQ(again[k].coef, parsed[k].coef) << text << " kept " << kept;
      }
    }
  }
}

TEST(SystemFile, DerivedSeriesUseYearsLagsAndEarlierSeries) {
  DataTable data;
  std::string error;
  ASSERT_TRUE(ParseDataTable("Year,X,Y\n2000,1,10\n2001,2,20\n2002,4,40\n", data, error)) << error;
  ASSERT_TRUE(AddDerivedSeries(data, {{"A", "year - 2000"}, {"B", "2*X - X(-1) + A + 1"}, {"X", "Y*0.5"}}, error))
      << error;
  const std::vector<double> a = data.columns[data.Find("A")];
  EXPECT_EQ(a, (std::vector<double>{0, 1, 2}));
  const std::vector<double> b = data.columns[data.Find("B")];
  EXPECT_TRUE(std::isnan(b[0]));  // X(-1) reaches before the first row
  EXPECT_EQ(b[1], 2 * 2 - 1 + 1 + 1);
  EXPECT_EQ(b[2], 2 * 4 - 2 + 2 + 1);
  EXPECT_EQ(data.columns[data.Find("X")], (std::vector<double>{5, 10, 20}));  // recomputed in place

  EXPECT_FALSE(AddDerivedSeries(data, {{"Z", "X + Nope"}}, error));
  EXPECT_EQ(error, "series Z: the data has no series Nope");
}

TEST(SystemFile, BadDataTablesNameTheRowAndColumn) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"Year,X\n2000,1\n2001,abc\n", "row 3, column 2 (X): \"abc\" is not a number"},
      {"Year,X\n2000,1\n2002,1\n", "row 3, column 1: the year 2002 does not follow 2000"},
      {"Year,X\n20x0,1\n", "row 2, column 1: \"20x0\" is not a year"},
      {"Year,X\n2000,1,2\n", "row 2: 3 cells where the header has 2"},
      {"Year,X,X\n2000,1,2\n", "row 1, column 3: the name X is used twice"},
      {"Year,X\n", "the data file has no rows of data"},
      {"", "the data file has no header row"},
  };
  for (const auto& c : cases) {
    DataTable data;
    std::string error;
    EXPECT_FALSE(ParseDataTable(c.text, data, error)) << c.text;
    EXPECT_EQ(error, c.message) << c.text;
  }
}

TEST(Model, JsonRoundTripKeepsEveryField) {
  Model m;
  m.method = "3sls";
  m.sample_first = 1921;
  m.sample_last = 1941;
  m.observations = 21;
  m.endogenous = {"C", "P"};
  m.exogenous = {"const", "T", "P(-1)"};
  EquationEstimate eq;
  eq.dependent = "C";
  eq.regressors = {"const", "P(-1)"};
  eq.coefficients = {16.5, 0.25};
  eq.std_errors = {1.5, 0.125};
  eq.t_values = {11, 2};
  eq.p_values = {0.001, 0.06};
  eq.r_squared = 0.97;
  eq.sigma = 1.1;
  eq.durbin_watson = 1.5;
  eq.first_stage_f = {{"P", 12.5}, {"W", 30.25}};
  eq.liml_kappa = 1.0625;
  m.equations = {eq};
  m.identities = {{"P", {{"C", 1}, {"T", -1}}}};
  m.series = {{"A", "year - 1931"}};
  m.residual_covariance = {{0.9}};
  m.log_likelihood = -83.5;
  m.converged = false;
  m.iterations = 37;
  m.gradient_norm = 0.25;
  m.standard_errors = "3sls";

  Model back;
  std::string error;
  ASSERT_TRUE(ModelFromJson(ModelToJson(m), back, error)) << error;
  EXPECT_EQ(back.method, "3sls");
  EXPECT_EQ(back.sample_last, 1941);
  EXPECT_EQ(back.observations, 21);
  EXPECT_EQ(back.exogenous, m.exogenous);
  EXPECT_EQ(back.equations[0].regressors, eq.regressors);
  EXPECT_EQ(back.equations[0].coefficients, eq.coefficients);
  EXPECT_EQ(back.equations[0].std_errors, eq.std_errors);
  EXPECT_EQ(back.equations[0].sigma, 1.1);
  EXPECT_EQ(back.equations[0].first_stage_f, eq.first_stage_f);
  EXPECT_EQ(back.equations[0].liml_kappa, 1.0625);
  EXPECT_EQ(ModelToJson(back), ModelToJson(m));
  EXPECT_EQ(back.identities[0].terms, m.identities[0].terms);
  EXPECT_EQ(back.series[0].expression, "year - 1931");
  EXPECT_EQ(back.residual_covariance, m.residual_covariance);
  EXPECT_EQ(back.log_likelihood, -83.5);
  EXPECT_FALSE(back.converged);
  EXPECT_EQ(back.iterations, 37);
  EXPECT_EQ(back.gradient_norm, 0.25);
  EXPECT_EQ(back.standard_errors, "3sls");

  m.log_likelihood.reset();
  ASSERT_TRUE(ModelFromJson(ModelToJson(m), back, error));
  EXPECT_FALSE(back.log_likelihood.has_value());
  EXPECT_NE(ModelToJson(m).find("\"log_likelihood\": null"), std::string::npos);
}

// A model read from a file that leaves out what it may leave out is written back in a form
// the reader takes again, with the same contents.
TEST(Model, ModelsWithoutOptionalPartsReadWriteAndReadAgain) {
  const std::string head =
      R"({"method":"ols","sample":[1,2],"observations":2,"endogenous":["C"],"exogenous":["const"],)"
      R"("equations":[{"dependent":"C","regressors":["const"],"coefficients":[1.5]}])";
  const std::string cases[] = {
      head + "}",                                // no covariance, identities or series
      head + R"(,"residual_covariance":null})",  // the covariance null
      head + R"(,"residual_covariance":[]})",    // the covariance an empty list
  };
  for (const std::string& text : cases) {
    Model first, second;
    std::string error;
    ASSERT_TRUE(ModelFromJson(text, first, error)) << text << ": " << error;
    const std::string written = ModelToJson(first);
    ASSERT_TRUE(ModelFromJson(written, second, error)) << text << " written as " << written << ": " << error;
    EXPECT_TRUE(second.residual_covariance.empty()) << text;
    EXPECT_EQ(second.equations.at(0).coefficients, (std::vector<double>{1.5})) << text;
    EXPECT_EQ(ModelToJson(second), written) << text;
  }
}

TEST(Model, BadJsonShapesGiveAMessageNamingTheKey) {
  const std::string head = R"({"method":"ols","sample":[1,2],"observations":2,"endogenous":["C"],"exogenous":[],)";
  const struct {
    std::string text;
    const char* message;
  } cases[] = {
      {"{", "the model is not valid JSON"},
      {"[1]", "the model must be a JSON object"},
      {R"({"method":1})", "\"method\" must be a text"},
      {R"({"method":"ols","sample":[1],"observations":2})", "\"sample\" must be [FIRST, LAST]"},
      {R"({"method":"ols","sample":[4294969227,1941],"observations":2})", "\"sample\" must be [FIRST, LAST]"},
      {R"({"method":"ols","sample":[1921,18446744073709551615],"observations":2})", "\"sample\" must be [FIRST, LAST]"},
      {R"({"method":"ols","sample":[1941,1921],"observations":2})", "\"sample\" must be [FIRST, LAST]"},
      {R"({"method":"ols","sample":[1,2],"observations":-3})", "\"observations\" must be a whole number"},
      {head + R"("equations":{}})", "\"equations\" must be a list"},
      {head + R"("equations":[{"dependent":"C","regressors":["const"],"coefficients":[1,2]}]})",
       "equation 1: \"coefficients\" must have one number per regressor"},
      {head + R"("equations":[{"dependent":"C","regressors":["const"],"coefficients":["x"]}]})",
       "equation 1: \"coefficients\" must be a list of numbers"},
      {head + R"("equations":[],"identities":[{"dependent":"P","terms":[["X"]]}]})",
       "identity 1: \"terms\" must be a list of [name, coefficient]"},
      {head + R"("equations":[],"residual_covariance":[[1]]})", "\"residual_covariance\" must be a square"},
      {head + R"("equations":[],"log_likelihood":"x"})", "\"log_likelihood\" must be a number or null"},
      {head + R"("equations":[],"converged":1})", "\"converged\" must be true or false"},
      {head + R"("equations":[],"iterations":-1})", "\"iterations\" must be a whole number"},
      {head + R"("equations":[],"gradient_norm":"0"})", "\"gradient_norm\" must be a number or null"},
      {head + R"("equations":[],"series":[{"name":"A"}]})", "series 1: \"expression\" must be a text"},
      {head + R"("equations":[{"dependent":"C","regressors":["c"],"coefficients":[1],"first_stage_f":[2]}]})",
       "equation 1: \"first_stage_f\" must be an object of numbers by name"},
      {head + R"("equations":[{"dependent":"C","regressors":["c"],"coefficients":[1],"first_stage_f":{"P":"x"}}]})",
       "equation 1: \"first_stage_f\" must be an object of numbers by name"},
      {head + R"("equations":[{"dependent":"C","regressors":["c"],"coefficients":[1],"liml_k":[]}]})",
       "equation 1: \"liml_k\" must be a number"},
  };
  for (const auto& c : cases) {
    Model m;
    std::string error;
    EXPECT_FALSE(ModelFromJson(c.text, m, error)) << c.text;
    EXPECT_EQ(error.rfind(c.message, 0), 0u) << c.text << " gave: " << error;
  }
}

TEST(Model, SplitsLaggedNames) {
  EXPECT_EQ(SplitLaggedName("P(-1)"), std::make_pair(std::string("P"), 1));
  EXPECT_EQ(SplitLaggedName("K"), std::make_pair(std::string("K"), 0));
  EXPECT_EQ(SplitLaggedName("\"a b\"(-12)"), std::make_pair(std::string("a b"), 12));
  EXPECT_EQ(LaggedName("a b", 2), "\"a b\"(-2)");
}

}  // namespace
}  // namespace quantorial
