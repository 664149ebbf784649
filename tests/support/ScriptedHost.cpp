#include "ScriptedHost.h"

namespace quantorial::testing {

std::vector<HostCall> ScriptedHost::CallsOf(const std::string& kind) const {
  std::vector<HostCall> r;
  for (const auto& c : calls) {
    if (c.kind == kind) r.push_back(c);
  }
  return r;
}

std::vector<std::string> ScriptedHost::Messages() const {
  std::vector<std::string> r;
  for (const auto& c : calls) {
    if (c.kind == "MsgBox") r.push_back(c.text);
  }
  return r;
}

std::vector<std::string> ScriptedHost::PreviewCaptions() const {
  std::vector<std::string> r;
  for (const auto& c : calls) {
    if (c.kind == "Preview") r.push_back(std::to_string(c.number) + ":" + c.text);
  }
  return r;
}

void ScriptedHost::HoldOn(const std::string& text) { calls.push_back({"HoldOn", text, "", 0, {}}); }

void ScriptedHost::ShowWaitBox(const std::string& message, bool) {
  calls.push_back({"ShowWaitBox", message, "", 0, {}});
}

void ScriptedHost::HideWaitBox(const std::string& message) { calls.push_back({"HideWaitBox", message, "", 0, {}}); }

void ScriptedHost::Preview(const LabelledMatrix& m, int grid, const std::string& caption) {
  calls.push_back({"Preview", caption, "", grid, m});
}

void ScriptedHost::ClearGrid(int grid) { calls.push_back({"ClearGrid", "", "", grid, {}}); }

void ScriptedHost::PreviewText(const std::string& text, int grid, const std::string& caption) {
  calls.push_back({"PreviewText", text, caption, grid, {}});
}

int ScriptedHost::MsgBox(const std::string& prompt, int buttons, const std::string& title) {
  calls.push_back({"MsgBox", prompt, title, buttons, {}});
  if (!msgBoxAnswers.empty()) {
    const int a = msgBoxAnswers.front();
    msgBoxAnswers.pop_front();
    return a;
  }
  return FirstButtonOf(buttons);
}

std::optional<std::string> ScriptedHost::InputBox(const std::string& prompt, const std::string& title,
                                                  const std::string& defaultText) {
  calls.push_back({"InputBox", prompt, title, 0, {}, defaultText});
  if (inputAnswers.empty()) return std::nullopt;
  auto a = inputAnswers.front();
  inputAnswers.pop_front();
  return a;
}

std::optional<std::string> ScriptedHost::ChooseOpenFile(const FileDialogRequest& request) {
  calls.push_back({"Open", request.title, request.title, 0, {}});
  fileRequests.push_back(request);
  if (fileAnswers.empty()) return std::nullopt;
  auto a = fileAnswers.front();
  fileAnswers.pop_front();
  return a;
}

std::optional<std::string> ScriptedHost::ChooseSaveFile(const FileDialogRequest& request) {
  calls.push_back({"Save", request.title, request.title, 0, {}});
  fileRequests.push_back(request);
  if (fileAnswers.empty()) return std::nullopt;
  auto a = fileAnswers.front();
  fileAnswers.pop_front();
  return a;
}

bool ScriptedHost::ShowForecastOptions(ForecastOptions& dialog) {
  calls.push_back({"ForecastOptions", "", "", 0, {}});
  if (forecastScript) forecastScript(dialog);
  return forecastOk;
}

void ScriptedHost::ShowChart(const ChartDescription& chart, bool copyToClipboard) {
  calls.push_back({"Chart", chart.title, "", 0, {}});
  charts.push_back(chart);
  chartsCopied.push_back(copyToClipboard);
}

void ScriptedHost::ShowChartOptions(ChartOptionsState& dialog) {
  calls.push_back({"ChartOptions", "", "", 0, {}});
  if (chartOptionsScript) chartOptionsScript(dialog);
}

void ScriptedHost::SetClipboardText(const std::string& text) {
  clipboard = text;
  calls.push_back({"Clipboard", text, "", 0, {}});
}

bool ScriptedHost::OpenWithDesktop(const std::string& path) {
  calls.push_back({"OpenWithDesktop", path, "", 0, {}});
  return desktopOpens;
}

}  // namespace quantorial::testing
