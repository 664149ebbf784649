#include "cli/InputOutputCommands.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "cli/Cli.h"
#include "cli/Options.h"
#include "inputoutput/IoAnalysis.h"
#include "inputoutput/IoMatrices.h"
#include "inputoutput/IoPlan.h"
#include "inputoutput/IoTable.h"
#include "inputoutput/Ras.h"
#include "io/AtomicFile.h"
#include "io/DataFile.h"
#include "workspace/DumpForm.h"
#include "workspace/ValueRules.h"

namespace quantorial {
namespace {

constexpr const char* kProgram = "quantorial-cli";

std::string IoUsage() {
  return "  io TABLE [--sectors N] [--flows --x ROWNAME] [--demand FILE]\n"
         "      [--households NAME | --households ROW,COLUMN] [--plan PLAN.csv] [--dense] [-o OUT.json]\n"
         "                             input-output analysis of TABLE: the sector block's\n"
         "                             coefficients with primary-input rows below (or, with\n"
         "                             --flows, the flows with a row of total outputs ROWNAME);\n"
         "                             writes JSON with the Leontief and Ghosh inverses (left out\n"
         "                             above 2,000 sectors without --dense), the outputs for the\n"
         "                             demand FILE (label, value), the output, type-I and (with\n"
         "                             the households' row and column NAME, or ROW and COLUMN\n"
         "                             when they differ) type-II multipliers, the backward and\n"
         "                             forward linkages and key sectors, and the LP plan of\n"
         "                             PLAN.csv (label, relation, value; an objective row min or\n"
         "                             max). Exit 1 when the plan has no optimum\n";
}

std::string RasUsage() {
  return "  ras PRIOR --rows FILE --cols FILE [--tol T] [-o OUT.csv]\n"
         "                             balances PRIOR to the row and column targets (label,\n"
         "                             value) by RAS (GRAS with negative cells) to tolerance T\n"
         "                             (default 1e-10); writes the balanced matrix and prints the\n"
         "                             number of sweeps\n";
}

int Usage(std::ostream& err, const std::string& message, const std::string& usage) {
  err << kProgram << ": " << message << "\n\n" << usage;
  return kExitUsage;
}

// Reads a data file; false (with the message written) when it cannot be read.
bool Load(const std::string& path, LabelledMatrix& m, std::ostream& err) {
  if (!FileExists(path)) {
    err << kProgram << ": cannot read \"" << path << "\": no such file\n";
    return false;
  }
  DataFileResult r = ReadDataFile(path);
  if (!r.error.empty()) {
    err << r.error << '\n';
    return false;
  }
  m = std::move(r.matrix);
  return true;
}

bool Fail(std::ostream& err, const std::string& message) {
  err << kProgram << ": " << message << '\n';
  return false;
}

// Numbers that are not finite have no JSON form; they are written as null.
nlohmann::json Numbers(const std::vector<double>& v) {
  nlohmann::json a = nlohmann::json::array();
  for (double x : v) a.push_back(std::isfinite(x) ? nlohmann::json(x) : nlohmann::json(nullptr));
  return a;
}
nlohmann::json Rows(const std::vector<std::vector<double>>& rows) {
  nlohmann::json a = nlohmann::json::array();
  for (const auto& r : rows) a.push_back(Numbers(r));
  return a;
}
nlohmann::json Keyed(const std::vector<std::pair<std::string, std::vector<double>>>& columns) {
  nlohmann::json o = nlohmann::json::object();
  for (const auto& [name, v] : columns) o[name] = Numbers(v);
  return o;
}

int WriteText(const std::optional<std::string>& path, const std::string& text, std::ostream& out, std::ostream& err) {
  if (!path) {
    out << text;
    return kExitOk;
  }
  std::string error;
  if (!WriteFileAtomically(*path, text, error)) {
    err << kProgram << ": cannot write \"" << *path << "\": " << error << '\n';
    return kExitFailed;
  }
  return kExitOk;
}

std::optional<int> PositiveWhole(const std::string& text) {
  const auto v = ArithmeticValue(Cell(text));
  if (!v || *v < 1 || *v > 1e8 || std::floor(*v) != *v) return std::nullopt;
  return static_cast<int>(*v);
}

int RunIo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::vector<OptionSpec> table = {{"--sectors", true, ""}, {"--flows", false, ""},     {"--x", true, ""},
                                         {"--demand", true, ""},  {"--households", true, ""}, {"--plan", true, ""},
                                         {"--dense", false, ""},  {"--output", true, "-o"},   {"--help", false, "-h"}};
  const ParsedOptions p = ParseOptions(args, table, "io");
  const auto usage = [&err](const std::string& message) { return Usage(err, message, IoUsage()); };
  if (!p.error.empty()) return usage(p.error);
  if (p.Flag("--help")) {
    out << IoUsage();
    return kExitOk;
  }
  if (p.positional.size() != 1) return usage("io takes one table");
  IoReadOptions ro;
  if (const auto s = p.Value("--sectors")) {
    const auto n = PositiveWhole(*s);
    if (!n) return usage("--sectors takes a whole number from 1");
    ro.sectors = *n;
  }
  ro.flows = p.Flag("--flows");
  if (ro.flows && !p.Value("--x")) return usage("--flows needs --x ROWNAME, the row of total outputs");
  if (!ro.flows && p.Value("--x")) return usage("--x goes with --flows");
  ro.totalRow = p.Value("--x").value_or("");
  if (const auto h = p.Value("--households")) {
    SetHouseholds(ro, *h);
    const auto comma = h->find(',');
    const bool noColumn = comma != std::string::npos && h->find_first_not_of(' ', comma + 1) == std::string::npos;
    if (ro.households.empty() || noColumn)
      return usage("--households takes NAME, or ROW,COLUMN when the households' row and column are named apart");
  }

