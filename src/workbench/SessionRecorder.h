#pragma once
// The session recorder: writes what a person does in the window as a script that
// `quantorial-cli play` replays. Each action becomes its script line, preceded by the
// answers the person gave to the questions and dialogs it opened, so that the replay
// finds them queued. The script is rewritten whole (beside, then renamed) after every
// action, so a session that ends abruptly still leaves what was recorded.

#include <string>
#include <vector>

#include "workbench/CommandTable.h"

namespace quantorial {

class ForecastOptions;
class ChartOptionsState;

class SessionRecorder {
 public:
  // Starts a script at `path`; false with the reason when it cannot be written.
  bool Start(const std::string& path, std::string& error);
  const std::string& Path() const { return path_; }
  // An action begins and ends; actions inside an action (a dialog's) are not lines of
  // their own. `path`: the action's text is a file path. A `set` of the control the last
  // line set, with no answer between, replaces that line: one line per edit, not one per
  // keystroke.
  void BeginAction(const Action& a, bool path);
  void EndAction();
  // The answers given while an action runs.
  void AnswerText(const std::string& text);  // an input box; nothing for Cancel
  void AnswerCancel();
  void AnswerButton(const std::string& caption);  // a message box with several buttons
  void AnswerFile(const std::string& path);       // a file dialog; "" when cancelled
  // A dialog of its own opens: what it asks while open (its file button's dialog, say) is
  // recorded in its own `answer FORM` lines, not as answers of their own.
  void DialogOpens();
  void AnswerForecast(const ForecastOptions& dialog, bool ok);
  void AnswerChartOptions(const ChartOptionsState& dialog, bool ok, bool defaults);
  // The lines so far.
  const std::vector<std::string>& Lines() const { return lines_; }
  // A path beneath the script's folder as relative to it; others as they are.
  std::string Relative(const std::string& path) const;
  // False with the reason when the last write failed.
  bool Ok(std::string& error) const;

 private:
  void Write();
  std::string path_, folder_;
  std::vector<std::string> lines_;
  std::vector<std::string> answers_;
  std::string action_;
  int depth_ = 0;
  std::size_t dialogMark_ = 0;  // answers_ before the open dialog's questions
  std::string error_;
};

}  // namespace quantorial
