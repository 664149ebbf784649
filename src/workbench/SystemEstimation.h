#pragma once
// frmEstimate, "Estimate System": a system of simultaneous equations estimated on the primary
// data file, its report, and the estimated model handed to the workbench as its structural
// B-matrix and data file.

#include <optional>
#include <string>
#include <vector>

#include "systems/Estimation.h"
#include "workspace/LabelledMatrix.h"

namespace quantorial {

class Workbench;

inline constexpr const char* kEstimateSystemTitle = "Estimate System";

// The primary data as a data table: the labels of row 0 name the series, column 0 holds the
// years. False with a message naming the row and column of a cell that is not a number.
bool DataTableFromObserved(const LabelledMatrix& observed, DataTable& data, std::string& error);

// The system text on one line, as a script line carries it: a line break as "\n", a
// backslash as "\\"; and back.
std::string EscapeLineBreaks(const std::string& text);
std::string UnescapeLineBreaks(const std::string& text);

class SystemEstimationWindow {
 public:
  explicit SystemEstimationWindow(Workbench& bench) : bench_(bench) {}

  std::string txtSystem;   // the system text, as edited
  std::string systemPath;  // the .sys file it was opened from or saved to; empty for none
  // The methods offered, in the order of cboMethod's items.
  static const std::vector<std::string>& Methods();
  int cboMethodIndex = 2;  // 3SLS
  std::string txtSample;   // "FIRST:LAST" (or "FIRST LAST"); empty for the system's own
  std::string txtReport;   // the report of the last estimate (read-only in the window)

  // "Open...": a .sys file into the text.
  void cmdOpenSystem_Click();
  // "Save...": the text into a .sys file.
  void cmdSaveSystem_Click();
  // "Estimate": the text's system on the primary data file by the chosen method.
  void cmdEstimate_Click();
  // "Save Report...".
  void cmdSaveReport_Click();
  // "Use in Workbench": the structural B-matrix and its data file into the Data folder, loaded
  // as the secondary and primary files.
  void cmdUseInWorkbench_Click();

  // The last successful estimate, if any.
  const std::optional<EstimationOutcome>& Outcome() const { return outcome_; }

 private:
  void Warn(const std::string& text);
  Workbench& bench_;
  std::optional<EstimationOutcome> outcome_;
  std::string estimatedFrom_;  // the primary file the last estimate used
};

}  // namespace quantorial
