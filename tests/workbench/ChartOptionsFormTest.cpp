#include <gtest/gtest.h>

#include <map>

#include "workbench/ChartOptionsForm.h"

namespace quantorial {
namespace {

// The dialog has one control for each chart setting, in the settings' order, which is the
// order OK writes them in.
TEST(ChartOptionsForm, OneControlForEachSettingAndTheLists) {
  const auto controls = ChartOptionTable();
  const auto settings = ChartSettingTable();
  ASSERT_EQ(controls.size(), settings.size());
  for (std::size_t i = 0; i < controls.size(); ++i) EXPECT_STREQ(controls[i].key, settings[i].key) << i;
  EXPECT_STREQ(controls.front().control, "txtChartTitle");
  EXPECT_EQ(ChartOptionItems("cboMarkerSize").front(), "6");
  EXPECT_EQ(ChartOptionItems("cboSkipSeries").size(), 21u);
  EXPECT_EQ(ChartOptionItems("cboShiftPrediction"), (std::vector<std::string>{"1", "0", "-1"}));
  EXPECT_EQ(ChartOptionItems("cboCharts").at(3), "3 - Forecast");
}

// The dialog starts from the stored settings (defaults where none is stored); Cancel writes
// nothing, OK every setting, and "Use Default Settings" every default.
TEST(ChartOptionsForm, ButtonsWriteAsTheyShould) {
  std::map<std::string, std::string> stored = {{"MarkerSize", "12"}};
  const SettingReader read = [&](const std::string& key, const std::string& fallback) {
    const auto it = stored.find(key);
    return it == stored.end() ? fallback : it->second;
  };
  std::map<std::string, std::string> written;
  const SettingWriter write = [&](const std::string& key, const std::string& value) { written[key] = value; };
  ChartOptionsState cancelled(read, write);
  EXPECT_EQ(cancelled.Get("MarkerSize"), "12");
  EXPECT_EQ(cancelled.Get("Charts"), "0 - ALL");
  cancelled.Set("ChartTitle", "GDP");
  cancelled.CancelButton_Click();
  EXPECT_TRUE(written.empty());

  ChartOptionsState ok(read, write);
  ok.Set("ChartTitle", "GDP");
  ok.OKButton_Click();
  EXPECT_EQ(written.size(), 16u);
  EXPECT_EQ(written["ChartTitle"], "GDP");
  EXPECT_EQ(written["MarkerSize"], "12");

  ChartOptionsState defaults(read, write);
  defaults.cmdDefaults_Click();
  EXPECT_EQ(written["ChartTitle"], "");
  EXPECT_EQ(written["MarkerSize"], "9.6");
  EXPECT_TRUE(defaults.closedByDefaults);
}

}  // namespace
}  // namespace quantorial
