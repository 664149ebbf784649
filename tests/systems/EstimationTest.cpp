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

// κ for an equation without endogenous regressors is not 1: with Y = y alone, the smallest
// root of |W1 − κ W0| is the ratio y'M1y / y'Mz y of its residual sums of squares on its
// own regressors and on all instruments (the coefficients are OLS's all the same).
TEST(Estimation, LimlKappaOfAnEquationWithoutEndogenousRegressors) {
  SystemSpec spec = KleinSystem();
  std::string error;
  ASSERT_TRUE(
      ParseSystemFile("series A = year - 1931\n"
                      "equation C const P P(-1) W\n"
                      "equation I const P(-1) K(-1)\n"
                      "identity W = Wp + Wg\n"
                      "endog C I P W\n"
                      "instr const G T A Wg P(-1) K(-1) X(-1)\n"
                      "sample 1921 1941\n",
                      spec, error))
      << error;
  const DataTable data = KleinData();
  EstimationRequest request;
  request.method = EstimationMethod::kLiml;
  const EstimationOutcome out = EstimateSystem(spec, data, request);
  ASSERT_TRUE(out.ok) << out.error;
  Eigen::MatrixXd Z(21, 8), X1(21, 3);
  const char* instruments[] = {"const", "G", "T", "A", "Wg"};
  for (int j = 0; j < 5; ++j) Z.col(j) = KleinColumn(data, instruments[j]);
  Z.col(5) = KleinColumn(data, "P", 1);
  Z.col(6) = KleinColumn(data, "K", 1);
  Z.col(7) = KleinColumn(data, "X", 1);
  X1 << KleinColumn(data, "const"), KleinColumn(data, "P", 1), KleinColumn(data, "K", 1);
  const Eigen::VectorXd y = KleinColumn(data, "I");
  const auto residualSquares = [&y](const Eigen::MatrixXd& A) {
    const Eigen::VectorXd b = A.colPivHouseholderQr().solve(y);
    return (y - A * b).squaredNorm();
  };
  const EquationEstimate& investment = out.model.equations[1];
  ASSERT_TRUE(investment.liml_kappa.has_value());
  EXPECT_NEAR(*investment.liml_kappa, residualSquares(X1) / residualSquares(Z), 1e-10);
  EXPECT_GT(*investment.liml_kappa, 1.01);
  const Eigen::VectorXd ols = X1.colPivHouseholderQr().solve(y);
  ExpectRelative(investment.coefficients, {ols(0), ols(1), ols(2)}, 1e-10, "LIML I = OLS");
}

// The concentrated log-likelihood of Klein's Model I written out here, for a Hessian that
// does not come from the estimator: θ = C (const, P, P(-1), W), I (const, P, P(-1), K(-1)),
// Wp (const, X, X(-1), A); the endogenous order C I Wp P W X K.
double KleinLogLikelihood(const DataTable& data, const Eigen::VectorXd& t) {
  const Eigen::VectorXd C = KleinColumn(data, "C"), I = KleinColumn(data, "I"), Wp = KleinColumn(data, "Wp"),
                        P = KleinColumn(data, "P"), X = KleinColumn(data, "X"), W = Wp + KleinColumn(data, "Wg");
  Eigen::MatrixXd E(21, 3);
  E.col(0) = C - (t(0) * KleinColumn(data, "const") + t(1) * P + t(2) * KleinColumn(data, "P", 1) + t(3) * W);
  E.col(1) = I - (t(4) * KleinColumn(data, "const") + t(5) * P + t(6) * KleinColumn(data, "P", 1) +
                  t(7) * KleinColumn(data, "K", 1));
  E.col(2) = Wp - (t(8) * KleinColumn(data, "const") + t(9) * X + t(10) * KleinColumn(data, "X", 1) +
                   t(11) * KleinColumn(data, "A"));
  Eigen::MatrixXd G = Eigen::MatrixXd::Identity(7, 7);
  G(0, 3) = -t(1), G(0, 4) = -t(3);  // C on P and W
  G(1, 3) = -t(5);                   // I on P
  G(2, 5) = -t(9);                   // Wp on X
  G(3, 5) = -1, G(3, 2) = 1;         // P = X − T − Wp
  G(4, 2) = -1;                      // W = Wp + Wg
  G(5, 0) = -1, G(5, 1) = -1;        // X = C + I + G
  G(6, 1) = -1;                      // K = K(-1) + I
  const Eigen::MatrixXd sigma = E.transpose() * E / 21.0;
  return -0.5 * 21 * 3 * (1 + std::log(2 * M_PI)) + 21 * std::log(std::fabs(G.determinant())) -
         0.5 * 21 * std::log(sigma.determinant());
}

