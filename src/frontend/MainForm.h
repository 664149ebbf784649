#pragma once
// The state of the main window that the command handlers read and write: control texts,
// lists and which commands are enabled. The desktop window mirrors it; it keeps no copy
// of its own.

#include <array>
#include <map>
#include <string>
#include <vector>

namespace quantorial {

struct MainForm {
  MainForm();

  std::array<std::string, 3> txtData;  // primary, secondary, extended data file
  std::string txtRows;                 // B-matrix data rows
  std::string txtCols;                 // B-matrix data columns
  std::vector<std::string> lstImpVars;
  std::vector<bool> lstImpVarsSelected;
  std::vector<std::string> cboPlot;
  int cboPlotIndex = -1;
  std::vector<std::string> cboArrays;  // "Select Matrix" items
  std::string cboArraysText;           // its current text
  bool chkDummyVisible = false;        // the policy switch shows with the dynamic panel
  bool picMoreVisible = false;         // the dynamic panel
  int chkSave = 0;                     // 1: save/open the LP model, 0: copy it to the clipboard
  int chkReuse = 0;                    // "Re&use": the trend feeds on its own calculated values
  int chkAbs = 0;                      // "ABS": the chart shows absolute predicted values
  bool useOnePercent = false;          // "Sig. Level:" 1 % (opt1Percent) rather than 5 % (opt5Percent)
  std::vector<std::string> lstDyn;     // the level series of a change transformation
  std::string txtDyn;                  // the same names as one text, each followed by ", "
  std::string txtScale = "0";          // the chart's scale exponent
  int chkDummy = 0;                    // the policy switch: 1 zeroes the lags of policy (0/1) variables
  int chkOnePercent = 0;               // "Sig. Level:"
  int chkVV = 0;                       // "Use &X.. for Variable Names"
  int chkRHS = 0;                      // "Data Contains Constraints"
  int optDyn = 0;                      // the dynamic panel's choice: 0 Exo, 1 Endo, 2 Endo-Exo
  std::vector<bool> lstDynSelected;
  std::string txtAspire = "1~2006~GrthRt+0.1, INFLRT-5%  ";  // "Aspiration Parameters"
  std::string txtExtd;                                       // the dynamic panel's period box
  std::string ChkSaveCaption() const { return chkSave ? "Save/Open Model in Lindo" : "Copy Model to Clipboard"; }

  // Enabled state of commands by control name ("cmdEXV", "cmdQ(0)"); a command not
  // listed is enabled.
  std::map<std::string, bool> enabled;
  bool IsEnabled(const std::string& control) const;
  // The number of selected impact variables.
  int SelectedImpVars() const;
  void Enable(const std::string& control, bool on) { enabled[control] = on; }
};

}  // namespace quantorial
