#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <cmath>
#include <fstream>
#include <sstream>

#include "systems/Estimation.h"

namespace quantorial {
namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

DataTable KleinData() {
  DataTable data;
  std::string error;
  EXPECT_TRUE(ParseDataTable(ReadText(std::string(QUANTORIAL_SAMPLES_DIR) + "/klein.csv"), data, error)) << error;
  return data;
}

SystemSpec KleinSystem() {
  SystemSpec spec;
  std::string error;
  EXPECT_TRUE(ParseSystemFile(ReadText(std::string(QUANTORIAL_SAMPLES_DIR) + "/klein.sys"), spec, error)) << error;
  return spec;
}

Model EstimateKlein(EstimationMethod method) {
  EstimationRequest request;
  request.method = method;
  const EstimationOutcome out = EstimateSystem(KleinSystem(), KleinData(), request);
  EXPECT_TRUE(out.ok) << out.error;
  return out.model;
}

void ExpectRelative(const std::vector<double>& got, const std::vector<double>& want, double tolerance,
                    const std::string& what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (std::size_t i = 0; i < want.size(); ++i) {
    EXPECT_LE(std::fabs(got[i] - want[i]), tolerance * std::fabs(want[i])) << what << " [" << i << "] " << got[i];
  }
}

struct KleinCase {
  EstimationMethod method;
  double tolerance;  // relative
  std::vector<double> c, i, wp;
};

// Klein Model I, 1921-1941: the published coefficients (OLS, 2SLS, 3SLS as reproduced by two
// packages; LIML and FIML from Greene, Econometric Analysis, 5th ed., Tables 15.3 and 15.7,
// printed to four or five significant digits).
TEST(Estimation, KleinCoefficientsMatchThePublishedTables) {
  const KleinCase cases[] = {
      {EstimationMethod::kOls,
       1e-4,
       {16.2366, 0.192934, 0.0898849, 0.796219},
       {10.1258, 0.479636, 0.333039, -0.111795},
       {1.49704, 0.439477, 0.146090, 0.130245}},
      {EstimationMethod::kTsls,
       1e-4,
       {16.5548, 0.0173022, 0.216234, 0.810183},
       {20.2782, 0.150222, 0.615944, -0.157788},
       {1.50030, 0.438859, 0.146674, 0.130396}},
      {EstimationMethod::kThreeSls,
       1e-4,
       {16.4408, 0.124890, 0.163144, 0.790081},
       {28.1778, -0.0130792, 0.755724, -0.194848},
       {1.79722, 0.400492, 0.181291, 0.149674}},
      {EstimationMethod::kLiml,
       1e-3,
       {17.148, -0.2225, 0.3960, 0.8226},
       {22.591, 0.0752, 0.6804, -0.1683},
       {1.5262, 0.4339, 0.1513, 0.1316}},
      {EstimationMethod::kFiml,
       1e-3,
       {18.343, -0.2324, 0.3857, 0.8018},
       {27.264, -0.8010, 1.052, -0.1481},
       {5.794, 0.2341, 0.2847, 0.2348}},
  };
  for (const KleinCase& k : cases) {
    const Model model = EstimateKlein(k.method);
    const std::string name = EstimationMethodName(k.method);
    ASSERT_EQ(model.equations.size(), 3u) << name;
    EXPECT_EQ(model.observations, 21) << name;
    ExpectRelative(model.equations[0].coefficients, k.c, k.tolerance, name + " C");
    ExpectRelative(model.equations[1].coefficients, k.i, k.tolerance, name + " I");
    ExpectRelative(model.equations[2].coefficients, k.wp, k.tolerance, name + " Wp");
    EXPECT_EQ(model.log_likelihood.has_value(), k.method == EstimationMethod::kFiml) << name;
  }
}

// The sample's text: both ends, or one left open with the colon. An open end is the data's
// last year, or the first year the lags allow (Klein's lags take 1920, so 1921).
TEST(Estimation, SampleRangesMayLeaveOneEndOpen) {
  const struct {
    const char* text;
    bool ok;
    int first, last;  // the estimated sample on klein.csv (1920-1941)
  } cases[] = {
      {"1921:1941", true, 1921, 1941},
      {"1935:", true, 1935, 1941},
      {" 1935 : ", true, 1935, 1941},
      {":1930", true, 1921, 1930},
      {"1925-1935", true, 1925, 1935},
      {"1925, 1935", true, 1925, 1935},
      {"1925 1935", true, 1925, 1935},
      {":", false, 0, 0},
      {"", false, 0, 0},
      {"1935:x", false, 0, 0},
      {"1941:1921", false, 0, 0},
      {"1935", false, 0, 0},
      {"19x5:1941", false, 0, 0},
      {"1925 1930 1935", false, 0, 0},
  };
  for (const auto& c : cases) {
    std::pair<int, int> sample;
    ASSERT_EQ(ParseSampleRange(c.text, sample), c.ok) << c.text;
    if (!c.ok) continue;
    EstimationRequest request;
    request.method = EstimationMethod::kOls;  // 7 years: fewer than 2SLS's 8 instruments
    request.sample = sample;
    const EstimationOutcome out = EstimateSystem(KleinSystem(), KleinData(), request);
    ASSERT_TRUE(out.ok) << c.text << ": " << out.error;
    EXPECT_EQ(out.model.sample_first, c.first) << c.text;
    EXPECT_EQ(out.model.sample_last, c.last) << c.text;
    EXPECT_EQ(out.model.observations, c.last - c.first + 1) << c.text;
  }
}

TEST(Estimation, KleinThreeStageStandardErrorsHaveNoDegreesOfFreedomCorrection) {
  const Model model = EstimateKlein(EstimationMethod::kThreeSls);
  ExpectRelative(model.equations[0].std_errors, {1.30455, 0.108129, 0.100438, 0.0379379}, 1e-4, "3SLS C");
  // And the single-equation methods divide by T - k: 2SLS's C equation (Greene, Table 15.3).
  const Model tsls = EstimateKlein(EstimationMethod::kTsls);
  ExpectRelative(tsls.equations[0].std_errors, {1.468, 0.1312, 0.1192, 0.04474}, 1e-3, "2SLS C");
}

TEST(Estimation, KleinFullInformationLogLikelihood) {
  const Model model = EstimateKlein(EstimationMethod::kFiml);
  ASSERT_TRUE(model.log_likelihood.has_value());
  EXPECT_NEAR(*model.log_likelihood, -83.32, 0.005);
  // The log-likelihood is the concentrated one: -T M/2 (1 + log 2 pi) + T log|det Gamma|
  // - T/2 log|Sigma|, with Sigma the residual covariance reported.
  ASSERT_EQ(model.residual_covariance.size(), 3u);
  Eigen::Matrix3d sigma;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) sigma(i, j) = model.residual_covariance[i][j];
  }
  const double logDetGamma =
      *model.log_likelihood + 0.5 * 21 * 3 * (1 + std::log(2 * M_PI)) + 0.5 * 21 * std::log(sigma.determinant());
  EXPECT_GT(logDetGamma / 21, -1);  // a well-defined, non-singular Jacobian
  EXPECT_LT(logDetGamma / 21, 1);
}

