#include "systems/StructuralFormJson.h"

#include <cmath>
#include <cstdlib>
#include <map>
#include <nlohmann/json.hpp>

namespace quantorial {

using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

namespace {

std::string Canonical(const std::string& name) { return name == "0" ? "const" : name; }

}  // namespace

ModelDescriptionOutcome StructuralFormFromModelJson(std::string_view text, const std::string& fileName) {
  ModelDescriptionOutcome out;
  auto fail = [&](const std::string& why) {
    out.error = fileName + ": " + why;
    return out;
  };
  if (text.size() > kMaxModelFileBytes) return fail("the model file is too large.");
  Json j;
  try {
    j = Json::parse(text.begin(), text.end());
  } catch (const std::exception& e) {
    return fail(std::string("the model file is not valid JSON (") + e.what() + ").");
  }
  try {
    if (!j.is_object()) return fail("the model file holds no model object.");
    if (!j.contains("endogenous") || !j["endogenous"].is_array())
      return fail("the model has no list of endogenous variables.");
    ModelDescription md;
    StructuralForm& f = md.form;
    for (const auto& e : j["endogenous"]) {
      const std::string name = e.get<std::string>();
      if (f.EndogenousIndex(name) >= 0) return fail("the endogenous variable " + name + " is listed twice.");
      f.endogenous.push_back(name);
    }
    const std::size_t n = f.endogenous.size();
    if (n == 0) return fail("the model has no endogenous variables.");
    if (n > kMaxModelEquations)
      return fail("the model has more than " + std::to_string(kMaxModelEquations) + " equations.");
    if (j.contains("exogenous") && j["exogenous"].is_array())
      for (const auto& e : j["exogenous"]) {
        const std::string name = Canonical(e.get<std::string>());
        std::string base;
        int lag = 0;
        if (f.EndogenousIndex(name) < 0 && !(SplitLagName(name, base, lag) && f.EndogenousIndex(base) >= 0) &&
            f.ExogenousIndex(name) < 0)
          f.exogenous.push_back(name);
      }
    // Each row's terms by column name, then the blocks in the order the names come.
    std::vector<std::map<std::string, double>> rows(n);
    std::vector<bool> defined(n, false);
    auto addRow = [&](const std::string& dependent, const std::vector<std::pair<std::string, double>>& terms,
                      const std::string& what) -> std::string {
      const int d = f.EndogenousIndex(dependent);
      if (d < 0) return "the " + what + " of " + dependent + " explains a variable that is not endogenous.";
      if (defined[static_cast<std::size_t>(d)]) return dependent + " has two equations.";
      defined[static_cast<std::size_t>(d)] = true;
      for (const auto& [name, c] : terms) {
        if (!std::isfinite(c)) return "the " + what + " of " + dependent + " has a coefficient that is not a number.";
        rows[static_cast<std::size_t>(d)][name] += c;
        std::string base;
        int lag = 0;
        if (f.EndogenousIndex(name) >= 0) continue;
        if (SplitLagName(name, base, lag) && f.EndogenousIndex(base) >= 0) {
          bool seen = false;
          for (const auto& l : f.lagged) seen = seen || l.name == name;
          if (!seen) f.lagged.push_back({name, static_cast<std::size_t>(f.EndogenousIndex(base)), lag});
        } else if (f.ExogenousIndex(name) < 0) {
          f.exogenous.push_back(name);
        }
      }
      return {};
    };
    if (j.contains("equations"))
      for (const auto& e : j.at("equations")) {
        const std::string dep = e.at("dependent").get<std::string>();
        const auto& regs = e.at("regressors");
        const auto& coefs = e.at("coefficients");
        if (regs.size() != coefs.size())
          return fail("the equation of " + dep + " has " + std::to_string(regs.size()) + " regressors but " +
                      std::to_string(coefs.size()) + " coefficients.");
        std::vector<std::pair<std::string, double>> terms;
        for (std::size_t k = 0; k < regs.size(); ++k)
          terms.emplace_back(Canonical(regs[k].get<std::string>()), coefs[k].is_null() ? NAN : coefs[k].get<double>());
        if (std::string why = addRow(dep, terms, "equation"); !why.empty()) return fail(why);
      }
    if (j.contains("identities"))
      for (const auto& e : j.at("identities")) {
        IdentityDefinition id;
        id.dependent = e.at("dependent").get<std::string>();
        for (const auto& t : e.at("terms")) id.terms.emplace_back(t.at(0).get<std::string>(), t.at(1).get<double>());
        if (std::string why = addRow(id.dependent, id.terms, "identity"); !why.empty()) return fail(why);
        md.identities.push_back(std::move(id));
      }
    for (std::size_t i = 0; i < n; ++i)
      if (!defined[i]) return fail("the endogenous variable " + f.endogenous[i] + " has no equation or identity.");
    if (j.contains("series") && j["series"].is_array())
      for (const auto& s : j["series"])
        md.series.push_back({s.at("name").get<std::string>(), s.at("expression").get<std::string>()});
    f.gamma.assign(n, std::vector<double>(n, 0.0));
    f.lagCoefficients.assign(n, std::vector<double>(f.lagged.size(), 0.0));
    f.exoCoefficients.assign(n, std::vector<double>(f.exogenous.size(), 0.0));
    for (std::size_t i = 0; i < n; ++i) {
      f.gamma[i][i] = 1;
      for (const auto& [name, c] : rows[i]) {
        if (const int e = f.EndogenousIndex(name); e >= 0) {
          f.gamma[i][static_cast<std::size_t>(e)] -= c;
        } else if (const int x = f.ExogenousIndex(name); x >= 0) {
          f.exoCoefficients[i][static_cast<std::size_t>(x)] += c;
        } else {
          for (std::size_t l = 0; l < f.lagged.size(); ++l)
            if (f.lagged[l].name == name) f.lagCoefficients[i][l] += c;
        }
      }
    }
    out.model = std::move(md);
  } catch (const std::exception& e) {
    return fail(std::string("the model file does not have the form of an estimated model (") + e.what() + ").");
  }
  return out;
}

double EvaluateLinearExpression(std::string_view ex, const SeriesTable& table, int year, std::string& error) {
  // expression = [sign] term {sign term}; term = factor [* factor]; factor = number | year |
  // name | name(-k) | "quoted name" [(-k)].
  std::size_t i = 0;
  auto skip = [&] {
    while (i < ex.size() && (ex[i] == ' ' || ex[i] == '\t')) ++i;
  };
  auto factor = [&](double& v) -> bool {
    skip();
    if (i >= ex.size()) return false;
    if ((ex[i] >= '0' && ex[i] <= '9') || ex[i] == '.') {
      const std::string rest(ex.substr(i, 64));
      char* end = nullptr;
      v = std::strtod(rest.c_str(), &end);
      if (end == rest.c_str()) return false;
      i += static_cast<std::size_t>(end - rest.c_str());
      return true;
    }
    std::string name;
    if (ex[i] == '"') {
      const auto close = ex.find('"', i + 1);
      if (close == std::string_view::npos) return false;
      name = std::string(ex.substr(i + 1, close - i - 1));
      i = close + 1;
    } else {
      while (i < ex.size() && std::string_view(" \t+-*()\"").find(ex[i]) == std::string_view::npos) name += ex[i++];
      if (name.empty()) return false;
    }
    int lag = 0;
    if (i + 1 < ex.size() && ex[i] == '(' && ex[i + 1] == '-') {
      const auto close = ex.find(')', i);
      if (close == std::string_view::npos) return false;
      const std::string digits(ex.substr(i + 2, close - i - 2));
      if (digits.empty() || digits.size() > 4 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
      lag = std::stoi(digits);
      i = close + 1;
    }
    if (name == "year") {
      v = year - lag;
      return true;
    }
    if (table.Column(name) < 0) {
      error = "the expression names " + name + ", which the data lack";
      return false;
    }
    v = table.Value(name, year - lag);
    return true;
  };
  double total = 0;
  bool first = true;
  while (true) {
    skip();
    if (i >= ex.size()) {
      if (first) break;
      error = error.empty() ? "the expression \"" + std::string(ex) + "\" ends with a sign" : error;
      return NAN;
    }
    double sign = 1;
    if (ex[i] == '+' || ex[i] == '-') {
      sign = ex[i] == '-' ? -1 : 1;
      ++i;
    } else if (!first) {
      error = "the expression \"" + std::string(ex) + "\" cannot be read";
      return NAN;
    }
    double a = 0;
    if (!factor(a)) {
      if (error.empty()) error = "the expression \"" + std::string(ex) + "\" cannot be read";
      return NAN;
    }
    skip();
    if (i < ex.size() && ex[i] == '*') {
      ++i;
      double b = 0;
      if (!factor(b)) {
        if (error.empty()) error = "the expression \"" + std::string(ex) + "\" cannot be read";
        return NAN;
      }
      a *= b;
    }
    total += sign * a;
    first = false;
    skip();
    if (i >= ex.size()) break;
  }
  return total;
}

std::string CompleteSeriesTable(const ModelDescription& model, SeriesTable& table) {
  const std::vector<int> years = table.years;
  for (const auto& s : model.series) {
    if (table.Column(s.name) >= 0) continue;
    std::vector<double> values;
    for (int y : years) {
      std::string error;
      values.push_back(EvaluateLinearExpression(s.expression, table, y, error));
      if (!error.empty()) return "The series " + s.name + ": " + error + ".";
    }
    for (std::size_t r = 0; r < years.size(); ++r) table.Set(s.name, years[r], values[r]);
  }
  for (const auto& id : model.identities) {
    if (table.Column(id.dependent) >= 0) continue;
    std::vector<double> values;
    for (int y : years) {
      double v = 0;
      for (const auto& [name, c] : id.terms) {
        std::string base = name;
        int lag = 0;
        if (!SplitLagName(name, base, lag)) base = name;
        v += c * (base == "const" ? 1.0 : table.Value(base, y - lag));
      }
      values.push_back(v);
    }
    for (std::size_t r = 0; r < years.size(); ++r) table.Set(id.dependent, years[r], values[r]);
  }
  return {};
}

namespace {

// One key a line, each value compact: readable, and a matrix stays a block of rows.
std::string KeyPerLine(const OrderedJson& j) {
  std::string s = "{";
  bool first = true;
  for (const auto& [key, value] : j.items()) {
    s += first ? "\n " : ",\n ";
    s += OrderedJson(key).dump() + ": " + value.dump();
    first = false;
  }
  return s + "\n}\n";
}

OrderedJson Number(double v) { return std::isfinite(v) ? OrderedJson(v) : OrderedJson(nullptr); }

OrderedJson Rows(const DenseRows& rows) {
  OrderedJson a = OrderedJson::array();
  for (const auto& r : rows) {
    OrderedJson row = OrderedJson::array();
    for (double v : r) row.push_back(Number(v));
    a.push_back(std::move(row));
  }
  return a;
}

}  // namespace

std::string MultipliersJson(const StructuralForm& form, const ReducedForm& rf) {
  OrderedJson j;
  j["endogenous"] = form.endogenous;
  j["exogenous"] = form.exogenous;
  OrderedJson lagged = OrderedJson::array();
  for (const auto& l : form.lagged) lagged.push_back(l.name);
  j["lagged"] = lagged;
  j["impact"] = Rows(rf.impact);
  j["lag"] = Rows(rf.lag);
  OrderedJson interim = OrderedJson::array(), cumulative = OrderedJson::array();
  for (const auto& m : rf.interim) interim.push_back(Rows(m));
  for (const auto& m : rf.cumulative) cumulative.push_back(Rows(m));
  j["interim"] = interim;
  j["cumulative"] = cumulative;
  j["total"] = rf.total ? Rows(*rf.total) : OrderedJson(nullptr);
  OrderedJson ev = OrderedJson::array();
  for (const auto& e : rf.eigenvalues) ev.push_back(OrderedJson::array({e.real(), e.imag()}));
  j["eigenvalues"] = ev;
  j["spectral_radius"] = rf.spectralRadius;
  j["stable"] = rf.stable;
  return KeyPerLine(j);
}

std::string AccuracyJson(const SimulationResult& result) {
  OrderedJson j = OrderedJson::object();
  for (std::size_t i = 0; i < result.endogenous.size() && i < result.accuracy.size(); ++i) {
    const auto& s = result.accuracy[i];
    OrderedJson v;
    v["ME"] = Number(s.me);
    v["RMSE"] = Number(s.rmse);
    v["MAE"] = Number(s.mae);
    v["MPE"] = Number(s.mpe);
    v["MAPE"] = Number(s.mape);
    v["U"] = Number(s.u);
    v["UM"] = Number(s.um);
    v["UR"] = Number(s.ur);
    v["UD"] = Number(s.ud);
    j[result.endogenous[i]] = v;
  }
  return KeyPerLine(j);
}

}  // namespace quantorial
