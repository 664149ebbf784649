#pragma once
// The script player: runs a session script (plain UTF-8 text, one window action per line)
// on a fresh workbench without a window. The lines:
//
//   set NAME TEXT          a text box's text, then its change handler
//   check NAME 0|1         a check box, its click handler when it changes
//   choose NAME            an option button
//   select NAME ITEM|ITEM  a list's selection by item text ("#3": the item at index 3)
//   click NAME / dblclick NAME
//   answer [TEXT]          the answer to the next question: an input box's text (none:
//                          Cancel), a message box's button caption, a file (none: cancelled)
//   answer FORM ACTION     a line for a dialog the program opens (frmForecast, frmChartOptions)
//   dump DIR / dump SLOT FILE (a filled slot) / chart FILE (.png, .svg, .pdf or .json)
//
// "#" starts a comment line; paths are relative to the script's folder.

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "charts/TrendChart.h"

namespace quantorial {

class Workbench;

struct PlayOptions {
  std::string store;  // the settings store's folder; empty: a temporary one
  std::string dump;   // every filled slot is dumped here at the end, when not empty
  bool verbose = false;
  // Draws a chart into a file by its ending (.png, .svg, .pdf, .json); false with the reason.
  std::function<bool(const ChartDescription&, const std::string&, std::string&)> drawChart;
};

inline constexpr int kPlayDone = 0;
inline constexpr int kPlayFailed = 1;  // a reported error, or the script was stopped
inline constexpr int kPlaySyntax = 2;  // a line that is not one, or a name the table does not know

// Plays the script of that path; messages go to `err`. Returns the exit status.
int PlayScript(const std::string& path, const PlayOptions& options, std::ostream& err);
// The same on a script's text, with relative paths taken from `folder`.
int PlayScriptText(const std::string& text, const std::string& folder, const PlayOptions& options, std::ostream& err);

// Writes every filled workspace slot as DIR/<slot>.csv in dump form (DIR is made when
// missing); false with the reason.
bool DumpWorkspace(const Workbench& wb, const std::string& dir, std::string& error);

// The line forms, for --help.
std::string ScriptLanguageHelp();

}  // namespace quantorial
