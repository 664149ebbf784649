// A silent Host for the benchmarks.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "frontend/Host.h"

namespace quantorial {

// A host for benchmarks: shows nothing and answers every input box with one fixed text.
class QuietHost : public Host {
 public:
  explicit QuietHost(std::string answer = {}) : answer_(std::move(answer)) {}
  void HoldOn(const std::string&) override {}
  void ShowWaitBox(const std::string&, bool) override {}
  void HideWaitBox(const std::string&) override {}
  void Preview(const LabelledMatrix&, int, const std::string&) override {}
  void ClearGrid(int) override {}
  void PreviewText(const std::string&, int, const std::string&) override {}
  int MsgBox(const std::string&, int, const std::string&) override { return vbOK; }
  std::optional<std::string> InputBox(const std::string&, const std::string&, const std::string&) override {
    return answer_;
  }
  std::optional<std::string> ChooseOpenFile(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> ChooseSaveFile(const FileDialogRequest&) override { return std::nullopt; }
  bool ShowForecastOptions(ForecastOptions&) override { return true; }
  void ShowChart(const ChartDescription&, bool) override {}
  void ShowChartOptions(ChartOptionsState&) override {}
  void SetClipboardText(const std::string&) override {}
  bool OpenWithDesktop(const std::string&) override { return true; }

 private:
  std::string answer_;
};

}  // namespace quantorial