// FIML's two standard errors on Klein's Model I, 1921–1941. The 3SLS form at the FIML
// estimates is what gretl 2022c prints (and Greene's Table 15.7); the default, the inverse
// Hessian, is checked against the Hessian of the log-likelihood above by second differences
// of the likelihood itself, extrapolated (Richardson) to a zero step. The likelihood is far
// from quadratic here (its curvature halves within a tenth of a standard error), so the
// steps are small: 2 and 4 ten-thousandths of each standard error.
TEST(Estimation, KleinFimlStandardErrorsFromTheHessianOrTheThreeStageForm) {
  EstimationRequest request;
  request.method = EstimationMethod::kFiml;
  request.fimlStandardErrors = FimlStandardErrors::kThreeSls;
  const EstimationOutcome textbook = EstimateSystem(KleinSystem(), KleinData(), request);
  ASSERT_TRUE(textbook.ok) << textbook.error;
  EXPECT_TRUE(textbook.converged) << textbook.nonconvergence;
  EXPECT_EQ(textbook.model.standard_errors, "3sls");
  ExpectRelative(textbook.model.equations[0].std_errors, {2.48502, 0.311955, 0.217357, 0.0358931}, 2e-5, "gretl C");
  ExpectRelative(textbook.model.equations[1].std_errors, {7.93770, 0.491420, 0.352459, 0.0298547}, 2e-5, "gretl I");
  ExpectRelative(textbook.model.equations[2].std_errors, {1.80442, 0.0488180, 0.0452086, 0.0345002}, 2e-5, "gretl Wp");

  request.fimlStandardErrors = FimlStandardErrors::kHessian;
  const EstimationOutcome out = EstimateSystem(KleinSystem(), KleinData(), request);
  ASSERT_TRUE(out.ok) << out.error;
  EXPECT_TRUE(out.converged);
  EXPECT_TRUE(out.model.converged);
  EXPECT_GT(out.model.iterations, 0);
  ASSERT_TRUE(out.model.gradient_norm.has_value());
  EXPECT_LT(*out.model.gradient_norm, kFimlGradientTolerance);
  EXPECT_EQ(out.model.standard_errors, "hessian");
  const DataTable data = KleinData();
  Eigen::VectorXd theta(12), scale(12);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 4; ++j) {
      theta(4 * i + j) = out.model.equations[i].coefficients[j];
      scale(4 * i + j) = out.model.equations[i].std_errors[j];
    }
  ASSERT_TRUE(out.model.log_likelihood.has_value());
  EXPECT_NEAR(KleinLogLikelihood(data, theta), *out.model.log_likelihood, 1e-9);
  const auto secondDifference = [&](int i, int j, double delta) {
    const double hi = delta * scale(i), hj = delta * scale(j);
    auto at = [&](double si, double sj) {
      Eigen::VectorXd x = theta;
      x(i) += si * hi;
      x(j) += sj * hj;
      return KleinLogLikelihood(data, x);
    };
    return (at(1, 1) - at(1, -1) - at(-1, 1) + at(-1, -1)) / (4 * hi * hj);
  };
  Eigen::MatrixXd H(12, 12);
  for (int i = 0; i < 12; ++i)
    for (int j = 0; j < 12; ++j) H(i, j) = (4 * secondDifference(i, j, 0.0002) - secondDifference(i, j, 0.0004)) / 3;
  const Eigen::MatrixXd covariance = (-H).inverse();
  for (int k = 0; k < 12; ++k) EXPECT_NEAR(scale(k), std::sqrt(covariance(k, k)), 3e-5 * scale(k)) << "parameter " << k;
  // The Hessian's standard errors are larger than the textbook's here.
  EXPECT_GT(out.model.equations[0].std_errors[0], 1.2 * textbook.model.equations[0].std_errors[0]);
}

