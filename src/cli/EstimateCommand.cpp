#include "cli/EstimateCommand.h"

#include "cli/Cli.h"
#include "cli/Options.h"
#include "io/AtomicFile.h"
#include "io/DataFile.h"
#include "systems/Estimation.h"
#include "systems/ModelFiles.h"
#include "systems/Report.h"
#include "systems/SystemFile.h"

namespace quantorial {

namespace {

constexpr const char* kProgram = "quantorial-cli";

const std::vector<OptionSpec> kEstimateOptions = {
    {"--method", true, ""},  {"--sample", true, ""}, {"--output", true, "-o"}, {"--report", true, ""},
    {"--bmat", true, ""},    {"--data", true, ""},   {"--fiml-se", true, ""},  {"--allow-nonconvergence", false, ""},
    {"--help", false, "-h"},
};

int Usage(std::ostream& err, const std::string& message) {
  err << kProgram << ": " << message << "\n\n" << EstimateUsage();
  return kExitUsage;
}

int Failed(std::ostream& err, const std::string& message) {
  err << kProgram << ": " << message << '\n';
  return kExitFailed;
}

}  // namespace

std::string EstimateUsage() {
  return "  estimate SYSTEM DATA [--method ols|tsls|2sls|3sls|sur|liml|fiml] [--sample FIRST:LAST]\n"
         "      [--fiml-se hessian|3sls] [--allow-nonconvergence]\n"
         "      [-o MODEL.json] [--report REPORT.txt] [--bmat BMAT.csv --data DATA.csv]\n"
         "                             estimates the system of simultaneous equations in SYSTEM\n"
         "                             (a .sys file) on the data file DATA (any form load reads;\n"
         "                             years in the first column; default method\n"
         "                             3sls); prints the report unless -o writes the model as\n"
         "                             JSON (--report writes it to a file); --bmat and --data\n"
         "                             write the structural B-matrix and its data file for run.\n"
         "                             FIML's standard errors: the inverse Hessian (default) or\n"
         "                             the 3SLS form at its estimates (--fiml-se 3sls). FIML that\n"
         "                             finds no maximum fails (exit 1), printing its report and\n"
         "                             writing nothing unless --allow-nonconvergence.\n"
         "                             Exit 1 when the system cannot be estimated on the data,\n"
         "                             2 on a syntax error in SYSTEM\n";
}

int RunEstimate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const ParsedOptions options = ParseOptions(args, kEstimateOptions, "estimate");
  if (!options.error.empty()) return Usage(err, options.error);
  if (options.Flag("--help")) {
    out << "Usage: quantorial-cli estimate SYSTEM DATA [options]\n\n" << EstimateUsage();
    return kExitOk;
  }
  if (options.positional.size() != 2) return Usage(err, "estimate takes a system file and a data file");
  EstimationRequest request;
  request.method = EstimationMethod::kThreeSls;
  if (const auto method = options.Value("--method"); method && !ParseEstimationMethod(*method, request.method)) {
    return Usage(err, "unknown method \"" + *method + "\" (ols, tsls, 2sls, 3sls, sur, liml, fiml)");
  }
  if (const auto se = options.Value("--fiml-se"); se && !ParseFimlStandardErrors(*se, request.fimlStandardErrors)) {
    return Usage(err, "--fiml-se takes hessian or 3sls, not \"" + *se + "\"");
  }
  if (const auto sample = options.Value("--sample")) {
    std::pair<int, int> years;
    if (!ParseSampleRange(*sample, years)) {
      return Usage(err, "--sample takes FIRST:LAST, such as 1921:1941 (or 1935: to the data's last year)");
    }
    request.sample = years;
  }
  const auto bmatPath = options.Value("--bmat");
  const auto dataPath = options.Value("--data");
  if (bmatPath.has_value() != dataPath.has_value()) return Usage(err, "--bmat and --data are given together");

  const std::string& systemPath = options.positional[0];
  const std::string& inputPath = options.positional[1];
  std::string text, error;
  if (!ReadWholeFile(systemPath, text, error)) return Failed(err, "cannot read \"" + systemPath + "\": " + error);
  SystemSpec spec;
  if (!ParseSystemFile(text, spec, error)) {
    err << kProgram << ": " << systemPath << ": " << error << '\n';
    return kExitUsage;
  }
  // The data as every model command reads them: any data file the program reads, one
  // time-series table; a missing value is refused only where the sample needs it.
  const DataFileResult read = ReadDataFile(inputPath);
  if (!read.matrix.IsAssigned())
    return Failed(err, read.error.empty() ? inputPath + ": the file holds nothing" : read.error);
  const TimeSeriesOutcome series = TimeSeriesFromMatrix(read.matrix, inputPath);
  if (!series.table) return Failed(err, series.error);
  DataTable data;
  if (!DataTableFromSeries(*series.table, data, error)) return Failed(err, error);

  const EstimationOutcome outcome = EstimateSystem(spec, data, request);
  if (!outcome.ok) return Failed(err, systemPath + ": " + outcome.error);
  const std::string report = EstimationReport(outcome.model, outcome.notices, outcome.nonconvergence);
  // Estimates that are not a maximum are shown, not written, unless asked for.
  const bool allowed = options.Flag("--allow-nonconvergence");
  if (!outcome.converged && !allowed) {
    out << report;
    return Failed(err,
                  systemPath + ": " + outcome.nonconvergence +
                      "; nothing was written (--allow-nonconvergence writes the estimates marked as not converged)");
  }
  StructuralFiles files;
  if (bmatPath && !MakeStructuralFiles(outcome.model, outcome.data, files, error)) {
    return Failed(err, systemPath + ": " + error);
  }

  const auto write = [&](const std::string& path, const std::string& content) {
    if (IsNullDevice(path) || WriteFileAtomically(path, content, error)) return true;
    err << kProgram << ": cannot write \"" << path << "\": " << error << '\n';
    return false;
  };
  const auto output = options.Value("--output");
  if (output && !write(*output, ModelToJson(outcome.model))) return kExitFailed;
  if (const auto reportPath = options.Value("--report")) {
    if (!write(*reportPath, report)) return kExitFailed;
  } else if (!output) {
    out << report;
  }
  if (bmatPath && (!write(*bmatPath, files.bmat) || !write(*dataPath, files.data))) return kExitFailed;
  if (!outcome.converged) err << kProgram << ": warning: " << outcome.nonconvergence << '\n';
  for (const std::string& notice : outcome.notices) err << kProgram << ": " << notice << '\n';
  return kExitOk;
}

}  // namespace quantorial
