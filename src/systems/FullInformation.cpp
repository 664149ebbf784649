#include <gsl/gsl_errno.h>
#include <gsl/gsl_multimin.h>

#include <algorithm>
#include <cmath>

#include "systems/EstimationDetail.h"

namespace quantorial::estimation_detail {

namespace {

// The optimiser works on u with theta = start + scale * u, the scale being the 3SLS standard
// errors, so that the parameters are of one size and the problem well conditioned.
struct FimlContext {
  const FullInformation* model;
  VectorXd start;
  VectorXd scale;
  VectorXd Theta(const gsl_vector* x) const {
    return start + scale.cwiseProduct(Eigen::Map<const VectorXd>(x->data, static_cast<int>(x->size)));
  }
};

double FimlF(const gsl_vector* x, void* params) {
  const auto* c = static_cast<FimlContext*>(params);
  const double ll = c->model->LogLikelihood(c->Theta(x));
  return std::isfinite(ll) ? -ll : 1e300;
}

void FimlDf(const gsl_vector* x, void* params, gsl_vector* g) {
  const auto* c = static_cast<FimlContext*>(params);
  const VectorXd d = -c->model->Gradient(c->Theta(x)).cwiseProduct(c->scale);
  for (int i = 0; i < d.size(); ++i) gsl_vector_set(g, i, std::isfinite(d(i)) ? d(i) : 0.0);
}

void FimlFdf(const gsl_vector* x, void* params, double* f, gsl_vector* g) {
  *f = FimlF(x, params);
  FimlDf(x, params, g);
}

}  // namespace

// Maximises the log-likelihood from `theta` with the parameters scaled by `scale`. Returns
// whether the gradient test was met.
bool MaximiseLikelihood(const FullInformation& model, const VectorXd& scale, VectorXd& theta, int& iterations) {
  gsl_set_error_handler_off();
  const int K = model.Size();
  FimlContext context{&model, theta, scale};
  gsl_multimin_function_fdf function;
  function.n = K;
  function.f = &FimlF;
  function.df = &FimlDf;
  function.fdf = &FimlFdf;
  function.params = &context;
  gsl_vector* x = gsl_vector_calloc(K);
  gsl_multimin_fdfminimizer* s = gsl_multimin_fdfminimizer_alloc(gsl_multimin_fdfminimizer_vector_bfgs2, K);
  gsl_multimin_fdfminimizer_set(s, &function, x, 0.1, 0.1);
  bool converged = false;
  for (iterations = 0; iterations < kMaxFimlIterations; ++iterations) {
    if (gsl_multimin_fdfminimizer_iterate(s) != GSL_SUCCESS) {
      converged = gsl_multimin_test_gradient(s->gradient, 1e-4) == GSL_SUCCESS;
      break;
    }
    if (gsl_multimin_test_gradient(s->gradient, 1e-7) == GSL_SUCCESS) {
      converged = true;
      break;
    }
  }
  theta = context.Theta(s->x);
  gsl_multimin_fdfminimizer_free(s);
  gsl_vector_free(x);
  return converged;
}

// The Hessian of the log-likelihood by central differences of its gradient, symmetrised.
// Each step is a small part of the parameter's scale (its 3SLS standard error), as the
// quasi-Newton search scales it: a step by the parameter's size would be far too long for
// a coefficient with a small standard error and far too short for one with a large one.
MatrixXd LikelihoodHessian(const FullInformation& model, const VectorXd& theta, const VectorXd& scale) {
  const int K = static_cast<int>(theta.size());
  MatrixXd H(K, K);
  VectorXd x = theta;
  for (int i = 0; i < K; ++i) {
    const double h = 1e-4 * scale(i);
    x(i) = theta(i) + h;
    const VectorXd up = model.Gradient(x);
    x(i) = theta(i) - h;
    const VectorXd down = model.Gradient(x);
    x(i) = theta(i);
    H.col(i) = (up - down) / (2 * h);
  }
  return 0.5 * (H + H.transpose());
}

// Newton steps from the quasi-Newton optimum, with the numerical Hessian there held fixed and
// the gradient renewed at each step: the likelihood surface of a small system is flat along
// some directions, where BFGS stops short. A step is kept only when the likelihood rises.
void PolishLikelihood(const FullInformation& model, const VectorXd& scale, VectorXd& theta, int steps) {
  const Eigen::LDLT<MatrixXd> ldlt(-LikelihoodHessian(model, theta, scale));
  if (ldlt.info() != Eigen::Success || !ldlt.isPositive()) return;
  for (int step = 0; step < steps; ++step) {
    const VectorXd g = model.Gradient(theta);
    const VectorXd delta = ldlt.solve(g);
    const double before = model.LogLikelihood(theta);
    const VectorXd trial = theta + delta;
    const double after = model.LogLikelihood(trial);
    if (!(after > before)) break;
    theta = trial;
    if (after - before < 1e-13 * std::max(1.0, std::fabs(before))) break;
  }
}

}  // namespace quantorial::estimation_detail
