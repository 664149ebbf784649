#include "systems/StructuralFormJson.h"

#include <cmath>
#include <cstdlib>
#include <map>
#include <nlohmann/json.hpp>

namespace quantorial {

using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

namespace {

// A name as MODEL.json writes it ("P", "P(-1)", "\"g s\"", "\"g s\"(-1)") as the structural
// form and the data name it: without quotes, a lag as NAME(-k).
std::string DataName(const std::string& written) {
  const auto [name, lag] = SplitLaggedName(written);
  return lag > 0 ? name + "(-" + std::to_string(lag) + ")" : name;
}

// The model with every variable named as the data names it.
Model WithDataNames(Model model) {
  for (auto* names : {&model.endogenous, &model.exogenous}) {
    for (auto& name : *names) name = DataName(name);
  }
  for (auto& e : model.equations) {
    e.dependent = DataName(e.dependent);
    for (auto& name : e.regressors) name = DataName(name);
  }
  for (auto& id : model.identities) {
    id.dependent = DataName(id.dependent);
    for (auto& term : id.terms) term.first = DataName(term.first);
  }
  return model;
}

}  // namespace

ModelDescriptionOutcome StructuralFormFromModel(const Model& estimated, const std::string& fileName) {
  const Model model = WithDataNames(estimated);
  ModelDescriptionOutcome out;
  auto fail = [&](const std::string& why) {
    out.error = fileName + ": " + why;
    return out;
  };
  ModelDescription md;
  StructuralForm& f = md.form;
  for (const auto& name : model.endogenous) {
    if (f.EndogenousIndex(name) >= 0) return fail("the endogenous variable " + name + " is listed twice.");
    f.endogenous.push_back(name);
  }
  const std::size_t n = f.endogenous.size();
  if (n == 0) return fail("the model has no endogenous variables.");
  if (n > kMaxModelEquations)
    return fail("the model has more than " + std::to_string(kMaxModelEquations) + " equations.");
  auto isLaggedEndogenous = [&](const std::string& name) {
    std::string base;
    int lag = 0;
    return SplitLagName(name, base, lag) && f.EndogenousIndex(base) >= 0;
  };
  // The exogenous columns in the model's order; the lagged endogenous ones are the lag block.
  for (const auto& name : model.exogenous)
    if (f.EndogenousIndex(name) < 0 && !isLaggedEndogenous(name) && f.ExogenousIndex(name) < 0)
      f.exogenous.push_back(name);
  // Each equation and identity takes a row of Γ; its left-hand side has the coefficient 1.
  std::vector<StatementVariables> statements;
  for (const auto& e : model.equations) {
    if (e.regressors.size() != e.coefficients.size())
      return fail("the equation of " + e.dependent + " has " + std::to_string(e.regressors.size()) +
                  " regressors but " + std::to_string(e.coefficients.size()) + " coefficients.");
    statements.push_back({e.dependent, e.regressors});
  }
  for (const auto& id : model.identities) {
    StatementVariables v{id.dependent, {}};
    for (const auto& term : id.terms) v.current.push_back(term.first);
    statements.push_back(std::move(v));
  }
  std::vector<std::size_t> rowOf;
  if (std::string why; !AssignEquationRows(f.endogenous, statements, rowOf, why)) return fail(why + ".");
  std::vector<std::map<std::string, double>> rows(n);
  std::vector<std::size_t> dependentOf(n, 0);
  std::size_t next = 0;
  auto addRow = [&](const std::string& dependent, const std::vector<std::pair<std::string, double>>& terms,
                    const std::string& what) -> std::string {
    const std::size_t r = rowOf[next++];
    dependentOf[r] = static_cast<std::size_t>(f.EndogenousIndex(dependent));
    for (const auto& [written, c] : terms) {
      const std::string name = written == "0" ? std::string("const") : written;
      if (!std::isfinite(c)) return "the " + what + " of " + dependent + " has a coefficient that is not a number.";
      rows[r][name] += c;
      if (f.EndogenousIndex(name) >= 0) continue;
      if (isLaggedEndogenous(name)) {
        std::string base;
        int lag = 0;
        SplitLagName(name, base, lag);
        bool seen = false;
        for (const auto& l : f.lagged) seen = seen || l.name == name;
        if (!seen) f.lagged.push_back({name, static_cast<std::size_t>(f.EndogenousIndex(base)), lag});
      } else if (f.ExogenousIndex(name) < 0) {
        f.exogenous.push_back(name);
      }
    }
    return {};
  };
  for (const auto& e : model.equations) {
    std::vector<std::pair<std::string, double>> terms;
    for (std::size_t k = 0; k < e.regressors.size(); ++k) terms.emplace_back(e.regressors[k], e.coefficients[k]);
    if (std::string why = addRow(e.dependent, terms, "equation"); !why.empty()) return fail(why);
  }
  for (const auto& id : model.identities) {
    if (std::string why = addRow(id.dependent, id.terms, "identity"); !why.empty()) return fail(why);
    md.identities.push_back({id.dependent, id.terms});
  }
  md.series = model.series;
  f.gamma.assign(n, std::vector<double>(n, 0.0));
  f.lagCoefficients.assign(n, std::vector<double>(f.lagged.size(), 0.0));
  f.exoCoefficients.assign(n, std::vector<double>(f.exogenous.size(), 0.0));
  for (std::size_t i = 0; i < n; ++i) {
    f.gamma[i][dependentOf[i]] = 1;
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
  return out;
}

ModelDescriptionOutcome StructuralFormFromModelJson(std::string_view text, const std::string& fileName) {
  ModelDescriptionOutcome out;
  if (text.size() > kMaxModelFileBytes) {
    out.error = fileName + ": the model file is too large.";
    return out;
  }
  Model model;
  std::string error;
  if (!ModelFromJson(std::string(text), model, error)) {
    out.error = fileName + ": " + error;
    return out;
  }
  return StructuralFormFromModel(model, fileName);
}

std::string CompleteSeriesTable(const ModelDescription& model, SeriesTable& table) {
  std::vector<SeriesDefinition> missing;
  for (const auto& d : model.series)
    if (table.Column(d.name) < 0) missing.push_back(d);
  if (!missing.empty()) {
    DataTable data;
    data.years = table.years;
    data.names = table.names;
    data.columns = table.columns;
    std::string error;
    if (!AddDerivedSeries(data, missing, error)) return error;
    for (const auto& d : missing) {
      const int c = data.Find(d.name);
      if (c < 0) continue;
      for (std::size_t r = 0; r < table.years.size(); ++r)
        table.Set(d.name, table.years[r], data.columns[static_cast<std::size_t>(c)][r]);
    }
  }
  const std::vector<int> years = table.years;
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
  j["variables"] = rf.variables;
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
    v["U1"] = Number(s.u1);
    v["U2"] = Number(s.u2);
    v["UM"] = Number(s.um);
    v["UR"] = Number(s.ur);
    v["UD"] = Number(s.ud);
    j[result.endogenous[i]] = v;
  }
  return KeyPerLine(j);
}

}  // namespace quantorial
