#include "charts/ChartFile.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace quantorial {

namespace {

using Json = nlohmann::json;

bool Text(const Json& j, const char* key, std::string& to) {
  if (!j.contains(key)) return true;
  if (!j[key].is_string()) return false;
  to = j[key].get<std::string>();
  return true;
}

bool Flag(const Json& j, const char* key, bool& to) {
  if (!j.contains(key)) return true;
  if (!j[key].is_boolean()) return false;
  to = j[key].get<bool>();
  return true;
}

}  // namespace

std::string ChartFileText(const ChartDescription& chart) {
  Json j;
  j["title"] = chart.title;
  j["xTitle"] = chart.xTitle;
  j["yTitle"] = chart.yTitle;
  j["rowLabels"] = chart.rowLabels;
  j["showLegend"] = chart.showLegend;
  j["showMarkers"] = chart.showMarkers;
  j["markerSize"] = chart.markerSize;
  j["bars"] = chart.bars;
  j["series"] = Json::array();
  for (const ChartSeries& s : chart.series) {
    Json values = Json::array();
    // A value that is not finite has no place on a chart: it is written as an empty cell.
    for (const auto& v : s.values) values.push_back(v && std::isfinite(*v) ? Json(*v) : Json(nullptr));
    j["series"].push_back({{"label", s.label}, {"dashed", s.dashed}, {"values", std::move(values)}});
  }
  return j.dump();
}

bool ReadChartFileText(const std::string& text, ChartDescription& chart, std::string& error) {
  if (text.size() > kMaxChartFileBytes) {
    error = "the chart is larger than a chart file may be";
    return false;
  }
  const Json j = Json::parse(text, nullptr, false);
  if (j.is_discarded() || !j.is_object()) {
    error = "the chart file is not a chart description";
    return false;
  }
  ChartDescription c;
  const bool fields = Text(j, "title", c.title) && Text(j, "xTitle", c.xTitle) && Text(j, "yTitle", c.yTitle) &&
                      Flag(j, "showLegend", c.showLegend) && Flag(j, "showMarkers", c.showMarkers) &&
                      Flag(j, "bars", c.bars);
  if (!fields) {
    error = "the chart file has a field of the wrong kind";
    return false;
  }
  if (j.contains("markerSize")) {
    if (!j["markerSize"].is_number()) {
      error = "the chart file's marker size is not a number";
      return false;
    }
    c.markerSize = j["markerSize"].get<double>();
  }
  if (j.contains("rowLabels")) {
    if (!j["rowLabels"].is_array()) {
      error = "the chart file's row labels are not a list";
      return false;
    }
    for (const Json& label : j["rowLabels"]) {
      if (!label.is_string()) {
        error = "a row label of the chart file is not a text";
        return false;
      }
      c.rowLabels.push_back(label.get<std::string>());
    }
  }
  if (j.contains("series")) {
    if (!j["series"].is_array()) {
      error = "the chart file's series are not a list";
      return false;
    }
    for (const Json& s : j["series"]) {
      ChartSeries series;
      if (!s.is_object() || !Text(s, "label", series.label) || !Flag(s, "dashed", series.dashed) ||
          !s.contains("values") || !s["values"].is_array()) {
        error = "a series of the chart file is not a series";
        return false;
      }
      for (const Json& v : s["values"]) {
        if (v.is_null()) {
          series.values.emplace_back();
        } else if (v.is_number()) {
          series.values.emplace_back(v.get<double>());
        } else {
          error = "a value of series \"" + series.label + "\" is not a number";
          return false;
        }
      }
      c.series.push_back(std::move(series));
    }
  }
  chart = std::move(c);
  return true;
}

}  // namespace quantorial