void ExpectDigits(double value, double certified, double digits, const std::string& what) {
  EXPECT_LE(std::fabs(value - certified), std::fabs(certified) * std::pow(10.0, -digits))
      << what << ": " << value << " vs " << certified;
}

// The NIST StRD linear regression data sets through the OLS path: the certified values to
// nine significant digits (coefficients, standard errors, residual standard deviation, R²).
TEST(Estimation, NistNorrisAndLongleyCertifiedValues) {
  const struct {
    std::string file, system;
    std::vector<double> b, se;
    double sigma, r2;
  } cases[] = {
      {std::string(QUANTORIAL_SHARED_DATA) + "/../../regression/norris.csv",
       "equation y const x\n",
       {-0.262323073774029, 1.00211681802045},
       {0.232818234301152, 0.429796848199937E-03},
       0.884796396144373,
       0.999993745883712},
      {std::string(QUANTORIAL_SHARED_DATA) + "/longley.csv",
       "equation Employed const Deflator GNP Unemployed Armed Population Year\n",
       {-3482258.63459582, 15.0618722713733, -0.358191792925910E-01, -2.02022980381683, -1.03322686717359,
        -0.511041056535807E-01, 1829.15146461355},
       {890420.383607373, 84.9149257747669, 0.334910077722432E-01, 0.488399681651699, 0.214274163161675,
        0.226073200069370, 455.478499142212},
       304.854073561965,
       0.995479004577296},
  };
  for (const auto& c : cases) {
    DataTable data;
    SystemSpec spec;
    std::string error;
    ASSERT_TRUE(ParseDataTable(ReadText(c.file), data, error)) << c.file << ": " << error;
    ASSERT_TRUE(ParseSystemFile(c.system, spec, error)) << error;
    const EstimationOutcome out = EstimateSystem(spec, data, {});
    ASSERT_TRUE(out.ok) << out.error;
    const EquationEstimate& eq = out.model.equations[0];
    for (std::size_t j = 0; j < c.b.size(); ++j) {
      ExpectDigits(eq.coefficients[j], c.b[j], 9, c.file + " b" + std::to_string(j));
      ExpectDigits(eq.std_errors[j], c.se[j], 9, c.file + " se" + std::to_string(j));
    }
    ExpectDigits(eq.sigma, c.sigma, 9, c.file + " sigma");
    ExpectDigits(eq.r_squared, c.r2, 9, c.file + " R2");
  }
}

