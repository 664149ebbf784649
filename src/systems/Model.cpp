#include "systems/Model.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

namespace quantorial {

namespace {

using nlohmann::json;

json Number(double v) { return std::isfinite(v) ? json(v) : json(nullptr); }

json Numbers(const std::vector<double>& values) {
  json a = json::array();
  for (double v : values) a.push_back(Number(v));
  return a;
}

// The readers below take a JSON value of the expected shape or leave a message naming the key.
bool ReadString(const json& object, const char* key, std::string& out, std::string& error, const std::string& where) {
  const auto it = object.find(key);
  if (it == object.end() || !it->is_string()) {
    error = where + "\"" + key + "\" must be a text";
    return false;
  }
  out = it->get<std::string>();
  return true;
}

bool ReadDouble(const json& value, double& out) {
  if (value.is_null()) {
    out = std::nan("");
    return true;
  }
  if (!value.is_number()) return false;
  out = value.get<double>();
  return true;
}

// A list under `key` whose every element `element` reads; `kind` names what the list holds in
// the message of a wrong shape. A missing key is an error only when `required`.
template <typename T, typename ReadElement>
bool ReadList(const json& object, const char* key, std::vector<T>& out, std::string& error, const std::string& where,
              bool required, const char* kind, ReadElement element) {
  const auto it = object.find(key);
  if (it == object.end()) {
    if (!required) return true;
    error = where + "\"" + key + "\" is missing";
    return false;
  }
  const std::string wrongShape = where + "\"" + key + "\" must be a list of " + kind;
  if (!it->is_array()) {
    error = wrongShape;
    return false;
  }
  out.clear();
  for (const json& v : *it) {
    T value{};
    if (!element(v, value)) {
      error = wrongShape;
      return false;
    }
    out.push_back(std::move(value));
  }
  return true;
}

bool ReadNumbers(const json& object, const char* key, std::vector<double>& out, std::string& error,
                 const std::string& where, bool required = true) {
  return ReadList(object, key, out, error, where, required, "numbers",
                  [](const json& v, double& d) { return ReadDouble(v, d); });
}

bool ReadStrings(const json& object, const char* key, std::vector<std::string>& out, std::string& error,
                 const std::string& where, bool required = true) {
  return ReadList(object, key, out, error, where, required, "names", [](const json& v, std::string& text) {
    if (!v.is_string()) return false;
    text = v.get<std::string>();
    return true;
  });
}

bool ReadOptionalNumber(const json& object, const char* key, double& out, std::string& error,
                        const std::string& where) {
  const auto it = object.find(key);
  if (it == object.end()) return true;
  if (!ReadDouble(*it, out)) {
    error = where + "\"" + key + "\" must be a number";
    return false;
  }
  return true;
}

bool ReadModel(const json& root, Model& model, std::string& error) {
  if (!root.is_object()) {
    error = "the model must be a JSON object";
    return false;
  }
  if (!ReadString(root, "method", model.method, error, "")) return false;
  // A year is a whole number within the data files' years; a larger one would wrap when held.
  const auto year = [](const json& v) {
    if (v.is_number_unsigned()) return v.get<unsigned long long>() <= 10000000u;
    return v.is_number_integer() && v.get<long long>() >= -10000000 && v.get<long long>() <= 10000000;
  };
  const auto sample = root.find("sample");
  if (sample == root.end() || !sample->is_array() || sample->size() != 2 || !year((*sample)[0]) ||
      !year((*sample)[1]) || (*sample)[0].get<long long>() > (*sample)[1].get<long long>()) {
    error = "\"sample\" must be [FIRST, LAST] in years";
    return false;
  }
  model.sample_first = (*sample)[0].get<int>();
  model.sample_last = (*sample)[1].get<int>();
  const auto obs = root.find("observations");
  if (obs == root.end() || !obs->is_number_integer() || obs->get<long long>() < 0 || obs->get<long long>() > 1000000) {
    error = "\"observations\" must be a whole number";
    return false;
  }
  model.observations = obs->get<int>();
  if (!ReadStrings(root, "endogenous", model.endogenous, error, "")) return false;
  if (!ReadStrings(root, "exogenous", model.exogenous, error, "")) return false;
  if (!ReadStrings(root, "instruments", model.instruments, error, "", false)) return false;

  const auto equations = root.find("equations");
  if (equations == root.end() || !equations->is_array()) {
    error = "\"equations\" must be a list";
    return false;
  }
  for (std::size_t i = 0; i < equations->size(); ++i) {
    const json& e = (*equations)[i];
    const std::string where = "equation " + std::to_string(i + 1) + ": ";
    if (!e.is_object()) {
      error = where + "must be an object";
      return false;
    }
    EquationEstimate eq;
    if (!ReadString(e, "dependent", eq.dependent, error, where)) return false;
    if (!ReadStrings(e, "regressors", eq.regressors, error, where)) return false;
    if (!ReadNumbers(e, "coefficients", eq.coefficients, error, where)) return false;
    if (!ReadNumbers(e, "std_errors", eq.std_errors, error, where, false)) return false;
    if (!ReadNumbers(e, "t", eq.t_values, error, where, false)) return false;
    if (!ReadNumbers(e, "p", eq.p_values, error, where, false)) return false;
    if (eq.coefficients.size() != eq.regressors.size()) {
      error = where + "\"coefficients\" must have one number per regressor";
      return false;
    }
    for (const auto* list : {&eq.std_errors, &eq.t_values, &eq.p_values}) {
      if (!list->empty() && list->size() != eq.regressors.size()) {
        error = where + "\"std_errors\", \"t\" and \"p\" must have one number per regressor";
        return false;
      }
    }
    if (!ReadOptionalNumber(e, "r_squared", eq.r_squared, error, where)) return false;
    if (!ReadOptionalNumber(e, "sigma", eq.sigma, error, where)) return false;
    if (!ReadOptionalNumber(e, "durbin_watson", eq.durbin_watson, error, where)) return false;
    // The first-stage F of each endogenous regressor (an object by name) and LIML's k, when
    // the method gave them: kept, so that a model read and written again loses nothing.
    if (const auto f = e.find("first_stage_f"); f != e.end()) {
      if (!f->is_object()) {
        error = where + "\"first_stage_f\" must be an object of numbers by name";
        return false;
      }
      for (const auto& [name, value] : f->items()) {
        double d;
        if (!ReadDouble(value, d)) {
          error = where + "\"first_stage_f\" must be an object of numbers by name";
          return false;
        }
        eq.first_stage_f.emplace_back(name, d);
      }
    }
    if (e.contains("liml_k")) {
      double k;
      if (!ReadOptionalNumber(e, "liml_k", k, error, where)) return false;
      eq.liml_kappa = k;
    }
    model.equations.push_back(eq);
  }

  const auto identities = root.find("identities");
  if (identities != root.end()) {
    if (!identities->is_array()) {
      error = "\"identities\" must be a list";
      return false;
    }
    for (std::size_t i = 0; i < identities->size(); ++i) {
      const json& e = (*identities)[i];
      const std::string where = "identity " + std::to_string(i + 1) + ": ";
      IdentityEstimate id;
      if (!e.is_object() || !ReadString(e, "dependent", id.dependent, error, where)) {
        if (error.empty()) error = where + "must be an object";
        return false;
      }
      const auto terms = e.find("terms");
      if (terms == e.end() || !terms->is_array()) {
        error = where + "\"terms\" must be a list of [name, coefficient]";
        return false;
      }
      for (const json& t : *terms) {
        if (!t.is_array() || t.size() != 2 || !t[0].is_string() || !t[1].is_number()) {
          error = where + "\"terms\" must be a list of [name, coefficient]";
          return false;
        }
        id.terms.emplace_back(t[0].get<std::string>(), t[1].get<double>());
      }
      model.identities.push_back(id);
    }
  }

  // No covariance may be absent, null or an empty list (the writer's form of none).
  const auto cov = root.find("residual_covariance");
  if (cov != root.end() && !cov->is_null() && !(cov->is_array() && cov->empty())) {
    if (!cov->is_array() || cov->size() != model.equations.size()) {
      error = "\"residual_covariance\" must be a square list of lists, one row per equation";
      return false;
    }
    for (const json& row : *cov) {
      std::vector<double> values;
      if (!row.is_array() || row.size() != model.equations.size()) {
        error = "\"residual_covariance\" must be a square list of lists, one row per equation";
        return false;
      }
      for (const json& v : row) {
        double d = 0;
        if (!ReadDouble(v, d)) {
          error = "\"residual_covariance\" must hold numbers";
          return false;
        }
        values.push_back(d);
      }
      model.residual_covariance.push_back(values);
    }
  }

  const auto ll = root.find("log_likelihood");
  if (ll != root.end() && !ll->is_null()) {
    if (!ll->is_number()) {
      error = "\"log_likelihood\" must be a number or null";
      return false;
    }
    model.log_likelihood = ll->get<double>();
  }

  // How the estimates were reached (absent in the files of earlier versions: converged).
  if (const auto c = root.find("converged"); c != root.end()) {
    if (!c->is_boolean()) {
      error = "\"converged\" must be true or false";
      return false;
    }
    model.converged = c->get<bool>();
  }
  if (const auto it = root.find("iterations"); it != root.end()) {
    if (!it->is_number_integer() || it->get<long long>() < 0 || it->get<long long>() > 100000000) {
      error = "\"iterations\" must be a whole number";
      return false;
    }
    model.iterations = it->get<int>();
  }
  if (const auto g = root.find("gradient_norm"); g != root.end() && !g->is_null()) {
    if (!g->is_number()) {
      error = "\"gradient_norm\" must be a number or null";
      return false;
    }
    model.gradient_norm = g->get<double>();
  }
  if (root.contains("standard_errors") && !ReadString(root, "standard_errors", model.standard_errors, error, ""))
    return false;

  const auto series = root.find("series");
  if (series != root.end()) {
    if (!series->is_array()) {
      error = "\"series\" must be a list";
      return false;
    }
    for (std::size_t i = 0; i < series->size(); ++i) {
      const json& s = (*series)[i];
      const std::string where = "series " + std::to_string(i + 1) + ": ";
      SeriesDefinition def;
      if (!s.is_object()) {
        error = where + "must be an object";
        return false;
      }
      if (!ReadString(s, "name", def.name, error, where) ||
          !ReadString(s, "expression", def.expression, error, where)) {
        return false;
      }
      model.series.push_back(def);
    }
  }
  return true;
}

}  // namespace

std::string ModelToJson(const Model& model) {
  json root = json::object();
  root["method"] = model.method;
  root["sample"] = json::array({model.sample_first, model.sample_last});
  root["observations"] = model.observations;
  root["endogenous"] = model.endogenous;
  root["exogenous"] = model.exogenous;
  if (!model.instruments.empty()) root["instruments"] = model.instruments;
  json equations = json::array();
  for (const EquationEstimate& eq : model.equations) {
    json e = json::object();
    e["dependent"] = eq.dependent;
    e["regressors"] = eq.regressors;
    e["coefficients"] = Numbers(eq.coefficients);
    e["std_errors"] = Numbers(eq.std_errors);
    e["t"] = Numbers(eq.t_values);
    e["p"] = Numbers(eq.p_values);
    e["r_squared"] = Number(eq.r_squared);
    e["sigma"] = Number(eq.sigma);
    e["durbin_watson"] = Number(eq.durbin_watson);
    if (!eq.first_stage_f.empty()) {
      json f = json::object();
      for (const auto& [name, value] : eq.first_stage_f) f[name] = Number(value);
      e["first_stage_f"] = f;
    }
    if (eq.liml_kappa) e["liml_k"] = Number(*eq.liml_kappa);
    equations.push_back(e);
  }
  root["equations"] = equations;
  json identities = json::array();
  for (const IdentityEstimate& id : model.identities) {
    json terms = json::array();
    for (const auto& [name, coef] : id.terms) terms.push_back(json::array({name, coef}));
    identities.push_back(json{{"dependent", id.dependent}, {"terms", terms}});
  }
  root["identities"] = identities;
  json cov = json::array();
  for (const auto& row : model.residual_covariance) cov.push_back(Numbers(row));
  root["residual_covariance"] = cov;
  root["log_likelihood"] = model.log_likelihood ? Number(*model.log_likelihood) : json(nullptr);
  root["converged"] = model.converged;
  root["iterations"] = model.iterations;
  root["gradient_norm"] = model.gradient_norm ? Number(*model.gradient_norm) : json(nullptr);
  if (!model.standard_errors.empty()) root["standard_errors"] = model.standard_errors;
  json series = json::array();
  for (const SeriesDefinition& s : model.series) series.push_back(json{{"name", s.name}, {"expression", s.expression}});
  root["series"] = series;
  return root.dump(2) + "\n";
}

bool ModelFromJson(const std::string& text, Model& model, std::string& error) {
  model = Model{};
  error.clear();
  try {
    const json root = json::parse(text, nullptr, true, false);
    if (!ReadModel(root, model, error)) {
      model = Model{};
      return false;
    }
    return true;
  } catch (const std::exception& e) {
    error = std::string("the model is not valid JSON: ") + e.what();
    model = Model{};
    return false;
  }
}

bool AssignEquationRows(const std::vector<std::string>& endogenous, const std::vector<StatementVariables>& statements,
                        std::vector<std::size_t>& rows, std::string& error) {
  const std::size_t n = endogenous.size();
  const auto index = [&](const std::string& name) {
    return static_cast<std::size_t>(std::find(endogenous.begin(), endogenous.end(), name) - endogenous.begin());
  };
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  rows.assign(statements.size(), kNone);
  std::vector<bool> taken(n, false);
  for (std::size_t s = 0; s < statements.size(); ++s) {
    const std::size_t d = index(statements[s].dependent);
    if (d >= n) {
      error = statements[s].dependent + " is the left-hand side of an equation or identity but not endogenous";
      return false;
    }
    if (!taken[d]) {
      taken[d] = true;
      rows[s] = d;
    }
  }
  if (statements.size() != n) {
    if (statements.size() < n) {
      for (std::size_t i = 0; i < n; ++i)
        if (!taken[i]) {
          error = "the endogenous variable " + endogenous[i] + " has no equation or identity (" +
                  std::to_string(statements.size()) + " for " + std::to_string(n) + " endogenous variables)";
          return false;
        }
    }
    error = "the model has " + std::to_string(statements.size()) + " equations and identities for " +
            std::to_string(n) + " endogenous variables; it needs one for each";
    return false;
  }
  // A second statement for a variable: a free row of a variable on its right-hand side, or
  // the first free row.
  for (std::size_t s = 0; s < statements.size(); ++s) {
    if (rows[s] != kNone) continue;
    std::size_t row = kNone;
    for (const std::string& name : statements[s].current) {
      const std::size_t k = index(name);
      if (k < n && !taken[k]) {
        row = k;
        break;
      }
    }
    for (std::size_t i = 0; i < n && row == kNone; ++i)
      if (!taken[i]) row = i;
    taken[row] = true;
    rows[s] = row;
  }
  return true;
}

std::pair<std::string, int> SplitLaggedName(const std::string& written) {
  std::string name = written;
  int lag = 0;
  if (name.size() > 4 && name.back() == ')') {
    const std::size_t open = name.rfind("(-");
    if (open != std::string::npos && open > 0) {
      const std::string digits = name.substr(open + 2, name.size() - open - 3);
      if (!digits.empty() && digits.size() < 6 && digits.find_first_not_of("0123456789") == std::string::npos) {
        lag = std::stoi(digits);
        name.resize(open);
      }
    }
  }
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
  return {name, lag};
}

}  // namespace quantorial
