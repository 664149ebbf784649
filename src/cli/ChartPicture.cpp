#include "cli/ChartPicture.h"

// A build with Qt draws chart pictures with the window's renderer (gui/ChartPicture.cpp);
// one without says it cannot.
#ifndef QUANTORIAL_HAVE_CHART_RENDER

namespace quantorial {

bool CanDrawChartPictures() { return false; }

bool DrawChartPicture(const ChartDescription&, const std::string&, std::string& error) {
  error = "this build of quantorial-cli has no chart renderer (it was built without Qt)";
  return false;
}

}  // namespace quantorial

#endif
