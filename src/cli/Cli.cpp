#include "cli/Cli.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "cli/ChartPicture.h"
#include "cli/CliHost.h"
#include "cli/EstimateCommand.h"
#include "cli/InputOutputCommands.h"
#include "cli/Options.h"
#include "cli/SimulationCommands.h"
#include "export/Export.h"
#include "io/AtomicFile.h"
#include "io/DataFile.h"
#include "io/DumpFile.h"
#include "io/SettingsStore.h"
#include "matrix/MatrixFunctions.h"
#include "planning/LpModel.h"
#include "planning/LpSolve.h"
#include "workbench/CommandTable.h"
#include "workbench/ScriptPlayer.h"
#include "workbench/Workbench.h"
#include "workspace/DumpForm.h"
#include "workspace/ValueRules.h"
#include "workspace/Workspace.h"

#ifndef QUANTORIAL_VERSION
#define QUANTORIAL_VERSION "0.0.0"
#endif

namespace quantorial {

namespace {

constexpr const char* kProgram = "quantorial-cli";

struct Arguments {
  std::vector<std::string> positional;  // the command, then its words
  std::optional<std::string> output;
  std::optional<std::string> store;
  std::optional<std::string> defaultValue;
  std::map<std::string, std::string> values;  // the options with a value, such as "--endo"
  std::set<std::string> flags;                // --policy, --reuse, --ranges
  bool verbose = false;
  bool help = false;
  bool version = false;
  std::string error;  // a usage error

