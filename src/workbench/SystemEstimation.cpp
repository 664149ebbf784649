#include "workbench/SystemEstimation.h"

#include <cmath>
#include <filesystem>

#include "io/AtomicFile.h"
#include "systems/ModelFiles.h"
#include "systems/Report.h"
#include "workbench/Workbench.h"
#include "workspace/ValueRules.h"

namespace quantorial {

std::string EscapeLineBreaks(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c != '\r') {
      out += c;
    }
  }
  return out;
}

std::string UnescapeLineBreaks(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == '\\')) {
      out += text[i + 1] == 'n' ? '\n' : '\\';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool DataTableFromObserved(const LabelledMatrix& observed, DataTable& data, std::string& error) {
  data = DataTable{};
  if (!observed.IsFilled() || observed.UpperCol() < 1) {
    error = "There is no primary data file loaded: load the data the system is estimated on first.";
    return false;
  }
  // The primary data read as every model command reads its data; a cell that is not a number
  // stays out of the computation, and a statement that needs it is told so by name and year.
  const TimeSeriesOutcome series = TimeSeriesFromMatrix(observed, "the primary data");
  if (!series.table) {
    error = series.error;
    return false;
  }
  return DataTableFromSeries(*series.table, data, error);
}

const std::vector<std::string>& SystemEstimationWindow::Methods() {
  static const std::vector<std::string> methods = {"OLS", "2SLS", "3SLS", "SUR", "LIML", "FIML"};
  return methods;
}

// A failure of the window's command: told in a box and recorded as the command's outcome.
void SystemEstimationWindow::Warn(const std::string& text) {
  bench_.Fail(text, vbExclamation, std::string(kEstimateSystemTitle));
}

void SystemEstimationWindow::cmdOpenSystem_Click() {
  FileDialogRequest request;
  request.title = "Open System File";
  request.filter = "System files (*.sys)|*.sys|All files (*.*)|*.*";
  request.initialFolder = bench_.DataFolder();
  request.extensions = {".sys", ""};
  const auto path = bench_.HostRef().ChooseOpenFile(request);
  if (!path) return bench_.Cancelled();
  std::string text, error;
  if (!ReadWholeFile(*path, text, error)) {
    Warn("\"" + *path + "\" cannot be read: " + error);
    return;
  }
  txtSystem = text;
  systemPath = *path;
}

void SystemEstimationWindow::cmdSaveSystem_Click() {
  FileDialogRequest request;
  request.title = "Save System File";
  request.filter = "System files (*.sys)|*.sys";
  request.initialFolder = bench_.DataFolder();
  request.defaultName = systemPath.empty() ? "system.sys" : std::filesystem::path(systemPath).filename().string();
  request.extensions = {".sys"};
  const auto path = bench_.HostRef().ChooseSaveFile(request);
  if (!path) return bench_.Cancelled();
  const std::string target = request.WithExtension(*path, 0);
  std::string error;
  if (!WriteFileAtomically(target, txtSystem, error)) {
    Warn("\"" + target + "\" cannot be written: " + error);
    return;
  }
  systemPath = target;
}

void SystemEstimationWindow::cmdEstimate_Click() {
  SystemSpec spec;
  std::string error;
  if (!ParseSystemFile(txtSystem, spec, error)) {
    txtReport = "The system cannot be read: " + error + "\n";
    Warn("The system cannot be read: " + error);
    return;
  }
  DataTable data;
  if (!DataTableFromObserved(bench_.ws.mObserved, data, error)) {
    Warn(error);
    return;
  }
  EstimationRequest request;
  const std::string method = Methods()[static_cast<std::size_t>(std::clamp(cboMethodIndex, 0, 5))];
  ParseEstimationMethod(method, request.method);
  if (!TrimBlanks(txtSample).empty()) {
    std::pair<int, int> sample;
    if (!ParseSampleRange(txtSample, sample)) {
      Warn("\"" + txtSample + "\" is not a sample: write the first and last year, such as 1921:1941.");
      return;
    }
    request.sample = sample;
  }
  bench_.HostRef().HoldOn("Estimating the system by " + method + ".");
  EstimationOutcome outcome = EstimateSystem(spec, data, request);
  bench_.HostRef().HoldOn("");
  if (!outcome.ok) {
    txtReport = "The system cannot be estimated: " + outcome.error + "\n";
    Warn("The system cannot be estimated: " + outcome.error);
    return;
  }
  txtReport = EstimationReport(outcome.model, outcome.notices, outcome.nonconvergence);
  if (!outcome.converged) {
    // The report says so at its top; the estimates are not kept for Use in Workbench.
    outcome_.reset();
    Warn("The system cannot be estimated: " + outcome.nonconvergence + ".");
    return;
  }
  bench_.Warn(outcome.notices);  // the report has them too; the outcome is warned
  outcome_ = std::move(outcome);
  estimatedFrom_ = bench_.form.txtData[0];
}

void SystemEstimationWindow::cmdSaveReport_Click() {
  if (txtReport.empty()) {
    Warn("There is no report yet: estimate the system first.");
    return;
  }
  FileDialogRequest request;
  request.title = "Save Report";
  request.filter = "Text files (*.txt)|*.txt";
  request.initialFolder = bench_.DataFolder();
  request.defaultName = "estimation.txt";
  request.extensions = {".txt"};
  const auto path = bench_.HostRef().ChooseSaveFile(request);
  if (!path) return bench_.Cancelled();
  const std::string target = request.WithExtension(*path, 0);
  std::string error;
  if (!WriteFileAtomically(target, txtReport, error)) Warn("\"" + target + "\" cannot be written: " + error);
}

void SystemEstimationWindow::cmdUseInWorkbench_Click() {
  if (!outcome_) {
    Warn("There is no estimated model yet: estimate the system first.");
    return;
  }
  StructuralFiles files;
  std::string error;
  if (!MakeStructuralFiles(outcome_->model, outcome_->data, files, error)) {
    Warn("The model cannot be handed to the workbench: " + error);
    return;
  }
  const std::string stem = systemPath.empty() ? "system" : std::filesystem::path(systemPath).stem().string();
  const std::string dataPath =
      (std::filesystem::path(bench_.DataFolder()) / (stem + "_" + outcome_->model.method + ".csv")).string();
  const std::string bmatPath = PairedBMatPath(dataPath);
  // The Data folder is made when it does not exist yet.
  std::error_code made;
  std::filesystem::create_directories(bench_.DataFolder(), made);
  for (const auto& [path, content] : {std::pair{bmatPath, files.bmat}, std::pair{dataPath, files.data}}) {
    if (!WriteFileAtomically(path, content, error)) {
      Warn("\"" + path + "\" cannot be written: " + error);
      return;
    }
  }
  // The primary file brings its B-matrix along; either is read again when its name is
  // already in its box, as the files were just rewritten.
  if (bench_.form.txtData[0] == dataPath) {
    bench_.txtData_Change(0);
  } else {
    bench_.SetTxtData(0, dataPath);
  }
  if (bench_.form.txtData[1] == bmatPath) {
    bench_.txtData_Change(1);
  } else {
    bench_.SetTxtData(1, bmatPath);
  }
}

void Workbench::mnuEstimateSystem_Click() {
  if (!estimation_) {
    estimation_ = std::make_unique<SystemEstimationWindow>(*this);
    // The window opens again with what it held when it was closed: the system, where it
    // came from, the method and the sample (the report was of that session's data).
    if (estimationKept_) {
      estimation_->txtSystem = estimationKept_->txtSystem;
      estimation_->systemPath = estimationKept_->systemPath;
      estimation_->cboMethodIndex = estimationKept_->cboMethodIndex;
      estimation_->txtSample = estimationKept_->txtSample;
    }
  }
  host_.WindowService("EstimateSystem");
}

void Workbench::CloseEstimationWindow() {
  host_.WindowService("EstimateSystemClosed");
  if (estimation_) {
    estimationKept_ = EstimationTexts{estimation_->txtSystem, estimation_->systemPath, estimation_->cboMethodIndex,
                                      estimation_->txtSample};
  }
  estimation_.reset();
}

}  // namespace quantorial