// Columns of the Klein data over 1921-1941, lagged by `lag` years.
Eigen::VectorXd KleinColumn(const DataTable& data, const std::string& name, int lag = 0) {
  Eigen::VectorXd v(21);
  for (int t = 0; t < 21; ++t) {
    const int row = 1 + t - lag;
    v(t) = name == "const" ? 1.0 : name == "A" ? data.years[row] - 1931.0 : data.columns[data.Find(name)][row];
  }
  return v;
}

// LIML by its definition, independently of the k-class route the estimator takes: the
// smallest root of det(W1 - k W0) = 0 found by bisection on the determinant, the structural
// coefficients of the endogenous variables from the null vector of W1 - k W0, and those of
// the included predetermined variables by least squares on what is left.
TEST(Estimation, LimlAgreesWithTheMinimumVarianceRatio) {
  const DataTable data = KleinData();
  Eigen::MatrixXd Z(21, 8);
  const char* instruments[] = {"const", "G", "T", "A", "Wg"};
  for (int j = 0; j < 5; ++j) Z.col(j) = KleinColumn(data, instruments[j]);
  Z.col(5) = KleinColumn(data, "P", 1);
  Z.col(6) = KleinColumn(data, "K", 1);
  Z.col(7) = KleinColumn(data, "X", 1);
  // The consumption equation: C on P, W (endogenous) and const, P(-1).
  Eigen::VectorXd W = KleinColumn(data, "Wp") + KleinColumn(data, "Wg");
  Eigen::MatrixXd Y(21, 3);
  Y << KleinColumn(data, "C"), KleinColumn(data, "P"), W;
  Eigen::MatrixXd X1(21, 2);
  X1 << KleinColumn(data, "const"), KleinColumn(data, "P", 1);
  const Eigen::MatrixXd I = Eigen::MatrixXd::Identity(21, 21);
  const Eigen::MatrixXd Mz = I - Z * (Z.transpose() * Z).inverse() * Z.transpose();
  const Eigen::MatrixXd M1 = I - X1 * (X1.transpose() * X1).inverse() * X1.transpose();
  const Eigen::MatrixXd W0 = Y.transpose() * Mz * Y;
  const Eigen::MatrixXd W1 = Y.transpose() * M1 * Y;
  auto det = [&](double k) { return (W1 - k * W0).determinant(); };
  double lo = 1, hi = 1;
  while (det(hi + 0.001) * det(lo) > 0 && hi < 100) hi += 0.001, lo = hi - 0.001;
  hi += 0.001;
  for (int it = 0; it < 200; ++it) {
    const double mid = 0.5 * (lo + hi);
    (det(mid) * det(lo) > 0 ? lo : hi) = mid;
  }
  const double k = 0.5 * (lo + hi);
  const Eigen::FullPivLU<Eigen::MatrixXd> lu(W1 - k * W0);
  Eigen::VectorXd beta = lu.kernel().col(0);
  beta /= beta(0);
  const Eigen::VectorXd gamma = -beta.tail(2);
  const Eigen::VectorXd rest = KleinColumn(data, "C") - Y.rightCols(2) * gamma;
  const Eigen::VectorXd delta = (X1.transpose() * X1).inverse() * X1.transpose() * rest;

  EstimationRequest request;
  request.method = EstimationMethod::kLiml;
  const EstimationOutcome out = EstimateSystem(KleinSystem(), data, request);
  ASSERT_TRUE(out.ok) << out.error;
  const EquationEstimate& c = out.model.equations[0];
  ASSERT_TRUE(c.liml_kappa.has_value());
  EXPECT_NEAR(*c.liml_kappa, k, 1e-9);
  ExpectRelative(c.coefficients, {delta(0), gamma(0), delta(1), gamma(1)}, 1e-7, "LIML C by definition");
}