  // The value given to an option such as "--endo", if any.
  std::optional<std::string> Value(const char* name) const {
    const auto it = values.find(name);
    return it == values.end() ? std::nullopt : std::optional<std::string>(it->second);
  }
};

const OptionSpec kOutput{"--output", true, "-o"};
const OptionSpec kVerbose{"--verbose", false, "-v"};
const OptionSpec kStore{"--store", true, {}};

OptionSpec Valued(const char* name) { return OptionSpec{name, true, {}}; }
OptionSpec Flag(const char* name) { return OptionSpec{name, false, {}}; }

// The options each command takes; any other is a usage error, not silently ignored.
const std::map<std::string, std::vector<OptionSpec>>& CommandOptions() {
  static const std::map<std::string, std::vector<OptionSpec>> table = {
      {"load", {kOutput, kVerbose}},
      {"matrix", {kOutput, kVerbose}},
      {"run",
       {Valued("--bmat"), Valued("--endo"), Valued("--impact"), Valued("--change-symbol"), Valued("--shift"),
        Valued("--forecast"), Valued("--forecast-years"), Valued("--split-quadrant"), Valued("--dump"),
        Valued("--chart"), Valued("--png"), Valued("--svg"), Valued("--chart-json"), Flag("--policy"), Flag("--reuse"),
        kStore, kVerbose}},
      {"export",
       {Valued("--out"), Valued("--sheet"), Valued("--format"), Valued("--top"), Valued("--left"), Valued("--last-row"),
        kVerbose}},
      {"regress", {Valued("--method"), Valued("--sig"), kVerbose}},
      {"change", {Valued("--out-dir"), kVerbose}},
      {"play", {kStore, Valued("--dump"), kVerbose}},
      {"settings", {kStore, Valued("--default")}},
      {"lp", {Flag("--ranges"), Valued("--report"), Valued("--time-limit"), kOutput, kVerbose}},
  };
  return table;
}

bool IsOptionWord(const std::string& a) {
  const bool negativeNumber = a.size() > 1 && a[0] == '-' && ((a[1] >= '0' && a[1] <= '9') || a[1] == '.');
  return a.size() > 1 && a[0] == '-' && !negativeNumber;
}

// The command is the first word that is not an option; the rest is parsed against that
// command's option table (with -h/--help and --version, which every command takes).
Arguments ParseArguments(const std::vector<std::string>& args) {
  Arguments r;
  std::size_t at = 0;
  while (at < args.size() && IsOptionWord(args[at]) && args[at] != "--") ++at;
  std::vector<std::string> rest = args;
  std::vector<OptionSpec> table;
  std::string command;
  if (at < args.size() && args[at] != "--") {
    command = args[at];
    rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(at));
    if (const auto it = CommandOptions().find(command); it != CommandOptions().end())
      table = it->second;
    else
      table = {kVerbose};  // an unknown command is reported after the options are read
  }
  table.push_back(OptionSpec{"--help", false, "-h"});
  table.push_back(Flag("--version"));
  const ParsedOptions p = ParseOptions(rest, table, command);
  if (!p.error.empty()) {
    r.error = p.error;
    const std::string notTaken = command + " does not take the option ";
    if (command.empty() || !CommandOptions().count(command)) {
      if (p.error.rfind(notTaken, 0) == 0) r.error = "unknown option " + p.error.substr(notTaken.size());
    }
    for (const char* o : {"-o", "--output"}) {
      if (p.error == std::string("option ") + o + " needs a value")
        r.error = std::string("option ") + o + " needs a file name";
    }
    return r;
  }
  if (!command.empty()) r.positional.push_back(command);
  r.positional.insert(r.positional.end(), p.positional.begin(), p.positional.end());
  r.values = p.values;
  r.flags = p.flags;
  r.help = p.Flag("--help");
  r.version = p.Flag("--version");
  r.verbose = p.Flag("--verbose");
  r.output = p.Value("--output");
  r.store = p.Value("--store");
  r.defaultValue = p.Value("--default");
  return r;
}

struct MatrixOp {
  const char* name;
  MatrixMenuItem item;
  bool takesInput;  // a multiplier or a size comes first
  int files;
};

const std::array<MatrixOp, 10> kMatrixOps = {{
    {"transpose", MatrixMenuItem::cmdMatrixTranspose, false, 1},
    {"add", MatrixMenuItem::mnuMatrixAdd, false, 2},
    {"sub", MatrixMenuItem::cmdMatrixSub, false, 2},
    {"mul", MatrixMenuItem::mnuMatrixMult, false, 2},
    {"scalar", MatrixMenuItem::mnuScalarMult, true, 1},
    {"special-scalar", MatrixMenuItem::mnuScalarMult2, true, 1},
    {"identity", MatrixMenuItem::mnuCreateIDMatrix, true, 0},
    {"invert", MatrixMenuItem::mnuInvert, false, 1},
    {"invert-pivot", MatrixMenuItem::mnuInvertPivot, false, 1},
    {"reciprocal", MatrixMenuItem::mnuReciprocal, false, 1},
}};

int UsageError(std::ostream& err, const std::string& message) {
  err << kProgram << ": " << message << "\n\n" << CliUsage();
  return kExitUsage;
}

// A file the command should have written could not be; the exit status of a failed run.
int CannotWrite(std::ostream& err, const std::string& path, const std::string& why) {
  err << kProgram << ": cannot write \"" << path << "\": " << why << '\n';
  return kExitFailed;
}

// Writes a matrix in dump form to the -o file (atomically) or to standard output; a -o file
// named .dta or .gdt gets a Stata or gretl data file instead. Nothing is made for the null
// device (a run only to check or to time a computation).
int WriteResult(const LabelledMatrix& m, const Arguments& a, std::ostream& out, std::ostream& err) {
  if (a.output && IsNullDevice(*a.output)) return kExitOk;
  if (!a.output) return WriteDump(out, m) ? kExitOk : kExitFailed;
  std::string error;
  if (NamesStatisticsFile(*a.output)) {
    // A file named .dta or .gdt gets that program's data file.
    std::string bytes;
    if (!StatisticsFileBytes(*a.output, m, bytes, error) || !WriteFileAtomically(*a.output, bytes, error)) {
      return CannotWrite(err, *a.output, error);
    }
    return kExitOk;
  }
  if (!WriteDumpFile(*a.output, m, error)) return CannotWrite(err, *a.output, error);
  return kExitOk;
}

bool CheckInputFile(const std::string& path, std::ostream& err) {
  if (FileExists(path)) return true;
  err << kProgram << ": cannot read \"" << path << "\": no such file\n";
  return false;
}

Action Click(std::string control) { return Action{ActionKind::Click, std::move(control), {}, {}}; }
Action DblClick(std::string control) { return Action{ActionKind::DblClick, std::move(control), {}, {}}; }
Action Set(std::string control, std::string text) {
  return Action{ActionKind::Set, std::move(control), std::move(text), {}};
}
Action Check(std::string control) { return Action{ActionKind::Check, std::move(control), "1", {}}; }
Action Choose(std::string control) { return Action{ActionKind::Choose, std::move(control), {}, {}}; }
Action Select(std::string control, std::vector<std::string> items) {
  return Action{ActionKind::Select, std::move(control), {}, std::move(items)};
}

// Plays a command's actions on the workbench through the command table, as the window and a
// played script do, and keeps their outcome: the command failed when any action it played
// failed. What went wrong has been told on standard error by the host already.
class ActionPlayer {
 public:
  ActionPlayer(Workbench& wb, std::ostream& err) : wb_(wb), err_(err) {}

