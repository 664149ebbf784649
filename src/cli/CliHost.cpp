#include "cli/CliHost.h"

#include "workbench/Workbench.h"

namespace quantorial {

namespace {
std::string OneLine(const std::string& text) {
  std::string s = text;
  for (char& c : s) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return s;
}
}  // namespace

void CliHost::HoldOn(const std::string& text) {
  if (verbose_ && !text.empty()) err_ << OneLine(text) << '\n';
}

void CliHost::ShowWaitBox(const std::string& message, bool) {
  if (verbose_) err_ << OneLine(message.empty() ? "Processing Request...please wait!" : message) << '\n';
}

void CliHost::HideWaitBox(const std::string&) {}

void CliHost::Preview(const LabelledMatrix&, int, const std::string&) {}

void CliHost::ClearGrid(int) {}

void CliHost::PreviewText(const std::string&, int, const std::string&) {}

int CliHost::MsgBox(const std::string& prompt, int buttons, const std::string&) {
  const int icon = buttons & kMsgBoxIconMask;
  // A message of several lines (several files that could not be written, say) keeps them
  // apart: one line each, blank ones left out.
  std::size_t start = 0;
  while (start <= prompt.size()) {
    std::size_t end = prompt.find('\n', start);
    if (end == std::string::npos) end = prompt.size();
    std::string line = prompt.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) {
      if (holdInformation_ && icon == vbInformation) {
        held_.push_back(OneLine(line));
      } else {
        err_ << OneLine(line) << '\n';
      }
    }
    start = end + 1;
  }
  // Without a person to ask, the first button of the set is taken.
  return FirstButtonOf(buttons);
}

std::optional<std::string> CliHost::InputBox(const std::string&, const std::string&, const std::string&) {
  if (inputs_.empty()) return std::nullopt;
  std::string s = std::move(inputs_.front());
  inputs_.pop_front();
  return s;
}

std::optional<std::string> CliHost::ChooseOpenFile(const FileDialogRequest&) {
  if (files_.empty()) return std::nullopt;
  std::string s = std::move(files_.front());
  files_.pop_front();
  return s;
}

std::optional<std::string> CliHost::ChooseSaveFile(const FileDialogRequest& request) { return ChooseOpenFile(request); }

bool CliHost::ShowForecastOptions(ForecastOptions& dialog) {
  const std::string form = "frmForecast.";
  while (bench_ && dialog.closed == ForecastOptions::Closed::Open && !dialogActions_.empty() &&
         dialogActions_.front().control.rfind(form, 0) == 0) {
    const Action a = std::move(dialogActions_.front());
    dialogActions_.pop_front();
    std::string error;
    if (!Perform(*bench_, a, error)) {
      const std::string message = ActionLine(a) + ": " + error;
      err_ << "quantorial-cli: " << message << '\n';
      bench_->Outcomes().Fail(message);  // the forecast stops with the dialog, failed
      return false;
    }
  }
  return dialog.closed == ForecastOptions::Closed::OK;
}

void CliHost::ShowChart(const ChartDescription& chart, bool) { lastChart_ = chart; }

void CliHost::ShowChartOptions(ChartOptionsState&) {}

void CliHost::SetClipboardText(const std::string&) {}

bool CliHost::OpenWithDesktop(const std::string& path) {
  err_ << "written: " << path << '\n';
  return true;  // the path is on the terminal already
}

}  // namespace quantorial
