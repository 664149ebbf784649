#include "workbench/SessionRecorder.h"

#include <filesystem>

#include "io/AtomicFile.h"
#include "workbench/ChartOptionsForm.h"
#include "workbench/Workbench.h"

namespace quantorial {

bool SessionRecorder::Start(const std::string& path, std::string& error) {
  path_ = path;
  folder_ = std::filesystem::path(path).parent_path().string();
  lines_ = {"# Quantorial session script, recorded in the window; replay: quantorial-cli play " +
            std::filesystem::path(path).filename().string()};
  answers_.clear();
  depth_ = 0;
  dialogMark_ = 0;
  Write();
  return Ok(error);
}

std::string SessionRecorder::Relative(const std::string& path) const {
  namespace fs = std::filesystem;
  if (folder_.empty() || path.empty() || !fs::path(path).is_absolute()) return path;
  // Compared as the files are, not as spelt: a folder reached through a link, "." or ".."
  // in a path, or a doubled slash still lie under the script's folder.
  std::error_code ec;
  const fs::path folder = fs::weakly_canonical(fs::absolute(folder_, ec), ec);
  if (ec) return path;
  const fs::path file = fs::weakly_canonical(path, ec);
  if (ec) return path;
  const fs::path relative = file.lexically_relative(folder);
  if (relative.empty() || relative == "." || *relative.begin() == "..") return path;
  return relative.generic_string();
}

void SessionRecorder::BeginAction(const Action& a, bool path) {
  if (depth_++ > 0) return;
  Action shown = a;
  if (path) shown.text = Relative(a.text);
  action_ = ActionLine(shown);
  answers_.clear();
}

void SessionRecorder::EndAction() {
  if (depth_ == 0 || --depth_ > 0) return;
  if (answers_.empty() && action_.rfind("set ", 0) == 0 && !lines_.empty()) {
    const std::string control = action_.substr(0, action_.find(' ', 4) + 1);  // "set NAME "
    // Key presses are events, not values: each one stays.
    const bool event = control.find(".Key") != std::string::npos;
    if (!event && control.back() == ' ' && lines_.back().rfind(control, 0) == 0) lines_.pop_back();
  }
  lines_.insert(lines_.end(), answers_.begin(), answers_.end());
  lines_.push_back(action_);
  answers_.clear();
  Write();
}

void SessionRecorder::AnswerText(const std::string& text) { answers_.push_back("answer " + text); }
void SessionRecorder::AnswerCancel() { answers_.push_back("answer"); }
void SessionRecorder::AnswerButton(const std::string& caption) { answers_.push_back("answer " + caption); }
void SessionRecorder::AnswerFile(const std::string& path) {
  answers_.push_back(path.empty() ? std::string("answer") : "answer " + Relative(path));
}

void SessionRecorder::DialogOpens() { dialogMark_ = answers_.size(); }

void SessionRecorder::AnswerForecast(const ForecastOptions& d, bool ok) {
  // The dialog's own questions are in its lines below (its file as txtData(0)).
  if (dialogMark_ <= answers_.size()) answers_.resize(dialogMark_);
  // The dialog as it was left: its file and its years, then the button that closed it.
  const std::string form = "answer frmForecast ";
  if (!d.txtData.empty()) answers_.push_back(form + "set txtData(0) " + Relative(d.txtData));
  answers_.push_back(form + "set txtFromYear " + d.txtFromYear);
  answers_.push_back(form + "set txtToYear " + d.txtToYear);
  answers_.push_back(form + (ok ? "click OKButton" : "click CancelButton"));
}

void SessionRecorder::AnswerChartOptions(const ChartOptionsState& d, bool ok, bool defaults) {
  if (dialogMark_ <= answers_.size()) answers_.resize(dialogMark_);
  const std::string form = "answer frmChartOptions ";
  if (defaults) {
    answers_.push_back(form + "click cmdDefaults");
    return;
  }
  if (ok) {
    for (const ChartOption& o : ChartOptionTable()) {
      const std::string value = d.Get(o.key);
      answers_.push_back(form + (o.kind == ChartOptionKind::Check ? "check " : "set ") + o.control + " " +
                         (o.kind == ChartOptionKind::Check ? (value == "1" ? "1" : "0") : value));
    }
  }
  answers_.push_back(form + (ok ? "click OKButton" : "click CancelButton"));
}

void SessionRecorder::Write() {
  std::string text;
  for (const auto& l : lines_) text += l + "\n";
  std::string why;
  error_ = WriteFileAtomically(path_, text, why) ? std::string() : "cannot write \"" + path_ + "\": " + why;
}

bool SessionRecorder::Ok(std::string& error) const {
  error = error_;
  return error_.empty();
}

}  // namespace quantorial