  // Stops at the first action refused (a control that does not exist or is disabled),
  // saying which and why; false then.
  bool Play(const std::vector<Action>& actions) {
    for (const Action& a : actions) {
      std::string error;
      if (!Perform(wb_, a, error)) {
        err_ << kProgram << ": " << ActionLine(a) << ": " << error << '\n';
        return false;
      }
      failed_ = failed_ || wb_.LastOutcome().Failed();
      if (wb_.LastOutcome().Failed() && !wb_.LastOutcome().told) {
        err_ << kProgram << ": " << ActionLine(a) << ": " << wb_.LastOutcome().message << '\n';
      }
      // A declined question ends the command quietly in the window; here it is said.
      if (wb_.LastOutcome().kind == OutcomeKind::Cancelled)
        err_ << kProgram << ": " << ActionLine(a) << ": cancelled\n";
    }
    return true;
  }
  // Whether an action played so far failed.
  bool Failed() const { return failed_; }

 private:
  Workbench& wb_;
  std::ostream& err_;
  bool failed_ = false;
};

int RunLoad(const Arguments& a, std::ostream& out, std::ostream& err) {
  if (a.positional.size() != 2) return UsageError(err, "load takes one file");
  const std::string& path = a.positional[1];
  if (!CheckInputFile(path, err)) return kExitFailed;
  DataFileResult r = ReadDataFile(path);
  if (!r.error.empty()) {
    err << r.error << '\n';
    return kExitFailed;
  }
  return WriteResult(r.matrix, a, out, err);
}

int RunMatrix(const Arguments& a, std::ostream& out, std::ostream& err) {
  if (a.positional.size() < 2) return UsageError(err, "matrix needs an operation");
  const std::string& name = a.positional[1];
  const MatrixOp* op = nullptr;
  for (const auto& o : kMatrixOps) {
    if (name == o.name) op = &o;
  }
  if (!op) return UsageError(err, "unknown matrix operation " + name);
  const std::size_t expected = 2 + (op->takesInput ? 1 : 0) + static_cast<std::size_t>(op->files);
  if (a.positional.size() != expected) {
    return UsageError(err, "matrix " + name + " takes " + std::to_string(expected - 2) + " argument" +
                               (expected - 2 == 1 ? "" : "s"));
  }
  CliHost host(err, a.verbose);
  std::size_t next = 2;
  if (op->takesInput) host.QueueInput(a.positional[next++]);
  for (; next < a.positional.size(); ++next) {
    if (!CheckInputFile(a.positional[next], err)) return kExitFailed;
    host.QueueFile(a.positional[next]);
  }
  // "...see results below." is said only when the result does follow, on standard output.
  host.HoldInformation();
  Workbench wb(host, nullptr, std::string());
  ActionPlayer player(wb, err);
  if (!player.Play({Click(MatrixMenuEntryOf(op->item).name)})) return kExitFailed;
  if (player.Failed()) {
    // What went wrong was told by its box; a result the window would still show (a singular
    // inversion's marker) is not written.
    if (wb.ws.mLindoBase.IsAssigned()) err << kProgram << ": no result was written\n";
    return kExitFailed;
  }
  if (!wb.ws.mLindoBase.IsAssigned()) return kExitOk;  // a multiplier of 0, an identity below 2: nothing made
  if (!a.output) {
    for (const auto& line : host.HeldInformation()) err << line << '\n';
  }
  const int status = WriteResult(wb.ws.mLindoBase, a, out, err);
  if (status == kExitOk && a.output && a.verbose) err << "written: " << *a.output << '\n';
  return status;
}

// quantorial-cli play SCRIPT: the script on a fresh workbench.
int RunPlay(const Arguments& a, std::ostream& err) {
  if (a.positional.size() != 2) return UsageError(err, "play takes one script");
  // A folder is not a script; PlayScript says so.
  std::error_code ec;
  if (!FileExists(a.positional[1]) && !std::filesystem::is_directory(a.positional[1], ec)) {
    err << kProgram << ": there is no script \"" << a.positional[1] << "\"\n";
    return kExitFailed;
  }
  PlayOptions options;
  if (a.store) options.store = *a.store;
  if (const auto d = a.Value("--dump")) options.dump = *d;
  options.verbose = a.verbose;
  options.drawChart = [](const ChartDescription& chart, const std::string& path, std::string& error) {
    const std::string ext = std::filesystem::path(path).extension().string();
    if (ext == ".json") return WriteFileAtomically(path, ChartJson(chart), error);
    if (!CanDrawChartPictures()) {
      error = "this build cannot draw chart pictures (it was built without Qt)";
      return false;
    }
    return DrawChartPicture(chart, path, error);
  };
  const int status = PlayScript(a.positional[1], options, err);
  return status == kPlayDone ? kExitOk : status == kPlaySyntax ? kExitUsage : kExitFailed;
}

int RunSettings(const Arguments& a, std::ostream& out, std::ostream& err) {
  const auto& p = a.positional;
  const bool get = p.size() == 4 && p[1] == "get";
  const bool set = p.size() == 5 && p[1] == "set";
  if (!get && !set) return UsageError(err, "settings takes get SECTION KEY or set SECTION KEY VALUE");
  if (set && a.defaultValue) return UsageError(err, "--default goes with settings get");
  const SettingsStore store(a.store ? *a.store : UserDataFolder());
  std::string error;
  if (set) {
    if (!store.SaveDbSetting(p[2], p[3], p[4], &error)) {
      err << kProgram << ": " << error << '\n';
      return kExitFailed;
    }
    return kExitOk;
  }
  const auto value = store.Get(p[2], p[3], &error);
  if (!error.empty()) {
    err << kProgram << ": " << error << '\n';
    return kExitFailed;
  }
  out << value.value_or(a.defaultValue.value_or("")) << '\n';
  return kExitOk;
}

int RunModel(const Arguments& a, std::ostream& err) {
  if (a.positional.size() != 2) return UsageError(err, "run takes one data file");
  const auto endo = a.Value("--endo");
  const auto endoCount = endo ? WholeNumberRounded(*endo) : std::nullopt;
  if (!endoCount || *endoCount < 1) return UsageError(err, "run needs --endo N, the number of endogenous variables");
  const auto dump = a.Value("--dump");
  if (!dump) return UsageError(err, "run needs --dump DIR, the folder for the matrices");
  std::optional<int> shift;
  if (const auto s = a.Value("--shift")) {
    shift = WholeNumberRounded(*s);
    if (!shift) return UsageError(err, "--shift takes a whole number");
  }
  std::optional<int> quadrant;
  if (const auto q = a.Value("--split-quadrant")) {
    quadrant = WholeNumberRounded(*q);
    if (!quadrant || *quadrant < 1 || *quadrant > 4) return UsageError(err, "--split-quadrant takes 1, 2, 3 or 4");
  }
  std::optional<std::pair<std::string, std::string>> years;
  if (const auto y = a.Value("--forecast-years")) {
    const std::size_t colon = y->find(':');
    if (colon == std::string::npos || !a.Value("--forecast")) {
      return UsageError(err, "--forecast-years FIRST:LAST goes with --forecast FILE");
    }
    years = std::make_pair(y->substr(0, colon), y->substr(colon + 1));
  }
  const auto chartSeries = a.Value("--chart");
  for (const char* f : {"--png", "--svg", "--chart-json"}) {
    if (a.Value(f) && !chartSeries) return UsageError(err, std::string(f) + " goes with --chart S");
  }
  for (const auto& [option, ending] : {std::pair{"--png", ".png"}, std::pair{"--svg", ".svg"}}) {
    const auto file = a.Value(option);
    std::string ext = file ? std::filesystem::path(*file).extension().string() : ending;
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext != ending) return UsageError(err, std::string(option) + " takes a file ending in " + ending);
  }
  if ((a.Value("--png") || a.Value("--svg")) && !CanDrawChartPictures()) {
    err << kProgram << ": this build cannot draw chart pictures (it was built without Qt)\n";
    return kExitFailed;
  }
  const std::string data = std::filesystem::absolute(a.positional[1]).string();
  if (!CheckInputFile(data, err)) return kExitFailed;
  for (const char* f : {"--bmat", "--forecast"}) {
    if (const auto path = a.Value(f); path && !CheckInputFile(*path, err)) return kExitFailed;
  }

