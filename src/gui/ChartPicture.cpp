// The command line's chart pictures, drawn by the chart window's renderer: a picture needs
// a QApplication, which is made here the first time (offscreen when there is no display).
#include "cli/ChartPicture.h"

#include <QApplication>
#include <QString>
#include <cctype>
#include <clocale>
#include <cstdlib>
#include <filesystem>

#include "gui/ChartRenderer.h"

namespace quantorial {

namespace {

QtMessageHandler gPreviousHandler = nullptr;

// A picture drawn from a shell needs no session runtime folder: Qt's warning that
// XDG_RUNTIME_DIR is not set (as under cron, ssh or a container) says nothing about the
// picture and is left out; every other message goes on as before.
void QuietQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: "))) return;
  if (gPreviousHandler) gPreviousHandler(type, context, message);
}

}  // namespace

bool CanDrawChartPictures() { return true; }

bool DrawChartPicture(const ChartDescription& chart, const std::string& path, std::string& error) {
  // The ending decides the kind of picture; any other would get PNG bytes under its name.
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext != ".png" && ext != ".svg" && ext != ".pdf") {
    error = "a chart picture is written as .png, .svg or .pdf";
    return false;
  }
  if (!QApplication::instance()) {
    // A picture needs no screen.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "quantorial-cli";
    static char* argv[] = {name, nullptr};
    gPreviousHandler = qInstallMessageHandler(QuietQtMessages);
    // Kept until the process ends: Qt's own objects must not outlive it at exit.
    new QApplication(argc, argv);
    // Qt takes the desktop's locale for the C library too; the files written after the
    // picture keep the decimal point.
    std::setlocale(LC_NUMERIC, "C");
  }
  QString why;
  if (!SaveChartPicture(chart, QString::fromStdString(path), 900, 560, why)) {
    error = why.toStdString();
    return false;
  }
  return true;
}

}  // namespace quantorial
