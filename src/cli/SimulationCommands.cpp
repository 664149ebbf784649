#include "cli/SimulationCommands.h"

#include <optional>
#include <sstream>

#include "cli/Cli.h"
#include "cli/Options.h"
#include "io/AtomicFile.h"
#include "workbench/SimulationFiles.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

constexpr const char* kProgram = "quantorial-cli";

int Usage(std::ostream& err, const std::string& message) {
  err << kProgram << ": " << message << "\n\n" << SimulationCommandsUsage();
  return kExitUsage;
}

int Failed(std::ostream& err, const std::string& message) {
  err << kProgram << ": " << message << '\n';
  return kExitFailed;
}

bool Help(const std::vector<std::string>& args) {
  for (const auto& a : args)
    if (a == "-h" || a == "--help") return true;
  return false;
}

// A whole number option, or a usage error.
bool WholeOption(const ParsedOptions& p, const std::string& name, std::optional<int>& value, std::string& error) {
  const auto v = p.Value(name);
  if (!v) return true;
  const auto n = WholeNumber(*v);
  if (!n || *n != static_cast<int>(*n)) {
    error = "option " + name + " needs a whole number, not \"" + *v + "\"";
    return false;
  }
  value = static_cast<int>(*n);
  return true;
}

// Files to write once everything has been computed, so that a failure writes nothing.
struct Output {
  std::string path;
  std::string text;
};

int WriteAll(const std::vector<Output>& outputs, std::ostream& out, std::ostream& err) {
  for (const auto& o : outputs) {
    if (o.path.empty() || o.path == "-") {
      out << o.text;
      continue;
    }
    if (IsNullDevice(o.path)) continue;
    std::string error;
    if (!WriteFileAtomically(o.path, o.text, error)) return Failed(err, "cannot write \"" + o.path + "\": " + error);
  }
  return kExitOk;
}

struct Inputs {
  ModelDescription model;
  SeriesTable data;
};

// The model and the data (completed by the model, with the forecast's values added).
std::optional<Inputs> ReadInputs(const std::string& modelPath, const std::string& dataPath, std::optional<int> endo,
                                 const std::optional<std::string>& forecastPath, std::string& error) {
  auto model = LoadStructuralModel(modelPath, endo);
  if (!model.model) {
    error = model.error;
    return std::nullopt;
  }
  auto data = LoadSeriesTable(dataPath);
  if (!data.table) {
    error = data.error;
    return std::nullopt;
  }
  SeriesTable table = std::move(*data.table);
  if (forecastPath) {
    auto forecast = LoadSeriesTable(*forecastPath);
    if (!forecast.table) {
      error = forecast.error;
      return std::nullopt;
    }
    table = MergeForecast(table, *forecast.table);
  }
  if (std::string why = CompleteSeriesTable(*model.model, table); !why.empty()) {
    error = modelPath + ": " + why;
    return std::nullopt;
  }
  return Inputs{std::move(*model.model), std::move(table)};
}

}  // namespace

bool IsSimulationCommand(const std::vector<std::string>& args) {
  return !args.empty() && (args[0] == "multipliers" || args[0] == "simulate" || args[0] == "target");
}

int RunSimulationCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (args[0] == "multipliers") return RunMultipliers(rest, out, err);
  if (args[0] == "simulate") return RunSimulate(rest, out, err);
  return RunTarget(rest, out, err);
}

std::string SimulationCommandsUsage() {
  return "  multipliers MODEL [--endo N] [--horizon H] [-o OUT.json]\n"
         "                             the reduced form of MODEL (a MODEL.json of estimate, or a\n"
         "                             B-matrix file with --endo N): impact, lag, interim and\n"
         "                             cumulative multipliers for h = 0..H (default 10), the total\n"
         "                             multipliers when stable, the companion matrix's eigenvalues;\n"
         "                             the multipliers of a variable run through all its lags\n"
         "  simulate MODEL DATA [--endo N] [--from Y] [--to Y] [--static] [--forecast FILE]\n"
         "           [--scenario FILE [--base OUT2.csv] [--difference DIFF.csv]] [-o OUT.csv]\n"
         "           [--stats STATS.json]\n"
         "                             solves the model year by year (dynamic unless --static);\n"
         "                             OUT.csv: Year, then each endogenous variable (with a\n"
         "                             scenario, its path; --base the base path); STATS.json: ME,\n"
         "                             RMSE, MAE, MPE, MAPE, Theil's U1 and U2, UM, UR, UD per\n"
         "                             variable (e = actual - simulated)\n"
         "  target MODEL DATA --targets TARGETS.csv --instruments G,Wg [--endo N]\n"
         "           [--forecast FILE] [-o OUT.csv]\n"
         "                             the instrument values that make the dynamic simulation hit\n"
         "                             the targets (TARGETS.csv: Year, one column per target);\n"
         "                             OUT.csv: Year, the instruments, every endogenous variable\n";
}

int RunMultipliers(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (Help(args)) {
    out << "Usage:\n" << SimulationCommandsUsage();
    return kExitOk;
  }
  const std::vector<OptionSpec> table = {{"--horizon", true, ""}, {"--endo", true, ""}, {"--output", true, "-o"}};
  const ParsedOptions p = ParseOptions(args, table, "multipliers");
  if (!p.error.empty()) return Usage(err, p.error);
  if (p.positional.size() != 1) return Usage(err, "multipliers takes one model file");
  std::optional<int> horizon, endo;
  std::string error;
  if (!WholeOption(p, "--horizon", horizon, error) || !WholeOption(p, "--endo", endo, error)) return Usage(err, error);
  const int h = horizon.value_or(10);
  if (h < 0 || h > kMaxMultiplierHorizon)
    return Usage(err, "--horizon must be from 0 to " + std::to_string(kMaxMultiplierHorizon));
  auto model = LoadStructuralModel(p.positional[0], endo);
  if (!model.model) return Failed(err, model.error);
  const auto rf = ComputeReducedForm(model.model->form, h);
  if (!rf.result) return Failed(err, p.positional[0] + ": " + rf.error);
  err << "The model is " << rf.result->stability << ".\n";
  return WriteAll({{p.Value("--output").value_or(""), MultipliersJson(model.model->form, *rf.result)}}, out, err);
}