  std::unique_ptr<SettingsStore> store;
  if (a.store) {
    store = std::make_unique<SettingsStore>(*a.store);
    store->OpenInBackground();  // while the data files load
  }
  CliHost host(err, a.verbose);
  Workbench wb(host, store.get(), std::string());
  host.AttachWorkbench(&wb);
  ActionPlayer player(wb, err);
  // The window has no control for the shift of the prediction: it reads the stored setting.
  // --shift applies to this run only and leaves the settings store as it is.
  wb.SetShift(shift);
  std::vector<Action> setup;
  if (const auto s = a.Value("--change-symbol")) {
    host.QueueInput(*s);  // the question a double click on the command panel asks
    setup.push_back(DblClick("Picture1"));
  }
  // "Re&use" is ticked before the data load, as in the window: with no stages run yet it
  // only takes its value. The policy switch "chkDummy" is enabled only once the model is
  // split, and ticking it then runs every stage again; the command line runs the stages once
  // with the switch settled beforehand, so it sets the switch's value without the click.
  wb.form.chkDummy = a.flags.count("--policy") ? 1 : 0;
  if (a.flags.count("--reuse")) setup.push_back(Check("chkReuse"));
  setup.push_back(Set("txtData(0)", data));
  if (const auto b = a.Value("--bmat")) setup.push_back(Set("txtData(1)", std::filesystem::absolute(*b).string()));
  if (!player.Play(setup)) return kExitFailed;
  if (!wb.ws.mObserved.IsFilled()) {
    err << kProgram << ": \"" << data << "\" holds no data\n";
    return kExitFailed;
  }
  if (!wb.ws.mBMat.IsFilled()) {
    err << kProgram << ": no B-matrix: name one with --bmat FILE, or put " << PairedBMatPath(data)
        << " beside the data file\n";
    return kExitFailed;
  }
  std::vector<Action> stages;
  if (quadrant) {
    stages.push_back(Click("cmdSplitTable"));
    stages.push_back(Click("cmdQ(" + std::to_string(*quadrant - 1) + ")"));
  }
  host.QueueInput(std::to_string(*endoCount));  // the number of endogenous variables Run All asks for
  stages.push_back(Click("cmdRunAll"));
  if (!player.Play(stages)) return kExitFailed;
  if (const auto impact = a.Value("--impact")) {
    // The names are checked here so that a wrong one is told with the list of the right ones.
    const auto& variables = wb.form.lstImpVars;
    std::vector<std::string> names;
    std::stringstream list(*impact);
    std::string name;
    while (std::getline(list, name, ',')) {
      if (std::find(variables.begin(), variables.end(), name) == variables.end()) {
        err << kProgram << ": \"" << name << "\" is not an exogenous variable of the model; they are:";
        for (const auto& v : variables) err << ' ' << v;
        err << '\n';
        return kExitFailed;
      }
      names.push_back(name);
    }
    if (!player.Play({Select("lstImpVars", names)})) return kExitFailed;
  }
  if (const auto f = a.Value("--forecast")) {
    // "Forecast Options" is filled in as a person would: the file, the years, OK.
    host.QueueDialogAction(Set("frmForecast.txtData(0)", std::filesystem::absolute(*f).string()));
    if (years) {
      host.QueueDialogAction(Set("frmForecast.txtFromYear", years->first));
      host.QueueDialogAction(Set("frmForecast.txtToYear", years->second));
    }
    host.QueueDialogAction(Click("frmForecast.OKButton"));
    if (!player.Play({Click("cmdForecast")})) return kExitFailed;
  }
  if (chartSeries) {
    // The series by its number in the list or by its name.
    const auto& plots = wb.form.cboPlot;
    int index = -1;
    for (std::size_t i = 0; i < plots.size(); ++i) {
      const std::string& item = plots[i];
      if (item.substr(0, item.find('=')) == *chartSeries || item.substr(item.find('=') + 1) == *chartSeries) {
        index = static_cast<int>(i);
      }
    }
    if (index < 0) {
      err << kProgram << ": there is no series \"" << *chartSeries << "\"; the series are:";
      for (const auto& p : plots) err << ' ' << p;
      err << '\n';
      return kExitFailed;
    }
    if (!player.Play({Select("cboPlot", {"#" + std::to_string(index)}), Click("cmdChart")})) {
      return kExitFailed;
    }
    const auto& chart = host.LastChart();
    if (!chart) return kExitFailed;
    if (const auto json = a.Value("--chart-json")) {
      std::string error;
      if (!WriteFileAtomically(*json, ChartJson(*chart), error)) {
        return CannotWrite(err, *json, error);
      }
    }
    for (const char* f : {"--png", "--svg"}) {
      if (const auto path = a.Value(f)) {
        std::string error;
        if (!DrawChartPicture(*chart, *path, error)) {
          return CannotWrite(err, *path, error);
        }
      }
    }
  }
  if (player.Failed()) return kExitFailed;

