#pragma once
// The command table: every control and menu item of the workbench's windows by the name
// the window gives it (`cmdRunAll`, `cmdQ(2)`, `txtData(0)`, `frmForecast.OKButton`) and
// what a person can do with it. The desktop window wires its widgets through it, the
// script player runs script lines through it and the session recorder writes what passes
// through it, so a command reaches all three the moment it has an entry.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quantorial {

class Workbench;

enum class ControlKind { Button, MenuItem, Label, TextBox, CheckBox, OptionButton, List, ComboBox, Grid, Panel };

// What a person does with a control; the words of a script line.
enum class ActionKind { Click, DblClick, Set, Check, Choose, Select };

struct ControlEntry {
  std::string name;  // "cmdRunAll", "txtData(0)", "frmForecast.OKButton"
  ControlKind kind;
  bool path = false;      // a text box whose text is a file path (relative to a script's folder)
  bool onCommit = false;  // a text box whose change runs when typing ends, not at every key
  bool recorded = true;   // written by the session recorder (not the item that starts and stops it)
};

// Every entry: the main window's controls and menu items, then those of "Forecast
// Options" (frmForecast.*) and "Other Chart Options" (frmChartOptions.*).
std::span<const ControlEntry> ControlTable();
const ControlEntry* FindControl(std::string_view name);

struct Action {
  ActionKind kind = ActionKind::Click;
  std::string control;
  std::string text;                // Set: the text; Check: "0" or "1"
  std::vector<std::string> items;  // Select: item texts, "#3" for the item at index 3
};

// The script line of an action ("click cmdRunAll", "set txtData(0) klein.csv").
std::string ActionLine(const Action& a);
// An action from the words of a script line; nothing, with the reason, when the line is
// not one (the control is not checked against the table here).
std::optional<Action> ParseAction(std::string_view line, std::string& error);

// Carries out an action on the workbench as the window would: a click runs the control's
// handler, a text sets the box and runs its change handler, a check or a choice sets the
// value and runs its click handler, a selection sets the list and runs its click handler.
// False, with the reason, when the control is unknown, cannot take that action, is
// disabled, or belongs to a window that is not open. A session recorder attached to the
// workbench writes the action.
bool Perform(Workbench& wb, const Action& a, std::string& error);

}  // namespace quantorial