  const std::string& path = p.positional[0];
  LabelledMatrix m;
  if (!Load(path, m, err)) return kExitFailed;
  IoReadResult read = ReadIoTable(m, ro, path);
  if (!read.error.empty()) return Fail(err, read.error), kExitFailed;
  for (const auto& n : read.notices) err << kProgram << ": " << n << '\n';
  if (read.looksLikeFlows)
    err << kProgram << ": to read " << path << " as flows, give --flows --x ROWNAME with its row of total outputs\n";
  const IoTable& t = read.table;

  IoOptions o;
  o.formInverse = p.Flag("--dense");
  if (const auto d = p.Value("--demand")) {
    LabelledMatrix dm;
    if (!Load(*d, dm, err)) return kExitFailed;
    LabelledValues v = ReadLabelledValues(dm, t.sectors, *d, "final demand");
    if (!v.error.empty()) return Fail(err, v.error), kExitFailed;
    o.demand = std::move(v.values);
  }
  IoPlanRead plan;
  if (const auto pl = p.Value("--plan")) {
    LabelledMatrix pm;
    if (!Load(*pl, pm, err)) return kExitFailed;
    plan = ReadIoPlan(pm, t, *pl);
    if (!plan.error.empty()) return Fail(err, plan.error), kExitFailed;
  }
  const IoAnalysis a = AnalyseIoTable(t, o);
  if (!a.error.empty()) return Fail(err, path + ": " + a.error), kExitFailed;
  for (const auto& n : a.notices) err << kProgram << ": " << n << '\n';