  std::string error;
  if (!DumpWorkspace(wb, *dump, error)) {
    err << kProgram << ": " << error << '\n';
    return kExitFailed;
  }
  return kExitOk;
}

int RunExport(const Arguments& a, std::ostream& err) {
  if (a.positional.size() != 2) return UsageError(err, "export takes one matrix file");
  const auto out = a.Value("--out");
  if (!out) return UsageError(err, "export needs --out STEM, the workbook's path without .xlsx");
  auto whole = [&](const char* name, int fallback, int minimum) -> std::optional<int> {
    const auto v = a.Value(name);
    if (!v) return fallback;
    const auto n = WholeNumberRounded(*v);
    if (!n || *n < minimum) return std::nullopt;
    return n;
  };
  const auto top = whole("--top", 1, 1), left = whole("--left", 1, 1), lastRow = whole("--last-row", 0, 0);
  if (!top || !left || !lastRow) return UsageError(err, "--top and --left take a number from 1, --last-row from 0");
  const std::string& path = a.positional[1];
  if (!CheckInputFile(path, err)) return kExitFailed;
  const std::string format = a.Value("--format").value_or("");
  if (!format.empty() && format != "FIT" && format != "ITS" && format != "ITS2" && !CheckInputFile(format, err)) {
    return kExitFailed;
  }
  DataFileResult r = ReadDataFile(path);
  if (!r.error.empty()) {
    err << r.error << '\n';
    return kExitFailed;
  }
  CliHost host(err, a.verbose);
  const ExportProgress progress = [&host](const std::string& text) {
    if (text.empty()) {
      host.HideWaitBox("");
    } else {
      host.ShowWaitBox(text, false);
    }
  };
  std::string error;
  if (!ExportArrayToExcel(r.matrix, *out, *top, *left, a.Value("--sheet").value_or(""), format, *lastRow, 0, error,
                          a.verbose ? progress : ExportProgress())) {
    return CannotWrite(err, *out + ".xlsx", error);
  }
  return kExitOk;
}