// SUR by the textbook stacked formula with the Kronecker product, (X'(S^-1 (x) I)X)^-1
// X'(S^-1 (x) I)y, S from the OLS residuals over T: the estimator assembles it block by block.
TEST(Estimation, SurAgreesWithTheStackedKroneckerFormula) {
  const DataTable data = KleinData();
  const Eigen::VectorXd W = KleinColumn(data, "Wp") + KleinColumn(data, "Wg");
  std::vector<Eigen::MatrixXd> X(3, Eigen::MatrixXd(21, 4));
  std::vector<Eigen::VectorXd> y = {KleinColumn(data, "C"), KleinColumn(data, "I"), KleinColumn(data, "Wp")};
  X[0] << KleinColumn(data, "const"), KleinColumn(data, "P"), KleinColumn(data, "P", 1), W;
  X[1] << KleinColumn(data, "const"), KleinColumn(data, "P"), KleinColumn(data, "P", 1), KleinColumn(data, "K", 1);
  X[2] << KleinColumn(data, "const"), KleinColumn(data, "X"), KleinColumn(data, "X", 1), KleinColumn(data, "A");
  Eigen::MatrixXd E(21, 3), Xs = Eigen::MatrixXd::Zero(63, 12);
  Eigen::VectorXd ys(63);
  for (int i = 0; i < 3; ++i) {
    const Eigen::VectorXd b = (X[i].transpose() * X[i]).inverse() * X[i].transpose() * y[i];
    E.col(i) = y[i] - X[i] * b;
    Xs.block(21 * i, 4 * i, 21, 4) = X[i];
    ys.segment(21 * i, 21) = y[i];
  }
  const Eigen::MatrixXd S = E.transpose() * E / 21.0;
  const Eigen::MatrixXd Sinv = S.inverse();
  Eigen::MatrixXd Omega = Eigen::MatrixXd::Zero(63, 63);
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) Omega.block(21 * i, 21 * j, 21, 21) = Sinv(i, j) * Eigen::MatrixXd::Identity(21, 21);
  }
  const Eigen::MatrixXd A = Xs.transpose() * Omega * Xs;
  const Eigen::VectorXd b = A.inverse() * Xs.transpose() * Omega * ys;
  const Eigen::MatrixXd cov = A.inverse();

  const Model model = EstimateKlein(EstimationMethod::kSur);
  for (int i = 0; i < 3; ++i) {
    std::vector<double> want, se;
    for (int j = 0; j < 4; ++j) {
      want.push_back(b(4 * i + j));
      se.push_back(std::sqrt(cov(4 * i + j, 4 * i + j)));
    }
    ExpectRelative(model.equations[i].coefficients, want, 1e-8, "SUR " + model.equations[i].dependent);
    ExpectRelative(model.equations[i].std_errors, se, 1e-7, "SUR se " + model.equations[i].dependent);
  }
}

