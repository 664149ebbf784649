#include <nlohmann/json.hpp>

#include "cli/ChartPicture.h"

namespace quantorial {

std::string ChartJson(const ChartDescription& chart) {
  nlohmann::ordered_json j;
  j["title"] = chart.title;
  j["xTitle"] = chart.xTitle;
  j["yTitle"] = chart.yTitle;
  if (chart.bars) j["bars"] = true;
  j["series"] = nlohmann::ordered_json::array();
  for (const auto& s : chart.series) {
    nlohmann::ordered_json series;
    series["label"] = s.label;
    series["points"] = nlohmann::ordered_json::array();
    for (std::size_t r = 0; r < s.values.size(); ++r) {
      const std::string& label = r < chart.rowLabels.size() ? chart.rowLabels[r] : std::string();
      series["points"].push_back(s.values[r] ? nlohmann::ordered_json::array({label, *s.values[r]})
                                             : nlohmann::ordered_json::array({label, nullptr}));
    }
    j["series"].push_back(std::move(series));
  }
  return j.dump() + "\n";
}

}  // namespace quantorial