int RunRegress(const Arguments& a, std::ostream& out, std::ostream& err) {
  if (a.positional.size() != 2) return UsageError(err, "regress takes one data file");
  const std::string method = a.Value("--method").value_or("normal");
  const std::map<std::string, RegMethod> methods = {{"lead", RegMethod::Lead},
                                                    {"lag", RegMethod::Lag},
                                                    {"constant", RegMethod::Constant},
                                                    {"normal", RegMethod::Normal}};
  if (!methods.count(method)) return UsageError(err, "--method is normal, lead, lag or constant");
  const std::string sig = a.Value("--sig").value_or("5");
  if (sig != "5" && sig != "1") return UsageError(err, "--sig is 5 or 1");
  const std::string data = std::filesystem::absolute(a.positional[1]).string();
  if (!CheckInputFile(data, err)) return kExitFailed;
  CliHost host(err, a.verbose);
  Workbench wb(host, nullptr, std::filesystem::path(data).parent_path().string());
  const RegMethod m = methods.at(method);
  const std::map<RegMethod, const char*> menus = {{RegMethod::Lead, "mnuLead"},
                                                  {RegMethod::Lag, "mnuLag"},
                                                  {RegMethod::Constant, "mnuY"},
                                                  {RegMethod::Normal, "mnuNormal"}};
  // The regression menus read the file named in the data box; the command line names it
  // without loading it as the worksheet (the window loads it only to show it).
  wb.form.txtData[0] = data;
  ActionPlayer player(wb, err);
  if (!player.Play({Choose(sig == "1" ? "opt1Percent" : "opt5Percent"), Click(menus.at(m))})) {
    return kExitFailed;
  }
  if (player.Failed()) return kExitFailed;
  // The B table's path: the normal method names it in the secondary data box.
  out << (m == RegMethod::Normal ? wb.form.txtData[1] : RegressionPath(data, BTag(m))) << '\n';
  return kExitOk;
}

int RunChange(const Arguments& a, std::ostream& out, std::ostream& err) {
  if (a.positional.size() != 2) return UsageError(err, "change takes one data file");
  const auto dir = a.Value("--out-dir");
  if (!dir) return UsageError(err, "change needs --out-dir DIR");
  const std::string data = std::filesystem::absolute(a.positional[1]).string();
  if (!CheckInputFile(data, err)) return kExitFailed;
  std::error_code ec;
  std::filesystem::create_directories(*dir, ec);
  CliHost host(err, a.verbose);
  Workbench wb(host, nullptr, std::filesystem::absolute(*dir).string());
  ActionPlayer player(wb, err);
  // Data that do not load, or hold no series, are told by the transformation itself.
  if (!player.Play({Set("txtData(0)", data), Click("mnuLagChangeTrans")}) || player.Failed()) return kExitFailed;
  std::string error;
  const std::string changed = (std::filesystem::path(*dir) / "mChangeData.csv").string();
  if (!WriteDumpFile(changed, wb.ws.mChangeData, error)) {
    return CannotWrite(err, changed, error);
  }
  out << wb.form.txtData[1] << '\n';
  return kExitOk;
}

