#include "systems/Report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quantorial {

namespace {

std::string Format(const char* format, double value) {
  if (!std::isfinite(value)) return "n/a";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

std::string Pad(const std::string& text, std::size_t width, bool right = true) {
  if (text.size() >= width) return text;
  const std::string fill(width - text.size(), ' ');
  return right ? fill + text : text + fill;
}

std::string Join(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& n : names) text += (text.empty() ? "" : " ") + n;
  return text;
}

std::string Title(const std::string& method) {
  std::string title = method;
  for (char& c : title) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return title;
}

bool SystemMethod(const std::string& method) { return method == "3sls" || method == "sur" || method == "fiml"; }

}  // namespace

std::string EstimationReport(const Model& model, const std::vector<std::string>& notices,
                             const std::string& nonconvergence) {
  std::string r;
  if (!model.converged) {
    r += "NOT CONVERGED: " +
         (nonconvergence.empty() ? std::string("the likelihood's maximum was not found") : nonconvergence) +
         ".\nThe estimates below are not a maximum of the likelihood; do not use them as results.\n\n";
  }
  r += "System estimated by " + Title(model.method) + "\n";
  r += "Sample: " + std::to_string(model.sample_first) + "-" + std::to_string(model.sample_last) + " (" +
       std::to_string(model.observations) + " observations)\n";
  r += "Endogenous: " + Join(model.endogenous) + "\n";
  r += "Predetermined: " + Join(model.exogenous) + "\n";
  if (!model.instruments.empty()) r += "Instruments: " + Join(model.instruments) + "\n";
  if (model.method == "fiml") {
    if (model.standard_errors == "3sls") {
      r += "Standard errors: the 3SLS form at the FIML estimates, [sum_ij s^ij Xi'Xj]^-1 with the current "
           "endogenous regressors at their reduced-form values and s^ij the inverse of the FIML residual "
           "covariance (divided by T), as the textbook tables give them (--fiml-se 3sls); p values from the "
           "normal distribution.\n";
    } else {
      r += "Standard errors: from the inverse Hessian of the concentrated log-likelihood at its maximum "
           "(--fiml-se hessian, the default; --fiml-se 3sls gives the 3SLS form the textbook tables use); p values "
           "from the normal distribution.\n";
    }
    char line[160];
    std::snprintf(line, sizeof line,
                  "Convergence: %s after %d iterations; largest gradient element %s (in units of "
                  "the 3SLS standard errors)\n",
                  model.converged ? "reached" : "NOT reached", model.iterations,
                  model.gradient_norm ? Format("%.3g", *model.gradient_norm).c_str() : "n/a");
    r += line;
  } else if (SystemMethod(model.method)) {
    r += "Standard errors: asymptotic, from the residual covariance divided by T (no degrees-of-freedom "
         "correction); p values from the normal distribution.\n";
  } else {
    r += "Standard errors: the residual variance divided by T - k (k regressors in the equation); p values "
         "from Student's t with T - k degrees of freedom.\n";
  }

  for (std::size_t i = 0; i < model.equations.size(); ++i) {
    const EquationEstimate& eq = model.equations[i];
    r += "\nEquation " + std::to_string(i + 1) + ": " + eq.dependent + "\n";
    std::size_t width = 10;
    for (const std::string& name : eq.regressors) width = std::max(width, name.size() + 2);
    r += "  " + Pad("Regressor", width, false) + Pad("Coefficient", 15) + Pad("Std. error", 15) + Pad("t ratio", 10) +
         Pad("p value", 10) + "\n";
    for (std::size_t j = 0; j < eq.regressors.size(); ++j) {
      const auto at = [&](const std::vector<double>& v) { return j < v.size() ? v[j] : std::nan(""); };
      r += "  " + Pad(eq.regressors[j], width, false) + Pad(Format("%.6g", eq.coefficients[j]), 15) +
           Pad(Format("%.6g", at(eq.std_errors)), 15) + Pad(Format("%.3f", at(eq.t_values)), 10) +
           Pad(Format("%.4f", at(eq.p_values)), 10) + "\n";
    }
    r += "  R-squared " + Format("%.6f", eq.r_squared) + "   Std. error of regression " + Format("%.6g", eq.sigma) +
         "   Durbin-Watson " + Format("%.4f", eq.durbin_watson) + "\n";
    if (!eq.first_stage_f.empty()) {
      r += "  First-stage F:";
      for (const auto& [name, f] : eq.first_stage_f) r += " " + name + " " + Format("%.4g", f);
      r += "\n";
    }
    if (eq.liml_kappa) r += "  LIML k: " + Format("%.6f", *eq.liml_kappa) + "\n";
  }

  if (!model.identities.empty()) {
    r += "\nIdentities\n";
    for (const IdentityEstimate& id : model.identities) {
      std::string line = "  " + id.dependent + " =";
      bool first = true;
      for (const auto& [name, coef] : id.terms) {
        const bool constant = name == "const";
        const double a = std::fabs(coef);
        std::string term = constant ? Format("%.6g", a) : (a == 1 ? name : Format("%.6g", a) + "*" + name);
        line += first ? (coef < 0 ? " -" : "") + std::string(" ") + term : (coef < 0 ? " - " : " + ") + term;
        first = false;
      }
      r += line + "\n";
    }
  }

  if (!model.residual_covariance.empty()) {
    r += "\nResidual covariance (divided by T)\n";
    std::size_t width = 8;
    for (const EquationEstimate& eq : model.equations) width = std::max(width, eq.dependent.size() + 2);
    r += "  " + Pad("", width, false);
    for (const EquationEstimate& eq : model.equations) r += Pad(eq.dependent, 14);
    r += "\n";
    for (std::size_t i = 0; i < model.residual_covariance.size(); ++i) {
      r += "  " + Pad(i < model.equations.size() ? model.equations[i].dependent : "", width, false);
      for (double v : model.residual_covariance[i]) r += Pad(Format("%.6g", v), 14);
      r += "\n";
    }
  }
  if (model.log_likelihood) r += "\nLog-likelihood: " + Format("%.4f", *model.log_likelihood) + "\n";
  for (const std::string& n : notices) r += "Note: " + n + "\n";
  return r;
}

}  // namespace quantorial