// Klein's model on 1921–1930 has no finite maximum of the likelihood (gretl stops with an
// error): FIML says it did not converge, why, and marks the model.
TEST(Estimation, FimlWithoutAMaximumIsNotConverged) {
  EstimationRequest request;
  request.method = EstimationMethod::kFiml;
  request.sample = std::make_pair(1921, 1930);
  const EstimationOutcome out = EstimateSystem(KleinSystem(), KleinData(), request);
  ASSERT_TRUE(out.ok) << out.error;
  EXPECT_FALSE(out.converged);
  EXPECT_FALSE(out.model.converged);
  EXPECT_EQ(out.nonconvergence.rfind("FIML did not converge after ", 0), 0u) << out.nonconvergence;
  // Converged runs record the same fields; the closed-form methods converge at once.
  const Model ols = EstimateKlein(EstimationMethod::kOls);
  EXPECT_TRUE(ols.converged);
  EXPECT_EQ(ols.iterations, 0);
  EXPECT_FALSE(ols.gradient_norm.has_value());
}

// FIML is identified by its structure: an instrument list too short for 3SLS only changes
// its start (SUR), not its estimates.
TEST(Estimation, FimlNeedsNoInstruments) {
  SystemSpec spec = KleinSystem();
  std::string error;
  std::string text = ReadText(std::string(QUANTORIAL_SAMPLES_DIR) + "/klein.sys");
  text.replace(text.find("instr const G T A Wg P(-1) K(-1) X(-1)"), 38, "instr const G");
  ASSERT_TRUE(ParseSystemFile(text, spec, error)) << error;
  EstimationRequest request;
  request.method = EstimationMethod::kThreeSls;
  EXPECT_FALSE(EstimateSystem(spec, KleinData(), request).ok);
  request.method = EstimationMethod::kFiml;
  const EstimationOutcome out = EstimateSystem(spec, KleinData(), request);
  ASSERT_TRUE(out.ok) << out.error;
  EXPECT_TRUE(out.converged) << out.nonconvergence;
  ExpectRelative(out.model.equations[0].coefficients, EstimateKlein(EstimationMethod::kFiml).equations[0].coefficients,
                 1e-5, "FIML C from SUR");
  EXPECT_TRUE(out.model.instruments.empty());
  ASSERT_FALSE(out.notices.empty());
  EXPECT_EQ(out.notices[0].rfind("FIML starts from SUR estimates", 0), 0u) << out.notices[0];
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
      {"series P = 2*G\nequation C const P\n", EstimationMethod::kOls,
       "line 1: series P would replace the data's column P; give the derived series another name"},
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

// An identity whose left-hand side is not endogenous has no row in the system: every method
// refuses it before estimating (FIML used to write past its Jacobian).
TEST(Estimation, IdentityOutsideTheEndogenousListIsRefusedByEveryMethod) {
  SystemSpec spec;
  std::string error;
  ASSERT_TRUE(
      ParseSystemFile("equation C const P W\nequation P const W G\nidentity W = Wp + Wg\nendog C P\n", spec, error))
      << error;
  for (const auto method : {EstimationMethod::kOls, EstimationMethod::kTsls, EstimationMethod::kThreeSls,
                            EstimationMethod::kSur, EstimationMethod::kLiml, EstimationMethod::kFiml}) {
    EstimationRequest request;
    request.method = method;
    const EstimationOutcome out = EstimateSystem(spec, KleinData(), request);
    EXPECT_FALSE(out.ok) << EstimationMethodName(method);
    EXPECT_EQ(out.error.rfind("line 3: the identity for W explains a variable that is not listed as endogenous (endog "
                              "on line 4)",
                              0),
              0u)
        << EstimationMethodName(method) << ": " << out.error;
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