// quantorial-cli lp solve MODEL: an LP or MPS file, or an LP table as Solve reads it, solved;
// the report on standard output (or --report), the outcome as JSON with -o.
int RunLp(const Arguments& a, std::ostream& out, std::ostream& err) {
  if (a.positional.size() < 2 || a.positional[1] != "solve") return UsageError(err, "lp takes the command solve");
  if (a.positional.size() != 3) return UsageError(err, "lp solve takes one model");
  LpSolveOptions options;
  // Ranges cost more than the solve on a large model: computed only when asked.
  options.ranging = a.flags.count("--ranges") > 0;
  if (const auto t = a.Value("--time-limit")) {
    const auto seconds = ArithmeticValue(*t);
    if (!seconds || !std::isfinite(*seconds) || *seconds <= 0 || *seconds > 1e6) {
      return UsageError(err, "--time-limit takes a number of seconds above 0 (up to 1000000)");
    }
    options.timeLimitSeconds = *seconds;
  }
  const std::string& path = a.positional[2];
  if (!CheckInputFile(path, err)) return kExitFailed;
  LpOutcome outcome;
  if (IsLpModelFileName(path)) {
    std::string error;
    if (!SolveLpModelFile(path, options, outcome, error)) {
      err << kProgram << ": " << error << '\n';
      return kExitFailed;
    }
  } else {
    DataFileResult r = ReadDataFile(path);
    if (!r.error.empty()) {
      err << r.error << '\n';
      return kExitFailed;
    }
    outcome = SolveLpTable(r.matrix, false, TableHasConstraints(r.matrix), options);
    const std::string notSolved = "not solved: ";
    if (outcome.statusText.rfind(notSolved, 0) == 0) {
      err << kProgram << ": \"" << path << "\" " << outcome.statusText << '\n';
      return kExitFailed;
    }
  }
  const std::string report =
      LpReportText(outcome, a.flags.count("--ranges") > 0, std::filesystem::path(path).filename().string());
  std::string error;
  if (const auto r = a.Value("--report")) {
    if (!IsNullDevice(*r) && !WriteFileAtomically(*r, report, error)) return CannotWrite(err, *r, error);
    if (a.verbose) err << "written: " << *r << '\n';
  } else {
    out << report;
    out.flush();
  }
  if (a.output && !IsNullDevice(*a.output)) {
    if (!WriteFileAtomically(*a.output, LpOutcomeJson(outcome), error)) return CannotWrite(err, *a.output, error);
    if (a.verbose) err << "written: " << *a.output << '\n';
  }
  if (outcome.status == LpStatus::Optimal || outcome.status == LpStatus::IntegerOptimal) return kExitOk;
  err << kProgram << ": \"" << path << "\" has no optimum: " << outcome.statusText << '\n';
  return kExitFailed;
}

}  // namespace

