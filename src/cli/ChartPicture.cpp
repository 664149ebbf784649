#include "cli/ChartPicture.h"

#ifdef QUANTORIAL_HAVE_CHART_RENDER
#include <QApplication>
#include <QString>
#include <cstdlib>

#include "gui/ChartRenderer.h"
#endif

namespace quantorial {

#ifdef QUANTORIAL_HAVE_CHART_RENDER

bool CanDrawChartPictures() { return true; }

bool DrawChartPicture(const ChartDescription& chart, const std::string& path, std::string& error) {
  if (!QApplication::instance()) {
    // A picture needs no screen.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "quantorial-cli";
    static char* argv[] = {name, nullptr};
    // Kept until the process ends: Qt's own objects must not outlive it at exit.
    new QApplication(argc, argv);
  }
  QString why;
  if (!SaveChartPicture(chart, QString::fromStdString(path), 900, 560, why)) {
    error = why.toStdString();
    return false;
  }
  return true;
}

#else

bool CanDrawChartPictures() { return false; }

bool DrawChartPicture(const ChartDescription&, const std::string&, std::string& error) {
  error = "this build of quantorial-cli has no chart renderer (it was built without Qt)";
  return false;
}

#endif

}  // namespace quantorial
