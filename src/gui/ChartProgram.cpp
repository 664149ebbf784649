// quantorial-chart CHART OUT: draws a chart description written by quantorial-cli (see
// charts/ChartFile.h) into OUT, a .png, .svg or .pdf picture, with the chart window's
// renderer. A program of its own, so that quantorial-cli loads Qt only when it draws.
#include <QApplication>
#include <QString>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "charts/ChartFile.h"
#include "gui/ChartRenderer.h"

namespace {

QtMessageHandler gPreviousHandler = nullptr;

// A picture drawn from a shell needs no session runtime folder: Qt's warning that
// XDG_RUNTIME_DIR is not set (as under cron, ssh or a container) says nothing about the
// picture and is left out; every other message goes on as before.
void QuietQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: "))) return;
  if (gPreviousHandler) gPreviousHandler(type, context, message);
}

int Refuse(const std::string& why) {
  std::fprintf(stderr, "%s\n", why.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return Refuse("usage: quantorial-chart CHART OUT (OUT ends in .png, .svg or .pdf)");
  const std::string in = argv[1], out = argv[2];
  // The ending decides the kind of picture; any other would get PNG bytes under its name.
  std::string ext = std::filesystem::path(out).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext != ".png" && ext != ".svg" && ext != ".pdf")
    return Refuse("a chart picture is written as .png, .svg or .pdf");
  std::error_code ec;
  const auto size = std::filesystem::file_size(in, ec);
  if (ec || size > quantorial::kMaxChartFileBytes) return Refuse("cannot read the chart \"" + in + "\"");
  std::ifstream file(in, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  quantorial::ChartDescription chart;
  std::string error;
  if (!file || !quantorial::ReadChartFileText(text.str(), chart, error)) return Refuse(error);

  // A picture needs no screen.
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  gPreviousHandler = qInstallMessageHandler(QuietQtMessages);
  QApplication app(argc, argv);
  QString why;
  if (!quantorial::SaveChartPicture(chart, QString::fromStdString(out), 900, 560, why)) {
    return Refuse(why.toStdString());
  }
  return 0;
}