std::string CliUsage() {
  return "Usage: quantorial-cli COMMAND [ARGUMENTS] [-o OUT] [-v]\n"
         "\n"
         "Commands:\n"
         "  load FILE                  the first sheet's used range of a data file\n"
         "                             (.csv, .txt, .xlsx, .xls or .ods; Stata .dta, SPSS .sav,\n"
         "                             .zsav or .por, SAS .sas7bdat or .xpt, gretl .gdt or .gdtb;\n"
         "                             told by content); -o OUT.dta or OUT.gdt writes a Stata or gretl\n"
         "                             data file, any other -o name the dump form\n"
         "  matrix transpose A         the matrix operations of the workbench, on data files:\n"
         "  matrix add A B               transpose, addition, subtraction, multiplication,\n"
         "  matrix sub A B               scalar multiplication (special-scalar leaves the\n"
         "  matrix mul A B               diagonal alone), identity of size N, inversion by\n"
         "  matrix scalar X A            Gauss-Jordan, inversion by elimination, reciprocal\n"
         "  matrix special-scalar X A\n"
         "  matrix identity N\n"
         "  matrix invert A\n"
         "  matrix invert-pivot A\n"
         "  matrix reciprocal A\n"
         "  run DATA --endo N --dump DIR [--bmat FILE] [--impact NAME,NAME...] [--policy]\n"
         "      [--reuse] [--change-symbol S] [--shift S] [--split-quadrant Q]\n"
         "      [--forecast FILE [--forecast-years FIRST:LAST]]\n"
         "      [--chart S [--png FILE.png] [--svg FILE.svg] [--chart-json FILE]] [--store DIR]\n"
         "                             loads DATA (and its _NOR_BMAT.CSV B-matrix, or --bmat),\n"
         "                             runs all stages with N endogenous variables, then the\n"
         "                             forecast, and writes every filled matrix as DIR/<name>.csv;\n"
         "                             --chart draws series S (its number or name) as a picture\n"
         "                             and as JSON\n"
         "  export FILE --out STEM [--sheet NAME] [--format FILE|FIT|ITS|ITS2] [--top ROW]\n"
         "      [--left COL] [--last-row N]\n"
         "                             writes the data file into the workbook STEM.xlsx (an\n"
         "                             existing one keeps its other sheets), formatted by a\n"
         "                             directive file or a built-in layout\n"
         "  regress DATA [--method normal|lead|lag|constant] [--sig 5|1]\n"
         "                             regresses every pair of variables and writes the report\n"
         "                             and the A and B tables beside DATA; prints the B table's path\n"
         "  change DATA --out-dir DIR  turns the levels into changes (DIR/mChangeData.csv) and\n"
         "                             regresses the result (DIR/Matrix_*.CSV)\n"
         "  play SCRIPT [--dump DIR]   runs a session script of window actions on a fresh\n"
         "                             workbench (quantorial-cli play --help lists its lines);\n"
         "                             without --store a temporary settings store is used\n"
         "  lp solve MODEL [--ranges] [--report R.txt] [-o OUT.json] [--time-limit SECONDS]\n"
         "                             solves a linear programme: MODEL is a CPLEX LP file (.lp),\n"
         "                             an MPS file (.mps, free or fixed) or an LP table as Solve\n"
         "                             reads it (a \"type\" row under the header marks int and bin\n"
         "                             columns); prints the report (or writes it to R.txt), with\n"
         "                             --ranges the cost and right-hand-side ranges; -o writes the\n"
         "                             solution as JSON. Exit 1 when there is no optimum\n"
         "                             (infeasible, unbounded, time limit), after the report\n" +
         SimulationCommandsUsage() + InputOutputUsage() + EstimateUsage() +
         "  settings get SECTION KEY [--default V]   a stored setting (or V, or an empty line)\n"
         "  settings set SECTION KEY VALUE           stores a setting\n"
         "\n"
         "Options (each command takes only its own, and these where named):\n"
         "  -o, --output OUT   load and matrix: write the result to OUT (replaced whole) instead\n"
         "                     of standard output; lp solve: write the solution as JSON\n"
         "  -v, --verbose      every command but settings: show status texts on standard error\n"
         "  --store DIR        run, play and settings: the folder of the settings store (default:\n"
         "                     the per-user data folder)\n"
         "  -h, --help         show this text\n"
         "  --version          show the version\n"
         "\n"
         "Results are written in dump form: one line per row, cells separated by commas,\n"
         "numbers as the shortest text that reads back to the same double, texts in double\n"
         "quotes, empty cells as nothing. Messages go to standard error.\n"
         "A multiplier of 0 or an identity size below 2 writes nothing. An inversion of a\n"
         "singular matrix is reported and not written.\n"
         "\n"
         "Exit status: 0 done, warned (the warning is on standard error) or cancelled (a\n"
         "question declined: \"cancelled\" on standard error); 1 failed: an input file could not\n"
         "be read, an answer was not a number, a singular matrix would feed the results or an\n"
         "error was reported (for lp solve also: the model has no optimum); 2 the command line\n"
         "was not understood.\n";
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (IsSimulationCommand(args)) return RunSimulationCommand(args, out, err);
  if (!args.empty() && (args[0] == "io" || args[0] == "ras")) return RunInputOutputCommand(args, out, err);
  if (!args.empty() && args[0] == "estimate") return RunEstimate({args.begin() + 1, args.end()}, out, err);
  const Arguments a = ParseArguments(args);
  if (!a.error.empty()) return UsageError(err, a.error);
  if (a.version) {
    out << kProgram << ' ' << QUANTORIAL_VERSION << '\n';
    return kExitOk;
  }
  if (a.help && (a.positional.empty() || a.positional[0] != "play")) {
    out << CliUsage();
    return kExitOk;
  }
  if (a.positional.empty()) return UsageError(err, "no command given");
  const std::string& command = a.positional[0];
  if (command == "load") return RunLoad(a, out, err);
  if (command == "matrix") return RunMatrix(a, out, err);
  if (command == "settings") return RunSettings(a, out, err);
  if (command == "run") return RunModel(a, err);
  if (command == "export") return RunExport(a, err);
  if (command == "regress") return RunRegress(a, out, err);
  if (command == "change") return RunChange(a, out, err);
  if (command == "lp") return RunLp(a, out, err);
  if (command == "play") {
    if (a.help) {
      out << "Usage: quantorial-cli play SCRIPT [--store DIR] [--dump DIR] [-v]\n\n" << ScriptLanguageHelp();
      return kExitOk;
    }
    return RunPlay(a, err);
  }
  return UsageError(err, "unknown command " + command);
}

}  // namespace quantorial