// Systems that parse but cannot be estimated on the Klein data: each message names the line
// and the name at fault, and nothing is estimated.
TEST(Estimation, UnestimableSystemsNameTheLineAndTheName) {
  const struct {
    const char* system;
    EstimationMethod method;
    const char* message;
  } cases[] = {
      {"equation C const Nope\n", EstimationMethod::kOls, "line 1: the data has no series Nope"},
      {"equation C const P\nidentity Q = P + Nope(-1)\n", EstimationMethod::kOls,
       "line 2: the data has no series Nope"},
      {"equation C const P\nseries A = year + Nope\n", EstimationMethod::kOls,
       "line 2: series A: the data has no series Nope"},
      {"equation C const P P(-1)\nsample 1920 1941\n", EstimationMethod::kOls,
       "line 1: the lag P(-1) needs the year 1919, before the data's first year 1920"},
      {"equation C const P W\nidentity W = Wp + Wg\ninstr const G\n", EstimationMethod::kTsls,
       "line 1: the equation for C is not identified: 3 regressors but only 2 instruments"},
      {"series P2 = 2*P\nequation C const P P2\n", EstimationMethod::kOls,
       "line 2: the moment matrix of the equation for C is singular: its regressors are collinear"},
      {"equation C const P Wp\nsample 1921 1923\n", EstimationMethod::kOls,
       "line 1: the equation for C has 3 regressors but the sample 1921-1923 has only 3 rows"},
      {"equation C const P\nsample 1900 1941\n", EstimationMethod::kOls,
       "the sample 1900-1941 is outside the data's years 1920-1941"},
      {"equation C const P\nendog P\n", EstimationMethod::kOls,
       "line 1: the dependent variable C is not listed as endogenous"},
      {"equation C const P\nendog C P\ninstr const P G\n", EstimationMethod::kTsls,
       "line 3: the endogenous variable P cannot be an instrument"},
      {"equation C const P\nendog C P\n", EstimationMethod::kFiml,
       "FIML needs as many equations and identities (1) as endogenous variables (2)"},
      {"series D = G + T\nequation C const P\ninstr const G T D\n", EstimationMethod::kTsls,
       "line 3: the instruments' moment matrix is singular"},
  };
  const DataTable data = KleinData();
  for (const auto& c : cases) {
    SystemSpec spec;
    std::string error;
    ASSERT_TRUE(ParseSystemFile(c.system, spec, error)) << c.system << error;
    EstimationRequest request;
    request.method = c.method;
    const EstimationOutcome out = EstimateSystem(spec, data, request);
    EXPECT_FALSE(out.ok) << c.system;
    EXPECT_EQ(out.error.rfind(c.message, 0), 0u) << c.system << " gave: " << out.error;
  }
}

TEST(Estimation, DefaultsTakeEveryLeftHandSideAndEveryPredeterminedName) {
  SystemSpec spec = KleinSystem();
  spec.endogenous.clear();
  spec.endogLine = 0;
  spec.instruments.clear();
  spec.instrLine = 0;
  spec.sample.reset();
  EstimationRequest request;
  request.method = EstimationMethod::kTsls;
  const EstimationOutcome out = EstimateSystem(spec, KleinData(), request);
  ASSERT_TRUE(out.ok) << out.error;
  EXPECT_EQ(out.model.endogenous, (std::vector<std::string>{"C", "I", "Wp", "P", "W", "X", "K"}));
  EXPECT_EQ(out.model.exogenous, (std::vector<std::string>{"const", "A", "T", "Wg", "G", "P(-1)", "K(-1)", "X(-1)"}));
  EXPECT_EQ(out.model.instruments, out.model.exogenous);
  // The lags start the sample in 1921, the data's second year: the same 2SLS as the table.
  EXPECT_EQ(out.model.sample_first, 1921);
  EXPECT_EQ(out.model.sample_last, 1941);
  ExpectRelative(out.model.equations[0].coefficients, {16.5548, 0.0173022, 0.216234, 0.810183}, 1e-4, "2SLS C");
  // The identity's left-hand side the data lacks is computed: W = Wp + Wg.
  const int w = out.data.Find("W");
  ASSERT_GE(w, 0);
  EXPECT_DOUBLE_EQ(out.data.columns[w][0], 28.8 + 2.2);
}

}  // namespace
}  // namespace quantorial