  nlohmann::json j;
  j["sectors"] = t.sectors;
  j["primary"] = t.primary;
  j["solver"] = IoSolverName(a.solverUsed);
  if (!a.leontief.empty()) j["leontief"] = Rows(a.leontief);
  if (!a.ghosh.empty()) j["ghosh"] = Rows(a.ghosh);
  if (!a.outputs.empty()) j["outputs"] = Numbers(a.outputs);
  j["output_multipliers"] = Numbers(a.outputMultipliers);
  j["type1"] = Keyed(a.type1);
  if (t.HouseholdsClosed()) j["type2"] = Keyed(a.type2);
  j["backward"] = Numbers(a.backward);
  j["forward"] = Numbers(a.forward);
  j["key_sectors"] = a.keySectors;
  int status = kExitOk;
  if (p.Value("--plan")) {
    const IoPlanResult r = SolveIoPlan(t, plan.spec, o.demand);
    nlohmann::json pj;
    pj["status"] = r.status;
    pj["message"] = r.message;
    if (r.status == "optimal") {
      pj["objective"] = r.objective;
      pj["outputs"] = Numbers(r.outputs);
      pj["final_demand"] = Numbers(r.demand);
      nlohmann::json primary = nlohmann::json::object(), duals = nlohmann::json::object();
      for (std::size_t k = 0; k < t.primary.size() && k < r.primary.size(); ++k) primary[t.primary[k]] = r.primary[k];
      for (const auto& [label, v] : r.duals) duals[label] = v;
      pj["primary"] = primary;
      pj["duals"] = duals;
      pj["binding"] = r.binding;
    } else {
      err << kProgram << ": " << r.message << '\n';
      status = kExitFailed;
    }
    j["plan"] = pj;
  }
  const int written = WriteText(p.Value("--output"), j.dump(2) + "\n", out, err);
  return written != kExitOk ? written : status;
}

int RunRas(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::vector<OptionSpec> table = {{"--rows", true, ""},
                                         {"--cols", true, ""},
                                         {"--tol", true, ""},
                                         {"--output", true, "-o"},
                                         {"--help", false, "-h"}};
  const ParsedOptions p = ParseOptions(args, table, "ras");
  const auto usage = [&err](const std::string& message) { return Usage(err, message, RasUsage()); };
  if (!p.error.empty()) return usage(p.error);
  if (p.Flag("--help")) {
    out << RasUsage();
    return kExitOk;
  }
  if (p.positional.size() != 1) return usage("ras takes one prior matrix");
  if (!p.Value("--rows") || !p.Value("--cols")) return usage("ras needs --rows FILE and --cols FILE");
  RasOptions o;
  if (const auto t = p.Value("--tol")) {
    const auto v = ArithmeticValue(Cell(*t));
    if (!v || !(*v > 0) || !(*v < 1)) return usage("--tol takes a number above 0 and below 1");
    o.tolerance = *v;
  }
  const std::string& path = p.positional[0];
  LabelledMatrix prior, rows, cols;
  if (!Load(path, prior, err) || !Load(*p.Value("--rows"), rows, err) || !Load(*p.Value("--cols"), cols, err))
    return kExitFailed;
  const NumberBlock b = ReadNumberBlock(prior, path);
  if (!b.error.empty()) return Fail(err, b.error), kExitFailed;
  const LabelledValues u = ReadLabelledValues(rows, b.rowLabels, *p.Value("--rows"), "row targets");
  if (!u.error.empty()) return Fail(err, u.error), kExitFailed;
  const LabelledValues v = ReadLabelledValues(cols, b.colLabels, *p.Value("--cols"), "column targets");
  if (!v.error.empty()) return Fail(err, v.error), kExitFailed;
  const RasResult r = BalanceRas(b.values, u.values, v.values, o, b.rowLabels, b.colLabels);
  if (!r.error.empty()) return Fail(err, path + ": " + r.error), kExitFailed;
  std::string corner = CellText(prior.Get(0, 0));
  const std::string text = DumpText(NumberMatrix(b.rowLabels, b.colLabels, r.matrix, corner));
  const int written = WriteText(p.Value("--output"), text, out, err);
  if (written != kExitOk) return written;
  (p.Value("--output") ? out : err) << (r.generalised ? "GRAS" : "RAS") << ": balanced in " << r.sweeps
                                    << (r.sweeps == 1 ? " sweep" : " sweeps") << '\n';
  return kExitOk;
}

}  // namespace

std::string InputOutputUsage() { return IoUsage() + RasUsage(); }

int RunInputOutputCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  return args[0] == "ras" ? RunRas(rest, out, err) : RunIo(rest, out, err);
}

}  // namespace quantorial