int RunSimulate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (Help(args)) {
    out << "Usage:\n" << SimulationCommandsUsage();
    return kExitOk;
  }
  const std::vector<OptionSpec> table = {{"--endo", true, ""},    {"--from", true, ""},       {"--to", true, ""},
                                         {"--static", false, ""}, {"--forecast", true, ""},   {"--scenario", true, ""},
                                         {"--base", true, ""},    {"--difference", true, ""}, {"--stats", true, ""},
                                         {"--output", true, "-o"}};
  const ParsedOptions p = ParseOptions(args, table, "simulate");
  if (!p.error.empty()) return Usage(err, p.error);
  if (p.positional.size() != 2) return Usage(err, "simulate takes a model file and a data file");
  std::optional<int> endo;
  SimulationOptions opts;
  std::string error;
  if (!WholeOption(p, "--endo", endo, error) || !WholeOption(p, "--from", opts.from, error) ||
      !WholeOption(p, "--to", opts.to, error))
    return Usage(err, error);
  if ((p.Value("--base") || p.Value("--difference")) && !p.Value("--scenario"))
    return Usage(err, "--base and --difference go with --scenario");
  opts.dynamic = !p.Flag("--static");
  auto in = ReadInputs(p.positional[0], p.positional[1], endo, p.Value("--forecast"), error);
  if (!in) return Failed(err, error);
  const auto& form = in->model.form;
  std::vector<Output> outputs;
  const SimulationResult* forStats = nullptr;
  std::optional<SimulationResult> single;
  std::optional<ScenarioComparison> comparison;
  if (const auto scenarioPath = p.Value("--scenario")) {
    auto sc = LoadScenario(*scenarioPath);
    if (!sc.scenario) return Failed(err, sc.error);
    auto cmp = CompareScenario(form, in->data, *sc.scenario, *scenarioPath, opts);
    if (!cmp.result) return Failed(err, cmp.error);
    comparison = std::move(*cmp.result);
    const auto& c = *comparison;
    outputs.push_back(
        {p.Value("--output").value_or(""), PathCsv(c.scenario.years, form.endogenous, c.scenario.values)});
    if (const auto b = p.Value("--base"))
      outputs.push_back({*b, PathCsv(c.base.years, form.endogenous, c.base.values)});
    if (const auto d = p.Value("--difference"))
      outputs.push_back({*d, PathCsv(c.base.years, form.endogenous, c.difference)});
    forStats = &c.base;
  } else {
    auto sim = Simulate(form, in->data, opts);
    if (!sim.result) return Failed(err, sim.error);
    single = std::move(*sim.result);
    outputs.push_back({p.Value("--output").value_or(""), PathCsv(single->years, form.endogenous, single->values)});
    forStats = &*single;
  }
  if (const auto s = p.Value("--stats")) outputs.push_back({*s, AccuracyJson(*forStats)});
  return WriteAll(outputs, out, err);
}

int RunTarget(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (Help(args)) {
    out << "Usage:\n" << SimulationCommandsUsage();
    return kExitOk;
  }
  const std::vector<OptionSpec> table = {{"--endo", true, ""},
                                         {"--targets", true, ""},
                                         {"--instruments", true, ""},
                                         {"--forecast", true, ""},
                                         {"--output", true, "-o"}};
  const ParsedOptions p = ParseOptions(args, table, "target");
  if (!p.error.empty()) return Usage(err, p.error);
  if (p.positional.size() != 2) return Usage(err, "target takes a model file and a data file");
  std::optional<int> endo;
  std::string error;
  if (!WholeOption(p, "--endo", endo, error)) return Usage(err, error);
  const auto targetsPath = p.Value("--targets");
  const auto instrumentText = p.Value("--instruments");
  if (!targetsPath) return Usage(err, "target needs --targets TARGETS.csv");
  if (!instrumentText) return Usage(err, "target needs --instruments NAME,NAME..");
  std::vector<std::string> instruments;
  std::stringstream ss(*instrumentText);
  for (std::string item; std::getline(ss, item, ',');) {
    item = TrimBlanks(item);
    if (item.empty()) return Usage(err, "--instruments has an empty name");
    instruments.push_back(item);
  }
  if (instruments.empty()) return Usage(err, "--instruments names no variable");
  auto in = ReadInputs(p.positional[0], p.positional[1], endo, p.Value("--forecast"), error);
  if (!in) return Failed(err, error);
  auto targets = LoadSeriesTable(*targetsPath);
  if (!targets.table) return Failed(err, targets.error);
  const auto solved =
      SolveTargets(in->model.form, in->data, TargetSpecFromTable(*targets.table, instruments), *targetsPath);
  if (!solved.result) return Failed(err, solved.error);
  for (const auto& n : solved.result->notices) err << kProgram << ": " << n << '\n';
  return WriteAll({{p.Value("--output").value_or(""), TargetCsv(*solved.result, instruments)}}, out, err);
}

}  // namespace quantorial
